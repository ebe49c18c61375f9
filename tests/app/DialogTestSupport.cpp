#include "tests/app/DialogTestSupport.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace DialogTest {

namespace {

std::string ClassOf(HWND W)
{
    char Buf[64] = {};
    GetClassNameA(W, Buf, sizeof(Buf));
    return Buf;
}

struct TFind {
    const char* Class;
    HWND Found = nullptr;
};

BOOL CALLBACK FindChild(HWND W, LPARAM P)
{
    auto* F = reinterpret_cast<TFind*>(P);
    if (ClassOf(W) == F->Class) {
        F->Found = W;
        return FALSE;
    }
    return TRUE;
}

HWND Child(HWND Parent, const char* Class)
{
    TFind F{Class};
    EnumChildWindows(Parent, FindChild, reinterpret_cast<LPARAM>(&F));
    return F.Found;
}

} // namespace

TFolderDialogAnswerer::TFolderDialogAnswerer(std::string Typed) : FTyped(std::move(Typed))
{
    FWindow = std::make_unique<THiddenWindow>([this](UINT Msg, WPARAM WParam, LPARAM, LRESULT& Result) {
        if (Msg != WM_TIMER || WParam != 1)
            return false;
        Tick();
        Result = 0;
        return true;
    });
    SetTimer(FWindow->GetHandle(), 1, 50, nullptr);
}

TFolderDialogAnswerer::~TFolderDialogAnswerer() { KillTimer(FWindow->GetHandle(), 1); }

void TFolderDialogAnswerer::Tick()
{
    if (FSeen)
        return;
    for (HWND D : TestSupport::VisibleThreadWindows()) {
        if (ClassOf(D) != "#32770")
            continue;
        HWND Tree = Child(D, "SysTreeView32");
        if (!Tree)
            continue;
        // The tree fills in after the dialog shows: wait for the start folder to be selected.
        const auto Caret = reinterpret_cast<HTREEITEM>(SendMessageA(Tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        if (!Caret)
            return;
        FSeen = true;
        FText = TestSupport::DialogText(D);
        char Buf[MAX_PATH] = {};
        TVITEMA I{};
        I.mask = TVIF_TEXT | TVIF_HANDLE;
        I.hItem = Caret;
        I.pszText = Buf;
        I.cchTextMax = sizeof(Buf);
        if (SendMessageA(Tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I)))
            FSelected = Buf;
        if (FTyped.empty()) {
            SendMessageA(GetDlgItem(D, IDCANCEL), BM_CLICK, 0, 0);
            return;
        }
        if (HWND E = Child(D, "Edit"))
            SendMessageA(E, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(FTyped.c_str()));
        SendMessageA(GetDlgItem(D, IDOK), BM_CLICK, 0, 0);
        return;
    }
}

void ChooseComboItem(TComboBox* Combo, int32_t Index)
{
    Combo->SetItemIndex(Index);
    HWND H = Combo->GetHandle();
    SendMessageA(GetParent(H), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(H), CBN_SELCHANGE), reinterpret_cast<LPARAM>(H));
}

void ClickListBoxLine(TListBox* List, int32_t Index)
{
    List->SetItemIndex(Index);
    HWND H = List->GetHandle();
    SendMessageA(GetParent(H), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(H), LBN_SELCHANGE), reinterpret_cast<LPARAM>(H));
}

void TypeChar(TWinControl* Edit, char C) { SendMessageA(Edit->GetHandle(), WM_CHAR, static_cast<unsigned char>(C), 1); }

void MoveTrackBar(TTrackBar* Bar, int32_t Position)
{
    HWND H = Bar->GetHandle();
    SendMessageA(H, TBM_SETPOS, TRUE, Position);
    SendMessageA(GetParent(H), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, Position), reinterpret_cast<LPARAM>(H));
}

bool IsReadOnly(TCustomEdit* Edit) { return (GetWindowLongA(Edit->GetHandle(), GWL_STYLE) & ES_READONLY) != 0; }

bool WindowEnabled(TWinControl* C) { return IsWindowEnabled(C->GetHandle()) != FALSE; }

bool HasFocus(TWinControl* C) { return C->HandleAllocated() && GetFocus() == C->GetHandle(); }

std::string ReadFile(const std::string& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
}

TSeamLog::TSeamLog() : FFile(FTemp.File("seam.log")) { SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", FFile.c_str()); }

TSeamLog::~TSeamLog() { SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", nullptr); }

std::string SystemShortDate(const SYSTEMTIME& T)
{
    char Buf[128] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &T, nullptr, Buf, sizeof(Buf));
    return Buf;
}

std::string SystemShortTime(const SYSTEMTIME& T)
{
    char Buf[128] = {};
    GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &T, nullptr, Buf, sizeof(Buf));
    return Buf;
}

std::string SystemLongTime(const SYSTEMTIME& T)
{
    char Buf[128] = {};
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &T, nullptr, Buf, sizeof(Buf));
    return Buf;
}

} // namespace DialogTest
