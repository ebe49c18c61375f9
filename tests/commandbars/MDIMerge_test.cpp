// MDI menu merging driven by messages: the child's menus in the frame's main menu bar with the
// zoom state (AlwaysMerge off and on, OnMenuMerge), a second child taking the first one's place,
// a maximized child going away, the system-menu link kept through Assign, the MDI buttons'
// geometry and their reset.
#include <gtest/gtest.h>

#include "commandbars/input/cbBarDrag.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/windows/cbSystemMenu.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/support/MDIFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::Captions;
using CommandBarsTest::TMDIFixture;

namespace {

TRect WindowRectOf(HWND W)
{
    RECT R{};
    GetWindowRect(W, &R);
    return R;
}

TSystemMenuSubItem* SystemItemOf(TcbBar* Bar)
{
    TcbBarItemLinks* Links = Bar->GetItemLinks();
    return Links->GetCount() > 0 ? dynamic_cast<TSystemMenuSubItem*>(Links->GetItem(0)->GetItem()) : nullptr;
}

} // namespace

TEST(MDIMerge, AMaximizedChildJoinsTheFrameMenuAndARestoredOneLeavesIt)
{
    TMDIFixture F;
    auto C = F.AddChild("Child", Captions({"&Edit", "&Tools"}));
    const HWND Child = C.Form->GetHandle();
    TcbBarControl* Window = F.FrameMenuWindow();
    ASSERT_TRUE(Window);

    // Normal: each keeps its own bar, and the frame's bar shows no MDI buttons.
    EXPECT_EQ(Captions({"&File", "&Window"}), F.FrameCaptions());
    EXPECT_TRUE(C.Menu->GetVisible());
    EXPECT_EQ(mbmNone, Window->GetMDIButtonsMode());
    const TRect Normal = WindowRectOf(Child);

    F.Maximize(C.Form);
    ASSERT_TRUE(IsZoomed(Child));
    EXPECT_EQ(Captions({"<system>", "&File", "&Window", "&Edit", "&Tools"}), F.FrameCaptions());
    TSystemMenuSubItem* System = SystemItemOf(F.FrameMenu);
    ASSERT_TRUE(System);
    EXPECT_EQ(Child, System->GetChildWnd());
    EXPECT_FALSE(C.Menu->GetVisible());
    // The merged links are the child's items, not copies of them.
    EXPECT_EQ(C.Menu->GetItemLinks()->GetItem(0)->GetItem(), F.FrameMenu->GetItemLinks()->GetItem(3)->GetItem());
    // The maximized child still fills the MDI client after its bar went.
    RECT ClientArea{}, ChildClient{};
    GetClientRect(F.Frame->GetClientHandle(), &ClientArea);
    GetClientRect(Child, &ChildClient);
    EXPECT_EQ(ClientArea.right - ClientArea.left, ChildClient.right - ChildClient.left);
    EXPECT_EQ(ClientArea.bottom - ClientArea.top, ChildClient.bottom - ChildClient.top);

    // Three buttons at the end of the bar, 3 x (SM_CXMENUSIZE - 2) + 2 wide, the close button
    // 2 pixels after the restore button, clear of the merged controls.
    EXPECT_EQ(mbmThreeButtons, Window->GetMDIButtonsMode());
    const int32_t W = GetSystemMetrics(SM_CXMENUSIZE) - 2;
    const TRect Min = Window->GetMDIButtonRect(0), Res = Window->GetMDIButtonRect(1), Cls = Window->GetMDIButtonRect(2);
    EXPECT_EQ(3 * W + 2, Cls.right - Min.left);
    EXPECT_EQ(Min.right, Res.left);
    EXPECT_EQ(Res.right + 2, Cls.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYMENUSIZE) - 4, Res.bottom - Res.top);
    const TRect Client = Window->GetClientRect();
    EXPECT_LE(Cls.right, Client.right);
    const TRect Last = F.FrameMenu->GetItemLinks()->GetItem(4)->GetItemRect();
    ASSERT_FALSE(IsRectEmpty(&Last)) << "the last merged menu is shown";
    EXPECT_LE(Last.right, Min.left);
    EXPECT_TRUE(Window->IsMDIButtonEnabled(1));
    EXPECT_TRUE(Window->IsMDIButtonEnabled(2));

    // A held button lets go unclicked on WM_CANCELMODE, and when another window takes the mouse.
    const HWND Bar = Window->GetHandle();
    const LPARAM At = MAKELPARAM((Res.left + Res.right) / 2, (Res.top + Res.bottom) / 2);
    for (int Round = 0; Round < 2; ++Round) {
        SendMessageA(Bar, WM_LBUTTONDOWN, MK_LBUTTON, At);
        EXPECT_EQ(1, TcbBarControl::GetPressedMDIButton());
        EXPECT_EQ(Bar, GetCapture());
        EXPECT_FALSE(cbIsBarDragging());
        if (Round == 0)
            SendMessageA(Bar, WM_CANCELMODE, 0, 0);
        else
            SetCapture(F.Frame->GetHandle());
        EXPECT_EQ(-1, TcbBarControl::GetPressedMDIButton());
        EXPECT_EQ(-1, TcbBarControl::GetHotMDIButton());
        EXPECT_NE(Bar, GetCapture());
        ReleaseCapture();
        SendMessageA(Bar, WM_LBUTTONUP, 0, At);
    }
    EXPECT_TRUE(IsZoomed(Child));
    EXPECT_TRUE(C.Form->SysCommands.empty());

    F.Restore(C.Form);
    ASSERT_FALSE(IsZoomed(Child));
    EXPECT_EQ(Captions({"&File", "&Window"}), F.FrameCaptions());
    EXPECT_TRUE(C.Menu->GetVisible());
    EXPECT_EQ(mbmNone, Window->GetMDIButtonsMode());
    const TRect None = Window->GetMDIButtonRect(1);
    EXPECT_TRUE(IsRectEmpty(&None));
    // The child comes back where it was: hiding and showing its bar moved nothing.
    const TRect Back = WindowRectOf(Child);
    EXPECT_TRUE(EqualRect(&Normal, &Back));
}

