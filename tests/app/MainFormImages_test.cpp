// The images pane of the main window: the listing of a task's "Saved" folder, the preview, the
// sort commands, Delete, Delete All, Copy to and Move to with the overwrite question, Open folder,
// Build-in, the enabling of the picture commands and the Delete By routine.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <fstream>
#include <set>

#include "app/ConfirmOverwriteForm.h"
#include "app/DeleteByRules.h"
#include "app/MainForm.h"
#include "app/WallpaperOptionsForm.h"
#include "engine/EngineRoutines.h"
#include "engine/ImagesLibrary.h"
#include "engine/ImagesLibraryMeasure.h"
#include "imagelib/Gif.h"
#include "imagelib/ImgMisc.h"
#include "imagelib/ImgScroll.h"
#include "imagelib/JpegGraphic.h"
#include "imagelib/PngGraphic.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Files.h"
#include "platform/win/StatusBar.h"
#include "tests/app/MainFormFixture.h"
#include "tests/app/SavedPictures.h"
#include "tests/support/NoClippedText.h"
#include "tests/support/Screenshot.h"

using namespace MainFormTest;
using TestSupport::ExpectNoClippedText;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;
using TestSupport::TDialogAnswerer;

namespace {

class TMeasurerEnvironment : public testing::Environment {
public:
    void SetUp() override { InstallPictureMeasurer(); }
};
const testing::Environment* const Registered = testing::AddGlobalTestEnvironment(new TMeasurerEnvironment);

using SavedPictures::WriteBytes;
using SavedPictures::WriteGif;
using SavedPictures::WritePicture;

// The class name of a window.
std::string ClassOf(HWND W)
{
    char Buf[64] = {};
    GetClassNameA(W, Buf, sizeof(Buf));
    return Buf;
}

struct TChildSearch {
    const char* Class;
    HWND Found;
};

BOOL CALLBACK FindChild(HWND W, LPARAM P)
{
    auto* X = reinterpret_cast<TChildSearch*>(P);
    if (ClassOf(W) == X->Class) {
        X->Found = W;
        return FALSE;
    }
    return TRUE;
}

HWND ChildOfClass(HWND Parent, const char* Class)
{
    TChildSearch Seen{Class, nullptr};
    EnumChildWindows(Parent, FindChild, reinterpret_cast<LPARAM>(&Seen));
    return Seen.Found;
}

// Answers the shell's folder picker with a typed folder.
class TFolderAnswerer {
public:
    explicit TFolderAnswerer(std::string Folder) : FFolder(std::move(Folder))
    {
        FTimer = std::make_unique<TTimer>();
        FTimer->SetInterval(50);
        FTimer->SetOnTimer([this](TObject*) { Tick(); });
        FTimer->SetEnabled(true);
    }
    bool Done() const { return FDone; }
    const std::string& Text() const { return FText; }

private:
    void Tick()
    {
        if (FDone)
            return;
        for (HWND D : TestSupport::VisibleThreadWindows()) {
            if (ClassOf(D) != "#32770" || !ChildOfClass(D, "SysTreeView32"))
                continue;
            FDone = true;
            FText = TestSupport::DialogText(D);
            if (HWND E = ChildOfClass(D, "Edit"))
                SendMessageA(E, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(FFolder.c_str()));
            SendMessageA(GetDlgItem(D, IDOK), BM_CLICK, 0, 0);
            return;
        }
    }
    std::string FFolder;
    std::string FText;
    bool FDone = false;
    std::unique_ptr<TTimer> FTimer;
};

class ImagesTest : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        Folder = Downloads + "T\\";
        Saved = Folder + "Saved\\";
        CreateDirectoryA(Folder.c_str(), nullptr);
        CreateDirectoryA(Saved.c_str(), nullptr);
        TTask T;
        T.SetName("T");
        T.SetStartURL("http://127.0.0.1:9/index.html");
        T.SetID("{images-task-" + std::to_string(GetTickCount()) + "}");
        T.GetOptions()->SetDefaultFolder(Folder);
        T.SaveToFile(Projects + "T.wrp");
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", nullptr);
        MainFormFixture::TearDown();
    }
    void Show()
    {
        MakeForm();
        Select(NodeOfPath(Projects + "T.wrp"));
    }
    TTask* Task() { return Form->TaskOfNode(NodeOfPath(Projects + "T.wrp")); }
    TListItems* Rows() { return Form->ImagesListView->GetItems(); }
    std::vector<std::string> Captions()
    {
        std::vector<std::string> V;
        for (int32_t I = 0; I < Rows()->GetCount(); ++I)
            V.push_back(Rows()->GetItem(I)->GetCaption());
        return V;
    }
    TListItem* Row(const std::string& Caption)
    {
        for (int32_t I = 0; I < Rows()->GetCount(); ++I)
            if (Rows()->GetItem(I)->GetCaption() == Caption)
                return Rows()->GetItem(I);
        return nullptr;
    }
    // Selects exactly these rows, the way the mouse does (the window's item state).
    void SelectRows(std::initializer_list<std::string> Captions)
    {
        HWND L = Form->ImagesListView->GetHandle();
        LVITEMA None{};
        None.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(L, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&None));
        for (const std::string& C : Captions) {
            TListItem* R = Row(C);
            ASSERT_NE(R, nullptr) << C;
            LVITEMA S{};
            S.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            S.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(L, LVM_SETITEMSTATE, static_cast<WPARAM>(R->GetIndex()), reinterpret_cast<LPARAM>(&S));
        }
        PumpFor(20);
    }
    void ClickHeader(int32_t Column)
    {
        HWND L = Form->ImagesListView->GetHandle();
        NMLISTVIEW N{};
        N.hdr.hwndFrom = L;
        N.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(L));
        N.hdr.code = LVN_COLUMNCLICK;
        N.iItem = -1;
        N.iSubItem = Column;
        SendMessageA(GetParent(L), WM_NOTIFY, N.hdr.idFrom, reinterpret_cast<LPARAM>(&N));
    }
    bool Checked(uint16_t Id) { return Form->Actions->Find(Id)->GetChecked(); }
    int TickedSorts()
    {
        int N = 0;
        for (uint16_t Id : {maImageSortByName, maImageSortBySize, maImageSortByType, maImageUnsort})
            N += Checked(Id) ? 1 : 0;
        return N;
    }

    std::string Folder, Saved;
};

} // namespace

TEST_F(ImagesTest, ListsSavedPicturesRecursivelyWithoutPartialFiles)
{
    WriteBytes(Saved + "a.jpg", 2048);
    WriteBytes(Saved + "a.jpg!!wr", 100);
    CreateDirectoryA((Saved + "sub").c_str(), nullptr);
    WriteBytes(Saved + "sub\\b.png", 1023);
    {
        // a.jpg is already in the library; b.png is not.
        TImageLibrary L;
        L.AddImage(Saved + "a.jpg");
        L.SaveToFile(Setup().LibraryPath);
    }
    Show();
    ASSERT_EQ(Rows()->GetCount(), 2);
    TListItem* A = Row("a.jpg");
    TListItem* B = Row("b.png");
    ASSERT_TRUE(A && B);
    EXPECT_EQ(A->GetSubItems()->GetStrings(0), ".jpg");
    EXPECT_EQ(A->GetSubItems()->GetStrings(1), "2 KB");
    EXPECT_EQ(A->GetSubItems()->GetStrings(2), Saved);
    EXPECT_EQ(TMainForm::ImageRowPath(A), Saved + "a.jpg");
    EXPECT_EQ(B->GetSubItems()->GetStrings(0), ".png");
    EXPECT_EQ(B->GetSubItems()->GetStrings(1), "0 KB");
    EXPECT_EQ(B->GetSubItems()->GetStrings(2), Saved + "sub\\");
    EXPECT_EQ(TMainForm::ImageRowPath(B), Saved + "sub\\b.png");
    ASSERT_EQ(Form->BuildInFiles->GetCount(), 1);
    EXPECT_EQ(Form->BuildInFiles->GetStrings(0), Saved + "sub\\b.png");
}

