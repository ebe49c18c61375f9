// One picture of every drawer of the look-and-feel painters in each of the three styles, with the
// buttons, check boxes and radio buttons in their four states, for a person to look at. Saved as
// screenshots/ui-painters.png.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "commandbars/lookandfeel/uiLookAndFeelPainters.h"
#include "platform/rtl/ScopeGuards.h"
#include "tests/commandbars/lookandfeel/LookAndFeelPainterDrawers.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/support/Screenshot.h"

using CommandBarsTest::Sys;
using CommandBarsTest::TDib;

namespace {

const COLORREF kPaper = RGB(224, 232, 240);

void Label(HDC DC, int X, int Y, const std::string& Text)
{
    HGDIOBJ Old = SelectObject(DC, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, RGB(0, 0, 0));
    TextOutA(DC, X, Y, Text.c_str(), static_cast<int>(Text.size()));
    SelectObject(DC, Old);
}

} // namespace

TEST(LookAndFeelPaintersSheet, EveryDrawerInEveryStyle)
{
    uiLookAndFeelPaintersInit();
    TScopeExit Done([] { uiLookAndFeelPaintersDone(); });
    const auto& Drawers = CommandBarsTest::PainterDrawers();
    const int CellW = 100, CellH = 40, Columns = 10;
    const int Rows = (static_cast<int>(Drawers.size()) + Columns - 1) / Columns;
    const int BandH = 18 + Rows * CellH + 44;
    const int W = Columns * CellW + 8, H = 3 * BandH + 8;
    TDib D(W, H, Sys(COLOR_BTNFACE));
    TCanvas Canvas;
    Canvas.SetHandle(D.DC());
    TScopeExit Release([&] { Canvas.SetHandle(nullptr); });
    TuiCanvas C(&Canvas);

    const struct {
        TuiLookAndFeelPainterClass P;
        const char* Name;
    } kStyles[] = {{TuiStandardLookAndFeelPainter::Instance(), "Standard"},
                   {TuiFlatLookAndFeelPainter::Instance(), "Flat"},
                   {TuiUltraFlatLookAndFeelPainter::Instance(), "UltraFlat"}};
    int Top = 4;
    for (const auto& S : kStyles) {
        Label(D.DC(), 4, Top, S.Name);
        for (size_t I = 0; I < Drawers.size(); ++I) {
            const int X = 4 + static_cast<int>(I % Columns) * CellW;
            const int Y = Top + 18 + static_cast<int>(I / Columns) * CellH;
            const TRect Cell = Rect(X, Y, X + 64, Y + 24);
            HBRUSH Paper = CreateSolidBrush(kPaper);
            FillRect(D.DC(), &Cell, Paper);
            DeleteObject(Paper);
            Drawers[I].Draw(S.P, &C, Cell);
            Label(D.DC(), X, Y + 25, Drawers[I].Name);
        }
        // The four states: buttons, check boxes and radio buttons (both variants, unchecked and
        // checked), over the paper.
        const int Y = Top + 18 + Rows * CellH + 2;
        const TuiButtonState kStates[] = {ubsNormal, ubsHot, ubsPressed, ubsDisabled};
        const char* const kNames[] = {"Normal", "Hot", "Pressed", "Off"};
        int X = 4;
        for (int I = 0; I < 4; ++I) {
            S.P->DrawButton(&C, Rect(X, Y, X + 60, Y + 22), kNames[I], kStates[I]);
            X += 64;
        }
        for (bool Checked : {false, true})
            for (TuiButtonState State : kStates) {
                S.P->DrawCheckBox(&C, Rect(X, Y, X + 18, Y + 22), State, Checked);
                X += 20;
            }
        X += 8;
        for (int Variant = 0; Variant < 2; ++Variant)
            for (bool Checked : {false, true})
                for (TuiButtonState State : kStates) {
                    S.P->DrawRadioButton(&C, X, Y + 4, State, Checked, Variant, kPaper);
                    X += 18;
                }
        Top += BandH;
    }

    // A few points that must be there, then the picture twice the size.
    const TestSupport::TShot Shot = D.Shot();
    TestSupport::ExpectPixel(Shot, 4, 4 + 18 + Rows * CellH + 2, Sys(COLOR_BTNFACE), "Standard's normal button corner");
    TestSupport::ExpectPixel(Shot, 4 + 64 + 59, 4 + 18 + Rows * CellH + 2 + 21, Sys(COLOR_3DDKSHADOW),
                             "Standard's hot button's dark corner");
    TestSupport::TShot Large;
    Large.W = W * 2;
    Large.H = H * 2;
    Large.Pixels.resize(static_cast<size_t>(Large.W * Large.H));
    for (int Y = 0; Y < Large.H; ++Y)
        for (int X = 0; X < Large.W; ++X)
            Large.Pixels[static_cast<size_t>(Y * Large.W + X)] = Shot.At(X / 2, Y / 2);
    EXPECT_FALSE(TestSupport::SaveShot(Large, "ui-painters").empty());
}
