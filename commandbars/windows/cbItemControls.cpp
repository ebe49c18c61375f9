#include "commandbars/windows/cbItemControls.h"

#include <algorithm>

#include "commandbars/model/cbBar.h"
#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Actions.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"
#include "platform/win/ImageList.h"
#include "platform/win/ScreenDC.h"

namespace {

TcbBarItemControl* OwnControl(TcbBarItemLink* Link)
{
    return Link ? Link->GetControl() : nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TcbBarItemControl

TcbBarItemControl::TcbBarItemControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link) :
    FLink(Link), FBarControl(BarControl)
{
    RegisterItemControl(this);
    if (FLink)
        FLink->SetControl(this);
}

TcbBarItemControl::~TcbBarItemControl()
{
    UnregisterItemControl(this);
    TcbBarManager* Manager = GetBarManager();
    if (Manager && Manager->GetSelectedItemControl() == this)
        Manager->SetSelectedItemControl(nullptr);
    if (FLink && FLink->GetControl() == this)
        FLink->SetControl(nullptr);
    if (TCustomcbBarControl::IsLiveBarControl(FBarControl))
        FBarControl->ControlGoing(this);
}

void TcbBarItemControl::BarWindowDestroying() {}

void TcbBarItemControl::BeginGroupChanged()
{
    RebuildBar();
}

void TcbBarItemControl::CaptionChanged()
{
    if (GetRealAlign() == iaClient)
        Repaint();
    else
        RebuildBar();
}

void TcbBarItemControl::EnabledChanged()
{
    if (!GetEnabled() && FBarControl->GetSelectedControl() == this)
        FBarControl->SelectControlByKeyboard(nullptr);
    if (IsLiveItemControl(this))
        Repaint();
}

void TcbBarItemControl::GlyphChanged()
{
    Repaint();
}

void TcbBarItemControl::ClickingChanged()
{
    if (!FClicking)
        Repaint();
}

void TcbBarItemControl::ShortCutChanged()
{
    if (InMenu())
        RebuildBar();
}

void TcbBarItemControl::VisibleChanged()
{
    RebuildBar();
}

bool TcbBarItemControl::CanClick() const
{
    return true;
}

bool TcbBarItemControl::IsCustomizable() const
{
    TcbBarItem* Item = GetItem();
    return Item && Item->GetBarManager() == FBarControl->GetBarManager();
}

bool TcbBarItemControl::CanHotTrack() const
{
    return CanSelect();
}

bool TcbBarItemControl::CanSelect() const
{
    return FBarControl->IsCustomizing() ? IsCustomizable() : true;
}

void TcbBarItemControl::PressAndClick(bool ByMouse)
{
    if (!GetEnabled())
        return;
    TCustomcbBarControl* Bar = FBarControl;
    TcbBarItemLink* Link = FLink;
    ControlPress(ByMouse);
    if (IsLiveItemControl(this) && TCustomcbBarControl::IsLiveBarControl(Bar) && Link->GetControl() == this)
        ControlClick(ByMouse);
}

void TcbBarItemControl::ControlActivate(bool)
{
    FActive = true;
}

void TcbBarItemControl::ControlInactivate(bool)
{
    FActive = false;
}

void TcbBarItemControl::ControlPress(bool) {}

void TcbBarItemControl::SetClicking(bool Value)
{
    if (Value == FClicking)
        return;
    FClicking = Value;
    ClickingChanged();
}

void TcbBarItemControl::ControlClick(bool)
{
    // The command itself runs from the click queue once the outermost framework entry has
    // returned; nothing here runs after it.
    TcbFrameworkEntry Entry;
    TCustomcbBarControl* Bar = FBarControl;
    if (dynamic_cast<TcbBarButtonControl*>(this) && InMenu())
        PlayMenuSound(msMenuCommand);
    TcbBarItemLink* Counting = FLink->GetGeneratedFrom() ? FLink->GetGeneratedFrom() : FLink;
    const bool Clicks = CanClick();
    const bool Closes = ClosesMenuOnClick();
    if (Closes) {
        try {
            Counting->MarkUsed(true);
            if (Counting != FLink)
                FLink->MarkUsed(true);
        } catch (...) {
            // Counting use is bookkeeping: a failure there must not stop the click.
        }
    }
    auto* Button = dynamic_cast<TcbBarButton*>(GetItem());
    const bool ClosesUnclicked = Button ? Button->GetUnclickAfterDoing() : true;
    const bool Unclick = ClosesUnclicked && (!Closes || !Bar->IsPopup());
    if (Unclick)
        SetClicking(true);
    TcbBarItem* Item = GetItem();
    if (Closes)
        Bar->HideAll();
    if (Clicks && Item && IsLiveItem(Item))
        QueueItemClick(Item, Counting);
    if (Unclick && IsLiveItemControl(this) && TCustomcbBarControl::IsLiveBarControl(Bar)) {
        try {
            SetClicking(false);
        } catch (...) {
            // A repaint failing here must not mask the click.
        }
    }
}

bool TcbBarItemControl::IsSelected() const
{
    // A disabled control reached by the keys is drawn selected too: the selection must be seen
    // to move over it. The mouse never selects one outside customizing (the window's own test).
    return FBarControl->GetSelectedControl() == this && IsUsable();
}

void TcbBarItemControl::KeyDown(uint16_t) {}

bool TcbBarItemControl::WantsKey(uint16_t) const
{
    return false;
}

void TcbBarItemControl::GetTextColors(TcbPaintFlags State, TColor& TextColor, HBRUSH& Brush) const
{
    GetPainter()->GetTextColors(this, State, TextColor, Brush);
}

std::string TcbBarItemControl::GetCaption() const
{
    return FLink ? FLink->GetCaption() : std::string();
}

bool TcbBarItemControl::GetEnabled() const
{
    return FLink && FLink->GetItem() && FLink->GetItem()->GetEnabled();
}

TBitmap* TcbBarItemControl::GetGlyph() const
{
    return FLink ? FLink->GetGlyph() : nullptr;
}

int32_t TcbBarItemControl::GetImageIndex() const
{
    return GetItem() ? GetItem()->GetImageIndex() : -1;
}

TImageList* TcbBarItemControl::GetImages() const
{
    TcbBarManager* Manager = GetBarManager();
    if (!Manager)
        return nullptr;
    if (!GetEnabled() && Manager->GetDisabledImages())
        return Manager->GetDisabledImages();
    return GetItem() ? GetItem()->GetImages() : Manager->GetImages();
}

std::string TcbBarItemControl::GetHint() const
{
    return GetItem() ? GetItem()->GetHint() : std::string();
}

TImageList* TcbBarItemControl::GetHotImages() const
{
    return GetBarManager() ? GetBarManager()->GetHotImages() : nullptr;
}

bool TcbBarItemControl::IsGlyphEnabled() const
{
    return (GetBarManager() && GetBarManager()->GetDisabledImages()) || GetEnabled();
}

TImageList* TcbBarItemControl::GetLargeImages() const
{
    TcbBarManager* Manager = GetBarManager();
    if (!Manager)
        return nullptr;
    if (!GetEnabled() && Manager->GetDisabledLargeImages())
        return Manager->GetDisabledLargeImages();
    return Manager->GetLargeImages();
}

TImageList* TcbBarItemControl::GetDisabledImages() const
{
    return GetBarManager() ? GetBarManager()->GetDisabledImages() : nullptr;
}

uint16_t TcbBarItemControl::GetShortCut() const
{
    return GetItem() ? GetItem()->GetShortCut() : 0;
}

std::string TcbBarItemControl::GetShortCutText() const
{
    return GetShortCut() ? ShortCutToText(GetShortCut()) : std::string();
}

int32_t TcbBarItemControl::GetCaptionOffset() const
{
    return GetPainter()->GetCaptionOffsetInMenu(this);
}

int32_t TcbBarItemControl::GetHeight() const
{
    return 0;
}

int32_t TcbBarItemControl::GetMinHeight() const
{
    return 1;
}

int32_t TcbBarItemControl::GetMinWidth() const
{
    return 1;
}

TCustomcbBarControl* TcbBarItemControl::GetSubMenuControl() const
{
    return nullptr;
}

int32_t TcbBarItemControl::GetWidth() const
{
    return 0;
}

bool TcbBarItemControl::CanShowHint() const
{
    return !GetHint().empty() && FBarControl->GetKind() == bwkToolbar;
}

bool TcbBarItemControl::IsBackgroundShared() const
{
    return FBarControl->IsBackgroundShared();
}

bool TcbBarItemControl::ClosesMenuOnClick() const
{
    return true;
}

bool TcbBarItemControl::HasSubMenu() const
{
    return false;
}

bool TcbBarItemControl::CanBePressed() const
{
    return false;
}

void TcbBarItemControl::Draw(const TRect&, TcbDrawKind) {}

void TcbBarItemControl::Repaint()
{
    if (FRepainting || !TCustomcbBarControl::IsLiveBarControl(FBarControl) || FBarControl->IsBeingDestroyed())
        return;
    TFlagScope Repainting(FRepainting);
    FBarControl->RepaintItemControl(this);
}

void TcbBarItemControl::RebuildBar()
{
    if (TCustomcbBarControl::IsLiveBarControl(FBarControl))
        FBarControl->RebuildBar();
}

bool TcbBarItemControl::WantsDblClick() const
{
    TcbBarManager* Manager = GetBarManager();
    return (Manager && Manager->IsDesigning()) || HasSubMenu();
}

TcbBarManager* TcbBarItemControl::GetBarManager() const
{
    return FBarControl ? FBarControl->GetBarManager() : nullptr;
}

TcbPainterClass TcbBarItemControl::GetPainter() const
{
    return FBarControl->GetPainter();
}

TcbBarItem* TcbBarItemControl::GetItem() const
{
    return FLink ? FLink->GetItem() : nullptr;
}

bool TcbBarItemControl::HasGlyph() const
{
    TBitmap* Glyph = GetGlyph();
    return (Glyph && !Glyph->GetEmpty()) || (GetItem() && GetItem()->IsImageIndexValid());
}

bool TcbBarItemControl::IsPressedWithMouse() const
{
    return FBarControl->GetPressedControl() == this;
}

TcbBarItemAlign TcbBarItemControl::GetRealAlign() const
{
    return GetItem() ? GetItem()->GetAlign() : iaLeft;
}

int32_t TcbBarItemControl::GetRealWidth() const
{
    if (GetRealAlign() == iaClient && FBarControl->IsLastItemControl(this) && FBarControl->GetKind() == bwkToolbar &&
        !IsVerticalBarControl(FBarControl))
        return GetMinWidth();
    return GetWidth();
}

int32_t TcbBarItemControl::GetRealHeight() const
{
    if (GetRealAlign() == iaClient && FBarControl->IsLastItemControl(this) && IsVerticalBarControl(FBarControl))
        return GetMinHeight();
    return GetHeight();
}

HDC TcbBarItemControl::GetDC() const
{
    return FBarControl->GetCanvasDC();
}

void TcbBarItemControl::DrawGlyph(const TRect& R, TcbPaintFlags State, TcbDrawKind Kind)
{
    GetPainter()->DrawGlyph(this, GetDC(), R, State, Kind);
}

void TcbBarItemControl::DrawMenuItem(const TRect& R, TcbPaintFlags State)
{
    GetPainter()->DrawMenuItem(this, GetDC(), R, State);
}

void TcbBarItemControl::DrawCaption(const TRect& R, TcbPaintFlags State, UINT Format)
{
    GetPainter()->DrawCaption(this, GetDC(), R, true, GetDrawKind() == dkVertical, GetEnabled(), State, GetCaption(),
        Format);
}

void TcbBarItemControl::DrawLowered(TRect& R)
{
    GetPainter()->DrawLoweredBorder(GetDC(), R);
}

const IcbBarWindowView* TcbBarItemControl::GetBarWindow() const
{
    return FBarControl;
}

bool TcbBarItemControl::InMenu() const
{
    return FBarControl->GetKind() == bwkMenu;
}

TcbDrawKind TcbBarItemControl::GetDrawKind() const
{
    if (InMenu())
        return dkMenu;
    return IsRotatedBarControl(FBarControl) ? dkVertical : dkHorizontal;
}

TcbPaintFlags TcbBarItemControl::BaseFlags() const
{
    TcbPaintFlags Flags;
    if (IsSelected())
        Flags.Include(pfSelected);
    if (GetEnabled())
        Flags.Include(pfEnabled);
    if (FClicking)
        Flags.Include(pfPressed);
    return Flags;
}

bool TcbBarItemControl::IsItemDestroying() const
{
    TcbBarItem* Item = GetItem();
    return !Item || Item->GetComponentState().Contains(csDestroying);
}

bool TcbBarItemControl::IsBeginGroup() const
{
    return FLink && FLink->GetBeginGroup();
}

TcbBarPaintStyle TcbBarItemControl::GetRealPaintStyle() const
{
    return FLink ? FLink->GetPaintStyle() : psStandard;
}

TRect TcbBarItemControl::GetItemRect() const
{
    return FBarControl->GetItemRect(this);
}

TRect TcbBarItemControl::GetItemRect2() const
{
    return FBarControl->GetItemRectWithBeginGroup(this);
}

// ---------------------------------------------------------------------------------------------
// TcbBarButtonControl

TcbBarButtonControl::TcbBarButtonControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link) :
    TcbBarItemControl(BarControl, Link)
{
}

