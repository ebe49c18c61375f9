// The toolbar under the real mouse: a hot button's Flat pixels, and the "More Buttons" mark
// turning hot (asking the manager for its hint) and pressed (opening the quick-customization
// window once and playing the menu sound).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandbars/cbExtensions.h"
#include "commandbars/cbItemControls.h"
#include "commandbars/cbItemLinks.h"
#include "commandbars/cbRoutines.h"
#include "platform/rtl/ScopeGuards.h"
#include "tests/commandbars/support/ToolbarFixture.h"
#include "tests/support/InputDriver.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::ToolbarBrushColor;
using CommandBarsTest::TToolbarFixture;

namespace {

// A manager that records the hints its bar windows ask for.
class THintRecordingManager : public TcbBarManager {
public:
    using TcbBarManager::TcbBarManager;
    void ActivateHint(bool Activate, const std::string& AHint) override
    {
        Calls.push_back({Activate, AHint});
    }
    struct TCall {
        bool Activate;
        std::string Hint;
    };
    std::vector<TCall> Calls;
};

POINT ScreenCentre(TcbBarControl* Window, const TRect& ClientRect)
{
    POINT P{(ClientRect.left + ClientRect.right) / 2, (ClientRect.top + ClientRect.bottom) / 2};
    ClientToScreen(Window->GetHandle(), &P);
    return P;
}

} // namespace

TEST(ToolbarsInput, AButtonUnderTheMouseIsHotAndTheMarkTurnsHotThenPressed)
{
    THintRecordingManager* Recorder = nullptr;
    TToolbarFixture F(true, [&Recorder](TForm* Form) {
        Recorder = new THintRecordingManager(Form);
        return Recorder;
    });
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TcbBarItemControl* Second = F.Standard->GetItemLinks()->GetItem(1)->GetControl();
    ASSERT_NE(Second, nullptr);
    const TRect R = Second->GetItemRect();
    TestSupport::MoveTo(ScreenCentre(Standard, R));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Standard->GetSelectedControl() == Second; }, 5000,
                                       "the button under the mouse to turn hot"));
    const TestSupport::TShot Shot = TestSupport::CaptureWindow(Standard->GetHandle());
    const TPoint O = Standard->GetClientOffset();
    TestSupport::ExpectPixel(Shot, O.x + R.left, O.y + (R.top + R.bottom) / 2, GetSysColor(COLOR_HIGHLIGHT),
                             "the hot button's ring");
    TestSupport::ExpectPixel(Shot, O.x + R.left + 1, O.y + R.top + 1,
                             ToolbarBrushColor(F.Manager->GetFlatSelectedItemBrush()), "the hot button's fill");

    // The mark.
    int Opened = 0;
    std::vector<TcbMenuSound> Sounds;
    cbExtensions().OpenQuickControl = [&Opened](TCustomcbBarControl*) { ++Opened; };
    SetMenuSoundHook([&Sounds](TcbMenuSound Kind) { Sounds.push_back(Kind); });
    TScopeExit Restore([] {
        cbExtensions().OpenQuickControl = nullptr;
        SetMenuSoundHook(nullptr);
    });
    const TRect Mark = F.Manager->GetPainterClass()->GetMarkRect(Standard);
    ASSERT_FALSE(IsRectEmpty(&Mark));
    Recorder->Calls.clear();
    TestSupport::MoveTo(ScreenCentre(Standard, Mark));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Standard->GetMarkState() == bstHot; }, 5000, "a hot mark"));
    bool Asked = false;
    for (const auto& Call : Recorder->Calls)
        if (Call.Activate && Call.Hint == "More Buttons")
            Asked = true;
    EXPECT_TRUE(Asked) << "the hint \"More Buttons\" is asked for";
    EXPECT_EQ(Standard->GetSelectedControl(), nullptr);

    TestSupport::ButtonDown();
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Standard->GetMarkState() == bstPressed; }, 5000, "a pressed mark"));
    EXPECT_EQ(Opened, 1);
    ASSERT_EQ(Sounds.size(), 1u);
    EXPECT_EQ(Sounds[0], msMenuPopup);

    Standard->SetMarkState(bstNormal);
    POINT Away{F.Form->GetLeft() + 300, F.Form->GetTop() + 300};
    TestSupport::MoveTo(Away);
    TestSupport::WaitProcessed();
}
