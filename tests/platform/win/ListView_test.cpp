// The list view: columns, many rows, FindData, bound sub-items, owned values, selection walk,
// check boxes, style bits, column clicks, header images, sorting and sorted insertion, keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win/Forms.h"
#include "platform/win/ListView.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;

namespace {

struct TListForm {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TListView* List;
    TListForm()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(30, 30, 600, 400);
        List = new TListView(Form.get());
        List->SetParent(Form.get());
        List->SetAlign(alClient);
        Form->HandleNeeded();
    }
};

std::string CellText(HWND W, int Row, int Sub)
{
    char Buf[256] = {};
    LVITEMA I{};
    I.iSubItem = Sub;
    I.pszText = Buf;
    I.cchTextMax = sizeof(Buf);
    SendMessageA(W, LVM_GETITEMTEXTA, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&I));
    return Buf;
}

const char* const Captions[] = {"!", "From URL", "Type", "Size(b)", "Depth", "Completed"};
const int Widths[] = {20, 300, 60, 70, 45, 80};

} // namespace

TEST(TListView, ColumnsManyRowsFindDataAndSubItems)
{
    TListForm F;
    F.List->SetRowSelect(true);
    F.List->SetGridLines(true);
    for (int I = 0; I < 6; ++I) {
        TListColumn* C = F.List->GetColumns()->Add();
        C->SetCaption(Captions[I]);
        C->SetWidth(Widths[I]);
    }
    HWND W = F.List->GetHandle();
    for (int I = 0; I < 6; ++I) {
        EXPECT_EQ(SendMessageA(W, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(I), 0), Widths[I]);
        char Buf[64] = {};
        LVCOLUMNA C{};
        C.mask = LVCF_TEXT;
        C.pszText = Buf;
        C.cchTextMax = sizeof(Buf);
        SendMessageA(W, LVM_GETCOLUMNA, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&C));
        EXPECT_STREQ(Buf, Captions[I]);
    }
    const DWORD Ex = static_cast<DWORD>(SendMessageA(W, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_TRUE(Ex & LVS_EX_GRIDLINES);
    EXPECT_TRUE(Ex & LVS_EX_FULLROWSELECT);
    F.List->SetGridLines(false);
    EXPECT_FALSE(SendMessageA(W, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES);

    static int Marks[10000];
    TListItems* Items = F.List->GetItems();
    Items->BeginUpdate();
    for (int I = 0; I < 10000; ++I) {
        TListItem* It = Items->Add();
        It->SetCaption("");
        It->GetSubItems()->Add("http://example.test/p" + std::to_string(I) + ".jpg");
        It->GetSubItems()->Add("Image");
        It->SetData(&Marks[I]);
        It->Value().Set(std::string("C:\\pictures\\a long folder name\\p" + std::to_string(I) + ".jpg"));
    }
    Items->EndUpdate();
    EXPECT_EQ(Items->GetCount(), 10000);
    EXPECT_EQ(SendMessageA(W, LVM_GETITEMCOUNT, 0, 0), 10000);
    EXPECT_EQ(CellText(W, 9999, 1), "http://example.test/p9999.jpg");
    TListItem* Found = Items->FindData(0, &Marks[7321], true, false);
    ASSERT_NE(Found, nullptr);
    EXPECT_EQ(Found->GetIndex(), 7321);
    int Other = 0;
    EXPECT_EQ(Items->FindData(0, &Other, true, true), nullptr);
    EXPECT_EQ(Items->FindData(7321, &Marks[7321], false, false), nullptr);
    EXPECT_EQ(Items->FindData(7321, &Marks[7321], false, true), Found);
    // The fourth sub-item set later shows at once.
    TListItem* Row = Items->GetItem(42);
    Row->GetSubItems()->SetStrings(3, "2");
    EXPECT_EQ(CellText(W, 42, 4), "2");
    Row->GetSubItems()->SetStrings(1, "Page");
    EXPECT_EQ(CellText(W, 42, 2), "Page");
    EXPECT_EQ(*Items->GetItem(9)->Value().Get<std::string>(), "C:\\pictures\\a long folder name\\p9.jpg");
}

TEST(TListView, DeletionFiresOnceAndFreesTheValue)
{
    TListForm F;
    F.List->GetColumns()->Add()->SetCaption("Name");
    struct TFlag {
        explicit TFlag(int* C) : Count(C) {}
        TFlag(TFlag&& O) noexcept : Count(O.Count) { O.Count = nullptr; }
        ~TFlag() { if (Count) ++*Count; }
        int* Count;
    };
    int Freed = 0, Seen = 0, FreedAtEvent = -1;
    for (int I = 0; I < 5; ++I) {
        TListItem* It = F.List->GetItems()->Add();
        It->SetCaption("row" + std::to_string(I));
        It->Value().Set(TFlag(&Freed));
    }
    F.List->OnDeletion = [&](TObject*, TListItem* It) {
        ++Seen;
        FreedAtEvent = Freed;
        EXPECT_NE(It->Value().Get<TFlag>(), nullptr);
    };
    F.List->GetItems()->GetItem(2)->Delete();
    EXPECT_EQ(Seen, 1);
    EXPECT_EQ(FreedAtEvent, 0);
    EXPECT_EQ(Freed, 1);
    EXPECT_EQ(SendMessageA(F.List->GetHandle(), LVM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(CellText(F.List->GetHandle(), 2, 0), "row3");
    F.List->GetItems()->Clear();
    EXPECT_EQ(Seen, 5);
    EXPECT_EQ(Freed, 5);
}

TEST(TListView, SelectionWalkCheckBoxesAndEvents)
{
    TListForm F;
    F.List->SetMultiSelect(true);
    F.List->SetCheckboxes(true);
    for (int I = 0; I < 6; ++I)
        F.List->GetColumns()->Add()->SetCaption(Captions[I]);
    for (int I = 0; I < 10; ++I)
        F.List->GetItems()->Add()->SetCaption("row" + std::to_string(I));
    for (int I : {2, 5, 7})
        F.List->GetItems()->GetItem(I)->SetSelected(true);
    EXPECT_EQ(F.List->GetSelCount(), 3);
    std::vector<int> Walk;
    for (TListItem* It = F.List->GetNextItem(nullptr, srAll, TItemStates{isSelected}); It;
         It = F.List->GetNextItem(It, srAll, TItemStates{isSelected}))
        Walk.push_back(It->GetIndex());
    EXPECT_EQ(Walk, (std::vector<int>{2, 5, 7}));
    EXPECT_EQ(F.List->GetSelected()->GetIndex(), 2);

    HWND W = F.List->GetHandle();
    std::vector<TListItem*> Checked;
    F.List->OnItemChecked = [&](TObject*, TListItem* It) { Checked.push_back(It); };
    TListItem* R3 = F.List->GetItems()->GetItem(3);
    R3->SetChecked(true);
    EXPECT_EQ(SendMessageA(W, LVM_GETITEMSTATE, 3, LVIS_STATEIMAGEMASK) >> 12, 2);
    EXPECT_TRUE(R3->GetChecked());
    // A click on row 4's box.
    Checked.clear();
    RECT R{};
    R.left = LVIR_BOUNDS;
    SendMessageA(W, LVM_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&R));
    RECT Icon{};
    Icon.left = LVIR_ICON;
    SendMessageA(W, LVM_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&Icon));
    const int X = R.left + 8, Y = (R.top + R.bottom) / 2;
    LVHITTESTINFO H{};
    H.pt = {X, Y};
    SendMessageA(W, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&H));
    EXPECT_TRUE(H.flags & LVHT_ONITEMSTATEICON) << H.flags;
    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(X, Y));
    SendMessageA(W, WM_LBUTTONUP, 0, MAKELPARAM(X, Y));
    PumpUntil([&] { return !Checked.empty(); }, 5000, "OnItemChecked");
    ASSERT_FALSE(Checked.empty());
    EXPECT_EQ(Checked.back(), F.List->GetItems()->GetItem(4));
    EXPECT_TRUE(F.List->GetItems()->GetItem(4)->GetChecked());

    // A column click names the column.
    TListColumn* Clicked = nullptr;
    F.List->OnColumnClick = [&](TObject*, TListColumn* C) { Clicked = C; };
    HWND Header = reinterpret_cast<HWND>(SendMessageA(W, LVM_GETHEADER, 0, 0));
    RECT HR{};
    SendMessageA(Header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&HR));
    const LPARAM HP = MAKELPARAM((HR.left + HR.right) / 2, (HR.top + HR.bottom) / 2);
    SendMessageA(Header, WM_LBUTTONDOWN, MK_LBUTTON, HP);
    SendMessageA(Header, WM_LBUTTONUP, 0, HP);
    PumpUntil([&] { return Clicked != nullptr; }, 5000, "OnColumnClick");
    ASSERT_NE(Clicked, nullptr);
    EXPECT_EQ(Clicked->GetIndex(), 2);

    // Enter and a double click reach their events.
    int Enter = 0, Dbl = 0;
    F.List->OnKeyDown = [&](TObject*, uint16_t& Key, TShiftState) { if (Key == VK_RETURN) ++Enter; };
    F.List->OnDblClick = [&](TObject*) { ++Dbl; };
    SendMessageA(W, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(Enter, 1);
    RECT RR{};
    RR.left = LVIR_LABEL;
    SendMessageA(W, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&RR));
    const LPARAM P = MAKELPARAM(RR.left + 10, (RR.top + RR.bottom) / 2);
    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, P);
    SendMessageA(W, WM_LBUTTONUP, 0, P);
    SendMessageA(W, WM_LBUTTONDBLCLK, MK_LBUTTON, P);
    SendMessageA(W, WM_LBUTTONUP, 0, P);
    PumpUntil([&] { return Dbl > 0; }, 5000, "OnDblClick");
    EXPECT_EQ(Dbl, 1);
}

