// The portable half of the picture model: no GDI here (see ImgDib.h).
#include "imagelib/ImgDib.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "imagelib/ImgHooks.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeGuards.h"

namespace {

constexpr double kPelsPerInch = 39.37007874015748;

struct TDefaultPalettes {
    bool Made = false;
    TDibLogPalette Palettes[kImageFormatCount];
};
TDefaultPalettes gDefaultPalettes;

const uint8_t kVga16[16][3] = {{0, 0, 0},      {0, 0, 170},    {0, 170, 0},    {0, 170, 170},
                              {170, 0, 0},    {170, 0, 170},  {170, 85, 0},   {170, 170, 170},
                              {85, 85, 85},   {85, 85, 255},  {85, 255, 85},  {85, 255, 255},
                              {255, 85, 85},  {255, 85, 255}, {255, 255, 85}, {255, 255, 255}};
const uint8_t kGreyRamp[16] = {0, 20, 32, 44, 56, 69, 81, 97, 113, 130, 146, 162, 182, 203, 227, 255};
const uint8_t kRings[9][5] = {{0, 16, 31, 47, 63},  {31, 39, 47, 55, 63}, {45, 49, 54, 58, 63},
                             {0, 7, 14, 21, 28},   {14, 17, 21, 24, 28}, {20, 22, 24, 26, 28},
                             {0, 4, 8, 12, 16},    {8, 10, 12, 14, 16},  {11, 12, 13, 15, 16}};
// Each ring entry as indexes into (a, b, c, d, e) for red, green, blue.
const uint8_t kRingOrder[24][3] = {{0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3},
                                  {4, 0, 2}, {4, 0, 1}, {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0},
                                  {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0}, {0, 4, 0}, {0, 4, 1},
                                  {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4}};

uint8_t Widen6(uint8_t V) { return static_cast<uint8_t>((V << 2) | (V >> 4)); }

void SetEntry(TDibLogPalette& P, int I, uint8_t R, uint8_t G, uint8_t B)
{
    P.Entries[I] = TPaletteEntry{R, G, B, 0};
}

std::mutex gRegistryLock;
struct TRegistryEntry {
    std::string Extension; // upper case, no dot
    TDibGraphicClass Class;
};
std::vector<TRegistryEntry> gRegistry;

std::mutex gHookLock;
TIconStreamWriter gIconWriterHook;
TAnnotationTextReader gAnnotationHook;

} // namespace

// ---------------------------------------------------------------------------------------------

int32_t BitsPerPixel(int32_t Format)
{
    static const int32_t Bits[kImageFormatCount] = {1, 4, 8, 4, 8, 24};
    if (Format < 0 || Format >= kImageFormatCount)
        throw EDidodazaError("Internal error: Invalid image format");
    return Bits[Format];
}

std::string ImageFormatName(int32_t Format)
{
    static const char* const Names[kImageFormatCount] = {"Black and white", "16 shades of gray", "256 shades of gray",
                                                        "16 color",        "256 color",         "True color"};
    if (Format < 0 || Format >= kImageFormatCount)
        throw EDidodazaError("Internal error: Invalid image format");
    return Names[Format];
}

ImageFormat ImageFormatFromBitCount(int32_t BitCount)
{
    switch (BitCount) {
    case 1: return ifBlackWhite;
    case 4: return ifColor16;
    case 8: return ifColor256;
    case 24: return ifTrueColor;
    default: throw EDidodazaError("Unsupported bit count");
    }
}

int64_t CalcBytesPerLine(int64_t Width, int32_t BitCount)
{
    return ((BitCount * Width + 31) & ~int64_t(31)) / 8;
}

