#pragma once
// The scene of the menu tests: the toolbar scene (a shown form whose edit has the focus, "Main
// Menu" and the toolbars) with "&File" holding "&New" (Ctrl+N), "&Open..." (Ctrl+O), a group
// line, "Recent" (a sub-item with two buttons), "&Save" and a disabled "&Print"; "&View" holding
// two bsChecked items; and a popup menu linked to a list box of the form. Every command runs an
// action that counts its runs.

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/windows/cbSubMenu.h"
#include "tests/commandbars/support/ToolbarFixture.h"

namespace CommandBarsTest {

class TMenuFixture : public TToolbarFixture {
public:
    TMenuFixture();
    ~TMenuFixture();

    TcbBarSubItem* File = nullptr;
    TcbBarSubItem* View = nullptr;
    TcbBarSubItem* Recent = nullptr;
    TcbBarButton *New = nullptr, *Open = nullptr, *Save = nullptr, *Print = nullptr;
    TcbBarButton *RecentA = nullptr, *RecentB = nullptr;
    TcbBarButton *Ruler = nullptr, *Grid = nullptr;
    TListBox* List = nullptr;
    TcbBarPopupMenu* Popup = nullptr;
    std::vector<TcbBarButton*> PopupButtons;
    // The runs of each command, by caption.
    std::map<std::string, int> Runs;

    // A button with a counting action.
    TcbBarButton* MakeCommand(const std::string& Caption, TShortCut ShortCut = 0);
    // The menu window of a sub-item or popup menu (nullptr: none open).
    static TcbBarSubMenuControl* MenuOf(TCustomcbBarSubItem* SubItem);
    static TcbBarSubMenuControl* MenuOf(TcbBarPopupMenu* Popup);
    // The control of an item in a window (nullptr: none).
    static TcbBarItemControl* ControlOf(TCustomcbBarControl* Window, TcbBarItem* Item);
    // Opens a title of the main menu bar with a press and release sent as messages.
    TcbBarSubMenuControl* OpenByMessage(TCustomcbBarSubItem* Title);
    // The screen centre of an item's row in a window.
    static POINT CenterOf(TCustomcbBarControl* Window, TcbBarItem* Item);
    // Closes every open menu.
    void CloseMenus();
};

// Plays a chord through the real keyboard and waits until it was handled and every command it
// chose has run.
void Keys(std::initializer_list<WORD> Chord);
// Waits until no chosen command waits in the click queue any more (a command chosen from the
// keyboard runs from a timer after the keyboard hook has returned).
void ClicksRun();

} // namespace CommandBarsTest
