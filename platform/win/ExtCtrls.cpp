#include "platform/win/ExtCtrls.h"

#include <algorithm>

#include "platform/rtl/ScopeGuards.h"

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
    if (OnCanResize) {
        bool Accept = true;
        OnCanResize(this, Size, Accept);
        if (!Accept)
            return;
    }
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

// =============================================================================================
// TRadioGroup

TRadioGroup::TRadioGroup(TComponent* AOwner) : TGroupBox(AOwner)
{
    FItems.OnChange = [this](TObject*) { ItemsChanged(); };
}

TRadioGroup::~TRadioGroup() { FItems.OnChange = nullptr; }

void TRadioGroup::ItemsChanged()
{
    // One button per item, re-used where it exists.
    const int32_t N = FItems.GetCount();
    while (static_cast<int32_t>(FButtons.size()) > N) {
        TRadioButton* B = FButtons.back();
        FButtons.pop_back();
        B->Free();
    }
    while (static_cast<int32_t>(FButtons.size()) < N) {
        auto* B = new TRadioButton(this);
        const int32_t Index = static_cast<int32_t>(FButtons.size());
        B->SetEnabled(GetEnabled());
        B->OnClick = [this, Index](TObject*) { ButtonClicked(Index); };
        FButtons.push_back(B);
        B->SetParent(this);
    }
    for (int32_t I = 0; I < N; ++I)
        FButtons[static_cast<size_t>(I)]->SetCaption(FItems.GetStrings(I));
    if (FItemIndex >= N) {
        FItemIndex = -1; // its item went away
        Click();
    }
    ArrangeButtons();
}

void TRadioGroup::ArrangeButtons()
{
    if (FButtons.empty())
        return;
    TRect R = Rect(0, 0, GetWidth(), GetHeight());
    AdjustClientRect(R);
    InflateRect(&R, -4, 0);
    const int32_t Count = static_cast<int32_t>(FButtons.size());
    const int32_t Columns = std::max<int32_t>(1, std::min(FColumns, Count));
    const int32_t Rows = (Count + Columns - 1) / Columns;
    const int32_t ColWidth = std::max<int32_t>((R.right - R.left) / Columns, 1);
    const int32_t RowHeight = std::max<int32_t>((R.bottom - R.top) / Rows, 1);
    for (int32_t I = 0; I < Count; ++I) {
        const int32_t Col = I / Rows, Row = I % Rows;
        FButtons[static_cast<size_t>(I)]->SetBounds(R.left + Col * ColWidth, R.top + Row * RowHeight, ColWidth, std::min<int32_t>(RowHeight, 20));
    }
}

void TRadioGroup::SetColumns(int32_t Value)
{
    FColumns = std::clamp<int32_t>(Value, 1, 16);
    ArrangeButtons();
}

void TRadioGroup::SetItemIndex(int32_t Value)
{
    if (Value < -1 || Value >= static_cast<int32_t>(FButtons.size()))
        Value = -1;
    if (Value == FItemIndex)
        return;
    {
        TFlagScope Updating(FUpdating);
        if (Value >= 0)
            FButtons[static_cast<size_t>(Value)]->SetChecked(true); // unchecks the others
        else if (FItemIndex >= 0)
            FButtons[static_cast<size_t>(FItemIndex)]->SetChecked(false);
    }
    FItemIndex = Value;
    Click();
}

void TRadioGroup::ButtonClicked(int32_t Index)
{
    if (FUpdating || Index == FItemIndex)
        return;
    FItemIndex = Index;
    Click();
}

void TRadioGroup::Resize()
{
    TGroupBox::Resize();
    ArrangeButtons();
}

void TRadioGroup::EnabledChanged()
{
    TGroupBox::EnabledChanged();
    for (TRadioButton* B : FButtons)
        B->SetEnabled(GetEnabled());
}

void TRadioGroup::FontChanged()
{
    TGroupBox::FontChanged();
    ArrangeButtons();
}

// =============================================================================================
// TImage

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>())
{
    SetBounds(0, 0, 105, 105);
    FPicture->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

void TImage::SetTransparent(bool Value)
{
    FTransparent = Value;
    PictureChanged();
}

void TImage::SetAutoSize(bool Value)
{
    FAutoSize = Value;
    PictureChanged();
}

void TImage::PictureChanged()
{
    TGraphic* G = FPicture->GetGraphic();
    if (G && G->GetTransparent() != FTransparent && !G->GetEmpty()) {
        // Setting it reports a change of its own: this runs once more, then stops here.
        G->SetTransparent(FTransparent);
        return;
    }
    if (FAutoSize && G && !G->GetEmpty() && (G->GetWidth() != GetWidth() || G->GetHeight() != GetHeight()))
        SetBounds(GetLeft(), GetTop(), G->GetWidth(), G->GetHeight());
    Invalidate();
}

TRect TImage::DestRect() const
{
    const TGraphic* G = FPicture->GetGraphic();
    int32_t W = G ? G->GetWidth() : 0, H = G ? G->GetHeight() : 0;
    const int32_t CW = GetWidth(), CH = GetHeight();
    if (W > 0 && H > 0 && (FStretch || (FProportional && (W > CW || H > CH)))) {
        if (FProportional) {
            // The side that fits less decides; 64-bit products, no rounding drift.
            if (static_cast<int64_t>(CW) * H <= static_cast<int64_t>(CH) * W) {
                H = static_cast<int32_t>(static_cast<int64_t>(H) * CW / W);
                W = CW;
            } else {
                W = static_cast<int32_t>(static_cast<int64_t>(W) * CH / H);
                H = CH;
            }
        } else {
            W = CW;
            H = CH;
        }
    }
    TRect R = Rect(0, 0, W, H);
    if (FCenter)
        OffsetRect(&R, (CW - W) / 2, (CH - H) / 2);
    return R;
}

void TImage::Paint()
{
    TGraphic* G = FPicture->GetGraphic();
    if (!G || G->GetEmpty())
        return;
    GetCanvas()->StretchDraw(DestRect(), G);
}
