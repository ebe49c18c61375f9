#pragma once
// What the image pane's Delete By command deletes.

#include <cstdint>
#include <string>

// The rules of Delete By as its dialog gives them (kilobytes for the sizes).
struct TDeleteByRules {
    bool BySize = false;
    int32_t MaxWidth = 0, MaxHeight = 0;
    bool BySmaller = false;
    int32_t SmallerThan = 0;
    bool ByRange = false;
    int32_t RangeFrom = 0, RangeTo = 0;
    bool ByFilter = false;
    std::string FileFilter; // "*.GIF"
};
