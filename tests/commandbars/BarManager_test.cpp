// The bar manager: one per form and always owned by a form, the process-wide list and its end with
// the framework, the recent-use step, the system menu font and its fan-out to the bars, and the
// design-time renaming and designer reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbExtensions.h"
#include "commandbars/cbFramework.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/foundation/cbStrings.h"
#include "platform/rtl/ScopeGuards.h"
#include "tests/commandbars/ModelSupport.h"

using CommandBarsTest::TManagerForm;
using CommandBarsTest::TTestItem;

namespace {

std::string CreationFailure(TComponent* Owner)
{
    try {
        new TcbBarManager(Owner);
    } catch (const Exception& E) {
        return E.Message();
    }
    return "no failure";
}

// A designer that counts its reports.
class TCountingDesigner : public IFormDesigner {
public:
    void Modified() override { ++FModified; }
    void SelectComponent(TPersistent*) override {}
    int FModified = 0;
};

std::vector<std::string> gFreedManagers;

class TNamedManager : public TcbBarManager {
public:
    explicit TNamedManager(TComponent* AOwner) : TcbBarManager(AOwner) {}
    ~TNamedManager() override { gFreedManagers.push_back(GetName()); }
};

} // namespace

TEST(BarManager, OneManagerPerFormAndAFailedSecondOneLeavesNoTrace)
{
    TManagerForm F;
    TcbBarManagerList* List = BarManagers();
    ASSERT_NE(List, nullptr);
    const int32_t Place = List->IndexOf(F.Manager);
    ASSERT_GE(Place, 0);
    EXPECT_EQ(List->ManagerOfForm(F.Form.get()), F.Manager);
    ASSERT_EQ(F.Manager->GetCategories()->GetCount(), 1);
    EXPECT_EQ(F.Manager->GetCategories()->GetStrings(0), "Default");
    TTestItem* Item = F.AddItem("Item1", 0);

    const int32_t Components = F.Form->GetComponentCount();
    const int32_t Managers = List->GetCount();
    EXPECT_EQ(CreationFailure(F.Form.get()), uiGetResourceString(cbsSingleBarManager));
    EXPECT_EQ(CreationFailure(F.Form.get()), "A Form should contain only a single TcbBarManager");
    EXPECT_EQ(F.Form->GetComponentCount(), Components);
    EXPECT_EQ(List->GetCount(), Managers);
    EXPECT_EQ(List->IndexOf(F.Manager), Place);
    ASSERT_EQ(F.Manager->GetItemCount(), 1);
    EXPECT_EQ(F.Manager->GetItem(0), Item);
    EXPECT_EQ(Item->GetBarManager(), F.Manager);
    EXPECT_EQ(F.Manager->GetCategories()->GetCount(), 1);
}

TEST(BarManager, OnlyAFormOwnsAManagerAndNoOwnerMeansTheMainForm)
{
    TComponentPtr<TComponent> Plain(new TComponent(nullptr));
    const int32_t Managers = BarManagers()->GetCount();
    EXPECT_EQ(CreationFailure(Plain.get()), "TcbBarManager should have as its Owner - TForm (TCustomForm)");
    EXPECT_EQ(Plain->GetComponentCount(), 0);
    EXPECT_EQ(BarManagers()->GetCount(), Managers);

    TCustomForm* Previous = AppUI()->GetMainForm();
    TScopeExit Restore([&] { AppUI()->SetMainForm(Previous); });
    AppUI()->SetMainForm(nullptr);
    EXPECT_EQ(CreationFailure(nullptr), uiGetResourceString(cbsBarManagerOwner));

    TComponentPtr<TForm> Main(new TForm(nullptr));
    AppUI()->SetMainForm(Main.get());
    auto* M = new TcbBarManager(nullptr);
    EXPECT_EQ(M->GetOwner(), Main.get());
    EXPECT_EQ(M->GetOwnerForm(), Main.get());
    EXPECT_EQ(BarManagers()->GetCount(), Managers + 1);
    Main.reset();
    EXPECT_EQ(BarManagers()->GetCount(), Managers);
}

