// The Customize dialog while a form is designed: the category and command popups of the
// Commands page with their keys, the All commands page and the Groups page. Every change marks
// the manager modified, which also tells the form's designer.
#include "commandbars/customize/cbBarCustForm.h"

#include <algorithm>
#include <vector>

#include <windowsx.h>

#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbStrings.h"
#include "commandbars/customize/cbBarAddGroupItemsEd.h"
#include "commandbars/customize/cbBarCustFormDesignList.h"
#include "commandbars/customize/cbBarItemEd.h"
#include "commandbars/customize/cbBarNameEd.h"
#include "commandbars/customize/cbBarPopupMenuEd.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Actions.h"
#include "platform/win/Application.h"

namespace {

bool Confirmed(HWND Owner, const std::string& Text)
{
    return MessageBoxA(Owner, Text.c_str(), Application->GetTitle().c_str(), MB_OKCANCEL | MB_ICONWARNING) == IDOK;
}

// The rows of a multi-select list that are selected, in order.
std::vector<int32_t> SelectedRows(TListBox* List)
{
    std::vector<int32_t> Rows;
    for (int32_t I = 0; I < List->GetItems()->GetCount(); ++I)
        if (List->GetSelected(I))
            Rows.push_back(I);
    return Rows;
}

// A sub-item whose own links the sub-menu editor can show: no container.
TCustomcbBarSubItem* EditableSubItem(TcbBarItem* Item)
{
    auto* SubItem = dynamic_cast<TCustomcbBarSubItem*>(Item);
    return SubItem && !dynamic_cast<TCustomcbBarContainerItem*>(SubItem) ? SubItem : nullptr;
}

// "cbBarGroup" and the lowest number no component of Owner is named with.
std::string UniqueGroupName(TComponent* Owner)
{
    for (int32_t N = 1;; ++N) {
        std::string Name = "cbBarGroup" + std::to_string(N);
        if (!Owner || !Owner->FindComponent(Name))
            return Name;
    }
}

} // namespace

