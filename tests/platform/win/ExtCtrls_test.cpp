// Radio groups and images.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/win/Bitmap.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "tests/support/HiddenForm.h"
#include "tests/support/TestSupport.h"

namespace {

using TestSupport::THiddenForm;

// The client area of a window as drawn by WM_PRINTCLIENT, as 0x00RRGGBB pixels.
struct TCapture {
    int32_t W, H;
    std::vector<uint32_t> Pixels;
    TCapture(HWND Wnd, int32_t AW, int32_t AH) : W(AW), H(AH), Pixels(static_cast<size_t>(AW * AH))
    {
        BITMAPINFO BI{};
        BI.bmiHeader.biSize = sizeof(BI.bmiHeader);
        BI.bmiHeader.biWidth = W;
        BI.bmiHeader.biHeight = -H;
        BI.bmiHeader.biPlanes = 1;
        BI.bmiHeader.biBitCount = 32;
        void* Bits = nullptr;
        HDC DC = CreateCompatibleDC(nullptr);
        HBITMAP Bmp = CreateDIBSection(DC, &BI, DIB_RGB_COLORS, &Bits, nullptr, 0);
        HGDIOBJ Old = SelectObject(DC, Bmp);
        SendMessageA(Wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(DC), PRF_CLIENT | PRF_ERASEBKGND);
        GdiFlush();
        memcpy(Pixels.data(), Bits, Pixels.size() * 4);
        SelectObject(DC, Old);
        DeleteObject(Bmp);
        DeleteDC(DC);
    }
    uint32_t At(int32_t X, int32_t Y) const { return Pixels[static_cast<size_t>(Y * W + X)] & 0xFFFFFF; }
};

uint32_t Rgb(TColor C)
{
    const COLORREF R = ColorToRGB(C);
    return (GetRValue(R) << 16) | (GetGValue(R) << 8) | GetBValue(R);
}

// 40 x 30: red left half, blue right half.
std::unique_ptr<TBitmap> TwoColourBitmap()
{
    auto B = std::make_unique<TBitmap>();
    B->SetSize(40, 30);
    B->GetCanvas()->GetBrush()->SetColor(clRed);
    B->GetCanvas()->FillRect(Rect(0, 0, 20, 30));
    B->GetCanvas()->GetBrush()->SetColor(clBlue);
    B->GetCanvas()->FillRect(Rect(20, 0, 40, 30));
    return B;
}

} // namespace