TcbBarButton* TcbBarButtonControl::GetButton() const
{
    return dynamic_cast<TcbBarButton*>(GetItem());
}

void TcbBarButtonControl::GlyphChanged()
{
    if (GetLink()->GetPaintStyle() == psStandard)
        RebuildBar();
    else
        Repaint();
}

int32_t TcbBarButtonControl::GetButtonStyle() const
{
    return GetButton() ? GetButton()->GetButtonStyle() : bsDefault;
}

bool TcbBarButtonControl::IsLowered() const
{
    return GetButton() && GetButton()->GetLowered();
}

bool TcbBarButtonControl::IsDown() const
{
    return (GetButton() && GetButton()->GetDown()) || (GetButtonStyle() == bsDropDown && FDropDownOpen);
}

void TcbBarButtonControl::ControlInactivate(bool Immediately)
{
    TcbBarItemControl::ControlInactivate(Immediately);
    // An open drop-down menu closes; its loop then ends.
    if (FDropDownOpen && GetButtonStyle() == bsDropDown)
        if (TcbBarButton* Button = GetButton(); Button && Button->GetDropDownMenu())
            if (TCustomcbBarControl* Menu = Button->GetDropDownMenu()->GetItemLinks()->GetBarControl())
                Menu->HideAll();
}

