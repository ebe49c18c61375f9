// The searches of link lists: a shortcut runs the first enabled item that has it (after the
// actions' updates, also in sub-menus and drop-down menus), and an accelerator finds the next
// link of a menu whose caption marks the key. Also the popup-menu component's manager.
#include <gtest/gtest.h>

#include <string>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/foundation/cbStrings.h"
#include "platform/win/Actions.h"
#include "tests/commandbars/ModelSupport.h"

using CommandBarsTest::TManagerForm;

namespace {

TcbBarButton* NewButton(TManagerForm& F, const std::string& Caption, TShortCut Key, int& Clicks)
{
    auto* Button = new TcbBarButton(F.Form.get());
    Button->SetCaption(Caption);
    Button->SetShortCut(Key);
    Button->SetOnClick([&Clicks](TObject*) { ++Clicks; });
    return Button;
}

TcbBarItemLink* AddTo(TcbBarItemLinks* Links, TcbBarItem* Item)
{
    TcbBarItemLink* Link = Links->Add();
    Link->SetItem(Item);
    return Link;
}

const TShortCut CtrlN = ShortCut('N', TShiftState{ssCtrl});

} // namespace

TEST(BarShortCuts, TheFirstEnabledItemWithTheShortCutRunsOnce)
{
    TManagerForm F;
    TcbBar* Bar = F.AddBar("Standard");
    int Disabled = 0, Second = 0, Third = 0;
    TcbBarButton* Off = NewButton(F, "Off", CtrlN, Disabled);
    Off->SetEnabled(false);
    TManagerForm::AddLink(Bar, Off);
    TManagerForm::AddLink(Bar, NewButton(F, "Second", CtrlN, Second));
    TManagerForm::AddLink(Bar, NewButton(F, "Third", CtrlN, Third));
    TcbBarItemLinks* Links = Bar->GetItemLinks();
    EXPECT_FALSE(Links->IsShortCut(0));
    EXPECT_TRUE(Links->IsShortCut(CtrlN));
    EXPECT_EQ(Disabled, 0);
    EXPECT_EQ(Second, 1);
    EXPECT_EQ(Third, 0);
    EXPECT_FALSE(Links->IsShortCut(ShortCut('M', TShiftState{ssCtrl})));
    EXPECT_EQ(Second, 1);
}

TEST(BarShortCuts, AnActionsUpdateRunsFirstAndMenusAreSearched)
{
    TManagerForm F;
    TcbBar* Bar = F.AddBar("Menu");
    auto* Action = new TAction(F.Form.get());
    Action->SetShortCut(CtrlN);
    int Executed = 0, Updates = 0;
    Action->SetOnExecute([&](TObject*) { ++Executed; });
    Action->OnUpdate = [&](TObject*) {
        ++Updates;
        Action->SetEnabled(false);
    };
    auto* ByAction = new TcbBarButton(F.Form.get());
    ByAction->SetAction(Action);
    TManagerForm::AddLink(Bar, ByAction);
    EXPECT_FALSE(Bar->GetItemLinks()->IsShortCut(CtrlN));
    EXPECT_EQ(Updates, 1);
    EXPECT_EQ(Executed, 0);
    EXPECT_FALSE(ByAction->GetEnabled());

    // A sub-item's own link.
    auto* File = new TcbBarSubItem(F.Form.get());
    TManagerForm::AddLink(Bar, File);
    int InMenu = 0;
    AddTo(File->GetItemLinks(), NewButton(F, "New", CtrlN, InMenu));
    EXPECT_TRUE(Bar->GetItemLinks()->IsShortCut(CtrlN));
    EXPECT_EQ(InMenu, 1);

    // A drop-down button's menu; a drop-down button is not clicked for its own shortcut.
    const TShortCut CtrlD = ShortCut('D', TShiftState{ssCtrl});
    int Own = 0, Dropped = 0;
    TcbBarButton* Drop = NewButton(F, "Drop", CtrlD, Own);
    Drop->SetButtonStyle(bsDropDown);
    auto* Menu = new TcbBarPopupMenu(F.Form.get());
    Drop->SetDropDownMenu(Menu);
    AddTo(Menu->GetItemLinks(), NewButton(F, "Inside", CtrlD, Dropped));
    TManagerForm::AddLink(Bar, Drop);
    EXPECT_TRUE(Bar->GetItemLinks()->IsShortCut(CtrlD));
    EXPECT_EQ(Dropped, 1);
    EXPECT_EQ(Own, 0);
    EXPECT_TRUE(Menu->IsShortCut(CtrlD));
    EXPECT_EQ(Dropped, 2);
}

