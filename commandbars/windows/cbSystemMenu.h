#pragma once
// The system-menu item of a maximized MDI child: the first entry of the frame's main menu bar
// while a child is maximized, drawn as the child's small icon. Clicking it lists the child's
// window menu (GetSystemMenu) as bar items, which send the child WM_SYSCOMMAND; a double click
// runs the menu's default command. The item and the entries it builds are temporary items of
// the framework. User-interface thread only.

#include <cstdint>
#include <string>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/windows/cbItemControls.h"

class TSystemMenuSubItem : public TCustomcbBarSubItem {
public:
    explicit TSystemMenuSubItem(TComponent* AOwner);
    std::string ClassName() const override { return "TSystemMenuSubItem"; }

    // The MDI child whose window menu the item stands for.
    HWND GetChildWnd() const { return FChildWnd; }
    void SetChildWnd(HWND Value) { FChildWnd = Value; }

    // The links are built again from the child's window menu, then the menu opens as any
    // sub-item's.
    void DoClick() override;
    bool CanCustomizeLinks() const override { return false; }

private:
    HWND FChildWnd = nullptr;
};

class TSystemMenuSubItemControl : public TcbBarSubItemControl {
public:
    using TcbBarSubItemControl::TcbBarSubItemControl;

    // SM_CXSMICON x SM_CYSMICON.
    int32_t GetWidth() const override;
    int32_t GetHeight() const override;
    bool IsCustomizable() const override { return false; }
    // Only outside customizing and design.
    bool CanSelect() const override;
    // The bar's background with the child's small icon on it.
    void Draw(const TRect& R, TcbDrawKind Kind) override;
    // Closes the menus and sends the child its window menu's default command.
    void ControlDblClick() override;
    TcbItemControlKind GetKind() const override { return ickSystemMenu; }

    HWND GetChildWnd() const;
};

// Replaces the links of Links by items for the entries of Menu (sub-menus built the same way),
// each entry's click sending WM_SYSCOMMAND with its id to ChildWnd. The items are owned by
// Owner and go on the temporary item list.
void BuildSystemMenuItems(TcbBarItemLinks* Links, HMENU Menu, HWND ChildWnd, TComponent* Owner);

// The system-menu item's class in the item-class table (not offered for creation).
void cbSystemMenuInit();
void cbSystemMenuDone();
