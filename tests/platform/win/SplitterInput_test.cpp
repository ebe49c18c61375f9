// The splitter dragged by real mouse input: SendInput moves the system cursor and presses the
// button over the shown, foreground form, so the drag goes through the system's input routing,
// hit testing and mouse capture, not through messages posted to a known window.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpFor;
using TestSupport::PumpUntil;

namespace {

struct TSplitForm {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TPanel* Left;
    TSplitter* Split;
    TPanel* Client;
    int Moved = 0;
    TSplitForm()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(100, 120, 600, 400);
        Left = new TPanel(Form.get());
        Left->SetBounds(0, 0, 150, 10);
        Left->SetAlign(alLeft);
        Left->SetParent(Form.get());
        Split = new TSplitter(Form.get());
        Split->SetBounds(150, 0, 3, 10);
        Split->SetParent(Form.get());
        Client = new TPanel(Form.get());
        Client->SetAlign(alClient);
        Client->SetParent(Form.get());
        Split->OnMoved = [this](TObject*) { ++Moved; };
    }
    ~TSplitForm()
    {
        if (GetCapture())
            ReleaseCapture();
        Form->Hide();
    }
    // A client point of the form on the screen.
    POINT Screen(int X, int Y) const
    {
        POINT P{X, Y};
        ClientToScreen(Form->GetHandle(), &P);
        return P;
    }
    // Presses on the splitter at client (X, Y), moves through the given client X positions
    // and lets go at the last one.
    void Drag(int X, int Y, std::initializer_list<int> Through)
    {
        TestSupport::MoveTo(Screen(X, Y));
        ASSERT_TRUE(TestSupport::WaitProcessed());
        TestSupport::ButtonDown();
        ASSERT_TRUE(PumpUntil([&] { return GetCapture() == Form->GetHandle(); }, 10000, "the splitter's capture"));
        for (int To : Through) {
            TestSupport::MoveTo(Screen(To, Y)); // clamped to the screen
            ASSERT_TRUE(TestSupport::WaitProcessed());
        }
        TestSupport::ButtonUp();
    }
};

} // namespace

TEST(TSplitter, DragBySendInputResizesItsNeighbourAndStopsAtMinSize)
{
    TSplitForm F;
    F.Form->Show();
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    ASSERT_EQ(F.Left->GetWidth(), 150);
    ASSERT_EQ(F.Client->GetWidth(), 600 - 153);
    // What lies under the press point is the form itself: the splitter has no window.
    const POINT P = F.Screen(151, 100);
    EXPECT_EQ(WindowFromPoint(P), F.Form->GetHandle());

    F.Drag(151, 100, {161, 171, 191});
    ASSERT_TRUE(PumpUntil([&] { return F.Moved == 1; }, 10000, "OnMoved after the first drag"));
    EXPECT_EQ(F.Left->GetWidth(), 190);
    EXPECT_EQ(F.Client->GetWidth(), 600 - 153 - 40);
    EXPECT_EQ(F.Split->GetLeft(), 190);
    EXPECT_EQ(F.Client->GetLeft(), 193);
    PumpFor(200);
    EXPECT_EQ(F.Moved, 1);
    EXPECT_EQ(GetCapture(), nullptr);

    // Far to the left (the cursor stops at the screen's edge, 100 pixels left of the form):
    // the neighbour keeps MinSize.
    F.Drag(191, 100, {120, 0, -1000});
    ASSERT_TRUE(PumpUntil([&] { return F.Moved == 2; }, 10000, "OnMoved after the second drag"));
    EXPECT_EQ(F.Left->GetWidth(), F.Split->GetMinSize());
    EXPECT_EQ(F.Left->GetWidth(), 30);
    EXPECT_EQ(F.Client->GetWidth(), 600 - 30 - 3);
    PumpFor(200);
    EXPECT_EQ(F.Moved, 2);

    // A move with the button up is no drag.
    const POINT Q = F.Screen(31, 100);
    TestSupport::MoveTo(POINT{Q.x + 50, Q.y});
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_EQ(F.Left->GetWidth(), 30);
    EXPECT_EQ(F.Moved, 2);
}

TEST(TSplitter, OnCanResizeLimitsOrRefusesEachSizeOfADrag)
{
    TSplitForm F;
    std::vector<int> Asked;
    bool Refuse = false;
    // The owner keeps the neighbour between 120 and 170 pixels wide, or refuses every size.
    F.Split->OnCanResize = [&](TObject* Sender, int32_t& NewSize, bool& Accept) {
        EXPECT_EQ(Sender, F.Split);
        Asked.push_back(NewSize);
        NewSize = std::min(std::max(NewSize, 120), 170);
        Accept = !Refuse;
    };
    F.Form->Show();
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));

    F.Drag(151, 100, {171, 201, 251});
    ASSERT_TRUE(PumpUntil([&] { return F.Moved == 1; }, 10000, "OnMoved after the drag to the right"));
    ASSERT_FALSE(Asked.empty());
    EXPECT_EQ(Asked.back(), 250); // asked with the size the mouse gives, before the limit
    EXPECT_EQ(F.Left->GetWidth(), 170);
    EXPECT_EQ(F.Split->GetLeft(), 170);
    EXPECT_EQ(F.Client->GetLeft(), 173);

    F.Drag(171, 100, {141, 101, 61});
    ASSERT_TRUE(PumpUntil([&] { return F.Moved == 2; }, 10000, "OnMoved after the drag to the left"));
    EXPECT_EQ(F.Left->GetWidth(), 120);

    Refuse = true;
    Asked.clear();
    F.Drag(121, 100, {141, 161});
    ASSERT_TRUE(PumpUntil([&] { return !Asked.empty() && GetCapture() == nullptr; }, 10000, "the refused drag"));
    PumpFor(200);
    EXPECT_EQ(F.Left->GetWidth(), 120);
    EXPECT_EQ(F.Moved, 2); // nothing moved: no OnMoved
}
