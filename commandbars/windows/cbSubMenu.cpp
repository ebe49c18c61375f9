#include "commandbars/windows/cbSubMenu.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include <windowsx.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/model/cbPopupMenuLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbStrings.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"
#include "platform/win/Graphics.h"
#include "platform/win/MemoryDC.h"

namespace {

// The window timers of a menu.
constexpr UINT_PTR kScrollTimer = 1;
constexpr UINT_PTR kMarkHotTimer = 2;
constexpr UINT_PTR kMarkExpandTimer = 3;
constexpr uint32_t kScrollInterval = 80;
constexpr uint32_t kIdleExpandDelay = 4000;
constexpr uint32_t kHoverExpandDelay = 1000;
constexpr int32_t kUnfoldStep = 8;
constexpr int32_t kSlideStep = 17;

// Whether the chain of open menus shows every link; set when a chain starts and by Expand.
bool gChainExpanded = false;

std::function<int32_t(int32_t)> gRandomSource;

int32_t RandomBelow(int32_t Range)
{
    if (gRandomSource)
        return gRandomSource(Range);
    return std::rand() % Range;
}

// The one running unfold or slide animation. The window fields are written by the user-interface
// thread before the worker starts and read by the worker; the flags are shared.
struct TMenuAnimation {
    TcbBarSubMenuControl* Window = nullptr;
    HWND Wnd = nullptr;
    HANDLE Thread = nullptr;
    HBITMAP Bitmap = nullptr;
    HDC DC = nullptr;
    int32_t Steps = 0;
    TcbBarMenuAnimations Kind = maNone;
    bool GrowLeft = false;
    bool GrowUp = false;
    TRect Final{};
    std::atomic<bool> Stop{false};
    std::atomic<bool> Destroying{false};
    std::atomic<bool>* AnimatingFlag = nullptr;
};
TMenuAnimation gAnimation;
// A duplicate of the last worker's handle, kept for the tests' wait.
HANDLE gLastAnimationThread = nullptr;

void ReapAnimationThread()
{
    if (gAnimation.Thread && !gAnimation.Window && WaitForSingleObject(gAnimation.Thread, 0) == WAIT_OBJECT_0) {
        CloseHandle(gAnimation.Thread);
        gAnimation.Thread = nullptr;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The animation worker

DWORD WINAPI MenuAnimationThreadProc(LPVOID)
{
    TMenuAnimation& A = gAnimation;
    const int32_t W = A.Final.right - A.Final.left;
    const int32_t H = A.Final.bottom - A.Final.top;
    DWORD Tick = GetTickCount();
    for (int32_t Step = 1; Step <= A.Steps && !A.Stop.load(); ++Step) {
        const int32_t FW = A.Kind == maSlide ? W : std::max<int32_t>(1, MulDiv(W, Step, A.Steps));
        const int32_t FH = std::max<int32_t>(1, MulDiv(H, Step, A.Steps));
        const int32_t X = A.GrowLeft ? A.Final.right - FW : A.Final.left;
        const int32_t Y = A.GrowUp ? A.Final.bottom - FH : A.Final.top;
        if (!IsWindow(A.Wnd) || A.Destroying.load())
            break;
        SetWindowPos(A.Wnd, nullptr, X, Y, FW, FH, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOREDRAW);
        // Unfolding shows the part next to the anchor; sliding moves the far part in.
        int32_t SX, SY;
        if (A.Kind == maSlide) {
            SX = 0;
            SY = A.GrowUp ? 0 : H - FH;
        } else {
            SX = A.GrowLeft ? W - FW : 0;
            SY = A.GrowUp ? H - FH : 0;
        }
        if (HDC DC = GetWindowDC(A.Wnd)) {
            BitBlt(DC, 0, 0, FW, FH, A.DC, SX, SY, SRCCOPY);
            ReleaseDC(A.Wnd, DC);
        }
        Sleep(1);
        while (GetTickCount() == Tick && !A.Stop.load())
            Sleep(1);
        Tick = GetTickCount();
    }
    DeleteMemoryDC(A.DC);
    DeleteObject(A.Bitmap);
    A.DC = nullptr;
    A.Bitmap = nullptr;
    if (A.AnimatingFlag)
        A.AnimatingFlag->store(false);
    if (IsWindow(A.Wnd) && !A.Destroying.load()) {
        SetWindowPos(A.Wnd, nullptr, A.Final.left, A.Final.top, W, H,
                     SWP_SHOWWINDOW | SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOZORDER);
        RedrawWindow(A.Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
    }
    A.AnimatingFlag = nullptr;
    A.Wnd = nullptr;
    A.Window = nullptr;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Construction

TcbBarSubMenuControl::TcbBarSubMenuControl(TcbBarManager* AOwner) : TCustomcbBarControl(AOwner)
{
    SetBounds(GetLeft(), GetTop(), 0, GetHeight());
}

TcbBarSubMenuControl::~TcbBarSubMenuControl()
{
    FDestroying = true;
    LeaveForDestruction();
    StopAnimation();
    if (HandleAllocated())
        DestroyHandle();
    else
        DestroyControls();
    // The open child goes with its opener's control; a child whose opener is gone goes here.
    if (TCustomcbBarControl* Child = GetChildBar(); Child && IsLiveBarControl(Child) && Child->GetParentBar() == this) {
        Child->SetParentBar(nullptr);
        SetChildBar(nullptr);
        if (auto* Menu = dynamic_cast<TcbBarSubMenuControl*>(Child); Menu && !Menu->FDestroying &&
            !(Menu->GetOpeningControl() && IsLiveItemControl(Menu->GetOpeningControl())))
            Menu->CloseAndFree();
    }
    if (TCustomcbBarControl* Parent = GetParentBar(); Parent && IsLiveBarControl(Parent)) {
        if (Parent->GetChildBar() == this)
            Parent->SetChildBar(nullptr);
        SetParentBar(nullptr);
    }
    FreeRecentBrush();
}

// ---------------------------------------------------------------------------------------------
// Questions

TcbBarPopupMenu* TcbBarSubMenuControl::GetPopupMenu() const
{
    return GetItemLinks() ? dynamic_cast<TcbBarPopupMenu*>(GetItemLinks()->GetOwner()) : nullptr;
}

TCustomcbBarSubItem* TcbBarSubMenuControl::GetSubItem() const
{
    return GetItemLinks() ? dynamic_cast<TCustomcbBarSubItem*>(GetItemLinks()->GetOwner()) : nullptr;
}

bool TcbBarSubMenuControl::UsesRecentItems() const
{
    TcbBarManager* Manager = GetBarManager();
    return Manager && Manager->GetRealStyle() != bmsStandard && Manager->GetMenusShowRecentItemsFirst() &&
        GetItemLinks() && GetItemLinks()->UsesRecentItems() && !TCustomcbBarControl::IsCustomizing();
}

bool TcbBarSubMenuControl::RecentMode() const
{
    return UsesRecentItems() && !gChainExpanded;
}

bool TcbBarSubMenuControl::IsChainExpanded()
{
    return gChainExpanded;
}

bool TcbBarSubMenuControl::IsMarkVisible() const
{
    TcbBarItemLinks* Links = GetItemLinks();
    return UsesRecentItems() && Links && Links->GetShownItemCount() < Links->GetVisibleItemCount();
}

int32_t TcbBarSubMenuControl::GetBottomReserve() const
{
    if (!IsMarkVisible())
        return 0;
    return FMetrics.ExpandButtonHeight > 0 ? FMetrics.ExpandButtonHeight : FMetrics.TextHeight + 2;
}

int32_t TcbBarSubMenuControl::GetBarSize() const
{
    if (TcbBarPopupMenu* Popup = GetPopupMenu())
        return Popup->GetBarSize();
    if (TCustomcbBarSubItem* SubItem = GetSubItem())
        return SubItem->GetBarSize();
    return 0;
}

int32_t TcbBarSubMenuControl::GetLeftBandWidth() const
{
    return GetBarSize() + FMetrics.GlyphColumnWidth + 2;
}

bool TcbBarSubMenuControl::IsDetachable() const
{
    TCustomcbBarSubItem* SubItem = GetSubItem();
    return SubItem && SubItem->GetDetachable() && !TCustomcbBarControl::IsCustomizing();
}

int32_t TcbBarSubMenuControl::GetDetachCaptionHeight() const
{
    // Half the height of "Qq", made odd.
    const HFONT Font = GetFontHandle();
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = Font ? SelectObject(DC, Font) : nullptr;
    SIZE S{};
    GetTextExtentPoint32A(DC, "Qq", 2, &S);
    if (Old)
        SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    const int32_t Half = S.cy / 2;
    return Half % 2 == 0 ? Half + 1 : Half;
}

int32_t TcbBarSubMenuControl::GetDetachBandHeight() const
{
    return IsDetachable() ? GetPainter()->GetDetachBandHeight(this) : 0;
}

int32_t TcbBarSubMenuControl::GetItemOffset() const
{
    return GetDetachBandHeight();
}

TRect TcbBarSubMenuControl::GetDetachBandRect() const
{
    const int32_t Band = GetDetachBandHeight();
    if (Band <= 0)
        return {};
    // Inside the 1-pixel border, above the client area.
    const TRect W = GetWindowRect();
    return TRect{1, 1, W.right - W.left - 1, 1 + Band};
}

bool TcbBarSubMenuControl::IsOnDetachBand(TPoint P) const
{
    if (!IsDetachable() || P.y >= 0)
        return false;
    const TPoint Offset = GetClientOffset();
    return cbInRect(GetDetachBandRect(), TPoint{P.x + Offset.x, P.y + Offset.y});
}

namespace {

// The bar a sub-item's menu becomes when it is torn off (nullptr: none, or the item is gone).
TcbBar* DetachingBarOf(TCustomcbBarSubItem* SubItem)
{
    if (!SubItem || !IsLiveItem(SubItem))
        return nullptr;
    const int32_t Index = SubItem->GetDetachingBar();
    TcbBarManager* Manager = SubItem->GetBarManager();
    TcbBars* Bars = Manager ? Manager->GetBars() : nullptr;
    return Bars && Index >= 0 && Index < Bars->GetCount() ? Bars->GetItem(Index) : nullptr;
}

} // namespace

bool TcbBarSubMenuControl::CanDetachNow() const
{
    TcbBar* Bar = DetachingBarOf(GetSubItem());
    if (!Bar)
        return false;
    TCustomcbBarControl* Root = GetRootToolbar(const_cast<TcbBarSubMenuControl*>(this));
    return !(Root && Root->GetBar() == Bar);
}

void TcbBarSubMenuControl::SetDetachBandHot(bool Value)
{
    if (Value && !IsDetachable())
        return;
    if (Value == FDetachBandHot)
        return;
    FDetachBandHot = Value;
    if (HandleAllocated() && !IsAnimating() && !FDestroying) {
        HDC DC = GetWindowDC(FHandle);
        DrawNonClient(DC);
        ReleaseDC(FHandle, DC);
    }
    if (TcbBarManager* Manager = GetBarManager()) {
        if (Value)
            Manager->ActivateHint(true, uiGetResourceString(cbsDragToFloat));
        else
            Manager->ActivateHint(false, std::string());
    }
}

TBitmap* TcbBarSubMenuControl::GetBackgroundBitmap() const
{
    if (TcbBarPopupMenu* Popup = GetPopupMenu(); Popup && Popup->GetBackgroundBitmap() &&
        !Popup->GetBackgroundBitmap()->GetEmpty())
        return Popup->GetBackgroundBitmap();
    TcbBarManager* Manager = GetBarManager();
    if (Manager && Manager->GetBackgrounds() && Manager->GetBackgrounds()->GetSubMenu() &&
        !Manager->GetBackgrounds()->GetSubMenu()->GetEmpty())
        return Manager->GetBackgrounds()->GetSubMenu();
    return nullptr;
}

bool TcbBarSubMenuControl::HasCustomBackground() const
{
    return GetBackgroundBitmap() != nullptr;
}

bool TcbBarSubMenuControl::IsAnimating() const
{
    return FAnimatingNow.load();
}

bool TcbBarSubMenuControl::CanCustomize() const
{
    if (TCustomcbBarControl::CanCustomize())
        return true;
    if (auto* SubItem = dynamic_cast<TcbBarSubItem*>(GetSubItem()))
        return SubItem->GetAllowCustomizing();
    return GetPopupMenu() != nullptr;
}

int32_t TcbBarSubMenuControl::GetBeginGroupSize() const
{
    return GetPainter()->GetSubMenuBeginGroupSize();
}

HFONT TcbBarSubMenuControl::GetFontHandle() const
{
    if (auto* Parent = dynamic_cast<TcbBarSubMenuControl*>(GetParentBar()); Parent && IsLiveBarControl(Parent))
        return Parent->GetFontHandle();
    if (TcbBarPopupMenu* Popup = GetPopupMenu(); Popup && Popup->GetUseOwnFont() && Popup->GetFontHandle())
        return Popup->GetFontHandle();
    return TCustomcbBarControl::GetFontHandle();
}

void TcbBarSubMenuControl::AssignFont()
{
    if (auto* Parent = dynamic_cast<TcbBarSubMenuControl*>(GetParentBar()); Parent && IsLiveBarControl(Parent)) {
        GetFont()->Assign(Parent->GetFont());
        return;
    }
    if (TcbBarPopupMenu* Popup = GetPopupMenu(); Popup && Popup->GetUseOwnFont()) {
        GetFont()->Assign(Popup->GetFont());
        return;
    }
    if (TcbBarManager* Manager = GetBarManager(); Manager && Manager->GetFont())
        GetFont()->Assign(Manager->GetFont());
}

bool TcbBarSubMenuControl::IsCustomizing() const
{
    if (auto* SubItem = dynamic_cast<TcbBarSubItem*>(GetSubItem()); SubItem && SubItem->GetFrameworkMade())
        return false;
    return TCustomcbBarControl::IsCustomizing();
}

bool TcbBarSubMenuControl::IsShadowVisible() const
{
    return TCustomcbBarControl::IsShadowVisible() && !IsAnimating();
}

TRect TcbBarSubMenuControl::GetItemRectWithBeginGroup(const TcbBarItemControl* Control) const
{
    TRect R = GetItemRect(Control);
    if (IsRectEmpty(&R) || !Control->GetLink())
        return R;
    TcbBarItemLinks* Links = GetItemLinks();
    const int32_t Index = Links ? Links->IndexOfShown(Control->GetLink()) : -1;
    if (Control->IsFirstRarelyUsed() && !GetPainter()->UseStandardSubMenuLayout())
        R.top -= 1;
    const bool AfterScrollUp = CanScrollUp() && Index == FFirstVisibleIndex + 1;
    if (Control->GetLink()->GetBeginGroup() && Index > FFirstVisibleIndex && !AfterScrollUp)
        R.top -= GetBeginGroupSize();
    return R;
}

TcbBarItemControl* TcbBarSubMenuControl::GetDropControlAtPos(TPoint P, bool& Vertical, bool& Outside,
                                                             bool& Leading) const
{
    TcbBarItemControl* Control = TCustomcbBarControl::GetDropControlAtPos(P, Vertical, Outside, Leading);
    bool Down = false;
    if (Control && IsScrollRow(Control, Down))
        return nullptr;
    if (IsMarkVisible() && cbInRect(GetMarkRect(), P))
        return nullptr;
    return Control;
}

bool TcbBarSubMenuControl::AllowsRightButtonClick() const
{
    if (FOwnerWidth == 0 && FOwnerHeight == 0)
        return true;
    auto* Parent = dynamic_cast<TcbBarSubMenuControl*>(GetParentBar());
    return Parent && IsLiveBarControl(Parent) && Parent->AllowsRightButtonClick();
}

TRect TcbBarSubMenuControl::GetMarkRect() const
{
    if (!IsMarkVisible())
        return {};
    const TRect Client = GetClientRect();
    const int32_t Reserve = GetBottomReserve();
    return TRect{GetBarSize() + 1, Client.bottom - 1 - Reserve, Client.right - 1, Client.bottom - 1};
}

bool TcbBarSubMenuControl::IsScrollRow(const TcbBarItemControl* Control, bool& Down) const
{
    TcbBarItemLinks* Links = GetItemLinks();
    if (!Control || !Links || !Control->GetLink())
        return false;
    const int32_t Index = Links->IndexOfShown(Control->GetLink());
    if (CanScrollUp() && Index == FFirstVisibleIndex) {
        Down = false;
        return true;
    }
    if (CanScrollDown() && Index == FLastVisibleIndex) {
        Down = true;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// The controls and the layout

void TcbBarSubMenuControl::CalcDrawingConsts()
{
    TCustomcbBarControl::CalcDrawingConsts();
    TcbSubMenuMetrics M;
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, GetFontHandle());
    GetPainter()->CalcSubMenuMetrics(this, DC, M);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    FMetrics = M;
}

void TcbBarSubMenuControl::CreateControls()
{
    InsertContainerContent();
    TCustomcbBarControl::CreateControls();
}

void TcbBarSubMenuControl::DestroyControls()
{
    TFlagScope Destroying(FDestroyingControls);
    TCustomcbBarControl::DestroyControls();
    RemoveContainerContent();
}

void TcbBarSubMenuControl::InsertContainerContent()
{
    TcbBarItemLinks* Links = GetItemLinks();
    if (!Links || FContentInserted || TCustomcbBarControl::IsCustomizing())
        return;
    FContentInserted = true;
    FContainers.clear();
    FHiddenContainers.clear();
    std::vector<TCustomcbBarContainerItem*> Met;
    for (int32_t I = 0; I < Links->GetCount(); ++I) {
        TcbBarItemLink* Link = Links->GetItem(I);
        auto* Container = dynamic_cast<TCustomcbBarContainerItem*>(Link->GetItem());
        if (!Container || !Link->GetVisible())
            continue;
        const bool First = std::find(Met.begin(), Met.end(), Container) == Met.end();
        Met.push_back(Container);
        const int32_t Before = Links->GetCount();
        Container->AddListedItemLinks(Links, I + 1, Link, First);
        const int32_t Added = Links->GetCount() - Before;
        FContainers.emplace_back(Link, Added);
        // In a menu the content stands in the container's place.
        FHiddenContainers.emplace_back(Link, I);
        Link->SetVisible(false);
        I += Added;
    }
}

void TcbBarSubMenuControl::RemoveContainerContent()
{
    TcbBarItemLinks* Links = GetItemLinks();
    if (!Links || !FContentInserted)
        return;
    FContentInserted = false;
    for (auto It = FContainers.rbegin(); It != FContainers.rend(); ++It) {
        auto* Container = dynamic_cast<TCustomcbBarContainerItem*>(It->first->GetItem());
        const int32_t Index = It->first->GetIndex();
        if (Container && Index >= 0)
            Container->DeleteListedItemLinks(Links, Index + 1);
    }
    for (auto& Hidden : FHiddenContainers)
        Hidden.first->SetVisible(true);
    FContainers.clear();
    FHiddenContainers.clear();
}

void TcbBarSubMenuControl::CalcLayout(int32_t* Widest)
{
    TcbBarItemLinks* Links = GetItemLinks();
    if (!Links)
        return;
    // The rarely used links: those past the recent count in the recent list.
    std::vector<TcbBarItemLink*> Recent;
    const bool Marks = UsesRecentItems() && gChainExpanded;
    if (Marks) {
        const int32_t Count = Links->GetRecentItemCount();
        for (int32_t I = 0; I < Links->GetRecentListCount() && static_cast<int32_t>(Recent.size()) < Count; ++I) {
            TcbBarItemLink* Link = Links->GetRecentListItem(I);
            if (Links->IndexOfVisible(Link) >= 0)
                Recent.push_back(Link);
        }
        if (Count < 0)
            Recent.clear();
    }
    const bool AllRecent = !Marks || Links->GetRecentItemCount() < 0;
    bool PrevRare = false;
    for (int32_t I = 0; I < Links->GetShownItemCount(); ++I) {
        TcbBarItemLink* Link = Links->GetShownItem(I);
        const bool Rare = !AllRecent && std::find(Recent.begin(), Recent.end(), Link) == Recent.end();
        if (TcbBarItemControl* Control = Link->GetControl())
            Control->SetRarelyUsedMarks(Rare, Rare && !PrevRare);
        PrevRare = Rare;
    }
    Links->ClearItemRects();
    TcbSubMenuItemsArea Area;
    GetPainter()->CalcSubMenuItemsRect(this, Area);
    const TRect Items = Area.ItemsRect;
    // Rows may use the client area down to the expand mark.
    const int32_t Bottom = GetClientRect().bottom - GetBottomReserve();
    int32_t Top = Items.top;
    int32_t Wide = 0;
    int32_t I = std::max<int32_t>(0, FFirstVisibleIndex);
    FLastVisibleIndex = -1;
    for (; I < Links->GetShownItemCount(); ++I) {
        TcbBarItemLink* Link = Links->GetShownItem(I);
        TcbBarItemControl* Control = Link->GetControl();
        if (!Control)
            continue;
        const bool AfterScrollUp = FFirstVisibleIndex > 0 && I == FFirstVisibleIndex + 1;
        int32_t GroupTop = Top;
        if (I > FFirstVisibleIndex && Link->GetBeginGroup() && !AfterScrollUp) {
            Top += GetBeginGroupSize();
        }
        const int32_t H = Control->GetHeight();
        if (Top + H > Bottom && I > FFirstVisibleIndex)
            break;
        Link->SetItemRect(TRect{Items.left, Top, Items.right, Top + H});
        Link->SetItemRectWithBeginGroup(TRect{Items.left, GroupTop, Items.right, Top + H});
        Wide = std::max(Wide, Control->GetRealWidth());
        FLastVisibleIndex = I;
        Top += H;
    }
    FCanScrollDown = I < Links->GetShownItemCount();
    if (Widest)
        *Widest = Wide;
}

TSize TcbBarSubMenuControl::CalcSize()
{
    return GetPainter()->CalcSubMenuSize(this);
}

void TcbBarSubMenuControl::PlaceInWorkArea(bool& FlippedX, bool& FlippedY)
{
    FlippedX = false;
    FlippedY = false;
    const TSize Size = CalcSize();
    int32_t W = Size.cx, H = Size.cy;
    int32_t L = GetLeft(), T = GetTop();
    const TRect Area = GetMonitorWorkArea(TPoint{L, T});
    // Horizontal.
    if (L + W > Area.right) {
        if (FOwnerWidth > 0) {
            if (L - FOwnerWidth - Area.left > Area.right - L) {
                L = L - FOwnerWidth - W;
                FlippedX = true;
            }
        } else {
            L = Area.right - W;
        }
    }
    if (L < Area.left) {
        if (FOwnerWidth == 0) {
            L = Area.left;
        } else if (FDirectionX == 0 && Area.right - (L + W + FOwnerWidth) > Area.left - L) {
            L = L + W + FOwnerWidth;
            FlippedX = !FlippedX;
        }
    }
    L = std::max<int32_t>(std::min<int32_t>(L, Area.right - W), Area.left);
    // Vertical.
    if (T + H > Area.bottom) {
        if (FOwnerHeight > 0) {
            if (T - FOwnerHeight - Area.top > Area.bottom - T) {
                T = T - FOwnerHeight - H;
                FlippedY = true;
            } else {
                H = Area.bottom - T;
            }
        } else if (FOwnerWidth > 0) {
            T = Area.bottom - H;
        } else if (T - H >= Area.top) {
            T = T - H;
            FlippedY = true;
        } else {
            T = Area.bottom - H;
        }
    }
    if (T < Area.top) {
        if (FDirectionY == 1) {
            if (FlippedY && FOwnerHeight > 0)
                H -= Area.top - T;
            T = Area.top;
            H = std::min<int32_t>(H, Area.bottom - T);
        } else if (FOwnerHeight > 0 && Area.bottom - (T + H + FOwnerHeight) > T - Area.top) {
            T = T + H + FOwnerHeight;
            H = std::min<int32_t>(H, Area.bottom - T);
            FlippedY = false;
        }
    }
    if (FlippedX)
        FDirectionX = 0;
    if (FlippedY)
        FDirectionY = 0;
    SetBounds(L, T, W, H);
    CalcLayout();
    FPlacedRect = Bounds(L, T, W, H);
}

void TcbBarSubMenuControl::RebuildBar()
{
    // Nothing before the window has been placed the first time.
    if (!HandleAllocated() || FDestroying || !FPlaced)
        return;
    const TRect Saved = GetBoundsRect();
    SetBounds(FAnchor.x, FAnchor.y, Saved.right - Saved.left, Saved.bottom - Saved.top);
    TcbBarItemLinks* Links = GetItemLinks();
    const int32_t Count = Links ? Links->GetShownItemCount() : 0;
    FFirstVisibleIndex = std::clamp<int32_t>(FFirstVisibleIndex, 0, std::max(0, Count - 1));
    bool FX = false, FY = false;
    PlaceInWorkArea(FX, FY);
    // Back up as far as the links still fit.
    while (FFirstVisibleIndex > 0) {
        --FFirstVisibleIndex;
        CalcLayout();
        if (CanScrollDown()) {
            ++FFirstVisibleIndex;
            CalcLayout();
            break;
        }
    }
    InvalidateRect(FHandle, nullptr, FALSE);
    RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

// ---------------------------------------------------------------------------------------------
// The window

void TcbBarSubMenuControl::CreateParams(TCreateParams& Params)
{
    TCustomcbBarControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    Params.ExStyle |= WS_EX_TOPMOST;
    Params.ClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC | CS_SAVEBITS;
    Params.Menu = nullptr;
    HWND Owner = FOwnerWindow;
    if (!Owner || !IsWindow(Owner)) {
        TcbBarManager* Manager = GetBarManager();
        TCustomForm* Form = Manager ? Manager->GetOwnerForm() : nullptr;
        Owner = Form && Form->HandleAllocated() ? Form->GetHandle() : nullptr;
    }
    Params.WndParent = Owner;
}

void TcbBarSubMenuControl::CreateRecentBrush()
{
    FreeRecentBrush();
    TcbBarManager* Manager = GetBarManager();
    if (!Manager || Manager->GetRealStyle() == bmsStandard || !Manager->GetMenusShowRecentItemsFirst())
        return;
    const COLORREF Face = GetSysColor(COLOR_BTNFACE);
    const COLORREF Color = RGB(std::min(255, GetRValue(Face) + 20), std::min(255, GetGValue(Face) + 20),
                               std::min(255, GetBValue(Face) + 20));
    if (cbScreenColorDepth() < 9) {
        LOGPALETTE Palette{};
        Palette.palVersion = 0x300;
        Palette.palNumEntries = 1;
        Palette.palPalEntry[0] = PALETTEENTRY{GetRValue(Color), GetGValue(Color), GetBValue(Color), 0};
        FRecentPalette = CreatePalette(&Palette);
        FRecentBrush = CreateSolidBrush(PALETTEINDEX(0));
    } else {
        FRecentBrush = CreateSolidBrush(Color);
    }
}

void TcbBarSubMenuControl::FreeRecentBrush()
{
    if (FRecentBrush)
        DeleteObject(FRecentBrush);
    if (FRecentPalette)
        DeleteObject(FRecentPalette);
    FRecentBrush = nullptr;
    FRecentPalette = nullptr;
}

void TcbBarSubMenuControl::CreateWnd()
{
    CreateRecentBrush();
    FPlaced = false;
    TCustomcbBarControl::CreateWnd();
    FAnchor = TPoint{GetLeft(), GetTop()};
    SetIsActive(true);
    if (TcbBarItemLinks* Links = GetItemLinks())
        Links->SetRecentCount(RecentMode() ? Links->GetRecentItemCount() : -1);
    FFirstVisibleIndex = 0;
    bool FlippedX = false, FlippedY = false;
    PlaceInWorkArea(FlippedX, FlippedY);
    FPlaced = true;
    // The links shown are known now.
    StartIdleExpandTimer();
    if (FAnimate)
        PrepareAnimation(FlippedX, FlippedY);
    PlayMenuSound(msMenuPopup);
}

void TcbBarSubMenuControl::DestroyWindowHandle()
{
    StopAnimation();
    TCustomcbBarControl::DestroyWindowHandle();
}

void TcbBarSubMenuControl::DestroyWnd()
{
    StopAnimation();
    StopScrollTimer();
    StopMarkTimer();
    if (!FRebuilding) {
        if (TCustomcbBarControl* Child = GetChildBar(); Child && IsLiveBarControl(Child) && Child->HandleAllocated())
            Child->DestroyHandle();
    }
    TcbBarButtonControl* Button = FDropDownButton;
    if (!FRebuilding) {
        SetIsActive(false);
        if (Button && IsLiveItemControl(Button)) {
            FDropDownButton = nullptr;
            TCustomcbBarControl* Bar = Button->GetBarControl();
            if (IsLiveBarControl(Bar) && Bar->HandleAllocated()) {
                Button->CloseDropDownState();
                if (IsLeftButtonPressed()) {
                    POINT P{};
                    GetCursorPos(&P);
                    ::ScreenToClient(Bar->GetHandle(), &P);
                    if (cbInRect(Button->GetItemRect(), TPoint{P.x, P.y})) {
                        Bar->SetIgnoreNextButtonUp(Button->IsArrowPressed());
                        if (Bar->GetKind() == bwkToolbar)
                            Bar->HideAll();
                    }
                } else if (GetKeyState(VK_ESCAPE) >= 0 && GetKeyState(VK_LEFT) >= 0 && GetKeyState(VK_RIGHT) >= 0) {
                    Bar->HideAll();
                }
            }
        }
    }
    TCustomcbBarControl::DestroyWnd();
    if (!FRebuilding) {
        if (!FCloseUpFired) {
            FCloseUpFired = true;
            DoCloseUpEvent();
        }
        FreeRecentBrush();
    }
}

void TcbBarSubMenuControl::DoCloseUpEvent()
{
    if (OnCloseUp) {
        auto Handler = OnCloseUp;
        Handler();
    }
}

void TcbBarSubMenuControl::DoBeforeShowEvent()
{
    if (OnBeforeShow) {
        auto Handler = OnBeforeShow;
        Handler();
    }
}

void TcbBarSubMenuControl::VisibleChanged()
{
    if (GetVisible()) {
        if (!FShowing)
            ShowAnimated();
        return;
    }
    StopAnimation();
    TCustomcbBarControl::VisibleChanged();
}

void TcbBarSubMenuControl::ShowAnimated()
{
    if (FDestroying)
        return;
    TFlagScope Showing(FShowing);
    DoBeforeShowEvent();
    if (FDestroying || !IsLiveBarControl(this))
        return;
    // The kind comes from the manager of the chain's root bar window.
    TCustomcbBarControl* Root = GetRootBarControl(this);
    TcbBarManager* Manager = Root && Root->GetBarManager() ? Root->GetBarManager() : GetBarManager();
    TcbBarMenuAnimations Kind = Manager ? Manager->GetMenuAnimations() : maNone;
    if (Kind == maRandom) {
        const int32_t R = RandomBelow(100);
        Kind = R < 33 ? maUnfold : R < 66 ? maSlide : maFade;
    }
    FAnimationKind = Kind;
    TcbBarItemLinks* Links = GetItemLinks();
    FAnimate = FAnimate && (Kind == maUnfold || Kind == maSlide) && Links && Links->GetVisibleItemCount() > 0 &&
        !(Manager && Manager->IsCustomizing());
    SetVisible(true);
    if (Kind == maFade && cbUser32Entries().AnimateWindow && !(Manager && Manager->IsCustomizing())) {
        HandleNeeded();
        ProcessPaintMessages();
        cbUser32Entries().AnimateWindow(FHandle, 150, AW_BLEND);
        if (!IsWindowVisible(FHandle))
            ShowWindow(FHandle, SW_SHOWNA);
    } else {
        HandleNeeded();
        if (!HandleAllocated())
            return;
        UINT Flags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
        if (!IsAnimating())
            Flags |= SWP_SHOWWINDOW;
        SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, Flags);
        ProcessPaintMessages();
    }
    if (FSelectFirstOnShow && IsLiveBarControl(this) && HandleAllocated()) {
        FSelectFirstOnShow = false;
        SelectControlByKeyboard(EdgeSelectable(true));
    }
}

void TcbBarSubMenuControl::CloseAndFree()
{
    if (FDestroying)
        return;
    // A sub-item's menu closes through its control, which forgets it there.
    if (auto* Opener = dynamic_cast<TcbBarSubItemControl*>(GetOpeningControl());
        Opener && IsLiveItemControl(Opener) && Opener->GetSubMenuWindow() == this) {
        Opener->ControlInactivate(true);
        if (!IsLiveBarControl(this))
            return;
    }
    FDestroying = true;
    if (gAnimation.Window == this)
        gAnimation.Destroying.store(true);
    StopAnimation();
    if (HandleAllocated())
        DestroyHandle();
    delete this;
}

void TcbBarSubMenuControl::HideAll()
{
    if (TCustomcbBarControl* Parent = GetParentBar(); Parent && IsLiveBarControl(Parent)) {
        Parent->HideAll();
        return;
    }
    SetChildBar(nullptr);
    CloseAndFree();
    ProcessPaintMessages();
}

void TcbBarSubMenuControl::SetIsActive(bool Value)
{
    if (FRebuilding)
        return;
    if (Value && !IsActiveBar()) {
        // A chain starts when no other menu is open.
        TCustomcbBarControl* Active = ActiveBarControl();
        if (!Active || Active->GetKind() != bwkMenu) {
            TcbBarManager* Manager = GetBarManager();
            gChainExpanded = Manager && Manager->IsCustomizing();
        }
    }
    TCustomcbBarControl::SetIsActive(Value);
    if (Value)
        StartIdleExpandTimer();
}

// An active personalized menu expands by itself after a while.
void TcbBarSubMenuControl::StartIdleExpandTimer()
{
    if (IsActiveBar() && HandleAllocated() && RecentMode() && IsMarkVisible())
        if (TcbBarManager* Manager = GetBarManager(); Manager && Manager->GetShowFullMenusAfterDelay())
            StartMarkTimer(kMarkExpandTimer, kIdleExpandDelay);
}

void TcbBarSubMenuControl::SetSelectedControl(TcbBarItemControl* Control)
{
    if (Control == GetSelectedControl())
        return;
    TCustomcbBarControl::SetSelectedControl(Control);
    if (!IsLiveBarControl(this))
        return;
    if (Control && GetSelectedControl() == Control)
        ScrollIntoView(Control);
    if (FMarkState == bstNormal) {
        StopMarkTimer();
        TcbBarManager* Manager = GetBarManager();
        if (IsActiveBar() && RecentMode() && IsMarkVisible() && Manager && Manager->GetShowFullMenusAfterDelay())
            StartMarkTimer(kMarkHotTimer, kIdleExpandDelay);
    }
}

// ---------------------------------------------------------------------------------------------
// Painting

HBRUSH TcbBarSubMenuControl::GetCachedBarBrush() const
{
    return FRowBrush ? FRowBrush : TCustomcbBarControl::GetCachedBarBrush();
}

void TcbBarSubMenuControl::FillBackground(HDC DC, const TRect& R, HBRUSH Brush, TColor Color) const
{
    if (Color != clNone || !IsPainterBackgroundFill(DC, Brush)) {
        TCustomcbBarControl::FillBackground(DC, R, Brush, Color);
        return;
    }
    // The rows' items are transparent: what shows under them is the band, the quick-check
    // column and the menu's colour after them, as the painter draws the whole menu.
    ++FPainterFills;
    TScopeExit Done([this] { --FPainterFills; });
    const int Saved = SaveDC(DC);
    IntersectClipRect(DC, R.left, R.top, R.right, R.bottom);
    GetPainter()->DrawSubMenuBackground(this, DC, R);
    RestoreDC(DC, Saved);
}

void TcbBarSubMenuControl::RepaintItemControl(TcbBarItemControl* Control)
{
    TCustomcbBarControl::RepaintItemControl(Control);
    if (!Control || !HandleAllocated() || IsAnimating() || FDestroying)
        return;
    const TRect R = GetItemRect(Control);
    if (IsRectEmpty(&R))
        return;
    const TRect Whole = GetItemRectWithBeginGroup(Control);
    if (GetInvalidateOnly() || !GetCanvasDC()) {
        InvalidateRect(FHandle, &Whole, FALSE);
        return;
    }
    bool Down = false;
    if (IsScrollRow(Control, Down))
        return;
    HDC DC = GetCanvasDC();
    const int Saved = SaveDC(DC);
    IntersectClipRect(DC, Whole.left, Whole.top, Whole.right, Whole.bottom);
    TcbPainterClass Painter = GetPainter();
    HBRUSH Brush = nullptr;
    if (Control->IsRarelyUsed() && FRecentBrush) {
        Brush = FRecentBrush;
        if (FRecentPalette) {
            SelectPalette(DC, FRecentPalette, TRUE);
            RealizePalette(DC);
        }
    } else {
        Brush = Painter->GetSubMenuBrush();
        Painter->PrepareSubMenuItemRow(Control, Brush);
    }
    FRowBrush = Brush;
    TScopeExit ClearBrush([this] { FRowBrush = nullptr; });
    FillRect(DC, &R, cbResolveBrush(Brush));
    TcbBarItemLinks* Links = GetItemLinks();
    const int32_t Index = Links ? Links->IndexOfShown(Control->GetLink()) : -1;
    const bool AfterScrollUp = CanScrollUp() && Index == FFirstVisibleIndex + 1;
    if (Control->GetLink()->GetBeginGroup() && Index > FFirstVisibleIndex && !AfterScrollUp)
        Painter->DrawSubMenuBeginGroup(this, Control, DC);
    Control->Draw(R, dkMenu);
    RestoreDC(DC, Saved);
}

void TcbBarSubMenuControl::PaintBar(HDC DC)
{
    if (IsAnimating() || FDestroying)
        return;
    const TRect Client = GetClientRect();
    TcbBarItemLinks* Links = GetItemLinks();
    if (!Links || Links->GetShownItemCount() == 0) {
        FillBackground(DC, Client, nullptr, clNone);
        return;
    }
    CalcLayout();
    const int Saved = SaveDC(DC);
    SelectObject(DC, GetFontHandle());
    TcbPainterClass Painter = GetPainter();
    Painter->DrawSubMenuSideBand(this, DC, GetCachedBarBrush(), Client);
    {
        const int Inner = SaveDC(DC);
        Painter->DrawSubMenuContent(this, DC);
        for (int32_t I = FFirstVisibleIndex; I < Links->GetShownItemCount(); ++I)
            if (TcbBarItemControl* Control = Links->GetShownItem(I)->GetControl())
                RepaintItemControl(Control);
        RestoreDC(DC, Inner);
    }
    if (const int32_t Size = GetBarSize(); Size > 0) {
        const TRect Band{1, 1, 1 + Size, Client.bottom - 1};
        FillRect(DC, &Band, cbResolveBrush(TCustomcbBarControl::GetCachedBarBrush()));
        TCanvas Canvas;
        Canvas.SetHandle(DC);
        TcbBarManager* Manager = GetBarManager();
        if (Manager && Manager->IsDesigning()) {
            Canvas.GetBrush()->SetColor(clBtnShadow);
            Canvas.FillRect(Band);
        } else if (TcbBarPopupMenu* Popup = GetPopupMenu()) {
            Popup->DoPaintBar(&Canvas, Band);
        } else if (TCustomcbBarSubItem* SubItem = GetSubItem()) {
            SubItem->PaintBar(&Canvas, Band);
        }
        Canvas.SetHandle(nullptr);
    }
    RestoreDC(DC, Saved);
}

void TcbBarSubMenuControl::DrawNonClient(HDC DC)
{
    const TRect W = GetWindowRect();
    GetPainter()->DrawSubMenuBorder(this, DC, TRect{0, 0, W.right - W.left, W.bottom - W.top});
}

// ---------------------------------------------------------------------------------------------
// Scrolling

void TcbBarSubMenuControl::StartScrollTimer()
{
    if (FScrollTimer || !HandleAllocated())
        return;
    FScrollTimer = SetTimer(FHandle, kScrollTimer, kScrollInterval, nullptr) != 0;
}

void TcbBarSubMenuControl::StopScrollTimer()
{
    if (!FScrollTimer)
        return;
    FScrollTimer = false;
    if (HandleAllocated())
        KillTimer(FHandle, kScrollTimer);
}

void TcbBarSubMenuControl::ScrollBy(int32_t Delta)
{
    TcbBarItemLinks* Links = GetItemLinks();
    if (!Links)
        return;
    const int32_t Last = std::max(0, Links->GetShownItemCount() - 1);
    FFirstVisibleIndex = std::clamp<int32_t>(FFirstVisibleIndex + Delta, 0, Last);
    CalcLayout();
    InvalidateRect(FHandle, nullptr, FALSE);
}

void TcbBarSubMenuControl::ScrollTimerTick()
{
    POINT P{};
    GetCursorPos(&P);
    ::ScreenToClient(FHandle, &P);
    bool Down = false;
    TcbBarItemControl* Control = ControlAtPos(TPoint{P.x, P.y});
    const bool OnRow = Control && IsScrollRow(Control, Down);
    if (OnRow && (Down ? CanScrollDown() : CanScrollUp())) {
        ScrollBy(Down ? 1 : -1);
        return;
    }
    StopScrollTimer();
    GetCursorPos(&P);
    FScrollStopPos = TPoint{P.x, P.y};
    ::ScreenToClient(FHandle, &P);
    SendMessageA(FHandle, WM_MOUSEMOVE, 0, MAKELPARAM(P.x, P.y));
}

// Hovering a scroll row clears the selection and scrolls; FOnScrollRow tells whether it is one.
void TcbBarSubMenuControl::CheckScrollButtons(TPoint P)
{
    bool Down = false;
    TcbBarItemControl* Control = ControlAtPos(P);
    if (!Control || !IsScrollRow(Control, Down)) {
        FOnScrollRow = false;
        return;
    }
    FOnScrollRow = true;
    POINT Cursor{};
    GetCursorPos(&Cursor);
    if (FScrollTimer || (Cursor.x == FScrollStopPos.x && Cursor.y == FScrollStopPos.y))
        return;
    if (GetSelectedControl())
        SelectControlByMouse(nullptr);
    StartScrollTimer();
}

void TcbBarSubMenuControl::ScrollIntoView(TcbBarItemControl* Control)
{
    TcbBarItemLinks* Links = GetItemLinks();
    if (!Links || !Control->GetLink() || !HandleAllocated())
        return;
    const int32_t Index = Links->IndexOfShown(Control->GetLink());
    if (Index < 0 || (!CanScrollUp() && !CanScrollDown()))
        return;
    const int32_t Old = FFirstVisibleIndex;
    if (Index < FFirstVisibleIndex || (CanScrollUp() && Index == FFirstVisibleIndex)) {
        FFirstVisibleIndex = std::max(0, Index - 1);
        CalcLayout();
    }
    bool Down = false;
    for (int32_t Guard = 0; Guard < Links->GetShownItemCount(); ++Guard) {
        CalcLayout();
        const TRect R = Control->GetItemRect();
        if (!IsRectEmpty(&R) && !IsScrollRow(Control, Down))
            break;
        if (FFirstVisibleIndex >= Index)
            break;
        ++FFirstVisibleIndex;
    }
    if (Old != FFirstVisibleIndex)
        InvalidateRect(FHandle, nullptr, FALSE);
}

// ---------------------------------------------------------------------------------------------
// Personalized menus

void TcbBarSubMenuControl::StartMarkTimer(UINT_PTR Id, uint32_t Ms)
{
    StopMarkTimer();
    if (HandleAllocated() && SetTimer(FHandle, Id, Ms, nullptr))
        FMarkTimer = Id;
}

void TcbBarSubMenuControl::StopMarkTimer()
{
    if (!FMarkTimer)
        return;
    if (HandleAllocated())
        KillTimer(FHandle, FMarkTimer);
    FMarkTimer = 0;
}

void TcbBarSubMenuControl::MarkTimerProc(UINT_PTR Id)
{
    StopMarkTimer();
    if (Id == kMarkExpandTimer)
        SetMarkState(bstPressed);
    else if (Id == kMarkHotTimer && !GetChildBar())
        SetMarkState(bstHot);
}

void TcbBarSubMenuControl::SetMarkState(TcbButtonState Value)
{
    if (TCustomcbBarControl::IsCustomizing() || !RecentMode())
        return;
    if (Value == bstHot)
        if (auto* Win = dynamic_cast<TcbBarWinControl*>(GetSelectedControl()); Win && Win->IsEditing())
            return;
    if (Value == FMarkState)
        return;
    FMarkState = Value;
    TcbBarManager* Manager = GetBarManager();
    if (Manager && Manager->GetShowFullMenusAfterDelay()) {
        StopMarkTimer();
        POINT P{};
        GetCursorPos(&P);
        if (Value == bstHot && HandleAllocated()) {
            ::ScreenToClient(FHandle, &P);
            if (cbInRect(GetMarkRect(), TPoint{P.x, P.y}))
                StartMarkTimer(kMarkExpandTimer, kHoverExpandDelay);
        }
    } else if (Manager) {
        if (Value == bstHot)
            Manager->ActivateHint(true, uiGetResourceString(cbsExpandHint));
        else
            Manager->ActivateHint(false, std::string());
    }
    if (Value == bstPressed) {
        Expand();
        return;
    }
    if (HandleAllocated()) {
        const TRect R = GetMarkRect();
        InvalidateRect(FHandle, &R, FALSE);
    }
}

void TcbBarSubMenuControl::Expand()
{
    if (!IsMarkVisible() || !HandleAllocated())
        return;
    gChainExpanded = true;
    FAnimate = true;
    FMarkState = bstNormal;
    {
        TFlagScope Rebuilding(FRebuilding);
        DestroyHandle();
    }
    SetBounds(FAnchor.x, FAnchor.y, GetWidth(), GetHeight());
    ShowAnimated();
}

bool TcbBarSubMenuControl::HandleExpandKeys(uint16_t Key)
{
    if (!IsMarkVisible())
        return false;
    const bool Ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool Shift = GetKeyState(VK_SHIFT) < 0;
    if (Key == VK_DOWN && Ctrl) {
        SetMarkState(bstPressed);
        return true;
    }
    if ((Key == VK_DOWN || Key == VK_TAB) && !Shift) {
        TcbBarItemLinks* Links = GetItemLinks();
        TcbBarItemControl* Selected = GetSelectedControl();
        if (!Links || !Selected || Links->GetShownItemCount() == 0 ||
            Links->GetShownItem(Links->GetShownItemCount() - 1) != Selected->GetLink())
            return false;
        TcbBarItemLink* Link = Selected->GetLink();
        SetMarkState(bstPressed);
        if (!IsLiveBarControl(this) || !HandleAllocated())
            return true;
        // The selection comes back and the key moves it into the links now shown.
        if (Link->GetControl())
            SelectControlByKeyboard(Link->GetControl());
        SendMessageA(FHandle, WM_KEYDOWN, Key, 0);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Tearing the menu off

namespace {

// What a cancelled tear-off puts back: the bar as it was before the drag began.
struct TDetachedBarState {
    bool Visible = false;
    TcbBarDockingStyle DockingStyle = dsNone;
    TcbBarDockControl* DockControl = nullptr;
    int32_t FloatLeft = 0, FloatTop = 0, FloatClientWidth = 0, FloatClientHeight = 0;

    explicit TDetachedBarState(const TcbBar* Bar) :
        Visible(Bar->GetVisible()), DockingStyle(Bar->GetDockingStyle()), DockControl(Bar->GetDockControl()),
        FloatLeft(Bar->GetFloatLeft()), FloatTop(Bar->GetFloatTop()), FloatClientWidth(Bar->GetFloatClientWidth()),
        FloatClientHeight(Bar->GetFloatClientHeight())
    {
    }

    void Restore(TcbBar* Bar) const
    {
        Bar->SetVisible(false);
        Bar->SetFloatLeft(FloatLeft);
        Bar->SetFloatTop(FloatTop);
        Bar->SetFloatClientWidth(FloatClientWidth);
        Bar->SetFloatClientHeight(FloatClientHeight);
        // A site that went meanwhile is not brought back.
        TcbBarDockControl* Control = DockControl;
        if (Control) {
            const std::vector<TcbDockControl*> Sites = Bar->GetBarManager()->DockSites();
            if (std::find(Sites.begin(), Sites.end(), static_cast<TcbDockControl*>(Control)) == Sites.end())
                Control = nullptr;
        }
        Bar->SetDockingStyleAndControl(DockingStyle, Control);
        if (Visible)
            Bar->SetVisible(true);
    }
};

} // namespace

void TcbBarSubMenuControl::DetachLoop()
{
    TCustomcbBarSubItem* SubItem = GetSubItem();
    TcbBarManager* Manager = GetBarManager();
    if (!SubItem || !Manager || Manager->IsDetaching() || !HandleAllocated())
        return;
    SubItem->DoDetaching();
    // The handler may have closed the menu or taken the bar away.
    if (!IsLiveBarControl(this) || FDestroying || !HandleAllocated() || !IsLiveItem(SubItem) || !CanDetachNow())
        return;
    TcbBar* Bar = DetachingBarOf(SubItem);
    const TDetachedBarState Before(Bar);
    const int32_t CaptionHeight = GetPainter()->GetFloatingCaptionHeight();
    // Within 15 pixels of the band the drag has not begun yet.
    TRect Threshold = GetDetachBandRect();
    {
        const TRect W = GetWindowRect();
        OffsetRect(&Threshold, W.left, W.top);
        InflateRect(&Threshold, 15, 15);
    }
    // The menu's parent window holds the mouse; a menu shown on its own holds it itself.
    HWND CaptureWnd = FHandle;
    if (TCustomcbBarControl* Parent = GetParentBar(); Parent && IsLiveBarControl(Parent) && Parent->HandleAllocated())
        CaptureWnd = Parent->GetHandle();
    // The band's hint would show up in the middle of the drag, or after the menus have gone.
    Manager->ActivateHint(false, std::string());
    SetCapture(CaptureWnd);
    Manager->SetDetaching(true);
    TScopeExit End([Manager, CaptureWnd] {
        if (GetCapture() == CaptureWnd)
            ReleaseCapture();
        if (IsListedManager(Manager))
            Manager->SetDetaching(false);
    });

    enum class TEnd { Cancelled, Done };
    TEnd How = TEnd::Cancelled;
    bool Floating = false;
    TPoint Last{};
    {
        POINT C{};
        GetCursorPos(&C);
        Last = TPoint{C.x, C.y};
    }
    MSG Msg{};
    // Ends also when the capture goes elsewhere: the button's release may then never come here.
    while (GetCapture() == CaptureWnd) {
        if (!GetMessageA(&Msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(Msg.wParam));
            break;
        }
        Bar = DetachingBarOf(SubItem);
        if (!Bar)
            break;
        const UINT M = Msg.message;
        if (M == WM_KEYDOWN && Msg.wParam == VK_ESCAPE)
            break;
        // The keys belong to the drag while it lasts.
        if (M >= WM_KEYFIRST && M <= WM_KEYLAST)
            continue;
        if (M == WM_LBUTTONUP) {
            How = TEnd::Done;
            break;
        }
        if (M == WM_MOUSEMOVE) {
            POINT C{};
            GetCursorPos(&C);
            const TPoint P{C.x, C.y};
            // A window shown or moved under a resting cursor brings moves of its own.
            if (P.x == Last.x && P.y == Last.y)
                continue;
            Last = P;
            const bool Inside = cbInRect(Threshold, P);
            if (!Floating) {
                if (Inside)
                    continue;
                // The first time out: the bar floats with its caption under the cursor.
                Floating = true;
                Bar->SetVisible(false);
                Bar->SetDockingStyle(dsNone);
                Bar->SetFloatLeft(P.x - 100);
                Bar->SetFloatTop(P.y - CaptionHeight / 2);
                Bar->SetVisible(true);
                continue;
            }
            // Back at the band: the tear-off is given up.
            if (Inside)
                break;
            if (TCustomcbBarControl* Window = Bar->GetBarControl(); Window && Window->HandleAllocated()) {
                const TRect W = Window->GetWindowRect();
                SetWindowPos(Window->GetHandle(), nullptr, P.x - (W.right - W.left) / 2, P.y - CaptionHeight / 2, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            continue;
        }
        // Other clicks would act on the windows under the drag.
        if ((M >= WM_MOUSEFIRST && M <= WM_MOUSELAST) || (M >= WM_NCMOUSEMOVE && M <= WM_NCXBUTTONDBLCLK))
            continue;
        TranslateMessage(&Msg);
        DispatchMessageA(&Msg);
    }
    if (GetCapture() == CaptureWnd)
        ReleaseCapture();

    Bar = DetachingBarOf(SubItem);
    if (Floating && Bar) {
        if (How == TEnd::Cancelled) {
            Before.Restore(Bar);
        } else {
            // Torn off: the bar stays where it is and the menus close.
            if (TCustomcbBarControl* Active = ActiveBarControl())
                Active->HideAll();
            else if (IsLiveBarControl(this) && !FDestroying)
                HideAll();
            return;
        }
    }
    if (IsLiveBarControl(this) && !FDestroying && HandleAllocated()) {
        POINT C{};
        GetCursorPos(&C);
        ::ScreenToClient(FHandle, &C);
        SetDetachBandHot(IsOnDetachBand(TPoint{C.x, C.y}));
    }
}

// ---------------------------------------------------------------------------------------------
// Keys

void TcbBarSubMenuControl::KeyNavigation(uint16_t Key)
{
    if (HandleExpandKeys(Key))
        return;
    TcbBarItemControl* Selected = GetSelectedControl();
    const bool Wanted = Selected && Selected->WantsKey(Key);
    TCustomcbBarControl::KeyNavigation(Key);
    if (!Wanted && IsLiveBarControl(this) && !FDestroying)
        HandleMenuKey(Key);
}

void TcbBarSubMenuControl::HandleMenuKey(uint16_t Key)
{
    TCustomcbBarControl* Parent = GetParentBar();
    if (Parent && !IsLiveBarControl(Parent))
        Parent = nullptr;
    switch (Key) {
    case VK_RETURN:
        if (TcbBarItemControl* Selected = GetSelectedControl())
            Selected->PressAndClick(false);
        return;
    case VK_ESCAPE:
        if (Parent && Parent->GetSelectedControl()) {
            // Back to the title with its menu closed: the mouse moving on along the toolbar
            // selects titles without opening them.
            if (auto* Toolbar = dynamic_cast<TcbBarControl*>(Parent))
                Toolbar->SetSecondClick(false);
            Parent->GetSelectedControl()->ControlInactivate(true);
            return;
        }
        CloseAndFree();
        return;
    case VK_LEFT: {
        if (Parent && Parent->GetKind() == bwkMenu) {
            if (TcbBarItemControl* Opener = Parent->GetSelectedControl())
                Opener->ControlInactivate(true);
            return;
        }
        if (TCustomcbBarControl* Root = GetRootToolbar(this); Root && Root->HandleAllocated())
            SendMessageA(Root->GetHandle(), WM_KEYDOWN, IsVerticalBarControl(Root) ? VK_ESCAPE : VK_LEFT, 0);
        return;
    }
    case VK_RIGHT:
        if (TCustomcbBarControl* Root = GetRootToolbar(this); Root && Root->HandleAllocated())
            SendMessageA(Root->GetHandle(), WM_KEYDOWN, VK_RIGHT, 0);
        return;
    default:
        return;
    }
}

// ---------------------------------------------------------------------------------------------
// The animation

void TcbBarSubMenuControl::PrepareAnimation(bool FlippedX, bool FlippedY)
{
    if (!FAnimate || (FAnimationKind != maUnfold && FAnimationKind != maSlide) || !HandleAllocated())
        return;
    ReapAnimationThread();
    if (gAnimation.Window) {
        if (auto* Other = gAnimation.Window; IsLiveBarControl(Other))
            Other->StopAnimation();
    }
    ReapAnimationThread();
    const TRect Final = FPlacedRect;
    const int32_t W = Final.right - Final.left, H = Final.bottom - Final.top;
    if (W <= 0 || H <= 0)
        return;
    TMenuAnimation& A = gAnimation;
    HDC Screen = GetDC(nullptr);
    A.DC = CreateMemoryDC();
    A.Bitmap = CreateCompatibleBitmap(Screen, W, H);
    ReleaseDC(nullptr, Screen);
    SelectObject(A.DC, A.Bitmap);
    // The whole window, border and client, into the bitmap.
    DrawNonClient(A.DC);
    {
        const int Saved = SaveDC(A.DC);
        const TPoint Offset = GetClientOffset();
        const TRect Client = GetClientRect();
        SetViewportOrgEx(A.DC, Offset.x, Offset.y, nullptr);
        IntersectClipRect(A.DC, 0, 0, Client.right, Client.bottom);
        PaintWindow(A.DC);
        RestoreDC(A.DC, Saved);
    }
    const int32_t StepSize = FAnimationKind == maUnfold ? kUnfoldStep : kSlideStep;
    const int32_t Distance = FAnimationKind == maUnfold ? std::max(W, H) : H;
    A.Steps = std::max<int32_t>(1, Distance / StepSize);
    A.Kind = FAnimationKind;
    A.GrowLeft = FlippedX;
    A.GrowUp = FlippedY;
    A.Final = Final;
    A.Wnd = FHandle;
    A.Window = this;
    A.Stop.store(false);
    A.Destroying.store(false);
    FAnimatingNow.store(true);
    A.AnimatingFlag = &FAnimatingNow;
    DWORD Id = 0;
    A.Thread = CreateThread(nullptr, 0, MenuAnimationThreadProc, nullptr, 0, &Id);
    if (!A.Thread) {
        FAnimatingNow.store(false);
        DeleteMemoryDC(A.DC);
        DeleteObject(A.Bitmap);
        A.DC = nullptr;
        A.Bitmap = nullptr;
        A.Window = nullptr;
        A.Wnd = nullptr;
        return;
    }
    if (gLastAnimationThread)
        CloseHandle(gLastAnimationThread);
    gLastAnimationThread = nullptr;
    DuplicateHandle(GetCurrentProcess(), A.Thread, GetCurrentProcess(), &gLastAnimationThread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
}

void TcbBarSubMenuControl::StopAnimation()
{
    if (gAnimation.Window != this || !gAnimation.Thread) {
        ReapAnimationThread();
        return;
    }
    gAnimation.Stop.store(true);
    if (FDestroying)
        gAnimation.Destroying.store(true);
    HANDLE Thread = gAnimation.Thread;
    while (true) {
        const DWORD R = MsgWaitForMultipleObjects(1, &Thread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (R != WAIT_OBJECT_0 + 1)
            break;
        MSG Msg;
        if (!GetDestroyingControls() && HandleAllocated() && PeekMessageA(&Msg, FHandle, 0, 0, PM_REMOVE)) {
            if (Msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(Msg.wParam));
                continue;
            }
            TranslateMessage(&Msg);
            DispatchMessageA(&Msg);
        } else {
            // Sent messages only: the thread's queue keeps what is posted.
            PeekMessageA(&Msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    gAnimation.Window = nullptr;
    FAnimatingNow.store(false);
    ReapAnimationThread();
    ProcessPaintMessages();
}

void TcbBarSubMenuControl::SetRandomSource(std::function<int32_t(int32_t)> Source)
{
    gRandomSource = std::move(Source);
}

HANDLE TcbBarSubMenuControl::DuplicateAnimationThreadHandle()
{
    HANDLE Copy = nullptr;
    if (gLastAnimationThread)
        DuplicateHandle(GetCurrentProcess(), gLastAnimationThread, GetCurrentProcess(), &Copy, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
    return Copy;
}

// ---------------------------------------------------------------------------------------------
// Messages

void TcbBarSubMenuControl::WndProc(TMessage& M)
{
    // A menu on its way out takes no more input or timer ticks (the animation's stop loop may
    // still hand it some).
    if (FDestroying && (M.Msg == WM_TIMER || (M.Msg >= WM_KEYFIRST && M.Msg <= WM_KEYLAST) ||
                        (M.Msg >= WM_MOUSEFIRST && M.Msg <= WM_MOUSELAST))) {
        M.Result = 0;
        return;
    }
    switch (M.Msg) {
    case WM_GETDLGCODE:
        M.Result = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS;
        return;
    case WM_NCCALCSIZE: {
        // The 1-pixel border, and the detach band at the top of a detachable menu.
        auto* R = reinterpret_cast<RECT*>(M.LParam);
        if (R) {
            InflateRect(R, -1, -1);
            R->top += GetDetachBandHeight();
        }
        M.Result = 0;
        return;
    }
    case WM_NCHITTEST: {
        // The detach band is part of the client as far as the mouse goes.
        if (IsDetachable()) {
            const TRect W = GetWindowRect();
            const TPoint P{GET_X_LPARAM(M.LParam) - W.left, GET_Y_LPARAM(M.LParam) - W.top};
            if (cbInRect(GetDetachBandRect(), P)) {
                M.Result = HTCLIENT;
                return;
            }
        }
        TCustomcbBarControl::WndProc(M);
        return;
    }
    case WM_NCPAINT: {
        if (IsAnimating())
            return;
        HDC DC = GetWindowDC(FHandle);
        DrawNonClient(DC);
        ReleaseDC(FHandle, DC);
        M.Result = 0;
        return;
    }
    case WM_PRINT: {
        HDC DC = reinterpret_cast<HDC>(M.WParam);
        if (M.LParam & PRF_NONCLIENT)
            DrawNonClient(DC);
        if (M.LParam & PRF_CLIENT) {
            const int Saved = SaveDC(DC);
            const TPoint Offset = GetClientOffset();
            OffsetViewportOrgEx(DC, Offset.x, Offset.y, nullptr);
            const TRect Client = GetClientRect();
            IntersectClipRect(DC, 0, 0, Client.right, Client.bottom);
            PaintWindow(DC);
            RestoreDC(DC, Saved);
        }
        return;
    }
    case WM_PRINTCLIENT:
        PaintWindow(reinterpret_cast<HDC>(M.WParam));
        return;
    case WM_TIMER:
        if (M.WParam == kScrollTimer) {
            TcbFrameworkEntry Entry;
            ScrollTimerTick();
            return;
        }
        if (M.WParam == kMarkHotTimer || M.WParam == kMarkExpandTimer) {
            TcbFrameworkEntry Entry;
            MarkTimerProc(M.WParam);
            return;
        }
        break;
    case WM_MOUSEMOVE: {
        TcbFrameworkEntry Entry;
        const TPoint P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
        if (TCustomcbBarControl* Active = ActiveBarControl(); Active && Active != this && !IsAncestorOf(Active))
            break;
        if (IsDetachable()) {
            if (IsOnDetachBand(P)) {
                SetDetachBandHot(true);
                if (!IsTrackingMouseLeave(FHandle))
                    StartTrackMouseLeave(FHandle);
                return;
            }
            SetDetachBandHot(false);
        }
        if (!IsCustomizing()) {
            CheckScrollButtons(P);
            if (FOnScrollRow) {
                if (!IsTrackingMouseLeave(FHandle))
                    StartTrackMouseLeave(FHandle);
                return;
            }
            if (IsMarkVisible()) {
                const bool OnMark = cbInRect(GetMarkRect(), P);
                if (OnMark && FMarkState == bstNormal) {
                    if (GetSelectedControl())
                        SelectControlByMouse(nullptr);
                    SetMarkState(bstHot);
                    if (!IsTrackingMouseLeave(FHandle))
                        StartTrackMouseLeave(FHandle);
                    return;
                }
                if (!OnMark && FMarkState == bstHot)
                    SetMarkState(bstNormal);
                if (OnMark)
                    return;
            }
        }
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        TcbFrameworkEntry Entry;
        const TPoint P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
        if (IsOnDetachBand(P)) {
            // The menu may be gone once the drag ends.
            SetDetachBandHot(true);
            DetachLoop();
            M.Result = 0;
            return;
        }
        if (M.Msg == WM_LBUTTONDBLCLK)
            break;
        if (!IsCustomizing() && IsMarkVisible() && cbInRect(GetMarkRect(), P)) {
            SetMarkState(FMarkState == bstNormal ? bstHot : bstPressed);
            return;
        }
        bool Down = false;
        if (TcbBarItemControl* Control = ControlAtPos(P); Control && IsScrollRow(Control, Down))
            return;
        break;
    }
    case WM_LBUTTONUP: {
        const TPoint P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
        bool Down = false;
        if (TcbBarItemControl* Control = ControlAtPos(P); Control && IsScrollRow(Control, Down))
            return;
        break;
    }
    case WM_MOUSELEAVE:
        SetDetachBandHot(false);
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: {
        TcbFrameworkEntry Entry;
        TCustomcbBarControl::WndProc(M);
        if (IsLiveBarControl(this) && !FDestroying && HandleAllocated() && !IsCustomizing() &&
            AllowsRightButtonClick())
            SendMessageA(FHandle, M.Msg == WM_RBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP, M.WParam, M.LParam);
        return;
    }
    case CM_FONTCHANGED:
        if (HandleAllocated() && FPlaced) {
            CalcDrawingConsts();
            RebuildBar();
        }
        return;
    default:
        break;
    }
    TCustomcbBarControl::WndProc(M);
}

// ---------------------------------------------------------------------------------------------
// TContainerItemSubMenuControl

TContainerItemSubMenuControl::TContainerItemSubMenuControl(TcbBarManager* AOwner,
                                                           TCustomcbBarContainerItem* Container) :
    TcbBarSubMenuControl(AOwner), FContainer(Container)
{
}

TContainerItemSubMenuControl::~TContainerItemSubMenuControl()
{
    DeleteContent();
}

void TContainerItemSubMenuControl::DeleteContent()
{
    TcbBarItemLinks* Links = GetItemLinks();
    if (!Links || !FContainer || !IsLiveItem(FContainer))
        return;
    if (HandleAllocated())
        DestroyHandle();
    FContainer->DeleteListedItemLinks(Links, 0);
    FContainer->ClearContent();
    FContainer = nullptr;
}

// ---------------------------------------------------------------------------------------------
// The connections

namespace {

// The menu of a sub-item's control: beside its row in a menu or on a vertical toolbar, under it
// on a horizontal toolbar; it animates only when a mouse press opened it.
TCustomcbBarControl* MakeSubItemMenu(TcbBarSubItemControl* Control)
{
    TCustomcbBarSubItem* SubItem = Control->GetSubItem();
    if (!SubItem || !SubItem->GetItemLinks())
        return nullptr;
    auto* Menu = dynamic_cast<TcbBarSubMenuControl*>(SubItem->GetItemLinks()->CreateBarControl());
    if (!Menu)
        return nullptr;
    TCustomcbBarControl* Bar = Control->GetBarControl();
    const TRect R = Control->GetItemRect();
    if (Bar->GetKind() == bwkMenu || IsVerticalBarControl(Bar))
        Menu->SetOwnerWidth(R.right - R.left);
    else
        Menu->SetOwnerHeight(R.bottom - R.top);
    if (auto* Parent = dynamic_cast<TcbBarSubMenuControl*>(Bar))
        Menu->SetDirections(Parent->GetDirectionX(), Parent->GetDirectionY());
    Menu->SetAnimate(Control->IsOpenedByMouse());
    Menu->SetOpeningControl(Control);
    return Menu;
}

TCustomcbBarControl* MakeContainerMenu(TcbBarSubItemControl* Control)
{
    auto* Container = dynamic_cast<TCustomcbBarContainerItem*>(Control->GetItem());
    TcbBarManager* Manager = Control->GetBarManager();
    if (!Container || !Manager || !Container->GetItemLinks())
        return nullptr;
    auto* Menu = new TContainerItemSubMenuControl(Manager, Container);
    Menu->SetItemLinks(Container->GetItemLinks());
    Container->AddListedItemLinks(Container->GetItemLinks(), 0, Control->GetLink(), true);
    const TRect R = Control->GetItemRect();
    TCustomcbBarControl* Bar = Control->GetBarControl();
    if (Bar->GetKind() == bwkMenu || IsVerticalBarControl(Bar))
        Menu->SetOwnerWidth(R.right - R.left);
    else
        Menu->SetOwnerHeight(R.bottom - R.top);
    Menu->SetAnimate(Control->IsOpenedByMouse());
    Menu->SetOpeningControl(Control);
    return Menu;
}

// A drop-down button's menu: the before-show steps run while the menu window exists; after the
// loop only the button is touched, and only while its bar window lives.
void ShowDropDownMenu(TcbBarPopupMenu* Popup, TcbBarItemControl* Control, int32_t X, int32_t Y, bool ByMouse)
{
    auto* Button = dynamic_cast<TcbBarButtonControl*>(Control);
    TCustomcbBarControl* Bar = Control->GetBarControl();
    const TRect R = Control->GetItemRect();
    const bool Horizontal = Control->GetDrawKind() == dkHorizontal;
    Popup->SetBeforeShow([Control, Button, Bar, ByMouse](TcbBarSubMenuControl* Menu) {
        if (!IsLiveItemControl(Control) || !TCustomcbBarControl::IsLiveBarControl(Bar))
            return;
        Menu->SetOpeningControl(Control);
        Menu->SetDropDownButton(Button);
        Menu->SetSelectFirstOnShow(!ByMouse);
        if (auto* Parent = dynamic_cast<TcbBarSubMenuControl*>(Bar))
            Menu->SetDirections(Parent->GetDirectionX(), Parent->GetDirectionY());
        if (Bar->GetKind() == bwkMenu)
            Bar->SetChildBar(Menu);
    });
    const bool PressedByMouse = ByMouse && Button && Button->IsPressedByMouse();
    Popup->PopupEx(X, Y, Popup->GetExclusionRect(), PressedByMouse || ByMouse, Horizontal ? 0 : R.right - R.left,
                   Horizontal ? R.bottom - R.top : 0, Bar);
}

void ShowPopupMenu(TcbBarPopupMenu* Popup, int32_t X, int32_t Y)
{
    Popup->Popup(X, Y);
}

// The menu windows of the link lists that belong to no bar.
TCustomcbBarControl* MakeLinksMenuWindow(TcbBarManager* Manager)
{
    return new TcbBarSubMenuControl(Manager);
}

TcbBarButtonControl* DropDownButtonOfWindow(TCustomcbBarControl* Window)
{
    auto* Menu = dynamic_cast<TcbBarSubMenuControl*>(Window);
    return Menu ? Menu->GetDropDownButton() : nullptr;
}

} // namespace

void cbSubMenuInit()
{
    SetSubMenuWindowFactory(&MakeSubItemMenu);
    SetContainerMenuWindowFactory(&MakeContainerMenu);
    SetDropDownMenuShow(&ShowDropDownMenu);
    SetPopupMenuShow(&ShowPopupMenu);
    SetLinksMenuWindowFactory(&MakeLinksMenuWindow, &DropDownButtonOfWindow);
}

void cbSubMenuDone()
{
    SetSubMenuWindowFactory(nullptr);
    SetContainerMenuWindowFactory(nullptr);
    SetDropDownMenuShow(nullptr);
    SetPopupMenuShow(nullptr);
    SetLinksMenuWindowFactory(nullptr, nullptr);
    if (gAnimation.Thread) {
        gAnimation.Stop.store(true);
        WaitForSingleObject(gAnimation.Thread, 5000);
        CloseHandle(gAnimation.Thread);
        gAnimation.Thread = nullptr;
    }
    if (gLastAnimationThread) {
        CloseHandle(gLastAnimationThread);
        gLastAnimationThread = nullptr;
    }
    gRandomSource = nullptr;
}
