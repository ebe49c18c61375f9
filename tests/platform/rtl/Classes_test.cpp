#include "platform/rtl/Classes.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using TLog = std::vector<std::string>;

// A component that logs what happens to it and keeps one reference it must drop on removal.
class TProbe : public TComponent {
public:
    TProbe(TComponent* AOwner, const std::string& AName, TLog* ALog) : TComponent(AOwner), Log(ALog)
    {
        SetName(AName);
    }
    ~TProbe() override
    {
        Log->push_back("free " + GetName() + (GetComponentState().Contains(csDestroying) ? "*" : ""));
    }
    std::string ClassName() const override { return "TProbe"; }
    void Notification(TComponent* C, TOperation Op) override
    {
        TComponent::Notification(C, Op);
        if (Op == opRemove) {
            Log->push_back(GetName() + " heard " + C->GetName());
            if (C == Ref)
                Ref = nullptr;
        }
    }
    void ReadState() override
    {
        // Read while still reading, before anything of the scope is loaded.
        Log->push_back("read " + GetName() + (GetComponentState().Contains(csReading) ? "" : " (not reading)"));
        if (ThrowOnRead)
            throw std::runtime_error("read failed");
    }
    void Loaded() override
    {
        TComponent::Loaded();
        Log->push_back("loaded " + GetName() + (GetComponentState().Contains(csReading) ? " (still reading)" : ""));
        if (ThrowOnLoad)
            throw std::runtime_error("load failed");
    }
    TComponent* Ref = nullptr;
    bool ThrowOnRead = false;
    bool ThrowOnLoad = false;
    TLog* Log;
};

class TFoo : public TPersistent {
public:
    std::string ClassName() const override { return "TFoo"; }
};
class TBar : public TPersistent {
public:
    std::string ClassName() const override { return "TBar"; }
    int Value = 0;
};
// Knows how to put itself into a TBar.
class TBarSource : public TPersistent {
public:
    std::string ClassName() const override { return "TBarSource"; }
    void AssignTo(TPersistent* Dest) override
    {
        if (auto* B = dynamic_cast<TBar*>(Dest))
            B->Value = 42;
        else
            TPersistent::AssignTo(Dest);
    }
};

std::string MessageOf(const std::function<void()>& Fn)
{
    try {
        Fn();
    } catch (const Exception& E) {
        return E.ClassName() + ": " + E.Message();
    }
    return "no exception";
}

int Id(void* P)
{
    return static_cast<int>(reinterpret_cast<intptr_t>(P));
}
void* Ptr(int V)
{
    return reinterpret_cast<void*>(static_cast<intptr_t>(V));
}

} // namespace

TEST(List, EditingAndIndexErrors)
{
    TList L;
    for (int I = 1; I <= 5; ++I)
        L.Add(Ptr(I));
    L.Move(0, 4);      // 2 3 4 5 1
    L.Exchange(0, 1);  // 3 2 4 5 1
    L.Insert(5, Ptr(9)); // at the end
    EXPECT_EQ(L.Remove(Ptr(4)), 2);
    EXPECT_EQ(L.Remove(Ptr(4)), -1);
    EXPECT_EQ(L.Extract(Ptr(5)), Ptr(5));
    EXPECT_EQ(L.Extract(Ptr(5)), nullptr);
    std::vector<int> Got;
    for (void* P : L)
        Got.push_back(Id(P));
    EXPECT_EQ(Got, (std::vector<int>{3, 2, 1, 9}));
    EXPECT_EQ(Id(L.First()), 3);
    EXPECT_EQ(Id(L.Last()), 9);

    EXPECT_EQ(MessageOf([&] { L.GetItems(4); }), "EListError: List index 4 out of range");
    EXPECT_EQ(MessageOf([&] { L.Delete(-1); }), "EListError: List index -1 out of range");
    EXPECT_THROW(L.Insert(6, nullptr), EListError);
    EXPECT_THROW(L.Move(0, 4), EListError);
    L.Clear();
    EXPECT_EQ(MessageOf([&] { L.First(); }), "EListError: List index 0 out of range");
    EXPECT_THROW(L.Last(), EListError);
}

