#pragma once
// TBitmap: a GDI bitmap with a canvas.
//
// Offers:
// - Width/Height/SetSize (resizing keeps the top-left content; new pixels are white),
//   PixelFormat (pfDevice, pf1bit .. pf32bit, pfCustom for layouts we do not name),
//   HandleType bmDIB (a DIB section, the default) or bmDDB (screen-compatible), Monochrome.
// - Handle (HBITMAP, made on demand; SetHandle takes ownership), ReleaseHandle (hands it out,
//   leaving the bitmap empty), Palette (HPALETTE owned by the bitmap; for palette DIBs it
//   is the colour table).
// - Canvas: a memory DC holding the bitmap, made on demand; GetPixel/SetPixel through it.
// - ScanLine(Y): row Y from the top of a DIB (a DDB becomes a 24-bit DIB first, a monochrome
//   one a 1-bit DIB); rows are padded to 4 bytes; GDI is flushed first.
// - Transparent with TransparentColor (tmAuto: the bottom-left pixel; tmFixed: the set
//   colour): Draw/StretchDraw leave out that colour; otherwise they use the canvas's CopyMode.
// - LoadFromStream/SaveToStream: .bmp files (see BmpFormat.h), writing palette files for 1, 4
//   and 8 bits and 24-bit files otherwise. LoadFromResourceName/ID (RT_BITMAP).
// - Clipboard: LoadFromClipboardFormat takes CF_BITMAP (with an optional CF_PALETTE) or CF_DIB;
//   SaveToClipboardFormat gives CF_BITMAP (a new DDB) and, for palette bitmaps, CF_PALETTE.
// - Assign from a TBitmap (a deep copy), from any other graphic (drawn onto white, 24 bits),
//   from nullptr (empty), or from a source that assigns itself to a bitmap (the clipboard).

#include <cstdint>
#include <memory>
#include <string>

#include <windows.h>

#include "platform/win/Graphic.h"
#include "platform/win/Graphics.h"

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmapCanvas;
struct TBmpImage;

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;
    std::string ClassName() const override { return "TBitmap"; }

    void Assign(TPersistent* Source) override;
    void Draw(TCanvas* Canvas, const TRect& Rect) override;

    int32_t GetWidth() const override { return FWidth; }
    void SetWidth(int32_t Value) override { SetSize(Value, FHeight); }
    int32_t GetHeight() const override { return FHeight; }
    void SetHeight(int32_t Value) override { SetSize(FWidth, Value); }
    // Negative sizes raise EInvalidGraphicOperation "Invalid bitmap size"; 0 empties.
    void SetSize(int32_t Width, int32_t Height);
    bool GetEmpty() const override { return FWidth == 0 || FHeight == 0; }

    TPixelFormat GetPixelFormat() const { return FPixelFormat; }
    // Converts the image (pfDevice makes a DDB, the others a DIB; pfCustom raises
    // EInvalidGraphicOperation "Cannot set a custom pixel format").
    void SetPixelFormat(TPixelFormat Value);
    TBitmapHandleType GetHandleType() const { return FHandleType; }
    void SetHandleType(TBitmapHandleType Value);
    bool GetMonochrome() const;
    void SetMonochrome(bool Value);

    HBITMAP GetHandle();
    // Takes ownership of Value (a DIB section or a DDB); nullptr empties the bitmap.
    void SetHandle(HBITMAP Value);
    bool HandleAllocated() const { return FHandle != nullptr; }
    // The handle becomes the caller's; the bitmap is empty afterwards.
    HBITMAP ReleaseHandle();

    // A palette for palette bitmaps (made from the colour table), else nullptr. The bitmap
    // keeps ownership.
    HPALETTE GetPalette() override;
    // Takes ownership; a palette DIB takes its entries as its colour table.
    void SetPalette(HPALETTE Value) override;

    TCanvas* GetCanvas();
    bool HasCanvas() const { return FCanvas != nullptr; }

    // Row Y (0 = top). Raises EInvalidGraphicOperation "Scan line index out of range".
    void* ScanLine(int32_t Y);
    // Bytes per row of the DIB (padded to 4 bytes).
    int32_t BytesPerScanLine() const;

    void SetTransparent(bool Value) override;
    // tmAuto: the bottom-left pixel (clNone for an empty bitmap).
    TColor GetTransparentColor();
    // Sets the mode to tmFixed; clDefault returns to tmAuto.
    void SetTransparentColor(TColor Value);
    TTransparentMode GetTransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode Value);

    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void LoadFromResourceName(HINSTANCE Instance, const std::string& ResName);
    void LoadFromResourceID(HINSTANCE Instance, int32_t ResID);
    void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) override;
    void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) override;

    // Copies a decoded .bmp image into a new DIB section of its layout.
    void LoadFromImage(const TBmpImage& Image);
    // The pixels as a TBmpImage of BitCount 1, 4, 8 (with the colour table) or 24.
    void SaveToImage(TBmpImage& Image);

private:
    friend class TBitmapCanvas;
    void FreeImage();
    void FreeContext(); // takes the bitmap out of the canvas's DC
    void Install(HBITMAP Handle, bool Notify);
    bool ProbeTopDown();
    HBITMAP NewHandle(int32_t Width, int32_t Height, TPixelFormat Format, TBitmapHandleType Type,
                      const RGBQUAD* Colors, int32_t ColorCount, void** Bits);
    void Convert(int32_t Width, int32_t Height, TPixelFormat Format, TBitmapHandleType Type);
    void ReadColorTable(RGBQUAD* Colors, int32_t& Count);
    void DrawTransparent(TCanvas* Canvas, const TRect& Rect, COLORREF Key);

    HBITMAP FHandle = nullptr;
    HPALETTE FPalette = nullptr;
    void* FBits = nullptr;   // DIB sections only
    bool FTopDown = false;   // a DIB section set from outside may be top-down
    int32_t FStride = 0;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    TPixelFormat FPixelFormat = pf24bit;
    TBitmapHandleType FHandleType = bmDIB;
    TTransparentMode FTransparentMode = tmAuto;
    TColor FTransparentColor = clDefault;
    std::unique_ptr<TBitmapCanvas> FCanvas;
};
