#pragma once
// Shared helpers of the codec tests: pictures in the codec's layout, reading and writing them
// through memory streams, and the Pillow cross-checks of the native test program.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "imagelib/bmc/Bmc.h"
#include "platform/rtl/Stream.h"
#include "tests/imagelib/support/ByteStreams.h"

namespace bmctest {

using ImageTest::BytesOf;
using ImageTest::StreamOf;

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& Os, const Rgb& C)
{
    return Os << "(" << int(C.r) << "," << int(C.g) << "," << int(C.b) << ")";
}

// A picture in the codec's layout: rows bottom-up, padded to 4 bytes, B, G, R.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 0;
    std::vector<BMCRGB> palette = std::vector<BMCRGB>(256, BMCRGB{0, 0, 0});
    std::vector<uint8_t> data;

    BMC Bmc() const
    {
        BMC B;
        B.width = width;
        B.height = height;
        B.bpp = bpp;
        return B;
    }
    int32_t RowBytes() const { return (width * bpp + 31) / 32 * 4; }
    // Y counts from the top, as the files and Pillow do.
    uint8_t* Row(int32_t Y) { return data.data() + static_cast<size_t>(height - 1 - Y) * RowBytes(); }
    const uint8_t* Row(int32_t Y) const { return data.data() + static_cast<size_t>(height - 1 - Y) * RowBytes(); }

    int Index(int32_t X, int32_t Y) const
    {
        const uint8_t* R = Row(Y);
        switch (bpp) {
        case 1: return (R[X >> 3] >> (7 - (X & 7))) & 1;
        case 4: return (X & 1) ? (R[X >> 1] & 0x0F) : (R[X >> 1] >> 4);
        case 8: return R[X];
        default: return -1;
        }
    }
    void SetIndex(int32_t X, int32_t Y, int V)
    {
        uint8_t* R = Row(Y);
        if (bpp == 1) {
            const int Bit = 7 - (X & 7);
            R[X >> 3] = static_cast<uint8_t>((R[X >> 3] & ~(1 << Bit)) | ((V & 1) << Bit));
        } else if (bpp == 4) {
            R[X >> 1] = (X & 1) ? static_cast<uint8_t>((R[X >> 1] & 0xF0) | (V & 0x0F))
                                : static_cast<uint8_t>((R[X >> 1] & 0x0F) | ((V & 0x0F) << 4));
        } else {
            R[X] = static_cast<uint8_t>(V);
        }
    }
    Rgb Color(int32_t X, int32_t Y) const
    {
        if (bpp == 24) {
            const uint8_t* P = Row(Y) + 3 * X;
            return Rgb{P[2], P[1], P[0]};
        }
        const BMCRGB& C = palette[static_cast<size_t>(Index(X, Y))];
        return Rgb{C.red, C.green, C.blue};
    }
    void SetColor(int32_t X, int32_t Y, Rgb C)
    {
        uint8_t* P = Row(Y) + 3 * X;
        P[0] = C.b;
        P[1] = C.g;
        P[2] = C.r;
    }
    std::vector<Rgb> Colors() const
    {
        std::vector<Rgb> V;
        for (int32_t Y = 0; Y < height; ++Y)
            for (int32_t X = 0; X < width; ++X)
                V.push_back(Color(X, Y));
        return V;
    }
};

inline Picture NewPicture(int32_t W, int32_t H, int32_t Bpp)
{
    Picture P;
    P.width = W;
    P.height = H;
    P.bpp = Bpp;
    P.data.assign(static_cast<size_t>(P.RowBytes()) * H, 0);
    return P;
}

// A picture with a pattern in every pixel (and every channel) and a palette of distinct colours.
inline Picture PatternPicture(int32_t W, int32_t H, int32_t Bpp, int Seed = 0)
{
    Picture P = NewPicture(W, H, Bpp);
    const int Entries = Bpp == 24 ? 0 : 1 << Bpp;
    for (int I = 0; I < Entries; ++I)
        P.palette[I] = BMCRGB{static_cast<uint8_t>((I * 37 + Seed) % 256), static_cast<uint8_t>((I * 101 + 7) % 256),
                              static_cast<uint8_t>((255 - I * 13) % 256)};
    if (Bpp == 1) {
        P.palette[0] = BMCRGB{0, 0, 0};
        P.palette[1] = BMCRGB{255, 255, 255};
    }
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X) {
            const int V = (X * 7 + Y * 13 + (X * Y) % 11 + Seed) & 0xFF;
            if (Bpp == 24)
                P.SetColor(X, Y, Rgb{static_cast<uint8_t>(V), static_cast<uint8_t>((X * 29 + Y) & 0xFF),
                                     static_cast<uint8_t>((Y * 31 + 200 - X) & 0xFF)});
            else
                P.SetIndex(X, Y, V % Entries);
        }
    return P;
}

