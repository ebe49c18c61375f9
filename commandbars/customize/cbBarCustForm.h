#pragma once
// The "Customize" dialog of a bar manager. While it is open the manager is in customizing mode:
// the Toolbars page shows, hides, adds, renames, deletes and resets bars, the Commands page lists
// the commands by category and is where commands are dragged from onto bars and menus, and the
// Options page writes the user options at once. The All commands and Groups pages and the two
// popup buttons of the Commands page exist for designing only; their tabs stay hidden at run time.
// One dialog exists at a time; it is reached through the framework's extension table, which
// cbBarCustFormInit fills. User-interface thread only.

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TListView;
class TPageControl;
class TPanel;
class TTabSheet;
class TcbBar;
class TcbBarButton;
class TcbBarGroup;
class TcbBarItem;
class TcbBarManager;
class TcbBarPopupMenu;

// The toolbar list: one row per bar with an owner-drawn check box for its visibility. A click in
// the check column, a double click and Space toggle the bar's Visible; a bar that may not close
// beeps instead.
class TCheckListBox : public TListBox {
public:
    explicit TCheckListBox(TComponent* AOwner);
    std::string ClassName() const override { return "TCheckListBox"; }
    TcbBar* GetBar(int32_t Index) const;
    // The row of a bar, or -1.
    int32_t IndexOfBar(const TcbBar* Bar) const;
    // Where the check box of a row is drawn (client coordinates).
    TRect CheckRect(int32_t Index) const;
    int32_t GetCheckWidth() const { return GetItemHeight(); }
    void ToggleBarVisible(int32_t Index);
    void WndProc(TMessage& Message) override;

private:
    void DrawRow(const DRAWITEMSTRUCT& D);
};

// The command list: rows of 22 pixels drawn by the form painter of the manager's style, and the
// source of the command drags onto bars and menus.
class TCommandsListBox : public TListBox {
public:
    explicit TCommandsListBox(TComponent* AOwner);
    std::string ClassName() const override { return "TCommandsListBox"; }
    TcbBarManager* GetBarManager() const { return FBarManager; }
    void SetBarManager(TcbBarManager* Value) { FBarManager = Value; }
    TcbBarItem* GetCommand(int32_t Index) const;
    // True while a command of the list is being dragged.
    bool IsDragging() const { return FDragging; }
    void WndProc(TMessage& Message) override;

private:
    void DrawRow(const DRAWITEMSTRUCT& D);
    void FillBelowRows(HDC DC);
    void Pressed(int32_t X, int32_t Y);

    TcbBarManager* FBarManager = nullptr;
    bool FDragging = false;
};

// A flat button that opens a popup menu under itself: raised while the mouse is over it in the
// active dialog, sunken (the caption one pixel down and right) while it is checked.
class TCheckableButton : public TCustomControl {
public:
    explicit TCheckableButton(TComponent* AOwner);
    std::string ClassName() const override { return "TCheckableButton"; }
    bool GetChecked() const { return FChecked; }
    void SetChecked(bool Value);
    TcbBarPopupMenu* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TcbBarPopupMenu* Value) { FPopupMenu = Value; }
    void WndProc(TMessage& Message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

private:
    bool IsHot() const;
    TcbBarPopupMenu* FPopupMenu = nullptr;
    bool FChecked = false;
    bool FHot = false;
    // The popup was closed by a press on the button: that press opens nothing.
    bool FSkipPress = false;
};

class TcbBarCustomizingForm : public TForm {
public:
    // The dialog of Manager, owned (as a window) by the manager's form.
    explicit TcbBarCustomizingForm(TcbBarManager* Manager);
    ~TcbBarCustomizingForm() override;
    std::string ClassName() const override { return "TcbBarCustomizingForm"; }
    TcbBarManager* GetCustomizedManager() const { return FBarManager; }

    // The owner form's show and hide reach the dialog.
    void ApplyOwnerWindowPos(const WINDOWPOS& Pos);
    // The design-time pages and popup buttons follow the manager's designing state.
    void UpdateDesignPages();

