// The scroll box's mouse handlers: drag to scroll, quick select and the rubber band.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "imagelib/ImgScroll.h"
#include "platform/rtl/ScopeGuards.h"

namespace {

TPoint ImageOrigin(TImageScrollBox* Box) { return Point(Box->GetImage()->GetLeft(), Box->GetImage()->GetTop()); }

} // namespace

// =============================================================================================
// TMouseHandler

void TMouseHandler::MouseDown(TMouseButton, TShiftState, int32_t, int32_t) { FPressed = true; }

void TMouseHandler::MouseUp(TMouseButton, TShiftState, int32_t, int32_t) { FPressed = false; }

void TMouseHandler::MouseMove(TShiftState, int32_t, int32_t) {}

// =============================================================================================
// TDragMouseHandler

TDragMouseHandler::TDragMouseHandler(TImageScrollBox* AOwner) : TMouseHandler(AOwner)
{
    FOwner->GetImage()->SetCursor(crHandOpened);
}

void TDragMouseHandler::MouseDown(TMouseButton Button, TShiftState, int32_t X, int32_t Y)
{
    if (Button == mbRight)
        return;
    if (!FOwner->GetHorzScrollBar()->IsScrollBarVisible() && !FOwner->GetVertScrollBar()->IsScrollBarVisible())
        return;
    FPressed = true;
    FPressPoint = Point(X, Y);
    FSavedCursor = Screen ? Screen->GetCursor() : crDefault;
    if (Screen)
        Screen->SetCursor(crHandClosed);
}

void TDragMouseHandler::MouseMove(TShiftState, int32_t X, int32_t Y)
{
    if (!FPressed)
        return;
    TControlScrollBar* Horz = FOwner->GetHorzScrollBar();
    TControlScrollBar* Vert = FOwner->GetVertScrollBar();
    Horz->SetPosition(Horz->GetPosition() + FPressPoint.x - X);
    Vert->SetPosition(Vert->GetPosition() + FPressPoint.y - Y);
    FOwner->Update();
}

void TDragMouseHandler::MouseUp(TMouseButton, TShiftState, int32_t, int32_t)
{
    if (FPressed && Screen && Screen->GetCursor() == crHandClosed)
        Screen->SetCursor(FSavedCursor);
    FPressed = false;
}

// =============================================================================================
// TQuickSelectMouseHandler

TQuickSelectMouseHandler::TQuickSelectMouseHandler(TImageScrollBox* AOwner) : TMouseHandler(AOwner)
{
    FOwner->GetImage()->SetCursor(crDefault);
}

TQuickSelectMouseHandler::~TQuickSelectMouseHandler() { ReleaseDeviceContext(); }

void TQuickSelectMouseHandler::ReleaseDeviceContext()
{
    FCanvas.SetHandle(nullptr);
    if (FDC)
        ReleaseDC(FWindow, FDC);
    FDC = nullptr;
    FWindow = nullptr;
}

void TQuickSelectMouseHandler::DrawFrame()
{
    const std::array<TPoint, 5> P{Point(FStart.x, FStart.y), Point(FEnd.x, FStart.y), Point(FEnd.x, FEnd.y),
                                  Point(FStart.x, FEnd.y), Point(FStart.x, FStart.y)};
    FCanvas.Polyline(P);
}

void TQuickSelectMouseHandler::MouseDown(TMouseButton, TShiftState, int32_t X, int32_t Y)
{
    if (FOwner->GetCentered() || !FOwner->HandleAllocated() || FDC)
        return;
    FWindow = FOwner->GetHandle();
    FDC = GetDC(FWindow);
    if (!FDC) {
        FWindow = nullptr;
        return;
    }
    FPressed = true;
    FCanvas.SetHandle(FDC);
    FCanvas.GetPen()->SetColor(clBlack);
    FCanvas.GetPen()->SetMode(pmXor);
    FCanvas.GetPen()->SetStyle(psDot);
    const TPoint O = ImageOrigin(FOwner);
    FStart = Point(O.x + X, O.y + Y);
    FEnd = FStart;
    DrawFrame();
}

