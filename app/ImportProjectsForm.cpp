#include "app/ImportProjectsForm.h"

#include <algorithm>
#include <set>

#include "app/FormParts.h"
#include "engine/ImportFromInternetClasses.h"
#include "engine/ImportRecords.h"
#include "engine/ImportTreeView.h"
#include "platform/win/Icon.h"
#include "platform/win/ImageList.h"
#include "platform/win/TreeView.h"

TImportProjectsForm::TImportProjectsForm(TComponent* AOwner, const std::string& RootPath, TImageList* Images)
    : TForm(AOwner), FRootPath(RootPath)
{
    SetName("ImportProjectsForm");
    SetCaption("Import from internet");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(440, 356);

    PromptLabel = PlaceLabel(this, this, 12, 10, 416, 15, "Please select website tasks from internet below:");
    NoteLabel = PlaceLabel(this, this, 12, 28, 416, 15,
                           "(Note: you can press CTRL key first, then use mouse key to select multi-items)");

    ToolbarImageList = new TImageList(this);
    ToolbarImageList->SetName("ToolbarImageList");
    if (Images) {
        ToolbarImageList->SetSize(Images->GetWidth(), Images->GetHeight());
        for (int32_t I = 0; I < Images->GetCount(); ++I) {
            TIcon Icon;
            Images->GetIcon(I, &Icon);
            ToolbarImageList->AddIcon(&Icon);
        }
    }
    TreeView = PlaceControl<TTreeView>(this, this, 12, 50, 416, 260);
    TreeView->SetName("TreeView");
    TreeView->SetReadOnly(true);
    TreeView->SetMultiSelect(true);
    TreeView->SetHideSelection(false);
    TreeView->SetIndent(19);
    TreeView->SetImages(ToolbarImageList);
    TreeView->SetTabStop(true);
    TreeView->OnChange = [this](TObject* S, TTreeNode* N) { TreeViewChange(S, N); };

    OkButton = PlaceControl<TButton>(this, this, 272, 322, 75, 25);
    OkButton->SetName("OkButton");
    OkButton->SetCaption("&OK");
    OkButton->SetDefault(true);
    OkButton->SetModalResult(mrOk);
    OkButton->SetEnabled(false);
    OkButton->SetTabStop(true);
    CancelButton = PlaceControl<TButton>(this, this, 353, 322, 75, 25);
    CancelButton->SetName("CancelButton");
    CancelButton->SetCaption("&Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    CancelButton->SetTabStop(true);
    SetActiveControl(TreeView);
    FitText(this);
    FormCreate(this);
}

TImportProjectsForm::~TImportProjectsForm()
{
    // The threads go before the tree they fill; the tree's last changes reach no handler.
    FormDestroy(this);
    TreeView->OnChange = nullptr;
}

void TImportProjectsForm::FormCreate(TObject*)
{
    // The list thread names the first top node as it goes.
    TreeView->GetItems()->Add(nullptr, TImportFileListThread::TopText);
    FImportTree = new TTreeViewImportTree(TreeView, this);
    FListThread.reset(TThread::New<TImportFileListThread>(false, FImportTree, FRootPath));
}

void TImportProjectsForm::FormDestroy(TObject*)
{
    StopThreads();
    FListThread.reset();
}

void TImportProjectsForm::StopThreads()
{
    if (FListThread)
        FListThread->Stop();
}

void TImportProjectsForm::TreeViewChange(TObject*, TTreeNode* Node)
{
    OkButton->SetEnabled(TTreeViewImportTree::NodeObject(Node) != nullptr);
}

std::vector<TProjectItem*> TImportProjectsForm::ChosenProjects()
{
    std::vector<TProjectItem*> Chosen;
    // A project selected itself and through its list is taken once.
    std::set<const TProjectItem*> Taken;
    auto Take = [&](TProjectItem* P) {
        if (P && Taken.insert(P).second)
            Chosen.push_back(P);
    };
    std::set<const TTreeNode*> Selected;
    for (int32_t I = 0; I < TreeView->GetSelectionCount(); ++I)
        Selected.insert(TreeView->GetSelections(I));
    for (TTreeNode* N = TreeView->GetItems()->GetFirstNode(); N; N = N->GetNext()) {
        if (!Selected.count(N))
            continue;
        TObject* Data = TTreeViewImportTree::NodeObject(N);
        if (auto* P = dynamic_cast<TProjectItem*>(Data)) {
            Take(P);
        } else if (auto* List = dynamic_cast<TImportFileThread*>(Data)) {
            // The new projects of the list as its tree shows them: a list stopped while loading
            // gives only those already there.
            TProjectItems* Items = List->GetItems();
            for (int32_t C = 0; Items && C < N->GetCount(); ++C) {
                auto* P = dynamic_cast<TProjectItem*>(TTreeViewImportTree::NodeObject(N->GetItem(C)));
                if (P && !P->GetExists() && P->GetOwnerList() == Items)
                    Take(P);
            }
        }
    }
    return Chosen;
}
