// The Tasks commands that need no web server: New, Properties, New Folder, Delete, Refresh,
// Save URL, the selection change and the enabling that follows the selection.

#include <set>

#include "app/FolderTree.h"
#include "app/MainForm.h"
#include "app/NewFolderForm.h"
#include "app/SampleTasks.h"
#include "app/TaskForm.h"
#include "engine/AutoUpdateProjects.h"
#include "engine/ImportRecords.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Registry.h"
#include "tests/app/MainFormFixture.h"
#include "tests/app/MainFormBars.h"
#include "tests/support/NoClippedText.h"

using namespace MainFormTest;
using TestSupport::ExpectNoClippedText;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;
using TestSupport::TDialogAnswerer;

namespace {

class TasksTest : public MainFormFixture {
protected:
    // Answers the task dialog with the values the New tests expect in the project file.
    static void FillGal(TCustomForm* Form, const std::string& Name, const std::string& Max)
    {
        auto* F = dynamic_cast<TTaskForm*>(Form);
        ASSERT_NE(F, nullptr);
        F->URLEdit->SetText("http://www.example.com/g");
        F->TaskNameEdit->SetText(Name);
        F->NoteMemo->SetText("my note");
        F->EnableLimitCheckBox->SetChecked(true);
        F->MaxEdit->SetText(Max);
        F->MinEdit->SetText("20");
        F->DeepTrackBar->SetPosition(7);
        F->TimeOutUpDown->SetPosition(30);
        F->SaveAsWebChk->SetChecked(false);
        F->MasksListView->GetItems()->Clear();
        TListItem* Row = F->MasksListView->GetItems()->Add();
        Row->SetCaption("png");
        Row->GetSubItems()->Add("Pics");
        F->ExcludeFileListView->GetItems()->Clear();
        F->ExcludeFileListView->GetItems()->Add()->SetCaption("bad.jpg");
        F->ExcludeWebsitesListBox->GetItems()->Clear();
        F->ExcludeWebsitesListBox->GetItems()->Add("ads.example.com");
        F->SchemeTypeComboBox->SetItemIndex(3);
        F->Scheme->SetSchemeType(3);
        F->Scheme->SetSchemeCount(2);
        F->NeedToLogin->SetChecked(true);
        F->UserNameEdit->SetText("joe");
        F->PasswordEdit->SetText("secret");
        Press(F->OkButton);
    }

    void NewTask(const std::string& Name, const std::string& Max = "5000")
    {
        TFormAnswerer A("New Task", [&](TCustomForm* F) { FillGal(F, Name, Max); });
        Command(maTasksNew);
        EXPECT_EQ(A.Count(), 1);
    }

