#pragma once
// The task model: an address (TTaskItem), a task's locked address list (TTaskItemList), a
// download task with its workers, counters, state and project file (TTask), and the loaded
// tasks (TTaskList). Start, Stop, ThreadDone and every row call run on the user-interface
// thread. Workers touch Items, FailedList, their item's TempFileName and SavedCount, and at the
// end of an address they mark it done and take the next one themselves (AddressDone): a worker
// serves one address at a time and carries on with the next while the refill rule lets it, so
// that an address's end needs no trip to the user-interface thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/ProjectFile.h"
#include "engine/TaskViews.h"
#include "platform/net/Uri.h"
#include "platform/rtl/Classes.h"
#include "platform/win/Locks.h"

class TRegOptions;
class TStream;
class TTask;
class TTaskThread;

// 0 running, 1 stopped (also finished), 2 queued.
using TaskState = uint8_t;
inline constexpr TaskState tsRunning = 0;
inline constexpr TaskState tsStopped = 1;
inline constexpr TaskState tsQueued = 2;

// Workers started by a start, and kept running by a refill.
inline constexpr int32_t kTaskStartWorkers = 8;
inline constexpr int32_t kTaskRefillWorkers = 7;

class TTaskItem : public TPersistent {
public:
    // Depth -1, not done, Host the task's start host. An item made without an address has no URI.
    TTaskItem(TTask* Task, const std::string& URL);
    explicit TTaskItem(TTask* Task);
    TTaskItem(const TTaskItem&) = delete;
    TTaskItem& operator=(const TTaskItem&) = delete;
    ~TTaskItem() override; // stops the worker still serving it
    std::string ClassName() const override { return "TTaskItem"; }
    // Copies the address, Done, Host and Depth; a copy never runs and has no file.
    void Assign(TPersistent* Source) override;

    // Class 9, 6 or 3 times 1000 plus the address length; 0 without a URI. Cached.
    int32_t Priority() const { return FPriority; }
    // Hands the address to a new worker of its task, unless it is done or running.
    void Start();
    // Running, and the row's image in the files view (user-interface thread).
    void SetRunning(bool Value);
    // Cancels the worker serving it, waits for it (serving synchronous calls), clears Running,
    // then deletes TempFileName.
    void Stop();

    int32_t GetDepth() const { return FDepth; }
    void SetDepth(int32_t Value) { FDepth = Value; }
    bool GetDone() const { return FDone; }
    void SetDone(bool Value);
    const std::string& GetHost() const { return *FHost; }
    TTask* GetTask() const { return FTask; }
    std::string GetTempFileName() const;
    void SetTempFileName(const std::string& Value);
    // The worker serving the address now; null when none does. The task owns its workers.
    TTaskThread* GetThread() const { return FThread.load(); }
    bool GetRunning() const { return FRunning.load(); }
    // The parsed address (an empty one without a URI). A crawl keeps hundreds of thousands of
    // items, so each keeps its address text only and parses it when asked.
    TUri GetURI() const { return FHasURI ? TUri(FAddress) : TUri(); }
    bool HasURI() const { return FHasURI; }
    // The full address the URI gives back ("" without a URI).
    const std::string& GetAddress() const { return FAddress; }

private:
    friend class TTask;
    friend class TTaskItemList;
    void ComputePriority(const TUri& URI);
    // Running without the row's image: what a worker may change (under the list lock).
    void MarkRunning(bool Value);

    // A crawl keeps an item for every address until the task is freed, so an item keeps only
    // what it needs then: the host is shared with every item of the same start host, and the
    // partial file's name, which only a running address has, is kept apart (TempFileName).
    TTask* FTask = nullptr;
    std::atomic<TTaskThread*> FThread{nullptr};
    const std::string* FHost;
    int32_t FDepth = -1;
    int32_t FPriority = 0;
    std::string FAddress;
    std::atomic<bool> FDone{false};
    std::atomic<bool> FRunning{false};
    bool FHasURI = false;
    bool FOwned = false;                  // a list has taken it (see TTaskItemList::Add)
    std::atomic<bool> FHasTempName{false}; // it has an entry among the partial files' names
};

