// The task model. Lists are taken for one call at a time; the user-interface thread walks
// Items through snapshots taken under the lock, so workers may insert meanwhile.
#include "engine/Task.h"

#include <algorithm>

#include "engine/CrawlProfile.h"
#include "engine/EngineRoutines.h"
#include "engine/EngineText.h"
#include "engine/RegSettings.h"
#include "engine/TaskThread.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Files.h"
#include "platform/win/Guid.h"

// ---------------------------------------------------------------------------------------------
// TTaskItem

TTaskItem::TTaskItem(TTask* Task, const std::string& URL) : FTask(Task)
{
    if (Task && Task->GetStartURI())
        FHost = Task->GetStartURI()->GetHost();
    FURI = std::make_unique<TUri>(URL);
    FAddress = FURI->GetURI();
    ComputePriority();
}

TTaskItem::TTaskItem(TTask* Task) : FTask(Task)
{
    if (Task && Task->GetStartURI())
        FHost = Task->GetStartURI()->GetHost();
}

TTaskItem::~TTaskItem()
{
    if (FThread) {
        FThread->Terminate();
        if (FTask)
            FTask->DisposeWorker(std::move(FThread));
        FThread.reset(); // waits for its end
    }
    if (FRunning && FTask)
        FTask->RunningChanged(false);
}

void TTaskItem::ComputePriority()
{
    if (!FURI) {
        FPriority = 0;
        return;
    }
    std::string ItemHost = LowerCase(FURI->GetHost());
    std::string RefHost = LowerCase(FHost);
    int32_t Class = 3;
    if (ItemHost == RefHost)
        Class = 9;
    else if (LowerCase(DomainTail(ItemHost)) == LowerCase(DomainTail(RefHost)))
        Class = 6;
    FPriority = Class * 1000 + static_cast<int32_t>(FAddress.size());
}

void TTaskItem::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TTaskItem*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    if (S->FURI) {
        FURI = std::make_unique<TUri>(S->FAddress);
        FAddress = FURI->GetURI();
    } else {
        FURI.reset();
        FAddress.clear();
    }
    FDone = S->FDone.load();
    FHost = S->FHost;
    FDepth = S->FDepth;
    // Only fresh copies are assigned, before they enter a list.
    ComputePriority();
}

void TTaskItem::SetDone(bool Value)
{
    const bool Was = FDone.exchange(Value);
    // Done before and pending again: it may stand where the next walk would not look.
    if (Was && !Value && FTask)
        FTask->GetItems()->PendingAgain();
}

std::string TTaskItem::GetTempFileName() const
{
    std::lock_guard<std::mutex> G(FTempLock);
    return FTempFileName;
}

void TTaskItem::SetTempFileName(const std::string& Value)
{
    std::lock_guard<std::mutex> G(FTempLock);
    FTempFileName = Value;
}

std::unique_ptr<TTaskThread> TTaskItem::TakeThread()
{
    return std::move(FThread);
}

void TTaskItem::Start()
{
    if (!FTask)
        return;
    if (FThread)
        FTask->DisposeWorker(std::move(FThread)); // an ended worker of an earlier start
    const TWorkerMaker& Maker = FTask->GetWorkerMaker();
    FThread = Maker ? Maker(FTask, this, FAddress) : std::make_unique<TTaskThread>(FTask, this, FAddress);
    TTask* Task = FTask;
    FThread->OnTerminate = [Task](TObject* Sender) { Task->ThreadDone(Sender); };
    SetRunning(true);
    if (CrawlProfile::Enabled())
        FThread->StartedAt = CrawlProfile::Now();
    FThread->Resume();
}