TEST_F(ImagesTest, EveryRowCarriesItsOwnExtensionsIcon)
{
    WriteBytes(Saved + "a.jpg", 10);
    WriteBytes(Saved + "b.png", 10);
    WriteBytes(Saved + "c.jpg", 10);
    WriteBytes(Saved + "x.a=b", 10);
    WriteBytes(Saved + "y.a", 10);
    Show();
    // The crawl adds rows while the task is shown, over the same image list.
    TTask* T = Task();
    ASSERT_NE(T, nullptr);
    WriteBytes(Saved + "d.gif", 10);
    WriteBytes(Saved + "e.png", 10);
    WriteBytes(Saved + "f.bmp", 10);
    T->AddFile(Saved + "d.gif", 10);
    T->AddFile(Saved + "e.png", 10);
    T->AddFile(Saved + "f.bmp", 10);
    Form->FillImagesPane(T); // a refill after the crawl's rows
    T->AddFile(Saved + "d.gif", 10);
    ASSERT_EQ(Rows()->GetCount(), 9);
    std::map<int32_t, std::set<std::string>> ExtsOfIndex;
    for (int32_t I = 0; I < Rows()->GetCount(); ++I) {
        TListItem* R = Rows()->GetItem(I);
        EXPECT_GE(R->GetImageIndex(), 0) << R->GetCaption();
        EXPECT_LT(R->GetImageIndex(), Form->ImagesListView->GetSmallImages()->GetCount());
        ExtsOfIndex[R->GetImageIndex()].insert(LowerCase(R->GetSubItems()->GetStrings(0)));
    }
    for (const auto& [Index, Exts] : ExtsOfIndex)
        EXPECT_EQ(Exts.size(), 1u) << "image " << Index << " is shared by " << *Exts.begin() << " and "
                                   << *Exts.rbegin();
}

TEST_F(ImagesTest, PreviewShowsJpegInScrollBoxGifFirstFrameAndNothingForBadFiles)
{
    WritePicture<TJpegGraphic>(Saved + "p.jpg", 64, 48);
    WriteGif(Saved + "g.gif", 37, 23);
    WriteBytes(Saved + "bad.jpg", 3000);
    Show();
    ASSERT_EQ(Rows()->GetCount(), 3);

    SelectRows({"p.jpg"});
    EXPECT_TRUE(Form->ImageScrollBox->GetVisible());
    EXPECT_FALSE(Form->GifImage->GetVisible());
    EXPECT_EQ(Form->ImageScrollBox->GetGraphic()->GetWidth(), 64);
    EXPECT_EQ(Form->ImageScrollBox->GetGraphic()->GetHeight(), 48);

    SelectRows({"g.gif"});
    EXPECT_FALSE(Form->ImageScrollBox->GetVisible());
    EXPECT_TRUE(Form->GifImage->GetVisible());
    ASSERT_NE(Form->GifImage->GetPicture()->GetGraphic(), nullptr);
    EXPECT_EQ(Form->GifImage->GetPicture()->GetGraphic()->GetWidth(), 37);
    EXPECT_EQ(Form->GifImage->GetPicture()->GetGraphic()->GetHeight(), 23);

    {
        TDialogAnswerer Any("", IDOK);
        SelectRows({"bad.jpg"});
        PumpFor(200); // proves no box comes: nothing to wait on
        EXPECT_EQ(Any.AnsweredCount(), 0) << Any.Text();
        EXPECT_TRUE(Form->ImageScrollBox->GetGraphic()->GetEmpty());
        EXPECT_FALSE(Form->GifImage->GetVisible());
    }

    SelectRows({"p.jpg"});
    EXPECT_FALSE(Form->ImageScrollBox->GetGraphic()->GetEmpty());
    SelectRows({});
    EXPECT_TRUE(Form->ImageScrollBox->GetGraphic()->GetEmpty());
    EXPECT_FALSE(Form->GifImage->GetVisible());

    // Fit toggles fit-to-window.
    const bool Was = Checked(maImageFit);
    Command(maImageFit);
    EXPECT_EQ(Checked(maImageFit), !Was);
    EXPECT_EQ(Form->ImageScrollBox->GetZoomMode(), Was ? zmOriginalSize : zmFitToPage);
    Command(maImageFit);
    EXPECT_EQ(Form->ImageScrollBox->GetZoomMode(), Was ? zmFitToPage : zmOriginalSize);
}

class ImagesFitTest : public ImagesTest {
protected:
    ImagesFitTest()
    {
        Seed = [](TRegSettings& S) { S.GetMenu()->SetFitImages(true); };
    }
};

TEST_F(ImagesFitTest, FitFromTheSettingsAppliesAtStart)
{
    MakeForm();
    EXPECT_TRUE(Checked(maImageFit));
    EXPECT_EQ(Form->ImageScrollBox->GetZoomMode(), zmFitToPage);
}

TEST_F(ImagesTest, SortCommandsAndHeaderClicksOrderTheRows)
{
    WriteBytes(Saved + "b.jpg", 900 * 1024);
    WriteBytes(Saved + "A.png", 12 * 1024);
    WriteBytes(Saved + "c.gif", 50 * 1024);
    Show();
    ASSERT_EQ(Rows()->GetCount(), 3);
    using V = std::vector<std::string>;

    Command(maImageSortBySize);
    EXPECT_EQ(Captions(), (V{"A.png", "c.gif", "b.jpg"}));
    EXPECT_TRUE(Checked(maImageSortBySize));
    EXPECT_EQ(TickedSorts(), 1);
    Command(maImageSortByName);
    EXPECT_EQ(Captions(), (V{"A.png", "b.jpg", "c.gif"}));
    EXPECT_EQ(TickedSorts(), 1);
    Command(maImageSortByType);
    EXPECT_EQ(Captions(), (V{"c.gif", "b.jpg", "A.png"}));
    EXPECT_EQ(TickedSorts(), 1);
    Command(maImageUnsort);
    EXPECT_TRUE(Checked(maImageUnsort));
    EXPECT_EQ(TickedSorts(), 1);
    EXPECT_EQ(Captions(), (V{"c.gif", "b.jpg", "A.png"}));

    ClickHeader(2);
    EXPECT_TRUE(Checked(maImageSortBySize));
    EXPECT_EQ(Captions(), (V{"A.png", "c.gif", "b.jpg"}));
    ClickHeader(0);
    EXPECT_TRUE(Checked(maImageSortByName));
    EXPECT_EQ(Captions(), (V{"A.png", "b.jpg", "c.gif"}));
    ClickHeader(1);
    EXPECT_TRUE(Checked(maImageSortByType));
    EXPECT_EQ(Captions(), (V{"c.gif", "b.jpg", "A.png"}));
    ClickHeader(3); // "Folder" does nothing
    EXPECT_TRUE(Checked(maImageSortByType));
    EXPECT_EQ(TickedSorts(), 1);
    EXPECT_EQ(Captions(), (V{"c.gif", "b.jpg", "A.png"}));

    // Rows the crawl adds later go to their sorted place, or last when unsorted.
    Command(maImageSortBySize);
    WriteBytes(Saved + "d.jpg", 30 * 1024);
    Task()->AddFile(Saved + "d.jpg", 30 * 1024);
    EXPECT_EQ(Captions(), (V{"A.png", "d.jpg", "c.gif", "b.jpg"}));
    Command(maImageUnsort);
    WriteBytes(Saved + "e.jpg", 30 * 1024);
    Task()->AddFile(Saved + "e.jpg", 30 * 1024);
    EXPECT_EQ(Captions(), (V{"A.png", "d.jpg", "c.gif", "b.jpg", "e.jpg"}));
    // A refill keeps the sort as well.
    Command(maImageSortByName);
    Form->FillImagesPane(Task());
    EXPECT_EQ(Captions(), (V{"A.png", "b.jpg", "c.gif", "d.jpg", "e.jpg"}));
}

