#include "commandbars/windows/cbBarQuickControl.h"

#include <algorithm>
#include <map>

#include <windowsx.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbBarPopups.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbStrings.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"
#include "platform/win/Graphics.h"
#include "platform/win/ThreadTimer.h"

namespace {

TcbBarQuickControl* gOpenQuickControl = nullptr;
// The link each entry of "&Add or Remove Buttons" stands for, by the entry's link.
std::map<const TcbBarItemLink*, TcbBarItemLink*> gRepresented;

constexpr uint32_t kCloseDelay = 200;

// The hidden bar of the window's links: no mark of its own, the owner bar's font.
TcbBar* MakeTemporaryBar(TcbBarManager* Manager, TcbBarControl* OwnerToolbar)
{
    TcbBar* Bar = Manager->GetBars()->Add();
    Bar->SetHidden(true);
    Bar->SetAllowQuickCustomizing(false);
    if (OwnerToolbar && OwnerToolbar->GetBar())
        Bar->SetFont(OwnerToolbar->GetBar()->GetFont());
    return Bar;
}

bool HasLink(const TcbBarItemLinks* Links, const TcbBarItemLink* Link)
{
    for (int32_t I = 0; Links && Link && I < Links->GetCount(); ++I)
        if (Links->GetItem(I) == Link)
            return true;
    return false;
}

// The link an entry stands for while it is still a link of the open window's toolbar.
TcbBarItemLink* RepresentedBy(const TcbBarItemLink* Entry)
{
    const auto It = gRepresented.find(Entry);
    if (It == gRepresented.end() || !gOpenQuickControl)
        return nullptr;
    TcbBarControl* Toolbar = gOpenQuickControl->GetOwnerToolbar();
    if (!TCustomcbBarControl::IsLiveBarControl(Toolbar) || !Toolbar->GetBar())
        return nullptr;
    return HasLink(Toolbar->GetBar()->GetItemLinks(), It->second) ? It->second : nullptr;
}

void ForgetEntriesOf(const TcbBarItemLinks* Links)
{
    for (int32_t I = 0; Links && I < Links->GetCount(); ++I)
        gRepresented.erase(Links->GetItem(I));
}

TcbBarItemClass ClassRef(const char* Name, std::function<TcbBarItem*(TComponent*)> Create)
{
    auto* Ref = const_cast<TcbBarItemClassRef*>(cbItemClassOf(Name));
    Ref->Create = std::move(Create);
    return Ref;
}

// The entry's drawing shared by both entry kinds: the check area, the check glyph in it (down
// while Checked), the button in the rest of the rect, then the entry's background marks.
template <class Control>
void DrawQuickEntry(Control* Self, bool& DrawingCheck, const TRect& R, TcbDrawKind Kind, bool Checked)
{
    if (IsRectEmpty(&R))
        return;
    HDC DC = Self->GetDC();
    TcbPainterClass Painter = Self->GetPainter();
    const bool Selected = Self->IsSelected() && Self->GetEnabled();
    int32_t Start = 0;
    {
        TFlagScope Check(DrawingCheck);
        Start = Painter->DrawQuickCustCheckArea(Self, DC, R, Checked, Selected);
    }
    Start = std::clamp<int32_t>(Start, R.left, R.right);
    const TRect CheckArea{R.left, R.top, std::max<int32_t>(R.left, Start - 1), R.bottom};
    if (Checked) {
        TFlagScope Check(DrawingCheck);
        Painter->DrawGlyph(Self, DC, CheckArea, TcbPaintFlags{pfEnabled, pfDown, pfChecked}, dkMenu);
    }
    Self->TcbBarButtonControl::Draw(TRect{Start, R.top, R.right, R.bottom}, Kind);
    Painter->DrawQuickCustItemBackground(Self, DC, Selected, CheckArea, R);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Entries

void TcbBarQuickCustItem::DoClick()
{
    if (!GetEnabled())
        return;
    TcbBarItemLink* Entry = GetClickItemLink();
    TcbBarItemLink* Link = RepresentedBy(Entry);
    if (!Link)
        return;
    Link->SetVisible(!Link->GetVisible());
    // The entry stays in its open menu and shows the new state.
    if (HasLink(Entry ? Entry->GetLinks() : nullptr, Entry) && Entry->GetControl())
        Entry->GetControl()->Repaint();
}

TcbBarQuickSubItem::TcbBarQuickSubItem(TComponent* AOwner) : TcbBarSubItem(AOwner)
{
    SetFrameworkMade(true);
}

TcbBarControl* TcbBarQuickSubItem::GetToolbar() const
{
    if (!FQuickControl || FQuickControl != gOpenQuickControl)
        return nullptr;
    TcbBarControl* Toolbar = FQuickControl->GetOwnerToolbar();
    return TCustomcbBarControl::IsLiveBarControl(Toolbar) ? Toolbar : nullptr;
}

void TcbBarQuickSubItem::ClearEntries()
{
    TcbBarItemLinks* Links = GetItemLinks();
    ForgetEntriesOf(Links);
    while (Links->GetCount() > 0)
        Links->GetItem(Links->GetCount() - 1)->Release();
}

void TcbBarQuickSubItem::DoPopup()
{
    ClearEntries();
    TcbBarControl* Toolbar = GetToolbar();
    TcbBar* Bar = Toolbar ? Toolbar->GetBar() : nullptr;
    TcbBarManager* Manager = Toolbar ? Toolbar->GetBarManager() : nullptr;
    if (Bar && Manager) {
        TcbBarItemLinks* Links = GetItemLinks();
        TcbBarItemLinks* BarLinks = Bar->GetItemLinks();
        auto* Entry = new TcbBarQuickCustItem(Manager->GetOwnerForm());
        TemporaryItems().push_back(Entry);
        for (int32_t I = 0; I < BarLinks->GetAvailableItemCount(); ++I) {
            TcbBarItemLink* Link = BarLinks->GetAvailableItem(I);
            if (Link->GetControl() && !Link->GetControl()->IsCustomizable())
                continue;
            TcbBarItemLink* EntryLink = Links->Add();
            gRepresented[EntryLink] = Link;
            EntryLink->SetItem(Entry);
        }
        const bool Reset = Manager->GetCanCustomize() && Bar->CanReset();
        if (Reset) {
            auto* Button = new TcbBarQuickCustExtButton(Manager->GetOwnerForm());
            TemporaryItems().push_back(Button);
            Button->SetCaption(uiGetResourceString(cbsResetToolbar));
            Button->OnClick = [Manager, Bar](TObject*) {
                // The bar may have gone while the click waited.
                for (int32_t I = 0; IsListedManager(Manager) && I < Manager->GetBars()->GetCount(); ++I)
                    if (Manager->GetBars()->GetItem(I) == Bar) {
                        Bar->ResetWithConfirmation();
                        return;
                    }
            };
            TcbBarItemLink* Link = Links->Add();
            Link->SetItem(Button);
            Link->SetBeginGroup(true);
        }
        Manager->AddCustomizeEntry(Links, !Reset);
    }
    TcbBarSubItem::DoPopup();
}

// The customize entry the manager adds is a plain button; in this menu it is drawn like the
// reset entry: the controls of both are the extension button's.

TcbBarItemLink* TcbBarQuickCustItemControl::GetRepresentedLink() const
{
    return RepresentedBy(GetLink());
}

std::string TcbBarQuickCustItemControl::GetCaption() const
{
    TcbBarItemLink* Link = GetRepresentedLink();
    return Link ? Link->GetCaption() : std::string();
}

TBitmap* TcbBarQuickCustItemControl::GetGlyph() const
{
    TcbBarItemLink* Link = GetRepresentedLink();
    return Link && !FDrawingCheck ? Link->GetGlyph() : nullptr;
}

int32_t TcbBarQuickCustItemControl::GetImageIndex() const
{
    TcbBarItemLink* Link = GetRepresentedLink();
    return Link && Link->GetItem() && !FDrawingCheck ? Link->GetItem()->GetImageIndex() : -1;
}

TImageList* TcbBarQuickCustItemControl::GetImages() const
{
    TcbBarItemLink* Link = GetRepresentedLink();
    if (!Link || !Link->GetItem() || FDrawingCheck)
        return TcbBarButtonControl::GetImages();
    return Link->GetItem()->GetImages();
}

bool TcbBarQuickCustItemControl::HasGlyph() const
{
    if (FDrawingCheck)
        return false;
    TcbBarItemLink* Link = GetRepresentedLink();
    if (!Link)
        return false;
    TBitmap* Glyph = Link->GetGlyph();
    return (Glyph && !Glyph->GetEmpty()) || (Link->GetItem() && Link->GetItem()->IsImageIndexValid());
}

std::string TcbBarQuickCustItemControl::GetHint() const
{
    TcbBarItemLink* Link = GetRepresentedLink();
    return Link && Link->GetItem() ? Link->GetItem()->GetHint() : std::string();
}

uint16_t TcbBarQuickCustItemControl::GetShortCut() const
{
    TcbBarItemLink* Link = GetRepresentedLink();
    return Link && Link->GetItem() ? Link->GetItem()->GetShortCut() : 0;
}

int32_t TcbBarQuickCustItemControl::GetDefaultWidth() const
{
    // A square check column before the button.
    return TcbBarButtonControl::GetDefaultWidth() + GetDefaultHeight();
}

bool TcbBarQuickCustItemControl::IsChecked() const
{
    TcbBarItemLink* Link = GetRepresentedLink();
    return Link && Link->GetVisible();
}

void TcbBarQuickCustItemControl::DrawEntry(const TRect& R, TcbDrawKind Kind, bool Checked)
{
    DrawQuickEntry(this, FDrawingCheck, R, Kind, Checked);
}

void TcbBarQuickCustItemControl::Draw(const TRect& R, TcbDrawKind Kind)
{
    DrawEntry(R, Kind, IsChecked());
}

int32_t TcbBarQuickCustExtButtonControl::GetDefaultWidth() const
{
    return TcbBarButtonControl::GetDefaultWidth() + GetDefaultHeight();
}

int32_t TcbBarQuickCustExtButtonControl::GetCaptionOffset() const
{
    return GetDefaultHeight() + TcbBarButtonControl::GetCaptionOffset();
}

void TcbBarQuickCustExtButtonControl::Draw(const TRect& R, TcbDrawKind Kind)
{
    bool NoCheck = false;
    DrawQuickEntry(this, NoCheck, R, Kind, false);
}

// ---------------------------------------------------------------------------------------------
// TcbBarQuickControl

TcbBarQuickControl::TcbBarQuickControl(TcbBarManager* AOwner, TcbBarControl* AOwnerToolbar) :
    TcbBarControl(AOwner, MakeTemporaryBar(AOwner, AOwnerToolbar)), FOwnerToolbar(AOwnerToolbar)
{
    FTemporaryBar = GetBar();
    gOpenQuickControl = this;
    SetCaptionFlag(false);
    // The mark in screen coordinates is the item the window hangs from.
    FMarkRect = AOwnerToolbar->GetMarkRectInWindow();
    const TRect Window = AOwnerToolbar->GetWindowRect();
    OffsetRect(&FMarkRect, Window.left, Window.top);
    SetParentItem(FMarkRect, AOwnerToolbar);
    SetParentBar(AOwnerToolbar);

    TcbBar* OwnerBar = AOwnerToolbar->GetBar();
    TcbBarItemLinks* Links = FTemporaryBar->GetItemLinks();

    FSubItem = new TcbBarQuickSubItem(AOwner->GetOwnerForm());
    TemporaryItems().push_back(FSubItem);
    FSubItem->SetCaption(uiGetResourceString(cbsAddOrRemoveButtons));
    FSubItem->SetEnabled(OwnerBar && OwnerBar->GetAllowQuickCustomizing());
    FSubItem->SetQuickControl(this);

    // The links the toolbar could not show.
    if (OwnerBar) {
        TcbBarItemLinks* OwnerLinks = OwnerBar->GetItemLinks();
        for (int32_t I = 0; I < OwnerLinks->GetVisibleItemCount(); ++I) {
            TcbBarItemLink* Link = OwnerLinks->GetVisibleItem(I);
            const bool Shown = OwnerLinks->IndexOfShown(Link) >= 0;
            if (Shown && Link->GetControl() && !IsRectEmpty(&Link->GetItemRect()))
                continue;
            if (!Link->GetItem())
                continue;
            TcbBarItemLink* Copy = Links->Add();
            Copy->Assign(Link);
            Copy->SetBeginGroup(Link->GetOwnBeginGroup());
            Copy->SetGeneratedFrom(Link);
        }
    }
    TcbBarItemLink* SubLink = Links->Add();
    SubLink->SetItem(FSubItem);
    SubLink->SetBeginGroup(true);
    SetItemLinks(Links);
    Place();
}

TcbBarQuickControl::~TcbBarQuickControl()
{
    if (FCloseTimer) {
        ThreadTimerStop(FCloseTimer);
        FCloseTimer = 0;
    }
    if (gOpenQuickControl == this)
        gOpenQuickControl = nullptr;
    if (HandleAllocated())
        DestroyHandle();
    SetItemLinks(nullptr);
    TcbBarControl* Owner = FOwnerToolbar;
    SetParentBar(nullptr);
    // Freed some other way than by the mark, the window still leaves the mark at rest.
    if (IsLiveBarControl(Owner) && Owner->GetMarkStateValue() == bstPressed)
        Owner->SetMarkState(bstNormal);
    if (FSubItem && IsLiveItem(FSubItem)) {
        FSubItem->SetQuickControl(nullptr);
        FSubItem->ClearEntries();
    }
    if (TcbBar* Bar = FTemporaryBar) {
        FTemporaryBar = nullptr;
        TcbBars* Bars = Bar->GetBars();
        for (int32_t I = 0; Bars && I < Bars->GetCount(); ++I)
            if (Bars->GetItem(I) == Bar) {
                Bars->Delete(I);
                break;
            }
    }
    FreeTemporaryItemsWhenIdle();
}

TcbBarQuickControl* TcbBarQuickControl::GetOpenQuickControl()
{
    return gOpenQuickControl;
}

void TcbBarQuickControl::Open(TcbBarControl* Toolbar)
{
    if (!Toolbar || !IsLiveBarControl(Toolbar) || !Toolbar->GetBarManager() || !Toolbar->HandleAllocated())
        return;
    if (TcbBarQuickControl* Open = gOpenQuickControl) {
        TcbBarControl* Owner = Open->GetOwnerToolbar();
        if (Owner != Toolbar && IsLiveBarControl(Owner))
            Owner->SetMarkState(bstNormal);
        if (gOpenQuickControl)
            gOpenQuickControl->Free();
    }
    if (!IsLiveBarControl(Toolbar))
        return;
    TcbFrameworkEntry Entry;
    new TcbBarQuickControl(Toolbar->GetBarManager(), Toolbar);
}

void TcbBarQuickControl::Place()
{
    LockLayout();
    {
        TScopeExit Unlock([this] { UnlockLayout(); });
        SetDockingStyleAndSite(dsNone, nullptr);
    }
    HandleNeeded();
    if (!HandleAllocated())
        return;
    // The copies on one line as far as they go, the sub-item on a line of its own below them.
    int32_t Width = 0, Copies = 0;
    TcbBarItemLinks* Links = GetItemLinks();
    for (int32_t I = 0; I < Links->GetShownItemCount(); ++I) {
        TcbBarItemLink* Link = Links->GetShownItem(I);
        if (!Link->GetControl())
            Link->CreateControl();
        if (!Link->GetControl())
            continue;
        if (Link->GetItem() == FSubItem) {
            Width = std::max(Width, Link->GetControl()->GetRealWidth());
            continue;
        }
        Copies += Link->GetControl()->GetRealWidth() + (Copies > 0 && Link->GetBeginGroup() ? GetBeginGroupSize() : 0);
    }
    FContentWidth = std::max(Width, Copies);
    TcbPainterClass Painter = GetPainter();
    const TSize Size = WindowSize();
    const int32_t W = Size.cx, H = Size.cy;
    // Below the mark (beside it on a vertical bar), at its right edge or, on a floating bar
    // with a painter that wants it, at its left edge.
    int32_t X, Y;
    if (FOwnerToolbar->IsVerticallyDocked()) {
        X = FMarkRect.right;
        Y = FMarkRect.bottom - H;
    } else {
        Y = FMarkRect.bottom;
        const bool Left = FOwnerToolbar->GetDockingStyle() == dsNone && Painter->IsQuickPopupLeftAligned();
        X = Left ? FMarkRect.left : FMarkRect.right - W;
    }
    const TRect Area = GetMonitorWorkArea(TPoint{(FMarkRect.left + FMarkRect.right) / 2, FMarkRect.bottom});
    X = std::max<int32_t>(std::min<int32_t>(X, Area.right - W), Area.left);
    Y = std::max<int32_t>(std::min<int32_t>(Y, Area.bottom - H), Area.top);
    SetBounds(X, Y, W, H);
    ShowFloating();
    RebuildBar();
}

TSize TcbBarQuickControl::WindowSize()
{
    // The layout's size with the floating borders: the window has no caption.
    const TSize Client = GetSizeForWidth(dsNone, FContentWidth);
    TcbPainterClass Painter = GetPainter();
    return TSize{Client.cx + 2 * Painter->GetFloatingBorderWidth(), Client.cy + 2 * Painter->GetFloatingBorderHeight()};
}

void TcbBarQuickControl::RebuildBar()
{
    TcbBarControl::RebuildBar();
    if (!IsLiveBarControl(this) || !HandleAllocated() || IsLayoutLocked())
        return;
    const TSize Size = WindowSize();
    const TRect W = GetWindowRect();
    if (Size.cx != W.right - W.left || Size.cy != W.bottom - W.top) {
        SetWindowPos(FHandle, nullptr, 0, 0, Size.cx, Size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        CalcControlsPositions();
        Invalidate();
    }
}

TWinControl* TcbBarQuickControl::GetParentItemWindow() const
{
    return FOwnerToolbar;
}

HBRUSH TcbBarQuickControl::GetBarBrush() const
{
    return GetPainter()->GetQuickControlBrush(this);
}

bool TcbBarQuickControl::IsAttachedToParentItem() const
{
    return TcbBarControl::IsAttachedToParentItem() || gOpenQuickControl == this;
}

void TcbBarQuickControl::HideAll()
{
    TcbBarManager* Manager = GetBarManager();
    const bool KeyboardBar = Manager && Manager->GetKeyboardBarControl() == this;
    TcbBarControl* Owner = FOwnerToolbar;
    TcbBarControl::HideAll();
    if (!IsLiveBarControl(this) || !IsLiveBarControl(Owner))
        return;
    if (KeyboardBar && IsLeftButtonPressed() && Owner->HandleAllocated()) {
        // The press that closes the window on the mark must not open it again.
        POINT P{};
        GetCursorPos(&P);
        TRect Mark = Owner->GetMarkRectInWindow();
        const TRect Window = Owner->GetWindowRect();
        OffsetRect(&Mark, Window.left, Window.top);
        if (cbInRect(Mark, TPoint{P.x, P.y}))
            Owner->SetIgnoreNextButtonUp(true);
    }
    Owner->SetMarkState(bstNormal);
}

void TcbBarQuickControl::StartCloseTimer()
{
    if (FCloseTimer)
        ThreadTimerStop(FCloseTimer);
    FCloseTimer = ThreadTimerStart(kCloseDelay, [this](UINT_PTR) { CloseTimerTick(); });
}

void TcbBarQuickControl::CloseTimerTick()
{
    ThreadTimerStop(FCloseTimer);
    FCloseTimer = 0;
    TcbBarManager* Manager = GetBarManager();
    TcbBarItemControl* Selected = Manager ? Manager->GetSelectedItemControl() : nullptr;
    if (!Selected || !IsLiveItemControl(Selected))
        return;
    // A control of this window or of a menu it opened keeps the window.
    TCustomcbBarControl* Window = Selected->GetBarControl();
    if (Window == this || IsAncestorOf(Window))
        return;
    if (IsLiveBarControl(FOwnerToolbar))
        FOwnerToolbar->SetMarkState(bstNormal);
}

void TcbBarQuickControl::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case WM_NCHITTEST: {
        // No moving or sizing: only the client area answers.
        TCustomcbBarControl::WndProc(M);
        POINT P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
        ::ScreenToClient(FHandle, &P);
        M.Result = cbInRect(GetClientRect(), TPoint{P.x, P.y}) ? HTCLIENT : HTBORDER;
        return;
    }
    case WM_NCPAINT: {
        TcbBarControl::WndProc(M);
        if (HDC DC = GetWindowDC(FHandle)) {
            GetPainter()->DrawParentItemEdge(this, DC, GetBarBrush());
            ReleaseDC(FHandle, DC);
        }
        return;
    }
    case WM_RBUTTONDOWN:
        // No customizing popup and no toolbars popup here.
        TCustomControl::WndProc(M);
        return;
    case WM_DESTROY:
        // Not a floating toolbar losing its window: the window goes with the object.
        TCustomcbBarControl::WndProc(M);
        return;
    default:
        break;
    }
    TcbBarControl::WndProc(M);
}

// ---------------------------------------------------------------------------------------------
// Registration

void cbBarQuickControlInit()
{
    RegisterBarItemClass(ClassRef("TcbBarQuickCustExtButton",
                                  [](TComponent* Owner) -> TcbBarItem* { return new TcbBarQuickCustExtButton(Owner); }),
        [](TCustomcbBarControl* Bar, TcbBarItemLink* Link) -> TcbBarItemControl* {
            return new TcbBarQuickCustExtButtonControl(Bar, Link);
        },
        false);
    RegisterBarItemClass(ClassRef("TcbBarQuickCustItem",
                                  [](TComponent* Owner) -> TcbBarItem* { return new TcbBarQuickCustItem(Owner); }),
        [](TCustomcbBarControl* Bar, TcbBarItemLink* Link) -> TcbBarItemControl* {
            return new TcbBarQuickCustItemControl(Bar, Link);
        },
        false);
    RegisterBarItemClass(ClassRef("TcbBarQuickSubItem",
                                  [](TComponent* Owner) -> TcbBarItem* { return new TcbBarQuickSubItem(Owner); }),
        [](TCustomcbBarControl* Bar, TcbBarItemLink* Link) -> TcbBarItemControl* {
            return new TcbBarSubItemControl(Bar, Link);
        },
        false);
    auto& E = cbExtensions();
    E.OpenQuickControl = [](TCustomcbBarControl* Window) {
        TcbBarQuickControl::Open(dynamic_cast<TcbBarControl*>(Window));
    };
    E.GetOpenQuickControl = []() -> TCustomcbBarControl* { return gOpenQuickControl; };
    E.StartQuickCloseTimer = [] {
        if (gOpenQuickControl)
            gOpenQuickControl->StartCloseTimer();
    };
}

void cbBarQuickControlDone()
{
    auto& E = cbExtensions();
    E.OpenQuickControl = nullptr;
    E.GetOpenQuickControl = nullptr;
    E.StartQuickCloseTimer = nullptr;
    if (gOpenQuickControl)
        gOpenQuickControl->Free();
    gRepresented.clear();
    for (const char* Name : {"TcbBarQuickCustExtButton", "TcbBarQuickCustItem", "TcbBarQuickSubItem"})
        UnregisterBarItemClass(cbItemClassOf(Name));
}
