#pragma once
// Plain Win32 menus: a form's menu bar (TMainMenu) and pop-up menus (TPopupMenu) built from
// TMenuItem trees. An item with an action takes its state from it and uses the action's command
// id, so a chosen item reaches the action through the form's WM_COMMAND like any command.

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/rtl/Classes.h"
#include "platform/win/Actions.h"
#include "platform/win/Controls.h"

class TMenu;
class TCustomForm;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;
    std::string ClassName() const override { return "TMenuItem"; }

    // "&File"; "-" makes a separator.
    const std::string& GetCaption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    bool GetChecked() const { return FChecked; }
    void SetChecked(bool Value);
    bool GetRadioItem() const { return FRadioItem; }
    void SetRadioItem(bool Value);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool Value);
    bool GetDefault() const { return FDefault; }
    void SetDefault(bool Value);
    TShortCut GetShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    const std::string& GetHint() const { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }
    TAction* GetAction() const { return FLink.GetAction(); }
    void SetAction(TAction* Value);
    bool IsLine() const { return FCaption == "-"; }

    void Add(TMenuItem* Item);
    void Remove(TMenuItem* Item);
    int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
    TMenuItem* GetItems(int32_t Index) const { return FItems.at(static_cast<size_t>(Index)); }
    TMenuItem* GetParentItem() const { return FParentItem; }
    TMenu* GetMenu() const;
    // The Win32 id: the action's command id, or the item's own.
    UINT GetCommand() const;
    // OnClick; else the action (updated first, run when enabled).
    virtual void Click();

    TNotifyEvent OnClick;

private:
    friend class TMenu;
    class TLink : public TActionLink {
    public:
        explicit TLink(TMenuItem* I) : FItem(I) {}
        void ActionChanged() override;

    private:
        TMenuItem* FItem = nullptr;
    };
    void Changed(bool Structure);
    void FillInfo(MENUITEMINFOA& Info, std::string& Text);
    std::string FCaption;
    bool FChecked = false;
    bool FRadioItem = false;
    bool FEnabled = true;
    bool FVisible = true;
    bool FDefault = false;
    TShortCut FShortCut = scNone;
    std::string FHint;
    UINT FId;
    TMenuItem* FParentItem = nullptr;
    TMenu* FRootOf = nullptr; // set on a menu's root item
    std::vector<TMenuItem*> FItems;
    TLink FLink{this};
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    std::string ClassName() const override { return "TMenu"; }
    // The root item: its children are the menu's items.
    TMenuItem* GetItems() const { return FItems; }
    // A new item added under Parent (the root when nullptr), owned by the menu.
    TMenuItem* AddItem(const std::string& Caption, TMenuItem* Parent = nullptr, TAction* Action = nullptr);
    HMENU GetHandle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    // Runs the item with that id; true when it was one of the menu's.
    bool DispatchCommand(UINT Id);
    TMenuItem* FindItem(UINT Id) const;
    // A menu item of a live menu stored in a Win32 item, or nullptr.
    static TMenuItem* ItemFromMenu(HMENU Menu, UINT Item, bool ByPosition);

protected:
    friend class TMenuItem;
    virtual bool IsPopup() const { return false; }
    virtual void HandleChanged(HMENU Old) { (void)Old; }
    void ItemChanged(TMenuItem* Item, bool Structure);
    void Rebuild();
    void Fill(HMENU Menu, TMenuItem* Parent);
    HMENU FHandle = nullptr;

private:
    TMenuItem* FItems = nullptr;
};

class TMainMenu : public TMenu {
public:
    // Owned by a form, the menu becomes the form's menu bar.
    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;
    std::string ClassName() const override { return "TMainMenu"; }

protected:
    void HandleChanged(HMENU Old) override;

private:
    TCustomForm* FForm = nullptr;
    int32_t FCommandHandler = 0;
    int32_t FShortCutHandler = 0;
};

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* AOwner);
    std::string ClassName() const override { return "TPopupMenu"; }
    // Shows the menu at a screen point and runs the chosen item once it closes.
    virtual void Popup(int32_t X, int32_t Y);
    // The control the menu was last shown for.
    TControl* GetPopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TControl* Value) { FPopupComponent = Value; }
    TNotifyEvent OnPopup;

protected:
    bool IsPopup() const override { return true; }

private:
    TControl* FPopupComponent = nullptr;
};

// The form's share of the menu messages (WM_INITMENUPOPUP, WM_MENUSELECT).
bool MenuMessage(TCustomForm* Form, TMessage& Message);
