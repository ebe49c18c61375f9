#include "platform/win/ListView.h"

#include <algorithm>
#include <exception>

#include <windowsx.h>

#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"

// ---------------------------------------------------------------------------------------------
// Columns

static int ColumnFormat(TAlignment A, int32_t Image)
{
    int F = A == taRightJustify ? LVCFMT_RIGHT : A == taCenter ? LVCFMT_CENTER : LVCFMT_LEFT;
    if (Image >= 0)
        F |= LVCFMT_IMAGE;
    return F;
}

void TListColumn::Apply(UINT Mask)
{
    if (!FOwner->HandleAllocated())
        return;
    LVCOLUMNA C{};
    C.mask = Mask;
    C.pszText = const_cast<char*>(FCaption.c_str());
    C.cx = FWidth;
    C.fmt = ColumnFormat(FAlignment, FImageIndex);
    C.iImage = FImageIndex;
    SendMessageA(FOwner->GetHandle(), LVM_SETCOLUMNA, static_cast<WPARAM>(FIndex), reinterpret_cast<LPARAM>(&C));
}

void TListColumn::SetCaption(const std::string& Value) { FCaption = Value; Apply(LVCF_TEXT); }

int32_t TListColumn::GetWidth() const
{
    if (FOwner->HandleAllocated())
        return static_cast<int32_t>(SendMessageA(FOwner->GetHandle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(FIndex), 0));
    return FWidth;
}

void TListColumn::SetWidth(int32_t Value)
{
    FWidth = Value;
    if (FOwner->HandleAllocated())
        SendMessageA(FOwner->GetHandle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(FIndex), MAKELPARAM(Value, 0));
}

void TListColumn::SetAlignment(TAlignment Value) { FAlignment = Value; Apply(LVCF_FMT); }

int32_t TListColumn::GetImageIndex() const
{
    if (FOwner->HandleAllocated()) {
        LVCOLUMNA C{};
        C.mask = LVCF_IMAGE | LVCF_FMT;
        if (SendMessageA(FOwner->GetHandle(), LVM_GETCOLUMNA, static_cast<WPARAM>(FIndex), reinterpret_cast<LPARAM>(&C)))
            return (C.fmt & LVCFMT_IMAGE) ? C.iImage : -1;
    }
    return FImageIndex;
}

void TListColumn::SetImageIndex(int32_t Value)
{
    FImageIndex = Value;
    Apply(LVCF_FMT | LVCF_IMAGE);
}

void TListColumn::SetAutoSize(bool Value)
{
    FAutoSize = Value;
    if (Value && FOwner->HandleAllocated())
        SendMessageA(FOwner->GetHandle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(FIndex), LVSCW_AUTOSIZE_USEHEADER);
}

TListColumns::~TListColumns()
{
    for (TListColumn* C : FItems)
        delete C;
}

TListColumn* TListColumns::Add()
{
    auto* C = new TListColumn(FOwner, GetCount());
    FItems.push_back(C);
    if (FOwner->HandleAllocated())
        FOwner->InsertWindowColumn(C->FIndex);
    return C;
}

TListColumn* TListColumns::GetItem(int32_t Index) const
{
    if (Index < 0 || Index >= GetCount())
        throw EListError(Format("List index %d out of range", Index));
    return FItems[static_cast<size_t>(Index)];
}

void TListColumns::Clear()
{
    if (FOwner->HandleAllocated())
        for (int32_t I = GetCount() - 1; I >= 0; --I)
            SendMessageA(FOwner->GetHandle(), LVM_DELETECOLUMN, static_cast<WPARAM>(I), 0);
    for (TListColumn* C : FItems)
        delete C;
    FItems.clear();
}

// ---------------------------------------------------------------------------------------------
// Sub-items and rows

void TListSubItems::Push(int32_t) const // the whole row is drawn again
{
    TListView* V = FOwner->FOwner;
    if (!V->HandleAllocated() || V->FFilling) {
        if (!V->FFilling)
            V->PlaceRow(FOwner);
        return;
    }
    const int32_t Row = FOwner->GetIndex();
    if (Row < 0)
        return;
    // The window asks for the text when it draws the cell (LVN_GETDISPINFO): it is only told to
    // draw the row again (a virtual one with its next update).
    if (V->FOwnerData) {
        V->RowsChanged(Row);
    } else {
        V->QuietWhileHidden();
        SendMessageA(V->GetHandle(), LVM_REDRAWITEMS, static_cast<WPARAM>(Row), static_cast<LPARAM>(Row));
    }
    V->PlaceRow(FOwner);
}

int32_t TListSubItems::Add(const std::string& S)
{
    FItems.push_back(S);
    Push(GetCount() - 1);
    return GetCount() - 1;
}

const std::string& TListSubItems::GetStrings(int32_t Index) const
{
    if (Index < 0 || Index >= GetCount())
        throw EListError(Format("List index %d out of range", Index));
    return FItems[static_cast<size_t>(Index)];
}

void TListSubItems::SetStrings(int32_t Index, const std::string& S)
{
    if (Index < 0)
        throw EListError(Format("List index %d out of range", Index));
    while (GetCount() <= Index)
        Add("");
    FItems[static_cast<size_t>(Index)] = S;
    Push(Index);
}

void TListSubItems::Delete(int32_t Index)
{
    if (Index < 0 || Index >= GetCount())
        throw EListError(Format("List index %d out of range", Index));
    FItems.erase(FItems.begin() + Index);
    FItems.push_back(""); // blank the last column the window still shows
    for (int32_t I = Index; I < GetCount(); ++I)
        Push(I);
    FItems.pop_back();
}

void TListSubItems::Clear()
{
    for (auto& S : FItems)
        S.clear();
    for (int32_t I = 0; I < GetCount(); ++I)
        Push(I);
    FItems.clear();
}

int32_t TListItem::GetIndex() const { return FOwner->FItems.IndexOf(this); }

void TListItem::SetData(void* Value)
{
    if (FListed)
        FOwner->FItems.Unindexed(this);
    FData = Value;
    if (FListed)
        FOwner->FItems.Indexed(this);
}

void TListItem::SetCaption(const std::string& Value)
{
    FCaption = Value;
    const int32_t Row = GetIndex();
    if (FOwner->HandleAllocated() && Row >= 0 && FOwner->FOwnerData) {
        FOwner->RowsChanged(Row);
    } else if (FOwner->HandleAllocated() && Row >= 0) {
        FOwner->QuietWhileHidden();
        // A caption edited in place was given to the window as text: it asks us again.
        LVITEMA I{};
        I.iSubItem = 0;
        I.pszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(FOwner->GetHandle(), LVM_SETITEMTEXTA, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&I));
        SendMessageA(FOwner->GetHandle(), LVM_REDRAWITEMS, static_cast<WPARAM>(Row), static_cast<LPARAM>(Row));
    }
    FOwner->PlaceRow(this);
}

