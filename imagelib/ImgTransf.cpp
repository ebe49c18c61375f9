#include "imagelib/ImgTransf.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Raw pixel values straight from a row: the index for palette layouts, 0x00RRGGBB for 24 bits.
inline uint32_t ReadRaw(const uint8_t* Row, int32_t X, int32_t Bits)
{
    switch (Bits) {
    case 1: return (Row[X >> 3] >> (7 - (X & 7))) & 1u;
    case 4: return (X & 1) ? (Row[X >> 1] & 0x0Fu) : (Row[X >> 1] >> 4);
    case 8: return Row[X];
    default: {
        const uint8_t* P = Row + static_cast<size_t>(X) * 3;
        return PackRgb(P[2], P[1], P[0]);
    }
    }
}

inline void WriteRaw(uint8_t* Row, int32_t X, int32_t Bits, uint32_t Value)
{
    switch (Bits) {
    case 1: {
        const uint8_t Mask = static_cast<uint8_t>(0x80u >> (X & 7));
        Row[X >> 3] = (Value & 1) ? static_cast<uint8_t>(Row[X >> 3] | Mask) : static_cast<uint8_t>(Row[X >> 3] & ~Mask);
        break;
    }
    case 4:
        if (X & 1)
            Row[X >> 1] = static_cast<uint8_t>((Row[X >> 1] & 0xF0) | (Value & 0x0F));
        else
            Row[X >> 1] = static_cast<uint8_t>((Row[X >> 1] & 0x0F) | ((Value & 0x0F) << 4));
        break;
    case 8: Row[X] = static_cast<uint8_t>(Value); break;
    default: {
        uint8_t* P = Row + static_cast<size_t>(X) * 3;
        P[0] = Value & 0xFF;
        P[1] = (Value >> 8) & 0xFF;
        P[2] = (Value >> 16) & 0xFF;
        break;
    }
    }
}

int32_t BitsOf(const TDibGraphic* G) { return BitsPerPixel(G->GetImageFormat()); }

const TDibLogPalette* PaletteOf(const TDibGraphic* G)
{
    return G->GetImageFormat() == ifTrueColor ? nullptr : G->LogPalette();
}

// A new picture in Dest with Source's format, palette and resolution (a resolution of 0 is
// kept rather than replaced by the screen's).
void NewLike(const TDibGraphic* Source, TDibGraphic* Dest, int64_t Width, int64_t Height, ImageFormat Format,
             const TDibLogPalette* Palette)
{
    if (Width < 1 || Height < 1 || Width > std::numeric_limits<int32_t>::max() ||
        Height > std::numeric_limits<int32_t>::max())
        throw EDidodazaError("Invalid image dimensions");
    const int32_t XDpi = Source->GetXDpi(), YDpi = Source->GetYDpi();
    Dest->NewImage(static_cast<int32_t>(Width), static_cast<int32_t>(Height), Format, Palette, XDpi, YDpi);
    Dest->SetXDpi(XDpi);
    Dest->SetYDpi(YDpi);
}

std::vector<const uint8_t*> SourceRows(const TDibGraphic* G)
{
    std::vector<const uint8_t*> Rows(static_cast<size_t>(G->GetHeight()));
    for (int32_t Y = 0; Y < G->GetHeight(); ++Y)
        Rows[static_cast<size_t>(Y)] = G->ScanLine(Y);
    return Rows;
}

std::vector<uint8_t*> DestRows(TDibGraphic* G)
{
    std::vector<uint8_t*> Rows(static_cast<size_t>(G->GetHeight()));
    for (int32_t Y = 0; Y < G->GetHeight(); ++Y)
        Rows[static_cast<size_t>(Y)] = G->ScanLine(Y);
    return Rows;
}

// Round half to even, as the rotation's pixel mapping is defined.
inline int64_t Nearest(long double V) { return static_cast<int64_t>(std::nearbyint(V)); }

} // namespace

// ---------------------------------------------------------------------------------------------
// TImageTransform

