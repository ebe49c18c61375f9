// Run, Stop, queueing, Stop all and Restart against the loopback test server, whose pages never
// answer (a long delay), so tasks stay running until they are stopped.

#include "app/MainForm.h"
#include "app/NewFolderForm.h"
#include "app/WaitForm.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Files.h"
#include "tests/app/MainFormFixture.h"
#include "tests/support/TestServer.h"

using namespace MainFormTest;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;
using TestSupport::TDialogAnswerer;

namespace {

class RunTest : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        ASSERT_TRUE(Server.Available());
        Server.Reset();
        Server.SetDefaults("{\"delay\": 60}");
    }
    void TearDown() override
    {
        if (Form && Form->TaskList)
            Form->TasksStopAllActionExecute(nullptr);
        MainFormFixture::TearDown();
        Server.Reset();
    }
    // A task file whose start page is slow.
    void SlowTask(const std::string& Name)
    {
        WriteTask(Projects + Name + ".wrp", Name, Server.Url("/" + Name + "/index.html"));
    }
    TTreeNode* Node(const std::string& Name) { return NodeOfPath(Projects + Name + ".wrp"); }
    TTask* Task(const std::string& Name) { return Form->TaskOfNode(Node(Name)); }
    void Run(const std::string& Name)
    {
        Select(Node(Name));
        Command(maTasksRun);
    }

    TTestServer Server;
};

TEST_F(RunTest, RunAndStopATask)
{
    SlowTask("A");
    MakeForm();
    TTreeNode* N = Node("A");
    Run("A");
    TTask* T = Task("A");
    ASSERT_NE(T, nullptr);
    EXPECT_EQ(T->GetState(), tsRunning);
    EXPECT_EQ(N->GetImageIndex(), tiRunningTask);
    EXPECT_FALSE(Enabled(maTasksRun));
    EXPECT_TRUE(Enabled(maTasksStop));
    EXPECT_TRUE(Enabled(maTasksStopAll));
    ASSERT_EQ(Form->FilesListView->GetItems()->GetCount(), 1);
    EXPECT_EQ(Form->FilesListView->GetItems()->GetItem(0)->GetImageIndex(), 1);
    EXPECT_EQ(Form->FilesListView->GetItems()->GetItem(0)->GetSubItems()->GetStrings(3), "0");

    {
        TDialogAnswerer Already("Sorry, current task already running !", IDOK);
        Form->TasksRunActionExecute(nullptr);
        EXPECT_EQ(Already.AnsweredCount(), 1);
        EXPECT_EQ(Already.Caption(), "Error");
    }
    EXPECT_TRUE(T->GetSelected());

    Command(maTasksStop);
    EXPECT_EQ(T->GetState(), tsStopped);
    EXPECT_EQ(N->GetImageIndex(), tiStoppedTask);
    ASSERT_NE(WaitForm, nullptr);
    EXPECT_FALSE(WaitForm->GetVisible());
    EXPECT_EQ(WaitForm->MessageLabel->GetCaption(), "Terminate threads");
    TTask Saved;
    Saved.LoadFromFile(TMainForm::NodePath(N));
    EXPECT_EQ(Saved.GetState(), tsStopped);
    for (int32_t I = 0; I < Form->FilesListView->GetItems()->GetCount(); ++I)
        EXPECT_EQ(Form->FilesListView->GetItems()->GetItem(I)->GetImageIndex(), 0);
    EXPECT_FALSE(Enabled(maTasksStopAll));
    {
        TDialogAnswerer Stopped("Sorry, current task already stopped !", IDOK);
        Form->TasksStopActionExecute(nullptr);
        EXPECT_EQ(Stopped.AnsweredCount(), 1);
    }
}

