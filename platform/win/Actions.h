#pragma once
// Actions: commands a form offers once and reaches by button, menu item, shortcut and command
// id alike. An action list owned by a form adds the form's shortcut and command handlers and
// updates its actions at idle time. Every change of an action reaches its linked clients at once.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/win/Controls.h"

class TAction;
class TActionList;
class TCustomForm;
class TImageList;

// Key + 0x2000 Shift + 0x4000 Ctrl + 0x8000 Alt.
using TShortCut = uint16_t;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

TShortCut ShortCut(uint16_t Key, TShiftState Shift);
void ShortCutToKey(TShortCut Value, uint16_t& Key, TShiftState& Shift);
// "Ctrl+I", "Shift+Del", "PgUp", "F1"; empty for none.
std::string ShortCutToText(TShortCut Value);
// The reverse; scNone for a text it does not know.
TShortCut TextToShortCut(const std::string& Text);

// A client of an action (a control, a menu item, a toolbar button, a bar item).
//
// A property change of the action reaches each link twice: first the property's own Set...,
// called only while the link's Is...Linked answers true (asked before the action stores the new
// value, so a link may compare its client with the action's old value), then ActionChanged()
// and OnChange once the value is stored. The base's Is...Linked answer true while an action is
// linked and its Set... do nothing; a link class for clients that follow the action property by
// property overrides them.
class TActionLink {
public:
    TActionLink() = default;
    TActionLink(const TActionLink&) = delete;
    TActionLink& operator=(const TActionLink&) = delete;
    virtual ~TActionLink();
    TAction* GetAction() const { return FAction; }
    // Links (and applies the action's state at once) or unlinks with nullptr.
    void SetAction(TAction* Value);
    // A property of the action changed, or the link was made.
    virtual void ActionChanged() {}

    // The object the link serves; the base keeps nothing.
    virtual void AssignClient(TObject* Client) { (void)Client; }
    virtual bool IsCaptionLinked() const { return FAction != nullptr; }
    virtual bool IsCheckedLinked() const { return FAction != nullptr; }
    virtual bool IsEnabledLinked() const { return FAction != nullptr; }
    virtual bool IsHelpContextLinked() const { return FAction != nullptr; }
    virtual bool IsHintLinked() const { return FAction != nullptr; }
    virtual bool IsImageIndexLinked() const { return FAction != nullptr; }
    virtual bool IsShortCutLinked() const { return FAction != nullptr; }
    virtual bool IsVisibleLinked() const { return FAction != nullptr; }
    virtual bool IsOnExecuteLinked() const { return FAction != nullptr; }
    virtual void SetCaption(const std::string& Value) { (void)Value; }
    virtual void SetChecked(bool Value) { (void)Value; }
    virtual void SetEnabled(bool Value) { (void)Value; }
    virtual void SetHelpContext(int32_t Value) { (void)Value; }
    virtual void SetHint(const std::string& Value) { (void)Value; }
    virtual void SetImageIndex(int32_t Value) { (void)Value; }
    virtual void SetShortCut(TShortCut Value) { (void)Value; }
    virtual void SetVisible(bool Value) { (void)Value; }
    virtual void SetOnExecute(const TNotifyEvent& Value) { (void)Value; }

    // Runs the action for Client: the action's GetActionComponent() is Client during the call.
    // True when it ran; false without an action.
    virtual bool Execute(TComponent* Client);
    // The action's Update (its OnUpdate); false without an action.
    virtual bool Update();

    // After each change of the linked action (Sender: the action).
    TNotifyEvent OnChange;

private:
    friend class TAction;
    TAction* FAction = nullptr;
};

// Hint: the text to show, which the handler may change; CanShow: false hides the hint.
using THintEvent = std::function<void(std::string& Hint, bool& CanShow)>;

// Handled: true stops the action's own event.
using TActionEvent = std::function<void(TAction* Action, bool& Handled)>;

class TAction : public TComponent {
public:
    explicit TAction(TComponent* AOwner);
    ~TAction() override;
    std::string ClassName() const override { return "TAction"; }

    TActionList* GetActionList() const { return FActionList; }
    void SetActionList(TActionList* Value);

