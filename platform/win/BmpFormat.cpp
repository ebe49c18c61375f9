#include "platform/win/BmpFormat.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <new>

#include "platform/rtl/SysUtils.h"

namespace {

[[noreturn]] void Bad() { throw EInvalidGraphic("Invalid bitmap file"); }

uint16_t U16(const uint8_t* P) { return static_cast<uint16_t>(P[0] | (P[1] << 8)); }
uint32_t U32(const uint8_t* P) { return uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24); }
int32_t I32(const uint8_t* P) { return static_cast<int32_t>(U32(P)); }

void Put16(uint8_t* P, uint32_t V)
{
    P[0] = uint8_t(V);
    P[1] = uint8_t(V >> 8);
}
void Put32(uint8_t* P, uint32_t V)
{
    for (int I = 0; I < 4; ++I)
        P[I] = uint8_t(V >> (8 * I));
}

// Exactly Count bytes, else the file is cut short.
void ReadExact(TStream* Stream, void* Buffer, int64_t Count)
{
    auto* P = static_cast<uint8_t*>(Buffer);
    while (Count > 0) {
        const int32_t Chunk = static_cast<int32_t>(std::min<int64_t>(Count, 1 << 24));
        const int32_t Got = Stream->Read(P, Chunk);
        if (Got <= 0)
            Bad();
        P += Got;
        Count -= Got;
    }
}

// One colour channel of a bit-field pixel.
struct TChannel {
    uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;

    static TChannel Of(uint32_t Mask)
    {
        TChannel C;
        C.Mask = Mask;
        if (Mask == 0)
            return C;
        C.Shift = std::countr_zero(Mask);
        const uint32_t Run = Mask >> C.Shift;
        if ((Run & (Run + 1)) != 0) // not one contiguous run of bits
            Bad();
        C.Bits = std::popcount(Run);
        return C;
    }

    uint8_t Get(uint32_t Pixel, uint8_t Missing) const
    {
        if (Bits == 0)
            return Missing;
        const uint32_t V = (Pixel & Mask) >> Shift;
        if (Bits >= 8)
            return uint8_t(V >> (Bits - 8));
        const uint32_t Max = (1u << Bits) - 1;
        return uint8_t((V * 255 + Max / 2) / Max);
    }
};

void SetIndex(TBmpImage& Image, int32_t X, int32_t Y, uint8_t Value)
{
    if (X < 0 || X >= Image.Width || Y < 0 || Y >= Image.Height)
        return;
    uint8_t* Row = Image.Row(Y);
    if (Image.BitCount == 8) {
        Row[X] = Value;
    } else {
        uint8_t& B = Row[X / 2];
        B = (X & 1) ? uint8_t((B & 0xF0) | (Value & 0x0F)) : uint8_t((B & 0x0F) | (Value << 4));
    }
}

// Run-length data, decoded bottom-up into a top-down image already filled with index 0.
// Truncated data ends the picture early; nothing is read or written out of bounds.
void DecodeRle(const std::vector<uint8_t>& Data, TBmpImage& Image, bool Rle4)
{
    const size_t N = Data.size();
    size_t I = 0;
    int64_t X = 0;
    int64_t Line = 0; // from the bottom
    auto Put = [&](uint8_t Value) {
        if (X < Image.Width && Line < Image.Height)
            SetIndex(Image, static_cast<int32_t>(X), static_cast<int32_t>(Image.Height - 1 - Line), Value);
        ++X;
    };
    while (I + 1 < N && Line < Image.Height) {
        const uint8_t Count = Data[I];
        const uint8_t Value = Data[I + 1];
        I += 2;
        if (Count > 0) {
            for (int K = 0; K < Count && X < Image.Width; ++K)
                Put(Rle4 ? uint8_t((K & 1) ? (Value & 0x0F) : (Value >> 4)) : Value);
            continue;
        }
        if (Value == 0) { // end of line
            X = 0;
            ++Line;
        } else if (Value == 1) { // end of picture
            break;
        } else if (Value == 2) { // delta
            if (I + 1 >= N)
                break;
            X += Data[I];
            Line += Data[I + 1];
            I += 2;
        } else { // absolute run, padded to a word
            const size_t Bytes = Rle4 ? (size_t(Value) + 1) / 2 : Value;
            if (I + Bytes > N)
                break;
            for (int K = 0; K < Value; ++K) {
                const uint8_t B = Data[I + (Rle4 ? K / 2 : K)];
                Put(Rle4 ? uint8_t((K & 1) ? (B & 0x0F) : (B >> 4)) : B);
            }
            I += (Bytes + 1) & ~size_t(1);
        }
    }
}

} // namespace

