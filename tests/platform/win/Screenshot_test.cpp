// Pixels of window pictures: failures that say what differs, a window's own non-client drawing
// read back, and a saved picture that the test run's post-step makes a .png.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "tests/support/HostProgram.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using namespace TestSupport;

namespace {

constexpr COLORREF kRing = RGB(200, 0, 0);
constexpr COLORREF kClient = RGB(1, 2, 3);
constexpr int kRingWidth = 2;

// A popup without a system border that keeps a ring of its own around the client, as bar and
// menu windows do: WM_NCCALCSIZE leaves it, WM_NCPAINT fills it.
LRESULT CALLBACK RingProc(HWND W, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    switch (Msg) {
    case WM_NCCALCSIZE: {
        RECT* R = reinterpret_cast<RECT*>(LParam); // the first rectangle in both forms
        InflateRect(R, -kRingWidth, -kRingWidth);
        return 0;
    }
    case WM_NCPAINT: {
        HDC DC = GetWindowDC(W);
        RECT Whole;
        GetWindowRect(W, &Whole);
        OffsetRect(&Whole, -Whole.left, -Whole.top);
        ExcludeClipRect(DC, kRingWidth, kRingWidth, Whole.right - kRingWidth, Whole.bottom - kRingWidth);
        HBRUSH Brush = CreateSolidBrush(kRing);
        FillRect(DC, &Whole, Brush);
        DeleteObject(Brush);
        ReleaseDC(W, DC);
        return 0;
    }
    case WM_ERASEBKGND: {
        RECT R;
        GetClientRect(W, &R);
        HBRUSH Brush = CreateSolidBrush(kClient);
        FillRect(reinterpret_cast<HDC>(WParam), &R, Brush);
        DeleteObject(Brush);
        return 1;
    }
    }
    return DefWindowProcA(W, Msg, WParam, LParam);
}

// A borderless popup that fills its client with the colour gPaintColour holds when it paints.
COLORREF gPaintColour = RGB(0, 0, 255);
LRESULT CALLBACK PaintColourProc(HWND W, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Msg == WM_PAINT) {
        PAINTSTRUCT PS;
        HDC DC = BeginPaint(W, &PS);
        RECT R;
        GetClientRect(W, &R);
        HBRUSH Brush = CreateSolidBrush(gPaintColour);
        FillRect(DC, &R, Brush);
        DeleteObject(Brush);
        EndPaint(W, &PS);
        return 0;
    }
    if (Msg == WM_ERASEBKGND)
        return 1;
    return DefWindowProcA(W, Msg, WParam, LParam);
}

struct TRingPopup {
    HWND Handle = nullptr;
    TRingPopup(int X, int Y, int W, int H)
    {
        WNDCLASSA C{};
        C.lpfnWndProc = RingProc;
        C.hInstance = GetModuleHandleA(nullptr);
        C.lpszClassName = "QmRingPopup";
        RegisterClassA(&C); // a second registration fails harmlessly
        Handle = CreateWindowExA(0, "QmRingPopup", "", WS_POPUP, X, Y, W, H, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ShowWindow(Handle, SW_SHOWNOACTIVATE);
    }
    ~TRingPopup() { DestroyWindow(Handle); }
};

} // namespace

TEST(Screenshot, ExpectPixelNamesThePointAndBothColours)
{
    TShot S;
    S.W = 3;
    S.H = 2;
    S.Pixels.assign(6, 0xC80000);
    S.Pixels[1 * 3 + 2] = 0x010203; // 0x00RRGGBB: red 1, blue 3
    EXPECT_TRUE(ExpectPixel(S, 2, 1, RGB(1, 2, 3), "the client"));
    EXPECT_NONFATAL_FAILURE(ExpectPixel(S, 2, 1, RGB(200, 0, 0), "the ring"),
                            "Pixel (2, 1) of the ring: expected RGB(200, 0, 0), found RGB(1, 2, 3)");
    // Red and blue must not swap places between a COLORREF and the picture's pixels.
    EXPECT_NONFATAL_FAILURE(ExpectPixel(S, 2, 1, RGB(3, 2, 1), "the client"),
                            "expected RGB(3, 2, 1), found RGB(1, 2, 3)");
    EXPECT_NONFATAL_FAILURE(ExpectPixel(S, 3, 0, RGB(200, 0, 0), "the edge"),
                            "Pixel (3, 0) of the edge lies outside the 3x2 picture");
    EXPECT_NONFATAL_FAILURE(ExpectPixel(S, 0, -1, RGB(200, 0, 0), "the edge"), "lies outside");
}

