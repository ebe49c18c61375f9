// The owner form's messages as its manager hears them through the call-window-procedure hook,
// each sent to the form with SendMessage: system colours (also for the managers of MDI
// children), the menu font, the application's deactivation, help for an item in a plain and in
// a modal form, the layout saved as the form goes, bars shown before the form has a window, a
// hidden and shown form with its floating bars, and floating windows brought back into the
// work area.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Forms.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/FlatColors.h"
#include "tests/commandbars/support/FloatingFixture.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::BrushColor;
using CommandBarsTest::TFloatingFixture;
using CommandBarsTest::TMenuFixture;
using CommandBarsTest::TToolbarFixture;

using CommandBarsTest::Blend;
using CommandBarsTest::Ch;
using CommandBarsTest::ExpectedBar;
using CommandBarsTest::ExpectedFrame;
using CommandBarsTest::Nearest;

namespace {

std::vector<HBRUSH> SharedBrushes(const TcbBarManager* M)
{
    return {M->GetFlatFrameBrush(), M->GetFlatBarBrush(), M->GetFlatCheckedItemBrush(), M->GetFlatItemBrush(),
            M->GetFlatSelectedItemBrush()};
}

// The five brushes are new objects of the colours of the moment, and the old ones are gone.
void ExpectRenewedBrushes(const TcbBarManager* M, const std::vector<HBRUSH>& Old, const char* Who)
{
    SCOPED_TRACE(Who);
    const std::vector<HBRUSH> New = SharedBrushes(M);
    for (size_t I = 0; I < New.size(); ++I) {
        EXPECT_NE(Old[I], New[I]) << "brush " << I;
        EXPECT_EQ(0u, GetObjectType(Old[I])) << "the old brush " << I << " is deleted";
    }
    EXPECT_EQ(ExpectedFrame(), BrushColor(New[0]));
    EXPECT_EQ(ExpectedBar(), BrushColor(New[1]));
    EXPECT_EQ(Blend(11, 9, 73), BrushColor(New[2]));
    EXPECT_EQ(Blend(14, 44, 40), BrushColor(New[3]));
    EXPECT_EQ(Blend(-2, 30, 72), BrushColor(New[4]));
}

// Records Application->HelpCommand calls while it lives.
class THelpRecorder {
public:
    struct TCall {
        uint32_t Command;
        intptr_t Data;
    };
    THelpRecorder() : FPrevious(Application->OnHelp)
    {
        Application->OnHelp = [this](uint32_t Command, intptr_t Data, bool& Handled) {
            Calls.push_back({Command, Data});
            Handled = true;
        };
    }
    THelpRecorder(const THelpRecorder&) = delete;
    THelpRecorder& operator=(const THelpRecorder&) = delete;
    ~THelpRecorder() { Application->OnHelp = FPrevious; }
    std::vector<TCall> Calls;

private:
    THelpEvent FPrevious;
};

// A WM_HELP request of the kind F1 makes for a window at a screen point.
HELPINFO HelpRequest(HWND Wnd, POINT Point)
{
    HELPINFO Info{};
    Info.cbSize = sizeof(Info);
    Info.iContextType = HELPINFO_WINDOW;
    Info.hItemHandle = Wnd;
    Info.MousePos = Point;
    return Info;
}

LRESULT SendHelp(TCustomForm* Form, HELPINFO Info)
{
    return SendMessageA(Form->GetHandle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&Info));
}

// The middle of a control's bottom edge on the screen.
POINT BottomMiddle(TcbBarItemControl* Control)
{
    const TRect R = Control->GetItemRect();
    POINT P{(R.left + R.right) / 2, R.bottom};
    ClientToScreen(Control->GetBarControl()->GetHandle(), &P);
    return P;
}

bool WhollyInside(const RECT& R, const RECT& Area)
{
    return R.left >= Area.left && R.top >= Area.top && R.right <= Area.right && R.bottom <= Area.bottom;
}

BOOL CALLBACK CountVisible(HWND W, LPARAM P)
{
    *reinterpret_cast<int*>(P) += IsWindowVisible(W) ? 1 : 0;
    return TRUE;
}

