#pragma once
// Colours, drawing objects and the canvas.
//
// Offers:
// - TRect/TPoint/TSize (the Win32 records) with Rect, Bounds, Point helpers.
// - TColor (0x00BBGGRR; system colours 0xFF000000 + COLOR_ index; clNone, clDefault) with the
//   named colours and ColorToRGB, which resolves system colours and never hands GDI a
//   clNone or clDefault value.
// - TFont, TPen, TBrush: plain descriptions that make their own GDI handle on first use and
//   make it again after a change. Nothing is shared between objects or threads, so each may be
//   used on any thread (one thread at a time). MeasureText gives the size a text takes in a font.
// - TCanvas: drawing on any device context. Its Pen, Brush and Font are selected lazily before
//   each operation and deselected (the DC's original objects put back) when the handle is
//   released or changed. Lock/Unlock/TryLock guard a canvas handed between threads.
//   Derived canvases (bitmap, metafile, controls) override CreateHandle to make a DC on demand.

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include <windows.h>

#include "platform/rtl/Classes.h"
#include "platform/rtl/Flags.h"
#include "platform/win/Locks.h"

// ---------------------------------------------------------------------------------------------
// Geometry

using TRect = RECT;
using TPoint = POINT;
using TSize = SIZE;

inline TRect Rect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom)
{
    return TRect{Left, Top, Right, Bottom};
}
inline TRect Bounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height)
{
    return TRect{Left, Top, Left + Width, Top + Height};
}
inline TPoint Point(int32_t X, int32_t Y) { return TPoint{X, Y}; }

// ---------------------------------------------------------------------------------------------
// Colours

using TColor = int32_t;

constexpr TColor TColorOf(uint32_t Value) { return static_cast<TColor>(Value); }
constexpr TColor clSystemColor = TColorOf(0xFF000000);
constexpr TColor SystemColor(int Index) { return TColorOf(0xFF000000u | static_cast<uint32_t>(Index)); }
constexpr bool IsSystemColor(TColor Color) { return (static_cast<uint32_t>(Color) & 0xFF000000u) == 0xFF000000u; }

constexpr TColor clNone = TColorOf(0x1FFFFFFF);    // no colour of its own: nothing is painted
constexpr TColor clDefault = TColorOf(0x20000000); // the object's default colour

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;

constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
constexpr TColor clHotLight = SystemColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SystemColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SystemColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SystemColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SystemColor(COLOR_MENUBAR);

// A plain 0x00BBGGRR value for GDI: system colours through GetSysColor, clNone as the window
// background (COLOR_WINDOW) and clDefault as the window text colour; any other high byte is
// dropped, so the result never carries palette-index or palette-relative flags.
COLORREF ColorToRGB(TColor Color);
// ColorToRGB for the common "what does this colour look like" case with a fallback for
// clNone and clDefault chosen by the caller.
COLORREF ColorToRGB(TColor Color, TColor DefaultColor);

// Logical pixels per inch of the screen (LOGPIXELSY), read once.
int32_t ScreenPixelsPerInch();

// ---------------------------------------------------------------------------------------------
// Drawing objects

class TCanvas;

// Base of TFont, TPen and TBrush: owns one GDI handle, made on demand, deleted on change.
class TGraphicsObject : public TPersistent {
public:
    TGraphicsObject() = default;
    TGraphicsObject(const TGraphicsObject&) = delete;
    TGraphicsObject& operator=(const TGraphicsObject&) = delete;
    ~TGraphicsObject() override;
    std::string ClassName() const override { return "TGraphicsObject"; }

    bool HandleAllocated() const { return FHandle != nullptr; }

    TNotifyEvent OnChange;

protected:
    // The owning canvas deselects the old handle before it is deleted, then OnChange runs.
    void Changed();
    void DestroyHandle();
    HGDIOBJ FHandle = nullptr;

private:
    friend class TCanvas;
    TCanvas* FCanvas = nullptr; // the canvas that selects this object, if any
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TFlags<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

class TFont : public TGraphicsObject {
public:
    TFont();
    std::string ClassName() const override { return "TFont"; }
    void Assign(TPersistent* Source) override;

    // The font's own handle. SetHandle reads the given font's LOGFONT into the properties;
    // the given handle stays the caller's.
    HFONT GetHandle();
    void SetHandle(HFONT Value);

