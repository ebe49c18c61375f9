#pragma once
// Support for the dialog tests: answering the program's own modal forms and the folder dialog
// from a timer, driving controls the way a user's clicks arrive, and reading the test-seam log.

#include <cstdint>
#include <functional>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <windows.h>

#include <commctrl.h>

#include "platform/rtl/SysUtils.h"
#include "platform/win/ComCtrls.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/Forms.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/StdCtrls.h"
#include "tests/support/TestSupport.h"

namespace DialogTest {

// Runs Action once on each modal form of type T that opens while the answerer lives (only the
// first one unless Repeat). The action usually fills the form and clicks one of its buttons.
template <class T>
class TFormAnswerer {
public:
    explicit TFormAnswerer(std::function<void(T*)> Action, bool Repeat = false)
        : FAction(std::move(Action)), FRepeat(Repeat)
    {
        FWindow = std::make_unique<THiddenWindow>([this](UINT Msg, WPARAM WParam, LPARAM, LRESULT& Result) {
            if (Msg != WM_TIMER || WParam != 1)
                return false;
            Tick();
            Result = 0;
            return true;
        });
        SetTimer(FWindow->GetHandle(), 1, 20, nullptr);
    }
    TFormAnswerer(const TFormAnswerer&) = delete;
    TFormAnswerer& operator=(const TFormAnswerer&) = delete;
    ~TFormAnswerer() { KillTimer(FWindow->GetHandle(), 1); }
    int32_t Count() const { return FCount; }

private:
    void Tick()
    {
        if (FBusy || (FCount > 0 && !FRepeat))
            return;
        TApplicationUI* UI = AppUI();
        for (int32_t I = 0; I < UI->GetFormCount(); ++I) {
            T* F = dynamic_cast<T*>(UI->GetForms(I));
            if (!F || F == FLast || !F->IsModal() || !F->HandleAllocated() || !IsWindowVisible(F->GetHandle()))
                continue;
            FLast = F;
            ++FCount;
            FBusy = true;
            FAction(F);
            FBusy = false;
            return;
        }
    }
    std::function<void(T*)> FAction;
    bool FRepeat;
    bool FBusy = false;
    int32_t FCount = 0;
    T* FLast = nullptr;
    std::unique_ptr<THiddenWindow> FWindow;
};

// A dialog of type T filled by Fill inside its fill mode, its caption set first when one is given,
// then shown (not modally, so the test drives it and reads OK's outcome from ModalResult).
template <class T>
TComponentPtr<T> OpenFilled(const std::string& Caption, const std::function<void(T*)>& Fill)
{
    TComponentPtr<T> F(new T(nullptr));
    if (!Caption.empty())
        F->SetCaption(Caption);
    F->BeginFill();
    if (Fill)
        Fill(F.get());
    F->EndFill();
    F->Show();
    SetForegroundWindow(F->GetHandle());
    TestSupport::PumpFor(30);
    return F;
}

// Answers the next folder dialog: records its texts and the tree's selected item, then types
// Typed into its edit box and confirms, or cancels when Typed is empty.
class TFolderDialogAnswerer {
public:
    explicit TFolderDialogAnswerer(std::string Typed);
    TFolderDialogAnswerer(const TFolderDialogAnswerer&) = delete;
    TFolderDialogAnswerer& operator=(const TFolderDialogAnswerer&) = delete;
    ~TFolderDialogAnswerer();
    bool Seen() const { return FSeen; }
    const std::string& Text() const { return FText; }
    const std::string& Selected() const { return FSelected; }

private:
    void Tick();
    std::string FTyped;
    bool FSeen = false;
    std::string FText;
    std::string FSelected;
    std::unique_ptr<THiddenWindow> FWindow;
};

// What a user's choice in a drop-down list sends: the item, then CBN_SELCHANGE.
void ChooseComboItem(TComboBox* Combo, int32_t Index);
// A click on a list box line: the selection, then LBN_SELCHANGE.
void ClickListBoxLine(TListBox* List, int32_t Index);
// A key typed into an edit (WM_CHAR to its window).
void TypeChar(TWinControl* Edit, char C);
// The track bar moved by the user to Position.
void MoveTrackBar(TTrackBar* Bar, int32_t Position);

bool IsReadOnly(TCustomEdit* Edit);
bool WindowEnabled(TWinControl* C);
// The control holding the keyboard focus is C.
bool HasFocus(TWinControl* C);

std::string ReadFile(const std::string& Path);

// Sets QUILLMOOR_TEST_LOG to a file of a fresh temporary folder while it lives.
class TSeamLog {
public:
    TSeamLog();
    TSeamLog(const TSeamLog&) = delete;
    TSeamLog& operator=(const TSeamLog&) = delete;
    ~TSeamLog();
    std::string Text() const { return ReadFile(FFile); }

private:
    TestSupport::TTempFolder FTemp;
    std::string FFile;
};

// Today's short date, the short time and the long time of a moment, as the system writes them.
std::string SystemShortDate(const SYSTEMTIME& T);
std::string SystemShortTime(const SYSTEMTIME& T);
std::string SystemLongTime(const SYSTEMTIME& T);

} // namespace DialogTest
