// The main window's command bars under real input (SendInput; the framework's hooks see only
// real input): Alt, F10 and the menus' letters, Enter and Esc; clicks on titles, rows and
// buttons; right clicks that select before the context menu shows, and the menu key; commands
// posted or chosen while a context menu is open; hints; the Flat colours at known points; and
// screenshots of the open menus and the hint.

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/MainActions.h"
#include "app/MainCommandBars.h"
#include "app/MainForm.h"
#include "app/TaskForm.h"
#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbPopupMenu.h"
#include "platform/win/StatusBar.h"
#include "tests/app/MainFormBars.h"
#include "tests/app/MainFormFixture.h"
#include "tests/commandbars/support/HintProbe.h"
#include "tests/support/InputDriver.h"
#include "tests/support/Screenshot.h"

using namespace MainFormTest;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;

namespace {

void Tap(WORD Key)
{
    TestSupport::Press(Key);
    TestSupport::WaitProcessed();
}

void Keys(std::initializer_list<WORD> Chord)
{
    TestSupport::Chord(Chord);
    TestSupport::WaitProcessed();
}

// Keeps a visible window of the system's menu class ("#32768") in the HWND that P points to.
BOOL CALLBACK FindSystemMenuWindow(HWND W, LPARAM P)
{
    char Class[16] = {};
    GetClassNameA(W, Class, sizeof(Class));
    if (strcmp(Class, "#32768") == 0 && IsWindowVisible(W))
        *reinterpret_cast<HWND*>(P) = W;
    return TRUE;
}

bool Shows(TCustomcbBarControl* W) { return W && W->HandleAllocated() && IsWindowVisible(W->GetHandle()); }

COLORREF BrushColor(HBRUSH Brush)
{
    LOGBRUSH LB{};
    GetObjectA(Brush, sizeof(LB), &LB);
    return LB.lbColor;
}

// The screen area covering the main window and the windows over it, as a person sees it.
void ShotOfWindows(std::initializer_list<HWND> Windows, const std::string& Name)
{
    // The X server shows a window's drawing a moment after it is made: let it catch up.
    PumpFor(400);
    RECT U{};
    for (HWND W : Windows) {
        RECT R{};
        if (W && GetWindowRect(W, &R))
            UnionRect(&U, &U, &R);
    }
    U.left = std::max<LONG>(U.left, 0);
    U.top = std::max<LONG>(U.top, 0);
    EXPECT_FALSE(TestSupport::SaveShot(TestSupport::CaptureScreenArea(U), Name).empty());
}

class MainBarsInputTest : public MainFormFixture {
protected:
    void SetUp() override
    {
        SeamLog = Temp.Path() + "seam.log";
        SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", SeamLog.c_str());
        MainFormFixture::SetUp();
    }
    void TearDown() override
    {
        CloseMenus();
        TestSupport::ReleaseHeldInput();
        MainFormFixture::TearDown();
        SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", nullptr);
    }
    // The window made, in front, with every action's runs counted.
    void Start()
    {
        MakeForm();
        for (uint16_t Id = maTasksNew; Id <= maLastAction; ++Id) {
            TAction* A = Form->Actions->Find(Id);
            TNotifyEvent Own = A->OnExecute;
            A->OnExecute = [this, Id, Own](TObject* S) {
                ++Runs[Id];
                if (Own)
                    Own(S);
            };
        }
        ASSERT_TRUE(TestSupport::BringToFront(*Form));
    }
    int TotalRuns() const
    {
        int N = 0;
        for (const auto& [Id, Count] : Runs)
            N += Count;
        return N;
    }
    void CloseMenus()
    {
        for (int Guard = 0; Guard < 8 && TCustomcbBarControl::ActiveBarControl(); ++Guard)
            TCustomcbBarControl::ActiveBarControl()->HideAll();
        PumpFor(20);
    }
    TCustomcbBarControl* MenuWindow(int32_t Index) const
    {
        return MenuOf(Form.get(), Index)->GetItemLinks()->GetBarControl();
    }
    TCustomcbBarControl* MenuBarWindow() const { return MainMenuBar(Form.get())->GetBarControl(); }
    // The main menu bar in keyboard mode with the title of the Index-th menu selected.
    bool InMenuMode(int32_t Index) const
    {
        TCustomcbBarControl* Bar = MenuBarWindow();
        return BarManagerOf(Form.get())->GetKeyboardBarControl() == Bar &&
               Bar->GetSelectedControl() == ItemControlIn(Bar, MenuOf(Form.get(), Index));
    }
    int SeamLineCount() const
    {
        const std::string S = ReadAll(SeamLog);
        return static_cast<int>(std::count(S.begin(), S.end(), '\n'));
    }
    // A task node's screen centre.
    POINT NodeCenter(TTreeNode* Node) const
    {
        RECT R{};
        *reinterpret_cast<HTREEITEM*>(&R) = Node->GetItemId();
        SendMessageA(Form->TasksTreeView->GetHandle(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&R));
        POINT P{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
        ClientToScreen(Form->TasksTreeView->GetHandle(), &P);
        return P;
    }
    POINT RowCenter(int32_t Row) const
    {
        RECT R{};
        R.left = LVIR_LABEL;
        SendMessageA(Form->ImagesListView->GetHandle(), LVM_GETITEMRECT, Row, reinterpret_cast<LPARAM>(&R));
        POINT P{R.left + 10, (R.top + R.bottom) / 2};
        ClientToScreen(Form->ImagesListView->GetHandle(), &P);
        return P;
    }
    std::vector<int32_t> SelectedRows() const
    {
        std::vector<int32_t> Out;
        for (int32_t I = 0; I < Form->ImagesListView->GetItems()->GetCount(); ++I)
            if (Form->ImagesListView->GetItems()->GetItem(I)->GetSelected())
                Out.push_back(I);
        return Out;
    }
    // A task selected and three rows in the downloaded-files list.
    void TaskWithRows()
    {
        WriteTask(Projects + "a.wrp", "A", "http://www.example.com/a");
        Start();
        SelectWithRows();
    }
    void SelectWithRows()
    {
        Select(NodeOfText("A"));
        for (const char* Name : {"one.jpg", "two.jpg", "three.jpg"})
            Form->ImagesListView->GetItems()->Add()->SetCaption(Name);
        Form->UpdateImageActions();
        PumpFor(30);
    }
    // Right click at Point; Step runs once the popup menu's window shows (then it is closed
    // with Esc unless Step chose a row); true when it showed.
    bool RightClickMenu(POINT Point, TcbBarPopupMenu* Menu, const std::function<void(TCustomcbBarControl*)>& Step)
    {
        bool Shown = false;
        TPoll Watch(20, [&] {
            TCustomcbBarControl* W = Menu->GetItemLinks()->GetBarControl();
            if (!Shows(W))
                return false;
            Shown = true;
            PumpFor(50);
            if (Step)
                Step(W);
            if (TCustomcbBarControl* Still = Menu->GetItemLinks()->GetBarControl(); Shows(Still))
                Still->HideAll();
            return true;
        });
        TestSupport::Click(Point, mbRight);
        PumpUntil([&] { return Shown && !Menu->GetItemLinks()->GetBarControl(); }, 10000, "the context menu");
        PumpFor(30);
        return Shown;
    }

    std::map<uint16_t, int> Runs;
    std::string SeamLog;
};

} // namespace

TEST_F(MainBarsInputTest, AltF10AndTheMenuLettersDriveTheMenuBarAndEnterRunsARowOnce)
{
    Start();
    Tap(VK_MENU);
    EXPECT_TRUE(InMenuMode(0)) << "Alt selects \"&Tasks\"";
    Tap(VK_ESCAPE);
    EXPECT_EQ(BarManagerOf(Form.get())->GetKeyboardBarControl(), nullptr) << "Esc leaves the mode";
    Tap(VK_F10);
    EXPECT_TRUE(InMenuMode(0)) << "F10 as Alt";
    Tap(VK_ESCAPE);
    EXPECT_EQ(BarManagerOf(Form.get())->GetKeyboardBarControl(), nullptr);

    // Alt+I opens the Image menu; Down to "Sort by size" and Enter runs it once.
    const bool WasBySize = ItemOf(Form.get(), maImageSortBySize)->GetDown();
    ASSERT_FALSE(WasBySize);
    Keys({VK_MENU, 'I'});
    TCustomcbBarControl* Image = MenuWindow(2);
    ASSERT_TRUE(Shows(Image)) << "the Image menu's window";
    TcbBarItemControl* BySize = ItemControlIn(Image, ItemOf(Form.get(), maImageSortBySize));
    ASSERT_NE(BySize, nullptr);
    for (int Guard = 0; Guard < 25 && Image->GetSelectedControl() != BySize; ++Guard)
        Tap(VK_DOWN);
    ASSERT_EQ(Image->GetSelectedControl(), BySize);
    Tap(VK_RETURN);
    PumpFor(30);
    EXPECT_EQ(Runs[maImageSortBySize], 1);
    EXPECT_EQ(TotalRuns(), 1);
    EXPECT_TRUE(ItemOf(Form.get(), maImageSortBySize)->GetDown()) << "the tick moved to it";
    int Down = 0;
    for (uint16_t Id : {maImageSortByName, maImageSortBySize, maImageSortByType, maImageUnsort})
        Down += ItemOf(Form.get(), Id)->GetDown();
    EXPECT_EQ(Down, 1);
    EXPECT_EQ(MenuWindow(2), nullptr) << "the menu closed";
    EXPECT_EQ(TCustomcbBarControl::ActiveBarControl(), nullptr);

    // Alt+T opens the Tasks menu with its first row, New, selected; Enter opens "New Task",
    // whose Cancel ends it and leaves no menu behind.
    Keys({VK_MENU, 'T'});
    ASSERT_TRUE(Shows(MenuWindow(0)));
    EXPECT_EQ(MenuWindow(0)->GetSelectedControl(), ItemControlIn(MenuWindow(0), ItemOf(Form.get(), maTasksNew)));
    bool MenuGoneFirst = false;
    TFormAnswerer NewTask("New Task", [&](TCustomForm* F) {
        MenuGoneFirst = MenuWindow(0) == nullptr && TCustomcbBarControl::ActiveBarControl() == nullptr;
        auto* T = dynamic_cast<TTaskForm*>(F);
        ASSERT_NE(T, nullptr);
        Press(T->CancelButton);
    });
    Tap(VK_RETURN);
    EXPECT_TRUE(PumpUntil([&] { return NewTask.Count() == 1 && Runs[maTasksNew] == 1; }, 10000, "New Task"));
    PumpFor(50);
    EXPECT_TRUE(MenuGoneFirst) << "the dialog shows after the menu closed";
    EXPECT_EQ(Runs[maTasksNew], 1);
    EXPECT_EQ(NewTask.Count(), 1);
    EXPECT_EQ(TCustomcbBarControl::ActiveBarControl(), nullptr);
    for (int32_t I = 0; I < AppUI()->GetFormCount(); ++I)
        EXPECT_FALSE(dynamic_cast<TTaskForm*>(AppUI()->GetForms(I))) << "the dialog was freed";

    // F1: one help call, not one from the bars and another from the form's action list.
    ASSERT_TRUE(TestSupport::BringToFront(*Form));
    const int Lines = SeamLineCount();
    Tap(VK_F1);
    PumpFor(50);
    EXPECT_EQ(Runs[maHelp], 1);
    EXPECT_EQ(SeamLineCount(), Lines + 1);
}

TEST_F(MainBarsInputTest, ClicksOpenAMenuRunARowOnceCloseOutsideAndRunAToolbarButton)
{
    Start();
    TestSupport::Click(ItemScreenCenter(MenuBarWindow(), MenuOf(Form.get(), 2)));
    TestSupport::WaitProcessed();
    TCustomcbBarControl* Image = MenuWindow(2);
    ASSERT_TRUE(Shows(Image));
    PumpFor(50);
    TestSupport::Click(ItemScreenCenter(Image, ItemOf(Form.get(), maImageSortByName)));
    TestSupport::WaitProcessed();
    PumpFor(30);
    EXPECT_EQ(Runs[maImageSortByName], 1);
    EXPECT_EQ(TotalRuns(), 1);
    EXPECT_EQ(MenuWindow(2), nullptr);

    // Outside an open menu: it closes and nothing runs.
    TestSupport::Click(ItemScreenCenter(MenuBarWindow(), MenuOf(Form.get(), 0)));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(Shows(MenuWindow(0)));
    RECT Status{};
    GetWindowRect(Form->StatusBar->GetHandle(), &Status);
    TestSupport::Click(POINT{(Status.left + Status.right) / 2, (Status.top + Status.bottom) / 2});
    TestSupport::WaitProcessed();
    PumpFor(30);
    EXPECT_EQ(MenuWindow(0), nullptr);
    EXPECT_EQ(TCustomcbBarControl::ActiveBarControl(), nullptr);
    EXPECT_EQ(TotalRuns(), 1);

    TestSupport::Click(ItemScreenCenter(ToolBarWindow(Form.get()), ItemOf(Form.get(), maTasksRefresh)));
    TestSupport::WaitProcessed();
    PumpFor(30);
    EXPECT_EQ(Runs[maTasksRefresh], 1);
    EXPECT_EQ(TotalRuns(), 2);
}

TEST_F(MainBarsInputTest, ARightClickOnATaskSelectsItAndItsPropertiesEditThatTask)
{
    WriteTask(Projects + "a.wrp", "A", "http://www.example.com/a");
    WriteTask(Projects + "b.wrp", "B", "http://www.example.com/b");
    Start();
    Select(NodeOfText("A"));
    TTreeNode* B = NodeOfText("B");
    ASSERT_NE(B, nullptr);
    TTreeNode* SelectedThen = nullptr;
    TFormAnswerer Edit("Edit Task", [&](TCustomForm* F) {
        auto* T = dynamic_cast<TTaskForm*>(F);
        ASSERT_NE(T, nullptr);
        EXPECT_EQ(T->TaskNameEdit->GetText(), "B");
        Press(T->CancelButton);
    });
    TcbBarPopupMenu* Tasks = Form->CommandBars->GetTasksPopupMenu();
    EXPECT_TRUE(RightClickMenu(NodeCenter(B), Tasks, [&](TCustomcbBarControl* W) {
        SelectedThen = Form->TasksTreeView->GetSelected();
        ShotOfWindows({Form->GetHandle(), W->GetHandle()}, "main-tree-popup");
        TestSupport::Click(ItemScreenCenter(W, ItemOf(Form.get(), maTasksProp)));
        TestSupport::WaitProcessed();
    }));
    EXPECT_EQ(SelectedThen, B) << "selected before the menu showed";
    EXPECT_TRUE(PumpUntil([&] { return Edit.Count() == 1; }, 10000, "Edit Task"));
    EXPECT_EQ(Runs[maTasksProp], 1);
    EXPECT_EQ(Form->TasksTreeView->GetSelected(), B);

    // The menu key on the focused tree: the Tasks menu at the tree, the selection kept.
    ASSERT_TRUE(TestSupport::BringToFront(*Form));
    Select(NodeOfText("A"));
    Form->TasksTreeView->SetFocus();
    PumpFor(30);
    RECT Shown{};
    bool Opened = false;
    TPoll Watch(20, [&] {
        TCustomcbBarControl* W = Tasks->GetItemLinks()->GetBarControl();
        if (!Shows(W))
            return false;
        Opened = true;
        GetWindowRect(W->GetHandle(), &Shown);
        W->HideAll();
        return true;
    });
    TestSupport::Press(VK_APPS);
    EXPECT_TRUE(PumpUntil([&] { return Opened && !Tasks->GetItemLinks()->GetBarControl(); }, 10000, "the menu key"));
    RECT Tree{};
    GetWindowRect(Form->TasksTreeView->GetHandle(), &Tree);
    EXPECT_TRUE(PtInRect(&Tree, POINT{Shown.left, Shown.top})) << "the menu opens at the tree";
    EXPECT_EQ(Form->TasksTreeView->GetSelected(), NodeOfText("A"));
    EXPECT_EQ(Runs[maTasksProp], 1);

    // The tray icon's menu is still the system's plain menu, "Restore" and "Exit", and real keys
    // choose in it past the bars' keyboard hook.
    ASSERT_TRUE(TestSupport::BringToFront(*Form));
    int Restores = 0;
    const TNotifyEvent OwnRestore = Form->TrayMenu->OnRestore;
    Form->TrayMenu->OnRestore = [&](TObject* S) {
        ++Restores;
        if (OwnRestore)
            OwnRestore(S);
    };
    std::vector<std::string> TrayItems;
    const int RunsBefore = TotalRuns();
    TPoll Tray(20, [&] {
        HWND Menu = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindSystemMenuWindow, reinterpret_cast<LPARAM>(&Menu));
        if (!Menu)
            return false;
        HMENU H = reinterpret_cast<HMENU>(SendMessageA(Menu, MN_GETHMENU, 0, 0));
        for (int I = 0; I < GetMenuItemCount(H); ++I) {
            char Buf[64] = {};
            GetMenuStringA(H, static_cast<UINT>(I), Buf, sizeof(Buf), MF_BYPOSITION);
            TrayItems.push_back(Buf);
        }
        TestSupport::Press(VK_DOWN);
        TestSupport::Press(VK_RETURN);
        return true;
    });
    Form->TrayMenu->Popup(200, 200);
    EXPECT_TRUE(PumpUntil([&] { return Restores == 1; }, 10000, "Restore from the tray menu"));
    EXPECT_EQ(TrayItems, (std::vector<std::string>{"Restore", "Exit"}));
    EXPECT_EQ(TotalRuns(), RunsBefore);
    EXPECT_EQ(TCustomcbBarControl::ActiveBarControl(), nullptr);
}

