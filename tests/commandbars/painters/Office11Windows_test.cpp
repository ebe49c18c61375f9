// The Office11 style on live windows, with the form in front and the real mouse: the dock sites'
// gradient and their cache, a docked toolbar's rounded frame, grip, separator and mark (hot and
// pressed under the mouse), hot, pressed, checked and open buttons, an open menu with its band,
// selected row, frame and expand button, a floating toolbar's rings and caption read from the
// screen, and the size grip handed to the XP painter where visual styles are on. Expected colours
// come from the colour set, which the painter tests recompute from the system colours; in the
// classic profile they are also held against the values the style is known by.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include <vssym32.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbSubMenu.h"
#include "commandbars/foundation/cbTheme.h"
#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/painters/cbPainterOffice11.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Actions.h"
#include "platform/win/Bitmap.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/support/FloatingFixture.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::BrushColor;
using CommandBarsTest::TFloatingFixture;
using CommandBarsTest::TMenuFixture;
using CommandBarsTest::TToolbarFixture;
using TestSupport::ExpectPixel;
using TestSupport::TShot;

namespace {

COLORREF Rgb(TColor C)
{
    return ColorToRGB(C);
}

COLORREF Cell(TcbOffice11Cell Which)
{
    return Rgb(Office11Colors()[Which]);
}

std::string Hex(COLORREF C)
{
    char Text[24];
    snprintf(Text, sizeof(Text), "(%d,%d,%d)", GetRValue(C), GetGValue(C), GetBValue(C));
    return Text;
}

bool Classic()
{
    return !AreThemesInUse();
}

// Each channel of C between those of A and B.
bool Within(COLORREF C, COLORREF A, COLORREF B)
{
    for (int Shift = 0; Shift < 24; Shift += 8) {
        const int V = (C >> Shift) & 0xFF, X = (A >> Shift) & 0xFF, Y = (B >> Shift) & 0xFF;
        if (V < std::min(X, Y) || V > std::max(X, Y))
            return false;
    }
    return true;
}

// Each channel of C between those of A and B, give or take Slack.
bool WithinBy(COLORREF C, COLORREF A, COLORREF B, int Slack)
{
    for (int Shift = 0; Shift < 24; Shift += 8) {
        const int V = (C >> Shift) & 0xFF, X = (A >> Shift) & 0xFF, Y = (B >> Shift) & 0xFF;
        if (V < std::min(X, Y) - Slack || V > std::max(X, Y) + Slack)
            return false;
    }
    return true;
}

// Each channel of C within 1 of the 50 % blend of A and B.
bool NearBlend(COLORREF C, COLORREF A, COLORREF B)
{
    for (int Shift = 0; Shift < 24; Shift += 8) {
        const int Half = ((A >> Shift & 0xFF) + (B >> Shift & 0xFF)) / 2;
        if (std::abs(static_cast<int>(C >> Shift & 0xFF) - Half) > 1)
            return false;
    }
    return true;
}

// How far C is from Target, summed over the channels.
int Distance(COLORREF C, COLORREF Target)
{
    int Sum = 0;
    for (int Shift = 0; Shift < 24; Shift += 8)
        Sum += std::abs(static_cast<int>(C >> Shift & 0xFF) - static_cast<int>(Target >> Shift & 0xFF));
    return Sum;
}

// A shot's pixel as a COLORREF (shots hold 0xRRGGBB).
COLORREF Px(const TShot& S, int32_t X, int32_t Y)
{
    const uint32_t P = S.At(X, Y);
    return RGB((P >> 16) & 0xFF, (P >> 8) & 0xFF, P & 0xFF);
}

size_t CountIn(const TShot& S, const TRect& R, COLORREF Colour)
{
    size_t N = 0;
    for (int32_t Y = std::max<int32_t>(R.top, 0); Y < std::min<int32_t>(R.bottom, S.H); ++Y)
        for (int32_t X = std::max<int32_t>(R.left, 0); X < std::min<int32_t>(R.right, S.W); ++X)
            N += Px(S, X, Y) == Colour;
    return N;
}

// Serves the messages and paints that the last change brought.
void Settle()
{
    PumpPosted("the change's messages handled");
    TestSupport::PumpUntil([] { return HIWORD(GetQueueStatus(QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE)) == 0; },
                           5000, "the thread's queue to run dry");
}

// The toolbar scene in the Office11 style; "Standard" starts 30 pixels into its row, so the top
// site shows itself left of it.
struct TScene : TToolbarFixture {
    TScene() : TToolbarFixture(false)
    {
        Manager->SetStyle(bmsOffice11);
        Standard->SetDockedLeft(30);
        ShowBars();
        Settle();
    }
    // The top site's own picture at a point of a bar window (window coordinates), read from the
    // site's cached background, which is what the site paints.
    COLORREF DockUnder(TcbBar* Bar, int32_t X, int32_t Y) const
    {
        TcbDockControl* Site = this->Site(Bar->GetDockingStyle());
        TBitmap* Cache = Site ? Site->GetBackgroundCache() : nullptr;
        if (!Cache || Cache->GetEmpty())
            return CLR_INVALID;
        const TRect P = PlaceOf(Bar);
        return GetPixel(Cache->GetCanvas()->GetHandle(), P.left + X, P.top + Y);
    }
    void Redraw(TcbBar* Bar)
    {
        RedrawWindow(WindowOf(Bar)->GetHandle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Settle();
    }
};

POINT ScreenCentre(TCustomcbBarControl* Window, const TRect& ClientRect)
{
    POINT P{(ClientRect.left + ClientRect.right) / 2, (ClientRect.top + ClientRect.bottom) / 2};
    ClientToScreen(Window->GetHandle(), &P);
    return P;
}

TcbBarItemControl* ControlOf(TcbBar* Bar, TcbBarItem* Item)
{
    TcbBarItemLinks* Links = Bar->GetItemLinks();
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        if (Links->GetItem(I)->GetItem() == Item)
            return Links->GetItem(I)->GetControl();
    return nullptr;
}

void MouseAway(TForm& Form)
{
    TestSupport::MoveTo(POINT{Form.GetLeft() + 500, Form.GetTop() + 400});
    TestSupport::WaitProcessed();
}

// The mark area's glyph pixels: the arrow's bar in the glyph colour with the highlight one pixel
// right and below where the glyph does not cover it. Arrow is the bar's left end, in window
// coordinates.
void ExpectArrow(const TShot& S, POINT Arrow, const std::string& What)
{
    const COLORREF Ink = Rgb(Office11Colors().MarkGlyph), Light = Rgb(Office11Colors().MarkGlyphHighlight);
    for (int32_t X = Arrow.x; X <= Arrow.x + 4; ++X) {
        ExpectPixel(S, X, Arrow.y, Ink, What + ": the arrow's bar");
        ExpectPixel(S, X + 1, Arrow.y + 1, Light, What + ": the arrow bar's highlight");
    }
}

// The chevrons' first stroke in the glyph colour, its highlight one pixel right and down, and the
// second chevron 4 pixels on.
void ExpectChevrons(const TShot& S, POINT At, const std::string& What)
{
    const COLORREF Ink = Rgb(Office11Colors().MarkGlyph), Light = Rgb(Office11Colors().MarkGlyphHighlight);
    ExpectPixel(S, At.x, At.y, Ink, What + ": the first chevron's tip");
    ExpectPixel(S, At.x + 1, At.y + 1, Ink, What + ": the first chevron's point");
    ExpectPixel(S, At.x + 4, At.y, Ink, What + ": the second chevron");
    ExpectPixel(S, At.x + 1, At.y + 3, Light, What + ": the chevron's highlight");
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Dock sites

TEST(Office11Windows, DockSitesRunTheGradientAndFillTheirCacheOncePerSizeAndStyle)
{
    TScene F;
    TcbDockControl* Top = F.Site(dsTop);
    ASSERT_NE(Top, nullptr);
    const COLORREF Start = Cell(occDockGradientStart), End = Cell(occDockGradientEnd);
    if (Classic()) {
        EXPECT_EQ(Hex(Start), Hex(RGB(212, 208, 200)));
        EXPECT_EQ(Hex(End), Hex(RGB(246, 246, 244)));
    } else {
        // The default prefix's face colours, with themes on: the dock keeps the Office11 gradient.
        EXPECT_EQ(Hex(Start), Hex(RGB(245, 245, 245)));
        EXPECT_EQ(Hex(End), Hex(RGB(253, 253, 253)));
    }
    const TRect Standard = F.PlaceOf(F.Standard), Tools = F.PlaceOf(F.Tools);
    ASSERT_GE(Standard.left, 20) << "the site shows before Standard";
    const TShot Shot = TestSupport::CaptureShown(Top->GetHandle());
    ASSERT_GT(Shot.W, Tools.right + 20);
    const int32_t Y = (Standard.top + Standard.bottom) / 2;
    ExpectPixel(Shot, 0, Y, Start, "the top site's column 0");
    ExpectPixel(Shot, Shot.W - 1, Y, End, "the top site's last column");
    // From Tools to the end the colours move from the start towards the end, column by column
    // (the gradient fill dithers a channel by a few steps).
    int Previous = Distance(Px(Shot, Tools.right, Y), End);
    for (int32_t X = Tools.right; X < Shot.W; ++X) {
        const COLORREF C = Px(Shot, X, Y);
        ASSERT_TRUE(WithinBy(C, Start, End, 3)) << "column " << X << " " << Hex(C);
        ASSERT_LE(Distance(C, End), Previous + 3) << "column " << X;
        Previous = Distance(C, End);
        EXPECT_EQ(Px(Shot, X, Standard.top), C) << "one colour down column " << X;
    }
    EXPECT_NE(Px(Shot, (Tools.right + Shot.W) / 2, Y), Start);
    EXPECT_NE(Px(Shot, (Tools.right + Shot.W) / 2, Y), End);

    // Emptied, the cache is filled by the next paint only: two paints, one fill.
    Top->ResetBackgroundCache();
    const int32_t Before = Office11DockCacheFills();
    RedrawWindow(Top->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RedrawWindow(Top->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle();
    EXPECT_EQ(Office11DockCacheFills(), Before + 1);
    ASSERT_FALSE(Top->GetBackgroundCache()->GetEmpty());

    // A resize fills it again, at the new width.
    const int32_t Resized = Office11DockCacheFills();
    F.SetClientWidth(640);
    Settle();
    EXPECT_EQ(Top->GetBackgroundCache()->GetWidth(), Top->GetClientWidth());
    EXPECT_EQ(Top->GetClientWidth(), 640);
    EXPECT_GT(Office11DockCacheFills(), Resized);
    const TShot Narrow = TestSupport::CaptureShown(Top->GetHandle());
    ExpectPixel(Narrow, Narrow.W - 1, Y, End, "the last column after the resize");

    // Another style empties it; back in the Office11 style it is filled again.
    F.Manager->SetStyle(bmsFlat);
    Settle();
    EXPECT_TRUE(Top->GetBackgroundCache()->GetEmpty()) << "the Flat style leaves the cache empty";
    const int32_t Flat = Office11DockCacheFills();
    F.Manager->SetStyle(bmsOffice11);
    Settle();
    EXPECT_GT(Office11DockCacheFills(), Flat);
    EXPECT_FALSE(Top->GetBackgroundCache()->GetEmpty());
    const TShot Again = TestSupport::CaptureShown(Top->GetHandle());
    ExpectPixel(Again, 0, Y, Start, "column 0 after the style came back");

    // The side sites continue the top site's ends: left solid start, right solid end.
    for (TcbBarDockingStyle Side : {dsLeft, dsRight}) {
        F.Tools->SetDockingStyle(Side);
        Settle();
        TcbDockControl* Site = F.Site(Side);
        ASSERT_NE(Site, nullptr);
        const TRect Bar = F.PlaceOf(F.Tools);
        const TShot S = TestSupport::CaptureShown(Site->GetHandle());
        ASSERT_GT(S.H, Bar.bottom + 10) << "the site shows below the bar";
        const TRect Below{0, Bar.bottom, S.W, S.H};
        const COLORREF Solid = Side == dsLeft ? Start : End;
        ExpectPixel(S, S.W / 2, (Bar.bottom + S.H) / 2, Solid, "the side site below the bar");
        size_t Off = 0;
        for (int32_t Y = Below.top; Y < Below.bottom; ++Y)
            for (int32_t X = Below.left; X < Below.right; ++X)
                Off += Px(S, X, Y) != Px(S, S.W / 2, (Bar.bottom + S.H) / 2);
        EXPECT_EQ(Off, 0u) << "one colour all over, side " << Side;
    }
}

// ---------------------------------------------------------------------------------------------
// Docked toolbars

TEST(Office11Windows, ABorderedToolbarShowsItsSiteAtTheRoundedCornersWithGripDotsAndTwoLineSeparators)
{
    TScene F;
    F.Standard->SetShowMark(false);
    Settle();
    TcbBarControl* W = F.WindowOf(F.Standard);
    ASSERT_FALSE(W->IsMarkVisible());
    const TShot S = TestSupport::CaptureShown(W->GetHandle());
    const int32_t Wd = S.W, H = S.H;
    ASSERT_GT(Wd, 40);
    ASSERT_GT(H, 16);
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X : {0, 1})
            ExpectPixel(S, X, Y, F.DockUnder(F.Standard, X, Y), "the site at the leading columns");
    for (int32_t X = 2; X < Wd; ++X)
        ExpectPixel(S, X, 0, F.DockUnder(F.Standard, X, 0), "the site along row 0");
    for (const POINT P : {POINT{2, 1}, POINT{Wd - 1, 1}, POINT{2, H - 1}, POINT{Wd - 1, H - 1}})
        ExpectPixel(S, P.x, P.y, F.DockUnder(F.Standard, P.x, P.y), "an outer corner shows the site");
    const COLORREF Border = Cell(occToolbarBorder);
    for (int32_t X = 4; X <= Wd - 3; ++X)
        ExpectPixel(S, X, H - 1, Border, "the bottom line");
    const COLORREF BarStart = Cell(occToolbarGradientStart), BarEnd = Cell(occToolbarGradientEnd);

    // The grip: 2 x 2 dots every 4 rows in columns 5 and 6, each with its highlight, the first
    // cell moved along the run by its remainder (halved above 1).
    const COLORREF Dot = Cell(occGripDot), Light = Cell(occGripDotHighlight);
    const int32_t Run = H - 10, Rest = Run % 4;
    const int32_t First = 5 + (Rest > 1 ? Rest / 2 : Rest);
    int32_t Cells = 0;
    for (int32_t Top = First; Top + 4 <= H - 5; Top += 4, ++Cells) {
        for (const POINT P : {POINT{5, Top}, POINT{6, Top}, POINT{5, Top + 1}, POINT{6, Top + 1}})
            ExpectPixel(S, P.x, P.y, Dot, "a grip dot");
        for (const POINT P : {POINT{7, Top + 1}, POINT{7, Top + 2}, POINT{6, Top + 2}})
            ExpectPixel(S, P.x, P.y, Light, "a grip dot's highlight");
    }
    EXPECT_GE(Cells, 3);
    EXPECT_EQ(CountIn(S, TRect{0, 0, 12, H}, Dot), static_cast<size_t>(4 * Cells)) << "nothing else in the grip";
    if (Classic()) {
        EXPECT_EQ(Hex(Border), Hex(RGB(218, 215, 208)));
        EXPECT_EQ(Hex(Dot), Hex(RGB(158, 158, 158)));
        EXPECT_EQ(Hex(Light), Hex(RGB(255, 255, 255)));
        EXPECT_EQ(Hex(BarStart), Hex(RGB(246, 245, 243)));
        EXPECT_EQ(Hex(BarEnd), Hex(RGB(214, 210, 202)));
    }

    // The group line before the fifth button: separator colour in its third column, highlight in
    // its fourth, one row lower and one longer.
    TcbBarItemLink* Fifth = F.Standard->GetItemLinks()->GetItem(4);
    ASSERT_TRUE(Fifth->GetBeginGroup());
    const TRect Button = Fifth->GetItemRect(), Whole = Fifth->GetItemRectWithBeginGroup();
    ASSERT_LT(Whole.left, Button.left);
    const TPoint O = W->GetClientOffset();
    const int32_t SX = O.x + Whole.left, STop = O.y + Button.top, SBottom = O.y + Button.bottom;
    const COLORREF Line = Cell(occSeparator), LineLight = Cell(occSeparatorHighlight);
    for (int32_t Y = STop; Y < SBottom; ++Y) {
        EXPECT_EQ(Px(S, SX + 2, Y) == Line, Y >= STop + 3 && Y <= SBottom - 4) << "separator row " << Y;
        EXPECT_EQ(Px(S, SX + 3, Y) == LineLight, Y >= STop + 4 && Y <= SBottom - 3) << "highlight row " << Y;
    }
    if (Classic()) {
        EXPECT_EQ(Hex(Line), Hex(RGB(167, 167, 167)));
    }

    // A bar that cannot move has no grip.
    // The styles are a plain setting that asks for no drawing: the next full paint shows it.
    F.Standard->SetNotDocking(TcbBarDockingStyles{dsNone, dsLeft, dsTop, dsRight, dsBottom});
    F.Redraw(F.Standard);
    ASSERT_FALSE(F.Standard->CanMove());
    const TShot Fixed = TestSupport::CaptureShown(F.WindowOf(F.Standard)->GetHandle());
    EXPECT_EQ(CountIn(Fixed, TRect{0, 0, 12, Fixed.H}, Dot), 0u) << "no grip";

    // Docked on the left the dots run in a row, across the top.
    F.Standard->SetNotDocking(TcbBarDockingStyles{});
    F.Standard->SetDockingStyle(dsLeft);
    Settle();
    TcbBarControl* V = F.WindowOf(F.Standard);
    ASSERT_TRUE(V->IsVerticallyDocked());
    const TShot VS = TestSupport::CaptureShown(V->GetHandle());
    const size_t Dots = VS.CountOf(Dot);
    EXPECT_GE(Dots, 12u);
    EXPECT_EQ(CountIn(VS, TRect{0, 5, VS.W, 7}, Dot), Dots) << "every dot in rows 5 and 6";
    ExpectPixel(VS, VS.W / 2, 0, F.DockUnder(F.Standard, VS.W / 2, 0), "the leading strip shows the site");
    ExpectPixel(VS, VS.W - 1, VS.H / 2, Border, "the trailing right line");
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(F.Form->GetHandle()), "office11-vertical");
}

// The bar's own gradient down the frame's leading column and in its inner corners.
TEST(Office11Windows, TheBorderedToolbarsLeadingColumnAndInnerCornersShowItsOwnGradient)
{
    TScene F;
    F.Standard->SetShowMark(false);
    Settle();
    const TShot S = TestSupport::CaptureShown(F.WindowOf(F.Standard)->GetHandle());
    const COLORREF BarStart = Cell(occToolbarGradientStart), BarEnd = Cell(occToolbarGradientEnd);
    for (int32_t Y = 3; Y <= S.H - 4; ++Y)
        EXPECT_TRUE(Within(Px(S, 2, Y), BarStart, BarEnd)) << "leading column at row " << Y << " " << Hex(Px(S, 2, Y));
    // The inner leading corners blend the site at their column with the bar's row 2.
    const COLORREF Row2 = Px(S, 4, 2);
    EXPECT_TRUE(Within(Row2, BarStart, BarEnd)) << Hex(Row2);
    for (const POINT P : {POINT{2, 2}, POINT{3, 1}})
        EXPECT_TRUE(NearBlend(Px(S, P.x, P.y), F.DockUnder(F.Standard, P.x, P.y), Row2))
            << P.x << "," << P.y << " is " << Hex(Px(S, P.x, P.y)) << " between " << Hex(F.DockUnder(F.Standard, P.x, P.y))
            << " and " << Hex(Row2);
}

TEST(Office11Windows, TheMarkShadesItsAreaDrawsItsArrowAndShowsChevronsOnlyForHiddenItems)
{
    TScene F;
    TcbBarControl* W = F.WindowOf(F.Standard);
    ASSERT_TRUE(W->IsMarkVisible());
    ASSERT_FALSE(W->HasItemsPushedOff());
    TShot S = TestSupport::CaptureShown(W->GetHandle());
    const COLORREF MarkStart = Cell(occMarkGradientStartNormal), MarkEnd = Cell(occMarkGradientEndNormal);
    if (Classic()) {
        EXPECT_EQ(Hex(MarkStart), Hex(RGB(161, 161, 161)));
        EXPECT_EQ(Hex(MarkEnd), Hex(RGB(128, 128, 128)));
    }
    ExpectPixel(S, S.W - 6, 1, MarkStart, "the mark's top row");
    ExpectPixel(S, S.W - 8, S.H - 1, MarkEnd, "the mark's bottom row");
    EXPECT_TRUE(Within(Px(S, S.W - 1, S.H / 2), MarkStart, MarkEnd)) << "the trailing block shades";
    TRect Mark{};
    Office11Painter()->CalcMarkRect(W, Mark);
    const TPoint O = W->GetClientOffset();
    OffsetRect(&Mark, O.x, O.y);
    ExpectArrow(S, POINT{Mark.right - 6, Mark.bottom - 8}, "all items shown");
    const COLORREF Ink = Rgb(Office11Colors().MarkGlyph);
    EXPECT_EQ(CountIn(S, TRect{Mark.left, Mark.top, Mark.right, Mark.top + 8}, Ink), 0u) << "no chevrons";

    // Narrowed until items are hidden: the chevrons.
    F.SetClientWidth(150);
    Settle();
    W = F.WindowOf(F.Standard);
    ASSERT_TRUE(W->HasItemsPushedOff());
    S = TestSupport::CaptureShown(W->GetHandle());
    Office11Painter()->CalcMarkRect(W, Mark);
    OffsetRect(&Mark, O.x, O.y);
    ExpectArrow(S, POINT{Mark.right - 6, Mark.bottom - 8}, "items hidden");
    ExpectChevrons(S, POINT{Mark.right - 7, Mark.top + 3}, "items hidden");
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(F.Form->GetHandle()), "office11-narrow");

    // Borderless, and the main menu bar: both shapes 2 pixels earlier and 1 higher, on the
    // plain gradient.
    F.Standard->SetBorderStyle(bbsNone);
    Settle();
    W = F.WindowOf(F.Standard);
    ASSERT_TRUE(W->HasItemsPushedOff());
    S = TestSupport::CaptureShown(W->GetHandle());
    const TPoint BO = W->GetClientOffset();
    Office11Painter()->CalcMarkRect(W, Mark);
    OffsetRect(&Mark, BO.x, BO.y);
    ExpectArrow(S, POINT{Mark.right - 8, Mark.bottom - 9}, "borderless");
    ExpectChevrons(S, POINT{Mark.right - 9, Mark.top + 2}, "borderless");
    ExpectPixel(S, Mark.left + 1, Mark.top, MarkStart, "the borderless mark's first row");
    ExpectPixel(S, Mark.left + 1, Mark.bottom - 1, MarkEnd, "the borderless mark's last row");
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(F.Form->GetHandle()), "office11-borderless");

}

TEST(Office11Windows, TheMarkTakesTheHotAndPressedGradientsUnderTheMouse)
{
    TScene F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    int Opened = 0;
    cbExtensions().OpenQuickControl = [&Opened](TCustomcbBarControl*) { ++Opened; };
    TScopeExit Restore([] { cbExtensions().OpenQuickControl = nullptr; });
    TcbBarControl* W = F.WindowOf(F.Standard);
    const TRect Mark = Office11Painter()->GetMarkRect(W);
    ASSERT_FALSE(IsRectEmpty(&Mark));
    TestSupport::MoveTo(ScreenCentre(W, Mark));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return W->GetMarkState() == bstHot; }, 5000, "a hot mark"));
    const TShot Hot = TestSupport::CaptureShown(W->GetHandle());
    ExpectPixel(Hot, Hot.W - 6, 1, Cell(occMarkGradientStartHot), "the hot mark's top row");
    ExpectPixel(Hot, Hot.W - 8, Hot.H - 1, Cell(occMarkGradientEndHot), "the hot mark's bottom row");
    EXPECT_NE(Cell(occMarkGradientStartHot), Cell(occMarkGradientStartNormal));
    TestSupport::SaveShot(Hot, "office11-mark-hot");

    TestSupport::ButtonDown();
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return W->GetMarkState() == bstPressed; }, 5000, "a pressed mark"));
    EXPECT_EQ(Opened, 1);
    const TShot Pressed = TestSupport::CaptureShown(W->GetHandle());
    ExpectPixel(Pressed, Pressed.W - 6, 1, Cell(occMarkGradientStartPressed), "the pressed mark's top row");
    ExpectPixel(Pressed, Pressed.W - 8, Pressed.H - 1, Cell(occMarkGradientEndPressed),
                "the pressed mark's bottom row");
    EXPECT_NE(Cell(occMarkGradientStartPressed), Cell(occMarkGradientStartHot));
    TestSupport::SaveShot(Pressed, "office11-mark-pressed");
    W->SetMarkState(bstNormal);
    MouseAway(*F.Form);
}

