// The task model. Lists are taken for one call at a time; the user-interface thread walks
// Items through snapshots taken under the lock, so workers may insert meanwhile.
#include "engine/Task.h"

#include <algorithm>
#include <unordered_set>

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

namespace {

// The hosts items were made for, each kept once for the program's life: a crawl's items share
// their start host's text instead of keeping a copy each. Only start hosts come here, so the
// set stays small.
const std::string* SharedHost(const std::string& Host)
{
    static std::mutex Lock;
    static std::unordered_set<std::string> Hosts;
    static const std::string Empty;
    if (Host.empty())
        return &Empty;
    std::lock_guard<std::mutex> G(Lock);
    return &*Hosts.insert(Host).first;
}

const std::string* StartHostOf(TTask* Task)
{
    return SharedHost(Task && Task->GetStartURI() ? Task->GetStartURI()->GetHost() : std::string());
}

// The names of the partial files being written for addresses: only running addresses have one,
// so the items do not each keep room for it.
std::mutex gTempNamesLock;
std::unordered_map<const TTaskItem*, std::string> gTempNames;

} // namespace

TTaskItem::TTaskItem(TTask* Task, const std::string& URL) : FTask(Task), FHost(StartHostOf(Task))
{
    const TUri URI(URL);
    FHasURI = true;
    FAddress = URI.GetURI();
    ComputePriority(URI);
}

TTaskItem::TTaskItem(TTask* Task) : FTask(Task), FHost(StartHostOf(Task)) {}

TTaskItem::~TTaskItem()
{
    if (TTaskThread* W = FThread.load(); W && FTask)
        FTask->StopWorker(W);
    if (FRunning && FTask)
        FTask->RunningChanged(false);
    if (FHasTempName) {
        std::lock_guard<std::mutex> G(gTempNamesLock);
        gTempNames.erase(this);
    }
}

void TTaskItem::ComputePriority(const TUri& URI)
{
    if (!FHasURI) {
        FPriority = 0;
        return;
    }
    std::string ItemHost = LowerCase(URI.GetHost());
    std::string RefHost = LowerCase(*FHost);
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
    TUri URI;
    if (S->FHasURI) {
        URI.SetURI(S->FAddress);
        FAddress = URI.GetURI();
    } else {
        FAddress.clear();
    }
    FHasURI = S->FHasURI;
    FDone = S->FDone.load();
    FHost = S->FHost;
    FDepth = S->FDepth;
    // Only fresh copies are assigned, before they enter a list.
    ComputePriority(URI);
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
    if (!FHasTempName)
        return std::string();
    std::lock_guard<std::mutex> G(gTempNamesLock);
    auto It = gTempNames.find(this);
    return It == gTempNames.end() ? std::string() : It->second;
}

void TTaskItem::SetTempFileName(const std::string& Value)
{
    std::lock_guard<std::mutex> G(gTempNamesLock);
    if (Value.empty()) {
        gTempNames.erase(this);
        FHasTempName = false;
    } else {
        gTempNames[this] = Value;
        FHasTempName = true;
    }
}

void TTaskItem::Start()
{
    if (!FTask || FDone || FRunning)
        return;
    // Claimed like any start, so that a worker taking addresses meanwhile cannot take this one.
    TTaskItemList* Items = FTask->GetItems();
    {
        TThreadListGuard L(Items->GetList());
        if (FDone || FRunning)
            return;
        MarkRunning(true);
    }
    FTask->StartWorker(this);
}

void TTaskItem::MarkRunning(bool Value)
{
    if (FRunning.exchange(Value) == Value)
        return;
    if (!FTask)
        return;
    FTask->RunningChanged(Value);
    // A stopped address is pending again, wherever it stands.
    if (!Value && !FDone)
        FTask->GetItems()->PendingAgain();
}

void TTaskItem::SetRunning(bool Value)
{
    if (FRunning == Value)
        return;
    {
        TTaskItemList* Items = FTask ? FTask->GetItems() : nullptr;
        if (Items) {
            TThreadListGuard L(Items->GetList());
            MarkRunning(Value);
        } else {
            MarkRunning(Value);
        }
    }
    if (!FTask)
        return;
    if (TTaskListView* V = FTask->GetFilesListView()) {
        int32_t Row = V->IndexOfData(this);
        if (Row >= 0)
            V->SetRowImage(Row, Value ? 1 : 0);
    }
}

void TTaskItem::Stop()
{
    if (TTaskThread* W = FThread.load(); W && FTask)
        FTask->StopWorker(W);
    FThread = nullptr;
    SetRunning(false);
    std::string Temp = GetTempFileName();
    if (!Temp.empty()) {
        DeleteFile(Temp);
        SetTempFileName(std::string());
    }
}

