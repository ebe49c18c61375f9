#include "commandbars/lookandfeel/uiLookAndFeelPainters.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Controls.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/ImageList.h"

namespace {

// The system's check-box bitmap: 4 x 3 cells of check boxes and radio buttons.
constexpr int kObmCheckBoxes = 32759;
constexpr TSize kClassicRadioSize{13, 13};

const char* const kBitmapNames[kIndicatorImageCount] = {"UI_ARROWBITMAP", "UI_EDITBITMAP", "UI_INSERTBITMAP",
                                                        "UI_MULTIDOTBITMAP", "UI_MULTIARROWBITMAP"};

int32_t gUseCount = 0;
std::unique_ptr<TImageList> gImages;
std::unique_ptr<TBitmap> gPatterns[2];
std::unique_ptr<TuiRadioButtonImageList> gRadioImages;
std::unique_ptr<TuiSysColorChangeEventListener> gListener;
int32_t gRadioBuildCount = 0;

// ---------------------------------------------------------------------------------------------
// Drawing helpers

int32_t Width(const TRect& R)
{
    return R.right - R.left;
}

int32_t Height(const TRect& R)
{
    return R.bottom - R.top;
}

TRect Deflated(TRect R, int32_t By)
{
    InflateRect(&R, -By, -By);
    return R;
}

// A Size x Size square centred in R.
TRect CentredSquare(const TRect& R, int32_t Size)
{
    const int32_t X = R.left + (Width(R) - Size) / 2;
    const int32_t Y = R.top + (Height(R) - Size) / 2;
    return Rect(X, Y, X + Size, Y + Size);
}

void Fill(TuiCanvas* C, const TRect& R, TColor Color)
{
    C->GetBrush()->SetStyle(bsSolid);
    C->SetBrushColor(Color);
    C->FillRect(R);
}

void Frame(TuiCanvas* C, const TRect& R, TColor Color, uint32_t Sides = uiBorderAll)
{
    C->GetBrush()->SetStyle(bsSolid);
    C->FrameRect(R, Color, Sides);
}

// A one-pixel 3-D edge: left and top in TopLeft, right and bottom in BottomRight (the corners
// where the two meet take BottomRight).
void Edge(TuiCanvas* C, const TRect& R, TColor TopLeft, TColor BottomRight, uint32_t Sides = uiBorderAll)
{
    Frame(C, R, TopLeft, Sides & (uiBorderLeft | uiBorderTop));
    Frame(C, R, BottomRight, Sides & (uiBorderRight | uiBorderBottom));
}

void UsePenAndBrush(TuiCanvas* C, TColor Color)
{
    TPen* Pen = C->GetPen();
    Pen->SetStyle(psSolid);
    Pen->SetWidth(1);
    Pen->SetColor(Color);
    C->GetBrush()->SetStyle(bsSolid);
    C->SetBrushColor(Color);
}

void Line(TuiCanvas* C, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor Color)
{
    C->GetPen()->SetStyle(psSolid);
    C->GetPen()->SetWidth(1);
    C->GetPen()->SetColor(Color);
    C->MoveTo(X1, Y1);
    C->LineTo(X2, Y2);
}

// Text in R in Color, in AFont when given (else the canvas's font), over what is there.
void DrawTextIn(TuiCanvas* C, TRect R, const std::string& S, TFont* AFont, TColor Color, uint32_t Flags)
{
    if (S.empty() || IsRectEmpty(&R))
        return;
    if (AFont)
        C->GetFont()->Assign(AFont);
    C->GetFont()->SetColor(Color);
    C->GetBrush()->SetStyle(bsClear);
    C->DrawText(S, R, Flags);
    C->GetBrush()->SetStyle(bsSolid);
}

constexpr uint32_t kCentredLine = uiAlignHorzCenter | uiAlignVertCenter | uiSingleLine;

// An etched line across the middle of R: shadow, then highlight beside it.
void EtchedLine(TuiCanvas* C, const TRect& R, bool Vertical)
{
    if (Vertical) {
        const int32_t X = R.left + (Width(R) - 2) / 2;
        Fill(C, Rect(X, R.top, X + 1, R.bottom), clBtnShadow);
        Fill(C, Rect(X + 1, R.top, X + 2, R.bottom), clBtnHighlight);
    } else {
        const int32_t Y = R.top + (Height(R) - 2) / 2;
        Fill(C, Rect(R.left, Y, R.right, Y + 1), clBtnShadow);
        Fill(C, Rect(R.left, Y + 1, R.right, Y + 2), clBtnHighlight);
    }
}

// The three corners of an arrow centred in R: its base at most Size long (odd), its height half
// the base, both kept Indent away from R's edges. False when R has no room for one.
bool ArrowPoints(const TRect& R, TuiArrowDirection Direction, int32_t Size, int32_t Indent, std::array<TPoint, 3>& P)
{
    const bool Vertical = Direction == adUp || Direction == adDown;
    const int32_t Along = (Vertical ? Width(R) : Height(R)) - 2 * Indent;
    const int32_t Across = (Vertical ? Height(R) : Width(R)) - 2 * Indent;
    int32_t Base = std::min({Size, Along, 2 * Across - 1});
    if (Base % 2 == 0)
        --Base;
    if (Base < 1)
        return false;
    const int32_t H = (Base + 1) / 2;
    if (Vertical) {
        const int32_t X = R.left + (Width(R) - Base) / 2;
        const int32_t Y = R.top + (Height(R) - H) / 2;
        if (Direction == adDown)
            P = {Point(X, Y), Point(X + Base - 1, Y), Point(X + H - 1, Y + H - 1)};
        else
            P = {Point(X, Y + H - 1), Point(X + Base - 1, Y + H - 1), Point(X + H - 1, Y)};
    } else {
        const int32_t X = R.left + (Width(R) - H) / 2;
        const int32_t Y = R.top + (Height(R) - Base) / 2;
        if (Direction == adRight)
            P = {Point(X, Y), Point(X, Y + Base - 1), Point(X + H - 1, Y + H - 1)};
        else
            P = {Point(X + H - 1, Y), Point(X + H - 1, Y + Base - 1), Point(X, Y + H - 1)};
    }
    return true;
}

// A sort mark drawn in relief: the lit side in clBtnHighlight, the side away from the light in
// clBtnShadow, in an 8 x 7 box centred in R.
void DrawReliefSortMark(TuiCanvas* C, const TRect& R, bool Ascending)
{
    const int32_t W = std::min<int32_t>(8, Width(R)), H = std::min<int32_t>(7, Height(R));
    if (W < 3 || H < 3)
        return;
    const int32_t L = R.left + (Width(R) - W) / 2, T = R.top + (Height(R) - H) / 2;
    const int32_t Mid = L + W / 2;
    if (Ascending) {
        Line(C, Mid, T, L, T + H - 1, clBtnShadow);
        Line(C, L, T + H - 1, L + W, T + H - 1, clBtnHighlight);
        Line(C, Mid, T, L + W - 1, T + H - 1, clBtnHighlight);
    } else {
        Line(C, L, T, L + W, T, clBtnShadow);
        Line(C, L, T, Mid, T + H - 1, clBtnShadow);
        Line(C, L + W - 1, T, Mid, T + H - 1, clBtnHighlight);
    }
}

// A group box whose frame is a single line (Etched false) or an etched pair, broken by the caption
// near its left end.
void DrawGroupBoxFrame(const TuiCustomLookAndFeelPainter* P, TuiCanvas* C, const TRect& R, const std::string& Caption,
                       TFont* AFont, bool Etched)
{
    Fill(C, R, P->GroupColor());
    if (AFont)
        C->GetFont()->Assign(AFont);
    const TSize Extent = Caption.empty() ? TSize{0, C->TextExtent("Wg").cy} : C->TextExtent(Caption);
    const TRect F = Rect(R.left, R.top + Extent.cy / 2, R.right, R.bottom);
    if (Etched) {
        Frame(C, Rect(F.left, F.top, F.right - 1, F.bottom - 1), clBtnShadow);
        Frame(C, Rect(F.left + 1, F.top + 1, F.right, F.bottom), clBtnHighlight);
    } else {
        Frame(C, F, P->GroupLineColor());
    }
    if (!Caption.empty()) {
        const int32_t Right = std::min<int32_t>(R.left + 8 + Extent.cx + 4, R.right - 2);
        P->DrawGroupBoxCaption(C, Rect(R.left + 8, R.top, Right, R.top + Extent.cy), Caption, nullptr);
    }
}

// The part of a tab that is drawn: the whole rectangle for the active tab, else 2 pixels lower.
TRect TabFace(const TRect& R, bool Active)
{
    return Active ? R : Rect(R.left, std::min(R.top + 2, R.bottom), R.right, R.bottom);
}

// The tab's face and text, shared by every style.
void DrawTabFace(const TuiCustomLookAndFeelPainter* P, TuiCanvas* C, const TRect& Face, const std::string& Text,
                 TFont* AFont, TColor Background)
{
    Fill(C, Face, Background);
    DrawTextIn(C, Face, Text, AFont, P->TabTextColor(), kCentredLine);
}

// ---------------------------------------------------------------------------------------------
// Radio-button colours

// The colours of the seven classes of a radio button's pixels (outside needs none): outer ring
// upper-left and lower-right, inner ring upper-left and lower-right, face and dot. A check box
// of the same kind and state uses the same colours.
struct TRadioColors {
    TColor Ring[4];
    TColor Face;
    TColor Dot;
};

TRadioColors RadioColors(TuiLookAndFeelKind Kind, int32_t Variant, bool Checked, TuiButtonState State)
{
    TRadioColors C{};
    if (State == ubsDisabled)
        C.Face = clBtnFace;
    else if (Kind == lfUltraFlat)
        C.Face = State == ubsHot ? GetHotTintColor() : State == ubsPressed ? GetPressedTintColor() : clWindow;
    else
        C.Face = State == ubsPressed ? clBtnFace : clWindow;
    C.Dot = !Checked ? C.Face : State == ubsDisabled ? clBtnShadow : clBtnText;
    switch (Kind) {
    case lfFlat:
        C.Ring[0] = clBtnShadow, C.Ring[1] = clBtnHighlight, C.Ring[2] = cl3DLight, C.Ring[3] = cl3DLight;
        break;
    case lfStandard:
        C.Ring[0] = clBtnShadow, C.Ring[1] = clBtnHighlight, C.Ring[2] = cl3DDkShadow, C.Ring[3] = cl3DLight;
        break;
    default: {
        const bool Lit = Variant == 1 || State == ubsHot || (Checked && State != ubsDisabled);
        C.Ring[0] = C.Ring[1] = Lit ? clHighlight : clBtnShadow;
        C.Ring[2] = C.Ring[3] = C.Face;
        break;
    }
    }
    return C;
}

// ---------------------------------------------------------------------------------------------
// The radio template

enum TPixelClass : uint8_t { pcOutside, pcOuterUL, pcOuterLR, pcInnerUL, pcInnerLR, pcFace, pcDot, pcUnknown };

// The pixels (0x00RRGGBB, top-down) of a DrawFrameControl button part over Background.
std::vector<uint32_t> RenderButtonPart(int32_t W, int32_t H, COLORREF Background, UINT State)
{
    TBitmap B;
    B.SetPixelFormat(pf32bit);
    B.SetSize(W, H);
    TCanvas* C = B.GetCanvas();
    C->GetBrush()->SetColor(static_cast<TColor>(Background));
    C->FillRect(Rect(0, 0, W, H));
    RECT R{0, 0, W, H};
    DrawFrameControl(C->GetHandle(), &R, DFC_BUTTON, State);
    GdiFlush();
    std::vector<uint32_t> Pixels(static_cast<size_t>(W) * H);
    for (int32_t Y = 0; Y < H; ++Y) {
        const uint32_t* Row = static_cast<const uint32_t*>(B.ScanLine(Y));
        for (int32_t X = 0; X < W; ++X)
            Pixels[static_cast<size_t>(Y) * W + X] = Row[X] & 0xFFFFFF;
    }
    return Pixels;
}

// Sorts the template's pixels into classes by where they lie, never by their colours (systems
// draw their rings in colours of their own): the first pixel met from the outside along a row
// or a column is the outer ring, the next one inward the inner ring, each split into its
// upper-left and lower-right half by the diagonal through the drawn button; the face runs from
// the centre column along each row to the ring; the dot is the group of pixels round the centre
// that differ from the face's colour. Pixels a thick ring leaves inside the face (the steps of
// its curve) join the inner ring.
std::vector<uint8_t> ClassifyTemplate(const std::vector<uint32_t>& Pixels, const std::vector<bool>& Outside, int32_t W,
                                      int32_t H)
{
    std::vector<uint8_t> Class(Pixels.size(), pcUnknown);
    auto At = [W](int32_t X, int32_t Y) { return static_cast<size_t>(Y) * W + X; };
    auto Out = [&](int32_t X, int32_t Y) { return X < 0 || Y < 0 || X >= W || Y >= H || Outside[At(X, Y)]; };

    int32_t MinX = W, MinY = H, MaxX = -1, MaxY = -1;
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X) {
            if (Out(X, Y)) {
                Class[At(X, Y)] = pcOutside;
                continue;
            }
            MinX = std::min(MinX, X), MaxX = std::max(MaxX, X);
            MinY = std::min(MinY, Y), MaxY = std::max(MaxY, Y);
        }
    if (MaxX < 0)
        return Class;
    const int64_t BW = MaxX - MinX + 1, BH = MaxY - MinY + 1;
    auto UpperLeft = [&](int32_t X, int32_t Y) {
        return (2 * (X - MinX) + 1) * BH + (2 * (Y - MinY) + 1) * BW < 2 * BW * BH;
    };
    auto IsOuter = [&](int32_t X, int32_t Y) {
        return !Out(X, Y) && (Class[At(X, Y)] == pcOuterUL || Class[At(X, Y)] == pcOuterLR);
    };

    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X)
            if (!Out(X, Y) && (Out(X - 1, Y) || Out(X + 1, Y) || Out(X, Y - 1) || Out(X, Y + 1)))
                Class[At(X, Y)] = UpperLeft(X, Y) ? pcOuterUL : pcOuterLR;
    static const int32_t kSteps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X) {
            if (Class[At(X, Y)] != pcUnknown)
                continue;
            for (const auto& S : kSteps) {
                // Coming inward by S: the pixel before is the outer ring, the one before it outside.
                if (IsOuter(X - S[0], Y - S[1]) && Out(X - 2 * S[0], Y - 2 * S[1])) {
                    Class[At(X, Y)] = UpperLeft(X, Y) ? pcInnerUL : pcInnerLR;
                    break;
                }
            }
        }

    const int32_t CX = (MinX + MaxX) / 2, CY = (MinY + MaxY) / 2;
    std::vector<bool> Inside(Pixels.size(), false);
    std::map<uint32_t, int32_t> Colours;
    for (int32_t Y = 0; Y < H; ++Y) {
        if (Class[At(CX, Y)] != pcUnknown)
            continue;
        int32_t L = CX, R = CX;
        while (L > 0 && Class[At(L - 1, Y)] == pcUnknown)
            --L;
        while (R < W - 1 && Class[At(R + 1, Y)] == pcUnknown)
            ++R;
        for (int32_t X = L; X <= R; ++X) {
            Inside[At(X, Y)] = true;
            ++Colours[Pixels[At(X, Y)]];
        }
    }
    uint32_t FaceColour = 0;
    int32_t Most = -1;
    for (const auto& [Colour, Count] : Colours)
        if (Count > Most)
            FaceColour = Colour, Most = Count;

    // The dot: grown from the centre over inside pixels that are not of the face's colour.
    if (Inside[At(CX, CY)] && Pixels[At(CX, CY)] != FaceColour) {
        std::vector<TPoint> Stack{Point(CX, CY)};
        Class[At(CX, CY)] = pcDot;
        while (!Stack.empty()) {
            const TPoint P = Stack.back();
            Stack.pop_back();
            for (const auto& S : kSteps) {
                const int32_t X = P.x + S[0], Y = P.y + S[1];
                if (X < 0 || Y < 0 || X >= W || Y >= H)
                    continue;
                const size_t I = At(X, Y);
                if (Inside[I] && Class[I] == pcUnknown && Pixels[I] != FaceColour) {
                    Class[I] = pcDot;
                    Stack.push_back(Point(X, Y));
                }
            }
        }
    }
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X) {
            uint8_t& C = Class[At(X, Y)];
            if (C != pcUnknown)
                continue;
            if (Inside[At(X, Y)] && Pixels[At(X, Y)] == FaceColour)
                C = pcFace;
            else
                C = UpperLeft(X, Y) ? pcInnerUL : pcInnerLR;
        }
    return Class;
}

