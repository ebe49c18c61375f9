#pragma once
// Helpers of the JPEG and PNG tests: a minimal PNG writer of their own (so fixtures do not
// depend on the reader under test) and byte probes of both formats.

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/imagelib/support/ByteStreams.h"
#include "tests/imagelib/support/Pictures.h"

namespace JpegPngTest {

using ImageTest::LoadBytes;
using ImageTest::MakeSmooth;
using ImageTest::MeanAbsError;
using ImageTest::Pixels;
using ImageTest::SaveBytes;
using ImageTest::TBytes;
using ImageTest::TFailingStream;
using ImageTest::TFullStream;

inline uint32_t BigEndian32(const uint8_t* P) { return uint32_t(P[0]) << 24 | uint32_t(P[1]) << 16 | uint32_t(P[2]) << 8 | P[3]; }

inline void Put32(TBytes& Out, uint32_t V)
{
    for (int S = 24; S >= 0; S -= 8)
        Out.push_back(uint8_t(V >> S));
}

inline void AppendChunk(TBytes& Out, const char* Type, const TBytes& Data, bool BadCrc = false)
{
    Put32(Out, uint32_t(Data.size()));
    const size_t Start = Out.size();
    Out.insert(Out.end(), Type, Type + 4);
    Out.insert(Out.end(), Data.begin(), Data.end());
    uint32_t Crc = uint32_t(crc32(0, Out.data() + Start, uInt(Out.size() - Start)));
    Put32(Out, BadCrc ? Crc ^ 0x5A5A5A5Au : Crc);
}

struct TChunk {
    std::string Type;
    TBytes Data;
    bool BadCrc = false;
};

// A non-interlaced PNG of the given raw rows (each row without its filter byte).
inline TBytes MakePng(uint32_t W, uint32_t H, uint8_t BitDepth, uint8_t ColorType, const std::vector<TBytes>& Rows,
                      const std::vector<TChunk>& Extra = {})
{
    TBytes Out = {137, 80, 78, 71, 13, 10, 26, 10};
    TBytes Ihdr;
    Put32(Ihdr, W);
    Put32(Ihdr, H);
    Ihdr.insert(Ihdr.end(), {BitDepth, ColorType, 0, 0, 0});
    AppendChunk(Out, "IHDR", Ihdr);
    for (const TChunk& C : Extra)
        AppendChunk(Out, C.Type.c_str(), C.Data, C.BadCrc);
    TBytes Raw;
    for (const TBytes& R : Rows) {
        Raw.push_back(0);
        Raw.insert(Raw.end(), R.begin(), R.end());
    }
    uLongf Size = compressBound(uLong(Raw.size()));
    TBytes Z(Size);
    compress2(Z.data(), &Size, Raw.data(), uLong(Raw.size()), 6);
    Z.resize(Size);
    AppendChunk(Out, "IDAT", Z);
    AppendChunk(Out, "IEND", {});
    return Out;
}

// Offset of the chunk's length field, or -1.
inline int64_t FindChunk(const TBytes& Png, const char* Type)
{
    size_t P = 8;
    while (P + 8 <= Png.size()) {
        const uint32_t Len = BigEndian32(&Png[P]);
        if (std::memcmp(&Png[P + 4], Type, 4) == 0)
            return int64_t(P);
        P += 12 + size_t(Len);
    }
    return -1;
}

inline TBytes ChunkData(const TBytes& Png, const char* Type)
{
    const int64_t P = FindChunk(Png, Type);
    if (P < 0)
        return {};
    const uint32_t Len = BigEndian32(&Png[size_t(P)]);
    return TBytes(Png.begin() + P + 8, Png.begin() + P + 8 + Len);
}

// The JPEG markers of a file in order, entropy-coded data skipped.
inline std::vector<uint8_t> JpegMarkers(const TBytes& J)
{
    std::vector<uint8_t> M;
    size_t P = 2;
    if (J.size() < 2 || J[0] != 0xFF || J[1] != 0xD8)
        return M;
    M.push_back(0xD8);
    while (P + 4 <= J.size()) {
        if (J[P] != 0xFF)
            return M;
        const uint8_t Code = J[P + 1];
        M.push_back(Code);
        if (Code == 0xD9)
            return M;
        const size_t Len = size_t(J[P + 2]) << 8 | J[P + 3];
        P += 2 + Len;
        if (Code == 0xDA) // entropy-coded data up to the next marker that is not a stuffing or restart
            while (P + 1 < J.size() && !(J[P] == 0xFF && J[P + 1] != 0 && (J[P + 1] < 0xD0 || J[P + 1] > 0xD7)))
                ++P;
    }
    return M;
}

inline bool HasMarker(const TBytes& J, uint8_t Code)
{
    for (uint8_t C : JpegMarkers(J))
        if (C == Code)
            return true;
    return false;
}

} // namespace JpegPngTest
