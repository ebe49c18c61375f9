#include "tests/support/Screenshot.h"

#include <cstdio>
#include <cstring>

namespace TestSupport {

bool TShot::Contains(const RECT& R, uint32_t Colour) const
{
    for (int32_t Y = R.top; Y < R.bottom; ++Y)
        for (int32_t X = R.left; X < R.right; ++X)
            if (At(X, Y) == Colour)
                return true;
    return false;
}

size_t TShot::CountOf(uint32_t Colour) const
{
    size_t N = 0;
    for (uint32_t P : Pixels)
        N += (P & 0xFFFFFF) == Colour;
    return N;
}

TShot CaptureScreen(HWND W)
{
    RECT R;
    GetWindowRect(W, &R);
    TShot S;
    S.W = R.right - R.left;
    S.H = R.bottom - R.top;
    S.Pixels.resize(static_cast<size_t>(S.W * S.H));
    BITMAPINFO BI{};
    BI.bmiHeader.biSize = sizeof(BI.bmiHeader);
    BI.bmiHeader.biWidth = S.W;
    BI.bmiHeader.biHeight = -S.H;
    BI.bmiHeader.biPlanes = 1;
    BI.bmiHeader.biBitCount = 32;
    void* Bits = nullptr;
    HDC Screen = GetDC(nullptr);
    HDC DC = CreateCompatibleDC(Screen);
    HBITMAP Bmp = CreateDIBSection(DC, &BI, DIB_RGB_COLORS, &Bits, nullptr, 0);
    HGDIOBJ Old = SelectObject(DC, Bmp);
    BitBlt(DC, 0, 0, S.W, S.H, Screen, R.left, R.top, SRCCOPY);
    GdiFlush();
    std::memcpy(S.Pixels.data(), Bits, S.Pixels.size() * 4);
    SelectObject(DC, Old);
    DeleteObject(Bmp);
    DeleteDC(DC);
    ReleaseDC(nullptr, Screen);
    return S;
}

TShot CaptureWindow(HWND W)
{
    RedrawWindow(W, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT R;
    GetWindowRect(W, &R);
    TShot S;
    S.W = R.right - R.left;
    S.H = R.bottom - R.top;
    if (S.W <= 0 || S.H <= 0) {
        S.W = S.H = 0;
        return S;
    }
    S.Pixels.resize(static_cast<size_t>(S.W * S.H));
    BITMAPINFO BI{};
    BI.bmiHeader.biSize = sizeof(BI.bmiHeader);
    BI.bmiHeader.biWidth = S.W;
    BI.bmiHeader.biHeight = -S.H;
    BI.bmiHeader.biPlanes = 1;
    BI.bmiHeader.biBitCount = 32;
    void* Bits = nullptr;
    HDC Screen = GetDC(nullptr);
    HDC DC = CreateCompatibleDC(Screen);
    ReleaseDC(nullptr, Screen);
    HBITMAP Bmp = CreateDIBSection(DC, &BI, DIB_RGB_COLORS, &Bits, nullptr, 0);
    HGDIOBJ Old = SelectObject(DC, Bmp);
    // The frame and caption: with no window manager on the test display nobody draws them on
    // the screen, so they are drawn here the way the system draws them.
    WINDOWINFO WI{};
    WI.cbSize = sizeof(WI);
    GetWindowInfo(W, &WI);
    const int32_t BX = static_cast<int32_t>(WI.cxWindowBorders), BY = static_cast<int32_t>(WI.cyWindowBorders);
    RECT Whole{0, 0, S.W, S.H};
    FillRect(DC, &Whole, GetSysColorBrush(COLOR_BTNFACE));
    if (BX > 0 && BY > 0)
        DrawEdge(DC, &Whole, EDGE_RAISED, BF_RECT);
    int32_t Caption = 0;
    if ((WI.dwStyle & WS_CAPTION) == WS_CAPTION) {
        Caption = GetSystemMetrics((WI.dwExStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
        RECT Bar{BX, BY, S.W - BX, BY + Caption - 1};
        DrawCaption(W, DC, &Bar, DC_ACTIVE | DC_TEXT | DC_GRADIENT | ((WI.dwStyle & WS_SYSMENU) ? DC_ICON : 0));
    }
    // The menu bar and the client area (child windows included) from the window's own surface,
    // which other windows do not paint into.
    const int32_t Top = BY + Caption;
    HDC Own = GetWindowDC(W);
    BitBlt(DC, BX, Top, S.W - 2 * BX, S.H - BY - Top, Own, BX, Top, SRCCOPY);
    ReleaseDC(W, Own);
    GdiFlush();
    std::memcpy(S.Pixels.data(), Bits, S.Pixels.size() * 4);
    SelectObject(DC, Old);
    DeleteObject(Bmp);
    DeleteDC(DC);
    return S;
}

bool WriteBmp(const std::string& Path, const TShot& S)
{
    const uint32_t Row = static_cast<uint32_t>((S.W * 3 + 3) & ~3);
    BITMAPFILEHEADER FH{};
    BITMAPINFOHEADER IH{};
    FH.bfType = 0x4D42;
    FH.bfOffBits = sizeof(FH) + sizeof(IH);
    FH.bfSize = FH.bfOffBits + Row * static_cast<uint32_t>(S.H);
    IH.biSize = sizeof(IH);
    IH.biWidth = S.W;
    IH.biHeight = S.H;
    IH.biPlanes = 1;
    IH.biBitCount = 24;
    IH.biCompression = BI_RGB;
    FILE* F = std::fopen(Path.c_str(), "wb");
    if (!F)
        return false;
    bool Ok = std::fwrite(&FH, sizeof(FH), 1, F) == 1 && std::fwrite(&IH, sizeof(IH), 1, F) == 1;
    std::vector<uint8_t> Line(Row, 0);
    for (int32_t Y = S.H - 1; Ok && Y >= 0; --Y) {
        for (int32_t X = 0; X < S.W; ++X) {
            const uint32_t P = S.At(X, Y);
            Line[static_cast<size_t>(X * 3)] = static_cast<uint8_t>(P);
            Line[static_cast<size_t>(X * 3 + 1)] = static_cast<uint8_t>(P >> 8);
            Line[static_cast<size_t>(X * 3 + 2)] = static_cast<uint8_t>(P >> 16);
        }
        Ok = std::fwrite(Line.data(), Row, 1, F) == 1;
    }
    return std::fclose(F) == 0 && Ok;
}

std::string MakeScreenshotFolder(const std::string& UnixFolder)
{
    std::string Dir = UnixFolder;
    for (char& Ch : Dir)
        if (Ch == '/')
            Ch = '\\';
    Dir = "Z:" + Dir;
    CreateDirectoryA(Dir.c_str(), nullptr);
    return Dir;
}

} // namespace TestSupport
