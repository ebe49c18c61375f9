// The property dialog: each kind fills its own page, applying changes a mark only when every
// field converts, the dialog shown modally and cancelled; and the screenshots of marks on a
// picture and of the dialog's pages.
#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "tests/imagelib/annot/AnnotTestUtil.h"
#include "tests/imagelib/imgscroll/ImgScrollTestUtil.h"
#include "tests/support/NoClippedText.h"
#include "tests/support/Screenshot.h"

using namespace AnnotTest;

namespace {

std::string TextOfMark(TGenericMark* M) { return WriteAnnotationText({RecordOfMark(M)}); }

TRectangleMark* SampleRectangle(TAnnotationsEditor* E)
{
    TRectangleMark* R = E->AddRectangle();
    R->SetMarkRect(Rect(10, 20, 110, 70));
    R->SetColor(clRed);
    R->SetPenWidth(2);
    R->SetHighlight(false);
    return R;
}

} // namespace

TEST(AnnotationDialog, ARectangleFillsItsPageAndOnlyFieldsThatAllConvertChangeIt)
{
    TEditorOnForm F;
    TRectangleMark* R = SampleRectangle(F.Editor.get());
    TComponentPtr<TAnnotationsPropertyDialog> D(new TAnnotationsPropertyDialog(nullptr));
    D->FillFromMark(R);
    EXPECT_EQ(D->PageControl->GetActivePage(), D->TabSheetRectangle);
    EXPECT_EQ(D->LeftEdit->GetText(), "10");
    EXPECT_EQ(D->TopEdit->GetText(), "20");
    EXPECT_EQ(D->RightEdit->GetText(), "110");
    EXPECT_EQ(D->BottomEdit->GetText(), "70");
    EXPECT_EQ(D->RectPenWidthEdit->GetText(), "2");
    EXPECT_TRUE(D->FilledCheckBox->GetChecked());
    EXPECT_FALSE(D->HighlightCheckBox->GetChecked());
    EXPECT_TRUE(D->VisibleCheckBox->GetChecked());
    EXPECT_EQ(D->ColorShape->GetBrush()->GetColor(), clRed);

    D->TopEdit->SetText("25");
    D->RectPenWidthEdit->SetText("6");
    D->HighlightCheckBox->SetChecked(true);
    D->ApplyToMark(R);
    EXPECT_EQ(Text(R->GetMarkRect()), Text(Rect(10, 25, 110, 70)));
    EXPECT_EQ(R->GetPenWidth(), 6);
    EXPECT_TRUE(R->GetHighlight());

    // A blank field raises the conversion error; nothing of the mark changes.
    const std::string Before = TextOfMark(R);
    D->TopEdit->SetText("30");
    D->FilledCheckBox->SetChecked(false);
    D->RectPenWidthEdit->SetText("");
    EXPECT_THROW(D->ApplyToMark(R), EConvertError);
    EXPECT_EQ(TextOfMark(R), Before);
    D->RectPenWidthEdit->SetText("9");
    D->TopEdit->SetText("");
    EXPECT_THROW(D->ApplyToMark(R), EConvertError);
    EXPECT_EQ(TextOfMark(R), Before);
}

TEST(AnnotationDialog, LinesAndTextsShowTheirOwnPages)
{
    TEditorOnForm F;
    TLineMark* L = F.Editor->AddLine();
    L->SetDirection(3);
    L->SetLineWidth(6);
    TComponentPtr<TAnnotationsPropertyDialog> D(new TAnnotationsPropertyDialog(nullptr));
    D->FillFromMark(L);
    EXPECT_EQ(D->PageControl->GetActivePage(), D->TabSheetLine);
    EXPECT_EQ(D->DirectionRadioGroup->GetItemIndex(), 3);
    EXPECT_EQ(D->LinePenWidthEdit->GetText(), "6");
    D->DirectionRadioGroup->SetItemIndex(1);
    D->LinePenWidthEdit->SetText("2");
    D->ApplyToMark(L);
    EXPECT_EQ(L->GetDirection(), 1);
    EXPECT_EQ(L->GetLineWidth(), 2);

    TTextMark* T = F.Editor->AddText();
    T->SetText("first\r\nsecond");
    T->GetFont()->SetStyle(TFontStyles{fsUnderline});
    D->FillFromMark(T);
    EXPECT_EQ(D->PageControl->GetActivePage(), D->TabSheetText);
    EXPECT_EQ(D->TextMemo->GetText(), "first\r\nsecond");
    EXPECT_EQ(D->FontEdit->GetText(), "Arial, 12, Underline");
    D->TextMemo->SetText("changed");
    D->ApplyToMark(T);
    EXPECT_EQ(T->GetText(), "changed");

    TFont Font;
    Font.SetName("Arial");
    Font.SetSize(12);
    Font.SetStyle(TFontStyles{fsItalic, fsBold});
    EXPECT_EQ(FontDescription(&Font), "Arial, 12, Bold, Italic");
    Font.SetStyle(TFontStyles{fsStrikeOut, fsUnderline, fsItalic, fsBold});
    EXPECT_EQ(FontDescription(&Font), "Arial, 12, Bold, Italic, Underline, Strikeout");
}

