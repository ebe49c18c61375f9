#pragma once
// The Flat painter, the style of the program's own windows: flat toolbars lighter than their
// dock with a striped grip, hot items framed by a one-pixel highlight rectangle over a tint,
// white menus with a light glyph column, and begin-group separators as single shadow lines. Its
// colours come from the bar manager's five shared brushes and the system colours.

#include <cstdint>

#include <windows.h>

#include "commandbars/painters/cbPainter.h"

class TcbBarItemControlFlatPainter : public TcbBarItemControlPainter {
public:
    // Glyphs and check marks
    void DrawGlyphBorder(const IcbControl* Control, HDC DC, HBRUSH Brush, const TRect& R, TcbPaintFlags State,
                         bool FillBox) const override;
    void DrawCheckMark(const IcbControl* Control, HDC DC, int32_t X, int32_t Y, int32_t Scale) const override;
    void DrawGlyphImage(const IcbControl* Control, HDC DC, const TRect& ItemRect, const TRect& GlyphRect,
                        HBRUSH Brush, TcbPaintFlags State) const override;
    void GetCaptionColors(const IcbControl* Control, TcbPaintFlags State, TColor& Color1,
                          TColor& Color2) const override;
    TColor GetFloatingCaptionColor(bool Active) const override;
    TColor GetMarkArrowColor(const IcbBar* Bar, bool Selected) const override;
    void DrawBarMarkBackground(const IcbBar* Bar, HDC DC, HBRUSH Brush, const TRect& MarkRect) const override;
    void DrawBarMarkSymbols(const IcbBar* Bar, HDC DC, const TRect& MarkRect) const override;
    void AdjustCaptionTextRect(const IcbBar* Bar, const TRect& MarkRect, TRect& R) const override;
    void AdjustEditValueRect(const IcbControl* Control, TRect& R) const override;
    void DrawMenuItem(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const override;
    void DrawLoweredBorder(HDC DC, TRect& R) const override;
    void DrawStateEdge(const IcbControl* Control, HDC DC, TRect& R, int32_t Width) const override;
    void DrawBoxFrame(const IcbControl* Control, HDC DC, TRect& R, HBRUSH Brush, bool Pressed,
                      bool Selected) const override;
    void GetTextColors(const IcbControl* Control, TcbPaintFlags State, TColor& TextColor,
                       HBRUSH& Brush) const override;
    HBRUSH GetCheckMarkColor(const IcbControl* Control, TcbPaintFlags State) const override;

    // Constants and metrics
    bool ShowDroppedDownState() const override;
    int32_t GetDropDownButtonIndent() const override;
    int32_t GetCaptionOffsetInMenu(const IcbControl* Control) const override;
    int32_t GetDockedBarBorderSize() const override;
    int32_t GetGripAreaSize() const override;
    int32_t GetButtonArrowWidth(const TcbBarManager* Manager) const override;
    int32_t GetLargeButtonArrowWidth(const TcbBarManager* Manager) const override;
    int32_t GetSubMenuGlyphColumnIndent() const override;
    bool IsBarBackgroundShared() const override;
    void DrawParentBarBackground(const IcbBar* Bar, HDC DC, const TRect& R) const override;
    bool IsFloatingBarFlat(const IcbBar* Bar) const override;
    HBRUSH GetBarBrush(const TcbBarManager* Manager) const override;
    HBRUSH GetToolbarBrush(const IcbBar* Bar) const override;
    HBRUSH GetCheckedItemBrush(const TcbBarManager* Manager) const override;
    HBRUSH GetItemBrush(const TcbBarManager* Manager) const override;
    HBRUSH GetSelectedItemBrush(const TcbBarManager* Manager) const override;
    int32_t GetEditExtraHeight() const override;
    bool IsCloseButtonHotTracked() const override;
    bool IsBarMarkShown() const override;
    int32_t GetSeparatorOffset() const override;
    int32_t GetSeparatorSize() const override;

    // Bars: separators, borders, caption buttons and marks
    void DrawBarSeparator(const IcbBar* Bar, HDC DC, const TRect& R, bool Horizontal) const override;
    void DrawFlatCloseButton(const IcbBar* Bar, HDC DC, const TRect& R, TcbButtonState State) const override;
    void DrawCloseButton(const IcbBar* Bar, HDC DC, const TRect& R) const override;
    void DrawDockedBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const override;
    void DrawFloatingBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const override;
    void DrawMark(const IcbBar* Bar, HDC DC, const TRect& R) const override;
    void DrawMDIButton(const IcbBar* Bar, HDC DC, const TRect& R, TcbMDIButton Button, bool Pressed,
                       bool Enabled) const override;
    void CalcMarkRect(const IcbBar* Bar, TRect& R) const override;

    // Quick customization, drop-down parts, edits and combos
    HBRUSH GetQuickControlBrush(const IcbBar* Bar) const override;
    int32_t DrawQuickCustCheckArea(const IcbControl* Control, HDC DC, const TRect& R, bool Checked,
                                   bool Selected) const override;
    void DrawQuickCustItemBackground(const IcbControl* Control, HDC DC, bool Selected, const TRect& R1,
                                     const TRect& R2) const override;
    bool IsQuickPopupLeftAligned() const override;
    void AdjustGlyphColumnWidth(int32_t& Width) const override;
    void AdjustMenuButtonWidth(int32_t& Width) const override;
    void DrawDropDownPart(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush, TcbPaintFlags Flags,
                          int32_t ArrowKind) const override;
    bool IsSubMenuAttached() const override;
    void DrawComboButton(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const override;
    void GetComboColors(const IcbControl* Control, TcbPaintFlags State, TColor& TextColor,
                        HBRUSH& Brush) const override;
    int32_t GetDropDownListBorder() const override;
    void DrawDropDownListBorder(HDC DC, const TRect& R) const override;

    // Sub-items and menus
    int32_t GetSubItemArrowWidth(const IcbControl* Control) const override;
    int32_t GetSubItemHeight(const IcbControl* Control) const override;
    int32_t GetSubItemWidth(const IcbControl* Control) const override;
    void DrawSubItem(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State,
                     TcbDrawKind Kind) const override;
    int32_t GetSubMenuBeginGroupSize() const override;
    int32_t GetSubMenuBorderWidth() const override;
    void CalcSubMenuMetrics(const IcbBar* Menu, HDC DC, TcbSubMenuMetrics& Metrics) const override;
    void CalcSubMenuItemsRect(const IcbBar* Menu, TcbSubMenuItemsArea& Area) const override;
    TSize CalcSubMenuSize(const IcbBar* Menu) const override;
    int32_t GetDetachBandHeight(const IcbBar* Menu) const override;
    void DrawSubMenuContent(const IcbBar* Menu, HDC DC) const override;
    void DrawSubMenuBorder(const IcbBar* Menu, HDC DC, const TRect& WindowRect) const override;
    void DrawSubMenuSideBand(const IcbBar* Menu, HDC DC, HBRUSH Brush, const TRect& ClientRect) const override;
    void DrawDetachBand(const IcbBar* Menu, HDC DC, const TRect& R) const override;
    void DrawSubMenuBeginGroup(const IcbBar* Menu, const IcbControl* Control, HDC DC) const override;
    int32_t CalcExpandMarkSize(int32_t Height) const override;
    void AdjustDetachBandRect(TRect& R) const override;
    void PrepareSubMenuItemRow(const IcbControl* Control, HBRUSH& Brush) const override;
    HBRUSH GetSubMenuBrush() const override;
    void DrawComboListItem(HDC DC, const TRect& R, const std::string& Text, bool Selected) const override;
    int32_t CalcEditCaptionWidth(const IcbControl* Control, int32_t CaptionTextWidth) const override;
    void DrawEditBorder(const IcbControl* Control, HDC DC, bool Selected, TcbDrawKind Kind, TRect& R) const override;
    void DrawEditCaption(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const override;
    void DrawEditText(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const override;

    // The in-place editor, and the item kinds the framework's own items never use
    DWORD GetInPlaceEditStyle() const override;
    void SetupInPlaceEdit(HWND Edit) const override;
    void InitInPlaceEditSelection(HWND Edit, bool Changed) const override;
    void DrawWindowFrame(HWND Wnd, HDC DC, bool Active) const override;
    bool UseFlatWindowFrame() const override;
    void DrawFramedItem(const IcbControl* Control, HDC DC, const TRect& R, const std::string& Caption,
                        bool Pushed) const override;
    void DrawLinedItem(const IcbControl* Control, HDC DC, const TRect& R, const std::string& Caption) const override;
    int32_t GetFlatContentIndent() const override;
    void DrawCaptionedSeparator(const IcbControl* Control, HDC DC, const TRect& R,
                                const std::string& Caption) const override;

    CB_FLAT_PAINTER_ADDED_OPERATIONS

protected:
    // A sub-item on a bar without its background and frame: the glyph, the caption and, except
    // on the main menu bar, the arrow.
    void DrawSubItemContent(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State,
                            TcbDrawKind Kind) const;
};

TcbPainterClass FlatPainter();

// The pen of the Flat check mark over a button face of the given colour: black, or white on a
// black face, when enabled; COLOR_BTNSHADOW when disabled.
COLORREF FlatCheckMarkColor(COLORREF ButtonFace, bool Enabled);

// Enters the Flat painter in the style-to-painter table (framework start).
void cbFlatPainterInit();
