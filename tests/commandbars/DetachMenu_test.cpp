// Menus torn off as floating toolbars, under the real mouse with the form in front: the "&Window"
// menu of the main menu bar carries a detach band that turns hot with its hint; a drag of it
// floats its DetachingBar "Tools" under the cursor, Esc puts the bar back, a release keeps it
// floating and closes the menus; a menu shown on its own detaches too. The drag holds the
// user-interface thread in its loop, so the input comes from a script thread and what happens
// meanwhile is sampled by a thread timer that ticks inside the loop.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbSubMenu.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/FloatingFixture.h"
#include "tests/commandbars/support/HintProbe.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::BrushColor;
using CommandBarsTest::TFloatingFixture;

namespace {

// The floating scene with "&Window" last on the main menu bar: detachable, torn off as "Tools",
// which is hidden at first.
class TDetachFixture : public TFloatingFixture {
public:
    TDetachFixture()
    {
        Window = new TcbBarSubItem(Form.get());
        Window->SetCaption("&Window");
        for (const char* Caption : {"&Cascade", "&Tile", "&Arrange Icons"}) {
            auto* Entry = new TcbBarButton(Form.get());
            Entry->SetCaption(Caption);
            Window->GetItemLinks()->Add()->SetItem(Entry);
        }
        MainMenu->GetItemLinks()->Add()->SetItem(Window);
        Window->SetDetachable(true);
        Window->SetDetachingBar(Tools->GetIndex());
        Tools->SetVisible(false);
        CommandBarsTest::Settle();
    }
    ~TDetachFixture()
    {
        if (TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl())
            Active->HideAll();
        if (TcbBarSubMenuControl* Menu = MenuOfWindow())
            Menu->CloseAndFree();
        CommandBarsTest::Settle();
    }

    TcbBarSubMenuControl* MenuOfWindow() const
    {
        return dynamic_cast<TcbBarSubMenuControl*>(Window->GetItemLinks()->GetBarControl());
    }
    // Opens "&Window" with a real click on its title.
    TcbBarSubMenuControl* Open()
    {
        TcbBarControl* Bar = WindowOf(MainMenu);
        TcbBarItemControl* Title = nullptr;
        for (int32_t I = 0; I < MainMenu->GetItemLinks()->GetCount(); ++I)
            if (MainMenu->GetItemLinks()->GetItem(I)->GetItem() == Window)
                Title = MainMenu->GetItemLinks()->GetItem(I)->GetControl();
        if (!Bar || !Title)
            return nullptr;
        const TRect R = Title->GetItemRect();
        POINT P{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
        ClientToScreen(Bar->GetHandle(), &P);
        TestSupport::Click(P);
        TestSupport::WaitProcessed();
        TestSupport::PumpUntil([this] { return MenuOfWindow() && IsWindowVisible(MenuOfWindow()->GetHandle()); },
                               5000, "the Window menu shown");
        return MenuOfWindow();
    }
    // The screen centre of a menu's detach band.
    static POINT BandCentre(TcbBarSubMenuControl* Menu)
    {
        RECT W{};
        ::GetWindowRect(Menu->GetHandle(), &W);
        const TRect Band = Menu->GetDetachBandRect();
        return POINT{W.left + (Band.left + Band.right) / 2, W.top + (Band.top + Band.bottom) / 2};
    }
    // A point of the form's client area, away from its bars, the menu and the edit.
    POINT FormPoint() const
    {
        POINT P{600, 420};
        ClientToScreen(Form->GetHandle(), &P);
        return P;
    }
    void CloseMenus()
    {
        if (TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl())
            Active->HideAll();
        CommandBarsTest::Settle();
    }
    int32_t FloatingCaptionHeight() const { return Manager->GetPainterClass()->GetFloatingCaptionHeight(); }

    TcbBarSubItem* Window = nullptr;
};

// What the sampler saw at one tick.
struct TSample {
    POINT Cursor{};
    bool Detaching = false;
    bool ToolsShown = false;
    RECT ToolsRect{};
    HWND Capture = nullptr;
    bool Hint = false;
};

// Samples the scene every 10 ms on the user-interface thread, also inside the detach loop.
class TDetachSampler {
public:
    explicit TDetachSampler(TDetachFixture& F) : FFixture(F)
    {
        FTimer = ThreadTimerStart(10, [this](UINT_PTR) { Sample(); });
    }
    ~TDetachSampler() { ThreadTimerStop(FTimer); }
    TDetachSampler(const TDetachSampler&) = delete;
    TDetachSampler& operator=(const TDetachSampler&) = delete;

