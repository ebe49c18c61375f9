#pragma once
// The XP painter: bars drawn through the visual styles the system has on. Buttons, split
// buttons, separators, grips, the More Buttons mark, combo buttons, edit frames, size grips,
// caption and MDI buttons are theme parts; dock sites and toolbar windows show a cached themed
// background; menus keep flat system colours. A few operations are the Flat and Standard
// styles' own, called on their instances so that their sister calls stay in those styles.
//
// Every theme handle comes from the theme cache (OpenThemeClass). A class that does not open
// leaves its metrics at 0 and its parts undrawn; the manager holds this painter only while
// themes are in use.

#include "commandbars/painters/cbPainter.h"

class TcbBarItemControlXPPainter : public TcbBarItemControlPainter {
public:
    void DrawGlyphBorder(const IcbControl* Control, HDC DC, HBRUSH Brush, const TRect& R, TcbPaintFlags State,
                         bool FillBox) const override;
    void DrawCheckMark(const IcbControl* Control, HDC DC, int32_t X, int32_t Y, int32_t Scale) const override;
    TColor GetDisabledImageColor(const TcbBarManager* Manager) const override;
    bool IsThemedControlClass(const IcbControl* Control) const override;
    void DrawSizeGripGlyph(const IcbBar* Bar, HDC DC, const TRect& R) const override;
    void DrawBarMarkBackground(const IcbBar* Bar, HDC DC, HBRUSH Brush, const TRect& MarkRect) const override;
    void DrawBarMarkSymbols(const IcbBar* Bar, HDC DC, const TRect& MarkRect) const override;
    void AdjustCaptionTextRect(const IcbBar* Bar, const TRect& MarkRect, TRect& R) const override;
    void AdjustEditValueRect(const IcbControl* Control, TRect& R) const override;
    void DrawMenuItem(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const override;
    void DrawLoweredBorder(HDC DC, TRect& R) const override;
    HBRUSH GetCheckMarkColor(const IcbControl* Control, TcbPaintFlags State) const override;
    int32_t GetDownGlyphOffset() const override;
    int32_t GetSelectedGlyphOffset(const IcbControl* Control) const override;
    int32_t GetDockedBarBorderSize() const override;
    int32_t GetGripAreaSize() const override;
    int32_t GetGripWidth(const IcbBar* Bar) const override;
    int32_t GetButtonArrowWidth(const TcbBarManager* Manager) const override;
    int32_t GetLargeButtonArrowWidth(const TcbBarManager* Manager) const override;
    void DrawDockControlBackground(const IcbDockSite* Site, HDC DC, const TRect& R, const TRect& OriginRect,
                                   HBRUSH Brush) const override;
    bool IsItemBackgroundTransparent() const override;
    bool IsFloatingBarFlat(const IcbBar* Bar) const override;
    HBRUSH GetBarBrush(const TcbBarManager* Manager) const override;
    int32_t GetComboButtonWidth(int32_t Size) const override;
    int32_t GetEditExtraHeight() const override;
    bool IsCloseButtonHotTracked() const override;
    bool IsBarMarkShown() const override;
    int32_t GetSeparatorOffset() const override;
    int32_t GetSeparatorSize() const override;
    int32_t GetBarNCBorderWidth(const IcbBar* Bar) const override;
    void DrawFloatingCaptionBackground(const IcbBar* Bar, HDC DC, const TRect& R, bool Active) const override;
    bool UseThemedFloatingCaption() const override;
    TSize GetCloseButtonSize() const override;
    void DrawBarSeparator(const IcbBar* Bar, HDC DC, const TRect& R, bool Horizontal) const override;
    void DrawCloseButton(const IcbBar* Bar, HDC DC, const TRect& R) const override;
    void DrawDockedBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const override;
    void DrawFloatingBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const override;
    void DrawMDIButton(const IcbBar* Bar, HDC DC, const TRect& R, TcbMDIButton Button, bool Pressed,
                       bool Enabled) const override;
    void CalcMarkRect(const IcbBar* Bar, TRect& R) const override;
    void DrawToolbarBackground(const IcbBar* Bar, HDC DC, const TRect& R, HBRUSH Brush) const override;
    TSize GetSizeGripSize() const override;
    bool IsQuickPopupLeftAligned() const override;
    int32_t GetButtonHeightIndent() const override;
    int32_t GetButtonWidthIndent() const override;
    void AdjustGlyphColumnWidth(int32_t& Width) const override;
    void DrawDropDownPart(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush, TcbPaintFlags Flags,
                          int32_t ArrowKind) const override;
    void ShiftRectWhenDown(const IcbControl* Control, TRect& R) const override;
    void ShiftPressedRect(TRect& R) const override;
    int32_t GetComboButtonIndent() const override;
    void DrawComboButton(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const override;
    int32_t GetDropDownListBorder() const override;
    void DrawDropDownListBorder(HDC DC, const TRect& R) const override;
    void DrawSubItem(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State,
                     TcbDrawKind Kind) const override;
    int32_t GetSubMenuInnerBorder() const override;
    int32_t GetSubMenuBeginGroupSize() const override;
    int32_t GetSubMenuBorderWidth() const override;
    void CalcSubMenuItemsRect(const IcbBar* Menu, TcbSubMenuItemsArea& Area) const override;
    TSize CalcSubMenuSize(const IcbBar* Menu) const override;
    int32_t GetDetachBandHeight(const IcbBar* Menu) const override;
    void DrawSubMenuBorder(const IcbBar* Menu, HDC DC, const TRect& WindowRect) const override;
    void DrawSubMenuSideBand(const IcbBar* Menu, HDC DC, HBRUSH Brush, const TRect& ClientRect) const override;
    void DrawSubMenuBeginGroup(const IcbBar* Menu, const IcbControl* Control, HDC DC) const override;
    void AdjustDetachBandRect(TRect& R) const override;
    void PrepareSubMenuItemRow(const IcbControl* Control, HBRUSH& Brush) const override;
    HBRUSH GetSubMenuBrush() const override;
    void DrawComboListItem(HDC DC, const TRect& R, const std::string& Text, bool Selected) const override;
    int32_t CalcEditCaptionWidth(const IcbControl* Control, int32_t CaptionTextWidth) const override;
    void DrawEditBorder(const IcbControl* Control, HDC DC, bool Selected, TcbDrawKind Kind, TRect& R) const override;
    void DrawEditCaption(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const override;
    void DrawEditText(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const override;
    DWORD GetInPlaceEditStyle() const override;
    void SetupInPlaceEdit(HWND Edit) const override;
    void InitInPlaceEditSelection(HWND Edit, bool Changed) const override;
    void DrawBoxRow(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush,
                    int32_t PressedBox) const override;
    void DrawWindowFrame(HWND Wnd, HDC DC, bool Active) const override;
    int32_t GetWindowCaptionHeight() const override;
    bool UseFlatWindowFrame() const override;
    void DrawFramedItem(const IcbControl* Control, HDC DC, const TRect& R, const std::string& Caption,
                        bool Pushed) const override;
    void DrawLinedItem(const IcbControl* Control, HDC DC, const TRect& R, const std::string& Caption) const override;
    void DrawDoubleBackground(HDC DC, const TRect& R, HBRUSH Brush1, HBRUSH Brush2, int32_t Split) const override;
    TColor GetProgressBarColor() const override;
    int32_t GetProgressChunkSize() const override;
    void DrawProgressBar(HDC DC, const TRect& R, int32_t Position, int32_t Min, int32_t Max) const override;
};

TcbPainterClass XPPainter();

// Enters the painter as bmsXP's while themes are in use (framework start).
void cbXPPainterInit();
