// The main window's clock (report page, scheduler), a task's end and the run queue.

#include <algorithm>
#include <cmath>

#include "app/FolderTree.h"
#include "app/ShutdownForm.h"
#include "platform/rtl/DateUtils.h"
#include "tests/app/MainFormFixture.h"

using namespace MainFormTest;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;
using TestSupport::TDialogAnswerer;

namespace {

class ClockTest : public ServedMainFormFixture {};

// ---------------------------------------------------------------------------------------------
// Report page and scheduler.

TEST_F(ClockTest, ReportFollowsTheSelectedTaskOnlyOnTheReportTab)
{
    SlowTask("A");
    MakeForm();
    CreateDirectoryA((Projects + "Sub").c_str(), nullptr);
    Form->StateTabSet->SetTabIndex(0);
    Select(Node("A"));
    Form->TimerTimer(nullptr);
    EXPECT_EQ(Form->ReportListView->GetItems()->GetCount(), 0) << "the Log tab shown: no report";

    Form->StateTabSet->SetTabIndex(1);
    EXPECT_TRUE(Form->ReportListView->GetVisible() && IsWindowVisible(Form->ReportListView->GetHandle()));
    EXPECT_FALSE(IsWindowVisible(Form->LogEdit->GetHandle()));
    Form->TimerTimer(nullptr);
    TListItems* Rows = Form->ReportListView->GetItems();
    ASSERT_EQ(Rows->GetCount(), 3);
    const char* Expected[3][3] = {{"Name", "A", "Name of project"},
                                  {"URL", "", "Primary URL"},
                                  {"Files", "0/0", "Finished/Found"}};
    for (int I = 0; I < 3; ++I) {
        TListItem* R = Rows->GetItem(I);
        EXPECT_EQ(R->GetCaption(), Expected[I][0]);
        if (I != 1) {
            EXPECT_EQ(R->GetSubItems()->GetStrings(0), Expected[I][1]);
        }
        EXPECT_EQ(R->GetSubItems()->GetStrings(1), Expected[I][2]);
        EXPECT_EQ(R->GetImageIndex(), 3);
    }
    EXPECT_EQ(Rows->GetItem(1)->GetSubItems()->GetStrings(0), Server.Url("/A/index.html"));

    // Running: "Files" follows the done count and the number of addresses.
    Run("A");
    TTask* T = Task("A");
    ASSERT_EQ(T->GetState(), tsRunning);
    for (int I = 0; I < 3; ++I)
        Form->TimerTimer(nullptr);
    EXPECT_EQ(Rows->GetItem(2)->GetSubItems()->GetStrings(0),
              std::to_string(T->GetDoneCount()) + "/" + std::to_string(T->GetItems()->GetCount()));
    EXPECT_GE(T->GetItems()->GetCount(), 1);

    // Back on the Log tab the notebook shows the log again.
    Form->StateTabSet->SetTabIndex(0);
    EXPECT_TRUE(IsWindowVisible(Form->LogEdit->GetHandle()));
    EXPECT_FALSE(IsWindowVisible(Form->ReportListView->GetHandle()));
    // A folder selected empties the report.
    Select(Form->RootNode());
    Form->TimerTimer(nullptr);
    EXPECT_EQ(Rows->GetCount(), 0);
}

TEST_F(ClockTest, SchedulerStartsDueLoadedStoppedTasksOnly)
{
    const double Today = std::floor(Now());
    auto Weekly = [Today](TTask& T) {
        T.GetOptions()->GetScheme()->SetSchemeType(3);
        T.GetOptions()->GetScheme()->SetStartDate(Today - 14);
    };
    SlowTask("Plain");
    SlowTask("Unused", Weekly);
    MakeForm();
    Form->Timer->SetEnabled(false);
    Form->Clock = [Today] { return Today + 0.5; };
    // Only the selected task is loaded: a due task whose node was never used is not started.
    Select(Node("Plain"));
    for (int I = 0; I < 3; ++I)
        Form->TimerTimer(nullptr);
    EXPECT_EQ(Form->LoadedTaskOf(Projects + "Unused.wrp"), nullptr);
    EXPECT_EQ(Node("Unused")->GetImageIndex(), tiStoppedTask);
    EXPECT_EQ(Task("Plain")->GetState(), tsStopped);
}

TEST_F(ClockTest, SchedulerStartsADueTaskBesideRunningOnesButNoQueuedOne)
{
    const double Today = std::floor(Now());
    auto Weekly = [Today](TTask& T) {
        T.GetOptions()->GetScheme()->SetSchemeType(3);
        T.GetOptions()->GetScheme()->SetStartDate(Today - 14);
    };
    SlowTask("Due", Weekly);
    SlowTask("Queued", Weekly);
    SlowTask("R1");
    SlowTask("R2");
    SlowTask("R3");
    MakeForm();
    Form->Timer->SetEnabled(false);
    double Clock = Today - 100; // not due while the others are started
    Form->Clock = [&Clock] { return Clock; };
    Run("R1");
    Run("R2");
    Run("R3");
    Run("Queued"); // a fourth start is queued
    TTask* Q = Task("Queued");
    ASSERT_EQ(Q->GetState(), tsQueued);
    Select(Node("Due"));
    TTask* T = Task("Due");
    ASSERT_NE(T, nullptr);
    EXPECT_EQ(T->GetState(), tsStopped);
    Clock = Today + 0.5;
    for (int I = 0; I < 3 && T->GetState() != tsRunning; ++I)
        Form->TimerTimer(nullptr);
    EXPECT_EQ(T->GetState(), tsRunning) << "due while three other tasks run";
    EXPECT_EQ(Node("Due")->GetImageIndex(), tiRunningTask);
    EXPECT_EQ(Q->GetState(), tsQueued) << "a queued task is never started by the scheduler";
    for (const char* N : {"R1", "R2", "R3"})
        EXPECT_EQ(Task(N)->GetState(), tsRunning) << N;
}

TEST_F(ClockTest, ScheduleFiresOncePerDueMoment)
{
    double Clock = std::floor(Now()) + 0.25;
    const std::string Path = FiniteTask("Daily", [&](TTask& T) {
        T.GetOptions()->GetScheme()->SetSchemeType(2);
        T.GetOptions()->GetScheme()->SetStartDate(std::floor(Clock) - 3);
    });
    MakeForm();
    Form->Timer->SetEnabled(false); // ticks are driven here
    Form->Clock = [&Clock] { return Clock; };
    Select(Node("Daily"));
    TTask* T = Task("Daily");
    ASSERT_NE(T, nullptr);
    int Finished = 0;
    T->SetOnFinish([this, &Finished](TObject* S) {
        ++Finished;
        Form->TaskFinished(S);
    });
    Form->TimerTimer(nullptr);
    EXPECT_NE(T->GetState(), tsStopped) << "due today: started";
    ASSERT_TRUE(PumpUntil([T] { return T->GetState() == tsStopped; }, 20000, "the daily task ending"));
    EXPECT_EQ(Finished, 1);
    // The rest of the day: stopped at every tick.
    for (int I = 0; I < 5; ++I) {
        Clock += 0.1;
        Form->TimerTimer(nullptr);
        EXPECT_EQ(T->GetState(), tsStopped) << "tick " << I;
    }
    // The next day's moment starts it again; a task with every address done ends at once.
    Clock = std::floor(Clock) + 1 + 0.01;
    Form->TimerTimer(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Finished == 2 && T->GetState() == tsStopped; }, 20000,
                          "the second day's run ending"));
    Form->TimerTimer(nullptr);
    EXPECT_EQ(T->GetState(), tsStopped);
    EXPECT_TRUE(FileExistsA(Path));
}

