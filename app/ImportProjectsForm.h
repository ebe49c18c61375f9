#pragma once
// The import dialog: the projects of the web server's lists in a tree that the import threads
// fill, new projects only; the user picks projects or whole lists, and the caller turns them into
// tasks.

#include <memory>
#include <string>
#include <vector>

#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TImageList;
class TImportFileListThread;
class TProjectItem;
class TTreeNode;
class TTreeView;
class TTreeViewImportTree;

class TImportProjectsForm : public TForm {
public:
    // RootPath: the settings root whose ExistPrjs key tells the projects imported before.
    // Images: the strip whose images 1 and 2 mark the lists and the projects (copied).
    TImportProjectsForm(TComponent* AOwner, const std::string& RootPath, TImageList* Images = nullptr);
    ~TImportProjectsForm() override;
    std::string ClassName() const override { return "TImportProjectsForm"; }

    void FormCreate(TObject* Sender);
    void FormDestroy(TObject* Sender);
    void TreeViewChange(TObject* Sender, TTreeNode* Node);

    // Stops the list thread and its file threads and waits for them; the tree stays as they
    // left it. May be called more than once.
    void StopThreads();
    // In tree order: each selected project node's project, and for each selected list node the
    // new projects of its list that are in the tree; each project once. Valid while the window
    // lives (the threads own the projects).
    std::vector<TProjectItem*> ChosenProjects();
    TImportFileListThread* GetListThread() const { return FListThread.get(); }

    TLabel* PromptLabel = nullptr;
    TLabel* NoteLabel = nullptr;
    TTreeView* TreeView = nullptr;
    TImageList* ToolbarImageList = nullptr;
    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;

private:
    std::string FRootPath;
    TTreeViewImportTree* FImportTree = nullptr; // owned by the window
    std::unique_ptr<TImportFileListThread> FListThread;
};