TEST_F(ImagesTest, DeleteRemovesFilesAndRowsButKeepsWhatCouldNotBeDeleted)
{
    for (const char* N : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        WriteBytes(Saved + N, 500);
    Show();
    ASSERT_EQ(Rows()->GetCount(), 4);

    SelectRows({"a.jpg", "b.jpg"});
    {
        TDialogAnswerer No("Do you want to delete selected images ?", IDCANCEL);
        Command(maImageDelete);
        EXPECT_EQ(No.AnsweredCount(), 1);
        EXPECT_EQ(No.Caption(), "Question");
    }
    EXPECT_EQ(Rows()->GetCount(), 4);
    EXPECT_TRUE(FileExistsA(Saved + "a.jpg"));
    {
        TDialogAnswerer Yes("Do you want to delete selected images ?", IDOK);
        Command(maImageDelete);
        EXPECT_EQ(Yes.AnsweredCount(), 1);
    }
    EXPECT_FALSE(FileExistsA(Saved + "a.jpg"));
    EXPECT_FALSE(FileExistsA(Saved + "b.jpg"));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"c.jpg", "d.jpg"}));
    EXPECT_EQ(Form->LastImageIndex, nullptr);

    // A file held open without delete sharing stays, and so does its row.
    HANDLE Held = CreateFileA((Saved + "c.jpg").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(Held, INVALID_HANDLE_VALUE);
    SelectRows({"c.jpg", "d.jpg"});
    {
        TDialogAnswerer Yes("Do you want to delete selected images ?", IDOK);
        Command(maImageDelete);
    }
    CloseHandle(Held);
    EXPECT_TRUE(FileExistsA(Saved + "c.jpg"));
    EXPECT_FALSE(FileExistsA(Saved + "d.jpg"));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"c.jpg"}));
}

TEST_F(ImagesTest, DeleteAllAsksAndEmptiesTheList)
{
    for (const char* N : {"a.jpg", "b.png"})
        WriteBytes(Saved + N, 500);
    CreateDirectoryA((Saved + "s").c_str(), nullptr);
    WriteBytes(Saved + "s\\c.gif", 500);
    Show();
    ASSERT_EQ(Rows()->GetCount(), 3);
    {
        TDialogAnswerer No("Delete all downloaded files ?", IDNO);
        Command(maImageDeleteAll);
        EXPECT_EQ(No.AnsweredCount(), 1);
        EXPECT_EQ(No.Caption(), "Question");
    }
    EXPECT_EQ(Rows()->GetCount(), 3);
    EXPECT_EQ(CountFiles(Saved), 2);
    {
        TDialogAnswerer Yes("Delete all downloaded files ?", IDYES);
        Command(maImageDeleteAll);
    }
    EXPECT_EQ(Rows()->GetCount(), 0);
    EXPECT_EQ(CountFiles(Saved), 0);
    EXPECT_EQ(CountFiles(Saved + "s\\"), 0);
    EXPECT_FALSE(Enabled(maImageDeleteAll));
}

