#pragma once
// The scene of the popup tests: a shown form made from its design (so its bars can be reset)
// with a Flat manager, "Main Menu" with "&File" ("&New", "&Open", "&Save"), the toolbar
// "Standard" ("&New", "&Open", a group line, "&Save", the edit "Find", the combo "Zoom") and the
// toolbar "Tools" ("Tool &A", "Tool &B"), both docked at the top in row 1. Every button counts
// its runs. At design time the form is designing and the two toolbars sit on a dock control of
// the form (the edge sites hide at design time), with a designer double that counts changes.

#include <map>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/windows/cbSubMenu.h"
#include "commandbars/windows/cbToolbar.h"
#include "commandbars/foundation/cbTypes.h"
#include "platform/win/Forms.h"
#include "platform/win/ImageList.h"
#include "platform/win/StdCtrls.h"

class TcbBarManager;

namespace CommandBarsTest {

class TPopupsDesigner : public IFormDesigner {
public:
    void Modified() override { ++ModifiedCount; }
    void SelectComponent(TPersistent*) override {}
    int ModifiedCount = 0;
};

class TPopupsFixture {
public:
    explicit TPopupsFixture(bool Designing = false, TcbBarManagerStyle Style = bmsFlat);
    TPopupsFixture(const TPopupsFixture&) = delete;
    TPopupsFixture& operator=(const TPopupsFixture&) = delete;
    ~TPopupsFixture();

    TComponentPtr<TForm> Form;
    TcbBarManager* Manager = nullptr;
    TPopupsDesigner Designer;
    TcbBarDockControl* DesignSite = nullptr;
    TImageList* Images = nullptr;
    TcbBar *MainMenu = nullptr, *Standard = nullptr, *Tools = nullptr;
    TcbBarSubItem* File = nullptr;
    TcbBarButton *New = nullptr, *Open = nullptr, *Save = nullptr, *ToolA = nullptr, *ToolB = nullptr;
    TcbBarEdit* Find = nullptr;
    TcbBarCombo* Zoom = nullptr;
    std::map<std::string, int> Runs; // by caption

    TcbBarControl* WindowOf(TcbBar* Bar) const;
    // The link of an item in a bar (nullptr: none).
    static TcbBarItemLink* LinkOf(TcbBar* Bar, TcbBarItem* Item);
    // The control of an item's first link in a window (nullptr: none).
    static TcbBarItemControl* ControlOf(TCustomcbBarControl* Window, TcbBarItem* Item);
    // The control of a window whose caption is Caption (nullptr: none).
    static TcbBarItemControl* ControlByCaption(TCustomcbBarControl* Window, const std::string& Caption);
    // The client centre of a control.
    static POINT CenterOf(const TcbBarItemControl* Control);
    static POINT ScreenCenterOf(const TcbBarItemControl* Control);
    // A press and release of the left button sent as messages to a control's centre.
    static void ClickByMessage(TcbBarItemControl* Control);
    // A right press sent as a message to a client point of a window.
    static void RightPressByMessage(TWinControl* Window, POINT ClientPoint);
    // The captions of a window's links in order, a group line shown as a leading "|".
    static std::vector<std::string> Captions(TCustomcbBarControl* Window);
    // The mark of a toolbar window in client coordinates, and its screen rect.
    static TRect MarkRectInClient(TcbBarControl* Window);
    static TRect MarkRectOnScreen(TcbBarControl* Window);
    // A press on the mark sent as messages (and its release).
    static void PressMark(TcbBarControl* Window);
    // The visible top-level windows of the thread.
    static int VisibleWindowCount();
    // Closes every open menu and the "More Buttons" window, and lets the temporary items go.
    void CloseAll();
};

} // namespace CommandBarsTest
