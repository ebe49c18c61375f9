// Large strip pages, which several threads decode at once, and one picture object loading file
// after file: every layout, compression and way in must give exactly the saved picture.
#include "tests/imagelib/tiff/TiffTestUtil.h"

#include "platform/rtl/FileStream.h"
#include "tests/imagelib/support/ReloadCheck.h"
#include "tests/support/TestSupport.h"

using namespace TiffTest;

namespace {

// Above a mebibyte of decoded rows, so the page is shared between threads; odd widths leave
// row padding in the picture.
struct TLayout {
    ImageFormat Format;
    int32_t Width, Height;
};
const TLayout Large[] = {
    {ifTrueColor, 701, 601}, {ifGray256, 1101, 1003}, {ifColor256, 1203, 901},
    {ifColor16, 2201, 1001}, {ifGray16, 2203, 999},   {ifBlackWhite, 4401, 2003},
};

TBytes Saved(TTiffGraphic& G, TiffCompression Compression, int32_t RowsPerStrip)
{
    G.SetCompression(Compression);
    G.SetRowsPerStrip(RowsPerStrip);
    return SaveBytes(G);
}

void ExpectSame(const TTiffGraphic& A, const TTiffGraphic& B, const std::string& What)
{
    ASSERT_EQ(B.GetWidth(), A.GetWidth()) << What;
    ASSERT_EQ(B.GetHeight(), A.GetHeight()) << What;
    ASSERT_EQ(B.GetImageFormat(), A.GetImageFormat()) << What;
    EXPECT_EQ(Pixels(B), Pixels(A)) << What;
    EXPECT_EQ(B.GetXDpi(), A.GetXDpi()) << What;
    if (A.GetImageFormat() != ifTrueColor) {
        EXPECT_EQ(std::memcmp(A.LogPalette(), B.LogPalette(), sizeof(TDibLogPalette)), 0) << What;
    }
}

} // namespace

TEST(TiffStrips, LargePagesEveryLayoutAndCompression)
{
    for (const TLayout& L : Large) {
        TTiffGraphic A;
        MakePattern(A, L.Width, L.Height, L.Format);
        for (TiffCompression C : {0, 1, 5})
            // Strips of 7 rows end in a short one; one whole-page strip cannot be shared.
            for (int32_t Rows : {7, 64, TTiffGraphic::DefaultRowsPerStrip}) {
                const std::string What = ImageFormatName(L.Format) + "/" + CompressionName(C) + "/" +
                                         std::to_string(Rows);
                TTiffGraphic B;
                LoadBytes(B, Saved(A, C, Rows));
                ExpectSame(A, B, What);
                EXPECT_EQ(B.GetCompression(), C) << What;
            }
    }
}

TEST(TiffStrips, SecondPageAPrefixAndAFile)
{
    TTiffGraphic A, B;
    MakePattern(A, 900, 700, ifTrueColor);
    MakeSmooth(B, 900, 700, ifTrueColor);
    A.SetCompression(5);
    B.SetCompression(5);
    A.SetRowsPerStrip(16);
    B.SetRowsPerStrip(9);
    TMemoryStream S;
    A.AppendImageToStream(&S);
    B.AppendImageToStream(&S);
    const TBytes Bytes = BytesOf(S);

    // The helpers open the file themselves and must read the same page.
    TTiffGraphic P;
    LoadBytes(P, Bytes, 2);
    ExpectSame(B, P, "page 2");
    LoadBytes(P, Bytes, 1);
    ExpectSame(A, P, "page 1");

    // Behind a prefix the file is copied first; the copy is what the helpers read.
    TMemoryStream Prefixed;
    Prefixed.WriteBuffer("0123456789", 10);
    Prefixed.WriteBuffer(Bytes.data(), int32_t(Bytes.size()));
    Prefixed.SetPosition(10);
    TTiffGraphic Q;
    Q.LoadImageFromStream(&Prefixed, 2);
    ExpectSame(B, Q, "page 2 behind a prefix");

    // From a file stream: the helpers read a memory copy of the file, the caller the file.
    TestSupport::TTempFolder Folder;
    {
        TFileStream Out(Folder.File("pages.tif"), fmCreate);
        Out.WriteBuffer(Bytes.data(), int32_t(Bytes.size()));
    }
    TTiffGraphic R;
    TFileStream In(Folder.File("pages.tif"), fmOpenRead);
    R.LoadImageFromStream(&In, 2);
    ExpectSame(B, R, "page 2 from a file");
}

