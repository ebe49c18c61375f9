// The mouse hook under the real mouse, with the form in front: clicks outside an open menu chain
// (right and middle presses swallowed, presses and left releases closing the chain), the pressed
// mark of a toolbar, right-click context menus through the popup-menu links, and the hooks going
// with the last manager.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/input/cbHooks.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/windows/cbSubMenu.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/ThreadHook.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/TestBarWindow.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::TMenuFixture;

namespace {

// The class of the framework's menu windows.
constexpr const char* kMenuWindowClass = "QMTcbBarSubMenuControl";

// Counts the messages a window gets (subclassing it) and keeps the ones named in Swallow from it.
class TMessageTap {
public:
    explicit TMessageTap(HWND Wnd, std::set<UINT> Swallow = {}) : FWnd(Wnd), FSwallow(std::move(Swallow))
    {
        Taps()[Wnd] = this;
        FPrevious = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    TMessageTap(const TMessageTap&) = delete;
    TMessageTap& operator=(const TMessageTap&) = delete;
    ~TMessageTap()
    {
        if (IsWindow(FWnd) && GetWindowLongPtrA(FWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Proc))
            SetWindowLongPtrA(FWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FPrevious));
        Taps().erase(FWnd);
    }
    int Count(UINT Msg) const
    {
        auto It = FCounts.find(Msg);
        return It == FCounts.end() ? 0 : It->second;
    }

private:
    static std::map<HWND, TMessageTap*>& Taps()
    {
        static std::map<HWND, TMessageTap*> Map;
        return Map;
    }
    static LRESULT CALLBACK Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
    {
        auto It = Taps().find(Wnd);
        if (It == Taps().end())
            return DefWindowProcA(Wnd, Msg, WParam, LParam);
        TMessageTap* Self = It->second;
        ++Self->FCounts[Msg];
        if (Self->FSwallow.count(Msg))
            return 0;
        return CallWindowProcA(Self->FPrevious, Wnd, Msg, WParam, LParam);
    }

    HWND FWnd;
    std::set<UINT> FSwallow;
    WNDPROC FPrevious = nullptr;
    std::map<UINT, int> FCounts;
};

POINT ScreenOf(TWinControl* Control, int32_t X, int32_t Y)
{
    POINT P{X, Y};
    ClientToScreen(Control->GetHandle(), &P);
    return P;
}

POINT CenterOfControl(TWinControl* Control)
{
    return ScreenOf(Control, Control->GetWidth() / 2, Control->GetHeight() / 2);
}

// An empty spot of the form's client area, away from the bars, the edit and the list box.
POINT EmptySpot(TMenuFixture& F)
{
    return ScreenOf(F.Form.get(), 650, 480);
}

TcbBarSubMenuControl* ClickOpen(TMenuFixture& F, TcbBarSubItem* Title)
{
    TestSupport::Click(TMenuFixture::CenterOf(F.WindowOf(F.MainMenu), Title));
    TestSupport::WaitProcessed();
    return TMenuFixture::MenuOf(Title);
}

BOOL CALLBACK FindSystemMenu(HWND Wnd, LPARAM Data)
{
    char Name[16] = {};
    GetClassNameA(Wnd, Name, sizeof Name);
    if (lstrcmpA(Name, "#32768") == 0 && IsWindowVisible(Wnd))
        *reinterpret_cast<bool*>(Data) = true;
    return TRUE;
}

// A visible top-level "#32768" window (the system's own menu) of this thread.
bool SystemMenuShows()
{
    bool Found = false;
    EnumThreadWindows(GetCurrentThreadId(), &FindSystemMenu, reinterpret_cast<LPARAM>(&Found));
    return Found;
}

// Closes every menu still open after a generous while, so that a menu loop the test did not end
// fails the test instead of holding the thread.
class TMenuWatchdog {
public:
    explicit TMenuWatchdog(uint32_t Milliseconds = 8000)
    {
        FTimer = ThreadTimerStart(Milliseconds, [this](UINT_PTR) {
            ThreadTimerStop(FTimer);
            for (int Guard = 0; Guard < 8 && TCustomcbBarControl::ActiveBarControl(); ++Guard) {
                FFired = true;
                TCustomcbBarControl::ActiveBarControl()->HideAll();
            }
        });
    }
    TMenuWatchdog(const TMenuWatchdog&) = delete;
    TMenuWatchdog& operator=(const TMenuWatchdog&) = delete;
    ~TMenuWatchdog() { ThreadTimerStop(FTimer); }
    bool Fired() const { return FFired; }

private:
    UINT_PTR FTimer = 0;
    bool FFired = false;
};

// A menu window that stays open when it is told to close all, as a broken window would.
class TStuckMenu : public CommandBarsTest::TTestBarWindow {
public:
    TStuckMenu(TcbBarManager* Manager, TCustomForm* Form) : TTestBarWindow(Manager, nullptr, Form, true) {}
    void HideAll() override { ++HideAllCalls; }
    int HideAllCalls = 0;
};

// Calls the hook body as the system does for a message taken from the queue.
bool CallMouseHook(UINT Msg, POINT Point, HWND Target, int Code = HC_ACTION)
{
    MOUSEHOOKSTRUCT S{};
    S.pt = Point;
    S.hwnd = Target;
    S.wHitTestCode = HTCLIENT;
    TThreadHookCall Call(nullptr, Code, Msg, reinterpret_cast<LPARAM>(&S));
    return cbMouseHookProc(Call);
}

} // namespace