void TTaskItem::SetRunning(bool Value)
{
    if (FRunning == Value)
        return;
    FRunning = Value;
    if (!FTask)
        return;
    FTask->RunningChanged(Value);
    // A stopped address is pending again, wherever it stands.
    if (!Value && !FDone)
        FTask->GetItems()->PendingAgain();
    if (TTaskListView* V = FTask->GetFilesListView()) {
        int32_t Row = V->IndexOfData(this);
        if (Row >= 0)
            V->SetRowImage(Row, Value ? 1 : 0);
    }
}

void TTaskItem::Stop()
{
    if (FThread) {
        try {
            FThread->Terminate();
            if (!FThread->GetFinished())
                FThread->WaitFor();
        } catch (...) {
            // The clean-up below is done in every case.
        }
        if (FTask)
            FTask->DisposeWorker(std::move(FThread));
        FThread.reset();
    }
    SetRunning(false);
    std::string Temp = GetTempFileName();
    if (!Temp.empty()) {
        DeleteFile(Temp);
        SetTempFileName(std::string());
    }
}

// ---------------------------------------------------------------------------------------------
// TTaskItemList

TTaskItemList::TTaskItemList(TTask* Task, TNamedMutex* Mutex) : FTask(Task), FMutex(Mutex)
{
    FList.SetDuplicates(dupAccept);
}

TTaskItemList::~TTaskItemList() = default;

void TTaskItemList::Adopt(TTaskItem* Item)
{
    if (FOwnedIndex.count(Item))
        return;
    FOwnedIndex[Item] = FOwned.size();
    FOwned.emplace_back(Item);
}

void TTaskItemList::Forget(TTaskItem* Item)
{
    if (!Item->HasURI())
        return;
    auto It = FByURL.find(Item->GetAddress());
    if (It == FByURL.end())
        return;
    auto& V = It->second;
    auto P = std::find(V.begin(), V.end(), Item);
    if (P != V.end())
        V.erase(P);
    if (V.empty())
        FByURL.erase(It);
}

int32_t TTaskItemList::Add(TTaskItem* Item)
{
    TThreadListGuard L(FList);
    int32_t N = L->GetCount();
    if (N > 0 && static_cast<TTaskItem*>(L->GetItems(N - 1))->Priority() < Item->Priority())
        FOrdered = false;
    int32_t Index = L->Add(Item);
    if (Item->HasURI())
        FByURL[Item->GetAddress()].push_back(Item);
    Adopt(Item);
    return Index;
}

int32_t TTaskItemList::AddSorted(TTaskItem* Item)
{
    TThreadListGuard L(FList);
    int32_t N = L->GetCount();
    if (N > 0 && Item->HasURI()) {
        int32_t Present = IndexOfURLLocked(L.Get(), Item->GetAddress());
        if (Present >= 0)
            return Present;
    }
    int32_t P = Item->Priority();
    int32_t Index = N;
    if (FOrdered) {
        // The first entry of strictly lower priority, found by halving on the ordered list.
        int32_t Lo = 0, Hi = N;
        while (Lo < Hi) {
            int32_t Mid = Lo + (Hi - Lo) / 2;
            if (static_cast<TTaskItem*>(L->GetItems(Mid))->Priority() < P)
                Hi = Mid;
            else
                Lo = Mid + 1;
        }
        Index = Lo;
    } else {
        for (int32_t I = 0; I < N; ++I)
            if (static_cast<TTaskItem*>(L->GetItems(I))->Priority() < P) {
                Index = I;
                break;
            }
    }
    L->Insert(Index, Item);
    FPendingFrom = std::min(FPendingFrom, Index);
    if (Item->HasURI())
        FByURL[Item->GetAddress()].push_back(Item);
    Adopt(Item);
    return Index;
}

int32_t TTaskItemList::GetCount()
{
    TThreadListGuard L(FList);
    return L->GetCount();
}

TTaskItem* TTaskItemList::GetItem(int32_t Index)
{
    TThreadListGuard L(FList);
    return static_cast<TTaskItem*>(L->GetItems(Index));
}

