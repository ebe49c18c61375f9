// A manager read with its form's design: while the design builder runs the setters only store,
// and when loading ends the bars, links, categories and groups take what was read; the stored
// layout is read through the extension table at run time, never while a design is replayed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbExtensions.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/FormDesign.h"
#include "tests/commandbars/ModelSupport.h"

using CommandBarsTest::TTestItem;

namespace {

struct TBuildRecord {
    int Events = 0;
    int ListedLinks = 0;
    bool AnyBarVisible = false;
    TcbBarDockingStyle Docking = dsNone;
};
TBuildRecord gDuringBuild;
int gEvents = 0;

void BuildBarsForm(TCustomForm& Root, const TFormDesignContext&)
{
    auto* M = new TcbBarManager(&Root);
    M->SetName("BarManager1");
    M->OnBarAdd = [](TObject*, TcbBar*) { ++gEvents; };
    M->OnBarVisibleChange = [](TObject*, TcbBar*) { ++gEvents; };
    M->OnBarDockingStyleChange = [](TObject*, TcbBar*) { ++gEvents; };
    M->OnItemLinkAdd = [](TObject*, TcbBarItemLink*) { ++gEvents; };
    M->SetStoreInRegistry(true);
    M->SetRegistryPath("Software\\Quillmoor\\Bars");
    TStrings* Categories = M->GetCategories();
    Categories->Add("A");
    Categories->Add("B");
    M->GetCategories()->SetItemsVisibles({ivAlways, ivNever});

    const struct {
        const char* Name;
        int32_t Category;
    } kItems[] = {{"Item1", 0}, {"Item2", 0}, {"Item3", 1}};
    for (const auto& I : kItems) {
        auto* Item = new TTestItem(&Root);
        Item->SetName(I.Name);
        Item->SetCaption(I.Name);
        Item->SetCategory(I.Category);
    }
    auto Item = [&](const char* Name) { return static_cast<TcbBarItem*>(Root.FindComponent(Name)); };
    const std::vector<std::vector<const char*>> kBarItems{{"Item1", "Item3"}, {"Item2"}};
    for (size_t B = 0; B < kBarItems.size(); ++B) {
        TcbBar* Bar = M->GetBars()->Add();
        Bar->SetName("Bar" + std::to_string(B + 1));
        Bar->SetCaption("Bar " + std::to_string(B + 1));
        Bar->SetDockingStyle(dsTop);
        Bar->SetVisible(true);
        for (const char* Name : kBarItems[B])
            Bar->GetItemLinks()->Add()->SetItem(Item(Name));
    }
    TcbBarGroup* Group = M->AddGroup();
    Group->SetName("Group1");
    Group->SetItemNames({"Item1", "NoSuchItem", "Item3"});

    gDuringBuild.Events = gEvents;
    for (int32_t B = 0; B < M->GetBars()->GetCount(); ++B) {
        TcbBar* Bar = M->GetBars()->GetItem(B);
        gDuringBuild.ListedLinks += Bar->GetItemLinks()->GetAvailableItemCount() + Bar->GetItemLinks()->GetShownItemCount();
        gDuringBuild.AnyBarVisible |= Bar->GetVisible();
        gDuringBuild.Docking = Bar->GetDockingStyle();
    }
    gDuringBuild.ListedLinks += Group->GetCount();
}

class TBarsDesignForm : public TForm {
public:
    explicit TBarsDesignForm(TComponent* AOwner) : TForm(AOwner) { ApplyFormDesign(*this); }
    std::string ClassName() const override { return "TBarsDesignForm"; }
};

class BarManagerDesign : public ::testing::Test {
protected:
    void SetUp() override
    {
        gDuringBuild = {};
        gEvents = 0;
        RegisterFormDesign("TBarsDesignForm", BuildBarsForm);
        cbExtensions().LoadFromRegistry = [this](TcbBarManager* M, const std::string& Path) {
            Stored.push_back(M->GetName() + " " + Path);
        };
    }
    void TearDown() override
    {
        UnregisterFormDesign("TBarsDesignForm");
        ResetFrameworkExtensions();
    }
    std::vector<std::string> Stored;
};

} // namespace