bool TcbBarButtonControl::IsArrowPressed() const
{
    if (GetButtonStyle() != bsDropDown || !IsLeftButtonPressed())
        return false;
    const TRect R = GetItemRect();
    POINT P{};
    GetCursorPos(&P);
    ScreenToClient(GetBarControl()->GetHandle(), &P);
    if (!cbInRect(R, TPoint{P.x, P.y}))
        return false;
    if (GetDrawKind() == dkVertical)
        return P.y >= R.bottom - GetArrowWidth();
    return P.x >= R.right - GetArrowWidth();
}

void TcbBarButtonControl::ControlPress(bool ByMouse)
{
    if (GetButtonStyle() == bsDropDown && ByMouse && IsArrowPressed()) {
        DropDown(true);
        return;
    }
    if (!InMenu() || GetButtonStyle() == bsDropDown)
        Repaint();
}

void TcbBarButtonControl::ControlClick(bool ByMouse)
{
    if (FDropDownOpen)
        return;
    if (TcbBarButton* Button = GetButton(); Button && Button->GetButtonStyle() == bsChecked) {
        Button->SetDown(!Button->GetDown());
        if (!IsLiveItemControl(this))
            return;
    }
    ControlInactivate(true);
    if (IsLiveItemControl(this))
        TcbBarItemControl::ControlClick(ByMouse);
}

