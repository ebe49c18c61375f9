#pragma once
// TListView over SysListView32 in report view, with one stable TListItem object per row.
//
// The rows live in our own list, in display order; the window mirrors them and is filled again
// when it is made. Each row carries Data (never freed) and an owned value slot freed with the
// row, after OnDeletion. SubItems write through to the window at once. While SortType is on,
// an added row goes straight to its sorted place, found by a binary search. Where the window
// keeps no rows of its own (a virtual list view, or no window yet), whole rows added while
// sorted wait in a sorted batch of their own and join the list in one pass when anything
// else reads it, so a long run of additions does not shift the list once per row; the count,
// a waiting row's index and its Data look-up are right at once all the same.
//
// A row's index and the rows carrying a Data pointer are looked up, not searched for. A virtual
// list view (OwnerData) hears of its changed rows once per batch: the window is told the new
// number of rows when it is next sent or posted a message of any kind (its next paint at the
// latest, which a change asks for), so a run of changes costs it one update.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include <windows.h>

#include <commctrl.h>

#include "platform/win/Controls.h"
#include "platform/win/ImageList.h"
#include "platform/win/OwnedValue.h"
#include "platform/win/StdCtrls.h"

class TListView;
class TListItem;

class TListColumn {
public:
    const std::string& GetCaption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    int32_t GetWidth() const;
    void SetWidth(int32_t Value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    // The header image (-1: none); read back from the header.
    int32_t GetImageIndex() const;
    void SetImageIndex(int32_t Value);
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    int32_t GetIndex() const { return FIndex; }

private:
    friend class TListColumns;
    friend class TListView;
    TListColumn(TListView* AOwner, int32_t AIndex) : FOwner(AOwner), FIndex(AIndex) {}
    void Apply(UINT Mask);

    TListView* FOwner = nullptr;
    int32_t FIndex;
    std::string FCaption;
    int32_t FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
    int32_t FImageIndex = -1;
    bool FAutoSize = false;
};

class TListColumns {
public:
    explicit TListColumns(TListView* AOwner) : FOwner(AOwner) {}
    ~TListColumns();
    TListColumns(const TListColumns&) = delete;
    TListColumns& operator=(const TListColumns&) = delete;
    TListColumn* Add();
    int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
    TListColumn* GetItem(int32_t Index) const;
    void Clear();

private:
    friend class TListView;
    TListView* FOwner = nullptr;
    std::vector<TListColumn*> FItems;
};

// A row's sub-items (columns 1 and on), written through to the window.
class TListSubItems {
public:
    int32_t Add(const std::string& S);
    int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
    const std::string& GetStrings(int32_t Index) const;
    // Setting past the end adds empty sub-items up to Index.
    void SetStrings(int32_t Index, const std::string& S);
    void Delete(int32_t Index);
    void Clear();

private:
    friend class TListItem;
    friend class TListItems;
    friend class TListView;
    explicit TListSubItems(TListItem* AOwner) : FOwner(AOwner) {}
    void Push(int32_t Index) const;
    TListItem* FOwner = nullptr;
    std::vector<std::string> FItems;
};

class TListItem {
public:
    TListItem(const TListItem&) = delete;
    TListItem& operator=(const TListItem&) = delete;

    TListView* GetListView() const { return FOwner; }
    const std::string& GetCaption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    TListSubItems* GetSubItems() { return &FSubItems; }
    int32_t GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int32_t Value);
    void* GetData() const { return FData; }
    void SetData(void* Value);
    TOwnedValue& Value() { return FValue; }
    bool GetChecked() const;
    void SetChecked(bool Value);
    bool GetSelected() const;
    void SetSelected(bool Value);
    bool GetFocused() const;
    void SetFocused(bool Value);
    int32_t GetIndex() const;
    void Delete();
    void MakeVisible(bool PartialOK = false);
    // The row's rectangle (LabelOnly: its caption's) in the view's client coordinates; empty
    // while the view has no window.
    TRect DisplayRect(bool LabelOnly) const;

private:
    friend class TListItems;
    friend class TListView;
    friend class TListSubItems;
    explicit TListItem(TListView* AOwner) : FOwner(AOwner), FSubItems(this) {}
    ~TListItem() = default;
    void SetState(UINT Mask, UINT State);
    UINT GetState(UINT Mask) const;

    TListView* FOwner = nullptr;
    std::string FCaption;
    TListSubItems FSubItems;
    int32_t FImageIndex = -1;
    void* FData = nullptr;
    TOwnedValue FValue;
    UINT FState = 0;  // kept while there is no window
    bool FChecked = false;
    bool FDeleting = false;
    bool FListed = false;      // placed in its list
    bool FWaiting = false;     // in the list's batch of sorted rows still to join it
    int32_t FBefore = 0;       // while waiting: the list row it goes in front of
    mutable int32_t FPos = -1; // its index when last numbered (see TListItems::IndexOf)
};

class TListItems {
public:
    explicit TListItems(TListView* AOwner) : FOwner(AOwner) {}
    ~TListItems();
    TListItems(const TListItems&) = delete;
    TListItems& operator=(const TListItems&) = delete;

