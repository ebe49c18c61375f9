// The Tasks commands of the main window, the enabling that follows the selection, and the
// routines they share.

#include <algorithm>
#include <cctype>
#include <unordered_set>

#include "app/FolderTree.h"
#include "app/ImportProjectsForm.h"
#include "app/MainActions.h"
#include "app/MainForm.h"
#include "app/NewFolderForm.h"
#include "app/TaskForm.h"
#include "app/WaitForm.h"
#include "engine/AutoUpdateProjects.h"
#include "engine/EngineRoutines.h"
#include "engine/EngineText.h"
#include "engine/ImportRecords.h"
#include "engine/Task.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/Dialogs.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Files.h"
#include "platform/win/Guid.h"
#include "platform/win/Screen.h"
#include "platform/win/TreeView.h"

namespace {

// Run starts a task while fewer run; the scheduler and Restart start theirs regardless.
constexpr int32_t kMaxRunningTasks = 3;
constexpr const char* kRunningMessage = "Sorry, current task is running ... Please stop it and try again.";
constexpr const char* kRestartQuestion = "This action will redownload images from specified url, are you sure ?";

int32_t Ask(const std::string& Text, const std::string& Caption)
{
    return Application->MessageBox(Text, Caption, MB_YESNO | MB_ICONQUESTION);
}

void ShowError(const std::string& Text)
{
    Application->MessageBox(Text, "Error", MB_OK | MB_ICONERROR);
}

bool IsActive(const TTask* T)
{
    return T && (T->GetState() == tsRunning || T->GetState() == tsQueued);
}

std::string LastPart(const std::string& Path)
{
    return ExtractFileName(ExcludeTrailingBackslash(Path));
}

// A folder name typed by the user that names one folder right below its parent.
bool ValidFolderName(const std::string& Name)
{
    if (Name.empty() || Name == "." || Name == "..")
        return false;
    for (unsigned char C : Name)
        if (C < 32 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(C)) != std::string_view::npos)
            return false;
    return true;
}

// A task made here (New, a sample, an import) connects as the options say: the task dialog has no
// proxy fields, so without this the user's proxy would never reach a crawl.
void TakeGlobalProxy(TRegOptions* Task, const TRegOptions* Global)
{
    Task->SetUseProxyServer(Global->GetUseProxyServer());
    Task->SetProxyServerAddr(Global->GetProxyServerAddr());
    Task->SetProxyServerPort(Global->GetProxyServerPort());
}

} // namespace

TTreeNode* TMainForm::AddSampleFolder(TTreeNode* Parent, const std::string& Title)
{
    const std::string Path = JoinPath(NodePath(Parent), Title);
    CreateDirectoryA(Path.c_str(), nullptr); // an existing folder is fine
    TTreeNode* N = TasksTreeView->GetItems()->AddChild(Parent, Title);
    N->SetImageIndex(tiFolder);
    N->SetSelectedIndex(tiOpenFolder);
    SetNodePath(N, Path);
    return N;
}

TTreeNode* TMainForm::AddSampleTask(const std::string& Title, const std::string& Address, TTreeNode* FolderNode)
{
    TRegOptions* Global = Settings->GetOptions();
    TTask T;
    T.SetName(Title);
    T.SetStartURL(Address);
    T.SetNote("");
    TRegOptions* O = T.GetOptions();
    O->SetEnableFileLimit(true);
    O->SetFileMaxSize(10240);
    O->SetFileMinSize(10);
    O->SetSeekDeep(5);
    O->SetFileMasks(Global->GetFileMasks());
    O->SetDefaultFolder(AddTrailingBackslash(Global->GetDefaultFolder()) + Title + "\\");
    TakeGlobalProxy(O, Global);
    T.SetID(NewGuidText());
    TTreeNode* Folder = DirectoryExists(NodePath(FolderNode)) ? FolderNode : FolderNode->GetParent();
    if (!Folder)
        Folder = RootNode();
    const std::string Path = JoinPath(NodePath(Folder), Title + ".wrp");
    ForceDirectories(O->GetDefaultFolder() + "Saved");
    T.SetFileName(Path);
    T.SaveToFile(Path);
    TTreeNode* N = TasksTreeView->GetItems()->AddChild(Folder, Title);
    N->SetImageIndex(tiStoppedTask);
    N->SetSelectedIndex(tiStoppedTask);
    SetNodePath(N, Path);
    return N;
}

