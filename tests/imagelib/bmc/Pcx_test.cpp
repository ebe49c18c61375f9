// PCX: round trips, byte-exact headers, run coding, hand-made files and the Pillow cross-checks.

#include "tests/imagelib/bmc/BmcTestUtil.h"

using namespace bmctest;

namespace {

// A hand-made PCX header; data and trailer are appended by the caller.
Bytes PcxHeader(int Version, int Bits, int Planes, int W, int H, int LineBytes,
                const std::vector<uint8_t>& Palette16 = {})
{
    Bytes B;
    B.u8(10).u8(Version).u8(1).u8(Bits).u16(0).u16(0).u16(W - 1).u16(H - 1).u16(72).u16(72);
    std::vector<uint8_t> Pal = Palette16;
    Pal.resize(48, 0);
    B.append(Pal);
    B.u8(0).u8(Planes).u16(LineBytes).u16(1).fill(58, 0);
    EXPECT_EQ(B.v.size(), 128u);
    return B;
}

Bytes GreyTrailer()
{
    Bytes B;
    B.u8(12);
    for (int I = 0; I < 256; ++I)
        B.u8(I).u8(I).u8(I);
    return B;
}

} // namespace

TEST(Pcx, RoundTripsEveryDepth)
{
    for (int32_t Bpp : {1, 4, 8, 24})
        for (int32_t W : {1, 7, 8, 33, 100})
            for (int32_t H : {1, 5}) {
                const Picture P = PatternPicture(W, H, Bpp, W + H);
                const Picture Q = ReadOk(WriteOk(P, BMC_FT_PCX), BMC_FT_PCX);
                ASSERT_EQ(Q.bpp, Bpp);
                ExpectSamePixels(P, Q);
                ExpectSameColors(P, Q);
            }
}

TEST(Pcx, HeadersAreByteExact)
{
    struct Case {
        int32_t Bpp, Bits, Planes;
    };
    for (const Case C : {Case{1, 1, 1}, Case{4, 4, 1}, Case{8, 8, 1}, Case{24, 8, 3}}) {
        const int32_t W = 13, H = 6;
        const Picture P = PatternPicture(W, H, C.Bpp);
        const std::vector<uint8_t> F = WriteOk(P, BMC_FT_PCX);
        ASSERT_GE(F.size(), 128u);
        EXPECT_EQ(F[0], 10);
        EXPECT_EQ(F[1], 5);
        EXPECT_EQ(F[2], 1);
        EXPECT_EQ(F[3], C.Bits);
        const uint8_t Corners[8] = {0, 0, 0, 0, W - 1, 0, H - 1, 0};
        for (int I = 0; I < 8; ++I)
            EXPECT_EQ(F[4 + I], Corners[I]) << I;
        for (int I = 12; I < 16; ++I)
            EXPECT_EQ(F[I], 0) << I;
        for (int I = 0; I < 16; ++I) {
            const BMCRGB E = C.Bpp == 4 ? P.palette[I] : BMCRGB{0, 0, 0};
            EXPECT_EQ(F[16 + 3 * I], E.red);
            EXPECT_EQ(F[17 + 3 * I], E.green);
            EXPECT_EQ(F[18 + 3 * I], E.blue);
        }
        EXPECT_EQ(F[64], 0);
        EXPECT_EQ(F[65], C.Planes);
        const int LineBytes = ((W * C.Bits + 7) / 8 + 1) & ~1;
        EXPECT_EQ(F[66] | (F[67] << 8), LineBytes);
        EXPECT_EQ(F[68], 1);
        EXPECT_EQ(F[69], 0);
        for (int I = 70; I < 128; ++I)
            EXPECT_EQ(F[I], 0) << I;
        if (C.Bpp == 8) {
            ASSERT_GE(F.size(), 128u + 769u);
            const size_t T = F.size() - 769;
            EXPECT_EQ(F[T], 12);
            for (int I = 0; I < 256; ++I) {
                EXPECT_EQ(F[T + 1 + 3 * I], P.palette[I].red);
                EXPECT_EQ(F[T + 2 + 3 * I], P.palette[I].green);
                EXPECT_EQ(F[T + 3 + 3 * I], P.palette[I].blue);
            }
        }
    }
}

