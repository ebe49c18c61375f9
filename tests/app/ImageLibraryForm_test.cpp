// The images library window: loading the list on its thread (progress, the lock, closing while it
// runs), Verify, Delete and Clear against files on disk, the preview, the thumbnail grid with
// its loader and cache, help, and what opening and closing it costs.

#include <algorithm>
#include <atomic>
#include <set>
#include <stdexcept>

#include <tlhelp32.h>

#include "app/ImageLibraryForm.h"
#include "app/JpegBrowser.h"
#include "app/ViewImageForm.h"
#include "engine/EngineRoutines.h"
#include "engine/ImagesLibrary.h"
#include "imagelib/ImgScroll.h"
#include "imagelib/JpegGraphic.h"
#include "imagelib/TiffGraphic.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/StringList.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Locks.h"
#include "platform/win/StatusBar.h"
#include "platform/win/Thread.h"
#include "platform/win/ToolBar.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/app/PictureTestFiles.h"
#include "tests/support/ResourceProbe.h"
#include "tests/support/NoClippedText.h"

using namespace PictureTest;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;

namespace {

int32_t ThreadsOfThisProcess()
{
    int32_t N = 0;
    HANDLE S = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 E{};
    E.dwSize = sizeof(E);
    for (BOOL Ok = Thread32First(S, &E); Ok; Ok = Thread32Next(S, &E))
        N += E.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(S);
    return N;
}

// Waits, without serving it, until a worker has handed in a synchronised step.
bool HandedIn()
{
    const ULONGLONG Deadline = GetTickCount64() + 60000;
    while (!SynchronizePending()) {
        if (GetTickCount64() >= Deadline) {
            ADD_FAILURE() << "Timed out waiting for a step handed in";
            return false;
        }
        WaitForSingleObject(SyncEvent(), 50);
    }
    return true;
}

class LibraryTest : public testing::Test {
protected:
    void SetUp() override { ImageLibrary = new TImageLibrary(); }
    void TearDown() override
    {
        Form.reset();
        delete ImageLibrary;
        ImageLibrary = nullptr;
    }
    static void Record(const std::string& Path, int32_t Size = 1024, int32_t W = 10, int32_t H = 10)
    {
        auto D = std::make_unique<TImageDetail>();
        D->SetFileName(Path);
        D->SetFileSize(Size);
        D->SetWidth(W);
        D->SetHeight(H);
        ImageLibrary->Add(std::move(D));
    }
    // Files on disk with a record each.
    std::vector<std::string> Files(int N, const std::string& Prefix = "f", const std::string& Ext = ".jpg")
    {
        std::vector<std::string> V;
        for (int I = 0; I < N; ++I) {
            V.push_back(Temp.File(Prefix + std::to_string(I) + Ext));
            if (Ext == ".jpg")
                WritePicture<TJpegGraphic>(V.back(), 16, 12);
            else
                WriteBytes(V.back(), 300, static_cast<uint8_t>(I));
            Record(V.back());
        }
        return V;
    }
    // The window shown (not modally), once its list is loaded.
    TImageLibraryForm* Open()
    {
        Form.reset(new TImageLibraryForm(nullptr));
        Form->Show();
        EXPECT_TRUE(PumpUntil([&] { return !Form->Loading; }, 60000, "the list loaded"));
        return Form.get();
    }
    void Do(uint16_t Id) { Command(Form->GetHandle(), Id); }
    TListItems* Rows() { return Form->ImageLibListView->GetItems(); }
    TListItem* Row(const std::string& Path)
    {
        for (int32_t I = 0; I < Rows()->GetCount(); ++I)
            if (TImageLibraryForm::RowPath(Rows()->GetItem(I)) == Path)
                return Rows()->GetItem(I);
        return nullptr;
    }
    // Exactly these rows selected, as the mouse leaves them (the window's item state).
    void Select(std::initializer_list<std::string> Paths)
    {
        HWND L = Form->ImageLibListView->GetHandle();
        LVITEMA None{};
        None.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(L, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&None));
        for (const std::string& P : Paths) {
            TListItem* R = Row(P);
            ASSERT_NE(R, nullptr) << P;
            LVITEMA S{};
            S.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            S.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(L, LVM_SETITEMSTATE, static_cast<WPARAM>(R->GetIndex()), reinterpret_cast<LPARAM>(&S));
        }
        PumpFor(20);
    }
    TProgressBar* StatusProgressBar()
    {
        for (int32_t I = 0; I < Form->StatusBar->GetControlCount(); ++I)
            if (auto* B = dynamic_cast<TProgressBar*>(Form->StatusBar->GetControls(I)))
                return B;
        return nullptr;
    }
    std::string Panel(int32_t I) { return Form->StatusBar->GetPanels()->GetItem(I)->GetText(); }
    TJpegPanel* PanelOf(const std::string& Path)
    {
        for (TJpegPanel* P : Form->JpegBrowser->GetPanels())
            if (P->GetFilename() == Path)
                return P;
        return nullptr;
    }
    // A click (or double click) on a panel, sent to the browser's window.
    void ClickPanel(TJpegPanel* P, bool Double = false)
    {
        HWND W = Form->JpegBrowser->GetHandle();
        const LPARAM At = MAKELPARAM(P->GetLeft() + 50, P->GetTop() + 50);
        SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, At);
        SendMessageA(W, WM_LBUTTONUP, 0, At);
        if (Double) {
            SendMessageA(W, WM_LBUTTONDBLCLK, MK_LBUTTON, At);
            SendMessageA(W, WM_LBUTTONUP, 0, At);
        }
    }
    // The area the browser fills made Width x Height.
    void SizeBrowser(int32_t Width, int32_t Height)
    {
        Form->SetClientSize(Width + Form->GetClientWidth() - Form->ClientPanel->GetClientWidth(),
                            Height + Form->GetClientHeight() - Form->ClientPanel->GetClientHeight());
        PumpFor(20);
    }
    // Panels whose cell lies in the browser's client area.
    std::vector<TJpegPanel*> VisiblePanels()
    {
        std::vector<TJpegPanel*> V;
        const int32_t H = Form->JpegBrowser->GetClientHeight();
        for (TJpegPanel* P : Form->JpegBrowser->GetPanels())
            if (P->GetTop() + P->GetHeight() > 0 && P->GetTop() < H)
                V.push_back(P);
        return V;
    }

    TestSupport::TTempFolder Temp;
    TComponentPtr<TImageLibraryForm> Form;
};

} // namespace

