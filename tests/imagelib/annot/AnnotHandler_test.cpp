// The annotation mode of the scroll box: the handler the library registers, the text going into
// marks and back (through a TIFF file's first user tag too), selection by clicks, deleting,
// new pictures, centring, and the scroll box's own new-picture handler.
#include <gtest/gtest.h>

#include "imagelib/TiffGraphic.h"
#include "tests/imagelib/annot/AnnotSamples.h"
#include "tests/imagelib/annot/AnnotTestUtil.h"
#include "tests/imagelib/imgscroll/ImgScrollTestUtil.h"

using namespace AnnotTest;
using ImgScrollTest::TBoxOnForm;
using TestSupport::TTempFolder;

namespace {

TAnnotationMouseHandler* HandlerOf(TImageScrollBox* Box)
{
    return dynamic_cast<TAnnotationMouseHandler*>(Box->GetMouseHandler());
}

std::vector<TAnnotationRecord> RecordsOf(const std::string& Text)
{
    std::vector<TAnnotationRecord> R;
    ReadAnnotationText(Text, R);
    return R;
}

} // namespace

TEST(AnnotationHandler, ModeThreeTurnsTheTextIntoMarksAndLeavingTurnsThemBack)
{
    TBoxOnForm F; // no picture: no limit on the marks
    const std::string X = WriteAnnotationText(MixedMarks());
    F.Box->SetAnnotations(X);
    F.Box->SetMouseMode(mmAnnotation);
    TAnnotationMouseHandler* H = HandlerOf(F.Box);
    ASSERT_NE(H, nullptr);
    TAnnotationsEditor* E = H->GetEditor();
    ASSERT_EQ(E->MarkCount(), 4);
    EXPECT_NE(dynamic_cast<TStickNoteMark*>(E->Marks(0)), nullptr);
    EXPECT_NE(dynamic_cast<TRectangleMark*>(E->Marks(1)), nullptr);
    EXPECT_NE(dynamic_cast<TLineMark*>(E->Marks(2)), nullptr);
    EXPECT_NE(dynamic_cast<TTextMark*>(E->Marks(3)), nullptr);
    EXPECT_EQ(E->Marks(0)->GetParent(), F.Box);
    EXPECT_EQ(H->SaveAnnotationsToString(), X);
    // Setting the text in the mode reloads the marks.
    F.Box->SetAnnotations("");
    EXPECT_EQ(E->MarkCount(), 0);
    EXPECT_EQ(H->SaveAnnotationsToString(), "");
    F.Box->SetAnnotations(X);
    E->Marks(1)->SetMarkRect(Rect(1, 2, 3, 4));
    F.Box->SetMouseMode(mmDrag);
    std::vector<TAnnotationRecord> Back = RecordsOf(F.Box->GetAnnotations());
    std::vector<TAnnotationRecord> Expected = MixedMarks();
    Expected[1].MarkRect = {1, 2, 3, 4};
    EXPECT_EQ(Back, Expected);

    // A text cut inside its second mark: the first is made, the half-read one is not.
    F.Box->SetMouseMode(mmAnnotation);
    H = HandlerOf(F.Box);
    const std::string Note = WriteAnnotationText({StickNote()}).substr(3);
    try {
        H->LoadAnnotationsFromString("(2)" + Note + Note.substr(0, Note.size() / 2));
        ADD_FAILURE() << "no error";
    } catch (const Exception& Ex) {
        EXPECT_EQ(Ex.Message(), kAnnotationPositionError);
    }
    ASSERT_EQ(H->GetEditor()->MarkCount(), 1);
    EXPECT_EQ(RecordOfMark(H->GetEditor()->Marks(0)), StickNote());
}

TEST(AnnotationHandler, MarksFromATiffTagAreMovedAndWrittenIntoANewTiff)
{
    TTempFolder T;
    std::vector<TAnnotationRecord> Marks(3);
    Marks[0].MarkRect = {10, 10, 60, 40};
    Marks[0].Color = 0x0000FF;
    Marks[1].Kind = kLineKind;
    Marks[1].MarkRect = {100, 20, 180, 60};
    Marks[1].LineWidth = 3;
    Marks[2].Kind = kStickNoteKind;
    Marks[2].MarkRect = {20, 80, 120, 140};
    Marks[2].Text = "moved?";
    const std::string Annotations = WriteAnnotationText(Marks);
    {
        TTiffGraphic G;
        ImgScrollTest::FillPattern(G, 200, 150);
        G.CustomTag(0).Text = Annotations;
        G.SaveToFile(T.File("in.tif"));
    }
    TBoxOnForm F;
    F.Box->LoadFromFile(T.File("in.tif"), 1);
    EXPECT_EQ(F.Box->GetAnnotations(), Annotations);
    F.Box->SetMouseMode(mmAnnotation);
    TAnnotationMouseHandler* H = HandlerOf(F.Box);
    ASSERT_NE(H, nullptr);
    ASSERT_EQ(H->GetEditor()->MarkCount(), 3);
    EXPECT_EQ(Text(H->GetEditor()->GetLimitRect()), Text(Rect(0, 0, 200, 150)));

    // A click selects the rectangle; its resizer, now on top, drags it by (20, 15).
    TGenericMark* M = H->GetEditor()->Marks(0);
    ClickAt(F.Box, 30, 20);
    ASSERT_EQ(H->GetSelectedMark(), M);
    const HWND W = F.Box->GetHandle();
    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 20));
    SendMessageA(W, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 28));
    SendMessageA(W, WM_LBUTTONUP, 0, MAKELPARAM(50, 35));
    EXPECT_EQ(Text(M->GetMarkRect()), Text(Rect(30, 25, 80, 55)));
    EXPECT_TRUE(M->GetModified());

    F.Box->SetMouseMode(mmDrag);
    {
        TTiffGraphic G;
        ImgScrollTest::FillPattern(G, 200, 150);
        G.CustomTag(0).Text = F.Box->GetAnnotations();
        G.SaveToFile(T.File("out.tif"));
    }
    TTiffGraphic Again;
    Again.LoadFromFile(T.File("out.tif"));
    std::vector<TAnnotationRecord> Expected = Marks;
    Expected[0].MarkRect = {30, 25, 80, 55};
    EXPECT_EQ(RecordsOf(Again.GetAnnotations()), Expected);
}

