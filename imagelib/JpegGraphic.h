#pragma once
// JPEG pictures through libjpeg: grey (ifGray256) and colour (ifTrueColor), one image a file.

#include <cstdint>
#include <memory>
#include <string>

#include "imagelib/ImgDib.h"

class TJpegGraphic : public TDibGraphic {
public:
    TJpegGraphic() = default;
    std::string ClassName() const override { return "TJpegGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override;

    // ifGray256 or ifTrueColor only; density in dots per inch from XDpi/YDpi.
    void SaveToStream(TStream* Stream) override;
    // A JFIF file: FF D8 FF E0, two bytes, "JFIF" 0. The position is restored.
    bool CanLoadStream(TStream* Stream) override;
    // Grey files load as ifGray256, all others as ifTrueColor. A cut file loads as far as it
    // goes (libjpeg's warnings are counted in GetWarnings). Failures raise EJpegError.
    void LoadImageFromStream(TStream* Stream, int32_t Index) override;

    uint8_t GetQuality() const { return FQuality; }
    void SetQuality(uint8_t Value) { FQuality = Value; }
    bool GetProgressive() const { return FProgressive; }
    void SetProgressive(bool Value) { FProgressive = Value; }
    bool GetOptimizeCoding() const { return FOptimizeCoding; }
    void SetOptimizeCoding(bool Value) { FOptimizeCoding = Value; }
    // libjpeg's warnings of the last load (0 for a clean file).
    int32_t GetWarnings() const { return FWarnings; }

private:
    uint8_t FQuality = 80;
    bool FProgressive = false;
    bool FOptimizeCoding = false;
    int32_t FWarnings = 0;
};