// ---------------------------------------------------------------------------------------------
// Enabling and icons.

void TMainForm::UpdateActions(bool Refill)
{
    if (!TaskList)
        return;
    TMainActions& A = *Actions;
    TTreeNode* Node = TasksTreeView->GetSelected();
    TTask* Task = IsTaskNode(Node) ? TaskOfNode(Node) : nullptr;
    auto Set = [](TAction* Action, bool Value) { TMainActions::SetEnabled(Action, Value); };

    Set(A.TasksNewAction, true);
    Set(A.TasksRefreshAction, true);
    Set(A.TasksDeleteAction, Node && Node != RootNode());
    bool ShowDownloaded = false;
    if (!Node) {
        // Nothing to act on: New and New Folder go to the root.
        Set(A.TasksNewFolderAction, true);
        for (TAction* X : {A.TasksPropAction, A.TasksRunAction, A.TasksStopAction, A.TasksRestartAction,
                           A.TasksSaveURLAction, A.ImageCollectAction})
            Set(X, false);
        UpdateImageActions();
    } else if (IsFolderNode(Node)) {
        Set(A.TasksNewFolderAction, true);
        for (TAction* X : {A.TasksPropAction, A.TasksRunAction, A.TasksStopAction, A.TasksRestartAction,
                           A.TasksSaveURLAction, A.ImageCollectAction, A.ImageDeleteAllAction, A.ImageCopyToAction,
                           A.ImageMoveToAction, A.ImageDeleteAction, A.ImageDeleteByAction, A.ImageWallpaperAction,
                           A.ImageOpenFolderAction, A.ImageBuildInAction})
            Set(X, false);
    } else if (Task) {
        Set(A.TasksNewFolderAction, false);
        Set(A.TasksRestartAction, true);
        Set(A.TasksSaveURLAction, true);
        Set(A.ImageCollectAction, true);
        if (Refill)
            FillImagesPane(Task);
        ShowDownloaded = true;
        UpdateImageActions();
        const bool Active = IsActive(Task);
        Set(A.TasksRunAction, !Active);
        Set(A.TasksDeleteAction, !Active);
        Set(A.TasksPropAction, !Active);
        Set(A.TasksStopAction, Active);
    } else {
        // A plain file, or a task file that cannot be read.
        Set(A.TasksNewFolderAction, false);
        for (TAction* X : {A.TasksPropAction, A.TasksRunAction, A.TasksStopAction, A.TasksRestartAction,
                           A.TasksSaveURLAction, A.ImageCollectAction})
            Set(X, false);
        if (IsTaskNode(Node))
            ImagesListView->GetItems()->Clear();
        UpdateImageActions();
    }
    if (DownloadedPanel->GetVisible() != ShowDownloaded || DownloadedSplitter->GetVisible() != ShowDownloaded) {
        DownloadedPanel->SetVisible(ShowDownloaded);
        DownloadedSplitter->SetVisible(ShowDownloaded);
        ArrangeBottomPanels();
    }
    // The failed-address buttons act on the shown task's rows only.
    UpdateFailedButtons();
    Set(A.TasksStopAllAction, TaskList->GetRunningCount() > 0);
}

void TMainForm::UpdateTaskIcons()
{
    for (TTreeNode* N = RootNode(); N; N = N->GetNext()) {
        TTask* T = TaskOfNode(N);
        if (!T)
            continue;
        const int32_t Image = T->GetState() == tsRunning ? tiRunningTask
                            : T->GetState() == tsQueued  ? tiQueuedTask
                                                         : tiStoppedTask;
        N->SetImageIndex(Image);
        N->SetSelectedIndex(Image);
    }
}

void TMainForm::FillUrlLists(TTask* Task)
{
    if (!Task)
        return;
    FilesListView->GetItems()->BeginUpdate();
    FilesListView->GetItems()->Clear();
    for (TTaskItem* Item : Task->GetItems()->Snapshot())
        if (!Item->GetDone() && !Item->GetAddress().empty())
            Task->AddURLRow(Item);
    FilesListView->GetItems()->EndUpdate();
    FailedUrlListView->GetItems()->BeginUpdate();
    FailedUrlListView->GetItems()->Clear();
    for (TTaskItem* Item : Task->GetFailedList()->Snapshot())
        if (!Item->GetAddress().empty())
            Task->AddFailedRow(Item);
    FailedUrlListView->GetItems()->EndUpdate();
}