TEST(MDIMerge, AlwaysMergeJoinsANormalChildAndOnMenuMergeTakesTheMergeOver)
{
    TMDIFixture F;
    F.FrameManager->SetAlwaysMerge(true);
    auto A = F.AddChild("Child A", Captions({"&Edit", "&Tools"}));
    EXPECT_EQ(Captions({"&File", "&Window", "&Edit", "&Tools"}), F.FrameCaptions());
    EXPECT_FALSE(A.Menu->GetVisible());
    // Only the system-menu item follows the zoom state.
    F.Maximize(A.Form);
    EXPECT_EQ(Captions({"<system>", "&File", "&Window", "&Edit", "&Tools"}), F.FrameCaptions());
    F.Restore(A.Form);
    EXPECT_EQ(Captions({"&File", "&Window", "&Edit", "&Tools"}), F.FrameCaptions());
    // Each maximize makes the item anew and each restore frees it: nothing piles up.
    const size_t Temporary = TemporaryItems().size();
    for (int I = 0; I < 3; ++I) {
        F.Maximize(A.Form);
        F.Restore(A.Form);
    }
    EXPECT_EQ(Temporary, TemporaryItems().size());
    A.Form->Free();
    PumpPosted("the child's end handled");

    // With OnMenuMerge the handler hears both ways and nothing is appended.
    F.FrameManager->SetAlwaysMerge(false);
    std::vector<std::pair<TcbBarManager*, bool>> Calls;
    F.FrameManager->OnMenuMerge = [&Calls](TObject*, TcbBarManager* Child, bool AddItems) {
        Calls.emplace_back(Child, AddItems);
    };
    auto B = F.AddChild("Child B", Captions({"&Edit"}));
    EXPECT_TRUE(Calls.empty()) << "a normal child merges nothing";
    F.Maximize(B.Form);
    F.Restore(B.Form);
    using TCalls = std::vector<std::pair<TcbBarManager*, bool>>;
    EXPECT_EQ((TCalls{{B.Manager, true}, {B.Manager, false}}), Calls);
    EXPECT_EQ(Captions({"&File", "&Window"}), F.FrameCaptions());
    EXPECT_TRUE(B.Menu->GetVisible());
}

