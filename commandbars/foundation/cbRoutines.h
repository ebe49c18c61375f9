#pragma once
// The machinery every part of the command bar framework stands on: the start-up state (platform
// flags, the optional USER32 entry points, the screen depth and the checker brush), the registry
// of item classes, the list of live bar windows and of temporary items, mouse-leave tracking,
// message pumps, menu sounds, clip regions, colour and font helpers, and the base classes of the
// look-and-feel layer. User-interface thread only.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/rtl/Classes.h"
#include "platform/win/Graphics.h"

class TcbBarItem;
class TcbBarItemControl;
class TcbBarItemLink;
class TCustomcbBarControl;

// Screen cursors of the framework (Screen->GetCursors).
constexpr int32_t crcbBarDrag = 1041;
constexpr int32_t crcbBarDragCopy = 1042;
constexpr int32_t crcbBarDragNoDrop = 1043;
constexpr int32_t crcbBarEditSizing = 1044;

// ---------------------------------------------------------------------------------------------
// Start-up state

struct TcbPlatformFlags {
    bool Win9x = false;
    bool Win95 = false;
    // The 48-byte MENUITEMINFO (Windows 98/Me, NT 5 and later) rather than the 44-byte one.
    bool NewMenuRecord = false;
};
// Read from the system version (GetOSVersion, cbTheme.h) at start-up.
const TcbPlatformFlags& cbPlatformFlags();

// The optional USER32 entry points; nullptr when the system lacks one. Looked up at start-up
// (the monitor pair when first needed); tests may replace any of them.
struct TcbUser32Entries {
    BOOL(WINAPI* TrackMouseEvent)(LPTRACKMOUSEEVENT) = nullptr;
    BOOL(WINAPI* UpdateLayeredWindow)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD) = nullptr;
    BOOL(WINAPI* AnimateWindow)(HWND, DWORD, DWORD) = nullptr;
    BOOL(WINAPI* SetLayeredWindowAttributes)(HWND, COLORREF, BYTE, DWORD) = nullptr;
    bool MonitorEntriesLooked = false;
    HMONITOR(WINAPI* MonitorFromPoint)(POINT, DWORD) = nullptr;
    BOOL(WINAPI* GetMonitorInfoA)(HMONITOR, LPMONITORINFO) = nullptr;
};
TcbUser32Entries& cbUser32Entries();

// Bits per pixel of the screen (refreshed by cbSystemColorsChanged), or the override when one is
// set (0 removes it).
int32_t cbScreenColorDepth();
void SetScreenColorDepthOverride(int32_t BitsPerPixel);
// The 8 x 8 pattern of pressed checked buttons: COLOR_BTNFACE where x mod 2 = y mod 2, else
// COLOR_BTNHIGHLIGHT. nullptr outside cbRoutinesInit/Done.
HBRUSH cbCheckerBrush();
// After WM_SYSCOLORCHANGE: the depth read again and the checker brush made again.
void cbSystemColorsChanged();

// The routines' start and end (cbFramework calls them in its order): flags, entry points, lists,
// depth and brush, the framework's cursors. Counted.
void cbRoutinesInit();
void cbRoutinesDone();

// Loads a cursor resource of the program into Screen's table under Id; a missing resource
// leaves the table as it is. UnloadFrameworkCursor takes it out again.
void LoadFrameworkCursor(int32_t Id, const char* ResName);
void UnloadFrameworkCursor(int32_t Id);

// ---------------------------------------------------------------------------------------------
// Item classes

// A class reference of an item class: its name and how to make one (owned by AOwner).
struct TcbBarItemClassRef {
    std::string Name;
    std::function<TcbBarItem*(TComponent* AOwner)> Create;
};
using TcbBarItemClass = const TcbBarItemClassRef*;
// How an item class makes the control that shows one of its links on a bar window.
using TcbBarItemControlClass = std::function<TcbBarItemControl*(TCustomcbBarControl* BarControl, TcbBarItemLink* ItemLink)>;

void RegisterBarItemClass(TcbBarItemClass ItemClass, TcbBarItemControlClass ControlClass, bool Visible);
// Removes the first record of that class.
void UnregisterBarItemClass(TcbBarItemClass ItemClass);
int32_t GetVisibleBarItemClassCount();
// The Index-th visible class (from 0), nullptr past the end.
TcbBarItemClass GetVisibleBarItemClass(int32_t Index);
// The control class registered for an item class, empty when none is.
TcbBarItemControlClass GetBarItemControlClass(TcbBarItemClass ItemClass);

// ---------------------------------------------------------------------------------------------
// Live bar windows and temporary items

// Every bar window registers when it is made and leaves when it is destroyed; the registry
// outlives the framework's start and end, as windows may.
void RegisterBarControl(TCustomcbBarControl* Control);
void UnregisterBarControl(TCustomcbBarControl* Control);
// Whether Object is a bar window that is still alive.
bool IsBarControl(const void* Object);
// Every live bar window, in creation order.
const std::vector<TCustomcbBarControl*>& RegisteredBarControls();

// Items made for system menus and quick customization, freed when they have no links left.
std::vector<TcbBarItem*>& TemporaryItems();

// ---------------------------------------------------------------------------------------------
// Small services

// Drops each single "&" before the last character; of "&&" one stays, and a final "&" stays.
std::string StripAmpersands(const std::string& Caption);
// The deepest visible window under a screen point.
HWND GetDeepestWindowFromPoint(TPoint Point);
// The work area of the monitor at Point; the desktop's work area without the monitor entries.
TRect GetMonitorWorkArea(TPoint Point);

