#pragma once
// The item-control painter interface: every operation with which bar windows, menu windows and
// item controls draw and measure themselves, and the two views through which painters read those
// windows and controls. A painter is a class with no data and only virtual const operations; one
// static instance of each style exists, and a "painter class" is a pointer to that instance.
// Styles are told apart by comparing instance addresses.
//
// Calling convention: an operation that needs a sister operation calls it on `this`, so that the
// overrides of the style in force apply; an override that extends its parent calls
// `Parent::Op(...)`; borrowing another style's operation is a call on that style's instance.
// Brushes, pens and DCs made for one call are released before the call returns.

#include <cstdint>
#include <string>

#include <windows.h>

#include "commandbars/foundation/cbTypes.h"
#include "platform/rtl/Flags.h"
#include "platform/win/Graphics.h"

class TBitmap;
class TImageList;
class TcbBar;
class TcbBarItem;
class TcbBarItemLink;
class TcbBarManager;

// ---------------------------------------------------------------------------------------------
// Small value types of the signatures.

// The enumerations of the signatures (the kinds of drawing and of windows and controls, the
// paint flags, the button states) are in cbTypes.h.

// A colour-index pseudo-brush (COLOR_x + 1) is a brush only to FillRect; everything else (frames,
// patterns, selecting into a DC) gets the system brush of that index instead.
HBRUSH cbResolveBrush(HBRUSH Value);

// What CalcSubMenuMetrics works out for a menu window from its font.
struct TcbSubMenuMetrics {
    int32_t TextHeight = 0;       // the height of "0" in the menu's font, as the style counts it
    int32_t ColumnMinimum = 0;    // the least height of a command row
    int32_t GlyphColumnWidth = 0; // the glyph column, after AdjustGlyphColumnWidth
    int32_t ArrowSize = 0;        // the extent of a row's sub-menu arrow
    int32_t DigitSize = 0;        // the width of "0" as the style counts it (the expand mark's size)
    int32_t ExpandButtonHeight = 0; // a style's own height of the expand button (0: the window's)
};

// What CalcSubMenuItemsRect works out: where the rows go, the first row shown, and the last
// scroll position (0x7FFFFFFF when the menu does not scroll). A caller that sets Unlimited asks
// for rows laid out with no bottom limit; the styles that offer it start them at the top.
struct TcbSubMenuItemsArea {
    bool Unlimited = false;
    TRect ItemsRect{};
    int32_t FirstVisibleIndex = 0;
    int32_t ScrollLimit = 0x7FFFFFFF;
};

// ---------------------------------------------------------------------------------------------
// What painters read from a bar or menu window. The windows implement it.

class IcbDockSiteView;
class IcbItemControlView;

class IcbBarWindowView {
public:
    virtual ~IcbBarWindowView() = default;

    virtual TcbBarManager* GetBarManager() const = 0;
    virtual HWND GetHandle() const = 0;
    virtual HFONT GetFontHandle() const = 0;
    // The window's canvas DC (its pen and brush are the painters' to select for one call).
    virtual HDC GetCanvasDC() const = 0;
    virtual TcbBarWindowKind GetKind() const = 0;
    virtual const IcbBarWindowView* GetParentBarWindow() const = 0; // nullptr when none

    // Brushes: the window's own operations and the brush cached from its bar brush.
    virtual HBRUSH GetBarBrush() const = 0;
    virtual HBRUSH GetCheckedItemBrush() const = 0;
    virtual HBRUSH GetItemBrush() const = 0;
    virtual HBRUSH GetSelectedItemBrush() const = 0;
    virtual HBRUSH GetBkBrush() const = 0;
    virtual HBRUSH GetCachedBarBrush() const = 0;
    // Fills R with the background (a background picture when the manager has one), or with
    // Brush; Color other than clNone asks for that colour instead.
    virtual void FillBackground(HDC DC, const TRect& R, HBRUSH Brush, TColor Color) const = 0;

