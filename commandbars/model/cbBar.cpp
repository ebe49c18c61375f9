#include "commandbars/model/cbBar.h"

#include <algorithm>

#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"

// ---------------------------------------------------------------------------------------------
// TcbBar

TcbBar::TcbBar(TCollection* ACollection) : TCollectionItem(ACollection)
{
    TcbBarManager* Manager = GetBarManager();
    FBackgroundBitmap = std::make_unique<TBitmap>();
    FFont = std::make_unique<TFont>();
    FFont->Assign(Manager->GetFont());
    FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
    FItemLinks = std::make_unique<TcbBarItemLinks>(Manager, this);
    FMadeWhileLoading = Manager->IsLoading();
    if (!FMadeWhileLoading) {
        Manager->DoBarAdd(this);
        Manager->DesignerModified();
    }
}

TcbBar::~TcbBar()
{
    // The customizing dialog's row of the bar goes first, whoever frees the bar.
    cbCallExtension(cbExtensions().CustomizingFormRemoveBarRow, this);
    TcbBarManager* Manager = GetBarManager();
    if (!Manager->IsDestroying() && !Manager->IsLoading()) {
        Manager->DesignerModified();
        Manager->DoBarDelete(this);
    }
    SetVisible(false);
    const std::vector<TcbBarItem*> Dependents = FDependentItems;
    for (TcbBarItem* Item : Dependents)
        Item->BarNotification(opRemove, this);
    if (Manager->GetMainMenuBar() == this)
        Manager->SetMainMenuBar(nullptr);
    auto& Waiting = Manager->BarsWaitingForWindow();
    Waiting.erase(std::remove(Waiting.begin(), Waiting.end(), this), Waiting.end());
    FItemLinks.reset();
    FFont->OnChange = nullptr;
    FFont.reset();
    DeleteOwnFontHandle();
    FBackgroundBitmap.reset();
}

TcbBars* TcbBar::GetBars() const
{
    return static_cast<TcbBars*>(GetCollection());
}

TcbBarManager* TcbBar::GetBarManager() const
{
    return GetBars()->GetBarManager();
}

TCustomcbBarControl* TcbBar::GetBarControl() const
{
    return FItemLinks ? FItemLinks->GetBarControl() : nullptr;
}

bool TcbBar::ManagerLoading() const
{
    return GetBarManager()->IsLoading();
}

void TcbBar::MarkChanged()
{
    GetBarManager()->DesignerModified();
}

void TcbBar::BarRowChanged()
{
    cbCallExtension(cbExtensions().CustomizingFormBarChanged, this);
}

