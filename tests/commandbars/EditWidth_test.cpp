// The width of an edit item dragged by its edge while the bars are customized: the sizing cursor
// near the selected edit's edge, the link's own width after a drag, the inverted frame that
// leaves the screen as it was, and the smallest width.
#include <gtest/gtest.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/Screen.h"
#include "tests/commandbars/support/FloatingFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::TFloatingFixture;

namespace {

// Customizing with the edit item selected; its control and bar window.
struct TEditSizing {
    explicit TEditSizing(TFloatingFixture& F) : Fixture(F)
    {
        F.Manager->SetIsCustomizing(true);
        PumpPosted("customizing started");
        Control = F.EditLink->GetControl();
        Window = F.WindowOf(F.Standard);
        if (!Control)
            return;
        // The mouse rests on the edit when it is selected, so no move takes the selection away.
        const TRect R = Rect();
        TestSupport::MoveTo(Screen((R.left + R.right) / 2, (R.top + R.bottom) / 2));
        TestSupport::WaitProcessed();
        F.Manager->SetSelectedItemControl(Control);
    }
    ~TEditSizing()
    {
        Fixture.Manager->SetSelectedItemControl(nullptr);
        Fixture.Manager->SetIsCustomizing(false);
    }
    // A point of the control's rect on the screen.
    POINT Screen(int32_t X, int32_t Y) const
    {
        POINT P{X, Y};
        ClientToScreen(Window->GetHandle(), &P);
        return P;
    }
    TRect Rect() const { return Control->GetLink()->GetItemRect(); }
    TFloatingFixture& Fixture;
    TcbBarItemControl* Control = nullptr;
    TcbBarControl* Window = nullptr;
};

bool SameShot(const TestSupport::TShot& A, const TestSupport::TShot& B)
{
    return A.W == B.W && A.H == B.H && A.Pixels == B.Pixels;
}

} // namespace

TEST(EditWidth, TheSelectedEditsRightEdgeOffersTheSizingCursorAndADragWidensTheLink)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    TEditSizing E(F);
    ASSERT_TRUE(E.Control && E.Window);
    const TRect R = E.Rect();
    const int32_t MidY = (R.top + R.bottom) / 2;
    const int32_t OldWidth = (R.right - R.left) - E.Control->GetEditCaptionWidth();

    TestSupport::MoveTo(E.Screen(R.right - 3, MidY));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return E.Window->IsWidthSizing(); }, 5000, "the sizing edge"));
    EXPECT_EQ(Screen->GetCursors(crcbBarEditSizing), GetCursor());

    TestSupport::Drag(E.Screen(R.right - 3, MidY), E.Screen(R.right + 27, MidY));
    TestSupport::WaitProcessed();
    TestSupport::PumpUntil([&] { return F.EditLink->GetUserDefine().Contains(udWidth); }, 5000, "the new width");
    PumpPosted("the drop handled");
    EXPECT_TRUE(F.EditLink->GetUserDefine().Contains(udWidth));
    EXPECT_EQ(OldWidth + 30, F.EditLink->GetUserWidth());
    EXPECT_EQ(nullptr, GetCapture());
}

TEST(EditWidth, TheInvertedFrameFollowsTheMouseAndLeavesTheScreenAsItWas)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    TEditSizing E(F);
    ASSERT_TRUE(E.Control && E.Window);
    const TRect R = E.Rect();
    const int32_t MidY = (R.top + R.bottom) / 2;
    const HWND H = E.Window->GetHandle();
    TestSupport::MoveTo(E.Screen(R.right - 3, MidY));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return E.Window->IsWidthSizing(); }, 5000, "the sizing edge"));
    PumpPosted("the move handled");
    const TestSupport::TShot Before = TestSupport::CaptureShown(H);

    TestSupport::ButtonDown();
    TestSupport::MoveTo(E.Screen(R.right - 23, MidY));
    TestSupport::WaitProcessed();
    const TestSupport::TShot During = TestSupport::CaptureScreen(H);
    // The frame's top line inverts what was under it.
    const TPoint O = E.Window->GetClientOffset();
    const int32_t X = O.x + R.left + 4, Y = O.y + R.top;
    EXPECT_EQ(Before.At(X, Y) ^ 0xFFFFFF, During.At(X, Y));
    EXPECT_EQ((R.right - R.left) - E.Control->GetEditCaptionWidth() - 20, E.Window->GetNewWidth());

    // Back to the start: an unchanged width only repaints, and the frame is gone.
    TestSupport::MoveTo(E.Screen(R.right - 3, MidY));
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    PumpPosted("the release handled");
    EXPECT_FALSE(F.EditLink->GetUserDefine().Contains(udWidth));
    EXPECT_TRUE(SameShot(Before, TestSupport::CaptureShown(H)));
}

TEST(EditWidth, DraggingFarLeftStopsAtTheSmallestWidth)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    TEditSizing E(F);
    ASSERT_TRUE(E.Control && E.Window);
    const TRect R = E.Rect();
    const int32_t MidY = (R.top + R.bottom) / 2;
    TestSupport::MoveTo(E.Screen(R.right - 3, MidY));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return E.Window->IsWidthSizing(); }, 5000, "the sizing edge"));
    const int32_t Smallest = E.Control->GetMinWidth() - E.Control->GetEditCaptionWidth();
    TestSupport::Drag(E.Screen(R.right - 3, MidY), E.Screen(R.left - 200, MidY));
    TestSupport::WaitProcessed();
    TestSupport::PumpUntil([&] { return F.EditLink->GetUserDefine().Contains(udWidth); }, 5000, "the new width");
    PumpPosted("the drop handled");
    EXPECT_TRUE(F.EditLink->GetUserDefine().Contains(udWidth));
    EXPECT_EQ(Smallest, F.EditLink->GetUserWidth());
}
