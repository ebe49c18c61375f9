#pragma once
// Shared set-up of the main window tests: a private settings key and folders, task files made on
// disk, the window made and freed, and answering its modal forms from a timer.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/MainActions.h"
#include "app/MainForm.h"
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
#include "platform/win/TreeView.h"
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

} // namespace MainFormTest
