// BMP: OS/2 and Windows headers, bitmap arrays, RLE8 and RLE4, palette options, the writer.

#include <algorithm>

#include "tests/imagelib/bmc/BmcTestUtil.h"

using namespace bmctest;

namespace {

struct BmpSpec {
    int InfoSize = 40;
    int32_t W = 0, H = 0;
    int Planes = 1, Bits = 8;
    uint32_t Compression = 0;
    uint32_t ColorsUsed = 0;
    std::vector<Rgb> Palette; // written as stored
    std::vector<uint8_t> Bits0; // the data
    int64_t Base = 0;            // where offsets count from (a bitmap array's start)
};

// The "BM" header, the info header and the palette; the data follows at once.
Bytes BmpFile(const BmpSpec& S)
{
    const int EntryBytes = S.InfoSize == 12 ? 3 : 4;
    const uint32_t Offset = static_cast<uint32_t>(S.Base + 14 + S.InfoSize + EntryBytes * S.Palette.size());
    Bytes B;
    B.u8('B').u8('M').u32(static_cast<uint32_t>(Offset + S.Bits0.size())).u16(0).u16(0).u32(Offset);
    B.u32(static_cast<uint32_t>(S.InfoSize));
    if (S.InfoSize == 12) {
        B.u16(static_cast<uint32_t>(S.W)).u16(static_cast<uint32_t>(S.H)).u16(S.Planes).u16(S.Bits);
    } else {
        Bytes I;
        I.u32(static_cast<uint32_t>(S.W)).u32(static_cast<uint32_t>(S.H)).u16(S.Planes).u16(S.Bits);
        I.u32(S.Compression).u32(static_cast<uint32_t>(S.Bits0.size())).u32(3780).u32(3780).u32(S.ColorsUsed).u32(0);
        I.fill(128, 0);
        B.v.insert(B.v.end(), I.v.begin(), I.v.begin() + (S.InfoSize - 4));
    }
    for (const Rgb& C : S.Palette) {
        B.u8(C.b).u8(C.g).u8(C.r);
        if (EntryBytes == 4)
            B.u8(0);
    }
    B.append(S.Bits0);
    return B;
}

std::vector<Rgb> Ramp(int N)
{
    std::vector<Rgb> P;
    for (int I = 0; I < N; ++I)
        P.push_back(Rgb{uint8_t(I * 10 + 1), uint8_t(200 - I), uint8_t(I * 3)});
    return P;
}

// 3 x 2, 8 bits: rows bottom-up, padded to 4 bytes.
BmpSpec Small8(int InfoSize)
{
    BmpSpec S;
    S.InfoSize = InfoSize;
    S.W = 3;
    S.H = 2;
    S.Palette = Ramp(256);
    S.Bits0 = {1, 2, 3, 0, 4, 5, 6, 0};
    return S;
}

} // namespace

TEST(Bmp, WindowsHeaderLoads)
{
    const Picture P = ReadOk(BmpFile(Small8(40)).v, BMC_FT_BITMAP);
    ASSERT_EQ(P.bpp, 8);
    EXPECT_EQ(P.Index(0, 1), 1); // the first row in the file is the bottom
    EXPECT_EQ(P.Index(2, 0), 6);
    EXPECT_EQ(P.Color(2, 0), (Rgb{61, 194, 18}));
}

TEST(Bmp, Os2HeaderLoads)
{
    const Picture P = ReadOk(BmpFile(Small8(12)).v, BMC_FT_BITMAP);
    ASSERT_EQ(P.bpp, 8);
    ASSERT_EQ(P.width, 3);
    EXPECT_EQ(P.Index(0, 1), 1);
    EXPECT_EQ(P.Color(2, 0), (Rgb{61, 194, 18})); // 3-byte entries
    EXPECT_EQ(P.Color(0, 1), (Rgb{11, 199, 3}));
}

