#include "platform/win/TreeView.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include <windowsx.h>

#include "platform/rtl/SysUtils.h"

// ---------------------------------------------------------------------------------------------
// TTreeNode

TTreeView* TTreeNode::GetTreeView() const { return FOwner->GetOwner(); }

std::vector<TTreeNode*>& TTreeNode::Siblings() const
{
    return FParent ? FParent->FChildren : FOwner->FRoots;
}

int32_t TTreeNode::IndexInParent() const
{
    const auto& S = Siblings();
    auto It = std::find(S.begin(), S.end(), this);
    return It == S.end() ? -1 : static_cast<int32_t>(It - S.begin());
}

int32_t TTreeNode::GetIndex() const { return IndexInParent(); }

TTreeNode* TTreeNode::getNextSibling() const
{
    const auto& S = Siblings();
    const int32_t I = IndexInParent();
    return I >= 0 && static_cast<size_t>(I) + 1 < S.size() ? S[static_cast<size_t>(I) + 1] : nullptr;
}

TTreeNode* TTreeNode::getPrevSibling() const
{
    const int32_t I = IndexInParent();
    return I > 0 ? Siblings()[static_cast<size_t>(I) - 1] : nullptr;
}

TTreeNode* TTreeNode::GetNext() const
{
    if (!FChildren.empty())
        return FChildren.front();
    for (const TTreeNode* N = this; N; N = N->FParent)
        if (TTreeNode* S = N->getNextSibling())
            return S;
    return nullptr;
}

TTreeNode* TTreeNode::GetItem(int32_t Index) const
{
    if (Index < 0 || static_cast<size_t>(Index) >= FChildren.size())
        throw EListError(Format("List index %d out of range", Index));
    return FChildren[static_cast<size_t>(Index)];
}

int32_t TTreeNode::GetLevel() const
{
    int32_t L = 0;
    for (TTreeNode* P = FParent; P; P = P->FParent)
        ++L;
    return L;
}

int32_t TTreeNode::GetAbsoluteIndex() const
{
    int32_t I = 0;
    for (TTreeNode* N = FOwner->GetFirstNode(); N; N = N->GetNext(), ++I)
        if (N == this)
            return I;
    return -1;
}

static void SetItemField(TTreeNode* Node, UINT Mask, const std::string* Text, int32_t Image, int32_t Selected)
{
    TTreeView* T = Node->GetTreeView();
    if (!T->HandleAllocated() || !Node->GetItemId())
        return;
    TVITEMA I{};
    I.mask = Mask | TVIF_HANDLE;
    I.hItem = Node->GetItemId();
    if (Text)
        I.pszText = const_cast<char*>(Text->c_str());
    I.iImage = Image;
    I.iSelectedImage = Selected;
    SendMessageA(T->GetHandle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&I));
}

void TTreeNode::SetText(const std::string& Value)
{
    FText = Value;
    SetItemField(this, TVIF_TEXT, &FText, 0, 0);
}

void TTreeNode::SetImageIndex(int32_t Value)
{
    FImageIndex = Value;
    SetItemField(this, TVIF_IMAGE, nullptr, Value, 0);
}

void TTreeNode::SetSelectedIndex(int32_t Value)
{
    FSelectedIndex = Value;
    SetItemField(this, TVIF_SELECTEDIMAGE, nullptr, 0, Value);
}

void TTreeNode::SetStateIndex(int32_t Value)
{
    FStateIndex = Value;
    TTreeView* T = GetTreeView();
    if (T->HandleAllocated() && FItem) {
        TVITEMA I{};
        I.mask = TVIF_STATE | TVIF_HANDLE;
        I.hItem = FItem;
        I.stateMask = TVIS_STATEIMAGEMASK;
        I.state = INDEXTOSTATEIMAGEMASK(Value > 0 ? Value : 0);
        SendMessageA(T->GetHandle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&I));
    }
}

void TTreeNode::Expand(bool Recursive)
{
    TTreeView* T = GetTreeView();
    FExpanded = true;
    if (T->HandleAllocated() && FItem && !FChildren.empty())
        SendMessageA(T->GetHandle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FItem));
    if (Recursive)
        for (TTreeNode* C : FChildren)
            C->Expand(true);
}

