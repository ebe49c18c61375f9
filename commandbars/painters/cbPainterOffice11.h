#pragma once
// The Office11 painter: toolbars filled with a soft two-part gradient on dock sites that run from
// one colour to another, docked toolbars with rounded corners, a dotted grip and a separately
// shaded More Buttons mark, two-line separators, gradient hot and pressed items, and menus with a
// gradient glyph band. Every colour and shared brush comes from the Office11 colour set, which
// follows the Luna theme in use or mixes the system colours. While the manager reports themes in
// use, the size grip, the toolbar background and framed items are the XP painter's.

#include <cstdint>

#include <windows.h>

#include "commandbars/painters/cbPainter.h"
#include "commandbars/painters/cbPainterFlat.h"

class TcbBarItemControlOffice11Painter : public TcbBarItemControlFlatPainter {
public:
    void DrawGlyphBorder(const IcbControl* Control, HDC DC, HBRUSH Brush, const TRect& R, TcbPaintFlags State,
                         bool FillBox) const override;
    void DrawGlyphImage(const IcbControl* Control, HDC DC, const TRect& ItemRect, const TRect& GlyphRect,
                        HBRUSH Brush, TcbPaintFlags State) const override;
    void DrawCenteredArrow(HDC DC, const TRect& R, bool Vertical, bool Enabled, bool Selected) const override;
    void DrawSizedArrow(HDC DC, const TRect& R, bool Vertical, bool Enabled, bool Selected,
                        int32_t Size) const override;
    void GetEditColors(const IcbControl* Control, TcbPaintFlags State, TColor& TextColor,
                       TColor& BkColor) const override;
    TColor GetDisabledImageColor(const TcbBarManager* Manager) const override;
    void GetCaptionColors(const IcbControl* Control, TcbPaintFlags State, TColor& Color1,
                          TColor& Color2) const override;
    bool FillSubMenuItemAlways() const override;
    TColor GetFloatingCaptionColor(bool Active) const override;
    TColor GetFloatingCaptionTextColor(const IcbBar* Bar) const override;
    TColor GetMarkArrowColor(const IcbBar* Bar, bool Selected) const override;
    void DrawBarMarkBackground(const IcbBar* Bar, HDC DC, HBRUSH Brush, const TRect& MarkRect) const override;
    void DrawBarMarkSymbols(const IcbBar* Bar, HDC DC, const TRect& MarkRect) const override;
    void DrawComboArrow(HDC DC, const TRect& R, TColor Color) const override;
    void DrawSubMenuExpandButton(const IcbBar* Menu, HDC DC, const TRect& R, TcbButtonState State) const override;
    void DrawMenuItem(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const override;
    void DrawBoxFrame(const IcbControl* Control, HDC DC, TRect& R, HBRUSH Brush, bool Pressed,
                      bool Selected) const override;
    void GetTextColors(const IcbControl* Control, TcbPaintFlags State, TColor& TextColor,
                       HBRUSH& Brush) const override;
    HBRUSH GetCheckMarkColor(const IcbControl* Control, TcbPaintFlags State) const override;
    int32_t GetDockedBarBorderSize() const override;
    int32_t GetFloatingBorderWidth() const override;
    int32_t GetFloatingBorderHeight() const override;
    int32_t GetGriplessBarIndent() const override;
    void DrawDockControlBackground(const IcbDockSite* Site, HDC DC, const TRect& R, const TRect& OriginRect,
                                   HBRUSH Brush) const override;
    bool IsItemBackgroundTransparent() const override;
    HBRUSH GetBarBkBrush(const TcbBarManager* Manager) const override;
    void DrawParentBarBackground(const IcbBar* Bar, HDC DC, const TRect& R) const override;
    void DrawBarBackground(const IcbBar* Bar, HDC DC, const TRect& R, HBRUSH Brush, TColor Color) const override;
    void DrawParentItemEdge(const IcbBar* Menu, HDC DC, HBRUSH Brush) const override;
    bool IsFloatingBarFlat(const IcbBar* Bar) const override;
    HBRUSH GetBarBrush(const TcbBarManager* Manager) const override;
    HBRUSH GetCheckedItemBrush(const TcbBarManager* Manager) const override;
    HBRUSH GetItemBrush(const TcbBarManager* Manager) const override;
    HBRUSH GetSelectedItemBrush(const TcbBarManager* Manager) const override;
    int32_t GetComboButtonWidth(int32_t Size) const override;
    TRect GetBarNCBorders(const IcbBar* Bar) const override;
    TRect GetBarBorderOffsets(const IcbBar* Bar, TcbBarDockingStyle DockingStyle) const override;
    void DrawBarSeparator(const IcbBar* Bar, HDC DC, const TRect& R, bool Horizontal) const override;
    void DrawFlatCloseButton(const IcbBar* Bar, HDC DC, const TRect& R, TcbButtonState State) const override;
    void DrawDockedBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const override;
    void DrawFloatingBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const override;
    void DrawBarSizeGrip(const IcbBar* Bar, HDC DC, const TRect& ClientRect) const override;
    void DrawSizeGripBackground(const IcbBar* Bar, HDC DC, const TRect& R) const override;
    TRect GetMarkRect(const IcbBar* Bar) const override;
    void RedrawMark(const IcbBar* Bar) const override;
    void DrawToolbarBackground(const IcbBar* Bar, HDC DC, const TRect& R, HBRUSH Brush) const override;
    TSize GetSizeGripSize() const override;
    HBRUSH GetQuickControlBrush(const IcbBar* Bar) const override;
    int32_t DrawQuickCustCheckArea(const IcbControl* Control, HDC DC, const TRect& R, bool Checked,
                                   bool Selected) const override;
    void DrawQuickCustItemBackground(const IcbControl* Control, HDC DC, bool Selected, const TRect& R1,
                                     const TRect& R2) const override;
    void DrawDropDownPart(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush, TcbPaintFlags Flags,
                          int32_t ArrowKind) const override;
    void DrawComboButton(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const override;
    void GetComboColors(const IcbControl* Control, TcbPaintFlags State, TColor& TextColor,
                        HBRUSH& Brush) const override;
    void DrawDropDownListBorder(HDC DC, const TRect& R) const override;
    void DrawSubItem(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State,
                     TcbDrawKind Kind) const override;
    void CalcSubMenuMetrics(const IcbBar* Menu, HDC DC, TcbSubMenuMetrics& Metrics) const override;
    int32_t GetDetachBandHeight(const IcbBar* Menu) const override;
    void DrawSubMenuBackground(const IcbBar* Menu, HDC DC, const TRect& R) const override;
    void DrawSubMenuBeginGroup(const IcbBar* Menu, const IcbControl* Control, HDC DC) const override;
    void DrawSubMenuBorder(const IcbBar* Menu, HDC DC, const TRect& WindowRect) const override;
    void DrawSubMenuSideBand(const IcbBar* Menu, HDC DC, HBRUSH Brush, const TRect& ClientRect) const override;
    void DrawDetachBand(const IcbBar* Menu, HDC DC, const TRect& R) const override;
    void AdjustDetachBandRect(TRect& R) const override;
    HBRUSH GetSubMenuBrush() const override;
    int32_t CalcEditCaptionWidth(const IcbControl* Control, int32_t CaptionTextWidth) const override;
    void DrawEditBorder(const IcbControl* Control, HDC DC, bool Selected, TcbDrawKind Kind, TRect& R) const override;
    void DrawEditCaption(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State) const override;
    void DrawFramedItem(const IcbControl* Control, HDC DC, const TRect& R, const std::string& Caption,
                        bool Pushed) const override;
    TColor GetDefaultBkColor() const override;
    int32_t GetNoGlyphCaptionIndent(const IcbControl* Control) const override;
    HBRUSH GetShadowBrush() const override;

    // The Flat painter's added operations
    void DrawSelectedFrame(HDC DC, const TRect& R) const override;
    HBRUSH GetFrameBrush() const override;
    void DrawFrameRectFlat(HDC DC, const TRect& R, HBRUSH Brush) const override;
    void FillBkRect(const IcbBar* Bar, HDC DC, const TRect& R, HBRUSH Brush, bool Opaque) const override;
    HBRUSH GetFlatBorderBrush() const override;

    CB_OFFICE11_PAINTER_ADDED_OPERATIONS

private:
    // The toolbar gradient over the bar's window rectangle (in the DC's client coordinates),
    // clipped to R.
    void FillBarGradient(const IcbBar* Bar, HDC DC, const TRect& R) const;
    // The toolbar gradient's colour at a position across the bar, in window coordinates.
    TColor BarColorAt(const IcbBar* Bar, int32_t Across) const;
    // What the dock site shows at a window pixel of the bar.
    TColor DockColorAt(const IcbBar* Bar, int32_t X, int32_t Y) const;
    // The dock site's own picture under R (client coordinates of a docked bar window); bars that
    // sit on no site take the base drawing.
    void DrawSiteUnder(const IcbBar* Bar, HDC DC, const TRect& R) const;
    bool UsesXP(const IcbBar* Bar) const;
};

TcbPainterClass Office11Painter();

// How often the painter has filled a dock site's cached background since the program started.
int32_t Office11DockCacheFills();

// Enters the Office11 painter for bmsOffice11 in the style-to-painter table (framework start).
void cbOffice11PainterInit();
