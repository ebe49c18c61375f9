#pragma once
// Shared set-up of the main window tests: a private settings key and folders, task files made on
// disk, the window made and freed, and answering its modal forms from a timer. The served fixture
// adds the loopback test server, and reads shell, help and shut-down calls back from the test-seam
// log and tray calls from a recording notify call.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainActions.h"
#include "app/MainForm.h"
#include "app/WinTaskbar.h"
#include "engine/RegSettings.h"
#include "engine/Task.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Files.h"
#include "platform/win/Forms.h"
#include "platform/win/RichEdit.h"
#include "platform/win/Timer.h"
#include "platform/rtl/FileStream.h"
#include "engine/EngineText.h"
#include "platform/rtl/Paths.h"
#include "tests/support/TestServer.h"
#include "platform/win/TreeView.h"
#include "platform/win/Tabs.h"
#include "tests/support/TestSupport.h"

namespace MainFormTest {

// Acts once on the first visible modal form with that caption (Act returns true when done).
class TFormAnswerer {
public:
    TFormAnswerer(std::string Caption, std::function<void(TCustomForm*)> Act)
        : FCaption(std::move(Caption)), FAct(std::move(Act))
    {
        FTimer = std::make_unique<TTimer>();
        FTimer->SetInterval(40);
        FTimer->SetOnTimer([this](TObject*) { Tick(); });
        FTimer->SetEnabled(true);
    }
    int Count() const { return FCount; }

private:
    void Tick()
    {
        if (FCount > 0)
            return;
        for (int32_t I = 0; I < AppUI()->GetFormCount(); ++I) {
            TCustomForm* F = AppUI()->GetForms(I);
            if (F->IsModal() && F->HandleAllocated() && IsWindowVisible(F->GetHandle()) && F->GetCaption() == FCaption) {
                ++FCount;
                FAct(F);
                return;
            }
        }
    }
    std::string FCaption;
    std::function<void(TCustomForm*)> FAct;
    std::unique_ptr<TTimer> FTimer;
    int FCount = 0;
};

// A picture of a window as it is on the screen, into the build's screenshots folder, for the
// developer to look at.
inline bool ScreenshotOfWindow(HWND Window, const std::string& Name)
{
    RECT R;
    if (!GetWindowRect(Window, &R) || R.right <= R.left || R.bottom <= R.top)
        return false;
    const std::string Folder = ExtractFilePath(ExcludeTrailingBackslash(ProgramFolder())) + "screenshots\\";
    CreateDirectoryA(Folder.c_str(), nullptr);
    TBitmap B;
    B.SetSize(R.right - R.left, R.bottom - R.top);
    HDC Screen = GetDC(nullptr);
    const bool Copied = BitBlt(B.GetCanvas()->GetHandle(), 0, 0, R.right - R.left, R.bottom - R.top, Screen, R.left,
                               R.top, SRCCOPY) != 0;
    ReleaseDC(nullptr, Screen);
    B.SaveToFile(Folder + Name);
    return Copied;
}

// Types Name into the file name box of the thread's visible file dialog; false while there is
// none (a TDialogAnswerer's When, which then presses OK).
inline bool TypeNameIntoSaveDialog(const std::string& Name)
{
    for (HWND W : TestSupport::VisibleThreadWindows()) {
        char Class[64] = {};
        GetClassNameA(W, Class, sizeof(Class));
        if (std::string(Class) != "#32770")
            continue;
        // The file name box: an edit (edt1) or a combo box (cmb13) holding one.
        HWND Edit = GetDlgItem(W, 0x480);
        if (!Edit) {
            HWND Combo = GetDlgItem(W, 0x47C);
            Edit = Combo ? FindWindowExA(Combo, nullptr, "Edit", nullptr) : nullptr;
            if (!Edit)
                Edit = Combo;
        }
        if (!Edit)
            return false;
        SetWindowTextA(Edit, Name.c_str());
        return true;
    }
    return false;
}

// Pumps until Timer's handler has run Ticks more times, the handler working as before.
inline bool PumpUntilTicked(TTimer* Timer, int Ticks, const std::string& What)
{
    const TNotifyEvent Handler = Timer->GetOnTimer();
    int Seen = 0;
    Timer->SetOnTimer([&Handler, &Seen](TObject* Sender) {
        if (Handler)
            Handler(Sender);
        ++Seen;
    });
    const bool Ticked = TestSupport::PumpUntil([&Seen, Ticks] { return Seen >= Ticks; }, 20000, What);
    Timer->SetOnTimer(Handler);
    return Ticked;
}

// Presses a button of a form the way a click does.
inline void Press(TWinControl* Button)
{
    SendMessageA(Button->GetHandle(), BM_CLICK, 0, 0);
}

class MainFormFixture : public testing::Test {
protected:
    void SetUp() override
    {
        Root = Key.Path() + "\\Settings";
        Projects = Temp.Path() + "Projects\\";
        Downloads = Temp.Path() + "Downloads\\";
        CreateDirectoryA(Projects.c_str(), nullptr);
        CreateDirectoryA(Downloads.c_str(), nullptr);
        TRegSettings S(Root);
        S.Load();
        S.GetOptions()->SetProjectPath(Projects);
        S.GetOptions()->SetDefaultFolder(Downloads);
        S.GetOptions()->SetDefaultTaskAdded(true);
        S.GetWindow()->SetShowTip(false);
        S.GetWindow()->SetLeft(20);
        S.GetWindow()->SetTop(20);
        S.GetWindow()->SetWidth(760);
        S.GetWindow()->SetHeight(560);
        if (Seed)
            Seed(S);
        S.Save();
    }

