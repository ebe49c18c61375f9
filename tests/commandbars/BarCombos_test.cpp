// Combos: the entry and the text kept in step, sorting, the prefix search, the list's size, where
// a drop-down window opens on the work area, and entries and values drawn in the manager's style.
#include <gtest/gtest.h>

#include <string>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/painters/cbPainter.h"
#include "tests/commandbars/ModelSupport.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/commandbars/support/FakeBarWindow.h"
#include "tests/commandbars/support/FakeItemControl.h"

using CommandBarsTest::TDib;
using CommandBarsTest::TManagerForm;

namespace {

TcbBarCombo* NewCombo(TManagerForm& F, std::initializer_list<const char*> Entries)
{
    auto* Combo = new TcbBarCombo(F.Form.get());
    for (const char* E : Entries)
        Combo->GetItems()->Add(E);
    return Combo;
}

} // namespace

TEST(BarCombos, TheEntryAndTheTextFollowEachOther)
{
    TManagerForm F;
    TcbBarCombo* Combo = NewCombo(F, {"c", "a", "b"});
    int Changes = 0;
    Combo->OnChange = [&](TObject*) { ++Changes; };
    Combo->SetItemIndex(5);
    EXPECT_EQ(Combo->GetItemIndex(), -1);
    EXPECT_EQ(Combo->GetText(), "");
    // Choosing an entry whose text is the text already still says so once.
    EXPECT_EQ(Changes, 1);
    Combo->SetText("b");
    EXPECT_EQ(Combo->GetItemIndex(), 2);
    EXPECT_EQ(Changes, 2);
    Combo->SetItemIndex(2);
    EXPECT_EQ(Changes, 3);

    Combo->SetSorted(true);
    EXPECT_EQ(Combo->GetItems()->GetStrings(0), "a");
    EXPECT_EQ(Combo->GetItemIndex(), 1);
    EXPECT_EQ(Combo->GetText(), "b");

    // Entries going away under the chosen one leave no entry chosen.
    Combo->SetItemIndex(2);
    EXPECT_EQ(Combo->GetText(), "c");
    Combo->GetItems()->Delete(2);
    EXPECT_EQ(Combo->GetItemIndex(), -1);
    EXPECT_EQ(Combo->GetText(), "");
    Combo->SetText("nothing like it");
    EXPECT_EQ(Combo->GetItemIndex(), -1);
}

TEST(BarCombos, FindPrefixItemTakesTheLongestSharedStart)
{
    TManagerForm F;
    TcbBarCombo* Combo = NewCombo(F, {"Apple", "Apricot", "Banana"});
    EXPECT_EQ(Combo->FindPrefixItem("Apr"), 1);
    EXPECT_EQ(Combo->FindPrefixItem("Ap"), 0);
    EXPECT_EQ(Combo->FindPrefixItem("C"), -1);
    EXPECT_EQ(Combo->FindPrefixItem("APPLE"), 0);
    EXPECT_EQ(Combo->FindPrefixItem("aprikose"), 1);
    EXPECT_EQ(Combo->FindPrefixItem("b"), 2);
    TcbBarCombo* Empty = NewCombo(F, {});
    EXPECT_EQ(Empty->FindPrefixItem("a"), -1);
}

