// TGif: loading and saving through streams, bitmaps, AddBitmap, Assign, transparency, delays,
// progress and the errors it raises.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "imagelib/Gif.h"
#include "platform/win/Metafile.h"
#include "tests/imagelib/gif/GifTestFiles.h"

using namespace GifTest;

namespace {

std::string ErrorOf(const std::function<void()>& F)
{
    try {
        F();
    } catch (const EInvalidGraphicOperation& E) {
        return E.Message();
    }
    return "(no error)";
}

void Load(TGif& Gif, const std::vector<uint8_t>& B)
{
    TMemoryStream S;
    Fill(S, B);
    S.SetPosition(3); // the whole stream is read, whatever its position
    Gif.LoadFromStream(&S);
}

std::vector<uint8_t> Saved(TGif& Gif)
{
    TMemoryStream S;
    Gif.SaveToStream(&S);
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return std::vector<uint8_t>(P, P + S.GetSize());
}

// A 24-bit bitmap painted through its canvas.
std::unique_ptr<TBitmap> MakeBitmap(int W, int H, const std::function<TColor(int, int)>& Color)
{
    auto B = std::make_unique<TBitmap>();
    B->SetPixelFormat(pf24bit);
    B->SetSize(W, H);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
            B->GetCanvas()->SetPixel(X, Y, Color(X, Y));
    return B;
}

// The packed byte of every image descriptor of a written file, walked block by block.
std::vector<uint8_t> DescriptorPackedBytes(const std::vector<uint8_t>& B)
{
    std::vector<uint8_t> Packed;
    size_t P = 13;
    auto SkipTable = [&](uint8_t Flags) {
        if (Flags & 0x80)
            P += 3 * (size_t(2) << (Flags & 7));
    };
    auto SkipSubBlocks = [&] {
        while (P < B.size() && B[P] != 0)
            P += 1 + B[P];
        ++P;
    };
    if (B.size() < P)
        return Packed;
    SkipTable(B[10]);
    while (P < B.size() && B[P] != 0x3B) {
        if (B[P] == 0x21) {
            P += 2;
            SkipSubBlocks();
        } else if (B[P] == 0x2C && P + 10 < B.size()) {
            Packed.push_back(B[P + 9]);
            P += 10;
            SkipTable(Packed.back());
            ++P; // the code size
            SkipSubBlocks();
        } else {
            ADD_FAILURE() << "unexpected block " << int(B[P]) << " at " << P;
            break;
        }
    }
    return Packed;
}

} // namespace

TEST(Gif, StartsEmptyAndLoadsAFile)
{
    TGif Gif;
    EXPECT_TRUE(Gif.GetEmpty());
    EXPECT_EQ(Gif.GetSignature(), "------");
    EXPECT_EQ(Gif.GetImageCount(), 0);
    EXPECT_EQ(Gif.GetPalette(), nullptr);
    Load(Gif, Bytes(MakeDocument(13, 7, 2)));
    EXPECT_FALSE(Gif.GetEmpty());
    EXPECT_EQ(Gif.GetSignature(), "GIF89a");
    EXPECT_EQ(Gif.GetWidth(), 13);
    EXPECT_EQ(Gif.GetHeight(), 7);
    EXPECT_EQ(Gif.GetImageCount(), 2);
    EXPECT_EQ(Gif.GetColorTableCount(), 1);
    EXPECT_EQ(Gif.GetLZWSize(), 4);
    EXPECT_FALSE(Gif.GetInterlaced());
    ASSERT_NE(Gif.GetPalette(), nullptr);
    PALETTEENTRY E[16];
    ASSERT_EQ(GetPaletteEntries(Gif.GetPalette(), 0, 16, E), 16u);
    EXPECT_EQ(RGB(E[5].peRed, E[5].peGreen, E[5].peBlue), TableColor(5));
    Gif.FreeImage();
    EXPECT_TRUE(Gif.GetEmpty());
    EXPECT_EQ(Gif.GetSignature(), "------");
    EXPECT_EQ(Gif.GetColorTableCount(), 0);
}