TEST(BarAccelerators, TheMarkedCharacterAndItsShiftState)
{
    TManagerForm F;
    auto* Sub = new TcbBarSubItem(F.Form.get());
    auto Link = [&](const std::string& Caption) {
        auto* Button = new TcbBarButton(F.Form.get());
        Button->SetCaption(Caption);
        return AddTo(Sub->GetItemLinks(), Button);
    };
    TcbBarItemLink* File = Link("&File");
    EXPECT_TRUE(File->IsAccel('F', {}));
    EXPECT_TRUE(File->IsAccel('F', TShiftState{ssShift}));
    EXPECT_TRUE(File->IsAccel('F', TShiftState{ssAlt}));
    EXPECT_FALSE(File->IsAccel('I', {}));
    EXPECT_FALSE(File->IsAccel('F', TShiftState{ssCtrl}));
    TcbBarItemLink* Lower = Link("&file");
    EXPECT_TRUE(Lower->IsAccel('F', {}));
    EXPECT_FALSE(Lower->IsAccel('F', TShiftState{ssShift}));
    TcbBarItemLink* Digit = Link("&1 Recent");
    EXPECT_TRUE(Digit->IsAccel('1', {}));
    EXPECT_FALSE(Digit->IsAccel('1', TShiftState{ssShift}));
    EXPECT_FALSE(Link("A&&B")->IsAccel('B', {}));
    // The last single "&" counts.
    EXPECT_TRUE(Link("R&&D &Tools")->IsAccel('T', {}));
    EXPECT_FALSE(Link("No accelerator")->IsAccel('N', {}));
}

TEST(BarAccelerators, FindByAccelCyclesThroughTheMenu)
{
    TManagerForm F;
    auto* Sub = new TcbBarSubItem(F.Form.get());
    auto* Open = new TcbBarButton(F.Form.get());
    Open->SetCaption("&Open");
    auto* Save = new TcbBarButton(F.Form.get());
    Save->SetCaption("&Save");
    auto* Options = new TcbBarButton(F.Form.get());
    Options->SetCaption("&Options");
    TcbBarItemLinks* Links = Sub->GetItemLinks();
    TcbBarItemLink* OpenLink = AddTo(Links, Open);
    AddTo(Links, Save);
    TcbBarItemLink* OptionsLink = AddTo(Links, Options);
    EXPECT_EQ(Links->FindByAccel('O', {}, nullptr), OpenLink);
    EXPECT_EQ(Links->FindByAccel('O', TShiftState{ssAlt}, OpenLink), OptionsLink);
    EXPECT_EQ(Links->FindByAccel('O', {}, OptionsLink), OpenLink);
    EXPECT_EQ(Links->FindByAccel('X', {}, nullptr), nullptr);
    Open->SetEnabled(false);
    EXPECT_EQ(Links->FindByAccel('O', {}, nullptr), OptionsLink);
    EXPECT_EQ(Links->FindByAccel('O', {}, OptionsLink), OptionsLink);
    // A toolbar without a visible window finds nothing.
    TcbBar* Bar = F.AddBar("Standard");
    TManagerForm::AddLink(Bar, Save);
    EXPECT_EQ(Bar->GetItemLinks()->FindByAccel('S', {}, nullptr), nullptr);
}

