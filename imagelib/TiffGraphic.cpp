// TTiffGraphic. libtiff reports by return codes; every one is checked here and turned into an
// exception only after the libtiff call has returned.
#include "imagelib/TiffGraphic.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <thread>
#include <vector>

#include "imagelib/ImgMisc.h"
#include "imagelib/ImgTransf.h"
#include "imagelib/TiffGlue.h"
#include "platform/rtl/Stream.h"

const TTiffStringTag kTiffStringTags[9] = {
    {TIFFTAG_DOCUMENTNAME, &TTiffGraphic::DocumentName, "DocumentName"},
    {TIFFTAG_IMAGEDESCRIPTION, &TTiffGraphic::ImageDescription, "ImageDescription"},
    {TIFFTAG_MAKE, &TTiffGraphic::Make, "Make"},
    {TIFFTAG_MODEL, &TTiffGraphic::Model, "Model"},
    {TIFFTAG_PAGENAME, &TTiffGraphic::PageName, "PageName"},
    {TIFFTAG_SOFTWARE, &TTiffGraphic::Software, "Software"},
    {TIFFTAG_DATETIME, &TTiffGraphic::DateTime, "DateTime"},
    {TIFFTAG_ARTIST, &TTiffGraphic::Artist, "Artist"},
    {TIFFTAG_HOSTCOMPUTER, &TTiffGraphic::HostComputer, "HostComputer"},
};