// The items of a list by their address, for the look-ups of a crawl's many thousands of links:
// open addressing over the item pointers themselves (an address is read from its item), so an
// address costs a slot or two and no allocation of its own. An address may be carried by more
// than one item.
class TItemsByAddress {
public:
    void Insert(TTaskItem* Item);
    void Erase(TTaskItem* Item);
    bool Contains(std::string_view Address) const;
    // The items carrying the address.
    std::vector<TTaskItem*> Carriers(std::string_view Address) const;
    void Clear();
    size_t GetCount() const { return FCount; }

private:
    static size_t Hash(std::string_view Address);
    // The first slot to look at and the mask of the slot numbers.
    size_t Start(std::string_view Address) const { return Hash(Address) & (FSlots.size() - 1); }
    void Grow();

    std::vector<TTaskItem*> FSlots; // null: empty; Gone(): an item taken out
    size_t FCount = 0;              // items
    size_t FTaken = 0;              // items and taken-out slots
};

class TTaskItemList : public TPersistent {
public:
    TTaskItemList(TTask* Task, TNamedMutex* Mutex);
    TTaskItemList(const TTaskItemList&) = delete;
    TTaskItemList& operator=(const TTaskItemList&) = delete;
    ~TTaskItemList() override; // frees every item ever added
    std::string ClassName() const override { return "TTaskItemList"; }
    // Clears, then adds a copy of each item of the other list through AddSorted.
    void Assign(TPersistent* Source) override;

    // The list takes the item (it is freed with the list or by FreeItems). Returns its index.
    int32_t Add(TTaskItem* Item);
    // Priority order; an address already present is not inserted: its index is returned and the
    // caller keeps (and frees) Item.
    int32_t AddSorted(TTaskItem* Item);
    int32_t GetCount();
    TTaskItem* GetItem(int32_t Index);
    // Empties the list; the items stay owned by it.
    void Clear();
    // Index of the last item whose address equals Text exactly; -1 when none.
    int32_t IndexOfURL(const std::string& Text);
    bool ContainsURL(const std::string& Text);
    // Removes (not frees) the first item whose address equals Text trimmed, ignoring case. True
    // when one was removed; Removed gives it.
    bool DeleteURL(const std::string& Text, TTaskItem** Removed = nullptr);
    void WaitMutex();
    void ReleaseMutex();
    // The items, taken under the lock in one step.
    std::vector<TTaskItem*> Snapshot();
    // The first Max items that are neither done nor running, in list order: what a walk from
    // the front would start. The front of done and running items it passes is remembered, so
    // a crawl of many thousands of addresses does not walk them again for every worker's end.
    std::vector<TTaskItem*> Pending(int32_t Max);
    // An item went back to neither done nor running: the next Pending walks from the front.
    void PendingAgain();
    // Under the list lock, in one step: Ended (when given) is no longer running, and, when
    // MayClaim and fewer than MaxRunning of the task's addresses run then, the first address that
    // is neither done nor running is marked running for Worker and returned (null when none).
    // Every start of an address goes through here, so no address is handed out twice and the
    // count of running addresses never passes MaxRunning.
    TTaskItem* EndAndClaim(TTaskItem* Ended, bool MayClaim, int32_t MaxRunning, TTaskThread* Worker);
    // Frees every item ever added; only when no worker of them runs.
    void FreeItems();
    // Every item ever added and not freed, in the order they came.
    std::vector<TTaskItem*> OwnedSnapshot();

    TThreadList& GetList() { return FList; }
    TNamedMutex* GetMutex() const { return FMutex; }
    TTask* GetTask() const { return FTask; }

private:
    int32_t IndexOfURLLocked(TList* L, const std::string& Text);
    void Adopt(TTaskItem* Item);
    void Forget(TTaskItem* Item);
    void Index(TTaskItem* Item);

    TTask* FTask = nullptr;
    TNamedMutex* FMutex = nullptr;
    TThreadList FList;
    // The listed items by address; guarded by the list lock (an item's address never changes
    // while it is listed).
    TItemsByAddress FByURL;
    // True while the list is in non-increasing priority order (AddSorted may then search).
    bool FOrdered = true;
    // Every item before this index is done or running (Pending starts here); guarded by the lock.
    int32_t FPendingFrom = 0;
    // Every item the list has taken (each item marks itself taken, so it is kept once).
    std::vector<std::unique_ptr<TTaskItem>> FOwned;
};

// Holds a list's task mutex for a scope; a list made without one holds nothing.
class TListMutexHold : public TNamedMutexGuard {
public:
    explicit TListMutexHold(TTaskItemList* List) : TNamedMutexGuard(List->GetMutex()) {}
};

