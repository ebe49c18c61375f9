#include "commandbars/foundation/uiGraphics.h"

#include <algorithm>

#include "platform/win/Bitmap.h"
#include "platform/win/ImageList.h"
#include "platform/win/ScreenDC.h"

TColor BlendColorsOf(TColor Face, TColor Highlight, TColor Window, int32_t FacePercent, int32_t HighlightPercent,
                     int32_t WindowPercent)
{
    const COLORREF F = ColorToRGB(Face);
    const COLORREF H = ColorToRGB(Highlight);
    const COLORREF W = ColorToRGB(Window);
    if (F == RGB(0, 0, 0) || F == RGB(255, 255, 255))
        return static_cast<TColor>(H);
    auto Channel = [&](int Shift) {
        const int Sum = MulDiv((F >> Shift) & 0xFF, FacePercent, 100) + MulDiv((H >> Shift) & 0xFF, HighlightPercent, 100) +
                        MulDiv((W >> Shift) & 0xFF, WindowPercent, 100);
        return static_cast<COLORREF>(std::clamp(Sum, 0, 255)) << Shift;
    };
    return static_cast<TColor>(Channel(0) | Channel(8) | Channel(16));
}

TColor BlendSystemColors(int8_t FacePercent, int8_t HighlightPercent, int8_t WindowPercent)
{
    return BlendColorsOf(clBtnFace, clHighlight, clWindow, FacePercent, HighlightPercent, WindowPercent);
}

TColor NearestScreenColor(TColor Color)
{
    const COLORREF C = ColorToRGB(Color);
    TScreenDC DC;
    if (!DC)
        return static_cast<TColor>(C);
    const COLORREF Nearest = GetNearestColor(DC, C);
    return static_cast<TColor>(Nearest == CLR_INVALID ? C : Nearest);
}

TColor GetPressedTintColor()
{
    return NearestScreenColor(BlendSystemColors(14, 44, 40));
}

TColor GetHotTintColor()
{
    return NearestScreenColor(BlendSystemColors(-2, 30, 72));
}

UINT ConvertTextFlags(uint32_t Flags)
{
    // Bits 0 and 3 (left, top) are DrawText's defaults and add nothing.
    static const struct {
        uint32_t Bit;
        UINT Flag;
    } kMap[] = {{uiAlignRight, DT_RIGHT},        {uiAlignHorzCenter, DT_CENTER},
                {uiAlignBottom, DT_BOTTOM},      {uiAlignVertCenter, DT_VCENTER},
                {uiSingleLine, DT_SINGLELINE},   {uiDontClip, DT_NOCLIP},
                {uiExpandTabs, DT_EXPANDTABS},   {uiWordBreak, DT_WORDBREAK | DT_EDITCONTROL},
                {uiShowEndEllipsis, DT_END_ELLIPSIS}, {uiCalcRect, DT_CALCRECT},
                {uiShowPathEllipsis, DT_PATH_ELLIPSIS}};
    UINT Result = DT_NOPREFIX;
    for (const auto& M : kMap)
        if (Flags & M.Bit)
            Result |= M.Flag;
    if (Flags & uiShowPrefix)
        Result &= ~static_cast<UINT>(DT_NOPREFIX);
    return Result;
}

// ---------------------------------------------------------------------------------------------
// TuiCanvas

void TuiCanvas::SetBrushColor(TColor Value)
{
    if (FCanvas->GetBrush()->GetColor() != Value)
        FCanvas->GetBrush()->SetColor(Value);
}

void TuiCanvas::FillRect(const TRect& R)
{
    FCanvas->FillRect(R);
}

void TuiCanvas::FrameRect(const TRect& R, TColor Color, uint32_t Borders, int32_t Width)
{
    if (Color != clDefault)
        SetBrushColor(Color);
    if (Borders & uiBorderLeft)
        FillRect(Rect(R.left, R.top, R.left + Width, R.bottom));
    if (Borders & uiBorderTop)
        FillRect(Rect(R.left, R.top, R.right, R.top + Width));
    if (Borders & uiBorderRight)
        FillRect(Rect(R.right - Width, R.top, R.right, R.bottom));
    if (Borders & uiBorderBottom)
        FillRect(Rect(R.left, R.bottom - Width, R.right, R.bottom));
}

