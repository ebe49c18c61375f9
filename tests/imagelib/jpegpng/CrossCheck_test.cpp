// Cross-checks against Pillow (and ImageMagick for the fixtures Pillow cannot make), run
// natively from under Wine: files Pillow writes load here with Pillow's pixels, and Pillow
// reads every file written here with our pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "imagelib/JpegGraphic.h"
#include "imagelib/PngGraphic.h"
#include "platform/rtl/FileStream.h"
#include "tests/imagelib/jpegpng/JpegPngTestUtil.h"
#include "tests/support/TestSupport.h"

using namespace JpegPngTest;

namespace {

using TestSupport::UnixPathOf;

using ImageTest::ReadFileBytes;

// Runs the helper under the host's python3 and waits for it (up to two minutes).
int RunHelper(const std::string& Folder, const std::string& Args, std::string& Log)
{
    static int Counter = 0;
    const std::string Tag = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++Counter);
    return TestSupport::RunHostCommand(JPEGPNG_TEST_PYTHON " '" JPEGPNG_TEST_DIR "/pillow_helper.py' " + Args,
                                       Folder + "helper_" + Tag + ".log", Folder + "helper_" + Tag + ".done", 120000,
                                       &Log);
}

struct TDump {
    int32_t Width = 0, Height = 0, Transparency = -1;
    std::string Mode;
    TBytes Rgb;
    uint32_t At(int32_t X, int32_t Y) const
    {
        const size_t I = (size_t(Y) * size_t(Width) + size_t(X)) * 3;
        return PackRgb(Rgb[I], Rgb[I + 1], Rgb[I + 2]);
    }
};

bool ReadDump(const std::string& Path, TDump& D)
{
    const TBytes B = ReadFileBytes(Path);
    const auto Nl = std::find(B.begin(), B.end(), uint8_t('\n'));
    if (Nl == B.end())
        return false;
    char Mode[16] = {};
    if (std::sscanf(std::string(B.begin(), Nl).c_str(), "%d %d %15s %d", &D.Width, &D.Height, Mode, &D.Transparency) != 4)
        return false;
    D.Mode = Mode;
    D.Rgb.assign(Nl + 1, B.end());
    return D.Rgb.size() == size_t(D.Width) * size_t(D.Height) * 3;
}

// Largest channel difference between a picture and a dump.
int MaxDifference(const TDibGraphic& G, const TDump& D)
{
    int Max = 0;
    for (int32_t Y = 0; Y < G.GetHeight(); ++Y)
        for (int32_t X = 0; X < G.GetWidth(); ++X) {
            const uint32_t P = G.GetPixelColor(X, Y), Q = D.At(X, Y);
            for (int S = 0; S < 24; S += 8)
                Max = std::max(Max, std::abs(int((P >> S) & 0xFF) - int((Q >> S) & 0xFF)));
        }
    return Max;
}

class CrossCheck : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Folder = new TestSupport::TTempFolder;
        std::string Log;
        Status = RunHelper(Folder->Path(), "fixtures '" + UnixPathOf(Folder->File("")) + "'", Log);
        Message = Log;
    }
    static void TearDownTestSuite()
    {
        delete Folder;
        Folder = nullptr;
    }
    void SetUp() override { ASSERT_EQ(Status, 0) << "fixture helper failed: " << Message; }

    static std::string File(const std::string& Name) { return Folder->File(Name); }

    // Loads a fixture here and Pillow's dump of it.
    template <class T>
    void LoadFixture(const std::string& Name, T& G, TDump& D)
    {
        TFileStream S(File(Name), fmOpenRead);
        G.LoadFromStream(&S);
        ASSERT_TRUE(ReadDump(File(Name + ".dump"), D)) << Name;
        ASSERT_EQ(G.GetWidth(), D.Width) << Name;
        ASSERT_EQ(G.GetHeight(), D.Height) << Name;
    }

    // Writes the picture, lets Pillow read it, and compares.
    void PillowReads(TDibGraphic& G, const std::string& Name, TDump& D)
    {
        {
            TFileStream S(File(Name), fmCreate);
            G.SaveToStream(&S);
        }
        std::string Log;
        ASSERT_EQ(RunHelper(Folder->Path(), "dump '" + UnixPathOf(File(Name)) + "'", Log), 0) << Log;
        ASSERT_TRUE(ReadDump(File(Name + ".dump"), D));
        ASSERT_EQ(D.Width, G.GetWidth());
        ASSERT_EQ(D.Height, G.GetHeight());
    }

    static TestSupport::TTempFolder* Folder;
    static int Status;
    static std::string Message;
};

