#pragma once
// Shared set-up of the clock, task-end, closing and view tests of the main window: tasks run
// against the loopback test server; shell, help and shut-down calls are read back from the
// test-seam log.

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/MainForm.h"
#include "app/OptionsForm.h"
#include "app/ShowMinPromptForm.h"
#include "app/ShutdownForm.h"
#include "app/TipForm.h"
#include "app/WinTaskbar.h"
#include "engine/EngineRoutines.h"
#include "platform/rtl/DateUtils.h"
#include "platform/win/Files.h"
#include "platform/win/Tabs.h"
#include "tests/app/MainFormFixture.h"
#include "tests/support/TestServer.h"

namespace W4 {

using namespace MainFormTest;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;
using TestSupport::TDialogAnswerer;

// The notification-area calls the tests made, in order (the shell itself is not asked: under Wine
// without a tray every call waits for a time-out).
inline std::vector<DWORD> NotifyCalls;
inline BOOL WINAPI RecordNotifyIcon(DWORD Message, TNotifyIconData*)
{
    NotifyCalls.push_back(Message);
    return TRUE;
}

// A picture of the screen area covering both windows (a modal window over the main window), into
// the build's screenshots folder.
inline bool ScreenshotOfWindows(HWND Back, HWND Front, const std::string& Name)
{
    RECT A, B, U;
    if (!GetWindowRect(Back, &A) || !GetWindowRect(Front, &B))
        return false;
    UnionRect(&U, &A, &B);
    U.left = std::max<LONG>(U.left, 0);
    U.top = std::max<LONG>(U.top, 0);
    const std::string Folder = ExtractFilePath(ExcludeTrailingBackslash(ProgramFolder())) + "screenshots\\";
    CreateDirectoryA(Folder.c_str(), nullptr);
    TBitmap Shot;
    Shot.SetPixelFormat(pf24bit);
    Shot.SetSize(U.right - U.left, U.bottom - U.top);
    HDC Screen = GetDC(nullptr);
    const bool Copied = BitBlt(Shot.GetCanvas()->GetHandle(), 0, 0, U.right - U.left, U.bottom - U.top, Screen, U.left,
                               U.top, SRCCOPY) != 0;
    ReleaseDC(nullptr, Screen);
    Shot.SaveToFile(Folder + Name);
    return Copied;
}

class W4Test : public MainFormFixture {
protected:
    void SetUp() override
    {
        NotifyCalls.clear();
        SavedNotify = GShellNotifyIcon;
        GShellNotifyIcon = RecordNotifyIcon;
        SeamLog = Temp.Path() + "seam.log";
        SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", SeamLog.c_str());
        MainFormFixture::SetUp();
        ASSERT_TRUE(Server.Available());
        Server.Reset();
        Server.SetDefaults("{\"delay\": 60}");
    }
    void TearDown() override
    {
        if (Form && Form->TaskList)
            Form->TasksStopAllActionExecute(nullptr);
        MainFormFixture::TearDown();
        Server.Reset();
        SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", nullptr);
        GShellNotifyIcon = SavedNotify;
    }
    // A project file; Setup may add options (schedule, folder).
    std::string WriteTaskWith(const std::string& Name, const std::string& Url,
                              const std::function<void(TTask&)>& Setup = nullptr)
    {
        TTask T;
        T.SetName(Name);
        T.SetStartURL(Url);
        T.SetID("{" + Name + "-" + std::to_string(++Serial) + "}");
        T.GetOptions()->SetDefaultFolder(Downloads + Name + "\\");
        if (Setup)
            Setup(T);
        const std::string Path = Projects + Name + ".wrp";
        T.SaveToFile(Path);
        return Path;
    }
    // A task whose start page never answers in time, so it stays running.
    std::string SlowTask(const std::string& Name, const std::function<void(TTask&)>& Setup = nullptr)
    {
        return WriteTaskWith(Name, Server.Url("/" + Name + "/index.html"), Setup);
    }
    // A task whose site is one page without links: it ends by itself.
    std::string FiniteTask(const std::string& Name, const std::function<void(TTask&)>& Setup = nullptr)
    {
        Server.SetRoute("/" + Name + "/index.html", "{\"delay\": 0, \"body\": \"<html><body>nothing here</body></html>\"}");
        return WriteTaskWith(Name, Server.Url("/" + Name + "/index.html"), Setup);
    }
    TTreeNode* Node(const std::string& Name) { return NodeOfPath(Projects + Name + ".wrp"); }
    TTask* Task(const std::string& Name) { return Form->TaskOfNode(Node(Name)); }
    void Run(const std::string& Name)
    {
        Select(Node(Name));
        Command(maTasksRun);
    }
    std::vector<std::string> SeamLines() const
    {
        std::vector<std::string> Lines;
        const std::string S = ReadAll(SeamLog);
        size_t P = 0;
        while (P < S.size()) {
            size_t E = S.find("\r\n", P);
            if (E == std::string::npos)
                E = S.size();
            Lines.push_back(S.substr(P, E - P));
            P = E + 2;
        }
        return Lines;
    }
    int SeamLinesContaining(const std::string& Text) const
    {
        int N = 0;
        for (const std::string& L : SeamLines())
            if (L.find(Text) != std::string::npos)
                ++N;
        return N;
    }
    // Closes the window for good: everything is saved and the window hidden; the program's
    // application object would end here, so the test frees the form as it would.
    void ExitAndWait(uint16_t How = maTasksExit)
    {
        SendMessageA(Form->GetHandle(), WM_COMMAND, MAKEWPARAM(How, 0), 0);
        EXPECT_FALSE(IsWindowVisible(Form->GetHandle()));
        EXPECT_TRUE(Form->ExitRequested);
        Form.reset();
    }
    std::unique_ptr<TRegSettings> Stored() const
    {
        auto S = std::make_unique<TRegSettings>(Root);
        S->Load();
        return S;
    }
    bool Visible() const { return IsWindowVisible(Form->GetHandle()) != FALSE; }

    TTestServer Server;
    std::string SeamLog;
    TShellNotifyIconProc SavedNotify = nullptr;
};

} // namespace W4