void TImageTransform::ProgressStart() { FLastPercent = NotifyProgress(this, 0, 0, 255, 100, OnProgress); }

void TImageTransform::Progress(int64_t Current, int64_t Max)
{
    FLastPercent = NotifyProgress(this, Current, 0, FLastPercent, Max, OnProgress);
}

void TImageTransform::ProgressDone() { FLastPercent = NotifyProgress(this, 100, 0, FLastPercent, 100, OnProgress); }

void TImageTransform::CheckPictures(const TDibGraphic* Source, const TDibGraphic* Dest)
{
    if (!Source || !Dest)
        throw EDidodazaError("No picture to transform");
}

void TImageTransform::Apply(TDibGraphic* Graphic)
{
    CheckPictures(Graphic, Graphic);
    TDibGraphic Temporary;
    ApplyOnDest(Graphic, &Temporary);
    // The picture's own animation interval is not the transform's business.
    const int32_t Interval = Graphic->GetFrameInterval();
    Graphic->Assign(&Temporary);
    Graphic->SetFrameInterval(Interval);
}

void TImageTransform::ApplyOnDest(TDibGraphic*, TDibGraphic*)
{
    throw EDidodazaError("Method \"ApplyOnDest\" not implemented for " + ClassName() + " class");
}

// ---------------------------------------------------------------------------------------------
// TAntiAliasTransform

void TAntiAliasTransform::Apply(TDibGraphic* Graphic)
{
    CheckPictures(Graphic, Graphic);
    if (Graphic->GetImageFormat() == ifBlackWhite && !Graphic->GetEmpty())
        TImageTransform::Apply(Graphic);
}

void TAntiAliasTransform::ApplyOnDest(TDibGraphic* Source, TDibGraphic* Dest)
{
    CheckPictures(Source, Dest);
    if (Source->GetImageFormat() != ifBlackWhite || Source->GetEmpty()) {
        if (Source != Dest)
            Dest->Assign(Source);
        return;
    }
    if (Source == Dest) {
        ApplyInPlace(Dest);
        return;
    }
    ProgressStart();
    const int32_t SW = Source->GetWidth(), SH = Source->GetHeight();
    const int32_t W = FNewWidth != 0 ? FNewWidth : SW;
    const int32_t H = FNewHeight != 0 ? FNewHeight : SH;
    // NewImage refuses sizes below 1 and beyond the cap before the maps are made.
    NewLike(Source, Dest, W, H, ifGray256, nullptr);

    // The last column block ends past the last source column so that column is sampled too.
    std::vector<int32_t> XMap(static_cast<size_t>(W) + 1), YMap(static_cast<size_t>(H) + 1);
    const double XStep = double(SW) / double(W), YStep = double(SH) / double(H);
    for (int32_t I = 0; I < W; ++I)
        XMap[static_cast<size_t>(I)] = static_cast<int32_t>(I * XStep);
    XMap[static_cast<size_t>(W)] = SW;
    for (int32_t I = 0; I < H; ++I)
        YMap[static_cast<size_t>(I)] = static_cast<int32_t>(I * YStep);
    YMap[static_cast<size_t>(H)] = SH - 1;

    const std::vector<const uint8_t*> Rows = SourceRows(Source);
    for (int32_t Y = 0; Y < H; ++Y) {
        uint8_t* Out = Dest->ScanLine(Y);
        const int32_t Y0 = YMap[static_cast<size_t>(Y)];
        const int32_t Y1 = std::max(Y0, YMap[static_cast<size_t>(Y) + 1]);
        for (int32_t X = 0; X < W; ++X) {
            const int32_t X0 = XMap[static_cast<size_t>(X)];
            // An enlarged block holding no column samples its own start column.
            const int32_t X1 = std::max(XMap[static_cast<size_t>(X) + 1], X0 + 1);
            int64_t Total = 0, Black = 0;
            for (int32_t SY = Y0; SY <= Y1; ++SY) {
                const uint8_t* Row = Rows[static_cast<size_t>(SY)];
                int32_t C = X0;
                while (C < X1) {
                    const uint8_t Byte = Row[C >> 3];
                    if (Byte == 0xFF) {
                        // All white: count what of this byte lies in the block, test no bits.
                        const int32_t N = std::min(8 - (C & 7), X1 - C);
                        Total += N;
                        C += N;
                        continue;
                    }
                    ++Total;
                    if (((Byte >> (7 - (C & 7))) & 1) == 0)
                        ++Black;
                    ++C;
                }
            }
            const int64_t White = Total - Black;
            uint8_t Grey;
            if (Black == 0)
                Grey = 255;
            else if (White == 0)
                Grey = 0;
            else if (White < Total / 8)
                Grey = 0;
            else if (Black < Total / 8)
                Grey = 255;
            else
                Grey = static_cast<uint8_t>(White * 255 / Total);
            Out[X] = Grey;
        }
        Progress(Y, H - 1);
    }
    ProgressDone();
}

