// Buttons and edits: an item that follows its action and runs it, the groups of down buttons,
// the click of a checked button, and an edit's change event.
#include <gtest/gtest.h>

#include <string>

#include "commandbars/model/cbBarItems.h"
#include "platform/win/Actions.h"
#include "tests/commandbars/ModelSupport.h"

using CommandBarsTest::TManagerForm;

namespace {

struct TActionForm : TManagerForm {
    TAction* Action = new TAction(Form.get());
    int Executed = 0;
    TObject* ExecuteSender = nullptr;
    TComponent* ExecuteClient = nullptr;

    TActionForm()
    {
        Action->SetCaption("&Open...");
        Action->SetHint("Open|Opens a file");
        Action->SetImageIndex(3);
        Action->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
        Action->SetChecked(true);
        Action->SetHelpContext(7);
        Action->SetOnExecute([this](TObject* Sender) {
            ++Executed;
            ExecuteSender = Sender;
            ExecuteClient = Action->GetActionComponent();
        });
    }
    TcbBarButton* AddButton(TcbBarButtonStyle Style = bsDefault, int32_t Group = 0)
    {
        auto* Button = new TcbBarButton(Form.get());
        Button->SetButtonStyle(Style);
        Button->SetGroupIndex(Group);
        return Button;
    }
};

} // namespace

TEST(BarButtons, AButtonTakesItsActionsValuesAndFollowsItsChanges)
{
    TActionForm F;
    TcbBarButton* Plain = F.AddButton();
    TcbBarButton* Checked = F.AddButton(bsChecked);
    Plain->SetAction(F.Action);
    Checked->SetAction(F.Action);
    EXPECT_EQ(Plain->GetAction(), F.Action);
    for (TcbBarButton* B : {Plain, Checked}) {
        EXPECT_EQ(B->GetCaption(), "&Open...");
        EXPECT_EQ(B->GetHint(), "Open|Opens a file");
        EXPECT_EQ(B->GetImageIndex(), 3);
        EXPECT_EQ(B->GetShortCut(), ShortCut('O', TShiftState{ssCtrl}));
        EXPECT_EQ(B->GetHelpContext(), 7);
    }
    // Only a checked button can show the action's Checked.
    EXPECT_FALSE(Plain->GetDown());
    EXPECT_TRUE(Checked->GetDown());

    F.Action->SetEnabled(false);
    EXPECT_FALSE(Plain->GetEnabled());
    F.Action->SetCaption("&Load");
    EXPECT_EQ(Checked->GetCaption(), "&Load");
    F.Action->SetChecked(false);
    EXPECT_FALSE(Checked->GetDown());
    F.Action->SetVisible(false);
    EXPECT_EQ(Plain->GetVisible(), ivNever);
    F.Action->SetVisible(true);
    EXPECT_EQ(Plain->GetVisible(), ivAlways);

    // A value the program gave the item itself no longer follows the action.
    Plain->SetCaption("Mine");
    F.Action->SetCaption("&Read");
    EXPECT_EQ(Plain->GetCaption(), "Mine");
    EXPECT_EQ(Checked->GetCaption(), "&Read");
}

TEST(BarButtons, CheckDefaultsKeepsWhatIsNotADefault)
{
    TActionForm F;
    TcbBarButton* Button = F.AddButton(bsChecked);
    Button->SetDown(true);
    Button->SetCaption("Own");
    int OwnClicks = 0;
    Button->SetOnClick([&](TObject*) { ++OwnClicks; });
    Button->ActionChange(F.Action, true);
    EXPECT_EQ(Button->GetCaption(), "Own");
    EXPECT_TRUE(Button->GetDown());
    EXPECT_EQ(Button->GetImageIndex(), 3); // still the default -1, so copied
    EXPECT_FALSE(Button->IsOnClickFromAction());
    Button->ActionChange(F.Action, false);
    EXPECT_EQ(Button->GetCaption(), "&Open...");
    EXPECT_TRUE(Button->IsOnClickFromAction());
    EXPECT_EQ(OwnClicks, 0);
}

