// The mouse hook: the input of a form disabled while the bars are customized handed on to its
// bar windows, closing open menus on clicks elsewhere, the pressed mark of a toolbar returning
// to normal, right-click context menus through the popup-menu links.
//
// The hook sees a mouse message when the thread takes it from its queue, before the window
// under the mouse gets it; answering "handled" discards the message. A context menu's popup
// loop runs inside the hook (Wine runs a nested hook call for the input of that loop).

#include "commandbars/input/cbHooks.h"

#include <windowsx.h>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenuLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/windows/cbToolbar.h"
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

// ---------------------------------------------------------------------------------------------
// Customizing the bars of a disabled form
//
// While the Customize dialog is open the forms of the other managers are disabled, and with a
// form every window inside it: the system hands their mouse input to no window (hit-test
// HTERROR). When the customized form lies inside one of them (an MDI child in its frame), its
// bars are reached only through the hook, which hands the messages to the bar window under the
// mouse as the dialog's drags need them.

// The manager that customizes at run time, or nullptr.
TcbBarManager* CustomizingManager()
{
    TcbBarManagerList* List = BarManagers();
    for (int32_t I = 0; List && I < List->GetCount(); ++I)
        if (TcbBarManager* Manager = List->GetItem(I); Manager && Manager->IsCustomizing())
            return Manager;
    return nullptr;
}

// The form a window belongs to: the window's own, else the form of the first control above it.
TCustomForm* FormOfWindow(HWND Wnd)
{
    TWinControl* Control = ControlOfWindow(Wnd);
    if (!Control)
        return nullptr;
    if (auto* Form = dynamic_cast<TCustomForm*>(Control))
        return Form;
    return Control->GetParentForm();
}

// Input over a customized MDI child comes as its disabled frame's: it is made the child's, as
// a non-client message with hit-test HTERROR, for the next step to hand on.
void TakeForCustomizedMDIChild(UINT& Msg, HWND& Target, INT& HitTest, POINT Point)
{
    if (!cbCallExtension(cbExtensions().GetCustomizingForm))
        return;
    TcbBarManager* Manager = CustomizingManager();
    TCustomForm* Child = Manager && !Manager->IsDesigning() ? Manager->GetOwnerForm() : nullptr;
    if (!Child || Child->GetFormStyle() != fsMDIChild || !Child->HandleAllocated())
        return;
    auto* Frame = dynamic_cast<TCustomForm*>(TWinControl::FindControl(Target));
    if (!Frame || Frame->GetFormStyle() != fsMDIForm || !Frame->GetClientHandle())
        return;
    POINT Local = Point;
    ScreenToClient(Frame->GetClientHandle(), &Local);
    if (ChildWindowFromPointEx(Frame->GetClientHandle(), Local, CWP_SKIPINVISIBLE) != Child->GetHandle())
        return;
    if (Msg >= WM_MOUSEMOVE && Msg <= WM_MBUTTONDBLCLK)
        Msg -= WM_MOUSEMOVE - WM_NCMOUSEMOVE;
    Target = Child->GetHandle();
    HitTest = HTERROR;
}

// The bar window of Manager that takes a drag at the point: the customizable, visible bar
// window that the deepest window there is or lies in.
TCustomcbBarControl* DragTargetAt(TcbBarManager* Manager, POINT Point)
{
    for (HWND W = GetDeepestWindowFromPoint(TPoint{Point.x, Point.y}); W;
         W = (GetWindowLongA(W, GWL_STYLE) & WS_CHILD) ? GetParent(W) : nullptr) {
        TCustomcbBarControl* Bar = BarControlOfWindow(W);
        if (!Bar)
            continue;
        if (Bar->GetBarManager() == Manager && IsWindowVisible(W) && Bar->CanCustomize())
            return Bar;
        return nullptr;
    }
    return nullptr;
}

