// The GDI half of the picture model: pixel memory as a DIB section in a memory DC, drawing,
// clipboard, bitmap handles, palettes, frames with their timer, and the registry's link to
// the platform picture registry.
#include <atomic>
#include <cstring>
#include <memory>

#include <windows.h>

#include "imagelib/ImgDib.h"
#include "imagelib/ImgHooks.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Application.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Graphics.h"
#include "platform/win/Icon.h"
#include "platform/win/ScreenDC.h"
#include "platform/win/Timer.h"
#include "platform/win/MemoryDC.h"

namespace {

constexpr double kPelsPerInch = 39.37007874015748;

std::atomic<int32_t> gGdiObjects{0};
HPALETTE gHalftonePalette = nullptr;

// The screen's resolution does not change while the program runs (a new setting takes a new
// logon): asked once, so that pictures made on worker threads do not each take the screen DC.
std::atomic<int32_t> gScreenDpiX{0};
std::atomic<int32_t> gScreenDpiY{0};

void Made(const void* Handle)
{
    if (Handle)
        ++gGdiObjects;
}
void Deleted(BOOL Ok)
{
    if (Ok)
        --gGdiObjects;
}

} // namespace

int32_t ImgLibGdiObjectCount() { return gGdiObjects.load(); }

void CreateSharedHalftonePalette()
{
    if (gHalftonePalette)
        return;
    TScreenDC DC;
    gHalftonePalette = CreateHalftonePalette(DC);
    Made(gHalftonePalette);
}

void DeleteSharedHalftonePalette()
{
    if (gHalftonePalette)
        Deleted(DeleteObject(gHalftonePalette));
    gHalftonePalette = nullptr;
}

// ---------------------------------------------------------------------------------------------

TDibGraphic::TDibGraphic()
{
    std::memset(&FInfo, 0, sizeof(FInfo));
    std::memset(&FLogPalette, 0, sizeof(FLogPalette));
}

TDibGraphic::~TDibGraphic()
{
    if (FTimer) {
        FTimer->SetEnabled(false);
        delete FTimer;
        FTimer = nullptr;
    }
    FFrames.clear();
    try {
        FreeImage();
    } catch (...) {
        // A failed DeleteDC cannot be reported from a destructor.
    }
}

void TDibGraphic::RaiseWin32Failure()
{
    const DWORD Code = GetLastError();
    if (Code != 0) {
        char* Text = nullptr;
        const DWORD N = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                           FORMAT_MESSAGE_IGNORE_INSERTS,
                                       nullptr, Code, 0, reinterpret_cast<char*>(&Text), 0, nullptr);
        if (N && Text) {
            std::string Message(Text, N);
            LocalFree(Text);
            while (!Message.empty() && (Message.back() == '\n' || Message.back() == '\r' || Message.back() == ' '))
                Message.pop_back();
            throw EOutOfResources(Message);
        }
    }
    throw Exception("Out of resources");
}

int32_t TDibGraphic::ScreenDpi(bool Horizontal)
{
    std::atomic<int32_t>& Cached = Horizontal ? gScreenDpiX : gScreenDpiY;
    int32_t Value = Cached.load();
    if (Value == 0) {
        TScreenDC DC;
        if (!DC)
            return 96; // asked again next time
        Value = GetDeviceCaps(DC, Horizontal ? LOGPIXELSX : LOGPIXELSY);
        if (Value <= 0)
            return 96;
        Cached = Value;
    }
    return Value;
}

uint8_t* TDibGraphic::AllocatePixels()
{
    // With DIB_RGB_COLORS the section needs no DC.
    void* Bits = nullptr;
    FSection =
        CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&FInfo), DIB_RGB_COLORS, &Bits, nullptr, 0);
    if (!FSection || !Bits) {
        if (FSection)
            DeleteObject(FSection);
        FSection = nullptr;
        RaiseWin32Failure();
    }
    Made(FSection);
    MakeMemoryDC();
    return static_cast<uint8_t*>(Bits);
}

// The memory DC with the section selected, and its canvas.
void TDibGraphic::MakeMemoryDC()
{
    // Pictures are made on worker threads: their DCs are made and freed one at a time.
    FDC = CreateMemoryDC();
    if (!FDC)
        RaiseWin32Failure();
    Made(FDC);
    FOldBitmap = SelectObject(FDC, FSection);
    FCanvas = new TCanvas();
    FCanvas->SetHandle(FDC);
}

