#pragma once
// How the main window's commands are shown: the menu bar, the "Standard" toolbar and the two
// pop-up menus, all built from the action list. This is the only code that knows the commands
// are plain Win32 menus and a ToolbarWindow32; menu items and buttons follow their actions'
// Enabled and Checked at once, shortcuts run through the form's action list, and hints reach
// the application hint from menu selection and the toolbar's hot item.

#include <cstdint>

#include "app/MainActions.h"

class TCustomForm;
class TImageList;
class TMainMenu;
class TPopupMenu;
class TToolBar;
class TToolButton;

class TMainCommandBars {
public:
    // Everything is owned by Form. Glyphs: the toolbar's image list (may be nullptr).
    TMainCommandBars(TCustomForm* Form, TMainActions* Actions, TImageList* Glyphs);
    TMainCommandBars(const TMainCommandBars&) = delete;
    TMainCommandBars& operator=(const TMainCommandBars&) = delete;

    TMainMenu* GetMainMenu() const { return FMainMenu; }
    TToolBar* GetToolBar() const { return FToolBar; }
    // The Tasks commands, for the task tree.
    TPopupMenu* GetTreePopupMenu() const { return FTreePopup; }
    // The Image commands, for the downloaded-files list.
    TPopupMenu* GetImagesPopupMenu() const { return FImagesPopup; }

    bool GetToolBarVisible() const;
    void SetToolBarVisible(bool Value);
    // The toolbar button of an action id, or nullptr.
    TToolButton* ButtonOf(uint16_t ActionId) const;

private:
    void FillPopup(TPopupMenu* Menu, const TMainBarLayout& Layout);

    TMainActions* FActions = nullptr;
    TMainMenu* FMainMenu = nullptr;
    TToolBar* FToolBar = nullptr;
    TPopupMenu* FTreePopup = nullptr;
    TPopupMenu* FImagesPopup = nullptr;
};
