#include "commandbars/foundation/cbRoutines.h"

#include <algorithm>
#include <cstdlib>

#include <mmsystem.h>

#include "commandbars/foundation/cbLiveness.h"
#include "commandbars/foundation/cbTheme.h"
#include "commandbars/foundation/uiGraphics.h"
#include "platform/win/Screen.h"
#include "platform/win/ScreenDC.h"
#include "platform/win/ThreadTimer.h"

namespace {

struct TItemClassRecord {
    TcbBarItemClass ItemClass;
    TcbBarItemControlClass ControlClass;
    bool Visible;
};

int32_t gInitCount = 0;
TcbPlatformFlags gFlags;
TcbUser32Entries gUser32;
HMODULE gUser32Module = nullptr;
int32_t gScreenDepth = 0;
int32_t gScreenDepthOverride = 0;
HBRUSH gCheckerBrush = nullptr;
std::vector<TItemClassRecord> gItemClasses;
TcbLiveRegistry<TCustomcbBarControl> gBarControls;
std::vector<TcbBarItem*> gTemporaryItems;
TcbMenuSoundHook gMenuSoundHook;
// Mouse-leave tracking without TrackMouseEvent: the window and the timer that watches it.
HWND gTrackedWindow = nullptr;
UINT_PTR gTrackTimer = 0;
const uint32_t kTrackInterval = 50;

const struct {
    int32_t Id;
    const char* Name;
} kBarCursors[] = {{crcbBarDrag, "CBBARDRAGCURSOR"},
                   {crcbBarDragCopy, "CBBARDRAGCOPYCURSOR"},
                   {crcbBarDragNoDrop, "CBBARDRAGNODROPCURSOR"},
                   {crcbBarEditSizing, "CBBAREDITSIZINGCURSOR"}};

template <class F>
void LookUp(F& Entry, HMODULE Module, const char* Name)
{
    Entry = reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(Module, Name)));
}

void ReadPlatformFlags()
{
    gFlags = TcbPlatformFlags{};
    OSVERSIONINFOA V;
    if (!GetOSVersion(V))
        return;
    gFlags.Win9x = V.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    gFlags.Win95 = gFlags.Win9x && V.dwMinorVersion == 0;
    // 98 and Me, and every NT from 2000 on: later systems accept the larger record too.
    gFlags.NewMenuRecord = (gFlags.Win9x && V.dwMinorVersion > 0) ||
                           (V.dwPlatformId == VER_PLATFORM_WIN32_NT && V.dwMajorVersion >= 5);
}

void LookUpUser32()
{
    gUser32 = TcbUser32Entries{};
    gUser32Module = LoadLibraryA("user32.dll");
    if (reinterpret_cast<UINT_PTR>(gUser32Module) <= 32) {
        gUser32Module = nullptr;
        return;
    }
    LookUp(gUser32.TrackMouseEvent, gUser32Module, "TrackMouseEvent");
    LookUp(gUser32.UpdateLayeredWindow, gUser32Module, "UpdateLayeredWindow");
    LookUp(gUser32.AnimateWindow, gUser32Module, "AnimateWindow");
    LookUp(gUser32.SetLayeredWindowAttributes, gUser32Module, "SetLayeredWindowAttributes");
}

void LookUpMonitorEntries()
{
    if (gUser32.MonitorEntriesLooked)
        return;
    gUser32.MonitorEntriesLooked = true;
    if (HMODULE M = GetModuleHandleA("user32.dll")) {
        LookUp(gUser32.MonitorFromPoint, M, "MonitorFromPoint");
        LookUp(gUser32.GetMonitorInfoA, M, "GetMonitorInfoA");
    }
}

void ReadScreenDepth()
{
    TScreenDC DC;
    gScreenDepth = DC ? GetDeviceCaps(DC, BITSPIXEL) * GetDeviceCaps(DC, PLANES) : 0;
}

void MakeCheckerBrush()
{
    if (gCheckerBrush)
        DeleteObject(gCheckerBrush);
    struct {
        BITMAPINFOHEADER Header;
        uint32_t Pixels[64];
    } Packed{};
    Packed.Header.biSize = sizeof(BITMAPINFOHEADER);
    Packed.Header.biWidth = 8;
    Packed.Header.biHeight = -8;
    Packed.Header.biPlanes = 1;
    Packed.Header.biBitCount = 32;
    auto Pixel = [](int Index) {
        const COLORREF C = GetSysColor(Index);
        return static_cast<uint32_t>(GetRValue(C)) << 16 | static_cast<uint32_t>(GetGValue(C)) << 8 | GetBValue(C);
    };
    const uint32_t Face = Pixel(COLOR_BTNFACE);
    const uint32_t Light = Pixel(COLOR_BTNHIGHLIGHT);
    for (int Y = 0; Y < 8; ++Y)
        for (int X = 0; X < 8; ++X)
            Packed.Pixels[Y * 8 + X] = (X % 2 == Y % 2) ? Face : Light;
    gCheckerBrush = CreateDIBPatternBrushPt(&Packed, DIB_RGB_COLORS);
}