void TDibGraphic::ReleaseMemoryDC()
{
    if (FCanvas) {
        FCanvas->SetHandle(nullptr);
        delete FCanvas;
        FCanvas = nullptr;
    }
    if (FDC && FOldBitmap)
        SelectObject(FDC, FOldBitmap);
    FOldBitmap = nullptr;
    if (FDC) {
        const HDC DC = FDC;
        FDC = nullptr;
        const BOOL Ok = DeleteMemoryDC(DC);
        Deleted(Ok);
        if (!Ok)
            RaiseWin32Failure();
    }
}

void TDibGraphic::ReleasePixels()
{
    // The section is deleted even when its DC will not go.
    struct TDeleteSection {
        TDibGraphic* G;
        ~TDeleteSection()
        {
            if (G->FPaletteHandle)
                Deleted(DeleteObject(G->FPaletteHandle));
            G->FPaletteHandle = nullptr;
            if (G->FSection)
                Deleted(DeleteObject(G->FSection));
            G->FSection = nullptr;
        }
    } DeleteSection{this};
    ReleaseMemoryDC();
}

void TDibGraphic::RenewPixels()
{
    // Drawing still queued for the old picture must not land on the new one.
    GdiFlush();
    if (FPaletteHandle)
        Deleted(DeleteObject(FPaletteHandle));
    FPaletteHandle = nullptr;
    // A new DC and canvas, as a new section would have: nothing selected or set on the old
    // canvas carries over.
    ReleaseMemoryDC();
    MakeMemoryDC();
    if (FInfo.Header.BitCount <= 8) {
        // The section's colour table was fixed when it was made; entries past the palette are 0.
        const UINT Entries = 1u << FInfo.Header.BitCount;
        if (SetDIBColorTable(FDC, 0, Entries, reinterpret_cast<const RGBQUAD*>(FInfo.Colors)) != Entries)
            RaiseWin32Failure();
    }
}

void TDibGraphic::FreeImage()
{
    FConverter.reset();
    FBits = nullptr;
    ResetHeader();
    ReleasePixels();
}

void TDibGraphic::FlushCanvas() const { GdiFlush(); }

HPALETTE TDibGraphic::PaletteHandle()
{
    if (!FPaletteHandle && FBits && FImageFormat != ifTrueColor) {
        FPaletteHandle = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&FLogPalette));
        Made(FPaletteHandle);
    }
    return FPaletteHandle;
}

// ---------------------------------------------------------------------------------------------

void TDibGraphic::Assign(TPersistent* Source)
{
    if (AssignNothingOrDib(Source))
        return;
    if (auto* Board = dynamic_cast<TClipboard*>(Source)) {
        Board->Open();
        TScopeExit Close([Board] { Board->Close(); });
        HANDLE Bitmap = Board->GetAsHandle(CF_BITMAP);
        HANDLE Palette = Board->GetAsHandle(CF_PALETTE);
        LoadFromClipboardFormat(CF_BITMAP, Bitmap, static_cast<HPALETTE>(Palette));
        return;
    }
    if (auto* Bitmap = dynamic_cast<TBitmap*>(Source)) {
        if (Bitmap->GetEmpty()) {
            FreeImage();
            return;
        }
        Bitmap->SetHandleType(Bitmap->GetPixelFormat() == pfCustom ? bmDDB : bmDIB);
        LoadFromBitmapHandle(Bitmap->GetHandle());
        return;
    }
    if (auto* Graphic = dynamic_cast<TGraphic*>(Source)) {
        // An empty graphic has no size to make a picture of.
        if (Graphic->GetEmpty() || Graphic->GetWidth() <= 0 || Graphic->GetHeight() <= 0) {
            FreeImage();
            return;
        }
        const int32_t W = Graphic->GetWidth(), H = Graphic->GetHeight();
        NewImage(W, H, ifTrueColor, nullptr, 0, 0);
        Graphic->Draw(FCanvas, Rect(0, 0, W, H));
        GdiFlush();
        return;
    }
    TGraphic::Assign(Source);
}

void TDibGraphic::AssignTo(TPersistent* Dest)
{
    if (auto* Dib = dynamic_cast<TDibGraphic*>(Dest)) {
        Dib->Assign(this);
        return;
    }
    if (auto* Bitmap = dynamic_cast<TBitmap*>(Dest)) {
        Bitmap->SetPixelFormat(pf24bit);
        Bitmap->SetSize(GetWidth(), GetHeight());
        if (!GetEmpty())
            Draw(Bitmap->GetCanvas(), Rect(0, 0, GetWidth(), GetHeight()));
        return;
    }
    if (auto* Icon = dynamic_cast<TIcon*>(Dest)) {
        if (const TIconStreamWriter Writer = GetIconStreamWriter()) {
            TMemoryStream Stream;
            Writer(this, &Stream);
            Stream.SetPosition(0);
            Icon->LoadFromStream(&Stream);
            return;
        }
    }
    throw EDidodazaError(Format("Cannot assign a %s to a %s", ClassName(), Dest ? Dest->ClassName() : "nil"));
}

