// The manager's reaction to its owner form's messages, and the floating bars following the
// form's activation.

#include "commandbars/model/cbBarManager.h"

#include <algorithm>
#include <vector>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/input/cbHooks.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbShadow.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Application.h"
#include "platform/win/Forms.h"
#include "platform/win/ThreadTimer.h"

namespace {

// SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE: a floating bar hidden
// with its inactive form keeps its place and its place in the z-order.
constexpr UINT kHideFloatingFlags = 0x97;

HWND FormHandle(TCustomForm* Form)
{
    return Form && Form->HandleAllocated() ? Form->GetHandle() : nullptr;
}

// Whether Wnd is one of Manager's bar windows (a toolbar, menu or the quick-customization
// window).
bool IsBarWindowOf(HWND Wnd, const TcbBarManager* Manager)
{
    auto* Bar = dynamic_cast<TCustomcbBarControl*>(TWinControl::FindControl(Wnd));
    return Bar && Bar->GetBarManager() == Manager;
}

// An edit-type control with its editor open.
bool IsEditingControl(const TcbBarItemControl* Control)
{
    return Control && IsLiveItemControl(Control) && dynamic_cast<const TcbBarWinControl*>(Control) &&
           Control->IsEditing();
}

// The form is on the screen and not minimized: its floating bars may show.
bool IsFormShowing(HWND FormWnd)
{
    return FormWnd && IsWindowVisible(FormWnd) && !IsIconic(FormWnd);
}

void ShowWithoutActivation(TcbBarControl* Window)
{
    if (!IsWindowVisible(Window->GetHandle()))
        ShowWindow(Window->GetHandle(), SW_SHOWNOACTIVATE);
}

// Wnd lies below Other among the top-level windows.
bool IsBelow(HWND Wnd, HWND Other)
{
    for (HWND W = GetWindow(Wnd, GW_HWNDPREV); W; W = GetWindow(W, GW_HWNDPREV))
        if (W == Other)
            return true;
    return false;
}

// Wnd is owned by Owner, directly or through its owner's owner (a bar's shadow).
bool IsOwnedBy(HWND Wnd, HWND Owner)
{
    for (HWND W = GetWindow(Wnd, GW_OWNER); W; W = GetWindow(W, GW_OWNER))
        if (W == Owner)
            return true;
    return false;
}

void Refresh(TcbBarControl* Window)
{
    RedrawWindow(Window->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Floating bars and the form's activation

std::vector<TcbBarControl*> TcbBarManager::FloatingBarWindows() const
{
    // The windows of the shown floating bars; a window in the middle of a drag is the drag's.
    std::vector<TcbBarControl*> Windows;
    if (!FBars)
        return Windows;
    for (int32_t I = 0; I < FBars->GetCount(); ++I) {
        TcbBar* Bar = FBars->GetItem(I);
        if (!Bar->GetVisible())
            continue;
        auto* Window = dynamic_cast<TcbBarControl*>(Bar->GetBarControl());
        if (Window && Window->HandleAllocated() && Window->GetDockingStyle() == dsNone && !Window->IsMoving())
            Windows.push_back(Window);
    }
    return Windows;
}

void TcbBarManager::SetActive(bool Value, bool ForceHide, HWND OtherWnd)
{
    FActive = Value;
    UpdateFloatingBars(Value, ForceHide, OtherWnd);
    // The activation going to or coming from another program restacks the form; its bars and
    // their shadows are watched as after a change of focus.
    FocusChangedInForm();
}

void TcbBarManager::UpdateFloatingBars(bool Active, bool ForceHide, HWND OtherWnd)
{
    if (FUpdatingFloatingBars)
        return;
    TFlagScope Updating(FUpdatingFloatingBars);
    const HWND FormWnd = FormHandle(FOwnerForm);
    TCustomForm* Dialog = FIsCustomizing ? cbCallExtension(cbExtensions().GetCustomizingForm) : nullptr;
    if (!Active) {
        // One of the form's own child windows took the activation: nothing changes.
        if (OtherWnd && FormWnd && GetParent(OtherWnd) == FormWnd)
            return;
        // Menus close with the form's activation whatever becomes of the floating bars: a
        // topmost menu must not stay open over the window that took the activation.
        if (TCustomcbBarControl* Open = cbOpenSubMenu()) {
            TcbBarManager* OpenManager = Open->GetBarManager();
            TCustomForm* OpenForm = OpenManager ? OpenManager->GetOwnerForm() : nullptr;
            bool Close = OpenManager == this;
            if (!Close && Dialog && OpenForm == Dialog)
                Close = !Open->HandleAllocated() || Open->GetHandle() != OtherWnd;
            if (!Close && FOwnerForm && FOwnerForm->GetFormStyle() == fsMDIForm && OpenForm &&
                OpenForm->GetFormStyle() == fsMDIChild)
                Close = !IsEditingControl(Open->GetSelectedControl());
            if (Close)
                Open->HideAll();
        }
        // So does this form's "More Buttons" window, also while it is not in the menu mode.
        if (TCustomcbBarControl* Quick = cbCallExtension(cbExtensions().GetOpenQuickControl);
            Quick && TCustomcbBarControl::IsLiveBarControl(Quick) && Quick->GetBarManager() == this)
            Quick->HideAll();
    }
    if (!FHideFloatingBarsWhenInactive && !ForceHide) {
        // The bars stay with the form whatever is active. One that was made or hidden while the
        // form was off the screen comes back once the form is there again.
        for (TcbBarControl* Window : FloatingBarWindows()) {
            if (IsWindowVisible(Window->GetHandle()))
                Refresh(Window);
            else if (IsFormShowing(FormWnd))
                ShowWithoutActivation(Window);
        }
        return;
    }
    if (Active) {
        if (IsFormShowing(FormWnd))
            for (TcbBarControl* Window : FloatingBarWindows())
                ShowWithoutActivation(Window);
        return;
    }
    // The bars go when another application, another form (not the customizing dialog while
    // customizing) or another thread's window is activated; a window of this thread that is no
    // form (a hint, a menu of another form) keeps them.
    bool Hide = OtherWnd == nullptr;
    if (!Hide) {
        DWORD Process = 0;
        const DWORD Thread = GetWindowThreadProcessId(OtherWnd, &Process);
        if (Thread != GetCurrentThreadId() || Process != GetCurrentProcessId()) {
            Hide = true;
        } else if (auto* OtherForm = dynamic_cast<TCustomForm*>(TWinControl::FindControl(OtherWnd))) {
            Hide = !(Dialog && OtherForm == Dialog);
        }
        Hide = Hide || OtherWnd == AppUI()->GetHandle();
    }
    if (!Hide)
        return;
    for (TcbBarControl* Window : FloatingBarWindows())
        SetWindowPos(Window->GetHandle(), nullptr, 0, 0, 0, 0, kHideFloatingFlags);
    if (FormWnd)
        SendMessageA(FormWnd, WM_NCACTIVATE, 0, 0);
}

bool TcbBarManager::KeepFloatingBarsAboveForm()
{
    const HWND FormWnd = FormHandle(FOwnerForm);
    if (!IsFormShowing(FormWnd))
        return false;
    bool Moved = false;
    for (TcbBarControl* Window : FloatingBarWindows()) {
        const HWND Bar = Window->GetHandle();
        if (!IsWindowVisible(Bar))
            continue;
        auto* Shadow = dynamic_cast<TcbBarShadow*>(Window->GetShadow());
        if (IsBelow(Bar, FormWnd)) {
            // Just above the form: below the window that is right above it, or at the top of the
            // windows that are not topmost.
            HWND After = GetWindow(FormWnd, GW_HWNDPREV);
            while (After && IsOwnedBy(After, FormWnd))
                After = GetWindow(After, GW_HWNDPREV);
            if (!After || (GetWindowLongA(After, GWL_EXSTYLE) & WS_EX_TOPMOST))
                After = HWND_TOP;
            // The shadow's parts, owned by the bar, would go first and lie above it, and the
            // display restacks a window's own surface only when no shown window lies above it:
            // the parts are let go for the bar's move and put back just above it afterwards.
            // They are neither hidden nor built again: a part taken off the form leaves the form
            // uncovered there, and a form found uncovered is put over what lies there, a new part
            // and the bar with it.
            std::vector<HWND> Parts;
            if (Shadow)
                for (int32_t I = 0; I < Shadow->GetPartCount(); ++I)
                    if (TcbBarShadowPart* Part = Shadow->GetPart(I); Part && Part->HandleAllocated())
                        Parts.push_back(Part->GetHandle());
            for (const HWND Part : Parts)
                SetWindowLongPtrA(Part, GWLP_HWNDPARENT, 0);
            SetWindowPos(Bar, After, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            for (const HWND Part : Parts)
                SetWindowLongPtrA(Part, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(Bar));
            Moved = true;
        }
        // A window the display finds uncovered on the screen (another program's window over it
        // went) is put over the windows that overlap that spot in the z-order. A part whose own
        // surface the display left below the form (surfaces are restacked only for a window
        // that comes to the top) so ends up below the form, out of sight, with no message to
        // anyone. Wherever the bar is, its parts go back directly above it.
        if (Shadow && Shadow->KeepJustAboveOwner())
            Moved = true;
    }
    return Moved;
}

void TcbBarManager::FocusChangedInForm()
{
    if (IsDestroying() || FloatingBarWindows().empty())
        return;
    // About a second of close watching from the latest change, or from the latest repair.
    FFocusWatchTicks = 0;
    if (FFocusWatchTimer && FFocusWatchClose)
        return;
    if (FFocusWatchTimer)
        ThreadTimerStop(FFocusWatchTimer);
    WatchFloatingBars(true);
}

void TcbBarManager::WatchFloatingBars(bool Close)
{
    // Close: every 25 ms until 40 ticks pass without a repair. Then, while bars float, a slow
    // watch: the display puts an uncovered form over its bars' shadow parts whenever another
    // program's window goes, and sends no message then.
    FFocusWatchClose = Close;
    TcbBarManager* Self = this;
    FFocusWatchTimer = ThreadTimerStart(Close ? 25 : 250, [Self, Close](UINT_PTR Id) {
        if (!IsLiveManager(Self)) {
            ThreadTimerStop(Id);
            return;
        }
        if (Self->KeepFloatingBarsAboveForm())
            Self->FFocusWatchTicks = 0;
        const bool Floating = !Self->FloatingBarWindows().empty();
        if (Close ? ++Self->FFocusWatchTicks < 40 : Floating)
            return;
        ThreadTimerStop(Id);
        Self->FFocusWatchTimer = 0;
        if (Close && Floating)
            Self->WatchFloatingBars(false);
    });
}

void TcbBarManager::MoveFloatingBarsIntoWorkArea()
{
    for (TcbBarControl* Window : FloatingBarWindows())
        Window->MoveIntoWorkArea();
}

// ---------------------------------------------------------------------------------------------
// Help for an item

void TcbBarManager::ShowItemHelp(const HELPINFO& Info)
{
    int32_t Context = 0;
    bool HasPoint = false;
    POINT Point{};
    // The point under a control: the middle of its bottom edge on the screen.
    auto PointOf = [&](TcbBarItemControl* Control) {
        TCustomcbBarControl* Window = Control->GetBarControl();
        if (!Window || !Window->HandleAllocated())
            return;
        const TRect R = Window->GetItemRect(Control);
        Point = POINT{(R.left + R.right) / 2, R.bottom};
        ClientToScreen(Window->GetHandle(), &Point);
        HasPoint = true;
    };
    if (TCustomcbBarControl* Open = cbOpenSubMenu()) {
        // The selected entry, else the entries that opened the menus on the way up, else the
        // open menu's own context.
        for (TCustomcbBarControl* Menu = Open; Menu && TCustomcbBarControl::IsLiveBarControl(Menu);
             Menu = Menu->GetParentBar()) {
            TcbBarItemControl* Selected = Menu->GetSelectedControl();
            TcbBarItem* Item = Selected && IsLiveItemControl(Selected) ? Selected->GetItem() : nullptr;
            if (Item && Item->GetHelpContext() != 0) {
                Context = Item->GetHelpContext();
                PointOf(Selected);
                break;
            }
        }
        if (Context == 0)
            Context = Open->GetHelpContext();
    } else if (auto* Window = dynamic_cast<TCustomcbBarControl*>(
                   TWinControl::FindControl(static_cast<HWND>(Info.hItemHandle)))) {
        POINT P = Info.MousePos;
        if (Window->HandleAllocated())
            ScreenToClient(Window->GetHandle(), &P);
        if (TcbBarItemControl* Control = Window->ControlAtPos(TPoint{P.x, P.y})) {
            if (TcbBarItem* Item = Control->GetItem())
                Context = Item->GetHelpContext();
            PointOf(Control);
        }
    }
    if (TCustomcbBarControl* Open = cbOpenSubMenu())
        Open->HideAll();
    if (Context == 0 || !Application)
        return;
    if (!FOwnerForm || !FOwnerForm->IsModal()) {
        Application->HelpContext(Context);
        return;
    }
    if (HasPoint)
        Application->HelpCommand(HELP_SETPOPUP_POS, MAKELONG(Point.x, Point.y));
    Application->HelpCommand(HELP_CONTEXTPOPUP, Context);
}

// ---------------------------------------------------------------------------------------------
// The owner form's messages

void TcbBarManager::ShowBarsWaitingForWindow()
{
    if (FBarsWaitingForWindow.empty())
        return;
    // The dock sites first: each site's window shows the bars that wait for it.
    for (TcbDockControl* Site : DockSites())
        if (Site && !Site->HandleAllocated() && Site->GetParent() && Site->GetParent()->HandleAllocated())
            Site->HandleNeeded();
    std::vector<TcbBar*> Waiting;
    Waiting.swap(FBarsWaitingForWindow);
    // By row, first to last: a bar docks into the row it stored only when the rows before it
    // already exist, so the bar of row 0 must come before the bar of row 1, whatever order they
    // were made visible in. Otherwise the row-1 bar would find no rows, take row 0, and the
    // row-0 bar would then join it there: two rows would become one.
    SortByRow(Waiting);
    for (TcbBar* Bar : Waiting) {
        bool Known = false;
        for (int32_t I = 0; I < FBars->GetCount() && !Known; ++I)
            Known = FBars->GetItem(I) == Bar;
        if (!Known)
            continue;
        ShowWaitingBar(Bar);
    }
}

void TcbBarManager::SortByRow(std::vector<TcbBar*>& Bars)
{
    std::stable_sort(Bars.begin(), Bars.end(), [](const TcbBar* A, const TcbBar* B) { return A->GetRow() < B->GetRow(); });
}

void TcbBarManager::ShowWaitingBar(TcbBar* Bar)
{
    // A bar shown while the form had no window kept Visible and waits only for its window;
    // one whose window went with the form's was hidden.
    if (Bar->GetVisible())
        Bar->ShowWindow();
    else
        Bar->SetVisible(true);
}

void TcbBarManager::ProcessOwnerMessage(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TCustomForm* Form = GetOwnerForm();
    if (!Form)
        return;
    // A form on its way out (and the customizing dialog) only saves the layout as its window
    // goes.
    if (Form->GetComponentState().Contains(csDestroying) ||
        Form == cbCallExtension(cbExtensions().GetCustomizingForm)) {
        if (Msg == WM_DESTROY)
            SaveLayout();
        return;
    }
    const HWND FormWnd = FormHandle(Form);
    switch (Msg) {
    case WM_CREATE:
        ShowBarsWaitingForWindow();
        break;
    case WM_ACTIVATE: {
        const bool Active = LOWORD(WParam) != WA_INACTIVE;
        const HWND Other = reinterpret_cast<HWND>(LParam);
        // A click on one of the form's own bars takes nothing away from the form.
        if (!Active && Other && IsBarWindowOf(Other, this))
            break;
        SetActive(Active, false, Other);
        if (Active) {
            // The system may raise the form only once its activation is through: the bars are
            // put back above it then too.
            KeepFloatingBarsAboveForm();
            TcbBarManager* Self = this;
            ThreadTimerStart(0, [Self](UINT_PTR Id) {
                ThreadTimerStop(Id);
                if (IsLiveManager(Self))
                    Self->KeepFloatingBarsAboveForm();
            });
        }
        if (!FUpdatingFloatingBars && Active && FIsCustomizing && FormWnd && !IsWindowEnabled(FormWnd))
            if (TCustomForm* Dialog = cbCallExtension(cbExtensions().GetCustomizingForm);
                Dialog && Dialog->HandleAllocated())
                SendMessageA(Dialog->GetHandle(), WM_ACTIVATE, WParam, reinterpret_cast<LPARAM>(FormWnd));
        break;
    }
    case WM_SYSCOLORCHANGE: {
        cbSystemColorsChanged();
        RecreateSharedBrushes();
        RefreshOffice11Colors();
        SystemColorsChanged();
        for (TcbBarControl* Window : FloatingBarWindows())
            Refresh(Window);
        // MDI children hear of it only from their frame.
        if (Form->GetFormStyle() == fsMDIForm && BarManagers())
            for (int32_t I = 0; I < Form->GetMDIChildCount(); ++I)
                if (TcbBarManager* Child = BarManagers()->ManagerOfForm(Form->GetMDIChildren(I)); Child && Child != this)
                    Child->ProcessOwnerMessage(Msg, WParam, LParam);
        break;
    }
    case WM_SETTINGCHANGE:
        if (WParam == SPI_SETNONCLIENTMETRICS)
            UpdateSystemFont();
        else if (WParam == SPI_SETWORKAREA)
            MoveFloatingBarsIntoWorkArea();
        break;
    case WM_ACTIVATEAPP:
        if (WParam == 0) {
            SetActive(false, false, nullptr);
            TcbBarItemControl* Selected = FSelectedItemControl;
            if (Selected && IsLiveItemControl(Selected)) {
                TCustomcbBarControl* Window = Selected->GetBarControl();
                if (Window && Window->HandleAllocated())
                    SendMessageA(Window->GetHandle(), WM_MOUSELEAVE, 0, 0);
                if (IsLiveItemControl(Selected) && TCustomcbBarControl::IsLiveBarControl(Window) &&
                    Window->GetSelectedControl() == Selected)
                    Window->SetSelectedControl(nullptr);
            }
            SetSelectedItemControl(nullptr);
        }
        break;
    case WM_WINDOWPOSCHANGING:
        if (const auto* Pos = reinterpret_cast<const WINDOWPOS*>(LParam); Pos && (Pos->flags & SWP_HIDEWINDOW))
            SetActive(false, true, nullptr);
        break;
    case WM_WINDOWPOSCHANGED: {
        const auto* Pos = reinterpret_cast<const WINDOWPOS*>(LParam);
        if (!Pos)
            break;
        if (FIsCustomizing && cbCallExtension(cbExtensions().GetCustomizingForm))
            cbCallExtension(cbExtensions().ApplyOwnerWindowPos, *Pos);
        if (TCustomForm* Editor = cbCallExtension(cbExtensions().GetSubMenuEditor); Editor && Editor->HandleAllocated()) {
            if (Pos->flags & SWP_SHOWWINDOW)
                ShowWindow(Editor->GetHandle(), SW_SHOWNA);
            else if (Pos->flags & SWP_HIDEWINDOW)
                ShowWindow(Editor->GetHandle(), SW_HIDE);
        }
        // A form shown again brings back the bars its hiding took away, also where no
        // activation follows (without HideFloatingBarsWhenInactive they do not wait for one).
        if ((Pos->flags & SWP_SHOWWINDOW) && !FHideFloatingBarsWhenInactive)
            UpdateFloatingBars(FActive, false, nullptr);
        if (!(Pos->flags & SWP_NOZORDER))
            KeepFloatingBarsAboveForm();
        break;
    }
    case WM_HELP:
        if (const auto* Info = reinterpret_cast<const HELPINFO*>(LParam);
            !FDesigning && Info && Info->iContextType == HELPINFO_WINDOW)
            ShowItemHelp(*Info);
        break;
    case WM_DISPLAYCHANGE:
        MoveFloatingBarsIntoWorkArea();
        break;
    case WM_SYSCOMMAND: {
        // The low four bits of a system command are the system's own.
        const WPARAM Command = WParam & 0xFFF0;
        if (Command == SC_CLOSE && FDesigning)
            if (TCustomcbBarControl* Open = cbOpenSubMenu(); Open && Open->GetBarManager() == this)
                Open->HideAll();
        if (Command == SC_MINIMIZE || Command == SC_CLOSE) {
            for (TcbBarControl* Window : FloatingBarWindows())
                if (IsWindowVisible(Window->GetHandle()))
                    SetWindowPos(Window->GetHandle(), nullptr, 0, 0, 0, 0, kHideFloatingFlags);
        } else if (Command == SC_MAXIMIZE || Command == SC_RESTORE) {
            for (TcbBarControl* Window : FloatingBarWindows()) {
                ShowWithoutActivation(Window);
                UpdateWindow(Window->GetHandle());
            }
        }
        break;
    }
    case WM_MDIACTIVATE:
        if (Form->GetFormStyle() == fsMDIChild)
            SetActive(FormWnd && reinterpret_cast<HWND>(LParam) == FormWnd, false, nullptr);
        break;
    default:
        break;
    }
}
