// The Customize dialog under the real mouse: commands dragged out of its commands list onto a
// toolbar, onto the desktop and into a menu that opens under the drag, a link dragged between
// toolbars while the dialog holds the mouse, presses on floating and docked bars that leave the
// dialog active, and a right click on a toolbar of the customized form while the dialog is open. The drags hold the user-interface thread, so the input comes
// from a script thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbBarPopups.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbSubMenu.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/CustomizeFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using namespace CommandBarsTest;
using TestSupport::TInputScript;

namespace {

POINT Shifted(POINT P, int DX, int DY)
{
    return POINT{P.x + DX, P.y + DY};
}

POINT Desktop()
{
    return POINT{GetSystemMetrics(SM_CXSCREEN) - 60, GetSystemMetrics(SM_CYSCREEN) - 60};
}

RECT ScreenRectOf(TcbBarItemControl* Control)
{
    TCustomcbBarControl* Window = Control->GetBarControl();
    const TRect R = Window->GetItemRect(Control);
    POINT Corners[2] = {{R.left, R.top}, {R.right, R.bottom}};
    MapWindowPoints(Window->GetHandle(), nullptr, Corners, 2);
    return RECT{Corners[0].x, Corners[0].y, Corners[1].x, Corners[1].y};
}

POINT CentreOf(const RECT& R)
{
    return POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
}

int32_t WidthOf(TCustomcbBarControl* W)
{
    RECT R{};
    GetWindowRect(W->GetHandle(), &R);
    return R.right - R.left;
}

std::string Describe(TcbBarItemLinks* Links)
{
    std::string Text;
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        Text += (I ? " " : "") + (Links->GetItem(I)->GetItem() ? Links->GetItem(I)->GetItem()->GetCaption() : "?");
    return Text;
}

class CustomizeDialogInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A first press within the double-click time of the last test's would pair with it.
        CommandBarsTest::WaitPastDoubleClickTime();
        Dialog = F.OpenDialog();
        ASSERT_NE(Dialog, nullptr);
        Dialog->PageControl->SetActivePage(Dialog->TabSheet2);
        TCustomizeFixture::SelectRow(Dialog->LCategories, 0);
        CommandBarsTest::Settle();
        ASSERT_TRUE(TestSupport::BringToFront(*Dialog));
    }
    void TearDown() override { CommandBarsTest::NoteLastPress(); }
    // The screen centre of a row of the commands list.
    POINT CommandRow(int32_t Row)
    {
        const TRect R = Dialog->LCommands->ItemRect(Row);
        POINT P{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
        ClientToScreen(Dialog->LCommands->GetHandle(), &P);
        return P;
    }
    // Presses on Open's row and moves past the drag rectangle. The system's drag detection
    // reads only the mouse, so no key marker can tell when the press was taken: a pause does.
    static void StartDrag(TInputScript& S, POINT From)
    {
        S.MoveTo(From).WaitProcessed().ButtonDown().Delay(150);
        S.MoveTo(Shifted(From, 12, 6)).Delay(50).MoveTo(Shifted(From, 30, 10)).WaitProcessed();
    }
    // Drags Open from the list to To and releases there.
    void DragOpenTo(TInputScript& S, POINT To)
    {
        StartDrag(S, CommandRow(1));
        S.MoveTo(To).WaitProcessed().MoveTo(Shifted(To, 1, 0)).WaitProcessed().ButtonUp().WaitProcessed();
    }
    TCustomizeFixture F;
    TcbBarCustomizingForm* Dialog = nullptr;
};

} // namespace

TEST_F(CustomizeDialogInput, OpenDraggedOntoToolsInsertsANewLinkAndToolsGrows)
{
    ASSERT_EQ(Dialog->LCommands->GetCommand(1), F.Open);
    TcbBarControl* Tools = F.WindowOf(F.Tools);
    ASSERT_NE(Tools, nullptr);
    const int32_t Before = WidthOf(Tools);
    const std::string Standard = Describe(F.Standard->GetItemLinks());
    // Onto the right half of Tool B: after it.
    const RECT ToolB = ScreenRectOf(TPopupsFixture::ControlOf(Tools, F.ToolB));
    TInputScript S;
    DragOpenTo(S, POINT{ToolB.right - 3, (ToolB.top + ToolB.bottom) / 2});
    S.Play();
    EXPECT_TRUE(S.Wait());
    CommandBarsTest::Settle();
    EXPECT_FALSE(IsCustomizingFormDragging());
    EXPECT_EQ(Describe(F.Tools->GetItemLinks()), "Tool &A Tool &B &Open");
    EXPECT_EQ(Describe(F.Standard->GetItemLinks()), Standard) << "a command is copied, never moved";
    TcbBarItemControl* Added = F.Tools->GetItemLinks()->GetItem(2)->GetControl();
    ASSERT_NE(Added, nullptr);
    const RECT AddedRect = ScreenRectOf(Added);
    EXPECT_EQ(WidthOf(Tools) - Before, AddedRect.right - AddedRect.left);
    EXPECT_EQ(F.Dialog(), Dialog) << "the dialog stays open";
}

