// The popup menu's loop driven by timers of the user-interface thread: it returns once the menu
// has closed and its command has run, keeps the thread's messages (WM_QUIT, WM_COMMAND, messages
// fetched after the close) and survives a command that frees the popup's form.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <windows.h>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/windows/cbSubMenu.h"
#include "platform/win/Forms.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::TMenuFixture;

namespace {

// Runs Step once, Ms after the start, on the user-interface thread (inside whatever loop runs).
class TLater {
public:
    TLater(uint32_t Ms, std::function<void()> Step) : FStep(std::move(Step))
    {
        FId = ThreadTimerStart(Ms, [this](UINT_PTR) {
            ThreadTimerStop(FId);
            FId = 0;
            if (FStep)
                FStep();
        });
    }
    ~TLater()
    {
        if (FId)
            ThreadTimerStop(FId);
    }

private:
    UINT_PTR FId = 0;
    std::function<void()> FStep;
};

void Key(TcbBarSubMenuControl* Menu, WPARAM Key)
{
    if (Menu && Menu->HandleAllocated())
        SendMessageA(Menu->GetHandle(), WM_KEYDOWN, Key, 0);
}

int LiveMenuWindows()
{
    int Count = 0;
    for (TCustomcbBarControl* Bar : TCustomcbBarControl::LiveBarControls())
        if (Bar->GetKind() == bwkMenu)
            ++Count;
    return Count;
}

// A component whose destruction is seen.
class TDeathMark : public TComponent {
public:
    TDeathMark(TComponent* AOwner, bool& Flag) : TComponent(AOwner), FFlag(Flag) {}
    ~TDeathMark() override { FFlag = true; }

private:
    bool& FFlag;
};

} // namespace

TEST(PopupMenuLoop, PopupReturnsAfterTheMenuClosedWithItsCommandRun)
{
    TMenuFixture F;
    std::vector<std::string> Events;
    HWND Shown = nullptr;
    F.Popup->OnPopup = [&](TObject*) {
        TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.Popup);
        Events.push_back(Menu && !(Menu->HandleAllocated() && IsWindowVisible(Menu->GetHandle())) ? "popup before show"
                                                                                                  : "popup late");
    };
    F.Popup->OnCloseUp = [&](TObject*) {
        Events.push_back(Shown && !IsWindowVisible(Shown) ? "closeup after close" : "closeup early");
    };
    int Nested = -1;
    TLater Choose(100, [&] {
        TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.Popup);
        ASSERT_NE(nullptr, Menu);
        Shown = Menu->GetHandle();
        EXPECT_TRUE(IsWindowVisible(Shown));
        // A second showing while it shows does nothing.
        F.Popup->Popup(10, 10);
        Nested = LiveMenuWindows();
        Key(Menu, VK_DOWN);
        Key(Menu, VK_DOWN);
        Key(Menu, VK_RETURN);
    });
    F.Popup->Popup(300, 300);
    EXPECT_EQ(1, F.Runs["&Copy"]) << "the chosen command has run when Popup returns";
    EXPECT_EQ(1, Nested);
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Popup));
    EXPECT_FALSE(F.Popup->IsOpen());
    EXPECT_EQ((std::vector<std::string>{"popup before show", "closeup after close"}), Events);
    EXPECT_EQ(0, LiveMenuWindows());
}