bool TcbBarButtonControl::IsSelected() const
{
    return (TcbBarItemControl::IsSelected() && !GetBarControl()->IsCustomizing()) || IsClicking();
}

void TcbBarButtonControl::KeyDown(uint16_t Key)
{
    if (Key >= VK_UP && Key <= VK_DOWN)
        DropDown(false);
}

bool TcbBarButtonControl::WantsKey(uint16_t Key) const
{
    if (GetButtonStyle() != bsDropDown)
        return false;
    if (InMenu())
        return Key == VK_RIGHT;
    return Key == VK_UP || Key == VK_DOWN;
}

int32_t TcbBarButtonControl::GetArrowWidth() const
{
    TcbBarManager* Manager = GetBarManager();
    return Manager ? GetPainter()->GetButtonArrowWidth(Manager) : 11;
}

void TcbBarButtonControl::ButtonStyleChanged()
{
    RebuildBar();
}

void TcbBarButtonControl::DownChanged()
{
    Repaint();
}

void TcbBarButtonControl::DropDownEnabledChanged()
{
    Repaint();
}

void TcbBarButtonControl::PaintStyleChanged()
{
    RebuildBar();
}

TcbBarPaintStyle TcbBarButtonControl::GetRealPaintStyle() const
{
    TcbBarPaintStyle Style = GetLink()->GetPaintStyle();
    if (!InMenu() && Style == psStandard && !HasGlyph())
        Style = psCaption;
    return Style;
}

