#include "platform/win/ExtCtrls.h"

#include <algorithm>

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 185, 41); }

void TPanel::Changed()
{
    Realign();
    Invalidate();
}

void TPanel::AdjustClientRect(TRect& R)
{
    int32_t B = FBorderWidth;
    if (FBevelOuter != bvNone)
        B += FBevelWidth;
    if (FBevelInner != bvNone)
        B += FBevelWidth;
    InflateRect(&R, -B, -B);
}

void TPanel::Paint()
{
    TCanvas* C = GetCanvas();
    HDC DC = C->GetHandle();
    TRect R = Rect(0, 0, GetWidth(), GetHeight());
    auto Bevel = [&](TPanelBevel B) {
        if (B == bvNone)
            return;
        for (int32_t I = 0; I < FBevelWidth; ++I) {
            DrawEdge(DC, &R, B == bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
            InflateRect(&R, -1, -1);
        }
    };
    Bevel(FBevelOuter);
    InflateRect(&R, -FBorderWidth, -FBorderWidth);
    Bevel(FBevelInner);
    const std::string T = GetCaption();
    if (!T.empty()) {
        SelectObject(DC, GetFont()->GetHandle());
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, ColorToRGB(GetEnabled() ? GetFont()->GetColor() : clGrayText));
        DrawTextA(DC, T.c_str(), static_cast<int>(T.size()), &R,
                  DT_SINGLELINE | DT_VCENTER | (FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT));
    }
}

TShape::TShape(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetBounds(0, 0, 65, 65);
    FBrush.SetColor(clWhite);
    FBrush.OnChange = [this](TObject*) { Invalidate(); };
    FPen.OnChange = [this](TObject*) { Invalidate(); };
}

void TShape::Paint()
{
    TCanvas* C = GetCanvas();
    C->SetPen(&FPen);
    C->SetBrush(&FBrush);
    const int32_t PW = FPen.GetWidth();
    int32_t X = PW / 2, Y = PW / 2;
    int32_t W = GetWidth() - PW + 1, H = GetHeight() - PW + 1;
    if (PW == 0) {
        --W;
        --H;
    }
    if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
        const int32_t S = std::min(W, H);
        X += (W - S) / 2;
        Y += (H - S) / 2;
        W = H = S;
    }
    switch (FShape) {
    case stRectangle:
    case stSquare: C->Rectangle(X, Y, X + W, Y + H); break;
    case stRoundRect:
    case stRoundSquare: C->RoundRect(X, Y, X + W, Y + H, std::min(W, H) / 4, std::min(W, H) / 4); break;
    case stEllipse:
    case stCircle: C->Ellipse(X, Y, X + W, Y + H); break;
    }
}

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetAlign(alLeft);
    SetBounds(0, 0, 3, 100);
    SetCursor(crHSplit);
}

void TSplitter::Paint()
{
    GetCanvas()->GetBrush()->SetColor(GetColor());
    GetCanvas()->FillRect(Rect(0, 0, GetWidth(), GetHeight()));
}

TControl* TSplitter::FindTarget() const
{
    TWinControl* P = GetParent();
    if (!P)
        return nullptr;
    for (int32_t I = 0; I < P->GetControlCount(); ++I) {
        TControl* C = P->GetControls(I);
        if (C == this || !C->GetVisible() || C->GetAlign() != GetAlign())
            continue;
        switch (GetAlign()) {
        case alLeft: if (C->GetLeft() + C->GetWidth() == GetLeft()) return C; break;
        case alRight: if (C->GetLeft() == GetLeft() + GetWidth()) return C; break;
        case alTop: if (C->GetTop() + C->GetHeight() == GetTop()) return C; break;
        case alBottom: if (C->GetTop() == GetTop() + GetHeight()) return C; break;
        default: break;
        }
    }
    return nullptr;
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft)
        return;
    FTarget = FindTarget();
    if (!FTarget)
        return;
    // Screen coordinates: the splitter itself moves while it is dragged.
    FDownAt = ClientToScreen(Point(X, Y));
    FStartSize = Horizontal() ? FTarget->GetHeight() : FTarget->GetWidth();
    FMoved = false;
}

void TSplitter::MouseMove(TShiftState Shift, int32_t X, int32_t Y)
{
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!FTarget || !FPressed)
        return;
    const TPoint P = ClientToScreen(Point(X, Y));
    int32_t Delta = Horizontal() ? P.y - FDownAt.y : P.x - FDownAt.x;
    if (GetAlign() == alRight || GetAlign() == alBottom)
        Delta = -Delta;
    // Not below MinSize, and not so far that the other side would go below it.
    int32_t Size = std::max(FStartSize + Delta, FMinSize);
    TWinControl* Parent = GetParent();
    const int32_t Room = Horizontal() ? Parent->GetClientHeight() : Parent->GetClientWidth();
    Size = std::min(Size, std::max(Room - FMinSize - (Horizontal() ? GetHeight() : GetWidth()), FMinSize));
    if (Size == (Horizontal() ? FTarget->GetHeight() : FTarget->GetWidth()))
        return;
    FMoved = true;
    if (Horizontal())
        FTarget->SetHeight(Size);
    else
        FTarget->SetWidth(Size);
    Parent->Update();
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft && FTarget) {
        FTarget = nullptr;
        if (FMoved && OnMoved)
            OnMoved(this);
        FMoved = false;
    }
}

void TSplitter::MouseCaptureLost()
{
    TGraphicControl::MouseCaptureLost();
    if (FTarget) {
        FTarget = nullptr;
        if (FMoved && OnMoved)
            OnMoved(this);
        FMoved = false;
    }
}
