#include "commandbars/windows/cbHint.h"

#include <algorithm>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/win/Actions.h"
#include "platform/win/Forms.h"
#include "platform/win/Screen.h"
#include "platform/win/ThreadTimer.h"

namespace {

// The hint's state, shared by all managers: the window, the manager whose hint it is, the text
// given with the request (empty: the selected control's hint), and the two timers.
TcbBarHintWindow* gHintWindow = nullptr;
TcbBarManager* gHintManager = nullptr;
std::string gHintText;
bool gHintShown = false;
bool gRecentlyHidden = false;
// The show delay and the automatic hide share one timer: only one of them runs at a time.
UINT_PTR gShowHideTimer = 0;
UINT_PTR gReshowTimer = 0;

void StopShowHideTimer()
{
    if (gShowHideTimer) {
        ThreadTimerStop(gShowHideTimer);
        gShowHideTimer = 0;
    }
}

void StopReshowTimer()
{
    if (gReshowTimer) {
        ThreadTimerStop(gReshowTimer);
        gReshowTimer = 0;
    }
}

bool HintVisible()
{
    return gHintWindow && gHintWindow->IsHintVisible();
}

void HideHintWindow()
{
    if (HintVisible())
        gHintWindow->HideHint();
}

// The manager's selected control when its window lets it show a hint, else nullptr.
TcbBarItemControl* HintControl(const TcbBarManager* Manager)
{
    TcbBarItemControl* Control = Manager->GetSelectedItemControl();
    if (!Control || !IsLiveItemControl(Control) || !Control->GetBarControl())
        return nullptr;
    return Control->CanShowHint() ? Control : nullptr;
}

TPoint CursorPos()
{
    POINT P{};
    GetCursorPos(&P);
    return TPoint{P.x, P.y};
}

void ShowTimerTick(UINT_PTR)
{
    StopShowHideTimer();
    // A hint asked for before ShowHint was turned off, or before customizing began, stays away.
    TcbBarManager* Manager = gHintManager;
    if (IsLiveManager(Manager) && Manager->GetShowHint() && !Manager->IsCustomizingOrDesigning())
        Manager->ShowHintWindow();
}

void HideTimerTick(UINT_PTR)
{
    StopShowHideTimer();
    HideHintWindow();
}

void ReshowTimerTick(UINT_PTR)
{
    StopReshowTimer();
    gRecentlyHidden = false;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TcbBarHintWindow

TcbBarHintWindow::TcbBarHintWindow(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetVisible(false);
    SetEnabled(false);
    SetColor(clInfoBk);
}

TcbBarHintWindow::~TcbBarHintWindow() = default;

void TcbBarHintWindow::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_DISABLED;
    Params.ExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
    Params.ClassStyle = CS_SAVEBITS;
    Params.WndParent = FOwnerWnd && IsWindow(FOwnerWnd) ? FOwnerWnd : nullptr;
    Params.Menu = nullptr;
}

void TcbBarHintWindow::ShowAt(TPoint Point, const std::string& Text, TcbBarManager* Manager)
{
    // The hint belongs to the form whose bar asks for it: owned by it, the window stays off the
    // taskbar and above the form, and goes while a modal dialog has the form disabled.
    TCustomForm* Form = Manager ? Manager->GetOwnerForm() : nullptr;
    const HWND FormWnd = Form && Form->HandleAllocated() ? Form->GetHandle() : nullptr;
    if (FormWnd && !IsWindowEnabled(FormWnd)) {
        HideHint();
        return;
    }
    if (FormWnd != FOwnerWnd || (HandleAllocated() && ::GetWindow(FHandle, GW_OWNER) != FOwnerWnd)) {
        HideHint();
        FOwnerWnd = FormWnd;
        if (HandleAllocated())
            DestroyHandle();
    }
    HandleNeeded();
    SetText(Text);
    if (Manager && Manager->GetUseSystemFont()) {
        NONCLIENTMETRICSA Metrics{};
        Metrics.cbSize = sizeof(Metrics);
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0)) {
            HFONT Status = CreateFontIndirectA(&Metrics.lfStatusFont);
            GetFont()->SetHandle(Status);
            DeleteObject(Status);
        } else {
            GetFont()->SetSize(8);
        }
    } else if (Manager && Manager->GetFont()) {
        GetFont()->Assign(Manager->GetFont());
    }
    GetFont()->SetColor(Screen ? Screen->GetHintFont()->GetColor() : clInfoText);
    SetColor(AppUI()->HintColor);

    const TRect Work = GetMonitorWorkArea(Point);
    const TSize Extent = MeasureText(GetFont(), Text, DT_WORDBREAK | DT_NOPREFIX, Work.right - Work.left);
    const int32_t Width = Extent.cx + 6, Height = Extent.cy + 6;
    int32_t Left = Point.x, Top = Point.y;
    if (Left + Width > Work.right)
        Left = Work.right - Width;
    if (Top + Height > Work.bottom)
        Top = Point.y - 50;
    Left = std::max(Left, static_cast<int32_t>(Work.left));
    Top = std::max(Top, static_cast<int32_t>(Work.top));
    SetBounds(Left, Top, Width, Height);
    SetWindowPos(FHandle, HWND_TOPMOST, Left, Top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    SetVisibleFlag(true);
    Invalidate();
}

