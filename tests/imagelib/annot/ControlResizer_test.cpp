// The control resizer: its boxes around the target, drags that move and size the target with
// their events, the minimum size, the switches, and the outline on the parent window (read with
// GetPixel from the parent's device context) erased on release and on a lost capture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imagelib/ImgResize.h"
#include "tests/imagelib/annot/AnnotTestUtil.h"

using namespace AnnotTest;

namespace {

// A white form with a 100 x 60 panel at (50, 40) and a resizer, every event logged.
struct TPanelOnForm {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TPanel* Panel;
    TControlResizer* Resizer;
    std::vector<std::string> Log;
    TPanelOnForm()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetColor(clWhite);
        Form->SetClientSize(400, 300);
        Panel = new TPanel(Form.get());
        Panel->SetBounds(50, 40, 100, 60);
        Panel->SetParent(Form.get());
        Resizer = new TControlResizer(Form.get());
        Form->HandleNeeded();
        auto Logger = [this](const char* What) {
            return [this, What](TObject* Sender, const TRect& R) {
                EXPECT_EQ(Sender, Resizer);
                Log.push_back(What + Text(R));
            };
        };
        Resizer->OnMoving = Logger("moving ");
        Resizer->OnMoved = Logger("moved ");
        Resizer->OnResizing = Logger("resizing ");
        Resizer->OnResized = Logger("resized ");
    }
    // A drag by (DX, DY) from (X, Y) of Sender, by direct calls.
    void Drag(TControl* Sender, int32_t X, int32_t Y, int32_t DX, int32_t DY)
    {
        Resizer->PressHandler(Sender, mbLeft, TShiftState(), X, Y);
        Resizer->MoveHandler(Sender, TShiftState{ssLeft}, X + DX / 2, Y + DY / 2);
        Resizer->ReleaseHandler(Sender, mbLeft, TShiftState(), X + DX, Y + DY);
    }
};

// The two bottom rows of the outline of R, from the window's DC: the inner rectangle's bottom
// edge (from R.left + 1), then the outer one's.
std::vector<COLORREF> BottomRows(HWND W, const TRect& R)
{
    std::vector<COLORREF> P;
    HDC DC = GetDC(W);
    for (int32_t Y = R.bottom - 2; Y < R.bottom; ++Y)
        for (int32_t X = R.left; X < R.right; ++X)
            P.push_back(GetPixel(DC, X, Y));
    ReleaseDC(W, DC);
    return P;
}

size_t Differences(const std::vector<COLORREF>& A, const std::vector<COLORREF>& B, size_t From, size_t Count)
{
    size_t N = 0;
    for (size_t I = From; I < From + Count; ++I)
        N += A[I] != B[I];
    return N;
}

} // namespace

TEST(ControlResizer, ItFramesItsTargetWithEightBoxesThatFollowItsSettings)
{
    TPanelOnForm F;
    TControlResizer* R = F.Resizer;
    EXPECT_EQ(R->GetBox(0), nullptr); // made when first needed

    R->SetTargetControl(F.Panel);
    EXPECT_EQ(R->GetParent(), F.Form.get());
    EXPECT_EQ(Text(R->GetBoundsRect()), Text(F.Panel->GetBoundsRect()));
    const TPoint Corners[TControlResizer::kBoxCount] = {{48, 38}, {98, 38}, {148, 38}, {148, 68},
                                                       {148, 98}, {98, 98}, {48, 98}, {48, 68}};
    const TCursor Cursors[TControlResizer::kBoxCount] = {crSizeNWSE, crSizeNS, crSizeNESW, crSizeWE,
                                                        crSizeNWSE, crSizeNS, crSizeNESW, crSizeWE};
    for (int32_t I = 0; I < TControlResizer::kBoxCount; ++I) {
        TShape* B = R->GetBox(I);
        ASSERT_NE(B, nullptr);
        EXPECT_EQ(Text(B->GetBoundsRect()), Text(Bounds(Corners[I].x, Corners[I].y, 5, 5))) << I;
        EXPECT_EQ(B->GetCursor(), Cursors[I]) << I;
        EXPECT_EQ(B->GetParent(), F.Form.get());
        EXPECT_TRUE(B->GetVisible());
    }
    R->SetBoxSize(7);
    R->SetBoxColor(clRed);
    EXPECT_EQ(Text(R->GetBox(0)->GetBoundsRect()), Text(Rect(47, 37, 54, 44)));
    EXPECT_EQ(Text(R->GetBox(4)->GetBoundsRect()), Text(Rect(147, 97, 154, 104)));
    for (int32_t I = 0; I < TControlResizer::kBoxCount; ++I)
        EXPECT_EQ(R->GetBox(I)->GetBrush()->GetColor(), clRed);
    R->SetVisible(false);
    for (int32_t I = 0; I < TControlResizer::kBoxCount; ++I)
        EXPECT_FALSE(R->GetBox(I)->GetVisible());
    R->SetVisible(true);
    EXPECT_TRUE(R->GetBox(5)->GetVisible());

    R->SetTargetControl(nullptr);
    EXPECT_EQ(R->GetTargetControl(), nullptr);
    EXPECT_EQ(R->GetParent(), nullptr);
    for (int32_t I = 0; I < TControlResizer::kBoxCount; ++I) {
        EXPECT_FALSE(R->GetBox(I)->GetVisible());
        EXPECT_EQ(R->GetBox(I)->GetParent(), nullptr);
    }
}

