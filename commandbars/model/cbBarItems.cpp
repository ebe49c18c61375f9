#include "commandbars/model/cbBarItems.h"

#include <algorithm>
#include <set>

#include "commandbars/model/cbBar.h"
#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDropDownListBox.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenu.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Forms.h"
#include "platform/win/Graphics.h"
#include "platform/win/MemoryDC.h"

bool cbLinkIsOnBar(const TcbBarItemLink* Link)
{
    const TcbBarItemLinks* Links = Link ? Link->GetLinks() : nullptr;
    return Links && dynamic_cast<TcbBar*>(Links->GetOwner()) != nullptr;
}

// ---------------------------------------------------------------------------------------------
// TcbBarButton

TcbBarButton::TcbBarButton(TComponent* AOwner) : TcbBarItem(AOwner)
{
    SetUnclickAfterDoing(true);
}

TcbBarButton::~TcbBarButton() = default;

TcbBarButton* TcbBarButton::DownButtonOfGroup() const
{
    TcbBarManager* Manager = GetBarManager();
    for (int32_t I = 0; Manager && I < Manager->GetItemCount(); ++I) {
        auto* Button = dynamic_cast<TcbBarButton*>(Manager->GetItem(I));
        if (Button && Button != this && Button->FButtonStyle == bsChecked && Button->FGroupIndex == FGroupIndex &&
            Button->FDown)
            return Button;
    }
    return nullptr;
}

void TcbBarButton::SetDown(bool Value)
{
    if (Value == FDown)
        return;
    if (Value && FButtonStyle != bsChecked)
        return;
    TcbBarButton* Previous = nullptr;
    if (!IsLoading() && FButtonStyle == bsChecked && FGroupIndex != 0) {
        if (!Value && !FAllowAllUp && !DownButtonOfGroup())
            return;
        if (Value)
            Previous = DownButtonOfGroup();
    }
    FDown = Value;
    if (!IsLoading())
        DownChanged();
    if (Previous)
        Previous->SetDown(false);
}

void TcbBarButton::SetAllowAllUp(bool Value)
{
    if (Value == FAllowAllUp)
        return;
    FAllowAllUp = Value;
    TcbBarManager* Manager = GetBarManager();
    if (FGroupIndex == 0 || !Manager)
        return;
    for (int32_t I = 0; I < Manager->GetItemCount(); ++I)
        if (auto* Button = dynamic_cast<TcbBarButton*>(Manager->GetItem(I)); Button && Button->FGroupIndex == FGroupIndex)
            Button->FAllowAllUp = Value;
}

void TcbBarButton::SetButtonStyle(TcbBarButtonStyle Value)
{
    if (Value == FButtonStyle)
        return;
    // A released button may still be refused going up by its group; the style leaves the
    // group's rules first.
    const bool WasDown = FDown;
    FButtonStyle = Value;
    if (WasDown) {
        FDown = false;
        if (!IsLoading())
            DownChanged();
    }
    if (!IsLoading())
        ButtonStyleChanged();
    if (TcbBarManager* Manager = GetBarManager())
        Manager->ItemChanged(this);
}

void TcbBarButton::SetGroupIndex(int32_t Value)
{
    if (FButtonStyle != bsChecked)
        Value = 0;
    if (Value == FGroupIndex)
        return;
    FGroupIndex = Value;
    SetDown(false);
}

void TcbBarButton::SetDropDownEnabled(bool Value)
{
    if (Value == FDropDownEnabled)
        return;
    FDropDownEnabled = Value;
    if (!IsLoading())
        DropDownEnabledChanged();
}

void TcbBarButton::SetLowered(bool Value)
{
    if (Value == FLowered)
        return;
    FLowered = Value;
    if (!IsLoading())
        LayoutChanged();
}

void TcbBarButton::SetPaintStyle(TcbBarPaintStyle Value)
{
    if (Value == FPaintStyle)
        return;
    FPaintStyle = Value;
    if (!IsLoading())
        PaintStyleChanged();
}

void TcbBarButton::ButtonStyleChanged()
{
    NotifyControls(icnRebuildBar);
}

void TcbBarButton::DownChanged()
{
    NotifyControls(icnRepaint);
}

void TcbBarButton::DropDownEnabledChanged()
{
    NotifyControls(icnRepaint);
}

void TcbBarButton::PaintStyleChanged()
{
    NotifyControls(icnRebuildBar, [](TcbBarItemLink* L) { return !L->GetUserDefine().Contains(udPaintStyle); });
}

void TcbBarButton::Click()
{
    if (GetEnabled() && FButtonStyle == bsChecked)
        SetDown(!FDown);
    TcbBarItem::Click();
}

namespace {

TcbDropDownMenuShow gDropDownMenuShow;

} // namespace

