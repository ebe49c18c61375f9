#include "tests/support/Screenshot.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include <gtest/gtest.h>

#include "platform/win/Application.h"
#include "platform/win/Thread.h"
#include "tests/support/TestSupport.h"

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

namespace {

// W x H pixels of Source from (X, Y), as 32-bit rows from the top.
TShot CopyPixels(HDC Source, int X, int Y, int W, int H)
{
    TShot S;
    S.W = W;
    S.H = H;
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
    HDC DC = CreateCompatibleDC(Source);
    HBITMAP Bmp = CreateDIBSection(DC, &BI, DIB_RGB_COLORS, &Bits, nullptr, 0);
    HGDIOBJ Old = SelectObject(DC, Bmp);
    BitBlt(DC, 0, 0, S.W, S.H, Source, X, Y, SRCCOPY);
    GdiFlush();
    std::memcpy(S.Pixels.data(), Bits, S.Pixels.size() * 4);
    SelectObject(DC, Old);
    DeleteObject(Bmp);
    DeleteDC(DC);
    return S;
}

} // namespace

TShot CaptureScreen(HWND W)
{
    RECT R;
    GetWindowRect(W, &R);
    return CaptureScreenArea(R);
}

TShot CaptureScreenArea(const RECT& R)
{
    HDC Screen = GetDC(nullptr);
    TShot S = CopyPixels(Screen, R.left, R.top, R.right - R.left, R.bottom - R.top);
    ReleaseDC(nullptr, Screen);
    return S;
}

TShot ReadWindowDC(HWND W)
{
    RECT R;
    GetWindowRect(W, &R);
    HDC Source = GetWindowDC(W);
    TShot S = CopyPixels(Source, 0, 0, R.right - R.left, R.bottom - R.top);
    ReleaseDC(W, Source);
    return S;
}

namespace {

// Serves what the program's loop would serve before it waits for the next input: every waiting
// message, Synchronize requests, and the application's idle handling, until nothing is waiting.
// A window that never validates its paint region would keep a paint waiting: bounded.
void ServeUntilIdle()
{
    const bool UIThread = Application && Application->IsUIThread();
    for (int Round = 0; Round < 200; ++Round) {
        if (Application)
            Application->ProcessMessages();
        if (UIThread) {
            CheckSynchronize();
            if (Application->OnIdle) {
                bool Done = true;
                try {
                    Application->OnIdle(Application, Done);
                } catch (...) {
                    Application->HandleException();
                }
            }
        }
        if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0)
            return;
    }
}

bool SameShot(const TShot& A, const TShot& B)
{
    return A.W == B.W && A.H == B.H && A.Pixels == B.Pixels;
}

struct TCoverSearch {
    HWND Root;
    RECT Area;
    DWORD Own;
    HWND Found = nullptr;
};

// Top-level windows come from the top of the z-order down, so the search ends at W's own.
BOOL CALLBACK FindCover(HWND Top, LPARAM Data)
{
    auto* S = reinterpret_cast<TCoverSearch*>(Data);
    if (Top == S->Root)
        return FALSE;
    DWORD Process = 0;
    GetWindowThreadProcessId(Top, &Process);
    RECT Where, Common;
    if (Process != S->Own && IsWindowVisible(Top) && GetWindowRect(Top, &Where) &&
        IntersectRect(&Common, &Where, &S->Area)) {
        S->Found = Top;
        return FALSE;
    }
    return TRUE;
}

// Fails the test when a visible window of another program stands over R above W's top-level
// window: the screen would show that program's drawing there. Windows of this program (menus,
// hints) are part of what the user sees. Nothing is sent to any window.
void ExpectNoOtherProgramOver(HWND W, const RECT& R)
{
    TCoverSearch Search{GetAncestor(W, GA_ROOT), R, GetCurrentProcessId()};
    EnumWindows(FindCover, reinterpret_cast<LPARAM>(&Search));
    if (Search.Found) {
        char Class[64] = {};
        GetClassNameA(Search.Found, Class, sizeof(Class) - 1);
        ADD_FAILURE() << "A window of another program (class \"" << Class << "\") stands over the window " << W
                      << " on the screen: its test program must run alone";
    }
}

} // namespace

