#pragma once
// The window base of every bar and menu window: a custom-drawn window that never keeps the
// focus, shows the item controls of one link list, tracks the selected control by mouse and
// keyboard, routes presses and clicks to the controls and runs the keyboard menu mode. Layout
// and painting of the controls belong to the descendants (toolbars, menu windows); this class
// holds the shared state, the virtual operations and the message handling they rely on.
// User-interface thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/foundation/cbTypes.h"
#include "commandbars/painters/cbPainter.h"
#include "platform/win/Controls.h"

class TcbBarManager;
class TBitmap;
class TcbBar;
class TcbBarItemControl;
class TcbBarItemLinks;
class TcbDockControl;

// Private message of the bar windows: lay the controls out again.
constexpr UINT WM_CBREBUILDBAR = WM_USER + 1;

class TCustomcbBarControl : public TCustomControl, public IcbBarWindowView {
public:
    explicit TCustomcbBarControl(TcbBarManager* AOwner);
    ~TCustomcbBarControl() override;
    std::string ClassName() const override { return "TCustomcbBarControl"; }

    TcbBarManager* GetBarManager() const override;
    TcbPainterClass GetPainter() const;
    HBRUSH GetBkBrush() const override;
    TPoint ClientPointToScreen(TPoint P) const;
    TRect GetParentItemEdgeRect() const override;

    TcbBarItemLinks* GetItemLinks() const { return FItemLinks; }
    // The window's own help context: F1 in an open menu none of whose entries up the chain has
    // one asks for it.
    int32_t GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(int32_t Value) { FHelpContext = Value; }
    // The links point back to the window while it shows them.
    void SetItemLinks(TcbBarItemLinks* Value);

    // Virtual operations, in slot order.
    virtual void CreateControls();
    virtual void DestroyControls();
    virtual void CalcDrawingConsts();
    virtual bool IsLastItemControl(const TcbBarItemControl* Control) const;
    virtual bool HasNonFlatFrame() const;
    virtual bool CanCustomize() const;
    virtual bool IsBackgroundShared() const;
    virtual int32_t GetBeginGroupSize() const = 0;
    HFONT GetFontHandle() const override;
    virtual TRect GetItemRect(const TcbBarItemControl* Control) const;
    virtual bool IsCustomizing() const;
    virtual bool IsShadowVisible() const;
    virtual TRect GetItemRectWithBeginGroup(const TcbBarItemControl* Control) const;
    virtual HRGN CreateItemRgn(const TcbBarItemControl* Control) const;
    virtual TWinControl* GetParentItemWindow() const;
    HBRUSH GetBarBrush() const override;
    HBRUSH GetCheckedItemBrush() const override;
    HBRUSH GetItemBrush() const override;
    HBRUSH GetSelectedItemBrush() const override;
    virtual bool IsPopup() const;
    bool IsAncestorOf(const TCustomcbBarControl* Other) const;
    virtual bool IsAttachedToParentItem() const;
    // Customizing drop hit test at a client point: the control there (nullptr: none), whether
    // the drop is vertical, outside the control's rect, and on its leading half.
    virtual TcbBarItemControl* GetDropControlAtPos(TPoint P, bool& Vertical, bool& Outside, bool& Leading) const;
    bool IsMarkVisible() const override;
    virtual bool IgnoresMouseMove() const;
    // The next mouse move counts even with the cursor where it was at the last selection change.
    void ForgetLastMousePos() { FLastMousePos = TPoint{-1, -1}; }
    virtual void RepaintItemControl(TcbBarItemControl* Control);
    virtual void SelectedControlChanged(TcbBarItemControl* Old);
    virtual void SetDockingStyle(TcbBarDockingStyle Value);
    virtual void AssignFont() = 0;
    virtual void SetIsActive(bool Value);
    virtual void SelectControlByKeyboard(TcbBarItemControl* Control);
    virtual void UpdateAlphaBlend();
    virtual void SetMarkState(TcbButtonState Value) = 0;
    virtual void SelectControlByMouse(TcbBarItemControl* Control);
    virtual void SetSelectedControl(TcbBarItemControl* Control);
    // Fills R (client coordinates when InClient) with the bar background or Color.
    virtual void FillBackgroundEx(HDC DC, TRect R, bool InClient, TColor Color, HBRUSH Brush);
    virtual void FillBackgroundInRgn(HDC DC, HRGN Rgn);
    virtual bool IsQuickCustomizingMenu() const;
    virtual bool HasBackgroundBitmap() const;
    virtual bool HasCustomBackground() const;
    TPoint GetClientOffset() const override;
    virtual void ResetBackgroundCache();
    virtual void UpdateCustomBackgroundFlag();
    virtual void HideAll();
    virtual void RebuildBar();