TEST_F(ImagesTest, CopyToAsksOnClashesAndHonoursTheAnswer)
{
    WritePicture<TJpegGraphic>(Saved + "a.jpg", 40, 30, 0xFF0000);
    WritePicture<TPngGraphic>(Saved + "b.png", 20, 10);
    WriteBytes(Saved + "c.gif", 700);
    const std::string Out = Temp.Path() + "out\\";
    CreateDirectoryA(Out.c_str(), nullptr);
    WritePicture<TJpegGraphic>(Out + "a.jpg", 25, 25, 0x00FF00);
    const std::string Before = ReadAll(Out + "a.jpg");
    Show();
    ASSERT_EQ(Rows()->GetCount(), 3);

    // Skip, and never ask again.
    SelectRows({"a.jpg", "b.png", "c.gif"});
    {
        TFolderAnswerer Pick(Out);
        std::string FileText;
        int SourceWidth = 0, DestWidth = 0;
        TFormAnswerer Ask("Override file", [&](TCustomForm* F) {
            auto* C = static_cast<TConfirmOverwriteForm*>(F);
            FileText = C->FileNameLabel->GetCaption();
            SourceWidth = C->SourceImageScrollBox->GetGraphic()->GetWidth();
            DestWidth = C->DestImageScrollBox->GetGraphic()->GetWidth();
            C->NoPromptCheck->SetChecked(true);
            Press(C->SkipButton);
        });
        TDialogAnswerer Error("could not be", IDOK);
        Command(maImageCopyTo);
        EXPECT_TRUE(Pick.Done());
        EXPECT_NE(Pick.Text().find("Copy to ..."), std::string::npos) << Pick.Text();
        EXPECT_EQ(Ask.Count(), 1);
        EXPECT_NE(FileText.find("a.jpg"), std::string::npos) << FileText;
        EXPECT_EQ(SourceWidth, 40);
        EXPECT_EQ(DestWidth, 25);
        EXPECT_EQ(Error.AnsweredCount(), 0);
    }
    EXPECT_EQ(ReadAll(Out + "a.jpg"), Before);
    EXPECT_EQ(ReadAll(Out + "b.png"), ReadAll(Saved + "b.png"));
    EXPECT_EQ(ReadAll(Out + "c.gif"), ReadAll(Saved + "c.gif"));
    EXPECT_EQ(Rows()->GetCount(), 3);

    // Rename makes a free name; Override copies over.
    SelectRows({"a.jpg"});
    {
        TFolderAnswerer Pick(Out);
        TFormAnswerer Ask("Override file", [](TCustomForm* F) { Press(static_cast<TConfirmOverwriteForm*>(F)->RenameButton); });
        Command(maImageCopyTo);
        EXPECT_EQ(Ask.Count(), 1);
    }
    EXPECT_EQ(ReadAll(Out + "a[0].jpg"), ReadAll(Saved + "a.jpg"));
    EXPECT_EQ(ReadAll(Out + "a.jpg"), Before);
    {
        TFolderAnswerer Pick(Out);
        TFormAnswerer Ask("Override file", [](TCustomForm* F) { Press(static_cast<TConfirmOverwriteForm*>(F)->OverrideButton); });
        Command(maImageCopyTo);
        EXPECT_EQ(Ask.Count(), 1);
    }
    EXPECT_EQ(ReadAll(Out + "a.jpg"), ReadAll(Saved + "a.jpg"));

    // Onto the rows' own folder: nothing changes, nothing is reported.
    SelectRows({"a.jpg", "b.png", "c.gif"});
    const std::string A = ReadAll(Saved + "a.jpg"), B = ReadAll(Saved + "b.png"), C = ReadAll(Saved + "c.gif");
    {
        TFolderAnswerer Pick(Saved);
        TFormAnswerer Ask("Override file", [](TCustomForm* F) { Press(static_cast<TConfirmOverwriteForm*>(F)->OverrideButton); });
        TDialogAnswerer Error("could not be", IDOK);
        Command(maImageCopyTo);
        PumpFor(150);
        EXPECT_EQ(Error.AnsweredCount(), 0);
    }
    EXPECT_EQ(ReadAll(Saved + "a.jpg"), A);
    EXPECT_EQ(ReadAll(Saved + "b.png"), B);
    EXPECT_EQ(ReadAll(Saved + "c.gif"), C);

    // A target held open: one error box counting it.
    HANDLE Held = CreateFileA((Out + "b.png").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(Held, INVALID_HANDLE_VALUE);
    SelectRows({"b.png"});
    {
        TFolderAnswerer Pick(Out);
        TFormAnswerer Ask("Override file", [](TCustomForm* F) { Press(static_cast<TConfirmOverwriteForm*>(F)->OverrideButton); });
        TDialogAnswerer Error("could not be", IDOK);
        Command(maImageCopyTo);
        EXPECT_EQ(Error.AnsweredCount(), 1);
        EXPECT_EQ(Error.Caption(), "Error");
        EXPECT_NE(Error.Text().find("1 file(s) could not be copied !"), std::string::npos) << Error.Text();
    }
    CloseHandle(Held);
}

TEST_F(ImagesTest, MoveToMovesFilesAndRowsAndKeepsWhatStays)
{
    WriteBytes(Saved + "a.jpg", 1500, 1);
    WriteBytes(Saved + "b.jpg", 1500, 2);
    WriteBytes(Saved + "c.jpg", 1500, 3);
    WriteBytes(Saved + "d.jpg", 1500, 4);
    const std::string Out = Temp.Path() + "moved\\";
    CreateDirectoryA(Out.c_str(), nullptr);
    WriteBytes(Out + "b.jpg", 100, 9);
    const std::string A = ReadAll(Saved + "a.jpg");
    Show();
    ASSERT_EQ(Rows()->GetCount(), 4);

    SelectRows({"a.jpg", "b.jpg"});
    {
        TFolderAnswerer Pick(Out);
        TFormAnswerer Ask("Override file", [](TCustomForm* F) { Press(static_cast<TConfirmOverwriteForm*>(F)->SkipButton); });
        Command(maImageMoveTo);
        EXPECT_NE(Pick.Text().find("Copy to ..."), std::string::npos) << Pick.Text();
        EXPECT_EQ(Ask.Count(), 1);
    }
    EXPECT_EQ(ReadAll(Out + "a.jpg"), A);
    EXPECT_FALSE(FileExistsA(Saved + "a.jpg"));
    EXPECT_TRUE(FileExistsA(Saved + "b.jpg"));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"b.jpg", "c.jpg", "d.jpg"}));

    // Onto their own folder with Override: nothing moves, nothing is lost.
    SelectRows({"b.jpg", "c.jpg"});
    const std::string B = ReadAll(Saved + "b.jpg");
    {
        TFolderAnswerer Pick(Saved);
        TFormAnswerer Ask("Override file", [](TCustomForm* F) { Press(static_cast<TConfirmOverwriteForm*>(F)->OverrideButton); });
        TDialogAnswerer Error("could not be", IDOK);
        Command(maImageMoveTo);
        PumpFor(150);
        EXPECT_EQ(Error.AnsweredCount(), 0);
    }
    EXPECT_EQ(ReadAll(Saved + "b.jpg"), B);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"b.jpg", "c.jpg", "d.jpg"}));

    // A source that cannot be moved keeps its row, and the failure is told.
    HANDLE Held = CreateFileA((Saved + "d.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(Held, INVALID_HANDLE_VALUE);
    SelectRows({"c.jpg", "d.jpg"});
    {
        TFolderAnswerer Pick(Out);
        TDialogAnswerer Error("could not be", IDOK);
        Command(maImageMoveTo);
        EXPECT_EQ(Error.AnsweredCount(), 1);
        EXPECT_NE(Error.Text().find("1 file(s) could not be moved !"), std::string::npos) << Error.Text();
    }
    CloseHandle(Held);
    EXPECT_TRUE(FileExistsA(Out + "c.jpg"));
    EXPECT_TRUE(FileExistsA(Saved + "d.jpg"));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"b.jpg", "d.jpg"}));
}

TEST_F(ImagesTest, OpenFolderGoesThroughTheShellAndEnablingFollowsTheSelection)
{
    const std::string Log = Temp.Path() + "seams.log";
    SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", Log.c_str());
    WriteBytes(Saved + "a.jpg", 10);
    WriteBytes(Saved + "b.jpg", 10);
    CreateDirectoryA((Projects + "F").c_str(), nullptr);
    Show();
    EXPECT_TRUE(Enabled(maImageOpenFolder));
    EXPECT_TRUE(Enabled(maImageDeleteAll));
    EXPECT_TRUE(Enabled(maImageBuildIn));
    for (uint16_t Id : {maImageCopyTo, maImageMoveTo, maImageDelete, maImageWallpaper})
        EXPECT_FALSE(Enabled(Id)) << Id;
    SelectRows({"a.jpg"});
    for (uint16_t Id : {maImageCopyTo, maImageMoveTo, maImageDelete})
        EXPECT_TRUE(Enabled(Id)) << Id;
    SelectRows({});
    EXPECT_FALSE(Enabled(maImageCopyTo));

    Command(maImageOpenFolder);
    const std::string Line = ReadAll(Log);
    EXPECT_NE(Line.find("open"), std::string::npos) << Line;
    EXPECT_NE(Line.find(Folder + "Saved"), std::string::npos) << Line;

    Select(NodeOfPath(Projects + "F"));
    EXPECT_FALSE(Enabled(maImageOpenFolder));
    EXPECT_FALSE(Enabled(maImageDeleteAll));
}

TEST_F(ImagesTest, BuildInAddsTheUnknownFilesToTheLibrary)
{
    WritePicture<TJpegGraphic>(Saved + "a.jpg", 30, 20);
    WritePicture<TPngGraphic>(Saved + "b.png", 11, 12);
    WriteGif(Saved + "c.gif", 7, 9);
    Show();
    ASSERT_EQ(Form->BuildInFiles->GetCount(), 3);
    const int32_t Before = ImageLibrary->GetCount();
    {
        TDialogAnswerer No("Do you want to build-in these images? It will take a few minutes.", IDNO);
        Command(maImageBuildIn);
        EXPECT_EQ(No.AnsweredCount(), 1);
        EXPECT_EQ(No.Caption(), "Question");
    }
    EXPECT_EQ(ImageLibrary->GetCount(), Before);
    EXPECT_EQ(Form->BuildInFiles->GetCount(), 3);
    {
        TDialogAnswerer Yes("Do you want to build-in these images?", IDYES);
        Command(maImageBuildIn);
    }
    EXPECT_EQ(ImageLibrary->GetCount(), Before + 3);
    EXPECT_EQ(Form->BuildInFiles->GetCount(), 0);
    struct {
        const char* Name;
        int32_t W, H;
    } Want[] = {{"a.jpg", 30, 20}, {"b.png", 11, 12}, {"c.gif", 7, 9}};
    for (const auto& X : Want) {
        TImageDetail* D = ImageLibrary->FindByName(Saved + X.Name);
        ASSERT_NE(D, nullptr) << X.Name;
        EXPECT_EQ(D->GetWidth(), X.W) << X.Name;
        EXPECT_EQ(D->GetHeight(), X.H) << X.Name;
        EXPECT_EQ(D->GetFileSize(), GetRoundedFileSize(Saved + X.Name)) << X.Name;
    }
    ASSERT_GT(Form->StatusBar->GetPanels()->GetCount(), 0);
    EXPECT_EQ(Form->StatusBar->GetPanels()->GetItem(0)->GetWidth(), 5);
    EXPECT_EQ(Form->StatusBar->GetPanels()->GetItem(0)->GetText(), "");
    EXPECT_EQ(ChildOfClass(Form->StatusBar->GetHandle(), PROGRESS_CLASSA), nullptr);
    {
        TDialogAnswerer Info("No image need to build-in library!", IDOK);
        Command(maImageBuildIn);
        EXPECT_EQ(Info.AnsweredCount(), 1);
        EXPECT_EQ(Info.Caption(), "Information");
    }
    // A refill finds them all known.
    Form->FillImagesPane(Task());
    EXPECT_EQ(Form->BuildInFiles->GetCount(), 0);
}