// The visible top-level windows of this thread (the form, floating bars, their shadow strips).
int VisibleThreadWindows()
{
    int Count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountVisible, reinterpret_cast<LPARAM>(&Count));
    return Count;
}

TcbBarItemControl* TitleControl(TMenuFixture& F, TcbBarItem* Item)
{
    return TMenuFixture::ControlOf(F.WindowOf(F.MainMenu), Item);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// System colours and the menu font

TEST(OwnerSystemColors, NewBrushesOfTheFormulaColoursAndANewCheckerBrush)
{
    TMenuFixture F;
    const std::vector<HBRUSH> Old = SharedBrushes(F.Manager);
    const HBRUSH OldChecker = cbCheckerBrush();
    ASSERT_NE(nullptr, OldChecker);
    SendMessageA(F.Form->GetHandle(), WM_SYSCOLORCHANGE, 0, 0);
    ExpectRenewedBrushes(F.Manager, Old, "the form's manager");
    EXPECT_NE(OldChecker, cbCheckerBrush());
    EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(cbCheckerBrush()));
    // The docked bars are drawn again from fresh backgrounds: the bar's own brush fills the
    // main menu bar's empty end.
    TcbBarControl* Bar = F.WindowOf(F.MainMenu);
    const TestSupport::TShot Shot = TestSupport::CaptureShown(Bar->GetHandle());
    RECT R{};
    GetWindowRect(Bar->GetHandle(), &R);
    EXPECT_EQ(BrushColor(Bar->GetBarBrush()), Shot.At(R.right - R.left - 4, (R.bottom - R.top) / 2));
}

TEST(OwnerSystemColors, AnMDIFramePassesTheChangeToTheManagersOfItsChildren)
{
    TCustomForm* PreviousMain = AppUI()->GetMainForm();
    TComponentPtr<TForm> Frame{new TForm(nullptr)};
    Frame->SetFormStyle(fsMDIForm);
    Frame->SetBounds(40, 40, 640, 480);
    AppUI()->SetMainForm(Frame.get());
    TScopeExit RestoreMain([PreviousMain] { AppUI()->SetMainForm(PreviousMain); });
    auto* FrameManager = new TcbBarManager(Frame.get());
    Frame->Show();
    TComponentPtr<TForm> Child{new TForm(nullptr)};
    Child->SetFormStyle(fsMDIChild);
    Child->SetBounds(10, 10, 220, 160);
    auto* ChildManager = new TcbBarManager(Child.get());
    Child->Show();
    ASSERT_EQ(Frame->GetActiveMDIChild(), Child.get());
    // A second child without a manager is passed over.
    TComponentPtr<TForm> Plain{new TForm(nullptr)};
    Plain->SetFormStyle(fsMDIChild);
    Plain->Show();
    const std::vector<HBRUSH> OldFrame = SharedBrushes(FrameManager), OldChild = SharedBrushes(ChildManager);
    SendMessageA(Frame->GetHandle(), WM_SYSCOLORCHANGE, 0, 0);
    ExpectRenewedBrushes(FrameManager, OldFrame, "the frame's manager");
    ExpectRenewedBrushes(ChildManager, OldChild, "the child's manager");
    Plain.reset();
    Child.reset();
    Frame->Hide();
}

