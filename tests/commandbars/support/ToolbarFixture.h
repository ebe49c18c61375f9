#pragma once
// The scene of the toolbar and dock-site tests: a shown form with a 760 x 560 client area whose
// edit has the focus, a Flat manager with 16 x 16 images, the bar "Main Menu" (top, row 0) with
// "&File", "&Edit", "&View" and "&Help", the bar "Standard" (top, row 1) with eleven glyph
// buttons in the groups 4 | 4 | 2 | 1 (the first: hint "Open file|Opens a file", Ctrl+O), the
// bar "Tools" (top, row 1, after "Standard") with three buttons, and a status bar (bbsNone,
// bottom, whole row, size grip) with one caption-only button.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/Classes.h"
#include "platform/win/Actions.h"
#include "platform/win/Forms.h"
#include "platform/win/ImageList.h"
#include "platform/win/StdCtrls.h"
#include "tests/commandbars/support/TestHelpers.h"

class TcbBarManager;

namespace CommandBarsTest {

class TToolbarFixture {
public:
    // Unshown: the bars are made but not yet visible (a test may lock updates first).
    // MakeManager makes the manager on the form (a test's own kind); nullptr: a TcbBarManager.
    explicit TToolbarFixture(bool ShowBars = true,
                             const std::function<TcbBarManager*(TForm*)>& MakeManager = nullptr);
    TToolbarFixture(const TToolbarFixture&) = delete;
    TToolbarFixture& operator=(const TToolbarFixture&) = delete;
    ~TToolbarFixture();

    void ShowBars();

    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TEdit* Edit = nullptr;
    TcbBarManager* Manager = nullptr;
    TImageList* Images = nullptr;
    TcbBar *MainMenu = nullptr, *Standard = nullptr, *Tools = nullptr, *Status = nullptr;
    std::vector<TcbBarSubItem*> Menus;       // &File, &Edit, &View, &Help
    std::vector<TcbBarButton*> StandardButtons;
    std::vector<TcbBarButton*> ToolsButtons;
    TcbBarButton* StatusButton = nullptr;
    TAction* OpenAction = nullptr;

    TcbBarControl* WindowOf(TcbBar* Bar) const;
    TcbDockControl* Site(TcbBarDockingStyle Style) const;
    // The client size of the form set and the layout settled.
    void SetClientWidth(int32_t Width);
    // The text height of "0" in the manager's font.
    int32_t TextHeight() const;
    // The window rect of a bar's window in its site's client coordinates.
    TRect PlaceOf(TcbBar* Bar) const;
};

} // namespace CommandBarsTest
