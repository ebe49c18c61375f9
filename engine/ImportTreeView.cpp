#include "engine/ImportTreeView.h"

#include "platform/win/TreeView.h"

TTreeViewImportTree::TTreeViewImportTree(TTreeView* Tree, TComponent* AOwner) : TComponent(AOwner), FTree(Tree)
{
    if (FTree)
        FTree->FreeNotification(this);
}

void TTreeViewImportTree::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FTree)
        FTree = nullptr;
}

TImportNode TTreeViewImportTree::GetFirstTopNode()
{
    return FTree ? FTree->GetItems()->GetFirstNode() : nullptr;
}

TImportNode TTreeViewImportTree::AddChild(TImportNode Parent, const std::string& Text)
{
    if (!FTree)
        return nullptr;
    return FTree->GetItems()->AddChild(static_cast<TTreeNode*>(Parent), Text);
}

void TTreeViewImportTree::SetText(TImportNode Node, const std::string& Text)
{
    if (TTreeNode* N = Live(Node))
        N->SetText(Text);
}

void TTreeViewImportTree::SetImageIndex(TImportNode Node, int32_t Index)
{
    if (TTreeNode* N = Live(Node))
        N->SetImageIndex(Index);
}

void TTreeViewImportTree::SetSelectedIndex(TImportNode Node, int32_t Index)
{
    if (TTreeNode* N = Live(Node))
        N->SetSelectedIndex(Index);
}

void TTreeViewImportTree::SetData(TImportNode Node, TObject* Data)
{
    // Kept as the TObject pointer itself, so NodeObject gives back exactly what was stored.
    if (TTreeNode* N = Live(Node))
        N->SetData(Data);
}

void TTreeViewImportTree::Expand(TImportNode Node, bool Recurse)
{
    if (TTreeNode* N = Live(Node))
        N->Expand(Recurse);
}

TObject* TTreeViewImportTree::NodeObject(const TTreeNode* Node)
{
    return Node ? static_cast<TObject*>(Node->GetData()) : nullptr;
}