TEST(MDIMerge, ASecondChildSwapsTheMergedLinksAndAGoneChildTakesItsLinksAlong)
{
    TMDIFixture F;
    auto A = F.AddChild("Child A", Captions({"&Edit", "&Tools"}));
    F.Maximize(A.Form);
    ASSERT_EQ(Captions({"<system>", "&File", "&Window", "&Edit", "&Tools"}), F.FrameCaptions());

    // A second child, active: A's menus leave the frame's bar; maximized, B's join it.
    auto B = F.AddChild("Child B", Captions({"F&ormat", "T&able"}), TRect{40, 40, 360, 260});
    ASSERT_EQ(F.Frame->GetActiveMDIChild(), B.Form);
    if (!IsZoomed(B.Form->GetHandle())) {
        EXPECT_EQ(Captions({"&File", "&Window"}), F.FrameCaptions());
        F.Maximize(B.Form);
    }
    ASSERT_TRUE(IsZoomed(B.Form->GetHandle()));
    EXPECT_EQ(Captions({"<system>", "&File", "&Window", "F&ormat", "T&able"}), F.FrameCaptions());
    ASSERT_TRUE(SystemItemOf(F.FrameMenu));
    EXPECT_EQ(B.Form->GetHandle(), SystemItemOf(F.FrameMenu)->GetChildWnd());
    EXPECT_TRUE(A.Menu->GetVisible());
    EXPECT_FALSE(B.Menu->GetVisible());

    // Back to A through the MDI client (maximized too, as the MDI client may leave it).
    SendMessageA(F.Frame->GetClientHandle(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(A.Form->GetHandle()), 0);
    TestSupport::PumpUntil([&] { return F.Frame->GetActiveMDIChild() == A.Form; }, 5000, "A active again");
    PumpPosted("the activation handled");
    ASSERT_EQ(F.Frame->GetActiveMDIChild(), A.Form);
    if (!IsZoomed(A.Form->GetHandle()))
        F.Maximize(A.Form);
    EXPECT_EQ(Captions({"<system>", "&File", "&Window", "&Edit", "&Tools"}), F.FrameCaptions());
    EXPECT_EQ(A.Form->GetHandle(), SystemItemOf(F.FrameMenu)->GetChildWnd());
    EXPECT_TRUE(B.Menu->GetVisible());

    // A maximized child freed: its menus and its system-menu item go; B takes over.
    A.Form->Free();
    TestSupport::PumpUntil([&] { return F.Frame->GetActiveMDIChild() == B.Form; }, 5000, "B active");
    PumpPosted("the child's end handled");
    ASSERT_EQ(F.Frame->GetActiveMDIChild(), B.Form);
    EXPECT_EQ(Captions({"<system>", "&File", "&Window", "F&ormat", "T&able"}), F.FrameCaptions());
    EXPECT_EQ(B.Form->GetHandle(), SystemItemOf(F.FrameMenu)->GetChildWnd());

    // The last child freed: nothing of it stays on the frame's bar, and no MDI button.
    B.Form->Free();
    TestSupport::PumpUntil([&] { return F.Frame->GetActiveMDIChild() == nullptr; }, 5000, "no child active");
    PumpPosted("the last child's end handled");
    EXPECT_EQ(Captions({"&File", "&Window"}), F.FrameCaptions());
    EXPECT_EQ(mbmNone, F.FrameMenuWindow()->GetMDIButtonsMode());
}

TEST(MDIMerge, AssignKeepsTheSystemMenuLinkFirst)
{
    TMDIFixture F;
    // A bar of other links to copy from.
    TcbBar* Other = F.FrameManager->GetBars()->Add();
    Other->SetCaption("Other");
    for (const char* Caption : {"&Alpha", "&Beta"}) {
        auto* Button = new TcbBarButton(F.Frame.get());
        Button->SetCaption(Caption);
        Other->GetItemLinks()->Add()->SetItem(Button);
    }
    // Without a system-menu item the copy is exact.
    F.FrameMenu->GetItemLinks()->Assign(Other->GetItemLinks());
    EXPECT_EQ(Captions({"&Alpha", "&Beta"}), F.FrameCaptions());

    auto C = F.AddChild("Child", Captions({"&Edit"}));
    F.Maximize(C.Form);
    ASSERT_TRUE(SystemItemOf(F.FrameMenu));
    TSystemMenuSubItem* System = SystemItemOf(F.FrameMenu);
    F.FrameMenu->GetItemLinks()->Assign(Other->GetItemLinks());
    EXPECT_EQ(Captions({"<system>", "&Alpha", "&Beta"}), F.FrameCaptions());
    EXPECT_EQ(System, SystemItemOf(F.FrameMenu));
    // Restoring still takes it away.
    F.Restore(C.Form);
    EXPECT_EQ(nullptr, SystemItemOf(F.FrameMenu));
}

TEST(MDIMerge, AMaximizedChildWindowDestroyedUnderItsFormLeavesNothingBehind)
{
    TMDIFixture F;
    auto A = F.AddChild("Child A", Captions({"&Edit", "&Tools"}));
    F.Maximize(A.Form);
    ASSERT_EQ(Captions({"<system>", "&File", "&Window", "&Edit", "&Tools"}), F.FrameCaptions());
    // The window goes without its form being freed (nobody told the MDI client first).
    DestroyWindow(A.Form->GetHandle());
    TestSupport::PumpUntil([&] { return SystemItemOf(F.FrameMenu) == nullptr; }, 5000,
                           "the system-menu item gone with the window");
    PumpPosted("the window's end handled");
    EXPECT_EQ(nullptr, SystemItemOf(F.FrameMenu)) << "no system-menu item for a window that is no more";
    EXPECT_EQ(Captions({"&File", "&Window"}), F.FrameCaptions());
    EXPECT_EQ(mbmNone, F.FrameMenuWindow()->GetMDIButtonsMode());
}

TEST(MDIMerge, TheCustomizeDialogOfAChildFollowsTheFramesHideAndShow)
{
    TMDIFixture F;
    ASSERT_EQ(AppUI()->GetMainForm(), F.Frame.get());
    auto C = F.AddChild("Child", Captions({"&Edit"}));
    C.Manager->SetIsCustomizing(true);
    TCustomForm* Dialog = cbCallExtension(cbExtensions().GetCustomizingForm);
    ASSERT_NE(nullptr, Dialog);
    ASSERT_TRUE(Dialog->HandleAllocated());
    const HWND DialogWnd = Dialog->GetHandle();
    ASSERT_TRUE(IsWindowVisible(DialogWnd));

    // The child's own window does not move when its frame hides: the frame's message leads.
    ShowWindow(F.Frame->GetHandle(), SW_HIDE);
    TestSupport::PumpUntil([&] { return !IsWindowVisible(DialogWnd); }, 5000, "the dialog hidden with the frame");
    EXPECT_FALSE(IsWindowVisible(DialogWnd)) << "hidden with the frame";
    ShowWindow(F.Frame->GetHandle(), SW_SHOWNA);
    TestSupport::PumpUntil([&] { return IsWindowVisible(DialogWnd); }, 5000, "the dialog shown again with the frame");
    EXPECT_TRUE(IsWindowVisible(DialogWnd)) << "shown again with the frame";

    C.Manager->SetIsCustomizing(false);
    TestSupport::PumpUntil([&] { return !IsWindow(DialogWnd); }, 5000, "the dialog gone");
    EXPECT_EQ(nullptr, cbCallExtension(cbExtensions().GetCustomizingForm));
}
