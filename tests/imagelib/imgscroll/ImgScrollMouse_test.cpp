// The scroll box's mouse: routing of messages to the handler and the events, dragging, the
// rubber band, quick select and the mouse modes with handler ownership.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "imagelib/ImgScroll.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Screen.h"
#include "tests/imagelib/imgscroll/ImgScrollTestUtil.h"
#include "tests/support/TestSupport.h"

using namespace ImgScrollTest;
using TestSupport::TTempFolder;

namespace {

struct TCall {
    std::string What;
    int32_t X, Y;
};

// Records what reaches it; counts its own destruction.
class TRecordingHandler : public TMouseHandler {
public:
    TRecordingHandler(TImageScrollBox* Owner, std::vector<TCall>* Calls, int* Freed)
        : TMouseHandler(Owner), FCalls(Calls), FFreed(Freed) {}
    ~TRecordingHandler() override { ++*FFreed; }
    void MouseDown(TMouseButton, TShiftState, int32_t X, int32_t Y) override { FCalls->push_back({"down", X, Y}); }
    void MouseMove(TShiftState, int32_t X, int32_t Y) override { FCalls->push_back({"move", X, Y}); }
    void MouseUp(TMouseButton, TShiftState, int32_t X, int32_t Y) override { FCalls->push_back({"up", X, Y}); }

private:
    std::vector<TCall>* FCalls;
    int* FFreed;
};

class TTestAnnotationHandler : public TAnnotationHandlerBase {
public:
    explicit TTestAnnotationHandler(TImageScrollBox* Owner) : TAnnotationHandlerBase(Owner) { ++Made; }
    ~TTestAnnotationHandler() override { ++Freed; }
    void SetAnnotationText(const std::string& Text) override { FText = Text; }
    std::string GetAnnotationText() const override { return FText; }
    std::string FText;
    static inline int Made = 0;
    static inline int Freed = 0;
};

struct TLargePicture {
    TTempFolder T;
    TBoxOnForm F;
    TLargePicture(int32_t W = 1000, int32_t H = 800) { F.Box->LoadFromFile(WritePng(T.File("p.png"), W, H), 1); }
};

bool Ordered(const TRect& R) { return R.left <= R.right && R.top <= R.bottom; }

std::string Text(const TRect& R)
{
    return IntToStr(R.left) + "," + IntToStr(R.top) + "," + IntToStr(R.right) + "," + IntToStr(R.bottom);
}

} // namespace

TEST(ImageScrollBoxMouse, MessagesReachTheHandlerThenTheEvents)
{
    TLargePicture P;
    TImageScrollBox* B = P.F.Box;
    std::vector<TCall> Calls;
    int Freed = 0;
    B->SetMouseHandler(new TRecordingHandler(B, &Calls, &Freed));
    std::vector<std::string> Events;
    TObject* DownSender = nullptr;
    B->OnImageMouseDown = [&](TObject* S, TMouseButton, TShiftState, int32_t X, int32_t Y) {
        DownSender = S;
        Events.push_back("down " + IntToStr(X) + "," + IntToStr(Y));
        ASSERT_FALSE(Calls.empty());
        EXPECT_EQ(Calls.back().What, "down"); // the handler saw it first
    };
    B->OnImageMouseMove = [&](TObject*, TShiftState, int32_t, int32_t) { Events.push_back("move"); };
    B->OnImageMouseUp = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { Events.push_back("up"); };
    int DoubleClicks = 0;
    B->OnImageDblClick = [&](TObject* S) {
        EXPECT_EQ(S, B);
        ++DoubleClicks;
    };
    const HWND W = B->GetHandle();
    // Scrolled by (30, 20): the picture control's coordinates are picture coordinates.
    B->GetHorzScrollBar()->SetPosition(30);
    B->GetVertScrollBar()->SetPosition(20);
    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 25));
    SendMessageA(W, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(16, 26));
    SendMessageA(W, WM_LBUTTONUP, 0, MAKELPARAM(16, 26));
    SendMessageA(W, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(16, 26));
    SendMessageA(W, WM_LBUTTONUP, 0, MAKELPARAM(16, 26));
    ASSERT_GE(Calls.size(), 3u);
    EXPECT_EQ(Calls[0].What, "down");
    EXPECT_EQ(Calls[0].X, 45);
    EXPECT_EQ(Calls[0].Y, 45);
    EXPECT_EQ(Calls[1].What, "move");
    EXPECT_EQ(Calls[2].What, "up");
    ASSERT_GE(Events.size(), 3u);
    EXPECT_EQ(Events[0], "down 45,45");
    EXPECT_EQ(DownSender, B->GetImage());
    EXPECT_EQ(DoubleClicks, 1);
    ReleaseCapture();
    EXPECT_EQ(Freed, 0);
}

