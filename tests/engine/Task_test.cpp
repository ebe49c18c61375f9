// The task model with stand-in workers: start, refill, stop, queue, priority and rows; and the
// crawl worker's hold of the list mutexes, against the private test web server.
#include "engine/Task.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/RegSettings.h"
#include "engine/TaskStandIn.h"
#include "engine/TaskThread.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/StringList.h"
#include "platform/win/Files.h"
#include "tests/support/TestServer.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpFor;
using TestSupport::PumpUntil;

namespace {

struct TFixture {
    TTask Task;
    TRecordingListView Files, Failed, Images;
    TRecordingLogView Log;
    int Finished = 0;
    explicit TFixture(const std::string& Start = "http://www.site.test/")
    {
        Task.SetStartURL(Start);
        Task.SetWorkerMaker(MakeStandInWorker);
        Task.SetFilesListView(&Files);
        Task.SetFailedUrlListView(&Failed);
        Task.SetImagesListView(&Images);
        Task.SetLogEdit(&Log);
        Task.SetOnFinish([this](TObject*) { ++Finished; });
    }
    void AddPending(const std::string& URL)
    {
        auto* I = new TTaskItem(&Task, URL);
        I->SetDepth(1);
        Task.GetItems()->Add(I);
    }
};

// Runs a probe for every row added. Rows come inside a worker's synchronous call, so the probe
// runs while that worker waits for the user-interface thread.
class TProbingListView : public TRecordingListView {
public:
    std::function<void()> Probe;
    int32_t AddRow(const std::string& Caption, const std::vector<std::string>& SubItems, int32_t ImageIndex,
                   const void* Data, const std::string& DataText) override
    {
        if (Probe)
            Probe();
        return TRecordingListView::AddRow(Caption, SubItems, ImageIndex, Data, DataText);
    }
};

// Whether another worker of the task can take the list's mutex at this moment.
bool AnotherWorkerTakesTheMutex(TTask& Task, TTaskItemList* List)
{
    TTaskItem Item(&Task, "http://probe.test/p.jpg");
    TTaskThread Worker(&Task, &Item, Item.GetAddress());
    bool Taken = false;
    Worker.Body = [&](TTaskThread&) {
        Taken = List->GetMutex()->TryWait();
        if (Taken)
            List->ReleaseMutex();
    };
    Worker.Resume();
    Worker.WaitFor();
    return Taken;
}

} // namespace

TEST(Task, StartSeedsTheStartAddress)
{
    TFixture F("http://www.site.test/a.jpg?gate=seed");
    StandInCloseAllGates();
    F.Task.SetSelected(true);
    F.Task.Start();
    ASSERT_EQ(F.Task.GetItems()->GetCount(), 1);
    EXPECT_EQ(F.Task.GetItems()->GetItem(0)->GetDepth(), 0);
    ASSERT_EQ(F.Files.Rows().size(), 1u);
    EXPECT_EQ(F.Files.Rows()[0].ImageIndex, 1);
    EXPECT_EQ(F.Task.GetState(), tsRunning);
    StandInOpenGate("seed");
    ASSERT_TRUE(PumpUntil([&] { return F.Finished > 0; }));
    PumpFor(100);
    EXPECT_TRUE(F.Task.GetItems()->GetItem(0)->GetDone());
    EXPECT_EQ(F.Task.GetDoneCount(), 1);
    EXPECT_EQ(F.Task.GetState(), tsStopped);
    EXPECT_EQ(F.Finished, 1);
    EXPECT_TRUE(F.Files.Rows().empty());
}

TEST(Task, EightStartAtMostSevenRefill)
{
    StandInCloseAllGates();
    TFixture F;
    for (int I = 0; I < 20; ++I)
        F.AddPending("http://www.site.test/p" + std::to_string(I) + ".jpg?gate=g" + std::to_string(I));
    F.Task.Start();
    EXPECT_EQ(F.Task.GetRunningCount(), 8);
    StandInOpenGate("g0");
    ASSERT_TRUE(PumpUntil([&] { return F.Task.GetDoneCount() == 1; }));
    int Peak = F.Task.GetRunningCount();
    EXPECT_EQ(Peak, 7);
    for (int I = 1; I < 20; ++I) {
        StandInOpenGate("g" + std::to_string(I));
        PumpFor(10);
        Peak = std::max(Peak, F.Task.GetRunningCount());
    }
    ASSERT_TRUE(PumpUntil([&] { return F.Finished > 0; }));
    PumpFor(100);
    EXPECT_LE(Peak, 7);
    EXPECT_EQ(F.Task.GetDoneCount(), 20);
    EXPECT_EQ(F.Task.GetState(), tsStopped);
    EXPECT_EQ(F.Finished, 1);
}

