#include "platform/win/ComCtrlsBasic.h"

#include <algorithm>
#include <commctrl.h>

#include "platform/rtl/SysUtils.h"

// =============================================================================================
// TUpDown

TUpDown::TUpDown(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(TControlStyle{});
    SetBounds(0, 0, 17, 21);
}

TUpDown::~TUpDown()
{
    if (FAssociate)
        FAssociate->RemoveFreeNotification(this);
}

void TUpDown::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = UPDOWN_CLASSA;
    P.Style &= ~(WS_CLIPCHILDREN | WS_TABSTOP);
    // No UDS_SETBUDDYINT: the buddy's text is written here, plain digits whatever the locale.
    if (FArrowKeys)
        P.Style |= UDS_ARROWKEYS;
    if (FWrap)
        P.Style |= UDS_WRAP;
    if (FOrientation == orHorizontal)
        P.Style |= UDS_HORZ;
}

void TUpDown::RestoreWindowState()
{
    ApplyRange();
    if (FAssociate && FAssociate->HandleAllocated())
        SendMessageA(FHandle, UDM_SETBUDDY, reinterpret_cast<WPARAM>(FAssociate->GetHandle()), 0);
}

void TUpDown::ApplyRange()
{
    if (!FHandle)
        return;
    SendMessageA(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), static_cast<LPARAM>(FMax));
    UDACCEL Accel{0, static_cast<UINT>(FIncrement)};
    SendMessageA(FHandle, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&Accel));
    SendMessageA(FHandle, UDM_SETPOS32, 0, static_cast<LPARAM>(FPosition));
}

void TUpDown::SetMin(int32_t Value)
{
    FMin = Value;
    if (FMax < FMin)
        FMax = FMin;
    ApplyRange();
    SetPosition(FPosition);
}

void TUpDown::SetMax(int32_t Value)
{
    FMax = Value;
    if (FMin > FMax)
        FMin = FMax;
    ApplyRange();
    SetPosition(FPosition);
}

void TUpDown::SetPosition(int32_t Value)
{
    Value = std::clamp(Value, FMin, FMax);
    if (Value == FPosition) {
        ShowInBuddy(); // a buddy edited by hand shows the position again
        return;
    }
    FPosition = Value;
    if (FHandle)
        SendMessageA(FHandle, UDM_SETPOS32, 0, static_cast<LPARAM>(FPosition));
    ShowInBuddy();
    if (OnChange)
        OnChange(this);
}

void TUpDown::SetIncrement(int32_t Value)
{
    FIncrement = Value < 1 ? 1 : Value;
    ApplyRange();
}

void TUpDown::SetWrap(bool Value)
{
    FWrap = Value;
    RecreateWnd();
}

void TUpDown::SetOrientation(TOrientation Value)
{
    FOrientation = Value;
    RecreateWnd();
}

void TUpDown::SetArrowKeys(bool Value)
{
    FArrowKeys = Value;
    RecreateWnd();
}

void TUpDown::SetAlignButton(TUDAlignButton Value)
{
    FAlignButton = Value;
    PlaceBesideBuddy();
}

void TUpDown::SetAssociate(TWinControl* Value)
{
    if (Value == this)
        Value = nullptr;
    if (FAssociate)
        FAssociate->RemoveFreeNotification(this);
    FAssociate = Value;
    if (!Value) {
        if (FHandle)
            SendMessageA(FHandle, UDM_SETBUDDY, 0, 0);
        return;
    }
    Value->FreeNotification(this);
    PlaceBesideBuddy();
    ShowInBuddy();
    if (FHandle && Value->HandleAllocated())
        SendMessageA(FHandle, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Value->GetHandle()), 0);
}

void TUpDown::PlaceBesideBuddy()
{
    if (!FAssociate || FAssociate->GetParent() != GetParent())
        return;
    const int32_t X = FAlignButton == udRight ? FAssociate->GetLeft() + FAssociate->GetWidth() : FAssociate->GetLeft() - GetWidth();
    SetBounds(X, FAssociate->GetTop(), GetWidth(), FAssociate->GetHeight());
}

void TUpDown::ShowInBuddy()
{
    if (!FAssociate)
        return;
    const std::string T = IntToStr(FPosition);
    if (FAssociate->GetText() != T)
        FAssociate->SetText(T); // the buddy's own OnChange follows
}

