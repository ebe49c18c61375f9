#pragma once
// Small helpers the command bar test programs share.

#include <windows.h>

#include "platform/rtl/ScopeGuards.h"

namespace CommandBarsTest {

// The colour of a brush (a solid brush or a system colour index + 1).
inline COLORREF BrushColor(HBRUSH Brush)
{
    const auto Value = reinterpret_cast<UINT_PTR>(Brush);
    if (Value > 0 && Value <= 31)
        return GetSysColor(static_cast<int>(Value - 1));
    LOGBRUSH LB{};
    GetObjectA(Brush, sizeof(LB), &LB);
    return LB.lbColor;
}

// Runs Body with Key down in the thread's key state (messages carry no key state); the key's
// earlier state comes back afterwards.
template <class F>
void WithKeyDown(BYTE Key, F Body)
{
    BYTE State[256];
    GetKeyboardState(State);
    const BYTE Saved = State[Key];
    State[Key] = 0x80;
    SetKeyboardState(State);
    TScopeExit Restore([&] {
        GetKeyboardState(State);
        State[Key] = Saved;
        SetKeyboardState(State);
    });
    Body();
}

} // namespace CommandBarsTest