namespace {

// Pages with at least this many decoded bytes are read by several threads, at most this many.
constexpr uint64_t kParallelStripBytes = 1 << 20;
constexpr uint32_t kMaxStripReaders = 4;

[[noreturn]] void TiffFail(const std::string& Text) { throw ETiffError("ETiffError " + Text); }

bool IsCcitt(uint32_t Compression)
{
    return Compression == COMPRESSION_CCITTRLE || Compression == COMPRESSION_CCITTFAX3 ||
           Compression == COMPRESSION_CCITTFAX4 || Compression == COMPRESSION_CCITTRLEW;
}

void SetIntField(TIFF* Tiff, uint32_t Tag, uint32_t Value)
{
    if (!TIFFSetField(Tiff, Tag, Value))
        TiffFail("TIFFSetIntField: Tag = " + std::to_string(Tag));
}

void SetFloatField(TIFF* Tiff, uint32_t Tag, double Value)
{
    // Rational fields take a double through the varargs.
    if (!TIFFSetField(Tiff, Tag, Value))
        TiffFail("TIFFSetFloatField: Tag = " + std::to_string(Tag));
}

void SetStringField(TIFF* Tiff, uint32_t Tag, const std::string& Value)
{
    if (!TIFFSetField(Tiff, Tag, Value.c_str()))
        TiffFail("TIFFSetField: Tag = " + std::to_string(Tag));
}

std::string GetStringField(TIFF* Tiff, uint32_t Tag)
{
    char* Text = nullptr;
    if (TIFFGetField(Tiff, Tag, &Text) && Text)
        return Text;
    return std::string();
}

void FillGreyRamp(TDibLogPalette& Palette, int32_t Count)
{
    Palette.Version = 0x300;
    Palette.NumEntries = static_cast<uint16_t>(Count);
    for (int32_t I = 0; I < Count; ++I) {
        const auto V = static_cast<uint8_t>(I * 255 / (Count - 1));
        Palette.Entries[I] = TPaletteEntry{V, V, V, 0};
    }
}

// The file's colour map, at most 256 entries; for 16-bit indexes entry h is the file's h x 256.
void ReadColormap(TIFF* Tiff, uint32_t BitsPerSample, TDibLogPalette& Palette)
{
    uint16_t *Red = nullptr, *Green = nullptr, *Blue = nullptr;
    if (!TIFFGetField(Tiff, TIFFTAG_COLORMAP, &Red, &Green, &Blue) || !Red || !Green || !Blue)
        TiffFail("TIFFGetField: Tag = 320");
    const uint32_t FileEntries = 1u << std::min<uint32_t>(BitsPerSample, 16);
    const uint32_t Step = BitsPerSample > 8 ? 1u << (BitsPerSample - 8) : 1;
    const uint32_t Count = std::min<uint32_t>(FileEntries, 256);
    bool EightBit = true;
    for (uint32_t I = 0; I < FileEntries && EightBit; ++I)
        EightBit = Red[I] < 256 && Green[I] < 256 && Blue[I] < 256;
    auto Scale = [EightBit](uint16_t V) -> uint8_t {
        if (EightBit)
            return static_cast<uint8_t>(V);
        return static_cast<uint8_t>(std::min<uint32_t>(uint32_t(V) * 256 / 65535, 255));
    };
    Palette.Version = 0x300;
    Palette.NumEntries = static_cast<uint16_t>(Count);
    for (uint32_t I = 0; I < Count; ++I) {
        const uint32_t F = I * Step;
        Palette.Entries[I] = TPaletteEntry{Scale(Red[F]), Scale(Green[F]), Scale(Blue[F]), 0};
    }
}

// Arrays of 2^BitsPerSample entries, zero beyond the palette: libtiff reads that many.
void WriteColormap(TIFF* Tiff, const TDibLogPalette* Palette, uint32_t BitsPerSample)
{
    const uint32_t Entries = 1u << BitsPerSample;
    std::vector<uint16_t> Red(Entries), Green(Entries), Blue(Entries);
    const uint32_t Count = std::min<uint32_t>(Palette->NumEntries, Entries);
    for (uint32_t I = 0; I < Count; ++I) {
        Red[I] = static_cast<uint16_t>(Palette->Entries[I].Red * 256);
        Green[I] = static_cast<uint16_t>(Palette->Entries[I].Green * 256);
        Blue[I] = static_cast<uint16_t>(Palette->Entries[I].Blue * 256);
    }
    if (!TIFFSetField(Tiff, TIFFTAG_COLORMAP, Red.data(), Green.data(), Blue.data()))
        TiffFail("TIFFSetColormap");
}

TiffCompression CompressionFromTag(TIFF* Tiff, uint32_t Tag)
{
    switch (Tag) {
    case COMPRESSION_NONE: return 0;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW: return 2;
    case COMPRESSION_CCITTFAX3: {
        uint32_t Options = 0;
        return TIFFGetField(Tiff, TIFFTAG_GROUP3OPTIONS, &Options) && (Options & 1) ? 3 : 2;
    }
    case COMPRESSION_CCITTFAX4: return 4;
    case COMPRESSION_JPEG: return 6;
    case COMPRESSION_PACKBITS: return 1;
    // Other writers use Adobe's number for the same Deflate coding.
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE: return 5;
    default: TiffFail("Unsupported compression tag, " + std::to_string(Tag));
    }
}

// Copies Count 3-byte pixels with their first and third bytes exchanged (TIFF's RGB to the
// picture's BGR and back); Src may be Dst. Four pixels at a time as three 32-bit words, which
// are assembled from bytes, so the byte order of the machine does not matter.
void ExchangeRedBlue(const uint8_t* Src, uint8_t* Dst, int32_t Count)
{
    auto Load = [](const uint8_t* B) {
        return uint32_t(B[0]) | uint32_t(B[1]) << 8 | uint32_t(B[2]) << 16 | uint32_t(B[3]) << 24;
    };
    auto Store = [](uint8_t* B, uint32_t W) {
        B[0] = uint8_t(W);
        B[1] = uint8_t(W >> 8);
        B[2] = uint8_t(W >> 16);
        B[3] = uint8_t(W >> 24);
    };
    int32_t I = 0;
    for (; I + 4 <= Count; I += 4, Src += 12, Dst += 12) {
        const uint32_t W0 = Load(Src), W1 = Load(Src + 4), W2 = Load(Src + 8);
        Store(Dst, ((W0 >> 16) & 0xFF) | (W0 & 0xFF00) | ((W0 & 0xFF) << 16) | (((W1 >> 8) & 0xFF) << 24));
        Store(Dst + 4, (W1 & 0xFF) | ((W0 >> 24) << 8) | ((W2 & 0xFF) << 16) | (W1 & 0xFF000000u));
        Store(Dst + 8, ((W1 >> 16) & 0xFF) | ((W2 >> 24) << 8) | (W2 & 0xFF0000) | (((W2 >> 8) & 0xFF) << 24));
    }
    for (; I < Count; ++I, Src += 3, Dst += 3) {
        const uint8_t R = Src[0];
        Dst[1] = Src[1];
        Dst[0] = Src[2];
        Dst[2] = R;
    }
}

// A read-only stream over bytes someone else owns: each strip reader opens the file on its own.
class TByteView : public TStream {
public:
    TByteView(const uint8_t* Bytes, int64_t Size) : FBytes(Bytes), FSize(Size) {}
    std::string ClassName() const override { return "TByteView"; }
    int32_t Read(void* Buffer, int32_t Count) override
    {
        const int64_t N = std::clamp<int64_t>(FSize - FPosition, 0, std::max(Count, 0));
        std::memcpy(Buffer, FBytes + FPosition, static_cast<size_t>(N));
        FPosition += N;
        return static_cast<int32_t>(N);
    }
    int32_t Write(const void*, int32_t) override { return 0; }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override
    {
        const int64_t Base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPosition : FSize;
        if (Base + Offset < 0)
            throw EStreamError("Invalid stream position");
        FPosition = Base + Offset;
        return FPosition;
    }
    int64_t GetSize() override { return FSize; }

private:
    const uint8_t* FBytes = nullptr;
    int64_t FSize;
    int64_t FPosition = 0;
};

// A page read strip by strip, shared by the calling thread and its helpers. Every strip fills
// rows of its own, so the readers never write the same memory; each has its own TIFF handle.
struct TStripPage {
    const uint8_t* Bytes = nullptr; // the whole file in memory, for the helpers' own handles
    int64_t Size;
    tdir_t Directory;
    uint32_t Height;
    uint32_t StripRows;
    tmsize_t ScanlineSize;
    int32_t Width;
    bool TrueColor;
    size_t Copy; // bytes of a scanline that go into a palette row
    std::vector<uint8_t*> Rows; // picture rows from the top
    std::atomic<uint32_t> Next{0}; // the next strip to take, counted from the top
    std::atomic<bool> Failed{false};
};

// Takes strips until none are left: decode, then rows into the picture (red and blue exchanged
// for true colour). Progress is reported through Report, when given, after each strip. False
// when a strip failed (the page has failed for every reader then).
bool ReadStripRun(TIFF* Tiff, TStripPage& Page, std::vector<uint8_t>& Buffer,
                  const std::function<void(uint32_t Row)>& Report)
{
    const uint32_t Strips = TIFFNumberOfStrips(Tiff);
    for (;;) {
        if (Page.Failed)
            return false;
        const uint64_t R = uint64_t(Page.Next++) * Page.StripRows;
        if (R >= Page.Height)
            return true;
        const uint32_t Rows = std::min<uint32_t>(Page.StripRows, Page.Height - uint32_t(R));
        const uint32_t Strip = TIFFComputeStrip(Tiff, uint32_t(R), 0);
        if (Strip >= Strips ||
            TIFFReadEncodedStrip(Tiff, Strip, Buffer.data(), tmsize_t(Rows) * Page.ScanlineSize) < 0) {
            Page.Failed = true;
            return false;
        }
        for (uint32_t I = 0; I < Rows; ++I) {
            const uint8_t* Src = Buffer.data() + size_t(I) * size_t(Page.ScanlineSize);
            uint8_t* Row = Page.Rows[size_t(R) + I];
            if (Page.TrueColor)
                ExchangeRedBlue(Src, Row, Page.Width);
            else
                std::memcpy(Row, Src, Page.Copy);
        }
        if (Report)
            Report(uint32_t(R));
    }
}

// A helper's whole run. A helper that cannot start (no memory, no handle) just takes no strips;
// nothing it meets may leave the thread.
void StripHelper(TStripPage* Page, size_t BufferBytes) noexcept
{
    try {
        TByteView View(Page->Bytes, Page->Size);
        TTiffHandle Handle(TiffStreamOpen(&View, "r"));
        if (!Handle || !TIFFSetDirectory(Handle.Get(), Page->Directory))
            return;
        std::vector<uint8_t> Buffer(BufferBytes);
        ReadStripRun(Handle.Get(), *Page, Buffer, nullptr);
    } catch (...) {
        // Nothing may leave a thread's entry.
    }
}

// A memory copy of Stream from its position on, or Stream itself at position 0.
TStream* StreamFromStart(TStream* Stream, TMemoryStream& Copy)
{
    const int64_t Position = Stream->GetPosition();
    if (Position == 0)
        return Stream;
    Copy.CopyFrom(Stream, Stream->GetSize() - Position);
    Copy.SetPosition(0);
    return &Copy;
}

int32_t CountDirectories(TIFF* Tiff)
{
    if (!TIFFSetDirectory(Tiff, 0))
        return 0;
    int32_t Count = 1;
    // libtiff refuses a directory chain that loops; the cap is for anything else.
    while (Count < 65535 && TIFFReadDirectory(Tiff))
        ++Count;
    return Count;
}

} // namespace

