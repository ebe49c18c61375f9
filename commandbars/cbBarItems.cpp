#include "commandbars/cbBarItems.h"

#include "commandbars/cbBar.h"
#include "commandbars/cbItemLinks.h"
#include "platform/rtl/SysUtils.h"

bool cbLinkIsOnBar(const TcbBarItemLink* Link)
{
    const TcbBarItemLinks* Links = Link ? Link->GetLinks() : nullptr;
    return Links && dynamic_cast<TcbBar*>(Links->GetOwner()) != nullptr;
}

// ---------------------------------------------------------------------------------------------
// TcbBarItemActionLink

void TcbBarItemActionLink::AssignClient(TObject* Client)
{
    auto* Item = dynamic_cast<TcbBarItem*>(Client);
    if (Client && !Item)
        throw EConvertError("Invalid class typecast");
    FClient = Item;
}

bool TcbBarItemActionLink::IsOnExecuteLinked() const
{
    return TActionLink::IsOnExecuteLinked() && FClient && FClient->IsOnClickFromAction();
}

void TcbBarItemActionLink::SetOnExecute(const TNotifyEvent& Value)
{
    if (IsOnExecuteLinked())
        FClient->SetOnClick(Value ? TNotifyEvent(TcbActionExecuteHandler{Value}) : TNotifyEvent());
}

bool TcbBarItemActionLink::IsCaptionLinked() const
{
    return TActionLink::IsCaptionLinked() && FClient && FClient->GetCaption() == GetAction()->GetCaption();
}

bool TcbBarItemActionLink::IsCheckedLinked() const
{
    const auto* Button = dynamic_cast<const TcbBarButton*>(FClient);
    return TActionLink::IsCheckedLinked() && Button && Button->GetDown() == GetAction()->GetChecked();
}

bool TcbBarItemActionLink::IsEnabledLinked() const
{
    return TActionLink::IsEnabledLinked() && FClient && FClient->GetStoredEnabled() == GetAction()->GetEnabled();
}

bool TcbBarItemActionLink::IsHelpContextLinked() const
{
    return TActionLink::IsHelpContextLinked() && FClient && FClient->GetHelpContext() == GetAction()->GetHelpContext();
}

bool TcbBarItemActionLink::IsHintLinked() const
{
    return TActionLink::IsHintLinked() && FClient && FClient->GetHint() == GetAction()->GetHint();
}

bool TcbBarItemActionLink::IsImageIndexLinked() const
{
    return TActionLink::IsImageIndexLinked() && FClient && FClient->GetImageIndex() == GetAction()->GetImageIndex();
}

bool TcbBarItemActionLink::IsShortCutLinked() const
{
    return TActionLink::IsShortCutLinked() && FClient && FClient->GetShortCut() == GetAction()->GetShortCut();
}

bool TcbBarItemActionLink::IsVisibleLinked() const
{
    if (!TActionLink::IsVisibleLinked() || !FClient)
        return false;
    return FClient->GetVisible() == (GetAction()->GetVisible() ? ivAlways : ivNever);
}

void TcbBarItemActionLink::SetCaption(const std::string& Value)
{
    if (IsCaptionLinked())
        FClient->SetCaption(Value);
}

void TcbBarItemActionLink::SetChecked(bool Value)
{
    if (IsCheckedLinked())
        static_cast<TcbBarButton*>(FClient)->SetDown(Value);
}

void TcbBarItemActionLink::SetEnabled(bool Value)
{
    if (IsEnabledLinked())
        FClient->SetEnabled(Value);
}

void TcbBarItemActionLink::SetHelpContext(int32_t Value)
{
    if (IsHelpContextLinked())
        FClient->SetHelpContext(Value);
}

void TcbBarItemActionLink::SetHint(const std::string& Value)
{
    if (IsHintLinked())
        FClient->SetHint(Value);
}

void TcbBarItemActionLink::SetImageIndex(int32_t Value)
{
    if (IsImageIndexLinked())
        FClient->ChangeImageIndex(Value);
}

void TcbBarItemActionLink::SetShortCut(TShortCut Value)
{
    if (IsShortCutLinked())
        FClient->SetShortCut(Value);
}

void TcbBarItemActionLink::SetVisible(bool Value)
{
    if (IsVisibleLinked())
        FClient->SetVisible(Value ? ivAlways : ivNever);
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

void TcbBarEdit::WidthChanged()
{
    NotifyControls(icnRebuildBar, [](TcbBarItemLink* L) { return !L->GetUserDefine().Contains(udWidth); });
}

bool TcbBarEdit::HasAccel(TcbBarItemLink* Link) const
{
    return GetEnabled() && (FShowCaption || !cbLinkIsOnBar(Link));
}