void MakeDefaultPalettes()
{
    TDefaultPalettes& D = gDefaultPalettes;
    std::memset(D.Palettes, 0, sizeof(D.Palettes));
    const uint16_t Counts[kImageFormatCount] = {2, 16, 256, 16, 256, 0};
    for (int F = 0; F < kImageFormatCount; ++F) {
        D.Palettes[F].Version = 0x300;
        D.Palettes[F].NumEntries = Counts[F];
    }
    SetEntry(D.Palettes[ifBlackWhite], 0, 0, 0, 0);
    SetEntry(D.Palettes[ifBlackWhite], 1, 255, 255, 255);
    for (int I = 0; I < 16; ++I) {
        const uint8_t G = static_cast<uint8_t>(I * 17);
        SetEntry(D.Palettes[ifGray16], I, G, G, G);
        SetEntry(D.Palettes[ifColor16], I, kVga16[I][0], kVga16[I][1], kVga16[I][2]);
    }
    for (int I = 0; I < 256; ++I)
        SetEntry(D.Palettes[ifGray256], I, static_cast<uint8_t>(I), static_cast<uint8_t>(I), static_cast<uint8_t>(I));
    TDibLogPalette& P = D.Palettes[ifColor256];
    for (int I = 0; I < 16; ++I)
        SetEntry(P, I, kVga16[I][0], kVga16[I][1], kVga16[I][2]);
    for (int I = 0; I < 16; ++I)
        SetEntry(P, 16 + I, kGreyRamp[I], kGreyRamp[I], kGreyRamp[I]);
    int Index = 32;
    for (const auto& Ring : kRings)
        for (const auto& Order : kRingOrder)
            SetEntry(P, Index++, Widen6(Ring[Order[0]]), Widen6(Ring[Order[1]]), Widen6(Ring[Order[2]]));
    // 248..255 stay black.
    D.Made = true;
}

void FreeDefaultPalettes()
{
    gDefaultPalettes.Made = false;
    std::memset(gDefaultPalettes.Palettes, 0, sizeof(gDefaultPalettes.Palettes));
}

const TDibLogPalette* DefaultPalette(ImageFormat Format)
{
    if (!gDefaultPalettes.Made || Format >= ifTrueColor)
        return nullptr;
    return &gDefaultPalettes.Palettes[Format];
}

// ---------------------------------------------------------------------------------------------

TRgbToPaletteConverter::TRgbToPaletteConverter(const TDibLogPalette* Palette) : FPalette(Palette)
{
    for (TSlot& S : FCache)
        S = TSlot{0, 0xFFFF};
}

uint16_t TRgbToPaletteConverter::NearestIndex(uint32_t Color)
{
    TSlot& Slot = FCache[Color % CacheSize];
    if (Slot.Index != 0xFFFF && Slot.Color == Color) {
        ++FHits;
        return Slot.Index;
    }
    ++FMisses;
    const int32_t R = (Color >> 16) & 0xFF, G = (Color >> 8) & 0xFF, B = Color & 0xFF;
    uint16_t Best = 0;
    int32_t BestDistance = INT32_MAX;
    const int32_t Count = FPalette ? std::min<int32_t>(FPalette->NumEntries, 256) : 0;
    for (int32_t I = 0; I < Count; ++I) {
        const TPaletteEntry& E = FPalette->Entries[I];
        const int32_t DR = R - E.Red, DG = G - E.Green, DB = B - E.Blue;
        const int32_t Distance = DR * DR + DG * DG + DB * DB;
        if (Distance < BestDistance) {
            BestDistance = Distance;
            Best = static_cast<uint16_t>(I);
            if (Distance == 0)
                break;
        }
    }
    Slot = TSlot{Color, Best};
    return Best;
}

// ---------------------------------------------------------------------------------------------
// TDibGraphic: the parts that only compute

std::unique_ptr<TDibGraphic> TDibGraphic::CreateNew() const { return std::make_unique<TDibGraphic>(); }

void TDibGraphic::SetWidth(int32_t) { throw EDidodazaError("Dimensions must be change with the NewImage method"); }
void TDibGraphic::SetHeight(int32_t) { throw EDidodazaError("Dimensions must be change with the NewImage method"); }

