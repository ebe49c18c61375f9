// The TStream procedures and the buffered reader and writer.

#include "imagelib/bmc/BmcIo.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/rtl/FileStream.h"

namespace {

// The stream layer may raise (a failed file read, a seek before the start); the codecs only
// see -1, so nothing unwinds through them.
TStream* StreamOpen(const char* FileName)
{
    if (!FileName)
        return nullptr;
    try {
        return new TFileStream(FileName, fmOpenRead | fmShareDenyWrite);
    } catch (...) {
        return nullptr;
    }
}

TStream* StreamCreate(const char* FileName)
{
    if (!FileName)
        return nullptr;
    try {
        return new TFileStream(FileName, fmCreate);
    } catch (...) {
        return nullptr;
    }
}

int32_t StreamClose(TStream* Stream)
{
    try {
        delete Stream;
    } catch (...) {
        return -1;
    }
    return 0;
}

int64_t StreamSeek(TStream* Stream, int64_t Offset, int32_t Origin)
{
    const TSeekOrigin O = Origin == 0 ? soBeginning : (Origin == 2 ? soEnd : soCurrent);
    try {
        return Stream->Seek(Offset, O);
    } catch (...) {
        return -1;
    }
}

int32_t StreamRead(TStream* Stream, void* Buffer, int32_t Count)
{
    try {
        return Stream->Read(Buffer, Count);
    } catch (...) {
        return -1;
    }
}

int32_t StreamWrite(TStream* Stream, const void* Buffer, int32_t Count)
{
    try {
        return Stream->Write(Buffer, Count);
    } catch (...) {
        return -1;
    }
}

constexpr BMCIO kStreamProcedures = {StreamOpen, StreamCreate, StreamClose, StreamSeek, StreamRead, StreamWrite};

BMCIO gIo = kStreamProcedures;

} // namespace

void bmc_io_setup(const BMCIO* Table)
{
    gIo = Table ? *Table : kStreamProcedures;
}

const BMCIO& bmc_io()
{
    return gIo;
}

int32_t bmc_read_exact(TStream* Stream, void* Buffer, int32_t Count)
{
    auto* P = static_cast<uint8_t*>(Buffer);
    while (Count > 0) {
        const int32_t N = gIo.read(Stream, P, Count);
        if (N <= 0 || N > Count)
            return BMC_ERR_READ;
        P += N;
        Count -= N;
    }
    return BMC_OK;
}

int32_t bmc_write_exact(TStream* Stream, const void* Buffer, int32_t Count)
{
    auto* P = static_cast<const uint8_t*>(Buffer);
    while (Count > 0) {
        const int32_t N = gIo.write(Stream, P, Count);
        if (N <= 0 || N > Count)
            return BMC_ERR_WRITE;
        P += N;
        Count -= N;
    }
    return BMC_OK;
}

int32_t bmc_seek_to(TStream* Stream, int64_t Position)
{
    if (Position < 0 || gIo.seek(Stream, Position, 0) != Position)
        return BMC_ERR_READ;
    return BMC_OK;
}

// ---------------------------------------------------------------------------------------------

BufferedReader::BufferedReader(TStream* Stream, int64_t Limit)
    : FStream(Stream), FLeft(Limit), FBuffer(new (std::nothrow) uint8_t[BufferSize])
{
}

int BufferedReader::Fill()
{
    if (FEnd || !FBuffer)
        return -1;
    int32_t Want = BufferSize;
    if (FLeft >= 0 && FLeft < Want)
        Want = static_cast<int32_t>(FLeft);
    const int32_t N = Want > 0 ? gIo.read(FStream, FBuffer.get(), Want) : 0;
    if (N <= 0 || N > Want) {
        FEnd = true;
        FPos = FLen = 0;
        return -1;
    }
    if (FLeft >= 0)
        FLeft -= N;
    FLen = N;
    FPos = 1;
    return FBuffer[0];
}

int32_t BufferedReader::Read(void* Buffer, int32_t Count)
{
    auto* P = static_cast<uint8_t*>(Buffer);
    int32_t Done = 0;
    while (Done < Count) {
        if (FPos < FLen) {
            const int32_t N = std::min(FLen - FPos, Count - Done);
            std::memcpy(P + Done, FBuffer.get() + FPos, static_cast<size_t>(N));
            FPos += N;
            Done += N;
            continue;
        }
        const int C = Fill();
        if (C < 0)
            break;
        P[Done++] = static_cast<uint8_t>(C);
    }
    return Done;
}

bool BufferedReader::Skip(int64_t Count)
{
    while (Count > 0) {
        if (FPos < FLen) {
            const int64_t N = std::min<int64_t>(FLen - FPos, Count);
            FPos += static_cast<int32_t>(N);
            Count -= N;
            continue;
        }
        if (Fill() < 0)
            return false;
        --Count;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

BufferedWriter::BufferedWriter(TStream* Stream)
    : FStream(Stream), FBuffer(new (std::nothrow) uint8_t[BufferSize])
{
}

void BufferedWriter::Write(const void* Buffer, int32_t Count)
{
    const auto* P = static_cast<const uint8_t*>(Buffer);
    while (Count > 0) {
        if (FLen == BufferSize)
            Flush();
        const int32_t N = std::min(BufferSize - FLen, Count);
        std::memcpy(FBuffer.get() + FLen, P, static_cast<size_t>(N));
        FLen += N;
        P += N;
        Count -= N;
    }
}

bool BufferedWriter::Flush()
{
    if (FLen > 0 && !FFailed && bmc_write_exact(FStream, FBuffer.get(), FLen) != BMC_OK)
        FFailed = true;
    FLen = 0;
    return !FFailed;
}
