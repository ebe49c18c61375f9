// The images library measuring real pictures: GIF files by the GIF reader whatever the letter
// case of their extension, everything else through the scroll box; damaged and missing files;
// add-picture threads with the real measurer; and the driver's library session.
#include "engine/ImagesLibraryMeasure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imagelib/ImgMisc.h"
#include "imagelib/JpegGraphic.h"
#include "imagelib/PngGraphic.h"
#include "platform/rtl/FileStream.h"
#include "platform/win/Files.h"
#include "tests/support/TestSupport.h"

using TestSupport::TTempFolder;

namespace {

using TBytes = std::vector<uint8_t>;

void WriteBytes(const std::string& Name, const TBytes& B)
{
    TFileStream F(Name, fmCreate);
    if (!B.empty())
        F.WriteBuffer(B.data(), int32_t(B.size()));
}

// A GIF whose logical screen is W x H, holding one 1 x 1 image (a two-colour table).
TBytes GifBytes(uint16_t W, uint16_t H)
{
    TBytes B = {'G', 'I', 'F', '8', '9', 'a', uint8_t(W), uint8_t(W >> 8), uint8_t(H), uint8_t(H >> 8),
                0x80, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0,
                0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0,
                2, 2, 0x44, 0x01, 0, 0x3B};
    return B;
}

template <class T>
std::string WritePicture(const std::string& Name, int32_t W, int32_t H)
{
    T G;
    G.NewImage(W, H, ifTrueColor);
    G.Fill(PackRgb(40, 90, 200));
    G.SaveToFile(Name);
    return Name;
}

std::string Dims(const TImageSize& S) { return IntToStr(S.Width) + "x" + IntToStr(S.Height); }

} // namespace

TEST(PictureMeasurer, ChoosesTheReaderByExtensionAndReportsTheSize)
{
    TTempFolder T;
    WriteBytes(T.File("X.GIF"), GifBytes(37, 23));
    EXPECT_EQ(Dims(MeasurePictureFile(T.File("X.GIF"))), "37x23");
    WriteBytes(T.File("y.gif"), GifBytes(300, 2));
    EXPECT_EQ(Dims(MeasurePictureFile(T.File("y.gif"))), "300x2");
    EXPECT_EQ(Dims(MeasurePictureFile(WritePicture<TPngGraphic>(T.File("p.png"), 45, 33))), "45x33");
    EXPECT_EQ(Dims(MeasurePictureFile(WritePicture<TJpegGraphic>(T.File("j.JPG"), 61, 17))), "61x17");

    // A PNG named ".gif" goes to the GIF reader, which refuses it; GIF bytes named ".png" go to
    // the scroll box, which refuses them too.
    CopyFile(T.File("p.png"), T.File("png.gif"), false);
    EXPECT_ANY_THROW(MeasurePictureFile(T.File("png.gif")));
    WriteBytes(T.File("gif.png"), GifBytes(10, 10));
    EXPECT_ANY_THROW(MeasurePictureFile(T.File("gif.png")));

    // Damaged and missing files raise; nothing is left open (the files can be deleted).
    TBytes Broken(400, 0x33);
    Broken[0] = 0xFF;
    Broken[1] = 0xD8;
    WriteBytes(T.File("broken.jpg"), Broken);
    EXPECT_ANY_THROW(MeasurePictureFile(T.File("broken.jpg")));
    EXPECT_ANY_THROW(MeasurePictureFile(T.File("missing.png")));
    EXPECT_ANY_THROW(MeasurePictureFile(T.File("missing.gif")));
    const TBytes Whole = GifBytes(5, 5);
    WriteBytes(T.File("short.gif"), TBytes(Whole.begin(), Whole.begin() + 8));
    EXPECT_ANY_THROW(MeasurePictureFile(T.File("short.gif")));
    for (const char* N : {"broken.jpg", "short.gif", "png.gif", "gif.png"})
        EXPECT_TRUE(DeleteFile(T.File(N))) << N;
}

