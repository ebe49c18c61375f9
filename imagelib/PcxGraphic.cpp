// PCX and DCX pictures.
#include "imagelib/PcxGraphic.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imagelib/ImgBmc.h"
#include "platform/rtl/Stream.h"

namespace {

const char* const kDcxInvalid = "The DCX file header is not valid";

uint16_t Get16(const uint8_t* P) { return static_cast<uint16_t>(P[0] | (P[1] << 8)); }
uint32_t Get32(const uint8_t* P)
{
    return static_cast<uint32_t>(P[0]) | (static_cast<uint32_t>(P[1]) << 8) | (static_cast<uint32_t>(P[2]) << 16) |
           (static_cast<uint32_t>(P[3]) << 24);
}
void Put32(uint8_t* P, uint32_t V)
{
    for (int I = 0; I < 4; ++I)
        P[I] = static_cast<uint8_t>(V >> (8 * I));
}

bool ReadExact(TStream* Stream, void* Buffer, int32_t Count) { return Stream->Read(Buffer, Count) == Count; }

// The table of a DCX at Base: the offsets before the first 0 (at most TableEntries).
std::vector<uint32_t> ReadDcxTable(TStream* Stream, int64_t Base)
{
    Stream->SetPosition(Base);
    std::vector<uint8_t> Head(TDcxGraphic::HeaderSize);
    const int32_t Got = Stream->Read(Head.data(), TDcxGraphic::HeaderSize);
    if (Got < 8 || Get32(Head.data()) != TDcxGraphic::Magic)
        throw EDcxError(kDcxInvalid);
    std::vector<uint32_t> Offsets;
    for (int32_t I = 0; I < TDcxGraphic::TableEntries; ++I) {
        if (4 + 4 * I + 4 > Got)
            throw EDcxError(kDcxInvalid);
        const uint32_t V = Get32(Head.data() + 4 + 4 * I);
        if (V == 0)
            break;
        Offsets.push_back(V);
    }
    return Offsets;
}

} // namespace

std::unique_ptr<TDibGraphic> TPcxGraphic::CreateNew() const { return std::make_unique<TPcxGraphic>(); }

bool TPcxGraphic::CanLoadStream(TStream* Stream)
{
    const int64_t Pos = Stream->GetPosition();
    uint8_t Head[128] = {};
    const int32_t Got = Stream->Read(Head, sizeof(Head));
    Stream->SetPosition(Pos);
    if (Got < 4)
        return false;
    const uint8_t Version = Head[1];
    const bool VersionOk = Version == 0 || (Version >= 2 && Version <= 5);
    const uint8_t Bits = Head[3];
    return Head[0] == 10 && VersionOk && Head[2] == 1 && (Bits == 1 || Bits == 2 || Bits == 4 || Bits == 8);
}

void TPcxGraphic::LoadImageFromStream(TStream* Stream, int32_t /*Index*/)
{
    TMemoryStream Copy;
    TStream* Source = StreamFromStart(Stream, Copy);
    uint8_t Head[16] = {};
    const bool HaveHead = ReadExact(Source, Head, sizeof(Head));
    Source->SetPosition(0);
    BmcReadGraphic(Source, this, "File.pcx", OnProgress, "");
    if (HaveHead) {
        SetXDpi(Get16(Head + 12));
        SetYDpi(Get16(Head + 14));
    }
}

void TPcxGraphic::SaveToStream(TStream* Stream)
{
    const int64_t Start = Stream->GetPosition();
    BmcWriteGraphic(Stream, this, "File.pcx", OnProgress);
    const int64_t End = Stream->GetPosition();
    uint8_t Dpi[4];
    const int32_t X = GetXDpi(), Y = GetYDpi();
    Dpi[0] = static_cast<uint8_t>(X);
    Dpi[1] = static_cast<uint8_t>(X >> 8);
    Dpi[2] = static_cast<uint8_t>(Y);
    Dpi[3] = static_cast<uint8_t>(Y >> 8);
    Stream->SetPosition(Start + 12);
    Stream->WriteBuffer(Dpi, sizeof(Dpi));
    // Left at the end, so a caller writing on does not overwrite the picture.
    Stream->SetPosition(End);
}