// Header, palette and data as a front end reads them, into buffers of exactly the picture's
// size (so the sanitizer sees any write outside it). Returns the first failing code.
inline int32_t ReadBytes(const std::vector<uint8_t>& Bytes, int32_t Type, Picture& Out, const char* Options = "",
                         int64_t StartAt = 0, uint8_t Fill = 0xA5)
{
    auto S = StreamOf(Bytes);
    S->SetPosition(StartAt);
    BMC B;
    int32_t Rc = bmc_read_header("", S.get(), Type, &B, Options);
    if (Rc != BMC_OK)
        return Rc;
    Out = Picture{};
    Out.width = B.width;
    Out.height = B.height;
    Out.bpp = B.bpp;
    if (B.bpp != 24) {
        Rc = bmc_read_palette(S.get(), Type, &B, Out.palette.data());
        if (Rc != BMC_OK)
            return Rc;
    }
    const int64_t Size = bmc_data_size(&B);
    EXPECT_EQ(Size, static_cast<int64_t>(Out.RowBytes()) * Out.height);
    // Filled with a marker, so data the reader should have zeroed shows.
    Out.data.assign(static_cast<size_t>(Size), Fill);
    return bmc_read_data(S.get(), Type, &B, nullptr, nullptr, Out.data.data());
}

inline std::vector<uint8_t> WriteBytes(const Picture& P, int32_t Type, const char* Options, int32_t* Rc)
{
    TMemoryStream S;
    const BMC B = P.Bmc();
    *Rc = bmc_write("", &S, Type, &B, P.palette.data(), P.data.data(), Options, nullptr, nullptr);
    return BytesOf(S);
}

inline std::vector<uint8_t> WriteOk(const Picture& P, int32_t Type, const char* Options = "")
{
    int32_t Rc = -1;
    std::vector<uint8_t> Bytes = WriteBytes(P, Type, Options, &Rc);
    EXPECT_EQ(Rc, BMC_OK) << bmc_err(Rc);
    return Bytes;
}

inline Picture ReadOk(const std::vector<uint8_t>& Bytes, int32_t Type, const char* Options = "")
{
    Picture P;
    const int32_t Rc = ReadBytes(Bytes, Type, P, Options);
    EXPECT_EQ(Rc, BMC_OK) << bmc_err(Rc);
    return P;
}

// The pixels' colours are equal (the palettes may differ).
inline void ExpectSameColors(const Picture& A, const Picture& B)
{
    ASSERT_EQ(A.width, B.width);
    ASSERT_EQ(A.height, B.height);
    for (int32_t Y = 0; Y < A.height; ++Y)
        for (int32_t X = 0; X < A.width; ++X)
            ASSERT_EQ(A.Color(X, Y), B.Color(X, Y)) << "at " << X << "," << Y;
}

// Same indexes (or B, G, R bytes), ignoring row padding.
inline void ExpectSamePixels(const Picture& A, const Picture& B)
{
    ASSERT_EQ(A.width, B.width);
    ASSERT_EQ(A.height, B.height);
    ASSERT_EQ(A.bpp, B.bpp);
    for (int32_t Y = 0; Y < A.height; ++Y)
        for (int32_t X = 0; X < A.width; ++X) {
            if (A.bpp == 24)
                ASSERT_EQ(A.Color(X, Y), B.Color(X, Y)) << "at " << X << "," << Y;
            else
                ASSERT_EQ(A.Index(X, Y), B.Index(X, Y)) << "at " << X << "," << Y;
        }
}

// A byte builder for hand-made files.
struct Bytes {
    std::vector<uint8_t> v;
    Bytes& u8(int X)
    {
        v.push_back(static_cast<uint8_t>(X));
        return *this;
    }
    Bytes& u16(uint32_t X) { return u8(X & 0xFF).u8((X >> 8) & 0xFF); }
    Bytes& u32(uint32_t X) { return u16(X & 0xFFFF).u16(X >> 16); }
    Bytes& raw(std::initializer_list<int> L)
    {
        for (int X : L)
            u8(X);
        return *this;
    }
    Bytes& fill(size_t N, int X)
    {
        v.insert(v.end(), N, static_cast<uint8_t>(X));
        return *this;
    }
    Bytes& append(const std::vector<uint8_t>& O)
    {
        v.insert(v.end(), O.begin(), O.end());
        return *this;
    }
};

// ---------------------------------------------------------------------------------------------
// Pillow cross-checks: only the native test program runs them (Debian's python3 with Pillow).