void TDibGraphic::SaveToStream(TStream*) {}
bool TDibGraphic::CanLoadStream(TStream*) { return false; }
int32_t TDibGraphic::GetStreamImageCount(TStream*) { return 1; }
void TDibGraphic::LoadImageFromStream(TStream*, int32_t) {}

void TDibGraphic::AppendImageToStream(TStream*)
{
    throw EDidodazaError(Format("The %s format does not support multiple images", ClassName()));
}

void TDibGraphic::ResetHeader()
{
    std::memset(&FInfo, 0, sizeof(FInfo));
    std::memset(&FLogPalette, 0, sizeof(FLogPalette));
    FBytesPerLine = 0;
}

void TDibGraphic::NewImage(int32_t Width, int32_t Height, ImageFormat Format, const TDibLogPalette* Palette,
                           int32_t DpiX, int32_t DpiY)
{
    // A picture loaded again at the same size and layout (a viewer stepping through photos, a
    // reader measuring file after file) keeps its pixel memory: making a large DIB section and
    // touching its pages for the first time costs far more than clearing it.
    const bool Keep = FBits && Width == GetWidth() && Height == GetHeight() && Format == FImageFormat;
    const bool EveryRowPromised = FEveryRowPromised;
    FEveryRowPromised = false;
    // The palette may be this picture's own, which is cleared below.
    TDibLogPalette Given{};
    if (Palette) {
        Given = *Palette;
        Palette = &Given;
    }
    if (Keep)
        FConverter.reset();
    else
        FreeImage();
    auto Refuse = [this](const char* Text) {
        FreeImage();
        throw EDidodazaError(Text);
    };
    // Every codec sizes its picture from file headers: refuse what cannot be a real picture
    // before any memory is asked for.
    const int32_t Bits = BitsPerPixel(Format);
    if (Width < 1 || Height < 1)
        Refuse("Invalid image dimensions");
    const int64_t LineBytes = CalcBytesPerLine(Width, Bits);
    if (LineBytes * Height > kMaxPictureBytes)
        Refuse("Invalid image dimensions");
    if (Palette && Palette->NumEntries > 256)
        Refuse("Invalid palette size");
    if (Format != ifTrueColor && !Palette) {
        Palette = DefaultPalette(Format);
        if (!Palette)
            Refuse("The image library is not started");
    }
    ResetHeader();
    FImageFormat = Format;
    TDibInfoHeader& H = FInfo.Header;
    H.Size = sizeof(TDibInfoHeader);
    H.Width = Width;
    H.Height = Height;
    H.Planes = 1;
    H.BitCount = static_cast<uint16_t>(Bits);
    H.Compression = 0;
    FBytesPerLine = static_cast<int32_t>(LineBytes);
    H.SizeImage = static_cast<uint32_t>(LineBytes * Height);
    H.ClrImportant = 0;
    if (Format != ifTrueColor) {
        // More entries than the pixels can address would let the converter hand out indexes
        // that spill into the neighbouring pixel.
        const uint32_t Count = std::min<uint32_t>(Palette->NumEntries, 1u << Bits);
        H.ClrUsed = Count;
        FLogPalette.Version = 0x300;
        FLogPalette.NumEntries = static_cast<uint16_t>(Count);
        for (uint32_t I = 0; I < Count; ++I) {
            const TPaletteEntry& E = Palette->Entries[I];
            FInfo.Colors[I] = TRgbQuad{E.Blue, E.Green, E.Red, 0};
            FLogPalette.Entries[I] = E;
        }
    }
    SetXDpi(DpiX != 0 ? DpiX : ScreenDpi(true));
    SetYDpi(DpiY != 0 ? DpiY : ScreenDpi(false));

    if (Keep) {
        TScopeExit FreeOnFailure([this] { FreeImage(); });
        RenewPixels();
        FreeOnFailure.Dismiss();
        // The new picture starts zeroed like a fresh one; a reader that writes every pixel
        // byte leaves only the padding to clear.
        const size_t PixelBytes = size_t((int64_t(Width) * Bits + 7) / 8);
        if (!EveryRowPromised)
            std::memset(FBits, 0, H.SizeImage);
        else if (PixelBytes < size_t(FBytesPerLine))
            for (int32_t Y = 0; Y < Height; ++Y)
                std::memset(FBits + size_t(Y) * size_t(FBytesPerLine) + PixelBytes, 0,
                            size_t(FBytesPerLine) - PixelBytes);
    } else
        FBits = AllocatePixels();
    if (Format != ifTrueColor)
        FConverter = std::make_unique<TRgbToPaletteConverter>(&FLogPalette);
}

