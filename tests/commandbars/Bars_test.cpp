// Bars as model objects: captions unique among a manager's bars and names made from them, the one
// main menu bar, the values clamped or refused, Assign's order, and the add, delete, visibility
// and docking events outside loading only.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/commandbars/ModelSupport.h"

using CommandBarsTest::TManagerForm;
using CommandBarsTest::TTestItem;

namespace {

// A bar that logs the setters Assign calls.
class TRecordingBar : public TcbBar {
public:
    explicit TRecordingBar(TCollection* C) : TcbBar(C) {}
    std::vector<std::string> Log;

    void SetAllowClose(bool V) override { Note("AllowClose", [&] { TcbBar::SetAllowClose(V); }); }
    void SetCaption(const std::string& V) override { Note("Caption", [&] { TcbBar::SetCaption(V); }); }
    void SetIsMainMenu(bool V) override { Note("IsMainMenu", [&] { TcbBar::SetIsMainMenu(V); }); }
    void SetItemLinks(TcbBarItemLinks* V) override { Note("ItemLinks", [&] { TcbBar::SetItemLinks(V); }); }
    void SetRow(int32_t V) override { Note("Row", [&] { TcbBar::SetRow(V); }); }
    void SetWholeRow(bool V) override { Note("WholeRow", [&] { TcbBar::SetWholeRow(V); }); }
    void SetDockingStyle(TcbBarDockingStyle V) override { Note("DockingStyle", [&] { TcbBar::SetDockingStyle(V); }); }
    void SetUseRecentItems(bool V) override { Note("UseRecentItems", [&] { TcbBar::SetUseRecentItems(V); }); }
    void SetFont(TFont* V) override { Note("Font", [&] { TcbBar::SetFont(V); }); }
    void SetUseOwnFont(bool V) override { Note("UseOwnFont", [&] { TcbBar::SetUseOwnFont(V); }); }
    void SetVisible(bool V) override { Note("Visible", [&] { TcbBar::SetVisible(V); }); }

private:
    template <class F>
    void Note(const char* Name, F Set)
    {
        Log.push_back(Name);
        Set();
    }
};

size_t FirstAt(const std::vector<std::string>& Log, const std::string& Name)
{
    return static_cast<size_t>(std::find(Log.begin(), Log.end(), Name) - Log.begin());
}

} // namespace

TEST(Bars, CaptionsAreUniqueAndANewBarNamesItselfFromItsCaption)
{
    TManagerForm F;
    TcbBar* A = F.AddBar("Tools");
    EXPECT_EQ(A->GetName(), "Tools");
    TcbBar* B = F.AddBar("Tools");
    EXPECT_EQ(B->GetCaption(), "");
    EXPECT_EQ(B->GetName(), "");
    EXPECT_EQ(F.Manager->BarByCaption("Tools"), A);
    EXPECT_EQ(F.Manager->BarByCaption("tools"), nullptr);

    // A keeps its name when recaptioned; a bar captioned as that name takes the next free one.
    A->SetCaption("Edit");
    EXPECT_EQ(A->GetName(), "Tools");
    B->SetCaption("Tools");
    EXPECT_EQ(B->GetName(), "Tools1");
    B->SetCaption("Format");
    TcbBar* C = F.AddBar("Tools");
    EXPECT_EQ(C->GetName(), "Tools2");
    EXPECT_EQ(F.Manager->BarByName("Tools2"), C);
    EXPECT_EQ(F.Manager->GetBars()->MakeUniqueName("Tools"), "Tools3");

    // Places never go below 0.
    C->SetRow(-3);
    C->SetDockedLeft(-1);
    C->SetDockedTop(-7);
    EXPECT_EQ(C->GetRow(), 0);
    EXPECT_EQ(C->GetDockedLeft(), 0);
    EXPECT_EQ(C->GetDockedTop(), 0);
    // A status bar: no border, docked at the bottom, the whole row.
    C->SetBorderStyle(bbsNone);
    C->SetDockingStyle(dsBottom);
    C->SetWholeRow(true);
    EXPECT_TRUE(C->IsStatusBar());
    C->SetNotDocking({dsNone, dsLeft, dsTop, dsRight, dsBottom});
    EXPECT_FALSE(C->CanMove());
    C->SetNotDocking({dsNone});
    EXPECT_TRUE(C->CanMove());
    // Made at run time, a bar has no design to go back to.
    EXPECT_FALSE(C->CanReset());
}

