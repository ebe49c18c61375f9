#include "commandbars/foundation/cbDrawing.h"

#include <algorithm>
#include <vector>

#include <commctrl.h>
#include <vssym32.h>

#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbTheme.h"
#include "platform/win/Bitmap.h"
#include "platform/win/ImageList.h"
#include "platform/win/MemoryDC.h"

namespace {

bool gGlyphFading = false;

// A top-down 32-bit DIB section selected into its own memory DC; pixels are 0x00RRGGBB.
class TPixelBuffer {
public:
    TPixelBuffer(int32_t Width, int32_t Height) : FWidth(Width), FHeight(Height)
    {
        if (Width <= 0 || Height <= 0)
            return;
        BITMAPINFO Info{};
        Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        Info.bmiHeader.biWidth = Width;
        Info.bmiHeader.biHeight = -Height;
        Info.bmiHeader.biPlanes = 1;
        Info.bmiHeader.biBitCount = 32;
        FDC = CreateMemoryDC();
        void* Bits = nullptr;
        FBitmap = FDC ? CreateDIBSection(FDC, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0) : nullptr;
        if (FBitmap) {
            FOld = SelectObject(FDC, FBitmap);
            FBits = static_cast<uint32_t*>(Bits);
        }
    }
    TPixelBuffer(const TPixelBuffer&) = delete;
    TPixelBuffer& operator=(const TPixelBuffer&) = delete;
    ~TPixelBuffer()
    {
        if (FBitmap) {
            SelectObject(FDC, FOld);
            DeleteObject(FBitmap);
        }
        if (FDC)
            DeleteMemoryDC(FDC);
    }

