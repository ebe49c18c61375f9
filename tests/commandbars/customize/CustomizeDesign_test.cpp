// The Customize dialog while its form is designed, driven by messages: the category and command
// entries of the Commands page (through the name, add-item and message dialogs and the keys),
// their enabling, the All commands page, the Groups page with the group-items dialog, what the
// form's designer hears, and the sub-menu editor: its window, its menu hanging from it, moves,
// the close box and the ends it meets.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbSubMenu.h"
#include "commandbars/customize/cbBarAddGroupItemsEd.h"
#include "commandbars/customize/cbBarItemEd.h"
#include "commandbars/customize/cbBarPopupMenuEd.h"
#include "platform/win/Actions.h"
#include "tests/commandbars/support/CustomizeFixture.h"
#include "tests/commandbars/support/ModalFormAnswerer.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using namespace CommandBarsTest;
using TestSupport::TDialogAnswerer;
using Strings = std::vector<std::string>;

namespace {

// The form's designer: counts the changes and keeps what it was asked to select.
class TRecordingDesigner : public IFormDesigner {
public:
    void Modified() override { ++ModifiedCount; }
    void SelectComponent(TPersistent* Object) override { Selected.push_back(Object); }
    int ModifiedCount = 0;
    std::vector<TPersistent*> Selected;
};

// The designed scene with the dialog open on a page and the designer double in place.
struct TDesignScene {
    TCustomizeFixture F{true};
    TRecordingDesigner Designer;
    TcbBarCustomizingForm* Dialog = nullptr;

    explicit TDesignScene(TTabSheet* TcbBarCustomizingForm::*Page)
    {
        F.Form->SetDesigner(&Designer);
        Dialog = F.OpenDialog();
        if (Dialog) {
            Dialog->PageControl->SetActivePage(Dialog->*Page);
            CommandBarsTest::Settle();
        }
    }
    ~TDesignScene() { F.Form->SetDesigner(nullptr); }

    // A change since the last call reached the designer.
    bool Changed()
    {
        const bool Any = Designer.ModifiedCount > FSeen;
        FSeen = Designer.ModifiedCount;
        return Any;
    }
    std::vector<std::string> Categories() const
    {
        std::vector<std::string> Out;
        for (int32_t I = 0; I < F.Manager->GetCategories()->GetCount(); ++I)
            Out.push_back(F.Manager->GetCategories()->GetStrings(I));
        return Out;
    }
    std::string SelectedRowText(TListBox* List) const
    {
        const int32_t Row = List->GetItemIndex();
        return Row >= 0 ? List->GetItems()->GetStrings(Row) : std::string("<none>");
    }

private:
    int FSeen = 0;
};

void PressKey(TWinControl* Control, WPARAM Key, bool Ctrl = false)
{
    BYTE State[256] = {};
    GetKeyboardState(State);
    const BYTE Saved = State[VK_CONTROL];
    State[VK_CONTROL] = Ctrl ? 0x80 : 0;
    SetKeyboardState(State);
    SendMessageA(Control->GetHandle(), WM_KEYDOWN, Key, 1);
    SendMessageA(Control->GetHandle(), WM_KEYUP, Key, 0xC0000001);
    State[VK_CONTROL] = Saved;
    SetKeyboardState(State);
}

int32_t RowOf(TListBox* List, const std::string& Text)
{
    for (int32_t I = 0; I < List->GetItems()->GetCount(); ++I)
        if (List->GetItems()->GetStrings(I) == Text)
            return I;
    return -1;
}

// The texts of a list-view row as its window holds them.
Strings ListViewRow(HWND List, int Row)
{
    Strings Out;
    for (int Column = 0; Column < 3; ++Column) {
        char Text[128] = {};
        LVITEMA Item{};
        Item.iSubItem = Column;
        Item.pszText = Text;
        Item.cchTextMax = sizeof(Text);
        SendMessageA(List, LVM_GETITEMTEXTA, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&Item));
        Out.emplace_back(Text);
    }
    return Out;
}

// The all-commands list's window on its sheet.
HWND AllCommandsWindow(TcbBarCustomizingForm* Dialog)
{
    for (HWND W = GetWindow(Dialog->TabSheet4->GetHandle(), GW_CHILD); W; W = GetWindow(W, GW_HWNDNEXT))
        if (TWinControl* C = TWinControl::FindControl(W); C && C->ClassName() == "TListView")
            return W;
    ADD_FAILURE() << "no all-commands list";
    return nullptr;
}

// Picks the rows of the group-items dialog whose texts are given, and presses OK.
TModalFormAnswerer::TStep ChooseGroupItems(Strings Texts)
{
    return [Texts](HWND, TWinControl* Form) {
        auto* D = dynamic_cast<TfrmAddGroupItems*>(Form);
        if (!D)
            return true;
        for (int32_t I = 0; I < D->lbGroupItems->GetItems()->GetCount(); ++I)
            if (std::find(Texts.begin(), Texts.end(), D->lbGroupItems->GetItems()->GetStrings(I)) != Texts.end())
                SendMessageA(D->lbGroupItems->GetHandle(), LB_SETSEL, TRUE, I);
        ClickButton(D->btnOk);
        return true;
    };
}

void SelectMembers(TListBox* List, std::vector<int32_t> Rows)
{
    SendMessageA(List->GetHandle(), LB_SETSEL, FALSE, -1);
    for (int32_t Row : Rows)
        SendMessageA(List->GetHandle(), LB_SETSEL, TRUE, Row);
    SendMessageA(GetParent(List->GetHandle()), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(List->GetHandle()), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(List->GetHandle()));
}

std::vector<TComponent*> Members(TcbBarGroup* Group)
{
    std::vector<TComponent*> Out;
    for (int32_t I = 0; I < Group->GetCount(); ++I)
        Out.push_back(Group->GetItem(I));
    return Out;
}