void ReadBmp(TStream* Stream, TBmpImage& Image, bool WithFileHeader)
{
    const int64_t Start = Stream->GetPosition();
    const int64_t Size = Stream->GetSize() - Start; // bytes available to this picture
    if (Size <= 0)
        Bad();

    int64_t Pos = 0;
    int64_t OffBits = 0;
    if (WithFileHeader) {
        uint8_t FH[14];
        if (Size < 14)
            Bad();
        ReadExact(Stream, FH, 14);
        if (FH[0] != 'B' || FH[1] != 'M')
            Bad();
        OffBits = U32(FH + 10);
        Pos = 14;
    }

    uint8_t H[124];
    std::memset(H, 0, sizeof(H));
    if (Size - Pos < 4)
        Bad();
    ReadExact(Stream, H, 4);
    const uint32_t HeaderSize = U32(H);
    switch (HeaderSize) {
    case 12: case 40: case 52: case 56: case 64: case 108: case 124:
        break;
    default:
        Bad();
    }
    if (int64_t(HeaderSize) > Size - Pos)
        Bad();
    ReadExact(Stream, H + 4, HeaderSize - 4);
    Pos += HeaderSize;

    const bool Core = HeaderSize == 12;
    int64_t Width, Height;
    int BitCount;
    uint32_t Compression = 0, SizeImage = 0, ClrUsed = 0;
    if (Core) {
        Width = U16(H + 4);
        Height = U16(H + 6);
        if (U16(H + 8) != 1)
            Bad();
        BitCount = U16(H + 10);
        if (BitCount != 1 && BitCount != 4 && BitCount != 8 && BitCount != 24)
            Bad();
    } else {
        Width = I32(H + 4);
        Height = I32(H + 8);
        if (U16(H + 12) != 1)
            Bad();
        BitCount = U16(H + 14);
        Compression = U32(H + 16);
        SizeImage = U32(H + 20);
        Image.XPelsPerMeter = I32(H + 24);
        Image.YPelsPerMeter = I32(H + 28);
        ClrUsed = U32(H + 32);
    }
    bool TopDown = false;
    if (Width <= 0 || Height == 0 || Height == INT32_MIN)
        Bad();
    if (Height < 0) {
        TopDown = true;
        Height = -Height;
    }

    // Compression, bit count and bit fields.
    uint32_t RedMask = 0, GreenMask = 0, BlueMask = 0, AlphaMask = 0;
    bool Fields = false;
    switch (Compression) {
    case 0: // BI_RGB
        if (BitCount != 1 && BitCount != 4 && BitCount != 8 && BitCount != 16 && BitCount != 24 && BitCount != 32)
            Bad();
        break;
    case 1: // BI_RLE8
        if (BitCount != 8 || TopDown)
            Bad();
        break;
    case 2: // BI_RLE4
        if (BitCount != 4 || TopDown)
            Bad();
        break;
    case 3: // BI_BITFIELDS (Huffman in the OS/2 2.x header, which we do not read)
    case 6: // BI_ALPHABITFIELDS
        if ((BitCount != 16 && BitCount != 32) || HeaderSize == 64)
            Bad();
        Fields = true;
        break;
    default:
        Bad();
    }
    if (Fields) {
        if (HeaderSize >= 52) {
            RedMask = U32(H + 40);
            GreenMask = U32(H + 44);
            BlueMask = U32(H + 48);
            if (HeaderSize >= 56)
                AlphaMask = U32(H + 52);
        } else {
            const int MaskBytes = Compression == 6 ? 16 : 12;
            uint8_t M[16];
            if (Size - Pos < MaskBytes)
                Bad();
            ReadExact(Stream, M, MaskBytes);
            Pos += MaskBytes;
            RedMask = U32(M);
            GreenMask = U32(M + 4);
            BlueMask = U32(M + 8);
            if (MaskBytes == 16)
                AlphaMask = U32(M + 12);
        }
        if ((RedMask | GreenMask | BlueMask) == 0)
            Bad();
    } else if (BitCount == 16) {
        RedMask = 0x7C00, GreenMask = 0x03E0, BlueMask = 0x001F;
    } else if (BitCount == 32) {
        RedMask = 0xFF0000, GreenMask = 0xFF00, BlueMask = 0xFF;
    }
    const TChannel Red = TChannel::Of(RedMask), Green = TChannel::Of(GreenMask), Blue = TChannel::Of(BlueMask),
                   Alpha = TChannel::Of(AlphaMask);

    // The colour table.
    Image.Colors.clear();
    if (BitCount <= 8) {
        const int64_t Max = int64_t(1) << BitCount;
        if (ClrUsed > 256)
            Bad();
        int64_t Count = ClrUsed ? ClrUsed : Max;
        const int Entry = Core ? 3 : 4;
        // Writers that leave out the unused end of a full table still point at their pixels.
        if (WithFileHeader && OffBits > Pos && ClrUsed == 0)
            Count = std::min<int64_t>(Count, (OffBits - Pos) / Entry);
        if (Count <= 0 || Count * Entry > Size - Pos)
            Bad();
        std::vector<uint8_t> Table(static_cast<size_t>(Count * Entry));
        ReadExact(Stream, Table.data(), Count * Entry);
        Pos += Count * Entry;
        const int64_t Keep = std::min(Count, Max);
        Image.Colors.resize(static_cast<size_t>(Keep));
        for (int64_t I = 0; I < Keep; ++I) {
            const uint8_t* E = Table.data() + I * Entry;
            Image.Colors[size_t(I)] = TBmpColor{E[0], E[1], E[2], 0};
        }
    } else if (!WithFileHeader) {
        // A packed DIB keeps its optional colour table in front of the pixels.
        if (ClrUsed > 256 || int64_t(ClrUsed) * 4 > Size - Pos)
            Bad();
        Pos += int64_t(ClrUsed) * 4;
    }

    // Where the pixels start.
    if (!WithFileHeader || OffBits == 0)
        OffBits = Pos;
    if (OffBits < Pos || OffBits >= Size)
        Bad();

    // The layout we keep.
    int OutBits = BitCount;
    bool Is565 = false, Copy = true;
    if (BitCount == 16) {
        if (RedMask == 0x7C00 && GreenMask == 0x03E0 && BlueMask == 0x001F && AlphaMask == 0) {
        } else if (RedMask == 0xF800 && GreenMask == 0x07E0 && BlueMask == 0x001F && AlphaMask == 0) {
            Is565 = true;
        } else {
            OutBits = 32;
            Copy = false;
        }
    } else if (BitCount == 32) {
        if (!(RedMask == 0xFF0000 && GreenMask == 0xFF00 && BlueMask == 0xFF && (AlphaMask == 0 || AlphaMask == 0xFF000000u)))
            Copy = false;
    }

    const int64_t SrcStride = ((Width * BitCount + 31) / 32) * 4;
    const int64_t OutStride = ((Width * OutBits + 31) / 32) * 4;
    if (OutStride * Height > kMaxBmpPixelBytes || SrcStride * Height > kMaxBmpPixelBytes)
        Bad();
    const int64_t Available = Size - OffBits;
    const bool Rle = Compression == 1 || Compression == 2;
    if (!Rle) {
        // The last row may lack its padding; everything else must be there.
        const int64_t Need = SrcStride * (Height - 1) + (Width * BitCount + 7) / 8;
        if (Need > Available)
            Bad();
    }

    Image.Width = static_cast<int32_t>(Width);
    Image.Height = static_cast<int32_t>(Height);
    Image.BitCount = OutBits;
    Image.Is565 = Is565;
    Image.HasAlpha = OutBits == 32 && AlphaMask != 0;
    // A sound header may still ask for more than a 32-bit process can give in one piece.
    try {
        Image.Pixels.assign(static_cast<size_t>(OutStride * Height), 0);
    } catch (const std::bad_alloc&) {
        Image.Pixels.clear();
        throw EOutOfMemory("Not enough memory for the bitmap");
    }

    Stream->Seek(Start + OffBits, soBeginning);
    if (Rle) {
        int64_t DataSize = Available;
        if (SizeImage != 0 && SizeImage < DataSize)
            DataSize = SizeImage;
        std::vector<uint8_t> Data(static_cast<size_t>(DataSize));
        ReadExact(Stream, Data.data(), DataSize);
        DecodeRle(Data, Image, Compression == 2);
        return;
    }

    std::vector<uint8_t> Row(static_cast<size_t>(SrcStride));
    for (int64_t Y = 0; Y < Height; ++Y) {
        const int64_t Want = std::min<int64_t>(SrcStride, Available - Y * SrcStride);
        std::fill(Row.begin(), Row.end(), 0);
        ReadExact(Stream, Row.data(), Want);
        uint8_t* Out = Image.Row(static_cast<int32_t>(TopDown ? Y : Height - 1 - Y));
        if (Copy) {
            std::memcpy(Out, Row.data(), static_cast<size_t>(std::min(SrcStride, OutStride)));
            continue;
        }
        for (int64_t X = 0; X < Width; ++X) {
            const uint32_t P = BitCount == 16 ? U16(Row.data() + X * 2) : U32(Row.data() + X * 4);
            uint8_t* D = Out + X * 4;
            D[0] = Blue.Get(P, 0);
            D[1] = Green.Get(P, 0);
            D[2] = Red.Get(P, 0);
            D[3] = Alpha.Get(P, 0);
        }
    }
}