// ---------------------------------------------------------------------------------------------
// TNegativeTransform

void TNegativeTransform::Apply(TDibGraphic* Graphic)
{
    CheckPictures(Graphic, Graphic);
    ProgressStart();
    if (Graphic->GetEmpty()) {
        ProgressDone();
        return;
    }
    const int32_t W = Graphic->GetWidth(), H = Graphic->GetHeight();
    const ImageFormat Format = Graphic->GetImageFormat();
    if (Format == ifColor16 || Format == ifColor256) {
        // Indexes stay; only the palette is inverted. Built aside so a failure changes nothing.
        TDibLogPalette Inverted = *Graphic->LogPalette();
        for (uint32_t I = 0; I < Inverted.NumEntries && I < 256; ++I) {
            TPaletteEntry& E = Inverted.Entries[I];
            E.Red = static_cast<uint8_t>(255 - E.Red);
            E.Green = static_cast<uint8_t>(255 - E.Green);
            E.Blue = static_cast<uint8_t>(255 - E.Blue);
        }
        TDibGraphic Temporary;
        NewLike(Graphic, &Temporary, W, H, Format, &Inverted);
        for (int32_t Y = 0; Y < H; ++Y) {
            std::memcpy(Temporary.ScanLine(Y), Graphic->ScanLine(Y), static_cast<size_t>(Graphic->BytesPerLine()));
            Progress(Y, H - 1);
        }
        const int32_t Interval = Graphic->GetFrameInterval();
        Graphic->Assign(&Temporary);
        Graphic->SetFrameInterval(Interval);
        ProgressDone();
        return;
    }
    size_t Bytes = 0;
    uint8_t OddMask = 0; // the last half-filled byte of an odd-width 4-bit row
    switch (Format) {
    case ifBlackWhite: Bytes = static_cast<size_t>(Graphic->BytesPerLine()); break;
    case ifGray16:
        Bytes = static_cast<size_t>(W / 2);
        OddMask = (W & 1) ? 0xF0 : 0;
        break;
    case ifGray256: Bytes = static_cast<size_t>(W); break;
    default: Bytes = static_cast<size_t>(W) * 3; break;
    }
    for (int32_t Y = 0; Y < H; ++Y) {
        uint8_t* Row = Graphic->ScanLine(Y);
        for (size_t I = 0; I < Bytes; ++I)
            Row[I] = static_cast<uint8_t>(~Row[I]);
        if (OddMask)
            Row[Bytes] ^= OddMask;
        Progress(Y, H - 1);
    }
    ProgressDone();
}

void TNegativeTransform::ApplyOnDest(TDibGraphic* Source, TDibGraphic* Dest)
{
    CheckPictures(Source, Dest);
    if (Source != Dest)
        Dest->Assign(Source);
    Apply(Dest);
}

// ---------------------------------------------------------------------------------------------
// TRotateTransform

