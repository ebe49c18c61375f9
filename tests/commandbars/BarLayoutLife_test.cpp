// The bar layout's round trip through a form's life: a shown form whose bars the user changed is
// destroyed (its window's WM_DESTROY saves the layout), made again from the same design and shown,
// and its live windows are compared with the ones it had; stored dock sites that resolve to no
// site or to a control of another kind; and a floating window lost with its form's window, whose
// clean-up must not reach a bar of the next form.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarLayoutStore.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/IniFiles.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Files.h"
#include "platform/win/Registry.h"
#include "tests/commandbars/BarLayoutFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using namespace BarLayoutTest;

namespace {

enum TStoreKind { skRegistry, skIniFile };

constexpr uint32_t kRed = 0xFF0000; // as a shot holds it

// What the round trip compares of one live bar.
struct TLiveBar {
    bool Visible = false;
    TcbBarDockingStyle Docking = dsNone;
    int32_t Row = -1;
    std::string Site; // the qualified name of the site the window sits on; "" floating or none
    bool SiteIsEdge = false;
    TRect Window{};   // screen rectangle of the bar's window; empty without one
    TRect Client{};
};

HWND BarWindow(const TcbBar* Bar)
{
    TCustomcbBarControl* Control = Bar->GetBarControl();
    return Control && Control->HandleAllocated() ? Control->GetHandle() : nullptr;
}

TLiveBar LiveBar(const TcbBar* Bar)
{
    TLiveBar Result;
    Result.Visible = Bar->GetVisible();
    Result.Docking = Bar->GetDockingStyle();
    Result.Row = Bar->GetRow();
    if (const HWND W = BarWindow(Bar)) {
        RECT R{}, C{};
        ::GetWindowRect(W, &R);
        ::GetClientRect(W, &C);
        Result.Window = R;
        Result.Client = C;
        if (auto* Toolbar = dynamic_cast<TcbBarControl*>(Bar->GetBarControl()))
            if (TcbDockControl* Site = Toolbar->GetDockSite()) {
                Result.SiteIsEdge = Bar->GetBars()->IsEdgeDockControl(Site);
                Result.Site = Result.SiteIsEdge ? "edge" : QualifiedComponentName(Site);
            }
    }
    return Result;
}

// A 16 x 16 picture, red but for its bottom-left pixel (the picture's transparent colour).
void RedGlyph(TBitmap& Glyph)
{
    Glyph.SetSize(16, 16);
    TCanvas* C = Glyph.GetCanvas();
    C->GetBrush()->SetColor(clRed);
    C->FillRect(TRect{0, 0, 16, 16});
    C->SetPixel(0, 15, clWhite);
}

size_t RedPixelsOf(const TcbBar* Bar)
{
    const HWND W = BarWindow(Bar);
    if (!W)
        return 0;
    return TestSupport::CaptureFullPaint(W).CountOf(kRed);
}

class BarLayoutLife : public ::testing::TestWithParam<TStoreKind> {
protected:
    std::string Layout() const { return Key.Path() + "\\Layout"; }
    std::string IniFile() const { return Folder.File("layout.ini"); }

    // The next forms store their layout in the test's store.
    void StoreOn()
    {
        gLayoutDesign.DockRight = true;
        if (GetParam() == skRegistry) {
            gLayoutDesign.StoreInRegistry = true;
            gLayoutDesign.RegistryPath = Layout();
        } else {
            gLayoutDesign.StoreInIniFile = true;
            gLayoutDesign.IniFileName = IniFile();
        }
    }

    // A form made from the design and shown at one place, its windows settled.
    TLayoutFormPtr ShownForm()
    {
        TLayoutFormPtr Form = MakeLayoutForm();
        Form->SetBounds(60, 40, 720, 480);
        Form->Show();
        CommandBarsTest::Settle();
        return Form;
    }

