// BMP: Windows 3.0 and OS/2 1.x / 2.0 bitmaps ("BM", and the first of a "BA" array),
// uncompressed, RLE8 and RLE4. Written uncompressed with the OS/2 1.x or the 40-byte header.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "imagelib/bmc/BmcFormats.h"
#include "imagelib/bmc/BmcIo.h"

namespace {

constexpr uint32_t OptInv = 1;
constexpr uint32_t OptInvb = 2;
constexpr int32_t FileHeaderSize = 14;

int32_t Query(BMCFT* Ft)
{
    *Ft = bmc_format_bmp.ft;
    return BMC_OK;
}

bool ValidBits(int32_t Bits)
{
    return Bits == 1 || Bits == 4 || Bits == 8 || Bits == 24;
}

int32_t ReadHeader(const char*, TStream* Stream, BMC* Bmc, const char* Options)
{
    const int64_t Base = bmc_io().seek(Stream, 0, 1);
    if (Base < 0)
        return BMC_ERR_READ;
    uint8_t F[FileHeaderSize];
    if (bmc_read_exact(Stream, F, FileHeaderSize) != BMC_OK)
        return BMC_ERR_READ;
    int64_t Start = Base; // of the "BM" file header
    if (bmc_le16(F) == 0x4142) {
        // A bitmap array: its first bitmap's header follows the array header; offsets in it
        // count from the array's start.
        Start = Base + FileHeaderSize;
        if (bmc_read_exact(Stream, F, FileHeaderSize) != BMC_OK)
            return BMC_ERR_READ;
    }
    if (bmc_le16(F) != 0x4D42)
        return BMC_ERR_BAD_MAGIC;
    const int64_t Bits0 = Base + bmc_le32(F + 10);

    uint8_t I[64] = {};
    if (bmc_read_exact(Stream, I, 4) != BMC_OK)
        return BMC_ERR_READ;
    const uint32_t Size = bmc_le32(I);
    int64_t Width, Height;
    int32_t Planes, Bits, Compression = 0, Entries = 0, EntryBytes;
    if (Size == 12) {
        if (bmc_read_exact(Stream, I + 4, 8) != BMC_OK)
            return BMC_ERR_READ;
        Width = bmc_le16(I + 4);
        Height = bmc_le16(I + 6);
        Planes = bmc_le16(I + 8);
        Bits = bmc_le16(I + 10);
        EntryBytes = 3;
    } else {
        if (!((Size >= 16 && Size <= 64 && Size % 4 == 0) || Size == 42 || Size == 46))
            return BMC_ERR_BMP_CBFIX;
        if (bmc_read_exact(Stream, I + 4, static_cast<int32_t>(Size) - 4) != BMC_OK)
            return BMC_ERR_READ;
        Width = static_cast<int32_t>(bmc_le32(I + 4));
        Height = static_cast<int32_t>(bmc_le32(I + 8));
        Planes = bmc_le16(I + 12);
        Bits = bmc_le16(I + 14);
        if (Size >= 20)
            Compression = static_cast<int32_t>(bmc_le32(I + 16));
        if (Size >= 36)
            Entries = static_cast<int32_t>(std::min<uint32_t>(bmc_le32(I + 32), 256));
        EntryBytes = 4;
    }
    // A negative height is a top-down bitmap. Run-coded bitmaps are always bottom-up, and
    // INT32_MIN has no positive counterpart.
    const bool TopDown = Height < 0;
    if (TopDown) {
        if (Height == INT32_MIN || Compression == 1 || Compression == 2)
            return BMC_ERR_BAD_SIZE;
        Height = -Height;
    }
    if (Width < 1 || Height < 1)
        return BMC_ERR_BAD_SIZE;
    if (Planes != 1)
        return BMC_ERR_BMP_PLANES;
    if (!ValidBits(Bits))
        return BMC_ERR_BMP_BITS;
    // RLE8 codes bytes and RLE4 nibbles: any other depth would not fit its rows.
    if (!(Compression == 0 || (Compression == 1 && Bits == 8) || (Compression == 2 && Bits == 4)))
        return BMC_ERR_BMP_COMPRESSION;
    if (bmc_check_size(Width, Height, Bits) != BMC_OK)
        return BMC_ERR_BAD_SIZE;
    if (Bits == 24)
        Entries = 0;
    else if (Entries == 0 || Entries > (1 << Bits) || Size == 12)
        Entries = 1 << Bits;

    BMCPRIV& P = Bmc->priv;
    P.pal_pos = Start + FileHeaderSize + Size;
    P.pal_count = Entries;
    P.pal_entry_bytes = EntryBytes;
    P.data_pos = Bits0;
    P.coding = Compression;
    P.top_down = TopDown;
    P.file_bits = Bits;
    P.options = (bmc_find_word(Options, "inv") ? OptInv : 0) | (bmc_find_word(Options, "invb") ? OptInvb : 0);
    Bmc->width = static_cast<int32_t>(Width);
    Bmc->height = static_cast<int32_t>(Height);
    Bmc->bpp = Bits;
    return BMC_OK;
}

int32_t ReadPalette(TStream* Stream, const BMC* Bmc, BMCRGB* Palette)
{
    const BMCPRIV& P = Bmc->priv;
    if (P.pal_count == 0)
        return BMC_OK;
    uint8_t Map[256 * 4];
    const int32_t Bytes = P.pal_count * P.pal_entry_bytes;
    if (bmc_seek_to(Stream, P.pal_pos) != BMC_OK || bmc_read_exact(Stream, Map, Bytes) != BMC_OK)
        return BMC_ERR_READ;
    for (int32_t I = 0; I < P.pal_count; ++I) {
        const uint8_t* E = Map + I * P.pal_entry_bytes;
        Palette[I] = BMCRGB{E[2], E[1], E[0]};
    }
    if (Bmc->bpp == 1 && !(P.options & OptInv))
        std::swap(Palette[0], Palette[1]);
    return BMC_OK;
}

// RLE8 and RLE4 into a zeroed picture. Pixels that would fall outside a row or the picture
// are dropped.
int32_t DecodeRle(BufferedReader& In, const BMC* Bmc, uint8_t* Data)
{
    const int32_t W = Bmc->width;
    const int32_t H = Bmc->height;
    const int32_t RowBytes = bmc_row_bytes(Bmc);
    const bool Four = Bmc->bpp == 4;
    int64_t X = 0;
    int64_t Y = 0;

    auto Put = [&](int32_t Value) {
        if (X < W && Y < H) {
            uint8_t* Row = Data + Y * RowBytes;
            if (!Four)
                Row[X] = static_cast<uint8_t>(Value);
            else if (X & 1)
                Row[X >> 1] |= static_cast<uint8_t>(Value & 0x0F);
            else
                Row[X >> 1] |= static_cast<uint8_t>((Value & 0x0F) << 4);
        }
        ++X;
    };

    while (Y < H) {
        const int Count = In.GetByte();
        const int Code = In.GetByte();
        if (Count < 0 || Code < 0)
            return BMC_ERR_READ;
        if (Count > 0) {
            // A run never reaches past its row; the rest of it is dropped.
            const int64_t N = std::min<int64_t>(Count, std::max<int64_t>(W - X, 0));
            for (int64_t K = 0; K < N; ++K)
                Put(Four ? ((K & 1) ? Code : Code >> 4) : Code);
            X += Count - N;
            continue;
        }
        switch (Code) {
        case 0: // end of line
            X = 0;
            ++Y;
            break;
        case 1: // end of bitmap: the rest stays zero
            return BMC_OK;
        case 2: { // delta
            const int Dx = In.GetByte();
            const int Dy = In.GetByte();
            if (Dx < 0 || Dy < 0)
                return BMC_ERR_READ;
            X += Dx;
            Y += Dy;
            break;
        }
        default: { // literal run, padded to an even byte count
            const int32_t Bytes = Four ? (Code + 1) / 2 : Code;
            uint8_t Lit[256];
            if (In.Read(Lit, Bytes) != Bytes)
                return BMC_ERR_READ;
            if (Bytes & 1) {
                if (In.GetByte() < 0)
                    return BMC_ERR_READ;
            }
            for (int32_t K = 0; K < Code; ++K)
                Put(Four ? ((K & 1) ? Lit[K >> 1] : Lit[K >> 1] >> 4) : Lit[K]);
            break;
        }
        }
    }
    return BMC_OK;
}

int32_t ReadData(TStream* Stream, const BMC* Bmc, BMC_PROGRESS ProgressProc, void* ProgressData, uint8_t* Data)
{
    const BMCPRIV& P = Bmc->priv;
    const int32_t Last = bmc_progress(ProgressProc, ProgressData, 0, 0, 100, 255);
    const int64_t Size = bmc_data_size(Bmc);
    if (bmc_seek_to(Stream, P.data_pos) != BMC_OK)
        return BMC_ERR_READ;
    if (P.coding == 0) {
        for (int64_t Done = 0; Done < Size;) {
            const int32_t N = static_cast<int32_t>(std::min<int64_t>(Size - Done, 1 << 20));
            if (bmc_read_exact(Stream, Data + Done, N) != BMC_OK)
                return BMC_ERR_READ;
            Done += N;
        }
        if (P.top_down) {
            // The file's first row is the top one; the picture keeps its rows bottom-up. Read
            // whole and turned over: row by row, a narrow tall picture costs a call per row.
            const int64_t RowBytes = bmc_row_bytes(Bmc);
            for (int64_t Y = 0, Z = Bmc->height - 1; Y < Z; ++Y, --Z)
                std::swap_ranges(Data + Y * RowBytes, Data + (Y + 1) * RowBytes, Data + Z * RowBytes);
        }
    } else {
        std::memset(Data, 0, static_cast<size_t>(Size));
        BufferedReader In(Stream);
        if (!In.Ok())
            return BMC_ERR_MEM;
        const int32_t Rc = DecodeRle(In, Bmc, Data);
        if (Rc != BMC_OK)
            return Rc;
    }
    if (P.options & OptInvb)
        for (int64_t I = 0; I < Size; ++I)
            Data[I] = static_cast<uint8_t>(~Data[I]);
    bmc_progress(ProgressProc, ProgressData, 100, 0, 100, Last);
    return BMC_OK;
}

int32_t Write(const char*, TStream* Stream, const BMC* Bmc, const BMCRGB* Palette, const uint8_t* Data,
              const char* Options, BMC_PROGRESS ProgressProc, void* ProgressData)
{
    const bool Os2 = bmc_find_word(Options, "1.1");
    if (Os2 && (bmc_find_word(Options, "win") || bmc_find_word(Options, "2.0")))
        return BMC_ERR_BAD_OPTIONS;
    const bool Inv = bmc_find_word(Options, "inv");
    bool InvertBits = bmc_find_word(Options, "invb");
    const int32_t W = Bmc->width;
    const int32_t H = Bmc->height;
    const int32_t Bits = Bmc->bpp;
    if (Os2 && (W > 0xFFFF || H > 0xFFFF))
        return BMC_ERR_BAD_SIZE;
    if (Bits == 1) {
        const bool FirstDarker = bmc_brightness(Palette[0]) < bmc_brightness(Palette[1]);
        if (bmc_find_word(Options, "darkfg") && FirstDarker)
            InvertBits = !InvertBits;
        if (bmc_find_word(Options, "lightfg") && !FirstDarker)
            InvertBits = !InvertBits;
    }
    const int32_t Last = bmc_progress(ProgressProc, ProgressData, 0, 0, 100, 255);

    const int32_t InfoSize = Os2 ? 12 : 40;
    const int32_t EntryBytes = Os2 ? 3 : 4;
    const int32_t Entries = Bits == 24 ? 0 : 1 << Bits;
    const int64_t Image = bmc_data_size(Bmc);
    const uint32_t Offset = static_cast<uint32_t>(FileHeaderSize + InfoSize + Entries * EntryBytes);

    uint8_t Hd[FileHeaderSize + 40] = {};
    Hd[0] = 'B';
    Hd[1] = 'M';
    bmc_put32(Hd + 2, static_cast<uint32_t>(Offset + Image));
    bmc_put32(Hd + 10, Offset);
    uint8_t* I = Hd + FileHeaderSize;
    bmc_put32(I, static_cast<uint32_t>(InfoSize));
    if (Os2) {
        bmc_put16(I + 4, static_cast<uint32_t>(W));
        bmc_put16(I + 6, static_cast<uint32_t>(H));
        bmc_put16(I + 8, 1);
        bmc_put16(I + 10, static_cast<uint32_t>(Bits));
    } else {
        bmc_put32(I + 4, static_cast<uint32_t>(W));
        bmc_put32(I + 8, static_cast<uint32_t>(H));
        bmc_put16(I + 12, 1);
        bmc_put16(I + 14, static_cast<uint32_t>(Bits));
        bmc_put32(I + 20, static_cast<uint32_t>(Image));
    }

    BufferedWriter Out(Stream);
    if (!Out.Ok())
        return BMC_ERR_MEM;
    Out.Write(Hd, FileHeaderSize + InfoSize);
    for (int32_t K = 0; K < Entries; ++K) {
        BMCRGB C = Palette[K];
        if (Bits == 1) {
            // White, black; exchanged unless "inv".
            const bool White = (K == 0) == Inv;
            C = White ? BMCRGB{255, 255, 255} : BMCRGB{0, 0, 0};
        }
        Out.PutByte(C.blue);
        Out.PutByte(C.green);
        Out.PutByte(C.red);
        if (!Os2)
            Out.PutByte(0);
    }
    if (!InvertBits) {
        for (int64_t Done = 0; Done < Image;) {
            const int32_t N = static_cast<int32_t>(std::min<int64_t>(Image - Done, 1 << 20));
            Out.Write(Data + Done, N);
            Done += N;
        }
    } else {
        uint8_t Chunk[1024];
        for (int64_t Done = 0; Done < Image;) {
            const int32_t N = static_cast<int32_t>(std::min<int64_t>(Image - Done, sizeof(Chunk)));
            for (int32_t K = 0; K < N; ++K)
                Chunk[K] = static_cast<uint8_t>(~Data[Done + K]);
            Out.Write(Chunk, N);
            Done += N;
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
    case BMC_ERR_BMP_PLANES: return "number of bitmap planes is not 1";
    case BMC_ERR_BMP_BITS: return "bit count not 1, 4, 8 or 24";
    case BMC_ERR_BMP_CBFIX: return "cbFix bad";
    case BMC_ERR_BMP_COMPRESSION: return "compression type not uncompressed, RLE4 or RLE8";
    case BMC_ERR_BMP_INDEX: return "less bitmaps in file than index requested";
    default: return nullptr;
    }
}

} // namespace

const BMCFORMAT bmc_format_bmp = {
    {"Bitmap", "OS/2 1.1, 1.2, 2.0 / Windows 3.0 bitmap", "BMP VGA BGA RLE DIB RL4 RL8", 0xFF},
    Query, ReadHeader, ReadPalette, ReadData, Write, ErrorText,
};