int32_t TRotateTransform::WholeAngle(double Angle)
{
    if (!std::isfinite(Angle))
        throw EDidodazaError("Invalid rotation angle");
    const double A3 = RoundToDigits(3, Angle);
    const double R = std::nearbyint(Angle);
    if (std::fabs(R - A3) > 0.005)
        return -1;
    // In floating point: a whole angle may lie far beyond the integer range.
    double N = std::fmod(R + 360.0, 360.0);
    while (N < 0)
        N += 360.0;
    return static_cast<int32_t>(N) % 360;
}

void TRotateTransform::ApplyOnDest(TDibGraphic* Source, TDibGraphic* Dest)
{
    CheckPictures(Source, Dest);
    if (Source == Dest) {
        ApplyInPlace(Dest);
        return;
    }
    const int32_t N = WholeAngle(FAngle);
    ProgressStart();
    if (N == 0)
        Dest->Assign(Source);
    else if (N == 90)
        Rotate90(Source, Dest);
    else if (N == 180)
        Rotate180(Source, Dest);
    else if (N == 270)
        Rotate270(Source, Dest);
    else
        RotateAngle(Source, Dest);
    ProgressDone();
}

void TRotateTransform::Rotate90(const TDibGraphic* Source, TDibGraphic* Dest)
{
    const int32_t W = Source->GetWidth(), H = Source->GetHeight(), Bits = BitsOf(Source);
    NewLike(Source, Dest, H, W, Source->GetImageFormat(), PaletteOf(Source));
    const std::vector<uint8_t*> Out = DestRows(Dest);
    for (int32_t Y = 0; Y < H; ++Y) {
        const uint8_t* Row = Source->ScanLine(Y);
        for (int32_t X = 0; X < W; ++X)
            WriteRaw(Out[static_cast<size_t>(X)], H - 1 - Y, Bits, ReadRaw(Row, X, Bits));
        Progress(Y, H - 1);
    }
}

void TRotateTransform::Rotate180(const TDibGraphic* Source, TDibGraphic* Dest)
{
    const int32_t W = Source->GetWidth(), H = Source->GetHeight(), Bits = BitsOf(Source);
    NewLike(Source, Dest, W, H, Source->GetImageFormat(), PaletteOf(Source));
    for (int32_t Y = 0; Y < H; ++Y) {
        const uint8_t* Row = Source->ScanLine(Y);
        uint8_t* Out = Dest->ScanLine(H - 1 - Y);
        for (int32_t X = 0; X < W; ++X)
            WriteRaw(Out, W - 1 - X, Bits, ReadRaw(Row, X, Bits));
        Progress(Y, H - 1);
    }
}

void TRotateTransform::Rotate270(const TDibGraphic* Source, TDibGraphic* Dest)
{
    const int32_t W = Source->GetWidth(), H = Source->GetHeight(), Bits = BitsOf(Source);
    NewLike(Source, Dest, H, W, Source->GetImageFormat(), PaletteOf(Source));
    const std::vector<uint8_t*> Out = DestRows(Dest);
    for (int32_t Y = 0; Y < H; ++Y) {
        const uint8_t* Row = Source->ScanLine(Y);
        for (int32_t X = 0; X < W; ++X)
            WriteRaw(Out[static_cast<size_t>(W - 1 - X)], Y, Bits, ReadRaw(Row, X, Bits));
        Progress(Y, H - 1);
    }
}

