#include "imagelib/ImgResize.h"

#include <algorithm>

#include "platform/rtl/ScopeGuards.h"

namespace {

constexpr TCursor kBoxCursors[TControlResizer::kBoxCount] = {crSizeNWSE, crSizeNS, crSizeNESW, crSizeWE,
                                                             crSizeNWSE, crSizeNS, crSizeNESW, crSizeWE};

bool SameRect(const TRect& A, const TRect& B)
{
    return A.left == B.left && A.top == B.top && A.right == B.right && A.bottom == B.bottom;
}

} // namespace

TControlResizer::TControlResizer(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetBounds(GetLeft(), GetTop(), 25, 25);
    SetCursor(crSizeAll);
}

TControlResizer::~TControlResizer()
{
    if (FDragging)
        EndDrag(true);
}

// ---------------------------------------------------------------------------------------------
// Target and boxes

void TControlResizer::SetTargetControl(TControl* Value)
{
    if (FChangingTarget || Value == this)
        return;
    TFlagScope Changing(FChangingTarget);
    if (FDragging)
        EndDrag(true);
    ShowBoxes(false);
    if (FTargetControl)
        FTargetControl->RemoveFreeNotification(this);
    FTargetControl = nullptr;
    if (!Value) {
        SetParent(nullptr);
        return;
    }
    SetParent(Value->GetParent());
    FTargetControl = Value;
    Value->FreeNotification(this);
    MakeBoxes();
    // Above the target, the boxes above the resizer.
    BringToFront();
    for (TShape* B : FBoxes)
        B->BringToFront();
    SetBoundsRect(Value->GetBoundsRect());
    // The target repaints at once where it was covered; no other input is handled here.
    if (GetParent())
        GetParent()->Update();
    ShowBoxes(GetVisible());
}

void TControlResizer::MakeBoxes()
{
    if (FBoxes[0])
        return;
    for (int32_t I = 0; I < kBoxCount; ++I) {
        auto* B = new TShape(this);
        B->SetVisible(false);
        B->SetCursor(kBoxCursors[I]);
        B->GetBrush()->SetColor(FBoxColor);
        B->GetPen()->SetColor(FBoxColor);
        B->OnMouseDown = [this](TObject* S, TMouseButton Btn, TShiftState Sh, int32_t X, int32_t Y) {
            PressHandler(S, Btn, Sh, X, Y);
        };
        B->OnMouseMove = [this](TObject* S, TShiftState Sh, int32_t X, int32_t Y) { MoveHandler(S, Sh, X, Y); };
        B->OnMouseUp = [this](TObject* S, TMouseButton Btn, TShiftState Sh, int32_t X, int32_t Y) {
            ReleaseHandler(S, Btn, Sh, X, Y);
        };
        B->OnMouseCaptureLost = [this](TObject*) {
            if (FDragging)
                EndDrag(false);
        };
        FBoxes[static_cast<size_t>(I)] = B;
        B->SetParent(GetParent());
    }
    PlaceBoxes();
}

// Centred on the edge lines: half a box inside, half outside.
void TControlResizer::PlaceBoxes()
{
    if (!FBoxes[0])
        return;
    const int32_t L = GetLeft(), T = GetTop(), W = GetWidth(), H = GetHeight(), Half = FBoxSize / 2;
    const int32_t Xs[3] = {L - Half, L + W / 2 - Half, L + W - Half};
    const int32_t Ys[3] = {T - Half, T + H / 2 - Half, T + H - Half};
    // Column and row of each box, clockwise from the top-left corner.
    static constexpr int32_t Col[kBoxCount] = {0, 1, 2, 2, 2, 1, 0, 0};
    static constexpr int32_t Row[kBoxCount] = {0, 0, 0, 1, 2, 2, 2, 1};
    for (int32_t I = 0; I < kBoxCount; ++I)
        FBoxes[static_cast<size_t>(I)]->SetBounds(Xs[Col[I]], Ys[Row[I]], FBoxSize, FBoxSize);
}

void TControlResizer::ShowBoxes(bool Value)
{
    for (TShape* B : FBoxes)
        if (B)
            B->SetVisible(Value && FTargetControl != nullptr);
}

void TControlResizer::SetBoxSize(int32_t Value)
{
    FBoxSize = Value;
    PlaceBoxes();
}

void TControlResizer::SetBoxColor(TColor Value)
{
    FBoxColor = Value;
    for (TShape* B : FBoxes)
        if (B) {
            B->GetBrush()->SetColor(Value);
            B->GetPen()->SetColor(Value);
            B->Invalidate();
        }
}

void TControlResizer::SetParent(TWinControl* AParent)
{
    TGraphicControl::SetParent(AParent);
    for (TShape* B : FBoxes)
        if (B)
            B->SetParent(AParent);
}

void TControlResizer::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight)
{
    TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    PlaceBoxes();
}

void TControlResizer::VisibleChanged()
{
    TGraphicControl::VisibleChanged();
    if (!GetVisible() && FDragging)
        EndDrag(true);
    ShowBoxes(GetVisible());
}

void TControlResizer::Notification(TComponent* AComponent, TOperation Operation)
{
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && FTargetControl && AComponent == static_cast<TComponent*>(FTargetControl)) {
        if (FDragging)
            EndDrag(true);
        FTargetControl = nullptr;
        ShowBoxes(false);
    }
}

