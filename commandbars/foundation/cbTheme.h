#pragma once
// Visual styles for the command bars: "UxTheme.dll" bound at run time where the system version
// has one, a cache of open theme handles for a fixed table of 24 theme classes, and the
// broadcast of WM_THEMECHANGED to registered listeners. No other module talks to the
// visual-styles library directly.
//
// The wrappers live in the namespace UxTheme: the system's <uxtheme.h> declares functions of
// the same names, which this module never links against. A wrapper whose entry point is missing
// answers E_NOTIMPL (HRESULT functions), nullptr or FALSE instead of calling through nothing.
// Callers use them only while AreThemesInUse() is true.
//
// cbThemeInit and cbThemeDone are counted: the first Init loads, the last Done unloads.
// Everything here belongs to the user-interface thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <windows.h>

#include <uxtheme.h>

#include "platform/rtl/Flags.h"
#include "platform/rtl/SysUtils.h"

class THiddenWindow;

// ---------------------------------------------------------------------------------------------
// The entry points, bound by name. Tests may read and replace them (a replaced entry is kept
// until the library is unloaded).

enum TcbThemeEntry {
    teCloseThemeData, teDrawThemeBackground, teDrawThemeEdge, teDrawThemeIcon, teDrawThemeParentBackground,
    teDrawThemeText, teEnableThemeDialogTexture, teGetCurrentThemeName, teGetThemeAppProperties,
    teGetThemeBackgroundContentRect, teGetThemeBackgroundRegion, teGetThemeBackgroundExtent, teGetThemeBool,
    teGetThemeColor, teGetThemeDocumentationProperty, teGetThemeEnumValue, teGetThemeFilename, teGetThemeFont,
    teGetThemeInt, teGetThemeIntList, teGetThemeMargins, teGetThemeMetric, teGetThemePartSize,
    teGetThemePosition, teGetThemePropertyOrigin, teGetThemeRect, teGetThemeString, teGetThemeSysBool,
    teGetThemeSysColor, teGetThemeSysColorBrush, teGetThemeSysFont, teGetThemeSysInt, teGetThemeSysSize,
    teGetThemeSysString, teGetThemeTextExtent, teGetThemeTextMetrics, teGetWindowTheme,
    teHitTestThemeBackground, teIsAppThemed, teIsThemeActive, teIsThemePartDefined,
    teIsThemeBackgroundPartiallyTransparent, teIsThemeDialogTextureEnabled, teOpenThemeData,
    teSetThemeAppProperties, teSetWindowTheme
};
constexpr int32_t kThemeEntryCount = teSetWindowTheme + 1;

const char* ThemeEntryName(TcbThemeEntry Entry);
// nullptr while the library is not loaded or the entry is missing.
FARPROC GetThemeEntry(TcbThemeEntry Entry);
void SetThemeEntry(TcbThemeEntry Entry, FARPROC Value);

// The system version the loader tests: GetVersionExA unless a provider is set (nullptr
// restores it). The framework's routines read their platform flags through it too.
using TcbOSVersionProvider = std::function<bool(OSVERSIONINFOA& Info)>;
void SetOSVersionProvider(TcbOSVersionProvider Provider);
bool GetOSVersion(OSVERSIONINFOA& Info);

namespace UxTheme {

HRESULT CloseThemeData(HTHEME Theme);
HRESULT DrawThemeBackground(HTHEME Theme, HDC DC, int PartId, int StateId, const RECT* Rect, const RECT* ClipRect);
HRESULT GetCurrentThemeName(LPWSTR ThemeFileName, int MaxNameChars, LPWSTR ColorBuff, int MaxColorChars,
                            LPWSTR SizeBuff, int MaxSizeChars);
HRESULT GetThemeBackgroundContentRect(HTHEME Theme, HDC DC, int PartId, int StateId, const RECT* BoundingRect,
                                      RECT* ContentRect);
HRESULT GetThemeColor(HTHEME Theme, int PartId, int StateId, int PropId, COLORREF* Color);
HRESULT GetThemePartSize(HTHEME Theme, HDC DC, int PartId, int StateId, const RECT* Rect, THEMESIZE Kind,
                         SIZE* Size);
BOOL IsThemeActive();
BOOL IsThemeBackgroundPartiallyTransparent(HTHEME Theme, int PartId, int StateId);
HTHEME OpenThemeData(HWND Wnd, LPCWSTR ClassList);

} // namespace UxTheme