void TListItem::SetImageIndex(int32_t Value)
{
    FImageIndex = Value;
    const int32_t Row = GetIndex();
    if (FOwner->HandleAllocated() && Row >= 0 && FOwner->FOwnerData) {
        FOwner->RowsChanged(Row);
    } else if (FOwner->HandleAllocated() && Row >= 0) {
        FOwner->QuietWhileHidden();
        LVITEMA I{};
        I.mask = LVIF_IMAGE;
        I.iItem = Row;
        I.iImage = Value;
        SendMessageA(FOwner->GetHandle(), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&I));
    }
}

void TListItem::SetState(UINT Mask, UINT State)
{
    FState = (FState & ~Mask) | (State & Mask);
    const int32_t Row = GetIndex();
    if (FOwner->HandleAllocated() && Row >= 0) {
        LVITEMA I{};
        I.stateMask = Mask;
        I.state = State;
        SendMessageA(FOwner->GetHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&I));
    }
}

UINT TListItem::GetState(UINT Mask) const
{
    const int32_t Row = GetIndex();
    if (FOwner->HandleAllocated() && Row >= 0)
        return static_cast<UINT>(SendMessageA(FOwner->GetHandle(), LVM_GETITEMSTATE, static_cast<WPARAM>(Row), Mask));
    return FState & Mask;
}

bool TListItem::GetChecked() const
{
    if (FOwner->HandleAllocated() && FOwner->FCheckboxes && GetIndex() >= 0)
        return (GetState(LVIS_STATEIMAGEMASK) >> 12) == 2;
    return FChecked;
}

void TListItem::SetChecked(bool Value)
{
    FChecked = Value;
    if (FOwner->FCheckboxes)
        SetState(LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(Value ? 2 : 1));
}

bool TListItem::GetSelected() const { return GetState(LVIS_SELECTED) != 0; }
void TListItem::SetSelected(bool Value) { SetState(LVIS_SELECTED, Value ? LVIS_SELECTED : 0); }
bool TListItem::GetFocused() const { return GetState(LVIS_FOCUSED) != 0; }
void TListItem::SetFocused(bool Value) { SetState(LVIS_FOCUSED, Value ? LVIS_FOCUSED : 0); }

void TListItem::Delete()
{
    const int32_t I = GetIndex();
    if (I >= 0 && !FDeleting)
        FOwner->FItems.Delete(I);
}

void TListItem::MakeVisible(bool PartialOK)
{
    const int32_t Row = GetIndex();
    if (FOwner->HandleAllocated() && Row >= 0)
        SendMessageA(FOwner->GetHandle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(Row), PartialOK ? TRUE : FALSE);
}

TRect TListItem::DisplayRect(bool LabelOnly) const
{
    TRect R{};
    R.left = LabelOnly ? LVIR_LABEL : LVIR_BOUNDS;
    const int32_t Row = GetIndex();
    if (!FOwner->HandleAllocated() || Row < 0 ||
        !SendMessageA(FOwner->GetHandle(), LVM_GETITEMRECT, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&R)))
        return TRect{};
    return R;
}

// ---------------------------------------------------------------------------------------------
// TListItems

TListItems::~TListItems()
{
    for (TListItem* I : FList)
        delete I;
    for (TListItem* I : FBatch)
        delete I;
}

void TListItems::InsertWindowRow(int32_t Index)
{
    TListItem* It = Rows()[static_cast<size_t>(Index)];
    HWND W = FOwner->GetHandle();
    FOwner->QuietWhileHidden();
    LVITEMA I{};
    I.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
    I.iItem = Index;
    // The texts stay in the rows: the window keeps no copy of its own (a list of a long crawl
    // has a row for every saved picture) and asks for them as it draws (LVN_GETDISPINFO). The
    // sub-items it has not been given are asked for the same way.
    I.pszText = LPSTR_TEXTCALLBACKA;
    I.iImage = It->FImageIndex;
    I.lParam = reinterpret_cast<LPARAM>(It);
    I.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    I.state = It->FState & (LVIS_SELECTED | LVIS_FOCUSED);
    const bool Was = FOwner->FFilling;
    FOwner->FFilling = true;
    const int32_t Row = static_cast<int32_t>(SendMessageA(W, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&I)));
    if (Row >= 0) {
        if (FOwner->FCheckboxes) {
            LVITEMA S{};
            S.stateMask = LVIS_STATEIMAGEMASK;
            S.state = INDEXTOSTATEIMAGEMASK(It->FChecked ? 2 : 1);
            SendMessageA(W, LVM_SETITEMSTATE, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&S));
        }
    }
    FOwner->FFilling = Was;
    if (Row < 0)
        throw EOutOfResources("Cannot insert a list row");
}

void TListItems::Indexed(TListItem* It)
{
    if (It->FData)
        FByData.emplace(It->FData, It);
}

void TListItems::Unindexed(TListItem* It)
{
    if (!It->FData)
        return;
    auto [First, Last] = FByData.equal_range(It->FData);
    for (auto E = First; E != Last; ++E)
        if (E->second == It) {
            FByData.erase(E);
            return;
        }
}

TListItem* TListItems::Place(int32_t Index, TListItem* It)
{
    const bool Append = Index >= GetCount();
    const bool Virtual = FOwner->FOwnerData && FOwner->HandleAllocated();
    // A row added at the end moves no other: the window only needs the new count. Rows that
    // move take the window's marks along.
    if (Virtual && !Append)
        FOwner->HoldMarks();
    std::vector<TListItem*>& List = Rows();
    List.insert(List.begin() + Index, It);
    if (Append && FNumbered == Index) {
        It->FPos = Index;
        FNumbered = Index + 1;
    } else {
        Renumber(Index);
    }
    if (!Virtual && FOwner->HandleAllocated()) {
        TScopeExit Withdraw([this, Index, It] {
            FList.erase(FList.begin() + Index);
            Renumber(Index);
            delete It;
        });
        InsertWindowRow(Index);
        Withdraw.Dismiss();
    }
    It->FListed = true;
    Indexed(It);
    if (Virtual)
        FOwner->RowsChanged(Index);
    return It;
}

TListItem* TListItems::Insert(int32_t Index)
{
    return Place(std::clamp(Index, 0, GetCount()), new TListItem(FOwner));
}

