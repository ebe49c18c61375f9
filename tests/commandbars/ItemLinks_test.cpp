// Item links and their lists: which links are available, visible and shown, the recent-use order
// and the count of recently used links to show, the group line as read, the line handed on when
// a dragged link goes, stored layouts applied, and a link's own values and its end.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "commandbars/model/cbBarItems.h"
#include "platform/win/Bitmap.h"
#include "tests/commandbars/ModelSupport.h"

using CommandBarsTest::TManagerForm;
using CommandBarsTest::TTestItem;

namespace {

struct TLinkedBar : TManagerForm {
    TcbBar* Bar = AddBar("Tools");
    TcbBarItemLinks* Links = Bar->GetItemLinks();
    std::vector<TcbBarItemLink*> L;

    explicit TLinkedBar(int Count)
    {
        for (int I = 0; I < Count; ++I)
            L.push_back(AddLink(Bar, AddItem("Item" + std::to_string(I), 0)));
    }
    std::vector<TcbBarItemLink*> Recent() const
    {
        std::vector<TcbBarItemLink*> R;
        for (int32_t I = 0; I < Links->GetRecentListCount(); ++I)
            R.push_back(Links->GetRecentListItem(I));
        return R;
    }
};

} // namespace

TEST(ItemLinks, OnlyTheOftenUsedLinksShowUntilEveryLinkCountsOrTheStyleIsStandard)
{
    TLinkedBar B(21);
    ASSERT_EQ(B.Manager->GetMostRecentItemsPercents(), 95);
    B.L[0]->SetMostRecentlyUsed(false);
    for (int I = 0; I <= 20; ++I)
        B.L[static_cast<size_t>(I)]->SetUseCount(5 * I);
    EXPECT_EQ(B.L[0]->GetRecentIndex(), 20);
    EXPECT_EQ(B.Links->GetVisibleItemCount(), 21);

    const int32_t Count = B.Links->GetRecentItemCount();
    EXPECT_EQ(Count, 20);
    B.Links->SetRecentCount(Count);
    ASSERT_EQ(B.Links->GetShownItemCount(), 20);
    for (int32_t I = 0; I < 20; ++I)
        EXPECT_EQ(B.Links->GetShownItem(I), B.L[static_cast<size_t>(I + 1)]) << I;
    EXPECT_EQ(B.L[0]->GetShownIndex(), -1);

    // When every visible link counts, all of them show.
    B.L[0]->SetUseCount(100);
    EXPECT_EQ(B.Links->GetRecentItemCount(), -1);
    B.L[0]->SetUseCount(0);
    B.Bar->SetUseRecentItems(false);
    EXPECT_EQ(B.Links->GetRecentItemCount(), -1);
    B.Bar->SetUseRecentItems(true);
    B.Manager->SetStyle(bmsStandard);
    EXPECT_EQ(B.Links->GetRecentItemCount(), -1);
    B.Links->SetRecentCount(-1);
    EXPECT_EQ(B.Links->GetShownItemCount(), 21);
    EXPECT_EQ(B.Links->GetPrevRecentCount(), 20);
}

TEST(ItemLinks, UseCountsAtTheEndsOf32BitsDoNotOverflowTheRecentCountAndCountingStopsAtItsLimit)
{
    TLinkedBar B(3);
    // In recent order L[2], L[1], L[0]; the counts span 2^32 - 1, and 95 % of the span above the
    // smallest count leaves only L[0] out.
    B.L[2]->SetUseCount(INT32_MAX);
    B.L[1]->SetUseCount(0);
    B.L[0]->SetUseCount(INT32_MIN);
    EXPECT_EQ(B.Links->GetRecentItemCount(), 2);
    // The threshold is the smallest count plus 5 % of the span, rounded: INT32_MIN + 214748365.
    B.L[1]->SetUseCount(-1932735283);
    EXPECT_EQ(B.Links->GetRecentItemCount(), 2);
    B.L[1]->SetUseCount(-1932735284);
    EXPECT_EQ(B.Links->GetRecentItemCount(), 1);

    B.L[1]->SetUseCount(kcbMaxUseCount - 1);
    B.L[1]->MarkUsed();
    EXPECT_EQ(B.L[1]->GetUseCount(), kcbMaxUseCount);
    B.L[1]->MarkUsed();
    EXPECT_EQ(B.L[1]->GetUseCount(), kcbMaxUseCount);
    B.L[2]->MarkUsed();
    EXPECT_EQ(B.L[2]->GetUseCount(), INT32_MAX);
}

