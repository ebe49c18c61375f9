#pragma once
// The GIF file model, its reader and writer and the variable-length-code LZW coder. Portable:
// depends on platform/rtl only, so it also builds natively for sanitizers and fuzzing. TGif
// (Gif.h) adds the bitmaps, palettes, drawing and animation on top of it.
//
// Colours are kept in the platform's order 0x00BBGGRR. Every format fault raises
// EInvalidGraphicOperation "TGif: <text>" (GifError); the last code and text are per thread.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Stream.h"
#include "platform/rtl/SysUtils.h"

// Error codes (their texts: GifErrorText).
enum : int32_t {
    gifNoError = 0, gifInvalidSignature = 1, gifNoColorTable = 2, gifUnknownExtensionType = 3,
    gifUnknownOpCode = 4, gifInvalidBlockSize = 5, gifSpecialMessage = 6, gifInvalidTerminator = 7,
    gifInvalidIntegerSize = 8, gifNoTerminator = 9, gifExtensionOutOfOrder = 10,
    gifInvalidImageIndex = 11, gifInvalidLzwCodeSize = 12, gifInvalidLzwData = 13, gifLzwOverflow = 14,
    gifValueOutOfRange = 15, gifNilPointer = 16, gifInvalidColorTableSize = 17, gifNoImage = 18,
    gifInvalidBitmapImage = 19, gifInvalidColorTableIndex = 20, gifInvalidInterlacePass = 21,
    gifInvalidBitmap = 22, gifTooManyColors = 23, gifNextMessage = 24
};

const char* GifErrorText(int32_t Code);
// Records the code and text for this thread and raises "TGif: <text>".
[[noreturn]] void GifError(int32_t Code);
// Code 6 with the caller's text.
[[noreturn]] void GifErrorMessage(const std::string& Text);
int32_t GifLastErrorCode();
std::string GifLastErrorText();
void GifResetLastError();

// A buffer of Count bytes, computed in 64 bits: above 1 GiB, or when memory runs out, raises
// EOutOfMemory (nothing is allocated in the first case).
constexpr int64_t GifMaxPixelBytes = int64_t(1) << 30;
void GifAllocatePixels(std::vector<uint8_t>& Buffer, int64_t Width, int64_t Height);

using TGifSubBlocks = std::vector<std::vector<uint8_t>>; // each 1..255 bytes as read

enum : uint8_t { gifGraphicControl = 0xF9, gifComment = 0xFE, gifPlainText = 0x01, gifApplication = 0xFF };

struct TGifExtension {
    uint8_t Label = gifGraphicControl;
    // Graphic control
    uint8_t BlockSize = 4;
    uint8_t Disposal = 0;
    bool UserInput = false;
    bool TransparentFlag = false;
    uint16_t Delay = 0; // hundredths of a second in the file
    uint8_t TransparentIndex = 0;
    // Plain text (block size 12)
    uint16_t GridLeft = 0, GridTop = 0, GridWidth = 0, GridHeight = 0;
    uint8_t CellWidth = 0, CellHeight = 0, ForegroundIndex = 0, BackgroundIndex = 0;
    // Application (block size 11)
    uint8_t Identifier[8] = {};
    uint8_t AuthCode[3] = {};
    // Comment, plain text and application data
    TGifSubBlocks SubBlocks;

    bool operator==(const TGifExtension&) const = default;
};

// A graphic control extension as an image gets one when it lacks it.
TGifExtension GifDefaultGraphicControl();

struct TGifColorTable {
    int32_t Count = 0;           // 2..256
    uint32_t Colors[256] = {};   // 0x00BBGGRR; unused slots 0
    bool operator==(const TGifColorTable&) const = default;
};

struct TGifScreen {
    int32_t Width = 0;
    int32_t Height = 0;
    bool GlobalTable = false;
    uint8_t ColorResolution = 1; // 1..8
    bool Sort = false;
    int32_t GlobalTableSize = 0; // 2..256
    uint8_t BackgroundIndex = 0;
    uint8_t AspectRatio = 0;
    int32_t GlobalTableIndex = -1;
};

