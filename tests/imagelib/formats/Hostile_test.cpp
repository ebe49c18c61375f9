// Hostile files: each ends in one of the library's errors, never in a write outside the picture
// (the host build reruns these under AddressSanitizer). No Win32 beyond the picture model
// except the BMP cases the platform reader takes over.
#include <gtest/gtest.h>

#include "FormatsTestUtil.h"
#include "imagelib/BitmapGraphic.h"
#include "imagelib/EpsGraphic.h"
#include "imagelib/PcxGraphic.h"
#include "imagelib/PpmGraphic.h"
#include "imagelib/TgaGraphic.h"

using namespace FormatsTest;

namespace {

// "ok", or the kind of failure: a library error, or anything else (a test failure).
std::string Outcome(TDibGraphic& G, const Bytes& F)
{
    auto S = StreamOf(F);
    try {
        G.LoadFromStream(S.get());
    } catch (const EDidodazaError&) {
        return "library error";
    } catch (const EInvalidGraphic&) {
        return "library error";
    } catch (const std::exception& E) {
        return std::string("other: ") + E.what();
    }
    return "ok";
}

// A loaded picture must be whole: its size as the header says.
void ExpectLoadedOrRefused(TDibGraphic& G, const Bytes& F, int32_t W, int32_t H)
{
    const std::string R = Outcome(G, F);
    if (R == "ok") {
        EXPECT_EQ(G.GetWidth(), W);
        EXPECT_EQ(G.GetHeight(), H);
    } else {
        EXPECT_EQ(R, "library error");
    }
}

Bytes PcxFile(int32_t W, int32_t H, uint16_t LineBytes, const Bytes& Data)
{
    Bytes B(128, 0);
    B[0] = 10, B[1] = 5, B[2] = 1, B[3] = 8;
    Put16(B, 8, W - 1);
    Put16(B, 10, H - 1);
    B[65] = 1;
    Put16(B, 66, LineBytes);
    B.insert(B.end(), Data.begin(), Data.end());
    B.push_back(12);
    B.resize(B.size() + 768, 0x40);
    return B;
}

Bytes BmpRle8(int32_t W, int32_t H, const Bytes& Data)
{
    Bytes B(54 + 1024, 0);
    B[0] = 'B', B[1] = 'M';
    Put32(B, 10, 54 + 1024);
    Put32(B, 14, 40);
    Put32(B, 18, static_cast<uint32_t>(W));
    Put32(B, 22, static_cast<uint32_t>(H));
    Put16(B, 26, 1);
    Put16(B, 28, 8);
    Put32(B, 30, 1);
    B.insert(B.end(), Data.begin(), Data.end());
    Put32(B, 2, static_cast<uint32_t>(B.size()));
    return B;
}

Bytes Tga(uint8_t Type, int32_t W, int32_t H, uint8_t Bits, uint16_t MapFirst, uint16_t MapLength, const Bytes& Rest)
{
    Bytes B(18, 0);
    B[1] = MapLength ? 1 : 0, B[2] = Type;
    Put16(B, 3, MapFirst);
    Put16(B, 5, MapLength);
    B[7] = MapLength ? 24 : 0;
    Put16(B, 12, W);
    Put16(B, 14, H);
    B[16] = Bits;
    B.insert(B.end(), Rest.begin(), Rest.end());
    return B;
}

} // namespace

TEST(Hostile, PcxLineSizes)
{
    TPcxGraphic G;
    // Bytes per line far above the row: the extra bytes are decoded and dropped.
    Bytes Wide;
    for (int I = 0; I < 2; ++I)
        Wide.push_back(0xFF), Wide.push_back(9), Wide.push_back(0xC0 | 37), Wide.push_back(9);
    EXPECT_EQ(Outcome(G, PcxFile(4, 2, 100, Wide)), "ok");
    EXPECT_EQ(G.GetPixelIndex(3, 1), 9);
    // Below what a row needs.
    EXPECT_EQ(Outcome(G, PcxFile(40, 2, 2, Bytes(8, 1))), "library error");
    // Runs overflowing the last line.
    Bytes Over;
    for (int I = 0; I < 20; ++I)
        Over.push_back(0xFF), Over.push_back(3);
    ExpectLoadedOrRefused(G, PcxFile(5, 3, 6, Over), 5, 3);
}

TEST(Hostile, TargaMapsAndPackets)
{
    TTgaGraphic G;
    // Map entries 200..299: the ones above 255 are skipped.
    Bytes Map(300, 0);
    for (int I = 0; I < 100; ++I)
        Map[3 * I] = static_cast<uint8_t>(I), Map[3 * I + 1] = 1, Map[3 * I + 2] = 2;
    Map.push_back(255);
    EXPECT_EQ(Outcome(G, Tga(1, 1, 1, 8, 200, 100, Map)), "ok");
    EXPECT_EQ(G.GetPixelColor(0, 0), PackRgb(2, 1, 55));
    // A repeat packet of 128 pixels into a 2 x 2 picture.
    ExpectLoadedOrRefused(G, Tga(10, 2, 2, 24, 0, 0, {0xFF, 1, 2, 3}), 2, 2);
    // A raw packet of 128 pixels with data for 2, and a packet running past the data.
    EXPECT_EQ(Outcome(G, Tga(10, 2, 2, 24, 0, 0, {0x7F, 1, 2, 3, 4, 5, 6})), "library error");
    EXPECT_EQ(Outcome(G, Tga(10, 20, 20, 24, 0, 0, {0x81, 1, 2, 3})), "library error");
}

