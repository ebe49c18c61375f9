#pragma once
// Annotation records of every kind with the values that test the text format hardest: strings
// holding brackets and line ends, fonts with every style, negative and extreme coordinates,
// white and system colours. Portable: used by the native text tests too.

#include <vector>

#include "imagelib/AnnotText.h"

namespace AnnotTest {

inline TAnnotationRecord StickNote()
{
    TAnnotationRecord R;
    R.Kind = kStickNoteKind;
    R.MarkRect = {-40, -30, 120, 90};
    R.Color = 0xFFFFFF;
    R.Text = "a (note) with ) and ( inside\r\nsecond line";
    R.Font = {0x0000FF, "Times New Roman", 14, true, true, true, true};
    return R;
}

inline std::vector<TAnnotationRecord> MixedMarks()
{
    std::vector<TAnnotationRecord> V;
    V.push_back(StickNote());
    TAnnotationRecord Rect;
    Rect.MarkRect = {10, 20, 110, 70};
    Rect.Color = 255;
    Rect.Filled = true;
    Rect.PenWidth = 2;
    V.push_back(Rect);
    TAnnotationRecord Line;
    Line.Kind = kLineKind;
    Line.MarkRect = {-1000000, 0, 1000000, 5};
    Line.Visible = false;
    Line.Color = 0x800000;
    Line.LineWidth = 1000;
    Line.Direction = 255;
    V.push_back(Line);
    TAnnotationRecord Text;
    Text.Kind = kTextKind;
    Text.MarkRect = {0, 0, 0, 0};
    Text.Color = -16777208; // a system colour
    Text.Text = ")";
    Text.Font = {0xFFFFFF, "Arial", 1000, false, true, false, true};
    V.push_back(Text);
    return V;
}

} // namespace AnnotTest
