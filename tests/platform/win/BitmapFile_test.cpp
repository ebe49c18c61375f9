// .bmp files: written by Pillow, ImageMagick or our own byte writer at test time, read back
// with exact colours; our files read by Pillow; hostile files refused without a crash.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/rtl/FileStream.h"
#include "platform/rtl/Stream.h"
#include "platform/win/Bitmap.h"
#include "platform/win/BmpFormat.h"
#include "tests/platform/win/GraphicsTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace GraphicsTest;

namespace {

// The formulas of pyhelpers/pictures.py.
constexpr int32_t W = 37, H = 23;
TColor TrueColor(int32_t X, int32_t Y) { return RGB((X * 7 + Y * 3) % 256, (Y * 11 + 5) % 256, (X * Y + 17) % 256); }
TColor PaletteColor(int32_t I) { return RGB((I * 37) % 256, (I * 91 + 7) % 256, (I * 53 + 11) % 256); }
int32_t PaletteIndex(int32_t X, int32_t Y, int32_t N) { return (X + 3 * Y) % N; }
int32_t RleIndex(int32_t X, int32_t Y) { return (X / 5 + 3 * Y) % 256; }

void Put16(std::vector<uint8_t>& B, uint32_t V)
{
    B.push_back(uint8_t(V));
    B.push_back(uint8_t(V >> 8));
}
void Put32(std::vector<uint8_t>& B, uint32_t V)
{
    for (int I = 0; I < 4; ++I)
        B.push_back(uint8_t(V >> (8 * I)));
}

// Our own writer of test files: a file header, an info header of HeaderSize bytes (40, 108 or
// 124) with masks inside or after it, an optional colour table, then the given pixel bytes.
std::vector<uint8_t> MakeBmp(int32_t Width, int32_t Height, int BitCount, uint32_t Compression, int HeaderSize,
                             const std::vector<uint32_t>& Masks, const std::vector<uint32_t>& Colors,
                             const std::vector<uint8_t>& Pixels, uint32_t ClrUsed = 0)
{
    std::vector<uint8_t> Info;
    Put32(Info, uint32_t(HeaderSize));
    Put32(Info, uint32_t(Width));
    Put32(Info, uint32_t(Height));
    Put16(Info, 1);
    Put16(Info, uint32_t(BitCount));
    Put32(Info, Compression);
    Put32(Info, uint32_t(Pixels.size()));
    Put32(Info, 2835);
    Put32(Info, 2835);
    Put32(Info, ClrUsed ? ClrUsed : uint32_t(Colors.size()));
    Put32(Info, 0);
    if (HeaderSize > 40) {
        for (size_t I = 0; I < 4; ++I)
            Put32(Info, I < Masks.size() ? Masks[I] : 0);
        Info.resize(size_t(HeaderSize), 0);
    } else {
        for (uint32_t M : Masks)
            Put32(Info, M);
    }
    for (uint32_t C : Colors)
        Put32(Info, C);
    std::vector<uint8_t> File = {'B', 'M'};
    Put32(File, uint32_t(14 + Info.size() + Pixels.size()));
    Put32(File, 0);
    Put32(File, uint32_t(14 + Info.size()));
    File.insert(File.end(), Info.begin(), Info.end());
    File.insert(File.end(), Pixels.begin(), Pixels.end());
    return File;
}

void LoadBytes(TBitmap& B, const std::vector<uint8_t>& Bytes)
{
    TMemoryStream S;
    if (!Bytes.empty())
        S.WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
    S.SetPosition(0);
    B.LoadFromStream(&S);
}

uint8_t Expand(uint32_t V, uint32_t Max) { return uint8_t((V * 255 + Max / 2) / Max); }

void ExpectPattern(TBitmap& B, const std::function<TColor(int32_t, int32_t)>& Want, const std::string& What)
{
    ASSERT_EQ(B.GetWidth(), W) << What;
    ASSERT_EQ(B.GetHeight(), H) << What;
    int Wrong = 0;
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X)
            if (B.GetCanvas()->GetPixel(X, Y) != Want(X, Y) && Wrong++ < 5)
                ADD_FAILURE() << What << ": pixel " << X << "," << Y << " is " << std::hex
                              << B.GetCanvas()->GetPixel(X, Y) << ", expected " << Want(X, Y);
    EXPECT_EQ(Wrong, 0) << What;
}

