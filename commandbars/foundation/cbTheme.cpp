#include "commandbars/foundation/cbTheme.h"

#include <algorithm>
#include <memory>
#include <vector>

#include <commctrl.h>

#include "commandbars/foundation/cbLiveness.h"
#include "platform/win/HiddenWindow.h"

namespace {

const char* const kEntryNames[kThemeEntryCount] = {
    "CloseThemeData", "DrawThemeBackground", "DrawThemeEdge", "DrawThemeIcon", "DrawThemeParentBackground",
    "DrawThemeText", "EnableThemeDialogTexture", "GetCurrentThemeName", "GetThemeAppProperties",
    "GetThemeBackgroundContentRect", "GetThemeBackgroundRegion", "GetThemeBackgroundExtent", "GetThemeBool",
    "GetThemeColor", "GetThemeDocumentationProperty", "GetThemeEnumValue", "GetThemeFilename", "GetThemeFont",
    "GetThemeInt", "GetThemeIntList", "GetThemeMargins", "GetThemeMetric", "GetThemePartSize",
    "GetThemePosition", "GetThemePropertyOrigin", "GetThemeRect", "GetThemeString", "GetThemeSysBool",
    "GetThemeSysColor", "GetThemeSysColorBrush", "GetThemeSysFont", "GetThemeSysInt", "GetThemeSysSize",
    "GetThemeSysString", "GetThemeTextExtent", "GetThemeTextMetrics", "GetWindowTheme",
    "HitTestThemeBackground", "IsAppThemed", "IsThemeActive", "IsThemePartDefined",
    "IsThemeBackgroundPartiallyTransparent", "IsThemeDialogTextureEnabled", "OpenThemeData",
    "SetThemeAppProperties", "SetWindowTheme"};

const wchar_t* const kClassNames[kThemeClassCount] = {
    L"Button", L"Clock", L"ComboBox", L"Edit", L"ExplorerBar", L"Header", L"ListView", L"Menu",
    L"Page", L"Progress", L"Rebar", L"ScrollBar", L"Spin", L"StartPanel", L"Status", L"Tab",
    L"TaskBand", L"TaskBar", L"ToolBar", L"ToolTip", L"TrackBar", L"TrayNotify", L"TreeView", L"Window"};

struct TThemeClassEntry {
    HTHEME Handle = nullptr;
    std::wstring ClassList; // the list it was opened with; empty while closed
};

int32_t gUseCount = 0;
HMODULE gLibrary = nullptr;
bool gThemesActive = false;
FARPROC gEntries[kThemeEntryCount] = {};
TThemeClassEntry gClasses[kThemeClassCount];
std::unique_ptr<TcbLiveRegistry<TcbThemeChangedNotificator>> gListeners;
std::unique_ptr<TcbThemeChangedEventReceiver> gReceiver;
TcbOSVersionProvider gOSVersionProvider;

// An entry as the function type it has; nullptr when missing. The detour through void(*)()
// is the one function-pointer cast the compiler accepts between unrelated signatures.
template <class F>
F Entry(TcbThemeEntry E)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(gEntries[E]));
}

bool ValidClass(TcbThemeClass Index)
{
    return Index >= 0 && Index < kThemeClassCount;
}

HTHEME OpenEntry(TThemeClassEntry& E, const std::wstring& ClassList)
{
    HTHEME H = UxTheme::OpenThemeData(nullptr, ClassList.c_str());
    if (H) {
        E.Handle = H;
        E.ClassList = ClassList;
    } else {
        E.ClassList.clear();
    }
    return H;
}