// ---------------------------------------------------------------------------------------------
// TItemsByAddress

namespace {

TTaskItem* Gone()
{
    static char Mark;
    return reinterpret_cast<TTaskItem*>(&Mark);
}

} // namespace

size_t TItemsByAddress::Hash(std::string_view Address)
{
    return std::hash<std::string_view>()(Address);
}

void TItemsByAddress::Grow()
{
    // Twice the room when more than half of it holds items, else the same room without the
    // taken-out slots.
    const size_t Size = FSlots.empty() ? 16 : FCount * 2 >= FSlots.size() ? FSlots.size() * 2 : FSlots.size();
    std::vector<TTaskItem*> Old(Size, nullptr);
    Old.swap(FSlots);
    FTaken = FCount;
    for (TTaskItem* Item : Old) {
        if (!Item || Item == Gone())
            continue;
        size_t I = Start(Item->GetAddress());
        while (FSlots[I])
            I = (I + 1) & (FSlots.size() - 1);
        FSlots[I] = Item;
    }
}

void TItemsByAddress::Insert(TTaskItem* Item)
{
    if ((FTaken + 1) * 4 > FSlots.size() * 3)
        Grow();
    size_t I = Start(Item->GetAddress());
    while (FSlots[I] && FSlots[I] != Gone())
        I = (I + 1) & (FSlots.size() - 1);
    if (!FSlots[I])
        ++FTaken;
    FSlots[I] = Item;
    ++FCount;
}

void TItemsByAddress::Erase(TTaskItem* Item)
{
    if (FSlots.empty())
        return;
    for (size_t I = Start(Item->GetAddress()); FSlots[I]; I = (I + 1) & (FSlots.size() - 1))
        if (FSlots[I] == Item) {
            FSlots[I] = Gone();
            --FCount;
            return;
        }
}

bool TItemsByAddress::Contains(std::string_view Address) const
{
    if (FSlots.empty())
        return false;
    for (size_t I = Start(Address); FSlots[I]; I = (I + 1) & (FSlots.size() - 1))
        if (FSlots[I] != Gone() && FSlots[I]->GetAddress() == Address)
            return true;
    return false;
}

std::vector<TTaskItem*> TItemsByAddress::Carriers(std::string_view Address) const
{
    std::vector<TTaskItem*> Found;
    if (FSlots.empty())
        return Found;
    for (size_t I = Start(Address); FSlots[I]; I = (I + 1) & (FSlots.size() - 1))
        if (FSlots[I] != Gone() && FSlots[I]->GetAddress() == Address)
            Found.push_back(FSlots[I]);
    return Found;
}

void TItemsByAddress::Clear()
{
    std::vector<TTaskItem*>().swap(FSlots);
    FCount = FTaken = 0;
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
    if (Item->FOwned)
        return;
    Item->FOwned = true;
    FOwned.emplace_back(Item);
}

void TTaskItemList::Forget(TTaskItem* Item)
{
    if (Item->HasURI())
        FByURL.Erase(Item);
}

void TTaskItemList::Index(TTaskItem* Item)
{
    if (Item->HasURI())
        FByURL.Insert(Item);
}

int32_t TTaskItemList::Add(TTaskItem* Item)
{
    TThreadListGuard L(FList);
    int32_t N = L->GetCount();
    if (N > 0 && static_cast<TTaskItem*>(L->GetItems(N - 1))->Priority() < Item->Priority())
        FOrdered = false;
    int32_t Index = L->Add(Item);
    this->Index(Item);
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
    this->Index(Item);
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
    FByURL.Clear();
    FOrdered = true;
    FPendingFrom = 0;
}

