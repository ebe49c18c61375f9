#include "platform/win/Controls.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <unordered_map>

#include <windowsx.h>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Actions.h"
#include "platform/win/Forms.h"
#include "platform/win/GuardCallback.h"
#include "platform/win/OSError.h"

LRESULT CALLBACK ControlWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

namespace {

const char* const kControlProp = "QuillmoorControl";
std::atomic<uint32_t> gCreationCounter{0};
std::atomic<UINT> gNextId{100};
// The control whose window is being made on this thread: it gets its messages before
// CreateWindowEx returns.
thread_local TWinControl* gCreating = nullptr;
thread_local bool gCreatingAlternate = false; // that window is the control's alternate
// The control the mouse last moved over (see GetHintControl); a control clears it as it goes.
std::atomic<TControl*> gHintControl{nullptr};
// The mouse moved over a control of ours since the hint was last emptied by the idle check.
std::atomic<bool> gHintTracking{false};

std::mutex gClassLock;
std::map<std::string, WNDPROC> gClassProcs; // registered class -> default procedure

// Our controls by window. Every message to one of our windows looks its control up; a window
// property is a call into the window server under Wine, this map is not. It changes together
// with the property (which stays for anything reading it), and controls may own windows on
// several threads, hence the lock.
std::mutex gControlMapLock;
std::unordered_map<HWND, TWinControl*> gControlMap;

TWinControl* MappedControl(HWND Wnd)
{
    std::lock_guard<std::mutex> Lock(gControlMapLock);
    auto It = gControlMap.find(Wnd);
    return It == gControlMap.end() ? nullptr : It->second;
}

void MapControl(HWND Wnd, TWinControl* C)
{
    {
        std::lock_guard<std::mutex> Lock(gControlMapLock);
        gControlMap[Wnd] = C;
    }
    SetPropA(Wnd, kControlProp, C);
}

// Forgets the window of C; an entry that already names another control (a new window that got
// the handle value) stays.
void UnmapControl(HWND Wnd, TWinControl* C)
{
    {
        std::lock_guard<std::mutex> Lock(gControlMapLock);
        auto It = gControlMap.find(Wnd);
        if (It != gControlMap.end()) {
            if (It->second != C)
                return;
            gControlMap.erase(It);
        }
    }
    RemovePropA(Wnd, kControlProp);
}

bool IsMouseMessage(UINT Msg)
{
    return Msg >= WM_MOUSEFIRST && Msg <= WM_MBUTTONDBLCLK && Msg != WM_MOUSEWHEEL;
}

// Registers the parameters' window class once (ours, or a superclass of a system class) and
// gives the procedure its messages default to.
WNDPROC RegisterWindowClass(const TCreateParams& P)
{
    std::lock_guard<std::mutex> Lock(gClassLock);
    auto It = gClassProcs.find(P.WinClassName);
    if (It == gClassProcs.end()) {
        WNDCLASSA WC{};
        WNDPROC Default = DefWindowProcA;
        if (!P.SysClassName.empty()) {
            if (!GetClassInfoA(nullptr, P.SysClassName.c_str(), &WC))
                RaiseLastOSError("GetClassInfo " + P.SysClassName);
            Default = WC.lpfnWndProc;
        } else {
            WC.style = P.ClassStyle;
            WC.hCursor = LoadCursorA(nullptr, IDC_ARROW);
            WC.hbrBackground = P.Background;
        }
        WC.lpfnWndProc = ControlWindowProc;
        WC.hInstance = GetModuleHandleA(nullptr);
        WC.lpszClassName = P.WinClassName.c_str();
        if (!RegisterClassA(&WC) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            RaiseLastOSError("RegisterClass " + P.WinClassName);
        It = gClassProcs.emplace(P.WinClassName, Default).first;
    }
    return It->second;
}

} // namespace

bool (*GPopupMenuProc)(TPopupMenu* Menu, TControl* Control, int32_t X, int32_t Y) = nullptr;
void (*GControlHintProc)(TControl* Control) = nullptr;

UINT NextControlId() { return gNextId++; }

TControl* GetHintControl() { return gHintControl.load(); }

void CheckHintControl()
{
    if (!gHintTracking.load())
        return;
    POINT P;
    if (!GetCursorPos(&P))
        return;
    const HWND Under = WindowFromPoint(P);
    if (Under && GetWindowThreadProcessId(Under, nullptr) == GetCurrentThreadId())
        return;
    gHintTracking = false;
    gHintControl = nullptr;
    if (GControlHintProc)
        GControlHintProc(nullptr);
}

TControl* GetCaptureControl()
{
    TWinControl* W = TWinControl::FindControl(GetCapture());
    if (W && W->FMouseControl)
        return W->FMouseControl;
    return W;
}

TShiftState KeyboardShiftState()
{
    TShiftState S;
    if (GetKeyState(VK_SHIFT) < 0)
        S.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0)
        S.Include(ssCtrl);
    if (GetKeyState(VK_MENU) < 0)
        S.Include(ssAlt);
    return S;
}

TShiftState MouseShiftState(WPARAM Keys)
{
    TShiftState S;
    if (Keys & MK_SHIFT)
        S.Include(ssShift);
    if (Keys & MK_CONTROL)
        S.Include(ssCtrl);
    if (Keys & MK_LBUTTON)
        S.Include(ssLeft);
    if (Keys & MK_RBUTTON)
        S.Include(ssRight);
    if (Keys & MK_MBUTTON)
        S.Include(ssMiddle);
    if (GetKeyState(VK_MENU) < 0)
        S.Include(ssAlt);
    return S;
}

// =============================================================================================
// TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FCreationOrder(gCreationCounter++)
{
    FFont.OnChange = [this](TObject*) {
        if (!FFontSetting) {
            FParentFont = false;
            FontChanged();
        }
    };
}

TControl::~TControl()
{
    FFont.OnChange = nullptr;
    TControl* Self = this;
    gHintControl.compare_exchange_strong(Self, nullptr);
    if (FParent)
        FParent->RemoveControl(this);
    FParent = nullptr;
}

void TControl::SetParent(TWinControl* AParent)
{
    if (AParent == FParent)
        return;
    if (AParent == this || (AParent && dynamic_cast<TWinControl*>(this) &&
                            static_cast<TWinControl*>(this)->ContainsControl(AParent)))
        throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent)
        FParent->RemoveControl(this);
    if (AParent)
        AParent->InsertControl(this);
}

void TControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight)
{
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    const bool Moved = ALeft != FLeft || ATop != FTop;
    const bool Sized = AWidth != FWidth || AHeight != FHeight;
    if (!Moved && !Sized) {
        if (!FAnchorsKnown)
            UpdateAnchorRules();
        return;
    }
    if (!HasHandle())
        Invalidate(); // the old place of a windowless control
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    ApplyBounds();
    BoundsChanged(Moved, Sized);
}

void TControl::BoundsChanged(bool /*Moved*/, bool Sized)
{
    if (FParent && !FParent->FAligning)
        UpdateAnchorRules();
    if (Sized) {
        if (auto* W = dynamic_cast<TWinControl*>(this))
            W->AlignAll();
        Resize();
    }
    if (FParent && !FParent->FAligning && FAlign != alNone)
        FParent->AlignAll();
    if (FParent)
        FParent->ChildLayoutChanged(this);
}

void TControl::UpdateAnchorRules()
{
    if (!FParent)
        return;
    const TRect R = FParent->GetClientRect();
    FAnchorRight = R.right - (FLeft + FWidth);
    FAnchorBottom = R.bottom - (FTop + FHeight);
    FAnchorsKnown = true;
}

void TControl::AnchorToParent(int32_t ParentWidth, int32_t ParentHeight)
{
    if (!FAnchorsKnown || FAlign != alNone)
        return;
    int32_t L = FLeft, T = FTop, W = FWidth, H = FHeight;
    if (FAnchors.Contains(akRight)) {
        if (FAnchors.Contains(akLeft))
            W = ParentWidth - FAnchorRight - L;
        else
            L = ParentWidth - FAnchorRight - W;
    }
    if (FAnchors.Contains(akBottom)) {
        if (FAnchors.Contains(akTop))
            H = ParentHeight - FAnchorBottom - T;
        else
            T = ParentHeight - FAnchorBottom - H;
    }
    SetBounds(L, T, W, H);
}

TRect TControl::GetClientRect() { return Rect(0, 0, FWidth, FHeight); }

void TControl::SetClientSize(int32_t AWidth, int32_t AHeight)
{
    const TRect R = GetClientRect();
    SetBounds(FLeft, FTop, FWidth + AWidth - (R.right - R.left), FHeight + AHeight - (R.bottom - R.top));
}

void TControl::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    FVisible = Value;
    VisibleChanged();
    if (FParent && FAlign != alNone)
        FParent->AlignAll();
    if (FParent)
        FParent->ChildLayoutChanged(this);
}

void TControl::VisibleChanged()
{
    if (FParent && FParent->HandleAllocated())
        InvalidateRect(FParent->GetHandle(), nullptr, TRUE);
}

bool TControl::IsShowing() const
{
    for (const TControl* C = this; C; C = C->FParent)
        if (!C->FVisible)
            return false;
    return true;
}

void TControl::SetEnabled(bool Value)
{
    if (FEnabled == Value)
        return;
    FEnabled = Value;
    EnabledChanged();
}

void TControl::EnabledChanged() { Invalidate(); }

void TControl::SetText(const std::string& Value)
{
    if (FText == Value)
        return;
    FText = Value;
    TextChanged();
    Invalidate();
}

void TControl::SetColor(TColor Value)
{
    if (FColor == Value && !FParentColor)
        return;
    FColor = Value;
    FParentColor = false;
    ColorChanged();
}

void TControl::ColorChanged()
{
    Invalidate();
    if (auto* W = dynamic_cast<TWinControl*>(this))
        for (int32_t I = 0; I < W->GetControlCount(); ++I)
            W->GetControls(I)->ParentColorChanged();
}

void TControl::SetParentColor(bool Value)
{
    FParentColor = Value;
    if (Value)
        ParentColorChanged();
}

void TControl::ParentColorChanged()
{
    if (FParentColor && FParent) {
        FColor = FParent->GetColor();
        ColorChanged();
        FParentColor = true;
    }
}

void TControl::SetParentFont(bool Value)
{
    FParentFont = Value;
    if (Value)
        ParentFontChanged();
}

void TControl::ParentFontChanged()
{
    if (FParentFont && FParent) {
        FFontSetting = true;
        FFont.Assign(FParent->GetFont());
        FFontSetting = false;
        FontChanged();
    }
}

void TControl::FontChanged()
{
    Invalidate();
    Perform(CM_FONTCHANGED);
    if (auto* W = dynamic_cast<TWinControl*>(this))
        for (int32_t I = 0; I < W->GetControlCount(); ++I)
            W->GetControls(I)->ParentFontChanged();
}

void TControl::SetAlign(TAlign Value)
{
    if (FAlign == Value)
        return;
    FAlign = Value;
    if (FParent)
        FParent->AlignAll();
}

void TControl::SetAnchors(TAnchors Value)
{
    FAnchors = Value;
    UpdateAnchorRules();
}

void TControl::Invalidate()
{
    if (FParent && FParent->HandleAllocated()) {
        const TRect R = GetBoundsRect();
        InvalidateRect(FParent->FHandle, &R, TRUE);
    }
}

void TControl::Update()
{
    if (FParent && FParent->HandleAllocated())
        UpdateWindow(FParent->FHandle);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage M{Msg, WParam, LParam, 0};
    WndProc(M);
    return M.Result;
}

TPoint TControl::ClientToScreen(const TPoint& P) const
{
    TPoint R = P;
    if (auto* W = dynamic_cast<const TWinControl*>(this); W && W->HandleAllocated()) {
        ::ClientToScreen(W->FHandle, &R);
        return R;
    }
    if (FParent) {
        R.x += FLeft;
        R.y += FTop;
        return FParent->ClientToScreen(R);
    }
    return R;
}

TPoint TControl::ScreenToClient(const TPoint& P) const
{
    const TPoint Origin = ClientToScreen(Point(0, 0));
    return Point(P.x - Origin.x, P.y - Origin.y);
}

void TControl::BringToFront()
{
    if (!FParent)
        return;
    auto& L = FParent->FControls;
    L.erase(std::find(L.begin(), L.end(), this));
    L.push_back(this);
    Invalidate();
}

void TControl::SendToBack()
{
    if (!FParent)
        return;
    auto& L = FParent->FControls;
    L.erase(std::find(L.begin(), L.end(), this));
    L.insert(L.begin(), this);
    Invalidate();
}

TCustomForm* TControl::GetParentForm() const
{
    const TControl* C = this;
    while (C->FParent)
        C = C->FParent;
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(C));
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
    else if (TAction* A = GetAction())
        A->Execute();
}