TEST(Bmp, BitmapArrayLoadsItsFirstBitmap)
{
    // Array header, first "BM" (OS/2 1.x, 4 bits), its palette, a second array entry, then the
    // first bitmap's bits at an offset counted from the array's start.
    BmpSpec First;
    First.InfoSize = 12;
    First.W = 4;
    First.H = 2;
    First.Bits = 4;
    First.Palette = Ramp(16);
    const std::vector<uint8_t> FirstBits = {0x12, 0x34, 0, 0, 0x56, 0x78, 0, 0};
    Bytes Second = BmpFile(Small8(12));
    Bytes Head = BmpFile(First); // no bits yet
    const uint32_t BitsAt = static_cast<uint32_t>(14 + Head.v.size() + 14 + Second.v.size());
    Head.v[10] = uint8_t(BitsAt);
    Head.v[11] = uint8_t(BitsAt >> 8);
    Bytes A;
    A.u8('B').u8('A').u32(14).u32(static_cast<uint32_t>(14 + Head.v.size())).u16(640).u16(480);
    A.append(Head.v);
    A.u8('B').u8('A').u32(14).u32(0).u16(640).u16(480);
    A.append(Second.v);
    ASSERT_EQ(A.v.size(), BitsAt);
    A.append(FirstBits);

    const Picture P = ReadOk(A.v, BMC_FT_BITMAP, "inv");
    ASSERT_EQ(P.bpp, 4);
    ASSERT_EQ(P.width, 4);
    ASSERT_EQ(P.height, 2);
    EXPECT_EQ(P.Index(0, 1), 1);
    EXPECT_EQ(P.Index(3, 1), 4);
    EXPECT_EQ(P.Index(0, 0), 5);
    EXPECT_EQ(P.Index(3, 0), 8);
    EXPECT_EQ(P.Color(3, 0), (Rgb{81, 192, 24}));

    // An array whose entry is not a "BM" bitmap.
    Bytes Bad = A;
    Bad.v[14] = 'C';
    Bad.v[15] = 'I';
    Picture Q;
    EXPECT_EQ(ReadBytes(Bad.v, BMC_FT_BITMAP, Q), BMC_ERR_BAD_MAGIC);
}

TEST(Bmp, Rle8)
{
    // 6 x 3. Row 0: repeat 3 x 9, literal 3 bytes (padded), end of line. Row 1: delta (2, 0),
    // repeat 2 x 4, end of line. Row 2: literal 6, end of bitmap.
    BmpSpec S;
    S.W = 6;
    S.H = 3;
    S.Compression = 1;
    S.Palette = Ramp(256);
    S.Bits0 = {3, 9, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 0, 2, 4, 0, 0, 0, 6, 10, 11, 12, 13, 14, 15, 0, 1};
    const Picture P = ReadOk(BmpFile(S).v, BMC_FT_BITMAP);
    const int Want[3][6] = {{10, 11, 12, 13, 14, 15}, {0, 0, 4, 4, 0, 0}, {9, 9, 9, 1, 2, 3}};
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 6; ++X)
            EXPECT_EQ(P.Index(X, Y), Want[Y][X]) << X << "," << Y;
}

TEST(Bmp, Rle4)
{
    // 5 x 2. Row 0: repeat 5 of 0x12 (1 2 1 2 1), end of line. Row 1: literal 5 nibbles
    // (3 bytes, padded to 4), end of bitmap.
    BmpSpec S;
    S.W = 5;
    S.H = 2;
    S.Bits = 4;
    S.Compression = 2;
    S.Palette = Ramp(16);
    S.Bits0 = {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1};
    const Picture P = ReadOk(BmpFile(S).v, BMC_FT_BITMAP);
    const int Want[2][5] = {{3, 4, 5, 6, 7}, {1, 2, 1, 2, 1}};
    for (int Y = 0; Y < 2; ++Y)
        for (int X = 0; X < 5; ++X)
            EXPECT_EQ(P.Index(X, Y), Want[Y][X]) << X << "," << Y;
}

TEST(Bmp, Rle8EndOfBitmapLeavesTheRestZero)
{
    BmpSpec S;
    S.W = 4;
    S.H = 10;
    S.Compression = 1;
    S.Palette = Ramp(256);
    S.Bits0 = {4, 7, 0, 0, 4, 8, 0, 0, 4, 9, 0, 1};
    const Picture P = ReadOk(BmpFile(S).v, BMC_FT_BITMAP); // the buffer starts as 0xA5
    for (int Row = 0; Row < 10; ++Row) // counted from the bottom, as the file does
        for (int X = 0; X < 4; ++X)
            EXPECT_EQ(P.Index(X, 9 - Row), Row < 3 ? 7 + Row : 0) << "row " << Row;
}