bool TDibGraphic::AssignNothingOrDib(TPersistent* Source)
{
    auto* Dib = dynamic_cast<TDibGraphic*>(Source);
    if (Source && !Dib)
        return false;
    AssignDib(Dib);
    return true;
}

void TDibGraphic::AssignDib(const TDibGraphic* Source)
{
    // A picture assigned to itself stays as it is.
    if (Source == this)
        return;
    FreeImage();
    if (!Source || Source->GetWidth() <= 0 || Source->GetHeight() <= 0 || Source->GetEmpty())
        return;
    Source->FlushCanvas();
    const int32_t XDpi = Source->GetXDpi(), YDpi = Source->GetYDpi();
    NewImage(Source->GetWidth(), Source->GetHeight(), Source->FImageFormat,
             Source->FImageFormat == ifTrueColor ? nullptr : &Source->FLogPalette, XDpi, YDpi);
    // A resolution of 0 stays 0 rather than becoming the screen's.
    SetXDpi(XDpi);
    SetYDpi(YDpi);
    FFrameInterval = Source->FFrameInterval;
    std::memcpy(FBits, Source->FBits, static_cast<size_t>(FBytesPerLine) * static_cast<size_t>(GetHeight()));
}

void TDibGraphic::ClearRows(int32_t From)
{
    for (int32_t Y = std::max(From, 0); Y < GetHeight(); ++Y)
        std::memset(ScanLine(Y), 0, size_t(FBytesPerLine));
}

void TDibGraphic::CheckPixel(int32_t X, int32_t Y) const
{
    if (!FBits || X < 0 || Y < 0 || X >= GetWidth() || Y >= GetHeight())
        throw EDidodazaError("Pixel position out of range");
}

uint8_t* TDibGraphic::ScanLine(int32_t Y)
{
    CheckPixel(0, Y);
    return FBits + static_cast<size_t>(GetHeight() - Y - 1) * static_cast<size_t>(FBytesPerLine);
}

const uint8_t* TDibGraphic::ScanLine(int32_t Y) const { return const_cast<TDibGraphic*>(this)->ScanLine(Y); }

uint8_t TDibGraphic::GetPixelIndex(int32_t X, int32_t Y) const
{
    if (FImageFormat == ifTrueColor)
        throw EDidodazaError("The image does not have a palette");
    CheckPixel(X, Y);
    const uint8_t* Row = ScanLine(Y);
    switch (FInfo.Header.BitCount) {
    case 1: return (Row[X >> 3] >> (7 - (X & 7))) & 1;
    case 4: return (X & 1) ? (Row[X >> 1] & 0x0F) : (Row[X >> 1] >> 4);
    default: return Row[X];
    }
}

void TDibGraphic::SetPixelIndex(int32_t X, int32_t Y, uint8_t Index)
{
    if (FImageFormat == ifTrueColor)
        throw EDidodazaError("The image does not have a palette");
    CheckPixel(X, Y);
    uint8_t* Row = ScanLine(Y);
    switch (FInfo.Header.BitCount) {
    case 1: {
        const uint8_t Mask = static_cast<uint8_t>(0x80 >> (X & 7));
        Row[X >> 3] = (Index & 1) ? (Row[X >> 3] | Mask) : (Row[X >> 3] & ~Mask);
        break;
    }
    case 4:
        if (X & 1)
            Row[X >> 1] = static_cast<uint8_t>((Row[X >> 1] & 0xF0) | (Index & 0x0F));
        else
            Row[X >> 1] = static_cast<uint8_t>((Row[X >> 1] & 0x0F) | ((Index & 0x0F) << 4));
        break;
    default: Row[X] = Index; break;
    }
}