void TRotateTransform::RotateAngle(const TDibGraphic* Source, TDibGraphic* Dest)
{
    const int32_t W = Source->GetWidth(), H = Source->GetHeight(), Bits = BitsOf(Source);
    if (W < 1 || H < 1)
        throw EDidodazaError("Invalid image dimensions");
    constexpr long double Pi = 3.141592653589793238462643383279502884L;
    long double T = Pi * static_cast<long double>(FAngle) / 180.0L;
    long double S = std::sin(T), C = std::cos(T);
    const int64_t CX = W / 2, CY = H / 2;

    int64_t MinX = std::numeric_limits<int64_t>::max(), MaxX = std::numeric_limits<int64_t>::min();
    int64_t MinY = MinX, MaxY = MaxX;
    const int64_t Corners[4][2] = {{0, 0}, {0, H - 1}, {W - 1, H - 1}, {W - 1, 0}};
    for (const auto& P : Corners) {
        const long double DX = static_cast<long double>(P[0] - CX), DY = static_cast<long double>(P[1] - CY);
        const int64_t X = Nearest(DX * C - DY * S + CX);
        const int64_t Y = Nearest(DX * S + DY * C + CY);
        MinX = std::min(MinX, X);
        MaxX = std::max(MaxX, X);
        MinY = std::min(MinY, Y);
        MaxY = std::max(MaxY, Y);
    }
    const int64_t NW = MaxX - MinX + 1, NH = MaxY - MinY + 1;
    NewLike(Source, Dest, NW, NH, Source->GetImageFormat(), PaletteOf(Source));

    // Inverse mapping: each Dest pixel looks up its source pixel.
    T = -T;
    S = std::sin(T);
    C = std::cos(T);
    const int64_t NCX = NW / 2, NCY = NH / 2;
    const int64_t OX = W / 2 - NCX, OY = H / 2 - NCY;
    const std::vector<const uint8_t*> Rows = SourceRows(Source);
    const bool Palette = Source->GetImageFormat() != ifTrueColor;
    // The background as Dest stores it: the nearest entry on palette layouts.
    uint32_t Background = FBackgroundColor & 0xFFFFFF;
    if (Palette)
        Background = Dest->GetConverter()->NearestIndex(Background);
    for (int64_t Y = 0; Y < NH; ++Y) {
        uint8_t* Out = Dest->ScanLine(static_cast<int32_t>(Y));
        const long double P = static_cast<long double>(Y - NCY) * -S + NCX + OX;
        const long double Q = static_cast<long double>(Y - NCY) * C + NCY + OY;
        for (int64_t X = 0; X < NW; ++X) {
            int64_t SX = Nearest(static_cast<long double>(X - NCX) * C + P);
            int64_t SY = Nearest(static_cast<long double>(X - NCX) * S + Q);
            if (SX == W)
                SX = W - 1;
            if (SY == H)
                SY = H - 1;
            uint32_t Value = Background;
            if (SX >= 0 && SX < W && SY >= 0 && SY < H)
                Value = ReadRaw(Rows[static_cast<size_t>(SY)], static_cast<int32_t>(SX), Bits);
            WriteRaw(Out, static_cast<int32_t>(X), Bits, Value);
        }
        Progress(Y, NH - 1);
    }
}

// ---------------------------------------------------------------------------------------------
// Resampling filters (single precision)

namespace {

float TriangleFilter(float X)
{
    const float A = std::fabs(X);
    return A < 1.0f ? 1.0f - A : 0.0f;
}

float HermiteFilter(float X)
{
    const float A = std::fabs(X);
    return A < 1.0f ? (2.0f * A - 3.0f) * A * A + 1.0f : 0.0f;
}

float BellFilter(float X)
{
    const float A = std::fabs(X);
    if (A < 0.5f)
        return 0.75f - A * A;
    if (A < 1.5f) {
        const float T = A - 1.5f;
        return 0.5f * T * T;
    }
    return 0.0f;
}

float BSplineFilter(float X)
{
    const float A = std::fabs(X);
    if (A < 1.0f)
        return 0.5f * A * A * A - A * A + 2.0f / 3.0f;
    if (A < 2.0f) {
        const float T = 2.0f - A;
        return T * T * T / 6.0f;
    }
    return 0.0f;
}

float Lanczos3Filter(float X)
{
    const float A = std::fabs(X);
    return A < 3.0f ? Sinc(X) * Sinc(X / 3.0f) : 0.0f;
}

float MitchellFilter(float X)
{
    const float A = std::fabs(X);
    const float A2 = A * A, A3 = A2 * A;
    if (A < 1.0f)
        return (7.0f * A3 - 12.0f * A2 + 16.0f / 3.0f) / 6.0f;
    if (A < 2.0f)
        return (-7.0f / 3.0f * A3 + 12.0f * A2 - 20.0f * A + 32.0f / 3.0f) / 6.0f;
    return 0.0f;
}

const TResampleFilterInfo kFilters[kResampleFilterCount] = {
    {TriangleFilter, 1.0f}, {HermiteFilter, 1.0f},  {BellFilter, 1.5f},
    {BSplineFilter, 2.0f},  {Lanczos3Filter, 3.0f}, {MitchellFilter, 2.0f},
};

// Bytes as floats by table: one load per tap instead of an integer-to-float conversion.
struct TByteFloats {
    float Value[256];
    TByteFloats()
    {
        for (int I = 0; I < 256; ++I)
            Value[I] = float(I);
    }
};
const TByteFloats kByteFloat;

inline uint8_t ClampByte(float V)
{
    if (V > 255.0f)
        return 255;
    if (V < 0.0f)
        return 0;
    return static_cast<uint8_t>(std::lrint(V));
}

} // namespace