TEST(List, SortIsStableAndPackDropsNil)
{
    TList L;
    // Sort by tens only: equal keys keep their order.
    for (int V : {31, 12, 35, 11, 20, 33})
        L.Add(Ptr(V));
    L.Sort([](void* A, void* B) { return Id(A) / 10 - Id(B) / 10; });
    std::vector<int> Got;
    for (void* P : L)
        Got.push_back(Id(P));
    EXPECT_EQ(Got, (std::vector<int>{12, 11, 20, 31, 35, 33}));
    L.SetCount(8);
    EXPECT_EQ(L.GetItems(7), nullptr);
    L.Pack();
    EXPECT_EQ(L.GetCount(), 6);
}

TEST(Persistent, AssignAsksTheSource)
{
    TFoo Foo;
    TBar Bar;
    EXPECT_EQ(MessageOf([&] { Bar.Assign(&Foo); }), "EConvertError: Cannot assign a TFoo to a TBar");
    EXPECT_EQ(MessageOf([&] { Bar.Assign(nullptr); }), "EConvertError: Cannot assign a nil to a TBar");
    TBarSource Src;
    Bar.Assign(&Src);
    EXPECT_EQ(Bar.Value, 42);
    EXPECT_EQ(MessageOf([&] { Foo.Assign(&Src); }), "EConvertError: Cannot assign a TBarSource to a TFoo");
    TInterfacedPersistent Owned(&Bar);
    EXPECT_EQ(Owned.GetOwner(), &Bar);
}

TEST(Component, OwnerFreesLastFirstWhileDestroying)
{
    TLog Log;
    auto* Owner = new TProbe(nullptr, "O", &Log);
    new TProbe(Owner, "A", &Log);
    new TProbe(Owner, "B", &Log);
    auto* C = new TProbe(Owner, "C", &Log);
    EXPECT_EQ(Owner->GetComponentCount(), 3);
    EXPECT_EQ(C->GetComponentIndex(), 2);
    EXPECT_EQ(C->GetOwner(), Owner);
    Owner->Free();
    // Every destructor ran with the destroying state already set; owned ones last first, and
    // the ones still there heard of each one that went, so none keeps a dangling reference.
    EXPECT_EQ(Log, (TLog{"free O*", "free C*", "A heard C", "B heard C", "free B*", "A heard B", "free A*"}));
}

TEST(Component, FreedComponentNotifiesAndDropsOutBothWays)
{
    TLog Log;
    TComponentPtr<TProbe> Owner(new TProbe(nullptr, "O", &Log));
    auto* A = new TProbe(Owner.get(), "A", &Log);
    auto* B = new TProbe(Owner.get(), "B", &Log);
    auto* C = new TProbe(Owner.get(), "C", &Log);
    TComponentPtr<TProbe> X(new TProbe(nullptr, "X", &Log)); // outside the owner
    TComponentPtr<TProbe> Y(new TProbe(nullptr, "Y", &Log));
    X->Ref = B;
    X->FreeNotification(B);
    A->Ref = B;
    A->FreeNotification(B); // a sibling link: still heard once
    B->FreeNotification(Y.get());
    Log.clear();
    B->Free();
    EXPECT_EQ(Log, (TLog{"free B*", "Y heard B", "X heard B", "A heard B", "C heard B", "O heard B"}));
    EXPECT_EQ(X->Ref, nullptr);
    EXPECT_EQ(A->Ref, nullptr);
    EXPECT_EQ(Owner->GetComponentCount(), 2);

    // Freeing one side of a link leaves nothing behind on the other (the sanitizer would see it).
    C->FreeNotification(X.get());
    X.reset();
    Log.clear();
    C->Free();
    EXPECT_EQ(Log, (TLog{"free C*", "A heard C", "O heard C"}));
    Y->FreeNotification(A);
    Y->RemoveFreeNotification(A);
    Log.clear();
    A->Free();
    EXPECT_EQ(Log, (TLog{"free A*", "O heard A"}));
}