TEST(Task, AnEndedWorkerIsNotKeptByItsItem)
{
    // A long crawl must not hold a thread object (and its handle) for every address it did.
    StandInCloseAllGates();
    TFixture F;
    for (int I = 0; I < 12; ++I)
        F.AddPending("http://www.site.test/e" + std::to_string(I) + ".jpg?gate=e" + std::to_string(I));
    F.Task.Start();
    for (int I = 0; I < 12; ++I) {
        StandInOpenGate("e" + std::to_string(I));
        ASSERT_TRUE(PumpUntil([&] { return F.Task.GetDoneCount() == I + 1; }));
        for (TTaskItem* Item : F.Task.GetItems()->Snapshot()) {
            if (Item->GetDone()) {
                EXPECT_EQ(Item->GetThread(), nullptr) << Item->GetAddress();
            }
        }
    }
    ASSERT_TRUE(PumpUntil([&] { return F.Finished > 0; }));
    EXPECT_EQ(F.Task.GetDoneCount(), 12);
    EXPECT_EQ(F.Finished, 1);
    // A restart of a done item starts a new worker as before.
    TTaskItem* First = F.Task.GetItems()->GetItem(0);
    First->SetDone(false);
    StandInOpenGate("e0");
    F.Task.Start();
    ASSERT_TRUE(PumpUntil([&] { return F.Finished > 1; }));
    EXPECT_TRUE(First->GetDone());
    EXPECT_EQ(First->GetThread(), nullptr);
}

TEST(Task, PriorityOrder)
{
    TTask T;
    T.SetStartURL("http://www.site.test/");
    auto* L = T.GetItems();
    auto Add = [&](const std::string& U) { return L->AddSorted(new TTaskItem(&T, U)); };
    Add("http://other.test/a");
    Add("http://img.site.test/a");
    Add("http://www.site.test/a");
    Add("http://www.site.test/longer");
    Add("http://www.site.test/b");
    std::vector<std::string> Got;
    for (auto* I : L->Snapshot())
        Got.push_back(I->GetAddress());
    EXPECT_EQ(Got, (std::vector<std::string>{"http://www.site.test/longer", "http://www.site.test/a",
                                             "http://www.site.test/b", "http://img.site.test/a",
                                             "http://other.test/a"}));
    TTaskItem Dup(&T, "http://www.site.test/a");
    EXPECT_EQ(L->AddSorted(&Dup), 1);
    EXPECT_EQ(L->GetCount(), 5);
    TTaskItem NoURI(&T);
    EXPECT_EQ(NoURI.Priority(), 0);
    EXPECT_EQ(TTaskItem(&T, "http://www.site.test/a").Priority(), 9000 + 22);
}

TEST(Task, PriorityDifferential)
{
    TTask T;
    T.SetStartURL("http://www.site.test/");
    const char* Hosts[] = {"www.site.test", "img.site.test", "other.test", "WWW.SITE.TEST"};
    std::mt19937 R(7);
    std::vector<std::pair<std::string, int32_t>> Ref; // linear reference
    std::set<std::string> Seen;
    for (int N = 0; N < 50000; ++N) {
        std::string U = std::string("http://") + Hosts[R() % 4] + "/" + std::string(R() % 20, 'a') +
                        std::to_string(R() % 20000);
        auto* Item = new TTaskItem(&T, U);
        int32_t Got = T.GetItems()->AddSorted(Item);
        if (Seen.count(Item->GetAddress())) {
            auto It = std::find_if(Ref.rbegin(), Ref.rend(), [&](auto& E) { return E.first == Item->GetAddress(); });
            ASSERT_EQ(Got, static_cast<int32_t>(Ref.rend() - It - 1));
            delete Item;
            continue;
        }
        Seen.insert(Item->GetAddress());
        size_t At = Ref.size();
        for (size_t I = 0; I < Ref.size(); ++I)
            if (Ref[I].second < Item->Priority()) {
                At = I;
                break;
            }
        Ref.insert(Ref.begin() + At, {Item->GetAddress(), Item->Priority()});
        ASSERT_EQ(Got, static_cast<int32_t>(At));
    }
    auto Snap = T.GetItems()->Snapshot();
    ASSERT_EQ(Snap.size(), Ref.size());
    for (size_t I = 0; I < Ref.size(); ++I)
        ASSERT_EQ(Snap[I]->GetAddress(), Ref[I].first);
}

TEST(Task, QueueTickets)
{
    TTaskList L;
    TTask A, B, C;
    L.Add(&A);
    L.Add(&B);
    EXPECT_EQ(L.NextQueued(), nullptr);
    A.SetState(2);
    B.SetState(2);
    EXPECT_EQ(B.GetQueueTicket(), A.GetQueueTicket() + 1);
    EXPECT_EQ(L.NextQueued(), &A);
    A.SetState(1);
    EXPECT_EQ(A.GetQueueTicket(), -1);
    EXPECT_EQ(L.NextQueued(), &B);
    B.Stop();
    EXPECT_NE(B.GetQueueTicket(), -1);
    B.Start();
    PumpFor(50);
    EXPECT_EQ(B.GetQueueTicket(), -1);
    L.Add(&C);
    L.Clear();
    EXPECT_EQ(L.GetCount(), 0);
}

