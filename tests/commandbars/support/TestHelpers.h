#pragma once
// Small helpers the command bar test programs share.

#include <cstring>

#include <windows.h>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"

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

// The test glyph of the sheets: a navy frame, a yellow sun and a green hill on fuchsia (the
// transparent colour), 16 x 16.
inline void MakeSheetGlyph(TBitmap& B)
{
    B.SetPixelFormat(pf24bit);
    B.SetSize(16, 16);
    TCanvas* C = B.GetCanvas();
    C->GetBrush()->SetColor(clFuchsia);
    C->FillRect(Rect(0, 0, 16, 16));
    C->GetBrush()->SetColor(clNavy);
    C->FrameRect(Rect(1, 1, 15, 15));
    C->GetBrush()->SetColor(clYellow);
    C->FillRect(Rect(9, 3, 13, 7));
    C->GetBrush()->SetColor(clGreen);
    C->FillRect(Rect(3, 9, 13, 13));
}

// A caption on a sheet, in the button text colour over what is there.
inline void SheetLabel(HDC DC, int X, int Y, const char* Text)
{
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, GetSysColor(COLOR_BTNTEXT));
    TextOutA(DC, X, Y, Text, static_cast<int>(strlen(Text)));
}

} // namespace CommandBarsTest