std::vector<int32_t> SelectedMemberRows(TListBox* List)
{
    std::vector<int32_t> Out;
    for (int32_t I = 0; I < List->GetItems()->GetCount(); ++I)
        if (List->GetSelected(I))
            Out.push_back(I);
    return Out;
}

RECT WindowRect(HWND W)
{
    RECT R{};
    GetWindowRect(W, &R);
    return R;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Categories

TEST(CustomizeDesign, CategoriesAreAddedInsertedRenamedDeletedAndShownOrHidden)
{
    TDesignScene S(&TcbBarCustomizingForm::TabSheet2);
    ASSERT_NE(S.Dialog, nullptr);
    TcbBarCustomizingForm* D = S.Dialog;
    TCustomizeFixture::SelectRow(D->LCategories, 0);
    ASSERT_EQ(S.Categories(), (Strings{"File", "Edit"}));

    {
        // Add: appended and selected; the name dialog in category mode.
        TNameDialogPlayer Player({{"Tools"}});
        D->CategoriesAdd->Click();
        ASSERT_EQ(Player.Seen().size(), 1u);
        EXPECT_EQ(Player.Seen()[0].Caption, "Add Category");
        EXPECT_EQ(Player.Seen()[0].Label, "&Category name:");
        EXPECT_FALSE(Player.Seen()[0].OkEnabledWhenEmpty);
    }
    EXPECT_EQ(S.Categories(), (Strings{"File", "Edit", "Tools"}));
    EXPECT_EQ(S.SelectedRowText(D->LCategories), "Tools");
    EXPECT_TRUE(S.Changed());

    {
        // Insert (the Insert key): before the selected "File", whose items keep their category.
        TCustomizeFixture::SelectRow(D->LCategories, 0);
        TNameDialogPlayer Player({{"Misc"}});
        PressKey(D->LCategories, VK_INSERT);
        ASSERT_EQ(Player.Seen().size(), 1u);
        EXPECT_EQ(Player.Seen()[0].Caption, "Insert Category");
    }
    EXPECT_EQ(S.Categories(), (Strings{"Misc", "File", "Edit", "Tools"}));
    EXPECT_EQ(S.SelectedRowText(D->LCategories), "Misc");
    EXPECT_EQ(S.F.Open->GetCategory(), 1);
    EXPECT_EQ(S.F.Find->GetCategory(), 2);
    EXPECT_TRUE(S.Changed());

    {
        // Rename: the dialog starts with the old name; Cancel changes nothing.
        TNameDialogPlayer Player({{"Ignored", false}, {"Other"}});
        D->CategoriesRename->Click();
        D->CategoriesRename->Click();
        ASSERT_EQ(Player.Seen().size(), 2u);
        EXPECT_EQ(Player.Seen()[0].Caption, "Rename Category");
        EXPECT_EQ(Player.Seen()[0].Initial, "Misc");
    }
    EXPECT_EQ(S.Categories(), (Strings{"Other", "File", "Edit", "Tools"}));
    EXPECT_EQ(TCustomizeFixture::Rows(D->LCategories), (Strings{"Other", "File", "Edit", "Tools"}));
    EXPECT_TRUE(S.Changed());

    {
        // Delete asks first: Cancel keeps the category, OK takes it with its items and selects
        // the row that moved into its place.
        TCustomizeFixture::SelectRow(D->LCategories, 2);
        TFreeCounter FindFreed(S.F.Find);
        {
            TDialogAnswerer No("", IDCANCEL);
            D->CategoriesDelete->Click();
            EXPECT_EQ(No.AnsweredCount(), 1);
            EXPECT_NE(No.Text().find("Are you sure you want to delete the 'Edit' category?"), std::string::npos)
                << No.Text();
        }
        EXPECT_EQ(S.Categories().size(), 4u);
        EXPECT_FALSE(S.Changed());
        TDialogAnswerer Yes("", IDOK);
        PressKey(D->LCategories, VK_DELETE);
        EXPECT_EQ(Yes.AnsweredCount(), 1);
        EXPECT_EQ(FindFreed.Count, 1);
        S.F.Find = nullptr;
        S.F.Zoom = nullptr;
        S.F.ToolA = nullptr;
        S.F.ToolB = nullptr;
    }
    EXPECT_EQ(S.Categories(), (Strings{"Other", "File", "Tools"}));
    EXPECT_EQ(S.SelectedRowText(D->LCategories), "Tools");
    EXPECT_TRUE(S.Changed());

    // Visible: the entry shows the category's flag and toggles it.
    TCustomizeFixture::SelectRow(D->LCategories, 1);
    EXPECT_TRUE(D->CategoriesVisible->GetDown());
    D->CategoriesVisible->Click();
    EXPECT_FALSE(S.F.Manager->GetCategoryVisible(1));
    EXPECT_FALSE(D->CategoriesVisible->GetDown());
    EXPECT_TRUE(S.Changed());
    D->CategoriesVisible->Click();
    EXPECT_TRUE(S.F.Manager->GetCategoryVisible(1));

    // The items-visibility combo writes the category's value.
    auto* Combo = dynamic_cast<TcbBarCombo*>(D->CategoriesItemsVisible);
    ASSERT_NE(Combo, nullptr);
    EXPECT_EQ(Combo->GetItemIndex(), static_cast<int32_t>(S.F.Manager->GetCategoryItemsVisible(1)));
    Combo->SetItemIndex(1);
    EXPECT_EQ(S.F.Manager->GetCategoryItemsVisible(1), ivInCustomizing);
    EXPECT_TRUE(S.Changed());

    // Down to one category: Delete is refused without a question.
    TCustomizeFixture::SelectRow(D->LCategories, 0);
    {
        TDialogAnswerer Yes("", IDOK, nullptr, true);
        D->CategoriesDelete->Click();
        TCustomizeFixture::SelectRow(D->LCategories, 1);
        D->CategoriesDelete->Click();
        EXPECT_EQ(Yes.AnsweredCount(), 2);
    }
    ASSERT_EQ(S.Categories(), (Strings{"File"}));
    EXPECT_FALSE(D->CategoriesDelete->GetEnabled());
    TDialogAnswerer Never("", IDOK);
    PressKey(D->LCategories, VK_DELETE);
    D->CategoriesDelete->Click();
    CommandBarsTest::Settle();
    EXPECT_FALSE(Never.Seen());
    EXPECT_EQ(S.Categories(), (Strings{"File"}));
    EXPECT_EQ(S.F.Open->GetCategory(), 0);
}

TEST(CustomizeDesign, AToolbarRowSelectsItsBarInTheDesigner)
{
    TDesignScene S(&TcbBarCustomizingForm::TabSheet1);
    ASSERT_NE(S.Dialog, nullptr);
    TCheckListBox* List = S.Dialog->BarsListBox;
    for (int32_t Row = 0; Row < List->GetItems()->GetCount(); ++Row) {
        TCustomizeFixture::SelectRow(List, Row);
        ASSERT_FALSE(S.Designer.Selected.empty());
        TcbBar* Bar = S.F.Manager->BarByCaption(List->GetItems()->GetStrings(Row));
        ASSERT_NE(Bar, nullptr) << List->GetItems()->GetStrings(Row);
        EXPECT_EQ(S.Designer.Selected.back(), Bar) << "row " << Row;
    }
}

TEST(CustomizeDesign, CategoriesAreReorderedByDraggingTheirRows)
{
    TDesignScene S(&TcbBarCustomizingForm::TabSheet2);
    ASSERT_NE(S.Dialog, nullptr);
    TcbBarCustomizingForm* D = S.Dialog;
    ASSERT_EQ(S.Categories(), (Strings{"File", "Edit"}));
    ASSERT_EQ(S.F.Open->GetCategory(), 0);
    ASSERT_EQ(S.F.Find->GetCategory(), 1);
    const HWND List = D->LCategories->GetHandle();
    auto RowCentre = [List](int32_t Row) {
        RECT R{};
        SendMessageA(List, LB_GETITEMRECT, Row, reinterpret_cast<LPARAM>(&R));
        return MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
    };
    S.Changed();

    // "Edit" pressed and moved up onto "File": the two change places with their items.
    SendMessageA(List, WM_LBUTTONDOWN, MK_LBUTTON, RowCentre(1));
    SendMessageA(List, WM_MOUSEMOVE, MK_LBUTTON, RowCentre(0));
    SendMessageA(List, WM_LBUTTONUP, 0, RowCentre(0));
    CommandBarsTest::Settle();
    EXPECT_EQ(S.Categories(), (Strings{"Edit", "File"}));
    EXPECT_EQ(TCustomizeFixture::Rows(D->LCategories), (Strings{"Edit", "File"}));
    EXPECT_EQ(S.SelectedRowText(D->LCategories), "Edit") << "the dragged row stays selected";
    EXPECT_EQ(S.F.Open->GetCategory(), 1);
    EXPECT_EQ(S.F.Find->GetCategory(), 0);
    EXPECT_TRUE(S.Changed()) << "the designer heard of the new order";

    // A move without the button held, or a press below the last row, moves nothing.
    SendMessageA(List, WM_MOUSEMOVE, 0, RowCentre(1));
    RECT Last{};
    SendMessageA(List, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&Last));
    SendMessageA(List, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, Last.bottom + 20));
    SendMessageA(List, WM_MOUSEMOVE, MK_LBUTTON, RowCentre(0));
    SendMessageA(List, WM_LBUTTONUP, 0, RowCentre(0));
    CommandBarsTest::Settle();
    EXPECT_EQ(S.Categories(), (Strings{"Edit", "File"}));
    EXPECT_FALSE(S.Changed());

    // Closing the dialog of a designed form tells its designer as well.
    S.F.Manager->SetIsCustomizing(false);
    CommandBarsTest::Settle();
    EXPECT_TRUE(S.Changed()) << "the designer heard of the dialog's end";
}