float Sinc(float X)
{
    if (X == 0.0f)
        return 1.0f;
    const float P = X * 3.14159265358979f;
    return std::sin(P) / P;
}

const TResampleFilterInfo& ResampleFilterInfo(int32_t Filter)
{
    if (Filter < 0 || Filter >= kResampleFilterCount)
        throw EDidodazaError("Invalid resampling filter");
    return kFilters[Filter];
}

TContributorList BuildContributors(int32_t SourceSize, int32_t DestSize, const TResampleFilterInfo& Filter)
{
    if (SourceSize < 1)
        throw EDidodazaError("Source graphic too small");
    if (DestSize < 2)
        throw EDidodazaError("Destination graphic too small");
    const float Scale = SourceSize == 1 ? float(DestSize) : float(DestSize - 1) / float(SourceSize - 1);
    const int64_t N = SourceSize;
    TContributorList List(static_cast<size_t>(DestSize));
    const bool Enlarge = Scale >= 1.0f;
    const float Width = Enlarge ? Filter.Support : Filter.Support / Scale;
    const float F = Enlarge ? 1.0f : 1.0f / Scale;
    for (int32_t I = 0; I < DestSize; ++I) {
        const float Centre = float(I) / Scale;
        const int64_t Left = static_cast<int64_t>(std::floor(Centre - Width));
        const int64_t Right = static_cast<int64_t>(std::ceil(Centre + Width));
        std::vector<TContributor>& Entry = List[static_cast<size_t>(I)];
        // Room as the filter's width suggests; rounding may need more, so the list still grows.
        Entry.reserve(static_cast<size_t>(2.0f * Width + 1.0f));
        for (int64_t J = Left; J <= Right; ++J) {
            const float Weight = Enlarge ? Filter.Function(Centre - float(J)) : Filter.Function((Centre - float(J)) / F) / F;
            if (Weight == 0.0f)
                continue;
            // Mirrored at the edges; a small source mirrors past its far edge, hence the clamp.
            int64_t K = J;
            if (K < 0)
                K = -K;
            if (K >= N)
                K = 2 * N - K - 1;
            K = std::clamp<int64_t>(K, 0, N - 1);
            Entry.push_back(TContributor{static_cast<int32_t>(K), Weight});
        }
    }
    return List;
}

// ---------------------------------------------------------------------------------------------
// TResizeTransform