void TDibGraphic::Draw(TCanvas* Canvas, const TRect& R)
{
    if (GetEmpty() || !Canvas)
        return;
    const HDC DC = Canvas->GetHandle();
    SetStretchBltMode(DC, COLORONCOLOR);
    HPALETTE OldPalette = nullptr;
    if ((GetDeviceCaps(DC, RASTERCAPS) & RC_PALETTE) && gHalftonePalette) {
        OldPalette = SelectPalette(DC, gHalftonePalette, FALSE);
        RealizePalette(DC);
    }
    StretchDIBits(DC, R.left, R.top, R.right - R.left, R.bottom - R.top, 0, 0, GetWidth(), GetHeight(), FBits,
                  reinterpret_cast<const BITMAPINFO*>(&FInfo), DIB_RGB_COLORS, SRCCOPY);
    if (OldPalette)
        SelectPalette(DC, OldPalette, FALSE);
    if (OnAfterDraw)
        OnAfterDraw(this);
}

void TDibGraphic::LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette)
{
    if (Format != CF_BITMAP || !Data)
        throw EInvalidGraphic(::Format("Unknown clipboard format, %d", Format));
    TScreenDC DC;
    if (DC && (GetDeviceCaps(DC, RASTERCAPS) & RC_PALETTE)) {
        TBitmap Temp;
        Temp.LoadFromClipboardFormat(CF_BITMAP, Data, Palette);
        NewImage(Temp.GetWidth(), Temp.GetHeight(), ifTrueColor, nullptr, 0, 0);
        FCanvas->Draw(0, 0, &Temp);
        GdiFlush();
    } else {
        LoadFromBitmapHandle(static_cast<HBITMAP>(Data));
    }
}

void TDibGraphic::SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette)
{
    Format = CF_BITMAP;
    Palette = nullptr;
    if (GetEmpty())
        throw EDidodazaError("CopyBitmap: CreateBitmap failed");
    HBITMAP Bitmap;
    {
        TScreenDC DC;
        Bitmap = FImageFormat == ifBlackWhite ? CreateBitmap(GetWidth(), GetHeight(), 1, 1, nullptr)
                                              : CreateCompatibleBitmap(DC, GetWidth(), GetHeight());
    }
    if (!Bitmap)
        throw EDidodazaError("CopyBitmap: CreateBitmap failed");
    HDC Mem = CreateMemoryDC();
    if (!Mem) {
        DeleteObject(Bitmap);
        RaiseWin32Failure();
    }
    const HGDIOBJ Old = SelectObject(Mem, Bitmap);
    BitBlt(Mem, 0, 0, GetWidth(), GetHeight(), FDC, 0, 0, SRCCOPY);
    SelectObject(Mem, Old);
    DeleteMemoryDC(Mem);
    Data = Bitmap;
}

