#include "engine/TaskStandIn.h"

#include <atomic>
#include <map>
#include <mutex>
#include <set>

#include <windows.h>

#include "engine/EngineRoutines.h"
#include "engine/RegSettings.h"
#include "engine/Task.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Files.h"
#include "platform/win/Locks.h"

namespace {

std::mutex gGateLock;
std::set<std::string> gOpenGates;
std::atomic<int32_t> gActive{0};
std::atomic<int32_t> gPeak{0};
std::mutex gFetchLock;
std::map<std::string, int32_t> gFetches;
std::multiset<std::string> gInWork;
int32_t gOverlaps = 0;

// Counts the address's fetch while the body runs, and an overlap with another worker on it.
class TInWork {
public:
    explicit TInWork(std::string Address) : FAddress(std::move(Address))
    {
        std::lock_guard<std::mutex> G(gFetchLock);
        ++gFetches[FAddress];
        if (gInWork.count(FAddress))
            ++gOverlaps;
        gInWork.insert(FAddress);
    }
    ~TInWork()
    {
        std::lock_guard<std::mutex> G(gFetchLock);
        gInWork.erase(gInWork.find(FAddress));
    }
    TInWork(const TInWork&) = delete;
    TInWork& operator=(const TInWork&) = delete;

private:
    std::string FAddress;
};

bool GateOpen(const std::string& Name)
{
    std::lock_guard<std::mutex> G(gGateLock);
    return gOpenGates.count(Name) != 0;
}

std::map<std::string, std::string> ParseQuery(const std::string& Params)
{
    std::map<std::string, std::string> Result;
    std::string Q = Params;
    if (!Q.empty() && Q[0] == '?')
        Q.erase(0, 1);
    size_t Start = 0;
    while (Start <= Q.size()) {
        size_t Amp = Q.find('&', Start);
        std::string Pair = Q.substr(Start, Amp == std::string::npos ? std::string::npos : Amp - Start);
        size_t Eq = Pair.find('=');
        if (!Pair.empty())
            Result[Pair.substr(0, Eq)] = Eq == std::string::npos ? std::string() : Pair.substr(Eq + 1);
        if (Amp == std::string::npos)
            break;
        Start = Amp + 1;
    }
    return Result;
}

// Holds the task mutex of a list, when it has one, and always lets it go.
void StandInBody(TTaskThread& W)
{
    struct TActive {
        TActive()
        {
            int32_t N = ++gActive;
            int32_t P = gPeak.load();
            while (N > P && !gPeak.compare_exchange_weak(P, N)) {
            }
        }
        ~TActive() { --gActive; }
    } Active;

    TTask* Task = W.GetTask();
    TTaskItem* Item = W.GetItem();
    auto Q = ParseQuery(W.GetURI().GetParams());
    const std::string Address = W.GetURI().GetURI();
    TInWork InWork(Address);

    if (Q.count("log"))
        W.Log(Q["log"]);

    std::string Final;
    if (Q.count("partial")) {
        std::string Doc = W.GetURI().GetDocument();
        if (Doc.empty())
            Doc = "index.html";
        Final = UniqueFileName(AddTrailingBackslash(Task->GetOptions()->GetDefaultFolder()) + SafePathPart(Doc));
        std::string Temp = Final + PartialSuffix;
        Item->SetTempFileName(Temp);
        W.FileStream = std::make_unique<TFileStream>(Temp, fmCreate);
        W.FileStream->WriteBuffer(Address.data(), static_cast<int32_t>(Address.size()));
    }

    if (Q.count("children")) {
        int32_t N = StrToIntDef(Q["children"], 0);
        std::string Base = Q.count("childbase") ? Q["childbase"] : "http://" + W.GetURI().GetHost() + "/child";
        TTaskItemList* Items = Task->GetItems();
        TListMutexHold Hold(Items);
        for (int32_t I = 0; I < N && !W.Cancelled(); ++I) {
            auto NewItem = std::make_unique<TTaskItem>(Task, Base + IntToStr(I));
            if (Items->ContainsURL(NewItem->GetAddress()))
                continue;
            NewItem->SetDepth(Item->GetDepth() + 1);
            int32_t Before = Items->GetCount();
            W.NewItemIndex = Items->AddSorted(NewItem.get());
            if (Items->GetCount() == Before)
                continue;
            W.NewItem = NewItem.release();
            if (Task->GetSelected())
                W.SyncAddURLRow();
        }
    }

    if (Q.count("hold")) {
        DWORD Until = GetTickCount() + static_cast<DWORD>(StrToIntDef(Q["hold"], 0));
        while (!W.Cancelled() && static_cast<int32_t>(Until - GetTickCount()) > 0)
            Sleep(5);
    }
    if (Q.count("gate")) {
        while (!W.Cancelled() && !GateOpen(Q["gate"]))
            Sleep(5);
    }
    if (W.Cancelled())
        return; // the frame closes the file; Stop deletes it

    if (Q.count("fail")) {
        TTaskItemList* Failed = Task->GetFailedList();
        TListMutexHold Hold(Failed);
        auto NewItem = std::make_unique<TTaskItem>(Task, Address);
        TTaskItem* Listed = Failed->GetItem(Failed->AddSorted(NewItem.get()));
        if (Listed == NewItem.get())
            NewItem.release();
        // A repeated failure shows the listed entry; the new item goes.
        W.NewItem = Listed;
        if (Task->GetSelected())
            W.SyncAddFailedRow();
        W.NewItem = nullptr;
    }

    if (W.FileStream) {
        int64_t Size = W.FileStream->GetSize();
        W.FileStream.reset();
        std::string Temp = Item->GetTempFileName();
        Item->SetTempFileName(std::string());
        if (RenameFile(Temp, Final)) {
            W.SyncAddFile(Final, Size);
            Task->IncSavedCount();
        }
    }
}

} // namespace

std::unique_ptr<TTaskThread> MakeStandInWorker(TTask* Task, TTaskItem* Item, const std::string& URL)
{
    auto W = std::make_unique<TTaskThread>(Task, Item, URL);
    W->Body = StandInBody;
    return W;
}

void StandInOpenGate(const std::string& Name)
{
    std::lock_guard<std::mutex> G(gGateLock);
    gOpenGates.insert(Name);
}

void StandInCloseAllGates()
{
    std::lock_guard<std::mutex> G(gGateLock);
    gOpenGates.clear();
}

int32_t StandInFetches(const std::string& Address)
{
    std::lock_guard<std::mutex> G(gFetchLock);
    auto It = gFetches.find(Address);
    return It == gFetches.end() ? 0 : It->second;
}

int32_t StandInOverlaps()
{
    std::lock_guard<std::mutex> G(gFetchLock);
    return gOverlaps;
}

void StandInResetFetches()
{
    std::lock_guard<std::mutex> G(gFetchLock);
    gFetches.clear();
    gOverlaps = 0;
}

int32_t StandInActive() { return gActive.load(); }
int32_t StandInPeak() { return gPeak.load(); }
void StandInResetPeak() { gPeak = gActive.load(); }