// Makes the worker of an item; the default makes a TTaskThread.
using TWorkerMaker = std::function<std::unique_ptr<TTaskThread>(TTask* Task, TTaskItem* Item, const std::string& URL)>;

class TTask : public TPersistent {
public:
    TTask();
    TTask(const TTask&) = delete;
    TTask& operator=(const TTask&) = delete;
    // Stops running workers (without OnFinish) and frees items, lists and mutexes.
    ~TTask() override;
    std::string ClassName() const override { return "TTask"; }
    void Assign(TPersistent* Source) override;

    void Start();
    void Stop();
    // A worker's end (user-interface thread): it found nothing more to do, so further workers
    // are started for what was added meanwhile, and the task finishes when none runs.
    void ThreadDone(TObject* Sender);
    // The end of a worker's address, on the worker's thread: the address is done and the next
    // one, when the refill rule lets the worker have it, is returned (null: the worker ends).
    // The rows follow through the user-interface thread's queue, many ends in one call.
    TTaskItem* AddressDone(TTaskThread& Worker);
    // Shows the ends of addresses the workers have handed over (user-interface thread).
    void ShowEnds();
    // Workers of the task not yet freed (the user-interface thread's view).
    int32_t GetWorkerCount() const { return static_cast<int32_t>(FWorkers.size()); }

    void AddURLRow(TTaskItem* Item);
    void AddFailedRow(TTaskItem* Item);
    void RemoveURLRow(TTaskItem* Item);
    void AddFile(const std::string& FileName, int64_t Size);

    int32_t GetRunningCount() const { return FRunningCount.load(); }
    // Frees every item of both lists (Restart); refused (false) while a worker runs.
    bool ClearItems();

    // Project file and failed-address file.
    void LoadFromFile(const std::string& FileName);
    // Writes "<name>.tmp" and moves it over the old file, for the project and the ".urls" file.
    void SaveToFile(const std::string& FileName);
    void LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream);
    void FillHeader(TProjectHeaderRec& Rec) const;
    void ReadHeader(const TProjectHeaderRec& Rec);

    TTaskItemList* GetItems() const { return FItems.get(); }
    TTaskItemList* GetFailedList() const { return FFailedList.get(); }
    TNamedMutex* GetItemsMutex() const { return FItemsMutex.get(); }
    TNamedMutex* GetFailedMutex() const { return FFailedMutex.get(); }
    TRegOptions* GetOptions() const { return FOptions.get(); }
    TUri* GetStartURI() const { return FStartURI.get(); }
    void SetStartURL(const std::string& URL);

    TTaskListView* GetFailedUrlListView() const { return FFailedUrlListView; }
    void SetFailedUrlListView(TTaskListView* Value) { FFailedUrlListView = Value; }
    TTaskListView* GetImagesListView() const { return FImagesListView; }
    void SetImagesListView(TTaskListView* Value) { FImagesListView = Value; }
    TTaskListView* GetFilesListView() const { return FFilesListView; }
    void SetFilesListView(TTaskListView* Value) { FFilesListView = Value; }
    TTaskLogView* GetLogEdit() const { return FLogEdit; }
    void SetLogEdit(TTaskLogView* Value) { FLogEdit = Value; }

    int32_t GetDoneCount() const { return FDoneCount.load(); }
    void SetDoneCount(int32_t Value) { FDoneCount = Value; }
    int32_t GetSavedCount() const { return FSavedCount.load(); }
    void SetSavedCount(int32_t Value) { FSavedCount = Value; }
    void IncSavedCount() { ++FSavedCount; }
    const std::string& GetID() const { return FID; }
    void SetID(const std::string& Value) { FID = Value; }
    const std::string& GetName() const { return FName; }
    void SetName(const std::string& Value) { FName = Value; }
    const std::string& GetNote() const { return FNote; }
    void SetNote(const std::string& Value) { FNote = Value; }
    const TNotifyEvent& GetOnFinish() const { return FOnFinish; }
    void SetOnFinish(TNotifyEvent Value) { FOnFinish = std::move(Value); }
    bool GetSelected() const { return FSelected.load(); }
    void SetSelected(bool Value) { FSelected = Value; }
    TaskState GetState() const { return FState.load(); }
    // 2 takes the next queue ticket; any other value clears it (-1).
    void SetState(TaskState Value);
    const std::string& GetFileName() const { return FFileName; }
    void SetFileName(const std::string& Value) { FFileName = Value; }
    void* GetTreeNode() const { return FTreeNode; }
    void SetTreeNode(void* Value) { FTreeNode = Value; }
    bool GetStopping() const { return FStopping; }
    int32_t GetQueueTicket() const { return FQueueTicket; }
    const TWorkerMaker& GetWorkerMaker() const { return FWorkerMaker; }
    void SetWorkerMaker(TWorkerMaker Value) { FWorkerMaker = std::move(Value); }
    // The image index remembered for an extension's icon, or -1.
    int32_t ExtIconIndex(const std::string& Extension) const;

