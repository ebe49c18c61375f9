#pragma once
// The two threads that fill the import dialog's tree: TImportFileListThread reads the index and
// starts one TImportFileThread per list; each file thread loads its list and adds a node per
// project not imported before. The tree is reached only through TImportTree, and only inside
// synchronised steps (on the user-interface thread).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/AutoUpdateProjects.h"
#include "platform/win/Thread.h"

// A node of the tree the import fills; what it points at belongs to the tree.
using TImportNode = void*;

// The tree operations the import needs. The dialog binds it to its tree view through
// TTreeViewImportTree (ImportTreeView.h); every call comes on the user-interface thread.
class TImportTree {
public:
    virtual ~TImportTree() = default;
    virtual TImportNode GetFirstTopNode() = 0; // null when the tree is empty
    virtual TImportNode AddChild(TImportNode Parent, const std::string& Text) = 0;
    virtual void SetText(TImportNode Node, const std::string& Text) = 0;
    virtual void SetImageIndex(TImportNode Node, int32_t Index) = 0;
    virtual void SetSelectedIndex(TImportNode Node, int32_t Index) = 0;
    virtual void SetData(TImportNode Node, TObject* Data) = 0;
    virtual void Expand(TImportNode Node, bool Recurse) = 0;
};

// A tree kept in memory that records what is done to it, for tests. Counts calls made off the
// user-interface thread.
class TRecordedImportTree : public TImportTree {
public:
    struct TNode {
        TNode* Parent = nullptr;
        std::vector<TNode*> Children;
        std::string Text;
        int32_t ImageIndex = -1;
        int32_t SelectedIndex = -1;
        TObject* Data = nullptr;
        bool Expanded = false;
    };

    TRecordedImportTree() = default;
    TRecordedImportTree(const TRecordedImportTree&) = delete;
    TRecordedImportTree& operator=(const TRecordedImportTree&) = delete;

    // A top-level node, as the dialog makes "New Tasks".
    TNode* AddTopNode(const std::string& Text);

    TImportNode GetFirstTopNode() override;
    TImportNode AddChild(TImportNode Parent, const std::string& Text) override;
    void SetText(TImportNode Node, const std::string& Text) override;
    void SetImageIndex(TImportNode Node, int32_t Index) override;
    void SetSelectedIndex(TImportNode Node, int32_t Index) override;
    void SetData(TImportNode Node, TObject* Data) override;
    void Expand(TImportNode Node, bool Recurse) override;

    // Reading, on the user-interface thread.
    TNode* GetTop(size_t Index) const { return Index < FTop.size() ? FTop[Index] : nullptr; }
    size_t GetChangeCount() const { return FChanges; }    // every call that changed something
    size_t GetForeignCalls() const { return FForeignCalls; } // calls off the user-interface thread
    const std::vector<std::string>& GetTexts() const { return FTexts; } // every text ever set, in order
    // The tree as indented lines "text [image/selected] +" (+ when expanded).
    std::string Dump() const;

private:
    void Touch();

    std::vector<std::unique_ptr<TNode>> FNodes;
    std::vector<TNode*> FTop;
    std::vector<std::string> FTexts;
    std::atomic<size_t> FChanges{0};
    std::atomic<size_t> FForeignCalls{0};
};

class TImportFileThread;

// Created running with the dialog's tree, whose first top node it fills. Owns its file threads.
class TImportFileListThread : public TThread {
public:
    static constexpr const char* TopText = "New Tasks";
    static constexpr const char* TopLoadingText = "New Tasks(downloading ...)";
    static constexpr const char* ListLoadingSuffix = "(loading ...)";
    static constexpr int32_t ListImage = 1;
    static constexpr int32_t ProjectImage = 2;

    // RootPath: the settings root whose ExistPrjs key holds the imported names.
    explicit TImportFileListThread(TImportTree* Tree, const std::string& RootPath = "\\Software\\Quillmoor");
    // Stops, then frees the file threads (and with them the items they own).
    ~TImportFileListThread() override;
    std::string ClassName() const override { return "TImportFileListThread"; }

    // On the user-interface thread: asks this thread and every file thread to stop, aborts their
    // downloads and waits for all of them, serving synchronous calls. Afterwards no thread
    // touches the tree and no file thread is started. May be called more than once.
    void Stop();

    TExistNames* GetExistNames() const { return FExistNames.get(); }
    TProjectUpdateCtrl* GetCtrl() const { return FCtrl.get(); }
    int32_t GetFileThreadCount() const;
    TImportFileThread* GetFileThread(int32_t Index) const;
    // Why the index download failed; "" when it did not (read after the thread ended).
    const std::string& GetError() const { return FError; }

protected:
    void Execute() override;
    void StopRequested() override;

private:
    void FileThreadTerminate(TObject* Sender);
    // A file thread's end has been handled on the user-interface thread: its place goes to the
    // next list.
    void ListDone();

    // Lists load a few at a time: a long index must not start a thread and a connection for
    // every list at once (a 32-bit process runs out of room for thousands of them).
    static constexpr int32_t MaxLoadingLists = 8;

    TImportTree* FTree = nullptr;
    std::unique_ptr<TProjectUpdateCtrl> FCtrl;
    std::unique_ptr<TExistNames> FExistNames;
    mutable std::mutex FLock; // guards FFileThreads and FStopping
    std::vector<TImportFileThread*> FFileThreads;
    bool FStopping = false;
    int32_t FLoading = 0;              // file threads whose end has not been handled; under FLock
    std::condition_variable FListDone; // signalled with FLock when FLoading drops or on a stop
    TImportNode FNode = nullptr;       // the current list's node
    std::string FListName;             // the current list's name
    TImportFileThread* FLastThread = nullptr;
    std::string FError;
};

// Loads one list and adds its new projects under its node. Owns the loaded items.
class TImportFileThread : public TThread {
public:
    TImportFileThread(const std::string& ListName, const TExistNames* ExistNames, TImportNode Node, TImportTree* Tree);
    ~TImportFileThread() override;
    std::string ClassName() const override { return "TImportFileThread"; }

    const std::string& GetListName() const { return FListName; }
    TImportNode GetNode() const { return FNode; }
    TImportTree* GetTree() const { return FTree; }
    // Null until loaded; set on the user-interface thread, so the dialog may read it there.
    TProjectItems* GetItems() const { return FItems.get(); }
    // The names of the projects not imported before (read after the thread ended).
    TStringList* GetNewNames() { return &FNewNames; }
    const std::string& GetError() const { return FError; }

protected:
    void Execute() override;
    void StopRequested() override;

private:
    void Load();

    std::string FListName;
    const TExistNames* FExistNames = nullptr;
    TImportNode FNode;
    TImportTree* FTree = nullptr;
    std::unique_ptr<TProjectUpdateCtrl> FCtrl;
    std::unique_ptr<TProjectItems> FItems;
    TStringList FNewNames;
    std::string FError;
};