    std::vector<TSample> Samples;
    // Called once, at the fifth tick that finds "Tools" shown while the menu is being torn off.
    std::function<void()> OnFloating;

    // The last sample taken with the cursor at P while the loop ran (nullptr: none).
    const TSample* LastAt(POINT P) const
    {
        const TSample* Found = nullptr;
        for (const TSample& S : Samples)
            if (S.Detaching && S.Cursor.x == P.x && S.Cursor.y == P.y)
                Found = &S;
        return Found;
    }
    bool EverShown() const
    {
        for (const TSample& S : Samples)
            if (S.ToolsShown)
                return true;
        return false;
    }

private:
    void Sample()
    {
        TSample S;
        GetCursorPos(&S.Cursor);
        S.Detaching = FFixture.Manager->IsDetaching();
        S.Capture = GetCapture();
        S.Hint = CommandBarsTest::HintVisible();
        if (TcbBarControl* W = FFixture.ToolsWindow(); W && W->HandleAllocated() && IsWindowVisible(W->GetHandle())) {
            S.ToolsShown = true;
            ::GetWindowRect(W->GetHandle(), &S.ToolsRect);
        }
        Samples.push_back(S);
        // A few ticks after it floats, so that the bar has painted itself.
        if (S.Detaching && S.ToolsShown && OnFloating && ++FFloatingTicks == 5) {
            auto Call = std::move(OnFloating);
            OnFloating = nullptr;
            Call();
        }
    }
    TDetachFixture& FFixture;
    UINT_PTR FTimer = 0;
    int FFloatingTicks = 0;
};

// The height of "Qq" in a font, halved and made odd: the detach caption.
int32_t DetachCaptionOf(HFONT Font)
{
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font);
    SIZE S{};
    GetTextExtentPoint32A(DC, "Qq", 2, &S);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    return (S.cy / 2) | 1;
}

} // namespace

