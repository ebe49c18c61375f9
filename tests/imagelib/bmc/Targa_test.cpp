// Targa: orientation, RLE, depths, colour maps, the writer's options and headers, Pillow.

#include "tests/imagelib/bmc/BmcTestUtil.h"

using namespace bmctest;

namespace {

Bytes TgaHeader(int Type, int Bits, int W, int H, int Descriptor = 0, int MapType = 0, int MapFirst = 0,
                int MapLength = 0, int MapBits = 0, int IdLength = 0)
{
    Bytes B;
    B.u8(IdLength).u8(MapType).u8(Type).u16(MapFirst).u16(MapLength).u8(MapBits);
    B.u16(0).u16(0).u16(W).u16(H).u8(Bits).u8(Descriptor);
    B.fill(IdLength, 'i');
    return B;
}

// Three rows of two pixels, top row first: distinct B, G, R values.
const uint8_t Rows3x2[3][6] = {
    {1, 2, 3, 4, 5, 6},
    {11, 12, 13, 14, 15, 16},
    {21, 22, 23, 24, 25, 26},
};

} // namespace

TEST(Targa, TopLeftAndBottomLeftOriginsLoadEqual)
{
    Bytes Top = TgaHeader(2, 24, 2, 3, 0x20);
    for (int Y = 0; Y < 3; ++Y)
        Top.v.insert(Top.v.end(), Rows3x2[Y], Rows3x2[Y] + 6);
    Bytes Bottom = TgaHeader(2, 24, 2, 3, 0);
    for (int Y = 2; Y >= 0; --Y)
        Bottom.v.insert(Bottom.v.end(), Rows3x2[Y], Rows3x2[Y] + 6);
    const Picture A = ReadOk(Top.v, BMC_FT_TARGA);
    const Picture B = ReadOk(Bottom.v, BMC_FT_TARGA);
    ExpectSamePixels(A, B);
    EXPECT_EQ(A.Color(0, 0), (Rgb{3, 2, 1}));
    EXPECT_EQ(A.Color(1, 2), (Rgb{26, 25, 24}));
    EXPECT_EQ(A.data, B.data);
}

TEST(Targa, RlePacketsRunAcrossRows)
{
    // 3 x 2, bottom-up, 24 bits: a repeat of 4 (crossing into the top row), then 2 raw pixels.
    Bytes B = TgaHeader(10, 24, 3, 2, 0);
    B.raw({0x83, 10, 20, 30});
    B.raw({0x01, 1, 2, 3, 4, 5, 6});
    const Picture P = ReadOk(B.v, BMC_FT_TARGA);
    // Bottom row: three of the run; top row: one of the run, then the raw pixels.
    for (int X = 0; X < 3; ++X)
        EXPECT_EQ(P.Color(X, 1), (Rgb{30, 20, 10}));
    EXPECT_EQ(P.Color(0, 0), (Rgb{30, 20, 10}));
    EXPECT_EQ(P.Color(1, 0), (Rgb{3, 2, 1}));
    EXPECT_EQ(P.Color(2, 0), (Rgb{6, 5, 4}));

    // A raw packet across rows, 8-bit grey.
    Bytes G = TgaHeader(11, 8, 2, 2, 0x20);
    G.raw({0x02, 7, 8, 9, 0x80, 1});
    const Picture Q = ReadOk(G.v, BMC_FT_TARGA);
    EXPECT_EQ(Q.Index(0, 0), 7);
    EXPECT_EQ(Q.Index(1, 0), 8);
    EXPECT_EQ(Q.Index(0, 1), 9);
    EXPECT_EQ(Q.Index(1, 1), 1);
    EXPECT_EQ(Q.Color(0, 1), (Rgb{9, 9, 9}));
}

