// A real top-level window on the test display: painted with a known colour in WM_PAINT,
// read back through the window's device context and through a DIB, then destroyed.
#include <gtest/gtest.h>

#include <windows.h>

namespace {

const COLORREF kPaint = RGB(0x12, 0x80, 0xC0);
int g_paints = 0;

LRESULT CALLBACK SmokeProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      HBRUSH brush = CreateSolidBrush(kPaint);
      RECT r;
      GetClientRect(wnd, &r);
      FillRect(dc, &r, brush);
      DeleteObject(brush);
      EndPaint(wnd, &ps);
      ++g_paints;
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

void Pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

TEST(Window, PaintsAndReadsBackItsColour) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = SmokeProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "QuillmoorSmokeWindow";
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  ASSERT_NE(RegisterClassA(&wc), 0);

  HWND wnd = CreateWindowExA(0, wc.lpszClassName, "Smoke", WS_OVERLAPPEDWINDOW, 50, 50, 200, 150, nullptr,
                             nullptr, wc.hInstance, nullptr);
  ASSERT_NE(wnd, nullptr);
  ShowWindow(wnd, SW_SHOWNORMAL);
  UpdateWindow(wnd);
  for (int i = 0; i < 50 && g_paints == 0; ++i) {
    Pump();
    Sleep(10);
  }
  EXPECT_GT(g_paints, 0);

  HDC dc = GetDC(wnd);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetPixel(dc, 10, 10), kPaint);
  EXPECT_EQ(GetPixel(dc, 100, 60), kPaint);

  // The same pixels copied into a 32-bit DIB section.
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = 32;
  bi.bmiHeader.biHeight = -32;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, dib);
  ASSERT_TRUE(BitBlt(mem, 0, 0, 32, 32, dc, 5, 5, SRCCOPY));
  GdiFlush();
  const auto* px = static_cast<const uint32_t*>(bits);
  const uint32_t expected = 0x1280C0;  // 0x00RRGGBB in a 32-bit DIB
  EXPECT_EQ(px[0] & 0xFFFFFF, expected);
  EXPECT_EQ(px[31 * 32 + 31] & 0xFFFFFF, expected);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(dib);
  ReleaseDC(wnd, dc);

  EXPECT_TRUE(DestroyWindow(wnd));
  EXPECT_FALSE(IsWindow(wnd));
  UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

}  // namespace