TEST(ImageScrollBoxMouse, DragScrollsByThePressOffsetWithTheClosedHand)
{
    ASSERT_TRUE(Screen);
    TLargePicture P;
    TImageScrollBox* B = P.F.Box;
    auto* Drag = dynamic_cast<TDragMouseHandler*>(B->GetMouseHandler());
    ASSERT_NE(Drag, nullptr);
    EXPECT_EQ(B->GetImage()->GetCursor(), crHandOpened);
    Screen->SetCursor(crCross);

    Drag->MouseDown(mbRight, TShiftState{ssRight}, 100, 100);
    EXPECT_FALSE(Drag->GetPressed());
    EXPECT_EQ(Screen->GetCursor(), crCross);
    Drag->MouseMove(TShiftState{ssRight}, 50, 50);
    EXPECT_EQ(B->GetHorzScrollBar()->GetPosition(), 0);

    Drag->MouseDown(mbLeft, TShiftState{ssLeft}, 100, 100);
    EXPECT_TRUE(Drag->GetPressed());
    EXPECT_EQ(Screen->GetCursor(), crHandClosed);
    Drag->MouseMove(TShiftState{ssLeft}, 90, 95);
    EXPECT_EQ(B->GetHorzScrollBar()->GetPosition(), 10);
    EXPECT_EQ(B->GetVertScrollBar()->GetPosition(), 5);
    EXPECT_EQ(B->GetImage()->GetLeft(), -10);
    EXPECT_EQ(B->GetImage()->GetTop(), -5);
    Drag->MouseUp(mbLeft, TShiftState{}, 90, 95);
    EXPECT_FALSE(Drag->GetPressed());
    EXPECT_EQ(Screen->GetCursor(), crCross);
    Screen->SetCursor(crDefault);

    // No bar, no drag.
    B->LoadFromFile(WritePng(P.T.File("small.png"), 50, 50), 1);
    Drag->MouseDown(mbLeft, TShiftState{ssLeft}, 10, 10);
    EXPECT_FALSE(Drag->GetPressed());
    EXPECT_EQ(Screen->GetCursor(), crDefault);
}

