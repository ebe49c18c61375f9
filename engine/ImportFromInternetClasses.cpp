#include "engine/ImportFromInternetClasses.h"

#include <exception>


// ---------------------------------------------------------------------------------------------
// TRecordedImportTree

void TRecordedImportTree::Touch()
{
    ++FChanges;
    if (MainThreadID() != 0 && GetCurrentThreadId() != MainThreadID())
        ++FForeignCalls;
}

TRecordedImportTree::TNode* TRecordedImportTree::AddTopNode(const std::string& Text)
{
    FNodes.push_back(std::make_unique<TNode>());
    TNode* N = FNodes.back().get();
    N->Text = Text;
    FTop.push_back(N);
    return N;
}

TImportNode TRecordedImportTree::GetFirstTopNode()
{
    return FTop.empty() ? nullptr : FTop.front();
}

TImportNode TRecordedImportTree::AddChild(TImportNode Parent, const std::string& Text)
{
    Touch();
    FNodes.push_back(std::make_unique<TNode>());
    TNode* N = FNodes.back().get();
    N->Parent = static_cast<TNode*>(Parent);
    N->Text = Text;
    FTexts.push_back(Text);
    if (N->Parent)
        N->Parent->Children.push_back(N);
    else
        FTop.push_back(N);
    return N;
}

void TRecordedImportTree::SetText(TImportNode Node, const std::string& Text)
{
    Touch();
    static_cast<TNode*>(Node)->Text = Text;
    FTexts.push_back(Text);
}

void TRecordedImportTree::SetImageIndex(TImportNode Node, int32_t Index)
{
    Touch();
    static_cast<TNode*>(Node)->ImageIndex = Index;
}

void TRecordedImportTree::SetSelectedIndex(TImportNode Node, int32_t Index)
{
    Touch();
    static_cast<TNode*>(Node)->SelectedIndex = Index;
}

void TRecordedImportTree::SetData(TImportNode Node, TObject* Data)
{
    Touch();
    static_cast<TNode*>(Node)->Data = Data;
}

void TRecordedImportTree::Expand(TImportNode Node, bool Recurse)
{
    Touch();
    auto* N = static_cast<TNode*>(Node);
    N->Expanded = true;
    if (Recurse)
        for (TNode* C : N->Children)
            Expand(C, true);
}

std::string TRecordedImportTree::Dump() const
{
    std::string Out;
    struct TWalk {
        static void Node(const TNode* N, int Depth, std::string& Out)
        {
            Out += std::string(static_cast<size_t>(Depth) * 2, ' ') + N->Text + " [" + std::to_string(N->ImageIndex) +
                   "/" + std::to_string(N->SelectedIndex) + "]" + (N->Expanded ? " +" : "") + "\n";
            for (const TNode* C : N->Children)
                Node(C, Depth + 1, Out);
        }
    };
    for (const TNode* N : FTop)
        TWalk::Node(N, 0, Out);
    return Out;
}

// ---------------------------------------------------------------------------------------------
// TImportFileListThread

TImportFileListThread::TImportFileListThread(TImportTree* Tree, const std::string& RootPath)
    : FTree(Tree), FCtrl(std::make_unique<TProjectUpdateCtrl>()), FExistNames(std::make_unique<TExistNames>(RootPath))
{
}

TImportFileListThread::~TImportFileListThread()
{
    Stop();
    for (TImportFileThread* T : FFileThreads)
        delete T;
    FFileThreads.clear();
}

void TImportFileListThread::Stop()
{
    std::vector<TImportFileThread*> Threads;
    {
        // After this no file thread is started, so the copy holds every one there will be.
        std::lock_guard<std::mutex> Guard(FLock);
        FStopping = true;
        Threads = FFileThreads;
    }
    // Everybody is asked first, so no download keeps running while another thread is awaited.
    Terminate();
    for (TImportFileThread* T : Threads)
        T->Terminate();
    TerminateAndWait();
    for (TImportFileThread* T : Threads)
        T->TerminateAndWait();
}

void TImportFileListThread::StopRequested()
{
    FCtrl->Abort();
    // Wakes Execute when it waits for a place for the next list (Terminated is set by now).
    { std::lock_guard<std::mutex> Guard(FLock); }
    FListDone.notify_all();
}

void TImportFileListThread::ListDone()
{
    {
        std::lock_guard<std::mutex> Guard(FLock);
        --FLoading;
    }
    FListDone.notify_all();
}

int32_t TImportFileListThread::GetFileThreadCount() const
{
    std::lock_guard<std::mutex> Guard(FLock);
    return static_cast<int32_t>(FFileThreads.size());
}