std::string CompressionName(int32_t Value)
{
    static const char* const Names[kTiffCompressionCount] = {
        "None", "Packbits", "CCITT Group 3, 1D", "CCITT Group 3, 2D", "CCITT Group 4", "ZLib", "JPEG"};
    return Value >= 0 && Value < kTiffCompressionCount ? Names[Value] : "Unknown";
}

TTiffGraphic::TTiffGraphic() : FCustomTags(kUserTagCount)
{
    FCustomTags[0].ReadEnabled = true;
    FCustomTags[0].WriteEnabled = true;
}

std::unique_ptr<TDibGraphic> TTiffGraphic::CreateNew() const { return std::make_unique<TTiffGraphic>(); }

void TTiffGraphic::Assign(TPersistent* Source)
{
    TDibGraphic::Assign(Source);
    if (auto* Tiff = dynamic_cast<TTiffGraphic*>(Source))
        FRowsPerStrip = Tiff->FRowsPerStrip;
}

void TTiffGraphic::NewImage(int32_t Width, int32_t Height, ImageFormat Format, const TDibLogPalette* Palette,
                            int32_t DpiX, int32_t DpiY)
{
    TDibGraphic::NewImage(Width, Height, Format, Palette, DpiX, DpiY);
    FCompression = Format == ifBlackWhite ? 4 : 1;
}

bool TTiffGraphic::CompressionAllowed(TiffCompression Value) const
{
    switch (GetImageFormat()) {
    case ifBlackWhite: return Value <= 5;
    case ifGray16:
    case ifColor16:
    case ifColor256: return Value == 0 || Value == 1 || Value == 5;
    default: return Value == 0 || Value == 1 || Value == 5 || Value == 6;
    }
}

void TTiffGraphic::SetCompression(TiffCompression Value)
{
    if (!CompressionAllowed(Value))
        throw EDidodazaError(CompressionName(Value) + " compression not supported with " +
                             ImageFormatName(GetImageFormat()) + " images");
    FCompression = Value;
}

TCustomTiffTag& TTiffGraphic::CustomTag(int32_t Slot)
{
    if (Slot < 0 || Slot >= kUserTagCount)
        throw EDidodazaError("Invalid user tag slot");
    return FCustomTags[static_cast<size_t>(Slot)];
}

