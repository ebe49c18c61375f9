#include "tests/support/InputDriver.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win/ThreadHook.h"
#include "tests/support/TestSupport.h"

namespace TestSupport {

namespace {

// The marker is the release of a key no keyboard has.
const WORD kMarkerKey = VK_NONAME;

// On a script's helper thread: the script's marker, and where its failures go (gtest is told
// on the user-interface thread, once the helper has ended).
thread_local TInputMarker* gScriptMarker = nullptr;
thread_local std::string* gScriptFailure = nullptr;

// The point this thread moved the mouse to last. Presses and releases are sent together with a
// move to it: under Wine a pointer move made by one thread can come back late from the X server
// as a move of its own, after a later move, and a press sent alone would then land where that
// late move put the cursor instead of where the test moved it.
thread_local bool gHasMovePoint = false;
thread_local POINT gMovePoint{};
// How many mouse messages the user-interface thread had taken (by the script's marker's count)
// when this thread last moved the mouse.
thread_local unsigned gMouseTakenAtMove = 0;

void Fail(const std::string& Text)
{
    if (gScriptFailure) {
        if (gScriptFailure->empty())
            *gScriptFailure = Text;
        return;
    }
    ADD_FAILURE() << Text;
}

bool Send(const std::vector<INPUT>& In)
{
    const UINT Sent = SendInput(static_cast<UINT>(In.size()), const_cast<INPUT*>(In.data()), sizeof(INPUT));
    if (Sent != In.size()) {
        Fail("SendInput took " + std::to_string(Sent) + " of " + std::to_string(In.size()) +
             " events (error " + std::to_string(GetLastError()) + ")");
        return false;
    }
    return true;
}

// Keys whose scan code carries the extended flag: without it they would read as the keypad's.
bool IsExtendedKey(WORD Key)
{
    switch (Key) {
    case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_RCONTROL: case VK_RMENU:
    case VK_DIVIDE: case VK_NUMLOCK: case VK_SNAPSHOT: case VK_APPS: case VK_LWIN: case VK_RWIN:
        return true;
    default:
        return false;
    }
}

INPUT KeyInput(WORD Key, bool Up)
{
    INPUT I{};
    I.type = INPUT_KEYBOARD;
    I.ki.wVk = Key;
    I.ki.wScan = static_cast<WORD>(MapVirtualKeyA(Key, MAPVK_VK_TO_VSC));
    I.ki.dwFlags = (Up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(Key) ? KEYEVENTF_EXTENDEDKEY : 0);
    return I;
}

INPUT UnicodeInput(wchar_t Char, bool Up)
{
    INPUT I{};
    I.type = INPUT_KEYBOARD;
    I.ki.wScan = Char;
    I.ki.dwFlags = KEYEVENTF_UNICODE | (Up ? KEYEVENTF_KEYUP : 0);
    return I;
}

INPUT MouseInput(DWORD Flags)
{
    INPUT I{};
    I.type = INPUT_MOUSE;
    I.mi.dwFlags = Flags;
    return I;
}

// Absolute coordinates run from 0 to 65535 over the screen.
INPUT MoveInput(POINT P)
{
    const LONG SX = GetSystemMetrics(SM_CXSCREEN) - 1, SY = GetSystemMetrics(SM_CYSCREEN) - 1;
    const LONG X = P.x < 0 ? 0 : (P.x > SX ? SX : P.x);
    const LONG Y = P.y < 0 ? 0 : (P.y > SY ? SY : P.y);
    INPUT I = MouseInput(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE);
    I.mi.dx = (X * 65535 + SX / 2) / SX;
    I.mi.dy = (Y * 65535 + SY / 2) / SY;
    return I;
}

DWORD ButtonFlag(TMouseButton Button, bool Up)
{
    switch (Button) {
    case mbRight:
        return Up ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_RIGHTDOWN;
    case mbMiddle:
        return Up ? MOUSEEVENTF_MIDDLEUP : MOUSEEVENTF_MIDDLEDOWN;
    default:
        return Up ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    }
}

// Every key down in order, then up in the reverse order.
std::vector<INPUT> ChordInput(const std::vector<WORD>& Keys)
{
    std::vector<INPUT> In;
    for (WORD K : Keys)
        In.push_back(KeyInput(K, false));
    for (auto It = Keys.rbegin(); It != Keys.rend(); ++It)
        In.push_back(KeyInput(*It, true));
    return In;
}

std::string KeyText(WORD Key)
{
    char Buffer[16];
    wsprintfA(Buffer, "0x%02X", Key);
    return Buffer;
}

std::string PointText(POINT P)
{
    return "(" + std::to_string(P.x) + ", " + std::to_string(P.y) + ")";
}

struct TFindClass {
    std::string ClassName;
    bool Found = false;
};

BOOL CALLBACK FindVisibleOfClass(HWND W, LPARAM Param)
{
    auto* F = reinterpret_cast<TFindClass*>(Param);
    char Class[256] = {};
    GetClassNameA(W, Class, sizeof(Class));
    if (IsWindowVisible(W) && F->ClassName == Class) {
        F->Found = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace

// The keyboard hook that takes the markers out, on the user-interface thread. It counts every
// marker it meets, also when a loop only peeks at it: Wine drops a key a hook answered, so each
// marker is met once. A mouse hook beside it notes where the mouse messages the thread takes
// stand: under Wine a late move of the X server's (the echo of an earlier move) can take the
// place of a newer move still queued, so the thread never gets a message at the point the
// cursor stands at. Once the marker came, a move that was lost so is sent again.
class TInputMarker {
public:
    TInputMarker() : FEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr))
    {
        FHook.Install(hkKeyboard, [this](TThreadHookCall& Call) {
            if (Call.WParam != kMarkerKey)
                return false;
            Call.SkipNext();
            ++FSeen;
            SetEvent(FEvent);
            return true;
        });
        FMouseHook.Install(hkMouse, [this](TThreadHookCall& Call) {
            if (Call.Code == HC_ACTION) {
                const POINT P = reinterpret_cast<const MOUSEHOOKSTRUCT*>(Call.LParam)->pt;
                FMousePoint = PackPoint(P);
                ++FMouseTaken;
            }
            return false;
        });
    }
    TInputMarker(const TInputMarker&) = delete;
    TInputMarker& operator=(const TInputMarker&) = delete;
    ~TInputMarker()
    {
        FMouseHook.Remove();
        FHook.Remove();
        CloseHandle(FEvent);
    }

    unsigned MouseTaken() const { return FMouseTaken; }

    // On the hook's thread: serves messages until the marker comes by.
    bool AwaitServing(uint32_t TimeoutMs)
    {
        return Await(0, [&](unsigned Before) {
            return PumpUntil([&] { return FSeen > Before; }, TimeoutMs, "the input sent to be handled");
        });
    }

    // On another thread, while the hook's thread serves messages.
    bool AwaitFromHelper(uint32_t TimeoutMs)
    {
        return Await(gMouseTakenAtMove, [&](unsigned Before) {
            const ULONGLONG End = GetTickCount64() + TimeoutMs;
            while (FSeen <= Before) {
                const ULONGLONG Now = GetTickCount64();
                if (Now >= End) {
                    Fail("the input sent was not handled within " + std::to_string(TimeoutMs) + " ms");
                    return false;
                }
                WaitForSingleObject(FEvent, static_cast<DWORD>(End - Now));
            }
            return true;
        });
    }

private:
    static uint64_t PackPoint(POINT P)
    {
        return (static_cast<uint64_t>(static_cast<uint32_t>(P.x)) << 32) | static_cast<uint32_t>(P.y);
    }

    // Sends the marker and waits for it with Wait (given the marker count before), then sends
    // this thread's last move again while the thread's last mouse message since MouseAtMove
    // stands elsewhere than the cursor, which stands where the move put it (a cursor the test
    // put elsewhere itself is left there).
    template <typename TWait>
    bool Await(unsigned MouseAtMove, TWait Wait)
    {
        for (int Resent = 0;; ++Resent) {
            const unsigned Before = FSeen;
            if (!Send({KeyInput(kMarkerKey, true)}) || !Wait(Before))
                return false;
            POINT Cursor{};
            const bool Lost = gHasMovePoint && FMouseTaken != MouseAtMove &&
                              FMousePoint != PackPoint(gMovePoint) && GetCursorPos(&Cursor) &&
                              Cursor.x == gMovePoint.x && Cursor.y == gMovePoint.y;
            if (!Lost || Resent == 3)
                return true;
            MouseAtMove = gMouseTakenAtMove = FMouseTaken;
            if (!Send({MoveInput(gMovePoint)}))
                return false;
        }
    }

    TThreadHook FHook;
    TThreadHook FMouseHook;
    std::atomic<unsigned> FSeen{0};
    std::atomic<unsigned> FMouseTaken{0};
    std::atomic<uint64_t> FMousePoint{0};
    HANDLE FEvent;
};

void ReleaseHeldInput()
{
    // A new test moves the mouse before it presses: the last test's point no longer counts.
    gHasMovePoint = false;
    // The system keeps one key and button state for every program of the display: a program
    // that ended between a press and its release (a failed test, a time-out) leaves the key down
    // for the next one, whose drags would then read a held Ctrl or button.
    static const WORD Keys[] = {VK_LCONTROL, VK_RCONTROL, VK_CONTROL, VK_LSHIFT, VK_RSHIFT, VK_SHIFT,
                                VK_LMENU, VK_RMENU, VK_MENU, VK_ESCAPE, VK_F10, VK_APPS};
    std::vector<INPUT> Up;
    for (WORD Key : Keys)
        if (GetAsyncKeyState(Key) & 0x8000)
            Up.push_back(KeyInput(Key, true));
    static const std::pair<int, TMouseButton> Buttons[] = {{VK_LBUTTON, mbLeft}, {VK_RBUTTON, mbRight}, {VK_MBUTTON, mbMiddle}};
    for (const auto& [Key, Button] : Buttons)
        if (GetAsyncKeyState(Key) & 0x8000)
            Up.push_back(MouseInput(ButtonFlag(Button, true)));
    if (!Up.empty()) {
        Send(Up);
        PumpFor(20);
    }
}

bool BringToFront(HWND Window)
{
    ReleaseHeldInput();
    SetForegroundWindow(Window);
    SetActiveWindow(Window);
    return PumpUntil([&] { return GetForegroundWindow() == Window; }, 10000, "the window in the foreground");
}

bool BringToFront(TWinControl& Form)
{
    return BringToFront(Form.GetHandle());
}

void KeyDown(WORD Key)
{
    Send({KeyInput(Key, false)});
}

void KeyUp(WORD Key)
{
    Send({KeyInput(Key, true)});
}

void Press(WORD Key)
{
    Send({KeyInput(Key, false), KeyInput(Key, true)});
}

void Chord(std::initializer_list<WORD> Keys)
{
    Send(ChordInput(std::vector<WORD>(Keys)));
}

void Type(const std::string& Text)
{
    std::vector<INPUT> In;
    for (char C : Text) {
        const SHORT Scan = VkKeyScanA(C);
        if (Scan == -1) {
            wchar_t W = 0;
            MultiByteToWideChar(CP_ACP, 0, &C, 1, &W, 1);
            In.push_back(UnicodeInput(W, false));
            In.push_back(UnicodeInput(W, true));
            continue;
        }
        const WORD Key = LOBYTE(Scan);
        const BYTE Shift = HIBYTE(Scan);
        std::vector<WORD> Modifiers;
        if (Shift & 1)
            Modifiers.push_back(VK_SHIFT);
        if (Shift & 2)
            Modifiers.push_back(VK_CONTROL);
        if (Shift & 4)
            Modifiers.push_back(VK_MENU);
        for (WORD M : Modifiers)
            In.push_back(KeyInput(M, false));
        In.push_back(KeyInput(Key, false));
        In.push_back(KeyInput(Key, true));
        for (auto It = Modifiers.rbegin(); It != Modifiers.rend(); ++It)
            In.push_back(KeyInput(*It, true));
    }
    if (!In.empty())
        Send(In);
}

namespace {

void RememberMovePoint(POINT ScreenPoint)
{
    gMovePoint = ScreenPoint;
    gHasMovePoint = true;
    gMouseTakenAtMove = gScriptMarker ? gScriptMarker->MouseTaken() : 0;
}

// A press or release at the point this thread moved to last (see gMovePoint).
INPUT ButtonInput(TMouseButton Button, bool Up)
{
    if (!gHasMovePoint)
        return MouseInput(ButtonFlag(Button, Up));
    INPUT In = MoveInput(gMovePoint);
    In.mi.dwFlags |= ButtonFlag(Button, Up);
    return In;
}

// On a script's thread: waits until the cursor stands at Point, sending the move again when a
// late move from the X server took it elsewhere. The user-interface thread reads those late
// moves while it serves messages, which it does while the script runs.
void SettleAt(POINT Point)
{
    const LONG SX = GetSystemMetrics(SM_CXSCREEN) - 1, SY = GetSystemMetrics(SM_CYSCREEN) - 1;
    const POINT Want{std::clamp<LONG>(Point.x, 0, SX), std::clamp<LONG>(Point.y, 0, SY)};
    int Steady = 0, Sends = 0;
    for (int Round = 0; Round < 60 && Steady < 3; ++Round) {
        Sleep(5);
        POINT Now{};
        GetCursorPos(&Now);
        if (Now.x == Want.x && Now.y == Want.y) {
            ++Steady;
        } else {
            Steady = 0;
            if (Round % 4 == 3 && Sends++ < 5)
                Send({MoveInput(Point)});
        }
    }
}

} // namespace

void MoveTo(POINT ScreenPoint)
{
    RememberMovePoint(ScreenPoint);
    Send({MoveInput(ScreenPoint)});
    if (gScriptMarker)
        SettleAt(ScreenPoint);
}

void ButtonDown(TMouseButton Button)
{
    Send({ButtonInput(Button, false)});
}

void ButtonUp(TMouseButton Button)
{
    Send({ButtonInput(Button, true)});
}

void Click(POINT ScreenPoint, TMouseButton Button)
{
    RememberMovePoint(ScreenPoint);
    Send({MoveInput(ScreenPoint), ButtonInput(Button, false), ButtonInput(Button, true)});
}

void DoubleClick(POINT ScreenPoint, TMouseButton Button)
{
    RememberMovePoint(ScreenPoint);
    Send({MoveInput(ScreenPoint), ButtonInput(Button, false), ButtonInput(Button, true), ButtonInput(Button, false),
          ButtonInput(Button, true)});
}

void Drag(POINT From, POINT To, int Steps, TMouseButton Button)
{
    if (Steps < 1)
        Steps = 1;
    MoveTo(From);
    if (!WaitProcessed())
        return;
    ButtonDown(Button);
    if (WaitProcessed()) {
        for (int I = 1; I <= Steps; ++I) {
            MoveTo(POINT{From.x + (To.x - From.x) * I / Steps, From.y + (To.y - From.y) * I / Steps});
            if (!WaitProcessed())
                break;
        }
    }
    // Released in every case: a button left down would spoil every later test.
    ButtonUp(Button);
    WaitProcessed();
}

bool WaitProcessed(uint32_t TimeoutMs)
{
    if (gScriptMarker)
        return gScriptMarker->AwaitFromHelper(TimeoutMs);
    TInputMarker Marker;
    return Marker.AwaitServing(TimeoutMs);
}

// =============================================================================================

TInputScript::TInputScript() = default;

TInputScript::~TInputScript()
{
    Wait();
}

TInputScript& TInputScript::Add(std::string What, std::function<bool()> Run)
{
    FSteps.push_back(TStep{std::move(What), std::move(Run)});
    return *this;
}

TInputScript& TInputScript::KeyDown(WORD Key)
{
    return Add("KeyDown " + KeyText(Key), [Key] {
        TestSupport::KeyDown(Key);
        return true;
    });
}

TInputScript& TInputScript::KeyUp(WORD Key)
{
    return Add("KeyUp " + KeyText(Key), [Key] {
        TestSupport::KeyUp(Key);
        return true;
    });
}

TInputScript& TInputScript::Press(WORD Key)
{
    return Add("Press " + KeyText(Key), [Key] {
        TestSupport::Press(Key);
        return true;
    });
}

TInputScript& TInputScript::Chord(std::initializer_list<WORD> Keys)
{
    std::vector<WORD> Copy(Keys);
    std::string What = "Chord";
    for (WORD K : Copy)
        What += " " + KeyText(K);
    return Add(What, [Copy] { return Send(ChordInput(Copy)); });
}

TInputScript& TInputScript::Type(const std::string& Text)
{
    return Add("Type \"" + Text + "\"", [Text] {
        TestSupport::Type(Text);
        return true;
    });
}

TInputScript& TInputScript::MoveTo(POINT ScreenPoint)
{
    return Add("MoveTo " + PointText(ScreenPoint), [ScreenPoint] {
        TestSupport::MoveTo(ScreenPoint);
        return true;
    });
}

TInputScript& TInputScript::ButtonDown(TMouseButton Button)
{
    return Add("ButtonDown", [Button] {
        TestSupport::ButtonDown(Button);
        return true;
    });
}

TInputScript& TInputScript::ButtonUp(TMouseButton Button)
{
    return Add("ButtonUp", [Button] {
        TestSupport::ButtonUp(Button);
        return true;
    });
}

TInputScript& TInputScript::Click(POINT ScreenPoint, TMouseButton Button)
{
    return Add("Click " + PointText(ScreenPoint), [ScreenPoint, Button] {
        TestSupport::Click(ScreenPoint, Button);
        return true;
    });
}

TInputScript& TInputScript::DoubleClick(POINT ScreenPoint, TMouseButton Button)
{
    return Add("DoubleClick " + PointText(ScreenPoint), [ScreenPoint, Button] {
        TestSupport::DoubleClick(ScreenPoint, Button);
        return true;
    });
}

TInputScript& TInputScript::Drag(POINT From, POINT To, int Steps, TMouseButton Button)
{
    return Add("Drag " + PointText(From) + " to " + PointText(To), [From, To, Steps, Button] {
        TestSupport::Drag(From, To, Steps, Button);
        return true;
    });
}

TInputScript& TInputScript::WaitProcessed(uint32_t TimeoutMs)
{
    return Add("WaitProcessed", [TimeoutMs] { return TestSupport::WaitProcessed(TimeoutMs); });
}

TInputScript& TInputScript::Delay(uint32_t Milliseconds)
{
    return Add("Delay " + std::to_string(Milliseconds) + " ms", [Milliseconds] {
        Sleep(Milliseconds);
        return true;
    });
}

TInputScript& TInputScript::WaitForWindow(const std::string& ClassName, uint32_t TimeoutMs)
{
    return Add("WaitForWindow " + ClassName, [this, ClassName, TimeoutMs] {
        const ULONGLONG End = GetTickCount64() + TimeoutMs;
        for (;;) {
            TFindClass F{ClassName};
            EnumThreadWindows(FThreadID, FindVisibleOfClass, reinterpret_cast<LPARAM>(&F));
            if (F.Found)
                return true;
            if (GetTickCount64() >= End) {
                Fail("no visible window of class " + ClassName + " within " + std::to_string(TimeoutMs) + " ms");
                return false;
            }
            Sleep(10);
        }
    });
}

void TInputScript::Play()
{
    if (FThread.joinable())
        return; // playing already
    FThreadID = GetCurrentThreadId();
    FFailure.clear();
    FDone = false;
    FMarker = std::make_unique<TInputMarker>();
    FThread = std::thread([this] { Run(); });
}

void TInputScript::Run()
{
    gScriptMarker = FMarker.get();
    gScriptFailure = &FFailure;
    for (size_t I = 0; I < FSteps.size(); ++I) {
        if (FSteps[I].Run() && FFailure.empty())
            continue;
        FFailure = "step " + std::to_string(I + 1) + " (" + FSteps[I].What + "): " +
                   (FFailure.empty() ? std::string("failed") : FFailure);
        // The modal loop the rest of the script was to end ends here.
        const std::vector<INPUT> Escape = {KeyInput(VK_ESCAPE, false), KeyInput(VK_ESCAPE, true),
                                           KeyInput(VK_ESCAPE, false), KeyInput(VK_ESCAPE, true)};
        SendInput(static_cast<UINT>(Escape.size()), const_cast<INPUT*>(Escape.data()), sizeof(INPUT));
        break;
    }
    gScriptMarker = nullptr;
    gScriptFailure = nullptr;
    FDone = true;
}

bool TInputScript::Wait()
{
    if (!FThread.joinable())
        return FFailure.empty();
    // The helper may be waiting for this thread to handle a marker: serve messages meanwhile.
    // Every step has its own time limit, so the helper ends.
    PumpUntil([this] { return FDone.load(); }, UINT32_MAX, "the input script to end");
    FThread.join();
    FMarker.reset();
    if (!FFailure.empty()) {
        ADD_FAILURE() << "Input script, " << FFailure;
        return false;
    }
    return true;
}

} // namespace TestSupport
