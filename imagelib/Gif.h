#pragma once
// TGif: a GIF87a/GIF89a picture with every image, colour table and extension of the file.
// The file model and its coder are portable (GifCodec.h); this class adds a bitmap per image
// (made on demand), a palette per colour table, drawing and animation. It is not in the picture
// registry: callers test the ".gif" extension themselves. Safe on worker threads: nothing here
// makes a window until the animation timer first runs.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "imagelib/GifCodec.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Graphic.h"
#include "platform/win/Graphics.h"
#include "platform/win/Timer.h"

class TGif : public TGraphic {
public:
    TGif();
    ~TGif() override;
    std::string ClassName() const override { return "TGif"; }

    // A TGif is copied exactly, a TBitmap added with AddBitmap; anything else raises code 22.
    void Assign(TPersistent* Source) override;
    // Image 0 stretched into Rect.
    void Draw(TCanvas* Canvas, const TRect& Rect) override;

    int32_t GetWidth() const override { return FDoc.Screen.Width; }
    void SetWidth(int32_t Value) override { FDoc.Screen.Width = Value; }
    int32_t GetHeight() const override { return FDoc.Screen.Height; }
    void SetHeight(int32_t Value) override { FDoc.Screen.Height = Value; }
    bool GetEmpty() const override { return FDoc.Images.empty(); }
    // The global table's palette, else nullptr. Owned by the TGif.
    HPALETTE GetPalette() override;
    // Image 0's graphic control transparent flag (code 15 without images).
    bool GetTransparent() const override;
    void SetTransparent(bool Value) override;

    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) override {}
    void SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) override {}

    // Drops every image, table, extension and palette.
    void FreeImage();
    // Image Index's bitmap (0-based), made on first use; owned by the TGif. Code 15 outside.
    TBitmap* GetBitmap(int32_t Index);
    void AddBitmap(TBitmap* Bitmap);

    void SetCanvas(TCanvas* Canvas, const TRect& Rect);
    void DrawImage(int32_t Index);
    void DrawBackground();
    void AnimateImage(int32_t Loops);
    bool GetAnimating() const;

    std::string GetSignature() const { return FDoc.Signature; }
    int32_t GetImageCount() const { return static_cast<int32_t>(FDoc.Images.size()); }
    int32_t GetColorTableCount() const { return static_cast<int32_t>(FDoc.Tables.size()); }
    int32_t GetImageDelay() const;
    void SetImageDelay(int32_t Value);
    bool GetInterlaced() const;
    void SetInterlaced(bool Value);
    int32_t GetLZWSize() const;
    void SetLZWSize(int32_t Value);
    bool GetProgressiveDisplay() const { return FProgressiveDisplay; }
    void SetProgressiveDisplay(bool Value) { FProgressiveDisplay = Value; }
    TColor GetTransparentColor() const;
    void SetTransparentColor(TColor Value);

    // The file model, for inspection (tools, tests).
    const TGifDocument& Document() const { return FDoc; }
    TGifDocument& Document() { return FDoc; }
    // The palette of colour table Index (nullptr outside).
    HPALETTE TablePalette(int32_t Index) const;

    // Per thread: the last failure of any TGif on this thread.
    static int32_t LastErrorCode() { return GifLastErrorCode(); }
    static std::string LastErrorText() { return GifLastErrorText(); }

private:
    void SyncPalettes();                  // one palette per table
    void PrepareBitmap(int32_t Index);    // size, palette and transparency, no pixels
    void FillBitmap(int32_t Index);       // the pixels, with "make bitmap" progress
    int32_t FindColorIndex(const TGifColorTable& Table, TColor Color) const;
    bool BuildColorTable(const TBmpImage& Source, uint32_t Mask, TGifImage& Image, TGifColorTable& Table);
    void ReportProgress(int32_t Stage, uint8_t Percent, const std::string& Msg);
    void TimerTick(TObject* Sender);
    TRect DrawRect() const;

    TGifDocument FDoc;
    std::vector<HPALETTE> FPalettes;                 // parallel to FDoc.Tables
    std::vector<std::unique_ptr<TBitmap>> FBitmaps;  // parallel to FDoc.Images
    TCanvas* FCanvas = nullptr;
    TRect FRect{0, 0, 0, 0};
    std::unique_ptr<TTimer> FTimer;
    int32_t FCurrentImage = 0;
    int32_t FImageDelay = 1;
    int32_t FPassesLeft = 0;
    bool FProgressiveDisplay = false;
};

// Palettes TGif holds now, over all objects (for leak checks where Windows does not count).
int32_t GifPaletteCount();