// ---------------------------------------------------------------------------------------------
// Task end and the run queue.

TEST_F(ClockTest, FinishedTaskIsSavedAndOnlyPartialFilesInSavedGo)
{
    const std::string Path = FiniteTask("Fin");
    const std::string Saved = Downloads + "Fin\\Saved\\";
    CreateDirectoryA((Downloads + "Fin").c_str(), nullptr);
    CreateDirectoryA(Saved.c_str(), nullptr);
    CreateDirectoryA((Saved + "sub").c_str(), nullptr);
    CreateDirectoryA((Downloads + "Fin\\Other").c_str(), nullptr);
    auto Touch = [](const std::string& P) {
        HANDLE H = CreateFileA(P.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD W = 0;
        WriteFile(H, "data", 4, &W, nullptr);
        CloseHandle(H);
    };
    for (const char* F : {"x.jpg!!wr", "x.jpg", "hot.jpg!.jpg", "y.jpeg!3!!wr", "z.gif!1!!wr", "sub\\p.jpg!!wr"})
        Touch(Saved + F);
    Touch(Downloads + "Fin\\Other\\q.jpg!!wr");
    const FILETIME Before = WriteTime(Path);
    FILETIME After{};
    PumpFor(30); // the file times differ
    Sleep(20);
    MakeForm();
    Run("Fin");
    TTask* T = Task("Fin");
    ASSERT_TRUE(PumpUntil([T] { return T->GetState() == tsStopped; }, 20000, "the task ending by itself"));
    PumpFor(50);
    EXPECT_EQ(Node("Fin")->GetImageIndex(), tiStoppedTask);
    EXPECT_EQ(Form->FilesListView->GetItems()->GetCount(), 0);
    After = WriteTime(Path);
    EXPECT_NE(CompareFileTime(&Before, &After), 0) << "the project file is written again";
    TTask Reloaded;
    Reloaded.LoadFromFile(Path);
    EXPECT_EQ(Reloaded.GetDoneCount(), T->GetDoneCount());
    EXPECT_GE(Reloaded.GetDoneCount(), 1);

    EXPECT_FALSE(FileExistsA(Saved + "x.jpg!!wr"));
    EXPECT_FALSE(FileExistsA(Saved + "y.jpeg!3!!wr"));
    EXPECT_FALSE(FileExistsA(Saved + "z.gif!1!!wr"));
    EXPECT_TRUE(FileExistsA(Saved + "x.jpg"));
    EXPECT_TRUE(FileExistsA(Saved + "hot.jpg!.jpg")) << "a finished picture matching the mask stays";
    EXPECT_TRUE(FileExistsA(Saved + "sub\\p.jpg!!wr"));
    EXPECT_TRUE(FileExistsA(Downloads + "Fin\\Other\\q.jpg!!wr"));
}

TEST_F(ClockTest, UnwritableProjectFileGivesALogLineAndCleanUpStillRuns)
{
    CreateDirectoryA((Projects + "Gone").c_str(), nullptr);
    Server.SetDefaults("{\"delay\": 2}");
    TTask Src;
    Src.SetName("G");
    Src.SetStartURL(Server.Url("/G/index.html"));
    Src.SetID("{G-gone}");
    Src.GetOptions()->SetDefaultFolder(Downloads + "G\\");
    Src.SaveToFile(Projects + "Gone\\G.wrp");
    CreateDirectoryA((Downloads + "G").c_str(), nullptr);
    CreateDirectoryA((Downloads + "G\\Saved").c_str(), nullptr);
    HANDLE H = CreateFileA((Downloads + "G\\Saved\\a.jpg!!wr").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                           nullptr);
    CloseHandle(H);
    MakeForm();
    TTreeNode* N = NodeOfPath(Projects + "Gone\\G.wrp");
    ASSERT_NE(N, nullptr);
    Select(N);
    Command(maTasksRun);
    TTask* T = Form->TaskOfNode(N);
    ASSERT_EQ(T->GetState(), tsRunning);
    std::string Error;
    ASSERT_TRUE(DeleteFolderTree(Projects + "Gone", TFolderTreeOps::System(), Error)) << Error;
    TDialogAnswerer NoBox("", IDOK);
    ASSERT_TRUE(PumpUntil([T] { return T->GetState() == tsStopped; }, 30000, "the task ending"));
    PumpFor(100);
    EXPECT_EQ(NoBox.AnsweredCount(), 0) << "no error box";
    EXPECT_EQ(LogLinesContaining("G.wrp"), 1);
    EXPECT_FALSE(FileExistsA(Downloads + "G\\Saved\\a.jpg!!wr"));
}

TEST_F(ClockTest, EndOfARunningTaskStartsTheQueuedTaskWithTheLowestTicket)
{
    for (const char* N : {"A", "B", "C", "D", "E"})
        SlowTask(N);
    MakeForm();
    for (const char* N : {"A", "B", "C", "D", "E"})
        Run(N);
    TTask* D = Task("D");
    TTask* E = Task("E");
    ASSERT_EQ(D->GetState(), tsQueued);
    ASSERT_EQ(E->GetState(), tsQueued);
    ASSERT_LT(D->GetQueueTicket(), E->GetQueueTicket());
    Select(Node("A"));
    Command(maTasksStop);
    EXPECT_EQ(D->GetState(), tsRunning);
    EXPECT_EQ(Node("D")->GetImageIndex(), tiRunningTask);
    EXPECT_EQ(E->GetState(), tsQueued);
    EXPECT_FALSE(D->GetSelected()) << "D is not the shown task";
    ASSERT_TRUE(PumpUntilTicked(Form->Timer, 1, "a tick of the window's clock"));
    TTask* A = Task("A");
    std::vector<TTaskItem*> DItems = D->GetItems()->Snapshot();
    for (int32_t I = 0; I < Form->FilesListView->GetItems()->GetCount(); ++I) {
        void* Data = Form->FilesListView->GetItems()->GetItem(I)->GetData();
        EXPECT_EQ(std::find(DItems.begin(), DItems.end(), static_cast<TTaskItem*>(Data)), DItems.end())
            << "a row of D among A's rows";
    }
    EXPECT_EQ(A->GetState(), tsStopped);
}

TEST_F(ClockTest, StopAllStartsNoQueuedTask)
{
    for (const char* N : {"A", "B", "C", "D"})
        SlowTask(N);
    MakeForm();
    for (const char* N : {"A", "B", "C", "D"})
        Run(N);
    TTask* D = Task("D");
    ASSERT_EQ(D->GetState(), tsQueued);
    Command(maTasksStopAll);
    EXPECT_EQ(D->GetState(), tsStopped);
    EXPECT_EQ(D->GetQueueTicket(), -1);
    for (const char* N : {"A", "B", "C"})
        EXPECT_EQ(Task(N)->GetState(), tsStopped) << N;
    Run("A");
    Command(maTasksStop);
    EXPECT_EQ(D->GetState(), tsStopped) << "a later end starts nothing that Stop all dropped";
}

class AutoShutDownTest : public ServedMainFormFixture {
protected:
    AutoShutDownTest() { Seed = [](TRegSettings& S) { S.GetOptions()->SetAutoShutDown(true); }; }
};

TEST_F(AutoShutDownTest, LastTaskStoppedOffersTheCountdown)
{
    SlowTask("A");
    SlowTask("B");
    MakeForm();
    Run("A");
    Run("B");
    {
        TFormAnswerer Any("Shutdown computer", [](TCustomForm* F) { F->SetModalResult(mrCancel); });
        Select(Node("A"));
        Command(maTasksStop);
        EXPECT_EQ(Any.Count(), 0) << "one task still runs";
    }
    {
        TFormAnswerer Cancel("Shutdown computer", [](TCustomForm* F) {
            Press(static_cast<TShutdownForm*>(F)->CancelButton);
        });
        Select(Node("B"));
        Command(maTasksStop);
        EXPECT_EQ(Cancel.Count(), 1);
    }
    EXPECT_EQ(SeamLinesContaining("shutdown"), 0);
    Run("A");
    {
        TFormAnswerer Restart("Shutdown computer", [](TCustomForm* F) { F->SetModalResult(mrCancel); });
        TDialogAnswerer Yes("", IDYES);
        Select(Node("A"));
        Command(maTasksRestart);
        EXPECT_EQ(Restart.Count(), 0) << "a restart is not the end of the work";
        EXPECT_EQ(Task("A")->GetState(), tsRunning);
    }
    {
        bool Shot = false;
        TFormAnswerer Countdown("Shutdown computer", [this, &Shot](TCustomForm* F) {
            auto* S = static_cast<TShutdownForm*>(F);
            PumpFor(150);
            Shot = ScreenshotOfWindows(Form->GetHandle(), F->GetHandle(), "main-countdown.bmp");
            S->Timer->SetEnabled(false);
            for (int I = 0; I < TShutdownForm::Seconds; ++I)
                S->TimerTimer(nullptr);
        });
        Command(maTasksStop);
        EXPECT_EQ(Countdown.Count(), 1);
        EXPECT_TRUE(Shot);
    }
    const std::vector<std::string> Lines = SeamLines();
    EXPECT_EQ(std::count(Lines.begin(), Lines.end(), "shutdown\t8"), 1);
    EXPECT_EQ(SeamLinesContaining("shutdown"), 1);
}

} // namespace