TEST(TiffStrips, BrokenStripsFailWholeAndRepeatably)
{
    TTiffGraphic A;
    MakePattern(A, 1000, 800, ifTrueColor);
    const TBytes Good = Saved(A, 5, 8);
    const auto E = ReadIfd(Good);
    const TIfdEntry* Offsets = FindTag(E, TIFFTAG_STRIPOFFSETS);
    const TIfdEntry* Counts = FindTag(E, TIFFTAG_STRIPBYTECOUNTS);
    ASSERT_TRUE(Offsets && Counts);
    ASSERT_EQ(Offsets->Count, 100u);
    // One bad strip near the start, in the middle and at the end: whichever reader takes it,
    // the load fails with the strip error and every reader stops.
    for (uint32_t Strip : {1u, 50u, 99u}) {
        TBytes B = Good;
        const uint32_t At = Get32(B, Offsets->Value + Strip * 4);
        const uint32_t Count = Get32(B, Counts->Value + Strip * 4);
        for (uint32_t I = 0; I < Count; ++I)
            B[At + I] = uint8_t(0xFF - I);
        for (int Round = 0; Round < 5; ++Round) {
            TTiffGraphic G;
            EXPECT_EQ(ErrorOf<EDidodazaError>([&] { LoadBytes(G, B); }), "ETiffError TIFFReadEncodedStrip")
                << "strip " << Strip;
        }
    }
    // Cut inside the strips.
    TBytes Cut(Good.begin(), Good.begin() + Good.size() / 2);
    TTiffGraphic G;
    const std::string Message = ErrorOf<EDidodazaError>([&] { LoadBytes(G, Cut); });
    EXPECT_TRUE(Message == "ETiffError TIFFReadEncodedStrip" || Message == "ETiffError TIFFOpen") << Message;
    // The object is still usable.
    LoadBytes(G, Good);
    ExpectSame(A, G, "after failures");
}

TEST(TiffStrips, ThrowingProgressHandlerStopsTheHelpers)
{
    TTiffGraphic A;
    MakePattern(A, 1000, 800, ifTrueColor);
    const TBytes Bytes = Saved(A, 5, 8);
    TTiffGraphic G;
    int Calls = 0;
    G.OnProgress = [&](TObject*, uint8_t Percent) {
        ++Calls;
        if (Percent >= 30)
            throw EDidodazaError("stopped by the handler");
    };
    EXPECT_EQ(ErrorOf<EDidodazaError>([&] { LoadBytes(G, Bytes); }), "stopped by the handler");
    EXPECT_GT(Calls, 1);
    G.OnProgress = nullptr;
    LoadBytes(G, Bytes);
    ExpectSame(A, G, "after the handler");
}

TEST(TiffReload, SameSizeOtherPicturesAndSmallerOnes)
{
    // Same size and layout one after another (the memory is kept), then a changed palette, a
    // smaller picture, and back; each must equal a fresh load, padding bytes included.
    std::vector<TBytes> Files;
    for (const TLayout& L :
         {TLayout{ifTrueColor, 701, 601}, TLayout{ifColor256, 1203, 901}, TLayout{ifGray16, 333, 77}}) {
        TTiffGraphic A, B, Small;
        MakePattern(A, L.Width, L.Height, L.Format);
        MakeSmooth(B, L.Width, L.Height, L.Format == ifGray16 ? ifGray256 : L.Format);
        MakePattern(Small, L.Width / 3, L.Height / 2, L.Format);
        Files.push_back(Saved(A, 5, 16));
        Files.push_back(Saved(B, 1, 16));
        Files.push_back(Saved(A, 0, 5));
        Files.push_back(Saved(Small, 5, 16));
        Files.push_back(Saved(A, 5, 16));
    }
    ReloadCheck::ExpectReloadsLikeFreshLoads<TTiffGraphic>(Files, "TIFF");
}