void TcbBar::WindowChanged(TcbBarWindowChange Change)
{
    // The one place where a change reaches the bar's window.
    auto* Window = dynamic_cast<TcbBarControl*>(GetBarControl());
    switch (Change) {
    case bwcShow:
        ShowWindow();
        return;
    case bwcHide:
        HideWindow();
        return;
    case bwcRedock:
        if (Window && FVisible) {
            HideWindow();
            ShowWindow();
        }
        return;
    default:
        break;
    }
    if (!Window || !Window->HandleAllocated())
        return;
    switch (Change) {
    case bwcRebuild:
        // A new painter: a floating bar is hidden and shown again in it.
        if (!IsDocked() && FVisible && GetBarManager()->IsChangingStyle()) {
            HideWindow();
            ShowWindow();
            break;
        }
        Window->RebuildBar();
        break;
    case bwcRecalculate:
        Window->RebuildBar();
        break;
    case bwcFrameRefresh:
        Window->UpdateCustomBackgroundFlag();
        SetWindowPos(Window->GetHandle(), nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Window->RebuildBar();
        break;
    case bwcFontChanged:
        if (FUseOwnFont)
            Window->GetFont()->Assign(FFont.get());
        SendMessageA(Window->GetHandle(), CM_FONTCHANGED, 0, 0);
        break;
    case bwcCaption:
        Window->CaptionChanged();
        break;
    case bwcAlpha:
        Window->UpdateAlphaBlend();
        break;
    default:
        break;
    }
}

TcbDockControl* TcbBar::TargetSite() const
{
    if (FDockControl)
        return FDockControl;
    return GetBars()->GetDockControl(FDockingStyle);
}

void TcbBar::ShowWindow()
{
    TcbBarManager* Manager = GetBarManager();
    // A docked bar without a site keeps no window.
    TcbDockControl* Site = TargetSite();
    if ((FDockingStyle != dsNone && !Site) || GetBarControl())
        return;
    TCustomForm* Form = Manager->GetOwnerForm();
    if (Form && Form->GetComponentState().Contains(csDestroying))
        return;
    // Until the form has its window the bar waits for it; the form's WM_CREATE shows it.
    if (Form && !Form->HandleAllocated()) {
        auto& Waiting = Manager->BarsWaitingForWindow();
        if (std::find(Waiting.begin(), Waiting.end(), this) == Waiting.end())
            Waiting.push_back(this);
        return;
    }
    auto* Window = dynamic_cast<TcbBarControl*>(FItemLinks->CreateBarControl());
    if (!Window)
        return;
    if (FDockingStyle == dsNone) {
        Window->LockLayout();
        {
            TScopeExit Unlock([Window] { Window->UnlockLayout(); });
            Window->SetDockingStyleAndSite(dsNone, nullptr);
            const TSize Size = Window->GetSizeForDockingStyle(dsNone);
            Window->SetBounds(FFloatLeft, FFloatTop, Size.cx, Size.cy);
        }
        if (FloatingWindowShown())
            Window->ShowFloating();
        Window->RebuildBar();
        return;
    }
    Window->LockLayout();
    {
        TScopeExit Unlock([Window] { Window->UnlockLayout(); });
        Window->SetDockingStyleAndSite(FDockingStyle, Site);
        POINT P{FDockedLeft, FDockedTop};
        if (Site->HandleAllocated())
            ClientToScreen(Site->GetHandle(), &P);
        Site->InsertBar(Window, TPoint{P.x, P.y}, true);
    }
    Window->SetVisible(true);
    Window->RebuildBar();
}

void TcbBar::HideWindow()
{
    auto* Window = dynamic_cast<TcbBarControl*>(GetBarControl());
    if (!Window) {
        if (TCustomcbBarControl* Other = GetBarControl())
            Other->Free();
        // A bar hidden before its form had a window waits for it no more.
        auto& Waiting = GetBarManager()->BarsWaitingForWindow();
        Waiting.erase(std::remove(Waiting.begin(), Waiting.end(), this), Waiting.end());
        return;
    }
    if (FDestroyingWindow)
        return;
    TFlagScope Destroying(FDestroyingWindow);
    StorePlace(Window);
    if (TcbDockControl* Site = Window->GetDockSite())
        Site->RemoveBar(Window, true);
    Window->Free();
}

bool TcbBar::FloatingWindowShown() const
{
    // Shown with a visible form, unless floating bars hide while the form is inactive and it is
    // neither the active window nor the active MDI child of the active frame (not while
    // customizing).
    TcbBarManager* Manager = GetBarManager();
    TCustomForm* Form = Manager->GetOwnerForm();
    if (!Form || !Form->HandleAllocated() || !IsWindowVisible(Form->GetHandle()))
        return false;
    if (!Manager->GetHideFloatingBarsWhenInactive() || Manager->IsCustomizing())
        return true;
    const HWND FormWnd = Form->GetHandle();
    const HWND Active = GetActiveWindow();
    if (Active == FormWnd)
        return true;
    if (GetWindowLongA(FormWnd, GWL_EXSTYLE) & WS_EX_MDICHILD) {
        const HWND Client = GetParent(FormWnd);
        const HWND Frame = Client ? GetParent(Client) : nullptr;
        if (Frame && Frame == Active &&
            reinterpret_cast<HWND>(SendMessageA(Client, WM_MDIGETACTIVE, 0, 0)) == FormWnd)
            return true;
    }
    return false;
}

void TcbBar::StorePlace(TcbBarControl* Window)
{
    if (!Window || !Window->HandleAllocated())
        return;
    if (Window->GetDockingStyle() == dsNone) {
        const TRect W = Window->GetWindowRect();
        const TRect Client = Window->GetClientRect();
        SetFloatLeft(W.left);
        SetFloatTop(W.top);
        SetFloatClientWidth(Client.right - Client.left);
        SetFloatClientHeight(Client.bottom - Client.top);
        return;
    }
    TcbDockControl* Site = Window->GetDockSite();
    if (!Site)
        return;
    FHasBeenDocked = true;
    const bool Edge = GetBars()->IsEdgeDockControl(Site);
    if (Edge)
        FDockedDockingStyle = Window->GetDockingStyle();
    SetDockedDockControl(Edge ? nullptr : static_cast<TcbBarDockControl*>(Site));
    if (TcbDockCol* Col = Site->FindCol(Window)) {
        for (int32_t R = 0; R < Site->GetRowCount(); ++R)
            if (Site->GetRow(R) == Col->GetRow()) {
                FRow = R;
                break;
            }
        FOneOnRow = Col->GetRow()->GetColCount() == 1;
    }
    SetDockedLeft(Window->GetLeft());
    SetDockedTop(Window->GetTop());
}

void TcbBar::DockStyleFromSite(TcbBarDockingStyle Style)
{
    TFlagScope Guard(FDockGuard);
    FDockingStyle = Style;
}

void TcbBar::ForgetDockControl(TcbBarDockControl* DockControl)
{
    if (FDockControl == DockControl)
        FDockControl = nullptr;
    if (FDockedDockControl == DockControl)
        FDockedDockControl = nullptr;
    if (FLoadedDockControl == DockControl)
        FLoadedDockControl = nullptr;
}

bool TcbBar::IsSizeGripVisible() const
{
    if (!IsStatusBar() || !FSizeGrip)
        return false;
    TCustomForm* Form = GetBarManager()->GetOwnerForm();
    if (Form && Form->HandleAllocated() && IsZoomed(Form->GetHandle()))
        return false;
    TCustomcbBarControl* Window = GetBarControl();
    if (!Window || !Window->HandleAllocated())
        return true;
    // The window's bottom must lie on its parent's client bottom, and so on up to the form.
    for (HWND W = Window->GetHandle(); W;) {
        const HWND Parent = GetParent(W);
        if (!Parent || (GetWindowLongA(W, GWL_STYLE) & WS_CHILD) == 0)
            return true;
        if (GetWindowLongA(W, GWL_EXSTYLE) & WS_EX_MDICHILD)
            return true;
        RECT R{}, C{};
        ::GetWindowRect(W, &R);
        MapWindowPoints(nullptr, Parent, reinterpret_cast<POINT*>(&R), 2);
        ::GetClientRect(Parent, &C);
        if (R.bottom != C.bottom)
            return false;
        W = Parent;
    }
    return true;
}

int32_t TcbBar::GetExtraWidth(TcbBarDockingStyle Style) const
{
    TcbBarManager* Manager = GetBarManager();
    const TcbBarItemControlPainter* Painter = Manager->GetPainterClass();
    if (!Painter)
        return 0;
    if (Style == dsNone)
        return 2 * Painter->GetFloatingBorderWidth() + 2 * Painter->GetFloatingSideIndent();
    if (FBorderStyle == bbsSingle) {
        const TRect Offsets = Painter->GetBarBorderOffsets(GetBarControl(), Style);
        const int32_t Grip = CanMove() ? Manager->GetGripAreaSize() : Painter->GetGriplessBarIndent();
        return Offsets.left + Offsets.right + (Style == dsTop || Style == dsBottom ? Grip : 0);
    }
    return IsSizeGripVisible() ? Painter->GetSizeGripSize().cx : 0;
}

int32_t TcbBar::GetExtraHeight(TcbBarDockingStyle Style) const
{
    TcbBarManager* Manager = GetBarManager();
    const TcbBarItemControlPainter* Painter = Manager->GetPainterClass();
    if (!Painter)
        return 0;
    if (Style == dsNone)
        return 2 * Painter->GetFloatingBorderHeight() + Painter->GetFloatingCaptionHeight() +
            Painter->GetFloatingTopIndent() + Painter->GetFloatingBottomIndent();
    if (FBorderStyle == bbsSingle) {
        const TRect Offsets = Painter->GetBarBorderOffsets(GetBarControl(), Style);
        const int32_t Grip = CanMove() ? Manager->GetGripAreaSize() : Painter->GetGriplessBarIndent();
        return Offsets.top + Offsets.bottom + (Style == dsLeft || Style == dsRight ? Grip : 0);
    }
    return IsStatusBar() ? Painter->GetBarTopIndent(dynamic_cast<TcbBarControl*>(GetBarControl())) : 0;
}

void TcbBar::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TcbBar*>(Source);
    if (!S) {
        TCollectionItem::Assign(Source);
        return;
    }
    if (S == this)
        return;
    SetAllowClose(S->FAllowClose);
    SetAllowCustomizing(S->FAllowCustomizing);
    SetAllowQuickCustomizing(S->FAllowQuickCustomizing);
    SetAllowReset(S->FAllowReset);
    SetCaption(S->FCaption);
    SetDockedDockControl(S->FDockedDockControl);
    SetDockedDockingStyle(S->FDockedDockingStyle);
    SetDockedLeft(S->FDockedLeft);
    SetDockedTop(S->FDockedTop);
    SetFloatLeft(S->FFloatLeft);
    SetFloatTop(S->FFloatTop);
    SetFloatClientWidth(S->FFloatClientWidth);
    SetFloatClientHeight(S->FFloatClientHeight);
    SetHidden(S->FHidden);
    SetIsMainMenu(S->FIsMainMenu);
    SetItemLinks(S->FItemLinks.get());
    SetNotDocking(S->FNotDocking);
    SetOneOnRow(S->FOneOnRow);
    SetRotateWhenVertical(S->FRotateWhenVertical);
    SetRow(S->FRow);
    SetWholeRow(S->FWholeRow);
    SetDockingStyleAndControl(S->FDockingStyle, S->FDockControl);
    SetUseRecentItems(S->FUseRecentItems);
    SetUseRestSpace(S->FUseRestSpace);
    SetColor(S->FColor);
    SetFont(S->FFont.get());
    SetUseOwnFont(S->FUseOwnFont);
    SetVisible(S->FVisible);
}