void TQuickSelectMouseHandler::MouseMove(TShiftState Shift, int32_t X, int32_t Y)
{
    if (!FPressed || !FDC || !Shift.Contains(ssLeft))
        return;
    const TImage* Image = FOwner->GetImage();
    const TPoint O = ImageOrigin(FOwner);
    const int32_t NX = std::clamp(static_cast<int32_t>(O.x + X), Image->GetLeft(), std::max(Image->GetLeft(), Image->GetLeft() + Image->GetWidth() - 1));
    const int32_t NY = std::clamp(static_cast<int32_t>(O.y + Y), Image->GetTop(), std::max(Image->GetTop(), Image->GetTop() + Image->GetHeight() - 1));
    DrawFrame(); // XOR: drawing again erases
    FEnd = Point(NX, NY);
    DrawFrame();
}

void TQuickSelectMouseHandler::MouseUp(TMouseButton, TShiftState, int32_t X, int32_t Y)
{
    // Only a press this handler recorded has a frame on screen and a device context to give back.
    if (!FPressed || !FDC) {
        FPressed = false;
        return;
    }
    FPressed = false;
    DrawFrame();
    TDibGraphic* Display = FOwner->GetDisplayGraphic();
    const TPoint O = ImageOrigin(FOwner);
    const int32_t EX = std::clamp(X, 0, Display->GetWidth());
    const int32_t EY = std::clamp(Y, 0, Display->GetHeight());
    const int32_t SX = static_cast<int32_t>(FStart.x - O.x), SY = static_cast<int32_t>(FStart.y - O.y);
    const TRect R = Rect(std::min(SX, EX), std::min(SY, EY), std::max(SX, EX), std::max(SY, EY));
    TScopeExit Release([this] { ReleaseDeviceContext(); });
    if (R.right - R.left >= 1 && R.bottom - R.top >= 1 && !Display->GetEmpty()) {
        TCropTransform Crop;
        Crop.SetAbsoluteRect(true);
        Crop.SetCropRect(R.top, R.left, R.bottom, R.right);
        auto Part = std::make_unique<TDibGraphic>();
        Crop.ApplyOnDest(Display, Part.get());
        if (FOwner->OnQuickSelect)
            FOwner->OnQuickSelect(FOwner, Part.get(), R);
    }
}

// =============================================================================================
// TRubberbandMouseHandler

TRubberbandMouseHandler::TRubberbandMouseHandler(TImageScrollBox* AOwner) : TMouseHandler(AOwner)
{
    FOwner->GetImage()->SetCursor(crDefault);
    // White dots with navy gaps: visible on light and dark pictures alike.
    FCanvas.GetPen()->SetStyle(psDot);
    FCanvas.GetPen()->SetMode(pmCopy);
    FCanvas.GetPen()->SetColor(clWhite);
    FCanvas.GetBrush()->SetColor(clNavy);
    FOwner->GetDisplayGraphic()->OnAfterDraw = [this](TDibGraphic*) {
        if (FShown)
            DrawBand();
    };
}

TRubberbandMouseHandler::~TRubberbandMouseHandler()
{
    if (FShown)
        EraseBand();
    FOwner->GetDisplayGraphic()->OnAfterDraw = nullptr;
}

HWND TRubberbandMouseHandler::Window() const { return FOwner->HandleAllocated() ? FOwner->GetHandle() : nullptr; }

void TRubberbandMouseHandler::DrawBand()
{
    FShown = true;
    const HWND W = Window();
    if (!W)
        return;
    const HDC DC = GetDC(W);
    if (!DC)
        return;
    const int32_t H = FOwner->GetHorzScrollBar()->GetPosition(), V = FOwner->GetVertScrollBar()->GetPosition();
    const std::array<TPoint, 5> P{Point(FX1 - H, FY1 - V), Point(FX2 - H, FY1 - V), Point(FX2 - H, FY2 - V),
                                  Point(FX1 - H, FY2 - V), Point(FX1 - H, FY1 - V)};
    FCanvas.SetHandle(DC);
    FCanvas.Polyline(P);
    FCanvas.SetHandle(nullptr);
    ReleaseDC(W, DC);
}