class TScratchDir {
public:
    TScratchDir()
    {
        static std::atomic<int> Counter{0};
        const auto Stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        FPath = std::filesystem::temp_directory_path() /
                ("qm_bmc_" + std::to_string(Stamp) + "_" + std::to_string(Counter++));
        std::filesystem::create_directories(FPath);
    }
    ~TScratchDir()
    {
        std::error_code Ignored;
        std::filesystem::remove_all(FPath, Ignored);
    }
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;
    std::string File(const std::string& Name) const { return (FPath / Name).string(); }

private:
    std::filesystem::path FPath;
};

inline std::string ScriptDir()
{
#ifdef BMC_TEST_DIR
    return BMC_TEST_DIR;
#else
    return std::filesystem::path(__FILE__).parent_path().string();
#endif
}

inline std::string Python()
{
#ifdef BMC_TEST_PYTHON
    return BMC_TEST_PYTHON;
#else
    return "/usr/bin/python3";
#endif
}

// The Windows test program skips the cross-checks; the native one runs them.
#ifdef _WIN32
#define BMC_NEEDS_PILLOW() GTEST_SKIP() << "Pillow cross-checks run in the native test program"
#else
#define BMC_NEEDS_PILLOW() (void)0
#endif

inline bool RunScript(const std::string& Script, const std::string& Args)
{
    const std::string Cmd = "'" + Python() + "' '" + ScriptDir() + "/" + Script + "' " + Args;
    return std::system(Cmd.c_str()) == 0;
}

// What Pillow sees in a file: size, mode and RGB pixels top row first.
struct PillowImage {
    bool ok = false;
    int32_t width = 0;
    int32_t height = 0;
    std::string mode;
    std::vector<Rgb> pixels;
};

inline PillowImage ReadWithPillow(const TScratchDir& Dir, const std::vector<uint8_t>& File, const std::string& Ext)
{
    PillowImage R;
    const std::string In = Dir.File("in." + Ext);
    const std::string Out = Dir.File("pillow.out");
    ImageTest::WriteFileBytes(In, File);
    if (!RunScript("read_with_pillow.py", "'" + In + "' '" + Out + "'"))
        return R;
    const std::vector<uint8_t> B = ImageTest::ReadFileBytes(Out);
    size_t Nl = 0;
    while (Nl < B.size() && B[Nl] != '\n')
        ++Nl;
    std::istringstream Head(std::string(B.begin(), B.begin() + static_cast<std::ptrdiff_t>(Nl)));
    Head >> R.width >> R.height >> R.mode;
    const size_t N = static_cast<size_t>(R.width) * R.height;
    if (B.size() != Nl + 1 + 3 * N)
        return R;
    for (size_t I = 0; I < N; ++I)
        R.pixels.push_back(Rgb{B[Nl + 1 + 3 * I], B[Nl + 2 + 3 * I], B[Nl + 3 + 3 * I]});
    R.ok = true;
    return R;
}

// A file Pillow writes (make_fixture.py), and what Pillow reads back from it.
inline std::vector<uint8_t> PillowFixture(const TScratchDir& Dir, const std::string& Format, const std::string& Mode,
                                          bool Rle = false)
{
    const std::string Out = Dir.File("fixture_" + Mode + (Rle ? "_rle" : "") + "." + Format);
    if (!RunScript("make_fixture.py", Format + " " + Mode + " '" + Out + "'" + (Rle ? " rle" : "")))
        return {};
    return ImageTest::ReadFileBytes(Out);
}

inline void ExpectPillowSees(const PillowImage& Seen, const Picture& P)
{
    ASSERT_TRUE(Seen.ok) << "Pillow could not read the file";
    ASSERT_EQ(Seen.width, P.width);
    ASSERT_EQ(Seen.height, P.height);
    const std::vector<Rgb> Ours = P.Colors();
    ASSERT_EQ(Seen.pixels.size(), Ours.size());
    for (size_t I = 0; I < Ours.size(); ++I)
        ASSERT_EQ(Seen.pixels[I], Ours[I]) << "pixel " << I % P.width << "," << I / P.width;
}

// Records the percentages a codec reports.
struct ProgressLog {
    std::vector<int32_t> calls;
    static void Proc(int32_t Percent, void* Data) { static_cast<ProgressLog*>(Data)->calls.push_back(Percent); }
    // 0 first, 100 last, each call a new and larger value.
    void ExpectWellFormed() const
    {
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls.front(), 0);
        EXPECT_EQ(calls.back(), 100);
        for (size_t I = 1; I < calls.size(); ++I)
            EXPECT_GT(calls[I], calls[I - 1]);
    }
};

} // namespace bmctest
