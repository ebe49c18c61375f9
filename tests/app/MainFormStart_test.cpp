// The main window's start: first-run samples, caption and tray, placement, the task tree read
// from the project folder, damaged and locked project files, shared task IDs, the menus and the
// images library file.

#include <algorithm>
#include <set>

#include "app/MainForm.h"
#include "app/SampleTasks.h"
#include "app/WinTaskbar.h"
#include "engine/ImagesLibrary.h"
#include "engine/ProjectFile.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Files.h"

#include <shlobj.h>
#include "tests/app/MainFormFixture.h"
#include "tests/app/MainFormBars.h"

using namespace MainFormTest;
using TestSupport::PumpFor;

namespace {

class StartTest : public MainFormFixture {};

TEST_F(StartTest, FirstRunWritesFifteenSamplesOnceAndTheSecondStartKeepsThem)
{
    // A settings root that was never written: the first run writes the defaults and the samples
    // into the default folder tree.
    // The samples go into the default folder tree of the documents folder, which the program
    // started by hand shares with the tests: never overwrite or delete samples found there.
    char Personal[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, Personal, 5, FALSE));
    const std::string DefaultProjects =
        IncludeTrailingBackslash(Personal) + "Zirovudi dira Riv\\Images\\Projects\\";
    if (DirExists(DefaultProjects + "Picture Special") || DirExists(DefaultProjects + "Arts"))
        GTEST_SKIP() << "sample folders of an earlier run lie in " << DefaultProjects;

    TestSupport::TTestRegistryKey Fresh;
    TMainFormSetup S;
    S.RootPath = Fresh.Path() + "\\Settings";
    S.LibraryPath = Temp.Path() + "first.db";
    Form = std::make_unique<TMainForm>(nullptr, S);
    // A first run shows the tip of the day, modally, 2 s after the start: a start slower than
    // that (a loaded machine) would leave it waiting for a user in the pumping below.
    Form->LoadTipTimer->SetEnabled(false);
    Form->Show();
    PumpFor(50);

    const std::string ProjectPath = Form->Settings->GetOptions()->GetProjectPath();
    const std::string DownloadPath = Form->Settings->GetOptions()->GetDefaultFolder();
    // Clean up whatever this test writes into the shared documents folder.
    struct TCleanup {
        std::string P;
        ~TCleanup()
        {
            TestSupport::DeleteTree(P + "Picture Special");
            TestSupport::DeleteTree(P + "Arts");
        }
    } Cleanup{ProjectPath};
    struct TCleanDownloads {
        std::string D;
        ~TCleanDownloads()
        {
            for (const TSampleTask& T : SampleTasks())
                TestSupport::DeleteTree(D + T.Title);
        }
    } CleanDownloads{DownloadPath};

    EXPECT_TRUE(Form->Settings->GetOptions()->GetDefaultTaskAdded());
    TRegSettings Stored(S.RootPath);
    Stored.Load();
    EXPECT_TRUE(Stored.GetOptions()->GetDefaultTaskAdded());

    TTreeNode* Root = Form->RootNode();
    ASSERT_NE(Root, nullptr);
    EXPECT_EQ(Root->GetText(), "All Tasks");
    EXPECT_EQ(Root->GetImageIndex(), tiRoot);
    EXPECT_TRUE(Root->GetExpanded());
    // Other folders may already lie in the shared project folder; ours are these two.
    TTreeNode* Special = nullptr;
    TTreeNode* Arts = nullptr;
    for (int32_t I = 0; I < Root->GetCount(); ++I) {
        if (Root->GetItem(I)->GetText() == "Picture Special")
            Special = Root->GetItem(I);
        if (Root->GetItem(I)->GetText() == "Arts")
            Arts = Root->GetItem(I);
    }
    ASSERT_NE(Special, nullptr);
    ASSERT_NE(Arts, nullptr);
    EXPECT_EQ(Special->GetCount(), 2);
    EXPECT_EQ(Arts->GetCount(), 13);

