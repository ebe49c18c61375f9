#include "commandbars/windows/cbBarControl.h"

#include <algorithm>

#include <windowsx.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/input/cbBarDrag.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbShadow.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"
#include "platform/win/Screen.h"
#include "platform/win/ScreenDC.h"

namespace {

TCustomcbBarControl* gActiveBar = nullptr;
// Whether the manager was customizing when the active chain began.
bool gChainCustomizing = false;

TPoint CursorPos()
{
    POINT P{};
    GetCursorPos(&P);
    return TPoint{P.x, P.y};
}

int32_t TextHeightOf(HFONT Font)
{
    TScreenDC Screen;
    HGDIOBJ Old = Font ? SelectObject(Screen, Font) : nullptr;
    SIZE S{};
    GetTextExtentPoint32A(Screen, "0", 1, &S);
    if (Old)
        SelectObject(Screen, Old);
    return S.cy;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TCustomcbBarControl::TCustomcbBarControl(TcbBarManager* AOwner) :
    TCustomControl(AOwner), FBackgroundCache(std::make_unique<TBitmap>())
{
    RegisterBarControl(this);
    TControlStyle Style = GetControlStyle();
    Style.Exclude(csCaptureMouse);
    Style.Exclude(csDoubleClicks);
    if (AOwner && (AOwner->GetRealStyle() != bmsStandard || AOwner->IsCustomizing()))
        Style.Include(csDoubleClicks);
    SetControlStyle(Style);
    SetColor(clBtnFace);
    FShadow = std::make_unique<TcbBarShadow>(this);
    SetVisible(false);
    SetBounds(100, 100, 50, 30);
}

TCustomcbBarControl::~TCustomcbBarControl()
{
    LeaveForDestruction();
    // The controls go with the window; a window that never had one has them anyway.
    if (HandleAllocated())
        DestroyHandle();
    else
        DestroyControls();
    if (FItemLinks) {
        FItemLinks->SetBarControl(nullptr);
        FItemLinks = nullptr;
    }
    if (FParentBar && IsLiveBarControl(FParentBar) && FParentBar->FChildBar == this)
        FParentBar->FChildBar = nullptr;
    if (FChildBar && IsLiveBarControl(FChildBar) && FChildBar->FParentBar == this)
        FChildBar->FParentBar = nullptr;
    for (TCustomcbBarControl* Bar : RegisteredBarControls())
        if (Bar->FPrevActive == this)
            Bar->FPrevActive = FPrevActive;
    if (gActiveBar == this)
        gActiveBar = nullptr;
    UnregisterBarControl(this);
}

// The steps of a window's end that depend on its kind (leaving the menu or keyboard mode, the
// customizing selection handed back by a menu). They call virtual operations, so the derived
// destructors run them first, while their own parts still stand: from the base destructor
// they would reach only the base versions. Runs once.
void TCustomcbBarControl::LeaveForDestruction()
{
    if (FLeftForDestruction)
        return;
    FLeftForDestruction = true;
    FDestroying = true;
    if (GetKind() == bwkToolbar)
        HideAll();
    else
        SetIsActive(false);
    if (TcbBarManager* Manager = GetBarManager()) {
        TcbBarItemControl* Selected = Manager->GetSelectedItemControl();
        if (Selected && IsLiveItemControl(Selected) && Selected->GetBarControl() == this)
            Manager->SetSelectedItemControl(nullptr);
        // A customizing menu hands the selection back to the control that opened it.
        TcbBarItemControl* Opener = FOpeningControl;
        if (GetKind() == bwkMenu && IsCustomizing() && Opener && IsLiveItemControl(Opener)) {
            FOpeningControl = nullptr;
            Manager->SetSelectedItemControl(Opener);
            if (auto* Button = dynamic_cast<TcbBarButtonControl*>(Opener))
                Button->CloseDropDownState();
            Opener->Repaint();
        }
    }
}

TcbBarManager* TCustomcbBarControl::GetBarManager() const
{
    return static_cast<TcbBarManager*>(GetOwner());
}

TcbPainterClass TCustomcbBarControl::GetPainter() const
{
    TcbBarManager* Manager = GetBarManager();
    return Manager && Manager->GetPainterClass() ? Manager->GetPainterClass() : BasePainter();
}

HBRUSH TCustomcbBarControl::GetBkBrush() const
{
    return GetBarBrush();
}

TPoint TCustomcbBarControl::ClientPointToScreen(TPoint P) const
{
    POINT Q{P.x, P.y};
    if (HandleAllocated())
        ::ClientToScreen(FHandle, &Q);
    return TPoint{Q.x, Q.y};
}

TRect TCustomcbBarControl::GetParentItemEdgeRect() const
{
    if (IsRectEmpty(&FParentItemRect) || !HandleAllocated())
        return {};
    RECT W{};
    ::GetWindowRect(FHandle, &W);
    const TRect& P = FParentItemRect;
    // The one-pixel line of the window's edge along the side the item touches, short of the
    // item's own two corners, so that the item's sides run on into the window's frame.
    TRect Edge{};
    if (P.bottom == W.top || P.top == W.bottom) {
        const int32_t Y = P.bottom == W.top ? W.top : W.bottom - 1;
        Edge = Rect(std::max<int32_t>(P.left, W.left) + 1, Y, std::min<int32_t>(P.right, W.right) - 1, Y + 1);
    } else if (P.right == W.left || P.left == W.right) {
        const int32_t X = P.right == W.left ? W.left : W.right - 1;
        Edge = Rect(X, std::max<int32_t>(P.top, W.top) + 1, X + 1, std::min<int32_t>(P.bottom, W.bottom) - 1);
    }
    // Not touching (the window had to go elsewhere on the screen), or too short for a line.
    if (Edge.right <= Edge.left || Edge.bottom <= Edge.top)
        return {};
    OffsetRect(&Edge, -W.left, -W.top);
    return Edge;
}

void TCustomcbBarControl::SetParentItem(const TRect& ScreenRect, TWinControl* Window)
{
    FParentItemRect = ScreenRect;
    FParentItemWindow = Window;
}

void TCustomcbBarControl::SetItemLinks(TcbBarItemLinks* Value)
{
    if (Value == FItemLinks)
        return;
    if (HandleAllocated())
        DestroyControls();
    if (FItemLinks)
        FItemLinks->SetBarControl(nullptr);
    FItemLinks = Value;
    if (FItemLinks) {
        FItemLinks->SetBarControl(this);
        if (HandleAllocated())
            CreateControls();
    }
}

HWND TCustomcbBarControl::GetHandle() const
{
    return const_cast<TCustomcbBarControl*>(this)->TWinControl::GetHandle();
}

// ---------------------------------------------------------------------------------------------
// Virtual operations

void TCustomcbBarControl::CreateControls()
{
    if (!FItemLinks)
        return;
    for (int32_t I = 0; I < FItemLinks->GetVisibleItemCount(); ++I) {
        TcbBarItemLink* Link = FItemLinks->GetVisibleItem(I);
        Link->CreateControl();
    }
}

void TCustomcbBarControl::DestroyControls()
{
    if (!FItemLinks)
        return;
    TFlagScope Ignore(FIgnoreMouse);
    for (int32_t I = 0; I < FItemLinks->GetCount(); ++I)
        FItemLinks->GetItem(I)->DestroyControl();
    FSelectedControl = nullptr;
    FPressedControl = nullptr;
}

void TCustomcbBarControl::CalcDrawingConsts()
{
    // The window's own font gives the row height; the bar's font (the same unless the bar has
    // one of its own) the edit height and the combo button.
    FRowHeight = TextHeightOf(GetFont()->GetHandle()) + 6;
    FSpacingUnit = std::max(FRowHeight / 5, 4);
    const int32_t Text = TextHeightOf(GetFontHandle());
    FEditHeight = GetPainter()->GetEditHeight(Text);
    FComboButtonWidth = GetPainter()->GetComboButtonWidth(Text / 2 + 1);
}

bool TCustomcbBarControl::IsLastItemControl(const TcbBarItemControl*) const
{
    return false;
}

bool TCustomcbBarControl::HasNonFlatFrame() const
{
    return true;
}

bool TCustomcbBarControl::CanCustomize() const
{
    TcbBarManager* Manager = GetBarManager();
    return Manager && (Manager->IsDesigning() || Manager->IsCustomizing());
}

bool TCustomcbBarControl::IsBackgroundShared() const
{
    return GetPainter()->IsBarBackgroundShared();
}

HFONT TCustomcbBarControl::GetFontHandle() const
{
    TcbBarManager* Manager = GetBarManager();
    return Manager && Manager->GetFont() ? Manager->GetFont()->GetHandle() : nullptr;
}

TRect TCustomcbBarControl::GetItemRect(const TcbBarItemControl* Control) const
{
    return Control && Control->GetLink() ? Control->GetLink()->GetItemRect() : TRect{};
}

bool TCustomcbBarControl::IsCustomizing() const
{
    TcbBarManager* Manager = GetBarManager();
    return Manager && Manager->IsCustomizingOrDesigning();
}

bool TCustomcbBarControl::IsShadowVisible() const
{
    return GetPainter()->IsFloatingBarFlat(this) && GetVisible();
}

TRect TCustomcbBarControl::GetItemRectWithBeginGroup(const TcbBarItemControl* Control) const
{
    return Control && Control->GetLink() ? Control->GetLink()->GetItemRectWithBeginGroup() : TRect{};
}

HRGN TCustomcbBarControl::CreateItemRgn(const TcbBarItemControl* Control) const
{
    TRect R = GetItemRectWithBeginGroup(Control);
    if (IsRectEmpty(&R))
        R = GetItemRect(Control);
    return CreateRectRgn(R.left, R.top, R.right, R.bottom);
}

TWinControl* TCustomcbBarControl::GetParentItemWindow() const
{
    return IsRectEmpty(&FParentItemRect) ? nullptr : FParentItemWindow;
}

HBRUSH TCustomcbBarControl::GetBarBrush() const
{
    return GetPainter()->GetBarBrush(GetBarManager());
}

HBRUSH TCustomcbBarControl::GetCheckedItemBrush() const
{
    return GetPainter()->GetCheckedItemBrush(GetBarManager());
}

HBRUSH TCustomcbBarControl::GetItemBrush() const
{
    return GetPainter()->GetItemBrush(GetBarManager());
}

HBRUSH TCustomcbBarControl::GetSelectedItemBrush() const
{
    return GetPainter()->GetSelectedItemBrush(GetBarManager());
}

HBRUSH TCustomcbBarControl::GetCachedBarBrush() const
{
    if (!FCachedBarBrush)
        FCachedBarBrush = GetBarBrush();
    return FCachedBarBrush;
}

bool TCustomcbBarControl::IsPopup() const
{
    return false;
}

bool TCustomcbBarControl::IsAncestorOf(const TCustomcbBarControl* Other) const
{
    for (const TCustomcbBarControl* P = Other ? Other->FParentBar : nullptr; P; P = P->FParentBar)
        if (P == this)
            return true;
    return false;
}

bool TCustomcbBarControl::IsAttachedToParentItem() const
{
    if (IsRectEmpty(&FParentItemRect))
        return false;
    const TRect W = GetWindowRect();
    const TRect& P = FParentItemRect;
    const bool HorizontalOverlap = P.left < W.right && P.right > W.left;
    const bool VerticalOverlap = P.top < W.bottom && P.bottom > W.top;
    return ((P.bottom == W.top || P.top == W.bottom) && HorizontalOverlap) ||
        ((P.right == W.left || P.left == W.right) && VerticalOverlap);
}

TcbBarItemControl* TCustomcbBarControl::GetDropControlAtPos(TPoint P, bool& Vertical, bool& Outside,
                                                            bool& Leading) const
{
    Vertical = IsVerticalToolbar() || GetKind() == bwkMenu;
    Outside = false;
    Leading = false;
    if (!FItemLinks)
        return nullptr;
    for (int32_t I = 0; I < FItemLinks->GetShownItemCount(); ++I) {
        TcbBarItemControl* Control = FItemLinks->GetShownItem(I)->GetControl();
        if (!Control || !Control->IsCustomizable())
            continue;
        HRGN Rgn = CreateItemRgn(Control);
        const bool Hit = PtInRegion(Rgn, P.x, P.y);
        DeleteObject(Rgn);
        if (!Hit)
            continue;
        const TRect R = GetItemRect(Control);
        Outside = !cbInRect(R, P);
        if (Outside && P.y < R.top)
            Vertical = true;
        Leading = Vertical ? P.y - R.top < R.bottom - P.y : P.x - R.left < R.right - P.x;
        return Control;
    }
    return nullptr;
}

bool TCustomcbBarControl::IsMarkVisible() const
{
    return false;
}

bool TCustomcbBarControl::IgnoresMouseMove() const
{
    if (IsCustomizing())
        return true;
    const TPoint P = CursorPos();
    return P.x == FLastMousePos.x && P.y == FLastMousePos.y;
}

void TCustomcbBarControl::RepaintItemControl(TcbBarItemControl*)
{
    FCachedBarBrush = GetBarBrush();
}

// Draws the change of selection: the control that lost it and the one that gained it, whatever
// the invalidate-only flag says. Each control's Repaint goes through RepaintItemControl, which
// draws at once or only invalidates as that flag asks; either way the change is drawn.
void TCustomcbBarControl::SelectedControlChanged(TcbBarItemControl* Old)
{
    if (FIgnoreMouse)
        return;
    if (Old && IsLiveItemControl(Old) && !Old->IsItemDestroying())
        Old->Repaint();
    if (FSelectedControl)
        FSelectedControl->Repaint();
}

void TCustomcbBarControl::SetDockingStyle(TcbBarDockingStyle Value)
{
    if (Value == FDockingStyle)
        return;
    FDockingStyle = Value;
    ResetBackgroundCache();
    if (HandleAllocated())
        SendMessageA(FHandle, CM_FONTCHANGED, 0, 0);
    UpdateAlphaBlend();
}

void TCustomcbBarControl::SetIsActive(bool Value)
{
    if (TcbBarManager* Manager = GetBarManager())
        Manager->ActivateHint(false, "");
    if (Value == FActive)
        return;
    TcbBarManager* Manager = GetBarManager();
    if (Value) {
        if (!gActiveBar)
            gChainCustomizing = Manager && Manager->IsCustomizing();
        FPrevActive = gActiveBar;
        gActiveBar = this;
        FActive = true;
        if (FItemLinks && !IsCustomizing()) {
            // The actions' state (Enabled above all) is brought up to date first.
            for (int32_t I = 0; I < FItemLinks->GetCount(); ++I)
                if (TcbBarItem* Item = FItemLinks->GetItem(I)->GetItem(); Item && Item->GetAction())
                    Item->GetAction()->Update();
        }
    } else {
        if (IsCustomizing())
            FSelectedControl = nullptr;
        else
            SelectControlByKeyboard(nullptr);
        FActive = false;
        if (gActiveBar == this) {
            gActiveBar = FPrevActive;
            if (gActiveBar && (!IsLiveBarControl(gActiveBar) || !gActiveBar->FActive))
                gActiveBar = nullptr;
        }
        FPrevActive = nullptr;
    }
}

void TCustomcbBarControl::SelectControlByKeyboard(TcbBarItemControl* Control)
{
    if (Control == FSelectedControl)
        return;
    if (FSelectedControl && FSelectedControl->GetActiveFlag()) {
        TcbBarItemControl* Old = FSelectedControl;
        Old->ControlInactivate(true);
        if (!IsLiveBarControl(this) || (Control && !IsLiveItemControl(Control)))
            return;
    }
    if (IsLiveBarControl(this)) {
        if (auto* SubItem = dynamic_cast<TcbBarSubItemControl*>(Control))
            SubItem->SetOpenedByMouse(false);
        if (Control)
            Control->SetSelectedByMouse(false);
        SetSelectedControl(Control);
    }
}

void TCustomcbBarControl::UpdateAlphaBlend() {}

void TCustomcbBarControl::SelectControlByMouse(TcbBarItemControl* Control)
{
    if (!HandleAllocated() || Control == FSelectedControl)
        return;
    if (auto* Win = dynamic_cast<TcbBarWinControl*>(FSelectedControl); Win && Win->IsEditing())
        return;
    if (FSelectedControl && FSelectedControl->GetActiveFlag()) {
        FSelectedControl->ControlInactivate(false);
        if (!IsLiveBarControl(this) || (Control && !IsLiveItemControl(Control)))
            return;
    }
    if (Control)
        Control->SetSelectedByMouse(true);
    SetSelectedControl(Control);
    if (!IsLiveBarControl(this) || !FSelectedControl)
        return;
    TcbBarItemControl* Selected = FSelectedControl;
    auto* SubItem = dynamic_cast<TcbBarSubItemControl*>(Selected);
    TcbBarManager* Manager = GetBarManager();
    bool Activate = true;
    if (SubItem && IsCustomizing() && Manager && Manager->GetDraggingItem())
        Activate = SubItem->GetSubItem()->CanContainItem(Manager->GetDraggingItem());
    if (Activate)
        Selected->ControlActivate(false);
    if (SubItem && IsLiveItemControl(SubItem))
        SubItem->SetOpenedByMouse(true);
}

void TCustomcbBarControl::SetSelectedControl(TcbBarItemControl* Control)
{
    if (Control == FSelectedControl)
        return;
    TcbBarItemControl* Old = FSelectedControl;
    // An open "More Buttons" window of another toolbar closes a moment after a control of
    // another window is selected.
    if (Control) {
        TCustomcbBarControl* Quick = cbCallExtension(cbExtensions().GetOpenQuickControl);
        if (Quick && Quick != this && !Quick->IsActiveBar())
            cbCallExtension(cbExtensions().StartQuickCloseTimer);
    }
    FSelectedControl = Control;
    TcbBarManager* Manager = GetBarManager();
    if (IsCustomizing()) {
        if (Manager)
            Manager->SetSelectedItemControl(Control);
        if (!IsLiveBarControl(this))
            return;
    } else if (Manager) {
        Manager->SetSelectedItemControl(Control);
    }
    SelectedControlChanged(Old);
    FLastMousePos = CursorPos();
    if (!Control)
        SetCursor(crDefault);
    // The selected control's hint: an empty text asks for it. Leaving every control hides the
    // hint (a hot mark keeps its own) and lets the next control's hint show at once.
    if (Manager && !(!Control && GetKind() != bwkMenu && FMarkState != bstNormal))
        Manager->ActivateHint(true, std::string());
    std::string Hint;
    if (Control && (Control->GetEnabled() || (Manager && Manager->GetShowHintForDisabledItems())))
        Hint = TControl::GetLongHint(Control->GetHint());
    SetHint(Hint);
    // The windows of a popup menu are nobody's controls: the application's hint follows them.
    const TCustomcbBarControl* Root = this;
    for (int32_t Guard = 0; Root->FParentBar && Guard < 64; ++Guard)
        Root = Root->FParentBar;
    if (Root->FItemLinks && dynamic_cast<TcbBarPopupMenu*>(Root->FItemLinks->GetOwner()))
        if (TApplicationUI* UI = AppUI())
            UI->SetHint(Hint);
}

void TCustomcbBarControl::FillBackgroundEx(HDC DC, TRect R, bool InClient, TColor Color, HBRUSH Brush)
{
    if (InClient) {
        const TPoint Offset = GetClientOffset();
        OffsetRect(&R, Offset.x, Offset.y);
    }
    if (FDockControl)
        GetPainter()->DrawParentBarBackground(this, DC, R);
    else
        GetPainter()->DrawBarBackground(this, DC, R, Brush ? Brush : GetCachedBarBrush(), Color);
}

bool TCustomcbBarControl::IsPainterBackgroundFill(HDC DC, HBRUSH Brush) const
{
    if (FPainterFills > 0 || !DC || DC != GetCanvasDC())
        return false;
    TcbPainterClass Painter = GetPainter();
    if (!Painter->IsItemBackgroundTransparent() || !Painter->IsBarBackgroundShared())
        return false;
    return !Brush || Brush == GetBkBrush() || Brush == GetBarBrush() || Brush == GetCachedBarBrush();
}

void TCustomcbBarControl::FillBackground(HDC DC, const TRect& R, HBRUSH Brush, TColor Color) const
{
    auto* Self = const_cast<TCustomcbBarControl*>(this);
    if (Color != clNone) {
        HBRUSH B = CreateSolidBrush(ColorToRGB(Color));
        FillRect(DC, &R, B);
        DeleteObject(B);
        return;
    }
    // An item's background handed over with the bar's own brush shows the bar's background
    // where the painter draws items over it (the Office11 gradient); a brush of its own, or a
    // fill asked for while the painter paints, is filled as given.
    if (Brush && !IsPainterBackgroundFill(DC, Brush)) {
        FillRect(DC, &R, cbResolveBrush(Brush));
        return;
    }
    ++FPainterFills;
    TScopeExit Done([this] { --FPainterFills; });
    Self->FillBackgroundEx(DC, R, false, clNone, nullptr);
}

void TCustomcbBarControl::FillBackgroundInRgn(HDC DC, HRGN Rgn)
{
    HRGN Saved = nullptr;
    bool HadRgn = false;
    SaveClipRgn(DC, Saved, HadRgn);
    ExtSelectClipRgn(DC, Rgn, RGN_AND);
    TRect W = GetWindowRect();
    OffsetRect(&W, -W.left, -W.top);
    FillBackgroundEx(DC, W, false, clNone, nullptr);
    RestoreClipRgn(DC, Saved, HadRgn);
}

bool TCustomcbBarControl::IsQuickCustomizingMenu() const
{
    return FItemLinks && FItemLinks->GetOwner() && FItemLinks->GetOwner()->ClassName() == "TcbBarQuickSubItem";
}

bool TCustomcbBarControl::HasBackgroundBitmap() const
{
    return false;
}

bool TCustomcbBarControl::HasCustomBackground() const
{
    return false;
}

TPoint TCustomcbBarControl::GetClientOffset() const
{
    return TPoint{0, 0};
}

void TCustomcbBarControl::ResetBackgroundCache()
{
    FBackgroundCache->SetSize(0, 0);
}

void TCustomcbBarControl::UpdateCustomBackgroundFlag()
{
    FCustomBackground = HasCustomBackground();
}

void TCustomcbBarControl::HideAll()
{
    TCustomcbBarControl* Parent = FParentBar;
    SetIsActive(false);
    if (IsLiveBarControl(this) && Parent && IsLiveBarControl(Parent))
        Parent->HideAll();
}

void TCustomcbBarControl::RebuildBar() {}

// ---------------------------------------------------------------------------------------------
// The view's rest

TRect TCustomcbBarControl::GetClientRect() const
{
    return cbClientRectOr(HandleAllocated() ? FHandle : nullptr, GetWidth(), GetHeight());
}

TRect TCustomcbBarControl::GetWindowRect() const
{
    RECT R{};
    if (HandleAllocated())
        ::GetWindowRect(FHandle, &R);
    return R;
}

bool TCustomcbBarControl::IsBorderless() const
{
    return GetBar() && GetBar()->GetBorderStyle() == bbsNone;
}

bool TCustomcbBarControl::IsOwnerFormActive() const
{
    TcbBarManager* Manager = GetBarManager();
    return Manager && Manager->IsActive();
}

int32_t TCustomcbBarControl::GetItemControlCount() const
{
    return FItemLinks ? FItemLinks->GetShownItemCount() : 0;
}

const IcbItemControlView* TCustomcbBarControl::GetItemControl(int32_t Index) const
{
    if (!FItemLinks || Index < 0 || Index >= FItemLinks->GetShownItemCount())
        return nullptr;
    return FItemLinks->GetShownItem(Index)->GetControl();
}

TCustomcbBarControl* TCustomcbBarControl::ActiveBarControl()
{
    return gActiveBar;
}

const std::vector<TCustomcbBarControl*>& TCustomcbBarControl::LiveBarControls()
{
    return RegisteredBarControls();
}

bool TCustomcbBarControl::IsLiveBarControl(const void* Object)
{
    return IsBarControl(Object);
}

void TCustomcbBarControl::ControlGoing(TcbBarItemControl* Control)
{
    if (FPressedControl == Control)
        FPressedControl = nullptr;
    if (FOpeningControl == Control)
        FOpeningControl = nullptr;
    if (FSelectedControl != Control)
        return;
    const bool Shown = Control->GetLink() && FItemLinks && FItemLinks->IndexOfShown(Control->GetLink()) >= 0;
    if (!FDestroying && !IsCustomizing() && Shown && !FIgnoreMouse)
        SetSelectedControl(nullptr);
    else
        FSelectedControl = nullptr;
}

TcbBarItemControl* TCustomcbBarControl::ControlAtPos(TPoint P) const
{
    if (!FItemLinks || (IsCustomizing() && !CanCustomize()))
        return nullptr;
    for (int32_t I = 0; I < FItemLinks->GetShownItemCount(); ++I) {
        TcbBarItemLink* Link = FItemLinks->GetShownItem(I);
        if (Link->GetControl() && cbInRect(Link->GetItemRect(), P))
            return Link->GetControl();
    }
    return nullptr;
}

bool TCustomcbBarControl::IsVerticalToolbar() const
{
    return GetKind() == bwkToolbar && (FDockingStyle == dsLeft || FDockingStyle == dsRight);
}

// ---------------------------------------------------------------------------------------------
// The window

void TCustomcbBarControl::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    Params.ClassStyle = GetControlStyle().Contains(csDoubleClicks) ? CS_DBLCLKS : 0;
}

void TCustomcbBarControl::CreateWnd()
{
    TCustomControl::CreateWnd();
    AssignFont();
    CalcDrawingConsts();
}

void TCustomcbBarControl::CreateWindowHandle(const TCreateParams& Params)
{
    TCustomControl::CreateWindowHandle(Params);
    CreateControls();
    UpdateAlphaBlend();
}

void TCustomcbBarControl::DestroyWindowHandle()
{
    if (HandleAllocated())
        TellControlsWindowGoes();
    DestroyControls();
    TCustomControl::DestroyWindowHandle();
}

void TCustomcbBarControl::TellControlsWindowGoes()
{
    if (!FItemLinks)
        return;
    for (int32_t I = 0; I < FItemLinks->GetCount(); ++I)
        if (TcbBarItemControl* Control = FItemLinks->GetItem(I)->GetControl())
            Control->BarWindowDestroying();
}

void TCustomcbBarControl::PaintWindow(HDC DC)
{
    FCanvasDC = DC;
    TScopeExit Clear([this] { FCanvasDC = nullptr; });
    FCachedBarBrush = GetBarBrush();
    PaintBar(DC);
}

void TCustomcbBarControl::FocusAway()
{
    TcbBarManager* Manager = GetBarManager();
    TCustomForm* Form = Manager ? Manager->GetOwnerForm() : nullptr;
    if (IsCustomizing()) {
        if (TCustomForm* Dialog = cbCallExtension(cbExtensions().GetCustomizingForm)) {
            SetWindowPos(FHandle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            ::SetFocus(Dialog->GetHandle());
            SetWindowPos(FHandle, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            return;
        }
    }
    if (!Form || !Form->HandleAllocated())
        return;
    HWND Target = Form->GetHandle();
    if (!IsWindowVisible(Target)) {
        Target = ::GetWindow(Target, GW_HWNDNEXT);
        // The next window may be another program's: the focus then stays where it is.
        if (!Target || GetWindowThreadProcessId(Target, nullptr) != GetCurrentThreadId())
            return;
    }
    ::SetFocus(Target);
}

void TCustomcbBarControl::WndProc(TMessage& M)
{
    TcbFrameworkEntry Entry;
    switch (M.Msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        HDC DC = reinterpret_cast<HDC>(M.WParam);
        SetTextColor(DC, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(DC, GetSysColor(COLOR_WINDOW));
        M.Result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        return;
    }
    case WM_KILLFOCUS:
        if (!M.WParam) {
            TCustomControl::WndProc(M);
            HideAll();
            return;
        }
        break;
    case WM_NCACTIVATE:
        if (M.WParam == 1 && !IsCustomizing() && HandleAllocated())
            if (HWND Parent = ::GetParent(FHandle))
                SendMessageA(Parent, WM_NCACTIVATE, 1, 0);
        M.WParam = 1;
        break;
    case WM_SETFOCUS:
        if (!dynamic_cast<TcbBarWinControl*>(FSelectedControl)) {
            FocusAway();
            return;
        }
        break;
    default:
        if ((M.Msg >= WM_MOUSEFIRST && M.Msg <= WM_MOUSELAST) || (M.Msg >= 160 && M.Msg <= 169)) {
            if (gActiveBar && gActiveBar != this && !IsAncestorOf(gActiveBar))
                return;
        }
        break;
    }

    switch (M.Msg) {
    case WM_CAPTURECHANGED:
        TCustomControl::WndProc(M);
        if (FDragPending) {
            FDragPending = false;
            if (TcbBarManager* Manager = GetBarManager()) {
                Manager->SetDraggingItem(nullptr);
                Manager->SetDraggingItemLink(nullptr);
            }
        }
        FPressedControl = nullptr;
        return;
    case WM_DESTROY:
        if (!FDestroying) {
            StopTrackMouseLeave(FHandle);
            SetMarkState(bstNormal);
            TellControlsWindowGoes();
        }
        TCustomControl::WndProc(M);
        return;
    case WM_ERASEBKGND:
        M.Result = 1;
        return;
    case WM_KEYDOWN:
        TCustomControl::WndProc(M);
        if (gActiveBar)
            KeyNavigation(static_cast<uint16_t>(M.WParam));
        return;
    case WM_LBUTTONDBLCLK:
        HandleDblClick(M);
        return;
    case WM_LBUTTONDOWN:
        HandleButtonDown(M);
        return;
    case WM_LBUTTONUP:
        HandleButtonUp(M);
        return;
    case WM_MOUSEACTIVATE:
        M.Result = MA_NOACTIVATE;
        return;
    case WM_MOUSELEAVE: {
        if (FMarkState == bstHot)
            SetMarkState(bstNormal);
        TCustomControl::WndProc(M);
        auto* Button = dynamic_cast<TcbBarButtonControl*>(FSelectedControl);
        if (!FChildBar && !IsCustomizing() && !(Button && Button->IsDropDownOpen()))
            SelectControlByMouse(nullptr);
        return;
    }
    case WM_MOUSEMOVE:
        HandleMouseMove(M);
        return;
    case WM_NCHITTEST:
        TCustomControl::WndProc(M);
        if (M.Result != HTCLIENT)
            StopTrackMouseLeave(FHandle);
        return;
    case WM_RBUTTONDOWN:
        if (IsCustomizing()) {
            const TPoint P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
            TcbBarItemControl* Control = ControlAtPos(P);
            if (TcbBarManager* Manager = GetBarManager()) {
                Manager->SetSelectedItemControl(Control);
                cbCallExtension(cbExtensions().ShowCustomizingPopup, Manager, Control ? Control->GetLink() : nullptr,
                    FItemLinks, ClientPointToScreen(P));
            }
            return;
        }
        break;
    case WM_CBREBUILDBAR:
        RebuildBar();
        return;
    case WM_SETCURSOR:
        if (LOWORD(M.LParam) == HTCLIENT && reinterpret_cast<HWND>(M.WParam) == FHandle) {
            ::SetCursor(Screen ? Screen->GetCursors(GetCursor()) : LoadCursor(nullptr, IDC_ARROW));
            M.Result = 1;
            return;
        }
        break;
    case WM_WINDOWPOSCHANGED: {
        TCustomControl::WndProc(M);
        // Moved or sized, and also when shown: a window shown where it was made has not moved.
        const auto* Pos = reinterpret_cast<const WINDOWPOS*>(M.LParam);
        if (auto* Shadow = dynamic_cast<TcbBarShadow*>(FShadow.get())) {
            const UINT Still = SWP_NOSIZE | SWP_NOMOVE;
            if (Pos && ((Pos->flags & Still) != Still || (Pos->flags & SWP_SHOWWINDOW)))
                PlaceShadow();
            Shadow->SetVisible(IsShadowVisible());
        }
        ResetBackgroundCache();
        return;
    }
    default:
        break;
    }
    TCustomControl::WndProc(M);
    if (M.Msg == WM_COMMAND && HIWORD(M.WParam) == EN_CHANGE && M.LParam)
        SendMessageA(reinterpret_cast<HWND>(M.LParam), WM_COMMAND, M.WParam, M.LParam);
}

void TCustomcbBarControl::PlaceShadow()
{
    auto* Shadow = dynamic_cast<TcbBarShadow*>(FShadow.get());
    if (!Shadow || !HandleAllocated())
        return;
    TRect Bounds{};
    ::GetWindowRect(FHandle, &Bounds);
    Shadow->SetRects(Bounds, IsAttachedToParentItem() ? FParentItemRect : TRect{});
}

// ---------------------------------------------------------------------------------------------
// Mouse

void TCustomcbBarControl::HandleMouseMove(const TMessage& M)
{
    if (FIgnoreMouse)
        return;
    const TPoint P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
    if (FPressedControl) {
        const bool Under = ControlAtPos(P) == FPressedControl;
        if (Under != FPressedUnderMouse) {
            FPressedUnderMouse = Under;
            FPressedControl->Repaint();
        }
    }
    if (FDragPending) {
        const int32_t DX = GetSystemMetrics(SM_CXDRAG), DY = GetSystemMetrics(SM_CYDRAG);
        const TRect Zone{FDragStart.x - DX, FDragStart.y - DY, FDragStart.x + DX, FDragStart.y + DY};
        if (!cbInRect(Zone, P)) {
            FDragPending = false;
            ReleaseCapture();
            TcbBarManager* Manager = GetBarManager();
            if (FSelectedControl && FSelectedControl->GetActiveFlag())
                FSelectedControl->ControlInactivate(true);
            if (Manager) {
                // The drag measures its group-line moves from the press, not from here.
                SetItemLinkDragOrigin(ClientPointToScreen(FDragStart));
                cbCallExtension(cbExtensions().DragItemLink, Manager, Manager->GetDraggingItem(),
                    Manager->GetDraggingItemLink());
            }
        }
        return;
    }
    if (!cbInRect(GetClientRect(), P))
        return;
    TMessage Copy = M;
    TCustomControl::WndProc(Copy);
    if (IgnoresMouseMove())
        return;
    FLastMousePos = CursorPos();
    TcbBarItemControl* Control = ControlAtPos(P);
    auto* Editing = dynamic_cast<TcbBarWinControl*>(FSelectedControl);
    const bool SomeEditing = Editing && Editing->IsEditing();
    auto* Win = dynamic_cast<TcbBarWinControl*>(Control);
    if (Win && !SomeEditing && (!gActiveBar || gActiveBar == this) && cbInRect(Win->GetWindowRect(), P))
        SetCursor(crIBeam);
    else
        SetCursor(crDefault);
    if (SomeEditing)
        return;
    if (!IsTrackingMouseLeave(FHandle)) {
        StartTrackMouseLeave(FHandle);
        if (FSelectedControl)
            FSelectedControl->Repaint();
    }
    // A disabled control is never hot outside customizing.
    if (Control && (!Control->CanHotTrack() || (!IsCustomizing() && !Control->GetEnabled())))
        Control = nullptr;
    if (!Control && FActive && GetKind() == bwkToolbar && FSelectedControl)
        return;
    if (FPressedControl)
        return;
    if (!Control && dynamic_cast<TcbBarSubItemControl*>(FSelectedControl) && FChildBar)
        return;
    SelectControlByMouse(Control);
}

void TCustomcbBarControl::HandleButtonDown(TMessage& M)
{
    if (FIgnoreNextButtonUp || !FItemLinks || FItemLinks->GetShownItemCount() == 0)
        return;
    TCustomControl::WndProc(M);
    const TPoint P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
    TcbBarItemControl* Control = ControlAtPos(P);
    if (IsCustomizing()) {
        if (Control && !Control->IsCustomizable())
            return;
        if (!Control && cbInRect(GetClientRect(), P))
            return;
        TcbBarManager* Manager = GetBarManager();
        if (Control && Control == FSelectedControl) {
            if (Control->GetActiveFlag())
                Control->ControlInactivate(true);
            else
                Control->ControlActivate(true);
            if (!IsLiveItemControl(Control))
                return;
            if (Manager)
                Manager->SetSelectedItemControl(Control);
            Control->Repaint();
        }
        SelectControlByMouse(cbInRect(GetClientRect(), P) ? Control : nullptr);
        if (Control && IsLiveItemControl(Control) && IsLiveBarControl(this)) {
            FDragStart = P;
            if (Manager) {
                Manager->SetDraggingItem(Control->GetItem());
                Manager->SetDraggingItemLink(Control->GetLink());
            }
            FDragPending = true;
            SetCapture(FHandle);
        }
        return;
    }
    if (!Control || !Control->GetEnabled() || !Control->CanSelect())
        return;
    SelectControlByKeyboard(Control);
    if (!IsLiveBarControl(this) || !IsLiveItemControl(Control))
        return;
    if (auto* Button = dynamic_cast<TcbBarButtonControl*>(Control))
        Button->SetPressedByMouse(true);
    if (auto* SubItem = dynamic_cast<TcbBarSubItemControl*>(Control))
        SubItem->SetOpenedByMouse(true);
    Control->ControlPress(true);
    // The press may have run code that rebuilt or freed the window or the control.
    if (!IsLiveBarControl(this) || !IsLiveItemControl(Control) || Control->GetBarControl() != this)
        return;
    if (auto* Button = dynamic_cast<TcbBarButtonControl*>(Control))
        Button->SetPressedByMouse(false);
    if (GetKind() == bwkToolbar && Control->CanBePressed()) {
        FPressedControl = Control;
        FPressedUnderMouse = true;
        SetCapture(FHandle);
        Control->Repaint();
    }
    if (auto* Win = dynamic_cast<TcbBarWinControl*>(Control); Win && Win->GetEditor() && Win->IsEditing()) {
        const TRect R = Win->GetWindowRect();
        TRect Button = Win->GetComboButtonRect();
        if (cbInRect(R, P) && !cbInRect(Button, P)) {
            POINT Q{P.x, P.y};
            MapWindowPoints(FHandle, Win->GetEditor(), &Q, 1);
            SendMessageA(Win->GetEditor(), WM_LBUTTONDOWN, M.WParam, MAKELPARAM(Q.x, Q.y));
        }
    }
}

void TCustomcbBarControl::HandleButtonUp(TMessage& M)
{
    if (FIgnoreNextButtonUp) {
        FIgnoreNextButtonUp = false;
        return;
    }
    TCustomControl::WndProc(M);
    if (FDragPending) {
        FDragPending = false;
        ReleaseCapture();
        return;
    }
    TcbBarItemControl* Pressed = FPressedControl;
    if (Pressed)
        ReleaseCapture();
    FPressedControl = nullptr;
    const TPoint P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
    TcbBarItemControl* Control = ControlAtPos(P);
    if (cbInRect(GetClientRect(), P) && FActive && !IsCustomizing() && Control && Control->IsUsable()) {
        if (Control->GetEnabled() && Control == FSelectedControl) {
            if (auto* Win = dynamic_cast<TcbBarWinControl*>(Control); Win && Win->GetEditor() && Win->IsEditing()) {
                POINT Q{P.x, P.y};
                MapWindowPoints(FHandle, Win->GetEditor(), &Q, 1);
                SendMessageA(Win->GetEditor(), WM_LBUTTONUP, M.WParam, MAKELPARAM(Q.x, Q.y));
            }
            if (IsLiveItemControl(Control))
                Control->ControlClick(true);
        } else if (GetKind() == bwkToolbar && !Control->GetEnabled() && Control != FSelectedControl) {
            auto* Button = dynamic_cast<TcbBarButtonControl*>(FSelectedControl);
            if (!(Button && Button->IsDropDownOpen()))
                HideAll();
        }
    }
    if (Pressed && IsLiveBarControl(this))
        HideAll();
}

void TCustomcbBarControl::HandleDblClick(TMessage& M)
{
    TCustomControl::WndProc(M);
    TcbBarItemControl* Control = FSelectedControl;
    if (!Control)
        return;
    if (auto* Win = dynamic_cast<TcbBarWinControl*>(Control); Win && Win->GetEditor() && Win->IsEditing()) {
        const TPoint P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
        POINT Q{P.x, P.y};
        MapWindowPoints(FHandle, Win->GetEditor(), &Q, 1);
        SendMessageA(Win->GetEditor(), WM_LBUTTONDBLCLK, M.WParam, MAKELPARAM(Q.x, Q.y));
    }
    if (!IsLiveItemControl(Control))
        return;
    if (!Control->WantsDblClick())
        SendMessageA(FHandle, WM_LBUTTONDOWN, M.WParam, M.LParam);
    else
        DoBarDblClick(Control);
}

void TCustomcbBarControl::DoBarDblClick(TcbBarItemControl* Control)
{
    TcbBarManager* Manager = GetBarManager();
    if (Manager && Manager->IsDesigning()) {
        cbCallExtension(cbExtensions().CustomizingFormSelectItem, Control->GetItem(), true);
        return;
    }
    if (TCustomcbBarControl* Menu = Control->GetSubMenuControl(); Menu && Menu->IsMarkVisible()) {
        Menu->SetMarkState(bstPressed);
        return;
    }
    Control->ControlDblClick();
}

// ---------------------------------------------------------------------------------------------
// Keyboard

TcbBarItemControl* TCustomcbBarControl::NextSelectable(bool Forward) const
{
    if (!FItemLinks)
        return nullptr;
    const int32_t Count = FItemLinks->GetShownItemCount();
    if (Count == 0)
        return nullptr;
    int32_t Start = FSelectedControl ? FItemLinks->IndexOfShown(FSelectedControl->GetLink()) : -1;
    if (Start < 0)
        return EdgeSelectable(true);
    for (int32_t N = 1; N <= Count; ++N) {
        const int32_t I = ((Start + (Forward ? N : -N)) % Count + Count) % Count;
        TcbBarItemControl* C = FItemLinks->GetShownItem(I)->GetControl();
        if (C && C->CanSelect())
            return C;
    }
    return nullptr;
}

TcbBarItemControl* TCustomcbBarControl::EdgeSelectable(bool First) const
{
    if (!FItemLinks)
        return nullptr;
    const int32_t Count = FItemLinks->GetShownItemCount();
    for (int32_t N = 0; N < Count; ++N) {
        TcbBarItemControl* C = FItemLinks->GetShownItem(First ? N : Count - 1 - N)->GetControl();
        if (C && C->CanSelect())
            return C;
    }
    return nullptr;
}

void TCustomcbBarControl::KeyNavigation(uint16_t Key)
{
    if (FSelectedControl && FSelectedControl->WantsKey(Key)) {
        FSelectedControl->KeyDown(Key);
        return;
    }
    if (IsVerticalToolbar()) {
        switch (Key) {
        case VK_LEFT: Key = VK_UP; break;
        case VK_UP: Key = VK_LEFT; break;
        case VK_RIGHT: Key = VK_DOWN; break;
        case VK_DOWN: Key = VK_RIGHT; break;
        default: break;
        }
    }
    int32_t Move = 0; // -1 previous, 1 next
    bool FromTab = false;
    const bool Menu = GetKind() == bwkMenu;
    switch (Key) {
    case VK_LEFT:
        if (!Menu)
            Move = -1;
        break;
    case VK_RIGHT:
        if (!Menu)
            Move = 1;
        break;
    case VK_UP:
        if (Menu)
            Move = -1;
        break;
    case VK_DOWN:
        if (Menu)
            Move = 1;
        break;
    case VK_TAB:
        if (GetKeyState(VK_CONTROL) < 0) {
            MoveToNextToolbar(GetKeyState(VK_SHIFT) >= 0);
            return;
        }
        Move = GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
        FromTab = true;
        break;
    case VK_HOME:
        SelectControlByKeyboard(EdgeSelectable(true));
        return;
    case VK_END:
        SelectControlByKeyboard(EdgeSelectable(false));
        return;
    case VK_MENU:
        HideAll();
        return;
    case VK_F10:
        if (GetBarManager() && GetBarManager()->GetUseF10ForMenu()) {
            HideAll();
            return;
        }
        break;
    default:
        break;
    }
    if (Move != 0) {
        TcbBarItemControl* Next = NextSelectable(Move > 0);
        if (!Next)
            return;
        SelectControlByKeyboard(Next);
        if (FromTab && IsLiveItemControl(Next) && Next->HasInPlaceWindow() && FSelectedControl == Next)
            Next->PressAndClick(false);
        return;
    }
    if (Key == VK_LEFT || Key == VK_RIGHT || Key == VK_UP || Key == VK_DOWN)
        return;
    HandleAccelerator(Key);
}

void TCustomcbBarControl::HandleAccelerator(uint16_t Key)
{
    const UINT Char = MapVirtualKeyA(Key, 2) & 0x7FFF;
    if (!((Char >= 'A' && Char <= 'Z') || (Char >= '0' && Char <= '9')) || !FItemLinks)
        return;
    // The modifiers held with the key: Shift+F must not pick "&file" (FindByAccel drops Alt,
    // and Shift for an upper-case accelerator).
    const TShiftState Shift = KeyboardShiftState();
    TcbBarItemLink* Start = FSelectedControl ? FSelectedControl->GetLink() : nullptr;
    TcbBarItemLink* Found = FItemLinks->FindByAccel(static_cast<uint16_t>(Char), Shift, Start);
    if (!Found || !Found->GetItem() || !Found->GetItem()->GetEnabled())
        return;
    TcbBarItemLink* Other = FItemLinks->FindByAccel(static_cast<uint16_t>(Char), Shift, Found);
    const bool Single = !Other || Other == Found;
    TcbBarManager* Manager = GetBarManager();
    if (GetKind() == bwkMenu && Manager && Manager->GetRealStyle() != bmsStandard) {
        const bool Shown = FItemLinks->IndexOfShown(Found) >= 0;
        const bool Closes = Found->GetControl() && Found->GetControl()->ClosesMenuOnClick();
        if ((!Single && !Shown) || (Single && !Shown && !Closes)) {
            SetMarkState(bstPressed);
            if (!IsLiveBarControl(this))
                return;
        }
    }
    TcbBarItemControl* Control = Found->GetControl();
    if (!Control)
        return;
    SelectControlByKeyboard(Control);
    if (Single && IsLiveBarControl(this))
        SendMessageA(FHandle, WM_KEYDOWN, VK_RETURN, 0);
}

// ---------------------------------------------------------------------------------------------
// Framework routines on bar windows

TCustomcbBarControl* GetRootBarControl(TCustomcbBarControl* BarControl)
{
    TCustomcbBarControl* Bar = BarControl;
    int32_t Guard = 0;
    while (Bar && Bar->GetKind() != bwkToolbar && Guard++ < 64) {
        if (Bar->GetParentBar())
            Bar = Bar->GetParentBar();
        else if (TcbBarItemControl* Opener = Bar->GetOpeningControl(); Opener && IsLiveItemControl(Opener))
            Bar = Opener->GetBarControl();
        else
            break;
    }
    return Bar;
}

TCustomcbBarControl* GetRootBarControl(TcbBarItemControl* Control)
{
    return Control ? GetRootBarControl(Control->GetBarControl()) : nullptr;
}

TCustomcbBarControl* GetRootToolbar(TCustomcbBarControl* BarControl)
{
    TCustomcbBarControl* Root = GetRootBarControl(BarControl);
    return Root && Root->GetKind() != bwkMenu ? Root : nullptr;
}

TCustomcbBarControl* GetRootToolbar(TcbBarItemControl* Control)
{
    return Control ? GetRootToolbar(Control->GetBarControl()) : nullptr;
}

bool IsVerticalBarControl(const TCustomcbBarControl* Control)
{
    return Control && Control->GetKind() == bwkToolbar &&
        (Control->GetDockingStyle() == dsLeft || Control->GetDockingStyle() == dsRight);
}

bool IsRotatedBarControl(const TCustomcbBarControl* Control)
{
    return IsVerticalBarControl(Control) && Control->GetBar() && Control->GetBar()->GetRotateWhenVertical();
}
