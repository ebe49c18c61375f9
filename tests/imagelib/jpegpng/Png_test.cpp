// TPngGraphic: defaults at byte level, round trips of every layout, the reading table,
// background compositing, gamma, transparency on save, errors and warnings; what it shares
// with TJpegGraphic is tested in JpegAndPng_test.cpp.
// Portable: needs nothing of Windows beyond the picture model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "imagelib/ImgMisc.h"
#include "imagelib/PngGlue.h"
#include "imagelib/PngGraphic.h"
#include "tests/imagelib/support/ReloadCheck.h"
#include "tests/imagelib/jpegpng/JpegPngTestUtil.h"

using namespace JpegPngTest;

namespace {

// Collects what reaches the warning hook while it lives, then puts the old hook back.
class TWarningRecorder {
public:
    TWarningRecorder() : FOld(GetPngWarningHook())
    {
        SetPngWarningHook([this](const std::string& M) {
            std::lock_guard<std::mutex> L(FLock);
            FMessages.push_back(M);
        });
    }
    ~TWarningRecorder() { SetPngWarningHook(FOld); }
    std::vector<std::string> Messages()
    {
        std::lock_guard<std::mutex> L(FLock);
        return FMessages;
    }

private:
    TPngWarningHook FOld;
    std::mutex FLock;
    std::vector<std::string> FMessages;
};

TBytes Be16(uint16_t V) { return {uint8_t(V >> 8), uint8_t(V)}; }

TBytes Concat(std::initializer_list<TBytes> Parts)
{
    TBytes Out;
    for (const TBytes& P : Parts)
        Out.insert(Out.end(), P.begin(), P.end());
    return Out;
}

// A 4 x 1 RGBA picture: transparent red, opaque green, half blue, opaque white.
TBytes RgbaFixture(const std::vector<TChunk>& Extra = {})
{
    return MakePng(4, 1, 8, 6, {{255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 255, 128, 255, 255, 255, 255}}, Extra);
}

TBytes SavedPng(ImageFormat Format, bool Interlaced, int32_t W = 37, int32_t H = 23)
{
    TPngGraphic G;
    MakeSmooth(G, W, H, Format, 96);
    G.SetInterlaced(Interlaced);
    return SaveBytes(G);
}

} // namespace

TEST(PngGraphic, Defaults)
{
    TPngGraphic G;
    EXPECT_DOUBLE_EQ(G.GetGamma(), 0.5);
    EXPECT_EQ(G.GetBackgroundColor(), 0u);
    EXPECT_EQ(G.GetTransparentColor(), 0u);
    EXPECT_FALSE(G.GetUseBackgroundColor());
    EXPECT_EQ(G.GetCompressionLevel(), 1);
    EXPECT_TRUE(G.GetInterlaced());
    EXPECT_FALSE(G.GetWriteBackground());
    EXPECT_FALSE(G.GetTransparent());
}

TEST(PngGraphic, DefaultFileAtByteLevel)
{
    const TBytes F = SavedPng(ifTrueColor, true);
    ASSERT_GT(F.size(), 40u);
    EXPECT_EQ(F[28], 1); // Adam7
    const TBytes Gama = ChunkData(F, "gAMA");
    ASSERT_EQ(Gama.size(), 4u);
    EXPECT_EQ(BigEndian32(Gama.data()), 50000u);
    const TBytes Phys = ChunkData(F, "pHYs");
    ASSERT_EQ(Phys.size(), 9u);
    EXPECT_EQ(BigEndian32(&Phys[0]), 3780u);
    EXPECT_EQ(BigEndian32(&Phys[4]), 3780u);
    EXPECT_EQ(Phys[8], 1);
    EXPECT_LT(FindChunk(F, "bKGD"), 0);
    EXPECT_LT(FindChunk(F, "tRNS"), 0);
}