void TcbBarCustomizingForm::WireDesignHandlers()
{
    CategoriesAdd->OnClick = [this](TObject*) { CategoriesAddClick(false); };
    CategoriesInsert->OnClick = [this](TObject*) { CategoriesAddClick(true); };
    CategoriesRename->OnClick = [this](TObject*) { CategoriesRenameClick(); };
    CategoriesDelete->OnClick = [this](TObject*) { CategoriesDeleteClick(); };
    CategoriesVisible->OnClick = [this](TObject*) { CategoriesVisibleClick(); };
    if (auto* Combo = dynamic_cast<TcbBarCombo*>(CategoriesItemsVisible))
        Combo->OnChange = [this](TObject*) { CategoriesItemsVisibleChange(); };
    CommandsAdd->OnClick = [this](TObject*) { CommandsAddClick(); };
    CommandsDelete->OnClick = [this](TObject*) { CommandsDeleteClick(); };
    CommandsClear->OnClick = [this](TObject*) { CommandsClearClick(); };
    CommandsMoveUp->OnClick = [this](TObject*) { CommandsMoveClick(-1); };
    CommandsMoveDown->OnClick = [this](TObject*) { CommandsMoveClick(1); };
    CommandsSubMenuEditor->OnClick = [this](TObject*) { CommandsSubMenuEditorClick(); };
    // The entries follow the selection each time a popup opens.
    CategoriesPopupMenu->OnPopup = [this](TObject*) { UpdateDesignCommands(); };
    CommandsPopupMenu->OnPopup = [this](TObject*) { UpdateDesignCommands(); };

    auto CategoryClicked = std::move(LCategories->OnClick);
    LCategories->OnClick = [this, CategoryClicked](TObject* Sender) {
        if (CategoryClicked)
            CategoryClicked(Sender);
        UpdateDesignCommands();
    };
    auto CommandClicked = std::move(LCommands->OnClick);
    LCommands->OnClick = [this, CommandClicked](TObject* Sender) {
        if (CommandClicked)
            CommandClicked(Sender);
        DesignCommandClicked();
    };
    LCategories->OnKeyDown = [this](TObject*, uint16_t& Key, TShiftState Shift) {
        if (!FBarManager->IsDesigning() || !Shift.Empty())
            return;
        UpdateDesignCommands();
        if (Key == VK_INSERT && CategoriesInsert->GetEnabled()) {
            Key = 0;
            CategoriesAddClick(true);
        } else if (Key == VK_DELETE && CategoriesDelete->GetEnabled()) {
            Key = 0;
            CategoriesDeleteClick();
        }
    };
    LCommands->OnKeyDown = [this](TObject*, uint16_t& Key, TShiftState Shift) {
        if (!FBarManager->IsDesigning())
            return;
        UpdateDesignCommands();
        if (Shift == TShiftState{ssCtrl} && (Key == VK_UP || Key == VK_DOWN)) {
            const int32_t Delta = Key == VK_UP ? -1 : 1;
            // The list must not move its selection as well.
            Key = 0;
            if ((Delta < 0 ? CommandsMoveUp : CommandsMoveDown)->GetEnabled())
                CommandsMoveClick(Delta);
        } else if (Shift.Empty() && Key == VK_INSERT && CommandsAdd->GetEnabled()) {
            Key = 0;
            CommandsAddClick();
        } else if (Shift.Empty() && Key == VK_DELETE && CommandsDelete->GetEnabled()) {
            Key = 0;
            CommandsDeleteClick();
        }
    };
    // A right click picks the row under the mouse and opens the list's popup there.
    auto ContextPopup = [this](TListBox* List, TcbBarPopupMenu* Menu) {
        return [this, List, Menu](TObject*, const TPoint& MousePos, bool& Handled) {
            if (!FBarManager->IsDesigning())
                return;
            Handled = true;
            TPoint Screen{};
            if (MousePos.x == 0 && MousePos.y == 0) {
                POINT Cursor{};
                GetCursorPos(&Cursor);
                Screen = TPoint{Cursor.x, Cursor.y};
            } else {
                const LRESULT Hit =
                    SendMessageA(List->GetHandle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(MousePos.x, MousePos.y));
                if (HIWORD(Hit) == 0 && LOWORD(Hit) != List->GetItemIndex()) {
                    List->SetItemIndex(LOWORD(Hit));
                    List->Click();
                }
                Screen = List->ClientToScreen(MousePos);
            }
            Menu->Popup(Screen.x, Screen.y);
        };
    };
    LCategories->OnContextPopup = ContextPopup(LCategories, CategoriesPopupMenu);
    // Categories are put in another order by dragging their rows: a left press takes the row,
    // and each move onto another row moves the category there.
    LCategories->OnMouseDown = [this](TObject*, TMouseButton Button, TShiftState, int32_t X, int32_t Y) {
        FDraggedCategory = Button == mbLeft && FBarManager->IsDesigning() ? CategoryRowAt(X, Y) : -1;
    };
    LCategories->OnMouseMove = [this](TObject*, TShiftState Shift, int32_t X, int32_t Y) {
        if (FDraggedCategory < 0 || !Shift.Contains(ssLeft)) {
            FDraggedCategory = -1;
            return;
        }
        const int32_t Row = CategoryRowAt(X, Y);
        if (Row >= 0 && Row != FDraggedCategory)
            FDraggedCategory = MoveCategoryRow(FDraggedCategory, Row);
    };
    LCategories->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { FDraggedCategory = -1; };
    LCommands->OnContextPopup = ContextPopup(LCommands, CommandsPopupMenu);

    CBShowCommandsWithShortCut->OnClick = [this](TObject*) { FillAllCommands(); };
    SetAllCommandsClick(LAllCommands, [this](TObject*) { AllCommandsClick(); });

    for (TListBox* List : {lbGroups, lbGroupItems}) {
        List->SetStyle(lbOwnerDrawFixed);
        List->OnDrawItem = [this, List](TObject*, int32_t Index, TRect R, TOwnerDrawState State) {
            DrawGroupRow(List, Index, R, State);
        };
    }
    lbGroups->OnClick = [this](TObject*) {
        if (FRefreshing)
            return;
        RefreshGroupItems();
        UpdateGroupButtons();
        SelectInDesigner(SelectedGroup());
    };
    lbGroupItems->OnClick = [this](TObject*) { UpdateGroupButtons(); };
    btnGroupAdd->OnClick = [this](TObject*) { GroupAddClick(); };
    btnGroupDelete->OnClick = [this](TObject*) { GroupDeleteClick(); };
    btnGroupItemAdd->OnClick = [this](TObject*) { GroupItemAddClick(); };
    btnGroupItemDelete->OnClick = [this](TObject*) { GroupItemDeleteClick(); };
    btnMoveUp->OnClick = [this](TObject*) { GroupItemsMove(-1); };
    btnMoveDown->OnClick = [this](TObject*) { GroupItemsMove(1); };
    // Insert and Delete press the add and delete buttons of the list that has the focus.
    auto GroupKeys = [](TButton* Add, TButton* Delete) {
        return [Add, Delete](TObject*, uint16_t& Key, TShiftState Shift) {
            if (!Shift.Empty())
                return;
            TButton* Button = Key == VK_INSERT ? Add : Key == VK_DELETE ? Delete : nullptr;
            if (Button && Button->GetEnabled()) {
                Key = 0;
                Button->Click();
            }
        };
    };
    lbGroups->OnKeyDown = GroupKeys(btnGroupAdd, btnGroupDelete);
    lbGroupItems->OnKeyDown = GroupKeys(btnGroupItemAdd, btnGroupItemDelete);

    FillAllCommands();
    UpdateDesignCommands();
    UpdateGroupButtons();
}