TEST(TListView, HeaderImageAndSortingWithSortedInsertion)
{
    TListForm F;
    TImageList* Images = new TImageList(F.Form.get());
    F.List->SetSmallImages(Images);
    for (int I = 0; I < 4; ++I)
        F.List->GetColumns()->Add()->SetCaption(Captions[I]);
    F.List->GetColumns()->GetItem(3)->SetImageIndex(1);
    LVCOLUMNA C{};
    C.mask = LVCF_IMAGE | LVCF_FMT;
    SendMessageA(F.List->GetHandle(), LVM_GETCOLUMNA, 3, reinterpret_cast<LPARAM>(&C));
    EXPECT_EQ(C.iImage, 1);
    EXPECT_EQ(F.List->GetColumns()->GetItem(3)->GetImageIndex(), 1);
    EXPECT_EQ(F.List->GetColumns()->GetItem(2)->GetImageIndex(), -1);

    for (const char* S : {"900 KB", "12 KB", "100 KB"}) {
        TListItem* It = F.List->GetItems()->Add();
        It->SetCaption("x");
        It->GetSubItems()->Add("u");
        It->GetSubItems()->Add("t");
        It->GetSubItems()->Add(S);
    }
    // A row being filled may not have its size yet: it sorts first until it has.
    auto Size = [](TListItem* It) {
        return It->GetSubItems()->GetCount() > 2 ? std::atoi(It->GetSubItems()->GetStrings(2).c_str()) : 0;
    };
    F.List->OnCompare = [&](TObject*, TListItem* A, TListItem* B, int32_t, int32_t& R) {
        R = Size(A) < Size(B) ? -1 : Size(A) > Size(B) ? 1 : 0;
    };
    F.List->SetSortType(stBoth);
    HWND W = F.List->GetHandle();
    EXPECT_EQ(CellText(W, 0, 3), "12 KB");
    EXPECT_EQ(CellText(W, 1, 3), "100 KB");
    EXPECT_EQ(CellText(W, 2, 3), "900 KB");
    EXPECT_EQ(Size(F.List->GetItems()->GetItem(0)), 12);
    TListItem* New = F.List->GetItems()->Add();
    New->SetCaption("x");
    New->GetSubItems()->Add("u");
    New->GetSubItems()->Add("t");
    New->GetSubItems()->Add("50 KB");
    EXPECT_EQ(New->GetIndex(), 1);
    EXPECT_EQ(CellText(W, 1, 3), "50 KB");
    EXPECT_EQ(CellText(W, 2, 3), "100 KB");
    // The window's lParam of each row matches our order.
    for (int I = 0; I < 4; ++I) {
        LVITEMA L{};
        L.mask = LVIF_PARAM;
        L.iItem = I;
        SendMessageA(W, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&L));
        EXPECT_EQ(reinterpret_cast<TListItem*>(L.lParam), F.List->GetItems()->GetItem(I));
    }
    // A custom sort the other way.
    F.List->CustomSort([&](TListItem* A, TListItem* B) { return Size(B) - Size(A); });
    EXPECT_EQ(CellText(W, 0, 3), "900 KB");
    EXPECT_EQ(CellText(W, 3, 3), "12 KB");
}

