#pragma once
// The picture model: TDibGraphic (one DIB in one of six pixel layouts, with palette and
// resolution), the default palettes, the RGB-to-palette converter and the extension registry.
//
// Split in two so the codecs can also be built for the host: ImgDib.cpp computes only (header,
// layout, size guard, pixels, palettes, converter, registry list, hooks, loading of frames) and
// compiles against the runtime and the platform's portable TGraphic; ImgDibGdi.cpp holds
// everything that calls GDI, including the private members AllocatePixels/ReleasePixels/
// RenewPixels/ScreenDpi through which NewImage gets (or keeps) its pixel memory. A host build
// supplies its own versions of that file's functions.
//
// Format classes derive from TDibGraphic, override ClassName, CreateNew and the stream
// operations, write rows through ScanLine after NewImage, and register with
// RegisterDibGraphic(ext, description, DibGraphicClassOf<TMyGraphic>()) from ImageLibInit.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imagelib/ImgMisc.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Stream.h"
#include "platform/win/Graphic.h"

class TTimer;

// ---------------------------------------------------------------------------------------------
// Pixel layouts

enum ImageFormat : uint8_t { ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor };
constexpr int32_t kImageFormatCount = 6;

// 1, 4, 8, 4, 8, 24; anything else raises EDidodazaError "Internal error: Invalid image format".
int32_t BitsPerPixel(int32_t Format);
std::string ImageFormatName(int32_t Format);
// 1, 4, 8, 24 -> ifBlackWhite, ifColor16, ifColor256, ifTrueColor; else "Unsupported bit count".
ImageFormat ImageFormatFromBitCount(int32_t BitCount);
// Row size padded to 4 bytes, in 64 bits so hostile widths cannot wrap.
int64_t CalcBytesPerLine(int64_t Width, int32_t BitCount);
// A library colour: 0x00RRGGBB (the byte order of a 24-bit DIB pixel).
constexpr uint32_t PackRgb(uint8_t R, uint8_t G, uint8_t B)
{
    return (static_cast<uint32_t>(R) << 16) | (static_cast<uint32_t>(G) << 8) | B;
}

// The largest pixel buffer NewImage accepts.
constexpr int64_t kMaxPictureBytes = int64_t(1) << 30;

// ---------------------------------------------------------------------------------------------
// GDI records, laid out byte for byte as Windows has them (the GDI part hands them over as is).

#pragma pack(push, 1)
struct TPaletteEntry {
    uint8_t Red, Green, Blue, Flags;
};
// LOGPALETTE with room for 256 entries.
struct TDibLogPalette {
    uint16_t Version;
    uint16_t NumEntries;
    TPaletteEntry Entries[256];
};
struct TRgbQuad {
    uint8_t Blue, Green, Red, Reserved;
};
// BITMAPINFOHEADER.
struct TDibInfoHeader {
    uint32_t Size;
    int32_t Width;
    int32_t Height;
    uint16_t Planes;
    uint16_t BitCount;
    uint32_t Compression;
    uint32_t SizeImage;
    int32_t XPelsPerMeter;
    int32_t YPelsPerMeter;
    uint32_t ClrUsed;
    uint32_t ClrImportant;
};
// BITMAPINFO with 256 colours.
struct TDibInfo {
    TDibInfoHeader Header;
    TRgbQuad Colors[256];
};
#pragma pack(pop)
static_assert(sizeof(TPaletteEntry) == 4);
static_assert(sizeof(TDibLogPalette) == 4 + 256 * 4);
static_assert(sizeof(TDibInfoHeader) == 40);
static_assert(sizeof(TDibInfo) == 40 + 256 * 4);

// ---------------------------------------------------------------------------------------------
// Default palettes: built by ImageLibInit, read-only afterwards, freed by ImageLibDone.

void MakeDefaultPalettes();
void FreeDefaultPalettes();
// nullptr for ifTrueColor and while the library is not started.
const TDibLogPalette* DefaultPalette(ImageFormat Format);

// ---------------------------------------------------------------------------------------------

// Nearest palette entry of a colour, with a cache of recent answers.
class TRgbToPaletteConverter : public TObject {
public:
    static constexpr uint32_t CacheSize = 1020;
    // Keeps a reference to Palette, which must outlive the converter.
    explicit TRgbToPaletteConverter(const TDibLogPalette* Palette);
    std::string ClassName() const override { return "TRgbToPaletteConverter"; }
    uint16_t NearestIndex(uint32_t Color);
    uint32_t GetHits() const { return FHits; }
    uint32_t GetMisses() const { return FMisses; }

private:
    struct TSlot {
        uint32_t Color;
        uint16_t Index; // 0xFFFF: empty
    };
    const TDibLogPalette* FPalette = nullptr;
    TSlot FCache[CacheSize];
    uint32_t FHits = 0;
    uint32_t FMisses = 0;
};

