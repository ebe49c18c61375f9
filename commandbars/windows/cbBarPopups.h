#pragma once
// The two small menus of the bars built on the fly from temporary items: the toolbars popup (a
// right click on a dock site or, outside customizing, on a toolbar: one checked entry per
// toolbar to show or hide it, then "&Customize...") and the customizing popup (a right click on
// a link while customizing: reset, delete, rename, paint style, group line and, at design time,
// the entries that add items or delete the bar). Every entry acts through the click queue, so
// its command runs once the click code and the menus are done. The temporary items of one
// showing are freed once the window has closed and no command of theirs waits any more.
// User-interface thread only.

#include <cstdint>
#include <memory>

#include "commandbars/windows/cbSubMenu.h"

class TcbBarItemLink;
class TcbBarItemLinks;

class TcbBarToolbarsPopup : public TcbBarSubMenuControl {
public:
    explicit TcbBarToolbarsPopup(TcbBarManager* AOwner);
    ~TcbBarToolbarsPopup() override;
    std::string ClassName() const override { return "TcbBarToolbarsPopup"; }

    // Fills the popup's links for the manager and shows it at the screen point; with no entry
    // no window is left. Never a customizing window.
    static void ShowAt(TcbBarManager* Manager, TPoint Point);
    // The open toolbars popup (nullptr: none).
    static TcbBarToolbarsPopup* GetOpenPopup();
    bool IsCustomizing() const override { return false; }
    TcbBarItemLinks* GetPopupLinks() const { return FLinks.get(); }

private:
    std::unique_ptr<TcbBarItemLinks> FLinks;
};

class TcbBarCustomizingPopup : public TcbBarSubMenuControl {
public:
    // Link: the link customized (nullptr: the click hit empty space of Links' window).
    TcbBarCustomizingPopup(TcbBarManager* AOwner, TcbBarItemLink* Link, TcbBarItemLinks* Links);
    ~TcbBarCustomizingPopup() override;
    std::string ClassName() const override { return "TcbBarCustomizingPopup"; }

    // Builds the entries for the link and shows the popup at the screen point (the open one
    // closes first).
    static void ShowAt(TcbBarManager* Manager, TcbBarItemLink* Link, TcbBarItemLinks* Links, TPoint Point);
    // The open customizing popup (nullptr: none).
    static TcbBarCustomizingPopup* GetOpenPopup();

    // The entries' clicks are commands, not customizing.
    bool IsCustomizing() const override { return false; }
    bool CanCustomize() const override { return false; }
    // 4 at design time (the four entries that add items and delete the bar come first), else 0.
    int32_t GetIndexOffset() const { return FIndexOffset; }
    TcbBarItemLinks* GetPopupLinks() const { return FLinks.get(); }

private:
    void BuildEntries();

    std::unique_ptr<TcbBarItemLinks> FLinks;
    int32_t FIndexOffset = 0;
};

// The open customizing popup and the menus it opened become topmost (True) or not (False),
// without moving, sizing or activating them.
void SetTopMostChain(bool Value);

// The link and the links being customized while a customizing popup shows or its command
// waits (nullptr when none, or once they went).
TcbBarItemLink* GetCustomizedLink();
TcbBarItemLinks* GetCustomizedLinks();

// Frees the temporary items left without links once the thread's message loop runs again and
// no framework entry and no queued click may still use them.
void FreeTemporaryItemsWhenIdle();

// The popups' entries in the extension table (the framework's start and end).
void cbBarPopupsInit();
void cbBarPopupsDone();