void TRubberbandMouseHandler::EraseBand()
{
    FShown = false;
    const HWND W = Window();
    TDibGraphic* Display = FOwner->GetDisplayGraphic();
    if (!W || Display->GetEmpty() || !Display->GetCanvas())
        return;
    const HDC DC = GetDC(W);
    if (!DC)
        return;
    const int32_t H = FOwner->GetHorzScrollBar()->GetPosition(), V = FOwner->GetVertScrollBar()->GetPosition();
    const int32_t L = std::min(FX1, FX2) - H, R = std::max(FX1, FX2) - H;
    const int32_t T = std::min(FY1, FY2) - V, B = std::max(FY1, FY2) - V;
    const HDC Source = Display->GetCanvas()->GetHandle();
    Display->FlushCanvas();
    BitBlt(DC, L, T, R - L + 1, 1, Source, L + H, T + V, SRCCOPY);
    BitBlt(DC, L, B, R - L + 1, 1, Source, L + H, B + V, SRCCOPY);
    BitBlt(DC, L, T, 1, B - T + 1, Source, L + H, T + V, SRCCOPY);
    BitBlt(DC, R, T, 1, B - T + 1, Source, R + H, T + V, SRCCOPY);
    ReleaseDC(W, DC);
}

void TRubberbandMouseHandler::FireChange()
{
    if (FOwner->OnRubberbandChange)
        FOwner->OnRubberbandChange(Rect(std::min(FX1, FX2), std::min(FY1, FY2), std::max(FX1, FX2), std::max(FY1, FY2)));
}

void TRubberbandMouseHandler::FireEmpty()
{
    if (FOwner->OnRubberbandChange)
        FOwner->OnRubberbandChange(Rect(0, 0, 0, 0));
}

void TRubberbandMouseHandler::ClearBand()
{
    if (!FShown)
        return;
    EraseBand();
    FireEmpty();
}

int32_t TRubberbandMouseHandler::GrabHandleToBandMovement(int32_t Handle)
{
    switch (Handle) {
    case 0: case 2: case 4: case 6: return 0;
    case 1: case 5: return 1;
    case 3: case 7: return 2;
    case 8: return 3;
    default: throw EDidodazaError("Invalid GrabHandle, GrabHandleToBandMovement");
    }
}

TCursor TRubberbandMouseHandler::GrabHandleToCursor(int32_t Handle)
{
    switch (Handle) {
    case 0: case 4: return crSizeNWSE;
    case 1: case 5: return crSizeNS;
    case 2: case 6: return crSizeNESW;
    case 3: case 7: return crSizeWE;
    case 8: return crHandOpened;
    default: throw EDidodazaError("Invalid GrabHandle, GrabHandleToCursor");
    }
}

int32_t TRubberbandMouseHandler::HitTest(int32_t X, int32_t Y, int32_t H, int32_t V) const
{
    auto NearX = [&](int32_t BandX) { return std::abs(X + H - BandX) < 4; };
    auto NearY = [&](int32_t BandY) { return std::abs(Y + V - BandY) < 4; };
    if (NearX(FX2) && NearY(FY2))
        return 4;
    if (NearX(FX1) && NearY(FY1))
        return 0;
    if (NearX(FX2) && NearY(FY1))
        return 2;
    if (NearX(FX1) && NearY(FY2))
        return 6;
    const bool InXSpan = FX1 - H <= X && X <= FX2 - H;
    const bool InYSpan = FY1 - V <= Y && Y <= FY2 - V;
    if (NearY(FY1) && InXSpan)
        return 1;
    if (NearY(FY2) && InXSpan)
        return 5;
    if (NearX(FX1) && InYSpan)
        return 7;
    if (NearX(FX2) && InYSpan)
        return 3;
    if (X >= FX1 - H + 4 && X < FX2 - H - 4 && Y >= FY1 - V - 4 && Y < FY2 - V + 4)
        return 8;
    return -1;
}

void TRubberbandMouseHandler::MouseDown(TMouseButton, TShiftState, int32_t X, int32_t Y)
{
    if (FOwner->GetCentered())
        return;
    const TPoint O = ImageOrigin(FOwner);
    const int32_t Hit = FShown ? HitTest(O.x + X, O.y + Y, FOwner->GetHorzScrollBar()->GetPosition(),
                                         FOwner->GetVertScrollBar()->GetPosition())
                               : -1;
    FPressed = true;
    FLast = Point(X, Y);
    if (Hit >= 0) {
        FGrabHandle = Hit;
        FMovement = GrabHandleToBandMovement(Hit);
        // The dragged corner becomes (X2, Y2).
        switch (Hit) {
        case 0:
            SwapInt(FX1, FX2);
            SwapInt(FY1, FY2);
            break;
        case 1:
        case 2:
            SwapInt(FY1, FY2);
            break;
        case 6:
        case 7:
            SwapInt(FX1, FX2);
            break;
        default:
            break;
        }
        return;
    }
    if (FShown) {
        EraseBand();
        FireEmpty();
    }
    FMovement = 0;
    FGrabHandle = 4;
    FX1 = FX2 = X;
    FY1 = FY2 = Y;
}

