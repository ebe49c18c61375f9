// The popups of the bars driven by messages: the toolbars popup of a dock site and of a toolbar,
// the customizing popup at run time and at design time with its commands, renaming and the
// refusal of a blank name, the topmost chain, and the pictures of both popups.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbBarPopups.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Application.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/StdCtrls.h"
#include "tests/commandbars/support/PopupsFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using namespace CommandBarsTest;
using Captions = std::vector<std::string>;

namespace {

// A point of the top dock site where no toolbar lies.
POINT EmptyPointOfTopSite(TPopupsFixture& F)
{
    TcbDockControl* Top = F.Manager->GetBars()->GetDockControl(dsTop);
    TcbBarControl* Tools = F.WindowOf(F.Tools);
    return POINT{Top->GetWidth() - 3, Tools->GetTop() + Tools->GetHeight() / 2};
}

TcbBarButton* EntryItem(TCustomcbBarControl* Popup, const std::string& Caption)
{
    TcbBarItemControl* Control = TPopupsFixture::ControlByCaption(Popup, Caption);
    return Control ? dynamic_cast<TcbBarButton*>(Control->GetItem()) : nullptr;
}

TcbBarCustomizingPopup* OpenCustomizingPopupOn(TPopupsFixture& F, TcbBar* Bar, TcbBarItem* Item)
{
    // An open popup holds the mouse of the other bar windows until the mouse hook closes it.
    F.CloseAll();
    TcbBarControl* Window = F.WindowOf(Bar);
    TcbBarItemControl* Control = TPopupsFixture::ControlOf(Window, Item);
    if (!Control)
        return nullptr;
    TPopupsFixture::RightPressByMessage(Window, TPopupsFixture::CenterOf(Control));
    return TcbBarCustomizingPopup::GetOpenPopup();
}

} // namespace

TEST(ToolbarsPopup, ADockSiteListsTheToolbarsByVisibilityAndAClickTogglesOne)
{
    TPopupsFixture F;
    int Shown = 0;
    TcbBarItemLinks* Reported = nullptr;
    F.Manager->OnShowToolbarsPopup = [&](TObject*, TcbBarItemLinks* Links) {
        ++Shown;
        Reported = Links;
    };
    TcbDockControl* Top = F.Manager->GetBars()->GetDockControl(dsTop);
    TPopupsFixture::RightPressByMessage(Top, EmptyPointOfTopSite(F));
    TcbBarToolbarsPopup* Popup = TcbBarToolbarsPopup::GetOpenPopup();
    ASSERT_NE(Popup, nullptr);
    EXPECT_EQ(Shown, 1);
    EXPECT_EQ(Reported, Popup->GetPopupLinks());
    EXPECT_EQ(TPopupsFixture::Captions(Popup), (Captions{"Standard", "Tools", "|&Customize..."}));
    EXPECT_TRUE(EntryItem(Popup, "Standard")->GetDown());
    EXPECT_TRUE(EntryItem(Popup, "Tools")->GetDown());
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(Popup->GetHandle()), "popups-toolbars");

    // The command runs once the popup is gone.
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Popup, "Tools"));
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return !F.Tools->GetVisible(); }, 5000, "Tools hidden"));
    EXPECT_EQ(TcbBarToolbarsPopup::GetOpenPopup(), nullptr);
    EXPECT_TRUE(F.Standard->GetVisible());

    // Shown again, "Tools" is listed unticked and a Hidden bar is not listed at all.
    F.Standard->SetHidden(true);
    TPopupsFixture::RightPressByMessage(Top, POINT{Top->GetWidth() - 3, 3});
    Popup = TcbBarToolbarsPopup::GetOpenPopup();
    ASSERT_NE(Popup, nullptr);
    EXPECT_EQ(TPopupsFixture::Captions(Popup), (Captions{"Tools", "|&Customize..."}));
    EXPECT_FALSE(EntryItem(Popup, "Tools")->GetDown());
    EXPECT_TRUE(EntryItem(Popup, "Tools")->GetEnabled()) << "a hidden bar can always be shown";
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Popup, "Tools"));
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return F.Tools->GetVisible(); }, 5000, "Tools shown"));
    EXPECT_EQ(Shown, 2);
}