// The whole picture of a borderless popup is its own drawing: the ring its WM_NCPAINT fills and
// the client inside it, at ClientOrigin. The saved picture becomes a .png with the same pixels.
TEST(Screenshot, BorderlessPopupReadsBackItsRingAndClient)
{
    const int W = 40, H = 30;
    TRingPopup Popup(120, 90, W, H);
    ASSERT_NE(Popup.Handle, nullptr);
    const TShot S = CaptureFullPaint(Popup.Handle);
    ASSERT_EQ(S.W, W);
    ASSERT_EQ(S.H, H);
    const POINT O = ClientOrigin(Popup.Handle);
    EXPECT_EQ(O.x, kRingWidth);
    EXPECT_EQ(O.y, kRingWidth);
    ExpectPixel(S, 0, 0, kRing, "the ring's outer corner");
    ExpectPixel(S, 1, 1, kRing, "the ring's inner corner");
    ExpectPixel(S, W / 2, 1, kRing, "the ring's top");
    ExpectPixel(S, W - 1, H - 1, kRing, "the ring's far corner");
    ExpectPixel(S, W - 2, H / 2, kRing, "the ring's right side");
    ExpectPixel(S, O.x, O.y, kClient, "the client's first pixel");
    ExpectPixel(S, W - kRingWidth - 1, H - kRingWidth - 1, kClient, "the client's last pixel");

    const std::string Bmp = SaveShot(S, "ring-popup");
    ASSERT_FALSE(Bmp.empty());
    // The post-step of the test run, on this picture only, then the .png read back by Pillow.
    TTempFolder Dir;
    const std::string UnixBmp = UnixPathOf(Bmp);
    const std::string UnixPng = UnixBmp.substr(0, UnixBmp.size() - 4) + ".png";
    const std::string UnixFolder = UnixBmp.substr(0, UnixBmp.rfind('/'));
    std::string Log;
    const int Rc = RunHostCommand(QM_PYTHON " '" QM_SOURCE_DIR "/tools/screenshots-png.py' '" + UnixFolder +
                                      "' ring-popup && " QM_PYTHON
                                      " -c 'import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
                                      "print(im.format, im.size, im.getpixel((0, 0)), im.getpixel((2, 2)))' '" +
                                      UnixPng + "'",
                                  Dir.File("png.log"), Dir.File("png.done"), 60000, &Log);
    EXPECT_EQ(Rc, 0) << Log;
    EXPECT_NE(Log.find("PNG (40, 30) (200, 0, 0) (1, 2, 3)"), std::string::npos) << Log;
}

// The shown picture is the screen as the program left it: a window that paints itself on its
// own shows there with its ring, a change of what it would paint shows only once the program
// draws it, while a full paint shows it at once.
TEST(Screenshot, TheShownPictureHoldsOnlyWhatTheProgramDrew)
{
    const int W = 40, H = 30;
    {
        TRingPopup Ring(120, 90, W, H);
        ASSERT_NE(Ring.Handle, nullptr);
        const TShot S = CaptureShown(Ring.Handle);
        ASSERT_EQ(S.W, W);
        ASSERT_EQ(S.H, H);
        ExpectPixel(S, 0, 0, kRing, "the ring's corner on the screen");
        ExpectPixel(S, W / 2, H / 2, kClient, "the client on the screen");
    }

    WNDCLASSA C{};
    C.lpfnWndProc = PaintColourProc;
    C.hInstance = GetModuleHandleA(nullptr);
    C.lpszClassName = "QmPaintColour";
    RegisterClassA(&C);
    gPaintColour = RGB(0, 0, 255);
    HWND Popup = CreateWindowExA(WS_EX_TOPMOST, "QmPaintColour", "", WS_POPUP, 140, 110, W, H, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(Popup, nullptr);
    ShowWindow(Popup, SW_SHOWNOACTIVATE);
    ExpectPixel(CaptureShown(Popup), W / 2, H / 2, RGB(0, 0, 255), "the first paint");

    // Nothing asks for a paint: the screen keeps the old colour, a full paint draws the new one.
    gPaintColour = RGB(0, 160, 0);
    ExpectPixel(CaptureShown(Popup), W / 2, H / 2, RGB(0, 0, 255), "the change not drawn yet");
    gPaintColour = RGB(200, 0, 200);
    ExpectPixel(CaptureFullPaint(Popup), W / 2, H / 2, RGB(200, 0, 200), "the full paint");
    // An invalidated window is painted by the loop that the shown picture serves first.
    gPaintColour = RGB(0, 160, 0);
    InvalidateRect(Popup, nullptr, FALSE);
    ExpectPixel(CaptureShown(Popup), W / 2, H / 2, RGB(0, 160, 0), "the change drawn by the loop");
    DestroyWindow(Popup);
}