class TDibGraphic;
using TRedrawEvent = std::function<void(TDibGraphic* Sender)>;

class TDibGraphic : public TGraphic {
public:
    TDibGraphic();
    ~TDibGraphic() override;
    std::string ClassName() const override { return "TDibGraphic"; }
    // A new empty picture of this object's own class; every format class overrides it (the
    // frames of a multi-image load are made through it).
    virtual std::unique_ptr<TDibGraphic> CreateNew() const;

    // nullptr, a TDibGraphic, the clipboard, a TBitmap or any other TGraphic.
    void Assign(TPersistent* Source) override;
    // A TDibGraphic, a TBitmap (24 bits), a TIcon (through the icon writer hook); else raises
    // EDidodazaError "Cannot assign a %s to a %s".
    void AssignTo(TPersistent* Dest) override;
    // Stretched into Rect; nothing for an empty picture. Calls OnAfterDraw at the end.
    void Draw(TCanvas* Canvas, const TRect& Rect) override;

    bool GetEmpty() const override { return FBits == nullptr; }
    int32_t GetWidth() const override { return FInfo.Header.Width; }
    int32_t GetHeight() const override { return FInfo.Header.Height; }
    // Both raise: sizes change only through NewImage.
    void SetWidth(int32_t Value) override;
    void SetHeight(int32_t Value) override;

    // With LoadAllImages every image of the stream becomes a frame; else image ImageIndex.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override; // the base writes nothing
    // CF_BITMAP only; else EInvalidGraphic "Unknown clipboard format, %d".
    void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) override;
    // A new device bitmap (CF_BITMAP) owned by the caller; no palette.
    void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) override;

    // Signature test at the stream's position, which it restores. Base: false.
    virtual bool CanLoadStream(TStream* Stream);
    // Images in the stream. Base: 1.
    virtual int32_t GetStreamImageCount(TStream* Stream);
    // Reads image Index (1-based) of a stream positioned at the file's start. Base: nothing.
    virtual void LoadImageFromStream(TStream* Stream, int32_t Index);
    // Base raises "The %s format does not support multiple images".
    virtual void AppendImageToStream(TStream* Stream);
    // A zeroed picture. Width and Height 1.., at most kMaxPictureBytes of pixels, at most 256
    // palette entries (cut to what the format holds); nullptr takes the format's default
    // palette; a dpi of 0 takes the screen's. Refusals raise EDidodazaError and leave the
    // picture empty.
    virtual void NewImage(int32_t Width, int32_t Height, ImageFormat Format, const TDibLogPalette* Palette = nullptr,
                          int32_t DpiX = 0, int32_t DpiY = 0);
    void FreeImage();

    void Fill(uint32_t Color);
    // Row Y from the top; out of range raises "Pixel position out of range".
    uint8_t* ScanLine(int32_t Y);
    const uint8_t* ScanLine(int32_t Y) const;
    uint32_t GetPixelColor(int32_t X, int32_t Y) const;
    void SetPixelColor(int32_t X, int32_t Y, uint32_t Color);
    // Palette formats only; ifTrueColor raises "The image does not have a palette".
    uint8_t GetPixelIndex(int32_t X, int32_t Y) const;
    void SetPixelIndex(int32_t X, int32_t Y, uint8_t Index);

    // Stored as pels per metre; values are clamped to 0..65535 first.
    int32_t GetXDpi() const;
    void SetXDpi(int32_t Value);
    int32_t GetYDpi() const;
    void SetYDpi(int32_t Value);

    ImageFormat GetImageFormat() const { return FImageFormat; }
    int32_t BytesPerLine() const { return FBytesPerLine; }
    const TDibInfo& GetBitmapInfo() const { return FInfo; }
    const TDibLogPalette* LogPalette() const { return &FLogPalette; }
    // Made on first use; nullptr for true colour and empty pictures. The picture owns it.
    HPALETTE PaletteHandle();
    TRgbToPaletteConverter* GetConverter() const { return FConverter.get(); }
    // Drawing on the picture's memory DC; nullptr while empty. Call FlushCanvas before reading
    // pixels drawn through it.
    TCanvas* GetCanvas() const { return FCanvas; }
    void FlushCanvas() const;
    HBITMAP GetHandle() const { return FSection; }

    // Any bitmap (DDB or DIB section of 1, 4, 8, 16, 24 or 32 bits).
    void LoadFromBitmapHandle(HBITMAP Bitmap);

    // Frames (1-based).
    bool GetLoadAllImages() const { return FLoadAllImages; }
    void SetLoadAllImages(bool Value) { FLoadAllImages = Value; }
    int32_t GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int32_t Value) { FImageIndex = Value; }
    int32_t GetFrameInterval() const { return FFrameInterval; }
    void SetFrameInterval(int32_t Value) { FFrameInterval = Value; }
    bool GetAnimate() const { return FAnimate; }
    void SetAnimate(bool Value);
    TDibGraphic* GetFrame(int32_t Index) const;
    int32_t GetFrameCount() const { return static_cast<int32_t>(FFrames.size()); }
    int32_t GetCurrentFrame() const { return FCurrentFrame; }
    void SetCurrentFrame(int32_t Index);
    void FrameTimer();

    TRedrawEvent OnAfterDraw;
    // The library's progress (a percentage); hides TGraphic's staged OnProgress.
    TDidodazaProgressEvent OnProgress;

    // EOutOfResources with the system's text for GetLastError, or Exception "Out of resources".
    [[noreturn]] static void RaiseWin32Failure();

