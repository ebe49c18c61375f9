#pragma once
// The scene of the floating-bar tests, on the toolbar scene: "Standard" gets an edit item at its
// end, "Tools" holds eight glyph buttons and floats at (300, 200) with a client width of 150,
// and the manager keeps floating bars shown while its form is inactive (a test that wants the
// other rule sets it). The bars are hidden again when the scene goes, so no floating window is
// left behind.

#include <vector>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "tests/commandbars/support/ToolbarFixture.h"

namespace CommandBarsTest {

class TFloatingFixture : public TToolbarFixture {
public:
    TFloatingFixture();
    ~TFloatingFixture();

    TcbBarEdit* EditItem = nullptr;
    TcbBarItemLink* EditLink = nullptr;

    // The form in front (for real input) with its floating bars above it.
    bool BringToFront();
    // The window of "Tools" and its rect on the screen.
    TcbBarControl* ToolsWindow() const { return WindowOf(Tools); }
    TRect ScreenRectOf(TcbBar* Bar) const;
    // A point of a bar's window in screen coordinates, from window coordinates.
    POINT WindowPointToScreen(TcbBar* Bar, int32_t X, int32_t Y) const;
    // The screen centre of the grip of a docked bar, and of the caption of a floating one (left
    // of its mark).
    POINT GripPoint(TcbBar* Bar) const;
    POINT CaptionPoint(TcbBar* Bar) const;
    // The windows the thread owns that belong to Window's control (both handles while moving).
    static std::vector<HWND> HandlesOf(const TcbBarControl* Window);
};

} // namespace CommandBarsTest