// ---------------------------------------------------------------------------------------------
// The theme-class table

enum TcbThemeClass {
    tcButton, tcClock, tcComboBox, tcEdit, tcExplorerBar, tcHeader, tcListView, tcMenu, tcPage, tcProgress,
    tcRebar, tcScrollBar, tcSpin, tcStartPanel, tcStatus, tcTab, tcTaskBand, tcTaskBar, tcToolBar, tcToolTip,
    tcTrackBar, tcTrayNotify, tcTreeView, tcWindow
};
constexpr int32_t kThemeClassCount = tcWindow + 1;
using TcbThemeClasses = TFlags<TcbThemeClass>;

// The class name the table opens a class with when no class list was given ("ToolBar").
const wchar_t* ThemeClassDefaultName(TcbThemeClass Index);

void cbThemeInit();
void cbThemeDone();

bool IsThemeLibraryLoaded();
// The themes-active flag (the last answer of IsThemeActive) and the library loaded; every class
// of the set must open as well.
bool AreThemesInUse(TcbThemeClasses Classes = TcbThemeClasses());
// The theme handle of a class, or nullptr (themes not in use, the class cannot be opened, an
// index outside the table). Without a class list a cached handle is returned as it is; with
// one, a handle opened with another list is closed and the class opened anew with it.
HTHEME OpenThemeClass(TcbThemeClass Index);
HTHEME OpenThemeClass(TcbThemeClass Index, const std::wstring& ClassList);
// S_FALSE when themes are not in use (nothing to close); otherwise CloseThemeData's answer for
// an open handle, S_OK when none was open.
HRESULT CloseThemeClass(TcbThemeClass Index);
void CloseAllThemeClasses();

// ---------------------------------------------------------------------------------------------
// Theme-change listeners

// Joins the listener list when made while the library is loaded and leaves it when freed. The
// receiver calls OnThemeChanged of every listed notificator in the order they were made.
class TcbThemeChangedNotificator : public TObject {
public:
    TcbThemeChangedNotificator();
    TcbThemeChangedNotificator(const TcbThemeChangedNotificator&) = delete;
    TcbThemeChangedNotificator& operator=(const TcbThemeChangedNotificator&) = delete;
    ~TcbThemeChangedNotificator() override;
    std::string ClassName() const override { return "TcbThemeChangedNotificator"; }

    std::function<void()> OnThemeChanged;
};

// The hidden top-level window that receives WM_THEMECHANGED (0x031A): it closes every class
// handle, refreshes the themes-active flag and calls the listeners. One exists while the
// library is loaded; an exception of a listener goes to the application and ends the round.
class TcbThemeChangedEventReceiver : public TObject {
public:
    TcbThemeChangedEventReceiver();
    TcbThemeChangedEventReceiver(const TcbThemeChangedEventReceiver&) = delete;
    TcbThemeChangedEventReceiver& operator=(const TcbThemeChangedEventReceiver&) = delete;
    ~TcbThemeChangedEventReceiver() override;
    std::string ClassName() const override { return "TcbThemeChangedEventReceiver"; }

    HWND GetHandle() const { return FHandle; }

private:
    bool Handle(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);

    std::unique_ptr<THiddenWindow> FWindow;
    HWND FHandle = nullptr;
};

// The receiver's window while the library is loaded, else nullptr.
HWND ThemeChangeReceiverHandle();
