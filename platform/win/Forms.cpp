#include "platform/win/Forms.h"

#include <algorithm>

#include <commctrl.h>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/GuardCallback.h"
#include "platform/win/OSError.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Tabs.h"
#include "platform/win/Thread.h"

namespace {

TApplicationUI* gAppUI = nullptr;

void ControlHint(TControl* C)
{
    if (gAppUI)
        gAppUI->SetHint(C ? TControl::GetLongHint(C->GetHint()) : std::string());
}

// Visible, enabled top-level windows of this thread (the ones a modal form disables).
BOOL CALLBACK CollectEnabled(HWND Wnd, LPARAM Param)
{
    auto* L = reinterpret_cast<std::vector<HWND>*>(Param);
    if (IsWindowVisible(Wnd) && IsWindowEnabled(Wnd))
        L->push_back(Wnd);
    return TRUE;
}

void ForEachControl(TWinControl* Parent, const std::function<bool(TControl*)>& F, bool& Stop)
{
    for (int32_t I = 0; I < Parent->GetControlCount() && !Stop; ++I) {
        TControl* C = Parent->GetControls(I);
        if (F(C)) {
            Stop = true;
            return;
        }
        if (auto* W = dynamic_cast<TWinControl*>(C))
            ForEachControl(W, F, Stop);
    }
}

// The MDI client's own child id, and the first id it gives its children (its window-list
// commands): clear of the command ids of actions.
constexpr UINT kMDIClientId = 0xFEFF;
constexpr UINT kFirstMDIChildId = 0xFF00;

// The frame of every MDI child: the application's main form when it is an MDI frame.
TCustomForm* MDIFrame()
{
    TCustomForm* Main = gAppUI ? gAppUI->GetMainForm() : nullptr;
    return Main && Main->GetFormStyle() == fsMDIForm ? Main : nullptr;
}

} // namespace

void InitControls()
{
    static bool Done = false;
    if (Done)
        return;
    INITCOMMONCONTROLSEX I{sizeof(I), ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS |
                                          ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_TAB_CLASSES |
                                          ICC_COOL_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&I);
    Done = true;
}

bool (*GMenuMessageProc)(TCustomForm* Form, TMessage& Message) = nullptr;

TApplicationUI* AppUI()
{
    if (!gAppUI)
        gAppUI = new TApplicationUI();
    gAppUI->Attach();
    return gAppUI;
}

// =============================================================================================

TApplicationUI::TApplicationUI()
{
    InitControls();
    ScreenInit();
    GControlHintProc = ControlHint;
    AddIdleHandler(CheckHintControl);
}

void TApplicationUI::Attach()
{
    if (!Application || FAttached == Application)
        return;
    FAttached = Application;
    TIdleEvent Previous = Application->OnIdle;
    Application->OnIdle = [this, Previous](TObject* Sender, bool& Done) {
        if (Previous)
            Previous(Sender, Done);
        DoIdle();
    };
}

void TApplicationUI::DoIdle()
{
    for (size_t I = 0; I < FIdle.size(); ++I) {
        auto H = FIdle[I].Handler; // a handler may remove handlers
        if (H)
            H();
    }
}

int32_t TApplicationUI::AddIdleHandler(std::function<void()> Handler)
{
    FIdle.push_back({FNextIdle, std::move(Handler)});
    return FNextIdle++;
}

void TApplicationUI::RemoveIdleHandler(int32_t Id)
{
    FIdle.erase(std::remove_if(FIdle.begin(), FIdle.end(), [Id](const TIdle& E) { return E.Id == Id; }), FIdle.end());
}

void TApplicationUI::FormCreated(TCustomForm* Form)
{
    if (!FMainForm)
        FMainForm = Form;
    Form->DoCreate();
}

void TApplicationUI::Run()
{
    Attach();
    if (FMainForm && !Application->GetTerminated())
        FMainForm->Show();
    Application->Run();
}