TEST(MouseHook, RightAndMiddlePressesOutsideAnOpenMenuAreSwallowedAndCloseIt)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    // The edit's own context menu would hold the thread in its loop: the tap keeps the request
    // from it.
    TMessageTap Edit(F.Edit->GetHandle(), {WM_CONTEXTMENU});

    ASSERT_NE(nullptr, ClickOpen(F, F.File));
    TestSupport::Click(CenterOfControl(F.Edit), mbRight);
    TestSupport::WaitProcessed();
    EXPECT_EQ(0, Edit.Count(WM_RBUTTONDOWN)) << "the press was swallowed";
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.File));
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl()) << "the main menu left its menu mode";
    // The release went on to the edit, which asked for its context menu as after any right click.
    const int Requests = Edit.Count(WM_CONTEXTMENU);

    ASSERT_NE(nullptr, ClickOpen(F, F.File));
    TestSupport::Click(CenterOfControl(F.Edit), mbMiddle);
    TestSupport::WaitProcessed();
    EXPECT_EQ(0, Edit.Count(WM_MBUTTONDOWN));
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.File));

    // With no menu open the edit (which no popup menu serves) gets its right click.
    TestSupport::Click(CenterOfControl(F.Edit), mbRight);
    TestSupport::WaitProcessed();
    EXPECT_EQ(1, Edit.Count(WM_RBUTTONDOWN));
    EXPECT_EQ(Requests + 1, Edit.Count(WM_CONTEXTMENU));
    EXPECT_FALSE(SystemMenuShows());
}

TEST(MouseHook, ARightPressInsideTheChainReachesTheMenu)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TcbBarSubMenuControl* Menu = ClickOpen(F, F.File);
    ASSERT_NE(nullptr, Menu);
    TMessageTap Tap(Menu->GetHandle());
    TestSupport::Click(TMenuFixture::CenterOf(Menu, F.Save), mbRight);
    TestSupport::WaitProcessed();
    EXPECT_EQ(1, Tap.Count(WM_RBUTTONDOWN)) << "the menu got the press";
    EXPECT_EQ(Menu, TMenuFixture::MenuOf(F.File)) << "the menu stays open";
    F.CloseMenus();
}

