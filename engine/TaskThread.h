#pragma once
// The crawl worker's frame: a thread of a task, made suspended at idle priority for a first
// address, which reaches the windows only through its synchronous and queued calls. It serves
// one address at a time; at the end of one the task marks it done and may hand it the next
// (TTask::AddressDone), else the worker ends. What it does with an address is its body: the
// crawl fills it, tests put a stand-in there.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/net/Uri.h"
#include "platform/rtl/FileStream.h"
#include "platform/win/Thread.h"

class TTask;
class TTaskItem;
class THttpClient;
class TObject;

// The images-library step of a saved picture. Empty until the images library installs its
// hook (SetStartAddImageHook); it runs on the worker's thread.
using TStartAddImageHook = std::function<void(TTask* Task, const std::string& FileName)>;
void SetStartAddImageHook(TStartAddImageHook Hook);

class TTaskThread : public TThread {
public:
    using TBody = std::function<void(TTaskThread& Worker)>;

    // Suspended, idle priority, for Item (whose address is URL), NewItemIndex -1; never frees
    // itself.
    TTaskThread(TTask* Task, TTaskItem* Item, const std::string& URL);
    ~TTaskThread() override;
    std::string ClassName() const override { return "TTaskThread"; }

    // The calls to the user-interface thread. Each Sync call runs there while the worker waits,
    // except SyncProgress, which is queued and replaces the worker's older report for the same
    // address while that one waits; FileSaved and Log are queued and the worker goes on. All
    // return false when the worker was cancelled (the call then did not run).
    bool SyncAddURLRow();
    bool SyncAddFailedRow();
    bool SyncProgress();
    bool SyncAddFile(const std::string& FileName, int64_t Size);
    // The rows of a page's new links, in one call queued like a log line: the worker does not
    // wait for it. An address already done when it runs gets none.
    bool AddURLRows(std::vector<TTaskItem*> NewItems);
    // A saved picture's images row and the log line of Text, in one call queued like a log
    // line: the worker does not wait for it.
    bool FileSaved(const std::string& FileName, int64_t Size, const std::string& Text);
    // LogText := Text, then the line of LogText goes to the task's log without waiting: it is
    // queued for the user-interface thread, ahead of the worker's later calls. False when the
    // worker was cancelled.
    bool Log(const std::string& Text);

    // The line a log call writes: "[<short date> <long time>] - <Text>".
    static std::string LogLine(const std::string& Text);

    TTask* GetTask() const { return FTask; }
    // The address served now (the worker's own thread changes it between addresses).
    TTaskItem* GetItem() const { return FItem; }
    TUri& GetURI() { return FURI; }
    bool Cancelled() const { return Terminated(); }

    // The client's work-progress event: the size and completed texts, then SyncProgress.
    void HTTPWork(TObject* Sender, int32_t WorkMode, int64_t WorkCount);
    // Hands a saved picture to the images library (through the installed hook).
    void StartAddImage(const std::string& FileName);

    std::string SizeText;
    int32_t NewItemIndex = -1;
    std::unique_ptr<TFileStream> FileStream; // closed by the worker itself, once
    std::string LogText;
    TTaskItem* NewItem = nullptr;
    std::string PercentText;
    TBody Body;
    // For the crawl's profile: when the worker was started.
    int64_t StartedAt = -1;

protected:
    void Execute() override;
    // Aborts the blocking call of the worker (the crawl's HTTP transfer).
    void StopRequested() override;

public:
    // Called inside Terminate on the cancelling thread.
    std::function<void()> OnStopRequested;

private:
    // The crawl of the address: the page branch, then the file branch.
    void Crawl();
    // The next address: the item, its parse, and every per-address field afresh.
    void TakeAddress(TTaskItem* Item);
    bool PageBranch(THttpClient& HTTP);
    void FileBranch(THttpClient& HTTP);
    bool GetPage(THttpClient& HTTP, std::string& Text);
    void SavePage(const std::string& Text);
    void AddFailed();

    TTask* FTask = nullptr;
    TTaskItem* FItem = nullptr;
    TUri FURI;
    // The progress texts the row was last given, so that an unchanged report is not sent again.
    bool FProgressShown = false;
    std::string FShownSizeText, FShownPercentText;
    std::mutex FHTTPLock; // guards FHTTP against StopRequested on the cancelling thread
    THttpClient* FHTTP = nullptr;
    // The client of the worker's addresses, made for the first and freed at the worker's end.
    std::unique_ptr<THttpClient> FClient;
};