TEST(ItemLinks, VisibilityAndUseMoveLinksThroughTheLists)
{
    TLinkedBar B(3);
    auto& L = B.L;
    // Each new link was used last.
    EXPECT_EQ(B.Recent(), (std::vector<TcbBarItemLink*>{L[2], L[1], L[0]}));

    L[1]->SetVisible(false);
    EXPECT_EQ(L[1]->GetVisibleIndex(), -1);
    EXPECT_EQ(L[1]->GetAvailableIndex(), 1);
    EXPECT_EQ(B.Links->GetVisibleItemCount(), 2);
    EXPECT_EQ(B.Recent().back(), L[1]);
    const int32_t Uses = L[1]->GetUseCount();
    L[1]->SetVisible(true);
    EXPECT_EQ(B.Recent().front(), L[1]);
    EXPECT_EQ(L[1]->GetUseCount(), Uses);

    L[0]->MarkUsed();
    EXPECT_EQ(B.Recent().front(), L[0]);
    EXPECT_EQ(L[0]->GetUseCount(), Uses + 1);
    // A link that does not show is not marked.
    L[2]->SetVisible(false);
    L[2]->MarkUsed();
    EXPECT_EQ(B.Recent().back(), L[2]);

    // An item shown only while customizing is available only then.
    TTestItem* Rare = B.AddItem("Rare", 0);
    Rare->SetVisible(ivInCustomizing);
    TcbBarItemLink* RareLink = TManagerForm::AddLink(B.Bar, Rare);
    EXPECT_EQ(RareLink->GetAvailableIndex(), -1);
    B.Manager->SetIsCustomizing(true);
    EXPECT_EQ(RareLink->GetAvailableIndex(), 3);
    EXPECT_EQ(RareLink->GetVisibleIndex(), 2);
    B.Manager->SetIsCustomizing(false);
    EXPECT_EQ(RareLink->GetAvailableIndex(), -1);
    // An item that never shows leaves every bar's lists at once.
    B.Manager->SetIsCustomizing(true);
    Rare->SetVisible(ivNever);
    EXPECT_EQ(RareLink->GetAvailableIndex(), -1);
}

TEST(ItemLinks, AGroupLineOfALinkNotShownPassesToTheNextShownLink)
{
    TLinkedBar B(5);
    auto& L = B.L;
    L[0]->SetBeginGroup(true);
    L[1]->SetBeginGroup(true);
    L[1]->SetVisible(false);
    // L[3]'s item never shows, so its line is not among the available links.
    L[3]->SetBeginGroup(true);
    L[3]->GetItem()->SetVisible(ivNever);

    EXPECT_FALSE(L[0]->GetBeginGroup()); // the first shown link
    EXPECT_FALSE(L[1]->GetBeginGroup()); // not shown
    EXPECT_TRUE(L[2]->GetBeginGroup());  // takes L[1]'s line
    EXPECT_FALSE(L[4]->GetBeginGroup());
    EXPECT_TRUE(L[0]->GetOwnBeginGroup());

    // With the first one hidden, the next shown link is first and reads no line.
    L[0]->SetVisible(false);
    L[1]->SetVisible(true);
    EXPECT_FALSE(L[1]->GetBeginGroup());
    EXPECT_FALSE(L[2]->GetBeginGroup());
}

TEST(ItemLinks, ADraggedLinkThatGoesHandsItsGroupLineToTheNextVisibleLink)
{
    TLinkedBar B(5);
    auto& L = B.L;
    int Deleted = 0;
    B.Manager->OnItemLinkDelete = [&](TObject*, TcbBarItemLink*) { ++Deleted; };

    // A link is freed by Release, never by losing its item.
    L[4]->SetItem(nullptr);
    EXPECT_EQ(L[4]->GetItem()->GetName(), "Item4");
    EXPECT_EQ(Deleted, 0);

    // The line passes on.
    L[1]->SetBeginGroup(true);
    B.Manager->SetDraggingItemLink(L[1]);
    TcbBarItem* Item = L[1]->GetItem();
    L[1]->Release();
    EXPECT_TRUE(L[2]->GetOwnBeginGroup());
    EXPECT_EQ(B.Manager->GetDraggingItemLink(), nullptr);
    EXPECT_EQ(Item->GetLinkCount(), 0);
    EXPECT_EQ(B.Links->GetCount(), 4);
    EXPECT_EQ(B.Links->IndexOfRecent(L[1]), -1);
    EXPECT_EQ(B.Links->GetVisibleItemCount(), 4);
    EXPECT_EQ(Deleted, 1);

    // The first visible link going takes the next one's line with it.
    B.Manager->SetDraggingItemLink(L[0]);
    L[0]->Release();
    EXPECT_FALSE(L[2]->GetOwnBeginGroup());

    // A link that is not dragged leaves the lines as they are.
    L[3]->SetBeginGroup(true);
    L[3]->Release();
    EXPECT_FALSE(L[4]->GetOwnBeginGroup());
    EXPECT_EQ(B.Links->GetCount(), 2);
    EXPECT_EQ(Deleted, 3);
}