void TTaskItemList::Clear()
{
    TThreadListGuard L(FList);
    L->Clear();
    FByURL.clear();
    FOrdered = true;
    FPendingFrom = 0;
}

int32_t TTaskItemList::IndexOfURLLocked(TList* L, const std::string& Text)
{
    auto It = FByURL.find(Text);
    if (It == FByURL.end())
        return -1;
    // Pointer comparisons only: the last entry carrying the address.
    const auto& Carriers = It->second;
    for (int32_t I = L->GetCount() - 1; I >= 0; --I) {
        void* P = L->GetItems(I);
        if (std::find(Carriers.begin(), Carriers.end(), P) != Carriers.end())
            return I;
    }
    return -1;
}

int32_t TTaskItemList::IndexOfURL(const std::string& Text)
{
    TThreadListGuard L(FList);
    return IndexOfURLLocked(L.Get(), Text);
}

bool TTaskItemList::ContainsURL(const std::string& Text)
{
    TThreadListGuard L(FList);
    return FByURL.count(Text) != 0;
}

bool TTaskItemList::DeleteURL(const std::string& Text, TTaskItem** Removed)
{
    if (Removed)
        *Removed = nullptr;
    std::string Wanted = LowerCase(Trim(Text));
    TThreadListGuard L(FList);
    for (int32_t I = 0; I < L->GetCount(); ++I) {
        auto* Item = static_cast<TTaskItem*>(L->GetItems(I));
        if (!Item->HasURI() || LowerCase(Item->GetAddress()) != Wanted)
            continue;
        L->Delete(I);
        if (I < FPendingFrom)
            --FPendingFrom;
        Forget(Item);
        // Only a handled address was counted.
        if (FTask && Item->GetDone())
            --FTask->FDoneCount;
        if (Removed)
            *Removed = Item;
        return true;
    }
    return false;
}

void TTaskItemList::WaitMutex()
{
    if (FMutex)
        FMutex->Wait();
}

void TTaskItemList::ReleaseMutex()
{
    if (FMutex)
        FMutex->Release();
}

std::vector<TTaskItem*> TTaskItemList::Snapshot()
{
    TThreadListGuard L(FList);
    std::vector<TTaskItem*> Items;
    Items.reserve(L->GetCount());
    for (void* P : *L)
        Items.push_back(static_cast<TTaskItem*>(P));
    return Items;
}

std::vector<TTaskItem*> TTaskItemList::Pending(int32_t Max)
{
    std::vector<TTaskItem*> Found;
    TThreadListGuard L(FList);
    const int32_t N = L->GetCount();
    FPendingFrom = std::min(FPendingFrom, N);
    for (; FPendingFrom < N; ++FPendingFrom) {
        auto* Item = static_cast<TTaskItem*>(L->GetItems(FPendingFrom));
        if (!Item->GetDone() && !Item->GetRunning())
            break;
    }
    for (int32_t I = FPendingFrom; I < N && static_cast<int32_t>(Found.size()) < Max; ++I) {
        auto* Item = static_cast<TTaskItem*>(L->GetItems(I));
        if (!Item->GetDone() && !Item->GetRunning())
            Found.push_back(Item);
    }
    return Found;
}

void TTaskItemList::PendingAgain()
{
    TThreadListGuard L(FList);
    FPendingFrom = 0;
}

std::vector<TTaskItem*> TTaskItemList::OwnedSnapshot()
{
    TThreadListGuard L(FList);
    std::vector<TTaskItem*> Items;
    for (const auto& P : FOwned)
        Items.push_back(P.get());
    return Items;
}

void TTaskItemList::FreeItems()
{
    std::vector<std::unique_ptr<TTaskItem>> Doomed;
    {
        TThreadListGuard L(FList);
        L->Clear();
        FByURL.clear();
        FOrdered = true;
        FPendingFrom = 0;
        Doomed.swap(FOwned);
        FOwnedIndex.clear();
    }
    Doomed.clear(); // outside the lock: a stopping worker may still want it
}