    std::set<std::string> Titles, IDs;
    std::vector<std::pair<std::string, FILETIME>> Times;
    for (TTreeNode* F : {Special, Arts}) {
        for (int32_t I = 0; I < F->GetCount(); ++I) {
            TTreeNode* N = F->GetItem(I);
            EXPECT_EQ(N->GetImageIndex(), tiStoppedTask);
            const std::string Path = TMainForm::NodePath(N);
            EXPECT_EQ(ExtractFilePath(Path), JoinPath(ProjectPath, F->GetText()) + "\\");
            TTask T;
            T.LoadFromFile(Path);
            EXPECT_EQ(N->GetText(), T.GetName());
            EXPECT_TRUE(ValidTaskName(T.GetName()));
            Titles.insert(T.GetName());
            IDs.insert(T.GetID());
            EXPECT_EQ(T.GetID().size(), 38u);
            EXPECT_EQ(T.GetID().front(), '{');
            EXPECT_EQ(T.GetID().back(), '}');
            const std::string Host = HostOfURL(T.GetStartURI()->GetURI());
            EXPECT_TRUE(Host == "example.com" || Host == "example.org" || Host == "example.net" ||
                        Host.ends_with(".example.com") || Host.ends_with(".example.org") ||
                        Host.ends_with(".example.net"))
                << Host;
            TRegOptions* O = T.GetOptions();
            EXPECT_TRUE(O->GetEnableFileLimit());
            EXPECT_EQ(O->GetFileMaxSize(), 10240);
            EXPECT_EQ(O->GetFileMinSize(), 10);
            EXPECT_EQ(O->GetSeekDeep(), 5);
            EXPECT_EQ(O->GetFileMasks()->GetText(), Stored.GetOptions()->GetFileMasks()->GetText());
            EXPECT_EQ(O->GetFileMasks()->GetCount(), 9);
            EXPECT_TRUE(DirExists(DownloadPath + T.GetName() + "\\Saved")) << T.GetName();
            Times.emplace_back(Path, WriteTime(Path));
        }
    }
    EXPECT_EQ(Titles.size(), 15u);
    EXPECT_EQ(IDs.size(), 15u);
    EXPECT_EQ(CountFiles(ProjectPath + "Picture Special\\", "*.wrp"), 2);
    EXPECT_EQ(CountFiles(ProjectPath + "Arts\\", "*.wrp"), 13);

    // The second start writes nothing and shows the same tree.
    Form.reset();
    PumpFor(30);
    Form = std::make_unique<TMainForm>(nullptr, S);
    Form->LoadTipTimer->SetEnabled(false);
    EXPECT_EQ(CountFiles(ProjectPath + "Picture Special\\", "*.wrp"), 2);
    EXPECT_EQ(CountFiles(ProjectPath + "Arts\\", "*.wrp"), 13);
    for (const auto& [Path, Time] : Times) {
        const FILETIME Now = WriteTime(Path);
        EXPECT_EQ(CompareFileTime(&Now, &Time), 0) << Path;
    }
    TTreeNode* Arts2 = Form->TasksTreeView->FindNodeByText("Arts");
    ASSERT_NE(Arts2, nullptr);
    EXPECT_EQ(Arts2->GetCount(), 13);
}

TEST_F(StartTest, CaptionTitleTrayAndRunStopOffWithNothingSelected)
{
    MakeForm();
    EXPECT_EQ(Form->GetCaption(), "Quillmoor 3.6.1");
    EXPECT_EQ(Application->GetTitle(), "Quillmoor 3.6.1");
    EXPECT_EQ(Form->WinTaskbar->GetHint(), "Quillmoor");
    EXPECT_TRUE(Form->WinTaskbar->GetShowIcon());
    EXPECT_EQ(Form->TasksTreeView->GetSelected(), nullptr);
    EXPECT_FALSE(Enabled(maTasksRun));
    EXPECT_FALSE(Enabled(maTasksStop));
    EXPECT_FALSE(Enabled(maTasksDelete));
    EXPECT_TRUE(Enabled(maTasksNew));
    Form.reset();

    TRegSettings S(Root);
    S.Load();
    S.GetOptions()->SetCloseOption(1);
    S.Save();
    MakeForm();
    EXPECT_FALSE(Form->WinTaskbar->GetShowIcon());
}

