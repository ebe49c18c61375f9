#pragma once
// Buffered byte access for the codecs, through the installed stream procedures.

#include <cstdint>
#include <memory>

#include "imagelib/bmc/Bmc.h"

// One byte at a time from a 16384-byte buffer; -1 at the end of the stream (or of the limit
// given) and after a failed read.
class BufferedReader {
public:
    static constexpr int32_t BufferSize = 16384;

    // Limit: the most bytes to give from the stream's position; -1 for no limit.
    explicit BufferedReader(TStream* Stream, int64_t Limit = -1);
    BufferedReader(const BufferedReader&) = delete;
    BufferedReader& operator=(const BufferedReader&) = delete;

    // False when the buffer could not be allocated.
    bool Ok() const { return FBuffer != nullptr; }

    int GetByte()
    {
        if (FPos < FLen)
            return FBuffer[FPos++];
        return Fill();
    }
    // Up to Count bytes; returns how many came.
    int32_t Read(void* Buffer, int32_t Count);
    // Drops Count bytes; false when the stream ended first.
    bool Skip(int64_t Count);

private:
    int Fill();

    TStream* FStream = nullptr;
    int64_t FLeft;
    std::unique_ptr<uint8_t[]> FBuffer;
    int32_t FPos = 0;
    int32_t FLen = 0;
    bool FEnd = false;
};

// Collects bytes into 16384-byte writes; the first short write sticks as a failure.
class BufferedWriter {
public:
    static constexpr int32_t BufferSize = 16384;

    explicit BufferedWriter(TStream* Stream);
    BufferedWriter(const BufferedWriter&) = delete;
    BufferedWriter& operator=(const BufferedWriter&) = delete;

    bool Ok() const { return FBuffer != nullptr; }
    void PutByte(uint8_t Value)
    {
        if (FLen == BufferSize)
            Flush();
        FBuffer[FLen++] = Value;
    }
    void Write(const void* Buffer, int32_t Count);
    // Writes what is held; false once any write has failed.
    bool Flush();

private:
    TStream* FStream = nullptr;
    std::unique_ptr<uint8_t[]> FBuffer;
    int32_t FLen = 0;
    bool FFailed = false;
};

// Exactly Count bytes at the stream's position: 0, else BMC_ERR_READ / BMC_ERR_WRITE.
int32_t bmc_read_exact(TStream* Stream, void* Buffer, int32_t Count);
int32_t bmc_write_exact(TStream* Stream, const void* Buffer, int32_t Count);
// Moves to an absolute position: 0, else BMC_ERR_READ.
int32_t bmc_seek_to(TStream* Stream, int64_t Position);
