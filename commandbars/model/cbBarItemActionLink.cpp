#include "commandbars/model/cbBarItemActionLink.h"

#include "commandbars/model/cbBarItem.h"
#include "platform/rtl/SysUtils.h"

TcbBarItemActionLink::TcbBarItemActionLink(TcbBarItem* Client)
{
    AssignClient(Client);
}

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
    bool Checked = false;
    return TActionLink::IsCheckedLinked() && FClient && FClient->GetActionChecked(Checked) &&
           Checked == GetAction()->GetChecked();
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
        FClient->SetActionChecked(Value);
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
