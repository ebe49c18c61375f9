// Sub-items, container and list items: the detaching bar, menus that would contain themselves
// (refused, and ended also when built behind the check), the generated buttons of a list item
// and the links a container puts in place.
#include <gtest/gtest.h>

#include <string>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/foundation/cbStrings.h"
#include "tests/commandbars/ModelSupport.h"

using CommandBarsTest::TManagerForm;

namespace {

template <class T>
T* NewItem(TManagerForm& F, const std::string& Name)
{
    auto* Item = new T(F.Form.get());
    Item->SetName(Name);
    Item->SetCaption(Name);
    return Item;
}

TcbBarItemLink* AddTo(TcbBarItemLinks* Links, TcbBarItem* Item)
{
    TcbBarItemLink* Link = Links->Add();
    Link->SetItem(Item);
    return Link;
}

} // namespace

TEST(BarSubItems, DetachingBarKeepsToTheBars)
{
    TManagerForm F;
    auto* Sub = NewItem<TcbBarSubItem>(F, "File");
    Sub->SetDetachingBar(0);
    EXPECT_EQ(Sub->GetDetachingBar(), -1);
    F.AddBar("A");
    TcbBar* B = F.AddBar("B");
    Sub->SetDetachingBar(99);
    EXPECT_EQ(Sub->GetDetachingBar(), -1);
    Sub->SetDetachingBar(1);
    EXPECT_EQ(Sub->GetDetachingBar(), 1);
    Sub->SetDetachingBar(-5);
    EXPECT_EQ(Sub->GetDetachingBar(), -1);
    // A bar that goes is forgotten.
    Sub->SetDetachingBar(1);
    delete B;
    EXPECT_EQ(Sub->GetDetachingBar(), -1);
    EXPECT_FALSE(Sub->IsClickable());
    EXPECT_TRUE(Sub->CanCustomizeLinks());
    Sub->SetFrameworkMade(true);
    EXPECT_FALSE(Sub->CanCustomizeLinks());

    // A sub-item that goes first is no longer told of its bar's end.
    TcbBar* C = F.AddBar("C");
    auto* Other = NewItem<TcbBarSubItem>(F, "Other");
    Other->SetDetachingBar(C->GetIndex());
    Sub->SetDetachingBar(C->GetIndex());
    Other->Free();
    delete C;
    EXPECT_EQ(Sub->GetDetachingBar(), -1);
}

TEST(BarSubItems, AMenuThatWouldContainItselfIsRefused)
{
    TManagerForm F;
    auto* Top = NewItem<TcbBarSubItem>(F, "Top");
    auto* Middle = NewItem<TcbBarSubItem>(F, "Middle");
    auto* Bottom = NewItem<TcbBarSubItem>(F, "Bottom");
    auto* Open = NewItem<TcbBarButton>(F, "Open");

    // Into its own links: refused, the link left without item.
    TcbBarItemLink* Link = Top->GetItemLinks()->Add();
    try {
        Link->SetItem(Top);
        FAIL() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(std::string(E.what()), uiGetResourceString(cbsRecursiveSubItems));
        EXPECT_EQ(std::string(E.what()), "You cannot create recursive subitems");
    }
    EXPECT_EQ(Link->GetItem(), nullptr);
    EXPECT_EQ(Top->GetLinkCount(), 0);

    // Middle -> Bottom -> Top: Top may not hold Middle.
    AddTo(Middle->GetItemLinks(), Bottom);
    AddTo(Bottom->GetItemLinks(), Top);
    EXPECT_FALSE(Top->CanContainItem(Middle));
    EXPECT_FALSE(Top->CanContainItem(Top));
    EXPECT_TRUE(Top->CanContainItem(Open));
    EXPECT_TRUE(Middle->CanContainItem(Open));
    // A link that held another item loses it when refused.
    Link->SetItem(Open);
    EXPECT_THROW(Link->SetItem(Middle), Exception);
    EXPECT_EQ(Link->GetItem(), nullptr);
    EXPECT_EQ(Open->GetLinkCount(), 0);

    // A button whose drop-down menu holds the sub-item.
    auto* Menu = new TcbBarPopupMenu(F.Form.get());
    auto* Drop = NewItem<TcbBarButton>(F, "Drop");
    Drop->SetButtonStyle(bsDropDown);
    Drop->SetDropDownMenu(Menu);
    AddTo(Menu->GetItemLinks(), Middle);
    EXPECT_FALSE(Top->CanContainItem(Drop));
    EXPECT_FALSE(Bottom->CanContainItem(Drop));
    EXPECT_TRUE(NewItem<TcbBarSubItem>(F, "Other")->CanContainItem(Drop));

    // A cycle made behind the check (a drop-down menu given afterwards): A -> B -> Drop2 ->
    // its menu -> A. The walk still ends.
    auto* A = NewItem<TcbBarSubItem>(F, "A");
    auto* B = NewItem<TcbBarSubItem>(F, "B");
    auto* Drop2 = NewItem<TcbBarButton>(F, "Drop2");
    auto* Menu2 = new TcbBarPopupMenu(F.Form.get());
    AddTo(A->GetItemLinks(), B);
    AddTo(B->GetItemLinks(), Drop2);
    AddTo(Menu2->GetItemLinks(), A);
    Drop2->SetDropDownMenu(Menu2);
    EXPECT_THROW(AddTo(B->GetItemLinks(), A), Exception);
    auto* Loose = NewItem<TcbBarSubItem>(F, "Loose");
    EXPECT_TRUE(Loose->CanContainItem(A));
    EXPECT_TRUE(Loose->CanContainItem(Drop2));
    EXPECT_FALSE(A->CanContainItem(B));
    EXPECT_FALSE(B->CanContainItem(Drop2));
    Menu->Free();
    EXPECT_EQ(Drop->GetDropDownMenu(), nullptr);
}