TEST(Component, InsertNotificationsAndMovingOwners)
{
    TLog Log;
    TComponent Owner(nullptr);
    TComponent Other(nullptr);
    auto* A = new TProbe(&Owner, "A", &Log);
    auto* B = new TProbe(&Owner, "B", &Log);
    B->SetComponentIndex(0);
    EXPECT_EQ(Owner.GetComponents(0), B);
    EXPECT_EQ(Owner.FindComponent("a"), A);
    EXPECT_EQ(Owner.FindComponent(""), nullptr);
    Other.InsertComponent(A);
    EXPECT_EQ(A->GetOwner(), &Other);
    EXPECT_EQ(Owner.GetComponentCount(), 1);
    EXPECT_EQ(Log, (TLog{"B heard A"})); // B lost a sibling
    auto* A2 = new TProbe(&Owner, "a2", &Log);
    A2->SetName("A");
    EXPECT_THROW(Other.InsertComponent(A2), EComponentError); // Other already has an "A"
    EXPECT_EQ(A2->GetOwner(), &Owner);                        // and nothing moved
    auto* Child = new TProbe(A2, "Child", &Log);
    EXPECT_THROW(Child->InsertComponent(A2), EComponentError); // no ownership cycles
    EXPECT_THROW(A2->InsertComponent(A2), EComponentError);
    EXPECT_EQ(Child->GetOwner(), A2);
}

TEST(Component, Names)
{
    TLog Log;
    TComponent Owner(nullptr);
    auto* A = new TProbe(&Owner, "Button1", &Log);
    auto* B = new TProbe(&Owner, "Edit", &Log);
    EXPECT_EQ(MessageOf([&] { B->SetName("BUTTON1"); }), "EComponentError: Duplicate component name 'BUTTON1'");
    EXPECT_EQ(MessageOf([&] { B->SetName("1abc"); }), "EComponentError: Invalid component name '1abc'");
    EXPECT_EQ(MessageOf([&] { B->SetName("a b"); }), "EComponentError: Invalid component name 'a b'");
    EXPECT_EQ(B->GetName(), "Edit");
    A->SetName("BUTTON1"); // its own name in another case
    B->SetName("_x9");
    B->SetName("");        // unnamed is allowed, and not found
    EXPECT_EQ(Owner.FindComponent("button1"), A);
    new TProbe(&Owner, "", &Log);
    EXPECT_NO_THROW(TProbe(nullptr, "Button1", &Log)); // no owner, no clash
}

TEST(Component, LoadingScope)
{
    TLog Log;
    TComponent Owner(nullptr);
    TProbe* A;
    TProbe* C;
    {
        TLoadingScope Scope;
        A = new TProbe(&Owner, "A", &Log);
        auto* B = new TProbe(&Owner, "B", &Log);
        C = new TProbe(&Owner, "C", &Log);
        EXPECT_TRUE(A->GetComponentState().Contains(csLoading));
        EXPECT_TRUE(C->GetComponentState().Contains(csReading));
        EXPECT_TRUE(Log.empty());
        B->Free(); // gone before the end: no Loaded for it
        Log.clear();
    }
    EXPECT_EQ(Log, (TLog{"read A", "read C", "loaded A", "loaded C"}));
    EXPECT_TRUE(A->GetComponentState().Empty());
    EXPECT_FALSE(TProbe(nullptr, "Late", &Log).GetComponentState().Contains(csLoading));

    // Nested scopes: inner components are loaded when the inner scope ends.
    Log.clear();
    {
        TLoadingScope Outer;
        new TProbe(&Owner, "P", &Log);
        {
            TLoadingScope Inner;
            new TProbe(&Owner, "Q", &Log);
        }
        EXPECT_EQ(Log, (TLog{"read Q", "loaded Q"}));
        Outer.Finish();
        new TProbe(&Owner, "R", &Log); // after Finish: not loading
    }
    EXPECT_EQ(Log, (TLog{"read Q", "loaded Q", "read P", "loaded P"}));
    EXPECT_FALSE(Owner.FindComponent("R")->GetComponentState().Contains(csLoading));
}

