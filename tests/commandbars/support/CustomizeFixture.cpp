#include "tests/commandbars/support/CustomizeFixture.h"

#include <algorithm>

#include <commctrl.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbBarPopups.h"
#include "platform/rtl/StringList.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

namespace CommandBarsTest {

TCustomizeFixture::TCustomizeFixture(bool Designing, TcbBarManagerStyle Style) : TPopupsFixture(Designing, Style)
{
    Manager->GetCategories()->SetStrings(1, "Edit");
    for (TcbBarItem* Item : {static_cast<TcbBarItem*>(New), static_cast<TcbBarItem*>(Open),
                             static_cast<TcbBarItem*>(Save), static_cast<TcbBarItem*>(File)})
        Item->SetCategory(0);
    for (TcbBarItem* Item : {static_cast<TcbBarItem*>(Find), static_cast<TcbBarItem*>(Zoom),
                             static_cast<TcbBarItem*>(ToolA), static_cast<TcbBarItem*>(ToolB)})
        Item->SetCategory(1);
    Open->SetDescription("Opens a picture from a file");
    Manager->OnShowCustomizingForm = [this](TObject*) { ++ShownCount; };
    Manager->OnHideCustomizingForm = [this](TObject*) { ++HiddenCount; };
    Second->SetBounds(860, 40, 300, 200);
    SecondManager = new TcbBarManager(Second.get());
    Second->Show();
    Settle();
}

TCustomizeFixture::~TCustomizeFixture()
{
    if (Manager)
        Manager->SetIsCustomizing(false);
    TestSupport::PumpUntil([] { return !GetCustomizingForm() && DialogWindowCount() == 0; }, 5000,
                           "the dialog gone");
    Second->Hide();
    Second.reset();
}

TcbBarCustomizingForm* TCustomizeFixture::OpenDialog()
{
    Manager->SetIsCustomizing(true);
    TestSupport::PumpUntil([] { return GetCustomizingForm() != nullptr; }, 5000, "the Customize dialog");
    Settle();
    TcbBarCustomizingForm* Form = GetCustomizingForm();
    EXPECT_NE(Form, nullptr) << "no Customize dialog";
    return Form;
}

int TCustomizeFixture::DialogWindowCount()
{
    int Count = 0;
    for (HWND W : TestSupport::VisibleThreadWindows())
        if (dynamic_cast<TcbBarCustomizingForm*>(TWinControl::FindControl(W)))
            ++Count;
    return Count;
}

void TCustomizeFixture::SelectRow(TListBox* List, int32_t Index)
{
    const HWND W = List->GetHandle();
    SendMessageA(W, LB_SETCURSEL, static_cast<WPARAM>(Index), 0);
    SendMessageA(GetParent(W), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(W), LBN_SELCHANGE), reinterpret_cast<LPARAM>(W));
}

void TCustomizeFixture::SelectEntry(TComboBox* Box, int32_t Index)
{
    const HWND W = Box->GetHandle();
    SendMessageA(W, CB_SETCURSEL, static_cast<WPARAM>(Index), 0);
    SendMessageA(GetParent(W), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(W), CBN_SELCHANGE), reinterpret_cast<LPARAM>(W));
}

void TCustomizeFixture::ClickButton(TWinControl* Button)
{
    SendMessageA(Button->GetHandle(), BM_CLICK, 0, 0);
}

std::vector<std::string> TCustomizeFixture::Rows(TListBox* List)
{
    std::vector<std::string> Out;
    for (int32_t I = 0; I < List->GetItems()->GetCount(); ++I)
        Out.push_back(List->GetItems()->GetStrings(I));
    return Out;
}

std::vector<std::string> TCustomizeFixture::Tabs(TPageControl* Pages)
{
    std::vector<std::string> Out;
    const HWND W = Pages->GetHandle();
    const int Count = static_cast<int>(SendMessageA(W, TCM_GETITEMCOUNT, 0, 0));
    for (int I = 0; I < Count; ++I) {
        char Text[128] = {};
        TCITEMA Item{};
        Item.mask = TCIF_TEXT;
        Item.pszText = Text;
        Item.cchTextMax = sizeof(Text);
        SendMessageA(W, TCM_GETITEMA, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&Item));
        Out.emplace_back(Text);
    }
    return Out;
}

// ---------------------------------------------------------------------------------------------