TEST(ToolbarsPopup, ARightClickOnAToolbarOutsideCustomizingOpensItTooAndCustomizeEntersCustomizing)
{
    TPopupsFixture F;
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TPopupsFixture::RightPressByMessage(Standard, TPopupsFixture::CenterOf(TPopupsFixture::ControlOf(Standard, F.Open)));
    TcbBarToolbarsPopup* Popup = TcbBarToolbarsPopup::GetOpenPopup();
    ASSERT_NE(Popup, nullptr);
    EXPECT_EQ(TPopupsFixture::Captions(Popup), (Captions{"Standard", "Tools", "|&Customize..."}));
    EXPECT_EQ(TcbBarCustomizingPopup::GetOpenPopup(), nullptr);
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Popup, "&Customize..."));
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return F.Manager->IsCustomizing(); }, 5000, "customizing"));
    F.Manager->SetIsCustomizing(false);

    // Without CanCustomize the entry is left out.
    F.Manager->SetCanCustomize(false);
    TPopupsFixture::RightPressByMessage(Standard, POINT{2, 2});
    Popup = TcbBarToolbarsPopup::GetOpenPopup();
    ASSERT_NE(Popup, nullptr);
    EXPECT_EQ(TPopupsFixture::Captions(Popup), (Captions{"Standard", "Tools"}));
}

TEST(ToolbarsPopup, AManagerWithOnlyTheMainMenuBarShowsNoPopupAndMakesNoWindow)
{
    TPopupsFixture F;
    int Shown = 0;
    F.Manager->OnShowToolbarsPopup = [&](TObject*, TcbBarItemLinks*) { ++Shown; };
    F.Standard->SetHidden(true);
    F.Tools->SetHidden(true);
    PumpPosted("the messages of the hiding handled");
    const int Windows = TPopupsFixture::VisibleWindowCount();
    const int32_t Components = F.Form->GetComponentCount();
    TcbDockControl* Top = F.Manager->GetBars()->GetDockControl(dsTop);
    TPopupsFixture::RightPressByMessage(Top, POINT{Top->GetWidth() - 3, Top->GetHeight() - 2});
    EXPECT_EQ(TcbBarToolbarsPopup::GetOpenPopup(), nullptr);
    EXPECT_EQ(TPopupsFixture::VisibleWindowCount(), Windows);
    EXPECT_EQ(Shown, 0);
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return F.Form->GetComponentCount() == Components; }, 5000,
                                       "the unused entries freed"));
}