HWND TApplicationUI::GetHandle() const
{
    return FMainForm && FMainForm->HandleAllocated() ? FMainForm->GetHandle() : nullptr;
}

void TApplicationUI::SetHint(const std::string& Value)
{
    if (FHint == Value)
        return;
    FHint = Value;
    if (OnHint)
        OnHint(Application);
}

TWinControl* TApplicationUI::GetActiveControl() const { return FActiveForm ? FActiveForm->GetActiveControl() : nullptr; }

bool TApplicationUI::HasForm(const TCustomForm* F) const
{
    return std::find(FForms.begin(), FForms.end(), F) != FForms.end();
}

void TApplicationUI::AddForm(TCustomForm* F) { FForms.push_back(F); }

void TApplicationUI::RemoveForm(TCustomForm* F)
{
    FForms.erase(std::remove(FForms.begin(), FForms.end(), F), FForms.end());
    if (FMainForm == F)
        FMainForm = nullptr;
    if (FActiveForm == F)
        FActiveForm = nullptr;
}

void TApplicationUI::SetActiveForm(TCustomForm* F)
{
    if (FActiveForm == F)
        return;
    FActiveForm = F;
    if (OnActiveFormChange)
        OnActiveFormChange(Application);
}

// =============================================================================================

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner)
{
    AppUI()->AddForm(this);
    SetVisibleFlag(false);
    SetParentFont(false);
    // The system's message font.
    NONCLIENTMETRICSA M{};
    M.cbSize = sizeof(M);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(M), &M, 0)) {
        GetFont()->SetName(M.lfMessageFont.lfFaceName);
        GetFont()->SetHeight(M.lfMessageFont.lfHeight);
    }
    SetParentFont(false);
    SetBounds(0, 0, 320, 240);
}

TCustomForm::~TCustomForm()
{
    DoDestroy();
    if (gAppUI)
        gAppUI->RemoveForm(this);
}

void TCustomForm::BeforeDestruction()
{
    // The form and its components know they are going before the window goes: the owner
    // messages of its destruction (WM_DESTROY) can tell a closing form from a recreated window.
    Destroying();
    DoDestroy();
    if (gAppUI)
        gAppUI->RemoveForm(this);
    DestroyHandle();
    TWinControl::BeforeDestruction();
}

void TCustomForm::DoDestroy()
{
    if (FDestroyFired)
        return;
    FDestroyFired = true;
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            // Shown; the form is destroyed all the same.
            Application->HandleException();
        }
    }
}

void TCustomForm::DoCreate()
{
    if (OnCreate)
        OnCreate(this);
}

void TCustomForm::RecreateIfMade()
{
    if (HandleAllocated()) {
        const bool WasVisible = IsWindowVisible(FHandle);
        RecreateWnd();
        if (WasVisible)
            ShowWindow(FHandle, SW_SHOWNA);
    }
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    RecreateIfMade();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value)
{
    FBorderIcons = Value;
    RecreateIfMade();
}