void TTreeNode::Collapse(bool Recursive)
{
    TTreeView* T = GetTreeView();
    FExpanded = false;
    if (T->HandleAllocated() && FItem)
        SendMessageA(T->GetHandle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(FItem));
    if (Recursive)
        for (TTreeNode* C : FChildren)
            C->Collapse(true);
}

bool TTreeNode::GetExpanded() const
{
    TTreeView* T = GetTreeView();
    if (T->HandleAllocated() && FItem)
        return (SendMessageA(T->GetHandle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(FItem), TVIS_EXPANDED) &
                TVIS_EXPANDED) != 0;
    return FExpanded;
}

bool TTreeNode::GetSelected() const
{
    TTreeView* T = GetTreeView();
    if (T->GetMultiSelect())
        return std::find(T->FSelections.begin(), T->FSelections.end(), this) != T->FSelections.end();
    return T->GetSelected() == this;
}

void TTreeNode::SetSelected(bool Value)
{
    TTreeView* T = GetTreeView();
    if (T->GetMultiSelect()) {
        T->Select(this, Value);
        return;
    }
    if (Value)
        T->SetSelected(this);
    else if (T->GetSelected() == this)
        T->SetSelected(nullptr);
}

bool TTreeNode::GetFocused() const
{
    TTreeView* T = GetTreeView();
    if (!T->HandleAllocated() || !FItem)
        return false;
    return T->GetSelected() == this && T->Focused();
}

void TTreeNode::MakeVisible()
{
    TTreeView* T = GetTreeView();
    for (TTreeNode* P = FParent; P; P = P->FParent)
        P->FExpanded = true;
    if (T->HandleAllocated() && FItem)
        SendMessageA(T->GetHandle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(FItem));
}

TRect TTreeNode::DisplayRect(bool TextOnly) const
{
    TTreeView* T = GetTreeView();
    TRect R{};
    // The message reads the item's handle from the rectangle it fills.
    HTREEITEM Item = FItem;
    std::memcpy(&R, &Item, sizeof(Item));
    if (!T->HandleAllocated() || !FItem ||
        !SendMessageA(T->GetHandle(), TVM_GETITEMRECT, TextOnly ? TRUE : FALSE, reinterpret_cast<LPARAM>(&R)))
        return TRect{};
    return R;
}

bool TTreeNode::EditText()
{
    TTreeView* T = GetTreeView();
    return T->HandleAllocated() && FItem &&
           SendMessageA(T->GetHandle(), TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(FItem)) != 0;
}

void TTreeNode::Delete() { FOwner->Delete(this); }

void TTreeNode::DeleteChildren()
{
    FOwner->BeginUpdate();
    while (!FChildren.empty())
        FOwner->Delete(FChildren.back());
    FOwner->EndUpdate();
}

// ---------------------------------------------------------------------------------------------
// TTreeNodes

TTreeNodes::~TTreeNodes()
{
    for (TTreeNode* N : std::vector<TTreeNode*>(FRoots))
        FreeNode(N);
}

TTreeNode* TTreeNodes::InsertAt(TTreeNode* Parent, size_t Position, const std::string& S, void* Data)
{
    auto* N = new TTreeNode(this);
    N->FParent = Parent;
    N->FText = S;
    N->FData = Data;
    auto& List = Parent ? Parent->FChildren : FRoots;
    Position = std::min(Position, List.size());
    List.insert(List.begin() + static_cast<std::ptrdiff_t>(Position), N);
    ++FCount;
    if (FOwner->HandleAllocated() && (!Parent || Parent->FItem))
        InsertWindowItem(N);
    return N;
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const std::string& S, void* Data)
{
    TTreeNode* Parent = Sibling ? Sibling->FParent : nullptr;
    return InsertAt(Parent, SIZE_MAX, S, Data);
}

TTreeNode* TTreeNodes::AddObjectFirst(TTreeNode* Sibling, const std::string& S, void* Data)
{
    return InsertAt(Sibling ? Sibling->FParent : nullptr, 0, S, Data);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const std::string& S, void* Data)
{
    return InsertAt(Parent, SIZE_MAX, S, Data);
}

TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* Parent, const std::string& S, void* Data)
{
    return InsertAt(Parent, 0, S, Data);
}

TTreeNode* TTreeNodes::InsertObject(TTreeNode* Sibling, const std::string& S, void* Data)
{
    if (!Sibling)
        return InsertAt(nullptr, SIZE_MAX, S, Data);
    return InsertAt(Sibling->FParent, static_cast<size_t>(Sibling->IndexInParent()), S, Data);
}

