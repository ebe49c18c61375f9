#pragma once
// The item kinds: buttons (styles, groups of down buttons, a drop-down menu), window items with
// text edited in place (edits, combos with a drop-down window or string list), and the link
// between an item and the action it follows.

#include <cstdint>
#include <memory>
#include <string>

#include "commandbars/cbBarItem.h"
#include "platform/win/Actions.h"
#include "platform/win/Controls.h"

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
    explicit TcbBarItemActionLink(TcbBarItem* Client) { AssignClient(Client); }
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

enum TcbBarButtonStyle { bsDefault, bsChecked, bsDropDown };

class TcbBarButton : public TcbBarItem {
public:
    explicit TcbBarButton(TComponent* AOwner);
    ~TcbBarButton() override;
    std::string ClassName() const override { return "TcbBarButton"; }

    bool GetAllowAllUp() const { return FAllowAllUp; }
    // Reaches every button of the manager with the same group.
    void SetAllowAllUp(bool Value);
    TcbBarButtonStyle GetButtonStyle() const { return FButtonStyle; }
    // Releases the button.
    void SetButtonStyle(TcbBarButtonStyle Value);
    bool GetCloseSubMenuOnClick() const { return FCloseSubMenuOnClick; }
    void SetCloseSubMenuOnClick(bool Value) { FCloseSubMenuOnClick = Value; }
    bool GetDown() const { return FDown; }
    // Only a bsChecked button goes down; in a group the last down button stays down unless
    // AllowAllUp, and pressing one releases the group's other.
    void SetDown(bool Value);
    bool GetDropDownEnabled() const { return FDropDownEnabled; }
    void SetDropDownEnabled(bool Value);
    int32_t GetGroupIndex() const { return FGroupIndex; }
    // 0 unless the style is bsChecked; releases the button.
    void SetGroupIndex(int32_t Value);
    bool GetLowered() const { return FLowered; }
    void SetLowered(bool Value);
    TcbBarPaintStyle GetPaintStyle() const { return FPaintStyle; }
    void SetPaintStyle(TcbBarPaintStyle Value);
    using TcbBarItem::SetGlyph;
    using TcbBarItem::SetUnclickAfterDoing;

    virtual void ButtonStyleChanged();
    virtual bool ButtonAnswersTrue() const { return true; }
    virtual void DownChanged();
    virtual void DropDownEnabledChanged();
    virtual void PaintStyleChanged();

    // An enabled bsChecked button toggles Down first.
    void Click() override;
    // Enabled, and in a menu always; on a toolbar only with a captioned paint style.
    bool HasAccel(TcbBarItemLink* Link) const override;
    void ActionChange(TObject* Sender, bool CheckDefaults) override;
    void AssignTo(TPersistent* Dest) override;

private:
    // The down bsChecked button of this button's group other than this one.
    TcbBarButton* DownButtonOfGroup() const;

    bool FAllowAllUp = false;
    TcbBarButtonStyle FButtonStyle = bsDefault;
    bool FCloseSubMenuOnClick = true;
    bool FDown = false;
    bool FDropDownEnabled = true;
    int32_t FGroupIndex = 0;
    bool FLowered = false;
    TcbBarPaintStyle FPaintStyle = psStandard;
};

// An item whose text is edited in place by its controls.
class TcbBarWindowItem : public TcbBarItem {
public:
    explicit TcbBarWindowItem(TComponent* AOwner);
    std::string ClassName() const override { return "TcbBarWindowItem"; }

    const std::string& GetText() const { return FText; }
    // A changed text is shown, then OnChange (not while loading), then shown again.
    virtual void SetText(const std::string& Value);
    bool GetSuppressEditing() const { return FSuppressEditing; }

    bool IsClickable() const override { return false; }

    // Each fires its event when assigned; Change not while loading.
    virtual void Change();
    virtual void CurChange();
    virtual void DoEnter();
    virtual void DoExit();
    virtual void KeyDown(uint16_t& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    virtual void KeyUp(uint16_t& Key, TShiftState Shift);
    // Starts editing in place in the first link with a window control (with VisibleOnly, one
    // whose bar window is visible); the controls' side does it.
    virtual void SetFocus(bool VisibleOnly = false);
    // The text in the editor of the active link's control, else Text.
    virtual std::string GetCurText() const;
    // The link whose control edits in place now (nullptr: none).
    TcbBarItemLink* GetEditingLink() const;

    TNotifyEvent OnChange;
    TNotifyEvent OnCurChange;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

protected:
    void SetSuppressEditing(bool Value) { FSuppressEditing = Value; }
    void StoreText(const std::string& Value) { FText = Value; }

private:
    std::string FText;
    bool FSuppressEditing = false;
};

// The controls' side of window items: the editor text of a link's control and whether the
// control edits in place. Connected by the item controls.
struct TcbWindowItemEditors {
    std::function<bool(TcbBarItemLink* Link)> IsEditing;
    std::function<bool(TcbBarItemLink* Link, std::string& Text)> EditorText;
    std::function<bool(TcbBarItemLink* Link, bool VisibleOnly)> StartEditing;
};
TcbWindowItemEditors& WindowItemEditors();

class TcbBarEdit : public TcbBarWindowItem {
public:
    explicit TcbBarEdit(TComponent* AOwner);
    std::string ClassName() const override { return "TcbBarEdit"; }

    int32_t GetMaxLength() const { return FMaxLength; }
    void SetMaxLength(int32_t Value); // below 1: 0
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    bool GetShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool Value);
    int32_t GetWidth() const { return FWidth; }
    void SetWidth(int32_t Value); // at least 20
    using TcbBarItem::SetGlyph;

    virtual void WidthChanged();
    // Enabled, and shown with its caption or not on a toolbar.
    bool HasAccel(TcbBarItemLink* Link) const override;

private:
    int32_t FMaxLength = 0;
    bool FReadOnly = false;
    bool FShowCaption = false;
    int32_t FWidth = 100;
};

// True when the link lies on a bar (a toolbar or the main menu bar) rather than in a menu.
bool cbLinkIsOnBar(const TcbBarItemLink* Link);