// ---------------------------------------------------------------------------------------------
// Items

TEST(Office11Windows, HotPressedAndCheckedButtonsAreFramedOverTheirStateColours)
{
    TScene F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TcbBarControl* W = F.WindowOf(F.Standard);
    const TPoint O = W->GetClientOffset();
    const COLORREF Frame = Cell(occSelectedFrame);
    if (Classic()) {
        EXPECT_EQ(Hex(Frame), Hex(RGB(10, 36, 106)));
        EXPECT_EQ(Hex(Cell(occHotItemGradientStart)), Hex(RGB(183, 191, 212)));
        EXPECT_EQ(Hex(Cell(occPressedItemGradientStart)), Hex(RGB(136, 147, 177)));
    }
    auto ExpectFramed = [&](const TShot& S, TRect R, COLORREF Top, COLORREF Bottom, const std::string& What) {
        OffsetRect(&R, O.x, O.y);
        const int32_t MX = R.left + 2, MY = (R.top + R.bottom) / 2;
        ExpectPixel(S, MX, R.top, Frame, What + ": the frame's top");
        ExpectPixel(S, R.left, MY, Frame, What + ": the frame's left");
        ExpectPixel(S, R.right - 1, MY, Frame, What + ": the frame's right");
        ExpectPixel(S, MX, R.bottom - 1, Frame, What + ": the frame's bottom");
        ExpectPixel(S, R.left + 1, R.top + 1, Top, What + ": the fill's first row");
        ExpectPixel(S, R.right - 2, R.bottom - 2, Bottom, What + ": the fill's last row");
    };

    // Hot under the mouse, then pressed while the button is held.
    TcbBarItemControl* Second = ControlOf(F.Standard, F.StandardButtons[1]);
    ASSERT_NE(Second, nullptr);
    const TRect R = Second->GetItemRect();
    TestSupport::MoveTo(ScreenCentre(W, R));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return W->GetSelectedControl() == Second; }, 5000, "a hot button"));
    ExpectFramed(TestSupport::CaptureShown(W->GetHandle()), R, Cell(occHotItemGradientStart),
                 Cell(occHotItemGradientEnd), "hot");
    TestSupport::ButtonDown();
    TestSupport::WaitProcessed();
    // Pressed and hot: the pressed gradient runs from its end to its start.
    ExpectFramed(TestSupport::CaptureShown(W->GetHandle()), R, Cell(occPressedItemGradientEnd),
                 Cell(occPressedItemGradientStart), "pressed");
    TestSupport::ButtonUp();
    MouseAway(*F.Form);

    // Checked, not hot.
    TcbBarButton* Third = F.StandardButtons[2];
    static_cast<TAction*>(Third->GetAction())->SetChecked(true);
    Third->SetButtonStyle(bsChecked);
    Third->SetDown(true);
    Settle();
    TcbBarItemControl* Checked = ControlOf(F.Standard, Third);
    ASSERT_NE(Checked, nullptr);
    ASSERT_NE(W->GetSelectedControl(), Checked);
    ExpectFramed(TestSupport::CaptureShown(W->GetHandle()), Checked->GetItemRect(), Cell(occPressedItemGradientStart),
                 Cell(occPressedItemGradientEnd), "checked");

}