TEST_F(StartTest, PlacementComesFromTheRegistryAndReturnsAtEveryShow)
{
    {
        TRegSettings S(Root);
        S.Load();
        S.GetWindow()->SetLeft(100);
        S.GetWindow()->SetTop(50);
        S.GetWindow()->SetWidth(700);
        S.GetWindow()->SetHeight(500);
        S.GetWindow()->SetState(0);
        S.Save();
    }
    MakeForm();
    RECT R;
    GetWindowRect(Form->GetHandle(), &R);
    EXPECT_EQ(R.left, 100);
    EXPECT_EQ(R.top, 50);
    EXPECT_EQ(R.right, 800);
    EXPECT_EQ(R.bottom, 550);
    SetWindowPos(Form->GetHandle(), nullptr, 10, 10, 300, 200, SWP_NOZORDER);
    PumpFor(20);
    Form->Hide();
    PumpFor(20);
    Form->Show();
    PumpFor(20);
    GetWindowRect(Form->GetHandle(), &R);
    EXPECT_EQ(R.left, 100);
    EXPECT_EQ(R.top, 50);
    EXPECT_EQ(R.right, 800);
    EXPECT_EQ(R.bottom, 550);
    Form.reset();

    {
        TRegSettings S(Root);
        S.Load();
        S.GetWindow()->SetState(2);
        S.Save();
    }
    MakeForm();
    EXPECT_TRUE(IsZoomed(Form->GetHandle()));
}

TEST_F(StartTest, TreeShowsFoldersTasksAndPlainFilesByTheSwitch)
{
    const std::string Sub = Projects + "Sub\\";
    const std::string Deep = Sub + "Deep\\";
    CreateDirectoryA(Sub.c_str(), nullptr);
    CreateDirectoryA(Deep.c_str(), nullptr);
    WriteTask(Sub + "a.wrp", "Alpha", "http://www.example.com/a");
    WriteTask(Sub + "B.WRP", "Bravo", "http://www.example.com/b");
    WriteTask(Deep + "c.wrp", "Charlie", "http://www.example.com/c");
    // A header with an empty name shows its file name.
    WriteTask(Deep + "nameless.wrp", "", "http://www.example.com/n");
    {
        TFileStream U(Sub + "a.wrp.urls", fmCreate);
        TFileStream P(Sub + "p.jpg", fmCreate);
        P.WriteBuffer("x", 1);
    }
    {
        TRegSettings S(Root);
        S.Load();
        S.GetMenu()->SetShowAllFiles(true);
        S.Save();
    }
    MakeForm();
    TTreeNode* SubNode = NodeOfPath(Projects + "Sub");
    ASSERT_NE(SubNode, nullptr);
    EXPECT_EQ(SubNode->GetImageIndex(), tiFolder);
    EXPECT_EQ(SubNode->GetSelectedIndex(), tiOpenFolder);
    EXPECT_TRUE(Form->RootNode()->GetExpanded());
    EXPECT_FALSE(SubNode->GetExpanded());
    std::set<std::string> Texts;
    for (int32_t I = 0; I < SubNode->GetCount(); ++I)
        Texts.insert(SubNode->GetItem(I)->GetText());
    EXPECT_EQ(Texts, (std::set<std::string>{"Alpha", "Bravo", "p.jpg", "Deep"}));
    EXPECT_EQ(NodeOfText("Alpha")->GetImageIndex(), tiStoppedTask);
    EXPECT_EQ(NodeOfText("Bravo")->GetImageIndex(), tiStoppedTask);
    EXPECT_EQ(NodeOfText("p.jpg")->GetImageIndex(), tiFile);
    EXPECT_EQ(NodeOfText("Charlie")->GetParent()->GetText(), "Deep");
    EXPECT_NE(NodeOfText("nameless"), nullptr);
    EXPECT_EQ(NodeOfText("a.wrp.urls"), nullptr);
    Form.reset();

    {
        TRegSettings S(Root);
        S.Load();
        S.GetMenu()->SetShowAllFiles(false);
        S.Save();
    }
    MakeForm();
    EXPECT_NE(NodeOfText("Alpha"), nullptr);
    EXPECT_EQ(NodeOfText("p.jpg"), nullptr);
    EXPECT_EQ(NodeOfText("a.wrp.urls"), nullptr);
}

