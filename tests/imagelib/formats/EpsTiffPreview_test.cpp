// EPS files whose preview is a TIFF section: loaded through the registered TIFF class.
#include <gtest/gtest.h>

#include <windows.h>

#include "FormatsTestUtil.h"
#include "imagelib/EpsGraphic.h"
#include "imagelib/IconGraphic.h"
#include "imagelib/ImgMisc.h"
#include "imagelib/TiffGraphic.h"

using namespace FormatsTest;

namespace {

Bytes TiffOf(TDibGraphic& Picture, TiffCompression Compression)
{
    TTiffGraphic T;
    T.Assign(&Picture);
    T.SetCompression(Compression);
    TMemoryStream S;
    T.SaveToStream(&S);
    return BytesOf(S);
}

// A DOS EPS file: the 28-byte header, some PostScript, then the sections given (empty ones
// are left out with offset and length 0).
Bytes DosEps(const Bytes& Tiff, const Bytes& Meta = {})
{
    const std::string Ps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\nshowpage\n";
    Bytes B(28, 0);
    B[0] = 0xC5, B[1] = 0xD0, B[2] = 0xD3, B[3] = 0xC6;
    Put32(B, 4, 28);
    Put32(B, 8, static_cast<uint32_t>(Ps.size()));
    B.insert(B.end(), Ps.begin(), Ps.end());
    if (!Meta.empty()) {
        Put32(B, 12, static_cast<uint32_t>(B.size()));
        Put32(B, 16, static_cast<uint32_t>(Meta.size()));
        B.insert(B.end(), Meta.begin(), Meta.end());
    }
    if (!Tiff.empty()) {
        Put32(B, 20, static_cast<uint32_t>(B.size()));
        Put32(B, 24, static_cast<uint32_t>(Tiff.size()));
        B.insert(B.end(), Tiff.begin(), Tiff.end());
    }
    return B;
}

} // namespace

TEST(EpsTiffPreview, LoadsTheTiffsPixelsForEveryLayout)
{
    ASSERT_TRUE(FindDibGraphicClass("a.tif"));
    const std::pair<ImageFormat, TiffCompression> Cases[] = {
        {ifTrueColor, TiffCompression(5)}, {ifColor256, TiffCompression(1)}, {ifGray256, TiffCompression(0)},
        {ifColor16, TiffCompression(5)},   {ifBlackWhite, TiffCompression(4)}};
    for (const auto& [Format, Compression] : Cases) {
        SCOPED_TRACE(ImageFormatName(Format));
        // Grey pictures keep the grey palette (TIFF stores grey levels, not a palette).
        TDibGraphic Picture;
        if (Format == ifGray256)
            MakePattern(Picture, 23, 9, Format, 5);
        else
            MakeColorPattern(Picture, 23, 9, Format, 5);
        Picture.SetXDpi(150);
        Picture.SetYDpi(75);
        TEPSGraphic G;
        auto S = StreamOf(DosEps(TiffOf(Picture, Compression)));
        ASSERT_TRUE(G.CanLoadStream(S.get()));
        G.LoadFromStream(S.get());
        EXPECT_EQ(G.GetImageFormat(), Format);
        EXPECT_TRUE(SameColors(Picture, G));
        EXPECT_EQ(G.GetXDpi(), 150);
        EXPECT_EQ(G.GetYDpi(), 75);
    }
}

TEST(EpsTiffPreview, TiffIsPreferredToTheMetafileAndWorksBehindAPrefix)
{
    TDibGraphic Picture;
    MakePattern(Picture, 12, 10, ifTrueColor, 8);
    TMetaFileGraphic Other;
    MakePattern(Other, 12, 10, ifTrueColor, 9);
    TMemoryStream Emf;
    Other.SaveToStream(&Emf);
    const Bytes File = DosEps(TiffOf(Picture, TiffCompression(0)), BytesOf(Emf));
    // The registry finds the class by extension; the file sits 7 bytes into the stream.
    std::unique_ptr<TDibGraphic> G = CreateGraphicForFile("preview.EPS");
    EXPECT_EQ(G->ClassName(), "TEPSGraphic");
    TMemoryStream S;
    S.WriteBuffer("prefix!", 7);
    S.WriteBuffer(File.data(), static_cast<int32_t>(File.size()));
    S.SetPosition(7);
    G->LoadFromStream(&S);
    EXPECT_TRUE(SameColors(Picture, *G));
}

TEST(EpsTiffPreview, BrokenOrHostileTiffSectionsRaise)
{
    TDibGraphic Picture;
    MakePattern(Picture, 16, 16, ifTrueColor, 3);
    const Bytes Tiff = TiffOf(Picture, TiffCompression(0));
    TEPSGraphic G;
    // Random bytes as the TIFF: the TIFF reader's failure, not an empty picture.
    Bytes Noise(300);
    for (size_t I = 0; I < Noise.size(); ++I)
        Noise[I] = static_cast<uint8_t>(I * 131 + 7);
    EXPECT_EQ(ErrorOf([&] { auto S = StreamOf(DosEps(Noise)); G.LoadFromStream(S.get()); }),
              "ETiffError TIFFOpen");
    EXPECT_TRUE(G.GetEmpty());
    // A TIFF cut in its pixel data.
    const Bytes Cut(Tiff.begin(), Tiff.begin() + static_cast<std::ptrdiff_t>(Tiff.size() / 2));
    EXPECT_THROW({ auto S = StreamOf(DosEps(Cut)); G.LoadFromStream(S.get()); }, EDidodazaError);
    // Lengths past the stream's end, without allocating what they claim.
    Bytes Huge = DosEps(Tiff);
    Put32(Huge, 24, 0x7FFFFFFF);
    EXPECT_EQ(ErrorOf([&] { auto S = StreamOf(Huge); G.LoadFromStream(S.get()); }),
              "EPS file does not have a preview");
    Bytes Past = DosEps(Tiff);
    Put32(Past, 20, Get32(Past, 20) + 1);
    EXPECT_EQ(ErrorOf([&] { auto S = StreamOf(Past); G.LoadFromStream(S.get()); }),
              "EPS file does not have a preview");
    // After all that, a good file still loads.
    auto S = StreamOf(DosEps(Tiff));
    G.LoadFromStream(S.get());
    EXPECT_TRUE(SameColors(Picture, G));
}

TEST(EpsTiffPreview, LoadsFromAFileThroughTheRegistry)
{
    TDibGraphic Picture;
    MakeColorPattern(Picture, 20, 6, ifColor256, 4);
    char Temp[MAX_PATH];
    GetTempPathA(MAX_PATH, Temp);
    const std::string Name = std::string(Temp) + "qm_eps_preview_" + std::to_string(GetCurrentProcessId()) + ".eps";
    const Bytes File = DosEps(TiffOf(Picture, TiffCompression(1)));
    {
        TMemoryStream S;
        S.WriteBuffer(File.data(), static_cast<int32_t>(File.size()));
        S.SaveToFile(Name);
    }
    std::unique_ptr<TDibGraphic> G = CreateGraphicForFile(Name);
    G->LoadFromFile(Name);
    DeleteFileA(Name.c_str());
    EXPECT_TRUE(SameColors(Picture, *G));
}