// Items are transparent in this style: what shows around a button's glyph and behind a
// caption is the bar's own background (the toolbar gradient of that row, the dock site under
// the main menu bar, the status bar's background), never the flat brush the item hands over;
// a hot caption button keeps its own selected colour.
TEST(Office11Windows, ItemsShowTheBarsOwnBackgroundAroundGlyphsAndBehindCaptions)
{
    TScene F;
    MouseAway(*F.Form);
    Settle();
    const COLORREF BarStart = Cell(occToolbarGradientStart), BarEnd = Cell(occToolbarGradientEnd);
    const COLORREF Flat = BrushColor(Office11Painter()->GetBarBrush(F.Manager));

    // A plain glyph button on the bordered toolbar: its margins left and right of the glyph are
    // the gradient of their row, the same colour as the frame's leading column in that row.
    F.Standard->SetShowMark(false);
    Settle();
    TcbBarControl* W = F.WindowOf(F.Standard);
    ASSERT_EQ(W->GetSelectedControl(), nullptr);
    const TShot S = TestSupport::CaptureShown(W->GetHandle());
    const TPoint O = W->GetClientOffset();
    for (TcbBarButton* Button : {F.StandardButtons[0], F.StandardButtons[5]}) {
        TcbBarItemControl* Control = ControlOf(F.Standard, Button);
        ASSERT_NE(Control, nullptr);
        TRect R = Control->GetItemRect();
        OffsetRect(&R, O.x, O.y);
        int32_t Rows = 0;
        for (int32_t Y = std::max<int32_t>(R.top, 3); Y < std::min<int32_t>(R.bottom, S.H - 3); ++Y, ++Rows)
            for (const int32_t X : {R.left + 1, R.right - 2}) {
                const COLORREF P = Px(S, X, Y);
                EXPECT_TRUE(Within(P, BarStart, BarEnd)) << "button margin (" << X << "," << Y << ") " << Hex(P);
                EXPECT_EQ(Hex(P), Hex(Px(S, 2, Y))) << "button margin (" << X << "," << Y << ") against the bar's row";
            }
        EXPECT_GE(Rows, 10);
        EXPECT_EQ(CountIn(S, R, Flat), 0u) << "no pixel of the flat brush on a button";
    }
    EXPECT_NE(Hex(Flat), Hex(BarStart)) << "the flat brush would show";

    // The titles of the main menu bar stand on the dock site's gradient.
    TcbBarControl* Menu = F.WindowOf(F.MainMenu);
    const TShot M = TestSupport::CaptureShown(Menu->GetHandle());
    const TPoint MO = Menu->GetClientOffset();
    TcbBarItemControl* File = ControlOf(F.MainMenu, F.Menus[0]);
    ASSERT_NE(File, nullptr);
    TRect FR = File->GetItemRect();
    OffsetRect(&FR, MO.x, MO.y);
    for (const POINT P : {POINT{FR.left + 1, FR.top + 1}, POINT{FR.right - 2, FR.bottom - 2},
                          POINT{FR.right - 2, (FR.top + FR.bottom) / 2}})
        ExpectPixel(M, P.x, P.y, F.DockUnder(F.MainMenu, P.x, P.y), "a main menu title over the site");

    // The status bar's caption button shows the status bar's background of its row; hot, its
    // own selected colour.
    TcbBarControl* Status = F.WindowOf(F.Status);
    TcbBarItemControl* Caption = ControlOf(F.Status, F.StatusButton);
    ASSERT_NE(Caption, nullptr);
    const TPoint SO = Status->GetClientOffset();
    TRect CR = Caption->GetItemRect();
    OffsetRect(&CR, SO.x, SO.y);
    const TShot Plain = TestSupport::CaptureShown(Status->GetHandle());
    ASSERT_LT(CR.right + 4, Plain.W);
    for (int32_t Y = CR.top + 1; Y < CR.bottom - 1; Y += 3)
        EXPECT_EQ(Hex(Px(Plain, CR.left + 1, Y)), Hex(Px(Plain, CR.right + 3, Y))) << "status row " << Y;
    Status->SelectControlByKeyboard(Caption);
    TScopeExit Unselect([Status] { Status->SelectControlByKeyboard(nullptr); });
    ASSERT_TRUE(Caption->IsSelected());
    const TShot Hot = TestSupport::CaptureShown(Status->GetHandle());
    ExpectPixel(Hot, CR.left + 1, (CR.top + CR.bottom) / 2, BrushColor(Status->GetSelectedItemBrush()),
                "a hot caption button keeps its selected colour");
}

