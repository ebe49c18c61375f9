#pragma once
// The menu window: the pop-up window that shows one link list as a vertical menu (a sub-item's
// menu, a popup menu, a drop-down button's menu, a container's content). It places itself inside
// the work area (flipping beside or above its owner), lays its rows out with group lines, scrolls
// when it is taller than the screen, shows recently used commands first with an expand mark,
// opens with an animation, and walks the chain of open menus with the keys.
// User-interface thread only; the unfold and slide animations draw on one worker thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include <windows.h>

#include "commandbars/windows/cbBarControl.h"

class TcbBarButtonControl;
class TcbBarItemLink;
class TcbBarPopupMenu;
class TcbBarSubItemControl;
class TCustomcbBarContainerItem;
class TCustomcbBarSubItem;

class TcbBarSubMenuControl : public TCustomcbBarControl {
public:
    explicit TcbBarSubMenuControl(TcbBarManager* AOwner);
    ~TcbBarSubMenuControl() override;
    std::string ClassName() const override { return "TcbBarSubMenuControl"; }

    // Overrides of the base, in slot order.
    void CreateControls() override;
    void DestroyControls() override;
    void CalcDrawingConsts() override;
    bool CanCustomize() const override;
    bool IsBackgroundShared() const override { return false; }
    int32_t GetBeginGroupSize() const override;
    HFONT GetFontHandle() const override;
    bool IsCustomizing() const override;
    bool IsShadowVisible() const override;
    TRect GetItemRectWithBeginGroup(const TcbBarItemControl* Control) const override;
    bool IsPopup() const override { return true; }
    TcbBarItemControl* GetDropControlAtPos(TPoint P, bool& Vertical, bool& Outside, bool& Leading) const override;
    bool IsMarkVisible() const override;
    void RepaintItemControl(TcbBarItemControl* Control) override;
    void AssignFont() override;
    void SetIsActive(bool Value) override;
    void UpdateAlphaBlend() override {}
    void SetMarkState(TcbButtonState Value) override;
    void SetSelectedControl(TcbBarItemControl* Control) override;
    bool HasCustomBackground() const override;
    void HideAll() override;
    void RebuildBar() override;
    // A right click picks a command: a menu shown without owner extent, or whose parent allows it.
    virtual bool AllowsRightButtonClick() const;

    // The view.
    TcbBarWindowKind GetKind() const override { return bwkMenu; }
    TcbSubMenuMetrics GetSubMenuMetrics() const override { return FMetrics; }
    int32_t GetBarSize() const override;
    int32_t GetLeftBandWidth() const override;
    int32_t GetQuickCheckColumnWidth() const override { return 0; }
    bool IsDetachable() const override;
    TcbButtonState GetExpandMarkState() const override { return GetMarkStateValue(); }
    bool HasExpandButton() const override { return IsMarkVisible(); }
    bool CanScrollUp() const override { return FFirstVisibleIndex > 0; }
    bool CanScrollDown() const override { return FCanScrollDown; }
    int32_t GetFirstVisibleIndex() const override { return FFirstVisibleIndex; }
    int32_t GetBottomReserve() const override;
    TBitmap* GetBackgroundBitmap() const override;
    TPoint GetClientOffset() const override { return TPoint{1, 1 + GetDetachBandHeight()}; }
    int32_t GetDetachCaptionHeight() const override;
    // The band a detachable menu keeps above its rows (0 when not detachable).
    int32_t GetDetachBandHeight() const;
    // The band's rect in window coordinates (empty when not detachable).
    TRect GetDetachBandRect() const;
    // The band under the mouse: drawn hot, with the hint that it can be dragged off.
    bool IsDetachBandHot() const override { return FDetachBandHot; }
    void SetDetachBandHot(bool Value);
    // Whether the sub-item's DetachingBar can be torn off now: it exists and is not the toolbar
    // the menu chain hangs from.
    bool CanDetachNow() const;
    // While a row draws, the brush its background was filled with.
    HBRUSH GetCachedBarBrush() const override;
    // A row's background where the painter draws items over the menu's own background (the
    // Office11 glyph band): the painter's menu background under R; otherwise the base fill.
    void FillBackground(HDC DC, const TRect& R, HBRUSH Brush, TColor Color) const override;
    // The vertical offset of the rows inside the window (the detach band; 0 without one).
    int32_t GetItemOffset() const;

    // Shows the window (made and placed first), animated when allowed.
    void ShowAnimated();
    // Destroys the window and frees the object, once.
    void CloseAndFree();
    // Shows every link of the chain's menus from now on and re-creates this window with them.
    void Expand();
    // The expand mark's rect (client coordinates).
    TRect GetMarkRect() const;

    // What the opener tells the menu before it shows.
    void SetOwnerWidth(int32_t Value) { FOwnerWidth = Value; }
    void SetOwnerHeight(int32_t Value) { FOwnerHeight = Value; }
    int32_t GetOwnerWidth() const { return FOwnerWidth; }
    int32_t GetOwnerHeight() const { return FOwnerHeight; }
    void SetAnimate(bool Value) { FAnimate = Value; }
    bool GetAnimate() const { return FAnimate; }
    void SetOwnerWindow(HWND Value) { FOwnerWindow = Value; }
    void SetDropDownButton(TcbBarButtonControl* Value) { FDropDownButton = Value; }
    // The first link is selected by keyboard once the window shows (a menu opened by a key).
    void SetSelectFirstOnShow(bool Value) { FSelectFirstOnShow = Value; }
    void SetDirections(int32_t X, int32_t Y)
    {
        FDirectionX = X;
        FDirectionY = Y;
    }
    int32_t GetDirectionX() const { return FDirectionX; }
    int32_t GetDirectionY() const { return FDirectionY; }
    TcbBarButtonControl* GetDropDownButton() const { return FDropDownButton; }
    bool IsDestroyingMenu() const { return FDestroying; }
    // Fired right before the window shows, and when its window is destroyed.
    std::function<void()> OnBeforeShow;
    std::function<void()> OnCloseUp;