// ---------------------------------------------------------------------------------------------
// Commands

TEST(CustomizeDesign, CommandEntriesAreEnabledByTheSelection)
{
    TDesignScene S(&TcbBarCustomizingForm::TabSheet2);
    ASSERT_NE(S.Dialog, nullptr);
    TcbBarCustomizingForm* D = S.Dialog;
    TCustomizeFixture::SelectRow(D->LCategories, 0);
    ASSERT_EQ(TCustomizeFixture::Rows(D->LCommands), (Strings{"&New", "&Open", "&Save", "&File"}));
    EXPECT_FALSE(D->CommandsDelete->GetEnabled());
    EXPECT_TRUE(D->CommandsClear->GetEnabled());
    EXPECT_FALSE(D->CommandsMoveUp->GetEnabled());
    EXPECT_FALSE(D->CommandsMoveDown->GetEnabled());
    EXPECT_FALSE(D->CommandsSubMenuEditor->GetEnabled());
    struct TCase {
        int32_t Row;
        bool Up, Down, SubMenu;
    };
    for (const TCase& C : {TCase{0, false, true, false}, TCase{1, true, true, false}, TCase{3, true, false, true}}) {
        TCustomizeFixture::SelectRow(D->LCommands, C.Row);
        EXPECT_TRUE(D->CommandsDelete->GetEnabled()) << C.Row;
        EXPECT_EQ(D->CommandsMoveUp->GetEnabled(), C.Up) << C.Row;
        EXPECT_EQ(D->CommandsMoveDown->GetEnabled(), C.Down) << C.Row;
        EXPECT_EQ(D->CommandsSubMenuEditor->GetEnabled(), C.SubMenu) << C.Row;
    }
    // The designer selects the chosen command.
    ASSERT_FALSE(S.Designer.Selected.empty());
    EXPECT_EQ(S.Designer.Selected.back(), S.F.File);
    // A container item is no sub-menu to edit.
    auto* List = new TcbBarListItem(S.F.Form.get());
    List->SetName("Recent");
    List->SetCaption("Recent");
    List->SetCategory(0);
    TCustomizeFixture::SelectRow(D->LCategories, 1);
    TCustomizeFixture::SelectRow(D->LCategories, 0);
    const int32_t Row = D->LCommands->GetItems()->IndexOfObject(List);
    ASSERT_GE(Row, 0);
    TCustomizeFixture::SelectRow(D->LCommands, Row);
    EXPECT_FALSE(D->CommandsSubMenuEditor->GetEnabled());
    EXPECT_TRUE(D->CommandsDelete->GetEnabled());
    // Category entries: one selected among two.
    EXPECT_TRUE(D->CategoriesRename->GetEnabled());
    EXPECT_TRUE(D->CategoriesDelete->GetEnabled());
    EXPECT_TRUE(D->CategoriesVisible->GetEnabled());

    CommandBarsTest::Settle();
    EXPECT_EQ(LayoutFaults(D), Strings{});
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(D->GetHandle()), "design-commands");
}