TEST(TListView, HiddenListKeepsItsRowsAndDrawsOnceShown)
{
    // While nobody can see it, the list skips its drawing work; its rows, searches and
    // deletions are the same, and it shows them once its form is shown.
    TListForm F;
    TListView* V = F.List;
    for (int C = 0; C < 3; ++C)
        V->GetColumns()->Add()->SetCaption(Captions[C]);
    ASSERT_FALSE(IsWindowVisible(V->GetHandle()));
    constexpr int N = 3000;
    std::vector<int> Keys(N);
    for (int I = 0; I < N; ++I) {
        TListItem* It = V->GetItems()->Add();
        It->SetData(&Keys[I]);
        It->SetCaption("row " + std::to_string(I));
        It->GetSubItems()->Add("a" + std::to_string(I));
        It->GetSubItems()->Add("b" + std::to_string(I));
    }
    const HWND W = V->GetHandle();
    ASSERT_EQ(SendMessageA(W, LVM_GETITEMCOUNT, 0, 0), N);
    // Every third row goes, found by its data.
    for (int I = 0; I < N; I += 3) {
        TListItem* It = V->GetItems()->FindData(0, &Keys[I], true, false);
        ASSERT_NE(It, nullptr);
        ASSERT_EQ(It->GetCaption(), "row " + std::to_string(I));
        V->GetItems()->Delete(It->GetIndex());
    }
    ASSERT_EQ(V->GetItems()->GetCount(), N - N / 3);
    ASSERT_EQ(SendMessageA(W, LVM_GETITEMCOUNT, 0, 0), N - N / 3);
    for (int Row = 0; Row < V->GetItems()->GetCount(); Row += 97) {
        const int I = static_cast<int>(static_cast<int*>(V->GetItems()->GetItem(Row)->GetData()) - Keys.data());
        EXPECT_NE(I % 3, 0);
        EXPECT_EQ(CellText(W, Row, 0), "row " + std::to_string(I));
        EXPECT_EQ(CellText(W, Row, 2), "b" + std::to_string(I));
    }
    V->GetItems()->GetItem(5)->SetImageIndex(1);
    EXPECT_EQ(V->GetItems()->GetItem(5)->GetImageIndex(), 1);

    F.Form->Show();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(W) != FALSE; }, 10000, "the list shown with its form"));
    TestSupport::PumpFor(100);
    // Shown and drawing: its first row has a place on the screen, and later rows still arrive.
    RECT R{LVIR_BOUNDS, 0, 0, 0};
    EXPECT_TRUE(SendMessageA(W, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&R)));
    EXPECT_GT(R.bottom, R.top);
    TListItem* Last = V->GetItems()->Add();
    Last->SetCaption("shown");
    EXPECT_EQ(CellText(W, V->GetItems()->GetCount() - 1, 0), "shown");
    EXPECT_TRUE(GetWindowLongA(W, GWL_STYLE) & WS_VISIBLE);
    F.Form->Hide();
}

