#pragma once
// Small drawing and query helpers the painters share; internal to the painter sources.

#include <algorithm>
#include <cstdint>

#include <windows.h>

#include "commandbars/painters/cbPainter.h"

namespace cbPainterShared {

inline TRect Inflated(TRect R, int32_t D)
{
    InflateRect(&R, D, D);
    return R;
}

// Fills or frames with a brush that may stand for a system colour.
inline void Fill(HDC DC, const TRect& R, HBRUSH Brush)
{
    FillRect(DC, &R, cbResolveBrush(Brush));
}

inline void Frame(HDC DC, const TRect& R, HBRUSH Brush)
{
    FrameRect(DC, &R, cbResolveBrush(Brush));
}

inline const IcbBar* BarOf(const IcbControl* Control)
{
    return Control ? Control->GetBarWindow() : nullptr;
}

inline TcbBarManager* ManagerOf(const IcbBar* Bar)
{
    return Bar ? Bar->GetBarManager() : nullptr;
}

inline bool InMenu(const IcbControl* Control)
{
    const IcbBar* Bar = BarOf(Control);
    return Bar && Bar->GetKind() == bwkMenu;
}

inline bool IsVerticalDock(TcbBarDockingStyle Style)
{
    return Style == dsLeft || Style == dsRight;
}

// The widest item control of a submenu and the height of its rows, begin-group gaps
// (of the painter's size) included; answers the number of item controls.
inline int32_t MeasureSubMenuRows(const TcbBarItemControlPainter& Painter, const IcbBar* Menu, int32_t& Widest,
                               int32_t& Rows)
{
    Widest = 0;
    Rows = 0;
    const int32_t Count = Menu->GetItemControlCount();
    for (int32_t I = 0; I < Count; ++I) {
        const IcbControl* Control = Menu->GetItemControl(I);
        Widest = std::max(Widest, Control->GetWidth());
        Rows += Control->GetHeight();
        if (I > 0 && Control->IsBeginGroup())
            Rows += Painter.GetSubMenuBeginGroupSize();
    }
    return Count;
}

} // namespace cbPainterShared