// With a sort on, the row takes its place as soon as its caption or a sub-item is set.
TListItem* TListItems::Add() { return Insert(GetCount()); }

TListItem* TListItems::AddItem(const std::string& Caption, int32_t ImageIndex, void* Data,
                               const std::vector<std::string>& SubItems)
{
    auto* It = new TListItem(FOwner);
    TScopeExit Free([It] { delete It; }); // until it is handed on; a comparison may raise
    It->FCaption = Caption;
    It->FImageIndex = ImageIndex;
    It->FData = Data;
    It->FSubItems.FItems = SubItems;
    if (FOwner->FSortType != stNone && (FOwner->FOwnerData || !FOwner->HandleAllocated())) {
        Free.Dismiss();
        return AddToBatch(It);
    }
    const int32_t Index = FOwner->FSortType == stNone ? GetCount() : FOwner->SortedPlace(It);
    Free.Dismiss();
    return Place(Index, It);
}

TListItem* TListItems::AddToBatch(TListItem* It)
{
    TScopeExit Free([It] { delete It; }); // until it is in the batch
    // The window's marks are taken as rows, as for any row that lands before others; asked
    // before the place is found, as asking joins the batch to the list.
    const bool Virtual = FOwner->FOwnerData && FOwner->HandleAllocated();
    if (Virtual)
        FOwner->HoldMarks();
    // The first listed row that sorts after It: It goes in front of it, after the rows that
    // sort equal.
    const int32_t Lo = FOwner->SortedPlaceIn(FList, -1, It);
    // Among the waiting rows: after those going in front of an earlier listed row, before
    // those going in front of a later one; among those going in front of the same row, after
    // the ones that sort equal or before. Its index once joined is its list row plus its
    // place in the batch.
    auto First = std::lower_bound(FBatch.begin(), FBatch.end(), Lo,
                                  [](const TListItem* B, int32_t L) { return B->FBefore < L; });
    auto Last = std::upper_bound(First, FBatch.end(), Lo,
                                 [](int32_t L, const TListItem* B) { return L < B->FBefore; });
    auto At = std::upper_bound(First, Last, It,
                               [this](TListItem* A, TListItem* B) { return FOwner->Compare(B, A) > 0; });
    const int32_t Index = Lo + static_cast<int32_t>(At - FBatch.begin());
    It->FBefore = Lo;
    It->FWaiting = true;
    FBatch.insert(At, It);
    Free.Dismiss();
    It->FListed = true;
    Indexed(It);
    if (Virtual)
        FOwner->RowsChanged(Index);
    if (FBatch.size() >= kMaxBatch)
        JoinBatch();
    return It;
}

void TListItems::JoinBatch() const
{
    // One pass from the end: each waiting row (the J-th) lands at its list row plus J, and the
    // listed rows from there on move up past it and the waiting rows before it.
    const size_t N = FList.size();
    const size_t K = FBatch.size();
    FList.resize(N + K);
    size_t Src = N; // the listed rows before Src have not moved yet
    for (size_t J = K; J-- > 0;) {
        TListItem* It = FBatch[J];
        const size_t At = std::min(static_cast<size_t>(std::max(It->FBefore, 0)), Src);
        std::move_backward(FList.begin() + static_cast<ptrdiff_t>(At), FList.begin() + static_cast<ptrdiff_t>(Src),
                           FList.begin() + static_cast<ptrdiff_t>(Src + J + 1));
        FList[At + J] = It;
        It->FWaiting = false;
        Src = At;
    }
    FBatch.clear();
    Renumber(static_cast<int32_t>(Src));
}

int32_t TListItems::IndexOf(const TListItem* Item) const
{
    if (!Item || !Item->FListed || Item->FOwner != FOwner)
        return -1;
    if (Item->FWaiting) {
        // Where it will stand: the batch is not joined for it.
        auto At = std::find(FBatch.begin(), FBatch.end(), Item);
        if (At == FBatch.end())
            return -1;
        return std::min(Item->FBefore, static_cast<int32_t>(FList.size())) + static_cast<int32_t>(At - FBatch.begin());
    }
    const std::vector<TListItem*>& List = Rows();
    const int32_t N = GetCount();
    auto At = [&](int32_t P) { return P >= 0 && P < FNumbered && List[static_cast<size_t>(P)] == Item; };
    if (At(Item->FPos))
        return Item->FPos;
    // Rows moved since they were numbered: the moved part is numbered again, once for all the
    // look-ups that follow.
    for (int32_t I = FNumbered; I < N; ++I)
        List[static_cast<size_t>(I)]->FPos = I;
    FNumbered = N;
    return At(Item->FPos) ? Item->FPos : -1;
}

TListItem* TListItems::GetItem(int32_t Index) const
{
    if (Index < 0 || Index >= GetCount())
        throw EListError(Format("List index %d out of range", Index));
    return Rows()[static_cast<size_t>(Index)];
}

TListItem* TListItems::FindData(int32_t StartIndex, void* Value, bool Inclusive, bool Wrap) const
{
    const int32_t N = GetCount();
    if (N == 0)
        return nullptr;
    int32_t First = std::max(0, Inclusive ? StartIndex : StartIndex + 1);
    if (Value) {
        // The first carrier at or after First, else (Wrap) the first before it.
        TListItem* After = nullptr;
        TListItem* Before = nullptr;
        int32_t AfterAt = N, BeforeAt = N;
        auto [Lo, Hi] = FByData.equal_range(Value);
        for (auto E = Lo; E != Hi; ++E) {
            const int32_t I = IndexOf(E->second);
            if (I >= First && I < AfterAt) {
                After = E->second;
                AfterAt = I;
            } else if (I >= 0 && I < First && I < BeforeAt) {
                Before = E->second;
                BeforeAt = I;
            }
        }
        return After ? After : Wrap ? Before : nullptr;
    }
    const std::vector<TListItem*>& List = Rows();
    for (int32_t I = First; I < N; ++I)
        if (List[static_cast<size_t>(I)]->FData == Value)
            return List[static_cast<size_t>(I)];
    if (Wrap)
        for (int32_t I = 0; I < std::min(First, N); ++I)
            if (List[static_cast<size_t>(I)]->FData == Value)
                return List[static_cast<size_t>(I)];
    return nullptr;
}

