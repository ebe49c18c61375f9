// Hostile and broken files: every one raises the library's error or loads; none crashes or hangs.
#include "tests/imagelib/tiff/TiffTestUtil.h"

#include <random>

using namespace TiffTest;

namespace {

TBytes GoodGrey(uint32_t W = 16, uint32_t H = 16, uint16_t Compression = COMPRESSION_NONE)
{
    return WriteWithLibtiff([&](TIFF* T) { BasicFields(T, W, H, 8, 1, PHOTOMETRIC_MINISBLACK, Compression); }, H,
                            [&](uint32_t Y, std::vector<uint8_t>& L) {
                                for (size_t X = 0; X < L.size(); ++X)
                                    L[X] = uint8_t(X * 13 + Y);
                            });
}

std::string LoadMessage(const TBytes& B, int32_t Index = 1)
{
    TTiffGraphic G;
    return ErrorOf<EDidodazaError>([&] { LoadBytes(G, B, Index); });
}

} // namespace

TEST(TiffHostile, RandomBytesRaiseTiffOpen)
{
    std::mt19937 Rng(7);
    TBytes B(4096);
    for (auto& X : B)
        X = uint8_t(Rng());
    EXPECT_EQ(LoadMessage(B), "ETiffError TIFFOpen");
    // Random bytes behind a valid signature are no better.
    B[0] = 'I', B[1] = 'I', B[2] = 42, B[3] = 0;
    EXPECT_NE(LoadMessage(B), kNoException);
}

TEST(TiffHostile, EmptyAndTinyStreams)
{
    EXPECT_EQ(LoadMessage({}), "ETiffError TIFFOpen");
    EXPECT_EQ(LoadMessage({'I', 'I'}), "ETiffError TIFFOpen");
}

TEST(TiffHostile, CanLoadStreamOnTwoBytesRestoresPosition)
{
    TTiffGraphic G;
    TMemoryStream S;
    FillStream(S, {'I', 'I'});
    S.SetPosition(0);
    EXPECT_FALSE(G.CanLoadStream(&S));
    EXPECT_EQ(S.GetPosition(), 0);
    // Four good bytes behind a prefix: true, and the position comes back.
    FillStream(S, {1, 2, 'I', 'I', 42, 0, 9});
    S.SetPosition(2);
    EXPECT_TRUE(G.CanLoadStream(&S));
    EXPECT_EQ(S.GetPosition(), 2);
    FillStream(S, {'M', 'M', 0, 42});
    EXPECT_TRUE(G.CanLoadStream(&S));
    FillStream(S, {'M', 'M', 42, 0});
    EXPECT_FALSE(G.CanLoadStream(&S));
    EXPECT_EQ(S.GetPosition(), 0);
}

TEST(TiffHostile, RowsPerStripZeroLoads)
{
    TBytes B = GoodGrey();
    const auto E = ReadIfd(B);
    const TIfdEntry* R = FindTag(E, TIFFTAG_ROWSPERSTRIP);
    ASSERT_NE(R, nullptr);
    Put32(B, R->Offset + 8, 0);
    TTiffGraphic G;
    const std::string M = ErrorOf<EDidodazaError>([&] { LoadBytes(G, B); });
    if (M == kNoException) {
        // libtiff kept its default of one strip: the pixels must be the file's.
        ASSERT_EQ(G.GetHeight(), 16);
        EXPECT_EQ(G.GetPixelIndex(3, 2), uint8_t(3 * 13 + 2));
        EXPECT_GE(G.GetRowsPerStrip(), 1);
    } else
        EXPECT_EQ(M.rfind("ETiffError", 0), 0u) << M;
}

TEST(TiffHostile, TruncatedStripsRaiseReadEncodedStrip)
{
    TBytes B = GoodGrey(64, 64, COMPRESSION_NONE);
    // Strips come before the directory in libtiff's layout: cut the last strip's bytes by
    // pointing its offset near the end of the file.
    const auto E = ReadIfd(B);
    const TIfdEntry* Offsets = FindTag(E, TIFFTAG_STRIPOFFSETS);
    const TIfdEntry* Counts = FindTag(E, TIFFTAG_STRIPBYTECOUNTS);
    ASSERT_TRUE(Offsets && Counts);
    ASSERT_GT(Offsets->Count, 1u);
    const size_t Last = Offsets->Value + (Offsets->Count - 1) * 4;
    Put32(B, Last, uint32_t(B.size() - 10));
    EXPECT_EQ(LoadMessage(B), "ETiffError TIFFReadEncodedStrip");
}

