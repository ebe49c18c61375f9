// The shared test support itself: its failures are real failures, its scoped resources go away.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "platform/win/Files.h"
#include "tests/support/TestSupport.h"

using namespace TestSupport;

TEST(TestSupport, PumpUntilFailsOnTimeOut)
{
    EXPECT_NONFATAL_FAILURE(PumpUntil([] { return false; }, 50, "nothing at all"), "waiting for nothing at all");
    int Calls = 0;
    EXPECT_TRUE(PumpUntil([&] { return ++Calls == 3; }, 20000));
}

TEST(TestSupport, UnhandledExceptionsFailTheRunningTest)
{
    EXPECT_NONFATAL_FAILURE(Application->HandleException(std::make_exception_ptr(EConvertError("stray"))),
                            "EConvertError: stray");
}

TEST(TestSupport, VisibleWindowsOfTheThreadAreFound)
{
    HWND W = CreateWindowExA(0, "STATIC", "Left open", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(W, nullptr);
    const auto Found = VisibleThreadWindows();
    EXPECT_NE(std::find(Found.begin(), Found.end(), W), Found.end());
    DestroyWindow(W);
    const auto After = VisibleThreadWindows();
    EXPECT_EQ(std::find(After.begin(), After.end(), W), After.end());
}

TEST(TestSupport, TempFolderGoesWithItsContent)
{
    std::string Path;
    {
        TTempFolder Dir;
        Path = Dir.Path();
        ASSERT_TRUE(ForceDirectories(Dir.Path() + "a\\b"));
        HANDLE F = CreateFileA(Dir.File("a\\b\\ro.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, nullptr);
        ASSERT_NE(F, INVALID_HANDLE_VALUE);
        CloseHandle(F);
        EXPECT_EQ(Path.rfind(GetTempPath(), 0), 0u);
    }
    EXPECT_FALSE(EntryExists(Path));
}

namespace {

// The entry of Path as its parent folder lists it: what a folder dialog reads for each level.
FILETIME ListedAccessTime(const std::string& Path)
{
    WIN32_FIND_DATAA D{};
    HANDLE H = FindFirstFileA(Path.c_str(), &D);
    if (H != INVALID_HANDLE_VALUE)
        FindClose(H);
    return D.ftLastAccessTime;
}

void ListFolder(const std::string& Folder)
{
    WIN32_FIND_DATAA D{};
    HANDLE H = FindFirstFileA((Folder + "\\*").c_str(), &D);
    ASSERT_NE(H, INVALID_HANDLE_VALUE) << Folder;
    while (FindNextFileA(H, &D)) {
    }
    FindClose(H);
}

} // namespace

TEST(TestSupport, SettledFoldersKeepTheirEntriesWhenReadAgain)
{
    // Freshly made folders with something made in them since: each level's next read would move
    // its access time. After SettleFolderTimes no read moves it any more, on any level.
    TTempFolder Dir;
    const std::string Outer = Dir.Path() + "outer";
    const std::string Inner = Outer + "\\inner";
    ASSERT_TRUE(CreateDirectoryA(Outer.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(Inner.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((Inner + "\\leaf").c_str(), nullptr));
    TestSupport::SettleFolderTimes(Inner);
    const std::string Levels[] = {ExcludeTrailingBackslash(Dir.Path()), Outer, Inner};
    FILETIME Before[3];
    for (int I = 0; I < 3; ++I)
        Before[I] = ListedAccessTime(Levels[I]);
    for (const std::string& L : Levels)
        ListFolder(L);
    for (int I = 0; I < 3; ++I) {
        const FILETIME After = ListedAccessTime(Levels[I]);
        EXPECT_EQ(CompareFileTime(&Before[I], &After), 0) << Levels[I];
    }
}

TEST(TestSupport, DialogAnswererWaitsForItsCondition)
{
    int Ticks = 0;
    THiddenWindow Counter([&](UINT Msg, WPARAM, LPARAM, LRESULT&) {
        if (Msg != WM_TIMER)
            return false;
        ++Ticks;
        return true;
    });
    SetTimer(Counter.GetHandle(), 1, 10, nullptr);
    TDialogAnswerer Other("Some other box"); // does not match: leaves this one alone
    TDialogAnswerer Answerer("Condition box", IDCANCEL, [&] { return Ticks >= 5; });
    EXPECT_EQ(Application->MessageBox("Wait for five ticks", "Condition box", MB_OKCANCEL), IDCANCEL);
    KillTimer(Counter.GetHandle(), 1);
    EXPECT_GE(Ticks, 5);
    EXPECT_EQ(Other.AnsweredCount(), 0);
    EXPECT_FALSE(Other.Seen());
    EXPECT_EQ(Answerer.AnsweredCount(), 1);
}

TEST(TestSupport, DialogAnswererRecordsTheDefaultButton)
{
    TDialogAnswerer Answerer("Default box", IDYES);
    EXPECT_EQ(Application->MessageBox("Which one is the default?", "Default box", MB_YESNO | MB_DEFBUTTON2), IDYES);
    EXPECT_EQ(Answerer.DefaultButton(), IDNO);
}

// Host programs run from under Wine report through a marker file: the exit code and the output
// come back, a marker left from an earlier run is not taken for this one's, and a program that
// does not finish in time is reported as such rather than as a success.
TEST(TestSupport, HostCommandReportsExitCodeAndOutput)
{
    TTempFolder Dir;
    const std::string Unix = UnixPathOf(Dir.Path());
    ASSERT_FALSE(Unix.empty());
    EXPECT_EQ(Unix[0], '/') << Unix;

    std::string Log;
    EXPECT_EQ(RunHostCommand("( echo to-out; echo to-err >&2; test -d '" + Unix + "' && exit 7 )", Dir.File("a.log"),
                             Dir.File("a.done"), 60000, &Log),
              7);
    EXPECT_NE(Log.find("to-out"), std::string::npos) << Log;
    EXPECT_NE(Log.find("to-err"), std::string::npos) << Log;

    // A stale marker saying success must not end the wait for a run that fails.
    FILE* Stale = std::fopen(Dir.File("b.done").c_str(), "w");
    ASSERT_NE(Stale, nullptr);
    std::fputs("0\n", Stale);
    std::fclose(Stale);
    EXPECT_EQ(RunHostCommand("( sleep 1; exit 3 )", Dir.File("b.log"), Dir.File("b.done"), 60000), 3);

    EXPECT_EQ(RunHostCommand("sleep 5", Dir.File("c.log"), Dir.File("c.done"), 200), -1);
}