TEST(BarListItems, GeneratedButtonsNumberedGroupedAndChecked)
{
    TManagerForm F;
    TcbBar* Bar = F.AddBar("Menu");
    auto* File = NewItem<TcbBarSubItem>(F, "File");
    TManagerForm::AddLink(Bar, File);
    auto* List = NewItem<TcbBarListItem>(F, "Recent");
    TcbBarItemLink* ContainerLink = AddTo(File->GetItemLinks(), List);
    List->GetItems()->Add("a");
    List->GetItems()->Add("-");
    List->GetItems()->Add("b");
    List->SetShowCheck(true);
    List->SetItemIndex(2);
    TcbBarItemLinks* Target = File->GetItemLinks();
    List->AddListedItemLinks(Target, 1, ContainerLink, true);
    ASSERT_EQ(Target->GetCount(), 3);
    EXPECT_EQ(Target->GetItem(1)->GetItem()->GetCaption(), "&1 a");
    EXPECT_EQ(Target->GetItem(2)->GetItem()->GetCaption(), "&2 b");
    EXPECT_TRUE(Target->GetItem(1)->GetOwnBeginGroup());
    EXPECT_TRUE(Target->GetItem(2)->GetOwnBeginGroup());
    EXPECT_EQ(Target->GetItem(2)->GetGeneratedFrom(), ContainerLink);
    auto* Second = static_cast<TcbBarButton*>(Target->GetItem(2)->GetItem());
    auto* First = static_cast<TcbBarButton*>(Target->GetItem(1)->GetItem());
    EXPECT_TRUE(Second->GetDown());
    EXPECT_EQ(Second->GetButtonStyle(), bsChecked);
    EXPECT_FALSE(First->GetDown());

    // A click on a generated button chooses its entry, then the list item's click.
    List->SetItemIndex(0);
    int Clicks = 0;
    int SeenIndex = -1;
    List->OnClick = [&](TObject*) {
        ++Clicks;
        SeenIndex = List->GetItemIndex();
    };
    Second->DoClick();
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(SeenIndex, 2);
    EXPECT_EQ(List->GetDataIndex(), 1);
    List->SetDataIndex(0);
    EXPECT_EQ(List->GetItemIndex(), 0);
    List->SetDataIndex(5);
    EXPECT_EQ(List->GetItemIndex(), 3);
    EXPECT_EQ(List->GetDataIndex(), -1);

    // More entries while the first buttons are still linked: every button is right.
    for (const char* E : {"c", "d", "e"})
        List->GetItems()->Add(E);
    List->AddListedItemLinks(Target, 1, ContainerLink, false);
    ASSERT_EQ(List->GetGeneratedCount(), 5);
    for (int32_t N = 0; N < 5; ++N)
        EXPECT_EQ(List->GetGeneratedButton(N)->GetCaption(), "&" + std::to_string(N + 1) + " " + std::string(1, "abcde"[N]));
    EXPECT_EQ(List->GetGeneratedButton(1)->GetTag(), 2);
    EXPECT_EQ(List->GetGeneratedButton(4)->GetTag(), 5);

    // Removing the content leaves the container's link alone; the buttons go once unlinked.
    List->DeleteListedItemLinks(Target, 1);
    List->DeleteListedItemLinks(Target, 1);
    EXPECT_EQ(Target->GetCount(), 1);
    EXPECT_EQ(Target->GetItem(0), ContainerLink);
    const int32_t Items = F.Manager->GetItemCount();
    List->ClearContent();
    EXPECT_EQ(List->GetGeneratedCount(), 0);
    EXPECT_EQ(F.Manager->GetItemCount(), Items - 5);
}

