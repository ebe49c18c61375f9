#pragma once
// The bitmap codec readers as the picture classes call them: header, palette, data, with the
// file name choosing the format and the first input byte choosing the reading options.

#include <vector>

#include "imagelib/bmc/Bmc.h"
#include "tests/fuzz/FuzzTarget.h"

namespace qmfuzz {

// Pictures above this stop after the header: the fuzzer's time goes to parsing, not to
// zeroing huge buffers (the size arithmetic is still exercised by bmc_data_size).
constexpr int64_t BmcDataLimit = int64_t(16) << 20;

inline void BmcProgress(int32_t Percent, void* Data)
{
    if (Percent < 0 || Percent > 100)
        CheckFailed(static_cast<const char*>(Data), "progress outside 0..100", __FILE__, __LINE__);
}

inline int FeedBmc(const char* Target, const char* FileName, const uint8_t* Data, size_t Size)
{
    static const char* const Options[] = {"", "trunc", "inv", "invb"};
    if (Size < 1)
        return 0;
    const char* Opt = Options[Data[0] % 4];
    auto S = StreamOf(Data + 1, Size - 1);
    int32_t Type = -1;
    if (bmc_guess_filetype(FileName, &Type) != BMC_OK)
        CheckFailed(Target, "format not found for its file name", __FILE__, __LINE__);
    BMC B;
    if (bmc_read_header(FileName, S.get(), Type, &B, Opt) != BMC_OK)
        return 0;
    const int64_t DataSize = bmc_data_size(&B);
    if (DataSize <= 0 || (B.bpp != 1 && B.bpp != 4 && B.bpp != 8 && B.bpp != 24) || B.width <= 0 || B.height <= 0)
        CheckFailed(Target, "header accepted a picture with no valid layout", __FILE__, __LINE__);
    if (DataSize > BmcDataLimit)
        return 0;
    // Exact sizes, so AddressSanitizer sees a write one byte past either buffer.
    std::vector<BMCRGB> Palette(256);
    if (B.bpp <= 8)
        bmc_read_palette(S.get(), Type, &B, Palette.data());
    std::vector<uint8_t> Pixels(static_cast<size_t>(DataSize));
    bmc_read_data(S.get(), Type, &B, BmcProgress, const_cast<char*>(Target), Pixels.data());
    return 0;
}

} // namespace qmfuzz
