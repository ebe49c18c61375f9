// PCX (ZSoft PC Paintbrush): 128-byte header, run-length coded lines of one to four planes,
// 256-colour palettes in a trailer.

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "imagelib/bmc/BmcFormats.h"
#include "imagelib/bmc/BmcIo.h"

namespace {

constexpr int32_t kHeaderSize = 128;
constexpr int32_t kHeaderRead = 70;
constexpr int32_t kTrailerSize = 769; // 12 and 256 x R, G, B
constexpr uint32_t kOptTrunc = 1;

int32_t Query(BMCFT* Ft)
{
    *Ft = bmc_format_pcx.ft;
    return BMC_OK;
}

int32_t ReadHeader(const char*, TStream* Stream, BMC* Bmc, const char* Options)
{
    const BMCIO& Io = bmc_io();
    const int64_t Base = Io.seek(Stream, 0, 1);
    if (Base < 0)
        return BMC_ERR_READ;
    uint8_t H[kHeaderRead];
    if (bmc_read_exact(Stream, H, kHeaderRead) != BMC_OK)
        return BMC_ERR_READ;
    if (H[0] != 10)
        return BMC_ERR_BAD_MAGIC;
    // Versions 0, 2, 3, 4 (no palette) and 5 exist; 1 never did.
    if (H[1] != 0 && (H[1] < 2 || H[1] > 5))
        return BMC_ERR_PCX_VERSION;
    if (H[2] != 1)
        return BMC_ERR_PCX_ENCODING;

    const int32_t Bits = H[3];
    const int32_t Planes = H[65];
    int32_t Bpp;
    if (Planes == 1 && Bits == 1)
        Bpp = 1;
    else if ((Planes == 1 && Bits == 4) || (Planes == 4 && Bits == 1))
        Bpp = 4;
    else if (Planes == 1 && Bits == 8)
        Bpp = 8;
    else if (Planes == 3 && Bits == 8)
        Bpp = 24;
    else
        return BMC_ERR_PCX_PLANES;

    const int64_t Width = static_cast<int64_t>(bmc_le16(H + 8)) - bmc_le16(H + 4) + 1;
    const int64_t Height = static_cast<int64_t>(bmc_le16(H + 10)) - bmc_le16(H + 6) + 1;
    if (Width < 1 || Height < 1 || bmc_check_size(Width, Height, Bpp) != BMC_OK)
        return BMC_ERR_BAD_SIZE;
    // Each plane line must hold the row; longer lines are cut when copied.
    const int32_t LineBytes = bmc_le16(H + 66);
    if (LineBytes < (Width * Bits + 7) / 8)
        return BMC_ERR_BAD_SIZE;

    BMCPRIV& P = Bmc->priv;
    P.data_pos = Base + kHeaderSize;
    if (Bpp == 8) {
        const int64_t End = Io.seek(Stream, 0, 2);
        if (End < 0)
            return BMC_ERR_READ;
        if (End - Base < kHeaderSize + kTrailerSize)
            return BMC_ERR_PCX_TRAILER;
        uint8_t Mark = 0;
        if (bmc_seek_to(Stream, End - kTrailerSize) != BMC_OK || bmc_read_exact(Stream, &Mark, 1) != BMC_OK)
            return BMC_ERR_READ;
        if (Mark != 12)
            return BMC_ERR_PCX_TRAILER;
        P.pal_pos = End - kTrailerSize + 1;
        P.data_end = End - kTrailerSize; // the lines never run into the trailer
    }
    std::memcpy(P.header_palette, H + 16, sizeof(P.header_palette));
    P.file_bits = Bits;
    P.planes = Planes;
    P.line_bytes = LineBytes;
    P.options = bmc_find_word(Options, "trunc") ? kOptTrunc : 0;
    Bmc->width = static_cast<int32_t>(Width);
    Bmc->height = static_cast<int32_t>(Height);
    Bmc->bpp = Bpp;
    return BMC_OK;
}

int32_t ReadPalette(TStream* Stream, const BMC* Bmc, BMCRGB* Palette)
{
    const BMCPRIV& P = Bmc->priv;
    switch (Bmc->bpp) {
    case 1:
        Palette[0] = BMCRGB{0, 0, 0};
        Palette[1] = BMCRGB{255, 255, 255};
        return BMC_OK;
    case 4:
        for (int I = 0; I < 16; ++I)
            Palette[I] = BMCRGB{P.header_palette[3 * I], P.header_palette[3 * I + 1], P.header_palette[3 * I + 2]};
        return BMC_OK;
    case 8: {
        uint8_t Map[768];
        if (bmc_seek_to(Stream, P.pal_pos) != BMC_OK || bmc_read_exact(Stream, Map, sizeof(Map)) != BMC_OK)
            return BMC_ERR_READ;
        for (int I = 0; I < 256; ++I)
            Palette[I] = BMCRGB{Map[3 * I], Map[3 * I + 1], Map[3 * I + 2]};
        return BMC_OK;
    }
    default:
        return BMC_OK;
    }
}

int32_t ReadData(TStream* Stream, const BMC* Bmc, BMC_PROGRESS ProgressProc, void* ProgressData, uint8_t* Data)
{
    const BMCPRIV& P = Bmc->priv;
    int32_t Last = bmc_progress(ProgressProc, ProgressData, 0, 0, 100, 255);
    if (bmc_seek_to(Stream, P.data_pos) != BMC_OK)
        return BMC_ERR_READ;
    BufferedReader In(Stream, P.data_end >= 0 ? P.data_end - P.data_pos : -1);
    const int32_t LineLen = P.planes * P.line_bytes;
    std::unique_ptr<uint8_t[]> Line(new (std::nothrow) uint8_t[LineLen]);
    if (!In.Ok() || !Line)
        return BMC_ERR_MEM;

    const int32_t W = Bmc->width;
    const int32_t H = Bmc->height;
    const int32_t RowBytes = bmc_row_bytes(Bmc);
    const int32_t PlaneBytes = (W * P.file_bits + 7) / 8; // what a row uses of each plane line
    const bool Trunc = (P.options & kOptTrunc) != 0;
    int32_t Count = 0; // a run carried over from the line before
    uint8_t Value = 0;

    for (int32_t Y = 0; Y < H; ++Y) {
        uint8_t* L = Line.get();
        int32_t I = 0;
        while (I < LineLen) {
            if (Count > 0) {
                const int32_t N = std::min(Count, LineLen - I);
                std::memset(L + I, Value, static_cast<size_t>(N));
                I += N;
                Count -= N;
                continue;
            }
            const int C = In.GetByte();
            if (C < 0)
                return BMC_ERR_READ;
            if ((C & 0xC0) == 0xC0) {
                const int V = In.GetByte();
                if (V < 0)
                    return BMC_ERR_READ;
                Count = C & 0x3F;
                Value = static_cast<uint8_t>(V);
            } else {
                L[I++] = static_cast<uint8_t>(C);
            }
        }
        if (Trunc)
            Count = 0;

        // The file's first line is the top row.
        uint8_t* Row = Data + static_cast<int64_t>(H - 1 - Y) * RowBytes;
        std::memset(Row, 0, static_cast<size_t>(RowBytes));
        if (P.planes == 1) {
            std::memcpy(Row, L, static_cast<size_t>(PlaneBytes));
        } else if (P.planes == 4) {
            // Plane p gives bit p of each 4-bit pixel.
            for (int32_t X = 0; X < W; ++X) {
                const int Shift = 7 - (X & 7);
                int Pixel = 0;
                for (int Plane = 0; Plane < 4; ++Plane)
                    Pixel |= ((L[Plane * P.line_bytes + (X >> 3)] >> Shift) & 1) << Plane;
                Row[X >> 1] |= static_cast<uint8_t>((X & 1) ? Pixel : Pixel << 4);
            }
        } else {
            const uint8_t* R = L;
            const uint8_t* G = L + P.line_bytes;
            const uint8_t* B = L + 2 * P.line_bytes;
            for (int32_t X = 0; X < W; ++X) {
                Row[3 * X] = B[X];
                Row[3 * X + 1] = G[X];
                Row[3 * X + 2] = R[X];
            }
        }
        Last = bmc_progress(ProgressProc, ProgressData, Y + 1, 0, H, Last);
    }
    bmc_progress(ProgressProc, ProgressData, 100, 0, 100, Last);
    return BMC_OK;
}

// Runs of up to 63 equal bytes; a lone byte below 0xC0 stands for itself.
void EncodeLine(BufferedWriter& Out, const uint8_t* L, int32_t N)
{
    int32_t I = 0;
    while (I < N) {
        const uint8_t V = L[I];
        int32_t Run = 1;
        while (I + Run < N && Run < 63 && L[I + Run] == V)
            ++Run;
        if (Run == 1 && V < 0xC0) {
            Out.PutByte(V);
        } else {
            Out.PutByte(static_cast<uint8_t>(0xC0 | Run));
            Out.PutByte(V);
        }
        I += Run;
    }
}

int32_t Write(const char*, TStream* Stream, const BMC* Bmc, const BMCRGB* Palette, const uint8_t* Data,
              const char*, BMC_PROGRESS ProgressProc, void* ProgressData)
{
    const int32_t W = Bmc->width;
    const int32_t H = Bmc->height;
    const int32_t Bits = Bmc->bpp == 24 ? 8 : Bmc->bpp;
    const int32_t Planes = Bmc->bpp == 24 ? 3 : 1;
    // The header holds 16-bit corners and line lengths.
    if (W > 65536 || H > 65536)
        return BMC_ERR_BAD_SIZE;
    const int32_t Used = (W * Bits + 7) / 8;
    const int32_t LineBytes = (Used + 1) & ~1;
    if (LineBytes > 0xFFFF)
        return BMC_ERR_BAD_SIZE;
    int32_t Last = bmc_progress(ProgressProc, ProgressData, 0, 0, 100, 255);
    const int32_t RowBytes = bmc_row_bytes(Bmc);

    uint8_t Hd[kHeaderSize] = {};
    Hd[0] = 10;
    Hd[1] = 5;
    Hd[2] = 1;
    Hd[3] = static_cast<uint8_t>(Bits);
    bmc_put16(Hd + 8, static_cast<uint32_t>(W - 1));
    bmc_put16(Hd + 10, static_cast<uint32_t>(H - 1));
    if (Bmc->bpp == 4)
        for (int I = 0; I < 16; ++I) {
            Hd[16 + 3 * I] = Palette[I].red;
            Hd[17 + 3 * I] = Palette[I].green;
            Hd[18 + 3 * I] = Palette[I].blue;
        }
    Hd[65] = static_cast<uint8_t>(Planes);
    bmc_put16(Hd + 66, static_cast<uint32_t>(LineBytes));
    Hd[68] = 1;

    BufferedWriter Out(Stream);
    std::unique_ptr<uint8_t[]> Line(new (std::nothrow) uint8_t[LineBytes]);
    if (!Out.Ok() || !Line)
        return BMC_ERR_MEM;
    Out.Write(Hd, kHeaderSize);

    // Readers take a 1-bit PCX as black on white; a picture whose second colour is the darker
    // one is written inverted so it still looks the same.
    const bool Invert = Bmc->bpp == 1 && bmc_brightness(Palette[1]) < bmc_brightness(Palette[0]);
    uint8_t* L = Line.get();
    for (int32_t Y = 0; Y < H; ++Y) {
        const uint8_t* Row = Data + static_cast<int64_t>(H - 1 - Y) * RowBytes;
        for (int32_t Plane = 0; Plane < Planes; ++Plane) {
            std::memset(L, 0, static_cast<size_t>(LineBytes));
            if (Planes == 1) {
                std::memcpy(L, Row, static_cast<size_t>(Used));
                if (Invert)
                    for (int32_t I = 0; I < Used; ++I)
                        L[I] = static_cast<uint8_t>(~L[I]);
            } else {
                const int32_t Offset = 2 - Plane; // red first, from B, G, R pixels
                for (int32_t X = 0; X < W; ++X)
                    L[X] = Row[3 * X + Offset];
            }
            EncodeLine(Out, L, LineBytes);
        }
        Last = bmc_progress(ProgressProc, ProgressData, Y + 1, 0, H, Last);
    }
    if (Bmc->bpp == 8) {
        Out.PutByte(12);
        for (int I = 0; I < 256; ++I) {
            Out.PutByte(Palette[I].red);
            Out.PutByte(Palette[I].green);
            Out.PutByte(Palette[I].blue);
        }
    }
    if (!Out.Flush())
        return BMC_ERR_WRITE;
    bmc_progress(ProgressProc, ProgressData, 100, 0, 100, Last);
    return BMC_OK;
}

const char* ErrorText(int32_t Code)
{
    switch (Code) {
    case BMC_ERR_PCX_VERSION: return "version number not 4 or 5";
    case BMC_ERR_PCX_ENCODING: return "encoding mode not 1";
    case BMC_ERR_PCX_PLANES: return "unsupported bpp/plane / plane combination";
    case BMC_ERR_PCX_TRAILER: return "corrupt file trailer";
    default: return nullptr;
    }
}

} // namespace

const BMCFORMAT bmc_format_pcx = {
    {"PCX", "ZSoft PC Paintbrush Image format", "PCX PCC", 0xFF},
    Query, ReadHeader, ReadPalette, ReadData, Write, ErrorText,
};