TEST(CustomizeDesign, CommandsAreAddedDeletedClearedAndMoved)
{
    TDesignScene S(&TcbBarCustomizingForm::TabSheet2);
    ASSERT_NE(S.Dialog, nullptr);
    TcbBarCustomizingForm* D = S.Dialog;
    TcbBarManager* M = S.F.Manager;
    TCustomizeFixture::SelectRow(D->LCategories, 0);

    // Ctrl+Down and Ctrl+Up move the command; the entries do the same.
    TCustomizeFixture::SelectRow(D->LCommands, 0);
    PressKey(D->LCommands, VK_DOWN, true);
    EXPECT_EQ(TCustomizeFixture::Rows(D->LCommands), (Strings{"&Open", "&New", "&Save", "&File"}));
    EXPECT_EQ(D->LCommands->GetItemIndex(), 1);
    EXPECT_LT(M->IndexOfItem(S.F.Open), M->IndexOfItem(S.F.New));
    EXPECT_TRUE(S.Changed());
    D->CommandsMoveDown->Click();
    EXPECT_EQ(TCustomizeFixture::Rows(D->LCommands), (Strings{"&Open", "&Save", "&New", "&File"}));
    EXPECT_EQ(D->LCommands->GetItemIndex(), 2);
    PressKey(D->LCommands, VK_UP, true);
    D->CommandsMoveUp->Click();
    EXPECT_EQ(TCustomizeFixture::Rows(D->LCommands), (Strings{"&New", "&Open", "&Save", "&File"}));
    EXPECT_EQ(D->LCommands->GetItemIndex(), 0);
    // The first row goes no higher.
    PressKey(D->LCommands, VK_UP, true);
    EXPECT_EQ(TCustomizeFixture::Rows(D->LCommands), (Strings{"&New", "&Open", "&Save", "&File"}));
    EXPECT_EQ(D->LCommands->GetItemIndex(), 0);

    // Add through the add-item dialog: a button in the selected category, listed and selected.
    TcbBarItem* Added = nullptr;
    {
        TModalFormAnswerer Answer("Add Item", [](HWND, TWinControl* Form) {
            auto* E = dynamic_cast<TcbBarItemAddEditor*>(Form);
            if (!E)
                return true;
            SendMessageA(E->Edit1->GetHandle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Print"));
            SendMessageA(E->Edit2->GetHandle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("&Print"));
            ClickButton(E->BOk);
            return true;
        });
        D->CommandsAdd->Click();
        EXPECT_TRUE(Answer.Answered());
        Added = dynamic_cast<TcbBarItem*>(S.F.Form->FindComponent("Print"));
    }
    ASSERT_NE(Added, nullptr);
    EXPECT_EQ(Added->GetCategory(), 0);
    EXPECT_EQ(TCustomizeFixture::Rows(D->LCommands), (Strings{"&New", "&Open", "&Save", "&File", "&Print"}));
    EXPECT_EQ(D->LCommands->GetItemIndex(), 4);
    EXPECT_TRUE(S.Changed());
    EXPECT_EQ(S.Designer.Selected.back(), Added);
    EXPECT_EQ(ListViewRow(AllCommandsWindow(D), M->GetItemCount() - 1), (Strings{"Print", "Print", ""}));

    // Delete (the Delete key): the item goes, the row after it takes the selection (here the
    // last one, as it was the last).
    TFreeCounter AddedFreed(Added);
    PressKey(D->LCommands, VK_DELETE);
    EXPECT_EQ(AddedFreed.Count, 1);
    EXPECT_EQ(TCustomizeFixture::Rows(D->LCommands), (Strings{"&New", "&Open", "&Save", "&File"}));
    EXPECT_EQ(D->LCommands->GetItemIndex(), 3);
    EXPECT_TRUE(S.Changed());
    TCustomizeFixture::SelectRow(D->LCommands, 1);
    TFreeCounter OpenFreed(S.F.Open);
    const int32_t StandardLinks = S.F.Standard->GetItemLinks()->GetCount();
    D->CommandsDelete->Click();
    EXPECT_EQ(OpenFreed.Count, 1);
    S.F.Open = nullptr;
    EXPECT_EQ(TCustomizeFixture::Rows(D->LCommands), (Strings{"&New", "&Save", "&File"}));
    EXPECT_EQ(S.SelectedRowText(D->LCommands), "&Save");
    EXPECT_EQ(S.F.Standard->GetItemLinks()->GetCount(), StandardLinks - 1);
    EXPECT_TRUE(S.Changed());

    // Clear asks first, then takes every command of the category.
    TCustomizeFixture::SelectRow(D->LCategories, 1);
    {
        TDialogAnswerer No("", IDCANCEL);
        D->CommandsClear->Click();
        EXPECT_NE(No.Text().find("Are you sure you want to delete all commands in the 'Edit' category?"),
                  std::string::npos)
            << No.Text();
    }
    EXPECT_EQ(D->LCommands->GetItems()->GetCount(), 4);
    EXPECT_FALSE(S.Changed());
    {
        TDialogAnswerer Yes("", IDOK);
        D->CommandsClear->Click();
        EXPECT_EQ(Yes.AnsweredCount(), 1);
    }
    S.F.Find = nullptr;
    S.F.Zoom = nullptr;
    S.F.ToolA = nullptr;
    S.F.ToolB = nullptr;
    EXPECT_EQ(D->LCommands->GetItems()->GetCount(), 0);
    std::vector<TcbBarItem*> Left;
    EXPECT_EQ(M->GetItemsByCategory(1, Left), 0);
    EXPECT_TRUE(S.Changed());
    EXPECT_FALSE(D->CommandsClear->GetEnabled());
    EXPECT_FALSE(D->CommandsDelete->GetEnabled());
    // The other category kept its commands, and the toolbars no links to the freed ones.
    std::vector<TcbBarItem*> File;
    EXPECT_EQ(M->GetItemsByCategory(0, File), 3);
    EXPECT_EQ(S.F.Tools->GetItemLinks()->GetCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// All commands

TEST(CustomizeDesign, AllCommandsListsEveryItemByNameCaptionAndShortcut)
{
    TCustomizeFixture Scene(true);
    Scene.Save->SetShortCut(ShortCut('S', TShiftState{ssCtrl}));
    TRecordingDesigner Designer;
    Scene.Form->SetDesigner(&Designer);
    TcbBarCustomizingForm* D = Scene.OpenDialog();
    ASSERT_NE(D, nullptr);
    D->PageControl->SetActivePage(D->TabSheet4);
    CommandBarsTest::Settle();
    const HWND List = AllCommandsWindow(D);
    TcbBarManager* M = Scene.Manager;
    ASSERT_EQ(SendMessageA(List, LVM_GETITEMCOUNT, 0, 0), M->GetItemCount());
    for (int32_t I = 0; I < M->GetItemCount(); ++I) {
        TcbBarItem* Item = M->GetItem(I);
        const std::string Caption = Item->GetCaption();
        std::string Plain;
        for (char C : Caption)
            if (C != '&')
                Plain += C;
        EXPECT_EQ(ListViewRow(List, I), (Strings{Item->GetName(), Plain, Item == Scene.Save ? "Ctrl+S" : ""}));
    }
    EXPECT_EQ(LayoutFaults(D), Strings{});
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(D->GetHandle()), "design-all-commands");

    // Only commands that run something may take a shortcut: no sub-item, edit or combo.
    TCustomizeFixture::ClickButton(D->CBShowCommandsWithShortCut);
    Strings Names;
    for (int Row = 0; Row < SendMessageA(List, LVM_GETITEMCOUNT, 0, 0); ++Row)
        Names.push_back(ListViewRow(List, Row)[0]);
    EXPECT_EQ(Names, (Strings{"New", "Open", "Save", "ToolA", "ToolB"}));
    TCustomizeFixture::ClickButton(D->CBShowCommandsWithShortCut);
    EXPECT_EQ(SendMessageA(List, LVM_GETITEMCOUNT, 0, 0), M->GetItemCount());

    // A click on a row selects its item in the designer.
    RECT Row{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(List, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&Row));
    const LPARAM At = MAKELPARAM(Row.left + 20, (Row.top + Row.bottom) / 2);
    PostMessageA(List, WM_LBUTTONUP, 0, At);
    SendMessageA(List, WM_LBUTTONDOWN, MK_LBUTTON, At);
    CommandBarsTest::Settle();
    ASSERT_FALSE(Designer.Selected.empty());
    EXPECT_EQ(Designer.Selected.back(), M->GetItem(2));
    Scene.Form->SetDesigner(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Groups

TEST(CustomizeDesign, GroupsAreAddedFilledReorderedAndDeleted)
{
    TDesignScene S(&TcbBarCustomizingForm::TabSheet5);
    ASSERT_NE(S.Dialog, nullptr);
    TcbBarCustomizingForm* D = S.Dialog;
    TcbBarManager* M = S.F.Manager;
    ASSERT_EQ(M->GetGroupCount(), 0);
    EXPECT_FALSE(D->btnGroupDelete->GetEnabled());
    EXPECT_FALSE(D->btnGroupItemAdd->GetEnabled());

    // New groups are named freshly, listed and selected.
    TCustomizeFixture::ClickButton(D->btnGroupAdd);
    PressKey(D->lbGroups, VK_INSERT);
    TCustomizeFixture::ClickButton(D->btnGroupAdd);
    ASSERT_EQ(M->GetGroupCount(), 3);
    TcbBarGroup *G1 = M->GetGroup(0), *G2 = M->GetGroup(1), *G3 = M->GetGroup(2);
    EXPECT_EQ(TCustomizeFixture::Rows(D->lbGroups), (Strings{"cbBarGroup1", "cbBarGroup2", "cbBarGroup3"}));
    EXPECT_EQ(D->lbGroups->GetItemIndex(), 2);
    EXPECT_EQ(S.Designer.Selected.back(), G3);
    EXPECT_TRUE(S.Changed());

    // Members through the group-items dialog, in list order; a header row adds nothing.
    TCustomizeFixture::SelectRow(D->lbGroups, 0);
    {
        TModalFormAnswerer Answer("Add Group Items", ChooseGroupItems({"&Save", "~File", "cbBarGroup2", "&New", "&Open"}));
        TCustomizeFixture::ClickButton(D->btnGroupItemAdd);
        EXPECT_TRUE(Answer.Answered());
    }
    EXPECT_EQ(Members(G1), (std::vector<TComponent*>{G2, S.F.New, S.F.Open, S.F.Save}));
    EXPECT_EQ(TCustomizeFixture::Rows(D->lbGroupItems), (Strings{"cbBarGroup2", "New", "Open", "Save"}));
    EXPECT_TRUE(S.Changed());

    // A group that holds the selected one is refused with a message; the other choices join.
    TCustomizeFixture::SelectRow(D->lbGroups, 1);
    {
        TDialogAnswerer Refusal("", IDOK);
        TModalFormAnswerer Answer("Add Group Items", ChooseGroupItems({"cbBarGroup1", "Tool &A"}));
        TCustomizeFixture::ClickButton(D->btnGroupItemAdd);
        EXPECT_TRUE(Answer.Answered());
        EXPECT_EQ(Refusal.AnsweredCount(), 1);
        EXPECT_NE(Refusal.Text().find("You cannot create recursive groups"), std::string::npos) << Refusal.Text();
    }
    EXPECT_EQ(Members(G2), (std::vector<TComponent*>{S.F.ToolA}));

    // Moving keeps the moved members selected at their new places; the ends stop the buttons.
    TCustomizeFixture::SelectRow(D->lbGroups, 0);
    SelectMembers(D->lbGroupItems, {2, 3});
    EXPECT_TRUE(D->btnMoveUp->GetEnabled());
    EXPECT_FALSE(D->btnMoveDown->GetEnabled());
    TCustomizeFixture::ClickButton(D->btnMoveUp);
    EXPECT_EQ(Members(G1), (std::vector<TComponent*>{G2, S.F.Open, S.F.Save, S.F.New}));
    EXPECT_EQ(SelectedMemberRows(D->lbGroupItems), (std::vector<int32_t>{1, 2}));
    EXPECT_TRUE(S.Changed());
    TCustomizeFixture::ClickButton(D->btnMoveUp);
    EXPECT_EQ(Members(G1), (std::vector<TComponent*>{S.F.Open, S.F.Save, G2, S.F.New}));
    EXPECT_EQ(SelectedMemberRows(D->lbGroupItems), (std::vector<int32_t>{0, 1}));
    EXPECT_FALSE(D->btnMoveUp->GetEnabled());
    TCustomizeFixture::ClickButton(D->btnMoveDown);
    EXPECT_EQ(Members(G1), (std::vector<TComponent*>{G2, S.F.Open, S.F.Save, S.F.New}));
    EXPECT_EQ(SelectedMemberRows(D->lbGroupItems), (std::vector<int32_t>{1, 2}));

    CommandBarsTest::Settle();
    EXPECT_EQ(LayoutFaults(D), Strings{});
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(D->GetHandle()), "design-groups");
    // Selected member rows keep their highlight drawn, group names and all.
    {
        const HWND List = D->lbGroupItems->GetHandle();
        const TestSupport::TShot Shot = TestSupport::CaptureShown(List);
        const POINT Origin = TestSupport::ClientOrigin(List);
        RECT Row{};
        SendMessageA(List, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&Row));
        const COLORREF H = GetSysColor(COLOR_HIGHLIGHT);
        const uint32_t Expected = (GetRValue(H) << 16) | (GetGValue(H) << 8) | GetBValue(H);
        EXPECT_EQ(Shot.At(Origin.x + Row.right - 3, Origin.y + (Row.top + Row.bottom) / 2), Expected);
        SendMessageA(List, LB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&Row));
        EXPECT_NE(Shot.At(Origin.x + Row.right - 3, Origin.y + (Row.top + Row.bottom) / 2), Expected);
    }

    // Deleting members selects the first one left after them, else the one before.
    SelectMembers(D->lbGroupItems, {1});
    PressKey(D->lbGroupItems, VK_DELETE);
    EXPECT_EQ(Members(G1), (std::vector<TComponent*>{G2, S.F.Save, S.F.New}));
    EXPECT_EQ(SelectedMemberRows(D->lbGroupItems), (std::vector<int32_t>{1}));
    EXPECT_TRUE(S.Changed());
    SelectMembers(D->lbGroupItems, {1, 2});
    TCustomizeFixture::ClickButton(D->btnGroupItemDelete);
    EXPECT_EQ(Members(G1), (std::vector<TComponent*>{G2}));
    EXPECT_EQ(SelectedMemberRows(D->lbGroupItems), (std::vector<int32_t>{0}));

    // Deleting groups selects the next one, or the previous one after the last.
    TCustomizeFixture::SelectRow(D->lbGroups, 2);
    TCustomizeFixture::ClickButton(D->btnGroupDelete);
    EXPECT_EQ(TCustomizeFixture::Rows(D->lbGroups), (Strings{"cbBarGroup1", "cbBarGroup2"}));
    EXPECT_EQ(D->lbGroups->GetItemIndex(), 1);
    TCustomizeFixture::SelectRow(D->lbGroups, 0);
    PressKey(D->lbGroups, VK_DELETE);
    EXPECT_EQ(TCustomizeFixture::Rows(D->lbGroups), (Strings{"cbBarGroup2"}));
    EXPECT_EQ(D->lbGroups->GetItemIndex(), 0);
    EXPECT_EQ(TCustomizeFixture::Rows(D->lbGroupItems), (Strings{"ToolA"}));
    EXPECT_TRUE(S.Changed());
}

// ---------------------------------------------------------------------------------------------
// The sub-menu editor

TEST(SubMenuEditor, HangsTheMenuFromItsBottomEdgeAndCarriesItAlong)
{
    TCustomizeFixture F;
    ShowSubMenuEditor(F.File->GetItemLinks());
    TestSupport::PumpUntil([] { return GetSubMenuEditor() != nullptr; }, 5000, "the sub-menu editor");
    CommandBarsTest::Settle();
    TcbBarSubMenuEditor* Editor = GetSubMenuEditor();
    ASSERT_NE(Editor, nullptr);
    EXPECT_TRUE(F.Manager->IsCustomizing());
    TcbBarCustomizingForm* Dialog = F.Dialog();
    ASSERT_NE(Dialog, nullptr);
    EXPECT_EQ(Dialog->PageControl->GetActivePage(), Dialog->TabSheet2);
    EXPECT_EQ(cbCallExtension(cbExtensions().GetSubMenuEditor), Editor);

    const HWND W = Editor->GetHandle();
    char Caption[64] = {};
    GetWindowTextA(W, Caption, sizeof(Caption));
    EXPECT_STREQ(Caption, "SubMenu Editor");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(W, GWL_STYLE)) & ~static_cast<DWORD>(WS_VISIBLE), 0x84C80000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(W, GWL_EXSTYLE)) & 0x101u, 0x101u);
    EXPECT_EQ(GetClassLongA(W, GCL_STYLE), 0x820u);
    EXPECT_EQ(GetWindow(W, GW_OWNER), F.Form->GetHandle());
    RECT Client{};
    GetClientRect(W, &Client);
    EXPECT_EQ(Client.bottom, 0);

    auto* Menu = dynamic_cast<TcbBarSubMenuControl*>(F.File->GetItemLinks()->GetBarControl());
    ASSERT_NE(Menu, nullptr);
    ASSERT_TRUE(Menu->HandleAllocated());
    EXPECT_TRUE(IsWindowVisible(Menu->GetHandle()));
    auto ExpectHanging = [&](const char* When) {
        const RECT E = WindowRect(W), R = WindowRect(Menu->GetHandle());
        EXPECT_EQ(R.left, E.left) << When;
        EXPECT_EQ(R.top, E.bottom) << When;
        EXPECT_EQ(R.right - R.left, E.right - E.left) << When;
    };
    ExpectHanging("shown");
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(W), "submenu-editor");
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(Menu->GetHandle()), "submenu-editor-menu");

    // Moved: the menu follows; sized: the width stays the menu's.
    const RECT Before = WindowRect(W);
    SetWindowPos(W, nullptr, Before.left + 40, Before.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    CommandBarsTest::Settle();
    EXPECT_EQ(WindowRect(W).left, Before.left + 40);
    ExpectHanging("moved");
    MINMAXINFO Info{};
    Info.ptMaxTrackSize = POINT{5000, 5000};
    SendMessageA(W, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&Info));
    const RECT R = WindowRect(Menu->GetHandle());
    EXPECT_EQ(Info.ptMinTrackSize.x, R.right - R.left);
    EXPECT_EQ(Info.ptMaxTrackSize.x, R.right - R.left);

    // A second call keeps the one editor.
    ShowSubMenuEditor(F.File->GetItemLinks());
    EXPECT_EQ(GetSubMenuEditor(), Editor);
}

