// The manager's shared brushes in both prefixes: their colours against the Flat colour formulas
// evaluated over the system colours at run time, their re-creation, and a manager's GDI balance.
#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>

#include "tests/commandbars/ModelSupport.h"
#include "tests/commandbars/support/FlatColors.h"
#include "tests/support/ResourceProbe.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::TManagerForm;

using CommandBarsTest::Blend;
using CommandBarsTest::Ch;
using CommandBarsTest::ExpectedBar;
using CommandBarsTest::ExpectedFrame;
using CommandBarsTest::Nearest;

namespace {

COLORREF BrushColor(HBRUSH Brush)
{
    LOGBRUSH Log{};
    EXPECT_EQ(GetObjectA(Brush, sizeof(Log), &Log), static_cast<int>(sizeof(Log)));
    EXPECT_EQ(Log.lbStyle, static_cast<UINT>(BS_SOLID));
    return Log.lbColor;
}

} // namespace

TEST(SharedBrushes, TheFiveBrushesHaveTheFlatColoursOfTheSystemColours)
{
    TManagerForm F;
    TcbBarManager* M = F.Manager;
    EXPECT_EQ(BrushColor(M->GetFlatFrameBrush()), ExpectedFrame());
    EXPECT_EQ(BrushColor(M->GetFlatBarBrush()), ExpectedBar());
    EXPECT_EQ(BrushColor(M->GetFlatCheckedItemBrush()), Blend(11, 9, 73));
    EXPECT_EQ(BrushColor(M->GetFlatItemBrush()), Blend(14, 44, 40));
    EXPECT_EQ(BrushColor(M->GetFlatSelectedItemBrush()), Blend(-2, 30, 72));
    EXPECT_EQ(static_cast<COLORREF>(M->GetFlatSelectedColor()), Blend(-2, 30, 72));
    EXPECT_EQ(static_cast<COLORREF>(M->GetFlatCheckedItemColor()), Blend(11, 9, 73));
    EXPECT_EQ(static_cast<COLORREF>(M->GetFlatItemColor()), Blend(14, 44, 40));

    // The examples of the two prefixes.
    const std::string Profile = TestSupport::WineProfile();
    if (Profile == "light") {
        EXPECT_EQ(BrushColor(M->GetFlatBarBrush()), RGB(247, 247, 247));
        EXPECT_EQ(BrushColor(M->GetFlatSelectedItemBrush()), RGB(193, 224, 254));
    } else if (Profile == "classic") {
        EXPECT_EQ(BrushColor(M->GetFlatBarBrush()), RGB(219, 216, 209));
        EXPECT_EQ(BrushColor(M->GetFlatSelectedItemBrush()), RGB(183, 191, 212));
    }

    // The dock colour: the form's while automatic, else the one set.
    EXPECT_EQ(BrushColor(M->GetDockColorBrush()), ColorToRGB(F.Form->GetColor()));
    M->SetDockColor(clRed);
    EXPECT_FALSE(M->GetAutoDockColor());
    EXPECT_EQ(BrushColor(M->GetDockColorBrush()), ColorToRGB(clRed));
}

TEST(SharedBrushes, RecreatingGivesNewBrushesOfTheSameColoursAndDeletesTheOld)
{
    TManagerForm F;
    TcbBarManager* M = F.Manager;
    const HBRUSH Old[] = {M->GetFlatFrameBrush(), M->GetFlatBarBrush(), M->GetFlatCheckedItemBrush(),
                          M->GetFlatItemBrush(), M->GetFlatSelectedItemBrush(), M->GetDockColorBrush()};
    COLORREF Colours[6];
    for (int I = 0; I < 6; ++I)
        Colours[I] = BrushColor(Old[I]);
    M->RecreateSharedBrushes();
    const HBRUSH New[] = {M->GetFlatFrameBrush(), M->GetFlatBarBrush(), M->GetFlatCheckedItemBrush(),
                          M->GetFlatItemBrush(), M->GetFlatSelectedItemBrush(), M->GetDockColorBrush()};
    for (int I = 0; I < 6; ++I) {
        EXPECT_NE(New[I], Old[I]) << I;
        EXPECT_EQ(GetObjectType(Old[I]), 0u) << I;
        EXPECT_EQ(BrushColor(New[I]), Colours[I]) << I;
    }
}

TEST(SharedBrushes, AManagersEndGivesBackEveryGdiObjectItMade)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    const int64_t Before = Probe.GdiObjects();
    {
        TManagerForm F;
        // Hidden: a floating window's first use leaves the system's window caches behind, which
        // are none of the manager's objects.
        TcbBar* Bar = F.AddBar("Own", false);
        Bar->GetFont()->SetName("Courier New");
        ASSERT_NE(Bar->GetOwnFontHandle(), nullptr);
        F.Manager->RecreateSharedBrushes();
        EXPECT_GT(Probe.GdiObjects(), Before);
    }
    EXPECT_EQ(Probe.GdiObjects(), Before);
}