void TRubberbandMouseHandler::MouseMove(TShiftState Shift, int32_t X, int32_t Y)
{
    const TPoint O = ImageOrigin(FOwner);
    const int32_t H = FOwner->GetHorzScrollBar()->GetPosition(), V = FOwner->GetVertScrollBar()->GetPosition();
    if (!FPressed && FShown) {
        const int32_t Hit = HitTest(O.x + X, O.y + Y, H, V);
        FOwner->GetImage()->SetCursor(Hit >= 0 ? GrabHandleToCursor(Hit) : crDefault);
        return;
    }
    int32_t PX = static_cast<int32_t>(O.x + X), PY = static_cast<int32_t>(O.y + Y);
    switch (FGrabHandle) {
    case 1:
    case 5:
        PY += V;
        break;
    case 3:
    case 7:
        PX += H;
        break;
    default:
        PX += H;
        PY += V;
        break;
    }
    const TDibGraphic* Display = FOwner->GetDisplayGraphic();
    const int32_t MaxX = std::max(Display->GetWidth() - 1, 0), MaxY = std::max(Display->GetHeight() - 1, 0);
    PX = std::clamp(PX, 0, MaxX);
    PY = std::clamp(PY, 0, MaxY);
    if (!FPressed || !Shift.Contains(ssLeft))
        return;
    if (FMovement == 1)
        PX = FX2;
    else if (FMovement == 2)
        PY = FY2;
    if (FShown)
        EraseBand();
    if (FMovement == 3) {
        const int32_t DX = PX - static_cast<int32_t>(FLast.x), DY = PY - static_cast<int32_t>(FLast.y);
        FLast = Point(PX, PY);
        FX1 = std::clamp(FX1 + DX, 0, MaxX);
        FX2 = std::clamp(FX2 + DX, 0, MaxX);
        FY1 = std::clamp(FY1 + DY, 0, MaxY);
        FY2 = std::clamp(FY2 + DY, 0, MaxY);
    } else {
        FX2 = PX;
        FY2 = PY;
    }
    DrawBand();
    FireChange();
}

void TRubberbandMouseHandler::MouseUp(TMouseButton, TShiftState, int32_t, int32_t)
{
    if (FPressed && FShown) {
        if (FX1 > FX2)
            SwapInt(FX1, FX2);
        if (FY1 > FY2)
            SwapInt(FY1, FY2);
        if (FX1 == FX2 || FY1 == FY2)
            EraseBand();
    }
    FPressed = false;
}

void TRubberbandMouseHandler::BeforeRedraw()
{
    if (!FShown)
        return;
    EraseBand();
    if (FOwner->GetCentered())
        return; // a centred picture loses its band
    const TDibGraphic* Display = FOwner->GetDisplayGraphic();
    if (!Display->GetEmpty()) {
        FRememberedWidth = Display->GetWidth();
        FRememberedHeight = Display->GetHeight();
    }
    FShown = true;
}

void TRubberbandMouseHandler::AfterRedraw()
{
    if (!FShown)
        return;
    const TDibGraphic* Display = FOwner->GetDisplayGraphic();
    if (Display->GetEmpty())
        return;
    const int32_t W = Display->GetWidth(), H = Display->GetHeight();
    if (FRememberedWidth > 0 && FRememberedHeight > 0 && (W != FRememberedWidth || H != FRememberedHeight)) {
        const double SX = static_cast<double>(W) / FRememberedWidth, SY = static_cast<double>(H) / FRememberedHeight;
        FX1 = static_cast<int32_t>(SafeTrunc(FX1 * SX));
        FX2 = static_cast<int32_t>(SafeTrunc(FX2 * SX));
        FY1 = static_cast<int32_t>(SafeTrunc(FY1 * SY));
        FY2 = static_cast<int32_t>(SafeTrunc(FY2 * SY));
    }
    // Scaled once: a second AfterRedraw around the same redraw keeps the band as it is.
    FRememberedWidth = W;
    FRememberedHeight = H;
    DrawBand();
    FireChange();
}
