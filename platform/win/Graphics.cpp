#include "platform/win/Graphics.h"

#include <algorithm>
#include <cstdlib>
#include <atomic>
#include <cstring>
#include <vector>

#include "platform/win/Bitmap.h"
#include "platform/win/Graphic.h"

// ---------------------------------------------------------------------------------------------
// Colours

COLORREF ColorToRGB(TColor Color)
{
    return ColorToRGB(Color, Color == clNone ? clWindow : clWindowText);
}

COLORREF ColorToRGB(TColor Color, TColor DefaultColor)
{
    if (Color == clNone || Color == clDefault) {
        // A fallback that is itself clNone or clDefault must not loop.
        if (DefaultColor == clNone || DefaultColor == clDefault)
            DefaultColor = clWindow;
        Color = DefaultColor;
    }
    if (IsSystemColor(Color))
        return GetSysColor(static_cast<int>(static_cast<uint32_t>(Color) & 0xFF)) & 0x00FFFFFF;
    return static_cast<COLORREF>(Color) & 0x00FFFFFF;
}

int32_t ScreenPixelsPerInch()
{
    static std::atomic<int32_t> Cached{0};
    int32_t Value = Cached.load();
    if (Value == 0) {
        HDC DC = GetDC(nullptr);
        Value = DC ? GetDeviceCaps(DC, LOGPIXELSY) : 96;
        if (DC)
            ReleaseDC(nullptr, DC);
        if (Value <= 0)
            Value = 96;
        Cached = Value;
    }
    return Value;
}

// ---------------------------------------------------------------------------------------------
// TGraphicsObject

TGraphicsObject::~TGraphicsObject()
{
    if (FCanvas)
        FCanvas->ObjectChanging(this);
    DestroyHandle();
}

void TGraphicsObject::Changed()
{
    // A selected object cannot be deleted: the canvas puts its DC's original object back first.
    if (FCanvas)
        FCanvas->ObjectChanging(this);
    DestroyHandle();
    if (OnChange)
        OnChange(this);
}