TEST(Gif, BitmapShowsTheTableColours)
{
    TGif Gif;
    Load(Gif, Bytes(MakeDocument(23, 11, 2, 16, true)));
    for (int K = 0; K < 2; ++K) {
        TBitmap* B = Gif.GetBitmap(K);
        ASSERT_NE(B, nullptr);
        EXPECT_EQ(B->GetWidth(), 23);
        EXPECT_EQ(B->GetHeight(), 11);
        EXPECT_FALSE(B->GetTransparent());
        for (int Y = 0; Y < 11; ++Y)
            for (int X = 0; X < 23; ++X)
                ASSERT_EQ(static_cast<uint32_t>(B->GetCanvas()->GetPixel(X, Y)), TableColor((X + 3 * Y + K) % 16))
                    << K << ": " << X << "," << Y;
    }
    EXPECT_EQ(Gif.GetBitmap(1), Gif.GetBitmap(1)); // made once
    EXPECT_EQ(ErrorOf([&] { Gif.GetBitmap(5); }), "TGif: Value Out Of Range");
    EXPECT_EQ(ErrorOf([&] { Gif.GetBitmap(-1); }), "TGif: Value Out Of Range");
    EXPECT_EQ(TGif::LastErrorCode(), gifValueOutOfRange);
}

TEST(Gif, FaultsAreInvalidGraphicOperations)
{
    TGif Gif;
    std::vector<uint8_t> B = Bytes(MakeDocument(4, 4));
    B[0] = 'X';
    EXPECT_THROW(Load(Gif, B), EInvalidGraphicOperation);
    EXPECT_EQ(TGif::LastErrorText(), "Invalid GIF Signature Code");
    B = Bytes(MakeDocument(4, 4));
    B.pop_back();
    EXPECT_EQ(ErrorOf([&] { Load(Gif, B); }), "TGif: No GIF Terminator Found");
    EXPECT_EQ(Gif.GetImageCount(), 1); // what was read stays
    // A good load resets the last error.
    Load(Gif, Bytes(MakeDocument(4, 4)));
    EXPECT_EQ(TGif::LastErrorCode(), 0);
    EXPECT_EQ(TGif::LastErrorText(), "");

    // A descriptor of 65535 x 65535: out of memory at once.
    TGifDocument Huge = MakeDocument(2, 2);
    std::vector<uint8_t> H = Bytes(Huge);
    const size_t Desc = 13 + 16 * 3; // header, screen, table
    ASSERT_EQ(H[Desc], 0x2C);
    for (int K = 5; K < 9; ++K)
        H[Desc + K] = 0xFF;
    EXPECT_THROW(Load(Gif, H), EOutOfMemory);
}

TEST(Gif, SavesWithTheSignatureItsContentNeeds)
{
    TGif Gif;
    Load(Gif, Bytes(MakeDocument(9, 5)));
    std::vector<uint8_t> B = Saved(Gif);
    EXPECT_EQ(std::string(B.begin(), B.begin() + 6), "GIF87a");
    TGifExtension C;
    C.Label = gifComment;
    C.SubBlocks = {{'o', 'k'}};
    Gif.Document().Images[0].Extensions.push_back(C);
    B = Saved(Gif);
    EXPECT_EQ(std::string(B.begin(), B.begin() + 6), "GIF89a");
    TGif Back;
    Load(Back, B);
    EXPECT_EQ(Back.Document().Images[0].Extensions, Gif.Document().Images[0].Extensions);
    EXPECT_EQ(Back.Document().Images[0].Pixels, Gif.Document().Images[0].Pixels);
    Load(Gif, Bytes(MakeDocument(9, 5, 2)));
    B = Saved(Gif);
    EXPECT_EQ(std::string(B.begin(), B.begin() + 6), "GIF89a");
}