TEST_F(CustomizeDialogInput, OpenDroppedOnTheDesktopChangesNoBar)
{
    const std::string Before = Describe(F.MainMenu->GetItemLinks()) + "#" + Describe(F.File->GetItemLinks()) + "#" +
        Describe(F.Standard->GetItemLinks()) + "#" + Describe(F.Tools->GetItemLinks());
    const int32_t Bars = F.Manager->GetBars()->GetCount();
    TInputScript S;
    DragOpenTo(S, Desktop());
    S.Play();
    EXPECT_TRUE(S.Wait());
    CommandBarsTest::Settle();
    EXPECT_EQ(Describe(F.MainMenu->GetItemLinks()) + "#" + Describe(F.File->GetItemLinks()) + "#" +
                  Describe(F.Standard->GetItemLinks()) + "#" + Describe(F.Tools->GetItemLinks()),
              Before);
    EXPECT_EQ(F.Manager->GetBars()->GetCount(), Bars);
}

TEST_F(CustomizeDialogInput, HoveringOverFileOpensItsMenuWhichTakesTheDrop)
{
    TcbBarControl* Menu = F.WindowOf(F.MainMenu);
    ASSERT_NE(Menu, nullptr);
    const RECT Title = ScreenRectOf(TPopupsFixture::ControlOf(Menu, F.File));
    const POINT OnTitle = CentreOf(Title);
    TInputScript S;
    StartDrag(S, CommandRow(1));
    S.MoveTo(OnTitle).WaitProcessed().MoveTo(Shifted(OnTitle, 1, 0)).WaitProcessed().Delay(400);
    // Below the title lies the opened menu: onto its first row's lower half.
    const POINT InMenu{OnTitle.x, Title.bottom + 16};
    S.MoveTo(Shifted(InMenu, 0, -4)).WaitProcessed().MoveTo(InMenu).WaitProcessed().Delay(100);
    S.ButtonUp().WaitProcessed();
    S.Play();
    EXPECT_TRUE(S.Wait());
    CommandBarsTest::Settle();
    TcbBarItemLinks* Links = F.File->GetItemLinks();
    EXPECT_EQ(Links->GetCount(), 4) << Describe(Links);
    int32_t Opens = 0;
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        Opens += Links->GetItem(I)->GetItem() == F.Open;
    EXPECT_EQ(Opens, 2) << Describe(Links);
    F.CloseAll();
}

TEST_F(CustomizeDialogInput, ALinkStillMovesBetweenToolbarsWhileTheDialogHoldsTheMouse)
{
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TcbBarControl* Tools = F.WindowOf(F.Tools);
    ASSERT_TRUE(Standard && Tools);
    const POINT Save = CentreOf(ScreenRectOf(TPopupsFixture::ControlOf(Standard, F.Save)));
    const RECT ToolB = ScreenRectOf(TPopupsFixture::ControlOf(Tools, F.ToolB));
    const POINT To{ToolB.right - 3, (ToolB.top + ToolB.bottom) / 2};
    TInputScript S;
    S.MoveTo(Save).WaitProcessed().ButtonDown().WaitProcessed();
    S.MoveTo(Shifted(Save, 10, 0)).WaitProcessed().MoveTo(To).WaitProcessed();
    S.MoveTo(Shifted(To, 1, 0)).WaitProcessed().ButtonUp().WaitProcessed();
    S.Play();
    EXPECT_TRUE(S.Wait());
    CommandBarsTest::Settle();
    EXPECT_EQ(Describe(F.Tools->GetItemLinks()), "Tool &A Tool &B &Save");
    EXPECT_EQ(TPopupsFixture::LinkOf(F.Standard, F.Save), nullptr);
}

