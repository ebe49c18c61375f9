// Cross-checks against Pillow, run on the host from under Wine: files Pillow writes load here
// with Pillow's pixels, and Pillow reads the files written here with our pixels.
#include "tests/imagelib/tiff/TiffTestUtil.h"
#include "tests/support/TestSupport.h"

#include <windows.h>

#include <cstdio>
#include <sstream>

using namespace TiffTest;

namespace {

using TestSupport::UnixPathOf;

// A private folder under the temporary folder.
std::string MakeFolder()
{
    char Temp[MAX_PATH];
    GetTempPathA(MAX_PATH, Temp);
    static int Counter = 0;
    const std::string Folder =
        std::string(Temp) + "qm_tiff_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++Counter) + "\\";
    CreateDirectoryA(Folder.c_str(), nullptr);
    return Folder;
}

// Runs the helper under the host's python3 and waits for it (up to a minute).
int RunHelper(const std::string& Folder, const std::string& Args, std::string& Log)
{
    return TestSupport::RunHostCommand(TIFF_TEST_PYTHON " '" TIFF_TEST_DIR "/pillow_tiff.py' " + Args,
                                       Folder + "helper.log", Folder + "helper.done", 60000, &Log);
}

struct TPage {
    int32_t W = 0, H = 0;
    std::string Mode;
    TBytes Rgb;
};

std::vector<TPage> ReadDump(const std::string& Path)
{
    std::vector<TPage> Pages;
    const TBytes B = ReadFileBytes(Path);
    size_t P = 0;
    auto LineAt = [&]() {
        std::string S;
        while (P < B.size() && B[P] != '\n')
            S += char(B[P++]);
        ++P;
        return S;
    };
    const int Count = std::atoi(LineAt().c_str());
    for (int I = 0; I < Count; ++I) {
        TPage Page;
        std::istringstream Head(LineAt());
        Head >> Page.W >> Page.H >> Page.Mode;
        const size_t N = size_t(Page.W) * size_t(Page.H) * 3;
        if (P + N > B.size())
            break;
        Page.Rgb.assign(B.begin() + std::ptrdiff_t(P), B.begin() + std::ptrdiff_t(P + N));
        P += N;
        Pages.push_back(std::move(Page));
    }
    return Pages;
}

// Largest channel difference between a picture and a dump page.
int Difference(const TDibGraphic& G, const TPage& Page)
{
    if (G.GetWidth() != Page.W || G.GetHeight() != Page.H)
        return 1000;
    int Worst = 0;
    for (int32_t Y = 0; Y < Page.H; ++Y)
        for (int32_t X = 0; X < Page.W; ++X) {
            const uint32_t C = G.GetPixelColor(X, Y);
            const uint8_t* Q = &Page.Rgb[(size_t(Y) * size_t(Page.W) + size_t(X)) * 3];
            Worst = std::max({Worst, std::abs(int((C >> 16) & 255) - Q[0]), std::abs(int((C >> 8) & 255) - Q[1]),
                              std::abs(int(C & 255) - Q[2])});
        }
    return Worst;
}

class TiffCrossCheck : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Folder = new std::string(MakeFolder());
        std::string Log;
        Status = RunHelper(*Folder, "fixtures '" + UnixPathOf(*Folder) + "'", Log);
        if (Status != 0)
            std::printf("pillow helper: %d %s\n", Status, Log.c_str());
    }
    static void TearDownTestSuite()
    {
        delete Folder;
        Folder = nullptr;
    }
    static std::string* Folder;
    static int Status;
};
std::string* TiffCrossCheck::Folder = nullptr;
int TiffCrossCheck::Status = -1;

} // namespace