TEST(TListView, WholeRowsGoInOneStepAndTakeTheirSortedPlace)
{
    TListForm F;
    TListView* V = F.List;
    for (int C = 0; C < 3; ++C)
        V->GetColumns()->Add()->SetCaption(Captions[C]);
    const HWND W = V->GetHandle();
    int Keys[4] = {};
    TListItem* A = V->GetItems()->AddItem("delta", 1, &Keys[0], {"d1", "d2"});
    V->GetItems()->AddItem("alpha", 0, &Keys[1], {"a1"});
    ASSERT_EQ(V->GetItems()->GetCount(), 2);
    EXPECT_EQ(V->GetItems()->GetItem(0), A); // no sort: in the order they came
    EXPECT_EQ(A->GetImageIndex(), 1);
    EXPECT_EQ(A->GetData(), &Keys[0]);
    EXPECT_EQ(A->GetSubItems()->GetCount(), 2);
    EXPECT_EQ(CellText(W, 0, 0), "delta");
    EXPECT_EQ(CellText(W, 0, 2), "d2");
    EXPECT_EQ(CellText(W, 1, 1), "a1");
    LVITEMA I{};
    I.mask = LVIF_IMAGE | LVIF_PARAM;
    I.iItem = 0;
    ASSERT_TRUE(SendMessageA(W, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I)));
    EXPECT_EQ(I.iImage, 1);
    EXPECT_EQ(reinterpret_cast<TListItem*>(I.lParam), A);
    // With a sort on, a whole row goes straight to its place, after rows that sort equal.
    V->SetSortType(stText);
    ASSERT_EQ(CellText(W, 0, 0), "alpha");
    V->GetItems()->AddItem("charlie", 0, &Keys[2], {"c1"});
    TListItem* Second = V->GetItems()->AddItem("alpha", 0, &Keys[3], {"a2"});
    std::vector<std::string> Order;
    for (int Row = 0; Row < V->GetItems()->GetCount(); ++Row) {
        Order.push_back(V->GetItems()->GetItem(Row)->GetCaption());
        EXPECT_EQ(CellText(W, Row, 0), Order.back()) << Row;
        EXPECT_EQ(CellText(W, Row, 1), V->GetItems()->GetItem(Row)->GetSubItems()->GetStrings(0)) << Row;
    }
    EXPECT_EQ(Order, (std::vector<std::string>{"alpha", "alpha", "charlie", "delta"}));
    EXPECT_EQ(Second->GetIndex(), 1);
    EXPECT_EQ(V->GetItems()->FindData(0, &Keys[2], true, false)->GetCaption(), "charlie");
}

TEST(TListView, WindowAsksForTheRowsTextsAndKeepsNoCopyOfItsOwn)
{
    // A list of a long crawl has a row for every saved picture: the window keeps no copy of a
    // row's texts and asks the rows for them whenever it shows or is asked for one.
    TListForm F;
    for (int I = 0; I < 4; ++I)
        F.List->GetColumns()->Add()->SetCaption(Captions[I]);
    TListItems* Rows = F.List->GetItems();
    TListItem* A = Rows->AddItem("first", -1, nullptr, {"a1", "a2", "a3"});
    TListItem* B = Rows->Add();
    B->SetCaption("second");
    B->GetSubItems()->Add("b1");
    HWND W = F.List->GetHandle();
    for (int Row = 0; Row < 2; ++Row) {
        char Own[64] = "untouched";
        LVITEMA I{};
        I.mask = LVIF_TEXT | LVIF_NORECOMPUTE;
        I.iItem = Row;
        I.pszText = Own;
        I.cchTextMax = sizeof(Own);
        ASSERT_TRUE(SendMessageA(W, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I)));
        EXPECT_EQ(I.pszText, LPSTR_TEXTCALLBACKA) << "row " << Row;
    }
    EXPECT_EQ(CellText(W, 0, 0), "first");
    EXPECT_EQ(CellText(W, 0, 3), "a3");
    EXPECT_EQ(CellText(W, 1, 1), "b1");
    // A column the row has no sub-item for is empty, not another row's or column's text.
    EXPECT_EQ(CellText(W, 1, 2), "");
    EXPECT_EQ(CellText(W, 1, 3), "");
    // Changes show at once.
    A->GetSubItems()->SetStrings(1, "changed");
    B->SetCaption("renamed");
    B->GetSubItems()->SetStrings(2, "b3");
    EXPECT_EQ(CellText(W, 0, 2), "changed");
    EXPECT_EQ(CellText(W, 1, 0), "renamed");
    EXPECT_EQ(CellText(W, 1, 3), "b3");
    A->GetSubItems()->Delete(0);
    EXPECT_EQ(CellText(W, 0, 1), "changed");
    EXPECT_EQ(CellText(W, 0, 3), "");
    // A text longer than the asker's buffer is cut to it, with its end.
    const std::string Long(300, 'x');
    A->SetCaption(Long);
    char Small[16];
    std::memset(Small, '#', sizeof(Small));
    LVITEMA S{};
    S.iSubItem = 0;
    S.pszText = Small;
    S.cchTextMax = 8;
    SendMessageA(W, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&S));
    EXPECT_EQ(std::string(Small), std::string(7, 'x'));
    EXPECT_EQ(Small[8], '#');
    // A window made again asks the same rows; a deleted row is asked for no more.
    F.List->SetCheckboxes(true);
    F.List->RecreateWnd();
    W = F.List->GetHandle();
    EXPECT_EQ(CellText(W, 1, 0), "renamed");
    EXPECT_EQ(CellText(W, 0, 2), "a3");
    Rows->Delete(0);
    EXPECT_EQ(CellText(W, 0, 0), "renamed");
    EXPECT_EQ(CellText(W, 0, 3), "b3");
}

