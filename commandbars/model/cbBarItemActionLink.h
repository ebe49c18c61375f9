#pragma once
// The link between an item and the action it follows, beside the item base that owns it: the
// item's action property makes one, and the action's changes reach the item through it.

#include <cstdint>
#include <string>

#include "platform/rtl/Classes.h"
#include "platform/win/Actions.h"

class TcbBarItem;

// The click handler an item took from its action: a click then runs the action through the
// item's link. A handler the program assigns itself is any other callable.
struct TcbActionExecuteHandler {
    TNotifyEvent Handler;
    void operator()(TObject* Sender) const
    {
        if (Handler)
            Handler(Sender);
    }
};

// Keeps an item in step with its action: each Set... follows a change of the action only while
// the item still shows the action's value (its Is...Linked).
class TcbBarItemActionLink : public TActionLink {
public:
    explicit TcbBarItemActionLink(TcbBarItem* Client);
    TcbBarItem* GetClient() const { return FClient; }

    void AssignClient(TObject* Client) override;
    bool IsOnExecuteLinked() const override;
    void SetOnExecute(const TNotifyEvent& Value) override;
    bool IsCaptionLinked() const override;
    bool IsCheckedLinked() const override;
    bool IsEnabledLinked() const override;
    bool IsHelpContextLinked() const override;
    bool IsHintLinked() const override;
    bool IsImageIndexLinked() const override;
    bool IsShortCutLinked() const override;
    bool IsVisibleLinked() const override;
    void SetCaption(const std::string& Value) override;
    void SetChecked(bool Value) override;
    void SetEnabled(bool Value) override;
    void SetHelpContext(int32_t Value) override;
    void SetHint(const std::string& Value) override;
    void SetImageIndex(int32_t Value) override;
    void SetShortCut(TShortCut Value) override;
    void SetVisible(bool Value) override;

private:
    TcbBarItem* FClient = nullptr;
};