void TUpDown::SyncFromBuddy()
{
    if (!FAssociate)
        return;
    int32_t V = 0;
    if (TryStrToInt(Trim(FAssociate->GetText()), V) && V != FPosition) {
        // Typed by hand: the step starts from there; the range still holds.
        FPosition = std::clamp(V, FMin, FMax);
        if (FHandle)
            SendMessageA(FHandle, UDM_SETPOS32, 0, static_cast<LPARAM>(FPosition));
    }
}

void TUpDown::Step(TUDBtnType Button)
{
    SyncFromBuddy();
    bool Allow = true;
    if (OnChanging)
        OnChanging(this, Allow);
    if (!Allow)
        return;
    // 64-bit sum: a step at the ends of the 32-bit range must not overflow.
    int64_t V = static_cast<int64_t>(FPosition) + (Button == btNext ? FIncrement : -static_cast<int64_t>(FIncrement));
    if (V > FMax)
        V = FWrap ? FMin : FMax;
    else if (V < FMin)
        V = FWrap ? FMax : FMin;
    SetPosition(static_cast<int32_t>(V));
    ShowInBuddy();
    if (OnClick)
        OnClick(this, Button);
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == static_cast<TComponent*>(FAssociate)) {
        FAssociate = nullptr;
        if (FHandle)
            SendMessageA(FHandle, UDM_SETBUDDY, 0, 0);
    }
}

void TUpDown::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case CN_NOTIFY: {
        auto* H = reinterpret_cast<NMHDR*>(M.LParam);
        if (H->code == UDN_DELTAPOS) {
            // The step is made here (range, wrap, buddy text); the control's own is cancelled.
            auto* N = reinterpret_cast<NMUPDOWN*>(M.LParam);
            if (N->iDelta != 0)
                Step(N->iDelta > 0 ? btNext : btPrev);
            M.Result = 1;
            return;
        }
        M.Result = 0;
        return;
    }
    case CN_HSCROLL:
    case CN_VSCROLL: {
        // The control moved its position (its own step, or a message sent to it): follow it.
        if (LOWORD(M.WParam) == SB_THUMBPOSITION && FHandle) {
            // Its failure flag only says the buddy holds no number; the position is still its own.
            const int32_t V = static_cast<int32_t>(SendMessageA(FHandle, UDM_GETPOS32, 0, 0));
            if (V != FPosition) {
                const TUDBtnType B = V > FPosition ? btNext : btPrev;
                SetPosition(V);
                if (OnClick)
                    OnClick(this, B);
            }
        }
        M.Result = 0;
        return;
    }
    default:
        TWinControl::WndProc(M);
    }
}

// =============================================================================================
// TTrackBar

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(TControlStyle{});
    SetTabStop(true);
    SetBounds(0, 0, 150, 45);
}

void TTrackBar::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = TRACKBAR_CLASSA;
    P.Style &= ~WS_CLIPCHILDREN;
    P.Style |= FOrientation == orVertical ? TBS_VERT : TBS_HORZ;
    if (FTickStyle == tsAuto)
        P.Style |= TBS_AUTOTICKS;
    else if (FTickStyle == tsNone)
        P.Style |= TBS_NOTICKS;
    if (FTickMarks == tmBoth)
        P.Style |= TBS_BOTH;
    else if (FTickMarks == tmTopLeft)
        P.Style |= TBS_TOP;
}

void TTrackBar::RestoreWindowState() { ApplyRange(); }

void TTrackBar::ApplyRange()
{
    if (!FHandle)
        return;
    SendMessageA(FHandle, TBM_SETRANGEMIN, FALSE, FMin);
    SendMessageA(FHandle, TBM_SETRANGEMAX, FALSE, FMax);
    SendMessageA(FHandle, TBM_SETTICFREQ, static_cast<WPARAM>(FFrequency), 0);
    SendMessageA(FHandle, TBM_SETLINESIZE, 0, FLineSize);
    SendMessageA(FHandle, TBM_SETPAGESIZE, 0, FPageSize);
    SendMessageA(FHandle, TBM_SETPOS, TRUE, FPosition);
}

void TTrackBar::SetMin(int32_t Value)
{
    FMin = Value;
    if (FMax < FMin)
        FMax = FMin;
    ApplyRange();
    ApplyPosition(FPosition);
}

