// The open animations: unfold and slide on a worker thread that ends with the window at its
// placed rect, stopping it by closing the menu, fade, the random pick, and no animation for a
// menu opened from the keyboard.
#include <gtest/gtest.h>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/windows/cbSubMenu.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::TMenuFixture;

namespace {

RECT RectOf(TCustomcbBarControl* Window)
{
    RECT R{};
    GetWindowRect(Window->GetHandle(), &R);
    return R;
}

// Waits for the last worker thread while serving the messages it sends.
bool WorkerEnded()
{
    HANDLE Thread = TcbBarSubMenuControl::DuplicateAnimationThreadHandle();
    if (!Thread)
        return false;
    const bool Ended = TestSupport::PumpUntil([Thread] { return WaitForSingleObject(Thread, 0) == WAIT_OBJECT_0; },
                                              10000, "the animation thread's end");
    CloseHandle(Thread);
    return Ended;
}

DWORD LastWorkerId()
{
    HANDLE Thread = TcbBarSubMenuControl::DuplicateAnimationThreadHandle();
    if (!Thread)
        return 0;
    const DWORD Id = GetThreadId(Thread);
    CloseHandle(Thread);
    return Id;
}

struct TRandomSource {
    explicit TRandomSource(int32_t Value)
    {
        TcbBarSubMenuControl::SetRandomSource([Value](int32_t Range) { return Value % Range; });
    }
    ~TRandomSource() { TcbBarSubMenuControl::SetRandomSource(nullptr); }
};

} // namespace

TEST(SubMenuAnimation, SlideAndUnfoldEndAtThePlacedRectWithTheirWorkerGone)
{
    for (TcbBarMenuAnimations Kind : {maSlide, maUnfold}) {
        SCOPED_TRACE(Kind == maSlide ? "slide" : "unfold");
        TMenuFixture F;
        F.Manager->SetMenuAnimations(Kind);
        const DWORD Before = LastWorkerId();
        TcbBarSubMenuControl* Menu = F.OpenByMessage(F.File);
        ASSERT_NE(nullptr, Menu);
        EXPECT_EQ(Kind, Menu->GetAnimationKind());
        EXPECT_NE(Before, LastWorkerId()) << "a press opened it: a worker drew it";
        ASSERT_TRUE(WorkerEnded());
        TestSupport::PumpUntil([&] { return !Menu->IsAnimating(); }, 5000, "the animation's end handled");
        PumpPosted("the animation's messages handled");
        EXPECT_FALSE(Menu->IsAnimating());
        const RECT R = RectOf(Menu);
        const TRect Placed = Menu->GetPlacedRect();
        EXPECT_EQ(Placed.left, R.left);
        EXPECT_EQ(Placed.top, R.top);
        EXPECT_EQ(Placed.right, R.right);
        EXPECT_EQ(Placed.bottom, R.bottom);
        EXPECT_TRUE(IsWindowVisible(Menu->GetHandle()));
    }
}

TEST(SubMenuAnimation, ClosingDuringTheAnimationEndsTheWorkerAndKeepsOtherMessages)
{
    TMenuFixture F;
    F.Manager->SetMenuAnimations(maUnfold);
    auto* Popup = new TcbBarPopupMenu(F.Form.get());
    for (int I = 0; I < 120; ++I) {
        auto* B = new TcbBarButton(F.Form.get());
        B->SetCaption("Entry " + std::to_string(I));
        Popup->GetItemLinks()->Add()->SetItem(B);
    }
    Popup->SetNoWait(true);
    int Arrived = 0;
    const int32_t Handler = F.Form->AddCommandHandler([&](uint16_t Id) {
        if (Id == 4713)
            ++Arrived;
        return Id == 4713;
    });
    Popup->Popup(300, 20);
    TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(Popup);
    ASSERT_NE(nullptr, Menu);
    EXPECT_TRUE(Menu->IsAnimating()) << "a tall menu unfolds over many steps";
    HANDLE Thread = TcbBarSubMenuControl::DuplicateAnimationThreadHandle();
    ASSERT_NE(nullptr, Thread);
    PostMessageA(F.Form->GetHandle(), WM_COMMAND, 4713, 0);
    const HWND Wnd = Menu->GetHandle();
    Menu->CloseAndFree();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(Thread, 0)) << "closing waited for the worker";
    CloseHandle(Thread);
    EXPECT_FALSE(IsWindow(Wnd));
    TestSupport::PumpUntil([&] { return Arrived >= 1; }, 5000, "the form's message");
    PumpPosted("the messages after the form's handled");
    EXPECT_EQ(1, Arrived) << "the form's message arrived once";
    F.Form->RemoveHandler(Handler);
}

TEST(SubMenuAnimation, FadeShowsTheMenu)
{
    TMenuFixture F;
    F.Manager->SetMenuAnimations(maFade);
    TcbBarSubMenuControl* Menu = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, Menu);
    EXPECT_EQ(maFade, Menu->GetAnimationKind());
    EXPECT_TRUE(IsWindowVisible(Menu->GetHandle()));
    EXPECT_FALSE(Menu->IsAnimating());
    F.CloseMenus();
    // Without the system's AnimateWindow the menu shows at once.
    auto& Entries = cbUser32Entries();
    const auto Saved = Entries.AnimateWindow;
    Entries.AnimateWindow = nullptr;
    TScopeExit Restore([&] { Entries.AnimateWindow = Saved; });
    Menu = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, Menu);
    EXPECT_TRUE(IsWindowVisible(Menu->GetHandle()));
}

TEST(SubMenuAnimation, RandomPicksUnfoldSlideOrFadeFromItsSource)
{
    const std::pair<int32_t, TcbBarMenuAnimations> Cases[] = {{10, maUnfold}, {50, maSlide}, {90, maFade}};
    for (const auto& [Value, Kind] : Cases) {
        SCOPED_TRACE(Value);
        TRandomSource Source(Value);
        TMenuFixture F;
        F.Manager->SetMenuAnimations(maRandom);
        TcbBarSubMenuControl* Menu = F.OpenByMessage(F.File);
        ASSERT_NE(nullptr, Menu);
        EXPECT_EQ(Kind, Menu->GetAnimationKind());
        if (Kind != maFade) {
            EXPECT_TRUE(WorkerEnded());
        }
    }
}

TEST(SubMenuAnimation, AMenuOpenedFromTheKeyboardDoesNotAnimate)
{
    TMenuFixture F;
    F.Manager->SetMenuAnimations(maSlide);
    const DWORD Before = LastWorkerId();
    TcbBarControl* Bar = F.WindowOf(F.MainMenu);
    Bar->EnterKeyboardMode(F.ControlOf(Bar, F.File));
    F.ControlOf(Bar, F.File)->PressAndClick(false);
    TestSupport::PumpUntil([&] {
        TcbBarSubMenuControl* Opened = TMenuFixture::MenuOf(F.File);
        return Opened && IsWindowVisible(Opened->GetHandle());
    }, 5000, "the File menu shown");
    PumpPosted("the opening handled");
    TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.File);
    ASSERT_NE(nullptr, Menu);
    EXPECT_FALSE(Menu->IsAnimating());
    EXPECT_EQ(Before, LastWorkerId());
    EXPECT_TRUE(IsWindowVisible(Menu->GetHandle()));
    EXPECT_EQ(F.ControlOf(Menu, F.New), Menu->GetSelectedControl()) << "the keyboard selects the first entry";
}