TEST(Bmp, ColoursUsedAboveTheDepthIsCut)
{
    BmpSpec S;
    S.W = 8;
    S.H = 1;
    S.Bits = 1;
    S.ColorsUsed = 300;
    S.Palette = {Rgb{10, 20, 30}, Rgb{40, 50, 60}};
    S.Bits0 = {0xF0, 0, 0, 0};
    const Picture P = ReadOk(BmpFile(S).v, BMC_FT_BITMAP, "inv");
    EXPECT_EQ(P.Color(0, 0), (Rgb{40, 50, 60}));
    EXPECT_EQ(P.Color(7, 0), (Rgb{10, 20, 30}));
    EXPECT_EQ(P.palette[2].red, 0);

    // Fewer colours than the depth allows: only those are read.
    BmpSpec F;
    F.W = 2;
    F.H = 1;
    F.Bits = 4;
    F.ColorsUsed = 3;
    F.Palette = Ramp(3);
    F.Bits0 = {0x21, 0, 0, 0};
    const Picture Q = ReadOk(BmpFile(F).v, BMC_FT_BITMAP);
    EXPECT_EQ(Q.Color(0, 0), (Rgb{21, 198, 6}));
    EXPECT_EQ(Q.Color(1, 0), (Rgb{11, 199, 3}));
    EXPECT_EQ(Q.palette[3].green, 0);
}

TEST(Bmp, OneBitPaletteOptions)
{
    BmpSpec S;
    S.W = 8;
    S.H = 1;
    S.Bits = 1;
    S.Palette = {Rgb{200, 0, 0}, Rgb{0, 0, 200}};
    S.Bits0 = {0x0F, 0, 0, 0};
    const std::vector<uint8_t> F = BmpFile(S).v;
    const Picture Kept = ReadOk(F, BMC_FT_BITMAP, "inv");
    EXPECT_EQ(Kept.palette[0].red, 200);
    EXPECT_EQ(Kept.palette[1].blue, 200);
    for (const char* O : {"", "invb", "win"}) {
        const Picture Swapped = ReadOk(F, BMC_FT_BITMAP, O);
        EXPECT_EQ(Swapped.palette[0].blue, 200) << O;
        EXPECT_EQ(Swapped.palette[1].red, 200) << O;
    }
    // "invb" inverts the bits.
    const Picture Inverted = ReadOk(F, BMC_FT_BITMAP, "inv invb");
    EXPECT_EQ(Inverted.Row(0)[0], 0xF0);
    EXPECT_EQ(Inverted.Color(0, 0), (Rgb{0, 0, 200}));
    // Palettes of more than two entries are never exchanged.
    const Picture P8 = ReadOk(BmpFile(Small8(40)).v, BMC_FT_BITMAP);
    EXPECT_EQ(P8.palette[0].red, 1);
    EXPECT_EQ(P8.palette[1].red, 11);
}

TEST(Bmp, HeaderSizes)
{
    for (int Size : {16, 20, 24, 36, 40, 42, 44, 46, 48, 64}) {
        BmpSpec S = Small8(Size);
        const Picture P = ReadOk(BmpFile(S).v, BMC_FT_BITMAP);
        EXPECT_EQ(P.Index(2, 0), 6) << Size;
        EXPECT_EQ(P.Color(2, 0), (Rgb{61, 194, 18})) << Size;
    }
    Picture P;
    for (int Size : {0, 8, 13, 41, 43, 52 + 16, 108, 124}) {
        const Bytes B = BmpFile(Small8(Size < 16 ? 16 : Size));
        Bytes C = B;
        C.v[14] = uint8_t(Size);
        C.v[15] = 0;
        EXPECT_EQ(ReadBytes(C.v, BMC_FT_BITMAP, P), BMC_ERR_BMP_CBFIX) << Size;
    }
}