void TMainForm::MarkRunningRows(TTask* Task)
{
    if (!Task)
        return;
    // A row's data may be an address the list no longer holds: only the list's running addresses
    // are marked, found in a set (a stopped task resumed can list tens of thousands of rows).
    std::unordered_set<TTaskItem*> Running;
    for (TTaskItem* Item : Task->GetItems()->Snapshot())
        if (Item->GetRunning())
            Running.insert(Item);
    if (Running.empty())
        return;
    TListItems* Rows = FilesListView->GetItems();
    for (int32_t I = 0; I < Rows->GetCount(); ++I)
        if (Running.count(static_cast<TTaskItem*>(Rows->GetItem(I)->GetData())))
            Rows->GetItem(I)->SetImageIndex(1);
}

void TMainForm::ClearFileMarks()
{
    TListItems* Rows = FilesListView->GetItems();
    for (int32_t I = 0; I < Rows->GetCount(); ++I)
        Rows->GetItem(I)->SetImageIndex(0);
}

void TMainForm::ShowWait(const std::string& Text)
{
    if (!WaitForm)
        WaitForm = new TWaitForm(Application);
    WaitForm->ShowMessage(Text);
}

void TMainForm::HideWait()
{
    if (WaitForm)
        WaitForm->Hide();
}

// ---------------------------------------------------------------------------------------------
// Selection.

void TMainForm::TasksTreeViewChanging(TObject*, TTreeNode*, bool& AllowChange)
{
    AllowChange = true;
    if (FTreeRebuilding)
        return;
    TTreeNode* Old = TasksTreeView->GetSelected();
    if (!IsTaskNode(Old))
        return;
    TTask* T = TaskOfNode(Old);
    if (!T)
        return;
    // Written to the node's own file: never a second file named after the task.
    try {
        T->SaveToFile(NodePath(Old));
    } catch (const Exception& E) {
        AddLog("Cannot write the task file " + NodePath(Old) + " : " + E.Message());
    }
}

void TMainForm::TasksTreeViewChange(TObject*, TTreeNode* Node)
{
    if (!TaskList)
        return;
    TaskList->UnselectAll();
    if (FilesListView->GetItems()->GetCount() > 0)
        FilesListView->GetItems()->Clear();
    TTask* T = FTreeRebuilding ? nullptr : TaskOfNode(Node);
    if (T) {
        T->SetSelected(true);
        FillUrlLists(T);
    } else {
        FailedUrlListView->GetItems()->Clear();
        ImagesListView->GetItems()->Clear();
        LastImageIndex = nullptr;
    }
    UpdateActions(true);
}

// ---------------------------------------------------------------------------------------------
// Run, Stop, Restart, Stop all.

void TMainForm::TasksRunActionExecute(TObject*)
{
    TTreeNode* Node = TasksTreeView->GetSelected();
    TTask* T = TaskOfNode(Node);
    if (!T)
        return;
    if (T->GetState() == tsStopped && TaskList->GetRunningCount() >= kMaxRunningTasks) {
        // The task waits its turn; nobody's Selected flag changes.
        T->SetState(tsQueued);
        Node->SetImageIndex(tiQueuedTask);
        Node->SetSelectedIndex(tiQueuedTask);
    } else if (T->GetState() == tsStopped) {
        const int32_t Count = T->GetItems()->GetCount();
        if (Count != 0 && T->GetDoneCount() == Count) {
            TasksRestartActionExecute(this);
            UpdateActions(false);
            UpdateTaskIcons();
            return;
        }
        TaskList->UnselectAll();
        T->SetSelected(true);
        T->Start();
        MarkRunningRows(T);
    } else if (T->GetState() == tsRunning) {
        ShowError("Sorry, current task already running !");
    }
    UpdateActions(false);
    UpdateTaskIcons();
}