// The primary and secondary buttons as the user set them (swapped buttons respected).
bool IsLeftButtonPressed();
bool IsRightButtonPressed();

// WM_MOUSELEAVE for bar windows: through TrackMouseEvent, or a 50 ms thread timer that watches
// the window under the cursor when the system lacks it. Stop sends WM_MOUSELEAVE to the window.
void StartTrackMouseLeave(HWND Wnd);
void StopTrackMouseLeave(HWND Wnd);
bool IsTrackingMouseLeave(HWND Wnd);

// Dispatch the queued mouse messages (WM_MOUSEFIRST .. 0x20A), or WM_PAINT, of the thread until
// none is left; a WM_QUIT met on the way is posted again and ends the pump.
void ProcessMouseMessages();
void ProcessPaintMessages();

enum TcbMenuSound { msMenuPopup, msMenuCommand };
// The system sounds "MenuPopup" and "MenuCommand", asynchronous, never the default sound. With
// a hook set the hook gets the kind instead (nullptr removes it).
void PlayMenuSound(TcbMenuSound Kind);
using TcbMenuSoundHook = std::function<void(TcbMenuSound Kind)>;
void SetMenuSoundHook(TcbMenuSoundHook Hook);

// Below 255 the window becomes layered with that alpha; 255 makes it plain again (and redraws
// it). Nothing happens without SetLayeredWindowAttributes.
void SetLayeredAlpha(HWND Wnd, uint8_t Alpha);

// Rgn becomes a copy of the DC's clip region (HadRgn: whether it had one); RestoreClipRgn selects
// it back (or none) and deletes it.
void SaveClipRgn(HDC DC, HRGN& Rgn, bool& HadRgn);
void RestoreClipRgn(HDC DC, HRGN Rgn, bool HadRgn);
void AddClipRect(HDC DC, const TRect& R);
void ExcludeRectFromRgn(HRGN Rgn, const TRect& R);

TColor GetNearestScreenColor(TColor Color);

// A new font handle with the font's LOGFONT; the caller deletes it.
HFONT CopyFontHandle(TFont* Font);
// Deletes Handle and makes a new one from Font; with UseIconTitleHeight the height is the
// icon-title font's, through MenuFontHeight.
void CreateMenuFontHandle(TFont* Font, HFONT& Handle, bool UseIconTitleHeight);
// A LOGFONT height whose size is below 11 pixels becomes -11; others stay.
int32_t MenuFontHeight(int32_t Height);

// ---------------------------------------------------------------------------------------------
// Geometry and text measuring

// P lies in R: the left and top edges are inside, the right and bottom ones outside.
inline bool cbInRect(const TRect& R, TPoint P)
{
    return P.x >= R.left && P.x < R.right && P.y >= R.top && P.y < R.bottom;
}

// The client rectangle of a window, or (0, 0, Width, Height) before it has one (Handle null).
inline TRect cbClientRectOr(HWND Handle, int32_t Width, int32_t Height)
{
    RECT R{};
    if (Handle)
        ::GetClientRect(Handle, &R);
    else
        R = RECT{0, 0, Width, Height};
    return R;
}

// The width of Text in Font (the screen's default font without one), measured on the screen.
int32_t cbTextWidth(HFONT Font, const std::string& Text);

// ---------------------------------------------------------------------------------------------
// Base classes of the look-and-feel layer

class TuiInterfacedPersistent : public TInterfacedPersistent {
public:
    explicit TuiInterfacedPersistent(TPersistent* AOwner) : TInterfacedPersistent(AOwner) {}
    std::string ClassName() const override { return "TuiInterfacedPersistent"; }
};

class TuiComponent : public TComponent {
public:
    explicit TuiComponent(TComponent* AOwner) : TComponent(AOwner) {}
    std::string ClassName() const override { return "TuiComponent"; }
    void BeforeDestruction() override;
    // At design time, keeps the first three of GetLinkedComponents.
    void Loaded() override;
    TComponent* GetLink(int32_t Index) const { return Index >= 0 && Index < 3 ? FLinks[Index] : nullptr; }

protected:
    virtual void GetLinkedComponents(std::vector<TComponent*>& List) { (void)List; }

private:
    TComponent* FLinks[3] = {};
};

class TuiControlChildComponent;

// The registration interface of a control that keeps child components; the control tells the
// child its control (SetControl) when it adds and when it removes it.
class IuiControlChildHost {
public:
    virtual void AddChildComponent(TuiControlChildComponent* Child) = 0;
    virtual void RemoveChildComponent(TuiControlChildComponent* Child) = 0;

protected:
    ~IuiControlChildHost() = default;
};

// A component that belongs to a control of an expected class.
class TuiControlChildComponent : public TComponent {
public:
    explicit TuiControlChildComponent(TComponent* AOwner) : TComponent(AOwner) {}
    ~TuiControlChildComponent() override;
    std::string ClassName() const override { return "TuiControlChildComponent"; }

    TComponent* GetControl() const { return FControl; }
    void SetControl(TComponent* Value) { FControl = Value; }
    bool IsDestroying() const { return GetComponentState().Contains(csDestroying); }
    TComponent* GetParentComponent() const { return FControl; }
    // Leaves the current control and registers with Value when it is of the expected class.
    void SetParentComponent(TComponent* Value);

protected:
    // The expected class; the base accepts any control that keeps children.
    virtual bool IsValidControl(TComponent* Control) const;

private:
    void LeaveControl();
    TComponent* FControl = nullptr;
};