// ---------------------------------------------------------------------------------------------
// Properties

void TcbBar::SetAllowClose(bool Value)
{
    if (Value == FAllowClose)
        return;
    FAllowClose = Value;
    if (ManagerLoading())
        return;
    if (!IsDocked())
        WindowChanged(bwcRebuild);
    BarRowChanged();
}

void TcbBar::SetAllowCustomizing(bool Value)
{
    FAllowCustomizing = Value;
}

void TcbBar::SetAllowQuickCustomizing(bool Value)
{
    if (Value == FAllowQuickCustomizing)
        return;
    FAllowQuickCustomizing = Value;
    if (!ManagerLoading() && GetBarManager()->GetRealStyle() != bmsStandard)
        WindowChanged(bwcRebuild);
}

void TcbBar::SetAllowReset(bool Value)
{
    FAllowReset = Value;
}

void TcbBar::SetAlphaBlendValue(uint8_t Value)
{
    if (Value == FAlphaBlendValue)
        return;
    FAlphaBlendValue = Value;
    if (!ManagerLoading() && !IsDocked())
        WindowChanged(bwcAlpha);
}

void TcbBar::SetBackgroundBitmap(TBitmap* Value)
{
    const bool WasEmpty = FBackgroundBitmap->GetEmpty();
    FBackgroundBitmap->Assign(Value);
    if (!ManagerLoading() && (!WasEmpty || !FBackgroundBitmap->GetEmpty()))
        WindowChanged(bwcFrameRefresh);
}

