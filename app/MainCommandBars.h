#pragma once
// How the main window's commands are shown: the command bars of the main window's design, a
// Flat bar manager with the menu bar "Main Menu", the toolbar "Standard" and the context menus
// of the task tree and the downloaded-files list, every item a button bound to its action.
// Items follow their actions' caption, hint, glyph, shortcut, Enabled and Checked at once; the
// framework's hooks answer the shortcuts and show the hints.
//
// The bars are the form's design (registered for "TMainForm"), so the framework's reset can
// replay it; this adapter applies it to the main window and finds its parts by name.

#include <cstdint>
#include <functional>
#include <vector>

class TcbBarButton;
class TcbBarManager;
class TcbBarPopupMenu;
class TCustomForm;
class TImageList;
class TMainActions;
class TWinControl;

// What the design binds on the main window: its actions and glyphs, the controls the two
// context menus serve, what a right click on each does before its menu shows, and where the
// menu key or Shift+F10 opens it (X, Y in the control's client coordinates; false keeps the
// framework's place).
struct TMainBarBindings {
    TCustomForm* Form = nullptr;
    TMainActions* Actions = nullptr;
    TImageList* Glyphs = nullptr;
    TWinControl* TasksTree = nullptr;
    TWinControl* ImagesList = nullptr;
    std::function<void(int32_t X, int32_t Y)> TreeRightClick;
    std::function<void(int32_t X, int32_t Y)> ListRightClick;
    std::function<bool(int32_t& X, int32_t& Y)> TreeMenuPoint;
    std::function<bool(int32_t& X, int32_t& Y)> ListMenuPoint;
};

class TMainCommandBars {
public:
    // Applies the main window's bar design to Bindings.Form, whose actions, image lists, task
    // tree and images list exist by then. Everything it makes is owned by the form.
    explicit TMainCommandBars(const TMainBarBindings& Bindings);
    TMainCommandBars(const TMainCommandBars&) = delete;
    TMainCommandBars& operator=(const TMainCommandBars&) = delete;

    // Registers the design builder of "TMainForm" (again: it replaces itself).
    static void RegisterDesign();

    TcbBarManager* GetBarManager() const { return FBarManager; }
    // The button of an action id, or nullptr for an id that is not one of the main actions.
    TcbBarButton* ItemOf(uint16_t ActionId) const;
    // The Tasks commands, the task tree's context menu.
    TcbBarPopupMenu* GetTasksPopupMenu() const { return FTasksPopupMenu; }
    // The Image commands, the downloaded-files list's context menu.
    TcbBarPopupMenu* GetImagesPopupMenu() const { return FImagesPopupMenu; }

    // The "Standard" toolbar (the manager's second bar) shown or hidden.
    bool GetToolBarVisible() const;
    void SetToolBarVisible(bool Value);

private:
    TcbBarManager* FBarManager = nullptr;
    std::vector<TcbBarButton*> FItems; // by action id - maTasksNew
    TcbBarPopupMenu* FTasksPopupMenu = nullptr;
    TcbBarPopupMenu* FImagesPopupMenu = nullptr;
};