TEST(PngGraphic, CompressionLevelShowsInTheZlibHeader)
{
    TPngGraphic G;
    MakeSmooth(G, 64, 64, ifTrueColor);
    const int Expected[3] = {0, 1, 3};
    for (uint8_t Level = 0; Level < 3; ++Level) {
        G.SetCompressionLevel(Level);
        const TBytes Idat = ChunkData(SaveBytes(G), "IDAT");
        ASSERT_GE(Idat.size(), 2u);
        EXPECT_EQ(Idat[1] >> 6, Expected[Level]) << int(Level);
    }
}

TEST(PngGraphic, EveryLayoutRoundTripsInterlacedAndNot)
{
    for (int F = 0; F < kImageFormatCount; ++F)
        for (bool Interlaced : {false, true}) {
            TPngGraphic Src;
            MakeSmooth(Src, 37, 23, ImageFormat(F), 150);
            Src.SetInterlaced(Interlaced);
            const TBytes File = SaveBytes(Src);
            EXPECT_EQ(File[28], Interlaced ? 1 : 0);
            TPngGraphic Back;
            LoadBytes(Back, File);
            SCOPED_TRACE(ImageFormatName(F) + (Interlaced ? " interlaced" : ""));
            EXPECT_EQ(Back.GetImageFormat(), ImageFormat(F));
            EXPECT_EQ(Back.GetXDpi(), 150);
            EXPECT_EQ(Back.GetYDpi(), 150);
            EXPECT_EQ(Pixels(Back), Pixels(Src));
            if (F != ifTrueColor) {
                ASSERT_EQ(Back.LogPalette()->NumEntries, Src.LogPalette()->NumEntries);
                EXPECT_EQ(0, std::memcmp(Back.LogPalette()->Entries, Src.LogPalette()->Entries,
                                         Src.LogPalette()->NumEntries * sizeof(TPaletteEntry)));
            }
        }
}

TEST(PngGraphic, InterlacedAndPlainFilesLoadIdentically)
{
    for (ImageFormat F : {ifTrueColor, ifColor256, ifGray16, ifBlackWhite}) {
        TPngGraphic A, B;
        LoadBytes(A, SavedPng(F, true, 61, 45));
        LoadBytes(B, SavedPng(F, false, 61, 45));
        EXPECT_EQ(Pixels(A), Pixels(B)) << ImageFormatName(F);
    }
}

TEST(PngGraphic, OwnPaletteOfABlackAndWhitePictureIsKept)
{
    TPngGraphic Src;
    TDibLogPalette P{};
    P.Version = 0x300;
    P.NumEntries = 2;
    P.Entries[0] = {255, 255, 255, 0};
    P.Entries[1] = {0, 0, 128, 0};
    Src.NewImage(9, 3, ifBlackWhite, &P, 96, 96);
    Src.SetPixelIndex(4, 1, 1);
    TPngGraphic Back;
    LoadBytes(Back, SaveBytes(Src));
    EXPECT_EQ(Back.GetPixelColor(0, 0), PackRgb(255, 255, 255));
    EXPECT_EQ(Back.GetPixelColor(4, 1), PackRgb(0, 0, 128));
}

TEST(PngGraphic, TwoBitGreyWidensToSixteenGreys)
{
    // Values 0, 1, 2, 3 in one row.
    TPngGraphic G;
    LoadBytes(G, MakePng(4, 2, 2, 0, {{0x1B}, {0xE4}}));
    EXPECT_EQ(G.GetImageFormat(), ifGray16);
    EXPECT_EQ(G.GetPixelIndex(0, 0), 0);
    EXPECT_EQ(G.GetPixelIndex(1, 0), 5);
    EXPECT_EQ(G.GetPixelIndex(2, 0), 10);
    EXPECT_EQ(G.GetPixelIndex(3, 0), 15);
    EXPECT_EQ(G.GetPixelIndex(0, 1), 15);
    EXPECT_EQ(G.GetPixelIndex(3, 1), 0);
}