void TControl::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::DoContextPopup(const TPoint& MousePos, bool& Handled)
{
    if (OnContextPopup)
        OnContextPopup(this, MousePos, Handled);
}

void TControl::SetHint(const std::string& Value)
{
    if (FHint == Value)
        return;
    FHint = Value;
    if (gHintControl.load() == this && GControlHintProc)
        GControlHintProc(this);
}

void TControl::Resize()
{
    if (OnResize)
        OnResize(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int32_t X, int32_t Y)
{
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseCaptureLost()
{
    FPressed = false;
    if (OnMouseCaptureLost)
        OnMouseCaptureLost(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && FPopupMenu &&
        static_cast<void*>(AComponent) == static_cast<void*>(FPopupMenuComponent)) {
        FPopupMenu = nullptr;
        FPopupMenuComponent = nullptr;
    }
}

std::string TControl::StripHotKey(const std::string& S)
{
    std::string R;
    for (size_t I = 0; I < S.size(); ++I) {
        if (S[I] == '&' && I + 1 < S.size())
            ++I;
        else if (S[I] == '&')
            continue;
        R += S[I];
    }
    return R;
}

char TControl::HotKeyOf(const std::string& S)
{
    for (size_t I = 0; I + 1 < S.size(); ++I) {
        if (S[I] == '&') {
            if (S[I + 1] == '&') {
                ++I;
                continue;
            }
            return static_cast<char>(toupper(static_cast<unsigned char>(S[I + 1])));
        }
    }
    return 0;
}

std::string TControl::GetShortHint(const std::string& Hint)
{
    const size_t P = Hint.find('|');
    return P == std::string::npos ? Hint : Hint.substr(0, P);
}

std::string TControl::GetLongHint(const std::string& Hint)
{
    const size_t P = Hint.find('|');
    return P == std::string::npos ? Hint : Hint.substr(P + 1);
}

void TControl::WndProc(TMessage& M)
{
    const int32_t X = GET_X_LPARAM(M.LParam), Y = GET_Y_LPARAM(M.LParam);
    switch (M.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
        const TMouseButton B = (M.Msg == WM_LBUTTONDOWN || M.Msg == WM_LBUTTONDBLCLK)   ? mbLeft
                               : (M.Msg == WM_RBUTTONDOWN || M.Msg == WM_RBUTTONDBLCLK) ? mbRight
                                                                                        : mbMiddle;
        TShiftState S = MouseShiftState(M.WParam);
        const bool Dbl = M.Msg == WM_LBUTTONDBLCLK || M.Msg == WM_RBUTTONDBLCLK || M.Msg == WM_MBUTTONDBLCLK;
        if (Dbl && FControlStyle.Contains(csDoubleClicks)) {
            S.Include(ssDouble);
            if (B == mbLeft)
                DblClick();
        }
        if (B == mbLeft) {
            FPressed = true;
            // The second press of a double click ends in DblClick, not in a second Click.
            FClickPending = !(Dbl && FControlStyle.Contains(csDoubleClicks));
        }
        MouseDown(B, S, X, Y);
        break;
    }
    case WM_MOUSEMOVE:
        gHintControl = this;
        gHintTracking = true;
        if (GControlHintProc)
            GControlHintProc(this);
        MouseMove(MouseShiftState(M.WParam), X, Y);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        const TMouseButton B = M.Msg == WM_LBUTTONUP ? mbLeft : M.Msg == WM_RBUTTONUP ? mbRight : mbMiddle;
        const bool WasPressed = FPressed && FClickPending && B == mbLeft;
        if (B == mbLeft)
            FPressed = FClickPending = false;
        MouseUp(B, MouseShiftState(M.WParam), X, Y);
        if (WasPressed && FControlStyle.Contains(csClickEvents) && X >= 0 && Y >= 0 && X < FWidth &&
            Y < FHeight)
            Click();
        break;
    }
    case WM_CAPTURECHANGED:
        if (FPressed)
            MouseCaptureLost();
        break;
    case CM_CANCELMODE:
        if (auto* W = dynamic_cast<TWinControl*>(this)) {
            // Its own capture goes; WM_CAPTURECHANGED then ends the press.
            const HWND Capture = GetCapture();
            if (Capture && (Capture == W->FHandle || Capture == W->FAlternateHandle))
                ReleaseCapture();
        } else if (FParent && FParent->FMouseControl == this) {
            // The parent routes the mouse to this control: that routing and the capture go.
            FParent->FMouseControl = nullptr;
            if (GetCapture() == FParent->FHandle)
                ReleaseCapture();
        }
        if (FPressed)
            MouseCaptureLost();
        break;
    default:
        break;
    }
}

// =============================================================================================
// TWinControl

LRESULT CALLBACK ControlWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TWinControl* C = MappedControl(Wnd);
    // WM_NCCREATE only ever reaches the window being made: an entry already there is left from a
    // window that went without its last message (its thread ended) and must not take this one's.
    if (gCreating && C != gCreating && (!C || Msg == WM_NCCREATE)) {
        C = gCreating;
        (gCreatingAlternate ? C->FAlternateHandle : C->FHandle) = Wnd;
        MapControl(Wnd, C);
    }
    if (!C)
        return DefWindowProcA(Wnd, Msg, WParam, LParam);
    // The control and its top-level control are busy while the handler runs: a released form
    // waits for this frame to end before it frees itself.
    TControl* TopC = C;
    while (TopC->GetParent())
        TopC = TopC->GetParent();
    auto* Top = static_cast<TWinControl*>(TopC);
    TWinControl::TDispatchFrame Frame(C, Wnd);
    std::unique_ptr<TWinControl::TDispatchFrame> TopFrame;
    if (Top != C)
        TopFrame = std::make_unique<TWinControl::TDispatchFrame>(Top);
    LRESULT Result = GuardCallback(LRESULT(0), [&] {
        TMessage M{Msg, WParam, LParam, 0};
        C->WndProc(M);
        return M.Result;
    });
    TopFrame.reset();
    if (!Frame.Alive)
        return Result; // the control went inside its own handler
    if (Msg == WM_NCDESTROY) {
        UnmapControl(Wnd, C);
        if (C->FHandle == Wnd)
            C->FHandle = nullptr;
        if (C->FAlternateHandle == Wnd)
            C->FAlternateHandle = nullptr;
    }
    return Result;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner)
{
    SetControlStyle(GetControlStyle() + TControlStyle{csAcceptsControls});
}

