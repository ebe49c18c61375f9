// The formats' registration and the TIFF side of EPS while no TIFF class is registered.
#include <gtest/gtest.h>

#include <algorithm>

#include "FormatsTestUtil.h"
#include "imagelib/EpsGraphic.h"
#include "imagelib/IconGraphic.h"
#include "imagelib/ImgBmc.h"
#include "imagelib/ImgHooks.h"

using namespace FormatsTest;

TEST(FormatRegistry, ExtensionsMapToTheirClassesOnce)
{
    const std::pair<const char*, const char*> Want[] = {
        {"PCX", "TPcxGraphic"}, {"PCC", "TPcxGraphic"}, {"DCX", "TDcxGraphic"}, {"BMP", "TBitmapGraphic"},
        {"TGA", "TTgaGraphic"}, {"VST", "TTgaGraphic"}, {"AFI", "TTgaGraphic"}, {"EPS", "TEPSGraphic"},
        {"PPM", "TPpmGraphic"}, {"PGM", "TPpmGraphic"}, {"PBM", "TPpmGraphic"}};
    // Registering again changes nothing.
    RegisterPcxFormats();
    RegisterBmcFormats();
    const std::vector<std::string> Listed = RegisteredDibExtensions();
    for (const auto& [Ext, Class] : Want) {
        EXPECT_EQ(FindDibGraphicClass(std::string("a.") + Ext).ClassName, Class) << Ext;
        EXPECT_EQ(std::count(Listed.begin(), Listed.end(), Ext), 1) << Ext;
    }
    const auto Pos = [&](const char* E) { return std::find(Listed.begin(), Listed.end(), E) - Listed.begin(); };
    EXPECT_LT(Pos("PCX"), Pos("DCX"));
    EXPECT_LT(Pos("BMP"), Pos("TGA"));
    EXPECT_LT(Pos("EPS"), Pos("PPM"));
    EXPECT_FALSE(FindDibGraphicClass("a.ICO"));
    EXPECT_FALSE(FindDibGraphicClass("a.EMF"));
    EXPECT_TRUE(static_cast<bool>(GetIconStreamWriter()));
}

TEST(EpsGraphic, TiffSectionWithoutTiffClassFallsBackToMetafile)
{
    if (FindDibGraphicClass("a.tif"))
        GTEST_SKIP() << "a TIFF class is registered; its own tests cover the TIFF preview";
    TMetaFileGraphic Pic;
    MakePattern(Pic, 9, 7, ifTrueColor, 2);
    TMemoryStream Emf;
    Pic.SaveToStream(&Emf);
    const Bytes Meta = BytesOf(Emf);
    Bytes F(28, 0);
    F[0] = 0xC5, F[1] = 0xD0, F[2] = 0xD3, F[3] = 0xC6;
    Put32(F, 20, 28); // a "TIFF" of 16 bytes
    Put32(F, 24, 16);
    F.resize(44, 0x49);
    TEPSGraphic G;
    auto S = StreamOf(F);
    EXPECT_EQ(ErrorOf([&] { G.LoadFromStream(S.get()); }), "EPS file does not have a preview");
    Put32(F, 12, 44);
    Put32(F, 16, static_cast<uint32_t>(Meta.size()));
    F.insert(F.end(), Meta.begin(), Meta.end());
    auto S2 = StreamOf(F);
    G.LoadFromStream(S2.get());
    EXPECT_TRUE(SameColors(Pic, G));
}