TEST(Bmp, HeaderChecks)
{
    Picture P;
    auto Code = [&](BmpSpec S) { return ReadBytes(BmpFile(S).v, BMC_FT_BITMAP, P); };
    BmpSpec S = Small8(40);
    S.Planes = 2;
    EXPECT_EQ(Code(S), BMC_ERR_BMP_PLANES);
    S = Small8(12);
    S.Planes = 0;
    EXPECT_EQ(Code(S), BMC_ERR_BMP_PLANES);
    for (int Bits : {0, 2, 16, 32}) {
        S = Small8(40);
        S.Bits = Bits;
        EXPECT_EQ(Code(S), BMC_ERR_BMP_BITS) << Bits;
    }
    for (uint32_t C : {3u, 4u, 5u, 0xFFFFFFFFu}) {
        S = Small8(40);
        S.Compression = C;
        EXPECT_EQ(Code(S), BMC_ERR_BMP_COMPRESSION) << C;
    }
    // Run coding of the wrong width would not fit the rows.
    S = Small8(40);
    S.Compression = 2;
    EXPECT_EQ(Code(S), BMC_ERR_BMP_COMPRESSION);
    S.Bits = 4;
    S.Compression = 1;
    EXPECT_EQ(Code(S), BMC_ERR_BMP_COMPRESSION);
    S.Bits = 24;
    S.Compression = 1;
    EXPECT_EQ(Code(S), BMC_ERR_BMP_COMPRESSION);
    for (auto [W, H] : {std::pair{0, 2}, {3, 0}, {-3, 2}, {3, INT32_MIN}, {INT32_MIN, 1}}) {
        S = Small8(40);
        S.W = W;
        S.H = H;
        EXPECT_EQ(Code(S), BMC_ERR_BAD_SIZE) << W << "x" << H;
    }
    S = Small8(12);
    S.W = 0;
    EXPECT_EQ(Code(S), BMC_ERR_BAD_SIZE);
    Bytes B = BmpFile(Small8(40));
    B.v[1] = 'X';
    EXPECT_EQ(ReadBytes(B.v, BMC_FT_BITMAP, P), BMC_ERR_BAD_MAGIC);
}

// A negative height: the rows come from the top. Made from our own bottom-up file by reversing
// its rows and negating its height.
TEST(Bmp, TopDownLoadsLikeBottomUp)
{
    for (int32_t Bpp : {8, 24})
        for (int32_t H : {5, 6}) {
            SCOPED_TRACE(std::to_string(Bpp) + " bits, height " + std::to_string(H));
            const Picture Pic = PatternPicture(7, H, Bpp, Bpp);
            const std::vector<uint8_t> Up = WriteOk(Pic, BMC_FT_BITMAP);
            std::vector<uint8_t> Down = Up;
            const size_t Offset = Up[10] | Up[11] << 8 | Up[12] << 16 | static_cast<size_t>(Up[13]) << 24;
            const size_t Row = static_cast<size_t>(Pic.RowBytes());
            ASSERT_EQ(Up.size(), Offset + Row * H);
            for (size_t Y = 0; Y < size_t(H); ++Y)
                std::copy_n(Up.begin() + static_cast<ptrdiff_t>(Offset + Row * Y), Row,
                            Down.begin() + static_cast<ptrdiff_t>(Offset + Row * (H - 1 - Y)));
            const uint32_t Negative = static_cast<uint32_t>(-H);
            for (int K = 0; K < 4; ++K)
                Down[22 + K] = static_cast<uint8_t>(Negative >> (8 * K));
            ASSERT_NE(Down, Up);

            const Picture FromUp = ReadOk(Up, BMC_FT_BITMAP);
            const Picture FromDown = ReadOk(Down, BMC_FT_BITMAP);
            ASSERT_EQ(FromDown.height, H);
            ExpectSamePixels(Pic, FromUp);
            ExpectSamePixels(FromUp, FromDown);
            ExpectSameColors(FromUp, FromDown);
            // Cut anywhere in its rows, it fails like any other short file.
            Picture Short;
            const std::vector<uint8_t> Cut(Down.begin(), Down.end() - static_cast<ptrdiff_t>(Row + 1));
            EXPECT_EQ(ReadBytes(Cut, BMC_FT_BITMAP, Short), BMC_ERR_READ);
        }
}