void TcbBarHintWindow::HideHint()
{
    SetVisibleFlag(false);
    // Hidden where it lies: no activation passes on and no window moves in the z-order.
    if (HandleAllocated())
        SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
}

bool TcbBarHintWindow::IsHintVisible() const
{
    return HandleAllocated() && IsWindowVisible(FHandle);
}

void TcbBarHintWindow::Paint()
{
    HDC DC = GetCanvas()->GetHandle();
    TRect R = GetClientRect();
    HBRUSH Back = CreateSolidBrush(ColorToRGB(GetColor()));
    FillRect(DC, &R, Back);
    DeleteObject(Back);
    DrawEdge(DC, &R, BDR_RAISEDOUTER, BF_RECT);
    TRect TextRect = R;
    InflateRect(&TextRect, -1, -1);
    TextRect.left += 2;
    TextRect.top += 2;
    HGDIOBJ OldFont = SelectObject(DC, GetFont()->GetHandle());
    const int OldMode = SetBkMode(DC, TRANSPARENT);
    const COLORREF OldColor = SetTextColor(DC, ColorToRGB(GetFont()->GetColor()));
    const std::string Text = GetText();
    DrawTextA(DC, Text.c_str(), static_cast<int>(Text.size()), &TextRect, DT_WORDBREAK | DT_NOCLIP | DT_NOPREFIX);
    SetTextColor(DC, OldColor);
    SetBkMode(DC, OldMode);
    SelectObject(DC, OldFont);
}

void TcbBarHintWindow::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_ERASEBKGND) {
        // Paint fills the whole window.
        Message.Result = 1;
        return;
    }
    TCustomControl::WndProc(Message);
}

TcbBarHintWindow* cbHintWindow()
{
    return gHintWindow;
}

void cbCreateHintWindow()
{
    if (!gHintWindow)
        gHintWindow = new TcbBarHintWindow(nullptr);
}

void cbFreeHintWindow()
{
    StopShowHideTimer();
    StopReshowTimer();
    gRecentlyHidden = false;
    gHintShown = false;
    gHintManager = nullptr;
    gHintText.clear();
    if (TcbBarHintWindow* Window = gHintWindow) {
        gHintWindow = nullptr;
        Window->Free();
    }
}

void cbHintManagerDestroying(TcbBarManager* Manager)
{
    if (gHintManager != Manager)
        return;
    if (gShowHideTimer) {
        StopShowHideTimer();
        HideHintWindow();
    }
    StopReshowTimer();
    gRecentlyHidden = false;
    gHintManager = nullptr;
}

// ---------------------------------------------------------------------------------------------
// The manager's side

void TcbBarManager::ActivateHint(bool Activate, const std::string& AHint)
{
    // A manager being destroyed has taken its hint down already (its windows go after it).
    if (IsDestroying() || IsCustomizingOrDesigning() || !FShowHint)
        return;
    gHintText = AHint;
    gHintShown = false;
    const bool SomethingToShow = Activate && (!AHint.empty() || HintControl(this));
    StopShowHideTimer();
    if (SomethingToShow) {
        if (!HintVisible() && !gRecentlyHidden) {
            gHintManager = this;
            gShowHideTimer = ThreadTimerStart(kHintShowDelay, &ShowTimerTick);
        } else {
            ShowHintWindow();
        }
        return;
    }
    if (!HintVisible())
        return;
    HideHintWindow();
    if (Activate) {
        // Another hint asked for soon shows at once.
        StopReshowTimer();
        gRecentlyHidden = true;
        gReshowTimer = ThreadTimerStart(kHintReshowGrace, &ReshowTimerTick);
    }
}

void TcbBarManager::ShowHintWindow()
{
    TcbBarHintWindow* Window = gHintWindow;
    if (!Window || IsDestroying())
        return;
    TcbBarItemControl* Control = nullptr;
    if (gHintText.empty()) {
        // The selected control's own hint, only while the mouse rests on that control.
        Control = HintControl(this);
        if (!Control)
            return;
        TCustomcbBarControl* Bar = Control->GetBarControl();
        if (!Bar->HandleAllocated())
            return;
        POINT P = CursorPos();
        ScreenToClient(Bar->GetHandle(), &P);
        if (Bar->ControlAtPos(TPoint{P.x, P.y}) != Control)
            return;
    }
    const TPoint Cursor = CursorPos();
    const TPoint At{Cursor.x, Cursor.y + 20};
    std::string Text = Control ? TControl::GetShortHint(Control->GetHint()) : gHintText;
    if (Control && Control->GetItem())
        if (TAction* Action = Control->GetItem()->GetAction(); Action && !Action->DoHint(Text)) {
            HideHintWindow();
            return;
        }
    if (Text.empty() || (Control && !Control->GetEnabled() && !FShowHintForDisabledItems)) {
        HideHintWindow();
        return;
    }
    if (Control && (FShowShortCutInHint || AppUI()->HintShortCuts) && Control->GetShortCut())
        Text += " (" + Control->GetShortCutText() + ")";
    Window->ShowAt(At, Text, this);
    gHintShown = true;
    gHintManager = this;
    StopShowHideTimer();
    gShowHideTimer = ThreadTimerStart(kHintHideDelay, &HideTimerTick);
}
