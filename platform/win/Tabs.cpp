#include "platform/win/Tabs.h"

#include <algorithm>

#include <commctrl.h>

#include "platform/rtl/SysUtils.h"

namespace {

void InsertTab(HWND W, int32_t Index, const std::string& Text)
{
    TCITEMA I{};
    I.mask = TCIF_TEXT;
    I.pszText = const_cast<char*>(Text.c_str());
    SendMessageA(W, TCM_INSERTITEMA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&I));
}

[[noreturn]] void BadIndex(int32_t Index) { throw EListError(Format("List index %d out of range", Index)); }

} // namespace

// ---------------------------------------------------------------------------------------------
// TTabSet

int32_t TTabStrings::Add(const std::string& S)
{
    Insert(GetCount(), S);
    return GetCount() - 1;
}

void TTabStrings::Insert(int32_t Index, const std::string& S)
{
    if (Index < 0 || Index > GetCount())
        BadIndex(Index);
    FItems.insert(FItems.begin() + Index, S);
    if (FOwner->HandleAllocated())
        InsertTab(FOwner->GetHandle(), Index, S);
}

void TTabStrings::Delete(int32_t Index)
{
    if (Index < 0 || Index >= GetCount())
        BadIndex(Index);
    FItems.erase(FItems.begin() + Index);
    if (FOwner->HandleAllocated())
        SendMessageA(FOwner->GetHandle(), TCM_DELETEITEM, static_cast<WPARAM>(Index), 0);
}

void TTabStrings::Clear()
{
    FItems.clear();
    FOwner->FTabIndex = -1;
    if (FOwner->HandleAllocated())
        SendMessageA(FOwner->GetHandle(), TCM_DELETEALLITEMS, 0, 0);
}

const std::string& TTabStrings::GetStrings(int32_t Index) const
{
    if (Index < 0 || Index >= GetCount())
        BadIndex(Index);
    return FItems[static_cast<size_t>(Index)];
}

void TTabStrings::SetStrings(int32_t Index, const std::string& S)
{
    if (Index < 0 || Index >= GetCount())
        BadIndex(Index);
    FItems[static_cast<size_t>(Index)] = S;
    if (FOwner->HandleAllocated()) {
        TCITEMA I{};
        I.mask = TCIF_TEXT;
        I.pszText = const_cast<char*>(S.c_str());
        SendMessageA(FOwner->GetHandle(), TCM_SETITEMA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&I));
    }
}

int32_t TTabStrings::IndexOf(const std::string& S) const
{
    auto It = std::find(FItems.begin(), FItems.end(), S);
    return It == FItems.end() ? -1 : static_cast<int32_t>(It - FItems.begin());
}

TTabSet::TTabSet(TComponent* AOwner) : TWinControl(AOwner)
{
    SetBounds(0, 0, 185, 21);
    SetTabStop(true);
}

void TTabSet::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = WC_TABCONTROLA;
    P.WinClassName = "QMTabSet";
    P.Style |= TCS_TABS | TCS_SINGLELINE | TCS_FOCUSNEVER;
}

void TTabSet::Fill()
{
    SendMessageA(FHandle, TCM_DELETEALLITEMS, 0, 0);
    for (int32_t I = 0; I < FTabs.GetCount(); ++I)
        InsertTab(FHandle, I, FTabs.FItems[static_cast<size_t>(I)]);
    SendMessageA(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(FTabIndex), 0);
}

void TTabSet::RestoreWindowState() { Fill(); }
void TTabSet::SaveWindowState() { FTabIndex = GetTabIndex(); }

int32_t TTabSet::GetTabIndex() const
{
    if (FHandle)
        return static_cast<int32_t>(SendMessageA(FHandle, TCM_GETCURSEL, 0, 0));
    return FTabIndex;
}

bool TTabSet::SetTabIndex(int32_t Value)
{
    if (Value < -1 || Value >= FTabs.GetCount())
        BadIndex(Value);
    if (Value == GetTabIndex())
        return true;
    bool Allow = true;
    if (OnChange)
        OnChange(this, Value, Allow);
    if (!Allow)
        return false;
    FTabIndex = Value;
    if (FHandle)
        SendMessageA(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(Value), 0);
    return true;
}

void TTabSet::WndProc(TMessage& M)
{
    if (M.Msg == CN_NOTIFY) {
        auto* H = reinterpret_cast<NMHDR*>(M.LParam);
        M.Result = 0;
        if (H->code == TCN_SELCHANGING) {
            FTabIndex = GetTabIndex(); // the tab to go back to when OnChange refuses
        } else if (H->code == TCN_SELCHANGE) {
            const int32_t New = GetTabIndex();
            bool Allow = true;
            if (OnChange)
                OnChange(this, New, Allow);
            if (!Allow)
                SendMessageA(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(FTabIndex), 0);
            else
                FTabIndex = New;
            if (Allow)
                Click();
        }
        return;
    }
    TWinControl::WndProc(M);
}