TEST_F(ImagesTest, DeleteByChoosesRowsByRuleAndKeepsRowsOfFilesLeft)
{
    WritePicture<TPngGraphic>(Saved + "small.png", 200, 200);
    WritePicture<TPngGraphic>(Saved + "tall.png", 200, 400);
    WriteBytes(Saved + "norec.png", 100);
    WriteBytes(Saved + "k10.gif", 10 * 1024);
    WriteBytes(Saved + "k11.dat", 11 * 1024 + 500);
    WriteBytes(Saved + "k20.GIF", 20 * 1024 + 1023);
    WriteBytes(Saved + "k21.jpg", 21 * 1024);
    Show();
    ASSERT_EQ(Rows()->GetCount(), 7);
    ImageLibrary->AddImage(Saved + "small.png");
    ImageLibrary->AddImage(Saved + "tall.png");
    auto Names = [&](const std::vector<std::string>& Paths) {
        std::set<std::string> S;
        for (const std::string& P : Paths)
            S.insert(ExtractFileName(P));
        return S;
    };
    using S = std::set<std::string>;
    TDeleteByRules R;
    R.BySize = true;
    R.MaxWidth = 300;
    R.MaxHeight = 300;
    EXPECT_EQ(Names(Form->DeleteByPaths(R)), (S{"small.png"}));
    R = TDeleteByRules();
    R.BySmaller = true;
    R.SmallerThan = 10;
    EXPECT_EQ(Names(Form->DeleteByPaths(R)), (S{"small.png", "tall.png", "norec.png", "k10.gif"}));
    R = TDeleteByRules();
    R.ByRange = true;
    R.RangeFrom = 10;
    R.RangeTo = 20;
    EXPECT_EQ(Names(Form->DeleteByPaths(R)), (S{"k10.gif", "k11.dat", "k20.GIF"}));
    R = TDeleteByRules();
    R.ByFilter = true;
    R.FileFilter = "*.GIF";
    const std::vector<std::string> Gifs = Form->DeleteByPaths(R);
    EXPECT_EQ(Names(Gifs), (S{"k10.gif", "k20.GIF"}));

    // The user kept k20.GIF: its row stays.
    DeleteFileA((Saved + "k10.gif").c_str());
    Form->RemoveDeletedRows(Gifs);
    EXPECT_EQ(Row("k10.gif"), nullptr);
    EXPECT_NE(Row("k20.GIF"), nullptr);
    EXPECT_EQ(Rows()->GetCount(), 6);
}

TEST(ConfirmOverwriteForm, TextsDefaultsAndButtons)
{
    TestSupport::TTempFolder T;
    WritePicture<TJpegGraphic>(T.File("s.jpg"), 33, 22);
    WriteGif(T.File("d.gif"), 15, 16);
    TConfirmOverwriteForm F(nullptr);
    EXPECT_EQ(F.GetCaption(), "Override file");
    EXPECT_EQ(F.Action, oaRename);
    EXPECT_EQ(F.QuestionLabel->GetCaption(), "is already exist, do you want to override it ?");
    EXPECT_EQ(F.FileLabel->GetCaption(), "File");
    EXPECT_EQ(F.SourceLabel->GetCaption(), "Source file:");
    EXPECT_EQ(F.DestLabel->GetCaption(), "Destination file:");
    EXPECT_EQ(F.NoPromptCheck->GetCaption(), "Do not prompt me on next time");
    EXPECT_EQ(F.OverrideButton->GetCaption(), "&Override");
    EXPECT_EQ(F.RenameButton->GetCaption(), "&Rename");
    EXPECT_EQ(F.SkipButton->GetCaption(), "&Skip");
    EXPECT_EQ(F.SourceImageScrollBox->GetZoomMode(), zmFitToPage);
    EXPECT_EQ(F.DestImageScrollBox->GetZoomMode(), zmFitToPage);
    F.SetFiles(T.File("s.jpg"), T.File("d.gif"));
    EXPECT_EQ(F.FileNameLabel->GetCaption(), T.File("d.gif"));
    ExpectNoClippedText(&F, {F.FileNameLabel}); // the path has its own test below
    EXPECT_EQ(F.SourceImageScrollBox->GetGraphic()->GetWidth(), 33);
    EXPECT_TRUE(F.DestGifImage->GetVisible());
    EXPECT_FALSE(F.DestImageScrollBox->GetVisible());
    EXPECT_EQ(F.DestGifImage->GetPicture()->GetGraphic()->GetHeight(), 16);
    // An unreadable file leaves its pane empty.
    WriteBytes(T.File("x.png"), 50);
    F.SetFiles(T.File("x.png"), T.File("s.jpg"));
    EXPECT_TRUE(F.SourceImageScrollBox->GetGraphic()->GetEmpty());

    struct {
        TButton* TConfirmOverwriteForm::*Button;
        int32_t Action;
    } Cases[] = {{&TConfirmOverwriteForm::OverrideButton, oaOverride},
                 {&TConfirmOverwriteForm::RenameButton, oaRename},
                 {&TConfirmOverwriteForm::SkipButton, oaSkip}};
    for (const auto& C : Cases) {
        TConfirmOverwriteForm G(nullptr);
        G.Action = -1;
        bool Box = false;
        TFormAnswerer Ask("Override file", [&](TCustomForm* X) {
            auto* Y = static_cast<TConfirmOverwriteForm*>(X);
            Y->NoPromptCheck->SetChecked(C.Action == oaSkip);
            Press(Y->*C.Button);
        });
        EXPECT_EQ(G.ShowModal(), mrOk);
        Box = G.NoPromptCheck->GetChecked();
        EXPECT_EQ(G.Action, C.Action);
        EXPECT_EQ(Box, C.Action == oaSkip);
    }
}

namespace {

// HKCU\Control Panel\desktop's wallpaper values, put back when the test ends.
class TDesktopValues {
public:
    TDesktopValues()
    {
        for (const char* N : Names)
            FSaved.push_back(Read(N));
    }
    ~TDesktopValues()
    {
        HKEY K;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &K,
                            nullptr) != ERROR_SUCCESS)
            return;
        for (size_t I = 0; I < 3; ++I) {
            if (FSaved[I].first)
                RegSetValueExA(K, Names[I], 0, REG_SZ, reinterpret_cast<const BYTE*>(FSaved[I].second.c_str()),
                               static_cast<DWORD>(FSaved[I].second.size() + 1));
            else
                RegDeleteValueA(K, Names[I]);
        }
        RegCloseKey(K);
    }
    static std::string Value(const char* Name) { return Read(Name).second; }

