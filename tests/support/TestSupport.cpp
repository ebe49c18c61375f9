#include "tests/support/TestSupport.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/win/Files.h"
#include "platform/win/GuardCallback.h"
#include "platform/win/Guid.h"
#include "platform/win/Registry.h"
#include "platform/win/Thread.h"

namespace TestSupport {

namespace {

std::string WindowText(HWND W)
{
    char Buffer[1024];
    const int N = GetWindowTextA(W, Buffer, sizeof(Buffer));
    return N > 0 ? std::string(Buffer, static_cast<size_t>(N)) : std::string();
}

std::string WindowClass(HWND W)
{
    char Buffer[256];
    const int N = GetClassNameA(W, Buffer, sizeof(Buffer));
    return N > 0 ? std::string(Buffer, static_cast<size_t>(N)) : std::string();
}

// The dialog's default button: the one DM_GETDEFID names, when it is shown. Wine's message boxes
// keep the hidden OK button of their template as that id and give the default look (and Enter)
// to the button MB_DEFBUTTONn chose, so a hidden answer falls back to the shown button that
// reports itself as the default push button.
int DefaultButtonOf(HWND Dialog)
{
    const LRESULT Def = SendMessageA(Dialog, DM_GETDEFID, 0, 0);
    if (HIWORD(Def) == DC_HASDEFID) {
        HWND Btn = GetDlgItem(Dialog, LOWORD(Def));
        if (Btn && IsWindowVisible(Btn))
            return LOWORD(Def);
    }
    for (HWND Child = GetWindow(Dialog, GW_CHILD); Child; Child = GetWindow(Child, GW_HWNDNEXT))
        if (IsWindowVisible(Child) && (SendMessageA(Child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON))
            return GetDlgCtrlID(Child);
    return 0;
}

BOOL CALLBACK CollectVisible(HWND W, LPARAM P)
{
    if (IsWindowVisible(W))
        reinterpret_cast<std::vector<HWND>*>(P)->push_back(W);
    return TRUE;
}

BOOL CALLBACK CollectStatics(HWND W, LPARAM P)
{
    if (SameText(WindowClass(W), "Static")) {
        const std::string T = WindowText(W);
        if (!T.empty()) {
            auto* Out = reinterpret_cast<std::string*>(P);
            if (!Out->empty())
                *Out += "\n";
            *Out += T;
        }
    }
    return TRUE;
}

std::string StaticTexts(HWND Dialog)
{
    std::string Text;
    EnumChildWindows(Dialog, CollectStatics, reinterpret_cast<LPARAM>(&Text));
    return Text;
}

const UINT_PTR AnswerTimer = 1;

} // namespace

bool PumpUntil(const std::function<bool()>& Condition, uint32_t TimeoutMs, const std::string& What)
{
    const ULONGLONG Deadline = GetTickCount64() + TimeoutMs;
    for (;;) {
        Application->ProcessMessages();
        CheckSynchronize();
        if (Condition())
            return true;
        if (GetTickCount64() >= Deadline) {
            ADD_FAILURE() << "Timed out after " << TimeoutMs << " ms waiting for " << What;
            return false;
        }
        HANDLE Sync = SyncEvent();
        MsgWaitForMultipleObjects(1, &Sync, FALSE, 5, QS_ALLINPUT);
    }
}

void PumpFor(uint32_t Milliseconds)
{
    const ULONGLONG End = GetTickCount64() + Milliseconds;
    while (GetTickCount64() < End) {
        Application->ProcessMessages();
        CheckSynchronize();
        HANDLE Sync = SyncEvent();
        MsgWaitForMultipleObjects(1, &Sync, FALSE, 5, QS_ALLINPUT);
    }
}

void FailOnException(TObject*, std::exception_ptr E)
{
    ADD_FAILURE() << "Unhandled exception " << ExceptionClassName(E) << ": " << ExceptionMessage(E);
}

TExceptionCapture::TExceptionCapture() : FPrevious(Application->OnException)
{
    Application->OnException = [this](TObject*, std::exception_ptr E) {
        std::lock_guard<std::mutex> Lock(FLock);
        FEntries.push_back({ExceptionClassName(E), ExceptionMessage(E), GetCurrentThreadId()});
    };
}

TExceptionCapture::~TExceptionCapture()
{
    Application->OnException = FPrevious;
}

std::vector<TExceptionCapture::TEntry> TExceptionCapture::Entries() const
{
    std::lock_guard<std::mutex> Lock(FLock);
    return FEntries;
}

size_t TExceptionCapture::Count() const
{
    std::lock_guard<std::mutex> Lock(FLock);
    return FEntries.size();
}

TNoExceptionHandler::TNoExceptionHandler() : FPrevious(Application->OnException)
{
    Application->OnException = nullptr;
}

TNoExceptionHandler::~TNoExceptionHandler()
{
    Application->OnException = FPrevious;
}

std::string DialogText(HWND Dialog)
{
    return WindowText(Dialog) + "\n" + StaticTexts(Dialog);
}

std::string WineProfile()
{
    const char* Profile = std::getenv("QUILLMOOR_WINE_PROFILE");
    return Profile ? Profile : "";
}

std::vector<HWND> VisibleThreadWindows()
{
    std::vector<HWND> Windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectVisible, reinterpret_cast<LPARAM>(&Windows));
    return Windows;
}

TDialogAnswerer::TDialogAnswerer(std::string Match, int Button, std::function<bool()> When, bool Repeat)
    : FMatch(std::move(Match)), FButton(Button), FWhen(std::move(When)), FRepeat(Repeat)
{
    FWindow = std::make_unique<THiddenWindow>([this](UINT Msg, WPARAM WParam, LPARAM, LRESULT& Result) {
        if (Msg != WM_TIMER || WParam != AnswerTimer)
            return false;
        Tick();
        Result = 0;
        return true;
    });
    SetTimer(FWindow->GetHandle(), AnswerTimer, 20, nullptr);
}

TDialogAnswerer::~TDialogAnswerer()
{
    KillTimer(FWindow->GetHandle(), AnswerTimer);
}

void TDialogAnswerer::Tick()
{
    if (FAnswered > 0 && !FRepeat)
        return;
    for (HWND W : VisibleThreadWindows()) {
        if (WindowClass(W) != "#32770")
            continue;
        const std::string Caption = WindowText(W);
        const std::string Text = StaticTexts(W);
        if (!FMatch.empty() && Caption.find(FMatch) == std::string::npos && Text.find(FMatch) == std::string::npos)
            continue;
        FCaption = Caption;
        FText = Text;
        if (FWhen && !FWhen())
            return;
        HWND Btn = GetDlgItem(W, FButton);
        if (!Btn) {
            ADD_FAILURE() << "Dialog '" << Caption << "' has no button " << FButton;
            return;
        }
        FDefaultButton = DefaultButtonOf(W);
        ++FAnswered;
        SendMessageA(Btn, BM_CLICK, 0, 0);
        return;
    }
}

bool DeleteTree(const std::string& Folder)
{
    const std::string Dir = IncludeTrailingBackslash(Folder);
    TFindData F;
    if (FindFirst(Dir + "*", faAnyFile, F) == 0) {
        do {
            const std::string Name = Dir + F.Name;
            SetFileAttributesA(Name.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (F.Attr & faDirectory)
                DeleteTree(Name);
            else
                DeleteFile(Name);
        } while (FindNext(F) == 0);
        FindClose(F);
    }
    SetFileAttributesA(Folder.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    return RemoveDir(ExcludeTrailingBackslash(Folder));
}

void SettleFolderTimes(const std::string& Folder)
{
    const std::string Path = IncludeTrailingBackslash(Folder);
    // From the drive root ("C:\*") down, one listing per level, the folder itself last.
    for (size_t End = Path.find('\\'); End != std::string::npos; End = Path.find('\\', End + 1)) {
        TFindData F;
        if (FindFirst(Path.substr(0, End + 1) + "*", faAnyFile, F) != 0)
            continue;
        while (FindNext(F) == 0) {
        }
        FindClose(F);
    }
}

TTempFolder::TTempFolder()
{
    std::string Guid = NewGuidText();
    FPath = GetTempPath() + "qmtest-" + Guid.substr(1, 36) + "\\";
    if (!ForceDirectories(FPath))
        throw EInOutError("Cannot create the test folder " + FPath, static_cast<int32_t>(GetLastError()));
}

TTempFolder::~TTempFolder()
{
    DeleteTree(FPath);
}

TTestRegistryKey::TTestRegistryKey() : FPath("\\Software\\QuillmoorTest\\" + NewGuidText())
{
    TRegistry R;
    if (!R.CreateKey(FPath))
        throw ERegistryException("Cannot create the test key " + FPath);
}

TTestRegistryKey::~TTestRegistryKey()
{
    TRegistry R;
    R.DeleteKey(FPath);
    if (R.OpenKeyReadOnly("\\Software\\QuillmoorTest")) {
        TStringList Keys, Values;
        R.GetKeyNames(&Keys);
        R.GetValueNames(&Values);
        R.CloseKey();
        if (Keys.GetCount() == 0 && Values.GetCount() == 0)
            R.DeleteKey("\\Software\\QuillmoorTest");
    }
}

} // namespace TestSupport