// While customizing, a press on a bar, floating or docked, chooses its control and leaves the
// Customize dialog active (its keys, Esc among them, still reach it).
TEST_F(CustomizeDialogInput, APressOnAFloatingOrADockedBarLeavesTheDialogActive)
{
    RECT D{};
    GetWindowRect(Dialog->GetHandle(), &D);
    F.Tools->SetFloatLeft(20);
    F.Tools->SetFloatTop(D.bottom + 40);
    F.Tools->SetDockingStyle(dsNone);
    CommandBarsTest::Settle();
    TcbBarControl* Tools = F.WindowOf(F.Tools);
    ASSERT_TRUE(Tools && Tools->HandleAllocated() && IsWindowVisible(Tools->GetHandle()));
    ASSERT_EQ(Tools->GetDockingStyle(), dsNone);
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    ASSERT_NE(Standard, nullptr);
    ASSERT_TRUE(TestSupport::BringToFront(*Dialog));
    for (TcbBarItemControl* Control : {TPopupsFixture::ControlOf(Tools, F.ToolA), TPopupsFixture::ControlOf(Standard, F.Open)}) {
        ASSERT_NE(Control, nullptr);
        const bool Floating = Control->GetBarControl() == Tools;
        SCOPED_TRACE(Floating ? "the floating bar" : "the docked bar");
        const POINT At = CentreOf(ScreenRectOf(Control));
        ASSERT_EQ(GetAncestor(WindowFromPoint(At), GA_ROOT), GetAncestor(Control->GetBarControl()->GetHandle(), GA_ROOT))
            << "the bar is not covered";
        ASSERT_EQ(GetActiveWindow(), Dialog->GetHandle());
        TestSupport::Click(At);
        EXPECT_TRUE(TestSupport::PumpUntil([&] { return F.Manager->GetSelectedItemControl() == Control; }, 5000,
                                           "the pressed control chosen"));
        CommandBarsTest::Settle();
        EXPECT_EQ(GetActiveWindow(), Dialog->GetHandle()) << "the dialog stays active";
        EXPECT_EQ(F.Tools->GetDockingStyle(), dsNone) << "the press moved no bar";
    }
}