private:
    static std::pair<bool, std::string> Read(const char* Name)
    {
        char Buf[1024] = {};
        DWORD Size = sizeof(Buf) - 1;
        HKEY K;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, KEY_READ, &K) != ERROR_SUCCESS)
            return {false, ""};
        const bool Ok = RegQueryValueExA(K, Name, nullptr, nullptr, reinterpret_cast<BYTE*>(Buf), &Size) == ERROR_SUCCESS;
        RegCloseKey(K);
        return {Ok, Ok ? std::string(Buf) : std::string()};
    }
    static constexpr const char* Names[3] = {"Wallpaper", "TileWallpaper", "WallpaperStyle"};
    std::vector<std::pair<bool, std::string>> FSaved;
};

// Width and height from a BMP file's info header.
std::pair<int32_t, int32_t> BmpSize(const std::string& Bytes)
{
    if (Bytes.size() < 26)
        return {0, 0};
    int32_t W, H;
    memcpy(&W, Bytes.data() + 18, 4);
    memcpy(&H, Bytes.data() + 22, 4);
    return {W, H < 0 ? -H : H};
}

} // namespace

TEST_F(ImagesTest, SetWallpaperWritesABmpOfTheRowAndTellsTheDesktop)
{
    TDesktopValues Keep;
    WritePicture<TJpegGraphic>(Saved + "w.jpg", 52, 31);
    WriteGif(Saved + "w.gif", 19, 27);
    Show();
    const std::string Bmp = TMainForm::WallpaperFileName();
    DeleteFileA(Bmp.c_str());
    EXPECT_NE(Bmp.find("\\Zirovudi dira Riv\\Wallpaper.bmp"), std::string::npos) << Bmp;

    // Cancel changes nothing.
    SelectRows({"w.jpg"});
    EXPECT_TRUE(Enabled(maImageWallpaper));
    const std::string Before = TDesktopValues::Value("Wallpaper");
    {
        bool CenterChecked = false;
        TFormAnswerer Ask("Wallpaper options", [&](TCustomForm* F) {
            auto* W = static_cast<TWallpaperOptionsForm*>(F);
            CenterChecked = W->CenterRadio->GetChecked();
            ExpectNoClippedText(W);
            Press(W->CancelButton);
        });
        Command(maImageWallpaper);
        EXPECT_EQ(Ask.Count(), 1);
        EXPECT_TRUE(CenterChecked);
    }
    EXPECT_FALSE(FileExistsA(Bmp));
    EXPECT_EQ(TDesktopValues::Value("Wallpaper"), Before);

    struct {
        TRadioButton* TWallpaperOptionsForm::*Radio;
        const char* Tile;
        const char* Style;
    } Cases[] = {{&TWallpaperOptionsForm::TileRadio, "1", "0"},
                 {&TWallpaperOptionsForm::CenterRadio, "0", "0"},
                 {&TWallpaperOptionsForm::StretchRadio, "0", "2"},
                 {&TWallpaperOptionsForm::MaxRadio, "0", "2"}};
    for (const auto& C : Cases) {
        TFormAnswerer Ask("Wallpaper options", [&](TCustomForm* F) {
            auto* W = static_cast<TWallpaperOptionsForm*>(F);
            (W->*C.Radio)->SetChecked(true);
            Press(W->OkButton);
        });
        Command(maImageWallpaper);
        EXPECT_EQ(Ask.Count(), 1);
        if (GetWindowsVersionCode() != 5) {
            EXPECT_EQ(TDesktopValues::Value("Wallpaper"), Bmp);
            EXPECT_EQ(TDesktopValues::Value("TileWallpaper"), C.Tile);
            EXPECT_EQ(TDesktopValues::Value("WallpaperStyle"), C.Style);
        }
        const std::string B = ReadAll(Bmp);
        ASSERT_GE(B.size(), 54u);
        EXPECT_EQ(B.substr(0, 2), "BM");
        EXPECT_EQ(BmpSize(B), std::make_pair(52, 31));
    }

    // A GIF row shown after a JPEG row: the GIF's own first frame.
    SelectRows({"w.gif"});
    {
        TFormAnswerer Ask("Wallpaper options", [](TCustomForm* F) { Press(static_cast<TWallpaperOptionsForm*>(F)->OkButton); });
        Command(maImageWallpaper);
    }
    EXPECT_EQ(BmpSize(ReadAll(Bmp)), std::make_pair(19, 27));
    char Windows[MAX_PATH] = {};
    GetWindowsDirectoryA(Windows, MAX_PATH);
    EXPECT_FALSE(FileExistsA(std::string(Windows) + "\\w.gif"));
    EXPECT_FALSE(FileExistsA(std::string(Windows) + "\\w.jpg"));
    DeleteFileA(Bmp.c_str());
}

class FailedPanelTest : public ImagesTest {
protected:
    void Fill()
    {
        Show();
        TTask* T = Task();
        ASSERT_NE(T, nullptr);
        for (const char* U : {"http://h.test/1", "http://h.test/2", "http://h.test/3"}) {
            auto* Done = new TTaskItem(T, U);
            Done->SetDone(true);
            T->GetItems()->Add(Done);
            auto* Failed = new TTaskItem(T, U);
            Failed->SetDone(true);
            T->GetFailedList()->Add(Failed);
        }
        T->SetDoneCount(3);
        Select(NodeOfPath(Projects + "F"));
        Select(NodeOfPath(Projects + "T.wrp"));
        ASSERT_EQ(Form->FailedUrlListView->GetItems()->GetCount(), 3);
    }
    void SelectFailed(std::initializer_list<int> Rows)
    {
        HWND L = Form->FailedUrlListView->GetHandle();
        LVITEMA None{};
        None.stateMask = LVIS_SELECTED;
        SendMessageA(L, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&None));
        for (int R : Rows) {
            LVITEMA S{};
            S.stateMask = LVIS_SELECTED;
            S.state = LVIS_SELECTED;
            SendMessageA(L, LVM_SETITEMSTATE, static_cast<WPARAM>(R), reinterpret_cast<LPARAM>(&S));
        }
        PumpFor(20);
    }
    bool ButtonOn(TButton* B) { return B->GetEnabled(); }
    void SetUp() override
    {
        ImagesTest::SetUp();
        CreateDirectoryA((Projects + "F").c_str(), nullptr);
    }
};

