// The painters of the Customize dialog's commands list on memory bitmaps: which painter a
// manager's style gives (in both prefixes), the colours of unselected and selected rows with a
// glyph against the system colours, the Office11 set and XP's theme drawn by the test, the
// sub-menu arrow and the bracketed caption of container items, the drop-down part's etched line,
// focus rectangles, and that no row of any kind (edits and combos included) paints outside its
// rectangle or leaves part of it unpainted.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/foundation/cbTheme.h"
#include "commandbars/lookandfeel/uiLookAndFeel.h"
#include "commandbars/customize/cbBarCustFormPainters.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "tests/commandbars/ModelSupport.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using namespace CommandBarsTest;
using TestSupport::ExpectPixel;

namespace {

constexpr COLORREF kMarker = RGB(1, 2, 3);

COLORREF RGBOf(TColor Color)
{
    return ColorToRGB(Color);
}

// A COLORREF as a shot's pixel (0x00RRGGBB).
uint32_t ShotColor(COLORREF C)
{
    return static_cast<uint32_t>(GetRValue(C)) << 16 | static_cast<uint32_t>(GetGValue(C)) << 8 | GetBValue(C);
}

// A canvas over a memory bitmap prefilled with a marker colour.
struct TRowBitmap {
    explicit TRowBitmap(int32_t W = 200, int32_t H = 22) : D(W, H, kMarker) { Canvas.SetHandle(D.DC()); }
    ~TRowBitmap() { Canvas.SetHandle(nullptr); }
    TRowBitmap(const TRowBitmap&) = delete;
    TRowBitmap& operator=(const TRowBitmap&) = delete;
    TestSupport::TShot Shot() { return D.Shot(); }

    TDib D;
    TCanvas Canvas;
};

// A square glyph of Size in fuchsia (its transparent colour, taken from its corner) with a
// red block in the middle.
std::unique_ptr<TBitmap> MakeGlyph(int32_t Size)
{
    auto G = std::make_unique<TBitmap>();
    G->SetSize(Size, Size);
    G->GetCanvas()->GetBrush()->SetColor(clFuchsia);
    G->GetCanvas()->FillRect(Rect(0, 0, Size, Size));
    G->GetCanvas()->GetBrush()->SetColor(clRed);
    G->GetCanvas()->FillRect(Rect(Size / 4, Size / 4, Size - Size / 4, Size - Size / 4));
    return G;
}

// A container item whose first link does not begin a group: it shows a sub-menu arrow.
class TOpenContainer : public TcbBarContainerItem {
public:
    using TcbBarContainerItem::TcbBarContainerItem;
    bool FirstLinkBeginsGroup() const override { return false; }
};

// A Flat manager with a button that has a 16 x 16 glyph, a plain sub-item, a container, a
// drop-down button, an edit and a combo.
struct TPainterScene : TManagerForm {
    TcbBarButton* Button = new TcbBarButton(Form.get());
    TcbBarButton* DropDown = new TcbBarButton(Form.get());
    TcbBarSubItem* SubItem = new TcbBarSubItem(Form.get());
    TcbBarContainerItem* Container = new TcbBarContainerItem(Form.get());
    TOpenContainer* OpenContainer = new TOpenContainer(Form.get());
    TcbBarEdit* Edit = new TcbBarEdit(Form.get());
    TcbBarCombo* Combo = new TcbBarCombo(Form.get());