    const std::string& GetName() const { return FName; }
    void SetName(const std::string& Value);
    // Points, through PixelsPerInch: Height = -Size * PixelsPerInch / 72.
    int32_t GetSize() const;
    void SetSize(int32_t Value);
    // Pixels; negative is the character height, positive the cell height (as LOGFONT).
    int32_t GetHeight() const { return FHeight; }
    void SetHeight(int32_t Value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor Value);
    TFontStyles GetStyle() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    uint8_t GetCharset() const { return FCharset; }
    void SetCharset(uint8_t Value);
    TFontPitch GetPitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);
    // Tenths of a degree, counter-clockwise.
    int32_t GetOrientation() const { return FOrientation; }
    void SetOrientation(int32_t Value);
    // Used by Size; the screen's by default. Changing it keeps Height.
    int32_t GetPixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int32_t Value) { FPixelsPerInch = Value > 0 ? Value : ScreenPixelsPerInch(); }

    LOGFONTA GetLogFont() const;

private:
    std::string FName = "Tahoma";
    int32_t FHeight;
    TColor FColor = clWindowText;
    TFontStyles FStyle;
    uint8_t FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    int32_t FOrientation = 0;
    int32_t FPixelsPerInch;
};

// The size Text takes drawn in Font on the screen by DrawText with Format (DT_CALCRECT is
// added); with DT_WORDBREAK its lines break within Width.
TSize MeasureText(TFont* Font, const std::string& Text, UINT Format, int32_t Width = 0);

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// The ROP2 codes, in the order of R2_BLACK .. R2_WHITE.
enum TPenMode {
    pmBlack, pmNotMerge, pmMaskNotPen, pmNotCopy, pmMaskPenNot, pmNot, pmXor, pmNotMask,
    pmMask, pmNotXor, pmNop, pmMergeNotPen, pmCopy, pmMergePenNot, pmMerge, pmWhite
};
int PenModeToROP2(TPenMode Mode); // pmBlack -> R2_BLACK ...

class TPen : public TGraphicsObject {
public:
    TPen() = default;
    std::string ClassName() const override { return "TPen"; }
    void Assign(TPersistent* Source) override;

    HPEN GetHandle();
    TColor GetColor() const { return FColor; }
    void SetColor(TColor Value); // clNone draws nothing; clDefault is clWindowText
    int32_t GetWidth() const { return FWidth; }
    void SetWidth(int32_t Value);
    TPenStyle GetStyle() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    // Not part of the GDI pen: the canvas sets it with SetROP2 when it selects the pen.
    TPenMode GetMode() const { return FMode; }
    void SetMode(TPenMode Value);

private:
    TColor FColor = clBlack;
    int32_t FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBitmap;

class TBrush : public TGraphicsObject {
public:
    TBrush() = default;
    std::string ClassName() const override { return "TBrush"; }
    void Assign(TPersistent* Source) override;

    HBRUSH GetHandle();
    TColor GetColor() const { return FColor; }
    void SetColor(TColor Value); // clNone paints nothing (as bsClear); clDefault is clWindow
    TBrushStyle GetStyle() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    // A pattern bitmap (not owned; the brush copies its pixels when it makes its handle).
    // A pattern brush takes precedence over Style; nullptr returns to Style.
    TBitmap* GetBitmap() const { return FBitmap; }
    void SetBitmap(TBitmap* Value);

    // True when a fill with this brush paints nothing.
    bool IsClear() const { return FBitmap == nullptr && (FStyle == bsClear || FColor == clNone); }

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Canvas

// Raster operations for CopyMode.
constexpr DWORD cmBlackness = BLACKNESS;
constexpr DWORD cmDstInvert = DSTINVERT;
constexpr DWORD cmMergeCopy = MERGECOPY;
constexpr DWORD cmMergePaint = MERGEPAINT;
constexpr DWORD cmNotSrcCopy = NOTSRCCOPY;
constexpr DWORD cmNotSrcErase = NOTSRCERASE;
constexpr DWORD cmPatCopy = PATCOPY;
constexpr DWORD cmPatInvert = PATINVERT;
constexpr DWORD cmPatPaint = PATPAINT;
constexpr DWORD cmSrcAnd = SRCAND;
constexpr DWORD cmSrcCopy = SRCCOPY;
constexpr DWORD cmSrcErase = SRCERASE;
constexpr DWORD cmSrcInvert = SRCINVERT;
constexpr DWORD cmSrcPaint = SRCPAINT;
constexpr DWORD cmWhiteness = WHITENESS;

class TGraphic;

enum TCanvasStateFlag { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = TFlags<TCanvasStateFlag>;

class TCanvas : public TPersistent {
public:
    TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    // Derived canvases that own their DC release it in their own destructor (FreeHandle).
    ~TCanvas() override;
    std::string ClassName() const override { return "TCanvas"; }

