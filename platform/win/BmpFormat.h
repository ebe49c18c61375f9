#pragma once
// The .bmp file format, read and written without GDI (portable code over TStream).
//
// Reads BITMAPCOREHEADER (OS/2 1.x), BITMAPINFOHEADER with its V4 and V5 forms (and the 52-
// and 56-byte bit-field forms); 1, 4, 8, 16, 24 and 32 bits; BI_RGB, BI_BITFIELDS,
// BI_ALPHABITFIELDS, BI_RLE4 and BI_RLE8; bottom-up and top-down rows. Every size, count and
// offset is checked against the stream before anything is allocated or read, pixel buffers are
// computed in 64 bits and limited to 1 GiB; a bad file raises EInvalidGraphic
// "Invalid bitmap file"; a sound header asking for more memory than there is raises EOutOfMemory.
//
// The decoded image keeps the file's layout where GDI has one (1/4/8 bits with a colour table,
// 16 bits as 5-5-5 or 5-6-5, 24 bits, 32 bits as B-G-R-A) and is otherwise widened to 32 bits.

#include <cstdint>
#include <vector>

#include "platform/rtl/Stream.h"

struct TBmpColor {
    uint8_t Blue, Green, Red, Reserved;
};

struct TBmpImage {
    int32_t Width = 0;
    int32_t Height = 0;
    // 1, 4, 8, 16, 24 or 32; 16 bits are 5-5-5 unless Is565.
    int32_t BitCount = 0;
    bool Is565 = false;
    bool HasAlpha = false; // 32 bits whose fourth byte is alpha (bit-field files with an alpha mask)
    int32_t XPelsPerMeter = 0;
    int32_t YPelsPerMeter = 0;
    std::vector<TBmpColor> Colors; // the colour table for 1, 4 and 8 bits
    // Rows from the top, each Stride() bytes (padded to 4 bytes).
    std::vector<uint8_t> Pixels;

    int32_t Stride() const { return static_cast<int32_t>(((int64_t(Width) * BitCount + 31) / 32) * 4); }
    uint8_t* Row(int32_t Y) { return Pixels.data() + size_t(Y) * size_t(Stride()); }
    const uint8_t* Row(int32_t Y) const { return Pixels.data() + size_t(Y) * size_t(Stride()); }
};

constexpr int64_t kMaxBmpPixelBytes = int64_t(1) << 30;

// Reads a .bmp file from the stream's position (WithFileHeader) or a packed DIB as it lies in a
// resource or in CF_DIB (header, masks, colour table, pixels).
void ReadBmp(TStream* Stream, TBmpImage& Image, bool WithFileHeader = true);
// Writes a .bmp file of BitCount 1, 4, 8 (with Colors) or 24: BITMAPINFOHEADER, bottom-up, BI_RGB.
void WriteBmp(TStream* Stream, const TBmpImage& Image);
