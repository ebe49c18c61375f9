// The window steps of a control (what lives exactly as long as its window) and the swap between
// two windows of one control: a docked child and a floating popup.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "tests/support/HiddenForm.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;
using TestSupport::THiddenForm;

namespace {

constexpr UINT kProbe = WM_APP + 0x0321;

struct TWindowCount {
    const char* Class;
    int Count = 0;
};

BOOL CALLBACK CountChild(HWND Wnd, LPARAM P)
{
    auto* C = reinterpret_cast<TWindowCount*>(P);
    char Name[64] = {};
    GetClassNameA(Wnd, Name, sizeof(Name));
    if (!C->Class || _stricmp(Name, C->Class) == 0)
        ++C->Count;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND Wnd, LPARAM P)
{
    CountChild(Wnd, P);
    EnumChildWindows(Wnd, CountChild, P);
    return TRUE;
}

// The windows of this thread, top-level and children, of a class or of any.
int ThreadWindows(const char* Class = nullptr)
{
    TWindowCount C{Class};
    EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&C));
    return C.Count;
}

std::string TextOf(HWND Wnd)
{
    char Buf[64] = {};
    SendMessageA(Wnd, WM_GETTEXT, sizeof(Buf), reinterpret_cast<LPARAM>(Buf));
    return Buf;
}

// Owns a child EDIT exactly as long as its own window, and logs the window steps.
class TEditHost : public TCustomControl {
public:
    TEditHost(TComponent* AOwner, std::vector<std::string>& ALog) : TCustomControl(AOwner), Log(ALog) {}
    ~TEditHost() override { DestroyHandle(); } // while the overrides below still run
    HWND Edit = nullptr;
    std::vector<std::string>& Log;

protected:
    void CreateParams(TCreateParams& P) override
    {
        TCustomControl::CreateParams(P);
        Log.push_back("params");
    }
    void CreateWindowHandle(const TCreateParams& P) override
    {
        TCustomControl::CreateWindowHandle(P);
        Log.push_back("handle");
        Edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 60, 20, FHandle, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }
    void RestoreWindowState() override { Log.push_back("restore"); }
    void SaveWindowState() override { Log.push_back("save"); }
    void DestroyWindowHandle() override
    {
        // Before the base call the control's window still holds the edit.
        Log.push_back(IsWindow(FHandle) && ::GetParent(Edit) == FHandle ? "unhandle" : "unhandle late");
        DestroyWindow(Edit);
        Edit = nullptr;
        TCustomControl::DestroyWindowHandle();
    }
};

// A control that can float: its popup parameters, and which of its windows each message was for.
class TSwapControl : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::vector<HWND> Probed;
    std::vector<HWND> Destroyed;
    TCreateParams PopupParams(HWND Owner, const TRect& R)
    {
        TCreateParams P;
        CreateParams(P);
        P.Caption = "floating";
        P.Style = WS_POPUP | WS_CLIPCHILDREN;
        P.WndParent = Owner;
        P.Menu = nullptr;
        P.X = R.left;
        P.Y = R.top;
        P.Width = R.right - R.left;
        P.Height = R.bottom - R.top;
        return P;
    }
    void WndProc(TMessage& M) override
    {
        if (M.Msg == kProbe) {
            Probed.push_back(MessageWindow());
            M.Result = 7;
            return;
        }
        if (M.Msg == WM_DESTROY)
            Destroyed.push_back(MessageWindow());
        TCustomControl::WndProc(M);
    }
};

bool SameRect(const TRect& A, const TRect& B)
{
    return A.left == B.left && A.top == B.top && A.right == B.right && A.bottom == B.bottom;
}

} // namespace

TEST(TWinControl, WindowStepsKeepExactlyOneOwnChildWindowThroughRecreation)
{
    THiddenForm F(200, 100);
    std::vector<std::string> Log;
    auto* Host = new TEditHost(F.Form.get(), Log);
    Host->SetBounds(0, 0, 120, 40);
    Host->SetParent(F.Form.get());
    ASSERT_TRUE(Host->HandleAllocated());
    EXPECT_EQ(Log, (std::vector<std::string>{"params", "handle", "restore"}));
    for (int I = 0; I < 3; ++I) {
        Log.clear();
        Host->RecreateWnd();
        EXPECT_EQ(Log, (std::vector<std::string>{"save", "unhandle", "params", "handle", "restore"})) << I;
        EXPECT_EQ(ThreadWindows("Edit"), 1) << "after recreation " << I;
        EXPECT_EQ(::GetParent(Host->Edit), Host->GetHandle());
    }
    Log.clear();
    Host->Free();
    EXPECT_EQ(Log, (std::vector<std::string>{"save", "unhandle"}));
    EXPECT_EQ(ThreadWindows("Edit"), 0);
}