TEST(MouseHook, ALeftClickOutsideClosesTheWholeChainAndStillReachesItsWindow)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TMessageTap Form(F.Form->GetHandle());
    TcbBarSubMenuControl* File = ClickOpen(F, F.File);
    ASSERT_NE(nullptr, File);
    TestSupport::Click(TMenuFixture::CenterOf(File, F.Recent));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return TMenuFixture::MenuOf(F.Recent) != nullptr; }, 3000, "Recent opens"));
    ASSERT_EQ(TMenuFixture::MenuOf(F.Recent), TCustomcbBarControl::ActiveBarControl());

    TestSupport::Click(EmptySpot(F));
    TestSupport::WaitProcessed();
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Recent));
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.File));
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
    EXPECT_EQ(1, Form.Count(WM_LBUTTONDOWN)) << "a left press is not swallowed";
    for (const auto& Run : F.Runs)
        EXPECT_EQ(0, Run.second) << Run.first;
}

TEST(MouseHook, TheMouseOnAnotherTitleSwitchesMenusAndAClickOnTheOpenTitleClosesIt)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    ASSERT_NE(nullptr, ClickOpen(F, F.File));
    // A real click on another title comes after the mouse went there, which already opened its
    // menu.
    TestSupport::MoveTo(TMenuFixture::CenterOf(F.WindowOf(F.MainMenu), F.View));
    TestSupport::WaitProcessed();
    TcbBarSubMenuControl* View = TMenuFixture::MenuOf(F.View);
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.File));
    ASSERT_NE(nullptr, View);
    EXPECT_EQ(View, TCustomcbBarControl::ActiveBarControl());
    EXPECT_TRUE(IsWindowVisible(View->GetHandle()));
    // Past the double-click time without input, so that the next press is a press of its own.
    TestSupport::PumpUntil([] {
        LASTINPUTINFO Last{sizeof(Last), 0};
        return GetLastInputInfo(&Last) && GetTickCount() - Last.dwTime > GetDoubleClickTime();
    }, GetDoubleClickTime() + 5000, "a double-click time without input");
    ClickOpen(F, F.View);
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.View)) << "a second click on the open title closes its menu";
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.File));
    F.CloseMenus();
}

TEST(MouseHook, TheDroppedListOfAComboInTheOpenMenuCountsAsInside)
{
    TMenuFixture F;
    auto* Combo = new TcbBarCombo(F.Form.get());
    Combo->SetCaption("Zoom");
    Combo->SetWidth(90);
    for (const char* Entry : {"50%", "100%", "200%"})
        Combo->GetItems()->Add(Entry);
    F.File->GetItemLinks()->Add()->SetItem(Combo);
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TcbBarSubMenuControl* File = ClickOpen(F, F.File);
    ASSERT_NE(nullptr, File);
    TestSupport::Click(TMenuFixture::CenterOf(File, Combo));
    TestSupport::WaitProcessed();
    auto* Control = dynamic_cast<TcbBarComboControl*>(TMenuFixture::ControlOf(File, Combo));
    ASSERT_TRUE(Control && Control->IsEditing());
    SendMessageA(Control->GetEditor(), WM_KEYDOWN, VK_F4, 1);
    const HWND List = Combo->GetDropDownWindow();
    ASSERT_TRUE(List && IsWindowVisible(List));
    // The list lies outside the menu window: a press on it must not close the menu under it.
    RECT Row{};
    ASSERT_NE(LB_ERR, SendMessageA(List, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&Row)));
    POINT P{(Row.left + Row.right) / 2, (Row.top + Row.bottom) / 2};
    ClientToScreen(List, &P);
    RECT MenuRect{};
    GetWindowRect(File->GetHandle(), &MenuRect);
    ASSERT_FALSE(PtInRect(&MenuRect, P)) << "the test wants the entry outside the menu window";
    TestSupport::Click(P);
    TestSupport::WaitProcessed();
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return Combo->GetItemIndex() == 2; }, 5000, "the picked entry"));
    EXPECT_EQ("200%", Combo->GetText());
    F.CloseMenus();
}