void ForgetTrackedWindow()
{
    if (gTrackTimer)
        ThreadTimerStop(gTrackTimer);
    gTrackTimer = 0;
    gTrackedWindow = nullptr;
}

void TrackTimerTick()
{
    POINT P{};
    if (gTrackedWindow && GetCursorPos(&P) && GetDeepestWindowFromPoint(P) != gTrackedWindow)
        StopTrackMouseLeave(gTrackedWindow);
}

// One pump over a message range; see ProcessMouseMessages.
void ProcessMessages(UINT First, UINT Last)
{
    MSG Msg;
    while (PeekMessageA(&Msg, nullptr, First, Last, PM_NOREMOVE)) {
        const BOOL Got = GetMessageA(&Msg, nullptr, First, Last);
        if (Got == -1)
            return;
        if (!Got) {
            // The application's own loop must still see the quit.
            PostQuitMessage(static_cast<int>(Msg.wParam));
            return;
        }
        DispatchMessageA(&Msg);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Start-up state

const TcbPlatformFlags& cbPlatformFlags()
{
    return gFlags;
}

TcbUser32Entries& cbUser32Entries()
{
    return gUser32;
}

int32_t cbScreenColorDepth()
{
    return gScreenDepthOverride ? gScreenDepthOverride : gScreenDepth;
}

void SetScreenColorDepthOverride(int32_t BitsPerPixel)
{
    gScreenDepthOverride = BitsPerPixel;
}

HBRUSH cbCheckerBrush()
{
    return gCheckerBrush;
}

void cbSystemColorsChanged()
{
    ReadScreenDepth();
    if (gInitCount > 0)
        MakeCheckerBrush();
}

void cbRoutinesInit()
{
    if (gInitCount++ > 0)
        return;
    ReadPlatformFlags();
    LookUpUser32();
    gTemporaryItems.clear();
    ReadScreenDepth();
    MakeCheckerBrush();
    gItemClasses.clear();
    for (const auto& C : kBarCursors)
        LoadFrameworkCursor(C.Id, C.Name);
}

void cbRoutinesDone()
{
    if (gInitCount == 0 || --gInitCount > 0)
        return;
    for (const auto& C : kBarCursors)
        UnloadFrameworkCursor(C.Id);
    // A window still tracked has no one left to tell: the timer only stops.
    ForgetTrackedWindow();
    gItemClasses.clear();
    gTemporaryItems.clear();
    if (gCheckerBrush) {
        DeleteObject(gCheckerBrush);
        gCheckerBrush = nullptr;
    }
    gUser32 = TcbUser32Entries{};
    if (gUser32Module) {
        FreeLibrary(gUser32Module);
        gUser32Module = nullptr;
    }
}

void LoadFrameworkCursor(int32_t Id, const char* ResName)
{
    if (!Screen)
        return;
    // Not shared: the screen's table owns and destroys the handle.
    HCURSOR C = static_cast<HCURSOR>(LoadImageA(GetModuleHandleA(nullptr), ResName, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    if (C)
        Screen->SetCursors(Id, C);
}

void UnloadFrameworkCursor(int32_t Id)
{
    if (Screen)
        Screen->SetCursors(Id, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Item classes

void RegisterBarItemClass(TcbBarItemClass ItemClass, TcbBarItemControlClass ControlClass, bool Visible)
{
    if (ItemClass)
        gItemClasses.push_back({ItemClass, std::move(ControlClass), Visible});
}

void UnregisterBarItemClass(TcbBarItemClass ItemClass)
{
    auto It = std::find_if(gItemClasses.begin(), gItemClasses.end(),
                           [&](const TItemClassRecord& R) { return R.ItemClass == ItemClass; });
    if (It != gItemClasses.end())
        gItemClasses.erase(It);
}

int32_t GetVisibleBarItemClassCount()
{
    return static_cast<int32_t>(
        std::count_if(gItemClasses.begin(), gItemClasses.end(), [](const TItemClassRecord& R) { return R.Visible; }));
}

TcbBarItemClass GetVisibleBarItemClass(int32_t Index)
{
    if (Index < 0)
        return nullptr;
    for (const TItemClassRecord& R : gItemClasses)
        if (R.Visible && Index-- == 0)
            return R.ItemClass;
    return nullptr;
}

TcbBarItemControlClass GetBarItemControlClass(TcbBarItemClass ItemClass)
{
    for (const TItemClassRecord& R : gItemClasses)
        if (R.ItemClass == ItemClass)
            return R.ControlClass;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Bar windows and temporary items

void RegisterBarControl(TCustomcbBarControl* Control)
{
    gBarControls.Add(Control);
}

void UnregisterBarControl(TCustomcbBarControl* Control)
{
    gBarControls.Remove(Control);
}

bool IsBarControl(const void* Object)
{
    return gBarControls.Contains(Object);
}

const std::vector<TCustomcbBarControl*>& RegisteredBarControls()
{
    return gBarControls.Items();
}

std::vector<TcbBarItem*>& TemporaryItems()
{
    return gTemporaryItems;
}

// ---------------------------------------------------------------------------------------------
// Small services

std::string StripAmpersands(const std::string& Caption)
{
    std::string S = Caption;
    // The bound is the current length: every deletion shortens the walk.
    for (size_t I = 0; I + 1 < S.size(); ++I)
        if (S[I] == '&')
            S.erase(I, 1);
    return S;
}

HWND GetDeepestWindowFromPoint(TPoint Point)
{
    HWND Wnd = WindowFromPoint(Point);
    while (Wnd) {
        POINT Local = Point;
        ScreenToClient(Wnd, &Local);
        HWND Child = ChildWindowFromPointEx(Wnd, Local, CWP_SKIPINVISIBLE);
        if (!Child || Child == Wnd)
            break;
        Wnd = Child;
    }
    return Wnd;
}

TRect GetMonitorWorkArea(TPoint Point)
{
    LookUpMonitorEntries();
    if (gUser32.MonitorFromPoint && gUser32.GetMonitorInfoA) {
        if (HMONITOR M = gUser32.MonitorFromPoint(Point, MONITOR_DEFAULTTONEAREST)) {
            MONITORINFO Info{};
            Info.cbSize = sizeof(Info);
            if (gUser32.GetMonitorInfoA(M, &Info))
                return Info.rcWork;
        }
    }
    TRect Work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &Work, 0);
    return Work;
}

bool IsLeftButtonPressed()
{
    return GetAsyncKeyState(GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON) < 0;
}

bool IsRightButtonPressed()
{
    return GetAsyncKeyState(GetSystemMetrics(SM_SWAPBUTTON) ? VK_LBUTTON : VK_RBUTTON) < 0;
}

void StartTrackMouseLeave(HWND Wnd)
{
    if (!Wnd || IsTrackingMouseLeave(Wnd))
        return;
    if (gUser32.TrackMouseEvent) {
        TRACKMOUSEEVENT T{sizeof(T), TME_LEAVE, Wnd, 0};
        gUser32.TrackMouseEvent(&T);
        return;
    }
    if (gTrackedWindow)
        StopTrackMouseLeave(gTrackedWindow);
    gTrackedWindow = Wnd;
    gTrackTimer = ThreadTimerStart(kTrackInterval, [](UINT_PTR) { TrackTimerTick(); });
}

void StopTrackMouseLeave(HWND Wnd)
{
    if (!Wnd || !IsTrackingMouseLeave(Wnd))
        return;
    if (gUser32.TrackMouseEvent) {
        TRACKMOUSEEVENT T{sizeof(T), TME_CANCEL | TME_LEAVE, Wnd, 0};
        gUser32.TrackMouseEvent(&T);
    } else {
        ForgetTrackedWindow();
    }
    SendMessageA(Wnd, WM_MOUSELEAVE, 0, 0);
}

bool IsTrackingMouseLeave(HWND Wnd)
{
    if (!Wnd)
        return false;
    if (gUser32.TrackMouseEvent) {
        TRACKMOUSEEVENT T{sizeof(T), TME_QUERY, nullptr, 0};
        return gUser32.TrackMouseEvent(&T) && (T.dwFlags & TME_LEAVE) && T.hwndTrack == Wnd;
    }
    return Wnd == gTrackedWindow;
}

void ProcessMouseMessages()
{
    ProcessMessages(WM_MOUSEFIRST, 0x20A);
}

void ProcessPaintMessages()
{
    ProcessMessages(WM_PAINT, WM_PAINT);
}

void PlayMenuSound(TcbMenuSound Kind)
{
    if (gMenuSoundHook) {
        gMenuSoundHook(Kind);
        return;
    }
    PlaySoundA(Kind == msMenuPopup ? "MenuPopup" : "MenuCommand", nullptr,
               SND_ALIAS | SND_ASYNC | SND_NODEFAULT | SND_NOWAIT);
}

void SetMenuSoundHook(TcbMenuSoundHook Hook)
{
    gMenuSoundHook = std::move(Hook);
}

void SetLayeredAlpha(HWND Wnd, uint8_t Alpha)
{
    if (!gUser32.SetLayeredWindowAttributes || !Wnd)
        return;
    const LONG_PTR ExStyle = GetWindowLongPtrA(Wnd, GWL_EXSTYLE);
    if (Alpha < 255) {
        if (!(ExStyle & WS_EX_LAYERED))
            SetWindowLongPtrA(Wnd, GWL_EXSTYLE, ExStyle | WS_EX_LAYERED);
        gUser32.SetLayeredWindowAttributes(Wnd, 0, Alpha, LWA_ALPHA);
    } else if (ExStyle & WS_EX_LAYERED) {
        SetWindowLongPtrA(Wnd, GWL_EXSTYLE, ExStyle & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
        RedrawWindow(Wnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    }
}

void SaveClipRgn(HDC DC, HRGN& Rgn, bool& HadRgn)
{
    Rgn = CreateRectRgn(0, 0, 0, 0);
    HadRgn = GetClipRgn(DC, Rgn) == 1;
}

void RestoreClipRgn(HDC DC, HRGN Rgn, bool HadRgn)
{
    SelectClipRgn(DC, HadRgn ? Rgn : nullptr);
    if (Rgn)
        DeleteObject(Rgn);
}

void AddClipRect(HDC DC, const TRect& R)
{
    HRGN Rgn = CreateRectRgnIndirect(&R);
    ExtSelectClipRgn(DC, Rgn, RGN_OR);
    DeleteObject(Rgn);
}

void ExcludeRectFromRgn(HRGN Rgn, const TRect& R)
{
    HRGN Part = CreateRectRgnIndirect(&R);
    CombineRgn(Rgn, Rgn, Part, RGN_DIFF);
    DeleteObject(Part);
}

TColor GetNearestScreenColor(TColor Color)
{
    return NearestScreenColor(Color);
}

HFONT CopyFontHandle(TFont* Font)
{
    const LOGFONTA Log = Font->GetLogFont();
    return CreateFontIndirectA(&Log);
}

void CreateMenuFontHandle(TFont* Font, HFONT& Handle, bool UseIconTitleHeight)
{
    if (Handle) {
        DeleteObject(Handle);
        Handle = nullptr;
    }
    LOGFONTA Log = Font->GetLogFont();
    if (UseIconTitleHeight) {
        LOGFONTA Icon{};
        if (SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof(Icon), &Icon, 0))
            Log.lfHeight = Icon.lfHeight;
        Log.lfHeight = MenuFontHeight(Log.lfHeight);
    }
    Handle = CreateFontIndirectA(&Log);
}

int32_t MenuFontHeight(int32_t Height)
{
    // Negative heights are character heights, positive ones cell heights: the size is what counts.
    return std::abs(Height) < 11 ? -11 : Height;
}

// ---------------------------------------------------------------------------------------------
// Base classes

void TuiComponent::BeforeDestruction()
{
    if (!GetComponentState().Contains(csDestroying))
        Destroying();
}

void TuiComponent::Loaded()
{
    TComponent::Loaded();
    if (!GetComponentState().Contains(csDesigning))
        return;
    std::vector<TComponent*> Linked;
    GetLinkedComponents(Linked);
    for (int32_t I = 0; I < 3; ++I)
        FLinks[I] = I < static_cast<int32_t>(Linked.size()) ? Linked[static_cast<size_t>(I)] : nullptr;
}

TuiControlChildComponent::~TuiControlChildComponent()
{
    LeaveControl();
}

void TuiControlChildComponent::SetParentComponent(TComponent* Value)
{
    if (Value == FControl)
        return;
    LeaveControl();
    if (Value && IsValidControl(Value))
        if (auto* Host = dynamic_cast<IuiControlChildHost*>(Value))
            Host->AddChildComponent(this);
}

bool TuiControlChildComponent::IsValidControl(TComponent* Control) const
{
    return dynamic_cast<IuiControlChildHost*>(Control) != nullptr;
}

void TuiControlChildComponent::LeaveControl()
{
    if (auto* Host = dynamic_cast<IuiControlChildHost*>(FControl))
        Host->RemoveChildComponent(this);
    FControl = nullptr;
}

int32_t cbTextWidth(HFONT Font, const std::string& Text)
{
    TScreenDC Screen;
    HGDIOBJ Old = Font ? SelectObject(Screen, Font) : nullptr;
    SIZE S{};
    GetTextExtentPoint32A(Screen, Text.c_str(), static_cast<int>(Text.size()), &S);
    if (Old)
        SelectObject(Screen, Old);
    return S.cx;
}
