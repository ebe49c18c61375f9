#pragma once
// PCX pictures through the bitmap codec library, and DCX: up to 1023 PCX pages behind a table
// of page offsets. Portable.

#include <cstdint>
#include <memory>
#include <string>

#include "imagelib/ImgDib.h"

class TPcxGraphic : public TDibGraphic {
public:
    TPcxGraphic() = default;
    std::string ClassName() const override { return "TPcxGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override;

    // Writes the dpi into the header's resolution fields; the stream is left after the PCX.
    void SaveToStream(TStream* Stream) override;
    // Manufacturer 10, version 0 or 2..5, encoding 1, 1, 2, 4 or 8 bits. Position restored.
    bool CanLoadStream(TStream* Stream) override;
    // Runs continue across lines; the dpi comes from the resolution fields.
    void LoadImageFromStream(TStream* Stream, int32_t Index) override;
};

class TDcxGraphic : public TPcxGraphic {
public:
    static constexpr uint32_t Magic = 987654321;
    static constexpr int32_t TableEntries = 1024;
    static constexpr int32_t HeaderSize = 4 + 4 * TableEntries;

    TDcxGraphic() = default;
    std::string ClassName() const override { return "TDcxGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override;

    // A one-page DCX.
    void SaveToStream(TStream* Stream) override;
    bool CanLoadStream(TStream* Stream) override;
    // Raises EDcxError "The DCX file header is not valid".
    int32_t GetStreamImageCount(TStream* Stream) override;
    // Index 1..count; a page must lie inside the stream.
    void LoadImageFromStream(TStream* Stream, int32_t Index) override;
    // A new last page (an empty stream gets SaveToStream). Raises EDcxError
    // "The DCX file header is full" when the table has no free slot.
    void AppendImageToStream(TStream* Stream) override;
};

// Adds Offset as the stream's next page in its table (the stream holds a DCX from 0).
void DcxAddPageOffset(TStream* Stream, uint32_t Offset);