uint32_t TDibGraphic::GetPixelColor(int32_t X, int32_t Y) const
{
    CheckPixel(X, Y);
    if (FImageFormat == ifTrueColor) {
        const uint8_t* P = ScanLine(Y) + X * 3;
        return PackRgb(P[2], P[1], P[0]);
    }
    const uint8_t Index = GetPixelIndex(X, Y);
    if (Index >= FLogPalette.NumEntries)
        return 0;
    const TPaletteEntry& E = FLogPalette.Entries[Index];
    return PackRgb(E.Red, E.Green, E.Blue);
}

void TDibGraphic::SetPixelColor(int32_t X, int32_t Y, uint32_t Color)
{
    CheckPixel(X, Y);
    if (FImageFormat == ifTrueColor) {
        uint8_t* P = ScanLine(Y) + X * 3;
        P[0] = Color & 0xFF;
        P[1] = (Color >> 8) & 0xFF;
        P[2] = (Color >> 16) & 0xFF;
        return;
    }
    SetPixelIndex(X, Y, static_cast<uint8_t>(FConverter->NearestIndex(Color & 0xFFFFFF)));
}

void TDibGraphic::Fill(uint32_t Color)
{
    if (GetEmpty())
        return;
    const int32_t W = GetWidth();
    for (int32_t X = 0; X < W; ++X)
        SetPixelColor(X, 0, Color);
    const uint8_t* Row0 = ScanLine(0);
    for (int32_t Y = 1; Y < GetHeight(); ++Y)
        std::memcpy(ScanLine(Y), Row0, static_cast<size_t>(FBytesPerLine));
}

namespace {
int32_t DpiToPels(int32_t Dpi)
{
    if (Dpi < 0)
        Dpi = 0;
    if (Dpi > 65535)
        Dpi = 65535;
    return static_cast<int32_t>(std::lround(Dpi * kPelsPerInch));
}
int32_t PelsToDpi(int32_t Pels) { return static_cast<int32_t>(std::lround(Pels / kPelsPerInch)); }
} // namespace

int32_t TDibGraphic::GetXDpi() const { return PelsToDpi(FInfo.Header.XPelsPerMeter); }
void TDibGraphic::SetXDpi(int32_t Value) { FInfo.Header.XPelsPerMeter = DpiToPels(Value); }
int32_t TDibGraphic::GetYDpi() const { return PelsToDpi(FInfo.Header.YPelsPerMeter); }
void TDibGraphic::SetYDpi(int32_t Value) { FInfo.Header.YPelsPerMeter = DpiToPels(Value); }

void TDibGraphic::CheckFrameIndex(int32_t Index) const
{
    if (Index < 1 || Index > GetFrameCount())
        throw EDidodazaError(Format("Frame %d does not exist", Index));
}

TDibGraphic* TDibGraphic::GetFrame(int32_t Index) const
{
    CheckFrameIndex(Index);
    return FFrames[static_cast<size_t>(Index - 1)].get();
}

void TDibGraphic::SetCurrentFrame(int32_t Index)
{
    CheckFrameIndex(Index);
    if (Index == FCurrentFrame)
        return;
    Assign(FFrames[static_cast<size_t>(Index - 1)].get());
    Changed(this);
    ServeFrameChange();
    FCurrentFrame = Index;
}

