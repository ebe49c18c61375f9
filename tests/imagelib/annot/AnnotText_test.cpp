// The annotation text's writer and reader: the exact token layout, round trips of every kind,
// the reading errors and the bounds on hostile texts (natively under the sanitizers too).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imagelib/AnnotText.h"
#include "platform/rtl/SysUtils.h"
#include "tests/imagelib/annot/AnnotSamples.h"

using AnnotTest::MixedMarks;

namespace {

struct TReadResult {
    std::vector<TAnnotationRecord> Records;
    std::string ErrorClass; // empty when the text read without error
    std::string Error;
};

TReadResult Read(std::string_view Text)
{
    TReadResult R;
    try {
        ReadAnnotationText(Text, R.Records);
    } catch (const Exception& E) {
        R.ErrorClass = E.ClassName();
        R.Error = E.Message();
    }
    return R;
}

// A sticky note's fields after its kind, as the writer puts them.
const std::string kNoteFields = "(1)(2)(3)(4)(1)(65535)(4)note(0)(5)Arial(12)(0)(0)(0)(0)";

} // namespace

TEST(AnnotationText, OneRectangleHasItsExactTextAndNoMarksGiveNothing)
{
    TAnnotationRecord R;
    R.MarkRect = {10, 20, 110, 70};
    R.Color = 255;
    R.Highlight = false;
    R.Filled = true;
    R.PenWidth = 2;
    EXPECT_EQ(WriteAnnotationText({R}), "(1)(2)(10)(20)(110)(70)(1)(255)(0)(1)(2)");
    EXPECT_EQ(WriteAnnotationText({}), "");
    TReadResult Empty = Read("");
    EXPECT_TRUE(Empty.Records.empty());
    EXPECT_EQ(Empty.Error, "");
    // A count of 0 reads as no marks; any non-zero Boolean reads as true.
    EXPECT_TRUE(Read("(0)").Records.empty());
    TReadResult Loose = Read("(1)(2)(10)(20)(110)(70)(7)(255)(-3)(1)(2)");
    ASSERT_EQ(Loose.Records.size(), 1u);
    EXPECT_TRUE(Loose.Records[0].Visible);
    EXPECT_TRUE(Loose.Records[0].Highlight);
}

TEST(AnnotationText, EveryKindSurvivesARoundTripByteForByte)
{
    const std::string Text = WriteAnnotationText(MixedMarks());
    TReadResult R = Read(Text);
    ASSERT_EQ(R.Error, "");
    EXPECT_EQ(R.Records, MixedMarks());
    EXPECT_EQ(WriteAnnotationText(R.Records), Text);
    // The string's length governs: its brackets are text.
    EXPECT_NE(Text.find("(41)a (note) with ) and ( inside"), std::string::npos);
    // Records of an unknown kind are not written, and not counted.
    std::vector<TAnnotationRecord> WithUnknown = MixedMarks();
    TAnnotationRecord Unknown;
    Unknown.Kind = 9;
    WithUnknown.insert(WithUnknown.begin() + 1, Unknown);
    EXPECT_EQ(WriteAnnotationText(WithUnknown), Text);
}

TEST(AnnotationText, ReadingErrorsCarryTheirMessages)
{
    EXPECT_EQ(Read("(1)(2").Error, kAnnotationPositionError);
    EXPECT_EQ(Read("(1").Error, kAnnotationPositionError);
    EXPECT_EQ(Read("x").Error, kAnnotationBracketError);
    EXPECT_EQ(Read("(1)x(2)").Error, kAnnotationBracketError);
    EXPECT_EQ(Read("(1)(2)(a)").ErrorClass, "EConvertError");
    EXPECT_EQ(Read("(1)(2)()").ErrorClass, "EConvertError");
    EXPECT_EQ(Read("(99999999999)").ErrorClass, "EConvertError"); // past 32 bits
}

TEST(AnnotationText, AnUnknownKindReadsNothingMoreAndTheNextMarkIsRead)
{
    TReadResult R = Read("(2)(7)(1)" + kNoteFields);
    ASSERT_EQ(R.Error, "");
    ASSERT_EQ(R.Records.size(), 1u);
    EXPECT_EQ(R.Records[0].Kind, kStickNoteKind);
    EXPECT_EQ(R.Records[0].Text, "note");
    EXPECT_EQ(R.Records[0].MarkRect, (TAnnotationRect{1, 2, 3, 4}));
}

