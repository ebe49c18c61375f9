#pragma once
// The annotation text: every mark laid over a picture, kept as one string (the scroll box's
// Annotations, a TIFF file's first user tag). Portable: depends on platform/rtl only, so it also
// builds natively for the sanitizers and the fuzzer.
//
// The text is a sequence of tokens. An integer is "(" decimal ")"; a Boolean an integer, 1 or 0
// (any non-zero value reads as true); a string its length as an integer, then exactly that many
// characters; a rectangle four integers (left, top, right, bottom); a font its colour, its name
// (a string), its size, then italic, underline, strike-out and bold. The whole text is the
// number of marks, then per mark its kind, the common part (rectangle, visible, colour) and the
// kind's own fields. No marks give "".
//
// The text arrives inside TIFF files from anywhere, so the reader bounds everything it reads:
// lengths, counts and numbers outside the limits below raise "Invalid annotation text", a text
// that ends inside a token "Invalid position in ReadInteger", a token not starting with "("
// "( expected in ReadInteger", and a token that is no decimal number the runtime's
// EConvertError.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Mark kinds as the text numbers them.
constexpr int32_t kStickNoteKind = 1;
constexpr int32_t kRectangleKind = 2;
constexpr int32_t kLineKind = 3;
constexpr int32_t kTextKind = 4;

// What the reader accepts. The property dialog takes the same ranges, and the writer keeps every
// number within them, so that whatever the program writes reads back.
constexpr size_t kMaxAnnotationTextLength = 1048576;
constexpr int32_t kMaxAnnotationMarks = 1000;
constexpr size_t kMaxAnnotationTokenLength = 12;
constexpr int32_t kMaxAnnotationCoordinate = 1000000;
constexpr int32_t kMaxAnnotationPenWidth = 1000;
constexpr int32_t kMaxAnnotationDirection = 255;
constexpr int32_t kMinAnnotationFontSize = 1;
constexpr int32_t kMaxAnnotationFontSize = 1000;

// The reader's own messages.
constexpr const char* kAnnotationPositionError = "Invalid position in ReadInteger";
constexpr const char* kAnnotationBracketError = "( expected in ReadInteger";
constexpr const char* kAnnotationInvalidText = "Invalid annotation text";

struct TAnnotationRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TAnnotationRect&) const = default;
};

struct TAnnotationFont {
    int32_t Color = 0; // 0x00BBGGRR
    std::string Name = "Arial";
    int32_t Size = 12; // points
    bool Italic = false, Underline = false, StrikeOut = false, Bold = false;
    bool operator==(const TAnnotationFont&) const = default;
};

// One mark. Only the fields of its kind are written and read; the others keep these values.
struct TAnnotationRecord {
    int32_t Kind = kRectangleKind;
    TAnnotationRect MarkRect;
    bool Visible = true;
    int32_t Color = 0;
    // Sticky notes and text marks.
    std::string Text;
    TAnnotationFont Font;
    // Rectangles.
    bool Highlight = false;
    bool Filled = false;
    int32_t PenWidth = 0;
    // Lines.
    int32_t LineWidth = 0;
    uint8_t Direction = 0;
    bool operator==(const TAnnotationRecord&) const = default;
};

// The text of Records in their order; records of a kind outside 1..4 are left out. Coordinates,
// pen and line widths and font sizes beyond the reader's ranges are written at the nearest end.
std::string WriteAnnotationText(const std::vector<TAnnotationRecord>& Records);

// Reads Text into Records (emptied first). A mark of a kind outside 1..4 reads nothing more and
// gives no record. On an error Records holds the marks read completely before it (a mark read
// in part gives none) and the error is raised.
void ReadAnnotationText(std::string_view Text, std::vector<TAnnotationRecord>& Records);
