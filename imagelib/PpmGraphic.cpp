// PBM, PGM and PPM pictures.
#include "imagelib/PpmGraphic.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Stream.h"

namespace {

const char* const kNotPpm = "Not a valid PPM file";

[[noreturn]] void Fail() { throw EDidodazaError(kNotPpm); }

bool IsBlank(int C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\v' || C == '\f'; }

// Buffered input. Header and ASCII data go through Char (comments skipped, one line feed
// supplied at the end); raw data through Byte, which knows no comments.
class TPpmReader {
public:
    explicit TPpmReader(TStream* Stream) : FStream(Stream) {}

    int Byte()
    {
        if (FPos == FLen) {
            FLen = FStream->Read(FBuffer, sizeof(FBuffer));
            FPos = 0;
            if (FLen <= 0) {
                FLen = 0;
                return -1;
            }
        }
        return FBuffer[FPos++];
    }

    void RawBytes(uint8_t* Dest, int64_t Count)
    {
        while (Count > 0) {
            if (FPos == FLen) {
                FLen = FStream->Read(FBuffer, sizeof(FBuffer));
                FPos = 0;
                if (FLen <= 0) {
                    FLen = 0;
                    Fail();
                }
            }
            const int64_t Take = std::min<int64_t>(Count, FLen - FPos);
            std::memcpy(Dest, FBuffer + FPos, static_cast<size_t>(Take));
            FPos += static_cast<int32_t>(Take);
            Dest += Take;
            Count -= Take;
        }
    }

    int Char()
    {
        int C = Byte();
        if (C < 0) {
            if (FEndSupplied)
                Fail();
            FEndSupplied = true;
            return '\n';
        }
        if (C == '#') {
            do
                C = Byte();
            while (C >= 0 && C != '\n' && C != '\r');
            return '\n';
        }
        return C;
    }

    // Skips blanks and comments; the first other character.
    int NonBlank()
    {
        int C;
        do
            C = Char();
        while (IsBlank(C));
        return C;
    }

    // A decimal number of at most 9 digits; the blank after it is consumed.
    int32_t Integer()
    {
        int C = NonBlank();
        if (C < '0' || C > '9')
            Fail();
        int32_t Value = 0;
        int Digits = 0;
        while (C >= '0' && C <= '9') {
            if (++Digits > 9)
                Fail();
            Value = Value * 10 + (C - '0');
            C = Char();
        }
        if (!IsBlank(C))
            Fail();
        return Value;
    }

    // A P1 sample: one "0" or "1", blanks before it optional.
    int Bit()
    {
        const int C = NonBlank();
        if (C != '0' && C != '1')
            Fail();
        return C - '0';
    }

private:
    TStream* FStream = nullptr;
    uint8_t FBuffer[4096];
    int32_t FPos = 0;
    int32_t FLen = 0;
    bool FEndSupplied = false;
};

uint8_t Scale(uint32_t Value, uint32_t Max)
{
    if (Value >= Max)
        return 255;
    return static_cast<uint8_t>((Value * 255u + Max / 2) / Max);
}

// Buffered output with the ASCII line rule.
class TPpmWriter {
public:
    explicit TPpmWriter(TStream* Stream) : FStream(Stream) {}
    ~TPpmWriter() = default;

    void Put(const void* Data, size_t Count)
    {
        const uint8_t* P = static_cast<const uint8_t*>(Data);
        while (Count > 0) {
            const size_t Take = std::min(Count, sizeof(FBuffer) - FLen);
            std::memcpy(FBuffer + FLen, P, Take);
            FLen += Take;
            P += Take;
            Count -= Take;
            if (FLen == sizeof(FBuffer))
                Flush();
        }
    }
    void Put(const std::string& Text) { Put(Text.data(), Text.size()); }
    void PutByte(uint8_t B) { Put(&B, 1); }

    // A decimal sample; lines stay within 69 characters.
    void Sample(uint32_t Value)
    {
        const std::string Text = std::to_string(Value);
        const size_t Needed = Text.size() + (FLine > 0 ? 1 : 0);
        if (FLine > 0 && FLine + Needed > 69) {
            PutByte('\n');
            FLine = 0;
        }
        if (FLine > 0) {
            PutByte(' ');
            ++FLine;
        }
        Put(Text);
        FLine += Text.size();
    }
    void EndAscii()
    {
        PutByte('\n');
        FLine = 0;
    }
    void Flush()
    {
        if (FLen)
            FStream->WriteBuffer(FBuffer, static_cast<int32_t>(FLen));
        FLen = 0;
    }

private:
    TStream* FStream = nullptr;
    uint8_t FBuffer[4096];
    size_t FLen = 0;
    size_t FLine = 0;
};

uint8_t IndexAt(const uint8_t* Row, int32_t X, int32_t Bits)
{
    switch (Bits) {
    case 1: return (Row[X >> 3] >> (7 - (X & 7))) & 1;
    case 4: return (X & 1) ? (Row[X >> 1] & 0x0F) : (Row[X >> 1] >> 4);
    default: return Row[X];
    }
}

uint8_t Brightness(const TPaletteEntry& E)
{
    return static_cast<uint8_t>((E.Red * 30u + E.Green * 59u + E.Blue * 11u) / 100u);
}

} // namespace

std::unique_ptr<TDibGraphic> TPpmGraphic::CreateNew() const { return std::make_unique<TPpmGraphic>(); }

bool TPpmGraphic::CanLoadStream(TStream* Stream)
{
    const int64_t Pos = Stream->GetPosition();
    uint8_t Head[2] = {};
    const int32_t Got = Stream->Read(Head, 2);
    Stream->SetPosition(Pos);
    return Got == 2 && Head[0] == 'P' && Head[1] >= '1' && Head[1] <= '6';
}

void TPpmGraphic::LoadImageFromStream(TStream* Stream, int32_t /*Index*/)
{
    NotifyProgress(this, 0, 0, 255, 100, OnProgress);
    TPpmReader In(Stream);
    if (In.Byte() != 'P')
        Fail();
    const int Kind = In.Byte() - '0';
    if (Kind < 1 || Kind > 6)
        Fail();
    const int C = In.Char();
    if (!IsBlank(C))
        Fail();
    FBinary = Kind >= 4;
    const int32_t Width = In.Integer();
    const int32_t Height = In.Integer();
    int32_t Max = 1;
    if (Kind != 1 && Kind != 4) {
        Max = In.Integer();
        if (Max < 1 || Max > 65535)
            Fail();
    }
    const ImageFormat Format = (Kind == 1 || Kind == 4) ? ifBlackWhite : (Kind == 2 || Kind == 5) ? ifGray256 : ifTrueColor;
    NewImage(Width, Height, Format, nullptr, 0, 0);
    TScopeExit FreeOnFailure([this] { FreeImage(); });
    const int32_t Samples = Kind == 3 || Kind == 6 ? 3 : 1;
    const int32_t SampleBytes = (Kind == 5 || Kind == 6) && Max > 255 ? 2 : 1;
    std::vector<uint8_t> Raw;
    if (Kind == 4)
        Raw.resize(static_cast<size_t>((Width + 7) / 8));
    else if (Kind >= 5)
        Raw.resize(static_cast<size_t>(Width) * Samples * SampleBytes);
    uint8_t LastPercent = 255;
    for (int32_t Y = 0; Y < Height; ++Y) {
        uint8_t* Row = ScanLine(Y);
        switch (Kind) {
        case 1:
            for (int32_t X = 0; X < Width; ++X)
                if ((In.Bit() ^ 1) != 0)
                    Row[X >> 3] |= static_cast<uint8_t>(0x80 >> (X & 7));
            break;
        case 4:
            In.RawBytes(Raw.data(), static_cast<int64_t>(Raw.size()));
            for (size_t I = 0; I < Raw.size(); ++I)
                Row[I] = static_cast<uint8_t>(~Raw[I]);
            if (Width & 7) // the pad bits stay 0
                Row[Raw.size() - 1] &= static_cast<uint8_t>(0xFF00 >> (Width & 7));
            break;
        case 2:
            for (int32_t X = 0; X < Width; ++X)
                Row[X] = Scale(static_cast<uint32_t>(In.Integer()), static_cast<uint32_t>(Max));
            break;
        case 3:
            for (int32_t X = 0; X < Width; ++X)
                for (int S = 2; S >= 0; --S) // R, G, B into B, G, R
                    Row[X * 3 + S] = Scale(static_cast<uint32_t>(In.Integer()), static_cast<uint32_t>(Max));
            break;
        default: { // 5, 6
            In.RawBytes(Raw.data(), static_cast<int64_t>(Raw.size()));
            for (int32_t X = 0; X < Width; ++X)
                for (int32_t S = 0; S < Samples; ++S) {
                    const size_t At = (static_cast<size_t>(X) * Samples + S) * SampleBytes;
                    const uint32_t V = SampleBytes == 2 ? (Raw[At] << 8) | Raw[At + 1] : Raw[At];
                    const uint8_t Level = Scale(V, static_cast<uint32_t>(Max));
                    if (Samples == 1)
                        Row[X] = Level;
                    else
                        Row[X * 3 + (2 - S)] = Level;
                }
            break;
        }
        }
        LastPercent = NotifyProgress(this, Y + 1, 0, LastPercent, Height, OnProgress);
    }
    FreeOnFailure.Dismiss();
    NotifyProgress(this, 100, 0, 255, 100, OnProgress);
}

void TPpmGraphic::SaveToStream(TStream* Stream)
{
    if (GetEmpty())
        throw EDidodazaError("The picture is empty");
    NotifyProgress(this, 0, 0, 255, 100, OnProgress);
    const ImageFormat Format = GetImageFormat();
    const int Kind = Format == ifBlackWhite ? 1 : (Format == ifGray16 || Format == ifGray256) ? 2 : 3;
    const int32_t Width = GetWidth(), Height = GetHeight();
    const int32_t Bits = BitsPerPixel(Format);
    const TDibLogPalette* Palette = LogPalette();
    TPpmWriter Out(Stream);
    Out.Put("P" + std::to_string(Kind + (FBinary ? 3 : 0)) + "\n# Created By Didodaza Image Library\n" +
            std::to_string(Width) + " " + std::to_string(Height) + "\n" + (Kind == 1 ? "" : "255\n"));
    // Per palette index: 1 for black (bitmaps), the grey level (greymaps).
    uint8_t Level[256] = {};
    if (Format != ifTrueColor)
        for (int32_t I = 0; I < Palette->NumEntries && I < 256; ++I)
            Level[I] = Kind == 1 ? (Brightness(Palette->Entries[I]) < 128 ? 1 : 0) : Brightness(Palette->Entries[I]);
    std::vector<uint8_t> Packed(static_cast<size_t>(Kind == 1 ? (Width + 7) / 8 : Kind == 2 ? Width : Width * 3));
    uint8_t LastPercent = 0;
    for (int32_t Y = 0; Y < Height; ++Y) {
        const uint8_t* Row = ScanLine(Y);
        std::fill(Packed.begin(), Packed.end(), 0);
        for (int32_t X = 0; X < Width; ++X) {
            if (Kind == 1) {
                if (Level[IndexAt(Row, X, 1)])
                    Packed[X >> 3] |= static_cast<uint8_t>(0x80 >> (X & 7));
            } else if (Kind == 2) {
                Packed[X] = Level[IndexAt(Row, X, Bits)];
            } else if (Format == ifTrueColor) {
                Packed[X * 3] = Row[X * 3 + 2];
                Packed[X * 3 + 1] = Row[X * 3 + 1];
                Packed[X * 3 + 2] = Row[X * 3];
            } else {
                const TPaletteEntry& E = Palette->Entries[IndexAt(Row, X, Bits)];
                Packed[X * 3] = E.Red;
                Packed[X * 3 + 1] = E.Green;
                Packed[X * 3 + 2] = E.Blue;
            }
        }
        if (FBinary)
            Out.Put(Packed.data(), Packed.size());
        else if (Kind == 1)
            for (int32_t X = 0; X < Width; ++X)
                Out.Sample((Packed[X >> 3] >> (7 - (X & 7))) & 1);
        else
            for (uint8_t V : Packed)
                Out.Sample(V);
        LastPercent = NotifyProgress(this, Y + 1, 0, LastPercent, Height, OnProgress);
    }
    if (!FBinary)
        Out.EndAscii();
    Out.Flush();
    NotifyProgress(this, 100, 0, 255, 100, OnProgress);
}