struct TGifImage {
    int32_t Index = 0; // position in the image list
    int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    bool LocalTable = false;
    bool Interlaced = false;
    bool Sort = false;
    int32_t TableSize = 0;
    int32_t TableIndex = -1;
    uint8_t LZWSize = 8;
    std::vector<TGifExtension> Extensions;
    std::vector<uint8_t> Pixels; // Width x Height indices, rows top to bottom

    // The graphic control extension, or nullptr.
    TGifExtension* GraphicControl();
    const TGifExtension* GraphicControl() const;
    // Adds a default one when missing.
    TGifExtension& EnsureGraphicControl();
};

// The smallest s with 2^(s+1) >= Count (0..7).
uint8_t GifTableSizeCode(int32_t Count);

// The 100-unit reporting rule: Stage 0 starting, 1 running, 2 ending.
class TGifProgress {
public:
    using THandler = std::function<void(int32_t Stage, uint8_t Percent, const std::string& Msg)>;
    explicit TGifProgress(THandler Handler = nullptr) : FHandler(std::move(Handler)) {}
    void Start(int64_t Total, const std::string& Msg);
    // Cheap when nothing is due.
    void Step(int64_t Position)
    {
        if (FHandler && Position >= FLastPosition + 100)
            Report(Position);
    }
    void End();

private:
    void Report(int64_t Position);
    THandler FHandler;
    int64_t FTotal = 0;
    int64_t FLastPosition = 0;
    uint8_t FLastPercent = 0;
    std::string FMsg;
};

// Where decoded pixels go besides the buffer (progressive display). Both may be empty.
struct TGifPixelSink {
    std::function<void(int32_t X, int32_t Y, uint8_t Index)> Pixel;
    std::function<void(int32_t Y)> RowStart;
};

// LZW-decodes Data into Image.Pixels (already allocated, zero-filled), interlaced when flagged.
// Stops at the end code, when the data run out or when every pixel is placed.
void GifLzwDecode(TGifImage& Image, const uint8_t* Data, size_t Size, TGifProgress* Progress,
                  const TGifPixelSink* Sink = nullptr);
// The uncompressed form (code size 0): a bits-per-pixel byte (1..8), then packed pixels.
void GifSimpleDecode(TGifImage& Image, const uint8_t* Data, size_t Size, TGifProgress* Progress,
                     const TGifPixelSink* Sink = nullptr);
// The coded data (without sub-block framing) for the image's pixels and LZWSize.
std::vector<uint8_t> GifLzwEncode(const TGifImage& Image, TGifProgress* Progress);
std::vector<uint8_t> GifSimpleEncode(const TGifImage& Image, TGifProgress* Progress);

// A whole file.
struct TGifDocument {
    std::string Signature = "------";
    TGifScreen Screen;
    std::vector<TGifImage> Images;
    std::vector<TGifColorTable> Tables;
    std::vector<TGifExtension> Pending; // extensions read before their image

    void Clear() { *this = TGifDocument(); }
};

struct TGifReadHooks {
    TGifProgress* Progress = nullptr;
    // Called with the image about to be decoded (its buffer allocated); may return a sink.
    std::function<const TGifPixelSink*(TGifImage& Image)> BeforeDecode;
};

// Reads a file from Data into Doc (cleared first). On a fault Doc keeps what was read so far.
void GifRead(TGifDocument& Doc, const uint8_t* Data, size_t Size, const TGifReadHooks& Hooks = {});
// Reads the whole of Source, from its start.
void GifReadStream(TGifDocument& Doc, TStream* Source, const TGifReadHooks& Hooks = {});
// Writes the file to Target at its position.
void GifWrite(const TGifDocument& Doc, TStream* Target, TGifProgress* Progress = nullptr);
// The signature a save would use.
std::string GifSignatureFor(const TGifDocument& Doc);