void TResizeTransform::ApplyOnDest(TDibGraphic* Source, TDibGraphic* Dest)
{
    CheckPictures(Source, Dest);
    if (Source == Dest) {
        ApplyInPlace(Dest);
        return;
    }
    ProgressStart();
    if (Source->GetEmpty() || Source->GetWidth() < 1 || Source->GetHeight() < 1)
        throw EDidodazaError("Source graphic too small");
    const TResampleFilterInfo* Info = FResample ? &ResampleFilterInfo(FFilter) : nullptr;
    const ImageFormat Format = FChangeFormat ? FTargetFormat : Source->GetImageFormat();
    const TDibLogPalette* Palette = Format == Source->GetImageFormat() ? PaletteOf(Source) : nullptr;
    NewLike(Source, Dest, FNewWidth, FNewHeight, Format, Palette);
    if (Info) {
        ResampleImage(Source, Dest, *Info);
    } else {
        Progress(50, 100);
        StretchPicture(Source, Dest);
    }
    ProgressDone();
}

void TResizeTransform::ResampleImage(const TDibGraphic* Source, TDibGraphic* Dest, const TResampleFilterInfo& Filter)
{
    const int32_t SW = Source->GetWidth(), SH = Source->GetHeight();
    const int32_t DW = Dest->GetWidth(), DH = Dest->GetHeight();
    if (Source->GetEmpty() || SW < 1 || SH < 1)
        throw EDidodazaError("Source graphic too small");
    if (Dest->GetEmpty() || DW < 2 || DH < 2)
        throw EDidodazaError("Destination graphic too small");
    // The work picture (Dest width x Source height) obeys the same cap as any picture.
    const int64_t WorkLine = int64_t(DW) * 3;
    if (WorkLine * SH > kMaxPictureBytes)
        throw EDidodazaError("Invalid image dimensions");

    const TContributorList Columns = BuildContributors(SW, DW, Filter);
    const TContributorList Lines = BuildContributors(SH, DH, Filter);
    const int64_t Steps = int64_t(SH) + DH;

    std::vector<uint8_t> Work(static_cast<size_t>(WorkLine * SH));
    const bool SourceTrue = Source->GetImageFormat() == ifTrueColor;
    std::vector<uint8_t> Expanded(SourceTrue ? 0 : static_cast<size_t>(SW) * 3);

    // Horizontal pass: every source row into the work picture.
    for (int32_t Y = 0; Y < SH; ++Y) {
        const uint8_t* Row;
        if (SourceTrue) {
            Row = Source->ScanLine(Y);
        } else {
            for (int32_t X = 0; X < SW; ++X) {
                const uint32_t Color = Source->GetPixelColor(X, Y);
                uint8_t* P = &Expanded[static_cast<size_t>(X) * 3];
                P[0] = Color & 0xFF;
                P[1] = (Color >> 8) & 0xFF;
                P[2] = (Color >> 16) & 0xFF;
            }
            Row = Expanded.data();
        }
        uint8_t* Out = &Work[static_cast<size_t>(WorkLine * Y)];
        for (int32_t I = 0; I < DW; ++I) {
            float B = 0, G = 0, R = 0;
            for (const TContributor& Cn : Columns[static_cast<size_t>(I)]) {
                const uint8_t* P = Row + static_cast<size_t>(Cn.Pixel) * 3;
                B += Cn.Weight * kByteFloat.Value[P[0]];
                G += Cn.Weight * kByteFloat.Value[P[1]];
                R += Cn.Weight * kByteFloat.Value[P[2]];
            }
            Out[I * 3] = ClampByte(B);
            Out[I * 3 + 1] = ClampByte(G);
            Out[I * 3 + 2] = ClampByte(R);
        }
        Progress(Y, Steps - 1);
    }

    // Vertical pass: whole work rows weighted into each Dest row, summed in a register per
    // byte in contributor order.
    const bool DestTrue = Dest->GetImageFormat() == ifTrueColor;
    std::vector<uint8_t> Line(DestTrue ? 0 : static_cast<size_t>(WorkLine));
    std::vector<const uint8_t*> Taps;
    std::vector<float> Weights;
    for (int32_t Y = 0; Y < DH; ++Y) {
        const std::vector<TContributor>& Entry = Lines[static_cast<size_t>(Y)];
        Taps.clear();
        Weights.clear();
        for (const TContributor& Cn : Entry) {
            Taps.push_back(&Work[static_cast<size_t>(WorkLine * Cn.Pixel)]);
            Weights.push_back(Cn.Weight);
        }
        const size_t Count = Taps.size();
        const uint8_t* const* T = Taps.data();
        const float* Wt = Weights.data();
        uint8_t* Out = DestTrue ? Dest->ScanLine(Y) : Line.data();
        // Four bytes at a time: four independent sums keep the floating-point unit busy.
        int64_t I = 0;
        for (; I + 4 <= WorkLine; I += 4) {
            float S0 = 0.0f, S1 = 0.0f, S2 = 0.0f, S3 = 0.0f;
            for (size_t K = 0; K < Count; ++K) {
                const uint8_t* In = T[K] + I;
                const float W = Wt[K];
                S0 += W * kByteFloat.Value[In[0]];
                S1 += W * kByteFloat.Value[In[1]];
                S2 += W * kByteFloat.Value[In[2]];
                S3 += W * kByteFloat.Value[In[3]];
            }
            Out[I] = ClampByte(S0);
            Out[I + 1] = ClampByte(S1);
            Out[I + 2] = ClampByte(S2);
            Out[I + 3] = ClampByte(S3);
        }
        for (; I < WorkLine; ++I) {
            float Sum = 0.0f;
            for (size_t K = 0; K < Count; ++K)
                Sum += Wt[K] * kByteFloat.Value[T[K][I]];
            Out[I] = ClampByte(Sum);
        }
        if (!DestTrue) {
            for (int32_t X = 0; X < DW; ++X) {
                const uint8_t* P = &Line[static_cast<size_t>(X) * 3];
                Dest->SetPixelColor(X, Y, PackRgb(P[2], P[1], P[0]));
            }
        }
        Progress(int64_t(SH) + Y, Steps - 1);
    }
}