TuiRadioButtonImageList* RadioImages()
{
    if (!gRadioImages) {
        gRadioImages = std::make_unique<TuiRadioButtonImageList>();
        gListener = std::make_unique<TuiSysColorChangeEventListener>();
    }
    return gRadioImages.get();
}

// ---------------------------------------------------------------------------------------------
// The unit's bitmaps

void LoadImages()
{
    HINSTANCE Instance = GetModuleHandleA(nullptr);
    std::unique_ptr<TBitmap> Bitmaps[kIndicatorImageCount];
    TSize Size{16, 16};
    bool Sized = false;
    for (int32_t I = 0; I < kIndicatorImageCount; ++I) {
        if (!FindResourceA(Instance, kBitmapNames[I], MAKEINTRESOURCEA(2))) // RT_BITMAP, as an 8-bit name
            continue;
        Bitmaps[I] = std::make_unique<TBitmap>();
        Bitmaps[I]->LoadFromResourceName(Instance, kBitmapNames[I]);
        if (!Sized)
            Size = TSize{Bitmaps[I]->GetWidth(), Bitmaps[I]->GetHeight()}, Sized = true;
    }
    gImages = std::make_unique<TImageList>(nullptr);
    gImages->SetSize(Size.cx, Size.cy);
    for (auto& B : Bitmaps) {
        if (!B) {
            // A missing bitmap keeps its place, so the others keep their indexes.
            B = std::make_unique<TBitmap>();
            B->SetSize(Size.cx, Size.cy);
            B->GetCanvas()->GetBrush()->SetColor(clWhite);
            B->GetCanvas()->FillRect(Rect(0, 0, Size.cx, Size.cy));
        }
        gImages->AddMasked(B.get(), clWhite);
    }
}

