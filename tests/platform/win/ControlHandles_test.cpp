// The window call of a control (what lives exactly as long as its window) and two windows for one
// control, swapped as a bar docks or floats.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "tests/support/HiddenForm.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr UINT kProbe = WM_APP + 0x0321;

BOOL CALLBACK CountWindow(HWND Wnd, LPARAM P)
{
    auto* C = reinterpret_cast<std::pair<const char*, int>*>(P);
    char Name[64] = {};
    GetClassNameA(Wnd, Name, sizeof(Name));
    C->second += !C->first || _stricmp(Name, C->first) == 0;
    if ((GetWindowLongA(Wnd, GWL_STYLE) & WS_CHILD) == 0)
        EnumChildWindows(Wnd, CountWindow, P); // a top-level window: all its children too
    return TRUE;
}

// The windows of this thread, top-level and children, of a class or of any.
int ThreadWindows(const char* Class = nullptr)
{
    std::pair<const char*, int> C{Class, 0};
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&C));
    return C.second;
}

std::string TextOf(HWND Wnd)
{
    char Buf[64] = {};
    SendMessageA(Wnd, WM_GETTEXT, sizeof(Buf), reinterpret_cast<LPARAM>(Buf));
    return Buf;
}

// Owns a child EDIT exactly as long as its own window.
class TEditHost : public TCustomControl {
public:
    TEditHost(TComponent* AOwner, int& AMade, int& AFreed) : TCustomControl(AOwner), Made(AMade), Freed(AFreed) {}
    ~TEditHost() override { DestroyHandle(); } // while the overrides below still run
    HWND Edit = nullptr;
    int& Made;
    int& Freed;

protected:
    void CreateWindowHandle(const TCreateParams& P) override
    {
        TCustomControl::CreateWindowHandle(P);
        Edit = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 60, 20, FHandle, nullptr, nullptr, nullptr);
        Made += Edit != nullptr;
    }
    void DestroyWindowHandle() override
    {
        Freed += ::GetParent(Edit) == FHandle && DestroyWindow(Edit); // the window still holds it
        TCustomControl::DestroyWindowHandle();
    }
};

// Records which of its windows each probe and each WM_DESTROY was for.
class TSwapControl : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::vector<HWND> Probed, Destroyed;
    TCreateParams PopupParams(HWND Owner)
    {
        TCreateParams P;
        CreateParams(P);
        P.Caption = "floating";
        P.Style = WS_POPUP;
        P.WndParent = Owner;
        P.Menu = nullptr;
        P.X = 400, P.Y = 300, P.Width = 120, P.Height = 40;
        return P;
    }
    void WndProc(TMessage& M) override
    {
        if (M.Msg == kProbe || M.Msg == WM_DESTROY)
            (M.Msg == kProbe ? Probed : Destroyed).push_back(MessageWindow());
        TCustomControl::WndProc(M);
    }
};

bool IsRect(const TRect& R, int L, int T, int W, int H)
{
    return R.left == L && R.top == T && R.right == L + W && R.bottom == T + H;
}

} // namespace

TEST(TWinControl, WindowCallOverridesKeepExactlyOneOwnChildWindowThroughRecreation)
{
    TestSupport::THiddenForm F(200, 100);
    int Made = 0, Freed = 0;
    auto* Host = new TEditHost(F.Form.get(), Made, Freed);
    Host->SetParent(F.Form.get());
    for (int I = 0; I < 3; ++I) {
        Host->RecreateWnd();
        EXPECT_EQ(ThreadWindows("Edit"), 1) << "after recreation " << I;
        EXPECT_EQ(::GetParent(Host->Edit), Host->GetHandle());
    }
    Host->Free();
    EXPECT_EQ(ThreadWindows("Edit"), 0);
    EXPECT_EQ(Made, 4);
    EXPECT_EQ(Freed, 4);
}

TEST(TWinControl, SwappedWindowsBothReachTheControlAndTheAlternateGoesCleanly)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(40, 40, 320, 200);
    auto* Panel = new TPanel(Form.get());
    Panel->SetParent(Form.get());
    auto* C = new TSwapControl(Form.get());
    C->SetText("docked");
    C->SetBounds(5, 6, 100, 30);
    C->SetParent(Panel);
    auto* Inner = new TPanel(Form.get()); // windowed children move with the handle
    Inner->SetParent(C);
    Form->Show();
    const HWND Child = C->GetHandle();
    const int Before = ThreadWindows();
    C->CreateAlternateHandle(C->PopupParams(Form->GetHandle()));
    const HWND Popup = C->GetAlternateHandle();
    EXPECT_THROW(C->CreateAlternateHandle(C->PopupParams(Form->GetHandle())), EInvalidOperation);
    EXPECT_EQ(GetWindow(Popup, GW_OWNER), Form->GetHandle());
    EXPECT_EQ(ThreadWindows(), Before + 1);

    C->SwapHandles();
    EXPECT_EQ(C->GetHandle(), Popup);
    EXPECT_EQ(TWinControl::FindControl(Popup), C);
    EXPECT_EQ(TWinControl::FindControl(Child), C);
    EXPECT_EQ(::GetParent(Inner->GetHandle()), Popup);
    // Bounds, visibility and text are the popup's now, and setting them sets the popup's.
    EXPECT_TRUE(IsRect(C->GetBoundsRect(), 400, 300, 120, 40));
    EXPECT_FALSE(C->GetVisible());
    EXPECT_EQ(C->GetText(), "floating");
    C->Show();
    C->SetBounds(420, 310, 130, 44);
    TRect R;
    GetWindowRect(Popup, &R);
    EXPECT_TRUE(IsRect(R, 420, 310, 130, 44));
    EXPECT_TRUE(IsWindowVisible(Popup));
    // Each window's messages reach WndProc, and what falls through is handled for that window.
    SendMessageA(Child, kProbe, 0, 0);
    SendMessageA(Popup, kProbe, 0, 0);
    EXPECT_EQ(C->Probed, (std::vector<HWND>{Child, Popup}));
    EXPECT_EQ(TextOf(Child), "docked");
    InvalidateRect(Child, nullptr, TRUE);
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return !GetUpdateRect(Child, nullptr, FALSE); }, 10000, "the alternate painted"));
    MoveWindow(Child, 1, 2, 50, 20, TRUE);
    EXPECT_TRUE(IsRect(C->GetBoundsRect(), 420, 310, 130, 44)) << "the alternate's moves are not the control's";

    C->DestroyAlternateHandle();
    EXPECT_FALSE(IsWindow(Child));
    EXPECT_EQ(TWinControl::FindControl(Child), nullptr);
    EXPECT_TRUE(C->Destroyed.empty()) << "the alternate's last messages stay with its class";
    EXPECT_EQ(ThreadWindows(), Before);
    EXPECT_TRUE(IsWindow(Inner->GetHandle()));
    Form.reset();
    EXPECT_FALSE(IsWindow(Popup));
}
