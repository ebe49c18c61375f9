// Item groups: members held once, recursion refused at any depth, Enabled and Visible set through
// nested groups with the bars' rebuilding locked, and members that go leaving the group.
#include <gtest/gtest.h>

#include "commandbars/foundation/cbStrings.h"
#include "tests/commandbars/ModelSupport.h"

using CommandBarsTest::TManagerForm;
using CommandBarsTest::TTestItem;

namespace {

// Records whether the manager's rebuilding was locked whenever a group changed it.
class TLockProbeItem : public TTestItem {
public:
    explicit TLockProbeItem(TComponent* AOwner) : TTestItem(AOwner) {}
    void EnabledChanged() override { Probe(); }
    void VisibleChanged() override
    {
        Probe();
        TTestItem::VisibleChanged();
    }
    int Calls = 0;
    int Locked = 0;

private:
    void Probe()
    {
        ++Calls;
        Locked += GetBarManager()->GetLockUpdate() ? 1 : 0;
    }
};

std::string AddFailure(TcbBarGroup* Group, TComponent* Member)
{
    try {
        Group->Add(Member);
    } catch (const Exception& E) {
        return E.Message();
    }
    return "";
}

} // namespace

TEST(BarGroups, ARecursiveGroupIsRefusedAtAnyDepthAndChangesNothing)
{
    TManagerForm F;
    TcbBarGroup* Top = F.Manager->AddGroup();
    TcbBarGroup* Middle = F.Manager->AddGroup();
    TcbBarGroup* Bottom = F.Manager->AddGroup();
    EXPECT_EQ(F.Manager->GetGroupCount(), 3);
    EXPECT_EQ(Bottom->GetIndex(), 2);
    EXPECT_EQ(Top->GetOwner(), F.Form.get());
    EXPECT_EQ(Top->GetParentComponent(), F.Manager);
    TTestItem* Item = F.AddItem("Item1");
    Top->Add(Middle);
    Middle->Add(Bottom);
    Top->Add(Item);

    EXPECT_EQ(AddFailure(Top, Top), "You cannot create recursive groups");
    EXPECT_EQ(AddFailure(Bottom, Top), uiGetResourceString(cbsRecursiveGroups));
    EXPECT_EQ(AddFailure(Bottom, Middle), uiGetResourceString(cbsRecursiveGroups));
    EXPECT_EQ(Bottom->GetCount(), 0);
    EXPECT_EQ(Top->GetCount(), 2);
    EXPECT_EQ(Middle->GetCount(), 1);

    // Nothing, a member already there, and components that are neither items nor groups.
    EXPECT_EQ(AddFailure(Top, nullptr), "");
    Top->Add(Item);
    Top->Add(F.Form.get());
    EXPECT_EQ(Top->GetCount(), 2);
    // A group reached along two ways is no recursion.
    Top->Add(Bottom);
    EXPECT_EQ(Top->GetCount(), 3);
    Top->Move(0, 2);
    EXPECT_EQ(Top->GetItem(0), Item);
    EXPECT_EQ(Top->IndexOf(Middle), 2);
    EXPECT_EQ(Top->GetItem(3), nullptr);
    Bottom->SetIndex(0);
    EXPECT_EQ(F.Manager->GetGroup(0), Bottom);
}

TEST(BarGroups, EnabledAndVisibleReachEveryMemberThroughNestedGroups)
{
    TManagerForm F;
    TcbBarGroup* Outer = F.Manager->AddGroup();
    TcbBarGroup* Inner = F.Manager->AddGroup();
    TTestItem* A = F.AddItem("A", 0);
    TTestItem* B = F.AddItem("B", 0);
    auto* C = new TLockProbeItem(F.Form.get());
    C->SetCategory(0);
    Outer->Add(A);
    Outer->Add(Inner);
    Inner->Add(B);
    Inner->Add(C);
    TcbBar* Bar = F.AddBar("Tools");
    TManagerForm::AddLink(Bar, C);

    Outer->SetEnabled(false);
    EXPECT_FALSE(A->GetEnabled());
    EXPECT_FALSE(B->GetEnabled());
    EXPECT_FALSE(C->GetEnabled());
    EXPECT_FALSE(Inner->GetEnabled());
    EXPECT_FALSE(F.Manager->GetLockUpdate());

    Outer->SetVisible(ivNever);
    EXPECT_EQ(C->GetVisible(), ivNever);
    EXPECT_EQ(Bar->GetItemLinks()->GetVisibleItemCount(), 0);
    // The bars' rebuilding was locked while the members changed, and is unlocked afterwards.
    EXPECT_EQ(C->Calls, 2);
    EXPECT_EQ(C->Locked, 2);
    EXPECT_FALSE(F.Manager->GetLockUpdate());
}

TEST(BarGroups, AMemberThatGoesLeavesItsGroups)
{
    TManagerForm F;
    TcbBarGroup* Outer = F.Manager->AddGroup();
    TcbBarGroup* Inner = F.Manager->AddGroup();
    TTestItem* A = F.AddItem("A");
    TTestItem* B = F.AddItem("B");
    Outer->Add(A);
    Outer->Add(Inner);
    Outer->Add(B);
    Inner->Add(A);
    A->Free();
    EXPECT_EQ(Outer->GetCount(), 2);
    EXPECT_EQ(Outer->IndexOf(B), 1);
    EXPECT_EQ(Inner->GetCount(), 0);
    Inner->Free();
    EXPECT_EQ(Outer->GetCount(), 1);
    EXPECT_EQ(F.Manager->GetGroupCount(), 1);
    Outer->Remove(B);
    EXPECT_EQ(Outer->GetCount(), 0);
    // Freed after its removal, B is nobody's member any more.
    B->Free();
    EXPECT_EQ(Outer->GetCount(), 0);
}