void TGraphicsObject::DestroyHandle()
{
    if (FHandle) {
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
}

// ---------------------------------------------------------------------------------------------
// TFont

TFont::TFont() : FPixelsPerInch(ScreenPixelsPerInch())
{
    FHeight = -MulDiv(8, FPixelsPerInch, 72);
}

void TFont::Assign(TPersistent* Source)
{
    if (auto* F = dynamic_cast<TFont*>(Source)) {
        if (F == this)
            return;
        FName = F->FName;
        FHeight = F->FHeight;
        FColor = F->FColor;
        FStyle = F->FStyle;
        FCharset = F->FCharset;
        FPitch = F->FPitch;
        FOrientation = F->FOrientation;
        FPixelsPerInch = F->FPixelsPerInch;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

LOGFONTA TFont::GetLogFont() const
{
    LOGFONTA LF;
    std::memset(&LF, 0, sizeof(LF));
    LF.lfHeight = FHeight;
    LF.lfEscapement = FOrientation;
    LF.lfOrientation = FOrientation;
    LF.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    LF.lfItalic = FStyle.Contains(fsItalic);
    LF.lfUnderline = FStyle.Contains(fsUnderline);
    LF.lfStrikeOut = FStyle.Contains(fsStrikeOut);
    LF.lfCharSet = FCharset;
    LF.lfOutPrecision = OUT_DEFAULT_PRECIS;
    LF.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    LF.lfQuality = DEFAULT_QUALITY;
    LF.lfPitchAndFamily = FPitch == fpFixed ? FIXED_PITCH : FPitch == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    const size_t N = std::min(FName.size(), sizeof(LF.lfFaceName) - 1);
    std::memcpy(LF.lfFaceName, FName.data(), N);
    LF.lfFaceName[N] = '\0';
    return LF;
}

HFONT TFont::GetHandle()
{
    if (!FHandle) {
        LOGFONTA LF = GetLogFont();
        FHandle = CreateFontIndirectA(&LF);
        if (!FHandle)
            FHandle = GetStockObject(DEFAULT_GUI_FONT); // deleting a stock object is harmless
    }
    return static_cast<HFONT>(FHandle);
}

void TFont::SetHandle(HFONT Value)
{
    LOGFONTA LF;
    if (!Value || GetObjectA(Value, sizeof(LF), &LF) < static_cast<int>(offsetof(LOGFONTA, lfFaceName)))
        throw EInvalidGraphicOperation("Invalid font handle");
    LF.lfFaceName[sizeof(LF.lfFaceName) - 1] = '\0';
    FName = LF.lfFaceName;
    FHeight = LF.lfHeight;
    TFontStyles S;
    if (LF.lfWeight >= FW_BOLD)
        S.Include(fsBold);
    if (LF.lfItalic)
        S.Include(fsItalic);
    if (LF.lfUnderline)
        S.Include(fsUnderline);
    if (LF.lfStrikeOut)
        S.Include(fsStrikeOut);
    FStyle = S;
    FCharset = LF.lfCharSet;
    const int Pitch = LF.lfPitchAndFamily & 3;
    FPitch = Pitch == FIXED_PITCH ? fpFixed : Pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
    FOrientation = LF.lfEscapement;
    Changed();
}

void TFont::SetName(const std::string& Value)
{
    if (Value.empty() || Value == FName)
        return;
    FName = Value;
    Changed();
}

int32_t TFont::GetSize() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(int32_t Value) { SetHeight(-MulDiv(Value, FPixelsPerInch, 72)); }

void TFont::SetHeight(int32_t Value)
{
    if (Value == FHeight)
        return;
    FHeight = Value;
    Changed();
}

void TFont::SetColor(TColor Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    // The colour is not part of the GDI font; only the canvas needs to hear of it.
    Changed();
}

void TFont::SetStyle(TFontStyles Value)
{
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TFont::SetCharset(uint8_t Value)
{
    if (Value == FCharset)
        return;
    FCharset = Value;
    Changed();
}

void TFont::SetPitch(TFontPitch Value)
{
    if (Value == FPitch)
        return;
    FPitch = Value;
    Changed();
}

void TFont::SetOrientation(int32_t Value)
{
    if (Value == FOrientation)
        return;
    FOrientation = Value;
    Changed();
}

TSize MeasureText(TFont* Font, const std::string& Text, UINT Format, int32_t Width)
{
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font->GetHandle());
    RECT R{0, 0, Width, 0};
    DrawTextA(DC, Text.c_str(), static_cast<int>(Text.size()), &R, Format | DT_CALCRECT);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    return TSize{R.right - R.left, R.bottom - R.top};
}

// ---------------------------------------------------------------------------------------------
// TPen

int PenModeToROP2(TPenMode Mode) { return R2_BLACK + static_cast<int>(Mode); }

void TPen::Assign(TPersistent* Source)
{
    if (auto* P = dynamic_cast<TPen*>(Source)) {
        if (P == this)
            return;
        FColor = P->FColor;
        FWidth = P->FWidth;
        FStyle = P->FStyle;
        FMode = P->FMode;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

HPEN TPen::GetHandle()
{
    if (!FHandle) {
        if (FStyle == psClear || FColor == clNone) {
            FHandle = CreatePen(PS_NULL, 0, 0);
        } else {
            const COLORREF C = ColorToRGB(FColor, clWindowText);
            static const int Styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
            const int Style = Styles[FStyle];
            if (FWidth > 1 && (FStyle == psDash || FStyle == psDot || FStyle == psDashDot || FStyle == psDashDotDot)) {
                // Cosmetic pens draw patterns only one pixel wide; a wide patterned pen is geometric.
                LOGBRUSH LB{BS_SOLID, C, 0};
                FHandle = ExtCreatePen(PS_GEOMETRIC | Style | PS_ENDCAP_FLAT, static_cast<DWORD>(FWidth), &LB, 0, nullptr);
            } else {
                FHandle = CreatePen(Style, FWidth, C);
            }
        }
        if (!FHandle)
            throw EOutOfResources("Cannot create a pen");
    }
    return static_cast<HPEN>(FHandle);
}

void TPen::SetColor(TColor Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    Changed();
}

void TPen::SetWidth(int32_t Value)
{
    if (Value < 0)
        Value = 0;
    if (Value == FWidth)
        return;
    FWidth = Value;
    Changed();
}

void TPen::SetStyle(TPenStyle Value)
{
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TPen::SetMode(TPenMode Value)
{
    if (Value == FMode)
        return;
    FMode = Value;
    Changed();
}

// ---------------------------------------------------------------------------------------------
// TBrush

void TBrush::Assign(TPersistent* Source)
{
    if (auto* B = dynamic_cast<TBrush*>(Source)) {
        if (B == this)
            return;
        FColor = B->FColor;
        FStyle = B->FStyle;
        FBitmap = B->FBitmap;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

HBRUSH TBrush::GetHandle()
{
    if (!FHandle) {
        if (FBitmap && !FBitmap->GetEmpty()) {
            // CreatePatternBrush copies the bitmap, which therefore must not be in a DC.
            HBITMAP Pattern = static_cast<HBITMAP>(CopyImage(FBitmap->GetHandle(), IMAGE_BITMAP, 0, 0, 0));
            if (Pattern) {
                FHandle = CreatePatternBrush(Pattern);
                DeleteObject(Pattern);
            }
        } else if (IsClear()) {
            FHandle = GetStockObject(NULL_BRUSH);
        } else if (FStyle == bsSolid) {
            FHandle = CreateSolidBrush(ColorToRGB(FColor, clWindow));
        } else {
            static const int Hatches[] = {0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
            FHandle = CreateHatchBrush(Hatches[FStyle], ColorToRGB(FColor, clWindow));
        }
        if (!FHandle)
            throw EOutOfResources("Cannot create a brush");
    }
    return static_cast<HBRUSH>(FHandle);
}

void TBrush::SetColor(TColor Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    Changed();
}

void TBrush::SetStyle(TBrushStyle Value)
{
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TBrush::SetBitmap(TBitmap* Value)
{
    FBitmap = Value;
    Changed();
}

// ---------------------------------------------------------------------------------------------
// TCanvas

TCanvas::TCanvas()
{
    FFont.FCanvas = this;
    FPen.FCanvas = this;
    FBrush.FCanvas = this;
}

TCanvas::~TCanvas()
{
    DeselectHandles();
    FFont.FCanvas = nullptr;
    FPen.FCanvas = nullptr;
    FBrush.FCanvas = nullptr;
}

HDC TCanvas::GetHandle()
{
    RequiredState(csHandleValid);
    return FHandle;
}

void TCanvas::SetHandle(HDC Value)
{
    if (Value == FHandle)
        return;
    DeselectHandles();
    FHandle = Value;
    if (FHandle)
        FState.Include(csHandleValid);
}

void TCanvas::DeselectHandles()
{
    if (FHandle) {
        if (FOldFont)
            SelectObject(FHandle, FOldFont);
        if (FOldPen)
            SelectObject(FHandle, FOldPen);
        if (FOldBrush)
            SelectObject(FHandle, FOldBrush);
    }
    FOldFont = FOldPen = FOldBrush = nullptr;
    FHandle = nullptr;
    FState = TCanvasState();
}

void TCanvas::ObjectChanging(TGraphicsObject* Object)
{
    if (!FHandle)
        return;
    if (Object == &FFont && FState.Contains(csFontValid)) {
        SelectObject(FHandle, FOldFont);
        FOldFont = nullptr;
        FState.Exclude(csFontValid);
    } else if (Object == &FPen && FState.Contains(csPenValid)) {
        SelectObject(FHandle, FOldPen);
        FOldPen = nullptr;
        FState.Exclude(csPenValid);
    } else if (Object == &FBrush && FState.Contains(csBrushValid)) {
        SelectObject(FHandle, FOldBrush);
        FOldBrush = nullptr;
        FState.Exclude(csBrushValid);
    }
}

void TCanvas::RequiredState(TCanvasState ReqState)
{
    TCanvasState Needed = ReqState - FState;
    if (Needed.Empty())
        return;
    if (Needed.Contains(csHandleValid) || !FHandle) {
        if (!FHandle)
            CreateHandle();
        if (!FHandle)
            throw EInvalidOperation("Canvas does not allow drawing");
        FState.Include(csHandleValid);
    }
    if (Needed.Contains(csFontValid))
        CreateFont();
    if (Needed.Contains(csPenValid))
        CreatePen();
    if (Needed.Contains(csBrushValid))
        CreateBrush();
}

void TCanvas::CreateFont()
{
    HGDIOBJ Old = SelectObject(FHandle, FFont.GetHandle());
    if (!FOldFont)
        FOldFont = Old;
    SetTextColor(FHandle, ColorToRGB(FFont.GetColor(), clWindowText));
    FState.Include(csFontValid);
}

void TCanvas::CreatePen()
{
    HGDIOBJ Old = SelectObject(FHandle, FPen.GetHandle());
    if (!FOldPen)
        FOldPen = Old;
    SetROP2(FHandle, PenModeToROP2(FPen.GetMode()));
    FState.Include(csPenValid);
}

void TCanvas::CreateBrush()
{
    HGDIOBJ Old = SelectObject(FHandle, FBrush.GetHandle());
    if (!FOldBrush)
        FOldBrush = Old;
    // A solid brush gives text backgrounds and pen gaps its colour; hatches and clear brushes
    // leave what is underneath.
    SetBkColor(FHandle, ColorToRGB(FBrush.GetColor(), clWindow));
    SetBkMode(FHandle, (FBrush.GetStyle() == bsSolid && !FBrush.IsClear()) ? OPAQUE : TRANSPARENT);
    FState.Include(csBrushValid);
}

void TCanvas::Changing()
{
    if (OnChanging)
        OnChanging(this);
}

void TCanvas::Changed()
{
    if (OnChange)
        OnChange(this);
}

TPoint TCanvas::GetPenPos()
{
    RequiredState(csHandleValid);
    POINT P;
    GetCurrentPositionEx(FHandle, &P);
    return P;
}

void TCanvas::MoveTo(int32_t X, int32_t Y)
{
    RequiredState(csHandleValid);
    MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(int32_t X, int32_t Y)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::LineTo(FHandle, X, Y);
    Changed();
}

void TCanvas::Polyline(std::span<const TPoint> Points)
{
    if (Points.empty())
        return;
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Polyline(FHandle, Points.data(), static_cast<int>(Points.size()));
    Changed();
}

void TCanvas::Polygon(std::span<const TPoint> Points)
{
    if (Points.empty())
        return;
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Polygon(FHandle, Points.data(), static_cast<int>(Points.size()));
    Changed();
}

void TCanvas::Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Rectangle(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::RoundRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3);
    Changed();
}

void TCanvas::Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    // Wine fills a thin ellipse from memory it never set, so its pixels differ from call to
    // call (worst with several threads drawing); as a path it comes out the same every time.
    const int32_t Pen = FPen.GetStyle() == psClear ? 0 : FPen.GetWidth();
    if (std::min(std::abs(X2 - X1), std::abs(Y2 - Y1)) <= 2 * Pen + 8 && BeginPath(FHandle)) {
        ::Ellipse(FHandle, X1, Y1, X2, Y2);
        EndPath(FHandle);
        StrokeAndFillPath(FHandle);
    } else {
        ::Ellipse(FHandle, X1, Y1, X2, Y2);
    }
    Changed();
}

void TCanvas::Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Arc(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    Changed();
}

void TCanvas::Pie(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Pie(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    Changed();
}

void TCanvas::FillRect(const TRect& R)
{
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    if (!FBrush.IsClear())
        ::FillRect(FHandle, &R, FBrush.GetHandle());
    Changed();
}

void TCanvas::FrameRect(const TRect& R)
{
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    if (!FBrush.IsClear())
        ::FrameRect(FHandle, &R, FBrush.GetHandle());
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& R)
{
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    ::DrawFocusRect(FHandle, &R);
    Changed();
}

void TCanvas::TextOut(int32_t X, int32_t Y, const std::string& Text)
{
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    ::TextOutA(FHandle, X, Y, Text.data(), static_cast<int>(Text.size()));
    SIZE S{0, 0};
    GetTextExtentPoint32A(FHandle, Text.data(), static_cast<int>(Text.size()), &S);
    MoveToEx(FHandle, X + S.cx, Y, nullptr);
    Changed();
}

void TCanvas::TextRect(const TRect& R, int32_t X, int32_t Y, const std::string& Text)
{
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    UINT Options = ETO_CLIPPED;
    if (!FBrush.IsClear())
        Options |= ETO_OPAQUE;
    ::ExtTextOutA(FHandle, X, Y, Options, &R, Text.data(), static_cast<UINT>(Text.size()), nullptr);
    Changed();
}

int32_t TCanvas::TextRect(TRect& R, const std::string& Text, UINT Flags)
{
    const bool Measure = (Flags & DT_CALCRECT) != 0;
    if (!Measure)
        Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    // DT_MODIFYSTRING would write into our string; it is never passed on.
    const int Result = ::DrawTextA(FHandle, Text.data(), static_cast<int>(Text.size()), &R, Flags & ~UINT(DT_MODIFYSTRING));
    if (!Measure)
        Changed();
    return Result;
}

TSize TCanvas::TextExtent(const std::string& Text)
{
    RequiredState({csHandleValid, csFontValid});
    SIZE S{0, 0};
    GetTextExtentPoint32A(FHandle, Text.data(), static_cast<int>(Text.size()), &S);
    return S;
}

void TCanvas::Draw(int32_t X, int32_t Y, TGraphic* Graphic)
{
    if (!Graphic || Graphic->GetEmpty())
        return;
    StretchDraw(Bounds(X, Y, Graphic->GetWidth(), Graphic->GetHeight()), Graphic);
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic)
{
    if (!Graphic || Graphic->GetEmpty())
        return;
    Changing();
    RequiredState(csHandleValid);
    Graphic->Draw(this, R);
    Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source)
{
    if (!Canvas)
        return;
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    HDC SourceDC = Canvas->GetHandle();
    const int OldMode = SetStretchBltMode(FHandle, COLORONCOLOR);
    ::StretchBlt(FHandle, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top, SourceDC,
                 Source.left, Source.top, Source.right - Source.left, Source.bottom - Source.top, FCopyMode);
    SetStretchBltMode(FHandle, OldMode);
    Changed();
}

TColor TCanvas::GetPixel(int32_t X, int32_t Y)
{
    RequiredState(csHandleValid);
    const COLORREF C = ::GetPixel(FHandle, X, Y);
    return C == CLR_INVALID ? clNone : static_cast<TColor>(C);
}

void TCanvas::SetPixel(int32_t X, int32_t Y, TColor Color)
{
    if (Color == clNone)
        return;
    Changing();
    RequiredState({csHandleValid, csPenValid});
    ::SetPixelV(FHandle, X, Y, ColorToRGB(Color, clWindowText));
    Changed();
}

TRect TCanvas::GetClipRect()
{
    RequiredState(csHandleValid);
    RECT R{0, 0, 0, 0};
    GetClipBox(FHandle, &R);
    return R;
}

void TCanvas::Lock()
{
    FLock.Enter();
    ++FLockCount;
}

void TCanvas::Unlock()
{
    --FLockCount;
    FLock.Leave();
}

bool TCanvas::TryLock()
{
    if (!FLock.TryEnter())
        return false;
    ++FLockCount;
    return true;
}