void TMainForm::TasksStopActionExecute(TObject*)
{
    TTreeNode* Node = TasksTreeView->GetSelected();
    TTask* T = TaskOfNode(Node);
    if (!T)
        return;
    if (T->GetState() == tsRunning) {
        {
            TBusyCursor Busy;
            ShowWait("Terminate threads");
            // A failure hides the wait window before the cursor comes back.
            TScopeExit HideOnFailure([this] { HideWait(); });
            T->Stop();
            HideOnFailure.Dismiss();
        }
        HideWait();
        T->SaveToFile(NodePath(Node));
        ClearFileMarks();
    } else if (T->GetState() == tsStopped) {
        ShowError("Sorry, current task already stopped !");
    }
    if (T->GetState() == tsQueued) {
        Node->SetImageIndex(tiStoppedTask);
        Node->SetSelectedIndex(tiStoppedTask);
        T->SetState(tsStopped);
    }
    FillUrlLists(T);
    UpdateActions(false);
    UpdateTaskIcons();
}

void TMainForm::ClearItemsKeepFailed(TTask* Task)
{
    // The address list only: the failed addresses stay for the user to retry or export.
    for (TTaskItem* Item : Task->GetItems()->Snapshot())
        if (Item->GetThread())
            Item->Stop();
    Task->GetItems()->FreeItems();
    Task->SetDoneCount(0);
    Task->SetSavedCount(0);
}

void TMainForm::TasksRestartActionExecute(TObject*)
{
    TTreeNode* Node = TasksTreeView->GetSelected();
    if (!IsTaskNode(Node))
        return;
    TTask* T = TaskOfNode(Node);
    if (!T)
        return;
    if (Ask(kRestartQuestion, "Confirm") != IDYES)
        return;
    {
        TBusyCursor Busy;
        ShowWait("Terminate threads of current task");
        // A failure hides the wait window before the cursor comes back.
        TScopeExit HideOnFailure([this] { HideWait(); });
        TFlagScope Restart(Restarting);
        T->Stop();
        HideOnFailure.Dismiss();
    }
    HideWait();
    FilesListView->GetItems()->Clear();
    ClearItemsKeepFailed(T);
    T->SetSelected(true);
    T->Start();
    UpdateActions(false);
    UpdateTaskIcons();
}

void TMainForm::TasksStopAllActionExecute(TObject*)
{
    {
        TBusyCursor Busy;
        ShowWait("Terminate thread");
        // A failure hides the wait window before the cursor comes back.
        TScopeExit HideOnFailure([this] { HideWait(); });
        TFlagScope Stopping(StoppingAll);
        ClearFileMarks();
        std::vector<TTask*> Tasks = TaskList->Snapshot();
        for (size_t I = Tasks.size(); I-- > 0;) {
            TTask* T = Tasks[I];
            if (T->GetState() == tsRunning) {
                T->Stop();
                try {
                    T->SaveToFile(T->GetFileName());
                } catch (const Exception& E) {
                    AddLog("Cannot write the task file " + T->GetFileName() + " : " + E.Message());
                }
            } else if (T->GetState() == tsQueued) {
                if (auto* N = static_cast<TTreeNode*>(T->GetTreeNode())) {
                    N->SetImageIndex(tiStoppedTask);
                    N->SetSelectedIndex(tiStoppedTask);
                }
                T->SetState(tsStopped);
            }
        }
        HideOnFailure.Dismiss();
    }
    HideWait();
    UpdateTaskIcons();
    UpdateActions(false);
}

// TaskFinished, the end of a task, lives with the closing code in MainFormClose.cpp.

// ---------------------------------------------------------------------------------------------
// The task dialog's contract.

void TMainForm::FillTaskForm(TTaskForm* F, TTask* Task)
{
    TRegOptions* O = Task ? Task->GetOptions() : Settings->GetOptions();
    F->BeginFill();
    F->SetCaption(Task ? "Edit Task" : "New Task");
    if (Task) {
        F->URLEdit->SetText(Task->GetStartURI()->GetURI());
        F->TaskNameEdit->SetText(Task->GetName());
        F->NoteMemo->SetText(Task->GetNote());
        F->URLEdit->SetEnabled(false);
        F->SpecifyNameCheckBox->SetEnabled(false);
    }
    F->DefaultFolderEdit->SetText(O->GetDefaultFolder());
    F->EnableLimitCheckBox->SetChecked(O->GetEnableFileLimit());
    F->MaxEdit->SetText(IntToStr(O->GetFileMaxSize()));
    F->MinEdit->SetText(IntToStr(O->GetFileMinSize()));
    F->DeepTrackBar->SetPosition(O->GetSeekDeep());
    F->TimeOutUpDown->SetPosition(O->GetTimeOut());
    F->SaveAsWebChk->SetChecked(O->GetSaveAsWebStructure());
    F->FillRuleLists(O);
    F->NeedToLogin->SetChecked(O->GetUseLogin());
    F->UserNameEdit->SetText(O->GetLoginUser());
    F->PasswordEdit->SetText(O->GetLoginPassword());
    F->EndFill();
}