TEST(BarManager, TheFrameworksEndFreesTheManagersLeftFirstToLast)
{
    TComponentPtr<TForm> A(new TForm(nullptr)), B(new TForm(nullptr));
    auto* First = new TNamedManager(A.get());
    First->SetName("First");
    (new TNamedManager(B.get()))->SetName("Second");
    (new TTestItem(B.get()))->SetName("Orphan");
    gFreedManagers.clear();
    ASSERT_EQ(cbFrameworkUseCount(), 1);
    cbFrameworkDone();
    TScopeExit Restart([] { cbFrameworkInit(); });
    EXPECT_EQ(gFreedManagers, (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(BarManagers(), nullptr);
    EXPECT_EQ(A->GetComponentCount(), 0);
    // The manager took its items along.
    EXPECT_EQ(B->GetComponentCount(), 0);
}

TEST(BarManager, TheRecentUseStepFollowsThePercentage)
{
    TManagerForm F;
    EXPECT_EQ(F.Manager->GetMostRecentItemsPercents(), 95);
    EXPECT_EQ(F.Manager->GetRecentUseStep(), 20);
    const struct {
        uint8_t Set, Read;
        int32_t Step;
    } kCases[] = {{150, 100, 0}, {95, 95, 20}, {90, 90, 10}, {99, 99, 100}, {50, 50, 2}, {0, 0, 1}};
    for (const auto& C : kCases) {
        F.Manager->SetMostRecentItemsPercents(C.Set);
        EXPECT_EQ(F.Manager->GetMostRecentItemsPercents(), C.Read) << int(C.Set);
        EXPECT_EQ(F.Manager->GetRecentUseStep(), C.Step) << int(C.Set);
    }

    // New links start at the step; one not most recently used at 0.
    F.Manager->SetMostRecentItemsPercents(95);
    TcbBar* Bar = F.AddBar("Tools");
    TTestItem* Item = F.AddItem("Open", 0);
    EXPECT_EQ(TManagerForm::AddLink(Bar, Item)->GetUseCount(), 20);
    TcbBarItemLink* Rare = TManagerForm::AddLink(Bar, Item);
    Rare->SetMostRecentlyUsed(false);
    EXPECT_EQ(Rare->GetUseCount(), 0);
    EXPECT_EQ(Rare->GetRecentIndex(), Bar->GetItemLinks()->GetRecentListCount() - 1);

    // The edge values the setters refuse.
    F.Manager->SetButtonArrowWidth(1);
    EXPECT_EQ(F.Manager->GetButtonArrowWidth(), 11);
    F.Manager->SetButtonArrowWidth(2);
    EXPECT_EQ(F.Manager->GetButtonArrowWidth(), 2);
    F.Manager->SetWaitForDockingTime(-1);
    EXPECT_EQ(F.Manager->GetWaitForDockingTime(), 21);
}

TEST(BarManager, TheSystemMenuFontReachesEveryBarWithoutAFontOfItsOwn)
{
    NONCLIENTMETRICSA Metrics{};
    Metrics.cbSize = sizeof(Metrics);
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0));
    TManagerForm F;
    TFont* Font = F.Manager->GetFont();
    EXPECT_TRUE(F.Manager->GetUseSystemFont());
    EXPECT_EQ(Font->GetName(), Metrics.lfMenuFont.lfFaceName);
    EXPECT_EQ(Font->GetHeight(), Metrics.lfMenuFont.lfHeight);
    ASSERT_NE(F.Manager->GetMenuFontHandle(), nullptr);

    TcbBar* Own = F.AddBar("Own");
    TcbBar* Shared = F.AddBar("Shared");
    auto* OwnMenu = new TcbBarPopupMenu(F.Form.get());
    auto* SharedMenu = new TcbBarPopupMenu(F.Form.get());
    OwnMenu->GetFont()->SetName("Courier New");
    EXPECT_EQ(Shared->GetFont()->GetName(), Font->GetName());
    Own->GetFont()->SetName("Courier New");
    EXPECT_TRUE(Own->GetUseOwnFont());
    EXPECT_NE(Own->GetOwnFontHandle(), nullptr);

    Font->SetName("Arial");
    EXPECT_FALSE(F.Manager->GetUseSystemFont());
    EXPECT_EQ(Own->GetFont()->GetName(), "Courier New");
    EXPECT_EQ(Shared->GetFont()->GetName(), "Arial");
    EXPECT_FALSE(Shared->GetUseOwnFont());
    // Popup menus follow the manager's font the same way.
    EXPECT_EQ(SharedMenu->GetFont()->GetName(), "Arial");
    EXPECT_FALSE(SharedMenu->GetUseOwnFont());
    EXPECT_EQ(OwnMenu->GetFont()->GetName(), "Courier New");
    ASSERT_NE(F.Manager->GetMenuFontHandle(), nullptr);

    // Scaled keeps the height the system's; without it a new size stays.
    F.Manager->SetUseSystemFont(true);
    F.Manager->SetScaled(false);
    Font->SetSize(14);
    EXPECT_FALSE(F.Manager->GetUseSystemFont());
    EXPECT_EQ(Font->GetSize(), 14);
    F.Manager->SetScaled(true);
    EXPECT_EQ(Font->GetHeight(), Metrics.lfMenuFont.lfHeight);
    EXPECT_EQ(Shared->GetFont()->GetHeight(), Metrics.lfMenuFont.lfHeight);

    // Back to its own font, the bar takes the manager's.
    EXPECT_EQ(Own->GetFont()->GetName(), "Courier New");
    Own->SetUseOwnFont(false);
    EXPECT_EQ(Own->GetFont()->GetName(), Font->GetName());
    EXPECT_EQ(Own->GetOwnFontHandle(), nullptr);
}