    // Docking and the non-client area.
    virtual TcbBarDockingStyle GetDockingStyle() const = 0;
    virtual bool IsMainMenu() const = 0;
    virtual bool IsStatusBar() const = 0;
    virtual bool IsBorderless() const = 0; // the bar's BorderStyle is bbsNone
    virtual bool CanMove() const = 0;
    virtual bool HasCaption() const = 0;
    virtual bool CanClose() const = 0;
    virtual std::string GetCaption() const = 0;
    virtual TcbButtonState GetCloseButtonState() const = 0;
    virtual TcbButtonState GetMarkState() const = 0;
    // The MDI button under the mouse (main menu bar); the pressed one comes as an argument.
    virtual bool IsMDIButtonHot(TcbMDIButton Button) const = 0;
    virtual bool HasItemsPushedOff() const = 0;
    virtual bool IsMarkVisible() const = 0;
    virtual TRect GetClientRect() const = 0;
    virtual TPoint GetClientOffset() const = 0; // the client origin inside the window
    virtual TRect GetWindowRect() const = 0;    // in screen coordinates
    // In window coordinates: the line of the window's edge that the item which opened the window
    // touches, short of the item's corners; empty when the window was not opened from an item
    // or does not touch it.
    virtual TRect GetParentItemEdgeRect() const = 0;
    virtual TBitmap* GetBackgroundCache() const = 0;
    virtual bool IsOwnerFormActive() const = 0;

    // Measures.
    virtual int32_t GetRowHeight() const = 0;   // text height of "0" + 6 on a toolbar
    virtual int32_t GetSpacingUnit() const = 0;
    virtual int32_t GetEditHeight() const = 0;
    virtual int32_t GetComboButtonWidth() const = 0;

    // Menus.
    virtual TcbSubMenuMetrics GetSubMenuMetrics() const = 0;
    virtual int32_t GetBarSize() const = 0; // the widest row
    virtual bool IsDetachable() const = 0;
    virtual bool IsDetachBandHot() const = 0;
    virtual int32_t GetDetachCaptionHeight() const = 0;
    virtual TcbButtonState GetExpandMarkState() const = 0;
    virtual bool HasExpandButton() const = 0;
    virtual bool CanScrollUp() const = 0;
    virtual bool CanScrollDown() const = 0;
    virtual int32_t GetFirstVisibleIndex() const = 0;
    virtual int32_t GetBottomReserve() const = 0;
    virtual TBitmap* GetBackgroundBitmap() const = 0;
    // The glyph band at a menu's left: the side bar, the glyph column and the 2-pixel gap after it.
    virtual int32_t GetLeftBandWidth() const { return GetBarSize() + GetSubMenuMetrics().GlyphColumnWidth + 2; }
    // The check column of a quick-customization list after the glyph band (0 elsewhere).
    virtual int32_t GetQuickCheckColumnWidth() const { return 0; }
    // The mark a menu takes from its current item control while that item is selected.
    virtual bool IsItemMarked() const { return false; }
    // The dock site whose child window this is (a docked toolbar); nullptr for every other
    // window, and while the window has no handle.
    virtual IcbDockSiteView* GetParentDockSite() const { return nullptr; }
    // The controls shown, in order.
    virtual int32_t GetItemControlCount() const = 0;
    virtual const IcbItemControlView* GetItemControl(int32_t Index) const = 0;
};

// ---------------------------------------------------------------------------------------------
// What painters read from an item control. The controls implement it.

class IcbItemControlView {
public:
    virtual ~IcbItemControlView() = default;

    virtual TcbBarItemLink* GetItemLink() const = 0;
    virtual TcbBarItem* GetItem() const = 0;
    virtual const IcbBarWindowView* GetBarWindow() const = 0;
    virtual TcbItemControlKind GetKind() const = 0;

    // States.
    virtual bool IsSelected() const = 0;
    virtual bool IsPressed() const = 0; // clicking
    virtual bool IsDown() const = 0;
    virtual bool IsEnabled() const = 0;
    virtual bool IsDroppedDown() const = 0;
    virtual bool IsActive() const = 0;
    virtual bool IsPressedByMouse() const = 0;
    virtual bool IsArrowPressed() const = 0;
    virtual bool IsEditing() const = 0;
    virtual bool IsReadOnly() const = 0; // an edit or combo whose value cannot be typed
    virtual bool IsRarelyUsed() const = 0;
    virtual bool IsFirstRarelyUsed() const = 0;
    virtual bool IsBeginGroup() const = 0;