TEST(PngGraphic, TwoBitPaletteKeepsItsIndexes)
{
    const TBytes Plte = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    TPngGraphic G;
    LoadBytes(G, MakePng(5, 1, 2, 3, {{0x1B, 0x80}}, {{"PLTE", Plte}}));
    EXPECT_EQ(G.GetImageFormat(), ifColor16);
    EXPECT_EQ(G.LogPalette()->NumEntries, 4);
    for (int X = 0; X < 4; ++X)
        EXPECT_EQ(G.GetPixelIndex(X, 0), X);
    EXPECT_EQ(G.GetPixelIndex(4, 0), 2);
    EXPECT_EQ(G.GetPixelColor(3, 0), PackRgb(100, 110, 120));
}

TEST(PngGraphic, PaletteLongerThanTheBitDepthIsCut)
{
    TBytes Plte;
    for (int I = 0; I < 10; ++I)
        Plte.insert(Plte.end(), {uint8_t(I), uint8_t(I), uint8_t(I)});
    TPngGraphic G;
    LoadBytes(G, MakePng(8, 1, 1, 3, {{0x0F}}, {{"PLTE", Plte}}));
    EXPECT_EQ(G.GetImageFormat(), ifBlackWhite);
    EXPECT_EQ(G.LogPalette()->NumEntries, 2);
}

TEST(PngGraphic, SixteenBitFilesKeepTheirHighBytes)
{
    TPngGraphic G;
    LoadBytes(G, MakePng(2, 1, 16, 2, {Concat({Be16(0x1234), Be16(0xABCD), Be16(0x00FF), Be16(0xFF00), Be16(0x8080), Be16(0x7F7F)})}));
    EXPECT_EQ(G.GetImageFormat(), ifTrueColor);
    EXPECT_EQ(G.GetPixelColor(0, 0), PackRgb(0x12, 0xAB, 0x00));
    EXPECT_EQ(G.GetPixelColor(1, 0), PackRgb(0xFF, 0x80, 0x7F));

    LoadBytes(G, MakePng(3, 1, 16, 0, {Concat({Be16(0x10FF), Be16(0xEE01), Be16(0x8000)})}));
    EXPECT_EQ(G.GetImageFormat(), ifGray256);
    EXPECT_EQ(G.GetPixelIndex(0, 0), 0x10);
    EXPECT_EQ(G.GetPixelIndex(1, 0), 0xEE);
    EXPECT_EQ(G.GetPixelIndex(2, 0), 0x80);
}

TEST(PngGraphic, AlphaIsCompositedOnBlackByDefault)
{
    TPngGraphic G;
    LoadBytes(G, RgbaFixture());
    EXPECT_EQ(G.GetImageFormat(), ifTrueColor);
    EXPECT_EQ(G.GetPixelColor(0, 0), PackRgb(0, 0, 0));
    EXPECT_EQ(G.GetPixelColor(1, 0), PackRgb(0, 255, 0));
    const uint32_t Half = G.GetPixelColor(2, 0);
    EXPECT_EQ(Half >> 8, 0u);
    EXPECT_NEAR(int(Half & 0xFF), 128, 1);
    EXPECT_EQ(G.GetPixelColor(3, 0), PackRgb(255, 255, 255));
}

TEST(PngGraphic, AlphaIsCompositedOnTheBackgroundColour)
{
    TPngGraphic G;
    G.SetBackgroundColor(PackRgb(10, 200, 30));
    LoadBytes(G, RgbaFixture());
    EXPECT_EQ(G.GetPixelColor(0, 0), PackRgb(10, 200, 30));
    EXPECT_EQ(G.GetPixelColor(1, 0), PackRgb(0, 255, 0));
    const uint32_t Half = G.GetPixelColor(2, 0);
    EXPECT_NEAR(int(Half >> 16), 5, 1);
    EXPECT_NEAR(int((Half >> 8) & 0xFF), 100, 1);
    EXPECT_NEAR(int(Half & 0xFF), 143, 1);
}