TEST(Bmp, TopDownCannotBeRunCoded)
{
    Picture P;
    BmpSpec S;
    S.W = 6;
    S.H = -3;
    S.Compression = 1;
    S.Palette = Ramp(256);
    S.Bits0 = {6, 9, 0, 0, 6, 8, 0, 0, 6, 7, 0, 1};
    EXPECT_EQ(ReadBytes(BmpFile(S).v, BMC_FT_BITMAP, P), BMC_ERR_BAD_SIZE);
    S.H = 3;
    EXPECT_EQ(ReadBytes(BmpFile(S).v, BMC_FT_BITMAP, P), BMC_OK); // the same file bottom-up
    S.H = -3;
    S.Bits = 4;
    S.Compression = 2;
    S.Palette = Ramp(16);
    EXPECT_EQ(ReadBytes(BmpFile(S).v, BMC_FT_BITMAP, P), BMC_ERR_BAD_SIZE);
    S = Small8(40);
    S.H = INT32_MIN;
    EXPECT_EQ(ReadBytes(BmpFile(S).v, BMC_FT_BITMAP, P), BMC_ERR_BAD_SIZE);
}

TEST(Bmp, TwentyFourBitsReadNoPalette)
{
    BmpSpec S;
    S.W = 2;
    S.H = 1;
    S.Bits = 24;
    S.ColorsUsed = 2;
    S.Palette = {Rgb{1, 1, 1}, Rgb{2, 2, 2}}; // stored, and passed over by the bits offset
    S.Bits0 = {1, 2, 3, 4, 5, 6, 0, 0};
    const std::vector<uint8_t> F = BmpFile(S).v;
    const Picture P = ReadOk(F, BMC_FT_BITMAP);
    EXPECT_EQ(P.Color(0, 0), (Rgb{3, 2, 1}));
    EXPECT_EQ(P.Color(1, 0), (Rgb{6, 5, 4}));
    auto St = StreamOf(F);
    BMC B;
    ASSERT_EQ(bmc_read_header("", St.get(), BMC_FT_BITMAP, &B, ""), BMC_OK);
    std::vector<BMCRGB> Pal(256, BMCRGB{9, 9, 9});
    EXPECT_EQ(bmc_read_palette(St.get(), BMC_FT_BITMAP, &B, Pal.data()), BMC_OK);
    EXPECT_EQ(Pal[0].red, 0);
    EXPECT_EQ(Pal[1].red, 0);
}

TEST(Bmp, ReadsAtTheStreamsPosition)
{
    const Picture Pic = PatternPicture(9, 5, 24);
    Bytes B;
    B.fill(33, 0xEE).append(WriteOk(Pic, BMC_FT_BITMAP));
    Picture P;
    ASSERT_EQ(ReadBytes(B.v, BMC_FT_BITMAP, P, "", 33), BMC_OK);
    ExpectSamePixels(Pic, P);
}

// ---------------------------------------------------------------------------------------------
// Writer

TEST(BmpWriter, WindowsHeaderIsByteExact)
{
    const Picture P = PatternPicture(5, 3, 8);
    const std::vector<uint8_t> F = WriteOk(P, BMC_FT_BITMAP);
    Bytes Want;
    Want.u8('B').u8('M').u32(14 + 40 + 1024 + 24).u16(0).u16(0).u32(14 + 40 + 1024);
    Want.u32(40).u32(5).u32(3).u16(1).u16(8).u32(0).u32(24).u32(0).u32(0).u32(0).u32(0);
    for (int I = 0; I < 256; ++I)
        Want.u8(P.palette[I].blue).u8(P.palette[I].green).u8(P.palette[I].red).u8(0);
    Want.append(P.data);
    EXPECT_EQ(F, Want.v);
    for (const char* O : {"win", "2.0", "win 2.0"})
        EXPECT_EQ(WriteOk(P, BMC_FT_BITMAP, O), Want.v) << O;

    const Picture T = PatternPicture(5, 3, 24);
    const std::vector<uint8_t> G = WriteOk(T, BMC_FT_BITMAP);
    ASSERT_EQ(G.size(), 14u + 40 + 48);
    EXPECT_EQ(G[10], 54); // no palette
    EXPECT_EQ(G[28], 24);
}

