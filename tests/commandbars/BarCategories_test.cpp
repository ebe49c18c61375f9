// The manager's categories: editing the list keeps the items' categories in step (deleting frees a
// category's items, inserting, exchanging and moving renumber them), the records of the
// categories, and a category's items made visible or not with empty bars hidden and shown again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandbars/foundation/cbStrings.h"
#include "tests/commandbars/ModelSupport.h"

using CommandBarsTest::gItemsFreed;
using CommandBarsTest::TManagerForm;
using CommandBarsTest::TTestItem;

namespace {

// A form whose manager has the given categories, and two items in each, named by category.
struct TCategorisedForm : TManagerForm {
    explicit TCategorisedForm(const std::vector<std::string>& Names)
    {
        TStrings* C = Manager->GetCategories();
        C->Clear();
        for (size_t I = 0; I < Names.size(); ++I) {
            C->Add(Names[I]);
            for (int N = 1; N <= 2; ++N)
                AddItem(Names[I] + std::to_string(N), static_cast<int32_t>(I));
        }
    }
    int32_t CategoryOf(const std::string& Item) const
    {
        return static_cast<TcbBarItem*>(Form->FindComponent(Item))->GetCategory();
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> R;
        for (int32_t I = 0; I < Manager->GetCategories()->GetCount(); ++I)
            R.push_back(Manager->GetCategories()->GetStrings(I));
        return R;
    }
};

} // namespace

TEST(BarCategories, DeletingACategoryFreesItsItemsAndRenumbersTheRest)
{
    TCategorisedForm F({"A", "B"});
    const int Freed = gItemsFreed;
    F.Manager->GetCategories()->Delete(0);
    EXPECT_EQ(gItemsFreed - Freed, 2);
    EXPECT_EQ(F.Form->FindComponent("A1"), nullptr);
    EXPECT_EQ(F.Manager->GetItemCount(), 2);
    EXPECT_EQ(F.CategoryOf("B1"), 0);
    EXPECT_EQ(F.CategoryOf("B2"), 0);

    // The last category going brings "Default" back, without B's items.
    F.Manager->GetCategories()->Delete(0);
    EXPECT_EQ(F.Names(), std::vector<std::string>{uiGetResourceString(cbsDefault)});
    EXPECT_EQ(F.Manager->GetItemCount(), 0);
}