void TcbBar::SetBorderStyle(TcbBarBorderStyle Value)
{
    if (Value == FBorderStyle)
        return;
    FBorderStyle = Value;
    if (!ManagerLoading())
        WindowChanged(bwcFrameRefresh);
}

void TcbBar::SetCaption(const std::string& Value)
{
    if (Value == FCaption)
        return;
    TcbBarManager* Manager = GetBarManager();
    const TcbBar* Other = Manager->BarByCaption(Value);
    if (Other && Other != this)
        return;
    FCaption = Value;
    WindowChanged(bwcCaption);
    if (FName.empty() && !Value.empty() && !ManagerLoading())
        FName = Manager->BarByName(Value) ? GetBars()->MakeUniqueName(Value) : Value;
    BarRowChanged();
    MarkChanged();
}

void TcbBar::SetColor(TColor Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    if (!ManagerLoading())
        WindowChanged(bwcRebuild);
}

void TcbBar::SetDockControl(TcbBarDockControl* Value)
{
    TcbBarManager* Manager = GetBarManager();
    if (Value && !Manager->IsOwnDockControl(Value))
        return;
    if (ManagerLoading()) {
        FLoadedDockControl = Value;
        return;
    }
    if (Value == FDockControl)
        return;
    // Called by SetDockingStyle inside the guard, the pair is already being updated.
    const bool Outer = !FDockGuard;
    auto* Window = dynamic_cast<TcbBarControl*>(GetBarControl());
    const bool Rehome = Outer && Window && FVisible &&
        (Value ? static_cast<TcbDockControl*>(Value) != Window->GetDockSite()
               : Window->GetDockSite() && !GetBars()->IsEdgeDockControl(Window->GetDockSite()));
    if (Rehome)
        HideWindow();
    FDockControl = Value;
    if (Value) {
        TFlagScope Guard(FDockGuard);
        FDockingStyle = Value->GetDockingStyle();
    }
    FItemLinks->SetRecentCount(-1);
    if (Rehome)
        ShowWindow();
    else
        WindowChanged(bwcRebuild);
    if (Outer)
        Manager->DoBarDockingStyleChange(this);
}