TEST(BarButtons, AClickRunsTheActionOnceOrTheProgramsOwnHandler)
{
    TActionForm F;
    TcbBarButton* Button = F.AddButton();
    Button->SetAction(F.Action);
    Button->DoClick();
    EXPECT_EQ(F.Executed, 1);
    EXPECT_EQ(F.ExecuteSender, F.Action);
    EXPECT_EQ(F.ExecuteClient, Button);

    // The action's new handler is followed while the item's handler is still the action's.
    int Second = 0;
    F.Action->SetOnExecute([&](TObject*) { ++Second; });
    Button->DoClick();
    EXPECT_EQ(Second, 1);
    EXPECT_EQ(F.Executed, 1);

    // The program's own handler replaces the action's, also after the action changes again.
    int Own = 0;
    TObject* OwnSender = nullptr;
    Button->SetOnClick([&](TObject* Sender) {
        ++Own;
        OwnSender = Sender;
    });
    Button->DoClick();
    F.Action->SetOnExecute([&](TObject*) { ++Second; });
    F.Action->SetCaption("Changed");
    Button->DoClick();
    EXPECT_EQ(Own, 2);
    EXPECT_EQ(OwnSender, Button);
    EXPECT_EQ(Second, 1);
    EXPECT_FALSE(Button->IsOnClickFromAction());

    // A disabled action does not run through the item either.
    TcbBarButton* Other = F.AddButton();
    Other->SetAction(F.Action);
    F.Action->SetEnabled(false);
    Other->Click();
    EXPECT_EQ(Second, 1);
}

TEST(BarButtons, FreeingTheActionLeavesAWorkingItem)
{
    TActionForm F;
    int Runs = 0;
    F.Action->SetOnExecute([&](TObject*) { ++Runs; });
    TcbBarButton* Button = F.AddButton();
    Button->SetAction(F.Action);
    F.Action->Free();
    EXPECT_EQ(Button->GetAction(), nullptr);
    EXPECT_EQ(Button->GetActionLink(), nullptr);
    EXPECT_EQ(Button->GetCaption(), "&Open...");
    Button->DoClick(); // the handler it took along
    EXPECT_EQ(Runs, 1);
    Button->SetCaption("Still here");
    EXPECT_EQ(Button->GetHint(), "Still here|Opens a file");
}

TEST(BarButtons, AssignToAnActionCopiesTheItem)
{
    TActionForm F;
    TcbBarButton* Button = F.AddButton(bsChecked);
    Button->SetCaption("&Save");
    Button->SetHint("Save|Saves it");
    Button->SetHelpContext(12);
    Button->ChangeImageIndex(5);
    Button->SetShortCut(ShortCut('S', TShiftState{ssCtrl}));
    Button->SetEnabled(false);
    int Clicks = 0;
    Button->SetOnClick([&](TObject*) { ++Clicks; });
    auto* Target = new TAction(F.Form.get());
    Target->SetVisible(false);
    Button->SetVisible(ivInCustomizing);
    Button->AssignTo(Target);
    EXPECT_EQ(Target->GetCaption(), "&Save");
    EXPECT_EQ(Target->GetHint(), "Save|Saves it");
    EXPECT_EQ(Target->GetHelpContext(), 12);
    EXPECT_EQ(Target->GetImageIndex(), 5);
    EXPECT_EQ(Target->GetShortCut(), ShortCut('S', TShiftState{ssCtrl}));
    EXPECT_FALSE(Target->GetEnabled());
    EXPECT_FALSE(Target->GetChecked());
    EXPECT_FALSE(Target->GetVisible()); // ivInCustomizing leaves it
    Button->SetEnabled(true);
    Button->SetDown(true);
    Button->SetVisible(ivAlways);
    Button->AssignTo(Target);
    EXPECT_TRUE(Target->GetChecked());
    EXPECT_TRUE(Target->GetVisible());
    Target->Execute();
    EXPECT_EQ(Clicks, 1);
    // Anything else than an action is refused.
    EXPECT_THROW(Button->AssignTo(F.Manager), EConvertError);
}