void TcbBarCustomizingForm::SelectInDesigner(TPersistent* Component)
{
    if (!Component || !IsLiveManager(FBarManager) || !FBarManager->IsDesigning())
        return;
    if (TCustomForm* Form = FBarManager->GetOwnerForm())
        if (IFormDesigner* Designer = Form->GetDesigner())
            Designer->SelectComponent(Component);
}

// ---------------------------------------------------------------------------------------------
// The popups' entries

void TcbBarCustomizingForm::UpdateDesignCommands()
{
    if (!IsLiveManager(FBarManager))
        return;
    const int32_t Category = SelectedCategory();
    const int32_t CategoryCount = FBarManager->GetCategories()->GetCount();
    CategoriesRename->SetEnabled(Category >= 0);
    CategoriesDelete->SetEnabled(Category >= 0 && CategoryCount > 1);
    CategoriesVisible->SetEnabled(Category >= 0);
    CategoriesVisible->SetDown(Category >= 0 && FBarManager->GetCategoryVisible(Category));
    CategoriesItemsVisible->SetEnabled(Category >= 0);
    if (auto* Combo = dynamic_cast<TcbBarCombo*>(CategoriesItemsVisible)) {
        TFlagScope Refreshing(FRefreshing);
        Combo->SetItemIndex(Category >= 0 ? static_cast<int32_t>(FBarManager->GetCategoryItemsVisible(Category)) : -1);
    }
    const int32_t Row = LCommands->GetItemIndex();
    const int32_t Count = LCommands->GetItems()->GetCount();
    TcbBarItem* Command = LCommands->GetCommand(Row);
    CommandsDelete->SetEnabled(Command != nullptr);
    CommandsClear->SetEnabled(Count > 0);
    CommandsMoveUp->SetEnabled(Command && Row > 0);
    CommandsMoveDown->SetEnabled(Command && Row < Count - 1);
    CommandsSubMenuEditor->SetEnabled(EditableSubItem(Command) != nullptr);
}

void TcbBarCustomizingForm::DesignCommandClicked()
{
    if (FRefreshing)
        return;
    UpdateDesignCommands();
    SelectInDesigner(LCommands->GetCommand(LCommands->GetItemIndex()));
}

void TcbBarCustomizingForm::SelectCategoryRow(int32_t CategoryIndex)
{
    {
        TFlagScope Refreshing(FRefreshing);
        const auto It = std::find(FCategoryIndexes.begin(), FCategoryIndexes.end(), CategoryIndex);
        if (It != FCategoryIndexes.end())
            LCategories->SetItemIndex(static_cast<int32_t>(It - FCategoryIndexes.begin()));
        FillCommands(false);
    }
    UpdateDesignCommands();
}

void TcbBarCustomizingForm::CategoriesAddClick(bool Insert)
{
    TcbBarManagerCategories* Categories = FBarManager->GetCategories();
    std::string Name;
    if (!ShowNameEditor(Name, Categories, Insert ? nekInsert : nekAdd, nullptr, FBarManager) || FClosing ||
        !IsLiveManager(FBarManager))
        return;
    const int32_t Selected = SelectedCategory();
    const int32_t Index = Insert && Selected >= 0 ? Selected : Categories->GetCount();
    Categories->Insert(Index, Name);
    FBarManager->DesignerModified();
    FillCategories();
    SelectCategoryRow(Index);
}