// ---------------------------------------------------------------------------------------------
// TNotebook

TNotebookPage::TNotebookPage(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetControlStyle(GetControlStyle() + csAcceptsControls);
    SetAlign(alClient);
    SetVisible(false);
}

TNotebook::TNotebook(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetControlStyle(GetControlStyle() + csAcceptsControls);
    SetBounds(0, 0, 150, 150);
}

TNotebookPage* TNotebook::AddPage(const std::string& Caption)
{
    auto* P = new TNotebookPage(this);
    P->SetText(Caption);
    P->SetParent(this);
    FPages.push_back(P);
    if (FPageIndex < 0)
        SetPageIndex(0);
    return P;
}

TNotebookPage* TNotebook::GetPage(int32_t Index) const
{
    if (Index < 0 || Index >= GetPageCount())
        BadIndex(Index);
    return FPages[static_cast<size_t>(Index)];
}

std::vector<std::string> TNotebook::GetPages() const
{
    std::vector<std::string> R;
    for (TNotebookPage* P : FPages)
        R.push_back(P->GetText());
    return R;
}

void TNotebook::SetPageIndex(int32_t Value)
{
    if (Value < 0 || Value >= GetPageCount() || Value == FPageIndex)
        return;
    // The new page shows before the old one hides, so nothing behind flashes through.
    FPages[static_cast<size_t>(Value)]->SetVisible(true);
    FPages[static_cast<size_t>(Value)]->BringToFront();
    if (FPageIndex >= 0)
        FPages[static_cast<size_t>(FPageIndex)]->SetVisible(false);
    FPageIndex = Value;
    if (OnPageChanged)
        OnPageChanged(this);
}

std::string TNotebook::GetActivePage() const
{
    return FPageIndex >= 0 ? FPages[static_cast<size_t>(FPageIndex)]->GetText() : std::string();
}

void TNotebook::SetActivePage(const std::string& Caption)
{
    for (size_t I = 0; I < FPages.size(); ++I)
        if (FPages[I]->GetText() == Caption) {
            SetPageIndex(static_cast<int32_t>(I));
            return;
        }
}

// ---------------------------------------------------------------------------------------------
// TPageControl

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(GetControlStyle() + csAcceptsControls);
    SetVisible(false);
}

TTabSheet::~TTabSheet()
{
    if (FPageControl)
        FPageControl->RemoveSheet(this);
}

void TTabSheet::SetPageControl(TPageControl* Value)
{
    if (FPageControl == Value)
        return;
    if (FPageControl)
        FPageControl->RemoveSheet(this);
    if (Value)
        Value->InsertSheet(this);
}

void TTabSheet::SetTabVisible(bool Value)
{
    if (FTabVisible == Value)
        return;
    FTabVisible = Value;
    if (FPageControl)
        FPageControl->UpdateTabs();
}

int32_t TTabSheet::GetPageIndex() const
{
    if (!FPageControl)
        return -1;
    const auto& S = FPageControl->FSheets;
    return static_cast<int32_t>(std::find(S.begin(), S.end(), this) - S.begin());
}

void TTabSheet::SetPageIndex(int32_t Value)
{
    if (!FPageControl)
        return;
    auto& S = FPageControl->FSheets;
    Value = std::clamp(Value, 0, static_cast<int32_t>(S.size()) - 1);
    S.erase(std::find(S.begin(), S.end(), this));
    S.insert(S.begin() + Value, this);
    FPageControl->UpdateTabs();
}

int32_t TTabSheet::GetTabIndex() const
{
    if (!FPageControl || !FTabVisible)
        return -1;
    int32_t I = 0;
    for (TTabSheet* S : FPageControl->FSheets) {
        if (S == this)
            return I;
        if (S->FTabVisible)
            ++I;
    }
    return -1;
}

void TTabSheet::TextChanged()
{
    if (FPageControl)
        FPageControl->UpdateTabs();
}

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(GetControlStyle() + csAcceptsControls);
    SetBounds(0, 0, 289, 193);
    SetTabStop(true);
}

TPageControl::~TPageControl()
{
    for (TTabSheet* S : FSheets)
        S->FPageControl = nullptr;
}

void TPageControl::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = WC_TABCONTROLA;
    P.WinClassName = "QMPageControl";
    P.Style |= TCS_TABS | TCS_SINGLELINE;
    if (FHotTrack)
        P.Style |= TCS_HOTTRACK;
}

void TPageControl::RestoreWindowState() { UpdateTabs(); }

void TPageControl::SetHotTrack(bool Value)
{
    FHotTrack = Value;
    if (HandleAllocated()) {
        const LONG S = GetWindowLongA(FHandle, GWL_STYLE);
        SetWindowLongA(FHandle, GWL_STYLE, Value ? (S | TCS_HOTTRACK) : (S & ~TCS_HOTTRACK));
        Invalidate();
    }
}

TTabSheet* TPageControl::GetPage(int32_t Index) const
{
    if (Index < 0 || Index >= GetPageCount())
        BadIndex(Index);
    return FSheets[static_cast<size_t>(Index)];
}