TEST(CustomizingPopup, AtRunTimeItHoldsEightEntriesWithTheLinksState)
{
    TPopupsFixture F;
    int Shown = 0;
    F.Manager->OnShowCustomizingPopup = [&](TObject*, TcbBarItemLinks*) { ++Shown; };
    F.Manager->SetIsCustomizing(true);
    PumpPosted("customizing started");

    TcbBarCustomizingPopup* Popup = OpenCustomizingPopupOn(F, F.Standard, F.Open);
    ASSERT_NE(Popup, nullptr);
    EXPECT_EQ(Shown, 1);
    EXPECT_EQ(Popup->GetIndexOffset(), 0);
    EXPECT_EQ(TPopupsFixture::Captions(Popup),
              (Captions{"&Reset", "&Delete", "|&Name:", "|Defa&ult style", "&Text Only (Always)",
                        "Text &Only (in Menus)", "Image &and Text", "|Begin a &Group"}));
    auto* Edit = dynamic_cast<TcbBarEdit*>(TPopupsFixture::ControlByCaption(Popup, "&Name:")->GetItem());
    ASSERT_NE(Edit, nullptr);
    EXPECT_EQ(Edit->GetText(), "&Open");
    EXPECT_TRUE(EntryItem(Popup, "Defa&ult style")->GetDown());
    EXPECT_FALSE(EntryItem(Popup, "Image &and Text")->GetDown());
    EXPECT_TRUE(EntryItem(Popup, "Image &and Text")->GetEnabled());
    EXPECT_TRUE(EntryItem(Popup, "Begin a &Group")->GetEnabled());
    EXPECT_EQ(GetCustomizedLink(), TPopupsFixture::LinkOf(F.Standard, F.Open));
    SetTopMostChain(true);
    EXPECT_NE(GetWindowLongA(Popup->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    SetTopMostChain(false);
    EXPECT_EQ(GetWindowLongA(Popup->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_TRUE(IsWindowVisible(Popup->GetHandle())) << "neither hidden nor moved";
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(Popup->GetHandle()), "popups-customizing");

    // The edit item has no paint styles: the four entries are off, the default one down.
    Popup = OpenCustomizingPopupOn(F, F.Standard, F.Find);
    ASSERT_NE(Popup, nullptr);
    for (const char* Style : {"Defa&ult style", "&Text Only (Always)", "Text &Only (in Menus)", "Image &and Text"})
        EXPECT_FALSE(EntryItem(Popup, Style)->GetEnabled()) << Style;
    EXPECT_TRUE(EntryItem(Popup, "Defa&ult style")->GetDown());

    // The first link cannot begin a group.
    Popup = OpenCustomizingPopupOn(F, F.Standard, F.New);
    ASSERT_NE(Popup, nullptr);
    EXPECT_FALSE(EntryItem(Popup, "Begin a &Group")->GetEnabled());
    EXPECT_EQ(Shown, 3);
    F.CloseAll();
    F.Manager->SetIsCustomizing(false);
}

TEST(CustomizingPopup, ItsCommandsChangeTheLinkOnceThePopupHasClosed)
{
    TPopupsFixture F;
    F.Manager->SetIsCustomizing(true);
    PumpPosted("customizing started");
    TcbBarItemLink* Open = TPopupsFixture::LinkOf(F.Standard, F.Open);
    const int32_t NarrowWidth = Open->GetControl()->GetWidth();
    // While the command waits the link is untouched; it runs after the popup went.
    TcbBarCustomizingPopup* Popup = OpenCustomizingPopupOn(F, F.Standard, F.Open);
    ASSERT_NE(Popup, nullptr);
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Popup, "Image &and Text"));
    EXPECT_EQ(TcbBarCustomizingPopup::GetOpenPopup(), nullptr);
    EXPECT_EQ(Open->GetUserPaintStyle(), psCaptionGlyph);
    EXPECT_TRUE(Open->GetUserDefine().Contains(udPaintStyle));
    ASSERT_NE(Open->GetControl(), nullptr);
    EXPECT_GT(Open->GetControl()->GetWidth(), NarrowWidth) << "the caption joins the glyph";

    Popup = OpenCustomizingPopupOn(F, F.Standard, F.Open);
    ASSERT_NE(Popup, nullptr);
    EXPECT_TRUE(EntryItem(Popup, "Image &and Text")->GetDown());
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Popup, "Begin a &Group"));
    EXPECT_TRUE(Open->GetOwnBeginGroup());
    Popup = OpenCustomizingPopupOn(F, F.Standard, F.Open);
    ASSERT_NE(Popup, nullptr);
    EXPECT_TRUE(EntryItem(Popup, "Begin a &Group")->GetDown());
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Popup, "Begin a &Group"));
    EXPECT_FALSE(Open->GetOwnBeginGroup());

    Popup = OpenCustomizingPopupOn(F, F.Standard, F.Open);
    ASSERT_NE(Popup, nullptr);
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Popup, "&Reset"));
    EXPECT_TRUE(Open->GetUserDefine().Empty());
    EXPECT_EQ(Open->GetPaintStyle(), psStandard);

    const int32_t Links = F.Standard->GetItemLinks()->GetCount();
    Popup = OpenCustomizingPopupOn(F, F.Standard, F.Open);
    ASSERT_NE(Popup, nullptr);
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Popup, "&Delete"));
    EXPECT_EQ(F.Standard->GetItemLinks()->GetCount(), Links - 1);
    EXPECT_EQ(TPopupsFixture::LinkOf(F.Standard, F.Open), nullptr);
    EXPECT_EQ(GetCustomizedLink(), nullptr);
    F.Manager->SetIsCustomizing(false);
}