TListItem* TListItems::FindCaption(int32_t StartIndex, const std::string& Value, bool Partial, bool Inclusive,
                                   bool Wrap) const
{
    auto Match = [&](const TListItem* It) {
        const std::string& C = It->FCaption;
        if (Partial)
            return C.size() >= Value.size() && CompareText(C.substr(0, Value.size()), Value) == 0;
        return CompareText(C, Value) == 0;
    };
    const int32_t N = GetCount();
    int32_t First = std::max(0, Inclusive ? StartIndex : StartIndex + 1);
    const std::vector<TListItem*>& List = Rows();
    for (int32_t I = First; I < N; ++I)
        if (Match(List[static_cast<size_t>(I)]))
            return List[static_cast<size_t>(I)];
    if (Wrap)
        for (int32_t I = 0; I < std::min(First, N); ++I)
            if (Match(List[static_cast<size_t>(I)]))
                return List[static_cast<size_t>(I)];
    return nullptr;
}

void TListItems::DeleteAt(int32_t Index)
{
    TListItem* It = Rows()[static_cast<size_t>(Index)];
    It->FDeleting = true;
    std::exception_ptr Error;
    try {
        if (FOwner->OnDeletion)
            FOwner->OnDeletion(FOwner, It);
    } catch (...) {
        Error = std::current_exception(); // the row goes all the same
    }
    Index = IndexOf(It); // the handler may have moved rows
    if (Index >= 0 && FOwner->FOwnerData && FOwner->HandleAllocated()) {
        FOwner->HoldMarks();
        auto& Marks = FOwner->FHeldMarks;
        Marks.erase(std::remove_if(Marks.begin(), Marks.end(), [It](const auto& M) { return M.first == It; }),
                    Marks.end());
        std::vector<TListItem*>& List = Rows();
        List.erase(List.begin() + Index);
        FOwner->RowsChanged(Index);
    } else if (Index >= 0) {
        if (FOwner->HandleAllocated()) {
            FOwner->QuietWhileHidden();
            SendMessageA(FOwner->GetHandle(), LVM_DELETEITEM, static_cast<WPARAM>(Index), 0);
        }
        std::vector<TListItem*>& List = Rows();
        List.erase(List.begin() + Index);
    }
    if (Index >= 0) {
        Renumber(Index);
        Unindexed(It);
        It->FListed = false;
    }
    It->FValue.Reset();
    delete It;
    if (Error)
        std::rethrow_exception(Error);
}

void TListItems::Delete(int32_t Index)
{
    if (Index < 0 || Index >= GetCount())
        throw EListError(Format("List index %d out of range", Index));
    if (Rows()[static_cast<size_t>(Index)]->FDeleting)
        return;
    DeleteAt(Index);
}

void TListItems::Clear()
{
    std::exception_ptr Error;
    for (TListItem* It : Rows()) {
        It->FDeleting = true;
        try {
            if (FOwner->OnDeletion)
                FOwner->OnDeletion(FOwner, It);
        } catch (...) {
            // Every row goes all the same; the first failure is raised after.
            if (!Error)
                Error = std::current_exception();
        }
    }
    if (FOwner->HandleAllocated() && !FOwner->FOwnerData) {
        FOwner->QuietWhileHidden();
        SendMessageA(FOwner->GetHandle(), LVM_DELETEALLITEMS, 0, 0);
    }
    const bool Virtual = FOwner->HandleAllocated() && FOwner->FOwnerData;
    // The rows the window marks now lose their marks; no row is left to carry one.
    if (Virtual)
        FOwner->HoldMarks();
    std::vector<TListItem*> Old;
    Old.swap(Rows());
    FNumbered = 0;
    FByData.clear();
    if (Virtual) {
        FOwner->FHeldMarks.clear();
        FOwner->RowsChanged(0);
    }
    for (TListItem* It : Old) {
        It->FListed = false;
        It->FValue.Reset();
        delete It;
    }
    if (Error)
        std::rethrow_exception(Error);
}

void TListItems::BeginUpdate()
{
    if (FUpdateCount++ == 0 && FOwner->HandleAllocated())
        SendMessageA(FOwner->GetHandle(), WM_SETREDRAW, FALSE, 0);
}

void TListItems::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FOwner->HandleAllocated()) {
        FOwner->FQuiet = false;
        SendMessageA(FOwner->GetHandle(), WM_SETREDRAW, TRUE, 0);
        FOwner->Invalidate();
    }
}

// ---------------------------------------------------------------------------------------------
// TListView

TListView::TListView(TComponent* AOwner) : TWinControl(AOwner)
{
    SetBounds(0, 0, 250, 150);
    SetTabStop(true);
    FColor = clWindow;
    FSmallLink.OnChange = [this](TObject*) { ImagesChanged(); };
    FLargeLink.OnChange = [this](TObject*) { ImagesChanged(); };
    FStateLink.OnChange = [this](TObject*) { ImagesChanged(); };
}

TListView::~TListView()
{
    FFreeing = true;
    DestroyHandle();
    try {
        FItems.Clear();
    } catch (...) {
        // A destructor cannot report it; the rows are freed regardless.
    }
    FSmallLink.SetSender(nullptr);
    FLargeLink.SetSender(nullptr);
    FStateLink.SetSender(nullptr);
}

DWORD TListView::StyleBits() const
{
    DWORD S = LVS_REPORT | LVS_SHAREIMAGELISTS;
    if (!FMultiSelect)
        S |= LVS_SINGLESEL;
    if (!FHideSelection)
        S |= LVS_SHOWSELALWAYS;
    if (!FReadOnly)
        S |= LVS_EDITLABELS;
    if (!FColumnClick)
        S |= LVS_NOSORTHEADER;
    if (FOwnerData)
        S |= LVS_OWNERDATA;
    return S;
}

DWORD TListView::ExStyleBits() const
{
    DWORD S = 0;
    if (FCheckboxes)
        S |= LVS_EX_CHECKBOXES;
    if (FGridLines)
        S |= LVS_EX_GRIDLINES;
    if (FRowSelect)
        S |= LVS_EX_FULLROWSELECT;
    return S;
}

void TListView::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = WC_LISTVIEWA;
    P.WinClassName = "QMListView";
    P.Style |= StyleBits();
    P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListView::ApplyStyle()
{
    if (!HandleAllocated())
        return;
    const DWORD Mask = LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_EDITLABELS | LVS_NOSORTHEADER;
    DWORD S = static_cast<DWORD>(GetWindowLongA(FHandle, GWL_STYLE));
    SetWindowLongA(FHandle, GWL_STYLE, static_cast<LONG>((S & ~Mask) | (StyleBits() & Mask)));
    const DWORD ExMask = LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    SendMessageA(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, ExMask, ExStyleBits());
    Invalidate();
}