TEST(ImageScrollBoxMouse, RubberbandStartsHitsDragsAndOrders)
{
    TLargePicture P;
    TImageScrollBox* B = P.F.Box;
    B->SetMouseMode(mmRubberband);
    auto* R = dynamic_cast<TRubberbandMouseHandler*>(B->GetMouseHandler());
    ASSERT_NE(R, nullptr);
    EXPECT_EQ(B->GetImage()->GetCursor(), crDefault);
    std::vector<TRect> Changes;
    B->OnRubberbandChange = [&](const TRect& Rc) { Changes.push_back(Rc); };

    // A new band drawn from (10, 10) to (50, 50).
    R->MouseDown(mbLeft, TShiftState{ssLeft}, 10, 10);
    R->MouseMove(TShiftState{ssLeft}, 30, 30);
    R->MouseMove(TShiftState{ssLeft}, 50, 50);
    R->MouseUp(mbLeft, TShiftState{}, 50, 50);
    ASSERT_TRUE(R->GetShown());
    EXPECT_EQ(Text(Changes.back()), "10,10,50,50");

    // The handles, in their order: within 3 pixels of the corner and the right edge is 4.
    EXPECT_EQ(R->HitTest(52, 48, 0, 0), 4);
    EXPECT_EQ(R->HitTest(10, 10, 0, 0), 0);
    EXPECT_EQ(R->HitTest(30, 11, 0, 0), 1);
    EXPECT_EQ(R->HitTest(49, 9, 0, 0), 2);
    EXPECT_EQ(R->HitTest(51, 30, 0, 0), 3);
    EXPECT_EQ(R->HitTest(30, 52, 0, 0), 5);
    EXPECT_EQ(R->HitTest(8, 50, 0, 0), 6);
    EXPECT_EQ(R->HitTest(13, 30, 0, 0), 7);
    EXPECT_EQ(R->HitTest(30, 30, 0, 0), 8);
    EXPECT_EQ(R->HitTest(200, 200, 0, 0), -1);
    EXPECT_EQ(R->HitTest(30 - 100, 30 - 50, 100, 50), 8); // scrolled
    // Hovering shows the handle's cursor.
    R->MouseMove(TShiftState{}, 30, 11);
    EXPECT_EQ(B->GetImage()->GetCursor(), crSizeNS);
    R->MouseMove(TShiftState{}, 300, 300);
    EXPECT_EQ(B->GetImage()->GetCursor(), crDefault);

    // The top-left handle dragged beyond the opposite corner: ordered on release, and every
    // report ordered on the way.
    Changes.clear();
    R->MouseDown(mbLeft, TShiftState{ssLeft}, 10, 10);
    R->MouseMove(TShiftState{ssLeft}, 70, 30);
    R->MouseMove(TShiftState{ssLeft}, 80, 90);
    R->MouseUp(mbLeft, TShiftState{}, 80, 90);
    ASSERT_FALSE(Changes.empty());
    for (const TRect& C : Changes)
        EXPECT_TRUE(Ordered(C)) << C.left << "," << C.top << "," << C.right << "," << C.bottom;
    const TRect Band = R->GetBand();
    EXPECT_EQ(Text(Band), "50,50,80,90");

    // Moving the whole band by its inside keeps its size and stays in the picture.
    R->MouseDown(mbLeft, TShiftState{ssLeft}, 65, 70);
    R->MouseMove(TShiftState{ssLeft}, 75, 60);
    R->MouseUp(mbLeft, TShiftState{}, 75, 60);
    const TRect Moved = R->GetBand();
    EXPECT_EQ(Text(Moved), "60,40,90,80");

    // A press outside starts a new band and first reports an empty one; a release without a
    // move leaves none.
    Changes.clear();
    R->MouseDown(mbLeft, TShiftState{ssLeft}, 300, 200);
    ASSERT_EQ(Changes.size(), 1u);
    EXPECT_EQ(Text(Changes[0]), "0,0,0,0");
    R->MouseUp(mbLeft, TShiftState{}, 300, 200);
    EXPECT_FALSE(R->GetShown());
    const TRect Point0 = R->GetBand();
    EXPECT_EQ(Text(Point0), "300,200,300,200");

    // Moves are clamped into the display picture.
    R->MouseDown(mbLeft, TShiftState{ssLeft}, 990, 790);
    R->MouseMove(TShiftState{ssLeft}, 5000, 5000);
    EXPECT_EQ(Text(Changes.back()), "990,790,999,799");
    R->MouseUp(mbLeft, TShiftState{}, 5000, 5000);

    // Handle numbers beyond 8 raise, each naming its routine.
    auto MessageOf = [](auto Call) {
        try {
            Call();
        } catch (const Exception& E) {
            return E.Message();
        }
        return std::string("(nothing raised)");
    };
    EXPECT_EQ(MessageOf([] { TRubberbandMouseHandler::GrabHandleToBandMovement(9); }),
              "Invalid GrabHandle, GrabHandleToBandMovement");
    EXPECT_EQ(MessageOf([] { TRubberbandMouseHandler::GrabHandleToCursor(9); }), "Invalid GrabHandle, GrabHandleToCursor");
    EXPECT_EQ(MessageOf([] { TRubberbandMouseHandler::GrabHandleToCursor(-1); }), "Invalid GrabHandle, GrabHandleToCursor");
    EXPECT_EQ(TRubberbandMouseHandler::GrabHandleToCursor(8), crHandOpened);
    EXPECT_EQ(TRubberbandMouseHandler::GrabHandleToBandMovement(7), 2);
}