    // The drop shadow (a TcbBarShadow made with the window), owned by the window; it follows
    // the window's moves and sizes and shows while IsShadowVisible.
    TObject* GetShadow() const { return FShadow.get(); }
    void SetShadow(std::unique_ptr<TObject> Value) { FShadow = std::move(Value); }

    // The dock site of a docked toolbar (nullptr: none).
    TcbDockControl* GetDockControl() const { return FDockControl; }
    void SetDockControl(TcbDockControl* Value) { FDockControl = Value; }

    // The bar the window shows (toolbars), nullptr for menus.
    virtual TcbBar* GetBar() const { return nullptr; }

    // State.
    TcbBarItemControl* GetSelectedControl() const { return FSelectedControl; }
    TcbBarItemControl* GetPressedControl() const { return FPressedControl; }
    bool IsPressedUnderMouse() const { return FPressedUnderMouse; }
    bool IsActiveBar() const { return FActive; }
    TCustomcbBarControl* GetParentBar() const { return FParentBar; }
    void SetParentBar(TCustomcbBarControl* Value) { FParentBar = Value; }
    TCustomcbBarControl* GetChildBar() const { return FChildBar; }
    void SetChildBar(TCustomcbBarControl* Value) { FChildBar = Value; }
    void SetParentItem(const TRect& ScreenRect, TWinControl* Window);
    bool GetIgnoreNextButtonUp() const { return FIgnoreNextButtonUp; }
    void SetIgnoreNextButtonUp(bool Value) { FIgnoreNextButtonUp = Value; }
    bool GetInvalidateOnly() const { return FInvalidateOnly; }
    void SetInvalidateOnly(bool Value) { FInvalidateOnly = Value; }
    bool IsIgnoringMouse() const { return FIgnoreMouse; }
    // The opening item control of a menu window (nullptr: none).
    TcbBarItemControl* GetOpeningControl() const { return FOpeningControl; }
    void SetOpeningControl(TcbBarItemControl* Value) { FOpeningControl = Value; }
    TcbButtonState GetMarkStateValue() const { return FMarkState; }
    // The control under a client point (nullptr: none).
    TcbBarItemControl* ControlAtPos(TPoint P) const;
    // A control of the window goes: the window forgets it (selected, pressed, opening).
    void ControlGoing(TcbBarItemControl* Control);
    // The previous / next selectable shown control from the selected one, wrapping; the
    // first or last.
    TcbBarItemControl* NextSelectable(bool Forward) const;
    TcbBarItemControl* EdgeSelectable(bool First) const;
    // The window being destroyed (by its destructor).
    bool IsBeingDestroyed() const { return FDestroying; }

    // IcbBarWindowView.
    HWND GetHandle() const override;
    HDC GetCanvasDC() const override { return FCanvasDC; }
    TcbBarWindowKind GetKind() const override { return bwkToolbar; }
    const IcbBarWindowView* GetParentBarWindow() const override { return FParentBar; }
    HBRUSH GetCachedBarBrush() const override;
    void FillBackground(HDC DC, const TRect& R, HBRUSH Brush, TColor Color) const override;
    TcbBarDockingStyle GetDockingStyle() const override { return FDockingStyle; }
    bool IsMainMenu() const override { return false; }
    bool IsStatusBar() const override { return false; }
    bool IsBorderless() const override;
    bool IsMDIButtonHot(TcbMDIButton) const override { return false; }
    bool CanMove() const override { return false; }
    bool HasCaption() const override { return false; }
    bool CanClose() const override { return false; }
    std::string GetCaption() const override { return GetText(); }
    TcbButtonState GetCloseButtonState() const override { return bstNormal; }
    TcbButtonState GetMarkState() const override { return FMarkState; }
    bool HasItemsPushedOff() const override { return false; }
    TRect GetClientRect() const override;
    TRect GetWindowRect() const override;
    TBitmap* GetBackgroundCache() const override { return FBackgroundCache.get(); }
    bool IsOwnerFormActive() const override;
    int32_t GetRowHeight() const override { return FRowHeight; }
    int32_t GetSpacingUnit() const override { return FSpacingUnit; }
    int32_t GetEditHeight() const override { return FEditHeight; }
    int32_t GetComboButtonWidth() const override { return FComboButtonWidth; }
    TcbSubMenuMetrics GetSubMenuMetrics() const override { return {}; }
    int32_t GetBarSize() const override { return 0; }
    bool IsDetachable() const override { return false; }
    bool IsDetachBandHot() const override { return false; }
    int32_t GetDetachCaptionHeight() const override { return 0; }
    TcbButtonState GetExpandMarkState() const override { return bstNormal; }
    bool HasExpandButton() const override { return false; }
    bool CanScrollUp() const override { return false; }
    bool CanScrollDown() const override { return false; }
    int32_t GetFirstVisibleIndex() const override { return 0; }
    int32_t GetBottomReserve() const override { return 0; }
    TBitmap* GetBackgroundBitmap() const override { return nullptr; }
    int32_t GetItemControlCount() const override;
    const IcbItemControlView* GetItemControl(int32_t Index) const override;

