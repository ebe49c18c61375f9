// Targa: 18-byte header, optional id and colour map, raw or run-length pixels of 8, 16, 24 or
// 32 bits. Written uncompressed, 8 bits colour-mapped or 16, 24, 32 bits true colour.

#include <cstring>
#include <memory>
#include <new>

#include "imagelib/bmc/BmcFormats.h"
#include "imagelib/bmc/BmcIo.h"

namespace {

constexpr int32_t kHeaderSize = 18;

int32_t Query(BMCFT* Ft)
{
    *Ft = bmc_format_tga.ft;
    return BMC_OK;
}

int32_t ReadHeader(const char*, TStream* Stream, BMC* Bmc, const char*)
{
    const int64_t Base = bmc_io().seek(Stream, 0, 1);
    if (Base < 0)
        return BMC_ERR_READ;
    uint8_t H[kHeaderSize];
    if (bmc_read_exact(Stream, H, kHeaderSize) != BMC_OK)
        return BMC_ERR_READ;
    const int32_t IdLength = H[0];
    const bool HasMap = H[1] != 0;
    const int32_t Type = H[2];
    const int32_t MapFirst = bmc_le16(H + 3);
    const int32_t MapLength = bmc_le16(H + 5);
    const int32_t MapEntryBits = H[7];
    const int32_t Width = bmc_le16(H + 12);
    const int32_t Height = bmc_le16(H + 14);
    const int32_t Bits = H[16];

    switch (Type) {
    case 1:
    case 9:
        if (Bits != 8)
            return BMC_ERR_TGA_BPP;
        if (MapEntryBits != 24)
            return BMC_ERR_TGA_MAP;
        break;
    case 2:
    case 10:
        if (Bits != 16 && Bits != 24 && Bits != 32)
            return BMC_ERR_TGA_BPP;
        break;
    case 3:
    case 11:
        if (Bits != 8)
            return BMC_ERR_TGA_BPP;
        break;
    default:
        return BMC_ERR_TGA_COMPRESSION;
    }
    const int32_t Bpp = Bits == 8 ? 8 : 24;
    if (Width < 1 || Height < 1 || bmc_check_size(Width, Height, Bpp) != BMC_OK)
        return BMC_ERR_BAD_SIZE;

    // 15-bit entries take two bytes.
    const int32_t EntryBytes = (MapEntryBits + 7) / 8;
    const int64_t MapBytes = HasMap ? static_cast<int64_t>(MapLength) * EntryBytes : 0;
    BMCPRIV& P = Bmc->priv;
    P.pal_pos = Base + kHeaderSize + IdLength;
    P.pal_first = MapFirst;
    P.pal_count = HasMap ? MapLength : 0;
    P.pal_entry_bytes = EntryBytes;
    P.data_pos = P.pal_pos + MapBytes;
    P.coding = Type;
    P.file_bits = Bits;
    P.top_down = (H[17] & 0x20) != 0;
    Bmc->width = Width;
    Bmc->height = Height;
    Bmc->bpp = Bpp;
    return BMC_OK;
}

int32_t ReadPalette(TStream* Stream, const BMC* Bmc, BMCRGB* Palette)
{
    const BMCPRIV& P = Bmc->priv;
    if (P.coding == 3 || P.coding == 11) {
        for (int I = 0; I < 256; ++I)
            Palette[I] = BMCRGB{static_cast<uint8_t>(I), static_cast<uint8_t>(I), static_cast<uint8_t>(I)};
        return BMC_OK;
    }
    if (P.coding != 1 && P.coding != 9)
        return BMC_OK;
    if (bmc_seek_to(Stream, P.pal_pos) != BMC_OK)
        return BMC_ERR_READ;
    BufferedReader In(Stream);
    if (!In.Ok())
        return BMC_ERR_MEM;
    for (int32_t I = 0; I < P.pal_count; ++I) {
        uint8_t E[3];
        if (In.Read(E, 3) != 3)
            return BMC_ERR_READ;
        // Entries past index 255 cannot be addressed by 8-bit pixels; their bytes are passed over.
        const int32_t Index = P.pal_first + I;
        if (Index < 256)
            Palette[Index] = BMCRGB{E[2], E[1], E[0]};
    }
    return BMC_OK;
}

// One file pixel into the picture's B, G, R (or index) bytes.
inline void PutPixel(uint8_t* Dst, const uint8_t* Src, int32_t Bits)
{
    switch (Bits) {
    case 8:
        Dst[0] = Src[0];
        break;
    case 16: {
        const uint32_t V = bmc_le16(Src);
        Dst[0] = static_cast<uint8_t>((V & 0x1F) << 3);
        Dst[1] = static_cast<uint8_t>(((V >> 5) & 0x1F) << 3);
        Dst[2] = static_cast<uint8_t>(((V >> 10) & 0x1F) << 3);
        break;
    }
    default: // 24 and 32: the fourth byte is dropped
        Dst[0] = Src[0];
        Dst[1] = Src[1];
        Dst[2] = Src[2];
        break;
    }
}

int32_t ReadData(TStream* Stream, const BMC* Bmc, BMC_PROGRESS ProgressProc, void* ProgressData, uint8_t* Data)
{
    const BMCPRIV& P = Bmc->priv;
    int32_t Last = bmc_progress(ProgressProc, ProgressData, 0, 0, 100, 255);
    if (bmc_seek_to(Stream, P.data_pos) != BMC_OK)
        return BMC_ERR_READ;
    BufferedReader In(Stream);
    const int32_t W = Bmc->width;
    const int32_t H = Bmc->height;
    const int32_t FileBytes = P.file_bits / 8;   // per pixel in the file
    const int32_t PixelBytes = Bmc->bpp / 8;     // per pixel in the picture
    const int32_t RowBytes = bmc_row_bytes(Bmc);
    const int64_t FileRow = static_cast<int64_t>(W) * FileBytes;
    std::unique_ptr<uint8_t[]> Line(new (std::nothrow) uint8_t[FileRow]);
    if (!In.Ok() || !Line)
        return BMC_ERR_MEM;
    const bool Rle = P.coding >= 9;

    // RLE packets run on across rows: what is left of one, and its pixel when it repeats.
    int32_t Left = 0;
    bool Repeat = false;
    uint8_t Pixel[4] = {};

    for (int32_t Y = 0; Y < H; ++Y) {
        uint8_t* Row = Data + static_cast<int64_t>(P.top_down ? H - 1 - Y : Y) * RowBytes;
        std::memset(Row + static_cast<int64_t>(W) * PixelBytes, 0, static_cast<size_t>(RowBytes - W * PixelBytes));
        if (!Rle) {
            if (In.Read(Line.get(), static_cast<int32_t>(FileRow)) != FileRow)
                return BMC_ERR_READ;
            if (FileBytes == PixelBytes) {
                std::memcpy(Row, Line.get(), static_cast<size_t>(FileRow));
            } else {
                for (int32_t X = 0; X < W; ++X)
                    PutPixel(Row + X * PixelBytes, Line.get() + X * FileBytes, P.file_bits);
            }
        } else {
            int32_t X = 0;
            while (X < W) {
                if (Left == 0) {
                    const int C = In.GetByte();
                    if (C < 0)
                        return BMC_ERR_READ;
                    Left = (C & 0x7F) + 1;
                    Repeat = (C & 0x80) != 0;
                    if (Repeat && In.Read(Pixel, FileBytes) != FileBytes)
                        return BMC_ERR_READ;
                }
                // Only as much of the packet as this row holds; the rest goes on in the next.
                const int32_t N = Left < W - X ? Left : W - X;
                if (Repeat) {
                    for (int32_t I = 0; I < N; ++I)
                        PutPixel(Row + (X + I) * PixelBytes, Pixel, P.file_bits);
                } else {
                    if (In.Read(Line.get(), N * FileBytes) != N * FileBytes)
                        return BMC_ERR_READ;
                    for (int32_t I = 0; I < N; ++I)
                        PutPixel(Row + (X + I) * PixelBytes, Line.get() + I * FileBytes, P.file_bits);
                }
                X += N;
                Left -= N;
            }
        }
        Last = bmc_progress(ProgressProc, ProgressData, Y + 1, 0, H, Last);
    }
    // A packet running past the last pixel stops there.
    bmc_progress(ProgressProc, ProgressData, 100, 0, 100, Last);
    return BMC_OK;
}

int32_t Write(const char*, TStream* Stream, const BMC* Bmc, const BMCRGB* Palette, const uint8_t* Data,
              const char* Options, BMC_PROGRESS ProgressProc, void* ProgressData)
{
    const bool O16 = bmc_find_word(Options, "16");
    const bool O24 = bmc_find_word(Options, "24");
    const bool O32 = bmc_find_word(Options, "32");
    const bool Up = bmc_find_word(Options, "yup");
    const bool Down = bmc_find_word(Options, "ydown");
    const int Depths = O16 + O24 + O32;
    if (Depths > 1 || (Depths > 0 && Bmc->bpp == 8) || (Up && Down))
        return BMC_ERR_BAD_OPTIONS;
    if (Bmc->bpp != 8 && Bmc->bpp != 24)
        return BMC_ERR_NOT_SUPPORTED;
    const int32_t W = Bmc->width;
    const int32_t H = Bmc->height;
    if (W > 0xFFFF || H > 0xFFFF)
        return BMC_ERR_BAD_SIZE;
    const int32_t Bits = Bmc->bpp == 8 ? 8 : O16 ? 16 : O32 ? 32 : 24;
    int32_t Last = bmc_progress(ProgressProc, ProgressData, 0, 0, 100, 255);

    uint8_t Hd[kHeaderSize] = {};
    if (Bmc->bpp == 8) {
        Hd[1] = 1;
        Hd[2] = 1;
        bmc_put16(Hd + 5, 256);
        Hd[7] = 24;
    } else {
        Hd[2] = 2;
    }
    bmc_put16(Hd + 12, static_cast<uint32_t>(W));
    bmc_put16(Hd + 14, static_cast<uint32_t>(H));
    Hd[16] = static_cast<uint8_t>(Bits);
    Hd[17] = Down ? 0x20 : 0;

    BufferedWriter Out(Stream);
    if (!Out.Ok())
        return BMC_ERR_MEM;
    Out.Write(Hd, kHeaderSize);
    if (Bmc->bpp == 8)
        for (int I = 0; I < 256; ++I) {
            Out.PutByte(Palette[I].blue);
            Out.PutByte(Palette[I].green);
            Out.PutByte(Palette[I].red);
        }

    const int32_t RowBytes = bmc_row_bytes(Bmc);
    for (int32_t Y = 0; Y < H; ++Y) {
        const uint8_t* Row = Data + static_cast<int64_t>(Down ? H - 1 - Y : Y) * RowBytes;
        if (Bits == 8 || Bits == 24) {
            Out.Write(Row, W * Bits / 8);
        } else if (Bits == 16) {
            for (int32_t X = 0; X < W; ++X) {
                const uint8_t* Px = Row + 3 * X;
                const uint32_t V = (Px[0] >> 3) | ((Px[1] >> 3) << 5) | ((Px[2] >> 3) << 10);
                Out.PutByte(static_cast<uint8_t>(V));
                Out.PutByte(static_cast<uint8_t>(V >> 8));
            }
        } else {
            // Opaque, so readers that honour the fourth byte show the picture.
            for (int32_t X = 0; X < W; ++X) {
                Out.Write(Row + 3 * X, 3);
                Out.PutByte(255);
            }
        }
        Last = bmc_progress(ProgressProc, ProgressData, Y + 1, 0, H, Last);
    }
    if (!Out.Flush())
        return BMC_ERR_WRITE;
    bmc_progress(ProgressProc, ProgressData, 100, 0, 100, Last);
    return BMC_OK;
}

const char* ErrorText(int32_t Code)
{
    switch (Code) {
    case BMC_ERR_TGA_BPP: return "bits per pixel not 8, 16, 24 or 32";
    case BMC_ERR_TGA_COMPRESSION: return "unsupported compression type for bits per pixel";
    case BMC_ERR_TGA_MAP: return "color map entry size not 24 bits per pixel";
    default: return nullptr;
    }
}

} // namespace

const BMCFORMAT bmc_format_tga = {
    {"Targa", "Truevision Targa/Vista bitmap", "TGA VST AFI", 0xCC},
    Query, ReadHeader, ReadPalette, ReadData, Write, ErrorText,
};
