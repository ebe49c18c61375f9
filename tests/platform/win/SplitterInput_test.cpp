// The splitter dragged by real mouse input: SendInput moves the system cursor and presses the
// button over the shown, foreground form, so the drag goes through the system's input routing,
// hit testing and mouse capture, not through messages posted to a known window.
#include <gtest/gtest.h>

#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpFor;
using TestSupport::PumpUntil;

namespace {

// Sends one absolute mouse event at a screen point (clamped to the screen by the system).
void MouseAt(int X, int Y, DWORD Buttons)
{
    const int SX = GetSystemMetrics(SM_CXSCREEN) - 1, SY = GetSystemMetrics(SM_CYSCREEN) - 1;
    X = X < 0 ? 0 : (X > SX ? SX : X);
    Y = Y < 0 ? 0 : (Y > SY ? SY : Y);
    INPUT I{};
    I.type = INPUT_MOUSE;
    I.mi.dx = (X * 65535 + SX / 2) / SX;
    I.mi.dy = (Y * 65535 + SY / 2) / SY;
    I.mi.dwFlags = Buttons | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    ASSERT_EQ(SendInput(1, &I, sizeof(INPUT)), 1u);
}

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
        const POINT Down = Screen(X, Y);
        MouseAt(Down.x, Down.y, 0);
        PumpFor(50);
        MouseAt(Down.x, Down.y, MOUSEEVENTF_LEFTDOWN);
        ASSERT_TRUE(PumpUntil([&] { return GetCapture() == Form->GetHandle(); }, 10000, "the splitter's capture"));
        int Last = X;
        for (int To : Through) {
            const POINT P = Screen(To, Y);
            MouseAt(P.x, P.y, 0);
            PumpFor(30);
            Last = To;
        }
        const POINT Up = Screen(Last, Y);
        MouseAt(Up.x, Up.y, MOUSEEVENTF_LEFTUP);
    }
};

} // namespace

TEST(TSplitter, DragBySendInputResizesItsNeighbourAndStopsAtMinSize)
{
    TSplitForm F;
    F.Form->Show();
    SetForegroundWindow(F.Form->GetHandle());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == F.Form->GetHandle(); }, 10000, "foreground"));
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
    MouseAt(Q.x + 50, Q.y, 0);
    PumpFor(200);
    EXPECT_EQ(F.Left->GetWidth(), 30);
    EXPECT_EQ(F.Moved, 2);
}
