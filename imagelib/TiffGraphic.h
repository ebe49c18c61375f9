#pragma once
// TTiffGraphic: TIFF files through libtiff, with several pages per file, seven compressions,
// the nine standard text tags and twenty user text tags (the first carries the annotation).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <tiffio.h>

#include "imagelib/ImgDib.h"

// 0 None, 1 Packbits, 2 CCITT Group 3 1D, 3 CCITT Group 3 2D, 4 CCITT Group 4, 5 ZLib, 6 JPEG.
using TiffCompression = uint8_t;
constexpr int32_t kTiffCompressionCount = 7;
std::string CompressionName(int32_t Value);

class TCustomTiffTag : public TObject {
public:
    std::string ClassName() const override { return "TCustomTiffTag"; }
    bool ReadEnabled = false;
    bool WriteEnabled = false;
    std::string Text;
};

class TTiffGraphic : public TDibGraphic {
public:
    static constexpr int32_t DefaultRowsPerStrip = 2147483647;

    TTiffGraphic();
    std::string ClassName() const override { return "TTiffGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override;

    // Inherited, plus RowsPerStrip from another TTiffGraphic.
    void Assign(TPersistent* Source) override;
    void SaveToStream(TStream* Stream) override;
    bool CanLoadStream(TStream* Stream) override;
    int32_t GetStreamImageCount(TStream* Stream) override;
    void LoadImageFromStream(TStream* Stream, int32_t Index) override;
    // A new page at the end of the file in Stream (a whole file when Stream is empty).
    void AppendImageToStream(TStream* Stream) override;
    // Inherited; Compression becomes CCITT Group 4 for black-and-white, Packbits otherwise.
    void NewImage(int32_t Width, int32_t Height, ImageFormat Format, const TDibLogPalette* Palette = nullptr,
                  int32_t DpiX = 0, int32_t DpiY = 0) override;

    TiffCompression GetCompression() const { return FCompression; }
    // Refused combinations raise EDidodazaError and leave the value alone.
    void SetCompression(TiffCompression Value);
    // Whether Value may be used for the picture's current format.
    bool CompressionAllowed(TiffCompression Value) const;
    int32_t GetRowsPerStrip() const { return FRowsPerStrip; }
    void SetRowsPerStrip(int32_t Value) { FRowsPerStrip = Value; }

    // Slot 0..19 (tag 40000 + slot); out of range raises EDidodazaError.
    TCustomTiffTag& CustomTag(int32_t Slot);
    const TCustomTiffTag& CustomTag(int32_t Slot) const;
    // The text of slot 0.
    std::string GetAnnotations() const;

    std::string DocumentName, ImageDescription, Make, Model, PageName, Software, DateTime, Artist, HostComputer;

    // Between a picture and an open TIFF handle (the current directory).
    void ReadTextTags(TIFF* Tiff);
    void WriteTextTags(TIFF* Tiff);

private:
    void LoadTiffPage(TStream* Stream, int32_t Index, uint8_t& LastPercent);
    void SaveTiff(TStream* Stream, const char* Mode);

    TiffCompression FCompression = 1;
    int32_t FRowsPerStrip = DefaultRowsPerStrip;
    std::vector<TCustomTiffTag> FCustomTags;
};

// The nine standard string tags: number and member.
struct TTiffStringTag {
    uint32_t Tag;
    std::string TTiffGraphic::*Field;
    const char* Name = nullptr;
};
extern const TTiffStringTag kTiffStringTags[9];