void SetDropDownMenuShow(TcbDropDownMenuShow Show)
{
    gDropDownMenuShow = std::move(Show);
}

void TcbBarButton::DropDown(TcbBarItemControl* Control, int32_t X, int32_t Y, bool ByMouse)
{
    if (!FDropDownMenu || !Control || !gDropDownMenuShow)
        return;
    const TRect R = Control->GetItemRect();
    TRect Exclusion{};
    if (Control->IsBackgroundShared()) {
        const TPoint TopLeft = Control->GetBarControl()->ClientPointToScreen(TPoint{R.left, R.top});
        Exclusion = Bounds(TopLeft.x, TopLeft.y, R.right - R.left, R.bottom - R.top);
    }
    const bool Horizontal = Control->GetDrawKind() == dkHorizontal;
    FDropDownMenu->SetExclusionRect(IsRectEmpty(&Exclusion) ? nullptr : &Exclusion);
    FDropDownMenu->SetOwnerValues(Horizontal ? 0 : R.right - R.left, Horizontal ? R.bottom - R.top : 0);
    TcbBarPopupMenu* Menu = FDropDownMenu;
    gDropDownMenuShow(Menu, Control, X, Y, ByMouse);
    // A command of the menu may have freed the popup menu with its form; the showing cleared
    // its values when it lives on. Nothing else is touched here after the menu's loop.
    if (TcbBarPopupMenu::IsLivePopupMenu(Menu))
        Menu->SetExclusionRect(nullptr);
}

bool TcbBarButton::HasAccel(TcbBarItemLink* Link) const
{
    if (!GetEnabled())
        return false;
    if (!cbLinkIsOnBar(Link))
        return true;
    const TcbBarPaintStyle Style = Link->GetUserDefine().Contains(udPaintStyle) ? Link->GetUserPaintStyle() : FPaintStyle;
    return Style == psCaption || Style == psCaptionGlyph;
}

void TcbBarButton::ActionChange(TObject* Sender, bool CheckDefaults)
{
    TcbBarItem::ActionChange(Sender, CheckDefaults);
    if (auto* Action = dynamic_cast<TAction*>(Sender); Action && (!CheckDefaults || !FDown))
        SetDown(Action->GetChecked());
}

void TcbBarButton::AssignTo(TPersistent* Dest)
{
    TcbBarItem::AssignTo(Dest);
    if (auto* Action = dynamic_cast<TAction*>(Dest))
        Action->SetChecked(FDown);
}

// ---------------------------------------------------------------------------------------------
// TcbBarWindowItem

TcbWindowItemEditors& WindowItemEditors()
{
    static TcbWindowItemEditors Editors;
    return Editors;
}

TcbBarWindowItem::TcbBarWindowItem(TComponent* AOwner) : TcbBarItem(AOwner) {}

void TcbBarWindowItem::SetText(const std::string& Value)
{
    if (Value == FText)
        return;
    FText = Value;
    TextChanged();
    Change();
    TextChanged();
}

void TcbBarWindowItem::Change()
{
    if (!IsLoading() && OnChange)
        OnChange(this);
}

void TcbBarWindowItem::CurChange()
{
    if (OnCurChange)
        OnCurChange(this);
}

void TcbBarWindowItem::DoEnter()
{
    if (OnEnter)
        OnEnter(this);
}

void TcbBarWindowItem::DoExit()
{
    if (OnExit)
        OnExit(this);
}

void TcbBarWindowItem::KeyDown(uint16_t& Key, TShiftState Shift)
{
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
}

void TcbBarWindowItem::KeyPress(char& Key)
{
    if (OnKeyPress)
        OnKeyPress(this, Key);
}

void TcbBarWindowItem::KeyUp(uint16_t& Key, TShiftState Shift)
{
    if (OnKeyUp)
        OnKeyUp(this, Key, Shift);
}

void TcbBarWindowItem::SetFocus(bool VisibleOnly)
{
    const auto& Editors = WindowItemEditors();
    if (!Editors.StartEditing)
        return;
    for (int32_t I = 0; I < GetLinkCount(); ++I)
        if (TcbBarItemLink* Link = GetLink(I); Link->GetControl() && Editors.StartEditing(Link, VisibleOnly))
            return;
}

std::string TcbBarWindowItem::GetCurText() const
{
    std::string Text;
    const auto& Editors = WindowItemEditors();
    for (int32_t I = 0; Editors.EditorText && I < GetLinkCount(); ++I)
        if (TcbBarItemLink* Link = GetLink(I); Link->GetControl() && Editors.EditorText(Link, Text))
            return Text;
    return FText;
}