TEST(SubMenuEditor, AMenuThatWouldHoldTheDraggedItemStaysShutUntilTheDragEnds)
{
    TCustomizeFixture F;
    // "&File" itself dragged: its own menu must not open to take it.
    F.Manager->SetDraggingItem(F.File);
    ShowSubMenuEditor(F.File->GetItemLinks());
    TestSupport::PumpUntil([] { return GetSubMenuEditor() != nullptr; }, 5000, "the sub-menu editor");
    CommandBarsTest::Settle();
    TcbBarSubMenuEditor* Editor = GetSubMenuEditor();
    ASSERT_NE(Editor, nullptr);
    SendMessageA(Editor->GetHandle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(F.File->GetItemLinks()->GetBarControl(), nullptr);
    // Another item may go in: the next activation opens the menu.
    F.Manager->SetDraggingItem(F.Save);
    SendMessageA(Editor->GetHandle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_NE(F.File->GetItemLinks()->GetBarControl(), nullptr);
    F.Manager->SetDraggingItem(nullptr);
}

TEST(SubMenuEditor, ItsMenuGoesWhenTheSelectionLeavesItForAnotherWindow)
{
    TCustomizeFixture F;
    ShowSubMenuEditor(F.File->GetItemLinks());
    TestSupport::PumpUntil([] { return GetSubMenuEditor() != nullptr; }, 5000, "the sub-menu editor");
    CommandBarsTest::Settle();
    TcbBarSubMenuEditor* Editor = GetSubMenuEditor();
    ASSERT_NE(Editor, nullptr);
    auto* Menu = dynamic_cast<TcbBarSubMenuControl*>(F.File->GetItemLinks()->GetBarControl());
    ASSERT_NE(Menu, nullptr);
    EXPECT_EQ(cbCallExtension(cbExtensions().GetSubMenuEditorMenu), Menu);
    TcbBarItemControl* InMenuOpen = TPopupsFixture::ControlOf(Menu, F.Open);
    TcbBarItemControl* InMenuSave = TPopupsFixture::ControlOf(Menu, F.Save);
    ASSERT_NE(InMenuOpen, nullptr);
    ASSERT_NE(InMenuSave, nullptr);

    // From one entry of the menu to another: the menu stays.
    F.Manager->SetSelectedItemControl(InMenuOpen);
    F.Manager->SetSelectedItemControl(InMenuSave);
    CommandBarsTest::Settle();
    EXPECT_EQ(F.File->GetItemLinks()->GetBarControl(), Menu);
    EXPECT_EQ(F.Manager->GetSelectedItemControl(), InMenuSave);

    // On to a toolbar's button: the editor's menu is freed, the editor and the new selection stay.
    TcbBarControl* Tools = F.WindowOf(F.Tools);
    ASSERT_NE(Tools, nullptr);
    TcbBarItemControl* ToolA = TPopupsFixture::ControlOf(Tools, F.ToolA);
    ASSERT_NE(ToolA, nullptr);
    F.Manager->SetSelectedItemControl(ToolA);
    CommandBarsTest::Settle();
    EXPECT_EQ(F.File->GetItemLinks()->GetBarControl(), nullptr) << "the editor's menu went";
    EXPECT_EQ(cbCallExtension(cbExtensions().GetSubMenuEditorMenu), nullptr);
    EXPECT_EQ(GetSubMenuEditor(), Editor);
    EXPECT_EQ(F.Manager->GetSelectedItemControl(), ToolA);

    // Activating the editor opens its menu again; a selection that goes away (nil) frees it too.
    SendMessageA(Editor->GetHandle(), WM_ACTIVATE, WA_ACTIVE, 0);
    Menu = dynamic_cast<TcbBarSubMenuControl*>(F.File->GetItemLinks()->GetBarControl());
    ASSERT_NE(Menu, nullptr);
    TcbBarItemControl* Again = TPopupsFixture::ControlOf(Menu, F.New);
    ASSERT_NE(Again, nullptr);
    F.Manager->SetSelectedItemControl(Again);
    F.Manager->SetSelectedItemControl(nullptr);
    CommandBarsTest::Settle();
    EXPECT_EQ(F.File->GetItemLinks()->GetBarControl(), nullptr);
    EXPECT_EQ(F.Manager->GetSelectedItemControl(), nullptr);
}

TEST(SubMenuEditor, TheCloseBoxClosesMenuAndEditorAndFreesItAfterwards)
{
    TCustomizeFixture F;
    ShowSubMenuEditor(F.File->GetItemLinks());
    TestSupport::PumpUntil([] { return GetSubMenuEditor() != nullptr; }, 5000, "the sub-menu editor");
    CommandBarsTest::Settle();
    TcbBarSubMenuEditor* Editor = GetSubMenuEditor();
    ASSERT_NE(Editor, nullptr);
    ASSERT_NE(F.File->GetItemLinks()->GetBarControl(), nullptr);
    TFreeCounter Freed(Editor);
    const HWND W = Editor->GetHandle();
    const RECT E = WindowRect(W);
    // The press on the close box, its release already waiting.
    const LPARAM At = MAKELPARAM(E.right - 10, E.top + 10);
    PostMessageA(W, WM_LBUTTONUP, 0, 0);
    SendMessageA(W, WM_NCLBUTTONDOWN, HTCLOSE, At);
    EXPECT_EQ(F.File->GetItemLinks()->GetBarControl(), nullptr) << "the press shuts the menu";
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return Freed.Count == 1; }, 3000, "the editor freed"));
    EXPECT_FALSE(IsWindow(W));
    EXPECT_EQ(GetSubMenuEditor(), nullptr);
    // Customizing goes on; the dialog stays.
    EXPECT_NE(F.Dialog(), nullptr);
}

