#pragma once
// Truevision Targa pictures through the bitmap codec library. Portable.

#include <cstdint>
#include <memory>
#include <string>

#include "imagelib/ImgDib.h"

class TTgaGraphic : public TDibGraphic {
public:
    TTgaGraphic() = default;
    std::string ClassName() const override { return "TTgaGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override;

    // One picture per file: no frames.
    void LoadFromStream(TStream* Stream) override;
    // The same read, for callers that go through the image index.
    void LoadImageFromStream(TStream* Stream, int32_t Index) override;
    // ifGray256, ifColor256 (colour-mapped) and ifTrueColor (24 bits), uncompressed, bottom-up;
    // else ETgaError "TARGA image must be true color or 8 bit with palette".
    void SaveToStream(TStream* Stream) override;
    // Image type and depth the codec reads. Position restored.
    bool CanLoadStream(TStream* Stream) override;
};
