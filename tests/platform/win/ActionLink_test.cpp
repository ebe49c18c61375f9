// Action links for clients of any class: following an action property by property, running it
// for a client, updates, the action's hint and the end of the action.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/win/Actions.h"
#include "platform/win/Forms.h"
#include "platform/win/Menus.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/ToolBar.h"

namespace {

// A client that is no control, with a value of its own for every property an action has.
class TItem : public TComponent {
public:
    explicit TItem(TComponent* AOwner) : TComponent(AOwner) {}
    std::string Caption;
    bool Checked = false;
    bool Enabled = true;
    int32_t HelpContext = 0;
    std::string Hint;
    int32_t ImageIndex = -1;
    TShortCut Key = scNone;
    bool Visible = true;
    std::map<std::string, int> Calls; // Set... calls by property
};

// Follows a property while the item still shows the action's value (the action's value is the
// old one while the link is asked), as a bar item's link does.
#define QM_FOLLOW(Name, Type, Field)                                                                       \
    bool Is##Name##Linked() const override                                                                 \
    {                                                                                                      \
        return TActionLink::Is##Name##Linked() && FItem->Field == GetAction()->Get##Name();                \
    }                                                                                                      \
    void Set##Name(Type Value) override                                                                    \
    {                                                                                                      \
        ++FItem->Calls[#Name];                                                                             \
        FItem->Field = Value;                                                                              \
    }

class TItemLink : public TActionLink {
public:
    void AssignClient(TObject* Client) override { FItem = dynamic_cast<TItem*>(Client); }
    void ActionChanged() override { ++Changes; }
    QM_FOLLOW(Caption, const std::string&, Caption)
    QM_FOLLOW(Checked, bool, Checked)
    QM_FOLLOW(Enabled, bool, Enabled)
    QM_FOLLOW(HelpContext, int32_t, HelpContext)
    QM_FOLLOW(Hint, const std::string&, Hint)
    QM_FOLLOW(ImageIndex, int32_t, ImageIndex)
    QM_FOLLOW(ShortCut, TShortCut, Key)
    QM_FOLLOW(Visible, bool, Visible)
    bool IsOnExecuteLinked() const override { return TActionLink::IsOnExecuteLinked() && FollowExecute; }
    void SetOnExecute(const TNotifyEvent& Value) override
    {
        ++FItem->Calls["OnExecute"];
        ExecuteBound = static_cast<bool>(Value);
    }
    int Changes = 0;
    bool FollowExecute = true;
    bool ExecuteBound = false;

private:
    TItem* FItem = nullptr;
};
#undef QM_FOLLOW

} // namespace

TEST(TActionLink, AClientFollowsEachPropertyWhileItsLinkSaysSo)
{
    TComponentPtr<TComponent> Owner(new TComponent(nullptr));
    auto* A = new TAction(Owner.get());
    A->SetCaption("&Open");
    auto* Item = new TItem(Owner.get());
    Item->Caption = "&Open";
    TItemLink Link;
    Link.AssignClient(Item);
    std::vector<std::string> Notices; // the action's caption when OnChange came
    Link.OnChange = [&](TObject* Sender) {
        ASSERT_EQ(Sender, A);
        Notices.push_back(A->GetCaption());
    };
    Link.SetAction(A);
    // Also a control, a menu item and a tool button on the same action.
    TComponentPtr<TForm> Form(new TForm(nullptr));
    auto* Button = new TButton(Form.get());
    Button->SetParent(Form.get());
    Button->SetAction(A);
    auto* Menu = new TPopupMenu(Form.get());
    TMenuItem* MenuItem = Menu->AddItem("x", nullptr, A);
    auto* Bar = new TToolBar(Form.get());
    Bar->SetParent(Form.get());
    TToolButton* Tool = Bar->AddButton("y");
    Tool->SetAction(A);

    A->SetCaption("&Load");
    A->SetChecked(true);
    A->SetEnabled(false);
    A->SetHelpContext(1201);
    A->SetHint("Load|Loads a file");
    A->SetImageIndex(4);
    A->SetShortCut(ShortCut('L', TShiftState{ssCtrl}));
    A->SetVisible(false);
    for (const char* Name : {"Caption", "Checked", "Enabled", "HelpContext", "Hint", "ImageIndex", "ShortCut", "Visible"})
        EXPECT_EQ(Item->Calls[Name], 1) << Name;
    EXPECT_TRUE(Item->Caption == "&Load" && Item->Checked && !Item->Enabled && Item->HelpContext == 1201 &&
                Item->Hint == "Load|Loads a file" && Item->ImageIndex == 4 && !Item->Visible &&
                Item->Key == ShortCut('L', TShiftState{ssCtrl}));
    // ActionChanged once for the link and 8 changes; OnChange once per change, value stored.
    EXPECT_EQ(Link.Changes, 9);
    ASSERT_EQ(Notices.size(), 8u);
    EXPECT_EQ(Notices[0], "&Load");
    // The other clients still follow through ActionChanged.
    EXPECT_TRUE(Button->GetCaption() == "&Load" && !Button->GetEnabled());
    EXPECT_TRUE(MenuItem->GetCaption() == "&Load" && MenuItem->GetChecked());
    EXPECT_TRUE(Tool->GetCaption() == "&Load" && Tool->GetImageIndex() == 4);

    // An unchanged value reaches nobody.
    A->SetCaption("&Load");
    EXPECT_EQ(Item->Calls["Caption"], 1);
    EXPECT_EQ(Link.Changes, 9);

    // The item's own caption and help context: the link no longer follows those two.
    Item->Caption = "Mine";
    Item->HelpContext = 5;
    A->SetCaption("&Save");
    A->SetHelpContext(1202);
    A->SetEnabled(true);
    EXPECT_TRUE(Item->Calls["Caption"] == 1 && Item->Caption == "Mine");
    EXPECT_TRUE(Item->Calls["HelpContext"] == 1 && Item->HelpContext == 5);
    EXPECT_TRUE(Item->Calls["Enabled"] == 2 && Item->Enabled);
    EXPECT_EQ(Button->GetCaption(), "&Save");

    // OnExecute reaches the link only while it follows it.
    A->SetOnExecute([](TObject*) {});
    EXPECT_EQ(Item->Calls["OnExecute"], 1);
    EXPECT_TRUE(Link.ExecuteBound);
    Link.FollowExecute = false;
    A->SetOnExecute(nullptr);
    EXPECT_EQ(Item->Calls["OnExecute"], 1);
    EXPECT_FALSE(A->OnExecute);

    // A base link follows nothing property by property, but answers linked while it has an action.
    TActionLink Plain;
    EXPECT_FALSE(Plain.IsCaptionLinked());
    Plain.SetAction(A);
    EXPECT_TRUE(Plain.IsCaptionLinked() && Plain.IsVisibleLinked() && Plain.IsOnExecuteLinked());
}

TEST(TActionLink, ExecuteForAClientUpdateAndTheEndOfTheAction)
{
    auto* A = new TAction(nullptr);
    TItem Client(nullptr);
    TItemLink Link;
    Link.AssignClient(&Client);
    Link.SetAction(A);
    int Runs = 0;
    TComponent* Inside = nullptr;
    A->OnExecute = [&](TObject* Sender) {
        ++Runs;
        EXPECT_EQ(Sender, A); // the action stays the sender
        Inside = A->GetActionComponent();
    };
    EXPECT_TRUE(Link.Execute(&Client));
    EXPECT_EQ(Runs, 1);
    EXPECT_EQ(Inside, &Client);
    EXPECT_EQ(A->GetActionComponent(), nullptr);

    int Updates = 0;
    A->OnUpdate = [&](TObject* Sender) {
        ++Updates;
        static_cast<TAction*>(Sender)->SetChecked(true);
    };
    EXPECT_TRUE(Link.Update());
    EXPECT_EQ(Updates, 1);
    EXPECT_TRUE(Client.Checked);

    std::string Hint = "Open|Opens a file";
    EXPECT_TRUE(A->DoHint(Hint)); // no handler: shown as it is
    A->OnHint = [](std::string& H, bool& CanShow) {
        H = "changed";
        CanShow = false;
    };
    EXPECT_FALSE(A->DoHint(Hint));
    EXPECT_EQ(Hint, "changed");

    // An action freed by its own command: the link forgets it and nothing touches it afterwards.
    TActionLink Other;
    Other.SetAction(A);
    A->OnExecute = [&](TObject*) {
        EXPECT_EQ(A->GetActionComponent(), &Client);
        delete A;
    };
    EXPECT_TRUE(Link.Execute(&Client));
    EXPECT_EQ(Link.GetAction(), nullptr);
    EXPECT_EQ(Other.GetAction(), nullptr);
    EXPECT_FALSE(Link.Execute(&Client));
    EXPECT_FALSE(Link.Update());
}
