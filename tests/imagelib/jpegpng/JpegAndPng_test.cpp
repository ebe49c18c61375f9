// What TJpegGraphic and TPngGraphic share, tested once over both classes: stream failures,
// signature checks that keep the position, progress, names and registry, a single image per
// file, and huge declared sizes. Portable: needs nothing of Windows beyond the picture model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imagelib/ImgMisc.h"
#include "imagelib/JpegGraphic.h"
#include "imagelib/PngGraphic.h"
#include "tests/imagelib/jpegpng/JpegPngTestUtil.h"

using namespace JpegPngTest;

namespace {

struct TJpeg {
    using TGraphic = TJpegGraphic;
    using TError = EJpegError;
    static constexpr const char* kName = "Jpeg";
    static constexpr const char* kClassName = "TJpegGraphic";
    // Bytes read before the signature can be told (SOI, APP0 and "JFIF").
    static constexpr int32_t kSignatureBytes = 11;
    // Past the encoder's first write.
    static constexpr int64_t kWritableBytes = 1000;
    static std::vector<std::string> FileNames() { return {"photo.JpG", "x.jpeg", "a.jpg"}; }

    static TBytes Saved(int32_t W, int32_t H, int32_t Dpi = 300)
    {
        TJpegGraphic G;
        MakeSmooth(G, W, H, ifTrueColor, Dpi);
        return SaveBytes(G);
    }
    static void ExpectSinkFullText(const std::string& Text)
    {
        EXPECT_NE(Text.find("write"), std::string::npos) << Text;
    }
    // A real file whose frame header declares Side x Side.
    static TBytes DeclaringSize(uint16_t Side)
    {
        TBytes F = Saved(64, 48);
        size_t P = 2;
        while (P + 9 < F.size() && !(F[P] == 0xFF && F[P + 1] == 0xC0))
            P += 2 + (size_t(F[P + 2]) << 8 | F[P + 3]);
        EXPECT_LT(P + 9, F.size());
        if (P + 9 >= F.size())
            return F;
        F[P + 5] = F[P + 7] = uint8_t(Side >> 8);
        F[P + 6] = F[P + 8] = uint8_t(Side);
        return F;
    }
};

struct TPng {
    using TGraphic = TPngGraphic;
    using TError = EPNGError;
    static constexpr const char* kName = "Png";
    static constexpr const char* kClassName = "TPngGraphic";
    static constexpr int32_t kSignatureBytes = 8;
    static constexpr int64_t kWritableBytes = 100;
    static std::vector<std::string> FileNames() { return {"a.PNG", "b.png"}; }

    static TBytes Saved(int32_t W, int32_t H)
    {
        TPngGraphic G;
        MakeSmooth(G, W, H, ifTrueColor, 96);
        G.SetInterlaced(false);
        return SaveBytes(G);
    }
    static void ExpectSinkFullText(const std::string& Text) { EXPECT_EQ(Text, "Write Error"); }
    // A 1 x 1 file whose IHDR declares Side x Side, its CRC mended.
    static TBytes DeclaringSize(uint16_t Side)
    {
        const TBytes F = MakePng(1, 1, 8, 2, {{1, 2, 3}});
        TBytes Ihdr(F.begin() + 16, F.begin() + 29);
        for (size_t At : {size_t(0), size_t(4)}) {
            Ihdr[At] = Ihdr[At + 1] = 0;
            Ihdr[At + 2] = uint8_t(Side >> 8);
            Ihdr[At + 3] = uint8_t(Side);
        }
        TBytes Out(F.begin(), F.begin() + 8);
        AppendChunk(Out, "IHDR", Ihdr);
        Out.insert(Out.end(), F.begin() + 33, F.end());
        return Out;
    }
};

struct TFormatName {
    template <class T>
    static std::string GetName(int) { return T::kName; }
};

template <class T>
class JpegAndPngGraphic : public ::testing::Test {};

using TFormats = ::testing::Types<TJpeg, TPng>;
TYPED_TEST_SUITE(JpegAndPngGraphic, TFormats, TFormatName);

} // namespace

TYPED_TEST(JpegAndPngGraphic, NamedAndRegisteredForItsExtensions)
{
    using T = TypeParam;
    typename T::TGraphic G;
    EXPECT_EQ(G.ClassName(), T::kClassName);
    EXPECT_EQ(G.CreateNew()->ClassName(), T::kClassName);
    for (const std::string& Name : T::FileNames()) {
        EXPECT_EQ(FindDibGraphicClass(Name).ClassName, T::kClassName) << Name;
        EXPECT_EQ(CreateGraphicForFile(Name)->ClassName(), T::kClassName) << Name;
    }
}

