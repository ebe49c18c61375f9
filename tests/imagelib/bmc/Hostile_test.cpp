// Hostile and broken files: every length, count and run is held to the picture. Under the
// native build's AddressSanitizer any write outside the buffers fails the run; the guard bytes
// below catch the same under Wine.

#include <random>

#include "tests/imagelib/bmc/BmcTestUtil.h"

using namespace bmctest;

namespace {

constexpr size_t Guard = 64;
constexpr uint8_t GuardByte = 0x5C;

struct Outcome {
    int32_t rc = -1;
    Picture pic;
};

// Reads a file into a buffer followed by guard bytes, and fails the test when they change.
// Pictures whose data would exceed Limit bytes are only read up to their header.
Outcome ReadGuarded(const std::vector<uint8_t>& Bytes, int32_t Type, const char* Options = "",
                    int64_t Limit = 64 << 20)
{
    Outcome O;
    auto S = StreamOf(Bytes);
    BMC B;
    O.rc = bmc_read_header("", S.get(), Type, &B, Options);
    if (O.rc != BMC_OK)
        return O;
    const int64_t Size = bmc_data_size(&B);
    EXPECT_GT(Size, 0);
    if (Size > Limit)
        return O;
    std::vector<BMCRGB> Pal(256 + Guard / 3, BMCRGB{GuardByte, GuardByte, GuardByte});
    O.rc = bmc_read_palette(S.get(), Type, &B, Pal.data());
    for (size_t I = 256; I < Pal.size(); ++I)
        EXPECT_EQ(Pal[I].red, GuardByte) << "palette overrun";
    std::vector<uint8_t> Data(static_cast<size_t>(Size) + Guard, GuardByte);
    const int32_t Rc = bmc_read_data(S.get(), Type, &B, nullptr, nullptr, Data.data());
    for (size_t I = static_cast<size_t>(Size); I < Data.size(); ++I)
        EXPECT_EQ(Data[I], GuardByte) << "data overrun at " << I;
    if (O.rc == BMC_OK)
        O.rc = Rc;
    O.pic.width = B.width;
    O.pic.height = B.height;
    O.pic.bpp = B.bpp;
    O.pic.palette.assign(Pal.begin(), Pal.begin() + 256);
    O.pic.data.assign(Data.begin(), Data.begin() + Size);
    return O;
}

// Every proper prefix of a file fails, at the header or in the data, and writes nothing outside.
void ExpectEveryPrefixFails(const std::vector<uint8_t>& File, int32_t Type, const char* Options = "")
{
    ASSERT_EQ(ReadGuarded(File, Type, Options).rc, BMC_OK);
    for (size_t N = 0; N < File.size(); ++N) {
        const std::vector<uint8_t> Cut(File.begin(), File.begin() + static_cast<std::ptrdiff_t>(N));
        EXPECT_NE(ReadGuarded(Cut, Type, Options).rc, BMC_OK) << "cut at " << N << " of " << File.size();
    }
}

// Random bytes changed in good files: no outcome may write outside the picture.
void Mutate(const std::vector<uint8_t>& File, int32_t Type, uint32_t Seed, int Rounds, const char* Options = "")
{
    std::mt19937 Rng(Seed);
    int Loaded = 0;
    for (int R = 0; R < Rounds; ++R) {
        std::vector<uint8_t> M = File;
        const int Changes = 1 + static_cast<int>(Rng() % 6);
        for (int C = 0; C < Changes; ++C) {
            // Headers matter most: half the changes fall in the first 70 bytes.
            const size_t At = (Rng() & 1) ? Rng() % std::min<size_t>(70, M.size()) : Rng() % M.size();
            M[At] = static_cast<uint8_t>(Rng());
        }
        if (Rng() % 4 == 0)
            M.resize(Rng() % M.size());
        if (ReadGuarded(M, Type, Options, 4 << 20).rc == BMC_OK)
            ++Loaded;
        if (::testing::Test::HasFailure())
            FAIL() << "round " << R;
    }
    // Most single changes still give a picture; the decoders ran, not only the header checks.
    EXPECT_GT(Loaded, 0);
}

Bytes PcxHeader(int Bits, int Planes, int W, int H, int LineBytes)
{
    Bytes B;
    B.u8(10).u8(5).u8(1).u8(Bits).u16(0).u16(0).u16(static_cast<uint32_t>(W - 1)).u16(static_cast<uint32_t>(H - 1));
    B.fill(4 + 48 + 1, 0).u8(Planes).u16(static_cast<uint32_t>(LineBytes)).u16(1).fill(58, 0);
    return B;
}

Bytes TgaHeader(int Type, int Bits, int W, int H, int Descriptor = 0, int MapType = 0, int MapFirst = 0,
                int MapLength = 0, int MapBits = 0)
{
    Bytes B;
    B.u8(0).u8(MapType).u8(Type).u16(static_cast<uint32_t>(MapFirst)).u16(static_cast<uint32_t>(MapLength)).u8(MapBits);
    B.u16(0).u16(0).u16(static_cast<uint32_t>(W)).u16(static_cast<uint32_t>(H)).u8(Bits).u8(Descriptor);
    return B;
}

// A 40-byte-header BMP with a 256-entry (or 16-entry) grey palette around the given bits.
Bytes BmpRle(int W, int H, int Bits, const std::vector<uint8_t>& Data)
{
    const int Entries = 1 << Bits;
    const uint32_t Offset = 14 + 40 + 4 * Entries;
    Bytes B;
    B.u8('B').u8('M').u32(Offset + static_cast<uint32_t>(Data.size())).u32(0).u32(Offset);
    B.u32(40).u32(static_cast<uint32_t>(W)).u32(static_cast<uint32_t>(H)).u16(1).u16(Bits);
    B.u32(Bits == 8 ? 1 : 2).u32(static_cast<uint32_t>(Data.size())).u32(0).u32(0).u32(0).u32(0);
    for (int I = 0; I < Entries; ++I)
        B.u8(I).u8(I).u8(I).u8(0);
    B.append(Data);
    return B;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// PCX

TEST(HostilePcx, LineBytesBelowTheRowGive6)
{
    for (auto [Bits, Planes, W, Bpl] : {std::tuple{8, 1, 10, 9}, {8, 3, 10, 8}, {1, 1, 17, 2}, {1, 4, 9, 1}, {8, 1, 1, 0}}) {
        Bytes B = PcxHeader(Bits, Planes, W, 2, Bpl);
        B.fill(4000, 0);
        EXPECT_EQ(ReadGuarded(B.v, BMC_FT_PCX).rc, BMC_ERR_BAD_SIZE) << Bits << "x" << Planes;
    }
}

TEST(HostilePcx, LineBytesAboveTheRow)
{
    // 65535 bytes a line for a 3-pixel row: the file holds only what the picture needs.
    Bytes Short = PcxHeader(8, 3, 3, 2, 65535);
    Short.fill(3 * 3 * 2, 7);
    EXPECT_EQ(ReadGuarded(Short.v, BMC_FT_PCX).rc, BMC_ERR_READ);

    // With whole (run-coded) lines the rest of each line is dropped.
    Bytes Long = PcxHeader(8, 3, 3, 2, 600);
    for (int Y = 0; Y < 2; ++Y)
        for (int Plane = 0; Plane < 3; ++Plane) {
            Long.raw({Plane + 1 + 10 * Y, 0xC1, 0xC9});
            for (int I = 0; I < 9; ++I)
                Long.raw({0xFF, 0xEE}); // 2 + 9 x 63 = 569 ...
            Long.raw({0xDF, 0xEE});     // ... + 31 = 600 bytes
        }
    const Outcome O = ReadGuarded(Long.v, BMC_FT_PCX);
    ASSERT_EQ(O.rc, BMC_OK);
    EXPECT_EQ(O.pic.Color(0, 0), (Rgb{1, 2, 3}));
    EXPECT_EQ(O.pic.Color(1, 0), (Rgb{0xC9, 0xC9, 0xC9}));
    EXPECT_EQ(O.pic.Color(2, 0), (Rgb{0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(O.pic.Color(0, 1), (Rgb{11, 12, 13}));
}

TEST(HostilePcx, RunsOverflowingTheLastLineStopAtThePicture)
{
    // 5 x 2, 8 bits: the last line's run asks for 63 bytes.
    Bytes B = PcxHeader(8, 1, 5, 2, 6);
    B.raw({0xC6, 1, 0xFF, 2});
    B.u8(12).fill(768, 0x40);
    const Outcome O = ReadGuarded(B.v, BMC_FT_PCX);
    ASSERT_EQ(O.rc, BMC_OK);
    for (int X = 0; X < 5; ++X) {
        EXPECT_EQ(O.pic.Index(X, 0), 1);
        EXPECT_EQ(O.pic.Index(X, 1), 2);
    }
    // 24 bits, runs of 63 for a one-pixel picture.
    Bytes C = PcxHeader(8, 3, 1, 1, 2);
    C.raw({0xFF, 9, 0xFF, 9, 0xFF, 9});
    EXPECT_EQ(ReadGuarded(C.v, BMC_FT_PCX).rc, BMC_OK);
}

TEST(HostilePcx, HugeSizesGive6)
{
    for (auto [Bits, Planes] : {std::pair{8, 3}, {8, 1}}) {
        Bytes B = PcxHeader(Bits, Planes, 65535, 65535, 65535);
        B.fill(1000, 0);
        EXPECT_EQ(ReadGuarded(B.v, BMC_FT_PCX).rc, BMC_ERR_BAD_SIZE);
    }
}

TEST(HostilePcx, TruncatedFilesFail)
{
    for (int32_t Bpp : {1, 4, 8, 24})
        ExpectEveryPrefixFails(WriteOk(PatternPicture(13, 9, Bpp), BMC_FT_PCX), BMC_FT_PCX);
}

TEST(HostilePcx, MutatedFiles)
{
    for (int32_t Bpp : {1, 4, 8, 24}) {
        Mutate(WriteOk(PatternPicture(29, 17, Bpp), BMC_FT_PCX), BMC_FT_PCX, 100 + Bpp, 1500);
        Mutate(WriteOk(PatternPicture(29, 17, Bpp), BMC_FT_PCX), BMC_FT_PCX, 200 + Bpp, 300, "trunc");
    }
}

// ---------------------------------------------------------------------------------------------
// Targa

TEST(HostileTarga, MapEntriesPast255AreSkipped)
{
    // First index 250, 20 entries: 6 are kept, the bytes of all 20 are passed over.
    Bytes B = TgaHeader(1, 8, 2, 1, 0, 1, 250, 20, 24);
    for (int I = 0; I < 20; ++I)
        B.u8(I).u8(100 + I).u8(200 - I);
    B.raw({250, 255});
    const Outcome O = ReadGuarded(B.v, BMC_FT_TARGA);
    ASSERT_EQ(O.rc, BMC_OK);
    EXPECT_EQ(O.pic.Color(0, 0), (Rgb{200, 100, 0}));
    EXPECT_EQ(O.pic.Color(1, 0), (Rgb{195, 105, 5}));
    EXPECT_EQ(O.pic.palette[249].red, 0);

    // The largest map possible.
    Bytes C = TgaHeader(9, 8, 1, 1, 0, 1, 65535, 65535, 24);
    C.fill(65535 * 3, 0x33);
    C.raw({0x80, 7});
    const Outcome P = ReadGuarded(C.v, BMC_FT_TARGA);
    ASSERT_EQ(P.rc, BMC_OK);
    EXPECT_EQ(P.pic.Index(0, 0), 7);
    EXPECT_EQ(P.pic.palette[255].red, 0);

    // A map shorter than its header says.
    Bytes D = TgaHeader(1, 8, 1, 1, 0, 1, 0, 256, 24);
    D.fill(100, 0);
    EXPECT_EQ(ReadGuarded(D.v, BMC_FT_TARGA).rc, BMC_ERR_READ);
}

TEST(HostileTarga, RlePacketsPastThePictureStopThere)
{
    // 2 x 2, 24 bits: a repeat of 128 pixels, then a raw packet of 128.
    Bytes B = TgaHeader(10, 24, 2, 2);
    B.raw({0xFF, 1, 2, 3});
    const Outcome O = ReadGuarded(B.v, BMC_FT_TARGA);
    ASSERT_EQ(O.rc, BMC_OK);
    EXPECT_EQ(O.pic.Color(1, 1), (Rgb{3, 2, 1}));
    Bytes R = TgaHeader(10, 8 + 24, 1, 3);
    R.u8(0x7F);
    R.fill(128 * 4, 9);
    EXPECT_EQ(ReadGuarded(R.v, BMC_FT_TARGA).rc, BMC_OK);
    Bytes G = TgaHeader(11, 8, 3, 1);
    G.raw({0x01, 4, 5, 0x85, 6});
    const Outcome Q = ReadGuarded(G.v, BMC_FT_TARGA);
    ASSERT_EQ(Q.rc, BMC_OK);
    EXPECT_EQ(Q.pic.Index(2, 0), 6);
}

TEST(HostileTarga, RlePacketsPastTheDataGive7)
{
    Bytes Raw = TgaHeader(10, 24, 4, 4);
    Raw.raw({0x7F, 1, 2, 3, 4, 5, 6}); // 128 raw pixels promised, 2 given
    EXPECT_EQ(ReadGuarded(Raw.v, BMC_FT_TARGA).rc, BMC_ERR_READ);
    Bytes Rep = TgaHeader(10, 24, 4, 4);
    Rep.raw({0x83, 1, 2}); // the repeated pixel is cut
    EXPECT_EQ(ReadGuarded(Rep.v, BMC_FT_TARGA).rc, BMC_ERR_READ);
    Bytes Few = TgaHeader(10, 24, 4, 4);
    Few.raw({0x83, 1, 2, 3}); // 4 of 16 pixels
    EXPECT_EQ(ReadGuarded(Few.v, BMC_FT_TARGA).rc, BMC_ERR_READ);
}

TEST(HostileTarga, HugeSizesGive6)
{
    Bytes B = TgaHeader(2, 32, 65535, 65535);
    B.fill(100, 0);
    EXPECT_EQ(ReadGuarded(B.v, BMC_FT_TARGA).rc, BMC_ERR_BAD_SIZE);
}

TEST(HostileTarga, TruncatedFilesFail)
{
    ExpectEveryPrefixFails(WriteOk(PatternPicture(11, 7, 8), BMC_FT_TARGA), BMC_FT_TARGA);
    for (const char* O : {"16", "24", "32"})
        ExpectEveryPrefixFails(WriteOk(PatternPicture(11, 7, 24), BMC_FT_TARGA, O), BMC_FT_TARGA);
    Bytes Rle = TgaHeader(10, 24, 4, 3);
    Rle.raw({0x85, 1, 2, 3, 0x05, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6});
    ExpectEveryPrefixFails(Rle.v, BMC_FT_TARGA);
}

TEST(HostileTarga, MutatedFiles)
{
    Mutate(WriteOk(PatternPicture(23, 19, 8), BMC_FT_TARGA), BMC_FT_TARGA, 1, 1500);
    Mutate(WriteOk(PatternPicture(23, 19, 24), BMC_FT_TARGA, "16"), BMC_FT_TARGA, 2, 1000);
    Mutate(WriteOk(PatternPicture(23, 19, 24), BMC_FT_TARGA, "32 ydown"), BMC_FT_TARGA, 3, 1000);
    // Run-coded: rows of repeats and raw packets.
    Bytes Rle = TgaHeader(10, 24, 20, 10);
    for (int Y = 0; Y < 10; ++Y)
        Rle.raw({0x89, Y, 2, 3, 0x09, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,
                 24, 25, 26, 27, 28, 29, 30});
    Mutate(Rle.v, BMC_FT_TARGA, 4, 1500);
    Bytes Map = TgaHeader(9, 8, 20, 10, 0x20, 1, 10, 40, 24);
    Map.fill(120, 0x44);
    for (int Y = 0; Y < 20; ++Y)
        Map.raw({0x89, 12, 0x09, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    Mutate(Map.v, BMC_FT_TARGA, 5, 1500);
}

// ---------------------------------------------------------------------------------------------
// BMP

TEST(HostileBmp, Rle8RunsPastTheRowAreCut)
{
    // 4 x 2: a repeat of 200, a literal of 7, then row 2 by a literal of 5.
    const Outcome O = ReadGuarded(BmpRle(4, 2, 8, {200, 9, 0, 0, 0, 7, 1, 2, 3, 4, 5, 6, 7, 0, 0, 1}).v, BMC_FT_BITMAP);
    ASSERT_EQ(O.rc, BMC_OK);
    for (int X = 0; X < 4; ++X) {
        EXPECT_EQ(O.pic.Index(X, 1), 9);
        EXPECT_EQ(O.pic.Index(X, 0), X + 1);
    }
}

TEST(HostileBmp, Rle8DeltasAndRunsPastThePictureAreDropped)
{
    for (const std::vector<uint8_t>& Data : {
             std::vector<uint8_t>{0, 2, 255, 255, 3, 9, 0, 1},          // delta far past the end
             std::vector<uint8_t>{0, 2, 3, 0, 200, 9, 0, 1},            // delta to the row end, a run
             std::vector<uint8_t>{0, 2, 0, 5, 0, 4, 1, 2, 3, 4, 0, 1},  // delta below the picture
             std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 5, 7, 0, 0, 0, 1},  // end of line past the last
             std::vector<uint8_t>{4, 1, 0, 0, 4, 2, 0, 0, 255, 3, 0, 0, 255, 4},
         }) {
        const Outcome O = ReadGuarded(BmpRle(4, 2, 8, Data).v, BMC_FT_BITMAP);
        EXPECT_EQ(O.rc, BMC_OK);
    }
    // A delta moves the pen: (1, 1) lands on the top row's second pixel.
    const Outcome P = ReadGuarded(BmpRle(4, 2, 8, {0, 2, 1, 1, 2, 5, 0, 1}).v, BMC_FT_BITMAP);
    ASSERT_EQ(P.rc, BMC_OK);
    EXPECT_EQ(P.pic.Index(0, 0), 0);
    EXPECT_EQ(P.pic.Index(1, 0), 5);
    EXPECT_EQ(P.pic.Index(2, 0), 5);
    EXPECT_EQ(P.pic.Index(3, 0), 0);
    EXPECT_EQ(P.pic.Index(0, 1), 0);
}

TEST(HostileBmp, Rle4RunsPastTheRowAndPicture)
{
    const Outcome O = ReadGuarded(BmpRle(3, 2, 4, {255, 0x12, 0, 0, 0, 9, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0, 0, 2, 200, 200, 7, 0x11}).v,
                                  BMC_FT_BITMAP);
    ASSERT_EQ(O.rc, BMC_OK);
    EXPECT_EQ(O.pic.Index(0, 1), 1);
    EXPECT_EQ(O.pic.Index(1, 1), 2);
    EXPECT_EQ(O.pic.Index(2, 1), 1);
    EXPECT_EQ(O.pic.Index(0, 0), 3);
    EXPECT_EQ(O.pic.Index(2, 0), 5);
    // The row's last byte keeps its padding nibble zero.
    EXPECT_EQ(O.pic.Row(0)[1] & 0x0F, 0);
}

TEST(HostileBmp, NegativeAndHugeSizesGive6)
{
    EXPECT_EQ(ReadGuarded(BmpRle(-4, 2, 8, {0, 1}).v, BMC_FT_BITMAP).rc, BMC_ERR_BAD_SIZE);
    EXPECT_EQ(ReadGuarded(BmpRle(4, -2, 8, {0, 1}).v, BMC_FT_BITMAP).rc, BMC_ERR_BAD_SIZE);
    EXPECT_EQ(ReadGuarded(BmpRle(100000, 100000, 8, {0, 1}).v, BMC_FT_BITMAP).rc, BMC_ERR_BAD_SIZE);
    EXPECT_EQ(ReadGuarded(BmpRle(0x7FFFFFFF, 1, 8, {0, 1}).v, BMC_FT_BITMAP).rc, BMC_ERR_BAD_SIZE);
}

TEST(HostileBmp, BitsOffsetPastTheEndGives7)
{
    std::vector<uint8_t> F = WriteOk(PatternPicture(4, 4, 24), BMC_FT_BITMAP);
    F[10] = 0xFF;
    F[11] = 0xFF;
    F[12] = 0xFF;
    F[13] = 0x7F;
    EXPECT_EQ(ReadGuarded(F, BMC_FT_BITMAP).rc, BMC_ERR_READ);
}

TEST(HostileBmp, TruncatedFilesFail)
{
    for (int32_t Bpp : {1, 4, 8, 24})
        for (const char* O : {"", "1.1"})
            ExpectEveryPrefixFails(WriteOk(PatternPicture(9, 5, Bpp), BMC_FT_BITMAP, O), BMC_FT_BITMAP);
    ExpectEveryPrefixFails(BmpRle(4, 3, 8, {4, 1, 0, 0, 0, 4, 1, 2, 3, 4, 2, 9, 0, 1}).v, BMC_FT_BITMAP);
    ExpectEveryPrefixFails(BmpRle(4, 3, 4, {4, 0x12, 0, 0, 0, 4, 0x12, 0x34, 2, 0x99, 0, 1}).v, BMC_FT_BITMAP);
}

TEST(HostileBmp, MutatedFiles)
{
    for (int32_t Bpp : {1, 4, 8, 24})
        Mutate(WriteOk(PatternPicture(21, 13, Bpp), BMC_FT_BITMAP), BMC_FT_BITMAP, 300 + Bpp, 800);
    Mutate(WriteOk(PatternPicture(21, 13, 8), BMC_FT_BITMAP, "1.1"), BMC_FT_BITMAP, 400, 800);
    std::vector<uint8_t> Rle8, Rle4;
    for (int Y = 0; Y < 12; ++Y) {
        Rle8.insert(Rle8.end(), {5, uint8_t(Y), 0, 5, 1, 2, 3, 4, 5, 0, 0, 2, 3, 0, 4, 9, 0, 0});
        Rle4.insert(Rle4.end(), {5, uint8_t(Y), 0, 5, 0x12, 0x34, 0x50, 0, 0, 2, 3, 0, 4, 0x9A, 0, 0});
    }
    Rle8.insert(Rle8.end(), {0, 1});
    Rle4.insert(Rle4.end(), {0, 1});
    Mutate(BmpRle(17, 12, 8, Rle8).v, BMC_FT_BITMAP, 500, 2000);
    Mutate(BmpRle(17, 12, 4, Rle4).v, BMC_FT_BITMAP, 600, 2000, "invb");
}