TEST_F(TiffCrossCheck, PillowFilesLoadWithPillowPixels)
{
    ASSERT_EQ(Status, 0) << "Pillow helper failed";
    const struct {
        const char* Name;
        int Tolerance;
        ImageFormat Format;
    } Files[] = {{"rgb_none.tif", 0, ifTrueColor},   {"rgb_packbits.tif", 0, ifTrueColor},
                 {"rgb_deflate.tif", 0, ifTrueColor}, {"rgb_jpeg.tif", 12, ifTrueColor},
                 {"grey_deflate.tif", 0, ifGray256},  {"palette.tif", 0, ifColor256},
                 {"bw_group4.tif", 0, ifBlackWhite},  {"bw_none.tif", 0, ifBlackWhite},
                 {"rgb_tiled.tif", 0, ifTrueColor}};
    for (const auto& F : Files) {
        SCOPED_TRACE(F.Name);
        const std::vector<TPage> Pages = ReadDump(*Folder + F.Name + ".dump");
        ASSERT_EQ(Pages.size(), 1u);
        TTiffGraphic G;
        try {
            LoadBytes(G, ReadFileBytes(*Folder + F.Name));
        } catch (const EDidodazaError& X) {
            ADD_FAILURE() << X.Message() << " / " << TiffLastMessage();
            continue;
        }
        EXPECT_EQ(G.GetImageFormat(), F.Format);
        EXPECT_LE(Difference(G, Pages[0]), F.Tolerance);
    }
}

TEST_F(TiffCrossCheck, PillowPagesAndLzw)
{
    ASSERT_EQ(Status, 0) << "Pillow helper failed";
    const std::vector<TPage> Pages = ReadDump(*Folder + "pages.tif.dump");
    ASSERT_EQ(Pages.size(), 3u);
    TMemoryStream S;
    FillStream(S, ReadFileBytes(*Folder + "pages.tif"));
    TTiffGraphic G;
    EXPECT_EQ(G.GetStreamImageCount(&S), 3);
    G.SetLoadAllImages(true);
    S.SetPosition(0);
    G.LoadFromStream(&S);
    ASSERT_EQ(G.GetFrameCount(), 3);
    for (int I = 0; I < 3; ++I)
        EXPECT_EQ(Difference(*G.GetFrame(I + 1), Pages[size_t(I)]), 0) << I;

    TTiffGraphic L;
    EXPECT_EQ(ErrorOf<EDidodazaError>([&] { LoadBytes(L, ReadFileBytes(*Folder + "lzw.tif")); }),
              "LZW compression not supported");
}

TEST_F(TiffCrossCheck, PillowReadsOurFiles)
{
    ASSERT_EQ(Status, 0) << "Pillow helper failed";
    struct TMade {
        std::string Name;
        std::unique_ptr<TTiffGraphic> Picture;
    };
    std::vector<TMade> Made;
    const std::pair<ImageFormat, std::vector<TiffCompression>> Cases[] = {
        {ifBlackWhite, {0, 1, 3, 4, 5}}, {ifGray16, {0, 1, 5}},    {ifColor16, {0, 1, 5}},
        {ifColor256, {0, 1, 5}},         {ifGray256, {0, 1, 5, 6}}, {ifTrueColor, {0, 1, 5, 6}}};
    std::string Names;
    for (const auto& [Format, Kinds] : Cases)
        for (TiffCompression C : Kinds) {
            auto P = std::make_unique<TTiffGraphic>();
            if (C == 6)
                MakeSmooth(*P, 40, 24, Format);
            else
                MakePattern(*P, 37, 19, Format);
            P->SetCompression(C);
            const std::string Name = "ours_" + std::to_string(int(Format)) + "_" + std::to_string(int(C)) + ".tif";
            WriteFileBytes(*Folder + Name, SaveBytes(*P));
            Names += " '" + UnixPathOf(*Folder + Name) + "'";
            Made.push_back(TMade{Name, std::move(P)});
        }
    std::string Log;
    ASSERT_EQ(RunHelper(*Folder, "dump" + Names, Log), 0) << Log;
    for (const TMade& M : Made) {
        const std::vector<TPage> Pages = ReadDump(*Folder + M.Name + ".dump");
        ASSERT_EQ(Pages.size(), 1u) << M.Name;
        EXPECT_LE(Difference(*M.Picture, Pages[0]), M.Picture->GetCompression() == 6 ? 16 : 0) << M.Name;
    }
}