int32_t TcbBarButtonControl::GetDefaultWidth() const
{
    TcbBarManager* Manager = GetBarManager();
    const HFONT Font = GetBarControl()->GetFontHandle();
    int32_t Width;
    if (InMenu()) {
        const int32_t Column = GetBarControl()->GetSubMenuMetrics().GlyphColumnWidth;
        Width = cbTextWidth(Font, StripAmpersands(GetCaption())) + 2 * Column + 3 + 3;
        if (GetShortCut())
            Width += cbTextWidth(Font, GetShortCutText()) + Column - 6;
        GetPainter()->AdjustMenuButtonWidth(Width);
    } else {
        const TcbBarPaintStyle Style = GetRealPaintStyle();
        const int32_t ButtonWidth = Manager ? Manager->GetButtonWidth() : 23;
        if (Style == psStandard || Style == psCaptionInMenu) {
            Width = ButtonWidth;
        } else {
            const int32_t Caption = cbTextWidth(Font, StripAmpersands(GetCaption()));
            if (Style == psCaption) {
                LOGFONTA LF{};
                GetObjectA(Font ? Font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), sizeof(LF), &LF);
                Width = Caption + std::abs(LF.lfHeight);
            } else {
                const int32_t Side = GetDrawKind() == dkVertical && Manager ? Manager->GetButtonHeight() : ButtonWidth;
                Width = Caption + Side + 4;
            }
        }
    }
    if (IsLowered())
        Width += 2 * GetPainter()->GetDropDownButtonIndent();
    return Width;
}

int32_t TcbBarButtonControl::GetDefaultHeight() const
{
    if (InMenu())
        return GetPainter()->GetSubItemHeight(this);
    TcbBarManager* Manager = GetBarManager();
    const int32_t Button = Manager ? Manager->GetButtonHeight() : 22;
    return std::max(Button, GetRealPaintStyle() == psStandard ? 0 : GetBarControl()->GetRowHeight());
}

int32_t TcbBarButtonControl::GetWidth() const
{
    const bool Swap = GetDrawKind() == dkVertical &&
        (GetRealPaintStyle() == psCaption || GetRealPaintStyle() == psCaptionGlyph);
    int32_t Width = Swap ? GetDefaultHeight() : GetDefaultWidth();
    if (!InMenu() && GetButtonStyle() == bsDropDown && GetDrawKind() != dkVertical)
        Width += GetArrowWidth();
    return Width;
}

int32_t TcbBarButtonControl::GetHeight() const
{
    const bool Swap = GetDrawKind() == dkVertical &&
        (GetRealPaintStyle() == psCaption || GetRealPaintStyle() == psCaptionGlyph);
    int32_t Height = Swap ? GetDefaultWidth() : GetDefaultHeight();
    if (!InMenu() && GetButtonStyle() == bsDropDown && GetDrawKind() == dkVertical)
        Height += GetArrowWidth();
    return Height;
}

TCustomcbBarControl* TcbBarButtonControl::GetSubMenuControl() const
{
    return nullptr;
}

bool TcbBarButtonControl::ClosesMenuOnClick() const
{
    if (!InMenu())
        return true;
    return GetButton() ? GetButton()->GetCloseSubMenuOnClick() : true;
}

bool TcbBarButtonControl::CanBePressed() const
{
    return !FDropDownOpen;
}

