// Icons, metafiles and the metafile preview of EPS files (through the platform's graphics).
#include <gtest/gtest.h>

#include <windows.h>

#include "FormatsTestUtil.h"
#include "imagelib/EpsGraphic.h"
#include "imagelib/IconGraphic.h"
#include "platform/win/Icon.h"
#include "platform/win/Metafile.h"

using namespace FormatsTest;

namespace {

// Colour equality over a region.
::testing::AssertionResult SameRegion(const TDibGraphic& A, const TDibGraphic& B, int32_t W, int32_t H)
{
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X)
            if (A.GetPixelColor(X, Y) != B.GetPixelColor(X, Y))
                return ::testing::AssertionFailure() << "pixel " << X << "," << Y << std::hex << ": "
                                                     << A.GetPixelColor(X, Y) << " vs " << B.GetPixelColor(X, Y);
    return ::testing::AssertionSuccess();
}

Bytes EpsAround(const Bytes& Section, bool AsTiff)
{
    const std::string Ps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n";
    Bytes B(28, 0);
    B[0] = 0xC5, B[1] = 0xD0, B[2] = 0xD3, B[3] = 0xC6;
    Put32(B, 4, 28);
    Put32(B, 8, static_cast<uint32_t>(Ps.size()));
    B.insert(B.end(), Ps.begin(), Ps.end());
    Put32(B, AsTiff ? 20 : 12, static_cast<uint32_t>(B.size()));
    Put32(B, AsTiff ? 24 : 16, static_cast<uint32_t>(Section.size()));
    B.insert(B.end(), Section.begin(), Section.end());
    return B;
}

} // namespace