TcbBarItemLink* TcbBarWindowItem::GetEditingLink() const
{
    const auto& Editors = WindowItemEditors();
    for (int32_t I = 0; Editors.IsEditing && I < GetLinkCount(); ++I)
        if (TcbBarItemLink* Link = GetLink(I); Link->GetControl() && Editors.IsEditing(Link))
            return Link;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// TcbBarEdit

TcbBarEdit::TcbBarEdit(TComponent* AOwner) : TcbBarWindowItem(AOwner) {}

void TcbBarEdit::SetMaxLength(int32_t Value)
{
    FMaxLength = Value < 1 ? 0 : Value;
}

void TcbBarEdit::SetShowCaption(bool Value)
{
    if (Value == FShowCaption)
        return;
    FShowCaption = Value;
    if (!IsLoading())
        LayoutChanged();
}

void TcbBarEdit::SetWidth(int32_t Value)
{
    if (Value < 20)
        Value = 20;
    if (Value == FWidth)
        return;
    FWidth = Value;
    if (!IsLoading())
        WidthChanged();
}

void TcbBarEdit::DrawValue(TCanvas* Canvas, const TRect& Rect, const IcbItemControlView* Control, TcbPaintFlags State)
{
    HDC DC = Canvas->GetHandle();
    HGDIOBJ OldFont = SelectObject(DC, Canvas->GetFont()->GetHandle());
    GetPainter()->DrawEditValue(Control, DC, Rect, State);
    SelectObject(DC, OldFont);
}

void TcbBarEdit::WidthChanged()
{
    NotifyControls(icnRebuildBar, [](TcbBarItemLink* L) { return !L->GetUserDefine().Contains(udWidth); });
}

bool TcbBarEdit::HasAccel(TcbBarItemLink* Link) const
{
    return GetEnabled() && (FShowCaption || !cbLinkIsOnBar(Link));
}

// ---------------------------------------------------------------------------------------------
// TCustomcbBarCombo

TCustomcbBarCombo::TCustomcbBarCombo(TComponent* AOwner) : TcbBarEdit(AOwner) {}

TcbBarItemLink* TCustomcbBarCombo::GetActiveControlLink() const
{
    const auto& Editors = WindowItemEditors();
    for (int32_t I = 0; Editors.IsActive && I < GetLinkCount(); ++I)
        if (TcbBarItemLink* Link = GetLink(I); Link->GetControl() && Editors.IsActive(Link))
            return Link;
    return nullptr;
}

bool TCustomcbBarCombo::CheckKeyForDropDownWindow(uint16_t Key, TShiftState Shift)
{
    bool Accept = Key != VK_ESCAPE && Key != VK_RETURN && Key != VK_TAB;
    if (OnCheckKeyForDropDownWindow)
        OnCheckKeyForDropDownWindow(this, Key, Shift, Accept);
    return Accept;
}

HWND TCustomcbBarCombo::GetDropDownWindow()
{
    HWND Window = nullptr;
    if (OnGetDropDownWindow)
        OnGetDropDownWindow(this, Window);
    return Window;
}

void TCustomcbBarCombo::CloseUp()
{
    if (HWND Window = GetDropDownWindow())
        ShowWindow(Window, SW_HIDE);
    if (OnCloseUp)
        OnCloseUp(this);
}

bool TCustomcbBarCombo::DropsDownBeside(const TcbBarItemLink* Link)
{
    if (!cbLinkIsOnBar(Link))
        return true;
    const TcbBarDockingStyle Dock = dynamic_cast<TcbBar*>(Link->GetLinks()->GetOwner())->GetDockingStyle();
    return Dock == dsLeft || Dock == dsRight;
}

void TCustomcbBarCombo::AdjustDropDownPos(const TRect& WorkArea, bool Beside, int32_t ControlWidth,
    int32_t ControlHeight, int32_t WindowWidth, int32_t WindowHeight, int32_t& X, int32_t& Y)
{
    if (Beside) {
        const int32_t LeftX = X - ControlWidth - WindowWidth;
        if (X + WindowWidth > WorkArea.right && X - ControlWidth - WorkArea.left > WorkArea.right - X)
            X = LeftX;
        if (Y + WindowHeight > WorkArea.bottom)
            Y = WorkArea.bottom - WindowHeight;
    } else {
        if (X + WindowWidth > WorkArea.right)
            X = WorkArea.right - WindowWidth;
        if (Y + WindowHeight > WorkArea.bottom && Y - ControlHeight - WorkArea.top > WorkArea.bottom - Y)
            Y = Y - ControlHeight - WindowHeight;
    }
    X = std::max(X, static_cast<int32_t>(WorkArea.left));
    Y = std::max(Y, static_cast<int32_t>(WorkArea.top));
}

void TCustomcbBarCombo::DropDown(int32_t X, int32_t Y)
{
    if (OnDropDown)
        OnDropDown(this);
    HWND Window = GetDropDownWindow();
    if (!Window)
        return;
    InitDropDownWindow();
    RECT WindowRect{};
    GetWindowRect(Window, &WindowRect);
    // The control's size and place come from the active link; from code there is none, and the
    // list opens under a control of the item's width on a toolbar.
    int32_t ControlWidth = GetWidth();
    int32_t ControlHeight = 0;
    bool Beside = false;
    if (TcbBarItemLink* Link = GetActiveControlLink()) {
        const TRect& R = Link->GetItemRect();
        ControlWidth = R.right - R.left;
        ControlHeight = R.bottom - R.top;
        Beside = DropsDownBeside(Link);
    }
    AdjustDropDownPos(GetMonitorWorkArea(TPoint{X, Y}), Beside, ControlWidth, ControlHeight,
        WindowRect.right - WindowRect.left, WindowRect.bottom - WindowRect.top, X, Y);
    SetWindowPos(Window, nullptr, X, Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(Window, nullptr, 0, 0, 0, 0,
        SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    DropDownMouseDown();
}

// ---------------------------------------------------------------------------------------------
// TcbBarCustomCombo

TcbBarCustomCombo::TcbBarCustomCombo(TComponent* AOwner) :
    TCustomcbBarCombo(AOwner), FItems(std::make_unique<TStringList>()),
    FListBox(std::make_unique<TcbBarDropDownListBox>(this))
{
    FItems->OnChange = [this](TObject* Sender) { ItemsChanged(Sender); };
}

TcbBarCustomCombo::~TcbBarCustomCombo()
{
    FItems->OnChange = nullptr;
    FListBox.reset();
    FItemsCanvas.reset();
    if (FItemsDC)
        DeleteMemoryDC(FItemsDC);
}

void TcbBarCustomCombo::ItemsChanged(TObject*)
{
    if (FItemIndex >= FItems->GetCount())
        SetItemIndex(-1);
    else
        TextChanged();
}

void TcbBarCustomCombo::SetItemIndex(int32_t Value)
{
    if (Value < 0 || Value >= FItems->GetCount())
        Value = -1;
    FItemIndex = Value;
    const std::string NewText = Value >= 0 ? FItems->GetStrings(Value) : std::string();
    if (NewText == GetText()) {
        TextChanged();
        Change();
        TextChanged();
    } else {
        SetText(NewText);
    }
}

void TcbBarCustomCombo::SetText(const std::string& Value)
{
    if (!(FItemIndex >= 0 && FItemIndex < FItems->GetCount() && FItems->GetStrings(FItemIndex) == Value))
        FItemIndex = FItems->IndexOf(Value);
    TCustomcbBarCombo::SetText(Value);
}

void TcbBarCustomCombo::SetSorted(bool Value)
{
    if (Value == FSorted)
        return;
    FSorted = Value;
    // The entries' change notice must not take ItemIndex from the old order.
    auto Saved = std::move(FItems->OnChange);
    FItems->OnChange = nullptr;
    FItems->SetSorted(Value);
    FItems->OnChange = std::move(Saved);
    FItemIndex = FItems->IndexOf(GetText());
    TextChanged();
}

bool TcbBarCustomCombo::CheckKeyForDropDownWindow(uint16_t Key, TShiftState Shift)
{
    return Shift.Empty() && (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT);
}

HWND TcbBarCustomCombo::GetDropDownWindow()
{
    if (HWND Window = TCustomcbBarCombo::GetDropDownWindow())
        return Window;
    return FListWindow && IsWindow(FListWindow) ? FListWindow : nullptr;
}

int32_t TcbBarCustomCombo::GetDropDownHeight()
{
    int32_t Height = 4;
    const int32_t Count = std::min(FItems->GetCount(), FDropDownCount);
    for (int32_t I = 0; I < Count; ++I) {
        int32_t H = 0;
        MeasureItem(I, H);
        Height += H;
    }
    return Height;
}

void TcbBarCustomCombo::InitDropDownWindow()
{
    HWND List = GetDropDownWindow();
    if (!List)
        return;
    if (List == FListWindow) {
        SendMessageA(List, LB_RESETCONTENT, 0, 0);
        for (int32_t I = 0; I < FItems->GetCount(); ++I)
            SendMessageA(List, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FItems->GetStrings(I).c_str()));
    }
    SetWindowPos(List, nullptr, 0, 0, GetDropDownWidth(), GetDropDownHeight(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TcbBarCustomCombo::DropDownMouseDown()
{
    FListCaptured = false;
    if (FListWindow && IsLeftButtonPressed()) {
        SetCapture(FListWindow);
        FListCaptured = true;
        if (FListBox && FListBox->GetHandle() == FListWindow)
            FListBox->SetTracking(true);
    }
}

void TcbBarCustomCombo::CloseUp()
{
    FDroppedDown = false;
    TCustomcbBarCombo::CloseUp();
    if (FListWindow && IsWindow(FListWindow) && FListCaptured && GetCapture() == FListWindow)
        ReleaseCapture();
    FListCaptured = false;
}

void TcbBarCustomCombo::DropDown(int32_t X, int32_t Y)
{
    // The list is a top-level window owned by the manager's form (its owner from creation on).
    if (FListBox && !FListWindow)
        FListWindow = FListBox->GetHandle();
    FDroppedDown = true;
    TCustomcbBarCombo::DropDown(X, Y);
    SyncListSelection();
}

TCanvas* TcbBarCustomCombo::GetItemsCanvas()
{
    if (FOutsideCanvas)
        return FOutsideCanvas;
    if (!FItemsCanvas) {
        FItemsDC = CreateMemoryDC();
        FItemsCanvas = std::make_unique<TCanvas>();
        FItemsCanvas->SetHandle(FItemsDC);
        if (TcbBarManager* Manager = GetBarManager(); Manager && Manager->GetFont())
            FItemsCanvas->GetFont()->Assign(Manager->GetFont());
    }
    return FItemsCanvas.get();
}

void TcbBarCustomCombo::MeasureItem(int32_t Index, int32_t& Height)
{
    Height = FItemHeight >= 1 ? FItemHeight : GetItemsCanvas()->TextHeight("Qq");
    if (OnMeasureItem)
        OnMeasureItem(this, Index, Height);
}

void TcbBarCustomCombo::MeasureItemWidth(int32_t Index, int32_t& Width)
{
    Width = GetItemsCanvas()->TextWidth(FItems->GetStrings(Index)) + 2;
}

int32_t TcbBarCustomCombo::GetDropDownWidth()
{
    const int32_t ScrollBar = FItems->GetCount() > FDropDownCount ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    int32_t Width = FDropDownWidth;
    if (Width < 1) {
        // Without a control (a drop-down started from code) the list is as wide as the item.
        TcbBarItemLink* Link = GetActiveControlLink();
        const auto& Editors = WindowItemEditors();
        Width = (Link && Editors.ComboTextWidth ? Editors.ComboTextWidth(Link) : GetWidth()) - 4 - ScrollBar;
        for (int32_t I = 0; I < FItems->GetCount(); ++I) {
            int32_t W = 0;
            MeasureItemWidth(I, W);
            Width = std::max(Width, W);
        }
    }
    return Width + 4 + ScrollBar;
}

void TcbBarCustomCombo::DrawItem(int32_t Index, const TRect& Rect, TOwnerDrawState State)
{
    TCanvas* Canvas = GetItemsCanvas();
    if (OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
    } else if (Index >= 0 && Index < FItems->GetCount()) {
        // The entry in the manager's style, in the canvas's font.
        HDC DC = Canvas->GetHandle();
        HGDIOBJ OldFont = SelectObject(DC, Canvas->GetFont()->GetHandle());
        GetPainter()->DrawComboListItem(DC, Rect, FItems->GetStrings(Index), State.Contains(odSelected));
        SelectObject(DC, OldFont);
    }
    if (State.Contains(odFocused))
        Canvas->DrawFocusRect(Rect);
}

void TcbBarCustomCombo::DrawItemOf(TCanvas* Canvas, TcbBarItemLink* Link, const TRect& Rect)
{
    // The link being edited shows the entry its control has reached in the list, which the
    // combo takes as its own only when the editing ends.
    int32_t Index = FItemIndex;
    const auto& Editors = WindowItemEditors();
    if (Link && Editors.IsEditing && Editors.IsEditing(Link))
        if (auto* Control = dynamic_cast<TcbBarComboControl*>(Link->GetControl()))
            Index = Control->GetCurIndex();
    FOutsideCanvas = Canvas;
    FOutsideDraw = true;
    TScopeExit Restore([&] {
        FOutsideDraw = false;
        FOutsideCanvas = nullptr;
    });
    DrawItem(Index, Rect, TOwnerDrawState{});
}

void TcbBarCustomCombo::DrawListItem(HDC DC, int32_t Index, const TRect& Rect, TOwnerDrawState State)
{
    TCanvas Canvas;
    Canvas.SetHandle(DC);
    FOutsideCanvas = &Canvas;
    TScopeExit Restore([&] {
        FOutsideCanvas = nullptr;
        Canvas.SetHandle(nullptr);
    });
    if (TcbBarManager* Manager = GetBarManager(); Manager && Manager->GetFont())
        Canvas.GetFont()->Assign(Manager->GetFont());
    DrawItem(Index, Rect, State);
}

int32_t TcbBarCustomCombo::SyncListSelection()
{
    const std::string Text = GetCurText();
    int32_t Index = FItemIndex >= 0 && FItemIndex < FItems->GetCount() && FItems->GetStrings(FItemIndex) == Text
        ? FItemIndex
        : FindPrefixItem(Text);
    if (FDroppedDown && FListWindow && IsWindow(FListWindow)) {
        if (Index >= 0 && SameText(FItems->GetStrings(Index), Text)) {
            SendMessageA(FListWindow, LB_SETCURSEL, static_cast<WPARAM>(Index), 0);
        } else {
            SendMessageA(FListWindow, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            SendMessageA(FListWindow, LB_SETTOPINDEX, static_cast<WPARAM>(std::max(Index, 0)), 0);
        }
    }
    return Index;
}

int32_t TcbBarCustomCombo::FindPrefixItem(const std::string& Text) const
{
    const std::string Wanted = UpperCase(Text);
    int32_t Found = -1;
    size_t Longest = 0;
    for (int32_t I = 0; I < FItems->GetCount(); ++I) {
        const std::string Entry = UpperCase(FItems->GetStrings(I));
        size_t Common = 0;
        while (Common < Wanted.size() && Common < Entry.size() && Entry[Common] == Wanted[Common])
            ++Common;
        if (Common > Longest) {
            Longest = Common;
            Found = I;
        }
        if (!Wanted.empty() && Common == Wanted.size())
            break;
    }
    return Found;
}

// ---------------------------------------------------------------------------------------------
// TcbBarButton's drop-down menu

void TcbBarButton::SetDropDownMenu(TcbBarPopupMenu* Value)
{
    if (Value == FDropDownMenu)
        return;
    if (FDropDownMenu)
        FDropDownMenu->RemoveFreeNotification(this);
    FDropDownMenu = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TcbBarButton::Notification(TComponent* AComponent, TOperation Operation)
{
    TcbBarItem::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent && AComponent == FDropDownMenu)
        FDropDownMenu = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Sub-items

namespace {

// Whether Links, or the sub-menus and drop-down menus under them, hold Target. Each sub-item
// and menu is walked once, so that menus that already hold each other end the walk.
bool LinksReach(const TcbBarItemLinks* Links, const TcbBarItem* Target, std::set<const void*>& Visited)
{
    if (!Links || !Visited.insert(Links).second)
        return false;
    for (int32_t I = 0; I < Links->GetCount(); ++I) {
        const TcbBarItem* Item = Links->GetItem(I)->GetItem();
        if (!Item)
            continue;
        if (Item == Target)
            return true;
        if (const auto* SubItem = dynamic_cast<const TCustomcbBarSubItem*>(Item)) {
            if (LinksReach(SubItem->GetItemLinks(), Target, Visited))
                return true;
        } else if (const auto* Button = dynamic_cast<const TcbBarButton*>(Item); Button && Button->GetDropDownMenu()) {
            if (LinksReach(Button->GetDropDownMenu()->GetItemLinks(), Target, Visited))
                return true;
        }
    }
    return false;
}

} // namespace

TCustomcbBarSubItem::TCustomcbBarSubItem(TComponent* AOwner) :
    TcbBarItem(AOwner), FItemLinks(std::make_unique<TcbBarItemLinks>(GetBarManager(), this))
{
}

TCustomcbBarSubItem::~TCustomcbBarSubItem()
{
    SetDetachingBar(-1);
    // A menu of the sub-item still open goes before the links it shows; the control that
    // opened it finds it gone.
    if (FItemLinks)
        if (TCustomcbBarControl* Menu = FItemLinks->GetBarControl(); Menu && TCustomcbBarControl::IsLiveBarControl(Menu))
            delete Menu;
    FItemLinks.reset();
}

int32_t TCustomcbBarSubItem::GetDetachingBar() const
{
    return FDetachingBar ? FDetachingBar->GetIndex() : -1;
}

void TCustomcbBarSubItem::SetDetachingBar(int32_t Value)
{
    TcbBarManager* Manager = GetBarManager();
    TcbBars* Bars = Manager ? Manager->GetBars() : nullptr;
    TcbBar* Bar = Bars && Value >= 0 && Value < Bars->GetCount() ? Bars->GetItem(Value) : nullptr;
    if (Bar == FDetachingBar)
        return;
    if (FDetachingBar)
        FDetachingBar->RemoveDependentItem(this);
    FDetachingBar = Bar;
    if (Bar)
        Bar->AddDependentItem(this);
}

void TCustomcbBarSubItem::BarNotification(TOperation Operation, TcbBar* Bar)
{
    if (Operation == opRemove && Bar == FDetachingBar)
        FDetachingBar = nullptr;
}

void TCustomcbBarSubItem::SetItemLinks(TcbBarItemLinks* Value)
{
    FItemLinks->Assign(Value);
}

void TCustomcbBarSubItem::SetShowCaption(bool Value)
{
    if (Value == FShowCaption)
        return;
    FShowCaption = Value;
    if (!IsLoading())
        LayoutChanged();
}

void TCustomcbBarSubItem::BarManagerChanged()
{
    FItemLinks->SetBarManager(GetBarManager());
}

void TCustomcbBarSubItem::PaintBar(TCanvas* Canvas, const TRect& R)
{
    if (OnPaintBar)
        OnPaintBar(this, Canvas, R);
}

void TCustomcbBarSubItem::DoCloseUp()
{
    if (OnCloseUp)
        OnCloseUp(this);
}

void TCustomcbBarSubItem::DoDetaching()
{
    if (OnDetaching)
        OnDetaching(this);
}

void TCustomcbBarSubItem::DoPopup()
{
    if (OnPopup)
        OnPopup(this);
}

bool TCustomcbBarSubItem::CanContainItem(TcbBarItem* Item) const
{
    if (Item == this)
        return false;
    std::set<const void*> Visited;
    if (const auto* SubItem = dynamic_cast<const TCustomcbBarSubItem*>(Item))
        return !LinksReach(SubItem->GetItemLinks(), this, Visited);
    if (const auto* Button = dynamic_cast<const TcbBarButton*>(Item); Button && Button->GetDropDownMenu())
        return !LinksReach(Button->GetDropDownMenu()->GetItemLinks(), this, Visited);
    return true;
}

bool TCustomcbBarSubItem::IsShortCut(TShortCut ShortCut)
{
    return FItemLinks->IsShortCut(ShortCut);
}

// ---------------------------------------------------------------------------------------------
// Container items

TCustomcbBarContainerItem::~TCustomcbBarContainerItem() = default;

TcbBarItemLink* TCustomcbBarContainerItem::AddGeneratedLink(
    TcbBarItemLinks* ItemLinks, int32_t Index, TcbBarItemLink* ContainerLink)
{
    TcbBarItemLink* Link = ItemLinks->Add();
    Link->SetIndex(std::min(Index, ItemLinks->GetCount() - 1));
    Link->SetGeneratedFrom(ContainerLink);
    return Link;
}

void TCustomcbBarContainerItem::AddListedItemLinks(TcbBarItemLinks*, int32_t, TcbBarItemLink*, bool GetData)
{
    if (FContentCreated)
        ClearContent();
    if (GetData && OnGetData) {
        // The flag stays set after a normal return: the handler's own changes of the content
        // must not show the links again.
        FServingGetData = true;
        try {
            OnGetData(this);
        } catch (...) {
            FServingGetData = false;
        }
    }
}

void TCustomcbBarContainerItem::ContentChanged()
{
    if (!FServingGetData)
        VisibleChanged();
}

bool TCustomcbBarContainerItem::CanBeVisible() const
{
    return static_cast<bool>(OnGetData);
}

TcbBarListItem::TcbBarListItem(TComponent* AOwner) :
    TCustomcbBarContainerItem(AOwner), FItems(std::make_unique<TStringList>())
{
    FItems->OnChange = [this](TObject*) { ContentChanged(); };
}

TcbBarListItem::~TcbBarListItem()
{
    FItems->OnChange = nullptr;
    if (IsContentCreated())
        ClearContent();
    // Buttons still linked somewhere go with the list item too.
    while (!FButtons.empty()) {
        TcbBarButton* Button = FButtons.back();
        FButtons.pop_back();
        Button->RemoveFreeNotification(this);
        Button->Free();
    }
}

void TcbBarListItem::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomcbBarContainerItem::Notification(AComponent, Operation);
    if (Operation == opRemove)
        FButtons.erase(std::remove(FButtons.begin(), FButtons.end(), AComponent), FButtons.end());
}

int32_t TcbBarListItem::RealEntryCount() const
{
    int32_t Count = 0;
    for (int32_t I = 0; I < FItems->GetCount(); ++I)
        Count += FItems->GetStrings(I) != "-";
    return Count;
}

void TcbBarListItem::AddListedItemLinks(
    TcbBarItemLinks* ItemLinks, int32_t Index, TcbBarItemLink* ContainerLink, bool GetData)
{
    TCustomcbBarContainerItem::AddListedItemLinks(ItemLinks, Index, ContainerLink, GetData);
    TComponent* Owner = GetBarManager() ? GetBarManager()->GetOwner() : GetOwner();
    int32_t N = 0;
    bool Group = false;
    for (int32_t I = 0; I < FItems->GetCount(); ++I) {
        const std::string Entry = FItems->GetStrings(I);
        if (Entry == "-") {
            Group = true;
            continue;
        }
        // Buttons still linked from an earlier fill are reused and brought up to date.
        TcbBarButton* Button;
        if (N < static_cast<int32_t>(FButtons.size())) {
            Button = FButtons[static_cast<size_t>(N)];
        } else {
            Button = new TcbBarButton(Owner);
            Button->FreeNotification(this);
            FButtons.push_back(Button);
        }
        const bool Checked = FShowCheck && I == FItemIndex;
        Button->SetButtonStyle(Checked ? bsChecked : bsDefault);
        Button->SetDown(Checked);
        std::string Caption = GetItemCaption(Entry);
        // "1" to "9", then "A" to "Z"; the entries after the 35th go without a number.
        if (FShowNumbers && N < 9 + 26) {
            const char Number = N < 9 ? static_cast<char>('1' + N) : static_cast<char>('A' + N - 9);
            Caption = std::string("&") + Number + " " + Caption;
        }
        Button->SetCaption(Caption);
        Button->SetTag(I);
        Button->SetOnClick([this](TObject* Sender) { ButtonClick(Sender); });
        Button->SetEnabled(GetEnabled());
        TcbBarItemLink* Link = AddGeneratedLink(ItemLinks, Index + N, ContainerLink);
        Link->SetItem(Button);
        Link->SetBeginGroup(N == 0 || Group);
        Group = false;
        ++N;
    }
    SetContentCreated(true);
}

void TcbBarListItem::DeleteListedItemLinks(TcbBarItemLinks* ItemLinks, int32_t Index)
{
    for (int32_t N = RealEntryCount(); N > 0 && Index < ItemLinks->GetCount(); --N)
        ItemLinks->GetItem(Index)->Release();
}

void TcbBarListItem::ClearContent()
{
    if (!FButtons.empty() && FButtons.front()->GetLinkCount() == 0) {
        while (!FButtons.empty()) {
            TcbBarButton* Button = FButtons.back();
            FButtons.pop_back();
            Button->RemoveFreeNotification(this);
            Button->Free();
        }
    }
    TCustomcbBarContainerItem::ClearContent();
}

bool TcbBarListItem::CanBeVisible() const
{
    return TCustomcbBarContainerItem::CanBeVisible() || FItems->GetCount() > 0;
}

void TcbBarListItem::ButtonClick(TObject* Sender)
{
    if (const auto* Button = dynamic_cast<TComponent*>(Sender))
        FItemIndex = Button->GetTag();
    DoClick();
}

int32_t TcbBarListItem::GetDataIndex() const
{
    if (FItemIndex < 0 || FItemIndex >= FItems->GetCount())
        return -1;
    int32_t Count = 0;
    for (int32_t I = 0; I <= FItemIndex; ++I)
        Count += FItems->GetStrings(I) != "-";
    return Count - 1;
}

void TcbBarListItem::SetDataIndex(int32_t Value)
{
    if (FItems->GetCount() == 0) {
        FItemIndex = -1;
        return;
    }
    int32_t N = 0;
    for (int32_t I = 0; I < FItems->GetCount(); ++I) {
        if (FItems->GetStrings(I) == "-")
            continue;
        if (N++ == Value) {
            FItemIndex = I;
            return;
        }
    }
    FItemIndex = FItems->GetCount();
}

TcbBarContainerItem::~TcbBarContainerItem()
{
    if (IsContentCreated())
        ClearContent();
}

void TcbBarContainerItem::AddListedItemLinks(
    TcbBarItemLinks* ItemLinks, int32_t Index, TcbBarItemLink* ContainerLink, bool GetData)
{
    TCustomcbBarContainerItem::AddListedItemLinks(ItemLinks, Index, ContainerLink, GetData);
    if (ItemLinks != GetItemLinks()) {
        TcbBarItemLinks* Own = GetItemLinks();
        for (int32_t I = 0; I < Own->GetCount(); ++I) {
            TcbBarItemLink* Link = AddGeneratedLink(ItemLinks, Index + I, ContainerLink);
            Link->Assign(Own->GetItem(I));
            Link->SetGeneratedFrom(ContainerLink);
            if (I == 0 && FirstLinkBeginsGroup())
                Link->SetBeginGroup(true);
        }
    }
    SetContentCreated(true);
}

void TcbBarContainerItem::DeleteListedItemLinks(TcbBarItemLinks* ItemLinks, int32_t Index)
{
    for (int32_t N = GetItemLinks()->GetCount(); N > 0 && Index < ItemLinks->GetCount(); --N)
        ItemLinks->GetItem(Index)->Release();
}

bool TcbBarContainerItem::HasVisibleContent() const
{
    const TcbBarItemLinks* Own = GetItemLinks();
    if (Own->GetCount() == 0)
        return false;
    bool AnyItem = false;
    for (int32_t I = 0; I < Own->GetCount(); ++I) {
        if (const TcbBarItem* Item = Own->GetItem(I)->GetItem()) {
            AnyItem = true;
            if (Item->IsVisibleInBars())
                return true;
        }
    }
    return !AnyItem;
}

bool TcbBarContainerItem::CanBeVisible() const
{
    return TCustomcbBarContainerItem::CanBeVisible() || HasVisibleContent();
}
