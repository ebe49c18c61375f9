// The Customize dialog driven by messages: opening it once for the customized form, the toolbar
// list with its check boxes, new, rename, delete and reset of toolbars through the name dialog
// and the message boxes, the commands by category, the options page, the ways it closes and
// frees itself, its pages in pictures and a layout without overlaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbBarPopups.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/foundation/cbStrings.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Application.h"
#include "platform/win/ThreadTimer.h"
#include "commandbars/customize/cbBarCustFormPainters.h"
#include "tests/commandbars/support/CustomizeFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using namespace CommandBarsTest;
using TestSupport::TDialogAnswerer;
using Strings = std::vector<std::string>;

namespace {

SIZE ClientSize(HWND W)
{
    RECT R{};
    GetClientRect(W, &R);
    return SIZE{R.right, R.bottom};
}

RECT WindowRect(HWND W)
{
    RECT R{};
    GetWindowRect(W, &R);
    return R;
}

// The check box of a toolbar row as DrawFrameControl draws it alone, on the list's colour.
TestSupport::TShot ReferenceCheckBox(int32_t Size, UINT State)
{
    HDC Screen = GetDC(nullptr);
    HDC DC = CreateCompatibleDC(Screen);
    HBITMAP Bitmap = CreateCompatibleBitmap(Screen, Size, Size);
    HGDIOBJ Old = SelectObject(DC, Bitmap);
    RECT R{0, 0, Size, Size};
    FillRect(DC, &R, GetSysColorBrush(COLOR_WINDOW));
    DrawFrameControl(DC, &R, DFC_BUTTON, State);
    TestSupport::TShot Shot;
    Shot.W = Size;
    Shot.H = Size;
    for (int32_t Y = 0; Y < Size; ++Y)
        for (int32_t X = 0; X < Size; ++X) {
            const COLORREF C = GetPixel(DC, X, Y);
            Shot.Pixels.push_back((GetRValue(C) << 16) | (GetGValue(C) << 8) | GetBValue(C));
        }
    SelectObject(DC, Old);
    DeleteObject(Bitmap);
    DeleteDC(DC);
    ReleaseDC(nullptr, Screen);
    return Shot;
}

// How many pixels of a row's check box differ from the reference drawing.
int CheckBoxDifference(TCheckListBox* List, int32_t Row, UINT State)
{
    const TestSupport::TShot Shot = TestSupport::CaptureShown(List->GetHandle());
    const POINT Origin = TestSupport::ClientOrigin(List->GetHandle());
    const TRect Box = List->CheckRect(Row);
    const TestSupport::TShot Reference = ReferenceCheckBox(Box.right - Box.left, State);
    int Different = 0;
    for (int32_t Y = 0; Y < Reference.H; ++Y)
        for (int32_t X = 0; X < Reference.W; ++X)
            if (Shot.At(Origin.x + Box.left + X, Origin.y + Box.top + Y) != Reference.At(X, Y))
                ++Different;
    return Different;
}

void PressAt(TWinControl* Control, int32_t X, int32_t Y, bool Double = false)
{
    const LPARAM At = MAKELPARAM(X, Y);
    SendMessageA(Control->GetHandle(), Double ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Control->GetHandle(), WM_LBUTTONUP, 0, At);
}

int32_t RowOf(TCheckListBox* List, const std::string& Caption)
{
    for (int32_t I = 0; I < List->GetItems()->GetCount(); ++I)
        if (List->GetItems()->GetStrings(I) == Caption)
            return I;
    return -1;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Opening

TEST(CustomizeDialog, TheToolbarsPopupOpensOneOwnedDialogWithTheThreeRunTimePages)
{
    TCustomizeFixture F;
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TPopupsFixture::RightPressByMessage(Standard, POINT{2, 2});
    TcbBarToolbarsPopup* Popup = TcbBarToolbarsPopup::GetOpenPopup();
    ASSERT_NE(Popup, nullptr);
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Popup, "&Customize..."));
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return F.Dialog() != nullptr; }, 5000, "the dialog"));
    TcbBarCustomizingForm* Dialog = F.Dialog();
    EXPECT_TRUE(F.Manager->IsCustomizing());
    EXPECT_EQ(cbCallExtension(cbExtensions().GetCustomizingForm), Dialog);
    EXPECT_EQ(TCustomizeFixture::DialogWindowCount(), 1);
    const HWND W = Dialog->GetHandle();
    EXPECT_EQ(GetWindowLongA(W, GWL_STYLE) & ~WS_VISIBLE, 0x84C80000);
    EXPECT_EQ(GetWindowLongA(W, GWL_EXSTYLE) & 0x101, 0x101);
    EXPECT_EQ(GetWindow(W, GW_OWNER), F.Form->GetHandle());
    EXPECT_EQ(ClientSize(W).cx, 408);
    EXPECT_EQ(ClientSize(W).cy, 348);
    EXPECT_EQ(Dialog->GetCaption(), "Customize");
    EXPECT_EQ(TCustomizeFixture::Tabs(Dialog->PageControl), (Strings{" Toolbars ", " Commands ", " Options "}));
    EXPECT_EQ(F.ShownCount, 1);
    EXPECT_EQ(F.HiddenCount, 0);
    // Only the other manager's form is disabled: the customized form's bars take drops.
    EXPECT_FALSE(IsWindowEnabled(F.Second->GetHandle()));
    EXPECT_TRUE(IsWindowEnabled(F.Form->GetHandle()));

    F.Manager->SetIsCustomizing(true);
    CommandBarsTest::Settle();
    EXPECT_EQ(F.Dialog(), Dialog);
    EXPECT_EQ(TCustomizeFixture::DialogWindowCount(), 1);
    EXPECT_EQ(F.ShownCount, 1);
    // Another manager cannot customize while the dialog is open.
    F.SecondManager->SetIsCustomizing(true);
    EXPECT_FALSE(F.SecondManager->IsCustomizing());
    EXPECT_EQ(F.Dialog(), Dialog);
}