TEST(TiffHostile, TruncatedDeflateRaisesOrLoads)
{
    TBytes B = GoodGrey(64, 64, COMPRESSION_ADOBE_DEFLATE);
    const auto E = ReadIfd(B);
    const TIfdEntry* Counts = FindTag(E, TIFFTAG_STRIPBYTECOUNTS);
    ASSERT_TRUE(Counts);
    // Halve every strip's byte count: the decoder runs short.
    for (uint32_t I = 0; I < Counts->Count; ++I) {
        const size_t P = Counts->Value + I * 4;
        Put32(B, P, Get32(B, P) / 2);
    }
    EXPECT_EQ(LoadMessage(B), "ETiffError TIFFReadEncodedStrip");
}

TEST(TiffHostile, TruncatedJpegRaisesReadRgba)
{
    const uint32_t W = 64, H = 64;
    TBytes B = WriteWithLibtiff([&](TIFF* T) { BasicFields(T, W, H, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_JPEG); }, H,
                                [&](uint32_t Y, std::vector<uint8_t>& L) {
                                    for (size_t X = 0; X < L.size(); ++X)
                                        L[X] = uint8_t(X + Y * 2);
                                });
    const auto E = ReadIfd(B);
    const TIfdEntry* Counts = FindTag(E, TIFFTAG_STRIPBYTECOUNTS);
    ASSERT_TRUE(Counts);
    for (uint32_t I = Counts->Count / 2; I < Counts->Count; ++I)
        Put32(B, Counts->Value + I * 4, 3);
    EXPECT_EQ(LoadMessage(B), "ETiffError TIFFReadRGBAImage");
}

TEST(TiffHostile, DimensionsBeyondTheLimit)
{
    TBytes B = GoodGrey();
    const auto E = ReadIfd(B);
    Put32(B, FindTag(E, TIFFTAG_IMAGEWIDTH)->Offset + 8, 70000);
    Put32(B, FindTag(E, TIFFTAG_IMAGELENGTH)->Offset + 8, 70000);
    // Short or long entries: write as a long value either way.
    Put16(B, FindTag(E, TIFFTAG_IMAGEWIDTH)->Offset + 2, 4);
    Put16(B, FindTag(E, TIFFTAG_IMAGELENGTH)->Offset + 2, 4);
    const std::string M = LoadMessage(B);
    EXPECT_TRUE(M == "Invalid image dimensions" || M.rfind("ETiffError", 0) == 0) << M;
}

TEST(TiffHostile, FourBitTwoSamplesDoesNotOverrun)
{
    const uint32_t W = 33, H = 9;
    TBytes B = WriteWithLibtiff(
        [&](TIFF* T) {
            BasicFields(T, W, H, 4, 2, PHOTOMETRIC_MINISBLACK);
            const uint16_t Extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(T, TIFFTAG_EXTRASAMPLES, 1, &Extra);
        },
        H, [&](uint32_t, std::vector<uint8_t>& L) { std::fill(L.begin(), L.end(), 0xF7); });
    TTiffGraphic G;
    const std::string M = ErrorOf<EDidodazaError>([&] { LoadBytes(G, B); });
    if (M == kNoException) {
        EXPECT_EQ(G.GetWidth(), int32_t(W));
        EXPECT_EQ(G.GetHeight(), int32_t(H));
    } else
        EXPECT_EQ(M.rfind("ETiffError", 0), 0u) << M;
}

TEST(TiffHostile, PaletteWithSixteenBitsPerSample)
{
    const uint32_t W = 8, H = 4;
    std::vector<uint16_t> R(65536), Gn(65536), Bl(65536);
    for (uint32_t I = 0; I < 65536; ++I) {
        R[I] = uint16_t(I);
        Gn[I] = uint16_t(65535 - I);
        Bl[I] = uint16_t((I >> 8) << 8);
    }
    TBytes B = WriteWithLibtiff(
        [&](TIFF* T) {
            BasicFields(T, W, H, 16, 1, PHOTOMETRIC_PALETTE);
            TIFFSetField(T, TIFFTAG_COLORMAP, R.data(), Gn.data(), Bl.data());
        },
        H, [&](uint32_t Y, std::vector<uint8_t>& L) {
            auto* P = reinterpret_cast<uint16_t*>(L.data());
            for (uint32_t X = 0; X < W; ++X)
                P[X] = uint16_t(((X * 30 + Y) << 8) | 0x7F);
        });
    TTiffGraphic G;
    ASSERT_NO_THROW(LoadBytes(G, B));
    ASSERT_EQ(G.GetImageFormat(), ifColor256);
    for (uint32_t Y = 0; Y < H; ++Y)
        for (uint32_t X = 0; X < W; ++X) {
            const uint32_t Hb = (X * 30 + Y) & 255, E = Hb * 256;
            const uint8_t Er = uint8_t(std::min<uint32_t>(R[E] * 256u / 65535u, 255)),
                          Eg = uint8_t(std::min<uint32_t>(Gn[E] * 256u / 65535u, 255)),
                          Eb = uint8_t(std::min<uint32_t>(Bl[E] * 256u / 65535u, 255));
            EXPECT_EQ(G.GetPixelIndex(int32_t(X), int32_t(Y)), Hb);
            EXPECT_EQ(G.GetPixelColor(int32_t(X), int32_t(Y)), PackRgb(Er, Eg, Eb)) << X << "," << Y;
        }
}