void TDibGraphic::LoadFromBitmapHandle(HBITMAP Bitmap)
{
    DIBSECTION Section{};
    const int N = GetObjectA(Bitmap, sizeof(Section), &Section);
    if (N == 0)
        throw EInvalidGraphic("Invalid bitmap");
    BITMAPINFOHEADER Header{};
    if (N < static_cast<int>(sizeof(DIBSECTION)) || Section.dsBmih.biSize < 40) {
        Header.biSize = 40;
        Header.biWidth = Section.dsBm.bmWidth;
        Header.biHeight = Section.dsBm.bmHeight;
        Header.biPlanes = Section.dsBm.bmPlanes;
        Header.biBitCount = Section.dsBm.bmBitsPixel;
    } else {
        Header = Section.dsBmih;
    }
    int32_t Bits = Header.biPlanes * Header.biBitCount;
    if (Bits == 16 || Bits == 32)
        Bits = 24;
    const ImageFormat Format = ImageFormatFromBitCount(Bits);
    // Sizes come from the bitmap, not from a stored image size: a kept 16-bit size would be too
    // small for the 24-bit copy. A top-down section is read bottom-up like any other.
    const int32_t Width = Header.biWidth;
    const int32_t Height = Header.biHeight < 0 ? -Header.biHeight : Header.biHeight;
    const int64_t LineBytes = CalcBytesPerLine(Width, Bits);
    if (Width < 1 || Height < 1 || LineBytes * Height > kMaxPictureBytes)
        throw EDidodazaError("Invalid image dimensions");
    Header.biSize = 40;
    Header.biHeight = Height;
    Header.biPlanes = 1;
    Header.biBitCount = static_cast<WORD>(Bits);
    Header.biCompression = BI_RGB;
    Header.biSizeImage = static_cast<DWORD>(LineBytes * Height);
    if (Bits <= 8 && (Header.biClrUsed == 0 || Header.biClrUsed > (1u << Bits)))
        Header.biClrUsed = 1u << Bits;
    if (Bits > 8)
        Header.biClrUsed = 0;

    // Room for the header, 256 colours and the three masks GetDIBits may add.
    std::vector<uint8_t> InfoBuffer(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) + 12, 0);
    auto* Info = reinterpret_cast<BITMAPINFO*>(InfoBuffer.data());
    Info->bmiHeader = Header;
    const HGLOBAL Memory = GlobalAlloc(GMEM_FIXED, Header.biSizeImage);
    if (!Memory)
        throw EDidodazaError("GlobalAlloc failed");
    struct TFree {
        HGLOBAL H;
        ~TFree() { GlobalFree(H); }
    } FreeMemory{Memory};
    {
        TScreenDC DC;
        if (GetDIBits(DC, Bitmap, 0, static_cast<UINT>(Height), Memory, Info, DIB_RGB_COLORS) == 0)
            throw EDidodazaError("GetDIB failed");
    }
    if (Info->bmiHeader.biCompression != BI_RGB)
        throw EDidodazaError("Unsupported compression");
    const uint32_t ColorsUsed = Header.biClrUsed;

    TDibLogPalette Palette{};
    const TDibLogPalette* PalettePtr = nullptr;
    if (ColorsUsed >= 1 && ColorsUsed <= 256) {
        Palette.Version = 0x300;
        Palette.NumEntries = static_cast<uint16_t>(ColorsUsed);
        for (uint32_t I = 0; I < ColorsUsed; ++I) {
            const RGBQUAD& Q = Info->bmiColors[I];
            Palette.Entries[I] = TPaletteEntry{Q.rgbRed, Q.rgbGreen, Q.rgbBlue, 0};
        }
        PalettePtr = &Palette;
    }
    auto PelsToDpi = [](LONG Pels) -> int32_t {
        const int64_t Dpi = static_cast<int64_t>(Pels / kPelsPerInch + (Pels >= 0 ? 0.5 : -0.5));
        return Dpi < 0 || Dpi > 65535 ? 0 : static_cast<int32_t>(Dpi);
    };
    NewImage(Width, Height, Format, PalettePtr, PelsToDpi(Header.biXPelsPerMeter), PelsToDpi(Header.biYPelsPerMeter));
    std::memcpy(FBits, Memory, static_cast<size_t>(FBytesPerLine) * static_cast<size_t>(Height));
}

// ---------------------------------------------------------------------------------------------
// Frames

void TDibGraphic::ServeFrameChange()
{
    // Only the user-interface thread may serve its queue; a worker just goes on.
    if (Application && Application->IsUIThread())
        Application->ProcessMessages();
}

void TDibGraphic::SetAnimate(bool Value)
{
    FAnimate = Value;
    if (Value && !FFrames.empty()) {
        if (!FTimer) {
            FTimer = new TTimer(nullptr);
            FTimer->SetEnabled(false);
            FTimer->SetOnTimer([this](TObject*) { FrameTimer(); });
        }
        FTimer->SetInterval(static_cast<uint32_t>(FFrameInterval > 0 ? FFrameInterval : 1));
        FTimer->SetEnabled(true);
    } else if (FTimer) {
        FTimer->SetEnabled(false);
    }
}

void TDibGraphic::FrameTimer()
{
    if (FFrames.empty())
        return;
    if (FTimer)
        FTimer->SetEnabled(false);
    SetCurrentFrame(FCurrentFrame >= GetFrameCount() || FCurrentFrame < 1 ? 1 : FCurrentFrame + 1);
    if (FTimer && FAnimate) {
        FTimer->SetInterval(static_cast<uint32_t>(FFrameInterval > 0 ? FFrameInterval : 1));
        FTimer->SetEnabled(true);
    }
}

// ---------------------------------------------------------------------------------------------
// Registry: the platform half

void RegisterDibGraphic(const std::string& Extension, const std::string& Description, const TDibGraphicClass& Class)
{
    const auto Create = Class.Create;
    TPicture::RegisterFileFormat(Extension, Description,
                                 TGraphicClass{Class.ClassName, [Create] { return std::unique_ptr<TGraphic>(Create()); }});
    AddDibGraphicClass(Extension, Class);
}
