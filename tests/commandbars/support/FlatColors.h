#pragma once
// The Flat style's shared colours as the tests compute them from the system colours of the
// moment, each passed through the screen's nearest colour.

#include <algorithm>

#include <windows.h>

namespace CommandBarsTest {

inline int Ch(COLORREF C, int Shift)
{
    return static_cast<int>((C >> Shift) & 0xFF);
}

inline COLORREF Nearest(COLORREF C)
{
    HDC DC = GetDC(nullptr);
    const COLORREF N = GetNearestColor(DC, C);
    ReleaseDC(nullptr, DC);
    return N == CLR_INVALID ? C : N;
}

// Per channel the weighted sum of button face, highlight and window, each term rounded as MulDiv
// rounds; a black or white face gives the highlight colour.
inline COLORREF Blend(int Face, int Highlight, int Window)
{
    const COLORREF F = GetSysColor(COLOR_BTNFACE), H = GetSysColor(COLOR_HIGHLIGHT), W = GetSysColor(COLOR_WINDOW);
    if (F == RGB(0, 0, 0) || F == RGB(255, 255, 255))
        return Nearest(H);
    auto C = [&](int S) {
        return std::clamp(MulDiv(Ch(F, S), Face, 100) + MulDiv(Ch(H, S), Highlight, 100) + MulDiv(Ch(W, S), Window, 100), 0, 255);
    };
    return Nearest(RGB(C(0), C(8), C(16)));
}

// The frame: 80 % of the shadow colour.
inline COLORREF ExpectedFrame()
{
    const COLORREF S = GetSysColor(COLOR_BTNSHADOW);
    return Nearest(RGB(MulDiv(Ch(S, 0), 8, 10), MulDiv(Ch(S, 8), 8, 10), MulDiv(Ch(S, 16), 8, 10)));
}

// The bar: the face lightened by 16 %.
inline COLORREF ExpectedBar()
{
    const COLORREF F = GetSysColor(COLOR_BTNFACE);
    auto C = [&](int S) { return Ch(F, S) + MulDiv(255 - Ch(F, S), 16, 100); };
    return Nearest(RGB(C(0), C(8), C(16)));
}

} // namespace CommandBarsTest