uint32_t FileU32(const std::vector<uint8_t>& F, size_t Off)
{
    return uint32_t(F[Off]) | (uint32_t(F[Off + 1]) << 8) | (uint32_t(F[Off + 2]) << 16) | (uint32_t(F[Off + 3]) << 24);
}

std::vector<uint8_t> ReadFileBytes(const std::string& Path)
{
    TMemoryStream S;
    S.LoadFromFile(Path);
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return std::vector<uint8_t>(P, P + S.GetSize());
}

class BitmapFiles : public testing::Test {
protected:
    TestSupport::TTempFolder Temp;

    std::string MakeWithHelper(const std::string& Kind)
    {
        const std::string Path = Temp.File("p_" + Kind + ".bmp");
        std::string Log;
        const int Code = RunHelper(Temp.Path(), "bmp " + Kind + " '" + UnixPath(Path) + "'", &Log);
        EXPECT_EQ(Code, 0) << Log;
        return Path;
    }
};

} // namespace

TEST_F(BitmapFiles, FilesOfPillowAndImageMagickLoadWithExactColours)
{
    struct TCase {
        const char* Kind;
        uint32_t HeaderSize;
        int Bits;
        uint32_t Compression;
        TPixelFormat Format;
        std::function<TColor(int32_t, int32_t)> Want;
    };
    const TCase Cases[] = {
        {"1", 40, 1, 0, pf1bit, [](int32_t X, int32_t Y) { return PaletteIndex(X, Y, 2) ? clWhite : clBlack; }},
        {"4", 40, 4, 0, pf4bit, [](int32_t X, int32_t Y) { return PaletteColor(PaletteIndex(X, Y, 16)); }},
        {"8", 40, 8, 0, pf8bit, [](int32_t X, int32_t Y) { return PaletteColor(PaletteIndex(X, Y, 256)); }},
        {"24", 40, 24, 0, pf24bit, TrueColor},
        {"32", 40, 32, 0, pf32bit, TrueColor},
        {"rle8", 40, 8, 1, pf8bit, [](int32_t X, int32_t Y) { return PaletteColor(RleIndex(X, Y)); }},
        {"os2", 12, 24, 0, pf24bit, TrueColor},
    };
    for (const auto& C : Cases) {
        const std::string Path = MakeWithHelper(C.Kind);
        const auto Bytes = ReadFileBytes(Path);
        ASSERT_GT(Bytes.size(), 30u) << C.Kind;
        // The file really is of the kind we mean to test.
        EXPECT_EQ(FileU32(Bytes, 14), C.HeaderSize) << C.Kind;
        if (C.HeaderSize == 40) {
            EXPECT_EQ(Bytes[28], C.Bits) << C.Kind;
            EXPECT_EQ(FileU32(Bytes, 30), C.Compression) << C.Kind;
        } else {
            EXPECT_EQ(Bytes[24], C.Bits) << C.Kind;
        }
        TBitmap B;
        B.LoadFromFile(Path);
        EXPECT_EQ(B.GetPixelFormat(), C.Format) << C.Kind;
        ExpectPattern(B, C.Want, C.Kind);
    }
}

