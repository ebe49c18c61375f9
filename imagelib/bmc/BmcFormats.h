#pragma once
// What the core and the three formats share: a format's procedures and small helpers.

#include <cstdint>

#include "imagelib/bmc/Bmc.h"

struct BMCFORMAT {
    BMCFT ft;
    int32_t (*query)(BMCFT* Ft);
    int32_t (*read_header)(const char* FileName, TStream* Stream, BMC* Bmc, const char* Options);
    int32_t (*read_palette)(TStream* Stream, const BMC* Bmc, BMCRGB* Palette);
    int32_t (*read_data)(TStream* Stream, const BMC* Bmc, BMC_PROGRESS ProgressProc, void* ProgressData,
                         uint8_t* Data);
    int32_t (*write)(const char* FileName, TStream* Stream, const BMC* Bmc, const BMCRGB* Palette,
                     const uint8_t* Data, const char* Options, BMC_PROGRESS ProgressProc, void* ProgressData);
    const char* (*error)(int32_t Code); // nullptr for codes it does not know
};

extern const BMCFORMAT bmc_format_bmp;
extern const BMCFORMAT bmc_format_pcx;
extern const BMCFORMAT bmc_format_tga;

inline uint16_t bmc_le16(const uint8_t* P)
{
    return static_cast<uint16_t>(P[0] | (P[1] << 8));
}

inline uint32_t bmc_le32(const uint8_t* P)
{
    return static_cast<uint32_t>(P[0]) | (static_cast<uint32_t>(P[1]) << 8) | (static_cast<uint32_t>(P[2]) << 16) |
           (static_cast<uint32_t>(P[3]) << 24);
}

inline void bmc_put16(uint8_t* P, uint32_t V)
{
    P[0] = static_cast<uint8_t>(V);
    P[1] = static_cast<uint8_t>(V >> 8);
}

inline void bmc_put32(uint8_t* P, uint32_t V)
{
    bmc_put16(P, V);
    bmc_put16(P + 2, V >> 16);
}

// Row bytes of the pixel data; 0 when the size is not a picture we can address.
int64_t bmc_row_bytes_of(int64_t Width, int32_t Bpp);
// 0 when Width x Height at Bpp bits fits the pixel data's 32-bit size, else BMC_ERR_BAD_SIZE.
int32_t bmc_check_size(int64_t Width, int64_t Height, int32_t Bpp);
// Brightness used to tell a dark palette entry from a light one.
inline int32_t bmc_brightness(const BMCRGB& C)
{
    return 30 * C.red + 60 * C.green + 10 * C.blue;
}
// True when Bmc was filled by this format's header reader and still holds that size.
bool bmc_header_matches(const BMC* Bmc, int32_t Format);