void TMainForm::ReadTaskForm(TTaskForm* F, TTask* Task)
{
    Task->SetName(F->TaskNameEdit->GetText());
    Task->SetStartURL(F->URLEdit->GetText());
    Task->SetNote(F->NoteMemo->GetText());
    TRegOptions* O = Task->GetOptions();
    O->SetDefaultFolder(AddTrailingBackslash(F->DefaultFolderEdit->GetText()));
    O->SetEnableFileLimit(F->EnableLimitCheckBox->GetChecked());
    O->SetFileMaxSize(StrToIntDef(F->MaxEdit->GetText(), 0));
    O->SetFileMinSize(StrToIntDef(F->MinEdit->GetText(), 0));
    O->SetSeekDeep(F->DeepTrackBar->GetPosition());
    O->SetTimeOut(F->TimeOutUpDown->GetPosition());
    O->SetSaveAsWebStructure(F->SaveAsWebChk->GetChecked());
    F->ReadRuleLists(O);
    O->SetUseLogin(F->NeedToLogin->GetChecked());
    O->SetLoginUser(F->UserNameEdit->GetText());
    O->SetLoginPassword(F->PasswordEdit->GetText());
}

// ---------------------------------------------------------------------------------------------
// New, Properties, New Folder.

TTreeNode* TMainForm::FolderOfSelection()
{
    TTreeNode* Node = TasksTreeView->GetSelected();
    if (!Node)
        return RootNode();
    if (IsFolderNode(Node))
        return Node;
    return Node->GetParent() ? Node->GetParent() : RootNode();
}

bool TMainForm::TaskNameExists(const std::string& Name)
{
    TTreeNode* Folder = FolderOfSelection();
    for (int32_t I = 0; I < Folder->GetCount(); ++I) {
        TTreeNode* C = Folder->GetItem(I);
        if (IsTaskNode(C) && SameText(ExtractFileName(NodePath(C)), Name + ".wrp"))
            return true;
    }
    return false;
}

TTreeNode* TMainForm::AddTaskNode(TTreeNode* Folder, const std::string& Name)
{
    const std::string Path = JoinPath(NodePath(Folder), Name + ".wrp");
    TTreeNode* N = nullptr;
    for (int32_t I = 0; I < Folder->GetCount() && !N; ++I) {
        TTreeNode* C = Folder->GetItem(I);
        if (IsTaskNode(C) && SameText(ExtractFileName(NodePath(C)), Name + ".wrp"))
            N = C;
    }
    if (!N) {
        N = TasksTreeView->GetItems()->AddChild(Folder, Name);
        SetNodePath(N, Path);
    } else {
        N->SetText(Name);
    }
    N->SetImageIndex(tiStoppedTask);
    N->SetSelectedIndex(tiStoppedTask);
    return N;
}

void TMainForm::TasksNewActionExecute(TObject*)
{
    std::unique_ptr<TTaskForm> F(new TTaskForm(this));
    FillTaskForm(F.get(), nullptr);
    if (F->ShowModal() != mrOk)
        return;
    const std::string Name = F->TaskNameEdit->GetText();
    if (TaskNameExists(Name) &&
        Ask("There is a same name task exists in current folder, do you want to override it?", "Question") != IDYES)
        return;
    TTreeNode* Folder = FolderOfSelection();
    const std::string Path = JoinPath(NodePath(Folder), Name + ".wrp");
    // The file may belong to a loaded task: a running or queued one must be stopped first.
    TTask* Loaded = LoadedTaskOf(Path);
    if (IsActive(Loaded)) {
        ShowError(kRunningMessage);
        return;
    }
    auto T = std::make_unique<TTask>();
    ReadTaskForm(F.get(), T.get());
    TakeGlobalProxy(T->GetOptions(), Settings->GetOptions());
    T->SetID(NewGuidText());
    F.reset();
    if (Loaded) {
        EmptyViews();
        ForgetTask(Loaded);
    }
    FFailedTaskFiles.erase(LoadedKey(Path));
    TTreeNode* N = AddTaskNode(Folder, Name);
    const std::string NodeFile = NodePath(N);
    T->SetFileName(NodeFile);
    T->SaveToFile(NodeFile);
    T.reset();
    TasksTreeView->SetSelected(N);
}