    // The active bar window (the head of the active chain), nullptr when none.
    static TCustomcbBarControl* ActiveBarControl();
    // Every live bar window, in creation order.
    static const std::vector<TCustomcbBarControl*>& LiveBarControls();
    static bool IsLiveBarControl(const void* Object);

    void WndProc(TMessage& Message) override;

protected:
    // The kind-dependent steps of the window's end; every derived destructor calls it first.
    void LeaveForDestruction();
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    void DestroyWindowHandle() override;
    void PaintWindow(HDC DC) override;
    // Paints the window on DC; the canvas DC the painters read is DC meanwhile.
    virtual void PaintBar(HDC DC) { (void)DC; }
    // The double click of the selected control's own (menu expand, design selection).
    virtual void DoBarDblClick(TcbBarItemControl* Control);
    // Keyboard navigation: key down while an active window exists.
    virtual void KeyNavigation(uint16_t Key);
    bool IsVerticalToolbar() const;
    // The toolbar moves of Ctrl+Tab: the descendants that know their toolbars do them.
    virtual void MoveToNextToolbar(bool Forward) { (void)Forward; }
    // Whether a fill with Brush (clNone colour) on DC is the painter's background of the window:
    // a painter that draws items over a background it shares with them (transparent items) is
    // asked for it wherever an item on the window's canvas hands one of the window's own
    // background brushes or none. Any other brush (a hot or pressed item's colour) is a fill of
    // its own, and so is a fill of the non-client area (another DC). While the painter is
    // painting a background of the window, a fill it asks for is plain (no re-entry).
    bool IsPainterBackgroundFill(HDC DC, HBRUSH Brush) const;

    TcbButtonState FMarkState = bstNormal;
    // Background fills of the painter under way for the window.
    mutable int32_t FPainterFills = 0;

private:
    void HandleMouseMove(const TMessage& M);
    void HandleButtonDown(TMessage& M);
    void HandleButtonUp(TMessage& M);
    void HandleDblClick(TMessage& M);
    void HandleAccelerator(uint16_t Key);
    void TellControlsWindowGoes();
    void FocusAway();
    // The shadow takes the window's bounds and the rect of the parent item it is attached to.
    void PlaceShadow();

    std::unique_ptr<TBitmap> FBackgroundCache;
    mutable HBRUSH FCachedBarBrush = nullptr;
    TCustomcbBarControl* FChildBar = nullptr;
    TcbBarItemControl* FPressedControl = nullptr;
    bool FIgnoreMouse = false;
    TcbDockControl* FDockControl = nullptr;
    TcbBarDockingStyle FDockingStyle = dsNone;
    bool FDragPending = false;
    TPoint FDragStart{};
    bool FIgnoreNextButtonUp = false;
    bool FInvalidateOnly = false;
    bool FActive = false;
    TcbBarItemLinks* FItemLinks = nullptr;
    int32_t FHelpContext = 0;
    bool FPressedUnderMouse = false;
    TRect FParentItemRect{};
    TWinControl* FParentItemWindow = nullptr;
    TCustomcbBarControl* FParentBar = nullptr;
    TCustomcbBarControl* FPrevActive = nullptr;
    TcbBarItemControl* FSelectedControl = nullptr;
    std::unique_ptr<TObject> FShadow;
    int32_t FRowHeight = 19;
    int32_t FEditHeight = 19;
    int32_t FSpacingUnit = 4;
    int32_t FComboButtonWidth = 11;
    TPoint FLastMousePos{-1, -1};

    TcbBarItemControl* FOpeningControl = nullptr;
    HDC FCanvasDC = nullptr;
    bool FDestroying = false;
    bool FLeftForDestruction = false;
    bool FCustomBackground = false;
};

// Walks from a bar window up its parent windows to the first toolbar; a menu without a parent
// continues from the window of the control that opened it.
TCustomcbBarControl* GetRootBarControl(TCustomcbBarControl* BarControl);
TCustomcbBarControl* GetRootBarControl(TcbBarItemControl* Control);
// The root when it is a toolbar, else nullptr.
TCustomcbBarControl* GetRootToolbar(TCustomcbBarControl* BarControl);
TCustomcbBarControl* GetRootToolbar(TcbBarItemControl* Control);
// A toolbar docked at the left or right; rotated: one whose bar has RotateWhenVertical.
bool IsVerticalBarControl(const TCustomcbBarControl* Control);
bool IsRotatedBarControl(const TCustomcbBarControl* Control);
