#pragma once
// PBM, PGM and PPM pictures (P1..P6), read and written by the class itself. Portable.

#include <cstdint>
#include <memory>
#include <string>

#include "imagelib/ImgDib.h"

class TPpmGraphic : public TDibGraphic {
public:
    TPpmGraphic() = default;
    std::string ClassName() const override { return "TPpmGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override;

    // ifBlackWhite as P4/P1, greymaps as P5/P2 (grey levels), the rest as P6/P3.
    void SaveToStream(TStream* Stream) override;
    // "P" and "1".."6". Position restored.
    bool CanLoadStream(TStream* Stream) override;
    // Samples are scaled from the file's maximum to 0..255. Bad files raise EDidodazaError
    // "Not a valid PPM file".
    void LoadImageFromStream(TStream* Stream, int32_t Index) override;

    // Raw (P4..P6) rather than ASCII (P1..P3). Set by a load.
    bool GetBinary() const { return FBinary; }
    void SetBinary(bool Value) { FBinary = Value; }

private:
    bool FBinary = false;
};