TEST(CustomizingPopup, TheEditRenamesTheLinkAndABlankNameIsRefusedAfterThePopupClosed)
{
    TPopupsFixture F;
    F.Manager->SetIsCustomizing(true);
    PumpPosted("customizing started");
    TcbBarItemLink* Open = TPopupsFixture::LinkOf(F.Standard, F.Open);
    auto TypeName = [&](const std::string& Text) {
        TcbBarCustomizingPopup* Popup = OpenCustomizingPopupOn(F, F.Standard, F.Open);
        ASSERT_NE(Popup, nullptr);
        TcbBarItemControl* Edit = TPopupsFixture::ControlByCaption(Popup, "&Name:");
        ASSERT_NE(Edit, nullptr);
        TPopupsFixture::ClickByMessage(Edit);
        ASSERT_TRUE(TcbBarCustomizingPopup::GetOpenPopup());
        const HWND Editor = Edit->GetEditor();
        ASSERT_TRUE(Editor && IsWindowVisible(Editor));
        SetWindowTextA(Editor, Text.c_str());
        SendMessageA(Editor, WM_KEYDOWN, VK_RETURN, 0);
        EXPECT_TRUE(TestSupport::PumpUntil([] { return TcbBarCustomizingPopup::GetOpenPopup() == nullptr; }, 5000,
                                           "the popup closed"));
        PumpPosted("the name's change handled");
    };
    TypeName("Op&en now");
    EXPECT_EQ(Open->GetUserCaption(), "Op&en now");
    EXPECT_TRUE(Open->GetUserDefine().Contains(udCaption));
    EXPECT_EQ(Open->GetControl()->GetCaption(), "Op&en now");
    EXPECT_EQ(F.Open->GetCaption(), "&Open") << "the item keeps its caption at run time";
    EXPECT_EQ(TcbBarCustomizingPopup::GetOpenPopup(), nullptr);

    // The edit item whose change closed the popup outlives the box: its change is still running.
    bool PopupGoneAtBox = false, EditAliveAtBox = false;
    TcbBarItem* EditItem = nullptr;
    TestSupport::TDialogAnswerer Box("cannot be blank", IDOK, [&] {
        PopupGoneAtBox = TcbBarCustomizingPopup::GetOpenPopup() == nullptr;
        const auto& Temporary = TemporaryItems();
        EditAliveAtBox = std::find(Temporary.begin(), Temporary.end(), EditItem) != Temporary.end();
        return true;
    });
    F.Manager->OnShowCustomizingPopup = [&](TObject*, TcbBarItemLinks* Links) {
        for (int32_t I = 0; I < Links->GetCount(); ++I)
            if (dynamic_cast<TcbBarEdit*>(Links->GetItem(I)->GetItem()))
                EditItem = Links->GetItem(I)->GetItem();
    };
    TypeName("");
    TestSupport::PumpUntil([&] { return Box.AnsweredCount() >= 1; }, 5000, "the blank name refused");
    EXPECT_TRUE(EditAliveAtBox);
    EXPECT_EQ(Box.AnsweredCount(), 1);
    EXPECT_EQ(Box.Text(), "A command name cannot be blank. Please enter a name.");
    EXPECT_EQ(Box.Caption(), Application->GetTitle());
    EXPECT_TRUE(PopupGoneAtBox);
    EXPECT_EQ(Open->GetUserCaption(), "Op&en now");
    F.Manager->SetIsCustomizing(false);
}