// A menu row's glyph stands on the band: the glyph square's margins have the band's colour of
// their column, as a row without a glyph has there, not the menu's white.
TEST(Office11Windows, AMenuRowsGlyphStandsOnTheBand)
{
    TMenuFixture F;
    F.Manager->SetStyle(bmsOffice11);
    F.New->SetImageIndex(0);
    Settle();
    TcbBarSubMenuControl* Menu = F.OpenByMessage(F.File);
    ASSERT_NE(Menu, nullptr);
    TScopeExit Close([&F] { F.CloseMenus(); });
    ASSERT_EQ(Menu->GetSelectedControl(), nullptr);
    const TShot S = TestSupport::CaptureShown(Menu->GetHandle());
    const POINT C = TestSupport::ClientOrigin(Menu->GetHandle());
    const TRect New = TMenuFixture::ControlOf(Menu, F.New)->GetItemRect();
    const TRect Save = TMenuFixture::ControlOf(Menu, F.Save)->GetItemRect();
    const TRect Square = Rect(New.left + 1, New.top + 1, New.left + New.bottom - New.top - 1, New.bottom - 1);
    const COLORREF BandStart = Rgb(Office11Colors().MenuBandGradientStart);
    const COLORREF BandEnd = Rgb(Office11Colors().MenuBandGradientEnd);
    const COLORREF White = Cell(occMenuBackground);
    ASSERT_LE(Square.right, Menu->GetLeftBandWidth());
    const int32_t SaveY = C.y + (Save.top + Save.bottom) / 2;
    // The square's ring lies outside the 16 x 16 glyph centred in it.
    ASSERT_GE(Square.right - Square.left, 18);
    std::vector<POINT> Ring;
    for (int32_t X = Square.left; X < Square.right; ++X)
        Ring.insert(Ring.end(), {POINT{X, Square.top}, POINT{X, Square.bottom - 1}});
    for (int32_t Y = Square.top; Y < Square.bottom; ++Y)
        Ring.insert(Ring.end(), {POINT{Square.left, Y}, POINT{Square.right - 1, Y}});
    for (const POINT Q : Ring) {
        const COLORREF P = Px(S, C.x + Q.x, C.y + Q.y);
        EXPECT_NE(Hex(P), Hex(White)) << "glyph square (" << Q.x << "," << Q.y << ")";
        EXPECT_TRUE(Within(P, BandStart, BandEnd)) << "glyph square (" << Q.x << "," << Q.y << ") " << Hex(P);
        EXPECT_EQ(Hex(P), Hex(Px(S, C.x + Q.x, SaveY))) << "glyph square column " << Q.x << " against a plain row";
    }
    // The glyph itself is drawn.
    EXPECT_EQ(CountIn(S, Rect(C.x + Square.left, C.y + Square.top, C.x + Square.right, C.y + Square.bottom),
                      Px(S, C.x + (Square.left + Square.right) / 2, C.y + (Square.top + Square.bottom) / 2)),
              256u)
        << "a 16 x 16 glyph of one colour";
}