void TTaskItemList::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TTaskItemList*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    if (S == this)
        return;
    Clear();
    for (TTaskItem* Src : S->Snapshot()) {
        auto Copy = Src->HasURI() ? std::make_unique<TTaskItem>(FTask, Src->GetAddress())
                                  : std::make_unique<TTaskItem>(FTask);
        Copy->Assign(Src);
        int32_t Count = GetCount();
        AddSorted(Copy.get());
        if (GetCount() > Count)
            Copy.release(); // the list has it now
    }
}

// ---------------------------------------------------------------------------------------------
// TTask

TTask::TTask()
    : FFailedMutex(std::make_unique<TNamedMutex>(NewGuidText())),
      FItemsMutex(std::make_unique<TNamedMutex>(NewGuidText())),
      FOptions(std::make_unique<TRegOptions>()), FStartURI(std::make_unique<TUri>())
{
    FFailedList = std::make_unique<TTaskItemList>(this, FFailedMutex.get());
    FItems = std::make_unique<TTaskItemList>(this, FItemsMutex.get());
}

TTask::~TTask()
{
    FOnFinish = nullptr;
    StopWorkers();
    FItems->FreeItems();
    FFailedList->FreeItems();
    FEndingWorkers.clear();
    FRetired.clear();
}

void TTask::DisposeWorker(std::unique_ptr<TTaskThread> Worker)
{
    if (!Worker)
        return;
    if (std::find(FEndingWorkers.begin(), FEndingWorkers.end(), Worker.get()) != FEndingWorkers.end())
        FRetired.push_back(std::move(Worker));
    // otherwise freed here: it has ended, or was cancelled and is waited for
}

void TTask::FreeRetiredWorkers()
{
    std::vector<std::unique_ptr<TTaskThread>> Keep;
    std::vector<std::unique_ptr<TTaskThread>> Doomed;
    for (auto& W : FRetired) {
        // One whose system thread still runs its end is kept for later: waiting for it here
        // would make the user-interface thread wait for a worker.
        if (std::find(FEndingWorkers.begin(), FEndingWorkers.end(), W.get()) != FEndingWorkers.end() ||
            !W->GetLeft() || !W->HandleSignalled())
            Keep.push_back(std::move(W));
        else
            Doomed.push_back(std::move(W));
    }
    FRetired.swap(Keep);
    Doomed.clear();
}

void TTask::SetStartURL(const std::string& URL)
{
    FStartURI->SetURI(URL);
}

void TTask::SetState(TaskState Value)
{
    FState = Value;
    FQueueTicket = Value == tsQueued ? NextQueueTicket() : -1;
}

void TTask::Finish()
{
    FState = tsStopped;
    if (FOnFinish)
        FOnFinish(this);
}

void TTask::Start()
{
    FQueueTicket = -1;
    FState = tsRunning;
    if (FItems->GetCount() == 0) {
        auto Seed = std::make_unique<TTaskItem>(this, FStartURI->GetURI());
        Seed->SetDepth(0);
        TTaskItem* P = Seed.get();
        FItems->AddSorted(P);
        if (FItems->GetCount() > 0) {
            Seed.release();
            if (FSelected)
                AddURLRow(P);
        }
    }
    for (TTaskItem* Item : FItems->Pending(kTaskStartWorkers))
        Item->Start();
    // Nothing left to fetch: without this the task would stay "running" with no worker.
    if (GetRunningCount() == 0)
        Finish();
}