TEST(Targa, DepthsLoadAsTwentyFourBits)
{
    Bytes B16 = TgaHeader(2, 16, 2, 1);
    B16.u16(0x7FFF).u16(0x7C00 | (0x10 << 5) | 0x01);
    const Picture P16 = ReadOk(B16.v, BMC_FT_TARGA);
    ASSERT_EQ(P16.bpp, 24);
    EXPECT_EQ(P16.Color(0, 0), (Rgb{248, 248, 248}));
    EXPECT_EQ(P16.Color(1, 0), (Rgb{248, 128, 8}));

    Bytes B32 = TgaHeader(2, 32, 2, 1);
    B32.raw({1, 2, 3, 0, 4, 5, 6, 255});
    const Picture P32 = ReadOk(B32.v, BMC_FT_TARGA);
    ASSERT_EQ(P32.bpp, 24);
    EXPECT_EQ(P32.Color(0, 0), (Rgb{3, 2, 1}));
    EXPECT_EQ(P32.Color(1, 0), (Rgb{6, 5, 4}));

    // 16 and 32 bits in RLE packets too.
    Bytes R16 = TgaHeader(10, 16, 3, 1);
    R16.u8(0x82).u16(0x7FFF);
    EXPECT_EQ(ReadOk(R16.v, BMC_FT_TARGA).Color(2, 0), (Rgb{248, 248, 248}));
    Bytes R32 = TgaHeader(10, 32, 3, 1);
    R32.raw({0x02, 1, 2, 3, 9, 4, 5, 6, 9, 7, 8, 9, 9});
    EXPECT_EQ(ReadOk(R32.v, BMC_FT_TARGA).Color(2, 0), (Rgb{9, 8, 7}));
}

TEST(Targa, ColourMapsAndGreyRamp)
{
    // Map from index 2, 3 entries, behind an id field.
    Bytes B = TgaHeader(1, 8, 4, 1, 0, 1, 2, 3, 24, 5);
    B.raw({10, 20, 30, 40, 50, 60, 70, 80, 90});
    B.raw({2, 3, 4, 0});
    const Picture P = ReadOk(B.v, BMC_FT_TARGA);
    ASSERT_EQ(P.bpp, 8);
    EXPECT_EQ(P.Color(0, 0), (Rgb{30, 20, 10}));
    EXPECT_EQ(P.Color(1, 0), (Rgb{60, 50, 40}));
    EXPECT_EQ(P.Color(2, 0), (Rgb{90, 80, 70}));
    EXPECT_EQ(P.Color(3, 0), (Rgb{0, 0, 0})); // entries outside the map are zero
    EXPECT_EQ(P.palette[5].red, 0);

    Bytes G = TgaHeader(3, 8, 256, 1);
    for (int I = 0; I < 256; ++I)
        G.u8(255 - I);
    const Picture Q = ReadOk(G.v, BMC_FT_TARGA);
    for (int X = 0; X < 256; ++X)
        ASSERT_EQ(Q.Color(X, 0), (Rgb{uint8_t(255 - X), uint8_t(255 - X), uint8_t(255 - X)}));

    // A true-colour file may carry a map; its bytes are passed over.
    Bytes T = TgaHeader(2, 24, 1, 1, 0, 1, 0, 2, 16);
    T.raw({0xAA, 0xAA, 0xAA, 0xAA, 1, 2, 3});
    EXPECT_EQ(ReadOk(T.v, BMC_FT_TARGA).Color(0, 0), (Rgb{3, 2, 1}));
}