TEST(DetachBand, TheWindowMenuHasABandAtItsTopThatTurnsHotWithTheDragHint)
{
    TDetachFixture F;
    ASSERT_TRUE(F.BringToFront());
    TcbBarSubMenuControl* Menu = F.Open();
    ASSERT_NE(nullptr, Menu);
    ASSERT_TRUE(Menu->IsDetachable());
    const HWND H = Menu->GetHandle();

    // The band: the Flat height (caption + 1) above the client area, inside the 1-pixel border.
    const int32_t Caption = DetachCaptionOf(Menu->GetFontHandle());
    EXPECT_EQ(1, Caption % 2);
    EXPECT_EQ(Caption, Menu->GetDetachCaptionHeight());
    EXPECT_EQ(Caption + 1, Menu->GetDetachBandHeight());
    RECT W{};
    ::GetWindowRect(H, &W);
    POINT Origin{0, 0};
    ClientToScreen(H, &Origin);
    EXPECT_EQ(W.left + 1, Origin.x);
    EXPECT_EQ(W.top + 1 + Caption + 1, Origin.y) << "WM_NCCALCSIZE reserves the band";
    const POINT Band = TDetachFixture::BandCentre(Menu);
    EXPECT_EQ(HTCLIENT, SendMessageA(H, WM_NCHITTEST, 0, MAKELPARAM(Band.x, Band.y))) << "the band takes the mouse";
    EXPECT_NE(HTCLIENT, SendMessageA(H, WM_NCHITTEST, 0, MAKELPARAM(Band.x, W.top))) << "the border does not";
    EXPECT_NE(HTCLIENT, SendMessageA(H, WM_NCHITTEST, 0, MAKELPARAM(W.left, Band.y)));

    // Drawn plain: the white line above it, the bar brush, the handle lines in the shadow colour.
    const TRect R{2, 2, (W.right - W.left) - 2, 2 + Caption};
    const int32_t HandleLeft = R.left + (R.right - R.left - 33) / 2;
    {
        const TestSupport::TShot Shot = TestSupport::CaptureShown(H);
        TestSupport::ExpectPixel(Shot, R.left + 3, 1, GetSysColor(COLOR_WINDOW), "the line above the band");
        TestSupport::ExpectPixel(Shot, R.left + 3, R.top + 2, BrushColor(Menu->GetBarBrush()), "the plain band");
        TestSupport::ExpectPixel(Shot, HandleLeft + 1, R.top + 1, GetSysColor(COLOR_BTNSHADOW), "a handle line");
        TestSupport::ExpectPixel(Shot, HandleLeft + 1, R.top + 2, BrushColor(Menu->GetBarBrush()), "between lines");
    }
    EXPECT_FALSE(Menu->IsDetachBandHot());

    // The mouse on it: hot, drawn in the selected tint, and the hint after its delay.
    TestSupport::MoveTo(Band);
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Menu->IsDetachBandHot(); }, 3000, "the band hot"));
    {
        const TestSupport::TShot Shot = TestSupport::CaptureShown(H);
        TestSupport::ExpectPixel(Shot, R.left + 3, R.top + 2, BrushColor(Menu->GetSelectedItemBrush()), "the hot band");
        TestSupport::ExpectPixel(Shot, HandleLeft + 1, R.top + 1, GetSysColor(COLOR_BTNTEXT), "a hot handle line");
    }
    ASSERT_TRUE(TestSupport::PumpUntil(
        [] { return CommandBarsTest::HintVisible() && CommandBarsTest::HintText() == "Drag to make this menu float"; },
        5000, "the drag hint"));

    // Down onto a row: plain again, and the hint goes.
    const TRect First = Menu->GetItemLinks()->GetItem(0)->GetControl()->GetItemRect();
    POINT Row{(First.left + First.right) / 2, (First.top + First.bottom) / 2};
    ClientToScreen(H, &Row);
    TestSupport::MoveTo(Row);
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return !Menu->IsDetachBandHot(); }, 3000, "the band plain on a row"));
    EXPECT_TRUE(TestSupport::PumpUntil([] { return !CommandBarsTest::HintVisible(); }, 3000, "the hint hidden"));

    // Hot again, then out of the window through its side: WM_MOUSELEAVE makes it plain.
    TestSupport::MoveTo(Band);
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Menu->IsDetachBandHot(); }, 3000, "the band hot again"));
    TestSupport::MoveTo(POINT{W.right + 40, Band.y + 40});
    TestSupport::WaitProcessed();
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return !Menu->IsDetachBandHot(); }, 3000, "the band plain outside"));
    EXPECT_EQ(Menu, F.MenuOfWindow()) << "hovering opens and closes nothing";
}