void TuiCanvas::DrawEdge(const TRect& R, bool Sunken, bool Outer)
{
    // {left and top, right and bottom} by (sunken, outer).
    static const TColor kColors[2][2][2] = {
        {{clBtnHighlight, clBtnShadow}, {cl3DLight, cl3DDkShadow}},  // raised: inner, outer
        {{cl3DDkShadow, cl3DLight}, {clBtnShadow, clBtnHighlight}}}; // sunken: inner, outer
    const TColor* C = kColors[Sunken ? 1 : 0][Outer ? 1 : 0];
    FrameRect(R, C[0], uiBorderLeft | uiBorderTop);
    FrameRect(R, C[1], uiBorderRight | uiBorderBottom);
}

void TuiCanvas::DrawText(const std::string& Text, TRect& R, uint32_t Flags, bool Enabled)
{
    FCanvas->RequiredState({csHandleValid, csFontValid});
    HDC DC = FCanvas->GetHandle();
    const int Length = static_cast<int>(Text.size());
    if (Flags & uiCalcRect) {
        ::DrawTextA(DC, Text.c_str(), Length, &R, ConvertTextFlags(Flags));
        return;
    }
    // ExtTextOut draws a single line unless the text needs DrawText's prefixes or ellipses.
    const bool Simple = (Flags & uiSingleLine) && !(Flags & (uiShowPrefix | uiShowEndEllipsis | uiShowPathEllipsis));
    const int OldMode = SetBkMode(DC, TRANSPARENT);
    const COLORREF OldColor = GetTextColor(DC);
    auto Pass = [&](int32_t Offset, TColor Color) {
        TRect P = R;
        OffsetRect(&P, Offset, Offset);
        SetTextColor(DC, ColorToRGB(Color));
        if (!Simple) {
            ::DrawTextA(DC, Text.c_str(), Length, &P, ConvertTextFlags(Flags));
            return;
        }
        SIZE Extent{};
        GetTextExtentPoint32A(DC, Text.c_str(), Length, &Extent);
        int32_t X = P.left;
        int32_t Y = P.top;
        if (Flags & uiAlignRight)
            X = P.right - Extent.cx;
        else if (Flags & uiAlignHorzCenter)
            X = P.left + (P.right - P.left - Extent.cx) / 2;
        if (Flags & uiAlignBottom)
            Y = P.bottom - Extent.cy;
        else if (Flags & uiAlignVertCenter)
            Y = P.top + (P.bottom - P.top - Extent.cy) / 2;
        ExtTextOutA(DC, X, Y, (Flags & uiDontClip) ? 0 : ETO_CLIPPED, &P, Text.c_str(), static_cast<UINT>(Length),
                    nullptr);
    };
    if (Enabled) {
        Pass(0, FCanvas->GetFont()->GetColor());
    } else {
        Pass(1, clBtnHighlight);
        Pass(0, clBtnShadow);
    }
    SetTextColor(DC, OldColor);
    SetBkMode(DC, OldMode);
}

TSize TuiCanvas::TextExtent(const std::string& Text)
{
    FCanvas->RequiredState({csHandleValid, csFontValid});
    SIZE Extent{};
    GetTextExtentPoint32A(FCanvas->GetHandle(), Text.c_str(), static_cast<int>(Text.size()), &Extent);
    return Extent;
}

void TuiCanvas::SetPixel(int32_t X, int32_t Y, TColor Color)
{
    FCanvas->SetPixel(X, Y, Color);
}

void TuiCanvas::MoveTo(int32_t X, int32_t Y)
{
    FCanvas->MoveTo(X, Y);
}

void TuiCanvas::LineTo(int32_t X, int32_t Y)
{
    FCanvas->LineTo(X, Y);
}

void TuiCanvas::Polygon(std::span<const TPoint> Points)
{
    FCanvas->Polygon(Points);
}

void TuiCanvas::Draw(int32_t X, int32_t Y, TGraphic* Graphic)
{
    FCanvas->Draw(X, Y, Graphic);
}

void TuiCanvas::DrawGlyph(int32_t X, int32_t Y, TBitmap* Glyph, TColor TransparentColor)
{
    if (!Glyph || Glyph->GetEmpty())
        return;
    if (TransparentColor == clNone) {
        FCanvas->Draw(X, Y, Glyph);
        return;
    }
    TImageList Images(nullptr);
    Images.SetSize(Glyph->GetWidth(), Glyph->GetHeight());
    if (Images.AddMasked(Glyph, TransparentColor) >= 0)
        Images.Draw(FCanvas, X, Y, 0);
}

void TuiCanvas::ExcludeClipRect(const TRect& R)
{
    ::ExcludeClipRect(FCanvas->GetHandle(), R.left, R.top, R.right, R.bottom);
}