// A main menu bar cut off from its dock site paints its titles with the bar's own brush: the
// painter's background asks the bar again for the piece, which the bar then fills plainly
// instead of asking the painter once more without end.
TEST(Office11Windows, AMainMenuBarCutOffFromItsSitePaintsPlainlyInsteadOfLooping)
{
    TScene F;
    TcbBarControl* Menu = F.WindowOf(F.MainMenu);
    TcbDockControl* Site = F.Site(dsTop);
    ASSERT_EQ(GetParent(Menu->GetHandle()), Site->GetHandle());
    SetParent(Menu->GetHandle(), F.Form->GetHandle());
    TScopeExit Back([&] { SetParent(Menu->GetHandle(), Site->GetHandle()); });
    const TShot S = TestSupport::CaptureShown(Menu->GetHandle());
    TcbBarItemControl* File = ControlOf(F.MainMenu, F.Menus[0]);
    ASSERT_NE(File, nullptr);
    TRect R = File->GetItemRect();
    const TPoint O = Menu->GetClientOffset();
    OffsetRect(&R, O.x, O.y);
    const COLORREF Own = BrushColor(Menu->GetBkBrush());
    ExpectPixel(S, R.left + 1, R.top + 1, Own, "a title's margin");
    TRect Help = ControlOf(F.MainMenu, F.Menus[3])->GetItemRect();
    OffsetRect(&Help, O.x, O.y);
    ExpectPixel(S, Help.right + 3, (Help.top + Help.bottom) / 2, Own, "the bar after its titles");
    SetParent(Menu->GetHandle(), Site->GetHandle());
    F.Redraw(F.MainMenu);
    const TShot Again = TestSupport::CaptureShown(Menu->GetHandle());
    ExpectPixel(Again, R.left + 1, R.top + 1, F.DockUnder(F.MainMenu, R.left + 1, R.top + 1),
                "back on its site, the title shows the site");
}