TEST_F(RunTest, AFourthTaskQueuesAndStopAllEndsEverything)
{
    for (const char* Name : {"A", "B", "C", "D"})
        SlowTask(Name);
    MakeForm();
    for (const char* Name : {"A", "B", "C"})
        Run(Name);
    ASSERT_EQ(Form->TaskList->GetRunningCount(), 3);
    // Run on one of the three running tasks does not queue it: it is told it runs already.
    Select(Node("A"));
    {
        TDialogAnswerer Already("Sorry, current task already running !", IDOK);
        Form->TasksRunActionExecute(nullptr);
        EXPECT_EQ(Already.AnsweredCount(), 1);
    }
    EXPECT_EQ(Task("A")->GetState(), tsRunning);
    EXPECT_EQ(Task("A")->GetQueueTicket(), -1);
    EXPECT_EQ(Node("A")->GetImageIndex(), tiRunningTask);
    Select(Node("D"));
    TTask* D = Task("D");
    std::vector<bool> Flags;
    for (TTask* T : Form->TaskList->Snapshot())
        Flags.push_back(T->GetSelected());
    Command(maTasksRun);
    EXPECT_EQ(D->GetState(), tsQueued);
    EXPECT_GE(D->GetQueueTicket(), 0);
    EXPECT_EQ(Node("D")->GetImageIndex(), tiQueuedTask);
    std::vector<bool> FlagsAfter;
    for (TTask* T : Form->TaskList->Snapshot())
        FlagsAfter.push_back(T->GetSelected());
    EXPECT_EQ(FlagsAfter, Flags);
    // Properties on a queued task is refused.
    {
        TDialogAnswerer Refused("Sorry, current task is running", IDOK);
        Form->TasksPropActionExecute(nullptr);
        EXPECT_EQ(Refused.AnsweredCount(), 1);
    }
    // Stop on the queued one: stopped, no ticket, no message.
    {
        TDialogAnswerer Any("", IDOK);
        Command(maTasksStop);
        PumpFor(100);
        EXPECT_EQ(Any.AnsweredCount(), 0);
    }
    EXPECT_EQ(D->GetState(), tsStopped);
    EXPECT_EQ(D->GetQueueTicket(), -1);
    EXPECT_EQ(Node("D")->GetImageIndex(), tiStoppedTask);

    // Stop all with C running and D queued (A and B stopped first).
    Select(Node("A"));
    Command(maTasksStop);
    Select(Node("B"));
    Command(maTasksStop);
    Run("D"); // C runs alone: D starts
    ASSERT_EQ(D->GetState(), tsRunning);
    Select(Node("D"));
    Command(maTasksStop);
    Run("A");
    Run("B");
    Select(Node("D"));
    Command(maTasksRun); // C, A, B run: D queues
    ASSERT_EQ(D->GetState(), tsQueued);
    TTask* C = Task("C");
    const FILETIME Before = WriteTime(C->GetFileName());
    Sleep(20);
    Command(maTasksStopAll);
    for (const char* Name : {"A", "B", "C", "D"}) {
        EXPECT_EQ(Task(Name)->GetState(), tsStopped) << Name;
        EXPECT_EQ(Node(Name)->GetImageIndex(), tiStoppedTask) << Name;
    }
    EXPECT_EQ(D->GetQueueTicket(), -1);
    const FILETIME After = WriteTime(C->GetFileName());
    EXPECT_EQ(CompareFileTime(&After, &Before), 1);
    EXPECT_EQ(WaitForm->MessageLabel->GetCaption(), "Terminate thread");
    EXPECT_FALSE(WaitForm->GetVisible());
    EXPECT_FALSE(Enabled(maTasksStopAll));
}

