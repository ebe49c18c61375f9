// The status bar: panel widths and texts from the window, a run-time change, a child control.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/Forms.h"
#include "platform/win/StatusBar.h"
#include "platform/win/StdCtrls.h"
#include "tests/support/TestSupport.h"

namespace {
std::string PanelText(HWND W, int I)
{
    const auto Len = LOWORD(SendMessageA(W, SB_GETTEXTLENGTHA, static_cast<WPARAM>(I), 0));
    std::string S(Len + 1u, '\0');
    SendMessageA(W, SB_GETTEXTA, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(S.data()));
    S.resize(Len);
    return S;
}
} // namespace

TEST(TStatusBar, PanelsChangeAtRunTimeAndHoldChildren)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetClientSize(500, 300);
    auto* Bar = new TStatusBar(Form.get());
    Bar->SetParent(Form.get());
    TStatusPanel* P0 = Bar->GetPanels()->Add();
    P0->SetWidth(5);
    TStatusPanel* P1 = Bar->GetPanels()->Add();
    P1->SetWidth(200);
    P1->SetText("Ready");
    Form->HandleNeeded();
    HWND W = Bar->GetHandle();
    EXPECT_EQ(Bar->GetTop() + Bar->GetHeight(), 300); // at the bottom
    int Edges[4] = {};
    ASSERT_EQ(SendMessageA(W, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(Edges)), 2);
    EXPECT_EQ(Edges[0], 5);
    // The last panel runs to the bar's right edge, whatever width it was given.
    EXPECT_EQ(Edges[1], -1);
    RECT Last{}, Client{};
    SendMessageA(W, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&Last));
    GetClientRect(W, &Client);
    EXPECT_GE(Last.right, Client.right - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(Bar->GetPanelRect(1).right, Last.right);
    EXPECT_EQ(PanelText(W, 1), "Ready");
    P0->SetText("x");
    EXPECT_EQ(PanelText(W, 0), "x");
    RECT Before{};
    SendMessageA(W, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&Before));
    P0->SetWidth(150);
    P1->SetText("Loading 3 of 9");
    RECT After{};
    SendMessageA(W, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&After));
    EXPECT_EQ(After.left - Before.left, 145);
    EXPECT_EQ(Bar->GetPanelRect(1).left, After.left);
    EXPECT_EQ(PanelText(W, 1), "Loading 3 of 9");
    // A progress bar placed over the panels.
    auto* Child = new TProgressBar(Form.get());
    Child->SetParent(Bar);
    Child->SetBounds(P0->GetWidth() + 60, 3, 100, 12);
    Child->SetMax(200);
    Child->SetPosition(42);
    EXPECT_EQ(GetParent(Child->GetHandle()), W);
    RECT CR{};
    GetWindowRect(Child->GetHandle(), &CR);
    MapWindowPoints(nullptr, W, reinterpret_cast<POINT*>(&CR), 2);
    EXPECT_EQ(CR.left, 210);
    EXPECT_EQ(CR.top, 3);
    EXPECT_EQ(Child->GetPosition(), 42);
    EXPECT_EQ(SendMessageA(Child->GetHandle(), PBM_GETPOS, 0, 0), 42);
    // Simple mode shows one text.
    Bar->SetSimpleText("Building the library");
    Bar->SetSimplePanel(true);
    EXPECT_TRUE(SendMessageA(W, SB_ISSIMPLE, 0, 0));
    EXPECT_EQ(PanelText(W, 0), "Building the library"); // in simple mode any index reads the simple text
}
