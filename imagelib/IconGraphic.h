#pragma once
// Icons and metafiles as pictures: read through the platform's TIcon and TMetafile and drawn
// onto a true-colour picture filled with BackgroundColor. Not registered by extension. Win32.

#include <cstdint>
#include <memory>
#include <string>

#include "imagelib/ImgDib.h"

// The background new icon and metafile pictures start with (0x00RRGGBB; white).
extern uint32_t DefaultBackgroundColor;

class TIconGraphic : public TDibGraphic {
public:
    TIconGraphic();
    std::string ClassName() const override { return "TIconGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override;

    // A one-entry icon of the system icon size, the picture at its own size in its top left.
    void SaveToStream(TStream* Stream) override;
    // Icon or cursor directory whose first entry is 16, 32 or 64 square-ish. Position restored.
    bool CanLoadStream(TStream* Stream) override;
    void LoadImageFromStream(TStream* Stream, int32_t Index) override;

    uint32_t GetBackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(uint32_t Value) { FBackgroundColor = Value; }

private:
    uint32_t FBackgroundColor;
};

class TMetaFileGraphic : public TDibGraphic {
public:
    TMetaFileGraphic();
    std::string ClassName() const override { return "TMetaFileGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override;

    // An enhanced metafile of the picture's size.
    void SaveToStream(TStream* Stream) override;
    // An enhanced metafile (" EMF" at 40) or a placeable one (D7 CD C6 9A). Position restored.
    bool CanLoadStream(TStream* Stream) override;
    void LoadImageFromStream(TStream* Stream, int32_t Index) override;

    uint32_t GetBackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(uint32_t Value) { FBackgroundColor = Value; }

private:
    uint32_t FBackgroundColor;
};

// Writes Picture into Stream as an icon (the library's icon-stream writer hook).
void WritePictureAsIcon(TDibGraphic* Picture, TStream* Stream);
