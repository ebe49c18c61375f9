// The bar item base: the hint that follows the caption, the category kept to the manager's list,
// Enabled as read while customizing, an item's end taking its links along, the click road with
// its failures reported, unique item names and the framework's temporary items.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandbars/foundation/cbRoutines.h"
#include "tests/commandbars/ModelSupport.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::gItemsFreed;
using CommandBarsTest::TManagerForm;
using CommandBarsTest::TTestItem;

TEST(BarItems, TheHintFollowsTheCleanCaptionWhileItSaysTheSame)
{
    TManagerForm F;
    auto* Item = new TTestItem(F.Form.get());
    Item->SetCaption("&Open...");
    EXPECT_EQ(Item->GetHint(), "Open");
    EXPECT_EQ(Item->GetCleanCaption(), "Open");

    Item->SetCaption("Open &file...");
    EXPECT_EQ(Item->GetHint(), "Open file");
    Item->SetHint("Open file|Opens a file");
    Item->SetCaption("&Load...");
    EXPECT_EQ(Item->GetHint(), "Load|Opens a file");

    // A hint of its own stays.
    Item->SetHint("Read it|Reads a file");
    Item->SetCaption("&Read...");
    EXPECT_EQ(Item->GetHint(), "Read it|Reads a file");
    // Only the first "&" and the first "..." go.
    EXPECT_EQ(TcbBarItem::CleanCaption("A&&B...C..."), "A&BC...");
}

TEST(BarItems, CategoryEnabledAndAnItemsEnd)
{
    TManagerForm F;
    F.Manager->GetCategories()->Add("Second");
    TTestItem* Item = F.AddItem("Open", 1);
    Item->SetCategory(5);
    EXPECT_EQ(Item->GetCategory(), 1);
    Item->SetCategory(-1);
    EXPECT_EQ(Item->GetCategory(), 1);
    EXPECT_TRUE(Item->HasParent());
    EXPECT_EQ(Item->GetParentComponent(), F.Manager);

    // While customizing at run time a command reads enabled, so that it can be placed.
    Item->SetEnabled(false);
    EXPECT_FALSE(Item->GetEnabled());
    F.Manager->SetIsCustomizing(true);
    EXPECT_TRUE(Item->GetEnabled());
    EXPECT_FALSE(Item->GetStoredEnabled());
    TTestItem* Loose = F.AddItem("Loose");
    Loose->SetEnabled(false);
    EXPECT_FALSE(Loose->GetEnabled());
    F.Manager->SetIsCustomizing(false);
    EXPECT_FALSE(Item->GetEnabled());

    // An item takes its links along and leaves the manager's list.
    TcbBar* A = F.AddBar("A");
    TcbBar* B = F.AddBar("B");
    TManagerForm::AddLink(A, Loose);
    TManagerForm::AddLink(A, Item);
    TManagerForm::AddLink(B, Item);
    EXPECT_EQ(Item->GetLinkCount(), 2);
    EXPECT_EQ(Item->GetIndex(), 0);
    int Destroyed = 0;
    Item->OnDestroy = [&](TObject*) { ++Destroyed; };
    const int Freed = gItemsFreed;
    Item->Free();
    EXPECT_EQ(gItemsFreed - Freed, 1);
    EXPECT_EQ(Destroyed, 1);
    EXPECT_EQ(A->GetItemLinks()->GetCount(), 1);
    EXPECT_EQ(A->GetItemLinks()->GetVisibleItemCount(), 1);
    EXPECT_EQ(B->GetItemLinks()->GetCount(), 0);
    EXPECT_EQ(F.Manager->GetItemCount(), 1);
    EXPECT_EQ(F.Manager->GetItem(0), Loose);

    // A failing OnDestroy is reported; the item still goes, and the program goes on.
    TestSupport::TExceptionCapture Capture;
    Loose->OnDestroy = [](TObject*) { throw EConvertError("cannot say goodbye"); };
    Loose->Free();
    EXPECT_EQ(Capture.Count(), 1u);
    EXPECT_EQ(F.Manager->GetItemCount(), 0);
    EXPECT_EQ(A->GetItemLinks()->GetCount(), 0);
}

TEST(BarItems, AClickFiresTheManagersEventThenTheItemsAndReportsAFailure)
{
    TManagerForm F;
    TTestItem* Item = F.AddItem("Open", 0);
    std::vector<std::string> Log;
    F.Manager->OnClickItem = [&](TObject* Sender, TcbBarItem* Clicked) {
        EXPECT_EQ(Sender, F.Manager);
        EXPECT_EQ(Clicked, Item);
        Log.push_back("manager");
    };
    Item->OnClick = [&](TObject* Sender) {
        EXPECT_EQ(Sender, Item);
        Log.push_back("item");
    };
    Item->DoClick();
    EXPECT_EQ(Log, (std::vector<std::string>{"manager", "item"}));

    Log.clear();
    Item->SetEnabled(false);
    Item->Click();
    Item->DoClick();
    EXPECT_TRUE(Log.empty());
    Item->SetEnabled(true);

    TestSupport::TExceptionCapture Capture;
    Item->OnClick = [&](TObject*) {
        Log.push_back("item");
        throw EConvertError("the command failed");
    };
    Item->DoClick();
    ASSERT_EQ(Capture.Count(), 1u);
    EXPECT_EQ(Capture.Entries()[0].Message, "the command failed");
    Item->OnClick = [&](TObject*) { Log.push_back("again"); };
    Item->Click();
    EXPECT_EQ(Log, (std::vector<std::string>{"manager", "item", "manager", "again"}));
    EXPECT_EQ(Capture.Count(), 1u);
}

TEST(BarItems, UniqueNamesIgnoreCaseAndTemporaryItemsGoWithTheirLastLink)
{
    TManagerForm F;
    F.AddItem("cbBarButton1");
    F.AddItem("CBBARBUTTON2");
    const TcbBarItemClassRef Button{"TcbBarButton", nullptr};
    std::string Name;
    GetUniqueItemName(F.Manager, &Button, Name);
    EXPECT_EQ(Name, "cbBarButton3");
    const TcbBarItemClassRef Edit{"TcbBarEdit", nullptr};
    GetUniqueItemName(F.Manager, &Edit, Name);
    EXPECT_EQ(Name, "cbBarEdit1");

    TTestItem* Unlinked = F.AddItem("Unlinked");
    TTestItem* Linked = F.AddItem("Linked");
    TcbBarItemLink* Link = TManagerForm::AddLink(F.AddBar("Quick"), Linked);
    TemporaryItems().push_back(Unlinked);
    TemporaryItems().push_back(Linked);
    const int Freed = gItemsFreed;
    FreeTemporaryItems();
    EXPECT_EQ(gItemsFreed - Freed, 1);
    EXPECT_EQ(F.Form->FindComponent("Unlinked"), nullptr);
    ASSERT_EQ(TemporaryItems().size(), 1u);
    EXPECT_EQ(TemporaryItems()[0], Linked);
    Link->Release();
    FreeTemporaryItems();
    EXPECT_TRUE(TemporaryItems().empty());
    EXPECT_EQ(gItemsFreed - Freed, 2);
}