TEST(ControlResizer, DragsMoveAndSizeTheTargetFiringEventsOnlyForAChange)
{
    TPanelOnForm F;
    TControlResizer* R = F.Resizer;
    R->SetTargetControl(F.Panel);
    F.Drag(R, 10, 10, 15, 10);
    EXPECT_EQ(Text(F.Panel->GetBoundsRect()), Text(Rect(65, 50, 165, 110)));
    EXPECT_EQ(F.Log, (std::vector<std::string>{"moving (65, 50, 165, 110)", "moved (65, 50, 165, 110)"}));
    EXPECT_EQ(Text(R->GetBoundsRect()), Text(F.Panel->GetBoundsRect()));
    EXPECT_EQ(Text(R->GetBox(0)->GetBoundsRect()), Text(Rect(63, 48, 68, 53)));

    F.Log.clear();
    F.Drag(R->GetBox(TControlResizer::bpBottomRight), 2, 2, 20, 5);
    EXPECT_EQ(F.Panel->GetWidth(), 120);
    EXPECT_EQ(F.Panel->GetHeight(), 65);
    EXPECT_EQ(F.Log, (std::vector<std::string>{"resizing (65, 50, 185, 115)", "resized (65, 50, 185, 115)"}));
    // Past the opposite corner: the minimum size, the top-left corner kept.
    F.Drag(R->GetBox(TControlResizer::bpBottomRight), 2, 2, -200, -200);
    EXPECT_EQ(Text(F.Panel->GetBoundsRect()), Text(Rect(65, 50, 73, 58)));
    F.Drag(R->GetBox(TControlResizer::bpTopLeft), 2, 2, 300, 300);
    EXPECT_EQ(Text(F.Panel->GetBoundsRect()), Text(Rect(65, 50, 73, 58)));

    // A press and release in one place, a locked move, a locked size: nothing happens.
    F.Log.clear();
    F.Drag(R, 3, 3, 0, 0);
    R->SetMovable(false);
    F.Drag(R, 3, 3, 15, 10);
    R->SetMovable(true);
    R->SetResizable(false);
    F.Drag(R->GetBox(TControlResizer::bpRight), 2, 2, 30, 0);
    EXPECT_EQ(Text(F.Panel->GetBoundsRect()), Text(Rect(65, 50, 73, 58)));
    EXPECT_TRUE(F.Log.empty());
    EXPECT_FALSE(R->GetDragging());
    // Only the left button drags.
    R->PressHandler(R, mbRight, TShiftState(), 3, 3);
    EXPECT_FALSE(R->GetDragging());
}

TEST(ControlResizer, TheOutlineGoesWhenTheDragEndsOrTheCaptureIsTakenAway)
{
    TPanelOnForm F;
    TControlResizer* R = F.Resizer;
    R->SetTargetControl(F.Panel);
    F.Form->Show();
    F.Form->Update();
    const HWND W = F.Form->GetHandle();
    const TRect Moved = Rect(80, 60, 180, 120); // the panel moved by (30, 20): below it at the bottom
    const std::vector<COLORREF> Before = BottomRows(W, Moved);

    for (const bool TakeCapture : {false, true}) {
        SCOPED_TRACE(TakeCapture ? "capture taken" : "released where it started");
        SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 50));
        ASSERT_TRUE(R->GetDragging());
        EXPECT_EQ(GetCapture(), W);
        SendMessageA(W, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(90, 70));
        const std::vector<COLORREF> During = BottomRows(W, Moved);
        EXPECT_GT(Differences(Before, During, 1, 98), 0u) << "inner rectangle, row 118";
        EXPECT_GT(Differences(Before, During, 100, 100), 0u) << "outer rectangle, row 119";
        if (TakeCapture) {
            TComponentPtr<TForm> Other(new TForm(nullptr));
            SetCapture(Other->GetHandle());
            EXPECT_FALSE(R->GetDragging());
            ReleaseCapture();
        } else {
            SendMessageA(W, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 50));
            SendMessageA(W, WM_LBUTTONUP, 0, MAKELPARAM(60, 50));
        }
        EXPECT_EQ(BottomRows(W, Moved), Before);
        EXPECT_EQ(Text(F.Panel->GetBoundsRect()), Text(Rect(50, 40, 150, 100)));
        EXPECT_TRUE(F.Log.empty());
        EXPECT_FALSE(R->GetDragging());
    }
    F.Form->Hide();
}