TWinControl::TDispatchFrame::TDispatchFrame(TWinControl* C, HWND AWnd) : Control(C), Next(C->FFrames), Wnd(AWnd)
{
    C->FFrames = this;
    ++C->FHandlersRunning;
}

TWinControl::TDispatchFrame::~TDispatchFrame()
{
    if (!Alive)
        return;
    // Frames end in the reverse order they began.
    Control->FFrames = Next;
    if (--Control->FHandlersRunning == 0)
        GuardCallback([this] { Control->HandlersDone(); });
}

TWinControl::~TWinControl()
{
    for (TDispatchFrame* F = FFrames; F; F = F->Next)
        F->Alive = false;
    FFrames = nullptr;
    for (TControl* C : FControls)
        C->FParent = nullptr;
    FControls.clear();
    FTabList.clear();
    DestroyHandle();
    // A window of another thread that could not be destroyed must not reach this object.
    if (FHandle) {
        UnmapControl(FHandle, this);
        FHandle = nullptr;
    }
    if (FAlternateHandle) {
        UnmapControl(FAlternateHandle, this);
        FAlternateHandle = nullptr;
    }
}

HWND TWinControl::GetHandle()
{
    if (!FHandle)
        CreateHandle();
    return FHandle;
}

void TWinControl::CreateHandle()
{
    if (FHandle)
        return;
    if (GetParent())
        GetParent()->HandleNeeded();
    if (FHandle) // the parent made ours with its children
        return;
    CreateWnd();
    // The children get their windows with ours, in z-order.
    for (TControl* C : std::vector<TControl*>(FControls))
        if (auto* W = dynamic_cast<TWinControl*>(C))
            W->CreateHandle();
    for (TControl* C : FControls)
        if (auto* W = dynamic_cast<TWinControl*>(C); W && W->FHandle)
            SetWindowPos(W->FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    AlignAll();
}

void TWinControl::CreateParams(TCreateParams& P)
{
    P.Caption = FText;
    P.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (GetVisible())
        P.Style |= WS_VISIBLE;
    if (!GetEnabled())
        P.Style |= WS_DISABLED;
    if (FTabStop)
        P.Style |= WS_TABSTOP;
    P.X = GetLeft();
    P.Y = GetTop();
    P.Width = GetWidth();
    P.Height = GetHeight();
    if (GetParent())
        P.WndParent = GetParent()->GetHandle();
    else
        P.WndParent = FParentWindow;
    P.WinClassName = "QM" + ClassName();
    P.Menu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(NextControlId()));
}

void TWinControl::CreateWnd()
{
    TCreateParams P;
    CreateParams(P);
    if ((P.Style & WS_CHILD) && !P.WndParent)
        throw EInvalidOperation(Format("Control '%s' has no parent window", GetName()));
    FDefWndProc = RegisterWindowClass(P);
    CreateWindowHandle(P);
    SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.GetHandle()), 0);
    RestoreWindowState();
}

HWND TWinControl::MakeWindow(const TCreateParams& P, bool Alternate)
{
    TWinControl* Previous = gCreating;
    const bool PreviousAlternate = gCreatingAlternate;
    gCreating = this;
    gCreatingAlternate = Alternate;
    HWND Wnd = CreateWindowExA(P.ExStyle, P.WinClassName.c_str(), P.Caption.c_str(), P.Style, P.X, P.Y, P.Width,
                               P.Height, P.WndParent, P.Menu, GetModuleHandleA(nullptr), nullptr);
    gCreating = Previous;
    gCreatingAlternate = PreviousAlternate;
    if (!Wnd)
        RaiseLastOSError("CreateWindowEx " + P.WinClassName);
    return Wnd;
}

void TWinControl::CreateWindowHandle(const TCreateParams& P)
{
    FHandle = MakeWindow(P, false);
    FHandleThread = GetCurrentThreadId();
}

HWND TWinControl::MessageWindow() const
{
    // A frame's window that is gone (the handle was re-made inside its handler) counts no more.
    if (FFrames && FFrames->Wnd && (FFrames->Wnd == FHandle || FFrames->Wnd == FAlternateHandle))
        return FFrames->Wnd;
    return FHandle;
}

void TWinControl::CreateAlternateHandle(const TCreateParams& Params)
{
    if (!FHandle)
        throw EInvalidOperation(Format("Control '%s' has no window to pair", GetName()));
    if (FAlternateHandle)
        throw EInvalidOperation(Format("Control '%s' has an alternate window already", GetName()));
    if (GetCurrentThreadId() != FHandleThread)
        throw EInvalidOperation(Format("Control '%s': the alternate window belongs to the handle's thread", GetName()));
    if ((Params.Style & WS_CHILD) && !Params.WndParent)
        throw EInvalidOperation(Format("Control '%s' has no parent window", GetName()));
    // Both windows share the default procedure the control's messages end in.
    if (RegisterWindowClass(Params) != FDefWndProc)
        throw EInvalidOperation(Format("Control '%s': the alternate window must be of the handle's class", GetName()));
    const HWND Wnd = MakeWindow(Params, true);
    FAlternateHandle = Wnd;
    SendMessageA(Wnd, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.GetHandle()), 0);
}

void TWinControl::SwapHandles()
{
    if (!FAlternateHandle)
        return;
    std::swap(FHandle, FAlternateHandle);
    for (TControl* C : FControls)
        if (auto* W = dynamic_cast<TWinControl*>(C); W && W->FHandle)
            ::SetParent(W->FHandle, FHandle);
    SetVisibleFlag((GetWindowLongA(FHandle, GWL_STYLE) & WS_VISIBLE) != 0);
    WindowPosChanged();
}

void TWinControl::DestroyAlternateHandle()
{
    const HWND Wnd = FAlternateHandle;
    if (!Wnd)
        return;
    FAlternateHandle = nullptr;
    // Its last messages go to its class's own procedure, not to the control.
    UnmapControl(Wnd, this);
    SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefWndProc));
    DestroyWindow(Wnd);
}

void TWinControl::DestroyHandle()
{
    if (!FHandle && FAlternateHandle && GetCurrentThreadId() == FHandleThread)
        DestroyAlternateHandle(); // the handle went with its parent's window
    if (!FHandle || FDestroyingHandle)
        return;
    if (GetCurrentThreadId() != FHandleThread) {
        // Only the window's own thread may destroy it.
        SendMessageA(FHandle, QM_DESTROYHANDLE, 0, 0);
        return;
    }
    FDestroyingHandle = true;
    for (TControl* C : FControls)
        if (auto* W = dynamic_cast<TWinControl*>(C))
            W->DestroyHandle();
    SaveWindowState();
    FText = GetText();
    DestroyAlternateHandle();
    DestroyWnd();
    FDestroyingHandle = false;
}