    const std::string& GetCaption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    const std::string& GetHint() const { return FHint; }
    void SetHint(const std::string& Value);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool GetChecked() const { return FChecked; }
    void SetChecked(bool Value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool Value);
    TShortCut GetShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    int32_t GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int32_t Value);
    int32_t GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(int32_t Value);
    // Replaces OnExecute and tells the links (assigning OnExecute directly tells nobody).
    void SetOnExecute(TNotifyEvent Value);
    const std::string& GetCategory() const { return FCategory; }
    void SetCategory(const std::string& Value) { FCategory = Value; }
    int32_t GetTag() const { return FTag; }
    void SetTag(int32_t Value) { FTag = Value; }
    // Stable when the program sets it; otherwise a fresh id given at construction.
    uint16_t GetCommandId() const { return FCommandId; }
    void SetCommandId(uint16_t Value) { FCommandId = Value; }

    // Runs the action when enabled: the list's OnExecute, else its own. True when it ran.
    virtual bool Execute();
    // The list's OnUpdate, else its own. True when one of them handled it.
    virtual bool Update();
    // Before the action's hint is shown: OnHint may change the text or forbid it. True when it
    // may be shown (always without a handler).
    bool DoHint(std::string& Hint);
    // The client running the action through its link's Execute(client), while it runs; else
    // nullptr. OnExecute still gets the action as its sender.
    TComponent* GetActionComponent() const { return FActionComponent; }

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;
    THintEvent OnHint;

private:
    friend class TActionLink;
    // A link's Execute in progress: it restores the previous action component when it ends,
    // unless the action was freed meanwhile.
    struct TExecuteFrame {
        TAction* Action;
        TComponent* Previous;
        TExecuteFrame* Next;
        bool Alive = true;
        TExecuteFrame(TAction* A, TComponent* Client);
        ~TExecuteFrame();
        TExecuteFrame(const TExecuteFrame&) = delete;
        TExecuteFrame& operator=(const TExecuteFrame&) = delete;
    };
    // Set runs for each link whose IsLinked answers true; links leaving meanwhile are skipped.
    void TellLinks(bool (TActionLink::*IsLinked)() const, const std::function<void(TActionLink*)>& Set);
    void Changed();
    TActionList* FActionList = nullptr;
    std::string FCaption;
    std::string FHint;
    bool FEnabled = true;
    bool FChecked = false;
    bool FVisible = true;
    TShortCut FShortCut = scNone;
    int32_t FImageIndex = -1;
    int32_t FHelpContext = 0;
    TComponent* FActionComponent = nullptr;
    TExecuteFrame* FExecuting = nullptr;
    std::string FCategory;
    int32_t FTag = 0;
    uint16_t FCommandId;
    std::vector<TActionLink*> FLinks;
};

class TActionList : public TComponent {
public:
    explicit TActionList(TComponent* AOwner);
    ~TActionList() override;
    std::string ClassName() const override { return "TActionList"; }

    TImageList* GetImages() const { return FImages; }
    void SetImages(TImageList* Value) { FImages = Value; }
    int32_t GetActionCount() const { return static_cast<int32_t>(FActions.size()); }
    TAction* GetActions(int32_t Index) const { return FActions.at(static_cast<size_t>(Index)); }
    // A new action owned by the list's owner and listed here.
    TAction* AddAction(const std::string& Caption, TShortCut Key = scNone);

    // Runs the enabled, visible action with that shortcut: true when one ran.
    bool IsShortCut(uint16_t Key, TShiftState Shift);
    // True when the id is one of the list's actions (run when, after its update, it is enabled).
    bool ExecuteCommand(uint16_t Id);
    TAction* FindCommand(uint16_t Id) const;
    void UpdateActions();

    TActionEvent OnUpdate;
    TActionEvent OnExecute;

private:
    friend class TAction;
    TCustomForm* FForm = nullptr;
    int32_t FShortCutHandler = 0;
    int32_t FCommandHandler = 0;
    int32_t FIdleHandler = 0;
    TImageList* FImages = nullptr;
    std::vector<TAction*> FActions;
};