TEST(ImageScrollBoxMouse, RubberbandFollowsZoomAndClears)
{
    TLargePicture P;
    TImageScrollBox* B = P.F.Box;
    B->SetMouseMode(mmRubberband);
    auto* R = dynamic_cast<TRubberbandMouseHandler*>(B->GetMouseHandler());
    ASSERT_NE(R, nullptr);
    std::vector<TRect> Changes;
    B->OnRubberbandChange = [&](const TRect& Rc) { Changes.push_back(Rc); };
    R->MouseDown(mbLeft, TShiftState{ssLeft}, 10, 10);
    R->MouseMove(TShiftState{ssLeft}, 20, 20);
    R->MouseUp(mbLeft, TShiftState{}, 20, 20);
    B->SetZoomPercent(200.0f);
    EXPECT_TRUE(R->GetShown());
    const TRect Zoomed = R->GetBand();
    EXPECT_EQ(Text(Zoomed), "20,20,40,40");
    EXPECT_EQ(Text(Changes.back()), "20,20,40,40");
    B->SetZoomPercent(50.0f);
    const TRect Reduced = R->GetBand();
    EXPECT_EQ(Text(Reduced), "5,5,10,10");

    // Clear takes the band away and reports an empty one.
    Changes.clear();
    B->Clear();
    EXPECT_FALSE(R->GetShown());
    ASSERT_EQ(Changes.size(), 1u);
    EXPECT_EQ(Text(Changes[0]), "0,0,0,0");
}

TEST(ImageScrollBoxMouse, QuickSelectCropsTheDisplayPicture)
{
    TLargePicture P;
    TImageScrollBox* B = P.F.Box;
    B->SetMouseMode(mmQuickSelect);
    auto* Q = dynamic_cast<TQuickSelectMouseHandler*>(B->GetMouseHandler());
    ASSERT_NE(Q, nullptr);
    int Selections = 0;
    TRect Got{};
    std::vector<uint32_t> Pixels;
    int32_t GW = 0, GH = 0;
    B->OnQuickSelect = [&](TObject* S, TDibGraphic* G, const TRect& Rc) {
        EXPECT_EQ(S, B);
        ++Selections;
        Got = Rc;
        GW = G->GetWidth();
        GH = G->GetHeight();
        for (int32_t Y = 0; Y < GH; ++Y)
            for (int32_t X = 0; X < GW; ++X)
                Pixels.push_back(G->GetPixelColor(X, Y));
    };
    // A release with no press does nothing.
    Q->MouseUp(mbLeft, TShiftState{}, 30, 20);
    EXPECT_EQ(Selections, 0);

    Q->MouseDown(mbLeft, TShiftState{ssLeft}, 10, 10);
    EXPECT_TRUE(Q->GetPressed());
    Q->MouseMove(TShiftState{ssLeft}, 25, 15);
    Q->MouseMove(TShiftState{ssLeft}, 30, 20);
    Q->MouseUp(mbLeft, TShiftState{}, 30, 20);
    EXPECT_FALSE(Q->GetPressed());
    ASSERT_EQ(Selections, 1);
    EXPECT_EQ(GW, 20);
    EXPECT_EQ(GH, 10);
    EXPECT_EQ(Text(Got), "10,10,30,20");
    int Wrong = 0;
    TDibGraphic* D = B->GetDisplayGraphic();
    for (int32_t Y = 0; Y < 10; ++Y)
        for (int32_t X = 0; X < 20; ++X)
            Wrong += Pixels[size_t(Y * 20 + X)] != D->GetPixelColor(10 + X, 10 + Y);
    EXPECT_EQ(Wrong, 0);

    // A second release after the first does nothing more.
    Q->MouseUp(mbLeft, TShiftState{}, 30, 20);
    EXPECT_EQ(Selections, 1);
    // Pressed while centred: ignored, and so is its release.
    B->SetCentered(true);
    Q->MouseDown(mbLeft, TShiftState{ssLeft}, 10, 10);
    EXPECT_FALSE(Q->GetPressed());
    Q->MouseUp(mbLeft, TShiftState{}, 40, 40);
    EXPECT_EQ(Selections, 1);
}