void TTask::ThreadDone(TObject* Sender)
{
    auto* Worker = dynamic_cast<TTaskThread*>(Sender);
    if (!Worker)
        return;
    TTaskItem* Item = Worker->GetItem();
    // A cancelled worker, or one its item no longer holds, is not an ended address.
    if (!Item || Item->GetThread() != Worker || Worker->GetTerminated() || !Item->GetRunning())
        return;
    if (Worker->EndedAt >= 0 && CrawlProfile::Enabled())
        CrawlProfile::Add(TCrawlStep::EndWait, CrawlProfile::Now() - Worker->EndedAt);
    TCrawlTimer Timer(TCrawlStep::UIThreadDone);
    FEndingWorkers.push_back(Worker);
    struct TEndScope {
        std::vector<TTaskThread*>& Stack;
        ~TEndScope() { Stack.pop_back(); }
    } Scope{FEndingWorkers};
    Item->SetDone(true);
    ++FDoneCount;
    // The row goes first: setting its idle image just before deleting it is wasted work.
    RemoveURLRow(Item);
    Item->SetRunning(false);
    // The ended worker is freed at a later worker's end, not with the task: a crawl of many
    // thousands of addresses would otherwise keep a thread object and its handle for each.
    DisposeWorker(Item->TakeThread());
    if (!FStopping && FState == tsRunning && GetRunningCount() < kTaskRefillWorkers)
        for (TTaskItem* Next : FItems->Pending(kTaskRefillWorkers - GetRunningCount()))
            Next->Start();
    // Workers ended earlier are freed once the next ones are on their way.
    FreeRetiredWorkers();
    // While Stop runs, Stop itself finishes the task once.
    if (!FStopping && GetRunningCount() == 0 && FState == tsRunning)
        Finish();
}

void TTask::StopWorkers()
{
    auto Items = FItems->Snapshot();
    for (auto It = Items.rbegin(); It != Items.rend(); ++It)
        if ((*It)->GetRunning())
            (*It)->Stop();
    // Items taken out of the list may still have a running worker.
    for (TTaskItem* Item : FItems->OwnedSnapshot())
        if (Item->GetRunning())
            Item->Stop();
}

void TTask::Stop()
{
    FState = tsStopped;
    // What the workers have handed over and not yet shown (log lines, rows, the end of a worker
    // that is done) is shown first: stopping a worker drops whatever of its calls still waits.
    // With the state stopped already, a worker ending here starts no other.
    CheckSynchronize();
    {
        TFlagScope Stopping(FStopping);
        StopWorkers();
    }
    if (FOnFinish)
        FOnFinish(this);
}

bool TTask::ClearItems()
{
    if (GetRunningCount() > 0)
        return false;
    for (TTaskItem* Item : FItems->Snapshot())
        if (Item->GetThread())
            Item->Stop();
    FItems->FreeItems();
    FFailedList->FreeItems();
    FDoneCount = 0;
    return true;
}

namespace {

std::string ExtOfDocument(const std::string& Name)
{
    size_t Dot = Name.find_last_of('.');
    return Dot == std::string::npos ? std::string() : Name.substr(Dot);
}

} // namespace

void TTask::AddURLRow(TTaskItem* Item)
{
    if (!FFilesListView || !Item)
        return;
    std::string Ext = Item->GetURI() ? ExtOfDocument(Item->GetURI()->GetDocument()) : std::string();
    FFilesListView->AddRow("", {Item->GetAddress(), Ext, "---", IntToStr(Item->GetDepth()), "---"},
                           Item->GetRunning() ? 1 : 0, Item, std::string());
}

void TTask::AddFailedRow(TTaskItem* Item)
{
    if (!FFailedUrlListView || !Item)
        return;
    FFailedUrlListView->AddRow(Item->GetAddress(), {}, -1, Item, std::string());
}

void TTask::RemoveURLRow(TTaskItem* Item)
{
    if (!FFilesListView)
        return;
    int32_t Row = FFilesListView->IndexOfData(Item);
    if (Row >= 0)
        FFilesListView->DeleteRow(Row);
}

int32_t TTask::ExtIconIndex(const std::string& Extension) const
{
    std::string Key = LowerCase(Extension);
    for (const auto& E : FExtIcons)
        if (E.first == Key)
            return E.second;
    return -1;
}

