// The keyboard hook: menu mode with Alt or F10, keys for an open menu, shortcuts and
// accelerators of bar items, the context-menu key.
//
// Key states are read with GetKeyState: inside the hook it gives the thread's state as of the
// keys handled before this one, which is the state at the time of the event (the key being
// pressed or released is not counted yet). The asynchronous state may run ahead of the queue.

#include "commandbars/input/cbHooks.h"

#include <vector>

#include "commandbars/model/cbBar.h"
#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenuLinks.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Actions.h"
#include "platform/win/Forms.h"
#include "platform/win/ThreadHook.h"

namespace {

// Set by a press of Alt, cleared by the next key event: Alt released with nothing pressed in
// between enters menu mode.
bool gAltPressedAlone = false;
// A key whose press went to an open menu (or opened a context menu): its release is swallowed,
// also when the menu has closed meanwhile, so the focused control never sees half a keystroke.
bool gKeySwallowed = false;
WORD gSwallowedKey = 0;
// The key whose press is opening a context menu. The menu's loop runs inside this hook's call
// for that press and is handed the same press once more: that copy must not reach the menu
// (F10 would close it).
WORD gOpeningKey = 0;

constexpr WORD kVkProcessKey = 0xE5;

bool IsRelease(LPARAM KeyData) { return (static_cast<DWORD>(KeyData) & 0x80000000u) != 0; }
// Bit 30: the key was down before this event (an auto-repeat press).
bool WasDown(LPARAM KeyData) { return (static_cast<DWORD>(KeyData) & 0x40000000u) != 0; }
bool KeyHeld(int Key) { return GetKeyState(Key) < 0; }

void SwallowRelease(WORD Key)
{
    gKeySwallowed = true;
    gSwallowedKey = Key;
}

// The release of the menu key makes the system post WM_CONTEXTMENU (point -1, -1) to the focused
// window before any hook hears of the key. When the hook uses that release up, the message goes
// too: the control would open its own menu beside or after the bars'.
void DropKeyboardContextMenu(WORD Key, bool Release)
{
    if (Key != VK_APPS || !Release)
        return;
    if (HWND Focus = GetFocus()) {
        MSG Msg;
        while (PeekMessageA(&Msg, Focus, WM_CONTEXTMENU, WM_CONTEXTMENU, PM_REMOVE)) {
        }
    }
}

// Whether the state entry Index stands for Key (the generic modifier codes cover their left
// and right keys).
bool IsSameKey(int Index, WORD Key)
{
    if (Index == Key)
        return true;
    switch (Key) {
    case VK_MENU: return Index == VK_LMENU || Index == VK_RMENU;
    case VK_SHIFT: return Index == VK_LSHIFT || Index == VK_RSHIFT;
    case VK_CONTROL: return Index == VK_LCONTROL || Index == VK_RCONTROL;
    default: return false;
    }
}

// No key or button is down besides Released. Only the pressed bits count: the toggle bits of
// Caps Lock, Num Lock and Scroll Lock say nothing about keys being held. The released key itself
// still shows as down while its release is in the hook.
bool NothingElseDown(WORD Released)
{
    BYTE State[256];
    if (!GetKeyboardState(State))
        return false;
    for (int I = 0; I < 256; ++I)
        if ((State[I] & 0x80) && !IsSameKey(I, Released))
            return false;
    return true;
}

TcbBarManager* ManagerOfForm(const TCustomForm* Form)
{
    TcbBarManagerList* List = BarManagers();
    return Form && List ? List->ManagerOfForm(Form) : nullptr;
}

bool IsDesigning(const TComponent* Component)
{
    return Component->GetComponentState().Contains(csDesigning);
}

// Enabled both as a control and as a window (a modal form disables the others' windows).
bool IsFormEnabled(TCustomForm* Form)
{
    return Form->GetEnabled() && (!Form->HandleAllocated() || IsWindowEnabled(Form->GetHandle()));
}

// The first control upward from the focused window, and the popup-menu links of its form's
// manager (nullptr when either is missing).
TWinControl* FocusedControl()
{
    for (HWND Wnd = GetFocus(); Wnd; Wnd = GetAncestor(Wnd, GA_PARENT))
        if (TWinControl* Control = TWinControl::FindControl(Wnd))
            return Control;
    return nullptr;
}

TcbBarPopupMenuLinks* PopupLinksOf(TWinControl* Control)
{
    TcbBarManager* Manager = Control ? ManagerOfForm(Control->GetParentForm()) : nullptr;
    return Manager ? Manager->GetPopupMenuLinks() : nullptr;
}

// The toolbar window of a bar, when it has one.
TcbBarControl* WindowOfBar(TcbBar* Bar)
{
    return Bar ? dynamic_cast<TcbBarControl*>(Bar->GetBarControl()) : nullptr;
}

// The bars of a manager in search order: the main menu bar, then every visible bar that is not
// the main menu bar, in bar order. Taken before anything runs, since a command may change them.
std::vector<TcbBar*> SearchBars(TcbBarManager* Manager, bool MainMenuNeedsWindow)
{
    std::vector<TcbBar*> Result;
    TcbBar* Main = Manager->GetMainMenuBar();
    if (Main && (!MainMenuNeedsWindow || Main->GetBarControl()))
        Result.push_back(Main);
    TcbBars* Bars = Manager->GetBars();
    for (int32_t I = 0; Bars && I < Bars->GetCount(); ++I)
        if (TcbBar* Bar = Bars->GetItem(I); Bar && Bar != Main && Bar->GetVisible())
            Result.push_back(Bar);
    return Result;
}

// Whether Bar is still one of Manager's bars (an update handler may have freed it).
bool HasBar(TcbBarManager* Manager, TcbBar* Bar)
{
    if (!IsListedManager(Manager))
        return false;
    TcbBars* Bars = Manager->GetBars();
    for (int32_t I = 0; Bars && I < Bars->GetCount(); ++I)
        if (Bars->GetItem(I) == Bar)
            return true;
    return false;
}

bool ShortCutOfBars(TcbBarManager* Manager, TShortCut ShortCut)
{
    for (TcbBar* Bar : SearchBars(Manager, false))
        if (HasBar(Manager, Bar) && Bar->GetItemLinks() && Bar->GetItemLinks()->IsShortCut(ShortCut))
            return true;
    return false;
}

// An accelerator found on a bar of Manager: its bar window takes keyboard mode with the link
// selected unless it is unique and its click closes menus; a unique one is pressed and clicked
// (a sub-item opens its menu with the first entry selected). False when no bar has it.
bool AcceleratorOfBars(TcbBarManager* Manager, WORD Key, TShiftState Shift)
{
    for (TcbBar* Bar : SearchBars(Manager, true)) {
        TcbBarItemLinks* Links = Bar->GetItemLinks();
        if (!Links)
            continue;
        TcbBarItemLink* Found = Links->FindByAccel(Key, Shift, nullptr);
        if (!Found || !Found->GetItem() || !Found->GetItem()->GetEnabled())
            continue;
        TcbBarItemControl* Control = Found->GetControl();
        TcbBarControl* Window = dynamic_cast<TcbBarControl*>(Found->GetBarControl());
        if (!Control || !Window)
            continue;
        const bool Unique = Links->FindByAccel(Key, Shift, Found) == Found;
        if (!(Unique && Control->ClosesMenuOnClick())) {
            Window->EnterKeyboardMode(Control);
            if (!TCustomcbBarControl::IsLiveBarControl(Window) || !IsLiveItemControl(Control))
                return true;
        }
        if (Unique) {
            if (dynamic_cast<TcbBarSubItemControl*>(Control))
                Window->SetSecondClick(true);
            Control->PressAndClick(false);
        }
        return true;
    }
    return false;
}

// Step 7: the manager whose bars answer the keys (B) and the active form's own one (A).
void ChooseManagers(TcbBarManager*& A, TcbBarManager*& B)
{
    A = B = nullptr;
    TCustomForm* Form = nullptr;
    if (HWND Active = GetActiveWindow())
        Form = dynamic_cast<TCustomForm*>(TWinControl::FindControl(Active));
    if (!Form || !IsFormEnabled(Form) || IsDesigning(Form))
        return;
    if (Form->GetFormStyle() == fsMDIForm)
        if (TCustomForm* Child = Form->GetActiveMDIChild())
            Form = Child;
    TcbBarManager* Own = ManagerOfForm(Form);
    A = Own;
    if (!A && Form->HandleAllocated()) {
        auto* Parent = dynamic_cast<TCustomForm*>(TWinControl::FindControl(GetAncestor(Form->GetHandle(), GA_PARENT)));
        A = ManagerOfForm(Parent);
    }
    B = A;
    TCustomForm* MainForm = AppUI()->GetMainForm();
    TcbBarManager* Main = ManagerOfForm(MainForm);
    if (Form->GetFormStyle() == fsMDIChild)
        B = Main;
    else if ((Form->GetFormStyle() == fsNormal || Form->GetFormStyle() == fsStayOnTop) && !Own && Main &&
             Main->GetAllowCallFromAnotherForm() && IsFormEnabled(MainForm))
        B = Main;
    if (!A)
        A = B;
}

// Steps 3 to 10 for one key event of the thread: true when the key was used up.
bool HandleKey(WORD Key, LPARAM KeyData)
{
    const bool Release = IsRelease(KeyData);
    // The Alt-pressed-alone mark lasts to the next key event, whichever step takes it.
    const bool AltWasAlone = gAltPressedAlone;
    gAltPressedAlone = false;
    if (gOpeningKey && Key == gOpeningKey && !Release)
        return true;

    // A key whose press went to a menu: its release goes nowhere. A fresh press of that key
    // means its release was missed (it went to another window): the old mark goes.
    if (gKeySwallowed && Key == gSwallowedKey) {
        if (Release) {
            gKeySwallowed = false;
            DropKeyboardContextMenu(Key, Release);
            return true;
        }
        if (!WasDown(KeyData))
            gKeySwallowed = false;
    }

    // A "More Buttons" window opened by the mouse is not in the menu mode yet (so that moving
    // over other bars closes it after its delay). A key press puts it there, with nothing
    // selected, so that the key goes to it as to any open menu: Esc closes it, and the arrows
    // move in it instead of reaching the form behind it.
    if (!Release && !cbOpenSubMenu())
        if (auto* Quick = dynamic_cast<TcbBarControl*>(cbCallExtension(cbExtensions().GetOpenQuickControl));
            Quick && TCustomcbBarControl::IsLiveBarControl(Quick) && Quick->HandleAllocated() &&
            IsWindowVisible(Quick->GetHandle()) && !Quick->IsCustomizing())
            Quick->EnterKeyboardModeAt(nullptr, false);

    // Keys for the open menu (a menu window, or a toolbar in keyboard mode).
    TCustomcbBarControl* Open = cbOpenSubMenu();
    TcbBarManager* OpenManager = Open ? Open->GetBarManager() : nullptr;
    if (Open && Open->HandleAllocated() && !(OpenManager && OpenManager->IsDetaching())) {
        if (!Open->IsCustomizing()) {
            auto* Editor = dynamic_cast<TcbBarWinControl*>(Open->GetSelectedControl());
            if (!(Editor && Editor->IsEditing())) {
                if (!Release)
                    SwallowRelease(Key);
                SendMessageA(Open->GetHandle(), Release ? WM_KEYUP : WM_KEYDOWN, Key, KeyData);
                DropKeyboardContextMenu(Key, Release);
                return true;
            }
        } else if (Key == VK_ESCAPE && GetCapture() == Open->GetHandle()) {
            ReleaseCapture();
            return true;
        }
    }

    if (GetCapture())
        return false;

    // The context-menu key, and Shift+F10.
    const bool Shift = KeyHeld(VK_SHIFT), Ctrl = KeyHeld(VK_CONTROL), Alt = KeyHeld(VK_MENU);
    if (!Release && (Key == VK_APPS || (Key == VK_F10 && Shift && !Ctrl && !Alt))) {
        TWinControl* Control = FocusedControl();
        if (TcbBarPopupMenuLinks* Links = PopupLinksOf(Control)) {
            // Its release must not reach the control, which would ask for the system's menu.
            bool Shown = false;
            {
                gOpeningKey = Key;
                TScopeExit Opened([] { gOpeningKey = 0; });
                Shown = Links->ShowForControl(Control, GetFocus(), POINT{-1, -1});
            }
            if (Shown) {
                SwallowRelease(Key);
                return true;
            }
        }
    }

    TcbBarManager *A = nullptr, *B = nullptr;
    ChooseManagers(A, B);
    if (!B || B->IsCustomizingOrDesigning())
        return false;
    if (TCustomcbBarControl* KeyboardBar = B->GetKeyboardBarControl();
        KeyboardBar && TCustomcbBarControl::IsLiveBarControl(KeyboardBar))
        return false;

    if (Release) {
        TcbBarControl* MainBar = WindowOfBar(B->GetMainMenuBar());
        const bool Shown = MainBar && MainBar->HandleAllocated() && IsWindowVisible(MainBar->GetHandle());
        const bool AltAlone = Key == VK_MENU && AltWasAlone && NothingElseDown(Key);
        const bool F10 = B->GetUseF10ForMenu() && Key == VK_F10 && !Shift && !Ctrl && !Alt;
        if (Shown && (AltAlone || F10)) {
            MainBar->EnterKeyboardMode(nullptr);
            return true;
        }
        return false;
    }

    if (Key == VK_MENU) {
        gAltPressedAlone = true;
        return false;
    }

    TShiftState State;
    if (Shift)
        State.Include(ssShift);
    if (Ctrl)
        State.Include(ssCtrl);
    if (Alt)
        State.Include(ssAlt);
    const TShortCut Cut = ShortCut(Key, State);
    TWinControl* Control = FocusedControl();
    if (TcbBarPopupMenuLinks* Links = PopupLinksOf(Control))
        if (Links->IsShortCut(Control, Cut))
            return true;
    if (IsListedManager(B) && ShortCutOfBars(B, Cut))
        return true;
    if (A != B && IsListedManager(A) && ShortCutOfBars(A, Cut))
        return true;

    if (!Alt)
        return false;
    State.Exclude(ssAlt);
    if (IsListedManager(B) && AcceleratorOfBars(B, Key, State))
        return true;
    return A != B && IsListedManager(A) && AcceleratorOfBars(A, Key, State);
}

// The hand-over of an in-place editor: a system key it did not want, after it ended menu mode.
bool EditorSysKey(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TcbFrameworkEntry Entry;
    // An Alt released in the editor counts as Alt pressed alone: the main menu takes the mode.
    if (Msg == WM_SYSKEYUP && WParam == VK_MENU)
        gAltPressedAlone = true;
    return HandleKey(static_cast<WORD>(WParam), LParam);
}

// The editors hand their system keys to the hook's handling from the start.
const bool gEditorHandOverConnected = (TcbBarWinControl::SetEditorSysKeyHandler(&EditorSysKey), true);

} // namespace

bool cbKeyboardHookProc(TThreadHookCall& Call)
{
    (void)gEditorHandOverConnected;
    // A key looked at by a peek that leaves it queued comes again for real: acting on both would
    // run a shortcut twice.
    if (Call.Code != HC_ACTION)
        return false;
    const WORD Key = static_cast<WORD>(Call.WParam);
    // A bar being dragged takes every key; its drag loop reads Ctrl (keep floating) and Esc.
    if (cbIsBarDragging())
        return Key != VK_CONTROL && Key != VK_LCONTROL && Key != VK_RCONTROL && Key != VK_ESCAPE;
    if (Key == kVkProcessKey)
        return false;
    return HandleKey(Key, Call.LParam);
}