TEST(SubMenuEditor, GoesWithItsListsOwnerAndWithCustomizing)
{
    TCustomizeFixture F;
    auto* Recent = new TcbBarSubItem(F.Form.get());
    Recent->SetName("Recent");
    Recent->SetCaption("&Recent");
    Recent->GetItemLinks()->Add()->SetItem(F.Open);
    Recent->GetItemLinks()->Add()->SetItem(F.Save);
    ShowSubMenuEditor(Recent->GetItemLinks());
    TestSupport::PumpUntil([] { return GetSubMenuEditor() != nullptr; }, 5000, "the sub-menu editor");
    CommandBarsTest::Settle();
    TcbBarSubMenuEditor* Editor = GetSubMenuEditor();
    ASSERT_NE(Editor, nullptr);
    ASSERT_NE(Recent->GetItemLinks()->GetBarControl(), nullptr);
    const HWND W = Editor->GetHandle();
    {
        TFreeCounter Freed(Editor);
        // The sub-item goes while its menu is open: the editor forgets the list and goes later.
        Recent->Free();
        EXPECT_EQ(GetSubMenuEditor(), nullptr);
        EXPECT_FALSE(IsWindowVisible(W));
        EXPECT_EQ(Freed.Count, 0) << "freed inside the notification";
        EXPECT_TRUE(TestSupport::PumpUntil([&] { return Freed.Count == 1; }, 3000, "the editor freed"));
        EXPECT_FALSE(IsWindow(W));
    }

    // Leaving customizing mode takes the editor and its menu along.
    ShowSubMenuEditor(F.File->GetItemLinks());
    TestSupport::PumpUntil([] { return GetSubMenuEditor() != nullptr; }, 5000, "the sub-menu editor");
    CommandBarsTest::Settle();
    Editor = GetSubMenuEditor();
    ASSERT_NE(Editor, nullptr);
    TFreeCounter Freed(Editor);
    F.Manager->SetIsCustomizing(false);
    EXPECT_EQ(GetSubMenuEditor(), nullptr);
    EXPECT_EQ(F.File->GetItemLinks()->GetBarControl(), nullptr);
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return Freed.Count == 1; }, 3000, "the editor freed"));
}

TEST(SubMenuEditor, TheCommandsEntryOpensItForTheSelectedSubItem)
{
    TDesignScene S(&TcbBarCustomizingForm::TabSheet2);
    ASSERT_NE(S.Dialog, nullptr);
    TCustomizeFixture::SelectRow(S.Dialog->LCategories, 0);
    TCustomizeFixture::SelectRow(S.Dialog->LCommands, RowOf(S.Dialog->LCommands, "&File"));
    S.Dialog->CommandsSubMenuEditor->Click();
    TestSupport::PumpUntil([] { return GetSubMenuEditor() != nullptr; }, 5000, "the sub-menu editor");
    CommandBarsTest::Settle();
    TcbBarSubMenuEditor* Editor = GetSubMenuEditor();
    ASSERT_NE(Editor, nullptr);
    EXPECT_EQ(Editor->GetItemLinks(), S.F.File->GetItemLinks());
    EXPECT_EQ(S.F.Dialog(), S.Dialog);
    const HWND W = Editor->GetHandle();
    // Closing the dialog closes the editor as well.
    TCustomizeFixture::ClickButton(S.Dialog->BClose);
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return !IsWindow(W); }, 3000, "the editor gone"));
}