TEST(MouseHook, ALeftReleaseOutsideClosesTheChainUnlessTheClickOpenedIt)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    // Pressed on the title and released over the form: the menu that press opened stays.
    TestSupport::MoveTo(TMenuFixture::CenterOf(F.WindowOf(F.MainMenu), F.File));
    TestSupport::ButtonDown();
    TestSupport::WaitProcessed();
    TcbBarSubMenuControl* File = TMenuFixture::MenuOf(F.File);
    ASSERT_NE(nullptr, File);
    TestSupport::MoveTo(EmptySpot(F));
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    ASSERT_EQ(File, TMenuFixture::MenuOf(F.File)) << "the release of the opening click";

    // Pressed on a command and released over the form: the chain closes and nothing runs.
    TestSupport::MoveTo(TMenuFixture::CenterOf(File, F.Save));
    TestSupport::ButtonDown();
    TestSupport::WaitProcessed();
    ASSERT_EQ(File, TMenuFixture::MenuOf(F.File));
    TestSupport::MoveTo(EmptySpot(F));
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.File));
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
    EXPECT_EQ(0, F.Runs["&Save"]);
}

TEST(MouseHook, ARightClickOnTheListBoxOpensItsBarPopupAtTheCursor)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TMessageTap List(F.List->GetHandle());
    const POINT At = ScreenOf(F.List, 30, 20);
    // Where "&Copy" lies in the menu, measured on the same menu shown without its loop.
    F.Popup->SetNoWait(true);
    F.Popup->Popup(At.x, At.y);
    TcbBarSubMenuControl* Measured = TMenuFixture::MenuOf(F.Popup);
    ASSERT_NE(nullptr, Measured);
    const POINT CopyAt = TMenuFixture::CenterOf(Measured, F.PopupButtons[1]);
    Measured->CloseAndFree();
    F.Popup->SetNoWait(false);
    TestSupport::PumpUntil([&] { return TMenuFixture::MenuOf(F.Popup) == nullptr; }, 5000, "the measured menu gone");
    PumpPosted("the closing handled");

    int Popups = 0;
    F.Popup->OnPopup = [&](TObject*) { ++Popups; };
    RECT Shown{};
    bool SystemMenu = false;
    TMenuWatchdog Watchdog;
    const UINT_PTR Timer = ThreadTimerStart(10, [&](UINT_PTR) {
        if (TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.Popup); Menu && Menu->HandleAllocated())
            GetWindowRect(Menu->GetHandle(), &Shown);
        SystemMenu = SystemMenu || SystemMenuShows();
    });
    TestSupport::TInputScript S;
    S.Click(At, mbRight).WaitForWindow(kMenuWindowClass).Delay(100).Click(CopyAt).WaitProcessed();
    S.Play();
    TestSupport::PumpUntil([&] { return F.Runs["&Copy"] == 1; }, 10000, "\"&Copy\" runs");
    S.Wait();
    ThreadTimerStop(Timer);

    EXPECT_FALSE(Watchdog.Fired()) << "the menu had to be closed by force";
    EXPECT_EQ(1, F.Runs["&Copy"]);
    EXPECT_EQ(1, Popups);
    EXPECT_EQ(At.x, Shown.left) << "the menu opens at the cursor";
    EXPECT_EQ(At.y, Shown.top);
    EXPECT_FALSE(SystemMenu) << "no system menu showed";
    EXPECT_EQ(0, List.Count(WM_RBUTTONDOWN)) << "the press that opened the menu was handled";
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Popup));
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
}

TEST(MouseHook, ARightClickOutsideAnOpenPopupClosesItWithoutASecondPopup)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TMessageTap List(F.List->GetHandle(), {WM_CONTEXTMENU});
    // The menu opens to the right of and below the first point; the second lies left of it.
    const POINT First = ScreenOf(F.List, 100, 40);
    const POINT Second = ScreenOf(F.List, 10, 10);
    int Popups = 0;
    F.Popup->OnPopup = [&](TObject*) { ++Popups; };
    TMenuWatchdog Watchdog;
    TestSupport::TInputScript S;
    S.Click(First, mbRight).WaitForWindow(kMenuWindowClass).Delay(100).Click(Second, mbRight).WaitProcessed();
    S.Play();
    TestSupport::PumpUntil([&] { return Popups >= 1 && !TMenuFixture::MenuOf(F.Popup); }, 10000, "the popup closes");
    S.Wait();
    PumpPosted("the script's last input handled");
    EXPECT_FALSE(Watchdog.Fired()) << "the menu had to be closed by force";
    EXPECT_EQ(1, Popups);
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Popup));
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
    EXPECT_EQ(0, List.Count(WM_RBUTTONDOWN)) << "both presses were handled";
    for (TcbBarButton* B : F.PopupButtons)
        EXPECT_EQ(0, F.Runs[B->GetCaption()]);
}

