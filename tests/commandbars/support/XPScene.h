#pragma once
// The menu scene in the XP style for the live-window tests of that style: a checked, a disabled
// and a split button on "Standard", a combo and an edit on "Tools", and the form 900 pixels wide.

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbTheme.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/ThemeCallRecorder.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

namespace CommandBarsTest {

#define REQUIRE_THEMES()                                                                                     \
    if (!AreThemesInUse())                                                                                   \
    GTEST_SKIP() << "visual styles are off here"

// Redraws a window whole (frame and children) at once.
inline void Repaint(HWND W)
{
    RedrawWindow(W, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle();
}

// The menu scene in the XP style, with a checked, a disabled and a split button on "Standard"
// and a combo and an edit on "Tools".
struct TXPScene : TMenuFixture {
    TcbBarButton *Checked = nullptr, *Disabled = nullptr, *Split = nullptr;
    TcbBarCombo* Combo = nullptr;
    TcbBarEdit* EditBox = nullptr;
    TXPScene()
    {
        Manager->SetStyle(bmsXP);
        Checked = StandardButtons[1];
        Checked->SetButtonStyle(bsChecked);
        Checked->SetDown(true);
        Disabled = StandardButtons[2];
        Disabled->SetEnabled(false);
        Split = StandardButtons[5];
        Split->SetButtonStyle(bsDropDown);
        Split->SetDropDownMenu(Popup);
        Combo = new TcbBarCombo(Form.get());
        Combo->SetCaption("Zoom");
        Combo->SetWidth(70);
        Combo->SetText("100 %");
        EditBox = new TcbBarEdit(Form.get());
        EditBox->SetCaption("Find");
        EditBox->SetWidth(70);
        EditBox->SetText("text");
        Tools->GetItemLinks()->Add()->SetItem(Combo);
        Tools->GetItemLinks()->Add()->SetItem(EditBox);
        Tools->SetDockedLeft(420);
        SetClientWidth(900);
        Settle();
    }
    HWND WndOf(TcbBar* Bar) const { return WindowOf(Bar)->GetHandle(); }
    TcbBarItemControl* Of(TcbBar* Bar, TcbBarItem* Item) const { return ControlOf(WindowOf(Bar), Item); }
};

// The pixel of a window's picture at a client point of it.
inline COLORREF ClientPixel(const TestSupport::TShot& Shot, HWND W, int32_t X, int32_t Y)
{
    const POINT O = TestSupport::ClientOrigin(W);
    return ShotColor(Shot.At(O.x + X, O.y + Y));
}

} // namespace CommandBarsTest