void TcbBarCustomizingForm::CategoriesRenameClick()
{
    const int32_t Category = SelectedCategory();
    if (Category < 0)
        return;
    TcbBarManagerCategories* Categories = FBarManager->GetCategories();
    std::string Name = Categories->GetStrings(Category);
    if (!ShowNameEditor(Name, Categories, nekRename, nullptr, FBarManager) || FClosing || !IsLiveManager(FBarManager))
        return;
    // The category may have gone while the dialog was open.
    if (Category >= Categories->GetCount())
        return;
    Categories->SetStrings(Category, Name);
    FBarManager->DesignerModified();
    FillCategories();
    SelectCategoryRow(Category);
}

void TcbBarCustomizingForm::CategoriesDeleteClick()
{
    const int32_t Category = SelectedCategory();
    TcbBarManagerCategories* Categories = FBarManager->GetCategories();
    // The last category stays: every item needs one.
    if (Category < 0 || Categories->GetCount() <= 1)
        return;
    const std::string Text = Format(uiGetResourceString(cbsDeleteCategoryQuery), Categories->GetStrings(Category));
    if (!Confirmed(GetHandle(), Text) || FClosing || !IsLiveManager(FBarManager) ||
        Category >= Categories->GetCount() || Categories->GetCount() <= 1)
        return;
    {
        // The category's items go with it; the list is refilled once afterwards.
        TFlagScope Deleting(FDeleting);
        Categories->Delete(Category);
    }
    FBarManager->DesignerModified();
    FillCategories();
    SelectCategoryRow(std::min(Category, Categories->GetCount() - 1));
    FillAllCommands();
}

int32_t TcbBarCustomizingForm::CategoryRowAt(int32_t X, int32_t Y) const
{
    if (!LCategories->HandleAllocated())
        return -1;
    const LRESULT Hit = SendMessageA(LCategories->GetHandle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(X, Y));
    // The high word is set for a point below the last row.
    if (HIWORD(Hit) != 0)
        return -1;
    const int32_t Row = LOWORD(Hit);
    return Row < static_cast<int32_t>(FCategoryIndexes.size()) ? Row : -1;
}

int32_t TcbBarCustomizingForm::MoveCategoryRow(int32_t FromRow, int32_t ToRow)
{
    const int32_t Rows = static_cast<int32_t>(FCategoryIndexes.size());
    if (FromRow < 0 || ToRow < 0 || FromRow >= Rows || ToRow >= Rows || FromRow == ToRow)
        return FromRow;
    TcbBarManagerCategories* Categories = FBarManager->GetCategories();
    const int32_t From = FCategoryIndexes[FromRow], To = FCategoryIndexes[ToRow];
    if (From < 0 || To < 0 || From >= Categories->GetCount() || To >= Categories->GetCount())
        return FromRow;
    // The items follow their category to its new index.
    Categories->Move(From, To);
    FBarManager->DesignerModified();
    FillCategories();
    SelectCategoryRow(To);
    FillAllCommands();
    return LCategories->GetItemIndex();
}

bool TcbBarCustomizingForm::CategoryDragOver(TPoint Screen, int32_t& Category)
{
    Category = -1;
    if (!FBarManager->IsDesigning() || !LCategories->HandleAllocated() ||
        !IsWindowVisible(LCategories->GetHandle()) ||
        WindowFromPoint(POINT{Screen.x, Screen.y}) != LCategories->GetHandle()) {
        EndCategoryDrag(false);
        return false;
    }
    if (FRowBeforeCategoryDrag == -2)
        FRowBeforeCategoryDrag = LCategories->GetItemIndex();
    const TPoint P = LCategories->ScreenToClient(Screen);
    FCategoryDragRow = CategoryRowAt(P.x, P.y);
    // Only the list's mark moves: the commands shown stay those of its own choice.
    TFlagScope Refreshing(FRefreshing);
    if (FCategoryDragRow >= 0) {
        Category = FCategoryIndexes[static_cast<size_t>(FCategoryDragRow)];
        if (LCategories->GetItemIndex() != FCategoryDragRow)
            LCategories->SetItemIndex(FCategoryDragRow);
    } else if (LCategories->GetItemIndex() != -1) {
        // Outside the entries no category takes the drop: none is highlighted. The list's own
        // choice comes back when the drag leaves the list or ends.
        LCategories->SetItemIndex(-1);
    }
    return true;
}

