#include "platform/win/Screen.h"

#include <cstddef>

TScreen* Screen = nullptr;

namespace {

// A font from a LOGFONT of the system's metrics.
void SetFontFrom(TFont& Font, const LOGFONTA& Log, TColor Color)
{
    HFONT H = CreateFontIndirectA(&Log);
    if (!H)
        return; // keep the font's defaults
    Font.SetHandle(H);
    DeleteObject(H); // the font has taken its description and makes its own handle
    Font.SetColor(Color);
}

// The program's own drawing of a stock cursor, else a system cursor that comes close.
HCURSOR ModuleCursorOr(const char* ResName, LPCSTR SystemId)
{
    HCURSOR C = LoadCursorA(GetModuleHandleA(nullptr), ResName);
    return C ? C : LoadCursorA(nullptr, SystemId);
}

} // namespace

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner)
{
    HDC DC = GetDC(nullptr);
    if (DC) {
        FPixelsPerInch = GetDeviceCaps(DC, LOGPIXELSY);
        ReleaseDC(nullptr, DC);
    }
    ResetFonts();
}

TScreen::~TScreen()
{
    for (auto& [Id, Handle] : FCursors)
        DestroyCursor(Handle);
    FCursors.clear();
}

HCURSOR TScreen::StockCursor(TCursor Id)
{
    switch (Id) {
    case crNone:
        return nullptr;
    case crCross:
        return LoadCursorA(nullptr, IDC_CROSS);
    case crIBeam:
        return LoadCursorA(nullptr, IDC_IBEAM);
    case crSizeAll:
        return LoadCursorA(nullptr, IDC_SIZEALL);
    case crSizeNESW:
        return LoadCursorA(nullptr, IDC_SIZENESW);
    case crSizeNS:
        return LoadCursorA(nullptr, IDC_SIZENS);
    case crSizeNWSE:
        return LoadCursorA(nullptr, IDC_SIZENWSE);
    case crSizeWE:
        return LoadCursorA(nullptr, IDC_SIZEWE);
    case crUpArrow:
        return LoadCursorA(nullptr, IDC_UPARROW);
    case crHourGlass:
        return LoadCursorA(nullptr, IDC_WAIT);
    case crDrag:
        return ModuleCursorOr("QMDRAGCURSOR", IDC_ARROW);
    case crNoDrop:
        return ModuleCursorOr("QMNODROPCURSOR", IDC_NO);
    case crHSplit:
        return ModuleCursorOr("QMHSPLITCURSOR", IDC_SIZEWE);
    case crVSplit:
        return ModuleCursorOr("QMVSPLITCURSOR", IDC_SIZENS);
    case crNo:
        return LoadCursorA(nullptr, IDC_NO);
    case crAppStart:
        return LoadCursorA(nullptr, IDC_APPSTARTING);
    case crHelp:
        return LoadCursorA(nullptr, IDC_HELP);
    case crHandPoint:
        return LoadCursorA(nullptr, IDC_HAND);
    default: // crDefault, crArrow and ids without an entry
        return LoadCursorA(nullptr, IDC_ARROW);
    }
}

HCURSOR TScreen::GetCursors(TCursor Id)
{
    {
        TCriticalSectionGuard G(FLock);
        auto It = FCursors.find(Id);
        if (It != FCursors.end())
            return It->second;
    }
    return StockCursor(Id);
}

void TScreen::SetCursors(TCursor Id, HCURSOR Handle)
{
    HCURSOR Old = nullptr;
    {
        TCriticalSectionGuard G(FLock);
        auto It = FCursors.find(Id);
        if (It != FCursors.end()) {
            Old = It->second;
            if (Handle)
                It->second = Handle;
            else
                FCursors.erase(It);
        } else if (Handle) {
            FCursors.emplace(Id, Handle);
        }
    }
    if (Old && Old != Handle) {
        if (::GetCursor() == Old)
            ::SetCursor(GetCursors(FCursor));
        DestroyCursor(Old);
    }
    if (FCursor == Id && FCursor != crDefault)
        ::SetCursor(GetCursors(Id));
}

void TScreen::SetCursor(TCursor Value)
{
    FCursor = Value;
    if (Value != crDefault) {
        ::SetCursor(GetCursors(Value));
        return;
    }
    // Let the window under the mouse choose its own cursor again; only a window of this thread,
    // since a send to another thread would wait for that thread.
    POINT P;
    if (!GetCursorPos(&P))
        return;
    HWND Wnd = WindowFromPoint(P);
    if (Wnd && GetWindowThreadProcessId(Wnd, nullptr) == GetCurrentThreadId()) {
        const LRESULT Hit = SendMessageA(Wnd, WM_NCHITTEST, 0, MAKELPARAM(P.x, P.y));
        SendMessageA(Wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(Wnd),
                     MAKELPARAM(static_cast<WORD>(Hit), WM_MOUSEMOVE));
    } else {
        ::SetCursor(StockCursor(crDefault));
    }
}

int32_t TScreen::GetWidth() const
{
    return GetSystemMetrics(SM_CXSCREEN);
}

int32_t TScreen::GetHeight() const
{
    return GetSystemMetrics(SM_CYSCREEN);
}

TRect TScreen::GetDesktopRect() const
{
    const int X = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int Y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int W = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int H = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (W <= 0 || H <= 0)
        return Rect(0, 0, GetWidth(), GetHeight());
    return Rect(X, Y, X + W, Y + H);
}

TRect TScreen::GetWorkAreaRect() const
{
    RECT R;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &R, 0))
        return Rect(0, 0, GetWidth(), GetHeight());
    return R;
}

TRect TScreen::GetMonitorWorkAreaAt(const TPoint& Point) const
{
    HMONITOR M = MonitorFromPoint(Point, MONITOR_DEFAULTTONEAREST);
    MONITORINFO Info{};
    Info.cbSize = sizeof(Info);
    if (M && GetMonitorInfoA(M, &Info))
        return Info.rcWork;
    return GetWorkAreaRect();
}

int32_t TScreen::GetMonitorCount() const
{
    const int N = GetSystemMetrics(SM_CMONITORS);
    return N > 0 ? N : 1;
}

void TScreen::ResetFonts()
{
    NONCLIENTMETRICSA Metrics{};
    Metrics.cbSize = sizeof(Metrics);
    bool Have = SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, Metrics.cbSize, &Metrics, 0);
#if WINVER >= 0x0600
    if (!Have) {
        // Systems before Vista know the record without its last field.
        Metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
        Have = SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, Metrics.cbSize, &Metrics, 0);
    }
#endif
    if (Have) {
        SetFontFrom(FMenuFont, Metrics.lfMenuFont, clMenuText);
        SetFontFrom(FHintFont, Metrics.lfStatusFont, clInfoText);
    }
    LOGFONTA Icon{};
    if (SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof(Icon), &Icon, 0))
        SetFontFrom(FIconFont, Icon, clWindowText);
}

TBusyCursor::TBusyCursor()
{
    if (!Screen)
        return;
    FEarlier = Screen->GetCursor();
    Screen->SetCursor(crHourGlass);
}

TBusyCursor::~TBusyCursor()
{
    if (Screen)
        Screen->SetCursor(FEarlier);
}

void ScreenInit()
{
    if (!Screen)
        Screen = new TScreen(nullptr);
}

void ScreenDone()
{
    delete Screen;
    Screen = nullptr;
}
