#pragma once
// The import's tree bound to a real tree view: the import dialog hands this to the import
// threads, which then fill its TTreeView. A node of the import is the view's TTreeNode; its data
// is the TObject the import gave it (a list's file thread or a TProjectItem). Once the tree view
// is freed the binding does nothing and has no nodes, so a late call cannot reach a freed window.

#include <cstdint>
#include <string>

#include "engine/ImportFromInternetClasses.h"
#include "platform/rtl/Classes.h"

class TTreeView;
class TTreeNode;

class TTreeViewImportTree : public TComponent, public TImportTree {
public:
    explicit TTreeViewImportTree(TTreeView* Tree, TComponent* AOwner = nullptr);
    std::string ClassName() const override { return "TTreeViewImportTree"; }

    TTreeView* GetTreeView() const { return FTree; }

    TImportNode GetFirstTopNode() override;
    // A null Parent adds a top node.
    TImportNode AddChild(TImportNode Parent, const std::string& Text) override;
    void SetText(TImportNode Node, const std::string& Text) override;
    void SetImageIndex(TImportNode Node, int32_t Index) override;
    void SetSelectedIndex(TImportNode Node, int32_t Index) override;
    void SetData(TImportNode Node, TObject* Data) override;
    void Expand(TImportNode Node, bool Recurse) override;

    // What the import stored as a node's data (nullptr for none).
    static TObject* NodeObject(const TTreeNode* Node);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TTreeNode* Live(TImportNode Node) const { return FTree ? static_cast<TTreeNode*>(Node) : nullptr; }

    TTreeView* FTree = nullptr;
};