    // The placed rect (screen) and the animation kind in force (maNone when not animating).
    TRect GetPlacedRect() const { return FPlacedRect; }
    TcbBarMenuAnimations GetAnimationKind() const { return FAnimationKind; }
    bool IsAnimating() const;

    // The random source maRandom picks with (Random (100) by default): answers 0 .. Range - 1.
    static void SetRandomSource(std::function<int32_t(int32_t Range)> Source);
    // The running animation's worker thread (nullptr when none); a duplicate the caller closes.
    static HANDLE DuplicateAnimationThreadHandle();
    // Whether the chain of open menus shows every link.
    static bool IsChainExpanded();

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWindowHandle() override;
    void DestroyWnd() override;
    void VisibleChanged() override;
    void PaintBar(HDC DC) override;
    void KeyNavigation(uint16_t Key) override;
    // The popup menu or sub-item whose links this is (nullptr: neither).
    TcbBarPopupMenu* GetPopupMenu() const;
    TCustomcbBarSubItem* GetSubItem() const;
    virtual void DoCloseUpEvent();
    virtual void DoBeforeShowEvent();

private:
    friend DWORD WINAPI MenuAnimationThreadProc(LPVOID);
    bool UsesRecentItems() const;
    bool RecentMode() const;
    // Lays the rows out from the first visible link; with Widest, answers the widest control.
    void CalcLayout(int32_t* Widest = nullptr);
    TSize CalcSize();
    void PlaceInWorkArea(bool& FlippedX, bool& FlippedY);
    void CreateRecentBrush();
    void FreeRecentBrush();
    void StartScrollTimer();
    void StopScrollTimer();
    void ScrollTimerTick();
    void ScrollBy(int32_t Delta);
    void ScrollIntoView(TcbBarItemControl* Control);
    void CheckScrollButtons(TPoint P);
    void StartMarkTimer(UINT_PTR Id, uint32_t Ms);
    void StopMarkTimer();
    void StartIdleExpandTimer();
    void MarkTimerProc(UINT_PTR Id);
    void PrepareAnimation(bool FlippedX, bool FlippedY);
    void StopAnimation();
    bool HandleExpandKeys(uint16_t Key);
    bool GetDestroyingControls() const { return FDestroyingControls; }
    void HandleMenuKey(uint16_t Key);
    void DrawNonClient(HDC DC);
    bool IsScrollRow(const TcbBarItemControl* Control, bool& Down) const;
    // Whether a client point lies on the detach band (above the client area).
    bool IsOnDetachBand(TPoint P) const;
    // The drag that tears the menu off as its DetachingBar, from a press on the band: the
    // mouse is held until the button goes up (the bar stays floating and the menus close) or
    // Esc, the capture lost or the cursor back at the band (the bar is put back as it was).
    void DetachLoop();
    void InsertContainerContent();
    void RemoveContainerContent();

    TcbSubMenuMetrics FMetrics{};
    bool FDestroying = false;
    bool FRebuilding = false;
    UINT_PTR FMarkTimer = 0;
    bool FScrollTimer = false;
    HBRUSH FRecentBrush = nullptr;
    HPALETTE FRecentPalette = nullptr;
    TcbBarMenuAnimations FAnimationKind = maNone;
    bool FAnimate = false;
    TPoint FAnchor{};
    int32_t FOwnerWidth = 0;
    int32_t FOwnerHeight = 0;
    int32_t FFirstVisibleIndex = 0;
    int32_t FLastVisibleIndex = -1;
    bool FCanScrollDown = false;
    bool FOnScrollRow = false;
    bool FDestroyingControls = false;
    bool FSelectFirstOnShow = false;
    HBRUSH FRowBrush = nullptr;
    std::atomic<bool> FAnimatingNow{false};
    TPoint FScrollStopPos{-1, -1};
    TcbBarButtonControl* FDropDownButton = nullptr;
    int32_t FDirectionX = 1;
    int32_t FDirectionY = 1;
    HWND FOwnerWindow = nullptr;
    TRect FPlacedRect{};
    bool FShowing = false;
    bool FPlaced = false;
    bool FCloseUpFired = false;
    // Container links of this menu by position, with the number of links each inserted.
    std::vector<std::pair<TcbBarItemLink*, int32_t>> FContainers;
    std::vector<std::pair<TcbBarItemLink*, int32_t>> FHiddenContainers;
    bool FContentInserted = false;
    bool FDetachBandHot = false;
};

// The content window of a container item: the container's content without the container.
class TContainerItemSubMenuControl : public TcbBarSubMenuControl {
public:
    TContainerItemSubMenuControl(TcbBarManager* AOwner, TCustomcbBarContainerItem* Container);
    ~TContainerItemSubMenuControl() override;
    std::string ClassName() const override { return "TContainerItemSubMenuControl"; }
    bool IsCustomizing() const override { return false; }
    virtual void DeleteContent();

private:
    TCustomcbBarContainerItem* FContainer;
};

// The menu window connections: the sub-item and container factories, the drop-down and popup
// menu showing (the framework's start).
void cbSubMenuInit();
void cbSubMenuDone();