TEST(Bars, TheMainMenuIsOneBarThatAlwaysTakesTheWholeRowAndWraps)
{
    TManagerForm F;
    TcbBar* A = F.AddBar("Menu A");
    TcbBar* B = F.AddBar("Menu B");
    A->SetIsMainMenu(true);
    EXPECT_TRUE(A->GetWholeRow());
    EXPECT_TRUE(A->GetMultiLine());
    EXPECT_EQ(F.Manager->GetMainMenuBar(), A);
    EXPECT_FALSE(A->CanClose());

    B->SetIsMainMenu(true);
    EXPECT_FALSE(A->GetIsMainMenu());
    EXPECT_FALSE(A->GetWholeRow());
    EXPECT_FALSE(A->GetMultiLine());
    EXPECT_TRUE(A->CanClose());
    EXPECT_EQ(F.Manager->GetMainMenuBar(), B);
    B->SetMultiLine(false);
    EXPECT_TRUE(B->GetMultiLine());

    // The manager forgets a main menu bar that goes.
    delete B;
    EXPECT_EQ(F.Manager->GetMainMenuBar(), nullptr);
}

TEST(Bars, AssignCopiesInItsOrderWithDockingAfterWholeRowAndVisibleLast)
{
    TManagerForm Source;
    TcbBar* From = Source.AddBar("Standard");
    From->SetAllowClose(false);
    From->SetRow(2);
    From->SetWholeRow(true);
    From->SetDockingStyle(dsTop);
    From->SetUseRecentItems(false);
    From->SetColor(clRed);
    TManagerForm::AddLink(From, Source.AddItem("Open", 0));

    TManagerForm Target;
    auto* To = new TRecordingBar(Target.Manager->GetBars());
    To->Assign(From);
    const std::vector<std::string> Order{"AllowClose", "Caption", "IsMainMenu", "ItemLinks", "Row", "WholeRow",
                                         "DockingStyle", "UseRecentItems", "Font", "UseOwnFont", "Visible"};
    for (size_t I = 1; I < Order.size(); ++I)
        EXPECT_LT(FirstAt(To->Log, Order[I - 1]), FirstAt(To->Log, Order[I])) << Order[I];
    EXPECT_EQ(To->Log.back(), "Visible");

    EXPECT_FALSE(To->GetAllowClose());
    EXPECT_EQ(To->GetCaption(), "Standard");
    EXPECT_EQ(To->GetRow(), 2);
    EXPECT_TRUE(To->GetWholeRow());
    EXPECT_EQ(To->GetDockingStyle(), dsTop);
    EXPECT_FALSE(To->GetUseRecentItems());
    EXPECT_FALSE(To->GetItemLinks()->GetUseRecentItems());
    EXPECT_EQ(To->GetColor(), clRed);
    EXPECT_FALSE(To->GetUseOwnFont());
    EXPECT_TRUE(To->GetVisible());
    ASSERT_EQ(To->GetItemLinks()->GetCount(), 1);
    EXPECT_EQ(To->GetItemLinks()->GetItem(0)->GetItem(), From->GetItemLinks()->GetItem(0)->GetItem());
}

TEST(Bars, AddDeleteVisibilityAndDockingEventsFireOutsideLoadingOnly)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    std::vector<std::string> Events;
    TcbBarManager* M = nullptr;
    TcbBar* Loaded = nullptr;
    {
        TLoadingScope Scope;
        M = new TcbBarManager(Form.get());
        M->OnBarAdd = [&](TObject*, TcbBar*) { Events.push_back("add"); };
        M->OnBarDelete = [&](TObject*, TcbBar*) { Events.push_back("delete"); };
        M->OnBarVisibleChange = [&](TObject*, TcbBar* B) { Events.push_back(B->GetVisible() ? "show" : "hide"); };
        M->OnBarDockingStyleChange = [&](TObject*, TcbBar*) { Events.push_back("dock"); };
        delete M->GetBars()->Add();
        Loaded = M->GetBars()->Add();
        Loaded->SetVisible(true);
        Loaded->SetDockingStyle(dsLeft);
        EXPECT_FALSE(Loaded->GetVisible());
        EXPECT_EQ(Loaded->GetDockingStyle(), dsNone);
        EXPECT_TRUE(Events.empty());
        Scope.Finish();
    }
    // Loading ends with the values read applied, quietly for the docking.
    EXPECT_TRUE(Loaded->GetVisible());
    EXPECT_EQ(Loaded->GetDockingStyle(), dsLeft);
    EXPECT_TRUE(Loaded->CanReset());
    EXPECT_EQ(Events, std::vector<std::string>{"show"});

    Events.clear();
    TcbBar* Later = M->GetBars()->Add();
    Later->SetDockingStyle(dsRight);
    Later->SetVisible(true);
    delete Later;
    EXPECT_EQ(Events, (std::vector<std::string>{"add", "dock", "show", "delete", "hide"}));

    // A manager going takes its bars along without a word.
    Events.clear();
    Form.reset();
    EXPECT_TRUE(Events.empty());
}