TEST(BarManager, AtDesignTimeARenameCarriesTheItemsNamesAlong)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetDesigning(true);
    TCountingDesigner Designer;
    Form->SetDesigner(&Designer);
    auto* M = new TcbBarManager(Form.get());
    ASSERT_TRUE(M->IsDesigning());
    auto* First = new TTestItem(Form.get());
    First->SetName("Item1");
    // Naming the manager for the first time has no old prefix to replace.
    M->SetName("cbBarManager1");
    EXPECT_EQ(First->GetName(), "Item1");

    First->SetName("cbBarManager1Item1");
    auto* Shorter = new TTestItem(Form.get());
    Shorter->SetName("cbBarManager");
    auto* Cased = new TTestItem(Form.get());
    Cased->SetName("CBBARMANAGER1Item2");
    // An item of another owner, named exactly like the manager, is none of the form's.
    TComponentPtr<TTestItem> Foreign(new TTestItem(nullptr));
    Foreign->SetName("cbBarManager1");
    ASSERT_EQ(Foreign->GetBarManager(), BarManagers()->GetItem(0));
    M->SetName("MainBars");
    EXPECT_EQ(First->GetName(), "MainBarsItem1");
    EXPECT_EQ(Cased->GetName(), "MainBarsItem2");
    EXPECT_EQ(Shorter->GetName(), "cbBarManager");
    EXPECT_EQ(Foreign->GetName(), "cbBarManager1");
    Foreign.reset();

    // The designer hears of changes once the manager is made, never while it loads.
    EXPECT_EQ(Designer.FModified, 0);
    M->DesignerModified();
    EXPECT_EQ(Designer.FModified, 1);
    EXPECT_TRUE(M->IsModified());

    TComponentPtr<TForm> Loading(new TForm(nullptr));
    Loading->SetDesigning(true);
    TCountingDesigner Other;
    Loading->SetDesigner(&Other);
    TcbBarManager* L = nullptr;
    {
        TLoadingScope Scope;
        L = new TcbBarManager(Loading.get());
        L->DesignerModified();
        L->GetCategories()->Add("A");
        EXPECT_EQ(Other.FModified, 0);
        Scope.Finish();
    }
    EXPECT_FALSE(L->IsModified());
    L->GetCategories()->Add("B");
    EXPECT_EQ(Other.FModified, 1);
}

TEST(BarManager, CustomizingRebuildsEveryLinkListAndGoesThroughTheDialogsEntry)
{
    TManagerForm F;
    TcbBar* Bar = F.AddBar("Tools");
    TTestItem* Item = F.AddItem("Rare", 0);
    Item->SetVisible(ivInCustomizing);
    TcbBarItemLink* Link = TManagerForm::AddLink(Bar, Item);
    TcbBarItemLinks* Links = Bar->GetItemLinks();
    EXPECT_EQ(Links->IndexOfAvailable(Link), -1);

    std::vector<bool> Shown;
    TCustomForm* OpenDialog = nullptr;
    cbExtensions().ShowCustomizingForm = [&](TcbBarManager* M, bool Show) {
        EXPECT_EQ(M, F.Manager);
        Shown.push_back(Show);
    };
    cbExtensions().GetCustomizingForm = [&] { return OpenDialog; };
    TScopeExit Clear([] { ResetFrameworkExtensions(); });

    F.Manager->SetIsCustomizing(true);
    EXPECT_TRUE(F.Manager->IsCustomizing());
    EXPECT_EQ(Links->IndexOfAvailable(Link), 0);
    F.Manager->SetIsCustomizing(false);
    EXPECT_EQ(Links->IndexOfAvailable(Link), -1);
    EXPECT_EQ(Shown, (std::vector<bool>{true, false}));

    // A bar drag captures the mouse for the owner form, or for the dialog while it is open.
    EXPECT_EQ(F.Manager->GetCaptureWindow(), F.Form->GetHandle());
    // A dialog already open (another manager's) keeps this one out of customizing.
    TComponentPtr<TForm> Dialog(new TForm(nullptr));
    OpenDialog = Dialog.get();
    F.Manager->SetIsCustomizing(true);
    EXPECT_FALSE(F.Manager->IsCustomizing());
    EXPECT_EQ(Shown.size(), 2u);
    EXPECT_EQ(F.Manager->GetCaptureWindow(), Dialog->GetHandle());
}