void WriteBmp(TStream* Stream, const TBmpImage& Image)
{
    const int Bits = Image.BitCount;
    if ((Bits != 1 && Bits != 4 && Bits != 8 && Bits != 24) || Image.Width <= 0 || Image.Height <= 0)
        throw EInvalidGraphic("Cannot write an empty bitmap");
    const int64_t Colors = Bits <= 8 ? std::min<int64_t>(int64_t(Image.Colors.size()), int64_t(1) << Bits) : 0;
    if (Bits <= 8 && Colors == 0)
        throw EInvalidGraphic("Cannot write a palette bitmap without colours");
    const int64_t Stride = Image.Stride();
    const int64_t PixelBytes = Stride * Image.Height;
    const int64_t OffBits = 14 + 40 + Colors * 4;
    if (PixelBytes > kMaxBmpPixelBytes || int64_t(Image.Pixels.size()) < PixelBytes)
        throw EInvalidGraphic("Cannot write the bitmap");

    std::vector<uint8_t> Head(static_cast<size_t>(OffBits), 0);
    uint8_t* P = Head.data();
    P[0] = 'B';
    P[1] = 'M';
    Put32(P + 2, static_cast<uint32_t>(OffBits + PixelBytes));
    Put32(P + 10, static_cast<uint32_t>(OffBits));
    P += 14;
    Put32(P, 40);
    Put32(P + 4, static_cast<uint32_t>(Image.Width));
    Put32(P + 8, static_cast<uint32_t>(Image.Height));
    Put16(P + 12, 1);
    Put16(P + 14, static_cast<uint32_t>(Bits));
    Put32(P + 16, 0);
    Put32(P + 20, static_cast<uint32_t>(PixelBytes));
    Put32(P + 24, static_cast<uint32_t>(Image.XPelsPerMeter));
    Put32(P + 28, static_cast<uint32_t>(Image.YPelsPerMeter));
    Put32(P + 32, static_cast<uint32_t>(Colors));
    P += 40;
    for (int64_t I = 0; I < Colors; ++I, P += 4) {
        const TBmpColor& C = Image.Colors[size_t(I)];
        P[0] = C.Blue;
        P[1] = C.Green;
        P[2] = C.Red;
        P[3] = 0;
    }
    Stream->WriteBuffer(Head.data(), static_cast<int32_t>(Head.size()));
    for (int32_t Y = Image.Height - 1; Y >= 0; --Y)
        Stream->WriteBuffer(Image.Row(Y), static_cast<int32_t>(Stride));
}
