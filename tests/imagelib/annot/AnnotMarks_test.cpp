// Marks: their place on the screen at a zoom and scroll position, the resize step back to
// picture pixels, and the bitmaps each kind draws, read back pixel by pixel.
#include <gtest/gtest.h>

#include "tests/imagelib/annot/AnnotTestUtil.h"

using namespace AnnotTest;

TEST(AnnotationMarks, RectanglesAreClampedToTheLimitWithoutReordering)
{
    TEditorOnForm F;
    F.Editor->SetLimitRect(Rect(0, 0, 100, 100));
    TRectangleMark* M = F.Editor->AddRectangle();
    M->SetMarkRect(Rect(-10, 50, 150, 80));
    EXPECT_EQ(Text(M->GetMarkRect()), Text(Rect(0, 50, 100, 80)));
    M->SetMarkRect(Rect(90, 60, 20, 10));
    EXPECT_EQ(Text(M->GetMarkRect()), Text(Rect(90, 60, 20, 10)));
    F.Editor->SetLimitRect(Rect(0, 0, 0, 0));
    M->SetMarkRect(Rect(-10, 50, 150, 80));
    EXPECT_EQ(Text(M->GetMarkRect()), Text(Rect(-10, 50, 150, 80)));
}

TEST(AnnotationMarks, ScreenPlaceFollowsZoomAndScrollAndTheResizerGivesPicturePixelsBack)
{
    TEditorOnForm F;
    F.Box->GetHorzScrollBar()->SetPosition(30);
    ASSERT_EQ(F.Box->GetHorzScrollBar()->GetPosition(), 30);
    F.Editor->SetHorzScrollBar(F.Box->GetHorzScrollBar());
    F.Editor->SetVertScrollBar(F.Box->GetVertScrollBar());
    F.Editor->SetZoom(200);
    TRectangleMark* M = F.Editor->AddRectangle();
    M->SetMarkRect(Rect(10, 10, 20, 20));
    EXPECT_EQ(Text(M->GetBoundsRect()), Text(Rect(-10, 20, 10, 40)));
    EXPECT_EQ(M->GetResizer(), nullptr);

    // Selected, its resizer lies on it; moved through the resizer by 10 screen pixels.
    M->SetSelected(true);
    TControlResizer* R = M->GetResizer();
    ASSERT_NE(R, nullptr);
    EXPECT_EQ(R->GetBoxColor(), clBlue);
    EXPECT_EQ(R->GetTargetControl(), M);
    EXPECT_EQ(Text(R->GetBoundsRect()), Text(M->GetBoundsRect()));
    EXPECT_FALSE(M->GetModified());
    R->PressHandler(R, mbLeft, TShiftState(), 5, 5);
    R->ReleaseHandler(R, mbLeft, TShiftState(), 15, 5);
    EXPECT_EQ(Text(M->GetMarkRect()), Text(Rect(15, 10, 25, 20)));
    EXPECT_EQ(Text(M->GetBoundsRect()), Text(Rect(0, 20, 20, 40)));
    EXPECT_EQ(Text(R->GetBoundsRect()), Text(M->GetBoundsRect()));
    EXPECT_TRUE(M->GetModified());

    // Halves go to the even neighbour.
    TRectangleMark* N = F.Editor->AddRectangle();
    N->SetMarkRect(Rect(1, 1, 3, 3));
    N->SetZoom(150);
    EXPECT_EQ(Text(N->GetBoundsRect()), Text(Rect(2, 2, 4, 4)));

    // A zoom of 0 (where editors and marks start) counts as 100 both ways.
    TEditorOnForm G;
    TLineMark* L = G.Editor->AddLine();
    EXPECT_EQ(L->GetZoom(), 0.0);
    L->SetMarkRect(Rect(7, 8, 70, 80));
    EXPECT_EQ(Text(L->GetBoundsRect()), Text(Rect(7, 8, 70, 80)));
    L->ResizerChanged(nullptr, Rect(5, 6, 50, 60));
    EXPECT_EQ(Text(L->GetMarkRect()), Text(Rect(5, 6, 50, 60)));
}

TEST(AnnotationMarks, AStickNoteHasItsShadowOnAGreyBackgroundLeftOut)
{
    TEditorOnForm F;
    TStickNoteMark* M = F.Editor->AddStickNote();
    M->SetMarkRect(Rect(0, 0, 200, 100));
    std::unique_ptr<TBitmap> B = M->CreateMarkBitmap();
    ASSERT_EQ(B->GetWidth(), 201);
    ASSERT_EQ(B->GetHeight(), 101);
    EXPECT_TRUE(B->GetTransparent());
    EXPECT_EQ(B->GetTransparentColor(), clGray);
    // Five black columns at the right and rows at the bottom, five pixels in from the corner.
    for (int32_t X = 196; X <= 200; ++X)
        EXPECT_EQ(PixelOf(*B, X, 60), clBlack) << X;
    for (int32_t Y = 96; Y <= 100; ++Y)
        EXPECT_EQ(PixelOf(*B, 120, Y), clBlack) << Y;
    EXPECT_EQ(PixelOf(*B, 195, 60), clYellow);
    EXPECT_EQ(PixelOf(*B, 120, 95), clYellow);
    EXPECT_EQ(PixelOf(*B, 2, 98), clGray);
    EXPECT_EQ(PixelOf(*B, 198, 2), clGray);
    M->SetColor(clGray);
    EXPECT_EQ(M->CreateMarkBitmap()->GetTransparentColor(), clWhite);
}