void TCustomForm::SetFormStyle(TFormStyle Value)
{
    if (FFormStyle == Value)
        return;
    auto IsMDI = [](TFormStyle S) { return S == fsMDIForm || S == fsMDIChild; };
    const bool Remake = IsMDI(Value) || IsMDI(FFormStyle);
    FFormStyle = Value;
    if (Remake) {
        // An MDI frame or child is another kind of window.
        RecreateIfMade();
        return;
    }
    if (HandleAllocated())
        SetWindowPos(FHandle, Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TCustomForm::GetWindowState() const
{
    if (FHandle && IsWindowVisible(FHandle))
        return IsZoomed(FHandle) ? wsMaximized : IsIconic(FHandle) ? wsMinimized : wsNormal;
    return FWindowState;
}

void TCustomForm::SetWindowState(TWindowState Value)
{
    FWindowState = Value;
    if (FHandle && IsWindowVisible(FHandle) && FFormStyle == fsMDIChild) {
        // The MDI client keeps its own record of the maximized child.
        const HWND Client = ::GetParent(FHandle);
        const auto Child = reinterpret_cast<WPARAM>(FHandle);
        if (Value == wsMaximized)
            SendMessageA(Client, WM_MDIMAXIMIZE, Child, 0);
        else if (Value == wsNormal)
            SendMessageA(Client, WM_MDIRESTORE, Child, 0);
        else
            ShowWindow(FHandle, SW_MINIMIZE);
        return;
    }
    if (FHandle && IsWindowVisible(FHandle))
        ShowWindow(FHandle, Value == wsMaximized ? SW_SHOWMAXIMIZED : Value == wsMinimized ? SW_SHOWMINIMIZED : SW_RESTORE);
}

void TCustomForm::SetMenuHandle(HMENU Value)
{
    FMenu = Value;
    if (HandleAllocated()) {
        ::SetMenu(FHandle, Value);
        DrawMenuBar(FHandle);
    }
}

void TCustomForm::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.Menu = FMenu;
    P.Style = WS_CLIPCHILDREN;
    P.ExStyle = 0;
    switch (FBorderStyle) {
    case bsNone: P.Style |= WS_POPUP; break;
    case bsSingle: P.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable: P.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
        P.Style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        P.ExStyle |= WS_EX_DLGMODALFRAME;
        break;
    case bsToolWindow: P.Style |= WS_CAPTION; P.ExStyle |= WS_EX_TOOLWINDOW; break;
    case bsSizeToolWin: P.Style |= WS_CAPTION | WS_THICKFRAME; P.ExStyle |= WS_EX_TOOLWINDOW; break;
    }
    if (FBorderStyle != bsNone && FBorderIcons.Contains(biSystemMenu))
        P.Style |= WS_SYSMENU;
    if ((FBorderStyle == bsSingle || FBorderStyle == bsSizeable) && FBorderIcons.Contains(biSystemMenu)) {
        if (FBorderIcons.Contains(biMinimize))
            P.Style |= WS_MINIMIZEBOX;
        if (FBorderIcons.Contains(biMaximize))
            P.Style |= WS_MAXIMIZEBOX;
    }
    if (FFormStyle == fsStayOnTop)
        P.ExStyle |= WS_EX_TOPMOST;
    if (!GetEnabled())
        P.Style |= WS_DISABLED;
    TCustomForm* Main = gAppUI ? gAppUI->GetMainForm() : nullptr;
    if (FModalOwner)
        P.WndParent = FModalOwner;
    else if (Main && Main != this && Main->HandleAllocated())
        P.WndParent = Main->GetHandle();
    else
        P.WndParent = nullptr;
    if (!P.WndParent)
        P.ExStyle |= WS_EX_APPWINDOW;
    if (FFormStyle == fsMDIChild) {
        TCustomForm* Frame = MDIFrame();
        P.Style = (P.Style & ~WS_POPUP) | WS_CHILD | WS_CLIPSIBLINGS;
        P.ExStyle = (P.ExStyle & ~(WS_EX_APPWINDOW | WS_EX_TOPMOST)) | WS_EX_MDICHILD;
        P.Menu = nullptr;
        P.WndParent = Frame && Frame != this ? Frame->GetClientHandle() : nullptr;
    }
    P.WinClassName = "QMForm" + ClassName();
}

void TCustomForm::CreateHandle()
{
    // A form is a top-level window: its handle needs no parent.
    TWinControl::CreateHandle();
}

TRect TCustomForm::FrameOf() const
{
    TCreateParams P;
    const_cast<TCustomForm*>(this)->CreateParams(P);
    TRect R = Rect(0, 0, 0, 0);
    AdjustWindowRectEx(&R, P.Style, FMenu != nullptr, P.ExStyle);
    return R;
}

TRect TCustomForm::GetClientRect()
{
    if (HandleAllocated())
        return TWinControl::GetClientRect();
    const TRect F = FrameOf();
    return Rect(0, 0, std::max<int32_t>(GetWidth() - (F.right - F.left), 0),
                std::max<int32_t>(GetHeight() - (F.bottom - F.top), 0));
}

void TCustomForm::ApplyBounds()
{
    if (FHandle && !IsZoomed(FHandle) && !IsIconic(FHandle))
        SetWindowPos(FHandle, nullptr, GetLeft(), GetTop(), GetWidth(), GetHeight(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TCustomForm::PlaceOnFirstShow()
{
    if (FPlaced)
        return;
    FPlaced = true;
    TRect Area;
    switch (FPosition) {
    case poScreenCenter: Area = Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)); break;
    case poDesktopCenter: Area = Screen->GetDesktopRect(); break;
    case poMainFormCenter: {
        TCustomForm* Main = gAppUI->GetMainForm();
        if (Main && Main != this)
            Area = Main->GetBoundsRect();
        else
            Area = Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        break;
    }
    default: return;
    }
    SetBounds(Area.left + (Area.right - Area.left - GetWidth()) / 2, Area.top + (Area.bottom - Area.top - GetHeight()) / 2,
              GetWidth(), GetHeight());
}

void TCustomForm::VisibleChanged()
{
    if (GetVisible()) {
        HandleNeeded();
        PlaceOnFirstShow();
        if (FFormStyle == fsMDIChild) {
            ShowMDIChild();
            return;
        }
        if (FShowingInactive) {
            ShowWindow(FHandle, SW_SHOWNA);
            SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            return;
        }
        int Cmd = FWindowState == wsMaximized ? SW_SHOWMAXIMIZED : FWindowState == wsMinimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
        ShowWindow(FHandle, Cmd);
        SetForegroundWindow(FHandle);
    } else if (FHandle) {
        ShowWindow(FHandle, SW_HIDE);
    }
}

void TCustomForm::ShowNoActivate()
{
    TFlagScope Inactive(FShowingInactive);
    Show();
}

void TCustomForm::SetActiveControl(TWinControl* Value)
{
    if (Value && (Value == this || !ContainsControl(Value)))
        throw EInvalidOperation("The active control must be a control of the form");
    FActiveControl = Value;
    if (Value && FHandle && IsWindowVisible(FHandle) && Value->CanFocus())
        ::SetFocus(Value->GetHandle());
}

void TCustomForm::FocusChanged(TWinControl* Control)
{
    if (Control != this)
        FActiveControl = Control;
}

void TCustomForm::ControlRemoved(TControl* Control)
{
    if (FActiveControl && (FActiveControl == Control ||
                           (dynamic_cast<TWinControl*>(Control) &&
                            static_cast<TWinControl*>(Control)->ContainsControl(FActiveControl))))
        FActiveControl = nullptr;
}

void TCustomForm::SendCancelMode(TControl* Sender)
{
    TControl* Active = FActiveControl;
    if (Active && Active != Sender)
        Active->Perform(CM_CANCELMODE);
    TControl* Capture = GetCaptureControl();
    if (Capture && Capture != Sender && Capture != Active && Capture->GetParentForm() == this)
        Capture->Perform(CM_CANCELMODE);
}

bool TCustomForm::CloseQuery()
{
    bool CanClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, CanClose);
    return CanClose;
}

void TCustomForm::DoClose(TCloseAction& Action)
{
    if (OnClose)
        OnClose(this, Action);
}

void TCustomForm::Close()
{
    if (FModal) {
        if (FModalResult == mrNone)
            FModalResult = mrCancel;
        return; // the modal loop asks OnCloseQuery and OnClose
    }
    if (!CloseQuery())
        return;
    TCloseAction Action = caHide;
    DoClose(Action);
    if (Action == caNone)
        return;
    if (gAppUI && gAppUI->GetMainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (Action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: break;
    }
}

void TCustomForm::HandlersDone()
{
    if (FReleasePending && HandleAllocated()) {
        FReleasePending = false;
        PostMessageA(FHandle, QM_RELEASE, 0, 0);
    }
}

void TCustomForm::Release()
{
    if (FReleasing)
        return;
    FReleasing = true;
    PostMessageA(GetHandle(), QM_RELEASE, 0, 0);
}

TModalResult TCustomForm::ShowModal()
{
    if (FModal || (FHandle && IsWindowVisible(FHandle)))
        throw EInvalidOperation("Cannot make a visible window modal");
    if (!Application->IsUIThread())
        throw EInvalidOperation("ShowModal is for the user-interface thread only");
    TApplicationUI* UI = AppUI();
    const HWND Previous = GetActiveWindow();
    // Owned by the form active when it opened.
    HWND Owner = Previous;
    if (Owner && (!FindControl(Owner) || Owner == FHandle))
        Owner = UI->GetActiveForm() && UI->GetActiveForm() != this && UI->GetActiveForm()->HandleAllocated()
                    ? UI->GetActiveForm()->GetHandle()
                    : nullptr;
    FModalOwner = Owner;
    if (FHandle)
        SetWindowLongPtrA(FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(Owner));
    std::vector<HWND> Disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&Disabled));
    for (HWND W : Disabled)
        if (W != FHandle)
            EnableWindow(W, FALSE);
    FModal = true;
    ++UI->FModalLevel;
    FModalResult = mrNone;
    bool Quit = false;
    // The loop is a handler of the form: a Release inside it waits until ShowModal returns, and a
    // form freed outright by some handler ends the loop without touching the object again.
    TDispatchFrame Frame(this);
    auto Restore = [&] {
        --UI->FModalLevel;
        for (HWND W : Disabled)
            if (IsWindow(W))
                EnableWindow(W, TRUE);
    };
    // A failure leaves the modal state like the normal end; a form freed meanwhile is not touched.
    TScopeExit Unwind([&] {
        if (Frame.Alive) {
            FModal = false;
            Restore();
        }
    });
    Show();
    SetActiveWindow(FHandle);
    for (;;) {
        Application->HandleMessage();
        if (!Frame.Alive) {
            Restore();
            if (Previous && IsWindow(Previous))
                SetActiveWindow(Previous);
            return mrCancel;
        }
        if (Application->GetTerminated()) {
            FModalResult = mrCancel;
            Quit = true;
            break;
        }
        if (FModalResult != mrNone) {
            TCloseAction Action = caHide;
            if (!CloseQuery())
                Action = caNone;
            else
                DoClose(Action);
            if (Action == caNone)
                FModalResult = mrNone;
            else {
                if (Action == caFree)
                    Release();
                break;
            }
        }
    }
    Unwind.Dismiss();
    FModal = false;
    Restore();
    if (FHandle)
        Hide();
    FModalOwner = nullptr;
    // A window hidden meanwhile does not get the activation back: the keys would go to a window
    // nobody sees.
    if (Previous && IsWindow(Previous) && IsWindowVisible(Previous))
        SetActiveWindow(Previous);
    if (Quit)
        PostQuitMessage(0);
    return FModalResult;
}