    // What the bar core reports while the dialog is open.
    void StyleChanged();
    void UpdateHelpButton();
    void RemoveBarRow(TcbBar* Bar);
    void BarChanged(TcbBar* Bar);
    void RefreshCommands();
    void SelectItem(TcbBarItem* Item, bool Force);
    void ItemDestroying(TcbBarItem* Item);
    void UpdateOptions();
    void CategoryChanged(TcbBarItem* Item);
    // A command dragged over the categories list while the form is designed: the entry under
    // the screen point is highlighted (Category: its category) or the highlight cleared between
    // the entries (Category -1); false when the point is not over the list, whose own choice
    // then shows again. The drag's end puts that choice back unless Keep holds the highlight.
    bool CategoryDragOver(TPoint Screen, int32_t& Category);
    void EndCategoryDrag(bool Keep);
    void ItemRenamed(TcbBarItem* Item);
    void GroupsChanged();
    void RefreshGroupItems();

    // Set once the dialog is on its way out: the Hide branch then frees nothing more.
    bool IsClosing() const { return FClosing; }
    void SetClosing() { FClosing = true; }
    // Empties the lists that point into the customized manager (it may be going).
    void Detach();

    TPageControl* PageControl = nullptr;
    TTabSheet *TabSheet1 = nullptr, *TabSheet2 = nullptr, *TabSheet3 = nullptr, *TabSheet4 = nullptr,
              *TabSheet5 = nullptr;
    TPanel* BottomPanel = nullptr;
    TButton *BHelp = nullptr, *BClose = nullptr;
    // Toolbars.
    TLabel* LToolbars = nullptr;
    TCheckListBox* BarsListBox = nullptr;
    TButton *BBarNew = nullptr, *BBarRename = nullptr, *BBarDelete = nullptr, *BBarReset = nullptr;
    // Commands.
    TLabel *LabelCategories = nullptr, *LabelCommands = nullptr, *LabelDescription = nullptr,
           *DescriptionLabel = nullptr;
    TListBox* LCategories = nullptr;
    TCommandsListBox* LCommands = nullptr;
    TPanel* DescriptionLine = nullptr;
    TCheckableButton *CategoriesPopupButton = nullptr, *CommandsPopupButton = nullptr;
    // Options.
    TPanel *StandardOptionsPanel = nullptr, *EnhancedOptionsPanel = nullptr;
    TLabel *LabelMenuAnimations = nullptr, *LabelMenuAnimationsEx = nullptr, *LabelPersonalized = nullptr,
           *LabelOther = nullptr;
    TPanel *PersonalizedLine = nullptr, *OtherLine = nullptr;
    TComboBox *ComboBoxMenuAnimations = nullptr, *ComboBoxMenuAnimationsEx = nullptr;
    TCheckBox *CBHint1 = nullptr, *CBHint2 = nullptr, *CBLargeIcons = nullptr;
    TCheckBox *CBMenusShowRecentItemsFirst = nullptr, *CBShowFullMenusAfterDelay = nullptr;
    TCheckBox *CBLargeIconsEx = nullptr, *CBHint1Ex = nullptr, *CBHint2Ex = nullptr;
    TButton* BResetUsageData = nullptr;
    // All commands.
    TListView* LAllCommands = nullptr;
    TCheckBox* CBShowCommandsWithShortCut = nullptr;
    // Groups.
    TListBox *lbGroups = nullptr, *lbGroupItems = nullptr;
    TButton *btnGroupAdd = nullptr, *btnGroupDelete = nullptr, *btnGroupItemAdd = nullptr,
            *btnGroupItemDelete = nullptr, *btnMoveUp = nullptr, *btnMoveDown = nullptr;
    // The dialog's own manager and its design-time popup menus.
    TcbBarManager* BarManager1 = nullptr;
    TcbBarPopupMenu *CategoriesPopupMenu = nullptr, *CommandsPopupMenu = nullptr;
    TcbBarButton *CategoriesAdd = nullptr, *CategoriesInsert = nullptr, *CategoriesRename = nullptr,
                 *CategoriesDelete = nullptr, *CategoriesVisible = nullptr;
    TcbBarItem* CategoriesItemsVisible = nullptr;
    TcbBarButton *CommandsAdd = nullptr, *CommandsDelete = nullptr, *CommandsClear = nullptr,
                 *CommandsMoveUp = nullptr, *CommandsMoveDown = nullptr, *CommandsSubMenuEditor = nullptr;

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void DoClose(TCloseAction& Action) override;

private:
    void BuildToolbarsPage();
    void BuildCommandsPage();
    void BuildOptionsPage();
    void BuildDesignPages();
    void BuildPopupMenus();
    void SetCaptions();