TEST_F(RunTest, RestartEmptiesTheAddressesKeepsTheFailedOnesAndStartsAgain)
{
    for (const char* Name : {"A", "B", "C", "R"})
        SlowTask(Name);
    {
        TTask T;
        T.LoadFromFile(Projects + "R.wrp");
        auto* Done = new TTaskItem(&T, Server.Url("/R/old.html"));
        Done->SetDone(true);
        T.GetItems()->Add(Done);
        T.SetDoneCount(1);
        T.SetSavedCount(4);
        T.GetFailedList()->Add(new TTaskItem(&T, Server.Url("/R/failed.jpg")));
        T.SaveToFile(Projects + "R.wrp");
    }
    MakeForm();
    // Every address done: Run asks the Restart question; No leaves it stopped.
    Select(Node("R"));
    {
        TDialogAnswerer No("This action will redownload images from specified url, are you sure ?", IDNO);
        Command(maTasksRun);
        EXPECT_EQ(No.AnsweredCount(), 1);
        EXPECT_EQ(No.Caption(), "Confirm");
    }
    TTask* R = Task("R");
    EXPECT_EQ(R->GetState(), tsStopped);
    EXPECT_EQ(Node("R")->GetImageIndex(), tiStoppedTask);

    for (const char* Name : {"A", "B", "C"})
        Run(Name);
    Select(Node("R"));
    {
        TDialogAnswerer No("This action will redownload", IDNO);
        Command(maTasksRestart);
        EXPECT_EQ(No.AnsweredCount(), 1);
    }
    EXPECT_EQ(R->GetItems()->GetCount(), 1);
    EXPECT_EQ(R->GetDoneCount(), 1);
    {
        TDialogAnswerer Yes("This action will redownload", IDYES);
        Command(maTasksRestart);
        EXPECT_EQ(Yes.AnsweredCount(), 1);
    }
    EXPECT_FALSE(Form->Restarting);
    EXPECT_EQ(R->GetState(), tsRunning);
    EXPECT_EQ(Form->TaskList->GetRunningCount(), 4);
    EXPECT_EQ(R->GetSavedCount(), 0);
    ASSERT_EQ(R->GetItems()->GetCount(), 1);
    EXPECT_EQ(R->GetItems()->GetItem(0)->GetAddress(), Server.Url("/R/index.html"));
    EXPECT_EQ(R->GetFailedList()->GetCount(), 1);
    ASSERT_EQ(Form->FilesListView->GetItems()->GetCount(), 1);
    EXPECT_EQ(Form->FilesListView->GetItems()->GetItem(0)->GetSubItems()->GetStrings(0), Server.Url("/R/index.html"));
    EXPECT_EQ(Form->FilesListView->GetItems()->GetItem(0)->GetSubItems()->GetStrings(3), "0");
    EXPECT_EQ(Form->FailedUrlListView->GetItems()->GetCount(), 1);
}

TEST_F(RunTest, TwoNodesOfOneTaskShowItRunning)
{
    const std::string ID = "{99999999-2222-3333-4444-555555555555}";
    WriteTask(Projects + "one.wrp", "One", Server.Url("/one/index.html"), ID);
    WriteTask(Projects + "two.wrp", "Two", Server.Url("/one/index.html"), ID);
    MakeForm();
    Select(NodeOfText("One"));
    Command(maTasksRun);
    EXPECT_EQ(NodeOfText("One")->GetImageIndex(), tiRunningTask);
    EXPECT_EQ(NodeOfText("Two")->GetImageIndex(), tiRunningTask);
    EXPECT_EQ(Form->TaskList->GetCount(), 1);
}

TEST_F(RunTest, ScreenshotsOfTheWindowWithARunningTaskAndOfTheNewFolderDialog)
{
    SlowTask("Shown task");
    CreateDirectoryA((Projects + "Folder").c_str(), nullptr);
    MakeForm();
    SetForegroundWindow(Form->GetHandle());
    Form->AddLog("A line of the log");
    Run("Shown task");
    ASSERT_EQ(Task("Shown task")->GetState(), tsRunning);
    PumpFor(300); // the window settles before its picture: nothing exposed to wait on
    RedrawWindow(Form->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(100);
    EXPECT_TRUE(ScreenshotOfWindow(Form->GetHandle(), "main-running-task.bmp"));

    Select(NodeOfPath(Projects + "Folder"));
    bool Shot = false;
    TFormAnswerer A("New Folder", [&](TCustomForm* F) {
        auto* D = dynamic_cast<TNewFolderForm*>(F);
        ASSERT_NE(D, nullptr);
        D->FolderNameEdit->SetText("Holiday pictures");
        RedrawWindow(D->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpFor(100);
        Shot = ScreenshotOfWindow(D->GetHandle(), "new-folder-dialog.bmp");
        Press(D->CancelButton);
    });
    Command(maTasksNewFolder);
    EXPECT_TRUE(Shot);
    EXPECT_FALSE(DirExists(Projects + "Folder\\Holiday pictures"));
}

} // namespace
