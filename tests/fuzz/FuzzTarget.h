#pragma once
// One fuzz target per reader of outside data. The same source builds two ways: with clang and
// libFuzzer (QM_FUZZ_LIBFUZZER) it defines LLVMFuzzerTestOneInput; otherwise it registers its
// entry point by name, so the replay test feeds every seed and regression file to it under the
// native sanitizers and under Wine.
//
// A target catches only what its reader may raise (our Exception classes); anything else
// escaping, a sanitizer report, an abort or a failed QM_FUZZ_CHECK is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Stream.h"

namespace qmfuzz {

using TEntry = int (*)(const uint8_t* Data, size_t Size);

struct TTarget {
    const char* Name;
    TEntry Entry;
};

// Every target linked into the replay program, in no particular order.
inline std::vector<TTarget>& Targets()
{
    static std::vector<TTarget> List;
    return List;
}

struct TRegister {
    TRegister(const char* Name, TEntry Entry) { Targets().push_back({Name, Entry}); }
};

// The input as a memory stream at position 0, as the readers get files.
inline std::unique_ptr<TMemoryStream> StreamOf(const uint8_t* Data, size_t Size)
{
    auto S = std::make_unique<TMemoryStream>();
    if (Size > 0)
        S->Write(Data, static_cast<int32_t>(Size));
    S->Seek(0, soBeginning);
    return S;
}

inline std::string_view TextOf(const uint8_t* Data, size_t Size)
{
    return std::string_view(reinterpret_cast<const char*>(Data), Size);
}

// Targets that read two files take them from one input: a 4-byte little-endian length of the
// first (cut to what is there), the first, then the second.
struct TTwoFiles {
    std::string_view First, Second;
};

inline TTwoFiles SplitTwo(const uint8_t* Data, size_t Size)
{
    if (Size < 4)
        return {};
    const size_t Want = size_t(Data[0]) | size_t(Data[1]) << 8 | size_t(Data[2]) << 16 | size_t(Data[3]) << 24;
    const std::string_view Rest = TextOf(Data + 4, Size - 4);
    const size_t N = Want < Rest.size() ? Want : Rest.size();
    return {Rest.substr(0, N), Rest.substr(N)};
}

inline std::vector<uint8_t> JoinTwo(std::string_view First, std::string_view Second)
{
    std::vector<uint8_t> V;
    const uint32_t N = uint32_t(First.size());
    for (int I = 0; I < 4; ++I)
        V.push_back(uint8_t(N >> (8 * I)));
    V.insert(V.end(), First.begin(), First.end());
    V.insert(V.end(), Second.begin(), Second.end());
    return V;
}

// A broken property: libFuzzer gets an abort; the replay test gets this, so it can tell a
// known open finding (expected to break) from a new one.
class ECheckFailed : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void CheckFailed(const char* Target, const char* What, const char* File, int Line)
{
    std::fprintf(stderr, "fuzz target %s: check failed: %s (%s:%d)\n", Target, What, File, Line);
#ifdef QM_FUZZ_LIBFUZZER
    std::abort();
#else
    throw ECheckFailed(std::string(Target) + ": " + What);
#endif
}

} // namespace qmfuzz

// A property every input must keep (a round trip, a bound); a broken one is a finding.
#define QM_FUZZ_CHECK(Cond)                                                                    \
    do {                                                                                       \
        if (!(Cond))                                                                           \
            ::qmfuzz::CheckFailed(QmFuzzTargetName, #Cond, __FILE__, __LINE__);                \
    } while (0)

// Inputs of a known open finding (kept under open/<target>/) are passed over while fuzzing, so
// the fuzzer looks for new ones; the replay test still checks that they break.
#ifdef QM_FUZZ_LIBFUZZER
#define QM_FUZZ_SKIP_KNOWN(Cond)                                                               \
    do {                                                                                       \
        if (Cond)                                                                              \
            return 0;                                                                          \
    } while (0)
#else
#define QM_FUZZ_SKIP_KNOWN(Cond) ((void)0)
#endif

#ifdef QM_FUZZ_LIBFUZZER
#define QM_FUZZ_ENTRY(Name)                                                                    \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)                    \
    {                                                                                          \
        return QmFuzzEntry_##Name(Data, Size);                                                 \
    }
#else
#define QM_FUZZ_ENTRY(Name) static ::qmfuzz::TRegister QmFuzzRegister_##Name(#Name, QmFuzzEntry_##Name);
#endif

// QM_FUZZ_TARGET(name) { body using Data and Size; return 0; }
#define QM_FUZZ_TARGET(Name)                                                                   \
    [[maybe_unused]] static constexpr const char* QmFuzzTargetName = #Name;                    \
    static int QmFuzzEntry_##Name(const uint8_t* Data, size_t Size);                           \
    QM_FUZZ_ENTRY(Name)                                                                        \
    static int QmFuzzEntry_##Name(const uint8_t* Data, size_t Size)