TEST(PopupMenuLoop, AQuitMessageEndsTheLoopAndReachesTheCallersLoop)
{
    TMenuFixture F;
    TLater Quit(100, [] { PostQuitMessage(5); });
    F.Popup->Popup(300, 300);
    MSG Msg{};
    ASSERT_TRUE(PeekMessageA(&Msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit message was posted again";
    EXPECT_EQ(5u, Msg.wParam);
    F.CloseMenus();
    EXPECT_EQ(0, LiveMenuWindows());
}

TEST(PopupMenuLoop, ACommandMessagePostedMeanwhileRunsOnceAfterTheClose)
{
    TMenuFixture F;
    int Runs = 0;
    bool MenuOpenThen = true;
    const int32_t Handler = F.Form->AddCommandHandler([&](uint16_t Id) {
        if (Id != 4711)
            return false;
        ++Runs;
        MenuOpenThen = TMenuFixture::MenuOf(F.Popup) != nullptr;
        return true;
    });
    TLater Post(60, [&] { PostMessageA(F.Form->GetHandle(), WM_COMMAND, 4711, 0); });
    TLater Close(200, [&] { Key(TMenuFixture::MenuOf(F.Popup), VK_ESCAPE); });
    F.Popup->Popup(300, 300);
    EXPECT_EQ(0, Runs) << "kept while the menu was open";
    TestSupport::PumpUntil([&] { return Runs >= 1; }, 5000, "the kept command");
    PumpPosted("the messages after the command handled");
    EXPECT_EQ(1, Runs);
    EXPECT_FALSE(MenuOpenThen);
    F.Form->RemoveHandler(Handler);
}

TEST(PopupMenuLoop, AMessageFetchedAfterTheCloseIsPostedBack)
{
    TMenuFixture F;
    int Seen = 0;
    const int32_t Handler = F.Form->AddCommandHandler([&](uint16_t Id) {
        if (Id == 4712)
            ++Seen;
        return Id == 4712;
    });
    // Another thread posts a command and then closes the menu with a sent key: the loop's
    // GetMessage handles the key first and then fetches the command, after the close.
    std::thread Other;
    TLater Start(100, [&] {
        const HWND Form = F.Form->GetHandle();
        const HWND Menu = TMenuFixture::MenuOf(F.Popup)->GetHandle();
        Other = std::thread([Form, Menu] {
            PostMessageA(Form, WM_COMMAND, 4712, 0);
            SendMessageA(Menu, WM_KEYDOWN, VK_ESCAPE, 0);
        });
    });
    F.Popup->Popup(300, 300);
    if (Other.joinable())
        Other.join();
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Popup));
    EXPECT_EQ(0, Seen) << "fetched after the close: posted back, not dispatched by the loop";
    TestSupport::PumpUntil([&] { return Seen >= 1; }, 5000, "the command posted back");
    PumpPosted("the messages after the command handled");
    EXPECT_EQ(1, Seen);
    F.Form->RemoveHandler(Handler);
}

TEST(PopupMenuLoop, ACommandThatReleasesThePopupsFormReturnsSafely)
{
    TMenuFixture F;
    bool Freed = false;
    auto* Second = new TForm(nullptr);
    Second->SetBounds(600, 100, 300, 200);
    new TDeathMark(Second, Freed);
    auto* Popup = new TcbBarPopupMenu(Second);
    auto* Close = F.MakeCommand("Close the form");
    Close->GetAction()->SetOnExecute([&](TObject*) { Second->Release(); });
    Popup->GetItemLinks()->Add()->SetItem(Close);
    Second->Show();
    TLater Choose(100, [&] {
        TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(Popup);
        Key(Menu, VK_DOWN);
        Key(Menu, VK_RETURN);
    });
    Popup->Popup(650, 150);
    EXPECT_FALSE(Freed) << "the form goes after the call";
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return Freed; }, 5000, "the released form"));
    EXPECT_EQ(0, LiveMenuWindows());
}

TEST(PopupMenuLoop, ACommandOpeningAModalWindowFindsNoMenuWindow)
{
    TMenuFixture F;
    int MenusThen = -1;
    F.PopupButtons[0]->GetAction()->SetOnExecute([&](TObject*) {
        MenusThen = LiveMenuWindows();
        TestSupport::TDialogAnswerer Answer("modal from a menu", IDOK);
        MessageBoxA(F.Form->GetHandle(), "modal from a menu", "Information", MB_OK);
    });
    TLater Choose(100, [&] {
        TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.Popup);
        Key(Menu, VK_DOWN);
        Key(Menu, VK_RETURN);
    });
    F.Popup->Popup(300, 300);
    EXPECT_EQ(0, MenusThen);
}

TEST(PopupMenuLoop, PopupExRestoresItsShowingValues)
{
    TMenuFixture F;
    const TRect Exclusion{280, 280, 300, 300};
    int32_t OwnerHeightThen = -1;
    TLater Close(100, [&] {
        TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.Popup);
        ASSERT_NE(nullptr, Menu);
        OwnerHeightThen = Menu->GetOwnerHeight();
        Key(Menu, VK_ESCAPE);
    });
    F.Popup->PopupEx(280, 300, &Exclusion, false, 0, 20, F.Form.get());
    EXPECT_EQ(20, OwnerHeightThen);
    EXPECT_TRUE(F.Popup->GetAnimate());
    EXPECT_EQ(0, F.Popup->GetOwnerHeight());
    EXPECT_EQ(nullptr, F.Popup->GetExclusionRect());
}

