#include "platform/win/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Stream.h"
#include "platform/win/BmpFormat.h"
#include "platform/win/ScreenDC.h"
#include "platform/win/MemoryDC.h"

// ---------------------------------------------------------------------------------------------
// The bitmap's canvas: a memory DC holding the bitmap (and its palette), made on demand.

class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* Bitmap) : FBitmap(Bitmap) {}
    ~TBitmapCanvas() override { FreeContext(); }
    std::string ClassName() const override { return "TBitmapCanvas"; }

    // Takes the bitmap out of the DC and deletes the DC; the next drawing makes a new one.
    void FreeContext()
    {
        if (!HandleAllocated())
            return;
        // A thread drawing through a locked canvas keeps its DC until it unlocks.
        TCanvasLock Guard(this);
        if (!HandleAllocated())
            return;
        HDC DC = GetHandle();
        DeselectHandles();
        if (FOldBitmap)
            SelectObject(DC, FOldBitmap);
        if (FOldPalette)
            SelectPalette(DC, FOldPalette, TRUE);
        FOldBitmap = nullptr;
        FOldPalette = nullptr;
        DeleteMemoryDC(DC);
    }

protected:
    void CreateHandle() override
    {
        HDC DC = CreateMemoryDC();
        if (!DC)
            throw EOutOfResources("Cannot create a device context for the bitmap");
        if (FBitmap->FHandle)
            FOldBitmap = SelectObject(DC, FBitmap->FHandle);
        if (FBitmap->FPalette && FBitmap->FHandleType == bmDDB) {
            FOldPalette = SelectPalette(DC, FBitmap->FPalette, TRUE);
            RealizePalette(DC);
        }
        SetHandle(DC);
    }
    void Changed() override
    {
        TCanvas::Changed();
        FBitmap->Changed(FBitmap);
    }

private:
    TBitmap* FBitmap = nullptr;
    HGDIOBJ FOldBitmap = nullptr;
    HPALETTE FOldPalette = nullptr;
};

