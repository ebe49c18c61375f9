#pragma once
// Popup-menu links: a control of the manager's form tied to a popup menu, which then serves as
// the control's context menu (right click, the menu key) and answers its shortcuts. A link may
// serve the control's children too.

#include <cstdint>
#include <functional>
#include <string>

#include <windows.h>

#include "platform/rtl/Collection.h"
#include "platform/win/Actions.h"

class TcbBarManager;
class TcbBarPopupMenu;
class TcbBarPopupMenuLink;
class TComponent;
class TWinControl;

// X, Y: the point in the control's client coordinates ((-1, -1) for a shortcut); AllowPopup
// false keeps the menu from showing.
using TcbBarPopupMenuLinkActionEvent =
    std::function<void(TcbBarPopupMenuLink* Sender, int32_t& X, int32_t& Y, bool ClickedByMouse, bool& AllowPopup)>;

class TcbBarPopupMenuLink : public TCollectionItem {
public:
    explicit TcbBarPopupMenuLink(TCollection* ACollection);
    ~TcbBarPopupMenuLink() override;
    std::string ClassName() const override { return "TcbBarPopupMenuLink"; }
    // Control and PopupMenu found by name on the manager's form; ProcessChildren copied.
    void Assign(TPersistent* Source) override;

    TcbBarManager* GetBarManager() const;
    TWinControl* GetControl() const { return FControl; }
    // A control that does not lie on the manager's form is stored as nullptr.
    void SetControl(TWinControl* Value);
    TcbBarPopupMenu* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TcbBarPopupMenu* Value);
    bool GetProcessChildren() const { return FProcessChildren; }
    void SetProcessChildren(bool Value) { FProcessChildren = Value; }

    // The menu's links run the shortcut, unless OnAction forbids.
    bool IsShortCut(TShortCut ShortCut);
    // Shows the menu for Wnd at Point (screen; (-1, -1) from the keyboard) unless the control
    // handles the request itself or OnAction forbids: true when it may show.
    bool DoPopup(HWND Wnd, POINT Point);

    TcbBarPopupMenuLinkActionEvent OnAction;

private:
    friend class TcbBarPopupMenuLinks;
    // A component the link names has gone.
    void ComponentRemoved(TComponent* AComponent);

    TWinControl* FControl = nullptr;
    TcbBarPopupMenu* FPopupMenu = nullptr;
    bool FProcessChildren = true;
};

class TcbBarPopupMenuLinks : public TCollection {
public:
    explicit TcbBarPopupMenuLinks(TcbBarManager* ABarManager);
    std::string ClassName() const override { return "TcbBarPopupMenuLinks"; }

    TcbBarManager* GetBarManager() const { return FBarManager; }
    TcbBarPopupMenuLink* Add() { return static_cast<TcbBarPopupMenuLink*>(TCollection::Add()); }
    TcbBarPopupMenuLink* GetItem(int32_t Index) const { return static_cast<TcbBarPopupMenuLink*>(GetItems(Index)); }

    // The links of Control first, then those of its parents that serve children.
    bool IsShortCut(TWinControl* Control, TShortCut ShortCut);
    // In the same order, the first link whose DoPopup answers true. False at design time.
    bool ShowForControl(TWinControl* Control, HWND Wnd, POINT Point);
    // The manager heard that a component went.
    void ComponentRemoved(TComponent* AComponent);

private:
    // Asks the links of Control (only those serving children when Children) until one answers.
    bool AskLinks(TWinControl* Control, bool Children, const std::function<bool(TcbBarPopupMenuLink*)>& Ask);
    bool AskInOrder(TWinControl* Control, const std::function<bool(TcbBarPopupMenuLink*)>& Ask);

    TcbBarManager* FBarManager;
};

// Shows a popup menu at a screen point; the menu windows connect it.
using TcbPopupMenuShow = std::function<void(TcbBarPopupMenu* Menu, int32_t X, int32_t Y)>;
void SetPopupMenuShow(TcbPopupMenuShow Show);