TEST(PopupMenuLoop, ARightClickPicksACommandInAPopupMenu)
{
    TMenuFixture F;
    TLater Pick(100, [&] {
        TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.Popup);
        ASSERT_NE(nullptr, Menu);
        EXPECT_TRUE(Menu->AllowsRightButtonClick());
        const TRect R = F.ControlOf(Menu, F.PopupButtons[2])->GetItemRect();
        const LPARAM At = MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
        SendMessageA(Menu->GetHandle(), WM_RBUTTONDOWN, MK_RBUTTON, At);
        SendMessageA(Menu->GetHandle(), WM_RBUTTONUP, 0, At);
    });
    F.Popup->Popup(300, 300);
    EXPECT_EQ(1, F.Runs["&Paste"]);
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Popup));
    // A menu opened under its owner (a title's) takes no right clicks.
    TcbBarSubMenuControl* File = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, File);
    EXPECT_FALSE(File->AllowsRightButtonClick());
}

TEST(PopupMenuLoop, ADropDownMenuOpenedByKeyClosesWhenItsButtonIsInactivated)
{
    TMenuFixture F;
    auto* Button = F.MakeCommand("Back");
    Button->SetButtonStyle(bsDropDown);
    Button->SetDropDownMenu(F.Popup);
    F.Standard->GetItemLinks()->Add()->SetItem(Button);
    TestSupport::PumpUntil([&] { return F.ControlOf(F.WindowOf(F.Standard), Button) != nullptr; }, 5000,
                           "the button on the toolbar");
    PumpPosted("the toolbar rebuilt");
    TcbBarControl* Bar = F.WindowOf(F.Standard);
    auto* Control = dynamic_cast<TcbBarButtonControl*>(F.ControlOf(Bar, Button));
    ASSERT_NE(nullptr, Control);
    TCustomcbBarControl* Selected = nullptr;
    bool Open = false;
    bool Animates = true;
    TLater Close(100, [&] {
        TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.Popup);
        ASSERT_NE(nullptr, Menu);
        Open = Control->IsDroppedDown();
        Animates = Menu->GetAnimate();
        Selected = Menu->GetSelectedControl() == F.ControlOf(Menu, F.PopupButtons[0]) ? Menu : nullptr;
        // What the toolbar does when it leaves its menu mode.
        Control->ControlInactivate(true);
    });
    Control->DropDown(false);
    EXPECT_TRUE(Open);
    EXPECT_FALSE(Animates) << "a menu opened by a key does not animate";
    EXPECT_NE(nullptr, Selected) << "the first entry is selected when a key opened the menu";
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Popup));
    EXPECT_FALSE(Control->IsDroppedDown());
    EXPECT_FALSE(F.Popup->IsOpen());
}

TEST(PopupMenuLoop, AMenuClosedInsideTheLoopsWaitEndsTheLoopAtOnce)
{
    TMenuFixture F;
    int Seen = 0;
    const int32_t Handler = F.Form->AddCommandHandler([&](uint16_t Id) {
        if (Id == 4714)
            ++Seen;
        return Id == 4714;
    });
    // The loop fetches the command and waits again; the menu then closes inside that wait (a
    // message sent from another thread, as a hook would close it), with nothing more to fetch.
    std::thread Other;
    TLater Start(100, [&] {
        const HWND Form = F.Form->GetHandle();
        const HWND Menu = TMenuFixture::MenuOf(F.Popup)->GetHandle();
        Other = std::thread([Form, Menu] {
            PostMessageA(Form, WM_COMMAND, 4714, 0);
            // Nothing outside the loop shows that it fetched the command and waits again: a pause.
            Sleep(300);
            SendMessageA(Menu, WM_KEYDOWN, VK_ESCAPE, 0);
        });
    });
    // Should the loop wait on, this wakes it so that the test ends.
    bool Rescued = false;
    TLater Rescue(8000, [&] {
        Rescued = true;
        PostMessageA(F.Form->GetHandle(), WM_NULL, 0, 0);
    });
    // Away from the thread's other windows, so that its close leaves nothing to repaint.
    F.Popup->Popup(900, 660);
    if (Other.joinable())
        Other.join();
    EXPECT_FALSE(Rescued) << "the loop went on waiting after its menu closed";
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Popup));
    TestSupport::PumpUntil([&] { return Seen >= 1; }, 5000, "the kept command");
    PumpPosted("the messages after the command handled");
    EXPECT_EQ(1, Seen);
    MSG Left{};
    EXPECT_FALSE(PeekMessageA(&Left, reinterpret_cast<HWND>(-1), WM_NULL, WM_NULL, PM_NOREMOVE))
        << "no message of the loop's own is left behind";
    F.Form->RemoveHandler(Handler);
}