TEST_F(MainBarsInputTest, ARightClickOnARowSelectsItAloneUnlessItIsSelectedAlready)
{
    TaskWithRows();
    TcbBarPopupMenu* Images = Form->CommandBars->GetImagesPopupMenu();
    TListItems* Items = Form->ImagesListView->GetItems();
    Items->GetItem(0)->SetSelected(true);
    std::vector<int32_t> Then;
    EXPECT_TRUE(RightClickMenu(RowCenter(2), Images, [&](TCustomcbBarControl*) { Then = SelectedRows(); }));
    EXPECT_EQ(Then, std::vector<int32_t>{2});
    EXPECT_EQ(SelectedRows(), std::vector<int32_t>{2});

    Form->ImagesListView->SetSelected(nullptr);
    Items->GetItem(0)->SetSelected(true);
    Items->GetItem(1)->SetSelected(true);
    EXPECT_TRUE(RightClickMenu(RowCenter(1), Images, [&](TCustomcbBarControl*) { Then = SelectedRows(); }));
    EXPECT_EQ(Then, (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(SelectedRows(), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(TotalRuns(), 0);
}

TEST_F(MainBarsInputTest, ACommandPostedWhileAPopupIsOpenRunsOnceAfterItAndLibraryOpensAfterTheMenuWent)
{
    TaskWithRows();
    TcbBarPopupMenu* Tasks = Form->CommandBars->GetTasksPopupMenu();
    // Whether the menu's window was still there when Refresh ran.
    bool MenuThere = true;
    TAction* Refresh = Form->Actions->TasksRefreshAction;
    const TNotifyEvent Counted = Refresh->OnExecute;
    Refresh->OnExecute = [&, Counted](TObject* S) {
        MenuThere = Tasks->GetItemLinks()->GetBarControl() != nullptr;
        Counted(S);
    };
    EXPECT_TRUE(RightClickMenu(NodeCenter(NodeOfText("A")), Tasks, [&](TCustomcbBarControl*) {
        PostMessageA(Form->GetHandle(), WM_COMMAND, MAKEWPARAM(maTasksRefresh, 0), 0);
    }));
    PumpFor(50);
    EXPECT_EQ(Runs[maTasksRefresh], 1);
    EXPECT_FALSE(MenuThere) << "kept until the menu had closed";
    // The refresh read the tree again.
    SelectWithRows();

    // "Library" from the Image popup, ten times: the window comes after the menu went.
    TcbBarPopupMenu* Images = Form->CommandBars->GetImagesPopupMenu();
    const int32_t Forms = AppUI()->GetFormCount();
    for (int Round = 0; Round < 10 && !HasFailure(); ++Round) {
        ASSERT_TRUE(TestSupport::BringToFront(*Form));
        bool MenuGoneThen = false;
        TFormAnswerer Close("Library", [&](TCustomForm* F) {
            MenuGoneThen = Images->GetItemLinks()->GetBarControl() == nullptr &&
                           TCustomcbBarControl::ActiveBarControl() == nullptr;
            PostMessageA(F->GetHandle(), WM_CLOSE, 0, 0);
        });
        EXPECT_TRUE(RightClickMenu(RowCenter(0), Images, [&](TCustomcbBarControl* W) {
            TestSupport::Click(ItemScreenCenter(W, ItemOf(Form.get(), maImageLibrary)));
            TestSupport::WaitProcessed();
        }));
        EXPECT_TRUE(PumpUntil([&] { return Close.Count() == 1; }, 10000, "the Library window"));
        PumpFor(50);
        EXPECT_TRUE(MenuGoneThen) << "round " << Round;
        EXPECT_EQ(Runs[maImageLibrary], Round + 1);
    }
    PumpFor(50);
    EXPECT_EQ(AppUI()->GetFormCount(), Forms);
    EXPECT_EQ(TCustomcbBarControl::ActiveBarControl(), nullptr);
    int MenuWindows = 0;
    for (TCustomcbBarControl* W : TCustomcbBarControl::LiveBarControls())
        MenuWindows += W->GetKind() == bwkMenu;
    EXPECT_EQ(MenuWindows, 0);
}

TEST_F(MainBarsInputTest, TheRunButtonShowsItsShortHintAndAMenuRowItsLongHintInTheStatusBar)
{
    TaskWithRows();
    ASSERT_TRUE(ItemOf(Form.get(), maTasksRun)->GetEnabled());
    TestSupport::MoveTo(ItemScreenCenter(ToolBarWindow(Form.get()), ItemOf(Form.get(), maTasksRun)));
    TestSupport::WaitProcessed();
    EXPECT_TRUE(PumpUntil([] { return CommandBarsTest::HintVisible(); }, 5000, "the hint window"));
    EXPECT_EQ(CommandBarsTest::HintText(), "Run");
    ShotOfWindows({Form->GetHandle(), CommandBarsTest::HintHandle()}, "main-toolbar-hint");

    TestSupport::Click(ItemScreenCenter(MenuBarWindow(), MenuOf(Form.get(), 2)));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(Shows(MenuWindow(2)));
    EXPECT_FALSE(CommandBarsTest::HintVisible());
    PumpFor(50);
    ASSERT_TRUE(ItemOf(Form.get(), maImageDeleteAll)->GetEnabled());
    TestSupport::MoveTo(ItemScreenCenter(MenuWindow(2), ItemOf(Form.get(), maImageDeleteAll)));
    TestSupport::WaitProcessed();
    const std::string Long = TControl::GetLongHint(Form->Actions->ImageDeleteAllAction->GetHint());
    auto Panel = [&] {
        char Buf[512] = {};
        SendMessageA(Form->StatusBar->GetHandle(), SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(Buf));
        return std::string(Buf);
    };
    EXPECT_TRUE(PumpUntil([&] { return Panel() == Long; }, 3000, "the long hint in the status bar"));
    EXPECT_EQ(Panel(), "Delete every downloaded picture of the task");
    // The Image menu showing its ticks, for a person to look at.
    ShotOfWindows({Form->GetHandle(), MenuWindow(2)->GetHandle()}, "main-image-menu");
    CloseMenus();
    EXPECT_EQ(TotalRuns(), 0);
}

TEST_F(MainBarsInputTest, TheBarsAndTheTasksMenuDrawTheManagersFlatColours)
{
    Start();
    TcbBarManager* M = BarManagerOf(Form.get());
    TCustomcbBarControl* Tool = ToolBarWindow(Form.get());
    TCustomcbBarControl* MenuBar = MenuBarWindow();
    // The toolbar's background: the row below a button (buttons are drawn inside the bar's border).
    TcbBarItemControl* Refresh = ItemControlIn(Tool, ItemOf(Form.get(), maTasksRefresh));
    TcbBarItemControl* Import = ItemControlIn(Tool, ItemOf(Form.get(), maTasksImport));
    ASSERT_NE(Refresh, nullptr);
    ASSERT_NE(Import, nullptr);
    {
        const TestSupport::TShot S = TestSupport::CaptureShown(Tool->GetHandle());
        const POINT O = TestSupport::ClientOrigin(Tool->GetHandle());
        const TRect R = Refresh->GetItemRect();
        TestSupport::ExpectPixel(S, O.x + (R.left + R.right) / 2, O.y + R.bottom, BrushColor(M->GetFlatBarBrush()),
                                 "the toolbar's background under Refresh");
        // The menu bar's background: right of the last title.
        const TestSupport::TShot B = TestSupport::CaptureShown(MenuBar->GetHandle());
        const POINT BO = TestSupport::ClientOrigin(MenuBar->GetHandle());
        const TRect Help = ItemControlIn(MenuBar, MenuOf(Form.get(), 3))->GetItemRect();
        TestSupport::ExpectPixel(B, BO.x + Help.right + 20, BO.y + (Help.top + Help.bottom) / 2,
                                 GetSysColor(COLOR_BTNFACE), "the menu bar's background");
    }
    // A hot button: framed one pixel in COLOR_HIGHLIGHT, filled with the selected-item brush.
    TestSupport::MoveTo(ItemScreenCenter(Tool, ItemOf(Form.get(), maTasksRefresh)));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(PumpUntil([&] { return Tool->GetSelectedControl() == Refresh; }, 3000, "Refresh hot"));
    PumpFor(50);
    {
        const TestSupport::TShot S = TestSupport::CaptureShown(Tool->GetHandle());
        const POINT O = TestSupport::ClientOrigin(Tool->GetHandle());
        const TRect R = Refresh->GetItemRect();
        const COLORREF Frame = GetSysColor(COLOR_HIGHLIGHT);
        TestSupport::ExpectPixel(S, O.x + R.left, O.y + (R.top + R.bottom) / 2, Frame, "the hot frame, left");
        TestSupport::ExpectPixel(S, O.x + (R.left + R.right) / 2, O.y + R.top, Frame, "the hot frame, top");
        TestSupport::ExpectPixel(S, O.x + R.right - 1, O.y + (R.top + R.bottom) / 2, Frame, "the hot frame, right");
        TestSupport::ExpectPixel(S, O.x + R.left + 1, O.y + R.top + 1, BrushColor(M->GetFlatSelectedItemBrush()),
                                 "inside the hot frame");
    }
    ShotOfWindows({Form->GetHandle()}, "main-toolbar-hot");

    // The open Tasks menu: frame, glyph column and rows.
    TestSupport::Click(ItemScreenCenter(MenuBar, MenuOf(Form.get(), 0)));
    TestSupport::WaitProcessed();
    TCustomcbBarControl* Tasks = MenuWindow(0);
    ASSERT_TRUE(Shows(Tasks));
    PumpFor(100);
    {
        const TestSupport::TShot S = TestSupport::CaptureShown(Tasks->GetHandle());
        const POINT O = TestSupport::ClientOrigin(Tasks->GetHandle());
        const TRect Row = ItemControlIn(Tasks, ItemOf(Form.get(), maTasksSaveURL))->GetItemRect();
        const int32_t Y = O.y + (Row.top + Row.bottom) / 2;
        TestSupport::ExpectPixel(S, 0, Y, BrushColor(M->GetFlatFrameBrush()), "the menu's frame, left");
        TestSupport::ExpectPixel(S, O.x + Row.left + 2, Y - 4, BrushColor(M->GetFlatBarBrush()), "the glyph column");
        TestSupport::ExpectPixel(S, O.x + Row.right - 4, Y - 4, GetSysColor(COLOR_WINDOW), "a row");
    }
    ShotOfWindows({Form->GetHandle(), Tasks->GetHandle()}, "main-tasks-menu");
    CloseMenus();
    EXPECT_EQ(TotalRuns(), 0);
}
