#include "platform/win/Scrolling.h"

#include <algorithm>
#include <commctrl.h>

#include "platform/rtl/ScopeGuards.h"

namespace {
// The flat scroll bar functions are looked up at run time: not every import library has them.
struct TFlatSB {
    BOOL(WINAPI* Initialize)(HWND) = nullptr;
    BOOL(WINAPI* SetProp)(HWND, UINT, INT_PTR, BOOL) = nullptr;
    int(WINAPI* SetInfo)(HWND, int, LPSCROLLINFO, BOOL) = nullptr;
    BOOL(WINAPI* Show)(HWND, int, BOOL) = nullptr;
    bool Usable() const { return Initialize && SetProp && SetInfo && Show; }
};

const TFlatSB& FlatSB()
{
    static const TFlatSB F = [] {
        TFlatSB R;
        if (HMODULE M = GetModuleHandleA("comctl32.dll")) {
            R.Initialize = reinterpret_cast<decltype(R.Initialize)>(reinterpret_cast<void*>(GetProcAddress(M, "InitializeFlatSB")));
            R.SetProp = reinterpret_cast<decltype(R.SetProp)>(reinterpret_cast<void*>(GetProcAddress(M, "FlatSB_SetScrollProp")));
            R.SetInfo = reinterpret_cast<decltype(R.SetInfo)>(reinterpret_cast<void*>(GetProcAddress(M, "FlatSB_SetScrollInfo")));
            R.Show = reinterpret_cast<decltype(R.Show)>(reinterpret_cast<void*>(GetProcAddress(M, "FlatSB_ShowScrollBar")));
        }
        return R;
    }();
    return F;
}
} // namespace

// =============================================================================================
// TControlScrollBar

void TControlScrollBar::SetRange(int32_t Value)
{
    FRange = Value < 0 ? 0 : Value;
    FControl->UpdateScrollBars();
}

void TControlScrollBar::SetPosition(int32_t Value)
{
    Value = std::clamp(Value, 0, MaxPosition());
    const int32_t Delta = FPosition - Value;
    FPosition = Value;
    if (Delta != 0)
        FControl->ScrollBy(FKind == sbHorizontal ? Delta : 0, FKind == sbVertical ? Delta : 0);
    FControl->ApplyBar(*this);
}

void TControlScrollBar::SetVisible(bool Value)
{
    FVisible = Value;
    FControl->UpdateScrollBars();
}

void TControlScrollBar::SetColor(TColor Value)
{
    FColor = Value;
    FControl->ApplyFlatProps();
}

void TControlScrollBar::SetStyle(TScrollBarStyle Value)
{
    FStyle = Value;
    FControl->ApplyFlatProps();
}

// =============================================================================================
// TScrollingWinControl

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(GetControlStyle() + TControlStyle{csAcceptsControls});
    SetBounds(0, 0, 185, 41);
}

void TScrollingWinControl::SetAutoScroll(bool Value)
{
    FAutoScroll = Value;
    UpdateScrollBars();
}

void TScrollingWinControl::CreateWnd()
{
    TWinControl::CreateWnd();
    FFlat = false;
    ApplyFlatProps();
    UpdateScrollBars();
}

void TScrollingWinControl::ApplyFlatProps()
{
    if (!FHandle)
        return;
    auto Mode = [](TScrollBarStyle S) { return S == ssFlat ? FSB_FLAT_MODE : S == ssHotTrack ? FSB_ENCARTA_MODE : FSB_REGULAR_MODE; };
    const bool Wanted = FHorzScrollBar.FStyle != ssRegular || FVertScrollBar.FStyle != ssRegular ||
                        FHorzScrollBar.FColor != clBtnHighlight || FVertScrollBar.FColor != clBtnHighlight;
    if (!Wanted && !FFlat)
        return;
    // Only the system's flat scroll bars take a colour and a style.
    if (!FFlat)
        FFlat = FlatSB().Usable() && FlatSB().Initialize(FHandle) != FALSE;
    if (!FFlat)
        return;
    FlatSB().SetProp(FHandle, WSB_PROP_HSTYLE, Mode(FHorzScrollBar.FStyle), FALSE);
    FlatSB().SetProp(FHandle, WSB_PROP_VSTYLE, Mode(FVertScrollBar.FStyle), FALSE);
    FlatSB().SetProp(FHandle, WSB_PROP_HBKGCOLOR, ColorToRGB(FHorzScrollBar.FColor), FALSE);
    FlatSB().SetProp(FHandle, WSB_PROP_VBKGCOLOR, ColorToRGB(FVertScrollBar.FColor), TRUE);
    ApplyBar(FHorzScrollBar);
    ApplyBar(FVertScrollBar);
}

