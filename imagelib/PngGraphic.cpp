// PNG reading and writing. Rows go straight between libpng and the DIB (libpng swaps to the
// DIB's BGR order); only 2-bit pictures pass through a buffer, widened to 4 bits.
#include "imagelib/PngGraphic.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "imagelib/ImgMisc.h"
#include "imagelib/PngGlue.h"

namespace {

struct TRowRun {
    png_bytep* Rows = nullptr;
    int32_t Count;
    // The filter to set before each row (0: leave libpng's choice), or nullptr.
    const int* Filters = nullptr;
};

// ---------------------------------------------------------------------------------------------
// The adaptive row filter of 8-bit grey and true-colour rows, chosen here instead of by libpng.
// libpng tries all five filters on every row and keeps the one whose residual bytes, taken as
// signed, have the smallest sum of magnitudes (earlier filters winning ties). The same choice is
// made here from the picture's rows in one pass, 16 bytes at a time where the processor has
// SSE2, and handed to libpng with png_set_filter, which then computes only that filter. The
// file is the same byte for byte; libpng's own trial of five filters was a good share of the
// writing time. Red and blue swapped within each pixel change none of the sums, so the BGR rows
// of the picture serve as they are.

struct TFilterSums {
    uint64_t None, Sub, Up, Avg, Paeth;
};

inline uint32_t Magnitude(uint8_t V) { return V < 128 ? V : 256u - V; }

inline uint8_t PaethPredictor(int A, int B, int C)
{
    const int P = B - C, Q = A - C;
    const int PA = std::abs(P), PB = std::abs(Q), PC = std::abs(P + Q);
    return uint8_t(PA <= PB && PA <= PC ? A : PB <= PC ? B : C);
}

// Bytes From..To-1 of Row (Prev the row above; bytes left of 0 count as 0).
void AddFilterSums(const uint8_t* Row, const uint8_t* Prev, size_t From, size_t To, size_t Bpp, TFilterSums& S)
{
    for (size_t X = From; X < To; ++X) {
        const int Cur = Row[X], B = Prev[X];
        const int A = X >= Bpp ? Row[X - Bpp] : 0, C = X >= Bpp ? Prev[X - Bpp] : 0;
        S.None += Magnitude(uint8_t(Cur));
        S.Sub += Magnitude(uint8_t(Cur - A));
        S.Up += Magnitude(uint8_t(Cur - B));
        S.Avg += Magnitude(uint8_t(Cur - ((A + B) >> 1)));
        S.Paeth += Magnitude(uint8_t(Cur - PaethPredictor(A, B, C)));
    }
}

#if defined(__i386__) || defined(__x86_64__)
#define QM_PNG_SSE2 1

bool HasSse2()
{
    static const bool Has = __builtin_cpu_supports("sse2");
    return Has;
}

#define QM_SSE2 __attribute__((target("sse2"), always_inline)) inline

// The magnitudes of the residual bytes in V (as signed bytes), added to Sum per 8 bytes.
QM_SSE2 void AddMagnitudes(__m128i& Sum, __m128i V)
{
    const __m128i Zero = _mm_setzero_si128();
    Sum = _mm_add_epi64(Sum, _mm_sad_epu8(_mm_min_epu8(V, _mm_sub_epi8(Zero, V)), Zero));
}

QM_SSE2 __m128i Abs16(__m128i V) { return _mm_max_epi16(V, _mm_sub_epi16(_mm_setzero_si128(), V)); }

// The Paeth predictor of 8 pixels bytes widened to 16 bits.
QM_SSE2 __m128i PaethHalf(__m128i A, __m128i B, __m128i C)
{
    const __m128i P = _mm_sub_epi16(B, C), Q = _mm_sub_epi16(A, C);
    const __m128i PA = Abs16(P), PB = Abs16(Q), PC = Abs16(_mm_add_epi16(P, Q));
    // a when pa <= pb and pa <= pc; else b when pb <= pc; else c.
    const __m128i NotA = _mm_or_si128(_mm_cmpgt_epi16(PA, PB), _mm_cmpgt_epi16(PA, PC));
    const __m128i TakeC = _mm_cmpgt_epi16(PB, PC);
    const __m128i BOrC = _mm_or_si128(_mm_and_si128(TakeC, C), _mm_andnot_si128(TakeC, B));
    return _mm_or_si128(_mm_and_si128(NotA, BOrC), _mm_andnot_si128(NotA, A));
}

QM_SSE2 uint64_t Total(__m128i V)
{
    uint64_t Lanes[2];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Lanes), V);
    return Lanes[0] + Lanes[1];
}