void TcbBar::SetDockedDockControl(TcbBarDockControl* Value)
{
    if (Value && !GetBarManager()->IsOwnDockControl(Value))
        return;
    if (Value == FDockedDockControl)
        return;
    FDockedDockControl = Value;
    MarkChanged();
}

void TcbBar::SetDockedDockingStyle(TcbBarDockingStyle Value)
{
    FDockedDockingStyle = Value;
}

void TcbBar::SetDockedLeft(int32_t Value)
{
    Value = std::max(Value, 0);
    if (Value == FDockedLeft)
        return;
    FDockedLeft = Value;
    MarkChanged();
}

void TcbBar::SetDockedTop(int32_t Value)
{
    Value = std::max(Value, 0);
    if (Value == FDockedTop)
        return;
    FDockedTop = Value;
    MarkChanged();
}

void TcbBar::SetDockingStyle(TcbBarDockingStyle Value)
{
    if (ManagerLoading()) {
        FLoadedDockingStyle = Value;
        return;
    }
    if (Value == FDockingStyle)
        return;
    const bool Outer = !FDockGuard;
    auto* Window = dynamic_cast<TcbBarControl*>(GetBarControl());
    const bool Rehome = Outer && FVisible && (!Window || Window->GetDockingStyle() != Value);
    if (Rehome)
        HideWindow();
    FDockingStyle = Value;
    if (Outer) {
        TFlagScope Guard(FDockGuard);
        SetDockControl(nullptr);
    }
    FItemLinks->SetRecentCount(-1);
    if (Rehome)
        ShowWindow();
    else
        WindowChanged(bwcRebuild);
    if (Outer)
        GetBarManager()->DoBarDockingStyleChange(this);
}

void TcbBar::SetDockingStyleAndControl(TcbBarDockingStyle Style, TcbBarDockControl* DockControl)
{
    // A site brings its own style; a style alone leaves the site.
    if (Style != FDockingStyle && DockControl && DockControl != FDockControl)
        SetDockControl(DockControl);
    else if (Style != FDockingStyle)
        SetDockingStyle(Style);
    else
        SetDockControl(DockControl);
}

void TcbBar::SetFloatLeft(int32_t Value)
{
    if (Value == FFloatLeft)
        return;
    FFloatLeft = Value;
    MarkChanged();
}

void TcbBar::SetFloatTop(int32_t Value)
{
    if (Value == FFloatTop)
        return;
    FFloatTop = Value;
    MarkChanged();
}

void TcbBar::SetFloatClientWidth(int32_t Value)
{
    if (Value == FFloatClientWidth)
        return;
    FFloatClientWidth = Value;
    MarkChanged();
}

void TcbBar::SetFloatClientHeight(int32_t Value)
{
    if (Value == FFloatClientHeight)
        return;
    FFloatClientHeight = Value;
    MarkChanged();
}

void TcbBar::SetFont(TFont* Value)
{
    FFont->Assign(Value);
}

void TcbBar::FontChanged(TObject*)
{
    if (FChangingFont)
        return;
    if (!FUseOwnFont) {
        SetUseOwnFont(true);
        return;
    }
    MakeOwnFontHandle();
    WindowChanged(bwcFontChanged);
}

void TcbBar::SetHidden(bool Value)
{
    if (Value == FHidden)
        return;
    FHidden = Value;
    MarkChanged();
}