TEST_F(StartTest, AProjectFileLockedAtStartIsLoggedAndLeftOut)
{
    WriteTask(Projects + "good.wrp", "Good", "http://www.example.com/g");
    WriteTask(Projects + "locked.wrp", "Locked", "http://www.example.com/l");
    HANDLE H = CreateFileA((Projects + "locked.wrp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(H, INVALID_HANDLE_VALUE);
    MakeForm();
    CloseHandle(H);
    EXPECT_NE(NodeOfText("Good"), nullptr);
    EXPECT_EQ(NodeOfPath(Projects + "locked.wrp"), nullptr);
    EXPECT_EQ(LogLinesContaining("locked.wrp"), 1);
}

TEST_F(StartTest, AProjectFileLockedAfterStartGivesNoTaskAndOneLogLine)
{
    WriteTask(Projects + "other.wrp", "Other", "http://www.example.com/o");
    WriteTask(Projects + "later.wrp", "Later", "http://www.example.com/l");
    MakeForm();
    TTreeNode* Later = NodeOfText("Later");
    ASSERT_NE(Later, nullptr);
    HANDLE H = CreateFileA((Projects + "later.wrp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(H, INVALID_HANDLE_VALUE);
    TestSupport::TExceptionCapture Errors;
    Select(Later);
    EXPECT_EQ(Form->TaskOfNode(Later), nullptr);
    EXPECT_FALSE(Enabled(maTasksRun));
    EXPECT_FALSE(Enabled(maTasksProp));
    EXPECT_EQ(LogLinesContaining("later.wrp"), 1);
    Select(NodeOfText("Other"));
    Select(Later);
    Form->UpdateTaskIcons();
    EXPECT_EQ(LogLinesContaining("later.wrp"), 1);
    EXPECT_EQ(Errors.Count(), 0u);
    EXPECT_TRUE(TestSupport::VisibleThreadWindows().size() == 1u);
    Select(NodeOfText("Other"));
    CloseHandle(H);
}

TEST_F(StartTest, TwoFilesWithOneIdAreOneTask)
{
    const std::string ID = "{11111111-2222-3333-4444-555555555555}";
    WriteTask(Projects + "one.wrp", "One", "http://www.example.com/1", ID);
    WriteTask(Projects + "two.wrp", "Two", "http://www.example.com/2", ID);
    MakeForm();
    TTreeNode* One = NodeOfText("One");
    TTreeNode* Two = NodeOfText("Two");
    ASSERT_TRUE(One && Two);
    TTask* A = Form->TaskOfNode(One);
    TTask* B = Form->TaskOfNode(Two);
    ASSERT_NE(A, nullptr);
    EXPECT_EQ(A, B);
    EXPECT_EQ(Form->TaskList->GetCount(), 1);
    // Also spelled differently, the path is the same file.
    EXPECT_EQ(Form->LoadedTaskOf(UpperCase(Projects) + "ONE.WRP"), A);
    ASSERT_TRUE(DeleteFileA((Projects + "two.wrp").c_str()));
    TestSupport::TExceptionCapture Errors;
    Select(Two);
    EXPECT_EQ(Form->TaskOfNode(Two), A);
    EXPECT_EQ(Errors.Count(), 0u);
    Select(nullptr);
}

TEST_F(StartTest, MenuBarToolbarAndShortcutFollowTheActions)
{
    MakeForm();
    // The menus are the bar manager's: the window has no Win32 menu.
    EXPECT_EQ(GetMenu(Form->GetHandle()), nullptr);
    const std::vector<std::pair<std::string, std::vector<std::string>>> Expected = {
        {"Tasks", {"New", "New Folder", "Properties", "Delete", "|", "Run", "Stop", "Restart", "Stop all", "|",
                   "Refresh", "Save URL", "Import", "|", "Exit"}},
        {"View", {"Standard tool bar", "View log and info panel", "Failed URL panel", "Show All Files", "|", "Options"}},
        {"Image", {"Open folder", "|", "Delete", "Delete All", "Delete By...", "|", "Copy to ...", "Move to ...", "|",
                   "Set wallpaper", "|", "Sort by name", "Sort by size", "Sort by type", "Unsort", "Fit", "|",
                   "Build-in", "Library", "Collect"}},
        {"Help", {"Help", "Tip of the day", "Visit our website", "|", "About"}},
    };
    ASSERT_EQ(MainMenuBar(Form.get())->GetItemLinks()->GetCount(), 4);
    for (int I = 0; I < 4; ++I) {
        TcbBarSubItem* Menu = MenuOf(Form.get(), I);
        ASSERT_NE(Menu, nullptr);
        EXPECT_EQ(TControl::StripHotKey(Menu->GetCaption()), Expected[I].first);
        EXPECT_EQ(LinkCaptions(Menu->GetItemLinks()), Expected[I].second) << Expected[I].first;
    }
    // The toolbar: New, New Folder, Properties, Delete | Run, Stop, Restart, Stop all | Refresh,
    // Import | Options | Help.
    EXPECT_EQ(LinkCaptions(StandardBar(Form.get())->GetItemLinks()),
              (std::vector<std::string>{"New", "New Folder", "Properties", "Delete", "|", "Run", "Stop", "Restart",
                                        "Stop all", "|", "Refresh", "Import", "|", "Options", "|", "Help"}));
    EXPECT_EQ(Form->Actions->HelpAction->GetShortCut(), VK_F1);
    EXPECT_EQ(ItemOf(Form.get(), maHelp)->GetShortCut(), VK_F1);
    // Ids are fixed.
    EXPECT_EQ(Form->Actions->TasksNewAction->GetCommandId(), 1001);
    EXPECT_EQ(Form->Actions->HelpAboutAction->GetCommandId(), 1036);
    // A menu item and a toolbar button follow their action's state.
    TcbBarButton* Run = ItemOf(Form.get(), maTasksRun);
    ASSERT_NE(Run, nullptr);
    ASSERT_NE(ToolBarWindow(Form.get()), nullptr);
    EXPECT_FALSE(Run->GetEnabled());
    EXPECT_FALSE(ToolButtonEnabled(Form.get(), maTasksRun));
    TMainActions::SetEnabled(Form->Actions->TasksRunAction, true);
    EXPECT_TRUE(Run->GetEnabled());
    EXPECT_TRUE(ToolButtonEnabled(Form.get(), maTasksRun));
    // Ticked view switches come from the settings.
    EXPECT_TRUE(ItemOf(Form.get(), maViewToolBar)->GetDown());
    EXPECT_FALSE(ItemOf(Form.get(), maViewFailedPanel)->GetDown());
    EXPECT_FALSE(Form->FailedPanel->GetVisible());
}

TEST_F(StartTest, TheImagesLibraryIsRewrittenOnDestructionAndMayBeMissing)
{
    const std::string Lib = Setup().LibraryPath;
    {
        // Three records written through the library itself.
        TImageLibrary L;
        for (int I = 0; I < 3; ++I) {
            const std::string Pic = Temp.File("pic" + std::to_string(I) + ".bin");
            TFileStream F(Pic, fmCreate);
            std::string Bytes(300 + I * 200, 'x');
            F.WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
        }
        for (int I = 0; I < 3; ++I)
            L.AddImage(Temp.File("pic" + std::to_string(I) + ".bin"));
        L.SaveToFile(Lib);
    }
    // Some other content of the right signature would be replaced: a file 3 bytes too long.
    {
        std::string Bytes = ReadAll(Lib);
        ASSERT_EQ(Bytes.size(), 264u + 280u * 3);
        TFileStream F(Lib, fmCreate);
        Bytes += "abc";
        F.WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
    }
    MakeForm();
    EXPECT_EQ(ImageLibrary->GetCount(), 3);
    Form.reset();
    EXPECT_EQ(ReadAll(Lib).size(), 264u + 280u * 3);
    EXPECT_EQ(ImageLibrary, nullptr);

    ASSERT_TRUE(DeleteFileA(Lib.c_str()));
    MakeForm();
    EXPECT_EQ(ImageLibrary->GetCount(), 0);
    EXPECT_EQ(TestSupport::VisibleThreadWindows().size(), 1u);
}

TEST_F(StartTest, ALibraryThatCannotBeReadIsNotOverwritten)
{
    const std::string Lib = Setup().LibraryPath;
    {
        TFileStream F(Lib, fmCreate);
        F.WriteBuffer("keep", 4);
    }
    HANDLE H = CreateFileA(Lib.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(H, INVALID_HANDLE_VALUE);
    MakeForm();
    CloseHandle(H);
    EXPECT_EQ(LogLinesContaining("images library"), 1);
    Form.reset();
    EXPECT_EQ(ReadAll(Lib), "keep");
}

} // namespace