void TcbBarButtonControl::CloseDropDownState()
{
    if (!FDropDownOpen)
        return;
    FDropDownOpen = false;
    Repaint();
}

void TcbBarButtonControl::DropDown(bool ByMouse)
{
    TcbBarButton* Button = GetButton();
    if (FDropDownOpen || !GetEnabled() || !Button || !Button->GetDropDownEnabled() || !Button->GetDropDownMenu())
        return;
    FDropDownOpen = true;
    if (!GetActiveFlag())
        ControlActivate(false);
    Repaint();
    const TRect R = GetItemRect();
    TPoint Anchor = InMenu() || IsVerticalBarControl(GetBarControl()) ? TPoint{R.right, R.top} : TPoint{R.left, R.bottom};
    Anchor = GetBarControl()->ClientPointToScreen(Anchor);
    Button->DropDown(this, Anchor.x, Anchor.y, ByMouse);
    if (!IsLiveItemControl(this))
        return;
    // Without a menu loop under way the drop-down state ends here; a loop ends it when it closes.
    if (TcbBarPopupMenu* Menu = Button->GetDropDownMenu(); !Menu || !Menu->IsOpen())
        CloseDropDownState();
    else if (GetPainter()->IsSubMenuAttached())
        Repaint();
}

void TcbBarButtonControl::Draw(const TRect& Rect, TcbDrawKind Kind)
{
    if (IsRectEmpty(&Rect))
        return;
    TRect R = Rect;
    if (IsLowered())
        DrawLowered(R);
    TcbPaintFlags Flags;
    if (IsSelected())
        Flags.Include(pfSelected);
    TCustomcbBarControl* Bar = GetBarControl();
    const bool MousePressed = Bar->GetPressedControl() == this && Bar->IsPressedUnderMouse() && !IsArrowPressed();
    if (MousePressed || (IsClicking() && GetButtonStyle() != bsChecked))
        Flags.Include(pfPressed);
    if (IsDown())
        Flags.Include(pfDown);
    if (FDropDownOpen)
        Flags.Include(pfDroppedDown);
    if (GetEnabled())
        Flags.Include(pfEnabled);
    if (Kind == dkMenu) {
        // A down button shows as a checked command: its glyph, or a check mark without one.
        if (IsDown())
            Flags.Include(pfChecked);
        DrawMenuItem(R, Flags);
        return;
    }
    TRect Arrow{};
    if (GetButtonStyle() == bsDropDown) {
        Arrow = R;
        if (Kind == dkVertical) {
            Arrow.top = R.bottom - GetArrowWidth();
            R.bottom = Arrow.top;
        } else {
            Arrow.left = R.right - GetArrowWidth();
            R.right = Arrow.left;
        }
    }
    const TcbBarPaintStyle Style = GetRealPaintStyle();
    TcbBarManager* Manager = GetBarManager();
    if (Style == psStandard || Style == psCaptionInMenu) {
        DrawGlyph(R, Flags, Kind);
    } else {
        TColor TextColor = clBtnText;
        HBRUSH Brush = nullptr;
        GetTextColors(Flags, TextColor, Brush);
        GetPainter()->DrawItemBackground(this, GetDC(), R, Brush, false);
        TRect Text = R;
        if (Style == psCaptionGlyph && HasGlyph() && Manager) {
            TRect GlyphArea = R;
            if (Kind == dkVertical) {
                GlyphArea.bottom = GlyphArea.top + Manager->GetButtonHeight();
                Text.top = GlyphArea.bottom;
            } else {
                GlyphArea.right = GlyphArea.left + Manager->GetButtonWidth();
                Text.left = GlyphArea.right;
            }
            DrawGlyph(GlyphArea, Flags, Kind);
        }
        DrawCaption(Text, Flags, DT_CENTER | DT_VCENTER);
    }
    if (GetButtonStyle() == bsDropDown)
        GetPainter()->DrawDropDownPart(this, GetDC(), Arrow, Bar->GetCachedBarBrush(), Flags, FDropDownOpen ? 1 : 0);
}

// ---------------------------------------------------------------------------------------------
// The item controls' registrations and the notices of items and links