TEST(BarListItems, ElevenEntriesAndAFailingOnGetData)
{
    TManagerForm F;
    auto* File = NewItem<TcbBarSubItem>(F, "File");
    auto* List = NewItem<TcbBarListItem>(F, "Recent");
    TcbBarItemLink* ContainerLink = AddTo(File->GetItemLinks(), List);
    EXPECT_FALSE(List->CanBeVisible());
    int Asked = 0;
    List->OnGetData = [&](TObject*) {
        ++Asked;
        for (int N = 0; N < 11; ++N)
            List->GetItems()->Add("entry" + std::to_string(N));
    };
    EXPECT_TRUE(List->CanBeVisible());
    List->AddListedItemLinks(File->GetItemLinks(), 1, ContainerLink, true);
    EXPECT_EQ(Asked, 1);
    EXPECT_TRUE(List->IsServingGetData());
    ASSERT_EQ(List->GetGeneratedCount(), 11);
    EXPECT_EQ(List->GetGeneratedButton(8)->GetCaption(), "&9 entry8");
    EXPECT_EQ(List->GetGeneratedButton(9)->GetCaption(), "&A entry9");
    EXPECT_EQ(List->GetGeneratedButton(10)->GetCaption(), "&B entry10");

    auto* Failing = NewItem<TcbBarListItem>(F, "Failing");
    Failing->OnGetData = [](TObject*) { throw EConvertError("no data"); };
    Failing->AddListedItemLinks(File->GetItemLinks(), 0, nullptr, true);
    EXPECT_FALSE(Failing->IsServingGetData());
    EXPECT_EQ(Failing->GetGeneratedCount(), 0);
}

TEST(BarListItems, NumbersRunFromOneToZAndStopThere)
{
    TManagerForm F;
    auto* File = NewItem<TcbBarSubItem>(F, "File");
    auto* List = NewItem<TcbBarListItem>(F, "Recent");
    TcbBarItemLink* ContainerLink = AddTo(File->GetItemLinks(), List);
    for (int N = 0; N < 40; ++N)
        List->GetItems()->Add("entry" + std::to_string(N));
    List->AddListedItemLinks(File->GetItemLinks(), 1, ContainerLink, true);
    ASSERT_EQ(List->GetGeneratedCount(), 40);
    EXPECT_EQ(List->GetGeneratedButton(34)->GetCaption(), "&Z entry34");
    EXPECT_EQ(List->GetGeneratedButton(35)->GetCaption(), "entry35");
    EXPECT_EQ(List->GetGeneratedButton(39)->GetCaption(), "entry39");
}

TEST(BarContainerItems, OwnLinksAreCopiedInPlace)
{
    TManagerForm F;
    auto* Menu = NewItem<TcbBarSubItem>(F, "Menu");
    auto* Container = NewItem<TcbBarContainerItem>(F, "Container");
    auto* Cut = NewItem<TcbBarButton>(F, "Cut");
    auto* Copy = NewItem<TcbBarButton>(F, "Copy");
    auto* Before = NewItem<TcbBarButton>(F, "Before");
    EXPECT_FALSE(Container->HasVisibleContent());
    AddTo(Container->GetItemLinks(), Cut);
    AddTo(Container->GetItemLinks(), Copy)->SetUserCaption("C&opy it");
    EXPECT_TRUE(Container->HasVisibleContent());
    AddTo(Menu->GetItemLinks(), Before);
    TcbBarItemLink* ContainerLink = AddTo(Menu->GetItemLinks(), Container);
    TcbBarItemLinks* Target = Menu->GetItemLinks();
    Container->AddListedItemLinks(Target, 2, ContainerLink, false);
    ASSERT_EQ(Target->GetCount(), 4);
    EXPECT_EQ(Target->GetItem(0)->GetItem(), Before);
    EXPECT_EQ(Target->GetItem(1), ContainerLink);
    EXPECT_EQ(Target->GetItem(2)->GetItem(), Cut);
    EXPECT_TRUE(Target->GetItem(2)->GetOwnBeginGroup());
    EXPECT_EQ(Target->GetItem(3)->GetItem(), Copy);
    EXPECT_EQ(Target->GetItem(3)->GetCaption(), "C&opy it");
    EXPECT_FALSE(Target->GetItem(3)->GetOwnBeginGroup());
    EXPECT_EQ(Target->GetItem(3)->GetGeneratedFrom(), ContainerLink);
    Container->DeleteListedItemLinks(Target, 2);
    EXPECT_EQ(Target->GetCount(), 2);
    EXPECT_EQ(Container->GetItemLinks()->GetCount(), 2);
    // Content whose items never show does not make the container show.
    Cut->SetVisible(ivNever);
    Copy->SetVisible(ivNever);
    EXPECT_FALSE(Container->CanBeVisible());
}
