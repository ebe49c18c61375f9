#pragma once
// One picture object loading file after file must end up exactly like a fresh object loading
// the same file: a picture of the same size and layout keeps its pixel memory, so nothing of
// the picture before may show through (pixels, row padding, palette, resolution).

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imagelib/ImgDib.h"
#include "tests/imagelib/support/Pictures.h"

namespace ReloadCheck {

// Every byte of every row, padding included; header, palette and resolution.
inline void ExpectSameDib(const TDibGraphic& Fresh, const TDibGraphic& Reused, const std::string& What)
{
    ASSERT_EQ(Reused.GetWidth(), Fresh.GetWidth()) << What;
    ASSERT_EQ(Reused.GetHeight(), Fresh.GetHeight()) << What;
    ASSERT_EQ(Reused.GetImageFormat(), Fresh.GetImageFormat()) << What;
    ASSERT_EQ(Reused.BytesPerLine(), Fresh.BytesPerLine()) << What;
    EXPECT_EQ(std::memcmp(&Reused.GetBitmapInfo(), &Fresh.GetBitmapInfo(), sizeof(TDibInfo)), 0) << What;
    EXPECT_EQ(Reused.LogPalette()->NumEntries, Fresh.LogPalette()->NumEntries) << What;
    EXPECT_EQ(std::memcmp(Reused.LogPalette(), Fresh.LogPalette(), sizeof(TDibLogPalette)), 0) << What;
    int32_t Differing = 0;
    for (int32_t Y = 0; Y < Fresh.GetHeight(); ++Y)
        if (std::memcmp(Reused.ScanLine(Y), Fresh.ScanLine(Y), size_t(Fresh.BytesPerLine())) != 0)
            ++Differing;
    EXPECT_EQ(Differing, 0) << What << ": rows differ from a fresh load";
}

// Loads Files in order into one object of class T, each checked against a fresh T.
template <class T>
void ExpectReloadsLikeFreshLoads(const std::vector<std::vector<uint8_t>>& Files, const std::string& What)
{
    T Reused;
    for (size_t I = 0; I < Files.size(); ++I) {
        T Fresh;
        ImageTest::LoadBytes(Fresh, Files[I]);
        ImageTest::LoadBytes(Reused, Files[I]);
        ExpectSameDib(Fresh, Reused, What + ", file " + std::to_string(I + 1));
    }
}

} // namespace ReloadCheck