TEST(CustomizeDialog, TheDesignTimePagesShowWhileDesigning)
{
    TCustomizeFixture F(true);
    TcbBarCustomizingForm* Dialog = F.OpenDialog();
    ASSERT_NE(Dialog, nullptr);
    EXPECT_EQ(TCustomizeFixture::Tabs(Dialog->PageControl),
              (Strings{" Toolbars ", " Commands ", " Options ", " All commands ", "Groups"}));
    EXPECT_TRUE(Dialog->CategoriesPopupButton->GetVisible());
    EXPECT_TRUE(Dialog->CommandsPopupButton->GetVisible());
    for (int32_t Page = 0; Page < Dialog->PageControl->GetPageCount(); ++Page) {
        Dialog->PageControl->SetActivePageIndex(Page);
        CommandBarsTest::Settle();
        EXPECT_EQ(LayoutFaults(Dialog), Strings{}) << "design-time page " << Page;
        if (Page >= 3)
            TestSupport::SaveShot(TestSupport::CaptureFullPaint(Dialog->GetHandle()),
                                  Page == 3 ? "customize-all-commands" : "customize-groups");
    }
}

// ---------------------------------------------------------------------------------------------
// Toolbars page

TEST(CustomizeDialog, ToolbarRowsShowEachBarsVisibilityAndToggleIt)
{
    TCustomizeFixture F;
    TcbBar* Spare = F.Manager->GetBars()->Add();
    Spare->SetCaption("Spare");
    Spare->SetHidden(true);
    TcbBarCustomizingForm* Dialog = F.OpenDialog();
    ASSERT_NE(Dialog, nullptr);
    TCheckListBox* List = Dialog->BarsListBox;
    // A Hidden bar is no toolbar of the user's.
    EXPECT_EQ(TCustomizeFixture::Rows(List), (Strings{"Main Menu", "Standard", "Tools"}));
    EXPECT_EQ(List->GetBar(2), F.Tools);

    EXPECT_EQ(CheckBoxDifference(List, 0, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE), 0);
    EXPECT_EQ(CheckBoxDifference(List, 1, DFCS_BUTTONCHECK | DFCS_CHECKED), 0);
    EXPECT_EQ(CheckBoxDifference(List, 2, DFCS_BUTTONCHECK | DFCS_CHECKED), 0);

    const TRect Box = List->CheckRect(2);
    const int32_t X = (Box.left + Box.right) / 2, Y = (Box.top + Box.bottom) / 2;
    PressAt(List, X, Y);
    EXPECT_FALSE(F.Tools->GetVisible());
    CommandBarsTest::Settle();
    EXPECT_EQ(CheckBoxDifference(List, 2, DFCS_BUTTONCHECK), 0);
    PressAt(List, X, Y);
    EXPECT_TRUE(F.Tools->GetVisible());

    // A press on the caption toggles nothing; a double click there and Space do.
    const TRect Row = List->ItemRect(2);
    PressAt(List, Row.left + 60, Y);
    EXPECT_TRUE(F.Tools->GetVisible());
    PressAt(List, Row.left + 60, Y, true);
    EXPECT_FALSE(F.Tools->GetVisible());
    TCustomizeFixture::SelectRow(List, 2);
    SendMessageA(List->GetHandle(), WM_CHAR, ' ', 0);
    EXPECT_TRUE(F.Tools->GetVisible());

    // The main menu bar may not close.
    const TRect MenuBox = List->CheckRect(0);
    PressAt(List, (MenuBox.left + MenuBox.right) / 2, (MenuBox.top + MenuBox.bottom) / 2);
    SendMessageA(List->GetHandle(), WM_CHAR, ' ', 0);
    EXPECT_TRUE(F.MainMenu->GetVisible());
    CommandBarsTest::Settle();
    EXPECT_EQ(CheckBoxDifference(List, 0, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE), 0);

    // A bar hidden from code updates its row.
    F.Standard->SetVisible(false);
    CommandBarsTest::Settle();
    EXPECT_EQ(CheckBoxDifference(List, 1, DFCS_BUTTONCHECK), 0);
}