namespace {

TcbSubMenuWindowFactory gSubMenuFactory = nullptr;
TcbSubMenuWindowFactory gContainerFactory = nullptr;

void DispatchNotice(TcbBarItemLink* Link, TcbItemControlNotice Notice)
{
    TcbFrameworkEntry Entry;
    TcbBarItemControl* Control = Link->GetControl();
    auto* Button = dynamic_cast<TcbBarButtonControl*>(Control);
    switch (Notice) {
    case icnCreate:
        if (!Control && Link->GetBarControl() && Link->GetBarControl()->HandleAllocated())
            cbCreateItemControl(Link);
        return;
    case icnDestroy:
        Link->DestroyControl();
        return;
    default:
        break;
    }
    if (!Control)
        return;
    switch (Notice) {
    case icnCaptionChanged: Control->CaptionChanged(); break;
    case icnEnabledChanged: Control->EnabledChanged(); break;
    case icnGlyphChanged: Control->GlyphChanged(); break;
    case icnShortCutChanged: Control->ShortCutChanged(); break;
    case icnRepaint:
        if (Button)
            Button->DownChanged();
        else if (auto* Win = dynamic_cast<TcbBarWinControl*>(Control); Win && !Win->IsEditing()) {
            if (auto* Item = dynamic_cast<TcbBarWindowItem*>(Control->GetItem()))
                Win->SetText(Item->GetText());
            if (IsLiveItemControl(Control))
                Control->Repaint();
        } else
            Control->Repaint();
        break;
    case icnRebuildBar: Control->RebuildBar(); break;
    case icnVisibleChanged: Control->VisibleChanged(); break;
    case icnRefresh: Control->RebuildBar(); break;
    default: break;
    }
}

template <class T>
TcbBarItemControlClass ControlClassOf()
{
    return [](TCustomcbBarControl* Bar, TcbBarItemLink* Link) -> TcbBarItemControl* { return new T(Bar, Link); };
}

const TcbBarItemClassRef* ItemClassRef(const std::string& Name)
{
    static std::vector<std::unique_ptr<TcbBarItemClassRef>> Refs;
    for (auto& R : Refs)
        if (R->Name == Name)
            return R.get();
    Refs.push_back(std::make_unique<TcbBarItemClassRef>(TcbBarItemClassRef{Name, nullptr}));
    return Refs.back().get();
}

template <class Item>
TcbBarItemClass MakeItemClass(const std::string& Name)
{
    auto* Ref = const_cast<TcbBarItemClassRef*>(ItemClassRef(Name));
    Ref->Create = [](TComponent* Owner) -> TcbBarItem* { return new Item(Owner); };
    return Ref;
}

const char* const kRegisteredClasses[] = {"TcbBarButton", "TcbBarEdit", "TCustomcbBarCombo", "TcbBarCombo",
    "TcbBarSubItem", "TcbBarListItem", "TcbBarContainerItem"};

} // namespace

TcbBarItemClass cbItemClassOf(const std::string& Name)
{
    return ItemClassRef(Name);
}

void SetSubMenuWindowFactory(TcbSubMenuWindowFactory Factory)
{
    gSubMenuFactory = Factory;
}

void SetContainerMenuWindowFactory(TcbSubMenuWindowFactory Factory)
{
    gContainerFactory = Factory;
}