TEST_F(FailedPanelTest, ExportRestartDeleteAndClearKeepTheCountsRight)
{
    Fill();
    TTask* T = Task();
    ExpectNoClippedText(Form.get()); // the main window's panels, the failed panel's buttons among them
    EXPECT_TRUE(ButtonOn(Form->FailedClearButton));
    EXPECT_TRUE(ButtonOn(Form->FailedExportButton));
    EXPECT_FALSE(ButtonOn(Form->FailedRestartButton));
    EXPECT_FALSE(ButtonOn(Form->FailedDeleteButton));

    // Export txt: the name typed without extension gets ".txt"; CR LF line ends.
    const std::string Target = Temp.Path() + "failed";
    bool Typed = false;
    {
        TDialogAnswerer Save("", IDOK, [&] { return Typed = TypeNameIntoSaveDialog(Target); });
        Press(Form->FailedExportButton);
    }
    ASSERT_TRUE(Typed);
    EXPECT_EQ(ReadAll(Target + ".txt"), "http://h.test/1\r\nhttp://h.test/2\r\nhttp://h.test/3\r\n");

    // Restart two: back in the address list as pending depth -1 rows.
    const int32_t FilesBefore = Form->FilesListView->GetItems()->GetCount();
    SelectFailed({0, 1});
    EXPECT_TRUE(ButtonOn(Form->FailedRestartButton));
    EXPECT_TRUE(ButtonOn(Form->FailedDeleteButton));
    Press(Form->FailedRestartButton);
    ASSERT_EQ(Form->FailedUrlListView->GetItems()->GetCount(), 1);
    EXPECT_EQ(Form->FailedUrlListView->GetItems()->GetItem(0)->GetCaption(), "http://h.test/3");
    ASSERT_EQ(Form->FilesListView->GetItems()->GetCount(), FilesBefore + 2);
    for (int32_t I = FilesBefore; I < FilesBefore + 2; ++I)
        EXPECT_EQ(Form->FilesListView->GetItems()->GetItem(I)->GetSubItems()->GetStrings(3), "-1");
    for (const char* U : {"http://h.test/1", "http://h.test/2"}) {
        const int32_t I = T->GetItems()->IndexOfURL(U);
        ASSERT_GE(I, 0) << U;
        EXPECT_FALSE(T->GetItems()->GetItem(I)->GetDone()) << U;
        EXPECT_FALSE(T->GetFailedList()->ContainsURL(U)) << U;
    }
    EXPECT_EQ(T->GetDoneCount(), 1);

    // Delete the last failed row: the address list and its count stay.
    SelectFailed({0});
    Press(Form->FailedDeleteButton);
    EXPECT_EQ(Form->FailedUrlListView->GetItems()->GetCount(), 0);
    EXPECT_EQ(T->GetFailedList()->GetCount(), 0);
    EXPECT_EQ(T->GetDoneCount(), 1);
    EXPECT_FALSE(ButtonOn(Form->FailedClearButton));
    EXPECT_FALSE(ButtonOn(Form->FailedExportButton));
}

TEST_F(FailedPanelTest, ClearAllEmptiesViewAndListAndFoldersDisableTheButtons)
{
    Fill();
    TTask* T = Task();
    Press(Form->FailedClearButton);
    EXPECT_EQ(Form->FailedUrlListView->GetItems()->GetCount(), 0);
    EXPECT_EQ(T->GetFailedList()->GetCount(), 0);
    EXPECT_EQ(T->GetDoneCount(), 3);
    T->GetFailedList()->Add(new TTaskItem(T, "http://h.test/9"));
    Select(NodeOfPath(Projects + "F"));
    Select(NodeOfPath(Projects + "T.wrp"));
    ASSERT_EQ(Form->FailedUrlListView->GetItems()->GetCount(), 1);
    SelectFailed({0});
    EXPECT_TRUE(ButtonOn(Form->FailedRestartButton));
    Select(NodeOfPath(Projects + "F"));
    for (TButton* B : {Form->FailedRestartButton, Form->FailedDeleteButton, Form->FailedClearButton,
                       Form->FailedExportButton})
        EXPECT_FALSE(ButtonOn(B));
}

namespace {

// How many pixels of the shot lie within Tolerance of Colour in each channel (JPEG shifts
// colours a little).
size_t CountNear(const TestSupport::TShot& S, uint32_t Colour, int Tolerance = 12)
{
    size_t N = 0;
    for (uint32_t P : S.Pixels) {
        bool Near = true;
        for (int Shift : {0, 8, 16})
            Near = Near && std::abs(static_cast<int>((P >> Shift) & 255) - static_cast<int>((Colour >> Shift) & 255)) <= Tolerance;
        N += Near;
    }
    return N;
}

// A picture a person can read in a screenshot: its left half plain Rgb, its right half a colour
// gradient, so a wrong scale, crop or orientation shows.
std::string WriteShotJpeg(const std::string& Name, int32_t W, int32_t H, uint32_t Rgb)
{
    TJpegGraphic G;
    G.NewImage(W, H, ifTrueColor);
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X)
            G.SetPixelColor(X, Y, X < W / 2 ? PackRgb((Rgb >> 16) & 255, (Rgb >> 8) & 255, Rgb & 255)
                                            : PackRgb(static_cast<uint8_t>(255 * Y / H), static_cast<uint8_t>(255 * X / W), 96));
    G.SaveToFile(Name);
    return Name;
}

// A red GIF with a blue disc in its lower right quarter.
std::string WriteShotGif(const std::string& Name, int32_t W, int32_t H)
{
    TBitmap B;
    B.SetSize(W, H);
    TCanvas* C = B.GetCanvas();
    C->GetBrush()->SetColor(clRed);
    C->FillRect(TRect{0, 0, W, H});
    C->GetBrush()->SetColor(clBlue);
    C->GetPen()->SetColor(clBlue);
    C->Ellipse(W / 2, H / 2, W - 4, H - 4);
    TGif G;
    G.AddBitmap(&B);
    G.SetWidth(W);
    G.SetHeight(H);
    G.SaveToFile(Name);
    return Name;
}

// Saves a full paint of the window (CaptureFullPaint) as <build>\screenshots\<Name>.bmp; the build
// turns it into a .png for a person to look at.
TestSupport::TShot Shoot(HWND W, const std::string& Name)
{
    PumpFor(100);
    TestSupport::TShot S = TestSupport::CaptureFullPaint(W);
    RECT R;
    GetWindowRect(W, &R);
    EXPECT_EQ(S.W, R.right - R.left) << Name;
    EXPECT_EQ(S.H, R.bottom - R.top) << Name;
    const std::string Folder = ExtractFilePath(ExcludeTrailingBackslash(ProgramFolder())) + "screenshots\\";
    CreateDirectoryA(Folder.c_str(), nullptr);
    EXPECT_TRUE(TestSupport::WriteBmp(Folder + Name + ".bmp", S)) << Name;
    return S;
}

// Where the window's client area starts in a shot of the whole window.
POINT ClientOffset(HWND W)
{
    RECT R;
    GetWindowRect(W, &R);
    POINT P{0, 0};
    ClientToScreen(W, &P);
    return POINT{P.x - R.left, P.y - R.top};
}

// Width of Text in the label's font.
int32_t TextExtent(TLabel* L, const std::string& Text)
{
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, L->GetFont()->GetHandle());
    SIZE S{};
    GetTextExtentPoint32A(DC, Text.data(), static_cast<int>(Text.size()), &S);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    return S.cx;
}

std::string Joined(const std::vector<std::string>& V)
{
    std::string J;
    for (const std::string& L : V)
        J += L;
    return J;
}

} // namespace