TEST(ImageScrollBoxMouse, ModesInstallTheirHandlersAndOwnershipDecidesWhoFrees)
{
    TLargePicture P;
    TImageScrollBox* B = P.F.Box;
    EXPECT_EQ(B->GetMouseMode(), mmDrag);
    EXPECT_NE(dynamic_cast<TDragMouseHandler*>(B->GetMouseHandler()), nullptr);
    B->SetMouseMode(mmQuickSelect);
    EXPECT_NE(dynamic_cast<TQuickSelectMouseHandler*>(B->GetMouseHandler()), nullptr);
    B->SetMouseMode(mmRubberband);
    EXPECT_NE(dynamic_cast<TRubberbandMouseHandler*>(B->GetMouseHandler()), nullptr);
    // Without a factory (the library's start registers one) mode 3 leaves no handler.
    const TAnnotationHandlerFactory Registered = GetAnnotationHandlerFactory();
    SetAnnotationHandlerFactory(nullptr);
    TScopeExit Restore([&] { SetAnnotationHandlerFactory(Registered); });
    B->SetMouseMode(mmAnnotation);
    EXPECT_EQ(B->GetMouseHandler(), nullptr);
    EXPECT_EQ(B->GetImage()->GetCursor(), crDefault);
    B->SetMouseMode(mmDrag);
    EXPECT_EQ(B->GetImage()->GetCursor(), crHandOpened);
    B->SetMouseMode(mmNone);
    EXPECT_EQ(B->GetMouseHandler(), nullptr);
    EXPECT_EQ(B->GetImage()->GetCursor(), crDefault);

    // The annotation mode with a registered factory: the text goes in and comes back.
    SetAnnotationHandlerFactory([](TImageScrollBox* Owner) { return std::make_unique<TTestAnnotationHandler>(Owner); });
    TTestAnnotationHandler::Made = TTestAnnotationHandler::Freed = 0;
    B->SetAnnotations("first");
    B->SetMouseMode(mmAnnotation);
    auto* A = dynamic_cast<TTestAnnotationHandler*>(B->GetMouseHandler());
    ASSERT_NE(A, nullptr);
    EXPECT_EQ(A->FText, "first");
    B->SetAnnotations("second");
    EXPECT_EQ(A->FText, "second");
    A->FText = "edited";
    B->SetMouseMode(mmDrag);
    EXPECT_EQ(B->GetAnnotations(), "edited");
    EXPECT_EQ(TTestAnnotationHandler::Freed, 1);

    // A handler of the caller's: freed when replaced while ownership is on ...
    std::vector<TCall> Calls;
    int Freed = 0;
    B->SetMouseHandler(new TRecordingHandler(B, &Calls, &Freed));
    B->SetMouseMode(mmQuickSelect);
    EXPECT_EQ(Freed, 1);
    // ... and not when it is off.
    B->SetMouseHandlerOwnership(false);
    auto* Mine = new TRecordingHandler(B, &Calls, &Freed);
    B->SetMouseHandler(Mine);
    B->SetMouseMode(mmDrag);
    EXPECT_EQ(Freed, 1);
    B->SetMouseHandler(Mine);
    P.F.Form.reset(); // the control goes with its form
    EXPECT_EQ(Freed, 1);
    delete Mine;
    EXPECT_EQ(Freed, 2);

    // An owned one goes with the control.
    TBoxOnForm F2;
    F2.Box->SetMouseHandler(new TRecordingHandler(F2.Box, &Calls, &Freed));
    F2.Form.reset();
    EXPECT_EQ(Freed, 3);
}