TEST(PngGraphic, FileBackgroundWinsUnlessTheOwnIsAskedFor)
{
    const TBytes F = RgbaFixture({{"bKGD", Concat({Be16(0), Be16(0), Be16(255)})}});
    TPngGraphic G;
    G.SetBackgroundColor(PackRgb(255, 255, 0));
    LoadBytes(G, F);
    EXPECT_EQ(G.GetPixelColor(0, 0), PackRgb(0, 0, 255));
    EXPECT_EQ(G.GetPixelColor(1, 0), PackRgb(0, 255, 0));
    G.SetUseBackgroundColor(true);
    LoadBytes(G, F);
    EXPECT_EQ(G.GetPixelColor(0, 0), PackRgb(255, 255, 0));
}

TEST(PngGraphic, GreyWithAlphaIsComposited)
{
    TPngGraphic G;
    G.SetBackgroundColor(PackRgb(200, 200, 200));
    LoadBytes(G, MakePng(3, 1, 8, 4, {{50, 0, 50, 255, 100, 128}}));
    EXPECT_EQ(G.GetImageFormat(), ifGray256);
    EXPECT_EQ(G.GetPixelIndex(0, 0), 200);
    EXPECT_EQ(G.GetPixelIndex(1, 0), 50);
    EXPECT_NEAR(G.GetPixelIndex(2, 0), 150, 1);
}

TEST(PngGraphic, FileGammaIsCorrectedForTheScreen)
{
    TPngGraphic G;
    LoadBytes(G, MakePng(2, 1, 8, 0, {{128, 255}}, {{"gAMA", {0, 0, 0xB1, 0x8F}}}));
    EXPECT_NEAR(G.GetGamma(), 0.45455, 1e-5);
    const int V = G.GetPixelIndex(0, 0);
    EXPECT_TRUE(V == 119 || V == 120) << V;
    EXPECT_EQ(G.GetPixelIndex(1, 0), 255);
}

TEST(PngGraphic, SrgbFileKeepsItsValues)
{
    TPngGraphic G;
    LoadBytes(G, MakePng(3, 1, 8, 0, {{128, 7, 250}}, {{"sRGB", {0}}, {"gAMA", {0, 0, 0xB1, 0x8F}}}));
    EXPECT_EQ(G.GetPixelIndex(0, 0), 128);
    EXPECT_EQ(G.GetPixelIndex(1, 0), 7);
    EXPECT_EQ(G.GetPixelIndex(2, 0), 250);
}

TEST(PngGraphic, PhysInMetresGivesDpi)
{
    TBytes Phys;
    Put32(Phys, 11811);
    Put32(Phys, 3780);
    Phys.push_back(1);
    TPngGraphic G;
    LoadBytes(G, MakePng(1, 1, 8, 0, {{1}}, {{"pHYs", Phys}}));
    EXPECT_EQ(G.GetXDpi(), 300);
    EXPECT_EQ(G.GetYDpi(), 96);
    Phys.back() = 0;
    LoadBytes(G, MakePng(1, 1, 8, 0, {{1}}, {{"pHYs", Phys}}));
    EXPECT_EQ(G.GetXDpi(), 0);
    EXPECT_EQ(G.GetYDpi(), 0);
}

TEST(PngGraphic, PaletteTransparencyOnSave)
{
    TPngGraphic G;
    MakeSmooth(G, 16, 16, ifColor256);
    G.SetTransparent(true);
    G.SetTransparentColor(PackRgb(0, 0, 170)); // entry 1 of the default palette
    const TBytes F = SaveBytes(G);
    const TBytes Trns = ChunkData(F, "tRNS");
    ASSERT_EQ(Trns.size(), size_t(G.LogPalette()->NumEntries));
    for (size_t I = 0; I < Trns.size(); ++I)
        EXPECT_EQ(Trns[I], I == 1 ? 0 : 255) << I;

    TPngGraphic S16;
    MakeSmooth(S16, 8, 8, ifColor16);
    S16.SetTransparent(true);
    S16.SetTransparentColor(PackRgb(255, 255, 255));
    const TBytes T16 = ChunkData(SaveBytes(S16), "tRNS");
    ASSERT_EQ(T16.size(), 16u);
    EXPECT_EQ(T16[15], 0);
}