TEST(Task, StopRemovesPartialFilesAndKeepsPending)
{
    StandInCloseAllGates();
    TestSupport::TTempFolder Dir;
    TFixture F;
    F.Task.GetOptions()->SetDefaultFolder(Dir.Path());
    for (int I = 0; I < 3; ++I) {
        auto* D = new TTaskItem(&F.Task, "http://www.site.test/d" + std::to_string(I) + ".jpg");
        D->SetDone(true);
        F.Task.GetItems()->Add(D);
    }
    F.Task.SetDoneCount(3);
    for (int I = 0; I < 8; ++I)
        F.AddPending("http://www.site.test/s" + std::to_string(I) + ".jpg?partial=1&gate=never");
    F.AddPending("http://www.site.test/later.jpg");
    F.Task.Start();
    EXPECT_EQ(F.Task.GetRunningCount(), 8);
    PumpFor(100);
    std::vector<std::string> Temps;
    for (auto* I : F.Task.GetItems()->Snapshot())
        if (!I->GetTempFileName().empty())
            Temps.push_back(I->GetTempFileName());
    EXPECT_EQ(Temps.size(), 8u);
    for (auto& T : Temps)
        EXPECT_TRUE(FileExists(T)) << T;
    int Before = F.Finished;
    F.Task.Stop();
    EXPECT_EQ(F.Finished, Before + 1);
    EXPECT_EQ(F.Task.GetRunningCount(), 0);
    for (auto& T : Temps)
        EXPECT_FALSE(FileExists(T)) << T;
    for (auto* I : F.Task.GetItems()->Snapshot())
        EXPECT_EQ(I->GetThread(), nullptr);
    PumpFor(300);
    EXPECT_EQ(F.Task.GetDoneCount(), 3);
    TMemoryStream M;
    F.Task.SaveToStream(&M);
    std::string Text(static_cast<const char*>(M.Memory()) + kProjectHeaderSize + kOptionsRecordSize,
                     static_cast<size_t>(M.GetSize()) - kProjectHeaderSize - kOptionsRecordSize);
    EXPECT_EQ(std::count(Text.begin(), Text.end(), '\n'), 12);
    for (int I = 0; I < 8; ++I)
        EXPECT_NE(Text.find("0,1,http://www.site.test/s" + std::to_string(I) + ".jpg"), std::string::npos);
    EXPECT_NE(Text.find("0,1,http://www.site.test/s0.jpg?partial=1&gate=never\r\n"), std::string::npos);
    // A second start runs exactly the stopped ones.
    F.Task.Start();
    EXPECT_EQ(F.Task.GetRunningCount(), 8);
    for (auto* I : F.Task.GetItems()->Snapshot())
        EXPECT_EQ(I->GetRunning(), I->GetAddress().find("/s") != std::string::npos) << I->GetAddress();
    F.Task.Stop();
    EXPECT_EQ(F.Finished, Before + 2);
}

TEST(Task, StopAtRandomMoments)
{
    TestSupport::TTempFolder Dir;
    std::mt19937 R(3);
    for (int Round = 0; Round < 200; ++Round) {
        TFixture F;
        F.Task.GetOptions()->SetDefaultFolder(Dir.Path());
        for (int I = 0; I < 10; ++I)
            F.AddPending("http://www.site.test/r" + std::to_string(I) + ".jpg?hold=" + std::to_string(R() % 8) +
                         (I % 2 ? "&partial=1" : "&fail=1"));
        F.Task.Start();
        PumpFor(R() % 10);
        F.Task.Stop();
        int Done = 0;
        for (auto* I : F.Task.GetItems()->Snapshot()) {
            if (I->GetDone())
                ++Done;
            ASSERT_FALSE(I->GetRunning());
        }
        ASSERT_EQ(Done, F.Task.GetDoneCount());
        PumpFor(5);
        ASSERT_EQ(Done, F.Task.GetDoneCount());
        ASSERT_EQ(F.Task.GetState(), tsStopped);
    }
}

// A worker marks its address done and goes on with the next by itself: addresses are handled
// while the user-interface thread serves nothing, each by one worker, once. The rows of the
// ended addresses follow once that thread serves its queue, and the task then finishes once.
TEST(Task, WorkersGoOnWithoutTheUserInterfaceThread)
{
    TFixture F;
    F.Task.SetSelected(true);
    std::vector<std::string> Addresses;
    for (int I = 0; I < 40; ++I) {
        Addresses.push_back("http://www.site.test/g" + std::to_string(I) + ".jpg?hold=" + std::to_string(I % 3) +
                            "&log=line" + std::to_string(I));
        F.AddPending(Addresses.back());
        F.Task.AddURLRow(F.Task.GetItems()->GetItem(I));
    }
    StandInResetFetches();
    StandInResetPeak();
    F.Task.Start();
    // Eight workers start; a fast one may already have marked its first address done.
    EXPECT_EQ(F.Task.GetWorkerCount(), 8);
    EXPECT_LE(F.Task.GetRunningCount(), 8);
    for (int I = 0; I < 20000 && F.Task.GetDoneCount() < 40; ++I)
        Sleep(1);
    ASSERT_EQ(F.Task.GetDoneCount(), 40);
    EXPECT_LE(StandInPeak(), 8);
    EXPECT_LE(F.Task.GetWorkerCount(), 8);
    ASSERT_TRUE(PumpUntil([&] { return F.Finished > 0; }));
    PumpFor(50);
    EXPECT_EQ(F.Finished, 1);
    EXPECT_EQ(F.Task.GetState(), tsStopped);
    EXPECT_EQ(StandInOverlaps(), 0);
    for (const std::string& A : Addresses)
        EXPECT_EQ(StandInFetches(A), 1) << A;
    EXPECT_TRUE(F.Files.Rows().empty());
    EXPECT_EQ(F.Log.Lines().size(), 40u);
    EXPECT_EQ(F.Task.GetWorkerCount(), 0);
}