TEST(OwnerSettings, NonClientMetricsGiveTheScaledFontTheMenuFontsHeightBack)
{
    TMenuFixture F;
    NONCLIENTMETRICSA Metrics{};
    Metrics.cbSize = sizeof(Metrics);
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0));
    const int32_t MenuHeight = Metrics.lfMenuFont.lfHeight;
    F.Manager->SetUseSystemFont(false);
    F.Manager->SetScaled(true);
    ASSERT_EQ(MenuHeight, F.Manager->GetFont()->GetHeight());
    // A height left behind by an earlier menu font, set past the change handler (which would
    // scale it at once).
    auto SetStaleHeight = [&F, MenuHeight] {
        TFont* Font = F.Manager->GetFont();
        const TNotifyEvent Handler = Font->OnChange;
        Font->OnChange = nullptr;
        Font->SetHeight(MenuHeight - 9);
        Font->OnChange = Handler;
    };
    SetStaleHeight();
    // Other settings leave it.
    SendMessageA(F.Form->GetHandle(), WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0);
    EXPECT_EQ(MenuHeight - 9, F.Manager->GetFont()->GetHeight());
    SendMessageA(F.Form->GetHandle(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
    EXPECT_EQ(MenuHeight, F.Manager->GetFont()->GetHeight());
    EXPECT_FALSE(F.Manager->GetUseSystemFont());
    // Without Scaled the font is the program's own.
    F.Manager->SetScaled(false);
    SetStaleHeight();
    SendMessageA(F.Form->GetHandle(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
    EXPECT_EQ(MenuHeight - 9, F.Manager->GetFont()->GetHeight());
}

// ---------------------------------------------------------------------------------------------
// The application's deactivation

TEST(OwnerActivateApp, LeavingTheApplicationClosesTheMenusAndClearsTheSelection)
{
    TMenuFixture F;
    TcbBarSubMenuControl* Menu = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, Menu);
    // Coming back to the application changes nothing.
    SendMessageA(F.Form->GetHandle(), WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(Menu, TMenuFixture::MenuOf(F.File));
    ASSERT_NE(nullptr, F.Manager->GetSelectedItemControl());
    SendMessageA(F.Form->GetHandle(), WM_ACTIVATEAPP, FALSE, 0);
    TestSupport::PumpUntil([&] { return TMenuFixture::MenuOf(F.File) == nullptr; }, 5000, "the menus closed");
    PumpPosted("the deactivation handled");
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.File));
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
    EXPECT_EQ(nullptr, F.Manager->GetSelectedItemControl());
    EXPECT_EQ(nullptr, F.WindowOf(F.MainMenu)->GetSelectedControl());

    // A hot button of a toolbar loses its selection too.
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TcbBarItemControl* Button = TMenuFixture::ControlOf(Standard, F.StandardButtons[2]);
    ASSERT_NE(nullptr, Button);
    Standard->SelectControlByMouse(Button);
    ASSERT_EQ(Button, F.Manager->GetSelectedItemControl());
    SendMessageA(F.Form->GetHandle(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(nullptr, F.Manager->GetSelectedItemControl());
    EXPECT_EQ(nullptr, Standard->GetSelectedControl());
}

// ---------------------------------------------------------------------------------------------
// Help for an item

TEST(OwnerHelp, TheSelectedMenuEntryTheEntriesAboveItOrTheOpenMenuGiveTheContext)
{
    TMenuFixture F;
    THelpRecorder Help;
    F.Open->SetHelpContext(55);
    TcbBarSubMenuControl* Menu = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, Menu);
    Menu->SelectControlByKeyboard(TMenuFixture::ControlOf(Menu, F.Open));
    ASSERT_EQ(F.Open, Menu->GetSelectedControl()->GetItem());
    // The request names the focused edit, as F1 in it does; the open menu decides.
    SendHelp(F.Form.get(), HelpRequest(F.Edit->GetHandle(), POINT{0, 0}));
    ASSERT_EQ(1u, Help.Calls.size());
    EXPECT_EQ(static_cast<uint32_t>(HELP_CONTEXT), Help.Calls[0].Command);
    EXPECT_EQ(55, Help.Calls[0].Data);
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl()) << "the menus closed";

    // An entry without a context in "Recent": the "Recent" entry that opened it has one.
    Help.Calls.clear();
    F.Recent->SetHelpContext(77);
    Menu = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, Menu);
    TcbBarItemControl* RecentControl = TMenuFixture::ControlOf(Menu, F.Recent);
    Menu->SelectControlByKeyboard(RecentControl);
    SendMessageA(Menu->GetHandle(), WM_KEYDOWN, VK_RIGHT, 0);
    TestSupport::PumpUntil([&] { return TMenuFixture::MenuOf(F.Recent) != nullptr; }, 5000, "Recent opened");
    PumpPosted("the opening handled");
    TcbBarSubMenuControl* RecentMenu = TMenuFixture::MenuOf(F.Recent);
    ASSERT_NE(nullptr, RecentMenu);
    ASSERT_NE(nullptr, RecentMenu->GetSelectedControl());
    ASSERT_EQ(0, RecentMenu->GetSelectedControl()->GetItem()->GetHelpContext());
    SendHelp(F.Form.get(), HelpRequest(F.Edit->GetHandle(), POINT{0, 0}));
    ASSERT_EQ(1u, Help.Calls.size());
    EXPECT_EQ(77, Help.Calls[0].Data);
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());

    // No entry up the chain has one: the menus close and the open menu's own context is asked
    // for, the innermost menu's and not the one it hangs from.
    Help.Calls.clear();
    F.Open->SetHelpContext(0);
    F.Recent->SetHelpContext(0);
    Menu = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, Menu);
    Menu->SetHelpContext(91);
    Menu->SelectControlByKeyboard(TMenuFixture::ControlOf(Menu, F.Save));
    SendHelp(F.Form.get(), HelpRequest(F.Edit->GetHandle(), POINT{0, 0}));
    ASSERT_EQ(1u, Help.Calls.size());
    EXPECT_EQ(static_cast<uint32_t>(HELP_CONTEXT), Help.Calls[0].Command);
    EXPECT_EQ(91, Help.Calls[0].Data);
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());

    Help.Calls.clear();
    Menu = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, Menu);
    Menu->SetHelpContext(91);
    Menu->SelectControlByKeyboard(TMenuFixture::ControlOf(Menu, F.Recent));
    SendMessageA(Menu->GetHandle(), WM_KEYDOWN, VK_RIGHT, 0);
    TestSupport::PumpUntil([&] { return TMenuFixture::MenuOf(F.Recent) != nullptr; }, 5000, "Recent opened");
    PumpPosted("the opening handled");
    RecentMenu = TMenuFixture::MenuOf(F.Recent);
    ASSERT_NE(nullptr, RecentMenu);
    RecentMenu->SetHelpContext(92);
    SendHelp(F.Form.get(), HelpRequest(F.Edit->GetHandle(), POINT{0, 0}));
    ASSERT_EQ(1u, Help.Calls.size());
    EXPECT_EQ(92, Help.Calls[0].Data);
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());

    // Neither the entries nor the menu have one: the menus close and no help is asked for.
    Help.Calls.clear();
    Menu = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, Menu);
    Menu->SelectControlByKeyboard(TMenuFixture::ControlOf(Menu, F.Save));
    SendHelp(F.Form.get(), HelpRequest(F.Edit->GetHandle(), POINT{0, 0}));
    EXPECT_TRUE(Help.Calls.empty());
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
}