TEST(Gif, AddBitmapBuildsTables)
{
    TGif Gif;
    const TColor Three[3] = {clRed, clLime, clBlue};
    auto B1 = MakeBitmap(5, 4, [&](int X, int Y) { return Three[(X + Y) % 3]; });
    Gif.AddBitmap(B1.get());
    EXPECT_EQ(Gif.GetSignature(), "GIF89a");
    ASSERT_EQ(Gif.GetImageCount(), 1);
    const TGifDocument& D = Gif.Document();
    ASSERT_EQ(D.Tables.size(), 1u);
    EXPECT_EQ(D.Tables[0].Count, 4);
    EXPECT_EQ(D.Tables[0].Colors[0], static_cast<uint32_t>(clRed)); // first pixel first
    EXPECT_EQ(D.Tables[0].Colors[3], 0u);
    EXPECT_TRUE(D.Screen.GlobalTable);
    EXPECT_EQ(D.Screen.ColorResolution, 2);
    EXPECT_EQ(D.Screen.GlobalTableSize, 4);
    EXPECT_EQ(D.Screen.GlobalTableIndex, 0);
    EXPECT_FALSE(D.Images[0].LocalTable);
    EXPECT_EQ(D.Images[0].LZWSize, 8);
    EXPECT_EQ(D.Screen.Width, 0); // the caller sets the screen size
    for (int Y = 0; Y < 4; ++Y)
        for (int X = 0; X < 5; ++X)
            ASSERT_EQ(D.Tables[0].Colors[D.Images[0].Pixels[Y * 5 + X]], static_cast<uint32_t>(Three[(X + Y) % 3]));

    // 300 distinct colours: built again from the colours masked with 0xE0E0E0.
    auto B2 = MakeBitmap(30, 10, [](int X, int Y) { return static_cast<TColor>(((X * 8) << 16) | ((Y * 24) << 8) | (X % 2 ? 0x40 : 0x80)); });
    Gif.AddBitmap(B2.get());
    ASSERT_EQ(Gif.GetImageCount(), 2);
    const TGifImage& I2 = Gif.Document().Images[1];
    EXPECT_TRUE(I2.LocalTable);
    EXPECT_EQ(I2.TableIndex, 1);
    const TGifColorTable& T2 = Gif.Document().Tables[1];
    EXPECT_LE(T2.Count, 256);
    for (int Y = 0; Y < 10; ++Y)
        for (int X = 0; X < 30; ++X) {
            const uint32_t Want = static_cast<uint32_t>(((X * 8) << 16) | ((Y * 24) << 8) | (X % 2 ? 0x40 : 0x80)) & 0xE0E0E0;
            ASSERT_EQ(T2.Colors[I2.Pixels[Y * 30 + X]], Want) << X << "," << Y;
        }
    for (const TGifImage& I : Gif.Document().Images)
        ASSERT_NE(I.GraphicControl(), nullptr);

    // A transparent bitmap stores its colour's index.
    auto B3 = MakeBitmap(4, 4, [&](int X, int) { return Three[X % 3]; });
    B3->SetTransparentColor(clBlue);
    B3->SetTransparent(true);
    Gif.AddBitmap(B3.get());
    const TGifImage& I3 = Gif.Document().Images[2];
    EXPECT_EQ(Gif.Document().Tables[I3.TableIndex].Colors[I3.GraphicControl()->TransparentIndex],
              static_cast<uint32_t>(clBlue));
    EXPECT_EQ(I3.GraphicControl()->TransparentIndex, 2);

    EXPECT_EQ(ErrorOf([&] { Gif.AddBitmap(nullptr); }), "TGif: Invalid Bitmap");

    // Saved and read back, the added images keep their pixels.
    Gif.SetWidth(30);
    Gif.SetHeight(10);
    TGif Back;
    Load(Back, Saved(Gif));
    ASSERT_EQ(Back.GetImageCount(), 3);
    for (int K = 0; K < 3; ++K)
        EXPECT_EQ(Back.Document().Images[K].Pixels, Gif.Document().Images[K].Pixels);
}

// Each image descriptor carries the size of its image's table, also when that is the global one.
TEST(Gif, ImageDescriptorsCarryTheirTablesSize)
{
    TGif Gif;
    const TColor Three[3] = {clRed, clLime, clBlue};
    auto B1 = MakeBitmap(5, 4, [&](int X, int Y) { return Three[(X + Y) % 3]; });
    Gif.AddBitmap(B1.get());
    auto B2 = MakeBitmap(6, 2, [](int X, int Y) { return static_cast<TColor>(RGB(X * 40, Y * 100, 7)); });
    Gif.AddBitmap(B2.get());
    Gif.SetWidth(6);
    Gif.SetHeight(4);
    ASSERT_TRUE(Gif.Document().Screen.GlobalTable);
    ASSERT_FALSE(Gif.Document().Images[0].LocalTable);
    ASSERT_TRUE(Gif.Document().Images[1].LocalTable);
    const std::vector<uint8_t> B = Saved(Gif);
    ASSERT_GT(B.size(), 13u);
    EXPECT_EQ(B[10] & 0x87, 0x81); // the global table of 4 entries
    // The first image uses the global table (4 entries), the second its own of 16.
    EXPECT_EQ(DescriptorPackedBytes(B), (std::vector<uint8_t>{0x01, 0x83}));
    TGif Back;
    Load(Back, B);
    ASSERT_EQ(Back.GetImageCount(), 2);
    EXPECT_FALSE(Back.Document().Images[0].LocalTable);
    for (int K = 0; K < 2; ++K)
        EXPECT_EQ(Back.Document().Images[K].Pixels, Gif.Document().Images[K].Pixels);
}