void TMainForm::TasksPropActionExecute(TObject*)
{
    TTreeNode* Node = TasksTreeView->GetSelected();
    TTask* T = TaskOfNode(Node);
    if (!T)
        return;
    if (T->GetState() != tsStopped) {
        ShowError(kRunningMessage);
        return;
    }
    std::unique_ptr<TTaskForm> F(new TTaskForm(this));
    FillTaskForm(F.get(), T);
    if (F->ShowModal() != mrOk)
        return;
    ReadTaskForm(F.get(), T);
    F.reset();
    T->SaveToFile(NodePath(Node));
    if (!T->GetName().empty())
        Node->SetText(T->GetName());
}

bool TMainForm::FolderNameExists(const std::string& Name)
{
    TTreeNode* Parent = TasksTreeView->GetSelected();
    if (!Parent)
        Parent = RootNode();
    const std::string Wanted = Trim(Name);
    for (int32_t I = 0; I < Parent->GetCount(); ++I) {
        TTreeNode* C = Parent->GetItem(I);
        if (IsFolderNode(C) && SameText(LastPart(NodePath(C)), Wanted))
            return true;
    }
    return false;
}

void TMainForm::TasksNewFolderActionExecute(TObject*)
{
    TTreeNode* Parent = TasksTreeView->GetSelected();
    if (!Parent)
        Parent = RootNode();
    if (!IsFolderNode(Parent))
        return;
    std::string Typed;
    {
        std::unique_ptr<TNewFolderForm> F(new TNewFolderForm(this));
        if (F->ShowModal() != mrOk)
            return;
        Typed = F->FolderNameEdit->GetText();
    }
    const std::string Name = Trim(Typed);
    if (FolderNameExists(Name)) {
        ShowError("Folder is already exists, please change a folder name and try again!");
        return;
    }
    const std::string Path = JoinPath(NodePath(Parent), Name);
    if (!ValidFolderName(Name) || (!CreateDirectoryA(Path.c_str(), nullptr) && !DirectoryExists(Path))) {
        ShowError(Format("Cannot create folder %s !", Name));
        return;
    }
    TTreeNode* N = TasksTreeView->GetItems()->AddChild(Parent, Name);
    N->SetImageIndex(tiFolder);
    N->SetSelectedIndex(tiOpenFolder);
    SetNodePath(N, Path);
    Parent->Expand(false);
}

// ---------------------------------------------------------------------------------------------
// Delete and Refresh.

bool TMainForm::SubtreeHasActiveTask(TTreeNode* Node)
{
    std::vector<TTreeNode*> Stack{Node};
    while (!Stack.empty()) {
        TTreeNode* N = Stack.back();
        Stack.pop_back();
        for (int32_t I = 0; I < N->GetCount(); ++I)
            Stack.push_back(N->GetItem(I));
        if (IsTaskNode(N) && IsActive(TaskOfNode(N)))
            return true;
    }
    return false;
}

void TMainForm::TasksDeleteActionExecute(TObject*)
{
    TTreeNode* Node = TasksTreeView->GetSelected();
    if (!Node || Node == RootNode())
        return;
    if (Ask("Current selected item will be deleted, Are you sure ?", "Confirm") != IDYES)
        return;
    if (SubtreeHasActiveTask(Node)) {
        ShowError(kRunningMessage);
        return;
    }
    try {
        TExistNames(FRootPath).Delete(Node->GetText());
        const std::string Path = NodePath(Node);
        const DWORD Attr = GetFileAttributesA(Path.c_str());
        if (Attr != INVALID_FILE_ATTRIBUTES && !(Attr & FILE_ATTRIBUTE_DIRECTORY)) {
            if (!DeleteFileA(Path.c_str())) {
                ShowError(Format("Delete file %s failed !", Path));
                return;
            }
        } else if (Attr != INVALID_FILE_ATTRIBUTES) {
            std::string Error;
            if (!DeleteFolderTree(Path, TFolderTreeOps::System(), Error)) {
                ShowError(Error);
                return;
            }
        }
        // The tasks of the deleted files go before their nodes, so the selection change that
        // follows writes no project file back.
        ForgetTaskFile(Node);
        EmptyViews();
        {
            TFlagScope Rebuilding(FTreeRebuilding);
            Node->Delete();
        }
        TasksTreeViewChange(TasksTreeView, TasksTreeView->GetSelected());
    } catch (const Exception&) {
        FTreeRebuilding = false;
        ShowError("Delete action failed !");
    }
}