void TcbBar::SetIsMainMenu(bool Value)
{
    if (Value == FIsMainMenu)
        return;
    TcbBarManager* Manager = GetBarManager();
    if (Value) {
        if (TcbBar* Previous = Manager->GetMainMenuBar(); Previous && Previous != this)
            Previous->SetIsMainMenu(false);
        FIsMainMenu = true;
        Manager->SetMainMenuBar(this);
        SetWholeRow(true);
        SetMultiLine(true);
    } else {
        FIsMainMenu = false;
        if (Manager->GetMainMenuBar() == this)
            Manager->SetMainMenuBar(nullptr);
        SetMultiLine(false);
        SetWholeRow(false);
    }
    if (!ManagerLoading() && IsDocked())
        WindowChanged(bwcRebuild);
    BarRowChanged();
}

void TcbBar::SetItemLinks(TcbBarItemLinks* Value)
{
    FItemLinks->Assign(Value);
}

void TcbBar::SetMultiLine(bool Value)
{
    if (Value == FMultiLine || (!Value && FIsMainMenu))
        return;
    FMultiLine = Value;
    if (!ManagerLoading() && IsDocked())
        WindowChanged(bwcRebuild);
}

void TcbBar::SetName(const std::string& Value)
{
    FName = Value;
}

void TcbBar::SetNotDocking(TcbBarDockingStyles Value)
{
    FNotDocking = Value;
}

void TcbBar::SetOneOnRow(bool Value)
{
    FOneOnRow = Value;
}

void TcbBar::SetRotateWhenVertical(bool Value)
{
    if (Value == FRotateWhenVertical)
        return;
    FRotateWhenVertical = Value;
    if (!ManagerLoading())
        WindowChanged(bwcFontChanged);
}

void TcbBar::SetRow(int32_t Value)
{
    FRow = std::max(Value, 0);
}

void TcbBar::SetShowMark(bool Value)
{
    if (Value == FShowMark)
        return;
    FShowMark = Value;
    if (!ManagerLoading())
        WindowChanged(bwcRebuild);
}

void TcbBar::SetSizeGrip(bool Value)
{
    if (Value == FSizeGrip)
        return;
    FSizeGrip = Value;
    if (!ManagerLoading() && IsStatusBar())
        WindowChanged(bwcFrameRefresh);
}

void TcbBar::SetUseOwnFont(bool Value)
{
    if (Value == FUseOwnFont)
        return;
    FUseOwnFont = Value;
    if (Value) {
        MakeOwnFontHandle();
        WindowChanged(bwcFontChanged);
        return;
    }
    {
        TFlagScope Changing(FChangingFont);
        FFont->Assign(GetBarManager()->GetFont());
    }
    DeleteOwnFontHandle();
}

void TcbBar::SetUseRecentItems(bool Value)
{
    if (Value == FUseRecentItems)
        return;
    FUseRecentItems = Value;
    FItemLinks->SetUseRecentItems(Value);
    if (!ManagerLoading())
        WindowChanged(bwcRebuild);
}

void TcbBar::SetUseRestSpace(bool Value)
{
    if (Value == FUseRestSpace)
        return;
    FUseRestSpace = Value;
    if (!ManagerLoading())
        WindowChanged(bwcRebuild);
}

void TcbBar::SetVisible(bool Value)
{
    TcbBarManager* Manager = GetBarManager();
    if (Value && Manager->IsDestroying())
        return;
    if (ManagerLoading()) {
        FLoadedVisible = Value;
        return;
    }
    if (Value == FVisible)
        return;
    FVisible = Value;
    // Hiding: the window stores its place into the bar and goes; showing: it is made and placed.
    WindowChanged(Value ? bwcShow : bwcHide);
    if (Manager->IsCustomizing())
        BarRowChanged();
    if (!Manager->IsDestroying())
        Manager->DoBarVisibleChange(this);
    MarkChanged();
}

void TcbBar::SetWholeRow(bool Value)
{
    if (Value == FWholeRow)
        return;
    FWholeRow = Value;
    if (!ManagerLoading() && IsDocked())
        WindowChanged(bwcRedock);
}

void TcbBar::SetLockUpdate(bool Value)
{
    FLockUpdate = Value;
    // A floating bar's window locks its own layout; docked ones follow their dock site's.
    if (!IsDocked())
        WindowChanged(bwcLockUpdate);
}