TEST(TListView, VirtualRowsShowTheRowsAndKeepTheirMarksWhereTheyGo)
{
    // A list of very many rows lets the window keep nothing of a row: it shows the rows' texts
    // and images by their number, and a selected or focused row stays so wherever it moves.
    TListForm F;
    F.List->SetMultiSelect(true);
    for (int I = 0; I < 3; ++I)
        F.List->GetColumns()->Add()->SetCaption(Captions[I]);
    F.List->SetOwnerData(true);
    HWND W = F.List->GetHandle();
    EXPECT_TRUE(GetWindowLongA(W, GWL_STYLE) & LVS_OWNERDATA);
    TListItems* Rows = F.List->GetItems();
    std::vector<int> Keys(1000);
    for (int I = 0; I < 1000; ++I)
        Rows->AddItem("row" + std::to_string(I), I % 3, &Keys[I], {"a" + std::to_string(I), "b"});
    EXPECT_EQ(SendMessageA(W, LVM_GETITEMCOUNT, 0, 0), 1000);
    EXPECT_EQ(CellText(W, 999, 0), "row999");
    EXPECT_EQ(CellText(W, 500, 1), "a500");
    EXPECT_EQ(CellText(W, 500, 2), "b");
    LVITEMA I{};
    I.mask = LVIF_IMAGE;
    I.iItem = 502;
    ASSERT_TRUE(SendMessageA(W, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I)));
    EXPECT_EQ(I.iImage, 502 % 3);

    std::vector<std::pair<void*, bool>> Events;
    F.List->OnSelectItem = [&](TObject*, TListItem* It, bool Sel) { Events.emplace_back(It->GetData(), Sel); };
    TListItem* Picked = Rows->GetItem(500);
    Picked->SetSelected(true);
    Picked->SetFocused(true);
    ASSERT_FALSE(Events.empty());
    EXPECT_EQ(Events.back(), std::make_pair(static_cast<void*>(&Keys[500]), true));
    auto WindowSelected = [&] {
        return static_cast<int>(SendMessageA(W, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    };
    EXPECT_EQ(WindowSelected(), 500);
    // A row put in front moves the selection with its row, without telling of a change.
    const size_t Heard = Events.size();
    TListItem* Front = Rows->Insert(0);
    Front->SetCaption("front");
    EXPECT_EQ(WindowSelected(), 501);
    EXPECT_EQ(F.List->GetSelected(), Picked);
    EXPECT_TRUE(Picked->GetFocused());
    EXPECT_EQ(CellText(W, 0, 0), "front");
    EXPECT_EQ(CellText(W, 501, 0), "row500");
    EXPECT_EQ(Events.size(), Heard);
    // Sorted the other way, the same row stays selected at its new place.
    F.List->CustomSort([](TListItem* A, TListItem* B) { return CompareText(B->GetCaption(), A->GetCaption()); });
    EXPECT_EQ(Rows->GetItem(WindowSelected()), Picked);
    EXPECT_EQ(CellText(W, WindowSelected(), 0), "row500");
    EXPECT_EQ(F.List->GetSelCount(), 1);
    // Rows deleted before it and the row itself.
    Rows->Delete(0);
    Rows->Delete(0);
    EXPECT_EQ(Rows->GetItem(WindowSelected()), Picked);
    EXPECT_EQ(SendMessageA(W, LVM_GETITEMCOUNT, 0, 0), 999);
    Rows->Delete(Picked->GetIndex());
    EXPECT_EQ(F.List->GetSelCount(), 0);
    EXPECT_EQ(F.List->GetSelected(), nullptr);
    // The selection cleared at once is told as a change of no row.
    Rows->GetItem(3)->SetSelected(true);
    int AllChanged = 0;
    F.List->OnChange = [&](TObject*, TListItem* It, TItemChange) { AllChanged += It == nullptr; };
    LVITEMA None{};
    None.stateMask = LVIS_SELECTED;
    SendMessageA(W, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&None));
    EXPECT_GE(AllChanged, 1);
    EXPECT_EQ(F.List->GetSelCount(), 0);
    F.List->OnChange = nullptr;
    // A window made again shows the same rows; emptied, it shows none.
    Rows->GetItem(10)->SetSelected(true);
    TListItem* Tenth = Rows->GetItem(10);
    F.List->RecreateWnd();
    W = F.List->GetHandle();
    EXPECT_EQ(SendMessageA(W, LVM_GETITEMCOUNT, 0, 0), 998);
    EXPECT_EQ(F.List->GetSelected(), Tenth);
    EXPECT_EQ(CellText(W, 10, 0), Tenth->GetCaption());
    Rows->Clear();
    EXPECT_EQ(SendMessageA(W, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(CellText(W, 0, 0), "");
}

namespace {

// Counts the row counts the window is told.
class TCountingListView : public TListView {
public:
    using TListView::TListView;
    int CountsSet = 0;
    void WndProc(TMessage& M) override
    {
        if (M.Msg == LVM_SETITEMCOUNT)
            ++CountsSet;
        TListView::WndProc(M);
    }
};

} // namespace

TEST(TListView, VirtualRowsReachTheWindowOncePerBatchAndBeforeAnythingElseDoes)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(30, 30, 400, 300);
    auto* List = new TCountingListView(Form.get());
    List->SetParent(Form.get());
    List->SetAlign(alClient);
    List->SetMultiSelect(true);
    List->GetColumns()->Add()->SetCaption("Name");
    List->GetColumns()->Add()->SetCaption("Size");
    List->SetOwnerData(true);
    Form->Show();
    const HWND W = List->GetHandle();
    PumpUntil([&] { return IsWindowVisible(W) != FALSE; });
    TListItems* Rows = List->GetItems();
    std::vector<int> Keys(600);

    // A batch of rows added, changed and removed costs the window one update, and its paint
    // (which the change asks for) is what brings it.
    List->CountsSet = 0;
    for (int I = 0; I < 500; ++I)
        Rows->AddItem("row" + std::to_string(I), 0, &Keys[I], {"s"});
    Rows->GetItem(7)->GetSubItems()->SetStrings(0, "changed");
    Rows->GetItem(9)->SetImageIndex(2);
    Rows->Delete(3);
    EXPECT_EQ(List->CountsSet, 0);
    RECT Update{};
    EXPECT_TRUE(GetUpdateRect(W, &Update, FALSE));
    PumpUntil([&] { return !GetUpdateRect(W, nullptr, FALSE); });
    EXPECT_EQ(List->CountsSet, 1);
    EXPECT_EQ(SendMessageA(W, LVM_GETITEMCOUNT, 0, 0), 499);
    EXPECT_EQ(CellText(W, 6, 1), "changed");
    EXPECT_EQ(CellText(W, 3, 0), "row4");

    // Any message reaching the window finds it up to date, and the marks go with their rows: a
    // selected row stays selected when rows are put before it and removed in the same batch.
    TListItem* Picked = Rows->GetItem(100);
    Picked->SetSelected(true);
    List->CountsSet = 0;
    for (int I = 0; I < 50; ++I)
        Rows->Insert(0)->SetCaption("front" + std::to_string(I));
    Rows->Delete(60);
    Rows->AddItem("last", 0, &Keys[599], {});
    EXPECT_EQ(List->CountsSet, 0);
    const int Selected = static_cast<int>(SendMessageA(W, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    EXPECT_EQ(List->CountsSet, 1);
    EXPECT_EQ(Selected, Picked->GetIndex());
    EXPECT_EQ(Selected, 149);
    EXPECT_EQ(SendMessageA(W, LVM_GETITEMCOUNT, 0, 0), 549);
    EXPECT_EQ(List->GetSelCount(), 1);
    EXPECT_EQ(CellText(W, 548, 0), "last");
}

// A row is found by its data, and its index taken, without a walk; the look-ups stay right as
// rows are put in front, removed, given other data, sorted and cleared.
TEST(TListView, FindDataAndIndexStayRightAsRowsComeGoAndMove)
{
    for (const bool Virtual : {false, true}) {
        TListForm F;
        F.List->GetColumns()->Add()->SetCaption("c");
        F.List->SetOwnerData(Virtual);
        TListItems* Rows = F.List->GetItems();
        std::vector<int> Keys(300);
        std::vector<TListItem*> Made;
        for (int I = 0; I < 200; ++I)
            Made.push_back(Rows->AddItem(std::to_string(I), 0, &Keys[I], {}));
        auto Check = [&](const char* When) {
            for (int32_t I = 0; I < Rows->GetCount(); ++I) {
                TListItem* It = Rows->GetItem(I);
                ASSERT_EQ(It->GetIndex(), I) << When;
                if (It->GetData()) { // every row carries data of its own here
                    ASSERT_EQ(Rows->FindData(0, It->GetData(), true, false), It) << When;
                }
            }
        };
        Check("added");
        Rows->Insert(0)->SetData(&Keys[250]);
        Rows->Delete(100); // the row of key 99
        Rows->Delete(5);   // the row of key 4
        auto Found = [&](int Key) { return Rows->FindData(0, &Keys[static_cast<size_t>(Key)], true, false); };
        EXPECT_EQ(Found(250)->GetIndex(), 0);
        EXPECT_EQ(Found(3)->GetIndex(), 4);
        EXPECT_EQ(Found(4), nullptr);
        EXPECT_EQ(Found(5)->GetIndex(), 5);
        EXPECT_EQ(Found(98)->GetIndex(), 98);
        EXPECT_EQ(Found(99), nullptr);
        EXPECT_EQ(Found(100), Made[100]);
        EXPECT_EQ(Found(100)->GetIndex(), 99);
        Check("after inserts and deletes");
        // The same data twice: the first row carrying it, from where the search starts, and
        // wrapping round.
        Rows->GetItem(150)->SetData(&Keys[10]); // the row of key 151 takes key 10 too
        EXPECT_EQ(Found(10)->GetIndex(), 10);
        EXPECT_EQ(Rows->FindData(10, &Keys[10], false, false)->GetIndex(), 150);
        EXPECT_EQ(Rows->FindData(151, &Keys[10], true, false), nullptr);
        EXPECT_EQ(Rows->FindData(151, &Keys[10], true, true)->GetIndex(), 10);
        EXPECT_EQ(Found(151), nullptr);
        Rows->GetItem(10)->SetData(nullptr);
        EXPECT_EQ(Found(10)->GetIndex(), 150);
        F.List->CustomSort([](TListItem* A, TListItem* B) { return CompareText(B->GetCaption(), A->GetCaption()); });
        for (int32_t I = 0; I < Rows->GetCount(); ++I)
            ASSERT_EQ(Rows->GetItem(I)->GetIndex(), I);
        EXPECT_EQ(Found(10)->GetCaption(), "151");
        TListItem* Ninety = Rows->FindData(0, &Keys[90], true, false);
        ASSERT_NE(Ninety, nullptr);
        EXPECT_EQ(Ninety->GetCaption(), "90");
        EXPECT_EQ(Rows->GetItem(Ninety->GetIndex()), Ninety);
        Rows->Clear();
        EXPECT_EQ(Rows->FindData(0, &Keys[90], true, false), nullptr);
        TListItem* Again = Rows->AddItem("again", 0, &Keys[90], {});
        EXPECT_EQ(Rows->FindData(0, &Keys[90], true, false), Again);
        EXPECT_EQ(Again->GetIndex(), 0);
    }
}

// Sorted insertion finds each row's place by a binary search: the rows come out as a stable
// full sort of the same rows puts them, equal keys in the order they came, for a comparison
// that sorts either way.
TEST(TListView, SortedInsertionMatchesAStableFullSortOfRandomRows)
{
    for (const bool Descending : {false, true}) {
        for (const bool Virtual : {false, true}) {
            TListForm F;
            F.List->GetColumns()->Add()->SetCaption("c");
            F.List->SetOwnerData(Virtual);
            // As the images list sorts: its comparison, and a sort type that keeps rows in place.
            F.List->OnCompare = [Descending](TObject*, TListItem* A, TListItem* B, int32_t, int32_t& R) {
                R = CompareText(A->GetCaption(), B->GetCaption());
                if (Descending)
                    R = -R;
            };
            F.List->SetSortType(stText);
            std::srand(Descending * 2 + Virtual + 7);
            std::vector<std::pair<std::string, intptr_t>> Made;
            for (intptr_t I = 0; I < 3000; ++I) {
                // Few distinct keys, in mixed case: many equal ones.
                std::string Key = "k" + std::to_string(std::rand() % 97);
                if (std::rand() % 2)
                    Key[0] = 'K';
                Made.emplace_back(Key, I + 1);
                F.List->GetItems()->AddItem(Key, 0, reinterpret_cast<void*>(I + 1), {});
            }
            std::stable_sort(Made.begin(), Made.end(), [Descending](const auto& A, const auto& B) {
                const int32_t R = CompareText(A.first, B.first);
                return (Descending ? -R : R) < 0;
            });
            TListItems* Rows = F.List->GetItems();
            ASSERT_EQ(Rows->GetCount(), 3000);
            for (int32_t I = 0; I < 3000; ++I) {
                ASSERT_EQ(Rows->GetItem(I)->GetCaption(), Made[static_cast<size_t>(I)].first) << I;
                ASSERT_EQ(reinterpret_cast<intptr_t>(Rows->GetItem(I)->GetData()), Made[static_cast<size_t>(I)].second)
                    << I;
            }
            // A row whose caption changes moves to its new place among the others.
            TListItem* Moved = Rows->GetItem(1500);
            Moved->SetCaption(Descending ? "a" : "zz");
            EXPECT_EQ(Moved->GetIndex(), 2999);
            EXPECT_EQ(SendMessageA(F.List->GetHandle(), LVM_GETITEMCOUNT, 0, 0), 3000);
            EXPECT_EQ(CellText(F.List->GetHandle(), 2999, 0), Moved->GetCaption());
        }
    }
}

// Rows added one by one to a sorted list that keeps them itself (a virtual one, or one with no
// window yet) are found at once by index and data, where a stable sort puts them, while
// look-ups, renamed and deleted rows and a failing comparison come between the additions.
TEST(TListView, SortedRowsAreFoundAtOnceInTheirStablePlaceBetweenAnyLookUps)
{
    for (const bool Virtual : {true, false}) {
        TListForm F;
        TComponentPtr<TListView> Loose(new TListView(nullptr)); // no window until the end
        TListView* V = Virtual ? F.List : Loose.get();
        V->SetOwnerData(Virtual);
        bool Fail = false;
        V->OnCompare = [&Fail](TObject*, TListItem* A, TListItem* B, int32_t, int32_t& R) {
            if (Fail)
                throw EListError("no order");
            R = CompareText(A->GetCaption(), B->GetCaption());
        };
        V->SetSortType(stText);
        TListItems* Rows = V->GetItems();
        std::vector<std::pair<std::string, TListItem*>> Model; // the rows as they must stand
        auto Place = [&Model](const std::string& Key) {
            return std::upper_bound(Model.begin(), Model.end(), Key,
                                    [](const std::string& K, const auto& E) { return CompareText(K, E.first) < 0; });
        };
        std::srand(Virtual ? 11 : 12);
        std::vector<int> Keys(4000);
        for (size_t I = 0; I < Keys.size(); ++I) {
            const std::string Key = (std::rand() % 2 ? "k" : "K") + std::to_string(std::rand() % 61);
            const auto At = Model.insert(Place(Key), {Key, nullptr});
            At->second = Rows->AddItem(Key, 0, &Keys[I], {});
            ASSERT_EQ(At->second->GetIndex(), At - Model.begin()) << I;
            ASSERT_EQ(Rows->FindData(0, &Keys[I], true, false), At->second) << I;
            if (I % 331 == 330) { // the row just added is renamed, and the first row goes
                TListItem* It = At->second;
                Model.erase(At);
                It->SetCaption("k30");
                ASSERT_EQ(It->GetIndex(), Model.insert(Place("k30"), {"k30", It}) - Model.begin()) << I;
                Rows->Delete(0);
                Model.erase(Model.begin());
            }
            if (I == 2000) { // a comparison that raises leaves the list as it was
                Fail = true;
                EXPECT_THROW(Rows->AddItem("x", 0, nullptr, {}), EListError);
                Fail = false;
            }
            ASSERT_EQ(Rows->GetCount(), static_cast<int32_t>(Model.size())) << I;
            for (size_t R = 0; I >= 1500 && I % 97 == 0 && R < Model.size(); ++R)
                ASSERT_EQ(Rows->GetItem(static_cast<int32_t>(R)), Model[R].second) << I << " row " << R;
        }
        if (!Virtual) { // the window made now shows the rows in their order
            Loose->SetParent(F.Form.get());
            ASSERT_EQ(SendMessageA(Loose->GetHandle(), LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(Model.size()));
            for (size_t R = 0; R < Model.size(); R += 37)
                ASSERT_EQ(CellText(Loose->GetHandle(), static_cast<int>(R), 0), Model[R].first) << R;
        }
    }
}

// A batch of sorted rows added to a shown virtual list costs the window one update, and the
// selected and focused row keeps its marks as the rows put before it move it.
TEST(TListView, SortedVirtualRowsKeepTheMarksOnTheirRowsAndReachTheWindowOnce)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetBounds(30, 30, 400, 300);
    auto* List = new TCountingListView(Form.get());
    List->SetParent(Form.get());
    List->SetAlign(alClient);
    List->GetColumns()->Add()->SetCaption("Name");
    List->SetOwnerData(true);
    List->SetSortType(stText);
    Form->Show();
    const HWND W = List->GetHandle();
    TListItems* Rows = List->GetItems();
    std::vector<int> Keys(400);
    for (size_t I = 0; I < 200; ++I)
        Rows->AddItem("m" + std::to_string(1000 + I), 0, &Keys[I], {});
    PumpUntil([&] { return IsWindowVisible(W) && !GetUpdateRect(W, nullptr, FALSE); });
    TListItem* Picked = Rows->GetItem(100);
    Picked->SetSelected(true);
    Picked->SetFocused(true);
    List->CountsSet = 0;
    for (size_t I = 200; I < 400; ++I) // 67 before it, the rest after it or equal to it
        Rows->AddItem(I % 3 == 0 ? "a" + std::to_string(I) : I % 3 == 1 ? "z" : "M1100", 0, &Keys[I], {});
    EXPECT_EQ(List->CountsSet, 0);
    EXPECT_EQ(Picked->GetIndex(), 167);
    EXPECT_EQ(SendMessageA(W, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 167);
    EXPECT_EQ(List->CountsSet, 1);
    EXPECT_EQ(SendMessageA(W, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 167);
    EXPECT_EQ(List->GetSelCount(), 1);
    EXPECT_EQ(CellText(W, 167, 0), "m1100");
    EXPECT_EQ(Rows->GetItem(168)->GetData(), &Keys[200]); // the first equal one added
    EXPECT_EQ(CellText(W, 399, 0), "z");
}