bool IsListed(TcbThemeChangedNotificator* N)
{
    return gListeners && gListeners->Contains(N);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Entries and the system version

const char* ThemeEntryName(TcbThemeEntry Entry)
{
    return Entry >= 0 && Entry < kThemeEntryCount ? kEntryNames[Entry] : "";
}

FARPROC GetThemeEntry(TcbThemeEntry Entry)
{
    return Entry >= 0 && Entry < kThemeEntryCount ? gEntries[Entry] : nullptr;
}

void SetThemeEntry(TcbThemeEntry Entry, FARPROC Value)
{
    if (Entry >= 0 && Entry < kThemeEntryCount)
        gEntries[Entry] = Value;
}

void SetOSVersionProvider(TcbOSVersionProvider Provider)
{
    gOSVersionProvider = std::move(Provider);
}

bool GetOSVersion(OSVERSIONINFOA& Info)
{
    Info = OSVERSIONINFOA{};
    Info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (gOSVersionProvider)
        return gOSVersionProvider(Info);
    return GetVersionExA(&Info) != FALSE;
}

// ---------------------------------------------------------------------------------------------
// Wrappers

namespace UxTheme {

HRESULT CloseThemeData(HTHEME Theme)
{
    auto F = Entry<HRESULT(WINAPI*)(HTHEME)>(teCloseThemeData);
    return F ? F(Theme) : E_NOTIMPL;
}

HRESULT DrawThemeBackground(HTHEME Theme, HDC DC, int PartId, int StateId, const RECT* Rect, const RECT* ClipRect)
{
    auto F = Entry<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*)>(teDrawThemeBackground);
    return F ? F(Theme, DC, PartId, StateId, Rect, ClipRect) : E_NOTIMPL;
}

HRESULT GetCurrentThemeName(LPWSTR ThemeFileName, int MaxNameChars, LPWSTR ColorBuff, int MaxColorChars,
                            LPWSTR SizeBuff, int MaxSizeChars)
{
    auto F = Entry<HRESULT(WINAPI*)(LPWSTR, int, LPWSTR, int, LPWSTR, int)>(teGetCurrentThemeName);
    return F ? F(ThemeFileName, MaxNameChars, ColorBuff, MaxColorChars, SizeBuff, MaxSizeChars) : E_NOTIMPL;
}

HRESULT GetThemeBackgroundContentRect(HTHEME Theme, HDC DC, int PartId, int StateId, const RECT* BoundingRect,
                                      RECT* ContentRect)
{
    auto F = Entry<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, RECT*)>(teGetThemeBackgroundContentRect);
    return F ? F(Theme, DC, PartId, StateId, BoundingRect, ContentRect) : E_NOTIMPL;
}

HRESULT GetThemeColor(HTHEME Theme, int PartId, int StateId, int PropId, COLORREF* Color)
{
    auto F = Entry<HRESULT(WINAPI*)(HTHEME, int, int, int, COLORREF*)>(teGetThemeColor);
    return F ? F(Theme, PartId, StateId, PropId, Color) : E_NOTIMPL;
}

HRESULT GetThemePartSize(HTHEME Theme, HDC DC, int PartId, int StateId, const RECT* Rect, THEMESIZE Kind,
                         SIZE* Size)
{
    auto F = Entry<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, THEMESIZE, SIZE*)>(teGetThemePartSize);
    return F ? F(Theme, DC, PartId, StateId, Rect, Kind, Size) : E_NOTIMPL;
}

BOOL IsThemeActive()
{
    auto F = Entry<BOOL(WINAPI*)()>(teIsThemeActive);
    return F ? F() : FALSE;
}

BOOL IsThemeBackgroundPartiallyTransparent(HTHEME Theme, int PartId, int StateId)
{
    auto F = Entry<BOOL(WINAPI*)(HTHEME, int, int)>(teIsThemeBackgroundPartiallyTransparent);
    return F ? F(Theme, PartId, StateId) : FALSE;
}

HTHEME OpenThemeData(HWND Wnd, LPCWSTR ClassList)
{
    auto F = Entry<HTHEME(WINAPI*)(HWND, LPCWSTR)>(teOpenThemeData);
    return F ? F(Wnd, ClassList) : nullptr;
}

} // namespace UxTheme

// ---------------------------------------------------------------------------------------------
// Loading and the class table

const wchar_t* ThemeClassDefaultName(TcbThemeClass Index)
{
    return ValidClass(Index) ? kClassNames[Index] : L"";
}

void cbThemeInit()
{
    if (gUseCount++ > 0)
        return;
    OSVERSIONINFOA Version;
    const bool Possible = GetOSVersion(Version) &&
                          (Version.dwMajorVersion > 5 || (Version.dwMajorVersion == 5 && Version.dwMinorVersion >= 1));
    InitCommonControls();
    if (Possible) {
        gLibrary = LoadLibraryA("UxTheme.dll");
        if (gLibrary)
            for (int32_t I = 0; I < kThemeEntryCount; ++I)
                gEntries[I] = GetProcAddress(gLibrary, kEntryNames[I]);
    }
    if (gLibrary) {
        gThemesActive = UxTheme::IsThemeActive() != FALSE;
        gListeners = std::make_unique<TcbLiveRegistry<TcbThemeChangedNotificator>>();
        gReceiver = std::make_unique<TcbThemeChangedEventReceiver>();
    }
}