const TCustomTiffTag& TTiffGraphic::CustomTag(int32_t Slot) const
{
    return const_cast<TTiffGraphic*>(this)->CustomTag(Slot);
}

std::string TTiffGraphic::GetAnnotations() const { return FCustomTags[0].Text; }

void TTiffGraphic::ReadTextTags(TIFF* Tiff)
{
    for (int32_t I = 0; I < kUserTagCount; ++I) {
        TCustomTiffTag& Tag = FCustomTags[static_cast<size_t>(I)];
        Tag.Text = Tag.ReadEnabled ? GetStringField(Tiff, UserTagNumber(I)) : std::string();
    }
    for (const TTiffStringTag& S : kTiffStringTags)
        this->*S.Field = GetStringField(Tiff, S.Tag);
}

void TTiffGraphic::WriteTextTags(TIFF* Tiff)
{
    for (int32_t I = 0; I < kUserTagCount; ++I) {
        const TCustomTiffTag& Tag = FCustomTags[static_cast<size_t>(I)];
        if (Tag.WriteEnabled)
            SetStringField(Tiff, UserTagNumber(I), Tag.Text);
    }
    for (const TTiffStringTag& S : kTiffStringTags)
        if (!(this->*S.Field).empty())
            SetStringField(Tiff, S.Tag, this->*S.Field);
    if (Software.empty())
        SetStringField(Tiff, TIFFTAG_SOFTWARE, "Didodaza Image Library");
    if (DateTime.empty()) {
        // TIFF wants colons here whatever the locale's time separator is.
        uint16_t Y, Mo, D, H, Mi, S, Ms;
        DecodeDateTime(Now(), Y, Mo, D, H, Mi, S, Ms);
        char Text[64];
        std::snprintf(Text, sizeof(Text), "%04u:%02u:%02u %02u:%02u:%02u", unsigned(Y), unsigned(Mo), unsigned(D),
                      unsigned(H), unsigned(Mi), unsigned(S));
        SetStringField(Tiff, TIFFTAG_DATETIME, Text);
    }
}

bool TTiffGraphic::CanLoadStream(TStream* Stream)
{
    uint8_t Head[4] = {0, 0, 0, 0};
    const int32_t Got = Stream->Read(Head, 4);
    if (Got > 0)
        Stream->Seek(-Got, soCurrent);
    if (Got < 4)
        return false;
    return (Head[0] == 0x4D && Head[1] == 0x4D && Head[2] == 0x00 && Head[3] == 0x2A) ||
           (Head[0] == 0x49 && Head[1] == 0x49 && Head[2] == 0x2A && Head[3] == 0x00);
}

int32_t TTiffGraphic::GetStreamImageCount(TStream* Stream)
{
    const int64_t Start = Stream->GetPosition();
    TMemoryStream Copy;
    TStream* Source = StreamFromStart(Stream, Copy);
    TTiffHandle Tiff(TiffStreamOpen(Source, "r"));
    if (!Tiff)
        TiffFail("TIFFOpen");
    const int32_t Count = CountDirectories(Tiff.Get());
    Stream->SetPosition(Start);
    return Count;
}

void TTiffGraphic::LoadImageFromStream(TStream* Stream, int32_t Index)
{
    uint8_t LastPercent = NotifyProgress(this, 0, 0, 255, 100, OnProgress);
    TMemoryStream Copy;
    TStream* Source = StreamFromStart(Stream, Copy);
    Source->SetPosition(0);
    LoadTiffPage(Source, Index, LastPercent);
    NotifyProgress(this, 100, 0, LastPercent, 100, OnProgress);
}

void TTiffGraphic::SaveToStream(TStream* Stream)
{
    if (Stream->GetPosition() != 0) {
        TMemoryStream Temporary;
        SaveTiff(&Temporary, "w");
        Temporary.SetPosition(0);
        Stream->CopyFrom(&Temporary, Temporary.GetSize());
    } else
        SaveTiff(Stream, "w");
}

void TTiffGraphic::AppendImageToStream(TStream* Stream)
{
    if (Stream->GetSize() == 0) {
        SaveToStream(Stream);
        return;
    }
    Stream->SetPosition(0);
    SaveTiff(Stream, "a");
}