    // The device context; a derived canvas makes one on demand (CreateHandle), the base
    // raises EInvalidOperation "Canvas does not allow drawing" without one.
    HDC GetHandle();
    // Deselects this canvas's objects from the old DC; the DC stays its owner's.
    void SetHandle(HDC Value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    TFont* GetFont() { return &FFont; }
    void SetFont(TFont* Value) { FFont.Assign(Value); }
    TPen* GetPen() { return &FPen; }
    void SetPen(TPen* Value) { FPen.Assign(Value); }
    TBrush* GetBrush() { return &FBrush; }
    void SetBrush(TBrush* Value) { FBrush.Assign(Value); }
    DWORD GetCopyMode() const { return FCopyMode; }
    void SetCopyMode(DWORD Value) { FCopyMode = Value; }
    TPoint GetPenPos();
    void SetPenPos(TPoint Value) { MoveTo(Value.x, Value.y); }

    void MoveTo(int32_t X, int32_t Y);
    void LineTo(int32_t X, int32_t Y);
    void Polyline(std::span<const TPoint> Points);
    void Polygon(std::span<const TPoint> Points);
    void Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
    void Rectangle(const TRect& R) { Rectangle(R.left, R.top, R.right, R.bottom); }
    void RoundRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3);
    void Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
    void Ellipse(const TRect& R) { Ellipse(R.left, R.top, R.right, R.bottom); }
    void Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4);
    void Pie(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4);
    void FillRect(const TRect& R);   // with the brush; a clear brush paints nothing
    void FrameRect(const TRect& R);  // one pixel wide, with the brush
    void DrawFocusRect(const TRect& R);

    // Text in the font's colour; the background is the brush's colour when the brush is solid
    // (also for the gaps of patterned pens). TextOut leaves the pen position at the end of the text.
    void TextOut(int32_t X, int32_t Y, const std::string& Text);
    // Text at (X, Y) clipped to R (R filled with the brush unless it is clear).
    void TextRect(const TRect& R, int32_t X, int32_t Y, const std::string& Text);
    // DrawText with its DT_ flags; with DT_CALCRECT it only measures into R. Returns the
    // text height.
    int32_t TextRect(TRect& R, const std::string& Text, UINT Flags);
    int32_t TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
    int32_t TextHeight(const std::string& Text) { return TextExtent(Text).cy; }
    TSize TextExtent(const std::string& Text);

    // The graphic at its own size, or stretched into R; nothing for nullptr or an empty one.
    void Draw(int32_t X, int32_t Y, TGraphic* Graphic);
    void StretchDraw(const TRect& R, TGraphic* Graphic);
    // StretchBlt from Canvas's Source into Dest with CopyMode.
    void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);

    // Pixels[X, Y]: outside the DC's area reads give clNone (GetPixel's CLR_INVALID);
    // setting clNone paints nothing.
    TColor GetPixel(int32_t X, int32_t Y);
    void SetPixel(int32_t X, int32_t Y, TColor Color);

    TRect GetClipRect();

    // Re-entrant lock for a canvas handed between threads; LockCount counts this thread's and
    // every other holder's entries.
    void Lock();
    void Unlock();
    bool TryLock();
    int32_t GetLockCount() const { return FLockCount.load(); }

    // Makes the handle and selects the named objects; drawing operations call it themselves.
    void RequiredState(TCanvasState ReqState);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void CreateHandle() {}
    // Deselects the objects and forgets the handle (derived canvases delete their DC after).
    void DeselectHandles();
    virtual void Changing();
    virtual void Changed();

private:
    friend class TGraphicsObject;
    void ObjectChanging(TGraphicsObject* Object);
    void CreateFont();
    void CreatePen();
    void CreateBrush();

    HDC FHandle = nullptr;
    TCanvasState FState;
    TFont FFont;
    TPen FPen;
    TBrush FBrush;
    TPoint FPenPos{0, 0};
    DWORD FCopyMode = SRCCOPY;
    HGDIOBJ FOldFont = nullptr;
    HGDIOBJ FOldPen = nullptr;
    HGDIOBJ FOldBrush = nullptr;
    TCriticalSection FLock;
    std::atomic<int32_t> FLockCount{0};
};

// Keeps a canvas locked for a scope.
class TCanvasLock {
public:
    explicit TCanvasLock(TCanvas* Canvas) : FCanvas(Canvas) { FCanvas->Lock(); }
    TCanvasLock(const TCanvasLock&) = delete;
    TCanvasLock& operator=(const TCanvasLock&) = delete;
    ~TCanvasLock() { FCanvas->Unlock(); }

private:
    TCanvas* FCanvas = nullptr;
};