TEST(AnnotationText, MarksReadBeforeAnErrorAreHandedOverAndAHalfReadOneIsNot)
{
    const std::string Full = "(2)(1)" + kNoteFields + "(1)" + kNoteFields;
    for (size_t Cut = 6 + kNoteFields.size() + 1; Cut < Full.size(); ++Cut) {
        SCOPED_TRACE(Cut);
        TReadResult R = Read(std::string_view(Full).substr(0, Cut));
        EXPECT_EQ(R.Error, kAnnotationPositionError);
        ASSERT_EQ(R.Records.size(), 1u);
        EXPECT_EQ(R.Records[0].Text, "note");
    }
    EXPECT_EQ(Read(Full).Records.size(), 2u);
}

TEST(AnnotationText, HostileTextsStopAtTheirBounds)
{
    // String lengths that reach past the end, or go backwards.
    EXPECT_EQ(Read("(1)(1)(1)(2)(3)(4)(1)(0)(1000)0123456789").Error, kAnnotationPositionError);
    EXPECT_EQ(Read("(1)(1)(1)(2)(3)(4)(1)(0)(-1)0123456789").Error, kAnnotationPositionError);
    EXPECT_EQ(Read("(1)(1)(1)(2)(3)(4)(1)(0)(10)0123456789").Error, kAnnotationPositionError); // no font after it
    // Numbers out of their ranges.
    EXPECT_EQ(Read("(1001)").Error, kAnnotationInvalidText);
    EXPECT_EQ(Read("(-1)").Error, kAnnotationInvalidText);
    EXPECT_EQ(Read("(1)(2)(1000001)(0)(1)(1)(1)(0)(0)(0)(1)").Error, kAnnotationInvalidText);
    EXPECT_EQ(Read("(1)(2)(0)(-1000001)(1)(1)(1)(0)(0)(0)(1)").Error, kAnnotationInvalidText);
    EXPECT_EQ(Read("(1)(2)(0)(0)(1)(1)(1)(0)(0)(0)(5000)").Error, kAnnotationInvalidText);
    EXPECT_EQ(Read("(1)(3)(0)(0)(1)(1)(1)(0)(1001)(0)").Error, kAnnotationInvalidText);
    EXPECT_EQ(Read("(1)(3)(0)(0)(1)(1)(1)(0)(4)(256)").Error, kAnnotationInvalidText);
    EXPECT_EQ(Read("(1)(4)(0)(0)(1)(1)(1)(0)(1)x(0)(5)Arial(0)(0)(0)(0)(0)").Error, kAnnotationInvalidText);
    // Tokens: 12 characters are read, 13 are not, and a text that ends first is cut.
    EXPECT_EQ(Read("(000000000000)").Error, "");
    EXPECT_EQ(Read("(0000000000001)").Error, kAnnotationInvalidText);
    EXPECT_EQ(Read("(0000000000001").Error, kAnnotationPositionError);
    // The whole text: one character past the limit.
    std::string Long = "(0)";
    Long.resize(kMaxAnnotationTextLength, ' ');
    EXPECT_EQ(Read(Long).Error, "");
    Long += ' ';
    EXPECT_EQ(Read(Long).Error, kAnnotationInvalidText);
    // The largest count with too few marks: the marks present, then the position error.
    std::string Many = "(1000)";
    for (int I = 0; I < 3; ++I)
        Many += "(1)" + kNoteFields;
    TReadResult R = Read(Many);
    EXPECT_EQ(R.Error, kAnnotationPositionError);
    EXPECT_EQ(R.Records.size(), 3u);
}

TEST(AnnotationText, NumbersBeyondTheReadersRangesAreWrittenAtTheNearerEndAndReadBack)
{
    std::vector<TAnnotationRecord> Marks = AnnotTest::MixedMarks();
    Marks[0].Font.Size = 0;
    Marks[0].MarkRect = {-2000000, 1000001, INT32_MAX, INT32_MIN};
    Marks[1].PenWidth = 99999;
    Marks[2].LineWidth = -1;
    Marks[3].Font.Size = 1001;
    TReadResult R = Read(WriteAnnotationText(Marks));
    ASSERT_EQ(R.Error, "");
    ASSERT_EQ(R.Records.size(), 4u);
    EXPECT_EQ(R.Records[0].Font.Size, kMinAnnotationFontSize);
    EXPECT_EQ(R.Records[0].MarkRect, (TAnnotationRect{-kMaxAnnotationCoordinate, kMaxAnnotationCoordinate,
                                                      kMaxAnnotationCoordinate, -kMaxAnnotationCoordinate}));
    EXPECT_EQ(R.Records[1].PenWidth, kMaxAnnotationPenWidth);
    EXPECT_EQ(R.Records[2].LineWidth, 0);
    EXPECT_EQ(R.Records[3].Font.Size, kMaxAnnotationFontSize);
    // The values within the ranges are untouched.
    EXPECT_EQ(R.Records[3].Text, Marks[3].Text);
    EXPECT_EQ(R.Records[2].MarkRect, Marks[2].MarkRect);
}