TEST(AnnotationDialog, ShownFromThePopupItHasNoTabsAndCancelKeepsTheMark)
{
    ImgScrollTest::TBoxOnForm F;
    F.Box->SetMouseMode(mmAnnotation);
    auto* H = dynamic_cast<TAnnotationMouseHandler*>(F.Box->GetMouseHandler());
    ASSERT_NE(H, nullptr);
    TRectangleMark* R = SampleRectangle(H->GetEditor());
    H->SelectMark(R);
    const std::string Before = TextOfMark(R);
    std::string Caption;
    int Tabs = -1;
    bool SheetFills = false;
    TDialogWatch Watch([&](TAnnotationsPropertyDialog* D) {
        Caption = D->GetCaption();
        Tabs = static_cast<int>(SendMessageA(D->PageControl->GetHandle(), TCM_GETITEMCOUNT, 0, 0));
        const TRect Display = D->PageControl->GetDisplayRect();
        SheetFills = D->TabSheetRectangle->GetTop() == Display.top && D->TabSheetRectangle->GetVisible();
        D->TopEdit->SetText("1");
        D->CancelButton->Click();
    });
    H->GetPopupMenu()->GetItems()->GetItems(0)->Click();
    EXPECT_EQ(Watch.Seen, 1);
    EXPECT_EQ(Caption, "Annotation Properties");
    EXPECT_EQ(Tabs, 0);
    EXPECT_TRUE(SheetFills);
    EXPECT_EQ(TextOfMark(R), Before);
}

TEST(AnnotationDialog, WhatItTakesAtEveryRangesEndReadsBackAndWhatLiesBeyondChangesNothing)
{
    TEditorOnForm F;
    TComponentPtr<TAnnotationsPropertyDialog> D(new TAnnotationsPropertyDialog(nullptr));
    // The font dialog offers the sizes the text keeps.
    EXPECT_EQ(D->FontDialog->GetMinFontSize(), kMinAnnotationFontSize);
    EXPECT_EQ(D->FontDialog->GetMaxFontSize(), kMaxAnnotationFontSize);

    TRectangleMark* R = F.Editor->AddRectangle();
    TLineMark* L = F.Editor->AddLine();
    TTextMark* T = F.Editor->AddText();
    TStickNoteMark* N = F.Editor->AddStickNote();
    const std::vector<std::pair<TGenericMark*, TMaskEdit*>> Widths{{R, D->RectPenWidthEdit}, {L, D->LinePenWidthEdit}};
    // The marks as the program writes them and then reads them back.
    const auto ReadBack = [&] {
        std::vector<TAnnotationRecord> Written;
        for (TGenericMark* M : {static_cast<TGenericMark*>(R), static_cast<TGenericMark*>(L),
                                static_cast<TGenericMark*>(T), static_cast<TGenericMark*>(N)})
            Written.push_back(RecordOfMark(M));
        std::vector<TAnnotationRecord> Read;
        EXPECT_NO_THROW(ReadAnnotationText(WriteAnnotationText(Written), Read));
        EXPECT_EQ(Read, Written);
    };

    // Both ends of the pen widths, and of the rectangle fields as far as their five digits go.
    for (const auto& [Width, Corner] : {std::pair{0, "0"}, std::pair{kMaxAnnotationPenWidth, "99999"}}) {
        SCOPED_TRACE(Width);
        for (const auto& [Mark, Edit] : Widths) {
            D->FillFromMark(Mark);
            Edit->SetText(IntToStr(Width));
            D->RightEdit->SetText(Corner);
            D->BottomEdit->SetText(Corner);
            D->ApplyToMark(Mark);
            EXPECT_EQ(Mark->GetMarkRect().right, StrToInt(Corner));
        }
        EXPECT_EQ(R->GetPenWidth(), Width);
        EXPECT_EQ(L->GetLineWidth(), Width);
        ReadBack();
    }
    // Beyond the end: refused, and the mark keeps every value it had.
    for (const char* Beyond : {"1001", "99999"})
        for (const auto& [Mark, Edit] : Widths) {
            SCOPED_TRACE(Beyond);
            const std::string Before = TextOfMark(Mark);
            D->FillFromMark(Mark);
            Edit->SetText(Beyond);
            D->TopEdit->SetText("7");
            EXPECT_THROW(D->ApplyToMark(Mark), EConvertError);
            EXPECT_EQ(TextOfMark(Mark), Before);
        }

    // Font sizes at both ends are kept; a mark's own size beyond them goes to the nearer end.
    for (const int32_t Size : {0, kMinAnnotationFontSize, kMaxAnnotationFontSize, 5000}) {
        SCOPED_TRACE(Size);
        for (TGenericMark* Mark : {static_cast<TGenericMark*>(T), static_cast<TGenericMark*>(N)}) {
            Mark->GetFont()->SetSize(Size);
            D->FillFromMark(Mark);
            D->ApplyToMark(Mark);
            EXPECT_EQ(Mark->GetFont()->GetSize(), std::clamp(Size, kMinAnnotationFontSize, kMaxAnnotationFontSize));
        }
        ReadBack();
    }
}

