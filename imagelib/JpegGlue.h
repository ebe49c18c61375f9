#pragma once
// libjpeg (62 API) over TStream. Every libjpeg call runs inside JpegRun, which arms a setjmp
// trap first: libjpeg reports a fatal error by longjmp back into the trap, and the glue throws
// EJpegError once it is back in C++. Nothing thrown in C++ ever crosses a libjpeg frame: the
// stream managers catch what the stream throws, keep its text and fail the libjpeg way.
//
// Steps handed to JpegRun must keep to plain data (no object with a destructor), because a
// longjmp crosses their frames.

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio> // jpeglib.h needs FILE and size_t first
#include <functional>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/rtl/Stream.h"

constexpr size_t kJpegSourceBufferSize = 4096;
constexpr size_t kJpegDestBufferSize = 65536;
// A progressive file with more scans than this is hostile: each scan costs a pass over the
// whole coefficient buffer.
constexpr int kJpegMaxScans = 1000;

struct TJpegErrorManager {
    jpeg_error_mgr Pub;
    jmp_buf Trap;
    char Message[JMSG_LENGTH_MAX];
    int32_t Warnings;
    bool StreamFailed;
    char StreamError[256];
};

struct TJpegStreamSource {
    jpeg_source_mgr Pub;
    TStream* Stream;
    TJpegErrorManager* Errors;
    bool AtStart;
    JOCTET Buffer[kJpegSourceBufferSize];
};

struct TJpegStreamDest {
    jpeg_destination_mgr Pub;
    TStream* Stream;
    TJpegErrorManager* Errors;
    JOCTET Buffer[kJpegDestBufferSize];
};

struct TJpegDecompressor {
    jpeg_decompress_struct Info;
    TJpegErrorManager Errors;
    TJpegStreamSource Source;
    jpeg_progress_mgr Progress;
};

struct TJpegCompressor {
    jpeg_compress_struct Info;
    TJpegErrorManager Errors;
    TJpegStreamDest Dest;
};

using TJpegDecompressStep = void (*)(j_decompress_ptr Info, void* Arg);
using TJpegCompressStep = void (*)(j_compress_ptr Info, void* Arg);

// Made with jpeg_CreateDecompress and its own sizeof, reading Stream from its position. A
// failure throws EJpegError and leaves nothing allocated.
TJpegDecompressor* JpegCreateDecompressor(TStream* Stream);
void JpegDestroyDecompressor(TJpegDecompressor* D) noexcept;
TJpegCompressor* JpegCreateCompressor(TStream* Stream);
void JpegDestroyCompressor(TJpegCompressor* C) noexcept;

// Runs Step under the error trap. libjpeg's error throws EJpegError with libjpeg's text, or
// with the stream's own text when the stream failed.
void JpegRun(TJpegDecompressor* D, TJpegDecompressStep Step, void* Arg = nullptr);
void JpegRun(TJpegCompressor* C, TJpegCompressStep Step, void* Arg = nullptr);

// Releases a decompressor or compressor on every path out of the caller.
class TJpegDecompressorGuard {
public:
    explicit TJpegDecompressorGuard(TStream* Stream) : FD(JpegCreateDecompressor(Stream)) {}
    ~TJpegDecompressorGuard() { JpegDestroyDecompressor(FD); }
    TJpegDecompressorGuard(const TJpegDecompressorGuard&) = delete;
    TJpegDecompressorGuard& operator=(const TJpegDecompressorGuard&) = delete;
    TJpegDecompressor* operator->() const { return FD; }
    TJpegDecompressor* Get() const { return FD; }

private:
    TJpegDecompressor* FD = nullptr;
};

class TJpegCompressorGuard {
public:
    explicit TJpegCompressorGuard(TStream* Stream) : FC(JpegCreateCompressor(Stream)) {}
    ~TJpegCompressorGuard() { JpegDestroyCompressor(FC); }
    TJpegCompressorGuard(const TJpegCompressorGuard&) = delete;
    TJpegCompressorGuard& operator=(const TJpegCompressorGuard&) = delete;
    TJpegCompressor* operator->() const { return FC; }
    TJpegCompressor* Get() const { return FC; }

private:
    TJpegCompressor* FC = nullptr;
};

// Image facts of a decompressor after jpeg_calc_output_dimensions or jpeg_start_decompress.
struct TJpegImageInfo {
    uint32_t Width;
    uint32_t Height;
    int32_t Components;
    int32_t DensityUnit;
    int32_t XDensity;
    int32_t YDensity;
    J_COLOR_SPACE ColorSpace;
};
TJpegImageInfo JpegGetImageInfo(const TJpegDecompressor* D);

// Rows handed to libjpeg in one trapped call; the picture reports progress between them.
constexpr uint32_t kJpegRowChunk = 32;

// Reading as the picture class does it: the header, grey kept grey and colour delivered as BGR
// (the DIB's byte order), and the output size computed before libjpeg allocates anything, so
// the caller's size guard sees a hostile header first. CMYK and YCCK keep their four components
// and raise EJpegError "Invalid number of samples, 4".
TJpegImageInfo JpegStartReading(TJpegDecompressor* D);
// Decodes the picture into Rows (Info.Height rows of Info.Width x Info.Components bytes) in
// chunks of kJpegRowChunk rows, calling OnChunk (when set) with the rows done after each, and
// finishes. A decoder that delivers another size than Info, or no row for a chunk, raises
// EJpegError.
void JpegReadImage(TJpegDecompressor* D, const TJpegImageInfo& Info, JSAMPROW* Rows,
                   const std::function<void(uint32_t RowsDone)>& OnChunk);

struct TJpegCompressParams {
    uint32_t Width;
    uint32_t Height;
    int32_t Components;
    J_COLOR_SPACE InColorSpace;
    uint8_t DensityUnit;
    uint16_t XDensity;
    uint16_t YDensity;
    int32_t Quality;
    bool Progressive;
    bool Optimize;
};
// jpeg_set_defaults, density, jpeg_set_quality (baseline forced), progression, optimize_coding.
void JpegSetCompressParams(TJpegCompressor* C, const TJpegCompressParams& Params);