TEST(PngGraphic, TrueColourTransparencyOnSave)
{
    TPngGraphic G;
    MakeSmooth(G, 8, 8, ifTrueColor);
    G.SetTransparent(true);
    G.SetTransparentColor(PackRgb(1, 2, 3));
    EXPECT_EQ(ChunkData(SaveBytes(G), "tRNS"), Concat({Be16(1), Be16(2), Be16(3)}));
}

TEST(PngGraphic, GreyTransparencyIsRefused)
{
    for (ImageFormat F : {ifGray256, ifGray16, ifBlackWhite}) {
        TPngGraphic G;
        MakeSmooth(G, 8, 8, F);
        G.SetTransparent(true);
        TMemoryStream S;
        try {
            G.SaveToStream(&S);
            FAIL();
        } catch (const EPNGError& E) {
            EXPECT_STREQ(E.what(), "Gray scale transparent PNG images are not supported.\r"
                                   "Use the ifColor16 or ifColor256 image format instead.");
        }
    }
}

TEST(PngGraphic, BackgroundChunkOnSave)
{
    TPngGraphic G;
    MakeSmooth(G, 8, 8, ifTrueColor);
    G.SetWriteBackground(true);
    G.SetBackgroundColor(PackRgb(9, 8, 7));
    EXPECT_EQ(ChunkData(SaveBytes(G), "bKGD"), Concat({Be16(9), Be16(8), Be16(7)}));
    TPngGraphic P;
    MakeSmooth(P, 8, 8, ifColor16);
    P.SetWriteBackground(true);
    P.SetBackgroundColor(PackRgb(0, 170, 0)); // entry 2
    EXPECT_EQ(ChunkData(SaveBytes(P), "bKGD"), TBytes{2});
}

TEST(PngGraphic, NotAPngFile)
{
    TPngGraphic G;
    for (const TBytes& F : {TBytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, TBytes{}, TBytes{137, 80}}) {
        try {
            LoadBytes(G, F);
            FAIL();
        } catch (const EPNGError& E) {
            EXPECT_STREQ(E.what(), "PNG file is not valid or corrupted");
        }
    }
}

TEST(PngGraphic, BrokenImageDataCrcRaisesLibpngsText)
{
    TBytes F = SavedPng(ifTrueColor, false);
    const int64_t P = FindChunk(F, "IDAT");
    ASSERT_GT(P, 0);
    const uint32_t Len = BigEndian32(&F[size_t(P)]);
    F[size_t(P) + 8 + Len] ^= 0xFF;
    TPngGraphic G;
    try {
        LoadBytes(G, F);
        FAIL();
    } catch (const EPNGError& E) {
        EXPECT_NE(std::string(E.what()).find("CRC"), std::string::npos) << E.what();
    }
}

TEST(PngGraphic, TruncatedImageDataRaises)
{
    const TBytes F = SavedPng(ifTrueColor, true, 120, 90);
    const int64_t P = FindChunk(F, "IDAT");
    for (size_t Cut : {size_t(P) + 30, F.size() / 2, F.size() - 20}) {
        TPngGraphic G;
        try {
            LoadBytes(G, TBytes(F.begin(), F.begin() + Cut));
            FAIL() << Cut;
        } catch (const EPNGError& E) {
            EXPECT_STRNE(E.what(), "");
        }
    }
    for (size_t Cut : {size_t(8), size_t(20), size_t(33)}) {
        TPngGraphic G;
        EXPECT_THROW(LoadBytes(G, TBytes(F.begin(), F.begin() + Cut)), EPNGError) << Cut;
    }
}

TEST(PngGraphic, BadTextCrcLoadsAndWarns)
{
    TWarningRecorder Rec;
    const TBytes T = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'};
    TPngGraphic G;
    LoadBytes(G, MakePng(2, 1, 8, 0, {{1, 2}}, {{"tEXt", T, true}}));
    EXPECT_EQ(G.GetPixelIndex(1, 0), 2);
    EXPECT_GE(G.GetWarnings(), 1);
    const auto M = Rec.Messages();
    ASSERT_FALSE(M.empty());
    EXPECT_NE(M[0].find("CRC"), std::string::npos) << M[0];
}