// A message over a disabled form while its manager customizes and the dialog takes drags: the
// bar window under the mouse becomes the message's window and is told the cursor; nullptr when
// the message stays where it is.
TCustomcbBarControl* TakeForBarWindow(UINT Msg, HWND& Target, INT& HitTest, POINT Point)
{
    if (HitTest != HTERROR)
        return nullptr;
    TCustomForm* Form = FormOfWindow(Target);
    if (!Form)
        return nullptr;
    TcbBarManagerList* List = BarManagers();
    TcbBarManager* Manager = List ? List->ManagerOfForm(Form) : nullptr;
    if (!Manager || !Manager->IsCustomizing()) {
        Manager = nullptr;
        for (int32_t I = 0; List && I < List->GetCount() && !Manager; ++I)
            if (TcbBarManager* Other = List->GetItem(I); Other && Other->IsCustomizingOrDesigning())
                Manager = Other;
    }
    if (!Manager || !Manager->IsCustomizing() || !cbCallExtension(cbExtensions().IsCustomizingFormInDragState))
        return nullptr;
    TCustomcbBarControl* Bar = DragTargetAt(Manager, Point);
    if (!Bar || !Bar->HandleAllocated())
        return nullptr;
    const HWND Wnd = Bar->GetHandle();
    Target = Wnd;
    HitTest = static_cast<INT>(SendMessageA(Wnd, WM_NCHITTEST, 0, MAKELPARAM(Point.x, Point.y)));
    SendMessageA(Wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(Wnd), MAKELPARAM(HitTest, Msg));
    return TCustomcbBarControl::IsLiveBarControl(Bar) ? Bar : nullptr;
}

// The key and button flags of a mouse message, from the state now.
WPARAM CurrentMouseKeyFlags()
{
    const bool Swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    WPARAM Flags = 0;
    if (GetAsyncKeyState(VK_CONTROL) < 0)
        Flags |= MK_CONTROL;
    if (GetAsyncKeyState(VK_SHIFT) < 0)
        Flags |= MK_SHIFT;
    if (GetAsyncKeyState(Swapped ? VK_RBUTTON : VK_LBUTTON) < 0)
        Flags |= MK_LBUTTON;
    if (GetAsyncKeyState(Swapped ? VK_LBUTTON : VK_RBUTTON) < 0)
        Flags |= MK_RBUTTON;
    if (GetAsyncKeyState(VK_MBUTTON) < 0)
        Flags |= MK_MBUTTON;
    return Flags;
}

// Hands the message to the bar window as its own client message at the point.
void SendToBarWindow(TCustomcbBarControl* Bar, UINT Msg, POINT Point)
{
    if (!TCustomcbBarControl::IsLiveBarControl(Bar) || !Bar->HandleAllocated())
        return;
    if (Msg >= WM_NCMOUSEMOVE && Msg <= WM_NCMBUTTONDBLCLK)
        Msg += WM_MOUSEMOVE - WM_NCMOUSEMOVE;
    POINT Local = Point;
    ScreenToClient(Bar->GetHandle(), &Local);
    if (Msg != WM_MOUSEMOVE)
        if (TCustomForm* Dialog = cbCallExtension(cbExtensions().GetCustomizingForm); Dialog && Dialog->HandleAllocated())
            SetForegroundWindow(Dialog->GetHandle());
    SendMessageA(Bar->GetHandle(), Msg, CurrentMouseKeyFlags(), MAKELPARAM(Local.x, Local.y));
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
    UINT Msg = static_cast<UINT>(Call.WParam);
    const POINT Point = S->pt;
    HWND Target = S->hwnd;
    INT HitTest = static_cast<INT>(S->wHitTestCode);

    TakeForCustomizedMDIChild(Msg, Target, HitTest, Point);
    TCustomcbBarControl* Redirected = TakeForBarWindow(Msg, Target, HitTest, Point);
    if (IsOpeningPressAgain(Msg, Point, Target))
        return true;
    const bool LeftPress = IsLeftPress(Msg);
    const bool LeftRelease = IsLeftRelease(Msg);
    bool Handled = CloseMenusOnClick(Msg, Point, Target);
    if (LeftRelease)
        gLeftPressPending = false;
    ReleasePressedMark(Msg, Point, Target);
    if (Redirected) {
        SendToBarWindow(Redirected, Msg, Point);
        return true;
    }
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