private:
    friend class TTaskItem;
    friend class TTaskItemList;
    void RunningChanged(bool Running) { FRunningCount += Running ? 1 : -1; }
    // A worker is never freed inside its own end-of-thread call: it waits here until later.
    void DisposeWorker(std::unique_ptr<TTaskThread> Worker);
    void FreeRetiredWorkers();
    void Finish();
    // Makes and starts the worker of an address claimed for it (user-interface thread).
    void StartWorker(TTaskItem* Item);
    // Starts workers for pending addresses while fewer than kTaskRefillWorkers run.
    void Refill();
    void StopWorkers();
    // Cancels one worker, waits for it and cleans the address it served; then frees it.
    void StopWorker(TTaskThread* Worker);
    // An address no worker serves any more: not running, its partial file deleted.
    void CleanStopped(TTaskItem* Item);

    std::unique_ptr<TNamedMutex> FFailedMutex;
    std::unique_ptr<TNamedMutex> FItemsMutex;
    std::unique_ptr<TTaskItemList> FFailedList;
    std::unique_ptr<TTaskItemList> FItems;
    TTaskListView* FFailedUrlListView = nullptr;
    TTaskListView* FImagesListView = nullptr;
    TTaskListView* FFilesListView = nullptr;
    TTaskLogView* FLogEdit = nullptr;
    std::vector<std::pair<std::string, int32_t>> FExtIcons; // lower-case extension, image index
    std::atomic<int32_t> FDoneCount{0};
    std::string FID;
    std::string FName = "<noname>";
    std::string FNote;
    TNotifyEvent FOnFinish;
    std::unique_ptr<TRegOptions> FOptions;
    std::atomic<int32_t> FSavedCount{0};
    std::atomic<bool> FSelected{false};
    std::atomic<TaskState> FState{tsStopped};
    std::string FFileName;
    void* FTreeNode = nullptr;
    std::unique_ptr<TUri> FStartURI;
    bool FStopping = false;
    int32_t FQueueTicket = -1;
    std::atomic<int32_t> FRunningCount{0};
    TWorkerMaker FWorkerMaker;
    std::vector<std::unique_ptr<TTaskThread>> FWorkers; // started and not yet freed; UI thread
    std::vector<TTaskThread*> FEndingWorkers; // workers whose end call runs now (nested calls)
    std::vector<std::unique_ptr<TTaskThread>> FRetired;
    // Ends of addresses handed over by workers and not yet shown: the ended address, and the
    // one its worker went on with (or null).
    struct TEndNote {
        TTaskItem* Ended;
        TTaskItem* Next;
    };
    std::mutex FEndsLock;
    std::vector<TEndNote> FEnds;
    bool FEndsCallQueued = false;
};

// The header of a project file alone (the first 5140 bytes); the task tree shows its name.
// A missing file raises EFOpenError; a short one gives zeros for what it lacks.
TProjectHeaderData ReadTaskHeader(const std::string& FileName);

class TTaskList : public TPersistent {
public:
    TTaskList() = default;
    std::string ClassName() const override { return "TTaskList"; }
    // Clears, then adds a new task assigned from each task of the other list; the caller frees them.
    void Assign(TPersistent* Source) override;

    void Add(TTask* Task);
    void Clear();
    void Delete(int32_t Index); // removes the entry; never frees the task
    int32_t GetCount();
    TTask* GetItem(int32_t Index);
    void UnselectAll();
    int32_t GetRunningCount(); // tasks in state 0
    // The queued task with the smallest ticket (not -1, below 99999; the earlier one on a tie).
    TTask* NextQueued();
    int32_t IndexOfID(const std::string& Text);
    int32_t IndexOfFileName(const std::string& Text);
    std::vector<TTask*> Snapshot();

private:
    TThreadList FList;
};