TEST_F(BarManagerDesign, TheBuilderOnlyStoresAndLoadingAppliesWhatWasRead)
{
    TComponentPtr<TBarsDesignForm> Form(new TBarsDesignForm(nullptr));
    EXPECT_EQ(gDuringBuild.Events, 0);
    EXPECT_EQ(gDuringBuild.ListedLinks, 0);
    EXPECT_FALSE(gDuringBuild.AnyBarVisible);
    EXPECT_EQ(gDuringBuild.Docking, dsNone);

    auto* M = static_cast<TcbBarManager*>(Form->FindComponent("BarManager1"));
    ASSERT_NE(M, nullptr);
    EXPECT_EQ(M->GetCategories()->GetCount(), 2);
    ASSERT_EQ(M->GetBars()->GetCount(), 2);
    TcbBar* Bar1 = M->GetBars()->GetItem(0);
    TcbBar* Bar2 = M->GetBars()->GetItem(1);
    for (TcbBar* Bar : {Bar1, Bar2}) {
        EXPECT_TRUE(Bar->GetVisible()) << Bar->GetName();
        EXPECT_EQ(Bar->GetDockingStyle(), dsTop) << Bar->GetName();
        EXPECT_TRUE(Bar->CanReset()) << Bar->GetName();
    }
    // Item3 of category B no longer shows; the other links are in their lists.
    auto* Item3 = static_cast<TcbBarItem*>(Form->FindComponent("Item3"));
    EXPECT_EQ(Item3->GetVisible(), ivNever);
    EXPECT_EQ(M->GetCategoryItemsVisible(1), ivNever);
    EXPECT_EQ(M->GetCategoryItemsVisible(0), ivAlways);
    ASSERT_EQ(Bar1->GetItemLinks()->GetVisibleItemCount(), 1);
    EXPECT_EQ(Bar1->GetItemLinks()->GetVisibleItem(0)->GetItem(), Form->FindComponent("Item1"));
    EXPECT_EQ(Bar1->GetItemLinks()->GetRecentListCount(), 2);
    ASSERT_EQ(Bar2->GetItemLinks()->GetShownItemCount(), 1);
    EXPECT_EQ(Bar2->GetItemLinks()->GetShownItem(0)->GetUseCount(), M->GetUseCountBase());

    auto* Group = static_cast<TcbBarGroup*>(Form->FindComponent("Group1"));
    ASSERT_EQ(Group->GetCount(), 2);
    EXPECT_EQ(Group->GetItem(0), Form->FindComponent("Item1"));
    EXPECT_EQ(Group->GetItem(1), Item3);
    EXPECT_EQ(M->GetGroup(0), Group);

    // Showing the bars was all that was heard; the docking came quietly.
    EXPECT_EQ(gEvents, 2);
    EXPECT_EQ(Stored, std::vector<std::string>{"BarManager1 Software\\Quillmoor\\Bars"});
    EXPECT_TRUE(M->CanReset());
    M->ReadState();
    EXPECT_FALSE(M->CanReset());
}

TEST_F(BarManagerDesign, AReplayedDesignReadsNoStoredLayout)
{
    TComponentPtr<TBarsDesignForm> Form(new TBarsDesignForm(nullptr));
    ASSERT_EQ(Stored.size(), 1u);
    TComponentPtr<TForm> Copy = ReadFormDesign(*Form);
    ASSERT_NE(Copy, nullptr);
    auto* M = static_cast<TcbBarManager*>(Copy->FindComponent("BarManager1"));
    ASSERT_NE(M, nullptr);
    EXPECT_EQ(M->GetOwnerForm(), Copy.get());
    EXPECT_EQ(M->GetBars()->GetItem(1)->GetItemLinks()->GetVisibleItemCount(), 1);
    EXPECT_EQ(Stored.size(), 1u);
    // The copy's items belong to the copy's manager.
    EXPECT_EQ(static_cast<TcbBarItem*>(Copy->FindComponent("Item1"))->GetBarManager(), M);
}