void cbThemeDone()
{
    if (gUseCount == 0 || --gUseCount > 0)
        return;
    if (gLibrary) {
        gReceiver.reset();
        CloseAllThemeClasses();
        gListeners.reset();
    }
    for (TThemeClassEntry& E : gClasses)
        E = TThemeClassEntry{};
    std::fill(std::begin(gEntries), std::end(gEntries), nullptr);
    gThemesActive = false;
    if (gLibrary) {
        FreeLibrary(gLibrary);
        gLibrary = nullptr;
    }
}

bool IsThemeLibraryLoaded()
{
    return gLibrary != nullptr;
}

bool AreThemesInUse(TcbThemeClasses Classes)
{
    if (!gThemesActive || !gLibrary)
        return false;
    for (int32_t I = 0; I < kThemeClassCount; ++I)
        if (Classes.Contains(static_cast<TcbThemeClass>(I)) && !OpenThemeClass(static_cast<TcbThemeClass>(I)))
            return false;
    return true;
}

HTHEME OpenThemeClass(TcbThemeClass Index)
{
    if (!ValidClass(Index) || !AreThemesInUse())
        return nullptr;
    TThemeClassEntry& E = gClasses[Index];
    if (E.Handle)
        return E.Handle;
    return OpenEntry(E, E.ClassList.empty() ? std::wstring(kClassNames[Index]) : E.ClassList);
}

HTHEME OpenThemeClass(TcbThemeClass Index, const std::wstring& ClassList)
{
    if (ClassList.empty())
        return OpenThemeClass(Index);
    if (!ValidClass(Index) || !AreThemesInUse())
        return nullptr;
    TThemeClassEntry& E = gClasses[Index];
    if (E.Handle) {
        if (E.ClassList == ClassList)
            return E.Handle;
        UxTheme::CloseThemeData(E.Handle);
        E.Handle = nullptr;
    }
    return OpenEntry(E, ClassList);
}

HRESULT CloseThemeClass(TcbThemeClass Index)
{
    if (!AreThemesInUse())
        return S_FALSE;
    if (!ValidClass(Index))
        return E_INVALIDARG;
    TThemeClassEntry& E = gClasses[Index];
    HRESULT Result = S_OK;
    if (E.Handle)
        Result = UxTheme::CloseThemeData(E.Handle);
    E.Handle = nullptr;
    E.ClassList.clear();
    return Result;
}

void CloseAllThemeClasses()
{
    for (TThemeClassEntry& E : gClasses)
        if (E.Handle) {
            UxTheme::CloseThemeData(E.Handle);
            E.Handle = nullptr;
        }
}

// ---------------------------------------------------------------------------------------------
// Listeners

TcbThemeChangedNotificator::TcbThemeChangedNotificator()
{
    if (gLibrary && gListeners)
        gListeners->Add(this);
}

TcbThemeChangedNotificator::~TcbThemeChangedNotificator()
{
    if (gListeners)
        gListeners->Remove(this);
}

TcbThemeChangedEventReceiver::TcbThemeChangedEventReceiver()
{
    FWindow = std::make_unique<THiddenWindow>(
        [this](UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) { return Handle(Msg, WParam, LParam, Result); });
    FHandle = FWindow->GetHandle();
}

TcbThemeChangedEventReceiver::~TcbThemeChangedEventReceiver() = default;

bool TcbThemeChangedEventReceiver::Handle(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result)
{
    if (Msg != WM_THEMECHANGED)
        return false;
    CloseAllThemeClasses();
    DefWindowProcA(FHandle, Msg, WParam, LParam);
    gThemesActive = UxTheme::IsThemeActive() != FALSE;
    Result = 0;
    // In the order they were made; one freed by an earlier listener is skipped. An exception
    // leaves through the window's guard to the application and ends the round.
    if (!gListeners)
        return true;
    const std::vector<TcbThemeChangedNotificator*> Round = gListeners->Items();
    for (TcbThemeChangedNotificator* N : Round)
        if (IsListed(N) && N->OnThemeChanged)
            N->OnThemeChanged();
    return true;
}

HWND ThemeChangeReceiverHandle()
{
    return gReceiver ? gReceiver->GetHandle() : nullptr;
}