    // At the end, or at its sorted place while a sort is on.
    TListItem* Add();
    // A whole row in one step, at the end or at its sorted place: the window gets the row with
    // its caption, image and data at once, then its sub-items.
    TListItem* AddItem(const std::string& Caption, int32_t ImageIndex, void* Data,
                       const std::vector<std::string>& SubItems);
    TListItem* Insert(int32_t Index);
    void Delete(int32_t Index);
    void Clear();
    int32_t GetCount() const { return static_cast<int32_t>(FList.size() + FBatch.size()); }
    TListItem* GetItem(int32_t Index) const; // a bad index raises EListError
    int32_t IndexOf(const TListItem* Item) const;
    // Searches from Start (including it when Inclusive), wrapping to the top when Wrap. A look-up
    // for any Value but null.
    TListItem* FindData(int32_t StartIndex, void* Value, bool Inclusive, bool Wrap) const;
    TListItem* FindCaption(int32_t StartIndex, const std::string& Value, bool Partial, bool Inclusive,
                           bool Wrap) const;
    void BeginUpdate();
    void EndUpdate();

private:
    friend class TListView;
    friend class TListItem;
    // The rows in order, with the waiting batch joined to them first.
    std::vector<TListItem*>& Rows() const
    {
        if (!FBatch.empty())
            JoinBatch();
        return FList;
    }
    void JoinBatch() const;
    // A whole new row to its sorted place by way of the waiting batch (no window rows to keep
    // in step); returns it.
    TListItem* AddToBatch(TListItem* It);
    void InsertWindowRow(int32_t Index);
    // Puts a new item at Index, and its row in the window when there is one; the item is freed
    // again when the window refuses the row.
    TListItem* Place(int32_t Index, TListItem* It);
    void DeleteAt(int32_t Index);
    // The rows from Index on have moved: their numbers are taken again when next asked for.
    void Renumber(int32_t Index) const { FNumbered = std::min(FNumbered, Index); }
    void Indexed(TListItem* It);   // It carries its Data in FByData
    void Unindexed(TListItem* It); // and no longer

    TListView* FOwner = nullptr;
    // The listed rows, and the batch of rows waiting to join them (sorted as the list, each
    // going in front of its FBefore, which never decreases along the batch). Only Rows() and
    // the batch's own code touch these: everything else sees the joined list.
    mutable std::vector<TListItem*> FList;
    mutable std::vector<TListItem*> FBatch;
    // A batch this long joins the list at once: its rows' index look-ups walk it.
    static constexpr size_t kMaxBatch = 1024;
    int32_t FUpdateCount = 0;
    // The rows before this index carry their own index in FPos.
    mutable int32_t FNumbered = 0;
    // The rows by their Data (rows without Data are not kept here).
    std::unordered_multimap<const void*, TListItem*> FByData;
};

enum TSortType { stNone, stData, stText, stBoth };
enum TItemState { isNone, isCut, isDropHilited, isFocused, isSelected };
using TItemStates = TFlags<TItemState>;
// "sr": the command bars' painter interface has its own sdLeft ... (the sides of a frame).
enum TSearchDirection { srLeft, srRight, srAbove, srBelow, srAll };
enum TItemChange { ctText, ctImage, ctState };

using TLVCompareEvent = std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, int32_t Data,
                                           int32_t& Compare)>;
using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVCheckedEvent = std::function<void(TObject* Sender, TListItem* Item)>;
// Item1 before Item2: negative.
using TLVCompare = std::function<int32_t(TListItem* Item1, TListItem* Item2)>;

class TListView : public TWinControl {
public:
    explicit TListView(TComponent* AOwner);
    ~TListView() override;
    std::string ClassName() const override { return "TListView"; }

    TListColumns* GetColumns() { return &FColumns; }
    TListItems* GetItems() { return &FItems; }

    TImageList* GetSmallImages() const { return FSmallImages; }
    void SetSmallImages(TImageList* Value);
    TImageList* GetLargeImages() const { return FLargeImages; }
    void SetLargeImages(TImageList* Value);
    TImageList* GetStateImages() const { return FStateImages; }
    void SetStateImages(TImageList* Value);

    bool GetMultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool GetCheckboxes() const { return FCheckboxes; }
    void SetCheckboxes(bool Value);
    bool GetGridLines() const { return FGridLines; }
    void SetGridLines(bool Value);
    bool GetRowSelect() const { return FRowSelect; }
    void SetRowSelect(bool Value);
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool GetHideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    bool GetColumnClick() const { return FColumnClick; }
    void SetColumnClick(bool Value);
    // The window keeps nothing of its own for a row, not even the row (a virtual list view): it
    // asks the rows for what it shows. For lists of very many rows, such as the pictures a long
    // crawl saved; not with check boxes. The window is made again when it changes. A change of
    // every row at once (the selection cleared) reaches OnChange with no row.
    bool GetOwnerData() const { return FOwnerData; }
    void SetOwnerData(bool Value);