TEST(TRadioGroup, ItemsMakeButtonsAndItemIndexFollowsCodeAndClicks)
{
    THiddenForm F(400, 300);
    TRadioGroup* G = new TRadioGroup(F.Form.get());
    G->SetBounds(10, 10, 300, 120);
    G->SetCaption("Mode :");
    G->SetParent(F.Form.get());
    G->SetColumns(2);
    G->GetItems()->Add("First");
    G->GetItems()->Add("Second");
    G->GetItems()->Add("Third");
    ASSERT_EQ(G->GetButtonCount(), 3);
    EXPECT_EQ(G->GetButtons(1)->GetCaption(), "Second");
    // Two columns, filled downwards first.
    EXPECT_EQ(G->GetButtons(1)->GetLeft(), G->GetButtons(0)->GetLeft());
    EXPECT_GT(G->GetButtons(1)->GetTop(), G->GetButtons(0)->GetTop());
    EXPECT_GT(G->GetButtons(2)->GetLeft(), G->GetButtons(0)->GetLeft() + 100);
    EXPECT_EQ(G->GetButtons(2)->GetTop(), G->GetButtons(0)->GetTop());
    EXPECT_EQ(G->GetItemIndex(), -1);

    int Clicks = 0;
    G->OnClick = [&](TObject*) { ++Clicks; };
    G->SetItemIndex(1);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(SendMessageA(G->GetButtons(1)->GetHandle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    G->SetItemIndex(1);
    EXPECT_EQ(Clicks, 1);
    // The user's click on another button, as the button reports it.
    const HWND B0 = G->GetButtons(0)->GetHandle();
    SendMessageA(G->GetHandle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(B0), BN_CLICKED), reinterpret_cast<LPARAM>(B0));
    EXPECT_EQ(G->GetItemIndex(), 0);
    EXPECT_EQ(Clicks, 2);
    EXPECT_EQ(SendMessageA(G->GetButtons(1)->GetHandle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    G->SetItemIndex(7); // out of range: none
    EXPECT_EQ(G->GetItemIndex(), -1);
    EXPECT_EQ(SendMessageA(B0, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(Clicks, 3);

    G->SetItemIndex(2);
    G->GetItems()->Delete(2); // the checked item goes
    EXPECT_EQ(G->GetButtonCount(), 2);
    EXPECT_EQ(G->GetItemIndex(), -1);
    G->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(G->GetButtons(0)->GetHandle()));
    G->GetItems()->Clear();
    EXPECT_EQ(G->GetButtonCount(), 0);
}

TEST(TImage, DrawsUnscaledCentredStretchedAndProportional)
{
    THiddenForm F(300, 200);
    TPanel* P = new TPanel(F.Form.get());
    P->SetBevelOuter(bvNone);
    P->SetBounds(0, 0, 200, 150);
    P->SetParent(F.Form.get());
    TImage* I = new TImage(F.Form.get());
    I->SetBounds(10, 10, 100, 80);
    I->SetParent(P);
    auto Bmp = TwoColourBitmap();
    I->GetPicture()->SetGraphic(Bmp.get());
    const uint32_t Red = Rgb(clRed), Blue = Rgb(clBlue), Face = Rgb(P->GetColor());

    {
        TCapture C(P->GetHandle(), 200, 150); // unscaled at its top-left
        EXPECT_EQ(C.At(10, 10), Red);
        EXPECT_EQ(C.At(29, 39), Red);
        EXPECT_EQ(C.At(30, 10), Blue);
        EXPECT_EQ(C.At(49, 39), Blue);
        EXPECT_EQ(C.At(50, 10), Face);
        EXPECT_EQ(C.At(10, 40), Face);
        EXPECT_EQ(C.At(9, 9), Face);
    }
    I->SetCenter(true);
    {
        TCapture C(P->GetHandle(), 200, 150);
        EXPECT_EQ(C.At(10 + 30, 10 + 25), Red);
        EXPECT_EQ(C.At(10 + 69, 10 + 54), Blue);
        EXPECT_EQ(C.At(10 + 29, 10 + 25), Face);
    }
    I->SetCenter(false);
    I->SetStretch(true);
    {
        TCapture C(P->GetHandle(), 200, 150);
        EXPECT_EQ(C.At(10, 10), Red);
        EXPECT_EQ(C.At(10 + 99, 10 + 79), Blue);
        EXPECT_EQ(C.At(10 + 45, 10 + 40), Red);
        EXPECT_EQ(C.At(10 + 55, 10 + 40), Blue);
    }
    I->SetProportional(true); // 40 x 30 into 100 x 80: 100 x 75
    TRect D = I->DestRect();
    EXPECT_EQ(D.right - D.left, 100);
    EXPECT_EQ(D.bottom - D.top, 75);
    {
        TCapture C(P->GetHandle(), 200, 150);
        EXPECT_EQ(C.At(10 + 99, 10 + 74), Blue);
        EXPECT_EQ(C.At(10 + 50, 10 + 77), Face);
    }
    // Proportional without Stretch only shrinks.
    I->SetStretch(false);
    D = I->DestRect();
    EXPECT_EQ(D.right - D.left, 40);
    I->SetBounds(10, 10, 20, 80);
    D = I->DestRect();
    EXPECT_EQ(D.right - D.left, 20);
    EXPECT_EQ(D.bottom - D.top, 15);

    // AutoSize takes the picture's size, also for a later picture.
    I->SetAutoSize(true);
    EXPECT_EQ(I->GetWidth(), 40);
    EXPECT_EQ(I->GetHeight(), 30);
    Bmp->SetSize(64, 48);
    I->GetPicture()->SetGraphic(Bmp.get());
    EXPECT_EQ(I->GetWidth(), 64);
    EXPECT_EQ(I->GetHeight(), 48);
    I->SetTransparent(true);
    EXPECT_TRUE(I->GetPicture()->GetGraphic()->GetTransparent());
}

TEST(TImage, MouseEventsAndDoubleClickReachIt)
{
    THiddenForm F(300, 200);
    TPanel* P = new TPanel(F.Form.get());
    P->SetBounds(0, 0, 200, 150);
    P->SetParent(F.Form.get());
    TImage* I = new TImage(F.Form.get());
    I->SetBounds(20, 30, 100, 80);
    I->SetParent(P);
    std::vector<std::string> Log;
    I->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t X, int32_t Y) {
        Log.push_back("down " + std::to_string(X) + "," + std::to_string(Y));
    };
    I->OnClick = [&](TObject*) { Log.push_back("click"); };
    I->OnDblClick = [&](TObject*) { Log.push_back("dblclick"); };
    const HWND W = P->GetHandle();
    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(25, 40));
    SendMessageA(W, WM_LBUTTONUP, 0, MAKELPARAM(25, 40));
    SendMessageA(W, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(25, 40));
    SendMessageA(W, WM_LBUTTONUP, 0, MAKELPARAM(25, 40));
    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)); // outside: not its
    SendMessageA(W, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_GE(Log.size(), 3u);
    EXPECT_EQ(Log[0], "down 5,10");
    EXPECT_EQ(Log[1], "click");
    EXPECT_NE(std::find(Log.begin(), Log.end(), "dblclick"), Log.end());
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "click"), 1);
    EXPECT_EQ(std::count_if(Log.begin(), Log.end(), [](const std::string& S) { return S == "down 5,5" || S == "down -15,-25"; }), 0);
}

// ---------------------------------------------------------------------------------------------
// Cursors, edit colours and the maximized state: what the user sees of the standard controls.