    // The store holds a layout written by a form's destruction.
    bool Stored() const
    {
        if (GetParam() == skRegistry) {
            TRegistry R;
            return R.OpenKeyReadOnly(Layout()) && R.ValueExists("BarCount");
        }
        return FileExists(IniFile());
    }

    TLayoutDesignScope Design;
    TestSupport::TTestRegistryKey Key;
    TestSupport::TTempFolder Folder;
};

std::string StoreName(const ::testing::TestParamInfo<TStoreKind>& Info)
{
    return Info.param == skRegistry ? "Registry" : "IniFile";
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The round trip

TEST_P(BarLayoutLife, AFormDestroyedAndMadeAgainShowsItsBarsAsTheUserLeftThem)
{
    StoreOn();
    std::map<std::string, TLiveBar> Before;
    size_t RedBefore = 0;
    {
        TLayoutFormPtr Form = ShownForm();
        TcbBarManager* M = Form->Manager();
        ASSERT_NE(BarWindow(Form->Bar(1)), nullptr);

        // "Standard" moved below the main menu's row, 40 pixels in.
        TcbBar* Standard = Form->Bar(1);
        Standard->SetVisible(false);
        Standard->SetRow(2);
        Standard->SetDockedLeft(40);
        Standard->SetDockedTop(200);
        Standard->SetVisible(true);

        // A new bar with btnSave, docked on the form's own site at the right.
        TcbBar* Custom = M->GetBars()->Add();
        Custom->SetCaption("Custom 1");
        Custom->GetItemLinks()->Add()->SetItem(Form->Item("btnSave"));
        Custom->SetDockControl(Form->DockRight());
        Custom->SetVisible(true);

        // "Tools" dragged to (320, 240), then sized from its right edge to a client 180 wide the
        // way the system's sizing loop does it: the window answers WM_SIZING with the size its
        // buttons fit and is given that rectangle.
        const HWND Tools = BarWindow(Form->Bar(2));
        ASSERT_NE(Tools, nullptr);
        SetWindowPos(Tools, nullptr, 320, 240, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT W{}, C{};
        ::GetWindowRect(Tools, &W);
        ::GetClientRect(Tools, &C);
        ASSERT_EQ(W.left, 320);
        RECT Sized{W.left, W.top, W.left + 180 + (W.right - W.left) - C.right, W.bottom};
        SendMessageA(Tools, WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&Sized));
        SetWindowPos(Tools, nullptr, Sized.left, Sized.top, Sized.right - Sized.left, Sized.bottom - Sized.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);

        // btnSave's link hidden; btnOpen's with the user's caption, picture and style.
        TcbBarItemLinks* Links = Standard->GetItemLinks();
        Links->GetItem(2)->SetVisible(false);
        // The nameless button's link cannot be stored: the user's layout has it removed, so that
        // the bar's width compares.
        Links->Delete(3);
        TcbBarItemLink* Open = Links->GetItem(1);
        Open->SetUserCaption("Op&en now");
        TBitmap Glyph;
        RedGlyph(Glyph);
        Open->SetUserGlyph(&Glyph);
        Open->SetUserPaintStyle(psCaptionGlyph);
        Form->SubFile()->GetItemLinks()->Delete(1);
        CommandBarsTest::Settle();

        for (int32_t I = 0; I < Form->BarCount(); ++I)
            Before[Form->Bar(I)->GetCaption()] = LiveBar(Form->Bar(I));
        RedBefore = RedPixelsOf(Standard);
        ASSERT_GE(RedBefore, 200u) << "btnOpen's picture is drawn";
        EXPECT_EQ(Before["Custom 1"].Site, "LayoutForm.DockRight");
        EXPECT_EQ(Before["Tools"].Window.left, 320);
        EXPECT_EQ(Before["Tools"].Window.top, 240);
        ASSERT_FALSE(Stored()) << "nothing is saved before the form goes";
    }
    ASSERT_TRUE(Stored()) << "the form's WM_DESTROY saves";

    TLayoutFormPtr Form = ShownForm();
    ASSERT_EQ(Form->BarCount(), 4);
    for (int32_t I = 0; I < Form->BarCount(); ++I) {
        const std::string Caption = Form->Bar(I)->GetCaption();
        ASSERT_EQ(Before.count(Caption), 1u) << Caption;
        const TLiveBar& Was = Before[Caption];
        const TLiveBar Now = LiveBar(Form->Bar(I));
        EXPECT_EQ(Now.Visible, Was.Visible) << Caption;
        EXPECT_EQ(Now.Docking, Was.Docking) << Caption;
        EXPECT_EQ(Now.Row, Was.Row) << Caption;
        EXPECT_EQ(Now.Site, Was.Site) << Caption;
        EXPECT_TRUE(EqualRect(&Now.Window, &Was.Window))
            << Caption << ": (" << Now.Window.left << "," << Now.Window.top << ")-(" << Now.Window.right << ","
            << Now.Window.bottom << ") was (" << Was.Window.left << "," << Was.Window.top << ")-(" << Was.Window.right
            << "," << Was.Window.bottom << ")";
        EXPECT_TRUE(EqualRect(&Now.Client, &Was.Client)) << Caption;
    }
    EXPECT_EQ(Form->Bar(1)->GetDockedLeft(), 40);
    EXPECT_EQ(Form->Bar(3)->GetCaption(), "Custom 1");
    EXPECT_EQ(Form->Bar(3)->GetDockControl(), Form->DockRight());
    EXPECT_EQ(Form->Bar(3)->GetDockingStyle(), dsRight);
    ASSERT_EQ(Form->Links(3)->GetCount(), 1);
    EXPECT_EQ(Form->Links(3)->GetItem(0)->GetItem(), Form->Item("btnSave"));
    const TcbBar* Tools = Form->Bar(2);
    EXPECT_EQ(Tools->GetFloatLeft(), 320);
    EXPECT_EQ(Tools->GetFloatTop(), 240);
    EXPECT_EQ(Tools->GetFloatClientWidth(), Before["Tools"].Client.right);
    EXPECT_EQ(Tools->GetFloatClientHeight(), Before["Tools"].Client.bottom);

    TcbBarItemLinks* Links = Form->Links(1);
    ASSERT_EQ(Links->GetCount(), 3);
    EXPECT_FALSE(Links->GetItem(2)->GetVisible());
    const TcbBarItemLink* Open = Links->GetItem(1);
    EXPECT_EQ(Open->GetCaption(), "Op&en now");
    EXPECT_EQ(Open->GetPaintStyle(), psCaptionGlyph);
    EXPECT_TRUE(Open->GetOwnBeginGroup());
    const size_t RedAfter = RedPixelsOf(Form->Bar(1));
    if (GetParam() == skRegistry) {
        EXPECT_EQ(RedAfter, RedBefore) << "the picture is drawn again from the registry";
        EXPECT_TRUE(Open->GetUserDefine().Contains(udGlyph));
    } else {
        EXPECT_EQ(RedAfter, 0u) << "the ini file keeps no pictures";
        EXPECT_TRUE(Open->GetUserGlyph()->GetEmpty());
    }
    TcbBarItemLinks* File = Form->SubFile()->GetItemLinks();
    ASSERT_EQ(File->GetCount(), 2);
    EXPECT_EQ(File->GetItem(0)->GetItem(), Form->Item("btnNew"));
    EXPECT_EQ(File->GetItem(1)->GetItem(), Form->Item("btnSave"));
}

TEST_P(BarLayoutLife, ABarFreedBeforeTheFormGoesStaysGone)
{
    StoreOn();
    {
        TLayoutFormPtr Form = ShownForm();
        // A stale store of three bars is replaced by the form's destruction.
        Form->Manager()->SaveLayout();
        Form->Manager()->GetBars()->Delete(2);
    }
    TLayoutFormPtr Form = ShownForm();
    EXPECT_EQ(Form->BarCount(), 3) << "the design's three bars";
    EXPECT_EQ(Form->Bar(2)->GetCaption(), "Tools");
    EXPECT_FALSE(Form->Bar(2)->GetVisible()) << "stored two bars hide the third";
    EXPECT_EQ(BarWindow(Form->Bar(2)), nullptr);
    EXPECT_NE(BarWindow(Form->Bar(1)), nullptr);
    EXPECT_TRUE(IsWindowVisible(BarWindow(Form->Bar(1))));
}

// ---------------------------------------------------------------------------------------------
// Stored dock sites on live forms

TEST_P(BarLayoutLife, StoredSitesThatAreGoneOrNoSiteLeaveTheBarsOnTheFormsEdgeSites)
{
    StoreOn();
    {
        TLayoutFormPtr Form = ShownForm();
        Form->Bar(0)->SetDockControl(Form->DockRight());
        Form->Bar(1)->SetDockControl(Form->DockRight());
    }
    // The stored sites: Standard's names a site the form no longer has (it keeps the stored
    // style: the bottom edge); the main menu's names the form's label (it stops reading there
    // and shows at the edge its design gave it).
    if (GetParam() == skRegistry) {
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(Layout() + "\\Bar1", false));
        ASSERT_EQ(R.ReadString("DockControl"), "LayoutForm.DockRight");
        R.WriteString("DockControl", "LayoutForm.DockGone");
        R.WriteInteger("DockingStyle", dsBottom);
        R.CloseKey();
        ASSERT_TRUE(R.OpenKey(Layout() + "\\Bar0", false));
        R.WriteString("DockControl", "LayoutForm.CaptionLabel");
    } else {
        TMemIniFile Ini(IniFile());
        ASSERT_EQ(Ini.ReadString("LayoutForm.BarManager1.Bar1", "DockControl", ""), "LayoutForm.DockRight");
        Ini.WriteString("LayoutForm.BarManager1.Bar1", "DockControl", "LayoutForm.DockGone");
        Ini.WriteInteger("LayoutForm.BarManager1.Bar1", "DockingStyle", dsBottom);
        Ini.WriteString("LayoutForm.BarManager1.Bar0", "DockControl", "LayoutForm.CaptionLabel");
        Ini.UpdateFile();
    }
    TLayoutFormPtr Form;
    ASSERT_NO_THROW(Form = ShownForm());
    TcbBars* Bars = Form->Manager()->GetBars();

    const TcbBar* Standard = Form->Bar(1);
    EXPECT_EQ(Standard->GetDockControl(), nullptr);
    EXPECT_EQ(Standard->GetDockingStyle(), dsBottom);
    ASSERT_NE(BarWindow(Standard), nullptr);
    EXPECT_EQ(::GetParent(BarWindow(Standard)), Bars->GetDockControl(dsBottom)->GetHandle());
    EXPECT_TRUE(IsWindowVisible(BarWindow(Standard)));

    const TcbBar* MainMenu = Form->Bar(0);
    EXPECT_TRUE(MainMenu->GetVisible());
    EXPECT_NE(MainMenu->GetDockControl(), Form->DockRight());
    ASSERT_NE(BarWindow(MainMenu), nullptr);
    const HWND Parent = ::GetParent(BarWindow(MainMenu));
    EXPECT_EQ(Parent, Bars->GetDockControl(MainMenu->GetDockingStyle())->GetHandle());
    EXPECT_NE(Parent, Form->DockRight()->GetHandle());
    EXPECT_TRUE(IsWindowVisible(BarWindow(MainMenu)));
    // The form keeps working: its site takes a bar.
    Form->Bar(2)->SetDockControl(Form->DockRight());
    ASSERT_NE(BarWindow(Form->Bar(2)), nullptr);
    EXPECT_EQ(::GetParent(BarWindow(Form->Bar(2))), Form->DockRight()->GetHandle());
}

INSTANTIATE_TEST_SUITE_P(Stores, BarLayoutLife, ::testing::Values(skRegistry, skIniFile), StoreName);

// ---------------------------------------------------------------------------------------------
// A docked bar's layout follows its links

TEST(BarLayoutFormLife, ADockedBarIsLaidOutAgainWhenALinkIsHiddenOrDeletedOrGetsAPicture)
{
    TLayoutDesignScope Design;
    TLayoutFormPtr Form = MakeLayoutForm();
    Form->SetBounds(60, 40, 720, 480);
    Form->Show();
    TcbBar* Standard = Form->Bar(1);
    TcbBarItemLinks* Links = Standard->GetItemLinks();
    const auto Width = [Standard] {
        RECT R{};
        ::GetWindowRect(BarWindow(Standard), &R);
        return R.right - R.left;
    };
    ASSERT_NE(BarWindow(Standard), nullptr);
    const int32_t Full = Width();
    const TRect NamelessAt = Links->GetItem(3)->GetItemRect();
    Links->GetItem(2)->SetVisible(false);
    EXPECT_LT(Width(), Full) << "a hidden link gives its room back";
    EXPECT_LT(Links->GetItem(3)->GetItemRect().left, NamelessAt.left) << "the next link moves up";
    const int32_t Hidden = Width();
    Links->Delete(3);
    EXPECT_LT(Width(), Hidden) << "a deleted link gives its room back";

    // A caption-and-picture link that gets a picture draws it at once.
    TcbBarItemLink* Open = Links->GetItem(1);
    Open->SetUserPaintStyle(psCaptionGlyph);
    TBitmap Glyph;
    RedGlyph(Glyph);
    Open->SetUserGlyph(&Glyph);
    EXPECT_GE(RedPixelsOf(Standard), 200u);
}

// ---------------------------------------------------------------------------------------------
// A floating window lost with its form's window

TEST(BarLayoutFormLife, AFloatingWindowLostWithItsFormsWindowNeverHidesALaterWindowOfItsBar)
{
    TLayoutDesignScope Design;
    TLayoutFormPtr Form = MakeLayoutForm();
    Form->SetBounds(60, 40, 720, 480);
    Form->Show();
    TcbBar* Tools = Form->Bar(2);
    ASSERT_NE(BarWindow(Tools), nullptr);
    // The form's window goes while the form stays: its floating bar's window goes with it, and
    // the bar waits for the form's next window.
    Form->DestroyHandle();
    EXPECT_EQ(BarWindow(Tools), nullptr);
    // Before the lost window's clean-up has run, the bar is hidden and shown again: its new
    // window takes the lost one's memory.
    Tools->SetVisible(false);
    Tools->SetVisible(true);
    // The form's window comes back as a recreated window does; the bar waited for it.
    Form->HandleNeeded();
    Form->Show();
    ASSERT_NE(BarWindow(Tools), nullptr);
    CommandBarsTest::Settle();
    EXPECT_TRUE(Tools->GetVisible());
    EXPECT_NE(BarWindow(Tools), nullptr);
    Form.reset();

    // A form made again from the design while the old one's clean-up is still on its way.
    for (int Round = 0; Round < 3; ++Round) {
        {
            TLayoutFormPtr Old = MakeLayoutForm();
            Old->Show();
            ASSERT_NE(BarWindow(Old->Bar(2)), nullptr);
            Old->DestroyHandle();
        }
        TLayoutFormPtr Next = MakeLayoutForm();
        Next->Show();
        CommandBarsTest::Settle();
        for (int32_t I = 0; I < Next->BarCount(); ++I) {
            EXPECT_TRUE(Next->Bar(I)->GetVisible()) << "round " << Round << ", bar " << I;
            EXPECT_NE(BarWindow(Next->Bar(I)), nullptr) << "round " << Round << ", bar " << I;
        }
    }
}