namespace {

TNameDialogPlayer* gPlayer = nullptr;

TcbBarNameEd* OpenNameEditor()
{
    for (HWND W : TestSupport::VisibleThreadWindows())
        if (auto* Editor = dynamic_cast<TcbBarNameEd*>(TWinControl::FindControl(W)))
            return Editor;
    return nullptr;
}

std::string WindowText(HWND W)
{
    char Text[256] = {};
    GetWindowTextA(W, Text, sizeof(Text));
    return Text;
}

} // namespace

TNameDialogPlayer::TNameDialogPlayer(std::vector<TStep> Steps, std::string ShotName) :
    FSteps(std::move(Steps)), FShotName(std::move(ShotName))
{
    gPlayer = this;
    FTimer = ThreadTimerStart(30, [this](UINT_PTR) { Tick(); });
}

TNameDialogPlayer::~TNameDialogPlayer()
{
    ThreadTimerStop(FTimer);
    if (gPlayer == this)
        gPlayer = nullptr;
}

void TNameDialogPlayer::Tick()
{
    if (Done())
        return;
    TcbBarNameEd* Editor = OpenNameEditor();
    // While the dialog waits for a message box it is disabled.
    if (!Editor || !IsWindowEnabled(Editor->GetHandle()))
        return;
    const HWND W = Editor->GetHandle();
    TSeen Seen;
    Seen.Caption = WindowText(W);
    Seen.Label = Editor->LName->GetCaption();
    Seen.Initial = WindowText(Editor->EName->GetHandle());
    RECT Client{};
    GetClientRect(W, &Client);
    Seen.Client = SIZE{Client.right, Client.bottom};
    GetWindowRect(W, &Seen.Window);
    if (FSeen.empty()) {
        if (!FShotName.empty())
            TestSupport::SaveShot(TestSupport::CaptureFullPaint(W), FShotName);
        if (OnFirstShow)
            OnFirstShow(Editor);
    }
    SendMessageA(Editor->EName->GetHandle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    Seen.OkEnabledWhenEmpty = IsWindowEnabled(Editor->BOK->GetHandle()) != FALSE;
    const TStep Step = FSteps[FNext++];
    FSeen.push_back(Seen);
    SendMessageA(Editor->EName->GetHandle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Step.Text.c_str()));
    PostMessageA((Step.Ok ? Editor->BOK : Editor->BCancel)->GetHandle(), BM_CLICK, 0, 0);
}

// ---------------------------------------------------------------------------------------------

namespace {

bool IsShown(TControl* C)
{
    if (auto* W = dynamic_cast<TWinControl*>(C); W && W->HandleAllocated())
        return IsWindowVisible(W->GetHandle()) != FALSE;
    return C->GetVisible() && C->GetParent() && C->GetParent()->HandleAllocated() &&
        IsWindowVisible(C->GetParent()->GetHandle());
}

std::string NameOf(TControl* C)
{
    std::string Name = C->GetName().empty() ? C->ClassName() : C->GetName();
    if (!C->GetText().empty())
        Name += " \"" + C->GetText() + "\"";
    return Name;
}

void CheckContainer(TWinControl* Parent, std::vector<std::string>& Faults)
{
    std::vector<TControl*> Shown;
    for (int32_t I = 0; I < Parent->GetControlCount(); ++I)
        if (TControl* C = Parent->GetControls(I); IsShown(C))
            Shown.push_back(C);
    const TRect Client = Parent->GetClientRect();
    for (size_t I = 0; I < Shown.size(); ++I) {
        const TRect A = Shown[I]->GetBoundsRect();
        if (A.left < Client.left || A.top < Client.top || A.right > Client.right || A.bottom > Client.bottom)
            Faults.push_back(NameOf(Shown[I]) + " sticks out of " + NameOf(Parent));
        for (size_t J = I + 1; J < Shown.size(); ++J) {
            const TRect B = Shown[J]->GetBoundsRect();
            if (A.left < B.right && B.left < A.right && A.top < B.bottom && B.top < A.bottom)
                Faults.push_back(NameOf(Shown[I]) + " overlaps " + NameOf(Shown[J]));
        }
        if (auto* W = dynamic_cast<TWinControl*>(Shown[I]))
            CheckContainer(W, Faults);
    }
}

} // namespace

std::vector<std::string> LayoutFaults(TWinControl* Root)
{
    std::vector<std::string> Faults;
    CheckContainer(Root, Faults);
    return Faults;
}

} // namespace CommandBarsTest
