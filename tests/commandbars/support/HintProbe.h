#pragma once
// What the hint tests read of the shared hint window, and the size a text takes in the status
// font that the hint uses with the manager's UseSystemFont.

#include <string>

#include <windows.h>

#include "commandbars/windows/cbHint.h"

namespace CommandBarsTest {

inline HWND HintHandle()
{
    return cbHintWindow() && cbHintWindow()->HandleAllocated() ? cbHintWindow()->GetHandle() : nullptr;
}

inline bool HintVisible()
{
    HWND H = HintHandle();
    return H && IsWindowVisible(H);
}

inline std::string HintText()
{
    char Buffer[256] = {};
    if (HWND H = HintHandle())
        GetWindowTextA(H, Buffer, sizeof(Buffer));
    return Buffer;
}

inline SIZE StatusFontTextSize(const std::string& Text, int32_t Width = 10000)
{
    NONCLIENTMETRICSA Metrics{};
    Metrics.cbSize = sizeof(Metrics);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0);
    HFONT Font = CreateFontIndirectA(&Metrics.lfStatusFont);
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font);
    RECT R{0, 0, Width, 0};
    DrawTextA(DC, Text.c_str(), static_cast<int>(Text.size()), &R, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    DeleteObject(Font);
    return SIZE{R.right - R.left, R.bottom - R.top};
}

} // namespace CommandBarsTest