TEST(AnnotationHandler, ClicksSelectOneMarkAndEveryWayOfLosingMarksLeavesNoSelection)
{
    TTempFolder T;
    TBoxOnForm F;
    int News = 0;
    F.Box->OnNewGraphic = [&](TDibGraphic*) { ++News; };
    F.Box->LoadFromFile(ImgScrollTest::WritePng(T.File("a.png"), 200, 150), 1);
    ASSERT_EQ(News, 1);
    F.Box->SetMouseMode(mmAnnotation);
    EXPECT_EQ(News, 2); // the handler's new-picture step ran once, the previous handler first
    TAnnotationMouseHandler* H = HandlerOf(F.Box);
    ASSERT_NE(H, nullptr);
    TAnnotationsEditor* E = H->GetEditor();
    TGenericMark* M1 = E->AddRectangle();
    M1->SetMarkRect(Rect(10, 10, 50, 50));
    TGenericMark* M2 = E->AddLine();
    M2->SetMarkRect(Rect(100, 10, 150, 50));

    ClickAt(F.Box, 30, 30);
    EXPECT_EQ(H->GetSelectedMark(), M1);
    ASSERT_NE(M1->GetResizer(), nullptr);
    EXPECT_TRUE(M1->GetResizer()->GetVisible());
    ClickAt(F.Box, 120, 30);
    EXPECT_EQ(H->GetSelectedMark(), M2);
    EXPECT_FALSE(M1->GetResizer()->GetVisible());
    EXPECT_TRUE(M2->GetResizer()->GetVisible());
    // A press on the picture outside the marks.
    ClickAt(F.Box, 180, 120);
    EXPECT_EQ(H->GetSelectedMark(), nullptr);
    EXPECT_FALSE(M2->GetSelected());
    EXPECT_FALSE(M2->GetResizer()->GetVisible());

    // "Delete", then "Properties..." with nothing selected shows nothing.
    TDialogWatch Watch([](TAnnotationsPropertyDialog* D) { D->CancelButton->Click(); });
    TPopupMenu* Popup = H->GetPopupMenu();
    ASSERT_EQ(Popup->GetItems()->GetCount(), 2);
    EXPECT_EQ(Popup->GetItems()->GetItems(0)->GetCaption(), "Properties...");
    EXPECT_EQ(Popup->GetItems()->GetItems(1)->GetCaption(), "Delete");
    EXPECT_EQ(M1->GetPopupMenu(), Popup);
    ClickAt(F.Box, 30, 30);
    Popup->GetItems()->GetItems(1)->Click();
    ASSERT_EQ(E->MarkCount(), 1);
    EXPECT_EQ(E->Marks(0), M2);
    EXPECT_EQ(H->GetSelectedMark(), nullptr);
    Popup->GetItems()->GetItems(0)->Click();
    // A new text drops the selected mark with the others: nothing is left to show.
    H->SelectMark(M2);
    H->LoadAnnotationsFromString("");
    EXPECT_EQ(H->GetSelectedMark(), nullptr);
    Popup->GetItems()->GetItems(0)->Click();
    Popup->GetItems()->GetItems(1)->Click();
    TestSupport::PumpFor(100);
    EXPECT_EQ(Watch.Seen, 0);

    // Centring hides the marks at its redraw; a new picture removes them all.
    TGenericMark* M3 = E->AddStickNote();
    M3->SetMarkRect(Rect(10, 10, 60, 60));
    H->SelectMark(M3);
    F.Box->SetCentered(true);
    EXPECT_FALSE(M3->GetVisible());
    EXPECT_FALSE(M3->GetResizer()->GetVisible());
    F.Box->SetCentered(false);
    EXPECT_TRUE(M3->GetVisible());
    EXPECT_TRUE(M3->GetResizer()->GetVisible());
    F.Box->LoadFromFile(ImgScrollTest::WritePng(T.File("b.png"), 120, 90), 1);
    EXPECT_EQ(News, 3);
    EXPECT_EQ(E->MarkCount(), 0);
    EXPECT_EQ(H->GetSelectedMark(), nullptr);
    EXPECT_EQ(Text(E->GetLimitRect()), Text(Rect(0, 0, 120, 90)));

    // Leaving the mode gives the scroll box its own handler back.
    F.Box->SetMouseMode(mmDrag);
    F.Box->LoadFromFile(T.File("a.png"), 1);
    EXPECT_EQ(News, 4);
}