// Whole 16-byte blocks from byte 16 on (so the bytes to the left are in the row); returns the
// end of the last whole block.
__attribute__((target("sse2"), force_align_arg_pointer, noinline)) size_t
AddFilterSumsSse2(const uint8_t* Row, const uint8_t* Prev, size_t Bytes, size_t Bpp, TFilterSums& S)
{
    const __m128i Zero = _mm_setzero_si128();
    const __m128i One = _mm_set1_epi8(1);
    __m128i None = Zero, Sub = Zero, Up = Zero, Avg = Zero, Paeth = Zero;
    size_t X = 16;
    for (; X + 16 <= Bytes; X += 16) {
        const __m128i Cur = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Row + X));
        const __m128i A = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Row + X - Bpp));
        const __m128i B = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Prev + X));
        const __m128i C = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Prev + X - Bpp));
        AddMagnitudes(None, Cur);
        AddMagnitudes(Sub, _mm_sub_epi8(Cur, A));
        AddMagnitudes(Up, _mm_sub_epi8(Cur, B));
        // The rounded-up average less the carry lost to rounding: (a + b) >> 1.
        const __m128i Mean = _mm_sub_epi8(_mm_avg_epu8(A, B), _mm_and_si128(_mm_xor_si128(A, B), One));
        AddMagnitudes(Avg, _mm_sub_epi8(Cur, Mean));
        const __m128i Low =
            PaethHalf(_mm_unpacklo_epi8(A, Zero), _mm_unpacklo_epi8(B, Zero), _mm_unpacklo_epi8(C, Zero));
        const __m128i High =
            PaethHalf(_mm_unpackhi_epi8(A, Zero), _mm_unpackhi_epi8(B, Zero), _mm_unpackhi_epi8(C, Zero));
        AddMagnitudes(Paeth, _mm_sub_epi8(Cur, _mm_packus_epi16(Low, High)));
    }
    S.None += Total(None);
    S.Sub += Total(Sub);
    S.Up += Total(Up);
    S.Avg += Total(Avg);
    S.Paeth += Total(Paeth);
    return X;
}
#endif

// The PNG_FILTER_* flag libpng's adaptive choice would take for Row.
int ChooseRowFilter(const uint8_t* Row, const uint8_t* Prev, size_t Bytes, size_t Bpp)
{
    TFilterSums S{};
    size_t Done = 0;
#ifdef QM_PNG_SSE2
    if (Bytes >= 32 && HasSse2()) {
        AddFilterSums(Row, Prev, 0, 16, Bpp, S);
        Done = AddFilterSumsSse2(Row, Prev, Bytes, Bpp, S);
    }
#endif
    AddFilterSums(Row, Prev, Done, Bytes, Bpp, S);
    int Best = PNG_FILTER_NONE;
    uint64_t Min = S.None;
    const std::pair<uint64_t, int> Others[] = {
        {S.Sub, PNG_FILTER_SUB}, {S.Up, PNG_FILTER_UP}, {S.Avg, PNG_FILTER_AVG}, {S.Paeth, PNG_FILTER_PAETH}};
    for (const auto& [Sum, Filter] : Others)
        if (Sum < Min) {
            Min = Sum;
            Best = Filter;
        }
    return Best;
}

struct TWriteSetup {
    png_uint_32 Width;
    png_uint_32 Height;
    int BitDepth;
    int ColorType;
    bool Interlaced;
    int PaletteCount;
    png_color Palette[256];
    png_uint_32 PhysX;
    png_uint_32 PhysY;
    double Gamma;
    bool WriteBackground;
    png_color_16 Background;
    bool Transparent;
    int AlphaCount;
    png_byte Alpha[256];
    png_color_16 TransColor;
    int Level;
    bool Bgr;
    // out
    int Passes;
};