namespace {

// Default colour tables: the last entry is white, so WHITENESS paints white in each.
const RGBQUAD* DefaultColors(int Bits, int32_t& Count)
{
    static RGBQUAD Mono[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    static RGBQUAD Sixteen[16];
    static RGBQUAD Full[256];
    static bool Made = [] {
        static const COLORREF Vga[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
                                         0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
        for (int I = 0; I < 16; ++I)
            Sixteen[I] = RGBQUAD{GetBValue(Vga[I]), GetGValue(Vga[I]), GetRValue(Vga[I]), 0};
        int N = 0;
        for (int I = 0; I < 16; ++I)
            Full[N++] = Sixteen[I];
        for (int R = 0; R < 6; ++R)
            for (int G = 0; G < 6; ++G)
                for (int B = 0; B < 6; ++B)
                    Full[N++] = RGBQUAD{uint8_t(B * 51), uint8_t(G * 51), uint8_t(R * 51), 0};
        for (int I = 0; I < 24; ++I) {
            const uint8_t V = uint8_t((I + 1) * 255 / 24);
            Full[N++] = RGBQUAD{V, V, V, 0};
        }
        return true;
    }();
    (void)Made;
    Count = Bits == 1 ? 2 : Bits == 4 ? 16 : 256;
    return Bits == 1 ? Mono : Bits == 4 ? Sixteen : Full;
}

int BitsOf(TPixelFormat F)
{
    switch (F) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    default: return 32;
    }
}

struct TBitmapInfo256 {
    BITMAPINFOHEADER Header;
    RGBQUAD Colors[256];
};

// A screen-compatible memory DC for a scope.
class TMemoryDC {
public:
    TMemoryDC() : FDC(CreateMemoryDC())
    {
        if (!FDC)
            throw EOutOfResources("Cannot create a device context");
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    ~TMemoryDC()
    {
        if (FOld)
            SelectObject(FDC, FOld);
        DeleteMemoryDC(FDC);
    }
    void Select(HGDIOBJ Object)
    {
        HGDIOBJ Old = SelectObject(FDC, Object);
        if (!FOld)
            FOld = Old;
    }
    operator HDC() const { return FDC; }

private:
    HDC FDC;
    HGDIOBJ FOld = nullptr;
};

HPALETTE CopyPalette(HPALETTE Source)
{
    if (!Source)
        return nullptr;
    PALETTEENTRY Entries[256];
    const UINT Count = GetPaletteEntries(Source, 0, 256, Entries);
    if (Count == 0)
        return nullptr;
    std::vector<uint8_t> Buffer(sizeof(LOGPALETTE) + Count * sizeof(PALETTEENTRY));
    auto* LP = reinterpret_cast<LOGPALETTE*>(Buffer.data());
    LP->palVersion = 0x300;
    LP->palNumEntries = static_cast<WORD>(Count);
    std::memcpy(LP->palPalEntry, Entries, Count * sizeof(PALETTEENTRY));
    return CreatePalette(LP);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TBitmap

TBitmap::TBitmap() = default;

TBitmap::~TBitmap()
{
    FCanvas.reset();
    if (FHandle)
        DeleteObject(FHandle);
    if (FPalette)
        DeleteObject(FPalette);
}

TCanvas* TBitmap::GetCanvas()
{
    if (!FCanvas)
        FCanvas = std::make_unique<TBitmapCanvas>(this);
    return FCanvas.get();
}

void TBitmap::FreeContext()
{
    if (FCanvas)
        FCanvas->FreeContext();
}

void TBitmap::FreeImage()
{
    FreeContext();
    if (FHandle)
        DeleteObject(FHandle);
    if (FPalette)
        DeleteObject(FPalette);
    FHandle = nullptr;
    FPalette = nullptr;
    FBits = nullptr;
    FTopDown = false;
    FStride = 0;
    FWidth = FHeight = 0;
}

HBITMAP TBitmap::NewHandle(int32_t Width, int32_t Height, TPixelFormat Format, TBitmapHandleType Type,
                           const RGBQUAD* Colors, int32_t ColorCount, void** Bits)
{
    *Bits = nullptr;
    HBITMAP H = nullptr;
    if (Type == bmDDB || Format == pfDevice) {
        if (Format == pf1bit) {
            H = CreateBitmap(Width, Height, 1, 1, nullptr);
        } else {
            TScreenDC Screen;
            H = CreateCompatibleBitmap(Screen, Width, Height);
        }
    } else {
        const int Bits_ = BitsOf(Format);
        // Checked here in 64 bits, so a huge request fails cleanly instead of overflowing in GDI.
        if (((int64_t(Width) * Bits_ + 31) / 32) * 4 * int64_t(Height) > kMaxBmpPixelBytes)
            throw EOutOfResources("Bitmap too large");
        TBitmapInfo256 Info;
        std::memset(&Info, 0, sizeof(Info));
        Info.Header.biSize = sizeof(BITMAPINFOHEADER);
        Info.Header.biWidth = Width;
        Info.Header.biHeight = Height;
        Info.Header.biPlanes = 1;
        Info.Header.biBitCount = static_cast<WORD>(Bits_);
        Info.Header.biCompression = BI_RGB;
        if (Format == pf16bit) {
            Info.Header.biCompression = BI_BITFIELDS;
            auto* Masks = reinterpret_cast<DWORD*>(Info.Colors);
            Masks[0] = 0xF800;
            Masks[1] = 0x07E0;
            Masks[2] = 0x001F;
        } else if (Bits_ <= 8) {
            int32_t DefCount;
            const RGBQUAD* Def = DefaultColors(Bits_, DefCount);
            if (!Colors || ColorCount <= 0) {
                Colors = Def;
                ColorCount = DefCount;
            }
            ColorCount = std::min(ColorCount, int32_t(1) << Bits_);
            std::memcpy(Info.Colors, Colors, size_t(ColorCount) * sizeof(RGBQUAD));
            Info.Header.biClrUsed = static_cast<DWORD>(ColorCount);
        }
        H = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&Info), DIB_RGB_COLORS, Bits, nullptr, 0);
    }
    if (!H)
        throw EOutOfResources("Out of system resources: cannot create a bitmap");
    return H;
}

void TBitmap::Install(HBITMAP Handle, bool Notify)
{
    DIBSECTION DS;
    std::memset(&DS, 0, sizeof(DS));
    const int Got = GetObjectA(Handle, sizeof(DS), &DS);
    if (Got < static_cast<int>(sizeof(BITMAP)))
        throw EInvalidGraphic("Invalid bitmap");

    FreeContext();
    if (FHandle && FHandle != Handle)
        DeleteObject(FHandle);
    if (FPalette)
        DeleteObject(FPalette);
    FPalette = nullptr;
    FHandle = Handle;
    FWidth = DS.dsBm.bmWidth;
    FHeight = DS.dsBm.bmHeight;
    FTopDown = false;
    FBits = nullptr;
    if (Got == sizeof(DIBSECTION) && DS.dsBm.bmBits) {
        FHandleType = bmDIB;
        FBits = DS.dsBm.bmBits;
        FHeight = std::abs(DS.dsBmih.biHeight);
        const int Bits = DS.dsBmih.biBitCount;
        FStride = static_cast<int32_t>(((int64_t(FWidth) * Bits + 31) / 32) * 4);
        const bool Fields = DS.dsBmih.biCompression == BI_BITFIELDS;
        switch (Bits) {
        case 1: FPixelFormat = pf1bit; break;
        case 4: FPixelFormat = pf4bit; break;
        case 8: FPixelFormat = pf8bit; break;
        case 16:
            if (!Fields || (DS.dsBitfields[0] == 0x7C00 && DS.dsBitfields[1] == 0x03E0 && DS.dsBitfields[2] == 0x001F))
                FPixelFormat = pf15bit;
            else if (DS.dsBitfields[0] == 0xF800 && DS.dsBitfields[1] == 0x07E0 && DS.dsBitfields[2] == 0x001F)
                FPixelFormat = pf16bit;
            else
                FPixelFormat = pfCustom;
            break;
        case 24: FPixelFormat = pf24bit; break;
        case 32:
            FPixelFormat = (!Fields || (DS.dsBitfields[0] == 0xFF0000 && DS.dsBitfields[1] == 0xFF00 && DS.dsBitfields[2] == 0xFF))
                               ? pf32bit
                               : pfCustom;
            break;
        default: FPixelFormat = pfCustom; break;
        }
    } else {
        FHandleType = bmDDB;
        FPixelFormat = DS.dsBm.bmBitsPixel == 1 ? pf1bit : pfDevice;
        FStride = static_cast<int32_t>(((int64_t(FWidth) * DS.dsBm.bmBitsPixel + 31) / 32) * 4);
    }
    if (Notify)
        Changed(this);
}

// GetObject does not tell every system's top-down sections from bottom-up ones, so one pixel
// is set through GDI to see which end of the memory it lands in; the rows are put back after.
bool TBitmap::ProbeTopDown()
{
    HDC DC = GetCanvas()->GetHandle();
    GdiFlush();
    auto* First = static_cast<uint8_t*>(FBits);
    auto* Last = First + size_t(FHeight - 1) * size_t(FStride);
    const std::vector<uint8_t> SavedFirst(First, First + FStride), SavedLast(Last, Last + FStride);
    const COLORREF Old = ::GetPixel(DC, 0, 0);
    ::SetPixelV(DC, 0, 0, Old ^ 0xFFFFFF);
    GdiFlush();
    const bool TopDown = std::memcmp(First, SavedFirst.data(), size_t(FStride)) != 0;
    std::memcpy(First, SavedFirst.data(), size_t(FStride));
    std::memcpy(Last, SavedLast.data(), size_t(FStride));
    return TopDown;
}

void TBitmap::ReadColorTable(RGBQUAD* Colors, int32_t& Count)
{
    Count = 0;
    if (FHandleType == bmDIB && (FPixelFormat == pf1bit || FPixelFormat == pf4bit || FPixelFormat == pf8bit)) {
        Count = static_cast<int32_t>(GetDIBColorTable(GetCanvas()->GetHandle(), 0, 256, Colors));
    } else if (FPixelFormat == pf1bit) {
        Colors[0] = RGBQUAD{0, 0, 0, 0};
        Colors[1] = RGBQUAD{255, 255, 255, 0};
        Count = 2;
    }
}

// A new handle of the given layout holding the old picture's top-left part on white.
void TBitmap::Convert(int32_t Width, int32_t Height, TPixelFormat Format, TBitmapHandleType Type)
{
    if (Format == pfCustom)
        Format = pf32bit;
    if (Type == bmDDB && Format != pf1bit)
        Format = pfDevice;
    if (Type == bmDIB && Format == pfDevice)
        Format = pf24bit;
    const bool Changing = FWidth != Width || FHeight != Height || Format != FPixelFormat || Type != FHandleType;
    if (Width == 0 || Height == 0) {
        FreeImage();
        FWidth = Width;
        FHeight = Height;
        FPixelFormat = Format;
        FHandleType = Type;
        Changed(this);
        return;
    }
    RGBQUAD Colors[256];
    int32_t Count = 0;
    if (FHandle && BitsOf(Format) == BitsOf(FPixelFormat))
        ReadColorTable(Colors, Count);
    void* Bits;
    HBITMAP New = NewHandle(Width, Height, Format, Type, Count ? Colors : nullptr, Count, &Bits);
    TScopeExit Discard([New] { DeleteObject(New); });
    {
        TMemoryDC Target;
        Target.Select(New);
        PatBlt(Target, 0, 0, Width, Height, WHITENESS);
        if (FHandle && FWidth > 0 && FHeight > 0) {
            HDC Source = GetCanvas()->GetHandle();
            const COLORREF OldBk = SetBkColor(Source, RGB(255, 255, 255));
            BitBlt(Target, 0, 0, std::min(Width, FWidth), std::min(Height, FHeight), Source, 0, 0, SRCCOPY);
            SetBkColor(Source, OldBk);
        }
    }
    Discard.Dismiss();
    Install(New, false);
    if (Changing)
        Changed(this);
}

void TBitmap::SetSize(int32_t Width, int32_t Height)
{
    if (Width < 0 || Height < 0)
        throw EInvalidGraphicOperation("Invalid bitmap size");
    if (Width == FWidth && Height == FHeight && (FHandle || Width == 0 || Height == 0))
        return;
    Convert(Width, Height, FPixelFormat, FHandleType);
}

void TBitmap::SetPixelFormat(TPixelFormat Value)
{
    if (Value == pfCustom)
        throw EInvalidGraphicOperation("Cannot set a custom pixel format");
    if (Value == FPixelFormat)
        return;
    const TBitmapHandleType Type = Value == pfDevice ? bmDDB : bmDIB;
    Convert(FWidth, FHeight, Value, Type);
}

void TBitmap::SetHandleType(TBitmapHandleType Value)
{
    if (Value == FHandleType)
        return;
    TPixelFormat Format = FPixelFormat;
    if (Value == bmDDB && Format != pf1bit)
        Format = pfDevice;
    if (Value == bmDIB && Format == pfDevice)
        Format = pf24bit;
    Convert(FWidth, FHeight, Format, Value);
}

bool TBitmap::GetMonochrome() const { return FPixelFormat == pf1bit; }

void TBitmap::SetMonochrome(bool Value)
{
    if (Value == GetMonochrome())
        return;
    if (Value)
        Convert(FWidth, FHeight, pf1bit, FHandleType);
    else
        Convert(FWidth, FHeight, FHandleType == bmDDB ? pfDevice : pf24bit, FHandleType);
}

HBITMAP TBitmap::GetHandle()
{
    if (!FHandle && FWidth > 0 && FHeight > 0)
        Convert(FWidth, FHeight, FPixelFormat, FHandleType);
    return FHandle;
}

void TBitmap::SetHandle(HBITMAP Value)
{
    if (Value == FHandle)
        return;
    if (!Value) {
        FreeImage();
        Changed(this);
        return;
    }
    Install(Value, false);
    // Sections we make are bottom-up; one from outside may be either.
    if (FBits && FHeight > 1)
        FTopDown = ProbeTopDown();
    Changed(this);
}

HBITMAP TBitmap::ReleaseHandle()
{
    FreeContext();
    HBITMAP H = FHandle;
    FHandle = nullptr;
    FreeImage();
    Changed(this);
    return H;
}

HPALETTE TBitmap::GetPalette()
{
    if (!FPalette && FHandle && FHandleType == bmDIB && BitsOf(FPixelFormat) <= 8) {
        RGBQUAD Colors[256];
        int32_t Count;
        ReadColorTable(Colors, Count);
        if (Count > 0) {
            std::vector<uint8_t> Buffer(sizeof(LOGPALETTE) + size_t(Count) * sizeof(PALETTEENTRY));
            auto* LP = reinterpret_cast<LOGPALETTE*>(Buffer.data());
            LP->palVersion = 0x300;
            LP->palNumEntries = static_cast<WORD>(Count);
            for (int32_t I = 0; I < Count; ++I)
                LP->palPalEntry[I] = PALETTEENTRY{Colors[I].rgbRed, Colors[I].rgbGreen, Colors[I].rgbBlue, 0};
            FPalette = CreatePalette(LP);
        }
    }
    return FPalette;
}

void TBitmap::SetPalette(HPALETTE Value)
{
    if (Value == FPalette)
        return;
    if (Value && FHandle && FHandleType == bmDIB && BitsOf(FPixelFormat) <= 8) {
        PALETTEENTRY Entries[256];
        const UINT Count = GetPaletteEntries(Value, 0, 256, Entries);
        RGBQUAD Colors[256];
        for (UINT I = 0; I < Count; ++I)
            Colors[I] = RGBQUAD{Entries[I].peBlue, Entries[I].peGreen, Entries[I].peRed, 0};
        if (Count > 0)
            SetDIBColorTable(GetCanvas()->GetHandle(), 0, Count, Colors);
    }
    FreeContext(); // a DDB's DC selects the new palette when it is made again
    if (FPalette)
        DeleteObject(FPalette);
    FPalette = Value;
    Changed(this);
}

void* TBitmap::ScanLine(int32_t Y)
{
    if (Y < 0 || Y >= FHeight || FWidth <= 0)
        throw EInvalidGraphicOperation("Scan line index out of range");
    if (FHandleType != bmDIB || !FBits)
        SetHandleType(bmDIB);
    if (!FBits)
        throw EInvalidGraphicOperation("Scan line index out of range");
    GdiFlush();
    const int32_t Row = FTopDown ? Y : FHeight - 1 - Y;
    return static_cast<uint8_t*>(FBits) + size_t(Row) * size_t(FStride);
}

int32_t TBitmap::BytesPerScanLine() const { return FStride; }

void TBitmap::SetTransparent(bool Value) { TGraphic::SetTransparent(Value); }

TColor TBitmap::GetTransparentColor()
{
    if (FTransparentMode == tmFixed && FTransparentColor != clDefault)
        return FTransparentColor;
    if (GetEmpty())
        return clNone;
    const TColor C = GetCanvas()->GetPixel(0, FHeight - 1);
    return C == clNone ? clNone : static_cast<TColor>(static_cast<uint32_t>(C) & 0xFFFFFF);
}

void TBitmap::SetTransparentColor(TColor Value)
{
    if (Value == clDefault) {
        FTransparentMode = tmAuto;
        FTransparentColor = clDefault;
    } else {
        FTransparentMode = tmFixed;
        FTransparentColor = Value;
    }
    Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode Value)
{
    if (Value == FTransparentMode)
        return;
    FTransparentMode = Value;
    if (Value == tmAuto)
        FTransparentColor = clDefault;
    else if (FTransparentColor == clDefault)
        FTransparentColor = GetTransparentColor();
    Changed(this);
}

void TBitmap::Draw(TCanvas* Canvas, const TRect& Rect)
{
    if (GetEmpty() || !Canvas)
        return;
    GetHandle();
    if (GetTransparent()) {
        const TColor Key = GetTransparentColor();
        if (Key != clNone) {
            DrawTransparent(Canvas, Rect, ColorToRGB(Key));
            return;
        }
    }
    HDC Dest = Canvas->GetHandle();
    HDC Source = GetCanvas()->GetHandle();
    const int OldMode = SetStretchBltMode(Dest, COLORONCOLOR);
    StretchBlt(Dest, Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top, Source, 0, 0, FWidth, FHeight,
               Canvas->GetCopyMode());
    SetStretchBltMode(Dest, OldMode);
}

// Colour-keyed drawing without a temporary copy: a mask where the key is white, then
// dest ^= src, dest &= mask, dest ^= src, which keeps dest under the key and gives src elsewhere.
void TBitmap::DrawTransparent(TCanvas* Canvas, const TRect& Rect, COLORREF Key)
{
    HDC Dest = Canvas->GetHandle();
    HDC Source = GetCanvas()->GetHandle();
    HBITMAP Mask = CreateBitmap(FWidth, FHeight, 1, 1, nullptr);
    if (!Mask)
        throw EOutOfResources("Out of system resources: cannot create a mask");
    {
        TMemoryDC MaskDC;
        MaskDC.Select(Mask);
        const COLORREF OldSourceBk = SetBkColor(Source, Key);
        BitBlt(MaskDC, 0, 0, FWidth, FHeight, Source, 0, 0, SRCCOPY);
        SetBkColor(Source, OldSourceBk);

        const COLORREF OldText = SetTextColor(Dest, RGB(0, 0, 0));
        const COLORREF OldBk = SetBkColor(Dest, RGB(255, 255, 255));
        const int OldMode = SetStretchBltMode(Dest, COLORONCOLOR);
        const int W = Rect.right - Rect.left, H = Rect.bottom - Rect.top;
        StretchBlt(Dest, Rect.left, Rect.top, W, H, Source, 0, 0, FWidth, FHeight, SRCINVERT);
        StretchBlt(Dest, Rect.left, Rect.top, W, H, MaskDC, 0, 0, FWidth, FHeight, SRCAND);
        StretchBlt(Dest, Rect.left, Rect.top, W, H, Source, 0, 0, FWidth, FHeight, SRCINVERT);
        SetStretchBltMode(Dest, OldMode);
        SetBkColor(Dest, OldBk);
        SetTextColor(Dest, OldText);
    }
    DeleteObject(Mask);
}

// ---------------------------------------------------------------------------------------------
// Streams and resources

void TBitmap::LoadFromImage(const TBmpImage& Image)
{
    TPixelFormat Format;
    switch (Image.BitCount) {
    case 1: Format = pf1bit; break;
    case 4: Format = pf4bit; break;
    case 8: Format = pf8bit; break;
    case 16: Format = Image.Is565 ? pf16bit : pf15bit; break;
    case 24: Format = pf24bit; break;
    case 32: Format = pf32bit; break;
    default: throw EInvalidGraphic("Invalid bitmap file");
    }
    if (Image.Width <= 0 || Image.Height <= 0 ||
        int64_t(Image.Pixels.size()) < int64_t(Image.Stride()) * Image.Height)
        throw EInvalidGraphic("Invalid bitmap file");
    RGBQUAD Colors[256];
    const int32_t Count = static_cast<int32_t>(std::min<size_t>(Image.Colors.size(), 256));
    for (int32_t I = 0; I < Count; ++I)
        Colors[I] = RGBQUAD{Image.Colors[size_t(I)].Blue, Image.Colors[size_t(I)].Green, Image.Colors[size_t(I)].Red, 0};
    void* Bits = nullptr;
    HBITMAP New = NewHandle(Image.Width, Image.Height, Format, bmDIB, Count ? Colors : nullptr, Count, &Bits);
    const size_t Stride = size_t(Image.Stride());
    for (int32_t Y = 0; Y < Image.Height; ++Y)
        std::memcpy(static_cast<uint8_t*>(Bits) + size_t(Image.Height - 1 - Y) * Stride, Image.Row(Y), Stride);
    Install(New, true);
}

void TBitmap::SaveToImage(TBmpImage& Image)
{
    if (GetEmpty() || !GetHandle())
        throw EInvalidGraphic("Cannot save an empty bitmap");
    int Bits = 24;
    if (FPixelFormat == pf1bit)
        Bits = 1;
    else if (FHandleType == bmDIB && (FPixelFormat == pf4bit || FPixelFormat == pf8bit))
        Bits = BitsOf(FPixelFormat);

    Image = TBmpImage();
    Image.Width = FWidth;
    Image.Height = FHeight;
    Image.BitCount = Bits;
    const int64_t Stride = Image.Stride();
    Image.Pixels.assign(static_cast<size_t>(Stride * FHeight), 0);

    TBitmapInfo256 Info;
    std::memset(&Info, 0, sizeof(Info));
    Info.Header.biSize = sizeof(BITMAPINFOHEADER);
    Info.Header.biWidth = FWidth;
    Info.Header.biHeight = -FHeight; // rows from the top, as TBmpImage keeps them
    Info.Header.biPlanes = 1;
    Info.Header.biBitCount = static_cast<WORD>(Bits);
    Info.Header.biCompression = BI_RGB;
    if (Bits <= 8) {
        // A DIB section gives its own table; a monochrome DDB is black and white.
        int32_t Count;
        ReadColorTable(Info.Colors, Count);
        Info.Header.biClrUsed = static_cast<DWORD>(Count);
    }
    FreeContext(); // GetDIBits wants the bitmap outside any DC
    TMemoryDC DC;
    if (GetDIBits(DC, FHandle, 0, static_cast<UINT>(FHeight), Image.Pixels.data(), reinterpret_cast<BITMAPINFO*>(&Info),
                  DIB_RGB_COLORS) == 0)
        throw EInvalidGraphic("Cannot read the bitmap's pixels");
    if (Bits <= 8) {
        const int32_t Count = Info.Header.biClrUsed ? int32_t(Info.Header.biClrUsed) : (1 << Bits);
        for (int32_t I = 0; I < std::min(Count, 1 << Bits); ++I)
            Image.Colors.push_back(TBmpColor{Info.Colors[I].rgbBlue, Info.Colors[I].rgbGreen, Info.Colors[I].rgbRed, 0});
    }
}

void TBitmap::LoadFromStream(TStream* Stream)
{
    TBmpImage Image;
    ReadBmp(Stream, Image, true);
    LoadFromImage(Image);
}

void TBitmap::SaveToStream(TStream* Stream)
{
    TBmpImage Image;
    SaveToImage(Image);
    WriteBmp(Stream, Image);
}

void TBitmap::LoadFromResourceName(HINSTANCE Instance, const std::string& ResName)
{
    HRSRC Res = FindResourceA(Instance, ResName.c_str(), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!Res)
        throw EInvalidGraphic(Format("Bitmap resource %s not found", ResName));
    HGLOBAL Global = LoadResource(Instance, Res);
    const void* Data = Global ? LockResource(Global) : nullptr;
    const DWORD Size = SizeofResource(Instance, Res);
    if (!Data || Size == 0)
        throw EInvalidGraphic("Invalid bitmap file");
    TMemoryStream Stream;
    Stream.WriteBuffer(Data, static_cast<int32_t>(Size));
    Stream.SetPosition(0);
    TBmpImage Image;
    ReadBmp(&Stream, Image, false);
    LoadFromImage(Image);
}

void TBitmap::LoadFromResourceID(HINSTANCE Instance, int32_t ResID)
{
    HRSRC Res = FindResourceA(Instance, MAKEINTRESOURCEA(ResID), MAKEINTRESOURCEA(2));
    if (!Res)
        throw EInvalidGraphic(Format("Bitmap resource %d not found", ResID));
    HGLOBAL Global = LoadResource(Instance, Res);
    const void* Data = Global ? LockResource(Global) : nullptr;
    const DWORD Size = SizeofResource(Instance, Res);
    if (!Data || Size == 0)
        throw EInvalidGraphic("Invalid bitmap file");
    TMemoryStream Stream;
    Stream.WriteBuffer(Data, static_cast<int32_t>(Size));
    Stream.SetPosition(0);
    TBmpImage Image;
    ReadBmp(&Stream, Image, false);
    LoadFromImage(Image);
}

// ---------------------------------------------------------------------------------------------
// Clipboard and assignment

void TBitmap::LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette)
{
    if (!Data || (Format != CF_BITMAP && Format != CF_DIB))
        throw EInvalidGraphic(::Format("Unknown clipboard format, %d", static_cast<int32_t>(Format)));
    if (Format == CF_DIB) {
        const SIZE_T Size = GlobalSize(Data);
        const void* P = GlobalLock(Data);
        if (!P)
            throw EInvalidGraphic("Invalid bitmap");
        TMemoryStream Stream;
        {
            // Unlocked also when the size is refused: the clipboard's memory must not stay locked.
            TScopeExit Unlock([Data] { GlobalUnlock(Data); });
            if (Size == 0 || Size > SIZE_T(kMaxBmpPixelBytes))
                throw EInvalidGraphic("Invalid bitmap");
            Stream.WriteBuffer(P, static_cast<int32_t>(Size));
        }
        Stream.SetPosition(0);
        TBmpImage Image;
        ReadBmp(&Stream, Image, false);
        LoadFromImage(Image);
        return;
    }
    // The clipboard keeps its bitmap: we copy its pixels into a DIB of our own.
    BITMAP BM;
    if (GetObjectA(Data, sizeof(BM), &BM) < static_cast<int>(sizeof(BM)) || BM.bmWidth <= 0 || BM.bmHeight == 0)
        throw EInvalidGraphic("Invalid bitmap");
    const int32_t W = BM.bmWidth, H = std::abs(BM.bmHeight);
    const TPixelFormat Format_ = BM.bmBitsPixel == 1 ? pf1bit : pf24bit;
    void* Bits = nullptr;
    HBITMAP New = NewHandle(W, H, Format_, bmDIB, nullptr, 0, &Bits);
    TBitmapInfo256 Info;
    std::memset(&Info, 0, sizeof(Info));
    Info.Header.biSize = sizeof(BITMAPINFOHEADER);
    Info.Header.biWidth = W;
    Info.Header.biHeight = H;
    Info.Header.biPlanes = 1;
    Info.Header.biBitCount = static_cast<WORD>(BitsOf(Format_));
    Info.Header.biCompression = BI_RGB;
    int Lines;
    {
        TMemoryDC DC;
        if (Palette) {
            SelectPalette(DC, Palette, TRUE);
            RealizePalette(DC);
        }
        Lines = GetDIBits(DC, static_cast<HBITMAP>(Data), 0, static_cast<UINT>(H), Bits, reinterpret_cast<BITMAPINFO*>(&Info),
                          DIB_RGB_COLORS);
        if (Palette)
            SelectPalette(DC, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), TRUE);
    }
    if (Lines == 0) {
        DeleteObject(New);
        throw EInvalidGraphic("Invalid bitmap");
    }
    Install(New, false);
    if (Format_ == pf1bit) {
        // GetDIBits may have given a colour table other than black and white.
        SetDIBColorTable(GetCanvas()->GetHandle(), 0, 2, Info.Colors);
    }
    if (Palette)
        FPalette = CopyPalette(Palette);
    Changed(this);
}