TEST(Targa, HeaderChecks)
{
    Picture P;
    auto Code = [&](const Bytes& B) { return ReadBytes(B.v, BMC_FT_TARGA, P); };
    Bytes Map16 = TgaHeader(1, 8, 1, 1, 0, 1, 0, 2, 16);
    Map16.fill(5, 0);
    EXPECT_EQ(Code(Map16), BMC_ERR_TGA_MAP);
    EXPECT_EQ(Code(TgaHeader(9, 8, 1, 1, 0, 1, 0, 2, 32)), BMC_ERR_TGA_MAP);
    EXPECT_EQ(Code(TgaHeader(1, 16, 1, 1, 0, 1, 0, 2, 24)), BMC_ERR_TGA_BPP);
    EXPECT_EQ(Code(TgaHeader(2, 8, 1, 1)), BMC_ERR_TGA_BPP);
    EXPECT_EQ(Code(TgaHeader(10, 15, 1, 1)), BMC_ERR_TGA_BPP);
    EXPECT_EQ(Code(TgaHeader(3, 16, 1, 1)), BMC_ERR_TGA_BPP);
    EXPECT_EQ(Code(TgaHeader(11, 24, 1, 1)), BMC_ERR_TGA_BPP);
    for (int Type : {0, 4, 5, 12, 32, 33})
        EXPECT_EQ(Code(TgaHeader(Type, 8, 1, 1)), BMC_ERR_TGA_COMPRESSION) << Type;
    EXPECT_EQ(Code(TgaHeader(2, 24, 0, 1)), BMC_ERR_BAD_SIZE);
    EXPECT_EQ(Code(TgaHeader(2, 24, 1, 0)), BMC_ERR_BAD_SIZE);
    Bytes Short = TgaHeader(2, 24, 1, 1);
    Short.v.resize(17);
    EXPECT_EQ(Code(Short), BMC_ERR_READ);
}

TEST(Targa, WrittenEightBitsAreColourMapped)
{
    const Picture P = PatternPicture(5, 3, 8);
    const std::vector<uint8_t> F = WriteOk(P, BMC_FT_TARGA);
    ASSERT_EQ(F.size(), 18u + 768u + 15u);
    const std::vector<uint8_t> Head(F.begin(), F.begin() + 18);
    EXPECT_EQ(Head, (std::vector<uint8_t>{0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 5, 0, 3, 0, 8, 0}));
    for (int I = 0; I < 256; ++I) {
        EXPECT_EQ(F[18 + 3 * I], P.palette[I].blue);
        EXPECT_EQ(F[19 + 3 * I], P.palette[I].green);
        EXPECT_EQ(F[20 + 3 * I], P.palette[I].red);
    }
    // Bottom row first.
    for (int X = 0; X < 5; ++X)
        EXPECT_EQ(F[18 + 768 + X], P.Index(X, 2));
    const Picture Q = ReadOk(F, BMC_FT_TARGA);
    ExpectSamePixels(P, Q);
    ExpectSameColors(P, Q);
}

TEST(Targa, WriterDepthsAndOrientation)
{
    const Picture P = PatternPicture(7, 4, 24);
    struct Case {
        const char* Options;
        int Bits;
        int Descriptor;
    };
    for (const Case C : {Case{"", 24, 0}, Case{"24", 24, 0}, Case{"16", 16, 0}, Case{"32", 32, 0},
                         Case{"yup", 24, 0}, Case{"ydown", 24, 0x20}, Case{"32,ydown", 32, 0x20},
                         Case{"16 yup", 16, 0}}) {
        SCOPED_TRACE(C.Options);
        const std::vector<uint8_t> F = WriteOk(P, BMC_FT_TARGA, C.Options);
        ASSERT_EQ(F.size(), 18u + 7 * 4 * C.Bits / 8);
        const std::vector<uint8_t> Head(F.begin(), F.begin() + 18);
        EXPECT_EQ(Head, (std::vector<uint8_t>{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 4, 0, uint8_t(C.Bits),
                                              uint8_t(C.Descriptor)}));
        const Picture Q = ReadOk(F, BMC_FT_TARGA);
        if (C.Bits == 16) {
            // Five bits a channel survive.
            for (int Y = 0; Y < 4; ++Y)
                for (int X = 0; X < 7; ++X) {
                    const Rgb A = P.Color(X, Y), B = Q.Color(X, Y);
                    ASSERT_EQ(B, (Rgb{uint8_t(A.r & 0xF8), uint8_t(A.g & 0xF8), uint8_t(A.b & 0xF8)}));
                }
        } else {
            ExpectSamePixels(P, Q);
        }
        if (C.Bits == 32) {
            for (int X = 0; X < 7 * 4; ++X)
                ASSERT_EQ(F[18 + 4 * X + 3], 255); // opaque
        }
    }
}

