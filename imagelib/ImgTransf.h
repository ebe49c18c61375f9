#pragma once
// Picture transforms: rotation, negative, anti-aliased reduction of 1-bit pictures, resizing
// (GDI stretch or a filtered two-pass resampler) and cropping.
//
// Everything here only computes, except the stretch path of TResizeTransform, which needs a
// DC and lives in ImgTransfGdi.cpp (a host build supplies its own StretchPicture).
//
// Every transform leaves its source alone; Apply works through a temporary picture that is
// assigned only once the work has succeeded, so a failure leaves the picture as it was.

#include <cstdint>
#include <string>
#include <vector>

#include "imagelib/ImgDib.h"
#include "imagelib/ImgMisc.h"

class TImageTransform : public TObject {
public:
    std::string ClassName() const override { return "TImageTransform"; }
    // In place: ApplyOnDest into a temporary, then Graphic takes the result.
    virtual void Apply(TDibGraphic* Graphic);
    // The result into Dest; Source is not changed (Source may be Dest). The base raises
    // "Method "ApplyOnDest" not implemented for <class> class".
    virtual void ApplyOnDest(TDibGraphic* Source, TDibGraphic* Dest);

    uint8_t GetLastPercent() const { return FLastPercent; }
    TDidodazaProgressEvent OnProgress;

protected:
    // 0 forced, then Current of 0..Max (only changes reach the handler), then 100.
    void ProgressStart();
    void Progress(int64_t Current, int64_t Max);
    void ProgressDone();
    // Runs the base Apply: for an ApplyOnDest whose Source and Dest are one picture.
    void ApplyInPlace(TDibGraphic* Graphic) { TImageTransform::Apply(Graphic); }
    static void CheckPictures(const TDibGraphic* Source, const TDibGraphic* Dest);

private:
    uint8_t FLastPercent = 0;
};

// 1-bit pictures reduced to 256 greys by counting the black pixels of each block.
class TAntiAliasTransform : public TImageTransform {
public:
    std::string ClassName() const override { return "TAntiAliasTransform"; }
    // Only ifBlackWhite pictures change.
    void Apply(TDibGraphic* Graphic) override;
    // Other formats are copied as they are.
    void ApplyOnDest(TDibGraphic* Source, TDibGraphic* Dest) override;

    // 0: the source's size.
    int32_t GetNewWidth() const { return FNewWidth; }
    void SetNewWidth(int32_t Value) { FNewWidth = Value; }
    int32_t GetNewHeight() const { return FNewHeight; }
    void SetNewHeight(int32_t Value) { FNewHeight = Value; }

private:
    int32_t FNewWidth = 0;
    int32_t FNewHeight = 0;
};

class TNegativeTransform : public TImageTransform {
public:
    std::string ClassName() const override { return "TNegativeTransform"; }
    // In place; palette formats keep their indexes and get the inverted palette.
    void Apply(TDibGraphic* Graphic) override;
    void ApplyOnDest(TDibGraphic* Source, TDibGraphic* Dest) override;
};

class TRotateTransform : public TImageTransform {
public:
    std::string ClassName() const override { return "TRotateTransform"; }
    // Whole quarter turns are exact copies; any other angle is nearest-neighbour.
    void ApplyOnDest(TDibGraphic* Source, TDibGraphic* Dest) override;

    // Degrees, clockwise on screen.
    double GetAngle() const { return FAngle; }
    void SetAngle(double Value) { FAngle = Value; }
    // 0x00RRGGBB for the corners outside the turned picture.
    uint32_t GetBackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(uint32_t Value) { FBackgroundColor = Value; }

    virtual void Rotate90(const TDibGraphic* Source, TDibGraphic* Dest);
    virtual void Rotate180(const TDibGraphic* Source, TDibGraphic* Dest);
    virtual void Rotate270(const TDibGraphic* Source, TDibGraphic* Dest);
    virtual void RotateAngle(const TDibGraphic* Source, TDibGraphic* Dest);