    // What it shows.
    virtual std::string GetCaption() const = 0;
    virtual TBitmap* GetGlyph() const = 0; // nullptr or empty when none
    virtual int32_t GetImageIndex() const = 0;
    virtual TImageList* GetImages() const = 0;
    virtual TImageList* GetHotImages() const = 0;
    virtual TImageList* GetLargeImages() const = 0;
    virtual TImageList* GetDisabledImages() const = 0;
    virtual bool IsGlyphEnabled() const = 0;
    virtual bool HasGlyph() const = 0;
    virtual std::string GetShortCutText() const = 0;
    virtual TcbBarPaintStyle GetRealPaintStyle() const = 0;
    virtual int32_t GetButtonStyle() const = 0; // TcbBarButtonStyle: default, checked, drop-down
    virtual bool IsLowered() const = 0;
    virtual int32_t GetArrowWidth() const = 0;

    // Geometry and the in-place editor.
    virtual TRect GetItemRect() const = 0;
    virtual TRect GetItemRect2() const = 0;
    virtual int32_t GetWidth() const = 0;  // as the control measures itself
    virtual int32_t GetHeight() const = 0;
    virtual int32_t GetEditCaptionWidth() const = 0;
    virtual HWND GetEditor() const = 0;
    virtual std::string GetText() const = 0;
    virtual TRect GetComboButtonRect() const = 0;
};

// ---------------------------------------------------------------------------------------------
// What painters read from a dock site. The dock sites implement it.

class IcbDockSiteView {
public:
    virtual ~IcbDockSiteView() = default;

    virtual TcbBarManager* GetBarManager() const = 0;
    virtual TcbBarDockingStyle GetDockingStyle() const = 0;
    virtual TRect GetClientRect() const = 0;
    // The site's cached background picture, emptied by the site when its size changes; nullptr
    // when the site keeps none.
    virtual TBitmap* GetBackgroundCache() const = 0;
    // The rows from the first (top or left) on; a row's rectangle spans the site across.
    virtual int32_t GetRowCount() const = 0;
    virtual TRect GetRowRect(int32_t Row) const = 0;
    virtual int32_t GetRowBarCount(int32_t Row) const = 0;
    virtual const TcbBar* GetRowBar(int32_t Row, int32_t Index) const = 0;
    // The site's window (made if it has none yet), and its background drawn into DC over R, in
    // the site's client coordinates.
    virtual HWND GetSiteHandle() = 0;
    virtual void FillBackground(HDC DC, const TRect& R) = 0;
};

using IcbControl = IcbItemControlView;
using IcbBar = IcbBarWindowView;
using IcbDockSite = IcbDockSiteView;

// ---------------------------------------------------------------------------------------------
// The base painter. Its operations, in table order, with their base behaviour.

class TcbBarItemControlPainter {
public:
    TcbBarItemControlPainter() = default;
    TcbBarItemControlPainter(const TcbBarItemControlPainter&) = delete;
    TcbBarItemControlPainter& operator=(const TcbBarItemControlPainter&) = delete;
    virtual ~TcbBarItemControlPainter() = default;