TEST_F(BitmapFiles, BitFieldsTopDownAndRle4FromOurOwnWriter)
{
    // 16 bits, 5-6-5 bit fields and BI_RGB 5-5-5: the layout is kept, so the words are compared.
    for (const bool Is565 : {true, false}) {
        std::vector<uint8_t> Px;
        auto Pack = [&](int32_t X, int32_t Y) {
            const TColor C = TrueColor(X, Y);
            return Is565 ? uint16_t(((GetRValue(C) >> 3) << 11) | ((GetGValue(C) >> 2) << 5) | (GetBValue(C) >> 3))
                         : uint16_t(((GetRValue(C) >> 3) << 10) | ((GetGValue(C) >> 3) << 5) | (GetBValue(C) >> 3));
        };
        for (int32_t Y = H - 1; Y >= 0; --Y) {
            for (int32_t X = 0; X < W; ++X)
                Put16(Px, Pack(X, Y));
            Put16(Px, 0); // 37 * 2 = 74 bytes, padded to 76
        }
        TBitmap B;
        if (Is565)
            LoadBytes(B, MakeBmp(W, H, 16, BI_BITFIELDS, 40, {0xF800, 0x07E0, 0x001F}, {}, Px));
        else
            LoadBytes(B, MakeBmp(W, H, 16, BI_RGB, 40, {}, {}, Px));
        EXPECT_EQ(B.GetPixelFormat(), Is565 ? pf16bit : pf15bit);
        int Wrong = 0;
        for (int32_t Y = 0; Y < H; ++Y)
            for (int32_t X = 0; X < W; ++X)
                Wrong += static_cast<const uint16_t*>(B.ScanLine(Y))[X] != Pack(X, Y);
        EXPECT_EQ(Wrong, 0) << (Is565 ? "565" : "555");
        // GDI shows them with the top bits of each channel as they were written.
        const TColor C = B.GetCanvas()->GetPixel(5, 7);
        EXPECT_EQ(GetRValue(C) >> 3, GetRValue(TrueColor(5, 7)) >> 3);
        EXPECT_EQ(GetBValue(C) >> 3, GetBValue(TrueColor(5, 7)) >> 3);
    }
    // 16 bits in 4-4-4-4 bit fields have no GDI layout and widen to 32 bits, each channel
    // scaled to the nearest 8-bit value.
    {
        std::vector<uint8_t> Px;
        auto Nibbles = [](int32_t X, int32_t Y) { return uint16_t((X * 7 + Y * 13) & 0x0FFF); };
        for (int32_t Y = H - 1; Y >= 0; --Y) {
            for (int32_t X = 0; X < W; ++X)
                Put16(Px, Nibbles(X, Y));
            Put16(Px, 0);
        }
        TBitmap B;
        LoadBytes(B, MakeBmp(W, H, 16, BI_BITFIELDS, 40, {0x0F00, 0x00F0, 0x000F}, {}, Px));
        EXPECT_EQ(B.GetPixelFormat(), pf32bit);
        ExpectPattern(B, [&](int32_t X, int32_t Y) {
            const uint16_t V = Nibbles(X, Y);
            return static_cast<TColor>(RGB(Expand((V >> 8) & 15, 15), Expand((V >> 4) & 15, 15), Expand(V & 15, 15)));
        }, "4-4-4");
    }
    // 24 bits, top-down.
    {
        std::vector<uint8_t> Px;
        for (int32_t Y = 0; Y < H; ++Y) {
            for (int32_t X = 0; X < W; ++X) {
                const TColor C = TrueColor(X, Y);
                Px.push_back(GetBValue(C));
                Px.push_back(GetGValue(C));
                Px.push_back(GetRValue(C));
            }
            Px.push_back(0); // 111 bytes, padded to 112
        }
        TBitmap B;
        LoadBytes(B, MakeBmp(W, -H, 24, BI_RGB, 40, {}, {}, Px));
        ExpectPattern(B, TrueColor, "top-down");
    }
    // 32 bits in a V5 header with R-G-B-A byte order masks (widened to B-G-R-A).
    {
        std::vector<uint8_t> Px;
        for (int32_t Y = H - 1; Y >= 0; --Y)
            for (int32_t X = 0; X < W; ++X) {
                const TColor C = TrueColor(X, Y);
                Px.push_back(GetRValue(C));
                Px.push_back(GetGValue(C));
                Px.push_back(GetBValue(C));
                Px.push_back(0xFF);
            }
        TBitmap B;
        LoadBytes(B, MakeBmp(W, H, 32, BI_BITFIELDS, 124, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}, {}, Px));
        EXPECT_EQ(B.GetPixelFormat(), pf32bit);
        ExpectPattern(B, TrueColor, "V5 bit fields");
        // And a V4 header with the ordinary masks.
        TBitmap V4;
        std::vector<uint8_t> Bgra;
        for (int32_t Y = H - 1; Y >= 0; --Y)
            for (int32_t X = 0; X < W; ++X) {
                const TColor C = TrueColor(X, Y);
                Bgra.insert(Bgra.end(), {GetBValue(C), GetGValue(C), GetRValue(C), 0});
            }
        LoadBytes(V4, MakeBmp(W, H, 32, BI_BITFIELDS, 108, {0xFF0000, 0xFF00, 0xFF, 0}, {}, Bgra));
        ExpectPattern(V4, TrueColor, "V4 bit fields");
    }
    // An OS/2 1.x header with an 8-bit palette of three-byte entries.
    {
        std::vector<uint8_t> F = {'B', 'M'};
        const uint32_t Stride = (W + 3) & ~3u;
        Put32(F, 14 + 12 + 256 * 3 + Stride * H);
        Put32(F, 0);
        Put32(F, 14 + 12 + 256 * 3);
        Put32(F, 12);
        Put16(F, W);
        Put16(F, H);
        Put16(F, 1);
        Put16(F, 8);
        for (int32_t I = 0; I < 256; ++I) {
            const TColor C = PaletteColor(I);
            F.insert(F.end(), {GetBValue(C), GetGValue(C), GetRValue(C)});
        }
        for (int32_t Y = H - 1; Y >= 0; --Y) {
            for (int32_t X = 0; X < W; ++X)
                F.push_back(uint8_t(PaletteIndex(X, Y, 256)));
            F.resize(F.size() + (Stride - W), 0);
        }
        TBitmap B;
        LoadBytes(B, F);
        EXPECT_EQ(B.GetPixelFormat(), pf8bit);
        ExpectPattern(B, [](int32_t X, int32_t Y) { return PaletteColor(PaletteIndex(X, Y, 256)); }, "OS/2 8 bits");
    }
    // RLE4: runs, an absolute run, an end of line and the end of the picture.
    {
        std::vector<uint32_t> Colors;
        for (int32_t I = 0; I < 16; ++I) {
            const TColor C = PaletteColor(I);
            Colors.push_back(uint32_t(GetBValue(C)) | (uint32_t(GetGValue(C)) << 8) | (uint32_t(GetRValue(C)) << 16));
        }
        // 7 x 2 picture. Bottom row: 4 pixels of 1,2,1,2 then the absolute run 3,4,5; top
        // row: 7 of 5.
        const std::vector<uint8_t> Rle = {4, 0x12, 0, 3, 0x34, 0x50, 0, 0, 7, 0x55, 0, 1};
        TBitmap B;
        LoadBytes(B, MakeBmp(7, 2, 4, BI_RLE4, 40, {}, Colors, Rle));
        EXPECT_EQ(B.GetPixelFormat(), pf4bit);
        const int32_t Bottom[7] = {1, 2, 1, 2, 3, 4, 5};
        for (int32_t X = 0; X < 7; ++X) {
            EXPECT_EQ(B.GetCanvas()->GetPixel(X, 1), PaletteColor(Bottom[X])) << X;
            EXPECT_EQ(B.GetCanvas()->GetPixel(X, 0), PaletteColor(5)) << X;
        }
        // Runs beyond the row, deltas beyond the picture and a cut end are dropped, not written.
        const std::vector<uint8_t> Wild = {255, 0x77, 0, 2, 200, 200, 3, 0x11, 0, 9, 0x12};
        TBitmap C;
        LoadBytes(C, MakeBmp(6, 2, 4, BI_RLE4, 40, {}, Colors, Wild));
        EXPECT_EQ(C.GetCanvas()->GetPixel(0, 1), PaletteColor(7));
        EXPECT_EQ(C.GetCanvas()->GetPixel(0, 0), PaletteColor(0));
    }
}