TEST(Component, LoadingScopeFailures)
{
    TLog Log;
    TComponent Owner(nullptr);
    TLoadingScope Scope;
    auto* A = new TProbe(&Owner, "A", &Log);
    auto* B = new TProbe(&Owner, "B", &Log);
    A->ThrowOnLoad = true;
    // The first failure comes back after every component got its Loaded.
    EXPECT_THROW(Scope.Finish(), std::runtime_error);
    EXPECT_EQ(Log, (TLog{"read A", "read B", "loaded A", "loaded B"}));
    EXPECT_FALSE(A->GetComponentState().Contains(csLoading));
    EXPECT_FALSE(B->GetComponentState().Contains(csLoading));

    // Unwinding through a scope clears the states without Loaded.
    Log.clear();
    TProbe* C = nullptr;
    try {
        TLoadingScope Failing;
        C = new TProbe(&Owner, "C", &Log);
        throw std::runtime_error("form data broken");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(Log.empty());
    EXPECT_FALSE(C->GetComponentState().Contains(csLoading));
}

TEST(Component, AFailedReadLoadsNothing)
{
    TLog Log;
    TComponent Owner(nullptr);
    TProbe* A;
    TProbe* B;
    TProbe* C;
    {
        TLoadingScope Scope;
        A = new TProbe(&Owner, "A", &Log);
        B = new TProbe(&Owner, "B", &Log);
        C = new TProbe(&Owner, "C", &Log);
        B->ThrowOnRead = true;
        EXPECT_THROW(Scope.Finish(), std::runtime_error);
    }
    // No Loaded for any of them, the reads after the failure are not made, and no state is left.
    EXPECT_EQ(Log, (TLog{"read A", "read B"}));
    for (TProbe* P : {A, B, C})
        EXPECT_TRUE(P->GetComponentState().Empty()) << P->GetName();
    // The components belong to no scope any more: a later scope does not reach them.
    Log.clear();
    {
        TLoadingScope Later;
        new TProbe(&Owner, "D", &Log);
    }
    EXPECT_EQ(Log, (TLog{"read D", "loaded D"}));
}

TEST(Component, DesigningOwnersMakeDesigningComponents)
{
    TLog Log;
    TComponent Form(nullptr);
    auto* Before = new TProbe(&Form, "Before", &Log);
    Form.SetDesigning(true);
    EXPECT_TRUE(Before->GetComponentState().Contains(csDesigning));
    auto* Made = new TProbe(&Form, "Made", &Log);
    auto* Inner = new TProbe(Made, "Inner", &Log);
    EXPECT_TRUE(Made->GetComponentState().Contains(csDesigning));
    EXPECT_TRUE(Inner->GetComponentState().Contains(csDesigning));
    // A component that moves to a designing owner comes with what it owns.
    auto* Moved = new TProbe(nullptr, "Moved", &Log);
    auto* Sub = new TProbe(Moved, "Sub", &Log);
    EXPECT_FALSE(Sub->GetComponentState().Contains(csDesigning));
    Form.InsertComponent(Moved);
    EXPECT_TRUE(Moved->GetComponentState().Contains(csDesigning));
    EXPECT_TRUE(Sub->GetComponentState().Contains(csDesigning));
    // A run-time owner makes run-time components.
    TComponent Runtime(nullptr);
    EXPECT_FALSE((new TProbe(&Runtime, "Plain", &Log))->GetComponentState().Contains(csDesigning));
}