void TTreeNodes::InsertWindowItem(TTreeNode* N)
{
    HWND W = FOwner->GetHandle();
    TVINSERTSTRUCTA I{};
    I.hParent = N->FParent ? N->FParent->FItem : TVI_ROOT;
    TTreeNode* Prev = N->getPrevSibling();
    I.hInsertAfter = Prev ? Prev->FItem : TVI_FIRST;
    I.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
    I.item.pszText = const_cast<char*>(N->FText.c_str());
    I.item.iImage = N->FImageIndex;
    I.item.iSelectedImage = N->FSelectedIndex;
    I.item.lParam = reinterpret_cast<LPARAM>(N);
    I.item.stateMask = TVIS_STATEIMAGEMASK;
    I.item.state = INDEXTOSTATEIMAGEMASK(N->FStateIndex > 0 ? N->FStateIndex : 0);
    N->FItem = reinterpret_cast<HTREEITEM>(SendMessageA(W, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&I)));
    if (!N->FItem)
        throw EOutOfResources("Cannot insert a tree node");
    for (TTreeNode* C : N->FChildren)
        InsertWindowItem(C);
    if (N->FExpanded && !N->FChildren.empty())
        SendMessageA(W, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(N->FItem));
}

void TTreeNodes::ForgetWindowItems()
{
    for (TTreeNode* N = GetFirstNode(); N; N = N->GetNext())
        N->FItem = nullptr;
}

void TTreeNodes::FireDeletion(TTreeNode* Node)
{
    for (TTreeNode* C : Node->FChildren)
        FireDeletion(C);
    Node->FDeleting = true;
    if (FOwner->OnDeletion)
        FOwner->OnDeletion(FOwner, Node);
}

void TTreeNodes::FreeNode(TTreeNode* Node)
{
    for (TTreeNode* C : Node->FChildren)
        FreeNode(C);
    Node->FChildren.clear();
    FOwner->NodeGone(Node);
    Node->FValue.Reset();
    --FCount;
    delete Node;
}

void TTreeNodes::DeleteNode(TTreeNode* Node, bool Window)
{
    // Every node sees OnDeletion before any is freed, so a handler may still look at the others.
    std::exception_ptr Error;
    try {
        FireDeletion(Node);
    } catch (...) {
        // The nodes go all the same, or their values would leak with a half-deleted branch.
        Error = std::current_exception();
    }
    if (Window && Node->FItem && FOwner->HandleAllocated())
        SendMessageA(FOwner->GetHandle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(Node->FItem));
    auto& S = Node->Siblings();
    S.erase(std::remove(S.begin(), S.end(), Node), S.end());
    FreeNode(Node);
    if (Error)
        std::rethrow_exception(Error);
}

void TTreeNodes::Delete(TTreeNode* Node)
{
    if (!Node || Node->FOwner != this || Node->FDeleting)
        return;
    DeleteNode(Node, true);
}

void TTreeNodes::Clear()
{
    if (FRoots.empty())
        return;
    BeginUpdate();
    std::exception_ptr Error;
    for (TTreeNode* N : FRoots)
        try {
            FireDeletion(N);
        } catch (...) {
            // Every node goes all the same; the first failure is raised after.
            if (!Error)
                Error = std::current_exception();
        }
    if (FOwner->HandleAllocated())
        SendMessageA(FOwner->GetHandle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    for (TTreeNode* N : std::vector<TTreeNode*>(FRoots))
        FreeNode(N);
    FRoots.clear();
    EndUpdate();
    if (Error)
        std::rethrow_exception(Error);
}

TTreeNode* TTreeNodes::GetItem(int32_t Index) const
{
    if (Index >= 0) {
        int32_t I = 0;
        for (TTreeNode* N = GetFirstNode(); N; N = N->GetNext(), ++I)
            if (I == Index)
                return N;
    }
    throw EListError(Format("List index %d out of range", Index));
}

void TTreeNodes::BeginUpdate()
{
    if (FUpdateCount++ == 0 && FOwner->HandleAllocated())
        SendMessageA(FOwner->GetHandle(), WM_SETREDRAW, FALSE, 0);
}

void TTreeNodes::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FOwner->HandleAllocated()) {
        SendMessageA(FOwner->GetHandle(), WM_SETREDRAW, TRUE, 0);
        FOwner->Invalidate();
    }
}