TEST(ItemLinks, UserValuesAssignAndStoredLayoutsApply)
{
    TLinkedBar B(3);
    auto& L = B.L;
    L[0]->SetUserCaption("Mine");
    EXPECT_TRUE(L[0]->GetUserDefine().Contains(udCaption));
    EXPECT_EQ(L[0]->GetCaption(), "Mine");
    L[0]->SetUserWidth(5);
    EXPECT_EQ(L[0]->GetWidth(), kcbMinUserWidth);
    L[0]->SetUserDefine({udWidth});
    EXPECT_EQ(L[0]->GetUserCaption(), "");
    EXPECT_EQ(L[0]->GetCaption(), "Item0");
    L[1]->SetUserPaintStyle(psCaptionGlyph);
    L[1]->SetVisible(false);

    // A copy has the same items and values, and its hidden link hidden after the copy.
    TcbBar* Copy = B.AddBar("Copy");
    Copy->SetItemLinks(B.Links);
    TcbBarItemLinks* C = Copy->GetItemLinks();
    ASSERT_EQ(C->GetCount(), 3);
    EXPECT_EQ(C->GetItem(0)->GetUserWidth(), kcbMinUserWidth);
    EXPECT_EQ(C->GetItem(1)->GetPaintStyle(), psCaptionGlyph);
    EXPECT_FALSE(C->GetItem(1)->GetVisible());
    EXPECT_EQ(C->GetVisibleItemCount(), 2);
    EXPECT_EQ(L[2]->GetItem()->GetLinkCount(), 2);

    // A stored layout: places in the recent order, visibility, counts.
    L[0]->SetSavedRecentIndex(1);
    L[2]->SetSavedRecentIndex(0);
    L[1]->SetLoadedVisible(true);
    L[0]->SetLoadedVisible(false);
    L[2]->SetLoadedVisible(true);
    B.Links->RestoreRecentOrder(true);
    EXPECT_EQ(B.Recent(), (std::vector<TcbBarItemLink*>{L[2], L[0], L[1]}));
    EXPECT_FALSE(L[0]->GetVisible());
    EXPECT_TRUE(L[1]->GetVisible());
    EXPECT_EQ(L[0]->GetSavedRecentIndex(), -1);
    // The design's order: the most recently used first, with the manager's base count.
    L[1]->SetMostRecentlyUsed(false);
    B.Links->RestoreRecentOrder(false);
    EXPECT_EQ(B.Recent(), (std::vector<TcbBarItemLink*>{L[0], L[2], L[1]}));
    EXPECT_EQ(L[0]->GetUseCount(), B.Manager->GetUseCountBase());
    EXPECT_EQ(L[1]->GetUseCount(), 0);

    // The leading run of shown links inside the window.
    L[0]->SetVisible(true);
    L[0]->SetItemRect(Rect(0, 0, 20, 20));
    L[1]->SetItemRect(Rect(20, 0, 40, 20));
    L[2]->SetItemRect(Rect(40, 0, 60, 20));
    EXPECT_EQ(B.Links->GetFittingCount(Rect(0, 0, 50, 20)), 2);
    L[1]->SetItemRect(TRect{});
    EXPECT_EQ(B.Links->GetFittingCount(Rect(0, 0, 100, 20)), 1);
    B.Links->ClearItemRects();
    EXPECT_EQ(B.Links->GetFittingCount(Rect(0, 0, 100, 20)), 0);
}

TEST(ItemLinks, ALinkPaintsInItsButtonsStyleUntilTheUserChoosesOne)
{
    TManagerForm F;
    TcbBar* Bar = F.AddBar("Tools");
    auto* Button = new TcbBarButton(F.Form.get());
    Button->SetPaintStyle(psCaptionGlyph);
    TcbBarItemLink* Link = TManagerForm::AddLink(Bar, Button);
    TcbBarItemLink* Other = TManagerForm::AddLink(Bar, F.AddItem("Plain"));
    EXPECT_EQ(Link->GetPaintStyle(), psCaptionGlyph) << "the button's own style";
    EXPECT_EQ(Other->GetPaintStyle(), psStandard) << "an item that is no button";
    // Choosing the default style differs from the effective one, so the choice is kept.
    Link->SetUserPaintStyle(psStandard);
    EXPECT_TRUE(Link->GetUserDefine().Contains(udPaintStyle));
    EXPECT_EQ(Link->GetPaintStyle(), psStandard);
    Button->SetPaintStyle(psCaption);
    EXPECT_EQ(Link->GetPaintStyle(), psStandard) << "the user's choice outlives the button's change";
    Link->SetUserDefine({});
    EXPECT_EQ(Link->GetPaintStyle(), psCaption);
}
