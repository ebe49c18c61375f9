// The help loader against a folder without the library, a library without the entry, and the
// recording HHCTRL.OCX built with the tests; and the program-wide call through the test log.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include <windows.h>

#include "app/HtmlHelp.h"
#include "tests/support/TestSupport.h"

namespace {

std::string WinPath(std::string P)
{
    for (char& C : P)
        if (C == '/')
            C = '\\';
    return "Z:" + P;
}

const std::string GoodFolder = WinPath(QM_HH_GOOD_DIR);
const std::string NoExportFolder = WinPath(QM_HH_NOEXPORT_DIR);

// The recording entries of the test library, bound through a handle of our own.
struct TRecorder {
    HMODULE Module = nullptr;
    int(WINAPI* CallCount)() = nullptr;
    int(WINAPI* Call)(int, HWND*, char*, int, UINT*, DWORD_PTR*) = nullptr;
    explicit TRecorder(const std::string& Path)
    {
        Module = LoadLibraryA(Path.c_str());
        if (!Module)
            return;
        CallCount = reinterpret_cast<int(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(Module, "HhTestCallCount")));
        Call = reinterpret_cast<int(WINAPI*)(int, HWND*, char*, int, UINT*, DWORD_PTR*)>(
            reinterpret_cast<void*>(GetProcAddress(Module, "HhTestCall")));
    }
    ~TRecorder()
    {
        if (Module)
            FreeLibrary(Module);
    }
    struct TCall {
        HWND Window;
        std::string File;
        UINT Command;
        DWORD_PTR Data;
    };
    TCall Get(int I) const
    {
        TCall C{};
        char File[260] = {};
        EXPECT_TRUE(Call(I, &C.Window, File, sizeof(File), &C.Command, &C.Data)) << I;
        C.File = File;
        return C;
    }
};

std::string Message(const std::function<void()>& F)
{
    try {
        F();
    } catch (const EHtmlHelpError& E) {
        return E.Message();
    } catch (...) {
        return "<other exception>";
    }
    return "<no exception>";
}

} // namespace

TEST(HtmlHelpLoader, AMissingLibraryFailsEveryCallAndIsTriedAgain)
{
    TestSupport::TTempFolder Empty;
    THtmlHelpLoader Loader(Empty.Path());
    const std::string Expected = "HHCtrl.OCX not installed!\r HTMLHELP cannot displayed!";
    EXPECT_EQ(Message([&] { Loader.Call(nullptr, "a.chm", 0, 0); }), Expected);
    EXPECT_FALSE(Loader.GetLoaded());
    EXPECT_EQ(Message([&] { Loader.Call(nullptr, "a.chm", 0, 0); }), Expected);

    // The retry is real: once the library is there, the same loader gets it.
    ASSERT_TRUE(CopyFileA((GoodFolder + "\\HHCTRL.OCX").c_str(), Empty.File("HHCTRL.OCX").c_str(), FALSE));
    EXPECT_EQ(Message([&] { Loader.Call(nullptr, "a.chm", 0, 0); }), "<no exception>");
    EXPECT_TRUE(Loader.GetLoaded());
}

TEST(HtmlHelpLoader, ALibraryWithoutTheEntryFails)
{
    THtmlHelpLoader Loader(NoExportFolder);
    EXPECT_EQ(Message([&] { Loader.Call(nullptr, "a.chm", 0, 0); }), "Function HTMLHELP cannot loaded!");
    EXPECT_FALSE(Loader.GetLoaded());
    EXPECT_EQ(Message([&] { Loader.Call(nullptr, "a.chm", 0, 0); }), "Function HTMLHELP cannot loaded!");
}

TEST(HtmlHelpLoader, InitialisesOnceThenForwardsEveryCall)
{
    TRecorder Rec(GoodFolder + "\\HHCTRL.OCX");
    ASSERT_NE(Rec.Module, nullptr);
    ASSERT_NE(Rec.CallCount, nullptr);
    {
        // A trailing backslash on the folder is taken as well.
        THtmlHelpLoader Loader(GoodFolder + "\\");
        const int Before = Rec.CallCount();
        const HWND Window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x4242));
        const std::string Topic = "C:\\Prog\\zq.chm::/User interface - Options Window.htm";
        const HWND R1 = Loader.Call(Window, Topic, 0, 0);
        ASSERT_EQ(Rec.CallCount(), Before + 2);
        const auto Init = Rec.Get(Before);
        EXPECT_EQ(Init.Command, 28u);
        EXPECT_NE(Init.Data, 0u) << "the address of the cookie";
        EXPECT_EQ(Init.Window, nullptr);
        const auto First = Rec.Get(Before + 1);
        EXPECT_EQ(First.Window, Window);
        EXPECT_EQ(First.File, Topic);
        EXPECT_EQ(First.Command, 0u);
        EXPECT_EQ(First.Data, 0u);
        EXPECT_EQ(R1, reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1000 + Before + 2))) << "the library's result";

        const HWND R2 = Loader.Call(Window, "other.chm", 15, 77);
        ASSERT_EQ(Rec.CallCount(), Before + 3) << "no second initialisation";
        const auto Second = Rec.Get(Before + 2);
        EXPECT_EQ(Second.Command, 15u);
        EXPECT_EQ(Second.Data, 77u);
        EXPECT_EQ(Second.File, "other.chm");
        EXPECT_EQ(R2, reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1000 + Before + 3)));
    }
}

TEST(HtmlHelp, TheTestLogTakesTheCallAndNothingIsLoaded)
{
    TestSupport::TTempFolder Folder;
    const std::string Log = Folder.File("seams.log");
    SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", Log.c_str());
    const HWND Window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x77));
    const HWND R = HtmlHelp(Window, HelpTopicPath("New Task"), 0, 0);
    SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", nullptr);
    EXPECT_EQ(R, nullptr);
    std::ifstream In(Log, std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    const std::string Text = S.str();
    EXPECT_NE(Text.find("help\t"), std::string::npos) << Text;
    EXPECT_NE(Text.find("zq.chm::/User interface - New Task Window.htm"), std::string::npos) << Text;
    EXPECT_EQ(GetModuleHandleA("HHCTRL.OCX"), nullptr) << "the help library was loaded";
}

TEST(HtmlHelp, TopicPathsLieInTheProgramsFolder)
{
    char Exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, Exe, sizeof(Exe));
    std::string Folder = Exe;
    Folder.resize(Folder.rfind('\\') + 1);
    EXPECT_EQ(HelpTopicPath("Options"), Folder + "zq.chm::/User interface - Options Window.htm");
}
