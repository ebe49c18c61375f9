#include "tests/commandbars/support/PainterSheet.h"

#include <cstring>

#include <windows.h>

#include "commandbars/cbBarManager.h"
#include "platform/win/Bitmap.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/commandbars/support/FakeBarWindow.h"
#include "tests/commandbars/support/FakeItemControl.h"

namespace CommandBarsTest {

namespace {

void MakeGlyph(TBitmap& B)
{
    B.SetPixelFormat(pf24bit);
    B.SetSize(16, 16);
    TCanvas* C = B.GetCanvas();
    C->GetBrush()->SetColor(clFuchsia);
    C->FillRect(Rect(0, 0, 16, 16));
    C->GetBrush()->SetColor(clNavy);
    C->FrameRect(Rect(1, 1, 15, 15));
    C->GetBrush()->SetColor(clYellow);
    C->FillRect(Rect(9, 3, 13, 7));
    C->GetBrush()->SetColor(clGreen);
    C->FillRect(Rect(3, 9, 13, 13));
}

void Label(HDC DC, int X, int Y, const char* Text)
{
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, GetSysColor(COLOR_BTNTEXT));
    TextOutA(DC, X, Y, Text, static_cast<int>(strlen(Text)));
}

struct TStateColumn {
    const char* Name;
    TcbPaintFlags Flags;
    bool Enabled;
};

} // namespace

TestSupport::TShot PaintPainterSheet(TcbPainterClass Painter, TcbBarManager* Manager)
{
    const int W = 640, H = 400;
    TDib D(W, H, GetSysColor(COLOR_BTNFACE));
    HDC DC = D.DC();
    HFONT Font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HGDIOBJ OldFont = SelectObject(DC, Font);

    TBitmap Glyph;
    MakeGlyph(Glyph);

    FakeBarWindow Bar;
    Bar.Manager = Manager;
    Bar.Font = Font;
    FakeBarWindow Menu;
    Menu.Manager = Manager;
    Menu.Font = Font;
    Menu.Kind = bwkMenu;
    Painter->CalcSubMenuMetrics(&Menu, DC, Menu.Metrics);

    const TStateColumn States[] = {
        {"normal", {pfEnabled}, true},
        {"hot", {pfEnabled, pfSelected}, true},
        {"down", {pfEnabled, pfDown}, true},
        {"pressed", {pfEnabled, pfSelected, pfPressed}, true},
        {"checked", {pfEnabled, pfChecked, pfDown}, true},
        {"disabled", {}, false},
    };
    Label(DC, 4, 4, "button");
    Label(DC, 4, 34, "check");
    Label(DC, 4, 64, "drop-down");
    Label(DC, 4, 94, "combo");
    Label(DC, 4, 124, "menu row");
    int X = 90;
    for (const TStateColumn& S : States) {
        Label(DC, X, 150, S.Name);
        FakeItemControl Button(&Bar);
        Button.Enabled = S.Enabled;
        Button.Selected = S.Flags.Contains(pfSelected);
        Button.Down = S.Flags.Contains(pfDown);
        Button.Pressed = S.Flags.Contains(pfPressed);
        Button.Glyph = &Glyph;
        Painter->DrawGlyph(&Button, DC, Bounds(X, 4, 23, 22), S.Flags, dkHorizontal);

        FakeItemControl Check(&Bar);
        Check.Enabled = S.Enabled;
        TcbPaintFlags CheckFlags = S.Flags;
        CheckFlags.Include(pfChecked);
        Painter->DrawGlyph(&Check, DC, Bounds(X, 34, 23, 22), CheckFlags, dkHorizontal);

        Painter->DrawDropDownPart(&Button, DC, Bounds(X, 64, 11, 22), Bar.GetCachedBarBrush(), S.Flags,
                                  S.Flags.Contains(pfPressed) ? 1 : 0);
        Painter->DrawComboButton(&Button, DC, Bounds(X + 20, 64, 11, 20), S.Flags);

        TRect Edit = Bounds(X, 94, 60, 20);
        Painter->DrawEditBorder(&Button, DC, S.Flags.Contains(pfSelected), 0, Edit);

        FakeItemControl Row(&Menu);
        Row.Enabled = S.Enabled;
        Row.Caption = "&Open";
        Row.Glyph = S.Flags.Contains(pfChecked) ? nullptr : &Glyph;
        Row.Selected = S.Flags.Contains(pfSelected);
        Painter->DrawMenuItem(&Row, DC, Bounds(X, 124, 86, 20), S.Flags);
        X += 90;
    }

    // Docked and floating borders, marks in their states, a separator, a close button.
    FakeBarWindow Docked;
    Docked.Manager = Manager;
    Docked.DockingStyle = dsTop;
    Docked.Client = Rect(0, 0, 200, 26);
    Painter->DrawDockedBarBorder(&Docked, DC, Docked.BarBrush, Bounds(4, 180, 200, 30));
    SelectClipRgn(DC, nullptr);
    Docked.DockingStyle = dsLeft;
    Painter->DrawDockedBarBorder(&Docked, DC, Docked.BarBrush, Bounds(220, 180, 30, 120));
    SelectClipRgn(DC, nullptr);
    FakeBarWindow Floating;
    Floating.Manager = Manager;
    Floating.DockingStyle = dsNone;
    Painter->DrawFloatingBarBorder(&Floating, DC, Floating.BarBrush, Bounds(270, 180, 120, 60));
    Painter->DrawCloseButton(&Floating, DC, Bounds(400, 180, 16, 14));
    Painter->DrawBarSeparator(&Docked, DC, Bounds(430, 180, 6, 24), true);

    int MX = 450;
    for (TcbButtonState MarkState : {bstNormal, bstHot, bstPressed}) {
        FakeBarWindow Marked;
        Marked.Manager = Manager;
        Marked.DockingStyle = dsTop;
        Marked.PushedOff = true;
        Marked.MarkState = MarkState;
        Marked.Client = Rect(0, 0, 40, 22);
        TRect Mark{};
        Painter->CalcMarkRect(&Marked, Mark);
        const int32_t SaveDC_ = SaveDC(DC);
        SetViewportOrgEx(DC, MX, 180, nullptr);
        Painter->DrawBarMark(&Marked, DC, Marked.CachedBarBrush, Mark);
        RestoreDC(DC, SaveDC_);
        MX += 50;
    }
    Label(DC, 4, 310, "docked top, docked left, floating, close, separator, marks normal / hot / pressed");
    SelectObject(DC, OldFont);
    return D.Shot();
}

std::string SavePainterSheet(TcbPainterClass Painter, TcbBarManager* Manager, const std::string& Name)
{
    return TestSupport::SaveShot(PaintPainterSheet(Painter, Manager), Name);
}

} // namespace CommandBarsTest