    bool Valid() const { return FBits != nullptr; }
    HDC DC() const { return FDC; }
    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    bool Inside(int32_t X, int32_t Y) const { return X >= 0 && Y >= 0 && X < FWidth && Y < FHeight; }
    // GDI drawing into the buffer must be flushed before the pixels are read.
    COLORREF Get(int32_t X, int32_t Y) const
    {
        const uint32_t P = FBits[Y * FWidth + X];
        return RGB((P >> 16) & 0xFF, (P >> 8) & 0xFF, P & 0xFF);
    }
    void Set(int32_t X, int32_t Y, COLORREF C)
    {
        if (Inside(X, Y))
            FBits[Y * FWidth + X] = static_cast<uint32_t>(GetRValue(C)) << 16 | static_cast<uint32_t>(GetGValue(C)) << 8 |
                                    GetBValue(C);
    }
    void Fill(COLORREF C)
    {
        for (int32_t I = 0; I < FWidth * FHeight; ++I)
            Set(I % FWidth, I / FWidth, C);
    }
    // Swaps columns and/or rows.
    void Mirror(bool Horizontally, bool Vertically)
    {
        std::vector<uint32_t> Copy(FBits, FBits + FWidth * FHeight);
        for (int32_t Y = 0; Y < FHeight; ++Y)
            for (int32_t X = 0; X < FWidth; ++X) {
                const int32_t SX = Horizontally ? FWidth - 1 - X : X;
                const int32_t SY = Vertically ? FHeight - 1 - Y : Y;
                FBits[Y * FWidth + X] = Copy[static_cast<size_t>(SY * FWidth + SX)];
            }
    }

private:
    int32_t FWidth, FHeight;
    HDC FDC = nullptr;
    HBITMAP FBitmap = nullptr;
    HGDIOBJ FOld = nullptr;
    uint32_t* FBits = nullptr;
};

void FillWith(HDC DC, const TRect& R, int SysColor)
{
    FillRect(DC, &R, GetSysColorBrush(SysColor));
}

bool AtRight(TcbCorner Corner)
{
    return Corner == crTopRight || Corner == crBottomRight;
}

bool AtBottom(TcbCorner Corner)
{
    return Corner == crBottomLeft || Corner == crBottomRight;
}

// The grip rectangle (SM_CXVSCROLL x SM_CYVSCROLL) in a corner of R.
TRect GripRectIn(const TRect& R, TcbCorner Corner)
{
    const int W = GetSystemMetrics(SM_CXVSCROLL);
    const int H = GetSystemMetrics(SM_CYVSCROLL);
    const bool Right = AtRight(Corner);
    const bool Bottom = AtBottom(Corner);
    const int Left = Right ? R.right - W : R.left;
    const int Top = Bottom ? R.bottom - H : R.top;
    return Rect(Left, Top, Left + W, Top + H);
}

// The floating close button's rectangle in R (before its shrinking).
TRect CaptionButtonRectIn(const TRect& R, TcbCorner Side)
{
    const int W = GetSystemMetrics(SM_CXSIZE);
    const int H = W + 1;
    const int Left = AtRight(Side) ? R.left : R.right - W;
    const int Top = (R.top + R.bottom - H) / 2 + (AtBottom(Side) ? 1 : 0);
    return Rect(Left, Top, Left + W, Top + H);
}

// The glyph's pixels and which of them are opaque.
struct TGlyphPixels {
    int32_t Width = 0, Height = 0;
    std::vector<COLORREF> Colors;
    std::vector<bool> Opaque;
};

// Takes the buffer's pixels into G; Opaque(X, Y, Colour) says which belong to the glyph.
template <typename TOpaque>
void TakePixels(TGlyphPixels& G, const TPixelBuffer& B, TOpaque Opaque)
{
    for (int32_t Y = 0; Y < G.Height; ++Y)
        for (int32_t X = 0; X < G.Width; ++X) {
            const COLORREF C = B.Get(X, Y);
            G.Colors.push_back(C);
            G.Opaque.push_back(Opaque(X, Y, C));
        }
}

bool ReadGlyph(TGlyphPixels& G, TImageList* Images, int32_t ImageIndex, TBitmap* Glyph, TColor ImageListBkColor)
{
    if (Glyph && !Glyph->GetEmpty()) {
        G.Width = Glyph->GetWidth();
        G.Height = Glyph->GetHeight();
        TPixelBuffer B(G.Width, G.Height);
        if (!B.Valid())
            return false;
        BitBlt(B.DC(), 0, 0, G.Width, G.Height, Glyph->GetCanvas()->GetHandle(), 0, 0, SRCCOPY);
        GdiFlush();
        const COLORREF Key = ColorToRGB(Glyph->GetTransparentColor());
        TakePixels(G, B, [Key](int32_t, int32_t, COLORREF C) { return C != Key; });
        return true;
    }
    if (!Images || ImageIndex < 0 || ImageIndex >= Images->GetCount())
        return false;
    G.Width = Images->GetWidth();
    G.Height = Images->GetHeight();
    HIMAGELIST List = Images->GetHandle();
    auto DrawOver = [&](TPixelBuffer& B, COLORREF Back) {
        B.Fill(Back);
        ImageList_DrawEx(List, ImageIndex, B.DC(), 0, 0, G.Width, G.Height, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
        GdiFlush();
    };
    if (ImageListBkColor != clNone && ImageListBkColor != clDefault) {
        // The entry is drawn over the image-list background colour, and that colour is its mask:
        // what still shows it is transparent, whether the list has masks or not.
        TPixelBuffer Over(G.Width, G.Height);
        if (!Over.Valid())
            return false;
        const COLORREF Key = ColorToRGB(ImageListBkColor);
        DrawOver(Over, Key);
        TakePixels(G, Over, [Key](int32_t, int32_t, COLORREF C) { return C != Key; });
        return true;
    }
    // No background colour: drawn over black and over white, a pixel that comes out the same both
    // times is the image's.
    TPixelBuffer OnBlack(G.Width, G.Height), OnWhite(G.Width, G.Height);
    if (!OnBlack.Valid() || !OnWhite.Valid())
        return false;
    DrawOver(OnBlack, RGB(0, 0, 0));
    DrawOver(OnWhite, RGB(255, 255, 255));
    TakePixels(G, OnBlack, [&](int32_t X, int32_t Y, COLORREF C) { return C == OnWhite.Get(X, Y); });
    return true;
}

COLORREF Lighten(COLORREF C)
{
    auto L = [](int V) { return V + (255 - V) * 3 / 10; };
    return RGB(L(GetRValue(C)), L(GetGValue(C)), L(GetBValue(C)));
}

COLORREF Grey(COLORREF C)
{
    const int A = (GetRValue(C) + GetGValue(C) + GetBValue(C)) / 3;
    return RGB(A, A, A);
}

// Dark pixels take the disabled colour, light ones go toward white.
COLORREF Tint(COLORREF C, COLORREF Toward)
{
    const int A = (GetRValue(C) + GetGValue(C) + GetBValue(C)) / 3;
    auto T = [&](int D) { return D + (255 - D) * A / 255; };
    return RGB(T(GetRValue(Toward)), T(GetGValue(Toward)), T(GetBValue(Toward)));
}

} // namespace

void DrawHighlightFrame(HDC DC, const TRect& R)
{
    FrameRect(DC, &R, GetSysColorBrush(COLOR_HIGHLIGHT));
}

void DrawArrowInRect(HDC DC, const TRect& R, bool Vertical, bool Enabled, bool Selected, bool Flat)
{
    DrawArrow(DC, R, Vertical, Flat, Enabled, Selected, ArrowSizeForRect(R, Vertical));
}

void DrawArrow(HDC DC, const TRect& R, bool Vertical, bool Flat, bool Enabled, bool Selected, int32_t Size)
{
    const int Color = Enabled ? (Selected ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT) : COLOR_BTNSHADOW;
    DrawArrowPolygon(DC, R, Vertical, Size, SystemColor(Color));
    if (Enabled || Flat)
        return;
    const int S = Size;
    POINT Lines[2][2];
    if (Vertical) {
        const int X0 = (R.left + R.right - (2 * S - 1)) / 2;
        const int Y0 = (R.top + R.bottom - S) / 2;
        Lines[0][0] = {X0 + S, Y0 + S - 1};
        Lines[0][1] = {X0 + 2 * S - 1, Y0};
        Lines[1][0] = {X0 + S, Y0 + S};
        Lines[1][1] = {X0 + 2 * S, Y0};
    } else {
        const int X0 = (R.left + R.right - S) / 2;
        const int Y0 = (R.top + R.bottom - (2 * S - 1)) / 2;
        Lines[0][0] = {X0 + S - 1, Y0 + S};
        Lines[0][1] = {X0, Y0 + 2 * S - 1};
        Lines[1][0] = {X0 + S, Y0 + S};
        Lines[1][1] = {X0, Y0 + 2 * S};
    }
    HPEN Pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    HGDIOBJ Old = SelectObject(DC, Pen);
    for (const auto& L : Lines) {
        MoveToEx(DC, L[0].x, L[0].y, nullptr);
        LineTo(DC, L[1].x, L[1].y);
    }
    SelectObject(DC, Old);
    DeleteObject(Pen);
}

void FillRectWithBitmap(HDC DC, const TRect& R, const TRect& OriginRect, TBitmap* Bitmap, TColor Color, HBRUSH Brush)
{
    if (!Bitmap || Bitmap->GetEmpty()) {
        if (Brush)
            FillRect(DC, &R, Brush);
        else
            FillRectByColor(DC, R, Color);
        return;
    }
    if (OriginRect.right <= OriginRect.left || OriginRect.bottom <= OriginRect.top)
        return;
    const int W = Bitmap->GetWidth();
    const int H = Bitmap->GetHeight();
    HDC Source = Bitmap->GetCanvas()->GetHandle();
    HRGN Saved = nullptr;
    bool HadRgn = false;
    SaveClipRgn(DC, Saved, HadRgn);
    IntersectClipRect(DC, R.left, R.top, R.right, R.bottom);
    for (int Row = OriginRect.top / H; Row <= (OriginRect.bottom - 1) / H; ++Row)
        for (int Column = OriginRect.left / W; Column <= (OriginRect.right - 1) / W; ++Column)
            BitBlt(DC, Column * W + R.left - OriginRect.left, Row * H + R.top - OriginRect.top, W, H, Source, 0, 0,
                   SRCCOPY);
    RestoreClipRgn(DC, Saved, HadRgn);
}

void FillGradientRect(TCanvas* Canvas, const TRect& R, TColor FromColor, TColor ToColor)
{
    const COLORREF From = ColorToRGB(FromColor);
    const COLORREF To = ColorToRGB(ToColor);
    HDC DC = Canvas->GetHandle();
    const int Height = R.bottom - R.top;
    int Previous = R.top;
    for (int I = 0; I < 256; ++I) {
        const int Bottom = R.top + MulDiv(I + 1, Height, 256);
        if (Bottom > Previous) {
            auto At = [&](BYTE F, BYTE T) { return F + MulDiv(I, T - F, 255); };
            HBRUSH Brush = CreateSolidBrush(RGB(At(GetRValue(From), GetRValue(To)), At(GetGValue(From), GetGValue(To)),
                                                At(GetBValue(From), GetBValue(To))));
            const TRect Band = Rect(R.left, Previous, R.right, Bottom);
            FillRect(DC, &Band, Brush);
            DeleteObject(Brush);
        }
        Previous = Bottom;
    }
}

// ---------------------------------------------------------------------------------------------
// Glyphs

void SetGlyphFading(bool Value)
{
    gGlyphFading = Value;
}

bool IsGlyphFadingOn()
{
    return gGlyphFading;
}

namespace {

// G scaled to W x H by taking the nearest source pixel; unchanged when the size is its own or
// the target is empty.
TGlyphPixels Resized(TGlyphPixels G, int32_t W, int32_t H)
{
    if (W <= 0 || H <= 0 || G.Width <= 0 || G.Height <= 0 || (W == G.Width && H == G.Height))
        return G;
    TGlyphPixels Out;
    Out.Width = W;
    Out.Height = H;
    const size_t Count = static_cast<size_t>(W) * static_cast<size_t>(H);
    Out.Colors.resize(Count);
    Out.Opaque.resize(Count);
    for (int32_t Y = 0; Y < H; ++Y) {
        const int64_t SY = static_cast<int64_t>(Y) * G.Height / H;
        for (int32_t X = 0; X < W; ++X) {
            const int64_t SX = static_cast<int64_t>(X) * G.Width / W;
            const size_t From = static_cast<size_t>(SY * G.Width + SX);
            const size_t To = static_cast<size_t>(Y) * static_cast<size_t>(W) + static_cast<size_t>(X);
            Out.Colors[To] = G.Colors[From];
            Out.Opaque[To] = G.Opaque[From];
        }
    }
    return Out;
}

} // namespace

void DrawItemGlyph(HDC DC, HBRUSH BkBrush, const TRect& ItemRect, const TRect& GlyphRect, TImageList* Images,
                   int32_t ImageIndex, TBitmap* Glyph, TColor DisabledImageColor, TColor ImageListBkColor,
                   TcbGlyphDrawFlags Flags)
{
    TPixelBuffer Box(ItemRect.right - ItemRect.left, ItemRect.bottom - ItemRect.top);
    if (!Box.Valid())
        return;
    const TRect Whole = Rect(0, 0, Box.Width(), Box.Height());
    if (Flags.Contains(gdCopyBackground))
        BitBlt(Box.DC(), 0, 0, Box.Width(), Box.Height(), DC, ItemRect.left, ItemRect.top, SRCCOPY);
    else
        FillRect(Box.DC(), &Whole, BkBrush ? BkBrush : GetSysColorBrush(COLOR_BTNFACE));
    GdiFlush();

    TGlyphPixels G;
    if (ReadGlyph(G, Images, ImageIndex, Glyph, ImageListBkColor)) {
        // A glyph rect of another size than the image (a 16-pixel image on a large-icon
        // button) gets the image stretched to fill it.
        G = Resized(std::move(G), GlyphRect.right - GlyphRect.left, GlyphRect.bottom - GlyphRect.top);
        const int32_t GX = GlyphRect.left - ItemRect.left;
        const int32_t GY = GlyphRect.top - ItemRect.top;
        auto Each = [&](auto Body) {
            for (int32_t Y = 0; Y < G.Height; ++Y)
                for (int32_t X = 0; X < G.Width; ++X) {
                    const size_t I = static_cast<size_t>(Y * G.Width + X);
                    if (G.Opaque[I])
                        Body(X, Y, G.Colors[I]);
                }
        };
        const bool Normal = Flags.Contains(gdEnabled);
        if (!Normal && DisabledImageColor == clNone) {
            // Embossed: the image's dark shape in the shadow colour over its highlight.
            const COLORREF Light = GetSysColor(COLOR_BTNHIGHLIGHT);
            const COLORREF Shade = GetSysColor(COLOR_BTNSHADOW);
            auto Ink = [](COLORREF C) { return C != RGB(255, 255, 255); };
            if (!Flags.Contains(gdNoHighlight))
                Each([&](int32_t X, int32_t Y, COLORREF C) {
                    if (Ink(C))
                        Box.Set(GX + X + 1, GY + Y + 1, Light);
                });
            Each([&](int32_t X, int32_t Y, COLORREF C) {
                if (Ink(C))
                    Box.Set(GX + X, GY + Y, Shade);
            });
        } else {
            const bool AnyState = Flags.Contains(gdSelected) || Flags.Contains(gdPressed) || Flags.Contains(gdChecked);
            const bool Fade = gGlyphFading && cbScreenColorDepth() > 8 && !AnyState;
            const bool Shadow = Flags.Contains(gdShadow) && Flags.Contains(gdSelected) && !Flags.Contains(gdPressed) &&
                                !Flags.Contains(gdChecked);
            const COLORREF Toward = ColorToRGB(DisabledImageColor);
            auto Shown = [&](COLORREF C) {
                if (!Normal)
                    C = Tint(C, Toward);
                else if (Flags.Contains(gdGray))
                    C = Grey(C);
                return Fade ? Lighten(C) : C;
            };
            int32_t Offset = 0;
            if (Shadow) {
                const COLORREF Shade = GetSysColor(COLOR_BTNSHADOW);
                Each([&](int32_t X, int32_t Y, COLORREF) { Box.Set(GX + X + 1, GY + Y + 1, Shade); });
                Offset = -1;
            }
            Each([&](int32_t X, int32_t Y, COLORREF C) { Box.Set(GX + X + Offset, GY + Y + Offset, Shown(C)); });
        }
    }
    BitBlt(DC, ItemRect.left, ItemRect.top, Box.Width(), Box.Height(), Box.DC(), 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------------------------
// Size grips

void DrawSizeGrip(HDC DC, const TRect& R, TcbCorner Corner)
{
    const bool Right = AtRight(Corner);
    const bool Bottom = AtBottom(Corner);
    const TRect G = GripRectIn(R, Corner);
    // Two-pixel button-face strips along the grip's outer sides; the grip fills the rest.
    FillWith(DC, Right ? Rect(G.right - 2, G.top, G.right, G.bottom) : Rect(G.left, G.top, G.left + 2, G.bottom),
             COLOR_BTNFACE);
    FillWith(DC, Bottom ? Rect(G.left, G.bottom - 2, G.right, G.bottom) : Rect(G.left, G.top, G.right, G.top + 2),
             COLOR_BTNFACE);
    TRect Inner = G;
    (Right ? Inner.right : Inner.left) += Right ? -2 : 2;
    (Bottom ? Inner.bottom : Inner.top) += Bottom ? -2 : 2;
    TPixelBuffer B(Inner.right - Inner.left, Inner.bottom - Inner.top);
    if (!B.Valid())
        return;
    TRect Whole = Rect(0, 0, B.Width(), B.Height());
    DrawFrameControl(B.DC(), &Whole, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    GdiFlush();
    // The system draws the grip for the bottom-right corner.
    B.Mirror(!Right, !Bottom);
    BitBlt(DC, Inner.left, Inner.top, B.Width(), B.Height(), B.DC(), 0, 0, SRCCOPY);
}

TcbCorner GetSizeGripCorner(const TRect& A, const TRect& B)
{
    static const TcbCorner kCorners[4] = {crTopLeft, crBottomLeft, crTopRight, crBottomRight};
    return kCorners[2 * (A.left < B.right ? 1 : 0) + (A.bottom < B.bottom ? 1 : 0)];
}

int32_t GetSizeGripAreaSize()
{
    return std::max(GetSystemMetrics(SM_CXVSCROLL) + 2, GetSystemMetrics(SM_CYSIZE)) + 1;
}

void DrawTransparentSizeGrip(HDC DC, const TRect& R)
{
    const int W = R.right - R.left;
    const int H = R.bottom - R.top;
    TPixelBuffer Back(W, H), Grip(W, H);
    if (!Back.Valid() || !Grip.Valid())
        return;
    BitBlt(Back.DC(), 0, 0, W, H, DC, R.left, R.top, SRCCOPY);
    const COLORREF Face = GetSysColor(COLOR_BTNFACE);
    Grip.Fill(Face);
    TRect Whole = Rect(0, 0, W, H);
    DrawFrameControl(Grip.DC(), &Whole, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    GdiFlush();
    // Only the grip's lines: the button face it is drawn on is the mask.
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
            if (Grip.Get(X, Y) != Face)
                Back.Set(X, Y, Grip.Get(X, Y));
    BitBlt(DC, R.left, R.top, W, H, Back.DC(), 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------------------------
// Floating caption button and frame

void DrawFloatingCaptionButton(HDC DC, const TRect& R, bool Highlight, bool Pressed, bool Flat, TcbCorner Side)
{
    static const UINT kEdges[2] = {BDR_RAISEDINNER, BDR_SUNKENOUTER};
    static const UINT kStates[2] = {0, DFCS_PUSHED};
    HBRUSH Face = GetSysColorBrush(COLOR_BTNFACE);
    TRect B = CaptionButtonRectIn(R, Side);
    InflateRect(&B, -1, -2);
    if (Highlight && !Flat)
        DrawEdge(DC, &B, kEdges[Pressed ? 1 : 0], BF_RECT);
    else
        FrameRect(DC, &B, Face);
    InflateRect(&B, -1, -1);
    FrameRect(DC, &B, Face);
    TRect Glyph = B;
    InflateRect(&Glyph, -1, -1);
    HRGN Saved = nullptr;
    bool HadRgn = false;
    SaveClipRgn(DC, Saved, HadRgn);
    IntersectClipRect(DC, Glyph.left, Glyph.top, Glyph.right, Glyph.bottom);
    InflateRect(&Glyph, 1, 1);
    if (GetSystemMetrics(SM_CXSIZE) != 22)
        OffsetRect(&Glyph, 0, 1);
    DrawFrameControl(DC, &Glyph, DFC_CAPTION, DFCS_CAPTIONCLOSE | DFCS_FLAT | kStates[Pressed ? 1 : 0]);
    RestoreClipRgn(DC, Saved, HadRgn);
}

void DrawFloatingFrame(HWND Wnd, bool WithBand, bool Flat, bool StateA, bool StateB, TRect& ButtonRect,
                       TRect& GripRect, TcbCorner Side)
{
    TRect Screen{};
    GetWindowRect(Wnd, &Screen);
    GripRect = Screen;
    ButtonRect = Screen;
    HDC DC = GetWindowDC(Wnd);
    if (!DC)
        return;
    const TRect Window = Rect(0, 0, Screen.right - Screen.left, Screen.bottom - Screen.top);
    TRect Client{};
    GetClientRect(Wnd, &Client);
    MapWindowPoints(Wnd, nullptr, reinterpret_cast<POINT*>(&Client), 2);
    OffsetRect(&Client, -Screen.left, -Screen.top);
    HBRUSH Frame = GetSysColorBrush(Flat ? COLOR_BTNSHADOW : COLOR_WINDOWFRAME);
    FrameRect(DC, &Window, Frame);
    if (!WithBand) {
        SetRectEmpty(&ButtonRect);
        SetRectEmpty(&GripRect);
        ReleaseDC(Wnd, DC);
        return;
    }
    const bool BottomBand = AtBottom(Side);
    const int BandHeight = GetSizeGripAreaSize() - 1;
    TRect Inside = Window;
    InflateRect(&Inside, -1, -1);
    TRect Band = BottomBand ? Rect(Inside.left, Inside.bottom - BandHeight, Inside.right, Inside.bottom)
                            : Rect(Inside.left, Inside.top, Inside.right, Inside.top + BandHeight);
    // The band's row next to the client area is a line in the frame colour.
    const TRect Line = BottomBand ? Rect(Band.left, Band.top, Band.right, Band.top + 1)
                                  : Rect(Band.left, Band.bottom - 1, Band.right, Band.bottom);
    FillRect(DC, &Line, Frame);
    (BottomBand ? Band.top : Band.bottom) += BottomBand ? 1 : -1;

    const TPoint Origin = Point(Screen.left, Screen.top);
    auto Returned = [&](TRect R) {
        InflateRect(&R, 2, 2);
        IntersectRect(&R, &R, &Band);
        OffsetRect(&R, Origin.x, Origin.y);
        return R;
    };
    DrawSizeGrip(DC, Band, Side);
    const TRect Grip = GripRectIn(Band, Side);
    ExcludeClipRect(DC, Grip.left, Grip.top, Grip.right, Grip.bottom);
    GripRect = Returned(Grip);
    DrawFloatingCaptionButton(DC, Band, StateA || StateB, StateA && StateB, Flat, Side);
    TRect Button = CaptionButtonRectIn(Band, Side);
    InflateRect(&Button, -1, -2);
    ExcludeClipRect(DC, Button.left, Button.top, Button.right, Button.bottom);
    ButtonRect = Returned(Button);
    FillWith(DC, Band, COLOR_BTNFACE);
    const LONG_PTR Style = GetWindowLongPtrA(Wnd, GWL_STYLE);
    if (BottomBand && (Style & WS_VSCROLL) && (Style & WS_HSCROLL))
        FillWith(DC,
                 Rect(Client.right, Client.bottom, Client.right + GetSystemMetrics(SM_CXVSCROLL),
                      Client.bottom + GetSystemMetrics(SM_CYHSCROLL)),
                 COLOR_BTNFACE);
    ReleaseDC(Wnd, DC);
}

// ---------------------------------------------------------------------------------------------
// Themed routines

int32_t GetEditThemeState(bool Enabled, bool ReadOnly)
{
    if (!Enabled)
        return ETS_DISABLED;
    return ReadOnly ? ETS_READONLY : ETS_NORMAL;
}

TColor GetEditThemeFillColor(bool Enabled, bool ReadOnly)
{
    COLORREF C = 0;
    if (HTHEME Theme = OpenThemeClass(tcEdit))
        if (SUCCEEDED(UxTheme::GetThemeColor(Theme, EP_EDITTEXT, GetEditThemeState(Enabled, ReadOnly), TMT_FILLCOLOR, &C)))
            return static_cast<TColor>(C);
    return static_cast<TColor>(GetSysColor(COLOR_WINDOW));
}

TColor GetEditThemeTextColor(bool Enabled, bool ReadOnly)
{
    COLORREF C = 0;
    if (HTHEME Theme = OpenThemeClass(tcEdit))
        if (SUCCEEDED(UxTheme::GetThemeColor(Theme, EP_EDITTEXT, GetEditThemeState(Enabled, ReadOnly), TMT_TEXTCOLOR, &C)))
            return static_cast<TColor>(C);
    return static_cast<TColor>(GetSysColor(Enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
}

TColor GetToolbarThemeFillColor()
{
    COLORREF C = 0;
    if (HTHEME Theme = OpenThemeClass(tcToolBar))
        if (SUCCEEDED(UxTheme::GetThemeColor(Theme, 0, 0, TMT_FILLCOLOR, &C)))
            return static_cast<TColor>(C);
    return static_cast<TColor>(GetSysColor(COLOR_BTNFACE));
}

TSize GetThemedSmallCloseButtonSize()
{
    SIZE S{};
    if (HTHEME Theme = OpenThemeClass(tcWindow))
        if (SUCCEEDED(UxTheme::GetThemePartSize(Theme, nullptr, WP_SMALLCLOSEBUTTON, CBS_NORMAL, nullptr, TS_TRUE, &S)))
            return S;
    return SIZE{};
}

void DrawThemedSmallCloseButton(HDC DC, const TRect& R, bool Hot, TcbCorner Side, bool Pushed)
{
    const int State = Pushed ? CBS_PUSHED : Hot ? CBS_HOT : CBS_NORMAL;
    const TSize S = GetThemedSmallCloseButtonSize();
    const int Offset = std::max(0, static_cast<int>((R.bottom - R.top - S.cy) / 2));
    const int Left = AtRight(Side) ? R.left + Offset : R.right - S.cx;
    const TRect Button = Rect(Left, R.top + Offset, Left + S.cx, R.top + Offset + S.cy);
    FillWith(DC, R, COLOR_BTNFACE);
    if (HTHEME Theme = OpenThemeClass(tcWindow))
        UxTheme::DrawThemeBackground(Theme, DC, WP_SMALLCLOSEBUTTON, State, &Button, nullptr);
}

TSize GetThemedSizeGripSize()
{
    SIZE S{};
    if (HTHEME Theme = OpenThemeClass(tcScrollBar))
        if (SUCCEEDED(UxTheme::GetThemePartSize(Theme, nullptr, SBP_SIZEBOX, SZB_RIGHTALIGN, nullptr, TS_TRUE, &S)))
            return SIZE{S.cx + 2, S.cy + 2};
    return SIZE{};
}

void DrawThemedSizeGrip(HDC DC, const TRect& R, TcbCorner Corner)
{
    HTHEME Theme = OpenThemeClass(tcScrollBar);
    if (!Theme)
        return;
    SIZE S{};
    if (FAILED(UxTheme::GetThemePartSize(Theme, nullptr, SBP_SIZEBOX, SZB_RIGHTALIGN, nullptr, TS_TRUE, &S)) ||
        S.cx <= 0 || S.cy <= 0)
        return;
    const bool Right = AtRight(Corner);
    const bool Bottom = AtBottom(Corner);
    const int Left = Right ? R.right - S.cx : R.left;
    const int Top = Bottom ? R.bottom - S.cy : R.top;
    TPixelBuffer B(S.cx, S.cy);
    if (!B.Valid())
        return;
    // The part is drawn for the bottom-right corner over what the DC shows there, then mirrored.
    BitBlt(B.DC(), 0, 0, S.cx, S.cy, DC, Left, Top, SRCCOPY);
    GdiFlush();
    B.Mirror(!Right, !Bottom);
    const TRect Whole = Rect(0, 0, S.cx, S.cy);
    UxTheme::DrawThemeBackground(Theme, B.DC(), SBP_SIZEBOX, SZB_RIGHTALIGN, &Whole, nullptr);
    GdiFlush();
    B.Mirror(!Right, !Bottom);
    BitBlt(DC, Left, Top, S.cx, S.cy, B.DC(), 0, 0, SRCCOPY);
}
