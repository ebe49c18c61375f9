// Tab set over a notebook (a real click and a TCM_SETCURSEL with its notification), and a page
// control with hot tracking and with every tab hidden.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "platform/win/Forms.h"
#include "platform/win/Tabs.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;

namespace {
void Click(HWND W, POINT P)
{
    ClientToScreen(W, &P);
    TestSupport::Click(P);
}
} // namespace

TEST(TTabSet, ChoosesTheNotebookPage)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(50, 50, 400, 300);
    auto* Tabs = new TTabSet(Form.get());
    Tabs->SetParent(Form.get());
    Tabs->SetAlign(alTop);
    Tabs->SetHeight(24);
    auto* Book = new TNotebook(Form.get());
    Book->SetParent(Form.get());
    Book->SetAlign(alClient);
    TNotebookPage* Log = Book->AddPage("Log");
    TNotebookPage* Report = Book->AddPage("Report");
    Tabs->GetTabs()->Add("Log");
    Tabs->GetTabs()->Add("Report");
    Tabs->SetTabIndex(0);
    int Changes = 0;
    Tabs->OnChange = [&](TObject*, int32_t New, bool&) {
        ++Changes;
        Book->SetPageIndex(New);
    };
    Form->Show();
    TestSupport::BringToFront(*Form);
    EXPECT_EQ(Book->GetPages(), (std::vector<std::string>{"Log", "Report"}));
    EXPECT_TRUE(IsWindowVisible(Log->GetHandle()));
    EXPECT_FALSE(IsWindowVisible(Report->GetHandle()));
    HWND W = Tabs->GetHandle();
    RECT R{};
    SendMessageA(W, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&R));
    Click(W, POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2});
    PumpUntil([&] { return Changes == 1; }, 5000, "OnChange of a click");
    EXPECT_EQ(Tabs->GetTabIndex(), 1);
    EXPECT_EQ(Book->GetActivePage(), "Report");
    EXPECT_TRUE(IsWindowVisible(Report->GetHandle()));
    EXPECT_FALSE(IsWindowVisible(Log->GetHandle()));
    // Back by message and notification, as the keyboard does it.
    SendMessageA(W, TCM_SETCURSEL, 0, 0);
    NMHDR H{W, static_cast<UINT_PTR>(GetDlgCtrlID(W)), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(GetParent(W), WM_NOTIFY, H.idFrom, reinterpret_cast<LPARAM>(&H));
    EXPECT_EQ(Changes, 2);
    EXPECT_EQ(Book->GetActivePage(), "Log");
    EXPECT_TRUE(IsWindowVisible(Log->GetHandle()));
    // ActivePage by caption.
    Book->SetActivePage("Report");
    EXPECT_FALSE(IsWindowVisible(Log->GetHandle()));
    Book->SetActivePage("Log");
    EXPECT_EQ(Book->GetPageIndex(), 0);
    EXPECT_TRUE(IsWindowVisible(Log->GetHandle()));
    // A refusing OnChange keeps the tab.
    Tabs->OnChange = [&](TObject*, int32_t, bool& Allow) { Allow = false; };
    SendMessageA(W, TCM_SETCURSEL, 1, 0);
    SendMessageA(GetParent(W), WM_NOTIFY, H.idFrom, reinterpret_cast<LPARAM>(&H));
    EXPECT_EQ(Tabs->GetTabIndex(), 0);
    Form->Hide();
}

TEST(TPageControl, HotTrackAndHiddenTabs)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetClientSize(400, 300);
    auto* Pages = new TPageControl(Form.get());
    Pages->SetParent(Form.get());
    Pages->SetAlign(alClient);
    Pages->SetHotTrack(true);
    auto* A = new TTabSheet(Form.get());
    A->SetCaption("General");
    A->SetPageControl(Pages);
    auto* B = new TTabSheet(Form.get());
    B->SetCaption("Advanced");
    B->SetPageControl(Pages);
    Form->HandleNeeded();
    HWND W = Pages->GetHandle();
    EXPECT_TRUE(GetWindowLongA(W, GWL_STYLE) & TCS_HOTTRACK);
    EXPECT_EQ(SendMessageA(W, TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(Pages->GetActivePage(), A);
    EXPECT_GT(A->GetTop(), 10); // below the strip
    int Changes = 0;
    Pages->OnChange = [&](TObject*) { ++Changes; };
    SendMessageA(W, TCM_SETCURSEL, 1, 0);
    NMHDR H{W, static_cast<UINT_PTR>(GetDlgCtrlID(W)), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(GetParent(W), WM_NOTIFY, H.idFrom, reinterpret_cast<LPARAM>(&H));
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Pages->GetActivePageIndex(), 1);
    EXPECT_TRUE(GetWindowLongA(B->GetHandle(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongA(A->GetHandle(), GWL_STYLE) & WS_VISIBLE);
    // Every tab hidden: no strip, the active sheet fills the control.
    A->SetTabVisible(false);
    B->SetTabVisible(false);
    EXPECT_EQ(SendMessageA(W, TCM_GETITEMCOUNT, 0, 0), 0);
    Pages->SetActivePage(A);
    EXPECT_EQ(A->GetBoundsRect().left, 0);
    EXPECT_EQ(A->GetTop(), 0);
    EXPECT_EQ(A->GetWidth(), Pages->GetClientWidth());
    EXPECT_EQ(A->GetHeight(), Pages->GetClientHeight());
    EXPECT_TRUE(GetWindowLongA(A->GetHandle(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongA(B->GetHandle(), GWL_STYLE) & WS_VISIBLE);
}