TEST(BarButtons, TheGroupKeepsOneButtonDown)
{
    TActionForm F;
    TcbBarButton* A = F.AddButton(bsChecked, 1);
    TcbBarButton* B = F.AddButton(bsChecked, 1);
    TcbBarButton* C = F.AddButton(bsChecked, 1);
    TcbBarButton* Loose = F.AddButton(bsChecked, 2);
    A->SetDown(true);
    B->SetDown(true);
    EXPECT_FALSE(A->GetDown());
    EXPECT_TRUE(B->GetDown());
    // The only down button of the group stays down.
    B->SetDown(false);
    EXPECT_TRUE(B->GetDown());
    Loose->SetDown(true);
    EXPECT_TRUE(B->GetDown());

    C->SetAllowAllUp(true);
    EXPECT_TRUE(A->GetAllowAllUp());
    EXPECT_TRUE(B->GetAllowAllUp());
    EXPECT_FALSE(Loose->GetAllowAllUp());
    B->SetDown(false);
    EXPECT_FALSE(B->GetDown());

    // A default button never goes down; a style change releases the button.
    TcbBarButton* Plain = F.AddButton();
    Plain->SetDown(true);
    EXPECT_FALSE(Plain->GetDown());
    Plain->SetGroupIndex(3);
    EXPECT_EQ(Plain->GetGroupIndex(), 0);
    C->SetDown(true);
    C->SetButtonStyle(bsDropDown);
    EXPECT_FALSE(C->GetDown());
    // Also the only down button of a group that keeps one down: a button of another style
    // cannot stay down.
    TcbBarButton* Only = F.AddButton(bsChecked, 7);
    Only->SetDown(true);
    Only->SetDown(false);
    EXPECT_TRUE(Only->GetDown());
    Only->SetButtonStyle(bsDefault);
    EXPECT_FALSE(Only->GetDown());
}

TEST(BarButtons, ACheckedButtonsClickTogglesDownOnce)
{
    TActionForm F;
    TcbBarButton* Button = F.AddButton(bsChecked);
    int Clicks = 0;
    bool DownInClick = false;
    Button->SetOnClick([&](TObject*) {
        ++Clicks;
        DownInClick = Button->GetDown();
    });
    Button->Click();
    EXPECT_TRUE(Button->GetDown());
    EXPECT_TRUE(DownInClick);
    Button->DoClick();
    EXPECT_TRUE(Button->GetDown());
    EXPECT_EQ(Clicks, 2);
    Button->SetEnabled(false);
    Button->Click();
    EXPECT_TRUE(Button->GetDown());
    EXPECT_EQ(Clicks, 2);
}

TEST(BarEdits, SetTextFiresOnChangeOnlyForANewTextOutsideLoading)
{
    TActionForm F;
    auto* Edit = new TcbBarEdit(F.Form.get());
    int Changes = 0;
    std::string Seen;
    Edit->OnChange = [&](TObject*) {
        ++Changes;
        Seen = Edit->GetText();
    };
    Edit->SetText("abc");
    Edit->SetText("abc");
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Seen, "abc");
    EXPECT_FALSE(Edit->IsClickable());
    {
        TLoadingScope Scope;
        auto* Loading = new TcbBarEdit(F.Form.get());
        Loading->OnChange = [&](TObject*) { ++Changes; };
        Loading->SetText("read");
        EXPECT_EQ(Loading->GetText(), "read");
    }
    EXPECT_EQ(Changes, 1);
    Edit->SetWidth(5);
    EXPECT_EQ(Edit->GetWidth(), 20);
    Edit->SetMaxLength(-3);
    EXPECT_EQ(Edit->GetMaxLength(), 0);
}