TEST(OwnerHelp, WithoutAnOpenMenuTheControlUnderThePointOfTheNamedBarGivesIt)
{
    TMenuFixture F;
    THelpRecorder Help;
    F.View->SetHelpContext(31);
    TcbBarItemControl* View = TitleControl(F, F.View);
    ASSERT_NE(nullptr, View);
    const TRect R = View->GetItemRect();
    POINT P{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
    ClientToScreen(F.WindowOf(F.MainMenu)->GetHandle(), &P);
    SendHelp(F.Form.get(), HelpRequest(F.WindowOf(F.MainMenu)->GetHandle(), P));
    ASSERT_EQ(1u, Help.Calls.size());
    EXPECT_EQ(static_cast<uint32_t>(HELP_CONTEXT), Help.Calls[0].Command);
    EXPECT_EQ(31, Help.Calls[0].Data);
    // A title without a context, a point on no control, another kind of request, and the
    // request of a window that is no bar: nothing.
    Help.Calls.clear();
    TcbBarItemControl* File = TitleControl(F, F.File);
    const TRect FileRect = File->GetItemRect();
    P = {(FileRect.left + FileRect.right) / 2, (FileRect.top + FileRect.bottom) / 2};
    ClientToScreen(F.WindowOf(F.MainMenu)->GetHandle(), &P);
    SendHelp(F.Form.get(), HelpRequest(F.WindowOf(F.MainMenu)->GetHandle(), P));
    RECT Bar{};
    GetWindowRect(F.WindowOf(F.MainMenu)->GetHandle(), &Bar);
    SendHelp(F.Form.get(), HelpRequest(F.WindowOf(F.MainMenu)->GetHandle(), POINT{Bar.right - 3, Bar.top + 3}));
    HELPINFO MenuItem = HelpRequest(F.WindowOf(F.MainMenu)->GetHandle(), P);
    MenuItem.iContextType = HELPINFO_MENUITEM;
    SendHelp(F.Form.get(), MenuItem);
    SendHelp(F.Form.get(), HelpRequest(F.Edit->GetHandle(), P));
    EXPECT_TRUE(Help.Calls.empty());
}

TEST(OwnerHelp, InAModalFormThePopupHelpOpensBelowTheControl)
{
    TToolbarFixture Main(true);
    THelpRecorder Help;
    TComponentPtr<TForm> Dialog{new TForm(nullptr)};
    Dialog->SetBounds(120, 120, 400, 240);
    auto* Manager = new TcbBarManager(Dialog.get());
    Manager->SetStyle(bmsFlat);
    TcbBar* Bar = Manager->GetBars()->Add();
    Bar->SetCaption("Dialog Bar");
    auto* Button = new TcbBarButton(Dialog.get());
    Button->SetCaption("Apply");
    Button->SetHelpContext(55);
    Bar->GetItemLinks()->Add()->SetItem(Button);
    Bar->SetDockingStyle(dsTop);
    Bar->SetVisible(true);
    POINT Expected{-1, -1};
    bool Sent = false;
    bool WasModal = false;
    UINT_PTR Timer = 0;
    Timer = ThreadTimerStart(50, [&](UINT_PTR) {
        if (!Dialog->HandleAllocated() || !IsWindowVisible(Dialog->GetHandle()))
            return;
        ThreadTimerStop(Timer);
        WasModal = Dialog->IsModal();
        auto* Window = dynamic_cast<TcbBarControl*>(Bar->GetBarControl());
        TcbBarItemControl* Control = Window ? TMenuFixture::ControlOf(Window, Button) : nullptr;
        if (Control) {
            Expected = BottomMiddle(Control);
            const TRect R = Control->GetItemRect();
            POINT P{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
            ClientToScreen(Window->GetHandle(), &P);
            SendHelp(Dialog.get(), HelpRequest(Window->GetHandle(), P));
            Sent = true;
        }
        Dialog->SetModalResult(mrCancel);
    });
    TScopeExit Stop([&Timer] { ThreadTimerStop(Timer); });
    Dialog->ShowModal();
    ASSERT_TRUE(Sent);
    EXPECT_TRUE(WasModal);
    ASSERT_EQ(2u, Help.Calls.size());
    EXPECT_EQ(static_cast<uint32_t>(HELP_SETPOPUP_POS), Help.Calls[0].Command);
    EXPECT_EQ(Expected.x, static_cast<int16_t>(LOWORD(Help.Calls[0].Data)));
    EXPECT_EQ(Expected.y, static_cast<int16_t>(HIWORD(Help.Calls[0].Data)));
    EXPECT_EQ(static_cast<uint32_t>(HELP_CONTEXTPOPUP), Help.Calls[1].Command);
    EXPECT_EQ(55, Help.Calls[1].Data);
    Bar->SetVisible(false);
}

// ---------------------------------------------------------------------------------------------
// The form's life: its window made late, hidden and shown, destroyed

TEST(OwnerFormWindow, BarsShownBeforeTheFormHasAWindowShowDockedInTheirRowsOnceItIsMade)
{
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    Form->SetBounds(30, 30, 640, 400);
    auto* Manager = new TcbBarManager(Form.get());
    Manager->SetStyle(bmsFlat);
    auto MakeBar = [&](const std::string& Caption, int32_t Row) {
        TcbBar* Bar = Manager->GetBars()->Add();
        Bar->SetCaption(Caption);
        Bar->SetRow(Row);
        auto* Button = new TcbBarButton(Form.get());
        Button->SetCaption(Caption + " command");
        Bar->GetItemLinks()->Add()->SetItem(Button);
        Bar->SetDockingStyle(dsTop);
        return Bar;
    };
    TcbBar* First = MakeBar("First", 0);
    TcbBar* Second = MakeBar("Second", 1);
    TcbBar* Dropped = MakeBar("Dropped", 2);
    First->SetVisible(true);
    Second->SetVisible(true);
    Dropped->SetVisible(true);
    // Showing a bar does not make the form's window before its time.
    EXPECT_FALSE(Form->HandleAllocated());
    EXPECT_EQ(nullptr, First->GetBarControl());
    EXPECT_TRUE(First->GetVisible());
    ASSERT_EQ(3u, Manager->BarsWaitingForWindow().size());
    // One hidden again waits no more.
    Dropped->SetVisible(false);
    EXPECT_EQ(2u, Manager->BarsWaitingForWindow().size());

    Form->Show();
    TestSupport::PumpUntil([&] { return Manager->BarsWaitingForWindow().empty(); }, 5000,
                           "the waiting bars in their windows");
    PumpPosted("the showing handled");
    EXPECT_TRUE(Manager->BarsWaitingForWindow().empty());
    TcbDockControl* Top = Manager->GetBars()->GetDockControl(dsTop);
    ASSERT_TRUE(Top->HandleAllocated());
    for (TcbBar* Bar : {First, Second}) {
        SCOPED_TRACE(Bar->GetCaption());
        auto* Window = dynamic_cast<TcbBarControl*>(Bar->GetBarControl());
        ASSERT_NE(nullptr, Window);
        ASSERT_TRUE(Window->HandleAllocated());
        EXPECT_EQ(Top->GetHandle(), GetParent(Window->GetHandle()));
        EXPECT_TRUE(IsWindowVisible(Window->GetHandle()));
        EXPECT_EQ(dsTop, Window->GetDockingStyle());
    }
    EXPECT_EQ(nullptr, Dropped->GetBarControl());
    // Each on a row of its own, in the order they were shown.
    ASSERT_EQ(2, Top->GetRowCount());
    auto* FirstWindow = dynamic_cast<TcbBarControl*>(First->GetBarControl());
    auto* SecondWindow = dynamic_cast<TcbBarControl*>(Second->GetBarControl());
    EXPECT_EQ(Top->GetRow(0), Top->FindCol(FirstWindow)->GetRow());
    EXPECT_EQ(Top->GetRow(1), Top->FindCol(SecondWindow)->GetRow());
    EXPECT_LT(FirstWindow->GetTop(), SecondWindow->GetTop());
    First->SetVisible(false);
    Second->SetVisible(false);
    Form->Hide();
}

// Made visible against their rows' order before the form has a window, the bars still take their
// own rows once it is made: they are shown by row.
TEST(OwnerFormWindow, BarsMadeVisibleAgainstTheirRowsOrderKeepTheirRows)
{
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    Form->SetBounds(30, 30, 640, 400);
    auto* Manager = new TcbBarManager(Form.get());
    Manager->SetStyle(bmsFlat);
    std::vector<TcbBar*> Bars;
    for (int32_t Row = 0; Row < 3; ++Row) {
        TcbBar* Bar = Manager->GetBars()->Add();
        Bar->SetCaption("Row " + std::to_string(Row));
        Bar->SetRow(Row);
        auto* Button = new TcbBarButton(Form.get());
        Button->SetCaption(Bar->GetCaption() + " command");
        Bar->GetItemLinks()->Add()->SetItem(Button);
        Bar->SetDockingStyle(dsTop);
        Bars.push_back(Bar);
    }
    for (int32_t Row : {2, 0, 1})
        Bars[static_cast<size_t>(Row)]->SetVisible(true);
    ASSERT_EQ(3u, Manager->BarsWaitingForWindow().size());

    Form->Show();
    TestSupport::PumpUntil([&] { return Manager->BarsWaitingForWindow().empty(); }, 5000,
                           "the waiting bars in their windows");
    PumpPosted("the showing handled");
    TcbDockControl* Top = Manager->GetBars()->GetDockControl(dsTop);
    ASSERT_EQ(3, Top->GetRowCount()) << "each bar on a row of its own";
    for (int32_t Row = 0; Row < 3; ++Row) {
        SCOPED_TRACE(Bars[static_cast<size_t>(Row)]->GetCaption());
        auto* Window = dynamic_cast<TcbBarControl*>(Bars[static_cast<size_t>(Row)]->GetBarControl());
        ASSERT_NE(nullptr, Window);
        ASSERT_NE(nullptr, Top->FindCol(Window));
        EXPECT_EQ(Top->GetRow(Row), Top->FindCol(Window)->GetRow());
        EXPECT_EQ(Row, Bars[static_cast<size_t>(Row)]->GetRow());
    }
    for (TcbBar* Bar : Bars)
        Bar->SetVisible(false);
    Form->Hide();
}

TEST(OwnerFormWindow, AFloatingBarShownWhileTheFormIsHiddenAppearsWithTheForm)
{
    TFloatingFixture F;
    ASSERT_FALSE(F.Manager->GetHideFloatingBarsWhenInactive());
    HWND Tools = F.ToolsWindow()->GetHandle();
    ASSERT_TRUE(IsWindowVisible(Tools));
    // Hiding the form hides its floating bar, which stays Visible.
    F.Form->Hide();
    EXPECT_FALSE(IsWindowVisible(Tools));
    EXPECT_TRUE(F.Tools->GetVisible());
    // Shown again, without being activated, it brings the bar back.
    ShowWindow(F.Form->GetHandle(), SW_SHOWNOACTIVATE);
    TestSupport::PumpUntil([&] { return IsWindowVisible(Tools); }, 5000, "the bar back with the form");
    EXPECT_TRUE(IsWindowVisible(Tools));

    // A bar shown while the form is hidden gets a hidden window and appears with the form.
    F.Tools->SetVisible(false);
    F.Form->Hide();
    F.Tools->SetVisible(true);
    ASSERT_NE(nullptr, F.ToolsWindow());
    Tools = F.ToolsWindow()->GetHandle();
    EXPECT_FALSE(IsWindowVisible(Tools));
    F.Form->Show();
    TestSupport::PumpUntil([&] { return IsWindowVisible(Tools); }, 5000, "the bar shown with the form");
    PumpPosted("the showing handled");
    EXPECT_TRUE(IsWindowVisible(Tools));
    EXPECT_NE(Tools, GetActiveWindow());
    // Its shadow comes and goes with it: nothing of the thread is left on the screen.
    F.Form->Hide();
    TestSupport::PumpUntil([&] { return !IsWindowVisible(Tools) && VisibleThreadWindows() == 0; }, 5000,
                           "the bar and its shadow hidden with the form");
    EXPECT_FALSE(IsWindowVisible(Tools));
    EXPECT_EQ(0, VisibleThreadWindows());
}

TEST(OwnerFormWindow, TheFormsDestructionSavesTheLayoutOnceWithItsPath)
{
    auto Saved = cbExtensions().SaveToRegistry;
    TScopeExit Restore([Saved] { cbExtensions().SaveToRegistry = Saved; });
    std::vector<std::pair<TcbBarManager*, std::string>> Calls;
    cbExtensions().SaveToRegistry = [&Calls](TcbBarManager* M, const std::string& Path) { Calls.emplace_back(M, Path); };
    for (const bool Store : {true, false}) {
        SCOPED_TRACE(Store ? "StoreInRegistry" : "without StoreInRegistry");
        Calls.clear();
        TComponentPtr<TForm> Form{new TForm(nullptr)};
        Form->SetBounds(60, 60, 400, 300);
        auto* Manager = new TcbBarManager(Form.get());
        Manager->SetRegistryPath("Software\\Quillmoor\\Test\\OwnerLayout");
        Manager->SetStoreInRegistry(Store);
        TcbBar* Bar = Manager->GetBars()->Add();
        Bar->SetCaption("Saved");
        Bar->SetDockingStyle(dsTop);
        Bar->SetVisible(true);
        Form->Show();
        // Hiding and showing the form and its other messages save nothing.
        Form->Hide();
        Form->Show();
        SendMessageA(Form->GetHandle(), WM_SYSCOLORCHANGE, 0, 0);
        EXPECT_TRUE(Calls.empty());
        Form->Hide();
        Form.reset();
        if (Store) {
            ASSERT_EQ(1u, Calls.size());
            EXPECT_EQ(Manager, Calls[0].first);
            EXPECT_EQ("Software\\Quillmoor\\Test\\OwnerLayout", Calls[0].second);
        } else {
            EXPECT_TRUE(Calls.empty());
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The work area

TEST(OwnerWorkArea, DisplayAndWorkAreaChangesBringAFloatingBarWhollyInside)
{
    TFloatingFixture F;
    const HWND H = F.ToolsWindow()->GetHandle();
    RECT R{};
    GetWindowRect(H, &R);
    const int32_t W = R.right - R.left, Ht = R.bottom - R.top;
    RECT Area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &Area, 0);
    struct TCase {
        const char* Name;
        int32_t X, Y;
        UINT Msg;
        WPARAM WParam;
    };
    const TCase Cases[] = {
        {"half out right and below, display change", Area.right - W / 2, Area.bottom - Ht / 3, WM_DISPLAYCHANGE, 24},
        {"half out left and above, work area change", Area.left - W / 2, Area.top - Ht / 2, WM_SETTINGCHANGE,
         SPI_SETWORKAREA},
        {"half out right, work area change", Area.right - W / 3, Area.top + 40, WM_SETTINGCHANGE, SPI_SETWORKAREA},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        SetWindowPos(H, nullptr, C.X, C.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetWindowRect(H, &R);
        ASSERT_FALSE(WhollyInside(R, Area)) << "the window's own position rule lets a half-out place pass";
        SendMessageA(F.Form->GetHandle(), C.Msg, C.WParam, C.Msg == WM_DISPLAYCHANGE ? MAKELPARAM(1280, 1024) : 0);
        GetWindowRect(H, &R);
        EXPECT_TRUE(WhollyInside(R, Area)) << R.left << "," << R.top << " " << R.right << "," << R.bottom;
        EXPECT_EQ(W, R.right - R.left);
        EXPECT_EQ(Ht, R.bottom - R.top);
        // Moved only as far as needed: an edge that was outside lies on the area's edge.
        if (C.X < Area.left) {
            EXPECT_EQ(Area.left, R.left);
        }
        if (C.X + W > Area.right) {
            EXPECT_EQ(Area.right, R.right);
        }
        if (C.Y < Area.top) {
            EXPECT_EQ(Area.top, R.top);
        }
        if (C.Y + Ht > Area.bottom) {
            EXPECT_EQ(Area.bottom, R.bottom);
        }
        // The bar keeps the new place.
        EXPECT_EQ(R.left, F.Tools->GetFloatLeft());
        EXPECT_EQ(R.top, F.Tools->GetFloatTop());
    }
    // Another setting moves nothing.
    SetWindowPos(H, nullptr, Area.right - W / 2, Area.top + 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(F.Form->GetHandle(), WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0);
    GetWindowRect(H, &R);
    EXPECT_EQ(Area.right - W / 2, R.left);
}

TEST(OwnerWorkArea, AFloatingBarHiddenWithItsInactiveFormIsMovedInsideAndStaysHidden)
{
    TFloatingFixture F;
    const HWND H = F.ToolsWindow()->GetHandle();
    RECT R{}, Area{};
    GetWindowRect(H, &R);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &Area, 0);
    F.Form->Hide();
    ASSERT_FALSE(IsWindowVisible(H));
    SetWindowPos(H, nullptr, Area.right - (R.right - R.left) / 2, R.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(F.Form->GetHandle(), WM_DISPLAYCHANGE, 24, MAKELPARAM(1280, 1024));
    GetWindowRect(H, &R);
    EXPECT_TRUE(WhollyInside(R, Area));
    EXPECT_FALSE(IsWindowVisible(H));
    // The move brings no shadow of it onto the screen.
    PumpPosted("the move's messages handled");
    EXPECT_EQ(0, VisibleThreadWindows());
}