TEST(BarPopupMenus, AMenuNeedsAManagerAndJoinsItsList)
{
    {
        TComponentPtr<TForm> Lonely(new TForm(nullptr));
        try {
            new TcbBarPopupMenu(Lonely.get());
            FAIL() << "no exception";
        } catch (const Exception& E) {
            EXPECT_EQ(std::string(E.what()), uiGetResourceString(cbsNoBarManagers));
        }
        EXPECT_EQ(Lonely->GetComponentCount(), 0);
    }
    TManagerForm First;
    TManagerForm Second;
    TComponentPtr<TForm> Plain(new TForm(nullptr));
    auto* Own = new TcbBarPopupMenu(Second.Form.get());
    EXPECT_EQ(Own->GetBarManager(), Second.Manager);
    EXPECT_FALSE(Own->GetItemLinks()->GetUseRecentItems());
    EXPECT_EQ(Second.Manager->GetPopupMenuCount(), 1);
    auto* Elsewhere = new TcbBarPopupMenu(Plain.get());
    EXPECT_EQ(Elsewhere->GetBarManager(), First.Manager);
    EXPECT_EQ(First.Manager->GetPopupMenuCount(), 1);
    // Moving to another manager; nil is refused while the menu lives.
    Elsewhere->SetBarManager(Second.Manager);
    EXPECT_EQ(First.Manager->GetPopupMenuCount(), 0);
    EXPECT_EQ(Second.Manager->GetPopupMenuCount(), 2);
    EXPECT_EQ(Elsewhere->GetItemLinks()->GetBarManager(), Second.Manager);
    Elsewhere->SetBarManager(nullptr);
    EXPECT_EQ(Elsewhere->GetBarManager(), Second.Manager);
    Elsewhere->Free();
    EXPECT_EQ(Second.Manager->GetPopupMenuCount(), 1);
    // The menu's own font switches UseOwnFont on.
    EXPECT_FALSE(Own->GetUseOwnFont());
    Own->GetFont()->SetSize(20);
    EXPECT_TRUE(Own->GetUseOwnFont());
    EXPECT_NE(Own->GetFontHandle(), nullptr);
    Own->SetUseOwnFont(false);
    EXPECT_EQ(Own->GetFontHandle(), nullptr);
    EXPECT_EQ(Own->GetFont()->GetSize(), Second.Manager->GetFont()->GetSize());
    Own->SetBarSize(-4);
    EXPECT_EQ(Own->GetBarSize(), 0);
}

TEST(BarAccelerators, AButtonOnAToolbarHasOneOnlyWithItsCaptionShown)
{
    TManagerForm F;
    TcbBar* Bar = F.AddBar("Standard");
    auto* Sub = new TcbBarSubItem(F.Form.get());
    auto* Open = new TcbBarButton(F.Form.get());
    Open->SetCaption("&Open");
    TcbBarItemLink* OnBar = TManagerForm::AddLink(Bar, Open);
    TcbBarItemLink* InMenu = AddTo(Sub->GetItemLinks(), Open);
    EXPECT_FALSE(Open->HasAccel(OnBar));
    EXPECT_TRUE(Open->HasAccel(InMenu));
    OnBar->SetUserPaintStyle(psCaptionGlyph);
    EXPECT_TRUE(Open->HasAccel(OnBar));
    Open->SetEnabled(false);
    EXPECT_FALSE(Open->HasAccel(InMenu));

    auto* Edit = new TcbBarEdit(F.Form.get());
    TcbBarItemLink* EditOnBar = TManagerForm::AddLink(Bar, Edit);
    EXPECT_FALSE(Edit->HasAccel(EditOnBar));
    EXPECT_TRUE(Edit->HasAccel(AddTo(Sub->GetItemLinks(), Edit)));
    Edit->SetShowCaption(true);
    EXPECT_TRUE(Edit->HasAccel(EditOnBar));
}
