// The hooks' installation and the call-window-procedure hook, and the start and stop of the
// hooks and the hint window as managers come and go. The keyboard hook lives in
// cbKeyboardHook.cpp, the mouse hook in cbMouseHook.cpp.

#include "commandbars/input/cbHooks.h"

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbHint.h"
#include "platform/win/FormDesign.h"
#include "platform/win/Forms.h"
#include "platform/win/ThreadHook.h"

namespace {

TThreadHook gKeyboardHook;
TThreadHook gMouseHook;
TThreadHook gCallWndProcHook;
// Raised while the hook looks for the manager of a message's form and lets it react: a message
// sent meanwhile (WM_ACTIVATE of a closing menu, say) does not start a second lookup.
bool gLookingUpManager = false;

// The hook bodies run as one framework entry: a click they queued runs when they end.
bool RunBody(bool (*Body)(TThreadHookCall&), TThreadHookCall& Call, bool DeferClicks = false)
{
    TcbFrameworkEntry Entry(DeferClicks);
    return Body(Call);
}

// The form whose window Wnd is, when it is one.
TCustomForm* FormOfWindow(HWND Wnd)
{
    return dynamic_cast<TCustomForm*>(TWinControl::FindControl(Wnd));
}

TcbBarManager* ManagerOfWindow(HWND Wnd)
{
    TCustomForm* Form = FormOfWindow(Wnd);
    TcbBarManagerList* List = BarManagers();
    return Form && List ? List->ManagerOfForm(Form) : nullptr;
}

// The top-level form window above Wnd (walking parents until a form's window).
HWND FormWindowAbove(HWND Wnd)
{
    while (Wnd && !FormOfWindow(Wnd))
        Wnd = GetParent(Wnd);
    return Wnd;
}

bool IsMenuOrQuickCustomizingWindow(HWND Wnd)
{
    auto* Bar = dynamic_cast<TCustomcbBarControl*>(TWinControl::FindControl(Wnd));
    return Bar && (Bar->GetKind() == bwkMenu || Bar->IsQuickCustomizingMenu());
}

bool IsMDIClient(HWND Wnd)
{
    char Name[16] = {};
    return Wnd && GetClassNameA(Wnd, Name, sizeof Name) > 0 && lstrcmpiA(Name, "MDICLIENT") == 0;
}

} // namespace

TCustomcbBarControl* cbOpenSubMenu()
{
    return TCustomcbBarControl::ActiveBarControl();
}

TcbBarManager* cbOpenSubMenuManager()
{
    TCustomcbBarControl* Open = cbOpenSubMenu();
    return Open ? Open->GetBarManager() : nullptr;
}

bool cbCallWndProcHookProc(TThreadHookCall& Call)
{
    const auto* S = reinterpret_cast<const CWPSTRUCT*>(Call.LParam);
    HWND Wnd = S->hwnd;
    if (S->message == WM_HELP)
        if (TcbBarManager* Open = cbOpenSubMenuManager())
            if (HWND Form = FormWindowAbove(Wnd); Form && Open->GetOwnerForm() &&
                Open->GetOwnerForm()->HandleAllocated() && Form != Open->GetOwnerForm()->GetHandle())
                Wnd = Form;
    if (!gLookingUpManager) {
        gLookingUpManager = true;
        struct TLower {
            ~TLower() { gLookingUpManager = false; }
        } Lower;
        if (TcbBarManager* Manager = ManagerOfWindow(Wnd))
            Manager->ProcessOwnerMessage(S->message, S->wParam, S->lParam);
        else if (S->message == WM_ACTIVATE && !IsMenuOrQuickCustomizingWindow(Wnd)) {
            TCustomForm* Parent = FormOfWindow(GetParent(Wnd));
            if (Parent && Parent->GetVisible())
                if (TcbBarManager* ParentManager = BarManagers() ? BarManagers()->ManagerOfForm(Parent) : nullptr)
                    ParentManager->ProcessOwnerMessage(S->message, S->wParam, S->lParam);
        }
    }
    // The Customize dialog follows the show and hide of the program's MDI frame as well, also
    // while it customizes the bars of a child form, whose own window moves nothing then.
    if (S->message == WM_WINDOWPOSCHANGED && S->lParam)
        if (TCustomForm* Main = AppUI()->GetMainForm();
            Main && Main->GetFormStyle() == fsMDIForm && Main->HandleAllocated() && S->hwnd == Main->GetHandle() &&
            cbCallExtension(cbExtensions().GetCustomizingForm))
            cbCallExtension(cbExtensions().ApplyOwnerWindowPos, *reinterpret_cast<const WINDOWPOS*>(S->lParam));
    // The focus moved to a window of a form with floating bars.
    if (S->message == WM_SETFOCUS)
        if (TcbBarManager* Manager = ManagerOfWindow(GetAncestor(S->hwnd, GA_ROOT)))
            Manager->FocusChangedInForm();
    const LRESULT Result = Call.CallNext();
    (void)Result;
    if (S->message == WM_CHILDACTIVATE || S->message == WM_DESTROY || S->message == WM_MDIACTIVATE) {
        HWND Parent = GetParent(S->hwnd);
        if (IsMDIClient(Parent))
            if (TcbBarManager* Frame = ManagerOfWindow(GetParent(Parent)))
                Frame->CheckMDIChild();
    }
    return false;
}

void cbInstallThreadHooks()
{
    if (!gKeyboardHook.Installed())
        gKeyboardHook.Install(hkKeyboard, [](TThreadHookCall& Call) { return RunBody(cbKeyboardHookProc, Call, true); });
    if (!gMouseHook.Installed())
        gMouseHook.Install(hkMouse, [](TThreadHookCall& Call) { return RunBody(cbMouseHookProc, Call); });
    if (!gCallWndProcHook.Installed())
        gCallWndProcHook.Install(hkCallWndProc, [](TThreadHookCall& Call) { return RunBody(cbCallWndProcHookProc, Call); });
}

void cbRemoveThreadHooks()
{
    gCallWndProcHook.Remove();
    gMouseHook.Remove();
    gKeyboardHook.Remove();
}

HHOOK cbKeyboardHookHandle() { return gKeyboardHook.Installed() ? gKeyboardHook.GetHandle() : nullptr; }
HHOOK cbMouseHookHandle() { return gMouseHook.Installed() ? gMouseHook.GetHandle() : nullptr; }
HHOOK cbCallWndProcHookHandle() { return gCallWndProcHook.Installed() ? gCallWndProcHook.GetHandle() : nullptr; }

void InstallBarHooks(TcbBarManager* Manager)
{
    cbBarManagersInit();
    TcbBarManagerList* List = BarManagers();
    List->FList.Add(Manager);
    cbInstallThreadHooks();
    // A manager made while a form's design is read again is a copy: it shows no hints.
    if (!Manager->IsDesigning() && !IsRestoringFormDesign() && !cbHintWindow())
        cbCreateHintWindow();
}

void RemoveBarHooks(TcbBarManager* Manager)
{
    TcbBarManagerList* List = BarManagers();
    if (!List)
        return;
    List->FList.Remove(Manager);
    if (List->FList.Items().empty())
        cbStopBarHooks();
}

void cbStopBarHooks()
{
    cbRemoveThreadHooks();
    cbFreeHintWindow();
}