TEST_F(LibraryTest, LoadingListsEveryRecordShowsProgressAndWaitsForTheLock)
{
    // An empty library: no row, no error.
    Open();
    EXPECT_EQ(Rows()->GetCount(), 0);
    EXPECT_TRUE(Form->VerifyButton->GetEnabled());

    for (int I = 0; I < 24; ++I)
        Record(Temp.File("r" + std::to_string(I) + ".png"));
    const std::string Photo = Temp.File("photo.jpg");
    Record(Photo, 2048, 640, 480);
    Open();
    ASSERT_EQ(Rows()->GetCount(), 25);
    TListItem* R = Row(Photo);
    ASSERT_NE(R, nullptr);
    EXPECT_EQ(R->GetCaption(), Photo);
    EXPECT_EQ(R->GetSubItems()->GetStrings(0), "photo.jpg");
    EXPECT_EQ(R->GetSubItems()->GetStrings(1), "2 KB");
    EXPECT_EQ(R->GetSubItems()->GetStrings(2), "640");
    EXPECT_EQ(R->GetSubItems()->GetStrings(3), "480");
    EXPECT_GE(R->GetImageIndex(), 0);
    EXPECT_NE(R->GetImageIndex(), Rows()->GetItem(0)->GetImageIndex()); // .png and .jpg differ
    TListColumns* C = Form->ImageLibListView->GetColumns();
    ASSERT_EQ(C->GetCount(), 5);
    const std::vector<std::string> Captions = {"Filename(full)", "Filename", "Size", "Width", "Height"};
    for (int32_t I = 0; I < 5; ++I)
        EXPECT_EQ(C->GetItem(I)->GetCaption(), Captions[static_cast<size_t>(I)]);
    EXPECT_EQ(C->GetItem(2)->GetAlignment(), taRightJustify);
    TestSupport::ExpectNoClippedText(Form.get());
    Form->SetClientWidth(Form->GetClientWidth() + 37); // the list resizes with the window
    PumpFor(20);
    EXPECT_EQ(C->GetItem(0)->GetWidth(), Form->ImageLibListView->GetClientWidth() - (120 + 70 + 70 + 70) -
                                             GetScrollBarWidth() - 5);

    // 2,000 records, shown while the test holds the library's lock: the window has set up its
    // progress and waits for the lock before its first row. (Taken only after some rows had come,
    // the lock could find the whole list already handed over: one message pump may serve every
    // step the loader hands in while it runs.)
    for (int I = 25; I < 2000; ++I)
        Record(Temp.File("r" + std::to_string(I) + ".png"));
    {
        TThreadListGuard Hold(ImageLibrary->GetList());
        Form.reset(new TImageLibraryForm(nullptr));
        Form->Show();
        ASSERT_TRUE(PumpUntil([&] { return StatusProgressBar() != nullptr; }, 20000, "the progress bar"));
        PumpFor(100);
        const int32_t Seen = Rows()->GetCount();
        EXPECT_EQ(Seen, 0);
        EXPECT_TRUE(Form->Loading);
        EXPECT_FALSE(Form->VerifyButton->GetEnabled());
        EXPECT_FALSE(Form->ClearButton->GetEnabled());
        EXPECT_EQ(Form->StatusBar->GetPanels()->GetItem(1)->GetWidth(), 116);
        EXPECT_EQ(Panel(1), "Loading");
        TProgressBar* Bar = StatusProgressBar();
        ASSERT_NE(Bar, nullptr);
        EXPECT_EQ(Bar->GetLeft(), Form->StatusBar->GetPanels()->GetItem(0)->GetWidth() + 60);
        EXPECT_EQ(Bar->GetTop(), 3);
        EXPECT_EQ(Bar->GetMin(), 0);
        EXPECT_EQ(Bar->GetMax(), 2000);
        PumpFor(100); // as above: nothing may come while the lock is held
        EXPECT_EQ(Rows()->GetCount(), Seen);
    }
    ASSERT_TRUE(PumpUntil([&] { return !Form->Loading; }, 60000, "the list loaded"));
    EXPECT_EQ(Rows()->GetCount(), 2000);
    EXPECT_EQ(Form->StatusBar->GetPanels()->GetItem(1)->GetWidth(), 5);
    EXPECT_EQ(StatusProgressBar(), nullptr);
    EXPECT_TRUE(Form->VerifyButton->GetEnabled());
    EXPECT_TRUE(Form->ClearButton->GetEnabled());
}