TEST(PngGraphic, AThrowingHookDoesNotBreakTheLoad)
{
    const TPngWarningHook Old = GetPngWarningHook();
    SetPngWarningHook([](const std::string&) { throw Exception("hook failed"); });
    TPngGraphic G;
    EXPECT_NO_THROW(LoadBytes(G, MakePng(2, 1, 8, 0, {{1, 2}}, {{"tEXt", {'a', 0, 'b'}, true}})));
    SetPngWarningHook(Old);
    EXPECT_EQ(G.GetPixelIndex(0, 0), 1);
}

namespace {

// The largest single request libpng makes while reading, through its allocation callbacks.
thread_local png_alloc_size_t LargestRequest = 0;

png_voidp RecordingMalloc(png_structp, png_alloc_size_t Size)
{
    LargestRequest = std::max(LargestRequest, Size);
    // Far above anything a small file needs; refused so a failure cannot take the machine's memory.
    return Size > (png_alloc_size_t(256) << 20) ? nullptr : std::malloc(Size);
}

void RecordingFree(png_structp, png_voidp P) { std::free(P); }

// Reads a whole PNG through the glue as the picture class does, recording the allocations.
void ReadThroughGlue(const TBytes& File)
{
    TMemoryStream S;
    S.WriteBuffer(File.data(), int32_t(File.size()));
    S.SetPosition(0);
    TPngGlueGuard G(&S, false);
    png_set_mem_fn(G->Png, nullptr, RecordingMalloc, RecordingFree);
    PngRun(G.Get(), [](TPngGlue* G, void*) {
        png_read_info(G->Png, G->Info);
        png_set_expand(G->Png);
        png_set_strip_16(G->Png);
        png_read_update_info(G->Png, G->Info);
        std::vector<png_byte> Row(png_get_rowbytes(G->Png, G->Info));
        for (png_uint_32 Y = 0; Y < png_get_image_height(G->Png, G->Info); ++Y)
            png_read_row(G->Png, Row.data(), nullptr);
        png_read_end(G->Png, G->Info);
    });
}

// A 2 x 1 grey PNG with one chunk whose length field claims DeclaredLength while only a few
// bytes follow; before or after the image data.
TBytes LyingChunkPng(const char* Type, uint32_t DeclaredLength, bool AfterImageData)
{
    const TBytes Good = MakePng(2, 1, 8, 0, {{1, 2}});
    const int64_t At = FindChunk(Good, AfterImageData ? "IEND" : "IDAT");
    TBytes Out(Good.begin(), Good.begin() + At);
    Put32(Out, DeclaredLength);
    Out.insert(Out.end(), Type, Type + 4);
    const char Text[] = "Comment\0x\x78\x9c\xcb\x4d\x4c\x49\x55\x48";
    Out.insert(Out.end(), Text, Text + sizeof(Text));
    Out.insert(Out.end(), Good.begin() + At, Good.end());
    return Out;
}

} // namespace

// A chunk's declared length is taken on trust by libpng for the chunks it reads whole; the
// reader must never ask for such a size (a 311-byte file claiming a 1.7 GB zTXt once did).
TEST(PngGraphic, ChunkLengthsClaimingGigabytesAreNeverAllocated)
{
    for (const char* Type : {"tEXt", "zTXt", "iTXt", "iCCP", "sPLT", "eXIf", "pCAL", "sCAL"})
        for (bool After : {false, true}) {
            SCOPED_TRACE(std::string(Type) + (After ? " after the image data" : " before it"));
            const TBytes F = LyingChunkPng(Type, 0x6976003Au, After);
            LargestRequest = 0;
            EXPECT_THROW(ReadThroughGlue(F), EPNGError);
            EXPECT_LT(LargestRequest, png_alloc_size_t(1) << 20);
            // The picture class stops after the image data: a lie there costs nothing.
            TPngGraphic G;
            if (After) {
                LoadBytes(G, F);
                EXPECT_EQ(G.GetPixelColor(1, 0), 0x020202u);
            } else {
                EXPECT_THROW(LoadBytes(G, F), EPNGError);
            }
        }
}