// A sub-item on a toolbar whose menu is open: the open gradient, framed on every side but the
// one its menu covers.
TEST(Office11Windows, AnOpenSubItemShowsTheOpenGradientWithoutItsMenuSideEdge)
{
    TScene F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    // A sub-item on Tools, opened with a click: the open gradient, no edge toward its menu below.
    auto* Sub = new TcbBarSubItem(F.Form.get());
    Sub->SetCaption("Mo&re");
    for (const char* Caption : {"One", "Two"}) {
        auto* B = new TcbBarButton(F.Form.get());
        B->SetCaption(Caption);
        Sub->GetItemLinks()->Add()->SetItem(B);
    }
    F.Tools->GetItemLinks()->Add()->SetItem(Sub);
    Settle();
    TcbBarControl* Tools = F.WindowOf(F.Tools);
    TcbBarItemControl* SubControl = ControlOf(F.Tools, Sub);
    ASSERT_NE(SubControl, nullptr);
    const TRect SR = SubControl->GetItemRect();
    TestSupport::Click(ScreenCentre(Tools, SR));
    TestSupport::WaitProcessed();
    TScopeExit Close([] {
        if (TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl())
            Active->HideAll();
    });
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return TMenuFixture::MenuOf(Sub) != nullptr; }, 5000, "the menu open"));
    const TShot Open = TestSupport::CaptureShown(Tools->GetHandle());
    const TPoint TO = Tools->GetClientOffset();
    TRect OR = SR;
    OffsetRect(&OR, TO.x, TO.y);
    const COLORREF Edge = Cell(occItemFrame);
    const COLORREF OpenStart = Rgb(Office11Colors().OpenDropDownGradientStart);
    const COLORREF OpenEnd = Rgb(Office11Colors().OpenDropDownGradientEnd);
    ExpectPixel(Open, OR.left + 2, OR.top, Edge, "the open item's top edge");
    ExpectPixel(Open, OR.left, (OR.top + OR.bottom) / 2, Edge, "the open item's left edge");
    ExpectPixel(Open, OR.right - 1, (OR.top + OR.bottom) / 2, Edge, "the open item's right edge");
    for (int32_t X = OR.left + 1; X < OR.left + 4; ++X)
        ExpectPixel(Open, X, OR.bottom - 1, OpenEnd, "the open item's last row, without an edge");
    for (int32_t Y = OR.top + 1; Y < OR.bottom; ++Y)
        EXPECT_TRUE(Within(Px(Open, OR.left + 1, Y), OpenStart, OpenEnd)) << "row " << Y;
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(F.Form->GetHandle()), "office11-open-item");
}

// ---------------------------------------------------------------------------------------------
// Menus