int32_t TTaskItemList::IndexOfURLLocked(TList* L, const std::string& Text)
{
    const std::vector<TTaskItem*> Carriers = FByURL.Carriers(Text);
    if (Carriers.empty())
        return -1;
    // Pointer comparisons only: the last entry carrying the address.
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
    return FByURL.Contains(Text);
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

TTaskItem* TTaskItemList::EndAndClaim(TTaskItem* Ended, bool MayClaim, int32_t MaxRunning, TTaskThread* Worker)
{
    TThreadListGuard L(FList);
    if (Ended) {
        Ended->FThread = nullptr;
        Ended->MarkRunning(false);
    }
    if (!MayClaim || !FTask || FTask->GetRunningCount() >= MaxRunning)
        return nullptr;
    const int32_t N = L->GetCount();
    FPendingFrom = std::min(FPendingFrom, N);
    for (; FPendingFrom < N; ++FPendingFrom) {
        auto* Item = static_cast<TTaskItem*>(L->GetItems(FPendingFrom));
        if (!Item->GetDone() && !Item->GetRunning()) {
            Item->FThread = Worker;
            Item->MarkRunning(true);
            ++FPendingFrom;
            return Item;
        }
    }
    return nullptr;
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
    // Ends handed over by workers name items of this list: shown before the items go.
    if (FTask && FTask->GetItems() == this)
        FTask->ShowEnds();
    std::vector<std::unique_ptr<TTaskItem>> Doomed;
    {
        TThreadListGuard L(FList);
        L->Clear();
        FByURL.Clear();
        FOrdered = true;
        FPendingFrom = 0;
        Doomed.swap(FOwned);
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
    {
        std::lock_guard<std::mutex> G(FEndsLock);
        FEnds.clear();
    }
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

void TTask::StartWorker(TTaskItem* Item)
{
    auto Made = FWorkerMaker ? FWorkerMaker(this, Item, Item->GetAddress())
                             : std::make_unique<TTaskThread>(this, Item, Item->GetAddress());
    TTaskThread* W = Made.get();
    FWorkers.push_back(std::move(Made));
    Item->FThread = W;
    W->OnTerminate = [this](TObject* Sender) { ThreadDone(Sender); };
    if (CrawlProfile::Enabled())
        W->StartedAt = CrawlProfile::Now();
    W->Resume();
    if (TTaskListView* V = FFilesListView) {
        int32_t Row = V->IndexOfData(Item);
        if (Row >= 0)
            V->SetRowImage(Row, 1);
    }
}

void TTask::Refill()
{
    // A worker that has ended its last address stays in the list until its end is served here:
    // it still counts, so that no more than kTaskStartWorkers threads ever work for the task.
    while (!FStopping && FState == tsRunning && GetWorkerCount() < kTaskStartWorkers) {
        TTaskItem* Next = FItems->EndAndClaim(nullptr, true, kTaskRefillWorkers, nullptr);
        if (!Next)
            break;
        StartWorker(Next);
    }
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
    // Workers still serving addresses of an earlier start count against the limit, and so do
    // workers whose end has not been served yet (a worker can end while this loop starts more).
    while (GetWorkerCount() < kTaskStartWorkers) {
        TTaskItem* Next = FItems->EndAndClaim(nullptr, true, kTaskStartWorkers, nullptr);
        if (!Next)
            break;
        StartWorker(Next);
    }
    // Nothing left to fetch: without this the task would stay "running" with no worker.
    if (GetRunningCount() == 0)
        Finish();
}

TTaskItem* TTask::AddressDone(TTaskThread& Worker)
{
    TCrawlTimer Timer(TCrawlStep::EndWait);
    TTaskItem* Item = Worker.GetItem();
    if (!Item || Item->GetThread() != &Worker || !Item->GetRunning())
        return nullptr;
    Item->SetDone(true);
    ++FDoneCount;
    // The address stops running and the next one is taken in one step under the list lock:
    // the task's finish (no address running) can then never fall between the two.
    TTaskItem* Next = FItems->EndAndClaim(Item, !FStopping && FState == tsRunning && !Worker.Cancelled(),
                                          kTaskRefillWorkers, &Worker);
    // Room for more workers than this one (links came meanwhile): the user-interface thread
    // starts them, as it does at a worker's end.
    const bool MoreRoom = Next && GetRunningCount() < kTaskRefillWorkers && !FItems->Pending(1).empty();
    bool QueueCall = false;
    {
        std::lock_guard<std::mutex> G(FEndsLock);
        FEnds.push_back({Item, Next});
        if (!FEndsCallQueued || MoreRoom)
            QueueCall = FEndsCallQueued = true;
    }
    if (QueueCall) {
        // Quiet unless workers are to be started: the rows of many ends go in one call.
        const bool Queued = Worker.Queue(
            [this, MoreRoom] {
                ShowEnds();
                if (MoreRoom)
                    Refill();
            },
            !MoreRoom);
        if (!Queued) {
            // Cancelled: whoever cancelled it shows the ends once the worker is gone.
            std::lock_guard<std::mutex> G(FEndsLock);
            FEndsCallQueued = false;
        }
    }
    return Next;
}

void TTask::ShowEnds()
{
    std::vector<TEndNote> Notes;
    {
        std::lock_guard<std::mutex> G(FEndsLock);
        Notes.swap(FEnds);
        FEndsCallQueued = false;
    }
    if (Notes.empty())
        return;
    TCrawlTimer T(TCrawlStep::UIEnds);
    for (const TEndNote& N : Notes) {
        RemoveURLRow(N.Ended);
        // The row of the address taken next shows it running, unless it has ended already.
        if (N.Next && N.Next->GetRunning() && FFilesListView) {
            int32_t Row = FFilesListView->IndexOfData(N.Next);
            if (Row >= 0)
                FFilesListView->SetRowImage(Row, 1);
        }
    }
}

void TTask::ThreadDone(TObject* Sender)
{
    auto* Worker = dynamic_cast<TTaskThread*>(Sender);
    if (!Worker)
        return;
    auto Own = std::find_if(FWorkers.begin(), FWorkers.end(), [Worker](const auto& W) { return W.get() == Worker; });
    // A cancelled worker, or one the task no longer holds, is left to whoever cancelled it.
    if (Own == FWorkers.end() || Worker->GetTerminated())
        return;
    TCrawlTimer Timer(TCrawlStep::UIThreadDone);
    FEndingWorkers.push_back(Worker);
    struct TEndScope {
        std::vector<TTaskThread*>& Stack;
        ~TEndScope() { Stack.pop_back(); }
    } Scope{FEndingWorkers};
    // Its ends were queued before its end: shown already, unless a stop dropped them.
    ShowEnds();
    // The worker is freed at a later worker's end, or by Stop: not inside its own end call.
    std::unique_ptr<TTaskThread> Ended = std::move(*Own);
    FWorkers.erase(Own);
    DisposeWorker(std::move(Ended));
    Refill();
    FreeRetiredWorkers();
    // While Stop runs, Stop itself finishes the task once. The check is made under the list
    // lock, as workers take their next address under it: none can take one once none runs.
    bool Finished = false;
    {
        TThreadListGuard L(FItems->GetList());
        if (!FStopping && GetRunningCount() == 0 && FState == tsRunning) {
            FState = tsStopped;
            Finished = true;
        }
    }
    if (Finished)
        Finish();
}

void TTask::CleanStopped(TTaskItem* Item)
{
    Item->FThread = nullptr;
    Item->SetRunning(false);
    std::string Temp = Item->GetTempFileName();
    if (!Temp.empty()) {
        DeleteFile(Temp);
        Item->SetTempFileName(std::string());
    }
}

void TTask::StopWorker(TTaskThread* Worker)
{
    auto Own = std::find_if(FWorkers.begin(), FWorkers.end(), [Worker](const auto& W) { return W.get() == Worker; });
    if (Own == FWorkers.end())
        return;
    try {
        Worker->Terminate();
        if (!Worker->GetFinished())
            Worker->WaitFor();
    } catch (...) {
        // The clean-up below is done in every case.
    }
    // The worker may have gone on to another address before it saw the stop.
    for (TTaskItem* Item : FItems->OwnedSnapshot())
        if (Item->GetThread() == Worker)
            CleanStopped(Item);
    Own = std::find_if(FWorkers.begin(), FWorkers.end(), [Worker](const auto& W) { return W.get() == Worker; });
    if (Own != FWorkers.end()) {
        std::unique_ptr<TTaskThread> W = std::move(*Own);
        FWorkers.erase(Own);
        DisposeWorker(std::move(W));
    }
    ShowEnds();
}

void TTask::StopWorkers()
{
    // Every worker is asked first, so that their transfers end together, then each is waited for.
    for (const auto& W : FWorkers) {
        try {
            W->Terminate();
        } catch (...) {
            // Waited for below all the same.
        }
    }
    while (!FWorkers.empty()) {
        std::unique_ptr<TTaskThread> W = std::move(FWorkers.back());
        FWorkers.pop_back();
        try {
            if (!W->GetFinished())
                W->WaitFor();
        } catch (...) {
            // The clean-up below is done in every case.
        }
        DisposeWorker(std::move(W));
    }
    auto Items = FItems->Snapshot();
    for (auto It = Items.rbegin(); It != Items.rend(); ++It)
        if ((*It)->GetRunning() || (*It)->GetThread())
            CleanStopped(*It);
    // Items taken out of the list may still have been running.
    for (TTaskItem* Item : FItems->OwnedSnapshot())
        if (Item->GetRunning() || Item->GetThread())
            CleanStopped(Item);
    // What the workers handed over and a stop dropped: the rows of the addresses they ended.
    ShowEnds();
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
    ShowEnds();
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
    std::string Ext = Item->HasURI() ? ExtOfDocument(Item->GetURI().GetDocument()) : std::string();
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