TEST(BarCombos, TheListsSizeAndItsKeys)
{
    TManagerForm F;
    TcbBarCombo* Combo = NewCombo(F, {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"});
    Combo->SetItemHeight(15);
    EXPECT_EQ(Combo->GetDropDownHeight(), 4 + 8 * 15);
    int Asked = 0;
    Combo->OnMeasureItem = [&](TObject*, int32_t Index, int32_t& Height) {
        ++Asked;
        if (Index == 0)
            Height = 30;
    };
    EXPECT_EQ(Combo->GetDropDownHeight(), 4 + 30 + 7 * 15);
    EXPECT_EQ(Asked, 8);
    Combo->OnMeasureItem = nullptr;
    Combo->SetItemHeight(0);
    int32_t Row = 0;
    Combo->MeasureItem(0, Row);
    EXPECT_GT(Row, 0);

    const int32_t ScrollBar = GetSystemMetrics(SM_CXVSCROLL);
    Combo->SetDropDownWidth(120);
    EXPECT_EQ(Combo->GetDropDownWidth(), 120 + 4 + ScrollBar);
    // Without a control the list is as wide as the item, or as its widest entry.
    Combo->SetDropDownWidth(0);
    Combo->SetWidth(150);
    EXPECT_EQ(Combo->GetDropDownWidth(), 150);
    TcbBarCombo* Short = NewCombo(F, {"x", std::string(60, 'W').c_str()});
    Short->SetWidth(30);
    int32_t Widest = 0;
    Short->MeasureItemWidth(1, Widest);
    EXPECT_GT(Widest, 30);
    EXPECT_EQ(Short->GetDropDownWidth(), Widest + 4);

    EXPECT_TRUE(Combo->CheckKeyForDropDownWindow(VK_DOWN, {}));
    EXPECT_TRUE(Combo->CheckKeyForDropDownWindow(VK_NEXT, {}));
    EXPECT_FALSE(Combo->CheckKeyForDropDownWindow(VK_DOWN, TShiftState{ssAlt}));
    EXPECT_FALSE(Combo->CheckKeyForDropDownWindow('A', {}));
    // The list's window is made on the first drop-down, shown there and hidden by CloseUp.
    EXPECT_EQ(Combo->GetDropDownWindow(), nullptr);
    int DroppedDown = 0;
    Combo->OnDropDown = [&](TObject*) { ++DroppedDown; };
    Combo->DropDown(10, 10);
    EXPECT_EQ(DroppedDown, 1);
    ASSERT_NE(Combo->GetDropDownWindow(), nullptr);
    EXPECT_TRUE(IsWindowVisible(Combo->GetDropDownWindow()));
    EXPECT_EQ(Combo->GetItems()->GetCount(), SendMessageA(Combo->GetDropDownWindow(), LB_GETCOUNT, 0, 0));
    Combo->CloseUp();
    EXPECT_FALSE(IsWindowVisible(Combo->GetDropDownWindow()));
}

TEST(BarCombos, TheBaseComboAsksItsEventsForKeysAndTheWindow)
{
    TManagerForm F;
    auto* Combo = new TCustomcbBarCombo(F.Form.get());
    EXPECT_TRUE(Combo->CheckKeyForDropDownWindow('A', {}));
    EXPECT_FALSE(Combo->CheckKeyForDropDownWindow(VK_ESCAPE, {}));
    EXPECT_FALSE(Combo->CheckKeyForDropDownWindow(VK_TAB, {}));
    Combo->OnCheckKeyForDropDownWindow = [](TCustomcbBarCombo*, uint16_t Key, TShiftState, bool& Accept) {
        Accept = Key == VK_RETURN;
    };
    EXPECT_TRUE(Combo->CheckKeyForDropDownWindow(VK_RETURN, {}));
    EXPECT_FALSE(Combo->CheckKeyForDropDownWindow('A', {}));
    EXPECT_TRUE(Combo->GetShowEditor());
    Combo->SetShowEditor(false);
    EXPECT_TRUE(Combo->GetSuppressEditing());
}

TEST(BarCombos, TheListOpensBesideAComboInAMenuOrOnASideToolbarAndUnderItElsewhere)
{
    TManagerForm F;
    TcbBarCombo* Combo = NewCombo(F, {"a"});
    auto* Menu = new TcbBarSubItem(F.Form.get());
    TcbBarItemLink* InMenu = Menu->GetItemLinks()->Add();
    InMenu->SetItem(Combo);
    EXPECT_TRUE(TCustomcbBarCombo::DropsDownBeside(InMenu));
    for (const TcbBarDockingStyle Dock : {dsLeft, dsRight, dsTop, dsBottom, dsNone}) {
        TcbBar* Bar = F.Manager->GetBars()->Add();
        Bar->SetDockingStyle(Dock);
        TcbBarItemLink* Link = Bar->GetItemLinks()->Add();
        Link->SetItem(Combo);
        EXPECT_EQ(TCustomcbBarCombo::DropsDownBeside(Link), Dock == dsLeft || Dock == dsRight) << Dock;
    }
}

TEST(BarCombos, ADropDownWindowIsFittedIntoTheWorkArea)
{
    const TRect Work{0, 0, 1280, 1024};
    // A horizontal toolbar: moved left to end at the right edge.
    int32_t X = 1200, Y = 100;
    TCustomcbBarCombo::AdjustDropDownPos(Work, false, 100, 22, 200, 150, X, Y);
    EXPECT_EQ(X, 1080);
    EXPECT_EQ(Y, 100);
    // Past the bottom with more room above: above the control.
    X = 300, Y = 950;
    TCustomcbBarCombo::AdjustDropDownPos(Work, false, 100, 22, 200, 150, X, Y);
    EXPECT_EQ(X, 300);
    EXPECT_EQ(Y, 950 - 22 - 150);
    // Past the bottom but with less room above: it stays below.
    X = 300, Y = 60;
    TCustomcbBarCombo::AdjustDropDownPos(Work, false, 100, 22, 200, 1000, X, Y);
    EXPECT_EQ(Y, 60);
    // A menu: left of the control when the right edge is passed and the left has more room.
    X = 1200, Y = 500;
    TCustomcbBarCombo::AdjustDropDownPos(Work, true, 150, 22, 200, 150, X, Y);
    EXPECT_EQ(X, 1200 - 150 - 200);
    EXPECT_EQ(Y, 500);
    // ... and moved up to end at the bottom.
    X = 400, Y = 1000;
    TCustomcbBarCombo::AdjustDropDownPos(Work, true, 150, 22, 200, 150, X, Y);
    EXPECT_EQ(X, 400);
    EXPECT_EQ(Y, 1024 - 150);
    // Never left of or above the work area.
    X = 100, Y = 900;
    TCustomcbBarCombo::AdjustDropDownPos(Work, false, 100, 22, 1500, 1100, X, Y);
    EXPECT_EQ(X, 0);
    EXPECT_EQ(Y, 0);
    X = 200, Y = 10;
    TCustomcbBarCombo::AdjustDropDownPos(TRect{100, 50, 1280, 1024}, true, 150, 22, 1200, 2000, X, Y);
    EXPECT_GE(X, 100);
    EXPECT_GE(Y, 50);
}

TEST(BarCombos, ListEntriesAndEditValuesAreDrawnByTheManagersPainter)
{
    TManagerForm F;
    TcbBarCombo* Combo = NewCombo(F, {"alpha", "beta"});
    const TRect R = Rect(0, 0, 60, 16);
    auto SamePixels = [](const TDib& A, const TDib& B) {
        for (int32_t Y = 0; Y < A.Height(); ++Y)
            for (int32_t X = 0; X < A.Width(); ++X)
                if (A.Pixel(X, Y) != B.Pixel(X, Y))
                    return false;
        return true;
    };
    COLORREF SelectedFill[2] = {};
    int Round = 0;
    for (TcbBarManagerStyle Style : {bmsStandard, bmsFlat}) {
        F.Manager->SetStyle(Style);
        const TcbBarItemControlPainter* Painter = F.Manager->GetPainterClass();
        TFont Font;
        Font.Assign(F.Manager->GetFont());

        // A selected list entry: what the combo draws is what the style's painter draws.
        TDib Got(60, 16), Want(60, 16);
        Combo->DrawListItem(Got.DC(), 1, R, TOwnerDrawState{odSelected});
        HGDIOBJ Old = SelectObject(Want.DC(), Font.GetHandle());
        Painter->DrawComboListItem(Want.DC(), R, "beta", true);
        SelectObject(Want.DC(), Old);
        EXPECT_TRUE(SamePixels(Got, Want)) << "style " << Style;
        EXPECT_NE(Got.Pixel(0, 0), RGB(1, 2, 3));
        SelectedFill[Round++] = Got.Pixel(55, 8); // inside the entry, clear of its text

        // The value of an edit that is not being edited, likewise.
        CommandBarsTest::FakeBarWindow Bar;
        Bar.Manager = F.Manager;
        CommandBarsTest::FakeItemControl Control(&Bar);
        Control.Text = "cats";
        TDib GotValue(60, 16), WantValue(60, 16);
        TCanvas Canvas;
        Canvas.SetHandle(GotValue.DC());
        Canvas.GetFont()->Assign(F.Manager->GetFont());
        Combo->DrawValue(&Canvas, R, &Control, TcbPaintFlags{pfEnabled});
        Canvas.SetHandle(nullptr);
        Old = SelectObject(WantValue.DC(), Font.GetHandle());
        Painter->DrawEditValue(&Control, WantValue.DC(), R, TcbPaintFlags{pfEnabled});
        SelectObject(WantValue.DC(), Old);
        EXPECT_TRUE(SamePixels(GotValue, WantValue)) << "style " << Style;
    }
    // The two styles select entries apart (the system highlight against the Flat tint), so the
    // drawing above really went through the chosen painter.
    EXPECT_NE(SelectedFill[0], SelectedFill[1]);
}