int32_t TCustomForm::AddShortCutHandler(TShortCutHandler Handler)
{
    FHandlers.push_back({FNextHandlerId, std::move(Handler), nullptr});
    return FNextHandlerId++;
}

int32_t TCustomForm::AddCommandHandler(TCommandHandler Handler)
{
    FHandlers.push_back({FNextHandlerId, nullptr, std::move(Handler)});
    return FNextHandlerId++;
}

void TCustomForm::RemoveHandler(int32_t Id)
{
    FHandlers.erase(std::remove_if(FHandlers.begin(), FHandlers.end(), [Id](const THandlerEntry& E) { return E.Id == Id; }),
                    FHandlers.end());
}

bool TCustomForm::IsShortCut(uint16_t Key, TShiftState Shift)
{
    for (size_t I = 0; I < FHandlers.size(); ++I) {
        auto H = FHandlers[I].ShortCut;
        if (H && H(Key, Shift))
            return true;
    }
    return false;
}

void TCustomForm::SelectNext(TWinControl* From, bool Forward)
{
    std::vector<TWinControl*> All, List;
    GetTabOrderList(All);
    for (TWinControl* W : All)
        if (W == From || (W->GetTabStop() && W->CanFocus()))
            List.push_back(W);
    if (List.empty())
        return;
    auto It = std::find(List.begin(), List.end(), From);
    size_t I = It == List.end() ? (Forward ? List.size() - 1 : 0) : static_cast<size_t>(It - List.begin());
    for (size_t N = 0; N < List.size(); ++N) {
        I = Forward ? (I + 1) % List.size() : (I + List.size() - 1) % List.size();
        if (List[I] != From && List[I]->GetTabStop() && List[I]->CanFocus()) {
            List[I]->SetFocus();
            return;
        }
    }
}