// ---------------------------------------------------------------------------------------------
// TTreeView

TTreeView::TTreeView(TComponent* AOwner) : TWinControl(AOwner)
{
    SetBounds(0, 0, 121, 97);
    SetTabStop(true);
    FColor = clWindow;
    FImageLink.OnChange = [this](TObject* S) { ImagesChanged(S); };
    FStateLink.OnChange = [this](TObject* S) { ImagesChanged(S); };
}

TTreeView::~TTreeView()
{
    FFreeing = true;
    DestroyHandle();
    try {
        FItems.Clear();
    } catch (...) {
        // A destructor cannot report it; the nodes are freed regardless.
    }
    FImageLink.SetSender(nullptr);
    FStateLink.SetSender(nullptr);
}

DWORD TTreeView::StyleBits() const
{
    DWORD S = 0;
    if (FShowLines)
        S |= TVS_HASLINES;
    if (FShowRoot)
        S |= TVS_LINESATROOT;
    if (FShowButtons)
        S |= TVS_HASBUTTONS;
    if (!FHideSelection)
        S |= TVS_SHOWSELALWAYS;
    if (!FReadOnly)
        S |= TVS_EDITLABELS;
    return S;
}

void TTreeView::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = WC_TREEVIEWA;
    P.WinClassName = "QMTreeView";
    P.Style |= StyleBits();
    P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TTreeView::ApplyStyle()
{
    if (!HandleAllocated())
        return;
    const DWORD Mask = TVS_HASLINES | TVS_LINESATROOT | TVS_HASBUTTONS | TVS_SHOWSELALWAYS | TVS_EDITLABELS;
    DWORD S = static_cast<DWORD>(GetWindowLongA(FHandle, GWL_STYLE));
    SetWindowLongA(FHandle, GWL_STYLE, static_cast<LONG>((S & ~Mask) | StyleBits()));
    Invalidate();
}

void TTreeView::SetReadOnly(bool Value) { FReadOnly = Value; ApplyStyle(); }
void TTreeView::SetShowLines(bool Value) { FShowLines = Value; ApplyStyle(); }
void TTreeView::SetShowRoot(bool Value) { FShowRoot = Value; ApplyStyle(); }
void TTreeView::SetShowButtons(bool Value) { FShowButtons = Value; ApplyStyle(); }
void TTreeView::SetHideSelection(bool Value) { FHideSelection = Value; ApplyStyle(); }

int32_t TTreeView::GetIndent() const
{
    if (FHandle)
        return static_cast<int32_t>(SendMessageA(FHandle, TVM_GETINDENT, 0, 0));
    return FIndent;
}

void TTreeView::SetIndent(int32_t Value)
{
    FIndent = Value;
    if (FHandle && Value >= 0)
        SendMessageA(FHandle, TVM_SETINDENT, static_cast<WPARAM>(Value), 0);
}

void TTreeView::SetImages(TImageList* Value)
{
    if (FImages)
        FImages->RemoveFreeNotification(this);
    FImages = Value;
    FImageLink.SetSender(Value);
    if (Value)
        Value->FreeNotification(this);
    ImagesChanged(Value);
}

void TTreeView::SetStateImages(TImageList* Value)
{
    if (FStateImages)
        FStateImages->RemoveFreeNotification(this);
    FStateImages = Value;
    FStateLink.SetSender(Value);
    if (Value)
        Value->FreeNotification(this);
    ImagesChanged(Value);
}

void TTreeView::ImagesChanged(TObject*)
{
    if (!FHandle)
        return;
    SendMessageA(FHandle, TVM_SETIMAGELIST, TVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(FImages ? FImages->GetHandle() : nullptr));
    SendMessageA(FHandle, TVM_SETIMAGELIST, TVSIL_STATE,
                 reinterpret_cast<LPARAM>(FStateImages ? FStateImages->GetHandle() : nullptr));
    Invalidate();
}

void TTreeView::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FImages) {
        FImages = nullptr;
        FImageLink.SetSender(nullptr);
        ImagesChanged(nullptr);
    }
    if (AComponent == FStateImages) {
        FStateImages = nullptr;
        FStateLink.SetSender(nullptr);
        ImagesChanged(nullptr);
    }
}

