// Reading paths: fixtures written with libtiff's own calls, checked pixel by pixel.
#include "tests/imagelib/tiff/TiffTestUtil.h"

using namespace TiffTest;

namespace {

constexpr uint32_t W = 21, H = 13;

uint8_t Sample(uint32_t X, uint32_t Y, uint32_t C) { return uint8_t(X * 11 + Y * 17 + C * 80); }

uint8_t GreyOf(uint32_t Color) { return uint8_t(Color & 255); }

TBytes Grey8(uint16_t Photometric, uint16_t Compression)
{
    return WriteWithLibtiff([&](TIFF* T) { BasicFields(T, W, H, 8, 1, Photometric, Compression); }, H,
                            [](uint32_t Y, std::vector<uint8_t>& L) {
                                for (uint32_t X = 0; X < W; ++X)
                                    L[X] = Sample(X, Y, 0);
                            });
}

TBytes Grey16(uint16_t Photometric)
{
    return WriteWithLibtiff([&](TIFF* T) { BasicFields(T, W, H, 16, 1, Photometric); }, H,
                            [](uint32_t Y, std::vector<uint8_t>& L) {
                                auto* P = reinterpret_cast<uint16_t*>(L.data());
                                for (uint32_t X = 0; X < W; ++X)
                                    P[X] = uint16_t(Sample(X, Y, 0) << 8 | ((X * 7) & 255));
                            });
}

TBytes Rgb(uint16_t Compression)
{
    return WriteWithLibtiff([&](TIFF* T) { BasicFields(T, W, H, 8, 3, PHOTOMETRIC_RGB, Compression); }, H,
                            [](uint32_t Y, std::vector<uint8_t>& L) {
                                for (uint32_t X = 0; X < W; ++X)
                                    for (uint32_t C = 0; C < 3; ++C)
                                        L[X * 3 + C] = Sample(X, Y, C);
                            });
}

uint32_t ExpectedRgb(uint32_t X, uint32_t Y) { return PackRgb(Sample(X, Y, 0), Sample(X, Y, 1), Sample(X, Y, 2)); }

void ExpectRgb(const TTiffGraphic& G, int Tolerance)
{
    ASSERT_EQ(G.GetWidth(), int32_t(W));
    ASSERT_EQ(G.GetHeight(), int32_t(H));
    EXPECT_EQ(G.GetImageFormat(), ifTrueColor);
    int Worst = 0;
    for (uint32_t Y = 0; Y < H; ++Y)
        for (uint32_t X = 0; X < W; ++X) {
            const uint32_t P = G.GetPixelColor(int32_t(X), int32_t(Y)), E = ExpectedRgb(X, Y);
            for (int S = 0; S < 24; S += 8)
                Worst = std::max(Worst, std::abs(int((P >> S) & 255) - int((E >> S) & 255)));
        }
    EXPECT_LE(Worst, Tolerance);
}

} // namespace

TEST(TiffReadPaths, EightBitMinIsWhite)
{
    TTiffGraphic G;
    LoadBytes(G, Grey8(PHOTOMETRIC_MINISWHITE, COMPRESSION_NONE));
    ASSERT_EQ(G.GetImageFormat(), ifGray256);
    for (uint32_t Y = 0; Y < H; ++Y)
        for (uint32_t X = 0; X < W; ++X)
            ASSERT_EQ(GreyOf(G.GetPixelColor(int32_t(X), int32_t(Y))), 255 - Sample(X, Y, 0)) << X << "," << Y;
}

TEST(TiffReadPaths, EightBitMinIsWhiteJpeg)
{
    TTiffGraphic G;
    // Smooth content so the JPEG error stays small.
    const TBytes B = WriteWithLibtiff([](TIFF* T) { BasicFields(T, 32, 16, 8, 1, 0, COMPRESSION_JPEG); }, 16,
                                      [](uint32_t Y, std::vector<uint8_t>& L) {
                                          for (uint32_t X = 0; X < 32; ++X)
                                              L[X] = uint8_t(40 + X * 4 + Y * 2);
                                      });
    LoadBytes(G, B);
    ASSERT_EQ(G.GetImageFormat(), ifGray256);
    EXPECT_EQ(G.GetCompression(), 6);
    double Sum = 0;
    for (uint32_t Y = 0; Y < 16; ++Y)
        for (uint32_t X = 0; X < 32; ++X)
            Sum += std::abs(int(GreyOf(G.GetPixelColor(int32_t(X), int32_t(Y)))) - (255 - (40 + int(X) * 4 + int(Y) * 2)));
    EXPECT_LT(Sum / (32 * 16), 3.0);
}