TYPED_TEST(JpegAndPngGraphic, CanLoadStreamRestoresThePosition)
{
    using T = TypeParam;
    const TBytes F = T::Saved(64, 48);
    typename T::TGraphic G;
    for (const std::string Before : {"ab", "xyz"}) {
        TMemoryStream S;
        S.WriteBuffer(Before.data(), int32_t(Before.size()));
        S.WriteBuffer(F.data(), int32_t(F.size()));
        const int64_t Start = int64_t(Before.size());
        S.SetPosition(Start);
        EXPECT_TRUE(G.CanLoadStream(&S)) << Before;
        EXPECT_EQ(S.GetPosition(), Start);
        // One byte on, the signature is gone.
        S.SetPosition(Start + 1);
        EXPECT_FALSE(G.CanLoadStream(&S)) << Before;
        EXPECT_EQ(S.GetPosition(), Start + 1);
    }
    // Too short to tell.
    for (int32_t Length : {5, T::kSignatureBytes - 1}) {
        TMemoryStream Short;
        Short.WriteBuffer(F.data(), Length);
        Short.SetPosition(0);
        EXPECT_FALSE(G.CanLoadStream(&Short)) << Length;
        EXPECT_EQ(Short.GetPosition(), 0);
    }
}

TYPED_TEST(JpegAndPngGraphic, StreamFailuresCarryTheStreamsText)
{
    using T = TypeParam;
    const TBytes F = T::Saved(200, 200);
    TFailingStream In(int64_t(F.size()) / 2);
    In.WriteBuffer(F.data(), int32_t(F.size()));
    In.SetPosition(0);
    typename T::TGraphic G;
    try {
        G.LoadFromStream(&In);
        FAIL();
    } catch (const typename T::TError& E) {
        EXPECT_STREQ(E.what(), "Test stream broke while reading");
    }

    MakeSmooth(G, 200, 200, ifTrueColor);
    TFailingStream Out(T::kWritableBytes);
    Out.FWrites = true;
    try {
        G.SaveToStream(&Out);
        FAIL();
    } catch (const typename T::TError& E) {
        EXPECT_STREQ(E.what(), "Test stream broke while writing");
    }
    TFullStream Full;
    try {
        G.SaveToStream(&Full);
        FAIL();
    } catch (const typename T::TError& E) {
        T::ExpectSinkFullText(E.what());
    }
}

TYPED_TEST(JpegAndPngGraphic, ProgressRunsFromZeroToHundred)
{
    using T = TypeParam;
    for (const auto& [W, H] : {std::pair{64, 300}, std::pair{40, 200}}) {
        SCOPED_TRACE(std::to_string(W) + " x " + std::to_string(H));
        typename T::TGraphic G;
        MakeSmooth(G, W, H, ifTrueColor);
        const TBytes F = SaveBytes(G);
        std::vector<int> Seen;
        G.OnProgress = [&](TObject* Sender, uint8_t Percent) {
            EXPECT_EQ(Sender, &G);
            Seen.push_back(Percent);
        };
        LoadBytes(G, F);
        ASSERT_GE(Seen.size(), 3u);
        EXPECT_EQ(Seen.front(), 0);
        EXPECT_EQ(Seen.back(), 100);
        for (size_t I = 1; I < Seen.size(); ++I)
            EXPECT_GT(Seen[I], Seen[I - 1]);
    }
}

TYPED_TEST(JpegAndPngGraphic, NoMultipleImages)
{
    using T = TypeParam;
    typename T::TGraphic G;
    MakeSmooth(G, 8, 8, ifTrueColor);
    TMemoryStream S;
    try {
        G.AppendImageToStream(&S);
        FAIL();
    } catch (const EDidodazaError& E) {
        EXPECT_EQ(std::string(E.what()), std::string("The ") + T::kClassName + " format does not support multiple images");
    }
    EXPECT_EQ(G.GetStreamImageCount(&S), 1);
}

TYPED_TEST(JpegAndPngGraphic, HugeDeclaredSizeIsRefusedBeforeDecoding)
{
    using T = TypeParam;
    for (uint16_t Side : {uint16_t(60000), uint16_t(65000)}) {
        typename T::TGraphic G;
        EXPECT_THROW(LoadBytes(G, T::DeclaringSize(Side)), EDidodazaError) << Side;
    }
}
