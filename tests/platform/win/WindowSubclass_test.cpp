// Subclassed system windows: the handler sees messages before the window, subclasses stack and
// come off in any order, the window's end frees them, and a list box gets a press forwarded to
// its own procedure on purpose.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Forms.h"
#include "platform/win/WindowSubclass.h"
#include "tests/support/TestSupport.h"

namespace {

const char* const kProperty = "QuillmoorSubclass";

std::string TextOf(HWND W)
{
    char Buffer[256] = {};
    GetWindowTextA(W, Buffer, sizeof(Buffer));
    return Buffer;
}

void SendChars(HWND W, const std::string& Chars)
{
    for (char C : Chars)
        SendMessageA(W, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(C)), 1);
}

// Counts its own destruction: a handler holding one shows when the handler is freed.
struct TFreed {
    int& Count;
    explicit TFreed(int& C) : Count(C) {}
    ~TFreed() { ++Count; }
};

struct THost {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    HWND Make(const char* Class, DWORD Style = 0)
    {
        return CreateWindowExA(0, Class, "", WS_CHILD | WS_VISIBLE | Style, 10, 10, 200, 100, Form->GetHandle(), nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }
};

// A subclass of others, made the plain way, on top of ours.
WNDPROC gOthersPrevious = nullptr;
bool gPropertyLeftAtEnd = true;
LRESULT CALLBACK OthersProc(HWND W, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    const LRESULT R = CallWindowProcA(gOthersPrevious, W, Msg, WParam, LParam);
    if (Msg == WM_NCDESTROY)
        gPropertyLeftAtEnd = GetPropA(W, kProperty) != nullptr;
    return R;
}

} // namespace

TEST(TWindowSubclass, AnEditSeesItsCharactersThroughStackedSubclassesThatComeOffInAnyOrder)
{
    THost H;
    HWND Edit = H.Make("EDIT");
    ASSERT_NE(Edit, nullptr);
    const LONG_PTR Original = GetWindowLongPtrA(Edit, GWLP_WNDPROC);
    std::vector<std::string> Order;
    int FirstFreed = 0;

    auto Freed1 = std::make_shared<TFreed>(FirstFreed);
    TWindowSubclass* First = TWindowSubclass::Attach(Edit, [&, Freed1](UINT Msg, WPARAM WParam, LPARAM, LRESULT& Result) {
        if (Msg != WM_CHAR)
            return false;
        // Seen before the edit: the text does not hold the character yet.
        Order.push_back("1" + std::string(1, static_cast<char>(WParam)) + std::to_string(GetWindowTextLengthA(Edit)));
        if (WParam == 'z')
            throw EInvalidOperation("no z");
        Result = 0;
        return WParam == 'x'; // eaten
    });
    Freed1.reset();
    ASSERT_NE(First, nullptr);
    EXPECT_NE(GetWindowLongPtrA(Edit, GWLP_WNDPROC), Original);
    SendChars(Edit, "axbc");
    EXPECT_EQ(TextOf(Edit), "abc");
    EXPECT_EQ(Order, (std::vector<std::string>{"1a0", "1x1", "1b1", "1c2"}));
    {
        // A handler that raises: reported, and the character goes on.
        TestSupport::TExceptionCapture Capture;
        SendChars(Edit, "z");
        ASSERT_EQ(Capture.Count(), 1u);
        EXPECT_EQ(Capture.Entries()[0].Message, "no z");
    }
    EXPECT_EQ(TextOf(Edit), "abcz");

    // The newer subclass sees each message first.
    Order.clear();
    TWindowSubclass* Second = TWindowSubclass::Attach(Edit, [&](UINT Msg, WPARAM WParam, LPARAM, LRESULT&) {
        if (Msg == WM_CHAR)
            Order.push_back("2" + std::string(1, static_cast<char>(WParam)));
        return false;
    });
    SendChars(Edit, "d");
    EXPECT_EQ(Order, (std::vector<std::string>{"2d", "1d4"}));

    // The older one comes off first: under the newer one it stays as a pass-through whose
    // handler is gone, and "x" is no longer eaten.
    First->Detach();
    EXPECT_EQ(FirstFreed, 1);
    Order.clear();
    SendChars(Edit, "ex");
    EXPECT_EQ(Order, (std::vector<std::string>{"2e", "2x"}));
    EXPECT_EQ(TextOf(Edit), "abczdex");
    EXPECT_NE(GetWindowLongPtrA(Edit, GWLP_WNDPROC), Original);

    // The newer one off: both leave the chain, the edit has its own procedure back.
    Second->Detach();
    EXPECT_EQ(GetWindowLongPtrA(Edit, GWLP_WNDPROC), Original);
    EXPECT_EQ(GetPropA(Edit, kProperty), nullptr);
    Order.clear();
    SendChars(Edit, "f");
    EXPECT_TRUE(Order.empty());
    EXPECT_EQ(TextOf(Edit), "abczdexf");

    // No window, or one of another thread.
    EXPECT_THROW(TWindowSubclass::Attach(nullptr, nullptr), EInvalidOperation);
    EXPECT_THROW(TWindowSubclass::Attach(GetDesktopWindow(), nullptr), EInvalidOperation);
    DestroyWindow(Edit);
}