    void NewFolder(const std::string& Name)
    {
        TFormAnswerer A("New Folder", [&](TCustomForm* F) {
            auto* D = dynamic_cast<TNewFolderForm*>(F);
            ASSERT_NE(D, nullptr);
            ExpectNoClippedText(D);
            D->FolderNameEdit->SetText(Name);
            Press(D->OkButton);
        });
        Command(maTasksNewFolder);
        EXPECT_EQ(A.Count(), 1);
    }
};

TEST_F(TasksTest, NewWritesTheDialogsValuesIntoTheSelectedFolder)
{
    CreateDirectoryA((Projects + "Folder").c_str(), nullptr);
    MakeForm();
    Select(NodeOfPath(Projects + "Folder"));
    NewTask("Gal", "abc");
    const std::string Path = Projects + "Folder\\Gal.wrp";
    ASSERT_TRUE(FileExistsA(Path));
    EXPECT_EQ(ReadAll(Path).substr(0, 4), "Quib");
    TTask T;
    T.LoadFromFile(Path);
    EXPECT_EQ(T.GetName(), "Gal");
    EXPECT_EQ(T.GetStartURI()->GetURI(), "http://www.example.com/g");
    EXPECT_EQ(T.GetNote(), "my note");
    EXPECT_EQ(T.GetID().size(), 38u);
    TRegOptions* O = T.GetOptions();
    EXPECT_TRUE(O->GetEnableFileLimit());
    EXPECT_EQ(O->GetFileMaxSize(), 0); // "abc" is no number
    EXPECT_EQ(O->GetFileMinSize(), 20);
    EXPECT_EQ(O->GetSeekDeep(), 7);
    EXPECT_EQ(O->GetTimeOut(), 30);
    EXPECT_FALSE(O->GetSaveAsWebStructure());
    ASSERT_EQ(O->GetFileMasks()->GetCount(), 1);
    EXPECT_EQ(O->GetFileMasks()->GetStrings(0), "png, Pics");
    ASSERT_EQ(O->GetExcludeFiles()->GetCount(), 1);
    EXPECT_EQ(O->GetExcludeFiles()->GetStrings(0), "bad.jpg");
    ASSERT_EQ(O->GetExcludeWebsites()->GetCount(), 1);
    EXPECT_EQ(O->GetExcludeWebsites()->GetStrings(0), "ads.example.com");
    EXPECT_EQ(O->GetScheme()->GetSchemeType(), 3);
    EXPECT_EQ(O->GetScheme()->GetSchemeCount(), 2);
    EXPECT_TRUE(O->GetUseLogin());
    EXPECT_EQ(O->GetLoginUser(), "joe");
    EXPECT_EQ(O->GetLoginPassword(), "secret");
    EXPECT_EQ(O->GetDefaultFolder().back(), '\\');
    TTreeNode* N = NodeOfPath(Path);
    ASSERT_NE(N, nullptr);
    EXPECT_EQ(N->GetText(), "Gal");
    EXPECT_EQ(N->GetImageIndex(), tiStoppedTask);
    EXPECT_EQ(Form->TasksTreeView->GetSelected(), N);
    // With the new task node selected, the next New goes into the same folder.
    NewTask("Gal2");
    EXPECT_TRUE(FileExistsA(Projects + "Folder\\Gal2.wrp"));
    EXPECT_EQ(CountFiles(Projects), 0);
    // With nothing selected, into the project folder.
    Select(nullptr);
    NewTask("Top");
    EXPECT_TRUE(FileExistsA(Projects + "Top.wrp"));
}

TEST_F(TasksTest, NewOverANameAskSThenKeepsOrRewritesAndReplacesALoadedTask)
{
    const std::string Path = Projects + "gal.wrp";
    const std::string OldID = WriteTask(Path, "gal", "http://www.example.com/old");
    MakeForm();
    Select(Form->RootNode());
    const std::string Before = ReadAll(Path);
    const FILETIME Time = WriteTime(Path);
    {
        TDialogAnswerer No("There is a same name task", IDNO);
        NewTask("Gal");
        EXPECT_EQ(No.AnsweredCount(), 1);
        EXPECT_EQ(No.Caption(), "Question");
    }
    EXPECT_EQ(ReadAll(Path), Before);
    const FILETIME After = WriteTime(Path);
    EXPECT_EQ(CompareFileTime(&After, &Time), 0);

    // Loaded and stopped: the old object leaves and the rows are the new task's.
    TTreeNode* Old = NodeOfPath(Path);
    Select(Old);
    TTask* OldTask = Form->TaskOfNode(Old);
    ASSERT_NE(OldTask, nullptr);
    Select(Form->RootNode());
    {
        TDialogAnswerer Yes("There is a same name task", IDYES);
        NewTask("Gal");
        EXPECT_EQ(Yes.AnsweredCount(), 1);
    }
    TTask T;
    T.LoadFromFile(Path);
    EXPECT_NE(T.GetID(), OldID);
    EXPECT_EQ(T.GetStartURI()->GetURI(), "http://www.example.com/g");
    for (TTask* X : Form->TaskList->Snapshot())
        EXPECT_NE(X->GetID(), OldID);
    TTask* NewTaskObj = Form->TaskOfNode(Form->TasksTreeView->GetSelected());
    ASSERT_NE(NewTaskObj, nullptr);
    for (TListView* V : {Form->FilesListView, Form->FailedUrlListView, Form->ImagesListView})
        for (int32_t I = 0; I < V->GetItems()->GetCount(); ++I) {
            auto* Item = static_cast<TTaskItem*>(V->GetItems()->GetItem(I)->GetData());
            EXPECT_EQ(Item ? Item->GetTask() : NewTaskObj, NewTaskObj);
        }
}

TEST_F(TasksTest, NewOverARunningOrQueuedTasksFileIsRefused)
{
    const std::string Path = Projects + "Busy.wrp";
    WriteTask(Path, "Busy", "http://www.example.com/b");
    MakeForm();
    TTreeNode* N = NodeOfPath(Path);
    Select(N);
    TTask* T = Form->TaskOfNode(N);
    ASSERT_NE(T, nullptr);
    T->SetState(tsQueued); // queued tasks hold their file as much as running ones
    Select(Form->RootNode());
    const std::string Before = ReadAll(Path);
    TDialogAnswerer Yes("There is a same name task", IDYES);
    TDialogAnswerer Refused("Sorry, current task is running", IDOK);
    NewTask("Busy");
    EXPECT_EQ(Refused.AnsweredCount(), 1);
    EXPECT_EQ(Refused.Caption(), "Error");
    EXPECT_EQ(ReadAll(Path), Before);
    EXPECT_EQ(Form->LoadedTaskOf(Path), T);
    T->SetState(tsStopped);
}

TEST_F(TasksTest, PropertiesEditsAStoppedTaskAndRefusesAnActiveOne)
{
    const std::string Path = Projects + "edit.wrp";
    const std::string ID = WriteTask(Path, "Edit", "http://www.example.com/e");
    MakeForm();
    TTreeNode* N = NodeOfPath(Path);
    Select(N);
    ASSERT_TRUE(Enabled(maTasksProp));
    bool Checked = false;
    TFormAnswerer A("Edit Task", [&](TCustomForm* Form) {
        auto* F = dynamic_cast<TTaskForm*>(Form);
        ASSERT_NE(F, nullptr);
        EXPECT_EQ(F->URLEdit->GetText(), "http://www.example.com/e");
        EXPECT_EQ(F->TaskNameEdit->GetText(), "Edit");
        EXPECT_FALSE(F->URLEdit->GetEnabled());
        EXPECT_FALSE(F->SpecifyNameCheckBox->GetEnabled());
        Checked = true;
        F->TaskNameEdit->SetText("Edited");
        F->NoteMemo->SetText("changed");
        F->MaxEdit->SetText("777");
        Press(F->OkButton);
    });
    Command(maTasksProp);
    ASSERT_TRUE(Checked);
    TTask T;
    T.LoadFromFile(Path);
    EXPECT_EQ(T.GetName(), "Edited");
    EXPECT_EQ(T.GetNote(), "changed");
    EXPECT_EQ(T.GetOptions()->GetFileMaxSize(), 777);
    EXPECT_EQ(T.GetID(), ID);

    TTask* Loaded = Form->TaskOfNode(N);
    for (TaskState S : {tsRunning, tsQueued}) {
        Loaded->SetState(S);
        TDialogAnswerer Refused("Sorry, current task is running ... Please stop it and try again.", IDOK);
        Form->TasksPropActionExecute(nullptr); // the action itself is disabled then
        EXPECT_EQ(Refused.AnsweredCount(), 1);
        Loaded->SetState(tsStopped);
    }
}

TEST_F(TasksTest, NewFolderChecksTheNameAndMakesTheFolder)
{
    WriteTask(Projects + "t.wrp", "T", "http://www.example.com/t");
    {
        TFileStream P(Projects + "plain.txt", fmCreate);
    }
    MakeForm();
    Select(Form->RootNode());
    NewFolder("X");
    EXPECT_TRUE(DirExists(Projects + "X"));
    TTreeNode* X = NodeOfPath(Projects + "X");
    ASSERT_NE(X, nullptr);
    EXPECT_EQ(X->GetText(), "X");
    EXPECT_EQ(X->GetImageIndex(), tiFolder);
    EXPECT_EQ(X->GetSelectedIndex(), tiOpenFolder);
    const int32_t Children = Form->RootNode()->GetCount();
    for (const char* Again : {"X", " x "}) {
        TDialogAnswerer Exists("Folder is already exists, please change a folder name and try again!", IDOK);
        NewFolder(Again);
        EXPECT_EQ(Exists.AnsweredCount(), 1) << Again;
    }
    for (const char* Bad : {"a\\b", "..", "   ", "c:d"}) {
        TDialogAnswerer Cannot("Cannot create folder", IDOK);
        NewFolder(Bad);
        EXPECT_EQ(Cannot.AnsweredCount(), 1) << Bad;
        EXPECT_EQ(Cannot.Caption(), "Error");
    }
    EXPECT_EQ(Form->RootNode()->GetCount(), Children);
    EXPECT_FALSE(DirExists(Projects + "a"));
    Select(NodeOfText("T"));
    EXPECT_FALSE(Enabled(maTasksNewFolder));
    Select(NodeOfText("plain.txt"));
    EXPECT_FALSE(Enabled(maTasksNewFolder));
    Select(X);
    EXPECT_TRUE(Enabled(maTasksNewFolder));
}

TEST_F(TasksTest, DeleteRemovesTheTaskFileOnlyAndItsImportedName)
{
    const std::string Path = Projects + "gone.wrp";
    WriteTask(Path, "Gone", "http://www.example.com/g");
    WriteTask(Projects + "stay.wrp", "Stay", "http://www.example.com/s");
    {
        TFileStream U(Path + ".urls", fmCreate);
    }
    CreateDirectoryA((Downloads + "Gone").c_str(), nullptr);
    {
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(Root + "\\ExistPrjs", true));
        R.WriteString("0", "Other");
        R.WriteString("1", "Gone");
    }
    MakeForm();
    TTreeNode* N = NodeOfPath(Path);
    Select(N);
    {
        TDialogAnswerer No("Current selected item will be deleted, Are you sure ?", IDNO);
        Command(maTasksDelete);
        EXPECT_EQ(No.AnsweredCount(), 1);
        EXPECT_EQ(No.Caption(), "Confirm");
    }
    EXPECT_TRUE(FileExistsA(Path));
    EXPECT_EQ(NodeOfPath(Path), N);
    {
        TDialogAnswerer Yes("Current selected item will be deleted", IDYES);
        Command(maTasksDelete);
        EXPECT_EQ(Yes.AnsweredCount(), 1);
    }
    EXPECT_FALSE(FileExistsA(Path));
    EXPECT_EQ(NodeOfPath(Path), nullptr);
    EXPECT_TRUE(FileExistsA(Path + ".urls"));
    EXPECT_TRUE(DirExists(Downloads + "Gone"));
    EXPECT_EQ(Form->LoadedTaskOf(Path), nullptr);
    // The selection moves on: the deleted file is not written back.
    Select(NodeOfText("Stay"));
    Select(Form->RootNode());
    EXPECT_FALSE(FileExistsA(Path));
    TRegistry R;
    ASSERT_TRUE(R.OpenKeyReadOnly(Root + "\\ExistPrjs"));
    TStringList Values;
    R.GetValueNames(&Values);
    for (int32_t I = 0; I < Values.GetCount(); ++I)
        EXPECT_NE(R.ReadString(Values.GetStrings(I)), "Gone");
}

