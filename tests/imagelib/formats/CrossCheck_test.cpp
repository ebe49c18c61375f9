// Cross-checks with Pillow: it reads our files with our pixels, and we read its files with its
// pixels. Pillow runs as the host's Python, which Wine starts as a Unix program.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <windows.h>

#include "FormatsTestUtil.h"
#include "imagelib/BitmapGraphic.h"
#include "imagelib/IconGraphic.h"
#include "imagelib/PcxGraphic.h"
#include "imagelib/PpmGraphic.h"
#include "imagelib/TgaGraphic.h"
#include "imagelib/bmc/Bmc.h"

using namespace FormatsTest;

namespace {

// The shared folder, by its Unix path and by the path Wine maps it to.
std::string UnixDir() { return "/tmp/qm-formats-" + std::to_string(GetCurrentProcessId()); }
std::string WinPath(const std::string& Unix)
{
    std::string P = "Z:" + Unix;
    for (char& C : P)
        if (C == '/')
            C = '\\';
    return P;
}

// Runs a host program (a Unix path); true when it finished and Expect (a Unix path) exists.
bool RunHost(const std::string& Program, const std::string& Args, const std::string& Expect)
{
    DeleteFileA(WinPath(Expect).c_str());
    std::string Cmd = "\"" + Program + "\" " + Args;
    STARTUPINFOA Si{};
    Si.cb = sizeof(Si);
    PROCESS_INFORMATION Pi{};
    const std::string App = WinPath(Program);
    if (!CreateProcessA(App.c_str(), Cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Si, &Pi))
        return false;
    WaitForSingleObject(Pi.hProcess, 60000);
    CloseHandle(Pi.hThread);
    CloseHandle(Pi.hProcess);
    // A Unix child may be reported done before its files are closed: wait for the output.
    for (int I = 0; I < 300; ++I) {
        if (GetFileAttributesA(WinPath(Expect).c_str()) != INVALID_FILE_ATTRIBUTES) {
            Sleep(50);
            return true;
        }
        Sleep(100);
    }
    return false;
}

bool Pillow(const std::string& Args, const std::string& Expect)
{
    return RunHost(FORMATS_TEST_PYTHON, std::string(FORMATS_TEST_DIR) + "/pil_check.py " + Args, Expect);
}

bool PillowAvailable()
{
    static int State = -1;
    if (State < 0) {
        CreateDirectoryA(WinPath(UnixDir()).c_str(), nullptr);
        TPpmGraphic G;
        G.NewImage(1, 1, ifTrueColor);
        TMemoryStream S;
        G.SaveToStream(&S);
        S.SaveToFile(WinPath(UnixDir() + "/probe.ppm"));
        State = Pillow("read " + UnixDir() + "/probe.ppm " + UnixDir() + "/probe.raw", UnixDir() + "/probe.raw") ? 1 : 0;
    }
    return State == 1;
}

struct TRaw {
    int32_t W = 0, H = 0;
    Bytes Rgb;
};

TRaw ReadRaw(const std::string& Unix)
{
    TMemoryStream S;
    S.LoadFromFile(WinPath(Unix));
    const Bytes B = BytesOf(S);
    TRaw R;
    const auto Nl = std::find(B.begin(), B.end(), '\n');
    std::istringstream(std::string(B.begin(), Nl)) >> R.W >> R.H;
    R.Rgb.assign(Nl + 1, B.end());
    return R;
}

::testing::AssertionResult SameAsRaw(const TDibGraphic& G, const TRaw& R)
{
    if (G.GetWidth() != R.W || G.GetHeight() != R.H || R.Rgb.size() != size_t(R.W) * R.H * 3)
        return ::testing::AssertionFailure() << "size " << G.GetWidth() << "x" << G.GetHeight() << " vs " << R.W << "x" << R.H;
    for (int32_t Y = 0; Y < R.H; ++Y)
        for (int32_t X = 0; X < R.W; ++X) {
            const uint8_t* P = &R.Rgb[(size_t(Y) * R.W + X) * 3];
            if (G.GetPixelColor(X, Y) != PackRgb(P[0], P[1], P[2]))
                return ::testing::AssertionFailure() << "pixel " << X << "," << Y << std::hex << ": " << G.GetPixelColor(X, Y)
                                                     << " vs " << PackRgb(P[0], P[1], P[2]);
        }
    return ::testing::AssertionSuccess();
}

// Our file read by Pillow.
void CheckPillowReads(TDibGraphic& G, const std::string& Name, int32_t Frame = -1)
{
    const std::string File = UnixDir() + "/" + Name, Out = File + ".raw";
    TMemoryStream S;
    G.SaveToStream(&S);
    S.SaveToFile(WinPath(File));
    ASSERT_TRUE(Pillow("read " + File + " " + Out + (Frame >= 0 ? " " + std::to_string(Frame) : ""), Out)) << Name;
    EXPECT_TRUE(SameAsRaw(G, ReadRaw(Out))) << Name;
}

// Pillow's file read by us.
void CheckWeRead(TDibGraphic& G, const std::string& Mode, const std::string& Format, const std::string& Name,
                 const std::string& Extra = "")
{
    const std::string File = UnixDir() + "/" + Name;
    ASSERT_TRUE(Pillow("make " + Mode + " " + Format + " " + File + " " + Extra, File + ".rgb")) << Name;
    TMemoryStream S;
    S.LoadFromFile(WinPath(File));
    G.LoadFromStream(&S);
    EXPECT_TRUE(SameAsRaw(G, ReadRaw(File + ".rgb"))) << Name;
}

// Removes the shared folder when the program ends.
class TScratchCleanup : public testing::Environment {
public:
    void TearDown() override
    {
        const std::string Dir = WinPath(UnixDir()) + "\\";
        WIN32_FIND_DATAA D;
        HANDLE H = FindFirstFileA((Dir + "*").c_str(), &D);
        if (H != INVALID_HANDLE_VALUE) {
            do
                if (!(D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileA((Dir + D.cFileName).c_str());
            while (FindNextFileA(H, &D));
            FindClose(H);
        }
        RemoveDirectoryA(Dir.c_str());
    }
};
const testing::Environment* const Cleanup = testing::AddGlobalTestEnvironment(new TScratchCleanup);

#define REQUIRE_PILLOW()                                                                                               \
    if (!PillowAvailable())                                                                                            \
    GTEST_SKIP() << "Pillow cannot be started from this process"

} // namespace

TEST(CrossCheck, PillowReadsOurFiles)
{
    REQUIRE_PILLOW();
    for (ImageFormat F : {ifBlackWhite, ifColor256, ifTrueColor}) {
        TPcxGraphic P;
        MakeColorPattern(P, 29, 7, F, 5);
        CheckPillowReads(P, "our" + std::to_string(F) + ".pcx");
    }
    TPcxGraphic Inverted; // (white, black): written inverted
    TDibLogPalette Pal{};
    Pal.Version = 0x300, Pal.NumEntries = 2;
    Pal.Entries[0] = {255, 255, 255, 0}, Pal.Entries[1] = {0, 0, 0, 0};
    Inverted.NewImage(19, 3, ifBlackWhite, &Pal);
    Inverted.SetPixelIndex(2, 1, 1);
    CheckPillowReads(Inverted, "inverted.pcx");
    for (int32_t F = 0; F < kImageFormatCount; ++F) {
        TBitmapGraphic B;
        MakeColorPattern(B, 21, 5, static_cast<ImageFormat>(F), 9);
        CheckPillowReads(B, "our" + std::to_string(F) + ".bmp");
        TPpmGraphic N;
        MakePattern(N, 21, 5, static_cast<ImageFormat>(F), 4);
        for (bool Binary : {false, true}) {
            N.SetBinary(Binary);
            CheckPillowReads(N, "our" + std::to_string(F) + (Binary ? "b" : "a") + ".pnm");
        }
    }
    for (ImageFormat F : {ifGray256, ifColor256, ifTrueColor}) {
        TTgaGraphic T;
        MakeColorPattern(T, 17, 6, F, 2);
        CheckPillowReads(T, "our" + std::to_string(F) + ".tga");
    }
    TDcxGraphic Pages[3];
    TMemoryStream Dcx;
    for (int I = 0; I < 3; ++I) {
        // Pillow finds an 8-bit page's palette at the end of the whole file and its data at
        // offset 128 of the whole file, so its DCX check uses pages without a palette trailer.
        MakeColorPattern(Pages[I], 12 + I, 4, I == 1 ? ifBlackWhite : ifTrueColor, I + 3);
        Pages[I].AppendImageToStream(&Dcx);
    }
    const std::string File = UnixDir() + "/three.dcx";
    Dcx.SaveToFile(WinPath(File));
    for (int I = 0; I < 3; ++I) {
        ASSERT_TRUE(Pillow("read " + File + " " + File + ".raw " + std::to_string(I), File + ".raw"));
        EXPECT_TRUE(SameAsRaw(Pages[I], ReadRaw(File + ".raw"))) << I;
    }
}

TEST(CrossCheck, WeReadPillowFiles)
{
    REQUIRE_PILLOW();
    for (const char* Mode : {"1", "L", "P", "RGB"}) {
        TPcxGraphic P;
        CheckWeRead(P, Mode, "PCX", std::string("pil") + Mode + ".pcx");
    }
    for (const char* Mode : {"L", "P", "RGB", "RGBA"})
        for (bool Rle : {false, true}) {
            TTgaGraphic T;
            CheckWeRead(T, Mode, "TGA", std::string("pil") + Mode + (Rle ? "r" : "u") + ".tga", Rle ? "rle" : "");
        }
    for (const char* Mode : {"1", "L", "RGB"}) {
        TPpmGraphic N;
        CheckWeRead(N, Mode, "PPM", std::string("pil") + Mode + ".pnm");
        TBitmapGraphic B;
        CheckWeRead(B, Mode, "BMP", std::string("pil") + Mode + ".bmp");
    }
}

TEST(CrossCheck, PillowIconCompositedOnBackground)
{
    REQUIRE_PILLOW();
    const std::string File = UnixDir() + "/pil.ico";
    ASSERT_TRUE(Pillow("icon " + File + " 0 255 0", File + ".rgb"));
    TMemoryStream S;
    S.LoadFromFile(WinPath(File));
    TIconGraphic G;
    EXPECT_EQ(G.GetBackgroundColor(), 0xFFFFFFu);
    EXPECT_TRUE(G.CanLoadStream(&S));
    G.SetBackgroundColor(PackRgb(0, 255, 0));
    G.LoadFromStream(&S);
    EXPECT_EQ(G.GetImageFormat(), ifTrueColor);
    EXPECT_TRUE(SameAsRaw(G, ReadRaw(File + ".rgb")));
}

TEST(CrossCheck, ImageMagickReadsOurPnm)
{
    REQUIRE_PILLOW();
    if (GetFileAttributesA(WinPath("/usr/bin/convert").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no ImageMagick";
    for (int32_t F = 0; F < kImageFormatCount; ++F)
        for (bool Binary : {false, true}) {
            TPpmGraphic N;
            MakePattern(N, 19, 6, static_cast<ImageFormat>(F), 8);
            N.SetBinary(Binary);
            const std::string File = UnixDir() + "/im" + std::to_string(F) + (Binary ? "b" : "a") + ".pnm";
            TMemoryStream S;
            N.SaveToStream(&S);
            S.SaveToFile(WinPath(File));
            ASSERT_TRUE(RunHost("/usr/bin/convert", File + " -depth 8 rgb:" + File + ".rgb", File + ".rgb"));
            TMemoryStream Out;
            Out.LoadFromFile(WinPath(File + ".rgb"));
            TRaw R;
            R.W = 19, R.H = 6;
            R.Rgb = BytesOf(Out);
            EXPECT_TRUE(SameAsRaw(N, R)) << File;
        }
}

TEST(CrossCheck, SixteenBitPnmFromImageMagick)
{
    REQUIRE_PILLOW();
    if (GetFileAttributesA(WinPath("/usr/bin/convert").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no ImageMagick";
    for (const char* Kind : {"pgm", "ppm"}) {
        const std::string File = UnixDir() + "/deep." + Kind;
        ASSERT_TRUE(RunHost("/usr/bin/convert", std::string("-size 7x3 gradient:#FF8000-#008040 -depth 16 ") +
                                (Kind[1] == 'g' ? "-colorspace Gray " : "") + File, File));
        ASSERT_TRUE(RunHost("/usr/bin/convert", File + " -depth 8 rgb:" + File + ".rgb", File + ".rgb"));
        TMemoryStream S;
        S.LoadFromFile(WinPath(File));
        const Bytes B = BytesOf(S);
        EXPECT_NE(std::string(B.begin(), B.begin() + 20).find("65535"), std::string::npos);
        TPpmGraphic G;
        G.LoadFromStream(&S);
        // Exactly round(v x 255 / 65535) of the file's big-endian samples.
        const std::string Text(B.begin(), B.end());
        const size_t Data = Text.find('\n', Text.find("65535")) + 1;
        const int32_t Channels = Kind[1] == 'g' ? 1 : 3;
        ASSERT_EQ(B.size() - Data, size_t(7 * 3 * Channels * 2));
        for (int32_t Y = 0; Y < 3; ++Y)
            for (int32_t X = 0; X < 7; ++X) {
                uint8_t C[3];
                for (int32_t K = 0; K < 3; ++K) {
                    const size_t At = Data + ((size_t(Y) * 7 + X) * Channels + (Channels == 1 ? 0 : K)) * 2;
                    const uint32_t V = (B[At] << 8) | B[At + 1];
                    C[K] = static_cast<uint8_t>((V * 255 + 32767) / 65535);
                }
                EXPECT_EQ(G.GetPixelColor(X, Y), PackRgb(C[0], C[1], C[2])) << X << "," << Y;
            }
        // ImageMagick's own 16-to-8 scaling may differ by one.
        TMemoryStream Out;
        Out.LoadFromFile(WinPath(File + ".rgb"));
        const Bytes Im = BytesOf(Out);
        ASSERT_EQ(Im.size(), size_t(7 * 3 * 3));
        for (int32_t Y = 0; Y < 3; ++Y)
            for (int32_t X = 0; X < 7; ++X)
                for (int32_t K = 0; K < 3; ++K) {
                    const int32_t Ours = (G.GetPixelColor(X, Y) >> (16 - 8 * K)) & 0xFF;
                    EXPECT_LE(std::abs(Ours - Im[(size_t(Y) * 7 + X) * 3 + K]), 1) << X << "," << Y;
                }
    }
}

TEST(CrossCheck, PillowReadsTheCodecsOs2Bitmap)
{
    REQUIRE_PILLOW();
    for (ImageFormat F : {ifBlackWhite, ifColor16, ifColor256, ifTrueColor}) {
        TBitmapGraphic G;
        MakeColorPattern(G, 15, 6, F, 11);
        BMC Bmc;
        Bmc.width = 15, Bmc.height = 6, Bmc.bpp = BitsPerPixel(F);
        BMCRGB Pal[256] = {};
        for (int I = 0; F != ifTrueColor && I < G.LogPalette()->NumEntries; ++I)
            Pal[I] = {G.LogPalette()->Entries[I].Red, G.LogPalette()->Entries[I].Green, G.LogPalette()->Entries[I].Blue};
        TMemoryStream S;
        // A 1-bit file gets the codec's own palette: black, white unless "inv" exchanges it.
        ASSERT_EQ(bmc_write("x.bmp", &S, 0, &Bmc, Pal, G.ScanLine(5), "1.1", nullptr, nullptr), 0);
        EXPECT_EQ(Get32(BytesOf(S), 14), 12u);
        const std::string File = UnixDir() + "/os2_" + std::to_string(F) + ".bmp";
        S.SaveToFile(WinPath(File));
        ASSERT_TRUE(Pillow("read " + File + " " + File + ".raw", File + ".raw"));
        EXPECT_TRUE(SameAsRaw(G, ReadRaw(File + ".raw"))) << File;
    }
}