// The More Buttons window's entries of the extension table replaced for one test: the mark opens
// nothing, and the open window is the given one. The real entries come back afterwards.
class TQuickControlStub {
public:
    explicit TQuickControlStub(TCustomcbBarControl* Open = nullptr)
        : FOpen(cbExtensions().OpenQuickControl), FGet(cbExtensions().GetOpenQuickControl)
    {
        cbExtensions().OpenQuickControl = [](TCustomcbBarControl*) {};
        cbExtensions().GetOpenQuickControl = [Open]() {
            return Open && TCustomcbBarControl::IsLiveBarControl(Open) ? Open : nullptr;
        };
    }
    TQuickControlStub(const TQuickControlStub&) = delete;
    TQuickControlStub& operator=(const TQuickControlStub&) = delete;
    ~TQuickControlStub()
    {
        cbExtensions().OpenQuickControl = FOpen;
        cbExtensions().GetOpenQuickControl = FGet;
    }

private:
    std::function<void(TCustomcbBarControl*)> FOpen;
    std::function<TCustomcbBarControl*()> FGet;
};

TEST(MouseHook, AToolbarsPressedMarkReturnsToNormalOnAClickElsewhere)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TcbBarControl* Bar = F.WindowOf(F.Standard);
    ASSERT_NE(nullptr, Bar);
    // Only the mark's state is looked at here: its More Buttons window stays shut.
    TQuickControlStub Stub;
    Bar->SetMarkState(bstPressed);
    ASSERT_EQ(bstPressed, Bar->GetMarkStateValue());
    // A middle click on the bar itself keeps it (a right one opens the toolbars popup).
    TestSupport::Click(TMenuFixture::CenterOf(Bar, F.StandardButtons[0]), mbMiddle);
    TestSupport::WaitProcessed();
    EXPECT_EQ(bstPressed, Bar->GetMarkStateValue());
    TestSupport::Click(EmptySpot(F));
    TestSupport::WaitProcessed();
    EXPECT_EQ(bstNormal, Bar->GetMarkStateValue());
}

TEST(MouseHook, OnlyMessagesTakenFromTheQueueActAndBadInputIsHarmless)
{
    TMenuFixture F;
    ASSERT_NE(nullptr, F.OpenByMessage(F.File));
    const POINT OnEdit = CenterOfControl(F.Edit);
    // A message only looked at comes again when it is taken: it must not close anything.
    EXPECT_FALSE(CallMouseHook(WM_RBUTTONDOWN, OnEdit, F.Edit->GetHandle(), HC_NOREMOVE));
    EXPECT_NE(nullptr, TMenuFixture::MenuOf(F.File));
    TThreadHookCall NoStruct(nullptr, HC_ACTION, WM_RBUTTONDOWN, 0);
    EXPECT_FALSE(cbMouseHookProc(NoStruct));
    EXPECT_NE(nullptr, TMenuFixture::MenuOf(F.File));
    EXPECT_TRUE(CallMouseHook(WM_RBUTTONDOWN, OnEdit, F.Edit->GetHandle()));
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.File));

    // A press aimed at a window that is gone, with a menu open: the menu closes and the press is
    // dropped; without a menu the same press is left alone.
    ASSERT_NE(nullptr, F.OpenByMessage(F.View));
    HWND Gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(Gone);
    EXPECT_TRUE(CallMouseHook(WM_LBUTTONDOWN, OnEdit, Gone));
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.View));
    EXPECT_FALSE(CallMouseHook(WM_LBUTTONDOWN, OnEdit, Gone));
}