void TcbBarCustomizingForm::EndCategoryDrag(bool Keep)
{
    if (FRowBeforeCategoryDrag == -2)
        return;
    const int32_t Before = FRowBeforeCategoryDrag;
    const int32_t Row = FCategoryDragRow;
    FRowBeforeCategoryDrag = -2;
    FCategoryDragRow = -1;
    if (Keep && Row >= 0)
        return;
    TFlagScope Refreshing(FRefreshing);
    if (LCategories->HandleAllocated() && LCategories->GetItemIndex() != Before)
        LCategories->SetItemIndex(Before);
}

void TcbBarCustomizingForm::CategoriesVisibleClick()
{
    const int32_t Category = SelectedCategory();
    if (Category < 0)
        return;
    FBarManager->SetCategoryVisible(Category, !FBarManager->GetCategoryVisible(Category));
    FBarManager->DesignerModified();
    UpdateDesignCommands();
}

void TcbBarCustomizingForm::CategoriesItemsVisibleChange()
{
    auto* Combo = dynamic_cast<TcbBarCombo*>(CategoriesItemsVisible);
    const int32_t Category = SelectedCategory();
    if (FRefreshing || !Combo || Category < 0)
        return;
    const int32_t Value = Combo->GetItemIndex();
    if (Value < static_cast<int32_t>(ivNever) || Value > static_cast<int32_t>(ivAlways))
        return;
    FBarManager->SetCategoryItemsVisible(Category, static_cast<TcbBarItemVisible>(Value));
    FBarManager->DesignerModified();
}

void TcbBarCustomizingForm::CommandsAddClick()
{
    TcbBarItem* Item = ShowItemAddEditor(FBarManager, SelectedCategory());
    if (!Item || FClosing || !IsLiveManager(FBarManager))
        return;
    SelectItem(Item, true);
    FillAllCommands();
    UpdateDesignCommands();
    SelectInDesigner(Item);
}

void TcbBarCustomizingForm::CommandsDeleteClick()
{
    const int32_t Row = LCommands->GetItemIndex();
    TcbBarItem* Item = LCommands->GetCommand(Row);
    if (!Item)
        return;
    {
        TFlagScope Deleting(FDeleting);
        Item->Free();
    }
    FBarManager->DesignerModified();
    FillCommands(false);
    const int32_t Count = LCommands->GetItems()->GetCount();
    if (Count > 0) {
        TFlagScope Refreshing(FRefreshing);
        LCommands->SetItemIndex(std::min(Row, Count - 1));
    }
    FillAllCommands();
    UpdateDesignCommands();
}

void TcbBarCustomizingForm::CommandsClearClick()
{
    const int32_t Category = SelectedCategory();
    if (Category < 0 || LCommands->GetItems()->GetCount() == 0)
        return;
    const std::string Text =
        Format(uiGetResourceString(cbsDeleteCategoryCommandsQuery), FBarManager->GetCategories()->GetStrings(Category));
    if (!Confirmed(GetHandle(), Text) || FClosing || !IsLiveManager(FBarManager))
        return;
    {
        TFlagScope Deleting(FDeleting);
        // One at a time: an item's end may take others with it.
        for (;;) {
            std::vector<TcbBarItem*> Items;
            if (FBarManager->GetItemsByCategory(Category, Items) == 0)
                break;
            Items.front()->Free();
        }
    }
    FBarManager->DesignerModified();
    FillCommands(false);
    FillAllCommands();
    UpdateDesignCommands();
}

void TcbBarCustomizingForm::CommandsMoveClick(int32_t Delta)
{
    const int32_t Category = SelectedCategory();
    const int32_t Row = LCommands->GetItemIndex();
    std::vector<TcbBarItem*> Items;
    if (Category < 0 || Row < 0)
        return;
    FBarManager->GetItemsByCategory(Category, Items);
    const int32_t Target = Row + Delta;
    if (Row >= static_cast<int32_t>(Items.size()) || Target < 0 || Target >= static_cast<int32_t>(Items.size()))
        return;
    // The list shows the category's items in the manager's order: the move exchanges two of them.
    FBarManager->ExchangeItems(FBarManager->IndexOfItem(Items[static_cast<size_t>(Row)]),
                               FBarManager->IndexOfItem(Items[static_cast<size_t>(Target)]));
    FillCommands(false);
    {
        TFlagScope Refreshing(FRefreshing);
        LCommands->SetItemIndex(Target);
    }
    TcbBarItem* Moved = LCommands->GetCommand(Target);
    DescriptionLabel->SetCaption(Moved ? Moved->GetDescription() : "");
    FillAllCommands();
    UpdateDesignCommands();
}