void TListView::SetMultiSelect(bool Value) { FMultiSelect = Value; ApplyStyle(); }
void TListView::SetGridLines(bool Value) { FGridLines = Value; ApplyStyle(); }
void TListView::SetRowSelect(bool Value) { FRowSelect = Value; ApplyStyle(); }
void TListView::SetReadOnly(bool Value) { FReadOnly = Value; ApplyStyle(); }
void TListView::SetHideSelection(bool Value) { FHideSelection = Value; ApplyStyle(); }
void TListView::SetColumnClick(bool Value) { FColumnClick = Value; ApplyStyle(); }

void TListView::SetOwnerData(bool Value)
{
    if (FOwnerData == Value)
        return;
    FOwnerData = Value;
    if (HandleAllocated())
        RecreateWnd();
}

std::vector<std::pair<TListItem*, UINT>> TListView::MarkedRows(std::vector<int32_t>* Rows) const
{
    std::vector<std::pair<TListItem*, UINT>> Marks;
    if (!FHandle)
        return Marks;
    // Asked as the window stands: rows only added at the end since it last heard keep their
    // numbers, and rows that moved had their marks held before they moved.
    ++FAsking;
    struct TAsked {
        int32_t& Count;
        ~TAsked() { --Count; }
    } Asked{FAsking};
    const int32_t N = FItems.GetCount();
    // The window looks for a selected row row by row, to its last row: asked only for as many
    // as it has (it counts them at once), a batch of rows before none or a few selected ones
    // does not cost a walk of the whole list.
    auto Selected = static_cast<int32_t>(SendMessageA(FHandle, LVM_GETSELECTEDCOUNT, 0, 0));
    for (int32_t I = -1; Selected-- > 0;) {
        I = static_cast<int32_t>(SendMessageA(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(I), LVNI_SELECTED));
        if (I < 0 || I >= N)
            break;
        Marks.emplace_back(FItems.Rows()[static_cast<size_t>(I)], LVIS_SELECTED);
        if (Rows)
            Rows->push_back(I);
    }
    const int32_t F = static_cast<int32_t>(SendMessageA(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (F >= 0 && F < N) {
        Marks.emplace_back(FItems.Rows()[static_cast<size_t>(F)], LVIS_FOCUSED);
        if (Rows)
            Rows->push_back(F);
    }
    return Marks;
}

void TListView::HoldMarks()
{
    if (FMarksHeld || !FHandle)
        return;
    FMarkedRows.clear();
    FHeldMarks = MarkedRows(&FMarkedRows);
    FMarksHeld = true;
}

void TListView::RowsChanged(int32_t From)
{
    if (!FHandle)
        return;
    if (FRowsPending) {
        FPendingFrom = std::min(FPendingFrom, From);
        return;
    }
    FRowsPending = true;
    FPendingFrom = From;
    // Its next paint brings the window up to date, if nothing else reaches it first.
    InvalidateRect(FHandle, nullptr, FALSE);
}

void TListView::FlushRows()
{
    if (FFlushTimer) {
        KillTimer(FHandle, kFlushTimerId);
        FFlushTimer = false;
    }
    if (!FRowsPending)
        return;
    FRowsPending = false;
    FLastFlush = GetTickCount();
    std::vector<std::pair<TListItem*, UINT>> Marks;
    Marks.swap(FHeldMarks);
    std::vector<int32_t> Rows;
    Rows.swap(FMarkedRows);
    const bool Held = FMarksHeld;
    FMarksHeld = false;
    SyncVirtualRows(Held ? &Marks : nullptr, FPendingFrom, Held ? &Rows : nullptr);
}

void TListView::SyncVirtualRows(const std::vector<std::pair<TListItem*, UINT>>* Marks, int32_t RedrawFrom,
                                const std::vector<int32_t>* MarkedBefore)
{
    if (!FHandle)
        return;
    QuietWhileHidden();
    const bool Was = FFilling;
    FFilling = true; // the marks put back are no change of the user's
    LVITEMA Clear{};
    Clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (Marks && MarkedBefore) {
        // Only the rows that had a mark: the window may clear all its rows one by one, telling
        // of each, which for a list of many rows is most of a second.
        for (const int32_t Row : *MarkedBefore)
            SendMessageA(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&Clear));
    } else if (Marks) {
        SendMessageA(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&Clear));
    }
    const int32_t N = FItems.GetCount();
    // Telling the count costs the window the same whatever it is (its scroll bar is set again):
    // not when it is the same.
    if (SendMessageA(FHandle, LVM_GETITEMCOUNT, 0, 0) != N)
        SendMessageA(FHandle, LVM_SETITEMCOUNT, static_cast<WPARAM>(N), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    if (RedrawFrom < N) {
        // Only the rows in sight are drawn again: the window may take a redraw row by row.
        const auto Top = static_cast<int32_t>(SendMessageA(FHandle, LVM_GETTOPINDEX, 0, 0));
        const auto Page = static_cast<int32_t>(SendMessageA(FHandle, LVM_GETCOUNTPERPAGE, 0, 0));
        const int32_t First = std::max({RedrawFrom, Top, 0});
        const int32_t Last = std::min(N - 1, std::max(Top, 0) + std::max(Page, 0));
        if (First <= Last)
            SendMessageA(FHandle, LVM_REDRAWITEMS, static_cast<WPARAM>(First), static_cast<LPARAM>(Last));
    }
    if (Marks)
        for (const auto& [It, State] : *Marks) {
            const int32_t Row = FItems.IndexOf(It);
            if (Row < 0)
                continue;
            LVITEMA S{};
            S.stateMask = State;
            S.state = State;
            SendMessageA(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&S));
        }
    FFilling = Was;
}

void TListView::SetCheckboxes(bool Value)
{
    if (FCheckboxes == Value)
        return;
    FCheckboxes = Value;
    FFilling = true;
    ApplyStyle();
    if (Value && HandleAllocated())
        for (TListItem* It : FItems.Rows())
            It->SetState(LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(It->FChecked ? 2 : 1));
    FFilling = false;
}

void TListView::SetImageLink(TImageList*& Field, TChangeLink& Link, TImageList* Value)
{
    if (Field)
        Field->RemoveFreeNotification(this);
    Field = Value;
    Link.SetSender(Value);
    if (Value)
        Value->FreeNotification(this);
    ImagesChanged();
}

void TListView::SetSmallImages(TImageList* Value) { SetImageLink(FSmallImages, FSmallLink, Value); }
void TListView::SetLargeImages(TImageList* Value) { SetImageLink(FLargeImages, FLargeLink, Value); }
void TListView::SetStateImages(TImageList* Value) { SetImageLink(FStateImages, FStateLink, Value); }