TEST(TWindowSubclass, TheWindowsEndFreesItsSubclassesAndTheirProperty)
{
    THost H;
    HWND Edit = H.Make("EDIT");
    ASSERT_NE(Edit, nullptr);
    int Freed = 0;
    UINT Last[2] = {};
    for (int I = 0; I < 2; ++I) {
        auto Counter = std::make_shared<TFreed>(Freed);
        TWindowSubclass::Attach(Edit, [&Last, I, Counter](UINT Msg, WPARAM, LPARAM, LRESULT&) {
            Last[I] = Msg;
            return Msg == WM_NCDESTROY; // handled or not, it goes on to the edit
        });
    }
    // Another program's subclass on top sees what is left once ours are through.
    gOthersPrevious = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(Edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OthersProc)));
    SendChars(Edit, "ok");
    EXPECT_EQ(TextOf(Edit), "ok");
    EXPECT_EQ(Freed, 0);

    DestroyWindow(Edit);
    EXPECT_EQ(Freed, 2);
    EXPECT_EQ(Last[0], static_cast<UINT>(WM_NCDESTROY));
    EXPECT_EQ(Last[1], static_cast<UINT>(WM_NCDESTROY));
    EXPECT_FALSE(gPropertyLeftAtEnd);

    // Detached from inside its own handler on WM_DESTROY: freed once that message is through,
    // and the rest of the window's end goes to the edit alone.
    HWND Other = H.Make("EDIT");
    UINT SeenLast = 0;
    auto Counter = std::make_shared<TFreed>(Freed);
    TWindowSubclass* Self = nullptr;
    Self = TWindowSubclass::Attach(Other, [&, Counter](UINT Msg, WPARAM, LPARAM, LRESULT&) {
        SeenLast = Msg;
        if (Msg == WM_DESTROY)
            Self->Detach();
        return false;
    });
    Counter.reset();
    DestroyWindow(Other);
    EXPECT_EQ(SeenLast, static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(Freed, 3);
}

TEST(TWindowSubclass, CallPreviousForwardsAPressTheHandlerKeptFromTheListBox)
{
    THost H;
    H.Form->SetBounds(100, 100, 300, 200);
    H.Form->Show();
    HWND List = H.Make("LISTBOX", LBS_NOTIFY);
    ASSERT_NE(List, nullptr);
    for (const char* Row : {"zero", "one", "two", "three"})
        SendMessageA(List, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Row));
    int Presses = 0;
    TWindowSubclass* S = TWindowSubclass::Attach(List, [&](UINT Msg, WPARAM, LPARAM, LRESULT& Result) {
        if (Msg != WM_LBUTTONDOWN)
            return false;
        ++Presses;
        Result = 0;
        return true;
    });
    RECT Row{};
    SendMessageA(List, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&Row));
    const LPARAM At = MAKELPARAM((Row.left + Row.right) / 2, (Row.top + Row.bottom) / 2);

    SendMessageA(List, WM_LBUTTONDOWN, MK_LBUTTON, At);
    EXPECT_EQ(Presses, 1);
    EXPECT_EQ(SendMessageA(List, LB_GETCURSEL, 0, 0), LB_ERR); // kept from the list

    S->CallPrevious(WM_LBUTTONDOWN, MK_LBUTTON, At);
    EXPECT_EQ(Presses, 1); // straight to the list's procedure, past the handler
    EXPECT_EQ(SendMessageA(List, LB_GETCURSEL, 0, 0), 2);
    SendMessageA(List, WM_LBUTTONUP, 0, At);
    if (GetCapture() == List)
        ReleaseCapture();
    S->Detach();
    DestroyWindow(List);
    H.Form->Hide();
}
