#pragma once
// The tooltip of the bar windows: one hint window shared by every bar manager of the program,
// made with the first manager that is not designing and freed with the last manager. The
// managers' ActivateHint and ShowHintWindow (cbBarManager.h) drive it with three thread timers:
// the show delay (1000 ms), the automatic hide (10000 ms) and the re-show grace after a hint
// was hidden (400 ms), during which the next hint shows at once. User-interface thread only.

#include <string>

#include "platform/win/Controls.h"
#include "platform/win/Graphics.h"

class TcbBarManager;

// The delays of the hint, in milliseconds.
constexpr uint32_t kHintShowDelay = 1000;
constexpr uint32_t kHintHideDelay = 10000;
constexpr uint32_t kHintReshowGrace = 400;

class TcbBarHintWindow : public TCustomControl {
public:
    explicit TcbBarHintWindow(TComponent* AOwner);
    ~TcbBarHintWindow() override;
    std::string ClassName() const override { return "TcbBarHintWindow"; }

    // Shows Text with its top-left at Point (screen), topmost and without activation, in the
    // manager's font (the status font with its UseSystemFont). The window is the text's size
    // (lines broken at the work area's width) + 6; it is kept inside the work area of the monitor
    // at Point: moved left to end at its right edge, and put 50 pixels above Point when it would
    // pass its bottom edge. The window is owned by the manager's form (no taskbar entry, above
    // the form); nothing shows while that form is disabled (a modal dialog is up).
    void ShowAt(TPoint Point, const std::string& Text, TcbBarManager* Manager);
    void HideHint();
    bool IsHintVisible() const;

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;

private:
    // The form window that owns the window (made again when another form's hint shows).
    HWND FOwnerWnd = nullptr;
};

// The shared hint window, nullptr when none exists.
TcbBarHintWindow* cbHintWindow();
// Made once (InstallBarHooks), freed with its timers (RemoveBarHooks after the last manager).
void cbCreateHintWindow();
void cbFreeHintWindow();
// cbHintManagerDestroying (cbBarManager.h), called as a manager is destroyed, is defined in
// cbHint.cpp.