TEST_F(LibraryTest, VerifyDeleteAndClearChangeOnlyWhatIsGoneFromDisk)
{
    std::vector<std::string> F = Files(8);
    DeleteFileA(F[1].c_str());
    DeleteFileA(F[2].c_str());
    Open();
    ASSERT_EQ(Rows()->GetCount(), 8);
    {
        TBoxAnswerer Ask("all invalid image records", IDYES), Told("Information", IDOK);
        Form->VerifyButton->Click();
        ASSERT_EQ(Told.Count(), 1);
        EXPECT_EQ(Told.Last(), "Information\n2 record(s) has been deleted !");
        EXPECT_EQ(Rows()->GetCount(), 6);
        EXPECT_EQ(ImageLibrary->GetCount(), 6);
        EXPECT_EQ(ImageLibrary->FindByName(F[1]), nullptr);
        Form->VerifyButton->Click();
        EXPECT_EQ(Told.Last(), "Information\nNo valid record found !");
        EXPECT_EQ(Ask.Count(), 2);
        EXPECT_NE(Ask.Last().find("Question\nDo you want to delete all invalid image records from library? It will take "
                                  "a few minutes."),
                  std::string::npos);
    }
    DeleteFileA(F[3].c_str());
    {
        TBoxAnswerer No("all invalid image records", IDNO);
        Form->VerifyButton->Click();
        EXPECT_EQ(No.Count(), 1);
        EXPECT_EQ(Rows()->GetCount(), 6);
        EXPECT_EQ(ImageLibrary->GetCount(), 6);
    }

    // Delete in list mode: rows go with their files; a file held open stays with its row.
    {
        TBoxAnswerer Yes("Do you want to delete selected image(s)?", IDYES);
        Select({F[4], F[5]});
        Do(laDelete);
        EXPECT_EQ(Yes.Count(), 1);
        EXPECT_FALSE(FileThere(F[4]) || FileThere(F[5]));
        EXPECT_EQ(Row(F[4]), nullptr);
        EXPECT_EQ(Row(F[5]), nullptr);
        EXPECT_EQ(ImageLibrary->GetCount(), 6); // Verify removes records, Delete does not
        HANDLE Held = CreateFileA(F[6].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(Held, INVALID_HANDLE_VALUE);
        Select({F[6], F[7]});
        Do(laDelete);
        CloseHandle(Held);
        EXPECT_TRUE(FileThere(F[6]));
        EXPECT_NE(Row(F[6]), nullptr);
        EXPECT_EQ(Row(F[7]), nullptr);
    }

    // Delete in preview mode: the selected panel's file and the panel.
    const std::string Pic = WritePicture<TJpegGraphic>(Temp.File("pic.jpg"), 40, 30);
    Record(Pic);
    Do(laPreview);
    ASSERT_NE(PanelOf(Pic), nullptr);
    ClickPanel(PanelOf(Pic));
    ASSERT_EQ(Form->JpegBrowser->GetSelected(), PanelOf(Pic));
    {
        TBoxAnswerer Yes("Do you want to delete selected image?", IDYES);
        Do(laDelete);
        EXPECT_EQ(Yes.Count(), 1);
    }
    EXPECT_FALSE(FileThere(Pic));
    EXPECT_EQ(PanelOf(Pic), nullptr);
    EXPECT_EQ(Form->JpegBrowser->GetSelected(), nullptr);
    Do(laPreview);

    // Clear: Cancel keeps all, No empties the library and the list only.
    const size_t Kept = static_cast<size_t>(Rows()->GetCount());
    {
        TBoxAnswerer Cancel("Do you want to delete all files on disk?", IDCANCEL);
        Form->ClearButton->Click();
        EXPECT_EQ(Cancel.Count(), 1);
        EXPECT_EQ(static_cast<size_t>(Rows()->GetCount()), Kept);
    }
    {
        TBoxAnswerer No("Do you want to delete all files on disk?", IDNO);
        Form->ClearButton->Click();
        EXPECT_NE(No.Last().find("Question\nDo you want to delete all files on disk? Yes - Delete all files, No - "
                                 "Only delete them from library, Cancel - Cancel this operation."),
                  std::string::npos);
    }
    EXPECT_EQ(Rows()->GetCount(), 0);
    EXPECT_EQ(ImageLibrary->GetCount(), 0);
    EXPECT_TRUE(FileThere(F[0]));
    EXPECT_EQ(Panel(0), "Total image(s): 0");

    // Yes deletes the files too, and says which could not go.
    std::vector<std::string> G = Files(3, "g");
    Open();
    HANDLE Held = CreateFileA(G[1].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    {
        TBoxAnswerer Yes("Do you want to delete all files on disk?", IDYES), Error("could not be deleted", IDOK);
        Form->ClearButton->Click();
        ASSERT_EQ(Error.Count(), 1);
        EXPECT_EQ(Error.Last(), "Error\n1 file(s) could not be deleted !");
    }
    CloseHandle(Held);
    EXPECT_FALSE(FileThere(G[0]) || FileThere(G[2]));
    EXPECT_TRUE(FileThere(G[1]));
    EXPECT_EQ(Rows()->GetCount(), 0);
    ImageLibrary->SaveToFile(Temp.File("imglib.db"));
    TFileStream Saved(Temp.File("imglib.db"), fmOpenRead | fmShareDenyNone);
    EXPECT_EQ(Saved.GetSize(), 264);
}

TEST_F(LibraryTest, PreviewFollowsTheSelectionAsksOnceForMultiPagePicturesAndOpensTheViewer)
{
    const std::string Jpeg = WritePicture<TJpegGraphic>(Temp.File("a.jpg"), 400, 200, 0x2080E0, 8);
    const std::string Gif = WriteGif(Temp.File("b.gif"), 37, 23);
    const std::string Tiff = Temp.File("c.tif");
    {
        TMemoryStream S;
        for (int I = 0; I < 3; ++I) {
            TTiffGraphic Page;
            Page.NewImage(30 + I, 20, ifTrueColor);
            Page.AppendImageToStream(&S);
        }
        S.SaveToFile(Tiff);
    }
    const std::string Gone = WritePicture<TJpegGraphic>(Temp.File("d.jpg"), 30, 20);
    for (const std::string& P : {Jpeg, Gif, Tiff, Gone})
        Record(P);
    Open();
    TImageScrollBox* Box = Form->ImageScrollBox;

    Select({Jpeg});
    EXPECT_TRUE(Box->GetVisible());
    EXPECT_FALSE(Form->GifImage->GetVisible());
    EXPECT_EQ(Box->GetGraphic()->GetWidth(), 400);
    Shoot(Form->GetHandle(), "library-list-preview");
    EXPECT_GE(Box->GetHeight(), 200); // under the list and its splitter, the rest of the window
    Do(laTurnRight);
    EXPECT_EQ(Box->GetGraphic()->GetWidth(), 200);
    Do(laTurnLeft);
    EXPECT_EQ(Box->GetGraphic()->GetWidth(), 400);

    Select({Gif});
    EXPECT_FALSE(Box->GetVisible());
    EXPECT_TRUE(Form->GifImage->GetVisible());
    ASSERT_NE(Form->GifImage->GetPicture()->GetGraphic(), nullptr);
    EXPECT_EQ(Form->GifImage->GetPicture()->GetGraphic()->GetWidth(), 37);
    Do(laTurnRight); // nothing to turn
    EXPECT_TRUE(Box->GetGraphic()->GetEmpty());

    {
        TBoxAnswerer No("The file contains", IDNO);
        Select({Tiff});
        PumpFor(50); // more change notifications of the same click: no second question
        ASSERT_EQ(No.Count(), 1);
        EXPECT_EQ(No.Last(), "Question\nThe file contains 3 images.\rNote that for animations, all images\rmust be "
                             "loaded in memory.\rLoad all images in memory?\r");
        EXPECT_LE(Box->GetGraphic()->GetFrameCount(), 1);
        EXPECT_EQ(Box->GetGraphic()->GetWidth(), 30);
    }
    {
        TBoxAnswerer Yes("The file contains", IDYES);
        Select({Jpeg});
        Select({Tiff});
        EXPECT_EQ(Yes.Count(), 1);
        EXPECT_EQ(Box->GetGraphic()->GetFrameCount(), 3);
    }
    DeleteFileA(Gone.c_str());
    Select({Gone});
    EXPECT_TRUE(Box->GetGraphic()->GetEmpty());
    Select({Jpeg});
    EXPECT_FALSE(Box->GetGraphic()->GetEmpty());
    Select({});
    EXPECT_TRUE(Box->GetGraphic()->GetEmpty());
    EXPECT_FALSE(Form->GifImage->GetVisible());
    Do(laTurnRight); // no row: nothing

    // View and a double click open the viewer on the selected row, with every row's path.
    std::vector<std::string> All;
    for (int32_t I = 0; I < Rows()->GetCount(); ++I)
        All.push_back(TImageLibraryForm::RowPath(Rows()->GetItem(I)));
    std::vector<std::pair<std::vector<std::string>, int32_t>> Seen;
    TModalAnswerer<TViewImageForm> Note([&](TViewImageForm* V) {
        std::vector<std::string> L;
        for (int32_t I = 0; I < V->FileList->GetCount(); ++I)
            L.push_back(V->FileList->GetStrings(I));
        Seen.emplace_back(L, V->FileIndex);
        V->Close();
    });
    Select({Jpeg});
    Do(laView);
    RECT R{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(Form->ImageLibListView->GetHandle(), LVM_GETITEMRECT, static_cast<WPARAM>(Row(Jpeg)->GetIndex()),
                 reinterpret_cast<LPARAM>(&R));
    const LPARAM At = MAKELPARAM(R.left + 30, (R.top + R.bottom) / 2);
    SendMessageA(Form->ImageLibListView->GetHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, At);
    SendMessageA(Form->ImageLibListView->GetHandle(), WM_LBUTTONUP, 0, At);
    ASSERT_EQ(Seen.size(), 2u);
    for (const auto& [List, Index] : Seen) {
        EXPECT_EQ(List, All);
        EXPECT_EQ(Index, Row(Jpeg)->GetIndex());
    }
}

TEST_F(LibraryTest, PreviewModeGridsTheJpegAndBmpFilesAndDrawsThumbnailsToScale)
{
    std::vector<std::string> Grid;
    Grid.push_back(WritePicture<TJpegGraphic>(Temp.File("wide.jpg"), 400, 200, 0x2080E0));
    for (int I = 1; I < 6; ++I)
        Grid.push_back(WritePicture<TJpegGraphic>(Temp.File("p" + std::to_string(I) + ".jpeg"), 40, 60, 0x30C040));
    Grid.push_back(WritePicture<TJpegGraphic>(Temp.File("q.JPG"), 40, 30));
    TBitmap Bmp;
    Bmp.SetSize(30, 20);
    Bmp.SaveToFile(Temp.File("s.bmp"));
    Grid.push_back(Temp.File("s.bmp"));
    for (const std::string& P : Grid)
        Record(P);
    Record(WriteGif(Temp.File("g.gif"), 10, 10));
    Record(WritePicture<TJpegGraphic>(Temp.File("n.png"), 10, 10));
    Record(Temp.File("missing.jpg"));
    Open();
    SizeBrowser(560, 330);
    Do(laPreview);
    EXPECT_TRUE(Form->PreviewAction->GetChecked());
    EXPECT_FALSE(Form->ImageLibListView->GetVisible());
    ASSERT_EQ(Form->JpegBrowser->GetClientWidth(), 560);
    const std::vector<TJpegPanel*>& Panels = Form->JpegBrowser->GetPanels();
    ASSERT_EQ(Panels.size(), Grid.size());
    for (size_t I = 0; I < Panels.size(); ++I)
        EXPECT_EQ(Panels[I]->GetFilename(), Grid[I]);
    for (int32_t I = 0; I < 5; ++I) {
        EXPECT_EQ(Panels[static_cast<size_t>(I)]->GetLeft(), 110 * I);
        EXPECT_EQ(Panels[static_cast<size_t>(I)]->GetTop(), 0);
    }
    EXPECT_EQ(Panels[5]->GetLeft(), 0);
    EXPECT_EQ(Panels[5]->GetTop(), 110);

    // The 400 x 200 picture: 80 x 40, 20 pixels below the inner area's top.
    TJpegPanel* Wide = Panels[0];
    ASSERT_TRUE(PumpUntil([&] { return Wide->GetLoaded(); }, 20000, "the thumbnail"));
    PumpUntil([&] { return std::all_of(Panels.begin(), Panels.end(), [](TJpegPanel* P) { return P->GetLoaded(); }); },
              20000, "every thumbnail");
    const TestSupport::TShot S = Shoot(Form->GetHandle(), "library-thumbnails");
    RECT Window;
    GetWindowRect(Form->GetHandle(), &Window);
    const TPoint Origin = Form->JpegBrowser->ClientToScreen(Point(Wide->GetLeft(), Wide->GetTop()));
    int32_t Left = 1000, Top = 1000, Right = -1, Bottom = -1;
    for (int32_t Y = 0; Y < 100; ++Y)
        for (int32_t X = 0; X < 100; ++X) {
            const uint32_t P = S.At(Origin.x - Window.left + X, Origin.y - Window.top + Y);
            if (CountNear(TestSupport::TShot{1, 1, {P}}, 0x2080E0, 24) == 1) {
                Left = std::min(Left, X);
                Top = std::min(Top, Y);
                Right = std::max(Right, X);
                Bottom = std::max(Bottom, Y);
            }
        }
    EXPECT_EQ(Left, 10);
    EXPECT_EQ(Right - Left + 1, 80);
    EXPECT_EQ(Top, 10 + 20);
    EXPECT_EQ(Bottom - Top + 1, 40);

    // A click names the file in the status bar; a double click views it.
    ClickPanel(Panels[6]);
    EXPECT_EQ(Form->JpegBrowser->GetSelected(), Panels[6]);
    EXPECT_EQ(Panel(0), "q.JPG");
    EXPECT_EQ(Panel(2), Grid[6]);
    int32_t Index = -1;
    std::string Name;
    TModalAnswerer<TViewImageForm> Note([&](TViewImageForm* V) {
        Index = V->FileIndex;
        Name = V->FileName;
        V->Close();
    });
    ClickPanel(Panels[2], true);
    EXPECT_EQ(Index, 2);
    EXPECT_EQ(Name, Grid[2]);

    Do(laPreview);
    EXPECT_FALSE(Form->JpegBrowser->GetVisible());
    EXPECT_TRUE(Form->ImageLibListView->GetVisible());
    EXPECT_TRUE(Form->Splitter->GetVisible());
    EXPECT_TRUE(Form->ViewPanel->GetVisible());
    EXPECT_LT(Form->ImageLibListView->GetTop(), Form->Splitter->GetTop());
    EXPECT_LT(Form->Splitter->GetTop(), Form->ViewPanel->GetTop());
}

TEST_F(LibraryTest, ThumbnailsComeForWhatIsPaintedAndTheCacheStaysWithinItsSize)
{
    std::vector<std::string> Pictures;
    for (int I = 0; I < 200; ++I) {
        Pictures.push_back(Temp.File("t" + std::to_string(1000 + I) + ".jpg"));
        if (I == 2)
            WriteBytes(Pictures.back(), 2000); // unreadable
        else
            WritePicture<TJpegGraphic>(Pictures.back(), 24, 16, 0x101010 * static_cast<uint32_t>(I % 15));
        Record(Pictures.back());
    }
    TBoxAnswerer Any;
    Open();
    // Five across and at most three rows in view at any scroll position: 15 panels, within the
    // cache of 16.
    SizeBrowser(560, 210);
    Form->JpegBrowser->SetThumbnailCacheSize(16);
    Do(laPreview);
    TJpegBrowser* B = Form->JpegBrowser;
    auto AllShown = [&] {
        // A scroll draws only what it uncovers: the whole view is drawn again, as a window
        // covered and uncovered would be.
        B->Invalidate();
        B->Update();
        for (TJpegPanel* P : VisiblePanels())
            if (!P->GetLoaded() && P->GetFilename() != Pictures[2])
                return false;
        return true;
    };
    ASSERT_TRUE(PumpUntil(AllShown, 20000, "the first screen's thumbnails"));
    EXPECT_EQ(VisiblePanels().size(), 10u);
    for (size_t I = 100; I < 200; ++I)
        EXPECT_FALSE(B->GetPanels()[I]->GetLoaded()) << I;
    EXPECT_LE(B->GetThumbnailsMade(), 16);

    // Page by page to the end.
    while (B->GetVertScrollBar()->GetPosition() < B->GetVertScrollBar()->GetRange() - B->GetVertScrollBar()->GetPageSize()) {
        SendMessageA(B->GetHandle(), WM_VSCROLL, SB_PAGEDOWN, 0);
        ASSERT_TRUE(PumpUntil(AllShown, 20000, "the thumbnails of the page"));
    }
    EXPECT_TRUE(B->GetPanels()[199]->GetLoaded());
    EXPECT_LE(B->GetThumbnailCount(), 16);
    EXPECT_GE(B->GetThumbnailsMade(), 199);
    EXPECT_FALSE(B->GetPanels()[2]->GetLoaded());

    // A wider window keeps five columns: the panels on show are held, nothing is decoded again.
    const int32_t Made = B->GetThumbnailsMade();
    SizeBrowser(580, 210);
    ASSERT_TRUE(PumpUntil(AllShown, 20000, "the thumbnails after the resize"));
    PumpFor(200); // a decode would be delivered meanwhile: nothing exposed to wait on
    EXPECT_EQ(B->GetThumbnailsMade(), Made);
    EXPECT_EQ(Any.Count(), 0) << Any.Last();
}

// A resize moves the panels to the new columns without reading the library again (a record
// added meanwhile stays out, the selection stays); a delete closes the gap the same way, the
// panels after it renumbered with Files; only a new fill reads the library.
TEST_F(LibraryTest, ResizeAndDeleteMoveThePanelsWithoutFillingTheViewAgain)
{
    std::vector<std::string> Pictures;
    for (int I = 0; I < 12; ++I) {
        Pictures.push_back(WritePicture<TJpegGraphic>(Temp.File("r" + std::to_string(I) + ".jpg"), 16, 12));
        Record(Pictures.back());
    }
    Record(UpperCase(Pictures[3])); // the same file again, its name in other case: one panel
    Record(Temp.File("absent.jpg"));
    Open();
    SizeBrowser(560, 330);
    Do(laPreview);
    TJpegBrowser* B = Form->JpegBrowser;
    const std::vector<TJpegPanel*> Made = B->GetPanels();
    ASSERT_EQ(Made.size(), Pictures.size());
    auto ExpectGrid = [&](const std::vector<std::string>& Names, int32_t Columns, const char* When) {
        const std::vector<TJpegPanel*>& Panels = B->GetPanels();
        ASSERT_EQ(Panels.size(), Names.size()) << When;
        ASSERT_EQ(B->GetFiles()->GetCount(), static_cast<int32_t>(Names.size())) << When;
        const int32_t DX = B->GetHorzScrollBar()->GetPosition(), DY = B->GetVertScrollBar()->GetPosition();
        for (size_t I = 0; I < Panels.size(); ++I) {
            const int32_t N = static_cast<int32_t>(I);
            EXPECT_EQ(Panels[I]->GetFilename(), Names[I]) << When << " " << I;
            EXPECT_EQ(Panels[I]->GetIndex(), N) << When;
            EXPECT_EQ(B->GetFiles()->GetStrings(N), Names[I]) << When;
            EXPECT_EQ(Panels[I]->GetLeft(), N % Columns * 110 - DX) << When << " " << I;
            EXPECT_EQ(Panels[I]->GetTop(), N / Columns * 110 - DY) << When << " " << I;
        }
    };
    ExpectGrid(Pictures, 5, "filled");
    ClickPanel(Made[7]);
    ASSERT_EQ(B->GetSelected(), Made[7]);

    // A picture recorded after the fill, and a narrower window: three columns.
    const std::string Late = WritePicture<TJpegGraphic>(Temp.File("late.jpg"), 16, 12);
    Record(Late);
    SizeBrowser(340, 330);
    ASSERT_EQ(B->GetWidth() / 110, 3);
    ExpectGrid(Pictures, 3, "narrower");
    EXPECT_EQ(B->GetPanels(), Made);
    EXPECT_EQ(B->GetSelected(), Made[7]);
    EXPECT_TRUE(Made[7]->GetSelected());

    // A page down: the panels the scroll uncovers are drawn, as read from the window unforced.
    SendMessageA(B->GetHandle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    ASSERT_GT(B->GetVertScrollBar()->GetPosition(), 0);
    auto Drawn = [&] {
        const TestSupport::TShot S = TestSupport::ReadWindowDC(Form->GetHandle());
        RECT Window;
        GetWindowRect(Form->GetHandle(), &Window);
        for (TJpegPanel* P : VisiblePanels()) {
            const TPoint C = B->ClientToScreen(Point(P->GetLeft() + 50, P->GetTop() + 50));
            if (P->GetTop() + 50 < B->GetClientHeight() &&
                CountNear(TestSupport::TShot{1, 1, {S.At(C.x - Window.left, C.y - Window.top)}}, 0x3366CC, 24) != 1)
                return false;
        }
        return true;
    };
    ASSERT_TRUE(PumpUntil(Drawn, 20000, "the thumbnails uncovered by the scroll"));
    ExpectGrid(Pictures, 3, "scrolled");
    SendMessageA(B->GetHandle(), WM_VSCROLL, SB_TOP, 0);

    // Deleting the second panel's file: the rest move up one cell each.
    ClickPanel(Made[1]);
    {
        TBoxAnswerer Yes("Do you want to delete selected image?", IDYES);
        Do(laDelete);
        EXPECT_EQ(Yes.Count(), 1);
    }
    EXPECT_FALSE(FileThere(Pictures[1]));
    std::vector<std::string> Left = Pictures;
    Left.erase(Left.begin() + 1);
    std::vector<TJpegPanel*> Kept = Made;
    Kept.erase(Kept.begin() + 1);
    ExpectGrid(Left, 3, "after the delete");
    EXPECT_EQ(B->GetPanels(), Kept);
    EXPECT_EQ(B->GetSelected(), nullptr);

    // A new fill reads the library: the late picture joins at the end.
    Do(laPreview);
    Do(laPreview);
    Left.push_back(Late);
    ExpectGrid(Left, 3, "filled again");
}

// The loader outlives files whose reader throws anything at all, and each new fill tries the
// files that failed before once more.
TEST_F(LibraryTest, TheLoaderGoesOnAfterAnyFailureAndANewFillTriesFailedFilesAgain)
{
    // A picture class that fails with an exception of no kind the program knows.
    static std::atomic<int> Reads{0};
    const TGraphicFactory Throw = []() -> std::unique_ptr<TGraphic> {
        ++Reads;
        throw std::logic_error("a reader that gives up");
    };
    TPicture::RegisterFileFormat("qmthrow", "Throwing files", TGraphicClass{"TThrowingGraphic", Throw});
    TScopeExit Unregister([] { TPicture::Unregister("TThrowingGraphic"); });
    std::vector<std::string> Throwing, Good;
    for (int I = 0; I < 3; ++I) {
        Throwing.push_back(Temp.File("x" + std::to_string(I) + ".qmthrow"));
        WriteBytes(Throwing.back(), 100);
        Good.push_back(WritePicture<TJpegGraphic>(Temp.File("ok" + std::to_string(I) + ".jpg"), 24, 16));
    }
    Open();
    SizeBrowser(560, 330);
    Do(laPreview);
    TJpegBrowser* B = Form->JpegBrowser;
    auto Fill = [&](const std::vector<std::string>& Names) {
        B->ClearPanels();
        B->ClearFiles();
        for (const std::string& N : Names)
            B->AddFile(N);
        B->Rebuild();
    };
    auto All = [](const std::vector<std::string>& Names, auto Test) {
        return std::all_of(Names.begin(), Names.end(), Test);
    };
    Reads = 0;
    Fill(Throwing);
    ASSERT_TRUE(PumpUntil([&] { return All(Throwing, [&](const std::string& N) { return B->HasFailed(N); }); }, 20000,
                          "the throwing files to be given up"));
    EXPECT_EQ(Reads.load(), 3);
    // The same loader makes the next thumbnails; the failed files are read once more.
    TThumbnailLoader* Loader = B->GetLoader();
    std::vector<std::string> Mixed = Throwing;
    Mixed.insert(Mixed.begin() + 1, Good.begin(), Good.end());
    Fill(Mixed);
    ASSERT_TRUE(PumpUntil([&] {
        return All(Good, [&](const std::string& N) { return B->HasThumbnail(N); }) &&
               All(Throwing, [&](const std::string& N) { return B->HasFailed(N); });
    }, 20000, "the good thumbnails and the throwing files given up again"));
    EXPECT_EQ(Reads.load(), 6);
    EXPECT_EQ(B->GetLoader(), Loader);
    EXPECT_FALSE(Loader->GetFinished());
}

TEST_F(LibraryTest, ClosingWhileTheListOrTheThumbnailsLoadStopsTheThreadsAndLeavesNone)
{
    for (int I = 0; I < 20000; ++I)
        Record(Temp.File("many" + std::to_string(I) + ".png"));
    auto Library = [] {
        const TComponentPtr<TImageLibraryForm> F(new TImageLibraryForm(nullptr));
        F->ShowModal();
    };
    int32_t Before = 0;
    {
        // The window opens while the test holds the library's lock, so the loader waits for it
        // before its first batch. A pump serves the loader's steps for as long as the next one
        // is handed in before the last has run, which on a busy machine can be the whole list:
        // exactly one batch goes over, then the window closes while the loader hands in the
        // next one (or waits for the lock to copy it).
        TThreadList& Lock = ImageLibrary->GetList();
        int32_t RowsShown = 0;
        int32_t RowsAtClose = 0;
        TModalAnswerer<TImageLibraryForm> Close([&](TImageLibraryForm* F) {
            const bool SetUp = PumpUntil(
                [&] { return F->StatusBar->GetPanels()->GetItem(1)->GetText() == "Loading"; }, 60000, "the loader set up");
            Lock.UnlockList();
            if (SetUp && HandedIn()) {
                Lock.LockList();
                CheckSynchronize();
                RowsShown = F->ImageLibListView->GetItems()->GetCount();
                Lock.UnlockList();
            }
            F->Close();
            RowsAtClose = F->ImageLibListView->GetItems()->GetCount();
        });
        auto LibraryWhileLoading = [&] {
            Lock.LockList();
            Library();
        };
        LibraryWhileLoading(); // what the first opening makes stays for the run
        EndParkedThreads();
        Before = ThreadsOfThisProcess();
        LibraryWhileLoading();
        EXPECT_GE(RowsShown, 100);
        EXPECT_EQ(RowsAtClose, RowsShown);
        EndParkedThreads();
        EXPECT_EQ(ThreadsOfThisProcess(), Before);
    }

    // The thumbnails of large pictures still loading.
    delete ImageLibrary;
    ImageLibrary = new TImageLibrary();
    for (int I = 0; I < 12; ++I)
        Record(WritePicture<TJpegGraphic>(Temp.File("big" + std::to_string(I) + ".jpg"), 1600, 1200, 0x808080));
    bool Busy = false;
    TModalAnswerer<TImageLibraryForm> Preview([&](TImageLibraryForm* F) {
        PumpUntil([&] { return !F->Loading; }, 20000, "the list");
        F->PreviewAction->Execute();
        PumpUntil([&] { return F->JpegBrowser->GetLoader() != nullptr; }, 20000, "the loader");
        Busy = F->JpegBrowser->GetThumbnailsMade() < 12;
        F->Close();
    });
    Library();
    EXPECT_TRUE(Busy);
    EndParkedThreads();
    EXPECT_EQ(ThreadsOfThisProcess(), Before);

    // Help, and the hint in status panel 2 while the window is open.
    DialogTest::TSeamLog Log;
    int MainWindowHints = 0;
    AppUI()->OnHint = [&](TObject*) { ++MainWindowHints; };
    Open();
    Form->HelpButton->Click();
    EXPECT_NE(Log.Text().find("zq.chm::/User interface - Library Window.htm"), std::string::npos) << Log.Text();
    AppUI()->SetHint("Delete selected image(s)");
    EXPECT_EQ(Panel(2), "Delete selected image(s)");
    EXPECT_EQ(MainWindowHints, 0);
    Form->Close();
    AppUI()->SetHint("the main window's again");
    EXPECT_EQ(MainWindowHints, 1);
    AppUI()->OnHint = nullptr;
}

TEST_F(LibraryTest, OpeningAndClosingTenTimesLeavesNoGdiObjectsAndLittleMemory)
{
    for (int I = 0; I < 5; ++I)
        Record(WritePicture<TJpegGraphic>(Temp.File("m" + std::to_string(I) + ".jpg"), 64, 48));
    Files(20, "x", ".png");
    TModalAnswerer<TImageLibraryForm> Close([](TImageLibraryForm* F) {
        PumpUntil([&] { return !F->Loading; }, 20000, "the list");
        F->Close();
    });
    auto Library = [] {
        const TComponentPtr<TImageLibraryForm> F(new TImageLibraryForm(nullptr));
        F->ShowModal();
    };
    Library();
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    const int64_t Gdi = Probe.GdiObjects();
    const int64_t Bytes = TestSupport::TResourceProbe::BytesInUse();
    for (int I = 0; I < 10; ++I)
        Library();
    EXPECT_EQ(Close.Count(), 11);
    EXPECT_EQ(Probe.GdiObjects(), Gdi);
    EXPECT_LT(TestSupport::TResourceProbe::BytesInUse() - Bytes, 2 << 20);
}
