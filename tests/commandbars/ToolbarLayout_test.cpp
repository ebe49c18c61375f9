// The toolbar's line layout over made-up control sizes, without windows: wrapping before the
// last group of an overflowing line, aligned controls, the one-line measure, the MDI buttons'
// place and the grab point scaled to a new size.
#include <gtest/gtest.h>

#include <vector>

#include <windows.h>

#include "commandbars/windows/cbToolbar.h"

namespace {

TcbLayoutItem Button(bool BeginGroup = false, int32_t Along = 23, int32_t Across = 22)
{
    TcbLayoutItem It;
    It.Along = Along;
    It.Across = Across;
    It.MinAlong = Along;
    It.BeginGroup = BeginGroup;
    return It;
}

std::vector<bool> Breaks(const std::vector<TcbLayoutItem>& Items)
{
    std::vector<bool> Result;
    for (const TcbLayoutItem& It : Items)
        Result.push_back(It.LineBreak);
    return Result;
}

} // namespace

TEST(ToolbarLayout, AnOverflowingLineBreaksBeforeItsLastGroupWhichMovesWholeAndLeavesItsLineAsTheGap)
{
    // 4 buttons | a group of 3: the third of the group does not fit, so the group goes.
    std::vector<TcbLayoutItem> Items{Button(), Button(), Button(), Button(), Button(true), Button(), Button()};
    int32_t Along = 0, Across = 0;
    cbCalcWrappedLines(Items, 5, 4 * 23 + 5 + 2 * 23, Along, Across);
    EXPECT_EQ(Breaks(Items), (std::vector<bool>{false, false, false, false, true, false, false}));
    EXPECT_EQ(Along, 4 * 23) << "the longest line";
    EXPECT_EQ(Across, 22 + 5 + 22) << "two lines with the group's gap between them";

    TcbLayoutParams P;
    P.Wrap = true;
    P.LineLength = P.FullLength = Along;
    P.GroupGap = 5;
    cbLayoutLine(Items, P);
    EXPECT_EQ(Items[4].Rect.left, 0);
    EXPECT_EQ(Items[4].Rect.top, 27);
    EXPECT_EQ(Items[6].Rect.left, 46);
    // The separator is a strip across the whole width between the lines.
    EXPECT_EQ(Items[4].SeparatorRect.top, 22);
    EXPECT_EQ(Items[4].SeparatorRect.bottom, 27);
    EXPECT_EQ(Items[4].SeparatorRect.right, Along);
    EXPECT_TRUE(Items[3].LastOfLine);
    EXPECT_TRUE(Items[6].LastOfLine);
    EXPECT_FALSE(Items[5].LastOfLine);
}

TEST(ToolbarLayout, ALineThatOverflowsWithoutAGroupBreaksThereAndEveryLaterGroupStartsALine)
{
    std::vector<TcbLayoutItem> Items{Button(), Button(), Button(), Button(), Button(true), Button()};
    int32_t Along = 0, Across = 0;
    cbCalcWrappedLines(Items, 5, 3 * 23, Along, Across);
    // Button 3 opens line 2; the group at 4 would still fit after it but must start line 3.
    EXPECT_EQ(Breaks(Items), (std::vector<bool>{false, false, false, true, true, false}));
    EXPECT_EQ(Across, 22 + 22 + 5 + 22);
}

TEST(ToolbarLayout, AWrappedLineIsCentredAcrossItsTallestControl)
{
    std::vector<TcbLayoutItem> Items{Button(false, 23, 22), Button(false, 60, 30)};
    TcbLayoutParams P;
    P.Wrap = true;
    P.LineLength = P.FullLength = 200;
    cbLayoutLine(Items, P);
    EXPECT_EQ(Items[0].Rect.top, 4);
    EXPECT_EQ(Items[1].Rect.top, 0);
}

TEST(ToolbarLayout, ARightAlignedControlEndsAtTheLineEndAndPushesTheRestOff)
{
    std::vector<TcbLayoutItem> Items{Button(), Button(), Button()};
    Items[1].Align = iaRight;
    TcbLayoutParams P;
    P.LineLength = P.FullLength = 200;
    const bool PushedOff = cbLayoutLine(Items, P);
    EXPECT_EQ(Items[1].Rect.right, 200);
    EXPECT_EQ(Items[1].Rect.left, 177);
    EXPECT_TRUE(IsRectEmpty(&Items[2].Rect)) << "nothing fits after it on a line that does not wrap";
    EXPECT_TRUE(PushedOff);

    // The last control aligned right pushes nothing off; a client-aligned one stretches.
    std::vector<TcbLayoutItem> Two{Button(), Button()};
    Two[1].Align = iaClient;
    Two[1].MinAlong = 40;
    EXPECT_FALSE(cbLayoutLine(Two, P));
    EXPECT_EQ(Two[1].Rect.left, 23);
    EXPECT_EQ(Two[1].Rect.right, 200);
    // Even with no room left the client control keeps its minimum.
    std::vector<TcbLayoutItem> Alone{Button(false, 10)};
    Alone[0].Align = iaClient;
    Alone[0].MinAlong = 40;
    P.LineLength = 30;
    cbLayoutLine(Alone, P);
    EXPECT_EQ(Alone[0].Rect.right - Alone[0].Rect.left, 40);
}