    void TearDown() override { Form.reset(); }

    TMainFormSetup Setup() const
    {
        TMainFormSetup S;
        S.RootPath = Root;
        S.LibraryPath = Temp.Path() + "imglib.db";
        return S;
    }

    TMainForm* MakeForm()
    {
        Form = std::make_unique<TMainForm>(nullptr, Setup());
        Form->Show();
        TestSupport::PumpFor(50);
        return Form.get();
    }

    // A project file with a name, a start address and an ID.
    static std::string WriteTask(const std::string& Path, const std::string& Name, const std::string& Url,
                                 const std::string& ID = std::string())
    {
        TTask T;
        T.SetName(Name);
        T.SetStartURL(Url);
        T.SetID(ID.empty() ? "{" + Name + "-" + std::to_string(GetTickCount()) + "-" + std::to_string(++Serial) + "}"
                           : ID);
        T.SaveToFile(Path);
        return T.GetID();
    }

    // The node whose path is Path (case ignored), or nullptr.
    TTreeNode* NodeOfPath(const std::string& Path) const
    {
        for (TTreeNode* N = Form->RootNode(); N; N = N->GetNext())
            if (_stricmp(TMainForm::NodePath(N).c_str(), Path.c_str()) == 0)
                return N;
        return nullptr;
    }
    TTreeNode* NodeOfText(const std::string& Text) const { return Form->TasksTreeView->FindNodeByText(Text); }

    void Select(TTreeNode* N)
    {
        Form->TasksTreeView->SetSelected(N);
        TestSupport::PumpFor(20);
    }
    // A command as the menus and toolbar send it.
    void Command(uint16_t Id) { SendMessageA(Form->GetHandle(), WM_COMMAND, MAKEWPARAM(Id, 0), 0); }
    bool Enabled(uint16_t Id) const { return Form->Actions->Find(Id)->GetEnabled(); }
    int LogLinesContaining(const std::string& Text) const
    {
        int N = 0;
        for (int32_t I = 0; I < Form->LogEdit->GetLines()->GetCount(); ++I)
            if (Form->LogEdit->GetLines()->GetStrings(I).find(Text) != std::string::npos)
                ++N;
        return N;
    }
    static bool FileExistsA(const std::string& Path)
    {
        const DWORD A = GetFileAttributesA(Path.c_str());
        return A != INVALID_FILE_ATTRIBUTES && !(A & FILE_ATTRIBUTE_DIRECTORY);
    }
    static bool DirExists(const std::string& Path)
    {
        const DWORD A = GetFileAttributesA(Path.c_str());
        return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY);
    }
    static std::string ReadAll(const std::string& Path)
    {
        std::string S;
        HANDLE H = CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr);
        if (H == INVALID_HANDLE_VALUE)
            return S;
        char Buf[65536];
        DWORD Got = 0;
        while (ReadFile(H, Buf, sizeof(Buf), &Got, nullptr) && Got > 0)
            S.append(Buf, Got);
        CloseHandle(H);
        return S;
    }
    static FILETIME WriteTime(const std::string& Path)
    {
        WIN32_FILE_ATTRIBUTE_DATA D{};
        GetFileAttributesExA(Path.c_str(), GetFileExInfoStandard, &D);
        return D.ftLastWriteTime;
    }
    static int CountFiles(const std::string& Folder, const std::string& Mask = "*")
    {
        int N = 0;
        WIN32_FIND_DATAA D;
        HANDLE H = FindFirstFileA((Folder + Mask).c_str(), &D);
        if (H == INVALID_HANDLE_VALUE)
            return 0;
        do {
            if (!(D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ++N;
        } while (FindNextFileA(H, &D));
        FindClose(H);
        return N;
    }

    TestSupport::TTestRegistryKey Key;
    TestSupport::TTempFolder Temp;
    std::string Root, Projects, Downloads;
    std::function<void(TRegSettings&)> Seed; // set by a test class's constructor
    std::unique_ptr<TMainForm> Form;
    static inline int Serial = 0;
};

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

// The main window with tasks against the test server, the tray calls recorded and the test-seam log
// switched on.
class ServedMainFormFixture : public MainFormFixture {
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

} // namespace MainFormTest