TImportFileThread* TImportFileListThread::GetFileThread(int32_t Index) const
{
    std::lock_guard<std::mutex> Guard(FLock);
    if (Index < 0 || Index >= static_cast<int32_t>(FFileThreads.size()))
        throw EListError(Format("List index out of bounds (%d)", Index));
    return FFileThreads[static_cast<size_t>(Index)];
}

void TImportFileListThread::FileThreadTerminate(TObject* Sender)
{
    auto* T = static_cast<TImportFileThread*>(Sender);
    FTree->SetText(T->GetNode(), T->GetListName());
    FTree->Expand(T->GetNode(), false);
    // Only now is the thread through with the tree and about to end: its place goes to the next
    // list. (A place freed when its download ended would let threads that wait for a busy
    // user-interface thread pile up beyond the limit.)
    ListDone();
}

void TImportFileListThread::Execute()
{
    Synchronize([this] {
        if (TImportNode Top = FTree->GetFirstTopNode())
            FTree->SetText(Top, TopLoadingText);
    });

    TStringList Lines;
    try {
        FCtrl->GetIndex(&Lines);
    } catch (const std::exception& E) {
        // A failed index leaves an empty tree; the top node is still renamed below.
        FError = E.what();
    }

    for (int32_t I = 0; I < Lines.GetCount() && !Terminated(); ++I) {
        {
            std::unique_lock<std::mutex> Guard(FLock);
            FListDone.wait(Guard, [this] { return FStopping || Terminated() || FLoading < MaxLoadingLists; });
            if (FStopping || Terminated())
                break;
        }
        FListName = Lines.GetStrings(I);
        FNode = nullptr;
        Synchronize([this] {
            TImportNode Top = FTree->GetFirstTopNode();
            if (!Top)
                return;
            FNode = FTree->AddChild(Top, FListName + ListLoadingSuffix);
            FTree->SetImageIndex(FNode, ListImage);
            FTree->SetSelectedIndex(FNode, ListImage);
        });
        if (!FNode)
            break;
        {
            std::lock_guard<std::mutex> Guard(FLock);
            if (FStopping)
                break;
            auto* T = new TImportFileThread(FListName, FExistNames.get(), FNode, FTree);
            T->OnTerminate = [this](TObject* Sender) { FileThreadTerminate(Sender); };
            FFileThreads.push_back(T);
            FLastThread = T;
            ++FLoading;
            T->Resume();
        }
        Synchronize([this] { FTree->SetData(FNode, FLastThread); });
    }

    Synchronize([this] {
        if (TImportNode Top = FTree->GetFirstTopNode()) {
            FTree->SetText(Top, TopText);
            FTree->Expand(Top, false);
        }
    });
}

// ---------------------------------------------------------------------------------------------
// TImportFileThread

TImportFileThread::TImportFileThread(const std::string& ListName, const TExistNames* ExistNames, TImportNode Node,
                                     TImportTree* Tree)
    : FListName(ListName), FExistNames(ExistNames), FNode(Node), FTree(Tree),
      FCtrl(std::make_unique<TProjectUpdateCtrl>())
{
}

TImportFileThread::~TImportFileThread()
{
    TerminateAndWait();
}

void TImportFileThread::StopRequested()
{
    FCtrl->Abort();
}

void TImportFileThread::Execute()
{
    Load();
}

void TImportFileThread::Load()
{
    std::unique_ptr<TProjectItems> Items;
    try {
        Items = FCtrl->GetProjects(FListName);
    } catch (const std::exception& E) {
        // Ends quietly: the node is renamed by the termination handler and stays empty.
        FError = E.what();
        return;
    }

    TStringList Names;
    for (int32_t I = 0; I < Items->GetCount(); ++I) {
        Items->GetItem(I)->SetExists(true);
        Names.Add(Items->GetItem(I)->GetName());
    }
    FExistNames->RemoveExisting(&Names);
    for (int32_t I = 0; I < Names.GetCount(); ++I)
        Items->GetItem(Items->IndexOfName(Names.GetStrings(I)))->SetExists(false);
    FNewNames.Assign(&Names);

    // The items are handed over on the user-interface thread, where the dialog reads them.
    Synchronize([this, &Items] {
        FItems = std::move(Items);
        for (int32_t I = 0; I < FNewNames.GetCount(); ++I) {
            const std::string Name = FNewNames.GetStrings(I);
            TImportNode Node = FTree->AddChild(FNode, Name);
            FTree->SetImageIndex(Node, TImportFileListThread::ProjectImage);
            FTree->SetSelectedIndex(Node, TImportFileListThread::ProjectImage);
            FTree->SetData(Node, FItems->GetItem(FItems->IndexOfName(Name)));
        }
    });
    if (Items) // not handed over: the thread was stopped; read only after it is awaited
        FItems = std::move(Items);
}
