// The main window's command bars read through their manager: the design's bars, menus, buttons
// and context menus; the top dock site and the toolbar switch; enabling and ticks as drawn; the
// design replayed for the framework's reset; a menu row's hint in the status bar; and what
// opening the menus costs in GDI objects.

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/MainActions.h"
#include "app/MainCommandBars.h"
#include "app/MainForm.h"
#include "commandbars/windows/cbBarControl.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/model/cbPopupMenuLinks.h"
#include "platform/win/FormDesign.h"
#include "platform/win/ImageList.h"
#include "platform/win/StatusBar.h"
#include "tests/app/MainFormBars.h"
#include "tests/app/MainFormFixture.h"
#include "tests/support/ResourceProbe.h"
#include "tests/support/Screenshot.h"

using namespace MainFormTest;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;

namespace {

const uint16_t kTicked[] = {maViewToolBar,     maViewStatePanel,  maViewFailedPanel, maViewShowAllFiles, maImageSortByName,
                            maImageSortBySize, maImageSortByType, maImageUnsort,     maImageFit};

// The items of a layout (separators left out) and the places where a group begins.
std::vector<TcbBarItem*> LayoutItems(TMainForm* Form, const TMainBarLayout& Layout)
{
    std::vector<TcbBarItem*> Out;
    for (uint16_t Id : Layout)
        if (Id)
            Out.push_back(ItemOf(Form, Id));
    return Out;
}
std::vector<bool> LayoutGroups(const TMainBarLayout& Layout)
{
    std::vector<bool> Out;
    bool Group = false;
    for (uint16_t Id : Layout) {
        if (!Id) {
            Group = true;
            continue;
        }
        Out.push_back(Group);
        Group = false;
    }
    return Out;
}
std::vector<TcbBarItem*> LinkedItems(TcbBarItemLinks* Links)
{
    std::vector<TcbBarItem*> Out;
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        Out.push_back(Links->GetItem(I)->GetItem());
    return Out;
}
std::vector<bool> LinkGroups(TcbBarItemLinks* Links)
{
    std::vector<bool> Out;
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        Out.push_back(Links->GetItem(I)->GetOwnBeginGroup());
    return Out;
}
std::vector<std::string> LinkedNames(TcbBarItemLinks* Links)
{
    std::vector<std::string> Out;
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        Out.push_back(Links->GetItem(I)->GetItem() ? Links->GetItem(I)->GetItem()->GetName() : "?");
    return Out;
}

// A window's rectangle in the client coordinates of Form.
RECT RectIn(HWND Window, TCustomForm* Form)
{
    RECT R{};
    GetWindowRect(Window, &R);
    MapWindowPoints(nullptr, Form->GetHandle(), reinterpret_cast<POINT*>(&R), 2);
    return R;
}

// The manager's site on the form's top edge.
TcbDockControl* TopSite(TMainForm* Form)
{
    for (TcbDockControl* Site : BarManagerOf(Form)->DockSites())
        if (Site->GetEdgeStyle() == dsTop)
            return Site;
    return nullptr;
}

BOOL CALLBACK FindToolbarClass(HWND W, LPARAM Found)
{
    char Class[64] = {};
    GetClassNameA(W, Class, sizeof(Class));
    if (std::string(Class) == "ToolbarWindow32")
        ++*reinterpret_cast<int*>(Found);
    return TRUE;
}

class MainBarsTest : public MainFormFixture {
protected:
    // Opens the menu bar's Index-th menu with a press on its title sent as messages; the menu's
    // window once its rows are made.
    TCustomcbBarControl* OpenMenu(int32_t Index)
    {
        TCustomcbBarControl* Bar = MainMenuBar(Form.get())->GetBarControl();
        TcbBarSubItem* Menu = MenuOf(Form.get(), Index);
        TcbBarItemControl* Title = ItemControlIn(Bar, Menu);
        if (!Title)
            return nullptr;
        const TRect R = Title->GetItemRect();
        const LPARAM At = MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
        SendMessageA(Bar->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
        SendMessageA(Bar->GetHandle(), WM_LBUTTONUP, 0, At);
        TcbBarItemLinks* Links = Menu->GetItemLinks();
        PumpUntil([&] { return Links->GetBarControl() && Links->GetCount() && Links->GetItem(0)->GetControl(); }, 3000,
                  "the menu's rows");
        return Links->GetBarControl();
    }
    void CloseMenus()
    {
        for (int Guard = 0; Guard < 8 && TCustomcbBarControl::ActiveBarControl(); ++Guard)
            TCustomcbBarControl::ActiveBarControl()->HideAll();
        PumpFor(20);
    }
    // Counts the runs of an action, its own handler still running.
    void Count(uint16_t Id, int& Runs)
    {
        TAction* A = Form->Actions->Find(Id);
        TNotifyEvent Own = A->OnExecute;
        A->OnExecute = [&Runs, Own](TObject* S) {
            ++Runs;
            if (Own)
                Own(S);
        };
    }
};

// The pixels of a square of a shot, row by row.
std::vector<uint32_t> Square(const TestSupport::TShot& S, int32_t Left, int32_t Top, int32_t Size)
{
    std::vector<uint32_t> Out;
    for (int32_t Y = Top; Y < Top + Size && Y < S.H; ++Y)
        for (int32_t X = Left; X < Left + Size && X < S.W; ++X)
            Out.push_back(S.At(X, Y));
    return Out;
}

} // namespace

TEST_F(MainBarsTest, TheDesignMakesTheMenuBarTheToolbarAButtonPerActionAndTwoContextMenus)
{
    MakeForm();
    TcbBarManager* M = BarManagerOf(Form.get());
    ASSERT_NE(M, nullptr);
    EXPECT_EQ(M->GetStyle(), bmsFlat);
    EXPECT_EQ(M->GetImages(), Form->ToolBarImages);
    EXPECT_FALSE(M->GetStoreInRegistry());
    EXPECT_FALSE(M->GetStoreInIniFile());
    ASSERT_EQ(M->GetBars()->GetCount(), 2);

    TcbBar* Menu = MainMenuBar(Form.get());
    EXPECT_EQ(Menu->GetCaption(), "Main Menu");
    EXPECT_TRUE(Menu->GetIsMainMenu());
    EXPECT_EQ(M->GetMainMenuBar(), Menu);
    EXPECT_EQ(Menu->GetDockingStyle(), dsTop);
    EXPECT_EQ(Menu->GetRow(), 0);
    EXPECT_TRUE(Menu->GetWholeRow());
    EXPECT_TRUE(Menu->GetMultiLine());
    EXPECT_FALSE(Menu->GetAllowClose());
    EXPECT_TRUE(Menu->GetVisible());
    const std::vector<TMainMenuLayout>& Layout = MainMenuLayout();
    ASSERT_EQ(Menu->GetItemLinks()->GetCount(), static_cast<int32_t>(Layout.size()));
    for (int32_t I = 0; I < static_cast<int32_t>(Layout.size()); ++I) {
        TcbBarSubItem* Sub = MenuOf(Form.get(), I);
        ASSERT_NE(Sub, nullptr);
        EXPECT_EQ(Sub->GetCaption(), "&" + Layout[I].Caption);
        EXPECT_EQ(LinkedItems(Sub->GetItemLinks()), LayoutItems(Form.get(), Layout[I].Items)) << Layout[I].Caption;
        EXPECT_EQ(LinkGroups(Sub->GetItemLinks()), LayoutGroups(Layout[I].Items)) << Layout[I].Caption;
        EXPECT_EQ(M->GetCategories()->GetStrings(Sub->GetCategory()), Layout[I].Caption);
    }

    TcbBar* Standard = StandardBar(Form.get());
    EXPECT_EQ(Standard->GetCaption(), "Standard");
    EXPECT_FALSE(Standard->GetIsMainMenu());
    EXPECT_EQ(Standard->GetDockingStyle(), dsTop);
    EXPECT_EQ(Standard->GetRow(), 1);
    ASSERT_NE(Standard->GetBarControl(), nullptr);
    ASSERT_NE(TopSite(Form.get()), nullptr);
    EXPECT_EQ(Standard->GetBarControl()->GetParent(), TopSite(Form.get()));
    EXPECT_EQ(Menu->GetBarControl()->GetParent(), TopSite(Form.get()));
    EXPECT_EQ(LinkedItems(Standard->GetItemLinks()), LayoutItems(Form.get(), MainToolBarLayout()));
    EXPECT_EQ(LinkGroups(Standard->GetItemLinks()), LayoutGroups(MainToolBarLayout()));

    // One button per action, bound to it, in the category of its menu; ticks on the nine.
    std::vector<TcbBarItem*> Buttons;
    for (uint16_t Id = maTasksNew; Id <= maLastAction; ++Id) {
        TcbBarButton* B = ItemOf(Form.get(), Id);
        ASSERT_NE(B, nullptr) << Id;
        Buttons.push_back(B);
        EXPECT_EQ(B->GetAction(), Form->Actions->Find(Id)) << Id;
        EXPECT_EQ(B->GetCaption(), Form->Actions->Find(Id)->GetCaption()) << Id;
        const bool Ticked = std::find(std::begin(kTicked), std::end(kTicked), Id) != std::end(kTicked);
        EXPECT_EQ(B->GetButtonStyle(), Ticked ? bsChecked : bsDefault) << B->GetCaption();
        int32_t Category = -1;
        for (int32_t I = 0; I < static_cast<int32_t>(Layout.size()); ++I)
            if (std::find(Layout[I].Items.begin(), Layout[I].Items.end(), Id) != Layout[I].Items.end())
                Category = I;
        EXPECT_EQ(B->GetCategory(), Category) << B->GetCaption();
    }
    std::sort(Buttons.begin(), Buttons.end());
    EXPECT_EQ(std::unique(Buttons.begin(), Buttons.end()), Buttons.end()) << "a button per action";
    EXPECT_EQ(Form->CommandBars->ItemOf(maTasksNew - 1), nullptr);
    EXPECT_EQ(Form->CommandBars->ItemOf(maLastAction + 1), nullptr);
    // The Help button carries the action's F1.
    EXPECT_EQ(ItemOf(Form.get(), maHelp)->GetShortCut(), VK_F1);

    // The context menus: the Tasks and the Image commands, tied to the tree and the images list.
    TcbBarPopupMenu* Tasks = Form->CommandBars->GetTasksPopupMenu();
    TcbBarPopupMenu* Images = Form->CommandBars->GetImagesPopupMenu();
    ASSERT_NE(Tasks, nullptr);
    ASSERT_NE(Images, nullptr);
    EXPECT_EQ(LinkedItems(Tasks->GetItemLinks()), LayoutItems(Form.get(), Layout[0].Items));
    EXPECT_EQ(LinkGroups(Tasks->GetItemLinks()), LayoutGroups(Layout[0].Items));
    EXPECT_EQ(LinkedItems(Images->GetItemLinks()), LayoutItems(Form.get(), Layout[2].Items));
    EXPECT_EQ(LinkGroups(Images->GetItemLinks()), LayoutGroups(Layout[2].Items));
    TcbBarPopupMenuLinks* Links = M->GetPopupMenuLinks();
    ASSERT_EQ(Links->GetCount(), 2);
    EXPECT_EQ(Links->GetItem(0)->GetControl(), Form->TasksTreeView);
    EXPECT_EQ(Links->GetItem(0)->GetPopupMenu(), Tasks);
    EXPECT_EQ(Links->GetItem(1)->GetControl(), Form->ImagesListView);
    EXPECT_EQ(Links->GetItem(1)->GetPopupMenu(), Images);
    for (int32_t I = 0; I < 2; ++I) {
        EXPECT_TRUE(Links->GetItem(I)->GetProcessChildren());
        EXPECT_TRUE(static_cast<bool>(Links->GetItem(I)->OnAction));
    }
    EXPECT_EQ(Form->TasksTreeView->GetPopupMenu(), nullptr);
    EXPECT_EQ(Form->ImagesListView->GetPopupMenu(), nullptr);

    // No Win32 menu and no common-controls toolbar are left.
    EXPECT_EQ(GetMenu(Form->GetHandle()), nullptr);
    int Toolbars = 0;
    EnumChildWindows(Form->GetHandle(), FindToolbarClass, reinterpret_cast<LPARAM>(&Toolbars));
    EXPECT_EQ(Toolbars, 0);
}

TEST_F(MainBarsTest, TheTopSiteLiesAboveTheBodyAndTheToolbarSwitchMovesTheBodyByItsRow)
{
    MakeForm();
    TcbBar* Standard = StandardBar(Form.get());
    TcbDockControl* Site = TopSite(Form.get());
    ASSERT_NE(Site, nullptr);
    ASSERT_TRUE(Site->HandleAllocated());
    const RECT Client = [&] {
        RECT R{};
        GetClientRect(Form->GetHandle(), &R);
        return R;
    }();
    const RECT SiteOn = RectIn(Site->GetHandle(), Form.get());
    EXPECT_EQ(SiteOn.top, 0);
    EXPECT_EQ(SiteOn.left, 0);
    EXPECT_EQ(SiteOn.right, Client.right);
    const RECT TreeOn = RectIn(Form->TasksTreeView->GetHandle(), Form.get());
    const RECT FilesOn = RectIn(Form->FilesListView->GetHandle(), Form.get());
    EXPECT_EQ(TreeOn.top, SiteOn.bottom);
    EXPECT_EQ(FilesOn.top, SiteOn.bottom);
    // Both bars lie on it, the toolbar below the menu bar.
    ASSERT_NE(ToolBarWindow(Form.get()), nullptr);
    const RECT MenuOn = RectIn(MainMenuBar(Form.get())->GetBarControl()->GetHandle(), Form.get());
    const RECT ToolOn = RectIn(ToolBarWindow(Form.get())->GetHandle(), Form.get());
    EXPECT_GE(ToolOn.top, MenuOn.bottom);
    EXPECT_LE(ToolOn.bottom, SiteOn.bottom);

    // The switch by its command id: the toolbar's row goes and everything below moves up by it.
    Command(maViewToolBar);
    PumpFor(30);
    EXPECT_FALSE(Standard->GetVisible());
    EXPECT_FALSE(Form->Actions->ViewToolBarAction->GetChecked());
    const RECT SiteOff = RectIn(Site->GetHandle(), Form.get());
    const RECT TreeOff = RectIn(Form->TasksTreeView->GetHandle(), Form.get());
    const int32_t Lost = SiteOn.bottom - SiteOff.bottom;
    EXPECT_GE(Lost, ToolOn.bottom - ToolOn.top);
    EXPECT_EQ(SiteOff.top, 0);
    EXPECT_EQ(TreeOff.top, SiteOff.bottom);
    EXPECT_EQ(TreeOff.bottom, TreeOn.bottom);
    EXPECT_EQ(TreeOn.top - TreeOff.top, Lost);
    Command(maViewToolBar);
    PumpFor(30);
    EXPECT_TRUE(Standard->GetVisible());
    const RECT SiteBack = RectIn(Site->GetHandle(), Form.get());
    const RECT TreeBack = RectIn(Form->TasksTreeView->GetHandle(), Form.get());
    const RECT FilesBack = RectIn(Form->FilesListView->GetHandle(), Form.get());
    const RECT ToolBack = RectIn(ToolBarWindow(Form.get())->GetHandle(), Form.get());
    EXPECT_TRUE(EqualRect(&SiteBack, &SiteOn));
    EXPECT_TRUE(EqualRect(&TreeBack, &TreeOn));
    EXPECT_TRUE(EqualRect(&FilesBack, &FilesOn));
    EXPECT_TRUE(EqualRect(&ToolBack, &ToolOn));
}

TEST_F(MainBarsTest, TheFrameworkHidingTheToolbarUnticksTheCommandAndTheExitStoresIt)
{
    MakeForm();
    ASSERT_TRUE(Form->Actions->ViewToolBarAction->GetChecked());
    // As the framework's toolbars popup and a floating bar's close button do.
    StandardBar(Form.get())->SetVisible(false);
    EXPECT_FALSE(Form->Actions->ViewToolBarAction->GetChecked());
    EXPECT_FALSE(ItemOf(Form.get(), maViewToolBar)->GetDown());
    EXPECT_FALSE(Form->CommandBars->GetToolBarVisible());
    // The command then shows it again with one tick.
    Command(maViewToolBar);
    EXPECT_TRUE(StandardBar(Form.get())->GetVisible());
    EXPECT_TRUE(Form->Actions->ViewToolBarAction->GetChecked());
    StandardBar(Form.get())->SetVisible(false);
    Command(maTasksExit);
    EXPECT_TRUE(Form->ExitRequested);
    Form.reset();
    TRegSettings Stored(Root);
    Stored.Load();
    EXPECT_FALSE(Stored.GetMenu()->GetShowStandardToolBar());
    // The next start shows no toolbar and no tick.
    MakeForm();
    EXPECT_FALSE(StandardBar(Form.get())->GetVisible());
    EXPECT_FALSE(ItemOf(Form.get(), maViewToolBar)->GetDown());
}

TEST_F(MainBarsTest, EnablingReachesTheToolbarAtOnceAndTheTickIsDrawnInTheViewMenu)
{
    WriteTask(Projects + "t.wrp", "Task", "http://www.example.com/t");
    CreateDirectoryA((Projects + "F").c_str(), nullptr);
    MakeForm();
    Select(NodeOfText("Task"));
    TcbBarButton* Prop = ItemOf(Form.get(), maTasksProp);
    ASSERT_TRUE(Prop->GetEnabled());
    TCustomcbBarControl* Bar = ToolBarWindow(Form.get());
    ASSERT_NE(Bar, nullptr);
    TcbBarItemControl* Control = ItemControlIn(Bar, Prop);
    ASSERT_NE(Control, nullptr);
    const TRect R = Control->GetItemRect();
    const TestSupport::TShot Enabled = TestSupport::CaptureShown(Bar->GetHandle());
    const POINT Origin = TestSupport::ClientOrigin(Bar->GetHandle());
    const int32_t Size = std::min(R.right - R.left, R.bottom - R.top);

    Form->TasksTreeView->SetSelected(NodeOfPath(Projects + "F"));
    EXPECT_FALSE(Prop->GetEnabled()) << "disabled at once";
    EXPECT_FALSE(Control->GetEnabled());
    PumpFor(30);
    const TestSupport::TShot Disabled = TestSupport::CaptureShown(Bar->GetHandle());
    ASSERT_EQ(Enabled.W, Disabled.W);
    EXPECT_NE(Square(Enabled, Origin.x + R.left, Origin.y + R.top, Size),
              Square(Disabled, Origin.x + R.left, Origin.y + R.top, Size))
        << "the glyph is drawn disabled";

    // The tick: the item's Down, and the check mark in the glyph column of the open View menu.
    TcbBarButton* AllFiles = ItemOf(Form.get(), maViewShowAllFiles);
    TcbBarButton* Failed = ItemOf(Form.get(), maViewFailedPanel);
    if (AllFiles->GetDown())
        Command(maViewShowAllFiles);
    ASSERT_FALSE(AllFiles->GetDown());
    ASSERT_FALSE(Failed->GetDown());
    auto GlyphColumns = [&] {
        TCustomcbBarControl* Menu = OpenMenu(1);
        std::pair<std::vector<uint32_t>, std::vector<uint32_t>> Out;
        if (!Menu)
            return Out;
        PumpFor(50);
        const TestSupport::TShot S = TestSupport::CaptureShown(Menu->GetHandle());
        const POINT O = TestSupport::ClientOrigin(Menu->GetHandle());
        const TRect A = ItemControlIn(Menu, AllFiles)->GetItemRect();
        const TRect F = ItemControlIn(Menu, Failed)->GetItemRect();
        const int32_t H = A.bottom - A.top;
        Out = {Square(S, O.x + A.left, O.y + A.top, H), Square(S, O.x + F.left, O.y + F.top, H)};
        CloseMenus();
        return Out;
    };
    const auto Unticked = GlyphColumns();
    ASSERT_FALSE(Unticked.first.empty());
    EXPECT_EQ(Unticked.first, Unticked.second) << "two unticked rows without glyphs look alike";
    Command(maViewShowAllFiles);
    EXPECT_TRUE(AllFiles->GetDown());
    const auto Ticked = GlyphColumns();
    EXPECT_NE(Ticked.first, Ticked.second) << "the check mark";
    EXPECT_EQ(Ticked.second, Unticked.second);
    Command(maViewShowAllFiles);
    EXPECT_FALSE(AllFiles->GetDown());
    EXPECT_EQ(GlyphColumns().first, Unticked.first);
}

TEST_F(MainBarsTest, TheDesignReplaysWithoutBindingsAndTheToolbarResetsToIt)
{
    MakeForm();
    TComponentPtr<TForm> Copy = ReadFormDesign(*Form);
    ASSERT_NE(Copy, nullptr);
    auto* M = dynamic_cast<TcbBarManager*>(Copy->FindComponent(BarManagerOf(Form.get())->GetName()));
    ASSERT_NE(M, nullptr);
    ASSERT_EQ(M->GetBars()->GetCount(), 2);
    EXPECT_EQ(M->GetStyle(), bmsFlat);
    EXPECT_EQ(M->GetImages(), nullptr);
    EXPECT_FALSE(static_cast<bool>(M->OnBarVisibleChange));
    for (int32_t B = 0; B < 2; ++B) {
        TcbBar* Mine = BarManagerOf(Form.get())->GetBars()->GetItem(B);
        TcbBar* Theirs = M->GetBars()->GetItem(B);
        EXPECT_EQ(Theirs->GetCaption(), Mine->GetCaption());
        EXPECT_EQ(Theirs->GetIsMainMenu(), Mine->GetIsMainMenu());
        EXPECT_EQ(Theirs->GetRow(), Mine->GetRow());
        EXPECT_EQ(LinkedNames(Theirs->GetItemLinks()), LinkedNames(Mine->GetItemLinks()));
        EXPECT_EQ(LinkGroups(Theirs->GetItemLinks()), LinkGroups(Mine->GetItemLinks()));
    }
    for (int32_t I = 0; I < 4; ++I) {
        TcbBarSubItem* Mine = MenuOf(Form.get(), I);
        auto* Theirs = dynamic_cast<TcbBarSubItem*>(Copy->FindComponent(Mine->GetName()));
        ASSERT_NE(Theirs, nullptr) << Mine->GetName();
        EXPECT_EQ(Theirs->GetCaption(), Mine->GetCaption());
        EXPECT_EQ(LinkedNames(Theirs->GetItemLinks()), LinkedNames(Mine->GetItemLinks()));
        EXPECT_EQ(LinkGroups(Theirs->GetItemLinks()), LinkGroups(Mine->GetItemLinks()));
    }
    for (uint16_t Id = maTasksNew; Id <= maLastAction; ++Id) {
        auto* B = dynamic_cast<TcbBarButton*>(Copy->FindComponent(ItemOf(Form.get(), Id)->GetName()));
        ASSERT_NE(B, nullptr) << Id;
        EXPECT_EQ(B->GetAction(), nullptr) << B->GetName();
        EXPECT_EQ(B->GetButtonStyle(), ItemOf(Form.get(), Id)->GetButtonStyle()) << B->GetName();
    }
    for (int32_t I = 0; I < M->GetPopupMenuLinks()->GetCount(); ++I) {
        EXPECT_EQ(M->GetPopupMenuLinks()->GetItem(I)->GetControl(), nullptr);
        EXPECT_FALSE(static_cast<bool>(M->GetPopupMenuLinks()->GetItem(I)->OnAction));
    }
    Copy.reset();

    // The user takes Delete off the toolbar; the reset brings the design's buttons back.
    TcbBar* Standard = StandardBar(Form.get());
    TcbBarItemLinks* Links = Standard->GetItemLinks();
    const std::vector<std::string> Before = LinkCaptions(Links);
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        if (Links->GetItem(I)->GetItem() == ItemOf(Form.get(), maTasksDelete)) {
            Links->GetItem(I)->Release();
            break;
        }
    ASSERT_EQ(Links->GetCount(), static_cast<int32_t>(LayoutItems(Form.get(), MainToolBarLayout()).size()) - 1);
    {
        TestSupport::TDialogAnswerer Ok("reset the changes", IDOK);
        Standard->ResetWithConfirmation();
        EXPECT_EQ(Ok.AnsweredCount(), 1);
    }
    EXPECT_EQ(LinkCaptions(Links), Before);
    EXPECT_EQ(LinkedItems(Links), LayoutItems(Form.get(), MainToolBarLayout()));
    EXPECT_EQ(LinkGroups(Links), LayoutGroups(MainToolBarLayout()));
    for (uint16_t Id : MainToolBarLayout()) {
        if (Id) {
            EXPECT_EQ(ItemOf(Form.get(), Id)->GetAction(), Form->Actions->Find(Id)) << Id;
        }
    }
    // A button of the reset toolbar still runs its action, once.
    PumpFor(30);
    int Refreshes = 0;
    Count(maTasksRefresh, Refreshes);
    TcbBarItemControl* Refresh = ItemControlIn(ToolBarWindow(Form.get()), ItemOf(Form.get(), maTasksRefresh));
    ASSERT_NE(Refresh, nullptr);
    const TRect R = Refresh->GetItemRect();
    const LPARAM At = MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
    const HWND Bar = ToolBarWindow(Form.get())->GetHandle();
    SendMessageA(Bar, WM_MOUSEMOVE, 0, At);
    SendMessageA(Bar, WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Bar, WM_LBUTTONUP, 0, At);
    EXPECT_TRUE(PumpUntil([&] { return Refreshes > 0; }, 3000, "Refresh from the reset toolbar"));
    PumpFor(30);
    EXPECT_EQ(Refreshes, 1);
}

TEST_F(MainBarsTest, OpeningTheTasksMenuAndTheTreesMenuFiftyTimesKeepsTheGdiObjectCount)
{
    MakeForm();
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    TcbBarPopupMenu* Tree = Form->CommandBars->GetTasksPopupMenu();
    auto Round = [&] {
        ASSERT_NE(OpenMenu(0), nullptr);
        CloseMenus();
        RECT R{};
        GetWindowRect(Form->TasksTreeView->GetHandle(), &R);
        bool Shown = false;
        TPoll Close(20, [&] {
            TCustomcbBarControl* W = Tree->GetItemLinks()->GetBarControl();
            if (!W || !W->HandleAllocated() || !IsWindowVisible(W->GetHandle()))
                return false;
            Shown = true;
            SendMessageA(W->GetHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
            return true;
        });
        Tree->Popup(R.left + 20, R.top + 20);
        EXPECT_TRUE(Shown);
        EXPECT_EQ(Tree->GetItemLinks()->GetBarControl(), nullptr);
    };
    // A first round makes what is made once (fonts, the menu's cached brushes).
    Round();
    PumpFor(50);
    const int64_t Before = Probe.GdiObjects();
    for (int I = 0; I < 50 && !HasFatalFailure(); ++I)
        Round();
    PumpFor(50);
    EXPECT_EQ(Probe.GdiObjects(), Before);
}

TEST_F(MainBarsTest, AMenuRowUnderTheMouseHasItsHintInTheStatusBar)
{
    MakeForm();
    TMainActions::SetEnabled(Form->Actions->TasksRunAction, true);
    // The Tasks menu opened with a press on its title, the mouse then moved onto Run.
    TCustomcbBarControl* Menu = OpenMenu(0);
    ASSERT_NE(Menu, nullptr);
    TcbBarItemControl* Run = ItemControlIn(Menu, ItemOf(Form.get(), maTasksRun));
    ASSERT_NE(Run, nullptr);
    const TRect R = Run->GetItemRect();
    SendMessageA(Menu->GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2));
    PumpFor(30);
    char Buf[512] = {};
    SendMessageA(Form->StatusBar->GetHandle(), SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(Buf));
    const std::string Hint = TControl::GetLongHint(Form->Actions->TasksRunAction->GetHint());
    EXPECT_FALSE(Hint.empty());
    EXPECT_EQ(std::string(Buf), Hint);
    CloseMenus();
    EXPECT_TRUE(PumpUntil([&] { return MenuOf(Form.get(), 0)->GetItemLinks()->GetBarControl() == nullptr; }, 3000,
                          "the menu closed"));
}