TEST_F(CustomizeDialogInput, ARightClickOnTheCustomizedFormsToolbarOpensTheCustomizingPopup)
{
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    ASSERT_NE(Standard, nullptr);
    const POINT Open = CentreOf(ScreenRectOf(TPopupsFixture::ControlOf(Standard, F.Open)));
    TestSupport::Click(Open, mbRight);
    EXPECT_TRUE(TestSupport::PumpUntil([] { return TcbBarCustomizingPopup::GetOpenPopup() != nullptr; }, 5000,
                                       "the customizing popup"));
    F.CloseAll();
    EXPECT_EQ(TcbBarCustomizingPopup::GetOpenPopup(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Commands given another category by dropping them on the categories list (design time)

namespace {

// The dialog of a designed form on its Commands page with "File" chosen, and the rows of its
// categories list that the list shows while a command is dragged.
class CustomizeDesignInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A first press within the double-click time of the last test's would pair with it.
        CommandBarsTest::WaitPastDoubleClickTime();
        Dialog = F.OpenDialog();
        ASSERT_NE(Dialog, nullptr);
        Dialog->PageControl->SetActivePage(Dialog->TabSheet2);
        TCustomizeFixture::SelectRow(Dialog->LCategories, 0);
        CommandBarsTest::Settle();
        ASSERT_TRUE(TestSupport::BringToFront(*Dialog));
        ASSERT_EQ(Dialog->LCommands->GetCommand(1), F.Open);
    }
    void TearDown() override
    {
        if (Timer)
            ThreadTimerStop(Timer);
        CommandBarsTest::NoteLastPress();
    }
    POINT ListRow(TListBox* List, int32_t Row)
    {
        const TRect R = List->ItemRect(Row);
        POINT P{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
        ClientToScreen(List->GetHandle(), &P);
        return P;
    }
    // Notes each row the categories list shows as chosen while the drag runs.
    void WatchCategoryRows()
    {
        Timer = ThreadTimerStart(15, [this](UINT_PTR) {
            if (!IsCustomizingFormDragging() || !Dialog->LCategories->HandleAllocated())
                return;
            const int32_t Row = static_cast<int32_t>(SendMessageA(Dialog->LCategories->GetHandle(), LB_GETCURSEL, 0, 0));
            if (std::find(RowsSeen.begin(), RowsSeen.end(), Row) == RowsSeen.end())
                RowsSeen.push_back(Row);
        });
    }
    // Presses on Open's row, leaves the drag rectangle and moves through the points given, each
    // twice a pixel apart and held a moment so the watch sees it; the release follows at the
    // last one.
    void DragOpenThrough(TInputScript& S, std::initializer_list<POINT> Points)
    {
        const POINT From = ListRow(Dialog->LCommands, 1);
        S.MoveTo(From).WaitProcessed().ButtonDown().Delay(150);
        S.MoveTo(Shifted(From, 12, 6)).Delay(50).MoveTo(Shifted(From, 30, 10)).WaitProcessed();
        for (POINT P : Points)
            S.MoveTo(Shifted(P, -1, 0)).WaitProcessed().MoveTo(P).WaitProcessed().Delay(80);
        S.ButtonUp().WaitProcessed();
    }
    std::vector<TcbBarItem*> ItemsOf(int32_t Category)
    {
        std::vector<TcbBarItem*> Items;
        F.Manager->GetItemsByCategory(Category, Items);
        return Items;
    }
    TCustomizeFixture F{true};
    TcbBarCustomizingForm* Dialog = nullptr;
    UINT_PTR Timer = 0;
    std::vector<int32_t> RowsSeen;
};

} // namespace

TEST_F(CustomizeDesignInput, OpenDroppedOnTheEditEntryMovesToTheEndOfEdit)
{
    const std::vector<TcbBarItem*> EditBefore = ItemsOf(1);
    ASSERT_FALSE(EditBefore.empty());
    ASSERT_LT(F.Manager->IndexOfItem(F.Open), F.Manager->IndexOfItem(EditBefore.back()));
    WatchCategoryRows();
    TInputScript S;
    DragOpenThrough(S, {ListRow(Dialog->LCategories, 1)});
    S.Play();
    EXPECT_TRUE(S.Wait());
    CommandBarsTest::Settle();
    EXPECT_EQ(RowsSeen, (std::vector<int32_t>{0, 1})) << "the entry under the cursor was highlighted";
    EXPECT_EQ(F.Open->GetCategory(), 1);
    std::vector<TcbBarItem*> EditAfter = EditBefore;
    EditAfter.push_back(F.Open);
    EXPECT_EQ(ItemsOf(1), EditAfter) << "Open is the last of Edit's items";
    EXPECT_EQ(F.Manager->IndexOfItem(F.Open), F.Manager->IndexOfItem(EditBefore.back()) + 1);
    for (TcbBarItem* Item : ItemsOf(0))
        EXPECT_NE(Item, F.Open);
    // The dialog shows Edit with Open chosen at its end.
    EXPECT_EQ(Dialog->LCategories->GetItemIndex(), 1);
    const int32_t Rows = Dialog->LCommands->GetItems()->GetCount();
    ASSERT_GT(Rows, 0);
    EXPECT_EQ(Dialog->LCommands->GetCommand(Rows - 1), F.Open);
    EXPECT_EQ(Dialog->LCommands->GetItemIndex(), Rows - 1);
    // No bar took a link.
    EXPECT_EQ(Describe(F.Tools->GetItemLinks()), "Tool &A Tool &B");
}

TEST_F(CustomizeDesignInput, PassingOverTheEntriesOrDroppingBelowThemChangesNoCategory)
{
    const int32_t Index = F.Manager->IndexOfItem(F.Open);
    WatchCategoryRows();
    RECT Client{};
    GetClientRect(Dialog->LCategories->GetHandle(), &Client);
    POINT Below{8, Client.bottom - 4};
    ClientToScreen(Dialog->LCategories->GetHandle(), &Below);
    // Over "Edit", then below the last entry, where the release falls.
    TInputScript S;
    DragOpenThrough(S, {ListRow(Dialog->LCategories, 1), Below});
    S.Play();
    EXPECT_TRUE(S.Wait());
    CommandBarsTest::Settle();
    EXPECT_EQ(RowsSeen, (std::vector<int32_t>{0, 1, -1})) << "Edit highlighted on the way, no entry below";
    EXPECT_EQ(F.Open->GetCategory(), 0);
    EXPECT_EQ(F.Manager->IndexOfItem(F.Open), Index);
    EXPECT_EQ(Dialog->LCategories->GetItemIndex(), 0) << "the list's own choice is back";

    // Over "Edit" and away onto the desktop: the highlight goes with the cursor, nothing moves.
    RowsSeen.clear();
    TInputScript T;
    DragOpenThrough(T, {ListRow(Dialog->LCategories, 1), Desktop()});
    T.Play();
    EXPECT_TRUE(T.Wait());
    CommandBarsTest::Settle();
    EXPECT_EQ(RowsSeen, (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(F.Open->GetCategory(), 0);
    EXPECT_EQ(Dialog->LCategories->GetItemIndex(), 0);
    EXPECT_EQ(Dialog->LCommands->GetCommand(1), F.Open);
}

TEST_F(CustomizeDialogInput, AtRunTimeTheCategoriesListTakesNoCommand)
{
    TInputScript S;
    DragOpenTo(S, [this] {
        const TRect R = Dialog->LCategories->ItemRect(1);
        POINT P{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
        ClientToScreen(Dialog->LCategories->GetHandle(), &P);
        return P;
    }());
    S.Play();
    EXPECT_TRUE(S.Wait());
    CommandBarsTest::Settle();
    EXPECT_EQ(F.Open->GetCategory(), 0);
    EXPECT_EQ(Dialog->LCategories->GetItemIndex(), 0);
}