void TTask::AddFile(const std::string& FileName, int64_t Size)
{
    if (!FImagesListView || !FSelected)
        return;
    size_t Slash = FileName.find_last_of("\\/:");
    std::string Name = Slash == std::string::npos ? FileName : FileName.substr(Slash + 1);
    std::string Folder = Slash == std::string::npos ? std::string() : FileName.substr(0, Slash + 1);
    std::string Ext = ExtOfDocument(Name);
    int32_t Image = ExtIconIndex(Ext);
    if (Image < 0) {
        Image = FImagesListView->AddFileIcon(FileName);
        if (Image >= 0)
            FExtIcons.emplace_back(LowerCase(Ext), Image);
    }
    FImagesListView->AddRow(Name, {Ext, IntToStr(Size / 1024) + " KB", Folder}, Image, nullptr, FileName);
}

void TTask::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TTask*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    if (S == this)
        return;
    FStartURI->SetURI(S->FStartURI->GetURI());
    FItems->Assign(S->FItems.get());
    int32_t Done = 0;
    for (TTaskItem* Item : FItems->Snapshot())
        if (Item->GetDone())
            ++Done;
    FDoneCount = Done; // in step with the copied items
    FOptions->Assign(S->FOptions.get());
    FName = S->FName;
    FNote = S->FNote;
    FState = S->FState.load();
    FFilesListView = S->FFilesListView;
    FLogEdit = S->FLogEdit;
    FFileName = S->FFileName;
}

// ---------------------------------------------------------------------------------------------
// TTaskList

void TTaskList::Add(TTask* Task)
{
    TThreadListGuard L(FList);
    L->Add(Task);
}

void TTaskList::Clear()
{
    FList.Clear();
}

void TTaskList::Delete(int32_t Index)
{
    TThreadListGuard L(FList);
    L->Delete(Index);
}

int32_t TTaskList::GetCount()
{
    TThreadListGuard L(FList);
    return L->GetCount();
}

TTask* TTaskList::GetItem(int32_t Index)
{
    TThreadListGuard L(FList);
    return static_cast<TTask*>(L->GetItems(Index));
}

std::vector<TTask*> TTaskList::Snapshot()
{
    TThreadListGuard L(FList);
    std::vector<TTask*> Tasks;
    for (void* P : *L)
        Tasks.push_back(static_cast<TTask*>(P));
    return Tasks;
}

void TTaskList::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TTaskList*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    if (S == this)
        return;
    Clear();
    for (TTask* T : S->Snapshot()) {
        auto Copy = std::make_unique<TTask>();
        Copy->Assign(T);
        Add(Copy.release());
    }
}

void TTaskList::UnselectAll()
{
    for (TTask* T : Snapshot())
        T->SetSelected(false);
}

int32_t TTaskList::GetRunningCount()
{
    int32_t N = 0;
    for (TTask* T : Snapshot())
        if (T->GetState() == tsRunning)
            ++N;
    return N;
}

TTask* TTaskList::NextQueued()
{
    TTask* Best = nullptr;
    for (TTask* T : Snapshot()) {
        int32_t Ticket = T->GetQueueTicket();
        if (Ticket == -1 || Ticket >= 99999)
            continue;
        if (!Best || Ticket < Best->GetQueueTicket())
            Best = T;
    }
    return Best;
}

int32_t TTaskList::IndexOfID(const std::string& Text)
{
    auto Tasks = Snapshot();
    for (size_t I = 0; I < Tasks.size(); ++I)
        if (Tasks[I]->GetID() == Text)
            return static_cast<int32_t>(I);
    return -1;
}

int32_t TTaskList::IndexOfFileName(const std::string& Text)
{
    auto Tasks = Snapshot();
    for (size_t I = 0; I < Tasks.size(); ++I)
        if (Tasks[I]->GetFileName() == Text)
            return static_cast<int32_t>(I);
    return -1;
}