// Workers stopped while they go from one address to the next: no partial file is left, no
// address stays running or tied to a worker, a row stays only for an address not done, and the
// next start handles exactly the rest, each address by one worker at a time.
TEST(Task, StopWhileWorkersGoFromAddressToAddress)
{
    TestSupport::TTempFolder Dir;
    std::mt19937 R(11);
    for (int Round = 0; Round < 40; ++Round) {
        TFixture F;
        F.Task.SetSelected(true);
        F.Task.GetOptions()->SetDefaultFolder(Dir.Path());
        for (int I = 0; I < 30; ++I) {
            F.AddPending("http://www.site.test/m" + std::to_string(Round) + "-" + std::to_string(I) +
                         ".jpg?hold=" + std::to_string(R() % 3) + (I % 5 ? "&partial=1" : "&fail=1"));
            F.Task.AddURLRow(F.Task.GetItems()->GetItem(I));
        }
        StandInResetFetches();
        F.Task.Start();
        PumpFor(R() % 25);
        F.Task.Stop();
        ASSERT_EQ(F.Task.GetWorkerCount(), 0);
        int Done = 0;
        for (TTaskItem* I : F.Task.GetItems()->Snapshot()) {
            Done += I->GetDone() ? 1 : 0;
            ASSERT_FALSE(I->GetRunning()) << I->GetAddress();
            ASSERT_EQ(I->GetThread(), nullptr) << I->GetAddress();
            ASSERT_TRUE(I->GetTempFileName().empty()) << I->GetAddress();
        }
        ASSERT_EQ(Done, F.Task.GetDoneCount());
        for (const TRecordingRow& Row : F.Files.Rows())
            ASSERT_FALSE(static_cast<const TTaskItem*>(Row.Data)->GetDone());
        TFindData D;
        ASSERT_NE(FindFirst(Dir.File("*!!wr"), faAnyFile, D), 0) << "a partial file is left: " << D.Name;
        F.Task.Start();
        ASSERT_TRUE(PumpUntil([&] { return F.Finished > 1; }));
        PumpFor(20);
        ASSERT_EQ(F.Task.GetDoneCount(), 30);
        ASSERT_TRUE(F.Files.Rows().empty());
        ASSERT_EQ(StandInOverlaps(), 0);
        ASSERT_NE(FindFirst(Dir.File("*!!wr"), faAnyFile, D), 0) << "a partial file is left: " << D.Name;
    }
}

TEST(Task, FinishWithNothingToDo)
{
    TFixture F;
    F.Task.Stop();
    EXPECT_EQ(F.Finished, 1);
    auto* I = new TTaskItem(&F.Task, "http://www.site.test/x.jpg");
    I->SetDone(true);
    F.Task.GetItems()->Add(I);
    F.Task.Start();
    EXPECT_EQ(F.Task.GetRunningCount(), 0);
    EXPECT_EQ(F.Task.GetState(), tsStopped);
    EXPECT_EQ(F.Finished, 2);
}

TEST(Task, DeleteURLAndClearItems)
{
    StandInCloseAllGates();
    TFixture F;
    F.AddPending("http://www.site.test/p.jpg");
    auto* D = new TTaskItem(&F.Task, "http://www.site.test/d.jpg");
    D->SetDone(true);
    F.Task.GetItems()->Add(D);
    F.Task.SetDoneCount(1);
    EXPECT_FALSE(F.Task.GetItems()->DeleteURL("http://absent/"));
    EXPECT_EQ(F.Task.GetItems()->GetCount(), 2);
    EXPECT_TRUE(F.Task.GetItems()->DeleteURL("  HTTP://www.site.test/p.jpg "));
    EXPECT_EQ(F.Task.GetDoneCount(), 1);
    EXPECT_TRUE(F.Task.GetItems()->DeleteURL("http://www.site.test/d.jpg"));
    EXPECT_EQ(F.Task.GetDoneCount(), 0);
    F.AddPending("http://www.site.test/h.jpg?gate=clear");
    F.Task.Start();
    EXPECT_FALSE(F.Task.ClearItems());
    StandInOpenGate("clear");
    ASSERT_TRUE(PumpUntil([&] { return F.Finished > 0; }));
    EXPECT_TRUE(F.Task.ClearItems());
    EXPECT_EQ(F.Task.GetItems()->GetCount(), 0);
}

