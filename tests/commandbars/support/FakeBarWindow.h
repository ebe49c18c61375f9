#pragma once
// A bar or menu window for painter tests: every value a painter reads is a public field the test
// sets. Backgrounds are filled with the given brush (or colour), the way a window without a
// background picture fills them.

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/painters/cbPainter.h"

namespace CommandBarsTest {

class FakeBarWindow : public IcbBarWindowView {
public:
    TcbBarManager* Manager = nullptr;
    HWND Handle = nullptr;
    HFONT Font = nullptr;
    HDC CanvasDC = nullptr;
    TcbBarWindowKind Kind = bwkToolbar;
    const IcbBarWindowView* Parent = nullptr;

    HBRUSH BarBrush = GetSysColorBrush(COLOR_BTNFACE);
    HBRUSH CheckedItemBrush = GetSysColorBrush(COLOR_BTNHIGHLIGHT);
    HBRUSH ItemBrush = GetSysColorBrush(COLOR_BTNFACE);
    HBRUSH SelectedItemBrush = GetSysColorBrush(COLOR_HIGHLIGHT);
    HBRUSH BkBrush = GetSysColorBrush(COLOR_BTNFACE);
    HBRUSH CachedBarBrush = GetSysColorBrush(COLOR_BTNFACE);

    TcbBarDockingStyle DockingStyle = dsTop;
    bool MainMenu = false, StatusBar = false, Borderless = false, Movable = true, Caption = false, Closable = false;
    std::string CaptionText = "Bar";
    TcbButtonState CloseState = bstNormal, MarkState = bstNormal, ExpandState = bstNormal;
    int32_t HotMDIButton = -1; // a TcbMDIButton, or -1 for none
    bool PushedOff = false, MarkVisible = true, FormActive = true;
    TRect Client = Rect(0, 0, 200, 26);
    TPoint ClientOffset{0, 0};
    TRect Window = Rect(0, 0, 200, 26);
    TRect ParentItemEdge{};
    TBitmap* BackgroundCache = nullptr;
    TBitmap* BackgroundBitmap = nullptr;
    int32_t RowHeight = 19, SpacingUnit = 4, EditHeight = 19, ComboButtonWidth = 11;

    TcbSubMenuMetrics Metrics{13, 19, 16};
    int32_t BarSize = 0;
    bool Detachable = false, DetachBandHot = false, ExpandButton = false, ScrollUp = false, ScrollDown = false;
    int32_t DetachCaptionHeight = 8, FirstVisible = 0, BottomReserve = 0;
    std::vector<const IcbItemControlView*> Controls;
    int32_t QuickCheckColumnWidth = 0;
    bool ItemMarked = false;
    // What shows under the window (a dock site's or a menu's background), painted for a
    // background fill without a colour of its own; R in the DC's coordinates.
    std::function<void(HDC DC, const TRect& R)> Backdrop;

    // How often the painters asked for a background fill.
    mutable int32_t BackgroundFills = 0;

    TcbBarManager* GetBarManager() const override { return Manager; }
    HWND GetHandle() const override { return Handle; }
    HFONT GetFontHandle() const override { return Font; }
    HDC GetCanvasDC() const override { return CanvasDC; }
    TcbBarWindowKind GetKind() const override { return Kind; }
    const IcbBarWindowView* GetParentBarWindow() const override { return Parent; }
    HBRUSH GetBarBrush() const override { return BarBrush; }
    HBRUSH GetCheckedItemBrush() const override { return CheckedItemBrush; }
    HBRUSH GetItemBrush() const override { return ItemBrush; }
    HBRUSH GetSelectedItemBrush() const override { return SelectedItemBrush; }
    HBRUSH GetBkBrush() const override { return BkBrush; }
    HBRUSH GetCachedBarBrush() const override { return CachedBarBrush; }
    void FillBackground(HDC DC, const TRect& R, HBRUSH Brush, TColor Color) const override
    {
        ++BackgroundFills;
        if (Color != clNone) {
            HBRUSH B = CreateSolidBrush(ColorToRGB(Color));
            FillRect(DC, &R, B);
            DeleteObject(B);
        } else if (Backdrop) {
            Backdrop(DC, R);
        } else {
            FillRect(DC, &R, Brush ? Brush : BkBrush);
        }
    }
    TcbBarDockingStyle GetDockingStyle() const override { return DockingStyle; }
    bool IsMainMenu() const override { return MainMenu; }
    bool IsStatusBar() const override { return StatusBar; }
    bool IsBorderless() const override { return Borderless; }
    bool CanMove() const override { return Movable; }
    bool HasCaption() const override { return Caption; }
    bool CanClose() const override { return Closable; }
    std::string GetCaption() const override { return CaptionText; }
    TcbButtonState GetCloseButtonState() const override { return CloseState; }
    TcbButtonState GetMarkState() const override { return MarkState; }
    bool IsMDIButtonHot(TcbMDIButton Button) const override { return HotMDIButton == Button; }
    bool HasItemsPushedOff() const override { return PushedOff; }
    bool IsMarkVisible() const override { return MarkVisible; }
    TRect GetClientRect() const override { return Client; }
    TPoint GetClientOffset() const override { return ClientOffset; }
    TRect GetWindowRect() const override { return Window; }
    TRect GetParentItemEdgeRect() const override { return ParentItemEdge; }
    TBitmap* GetBackgroundCache() const override { return BackgroundCache; }
    bool IsOwnerFormActive() const override { return FormActive; }
    int32_t GetRowHeight() const override { return RowHeight; }
    int32_t GetSpacingUnit() const override { return SpacingUnit; }
    int32_t GetEditHeight() const override { return EditHeight; }
    int32_t GetComboButtonWidth() const override { return ComboButtonWidth; }
    TcbSubMenuMetrics GetSubMenuMetrics() const override { return Metrics; }
    int32_t GetBarSize() const override { return BarSize; }
    bool IsDetachable() const override { return Detachable; }
    bool IsDetachBandHot() const override { return DetachBandHot; }
    int32_t GetDetachCaptionHeight() const override { return DetachCaptionHeight; }
    TcbButtonState GetExpandMarkState() const override { return ExpandState; }
    bool HasExpandButton() const override { return ExpandButton; }
    bool CanScrollUp() const override { return ScrollUp; }
    bool CanScrollDown() const override { return ScrollDown; }
    int32_t GetFirstVisibleIndex() const override { return FirstVisible; }
    int32_t GetBottomReserve() const override { return BottomReserve; }
    TBitmap* GetBackgroundBitmap() const override { return BackgroundBitmap; }
    int32_t GetQuickCheckColumnWidth() const override { return QuickCheckColumnWidth; }
    bool IsItemMarked() const override { return ItemMarked; }
    int32_t GetItemControlCount() const override { return static_cast<int32_t>(Controls.size()); }
    const IcbItemControlView* GetItemControl(int32_t Index) const override
    {
        return Index >= 0 && Index < GetItemControlCount() ? Controls[static_cast<size_t>(Index)] : nullptr;
    }
};

} // namespace CommandBarsTest