TEST(Targa, WriterOptionConflicts)
{
    const Picture P24 = PatternPicture(3, 3, 24);
    const Picture P8 = PatternPicture(3, 3, 8);
    int32_t Rc = 0;
    for (const char* O : {"16 24", "16,32", "24 32", "16 24 32", "yup ydown", "32 yup,ydown"}) {
        WriteBytes(P24, BMC_FT_TARGA, O, &Rc);
        EXPECT_EQ(Rc, BMC_ERR_BAD_OPTIONS) << O;
    }
    for (const char* O : {"16", "24", "32"}) {
        WriteBytes(P8, BMC_FT_TARGA, O, &Rc);
        EXPECT_EQ(Rc, BMC_ERR_BAD_OPTIONS) << O;
    }
    WriteBytes(P8, BMC_FT_TARGA, "ydown", &Rc);
    EXPECT_EQ(Rc, BMC_OK);
}

TEST(Targa, ReportsProgress)
{
    const Picture P = PatternPicture(20, 300, 8);
    TMemoryStream S;
    const BMC W = P.Bmc();
    ProgressLog WriteLog;
    ASSERT_EQ(bmc_write("", &S, BMC_FT_TARGA, &W, P.palette.data(), P.data.data(), "", ProgressLog::Proc, &WriteLog),
              BMC_OK);
    WriteLog.ExpectWellFormed();
    S.SetPosition(0);
    BMC B;
    ASSERT_EQ(bmc_read_header("", &S, BMC_FT_TARGA, &B, ""), BMC_OK);
    std::vector<uint8_t> Data(static_cast<size_t>(bmc_data_size(&B)));
    ProgressLog ReadLog;
    ASSERT_EQ(bmc_read_data(&S, BMC_FT_TARGA, &B, ProgressLog::Proc, &ReadLog, Data.data()), BMC_OK);
    ReadLog.ExpectWellFormed();
    EXPECT_EQ(ReadLog.calls.size(), 101u); // every percent, once
}

// ---------------------------------------------------------------------------------------------
// Pillow

TEST(TargaPillow, ReadsOurFiles)
{
    BMC_NEEDS_PILLOW();
    TScratchDir Dir;
    const Picture P8 = PatternPicture(37, 23, 8, 1);
    ExpectPillowSees(ReadWithPillow(Dir, WriteOk(P8, BMC_FT_TARGA), "tga"), P8);
    const Picture P24 = PatternPicture(37, 23, 24, 2);
    for (const char* O : {"", "ydown", "32", "32 ydown"}) {
        SCOPED_TRACE(O);
        ExpectPillowSees(ReadWithPillow(Dir, WriteOk(P24, BMC_FT_TARGA, O), "tga"), P24);
    }
}

TEST(TargaPillow, LoadsPillowsFiles)
{
    BMC_NEEDS_PILLOW();
    TScratchDir Dir;
    for (const char* Mode : {"L", "P", "RGB", "RGBA"})
        for (bool Rle : {false, true}) {
            SCOPED_TRACE(std::string(Mode) + (Rle ? " rle" : ""));
            const std::vector<uint8_t> F = PillowFixture(Dir, "TGA", Mode, Rle);
            ASSERT_FALSE(F.empty());
            ASSERT_EQ(F[2], (Mode[0] == 'L' ? 3 : Mode[0] == 'P' ? 1 : 2) + (Rle ? 8 : 0));
            const PillowImage Seen = ReadWithPillow(Dir, F, "tga");
            ExpectPillowSees(Seen, ReadOk(F, BMC_FT_TARGA));
        }
}