TEST(CustomizingPopup, AtDesignTimeItAddsItemsAndDeletesTheBar)
{
    TPopupsFixture F(true);
    ASSERT_TRUE(F.Manager->IsDesigning());
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    ASSERT_NE(Standard, nullptr);
    TcbBarCustomizingPopup* Popup = OpenCustomizingPopupOn(F, F.Standard, F.Open);
    ASSERT_NE(Popup, nullptr);
    EXPECT_EQ(Popup->GetIndexOffset(), 4);
    const Captions All = TPopupsFixture::Captions(Popup);
    ASSERT_EQ(All.size(), 14u);
    EXPECT_EQ(All.front(), "Add &SubItem");
    EXPECT_EQ(All[3], "|Delete Bar");
    EXPECT_EQ(All[6], "|&Caption:");
    EXPECT_EQ(All.back(), "&Most recently used");

    // "Add &Item" lists the classes offered for creation, in their order.
    TcbBarItemControl* AddItem = TPopupsFixture::ControlByCaption(Popup, "Add &Item");
    ASSERT_NE(AddItem, nullptr);
    AddItem->ControlPress(false);
    ASSERT_TRUE(TestSupport::PumpUntil([&] {
        auto* Opened = dynamic_cast<TCustomcbBarSubItem*>(AddItem->GetItem());
        return Opened && Opened->GetItemLinks()->GetBarControl();
    }, 5000, "the classes' menu opened"));
    auto* Sub = dynamic_cast<TCustomcbBarSubItem*>(AddItem->GetItem());
    ASSERT_NE(Sub, nullptr);
    EXPECT_EQ(TPopupsFixture::Captions(Sub->GetItemLinks()->GetBarControl()),
              (Captions{"TcbBarButton", "TcbBarEdit", "TCustomcbBarCombo", "TcbBarCombo", "TcbBarSubItem",
                        "TcbBarListItem", "TcbBarContainerItem"}));

    // "Add &Button": a named button right after the clicked link, selected, the design changed.
    const int Modified = F.Designer.ModifiedCount;
    const int32_t OpenIndex = TPopupsFixture::LinkOf(F.Standard, F.Open)->GetIndex();
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Popup, "Add &Button"));
    auto* Added = dynamic_cast<TcbBarButton*>(F.Form->FindComponent("cbBarButton1"));
    ASSERT_NE(Added, nullptr);
    EXPECT_EQ(Added->GetCaption(), "New Item");
    EXPECT_EQ(F.Manager->GetCategories()->GetStrings(Added->GetCategory()), "Default");
    EXPECT_EQ(TPopupsFixture::LinkOf(F.Standard, Added)->GetIndex(), OpenIndex + 1);
    ASSERT_NE(F.Manager->GetSelectedItemControl(), nullptr);
    EXPECT_EQ(F.Manager->GetSelectedItemControl()->GetItem(), Added);
    EXPECT_GT(F.Designer.ModifiedCount, Modified);
    Popup = OpenCustomizingPopupOn(F, F.Standard, F.Open);
    ASSERT_NE(Popup, nullptr);
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Popup, "Add &Button"));
    EXPECT_NE(dynamic_cast<TcbBarButton*>(F.Form->FindComponent("cbBarButton2")), nullptr);

    // Empty space of a toolbar: only the four design entries.
    const TRect Client = Standard->GetClientRect();
    TcbBarItemLinks* Links = F.Standard->GetItemLinks();
    const TRect Last = Links->GetShownItem(Links->GetShownItemCount() - 1)->GetItemRect();
    ASSERT_LT(Last.right + 2, Client.right);
    TPopupsFixture::RightPressByMessage(Standard, POINT{Last.right + 1, (Client.top + Client.bottom) / 2});
    Popup = TcbBarCustomizingPopup::GetOpenPopup();
    ASSERT_NE(Popup, nullptr);
    EXPECT_EQ(TPopupsFixture::Captions(Popup), (Captions{"Add &SubItem", "Add &Button", "Add &Item", "|Delete Bar"}));
    F.CloseAll();

    // "Delete Bar" frees the bar once the popup has closed.
    const int32_t Bars = F.Manager->GetBars()->GetCount();
    Popup = OpenCustomizingPopupOn(F, F.Tools, F.ToolA);
    ASSERT_NE(Popup, nullptr);
    bool PopupGoneFirst = false;
    F.Manager->OnBarDelete = [&](TObject*, TcbBar*) { PopupGoneFirst = !TcbBarCustomizingPopup::GetOpenPopup(); };
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Popup, "Delete Bar"));
    EXPECT_EQ(F.Manager->GetBars()->GetCount(), Bars - 1);
    EXPECT_EQ(F.Manager->BarByName("Tools"), nullptr);
    EXPECT_TRUE(PopupGoneFirst);
    F.Manager->OnBarDelete = nullptr;
}

