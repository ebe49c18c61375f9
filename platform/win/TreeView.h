#pragma once
// TTreeView over SysTreeView32, with one stable TTreeNode object per node.
//
// The nodes live in our own tree; the window mirrors them and is filled again whenever it is
// made (so a tree can be built before it has a window, and survives re-creation). Each node
// carries Data (never freed) and an owned value slot freed with the node, after OnDeletion.
//
// MultiSelect is ours: the system tree has a single caret. Ctrl+click toggles a node in the
// selection, a plain click makes it the only one; selected nodes carry TVIS_SELECTED.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include <commctrl.h>

#include "platform/win/Controls.h"
#include "platform/win/ImageList.h"
#include "platform/win/OwnedValue.h"

class TTreeView;
class TTreeNodes;

class TTreeNode {
public:
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    TTreeNodes* GetOwner() const { return FOwner; }
    TTreeView* GetTreeView() const;
    HTREEITEM GetItemId() const { return FItem; }

    const std::string& GetText() const { return FText; }
    void SetText(const std::string& Value);
    int32_t GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int32_t Value);
    int32_t GetSelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int32_t Value);
    int32_t GetStateIndex() const { return FStateIndex; }
    void SetStateIndex(int32_t Value);
    void* GetData() const { return FData; }
    void SetData(void* Value) { FData = Value; }
    TOwnedValue& Value() { return FValue; }

    TTreeNode* GetParent() const { return FParent; }
    TTreeNode* getFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front(); }
    TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back(); }
    TTreeNode* getNextSibling() const;
    TTreeNode* getPrevSibling() const;
    // The next node in tree order (first child, else next sibling, else a parent's next sibling).
    TTreeNode* GetNext() const;
    int32_t GetCount() const { return static_cast<int32_t>(FChildren.size()); }
    TTreeNode* GetItem(int32_t Index) const; // a child; a bad index raises EListError
    bool HasChildren() const { return !FChildren.empty(); }
    int32_t GetIndex() const;   // among its siblings
    int32_t GetLevel() const;   // 0 for a root
    int32_t GetAbsoluteIndex() const; // in tree order

    void Expand(bool Recursive);
    void Collapse(bool Recursive);
    bool GetExpanded() const;
    void SetExpanded(bool Value) { Value ? Expand(false) : Collapse(false); }
    bool GetSelected() const;
    void SetSelected(bool Value);
    bool GetFocused() const;
    void MakeVisible();
    // The node's rectangle (TextOnly: its text's) in the tree's client coordinates; empty while
    // the node has no window item.
    TRect DisplayRect(bool TextOnly) const;
    bool EditText();
    void Delete();
    void DeleteChildren();

private:
    friend class TTreeNodes;
    friend class TTreeView;
    explicit TTreeNode(TTreeNodes* AOwner) : FOwner(AOwner) {}
    ~TTreeNode() = default;
    int32_t IndexInParent() const;
    std::vector<TTreeNode*>& Siblings() const;

    TTreeNodes* FOwner = nullptr;
    TTreeNode* FParent = nullptr;
    std::vector<TTreeNode*> FChildren;
    HTREEITEM FItem = nullptr;
    std::string FText;
    int32_t FImageIndex = -1;
    int32_t FSelectedIndex = -1;
    int32_t FStateIndex = -1;
    void* FData = nullptr;
    TOwnedValue FValue;
    bool FExpanded = false;  // kept while there is no window
    bool FDeleting = false;
};

class TTreeNodes {
public:
    explicit TTreeNodes(TTreeView* AOwner) : FOwner(AOwner) {}
    TTreeNodes(const TTreeNodes&) = delete;
    TTreeNodes& operator=(const TTreeNodes&) = delete;
    ~TTreeNodes();

    TTreeView* GetOwner() const { return FOwner; }
    // Sibling nullptr means the root level.
    TTreeNode* Add(TTreeNode* Sibling, const std::string& S) { return AddObject(Sibling, S, nullptr); }
    TTreeNode* AddObject(TTreeNode* Sibling, const std::string& S, void* Data);
    TTreeNode* AddFirst(TTreeNode* Sibling, const std::string& S) { return AddObjectFirst(Sibling, S, nullptr); }
    TTreeNode* AddObjectFirst(TTreeNode* Sibling, const std::string& S, void* Data);
    TTreeNode* AddChild(TTreeNode* Parent, const std::string& S) { return AddChildObject(Parent, S, nullptr); }
    TTreeNode* AddChildObject(TTreeNode* Parent, const std::string& S, void* Data);
    TTreeNode* AddChildFirst(TTreeNode* Parent, const std::string& S) { return AddChildObjectFirst(Parent, S, nullptr); }
    TTreeNode* AddChildObjectFirst(TTreeNode* Parent, const std::string& S, void* Data);
    // Before Sibling (at the end of the root level for nullptr).
    TTreeNode* Insert(TTreeNode* Sibling, const std::string& S) { return InsertObject(Sibling, S, nullptr); }
    TTreeNode* InsertObject(TTreeNode* Sibling, const std::string& S, void* Data);
    void Delete(TTreeNode* Node);
    void Clear();
    TTreeNode* GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front(); }
    int32_t GetCount() const { return FCount; }
    // In tree order; a bad index raises EListError.
    TTreeNode* GetItem(int32_t Index) const;
    void BeginUpdate();
    void EndUpdate();

