#pragma once
// The scene of the customizing tests: a shown form with a Flat manager and 16 x 16 images, the
// main menu bar with "&File" ("&New", "&Open", "&Save"), the toolbar "Standard" (New, Open, a
// group line, Save, the edit "Find" and the combo "Zoom") and the toolbar "Tools" (two buttons)
// after it on the second row, all docked at the top, and customizing mode entered.

#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/Classes.h"
#include "platform/win/Forms.h"
#include "platform/win/ImageList.h"

class TcbBarManager;

namespace CommandBarsTest {

class TCustomizingFixture {
public:
    // Customizing: SetIsCustomizing(true) once the bars show.
    explicit TCustomizingFixture(bool Customizing = true);
    TCustomizingFixture(const TCustomizingFixture&) = delete;
    TCustomizingFixture& operator=(const TCustomizingFixture&) = delete;
    // Leaves customizing mode (which closes every menu) and hides the form.
    ~TCustomizingFixture();

    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TcbBarManager* Manager = nullptr;
    TImageList* Images = nullptr;
    TcbBar *MainMenu = nullptr, *Standard = nullptr, *Tools = nullptr;
    TcbBarSubItem* File = nullptr;
    TcbBarButton *New = nullptr, *Open = nullptr, *Save = nullptr;
    TcbBarEdit* Find = nullptr;
    TcbBarCombo* Zoom = nullptr;
    std::vector<TcbBarButton*> ToolsButtons;

    TcbBarControl* WindowOf(TcbBar* Bar) const;
    // The control of the link at Index of a bar's window (nullptr: none).
    TcbBarItemControl* ControlAt(TcbBar* Bar, int32_t Index) const;
    // A control's rect on the screen (empty without a control).
    static RECT ScreenRectOf(TcbBarItemControl* Control);
    // The screen centre of a control.
    static POINT CenterOf(TcbBarItemControl* Control);
    // A new docked toolbar without links on the given row.
    TcbBar* AddEmptyBar(const std::string& Caption, int32_t Row);
    // The captions of a link list in order, a group line written as "|".
    static std::string Describe(TcbBarItemLinks* Links);
};

} // namespace CommandBarsTest