TEST(Pcx, RunCoding)
{
    // 100 equal bytes: runs of 63 and 37; a lone byte of 0xC0 or above takes a count.
    Picture P = NewPicture(101, 1, 8);
    for (int X = 0; X < 100; ++X)
        P.SetIndex(X, 0, 5);
    P.SetIndex(100, 0, 0xC5);
    const std::vector<uint8_t> F = WriteOk(P, BMC_FT_PCX);
    // Line of 102 bytes (even): 63 x 5, 37 x 5, C5, one zero of padding.
    const std::vector<uint8_t> Want = {0xFF, 5, 0xE5, 5, 0xC1, 0xC5, 0};
    ASSERT_EQ(F.size(), 128 + Want.size() + 769);
    EXPECT_TRUE(std::equal(Want.begin(), Want.end(), F.begin() + 128));

    // Runs never cross lines: two rows of one colour are two runs.
    Picture Q = NewPicture(4, 2, 8);
    std::fill(Q.data.begin(), Q.data.end(), 9);
    const std::vector<uint8_t> G = WriteOk(Q, BMC_FT_PCX);
    const std::vector<uint8_t> WantQ = {0xC4, 9, 0xC4, 9};
    EXPECT_TRUE(std::equal(WantQ.begin(), WantQ.end(), G.begin() + 128));
}

TEST(Pcx, FourPlanesOfOneBitMergeWithPlanePInBitP)
{
    // 8 pixels, one byte per plane: pixel x has bit p set when plane p's bit x is set.
    const uint8_t Plane[4] = {0b10101010, 0b11001100, 0b11110000, 0b00000001};
    std::vector<uint8_t> Pal16;
    for (int I = 0; I < 16; ++I)
        Pal16.insert(Pal16.end(), {uint8_t(I * 16), uint8_t(255 - I), uint8_t(I)});
    Bytes B = PcxHeader(5, 1, 4, 8, 2, 2, Pal16);
    for (int Row = 0; Row < 2; ++Row)
        for (int Pl = 0; Pl < 4; ++Pl)
            B.raw({0xC1, Row == 0 ? Plane[Pl] : uint8_t(~Plane[Pl]), 0}); // a coded byte, a pad byte
    const Picture P = ReadOk(B.v, BMC_FT_PCX);
    ASSERT_EQ(P.bpp, 4);
    for (int X = 0; X < 8; ++X) {
        int Want = 0;
        for (int Pl = 0; Pl < 4; ++Pl)
            Want |= ((Plane[Pl] >> (7 - X)) & 1) << Pl;
        EXPECT_EQ(P.Index(X, 0), Want) << X;
        EXPECT_EQ(P.Index(X, 1), 15 - Want) << X;
    }
    // The palette is the header's.
    for (int I = 0; I < 16; ++I) {
        EXPECT_EQ(P.palette[I].red, Pal16[3 * I]);
        EXPECT_EQ(P.palette[I].green, Pal16[3 * I + 1]);
        EXPECT_EQ(P.palette[I].blue, Pal16[3 * I + 2]);
    }
}

TEST(Pcx, RowPaddingIsZeroed)
{
    // ReadBytes fills the buffer with 0xA5 first.
    for (int32_t Bpp : {1, 4, 8, 24}) {
        const Picture P = ReadOk(WriteOk(PatternPicture(5, 3, Bpp), BMC_FT_PCX), BMC_FT_PCX);
        const int Used = (5 * Bpp + 7) / 8;
        for (int Y = 0; Y < 3; ++Y)
            for (int I = Used; I < P.RowBytes(); ++I)
                EXPECT_EQ(P.Row(Y)[I], 0) << Bpp;
    }
}