TEST(Gif, AssignCopiesOrRefuses)
{
    TGif Source;
    Load(Source, Bytes(MakeDocument(6, 6, 3)));
    Source.SetImageDelay(7);
    TGif Copy;
    Copy.Assign(&Source);
    EXPECT_EQ(Copy.GetImageCount(), 3);
    EXPECT_EQ(Saved(Copy), Saved(Source));
    EXPECT_EQ(Copy.Document().Images[2].Pixels, Source.Document().Images[2].Pixels);
    EXPECT_EQ(Copy.GetImageDelay(), 7);

    TMetafile Meta;
    EXPECT_EQ(ErrorOf([&] { Copy.Assign(&Meta); }), "TGif: Invalid Bitmap");
    EXPECT_EQ(TGif::LastErrorCode(), gifInvalidBitmap);

    auto B = MakeBitmap(3, 2, [](int X, int) { return X ? clWhite : clBlack; });
    Copy.Assign(B.get());
    EXPECT_EQ(Copy.GetImageCount(), 1);
    EXPECT_EQ(Copy.Document().Tables[0].Count, 2);
}

TEST(Gif, TransparencyFromTheFileAndBySetters)
{
    TGifDocument Doc = MakeDocument(8, 6);
    TGifExtension GC;
    GC.TransparentFlag = true;
    GC.TransparentIndex = 9;
    Doc.Images[0].Extensions.push_back(GC);
    TGif Gif;
    Load(Gif, Bytes(Doc));
    EXPECT_TRUE(Gif.GetTransparent());
    TBitmap* B = Gif.GetBitmap(0);
    EXPECT_TRUE(B->GetTransparent());
    EXPECT_EQ(B->GetTransparentMode(), tmFixed);
    EXPECT_EQ(static_cast<uint32_t>(B->GetTransparentColor()), TableColor(9));
    EXPECT_EQ(static_cast<uint32_t>(Gif.GetTransparentColor()), TableColor(9));

    // The bottom-left pixel's index.
    TGifDocument Two = MakeDocument(8, 6, 2);
    Two.Tables[0].Colors[6] = 0xA060E0; // as a table built from masked colours holds it
    TGif Plain;
    Load(Plain, Bytes(Two));
    EXPECT_FALSE(Plain.GetTransparent());
    Plain.SetTransparent(true);
    EXPECT_TRUE(Plain.GetTransparent());
    EXPECT_EQ(Plain.Document().Images[0].GraphicControl()->TransparentIndex, (0 + 3 * 5) % 16);
    EXPECT_EQ(Plain.Document().Images[1].GraphicControl()->TransparentIndex, (0 + 3 * 5 + 1) % 16);
    Plain.SetTransparent(false);
    EXPECT_FALSE(Plain.GetTransparent());

    // A colour present only after masking: the table's colour at that index reads back.
    Plain.SetTransparentColor(static_cast<TColor>(0xA46DF1));
    EXPECT_TRUE(Plain.GetTransparent());
    EXPECT_EQ(Plain.Document().Images[0].GraphicControl()->TransparentIndex, 6);
    EXPECT_EQ(static_cast<uint32_t>(Plain.GetTransparentColor()), 0xA060E0u);
    // An image whose bitmap exists follows at once.
    TBitmap* PB = Plain.GetBitmap(1);
    Plain.SetTransparentColor(static_cast<TColor>(TableColor(3)));
    EXPECT_TRUE(PB->GetTransparent());
    EXPECT_EQ(static_cast<uint32_t>(PB->GetTransparentColor()), TableColor(3));
    // Nothing near enough: index 0.
    Plain.SetTransparentColor(static_cast<TColor>(0x0F0F0F));
    EXPECT_EQ(Plain.Document().Images[0].GraphicControl()->TransparentIndex, 0);

    TGif Empty;
    EXPECT_EQ(ErrorOf([&] { Empty.GetTransparent(); }), "TGif: Value Out Of Range");
    EXPECT_EQ(ErrorOf([&] { Empty.GetTransparentColor(); }), "TGif: Value Out Of Range");
    EXPECT_EQ(ErrorOf([&] { Empty.GetInterlaced(); }), "TGif: Value Out Of Range");
    EXPECT_EQ(ErrorOf([&] { Empty.GetLZWSize(); }), "TGif: Value Out Of Range");
}