TEST(MouseHook, TheHooksGoWithTheLastManagerAndComeBackWithANewOne)
{
    HHOOK Old[3] = {};
    {
        TMenuFixture F;
        Old[0] = cbKeyboardHookHandle();
        Old[1] = cbMouseHookHandle();
        Old[2] = cbCallWndProcHookHandle();
        for (HHOOK H : Old)
            ASSERT_NE(nullptr, H);
    }
    ASSERT_EQ(0, BarManagers()->GetCount());
    EXPECT_EQ(nullptr, cbKeyboardHookHandle());
    EXPECT_EQ(nullptr, cbMouseHookHandle());
    EXPECT_EQ(nullptr, cbCallWndProcHookHandle());
    // Really unhooked: the system no longer knows the handles.
    for (HHOOK H : Old)
        EXPECT_FALSE(UnhookWindowsHookEx(H));

    TMenuFixture F;
    EXPECT_NE(nullptr, cbKeyboardHookHandle());
    EXPECT_NE(nullptr, cbMouseHookHandle());
    EXPECT_NE(nullptr, cbCallWndProcHookHandle());
    // The new mouse hook works: a click outside closes an open menu.
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    ASSERT_NE(nullptr, ClickOpen(F, F.File));
    TestSupport::Click(EmptySpot(F));
    TestSupport::WaitProcessed();
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.File));
}

TEST(MouseHook, AChainThatDoesNotCloseIsAskedOnceAndTheHookReturns)
{
    TMenuFixture F;
    auto* Stuck = new TStuckMenu(F.Manager, F.Form.get());
    TScopeExit Free([Stuck] {
        Stuck->SetIsActive(false);
        delete Stuck;
    });
    Stuck->ShowAt(100, 100);
    Stuck->SetBounds(100, 100, 120, 60);
    Stuck->SetIsActive(true);
    ASSERT_EQ(Stuck, TCustomcbBarControl::ActiveBarControl());
    const POINT Outside = EmptySpot(F);
    EXPECT_FALSE(CallMouseHook(WM_LBUTTONDOWN, Outside, F.Form->GetHandle()));
    EXPECT_EQ(1, Stuck->HideAllCalls);
    // Inside it nothing closes.
    EXPECT_FALSE(CallMouseHook(WM_LBUTTONDOWN, POINT{160, 130}, Stuck->GetHandle()));
    EXPECT_EQ(1, Stuck->HideAllCalls);
}

TEST(MouseHook, TheQuickCustomizationWindowOfAPressedMarkKeepsItForTheLeftButton)
{
    TMenuFixture F;
    TcbBarControl* Bar = F.WindowOf(F.Standard);
    ASSERT_NE(nullptr, Bar);
    auto* Quick = new CommandBarsTest::TTestBarWindow(F.Manager, nullptr, F.Form.get(), true);
    // The mark's return to normal frees the window it names as its own.
    TScopeExit Free([Quick] {
        if (TCustomcbBarControl::IsLiveBarControl(Quick))
            delete Quick;
    });
    Quick->ShowAt(300, 300);
    Quick->SetBounds(300, 300, 120, 60);
    Quick->SetParentBar(Bar);
    TQuickControlStub Stub(Quick);
    Bar->SetMarkState(bstPressed);
    const POINT On{360, 330};
    ASSERT_EQ(Quick->GetHandle(), WindowFromPoint(On));
    CallMouseHook(WM_LBUTTONDOWN, On, Quick->GetHandle());
    CallMouseHook(WM_LBUTTONUP, On, Quick->GetHandle());
    EXPECT_EQ(bstPressed, Bar->GetMarkStateValue()) << "a left click in the quick window";
    CallMouseHook(WM_RBUTTONDOWN, On, Quick->GetHandle());
    EXPECT_EQ(bstNormal, Bar->GetMarkStateValue()) << "a right click in the quick window";
}
