#include "commandbars/foundation/cbOffice11Colors.h"

#include <algorithm>
#include <memory>

#include "commandbars/foundation/cbTheme.h"
#include "commandbars/foundation/uiGraphics.h"
#include "platform/win/Bitmap.h"

namespace {

// The Luna rows of the scheme table (blue, olive, silver) and their middle-point strengths.
const TColor kSchemeColors[3][kOffice11CellCount] = {
    {0xFEECDD, 0xE2A981, 0xF5BE9E, 0xF9DAC3, 0x913500, 0xF1A675, 0x76C1FF, 0xD3F8FF, 0x98DDFF, 0x5295FE, 0x9C613B,
     0xE0A47B, 0x764127, 0xFFFFFF, 0xCB8C6A, 0xFFF9F1, 0xC9662A, 0xF9DBC4, 0x962D00, 0xF6F6F6, 0xC2EEFF, 0x800000,
     0xCCF4FF, 0x91D0FF, 0x8ED3FF, 0x4E91FE, 0xFCE1CB, 0x6FC0FF, 0x3E80FE, 0xF0C7A9, 0x000000, 0x8D8D8D},
    {0xDEF7F4, 0x91C6B7, 0xA7D9D9, 0xE4F0F2, 0x6B7760, 0x8CC2B0, 0x76C1FF, 0xD3F8FF, 0x98DDFF, 0x5295FE, 0x588060,
     0x8FC4B5, 0x335E51, 0xFFFFFF, 0x588060, 0xDEF7F4, 0x5E8674, 0xADDEE1, 0x5E8D75, 0xEEF4F4, 0xC2EEFF, 0x385D3F,
     0xCCF4FF, 0x91D0FF, 0x8ED3FF, 0x4E91FE, 0xB6E3D8, 0x6FC0FF, 0x3E80FE, 0x9FD4C5, 0x000000, 0x8D8D8D},
    {0xFAF4F3, 0xB59799, 0xE5D7D7, 0xF7F3F3, 0x927476, 0xC8B2B3, 0x76C1FF, 0xD3F8FF, 0x98DDFF, 0x5295FE, 0x947C7C,
     0xB09193, 0x755454, 0xFFFFFF, 0x8F6D6E, 0xFFFFFF, 0x99797A, 0xE4DADB, 0x947C7C, 0xFFFAFD, 0xC2EEFF, 0x6F4B4B,
     0xCCF4FF, 0x91D0FF, 0x8ED3FF, 0x4E91FE, 0xE7D3D6, 0x6FC0FF, 0x3E80FE, 0xD3C0C0, 0x000000, 0x8D8D8D}};
const int32_t kSchemeStrengths[3] = {41, 125, 40};
const int32_t kFallbackStrength = 75;

const char* const kExpandBitmapName = "CBBARSUBMENUEXPAND";

TcbThemeNameProvider gThemeNameProvider;
TcbOffice11Colors gColors;
int32_t gUsers = 0;
int32_t gInitCount = 0;
HBRUSH gBrushes[kOffice11BrushCount] = {};
std::unique_ptr<TBitmap> gExpandBitmap;

COLORREF RGBOf(TColor Color)
{
    return ColorToRGB(Color);
}

TColor Sys(TColor Color)
{
    return static_cast<TColor>(ColorToRGB(Color));
}

TColor Mix(int32_t Face, int32_t Highlight, int32_t Window)
{
    return NearestScreenColor11(GetBlendedSystemColor(Face, Highlight, Window));
}

int Channel(COLORREF C, int Shift)
{
    return static_cast<int>((C >> Shift) & 0xFF);
}

COLORREF FromChannels(int R, int G, int B)
{
    return RGB(std::clamp(R, 0, 255), std::clamp(G, 0, 255), std::clamp(B, 0, 255));
}

// Per channel c1 + MulDiv(Index, c2 - c1, Count - 1); c1 for a single band.
COLORREF Interpolate(COLORREF C1, COLORREF C2, int Index, int Count)
{
    if (Count <= 1)
        return C1;
    auto At = [&](int Shift) {
        return Channel(C1, Shift) + MulDiv(Index, Channel(C2, Shift) - Channel(C1, Shift), Count - 1);
    };
    return FromChannels(At(0), At(8), At(16));
}

// Fills R in N bands along its width (Horizontal) or height, band I in ColorOf(I).
template <class F>
void FillBands(HDC DC, const TRect& R, bool Horizontal, int N, F ColorOf)
{
    const int Start = Horizontal ? R.left : R.top;
    const int End = Horizontal ? R.right : R.bottom;
    const int Extent = End - Start;
    int Previous = Start;
    for (int I = 0; I < N; ++I) {
        const int Stop = Start + MulDiv(I + 1, Extent, N);
        if (Stop > Previous) {
            const TRect Band = Horizontal ? Rect(Previous, R.top, Stop, R.bottom) : Rect(R.left, Previous, R.right, Stop);
            HBRUSH Brush = CreateSolidBrush(ColorOf(I));
            FillRect(DC, &Band, Brush);
            DeleteObject(Brush);
        }
        Previous = Stop;
        if (Stop >= End)
            break;
    }
}

void FillFallbackCells(TcbOffice11Colors& C)
{
    TColor* Cell = C.Cells;
    Cell[occToolbarGradientStart] = BlendColors(clBtnFace, clWindow, 22);
    Cell[occToolbarGradientEnd] = BlendColors(clBtnFace, clWindow, 96);
    Cell[occDockGradientStart] = Sys(clBtnFace);
    Cell[occDockGradientEnd] = BlendColors(clBtnFace, clWindow, 20);
    Cell[occMarkGradientEndNormal] = Sys(clBtnShadow);
    Cell[occMarkGradientStartNormal] = BlendColors(clBtnShadow, clWindow, 74);
    Cell[occMarkGradientEndHot] = Mix(-15, 29, 86);
    Cell[occMarkGradientStartHot] = Mix(-15, 29, 86);
    Cell[occMarkGradientEndPressed] = Mix(42, 11, 47);
    Cell[occMarkGradientStartPressed] = Mix(42, 11, 47);
    Cell[occToolbarBorder] = BlendColors(clBtnFace, clWindow, 85);
    Cell[occMarkCornerBase] = Sys(clBtnFace);
    Cell[occGripDot] = BlendColors(clBtnShadow, clWindow, 76);
    Cell[occGripDotHighlight] = Sys(clWindow);
    Cell[occSeparator] = BlendColors(clBtnShadow, clWindow, 70);
    Cell[occSeparatorHighlight] = clWhite;
    Cell[occFloatingBorderOuter] = Sys(clBtnShadow);
    Cell[occItemFrame] = Sys(clBtnShadow);
    Cell[occMenuBackground] = Sys(clWindow);
    Cell[occSelectedItem] = Mix(-2, 30, 72);
    Cell[occSelectedFrame] = Sys(clHighlight);
    Cell[occCheckedItemBrushColor] = Mix(11, 9, 73);
    Cell[occItemBrushColor] = Mix(14, 44, 40);
    Cell[occText] = Sys(clBtnText);
    Cell[occDisabledText] = Sys(clGrayText);
    // The cells that repeat others, after those.
    Cell[occFloatingBorderInner] = Cell[occToolbarGradientEnd];
    Cell[occHotItemGradientStart] = Cell[occSelectedItem];
    Cell[occHotItemGradientEnd] = Cell[occSelectedItem];
    Cell[occPressedItemGradientStart] = Cell[occItemBrushColor];
    Cell[occPressedItemGradientEnd] = Cell[occItemBrushColor];
    Cell[occCheckedItemColor] = Cell[occToolbarGradientEnd];
    Cell[occDetachBand] = Cell[occCheckedItemColor];
}

void FillDerivedCells(TcbOffice11Colors& C, bool Luna)
{
    const TColor* Cell = C.Cells;
    C.MarkGlyph = Luna ? clBlack : Sys(clBtnText);
    C.MarkGlyphHighlight = Luna ? clWhite : Sys(clWindow);
    C.FloatingCaptionText = Luna ? clWhite : Sys(clBtnHighlight);
    C.MarkArrowHot = Luna ? clBlack : Sys(clBtnText);
    C.MarkArrowPressed = C.MarkArrowHot;
    const TcbOffice11Cell Starts[3] = {occMarkGradientStartNormal, occMarkGradientStartHot, occMarkGradientStartPressed};
    const TcbOffice11Cell Ends[3] = {occMarkGradientEndNormal, occMarkGradientEndHot, occMarkGradientEndPressed};
    for (int S = omsNormal; S <= omsPressed; ++S) {
        C.MarkCorner[S] = Luna ? BlendColors(Cell[Starts[S]], Cell[occToolbarGradientStart], 90)
                               : BlendColors(Cell[Ends[S]], clWindow, 50);
        C.MarkCorner2[S] = BlendColors(Cell[Ends[S]], Cell[occMarkCornerBase], 50);
    }
    C.FloatingCaption = Cell[occToolbarGradientStart];
    C.FloatingCaptionQuery = Cell[occFloatingBorderOuter];
    C.MenuBackground2 = Cell[occMenuBackground];
    C.OpenDropDownGradientStart = Cell[occToolbarGradientStart];
    C.OpenDropDownGradientEnd = Cell[occToolbarGradientEnd];
    C.MenuBandGradientStart = Cell[occToolbarGradientStart];
    C.MenuBandGradientEnd = Cell[occToolbarGradientEnd];
    C.DarkMenuBandGradientStart = BlendColors(C.MenuBandGradientStart, clBlack, 92);
    C.DarkMenuBandGradientEnd = BlendColors(C.MenuBandGradientEnd, clBlack, 92);
    C.SelectedItem2 = Cell[occSelectedItem];
    C.ItemFrame2 = Cell[occItemFrame];
    C.DefaultBackground = Cell[occDockGradientStart];
    C.Shadow = C.MarkCorner2[omsNormal];
    C.SelectedCaptionText = C.FloatingCaptionText;
}

TColor BrushColor(TcbOffice11Brush B)
{
    static const TcbOffice11Cell kCells[kOffice11BrushCount - 1] = {
        occGripDot,   occGripDotHighlight, occSeparator,        occSeparatorHighlight,    occItemFrame,
        occMenuBackground, occSelectedFrame, occCheckedItemColor, occCheckedItemBrushColor, occItemBrushColor,
        occDetachBand, occSelectedItem};
    return B == obShadow ? gColors.Shadow : gColors.Cells[kCells[B]];
}

void MakeBrushesAndBitmap()
{
    for (int32_t I = 0; I < kOffice11BrushCount; ++I)
        gBrushes[I] = CreateSolidBrush(RGBOf(BrushColor(static_cast<TcbOffice11Brush>(I))));
    gExpandBitmap = std::make_unique<TBitmap>();
    HINSTANCE Module = GetModuleHandleA(nullptr);
    if (FindResourceA(Module, kExpandBitmapName, MAKEINTRESOURCEA(2) /* RT_BITMAP */)) {
        gExpandBitmap->LoadFromResourceName(Module, kExpandBitmapName);
        ColorizeBitmap(gExpandBitmap.get());
    }
}

void FreeBrushesAndBitmap()
{
    gExpandBitmap.reset();
    for (HBRUSH& B : gBrushes) {
        if (B)
            DeleteObject(B);
        B = nullptr;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Scheme and set

void SetThemeNameProvider(TcbThemeNameProvider Provider)
{
    gThemeNameProvider = std::move(Provider);
}

TcbOffice11Scheme DetectOffice11Scheme()
{
    if (!AreThemesInUse())
        return osNone;
    std::wstring File, Color, Size;
    if (gThemeNameProvider) {
        if (!gThemeNameProvider(File, Color, Size))
            return osNone;
    } else {
        const int kChars = 1024;
        std::wstring FileBuffer(kChars, L'\0'), ColorBuffer(kChars, L'\0'), SizeBuffer(kChars, L'\0');
        if (FAILED(UxTheme::GetCurrentThemeName(FileBuffer.data(), kChars, ColorBuffer.data(), kChars,
                                                SizeBuffer.data(), kChars)))
            return osNone;
        File = FileBuffer.c_str();
        Color = ColorBuffer.c_str();
    }
    auto Upper = [](std::wstring S) {
        if (!S.empty())
            CharUpperBuffW(S.data(), static_cast<DWORD>(S.size()));
        return S;
    };
    const size_t Slash = File.find_last_of(L"\\/");
    if (Upper(Slash == std::wstring::npos ? File : File.substr(Slash + 1)) != L"LUNA.MSSTYLES")
        return osNone;
    const std::wstring Name = Upper(Color);
    if (Name == L"NORMALCOLOR")
        return osBlue;
    if (Name == L"HOMESTEAD")
        return osOlive;
    if (Name == L"METALLIC")
        return osSilver;
    return osNone;
}

void BuildOffice11Colors()
{
    TcbOffice11Colors C;
    C.Scheme = DetectOffice11Scheme();
    const bool Luna = C.Scheme != osNone;
    if (Luna) {
        std::copy(std::begin(kSchemeColors[C.Scheme - osBlue]), std::end(kSchemeColors[C.Scheme - osBlue]), C.Cells);
        C.MiddleStrength = kSchemeStrengths[C.Scheme - osBlue];
    } else {
        FillFallbackCells(C);
        C.MiddleStrength = kFallbackStrength;
    }
    FillDerivedCells(C, Luna);
    gColors = C;
}

const TcbOffice11Colors& Office11Colors()
{
    return gColors;
}

void AcquireOffice11Colors()
{
    if (gUsers == 0) {
        BuildOffice11Colors();
        MakeBrushesAndBitmap();
    }
    ++gUsers;
}

void ReleaseOffice11Colors()
{
    if (gUsers == 0)
        return;
    if (--gUsers == 0)
        FreeBrushesAndBitmap();
}

void RefreshOffice11Colors()
{
    BuildOffice11Colors();
    if (gUsers > 0) {
        FreeBrushesAndBitmap();
        MakeBrushesAndBitmap();
    }
}

HBRUSH Office11Brush(TcbOffice11Brush Brush)
{
    return Brush >= 0 && Brush < kOffice11BrushCount ? gBrushes[Brush] : nullptr;
}

TBitmap* Office11SubMenuExpandBitmap()
{
    return gExpandBitmap.get();
}

void cbOffice11Init()
{
    ++gInitCount;
}

void cbOffice11Done()
{
    if (gInitCount > 0)
        --gInitCount;
}

// ---------------------------------------------------------------------------------------------
// Colour arithmetic

TColor GetBlendedSystemColor(int32_t FacePercent, int32_t HighlightPercent, int32_t WindowPercent)
{
    return BlendColorsOf(clBtnFace, clHighlight, clWindow, FacePercent, HighlightPercent, WindowPercent);
}

TColor BlendColors(TColor Color1, TColor Color2, int32_t Percent)
{
    const COLORREF C1 = RGBOf(Color1);
    const COLORREF C2 = RGBOf(Color2);
    auto At = [&](int Shift) {
        return MulDiv(Channel(C1, Shift), Percent, 100) + MulDiv(Channel(C2, Shift), 100 - Percent, 100);
    };
    return NearestScreenColor11(static_cast<TColor>(FromChannels(At(0), At(8), At(16))));
}

TColor NearestScreenColor11(TColor Color)
{
    return NearestScreenColor(Color);
}

TColor GetGradientColorAt(TColor Color1, TColor Color2, int32_t Position, int32_t Extent)
{
    const COLORREF C1 = RGBOf(Color1);
    if (Extent == 0)
        return static_cast<TColor>(C1);
    const COLORREF C2 = RGBOf(Color2);
    auto At = [&](int Shift) { return Channel(C1, Shift) + MulDiv(Position, Channel(C2, Shift) - Channel(C1, Shift), Extent); };
    return static_cast<TColor>(FromChannels(At(0), At(8), At(16)));
}

void FillRectByColor(HDC DC, const TRect& R, TColor Color)
{
    HBRUSH Brush = CreateSolidBrush(RGBOf(Color));
    FillRect(DC, &R, Brush);
    DeleteObject(Brush);
}

void FrameRectByColor(HDC DC, const TRect& R, TColor Color)
{
    HBRUSH Brush = CreateSolidBrush(RGBOf(Color));
    FrameRect(DC, &R, Brush);
    DeleteObject(Brush);
}

void FillGradientRect(HDC DC, const TRect& R, TColor Color1, TColor Color2, bool Horizontal)
{
    const COLORREF C1 = RGBOf(Color1);
    const COLORREF C2 = RGBOf(Color2);
    const int Extent = Horizontal ? R.right - R.left : R.bottom - R.top;
    if (Extent <= 0 || R.right <= R.left || R.bottom <= R.top)
        return;
    if (C1 == C2) {
        FillRectByColor(DC, R, static_cast<TColor>(C1));
        return;
    }
    const int N = std::min(Extent, 256);
    FillBands(DC, R, Horizontal, N, [&](int I) { return Interpolate(C1, C2, I, N); });
}

void FillTwoPartGradientRect(HDC DC, const TRect& R, TColor Color1, TColor Color2, bool Horizontal)
{
    const COLORREF C1 = RGBOf(Color1);
    const COLORREF C2 = RGBOf(Color2);
    const int Extent = Horizontal ? R.right - R.left : R.bottom - R.top;
    if (Extent <= 0 || R.right <= R.left || R.bottom <= R.top)
        return;
    if (C1 == C2) {
        FillRectByColor(DC, R, static_cast<TColor>(C1));
        return;
    }
    const int32_t Strength = gColors.MiddleStrength;
    auto Middle = [&](int Shift) {
        return Channel(C1, Shift) - MulDiv(Channel(C1, Shift) - Channel(C2, Shift), Strength, 200);
    };
    const COLORREF Mid = FromChannels(Middle(0), Middle(8), Middle(16));
    const int N = std::min(Extent, 256);
    const int Half = N / 2;
    FillBands(DC, R, Horizontal, N, [&](int I) {
        return I < Half ? Interpolate(C1, Mid, I, Half) : Interpolate(Mid, C2, I - Half, N - Half);
    });
}

void DrawOffice11SelectedFrame(HDC DC, const TRect& R)
{
    if (HBRUSH Brush = gBrushes[obSelectedFrame])
        FrameRect(DC, &R, Brush);
    else
        FrameRectByColor(DC, R, gColors.Cells[occSelectedFrame]);
}

void ColorizeBitmap(TBitmap* Bitmap)
{
    if (!Bitmap || Bitmap->GetEmpty())
        return;
    if (Bitmap->GetPixelFormat() != pf24bit && Bitmap->GetPixelFormat() != pf32bit)
        Bitmap->SetPixelFormat(pf24bit);
    const int Step = Bitmap->GetPixelFormat() == pf32bit ? 4 : 3;
    const int W = Bitmap->GetWidth();
    const int H = Bitmap->GetHeight();
    // Pixels are blue, green, red in memory.
    auto ColorAt = [&](uint8_t* P) { return RGB(P[2], P[1], P[0]); };
    const COLORREF Transparent = ColorAt(static_cast<uint8_t*>(Bitmap->ScanLine(0)));
    auto Shaded = [&](COLORREF C) { return C != Transparent && C != RGB(0, 0, 0); };
    int Lowest = 255;
    int Highest = 1;
    for (int Y = 0; Y < H; ++Y) {
        uint8_t* Row = static_cast<uint8_t*>(Bitmap->ScanLine(Y));
        for (int X = 0; X < W; ++X) {
            const COLORREF C = ColorAt(Row + X * Step);
            if (!Shaded(C))
                continue;
            Lowest = std::min(Lowest, Channel(C, 0));
            Highest = std::max(Highest, Channel(C, 0));
        }
    }
    const TColor Start = gColors.Cells[occToolbarGradientStart];
    const TColor End = gColors.Cells[occToolbarGradientEnd];
    for (int Y = 0; Y < H; ++Y) {
        uint8_t* Row = static_cast<uint8_t*>(Bitmap->ScanLine(Y));
        for (int X = 0; X < W; ++X) {
            uint8_t* P = Row + X * Step;
            const COLORREF C = ColorAt(P);
            if (!Shaded(C))
                continue;
            // One shade only: every such pixel takes the start colour.
            const int Percent = Highest > Lowest ? MulDiv(Channel(C, 0) - Lowest, 100, Highest - Lowest) : 100;
            const COLORREF N = RGBOf(BlendColors(Start, End, Percent));
            P[0] = static_cast<uint8_t>(Channel(N, 16));
            P[1] = static_cast<uint8_t>(Channel(N, 8));
            P[2] = static_cast<uint8_t>(Channel(N, 0));
        }
    }
    GdiFlush();
}

// ---------------------------------------------------------------------------------------------
// Grip and arrows

void DrawDottedGrip(HDC DC, const TRect& R, bool InColumn, HBRUSH Dot, HBRUSH Highlight)
{
    const int Run = InColumn ? R.bottom - R.top : R.right - R.left;
    const int Across = InColumn ? R.right - R.left : R.bottom - R.top;
    if (Run < 4 || Across <= 0)
        return;
    int Shift = Run % 4;
    if (Shift > 1)
        Shift /= 2;
    const int Side = Across >= 4 ? (Across - 4) / 2 : 0;
    for (int Pos = Shift; Pos + 4 <= Run; Pos += 4) {
        const int X = InColumn ? R.left + Side : R.left + Pos;
        const int Y = InColumn ? R.top + Pos : R.top + Side;
        const TRect Light = Rect(X + 1, Y + 1, X + 3, Y + 3);
        const TRect Square = Rect(X, Y, X + 2, Y + 2);
        FillRect(DC, &Light, Highlight);
        FillRect(DC, &Square, Dot);
    }
}

void DrawSolidTriangle(HDC DC, const POINT (&P)[3], TColor Color)
{
    const COLORREF Ink = RGBOf(Color);
    HPEN Pen = CreatePen(PS_SOLID, 1, Ink);
    HBRUSH Brush = CreateSolidBrush(Ink);
    HGDIOBJ OldPen = SelectObject(DC, Pen);
    HGDIOBJ OldBrush = SelectObject(DC, Brush);
    Polygon(DC, P, 3);
    SelectObject(DC, OldBrush);
    SelectObject(DC, OldPen);
    DeleteObject(Brush);
    DeleteObject(Pen);
}

void DrawArrowPolygon(HDC DC, const TRect& R, bool Down, int32_t Size, TColor Color)
{
    const int S = Size;
    POINT P[3];
    if (Down) {
        const int X0 = (R.left + R.right - (2 * S - 1)) / 2;
        const int Y0 = (R.top + R.bottom - S) / 2;
        P[0] = {X0, Y0};
        P[1] = {X0 + 2 * S - 2, Y0};
        P[2] = {X0 + S - 1, Y0 + S - 1};
    } else {
        const int X0 = (R.left + R.right - S) / 2;
        const int Y0 = (R.top + R.bottom - (2 * S - 1)) / 2;
        P[0] = {X0, Y0};
        P[1] = {X0, Y0 + 2 * S - 2};
        P[2] = {X0 + S - 1, Y0 + S - 1};
    }
    DrawSolidTriangle(DC, P, Color);
}

int32_t ArrowSizeForRect(const TRect& R, bool Down)
{
    const int E = Down ? R.right - R.left - 8 : R.bottom - R.top - 6;
    const int S = (E - 1) / 2 + ((E % 2 != 0) ? 1 : 0);
    return std::max(S, 3);
}

void DrawCenteredArrowPolygon(HDC DC, const TRect& R, bool Down, TColor Color)
{
    DrawArrowPolygon(DC, R, Down, ArrowSizeForRect(R, Down), Color);
}