TEST(PictureMeasurer, LibrariesMadeAfterInstallingMeasureOnTheirThreads)
{
    TTempFolder T;
    InstallPictureMeasurer();
    TImageLibrary Library;
    std::vector<std::string> Names;
    for (int I = 0; I < 6; ++I) {
        Names.push_back(WritePicture<TPngGraphic>(T.File("p" + IntToStr(I) + ".png"), 10 + I, 20 + I));
        Names.push_back(WritePicture<TJpegGraphic>(T.File("j" + IntToStr(I) + ".jpg"), 30 + I, 5 + I));
        WriteBytes(T.File("g" + IntToStr(I) + ".GIF"), GifBytes(uint16_t(50 + I), uint16_t(7 + I)));
        Names.push_back(T.File("g" + IntToStr(I) + ".GIF"));
    }
    WriteBytes(T.File("bad.jpg"), TBytes(300, 1));
    Names.push_back(T.File("bad.jpg"));
    {
        TAddImageThreadList Threads;
        for (const std::string& N : Names)
            Threads.Add(new TAddImageThread(&Library, N));
        Threads.WaitForAll();
    }
    ASSERT_EQ(Library.GetCount(), int32_t(Names.size()));
    for (int I = 0; I < 6; ++I) {
        const TImageDetail* P = Library.FindByName(T.File("p" + IntToStr(I) + ".png"));
        const TImageDetail* J = Library.FindByName(T.File("j" + IntToStr(I) + ".jpg"));
        const TImageDetail* G = Library.FindByName(T.File("g" + IntToStr(I) + ".GIF"));
        ASSERT_TRUE(P && J && G);
        EXPECT_EQ(P->GetWidth(), 10 + I);
        EXPECT_EQ(P->GetHeight(), 20 + I);
        EXPECT_EQ(J->GetWidth(), 30 + I);
        EXPECT_EQ(J->GetHeight(), 5 + I);
        EXPECT_EQ(G->GetWidth(), 50 + I);
        EXPECT_EQ(G->GetHeight(), 7 + I);
    }
    const TImageDetail* Bad = Library.FindByName(T.File("bad.jpg"));
    ASSERT_TRUE(Bad);
    EXPECT_EQ(Bad->GetWidth(), -1);
    EXPECT_EQ(Bad->GetHeight(), -1);
    EXPECT_EQ(Bad->GetFileSize(), 256);
    SetDefaultImageMeasurer(nullptr);
}

TEST(ImagesLibrarySession, LoadsMeasuresSavesAndDumps)
{
    TTempFolder T;
    const std::string Db = T.File("imglib.db");
    const std::string Png = WritePicture<TPngGraphic>(T.File("a b.png"), 12, 34);
    {
        // A library file with one record already.
        TImageLibrary Old;
        auto D = std::make_unique<TImageDetail>();
        D->SetFileName("C:\\old.png");
        D->SetWidth(7);
        D->SetHeight(8);
        Old.Add(std::move(D));
        Old.SaveToFile(Db);
    }
    std::string Dump;
    {
        TImagesLibrarySession Session(Db);
        ASSERT_NE(ImageLibrary, nullptr);
        ASSERT_NE(AddImageThreads, nullptr);
        const int32_t Before = ImageLibrary->GetCount();
        EXPECT_TRUE(StartAddImageThread(Png));
        Dump = Session.Finish();
        EXPECT_EQ(ImageLibrary->GetCount(), Before + 1);
    }
    EXPECT_EQ(ImageLibrary, nullptr);
    EXPECT_EQ(AddImageThreads, nullptr);
    EXPECT_FALSE(StartAddImageThread(Png));
    EXPECT_NE(Dump.find("{\"name\":\"C:\\\\old.png\",\"size\":0,\"width\":7,\"height\":8}"), std::string::npos) << Dump;
    EXPECT_NE(Dump.find("\\\\a b.png\",\"size\":"), std::string::npos) << Dump;
    EXPECT_NE(Dump.find("\"width\":12,\"height\":34}"), std::string::npos) << Dump;
    EXPECT_EQ(Dump.rfind("{\"imglib\":[", 0), 0u);

    // The saved file holds both, and a new library reads them back.
    TImageLibrary Back;
    Back.LoadFromFile(Db);
    EXPECT_EQ(Back.GetCount(), 2);
    const TImageDetail* P = Back.FindByName(Png);
    ASSERT_TRUE(P);
    EXPECT_EQ(P->GetWidth(), 12);
    EXPECT_EQ(P->GetHeight(), 34);
    EXPECT_FALSE(FileExists(Db + ".tmp"));
}
