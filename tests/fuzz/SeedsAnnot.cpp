// Annotation texts made by our own writer (each kind, fonts with every style, strings holding
// brackets, the empty text, the one-rectangle example) and the hostile texts the reader must
// stop at: lengths past the end, numbers past their bounds, overlong tokens, cut texts.

#include "imagelib/AnnotText.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/Seeds.h"

namespace qmfuzz {
namespace {

std::vector<uint8_t> Bytes(std::string_view Text) { return std::vector<uint8_t>(Text.begin(), Text.end()); }

TAnnotationRecord Mark(int32_t Kind, int32_t Shift)
{
    TAnnotationRecord R;
    R.Kind = Kind;
    R.MarkRect = {-5 + Shift, 10, 200 + Shift, 120};
    R.Visible = Shift % 2 == 0;
    R.Color = 0x00FFFF + Shift;
    R.Text = Kind == kTextKind ? "Text" : "Stick Note (with) ( brackets )\r\n\ttab";
    R.Font = {0x000080, "Arial", 12 + Shift, Shift % 2 == 1, Shift % 3 == 1, Shift % 5 == 1, Shift % 7 == 1};
    R.Highlight = Shift % 2 == 1;
    R.Filled = Shift % 3 != 1;
    R.PenWidth = Shift;
    R.LineWidth = 4 + Shift;
    R.Direction = static_cast<uint8_t>(Shift % 5);
    return R;
}

} // namespace

void AddAnnotationSeeds(std::vector<TSeed>& Out)
{
    auto Add = [&Out](const std::string& Name, std::string_view Text) { Out.push_back({Name, Bytes(Text)}); };
    Add("empty.txt", "");
    Add("example.txt", "(1)(2)(10)(20)(110)(70)(1)(255)(0)(1)(2)");
    std::vector<TAnnotationRecord> All;
    for (int32_t Kind = kStickNoteKind; Kind <= kTextKind; ++Kind)
        for (int32_t Shift = 0; Shift < 8; ++Shift) {
            const TAnnotationRecord R = Mark(Kind, Shift);
            Add(Format("kind%d_%d.txt", Kind, Shift), WriteAnnotationText({R}));
            All.push_back(R);
        }
    Add("mixed.txt", WriteAnnotationText(All));
    TAnnotationRecord Styled = Mark(kStickNoteKind, 1);
    Styled.Font = {0xFFFFFF, "Times New Roman", 1000, true, true, true, true};
    Styled.MarkRect = {-1000000, -1000000, 1000000, 1000000};
    Add("every_style.txt", WriteAnnotationText({Styled}));

    const std::string Note = WriteAnnotationText({Mark(kStickNoteKind, 0)}).substr(3);
    Add("cut_token.txt", "(1)(2");
    Add("no_bracket.txt", "x");
    Add("not_a_number.txt", "(1)(2)(a)");
    Add("unknown_kind.txt", "(2)(7)" + Note);
    Add("cut_second_mark.txt", "(2)" + Note + Note.substr(0, Note.size() / 2));
    Add("length_past_end.txt", "(1)(1)(1)(2)(3)(4)(1)(0)(1000)0123456789");
    Add("length_negative.txt", "(1)(1)(1)(2)(3)(4)(1)(0)(-1)0123456789");
    Add("count_1001.txt", "(1001)");
    Add("coordinate.txt", "(1)(2)(1000001)(0)(1)(1)(1)(0)(0)(0)(1)");
    Add("pen_width.txt", "(1)(2)(0)(0)(1)(1)(1)(0)(0)(0)(5000)");
    Add("long_token.txt", "(0000000000001)");
    Add("font_size_0.txt", "(1)(4)(0)(0)(1)(1)(1)(0)(1)x(0)(5)Arial(0)(0)(0)(0)(0)");
    Add("count_1000_few.txt", "(1000)" + Note + Note);
}

} // namespace qmfuzz