TEST(Task, Rows)
{
    TestSupport::TTempFolder Dir;
    auto Shared = std::make_shared<TRecordingImageList>();
    TRecordingListView Images(Shared), Images2(Shared);
    TFixture F;
    F.Task.SetImagesListView(&Images);
    TTaskItem Item(&F.Task, "http://www.site.test/a/p.jpg");
    Item.SetDepth(2);
    F.Task.AddURLRow(&Item);
    ASSERT_EQ(F.Files.Rows().size(), 1u);
    const auto& R = F.Files.Rows()[0];
    EXPECT_EQ(R.Caption, "");
    EXPECT_EQ(R.SubItems, (std::vector<std::string>{"http://www.site.test/a/p.jpg", ".jpg", "---", "2", "---"}));
    EXPECT_EQ(R.ImageIndex, 0);
    F.Task.RemoveURLRow(&Item);
    EXPECT_TRUE(F.Files.Rows().empty());
    F.Task.AddFailedRow(&Item);
    EXPECT_EQ(F.Failed.Rows()[0].Caption, "http://www.site.test/a/p.jpg");

    F.Task.AddFile(Dir.File("x.jpg"), 2047);
    EXPECT_TRUE(Images.Rows().empty());
    F.Task.SetSelected(true);
    F.Task.AddFile(Dir.File("x.jpg"), 2047);
    ASSERT_EQ(Images.Rows().size(), 1u);
    EXPECT_EQ(Images.Rows()[0].Caption, "x.jpg");
    EXPECT_EQ(Images.Rows()[0].SubItems, (std::vector<std::string>{".jpg", "1 KB", Dir.Path()}));
    EXPECT_EQ(Images.Rows()[0].DataText, Dir.File("x.jpg"));
    EXPECT_EQ(Shared->Count, 1);
    std::string Long = Dir.Path() + std::string(300, 'q') + ".jpg";
    F.Task.AddFile(Long, 10);
    EXPECT_EQ(Images.Rows()[1].DataText, Long);
    EXPECT_EQ(Shared->Count, 1);
    // Another task adds icons to the same image list.
    TTask Other;
    Other.SetImagesListView(&Images2);
    Other.SetSelected(true);
    Other.AddFile(Dir.File("y.png"), 1);
    Other.AddFile(Dir.File("z.gif"), 1);
    F.Task.AddFile(Dir.File("w.jpg"), 1);
    EXPECT_EQ(Images.Rows().back().ImageIndex, 0);
    F.Task.AddFile(Dir.File("v.bmp"), 1);
    EXPECT_EQ(Images.Rows().back().ImageIndex, 3);
    EXPECT_EQ(Shared->Count, 4);
}

TEST(Task, RaceOfLinksWhileSaving)
{
    std::vector<std::unique_ptr<TFixture>> Fx;
    for (int T = 0; T < 3; ++T) {
        Fx.push_back(std::make_unique<TFixture>("http://www.site" + std::to_string(T) + ".test/"));
        for (int I = 0; I < 8; ++I)
            Fx.back()->AddPending("http://www.site" + std::to_string(T) + ".test/w" + std::to_string(I) +
                                  "?children=2000&childbase=http://www.site" + std::to_string(T) + ".test/c");
    }
    for (auto& F : Fx)
        F->Task.Start();
    DWORD Deadline = GetTickCount() + 120000;
    while (GetTickCount() < Deadline) {
        bool All = true;
        for (auto& F : Fx) {
            F->Task.GetRunningCount();
            TMemoryStream M;
            F->Task.SaveToStream(&M);
            All = All && F->Finished > 0;
        }
        if (All)
            break;
        PumpFor(50);
    }
    for (auto& F : Fx) {
        EXPECT_EQ(F->Finished, 1);
        auto Items = F->Task.GetItems()->Snapshot();
        std::set<std::string> Unique;
        for (auto* I : Items)
            Unique.insert(I->GetAddress());
        EXPECT_EQ(Unique.size(), Items.size());
        EXPECT_EQ(Items.size(), 2008u);
        EXPECT_EQ(F->Task.GetDoneCount(), static_cast<int32_t>(Items.size()));
    }
}

// A crawl worker shows a page's new rows and a failed address's row only after it has let go of
// the list's mutex: the call waits for the user-interface thread, and the other workers of the
// task must not wait for it as well.
TEST(TaskCrawl, RowsAreShownWithTheListMutexFree)
{
    TTestServer Server;
    if (!Server.Available())
        GTEST_SKIP() << "QUILLMOOR_TEST_SERVER is not set (run through run_with_server.py)";
    Server.Reset();
    Server.SetRoutes("{\"/site/page.html\": {\"body\": \"<a href=a.jpg>a</a> <a href=sub/b.jpg>b</a>\"},"
                     " \"/site/gone.jpg\": {\"status\": 404, \"body\": \"gone\"}}");
    TestSupport::TTempFolder Dir;
    TTask Task;
    TProbingListView Files, Failed;
    Task.SetStartURL(Server.Url("/site/"));
    Task.SetFilesListView(&Files);
    Task.SetFailedUrlListView(&Failed);
    Task.SetSelected(true);
    TRegOptions* O = Task.GetOptions();
    O->SetDefaultFolder(Dir.Path());
    O->GetFileMasks()->Clear();
    O->GetFileMasks()->Add("jpg,Pictures");
    O->GetFileMasks()->Add("html,Pages");
    O->SetSeekDeep(2);
    O->SetEnableFileLimit(false);
    O->SetSaveAsWebStructure(false);
    std::vector<bool> ItemsFree, FailedFree;
    Files.Probe = [&] { ItemsFree.push_back(AnotherWorkerTakesTheMutex(Task, Task.GetItems())); };
    Failed.Probe = [&] { FailedFree.push_back(AnotherWorkerTakesTheMutex(Task, Task.GetFailedList())); };
    auto Crawl = [&](const std::string& Target) {
        auto* Item = new TTaskItem(&Task, Server.Url(Target));
        Item->SetDepth(0);
        Task.GetItems()->Add(Item);
        TTaskThread Worker(&Task, Item, Item->GetAddress());
        Worker.Resume();
        Worker.WaitFor();
    };

    Crawl("/site/page.html");
    ASSERT_EQ(Files.Rows().size(), 2u);
    EXPECT_EQ(Files.Rows()[0].SubItems[0], Server.Url("/site/a.jpg"));
    EXPECT_EQ(Files.Rows()[1].SubItems[0], Server.Url("/site/sub/b.jpg"));
    EXPECT_EQ(ItemsFree, (std::vector<bool>{true, true}));
    EXPECT_TRUE(FileExists(Dir.File("Pages\\page.html")));
    EXPECT_EQ(Task.GetItems()->GetCount(), 3);

    Crawl("/site/gone.jpg");
    ASSERT_EQ(Failed.Rows().size(), 1u);
    EXPECT_EQ(Failed.Rows()[0].Caption, Server.Url("/site/gone.jpg"));
    EXPECT_EQ(FailedFree, std::vector<bool>{true});
    EXPECT_EQ(Task.GetFailedList()->GetCount(), 1);
}