TEST_F(BitmapFiles, SavedFilesOpenInPillowWithTheSamePixels)
{
    struct TCase {
        TPixelFormat Format;
        int FileBits;
    };
    const TCase Cases[] = {{pf1bit, 1}, {pf4bit, 4}, {pf8bit, 8}, {pf24bit, 24}, {pf32bit, 24}, {pf16bit, 24}, {pfDevice, 24}};
    for (const auto& C : Cases) {
        TBitmap B;
        B.SetPixelFormat(C.Format);
        B.SetSize(W, H);
        TCanvas* Cv = B.GetCanvas();
        Cv->GetBrush()->SetColor(clWhite);
        Cv->FillRect(Rect(0, 0, W, H));
        Cv->GetBrush()->SetColor(C.Format == pf1bit ? clBlack : clRed);
        Cv->Ellipse(3, 2, 30, 20);
        Cv->GetPen()->SetColor(C.Format == pf1bit ? clBlack : clBlue);
        Cv->MoveTo(0, 0);
        Cv->LineTo(W, H);
        const std::string Path = Temp.File("saved_" + std::to_string(int(C.Format)) + ".bmp");
        B.SaveToFile(Path);
        const auto Bytes = ReadFileBytes(Path);
        EXPECT_EQ(Bytes[28], C.FileBits) << "format " << int(C.Format);
        const std::string Dump = Path + ".txt";
        std::string Log;
        ASSERT_EQ(RunHelper(Temp.Path(), "pixels '" + UnixPath(Path) + "' '" + UnixPath(Dump) + "'", &Log), 0) << Log;
        TPixelDump D;
        ASSERT_TRUE(ReadPixelDump(Dump, D));
        ASSERT_EQ(D.Width, W);
        ASSERT_EQ(D.Height, H);
        int Wrong = 0;
        for (int32_t Y = 0; Y < H; ++Y)
            for (int32_t X = 0; X < W; ++X) {
                const TColor Mine = B.GetCanvas()->GetPixel(X, Y);
                const uint32_t P = D.At(X, Y);
                const TColor Theirs = RGB(P >> 24, (P >> 16) & 0xFF, (P >> 8) & 0xFF);
                Wrong += Mine != Theirs;
            }
        EXPECT_EQ(Wrong, 0) << "format " << int(C.Format);
        // And it reads back into the same pixels here.
        TBitmap Again;
        Again.LoadFromFile(Path);
        int Back = 0;
        for (int32_t Y = 0; Y < H; ++Y)
            for (int32_t X = 0; X < W; ++X)
                Back += Again.GetCanvas()->GetPixel(X, Y) != B.GetCanvas()->GetPixel(X, Y);
        EXPECT_EQ(Back, 0) << "format " << int(C.Format);
    }
}

