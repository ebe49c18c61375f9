// The picture-class readers on the inputs the fuzz targets start from and on what fuzzing
// found: every seed our writers made loads as a sound picture (so the fuzzers start from
// files that reach the pixel decoders), and the fixed findings stay fixed.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imagelib/EpsGraphic.h"
#include "imagelib/PcxGraphic.h"
#include "imagelib/PpmGraphic.h"
#include "imagelib/TiffGraphic.h"
#include "tests/fuzz/Seeds.h"
#include "tests/fuzz/targets/DibTarget.h"

namespace {

std::unique_ptr<TMemoryStream> StreamOf(const std::vector<uint8_t>& Bytes)
{
    return qmfuzz::StreamOf(Bytes.data(), Bytes.size());
}

// Every seed of Target, loaded by a fresh picture of class T (page 1); the names of those
// that did not load.
template <class T>
std::vector<std::string> SeedsThatFail(const char* Target, size_t& Count)
{
    qmfuzz::StartPictureLibrary();
    std::vector<std::string> Failed;
    const auto Seeds = qmfuzz::MakeSeeds(Target);
    Count = Seeds.size();
    for (const auto& S : Seeds) {
        auto Stream = StreamOf(S.Bytes);
        T G;
        try {
            EXPECT_TRUE(G.CanLoadStream(Stream.get())) << S.Name;
            G.LoadImageFromStream(Stream.get(), 1);
            EXPECT_FALSE(G.GetEmpty()) << S.Name;
        } catch (const Exception& E) {
            Failed.push_back(S.Name + ": " + E.what());
        }
    }
    return Failed;
}

TEST(PictureSeeds, EveryWrittenTiffLoadsExceptLzw)
{
    size_t Count = 0;
    const auto Failed = SeedsThatFail<TTiffGraphic>("tiff", Count);
    EXPECT_GE(Count, 60u);
    // LZW is refused by design; everything else our writer or libtiff made must load.
    ASSERT_EQ(Failed.size(), 1u) << testing::PrintToString(Failed);
    EXPECT_EQ(Failed[0].rfind("lzw.tif", 0), 0u) << Failed[0];
}

TEST(PictureSeeds, EveryPnmDcxAndEpsSeedLoads)
{
    size_t Count = 0;
    EXPECT_EQ(SeedsThatFail<TPpmGraphic>("pnm", Count), std::vector<std::string>{});
    EXPECT_GE(Count, 36u);
    EXPECT_EQ(SeedsThatFail<TDcxGraphic>("dcx", Count), std::vector<std::string>{});
    EXPECT_GE(Count, 15u);
    EXPECT_EQ(SeedsThatFail<TEPSGraphic>("eps", Count), std::vector<std::string>{});
    EXPECT_GE(Count, 4u);
}

TEST(PictureSeeds, SeveralPagesCountAndLoadInOrder)
{
    qmfuzz::StartPictureLibrary();
    for (const auto& S : qmfuzz::MakeSeeds("tiff")) {
        if (S.Name != "four_pages.tif")
            continue;
        auto Stream = StreamOf(S.Bytes);
        TTiffGraphic G;
        ASSERT_EQ(G.GetStreamImageCount(Stream.get()), 4);
        const ImageFormat Expected[] = {ifTrueColor, ifBlackWhite, ifColor256, ifGray16};
        for (int32_t Page = 1; Page <= 4; ++Page) {
            Stream->SetPosition(0);
            TTiffGraphic P;
            P.LoadImageFromStream(Stream.get(), Page);
            EXPECT_EQ(P.GetImageFormat(), Expected[Page - 1]);
            EXPECT_EQ(P.GetWidth(), 10 + Page - 1);
            EXPECT_EQ(P.PageName, "Page " + std::to_string(Page));
        }
    }
    for (const auto& S : qmfuzz::MakeSeeds("dcx")) {
        if (S.Name != "five_pages.dcx")
            continue;
        auto Stream = StreamOf(S.Bytes);
        TDcxGraphic G;
        ASSERT_EQ(G.GetStreamImageCount(Stream.get()), 5);
        Stream->SetPosition(0);
        G.LoadImageFromStream(Stream.get(), 5);
        EXPECT_EQ(G.GetWidth(), 7 + 3 * 4);
        EXPECT_EQ(G.GetHeight(), 4 + 4);
    }
}

// Every page of a stream becomes a frame and the first is shown; a stream that fails part-way
// leaves the frames of the earlier load whole; a stream of one page drops the frames.
TEST(PictureFrames, AllPagesBecomeFramesAndAFailedLoadKeepsTheEarlierOnes)
{
    qmfuzz::StartPictureLibrary();
    std::vector<uint8_t> Pages;
    for (const auto& S : qmfuzz::MakeSeeds("dcx"))
        if (S.Name == "five_pages.dcx")
            Pages = S.Bytes;
    ASSERT_GT(Pages.size(), 24u);

    TDcxGraphic G;
    G.SetLoadAllImages(true);
    G.LoadFromStream(StreamOf(Pages).get());
    ASSERT_EQ(G.GetFrameCount(), 5);
    EXPECT_EQ(G.GetCurrentFrame(), 1);
    for (int32_t Page = 1; Page <= 5; ++Page) {
        EXPECT_EQ(G.GetFrame(Page)->GetWidth(), 7 + 3 * (Page - 1));
        EXPECT_EQ(G.GetFrame(Page)->GetHeight(), 4 + (Page - 1));
    }
    EXPECT_EQ(G.GetWidth(), 7);
    G.SetCurrentFrame(4);
    EXPECT_EQ(G.GetWidth(), 16);
    EXPECT_TRUE(qmfuzz::SamePixels(G, *G.GetFrame(4)));

    // Cut inside the fourth page (its offset is the table's fourth entry).
    const uint32_t Fourth = uint32_t(Pages[16]) | uint32_t(Pages[17]) << 8 | uint32_t(Pages[18]) << 16 |
                            uint32_t(Pages[19]) << 24;
    ASSERT_LT(size_t(Fourth) + 10, Pages.size());
    const std::vector<uint8_t> Cut(Pages.begin(), Pages.begin() + Fourth + 10);
    EXPECT_THROW(G.LoadFromStream(StreamOf(Cut).get()), Exception);
    ASSERT_EQ(G.GetFrameCount(), 5);
    EXPECT_EQ(G.GetFrame(5)->GetWidth(), 19);
    EXPECT_TRUE(G.GetLoadAllImages());

    TDcxGraphic Second;
    Second.LoadImageFromStream(StreamOf(Pages).get(), 2);
    TMemoryStream One;
    Second.AppendImageToStream(&One);
    One.SetPosition(0);
    G.LoadFromStream(&One);
    EXPECT_FALSE(G.GetLoadAllImages());
    EXPECT_EQ(G.GetFrameCount(), 0);
    EXPECT_EQ(G.GetWidth(), 10);
    EXPECT_TRUE(qmfuzz::SamePixels(G, Second));
}

// ---------------------------------------------------------------- findings

void Put16(std::vector<uint8_t>& V, uint32_t X)
{
    V.push_back(uint8_t(X));
    V.push_back(uint8_t(X >> 8));
}
void Put32(std::vector<uint8_t>& V, uint32_t X)
{
    Put16(V, X & 0xFFFF);
    Put16(V, X >> 16);
}

struct TEntry {
    uint16_t Tag, Type;
    uint32_t Count, Value;
};

// A little-endian TIFF of one directory at offset 8 and 16 bytes of strip data after it.
std::vector<uint8_t> HandTiff(const std::vector<TEntry>& Entries)
{
    std::vector<uint8_t> V = {'I', 'I', 42, 0};
    Put32(V, 8);
    Put16(V, uint32_t(Entries.size()));
    const uint32_t DataAt = 8 + 2 + 12 * uint32_t(Entries.size()) + 4;
    for (const TEntry& E : Entries) {
        Put16(V, E.Tag);
        Put16(V, E.Type);
        Put32(V, E.Count);
        if (E.Type == 3 && E.Count == 1) {
            Put16(V, E.Value);
            Put16(V, 0);
        } else
            Put32(V, E.Tag == 273 ? DataAt : E.Value);
    }
    Put32(V, 0);
    V.resize(V.size() + 16, 0x55);
    return V;
}

// A bilevel picture in separate planes goes through libtiff's RGBA reader, whose raster is four
// bytes a pixel: 16400 x 16400 is a 33 MB picture but a raster above the 1 GiB picture cap.
// It is refused before the raster is allocated, on 64-bit hosts as on Win32.
TEST(PictureFindings, TiffRgbaRasterAboveThePictureCapIsRefused)
{
    qmfuzz::StartPictureLibrary();
    const std::vector<uint8_t> File = HandTiff({{256, 4, 1, 16400},
                                                {257, 4, 1, 16400},
                                                {258, 3, 1, 1},
                                                {259, 3, 1, 1},
                                                {262, 3, 1, 1},
                                                {273, 4, 1, 0},
                                                {277, 3, 1, 1},
                                                {278, 4, 1, 16400},
                                                {279, 4, 1, 16},
                                                {284, 3, 1, 2}});
    auto Stream = StreamOf(File);
    TTiffGraphic G;
    ASSERT_EQ(G.GetStreamImageCount(Stream.get()), 1);
    Stream->SetPosition(0);
    EXPECT_THROW(G.LoadImageFromStream(Stream.get(), 1), EOutOfMemory);

    // The same layout at a size whose raster fits reads on (and fails on the missing data).
    const std::vector<uint8_t> Small = HandTiff({{256, 4, 1, 64},
                                                 {257, 4, 1, 64},
                                                 {258, 3, 1, 1},
                                                 {259, 3, 1, 1},
                                                 {262, 3, 1, 1},
                                                 {273, 4, 1, 0},
                                                 {277, 3, 1, 1},
                                                 {278, 4, 1, 64},
                                                 {279, 4, 1, 16},
                                                 {284, 3, 1, 2}});
    auto SmallStream = StreamOf(Small);
    TTiffGraphic S;
    try {
        S.LoadImageFromStream(SmallStream.get(), 1);
    } catch (const EOutOfMemory&) {
        ADD_FAILURE() << "a raster within the cap was refused";
    } catch (const Exception&) {
    }
}

} // namespace