TEST(PngGraphic, TextAndProfileChunksAreSkippedAndThePictureLoads)
{
    // Above the 8 MiB chunk limit, and ordinary ones, before and after the image data.
    TBytes Big = {'X', 'M', 'L', 0};
    Big.resize((9u << 20) + 5, 'a');
    const TBytes Small = {'T', 'i', 't', 'l', 'e', 0, 'h', 'i'};
    TBytes F = MakePng(2, 1, 8, 0, {{7, 200}}, {{"tEXt", Big}, {"zTXt", {'a', 0, 0, 0x78, 0x9c, 3, 0, 0, 0, 0, 1}}});
    const int64_t End = FindChunk(F, "IEND");
    TBytes Tail;
    AppendChunk(Tail, "iTXt", Small);
    AppendChunk(Tail, "tEXt", Big);
    F.insert(F.begin() + End, Tail.begin(), Tail.end());
    LargestRequest = 0;
    ReadThroughGlue(F);
    EXPECT_LT(LargestRequest, png_alloc_size_t(1) << 20);
    TPngGraphic G;
    LoadBytes(G, F);
    ASSERT_EQ(G.GetWidth(), 2);
    EXPECT_EQ(G.GetPixelColor(0, 0), 0x070707u);
    EXPECT_EQ(G.GetPixelColor(1, 0), 0xC8C8C8u);
}

// One object loading file after file: a same-size picture keeps the memory of the one before,
// and nothing of that one may show (the 2-bit rows are written a nibble at a time).
TEST(PngGraphic, ReloadsMatchFreshLoads)
{
    std::vector<TBytes> Files;
    for (ImageFormat F : {ifTrueColor, ifColor256, ifGray16, ifBlackWhite}) {
        Files.push_back(SavedPng(F, false, 333, 41));
        Files.push_back(SavedPng(F, true, 333, 41));
        Files.push_back(SavedPng(F, false, 101, 9));
    }
    // 2-bit files of an odd width after a full 4-bit picture of the same size.
    std::vector<TBytes> Rows(3, TBytes(2, 0x1B));
    Files.push_back(SavedPng(ifGray16, false, 7, 3));
    Files.push_back(MakePng(7, 3, 2, 0, Rows));
    Files.push_back(SavedPng(ifColor16, false, 7, 3));
    Files.push_back(MakePng(7, 3, 2, 3, Rows, {{"PLTE", {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120}}}));
    ReloadCheck::ExpectReloadsLikeFreshLoads<TPngGraphic>(Files, "PNG");
}