bool TCustomForm::DialogKey(TWinControl* From, uint16_t Key, TShiftState Shift)
{
    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages of the page control the focus is in.
    if (Key == VK_TAB && Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
        for (TWinControl* C = From; C; C = C->GetParent())
            if (auto* Pages = dynamic_cast<TPageControl*>(C)) {
                Pages->SelectNextPage(!Shift.Contains(ssShift));
                return true;
            }
        return false;
    }
    if (Shift.Contains(ssAlt) || Shift.Contains(ssCtrl))
        return false;
    switch (Key) {
    case VK_TAB:
        SelectNext(From, !Shift.Contains(ssShift));
        return true;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: {
        auto* R = dynamic_cast<TRadioButton*>(From);
        if (!R || !R->GetParent())
            return false;
        std::vector<TRadioButton*> Group;
        TWinControl* P = R->GetParent();
        for (int32_t I = 0; I < P->GetControlCount(); ++I)
            if (auto* B = dynamic_cast<TRadioButton*>(P->GetControls(I)); B && B->CanFocus())
                Group.push_back(B);
        std::stable_sort(Group.begin(), Group.end(), [](TRadioButton* A, TRadioButton* B) { return A->GetTabOrder() < B->GetTabOrder(); });
        auto It = std::find(Group.begin(), Group.end(), R);
        if (It == Group.end() || Group.size() < 2)
            return true;
        size_t I = static_cast<size_t>(It - Group.begin());
        const bool Forward = Key == VK_RIGHT || Key == VK_DOWN;
        I = Forward ? (I + 1) % Group.size() : (I + Group.size() - 1) % Group.size();
        Group[I]->SetFocus();
        Group[I]->SetChecked(true);
        return true;
    }
    case VK_RETURN: {
        if (auto* B = dynamic_cast<TButton*>(From)) {
            B->Click();
            return true;
        }
        bool Stop = false;
        TButton* Found = nullptr;
        ForEachControl(this, [&](TControl* C) {
            auto* B = dynamic_cast<TButton*>(C);
            if (B && B->GetDefault() && B->CanFocus()) {
                Found = B;
                return true;
            }
            return false;
        }, Stop);
        if (Found) {
            Found->Click();
            return true;
        }
        return false;
    }
    case VK_ESCAPE: {
        bool Stop = false;
        TButton* Found = nullptr;
        ForEachControl(this, [&](TControl* C) {
            auto* B = dynamic_cast<TButton*>(C);
            if (B && B->GetCancel() && B->CanFocus()) {
                Found = B;
                return true;
            }
            return false;
        }, Stop);
        if (Found) {
            Found->Click();
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

bool TCustomForm::DialogChar(char Key)
{
    const char K = static_cast<char>(toupper(static_cast<unsigned char>(Key)));
    bool Stop = false;
    bool Done = false;
    ForEachControl(this, [&](TControl* C) {
        if (!C->GetVisible() || !C->GetEnabled())
            return false;
        if (auto* L = dynamic_cast<TLabel*>(C)) {
            if (L->GetFocusControl() && TControl::HotKeyOf(L->GetCaption()) == K && L->GetFocusControl()->CanFocus()) {
                L->GetFocusControl()->SetFocus();
                return Done = true;
            }
            return false;
        }
        if (auto* B = dynamic_cast<TButtonControl*>(C)) {
            if (TControl::HotKeyOf(B->GetCaption()) == K && B->CanFocus()) {
                B->SetFocus();
                B->Click();
                return Done = true;
            }
        }
        return false;
    }, Stop);
    return Done;
}

void TCustomForm::WndProc(TMessage& M)
{
    if (MDIMessage(M))
        return;
    switch (M.Msg) {
    case WM_CLOSE:
        Close();
        return;
    case QM_RELEASE:
        // This dispatch is one handler; any other (an OnClick that opened a dialog, a modal
        // loop) still uses the object, so the free waits for the last of them.
        if (GetHandlersRunning() > 1) {
            FReleasePending = true;
            return;
        }
        Free();
        return;
    case WM_SHOWWINDOW:
        DefaultHandler(M);
        SetVisibleFlag(M.WParam != 0);
        if (M.WParam) {
            if (OnShow)
                OnShow(this);
        } else if (OnHide) {
            OnHide(this);
        }
        return;
    case WM_ACTIVATE:
        if (LOWORD(M.WParam) != WA_INACTIVE) {
            FActive = true;
            if (gAppUI)
                gAppUI->SetActiveForm(this);
            if (OnActivate)
                OnActivate(this);
            if (!HIWORD(M.WParam)) {
                TWinControl* Target = FActiveControl;
                if (!Target || !Target->CanFocus()) {
                    std::vector<TWinControl*> L;
                    GetTabOrderList(L);
                    Target = nullptr;
                    for (TWinControl* W : L)
                        if (W->GetTabStop() && W->CanFocus()) {
                            Target = W;
                            break;
                        }
                }
                if (Target) {
                    ::SetFocus(Target->GetHandle());
                    M.Result = 0;
                    return;
                }
            }
        } else {
            FActive = false;
            HWND F = GetFocus();
            if (TWinControl* C = FindControl(F); C && C != this && ContainsControl(C))
                FActiveControl = C;
            if (OnDeactivate)
                OnDeactivate(this);
        }
        break;
    case WM_INITMENUPOPUP:
    case WM_MENUSELECT:
        if (GMenuMessageProc && GMenuMessageProc(this, M))
            return;
        break;
    case WM_ACTIVATEAPP:
        if (gAppUI)
            gAppUI->FActive = M.WParam != 0;
        break;
    case WM_COMMAND:
        if (M.LParam == 0) {
            const uint16_t Id = LOWORD(M.WParam);
            for (size_t I = 0; I < FHandlers.size(); ++I) {
                auto H = FHandlers[I].Command;
                if (H && H(Id)) {
                    M.Result = 0;
                    return;
                }
            }
        }
        break;
    default:
        break;
    }
    TWinControl::WndProc(M);
}

// =============================================================================================
// MDI frames and children

namespace {

// The default procedure of a frame: DefFrameProc needs the frame's MDI client.
LRESULT CALLBACK FrameDefaultProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    auto* F = dynamic_cast<TCustomForm*>(TWinControl::FindControl(Wnd));
    return DefFrameProcA(Wnd, F ? F->GetClientHandle() : nullptr, Msg, WParam, LParam);
}

} // namespace

void TCustomForm::CreateWnd()
{
    if (FFormStyle == fsMDIChild) {
        TCustomForm* Frame = MDIFrame();
        if (!Frame || Frame == this)
            throw EInvalidOperation("An MDI child form needs an MDI frame as the main form");
        Frame->HandleNeeded();
        if (!Frame->GetClientHandle())
            throw EInvalidOperation("The MDI frame has no MDI client window");
    }
    TWinControl::CreateWnd();
    // The default procedures of MDI windows take over once the window exists: a form is made
    // hidden, and until it is shown the messages it gets are plain ones.
    if (FFormStyle == fsMDIChild) {
        FDefWndProc = DefMDIChildProcA;
    } else if (FFormStyle == fsMDIForm) {
        CLIENTCREATESTRUCT CS{nullptr, kFirstMDIChildId};
        const DWORD Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE;
        const auto Id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kMDIClientId));
        // Placed by AlignControls once the form's controls have their bands.
        FClientHandle = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr, Style, 0, 0, 0, 0, FHandle, Id,
                                        GetModuleHandleA(nullptr), &CS);
        if (!FClientHandle)
            RaiseLastOSError("CreateWindowEx MDICLIENT");
        FDefWndProc = FrameDefaultProc;
    }
}