// ---------------------------------------------------------------------------------------------
// TCropTransform

void TCropTransform::ApplyOnDest(TDibGraphic* Source, TDibGraphic* Dest)
{
    CheckPictures(Source, Dest);
    if (Source == Dest) {
        ApplyInPlace(Dest);
        return;
    }
    ProgressStart();
    const int64_t SW = Source->GetEmpty() ? 0 : Source->GetWidth();
    const int64_t SH = Source->GetEmpty() ? 0 : Source->GetHeight();
    int64_t Top = FCropRect[0], Left = FCropRect[1], Bottom, Right;
    if (FAbsoluteRect) {
        Bottom = FCropRect[2];
        Right = FCropRect[3];
    } else {
        Bottom = SH - FCropRect[2];
        Right = SW - FCropRect[3];
    }
    // Clipped to the source: no part of the rectangle may read outside the picture.
    Top = std::max<int64_t>(Top, 0);
    Left = std::max<int64_t>(Left, 0);
    Bottom = std::min(Bottom, SH);
    Right = std::min(Right, SW);
    if (Bottom <= Top || Left >= Right)
        throw EDidodazaError("Invalid crop parameters");

    const int64_t NW = Right - Left, NH = Bottom - Top;
    const int32_t Bits = BitsOf(Source);
    NewLike(Source, Dest, NW, NH, Source->GetImageFormat(), PaletteOf(Source));
    for (int32_t Y = 0; Y < NH; ++Y) {
        const uint8_t* Row = Source->ScanLine(static_cast<int32_t>(Top + Y));
        uint8_t* Out = Dest->ScanLine(Y);
        if (Bits >= 8) {
            const size_t Bpp = static_cast<size_t>(Bits / 8);
            std::memcpy(Out, Row + static_cast<size_t>(Left) * Bpp, static_cast<size_t>(NW) * Bpp);
        } else {
            for (int32_t X = 0; X < NW; ++X)
                WriteRaw(Out, X, Bits, ReadRaw(Row, static_cast<int32_t>(Left + X), Bits));
        }
        Progress(Y, NH - 1);
    }
    ProgressDone();
}
