#pragma once
// The records of the images library file "imglib.db": a 264-byte header, then 280-byte picture
// records, little-endian, no padding. Portable (runtime only), so it also builds natively.

#include <bit>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/Classes.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Stream.h"

static_assert(std::endian::native == std::endian::little, "the records are stored in host order");

inline constexpr const char* kImageLibrarySignature = "Quillmoor Images Library File";
inline constexpr int32_t kImageLibraryVersion = 227;
inline constexpr int32_t kImageLibraryNameSize = 256; // 255 characters and a NUL
// The largest size a record can hold: the field is signed 32-bit and counts whole 128-byte blocks.
inline constexpr int32_t kMaxImageFileSize = 0x7FFFFF80;

#pragma pack(push, 1)
struct TImageLibraryHeaderRecord {
    char Signature[256];
    int32_t Version;
    int32_t Count;
};
// The numbers lie in the order size, height, width, unlike the fields in memory.
struct TImageDetailRecord {
    char FileName[256];
    double AddedDate;
    int32_t FileSize;
    int32_t Height;
    int32_t Width;
    uint8_t Reserved[4];
};
#pragma pack(pop)
static_assert(sizeof(TImageLibraryHeaderRecord) == 264);
static_assert(sizeof(TImageDetailRecord) == 280);

// An object that writes and reads itself as one record of a stream.
class TStreamPersistent : public TPersistent {
public:
    std::string ClassName() const override { return "TStreamPersistent"; }
    virtual void SaveToStream(TStream* Stream) = 0;
    virtual void LoadFromStream(TStream* Stream) = 0;
};

// One picture: the key is the full path, compared byte for byte.
class TImageDetail : public TStreamPersistent {
public:
    TImageDetail() = default;
    std::string ClassName() const override { return "TImageDetail"; }
    void Assign(TPersistent* Source) override;
    // Exactly one 280-byte record; a name longer than 255 bytes is cut when written, and kept
    // whole in memory.
    void SaveToStream(TStream* Stream) override;
    // Exactly one record, or EReadError with the object unchanged.
    void LoadFromStream(TStream* Stream) override;

    void ToRecord(TImageDetailRecord& R) const;
    void FromRecord(const TImageDetailRecord& R);

    TDateTime GetAddedDate() const { return FAddedDate; }
    void SetAddedDate(TDateTime Value) { FAddedDate = Value; }
    int32_t GetHeight() const { return FHeight; }
    void SetHeight(int32_t Value) { FHeight = Value; }
    int32_t GetFileSize() const { return FFileSize; }
    void SetFileSize(int32_t Value) { FFileSize = Value; }
    int32_t GetWidth() const { return FWidth; }
    void SetWidth(int32_t Value) { FWidth = Value; }
    const std::string& GetFileName() const { return FFileName; }
    void SetFileName(const std::string& Value) { FFileName = Value; }

private:
    TDateTime FAddedDate = 0;
    int32_t FHeight = 0;
    int32_t FFileSize = 0;
    int32_t FWidth = 0;
    std::string FFileName;
};

class TImageLibraryHeader : public TStreamPersistent {
public:
    TImageLibraryHeader() = default;
    std::string ClassName() const override { return "TImageLibraryHeader"; }
    void Assign(TPersistent* Source) override;
    void SaveToStream(TStream* Stream) override;
    void LoadFromStream(TStream* Stream) override;

    void ToRecord(TImageLibraryHeaderRecord& R) const;
    void FromRecord(const TImageLibraryHeaderRecord& R);
    bool HasOurSignature() const { return FSignature == kImageLibrarySignature; }

    int32_t GetCount() const { return FCount; }
    void SetCount(int32_t Value) { FCount = Value; }
    int32_t GetVersion() const { return FVersion; }
    void SetVersion(int32_t Value) { FVersion = Value; }
    const std::string& GetSignature() const { return FSignature; }
    void SetSignature(const std::string& Value) { FSignature = Value; }

private:
    int32_t FCount = 0;
    int32_t FVersion = kImageLibraryVersion;
    std::string FSignature = kImageLibrarySignature;
};

// Reads a library from Stream's position, never failing on a damaged file: a short header or a
// foreign signature reads nothing (false; Header untouched), else Header takes the file's
// signature and version, each whole record up to the file's count is handed to Add (the first
// incomplete record ends the read), and Header's count becomes the number handed over. Nothing is sized from the count. Errors of the stream itself (other than its
// end) and of Add are passed on.
bool ReadImageLibrary(TStream* Stream, TImageLibraryHeader& Header,
                      const std::function<void(std::unique_ptr<TImageDetail>)>& Add);

// A file's byte size as the library records it: whole 128-byte blocks, clamped to what the
// signed field holds; a negative size gives 0.
int32_t RoundImageFileSize(int64_t Size);