// Workers hand their log lines over without waking the user-interface thread. A stop shows what
// they handed over before they go: the log still tells that the downloads began.
TEST(Task, StopShowsTheLinesItsWorkersHandedOver)
{
    StandInCloseAllGates();
    TestSupport::TTempFolder Dir;
    TFixture F;
    F.Task.GetOptions()->SetDefaultFolder(Dir.Path());
    F.AddPending("http://www.site.test/a.jpg?log=saving-a&partial=1&gate=never");
    F.AddPending("http://www.site.test/b.jpg?log=saving-b&partial=1&gate=never");
    F.Task.Start();
    // Nothing here serves the queue; a worker has logged once its partial file is named.
    auto Named = [&] {
        for (TTaskItem* I : F.Task.GetItems()->Snapshot())
            if (I->GetTempFileName().empty())
                return false;
        return true;
    };
    for (int I = 0; I < 10000 && !Named(); ++I)
        Sleep(1);
    ASSERT_TRUE(Named());
    EXPECT_TRUE(F.Log.Lines().empty());
    F.Task.Stop();
    ASSERT_EQ(F.Log.Lines().size(), 2u);
    std::set<std::string> Ends;
    for (const std::string& L : F.Log.Lines())
        Ends.insert(L.substr(L.rfind(" - ") + 3));
    EXPECT_EQ(Ends, (std::set<std::string>{"saving-a", "saving-b"}));
    EXPECT_EQ(F.Task.GetDoneCount(), 0);
    TFindData D;
    EXPECT_NE(FindFirst(Dir.File("*"), faAnyFile, D), 0) << "a partial file is left: " << D.Name;
}

// Pending remembers the front of done and running addresses it walked past; anything that can
// stand in that front afterwards (a link inserted before it, an address stopped or undone) is
// still found, in list order.
TEST(TaskItemList, PendingFindsEveryAddressAWalkFromTheFrontWould)
{
    TFixture F;
    TTaskItemList* L = F.Task.GetItems();
    auto Add = [&](const std::string& Path) {
        auto* I = new TTaskItem(&F.Task, "http://www.site.test/" + Path);
        EXPECT_EQ(L->GetItem(L->AddSorted(I)), I);
        return I;
    };
    // Longer addresses of the start host come first.
    TTaskItem* A = Add("aaaaaaaa.jpg");
    TTaskItem* B = Add("bbbbbbb.jpg");
    TTaskItem* C = Add("cccccc.jpg");
    TTaskItem* D = Add("ddddd.jpg");
    TTaskItem* E = Add("eeee.jpg");
    auto Names = [&](int32_t Max) { return L->Pending(Max); };
    EXPECT_EQ(Names(2), (std::vector<TTaskItem*>{A, B}));
    A->SetDone(true);
    B->SetRunning(true);
    D->SetDone(true);
    EXPECT_EQ(Names(8), (std::vector<TTaskItem*>{C, E}));
    C->SetRunning(true);
    EXPECT_EQ(Names(8), (std::vector<TTaskItem*>{E}));
    // A link inserted in the front walked past comes first.
    TTaskItem* Front = Add("a-much-longer-address.jpg");
    EXPECT_EQ(L->GetItem(0), Front);
    EXPECT_EQ(Names(8), (std::vector<TTaskItem*>{Front, E}));
    Front->SetDone(true);
    E->SetDone(true);
    EXPECT_TRUE(Names(8).empty());
    // A stopped address and one done again are pending wherever they stand.
    B->SetRunning(false);
    EXPECT_EQ(Names(8), (std::vector<TTaskItem*>{B}));
    A->SetDone(false);
    EXPECT_EQ(Names(8), (std::vector<TTaskItem*>{A, B}));
    // An address taken out of the front keeps the rest in reach.
    EXPECT_TRUE(L->DeleteURL(Front->GetAddress()));
    EXPECT_EQ(Names(1), (std::vector<TTaskItem*>{A}));
    C->SetRunning(false);
    EXPECT_EQ(Names(8), (std::vector<TTaskItem*>{A, B, C}));
}

