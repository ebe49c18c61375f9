#pragma once
// How the viewer's commands are shown beyond its toolbar: the context menu of the picture, a bar
// popup menu of a Flat bar manager whose buttons are bound to the viewer's actions (caption,
// shortcut, Enabled and the slide show's tick follow them). The menu is part of the viewer's
// design (registered for "TViewImageForm"); the viewer's own toolbar stays a plain one.

class TcbBarButton;
class TcbBarManager;
class TcbBarPopupMenu;
class TViewImageForm;

class TViewerCommandBars {
public:
    // Applies the viewer's bar design to Form, whose actions and scroll box exist by then; the
    // manager and the menu are owned by Form and the menu serves the scroll box.
    explicit TViewerCommandBars(TViewImageForm* Form);
    TViewerCommandBars(const TViewerCommandBars&) = delete;
    TViewerCommandBars& operator=(const TViewerCommandBars&) = delete;

    // Registers the design builder of "TViewImageForm" (again: it replaces itself).
    static void RegisterDesign();

    TcbBarManager* GetBarManager() const { return FBarManager; }
    TcbBarPopupMenu* GetPopupMenu() const { return FPopupMenu; }

private:
    TcbBarManager* FBarManager = nullptr;
    TcbBarPopupMenu* FPopupMenu = nullptr;
};