void TTrackBar::SetMax(int32_t Value)
{
    FMax = Value;
    if (FMin > FMax)
        FMin = FMax;
    ApplyRange();
    ApplyPosition(FPosition);
}

void TTrackBar::SetPosition(int32_t Value)
{
    ApplyPosition(Value);
}

void TTrackBar::ApplyPosition(int32_t Value)
{
    Value = std::clamp(Value, FMin, FMax);
    if (Value == FPosition)
        return;
    FPosition = Value;
    if (FHandle)
        SendMessageA(FHandle, TBM_SETPOS, TRUE, FPosition);
    Changed();
}

void TTrackBar::SetFrequency(int32_t Value) { FFrequency = Value < 1 ? 1 : Value; ApplyRange(); }
void TTrackBar::SetLineSize(int32_t Value) { FLineSize = Value < 1 ? 1 : Value; ApplyRange(); }
void TTrackBar::SetPageSize(int32_t Value) { FPageSize = Value < 1 ? 1 : Value; ApplyRange(); }

void TTrackBar::SetOrientation(TOrientation Value)
{
    // The bounds stay as the program set them.
    FOrientation = Value;
    RecreateWnd();
}

void TTrackBar::SetTickMarks(TTickMark Value) { FTickMarks = Value; RecreateWnd(); }
void TTrackBar::SetTickStyle(TTickStyle Value) { FTickStyle = Value; RecreateWnd(); }

void TTrackBar::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TTrackBar::WndProc(TMessage& M)
{
    if (M.Msg == CN_HSCROLL || M.Msg == CN_VSCROLL) {
        if (FHandle) {
            const int32_t V = static_cast<int32_t>(SendMessageA(FHandle, TBM_GETPOS, 0, 0));
            if (V != FPosition && V >= FMin && V <= FMax) {
                FPosition = V;
                Changed();
            }
        }
        M.Result = 0;
        return;
    }
    TWinControl::WndProc(M);
}

// =============================================================================================
// TProgressBar

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(TControlStyle{});
    SetBounds(0, 0, 150, 16);
}

void TProgressBar::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = PROGRESS_CLASSA;
    P.Style &= ~(WS_CLIPCHILDREN | WS_TABSTOP);
    if (FOrientation == orVertical)
        P.Style |= PBS_VERTICAL;
    if (FSmooth)
        P.Style |= PBS_SMOOTH;
}

void TProgressBar::RestoreWindowState() { ApplyRange(); }

void TProgressBar::ApplyRange()
{
    if (!FHandle)
        return;
    SendMessageA(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), static_cast<LPARAM>(FMax));
    SendMessageA(FHandle, PBM_SETSTEP, static_cast<WPARAM>(FStep), 0);
    SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::SetMin(int32_t Value)
{
    FMin = Value;
    if (FMax < FMin)
        FMax = FMin;
    FPosition = std::clamp(FPosition, FMin, FMax);
    ApplyRange();
}

void TProgressBar::SetMax(int32_t Value)
{
    FMax = Value;
    if (FMin > FMax)
        FMin = FMax;
    FPosition = std::clamp(FPosition, FMin, FMax);
    ApplyRange();
}

void TProgressBar::SetPosition(int32_t Value)
{
    FPosition = std::clamp(Value, FMin, FMax);
    if (FHandle)
        SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::SetStep(int32_t Value)
{
    FStep = Value;
    ApplyRange();
}

void TProgressBar::StepIt()
{
    const int64_t V = static_cast<int64_t>(FPosition) + FStep;
    SetPosition(V > FMax ? FMin + static_cast<int32_t>((V - FMax - 1) % (static_cast<int64_t>(FMax) - FMin + 1)) : static_cast<int32_t>(V));
}

void TProgressBar::StepBy(int32_t Delta)
{
    const int64_t V = static_cast<int64_t>(FPosition) + Delta;
    SetPosition(static_cast<int32_t>(std::clamp<int64_t>(V, FMin, FMax)));
}

void TProgressBar::SetOrientation(TOrientation Value)
{
    // The bounds stay as the program set them.
    FOrientation = Value;
    RecreateWnd();
}

void TProgressBar::SetSmooth(bool Value)
{
    FSmooth = Value;
    RecreateWnd();
}
