#pragma once
// The screen: its cursor table, the global cursor override, resolution, sizes, work areas and
// the system's menu, hint and icon fonts; TBusyCursor, the hourglass for a scope.
//
// Cursors[Id]: stock cursors under the negative ids below (and crDefault 0), loaded on first use;
// the program registers its own under positive ids (SetCursors takes the handle over and
// destroys the one it replaces). An id with no entry gives the default arrow. The table is
// locked: pictures and controls look cursors up from any thread.
//
// Screen is made by ScreenInit (after ApplicationInit) and freed by ScreenDone.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include <windows.h>

#include "platform/rtl/Classes.h"
#include "platform/win/Graphics.h"
#include "platform/win/Locks.h"

using TCursor = int32_t;

constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1; // no cursor shown
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeAll = -5;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crNo = -16;
constexpr TCursor crAppStart = -17;
constexpr TCursor crHelp = -18;
constexpr TCursor crHandPoint = -19;
constexpr TCursor crLowestStock = crHandPoint;

class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* AOwner = nullptr);
    ~TScreen() override;
    std::string ClassName() const override { return "TScreen"; }

    // Never nullptr except for crNone.
    HCURSOR GetCursors(TCursor Id);
    // Takes Handle over (destroying the handle it replaces, never a stock system cursor).
    // nullptr removes the entry: a stock id gets its stock cursor back.
    void SetCursors(TCursor Id, HCURSOR Handle);

    // The global override (crDefault: none). Setting it shows that cursor at once; the controls
    // show it instead of their own while it is not crDefault. Back to crDefault, the window under
    // the mouse is asked to set its own again.
    TCursor GetCursor() const { return FCursor; }
    void SetCursor(TCursor Value);

    int32_t GetPixelsPerInch() const { return FPixelsPerInch; }
    int32_t GetWidth() const;  // the primary monitor
    int32_t GetHeight() const;
    TRect GetDesktopRect() const;  // every monitor together
    TRect GetWorkAreaRect() const; // the primary monitor without the task bar
    // The work area of the monitor at Point (the nearest one when Point is on none).
    TRect GetMonitorWorkAreaAt(const TPoint& Point) const;
    int32_t GetMonitorCount() const;

    // Read from the system when the screen is made and by ResetFonts (after WM_SETTINGCHANGE).
    TFont* GetMenuFont() { return &FMenuFont; }
    TFont* GetHintFont() { return &FHintFont; }
    TFont* GetIconFont() { return &FIconFont; }
    void ResetFonts();

private:
    static HCURSOR StockCursor(TCursor Id);

    mutable TCriticalSection FLock;
    std::map<TCursor, HCURSOR> FCursors; // entries set through SetCursors
    TCursor FCursor = crDefault;
    int32_t FPixelsPerInch = 96;
    TFont FMenuFont;
    TFont FHintFont;
    TFont FIconFont;
};

extern TScreen* Screen;

// The hourglass while it lives; the cursor shown before comes back after it. Nests.
class TBusyCursor {
public:
    TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
    ~TBusyCursor();

private:
    TCursor FEarlier = crDefault;
};

// Makes Screen (once; later calls do nothing). ScreenDone frees it.
void ScreenInit();
void ScreenDone();