// ---------------------------------------------------------------------------------------------
// Dragging

void TControlResizer::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    PressHandler(this, Button, Shift, X, Y);
}

void TControlResizer::MouseMove(TShiftState Shift, int32_t X, int32_t Y)
{
    TGraphicControl::MouseMove(Shift, X, Y);
    MoveHandler(this, Shift, X, Y);
}

void TControlResizer::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    ReleaseHandler(this, Button, Shift, X, Y);
}

// Another window took the mouse: the drag ends where it started, with no event.
void TControlResizer::MouseCaptureLost()
{
    TGraphicControl::MouseCaptureLost();
    if (FDragging)
        EndDrag(false);
}

bool TControlResizer::ParentPoint(TObject* Sender, int32_t X, int32_t Y, TPoint& P) const
{
    const auto* C = dynamic_cast<TControl*>(Sender);
    if (!C)
        return false;
    P = Point(C->GetLeft() + X, C->GetTop() + Y);
    return true;
}

void TControlResizer::PressHandler(TObject* Sender, TMouseButton Button, TShiftState, int32_t X, int32_t Y)
{
    if (FDragging || Button != mbLeft || !FTargetControl || !GetParent() || !GetParent()->HandleAllocated())
        return;
    int32_t Box = -1;
    if (Sender != this) {
        const auto It = std::find(FBoxes.begin(), FBoxes.end(), Sender);
        if (It == FBoxes.end())
            return;
        Box = static_cast<int32_t>(It - FBoxes.begin());
    }
    if (Box < 0 ? !FMovable : !FResizable)
        return;
    TPoint P;
    if (!ParentPoint(Sender, X, Y, P))
        return;
    FDragBox = Box;
    FStartPoint = P;
    FStartBounds = GetBoundsRect();
    FOutline = FStartBounds;
    FOutlineShown = false;
    FDragging = true;
    SetCapture(GetParent()->GetHandle());
}

TRect TControlResizer::DragRect(const TPoint& P) const
{
    const int32_t DX = P.x - FStartPoint.x, DY = P.y - FStartPoint.y;
    TRect R = FStartBounds;
    if (FDragBox < 0) {
        OffsetRect(&R, DX, DY);
        return R;
    }
    const bool Left = FDragBox == bpTopLeft || FDragBox == bpLeft || FDragBox == bpBottomLeft;
    const bool Right = FDragBox == bpTopRight || FDragBox == bpRight || FDragBox == bpBottomRight;
    const bool Top = FDragBox == bpTopLeft || FDragBox == bpTop || FDragBox == bpTopRight;
    const bool Bottom = FDragBox == bpBottomLeft || FDragBox == bpBottom || FDragBox == bpBottomRight;
    // An edge dragged past the opposite one stops at the minimum size; the opposite edge stays.
    if (Left)
        R.left = std::min(R.left + DX, R.right - FMinWidth);
    if (Right)
        R.right = std::max(R.right + DX, R.left + FMinWidth);
    if (Top)
        R.top = std::min(R.top + DY, R.bottom - FMinHeight);
    if (Bottom)
        R.bottom = std::max(R.bottom + DY, R.top + FMinHeight);
    return R;
}

void TControlResizer::DrawOutline(const TRect& R)
{
    if (!GetParent() || !GetParent()->HandleAllocated())
        return;
    const HWND Wnd = GetParent()->GetHandle();
    HDC DC = GetDC(Wnd);
    if (!DC)
        return;
    for (int32_t I = 0; I < FLineSize; ++I) {
        TRect Q = R;
        InflateRect(&Q, -I, -I);
        if (Q.right <= Q.left || Q.bottom <= Q.top)
            break;
        DrawFocusRect(DC, &Q);
    }
    ReleaseDC(Wnd, DC);
}

void TControlResizer::MoveHandler(TObject* Sender, TShiftState, int32_t X, int32_t Y)
{
    TPoint P;
    if (!FDragging || !ParentPoint(Sender, X, Y, P))
        return;
    const TRect R = DragRect(P);
    if (FOutlineShown && SameRect(R, FOutline))
        return;
    if (FOutlineShown)
        DrawOutline(FOutline);
    FOutline = R;
    DrawOutline(FOutline);
    FOutlineShown = true;
}

void TControlResizer::EndDrag(bool Release)
{
    // Cleared first: releasing the capture must not look like losing it.
    FDragging = false;
    if (FOutlineShown)
        DrawOutline(FOutline);
    FOutlineShown = false;
    if (Release && GetParent() && GetParent()->HandleAllocated() && GetCapture() == GetParent()->GetHandle())
        ReleaseCapture();
}

void TControlResizer::ReleaseHandler(TObject* Sender, TMouseButton Button, TShiftState, int32_t X, int32_t Y)
{
    TPoint P;
    if (!FDragging || Button != mbLeft || !ParentPoint(Sender, X, Y, P))
        return;
    const TRect R = DragRect(P);
    const bool Moving = FDragBox < 0;
    EndDrag(true);
    if (SameRect(R, FStartBounds) || !FTargetControl)
        return;
    const TControlResizerEvent& Before = Moving ? OnMoving : OnResizing;
    if (Before)
        Before(this, R);
    if (FTargetControl)
        FTargetControl->SetBoundsRect(R);
    SetBoundsRect(R);
    const TControlResizerEvent& After = Moving ? OnMoved : OnResized;
    if (After)
        After(this, R);
}
