#pragma once
// The classic painters: Standard draws 3-D toolbars and menus in the system button colours with
// raised and sunken edges; Enhanced keeps that look with a slimmer border, one grip bar and a
// More Buttons mark drawn as an arrow and chevrons in the button text colour.

#include "commandbars/painters/cbPainter.h"

class TcbBarItemControlStandardPainter : public TcbBarItemControlPainter {
public:
    void DrawGlyphBorder(const IcbControl* Control, HDC DC, HBRUSH Brush, const TRect& R, TcbPaintFlags State,
                         bool FillBox) const override;
    void DrawCheckMark(const IcbControl* Control, HDC DC, int32_t X, int32_t Y, int32_t Scale) const override;
    bool UseSelectedGlyphBackground() const override;
    bool IsSmallMarkRect(const TRect& R) const override;
    void DrawBarMarkChevron(const IcbBar* Bar, HDC DC, int32_t Position, const TRect& MarkRect) const override;
    void DrawBarMarkBackground(const IcbBar* Bar, HDC DC, HBRUSH Brush, const TRect& MarkRect) const override;
    void DrawEtchedLine(HDC DC, const TRect& R) const override;
    void DrawMenuItem(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const override;
    void DrawLoweredBorder(HDC DC, TRect& R) const override;
    void DrawBoxFrame(const IcbControl* Control, HDC DC, TRect& R, HBRUSH Brush, bool Pressed,
                      bool Selected) const override;
    HBRUSH GetCheckMarkColor(const IcbControl* Control, TcbPaintFlags State) const override;
    int32_t GetDownGlyphOffset() const override;
    int32_t GetSelectedGlyphOffset(const IcbControl* Control) const override;
    int32_t GetDropDownButtonIndent() const override;
    int32_t GetDockedBarBorderSize() const override;
    int32_t GetGripAreaSize() const override;
    int32_t GetSubMenuGlyphColumnIndent() const override;
    void DrawCloseButton(const IcbBar* Bar, HDC DC, const TRect& R) const override;
    void DrawDockedBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const override;
    void DrawFloatingBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const override;
    void DrawMDIButton(const IcbBar* Bar, HDC DC, const TRect& R, TcbMDIButton Button, bool Pressed,
                       bool Enabled) const override;
    int32_t GetFloatingSideIndent() const override;
    void CalcMarkRect(const IcbBar* Bar, TRect& R) const override;
    int32_t GetFloatingTopIndent() const override;
    int32_t GetFloatingBottomIndent() const override;
    bool UseSystemFloatingHitTest() const override;
    bool UseSystemFloatingFrame() const override;
    void DrawDropDownPart(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush, TcbPaintFlags Flags,
                          int32_t ArrowKind) const override;
    void ShiftRectWhenDown(const IcbControl* Control, TRect& R) const override;
    void ShiftPressedRect(TRect& R) const override;
    void DrawComboButton(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const override;
    int32_t GetDropDownListBorder() const override;
    void DrawDropDownListBorder(HDC DC, const TRect& R) const override;
    void DrawSubMenuItemRowExtra(const IcbBar* Menu, const IcbControl* Control, HDC DC,
                                 const TRect& R) const override;
    bool UseStandardSubMenuLayout() const override;
    int32_t GetExpandButtonIndent() const override;
    void SetupInPlaceEdit(HWND Edit) const override;
};

class TcbBarItemControlEnhancedPainter : public TcbBarItemControlStandardPainter {
public:
    void DrawBarMarkChevron(const IcbBar* Bar, HDC DC, int32_t Position, const TRect& MarkRect) const override;
    void DrawBarMarkBackground(const IcbBar* Bar, HDC DC, HBRUSH Brush, const TRect& MarkRect) const override;
    void DrawBarMarkSymbols(const IcbBar* Bar, HDC DC, const TRect& MarkRect) const override;
    int32_t GetDockedBarBorderSize() const override;
    int32_t GetGripAreaSize() const override;
    int32_t GetSubMenuGlyphColumnIndent() const override;
    bool IsBarMarkShown() const override;
    void DrawDockedBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const override;
    void CalcMarkRect(const IcbBar* Bar, TRect& R) const override;
};

TcbPainterClass StandardPainter();
TcbPainterClass EnhancedPainter();

// Enters both painters in the style-to-painter table (framework start).
void cbStandardPaintersInit();
