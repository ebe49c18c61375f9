// The default PNG warning hook: a "PNG Error" box on the user-interface thread while warnings
// are not silenced, nothing on a worker thread, nothing while silenced.
#include <gtest/gtest.h>

#include <thread>

#include "imagelib/PngGlue.h"
#include "imagelib/PngGraphic.h"
#include "imagelib/PngWarningBox.h"
#include "tests/imagelib/jpegpng/JpegPngTestUtil.h"
#include "tests/support/TestSupport.h"

using namespace JpegPngTest;

namespace {

TBytes WarningFile() { return MakePng(2, 1, 8, 0, {{7, 9}}, {{"tEXt", {'k', 0, 'v'}, true}}); }

// Puts the silence switch and the hook back as the test program had them.
class TWarningState {
public:
    TWarningState() : FHook(GetPngWarningHook()), FSilenced(GetPngWarningsSilenced()) {}
    ~TWarningState()
    {
        SetPngWarningHook(FHook);
        SetPngWarningsSilenced(FSilenced);
    }

private:
    TPngWarningHook FHook;
    bool FSilenced;
};

} // namespace

TEST(PngWarningBox, TheLibraryStartInstallsIt)
{
    // Silenced in tests, so calling it shows nothing; its presence is what is checked.
    EXPECT_TRUE(static_cast<bool>(GetPngWarningHook()));
    EXPECT_TRUE(GetPngWarningsSilenced());
}

TEST(PngWarningBox, ShowsTheBoxOnTheUserInterfaceThread)
{
    TWarningState Keep;
    InstallPngWarningBox();
    SetPngWarningsSilenced(false);
    TestSupport::TDialogAnswerer Answer("PNG Error");
    TPngGraphic G;
    LoadBytes(G, WarningFile());
    EXPECT_EQ(G.GetPixelIndex(1, 0), 9);
    EXPECT_EQ(Answer.AnsweredCount(), 1);
    EXPECT_EQ(Answer.Caption(), "PNG Error");
    EXPECT_NE(Answer.Text().find("CRC"), std::string::npos) << Answer.Text();
}

TEST(PngWarningBox, ShowsNothingOnAWorkerThread)
{
    TWarningState Keep;
    InstallPngWarningBox();
    SetPngWarningsSilenced(false);
    // Any box would block the worker; the answerer would find and count it.
    TestSupport::TDialogAnswerer Answer("", IDOK, nullptr, true);
    int Warnings = -1;
    bool Finished = false;
    std::thread Worker([&] {
        TPngGraphic G;
        LoadBytes(G, WarningFile());
        Warnings = G.GetWarnings();
        Finished = true;
    });
    const bool Done = TestSupport::PumpUntil([&] { return Finished; }, 10000, "the worker's load");
    Worker.join();
    EXPECT_TRUE(Done);
    EXPECT_GE(Warnings, 1);
    EXPECT_EQ(Answer.AnsweredCount(), 0);
    EXPECT_TRUE(TestSupport::VisibleThreadWindows().empty());
}

TEST(PngWarningBox, ShowsNothingWhileSilenced)
{
    TWarningState Keep;
    InstallPngWarningBox();
    SetPngWarningsSilenced(true);
    TestSupport::TDialogAnswerer Answer("", IDOK, nullptr, true);
    TPngGraphic G;
    LoadBytes(G, WarningFile());
    TestSupport::PumpFor(200);
    EXPECT_GE(G.GetWarnings(), 1);
    EXPECT_EQ(Answer.AnsweredCount(), 0);
}