TEST(IconGraphic, SavedIconReloadsAtSystemSize)
{
    TIconGraphic G;
    MakePattern(G, 20, 12, ifTrueColor, 3);
    TMemoryStream S;
    G.SaveToStream(&S);
    S.SetPosition(0);
    TIconGraphic Back;
    EXPECT_TRUE(Back.CanLoadStream(&S));
    Back.LoadFromStream(&S);
    EXPECT_EQ(Back.GetWidth(), GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(Back.GetHeight(), GetSystemMetrics(SM_CYICON));
    EXPECT_TRUE(SameRegion(G, Back, 20, 12));
}

TEST(IconGraphic, AssignToIconThroughTheHook)
{
    TIconGraphic G;
    MakePattern(G, 16, 16, ifColor256, 4);
    TIcon Icon;
    G.AssignTo(&Icon);
    EXPECT_FALSE(Icon.GetEmpty());
    EXPECT_EQ(Icon.GetWidth(), GetSystemMetrics(SM_CXICON));
}

TEST(IconGraphic, CanLoadStreamRules)
{
    auto Dir = [](uint16_t Type, uint16_t Count, uint8_t W, uint8_t H) {
        Bytes B(22, 0);
        Put16(B, 2, Type);
        Put16(B, 4, Count);
        B[6] = W, B[7] = H;
        return B;
    };
    TIconGraphic G;
    for (uint8_t S : {16, 32, 64})
        EXPECT_TRUE(G.CanLoadStream(StreamOf(Dir(1, 1, S, S)).get())) << int(S);
    EXPECT_TRUE(G.CanLoadStream(StreamOf(Dir(0, 1, 16, 32)).get()));
    EXPECT_FALSE(G.CanLoadStream(StreamOf(Dir(1, 1, 48, 48)).get()));
    EXPECT_FALSE(G.CanLoadStream(StreamOf(Dir(2, 1, 32, 32)).get()));
    EXPECT_FALSE(G.CanLoadStream(StreamOf(Dir(1, 0, 32, 32)).get()));
    auto Short = StreamOf(Bytes(10, 0));
    EXPECT_FALSE(G.CanLoadStream(Short.get()));
    EXPECT_EQ(Short->GetPosition(), 0);
}

TEST(MetaFileGraphic, EmfRoundTripAndSignatures)
{
    TMetaFileGraphic G;
    EXPECT_EQ(G.GetBackgroundColor(), DefaultBackgroundColor);
    MakePattern(G, 40, 30, ifTrueColor, 5);
    TMemoryStream S;
    G.SaveToStream(&S);
    const Bytes F = BytesOf(S);
    ASSERT_GT(F.size(), 44u);
    EXPECT_EQ(Get32(F, 0), 1u);
    EXPECT_EQ(std::string(F.begin() + 40, F.begin() + 44), " EMF");
    TMetaFileGraphic Back;
    auto In = StreamOf(F);
    EXPECT_TRUE(Back.CanLoadStream(In.get()));
    Back.LoadFromStream(In.get());
    EXPECT_EQ(Back.GetWidth(), 40);
    EXPECT_EQ(Back.GetHeight(), 30);
    EXPECT_TRUE(SameColors(G, Back));

    Bytes Placeable(100, 0);
    Placeable[0] = 0xD7, Placeable[1] = 0xCD, Placeable[2] = 0xC6, Placeable[3] = 0x9A;
    EXPECT_TRUE(Back.CanLoadStream(StreamOf(Placeable).get()));
    Bytes NotEmf = F;
    NotEmf[41] = 'X';
    EXPECT_FALSE(Back.CanLoadStream(StreamOf(NotEmf).get()));
}

TEST(EpsGraphic, MetafilePreviews)
{
    TMetaFileGraphic Pic;
    MakePattern(Pic, 24, 18, ifTrueColor, 6);
    TMemoryStream Emf;
    Pic.SaveToStream(&Emf);
    TEPSGraphic G;
    const Bytes File = EpsAround(BytesOf(Emf), false);
    auto S = StreamOf(File);
    EXPECT_TRUE(G.CanLoadStream(S.get()));
    G.LoadFromStream(S.get());
    EXPECT_TRUE(SameColors(Pic, G));

    // A placeable WMF preview.
    TMetafile Wmf;
    Emf.SetPosition(0);
    Wmf.LoadFromStream(&Emf);
    Wmf.SetEnhanced(false);
    TMemoryStream WmfBytes;
    Wmf.SaveToStream(&WmfBytes);
    const Bytes WmfFile = BytesOf(WmfBytes);
    ASSERT_EQ(WmfFile[0], 0xD7);
    TEPSGraphic W;
    auto SW = StreamOf(EpsAround(WmfFile, false));
    W.LoadFromStream(SW.get());
    EXPECT_EQ(W.GetImageFormat(), ifTrueColor);
    EXPECT_TRUE(SameColors(Pic, W));
}

TEST(IconMetaHostile, TruncatedIconsAndMetafilesRaise)
{
    TIconGraphic Icon;
    MakePattern(Icon, 16, 16, ifTrueColor);
    TMemoryStream SI;
    Icon.SaveToStream(&SI);
    TMetaFileGraphic Meta;
    MakePattern(Meta, 16, 16, ifTrueColor);
    TMemoryStream SM;
    Meta.SaveToStream(&SM);
    for (const Bytes& File : {BytesOf(SI), BytesOf(SM)}) {
        const bool IsIcon = File[0] == 0;
        for (size_t Cut : {size_t(0), size_t(5), size_t(30), File.size() / 2, File.size() - 1}) {
            SCOPED_TRACE(std::string(IsIcon ? "icon" : "metafile") + " cut at " + std::to_string(Cut));
            std::unique_ptr<TDibGraphic> G;
            if (IsIcon)
                G = std::make_unique<TIconGraphic>();
            else
                G = std::make_unique<TMetaFileGraphic>();
            auto S = StreamOf(Bytes(File.begin(), File.begin() + Cut));
            bool Refused = false;
            try {
                G->LoadFromStream(S.get());
            } catch (const EInvalidGraphic&) {
                Refused = true;
            } catch (const EDidodazaError&) {
                Refused = true;
            }
            EXPECT_TRUE(Refused);
        }
    }
}
