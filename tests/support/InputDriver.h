#pragma once
// Real keyboard and mouse input for window tests. Everything goes through SendInput, so the
// system routes it as it routes a user's input (foreground window, focus, capture, hit tests)
// and thread hooks see it: Wine runs hooks only for real input. Keyboard input goes to the
// foreground window, so a test brings its form to the front first.
//
// On the user-interface thread each call sends at once and returns; WaitProcessed then serves
// messages until everything sent before it has been handled. While that thread sits in a modal
// loop (a popup menu, a drag loop, ShowModal) a TInputScript plays the same steps from a helper
// thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#include "platform/win/Controls.h"

namespace TestSupport {

// Releases every modifier, Esc, F10, the menu key and mouse button that the system still holds
// down (left so by an earlier program or test).
void ReleaseHeldInput();
// Releases held input, then SetForegroundWindow and SetActiveWindow (Xvfb runs no window manager
// that would do it), then waits until GetForegroundWindow names the window; a test failure and
// false when it does not.
bool BringToFront(HWND Window);
bool BringToFront(TWinControl& Form);

void KeyDown(WORD Key);
void KeyUp(WORD Key);
// Down and up.
void Press(WORD Key);
// Every key down in the given order, then up in the reverse order: Chord({VK_CONTROL, 'O'}).
void Chord(std::initializer_list<WORD> Keys);
// Each character with the key and the Shift, Ctrl or Alt that make it on the keyboard layout;
// a character the layout cannot make goes as a Unicode character (VK_PACKET).
void Type(const std::string& Text);

// Absolute moves to a point of the screen (clamped to the screen).
void MoveTo(POINT ScreenPoint);
void ButtonDown(TMouseButton Button = mbLeft);
void ButtonUp(TMouseButton Button = mbLeft);
// Moves there, then presses and releases, as one batch of input.
void Click(POINT ScreenPoint, TMouseButton Button = mbLeft);
void DoubleClick(POINT ScreenPoint, TMouseButton Button = mbLeft);
// Presses at From, moves to To in Steps even moves and releases there, waiting for each step
// to be handled before the next (a press usually takes the capture that the moves rely on).
void Drag(POINT From, POINT To, int Steps = 4, TMouseButton Button = mbLeft);

// Waits until all input sent so far has been handled: a marker key goes after it through the
// same queue and is taken out by a keyboard hook of the user-interface thread, installed as
// the thread's newest hook, so no other hook sees it. On that thread it serves messages while
// it waits; inside a playing TInputScript it waits for that thread's modal loop. A move whose
// message the thread never took at its point (under Wine a late echo of an earlier move can
// take its place in the queue) is sent again. A test failure and false after TimeoutMs.
bool WaitProcessed(uint32_t TimeoutMs = 10000);

class TInputMarker;

// Input steps played by a helper thread while the user-interface thread runs a modal loop:
//   TInputScript S;
//   S.WaitForWindow("#32768").Press(VK_DOWN).Press(VK_RETURN);
//   S.Play();
//   Menu->Popup(X, Y);   // the loop the script drives
//   S.Wait();
// A step that times out ends the play: the rest is skipped, Esc is pressed twice so that the
// modal loop the script was to end ends anyway, and Wait fails the test naming the step.
class TInputScript {
public:
    TInputScript();
    TInputScript(const TInputScript&) = delete;
    TInputScript& operator=(const TInputScript&) = delete;
    // Waits for the helper thread as Wait does, when the test did not.
    ~TInputScript();

    TInputScript& KeyDown(WORD Key);
    TInputScript& KeyUp(WORD Key);
    TInputScript& Press(WORD Key);
    TInputScript& Chord(std::initializer_list<WORD> Keys);
    TInputScript& Type(const std::string& Text);
    TInputScript& MoveTo(POINT ScreenPoint);
    TInputScript& ButtonDown(TMouseButton Button = mbLeft);
    TInputScript& ButtonUp(TMouseButton Button = mbLeft);
    TInputScript& Click(POINT ScreenPoint, TMouseButton Button = mbLeft);
    TInputScript& DoubleClick(POINT ScreenPoint, TMouseButton Button = mbLeft);
    TInputScript& Drag(POINT From, POINT To, int Steps = 4, TMouseButton Button = mbLeft);
    TInputScript& WaitProcessed(uint32_t TimeoutMs = 10000);
    // Waits a while.
    TInputScript& Delay(uint32_t Milliseconds);
    // Waits until a visible top-level window of the class belongs to the user-interface thread
    // ("#32768" for a menu, "#32770" for a dialog).
    TInputScript& WaitForWindow(const std::string& ClassName, uint32_t TimeoutMs = 10000);

    // On the user-interface thread, right before the modal loop: starts the helper thread.
    void Play();
    // On the user-interface thread: serves messages until the helper thread ends and joins it.
    // A step that failed fails the test; true when every step was played.
    bool Wait();

private:
    struct TStep {
        std::string What;
        std::function<bool()> Run; // false: timed out or failed
    };
    TInputScript& Add(std::string What, std::function<bool()> Run);
    void Run();

    std::vector<TStep> FSteps;
    std::unique_ptr<TInputMarker> FMarker;
    DWORD FThreadID = 0; // the user-interface thread
    std::thread FThread;
    std::atomic<bool> FDone{false};
    std::string FFailure; // written by the helper thread, read once it ended
};

} // namespace TestSupport