// An item keeps its address text only; the list's look-up by address borrows that text. Two
// items of one address (a plain Add accepts both): removing the first leaves the second found,
// and the parse an item gives is the one its address makes.
TEST(TaskItemList, AddressesOfRemovedItemsAreFoundThroughTheItemsThatStay)
{
    TFixture F;
    TTaskItemList* L = F.Task.GetItems();
    const std::string A = "http://www.site.test/dir/same.jpg?x=1";
    auto* First = new TTaskItem(&F.Task, A);
    auto* Second = new TTaskItem(&F.Task, A);
    auto* Other = new TTaskItem(&F.Task, "http://www.site.test/other.jpg");
    L->Add(First);
    L->Add(Other);
    L->Add(Second);
    EXPECT_EQ(L->IndexOfURL(A), 2);
    TTaskItem* Removed = nullptr;
    ASSERT_TRUE(L->DeleteURL(A, &Removed));
    EXPECT_EQ(Removed, First);
    EXPECT_TRUE(L->ContainsURL(A));
    EXPECT_EQ(L->IndexOfURL(A), 1);
    // A new item of the address is not listed twice by a sorted add.
    auto Third = std::make_unique<TTaskItem>(&F.Task, A);
    EXPECT_EQ(L->AddSorted(Third.get()), 1);
    EXPECT_EQ(L->GetCount(), 2);
    ASSERT_TRUE(L->DeleteURL(A, &Removed));
    EXPECT_EQ(Removed, Second);
    EXPECT_FALSE(L->ContainsURL(A));
    EXPECT_EQ(L->IndexOfURL(A), -1);
    EXPECT_EQ(L->IndexOfURL("http://www.site.test/other.jpg"), 0);
    // Added again after both went, the address is found once more (ahead of the shorter one).
    EXPECT_EQ(L->AddSorted(Third.get()), 0);
    Third.release();
    EXPECT_EQ(L->IndexOfURL(A), 0);
    EXPECT_EQ(L->IndexOfURL("http://www.site.test/other.jpg"), 1);

    const TUri U = Second->GetURI();
    EXPECT_EQ(U.GetHost(), "www.site.test");
    EXPECT_EQ(U.GetPath(), "/dir/");
    EXPECT_EQ(U.GetDocument(), "same.jpg");
    EXPECT_EQ(U.GetParams(), "x=1");
    EXPECT_EQ(U.GetURI(), A);
    TTaskItem Blank(&F.Task);
    EXPECT_FALSE(Blank.HasURI());
    EXPECT_EQ(Blank.GetURI().GetURI(), "");
    EXPECT_EQ(Blank.Priority(), 0);
    EXPECT_EQ(Second->Priority(), 9000 + static_cast<int32_t>(A.size()));
}

TEST(TaskItemList, LookUpsByAddressFollowAddsRemovalsAndRepeatsAtLength)
{
    // Thousands of addresses go in and some out again, with repeated addresses among them (a
    // project file may list one twice): every look-up answers as a walk of the list would.
    TTask Task;
    Task.SetStartURL("http://www.site.test/");
    TTaskItemList* L = Task.GetItems();
    std::mt19937 Random(62);
    std::vector<std::string> Known;
    for (int I = 0; I < 6000; ++I) {
        const std::string A = "http://www.site.test/d" + std::to_string(I % 97) + "/p" + std::to_string(I) + ".jpg";
        Known.push_back(A);
        L->Add(new TTaskItem(&Task, A));
        if (I % 500 == 0)
            L->Add(new TTaskItem(&Task, A)); // the same address again
        if (I % 3 == 0) {
            const std::string& Gone = Known[Random() % Known.size()];
            L->DeleteURL(Gone);
        }
    }
    // The truth: the list itself, walked from its end.
    auto Walk = [&](const std::string& A) {
        for (int32_t I = L->GetCount() - 1; I >= 0; --I)
            if (L->GetItem(I)->GetAddress() == A)
                return I;
        return -1;
    };
    int32_t Present = 0;
    for (const std::string& A : Known) {
        const int32_t Expected = Walk(A);
        ASSERT_EQ(L->IndexOfURL(A), Expected) << A;
        ASSERT_EQ(L->ContainsURL(A), Expected >= 0) << A;
        Present += Expected >= 0;
    }
    EXPECT_GT(Present, 3000);
    EXPECT_LT(Present, 6000);
    EXPECT_EQ(L->IndexOfURL("http://www.site.test/d1/p1.jp"), -1);
    EXPECT_FALSE(L->ContainsURL("http://www.site.test/d1/p1.jpgx"));
    // Sorted adds of present addresses are refused, and of absent ones taken.
    for (const std::string& A : Known) {
        auto Item = std::make_unique<TTaskItem>(&Task, A);
        const int32_t Before = L->GetCount();
        const int32_t At = L->AddSorted(Item.get());
        if (L->GetCount() > Before) {
            ASSERT_EQ(L->GetItem(At), Item.get());
            Item.release();
        } else {
            ASSERT_EQ(L->GetItem(At)->GetAddress(), A);
        }
        ASSERT_TRUE(L->ContainsURL(A)) << A;
    }
    // Emptied, the list finds nothing and takes addresses again.
    L->Clear();
    EXPECT_FALSE(L->ContainsURL(Known[0]));
    EXPECT_EQ(L->IndexOfURL(Known[0]), -1);
    L->Add(new TTaskItem(&Task, Known[0]));
    EXPECT_EQ(L->IndexOfURL(Known[0]), 0);
}