    // The quarter-turn class of an angle: 0..359 when it is whole to 3 decimals, else -1.
    static int32_t WholeAngle(double Angle);

private:
    double FAngle = 90.0;
    uint32_t FBackgroundColor = 0xFFFFFF;
};

enum TResampleFilter : uint8_t { rfTriangle, rfHermite, rfBell, rfBSpline, rfLanczos3, rfMitchell };
constexpr int32_t kResampleFilterCount = 6;

// One filter: its value at x and the half width of its support.
using TFilterFunction = float (*)(float X);
struct TResampleFilterInfo {
    TFilterFunction Function;
    float Support;
};
// rfTriangle..rfMitchell; anything else raises "Invalid resampling filter".
const TResampleFilterInfo& ResampleFilterInfo(int32_t Filter);
float Sinc(float X);

// The source pixels (0..n-1) and weights that make one destination pixel along an axis.
struct TContributor {
    int32_t Pixel;
    float Weight;
};
using TContributorList = std::vector<std::vector<TContributor>>;
// Contributors for every destination position along an axis of SourceSize -> DestSize.
TContributorList BuildContributors(int32_t SourceSize, int32_t DestSize, const TResampleFilterInfo& Filter);

class TResizeTransform : public TImageTransform {
public:
    std::string ClassName() const override { return "TResizeTransform"; }
    void ApplyOnDest(TDibGraphic* Source, TDibGraphic* Dest) override;

    int32_t GetNewWidth() const { return FNewWidth; }
    void SetNewWidth(int32_t Value) { FNewWidth = Value; }
    int32_t GetNewHeight() const { return FNewHeight; }
    void SetNewHeight(int32_t Value) { FNewHeight = Value; }
    // Filtered resampling instead of the GDI stretch.
    bool GetResample() const { return FResample; }
    void SetResample(bool Value) { FResample = Value; }
    bool GetChangeFormat() const { return FChangeFormat; }
    void SetChangeFormat(bool Value) { FChangeFormat = Value; }
    ImageFormat GetTargetFormat() const { return FTargetFormat; }
    void SetTargetFormat(ImageFormat Value) { FTargetFormat = Value; }
    uint8_t GetFilter() const { return FFilter; }
    void SetFilter(uint8_t Value) { FFilter = Value; }

    // The two-pass separable filter; Dest must already have its size and format.
    void ResampleImage(const TDibGraphic* Source, TDibGraphic* Dest, const TResampleFilterInfo& Filter);

private:
    // GDI StretchDIBits of the whole source into Dest (ImgTransfGdi.cpp).
    void StretchPicture(const TDibGraphic* Source, TDibGraphic* Dest);

    int32_t FNewWidth = 300;
    int32_t FNewHeight = 200;
    bool FResample = false;
    bool FChangeFormat = false;
    ImageFormat FTargetFormat = ifTrueColor;
    uint8_t FFilter = rfTriangle;
};

class TCropTransform : public TImageTransform {
public:
    std::string ClassName() const override { return "TCropTransform"; }
    // The rectangle is clipped to the source; an empty result raises "Invalid crop parameters".
    void ApplyOnDest(TDibGraphic* Source, TDibGraphic* Dest) override;

    // Margins (top, left, bottom, right) or, with AbsoluteRect, the rectangle's edges
    // (top, left, bottom, right; bottom and right exclusive).
    void SetCropRect(int32_t Top, int32_t Left, int32_t Bottom, int32_t Right)
    {
        FCropRect[0] = Top;
        FCropRect[1] = Left;
        FCropRect[2] = Bottom;
        FCropRect[3] = Right;
    }
    int32_t GetCropRect(int32_t Index) const { return FCropRect[Index & 3]; }
    bool GetAbsoluteRect() const { return FAbsoluteRect; }
    void SetAbsoluteRect(bool Value) { FAbsoluteRect = Value; }

private:
    int32_t FCropRect[4] = {0, 0, 0, 0};
    bool FAbsoluteRect = false;
};
