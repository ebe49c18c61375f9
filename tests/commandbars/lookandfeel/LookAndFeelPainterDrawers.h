#pragma once
// Every drawer of the look-and-feel painters, each called once with telling arguments into a
// cell: the list the GDI balance test repeats and the sheet a person looks at shows.

#include <string>
#include <vector>

#include "commandbars/lookandfeel/uiLookAndFeelPainters.h"

namespace CommandBarsTest {

struct TPainterDrawer {
    const char* Name;
    void (*Draw)(TuiLookAndFeelPainterClass P, TuiCanvas* C, const TRect& R);
};

inline TFont* DrawerFont()
{
    static TFont Font;
    return &Font;
}

inline TRect Inset(const TRect& R, int32_t By)
{
    return Rect(R.left + By, R.top + By, R.right - By, R.bottom - By);
}

// The left half and the right half of R.
inline TRect LeftHalf(const TRect& R)
{
    return Rect(R.left, R.top, (R.left + R.right) / 2 - 1, R.bottom);
}
inline TRect RightHalf(const TRect& R)
{
    return Rect((R.left + R.right) / 2 + 1, R.top, R.right, R.bottom);
}

inline const std::vector<TPainterDrawer>& PainterDrawers()
{
    using P_ = TuiLookAndFeelPainterClass;
    static const std::vector<TPainterDrawer> kDrawers = {
        {"FilledPolygon", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawFilledPolygon(C, Inset(R, 4), 5, clTeal); }},
        {"Cell",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawCell(C, R, "Cell text", DrawerFont(), P->WindowTextColor(), P->WindowColor(), taCenter, uvaCenter,
                         false, true, {});
         }},
        {"Arrow", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawArrow(C, R, adRight, P->TextColor()); }},
        {"ArrowButton",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawArrowButton(C, LeftHalf(R), adLeft, ubsNormal, true);
             P->DrawArrowButton(C, RightHalf(R), adRight, ubsHot, false);
         }},
        {"ButtonBackground",
         [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawButtonBackground(C, Inset(R, 2), ubsNormal); }},
        {"PressedArrow",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             const TRect B = Rect(R.left + 4, R.top + 2, R.left + 24, R.bottom - 2);
             P->DrawButtonBackground(C, B, ubsPressed);
             P->DrawPressedArrow(C, B, adDown, ubsPressed);
         }},
        {"Border", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawBorder(C, Inset(R, 3)); }},
        {"ButtonFrame", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawButtonFrame(C, Inset(R, 3), ubsHot); }},
        {"Button", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawButton(C, Inset(R, 1), "OK", ubsNormal); }},
        {"DropDownButton",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawDropDownButton(C, Rect(R.right - 17, R.top + 2, R.right - 1, R.bottom - 2), ubsNormal);
         }},
        {"SpinButtons",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawSpinButtons(C, Rect(R.left + 20, R.top + 1, R.left + 36, R.bottom - 1), ubsHot, ubsPressed);
         }},
        {"CloseButton",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawCloseButton(C, Rect(R.left + 16, R.top + 2, R.left + 36, R.bottom - 2), ubsNormal);
         }},
        {"EllipsisButton",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawEllipsisButton(C, Rect(R.left + 14, R.top + 2, R.left + 36, R.bottom - 2), ubsHot);
         }},
        {"CheckMark", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawCheckMark(C, R, P->TextColor()); }},
        {"CheckBox",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawCheckBox(C, LeftHalf(R), ubsNormal, true);
             P->DrawCheckBox(C, RightHalf(R), ubsHot, false);
         }},
        {"CheckButton",
         [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawCheckButton(C, Inset(R, 2), ubsNormal, true); }},
        {"RadioButton",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawRadioButton(C, R.left + 6, R.top + 6, ubsNormal, true, 0, clDefault);
             P->DrawRadioButton(C, R.left + 30, R.top + 6, ubsHot, false, 0, P->FaceColor());
         }},
        {"EditBackground", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawEditBackground(C, Inset(R, 3), 0); }},
        {"EditBorder",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawEditBackground(C, Inset(R, 3), 0);
             P->DrawEditBorder(C, Inset(R, 3), 0, false);
         }},
        {"Header",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawHeader(C, Inset(R, 2), "Name", DrawerFont(), taLeftJustify, ubsNormal);
         }},
        {"HeaderBorder",
         [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawHeaderBorder(C, Inset(R, 3), uiBorderAll, ubsPressed); }},
        {"HeaderSeparator", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawHeaderSeparator(C, R); }},
        {"SortMark",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawSortMark(C, LeftHalf(R), true);
             P->DrawSortMark(C, RightHalf(R), false);
         }},
        {"FooterContent", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawFooterContent(C, Inset(R, 2)); }},
        {"FooterCell",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawFooterCell(C, Inset(R, 2), "Sum 12", DrawerFont(), taRightJustify);
         }},
        {"FooterBorder", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawFooterBorder(C, Inset(R, 3)); }},
        {"Frame", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawFrame(C, Inset(R, 3), clNavy, uiBorderAll); }},
        {"GroupBox",
         [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawGroupBox(C, Inset(R, 1), "Group", DrawerFont()); }},
        {"GroupBoxCaption",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawGroupBoxCaption(C, Inset(R, 4), "Caption", DrawerFont());
         }},
        {"Panel", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawPanel(C, Inset(R, 2), "Panel", DrawerFont()); }},
        {"Splitter",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawSplitter(C, Rect(R.left + 2, R.top + 9, R.right - 2, R.top + 15), true);
         }},
        {"Separator", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawSeparator(C, Inset(R, 4), false); }},
        {"Tab",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawTab(C, Rect(R.left + 1, R.top + 2, R.left + 26, R.bottom), "A", DrawerFont(), true, false);
             P->DrawTab(C, Rect(R.left + 26, R.top + 2, R.right - 1, R.bottom), "B", DrawerFont(), false, true);
         }},
        {"TabBorder", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawTabBorder(C, Inset(R, 3)); }},
        {"FocusFrame", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawFocusFrame(C, Inset(R, 4)); }},
        {"IndicatorImage",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawIndicatorImage(C, LeftHalf(R), ikArrow);
             P->DrawIndicatorImage(C, RightHalf(R), ikEdit);
         }},
        {"IndicatorItem",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawIndicatorItem(C, Rect(R.left + 4, R.top + 2, R.left + 24, R.bottom - 2), ikInsert);
             P->DrawIndicatorItem(C, Rect(R.left + 26, R.top + 2, R.left + 46, R.bottom - 2), ikMultiArrow);
         }},
        {"PlusMinus",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             const int32_t Y = R.top + (R.bottom - R.top - 13) / 2;
             P->DrawPlusMinus(C, Rect(R.left + 6, Y, R.left + 19, Y + 13), P->TextColor(), false);
             P->DrawPlusMinus(C, Rect(R.left + 26, Y, R.left + 39, Y + 13), P->TextColor(), true);
         }},
        {"ExpandButton",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawExpandButton(C, LeftHalf(R), false);
             P->DrawExpandButton(C, RightHalf(R), true);
         }},
        {"SizeGrip", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawSizeGrip(C, Inset(R, 2)); }},
        {"ProgressBar",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawProgressBar(C, Rect(R.left + 2, R.top + 6, R.right - 2, R.bottom - 6), 60, true);
         }},
        {"ProgressBarChunk",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawProgressBarChunk(C, Rect(R.left + 4, R.top + 8, R.left + 28, R.bottom - 8));
         }},
        {"TrackBar", [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawTrackBar(C, R, true); }},
        {"TrackBarThumb",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             P->DrawTrackBarThumb(C, Rect(R.left + 18, R.top + 2, R.left + 30, R.bottom - 2), ubsHot);
         }},
        {"ScrollBarBackground",
         [](P_ P, TuiCanvas* C, const TRect& R) { P->DrawScrollBarBackground(C, Inset(R, 4), true); }},
        {"ScrollBarPart",
         [](P_ P, TuiCanvas* C, const TRect& R) {
             const int32_t T = R.top + 3, B = R.bottom - 3, W = B - T;
             P->DrawScrollBarPart(C, Rect(R.left + 1, T, R.left + 1 + W, B), sbpLineUp, ubsNormal, true);
             P->DrawScrollBarPart(C, Rect(R.left + 1 + W, T, R.left + 8 + W, B), sbpPageUp, ubsPressed, true);
             P->DrawScrollBarPart(C, Rect(R.left + 8 + W, T, R.left + 20 + W, B), sbpThumb, ubsHot, true);
             P->DrawScrollBarPart(C, Rect(R.left + 20 + W, T, R.right - 1 - W, B), sbpPageDown, ubsNormal, true);
             P->DrawScrollBarPart(C, Rect(R.right - 1 - W, T, R.right - 1, B), sbpLineDown, ubsDisabled, true);
         }},
    };
    return kDrawers;
}

} // namespace CommandBarsTest
