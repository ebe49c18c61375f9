#pragma once
// Shared by the tests of the picture tools: a task whose "Saved" folder the test fills with
// pictures and files of chosen sizes, the main window showing it, and window pictures saved under
// <build>\screenshots for the developer to look at.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "engine/Task.h"
#include "imagelib/Gif.h"
#include "imagelib/ImgDib.h"
#include "platform/win/Bitmap.h"
#include "tests/app/MainFormFixture.h"
#include "tests/app/PictureTestFiles.h"
#include "tests/support/Screenshot.h"

namespace SavedPictures {

using PictureTest::WriteBytes;
using PictureTest::WriteGif;

// A plain picture written by the image library's writer T.
template <class T>
std::string WritePicture(const std::string& Name, int32_t W, int32_t H, uint32_t Rgb = 0x3366CC)
{
    T G;
    G.NewImage(W, H, ifTrueColor);
    G.Fill(PackRgb((Rgb >> 16) & 255, (Rgb >> 8) & 255, Rgb & 255));
    G.SaveToFile(Name);
    return Name;
}

// The window's own picture as <build>\screenshots\<Name>.bmp; the shot is returned for checks.
inline TestSupport::TShot Shoot(HWND W, const std::string& Name)
{
    TestSupport::PumpFor(100);
    TestSupport::TShot S = TestSupport::CaptureFullPaint(W);
    const std::string Folder = ExtractFilePath(ExcludeTrailingBackslash(ProgramFolder())) + "screenshots\\";
    CreateDirectoryA(Folder.c_str(), nullptr);
    EXPECT_TRUE(TestSupport::WriteBmp(Folder + Name + ".bmp", S)) << Name;
    return S;
}

// The main window with one task "T" whose download folder is <Downloads>\<FolderName>\.
class SavedTaskFixture : public MainFormTest::MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        Folder = Downloads + FolderName + "\\";
        Saved = Folder + "Saved\\";
        CreateDirectoryA(Folder.c_str(), nullptr);
        CreateDirectoryA(Saved.c_str(), nullptr);
        TTask T;
        T.SetName("T");
        T.SetStartURL("http://127.0.0.1:9/index.html");
        T.SetID("{saved-task-" + std::to_string(GetTickCount()) + "}");
        T.GetOptions()->SetDefaultFolder(Folder);
        T.SaveToFile(Projects + "T.wrp");
    }
    // The window, with the task selected (its pictures listed).
    void Show()
    {
        MakeForm();
        Select(NodeOfPath(Projects + "T.wrp"));
    }
    TListItems* Rows() { return Form->ImagesListView->GetItems(); }
    TListItem* Row(const std::string& Caption)
    {
        for (int32_t I = 0; I < Rows()->GetCount(); ++I)
            if (Rows()->GetItem(I)->GetCaption() == Caption)
                return Rows()->GetItem(I);
        return nullptr;
    }

    std::string FolderName = "T";
    std::string Folder, Saved;
};

} // namespace SavedPictures