TEST(TiffReadPaths, OneBitMinIsWhite)
{
    const TBytes B = WriteWithLibtiff([](TIFF* T) { BasicFields(T, W, H, 1, 1, PHOTOMETRIC_MINISWHITE); }, H,
                                      [](uint32_t Y, std::vector<uint8_t>& L) {
                                          for (size_t I = 0; I < L.size(); ++I)
                                              L[I] = uint8_t(0x5A ^ (Y * 3 + I));
                                      });
    TTiffGraphic G;
    LoadBytes(G, B);
    ASSERT_EQ(G.GetImageFormat(), ifBlackWhite);
    EXPECT_EQ(G.GetCompression(), 0);
    for (uint32_t Y = 0; Y < H; ++Y)
        for (uint32_t X = 0; X < W; ++X) {
            const bool Bit = (uint8_t(0x5A ^ (Y * 3 + X / 8)) >> (7 - X % 8)) & 1;
            // A set bit is black under min-is-white.
            ASSERT_EQ(G.GetPixelColor(int32_t(X), int32_t(Y)), Bit ? 0u : 0xFFFFFFu) << X << "," << Y;
        }
}

TEST(TiffReadPaths, TiledRgb)
{
    TMemoryStream S;
    {
        TTiffHandle T(TiffStreamOpen(&S, "w"));
        ASSERT_TRUE(T);
        BasicFields(T.Get(), W, H, 8, 3, PHOTOMETRIC_RGB);
        TIFFUnsetField(T.Get(), TIFFTAG_ROWSPERSTRIP);
        TIFFSetField(T.Get(), TIFFTAG_TILEWIDTH, 16u);
        TIFFSetField(T.Get(), TIFFTAG_TILELENGTH, 16u);
        std::vector<uint8_t> Tile(size_t(TIFFTileSize(T.Get())));
        for (uint32_t TY = 0; TY < H; TY += 16)
            for (uint32_t TX = 0; TX < W; TX += 16) {
                std::fill(Tile.begin(), Tile.end(), 0);
                for (uint32_t Y = TY; Y < std::min(H, TY + 16); ++Y)
                    for (uint32_t X = TX; X < std::min(W, TX + 16); ++X)
                        for (uint32_t C = 0; C < 3; ++C)
                            Tile[((Y - TY) * 16 + (X - TX)) * 3 + C] = Sample(X, Y, C);
                ASSERT_GE(TIFFWriteTile(T.Get(), Tile.data(), TX, TY, 0, 0), 0);
            }
    }
    TTiffGraphic G;
    try {
        LoadBytes(G, BytesOf(S));
    } catch (const EDidodazaError& X) {
        const TBytes Bad = BytesOf(S);
        if (FILE* F = fopen("Z:\\tmp\\i6tile.tif", "wb")) {
            fwrite(Bad.data(), 1, Bad.size(), F);
            fclose(F);
        }
        FAIL() << X.Message() << " / " << TiffLastMessage();
    }
    ExpectRgb(G, 0);
}

TEST(TiffReadPaths, StripRgbDeflateAndPackbits)
{
    for (uint16_t C : {COMPRESSION_NONE, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_DEFLATE, COMPRESSION_PACKBITS}) {
        TTiffGraphic G;
        LoadBytes(G, Rgb(C));
        ExpectRgb(G, 0);
        EXPECT_EQ(G.GetCompression(), C == COMPRESSION_NONE ? 0 : C == COMPRESSION_PACKBITS ? 1 : 5);
    }
}

