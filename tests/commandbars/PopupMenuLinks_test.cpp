// Popup-menu links: controls only of the manager's form, the order in which an edit's link and
// its panel's links are asked for a shortcut or a context menu, the control's own handling of
// the request, and references cleared when a control or a menu goes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/model/cbPopupMenuLinks.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/StdCtrls.h"
#include "tests/commandbars/ModelSupport.h"

using CommandBarsTest::TManagerForm;

namespace {

struct TLinkedForm : TManagerForm {
    TPanel* Panel = new TPanel(Form.get());
    TEdit* Edit = new TEdit(Form.get());
    TcbBarPopupMenu* Menu = new TcbBarPopupMenu(Form.get());
    std::vector<std::string> Asked;

    TLinkedForm()
    {
        Form->SetBounds(100, 100, 400, 300);
        Panel->SetParent(Form.get());
        Panel->SetBounds(10, 10, 300, 200);
        Edit->SetParent(Panel);
        Edit->SetBounds(20, 30, 120, 24);
        Form->HandleNeeded();
    }
    TcbBarPopupMenuLink* AddLink(TWinControl* Control, const std::string& Name, bool Children = true, bool Allow = false)
    {
        TcbBarPopupMenuLink* Link = Manager->GetPopupMenuLinks()->Add();
        Link->SetControl(Control);
        Link->SetPopupMenu(Menu);
        Link->SetProcessChildren(Children);
        Link->OnAction = [this, Name, Allow](TcbBarPopupMenuLink*, int32_t& X, int32_t& Y, bool ByMouse, bool& AllowPopup) {
            Asked.push_back(Name + (ByMouse ? " mouse " + std::to_string(X) + "," + std::to_string(Y) : " key"));
            AllowPopup = Allow;
        };
        return Link;
    }
};

} // namespace

TEST(PopupMenuLinks, AControlOfAnotherFormIsNotTaken)
{
    TLinkedForm F;
    TManagerForm Other;
    auto* Foreign = new TEdit(Other.Form.get());
    Foreign->SetParent(Other.Form.get());
    TcbBarPopupMenuLink* Link = F.Manager->GetPopupMenuLinks()->Add();
    Link->SetControl(Foreign);
    EXPECT_EQ(Link->GetControl(), nullptr);
    Link->SetControl(F.Edit);
    EXPECT_EQ(Link->GetControl(), F.Edit);
    EXPECT_TRUE(Link->GetProcessChildren());

    // Assign finds the same names on this manager's form.
    F.Edit->SetName("NameEdit");
    F.Menu->SetName("EditMenu");
    Link->SetPopupMenu(F.Menu);
    TcbBarPopupMenuLink* Copy = F.Manager->GetPopupMenuLinks()->Add();
    Link->SetProcessChildren(false);
    Copy->Assign(Link);
    EXPECT_EQ(Copy->GetControl(), F.Edit);
    EXPECT_EQ(Copy->GetPopupMenu(), F.Menu);
    EXPECT_FALSE(Copy->GetProcessChildren());

    // Freeing the control or the menu clears the references.
    F.Edit->Free();
    EXPECT_EQ(Link->GetControl(), nullptr);
    EXPECT_EQ(Copy->GetControl(), nullptr);
    F.Menu->Free();
    EXPECT_EQ(Link->GetPopupMenu(), nullptr);
    EXPECT_EQ(Copy->GetPopupMenu(), nullptr);
}

TEST(PopupMenuLinks, TheEditsLinkIsAskedBeforeItsPanels)
{
    TLinkedForm F;
    F.AddLink(F.Panel, "panel-no-children", false);
    F.AddLink(F.Panel, "panel");
    F.AddLink(F.Edit, "edit");
    int Clicks = 0;
    auto* Paste = new TcbBarButton(F.Form.get());
    Paste->SetShortCut(ShortCut('V', TShiftState{ssCtrl}));
    Paste->SetOnClick([&](TObject*) { ++Clicks; });
    F.Menu->GetItemLinks()->Add()->SetItem(Paste);

    // Every link forbids: all are asked in order, nothing runs.
    EXPECT_FALSE(F.Manager->GetPopupMenuLinks()->IsShortCut(F.Edit, ShortCut('V', TShiftState{ssCtrl})));
    EXPECT_EQ(F.Asked, (std::vector<std::string>{"edit key", "panel key"}));
    EXPECT_EQ(Clicks, 0);
    // The panel's own request asks both of its links.
    F.Asked.clear();
    F.Manager->GetPopupMenuLinks()->IsShortCut(F.Panel, ShortCut('V', TShiftState{ssCtrl}));
    EXPECT_EQ(F.Asked, (std::vector<std::string>{"panel-no-children key", "panel key"}));

    // A link that lets the menu answer runs the shortcut.
    F.Asked.clear();
    F.AddLink(F.Edit, "edit-allowing", true, true);
    EXPECT_TRUE(F.Manager->GetPopupMenuLinks()->IsShortCut(F.Edit, ShortCut('V', TShiftState{ssCtrl})));
    EXPECT_EQ(F.Asked, (std::vector<std::string>{"edit key", "edit-allowing key"}));
    EXPECT_EQ(Clicks, 1);
}

TEST(PopupMenuLinks, ShowForControlMapsThePointAndStopsAtTheFirstShowingLink)
{
    TLinkedForm F;
    F.AddLink(F.Panel, "panel", true, true);
    F.AddLink(F.Edit, "edit");
    std::vector<std::pair<TcbBarPopupMenu*, POINT>> Shown;
    SetPopupMenuShow([&](TcbBarPopupMenu* Menu, int32_t X, int32_t Y) { Shown.push_back({Menu, POINT{X, Y}}); });
    HWND Edit = F.Edit->GetHandle();
    POINT Screen{5, 7};
    ClientToScreen(Edit, &Screen);
    EXPECT_TRUE(F.Manager->GetPopupMenuLinks()->ShowForControl(F.Edit, Edit, Screen));
    POINT InPanel{5, 7};
    MapWindowPoints(Edit, F.Panel->GetHandle(), &InPanel, 1);
    EXPECT_GE(InPanel.x, 25); // the edit lies at (20, 30) of the panel
    EXPECT_EQ(F.Asked, (std::vector<std::string>{"edit mouse 5,7",
                           "panel mouse " + std::to_string(InPanel.x) + "," + std::to_string(InPanel.y)}));
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_EQ(Shown[0].first, F.Menu);
    EXPECT_EQ(Shown[0].second.x, Screen.x);
    EXPECT_EQ(Shown[0].second.y, Screen.y);

    // The control's own handling of the request stops the link.
    F.Asked.clear();
    int OwnHandling = 0;
    F.Edit->OnContextPopup = [&](TObject*, const TPoint&, bool& Handled) {
        ++OwnHandling;
        Handled = true;
    };
    TcbBarPopupMenuLink* EditLink = F.Manager->GetPopupMenuLinks()->GetItem(1);
    EXPECT_FALSE(EditLink->DoPopup(Edit, Screen));
    EXPECT_EQ(OwnHandling, 1);
    EXPECT_TRUE(F.Asked.empty());
    SetPopupMenuShow(nullptr);
}