void WriteSetupStep(TPngGlue* G, void* Arg)
{
    auto* S = static_cast<TWriteSetup*>(Arg);
    png_structp P = G->Png;
    png_infop I = G->Info;
    png_set_IHDR(P, I, S->Width, S->Height, S->BitDepth, S->ColorType,
                 S->Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (S->ColorType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(P, I, S->Palette, S->PaletteCount);
    png_set_pHYs(P, I, S->PhysX, S->PhysY, PNG_RESOLUTION_METER);
    if (S->Gamma > 0)
        png_set_gAMA(P, I, S->Gamma);
    if (S->WriteBackground)
        png_set_bKGD(P, I, &S->Background);
    if (S->Transparent)
        png_set_tRNS(P, I, S->AlphaCount > 0 ? S->Alpha : nullptr, S->AlphaCount, &S->TransColor);
    png_set_compression_level(P, S->Level);
    png_write_info(P, I);
    if (S->Bgr)
        png_set_bgr(P);
    S->Passes = S->Interlaced ? png_set_interlace_handling(P) : 1;
}

bool IsGreyFormat(ImageFormat F) { return F == ifBlackWhite || F == ifGray16 || F == ifGray256; }

// A grey picture whose palette is not the grey ramp its values mean must keep its palette.
bool HasDefaultPalette(const TDibGraphic& G)
{
    const TDibLogPalette* Own = G.LogPalette();
    const TDibLogPalette* Def = DefaultPalette(G.GetImageFormat());
    if (!Def || Own->NumEntries != Def->NumEntries)
        return false;
    for (int I = 0; I < Own->NumEntries; ++I) {
        const TPaletteEntry& A = Own->Entries[I];
        const TPaletteEntry& B = Def->Entries[I];
        if (A.Red != B.Red || A.Green != B.Green || A.Blue != B.Blue)
            return false;
    }
    return true;
}

} // namespace

std::unique_ptr<TDibGraphic> TPngGraphic::CreateNew() const { return std::make_unique<TPngGraphic>(); }

bool TPngGraphic::CanLoadStream(TStream* Stream)
{
    png_byte Sig[8];
    const int32_t Got = Stream->Read(Sig, sizeof(Sig));
    if (Got > 0)
        Stream->Seek(-Got, soCurrent);
    return Got == 8 && png_sig_cmp(Sig, 0, 8) == 0;
}

void TPngGraphic::LoadImageFromStream(TStream* Stream, int32_t /*Index*/)
{
    uint8_t Last = NotifyProgress(this, 0, 0, 255, 100, OnProgress);
    FWarnings = 0;
    TPngGlueGuard G(Stream, false);
    TPngReadOptions Options{};
    Options.UseBackgroundColor = FUseBackgroundColor;
    const uint8_t R = uint8_t(FBackgroundColor >> 16), Gr = uint8_t(FBackgroundColor >> 8), B = uint8_t(FBackgroundColor);
    Options.Background.red = R;
    Options.Background.green = Gr;
    Options.Background.blue = B;
    Options.Background.gray = static_cast<png_uint_16>((R * 299 + Gr * 587 + B * 114 + 500) / 1000);
    Options.ScreenGamma = ScreenGamma;
    const TPngReadInfo Info = PngStartReading(G.Get(), Options);
    if (Info.GammaSet)
        FGamma = Info.Gamma;

    // The set-up has refused every other depth and colour type.
    const int D = Info.BitDepth;
    const bool Wide = D >= 8;
    ImageFormat Format;
    switch (Info.ColorType) {
    case PNG_COLOR_TYPE_GRAY:
        Format = D == 1 ? ifBlackWhite : Wide ? ifGray256 : ifGray16;
        break;
    case PNG_COLOR_TYPE_PALETTE:
        Format = D == 1 ? ifBlackWhite : Wide ? ifColor256 : ifColor16;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        Format = ifGray256;
        break;
    default:
        Format = ifTrueColor;
        break;
    }

    TDibLogPalette Palette{};
    const TDibLogPalette* UsePalette = nullptr;
    if (Info.ColorType == PNG_COLOR_TYPE_PALETTE) {
        Palette.Version = 0x300;
        Palette.NumEntries = static_cast<uint16_t>(Info.PaletteCount);
        for (int I = 0; I < Info.PaletteCount; ++I)
            Palette.Entries[I] = TPaletteEntry{Info.Palette[I].red, Info.Palette[I].green, Info.Palette[I].blue, 0};
        UsePalette = &Palette;
    }
    NewImage(int32_t(Info.Width), int32_t(Info.Height), Format, UsePalette, Info.XDpi, Info.YDpi);
    SetXDpi(Info.XDpi);
    SetYDpi(Info.YDpi);

    const int32_t Height = GetHeight();
    const int32_t Width = GetWidth();
    if (D == 2) {
        // Two bits a pixel have no layout of their own: read aside, widened to four.
        std::vector<png_byte> Buffer(Info.RowBytes * size_t(Height));
        std::vector<png_bytep> Rows(static_cast<size_t>(Height));
        for (int32_t Y = 0; Y < Height; ++Y)
            Rows[size_t(Y)] = Buffer.data() + Info.RowBytes * size_t(Y);
        PngReadRows(G.Get(), Info, Rows.data(), nullptr);
        const bool Grey = Info.ColorType == PNG_COLOR_TYPE_GRAY;
        for (int32_t Y = 0; Y < Height; ++Y) {
            const png_byte* Src = Rows[size_t(Y)];
            uint8_t* Dst = ScanLine(Y);
            for (int32_t X = 0; X < Width; ++X) {
                uint8_t V = (Src[X >> 2] >> (6 - 2 * (X & 3))) & 3;
                if (Grey)
                    V = uint8_t(V * 5);
                if (X & 1)
                    Dst[X >> 1] = uint8_t((Dst[X >> 1] & 0xF0) | V);
                else
                    Dst[X >> 1] = uint8_t((Dst[X >> 1] & 0x0F) | (V << 4));
            }
            Last = NotifyProgress(this, Y, 0, Last, Height - 1, OnProgress);
        }
    } else {
        std::vector<png_bytep> Rows(static_cast<size_t>(Height));
        for (int32_t Y = 0; Y < Height; ++Y)
            Rows[size_t(Y)] = ScanLine(Y);
        const int64_t Total = int64_t(Height - 1) * Info.Passes;
        PngReadRows(G.Get(), Info, Rows.data(), [&](int Pass, int32_t Done) {
            Last = NotifyProgress(this, int64_t(Height - 1) * Pass + Done - 1, 0, Last, Total, OnProgress);
        });
    }
    FWarnings = G->Warnings;
    NotifyProgress(this, 100, 0, Last, 100, OnProgress);
}

void TPngGraphic::SaveToStream(TStream* Stream)
{
    uint8_t Last = NotifyProgress(this, 0, 0, 255, 100, OnProgress);
    FWarnings = 0;
    const ImageFormat Format = GetImageFormat();
    if (FTransparent && IsGreyFormat(Format))
        throw EPNGError("Gray scale transparent PNG images are not supported.\r"
                        "Use the ifColor16 or ifColor256 image format instead.");
    TPngGlueGuard G(Stream, true);
    TWriteSetup S{};
    S.Width = static_cast<png_uint_32>(std::max(GetWidth(), 0));
    S.Height = static_cast<png_uint_32>(std::max(GetHeight(), 0));
    S.BitDepth = std::min(BitsPerPixel(Format), 8);
    if (Format == ifTrueColor)
        S.ColorType = PNG_COLOR_TYPE_RGB;
    else if (IsGreyFormat(Format) && HasDefaultPalette(*this))
        S.ColorType = PNG_COLOR_TYPE_GRAY;
    else
        S.ColorType = PNG_COLOR_TYPE_PALETTE;
    S.Interlaced = FInterlaced;
    const TDibLogPalette* Own = LogPalette();
    if (S.ColorType == PNG_COLOR_TYPE_PALETTE) {
        S.PaletteCount = std::max<int>(Own->NumEntries, 1);
        for (int I = 0; I < Own->NumEntries; ++I)
            S.Palette[I] = png_color{Own->Entries[I].Red, Own->Entries[I].Green, Own->Entries[I].Blue};
    }
    S.PhysX = static_cast<png_uint_32>(std::lround(GetXDpi() / 0.0254));
    S.PhysY = static_cast<png_uint_32>(std::lround(GetYDpi() / 0.0254));
    S.Gamma = FGamma;
    if (FWriteBackground) {
        S.WriteBackground = true;
        if (Format == ifTrueColor) {
            S.Background.red = uint8_t(FBackgroundColor >> 16);
            S.Background.green = uint8_t(FBackgroundColor >> 8);
            S.Background.blue = uint8_t(FBackgroundColor);
        } else {
            const uint16_t Index = GetConverter() ? GetConverter()->NearestIndex(FBackgroundColor) : 0;
            S.Background.index = static_cast<png_byte>(Index);
            S.Background.gray = Index;
        }
    }
    if (FTransparent) {
        S.Transparent = true;
        if (Format == ifTrueColor) {
            S.TransColor.red = uint8_t(FTransparentColor >> 16);
            S.TransColor.green = uint8_t(FTransparentColor >> 8);
            S.TransColor.blue = uint8_t(FTransparentColor);
        } else {
            // One alpha value per palette entry: a longer tRNS is dropped by libpng.
            S.AlphaCount = S.PaletteCount;
            std::memset(S.Alpha, 255, sizeof(S.Alpha));
            const uint16_t Index = GetConverter() ? GetConverter()->NearestIndex(FTransparentColor) : 0;
            if (Index < S.AlphaCount)
                S.Alpha[Index] = 0;
        }
    }
    S.Level = FCompressionLevel == 0 ? 1 : FCompressionLevel == 1 ? 5 : 9;
    S.Bgr = Format == ifTrueColor;
    PngRun(G.Get(), WriteSetupStep, &S);

    const int32_t Height = GetHeight();
    std::vector<png_bytep> Rows(size_t(std::max(Height, 0)));
    for (int32_t Y = 0; Y < Height; ++Y)
        Rows[size_t(Y)] = ScanLine(Y);
    const int64_t Total = int64_t(Height - 1) * S.Passes;
    // Rows that libpng would filter adaptively get their filter chosen here (see above). The
    // first row is left to libpng: its filter buffers exist only once it has started, and a
    // picture one pixel wide or high is filtered its own way.
    const bool ChooseFilters = !S.Interlaced && S.BitDepth == 8 && S.ColorType != PNG_COLOR_TYPE_PALETTE &&
                               S.Width >= 2 && S.Height >= 2;
    const size_t Bpp = S.ColorType == PNG_COLOR_TYPE_RGB ? 3 : 1;
    const size_t RowBytes = size_t(S.Width) * Bpp;
    int Filters[kPngRowChunk];
    for (int Pass = 0; Pass < S.Passes; ++Pass)
        for (int32_t Y = 0; Y < Height; Y += kPngRowChunk) {
            TRowRun Run{Rows.data() + Y, std::min(kPngRowChunk, Height - Y), ChooseFilters ? Filters : nullptr};
            if (ChooseFilters)
                for (int32_t I = 0; I < Run.Count; ++I)
                    Filters[I] =
                        Y + I == 0 ? 0 : ChooseRowFilter(Rows[size_t(Y + I)], Rows[size_t(Y + I - 1)], RowBytes, Bpp);
            PngRun(
                G.Get(),
                [](TPngGlue* G, void* Arg) {
                    auto* R = static_cast<TRowRun*>(Arg);
                    for (int32_t I = 0; I < R->Count; ++I) {
                        if (R->Filters && R->Filters[I] != 0)
                            png_set_filter(G->Png, PNG_FILTER_TYPE_BASE, R->Filters[I]);
                        png_write_row(G->Png, R->Rows[I]);
                    }
                },
                &Run);
            Last = NotifyProgress(this, int64_t(Height - 1) * Pass + Y + Run.Count - 1, 0, Last, Total, OnProgress);
        }
    PngRun(G.Get(), [](TPngGlue* G, void*) { png_write_end(G->Png, G->Info); });
    FWarnings = G->Warnings;
    NotifyProgress(this, 100, 0, Last, 100, OnProgress);
}
