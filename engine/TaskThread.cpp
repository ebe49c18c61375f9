#include "engine/TaskThread.h"

#include "engine/CrawlProfile.h"
#include "engine/Task.h"
#include "platform/net/HttpClient.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/ScopeGuards.h"

TTaskThread::TTaskThread(TTask* Task, TTaskItem* Item, const std::string& URL)
    : FTask(Task), FItem(Item), FURI(URL)
{
    SetPriority(tpIdle);
    SetFreeOnTerminate(false);
}

TTaskThread::~TTaskThread()
{
    // Execute uses the members below; they must outlive it.
    TerminateAndWait();
}

void TTaskThread::Execute()
{
    if (StartedAt >= 0 && CrawlProfile::Enabled())
        CrawlProfile::Add(TCrawlStep::HandOut, CrawlProfile::Now() - StartedAt);
    // The client goes with the worker's last address: its connection, when clean, serves others.
    TScopeExit FreeClient([this] { FClient.reset(); });
    for (;;) {
        {
            // Closed on every way out: a failure ends the address, which counts as done like
            // any other.
            TScopeExit Close([this] { FileStream.reset(); });
            try {
                if (Body)
                    Body(*this);
                else
                    Crawl();
            } catch (...) {
                // As above: the address is done, and the worker goes on.
            }
        }
        // A stopped worker runs no further step of its address and takes no other.
        if (Cancelled())
            return;
        TTaskItem* Next = FTask->AddressDone(*this);
        if (!Next || Cancelled())
            return;
        TakeAddress(Next);
    }
}

void TTaskThread::TakeAddress(TTaskItem* Item)
{
    FItem = Item;
    FURI.SetURI(Item->GetAddress());
    NewItemIndex = -1;
    NewItem = nullptr;
    SizeText.clear();
    PercentText.clear();
    LogText.clear();
    FProgressShown = false;
    FShownSizeText.clear();
    FShownPercentText.clear();
}

void TTaskThread::StopRequested()
{
    if (OnStopRequested)
        OnStopRequested();
    std::lock_guard<std::mutex> G(FHTTPLock);
    if (FHTTP)
        FHTTP->Abort();
}

std::string TTaskThread::LogLine(const std::string& Text)
{
    TDateTime T = Now();
    return "[" + DateToStr(T) + " " + TimeToStr(T) + "] - " + Text;
}

bool TTaskThread::Log(const std::string& Text)
{
    LogText = Text;
    // The worker does not wait for its log lines: the call carries the line and the task (which
    // outlives its workers), never the worker, and the queue keeps it ahead of the worker's
    // later calls.
    // Nor does it wake the user-interface thread for it: the line is shown when that thread next
    // serves its queue (at the latest for the worker's end).
    TTask* Task = FTask;
    return Queue(
        [Task, Line = LogLine(LogText)] {
            TCrawlTimer T(TCrawlStep::UILog);
            if (TTaskLogView* L = Task->GetLogEdit())
                L->AddLine(Line);
        },
        true);
}

bool TTaskThread::SyncAddURLRow()
{
    TCrawlTimer Wait(TCrawlStep::SyncWait);
    return Synchronize([this] {
        TCrawlTimer T(TCrawlStep::UIURLRows);
        if (FTask->GetSelected())
            FTask->AddURLRow(NewItem);
    });
}

bool TTaskThread::AddURLRows(std::vector<TTaskItem*> NewItems)
{
    // The items outlive the call: the list keeps them while a worker of the task runs, and the
    // call runs before this worker's end (or is dropped when the worker is stopped).
    TTask* Task = FTask;
    return Queue(
        [Task, NewItems = std::move(NewItems)] {
            TCrawlTimer T(TCrawlStep::UIURLRows);
            if (!Task->GetSelected())
                return;
            // Another worker may have fetched an address before its row came: a row added now
            // would never be taken away.
            for (TTaskItem* Item : NewItems)
                if (!Item->GetDone())
                    Task->AddURLRow(Item);
        },
        true);
}

bool TTaskThread::SyncAddFailedRow()
{
    TCrawlTimer Wait(TCrawlStep::SyncWait);
    return Synchronize([this] {
        TCrawlTimer T(TCrawlStep::UIOther);
        if (FTask->GetSelected())
            FTask->AddFailedRow(NewItem);
    });
}

bool TTaskThread::SyncProgress()
{
    // The worker does not wait for its progress, and a report not yet shown gives way to the
    // next one for the same address: a fast transfer reports far more often than the
    // user-interface thread could show, and only the latest texts matter.
    TTask* Task = FTask;
    TTaskItem* Item = FItem;
    return QueueLatest(Item, [Task, Item, Size = SizeText, Percent = PercentText] {
        TCrawlTimer T(TCrawlStep::UIOther);
        TTaskListView* V = Task->GetFilesListView();
        if (!Task->GetSelected() || !V)
            return;
        const int32_t Row = V->IndexOfData(Item);
        if (Row < 0)
            return;
        V->SetSubItem(Row, 2, Size);
        V->SetSubItem(Row, 4, Percent);
    });
}

bool TTaskThread::SyncAddFile(const std::string& FileName, int64_t Size)
{
    TCrawlTimer Wait(TCrawlStep::SyncWait);
    return Synchronize([this, &FileName, Size] {
        TCrawlTimer T(TCrawlStep::UIOther);
        FTask->AddFile(FileName, Size);
    });
}

bool TTaskThread::FileSaved(const std::string& FileName, int64_t Size, const std::string& Text)
{
    TTask* Task = FTask;
    return Queue(
        [Task, FileName, Size, Line = LogLine(Text)] {
            TCrawlTimer T(TCrawlStep::UIFileSaved);
            Task->AddFile(FileName, Size);
            if (TTaskLogView* L = Task->GetLogEdit())
                L->AddLine(Line);
        },
        true);
}
