#pragma once
// How the viewer's commands are shown beyond its toolbar: the context menu of the picture, built
// from the viewer's actions. This is the only code that knows the menu is a plain Win32 pop-up
// menu; its items follow their actions' Enabled and Checked and show their shortcuts.

class TPopupMenu;
class TViewImageForm;

class TViewerCommandBars {
public:
    // The menu is owned by Form and set as its scroll box's context menu.
    explicit TViewerCommandBars(TViewImageForm* Form);
    TViewerCommandBars(const TViewerCommandBars&) = delete;
    TViewerCommandBars& operator=(const TViewerCommandBars&) = delete;

    TPopupMenu* GetPopupMenu() const { return FPopupMenu; }

private:
    TPopupMenu* FPopupMenu = nullptr;
};
