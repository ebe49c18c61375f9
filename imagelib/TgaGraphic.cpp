// Truevision Targa pictures.
#include "imagelib/TgaGraphic.h"

#include "imagelib/ImgBmc.h"
#include "platform/rtl/Stream.h"

std::unique_ptr<TDibGraphic> TTgaGraphic::CreateNew() const { return std::make_unique<TTgaGraphic>(); }

bool TTgaGraphic::CanLoadStream(TStream* Stream)
{
    const int64_t Pos = Stream->GetPosition();
    uint8_t Head[18] = {};
    const int32_t Got = Stream->Read(Head, sizeof(Head));
    Stream->SetPosition(Pos);
    if (Got != 18)
        return false;
    const uint8_t Type = Head[2], MapBits = Head[7], Bits = Head[16];
    switch (Type) {
    case 1: case 9: return Bits == 8 && MapBits == 24;
    case 2: case 10: return Bits == 16 || Bits == 24 || Bits == 32;
    case 3: case 11: return Bits == 8;
    default: return false;
    }
}

void TTgaGraphic::LoadFromStream(TStream* Stream) { LoadImageFromStream(Stream, 1); }

void TTgaGraphic::LoadImageFromStream(TStream* Stream, int32_t /*Index*/)
{
    TMemoryStream Copy;
    BmcReadGraphic(StreamFromStart(Stream, Copy), this, "File.tga", OnProgress, "");
}

void TTgaGraphic::SaveToStream(TStream* Stream)
{
    const ImageFormat Format = GetImageFormat();
    if (GetEmpty() || (Format != ifGray256 && Format != ifColor256 && Format != ifTrueColor))
        throw ETgaError("TARGA image must be true color or 8 bit with palette");
    BmcWriteGraphic(Stream, this, "File.tga", OnProgress);
}