private:
    friend class TTreeNode;
    friend class TTreeView;
    TTreeNode* InsertAt(TTreeNode* Parent, size_t Position, const std::string& S, void* Data);
    void InsertWindowItem(TTreeNode* Node); // and its children
    void DeleteNode(TTreeNode* Node, bool Window);
    void FireDeletion(TTreeNode* Node);
    void FreeNode(TTreeNode* Node);
    void ForgetWindowItems();

    TTreeView* FOwner = nullptr;
    std::vector<TTreeNode*> FRoots;
    int32_t FCount = 0;
    int32_t FUpdateCount = 0;
};

using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;

class TTreeView : public TWinControl {
public:
    explicit TTreeView(TComponent* AOwner);
    ~TTreeView() override;
    std::string ClassName() const override { return "TTreeView"; }

    TTreeNodes* GetItems() { return &FItems; }
    TTreeNode* GetSelected() const;
    void SetSelected(TTreeNode* Value);
    TTreeNode* FindNodeByText(const std::string& Text) const; // the first in tree order
    TTreeNode* GetNodeAt(int32_t X, int32_t Y);
    TTreeNode* NodeFromItem(HTREEITEM Item) const;

    TImageList* GetImages() const { return FImages; }
    void SetImages(TImageList* Value);
    TImageList* GetStateImages() const { return FStateImages; }
    void SetStateImages(TImageList* Value);
    int32_t GetIndent() const;
    void SetIndent(int32_t Value);
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool GetShowLines() const { return FShowLines; }
    void SetShowLines(bool Value);
    bool GetShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool Value);
    bool GetShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool Value);
    bool GetHideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    bool GetRightClickSelect() const { return FRightClickSelect; }
    void SetRightClickSelect(bool Value) { FRightClickSelect = Value; }
    bool GetMultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    int32_t GetSelectionCount() const { return static_cast<int32_t>(FSelections.size()); }
    TTreeNode* GetSelections(int32_t Index) const { return FSelections.at(static_cast<size_t>(Index)); }
    void ClearSelection();
    // Adds or removes a node from the multiple selection.
    void Select(TTreeNode* Node, bool Add);

    TTVChangingEvent OnChanging;
    TTVChangedEvent OnChange;
    TTVExpandingEvent OnExpanding;
    TTVExpandedEvent OnExpanded;
    TTVExpandingEvent OnCollapsing;
    TTVExpandedEvent OnCollapsed;
    TTVChangedEvent OnDeletion;
    std::function<void(TObject* Sender, TTreeNode* Node, std::string& S)> OnEdited;

    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The arrows move through the nodes; Enter reaches OnKeyDown.
    bool WantsKey(uint16_t Key) const override
    {
        return Key == VK_UP || Key == VK_DOWN || Key == VK_LEFT || Key == VK_RIGHT || Key == VK_RETURN;
    }

protected:
    void CreateParams(TCreateParams& Params) override;
    void SaveWindowState() override;
    void RestoreWindowState() override;

private:
    friend class TTreeNode;
    friend class TTreeNodes;
    DWORD StyleBits() const;
    void ApplyStyle();
    void ImagesChanged(TObject* Sender);
    void NodeGone(TTreeNode* Node);
    void SyncSelectionStates();
    bool MultiClick(TMessage& M);
    LRESULT DoNotify(NMHDR* H);

    TTreeNodes FItems{this};
    TImageList* FImages = nullptr;
    TImageList* FStateImages = nullptr;
    TChangeLink FImageLink;
    TChangeLink FStateLink;
    int32_t FIndent = -1;
    bool FReadOnly = false;
    bool FShowLines = true;
    bool FShowRoot = true;
    bool FShowButtons = true;
    bool FHideSelection = true;
    bool FRightClickSelect = false;
    bool FMultiSelect = false;
    std::vector<TTreeNode*> FSelections;
    TTreeNode* FSavedSelected = nullptr; // while there is no window
    bool FFreeing = false;
};