    TListItem* GetSelected() const; // the first selected row
    void SetSelected(TListItem* Value); // nullptr clears the selection
    int32_t GetSelCount() const;
    // The next row after Start (nullptr: from the top) with all of States, in Direction.
    TListItem* GetNextItem(TListItem* StartItem, TSearchDirection Direction, TItemStates States) const;
    TListItem* GetItemAt(int32_t X, int32_t Y);

    TSortType GetSortType() const { return FSortType; }
    void SetSortType(TSortType Value);
    bool AlphaSort();
    bool CustomSort(const TLVCompare& Compare);

    TLVCompareEvent OnCompare;
    TLVDeletedEvent OnDeletion;
    TLVChangeEvent OnChange;
    TLVSelectItemEvent OnSelectItem;
    TLVColumnClickEvent OnColumnClick;
    TLVCheckedEvent OnItemChecked;

    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    bool WantsKey(uint16_t Key) const override { return Key == VK_RETURN || Key == VK_UP || Key == VK_DOWN; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void SaveWindowState() override;
    void RestoreWindowState() override;

private:
    friend class TListItems;
    friend class TListItem;
    friend class TListColumn;
    friend class TListSubItems;
    friend class TListColumns;
    DWORD StyleBits() const;
    DWORD ExStyleBits() const;
    void ApplyStyle();
    void ImagesChanged();
    void InsertWindowColumn(int32_t Index);
    int32_t Compare(TListItem* A, TListItem* B) const;
    int32_t SortedPlace(TListItem* Item) const;
    // The first row of Rows that sorts after Item, the row Self (Item's own, or -1) passed over.
    int32_t SortedPlaceIn(const std::vector<TListItem*>& Rows, int32_t Self, TListItem* Item) const;
    void ApplyOrder();
    // Moves a row to its sorted place while a sort is on.
    void PlaceRow(TListItem* Item);
    LRESULT DoNotify(NMHDR* H);
    // The text the window asks for: row Row (whose data is Param, the row's own pointer), column
    // SubItem; null when there is none.
    const std::string* DisplayText(int32_t Row, LPARAM Param, int32_t SubItem) const;
    // A list view that nobody can see does not draw: row changes turn its redraw off (the
    // window's own scroll and layout work on every row change is most of their cost), and the
    // first paint turns it back on.
    void QuietWhileHidden();
    void EndQuiet();
    // Virtual rows: the window's selected and focused rows, as rows, before the rows move; and
    // the window told the new number of rows, with those marks put back where the rows went.
    // Rows (when given) gets the window's numbers of those rows.
    std::vector<std::pair<TListItem*, UINT>> MarkedRows(std::vector<int32_t>* Rows = nullptr) const;
    // MarkedBefore: the window's rows that had a mark (null: clear every row's).
    void SyncVirtualRows(const std::vector<std::pair<TListItem*, UINT>>* Marks, int32_t RedrawFrom,
                         const std::vector<int32_t>* MarkedBefore = nullptr);
    // Virtual rows from From on changed: the window hears of it once, before its next message.
    void RowsChanged(int32_t From);
    // Before rows move: the window's selected and focused rows are kept as rows, once per batch.
    void HoldMarks();
    // Tells the window of the rows changed since it last heard (SyncVirtualRows).
    void FlushRows();
    void SetImageLink(TImageList*& Field, TChangeLink& Link, TImageList* Value);

    TListColumns FColumns{this};
    TListItems FItems{this};
    TImageList* FSmallImages = nullptr;
    TImageList* FLargeImages = nullptr;
    TImageList* FStateImages = nullptr;
    TChangeLink FSmallLink, FLargeLink, FStateLink;
    bool FMultiSelect = false;
    bool FCheckboxes = false;
    bool FGridLines = false;
    bool FRowSelect = false;
    bool FReadOnly = false;
    bool FHideSelection = true;
    bool FColumnClick = true;
    TSortType FSortType = stNone;
    TLVCompare FCustomCompare; // the last CustomSort's, used for sorted insertion
    bool FFilling = false;     // the window is being filled from our rows
    bool FFreeing = false;
    bool FQuiet = false;       // redraw turned off by QuietWhileHidden
    bool FOwnerData = false;
    // Virtual rows changed and not yet told to the window (from FPendingFrom on); the marks held
    // for them when rows moved (FMarksHeld), else only rows were added at the end.
    bool FRowsPending = false;
    int32_t FPendingFrom = 0;
    bool FMarksHeld = false;
    std::vector<std::pair<TListItem*, UINT>> FHeldMarks;
    std::vector<int32_t> FMarkedRows; // the window's numbers of the rows marked when they were held
    mutable int32_t FAsking = 0; // the window is asked for its marks: no message brings it up to date
    // Updates brought by a paint come at most this often; a timer brings the one held back.
    static constexpr DWORD kFlushGapMs = 100;
    static constexpr UINT_PTR kFlushTimerId = 0x5146;
    DWORD FLastFlush = 0;
    bool FFlushTimer = false;
};