void TWinControl::DestroyWnd() { DestroyWindowHandle(); }

void TWinControl::DestroyWindowHandle()
{
    HWND W = FHandle;
    if (W) {
        DestroyWindow(W);
        if (FHandle == W) { // not one of ours after all
            UnmapControl(W, this);
            FHandle = nullptr;
        }
    }
}

void TWinControl::RecreateWnd()
{
    if (!FHandle)
        return;
    const bool HadFocus = Focused();
    DestroyHandle();
    CreateHandle();
    if (HadFocus && FHandle)
        ::SetFocus(FHandle);
}

void TWinControl::SetParentWindow(HWND Value)
{
    if (FParentWindow == Value)
        return;
    FParentWindow = Value;
    if (FHandle && !GetParent())
        ::SetParent(FHandle, Value);
}

void TWinControl::InsertControl(TControl* C)
{
    C->FParent = this;
    FControls.push_back(C);
    if (auto* W = dynamic_cast<TWinControl*>(C))
        FTabList.push_back(W);
    C->ParentFontChanged();
    C->ParentColorChanged();
    if (auto* W = dynamic_cast<TWinControl*>(C)) {
        if (FHandle && GetCurrentThreadId() == FHandleThread) {
            if (W->FHandle)
                ::SetParent(W->FHandle, FHandle);
            else
                W->CreateHandle();
        } else if (W->FHandle) {
            W->DestroyHandle();
        }
    } else {
        C->Invalidate();
    }
    C->UpdateAnchorRules();
    if (C->GetAlign() != alNone)
        AlignAll();
    ChildLayoutChanged(C);
}

void TWinControl::RemoveControl(TControl* C)
{
    if (FMouseControl == C)
        FMouseControl = nullptr;
    if (FHoverControl == C)
        FHoverControl = nullptr;
    C->Invalidate();
    // Searched from the end: a parent freeing its many children last first finds each at once.
    if (auto It = std::find(FControls.rbegin(), FControls.rend(), C); It != FControls.rend())
        FControls.erase(std::next(It).base());
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), C), FTabList.end());
    C->FParent = nullptr;
    if (auto* W = dynamic_cast<TWinControl*>(C); W && W->FHandle) {
        if (W->FParentWindow)
            ::SetParent(W->FHandle, W->FParentWindow);
        else
            W->DestroyHandle();
    }
    if (C->GetAlign() != alNone && !GetComponentState().Contains(csDestroying))
        AlignAll();
    if (!GetComponentState().Contains(csDestroying))
        ChildLayoutChanged(nullptr);
    if (auto* F = GetParentForm())
        F->ControlRemoved(C);
}

bool TWinControl::ContainsControl(const TControl* C) const
{
    for (const TControl* P = C ? C->GetParent() : nullptr; P; P = P->GetParent())
        if (P == this)
            return true;
    return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& P, bool AllowDisabled) const
{
    for (auto It = FControls.rbegin(); It != FControls.rend(); ++It) {
        TControl* C = *It;
        if (C->HasHandle() || dynamic_cast<TWinControl*>(C))
            continue;
        if (!C->GetVisible() || (!C->GetEnabled() && !AllowDisabled))
            continue;
        const TRect R = C->GetBoundsRect();
        if (P.x >= R.left && P.x < R.right && P.y >= R.top && P.y < R.bottom)
            return C;
    }
    return nullptr;
}

int32_t TWinControl::GetTabOrder() const
{
    if (!GetParent())
        return -1;
    const auto& L = GetParent()->FTabList;
    auto It = std::find(L.begin(), L.end(), this);
    return It == L.end() ? -1 : static_cast<int32_t>(It - L.begin());
}

