#pragma once
// BMP pictures: read through the bitmap codec library (the platform's reader takes what the
// codecs refuse), written by the class itself. Portable except the fallback, which is one
// function in BitmapGraphicGdi.cpp.

#include <cstdint>
#include <memory>
#include <string>

#include "imagelib/ImgDib.h"

class TBitmapGraphic : public TDibGraphic {
public:
    TBitmapGraphic() = default;
    std::string ClassName() const override { return "TBitmapGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override;

    // 14-byte file header, the picture's 40-byte info header, its RGBQUADs, its rows.
    void SaveToStream(TStream* Stream) override;
    // "BM", or "BA" (an OS/2 bitmap array, read as its first bitmap). Position restored.
    bool CanLoadStream(TStream* Stream) override;
    // The dpi comes from the info header's pels per metre when that header has them.
    void LoadImageFromStream(TStream* Stream, int32_t Index) override;
};

// The platform's BMP reader into Graphic, the stream at the file's start (BitmapGraphicGdi.cpp;
// a host build supplies its own, which may raise).
void LoadBitmapThroughPlatform(TStream* Stream, TDibGraphic* Graphic);