TEST(Pcx, RunsCrossingLinesAndTrunc)
{
    // 4 x 2, 8 bits: a run of six 7s, then 1 2 3 4.
    Bytes B = PcxHeader(5, 8, 1, 4, 2, 4);
    B.raw({0xC6, 7, 1, 2, 3, 4});
    B.append(GreyTrailer().v);
    const Picture Carry = ReadOk(B.v, BMC_FT_PCX);
    const Picture Cut = ReadOk(B.v, BMC_FT_PCX, "trunc");
    for (int X = 0; X < 4; ++X) {
        EXPECT_EQ(Carry.Index(X, 0), 7);
        EXPECT_EQ(Cut.Index(X, 0), 7);
    }
    EXPECT_EQ(Carry.Index(0, 1), 7);
    EXPECT_EQ(Carry.Index(1, 1), 7);
    EXPECT_EQ(Carry.Index(2, 1), 1);
    EXPECT_EQ(Carry.Index(3, 1), 2);
    for (int X = 0; X < 4; ++X)
        EXPECT_EQ(Cut.Index(X, 1), X + 1);
    EXPECT_EQ(Carry.Color(2, 1), (Rgb{1, 1, 1}));
}

TEST(Pcx, TwentyFourBitsAreThreePlanesRedFirst)
{
    Bytes B = PcxHeader(5, 8, 3, 2, 1, 2);
    B.raw({10, 20, 30, 40, 50, 60}); // R plane, G plane, B plane
    const Picture P = ReadOk(B.v, BMC_FT_PCX);
    ASSERT_EQ(P.bpp, 24);
    EXPECT_EQ(P.Color(0, 0), (Rgb{10, 30, 50}));
    EXPECT_EQ(P.Color(1, 0), (Rgb{20, 40, 60}));
}

TEST(Pcx, TrailerChecks)
{
    Bytes B = PcxHeader(5, 8, 1, 4, 2, 4);
    B.raw({0xC8, 3});
    Bytes Good = B;
    Good.append(GreyTrailer().v);
    EXPECT_EQ(ReadOk(Good.v, BMC_FT_PCX).Index(3, 1), 3);

    Bytes Bad = Good;
    Bad.v[Bad.v.size() - 769] = 11;
    Picture P;
    EXPECT_EQ(ReadBytes(Bad.v, BMC_FT_PCX, P), BMC_ERR_PCX_TRAILER);

    // Too short to hold a trailer after the header.
    Bytes Short = B;
    Short.u8(12).fill(100, 0);
    EXPECT_EQ(ReadBytes(Short.v, BMC_FT_PCX, P), BMC_ERR_PCX_TRAILER);
    EXPECT_EQ(ReadBytes(PcxHeader(5, 8, 1, 4, 2, 4).v, BMC_FT_PCX, P), BMC_ERR_PCX_TRAILER);
}

TEST(Pcx, VersionsAndHeaderChecks)
{
    auto Mono = [](int Version) {
        Bytes B = PcxHeader(Version, 1, 1, 8, 1, 2);
        B.raw({0x5A, 0});
        return B;
    };
    for (int V : {0, 2, 3, 4, 5}) {
        Picture P;
        ASSERT_EQ(ReadBytes(Mono(V).v, BMC_FT_PCX, P), BMC_OK) << V;
        EXPECT_EQ(P.Index(1, 0), 1);
        EXPECT_EQ(P.Index(0, 0), 0);
        EXPECT_EQ(P.Color(1, 0), (Rgb{255, 255, 255}));
    }
    Picture P;
    for (int V : {1, 6, 255})
        EXPECT_EQ(ReadBytes(Mono(V).v, BMC_FT_PCX, P), BMC_ERR_PCX_VERSION) << V;

    Bytes B = Mono(5);
    B.v[0] = 11;
    EXPECT_EQ(ReadBytes(B.v, BMC_FT_PCX, P), BMC_ERR_BAD_MAGIC);
    B = Mono(5);
    B.v[2] = 0;
    EXPECT_EQ(ReadBytes(B.v, BMC_FT_PCX, P), BMC_ERR_PCX_ENCODING);
    for (auto [Bits, Planes] : {std::pair{1, 2}, {2, 1}, {8, 2}, {8, 4}, {4, 4}, {24, 1}, {1, 3}}) {
        EXPECT_EQ(ReadBytes(PcxHeader(5, Bits, Planes, 8, 1, 2).v, BMC_FT_PCX, P), BMC_ERR_PCX_PLANES)
            << Bits << "x" << Planes;
    }
    // xmax before xmin.
    B = Mono(5);
    B.v[4] = 9;
    EXPECT_EQ(ReadBytes(B.v, BMC_FT_PCX, P), BMC_ERR_BAD_SIZE);
    // Shorter than the header.
    EXPECT_EQ(ReadBytes(std::vector<uint8_t>(B.v.begin(), B.v.begin() + 69), BMC_FT_PCX, P), BMC_ERR_READ);
}