TEST(DetachBand, ASmallDragChangesNothingAFarOneFloatsToolsUnderTheCursorAndEscPutsItBack)
{
    TDetachFixture F;
    ASSERT_TRUE(F.BringToFront());
    TcbBarSubMenuControl* Menu = F.Open();
    ASSERT_NE(nullptr, Menu);
    const POINT Band = TDetachFixture::BandCentre(Menu);
    int Detaching = 0;
    F.Window->OnDetaching = [&Detaching](TObject*) { ++Detaching; };

    // 10 pixels and released: inside the 15-pixel margin, so nothing happens.
    {
        TDetachSampler Sampler(F);
        TestSupport::TInputScript S;
        S.MoveTo(Band).WaitProcessed().ButtonDown().WaitProcessed();
        S.MoveTo(POINT{Band.x, Band.y + 10}).WaitProcessed().Delay(100).MoveTo(Band).WaitProcessed();
        S.ButtonUp().WaitProcessed();
        S.Play();
        ASSERT_TRUE(S.Wait());
        CommandBarsTest::Settle();
        EXPECT_EQ(1, Detaching) << "OnDetaching fires when the drag starts";
        EXPECT_NE(nullptr, Sampler.LastAt(POINT{Band.x, Band.y + 10})) << "the loop ran";
        EXPECT_FALSE(Sampler.EverShown());
    }
    EXPECT_FALSE(F.Tools->GetVisible());
    EXPECT_EQ(dsNone, F.Tools->GetDockingStyle());
    EXPECT_EQ(300, F.Tools->GetFloatLeft());
    EXPECT_EQ(Menu, F.MenuOfWindow()) << "the menu stays open";
    EXPECT_FALSE(F.Manager->IsDetaching());
    EXPECT_EQ(nullptr, GetCapture());

    // 30 pixels: "Tools" floats, caption under the cursor, then follows it; Esc hides it again.
    const POINT Out{Band.x, Band.y + 30};
    RECT MenuRect{};
    ::GetWindowRect(Menu->GetHandle(), &MenuRect);
    const POINT Further{MenuRect.right + 120, Band.y + 140};
    TDetachSampler Sampler(F);
    bool Shot = false;
    Sampler.OnFloating = [&] {
        if (TcbBarControl* W = F.ToolsWindow())
            RedrawWindow(W->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
        TestSupport::SaveShot(TestSupport::CaptureScreen(F.Form->GetHandle()), "menu-torn-off");
        Shot = true;
    };
    TestSupport::TInputScript S;
    S.MoveTo(Band).WaitProcessed().ButtonDown().WaitProcessed();
    S.MoveTo(Out).WaitProcessed().Delay(150);
    S.MoveTo(Further).WaitProcessed().Delay(150);
    S.Press(VK_ESCAPE).WaitProcessed();
    // Released back on the band: a release outside the menus would close them (mouse hook).
    S.MoveTo(Band).ButtonUp().WaitProcessed();
    S.Play();
    ASSERT_TRUE(S.Wait());
    CommandBarsTest::Settle();
    EXPECT_EQ(2, Detaching);
    EXPECT_TRUE(Shot);

    const int32_t Caption = F.FloatingCaptionHeight();
    const TSample* First = Sampler.LastAt(Out);
    ASSERT_NE(nullptr, First) << "sampled at the first point out";
    ASSERT_TRUE(First->ToolsShown) << "Tools floats once the cursor is 30 pixels out";
    EXPECT_NEAR(Out.x - 100, First->ToolsRect.left, 2);
    EXPECT_NEAR(Out.y - Caption / 2, First->ToolsRect.top, 2);
    const TSample* Then = Sampler.LastAt(Further);
    ASSERT_NE(nullptr, Then) << "sampled at the second point";
    ASSERT_TRUE(Then->ToolsShown);
    const int32_t Width = Then->ToolsRect.right - Then->ToolsRect.left;
    EXPECT_NEAR(Further.x - Width / 2, Then->ToolsRect.left, 2) << "centred under the cursor";
    EXPECT_NEAR(Further.y - Caption / 2, Then->ToolsRect.top, 2) << "the caption under the cursor";
    EXPECT_EQ(F.WindowOf(F.MainMenu)->GetHandle(), Then->Capture) << "the menu's parent bar holds the mouse";

    // Esc: hidden, and the bar is as it was before (its floating place included); the menu stays.
    EXPECT_FALSE(F.Tools->GetVisible());
    EXPECT_EQ(nullptr, F.ToolsWindow());
    EXPECT_EQ(dsNone, F.Tools->GetDockingStyle());
    EXPECT_EQ(300, F.Tools->GetFloatLeft());
    EXPECT_EQ(200, F.Tools->GetFloatTop());
    EXPECT_EQ(Menu, F.MenuOfWindow());
    EXPECT_FALSE(F.Manager->IsDetaching());
    EXPECT_EQ(nullptr, GetCapture());
}

TEST(DetachBand, ReleasingAfterTheDragLeavesToolsFloatingThereAndClosesTheMenus)
{
    TDetachFixture F;
    ASSERT_TRUE(F.BringToFront());
    TcbBarSubMenuControl* Menu = F.Open();
    ASSERT_NE(nullptr, Menu);
    const POINT Band = TDetachFixture::BandCentre(Menu);
    const POINT Out{Band.x, Band.y + 40};
    TDetachSampler Sampler(F);
    TestSupport::TInputScript S;
    S.MoveTo(Band).WaitProcessed().ButtonDown().WaitProcessed();
    // Held there for longer than the hint's delay.
    S.MoveTo(Out).WaitProcessed().Delay(kHintShowDelay + 300).ButtonUp().WaitProcessed();
    S.Play();
    ASSERT_TRUE(S.Wait());
    CommandBarsTest::Settle();

    ASSERT_TRUE(F.Tools->GetVisible());
    EXPECT_EQ(dsNone, F.Tools->GetDockingStyle());
    TcbBarControl* W = F.ToolsWindow();
    ASSERT_TRUE(W && W->HandleAllocated());
    EXPECT_TRUE(IsWindowVisible(W->GetHandle()));
    const TRect R = F.ScreenRectOf(F.Tools);
    EXPECT_NEAR(Out.x - 100, R.left, 2);
    EXPECT_NEAR(Out.y - F.FloatingCaptionHeight() / 2, R.top, 2);
    EXPECT_EQ(R.left, F.Tools->GetFloatLeft()) << "the bar keeps its new floating place";
    EXPECT_EQ(nullptr, F.MenuOfWindow()) << "the menus closed";
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
    EXPECT_FALSE(F.Manager->IsDetaching());
    EXPECT_EQ(nullptr, GetCapture());
    int HintTicks = 0;
    for (const TSample& Sample : Sampler.Samples)
        HintTicks += Sample.Detaching && Sample.Hint ? 1 : 0;
    EXPECT_EQ(0, HintTicks) << "the band's hint turned up during the drag";
}

TEST(DetachBand, AMenuShownWithoutAParentHoldsTheMouseItselfAndDetaches)
{
    TDetachFixture F;
    ASSERT_TRUE(F.BringToFront());
    auto* Menu = dynamic_cast<TcbBarSubMenuControl*>(F.Window->GetItemLinks()->CreateBarControl());
    ASSERT_NE(nullptr, Menu);
    POINT At{380, 260};
    ClientToScreen(F.Form->GetHandle(), &At);
    Menu->SetBounds(At.x, At.y, Menu->GetWidth(), Menu->GetHeight());
    Menu->ShowAnimated();
    TestSupport::PumpUntil([Menu] { return Menu->HandleAllocated() && IsWindowVisible(Menu->GetHandle()); }, 5000,
                           "the menu shown");
    CommandBarsTest::Settle();
    ASSERT_TRUE(Menu->HandleAllocated() && IsWindowVisible(Menu->GetHandle()));
    ASSERT_EQ(nullptr, Menu->GetParentBar());
    ASSERT_TRUE(Menu->IsDetachable());
    const HWND MenuWnd = Menu->GetHandle();
    const POINT Band = TDetachFixture::BandCentre(Menu);
    const POINT Out{Band.x - 40, Band.y - 40};

    TDetachSampler Sampler(F);
    TestSupport::TInputScript S;
    S.MoveTo(Band).WaitProcessed().ButtonDown().WaitProcessed();
    S.MoveTo(Out).WaitProcessed().Delay(100).ButtonUp().WaitProcessed();
    S.Play();
    ASSERT_TRUE(S.Wait());
    CommandBarsTest::Settle();

    const TSample* During = Sampler.LastAt(Out);
    ASSERT_NE(nullptr, During);
    EXPECT_EQ(MenuWnd, During->Capture) << "the menu holds the mouse itself";
    EXPECT_TRUE(During->ToolsShown);
    EXPECT_TRUE(F.Tools->GetVisible());
    EXPECT_EQ(dsNone, F.Tools->GetDockingStyle());
    EXPECT_FALSE(IsWindow(MenuWnd)) << "the torn-off menu closed";
    EXPECT_FALSE(TCustomcbBarControl::IsLiveBarControl(Menu));
    EXPECT_FALSE(F.Manager->IsDetaching());
}

TEST(DetachBand, NothingTearsOffForTheMenusOwnToolbarOrAMenuItsHandlerClosed)
{
    TDetachFixture F;
    ASSERT_TRUE(F.BringToFront());

    // The bar the menu hangs from cannot be torn off from it: OnDetaching fires, nothing else.
    F.Window->SetDetachingBar(F.MainMenu->GetIndex());
    int Detaching = 0;
    F.Window->OnDetaching = [&Detaching](TObject*) { ++Detaching; };
    TcbBarSubMenuControl* Menu = F.Open();
    ASSERT_NE(nullptr, Menu);
    const TRect MainBefore = F.ScreenRectOf(F.MainMenu);
    POINT Band = TDetachFixture::BandCentre(Menu);
    TestSupport::MoveTo(Band);
    TestSupport::ButtonDown();
    TestSupport::WaitProcessed();
    EXPECT_FALSE(F.Manager->IsDetaching());
    TestSupport::MoveTo(F.FormPoint());
    TestSupport::MoveTo(Band);
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    CommandBarsTest::Settle();
    EXPECT_EQ(1, Detaching);
    EXPECT_EQ(dsTop, F.MainMenu->GetDockingStyle());
    EXPECT_TRUE(F.MainMenu->GetVisible());
    const TRect MainAfter = F.ScreenRectOf(F.MainMenu);
    EXPECT_EQ(MainBefore.left, MainAfter.left);
    EXPECT_EQ(MainBefore.top, MainAfter.top);
    EXPECT_EQ(Menu, F.MenuOfWindow());
    EXPECT_EQ(nullptr, GetCapture());
    F.CloseMenus();

    // A handler that closes the menus: the drag does not start on a menu that is gone.
    F.Window->SetDetachingBar(F.Tools->GetIndex());
    F.Window->OnDetaching = [&Detaching](TObject*) {
        ++Detaching;
        if (TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl())
            Active->HideAll();
    };
    Menu = F.Open();
    ASSERT_NE(nullptr, Menu);
    Band = TDetachFixture::BandCentre(Menu);
    TestSupport::MoveTo(Band);
    TestSupport::ButtonDown();
    TestSupport::WaitProcessed();
    TestSupport::MoveTo(F.FormPoint());
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    CommandBarsTest::Settle();
    EXPECT_EQ(2, Detaching);
    EXPECT_EQ(nullptr, F.MenuOfWindow());
    EXPECT_FALSE(F.Tools->GetVisible());
    EXPECT_FALSE(F.Manager->IsDetaching());
    EXPECT_EQ(nullptr, GetCapture());
}

TEST(DetachBand, EscPutsADockedDetachingBarBackOnItsRowAndALostCaptureEndsTheDrag)
{
    TDetachFixture F;
    ASSERT_TRUE(F.BringToFront());
    // "Standard" is docked on the top site's second row.
    F.Window->SetDetachingBar(F.Standard->GetIndex());
    const int32_t Row = F.Standard->GetRow();
    const TRect Before = F.ScreenRectOf(F.Standard);
    TcbBarSubMenuControl* Menu = F.Open();
    ASSERT_NE(nullptr, Menu);
    POINT Band = TDetachFixture::BandCentre(Menu);
    {
        TDetachSampler Sampler(F);
        TestSupport::TInputScript S;
        S.MoveTo(Band).WaitProcessed().ButtonDown().WaitProcessed();
        S.MoveTo(POINT{Band.x + 30, Band.y + 60}).WaitProcessed().Delay(100);
        S.Press(VK_ESCAPE).WaitProcessed();
        S.MoveTo(Band).ButtonUp().WaitProcessed();
        S.Play();
        ASSERT_TRUE(S.Wait());
        CommandBarsTest::Settle();
        const TSample* During = Sampler.LastAt(POINT{Band.x + 30, Band.y + 60});
        ASSERT_NE(nullptr, During);
        EXPECT_FALSE(During->ToolsShown);
    }
    ASSERT_TRUE(F.Standard->GetVisible()) << "Esc brings the docked bar back";
    EXPECT_EQ(dsTop, F.Standard->GetDockingStyle());
    EXPECT_EQ(Row, F.Standard->GetRow());
    ASSERT_TRUE(F.WindowOf(F.Standard));
    const TRect After = F.ScreenRectOf(F.Standard);
    EXPECT_EQ(Before.left, After.left);
    EXPECT_EQ(Before.top, After.top);
    EXPECT_EQ(Menu, F.MenuOfWindow());

    // The capture taken away while "Tools" floats: the drag ends at once as given up, before
    // the button goes up.
    F.Window->SetDetachingBar(F.Tools->GetIndex());
    Band = TDetachFixture::BandCentre(Menu);
    TDetachSampler Sampler(F);
    bool Taken = false;
    Sampler.OnFloating = [&Taken] {
        ReleaseCapture();
        Taken = true;
    };
    const POINT Out{Band.x, Band.y + 50};
    TestSupport::TInputScript S;
    S.MoveTo(Band).WaitProcessed().ButtonDown().WaitProcessed();
    S.MoveTo(Out).WaitProcessed().Delay(200);
    S.MoveTo(POINT{Out.x + 20, Out.y + 20}).WaitProcessed().Delay(100);
    S.MoveTo(F.FormPoint()).ButtonUp().WaitProcessed();
    S.Play();
    ASSERT_TRUE(S.Wait());
    CommandBarsTest::Settle();
    EXPECT_TRUE(Taken);
    EXPECT_FALSE(F.Tools->GetVisible()) << "a drag whose capture went is given up";
    EXPECT_EQ(300, F.Tools->GetFloatLeft());
    EXPECT_FALSE(F.Manager->IsDetaching());
}

TEST(DetachBand, AQuitMessageEndsTheDragAsGivenUpAndIsPostedAgain)
{
    TDetachFixture F;
    ASSERT_TRUE(F.BringToFront());
    TcbBarSubMenuControl* Menu = F.Open();
    ASSERT_NE(nullptr, Menu);
    const POINT Band = TDetachFixture::BandCentre(Menu);
    SetCursorPos(Band.x, Band.y);
    // Inside the loop: the cursor far out and a move, then a quit message once "Tools" floats.
    UINT_PTR Step = 0;
    bool Floated = false;
    int Ticks = 0;
    Step = ThreadTimerStart(10, [&](UINT_PTR) {
        if (!F.Manager->IsDetaching() || ++Ticks > 300)
            return;
        if (!Floated && F.Tools->GetVisible()) {
            Floated = true;
            PostQuitMessage(9);
            return;
        }
        SetCursorPos(Band.x, Band.y + 80);
        PostMessageA(Menu->GetHandle(), WM_MOUSEMOVE, 0, 0);
    });
    POINT Client = Band;
    ScreenToClient(Menu->GetHandle(), &Client);
    SendMessageA(Menu->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(Client.x, Client.y));
    ThreadTimerStop(Step);
    MSG Msg{};
    ASSERT_TRUE(PeekMessageA(&Msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit message was posted again";
    EXPECT_EQ(9u, Msg.wParam);
    EXPECT_TRUE(Floated);
    EXPECT_FALSE(F.Tools->GetVisible());
    EXPECT_FALSE(F.Manager->IsDetaching());
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(Menu, F.MenuOfWindow());
}