void TTiffGraphic::LoadTiffPage(TStream* Stream, int32_t Index, uint8_t& LastPercent)
{
    TiffClearLastMessage();
    TTiffHandle Handle(TiffStreamOpen(Stream, "r"));
    if (!Handle)
        TiffFail("TIFFOpen");
    TIFF* Tiff = Handle.Get();
    if (Index < 1 || !TIFFSetDirectory(Tiff, static_cast<tdir_t>(Index - 1)))
        TiffFail("TIFFSetDirectory");

    uint32_t Width = 0, Height = 0;
    TIFFGetField(Tiff, TIFFTAG_IMAGEWIDTH, &Width);
    TIFFGetField(Tiff, TIFFTAG_IMAGELENGTH, &Height);
    uint16_t Photometric = 0, Compression = COMPRESSION_NONE, BitsPerSample = 0, Planar = PLANARCONFIG_CONTIG;
    uint16_t Unit = RESUNIT_INCH, Samples = 1;
    TIFFGetField(Tiff, TIFFTAG_PHOTOMETRIC, &Photometric);
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_COMPRESSION, &Compression);
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_PLANARCONFIG, &Planar);
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_SAMPLESPERPIXEL, &Samples);
    if (!TIFFGetField(Tiff, TIFFTAG_RESOLUTIONUNIT, &Unit))
        Unit = RESUNIT_INCH;
    if (!TIFFGetField(Tiff, TIFFTAG_BITSPERSAMPLE, &BitsPerSample)) {
        // TIFF's own default is 1 (bilevel writers leave the tag out); for several samples
        // a missing size is a broken file.
        if (!IsCcitt(Compression) && Samples != 1)
            TiffFail("Bits per sample not specified");
        BitsPerSample = 1;
    }
    float XRes = 0, YRes = 0;
    TIFFGetField(Tiff, TIFFTAG_XRESOLUTION, &XRes);
    TIFFGetField(Tiff, TIFFTAG_YRESOLUTION, &YRes);
    auto Dpi = [Unit](float Value) -> int32_t {
        double D = Unit == RESUNIT_CENTIMETER ? Value * 2.54 : Value;
        if (!(D > 0) || D > 65535)
            return D > 65535 ? 65535 : 0;
        return static_cast<int32_t>(std::lround(D));
    };
    const int32_t XDpi = Dpi(XRes), YDpi = Dpi(YRes);

    if (Compression == COMPRESSION_LZW)
        RaiseLzwNotSupported();

    if (Width == 0 || Height == 0 || Width > 0x7FFFFFFF || Height > 0x7FFFFFFF ||
        uint64_t(Width) * Height > (uint64_t(1) << 32) / 4)
        throw EDidodazaError("Invalid image dimensions");

    const tmsize_t ScanlineSize = TIFFScanlineSize(Tiff);
    const bool Tiled = TIFFIsTiled(Tiff) != 0;
    const int32_t SamplesFromLine =
        std::max<int32_t>(1, static_cast<int32_t>(std::lround(double(ScanlineSize) / double(Width))));
    // In 64 bits: both factors come from the file and their product can pass 2^31.
    const int64_t PixelBits = int64_t(BitsPerSample) * SamplesFromLine;

    // The picture's layout and palette.
    ImageFormat Format = ifTrueColor;
    TDibLogPalette Palette{};
    bool HasPalette = true;
    bool Invert = false;
    if (Photometric == PHOTOMETRIC_PALETTE) {
        Format = BitsPerSample <= 4 ? ifColor16 : ifColor256;
        if (BitsPerSample > 16)
            TiffFail("Unsupported bits per sample, " + std::to_string(BitsPerSample));
        ReadColormap(Tiff, BitsPerSample, Palette);
    } else if (BitsPerSample == 1 && (Photometric == 0 || Photometric == 1)) {
        Format = ifBlackWhite;
        FillGreyRamp(Palette, 2);
        Invert = Photometric == 0;
    } else if (BitsPerSample == 4 && (Photometric == 0 || Photometric == 1)) {
        Format = ifGray16;
        FillGreyRamp(Palette, 16);
        Invert = Photometric == 0;
    } else if ((BitsPerSample == 8 || BitsPerSample == 16) && (Photometric == 0 || Photometric == 1)) {
        Format = ifGray256;
        FillGreyRamp(Palette, 256);
        Invert = Photometric == 0;
    } else
        HasPalette = false;
    if (Format != ifTrueColor && Samples != 1) {
        // Extra samples (alpha) beside grey: RGBA reading composes them.
        Format = ifTrueColor;
        HasPalette = false;
        Invert = false;
    }

    // Which reader; strip and CCITT rows only when a scanline is exactly one picture row.
    enum { pathStrips, pathCcitt, path16, pathTiles, pathRgba } Path;
    const int64_t RowBytes = (int64_t(Width) * BitsPerPixel(Format) + 7) / 8;
    const bool RowsAgree = ScanlineSize == RowBytes;
    // Plain tiles are read here: libtiff 4.5's RGBA reader refuses valid uncompressed tiles.
    const bool PlainTiles = Tiled && Planar == PLANARCONFIG_CONTIG && Compression != COMPRESSION_JPEG &&
                            Photometric <= PHOTOMETRIC_PALETTE &&
                            ((Format == ifTrueColor && Photometric == PHOTOMETRIC_RGB && Samples == 3 &&
                              BitsPerSample == 8) ||
                             (Format != ifTrueColor && Samples == 1 &&
                              BitsPerSample == BitsPerPixel(Format)));
    if (IsCcitt(Compression) && !Tiled && RowsAgree && Format == ifBlackWhite)
        Path = pathCcitt;
    else if (PlainTiles)
        Path = pathTiles;
    else if (BitsPerSample == 16 && Samples == 1 && !Tiled && Planar == PLANARCONFIG_CONTIG &&
             Compression != COMPRESSION_JPEG && (Photometric == 0 || Photometric == 1 || Photometric == 3))
        Path = path16;
    else if (Compression == COMPRESSION_JPEG || Tiled || Photometric == PHOTOMETRIC_SEPARATED ||
             Photometric == PHOTOMETRIC_YCBCR || BitsPerSample > 8 || Planar > PLANARCONFIG_CONTIG ||
             (PixelBits != 1 && PixelBits != 4 && PixelBits != 8 && PixelBits != 24) || !RowsAgree)
        Path = pathRgba;
    else
        Path = pathStrips;
    if (Path == pathRgba) {
        // libtiff's RGBA reader applies the photometric itself; a palette would be lost.
        Invert = false;
        if (Format == ifColor16 || Format == ifColor256) {
            Format = ifTrueColor;
            HasPalette = false;
        }
    }
    if (Path == path16 && Format == ifTrueColor)
        Path = pathRgba;

    NewImage(static_cast<int32_t>(Width), static_cast<int32_t>(Height), Format, HasPalette ? &Palette : nullptr, XDpi,
             YDpi);
    ReadTextTags(Tiff);
    const TiffCompression Mapped = CompressionFromTag(Tiff, Compression);
    // A format/compression pair we would not write still loads; it keeps the format's default.
    const TiffCompression Kept = CompressionAllowed(Mapped) ? Mapped : GetCompression();

    uint32_t FileRows = 0;
    if (TIFFGetField(Tiff, TIFFTAG_ROWSPERSTRIP, &FileRows))
        FRowsPerStrip = static_cast<int32_t>(std::clamp<uint32_t>(FileRows, 1, Height));
    else
        FRowsPerStrip = DefaultRowsPerStrip;
    uint32_t LibRows = 0;
    TIFFGetFieldDefaulted(Tiff, TIFFTAG_ROWSPERSTRIP, &LibRows);
    const uint32_t StripRows = std::clamp<uint32_t>(LibRows, 1, Height);

    const int32_t W = static_cast<int32_t>(Width), H = static_cast<int32_t>(Height);
    switch (Path) {
    case path16: {
        if (ScanlineSize != tmsize_t(Width) * 2)
            TiffFail("TIFFReadScanline");
        std::vector<uint8_t> Line(static_cast<size_t>(ScanlineSize));
        for (int32_t Y = 0; Y < H; ++Y) {
            if (TIFFReadScanline(Tiff, Line.data(), static_cast<uint32_t>(Y), 0) < 0)
                TiffFail("TIFFReadScanline");
            const auto* Samples16 = reinterpret_cast<const uint16_t*>(Line.data());
            uint8_t* Row = ScanLine(Y);
            for (int32_t X = 0; X < W; ++X)
                Row[X] = static_cast<uint8_t>(Samples16[X] >> 8);
            LastPercent = NotifyProgress(this, Y, 0, LastPercent, H - 1, OnProgress);
        }
        break;
    }
    case pathCcitt: {
        // The scanline is exactly one picture row (checked above): decoded in place.
        for (int32_t Y = 0; Y < H; ++Y) {
            if (TIFFReadScanline(Tiff, ScanLine(Y), static_cast<uint32_t>(Y), 0) < 0)
                TiffFail("TIFFReadScanline");
            LastPercent = NotifyProgress(this, Y, 0, LastPercent, H - 1, OnProgress);
        }
        break;
    }
    case pathTiles: {
        uint32_t TileW = 0, TileH = 0;
        TIFFGetField(Tiff, TIFFTAG_TILEWIDTH, &TileW);
        TIFFGetField(Tiff, TIFFTAG_TILELENGTH, &TileH);
        const tmsize_t TileRow = TIFFTileRowSize(Tiff);
        const tmsize_t TileSize = TIFFTileSize(Tiff);
        // The tile's size comes from the file alone; one tile may not need more memory than
        // the largest picture the library accepts.
        if (TileW == 0 || TileH == 0 || TileRow <= 0 || TileSize < tmsize_t(TileH) * TileRow ||
            uint64_t(TileSize) > uint64_t(kMaxPictureBytes))
            TiffFail("TIFFReadTile");
        std::vector<uint8_t> Tile(static_cast<size_t>(TileSize));
        const int32_t Bits = BitsPerPixel(Format);
        for (uint32_t TY = 0; TY < Height; TY += TileH) {
            for (uint32_t TX = 0; TX < Width; TX += TileW) {
                if (TIFFReadTile(Tiff, Tile.data(), TX, TY, 0, 0) < 0)
                    TiffFail("TIFFReadTile");
                const uint32_t Cols = std::min(TileW, Width - TX), Lines = std::min(TileH, Height - TY);
                for (uint32_t I = 0; I < Lines; ++I) {
                    const uint8_t* Src = Tile.data() + size_t(I) * size_t(TileRow);
                    uint8_t* Row = ScanLine(static_cast<int32_t>(TY + I));
                    if (Format == ifTrueColor)
                        for (uint32_t X = 0; X < Cols; ++X) {
                            uint8_t* D = Row + size_t(TX + X) * 3;
                            D[0] = Src[X * 3 + 2];
                            D[1] = Src[X * 3 + 1];
                            D[2] = Src[X * 3];
                        }
                    else {
                        // Tile widths are multiples of 16, so a tile starts on a byte.
                        const size_t Start = size_t(TX) * size_t(Bits) / 8;
                        const size_t Bytes = std::min<size_t>((size_t(Cols) * size_t(Bits) + 7) / 8,
                                                              size_t(BytesPerLine()) - Start);
                        std::memcpy(Row + Start, Src, Bytes);
                    }
                }
            }
            LastPercent = NotifyProgress(this, TY, 0, LastPercent, H, OnProgress);
        }
        break;
    }
    case pathRgba: {
        // The RGBA raster is four bytes a pixel whatever the picture's format, so it can pass
        // the picture cap that NewImage kept; it is held to the same cap on every platform.
        const uint64_t Bytes = uint64_t(Width) * Height * 4;
        if (Bytes > uint64_t(kMaxPictureBytes) || Bytes > SIZE_MAX)
            throw EOutOfMemory("Out of memory");
        std::unique_ptr<uint32_t[]> Raster(new (std::nothrow) uint32_t[uint64_t(Width) * Height]);
        if (!Raster)
            throw EOutOfMemory("Out of memory");
        LastPercent = NotifyProgress(this, 5, 0, LastPercent, 100, OnProgress);
        LastPercent = NotifyProgress(this, 10, 0, LastPercent, 100, OnProgress);
        if (!TIFFReadRGBAImage(Tiff, Width, Height, Raster.get(), 1))
            TiffFail("TIFFReadRGBAImage");
        LastPercent = NotifyProgress(this, 80, 0, LastPercent, 100, OnProgress);
        for (int32_t Y = 0; Y < H; ++Y) {
            // The raster runs bottom-up.
            const uint32_t* Src = Raster.get() + size_t(H - 1 - Y) * Width;
            if (Format == ifTrueColor) {
                uint8_t* Row = ScanLine(Y);
                for (int32_t X = 0; X < W; ++X) {
                    Row[X * 3] = static_cast<uint8_t>(TIFFGetB(Src[X]));
                    Row[X * 3 + 1] = static_cast<uint8_t>(TIFFGetG(Src[X]));
                    Row[X * 3 + 2] = static_cast<uint8_t>(TIFFGetR(Src[X]));
                }
            } else
                for (int32_t X = 0; X < W; ++X)
                    SetPixelColor(X, Y,
                                  PackRgb(static_cast<uint8_t>(TIFFGetR(Src[X])), static_cast<uint8_t>(TIFFGetG(Src[X])),
                                          static_cast<uint8_t>(TIFFGetB(Src[X]))));
        }
        LastPercent = NotifyProgress(this, 90, 0, LastPercent, 100, OnProgress);
        break;
    }
    case pathStrips: {
        // One strip buffer per reader, reused for every strip it takes.
        const int64_t BufferBytes = std::max<int64_t>(TIFFStripSize(Tiff), int64_t(StripRows) * ScanlineSize);
        std::vector<uint8_t> Buffer;
        try {
            Buffer.resize(static_cast<size_t>(BufferBytes));
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory("Out of memory");
        }
        // Inflating a large page is the slow part of reading it; strips decode independently,
        // so helpers with handles of their own share them. They read the file from memory: a
        // file that is not there yet is copied when the page is a good part of it (so the
        // copy costs little beside the decoding; a long multi-page file is read as it is).
        const uint64_t PageBytes = uint64_t(Height) * uint64_t(ScanlineSize);
        const uint32_t StripCount = (Height + StripRows - 1) / StripRows;
        const bool Share =
            PageBytes >= kParallelStripBytes && StripCount >= 2 && std::thread::hardware_concurrency() > 1;
        TStripPage Page;
        TMemoryStream Whole;
        auto* Memory = dynamic_cast<TMemoryStream*>(Stream);
        if (Share && !Memory && Stream->GetSize() <= int64_t(4 * PageBytes)) {
            const int64_t Position = Stream->GetPosition();
            try {
                Stream->SetPosition(0);
                Whole.CopyFrom(Stream, Stream->GetSize());
                Memory = &Whole;
            } catch (const std::exception&) {
                // Then the page is read by this thread alone, from the stream.
            }
            Stream->SetPosition(Position);
        }
        Page.Bytes = Share && Memory ? static_cast<const uint8_t*>(Memory->Memory()) : nullptr;
        Page.Size = Memory ? Memory->GetSize() : 0;
        Page.Directory = static_cast<tdir_t>(Index - 1);
        Page.Height = Height;
        Page.StripRows = StripRows;
        Page.ScanlineSize = ScanlineSize;
        Page.Width = W;
        Page.TrueColor = Format == ifTrueColor;
        Page.Copy = static_cast<size_t>(std::min<int64_t>(RowBytes, BytesPerLine()));
        Page.Rows.resize(Height);
        for (int32_t Y = 0; Y < H; ++Y)
            Page.Rows[size_t(Y)] = ScanLine(Y);
        const uint32_t Helpers =
            Page.Bytes ? std::min<uint32_t>({std::thread::hardware_concurrency(), kMaxStripReaders, StripCount}) - 1 : 0;
        // Helpers are stopped and joined on every way out, a throwing progress handler included.
        struct THelpers {
            TStripPage& Page;
            std::vector<std::thread> Threads;
            ~THelpers()
            {
                // Helpers still running here are on a way out by exception: stop them.
                Page.Failed = true;
                for (std::thread& T : Threads)
                    T.join();
            }
        } Running{Page, {}};
        for (uint32_t I = 0; I < Helpers; ++I) {
            try {
                Running.Threads.emplace_back(StripHelper, &Page, Buffer.size());
            } catch (...) {
                break; // fewer helpers; the strips are taken by whoever runs
            }
        }
        const bool Ok = ReadStripRun(Tiff, Page, Buffer, [&](uint32_t R) {
            LastPercent = NotifyProgress(this, R, 0, LastPercent, H, OnProgress);
        });
        for (std::thread& T : Running.Threads)
            T.join();
        Running.Threads.clear();
        if (!Ok || Page.Failed)
            TiffFail("TIFFReadEncodedStrip");
        break;
    }
    }
    if (Invert) {
        TNegativeTransform Negative;
        Negative.Apply(this);
    }
    FCompression = Kept;
}