void TBitmap::SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette)
{
    if (GetEmpty())
        throw EInvalidGraphic("Cannot copy an empty bitmap");
    GetHandle();
    HBITMAP Copy;
    if (GetMonochrome()) {
        Copy = CreateBitmap(FWidth, FHeight, 1, 1, nullptr);
    } else {
        TScreenDC Screen;
        Copy = CreateCompatibleBitmap(Screen, FWidth, FHeight);
    }
    if (!Copy)
        throw EOutOfResources("Out of system resources: cannot copy the bitmap");
    {
        TMemoryDC Target;
        Target.Select(Copy);
        BitBlt(Target, 0, 0, FWidth, FHeight, GetCanvas()->GetHandle(), 0, 0, SRCCOPY);
    }
    Format = CF_BITMAP;
    Data = Copy;
    Palette = BitsOf(FPixelFormat) <= 8 && FHandleType == bmDIB ? CopyPalette(GetPalette()) : CopyPalette(FPalette);
}

void TBitmap::Assign(TPersistent* Source)
{
    if (!Source) {
        FreeImage();
        Changed(this);
        return;
    }
    if (auto* B = dynamic_cast<TBitmap*>(Source)) {
        if (B == this)
            return;
        FreeImage();
        SetTransparent(B->GetTransparent());
        FTransparentMode = B->FTransparentMode;
        FTransparentColor = B->FTransparentColor;
        if (B->GetEmpty() || !B->GetHandle()) {
            FWidth = B->FWidth;
            FHeight = B->FHeight;
            FPixelFormat = B->FPixelFormat == pfCustom ? pf32bit : B->FPixelFormat;
            FHandleType = B->FHandleType;
            Changed(this);
            return;
        }
        RGBQUAD Colors[256];
        int32_t Count;
        B->ReadColorTable(Colors, Count);
        const TPixelFormat Format = B->FPixelFormat == pfCustom ? pf32bit : B->FPixelFormat;
        void* Bits = nullptr;
        HBITMAP New = NewHandle(B->FWidth, B->FHeight, Format, B->FHandleType, Count ? Colors : nullptr, Count, &Bits);
        if (Bits && B->FBits && Format == B->FPixelFormat) {
            // Same DIB layout: the bytes themselves, so palette indexes survive exactly.
            GdiFlush();
            const size_t Stride = size_t(B->FStride);
            for (int32_t Y = 0; Y < B->FHeight; ++Y) {
                const int32_t SrcRow = B->FTopDown ? Y : B->FHeight - 1 - Y;
                std::memcpy(static_cast<uint8_t*>(Bits) + size_t(B->FHeight - 1 - Y) * Stride,
                            static_cast<const uint8_t*>(B->FBits) + size_t(SrcRow) * Stride, Stride);
            }
        } else {
            TMemoryDC Target;
            Target.Select(New);
            BitBlt(Target, 0, 0, B->FWidth, B->FHeight, B->GetCanvas()->GetHandle(), 0, 0, SRCCOPY);
        }
        Install(New, false);
        if (B->FHandleType == bmDDB && B->FPalette)
            FPalette = CopyPalette(B->FPalette);
        Changed(this);
        return;
    }
    if (auto* G = dynamic_cast<TGraphic*>(Source)) {
        FreeImage();
        FPixelFormat = pf24bit;
        FHandleType = bmDIB;
        if (!G->GetEmpty()) {
            Convert(G->GetWidth(), G->GetHeight(), pf24bit, bmDIB); // white
            GetCanvas()->StretchDraw(Bounds(0, 0, FWidth, FHeight), G);
        }
        Changed(this);
        return;
    }
    TGraphic::Assign(Source);
}