    // Toolbars page.
    void FillBars();
    TcbBar* SelectedBar() const;
    void UpdateBarButtons();
    void BarNewClick();
    void BarRenameClick();
    void BarDeleteClick();
    void BarResetClick();
    // Commands page.
    void FillCategories();
    int32_t SelectedCategory() const;
    void CategoryClick();
    void FillCommands(bool KeepPosition);
    void CommandClick();
    // Options page.
    void OptionClicked(TObject* Sender);
    void AnimationsChanged(TComboBox* Box);
    void FillGroups();
    // Design time (cbBarCustFormDesign.cpp): the popup entries, keys, the all-commands and
    // groups pages, and the entries' enabling.
    void WireDesignHandlers();
    void UpdateDesignCommands();
    void DesignCommandClicked();
    void CategoriesAddClick(bool Insert);
    void CategoriesRenameClick();
    void CategoriesDeleteClick();
    void CategoriesVisibleClick();
    void CategoriesItemsVisibleChange();
    void CommandsAddClick();
    void CommandsDeleteClick();
    void CommandsClearClick();
    void CommandsMoveClick(int32_t Delta);
    void CommandsSubMenuEditorClick();
    void SelectCategoryRow(int32_t CategoryIndex);
    // The row of LCategories at a client point, or -1; moving a row's category to another row's
    // place gives the row the category now stands in.
    int32_t CategoryRowAt(int32_t X, int32_t Y) const;
    int32_t MoveCategoryRow(int32_t FromRow, int32_t ToRow);
    void FillAllCommands();
    void AllCommandsClick();
    TcbBarGroup* SelectedGroup() const;
    void SelectGroup(TcbBarGroup* Group);
    void UpdateGroupButtons();
    void GroupAddClick();
    void GroupDeleteClick();
    void GroupItemAddClick();
    void GroupItemDeleteClick();
    void GroupItemsMove(int32_t Delta);
    void DrawGroupRow(TListBox* List, int32_t Index, const TRect& R, TOwnerDrawState State);
    void SelectInDesigner(TPersistent* Component);

    TcbBarManager* FBarManager;
    // Set while the lists are filled from outside: their click handlers then do nothing.
    bool FRefreshing = false;
    // The category row being dragged (design time), -1 for none.
    int32_t FDraggedCategory = -1;
    // Set while a command is deleted (design time): the item's destruction refills nothing.
    bool FDeleting = false;
    bool FClosing = false;
    // The category index of each row of LCategories.
    std::vector<int32_t> FCategoryIndexes;
    // While a command is dragged over LCategories: the row chosen before (-2: no highlight in
    // force) and the row highlighted (-1: none).
    int32_t FRowBeforeCategoryDrag = -2;
    int32_t FCategoryDragRow = -1;
};

// The entry points of the dialog (also filled into the extension table).
void ShowCustomizingForm(TcbBarManager* Manager, bool Show);
TcbBarCustomizingForm* GetCustomizingForm();
// True while a command drag from the dialog's command list holds the mouse for the dialog.
bool IsCustomizingFormDragging();
// The dialog takes drags onto bars now: it is open, shown and not disabled by a modal window of
// its own (a name or message dialog), or a drag from it runs.
bool IsCustomizingFormInDragState();
// Enables again (Value true) the forms it disabled, or disables the enabled forms of every
// bar manager but Customized's own and the dialog's.
void SetManagerFormsEnabled(TcbBarManager* Customized, bool Value);

// Fills and empties the dialog's entries of the extension table (the framework's start and end).
void cbBarCustFormInit();
void cbBarCustFormDone();