TEST(Hostile, BmpRlePastRowAndPicture)
{
    TBitmapGraphic G;
    // Repeat run past the row, literal run past the row, delta past the picture.
    ExpectLoadedOrRefused(G, BmpRle8(4, 3, {200, 7, 0, 0, 0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 2, 250, 250, 5, 5, 0, 1}), 4, 3);
    ExpectLoadedOrRefused(G, BmpRle8(4, 3, {0, 2, 3, 1, 255, 7, 0, 2, 0, 200, 255, 7, 0, 1}), 4, 3);
    // Runs past the last row, no end-of-bitmap.
    Bytes Many;
    for (int I = 0; I < 50; ++I)
        Many.push_back(255), Many.push_back(1), Many.push_back(0), Many.push_back(0);
    ExpectLoadedOrRefused(G, BmpRle8(3, 2, Many), 3, 2);
    // Negative width; zero height.
    Bytes Neg = BmpRle8(4, 3, {0, 1});
    Put32(Neg, 18, static_cast<uint32_t>(-4));
    EXPECT_EQ(Outcome(G, Neg), "library error");
    Bytes Zero = BmpRle8(4, 3, {0, 1});
    Put32(Zero, 22, 0);
    EXPECT_EQ(Outcome(G, Zero), "library error");
}

TEST(Hostile, TruncatedFilesOfEveryFormat)
{
    std::vector<std::pair<std::unique_ptr<TDibGraphic>, Bytes>> Cases;
    for (ImageFormat F : {ifBlackWhite, ifColor16, ifColor256, ifTrueColor}) {
        auto P = std::make_unique<TPcxGraphic>();
        MakePattern(*P, 33, 17, F);
        TMemoryStream S;
        P->SaveToStream(&S);
        Cases.emplace_back(std::make_unique<TPcxGraphic>(), BytesOf(S));
        auto B = std::make_unique<TBitmapGraphic>();
        MakePattern(*B, 33, 17, F);
        TMemoryStream SB;
        B->SaveToStream(&SB);
        Cases.emplace_back(std::make_unique<TBitmapGraphic>(), BytesOf(SB));
        auto N = std::make_unique<TPpmGraphic>();
        MakePattern(*N, 33, 17, F);
        for (bool Binary : {false, true}) {
            N->SetBinary(Binary);
            TMemoryStream SN;
            N->SaveToStream(&SN);
            Cases.emplace_back(std::make_unique<TPpmGraphic>(), BytesOf(SN));
        }
    }
    for (ImageFormat F : {ifColor256, ifTrueColor}) {
        auto T = std::make_unique<TTgaGraphic>();
        MakePattern(*T, 33, 17, F);
        TMemoryStream S;
        T->SaveToStream(&S);
        Cases.emplace_back(std::make_unique<TTgaGraphic>(), BytesOf(S));
    }
    {
        auto D = std::make_unique<TDcxGraphic>();
        MakePattern(*D, 33, 17, ifColor256);
        TMemoryStream S;
        D->SaveToStream(&S);
        Cases.emplace_back(std::make_unique<TDcxGraphic>(), BytesOf(S));
    }
    for (auto& [G, File] : Cases) {
        SCOPED_TRACE(G->ClassName() + " of " + std::to_string(File.size()) + " bytes");
        EXPECT_EQ(Outcome(*G, File), "ok");
        // An ASCII PNM cut after its last sample is whole (its end counts as a blank).
        const bool Ascii = G->ClassName() == "TPpmGraphic" && File[1] <= '3';
        for (size_t Cut : {size_t(0), size_t(1), size_t(10), size_t(17), size_t(60), File.size() / 2,
                           Ascii ? File.size() / 2 : File.size() - 1}) {
            SCOPED_TRACE(Cut);
            EXPECT_EQ(Outcome(*G, Bytes(File.begin(), File.begin() + std::min(Cut, File.size() - 1))), "library error");
        }
    }
}

TEST(Hostile, EpsSections)
{
    TEPSGraphic G;
    Bytes F(28, 0);
    F[0] = 0xC5, F[1] = 0xD0, F[2] = 0xD3, F[3] = 0xC6;
    F.resize(100, 0);
    EXPECT_EQ(ErrorOf([&] { auto S = StreamOf(F); G.LoadFromStream(S.get()); }), "EPS file does not have a preview");
    Bytes Huge = F;
    Put32(Huge, 20, 28);
    Put32(Huge, 24, 0x7FFFFFFF);
    EXPECT_EQ(ErrorOf([&] { auto S = StreamOf(Huge); G.LoadFromStream(S.get()); }), "EPS file does not have a preview");
    Bytes Meta = F;
    Put32(Meta, 12, 90);
    Put32(Meta, 16, 0xFFFFFFF0);
    EXPECT_EQ(ErrorOf([&] { auto S = StreamOf(Meta); G.LoadFromStream(S.get()); }), "EPS file does not have a preview");
    Bytes BadMagic = F;
    BadMagic[0] = 0;
    EXPECT_EQ(ErrorOf([&] { auto S = StreamOf(BadMagic); G.LoadFromStream(S.get()); }), "EPS file does not have a preview");
}