// ---------------------------------------------------------------------------------------------
// Queries and the manager's steps

bool TcbBar::CanClose() const
{
    if (!FAllowClose || FIsMainMenu)
        return false;
    auto* Window = dynamic_cast<TcbBarControl*>(GetBarControl());
    return !Window || Window->GetCaptionFlag();
}

bool TcbBar::CanMove() const
{
    return FNotDocking != TcbBarDockingStyles{dsNone, dsLeft, dsTop, dsRight, dsBottom};
}

bool TcbBar::CanReset() const
{
    return FMadeWhileLoading && FAllowReset;
}

bool TcbBar::IsStatusBar() const
{
    return FBorderStyle == bbsNone && FDockingStyle == dsBottom && FWholeRow;
}

void TcbBar::ManagerFontChanged()
{
    if (FUseOwnFont) {
        WindowChanged(bwcRecalculate);
        return;
    }
    TFlagScope Changing(FChangingFont);
    FFont->Assign(GetBarManager()->GetFont());
}

void TcbBar::MakeOwnFontHandle()
{
    DeleteOwnFontHandle();
    FOwnFontHandle = CopyFontHandle(FFont.get());
}

void TcbBar::DeleteOwnFontHandle()
{
    if (FOwnFontHandle) {
        DeleteObject(FOwnFontHandle);
        FOwnFontHandle = nullptr;
    }
}

void TcbBar::AddDependentItem(TcbBarItem* Item)
{
    if (Item && std::find(FDependentItems.begin(), FDependentItems.end(), Item) == FDependentItems.end())
        FDependentItems.push_back(Item);
}

void TcbBar::RemoveDependentItem(TcbBarItem* Item)
{
    FDependentItems.erase(std::remove(FDependentItems.begin(), FDependentItems.end(), Item), FDependentItems.end());
}

void TcbBar::ApplyLoadedState()
{
    // Only a bar read with the design has values read while loading.
    if (!FMadeWhileLoading || FLoaded)
        return;
    FLoaded = true;
    FItemLinks->ApplyLoadedState();
    if (FLoadedDockControl)
        SetDockControl(FLoadedDockControl);
    else
        SetDockingStyle(FLoadedDockingStyle);
    SetVisible(FLoadedVisible);
}

// ---------------------------------------------------------------------------------------------
// TcbBars

TcbBars::TcbBars(TcbBarManager* ABarManager)
    : TCollection(TCollection::ItemFactory<TcbBar>(), ABarManager), FBarManager(ABarManager)
{
    if (TCustomForm* Form = ABarManager->GetOwnerForm())
        for (TcbBarDockingStyle Style : {dsLeft, dsTop, dsRight, dsBottom})
            FDockControls[Style] = TcbDockControl::CreateForEdge(Form, Style, ABarManager);
}

TcbBars::~TcbBars()
{
    // The bars go while the collection is still whole: they ask it for their manager.
    Clear();
    for (TcbDockControl*& Site : FDockControls) {
        delete Site;
        Site = nullptr;
    }
}

TcbDockControl* TcbBars::GetDockControl(TcbBarDockingStyle Style) const
{
    return Style >= dsLeft && Style <= dsBottom ? FDockControls[Style] : nullptr;
}

bool TcbBars::IsEdgeDockControl(const TcbDockControl* Site) const
{
    return Site && std::find(std::begin(FDockControls), std::end(FDockControls), Site) != std::end(FDockControls);
}

void TcbBars::DragBar(TcbBarControl* Window)
{
    TcbBar* Bar = Window ? Window->GetBar() : nullptr;
    if (!Bar || !Bar->CanMove())
        return;
    cbCallExtension(cbExtensions().DragBar, Window);
}

TcbBar* TcbBars::GetItem(int32_t Index) const
{
    return static_cast<TcbBar*>(GetItems(Index));
}

TcbBar* TcbBars::Add()
{
    return static_cast<TcbBar*>(TCollection::Add());
}

std::string TcbBars::MakeUniqueName(const std::string& Name) const
{
    for (int32_t N = 1;; ++N) {
        const std::string Candidate = Name + std::to_string(N);
        if (!FBarManager->BarByName(Candidate))
            return Candidate;
    }
}

void TcbBars::Update(TCollectionItem*) {}