TEST(BarCategories, InsertingExchangingAndMovingCarryTheItemsAlong)
{
    TCategorisedForm F({"A", "B", "C"});
    TStrings* C = F.Manager->GetCategories();
    C->Insert(0, "New");
    EXPECT_EQ(F.CategoryOf("A1"), 1);
    EXPECT_EQ(F.CategoryOf("B2"), 2);
    EXPECT_EQ(F.CategoryOf("C1"), 3);
    C->Delete(0);

    C->Exchange(0, 1);
    EXPECT_EQ(F.Names(), (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_EQ(F.CategoryOf("A1"), 1);
    EXPECT_EQ(F.CategoryOf("B1"), 0);
    EXPECT_EQ(F.CategoryOf("C1"), 2);
    C->Exchange(0, 1);

    C->Move(0, 2);
    EXPECT_EQ(F.Names(), (std::vector<std::string>{"B", "C", "A"}));
    EXPECT_EQ(F.CategoryOf("A1"), 2);
    EXPECT_EQ(F.CategoryOf("A2"), 2);
    EXPECT_EQ(F.CategoryOf("B1"), 0);
    EXPECT_EQ(F.CategoryOf("C2"), 1);
    C->Move(2, 0);
    EXPECT_EQ(F.Names(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(F.CategoryOf("A1"), 0);
    EXPECT_EQ(F.CategoryOf("C1"), 2);

    // In a bulk update only the names change.
    C->BeginUpdate();
    C->Insert(0, "Bulk");
    C->EndUpdate();
    EXPECT_EQ(F.CategoryOf("A1"), 0);

    // An item keeps to the categories there are.
    auto* Item = static_cast<TcbBarItem*>(F.Form->FindComponent("B1"));
    Item->SetCategory(9);
    EXPECT_EQ(Item->GetCategory(), 1);
}

TEST(BarCategories, RecordsAnswerForEveryIndexAndTravelWithTheirNames)
{
    TCategorisedForm F({"A", "B"});
    TcbBarManager* M = F.Manager;
    EXPECT_EQ(M->GetCategoryItemsVisible(0), ivAlways);
    EXPECT_TRUE(M->GetCategoryVisible(1));
    EXPECT_EQ(M->GetCategoryItemsVisible(99), ivNever);
    EXPECT_EQ(M->GetCategoryItemsVisible(-1), ivNever);
    EXPECT_FALSE(M->GetCategoryVisible(2));
    M->SetCategoryVisible(7, false); // nothing to set

    M->SetCategoryVisible(0, false);
    EXPECT_EQ(M->GetCategoryRealIndex(0), 1);
    EXPECT_EQ(M->GetCategoryRealIndex(1), -1);
    M->SetCategoryItemsVisible(1, ivNever);
    M->GetCategories()->Exchange(0, 1);
    EXPECT_EQ(M->GetCategoryItemsVisible(0), ivNever);
    EXPECT_FALSE(M->GetCategoryVisible(1));

    // The records are the list's own: a copy takes their values, not the objects.
    TManagerForm Other;
    Other.Manager->SetCategories(M->GetCategories());
    M->GetCategories()->Delete(0);
    EXPECT_EQ(Other.Manager->GetCategoryItemsVisible(0), ivNever);
    EXPECT_FALSE(Other.Manager->GetCategoryVisible(1));
    EXPECT_EQ(Other.Manager->GetCategories()->GetItemsVisibles(), (std::vector<int32_t>{ivNever, ivAlways}));

    // The form data's lists: longer than the categories or outside the enumeration is dropped.
    Other.Manager->GetCategories()->SetItemsVisibles({ivInCustomizing, 7, ivNever, ivNever});
    EXPECT_EQ(Other.Manager->GetCategories()->GetItemsVisibles(), (std::vector<int32_t>{ivInCustomizing, ivAlways}));
    Other.Manager->GetCategories()->SetVisibles({true});
    EXPECT_EQ(Other.Manager->GetCategories()->GetVisibles(), (std::vector<bool>{true, false}));
}

TEST(BarCategories, AtRunTimeACategorysListLeavesOutItemsThatNeverShow)
{
    TCategorisedForm F({"A"});
    auto* Hidden = static_cast<TcbBarItem*>(F.Form->FindComponent("A2"));
    Hidden->SetVisible(ivNever);
    std::vector<TcbBarItem*> List{Hidden};
    EXPECT_EQ(F.Manager->GetItemsByCategory(0, List), 1);
    ASSERT_EQ(List.size(), 1u);
    EXPECT_EQ(List[0], F.Form->FindComponent("A1"));
    EXPECT_EQ(F.Manager->GetItemsByCategory(3, List), 0);
    EXPECT_TRUE(List.empty());
}

TEST(BarCategories, HidingACategorysItemsHidesTheBarsLeftEmptyAndShowsThemAgain)
{
    TCategorisedForm F({"Kept", "Gone"});
    F.Manager->SetAutoHideEmptyBars(true);
    auto Item = [&](const char* Name) { return static_cast<TcbBarItem*>(F.Form->FindComponent(Name)); };
    TcbBar* OnlyGone = F.AddBar("OnlyGone");
    TManagerForm::AddLink(OnlyGone, Item("Gone1"));
    TManagerForm::AddLink(OnlyGone, Item("Gone2"));
    TcbBar* Mixed = F.AddBar("Mixed");
    TManagerForm::AddLink(Mixed, Item("Gone1"));
    TManagerForm::AddLink(Mixed, Item("Kept1"));
    TcbBar* Empty = F.AddBar("Empty");
    // A bar the user has closed stays closed whatever the category does.
    TcbBar* Closed = F.AddBar("Closed", false);
    TManagerForm::AddLink(Closed, Item("Gone2"));
    std::vector<std::string> Changes;
    F.Manager->OnBarVisibleChange = [&](TObject*, TcbBar* Bar) { Changes.push_back(Bar->GetCaption()); };

    F.Manager->SetCategoryItemsVisible(1, ivNever);
    EXPECT_EQ(Item("Gone1")->GetVisible(), ivNever);
    EXPECT_EQ(Item("Gone2")->GetVisible(), ivNever);
    EXPECT_FALSE(OnlyGone->GetVisible());
    EXPECT_TRUE(OnlyGone->IsHiddenBecauseEmpty());
    EXPECT_TRUE(Mixed->GetVisible());
    EXPECT_FALSE(Mixed->IsHiddenBecauseEmpty());
    EXPECT_EQ(Mixed->GetItemLinks()->GetVisibleItemCount(), 1);
    EXPECT_TRUE(Empty->GetVisible());
    EXPECT_FALSE(Empty->IsHiddenBecauseEmpty());
    EXPECT_FALSE(Closed->IsHiddenBecauseEmpty());
    EXPECT_EQ(Changes, std::vector<std::string>{"OnlyGone"});
    EXPECT_FALSE(F.Manager->GetLockUpdate());

    // Items whose visibility is not the category's keep theirs.
    Item("Gone2")->SetVisible(ivInCustomizing);
    F.Manager->SetCategoryItemsVisible(1, ivAlways);
    EXPECT_EQ(Item("Gone1")->GetVisible(), ivAlways);
    EXPECT_EQ(Item("Gone2")->GetVisible(), ivInCustomizing);
    EXPECT_TRUE(OnlyGone->GetVisible());
    EXPECT_FALSE(OnlyGone->IsHiddenBecauseEmpty());
    EXPECT_FALSE(Closed->GetVisible());
    EXPECT_EQ(Changes, (std::vector<std::string>{"OnlyGone", "OnlyGone"}));

    // Switching the option off forgets which bars it hid.
    F.Manager->SetCategoryItemsVisible(1, ivNever);
    // Neither hiding nor showing: the mark stays until the option goes.
    F.Manager->SetCategoryItemsVisible(1, ivInCustomizing);
    EXPECT_EQ(Item("Gone1")->GetVisible(), ivInCustomizing);
    ASSERT_TRUE(OnlyGone->IsHiddenBecauseEmpty());
    F.Manager->SetAutoHideEmptyBars(false);
    EXPECT_FALSE(OnlyGone->IsHiddenBecauseEmpty());
}