TEST(TaskItem, PartialFileNamesAndHostsAreEachItemsOwn)
{
    TTask Task;
    Task.SetStartURL("http://www.site.test/");
    auto A = std::make_unique<TTaskItem>(&Task, "http://www.site.test/a.jpg");
    auto B = std::make_unique<TTaskItem>(&Task, "http://www.site.test/b.jpg");
    EXPECT_EQ(A->GetTempFileName(), "");
    A->SetTempFileName("C:\\x\\a.jpg!!wr");
    B->SetTempFileName("C:\\x\\b.jpg!!wr");
    EXPECT_EQ(A->GetTempFileName(), "C:\\x\\a.jpg!!wr");
    EXPECT_EQ(B->GetTempFileName(), "C:\\x\\b.jpg!!wr");
    A->SetTempFileName("");
    EXPECT_EQ(A->GetTempFileName(), "");
    EXPECT_EQ(B->GetTempFileName(), "C:\\x\\b.jpg!!wr");
    // An item freed with a name leaves none to the items made after it.
    B.reset();
    for (int I = 0; I < 50; ++I) {
        TTaskItem Fresh(&Task, "http://www.site.test/c.jpg");
        ASSERT_EQ(Fresh.GetTempFileName(), "");
    }
    // The host is the start host when the item was made, also after the task's start changes.
    EXPECT_EQ(A->GetHost(), "www.site.test");
    Task.SetStartURL("http://other.test/");
    TTaskItem Later(&Task, "http://www.site.test/d.jpg");
    EXPECT_EQ(Later.GetHost(), "other.test");
    EXPECT_EQ(A->GetHost(), "www.site.test");
    EXPECT_LT(Later.Priority(), A->Priority()); // another host: a lower class
    TTaskItem Alone(nullptr, "http://www.site.test/e.jpg");
    EXPECT_EQ(Alone.GetHost(), "");
    // Workers of several tasks set and clear names at once.
    std::vector<std::unique_ptr<TTaskItem>> Items;
    for (int I = 0; I < 8; ++I)
        Items.push_back(std::make_unique<TTaskItem>(&Task, "http://other.test/t" + std::to_string(I) + ".jpg"));
    std::vector<std::thread> Threads;
    std::atomic<int> Wrong{0};
    for (int T = 0; T < 8; ++T)
        Threads.emplace_back([&, T] {
            for (int K = 0; K < 2000; ++K) {
                const std::string Name = "n" + std::to_string(T) + "-" + std::to_string(K);
                Items[T]->SetTempFileName(Name);
                if (Items[T]->GetTempFileName() != Name)
                    ++Wrong;
                Items[T]->SetTempFileName("");
            }
        });
    for (auto& Th : Threads)
        Th.join();
    EXPECT_EQ(Wrong.load(), 0);
}

namespace {

// Counts the texts written into its rows.
class TCountingListView : public TRecordingListView {
public:
    int SubItemsSet = 0;
    void SetSubItem(int32_t Index, int32_t SubIndex, const std::string& Text) override
    {
        ++SubItemsSet;
        TRecordingListView::SetSubItem(Index, SubIndex, Text);
    }
};

} // namespace

// A worker's progress reports for its address do not wait for the user-interface thread, and
// a report not yet shown gives way to the next: the row shows the last texts, written once.
// A report for another address, or after the worker's log line, is not swallowed.
TEST(TaskThread, ProgressReportsGiveWayToTheLatestAndKeepTheirPlace)
{
    TTask Task;
    Task.SetStartURL("http://www.site.test/");
    TCountingListView Files;
    TRecordingLogView Log;
    Task.SetFilesListView(&Files);
    Task.SetLogEdit(&Log);
    Task.SetSelected(true);
    TTaskItem First(&Task, "http://www.site.test/a.jpg");
    TTaskItem Second(&Task, "http://www.site.test/b.jpg");
    Task.AddURLRow(&First);
    Task.AddURLRow(&Second);
    CheckSynchronize();
    TTaskThread Worker(&Task, &First, First.GetAddress());
    std::atomic<bool> Reported{false};
    Worker.Body = [&](TTaskThread& W) {
        for (int I = 1; I <= 40; ++I) {
            W.SizeText = "4000";
            W.PercentText = std::to_string(I) + "%";
            EXPECT_TRUE(W.SyncProgress());
        }
        W.Log("between");
        W.PercentText = "41%";
        W.SyncProgress();
        W.PercentText = "42%";
        W.SyncProgress();
        Reported = true;
    };
    Worker.Resume();
    // Nothing serves the queue meanwhile: the worker is not held up by its reports.
    for (int I = 0; I < 20000 && !Reported; ++I)
        Sleep(1);
    ASSERT_TRUE(Reported);
    EXPECT_EQ(Files.SubItemsSet, 0);
    PumpUntil([&] { return Files.SubItemsSet >= 4; });
    EXPECT_EQ(Files.SubItemsSet, 4); // two reports of two texts: the 40th and the 42nd
    ASSERT_EQ(Files.Rows().size(), 2u);
    EXPECT_EQ(Files.Rows()[0].SubItems[2], "4000");
    EXPECT_EQ(Files.Rows()[0].SubItems[4], "42%");
    EXPECT_EQ(Files.Rows()[1].SubItems[4], "---");
    ASSERT_EQ(Log.Lines().size(), 1u);
    Worker.WaitFor();
}