TEST(Pcx, ReadsAtTheStreamsPosition)
{
    const Picture Pic = PatternPicture(21, 9, 8);
    Bytes B;
    B.raw({1, 2, 3, 4, 5, 6, 7}).append(WriteOk(Pic, BMC_FT_PCX));
    Picture P;
    ASSERT_EQ(ReadBytes(B.v, BMC_FT_PCX, P, "", 7), BMC_OK);
    ExpectSameColors(Pic, P);
}

TEST(Pcx, OneBitWithWhiteFirstIsWrittenInverted)
{
    Picture P = PatternPicture(19, 5, 1);
    P.palette[0] = BMCRGB{255, 255, 255};
    P.palette[1] = BMCRGB{0, 0, 0};
    const std::vector<uint8_t> F = WriteOk(P, BMC_FT_PCX);
    const Picture Q = ReadOk(F, BMC_FT_PCX);
    // Read against black, white: every index flipped, every colour the same.
    EXPECT_EQ(Q.palette[0].red, 0);
    EXPECT_EQ(Q.palette[1].red, 255);
    for (int Y = 0; Y < 5; ++Y)
        for (int X = 0; X < 19; ++X)
            ASSERT_EQ(Q.Index(X, Y), 1 - P.Index(X, Y));
    ExpectSameColors(P, Q);
    // Black, white pictures are written as they are.
    const Picture R = PatternPicture(19, 5, 1);
    ExpectSamePixels(R, ReadOk(WriteOk(R, BMC_FT_PCX), BMC_FT_PCX));
}

TEST(Pcx, ReportsProgress)
{
    const Picture P = PatternPicture(30, 250, 24);
    TMemoryStream S;
    const BMC W = P.Bmc();
    ProgressLog WriteLog;
    ASSERT_EQ(bmc_write("", &S, BMC_FT_PCX, &W, nullptr, P.data.data(), "", ProgressLog::Proc, &WriteLog), BMC_OK);
    WriteLog.ExpectWellFormed();
    EXPECT_GT(WriteLog.calls.size(), 50u); // per row

    S.SetPosition(0);
    BMC B;
    ASSERT_EQ(bmc_read_header("", &S, BMC_FT_PCX, &B, ""), BMC_OK);
    std::vector<uint8_t> Data(static_cast<size_t>(bmc_data_size(&B)));
    ProgressLog ReadLog;
    ASSERT_EQ(bmc_read_data(&S, BMC_FT_PCX, &B, ProgressLog::Proc, &ReadLog, Data.data()), BMC_OK);
    ReadLog.ExpectWellFormed();
    EXPECT_GT(ReadLog.calls.size(), 50u);
}

// ---------------------------------------------------------------------------------------------
// Pillow

TEST(PcxPillow, ReadsOurFiles)
{
    BMC_NEEDS_PILLOW();
    TScratchDir Dir;
    for (int32_t Bpp : {1, 8, 24}) {
        const Picture P = PatternPicture(37, 23, Bpp, 3);
        SCOPED_TRACE(Bpp);
        ExpectPillowSees(ReadWithPillow(Dir, WriteOk(P, BMC_FT_PCX), "pcx"), P);
    }
    // The inverted 1-bit file looks the same to Pillow.
    Picture P = PatternPicture(37, 23, 1, 5);
    P.palette[0] = BMCRGB{255, 255, 255};
    P.palette[1] = BMCRGB{0, 0, 0};
    ExpectPillowSees(ReadWithPillow(Dir, WriteOk(P, BMC_FT_PCX), "pcx"), P);
}

TEST(PcxPillow, LoadsPillowsFiles)
{
    BMC_NEEDS_PILLOW();
    TScratchDir Dir;
    for (const char* Mode : {"1", "L", "P", "RGB"}) {
        SCOPED_TRACE(Mode);
        const std::vector<uint8_t> F = PillowFixture(Dir, "PCX", Mode);
        ASSERT_FALSE(F.empty());
        const PillowImage Seen = ReadWithPillow(Dir, F, "pcx");
        ExpectPillowSees(Seen, ReadOk(F, BMC_FT_PCX));
    }
}