void TcbBarCustomizingForm::CommandsSubMenuEditorClick()
{
    if (TCustomcbBarSubItem* SubItem = EditableSubItem(LCommands->GetCommand(LCommands->GetItemIndex())))
        ShowSubMenuEditor(SubItem->GetItemLinks());
}

// ---------------------------------------------------------------------------------------------
// All commands

void TcbBarCustomizingForm::FillAllCommands()
{
    std::vector<TcbAllCommandsRow> Rows;
    if (IsLiveManager(FBarManager) && FBarManager->IsDesigning()) {
        const bool OnlyCommands = CBShowCommandsWithShortCut->GetChecked();
        for (int32_t I = 0; I < FBarManager->GetItemCount(); ++I) {
            TcbBarItem* Item = FBarManager->GetItem(I);
            // Items that run nothing take no shortcut.
            if (!Item || (OnlyCommands && !Item->IsClickable()))
                continue;
            Rows.push_back(TcbAllCommandsRow{Item->GetName(), StripAmpersands(Item->GetCaption()),
                                             Item->GetShortCut() ? ShortCutToText(Item->GetShortCut()) : "", Item});
        }
    }
    FillAllCommandsList(LAllCommands, Rows);
}

void TcbBarCustomizingForm::AllCommandsClick()
{
    auto* Item = static_cast<TcbBarItem*>(SelectedAllCommandsData(LAllCommands));
    // A row may outlive its item until the list is filled again.
    if (Item && IsLiveManager(FBarManager) && FBarManager->IndexOfItem(Item) >= 0)
        SelectInDesigner(Item);
}

// ---------------------------------------------------------------------------------------------
// Groups

TcbBarGroup* TcbBarCustomizingForm::SelectedGroup() const
{
    const int32_t Row = lbGroups->GetItemIndex();
    if (Row < 0 || Row >= lbGroups->GetItems()->GetCount())
        return nullptr;
    return dynamic_cast<TcbBarGroup*>(lbGroups->GetItems()->GetObjects(Row));
}

void TcbBarCustomizingForm::SelectGroup(TcbBarGroup* Group)
{
    {
        TFlagScope Refreshing(FRefreshing);
        const int32_t Row = lbGroups->GetItems()->IndexOfObject(Group);
        lbGroups->SetItemIndex(Row);
    }
    RefreshGroupItems();
    UpdateGroupButtons();
}

void TcbBarCustomizingForm::UpdateGroupButtons()
{
    TcbBarGroup* Group = SelectedGroup();
    const std::vector<int32_t> Rows = SelectedRows(lbGroupItems);
    const int32_t Count = lbGroupItems->GetItems()->GetCount();
    btnGroupDelete->SetEnabled(Group != nullptr);
    btnGroupItemAdd->SetEnabled(Group != nullptr);
    btnGroupItemDelete->SetEnabled(Group && !Rows.empty());
    btnMoveUp->SetEnabled(Group && !Rows.empty() && Rows.front() > 0);
    btnMoveDown->SetEnabled(Group && !Rows.empty() && Rows.back() < Count - 1);
}

void TcbBarCustomizingForm::GroupAddClick()
{
    if (!IsLiveManager(FBarManager))
        return;
    TcbBarGroup* Group = FBarManager->AddGroup();
    Group->SetName(UniqueGroupName(Group->GetOwner()));
    FBarManager->DesignerModified();
    FillGroups();
    SelectGroup(Group);
    SelectInDesigner(Group);
}

void TcbBarCustomizingForm::GroupDeleteClick()
{
    TcbBarGroup* Group = SelectedGroup();
    if (!Group)
        return;
    const int32_t Row = lbGroups->GetItemIndex();
    Group->Free();
    FBarManager->DesignerModified();
    FillGroups();
    const int32_t Count = lbGroups->GetItems()->GetCount();
    SelectGroup(Count > 0 ? static_cast<TcbBarGroup*>(lbGroups->GetItems()->GetObjects(std::min(Row, Count - 1)))
                          : nullptr);
}