TShot CaptureShown(HWND W)
{
    ServeUntilIdle();
    RECT R;
    GetWindowRect(W, &R);
    ExpectNoOtherProgramOver(W, R);
    TShot Last = CaptureScreenArea(R);
    // Wine passes a window's drawing to the X server when its thread waits for messages: wait a
    // little, serve what came meanwhile, and read again until nothing changes.
    const ULONGLONG Deadline = GetTickCount64() + 3000;
    while (GetTickCount64() < Deadline) {
        const ULONGLONG Until = GetTickCount64() + 30;
        while (GetTickCount64() < Until) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            ServeUntilIdle();
        }
        GetWindowRect(W, &R);
        TShot Now = CaptureScreenArea(R);
        if (SameShot(Now, Last))
            return Now;
        Last = std::move(Now);
    }
    return Last;
}

TShot CaptureFullPaint(HWND W)
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
    WINDOWINFO WI{};
    WI.cbSize = sizeof(WI);
    GetWindowInfo(W, &WI);
    // A window without a system frame draws all of itself, non-client area included (a bar
    // window's border is its own WM_NCPAINT): the whole picture comes from its surface.
    const bool SystemFrame = (WI.dwStyle & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) != 0 ||
                             (WI.dwExStyle & (WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE |
                                              WS_EX_STATICEDGE)) != 0;
    if (!SystemFrame) {
        HDC Own = GetWindowDC(W);
        BitBlt(DC, 0, 0, S.W, S.H, Own, 0, 0, SRCCOPY);
        ReleaseDC(W, Own);
    } else {
        // The frame and caption: with no window manager on the test display nobody draws them
        // on the screen, so they are drawn here the way the system draws them.
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
        // The menu bar and the client area (child windows included) from the window's own
        // surface, which other windows do not paint into.
        const int32_t Top = BY + Caption;
        HDC Own = GetWindowDC(W);
        BitBlt(DC, BX, Top, S.W - 2 * BX, S.H - BY - Top, Own, BX, Top, SRCCOPY);
        ReleaseDC(W, Own);
    }
    GdiFlush();
    std::memcpy(S.Pixels.data(), Bits, S.Pixels.size() * 4);
    SelectObject(DC, Old);
    DeleteObject(Bmp);
    DeleteDC(DC);
    return S;
}

POINT ClientOrigin(HWND W)
{
    RECT R;
    GetWindowRect(W, &R);
    POINT P{0, 0};
    ClientToScreen(W, &P);
    return POINT{P.x - R.left, P.y - R.top};
}

namespace {
std::string RgbText(uint32_t R, uint32_t G, uint32_t B)
{
    return "RGB(" + std::to_string(R) + ", " + std::to_string(G) + ", " + std::to_string(B) + ")";
}
} // namespace

bool ExpectPixel(const TShot& S, int32_t X, int32_t Y, COLORREF Colour, const std::string& What,
                 std::source_location Where)
{
    const std::string Point = "Pixel (" + std::to_string(X) + ", " + std::to_string(Y) + ") of " + What;
    if (X < 0 || Y < 0 || X >= S.W || Y >= S.H) {
        ADD_FAILURE_AT(Where.file_name(), static_cast<int>(Where.line()))
            << Point << " lies outside the " << S.W << "x" << S.H << " picture";
        return false;
    }
    const uint32_t Found = S.At(X, Y); // 0x00RRGGBB
    const uint32_t Wanted = (GetRValue(Colour) << 16) | (GetGValue(Colour) << 8) | GetBValue(Colour);
    if (Found == Wanted)
        return true;
    ADD_FAILURE_AT(Where.file_name(), static_cast<int>(Where.line()))
        << Point << ": expected " << RgbText(GetRValue(Colour), GetGValue(Colour), GetBValue(Colour)) << ", found "
        << RgbText(Found >> 16, (Found >> 8) & 0xFF, Found & 0xFF);
    return false;
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

std::string SaveShot(const TShot& S, const std::string& Name)
{
    if (Name.empty() || Name.find_first_of("\\/:*?\"<>|") != std::string::npos || Name.front() == '.') {
        ADD_FAILURE() << "Screenshot name '" << Name << "' is not a plain file name";
        return "";
    }
    const std::string Profile = WineProfile();
    const std::string Path = MakeScreenshotFolder(QM_SCREENSHOT_DIR) + "\\" + Name +
                             (Profile == "classic" ? "-classic" : "") + ".bmp";
    if (!WriteBmp(Path, S)) {
        ADD_FAILURE() << "Could not write the screenshot " << Path;
        return "";
    }
    return Path;
}

} // namespace TestSupport