namespace {

void ExpectInvalid(const std::vector<uint8_t>& Bytes, const std::string& What)
{
    TBitmap B;
    B.SetSize(3, 3);
    try {
        LoadBytes(B, Bytes);
        ADD_FAILURE() << What << ": loaded";
    } catch (const EInvalidGraphic& E) {
        EXPECT_STREQ(E.what(), "Invalid bitmap file") << What;
    }
    EXPECT_EQ(B.GetWidth(), 3) << What << ": a refused file must leave the bitmap as it was";
}

size_t PagefilePeak()
{
    PROCESS_MEMORY_COUNTERS C{};
    C.cb = sizeof(C);
    K32GetProcessMemoryInfo(GetCurrentProcess(), &C, sizeof(C));
    return C.PeakPagefileUsage;
}

} // namespace

TEST(BitmapHostile, BadFilesRaiseInvalidGraphicWithoutLargeAllocations)
{
    const std::vector<uint8_t> Row(4, 0);
    const auto Good = MakeBmp(1, 1, 24, BI_RGB, 40, {}, {}, Row);
    {
        TBitmap B;
        LoadBytes(B, Good); // the base of the cases below is sound
        EXPECT_EQ(B.GetWidth(), 1);
    }
    const size_t PeakBefore = PagefilePeak();

    ExpectInvalid({}, "empty");
    ExpectInvalid(std::vector<uint8_t>(Good.begin(), Good.begin() + 30), "cut header");
    ExpectInvalid(std::vector<uint8_t>(Good.begin(), Good.begin() + 14), "file header only");
    ExpectInvalid(MakeBmp(0, 1, 24, BI_RGB, 40, {}, {}, Row), "width 0");
    ExpectInvalid(MakeBmp(1, 0, 24, BI_RGB, 40, {}, {}, Row), "height 0");
    ExpectInvalid(MakeBmp(1, 0x7FFFFFFF, 24, BI_RGB, 40, {}, {}, Row), "height 0x7FFFFFFF");
    ExpectInvalid(MakeBmp(1, int32_t(0x80000000u), 24, BI_RGB, 40, {}, {}, Row), "height -2^31");
    ExpectInvalid(MakeBmp(40000, 40000, 32, BI_RGB, 40, {}, {}, Row), "40000 x 40000 x 32");
    ExpectInvalid(MakeBmp(16000, 16000, 32, BI_RGB, 40, {}, {}, Row), "pixels beyond the end");
    ExpectInvalid(MakeBmp(-5, 1, 24, BI_RGB, 40, {}, {}, Row), "negative width");
    {
        auto F = Good;
        F[10] = 0xF0; // pixel offset beyond the end
        F[11] = 0xFF;
        ExpectInvalid(F, "pixel offset beyond the end");
    }
    {
        std::vector<uint32_t> Colors(4, 0);
        ExpectInvalid(MakeBmp(1, 1, 8, BI_RGB, 40, {}, Colors, Row, 100000), "100,000 palette entries");
        ExpectInvalid(MakeBmp(1, 1, 8, BI_RGB, 40, {}, {}, Row, 200), "palette beyond the end");
    }
    {
        auto F = Good;
        F[14] = 41; // an unknown header size
        ExpectInvalid(F, "header size 41");
        F = Good;
        F[14 + 12] = 2; // two planes
        ExpectInvalid(F, "planes");
        F = Good;
        F[14 + 14] = 7; // 7 bits
        ExpectInvalid(F, "bit count 7");
        F = Good;
        F[14 + 16] = 9; // compression 9
        ExpectInvalid(F, "compression 9");
        F = Good;
        F[14 + 16] = BI_RLE8; // RLE8 with 24 bits
        ExpectInvalid(F, "RLE8 at 24 bits");
        F = Good;
        F[0] = 'X';
        ExpectInvalid(F, "signature");
    }
    ExpectInvalid(MakeBmp(1, 1, 16, BI_BITFIELDS, 40, {0, 0, 0}, {}, Row), "empty bit fields");
    ExpectInvalid(MakeBmp(1, 1, 16, BI_BITFIELDS, 40, {0xF0F0, 0x0F00, 0x000F}, {}, Row), "broken bit fields");
    ExpectInvalid(MakeBmp(1, -1, 8, BI_RLE8, 40, {}, std::vector<uint32_t>(2, 0), Row), "top-down RLE");

    EXPECT_LT(PagefilePeak() - PeakBefore, size_t(64) << 20) << "a hostile file made a large allocation";
}

