#pragma once
// A dock site for painter tests: its rows are rectangles with the bars on them, and the cached
// background is a bitmap the test owns.

#include <vector>

#include <windows.h>

#include "commandbars/painters/cbPainter.h"

namespace CommandBarsTest {

class FakeDockSite : public IcbDockSiteView {
public:
    struct TRow {
        TRect Bounds;
        std::vector<const TcbBar*> Bars;
    };

    TcbBarManager* Manager = nullptr;
    TcbBarDockingStyle DockingStyle = dsTop;
    TRect Client = Rect(0, 0, 300, 60);
    TBitmap* BackgroundCache = nullptr;
    std::vector<TRow> Rows;

    TcbBarManager* GetBarManager() const override { return Manager; }
    TcbBarDockingStyle GetDockingStyle() const override { return DockingStyle; }
    TRect GetClientRect() const override { return Client; }
    TBitmap* GetBackgroundCache() const override { return BackgroundCache; }
    int32_t GetRowCount() const override { return static_cast<int32_t>(Rows.size()); }
    TRect GetRowRect(int32_t Row) const override { return Rows[static_cast<size_t>(Row)].Bounds; }
    int32_t GetRowBarCount(int32_t Row) const override
    {
        return static_cast<int32_t>(Rows[static_cast<size_t>(Row)].Bars.size());
    }
    const TcbBar* GetRowBar(int32_t Row, int32_t Index) const override
    {
        return Rows[static_cast<size_t>(Row)].Bars[static_cast<size_t>(Index)];
    }
    // No window: no bar window stands on this site, so nothing asks it to paint under one.
    HWND GetSiteHandle() override { return nullptr; }
    void FillBackground(HDC, const TRect&) override {}
};

} // namespace CommandBarsTest