TEST(ToolbarLayout, ALineThatDoesNotWrapStopsAtTheFirstControlThatDoesNotFit)
{
    std::vector<TcbLayoutItem> Items{Button(), Button(), Button(true), Button()};
    TcbLayoutParams P;
    P.LineLength = P.FullLength = 2 * 23 + 5 + 22; // the third does not fit with its gap
    P.GroupGap = 5;
    cbLayoutLine(Items, P);
    EXPECT_FALSE(IsRectEmpty(&Items[1].Rect));
    EXPECT_TRUE(IsRectEmpty(&Items[2].Rect));
    EXPECT_TRUE(IsRectEmpty(&Items[3].Rect));
    EXPECT_TRUE(Items[1].LastOfLine);
    // Vertical: the same along y.
    P.Vertical = true;
    cbLayoutLine(Items, P);
    EXPECT_EQ(Items[1].Rect.top, 23);
    EXPECT_EQ(Items[1].Rect.left, 0);
    EXPECT_EQ(Items[1].Rect.right, 22);
}

TEST(ToolbarLayout, TheOneLineMeasureAlwaysTakesTheFirstControlAndFailsPastTheLimit)
{
    std::vector<TcbLayoutItem> Items{Button(false, 50, 22), Button(true), Button(false, 23, 30)};
    int32_t Along = 0, Across = 0;
    EXPECT_TRUE(cbMeasureOneLine(Items, 5, 10, Along, Across) == false);
    std::vector<TcbLayoutItem> One{Button(false, 50, 22)};
    EXPECT_TRUE(cbMeasureOneLine(One, 5, 10, Along, Across)) << "a single control fits any limit";
    EXPECT_EQ(Along, 50);
    EXPECT_TRUE(cbMeasureOneLine(Items, 5, 50 + 5 + 23 + 23, Along, Across));
    EXPECT_EQ(Along, 101);
    EXPECT_EQ(Across, 30);
}

TEST(ToolbarLayout, MDIButtonsSitAtTheLineEndWithTheCloseButtonTwoPixelsApart)
{
    TcbMDIButtonGeometry G;
    G.Mode = mbmThreeButtons;
    G.ButtonWidth = GetSystemMetrics(SM_CXMENUSIZE) - 2;
    G.ButtonHeight = GetSystemMetrics(SM_CYMENUSIZE) - 4;
    G.ClientWidth = 500;
    G.ClientHeight = 40;
    const int32_t Total = 3 * G.ButtonWidth + 2;
    EXPECT_EQ(cbMDIButtonsAlong(G), Total);
    for (int32_t I = 0; I < 2; ++I) {
        const TRect R = cbMDIButtonRect(G, I);
        EXPECT_EQ(R.left, 500 - Total + I * G.ButtonWidth) << I;
        EXPECT_EQ(R.right - R.left, G.ButtonWidth);
        EXPECT_EQ(R.top, (40 - G.ButtonHeight) / 2) << "centred on a bar that does not wrap";
    }
    EXPECT_EQ(cbMDIButtonRect(G, 2).left, 500 - Total + 2 * G.ButtonWidth + 2);
    EXPECT_EQ(cbMDIButtonRect(G, 2).right, 500);
    // A docked bar with a visible mark keeps the mark's room free.
    G.MarkReserved = true;
    EXPECT_EQ(cbMDIButtonRect(G, 2).right, 500 - kcbMarkSize);
    G.MarkReserved = false;
    // Close only: one button at the end, and no other index.
    G.Mode = mbmCloseOnly;
    EXPECT_EQ(cbMDIButtonRect(G, 2).left, 500 - G.ButtonWidth);
    EXPECT_TRUE(IsRectEmpty(&static_cast<const TRect&>(cbMDIButtonRect(G, 0))));
    // A wrapping bar puts them in the band at the far edge.
    G.Mode = mbmThreeButtons;
    G.Wrap = true;
    EXPECT_EQ(cbMDIButtonRect(G, 0).bottom, 40);
    // Out of range.
    EXPECT_TRUE(IsRectEmpty(&static_cast<const TRect&>(cbMDIButtonRect(G, 3))));
}

TEST(ToolbarLayout, TheGrabPointIsScaledToTheNewSizeWithRounding)
{
    EXPECT_EQ(cbScaleGrabPoint(30, 100, 10, 26, TSize{200, 52}).x, 60);
    EXPECT_EQ(cbScaleGrabPoint(30, 100, 10, 26, TSize{200, 52}).y, 20);
    // MulDiv rounds half away from zero: 7 x 10 / 4 = 17.5.
    EXPECT_EQ(cbScaleGrabPoint(7, 4, 0, 1, TSize{10, 1}).x, 18);
    // A zero old size keeps the offset instead of dividing by it.
    EXPECT_EQ(cbScaleGrabPoint(7, 0, 5, 0, TSize{10, 10}).x, 7);
    EXPECT_EQ(cbScaleGrabPoint(7, 0, 5, 0, TSize{10, 10}).y, 5);
}