void TTreeView::SaveWindowState()
{
    FSavedSelected = GetSelected();
    for (TTreeNode* N = FItems.GetFirstNode(); N; N = N->GetNext())
        N->FExpanded = N->GetExpanded();
    FIndent = GetIndent();
    FItems.ForgetWindowItems();
}

void TTreeView::RestoreWindowState()
{
    ImagesChanged(nullptr);
    if (FIndent >= 0)
        SendMessageA(FHandle, TVM_SETINDENT, static_cast<WPARAM>(FIndent), 0);
    SendMessageA(FHandle, WM_SETREDRAW, FALSE, 0);
    for (TTreeNode* N : FItems.FRoots)
        FItems.InsertWindowItem(N);
    if (FSavedSelected && FSavedSelected->FItem)
        SendMessageA(FHandle, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FSavedSelected->FItem));
    FSavedSelected = nullptr;
    SendMessageA(FHandle, WM_SETREDRAW, TRUE, 0);
    SyncSelectionStates();
}

TTreeNode* TTreeView::NodeFromItem(HTREEITEM Item) const
{
    if (!Item || !FHandle)
        return nullptr;
    TVITEMA I{};
    I.mask = TVIF_PARAM | TVIF_HANDLE;
    I.hItem = Item;
    if (!SendMessageA(FHandle, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I)))
        return nullptr;
    auto* N = reinterpret_cast<TTreeNode*>(I.lParam);
    return N && !N->FDeleting ? N : nullptr;
}

TTreeNode* TTreeView::GetSelected() const
{
    if (!FHandle)
        return FSavedSelected;
    return NodeFromItem(reinterpret_cast<HTREEITEM>(SendMessageA(FHandle, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TTreeView::SetSelected(TTreeNode* Value)
{
    if (FMultiSelect) {
        FSelections.clear();
        if (Value)
            FSelections.push_back(Value);
    }
    if (!FHandle)
        FSavedSelected = Value;
    else
        SendMessageA(FHandle, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Value ? Value->FItem : nullptr));
    SyncSelectionStates();
}

TTreeNode* TTreeView::FindNodeByText(const std::string& Text) const
{
    for (TTreeNode* N = FItems.GetFirstNode(); N; N = N->GetNext())
        if (N->FText == Text)
            return N;
    return nullptr;
}

TTreeNode* TTreeView::GetNodeAt(int32_t X, int32_t Y)
{
    if (!HandleAllocated())
        return nullptr;
    TVHITTESTINFO H{};
    H.pt = {X, Y};
    SendMessageA(FHandle, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&H));
    if (!(H.flags & (TVHT_ONITEM | TVHT_ONITEMBUTTON | TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT)))
        return nullptr;
    return NodeFromItem(H.hItem);
}

void TTreeView::SetMultiSelect(bool Value)
{
    if (FMultiSelect == Value)
        return;
    FMultiSelect = Value;
    FSelections.clear();
    if (Value)
        if (TTreeNode* S = GetSelected())
            FSelections.push_back(S);
    SyncSelectionStates();
}

void TTreeView::ClearSelection()
{
    FSelections.clear();
    SyncSelectionStates();
}

void TTreeView::Select(TTreeNode* Node, bool Add)
{
    if (!Node)
        return;
    auto It = std::find(FSelections.begin(), FSelections.end(), Node);
    if (Add && It == FSelections.end())
        FSelections.push_back(Node);
    else if (!Add && It != FSelections.end())
        FSelections.erase(It);
    SyncSelectionStates();
}

// Only the nodes of our own selection are drawn selected while MultiSelect is on.
void TTreeView::SyncSelectionStates()
{
    if (!FHandle || !FMultiSelect)
        return;
    for (TTreeNode* N = FItems.GetFirstNode(); N; N = N->GetNext()) {
        if (!N->FItem)
            continue;
        const bool Want = std::find(FSelections.begin(), FSelections.end(), N) != FSelections.end();
        const bool Has = (SendMessageA(FHandle, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(N->FItem), TVIS_SELECTED) &
                          TVIS_SELECTED) != 0;
        if (Want == Has)
            continue;
        TVITEMA I{};
        I.mask = TVIF_STATE | TVIF_HANDLE;
        I.hItem = N->FItem;
        I.stateMask = TVIS_SELECTED;
        I.state = Want ? TVIS_SELECTED : 0;
        SendMessageA(FHandle, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&I));
    }
}

void TTreeView::NodeGone(TTreeNode* Node)
{
    FSelections.erase(std::remove(FSelections.begin(), FSelections.end(), Node), FSelections.end());
    if (FSavedSelected == Node)
        FSavedSelected = nullptr;
}

bool TTreeView::MultiClick(TMessage& M)
{
    const int32_t X = GET_X_LPARAM(M.LParam), Y = GET_Y_LPARAM(M.LParam);
    TVHITTESTINFO H{};
    H.pt = {X, Y};
    SendMessageA(FHandle, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&H));
    TTreeNode* N = (H.flags & TVHT_ONITEM) ? NodeFromItem(H.hItem) : nullptr;
    if (!N)
        return false;
    if (M.WParam & MK_CONTROL) {
        // The system caret stays; only our selection changes.
        if (GetFocus() != FHandle)
            ::SetFocus(FHandle);
        Select(N, !N->GetSelected());
        M.Result = 0;
        return true;
    }
    FSelections.assign(1, N);
    return false; // the tree moves its caret there; the states follow below
}

