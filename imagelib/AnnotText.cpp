#include "imagelib/AnnotText.h"

#include <algorithm>

#include "platform/rtl/SysUtils.h"

namespace {

// ------------------------------------------------------------------------------- writing

void PutInteger(std::string& Out, int64_t Value)
{
    Out += '(';
    Out += IntToStr(Value);
    Out += ')';
}

void PutBoolean(std::string& Out, bool Value) { PutInteger(Out, Value ? 1 : 0); }

void PutString(std::string& Out, const std::string& Value)
{
    PutInteger(Out, static_cast<int64_t>(Value.size()));
    Out += Value;
}

// A number the reader takes only within Low .. High goes out at the nearer end.
void PutRanged(std::string& Out, int32_t Value, int32_t Low, int32_t High)
{
    PutInteger(Out, std::clamp(Value, Low, High));
}

void PutCoordinate(std::string& Out, int32_t Value)
{
    PutRanged(Out, Value, -kMaxAnnotationCoordinate, kMaxAnnotationCoordinate);
}

void PutFont(std::string& Out, const TAnnotationFont& F)
{
    PutInteger(Out, F.Color);
    PutString(Out, F.Name);
    PutRanged(Out, F.Size, kMinAnnotationFontSize, kMaxAnnotationFontSize);
    PutBoolean(Out, F.Italic);
    PutBoolean(Out, F.Underline);
    PutBoolean(Out, F.StrikeOut);
    PutBoolean(Out, F.Bold);
}

bool KnownKind(int32_t Kind) { return Kind >= kStickNoteKind && Kind <= kTextKind; }

// ------------------------------------------------------------------------------- reading

// The text and the position of the last character read (-1: before the first).
class TAnnotationReader {
public:
    explicit TAnnotationReader(std::string_view Text) : FText(Text) {}

    int32_t Integer()
    {
        ++FPos;
        if (FPos >= Size())
            throw Exception(kAnnotationPositionError);
        if (FText[static_cast<size_t>(FPos)] != '(')
            throw Exception(kAnnotationBracketError);
        const size_t First = static_cast<size_t>(FPos) + 1;
        const size_t Close = FText.find(')', First);
        if (Close == std::string_view::npos)
            throw Exception(kAnnotationPositionError);
        if (Close - First > kMaxAnnotationTokenLength)
            throw Exception(kAnnotationInvalidText);
        FPos = static_cast<int64_t>(Close);
        return StrToInt(FText.substr(First, Close - First));
    }

    int32_t Integer(int32_t Low, int32_t High)
    {
        const int32_t V = Integer();
        if (V < Low || V > High)
            throw Exception(kAnnotationInvalidText);
        return V;
    }

    bool Boolean() { return Integer() != 0; }

    // A length outside what is left would take characters past the end.
    std::string String()
    {
        const int32_t Length = Integer();
        if (Length < 0 || Length > Size() - 1 - FPos)
            throw Exception(kAnnotationPositionError);
        std::string S(FText.substr(static_cast<size_t>(FPos) + 1, static_cast<size_t>(Length)));
        FPos += Length;
        return S;
    }

    TAnnotationRect Rectangle()
    {
        TAnnotationRect R;
        R.Left = Integer(-kMaxAnnotationCoordinate, kMaxAnnotationCoordinate);
        R.Top = Integer(-kMaxAnnotationCoordinate, kMaxAnnotationCoordinate);
        R.Right = Integer(-kMaxAnnotationCoordinate, kMaxAnnotationCoordinate);
        R.Bottom = Integer(-kMaxAnnotationCoordinate, kMaxAnnotationCoordinate);
        return R;
    }

    TAnnotationFont Font()
    {
        TAnnotationFont F;
        F.Color = Integer();
        F.Name = String();
        F.Size = Integer(kMinAnnotationFontSize, kMaxAnnotationFontSize);
        F.Italic = Boolean();
        F.Underline = Boolean();
        F.StrikeOut = Boolean();
        F.Bold = Boolean();
        return F;
    }

private:
    int64_t Size() const { return static_cast<int64_t>(FText.size()); }
    std::string_view FText;
    int64_t FPos = -1;
};

} // namespace

std::string WriteAnnotationText(const std::vector<TAnnotationRecord>& Records)
{
    int64_t Count = 0;
    for (const TAnnotationRecord& R : Records)
        if (KnownKind(R.Kind))
            ++Count;
    std::string Out;
    if (Count == 0)
        return Out;
    PutInteger(Out, Count);
    for (const TAnnotationRecord& R : Records) {
        if (!KnownKind(R.Kind))
            continue;
        PutInteger(Out, R.Kind);
        PutCoordinate(Out, R.MarkRect.Left);
        PutCoordinate(Out, R.MarkRect.Top);
        PutCoordinate(Out, R.MarkRect.Right);
        PutCoordinate(Out, R.MarkRect.Bottom);
        PutBoolean(Out, R.Visible);
        PutInteger(Out, R.Color);
        switch (R.Kind) {
        case kStickNoteKind:
        case kTextKind:
            PutString(Out, R.Text);
            PutFont(Out, R.Font);
            break;
        case kRectangleKind:
            PutBoolean(Out, R.Highlight);
            PutBoolean(Out, R.Filled);
            PutRanged(Out, R.PenWidth, 0, kMaxAnnotationPenWidth);
            break;
        case kLineKind:
            PutRanged(Out, R.LineWidth, 0, kMaxAnnotationPenWidth);
            PutInteger(Out, R.Direction);
            break;
        default:
            break;
        }
    }
    return Out;
}

void ReadAnnotationText(std::string_view Text, std::vector<TAnnotationRecord>& Records)
{
    Records.clear();
    if (Text.empty())
        return;
    if (Text.size() > kMaxAnnotationTextLength)
        throw Exception(kAnnotationInvalidText);
    TAnnotationReader In(Text);
    const int32_t Count = In.Integer(0, kMaxAnnotationMarks);
    for (int32_t I = 0; I < Count; ++I) {
        TAnnotationRecord R;
        R.Kind = In.Integer();
        if (!KnownKind(R.Kind))
            continue;
        R.MarkRect = In.Rectangle();
        R.Visible = In.Boolean();
        R.Color = In.Integer();
        switch (R.Kind) {
        case kStickNoteKind:
        case kTextKind:
            R.Text = In.String();
            R.Font = In.Font();
            break;
        case kRectangleKind:
            R.Highlight = In.Boolean();
            R.Filled = In.Boolean();
            R.PenWidth = In.Integer(0, kMaxAnnotationPenWidth);
            break;
        case kLineKind:
            R.LineWidth = In.Integer(0, kMaxAnnotationPenWidth);
            R.Direction = static_cast<uint8_t>(In.Integer(0, kMaxAnnotationDirection));
            break;
        default:
            break;
        }
        Records.push_back(std::move(R));
    }
}