void TMainForm::TasksRefreshActionExecute(TObject*)
{
    TTreeNode* Root = RootNode();
    SetNodePath(Root, Settings->GetOptions()->GetProjectPath());
    {
        TFlagScope Rebuilding(FTreeRebuilding);
        Root->DeleteChildren();
    }
    FFailedTaskFiles.clear();
    RefreshTaskTree();
    UpdateTaskIcons();
    TaskList->UnselectAll();
    FilesListView->GetItems()->Clear();
    UpdateActions(false);
}

// ---------------------------------------------------------------------------------------------
// Save URL.

void TMainForm::SaveURLList(TTask* Task, const std::string& FileName)
{
    std::string Text = "* Finished item.\r\n\r\n";
    for (TTaskItem* Item : Task->GetItems()->Snapshot())
        Text += (Item->GetDone() ? "* " : "  ") + Item->GetAddress() + "\r\n";
    TFileStream S(FileName, fmCreate);
    S.WriteBuffer(Text.data(), static_cast<int32_t>(Text.size()));
}

void TMainForm::TasksSaveURLActionExecute(TObject*)
{
    TTask* T = TaskOfNode(TasksTreeView->GetSelected());
    if (!T)
        return;
    if (SaveDialog->Execute())
        SaveURLList(T, SaveDialog->GetFileName());
}

// ---------------------------------------------------------------------------------------------
// Import.

TTreeNode* TMainForm::FindNodeByPath(const std::string& Text)
{
    return TasksTreeView->FindNodeByText(Text);
}

TTreeNode* TMainForm::AddImportedProject(TProjectItem* Project)
{
    // The names come from a web server: checked again where they become paths.
    const std::string Name = SafePathPart(Project->GetName());
    const std::string Category = Trim(Project->GetCategory()).empty() ? std::string() : SafePathPart(Project->GetCategory());
    TRegOptions* O = Settings->GetOptions();
    const std::string ProjectRoot = O->GetProjectPath();
    const std::string Downloads = AddTrailingBackslash(O->GetDefaultFolder());
    auto Refuse = [&](const std::string& Why) {
        AddLog(Format("The imported task %s is not added: %s", Name, Why));
        return nullptr;
    };
    if (!PathLiesUnder(Downloads + Name, Downloads))
        return Refuse("its download folder lies outside " + Downloads);
    TTreeNode* Folder = Category.empty() ? RootNode() : FindNodeByPath(Category);
    if (!Folder) {
        if (!PathLiesUnder(JoinPath(NodePath(RootNode()), Category), ProjectRoot))
            return Refuse("its folder lies outside " + ProjectRoot);
        Folder = AddSampleFolder(RootNode(), Category);
    }
    // The folder the task file goes to, as AddSampleTask chooses it.
    if (!DirectoryExists(NodePath(Folder)))
        Folder = Folder->GetParent() ? Folder->GetParent() : RootNode();
    const std::string File = JoinPath(NodePath(Folder), Name + ".wrp");
    if (!PathLiesUnder(File, ProjectRoot))
        return Refuse("its file " + File + " lies outside " + ProjectRoot);
    // A task the user has already is never written over.
    if (GetFileAttributesA(File.c_str()) != INVALID_FILE_ATTRIBUTES)
        return Refuse("the file " + File + " exists already");
    return AddSampleTask(Name, Project->GetURL(), Folder);
}

void TMainForm::TasksImportActionExecute(TObject*)
{
    TComponentPtr<TImportProjectsForm> F(new TImportProjectsForm(nullptr, FRootPath, ToolBarImages));
    if (F->ShowModal() != mrOk)
        return;
    // The threads end first: none may still be filling the tree that is read.
    F->StopThreads();
    TStringList Imported;
    for (TProjectItem* P : F->ChosenProjects())
        if (AddImportedProject(P))
            Imported.Add(P->GetName());
    F.reset();
    if (Imported.GetCount() > 0)
        TExistNames(FRootPath).Save(&Imported);
}