TEST(AnnotationScreenshots, MarksOnAPictureAndTheDialogOnEachPage)
{
    TestSupport::TTempFolder T;
    ImgScrollTest::TBoxOnForm F(320, 240);
    F.Form->SetClientSize(320, 240);
    F.Box->LoadFromFile(ImgScrollTest::WritePng(T.File("p.png"), 300, 220), 1);
    F.Box->SetMouseMode(mmAnnotation);
    auto* H = dynamic_cast<TAnnotationMouseHandler*>(F.Box->GetMouseHandler());
    ASSERT_NE(H, nullptr);
    TAnnotationsEditor* E = H->GetEditor();
    TStickNoteMark* Note = E->AddStickNote();
    Note->SetMarkRect(Rect(10, 10, 130, 90));
    TRectangleMark* Hollow = E->AddRectangle();
    Hollow->SetMarkRect(Rect(160, 20, 280, 80));
    Hollow->SetFilled(false);
    Hollow->SetColor(clRed);
    TRectangleMark* Marker = E->AddRectangle();
    Marker->SetMarkRect(Rect(20, 130, 140, 160));
    TLineMark* Line = E->AddLine();
    Line->SetMarkRect(Rect(170, 110, 290, 200));
    TTextMark* Words = E->AddText();
    Words->SetMarkRect(Rect(20, 180, 140, 210));
    H->SelectMark(Hollow);
    F.Form->Show();
    const TestSupport::TShot Shot = TestSupport::CaptureFullPaint(F.Form->GetHandle());
    // The selected mark's handles are blue; the note's shadow is black.
    const TRect Box = Hollow->GetResizer()->GetBox(TControlResizer::bpTopLeft)->GetBoundsRect();
    EXPECT_EQ(Shot.At((Box.left + Box.right) / 2, (Box.top + Box.bottom) / 2), 0x0000FFu);
    EXPECT_EQ(Shot.At(Note->GetLeft() + Note->GetWidth() - 1, Note->GetTop() + 60), 0x000000u);
    const std::string Dir = TestSupport::MakeScreenshotFolder(QM_SCREENSHOT_DIR);
    EXPECT_TRUE(TestSupport::WriteBmp(Dir + "\\annot_marks.bmp", Shot));
    F.Form->Hide();

    TComponentPtr<TAnnotationsPropertyDialog> D(new TAnnotationsPropertyDialog(nullptr));
    const std::pair<TGenericMark*, const char*> Pages[] = {
        {Note, "annot_dialog_text"}, {Hollow, "annot_dialog_rectangle"}, {Line, "annot_dialog_line"}};
    for (const auto& [Mark, Name] : Pages) {
        D->FillFromMark(Mark);
        D->Show();
        TestSupport::ExpectNoClippedText(D.get());
        EXPECT_TRUE(TestSupport::WriteBmp(Dir + "\\" + Name + ".bmp", TestSupport::CaptureFullPaint(D->GetHandle())));
        D->Hide();
    }
}