void TDibGraphic::LoadFromStream(TStream* Stream)
{
    const bool WasAnimating = FAnimate;
    SetAnimate(false);
    TScopeExit Resume([this, WasAnimating] { SetAnimate(WasAnimating); });
    if (FLoadAllImages) {
        const int64_t Start = Stream->GetPosition();
        const int32_t Count = GetStreamImageCount(Stream);
        if (Count <= 1) {
            FLoadAllImages = false;
            Stream->SetPosition(Start);
        } else {
            // Built aside so a failure leaves the earlier frames whole.
            std::vector<std::unique_ptr<TDibGraphic>> Frames;
            for (int32_t Index = 1; Index <= Count; ++Index) {
                std::unique_ptr<TDibGraphic> Frame = CreateNew();
                if (!Frame || Frame->ClassName() != ClassName())
                    throw EDidodazaError(Format("%s does not make frames of its own class", ClassName()));
                Stream->SetPosition(Start);
                Frame->LoadImageFromStream(Stream, Index);
                Frames.push_back(std::move(Frame));
            }
            FFrames = std::move(Frames);
            FCurrentFrame = -1;
            SetCurrentFrame(1);
        }
    }
    if (!FLoadAllImages) {
        // Frames of an earlier file would otherwise go on animating over this one.
        FFrames.clear();
        FCurrentFrame = -1;
        LoadImageFromStream(Stream, FImageIndex);
    }
}

// ---------------------------------------------------------------------------------------------
// Registry

void AddDibGraphicClass(const std::string& Extension, const TDibGraphicClass& Class)
{
    std::string Ext = UpperCase(Extension);
    if (!Ext.empty() && Ext[0] == '.')
        Ext.erase(0, 1);
    std::lock_guard<std::mutex> Lock(gRegistryLock);
    gRegistry.push_back(TRegistryEntry{Ext, Class});
}

TDibGraphicClass FindDibGraphicClass(const std::string& FileName)
{
    std::string Ext = ExtractFileExt(FileName);
    Ext = Ext.empty() ? FileName : Ext.substr(1);
    Ext = UpperCase(Ext);
    std::lock_guard<std::mutex> Lock(gRegistryLock);
    for (const TRegistryEntry& E : gRegistry)
        if (E.Extension == Ext)
            return E.Class;
    return {};
}

std::unique_ptr<TDibGraphic> CreateGraphicForFile(const std::string& FileName)
{
    const TDibGraphicClass Class = FindDibGraphicClass(FileName);
    if (!Class)
        throw EDidodazaError(
            Format("Graphic files of %s format are not supported or not registered", ExtractFileExt(FileName)));
    return Class.Create();
}

std::vector<std::string> RegisteredDibExtensions()
{
    std::lock_guard<std::mutex> Lock(gRegistryLock);
    std::vector<std::string> Result;
    for (const TRegistryEntry& E : gRegistry)
        Result.push_back(E.Extension);
    return Result;
}

std::vector<std::string> ClearDibGraphicClasses()
{
    std::lock_guard<std::mutex> Lock(gRegistryLock);
    std::vector<std::string> Names;
    for (const TRegistryEntry& E : gRegistry)
        Names.push_back(E.Class.ClassName);
    gRegistry.clear();
    return Names;
}

// ---------------------------------------------------------------------------------------------
// Hooks

void SetIconStreamWriter(TIconStreamWriter Writer)
{
    std::lock_guard<std::mutex> Lock(gHookLock);
    gIconWriterHook = std::move(Writer);
}

TIconStreamWriter GetIconStreamWriter()
{
    std::lock_guard<std::mutex> Lock(gHookLock);
    return gIconWriterHook;
}

void SetAnnotationTextReader(TAnnotationTextReader Reader)
{
    std::lock_guard<std::mutex> Lock(gHookLock);
    gAnnotationHook = std::move(Reader);
}

std::string AnnotationTextOf(TDibGraphic* Picture)
{
    TAnnotationTextReader Reader;
    {
        std::lock_guard<std::mutex> Lock(gHookLock);
        Reader = gAnnotationHook;
    }
    return Reader && Picture ? Reader(Picture) : std::string();
}