void TTiffGraphic::SaveTiff(TStream* Stream, const char* Mode)
{
    if (GetEmpty())
        throw EDidodazaError("Cannot save an empty image");
    uint8_t LastPercent = NotifyProgress(this, 0, 0, 255, 100, OnProgress);
    TTiffHandle Handle(TiffStreamOpen(Stream, Mode));
    if (!Handle)
        TiffFail("TIFFOpen");
    TIFF* Tiff = Handle.Get();
    const ImageFormat Format = GetImageFormat();
    const TiffCompression Kind = CompressionAllowed(FCompression) ? FCompression : (Format == ifBlackWhite ? 4 : 1);

    static const uint16_t Tags[kTiffCompressionCount] = {
        COMPRESSION_NONE,      COMPRESSION_PACKBITS,      COMPRESSION_CCITTFAX3, COMPRESSION_CCITTFAX3,
        COMPRESSION_CCITTFAX4, COMPRESSION_DEFLATE,  COMPRESSION_JPEG};
    SetIntField(Tiff, TIFFTAG_COMPRESSION, Tags[Kind]);
    if (Kind == 2 || Kind == 3)
        SetIntField(Tiff, TIFFTAG_GROUP3OPTIONS, Kind == 3 ? 1 : 0);
    const int32_t Rows = Kind == 6 ? 8 : FRowsPerStrip;
    if (Rows > 0)
        SetIntField(Tiff, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(Rows));
    SetIntField(Tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    WriteTextTags(Tiff);
    SetIntField(Tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    SetFloatField(Tiff, TIFFTAG_XRESOLUTION, GetXDpi());
    SetFloatField(Tiff, TIFFTAG_YRESOLUTION, GetYDpi());
    const int32_t W = GetWidth(), H = GetHeight();
    SetIntField(Tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(W));
    SetIntField(Tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(H));

    bool Complement = false;
    switch (Format) {
    case ifBlackWhite:
        Complement = Kind >= 2 && Kind <= 4;
        SetIntField(Tiff, TIFFTAG_BITSPERSAMPLE, 1);
        SetIntField(Tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
        SetIntField(Tiff, TIFFTAG_PHOTOMETRIC, Complement ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
        break;
    case ifGray16:
    case ifGray256:
        SetIntField(Tiff, TIFFTAG_BITSPERSAMPLE, Format == ifGray16 ? 4 : 8);
        SetIntField(Tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
        SetIntField(Tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        break;
    case ifColor16:
    case ifColor256:
        SetIntField(Tiff, TIFFTAG_BITSPERSAMPLE, Format == ifColor16 ? 4 : 8);
        SetIntField(Tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
        SetIntField(Tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        WriteColormap(Tiff, LogPalette(), Format == ifColor16 ? 4 : 8);
        break;
    case ifTrueColor:
        SetIntField(Tiff, TIFFTAG_BITSPERSAMPLE, 8);
        SetIntField(Tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
        SetIntField(Tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        break;
    }

    // libtiff may change a row in place (predictors, bit filling), so it always gets a copy.
    const size_t RowBytes = static_cast<size_t>((int64_t(W) * BitsPerPixel(Format) + 7) / 8);
    std::vector<uint8_t> Row(static_cast<size_t>(BytesPerLine()));
    for (int32_t Y = 0; Y < H; ++Y) {
        const uint8_t* Src = ScanLine(Y);
        if (Format == ifTrueColor) {
            ExchangeRedBlue(Src, Row.data(), W);
        } else if (Complement)
            for (size_t I = 0; I < RowBytes; ++I)
                Row[I] = static_cast<uint8_t>(~Src[I]);
        else
            std::memcpy(Row.data(), Src, RowBytes);
        if (TIFFWriteScanline(Tiff, Row.data(), static_cast<uint32_t>(Y), 0) < 0)
            TiffFail("TIFFWriteScanLine");
        LastPercent = NotifyProgress(this, Y, 0, LastPercent, H - 1, OnProgress);
    }
    // Close cannot report a failed directory write; this can.
    if (!TIFFWriteDirectory(Tiff))
        TiffFail("TIFFWriteDirectory");
    NotifyProgress(this, 100, 0, LastPercent, 100, OnProgress);
}
