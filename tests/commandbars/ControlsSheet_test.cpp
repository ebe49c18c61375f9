// The sheet a person looks at: the test bar in its states, one row each (plain, hot, pressed,
// checked, editing, dropped down with its list), in the Flat style.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "commandbars/windows/cbItemControls.h"
#include "tests/commandbars/support/ControlsFixture.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::TControlsFixture;
using TestSupport::TShot;

namespace {

// Copies Part into Sheet at (X, Y), clipped.
void Paste(TShot& Sheet, const TShot& Part, int32_t X, int32_t Y)
{
    for (int32_t Row = 0; Row < Part.H && Y + Row < Sheet.H; ++Row)
        for (int32_t Col = 0; Col < Part.W && X + Col < Sheet.W; ++Col)
            Sheet.Pixels[static_cast<size_t>((Y + Row) * Sheet.W + X + Col)] = Part.At(Col, Row);
}

} // namespace

TEST(ControlsSheet, TheBarInItsStates)
{
    TControlsFixture F;
    F.E->SetText("text");
    const HWND Bar = F.Window->GetHandle();
    std::vector<TShot> Rows;
    Rows.push_back(TestSupport::CaptureShown(Bar));

    F.MoveTo(F.Window, F.CentreOf(F.A));
    Rows.push_back(TestSupport::CaptureShown(Bar));

    F.Press(F.Window, F.CentreOf(F.A));
    ASSERT_EQ(F.ControlOf(F.A), F.Window->GetPressedControl());
    Rows.push_back(TestSupport::CaptureShown(Bar));
    ReleaseCapture();
    F.Window->HideAll();

    F.B->SetDown(true);
    F.MoveTo(F.Window, F.CentreOf(F.C));
    SendMessageA(Bar, WM_MOUSELEAVE, 0, 0);
    Rows.push_back(TestSupport::CaptureShown(Bar));

    F.Click(F.E);
    auto* Edit = dynamic_cast<TcbBarEditControl*>(F.ControlOf(F.E));
    ASSERT_TRUE(Edit && Edit->IsEditing());
    SendMessageA(Edit->GetEditor(), WM_CHAR, '!', 1);
    Rows.push_back(TestSupport::CaptureShown(Bar));
    SendMessageA(Edit->GetEditor(), WM_KEYDOWN, VK_ESCAPE, 1);

    F.Click(F.K);
    auto* Combo = dynamic_cast<TcbBarComboControl*>(F.ControlOf(F.K));
    ASSERT_TRUE(Combo && Combo->IsEditing());
    SendMessageA(Combo->GetEditor(), WM_KEYDOWN, VK_F4, 1);
    SendMessageA(Combo->GetEditor(), WM_KEYDOWN, VK_DOWN, 1);
    const HWND List = F.K->GetDropDownWindow();
    ASSERT_TRUE(List && IsWindowVisible(List));
    const TShot Dropped = TestSupport::CaptureShown(Bar);
    const TShot ListShot = TestSupport::CaptureShown(List);
    RECT BarRect{}, ListRect{};
    GetWindowRect(Bar, &BarRect);
    GetWindowRect(List, &ListRect);
    SendMessageA(Combo->GetEditor(), WM_KEYDOWN, VK_ESCAPE, 1);

    const int32_t Gap = 6;
    int32_t Width = Dropped.W, Height = 0;
    for (const TShot& S : Rows) {
        Width = std::max(Width, S.W);
        Height += S.H + Gap;
    }
    const int32_t ListX = ListRect.left - BarRect.left, ListY = ListRect.top - BarRect.top;
    Width = std::max(Width, ListX + ListShot.W);
    Height += std::max(Dropped.H, ListY + ListShot.H);
    TShot Sheet;
    Sheet.W = Width + 2 * Gap;
    Sheet.H = Height + 2 * Gap;
    Sheet.Pixels.assign(static_cast<size_t>(Sheet.W * Sheet.H), 0xFFFFFF);
    int32_t Y = Gap;
    for (const TShot& S : Rows) {
        Paste(Sheet, S, Gap, Y);
        Y += S.H + Gap;
    }
    Paste(Sheet, Dropped, Gap, Y);
    Paste(Sheet, ListShot, Gap + ListX, Y + ListY);
    EXPECT_FALSE(TestSupport::SaveShot(Sheet, "cb-controls").empty());
    // The hot row differs from the plain one at A, the pressed row from the hot one.
    const TRect A = F.RectOf(F.A);
    EXPECT_NE(Rows[0].At(A.left + 1, A.top + 1), Rows[1].At(A.left + 1, A.top + 1));
    EXPECT_NE(Rows[1].At(A.left + 1, A.top + 1), Rows[2].At(A.left + 1, A.top + 1));
}
