#include "tests/commandbars/support/PainterSheet.h"

#include <cstring>

#include <windows.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/painters/cbPainter.h"
#include "platform/win/Bitmap.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/commandbars/support/FakeBarWindow.h"
#include "tests/commandbars/support/FakeItemControl.h"
#include "tests/commandbars/support/TestHelpers.h"

namespace CommandBarsTest {

namespace {

struct TStateColumn {
    const char* Name;
    TcbPaintFlags Flags;
    bool Enabled;
};

} // namespace

TestSupport::TShot PaintPainterSheet(TcbPainterClass Painter, TcbBarManager* Manager)
{
    const int W = 640, H = 560;
    TDib D(W, H, GetSysColor(COLOR_BTNFACE));
    HDC DC = D.DC();
    HFONT Font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HGDIOBJ OldFont = SelectObject(DC, Font);

    TBitmap Glyph;
    MakeSheetGlyph(Glyph);

    // The brushes a bar window of the painter's style answers; a menu's rows take the brush
    // PrepareSubMenuItemRow gives.
    auto Brushes = [&](FakeBarWindow& W) {
        W.BarBrush = W.BkBrush = W.CachedBarBrush = Painter->GetBarBrush(Manager);
        W.CheckedItemBrush = Painter->GetCheckedItemBrush(Manager);
        W.ItemBrush = Painter->GetItemBrush(Manager);
        W.SelectedItemBrush = Painter->GetSelectedItemBrush(Manager);
    };
    FakeBarWindow Bar;
    Bar.Manager = Manager;
    Bar.Font = Font;
    Brushes(Bar);
    FakeBarWindow Menu;
    Menu.Manager = Manager;
    Menu.Font = Font;
    Menu.Kind = bwkMenu;
    Brushes(Menu);
    Painter->PrepareSubMenuItemRow(nullptr, Menu.CachedBarBrush);
    Painter->CalcSubMenuMetrics(&Menu, DC, Menu.Metrics);

    const TStateColumn States[] = {
        {"normal", {pfEnabled}, true},
        {"hot", {pfEnabled, pfSelected}, true},
        {"down", {pfEnabled, pfDown}, true},
        {"pressed", {pfEnabled, pfSelected, pfPressed}, true},
        {"checked", {pfEnabled, pfChecked, pfDown}, true},
        {"disabled", {}, false},
    };
    SheetLabel(DC, 4, 4, "button");
    SheetLabel(DC, 4, 34, "check");
    SheetLabel(DC, 4, 64, "drop-down");
    SheetLabel(DC, 4, 94, "combo");
    SheetLabel(DC, 4, 124, "menu row");
    int X = 90;
    for (const TStateColumn& S : States) {
        SheetLabel(DC, X, 150, S.Name);
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
        Painter->DrawEditBorder(&Button, DC, S.Flags.Contains(pfSelected), dkHorizontal, Edit);

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
    Brushes(Docked);
    // The bar's own background first, as the bar window fills its non-client area.
    const TRect TopBar = Bounds(4, 180, 200, 30), LeftBar = Bounds(220, 180, 30, 120);
    FillRect(DC, &TopBar, cbResolveBrush(Painter->GetToolbarBrush(&Docked)));
    FillRect(DC, &LeftBar, cbResolveBrush(Painter->GetToolbarBrush(&Docked)));
    Painter->DrawDockedBarBorder(&Docked, DC, Docked.BarBrush, TopBar);
    SelectClipRgn(DC, nullptr);
    Docked.DockingStyle = dsLeft;
    Painter->DrawDockedBarBorder(&Docked, DC, Docked.BarBrush, LeftBar);
    SelectClipRgn(DC, nullptr);
    FakeBarWindow Floating;
    Floating.Manager = Manager;
    Floating.DockingStyle = dsNone;
    Brushes(Floating);
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
        Brushes(Marked);
        Marked.Client = Rect(0, 0, 40, 22);
        TRect Mark{};
        Painter->CalcMarkRect(&Marked, Mark);
        const int32_t SaveDC_ = SaveDC(DC);
        SetViewportOrgEx(DC, MX, 180, nullptr);
        Painter->DrawBarMark(&Marked, DC, Marked.CachedBarBrush, Mark);
        RestoreDC(DC, SaveDC_);
        MX += 50;
    }
    SheetLabel(DC, 4, 310, "docked top, docked left, floating, close, separator, marks normal / hot / pressed");

    // A toolbar row: a split button (hot), an edit and a combo, between separators.
    FakeBarWindow Strip;
    Strip.Manager = Manager;
    Strip.Font = Font;
    Strip.BarBrush = Strip.BkBrush = Strip.CachedBarBrush = Painter->GetBarBrush(Manager);
    Strip.SelectedItemBrush = Painter->GetSelectedItemBrush(Manager);
    Strip.ItemBrush = Painter->GetItemBrush(Manager);
    Strip.CheckedItemBrush = Painter->GetCheckedItemBrush(Manager);
    {
        const TRect Back = Bounds(270, 250, 256, 26);
        FillRect(DC, &Back, cbResolveBrush(Strip.BkBrush));
        FakeItemControl Split(&Strip);
        Split.Glyph = &Glyph;
        Painter->DrawGlyph(&Split, DC, Bounds(272, 252, 23, 22), {pfEnabled, pfSelected}, dkHorizontal);
        Painter->DrawDropDownPart(&Split, DC, Bounds(294, 252, 10, 22), Strip.SelectedItemBrush,
                                  {pfEnabled, pfSelected}, 0);
        Painter->DrawBarSeparator(&Strip, DC, Bounds(306, 252, Painter->GetSeparatorSize(), 22), true);
        FakeItemControl Edit(&Strip);
        Edit.Kind = ickEdit;
        Edit.Caption = "&Find";
        Edit.Text = "cats";
        Painter->DrawEditCaption(&Edit, DC, Bounds(314, 254, 36, 18), {pfEnabled});
        TRect Box = Bounds(350, 254, 70, 18);
        Painter->DrawEditBorder(&Edit, DC, true, dkHorizontal, Box);
        Painter->DrawEditText(&Edit, DC, Box, {pfEnabled});
        FakeItemControl Combo(&Strip);
        Combo.Kind = ickCombo;
        Combo.Text = "Large";
        TRect ComboBox = Bounds(430, 254, 90, 18);
        Painter->DrawEditBorder(&Combo, DC, false, dkHorizontal, ComboBox);
        const TRect ComboText = Rect(ComboBox.left, ComboBox.top, ComboBox.right - 11, ComboBox.bottom);
        Painter->DrawEditText(&Combo, DC, ComboText, {pfEnabled});
        Painter->DrawComboButton(&Combo, DC, Rect(ComboText.right, ComboBox.top, ComboBox.right, ComboBox.bottom),
                                 {pfEnabled});
        TRect List = Bounds(532, 250, 90, 40);
        Painter->DrawDropDownListBorder(DC, List);
        Painter->DrawComboListItem(DC, Bounds(534, 252, 86, 18), "Small", false);
        Painter->DrawComboListItem(DC, Bounds(534, 270, 86, 18), "Large", true);
    }

    // MDI buttons at rest, pressed and disabled, on the main menu bar's colour.
    {
        FakeBarWindow MainMenu = Strip;
        MainMenu.MainMenu = true;
        MainMenu.BkBrush = MainMenu.CachedBarBrush = Painter->GetToolbarBrush(&MainMenu);
        int32_t MdiX = 270;
        for (TcbMDIButton Kind : {mbMinimize, mbRestore, mbClose}) {
            Painter->DrawMDIButton(&MainMenu, DC, Bounds(MdiX, 290, 16, 14), Kind, false, true);
            Painter->DrawMDIButton(&MainMenu, DC, Bounds(MdiX + 18, 290, 16, 14), Kind, true, true);
            Painter->DrawMDIButton(&MainMenu, DC, Bounds(MdiX + 36, 290, 16, 14), Kind, false, false);
            MdiX += 60;
        }
    }

    // A floating bar's frame with its caption, close button and mark.
    {
        FakeBarWindow Float;
        Float.Manager = Manager;
        Float.DockingStyle = dsNone;
        Float.Closable = true;
        Float.CaptionText = "Tools";
        Float.BarBrush = Float.BkBrush = Float.CachedBarBrush = Painter->GetBarBrush(Manager);
        Float.SelectedItemBrush = Painter->GetSelectedItemBrush(Manager);
        Float.ItemBrush = Painter->GetItemBrush(Manager);
        const int32_t CaptionH = Painter->GetFloatingCaptionHeight();
        Float.Client = Rect(0, 0, 154, 60 - CaptionH);
        Float.ClientOffset = TPoint{3, 3 + CaptionH};
        const int32_t Saved = SaveDC(DC);
        SetViewportOrgEx(DC, 4, 340, nullptr);
        Painter->DrawFloatingBarBorder(&Float, DC, Float.BarBrush, Rect(0, 0, 160, 66));
        FakeBarWindow Caption = Float;
        Caption.Client = Rect(3, 3, 157, 3 + CaptionH);
        Caption.CloseState = bstHot;
        TRect Mark{};
        Painter->CalcMarkRect(&Caption, Mark);
        Painter->DrawFloatingCaption(&Caption, DC, Caption.Client, Mark);
        RestoreDC(DC, Saved);
    }

    // A detachable menu: plain, hot, checked and disabled rows, a group band, the expand button.
    {
        FakeBarWindow M;
        M.Manager = Manager;
        M.Font = Font;
        M.Kind = bwkMenu;
        M.Detachable = true;
        M.ExpandButton = true;
        M.BottomReserve = 12;
        M.BarBrush = Painter->GetBarBrush(Manager);
        M.SelectedItemBrush = Painter->GetSelectedItemBrush(Manager);
        M.ItemBrush = Painter->GetItemBrush(Manager);
        M.CheckedItemBrush = Painter->GetCheckedItemBrush(Manager);
        M.BkBrush = M.CachedBarBrush = cbResolveBrush(Painter->GetSubMenuBrush());
        Painter->CalcSubMenuMetrics(&M, DC, M.Metrics);
        FakeItemControl Plain(&M), Hot(&M), Checked(&M), Disabled(&M);
        Plain.Caption = "&New";
        Plain.Glyph = &Glyph;
        Hot.Caption = "&Open";
        Hot.Glyph = &Glyph;
        Hot.Selected = true;
        Checked.Caption = "&Wrap lines";
        Disabled.Caption = "&Print";
        Disabled.Enabled = false;
        Disabled.BeginGroup = true;
        FakeItemControl* Rows[] = {&Plain, &Hot, &Checked, &Disabled};
        const TcbPaintFlags RowStates[] = {{pfEnabled}, {pfEnabled, pfSelected}, {pfEnabled, pfChecked, pfDown}, {}};
        const int32_t RowH = Painter->GetSubItemHeight(&Plain);
        const int32_t ClientW = 168, Band = Painter->GetDetachBandHeight(&M);
        int32_t Y = 1;
        for (FakeItemControl* Row : Rows) {
            if (Row->BeginGroup)
                Y += Painter->GetSubMenuBeginGroupSize();
            Row->ItemRect = Rect(1, Y, ClientW - 1, Y + RowH);
            Row->Height = RowH;
            Row->Width = ClientW - 2;
            Y += RowH;
            M.Controls.push_back(Row);
        }
        const int32_t ClientH = Y + 1 + M.BottomReserve;
        M.Client = Rect(0, 0, ClientW, ClientH);
        const int32_t Saved = SaveDC(DC);
        SetViewportOrgEx(DC, 180, 330, nullptr);
        Painter->DrawSubMenuBorder(&M, DC, Rect(0, 0, ClientW + 2, ClientH + Band + 2));
        SetViewportOrgEx(DC, 181, 331 + Band, nullptr);
        Painter->DrawSubMenuSideBand(&M, DC, M.BarBrush, M.Client);
        Painter->DrawSubMenuContent(&M, DC);
        SelectClipRgn(DC, nullptr);
        for (size_t I = 0; I < 4; ++I) {
            if (Rows[I]->BeginGroup)
                Painter->DrawSubMenuBeginGroup(&M, Rows[I], DC);
            Painter->DrawMenuItem(Rows[I], DC, Rows[I]->ItemRect, RowStates[I]);
        }
        RestoreDC(DC, Saved);
    }
    SheetLabel(DC, 4, 536, "floating bar with caption, close and mark; menu with detach band, group and expand button");
    SelectObject(DC, OldFont);
    return D.Shot();
}

std::string SavePainterSheet(TcbPainterClass Painter, TcbBarManager* Manager, const std::string& Name)
{
    return TestSupport::SaveShot(PaintPainterSheet(Painter, Manager), Name);
}

} // namespace CommandBarsTest