void TScrollingWinControl::ApplyBar(TControlScrollBar& Bar)
{
    if (!FHandle)
        return;
    const int Which = Bar.FKind == sbHorizontal ? SB_HORZ : SB_VERT;
    SCROLLINFO SI{};
    SI.cbSize = sizeof(SI);
    SI.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (Bar.FShown) {
        SI.nMax = Bar.FRange - 1;
        SI.nPage = static_cast<UINT>(std::max<int32_t>(Bar.FPage, 0));
        SI.nPos = Bar.FPosition;
    }
    // A hidden bar gets an empty range first: a scrollable range would show it again.
    const bool Shown = (GetWindowLongA(FHandle, GWL_STYLE) & (Which == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) != 0;
    if (FFlat) {
        FlatSB().SetInfo(FHandle, Which, &SI, TRUE);
        if (Shown != Bar.FShown)
            FlatSB().Show(FHandle, Which, Bar.FShown);
    } else {
        SetScrollInfo(FHandle, Which, &SI, TRUE);
        if (Shown != Bar.FShown)
            ShowScrollBar(FHandle, Which, Bar.FShown);
    }
    // Some systems leave the flat functions empty: the plain bar must still follow.
    const bool Now = (GetWindowLongA(FHandle, GWL_STYLE) & (Which == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) != 0;
    if (Now != Bar.FShown) {
        SetScrollInfo(FHandle, Which, &SI, TRUE);
        ShowScrollBar(FHandle, Which, Bar.FShown);
    }
}

void TScrollingWinControl::UpdateScrollBars()
{
    if (FUpdating || FScrolling)
        return;
    {
        TFlagScope Updating(FUpdating);
        int32_t CW = GetWidth(), CH = GetHeight();
        if (FHandle) {
            RECT R;
            ::GetClientRect(FHandle, &R);
            CW = R.right;
            CH = R.bottom;
            const LONG Style = GetWindowLongA(FHandle, GWL_STYLE);
            if (Style & WS_VSCROLL)
                CW += GetSystemMetrics(SM_CXVSCROLL);
            if (Style & WS_HSCROLL)
                CH += GetSystemMetrics(SM_CYHSCROLL);
        }
        if (FAutoScroll) {
            // The children's extent, measured from the unscrolled origin.
            int32_t MaxX = 0, MaxY = 0;
            for (int32_t I = 0; I < GetControlCount(); ++I) {
                TControl* C = GetControls(I);
                if (!C->GetVisible())
                    continue;
                const TAlign A = C->GetAlign();
                if (A == alNone || A == alLeft || A == alRight)
                    MaxX = std::max(MaxX, C->GetLeft() + C->GetWidth() + FHorzScrollBar.FPosition);
                if (A == alNone || A == alTop || A == alBottom)
                    MaxY = std::max(MaxY, C->GetTop() + C->GetHeight() + FVertScrollBar.FPosition);
            }
            FHorzScrollBar.FRange = MaxX;
            FVertScrollBar.FRange = MaxY;
        }
        // Each bar takes room from the other's client size: settle it in two rounds.
        bool H = false, V = false;
        const int32_t BX = GetSystemMetrics(SM_CXVSCROLL), BY = GetSystemMetrics(SM_CYHSCROLL);
        for (int Round = 0; Round < 3; ++Round) {
            const bool NewH = FHorzScrollBar.FVisible && FHorzScrollBar.FRange > CW - (V ? BX : 0);
            const bool NewV = FVertScrollBar.FVisible && FVertScrollBar.FRange > CH - (H ? BY : 0);
            H = NewH;
            V = NewV;
        }
        FHorzScrollBar.FShown = H;
        FVertScrollBar.FShown = V;
        FHorzScrollBar.FPage = std::max<int32_t>(CW - (V ? BX : 0), 0);
        FVertScrollBar.FPage = std::max<int32_t>(CH - (H ? BY : 0), 0);
        ApplyBar(FHorzScrollBar);
        ApplyBar(FVertScrollBar);
    }
    // Positions beyond the new ranges come back (the children move with them).
    FHorzScrollBar.SetPosition(FHorzScrollBar.FPosition);
    FVertScrollBar.SetPosition(FVertScrollBar.FPosition);
}

void TScrollingWinControl::AlignControls(TRect& Rect)
{
    TWinControl::AlignControls(Rect);
    UpdateScrollBars();
}

void TScrollingWinControl::ChildLayoutChanged(TControl* Child)
{
    (void)Child;
    if (FAutoScroll)
        UpdateScrollBars();
}

void TScrollingWinControl::ScrollBy(int32_t DX, int32_t DY)
{
    if (DX == 0 && DY == 0)
        return;
    std::vector<std::pair<TControl*, TPoint>> Targets;
    for (int32_t I = 0; I < GetControlCount(); ++I) {
        TControl* C = GetControls(I);
        Targets.emplace_back(C, Point(C->GetLeft() + DX, C->GetTop() + DY));
    }
    TFlagScope Scrolling(FScrolling);
    if (FHandle)
        ScrollWindowEx(FHandle, DX, DY, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    // The system moved the child windows (their objects may already know); windowless
    // children move here. Setting a place a window already has changes nothing.
    for (auto& [C, P] : Targets)
        C->SetBounds(P.x, P.y, C->GetWidth(), C->GetHeight());
}

void TScrollingWinControl::ScrollInView(TControl* AControl)
{
    if (!AControl || AControl->GetParent() != this)
        return;
    auto Fit = [](TControlScrollBar& Bar, int32_t Start, int32_t Size) {
        // Start and Size in client coordinates; the page is what shows.
        if (Start < 0)
            Bar.SetPosition(Bar.GetPosition() + Start);
        else if (Start + Size > Bar.GetPageSize())
            Bar.SetPosition(Bar.GetPosition() + std::min(Start, Start + Size - Bar.GetPageSize()));
    };
    Fit(FHorzScrollBar, AControl->GetLeft(), AControl->GetWidth());
    Fit(FVertScrollBar, AControl->GetTop(), AControl->GetHeight());
}

void TScrollingWinControl::ScrollMessage(TControlScrollBar& Bar, WPARAM WParam)
{
    int32_t P = Bar.FPosition;
    switch (LOWORD(WParam)) {
    case SB_LINEUP: P -= Bar.FIncrement; break;
    case SB_LINEDOWN: P += Bar.FIncrement; break;
    case SB_PAGEUP: P -= std::max<int32_t>(Bar.FPage, 1); break;
    case SB_PAGEDOWN: P += std::max<int32_t>(Bar.FPage, 1); break;
    case SB_TOP: P = 0; break;
    case SB_BOTTOM: P = Bar.FRange; break;
    case SB_THUMBTRACK:
        if (!Bar.FTracking)
            return; // the position follows when the thumb is let go
        [[fallthrough]];
    case SB_THUMBPOSITION:
        P = HIWORD(WParam);
        if (Bar.FRange > 0xFFFF && FHandle) {
            // The message carries 16 bits only; the bar knows the whole position.
            SCROLLINFO SI{};
            SI.cbSize = sizeof(SI);
            SI.fMask = SIF_TRACKPOS;
            if (GetScrollInfo(FHandle, Bar.FKind == sbHorizontal ? SB_HORZ : SB_VERT, &SI))
                P = SI.nTrackPos;
        }
        break;
    default:
        return;
    }
    Bar.SetPosition(P);
}

void TScrollingWinControl::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (M.LParam == 0) { // our own bars; a child control's come reflected
            ScrollMessage(M.Msg == WM_HSCROLL ? FHorzScrollBar : FVertScrollBar, M.WParam);
            if (FHandle)
                UpdateWindow(FHandle);
            M.Result = 0;
            return;
        }
        break;
    case WM_SIZE:
        TWinControl::WndProc(M);
        UpdateScrollBars();
        return;
    default:
        break;
    }
    TWinControl::WndProc(M);
}

// =============================================================================================
// TScrollBox

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner)
{
    SetTabStop(false);
    SetBounds(0, 0, 185, 41);
}

void TScrollBox::CreateParams(TCreateParams& P)
{
    TScrollingWinControl::CreateParams(P);
    P.ExStyle |= WS_EX_CLIENTEDGE;
}