void TPageControl::InsertSheet(TTabSheet* S)
{
    S->FPageControl = this;
    FSheets.push_back(S);
    S->SetParent(this);
    if (!FActivePage)
        FActivePage = S;
    UpdateTabs();
}

void TPageControl::RemoveSheet(TTabSheet* S)
{
    FSheets.erase(std::remove(FSheets.begin(), FSheets.end(), S), FSheets.end());
    S->FPageControl = nullptr;
    if (FActivePage == S)
        FActivePage = FSheets.empty() ? nullptr : FSheets.front();
    UpdateTabs();
}

TTabSheet* TPageControl::SheetOfTab(int32_t Tab) const
{
    int32_t I = 0;
    for (TTabSheet* S : FSheets)
        if (S->FTabVisible && I++ == Tab)
            return S;
    return nullptr;
}

int32_t TPageControl::GetActivePageIndex() const { return FActivePage ? FActivePage->GetPageIndex() : -1; }

void TPageControl::SetActivePageIndex(int32_t Value)
{
    SetActivePage(Value >= 0 && Value < GetPageCount() ? FSheets[static_cast<size_t>(Value)] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* Value)
{
    if (Value && Value->FPageControl != this)
        return;
    FActivePage = Value;
    UpdateTabs();
}

bool TPageControl::SelectNextPage(bool GoForward)
{
    std::vector<TTabSheet*> Tabs;
    for (TTabSheet* S : FSheets)
        if (S->FTabVisible)
            Tabs.push_back(S);
    if (Tabs.size() < 2)
        return false;
    const auto It = std::find(Tabs.begin(), Tabs.end(), FActivePage);
    const size_t N = Tabs.size();
    size_t I = It == Tabs.end() ? (GoForward ? N - 1 : 0) : static_cast<size_t>(It - Tabs.begin());
    I = GoForward ? (I + 1) % N : (I + N - 1) % N;
    bool Allow = true;
    if (OnChanging)
        OnChanging(this, Allow);
    if (!Allow)
        return false;
    // The focus does not stay in a sheet that goes out of sight: the tabs take it.
    TTabSheet* Old = FActivePage;
    const HWND Focus = GetFocus();
    const bool FocusInOld = Old && Old->HandleAllocated() && Focus &&
                            (Focus == Old->GetHandle() || IsChild(Old->GetHandle(), Focus));
    FActivePage = Tabs[I];
    if (HandleAllocated())
        SendMessageA(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(I), 0);
    LayoutSheets();
    if (FocusInOld && CanFocus())
        SetFocus();
    if (OnChange)
        OnChange(this);
    return true;
}

void TPageControl::UpdateTabs()
{
    if (FUpdating)
        return;
    FUpdating = true;
    if (HandleAllocated()) {
        SendMessageA(FHandle, TCM_DELETEALLITEMS, 0, 0);
        int32_t I = 0;
        for (TTabSheet* S : FSheets)
            if (S->FTabVisible)
                InsertTab(FHandle, I++, S->GetText());
        const int32_t Cur = FActivePage ? FActivePage->GetTabIndex() : -1;
        SendMessageA(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(Cur), 0);
    }
    FUpdating = false;
    LayoutSheets();
}

TRect TPageControl::GetDisplayRect()
{
    TRect R = Rect(0, 0, GetWidth(), GetHeight());
    bool AnyTab = std::any_of(FSheets.begin(), FSheets.end(), [](TTabSheet* S) { return S->FTabVisible; });
    if (HandleAllocated() && AnyTab) {
        ::GetClientRect(FHandle, &R);
        SendMessageA(FHandle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&R));
    }
    return R;
}

void TPageControl::LayoutSheets()
{
    const TRect R = GetDisplayRect();
    for (TTabSheet* S : FSheets) {
        S->SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top);
        if (S != FActivePage)
            S->SetVisible(false);
    }
    if (FActivePage) {
        FActivePage->SetVisible(true);
        FActivePage->BringToFront();
    }
}

void TPageControl::Resize()
{
    TWinControl::Resize();
    LayoutSheets();
}

void TPageControl::WndProc(TMessage& M)
{
    if (M.Msg == CN_NOTIFY) {
        auto* H = reinterpret_cast<NMHDR*>(M.LParam);
        M.Result = 0;
        if (H->code == TCN_SELCHANGING) {
            bool Allow = true;
            if (OnChanging)
                OnChanging(this, Allow);
            M.Result = Allow ? FALSE : TRUE;
        } else if (H->code == TCN_SELCHANGE) {
            TTabSheet* S = SheetOfTab(static_cast<int32_t>(SendMessageA(FHandle, TCM_GETCURSEL, 0, 0)));
            if (S) {
                FActivePage = S;
                LayoutSheets();
            }
            if (OnChange)
                OnChange(this);
        }
        return;
    }
    TWinControl::WndProc(M);
}