namespace {

// The filtered rows of a PNG: all IDAT data inflated (filter byte, then the row's residuals).
TBytes FilteredRows(const TBytes& Png, size_t Size)
{
    TBytes Z;
    size_t P = 8;
    while (P + 8 <= Png.size()) {
        const uint32_t Len = BigEndian32(&Png[P]);
        if (std::memcmp(&Png[P + 4], "IDAT", 4) == 0)
            Z.insert(Z.end(), Png.begin() + P + 8, Png.begin() + P + 8 + Len);
        P += 12 + size_t(Len);
    }
    TBytes Out(Size + 1);
    uLongf Got = uLongf(Out.size());
    EXPECT_EQ(uncompress(Out.data(), &Got, Z.data(), uLong(Z.size())), Z_OK);
    Out.resize(Got);
    return Out;
}

// The same rows written by libpng alone with its own adaptive filtering, zlib level 5.
TBytes LibpngAdaptive(const TDibGraphic& G)
{
    TBytes Out;
    png_structp P = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop I = png_create_info_struct(P);
    if (setjmp(png_jmpbuf(P))) {
        png_destroy_write_struct(&P, &I);
        ADD_FAILURE() << "libpng failed";
        return Out;
    }
    png_set_write_fn(
        P, &Out,
        [](png_structp Png, png_bytep Data, size_t N) {
            auto* O = static_cast<TBytes*>(png_get_io_ptr(Png));
            O->insert(O->end(), Data, Data + N);
        },
        [](png_structp) {});
    const bool Rgb = G.GetImageFormat() == ifTrueColor;
    png_set_IHDR(P, I, png_uint_32(G.GetWidth()), png_uint_32(G.GetHeight()), 8,
                 Rgb ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(P, 5);
    png_write_info(P, I);
    if (Rgb)
        png_set_bgr(P);
    for (int32_t Y = 0; Y < G.GetHeight(); ++Y)
        png_write_row(P, const_cast<png_bytep>(G.ScanLine(Y)));
    png_write_end(P, I);
    png_destroy_write_struct(&P, &I);
    return Out;
}

// Bands of rows that different filters suit: noise, rows of one colour, columns, gradients,
// and a mix; the left and right halves differ so the choice is close on some rows.
void FilterBands(TDibGraphic& G, int32_t W, int32_t H, ImageFormat Format, uint32_t Seed)
{
    G.NewImage(W, H, Format, nullptr, 96, 96);
    uint32_t Random = Seed;
    auto Next = [&] { return uint8_t((Random = Random * 1103515245u + 12345u) >> 16); };
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X) {
            uint8_t V[3];
            for (int C = 0; C < 3; ++C) {
                switch ((Y / 6) % 5) {
                case 0: V[C] = Next(); break;
                case 1: V[C] = uint8_t(Y * 11 + C * 40); break;
                case 2: V[C] = uint8_t(X * 29 + C * 7); break;
                case 3: V[C] = uint8_t(X * 3 + Y * 5 + C); break;
                default: V[C] = X < W / 2 ? uint8_t(X * X + Y) : uint8_t(Next() / 16 + X); break;
                }
            }
            if (Format == ifTrueColor)
                G.SetPixelColor(X, Y, PackRgb(V[0], V[1], V[2]));
            else
                G.SetPixelIndex(X, Y, V[1]);
        }
}

} // namespace

// Rows get the filter libpng's own adaptive choice gives them, so the file is the same as
// libpng alone would write.
TEST(PngGraphic, FilterChoiceMatchesLibpngsOwn)
{
    int Kinds = 0;
    for (ImageFormat F : {ifTrueColor, ifGray256})
        for (const auto& [W, H] : {std::pair{203, 60}, std::pair{17, 31}, std::pair{2, 2}, std::pair{5, 2},
                                   std::pair{1000, 12}}) {
            TPngGraphic G;
            FilterBands(G, W, H, F, uint32_t(W * 7 + H));
            G.SetInterlaced(false);
            G.SetCompressionLevel(1);
            const size_t Size = size_t(H) * (size_t(W) * (F == ifTrueColor ? 3 : 1) + 1);
            const TBytes Ours = FilteredRows(SaveBytes(G), Size);
            const TBytes Reference = FilteredRows(LibpngAdaptive(G), Size);
            ASSERT_EQ(Ours.size(), Size);
            EXPECT_TRUE(Ours == Reference) << ImageFormatName(F) << " " << W << " x " << H;
            bool Seen[5] = {};
            for (int32_t Y = 0; Y < H; ++Y)
                Seen[std::min<uint8_t>(Ours[size_t(Y) * (Size / size_t(H))], 4)] = true;
            if (W == 203)
                Kinds = std::max(Kinds, int(Seen[0] + Seen[1] + Seen[2] + Seen[3] + Seen[4]));
            // And it reads back.
            TPngGraphic Back;
            LoadBytes(Back, SaveBytes(G));
            EXPECT_EQ(Pixels(Back), Pixels(G));
        }
    EXPECT_GE(Kinds, 4); // the bands did call for different filters
}
