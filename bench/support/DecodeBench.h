#pragma once
// The run the decoding benchmarks share: make a scratch folder, let the bench's reference.py
// write the pictures and time ImageMagick on them natively, then decode each picture in-process
// from a memory stream (median of 5) and print one row per case with the ratio ours / reference.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imagelib/ImgDib.h"

namespace Bench {

struct TDecodeCase {
    const char* Name; // the case name of reference.txt
    const char* File; // the picture reference.py wrote
    std::function<std::unique_ptr<TDibGraphic>()> Make;
    // Whether the decoded picture is the expected one.
    std::function<bool(const TDibGraphic&)> Check;
};

struct TDecodeBench {
    const char* ScratchPrefix; // of the scratch folder under the temporary folder
    const char* Python;
    const char* ScriptDir; // holding reference.py
    uint32_t ReferenceTimeoutMs;
    double Target; // the highest good ratio
    const char* WrongResult; // said after the case name when Check fails
};

// Runs the benchmark and prints its table; 0 when it ran, 1 (after "bench failed: ...") when not.
int RunDecodeBench(const TDecodeBench& Bench, const std::vector<TDecodeCase>& Cases);

} // namespace Bench