protected:
    // Copies another picture: pixels, palette, dpi, FrameInterval.
    void AssignDib(const TDibGraphic* Source);
    // A reader about to write every pixel byte of every row says so just before NewImage: when
    // NewImage keeps the present memory it then clears only the padding at the rows' ends, not
    // every byte. NewImage takes the promise back. A reader that stops part-way clears the rows
    // it did not reach with ClearRows, so nothing of the picture before is left.
    void PromiseEveryRow() { FEveryRowPromised = true; }
    // Zeroes rows From..Height-1 (from the top), padding included.
    void ClearRows(int32_t From);

private:
    // The sources both halves take: nothing (the picture empties) and another picture of the
    // model. False, with nothing done, for any other source.
    bool AssignNothingOrDib(TPersistent* Source);
    void CheckPixel(int32_t X, int32_t Y) const;
    void ResetHeader();
    void CheckFrameIndex(int32_t Index) const;
    // The platform part (ImgDibGdi.cpp): pixel memory, DC and canvas; and the screen's dpi.
    uint8_t* AllocatePixels();
    void ReleasePixels();
    // NewImage keeps the present pixel memory for a picture of the same size and layout: the
    // platform part gives it a fresh DC and canvas and the header's colour table.
    void RenewPixels();
    void MakeMemoryDC();
    void ReleaseMemoryDC();
    static int32_t ScreenDpi(bool Horizontal);
    // After a frame change: on the user-interface thread, its waiting messages are served so
    // the new frame shows; elsewhere nothing.
    static void ServeFrameChange();

    bool FEveryRowPromised = false;
    HBITMAP FSection = nullptr;
    HDC FDC = nullptr;
    HGDIOBJ FOldBitmap = nullptr;
    uint8_t* FBits = nullptr;
    HPALETTE FPaletteHandle = nullptr;
    ImageFormat FImageFormat = ifTrueColor;
    TDibInfo FInfo;
    TDibLogPalette FLogPalette;
    int32_t FBytesPerLine = 0;
    TCanvas* FCanvas = nullptr; // owned; made by AllocatePixels
    std::unique_ptr<TRgbToPaletteConverter> FConverter;

    int32_t FImageIndex = 1;
    bool FLoadAllImages = false;
    std::vector<std::unique_ptr<TDibGraphic>> FFrames;
    int32_t FFrameInterval = 200;
    bool FAnimate = false;
    TTimer* FTimer = nullptr; // owned; made when the animation first runs
    int32_t FCurrentFrame = -1;
};

// ---------------------------------------------------------------------------------------------
// Registry: extension -> picture class

struct TDibGraphicClass {
    std::string ClassName;
    std::function<std::unique_ptr<TDibGraphic>()> Create;
    explicit operator bool() const { return static_cast<bool>(Create); }
};

template <class T>
TDibGraphicClass DibGraphicClassOf()
{
    return TDibGraphicClass{T().ClassName(), [] { return std::unique_ptr<TDibGraphic>(new T()); }};
}

// Registers with the platform picture registry (dialogs list it) and the library's own list.
void RegisterDibGraphic(const std::string& Extension, const std::string& Description, const TDibGraphicClass& Class);
// The library's list only (the portable half of RegisterDibGraphic).
void AddDibGraphicClass(const std::string& Extension, const TDibGraphicClass& Class);
// By the file's extension (or the name itself when it has none), any case; empty when unknown.
TDibGraphicClass FindDibGraphicClass(const std::string& FileName);
// Raises EDidodazaError "Graphic files of %s format are not supported or not registered".
std::unique_ptr<TDibGraphic> CreateGraphicForFile(const std::string& FileName);
// Upper-cased, in registration order.
std::vector<std::string> RegisteredDibExtensions();
// Empties the library's list (ImageLibDone); returns the class names it held.
std::vector<std::string> ClearDibGraphicClasses();

// ---------------------------------------------------------------------------------------------
// The platform part's library-wide objects (ImgDibGdi.cpp).

// The halftone palette Draw selects on palette devices; made and freed by the library's start and end.
void CreateSharedHalftonePalette();
void DeleteSharedHalftonePalette();
// GDI objects this library holds now (DCs, DIB sections, palettes): for leak checks where the
// system does not count them.
int32_t ImgLibGdiObjectCount();