TEST(BarManagerLoading, ALockedManagerStillEndsItsLoadingAndAppliesNothing)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    TcbBarManager* M = nullptr;
    TcbBar* Bar = nullptr;
    {
        TLoadingScope Scope;
        M = new TcbBarManager(Form.get());
        Bar = M->GetBars()->Add();
        Bar->SetVisible(true);
        M->SetLockUpdate(true);
        Scope.Finish();
    }
    EXPECT_FALSE(M->IsLoading());
    EXPECT_FALSE(Bar->GetVisible());
    // Out of loading the setters act.
    Bar->SetVisible(true);
    EXPECT_TRUE(Bar->GetVisible());
    M->SetLockUpdate(false);
}

// ---------------------------------------------------------------------------------------------
// The dock controls at the end of loading

namespace {

// Counts what the form's designer is told.
class TCountingDesigner : public IFormDesigner {
public:
    void Modified() override { ++Count; }
    void SelectComponent(TPersistent*) override {}
    int Count = 0;
};

bool gDesignDockForm = false;
TCountingDesigner gDockDesigner;

// A placeable dock site 80 pixels high, made before the manager it is given, and no bar on it.
void BuildDockForm(TCustomForm& Root, const TFormDesignContext&)
{
    if (gDesignDockForm) {
        Root.SetDesigning(true);
        static_cast<TForm&>(Root).SetDesigner(&gDockDesigner);
    }
    auto* Site = new TcbBarDockControl(&Root);
    Site->SetName("Site1");
    Site->SetParent(&Root);
    Site->SetBounds(0, 0, 300, 80);
    auto* M = new TcbBarManager(&Root);
    M->SetName("BarManager1");
    Site->SetBarManager(M);
}

class TDockDesignForm : public TForm {
public:
    explicit TDockDesignForm(TComponent* AOwner) : TForm(AOwner) { ApplyFormDesign(*this); }
    std::string ClassName() const override { return "TDockDesignForm"; }
};

} // namespace

TEST(BarManagerLoading, TheDockControlsLayTheirBarsOutAgainWhenLoadingEnds)
{
    RegisterFormDesign("TDockDesignForm", BuildDockForm);
    TScopeExit Unregister([] {
        UnregisterFormDesign("TDockDesignForm");
        gDesignDockForm = false;
    });
    {
        // At run time an empty site takes no room.
        TComponentPtr<TDockDesignForm> Form(new TDockDesignForm(nullptr));
        auto* Site = static_cast<TcbBarDockControl*>(Form->FindComponent("Site1"));
        ASSERT_NE(Site, nullptr);
        EXPECT_FALSE(Form->HandleAllocated());
        EXPECT_EQ(Site->GetHeight(), 0);
    }
    // At design time it keeps its three pixels, and what the layout moved is no change the
    // designer hears of.
    gDesignDockForm = true;
    gDockDesigner.Count = 0;
    TComponentPtr<TDockDesignForm> Form(new TDockDesignForm(nullptr));
    auto* Site = static_cast<TcbBarDockControl*>(Form->FindComponent("Site1"));
    auto* M = static_cast<TcbBarManager*>(Form->FindComponent("BarManager1"));
    ASSERT_NE(Site, nullptr);
    ASSERT_NE(M, nullptr);
    ASSERT_TRUE(M->IsDesigning());
    EXPECT_EQ(Site->GetHeight(), 3);
    EXPECT_EQ(gDockDesigner.Count, 0);
    // Later changes reach it as before.
    M->GetCategories()->Add("More");
    EXPECT_GT(gDockDesigner.Count, 0);
    Form->SetDesigner(nullptr);
}