TEST(BitmapHostile, MutatedFilesLoadOrRaiseButNeverCrash)
{
    // A small 8-bit RLE file and a 4-bit file, with random bytes changed.
    std::vector<uint32_t> Colors(16, 0x00808080);
    const std::vector<uint8_t> Rle = {3, 1, 0, 3, 1, 2, 3, 0, 0, 0, 2, 5, 0, 2, 1, 1, 0, 1};
    const auto Base1 = MakeBmp(5, 3, 8, BI_RLE8, 40, {}, Colors, Rle);
    const auto Base2 = MakeBmp(5, 3, 4, BI_RGB, 40, {}, Colors, std::vector<uint8_t>(12, 0x12));
    std::mt19937 Random(1234);
    int Loaded = 0, Refused = 0;
    for (int I = 0; I < 3000; ++I) {
        auto F = (I & 1) ? Base1 : Base2;
        const int Changes = 1 + int(Random() % 4);
        for (int K = 0; K < Changes; ++K)
            F[Random() % F.size()] = uint8_t(Random());
        if (Random() % 5 == 0)
            F.resize(Random() % F.size());
        TBitmap B;
        try {
            LoadBytes(B, F);
            ++Loaded;
            EXPECT_GT(B.GetWidth(), 0);
        } catch (const EInvalidGraphic&) {
            ++Refused;
        } catch (const EOutOfMemory&) {
            ++Refused; // a sound header asking for more memory than there is
        }
    }
    EXPECT_GT(Loaded, 100);
    EXPECT_GT(Refused, 100);
}