void TListView::ImagesChanged()
{
    if (!FHandle)
        return;
    auto H = [](TImageList* L) { return reinterpret_cast<LPARAM>(L ? L->GetHandle() : nullptr); };
    SendMessageA(FHandle, LVM_SETIMAGELIST, LVSIL_SMALL, H(FSmallImages));
    SendMessageA(FHandle, LVM_SETIMAGELIST, LVSIL_NORMAL, H(FLargeImages));
    // The check boxes are the state images when Checkboxes is on.
    if (FStateImages || !FCheckboxes)
        SendMessageA(FHandle, LVM_SETIMAGELIST, LVSIL_STATE, H(FStateImages));
    Invalidate();
}

void TListView::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FSmallImages)
        SetImageLink(FSmallImages, FSmallLink, nullptr);
    if (AComponent == FLargeImages)
        SetImageLink(FLargeImages, FLargeLink, nullptr);
    if (AComponent == FStateImages)
        SetImageLink(FStateImages, FStateLink, nullptr);
}

void TListView::InsertWindowColumn(int32_t Index)
{
    TListColumn* C = FColumns.FItems[static_cast<size_t>(Index)];
    LVCOLUMNA L{};
    L.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM | (C->FImageIndex >= 0 ? LVCF_IMAGE : 0);
    L.pszText = const_cast<char*>(C->FCaption.c_str());
    L.cx = C->FWidth;
    L.fmt = ColumnFormat(C->FAlignment, C->FImageIndex);
    L.iSubItem = Index;
    L.iImage = C->FImageIndex;
    SendMessageA(FHandle, LVM_INSERTCOLUMNA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&L));
    if (C->FAutoSize)
        SendMessageA(FHandle, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(Index), LVSCW_AUTOSIZE_USEHEADER);
}

void TListView::QuietWhileHidden()
{
    if (FQuiet || !FHandle || FItems.FUpdateCount > 0 || IsWindowVisible(FHandle))
        return;
    const LONG Style = GetWindowLongA(FHandle, GWL_STYLE);
    SendMessageA(FHandle, WM_SETREDRAW, FALSE, 0);
    // The default handling of WM_SETREDRAW may clear WS_VISIBLE; the window must stay shown
    // with its parent, so that its first paint can turn drawing back on.
    if ((Style & WS_VISIBLE) && !(GetWindowLongA(FHandle, GWL_STYLE) & WS_VISIBLE))
        SetWindowLongA(FHandle, GWL_STYLE, Style);
    FQuiet = true;
}

void TListView::EndQuiet()
{
    if (!FQuiet)
        return;
    FQuiet = false;
    if (!FHandle || FItems.FUpdateCount > 0)
        return;
    SendMessageA(FHandle, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FHandle, nullptr, TRUE);
}

void TListView::SaveWindowState()
{
    EndQuiet();
    for (TListColumn* C : FColumns.FItems)
        C->FWidth = C->GetWidth();
    const std::vector<TListItem*>& List = FItems.Rows();
    for (size_t I = 0; I < List.size(); ++I) {
        TListItem* It = List[I];
        It->FState = static_cast<UINT>(SendMessageA(FHandle, LVM_GETITEMSTATE, I, LVIS_SELECTED | LVIS_FOCUSED));
        if (FCheckboxes)
            It->FChecked = It->GetChecked();
    }
}

void TListView::RestoreWindowState()
{
    FQuiet = false; // a new window draws
    FFlushTimer = false; // the timer went with the window before
    SendMessageA(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, ~0u, ExStyleBits());
    ImagesChanged();
    for (int32_t I = 0; I < FColumns.GetCount(); ++I)
        InsertWindowColumn(I);
    SendMessageA(FHandle, WM_SETREDRAW, FALSE, 0);
    // The new window is filled whole: nothing is left for a later update.
    FRowsPending = false;
    FMarksHeld = false;
    FHeldMarks.clear();
    FMarkedRows.clear();
    if (FOwnerData) {
        std::vector<std::pair<TListItem*, UINT>> Marks;
        for (TListItem* It : FItems.Rows())
            if (It->FState & (LVIS_SELECTED | LVIS_FOCUSED))
                Marks.emplace_back(It, It->FState & (LVIS_SELECTED | LVIS_FOCUSED));
        SyncVirtualRows(&Marks, 0);
    } else {
        SendMessageA(FHandle, LVM_SETITEMCOUNT, FItems.Rows().size(), 0);
        for (int32_t I = 0; I < FItems.GetCount(); ++I)
            FItems.InsertWindowRow(I);
    }
    SendMessageA(FHandle, WM_SETREDRAW, TRUE, 0);
    FQuiet = false;
}

TListItem* TListView::GetSelected() const
{
    return GetNextItem(nullptr, srAll, TItemStates{isSelected});
}

void TListView::SetSelected(TListItem* Value)
{
    for (TListItem* It : FItems.Rows())
        if (It != Value && It->GetSelected())
            It->SetSelected(false);
    if (Value)
        Value->SetSelected(true);
}

int32_t TListView::GetSelCount() const
{
    if (FHandle)
        return static_cast<int32_t>(SendMessageA(FHandle, LVM_GETSELECTEDCOUNT, 0, 0));
    int32_t N = 0;
    for (TListItem* It : FItems.Rows())
        N += (It->FState & LVIS_SELECTED) ? 1 : 0;
    return N;
}

TListItem* TListView::GetNextItem(TListItem* StartItem, TSearchDirection Direction, TItemStates States) const
{
    UINT Want = 0;
    if (States.Contains(isSelected))
        Want |= LVIS_SELECTED;
    if (States.Contains(isFocused))
        Want |= LVIS_FOCUSED;
    if (States.Contains(isCut))
        Want |= LVIS_CUT;
    if (States.Contains(isDropHilited))
        Want |= LVIS_DROPHILITED;
    const int32_t Start = StartItem ? FItems.IndexOf(StartItem) : -1;
    if (FHandle) {
        UINT Flags = Direction == srAbove ? LVNI_ABOVE : Direction == srBelow ? LVNI_BELOW
                     : Direction == srLeft ? LVNI_TOLEFT : Direction == srRight ? LVNI_TORIGHT : LVNI_ALL;
        if (Want & LVIS_SELECTED)
            Flags |= LVNI_SELECTED;
        if (Want & LVIS_FOCUSED)
            Flags |= LVNI_FOCUSED;
        if (Want & LVIS_CUT)
            Flags |= LVNI_CUT;
        if (Want & LVIS_DROPHILITED)
            Flags |= LVNI_DROPHILITED;
        const auto R = static_cast<int32_t>(SendMessageA(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(Start), MAKELPARAM(Flags, 0)));
        return R >= 0 && R < FItems.GetCount() ? FItems.Rows()[static_cast<size_t>(R)] : nullptr;
    }
    for (int32_t I = Start + 1; I < FItems.GetCount(); ++I)
        if ((FItems.Rows()[static_cast<size_t>(I)]->FState & Want) == Want)
            return FItems.Rows()[static_cast<size_t>(I)];
    return nullptr;
}