namespace {

// WM_SETCURSOR as the system sends it for the mouse at a client point of W.
HCURSOR CursorAt(HWND W, int32_t X, int32_t Y)
{
    POINT P{X, Y};
    ClientToScreen(W, &P);
    const HWND Child = ChildWindowFromPointEx(W, POINT{X, Y}, CWP_SKIPINVISIBLE);
    const HWND Target = Child ? Child : W;
    HCURSOR Result = nullptr;
    // Other programs on the same display may move the mouse meanwhile: then again.
    for (int Try = 0; Try < 20; ++Try) {
        SetCursorPos(P.x, P.y);
        ::SetCursor(LoadCursorA(nullptr, IDC_CROSS)); // something no check expects
        SendMessageA(Target, WM_SETCURSOR, reinterpret_cast<WPARAM>(Target), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        Result = GetCursor();
        POINT Now;
        GetCursorPos(&Now);
        if (Now.x == P.x && Now.y == P.y)
            break;
        Sleep(20);
    }
    return Result;
}

} // namespace

TEST(TControlsLook, LabelHandCursorAndHourglassOverEveryControl)
{
    TComponentPtr<TForm> F(new TForm(nullptr));
    F->SetBorderStyle(bsNone);
    F->SetBounds(100, 100, 300, 200);
    TLabel* L = new TLabel(F.get());
    L->SetParent(F.get());
    L->SetCaption("A link");
    L->SetBounds(10, 10, 80, 20);
    L->SetCursor(crHandPoint);
    TEdit* E = new TEdit(F.get());
    E->SetParent(F.get());
    E->SetBounds(10, 50, 120, 22);
    TPanel* P = new TPanel(F.get());
    P->SetParent(F.get());
    P->SetBounds(150, 50, 100, 100);
    F->HandleNeeded();
    const HWND W = F->GetHandle();
    const HCURSOR Hand = Screen->GetCursors(crHandPoint), Arrow = LoadCursorA(nullptr, IDC_ARROW);
    const HCURSOR Hour = Screen->GetCursors(crHourGlass);
    ASSERT_NE(Hand, nullptr);
    ASSERT_NE(Hand, Arrow);
    ASSERT_NE(Hour, Arrow);
    EXPECT_EQ(CursorAt(W, 20, 15), Hand);          // over the label
    EXPECT_EQ(CursorAt(W, 200, 180), Arrow);       // over the form itself
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(CursorAt(W, 20, 15), Hour);
    EXPECT_EQ(CursorAt(W, 20, 60), Hour);          // the edit: a system control
    EXPECT_EQ(CursorAt(W, 200, 100), Hour);        // the panel
    EXPECT_EQ(CursorAt(W, 200, 180), Hour);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(CursorAt(W, 20, 15), Hand);
}

TEST(TControlsLook, ReadOnlyEditPaintsItsColour)
{
    THiddenForm F(300, 200);
    auto MakeEdit = [&](bool ReadOnly, TColor Color, int32_t Top) {
        TEdit* E = new TEdit(F.Form.get());
        E->SetParent(F.Form.get());
        E->SetBounds(10, Top, 150, 24);
        E->SetReadOnly(ReadOnly);
        E->SetColor(Color);
        E->SetText("x");
        return E;
    };
    TEdit* Face = MakeEdit(true, clBtnFace, 10);
    TEdit* Yellow = MakeEdit(true, clYellow, 40);
    TEdit* Plain = MakeEdit(false, clWindow, 70);
    auto Background = [](TEdit* E) {
        RECT R;
        GetClientRect(E->GetHandle(), &R);
        TCapture C(E->GetHandle(), R.right, R.bottom);
        return C.At(R.right - 4, R.bottom / 2); // right of the text
    };
    auto Sys = [](int Index) {
        const COLORREF R = GetSysColor(Index);
        return static_cast<uint32_t>((GetRValue(R) << 16) | (GetGValue(R) << 8) | GetBValue(R));
    };
    EXPECT_EQ(Background(Face), Sys(COLOR_BTNFACE));
    EXPECT_EQ(Background(Yellow), 0xFFFF00u); // our colour, not the system's read-only one
    EXPECT_EQ(Background(Plain), Sys(COLOR_WINDOW));
}

TEST(TControlsLook, MaximizedFormShowsMaximized)
{
    TComponentPtr<TForm> F(new TForm(nullptr));
    F->SetBounds(50, 50, 300, 200);
    F->SetWindowState(wsMaximized);
    F->Show();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return IsWindowVisible(F->GetHandle()) != FALSE; }, 5000, "form shown"));
    EXPECT_TRUE(IsZoomed(F->GetHandle()));
    EXPECT_EQ(F->GetWindowState(), wsMaximized);
    EXPECT_NE(GetWindowLongA(F->GetHandle(), GWL_STYLE) & WS_MAXIMIZE, 0);
    // Neither its size nor a later restore is checked: without a window manager the X server
    // puts the old size back, and under a busy display the restore comes late or not at all.
    F->Hide();
    EXPECT_EQ(F->GetWindowState(), wsMaximized); // kept for the next show
}
