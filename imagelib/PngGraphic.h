#pragma once
// PNG pictures through libpng: every bit depth and colour type read into the six pixel
// layouts (alpha composited on a background), written as grey, palette or RGB.

#include <cstdint>
#include <memory>
#include <string>

#include "imagelib/ImgDib.h"

class TPngGraphic : public TDibGraphic {
public:
    TPngGraphic() = default;
    std::string ClassName() const override { return "TPngGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override;

    // IHDR, PLTE, pHYs, gAMA, optional bKGD and tRNS, Adam7 when Interlaced.
    void SaveToStream(TStream* Stream) override;
    // The 8-byte PNG signature. The position is restored.
    bool CanLoadStream(TStream* Stream) override;
    // Failures raise EPNGError; libpng's warnings go to the warning hook (PngGlue.h).
    void LoadImageFromStream(TStream* Stream, int32_t Index) override;

    // The file's gamma after a load (0.5 when it has none); written as gAMA.
    double GetGamma() const { return FGamma; }
    void SetGamma(double Value) { FGamma = Value; }
    // 0x00RRGGBB: what alpha is composited on (unless the file's bKGD is used), and bKGD on save.
    uint32_t GetBackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(uint32_t Value) { FBackgroundColor = Value; }
    uint32_t GetTransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(uint32_t Value) { FTransparentColor = Value; }
    // Composite on BackgroundColor even when the file has its own bKGD.
    bool GetUseBackgroundColor() const { return FUseBackgroundColor; }
    void SetUseBackgroundColor(bool Value) { FUseBackgroundColor = Value; }
    // 0, 1, 2: zlib level 1, 5, 9.
    uint8_t GetCompressionLevel() const { return FCompressionLevel; }
    void SetCompressionLevel(uint8_t Value) { FCompressionLevel = Value; }
    bool GetInterlaced() const { return FInterlaced; }
    void SetInterlaced(bool Value) { FInterlaced = Value; }
    bool GetWriteBackground() const { return FWriteBackground; }
    void SetWriteBackground(bool Value) { FWriteBackground = Value; }
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool Value) { FTransparent = Value; }
    // libpng's warnings of the last load or save.
    int32_t GetWarnings() const { return FWarnings; }

private:
    double FGamma = 0.5;
    uint32_t FBackgroundColor = 0;
    uint32_t FTransparentColor = 0;
    bool FUseBackgroundColor = false;
    uint8_t FCompressionLevel = 1;
    bool FInterlaced = true;
    bool FWriteBackground = false;
    bool FTransparent = false;
    int32_t FWarnings = 0;
};