TListItem* TListView::GetItemAt(int32_t X, int32_t Y)
{
    if (!HandleAllocated())
        return nullptr;
    LVHITTESTINFO H{};
    H.pt = {X, Y};
    const auto R = static_cast<int32_t>(SendMessageA(FHandle, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&H)));
    return R >= 0 && R < FItems.GetCount() ? FItems.Rows()[static_cast<size_t>(R)] : nullptr;
}

int32_t TListView::Compare(TListItem* A, TListItem* B) const
{
    if (FCustomCompare)
        return FCustomCompare(A, B);
    if (OnCompare) {
        int32_t R = 0;
        OnCompare(const_cast<TListView*>(this), A, B, 0, R);
        return R;
    }
    if (FSortType == stData || (FSortType == stBoth && A->FData != B->FData && CompareText(A->FCaption, B->FCaption) == 0))
        return A->FData < B->FData ? -1 : A->FData > B->FData ? 1 : 0;
    return CompareText(A->FCaption, B->FCaption);
}

// The window is told the new order through LVM_SORTITEMS with each row's rank.
static int CALLBACK RankCompare(LPARAM A, LPARAM B, LPARAM Ranks)
{
    auto* R = reinterpret_cast<std::vector<std::pair<TListItem*, int32_t>>*>(Ranks);
    auto Find = [R](LPARAM P) {
        auto It = std::lower_bound(R->begin(), R->end(), reinterpret_cast<TListItem*>(P),
                                   [](const auto& E, TListItem* K) { return E.first < K; });
        return It != R->end() && It->first == reinterpret_cast<TListItem*>(P) ? It->second : 0;
    };
    const int32_t X = Find(A), Y = Find(B);
    return X < Y ? -1 : X > Y ? 1 : 0;
}

void TListView::ApplyOrder()
{
    if (!HandleAllocated())
        return;
    std::vector<std::pair<TListItem*, int32_t>> Ranks;
    const std::vector<TListItem*>& List = FItems.Rows();
    Ranks.reserve(List.size());
    for (size_t I = 0; I < List.size(); ++I)
        Ranks.emplace_back(List[I], static_cast<int32_t>(I));
    std::sort(Ranks.begin(), Ranks.end());
    SendMessageA(FHandle, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&Ranks), reinterpret_cast<LPARAM>(RankCompare));
}

bool TListView::CustomSort(const TLVCompare& CompareFn)
{
    FCustomCompare = CompareFn;
    const bool Virtual = FOwnerData && HandleAllocated();
    if (Virtual)
        HoldMarks();
    std::vector<TListItem*>& List = FItems.Rows();
    std::stable_sort(List.begin(), List.end(),
                     [this](TListItem* A, TListItem* B) { return Compare(A, B) < 0; });
    FItems.Renumber(0);
    if (Virtual)
        RowsChanged(0);
    else if (!FOwnerData)
        ApplyOrder();
    return true;
}

bool TListView::AlphaSort() { return CustomSort(nullptr); }

void TListView::SetSortType(TSortType Value)
{
    FSortType = Value;
    if (Value != stNone)
        AlphaSort();
}

int32_t TListView::SortedPlace(TListItem* Item) const
{
    // The first row that sorts after Item, among the others: a binary search over the rows as
    // they stand, where the row of Item itself (when it is listed) is passed over, so the index
    // found is its index once it has been taken out.
    const auto& V = FItems.Rows();
    return SortedPlaceIn(V, FItems.IndexOf(Item), Item);
}

int32_t TListView::SortedPlaceIn(const std::vector<TListItem*>& V, int32_t Self, TListItem* Item) const
{
    auto Other = [&](int32_t K) { return V[static_cast<size_t>(Self >= 0 && K >= Self ? K + 1 : K)]; };
    int32_t Lo = 0, Hi = static_cast<int32_t>(V.size()) - (Self >= 0 ? 1 : 0);
    while (Lo < Hi) {
        const int32_t Mid = Lo + (Hi - Lo) / 2;
        if (Compare(Other(Mid), Item) <= 0)
            Lo = Mid + 1;
        else
            Hi = Mid;
    }
    return Lo;
}

void TListView::PlaceRow(TListItem* Item)
{
    if (FSortType == stNone || Item->FDeleting)
        return;
    std::vector<TListItem*>& List = FItems.Rows();
    const int32_t From = FItems.IndexOf(Item);
    if (From < 0)
        return;
    const int32_t To = SortedPlace(Item);
    if (To == From)
        return;
    if (FOwnerData && HandleAllocated()) {
        HoldMarks();
        List.erase(List.begin() + From);
        List.insert(List.begin() + To, Item);
        FItems.Renumber(std::min(From, To));
        RowsChanged(std::min(From, To));
        return;
    }
    List.erase(List.begin() + From);
    List.insert(List.begin() + To, Item);
    FItems.Renumber(std::min(From, To));
    if (HandleAllocated()) {
        // The window row moves too: taken out and put back at its place.
        const UINT State = static_cast<UINT>(SendMessageA(FHandle, LVM_GETITEMSTATE, static_cast<WPARAM>(From),
                                                          LVIS_SELECTED | LVIS_FOCUSED));
        if (FCheckboxes)
            Item->FChecked = (SendMessageA(FHandle, LVM_GETITEMSTATE, static_cast<WPARAM>(From), LVIS_STATEIMAGEMASK) >> 12) == 2;
        Item->FState = State;
        FFilling = true;
        SendMessageA(FHandle, LVM_DELETEITEM, static_cast<WPARAM>(From), 0);
        FFilling = false;
        FItems.InsertWindowRow(To);
    }
}