// An open menu: the glyph band down every row, white after it, the selected row framed over the
// selected colour, and the window's frame and inner ring.
TEST(Office11Windows, AnOpenMenuShowsItsBandRowsSelectedRowFrameAndRing)
{
    TMenuFixture F;
    F.Manager->SetStyle(bmsOffice11);
    Settle();
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TestSupport::Click(TMenuFixture::CenterOf(F.WindowOf(F.MainMenu), F.File));
    TestSupport::WaitProcessed();
    TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.File);
    ASSERT_NE(Menu, nullptr);
    TestSupport::MoveTo(TMenuFixture::CenterOf(Menu, F.Open));
    TestSupport::WaitProcessed();
    ASSERT_EQ(Menu->GetSelectedControl(), TMenuFixture::ControlOf(Menu, F.Open));
    const TShot S = TestSupport::CaptureShown(Menu->GetHandle());
    const POINT C = TestSupport::ClientOrigin(Menu->GetHandle());
    const int32_t Band = Menu->GetLeftBandWidth();
    const COLORREF BandStart = Rgb(Office11Colors().MenuBandGradientStart);
    const COLORREF BandEnd = Rgb(Office11Colors().MenuBandGradientEnd);
    const COLORREF White = Cell(occMenuBackground), Frame = Cell(occItemFrame);
    if (Classic()) {
        EXPECT_EQ(Hex(BandStart), Hex(RGB(246, 245, 243)));
        EXPECT_EQ(Hex(BandEnd), Hex(RGB(214, 210, 202)));
        EXPECT_EQ(Hex(White), Hex(RGB(255, 255, 255)));
        EXPECT_EQ(Hex(Frame), Hex(RGB(128, 128, 128)));
        EXPECT_EQ(Hex(Cell(occSelectedItem)), Hex(RGB(183, 191, 212)));
    }

    // A plain row: the band from its start colour in the client's first column to its end
    // colour in its last, every column at least as near the end as the one before it, down to
    // the row's own top line; white after it.
    const TRect New = TMenuFixture::ControlOf(Menu, F.New)->GetItemRect();
    const int32_t NY = C.y + (New.top + New.bottom) / 2;
    ExpectPixel(S, C.x, NY, BandStart, "the band's first column in a row");
    ExpectPixel(S, C.x + Band - 1, NY, BandEnd, "the band's last column");
    ExpectPixel(S, C.x + Band, C.y + New.top, White, "the row after the band");
    ExpectPixel(S, C.x + New.right - 3, NY, White, "the row's far end");
    for (int32_t X = C.x + 1; X < C.x + Band; ++X) {
        for (const int32_t Y : {static_cast<int32_t>(C.y + New.top), NY})
            EXPECT_TRUE(Within(Px(S, X, Y), BandStart, BandEnd)) << "band column " << X << " row " << Y;
        EXPECT_LE(Distance(Px(S, X, NY), BandEnd), Distance(Px(S, X - 1, NY), BandEnd)) << "band column " << X;
    }

    // The selected row: framed, the caption area in the selected colour.
    const TRect Open = TMenuFixture::ControlOf(Menu, F.Open)->GetItemRect();
    const int32_t OY = C.y + (Open.top + Open.bottom) / 2;
    ExpectPixel(S, C.x + Open.left, C.y + Open.top, Cell(occSelectedFrame), "the selected row's frame corner");
    ExpectPixel(S, C.x + Open.right - 1, OY, Cell(occSelectedFrame), "the selected row's right frame");
    ExpectPixel(S, C.x + Open.left + 5, C.y + Open.bottom - 1, Cell(occSelectedFrame), "the selected row's bottom");
    ExpectPixel(S, C.x + Open.right - 3, OY, Cell(occSelectedItem), "the selected caption area");
    ExpectPixel(S, C.x + Band + 3, C.y + Open.top + 1, Cell(occSelectedItem), "the selected area after the band");

    // The window: the outer frame in the item frame colour, the inner ring in the menu colour
    // with the band's start colour down its left edge.
    for (const POINT P : {POINT{0, 0}, POINT{S.W - 1, S.H / 2}, POINT{S.W / 2, S.H - 1}, POINT{0, S.H - 1}})
        ExpectPixel(S, P.x, P.y, Frame, "the outer frame");
    ExpectPixel(S, C.x, C.y + S.H / 2, BandStart, "the inner ring's left edge");
    ExpectPixel(S, S.W / 2, C.y, White, "the inner ring's top");
    ExpectPixel(S, S.W - 2, S.H / 2, White, "the inner ring's right edge");
    ExpectPixel(S, S.W / 2, S.H - 2, White, "the inner ring's bottom");

    // The group line before "Recent" runs after the band.
    const TRect Recent = TMenuFixture::ControlOf(Menu, F.Recent)->GetItemRect();
    const int32_t GY = Recent.top - Menu->GetBeginGroupSize() + Menu->GetBeginGroupSize() / 2;
    bool Line = false;
    for (int32_t X = C.x + Band + 4; X < C.x + Recent.right - 4; ++X)
        Line |= Px(S, X, C.y + GY) != White;
    EXPECT_TRUE(Line) << "a group line at row " << GY;
    // The band runs on through the group line's rows, unbroken.
    for (int32_t Y = Recent.top - Menu->GetBeginGroupSize(); Y < Recent.top; ++Y) {
        ExpectPixel(S, C.x, C.y + Y, BandStart, "the band's first column beside the group line");
        ExpectPixel(S, C.x + Band - 1, C.y + Y, BandEnd, "the band's last column beside the group line");
    }
    TestSupport::SaveShot(S, "office11-menu");
    F.CloseMenus();
}

TEST(Office11Windows, APersonalizedMenusExpandButtonIsTheRecolouredBitmap)
{
    TMenuFixture F;
    F.Manager->SetStyle(bmsOffice11);
    auto* Tools = new TcbBarSubItem(F.Form.get());
    Tools->SetCaption("&Tools");
    for (int I = 0; I < 5; ++I)
        Tools->GetItemLinks()->Add()->SetItem(F.MakeCommand("C" + std::to_string(I)));
    for (int I : {1, 0}) {
        TcbBarItemLink* Link = Tools->GetItemLinks()->GetItem(I);
        Link->MarkUsed(false);
        Link->SetUseCount(100);
    }
    F.MainMenu->GetItemLinks()->Add()->SetItem(Tools);
    Settle();
    TcbBarSubMenuControl* Menu = F.OpenByMessage(Tools);
    ASSERT_NE(Menu, nullptr);
    ASSERT_TRUE(Menu->IsMarkVisible()) << "rarely used rows are left out";
    const TShot S = TestSupport::CaptureShown(Menu->GetHandle());
    const POINT C = TestSupport::ClientOrigin(Menu->GetHandle());
    TRect Button = Menu->GetMarkRect();
    OffsetRect(&Button, C.x, C.y);
    const COLORREF Lightest = Cell(occToolbarGradientStart);
    EXPECT_GT(CountIn(S, Button, Lightest), 0u) << "the bitmap's lightest pixels";
    // Nothing of the bitmap is lighter than its lightest colour but the menu behind it.
    const COLORREF White = Cell(occMenuBackground);
    size_t Dark = 0;
    for (int32_t Y = Button.top; Y < Button.bottom; ++Y)
        for (int32_t X = Button.left; X < Button.right; ++X) {
            const COLORREF P = Px(S, X, Y);
            Dark += P != White && P != Lightest;
        }
    EXPECT_GT(Dark, 0u) << "the bitmap's darker pixels";
    TestSupport::SaveShot(S, "office11-menu-expand");
    F.CloseMenus();
}

// ---------------------------------------------------------------------------------------------
// Floating toolbars

