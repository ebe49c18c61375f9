// The application's hint under real mouse input: it follows the Hint of the control the mouse
// rests on, also when that Hint changes under the resting mouse, and it empties once the cursor
// lies over no window of the thread (nothing tells a window the cursor left it).
#include <gtest/gtest.h>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;

namespace {

// A control in a top-level popup window of its own (as the bar and menu windows are).
class TPopupControl : public TCustomControl {
public:
    using TCustomControl::TCustomControl;

protected:
    void CreateParams(TCreateParams& P) override
    {
        TCustomControl::CreateParams(P);
        P.Style = (P.Style & ~WS_CHILD) | WS_POPUP;
        P.Menu = nullptr;
    }
};

// Runs the application's own loop, which goes idle between messages, until Condition holds; a
// timer keeps waking it.
bool IdleUntil(const std::function<bool()>& Condition, const std::string& What)
{
    const UINT_PTR Wake = SetTimer(nullptr, 0, 20, nullptr);
    TScopeExit Stop([Wake] { KillTimer(nullptr, Wake); });
    return PumpUntil(
        [&] {
            Application->HandleMessage();
            return Condition();
        },
        10000, What);
}

} // namespace

TEST(TApplicationUI, HintFollowsTheRestingMouseAndEmptiesOffTheThreadsWindows)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(100, 100, 300, 200);
    auto* Panel = new TPanel(Form.get());
    Panel->SetBounds(20, 20, 150, 100);
    Panel->SetParent(Form.get());
    Panel->SetHint("A|long A");
    Form->Show();
    TComponentPtr<TPopupControl> Popup(new TPopupControl(nullptr));
    Popup->SetParentWindow(Form->GetHandle());
    Popup->SetBounds(500, 150, 120, 80);
    Popup->SetHint("P|long P");
    Popup->HandleNeeded();
    ASSERT_TRUE(IsWindowVisible(Popup->GetHandle()));
    ASSERT_TRUE(TestSupport::BringToFront(*Form));
    int Fired = 0;
    AppUI()->OnHint = [&](TObject*) { ++Fired; };
    TScopeExit Restore([] {
        AppUI()->OnHint = nullptr;
        AppUI()->SetHint("");
    });

    TestSupport::MoveTo(Panel->ClientToScreen(Point(30, 30)));
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_EQ(AppUI()->GetHint(), "long A");
    Fired = 0;
    Panel->SetHint("B|long B");
    EXPECT_EQ(AppUI()->GetHint(), "long B");
    EXPECT_EQ(Fired, 1);
    // Idle passes with the cursor still over the panel change nothing.
    int Idles = 0;
    const int32_t Counter = AppUI()->AddIdleHandler([&] { ++Idles; });
    TScopeExit Remove([Counter] { AppUI()->RemoveIdleHandler(Counter); });
    EXPECT_TRUE(IdleUntil([&] { return Idles >= 3; }, "three idle passes"));
    EXPECT_EQ(AppUI()->GetHint(), "long B");
    EXPECT_EQ(Fired, 1);

    TestSupport::MoveTo(Popup->ClientToScreen(Point(10, 10)));
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_EQ(AppUI()->GetHint(), "long P");
    Fired = 0;
    Popup->SetHint("Q|long Q");
    EXPECT_EQ(AppUI()->GetHint(), "long Q");
    EXPECT_EQ(Fired, 1);
    Panel->SetHint("C|long C"); // not under the mouse: not shown
    EXPECT_EQ(AppUI()->GetHint(), "long Q");

    // Off every window of the thread (the popup lies right of the form, nothing below it).
    TestSupport::MoveTo(POINT{560, 900});
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_TRUE(IdleUntil([] { return AppUI()->GetHint().empty(); }, "the hint emptied"));
    Popup->SetHint("R|long R");
    EXPECT_EQ(AppUI()->GetHint(), "");

    // A hint control freed under the mouse is forgotten, and leaving still empties the hint.
    TestSupport::MoveTo(Popup->ClientToScreen(Point(10, 10)));
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_EQ(AppUI()->GetHint(), "long R");
    Popup.reset();
    EXPECT_EQ(GetHintControl(), nullptr);
    TestSupport::MoveTo(POINT{560, 900});
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_TRUE(IdleUntil([] { return AppUI()->GetHint().empty(); }, "the hint emptied after the free"));
}