void MakePatterns()
{
    static const TColor kColors[2][2] = {{clBtnFace, clBtnHighlight}, {clBlack, cl3DDkShadow}};
    for (int32_t I = 0; I < 2; ++I) {
        auto B = std::make_unique<TBitmap>();
        B->SetPixelFormat(pf24bit);
        B->SetSize(8, 8);
        TCanvas* C = B->GetCanvas();
        for (int32_t Y = 0; Y < 8; ++Y)
            for (int32_t X = 0; X < 8; ++X)
                C->SetPixel(X, Y, kColors[I][(X % 2) != (Y % 2)]);
        gPatterns[I] = std::move(B);
    }
}

void FreeResources()
{
    gListener.reset();
    gRadioImages.reset();
    for (auto& P : gPatterns)
        P.reset();
    gImages.reset();
}

} // namespace

uint32_t uiCellTextFlags(TAlignment HAlign, TuiVertAlignment VAlign, bool MultiLine, bool EndEllipsis)
{
    static const uint32_t kHorz[] = {uiAlignLeft, uiAlignRight, uiAlignHorzCenter};
    static const uint32_t kVert[] = {uiAlignTop, uiAlignBottom, uiAlignVertCenter};
    static const uint32_t kLines[] = {uiSingleLine, uiWordBreak};
    static const uint32_t kEllipsis[] = {0, uiShowEndEllipsis};
    const int H = HAlign >= taLeftJustify && HAlign <= taCenter ? HAlign : taLeftJustify;
    const int V = VAlign >= uvaTop && VAlign <= uvaCenter ? VAlign : uvaTop;
    return kHorz[H] + kVert[V] + kLines[MultiLine ? 1 : 0] + kEllipsis[EndEllipsis ? 1 : 0];
}

// =============================================================================================
// TuiCustomLookAndFeelPainter

TuiLookAndFeelPainterClass TuiCustomLookAndFeelPainter::Instance()
{
    static const TuiCustomLookAndFeelPainter kPainter;
    return &kPainter;
}

// 1.

int32_t TuiCustomLookAndFeelPainter::ContentOffset() const
{
    return 0;
}

// 2.

void TuiCustomLookAndFeelPainter::DrawFilledPolygon(TuiCanvas* ACanvas, const TRect& R, int32_t Size,
                                                    TColor AColor) const
{
    if (Width(R) <= 0 || Height(R) <= 0)
        return;
    const int32_t S = std::clamp(Size, 0, std::min(Width(R), Height(R)) / 2);
    const int32_t L = R.left, T = R.top, Rt = R.right - 1, B = R.bottom - 1;
    const TPoint P[] = {Point(L + S, T), Point(Rt - S, T), Point(Rt, T + S), Point(Rt, B - S),
                        Point(Rt - S, B), Point(L + S, B), Point(L, B - S), Point(L, T + S)};
    UsePenAndBrush(ACanvas, AColor);
    ACanvas->Polygon(P);
}

void TuiCustomLookAndFeelPainter::DrawCell(TuiCanvas* ACanvas, const TRect& R, const std::string& Text,
                                           TFont* AFont, TColor AFontColor, TColor ABkColor, TAlignment HAlign,
                                           TuiVertAlignment VAlign, bool MultiLine, bool EndEllipsis,
                                           const TuiCellCustomDrawEvent& CustomDraw) const
{
    const bool Handled = CustomDraw && CustomDraw(ACanvas, R);
    if (!Handled)
        Fill(ACanvas, R, ABkColor);
    DrawTextIn(ACanvas, R, Text, AFont, AFontColor, uiCellTextFlags(HAlign, VAlign, MultiLine, EndEllipsis));
}

// 3.

TRect TuiCustomLookAndFeelPainter::ContentRect(const TRect& R) const
{
    return Deflated(R, ContentBorderSize());
}

TRect TuiCustomLookAndFeelPainter::InnerContentRect(const TRect& R) const
{
    return Deflated(ContentRect(R), 2);
}

// 4.

TuiLookAndFeelKind TuiCustomLookAndFeelPainter::Kind() const
{
    return lfStandard;
}

// 5.

TColor TuiCustomLookAndFeelPainter::WindowColor() const { return clWindow; }
TColor TuiCustomLookAndFeelPainter::WindowTextColor() const { return clWindowText; }
TColor TuiCustomLookAndFeelPainter::ShadowColor() const { return clBtnShadow; }
TColor TuiCustomLookAndFeelPainter::HighlightColor() const { return clBtnHighlight; }
TColor TuiCustomLookAndFeelPainter::TextColor() const { return clBtnText; }
TColor TuiCustomLookAndFeelPainter::FaceColor() const { return clBtnFace; }
TColor TuiCustomLookAndFeelPainter::HeaderTextColor() const { return clBtnText; }
TColor TuiCustomLookAndFeelPainter::HeaderLineColor() const { return clBtnShadow; }
TColor TuiCustomLookAndFeelPainter::HeaderColor() const { return clBtnFace; }
TColor TuiCustomLookAndFeelPainter::FooterTextColor() const { return clBtnText; }
TColor TuiCustomLookAndFeelPainter::FooterLineColor() const { return clBtnShadow; }
TColor TuiCustomLookAndFeelPainter::FooterColor() const { return clBtnFace; }
TColor TuiCustomLookAndFeelPainter::GroupColor() const { return clBtnFace; }
TColor TuiCustomLookAndFeelPainter::GroupTextColor() const { return clBtnText; }
TColor TuiCustomLookAndFeelPainter::GroupLineColor() const { return clBtnShadow; }
TColor TuiCustomLookAndFeelPainter::IndicatorColor() const { return clBtnFace; }
TColor TuiCustomLookAndFeelPainter::PanelColor() const { return clBtnFace; }
TColor TuiCustomLookAndFeelPainter::PanelTextColor() const { return clBtnText; }
TColor TuiCustomLookAndFeelPainter::LinkColor() const { return clBlue; }
TColor TuiCustomLookAndFeelPainter::GridLineColor() const { return HeaderLineColor(); }
TColor TuiCustomLookAndFeelPainter::SelectionColor() const { return clHighlight; }
TColor TuiCustomLookAndFeelPainter::SelectionTextColor() const { return clHighlightText; }
TColor TuiCustomLookAndFeelPainter::TabColor() const { return clBtnFace; }
TColor TuiCustomLookAndFeelPainter::TabPageColor() const { return clBtnFace; }
TColor TuiCustomLookAndFeelPainter::TabTextColor() const { return clBtnText; }
TColor TuiCustomLookAndFeelPainter::SplitterColor() const { return clBtnFace; }

// 6.

void TuiCustomLookAndFeelPainter::DrawArrow(TuiCanvas* ACanvas, const TRect& R, TuiArrowDirection Direction,
                                            TColor AColor) const
{
    std::array<TPoint, 3> P;
    if (!ArrowPoints(R, Direction, ArrowSize(), ArrowIndent(), P))
        return;
    UsePenAndBrush(ACanvas, AColor);
    ACanvas->Polygon(P);
}

void TuiCustomLookAndFeelPainter::DrawArrowButton(TuiCanvas* ACanvas, const TRect& R, TuiArrowDirection Direction,
                                                  TuiButtonState State, bool FillBackground) const
{
    if (FillBackground)
        DrawButtonBackground(ACanvas, R, State);
    else
        Fill(ACanvas, R, ButtonBackgroundColor(State));
    DrawPressedArrow(ACanvas, R, Direction, State);
}