TEST(Gif, ImageDelayReadsTheFirstNonZeroDelay)
{
    TGifDocument Doc = MakeDocument(4, 4, 3);
    TGif Gif;
    Load(Gif, Bytes(Doc));
    EXPECT_EQ(Gif.GetImageDelay(), 1);
    TGifExtension GC;
    GC.Delay = 0;
    Doc.Images[0].Extensions.push_back(GC);
    GC.Delay = 25;
    Doc.Images[2].Extensions.push_back(GC);
    Load(Gif, Bytes(Doc));
    EXPECT_EQ(Gif.GetImageDelay(), 25);
    Gif.SetImageDelay(0);
    for (const TGifImage& I : Gif.Document().Images) {
        ASSERT_NE(I.GraphicControl(), nullptr);
        EXPECT_EQ(I.GraphicControl()->Delay, 1);
    }
    Gif.SetImageDelay(40);
    TGif Back;
    Load(Back, Saved(Gif));
    EXPECT_EQ(Back.GetImageDelay(), 40);
}

TEST(Gif, InterlaceAndCodeSizeSettersReachEveryImage)
{
    TGif Gif;
    Load(Gif, Bytes(MakeDocument(17, 13, 2)));
    Gif.SetInterlaced(true);
    Gif.SetLZWSize(6);
    TGif Back;
    Load(Back, Saved(Gif));
    EXPECT_TRUE(Back.GetInterlaced());
    EXPECT_EQ(Back.GetLZWSize(), 6);
    EXPECT_TRUE(Back.Document().Images[1].Interlaced);
    EXPECT_EQ(Back.Document().Images[1].Pixels, Gif.Document().Images[1].Pixels);
    // A code size the pixels do not fit is refused rather than written corrupt.
    Gif.SetLZWSize(2);
    EXPECT_EQ(ErrorOf([&] { Saved(Gif); }), "TGif: LZW Code Overflow");
}

TEST(Gif, ProgressReportsItsSteps)
{
    TGif Gif;
    std::vector<std::tuple<TProgressStage, int, std::string>> Calls;
    Gif.OnProgress = [&](TObject* Sender, TProgressStage Stage, uint8_t Percent, bool RedrawNow, const TRect& R,
                         const std::string& Msg) {
        EXPECT_EQ(Sender, &Gif);
        EXPECT_FALSE(RedrawNow);
        EXPECT_EQ(R.right, 0);
        Calls.emplace_back(Stage, Percent, Msg);
    };
    Load(Gif, Bytes(MakeDocument(300, 200, 1, 256)));
    ASSERT_GE(Calls.size(), 3u);
    EXPECT_EQ(Calls.front(), std::make_tuple(psStarting, 0, std::string("LZW decode image")));
    EXPECT_EQ(Calls.back(), std::make_tuple(psEnding, 100, std::string("LZW decode image")));
    for (size_t K = 1; K + 1 < Calls.size(); ++K)
        EXPECT_EQ(std::get<0>(Calls[K]), psRunning);
    Calls.clear();
    Gif.GetBitmap(0);
    ASSERT_GE(Calls.size(), 2u);
    EXPECT_EQ(Calls.front(), std::make_tuple(psStarting, 0, std::string("make bitmap")));
    EXPECT_EQ(Calls.back(), std::make_tuple(psEnding, 100, std::string("make bitmap")));
    Calls.clear();
    Saved(Gif);
    ASSERT_GE(Calls.size(), 2u);
    EXPECT_EQ(std::get<2>(Calls.front()), "LZW encode image");
}

TEST(Gif, ProgressiveDisplayDrawsWhileDecoding)
{
    TGif Gif;
    Gif.SetProgressiveDisplay(true);
    TBitmap Target;
    Target.SetSize(40, 30);
    Gif.SetCanvas(Target.GetCanvas(), TRect{0, 0, 0, 0});
    Load(Gif, Bytes(MakeDocument(40, 30, 1, 16, true)));
    TBitmap* B = Gif.GetBitmap(0);
    for (int Y = 0; Y < 30; Y += 7)
        for (int X = 0; X < 40; X += 3)
            ASSERT_EQ(static_cast<uint32_t>(B->GetCanvas()->GetPixel(X, Y)), TableColor((X + 3 * Y) % 16));
    Gif.DrawImage(0);
    EXPECT_EQ(static_cast<uint32_t>(Target.GetCanvas()->GetPixel(5, 5)), TableColor((5 + 15) % 16));
    Gif.DrawBackground();
    EXPECT_EQ(static_cast<uint32_t>(Target.GetCanvas()->GetPixel(5, 5)), TableColor(0));
    EXPECT_FALSE(Gif.GetAnimating());
}