TEST(CustomizingPopup, WithTheStandardStyleAtDesignTimeTheRecentEntryIsMissing)
{
    TPopupsFixture F(true, bmsStandard);
    TcbBarCustomizingPopup* Popup = OpenCustomizingPopupOn(F, F.Standard, F.Open);
    ASSERT_NE(Popup, nullptr);
    const Captions All = TPopupsFixture::Captions(Popup);
    EXPECT_EQ(All.size(), 13u);
    EXPECT_EQ(All.back(), "&Visible");
    // "&Visible" toggles the link.
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Popup, "&Visible"));
    EXPECT_FALSE(TPopupsFixture::LinkOf(F.Standard, F.Open)->GetVisible());
}

TEST(CustomizingPopup, EditingThatEndsIntoTheDialogKeepsThePopupChainOnTopAroundTheFocusChange)
{
    TPopupsFixture F;
    TComponentPtr<TForm> Dialog(new TForm(nullptr));
    Dialog->SetBounds(500, 300, 200, 120);
    auto* Box = new TEdit(Dialog.get());
    Box->SetParent(Dialog.get());
    Dialog->Show();
    auto& E = cbExtensions();
    const auto SavedForm = E.GetCustomizingForm;
    const auto SavedChain = E.SetTopMostChain;
    TScopeExit Restore([&] {
        E.GetCustomizingForm = SavedForm;
        E.SetTopMostChain = SavedChain;
        Dialog->Hide();
    });
    std::vector<std::pair<bool, HWND>> Calls; // the value and the focus when called
    F.Manager->SetIsCustomizing(true);
    PumpPosted("customizing started");
    // The dialog "opens" once customizing started (a dialog already open would refuse it).
    E.GetCustomizingForm = [&]() -> TCustomForm* { return Dialog.get(); };
    E.SetTopMostChain = [&](bool Value) {
        Calls.emplace_back(Value, GetFocus());
        SetTopMostChain(Value);
    };
    TcbBarCustomizingPopup* Popup = OpenCustomizingPopupOn(F, F.Standard, F.Open);
    ASSERT_NE(Popup, nullptr);
    ::SetFocus(Box->GetHandle());
    TcbBarItemControl* Edit = TPopupsFixture::ControlByCaption(Popup, "&Name:");
    ASSERT_NE(Edit, nullptr);
    TPopupsFixture::ClickByMessage(Edit);
    const HWND Editor = Edit->GetEditor();
    ASSERT_EQ(GetFocus(), Editor);
    EXPECT_TRUE(Calls.empty());
    SendMessageA(Editor, WM_KEYDOWN, VK_ESCAPE, 0);
    TestSupport::PumpUntil([&] { return Calls.size() >= 2; }, 5000, "the topmost chain lifted and put back");
    ASSERT_EQ(Calls.size(), 2u);
    EXPECT_TRUE(Calls[0].first);
    EXPECT_NE(Calls[0].second, Box->GetHandle()) << "lifted before the focus moves";
    EXPECT_FALSE(Calls[1].first);
    EXPECT_EQ(Calls[1].second, Box->GetHandle());
    EXPECT_EQ(TcbBarCustomizingPopup::GetOpenPopup(), Popup) << "Esc leaves the popup open";
    F.CloseAll();
    E.GetCustomizingForm = SavedForm;
    F.Manager->SetIsCustomizing(false);
}