void TcbBarCustomizingForm::GroupItemAddClick()
{
    TcbBarGroup* Group = SelectedGroup();
    if (!Group)
        return;
    TList Chosen;
    if (!ShowAddGroupItems(Group, &Chosen) || FClosing || !IsLiveManager(FBarManager) ||
        FBarManager->GetGroupCount() == 0 || lbGroups->GetItems()->IndexOfObject(Group) < 0)
        return;
    std::string Refusal;
    for (int32_t I = 0; I < Chosen.GetCount(); ++I) {
        auto* Member = static_cast<TComponent*>(Chosen.GetItems(I));
        if (!Member)
            continue;
        try {
            Group->Add(Member);
        } catch (const Exception& E) {
            // A group holding this one: the others are still added, the refusal shown once.
            if (Refusal.empty())
                Refusal = E.Message();
        }
    }
    FBarManager->DesignerModified();
    SelectGroup(Group);
    if (!Refusal.empty())
        MessageBoxA(GetHandle(), Refusal.c_str(), Application->GetTitle().c_str(), MB_OK | MB_ICONERROR);
}

void TcbBarCustomizingForm::GroupItemDeleteClick()
{
    TcbBarGroup* Group = SelectedGroup();
    const std::vector<int32_t> Rows = SelectedRows(lbGroupItems);
    if (!Group || Rows.empty())
        return;
    std::vector<TComponent*> Gone, Kept;
    for (int32_t I = 0; I < lbGroupItems->GetItems()->GetCount(); ++I) {
        auto* Member = static_cast<TComponent*>(lbGroupItems->GetItems()->GetObjects(I));
        (std::binary_search(Rows.begin(), Rows.end(), I) ? Gone : Kept).push_back(Member);
    }
    // The first member left after the removed ones, else the last one before them.
    TComponent* Next = nullptr;
    for (int32_t I = Rows.front() + 1; I < lbGroupItems->GetItems()->GetCount() && !Next; ++I)
        if (!std::binary_search(Rows.begin(), Rows.end(), I))
            Next = static_cast<TComponent*>(lbGroupItems->GetItems()->GetObjects(I));
    for (int32_t I = Rows.front() - 1; I >= 0 && !Next; --I)
        Next = static_cast<TComponent*>(lbGroupItems->GetItems()->GetObjects(I));
    for (TComponent* Member : Gone)
        Group->Remove(Member);
    FBarManager->DesignerModified();
    SelectGroup(Group);
    if (const int32_t Row = lbGroupItems->GetItems()->IndexOfObject(Next); Row >= 0) {
        TFlagScope Refreshing(FRefreshing);
        lbGroupItems->SetSelected(Row, true);
        lbGroupItems->SetItemIndex(Row);
    }
    UpdateGroupButtons();
}

void TcbBarCustomizingForm::GroupItemsMove(int32_t Delta)
{
    TcbBarGroup* Group = SelectedGroup();
    const std::vector<int32_t> Rows = SelectedRows(lbGroupItems);
    const int32_t Count = Group ? Group->GetCount() : 0;
    if (!Group || Rows.empty() || Rows.back() >= Count || (Delta < 0 && Rows.front() == 0) ||
        (Delta > 0 && Rows.back() == Count - 1))
        return;
    // Up: from the top down; down: from the bottom up, so no member passes another moved one.
    if (Delta < 0)
        for (int32_t Row : Rows)
            Group->Move(Row, Row - 1);
    else
        for (auto It = Rows.rbegin(); It != Rows.rend(); ++It)
            Group->Move(*It, *It + 1);
    FBarManager->DesignerModified();
    SelectGroup(Group);
    // The moved members stay selected at their new places.
    {
        TFlagScope Refreshing(FRefreshing);
        for (int32_t Row : Rows)
            lbGroupItems->SetSelected(Row + Delta, true);
    }
    UpdateGroupButtons();
}

void TcbBarCustomizingForm::DrawGroupRow(TListBox* List, int32_t Index, const TRect& R, TOwnerDrawState State)
{
    (void)State;
    if (Index < 0 || Index >= List->GetItems()->GetCount())
        return;
    TCanvas* Canvas = List->GetCanvas();
    Canvas->FillRect(R);
    // Groups are named in bold, in either list.
    if (dynamic_cast<TcbBarGroup*>(static_cast<TObject*>(List->GetItems()->GetObjects(Index))))
        Canvas->GetFont()->SetStyle(TFontStyles{fsBold});
    Canvas->TextOut(R.left + 2, R.top + 1, List->GetItems()->GetStrings(Index));
}