    TPainterScene()
    {
        Manager->SetStyle(bmsFlat);
        Button->SetGlyph(MakeGlyph(16).get());
        DropDown->SetButtonStyle(bsDropDown);
    }
};

struct TNamedPainter {
    const char* Name;
    const TcbBarCustomizingFormPainter* Painter;
};

std::vector<TNamedPainter> AllPainters()
{
    return {{"Standard", CustomizingFormStandardPainter()},
            {"Flat", CustomizingFormFlatPainter()},
            {"XP", CustomizingFormXPPainter()},
            {"Office11", CustomizingFormOffice11Painter()}};
}

// Keeps the Office11 colour set built while a test reads it.
struct TOffice11User {
    TOffice11User() { AcquireOffice11Colors(); }
    ~TOffice11User() { ReleaseOffice11Colors(); }
    TOffice11User(const TOffice11User&) = delete;
    TOffice11User& operator=(const TOffice11User&) = delete;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// The choice (both prefixes)

TEST(CustomizingFormPainterChoice, FollowsTheEffectiveStyleAndTheThemes)
{
    const bool Classic = TestSupport::WineProfile() == "classic";
    if (Classic) {
        EXPECT_FALSE(AreThemesInUse()) << "the classic prefix has visual styles on";
    }
    TManagerForm F;
    TcbBarManager* M = F.Manager;
    M->SetStyle(bmsFlat);
    EXPECT_EQ(CustomizingFormPainterClass(M), CustomizingFormFlatPainter());
    M->SetStyle(bmsEnhanced);
    EXPECT_EQ(CustomizingFormPainterClass(M), CustomizingFormStandardPainter());
    M->SetStyle(bmsStandard);
    EXPECT_EQ(CustomizingFormPainterClass(M), CustomizingFormStandardPainter());
    M->SetStyle(bmsOffice11);
    EXPECT_EQ(CustomizingFormPainterClass(M), CustomizingFormOffice11Painter());
    M->SetStyle(bmsXP);
    EXPECT_EQ(CustomizingFormPainterClass(M), Classic ? CustomizingFormStandardPainter() : CustomizingFormXPPainter());
    // The look-and-feel setting decides through the effective style.
    M->SetStyle(bmsUseLookAndFeel);
    M->GetLookAndFeel()->SetNativeStyle(false);
    M->GetLookAndFeel()->SetKind(lfUltraFlat);
    EXPECT_EQ(CustomizingFormPainterClass(M), CustomizingFormFlatPainter());
    M->GetLookAndFeel()->SetNativeStyle(true);
    EXPECT_EQ(CustomizingFormPainterClass(M), Classic ? CustomizingFormFlatPainter() : CustomizingFormXPPainter());
    EXPECT_EQ(CustomizingFormPainterClass(nullptr), CustomizingFormStandardPainter());
}

// ---------------------------------------------------------------------------------------------
// Rows with a glyph

TEST(CustomizingFormPainterRows, UnselectedGlyphRowsShowTheirStylesColumnAndBackground)
{
    TPainterScene S;
    TOffice11User Office11;
    const COLORREF Face = Sys(COLOR_BTNFACE);
    for (const TNamedPainter& P : AllPainters()) {
        TRowBitmap B;
        P.Painter->DrawCommand(&B.Canvas, Rect(0, 0, 200, 22), S.Button, "Save", false);
        const TestSupport::TShot Shot = B.Shot();
        const std::string What = std::string(P.Name) + " unselected";
        const std::string Name = P.Name;
        if (Name == "Standard" || Name == "XP") {
            ExpectPixel(Shot, 1, 1, Face, What + " column");
            ExpectPixel(Shot, 100, 1, Face, What + " caption area");
        } else if (Name == "Flat") {
            ExpectPixel(Shot, 1, 1, Face, What + " glyph square");
            ExpectPixel(Shot, 100, 1, Sys(COLOR_WINDOW), What + " caption area");
        } else {
            const TcbOffice11Colors& C = Office11Colors();
            ExpectPixel(Shot, 0, 11, RGBOf(C.MenuBandGradientStart), What + " band start");
            ExpectPixel(Shot, 21, 11, RGBOf(C.MenuBandGradientEnd), What + " band end");
            ExpectPixel(Shot, 100, 1, RGBOf(C[occMenuBackground]), What + " caption area");
        }
        // The glyph itself lands in its column: its red block is centred there.
        EXPECT_EQ(Shot.At(10, 10), 0xFF0000u) << What;
        EXPECT_EQ(Shot.CountOf(0xFF00FF), 0u) << What << ": the glyph's transparent colour shows";
    }
}

TEST(CustomizingFormPainterRows, SelectedGlyphRowsFrameTheirColumnOrRowInTheStylesColours)
{
    TPainterScene S;
    TOffice11User Office11;
    const TRect R = Rect(0, 0, 200, 22);
    {
        TRowBitmap B;
        CustomizingFormStandardPainter()->DrawCommand(&B.Canvas, R, S.Button, "Save", true);
        const TestSupport::TShot Shot = B.Shot();
        ExpectPixel(Shot, 0, 0, Sys(COLOR_BTNHIGHLIGHT), "Standard raised column");
        ExpectPixel(Shot, 1, 1, Sys(COLOR_BTNFACE), "Standard column inside");
        ExpectPixel(Shot, 100, 1, Sys(COLOR_HIGHLIGHT), "Standard caption area");
    }
    {
        TRowBitmap B;
        CustomizingFormFlatPainter()->DrawCommand(&B.Canvas, R, S.Button, "Save", true);
        const TestSupport::TShot Shot = B.Shot();
        ExpectPixel(Shot, 0, 0, Sys(COLOR_HIGHLIGHT), "Flat row frame");
        ExpectPixel(Shot, 199, 21, Sys(COLOR_HIGHLIGHT), "Flat row frame's far corner");
        ExpectPixel(Shot, 100, 1, RGBOf(S.Manager->GetFlatSelectedColor()), "Flat selection");
    }
    {
        TRowBitmap B;
        CustomizingFormOffice11Painter()->DrawCommand(&B.Canvas, R, S.Button, "Save", true);
        const TestSupport::TShot Shot = B.Shot();
        ExpectPixel(Shot, 0, 0, RGBOf(Office11Colors()[occSelectedFrame]), "Office11 row frame");
        ExpectPixel(Shot, 100, 1, RGBOf(Office11Colors()[occSelectedItem]), "Office11 selection");
    }
}

TEST(CustomizingFormPainterRows, XPSelectedButtonColumnIsTheHotToolbarButton)
{
    if (!AreThemesInUse())
        GTEST_SKIP() << "visual styles are off here";
    TPainterScene S;
    TRowBitmap B;
    CustomizingFormXPPainter()->DrawCommand(&B.Canvas, Rect(0, 0, 200, 22), S.Button, "Save", true);
    const TestSupport::TShot Shot = B.Shot();
    ExpectPixel(Shot, 100, 1, Sys(COLOR_HIGHLIGHT), "XP caption area");

    // The test's own drawing of the part over the same fill.
    TDib Ref(200, 22, Sys(COLOR_BTNFACE));
    HTHEME Theme = UxTheme::OpenThemeData(nullptr, L"ToolBar");
    ASSERT_NE(Theme, nullptr);
    const RECT Column{0, 0, 23, 22};
    UxTheme::DrawThemeBackground(Theme, Ref.DC(), 1, 2, &Column, nullptr);
    UxTheme::CloseThemeData(Theme);
    const RECT Glyph{3, 3, 19, 19};
    int32_t Differing = 0, Compared = 0;
    for (int32_t Y = 0; Y < 22; ++Y)
        for (int32_t X = 0; X < 23; ++X) {
            const POINT Pt{X, Y};
            if (PtInRect(&Glyph, Pt))
                continue;
            ++Compared;
            Differing += Shot.At(X, Y) != ShotColor(Ref.Pixel(X, Y));
        }
    EXPECT_EQ(Differing, 0) << "of " << Compared << " column pixels outside the glyph";
    // The part is not just the face: the light style draws a frame there.
    EXPECT_NE(Ref.Pixel(0, 0), Sys(COLOR_BTNFACE));
}

// ---------------------------------------------------------------------------------------------
// Sub-menus, containers and drop-down parts

TEST(CustomizingFormPainterRows, SubItemsGetTheArrowAndContainersTheirBrackets)
{
    TPainterScene S;
    TOffice11User Office11;
    for (const TNamedPainter& P : AllPainters()) {
        const std::string Name = P.Name;
        const COLORREF Text = Name == "Office11" ? RGBOf(Office11Colors()[occText]) : Sys(COLOR_BTNTEXT);
        TRowBitmap Sub;
        P.Painter->DrawCommand(&Sub.Canvas, Rect(0, 0, 200, 22), S.SubItem, "Recent", false);
        ExpectPixel(Sub.Shot(), 191, 10, Text, Name + " sub-item arrow");
        ExpectPixel(Sub.Shot(), 194, 10, Text, Name + " sub-item arrow's tip");
        EXPECT_NE(Sub.Shot().At(195, 10), Sub.Shot().At(194, 10)) << Name << ": the arrow ends at its tip";

        // A container shows "(caption)" and no arrow: the same picture as a plain button
        // captioned so.
        TRowBitmap Boxed;
        P.Painter->DrawCommand(&Boxed.Canvas, Rect(0, 0, 200, 22), S.Container, "Windows", false);
        TcbBarButton* Twin = new TcbBarButton(S.Form.get());
        TRowBitmap Expected;
        P.Painter->DrawCommand(&Expected.Canvas, Rect(0, 0, 200, 22), Twin, "(Windows)", false);
        EXPECT_EQ(Boxed.Shot().Pixels, Expected.Shot().Pixels) << Name << " container caption";
        delete Twin;

        // One whose first link begins no group is drawn as a sub-item.
        TRowBitmap Open;
        P.Painter->DrawCommand(&Open.Canvas, Rect(0, 0, 200, 22), S.OpenContainer, "Recent", false);
        EXPECT_EQ(Open.Shot().Pixels, Sub.Shot().Pixels) << Name << " open container";
    }
}

TEST(CustomizingFormPainterRows, StandardDropDownPartIsEtchedAndCarriesTheArrow)
{
    TPainterScene S;
    TRowBitmap B;
    CustomizingFormStandardPainter()->DrawCommand(&B.Canvas, Rect(0, 0, 200, 22), S.DropDown, "Undo", false);
    const TestSupport::TShot Shot = B.Shot();
    ExpectPixel(Shot, 186, 11, Sys(COLOR_BTNSHADOW), "etched line, dark half");
    ExpectPixel(Shot, 187, 11, Sys(COLOR_BTNHIGHLIGHT), "etched line, light half");
    ExpectPixel(Shot, 185, 1, Sys(COLOR_BTNFACE), "caption area before the part");
    ExpectPixel(Shot, 188, 1, Sys(COLOR_BTNFACE), "the part's fill");
    ExpectPixel(Shot, 191, 10, Sys(COLOR_BTNTEXT), "the part's arrow");

    // Selected, the part is raised and its arrow keeps the unselected text colour.
    TRowBitmap Sel;
    CustomizingFormStandardPainter()->DrawCommand(&Sel.Canvas, Rect(0, 0, 200, 22), S.DropDown, "Undo", true);
    ExpectPixel(Sel.Shot(), 187, 0, Sys(COLOR_BTNHIGHLIGHT), "raised part");
    ExpectPixel(Sel.Shot(), 191, 10, Sys(COLOR_BTNTEXT), "selected part's arrow");
    ExpectPixel(Sel.Shot(), 100, 1, Sys(COLOR_HIGHLIGHT), "selected caption area");
}

// ---------------------------------------------------------------------------------------------
// Focus rectangles and bounds

TEST(CustomizingFormPainterRows, FocusRectanglesInvertOnlyWhereTheStyleHasOne)
{
    TPainterScene S;
    TOffice11User Office11;
    const TRect R = Rect(0, 0, 200, 22);
    for (const TNamedPainter& P : AllPainters()) {
        const std::string Name = P.Name;
        TRowBitmap B;
        P.Painter->DrawCommand(&B.Canvas, R, S.Button, "Save", false);
        const std::vector<uint32_t> Before = B.Shot().Pixels;
        P.Painter->DrawCommandFocusRect(&B.Canvas, R, S.Button);
        const std::vector<uint32_t> Once = B.Shot().Pixels;
        P.Painter->DrawCommandFocusRect(&B.Canvas, R, S.Button);
        EXPECT_EQ(B.Shot().Pixels, Before) << Name << ": drawn twice, the focus rectangle leaves the row as it was";
        if (Name == "Flat" || Name == "Office11") {
            EXPECT_EQ(Once, Before) << Name << " draws no focus rectangle";
        } else {
            EXPECT_NE(Once, Before) << Name << " draws a focus rectangle";
        }
        // Changed pixels of one row of the picture, within [X0, X1).
        auto ChangedIn = [&](int32_t Y, int32_t X0, int32_t X1) {
            int32_t N = 0;
            for (int32_t X = X0; X < X1; ++X)
                N += Once[Y * 200 + X] != Before[Y * 200 + X];
            return N;
        };
        if (Name == "Standard") {
            // Two pixels in on every side.
            EXPECT_EQ(ChangedIn(1, 0, 200), 0);
            EXPECT_GT(ChangedIn(2, 0, 200), 50);
            EXPECT_EQ(ChangedIn(10, 0, 2), 0);
        }
        if (Name == "XP") {
            // Beside the glyph column of a button with a glyph.
            EXPECT_EQ(ChangedIn(0, 0, 24), 0);
            EXPECT_GT(ChangedIn(0, 24, 200), 50);
        }
    }
}

TEST(CustomizingFormPainterRows, NoRowOfAnyKindPaintsOutsideItsRectangle)
{
    TPainterScene S;
    TOffice11User Office11;
    // A glyph larger than the row is cut at its column.
    auto* Big = new TcbBarButton(S.Form.get());
    Big->SetGlyph(MakeGlyph(40).get());
    const std::vector<TcbBarItem*> Items = {S.Button, S.DropDown, S.SubItem, S.Container, Big, S.Edit, S.Combo};
    const TRect R = Rect(10, 22, 190, 44);
    for (const TNamedPainter& P : AllPainters())
        for (TcbBarItem* Item : Items)
            for (bool Selected : {false, true}) {
                TRowBitmap B(200, 66);
                const std::string Caption = "Caption";
                if (dynamic_cast<TcbBarEdit*>(Item))
                    P.Painter->DrawEditCommand(&B.Canvas, R, Item, Caption, Selected);
                else
                    P.Painter->DrawCommand(&B.Canvas, R, Item, Caption, Selected);
                P.Painter->DrawCommandFocusRect(&B.Canvas, R, Item);
                const TestSupport::TShot Shot = B.Shot();
                int32_t Outside = 0, InsideMarker = 0;
                for (int32_t Y = 0; Y < 66; ++Y)
                    for (int32_t X = 0; X < 200; ++X) {
                        const bool In = X >= R.left && X < R.right && Y >= R.top && Y < R.bottom;
                        const bool Marker = Shot.At(X, Y) == 0x010203;
                        Outside += !In && !Marker;
                        InsideMarker += In && Marker;
                    }
                const std::string What = std::string(P.Name) + " " + Item->ClassName() + (Selected ? " selected" : "");
                EXPECT_EQ(Outside, 0) << What << ": pixels painted outside the row";
                EXPECT_EQ(InsideMarker, 0) << What << ": pixels of the row left unpainted";
            }
    // Without an item nothing is drawn.
    for (const TNamedPainter& P : AllPainters()) {
        TRowBitmap B;
        P.Painter->DrawCommand(&B.Canvas, Rect(0, 0, 200, 22), nullptr, "x", true);
        P.Painter->DrawEditCommand(&B.Canvas, Rect(0, 0, 200, 22), nullptr, "x", true);
        EXPECT_EQ(B.Shot().CountOf(0x010203), 200u * 22u) << P.Name;
    }
}