TEST(BmpWriter, Os2HeaderIsByteExact)
{
    const Picture P = PatternPicture(5, 3, 4);
    const std::vector<uint8_t> F = WriteOk(P, BMC_FT_BITMAP, "1.1");
    Bytes Want;
    Want.u8('B').u8('M').u32(14 + 12 + 48 + 12).u16(0).u16(0).u32(14 + 12 + 48);
    Want.u32(12).u16(5).u16(3).u16(1).u16(4);
    for (int I = 0; I < 16; ++I)
        Want.u8(P.palette[I].blue).u8(P.palette[I].green).u8(P.palette[I].red);
    Want.append(P.data);
    EXPECT_EQ(F, Want.v);
    ExpectSameColors(P, ReadOk(F, BMC_FT_BITMAP));
}

TEST(BmpWriter, OptionConflicts)
{
    const Picture P = PatternPicture(4, 4, 8);
    int32_t Rc = 0;
    for (const char* O : {"1.1 win", "win,1.1", "1.1 2.0", "1.1\twin 2.0"}) {
        WriteBytes(P, BMC_FT_BITMAP, O, &Rc);
        EXPECT_EQ(Rc, BMC_ERR_BAD_OPTIONS) << O;
    }
    Picture Wide = NewPicture(70000, 1, 1);
    WriteBytes(Wide, BMC_FT_BITMAP, "1.1", &Rc);
    EXPECT_EQ(Rc, BMC_ERR_BAD_SIZE);
}

TEST(BmpWriter, RoundTrips)
{
    for (int32_t Bpp : {1, 4, 8, 24})
        for (const char* O : {"", "1.1"}) {
            const Picture P = PatternPicture(13, 7, Bpp);
            // A 1-bit file's palette is written black, white and read exchanged unless "inv".
            const Picture Q = ReadOk(WriteOk(P, BMC_FT_BITMAP, O), BMC_FT_BITMAP, "inv");
            ExpectSamePixels(P, Q);
            ExpectSameColors(P, Q);
        }
}

TEST(BmpWriter, OneBitPaletteAndInversion)
{
    Picture P = PatternPicture(16, 2, 1);
    auto Palette = [](const std::vector<uint8_t>& F) {
        return std::pair{Rgb{F[56], F[55], F[54]}, Rgb{F[60], F[59], F[58]}};
    };
    auto FirstByte = [](const std::vector<uint8_t>& F) { return F[62]; };
    const Rgb Black{0, 0, 0}, White{255, 255, 255};
    const uint8_t Bits = P.data[0];

    auto F = WriteOk(P, BMC_FT_BITMAP);
    EXPECT_EQ(Palette(F), std::pair(Black, White));
    EXPECT_EQ(FirstByte(F), Bits);
    F = WriteOk(P, BMC_FT_BITMAP, "inv");
    EXPECT_EQ(Palette(F), std::pair(White, Black));
    EXPECT_EQ(FirstByte(F), Bits);
    F = WriteOk(P, BMC_FT_BITMAP, "invb");
    EXPECT_EQ(FirstByte(F), uint8_t(~Bits));
    EXPECT_EQ(F.size(), 62u + 8);

    // P is black on white: "darkfg" toggles, "lightfg" does not.
    EXPECT_EQ(FirstByte(WriteOk(P, BMC_FT_BITMAP, "darkfg")), uint8_t(~Bits));
    EXPECT_EQ(FirstByte(WriteOk(P, BMC_FT_BITMAP, "lightfg")), Bits);
    EXPECT_EQ(FirstByte(WriteOk(P, BMC_FT_BITMAP, "darkfg invb")), Bits);

    // White on black: "lightfg" inverts the bits, so the black, white palette shows the same.
    P.palette[0] = BMCRGB{255, 255, 255};
    P.palette[1] = BMCRGB{0, 0, 0};
    F = WriteOk(P, BMC_FT_BITMAP, "lightfg");
    EXPECT_EQ(FirstByte(F), uint8_t(~Bits));
    EXPECT_EQ(FirstByte(WriteOk(P, BMC_FT_BITMAP, "darkfg")), Bits);
    ExpectSameColors(P, ReadOk(F, BMC_FT_BITMAP, "inv"));
}