void TWinControl::SetTabOrder(int32_t Value)
{
    if (!GetParent())
        return;
    auto& L = GetParent()->FTabList;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
    Value = std::clamp<int32_t>(Value, 0, static_cast<int32_t>(L.size()));
    L.insert(L.begin() + Value, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List)
{
    for (TWinControl* W : FTabList) {
        List.push_back(W);
        W->GetTabOrderList(List);
    }
}

bool TWinControl::CanFocus() const
{
    for (const TControl* C = this; C; C = C->GetParent())
        if (!C->GetVisible() || !C->GetEnabled())
            return false;
    return true;
}

void TWinControl::SetFocus()
{
    if (!CanFocus())
        throw EInvalidOperation(Format("Cannot focus a disabled or invisible window ('%s')", GetName()));
    if (auto* F = GetParentForm(); F && F != this)
        F->SetActiveControl(this);
    else
        ::SetFocus(GetHandle());
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::EnableAlign()
{
    if (FAlignLevel > 0 && --FAlignLevel == 0 && FAlignPending) {
        FAlignPending = false;
        AlignAll();
    }
}

void TWinControl::Realign() { AlignAll(); }

void TWinControl::AlignAll()
{
    if (FAlignLevel > 0) {
        FAlignPending = true;
        return;
    }
    if (FAligning)
        return;
    TFlagScope Aligning(FAligning);
    TRect R = GetClientRect();
    AdjustClientRect(R);
    AlignControls(R);
}

void TWinControl::AlignControls(TRect& R)
{
    auto Collect = [&](TAlign A) {
        std::vector<TControl*> L;
        for (TControl* C : FControls)
            if (C->GetAlign() == A && C->GetVisible())
                L.push_back(C);
        std::stable_sort(L.begin(), L.end(), [A](TControl* X, TControl* Y) {
            int32_t PX = 0, PY = 0;
            switch (A) {
            case alTop: PX = X->GetTop(); PY = Y->GetTop(); break;
            case alBottom: PX = -(X->GetTop() + X->GetHeight()); PY = -(Y->GetTop() + Y->GetHeight()); break;
            case alLeft: PX = X->GetLeft(); PY = Y->GetLeft(); break;
            case alRight: PX = -(X->GetLeft() + X->GetWidth()); PY = -(Y->GetLeft() + Y->GetWidth()); break;
            default: break;
            }
            if (PX != PY)
                return PX < PY;
            return X->FCreationOrder < Y->FCreationOrder;
        });
        return L;
    };
    for (TControl* C : Collect(alTop)) {
        C->SetBounds(R.left, R.top, R.right - R.left, C->GetHeight());
        R.top += C->GetHeight();
    }
    for (TControl* C : Collect(alBottom)) {
        C->SetBounds(R.left, R.bottom - C->GetHeight(), R.right - R.left, C->GetHeight());
        R.bottom -= C->GetHeight();
    }
    for (TControl* C : Collect(alLeft)) {
        C->SetBounds(R.left, R.top, C->GetWidth(), std::max<int32_t>(R.bottom - R.top, 0));
        R.left += C->GetWidth();
    }
    for (TControl* C : Collect(alRight)) {
        C->SetBounds(R.right - C->GetWidth(), R.top, C->GetWidth(), std::max<int32_t>(R.bottom - R.top, 0));
        R.right -= C->GetWidth();
    }
    for (TControl* C : Collect(alClient))
        C->SetBounds(R.left, R.top, std::max<int32_t>(R.right - R.left, 0), std::max<int32_t>(R.bottom - R.top, 0));
    const TRect Client = GetClientRect();
    for (TControl* C : FControls)
        if (C->GetAlign() == alNone)
            C->AnchorToParent(Client.right, Client.bottom);
}

TRect TWinControl::GetClientRect()
{
    if (FHandle) {
        TRect R;
        ::GetClientRect(FHandle, &R);
        return R;
    }
    return TControl::GetClientRect();
}

void TWinControl::ApplyBounds()
{
    if (FHandle)
        SetWindowPos(FHandle, nullptr, GetLeft(), GetTop(), GetWidth(), GetHeight(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::WindowPosChanged()
{
    if (!FHandle)
        return;
    TRect R;
    GetWindowRect(FHandle, &R);
    const HWND ParentWnd = (GetWindowLongA(FHandle, GWL_STYLE) & WS_CHILD) ? ::GetParent(FHandle) : nullptr;
    if (ParentWnd)
        MapWindowPoints(nullptr, ParentWnd, reinterpret_cast<POINT*>(&R), 2);
    const bool Moved = R.left != GetLeft() || R.top != GetTop();
    const bool Sized = R.right - R.left != GetWidth() || R.bottom - R.top != GetHeight();
    if (!Moved && !Sized)
        return;
    if (!IsIconic(FHandle)) {
        // Store without calling SetWindowPos again.
        TControl* Self = this;
        Self->FLeft = R.left;
        Self->FTop = R.top;
        Self->FWidth = R.right - R.left;
        Self->FHeight = R.bottom - R.top;
        BoundsChanged(Moved, Sized);
    }
}

void TWinControl::Invalidate()
{
    if (FHandle)
        InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Update()
{
    if (FHandle)
        UpdateWindow(FHandle);
}

void TWinControl::BringToFront()
{
    TControl::BringToFront();
    if (FHandle)
        SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::SendToBack()
{
    TControl::SendToBack();
    if (FHandle)
        SetWindowPos(FHandle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::SetText(const std::string& Value)
{
    if (FHandle) {
        if (GetText() != Value)
            SetWindowTextA(FHandle, Value.c_str()); // WM_SETTEXT stores it and reports the change
        return;
    }
    TControl::SetText(Value);
}

std::string TWinControl::GetText() const
{
    if (!FHandle)
        return FText;
    const int N = GetWindowTextLengthA(FHandle);
    std::string S(static_cast<size_t>(N) + 1, '\0');
    const int Got = GetWindowTextA(FHandle, S.data(), N + 1);
    S.resize(static_cast<size_t>(std::max(Got, 0)));
    return S;
}

void TWinControl::EnabledChanged()
{
    if (FHandle)
        EnableWindow(FHandle, GetEnabled());
    TControl::EnabledChanged();
}

void TWinControl::VisibleChanged()
{
    if (FHandle)
        ShowWindow(FHandle, GetVisible() ? SW_SHOWNA : SW_HIDE);
    else if (GetVisible() && GetParent() && GetParent()->HandleAllocated())
        CreateHandle();
}

void TWinControl::FontChanged()
{
    if (FHandle) {
        SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.GetHandle()), TRUE);
        InvalidateRect(FHandle, nullptr, TRUE);
    }
    TControl::FontChanged();
}

void TWinControl::ColorChanged()
{
    FBrush.SetColor(FColor);
    TControl::ColorChanged();
}

HBRUSH TWinControl::GetBrushHandle()
{
    if (FBrush.GetColor() != FColor)
        FBrush.SetColor(FColor);
    return FBrush.GetHandle();
}

LRESULT TWinControl::ControlColor(HDC DC)
{
    SetTextColor(DC, ColorToRGB(FFont.GetColor()));
    SetBkColor(DC, ColorToRGB(FColor));
    return reinterpret_cast<LRESULT>(GetBrushHandle());
}

void TWinControl::Resize() { TControl::Resize(); }

void TWinControl::DoEnter()
{
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit()
{
    if (OnExit)
        OnExit(this);
}

bool TWinControl::EraseBackground(HDC DC)
{
    TRect R;
    ::GetClientRect(MessageWindow(), &R);
    FillRect(DC, &R, GetBrushHandle());
    return true;
}

void TWinControl::PaintWindow(HDC /*DC*/) {}

void TWinControl::PaintControls(HDC DC)
{
    for (TControl* C : std::vector<TControl*>(FControls)) {
        auto* G = dynamic_cast<TGraphicControl*>(C);
        if (!G || !G->GetVisible())
            continue;
        const TRect R = G->GetBoundsRect();
        if (!RectVisible(DC, &R))
            continue;
        const int Saved = SaveDC(DC);
        IntersectClipRect(DC, R.left, R.top, R.right, R.bottom);
        OffsetViewportOrgEx(DC, R.left, R.top, nullptr);
        TScopeExit Restore([DC, Saved] { RestoreDC(DC, Saved); });
        G->PaintOn(DC);
    }
}

bool TWinControl::DoKeyDown(uint16_t& Key, TShiftState Shift)
{
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
    return Key != 0;
}

bool TWinControl::DoKeyPress(char& Key)
{
    if (OnKeyPress)
        OnKeyPress(this, Key);
    return Key != 0;
}

namespace {
// The character message TranslateMessage made of an eaten key goes too.
void DropCharOf(HWND Wnd)
{
    MSG M;
    PeekMessageA(&M, Wnd, WM_CHAR, WM_DEADCHAR, PM_REMOVE);
    PeekMessageA(&M, Wnd, WM_SYSCHAR, WM_SYSDEADCHAR, PM_REMOVE);
}
} // namespace

bool TWinControl::KeyChain(TMessage& M)
{
    TCustomForm* Form = GetParentForm();
    switch (M.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        uint16_t Key = static_cast<uint16_t>(M.WParam);
        const TShiftState Shift = KeyboardShiftState();
        bool Eaten = false;
        if (Form && Form != this && Form->GetKeyPreview() && !Form->DoKeyDown(Key, Shift))
            Eaten = true;
        else if (Form && Form->IsShortCut(Key, Shift))
            Eaten = true;
        else if (!DoKeyDown(Key, Shift))
            Eaten = true;
        else if (Form && !WantsKey(Key) && Form->DialogKey(this, Key, Shift))
            Eaten = true;
        if (Eaten) {
            if (const HWND Wnd = MessageWindow())
                DropCharOf(Wnd);
            return true;
        }
        M.WParam = Key;
        return false;
    }
    case WM_CHAR: {
        char Key = static_cast<char>(M.WParam);
        if (Form && Form != this && Form->GetKeyPreview() && !Form->DoKeyPress(Key))
            return true;
        if (!DoKeyPress(Key))
            return true;
        // Enter and Esc that reached no one as dialog keys would only beep in an edit.
        if ((Key == '\r' || Key == 27 || Key == '\t') && !WantsKey(Key == '\r' ? VK_RETURN : Key == 27 ? VK_ESCAPE : VK_TAB) && IsSystemClass())
            return true;
        M.WParam = static_cast<unsigned char>(Key);
        return false;
    }
    case WM_SYSCHAR:
        if (Form && Form->DialogChar(static_cast<char>(M.WParam)))
            return true;
        return false;
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        uint16_t Key = static_cast<uint16_t>(M.WParam);
        const TShiftState Shift = KeyboardShiftState();
        if (Form && Form != this && Form->GetKeyPreview() && Form->OnKeyUp) {
            Form->OnKeyUp(Form, Key, Shift);
            if (!Key)
                return true;
        }
        if (OnKeyUp) {
            OnKeyUp(this, Key, Shift);
            if (!Key)
                return true;
        }
        M.WParam = Key;
        return false;
    }
    default:
        return false;
    }
}

void TWinControl::MouseRouting(TMessage& M, bool& Handled)
{
    Handled = false;
    const TPoint P = Point(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam));
    TControl* Target = FMouseControl ? FMouseControl : ControlAtPos(P);
    if (M.Msg == WM_MOUSEMOVE && Target != FHoverControl)
        FHoverControl = Target;
    if (!Target)
        return;
    Handled = true;
    const LPARAM Local = MAKELPARAM(static_cast<int16_t>(P.x - Target->GetLeft()), static_cast<int16_t>(P.y - Target->GetTop()));
    const bool Down = M.Msg == WM_LBUTTONDOWN || M.Msg == WM_RBUTTONDOWN || M.Msg == WM_MBUTTONDOWN ||
                      M.Msg == WM_LBUTTONDBLCLK || M.Msg == WM_RBUTTONDBLCLK || M.Msg == WM_MBUTTONDBLCLK;
    const bool Up = M.Msg == WM_LBUTTONUP || M.Msg == WM_RBUTTONUP || M.Msg == WM_MBUTTONUP;
    if (Down && !FMouseControl && Target->GetControlStyle().Contains(csCaptureMouse)) {
        FMouseControl = Target;
        SetCapture(MessageWindow());
    }
    if (Up && FMouseControl && (M.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) {
        // Cleared before ReleaseCapture: this is no lost capture.
        FMouseControl = nullptr;
        if (GetCapture() == MessageWindow())
            ReleaseCapture();
    }
    M.Result = Target->Perform(M.Msg, M.WParam, Local);
}

void TWinControl::DefaultHandler(TMessage& M)
{
    if (const HWND Wnd = MessageWindow())
        M.Result = CallWindowProcA(FDefWndProc, Wnd, M.Msg, M.WParam, M.LParam);
}

TWinControl* TWinControl::FindControl(HWND Wnd)
{
    // Most windows asked about (a list view's header, the system's) are not ours: the map answers
    // those without asking the system.
    TWinControl* C = Wnd ? MappedControl(Wnd) : nullptr;
    if (!C || !IsWindow(Wnd))
        return nullptr;
    DWORD Pid = 0;
    GetWindowThreadProcessId(Wnd, &Pid);
    if (Pid != GetCurrentProcessId())
        return nullptr;
    return C;
}

void TWinControl::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case WM_WINDOWPOSCHANGED:
        DefaultHandler(M);
        if (MessageWindow() == FHandle) // bounds follow the handle, not the alternate
            WindowPosChanged();
        return;
    case WM_SETTEXT:
        DefaultHandler(M);
        if (MessageWindow() == FHandle) {
            FText = M.LParam ? reinterpret_cast<const char*>(M.LParam) : "";
            TextChanged();
        }
        return;
    case WM_PAINT: {
        const HWND Wnd = MessageWindow();
        if (!IsSystemClass()) {
            PAINTSTRUCT PS;
            HDC DC = BeginPaint(Wnd, &PS);
            TScopeExit End([Wnd, &PS] { EndPaint(Wnd, &PS); });
            PaintWindow(DC);
            PaintControls(DC);
        } else {
            DefaultHandler(M);
            if (ControlAtPos(Point(0, 0)) || std::any_of(FControls.begin(), FControls.end(), [](TControl* C) {
                    return dynamic_cast<TGraphicControl*>(C) != nullptr;
                })) {
                HDC DC = GetDC(Wnd);
                PaintControls(DC);
                ReleaseDC(Wnd, DC);
            }
        }
        return;
    }
    case WM_PRINTCLIENT:
        if (!IsSystemClass()) {
            HDC DC = reinterpret_cast<HDC>(M.WParam);
            EraseBackground(DC);
            PaintWindow(DC);
            PaintControls(DC);
        } else {
            DefaultHandler(M);
            PaintControls(reinterpret_cast<HDC>(M.WParam));
        }
        return;
    case WM_ERASEBKGND:
        if (!IsSystemClass()) {
            M.Result = EraseBackground(reinterpret_cast<HDC>(M.WParam)) ? 1 : 0;
            return;
        }
        break;
    case WM_SETCURSOR:
        if (Screen && Screen->GetCursor() != crDefault) {
            ::SetCursor(Screen->GetCursors(Screen->GetCursor()));
            M.Result = TRUE;
            return;
        }
        if (reinterpret_cast<HWND>(M.WParam) == MessageWindow() && LOWORD(M.LParam) == HTCLIENT) {
            TPoint P;
            GetCursorPos(&P);
            ::ScreenToClient(MessageWindow(), &P);
            TControl* C = ControlAtPos(P, true);
            TCursor Cur = C && C->GetCursor() != crDefault ? C->GetCursor() : GetCursor();
            if (Cur != crDefault && Screen) {
                ::SetCursor(Screen->GetCursors(Cur));
                M.Result = TRUE;
                return;
            }
        }
        break;
    case WM_SETFOCUS:
        DefaultHandler(M);
        if (auto* F = GetParentForm())
            F->FocusChanged(this);
        DoEnter();
        return;
    case WM_KILLFOCUS:
        DefaultHandler(M);
        DoExit();
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (KeyChain(M))
            return;
        break;
    case WM_CAPTURECHANGED:
        // Between the control's own two windows the capture is not lost.
        if (const HWND To = reinterpret_cast<HWND>(M.LParam); To != FHandle && (!To || To != FAlternateHandle)) {
            if (FMouseControl) {
                TControl* C = FMouseControl;
                FMouseControl = nullptr;
                C->Perform(WM_CAPTURECHANGED, 0, M.LParam);
            }
            if (FPressed)
                MouseCaptureLost();
        }
        break;
    case WM_CONTEXTMENU: {
        if (reinterpret_cast<HWND>(M.WParam) != FHandle)
            break; // a child's, handed up by the default procedure
        TPoint P = Point(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam));
        TPoint Local = P.x == -1 && P.y == -1 ? Point(0, 0) : ScreenToClient(P);
        TControl* Target = ControlAtPos(Local);
        if (!Target)
            Target = this;
        bool Handled = false;
        Target->DoContextPopup(Local, Handled);
        if (Handled)
            return;
        if (P.x == -1 && P.y == -1)
            P = ClientToScreen(Point(0, 0));
        for (TControl* C = Target; C; C = C->GetParent())
            if (C->GetPopupMenu() && GPopupMenuProc) {
                GPopupMenuProc(C->GetPopupMenu(), C, P.x, P.y);
                return;
            }
        break;
    }
    case WM_COMMAND:
        if (M.LParam) {
            if (TWinControl* C = FindControl(reinterpret_cast<HWND>(M.LParam)); C && C != this) {
                M.Result = C->Perform(CN_COMMAND, M.WParam, M.LParam);
                return;
            }
        }
        break;
    case WM_NOTIFY: {
        const auto* H = reinterpret_cast<const NMHDR*>(M.LParam);
        if (TWinControl* C = H ? FindControl(H->hwndFrom) : nullptr; C && C != this) {
            M.Result = C->Perform(CN_NOTIFY, M.WParam, M.LParam);
            return;
        }
        break;
    }
    case WM_DRAWITEM: {
        const auto* D = reinterpret_cast<const DRAWITEMSTRUCT*>(M.LParam);
        if (D && D->CtlType != ODT_MENU)
            if (TWinControl* C = FindControl(D->hwndItem); C && C != this) {
                M.Result = C->Perform(CN_DRAWITEM, M.WParam, M.LParam);
                return;
            }
        break;
    }
    case WM_MEASUREITEM: {
        const auto* D = reinterpret_cast<const MEASUREITEMSTRUCT*>(M.LParam);
        if (D && D->CtlType != ODT_MENU) {
            TWinControl* C = FindControl(GetDlgItem(FHandle, static_cast<int>(D->CtlID)));
            if (!C && gCreating && gCreating->GetParent() == this)
                C = gCreating; // asked while its window is being made
            if (C && C != this) {
                M.Result = C->Perform(CN_MEASUREITEM, M.WParam, M.LParam);
                return;
            }
        }
        break;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        if (TWinControl* C = FindControl(reinterpret_cast<HWND>(M.LParam)); C && C != this) {
            M.Result = C->Perform(CN_BASE + M.Msg, M.WParam, M.LParam);
            return;
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (M.LParam)
            if (TWinControl* C = FindControl(reinterpret_cast<HWND>(M.LParam)); C && C != this) {
                M.Result = C->Perform(CN_BASE + M.Msg, M.WParam, M.LParam);
                return;
            }
        break;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORLISTBOX:
        M.Result = ControlColor(reinterpret_cast<HDC>(M.WParam));
        return;
    case QM_DESTROYHANDLE:
        DestroyHandle();
        return;
    case CM_CANCELMODE:
        TControl::WndProc(M);
        return;
    default:
        if (IsMouseMessage(M.Msg)) {
            bool Handled = false;
            MouseRouting(M, Handled);
            if (Handled) {
                // The default procedure makes WM_CONTEXTMENU of a right button's release: over a
                // windowless child too, so the child's (or its parents') context menu shows.
                if (M.Msg == WM_RBUTTONUP && FHandle) {
                    const LRESULT Result = M.Result;
                    DefaultHandler(M);
                    M.Result = Result;
                }
                return;
            }
            const bool Own = !IsSystemClass();
            const HWND Wnd = MessageWindow();
            if (Own && GetControlStyle().Contains(csCaptureMouse) &&
                (M.Msg == WM_LBUTTONDOWN || M.Msg == WM_LBUTTONDBLCLK))
                SetCapture(Wnd);
            TControl::WndProc(M);
            if (Own && (M.Msg == WM_LBUTTONUP) && GetCapture() == Wnd)
                ReleaseCapture();
            if (FHandle)
                DefaultHandler(M);
            return;
        }
        if (M.Msg >= CN_BASE && M.Msg < CN_BASE + 0x400) {
            M.Result = 0; // a reflected notification nobody handles
            return;
        }
        break;
    }
    DefaultHandler(M);
}

// =============================================================================================

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::ApplyBounds() { Invalidate(); }

void TGraphicControl::PaintOn(HDC DC)
{
    FCanvas.GetFont()->Assign(GetFont());
    FCanvas.SetHandle(DC);
    TScopeExit Release([this] { FCanvas.SetHandle(nullptr); });
    Paint();
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {}

void TCustomControl::PaintWindow(HDC DC)
{
    FCanvas.GetFont()->Assign(GetFont());
    FCanvas.GetBrush()->SetColor(GetColor());
    FCanvas.SetHandle(DC);
    TScopeExit Release([this] { FCanvas.SetHandle(nullptr); });
    Paint();
}