TEST(AnnotationMarks, RectanglesFillHighlightOrOutline)
{
    TEditorOnForm F;
    TRectangleMark* M = F.Editor->AddRectangle();
    M->SetMarkRect(Rect(0, 0, 19, 19));
    M->SetColor(clRed);
    M->SetHighlight(false);
    std::unique_ptr<TBitmap> B = M->CreateMarkBitmap();
    EXPECT_FALSE(B->GetTransparent());
    for (const TPoint P : {Point(0, 0), Point(19, 0), Point(10, 10), Point(0, 19), Point(19, 19)})
        EXPECT_EQ(PixelOf(*B, P.x, P.y), clRed);

    // Drawn over lime: a highlighter ANDs itself in (red and lime give black), a plain one covers.
    TBitmap Under;
    Under.SetSize(40, 40);
    Under.GetCanvas()->GetBrush()->SetColor(clLime);
    Under.GetCanvas()->FillRect(Rect(0, 0, 40, 40));
    M->SetHighlight(true);
    M->DrawAnnotation(Under.GetCanvas(), 5, 5);
    EXPECT_EQ(PixelOf(Under, 10, 10), clBlack);
    EXPECT_EQ(PixelOf(Under, 4, 4), clLime);
    EXPECT_EQ(PixelOf(Under, 30, 30), clLime);
    M->SetHighlight(false);
    M->DrawAnnotation(Under.GetCanvas(), 5, 5);
    EXPECT_EQ(PixelOf(Under, 10, 10), clRed);

    // Hollow: an outline PenWidth pixels wide on a white background that is left out.
    M->SetFilled(false);
    M->SetPenWidth(3);
    B = M->CreateMarkBitmap();
    EXPECT_TRUE(B->GetTransparent());
    EXPECT_EQ(B->GetTransparentColor(), clWhite);
    for (int32_t X = 0; X < 20; ++X)
        EXPECT_EQ(PixelOf(*B, X, 10), X < 3 || X > 16 ? clRed : clWhite) << X;
    M->SetColor(clWhite);
    EXPECT_EQ(M->CreateMarkBitmap()->GetTransparentColor(), clBlack);
}

TEST(AnnotationMarks, LinesFollowTheirDirectionAndTextMarksLeaveOutTheirColour)
{
    TEditorOnForm F;
    TLineMark* M = F.Editor->AddLine();
    M->SetMarkRect(Rect(0, 0, 99, 49)); // 100 x 50
    M->SetColor(clRed);
    M->SetLineWidth(1);
    M->SetDirection(2);
    std::unique_ptr<TBitmap> B = M->CreateMarkBitmap();
    EXPECT_EQ(B->GetTransparentColor(), clWhite);
    for (int32_t X = 0; X < 100; X += 20)
        EXPECT_EQ(PixelOf(*B, X, X / 2), clRed) << X;
    EXPECT_EQ(PixelOf(*B, 20, 30), clWhite);
    // A mark never selected has no resizer: the horizontal line lies on row 5.
    M->SetDirection(0);
    B = M->CreateMarkBitmap();
    EXPECT_EQ(PixelOf(*B, 50, 5), clRed);
    EXPECT_EQ(PixelOf(*B, 50, 4), clWhite);
    EXPECT_EQ(PixelOf(*B, 50, 6), clWhite);
    M->SetDirection(1);
    EXPECT_EQ(PixelOf(*M->CreateMarkBitmap(), 95, 25), clRed);
    M->SetDirection(7);
    B = M->CreateMarkBitmap();
    int32_t Coloured = 0;
    for (int32_t Y = 0; Y < 50; ++Y)
        for (int32_t X = 0; X < 100; ++X)
            Coloured += PixelOf(*B, X, Y) != clWhite;
    EXPECT_EQ(Coloured, 0);
    // With a resizer the offset is its box size.
    M->SetSelected(true);
    M->GetResizer()->SetBoxSize(9);
    M->SetDirection(0);
    EXPECT_EQ(PixelOf(*M->CreateMarkBitmap(), 50, 9), clRed);

    TTextMark* T = F.Editor->AddText();
    T->SetMarkRect(Rect(0, 0, 59, 19));
    T->SetColor(clRed);
    B = T->CreateMarkBitmap();
    EXPECT_TRUE(B->GetTransparent());
    EXPECT_EQ(B->GetTransparentColor(), clRed);
    EXPECT_EQ(PixelOf(*B, 59, 19), clWhite);
}

TEST(AnnotationMarks, OversizedAndInvertedMarksStayUndrawnAndOwnersMustBeEditors)
{
    TEditorOnForm F;
    TRectangleMark* Big = F.Editor->AddRectangle();
    Big->SetMarkRect(Rect(0, 0, 1000000, 1000000));
    // Refused before any pixel memory is asked for.
    EXPECT_THROW(Big->CreateMarkBitmap(), EInvalidGraphicOperation);
    TBitmap Under;
    Under.SetSize(40, 40);
    Under.GetCanvas()->GetBrush()->SetColor(clLime);
    Under.GetCanvas()->FillRect(Rect(0, 0, 40, 40));
    EXPECT_NO_THROW(Big->PaintOn(Under.GetCanvas()->GetHandle()));
    EXPECT_EQ(PixelOf(Under, 20, 20), clLime);
    Big->SetMarkRect(Rect(30, 30, 10, 10));
    EXPECT_THROW(Big->CreateMarkBitmap(), EInvalidGraphicOperation);
    EXPECT_NO_THROW(Big->PaintOn(Under.GetCanvas()->GetHandle()));

    TComponentPtr<TComponent> NoEditor(new TComponent(nullptr));
    try {
        new TRectangleMark(NoEditor.get());
        ADD_FAILURE() << "a mark was made";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "Invalid Parent for Mark");
    }
    EXPECT_EQ(NoEditor->GetComponentCount(), 0);
}