TEST(TWinControl, SwappedHandlesBothReachTheControlAndTheAlternateGoesCleanly)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(40, 40, 320, 200);
    auto* Panel = new TPanel(Form.get());
    Panel->SetBounds(10, 10, 240, 120);
    Panel->SetParent(Form.get());
    auto* C = new TSwapControl(Form.get());
    C->SetText("docked");
    C->SetBounds(5, 6, 100, 30);
    C->SetParent(Panel);
    auto* Inner = new TPanel(Form.get()); // a windowed child moves with the handle
    Inner->SetBounds(2, 2, 20, 20);
    Inner->SetParent(C);
    Form->Show();

    // No alternate without a handle of its own; a second one is refused.
    TSwapControl Loose(nullptr);
    EXPECT_THROW(Loose.CreateAlternateHandle(Loose.PopupParams(nullptr, Rect(0, 0, 10, 10))), EInvalidOperation);

    const HWND Child = C->GetHandle();
    const int Before = ThreadWindows();
    const TRect Floating = Rect(400, 300, 520, 340);
    C->CreateAlternateHandle(C->PopupParams(Form->GetHandle(), Floating));
    const HWND Popup = C->GetAlternateHandle();
    ASSERT_TRUE(IsWindow(Popup));
    EXPECT_THROW(C->CreateAlternateHandle(C->PopupParams(Form->GetHandle(), Floating)), EInvalidOperation);
    EXPECT_EQ(ThreadWindows(), Before + 1);
    EXPECT_EQ(GetWindow(Popup, GW_OWNER), Form->GetHandle());
    EXPECT_EQ(C->GetHandle(), Child);

    C->SwapHandles();
    EXPECT_EQ(C->GetHandle(), Popup);
    EXPECT_EQ(C->GetAlternateHandle(), Child);
    EXPECT_EQ(TWinControl::FindControl(Popup), C);
    EXPECT_EQ(TWinControl::FindControl(Child), C);
    EXPECT_EQ(::GetParent(Inner->GetHandle()), Popup);
    // Bounds, visibility and text are the popup's now.
    EXPECT_TRUE(SameRect(C->GetBoundsRect(), Floating));
    EXPECT_FALSE(C->GetVisible());
    EXPECT_EQ(C->GetText(), "floating");
    C->Show();
    EXPECT_TRUE(IsWindowVisible(Popup));
    C->SetBounds(420, 310, 130, 44);
    TRect R;
    GetWindowRect(Popup, &R);
    EXPECT_TRUE(SameRect(R, Rect(420, 310, 550, 354)));

    // Each window's messages reach WndProc, and what falls through is handled for that window.
    EXPECT_EQ(SendMessageA(Child, kProbe, 0, 0), 7);
    EXPECT_EQ(SendMessageA(Popup, kProbe, 0, 0), 7);
    EXPECT_EQ(C->Probed, (std::vector<HWND>{Child, Popup}));
    EXPECT_EQ(TextOf(Child), "docked");
    EXPECT_EQ(TextOf(Popup), "floating");
    // The alternate paints itself, and its moves are not the control's.
    InvalidateRect(Child, nullptr, TRUE);
    EXPECT_TRUE(PumpUntil([&] { return !GetUpdateRect(Child, nullptr, FALSE); }, 10000, "the alternate's paint"));
    MoveWindow(Child, 1, 2, 50, 20, TRUE);
    EXPECT_TRUE(SameRect(C->GetBoundsRect(), Rect(420, 310, 550, 354)));

    C->DestroyAlternateHandle();
    EXPECT_FALSE(IsWindow(Child));
    EXPECT_EQ(TWinControl::FindControl(Child), nullptr);
    EXPECT_EQ(C->GetAlternateHandle(), nullptr);
    EXPECT_TRUE(C->Destroyed.empty()) << "the alternate's last messages stay with its class";
    EXPECT_EQ(ThreadWindows(), Before);
    EXPECT_TRUE(IsWindow(Inner->GetHandle()));
    EXPECT_EQ(SendMessageA(Popup, kProbe, 0, 0), 7);
    Form.reset();
    EXPECT_FALSE(IsWindow(Popup));
}
