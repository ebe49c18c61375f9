#pragma once
// The scene of the bar window and item-control tests: a shown form whose edit has the focus, a
// Flat manager with 16 x 16 images, a test bar window showing buttons A, B (checked), C
// (disabled), D (drop-down with a menu), an edit E, a combo K ("alpha", "beta", "gamma") and a
// sub-item S with two buttons, and a second test bar window used as a menu (buttons "&Open",
// "&Print", "&Paste" and two sub-items). Every button runs an action that counts its runs.

#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbPopupMenu.h"
#include "platform/rtl/Classes.h"
#include "platform/win/Actions.h"
#include "platform/win/Forms.h"
#include "platform/win/ImageList.h"
#include "platform/win/StdCtrls.h"
#include "tests/commandbars/support/TestBarWindow.h"
#include "tests/commandbars/support/TestHelpers.h"

class TcbBarManager;

namespace CommandBarsTest {

struct TCountedAction {
    TAction* Action = nullptr;
    int Runs = 0;
};

class TControlsFixture {
public:
    TControlsFixture();
    TControlsFixture(const TControlsFixture&) = delete;
    TControlsFixture& operator=(const TControlsFixture&) = delete;
    ~TControlsFixture();

    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TEdit* Edit = nullptr;
    TcbBarManager* Manager = nullptr;
    TImageList* Images = nullptr;
    TcbBar* Bar = nullptr;
    TcbBarButton *A = nullptr, *B = nullptr, *C = nullptr, *D = nullptr;
    TcbBarPopupMenu* DMenu = nullptr;
    TcbBarEdit* E = nullptr;
    TcbBarCombo* K = nullptr;
    TcbBarSubItem* S = nullptr;
    TcbBarSubItem* MenuItem = nullptr; // owns the menu window's links
    TcbBarButton *Open = nullptr, *Print = nullptr, *Paste = nullptr;
    TcbBarSubItem *S1 = nullptr, *S2 = nullptr;
    TCountedAction ActA, ActB, ActC, ActD, ActOpen, ActPrint, ActPaste;
    TTestBarWindow* Window = nullptr;
    TTestBarWindow* Menu = nullptr;

    // The control of an item in the bar window (or the menu window), nullptr when none.
    TcbBarItemControl* ControlOf(TcbBarItem* Item) const;
    TRect RectOf(TcbBarItem* Item) const;
    // The centre of an item's rect, in its window's client coordinates.
    TPoint CentreOf(TcbBarItem* Item) const;
    TTestBarWindow* WindowOf(TcbBarItem* Item) const;

    // Mouse messages sent to an item's window at a client point; a move also puts the real
    // cursor there (a bar window ignores moves while the cursor stands still).
    void MoveTo(TTestBarWindow* Win, TPoint P);
    void Press(TTestBarWindow* Win, TPoint P);
    void Release(TTestBarWindow* Win, TPoint P);
    void Click(TcbBarItem* Item);
    void Key(TTestBarWindow* Win, WORD Key);

    // Deletes the bar window (as a command that frees it would); nullptr afterwards.
    void FreeWindow();

private:
    TcbBarButton* AddButton(const std::string& Caption, int32_t Image, TCountedAction& Counter);
    std::unique_ptr<TTestMenuFactory> FMenus;
};

} // namespace CommandBarsTest