TEST(CustomizeDialog, NewToolbarsAreNamedPlacedBesideTheDialogAndSelected)
{
    TCustomizeFixture F;
    TcbBarCustomizingForm* Dialog = F.OpenDialog();
    ASSERT_NE(Dialog, nullptr);
    const RECT DialogRect = WindowRect(Dialog->GetHandle());
    {
        TNameDialogPlayer Player({{"Custom 1", true}}, "customize-name-dialog");
        Player.OnFirstShow = [](TcbBarNameEd* Editor) { EXPECT_EQ(LayoutFaults(Editor), Strings{}); };
        TCustomizeFixture::ClickButton(Dialog->BBarNew);
        ASSERT_EQ(Player.Seen().size(), 1u);
        const TNameDialogPlayer::TSeen& Seen = Player.Seen()[0];
        EXPECT_EQ(Seen.Caption, "Add Toolbar");
        EXPECT_EQ(Seen.Label, "&Toolbar name:");
        EXPECT_EQ(Seen.Initial, "Custom 1");
        EXPECT_EQ(Seen.Client.cx, 266);
        EXPECT_EQ(Seen.Client.cy, 87);
        EXPECT_FALSE(Seen.OkEnabledWhenEmpty);
        // Centred on the screen.
        const int32_t CentreX = (Seen.Window.left + Seen.Window.right) / 2;
        const int32_t CentreY = (Seen.Window.top + Seen.Window.bottom) / 2;
        EXPECT_LE(std::abs(CentreX - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
        EXPECT_LE(std::abs(CentreY - GetSystemMetrics(SM_CYSCREEN) / 2), 1);
    }
    TcbBar* Custom1 = F.Manager->BarByCaption("Custom 1");
    ASSERT_NE(Custom1, nullptr);
    EXPECT_TRUE(Custom1->GetVisible());
    EXPECT_EQ(Custom1->GetDockingStyle(), dsNone);
    ASSERT_NE(Custom1->GetBarControl(), nullptr);
    const RECT BarRect = WindowRect(Custom1->GetBarControl()->GetHandle());
    EXPECT_EQ(BarRect.left, DialogRect.left - 50);
    EXPECT_EQ(BarRect.top, DialogRect.top);
    TCheckListBox* List = Dialog->BarsListBox;
    EXPECT_EQ(TCustomizeFixture::Rows(List), (Strings{"Main Menu", "Standard", "Tools", "Custom 1"}));
    EXPECT_EQ(List->GetItemIndex(), 3);
    EXPECT_TRUE(Dialog->BBarRename->GetEnabled());
    EXPECT_TRUE(Dialog->BBarDelete->GetEnabled());
    EXPECT_FALSE(Dialog->BBarReset->GetEnabled());
    // Bars of the form's design keep their names and stay; they can be reset.
    TCustomizeFixture::SelectRow(List, 1);
    EXPECT_FALSE(Dialog->BBarRename->GetEnabled());
    EXPECT_FALSE(Dialog->BBarDelete->GetEnabled());
    EXPECT_TRUE(Dialog->BBarReset->GetEnabled());

    // Against the work area's left edge the next bar goes to the dialog's right.
    RECT Work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &Work, 0);
    SetWindowPos(Dialog->GetHandle(), nullptr, Work.left, DialogRect.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT Moved = WindowRect(Dialog->GetHandle());
    {
        TNameDialogPlayer Player({{"Custom 2", true}});
        TCustomizeFixture::ClickButton(Dialog->BBarNew);
        ASSERT_EQ(Player.Seen().size(), 1u);
        EXPECT_EQ(Player.Seen()[0].Initial, "Custom 2");
    }
    TcbBar* Custom2 = F.Manager->BarByCaption("Custom 2");
    ASSERT_NE(Custom2, nullptr);
    ASSERT_NE(Custom2->GetBarControl(), nullptr);
    EXPECT_EQ(WindowRect(Custom2->GetBarControl()->GetHandle()).left, Moved.right + 10);

    // Cancel adds nothing.
    {
        TNameDialogPlayer Player({{"Custom 3", false}});
        TCustomizeFixture::ClickButton(Dialog->BBarNew);
        EXPECT_TRUE(Player.Done());
    }
    EXPECT_EQ(F.Manager->BarByCaption("Custom 3"), nullptr);
    EXPECT_EQ(List->GetItems()->GetCount(), 5);
    for (TcbBar* Bar : {Custom1, Custom2})
        Bar->SetVisible(false);
}

TEST(CustomizeDialog, RenameRefusesAnotherBarsNameAndDeleteAsksFirst)
{
    TCustomizeFixture F;
    TcbBarCustomizingForm* Dialog = F.OpenDialog();
    ASSERT_NE(Dialog, nullptr);
    TCheckListBox* List = Dialog->BarsListBox;
    for (const char* Name : {"Custom 1", "Custom 2"}) {
        TNameDialogPlayer Player({{Name, true}});
        TCustomizeFixture::ClickButton(Dialog->BBarNew);
    }
    TcbBar* Custom1 = F.Manager->BarByCaption("Custom 1");
    TcbBar* Custom2 = F.Manager->BarByCaption("Custom 2");
    ASSERT_TRUE(Custom1 && Custom2);
    TCustomizeFixture::SelectRow(List, RowOf(List, "Custom 2"));
    {
        // Another bar's name is refused and the dialog stays; the comparison minds the case.
        TDialogAnswerer Refusal("already exists", IDOK);
        TNameDialogPlayer Player({{"Custom 1", true}, {"custom 1", true}});
        TCustomizeFixture::ClickButton(Dialog->BBarRename);
        EXPECT_EQ(Refusal.AnsweredCount(), 1);
        EXPECT_EQ(Refusal.Text(), "A toolbar named 'Custom 1' already exists. Type another name.");
        EXPECT_EQ(Refusal.Caption(), Application->GetTitle());
        ASSERT_EQ(Player.Seen().size(), 2u);
        EXPECT_EQ(Player.Seen()[0].Caption, "Rename Toolbar");
        EXPECT_EQ(Player.Seen()[0].Initial, "Custom 2");
        EXPECT_EQ(Player.Seen()[1].Caption, "Rename Toolbar");
        EXPECT_FALSE(Player.Seen()[1].OkEnabledWhenEmpty);
    }
    EXPECT_EQ(Custom2->GetCaption(), "custom 1");
    EXPECT_EQ(List->GetItems()->GetStrings(RowOf(List, "custom 1")), "custom 1");
    {
        // A bar keeps its own name.
        TDialogAnswerer Refusal("already exists", IDOK);
        TNameDialogPlayer Player({{"custom 1", true}});
        TCustomizeFixture::ClickButton(Dialog->BBarRename);
        EXPECT_TRUE(Player.Done());
        EXPECT_EQ(Refusal.AnsweredCount(), 0);
    }

    // Delete asks; Cancel keeps bar and row.
    const int32_t Row = RowOf(List, "custom 1");
    ASSERT_EQ(Row, 4);
    TCustomizeFixture::SelectRow(List, Row);
    {
        TDialogAnswerer Cancel("toolbar?", IDCANCEL);
        TCustomizeFixture::ClickButton(Dialog->BBarDelete);
        EXPECT_EQ(Cancel.AnsweredCount(), 1);
        EXPECT_EQ(Cancel.Text(), "Are you sure you want to delete the 'custom 1' toolbar?");
    }
    EXPECT_EQ(F.Manager->BarByCaption("custom 1"), Custom2);
    EXPECT_EQ(List->GetItems()->GetCount(), 5);
    {
        TDialogAnswerer Ok("toolbar?", IDOK);
        TCustomizeFixture::ClickButton(Dialog->BBarDelete);
        EXPECT_EQ(Ok.AnsweredCount(), 1);
    }
    EXPECT_EQ(F.Manager->BarByCaption("custom 1"), nullptr);
    EXPECT_EQ(TCustomizeFixture::Rows(List), (Strings{"Main Menu", "Standard", "Tools", "Custom 1"}));
    // The last row went: the one before it is selected, and every row keeps its own bar.
    EXPECT_EQ(List->GetItemIndex(), 3);
    for (int32_t I = 0; I < List->GetItems()->GetCount(); ++I)
        EXPECT_EQ(List->GetBar(I)->GetCaption(), List->GetItems()->GetStrings(I));

    // A bar freed from code takes its row along, once.
    TCustomizeFixture::SelectRow(List, 2);
    F.Manager->GetBars()->Delete(Custom1->GetIndex());
    EXPECT_EQ(TCustomizeFixture::Rows(List), (Strings{"Main Menu", "Standard", "Tools"}));
    EXPECT_EQ(List->GetBar(2), F.Tools);
    Dialog->RemoveBarRow(Custom1);
    EXPECT_EQ(List->GetItems()->GetCount(), 3);
}

TEST(CustomizeDialog, ResetAsksAndBringsBackTheDesignsLinks)
{
    TCustomizeFixture F;
    TcbBarCustomizingForm* Dialog = F.OpenDialog();
    ASSERT_NE(Dialog, nullptr);
    TcbBarItemLinks* Links = F.Standard->GetItemLinks();
    TPopupsFixture::LinkOf(F.Standard, F.Save)->Release();
    ASSERT_EQ(TPopupsFixture::LinkOf(F.Standard, F.Save), nullptr);
    TCustomizeFixture::SelectRow(Dialog->BarsListBox, 1);
    {
        TDialogAnswerer Ok("reset the changes", IDOK);
        TCustomizeFixture::ClickButton(Dialog->BBarReset);
        EXPECT_EQ(Ok.AnsweredCount(), 1);
        EXPECT_EQ(Ok.Text(), "Are you sure you want to reset the changes made to the 'Standard' toolbar?");
    }
    EXPECT_NE(TPopupsFixture::LinkOf(F.Standard, F.Save), nullptr);
    EXPECT_EQ(Links->GetCount(), 5);
}

// ---------------------------------------------------------------------------------------------
// Commands page

TEST(CustomizeDialog, CommandsAreListedByVisibleCategoryWithTheirDescriptions)
{
    TCustomizeFixture F;
    F.Manager->GetCategories()->Add("Secret");
    F.Manager->SetCategoryVisible(2, false);
    TcbBarCustomizingForm* Dialog = F.OpenDialog();
    ASSERT_NE(Dialog, nullptr);
    Dialog->PageControl->SetActivePage(Dialog->TabSheet2);
    CommandBarsTest::Settle();
    EXPECT_EQ(TCustomizeFixture::Rows(Dialog->LCategories), (Strings{"File", "Edit"}));
    TCustomizeFixture::SelectRow(Dialog->LCategories, 1);
    Strings Edit = TCustomizeFixture::Rows(Dialog->LCommands);
    std::sort(Edit.begin(), Edit.end());
    EXPECT_EQ(Edit, (Strings{"Find", "Tool &A", "Tool &B", "Zoom"}));
    TCustomizeFixture::SelectRow(Dialog->LCategories, 0);
    EXPECT_EQ(TCustomizeFixture::Rows(Dialog->LCommands), (Strings{"&New", "&Open", "&Save", "&File"}));
    EXPECT_EQ(SendMessageA(Dialog->LCommands->GetHandle(), LB_GETITEMHEIGHT, 0, 0), 22);
    EXPECT_EQ(Dialog->LCommands->GetCommand(1), F.Open);
    TCustomizeFixture::SelectRow(Dialog->LCommands, 1);
    EXPECT_EQ(Dialog->DescriptionLabel->GetCaption(), "Opens a picture from a file");
    TCustomizeFixture::SelectRow(Dialog->LCommands, 0);
    EXPECT_EQ(Dialog->DescriptionLabel->GetCaption(), "");
    TCustomizeFixture::SelectRow(Dialog->LCommands, 1);

    // The list paints its rows with the form painter of the manager's style and fills the rest
    // below them with that painter's background.
    const TestSupport::TShot Shot = TestSupport::CaptureShown(Dialog->LCommands->GetHandle());
    const POINT Origin = TestSupport::ClientOrigin(Dialog->LCommands->GetHandle());
    const COLORREF Below = ColorToRGB(CustomizingFormPainterClass(F.Manager)->GetCommandBkColor(false, F.File));
    TestSupport::ExpectPixel(Shot, Origin.x + 100, Origin.y + 4 * 22 + 10, Below, "below the last row");
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(Dialog->GetHandle()), "customize-commands");

    // An item freed while it is listed leaves the list at once, keeping the position.
    F.Save->Free();
    F.Save = nullptr;
    EXPECT_EQ(TCustomizeFixture::Rows(Dialog->LCommands), (Strings{"&New", "&Open", "&File"}));
    EXPECT_EQ(Dialog->LCommands->GetItemIndex(), 1);
    // Selecting an item from the bars selects its category and row.
    Dialog->SelectItem(F.ToolB, false);
    EXPECT_EQ(Dialog->LCategories->GetItemIndex(), 1);
    EXPECT_EQ(Dialog->LCommands->GetCommand(Dialog->LCommands->GetItemIndex()), F.ToolB);
}

// ---------------------------------------------------------------------------------------------
// Options page

TEST(CustomizeDialog, TheOptionsWriteTheManagerAtOnceAndFollowIt)
{
    TCustomizeFixture F;
    TcbBarCustomizingForm* Dialog = F.OpenDialog();
    ASSERT_NE(Dialog, nullptr);
    Dialog->PageControl->SetActivePage(Dialog->TabSheet3);
    CommandBarsTest::Settle();
    EXPECT_TRUE(IsWindowVisible(Dialog->EnhancedOptionsPanel->GetHandle()));
    EXPECT_FALSE(Dialog->StandardOptionsPanel->GetVisible());
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(Dialog->GetHandle()), "customize-options");

    ASSERT_FALSE(F.Manager->GetLargeIcons());
    TCustomizeFixture::ClickButton(Dialog->CBLargeIconsEx);
    EXPECT_TRUE(F.Manager->GetLargeIcons());
    TCustomizeFixture::SelectEntry(Dialog->ComboBoxMenuAnimationsEx, 3);
    EXPECT_EQ(F.Manager->GetMenuAnimations(), maSlide);
    const bool Hint = F.Manager->GetShowHint();
    TCustomizeFixture::ClickButton(Dialog->CBHint1Ex);
    EXPECT_EQ(F.Manager->GetShowHint(), !Hint);
    const bool ShortCut = F.Manager->GetShowShortCutInHint();
    TCustomizeFixture::ClickButton(Dialog->CBHint2Ex);
    EXPECT_EQ(F.Manager->GetShowShortCutInHint(), !ShortCut);
    const bool Recent = F.Manager->GetMenusShowRecentItemsFirst();
    TCustomizeFixture::ClickButton(Dialog->CBMenusShowRecentItemsFirst);
    EXPECT_EQ(F.Manager->GetMenusShowRecentItemsFirst(), !Recent);
    const bool Full = F.Manager->GetShowFullMenusAfterDelay();
    TCustomizeFixture::ClickButton(Dialog->CBShowFullMenusAfterDelay);
    EXPECT_EQ(F.Manager->GetShowFullMenusAfterDelay(), !Full);

    {
        TDialogAnswerer No("record of the commands", IDNO);
        TCustomizeFixture::ClickButton(Dialog->BResetUsageData);
        EXPECT_EQ(No.AnsweredCount(), 1);
        EXPECT_EQ(No.Text(), uiGetResourceString(cbsResetUsageDataQuery));
        EXPECT_EQ(No.DefaultButton(), IDNO);
    }

    // A change from code shows in the boxes.
    F.Manager->SetShowHint(true);
    EXPECT_TRUE(Dialog->CBHint1Ex->GetChecked());
    EXPECT_EQ(SendMessageA(Dialog->CBHint1Ex->GetHandle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    F.Manager->SetShowHint(false);
    EXPECT_EQ(SendMessageA(Dialog->CBHint1Ex->GetHandle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(F.Manager->GetShowHint(), false) << "the box's update wrote nothing back";

    // The standard style has the standard panel, also after a change while open.
    F.Manager->SetStyle(bmsStandard);
    CommandBarsTest::Settle();
    EXPECT_TRUE(IsWindowVisible(Dialog->StandardOptionsPanel->GetHandle()));
    EXPECT_FALSE(Dialog->EnhancedOptionsPanel->GetVisible());
    EXPECT_EQ(Dialog->BarManager1->GetStyle(), bmsStandard);
    EXPECT_TRUE(Dialog->CBLargeIcons->GetChecked());
    EXPECT_EQ(Dialog->ComboBoxMenuAnimations->GetItemIndex(), 3);
    TCustomizeFixture::ClickButton(Dialog->CBLargeIcons);
    EXPECT_FALSE(F.Manager->GetLargeIcons());
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(Dialog->GetHandle()), "customize-options-standard");
    EXPECT_EQ(LayoutFaults(Dialog), Strings{});
}

// ---------------------------------------------------------------------------------------------
// Closing

TEST(CustomizeDialog, EachWayOfClosingLeavesCustomizingAndFreesTheDialogOnce)
{
    TCustomizeFixture F;
    enum TWay { wClose, wCloseBox, wCode };
    for (TWay Way : {wClose, wCloseBox, wCode}) {
        SCOPED_TRACE(static_cast<int>(Way));
        F.ShownCount = F.HiddenCount = 0;
        TcbBarCustomizingForm* Dialog = F.OpenDialog();
        ASSERT_NE(Dialog, nullptr);
        TFreeCounter Frees(Dialog);
        const HWND W = Dialog->GetHandle();
        switch (Way) {
        case wClose: TCustomizeFixture::ClickButton(Dialog->BClose); break;
        case wCloseBox: SendMessageA(W, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        case wCode: F.Manager->SetIsCustomizing(false); break;
        }
        // Freed after the handler returned, never inside it.
        EXPECT_EQ(Frees.Count, 0);
        EXPECT_FALSE(F.Manager->IsCustomizing());
        EXPECT_EQ(F.Dialog(), nullptr);
        EXPECT_TRUE(IsWindowEnabled(F.Second->GetHandle()));
        EXPECT_EQ(F.HiddenCount, 1);
        EXPECT_TRUE(TestSupport::PumpUntil([&] { return !IsWindow(W); }, 5000, "the window gone"));
        CommandBarsTest::Settle();
        EXPECT_EQ(Frees.Count, 1);
        EXPECT_EQ(F.HiddenCount, 1);
    }
}

TEST(CustomizeDialog, APopupMenuCommandClosesTheDialogAfterItReturned)
{
    TCustomizeFixture F;
    TcbBarCustomizingForm* Dialog = F.OpenDialog();
    ASSERT_NE(Dialog, nullptr);
    TFreeCounter Frees(Dialog);
    // A menu of the other manager: its entries run commands while this one customizes.
    TComponentPtr<TcbBarPopupMenu> Menu(new TcbBarPopupMenu(F.Second.get()));
    auto* Entry = new TcbBarButton(F.Second.get());
    Entry->SetCaption("Stop customizing");
    Menu->GetItemLinks()->Add()->SetItem(Entry);
    int FreesInside = -1;
    Entry->OnClick = [&](TObject*) {
        F.Manager->SetIsCustomizing(false);
        FreesInside = Frees.Count;
    };
    // The entry is clicked from inside the menu's loop.
    const UINT_PTR Timer = ThreadTimerStart(50, [&](UINT_PTR) {
        TCustomcbBarControl* Window = Menu->GetItemLinks()->GetBarControl();
        if (!Window || !IsWindowVisible(Window->GetHandle()))
            return;
        if (TcbBarItemControl* Control = TPopupsFixture::ControlOf(Window, Entry))
            TPopupsFixture::ClickByMessage(Control);
    });
    TScopeExit Stop([Timer] { ThreadTimerStop(Timer); });
    const HWND W = Dialog->GetHandle();
    Menu->Popup(300, 300);
    EXPECT_EQ(FreesInside, 0);
    EXPECT_FALSE(F.Manager->IsCustomizing());
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return !IsWindow(W); }, 5000, "the window gone"));
    EXPECT_EQ(Frees.Count, 1);
    EXPECT_EQ(F.HiddenCount, 1);
    Entry->Free();
}

TEST(CustomizeDialog, TheDialogFollowsItsFormsHideAndShow)
{
    TCustomizeFixture F;
    TcbBarCustomizingForm* Dialog = F.OpenDialog();
    ASSERT_NE(Dialog, nullptr);
    const HWND W = Dialog->GetHandle();
    EXPECT_TRUE(IsWindowVisible(W));
    F.Form->Hide();
    CommandBarsTest::WaitVisible(W, false, "the dialog hidden with its form");
    EXPECT_FALSE(IsWindowVisible(W));
    F.Form->Show();
    CommandBarsTest::WaitVisible(W, true, "the dialog shown with its form");
    EXPECT_TRUE(IsWindowVisible(W));
    EXPECT_EQ(F.Dialog(), Dialog);
}

TEST(CustomizeDialog, TheManagerGoingClosesItsDialog)
{
    TCustomizeFixture F;
    TcbBarCustomizingForm* Dialog = F.OpenDialog();
    ASSERT_NE(Dialog, nullptr);
    const HWND W = Dialog->GetHandle();
    TFreeCounter Frees(Dialog);
    F.Manager->Free();
    F.Manager = nullptr;
    EXPECT_EQ(GetCustomizingForm(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(F.Second->GetHandle()));
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return !IsWindow(W); }, 5000, "the window gone"));
    EXPECT_EQ(Frees.Count, 1);
}

// ---------------------------------------------------------------------------------------------
// Pictures and layout

TEST(CustomizeDialog, TheRunTimePagesAreLaidOutWithoutOverlaps)
{
    TCustomizeFixture F;
    TcbBarCustomizingForm* Dialog = F.OpenDialog();
    ASSERT_NE(Dialog, nullptr);
    const char* Names[3] = {"customize-toolbars", "customize-commands-page", "customize-options-page"};
    for (int32_t Page = 0; Page < 3; ++Page) {
        Dialog->PageControl->SetActivePageIndex(Page);
        CommandBarsTest::Settle();
        EXPECT_EQ(LayoutFaults(Dialog), Strings{}) << "page " << Page;
        TestSupport::SaveShot(TestSupport::CaptureFullPaint(Dialog->GetHandle()), Names[Page]);
    }
}