TestSupport::TTempFolder* CrossCheck::Folder = nullptr;
int CrossCheck::Status = -1;
std::string CrossCheck::Message;

} // namespace

TEST_F(CrossCheck, PillowJpegFilesLoadWithPillowsPixels)
{
    for (const char* Name : {"pil420.jpg", "pil444.jpg", "pilgrey.jpg"}) {
        TJpegGraphic G;
        TDump D;
        LoadFixture(Name, G, D);
        EXPECT_EQ(G.GetImageFormat(), D.Mode == "L" ? ifGray256 : ifTrueColor) << Name;
        EXPECT_EQ(MaxDifference(G, D), 0) << Name;
    }
}

TEST_F(CrossCheck, CmykJpegIsRefused)
{
    TJpegGraphic G;
    TFileStream S(File("imcmyk.jpg"), fmOpenRead);
    try {
        G.LoadFromStream(&S);
        FAIL();
    } catch (const EJpegError& E) {
        EXPECT_STREQ(E.what(), "Invalid number of samples, 4");
    }
}

TEST_F(CrossCheck, PillowReadsOurBaselineAndProgressiveJpegs)
{
    for (bool Progressive : {false, true})
        for (ImageFormat F : {ifTrueColor, ifGray256}) {
            TJpegGraphic G;
            MakeSmooth(G, 83, 51, F);
            G.SetProgressive(Progressive);
            TDump D;
            const std::string Name = std::string("our") + (Progressive ? "p" : "b") + std::to_string(int(F)) + ".jpg";
            PillowReads(G, Name, D);
            TJpegGraphic Back;
            TFileStream S(File(Name), fmOpenRead);
            Back.LoadFromStream(&S);
            EXPECT_EQ(MaxDifference(Back, D), 0) << Name;
        }
}

TEST_F(CrossCheck, PillowPngFilesLoadWithPillowsPixels)
{
    struct {
        const char* Name;
        ImageFormat Format;
        int Tolerance;
    } Cases[] = {{"pil1.png", ifBlackWhite, 0},   {"pilL.png", ifGray256, 0},     {"pilP.png", ifColor256, 0},
                 {"pilP2.png", ifColor16, 0},     {"pilRGB.png", ifTrueColor, 0}, {"pilRGBA.png", ifTrueColor, 1},
                 {"pilI16.png", ifGray256, 0},    {"imgrey2.png", ifGray16, 0},   {"imrgb16.png", ifTrueColor, 0}};
    for (const auto& C : Cases) {
        TPngGraphic G;
        TDump D;
        LoadFixture(C.Name, G, D);
        EXPECT_EQ(G.GetImageFormat(), C.Format) << C.Name;
        EXPECT_LE(MaxDifference(G, D), C.Tolerance) << C.Name;
    }
}

TEST_F(CrossCheck, PillowReadsEveryPngWeWrite)
{
    for (int F = 0; F < kImageFormatCount; ++F)
        for (bool Interlaced : {false, true}) {
            TPngGraphic G;
            MakeSmooth(G, 45, 31, ImageFormat(F));
            G.SetInterlaced(Interlaced);
            TDump D;
            PillowReads(G, "our" + std::to_string(F) + (Interlaced ? "i" : "") + ".png", D);
            EXPECT_EQ(MaxDifference(G, D), 0) << ImageFormatName(F) << Interlaced;
        }
}

TEST_F(CrossCheck, PillowSeesTheTransparentIndex)
{
    TPngGraphic G;
    MakeSmooth(G, 20, 20, ifColor256);
    G.SetTransparent(true);
    G.SetTransparentColor(PackRgb(0, 170, 0)); // entry 2 of the default palette
    TDump D;
    PillowReads(G, "trns.png", D);
    EXPECT_EQ(D.Transparency, 2);
}