TEST(BmpWriter, ReportsProgress)
{
    const Picture P = PatternPicture(10, 10, 24);
    TMemoryStream S;
    const BMC W = P.Bmc();
    ProgressLog Log;
    ASSERT_EQ(bmc_write("", &S, BMC_FT_BITMAP, &W, nullptr, P.data.data(), "", ProgressLog::Proc, &Log), BMC_OK);
    EXPECT_EQ(Log.calls, (std::vector<int32_t>{0, 100}));
    S.SetPosition(0);
    BMC B;
    ASSERT_EQ(bmc_read_header("", &S, BMC_FT_BITMAP, &B, ""), BMC_OK);
    std::vector<uint8_t> Data(static_cast<size_t>(bmc_data_size(&B)));
    ProgressLog ReadLog;
    ASSERT_EQ(bmc_read_data(&S, BMC_FT_BITMAP, &B, ProgressLog::Proc, &ReadLog, Data.data()), BMC_OK);
    EXPECT_EQ(ReadLog.calls, (std::vector<int32_t>{0, 100}));
}

// ---------------------------------------------------------------------------------------------
// Pillow

TEST(BmpPillow, ReadsOurFiles)
{
    BMC_NEEDS_PILLOW();
    TScratchDir Dir;
    for (int32_t Bpp : {1, 4, 8, 24})
        for (const char* O : {"", "1.1"}) {
            SCOPED_TRACE(std::to_string(Bpp) + " " + O);
            const Picture P = PatternPicture(37, 23, Bpp, Bpp);
            const std::vector<uint8_t> F = WriteOk(P, BMC_FT_BITMAP, O);
            if (std::string(O) == "1.1") {
                ASSERT_EQ(F[14], 12);
                ASSERT_EQ(F[10] | (F[11] << 8), 14 + 12 + 3 * (Bpp == 24 ? 0 : 1 << Bpp));
            }
            ExpectPillowSees(ReadWithPillow(Dir, F, "bmp"), P);
        }
}

TEST(BmpPillow, LoadsPillowsFiles)
{
    BMC_NEEDS_PILLOW();
    TScratchDir Dir;
    for (const char* Mode : {"1", "L", "P", "RGB"}) {
        SCOPED_TRACE(Mode);
        const std::vector<uint8_t> F = PillowFixture(Dir, "BMP", Mode);
        ASSERT_FALSE(F.empty());
        ExpectPillowSees(ReadWithPillow(Dir, F, "bmp"), ReadOk(F, BMC_FT_BITMAP, "inv"));
    }
}

TEST(BmpPillow, AgreesOnHandMadeFiles)
{
    BMC_NEEDS_PILLOW();
    TScratchDir Dir;
    // OS/2 1.x, RLE8 and RLE4 files. Pillow 9.4 loses everything after a delta escape and
    // misreads odd-length RLE4 literals, so these agree with it without them (the tests above
    // check those against hand-worked pixels).
    BmpSpec Rle8;
    Rle8.W = 6;
    Rle8.H = 3;
    Rle8.Compression = 1;
    Rle8.Palette = Ramp(256);
    Rle8.Bits0 = {3, 9, 0, 3, 1, 2, 3, 0, 0, 0, 6, 4, 0, 0, 0, 6, 10, 11, 12, 13, 14, 15, 0, 1};
    BmpSpec Rle4;
    Rle4.W = 5;
    Rle4.H = 2;
    Rle4.Bits = 4;
    Rle4.Compression = 2;
    Rle4.Palette = Ramp(16);
    Rle4.Bits0 = {4, 0x12, 1, 0x30, 0, 0, 0, 6, 0x34, 0x56, 0x78, 0, 0, 1};
    for (const BmpSpec& S : {Small8(12), Rle8, Rle4}) {
        const std::vector<uint8_t> F = BmpFile(S).v;
        ExpectPillowSees(ReadWithPillow(Dir, F, "bmp"), ReadOk(F, BMC_FT_BITMAP));
    }
}
