// EPS previews.
#include "imagelib/EpsGraphic.h"

#include "platform/rtl/Stream.h"

namespace {

const char* const kNoPreview = "EPS file does not have a preview";

uint32_t Get32(const uint8_t* P)
{
    return static_cast<uint32_t>(P[0]) | (static_cast<uint32_t>(P[1]) << 8) | (static_cast<uint32_t>(P[2]) << 16) |
           (static_cast<uint32_t>(P[3]) << 24);
}

bool IsEpsMagic(const uint8_t* P) { return P[0] == 0xC5 && P[1] == 0xD0 && P[2] == 0xD3 && P[3] == 0xC6; }

} // namespace

std::unique_ptr<TDibGraphic> TEPSGraphic::CreateNew() const { return std::make_unique<TEPSGraphic>(); }

bool TEPSGraphic::CanLoadStream(TStream* Stream)
{
    const int64_t Pos = Stream->GetPosition();
    uint8_t Head[4] = {};
    const int32_t Got = Stream->Read(Head, 4);
    Stream->SetPosition(Pos);
    return Got == 4 && IsEpsMagic(Head);
}

void TEPSGraphic::LoadImageFromStream(TStream* Stream, int32_t /*Index*/)
{
    const int64_t Base = Stream->GetPosition();
    const int64_t Size = Stream->GetSize() - Base;
    uint8_t Head[28] = {};
    if (Stream->Read(Head, sizeof(Head)) != static_cast<int32_t>(sizeof(Head)) || !IsEpsMagic(Head))
        throw EInvalidGraphic(kNoPreview);
    const int64_t MetaOffset = Get32(Head + 12), MetaLength = Get32(Head + 16);
    const int64_t TiffOffset = Get32(Head + 20), TiffLength = Get32(Head + 24);
    // A section must lie inside the stream: hostile lengths are refused before any copy.
    auto Inside = [Size](int64_t Offset, int64_t Length) { return Length > 0 && Offset + Length <= Size; };
    std::unique_ptr<TDibGraphic> Tiff;
    if (TiffLength != 0) {
        if (!Inside(TiffOffset, TiffLength))
            throw EInvalidGraphic(kNoPreview);
        if (TDibGraphicClass Class = FindDibGraphicClass("Preview.tif"))
            Tiff = Class.Create();
    }
    const bool UseTiff = Tiff != nullptr;
    if (!UseTiff && (MetaLength == 0 || !Inside(MetaOffset, MetaLength)))
        throw EInvalidGraphic(kNoPreview);
    TMemoryStream Section;
    Stream->SetPosition(Base + (UseTiff ? TiffOffset : MetaOffset));
    const int64_t Length = UseTiff ? TiffLength : MetaLength;
    if (Section.CopyFrom(Stream, Length) != Length)
        throw EInvalidGraphic(kNoPreview);
    Section.SetPosition(0);
    if (UseTiff) {
        Tiff->OnProgress = OnProgress;
        Tiff->LoadFromStream(&Section);
        AssignDib(Tiff.get());
    } else {
        LoadMetafilePreview(&Section, this);
    }
}
