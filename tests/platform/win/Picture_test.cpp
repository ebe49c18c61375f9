// TPicture and the picture registry: extensions, later registrations, the dialog filter,
// clipboard formats, and lookups on worker threads while formats come and go.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "platform/rtl/Stream.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Graphic.h"
#include "platform/win/Icon.h"
#include "platform/win/Metafile.h"
#include "tests/support/TestSupport.h"

namespace {

// A picture class of the test: it only counts the bytes it was given.
class TCountingGraphic : public TGraphic {
public:
    std::string ClassName() const override { return "TCountingGraphic"; }
    void Draw(TCanvas*, const TRect&) override {}
    int32_t GetWidth() const override { return FBytes; }
    void SetWidth(int32_t) override {}
    int32_t GetHeight() const override { return 1; }
    void SetHeight(int32_t) override {}
    bool GetEmpty() const override { return FBytes == 0; }
    void LoadFromStream(TStream* Stream) override
    {
        Progress(this, psStarting, 0, false, TRect{}, "counting");
        FBytes = static_cast<int32_t>(Stream->GetSize() - Stream->GetPosition());
        Progress(this, psEnding, 100, false, TRect{}, "counting");
        Changed(this);
    }
    void SaveToStream(TStream*) override {}
    void LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) override {}
    void SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) override {}
    void Assign(TPersistent* Source) override
    {
        if (auto* C = dynamic_cast<TCountingGraphic*>(Source)) {
            FBytes = C->FBytes;
            return;
        }
        TGraphic::Assign(Source);
    }

private:
    int32_t FBytes = 0;
};

// A class that is never registered.
class TStrayGraphic : public TCountingGraphic {
public:
    std::string ClassName() const override { return "TStrayGraphic"; }
};

std::string WriteSmallBitmap(TestSupport::TTempFolder& Temp, const std::string& Name)
{
    TBitmap B;
    B.SetSize(7, 3);
    const std::string Path = Temp.File(Name);
    B.SaveToFile(Path);
    return Path;
}

} // namespace

TEST(PictureRegistry, DialogFilterOfTheBuiltIns)
{
    EXPECT_EQ(TPicture::DialogFilter(),
              "All pictures (*.bmp;*.ico;*.emf;*.wmf)|*.bmp;*.ico;*.emf;*.wmf"
              "|Bitmap files (*.bmp)|*.bmp|Icon files (*.ico)|*.ico"
              "|Enhanced metafiles (*.emf)|*.emf|Windows metafiles (*.wmf)|*.wmf");
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_BITMAP));
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_ENHMETAFILE));
    EXPECT_FALSE(TPicture::SupportsClipboardFormat(CF_TEXT));
    EXPECT_EQ(TPicture::FindFileFormat(".WMF").ClassName, "TMetafile");
    EXPECT_EQ(TPicture::FindFileFormat("Ico").ClassName, "TIcon");
}

TEST(PictureRegistry, ExtensionsPickTheirClassAndALaterRegistrationWins)
{
    TestSupport::TTempFolder Temp;
    const std::string Path = WriteSmallBitmap(Temp, "X.BMP");
    TPicture P;
    int Changes = 0;
    P.OnChange = [&](TObject*) { ++Changes; };
    P.LoadFromFile(Path);
    ASSERT_NE(P.GetGraphic(), nullptr);
    EXPECT_EQ(P.GetGraphic()->ClassName(), "TBitmap");
    EXPECT_EQ(P.GetWidth(), 7);
    EXPECT_EQ(P.GetHeight(), 3);
    EXPECT_GT(Changes, 0);

    TPicture::RegisterFileFormat("BMP", "Counted files", GraphicClassOf<TCountingGraphic>());
    EXPECT_NE(TPicture::DialogFilter().find("Counted files (*.bmp)"), std::string::npos);
    EXPECT_EQ(TPicture::DialogFilter().find("Bitmap files"), std::string::npos);
    int Progress = 0;
    P.OnProgress = [&](TObject*, TProgressStage, uint8_t, bool, const TRect&, const std::string& Msg) {
        Progress += Msg == "counting";
    };
    P.LoadFromFile(Path);
    EXPECT_EQ(P.GetGraphic()->ClassName(), "TCountingGraphic");
    EXPECT_EQ(Progress, 2);
    TPicture::Unregister("TCountingGraphic");
    P.LoadFromFile(Path);
    EXPECT_EQ(P.GetGraphic()->ClassName(), "TBitmap");
    EXPECT_NE(TPicture::DialogFilter().find("Bitmap files (*.bmp)"), std::string::npos);
}

TEST(PictureRegistry, UnknownExtensionsAndFailedLoads)
{
    TestSupport::TTempFolder Temp;
    TPicture P;
    try {
        P.LoadFromFile(Temp.File("a.xyz"));
        FAIL() << "no exception";
    } catch (const EInvalidGraphic& E) {
        EXPECT_NE(std::string(E.what()).find("'.xyz'"), std::string::npos) << E.what();
        EXPECT_EQ(std::string(E.what()), "Unsupported picture file extension '.xyz'");
    }
    P.LoadFromFile(WriteSmallBitmap(Temp, "good.bmp"));
    // A broken file leaves the old graphic in place.
    const std::string Bad = Temp.File("bad.bmp");
    {
        TMemoryStream S;
        S.WriteBuffer("BMnonsense", 10);
        S.SaveToFile(Bad);
    }
    EXPECT_THROW(P.LoadFromFile(Bad), EInvalidGraphic);
    EXPECT_EQ(P.GetWidth(), 7);
    EXPECT_THROW(P.LoadFromFile(Temp.File("missing.bmp")), EFOpenError);
}