void TuiCustomLookAndFeelPainter::DrawButtonBackground(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const
{
    Fill(ACanvas, R, ButtonBackgroundColor(State));
    DrawButtonFrame(ACanvas, R, State);
}

void TuiCustomLookAndFeelPainter::DrawPressedArrow(TuiCanvas* ACanvas, const TRect& R, TuiArrowDirection Direction,
                                                   TuiButtonState State) const
{
    TRect A = R;
    if (State == ubsPressed)
        OffsetRect(&A, ButtonPressedShift(), ButtonPressedShift());
    DrawArrow(ACanvas, A, Direction, ButtonSymbolColor(State));
}


int32_t TuiCustomLookAndFeelPainter::BorderSize() const
{
    return 0;
}

int32_t TuiCustomLookAndFeelPainter::EdgeWidth(bool) const
{
    return 0;
}

void TuiCustomLookAndFeelPainter::DrawBorder(TuiCanvas*, const TRect&) const {}


TColor TuiCustomLookAndFeelPainter::ButtonBackgroundColor(TuiButtonState) const
{
    return clBtnFace;
}

int32_t TuiCustomLookAndFeelPainter::ButtonInnerIndent() const
{
    return 0;
}

int32_t TuiCustomLookAndFeelPainter::ButtonPressedShift() const
{
    return 0;
}

TColor TuiCustomLookAndFeelPainter::ButtonSymbolColor(TuiButtonState State) const
{
    return State == ubsDisabled ? clBtnShadow : clBtnText;
}

void TuiCustomLookAndFeelPainter::DrawButtonFrame(TuiCanvas*, const TRect&, TuiButtonState) const {}

void TuiCustomLookAndFeelPainter::DrawButton(TuiCanvas* ACanvas, const TRect& R, const std::string& Caption,
                                             TuiButtonState State) const
{
    DrawButtonBackground(ACanvas, R, State);
    TRect T = Deflated(R, BorderSize() + ButtonInnerIndent());
    if (State == ubsPressed)
        OffsetRect(&T, ButtonPressedShift(), ButtonPressedShift());
    DrawTextIn(ACanvas, T, Caption, nullptr, ButtonSymbolColor(State), kCentredLine);
}

void TuiCustomLookAndFeelPainter::DrawDropDownButton(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const
{
    DrawArrowButton(ACanvas, R, adDown, State, true);
}

void TuiCustomLookAndFeelPainter::DrawSpinButtons(TuiCanvas* ACanvas, const TRect& R, TuiButtonState UpState,
                                                  TuiButtonState DownState) const
{
    const int32_t Middle = R.top + Height(R) / 2;
    DrawArrowButton(ACanvas, Rect(R.left, R.top, R.right, Middle), adUp, UpState, true);
    DrawArrowButton(ACanvas, Rect(R.left, Middle, R.right, R.bottom), adDown, DownState, true);
}

void TuiCustomLookAndFeelPainter::DrawCloseButton(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const
{
    DrawButtonBackground(ACanvas, R, State);
    const TRect Inner = Deflated(R, BorderSize() + ButtonInnerIndent() + 2);
    const int32_t N = std::min(Width(Inner), Height(Inner));
    if (N < 2)
        return;
    TRect Box = CentredSquare(Inner, N);
    if (State == ubsPressed)
        OffsetRect(&Box, ButtonPressedShift(), ButtonPressedShift());
    // Two diagonals two pixels thick.
    const TColor Color = ButtonSymbolColor(State);
    for (int32_t I = 0; I < N; ++I) {
        const int32_t Y = Box.top + I;
        Fill(ACanvas, Rect(Box.left + I, Y, std::min(Box.left + I + 2, Box.right), Y + 1), Color);
        Fill(ACanvas, Rect(std::max(Box.right - I - 2, Box.left), Y, Box.right - I, Y + 1), Color);
    }
}

void TuiCustomLookAndFeelPainter::DrawEllipsisButton(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const
{
    DrawButtonBackground(ACanvas, R, State);
    int32_t X = R.left + (Width(R) - 10) / 2, Y = R.top + (Height(R) - 2) / 2;
    if (State == ubsPressed)
        X += ButtonPressedShift(), Y += ButtonPressedShift();
    for (int32_t I = 0; I < 3; ++I)
        Fill(ACanvas, Rect(X + 4 * I, Y, X + 4 * I + 2, Y + 2), ButtonSymbolColor(State));
}


int32_t TuiCustomLookAndFeelPainter::CheckButtonSize() const
{
    return 0;
}

void TuiCustomLookAndFeelPainter::DrawCheckMark(TuiCanvas* ACanvas, const TRect& R, TColor AColor) const
{
    // A tick 7 wide and 7 high, three pixels thick, centred in R.
    const int32_t X = R.left + (Width(R) - 7) / 2, Y = R.top + (Height(R) - 7) / 2;
    for (int32_t I = 0; I < 7; ++I) {
        const int32_t Top = I <= 2 ? I + 2 : 6 - I;
        TRect P = Rect(X + I, Y + Top, X + I + 1, Y + Top + 3);
        IntersectRect(&P, &P, &R);
        Fill(ACanvas, P, AColor);
    }
}

void TuiCustomLookAndFeelPainter::DrawCheckBox(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State,
                                               bool Checked) const
{
    const int32_t Size = CheckButtonSize();
    if (Size <= 0)
        return;
    const TRect Box = CentredSquare(R, Size);
    const TRadioColors C = RadioColors(Kind(), 0, Checked, State);
    Fill(ACanvas, Box, C.Face);
    Edge(ACanvas, Box, C.Ring[0], C.Ring[1]);
    Edge(ACanvas, Deflated(Box, 1), C.Ring[2], C.Ring[3]);
    if (Checked)
        DrawCheckMark(ACanvas, Deflated(Box, 2), C.Dot);
}

void TuiCustomLookAndFeelPainter::DrawCheckButton(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State,
                                                  bool Checked) const
{
    DrawButtonBackground(ACanvas, R, Checked && State != ubsDisabled ? ubsPressed : State);
}

void TuiCustomLookAndFeelPainter::DrawRadioButton(TuiCanvas* ACanvas, int32_t X, int32_t Y, TuiButtonState State,
                                                  bool Checked, int32_t Variant, TColor BkColor) const
{
    RadioImages()->Draw(ACanvas->GetCanvas(), X, Y, TuiRadioButtonImageList::ImageIndex(Kind(), Variant, Checked, State),
                        BkColor);
}


bool TuiCustomLookAndFeelPainter::IsHotTracking() const
{
    return false;
}

int32_t TuiCustomLookAndFeelPainter::ArrowSize() const
{
    return 9;
}

int32_t TuiCustomLookAndFeelPainter::ArrowIndent() const
{
    return 2;
}


TColor TuiCustomLookAndFeelPainter::EditColor(int32_t Index) const
{
    static const TColor kColors[kEditColorCount] = {clWindow, clWindow, clWindow, clBtnFace, clBtnFace};
    return Index >= 0 && Index < kEditColorCount ? kColors[Index] : clWindow;
}

uint32_t TuiCustomLookAndFeelPainter::VisibleBorders(uint32_t) const
{
    return uiBorderAll;
}

void TuiCustomLookAndFeelPainter::DrawEditBackground(TuiCanvas* ACanvas, const TRect& R, int32_t ColorIndex) const
{
    Fill(ACanvas, R, EditColor(ColorIndex));
}

void TuiCustomLookAndFeelPainter::DrawEditBorder(TuiCanvas*, const TRect&, uint32_t, bool) const {}


int32_t TuiCustomLookAndFeelPainter::HeaderBorderSize() const
{
    return 0;
}

void TuiCustomLookAndFeelPainter::DrawHeader(TuiCanvas* ACanvas, const TRect& R, const std::string& Text,
                                             TFont* AFont, TAlignment HAlign, TuiButtonState State) const
{
    Fill(ACanvas, R, State == ubsHot || State == ubsPressed ? ButtonBackgroundColor(State) : HeaderColor());
    DrawHeaderBorder(ACanvas, R, uiBorderAll, State);
    TRect T = Deflated(R, HeaderBorderSize() + CellTextOffset());
    if (State == ubsPressed)
        OffsetRect(&T, ButtonPressedShift(), ButtonPressedShift());
    DrawTextIn(ACanvas, T, Text, AFont, HeaderTextColor(), uiCellTextFlags(HAlign, uvaCenter, false, true));
}

void TuiCustomLookAndFeelPainter::DrawHeaderBorder(TuiCanvas*, const TRect&, uint32_t, TuiButtonState) const {}

void TuiCustomLookAndFeelPainter::DrawHeaderSeparator(TuiCanvas* ACanvas, const TRect& R) const
{
    const int32_t X = R.left + (Width(R) - 1) / 2;
    Fill(ACanvas, Rect(X, R.top + 2, X + 1, R.bottom - 2), HeaderLineColor());
}

TPoint TuiCustomLookAndFeelPainter::SortMarkOffset() const
{
    return Point(0, 0);
}

void TuiCustomLookAndFeelPainter::DrawSortMark(TuiCanvas* ACanvas, const TRect& R, bool Ascending) const
{
    DrawArrow(ACanvas, R, Ascending ? adUp : adDown, ShadowColor());
}


uint32_t TuiCustomLookAndFeelPainter::FooterBorders() const
{
    return uiBorderAll;
}

void TuiCustomLookAndFeelPainter::DrawFooterContent(TuiCanvas* ACanvas, const TRect& R) const
{
    Fill(ACanvas, R, FooterColor());
}

void TuiCustomLookAndFeelPainter::DrawFooterCell(TuiCanvas* ACanvas, const TRect& R, const std::string& Text,
                                                 TFont* AFont, TAlignment HAlign) const
{
    Fill(ACanvas, R, FooterColor());
    DrawFooterBorder(ACanvas, R);
    DrawTextIn(ACanvas, Deflated(R, 1 + CellTextOffset()), Text, AFont, FooterTextColor(),
         uiCellTextFlags(HAlign, uvaCenter, false, true));
}

void TuiCustomLookAndFeelPainter::DrawFooterBorder(TuiCanvas*, const TRect&) const {}


int32_t TuiCustomLookAndFeelPainter::FrameBorderSize() const
{
    return 0;
}

int32_t TuiCustomLookAndFeelPainter::ContentBorderSize() const
{
    return 0;
}

int32_t TuiCustomLookAndFeelPainter::CellTextOffset() const
{
    return 0;
}

void TuiCustomLookAndFeelPainter::DrawFrame(TuiCanvas* ACanvas, const TRect& R, TColor AColor, uint32_t Borders) const
{
    if (FrameBorderSize() <= 0)
        return;
    ACanvas->GetBrush()->SetStyle(bsSolid);
    ACanvas->FrameRect(R, AColor, Borders, FrameBorderSize());
}


void TuiCustomLookAndFeelPainter::DrawGroupBox(TuiCanvas* ACanvas, const TRect& R, const std::string& Caption,
                                               TFont* AFont) const
{
    DrawGroupBoxFrame(this, ACanvas, R, Caption, AFont, false);
}

void TuiCustomLookAndFeelPainter::DrawGroupBoxCaption(TuiCanvas* ACanvas, const TRect& R, const std::string& Caption,
                                                      TFont* AFont) const
{
    DrawCell(ACanvas, R, Caption, AFont, GroupTextColor(), GroupColor(), taCenter, uvaCenter, false, true, {});
}

void TuiCustomLookAndFeelPainter::DrawPanel(TuiCanvas* ACanvas, const TRect& R, const std::string& Text,
                                            TFont* AFont) const
{
    Fill(ACanvas, R, PanelColor());
    DrawTextIn(ACanvas, Deflated(R, 2), Text, AFont, PanelTextColor(), kCentredLine);
}

void TuiCustomLookAndFeelPainter::DrawSplitter(TuiCanvas* ACanvas, const TRect& R, bool) const
{
    Fill(ACanvas, R, SplitterColor());
}

void TuiCustomLookAndFeelPainter::DrawSeparator(TuiCanvas* ACanvas, const TRect& R, bool Vertical) const
{
    if (Vertical) {
        const int32_t X = R.left + (Width(R) - 1) / 2;
        Fill(ACanvas, Rect(X, R.top, X + 1, R.bottom), ShadowColor());
    } else {
        const int32_t Y = R.top + (Height(R) - 1) / 2;
        Fill(ACanvas, Rect(R.left, Y, R.right, Y + 1), ShadowColor());
    }
}

void TuiCustomLookAndFeelPainter::DrawTab(TuiCanvas* ACanvas, const TRect& R, const std::string& Text, TFont* AFont,
                                          bool Active, bool) const
{
    DrawTabFace(this, ACanvas, TabFace(R, Active), Text, AFont, Active ? TabPageColor() : TabColor());
}

void TuiCustomLookAndFeelPainter::DrawTabBorder(TuiCanvas*, const TRect&) const {}

void TuiCustomLookAndFeelPainter::DrawFocusFrame(TuiCanvas* ACanvas, const TRect& R) const
{
    ACanvas->GetCanvas()->DrawFocusRect(R);
}


TSize TuiCustomLookAndFeelPainter::CheckBoxImageSize() const
{
    return TSize{13, 13};
}

TSize TuiCustomLookAndFeelPainter::IndicatorImageSize() const
{
    return TSize{16, 14};
}

TSize TuiCustomLookAndFeelPainter::ScrollButtonSize() const
{
    return TSize{15, 0};
}

void TuiCustomLookAndFeelPainter::DrawIndicatorImage(TuiCanvas* ACanvas, const TRect& R, int32_t Index) const
{
    if (!gImages || Index < 0 || Index >= gImages->GetCount())
        return;
    const int32_t X = R.left + (Width(R) - gImages->GetWidth()) / 2;
    const int32_t Y = R.top + (Height(R) - gImages->GetHeight()) / 2;
    gImages->Draw(ACanvas->GetCanvas(), X, Y, Index);
}

void TuiCustomLookAndFeelPainter::DrawIndicatorItem(TuiCanvas* ACanvas, const TRect& R, int32_t Index) const
{
    Fill(ACanvas, R, IndicatorColor());
    DrawHeaderBorder(ACanvas, R, uiBorderAll, ubsNormal);
    DrawIndicatorImage(ACanvas, R, Index);
}


void TuiCustomLookAndFeelPainter::DrawPlusMinus(TuiCanvas* ACanvas, const TRect& R, TColor AColor,
                                                bool MinusOnly) const
{
    const int32_t H = (Width(R) - 4) / 2;
    if (H < 0 || Height(R) <= 0)
        return;
    // The bars' length follows the width; in a rectangle lower than wide the vertical bar stops
    // at its edges instead of running into what lies above and below.
    const int32_t CX = (R.left + R.right) / 2, CY = (R.top + R.bottom) / 2;
    TRect Bar = Rect(CX - H, CY, CX + H + 1, CY + 1);
    IntersectRect(&Bar, &Bar, &R);
    Fill(ACanvas, Bar, AColor);
    if (MinusOnly)
        return;
    Bar = Rect(CX, CY - H, CX + 1, CY + H + 1);
    IntersectRect(&Bar, &Bar, &R);
    Fill(ACanvas, Bar, AColor);
}

void TuiCustomLookAndFeelPainter::DrawExpandButton(TuiCanvas* ACanvas, const TRect& R, bool Expanded) const
{
    int32_t Size = std::min<int32_t>({9, Width(R), Height(R)});
    if (Size % 2 == 0)
        --Size;
    if (Size < 5) {
        DrawPlusMinus(ACanvas, R, TextColor(), Expanded);
        return;
    }
    const TRect Box = CentredSquare(R, Size);
    Fill(ACanvas, Box, WindowColor());
    Frame(ACanvas, Box, ShadowColor());
    DrawPlusMinus(ACanvas, Box, TextColor(), Expanded);
}


void TuiCustomLookAndFeelPainter::DrawSizeGrip(TuiCanvas* ACanvas, const TRect& R) const
{
    // Diagonal lines toward the bottom-right corner: a lit one, then two in shadow, then a gap.
    const int32_t Size = std::min<int32_t>({Width(R), Height(R), 13});
    for (int32_t K = 1; K < Size; ++K) {
        if (K % 4 == 0)
            continue;
        Line(ACanvas, R.right - K, R.bottom - 1, R.right, R.bottom - 1 - K, K % 4 == 1 ? clBtnHighlight : clBtnShadow);
    }
}

void TuiCustomLookAndFeelPainter::DrawProgressBar(TuiCanvas* ACanvas, const TRect& R, int32_t Percent,
                                                  bool Horizontal) const
{
    DrawBorder(ACanvas, R);
    const TRect Inner = Deflated(R, BorderSize());
    if (IsRectEmpty(&Inner))
        return;
    Fill(ACanvas, Inner, FaceColor());
    const int32_t P = std::clamp(Percent, 0, 100);
    TRect Done = Inner;
    if (Horizontal)
        Done.right = Inner.left + Width(Inner) * P / 100;
    else
        Done.top = Inner.bottom - Height(Inner) * P / 100;
    if (!IsRectEmpty(&Done))
        DrawProgressBarChunk(ACanvas, Done);
}

void TuiCustomLookAndFeelPainter::DrawProgressBarChunk(TuiCanvas* ACanvas, const TRect& R) const
{
    Fill(ACanvas, R, SelectionColor());
}

void TuiCustomLookAndFeelPainter::DrawTrackBar(TuiCanvas* ACanvas, const TRect& R, bool Horizontal) const
{
    TRect Channel;
    if (Horizontal) {
        const int32_t Y = R.top + (Height(R) - 4) / 2;
        Channel = Rect(R.left + 2, Y, R.right - 2, Y + 4);
    } else {
        const int32_t X = R.left + (Width(R) - 4) / 2;
        Channel = Rect(X, R.top + 2, X + 4, R.bottom - 2);
    }
    if (IsRectEmpty(&Channel))
        return;
    Fill(ACanvas, Channel, WindowColor());
    DrawBorder(ACanvas, Channel);
}

void TuiCustomLookAndFeelPainter::DrawTrackBarThumb(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const
{
    DrawButtonBackground(ACanvas, R, State);
}


int32_t TuiCustomLookAndFeelPainter::ScrollBarBorderSize() const
{
    return 0;
}

void TuiCustomLookAndFeelPainter::DrawScrollBarBackground(TuiCanvas* ACanvas, const TRect& R, bool) const
{
    Fill(ACanvas, R, clScrollBar);
}

void TuiCustomLookAndFeelPainter::DrawScrollBarPart(TuiCanvas*, const TRect&, TuiScrollBarPart, TuiButtonState,
                                                    bool) const
{
}

// =============================================================================================
// TuiStandardLookAndFeelPainter: raised 3-D edges of two frame pairs; a pressed part has a
// single shadow frame.

TuiLookAndFeelPainterClass TuiStandardLookAndFeelPainter::Instance()
{
    static const TuiStandardLookAndFeelPainter kPainter;
    return &kPainter;
}

int32_t TuiStandardLookAndFeelPainter::BorderSize() const { return 2; }
int32_t TuiStandardLookAndFeelPainter::EdgeWidth(bool Thin) const { return Thin ? 2 : 3; }
int32_t TuiStandardLookAndFeelPainter::ButtonInnerIndent() const { return 1; }
int32_t TuiStandardLookAndFeelPainter::ButtonPressedShift() const { return 1; }
int32_t TuiStandardLookAndFeelPainter::CheckButtonSize() const { return 12; }
int32_t TuiStandardLookAndFeelPainter::HeaderBorderSize() const { return 1; }
TPoint TuiStandardLookAndFeelPainter::SortMarkOffset() const { return Point(8, 7); }
int32_t TuiStandardLookAndFeelPainter::FrameBorderSize() const { return 1; }
int32_t TuiStandardLookAndFeelPainter::ContentBorderSize() const { return 1; }
int32_t TuiStandardLookAndFeelPainter::CellTextOffset() const { return 1; }
int32_t TuiStandardLookAndFeelPainter::ScrollBarBorderSize() const { return 1; }

void TuiStandardLookAndFeelPainter::DrawBorder(TuiCanvas* ACanvas, const TRect& R) const
{
    Edge(ACanvas, R, clBtnShadow, clBtnHighlight);
    Edge(ACanvas, Deflated(R, 1), cl3DDkShadow, cl3DLight);
}

void TuiStandardLookAndFeelPainter::DrawButtonFrame(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const
{
    if (State == ubsPressed) {
        Frame(ACanvas, R, clBtnShadow);
        return;
    }
    Edge(ACanvas, R, clBtnFace, cl3DDkShadow);
    Edge(ACanvas, Deflated(R, 1), clBtnHighlight, clBtnShadow);
}

void TuiStandardLookAndFeelPainter::DrawEditBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Neighbours,
                                                   bool) const
{
    const uint32_t Sides = VisibleBorders(Neighbours);
    Edge(ACanvas, R, clBtnShadow, clBtnHighlight, Sides);
    Edge(ACanvas, Deflated(R, 1), cl3DDkShadow, cl3DLight, Sides);
}

void TuiStandardLookAndFeelPainter::DrawHeaderBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Borders,
                                                     TuiButtonState State) const
{
    if (State == ubsPressed)
        Frame(ACanvas, R, clBtnShadow, Borders);
    else
        Edge(ACanvas, R, clBtnHighlight, clBtnShadow, Borders);
}

void TuiStandardLookAndFeelPainter::DrawHeaderSeparator(TuiCanvas* ACanvas, const TRect& R) const
{
    EtchedLine(ACanvas, Rect(R.left, R.top + 2, R.right, R.bottom - 2), true);
}

void TuiStandardLookAndFeelPainter::DrawSortMark(TuiCanvas* ACanvas, const TRect& R, bool Ascending) const
{
    DrawReliefSortMark(ACanvas, R, Ascending);
}

void TuiStandardLookAndFeelPainter::DrawFooterBorder(TuiCanvas* ACanvas, const TRect& R) const
{
    Edge(ACanvas, R, clBtnShadow, clBtnHighlight, FooterBorders());
}

void TuiStandardLookAndFeelPainter::DrawGroupBox(TuiCanvas* ACanvas, const TRect& R, const std::string& Caption,
                                                 TFont* AFont) const
{
    DrawGroupBoxFrame(this, ACanvas, R, Caption, AFont, true);
}

void TuiStandardLookAndFeelPainter::DrawPanel(TuiCanvas* ACanvas, const TRect& R, const std::string& Text,
                                              TFont* AFont) const
{
    TuiCustomLookAndFeelPainter::DrawPanel(ACanvas, R, Text, AFont);
    Edge(ACanvas, R, clBtnHighlight, clBtnShadow);
}

void TuiStandardLookAndFeelPainter::DrawSplitter(TuiCanvas* ACanvas, const TRect& R, bool Horizontal) const
{
    TuiCustomLookAndFeelPainter::DrawSplitter(ACanvas, R, Horizontal);
    Edge(ACanvas, R, clBtnHighlight, clBtnShadow);
}

void TuiStandardLookAndFeelPainter::DrawSeparator(TuiCanvas* ACanvas, const TRect& R, bool Vertical) const
{
    EtchedLine(ACanvas, R, Vertical);
}

void TuiStandardLookAndFeelPainter::DrawTab(TuiCanvas* ACanvas, const TRect& R, const std::string& Text,
                                            TFont* AFont, bool Active, bool Hot) const
{
    TuiCustomLookAndFeelPainter::DrawTab(ACanvas, R, Text, AFont, Active, Hot);
    const TRect F = TabFace(R, Active);
    Edge(ACanvas, F, clBtnHighlight, cl3DDkShadow, uiBorderLeft | uiBorderTop | uiBorderRight);
    Frame(ACanvas, Rect(F.left, F.top + 1, F.right - 1, F.bottom), clBtnShadow, uiBorderRight);
}

void TuiStandardLookAndFeelPainter::DrawTabBorder(TuiCanvas* ACanvas, const TRect& R) const
{
    Edge(ACanvas, R, clBtnHighlight, cl3DDkShadow);
    Edge(ACanvas, Deflated(R, 1), cl3DLight, clBtnShadow);
}

void TuiStandardLookAndFeelPainter::DrawScrollBarPart(TuiCanvas* ACanvas, const TRect& R, TuiScrollBarPart Part,
                                                      TuiButtonState State, bool Horizontal) const
{
    switch (Part) {
    case sbpLineUp:
    case sbpLineDown: {
        // The system's own arrow buttons.
        UINT Kind;
        if (Horizontal)
            Kind = Part == sbpLineUp ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT;
        else
            Kind = Part == sbpLineUp ? DFCS_SCROLLUP : DFCS_SCROLLDOWN;
        if (State == ubsDisabled)
            Kind |= DFCS_INACTIVE;
        if (State == ubsPressed)
            Kind |= DFCS_FLAT;
        RECT B = R;
        DrawFrameControl(ACanvas->GetHandle(), &B, DFC_SCROLL, Kind);
        break;
    }
    case sbpThumb:
        Fill(ACanvas, R, clBtnFace);
        DrawButtonFrame(ACanvas, R, ubsNormal);
        break;
    case sbpPageUp:
    case sbpPageDown:
        if (State == ubsPressed && gPatterns[0]) {
            // The pattern's cells line up with the canvas, so neighbouring parts meet seamlessly.
            HBRUSH Brush = CreatePatternBrush(gPatterns[0]->GetHandle());
            if (Brush) {
                ::FillRect(ACanvas->GetHandle(), &R, Brush);
                DeleteObject(Brush);
            }
        } else {
            DrawScrollBarBackground(ACanvas, R, Horizontal);
        }
        break;
    default:
        break;
    }
}

// =============================================================================================
// TuiFlatLookAndFeelPainter: a single edge pair one pixel inside the part.

TuiLookAndFeelPainterClass TuiFlatLookAndFeelPainter::Instance()
{
    static const TuiFlatLookAndFeelPainter kPainter;
    return &kPainter;
}

TuiLookAndFeelKind TuiFlatLookAndFeelPainter::Kind() const { return lfFlat; }
int32_t TuiFlatLookAndFeelPainter::BorderSize() const { return 1; }
int32_t TuiFlatLookAndFeelPainter::EdgeWidth(bool Thin) const { return Thin ? 1 : 2; }
int32_t TuiFlatLookAndFeelPainter::ButtonInnerIndent() const { return 1; }
int32_t TuiFlatLookAndFeelPainter::ButtonPressedShift() const { return 1; }
int32_t TuiFlatLookAndFeelPainter::CheckButtonSize() const { return 11; }
int32_t TuiFlatLookAndFeelPainter::HeaderBorderSize() const { return 1; }
TPoint TuiFlatLookAndFeelPainter::SortMarkOffset() const { return Point(8, 7); }
int32_t TuiFlatLookAndFeelPainter::FrameBorderSize() const { return 1; }
int32_t TuiFlatLookAndFeelPainter::ContentBorderSize() const { return 1; }
int32_t TuiFlatLookAndFeelPainter::CellTextOffset() const { return 1; }
int32_t TuiFlatLookAndFeelPainter::ScrollBarBorderSize() const { return 1; }

void TuiFlatLookAndFeelPainter::DrawBorder(TuiCanvas* ACanvas, const TRect& R) const
{
    Edge(ACanvas, R, clBtnShadow, clBtnHighlight);
}

void TuiFlatLookAndFeelPainter::DrawButtonBackground(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const
{
    // The outer ring stays what it was: the button lies one pixel inside.
    Fill(ACanvas, Deflated(R, 1), ButtonBackgroundColor(State));
    DrawButtonFrame(ACanvas, R, State);
}

void TuiFlatLookAndFeelPainter::DrawButtonFrame(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const
{
    if (State == ubsPressed)
        Edge(ACanvas, Deflated(R, 1), clBtnShadow, clBtnHighlight);
    else
        Edge(ACanvas, Deflated(R, 1), clBtnHighlight, clBtnShadow);
}

void TuiFlatLookAndFeelPainter::DrawEditBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Neighbours, bool) const
{
    Edge(ACanvas, R, clBtnShadow, clBtnHighlight, VisibleBorders(Neighbours));
}

void TuiFlatLookAndFeelPainter::DrawHeaderBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Borders,
                                                 TuiButtonState State) const
{
    if (State == ubsPressed)
        Edge(ACanvas, R, clBtnShadow, clBtnHighlight, Borders);
    else
        Edge(ACanvas, R, clBtnHighlight, clBtnShadow, Borders);
}

void TuiFlatLookAndFeelPainter::DrawHeaderSeparator(TuiCanvas* ACanvas, const TRect& R) const
{
    EtchedLine(ACanvas, Rect(R.left, R.top + 2, R.right, R.bottom - 2), true);
}

void TuiFlatLookAndFeelPainter::DrawSortMark(TuiCanvas* ACanvas, const TRect& R, bool Ascending) const
{
    DrawReliefSortMark(ACanvas, R, Ascending);
}

void TuiFlatLookAndFeelPainter::DrawFooterBorder(TuiCanvas* ACanvas, const TRect& R) const
{
    Edge(ACanvas, R, clBtnShadow, clBtnHighlight, FooterBorders());
}

void TuiFlatLookAndFeelPainter::DrawGroupBox(TuiCanvas* ACanvas, const TRect& R, const std::string& Caption,
                                             TFont* AFont) const
{
    DrawGroupBoxFrame(this, ACanvas, R, Caption, AFont, true);
}

void TuiFlatLookAndFeelPainter::DrawPanel(TuiCanvas* ACanvas, const TRect& R, const std::string& Text,
                                          TFont* AFont) const
{
    TuiCustomLookAndFeelPainter::DrawPanel(ACanvas, R, Text, AFont);
    Edge(ACanvas, Deflated(R, 1), clBtnHighlight, clBtnShadow);
}

void TuiFlatLookAndFeelPainter::DrawSplitter(TuiCanvas* ACanvas, const TRect& R, bool Horizontal) const
{
    TuiCustomLookAndFeelPainter::DrawSplitter(ACanvas, R, Horizontal);
    // Lit along the long side nearer the top or left, shaded along the other.
    if (Horizontal)
        Edge(ACanvas, R, clBtnHighlight, clBtnShadow, uiBorderTop | uiBorderBottom);
    else
        Edge(ACanvas, R, clBtnHighlight, clBtnShadow, uiBorderLeft | uiBorderRight);
}

void TuiFlatLookAndFeelPainter::DrawSeparator(TuiCanvas* ACanvas, const TRect& R, bool Vertical) const
{
    EtchedLine(ACanvas, R, Vertical);
}

void TuiFlatLookAndFeelPainter::DrawTab(TuiCanvas* ACanvas, const TRect& R, const std::string& Text, TFont* AFont,
                                        bool Active, bool Hot) const
{
    TuiCustomLookAndFeelPainter::DrawTab(ACanvas, R, Text, AFont, Active, Hot);
    Edge(ACanvas, TabFace(R, Active), clBtnHighlight, clBtnShadow, uiBorderLeft | uiBorderTop | uiBorderRight);
}

void TuiFlatLookAndFeelPainter::DrawTabBorder(TuiCanvas* ACanvas, const TRect& R) const
{
    Edge(ACanvas, R, clBtnHighlight, clBtnShadow);
}

void TuiFlatLookAndFeelPainter::DrawScrollBarPart(TuiCanvas* ACanvas, const TRect& R, TuiScrollBarPart Part,
                                                  TuiButtonState State, bool Horizontal) const
{
    switch (Part) {
    case sbpLineUp:
        DrawArrowButton(ACanvas, R, Horizontal ? adLeft : adUp, State, true);
        break;
    case sbpLineDown:
        DrawArrowButton(ACanvas, R, Horizontal ? adRight : adDown, State, true);
        break;
    case sbpThumb:
        DrawButtonBackground(ACanvas, R, State == ubsPressed ? ubsNormal : State);
        break;
    case sbpPageUp:
    case sbpPageDown:
        if (State == ubsPressed)
            Fill(ACanvas, R, clBtnShadow);
        else
            DrawScrollBarBackground(ACanvas, R, Horizontal);
        break;
    default:
        break;
    }
}

// =============================================================================================
// TuiUltraFlatLookAndFeelPainter: one-pixel frames in clBtnShadow, clHighlight for hot and
// pressed parts, filled with the tints of the state.

TuiLookAndFeelPainterClass TuiUltraFlatLookAndFeelPainter::Instance()
{
    static const TuiUltraFlatLookAndFeelPainter kPainter;
    return &kPainter;
}

TuiLookAndFeelKind TuiUltraFlatLookAndFeelPainter::Kind() const { return lfUltraFlat; }
int32_t TuiUltraFlatLookAndFeelPainter::BorderSize() const { return 1; }
int32_t TuiUltraFlatLookAndFeelPainter::EdgeWidth(bool Thin) const { return Thin ? 1 : 2; }
int32_t TuiUltraFlatLookAndFeelPainter::ButtonInnerIndent() const { return 2; }
int32_t TuiUltraFlatLookAndFeelPainter::ButtonPressedShift() const { return 0; }
int32_t TuiUltraFlatLookAndFeelPainter::CheckButtonSize() const { return 11; }
bool TuiUltraFlatLookAndFeelPainter::IsHotTracking() const { return true; }
int32_t TuiUltraFlatLookAndFeelPainter::HeaderBorderSize() const { return 1; }
TPoint TuiUltraFlatLookAndFeelPainter::SortMarkOffset() const { return Point(7, 8); }
uint32_t TuiUltraFlatLookAndFeelPainter::FooterBorders() const { return uiBorderRight | uiBorderBottom; }
int32_t TuiUltraFlatLookAndFeelPainter::FrameBorderSize() const { return 1; }
int32_t TuiUltraFlatLookAndFeelPainter::ContentBorderSize() const { return 1; }
int32_t TuiUltraFlatLookAndFeelPainter::CellTextOffset() const { return 2; }
int32_t TuiUltraFlatLookAndFeelPainter::ScrollBarBorderSize() const { return 1; }

void TuiUltraFlatLookAndFeelPainter::DrawBorder(TuiCanvas* ACanvas, const TRect& R) const
{
    Frame(ACanvas, R, clBtnShadow);
}

TColor TuiUltraFlatLookAndFeelPainter::ButtonBackgroundColor(TuiButtonState State) const
{
    if (State == ubsHot)
        return GetHotTintColor();
    if (State == ubsPressed)
        return GetPressedTintColor();
    return TuiCustomLookAndFeelPainter::ButtonBackgroundColor(State);
}

TColor TuiUltraFlatLookAndFeelPainter::ButtonSymbolColor(TuiButtonState State) const
{
    return State == ubsPressed ? clHighlightText : TuiCustomLookAndFeelPainter::ButtonSymbolColor(State);
}

void TuiUltraFlatLookAndFeelPainter::DrawButtonFrame(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const
{
    Frame(ACanvas, R, State == ubsHot || State == ubsPressed ? clHighlight : clBtnShadow);
}

uint32_t TuiUltraFlatLookAndFeelPainter::VisibleBorders(uint32_t Neighbours) const
{
    // One line between neighbours: the neighbour at the left or top draws it with its right or
    // bottom side.
    return uiBorderAll & ~(Neighbours & (uiBorderLeft | uiBorderTop));
}

void TuiUltraFlatLookAndFeelPainter::DrawEditBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Neighbours,
                                                    bool Hot) const
{
    Frame(ACanvas, R, Hot ? clHighlight : clBtnShadow, VisibleBorders(Neighbours));
}

void TuiUltraFlatLookAndFeelPainter::DrawHeaderBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Borders,
                                                      TuiButtonState State) const
{
    Frame(ACanvas, R, State == ubsHot || State == ubsPressed ? clHighlight : clBtnShadow, Borders);
}

void TuiUltraFlatLookAndFeelPainter::DrawFooterBorder(TuiCanvas* ACanvas, const TRect& R) const
{
    Frame(ACanvas, R, FooterLineColor(), FooterBorders());
}

void TuiUltraFlatLookAndFeelPainter::DrawPanel(TuiCanvas* ACanvas, const TRect& R, const std::string& Text,
                                               TFont* AFont) const
{
    TuiCustomLookAndFeelPainter::DrawPanel(ACanvas, R, Text, AFont);
    Frame(ACanvas, R, clBtnShadow);
}

void TuiUltraFlatLookAndFeelPainter::DrawTab(TuiCanvas* ACanvas, const TRect& R, const std::string& Text,
                                             TFont* AFont, bool Active, bool Hot) const
{
    const TRect F = TabFace(R, Active);
    DrawTabFace(this, ACanvas, F, Text, AFont,
                Active ? TabPageColor() : Hot ? ButtonBackgroundColor(ubsHot) : TabColor());
    Frame(ACanvas, F, Hot && !Active ? clHighlight : clBtnShadow, uiBorderLeft | uiBorderTop | uiBorderRight);
}

void TuiUltraFlatLookAndFeelPainter::DrawTabBorder(TuiCanvas* ACanvas, const TRect& R) const
{
    Frame(ACanvas, R, clBtnShadow);
}

void TuiUltraFlatLookAndFeelPainter::DrawSizeGrip(TuiCanvas* ACanvas, const TRect& R) const
{
    // Six 2 x 2 dots in a triangle toward the bottom-right corner.
    for (int32_t Row = 0; Row < 3; ++Row)
        for (int32_t Col = 0; Row + Col < 3; ++Col) {
            TRect Dot = Rect(R.right - 3 - 4 * Col, R.bottom - 3 - 4 * Row, R.right - 1 - 4 * Col,
                             R.bottom - 1 - 4 * Row);
            IntersectRect(&Dot, &Dot, &R);
            Fill(ACanvas, Dot, clBtnShadow);
        }
}

void TuiUltraFlatLookAndFeelPainter::DrawScrollBarBackground(TuiCanvas* ACanvas, const TRect& R, bool) const
{
    Fill(ACanvas, R, clBtnHighlight);
}

void TuiUltraFlatLookAndFeelPainter::DrawScrollBarPart(TuiCanvas* ACanvas, const TRect& R, TuiScrollBarPart Part,
                                                       TuiButtonState State, bool Horizontal) const
{
    const bool Pressed = State == ubsPressed;
    switch (Part) {
    case sbpLineUp:
    case sbpLineDown:
    case sbpThumb: {
        Fill(ACanvas, R, ButtonBackgroundColor(State));
        Frame(ACanvas, R, Pressed ? clHighlight : clBtnShadow);
        if (Part == sbpThumb)
            break;
        TuiArrowDirection D = Part == sbpLineUp ? adUp : adDown;
        if (Horizontal)
            D = Part == sbpLineUp ? adLeft : adRight;
        DrawPressedArrow(ACanvas, R, D, State);
        break;
    }
    case sbpPageUp:
    case sbpPageDown:
        Fill(ACanvas, R, Pressed ? clBtnShadow : clBtnHighlight);
        break;
    default:
        break;
    }
}

TuiLookAndFeelPainterClass GetLookAndFeelPainterClass(TuiLookAndFeelKind Kind)
{
    switch (Kind) {
    case lfFlat:
        return TuiFlatLookAndFeelPainter::Instance();
    case lfStandard:
        return TuiStandardLookAndFeelPainter::Instance();
    default:
        return TuiUltraFlatLookAndFeelPainter::Instance();
    }
}

// =============================================================================================
// TuiRadioButtonImageList

TuiRadioButtonImageList::TuiRadioButtonImageList()
    : FMask(std::make_unique<TBitmap>()), FWork(std::make_unique<TBitmap>()),
      FImages(std::make_unique<TImageList>(nullptr))
{
    FMask->SetPixelFormat(pf24bit);
    FWork->SetPixelFormat(pf24bit);
    // Exact colours whatever the screen: the tints must come out as computed.
    FImages->SetColorDepth(cd24Bit);
}

TuiRadioButtonImageList::~TuiRadioButtonImageList() = default;

int32_t TuiRadioButtonImageList::ImageIndex(TuiLookAndFeelKind Kind, int32_t Variant, bool Checked,
                                            TuiButtonState State)
{
    const int32_t K = std::clamp<int32_t>(Kind, lfFlat, lfUltraFlat);
    const int32_t V = Variant == 1 ? 1 : 0;
    const int32_t S = std::clamp<int32_t>(State, ubsNormal, ubsDisabled);
    return K * 8 + V * 24 + (Checked ? 4 : 0) + (S - 1);
}

TSize TuiRadioButtonImageList::SystemImageSize()
{
    HBITMAP B = LoadBitmapA(nullptr, MAKEINTRESOURCEA(kObmCheckBoxes));
    if (!B)
        return kClassicRadioSize;
    BITMAP Info{};
    const bool Known = GetObjectA(B, sizeof(Info), &Info) != 0;
    DeleteObject(B);
    if (!Known || Info.bmWidth < 4 || Info.bmHeight < 3)
        return kClassicRadioSize;
    return TSize{Info.bmWidth / 4, Info.bmHeight / 3};
}

int32_t TuiRadioButtonImageList::GetCount() const
{
    return FImages->GetCount();
}

void TuiRadioButtonImageList::Clear()
{
    FImages->Clear();
}

void TuiRadioButtonImageList::Build()
{
    const TSize S = SystemImageSize();
    const int32_t W = S.cx, H = S.cy;
    FSize = S;
    FMask->SetSize(W, H);
    FWork->SetSize(W, H);
    FImages->SetSize(W, H);
    FImages->Clear();

    // The mask: a filled black circle on white.
    TCanvas* M = FMask->GetCanvas();
    M->GetBrush()->SetStyle(bsSolid);
    M->GetBrush()->SetColor(clWhite);
    M->FillRect(Rect(0, 0, W, H));
    M->GetBrush()->SetColor(clBlack);
    M->GetPen()->SetColor(clBlack);
    M->RoundRect(0, 0, W, H, W - 1, H - 1);
    GdiFlush();

    // Outside: what the system's radio mask leaves white, or the circle's outside when the
    // system draws no mask.
    const std::vector<uint32_t> Template =
        RenderButtonPart(W, H, RGB(0, 0, 0), DFCS_BUTTONRADIOIMAGE | DFCS_CHECKED | DFCS_FLAT);
    const std::vector<uint32_t> SystemMask = RenderButtonPart(W, H, RGB(255, 255, 255), DFCS_BUTTONRADIOMASK);
    std::vector<bool> Outside(Template.size());
    const bool HasMask = std::any_of(SystemMask.begin(), SystemMask.end(), [](uint32_t P) { return P != 0xFFFFFF; });
    for (int32_t Y = 0; Y < H; ++Y) {
        const uint8_t* Row = static_cast<const uint8_t*>(FMask->ScanLine(Y));
        for (int32_t X = 0; X < W; ++X) {
            const size_t I = static_cast<size_t>(Y) * W + X;
            Outside[I] = HasMask ? SystemMask[I] == 0xFFFFFF : Row[3 * X] != 0;
        }
    }
    const std::vector<uint8_t> Class = ClassifyTemplate(Template, Outside, W, H);
    // What lies outside the system's radio is transparent too, not only the circle's corners.
    for (int32_t Y = 0; Y < H; ++Y) {
        uint8_t* Row = static_cast<uint8_t*>(FMask->ScanLine(Y));
        for (int32_t X = 0; X < W; ++X)
            if (Class[static_cast<size_t>(Y) * W + X] == pcOutside)
                Row[3 * X] = Row[3 * X + 1] = Row[3 * X + 2] = 0xFF;
    }

    FImages->BeginUpdate();
    TScopeExit EndUpdate([this] { FImages->EndUpdate(); });
    for (int32_t Variant = 0; Variant < 2; ++Variant)
        for (TuiLookAndFeelKind Kind : {lfFlat, lfStandard, lfUltraFlat})
            for (bool Checked : {false, true})
                for (int32_t State = ubsNormal; State <= ubsDisabled; ++State) {
                    const TRadioColors C = RadioColors(Kind, Variant, Checked, static_cast<TuiButtonState>(State));
                    const COLORREF ByClass[] = {RGB(0, 0, 0),         ColorToRGB(C.Ring[0]), ColorToRGB(C.Ring[1]),
                                                ColorToRGB(C.Ring[2]), ColorToRGB(C.Ring[3]), ColorToRGB(C.Face),
                                                ColorToRGB(C.Dot)};
                    GdiFlush();
                    for (int32_t Y = 0; Y < H; ++Y) {
                        uint8_t* Row = static_cast<uint8_t*>(FWork->ScanLine(Y));
                        for (int32_t X = 0; X < W; ++X) {
                            const COLORREF P = ByClass[Class[static_cast<size_t>(Y) * W + X]];
                            Row[3 * X] = GetBValue(P);
                            Row[3 * X + 1] = GetGValue(P);
                            Row[3 * X + 2] = GetRValue(P);
                        }
                    }
                    FImages->Add(FWork.get(), FMask.get());
                }
    ++gRadioBuildCount;
}

void TuiRadioButtonImageList::Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, TColor BkColor)
{
    if (GetCount() == 0)
        Build();
    if (!Canvas || Index < 0 || Index >= GetCount())
        return;
    if (BkColor == clDefault) {
        FImages->Draw(Canvas, X, Y, Index);
        return;
    }
    TCanvas* Work = FWork->GetCanvas();
    Work->GetBrush()->SetStyle(bsSolid);
    Work->GetBrush()->SetColor(BkColor);
    Work->FillRect(Rect(0, 0, FSize.cx, FSize.cy));
    FImages->Draw(Work, 0, 0, Index);
    BitBlt(Canvas->GetHandle(), X, Y, FSize.cx, FSize.cy, Work->GetHandle(), 0, 0, SRCCOPY);
}

// =============================================================================================
// TuiSysColorChangeEventListener

TuiSysColorChangeEventListener::TuiSysColorChangeEventListener()
{
    FWindow = std::make_unique<THiddenWindow>(
        [this](UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) { return Handle(Msg, WParam, LParam, Result); });
    FHandle = FWindow->GetHandle();
}

TuiSysColorChangeEventListener::~TuiSysColorChangeEventListener() = default;

bool TuiSysColorChangeEventListener::Handle(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result)
{
    if (Msg != CM_SYSCOLORCHANGE && Msg != WM_SYSCOLORCHANGE)
        return false;
    DefWindowProcA(FHandle, Msg, WParam, LParam);
    Result = 0;
    if (gRadioImages)
        gRadioImages->Clear();
    return true;
}

// =============================================================================================
// The unit's resources

void uiLookAndFeelPaintersInit()
{
    if (gUseCount++ > 0)
        return;
    TScopeExit Undo([] {
        FreeResources();
        gUseCount = 0;
    });
    LoadImages();
    MakePatterns();
    Undo.Dismiss();
}

void uiLookAndFeelPaintersDone()
{
    if (gUseCount == 0 || --gUseCount > 0)
        return;
    FreeResources();
}

TImageList* uiLookAndFeelPainterImages()
{
    return gImages.get();
}

TBitmap* uiLookAndFeelPatternBitmap(int32_t Index)
{
    return Index == 0 || Index == 1 ? gPatterns[Index].get() : nullptr;
}

TuiRadioButtonImageList* uiRadioButtonImageList()
{
    return gRadioImages.get();
}

HWND uiSysColorChangeListenerHandle()
{
    return gListener ? gListener->GetHandle() : nullptr;
}

int32_t uiRadioButtonImageBuildCount()
{
    return gRadioBuildCount;
}