TEST(TiffReadPaths, PlanarSeparateRgb)
{
    TMemoryStream S;
    {
        TTiffHandle T(TiffStreamOpen(&S, "w"));
        ASSERT_TRUE(T);
        BasicFields(T.Get(), W, H, 8, 3, PHOTOMETRIC_RGB);
        TIFFSetField(T.Get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
        std::vector<uint8_t> Line(W);
        for (uint16_t C = 0; C < 3; ++C)
            for (uint32_t Y = 0; Y < H; ++Y) {
                for (uint32_t X = 0; X < W; ++X)
                    Line[X] = Sample(X, Y, C);
                ASSERT_GE(TIFFWriteScanline(T.Get(), Line.data(), Y, C), 0);
            }
    }
    TTiffGraphic G;
    LoadBytes(G, BytesOf(S));
    ExpectRgb(G, 0);
}

TEST(TiffReadPaths, JpegRgb)
{
    // A flat picture per 8x8 block keeps JPEG close.
    const uint32_t Size = 32;
    const TBytes B = WriteWithLibtiff([&](TIFF* T) { BasicFields(T, Size, Size, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_JPEG); },
                                      Size, [&](uint32_t Y, std::vector<uint8_t>& L) {
                                          for (uint32_t X = 0; X < Size; ++X) {
                                              L[X * 3] = 200;
                                              L[X * 3 + 1] = uint8_t(X < 16 ? 40 : 120);
                                              L[X * 3 + 2] = uint8_t(Y < 16 ? 10 : 90);
                                          }
                                      });
    TTiffGraphic G;
    LoadBytes(G, B);
    ASSERT_EQ(G.GetImageFormat(), ifTrueColor);
    const uint32_t P = G.GetPixelColor(3, 3), Q = G.GetPixelColor(28, 28);
    EXPECT_NEAR(int((P >> 16) & 255), 200, 4);
    EXPECT_NEAR(int((P >> 8) & 255), 40, 4);
    EXPECT_NEAR(int(P & 255), 10, 4);
    EXPECT_NEAR(int((Q >> 8) & 255), 120, 4);
    EXPECT_NEAR(int(Q & 255), 90, 4);
}

TEST(TiffReadPaths, SixteenBitGrey)
{
    for (uint16_t Photometric : {PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_MINISWHITE}) {
        TTiffGraphic G;
        LoadBytes(G, Grey16(Photometric));
        ASSERT_EQ(G.GetImageFormat(), ifGray256);
        for (uint32_t Y = 0; Y < H; ++Y)
            for (uint32_t X = 0; X < W; ++X) {
                const uint8_t High = Sample(X, Y, 0);
                ASSERT_EQ(GreyOf(G.GetPixelColor(int32_t(X), int32_t(Y))), Photometric == 0 ? 255 - High : High)
                    << Photometric << " " << X << "," << Y;
            }
    }
}

TEST(TiffReadPaths, PaletteScales)
{
    for (bool Sixteen : {true, false}) {
        std::vector<uint16_t> R(256), Gn(256), Bl(256);
        for (uint32_t I = 0; I < 256; ++I) {
            const uint16_t V = uint16_t(Sixteen ? I * 257 : I);
            R[I] = V;
            Gn[I] = uint16_t(Sixteen ? 65535 : 255);
            Bl[I] = 0;
        }
        const TBytes B = WriteWithLibtiff(
            [&](TIFF* T) {
                BasicFields(T, 16, 16, 8, 1, PHOTOMETRIC_PALETTE);
                TIFFSetField(T, TIFFTAG_COLORMAP, R.data(), Gn.data(), Bl.data());
            },
            16, [](uint32_t Y, std::vector<uint8_t>& L) {
                for (uint32_t X = 0; X < 16; ++X)
                    L[X] = uint8_t(Y * 16 + X);
            });
        TTiffGraphic G;
        LoadBytes(G, B);
        ASSERT_EQ(G.GetImageFormat(), ifColor256);
        EXPECT_EQ(G.GetPixelColor(15, 15), PackRgb(255, 255, 0)) << Sixteen;
        EXPECT_EQ(G.GetPixelColor(5, 0), PackRgb(5, 255, 0)) << Sixteen;
        EXPECT_EQ(G.GetPixelIndex(7, 3), 3 * 16 + 7);
    }
}

TEST(TiffReadPaths, FourBitGrey)
{
    const TBytes B = WriteWithLibtiff([](TIFF* T) { BasicFields(T, W, H, 4, 1, PHOTOMETRIC_MINISBLACK); }, H,
                                      [](uint32_t Y, std::vector<uint8_t>& L) {
                                          for (size_t I = 0; I < L.size(); ++I)
                                              L[I] = uint8_t((Y + I) * 0x13);
                                      });
    TTiffGraphic G;
    LoadBytes(G, B);
    ASSERT_EQ(G.GetImageFormat(), ifGray16);
    for (uint32_t Y = 0; Y < H; ++Y)
        for (uint32_t X = 0; X < W; ++X) {
            const uint8_t Byte = uint8_t((Y + X / 2) * 0x13);
            ASSERT_EQ(G.GetPixelIndex(int32_t(X), int32_t(Y)), X % 2 ? (Byte & 15) : (Byte >> 4));
        }
}

TEST(TiffReadPaths, CentimetreResolution)
{
    const TBytes B = WriteWithLibtiff(
        [](TIFF* T) {
            BasicFields(T, 4, 4, 8, 1, PHOTOMETRIC_MINISBLACK);
            TIFFSetField(T, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
            TIFFSetField(T, TIFFTAG_XRESOLUTION, 118.0);
            TIFFSetField(T, TIFFTAG_YRESOLUTION, 40.0);
        },
        4, [](uint32_t, std::vector<uint8_t>& L) { std::fill(L.begin(), L.end(), 1); });
    TTiffGraphic G;
    LoadBytes(G, B);
    EXPECT_NEAR(G.GetXDpi(), 300, 1);
    EXPECT_NEAR(G.GetYDpi(), 102, 1);
}