void TListView::WndProc(TMessage& M)
{
    // Whatever reaches the window (a paint, input, a question of ours) finds it up to date;
    // not a notification it sends about its own work, nor its end.
    // A paint soon after the last update may show the rows as the window knows them, when they
    // only grew or changed in place and no row carries a mark: rows added at the end come with
    // the update a moment later, so a list that grows all the time is told once in a while.
    if (M.Msg == WM_TIMER && M.WParam == kFlushTimerId) {
        FlushRows();
        M.Result = 0;
        return;
    }
    if (FRowsPending && FAsking == 0 && !FFreeing && M.Msg != CN_NOTIFY && M.Msg != WM_DESTROY &&
        M.Msg != WM_NCDESTROY) {
        const bool Unmarked = !FMarksHeld || (FHeldMarks.empty() && FMarkedRows.empty());
        if (M.Msg == WM_PAINT && Unmarked && GetTickCount() - FLastFlush < kFlushGapMs) {
            if (!FFlushTimer && SetTimer(FHandle, kFlushTimerId, kFlushGapMs, nullptr))
                FFlushTimer = true;
            if (!FFlushTimer)
                FlushRows();
        } else {
            FlushRows();
        }
    }
    if (M.Msg == WM_PAINT || M.Msg == WM_PRINTCLIENT)
        EndQuiet();
    if (M.Msg == CN_NOTIFY) {
        M.Result = DoNotify(reinterpret_cast<NMHDR*>(M.LParam));
        return;
    }
    TWinControl::WndProc(M);
}

const std::string* TListView::DisplayText(int32_t Row, LPARAM Param, int32_t SubItem) const
{
    // The window's row number is ours, except for a moment while a row moves to its sorted
    // place; the row's own pointer tells then.
    auto* It = reinterpret_cast<TListItem*>(Param);
    if (FOwnerData) {
        // A virtual row is its number.
        if (Row < 0 || Row >= FItems.GetCount())
            return nullptr;
        It = FItems.Rows()[static_cast<size_t>(Row)];
    } else if (Row < 0 || Row >= FItems.GetCount() || FItems.Rows()[static_cast<size_t>(Row)] != It) {
        if (!It || FItems.IndexOf(It) < 0)
            return nullptr;
    }
    if (SubItem == 0)
        return &It->FCaption;
    const auto& Subs = It->FSubItems.FItems;
    return SubItem > 0 && static_cast<size_t>(SubItem) <= Subs.size() ? &Subs[static_cast<size_t>(SubItem) - 1]
                                                                       : nullptr;
}

LRESULT TListView::DoNotify(NMHDR* H)
{
    if (FFreeing)
        return 0;
    switch (H->code) {
    case LVN_ITEMCHANGED: {
        auto* V = reinterpret_cast<NMLISTVIEW*>(H);
        // Virtual rows changed all at once (a selection cleared) are told as a change of no row.
        if (FOwnerData && !FFilling && V->iItem == -1 && (V->uChanged & LVIF_STATE)) {
            if (OnChange)
                OnChange(this, nullptr, ctState);
            return 0;
        }
        if (FFilling || V->iItem < 0 || V->iItem >= FItems.GetCount())
            return 0;
        TListItem* It = FOwnerData ? nullptr : reinterpret_cast<TListItem*>(V->lParam);
        if (!It || It->FDeleting || FItems.IndexOf(It) < 0)
            It = FItems.Rows()[static_cast<size_t>(V->iItem)];
        if (!(V->uChanged & LVIF_STATE))
            return 0;
        const UINT Changed = V->uOldState ^ V->uNewState;
        if ((Changed & LVIS_STATEIMAGEMASK) && FCheckboxes && (V->uOldState & LVIS_STATEIMAGEMASK)) {
            It->FChecked = (V->uNewState >> 12) == 2;
            if (OnItemChecked)
                OnItemChecked(this, It);
        }
        if (OnChange)
            OnChange(this, It, ctState);
        if ((Changed & LVIS_SELECTED) && OnSelectItem)
            OnSelectItem(this, It, (V->uNewState & LVIS_SELECTED) != 0);
        return 0;
    }
    case LVN_ODSTATECHANGED: {
        // A range of virtual rows changed at once (a shift-click): each row hears of it.
        auto* V = reinterpret_cast<NMLVODSTATECHANGE*>(H);
        if (FFilling)
            return 0;
        const UINT Changed = V->uOldState ^ V->uNewState;
        for (int32_t I = std::max(V->iFrom, 0); I <= V->iTo && I < FItems.GetCount(); ++I) {
            TListItem* It = FItems.Rows()[static_cast<size_t>(I)];
            if (OnChange)
                OnChange(this, It, ctState);
            if ((Changed & LVIS_SELECTED) && OnSelectItem)
                OnSelectItem(this, It, (V->uNewState & LVIS_SELECTED) != 0);
        }
        return 0;
    }
    case LVN_COLUMNCLICK: {
        auto* V = reinterpret_cast<NMLISTVIEW*>(H);
        if (OnColumnClick && V->iSubItem >= 0 && V->iSubItem < FColumns.GetCount())
            OnColumnClick(this, FColumns.FItems[static_cast<size_t>(V->iSubItem)]);
        return 0;
    }
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW: {
        auto* D = reinterpret_cast<NMLVDISPINFOA*>(H);
        if (FOwnerData && D->item.iItem >= 0 && D->item.iItem < FItems.GetCount()) {
            TListItem* It = FItems.Rows()[static_cast<size_t>(D->item.iItem)];
            if (D->item.mask & LVIF_IMAGE)
                D->item.iImage = D->item.iSubItem == 0 ? It->FImageIndex : -1;
            if (D->item.mask & LVIF_PARAM)
                D->item.lParam = reinterpret_cast<LPARAM>(It);
            if (D->item.mask & LVIF_INDENT)
                D->item.iIndent = 0;
        }
        if (!(D->item.mask & LVIF_TEXT) || !D->item.pszText || D->item.cchTextMax <= 0)
            return 0;
        const std::string* Text = DisplayText(D->item.iItem, D->item.lParam, D->item.iSubItem);
        const std::string& T = Text ? *Text : std::string();
        if (H->code == LVN_GETDISPINFOA) {
            lstrcpynA(D->item.pszText, T.c_str(), D->item.cchTextMax);
        } else {
            auto* DW = reinterpret_cast<NMLVDISPINFOW*>(H);
            const int N = T.empty() ? 0 : MultiByteToWideChar(CP_ACP, 0, T.data(), static_cast<int>(T.size()),
                                                               DW->item.pszText, DW->item.cchTextMax - 1);
            DW->item.pszText[N > 0 ? N : 0] = 0;
        }
        return 0;
    }
    case LVN_BEGINLABELEDITA:
    case LVN_BEGINLABELEDITW:
        return FReadOnly ? TRUE : FALSE;
    case LVN_ENDLABELEDITA: {
        auto* D = reinterpret_cast<NMLVDISPINFOA*>(H);
        if (FReadOnly || !D->item.pszText || D->item.iItem < 0 || D->item.iItem >= FItems.GetCount())
            return FALSE;
        FItems.Rows()[static_cast<size_t>(D->item.iItem)]->FCaption = D->item.pszText;
        return TRUE;
    }
    default:
        return 0;
    }
}
