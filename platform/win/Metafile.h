#pragma once
// TMetafile: an enhanced metafile as a picture, and TMetafileCanvas that records one.
//
// Offers:
// - LoadFromStream: an enhanced metafile (first record type 1, " EMF" at offset 40) or a
//   placeable Windows metafile (D7 CD C6 9A; its bounding box and units per inch give the size;
//   converted through SetWinMetaFileBits). Records are walked and checked before GDI sees
//   them; a bad file raises EInvalidGraphic "Invalid metafile".
// - SaveToStream: the EMF bytes, or a placeable metafile when Enhanced is false.
// - Width/Height in pixels at the screen's resolution, MMWidth/MMHeight in 0.01 mm; Draw plays
//   the metafile into the rectangle; Handle (HENHMETAFILE owned; SetHandle takes ownership).
// - Clipboard: CF_ENHMETAFILE both ways (copies).
// - TMetafileCanvas(metafile, reference DC): records a new enhanced metafile of the metafile's
//   size (or of what is drawn when the size is 0); it becomes the metafile's content when the
//   canvas is destroyed.

#include <cstdint>
#include <string>

#include <windows.h>

#include "platform/win/Graphic.h"
#include "platform/win/Graphics.h"

class TMetafile : public TGraphic {
public:
    TMetafile();
    ~TMetafile() override;
    std::string ClassName() const override { return "TMetafile"; }

    void Assign(TPersistent* Source) override;
    void Draw(TCanvas* Canvas, const TRect& Rect) override;

    int32_t GetWidth() const override;
    void SetWidth(int32_t Value) override;
    int32_t GetHeight() const override;
    void SetHeight(int32_t Value) override;
    int32_t GetMMWidth() const { return FMMWidth; }
    void SetMMWidth(int32_t Value);
    int32_t GetMMHeight() const { return FMMHeight; }
    void SetMMHeight(int32_t Value);
    bool GetEmpty() const override { return FHandle == nullptr; }

    bool GetEnhanced() const { return FEnhanced; }
    void SetEnhanced(bool Value) { FEnhanced = Value; }
    // Units per inch written into a placeable metafile (the screen's pixels per inch by default).
    int32_t GetInch() const { return FInch; }
    void SetInch(int32_t Value) { FInch = Value > 0 ? Value : ScreenPixelsPerInch(); }

    HENHMETAFILE GetHandle() const { return FHandle; }
    // Takes ownership; the size becomes the metafile's frame.
    void SetHandle(HENHMETAFILE Value);
    HENHMETAFILE ReleaseHandle();

    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) override;
    void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) override;

private:
    void Clear();
    void LoadEnhanced(const uint8_t* Data, uint32_t Size);
    void LoadPlaceable(const uint8_t* Data, uint32_t Size);

    HENHMETAFILE FHandle = nullptr;
    int32_t FMMWidth = 0;  // 0.01 mm
    int32_t FMMHeight = 0;
    int32_t FInch;
    bool FEnhanced = true;
};

class TMetafileCanvas : public TCanvas {
public:
    // ReferenceDevice nullptr: the screen. The metafile must outlive the canvas.
    TMetafileCanvas(TMetafile* Metafile, HDC ReferenceDevice);
    ~TMetafileCanvas() override;
    std::string ClassName() const override { return "TMetafileCanvas"; }

private:
    TMetafile* FMetafile = nullptr;
};
