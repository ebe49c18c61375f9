#pragma once
// The crawl worker's frame: one thread per address of a task, made suspended at idle priority,
// which reaches the windows only through its synchronous calls. What it does with its address
// is its body: the crawl fills it, tests put a stand-in there.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/net/Uri.h"
#include "platform/rtl/FileStream.h"
#include "platform/win/Thread.h"

class TTask;
class TTaskItem;

class TTaskThread : public TThread {
public:
    using TBody = std::function<void(TTaskThread& Worker)>;

    // Suspended, idle priority, URI parsed from URL, NewItemIndex -1; never frees itself.
    TTaskThread(TTask* Task, TTaskItem* Item, const std::string& URL);
    ~TTaskThread() override;
    std::string ClassName() const override { return "TTaskThread"; }

    // The synchronous calls; each runs on the user-interface thread while the worker waits, and
    // returns false when the worker was cancelled (the call then did not run).
    bool SyncLog();
    bool SyncAddURLRow();
    bool SyncAddFailedRow();
    bool SyncProgress();
    bool SyncAddFile(const std::string& FileName, int64_t Size);
    // LogText := Text, then SyncLog.
    bool Log(const std::string& Text);

    // The line SyncLog writes: "[<short date> <long time>] - <Text>".
    static std::string LogLine(const std::string& Text);

    TTask* GetTask() const { return FTask; }
    TTaskItem* GetItem() const { return FItem; }
    TUri& GetURI() { return FURI; }
    bool Cancelled() const { return Terminated(); }

    std::string SizeText;
    int32_t NewItemIndex = -1;
    std::unique_ptr<TFileStream> FileStream; // closed by the worker itself, once
    std::string LogText;
    TTaskItem* NewItem = nullptr;
    std::string PercentText;
    TBody Body;

protected:
    void Execute() override;
    // Aborts the blocking call of the worker (the crawl's HTTP transfer).
    void StopRequested() override;

public:
    // Called inside Terminate on the cancelling thread.
    std::function<void()> OnStopRequested;

private:
    TTask* FTask;
    TTaskItem* FItem;
    TUri FURI;
};