std::unique_ptr<TDibGraphic> TDcxGraphic::CreateNew() const { return std::make_unique<TDcxGraphic>(); }

bool TDcxGraphic::CanLoadStream(TStream* Stream)
{
    const int64_t Pos = Stream->GetPosition();
    uint8_t Head[4] = {};
    const bool Got = ReadExact(Stream, Head, 4);
    Stream->SetPosition(Pos);
    return Got && Get32(Head) == Magic;
}

int32_t TDcxGraphic::GetStreamImageCount(TStream* Stream)
{
    const int64_t Base = Stream->GetPosition();
    const std::vector<uint32_t> Offsets = ReadDcxTable(Stream, Base);
    Stream->SetPosition(Base);
    return static_cast<int32_t>(Offsets.size());
}

void TDcxGraphic::LoadImageFromStream(TStream* Stream, int32_t Index)
{
    const int64_t Base = Stream->GetPosition();
    const int64_t Size = Stream->GetSize() - Base;
    const std::vector<uint32_t> Offsets = ReadDcxTable(Stream, Base);
    if (Index < 1 || Index > static_cast<int32_t>(Offsets.size()))
        throw EDcxError(kDcxInvalid);
    const int64_t Start = Offsets[Index - 1];
    const int64_t End = Index < static_cast<int32_t>(Offsets.size()) ? Offsets[Index] : Size;
    if (Start < 8 || Start >= End || End > Size)
        throw EDcxError(kDcxInvalid);
    TMemoryStream Page;
    Stream->SetPosition(Base + Start);
    if (Page.CopyFrom(Stream, End - Start) != End - Start)
        throw EDcxError(kDcxInvalid);
    Page.SetPosition(0);
    TPcxGraphic::LoadImageFromStream(&Page, 1);
}

void TDcxGraphic::SaveToStream(TStream* Stream)
{
    std::vector<uint8_t> Head(HeaderSize, 0);
    Put32(Head.data(), Magic);
    Put32(Head.data() + 4, HeaderSize);
    Stream->WriteBuffer(Head.data(), HeaderSize);
    TPcxGraphic::SaveToStream(Stream);
}

void DcxAddPageOffset(TStream* Stream, uint32_t Offset)
{
    Stream->SetPosition(0);
    uint8_t Word[4];
    if (!ReadExact(Stream, Word, 4) || Get32(Word) != TDcxGraphic::Magic)
        throw EDcxError(kDcxInvalid);
    if (!ReadExact(Stream, Word, 4))
        throw EDcxError(kDcxInvalid);
    const uint32_t First = Get32(Word);
    if (First == 0)
        throw EDcxError(kDcxInvalid);
    // The table ends where the first page begins (never beyond its fixed size).
    const int64_t TableEnd = std::min<int64_t>(First, TDcxGraphic::HeaderSize);
    int64_t ZeroPos = -1;
    while (Stream->GetPosition() + 4 <= TableEnd) {
        const int64_t Pos = Stream->GetPosition();
        if (!ReadExact(Stream, Word, 4))
            throw EDcxError(kDcxInvalid);
        if (Get32(Word) == 0) {
            ZeroPos = Pos;
            break;
        }
    }
    // The new entry goes over the 0, and a new 0 must still fit before the first page.
    if (ZeroPos < 0 || ZeroPos + 8 > TableEnd)
        throw EDcxError("The DCX file header is full");
    Put32(Word, Offset);
    Stream->SetPosition(ZeroPos);
    Stream->WriteBuffer(Word, 4);
    Put32(Word, 0);
    Stream->WriteBuffer(Word, 4);
}

void TDcxGraphic::AppendImageToStream(TStream* Stream)
{
    const int64_t Size = Stream->GetSize();
    if (Size == 0) {
        Stream->SetPosition(0);
        SaveToStream(Stream);
        return;
    }
    if (Size > 0xFFFFFFFFll)
        throw EDcxError("The DCX file header is full");
    DcxAddPageOffset(Stream, static_cast<uint32_t>(Size));
    Stream->SetPosition(Size);
    TPcxGraphic::SaveToStream(Stream);
}