TEST(TiffHostile, DirectoryChainThatLoops)
{
    TTiffGraphic A;
    MakePattern(A, 8, 8, ifGray256);
    TMemoryStream S;
    A.AppendImageToStream(&S);
    A.AppendImageToStream(&S);
    TBytes B = BytesOf(S);
    size_t Ifd1 = 0, Ifd0 = 0;
    ReadIfd(B, 0, &Ifd0);
    ASSERT_FALSE(ReadIfd(B, 1, &Ifd1).empty());
    // The second directory's next pointer goes back to the first.
    Put32(B, Ifd1 + 2 + Get16(B, Ifd1) * 12, uint32_t(Ifd0));
    TTiffGraphic G;
    FillStream(S, B);
    int32_t Count = 0;
    try {
        Count = G.GetStreamImageCount(&S);
    } catch (const EDidodazaError&) {
        Count = -1;
    }
    EXPECT_LE(Count, 2);
    EXPECT_EQ(LoadMessage(B, 1), kNoException);
    const std::string M3 = LoadMessage(B, 3);
    EXPECT_EQ(M3.rfind("ETiffError", 0), 0u) << M3;
}

TEST(TiffHostile, UnknownCompressionNumber)
{
    TBytes B = GoodGrey();
    const auto E = ReadIfd(B);
    Put16(B, FindTag(E, TIFFTAG_COMPRESSION)->Offset + 8, 34999);
    EXPECT_EQ(LoadMessage(B), "ETiffError Unsupported compression tag, 34999");
}

TEST(TiffHostile, LzwIsRefused)
{
    TBytes B = GoodGrey(16, 16, COMPRESSION_LZW);
    ASSERT_FALSE(B.empty());
    TTiffGraphic G;
    try {
        LoadBytes(G, B);
        FAIL() << "loaded";
    } catch (const ETiffError& X) {
        FAIL() << "wrong class: " << X.Message();
    } catch (const EDidodazaError& X) {
        EXPECT_EQ(X.Message(), "LZW compression not supported");
    }
}

TEST(TiffHostile, MissingBitsPerSampleWithThreeSamples)
{
    TBytes B = WriteWithLibtiff([](TIFF* T) { BasicFields(T, 8, 8, 8, 3, PHOTOMETRIC_RGB); }, 8,
                                [](uint32_t, std::vector<uint8_t>& L) { std::fill(L.begin(), L.end(), 3); });
    const auto E = ReadIfd(B);
    // Turn the entry into one libtiff ignores (a private tag number beyond the sorted order is
    // still read; an unknown one is skipped).
    Put16(B, FindTag(E, TIFFTAG_BITSPERSAMPLE)->Offset, 65000);
    EXPECT_EQ(LoadMessage(B), "ETiffError Bits per sample not specified");
}

TEST(TiffHostile, StreamExceptionsNeverCrossLibtiff)
{
    const TBytes Good = GoodGrey(64, 64);
    for (int64_t Limit : {int64_t(0), int64_t(8), int64_t(100), int64_t(Good.size() - 20)}) {
        TFailingStream S(Limit);
        S.TMemoryStream::Write(Good.data(), int32_t(Good.size()));
        S.SetPosition(0);
        TTiffGraphic G;
        const std::string M = ErrorOf<ETiffError>([&] { G.LoadImageFromStream(&S, 1); });
        EXPECT_EQ(M.rfind("ETiffError", 0), 0u) << Limit << ": " << M;
    }
    for (int64_t Limit : {int64_t(0), int64_t(100), int64_t(2000)}) {
        TFailingStream S(Limit);
        S.FWrites = true;
        TTiffGraphic A;
        MakePattern(A, 64, 64, ifTrueColor);
        const std::string M = ErrorOf<ETiffError>([&] { A.SaveToStream(&S); });
        EXPECT_EQ(M.rfind("ETiffError", 0), 0u) << Limit << ": " << M;
    }
}
