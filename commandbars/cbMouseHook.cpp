// The mouse hook: closing open menus on clicks elsewhere, the pressed mark of a toolbar returning
// to normal, right-click context menus through the popup-menu links.
//
// The hook sees a mouse message when the thread takes it from its queue, before the window
// under the mouse gets it; answering "handled" discards the message. A context menu's popup
// loop runs inside the hook (Wine runs a nested hook call for the input of that loop).

#include "commandbars/cbHooks.h"

#include <windowsx.h>

#include "commandbars/cbBarControl.h"
#include "commandbars/cbBarItems.h"
#include "commandbars/cbBarManager.h"
#include "commandbars/cbExtensions.h"
#include "commandbars/cbItemControls.h"
#include "commandbars/cbItemLinks.h"
#include "commandbars/cbPopupMenuLinks.h"
#include "commandbars/cbToolbar.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Forms.h"
#include "platform/win/ThreadHook.h"

namespace {

// Raised while the hook closes open menus: a mouse message fetched meanwhile (by a loop that
// runs while a menu window goes) does not close again.
bool gClosingMenus = false;
// The open sub-menu when the last left press went on to its window, and whether such a press
// is still waiting for its release: a menu that opened after it was opened by that click, and
// the click's release does not close it.
bool gLeftPressPending = false;
TCustomcbBarControl* gOpenAtLeftPress = nullptr;
// The right press that is opening a context menu. The menu's loop runs inside this hook's call
// for that press, and the loop is handed the same press once more (as a double click where the
// window takes them): that copy is no click of the user's and must not close the menu.
struct TOpeningPress {
    bool Active = false;
    POINT Point{};
    HWND Target = nullptr;
} gOpeningPress;

bool IsRightPressOrDoubleClick(UINT Msg)
{
    return Msg == WM_RBUTTONDOWN || Msg == WM_RBUTTONDBLCLK || Msg == WM_NCRBUTTONDOWN || Msg == WM_NCRBUTTONDBLCLK;
}

bool IsOpeningPressAgain(UINT Msg, POINT Point, HWND Target)
{
    return gOpeningPress.Active && IsRightPressOrDoubleClick(Msg) && Point.x == gOpeningPress.Point.x &&
           Point.y == gOpeningPress.Point.y && Target == gOpeningPress.Target;
}

bool IsRightOrMiddlePress(UINT Msg)
{
    return Msg == WM_RBUTTONDOWN || Msg == WM_NCRBUTTONDOWN || Msg == WM_MBUTTONDOWN || Msg == WM_NCMBUTTONDOWN;
}

bool IsLeftRelease(UINT Msg)
{
    return Msg == WM_LBUTTONUP || Msg == WM_NCLBUTTONUP;
}

bool IsLeftPress(UINT Msg)
{
    return Msg == WM_LBUTTONDOWN || Msg == WM_NCLBUTTONDOWN || Msg == WM_LBUTTONDBLCLK || Msg == WM_NCLBUTTONDBLCLK;
}

// Any press or double click, client or non-client, of the left, right or middle button.
bool IsPressOrDoubleClick(UINT Msg)
{
    switch (Msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN: case WM_NCRBUTTONDBLCLK: case WM_NCMBUTTONDOWN: case WM_NCMBUTTONDBLCLK:
        return true;
    default:
        return false;
    }
}

// Every button message, client or non-client.
bool IsButtonMessage(UINT Msg)
{
    return (Msg >= WM_LBUTTONDOWN && Msg <= WM_MBUTTONDBLCLK) || (Msg >= WM_NCLBUTTONDOWN && Msg <= WM_NCMBUTTONDBLCLK);
}

bool IsRightButtonMessage(UINT Msg)
{
    return (Msg >= WM_RBUTTONDOWN && Msg <= WM_RBUTTONDBLCLK) || (Msg >= WM_NCRBUTTONDOWN && Msg <= WM_NCRBUTTONDBLCLK);
}

// Window is Owner or lies inside it.
bool IsWindowOrChild(HWND Owner, HWND Window)
{
    return Owner && Window && (Owner == Window || IsChild(Owner, Window));
}

TCustomcbBarControl* BarControlOfWindow(HWND Wnd)
{
    return dynamic_cast<TCustomcbBarControl*>(TWinControl::FindControl(Wnd));
}

// The point lies on an item control of the bar window under it.
bool IsOnBarItemControl(HWND Under, POINT Point)
{
    TCustomcbBarControl* Bar = BarControlOfWindow(Under);
    if (!Bar || !Bar->HandleAllocated())
        return false;
    POINT P = Point;
    ScreenToClient(Bar->GetHandle(), &P);
    return Bar->ControlAtPos(TPoint{P.x, P.y}) != nullptr;
}

// The window of the visible drop-down list of a combo shown in the menu window, or 0.
HWND VisibleComboListOf(TCustomcbBarControl* Menu)
{
    TcbBarItemLinks* Links = Menu->GetItemLinks();
    if (!Links)
        return nullptr;
    for (int32_t I = 0; I < Links->GetCount(); ++I) {
        auto* Combo = dynamic_cast<TCustomcbBarComboControl*>(Links->GetItem(I)->GetControl());
        if (!Combo || !Combo->IsDroppedDown() || !Combo->GetCombo())
            continue;
        HWND List = Combo->GetCombo()->GetDropDownWindow();
        if (List && IsWindowVisible(List))
            return List;
    }
    return nullptr;
}

// The window under the point belongs to the open menu chain: the open sub-menu, the bar windows
// it hangs from, their child windows, or the visible drop-down list of a combo in the open
// sub-menu.
bool IsInsideMenuChain(TCustomcbBarControl* Open, HWND Under)
{
    if (!Under)
        return false;
    if (HWND List = VisibleComboListOf(Open); IsWindowOrChild(List, Under))
        return true;
    int32_t Guard = 0;
    for (TCustomcbBarControl* Bar = Open; Bar && Guard < 64; Bar = Bar->GetParentBar(), ++Guard) {
        if (!TCustomcbBarControl::IsLiveBarControl(Bar))
            break;
        if (Bar->HandleAllocated() && IsWindowOrChild(Bar->GetHandle(), Under))
            return true;
    }
    return false;
}

// The open sub-menu was opened by the click whose release this is, or its window is still being
// made and shown.
bool IsOpeningByThisClick(TCustomcbBarControl* Open)
{
    if (gLeftPressPending && Open != gOpenAtLeftPress)
        return true;
    return Open->GetKind() == bwkMenu && (!Open->HandleAllocated() || !IsWindowVisible(Open->GetHandle()));
}

// Step: with menus open, presses elsewhere are swallowed or close the chain. True: handled.
bool CloseMenusOnClick(UINT Msg, POINT Point, HWND Target)
{
    TCustomcbBarControl* Open = cbOpenSubMenu();
    if (!Open || gClosingMenus)
        return false;
    gClosingMenus = true;
    struct TLower {
        ~TLower() { gClosingMenus = false; }
    } Lower;
    // Only button messages close menus; a move costs no window search.
    const HWND Under = IsButtonMessage(Msg) ? WindowFromPoint(Point) : nullptr;
    bool Handled = false;
    if (IsRightOrMiddlePress(Msg) && !IsOnBarItemControl(Under, Point) && !IsInsideMenuChain(Open, Under))
        Handled = true;
    TcbBarManager* Manager = Open->GetBarManager();
    if (!(Manager && Manager->IsItemLinkDragging())) {
        // Each HideAll closes one chain; a chain opened under it (a popup menu's loop that runs
        // a command which popped up another menu) is looked at next. A chain that does not close
        // ends the loop.
        for (int32_t Guard = 0; Guard < 32; ++Guard) {
            Open = cbOpenSubMenu();
            if (!Open)
                break;
            bool Consider = false;
            if (IsLeftRelease(Msg))
                Consider = !IsOnBarItemControl(Under, Point) && !IsOpeningByThisClick(Open) && !Open->IsCustomizing() &&
                    (Open->GetKind() == bwkToolbar || Open->GetParentBar());
            else
                Consider = IsPressOrDoubleClick(Msg);
            if (!Consider || IsInsideMenuChain(Open, Under))
                break;
            Open->HideAll();
            if (cbOpenSubMenu() == Open && TCustomcbBarControl::IsLiveBarControl(Open))
                break;
        }
    }
    if (Target && !IsWindowVisible(Target))
        Handled = true;
    return Handled;
}

// Step: a toolbar whose mark is pressed (its "More Buttons" window open) lets the mark go back
// to normal on a button message anywhere else.
void ReleasePressedMark(UINT Msg, POINT Point, HWND Target)
{
    if (!IsButtonMessage(Msg))
        return;
    TcbBarControl* Pressed = nullptr;
    for (TCustomcbBarControl* Window : TCustomcbBarControl::LiveBarControls())
        if (Window->GetMarkStateValue() == bstPressed)
            if (auto* Bar = dynamic_cast<TcbBarControl*>(Window)) {
                Pressed = Bar;
                break;
            }
    if (!Pressed || !Pressed->HandleAllocated())
        return;
    const HWND Under = WindowFromPoint(Point);
    if (IsWindowOrChild(Pressed->GetHandle(), Under) || IsWindowOrChild(Pressed->GetHandle(), Target))
        return;
    if (!IsRightButtonMessage(Msg)) {
        // The quick-customization window opened from this mark keeps it pressed while it is
        // clicked, and so does the mark rect itself where that window lies over it.
        TCustomcbBarControl* Quick = cbCallExtension(cbExtensions().GetOpenQuickControl);
        if (Quick && TCustomcbBarControl::IsLiveBarControl(Quick) && Quick->GetParentBar() == Pressed &&
            Quick->HandleAllocated() && IsWindowOrChild(Quick->GetHandle(), Under))
            return;
        // So does a menu it opened ("Add or Remove Buttons"), whose entries are clicked with the
        // window left open.
        if (Quick && TCustomcbBarControl::IsLiveBarControl(Quick) && Quick->GetParentBar() == Pressed)
            if (TCustomcbBarControl* Open = cbOpenSubMenu(); Open && Open != Quick && IsInsideMenuChain(Open, Under))
                for (TCustomcbBarControl* Bar = Open->GetParentBar(); Bar && TCustomcbBarControl::IsLiveBarControl(Bar);
                     Bar = Bar->GetParentBar())
                    if (Bar == Quick)
                        return;
        RECT Mark = Pressed->GetMarkRectInWindow();
        RECT Window{};
        GetWindowRect(Pressed->GetHandle(), &Window);
        OffsetRect(&Mark, Window.left, Window.top);
        if (PtInRect(&Mark, Point))
            return;
    }
    Pressed->SetMarkState(bstNormal);
}

// The control that a window belongs to: the window's own, else the first above it.
TWinControl* ControlOfWindow(HWND Wnd)
{
    for (; Wnd; Wnd = GetParent(Wnd))
        if (TWinControl* Control = TWinControl::FindControl(Wnd))
            return Control;
    return nullptr;
}

// Step: a right press over a control opens the context menu its form's manager links to it.
bool ShowContextMenu(UINT Msg, POINT Point, HWND Target)
{
    if (Msg != WM_RBUTTONDOWN && Msg != WM_NCRBUTTONDOWN)
        return false;
    TWinControl* Control = ControlOfWindow(Target);
    if (!Control)
        return false;
    TCustomForm* Form = dynamic_cast<TCustomForm*>(Control);
    if (!Form)
        Form = Control->GetParentForm();
    TcbBarManagerList* List = BarManagers();
    TcbBarManager* Manager = Form && List ? List->ManagerOfForm(Form) : nullptr;
    if (!Manager)
        return false;
    gOpeningPress = TOpeningPress{true, Point, Target};
    TScopeExit Opened([] { gOpeningPress.Active = false; });
    return Manager->GetPopupMenuLinks()->ShowForControl(Control, Target, Point);
}

} // namespace

bool cbMouseHookProc(TThreadHookCall& Call)
{
    // HC_NOREMOVE: the message was only looked at and comes again with HC_ACTION when taken.
    if (Call.Code != HC_ACTION)
        return false;
    const auto* S = reinterpret_cast<const MOUSEHOOKSTRUCT*>(Call.LParam);
    if (!S)
        return false;
    const UINT Msg = static_cast<UINT>(Call.WParam);
    const POINT Point = S->pt;
    const HWND Target = S->hwnd;

    if (IsOpeningPressAgain(Msg, Point, Target))
        return true;
    const bool LeftPress = IsLeftPress(Msg);
    const bool LeftRelease = IsLeftRelease(Msg);
    bool Handled = CloseMenusOnClick(Msg, Point, Target);
    if (LeftRelease)
        gLeftPressPending = false;
    ReleasePressedMark(Msg, Point, Target);
    if (!Handled)
        Handled = ShowContextMenu(Msg, Point, Target);
    if (LeftPress && !Handled) {
        // What is open as the press goes on to its window: a menu that opens from here on is
        // this click's.
        gLeftPressPending = true;
        gOpenAtLeftPress = cbOpenSubMenu();
    }
    return Handled;
}