TEST(Picture, ForcedTypesAssignAndFileRoundTrips)
{
    TestSupport::TTempFolder Temp;
    TPicture P;
    EXPECT_EQ(P.GetGraphic(), nullptr);
    EXPECT_EQ(P.GetWidth(), 0);
    TIcon* Icon = P.GetIcon();
    Icon->SetHandle(static_cast<HICON>(CopyImage(LoadIconA(nullptr, MAKEINTRESOURCEA(32516)), IMAGE_ICON, 0, 0, 0)));
    EXPECT_EQ(P.GetWidth(), GetSystemMetrics(SM_CXICON));
    P.SaveToFile(Temp.File("i.ico"));
    TBitmap* B = P.GetBitmap(); // replaces the icon
    EXPECT_EQ(P.GetGraphic()->ClassName(), "TBitmap");
    EXPECT_TRUE(B->GetEmpty());
    P.LoadFromFile(Temp.File("i.ico"));
    EXPECT_EQ(P.GetGraphic()->ClassName(), "TIcon");
    EXPECT_EQ(P.GetWidth(), GetSystemMetrics(SM_CXICON));

    TMetafile* M = P.GetMetafile();
    M->SetWidth(30);
    M->SetHeight(20);
    {
        TMetafileCanvas C(M, nullptr);
        C.Ellipse(0, 0, 30, 20);
    }
    P.SaveToFile(Temp.File("m.emf"));
    TPicture Q;
    Q.LoadFromFile(Temp.File("m.emf"));
    EXPECT_EQ(Q.GetGraphic()->ClassName(), "TMetafile");
    EXPECT_EQ(Q.GetWidth(), 30);
    EXPECT_EQ(Q.GetHeight(), 20);

    // Assign copies.
    TPicture R;
    R.Assign(&Q);
    EXPECT_NE(R.GetGraphic(), Q.GetGraphic());
    EXPECT_EQ(R.GetWidth(), 30);
    Q.Assign(nullptr);
    EXPECT_EQ(Q.GetGraphic(), nullptr);
    EXPECT_EQ(R.GetWidth(), 30);
    TBitmap Source;
    Source.SetSize(5, 6);
    R.Assign(&Source);
    EXPECT_EQ(R.GetGraphic()->ClassName(), "TBitmap");
    EXPECT_EQ(R.GetHeight(), 6);
    TStrayGraphic Stray;
    EXPECT_THROW(R.SetGraphic(&Stray), EInvalidGraphic);
    EXPECT_THROW(Q.SaveToFile(Temp.File("empty.bmp")), EInvalidGraphic);

    // Through a clipboard format.
    UINT Format;
    HANDLE Data;
    HPALETTE Palette;
    R.SaveToClipboardFormat(Format, Data, Palette);
    TPicture FromClip;
    FromClip.LoadFromClipboardFormat(Format, Data, Palette);
    DeleteObject(Data);
    EXPECT_EQ(FromClip.GetGraphic()->ClassName(), "TBitmap");
    EXPECT_EQ(FromClip.GetWidth(), 5);
    EXPECT_THROW(FromClip.LoadFromClipboardFormat(CF_TEXT, Data, nullptr), EInvalidGraphic);
}

TEST(PictureRegistry, WorkersLookUpWhileFormatsRegisterAndUnregister)
{
    constexpr int Workers = 8;
    std::atomic<bool> Stop{false};
    std::atomic<long> Lookups{0};
    std::atomic<int> Bad{0};
    const std::set<std::string> Known = {"TBitmap", "TIcon", "TMetafile", "TCountingGraphic"};
    std::vector<std::thread> Threads;
    for (int I = 0; I < Workers; ++I)
        Threads.emplace_back([&, I] {
            static const char* Exts[] = {"bmp", ".BMP", "ico", "emf", "wmf", "cnt"};
            int N = I;
            while (!Stop.load()) {
                const char* Ext = Exts[N++ % 6];
                TGraphicClass C = TPicture::FindFileFormat(Ext);
                ++Lookups;
                if (std::string(Ext) == "cnt" && !C)
                    continue;
                if (!C || !Known.count(C.ClassName)) {
                    ++Bad;
                    continue;
                }
                std::unique_ptr<TGraphic> G = C.Create();
                if (!G || G->ClassName() != C.ClassName)
                    ++Bad;
                if ((N & 63) == 0)
                    (void)TPicture::DialogFilter();
            }
        });
    // The registrations must overlap the look-ups: wait until the workers are looking up, and
    // keep registering until they have done plenty of look-ups (bounded, for a loaded machine).
    for (int Wait = 0; Wait < 10000 && Lookups.load() < Workers; ++Wait)
        Sleep(1);
    for (int I = 0; I < 1000 || (Lookups.load() <= 1000 && I < 1000000); ++I) {
        TPicture::RegisterFileFormat("cnt", "Counted files", GraphicClassOf<TCountingGraphic>());
        TPicture::RegisterFileFormat("bmp", "Counted files", [] { return std::unique_ptr<TGraphic>(new TCountingGraphic()); });
        TPicture::RegisterClipboardFormat(CF_BITMAP, GraphicClassOf<TCountingGraphic>());
        TPicture::Unregister("TCountingGraphic");
    }
    Stop = true;
    for (auto& T : Threads)
        T.join();
    EXPECT_EQ(Bad.load(), 0);
    EXPECT_GT(Lookups.load(), 1000);
    EXPECT_EQ(TPicture::FindFileFormat("bmp").ClassName, "TBitmap");
    EXPECT_EQ(TPicture::FindClipboardFormat(CF_BITMAP).ClassName, "TBitmap");
    EXPECT_FALSE(TPicture::FindFileFormat("cnt"));
}