TEST_F(TasksTest, DeleteOnFoldersRootLockedFilesAndRunningTasks)
{
    const std::string Sub = Projects + "Sub\\";
    CreateDirectoryA(Sub.c_str(), nullptr);
    CreateDirectoryA((Sub + "Inner").c_str(), nullptr);
    WriteTask(Sub + "inner.wrp", "Inner task", "http://www.example.com/i");
    WriteTask(Sub + "Inner\\deep.wrp", "Deep", "http://www.example.com/d");
    WriteTask(Projects + "held.wrp", "Held", "http://www.example.com/h");
    MakeForm();

    Select(Form->RootNode());
    EXPECT_FALSE(Enabled(maTasksDelete));

    // A running task below the folder: nothing is deleted.
    TTreeNode* Deep = NodeOfText("Deep");
    TTask* DeepTask = Form->TaskOfNode(Deep);
    ASSERT_NE(DeepTask, nullptr);
    DeepTask->SetState(tsRunning);
    Select(NodeOfPath(Projects + "Sub"));
    {
        TDialogAnswerer Yes("Current selected item will be deleted", IDYES);
        TDialogAnswerer Running("Sorry, current task is running", IDOK);
        Command(maTasksDelete);
        EXPECT_EQ(Running.AnsweredCount(), 1);
    }
    EXPECT_TRUE(FileExistsA(Sub + "Inner\\deep.wrp"));
    DeepTask->SetState(tsStopped);

    {
        TDialogAnswerer Yes("Current selected item will be deleted", IDYES);
        Command(maTasksDelete);
    }
    EXPECT_FALSE(DirExists(Projects + "Sub"));
    EXPECT_EQ(NodeOfText("Deep"), nullptr);
    EXPECT_EQ(Form->LoadedTaskOf(Sub + "Inner\\deep.wrp"), nullptr);
    for (TTask* T : Form->TaskList->Snapshot())
        EXPECT_NE(T->GetName(), "Deep");

    // A file held open: the failure is told and the node stays.
    const std::string Held = Projects + "held.wrp";
    HANDLE H = CreateFileA(Held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(H, INVALID_HANDLE_VALUE);
    Select(NodeOfPath(Held));
    {
        TDialogAnswerer Yes("Current selected item will be deleted", IDYES);
        TDialogAnswerer Failed("Delete file", IDOK);
        Command(maTasksDelete);
        EXPECT_EQ(Failed.AnsweredCount(), 1);
        EXPECT_NE(Failed.Text().find("Delete file " + Held + " failed !"), std::string::npos) << Failed.Text();
    }
    CloseHandle(H);
    EXPECT_NE(NodeOfPath(Held), nullptr);
    Select(nullptr);
}

TEST(DeleteFolderTreeTest, ALinkedFolderIsRemovedAsALinkAndNeverEntered)
{
    std::vector<std::string> Log;
    TFolderTreeOps Ops;
    Ops.List = [&](const std::string& Folder) {
        Log.push_back("list " + Folder);
        if (Folder == "C:\\P\\T")
            return std::vector<TFolderEntry>{{"a.txt", FILE_ATTRIBUTE_NORMAL},
                                             {"link", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT},
                                             {"sub", FILE_ATTRIBUTE_DIRECTORY}};
        if (Folder == "C:\\P\\T\\sub")
            return std::vector<TFolderEntry>{{"b.txt", FILE_ATTRIBUTE_NORMAL}};
        return std::vector<TFolderEntry>{{"outside.txt", FILE_ATTRIBUTE_NORMAL}};
    };
    Ops.RemoveFile = [&](const std::string& P) { Log.push_back("del " + P); return true; };
    Ops.RemoveDir = [&](const std::string& P) { Log.push_back("rmdir " + P); return true; };
    std::string Error;
    ASSERT_TRUE(DeleteFolderTree("C:\\P\\T\\", Ops, Error));
    EXPECT_EQ(Log, (std::vector<std::string>{"list C:\\P\\T", "del C:\\P\\T\\a.txt", "rmdir C:\\P\\T\\link",
                                             "list C:\\P\\T\\sub", "del C:\\P\\T\\sub\\b.txt", "rmdir C:\\P\\T\\sub",
                                             "rmdir C:\\P\\T"}));

    // The first failure stops the walk with its message.
    Log.clear();
    Ops.RemoveFile = [&](const std::string& P) { return P.find("b.txt") == std::string::npos; };
    EXPECT_FALSE(DeleteFolderTree("C:\\P\\T", Ops, Error));
    EXPECT_EQ(Error, "Delete file C:\\P\\T\\sub\\b.txt failed !");
    Ops.RemoveFile = [](const std::string&) { return true; };
    Ops.RemoveDir = [](const std::string& P) { return P != "C:\\P\\T"; };
    EXPECT_FALSE(DeleteFolderTree("C:\\P\\T", Ops, Error));
    EXPECT_EQ(Error, "Delete directory C:\\P\\T failed !");
}

TEST_F(TasksTest, EnablingFollowsTheSelection)
{
    WriteTask(Projects + "t.wrp", "Task", "http://www.example.com/t");
    CreateDirectoryA((Projects + "F").c_str(), nullptr);
    {
        TFileStream P(Projects + "plain.txt", fmCreate);
    }
    MakeForm();
    auto MenuOn = [&](uint16_t Id) { return ItemOf(Form.get(), Id)->GetEnabled(); };
    ASSERT_NE(ToolBarWindow(Form.get()), nullptr);
    auto ButtonOn = [&](uint16_t Id) { return ToolButtonEnabled(Form.get(), Id); };

    Select(Form->RootNode());
    EXPECT_FALSE(Enabled(maTasksDelete));
    EXPECT_FALSE(MenuOn(maTasksDelete));
    EXPECT_FALSE(ButtonOn(maTasksDelete));

    Select(NodeOfPath(Projects + "F"));
    for (uint16_t Id : {maTasksProp, maTasksRun, maTasksStop, maTasksRestart, maTasksSaveURL, maImageCollect})
        EXPECT_FALSE(Enabled(Id)) << Id;
    EXPECT_TRUE(Enabled(maTasksNewFolder));
    EXPECT_TRUE(Enabled(maTasksDelete));
    EXPECT_FALSE(Form->DownloadedPanel->GetVisible());

    TTreeNode* TaskNode = NodeOfText("Task");
    Select(TaskNode);
    EXPECT_TRUE(Enabled(maTasksRun));
    EXPECT_TRUE(Enabled(maTasksDelete));
    EXPECT_TRUE(Enabled(maTasksProp));
    EXPECT_FALSE(Enabled(maTasksStop));
    EXPECT_FALSE(Enabled(maTasksNewFolder));
    EXPECT_TRUE(Form->DownloadedPanel->GetVisible());
    EXPECT_TRUE(MenuOn(maTasksRun));
    EXPECT_TRUE(ButtonOn(maTasksRun));
    EXPECT_FALSE(ButtonOn(maTasksStop));
    EXPECT_FALSE(Enabled(maTasksStopAll));

    // Running (state only: no worker is started here).
    TTask* T = Form->TaskOfNode(TaskNode);
    T->SetState(tsRunning);
    Form->UpdateActions(false);
    EXPECT_FALSE(Enabled(maTasksRun));
    EXPECT_FALSE(Enabled(maTasksDelete));
    EXPECT_FALSE(Enabled(maTasksProp));
    EXPECT_TRUE(Enabled(maTasksStop));
    EXPECT_TRUE(Enabled(maTasksStopAll));
    EXPECT_FALSE(MenuOn(maTasksRun));
    EXPECT_TRUE(ButtonOn(maTasksStop));
    T->SetState(tsStopped);
    Form->UpdateActions(false);
    EXPECT_FALSE(Enabled(maTasksStopAll));

    // A command whose action is disabled does nothing.
    Select(Form->RootNode());
    const int32_t Before = Form->RootNode()->GetCount();
    Command(maTasksDelete);
    PumpFor(50);
    EXPECT_EQ(Form->RootNode()->GetCount(), Before);
    EXPECT_EQ(TestSupport::VisibleThreadWindows().size(), 1u);

    Select(NodeOfText("plain.txt"));
    for (uint16_t Id : {maTasksProp, maTasksRun, maTasksStop, maTasksRestart, maTasksSaveURL, maImageCollect})
        EXPECT_FALSE(Enabled(Id)) << Id;
    // The image commands stay off until the images pane exists.
    EXPECT_FALSE(Enabled(maImageDelete));
    Select(nullptr);
}

TEST_F(TasksTest, LeavingATaskWritesItsOwnFileAndEnteringFillsTheLists)
{
    const std::string Path = Projects + "file-name.wrp";
    WriteTask(Path, "Other Name", "http://www.example.com/s");
    CreateDirectoryA((Projects + "F").c_str(), nullptr);
    // Addresses: one done, two pending (one of them empty), one failed.
    {
        TTask T;
        T.LoadFromFile(Path);
        auto Add = [&](const std::string& U, bool Done) {
            auto* I = new TTaskItem(&T, U);
            I->SetDone(Done);
            I->SetDepth(1);
            T.GetItems()->Add(I);
        };
        Add("http://www.example.com/done", true);
        Add("http://www.example.com/pending", false);
        T.GetFailedList()->Add(new TTaskItem(&T, "http://www.example.com/failed"));
        T.SaveToFile(Path);
    }
    MakeForm();
    TTreeNode* N = NodeOfPath(Path);
    Select(N);
    ASSERT_EQ(Form->FilesListView->GetItems()->GetCount(), 1);
    EXPECT_EQ(Form->FilesListView->GetItems()->GetItem(0)->GetSubItems()->GetStrings(0), "http://www.example.com/pending");
    ASSERT_EQ(Form->FailedUrlListView->GetItems()->GetCount(), 1);
    EXPECT_EQ(Form->FailedUrlListView->GetItems()->GetItem(0)->GetCaption(), "http://www.example.com/failed");
    EXPECT_TRUE(Form->TaskOfNode(N)->GetSelected());

    const int Files = CountFiles(Projects);
    const FILETIME Before = WriteTime(Path);
    Sleep(20);
    Select(NodeOfPath(Projects + "F"));
    EXPECT_EQ(CountFiles(Projects), Files); // no "Other Name.wrp"
    EXPECT_FALSE(FileExistsA(Projects + "Other Name.wrp"));
    const FILETIME After = WriteTime(Path);
    EXPECT_NE(CompareFileTime(&After, &Before), -1);
    EXPECT_EQ(Form->FilesListView->GetItems()->GetCount(), 0);
    EXPECT_EQ(Form->FailedUrlListView->GetItems()->GetCount(), 0);
    EXPECT_EQ(Form->ImagesListView->GetItems()->GetCount(), 0);
    EXPECT_FALSE(Form->TaskOfNode(N)->GetSelected());
}

TEST_F(TasksTest, RefreshShowsNewFilesAndKeepsLoadedTasks)
{
    WriteTask(Projects + "kept.wrp", "Kept", "http://www.example.com/k");
    MakeForm();
    TTask* Kept = Form->TaskOfNode(NodeOfText("Kept"));
    ASSERT_NE(Kept, nullptr);
    WriteTask(Projects + "copied.wrp", "Copied", "http://www.example.com/c");
    Command(maTasksRefresh);
    EXPECT_NE(NodeOfText("Copied"), nullptr);
    EXPECT_EQ(Form->TaskOfNode(NodeOfText("Kept")), Kept);
    EXPECT_EQ(Kept->GetTreeNode(), NodeOfText("Kept"));
    EXPECT_EQ(Form->FilesListView->GetItems()->GetCount(), 0);
}

TEST_F(TasksTest, SaveURLWritesDoneAndPendingAddresses)
{
    const std::string Path = Projects + "urls.wrp";
    WriteTask(Path, "Urls", "http://h.test/");
    {
        TTask T;
        T.LoadFromFile(Path);
        auto* A = new TTaskItem(&T, "http://h.test/a");
        A->SetDone(true);
        T.GetItems()->Add(A);
        T.GetItems()->Add(new TTaskItem(&T, "http://h.test/b"));
        T.SaveToFile(Path);
    }
    MakeForm();
    Select(NodeOfPath(Path));
    ASSERT_TRUE(Enabled(maTasksSaveURL));
    const std::string Target = Temp.Path() + "list";
    // The save dialog: the name typed without extension.
    bool Typed = false;
    TDialogAnswerer Save("", IDOK, [&] {
        if (!TypeNameIntoSaveDialog(Target))
            return false;
        Typed = true;
        return true;
    });
    Command(maTasksSaveURL);
    ASSERT_TRUE(Typed);
    EXPECT_EQ(ReadAll(Target + ".txt"), "* Finished item.\r\n\r\n* http://h.test/a\r\n  http://h.test/b\r\n");
    Select(nullptr);
}

// The proxy lives in the options only (the task dialog has none): every task made here takes it,
// a task written before keeps the one it was written with.
class ProxyTasksTest : public TasksTest {
protected:
    ProxyTasksTest()
    {
        Seed = [](TRegSettings& S) {
            S.GetOptions()->SetDefaultTaskAdded(false); // the samples are written at the start
            S.GetOptions()->SetUseProxyServer(true);
            S.GetOptions()->SetProxyServerAddr("127.0.0.1");
            S.GetOptions()->SetProxyServerPort(3128);
        };
    }
    static void ExpectProxy(const std::string& Path, bool Use, const std::string& Host, int32_t Port)
    {
        TTask T;
        T.LoadFromFile(Path);
        EXPECT_EQ(T.GetOptions()->GetUseProxyServer(), Use) << Path;
        EXPECT_EQ(T.GetOptions()->GetProxyServerAddr(), Host) << Path;
        EXPECT_EQ(T.GetOptions()->GetProxyServerPort(), Port) << Path;
    }
};

TEST_F(ProxyTasksTest, NewSampleAndImportedTasksTakeTheProxyOfTheOptionsAndWrittenTasksKeepTheirs)
{
    MakeForm();
    int Samples = 0;
    for (const TSampleTask& S : SampleTasks()) {
        ExpectProxy(Projects + S.Folder + "\\" + S.Title + ".wrp", true, "127.0.0.1", 3128);
        ++Samples;
    }
    EXPECT_EQ(Samples, 15);

    NewTask("Through");
    ExpectProxy(Projects + "Through.wrp", true, "127.0.0.1", 3128);

    TRegOptions* Global = Form->Settings->GetOptions();
    Global->SetProxyServerAddr("proxy.example.com");
    Global->SetProxyServerPort(8080);
    TProjectItem Project;
    Project.SetName("Imported");
    Project.SetURL("http://www.example.com/i");
    Project.SetCategory("");
    ASSERT_NE(Form->AddImportedProject(&Project), nullptr);
    ExpectProxy(Projects + "Imported.wrp", true, "proxy.example.com", 8080);

    // Proxy off in the options: a new task goes direct, the tasks written before keep theirs,
    // also when their properties are edited.
    Global->SetUseProxyServer(false);
    NewTask("Direct");
    ExpectProxy(Projects + "Direct.wrp", false, "proxy.example.com", 8080);
    Select(NodeOfPath(Projects + "Through.wrp"));
    TFormAnswerer Edit("Edit Task", [](TCustomForm* F) { Press(dynamic_cast<TTaskForm*>(F)->OkButton); });
    Command(maTasksProp);
    EXPECT_EQ(Edit.Count(), 1);
    ExpectProxy(Projects + "Through.wrp", true, "127.0.0.1", 3128);
    Select(nullptr);
}

} // namespace