void cbItemControlsInit()
{
    RegisterBarItemClass(MakeItemClass<TcbBarButton>("TcbBarButton"), ControlClassOf<TcbBarButtonControl>(), true);
    RegisterBarItemClass(MakeItemClass<TcbBarEdit>("TcbBarEdit"), ControlClassOf<TcbBarEditControl>(), true);
    RegisterBarItemClass(MakeItemClass<TCustomcbBarCombo>("TCustomcbBarCombo"),
        ControlClassOf<TCustomcbBarComboControl>(), true);
    RegisterBarItemClass(MakeItemClass<TcbBarCombo>("TcbBarCombo"), ControlClassOf<TcbBarComboControl>(), true);
    RegisterBarItemClass(MakeItemClass<TcbBarSubItem>("TcbBarSubItem"), ControlClassOf<TcbBarSubItemControl>(), true);
    RegisterBarItemClass(MakeItemClass<TcbBarListItem>("TcbBarListItem"),
        ControlClassOf<TcbBarContainerItemControl>(), true);
    RegisterBarItemClass(MakeItemClass<TcbBarContainerItem>("TcbBarContainerItem"),
        ControlClassOf<TcbBarContainerItemControl>(), true);
    SetItemControlDispatch(DispatchNotice);
    auto& Editors = WindowItemEditors();
    Editors.IsEditing = [](TcbBarItemLink* Link) {
        auto* Win = dynamic_cast<TcbBarWinControl*>(OwnControl(Link));
        return Win && Win->IsEditing();
    };
    Editors.EditorText = [](TcbBarItemLink* Link, std::string& Text) {
        auto* Win = dynamic_cast<TcbBarWinControl*>(OwnControl(Link));
        if (!Win || !Win->IsEditing())
            return false;
        Text = Win->GetEditorText();
        return true;
    };
    Editors.StartEditing = [](TcbBarItemLink* Link, bool VisibleOnly) {
        auto* Win = dynamic_cast<TcbBarWinControl*>(OwnControl(Link));
        if (!Win || (VisibleOnly && !IsWindowVisible(Win->GetBarControl()->GetHandle())))
            return false;
        TCustomcbBarControl* Bar = Win->GetBarControl();
        Bar->SetIsActive(true);
        Bar->SelectControlByKeyboard(Win);
        if (IsLiveItemControl(Win))
            Win->PressAndClick(false);
        return true;
    };
    Editors.IsActive = [](TcbBarItemLink* Link) {
        TcbBarItemControl* Control = OwnControl(Link);
        return Control && Control->GetActiveFlag();
    };
    Editors.ComboTextWidth = [](TcbBarItemLink* Link) {
        TcbBarItemControl* Control = OwnControl(Link);
        if (!Control)
            return 0;
        const TRect R = Control->GetItemRect();
        int32_t Width = R.right - R.left;
        if (auto* Edit = dynamic_cast<TcbBarEditControl*>(Control))
            Width -= Edit->GetCaptionWidth();
        return Width - Control->GetBarControl()->GetComboButtonWidth();
    };
    auto& Queries = BarWindowQueries();
    Queries.IsVisible = [](TCustomcbBarControl* Window) {
        return Window->HandleAllocated() && IsWindowVisible(Window->GetHandle());
    };
    Queries.CanSelectControl = [](TcbBarItemLink* Link) {
        TcbBarItemControl* Control = Link->GetControl();
        return Control && Control->CanSelect();
    };
}

void cbItemControlsDone()
{
    SetItemControlDispatch(nullptr);
    WindowItemEditors() = TcbWindowItemEditors{};
    BarWindowQueries() = TcbBarWindowQueries{};
    for (const char* Name : kRegisteredClasses)
        UnregisterBarItemClass(ItemClassRef(Name));
    ClearClickQueue();
}

void TcbBarItemLink::CreateControl()
{
    TCustomcbBarControl* Bar = GetBarControl();
    TcbBarItem* Item = GetItem();
    if (!Bar || !Item || FControl)
        return;
    TcbBarItemControl* Control = nullptr;
    if (dynamic_cast<TcbBarWindowItem*>(Item) && IsRotatedBarControl(Bar)) {
        Control = new TcbBarButtonControl(Bar, this);
    } else {
        // The exact class of the item counts, not its ancestors.
        TcbBarItemControlClass Factory = GetBarItemControlClass(ItemClassRef(Item->ClassName()));
        if (!Factory)
            return;
        Control = Factory(Bar, this);
    }
    if (Control)
        Control->AfterConstruction();
}

void TcbBarItemLink::DestroyControl()
{
    if (TcbBarItemControl* Control = FControl) {
        FControl = nullptr;
        delete Control;
    }
}

TcbBarItemControl* cbCreateItemControl(TcbBarItemLink* Link)
{
    if (!Link)
        return nullptr;
    Link->CreateControl();
    return Link->GetControl();
}

TCustomcbBarControl* TcbBarSubItemControl::CreateSubMenuWindow()
{
    return gSubMenuFactory ? gSubMenuFactory(this) : nullptr;
}

TCustomcbBarControl* TcbBarContainerItemControl::CreateSubMenuWindow()
{
    if (GetBarControl()->IsCustomizing())
        return nullptr;
    return gContainerFactory ? gContainerFactory(this) : nullptr;
}