TEST(ConfirmOverwriteForm, LongPathsWrapWithinTheFileNameLabel)
{
    TConfirmOverwriteForm F(nullptr);
    TPathLabel* L = F.FileNameLabel;
    const int32_t Rows = L->GetHeight() / L->LineHeight();
    ASSERT_GE(Rows, 2);
    auto CheckFits = [&](const std::vector<std::string>& V, const std::string& Path) {
        EXPECT_GE(V.size(), 1u) << Path;
        EXPECT_LE(static_cast<int32_t>(V.size()), Rows) << Path;
        EXPECT_LE(static_cast<int32_t>(V.size()) * L->LineHeight(), L->GetHeight()) << Path;
        for (const std::string& Line : V)
            EXPECT_LE(TextExtent(L, Line), L->GetWidth()) << Line;
    };

    // A short path: one line, as it is.
    F.SetFiles("C:\\nowhere\\s.jpg", "C:\\Pictures\\photo.jpg");
    EXPECT_EQ(L->GetCaption(), "C:\\Pictures\\photo.jpg");
    EXPECT_EQ(L->Lines(), std::vector<std::string>{"C:\\Pictures\\photo.jpg"});

    // Longer than one line, shorter than two: every character shows, the break after a backslash.
    const std::string Medium = "C:\\Documents and Settings\\someone\\My Documents\\My Pictures\\Downloaded Files\\"
                               "Holiday 2026\\Saved\\beach & sea.jpg";
    ASSERT_GT(TextExtent(L, Medium), L->GetWidth());
    F.SetFiles("C:\\nowhere\\s.jpg", Medium);
    std::vector<std::string> V = L->Lines();
    CheckFits(V, Medium);
    ASSERT_EQ(V.size(), 2u);
    EXPECT_EQ(V[0].back(), '\\');
    EXPECT_EQ(Joined(V), Medium);
    EXPECT_EQ(L->GetCaption(), Medium);

    // Too long for the label: the start, then "..." and the file's own name at the end.
    std::string Long = "C:";
    for (int I = 0; I < 12; ++I)
        Long += "\\folder number " + std::to_string(I);
    Long += "\\the picture.jpg";
    F.SetFiles("C:\\nowhere\\s.jpg", Long);
    V = L->Lines();
    CheckFits(V, Long);
    ASSERT_EQ(static_cast<int32_t>(V.size()), Rows);
    EXPECT_EQ(Long.rfind(V[0], 0), 0u) << V[0];
    EXPECT_EQ(V.back().rfind("...\\", 0), 0u) << V.back();
    EXPECT_EQ(V.back().substr(V.back().size() - 16), "\\the picture.jpg");

    // No backslash at all, and a label narrower than one letter: lines still fit and end.
    const std::string Flat(300, 'W');
    F.SetFiles("C:\\nowhere\\s.jpg", Flat);
    CheckFits(L->Lines(), Flat);
    HDC DC = GetDC(nullptr);
    const std::vector<std::string> Narrow = PathLines(DC, "abc\\def", 1, 100);
    ReleaseDC(nullptr, DC);
    EXPECT_EQ(Narrow, (std::vector<std::string>{"a", "b", "c", "\\", "d", "e", "f"}));
}

TEST(Screenshots, CaptureFullPaintTakesNothingOfAWindowAbove)
{
    TForm Below(nullptr);
    Below.SetBounds(40, 40, 300, 200);
    Below.SetColor(static_cast<TColor>(0x00FF00)); // green (BGR)
    Below.Show();
    // A magenta window on top of everything, over the middle of the first.
    TForm Above(nullptr);
    Above.SetBorderStyle(bsNone);
    Above.SetBounds(100, 100, 120, 80);
    Above.SetColor(static_cast<TColor>(0xFF00FF));
    Above.Show();
    SetWindowPos(Above.GetHandle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // The screen does show the other window there once it has painted: a plain screen copy
    // would take it.
    EXPECT_TRUE(PumpUntil([&] { return TestSupport::CaptureScreen(Below.GetHandle()).CountOf(0xFF00FF) > 0; },
                          10000, "the window above on the screen"));
    const TestSupport::TShot S = TestSupport::CaptureFullPaint(Below.GetHandle());
    RECT W;
    GetWindowRect(Below.GetHandle(), &W);
    EXPECT_EQ(S.W, W.right - W.left);
    EXPECT_EQ(S.H, W.bottom - W.top);
    EXPECT_EQ(S.CountOf(0xFF00FF), 0u);
    RECT C;
    GetClientRect(Below.GetHandle(), &C);
    // The client area is the form's own green, under the other window too.
    EXPECT_EQ(S.CountOf(0x00FF00), static_cast<size_t>(C.right * C.bottom));
}

TEST_F(ImagesTest, ScreenshotsOfThePaneAndItsDialogs)
{
    WriteShotJpeg(Saved + "photo.jpg", 160, 120, 0x2080E0);
    WriteShotGif(Saved + "anim.gif", 90, 70);
    WriteBytes(Saved + "other.png", 5000);
    // A deep target folder, so the dialog's path needs its second line.
    std::string Out = Temp.Path();
    for (const char* Sub : {"Collected pictures\\", "Holiday at the sea 2026\\", "Second week\\"}) {
        Out += Sub;
        CreateDirectoryA(Out.c_str(), nullptr);
    }
    WriteShotJpeg(Out + "photo.jpg", 240, 360, 0xE08020); // taller than its pane: reduced
    Show();
    // The selected row shows as selected while its list has the focus.
    SetForegroundWindow(Form->GetHandle());
    SetFocus(Form->ImagesListView->GetHandle());
    SelectRows({"photo.jpg"});
    PumpFor(300); // the pane finishes drawing before its picture: nothing exposed to wait on
    const TestSupport::TShot Jpeg = Shoot(Form->GetHandle(), "images-jpeg-preview");
    EXPECT_GE(CountNear(Jpeg, 0x2080E0), 70u * 110u); // the preview's plain half, unscaled
    SelectRows({"anim.gif"});
    PumpFor(300); // as above
    const TestSupport::TShot Gif = Shoot(Form->GetHandle(), "images-gif-preview");
    EXPECT_GE(Gif.CountOf(0xFF0000), 90u * 70u / 2);
    EXPECT_GE(Gif.CountOf(0x0000FF), 200u);
    EXPECT_LT(CountNear(Gif, 0x2080E0), 100u); // the JPEG is gone

    SelectRows({"photo.jpg"});
    {
        TFolderAnswerer Pick(Out);
        TestSupport::TShot Dialog;
        POINT Offset{};
        int32_t ClientW = 0;
        TPathLabel* Label = nullptr;
        TFormAnswerer Ask("Override file", [&](TCustomForm* F) {
            PumpFor(300); // the dialog finishes drawing before its picture: nothing exposed to wait on
            Dialog = Shoot(F->GetHandle(), "overwrite-dialog");
            Offset = ClientOffset(F->GetHandle());
            ClientW = F->GetClientWidth();
            Label = static_cast<TConfirmOverwriteForm*>(F)->FileNameLabel;
            EXPECT_EQ(Label->Lines().size(), 2u) << Label->GetCaption();
            Press(static_cast<TConfirmOverwriteForm*>(F)->SkipButton);
        });
        Command(maImageCopyTo);
        ASSERT_GT(Dialog.W, 0);
        // Both pictures: the source at its size, the destination reduced to its pane's height.
        EXPECT_GE(CountNear(Dialog, 0x2080E0), 70u * 110u);
        EXPECT_GE(CountNear(Dialog, 0xE08020), 45u * 150u);
        EXPECT_LT(CountNear(Dialog, 0xE08020), 60u * 170u);
        // No text to the right of the path's label.
        const RECT Strip{Offset.x + 421, Offset.y + 10, Offset.x + ClientW, Offset.y + 40};
        EXPECT_FALSE(Dialog.Contains(Strip, 0x000000));
    }
    {
        TestSupport::TShot Dialog;
        TFormAnswerer Ask("Wallpaper options", [&](TCustomForm* F) {
            PumpFor(200); // as above
            Dialog = Shoot(F->GetHandle(), "wallpaper-options");
            Press(static_cast<TWallpaperOptionsForm*>(F)->CancelButton);
        });
        Command(maImageWallpaper);
        ASSERT_GT(Dialog.W, 0);
        EXPECT_GT(Dialog.CountOf(0x000000), 100u); // the captions are drawn
    }
}