void TCustomForm::DestroyWnd()
{
    // Asked of the window, not of the style, which may have changed already (SetFormStyle).
    if (FHandle && (GetWindowLongA(FHandle, GWL_EXSTYLE) & WS_EX_MDICHILD)) {
        // The MDI client forgets the child and activates the next one.
        if (const HWND Client = ::GetParent(FHandle))
            SendMessageA(Client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(FHandle), 0);
    }
    TWinControl::DestroyWnd();
    FClientHandle = nullptr; // went with the frame
}

void TCustomForm::AlignControls(TRect& R)
{
    // The aligned controls take their bands first; the MDI client fills the rest.
    TWinControl::AlignControls(R);
    if (FClientHandle)
        SetWindowPos(FClientHandle, nullptr, R.left, R.top, std::max<int32_t>(R.right - R.left, 0),
                     std::max<int32_t>(R.bottom - R.top, 0), SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TCustomForm::MDIMessage(TMessage& M)
{
    if (!FClientHandle)
        return false;
    switch (M.Msg) {
    case WM_SIZE:
        // AlignControls places the MDI client; DefFrameProc would stretch it over the client area.
        M.Result = DefWindowProcA(FHandle, M.Msg, M.WParam, M.LParam);
        return true;
    case WM_NCDESTROY:
        FClientHandle = nullptr;
        return false;
    default:
        return false;
    }
}

void TCustomForm::ShowMDIChild()
{
    const HWND Client = ::GetParent(FHandle);
    const auto Child = reinterpret_cast<WPARAM>(FHandle);
    ShowWindow(FHandle, FWindowState == wsMinimized ? SW_SHOWMINNOACTIVE : SW_SHOWNA);
    // A child window is not activated by showing it: the MDI client activates it.
    SendMessageA(Client, WM_MDIACTIVATE, Child, 0);
    if (FWindowState == wsMaximized)
        SendMessageA(Client, WM_MDIMAXIMIZE, Child, 0);
}

std::vector<TCustomForm*> TCustomForm::MDIChildList() const
{
    std::vector<TCustomForm*> L;
    if (!FClientHandle)
        return L;
    for (HWND W = GetWindow(FClientHandle, GW_CHILD); W; W = GetWindow(W, GW_HWNDNEXT))
        if (auto* F = dynamic_cast<TCustomForm*>(FindControl(W)); F && F->FFormStyle == fsMDIChild)
            L.push_back(F);
    return L;
}

TCustomForm* TCustomForm::GetActiveMDIChild() const
{
    if (!FClientHandle)
        return nullptr;
    const auto W = reinterpret_cast<HWND>(SendMessageA(FClientHandle, WM_MDIGETACTIVE, 0, 0));
    return dynamic_cast<TCustomForm*>(FindControl(W));
}

int32_t TCustomForm::GetMDIChildCount() const { return static_cast<int32_t>(MDIChildList().size()); }

TCustomForm* TCustomForm::GetMDIChildren(int32_t Index) const
{
    const std::vector<TCustomForm*> L = MDIChildList();
    return Index >= 0 && static_cast<size_t>(Index) < L.size() ? L[static_cast<size_t>(Index)] : nullptr;
}