    virtual void DrawGlyphBorder(const IcbControl* Control, HDC DC, HBRUSH Brush, const TRect& R, TcbPaintFlags State,
                                 bool FillBox) const;
    virtual void DrawCheckMark(const IcbControl* Control, HDC DC, int32_t X, int32_t Y, int32_t Scale) const;
    virtual void DrawCheckMarkBox(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush,
                                  TcbPaintFlags State) const;
    virtual void DrawGlyphImage(const IcbControl* Control, HDC DC, const TRect& ItemRect, const TRect& GlyphRect,
                                HBRUSH Brush, TcbPaintFlags State) const;
    virtual void DrawCenteredArrow(HDC DC, const TRect& R, bool Vertical, bool Enabled, bool Selected) const;
    virtual void DrawSizedArrow(HDC DC, const TRect& R, bool Vertical, bool Enabled, bool Selected,
                                int32_t Size) const;
    virtual void GetEditColors(const IcbControl* Control, TcbPaintFlags State, TColor& TextColor,
                               TColor& BkColor) const;
    virtual TColor GetDisabledImageColor(const TcbBarManager* Manager) const;
    virtual void GetCaptionColors(const IcbControl* Control, TcbPaintFlags State, TColor& Color1,
                                  TColor& Color2) const;
    virtual bool UseSelectedGlyphBackground() const;
    virtual bool FillSubMenuItemAlways() const;
    virtual bool IsThemedControlClass(const IcbControl* Control) const;
    virtual bool IsSmallMarkRect(const TRect& R) const;
    virtual TColor GetFloatingCaptionColor(bool Active) const;
    virtual TColor GetFloatingCaptionTextColor(const IcbBar* Bar) const;
    // Selected: the mark or button the arrow sits on is hot or pressed.
    virtual TColor GetMarkArrowColor(const IcbBar* Bar, bool Selected) const;
    virtual void DrawSizeGripGlyph(const IcbBar* Bar, HDC DC, const TRect& R) const;
    virtual void DrawMarkArrow(const IcbBar* Bar, HDC DC, const TRect& R) const;
    virtual void DrawBarMarkChevron(const IcbBar* Bar, HDC DC, int32_t Position, const TRect& MarkRect) const;
    virtual void DrawBarMarkBackground(const IcbBar* Bar, HDC DC, HBRUSH Brush, const TRect& MarkRect) const;
    virtual void DrawBarMarkSymbols(const IcbBar* Bar, HDC DC, const TRect& MarkRect) const;
    virtual void AdjustCaptionTextRect(const IcbBar* Bar, const TRect& MarkRect, TRect& R) const;
    virtual void DrawComboArrow(HDC DC, const TRect& R, TColor Color) const;
    virtual void DrawSubMenuScrollArrow(const IcbBar* Menu, HDC DC, const TRect& R, bool Up) const;
    virtual void DrawSubMenuExpandButton(const IcbBar* Menu, HDC DC, const TRect& R, TcbButtonState State) const;
    virtual void AdjustEditValueRect(const IcbControl* Control, TRect& R) const;
    virtual void DrawTextItemCaption(HDC DC, const TRect& R, const std::string& Caption) const;
    virtual void DrawItemBackground(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush,
                                    bool Opaque) const;
    virtual void DrawFramedBackground(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush,
                                      bool Opaque) const;
    virtual void DrawEtchedLine(HDC DC, const TRect& R) const;
    virtual void DrawGlyph(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State,
                           TcbDrawKind Kind) const;
    virtual void DrawGlyphCore(const IcbControl* Control, HDC DC, const TRect& ItemRect, const TRect& GlyphRect,
                               TcbPaintFlags State) const;
    virtual void DrawMenuItem(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const;
    // Format adds alignment flags (DT_LEFT, DT_CENTER, DT_VCENTER...) to DT_SINGLELINE.
    virtual void DrawCaption(const IcbControl* Control, HDC DC, const TRect& R, bool Clip, bool Rotated,
                             bool Enabled, TcbPaintFlags State, const std::string& Caption, UINT Format) const;
    virtual void DrawLoweredBorder(HDC DC, TRect& R) const;
    virtual void DrawStateEdge(const IcbControl* Control, HDC DC, TRect& R, int32_t Width) const;
    virtual void DrawBoxFrame(const IcbControl* Control, HDC DC, TRect& R, HBRUSH Brush, bool Pressed,
                              bool Selected) const;
    virtual void GetTextColors(const IcbControl* Control, TcbPaintFlags State, TColor& TextColor,
                               HBRUSH& Brush) const;
    virtual HBRUSH GetCheckMarkColor(const IcbControl* Control, TcbPaintFlags State) const;
    virtual int32_t GetDownGlyphOffset() const;
    virtual int32_t GetSelectedGlyphOffset(const IcbControl* Control) const;
    virtual bool ShowDroppedDownState() const;
    virtual int32_t GetDropDownButtonIndent() const;
    virtual int32_t GetCaptionOffsetInMenu(const IcbControl* Control) const;
    virtual int32_t GetDockedBarBorderSize() const;
    virtual int32_t GetFloatingBorderWidth() const;
    virtual int32_t GetFloatingBorderHeight() const;
    virtual int32_t GetGriplessBarIndent() const;
    virtual int32_t GetGripAreaSize() const;
    virtual int32_t GetGripWidth(const IcbBar* Bar) const;
    virtual int32_t GetButtonArrowWidth(const TcbBarManager* Manager) const;
    virtual int32_t GetLargeButtonArrowWidth(const TcbBarManager* Manager) const;
    virtual int32_t GetSubMenuGlyphColumnIndent() const;
    virtual void DrawDockControlBackground(const IcbDockSite* Site, HDC DC, const TRect& R,
                                           const TRect& OriginRect, HBRUSH Brush) const;
    virtual bool IsItemBackgroundTransparent() const;
    virtual bool IsBarBackgroundShared() const;
    virtual HBRUSH GetBarBkBrush(const TcbBarManager* Manager) const;
    virtual void DrawParentBarBackground(const IcbBar* Bar, HDC DC, const TRect& R) const;
    virtual void DrawBarBackground(const IcbBar* Bar, HDC DC, const TRect& R, HBRUSH Brush, TColor Color) const;
    virtual void DrawParentItemEdge(const IcbBar* Menu, HDC DC, HBRUSH Brush) const;
    virtual bool IsFloatingBarFlat(const IcbBar* Bar) const;
    virtual HBRUSH GetBarBrush(const TcbBarManager* Manager) const;
    virtual HBRUSH GetToolbarBrush(const IcbBar* Bar) const;
    virtual HBRUSH GetCheckedItemBrush(const TcbBarManager* Manager) const;
    virtual HBRUSH GetItemBrush(const TcbBarManager* Manager) const;
    virtual HBRUSH GetSelectedItemBrush(const TcbBarManager* Manager) const;
    virtual int32_t GetComboButtonWidth(int32_t Size) const;
    virtual int32_t GetEditExtraHeight() const;
    virtual int32_t GetEditHeight(int32_t TextHeight) const;
    virtual bool IsCloseButtonHotTracked() const;
    virtual bool IsBarMarkShown() const;
    virtual int32_t GetSeparatorOffset() const;
    virtual int32_t GetSeparatorSize() const;
    virtual TRect GetBarNCBorders(const IcbBar* Bar) const;
    virtual int32_t GetBarNCBorderWidth(const IcbBar* Bar) const;
    virtual TRect GetBarBorderOffsets(const IcbBar* Bar, TcbBarDockingStyle DockingStyle) const;
    virtual int32_t GetFloatingCaptionHeight() const;
    virtual void DrawFloatingCaptionBackground(const IcbBar* Bar, HDC DC, const TRect& R, bool Active) const;
    virtual int32_t GetSmallCaptionHeight() const;
    virtual bool UseThemedFloatingCaption() const;
    virtual TSize GetCloseButtonSize() const;
    // Horizontal: the separator stands in a horizontal line of controls, so its stroke runs
    // vertically (and across a vertical bar when clear).
    virtual void DrawBarSeparator(const IcbBar* Bar, HDC DC, const TRect& R, bool Horizontal) const;
    virtual void DrawFlatCloseButton(const IcbBar* Bar, HDC DC, const TRect& R, TcbButtonState State) const;
    virtual void DrawCloseButton(const IcbBar* Bar, HDC DC, const TRect& R) const;
    virtual void DrawDockedBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const;
    virtual void DrawFloatingBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const;
    virtual void DrawFloatingCaption(const IcbBar* Bar, HDC DC, const TRect& R, const TRect& MarkRect) const;
    virtual void DrawMark(const IcbBar* Bar, HDC DC, const TRect& R) const;
    virtual void DrawBarMark(const IcbBar* Bar, HDC DC, HBRUSH Brush, const TRect& MarkRect) const;
    virtual void DrawMDIButton(const IcbBar* Bar, HDC DC, const TRect& R, TcbMDIButton Button, bool Pressed,
                               bool Enabled) const;
    virtual void DrawBarSizeGrip(const IcbBar* Bar, HDC DC, const TRect& ClientRect) const;
    virtual void DrawSizeGripBackground(const IcbBar* Bar, HDC DC, const TRect& R) const;
    virtual int32_t GetFloatingSideIndent() const;
    virtual TRect GetMarkRect(const IcbBar* Bar) const;
    virtual void CalcMarkRect(const IcbBar* Bar, TRect& R) const;
    virtual void RedrawMark(const IcbBar* Bar) const;
    virtual int32_t GetFloatingTopIndent() const;
    virtual int32_t GetFloatingBottomIndent() const;
    virtual bool UseSystemFloatingHitTest() const;
    virtual bool UseSystemFloatingFrame() const;
    virtual void DrawToolbarBackground(const IcbBar* Bar, HDC DC, const TRect& R, HBRUSH Brush) const;
    virtual TSize GetSizeGripSize() const;
    virtual int32_t GetBarTopIndent(const IcbBar* Bar) const;
    virtual HBRUSH GetQuickControlBrush(const IcbBar* Bar) const;
    // Answers where the entry's caption may start.
    virtual int32_t DrawQuickCustCheckArea(const IcbControl* Control, HDC DC, const TRect& R, bool Checked,
                                           bool Selected) const;
    virtual void DrawQuickCustItemBackground(const IcbControl* Control, HDC DC, bool Selected, const TRect& R1,
                                             const TRect& R2) const;
    virtual bool IsQuickPopupLeftAligned() const;
    virtual int32_t GetButtonHeightIndent() const;
    virtual int32_t GetButtonWidthIndent() const;
    virtual void AdjustGlyphColumnWidth(int32_t& Width) const;
    virtual void AdjustMenuButtonWidth(int32_t& Width) const;
    // ArrowKind 1 is the part of a button whose drop-down menu is open: its own look and a sized
    // arrow. (It is not a draw kind: drop-down parts are drawn on bars only.)
    virtual void DrawDropDownPart(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush,
                                  TcbPaintFlags Flags, int32_t ArrowKind) const;
    virtual bool IsSubMenuAttached() const;
    virtual void ShiftRectWhenDown(const IcbControl* Control, TRect& R) const;
    virtual void ShiftPressedRect(TRect& R) const;
    virtual int32_t GetComboButtonIndent() const;
    virtual void DrawComboButton(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const;
    virtual void GetComboColors(const IcbControl* Control, TcbPaintFlags State, TColor& TextColor,
                                HBRUSH& Brush) const;
    virtual int32_t GetDropDownListBorder() const;
    virtual void DrawDropDownListBorder(HDC DC, const TRect& R) const;
    virtual int32_t GetSubItemArrowWidth(const IcbControl* Control) const;
    virtual int32_t GetSubItemHeight(const IcbControl* Control) const;
    virtual int32_t GetSubItemWidth(const IcbControl* Control) const;
    virtual void DrawSubItem(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State,
                             TcbDrawKind Kind) const;
    virtual int32_t GetSubMenuInnerBorder() const;
    virtual int32_t GetSubMenuBeginGroupSize() const;
    virtual int32_t GetSubMenuBorderWidth() const;
    virtual void CalcSubMenuMetrics(const IcbBar* Menu, HDC DC, TcbSubMenuMetrics& Metrics) const;
    virtual void CalcSubMenuItemsRect(const IcbBar* Menu, TcbSubMenuItemsArea& Area) const;
    virtual TSize CalcSubMenuSize(const IcbBar* Menu) const;
    virtual int32_t GetDetachBandHeight(const IcbBar* Menu) const;
    virtual void DrawSubMenuContent(const IcbBar* Menu, HDC DC) const;
    virtual void DrawSubMenuBackground(const IcbBar* Menu, HDC DC, const TRect& R) const;
    virtual void DrawSubMenuBorder(const IcbBar* Menu, HDC DC, const TRect& WindowRect) const;
    virtual void DrawSubMenuSideBand(const IcbBar* Menu, HDC DC, HBRUSH Brush, const TRect& ClientRect) const;
    virtual void DrawDetachBand(const IcbBar* Menu, HDC DC, const TRect& R) const;
    virtual void DrawSubMenuBeginGroup(const IcbBar* Menu, const IcbControl* Control, HDC DC) const;
    virtual void DrawSubMenuItemRowExtra(const IcbBar* Menu, const IcbControl* Control, HDC DC,
                                         const TRect& R) const;
    virtual bool UseStandardSubMenuLayout() const;
    virtual int32_t CalcExpandMarkSize(int32_t Height) const;
    virtual int32_t GetExpandButtonIndent() const;
    virtual void AdjustDetachBandRect(TRect& R) const;
    virtual void PrepareSubMenuItemRow(const IcbControl* Control, HBRUSH& Brush) const;
    virtual HBRUSH GetSubMenuBrush() const;
    virtual void DrawEditValue(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const;
    virtual void DrawComboListItem(HDC DC, const TRect& R, const std::string& Text, bool Selected) const;
    virtual int32_t CalcEditCaptionWidth(const IcbControl* Control, int32_t CaptionTextWidth) const;
    // Kind is where the box is drawn: a box in a menu row (dkMenu) is framed to stand out of the row.
    virtual void DrawEditBorder(const IcbControl* Control, HDC DC, bool Selected, TcbDrawKind Kind, TRect& R) const;
    virtual void DrawEditCaption(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const;
    virtual void DrawEditText(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const;
    virtual DWORD GetInPlaceEditStyle() const;
    virtual void SetupInPlaceEdit(HWND Edit) const;
    // Changed: the value was changed before editing began; the edit's parent hears of it.
    virtual void InitInPlaceEditSelection(HWND Edit, bool Changed) const;
    virtual void DrawBoxRow(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush,
                            int32_t PressedBox) const;
    virtual TRect GetWindowCaptionRect(const TRect& WindowRect) const;
    virtual void DrawWindowFrame(HWND Wnd, HDC DC, bool Active) const;
    virtual int32_t GetWindowCaptionHeight() const;
    virtual bool UseFlatWindowFrame() const;
    virtual void DrawFramedItem(const IcbControl* Control, HDC DC, const TRect& R, const std::string& Caption,
                                bool Pushed) const;
    virtual TColor GetDefaultBkColor() const;
    virtual void DrawLinedItem(const IcbControl* Control, HDC DC, const TRect& R, const std::string& Caption) const;
    virtual void DrawDoubleBackground(HDC DC, const TRect& R, HBRUSH Brush1, HBRUSH Brush2, int32_t Split) const;
    virtual TColor GetProgressBarColor() const;
    virtual int32_t GetProgressChunkSize() const;
    virtual void DrawProgressBar(HDC DC, const TRect& R, int32_t Position, int32_t Min, int32_t Max) const;
    virtual int32_t GetNoGlyphCaptionIndent(const IcbControl* Control) const;
    virtual int32_t GetFlatContentIndent() const;
    virtual HBRUSH GetShadowBrush() const;
    virtual void DrawCaptionedSeparator(const IcbControl* Control, HDC DC, const TRect& R,
                                        const std::string& Caption) const;
};

using TcbPainterClass = const TcbBarItemControlPainter*;

// The operations the Flat painter adds, and the two the Office11 painter adds after them. Their
// classes carry these declarations unchanged. The frame, fill and clip operations work on a bar
// or menu window (an item control passes its own bar window): the mark and the menu border that
// use them have no item control.
#define CB_FLAT_PAINTER_ADDED_OPERATIONS                                                                          \
    virtual void DrawSelectedFrame(HDC DC, const TRect& R) const;                                                 \
    virtual HBRUSH GetFrameBrush() const;                                                                         \
    virtual void FillWithBarBrush(const IcbBar* Bar, HDC DC, HBRUSH Brush, const TRect& R) const;                 \
    virtual void DrawClippedFrame(const IcbBar* Bar, HDC DC, HBRUSH Brush, const TRect& R) const;                 \
    virtual void DrawFrameRectFlat(HDC DC, const TRect& R, HBRUSH Brush) const;                                   \
    virtual void FillBkRect(const IcbBar* Bar, HDC DC, const TRect& R, HBRUSH Brush, bool Opaque) const;          \
    virtual HBRUSH GetFlatBorderBrush() const;

#define CB_OFFICE11_PAINTER_ADDED_OPERATIONS                                                                      \
    virtual void FillTwoColorRect(const IcbBar* Bar, HDC DC, bool Horizontal, const TRect& R) const;              \
    virtual int32_t GetOffice11BorderExtra() const;

// The base painter's instance (the interface's defaults; no style maps to it).
TcbPainterClass BasePainter();

// The style-to-painter table. Each painter enters its styles at framework start; a style no
// painter has entered answers the Enhanced painter's entry (the base painter before that).
void RegisterStylePainter(TcbBarManagerStyle Style, TcbPainterClass Painter);
TcbPainterClass StylePainter(TcbBarManagerStyle Style);
// The painter of bmsXP while themes are in use, entered by the XP painter; else StylePainter.
void RegisterThemedXPPainter(TcbPainterClass Painter);
TcbPainterClass ThemedXPPainter();
// Empties the table (framework end).
void ResetStylePainters();
