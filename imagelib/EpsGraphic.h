#pragma once
// The preview picture of a DOS EPS file (a TIFF or a Windows metafile section). Portable; the
// metafile path goes through LoadMetafilePreview (IconGraphic.cpp).

#include <cstdint>
#include <memory>
#include <string>

#include "imagelib/ImgDib.h"

class TEPSGraphic : public TDibGraphic {
public:
    TEPSGraphic() = default;
    std::string ClassName() const override { return "TEPSGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override;

    // C5 D0 D3 C6. Position restored.
    bool CanLoadStream(TStream* Stream) override;
    // The TIFF preview (through the class registered for "TIF"), else the metafile preview;
    // without one, or with a section outside the stream, EInvalidGraphic
    // "EPS file does not have a preview".
    void LoadImageFromStream(TStream* Stream, int32_t Index) override;
};

// Loads a metafile section into Target (through TMetaFileGraphic).
void LoadMetafilePreview(TStream* Section, TDibGraphic* Target);