TEST(Office11Windows, AFloatingToolbarShowsTwoOuterRingsARoundedInnerOneAndItsCaptionStrip)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    ASSERT_NE(F.ToolsWindow(), nullptr);
    // Nothing covers the bar when the style changes: the screen shows what the bar drew of it.
    SetWindowPos(F.ToolsWindow()->GetHandle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TestSupport::CaptureShown(F.ToolsWindow()->GetHandle());
    F.Manager->SetStyle(bmsOffice11);
    TcbBarControl* W = F.ToolsWindow();
    ASSERT_NE(W, nullptr);
    const TShot S = TestSupport::CaptureShown(W->GetHandle());
    const COLORREF Outer = Cell(occFloatingBorderOuter), Inner = Cell(occFloatingBorderInner);
    if (Classic()) {
        EXPECT_EQ(Hex(Outer), Hex(RGB(128, 128, 128)));
        EXPECT_EQ(Hex(Inner), Hex(RGB(214, 210, 202)));
    }
    for (int32_t Ring = 0; Ring < 2; ++Ring) {
        for (int32_t X = Ring; X < S.W - Ring; X += 7) {
            ExpectPixel(S, X, Ring, Outer, "an outer ring's top");
            ExpectPixel(S, X, S.H - 1 - Ring, Outer, "an outer ring's bottom");
        }
        for (int32_t Y = Ring; Y < S.H - Ring; Y += 5) {
            ExpectPixel(S, Ring, Y, Outer, "an outer ring's left");
            ExpectPixel(S, S.W - 1 - Ring, Y, Outer, "an outer ring's right");
        }
    }
    for (int32_t X = 3; X < S.W - 3; X += 5) {
        ExpectPixel(S, X, 2, Inner, "the third ring's top");
        ExpectPixel(S, X, S.H - 3, Inner, "the third ring's bottom");
    }
    for (int32_t Y = 3; Y < S.H - 3; Y += 3) {
        ExpectPixel(S, 2, Y, Inner, "the third ring's left");
        ExpectPixel(S, S.W - 3, Y, Inner, "the third ring's right");
    }
    for (const POINT P : {POINT{2, 2}, POINT{S.W - 3, 2}, POINT{2, S.H - 3}, POINT{S.W - 3, S.H - 3}})
        ExpectPixel(S, P.x, P.y, Outer, "a rounded corner of the third ring");

    const TRect Caption = W->GetCaptionRect(false);
    const TRect Mark = W->GetMarkRectInWindow();
    ASSERT_LT(Caption.left + 3, Mark.left);
    const COLORREF Strip = Rgb(Office11Painter()->GetFloatingCaptionColor(true));
    EXPECT_EQ(Strip, Rgb(Office11Colors().FloatingCaptionQuery));
    ExpectPixel(S, Caption.left + 1, Caption.top + 1, Strip, "the caption strip before the text");
    ExpectPixel(S, Mark.left - 2, Caption.bottom - 2, Strip, "the caption strip left of the mark");
    TestSupport::SaveShot(S, "office11-floating");
}

// ---------------------------------------------------------------------------------------------
// Themes on: the size grip is the XP painter's

namespace {

struct TThemeCall {
    HTHEME Theme;
    int Part, State;
    RECT R;
};
std::vector<TThemeCall> gCalls;
FARPROC gRealDraw = nullptr;
bool gSkipGripper = false;

HRESULT WINAPI RecordDraw(HTHEME Theme, HDC DC, int Part, int State, const RECT* R, const RECT* Clip)
{
    RECT Where{};
    if (R) {
        // The rectangle as the window sees it, not as the DC's origin moves it.
        Where = *R;
        POINT Org{};
        GetViewportOrgEx(DC, &Org);
        OffsetRect(&Where, Org.x, Org.y);
    }
    gCalls.push_back({Theme, Part, State, Where});
    if (gSkipGripper && Part == SP_GRIPPER && Theme == OpenThemeClass(tcStatus))
        return S_OK;
    using TDraw = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
    return reinterpret_cast<TDraw>(reinterpret_cast<void (*)()>(gRealDraw))(Theme, DC, Part, State, R, Clip);
}

} // namespace

TEST(Office11Windows, TheStatusBarsSizeGripIsTheThemesGripperWhereVisualStylesAreOn)
{
    TScene F;
    TcbBarControl* Status = F.WindowOf(F.Status);
    ASSERT_NE(Status, nullptr);
    ASSERT_TRUE(Status->IsSizeGripShown());
    gRealDraw = GetThemeEntry(teDrawThemeBackground);
    gCalls.clear();
    gSkipGripper = false;
    SetThemeEntry(teDrawThemeBackground, reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RecordDraw)));
    TScopeExit Restore([] { SetThemeEntry(teDrawThemeBackground, gRealDraw); });
    // The calls of a full paint are recorded.
    const TShot Drawn = TestSupport::CaptureFullPaint(Status->GetHandle());
    std::vector<TThemeCall> Grips;
    for (const TThemeCall& Call : gCalls)
        if (Call.Part == SP_GRIPPER)
            Grips.push_back(Call);
    if (!F.Manager->GetThemesInUse()) {
        EXPECT_TRUE(Grips.empty()) << "the classic grip is the Flat painter's own";
        EXPECT_EQ(Office11Painter()->GetSizeGripSize().cx, GetSystemMetrics(SM_CXHSCROLL));
        return;
    }
    ASSERT_FALSE(Grips.empty()) << "the gripper is drawn through the theme";
    for (const TThemeCall& Call : Grips) {
        EXPECT_EQ(Call.Theme, OpenThemeClass(tcStatus));
        EXPECT_EQ(Call.State, 0);
    }
    const RECT G = Grips.back().R;
    EXPECT_EQ(G.right, Drawn.W) << "at the window's right end";
    EXPECT_EQ(G.bottom, Drawn.H) << "at the window's bottom";

    // The reference: the same window without the gripper, with the theme's gripper drawn over it
    // at that place by the test.
    gSkipGripper = true;
    const TShot Without = TestSupport::CaptureFullPaint(Status->GetHandle());
    gSkipGripper = false;
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info.bmiHeader.biWidth = Without.W;
    Info.bmiHeader.biHeight = -Without.H;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    void* Bits = nullptr;
    HDC Memory = CreateCompatibleDC(nullptr);
    HBITMAP Dib = CreateDIBSection(Memory, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    ASSERT_NE(Dib, nullptr);
    HGDIOBJ Old = SelectObject(Memory, Dib);
    auto* Pixels = static_cast<uint32_t*>(Bits);
    for (size_t I = 0; I < Without.Pixels.size(); ++I)
        Pixels[I] = Without.Pixels[I] & 0xFFFFFF;
    HTHEME Theme = UxTheme::OpenThemeData(nullptr, L"Status");
    ASSERT_NE(Theme, nullptr);
    reinterpret_cast<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*)>(
        reinterpret_cast<void (*)()>(gRealDraw))(Theme, Memory, SP_GRIPPER, 0, &G, nullptr);
    UxTheme::CloseThemeData(Theme);
    GdiFlush();
    int Differ = 0, Grip = 0;
    for (int32_t Y = 0; Y < Drawn.H; ++Y)
        for (int32_t X = 0; X < Drawn.W; ++X) {
            const uint32_t Ref = Pixels[Y * Drawn.W + X] & 0xFFFFFF;
            Differ += Ref != Drawn.At(X, Y);
            Grip += Ref != Without.At(X, Y);
        }
    SelectObject(Memory, Old);
    DeleteObject(Dib);
    DeleteDC(Memory);
    EXPECT_EQ(Differ, 0) << "pixels unlike the reference";
    EXPECT_GT(Grip, 0) << "the gripper shows";
}

// ---------------------------------------------------------------------------------------------
// Pictures for a person to look at

TEST(Office11Windows, PicturesOfTheStyleAreSaved)
{
    TScene F;
    F.Tools->SetBorderStyle(bbsNone);
    Settle();
    EXPECT_FALSE(TestSupport::SaveShot(TestSupport::CaptureFullPaint(F.Form->GetHandle()), "office11-form").empty());
}