void TTreeView::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case WM_LBUTTONDOWN:
        if (FMultiSelect && FHandle) {
            if (MultiClick(M))
                return;
            TWinControl::WndProc(M);
            SyncSelectionStates();
            return;
        }
        break;
    case WM_RBUTTONDOWN:
        if (FRightClickSelect && FHandle)
            if (TTreeNode* N = GetNodeAt(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)))
                SetSelected(N);
        break;
    case CN_NOTIFY:
        M.Result = DoNotify(reinterpret_cast<NMHDR*>(M.LParam));
        return;
    default:
        break;
    }
    TWinControl::WndProc(M);
}

LRESULT TTreeView::DoNotify(NMHDR* H)
{
    switch (H->code) {
    case TVN_SELCHANGINGA:
    case TVN_SELCHANGINGW: {
        auto* T = reinterpret_cast<NMTREEVIEWA*>(H);
        TTreeNode* N = reinterpret_cast<TTreeNode*>(T->itemNew.lParam);
        if (FFreeing || !N || N->FDeleting)
            return FALSE;
        bool Allow = true;
        if (OnChanging)
            OnChanging(this, N, Allow);
        return Allow ? FALSE : TRUE;
    }
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
        auto* T = reinterpret_cast<NMTREEVIEWA*>(H);
        TTreeNode* N = reinterpret_cast<TTreeNode*>(T->itemNew.lParam);
        if (FFreeing || (N && N->FDeleting))
            return 0;
        if (FMultiSelect && T->action == TVC_BYKEYBOARD) {
            FSelections.clear();
            if (N)
                FSelections.push_back(N);
        }
        if (OnChange)
            OnChange(this, N);
        SyncSelectionStates();
        return 0;
    }
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        auto* T = reinterpret_cast<NMTREEVIEWA*>(H);
        TTreeNode* N = reinterpret_cast<TTreeNode*>(T->itemNew.lParam);
        if (!N || N->FDeleting)
            return FALSE;
        bool Allow = true;
        if (T->action & TVE_EXPAND) {
            if (OnExpanding)
                OnExpanding(this, N, Allow);
        } else if (OnCollapsing) {
            OnCollapsing(this, N, Allow);
        }
        return Allow ? FALSE : TRUE;
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW: {
        auto* T = reinterpret_cast<NMTREEVIEWA*>(H);
        TTreeNode* N = reinterpret_cast<TTreeNode*>(T->itemNew.lParam);
        if (!N || N->FDeleting)
            return 0;
        N->FExpanded = (T->action & TVE_EXPAND) != 0;
        if (N->FExpanded) {
            if (OnExpanded)
                OnExpanded(this, N);
        } else if (OnCollapsed) {
            OnCollapsed(this, N);
        }
        return 0;
    }
    case TVN_BEGINLABELEDITA:
    case TVN_BEGINLABELEDITW:
        return FReadOnly ? TRUE : FALSE;
    case TVN_ENDLABELEDITA: {
        auto* D = reinterpret_cast<NMTVDISPINFOA*>(H);
        TTreeNode* N = reinterpret_cast<TTreeNode*>(D->item.lParam);
        if (FReadOnly || !N || !D->item.pszText)
            return FALSE;
        std::string S = D->item.pszText;
        if (OnEdited)
            OnEdited(this, N, S);
        N->FText = S;
        return TRUE;
    }
    default:
        return 0;
    }
}
