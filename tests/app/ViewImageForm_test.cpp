// The picture viewer: opening and stepping, the ways it closes, zoom with its cap, quarter turns,
// the slide show, unreadable files, its context menu and toolbar rows, the main window's double
// click and Enter, and what opening and closing it costs.

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/ImageLibraryForm.h"
#include "app/MainActions.h"
#include "app/MainForm.h"
#include "app/ViewImageForm.h"
#include "app/ViewerCommandBars.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/model/cbPopupMenuLinks.h"
#include "engine/Task.h"
#include "imagelib/ImgScroll.h"
#include "imagelib/JpegGraphic.h"
#include "imagelib/PngGraphic.h"
#include "platform/rtl/StringList.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/Menus.h"
#include "platform/win/Timer.h"
#include "platform/win/ToolBar.h"
#include "tests/app/MainFormFixture.h"
#include "tests/app/PictureTestFiles.h"
#include "tests/support/ResourceProbe.h"
#include "tests/support/NoClippedText.h"

using namespace PictureTest;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;
using TestSupport::TDialogAnswerer;

namespace {

class ViewerTest : public testing::Test {
protected:
    void TearDown() override { Form.reset(); }

    // The files, and the viewer shown (not modally) on entry Index.
    TViewImageForm* Open(const std::vector<std::string>& Files, int32_t Index)
    {
        List.Clear();
        for (const std::string& F : Files)
            List.Add(F);
        Form.reset(new TViewImageForm(nullptr));
        Form->FileName = List.GetStrings(Index);
        Form->ShowCurrent();
        Form->FileList = &List;
        Form->FileIndex = Index;
        Form->Show();
        PumpFor(30);
        return Form.get();
    }
    void Do(uint16_t Id) { Command(Form->GetHandle(), Id); }
    TDibGraphic* Graphic() const { return Graphic(Form.get()); }
    static TDibGraphic* Graphic(TViewImageForm* F) { return F->ImageScrollBox->GetGraphic(); }
    static TToolButton* ButtonOf(TViewImageForm* F, TAction* A)
    {
        for (int32_t I = 0; I < F->ToolBar->GetButtonCount(); ++I)
            if (F->ToolBar->GetButtons(I)->GetAction() == A)
                return F->ToolBar->GetButtons(I);
        return nullptr;
    }

    TestSupport::TTempFolder Temp;
    TStringList List;
    TComponentPtr<TViewImageForm> Form;
};

// A double click at the middle of a control, sent to the window it is drawn on.
void DoubleClickOn(TControl* C)
{
    TWinControl* Host = C->HasHandle() ? static_cast<TWinControl*>(C) : C->GetParent();
    const TRect R = C->HasHandle() ? C->GetClientRect() : C->GetBoundsRect();
    const LPARAM At = MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
    SendMessageA(Host->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Host->GetHandle(), WM_LBUTTONUP, 0, At);
    SendMessageA(Host->GetHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, At);
    SendMessageA(Host->GetHandle(), WM_LBUTTONUP, 0, At);
}

} // namespace

TEST_F(ViewerTest, OpensOnItsFileStepsWithoutWrapAndEveryWayOfClosingFreesIt)
{
    const std::vector<std::string> Files = {WritePicture<TJpegGraphic>(Temp.File("a.jpg"), 400, 200, 0x2080E0, 8),
                                            WritePicture<TPngGraphic>(Temp.File("b.png"), 120, 90, 0x30C040),
                                            WriteGif(Temp.File("c.gif"), 37, 23)};
    for (const std::string& F : Files)
        List.Add(F);
    TViewImageForm* Seen = nullptr;
    int Step = 0;
    TModalAnswerer<TViewImageForm> Drive(
        [&](TViewImageForm* F) {
            Seen = F;
            switch (Step++) {
            case 0: {
                EXPECT_EQ(F->FileIndex, 1);
                EXPECT_EQ(F->FileName, Files[1]);
                EXPECT_EQ(Graphic(F)->GetWidth(), 120);
                HWND W = F->GetHandle();
                EXPECT_TRUE(GetWindowLongA(W, GWL_STYLE) & WS_POPUP);
                EXPECT_FALSE(GetWindowLongA(W, GWL_STYLE) & WS_CAPTION);
                EXPECT_TRUE(IsZoomed(W));
                EXPECT_EQ(F->GetColor(), clBlack);
                Command(W, vaNext);
                Command(W, vaNext);
                EXPECT_EQ(F->FileIndex, 2);
                EXPECT_TRUE(F->GifImage->GetVisible());
                EXPECT_FALSE(F->ImageScrollBox->GetVisible());
                TGraphic* Frame = F->GifImage->GetPicture()->GetGraphic();
                ASSERT_NE(Frame, nullptr);
                EXPECT_EQ(Frame->GetWidth(), 37);
                EXPECT_EQ(Frame->GetHeight(), 23);
                Shoot(W, "viewer-gif");
                for (int I = 0; I < 3; ++I)
                    Command(W, vaPrev);
                EXPECT_EQ(F->FileIndex, 0);
                EXPECT_EQ(F->FileName, Files[0]);
                EXPECT_TRUE(F->ImageScrollBox->GetVisible());
                EXPECT_EQ(Graphic(F)->GetWidth(), 400);
                Shoot(W, "viewer-jpeg");
                Command(W, vaClose);
                break;
            }
            case 1: DoubleClickOn(F->ImageScrollBox->GetImage()); break;
            case 2: DoubleClickOn(F->GifImage); break;
            default: ButtonOf(F, F->CloseAction)->Click(); break;
            }
        });
    for (int32_t Start : {1, 0, 2, 0}) {
        Seen = nullptr;
        ShowImageViewer(&List, Start);
        ASSERT_NE(Seen, nullptr) << "opening " << Start;
        EXPECT_FALSE(AppUI()->HasForm(Seen)) << "opening " << Start;
    }
    EXPECT_EQ(Step, 4);
}

TEST_F(ViewerTest, ZoomStepsByTenStopsAtThirtyAndAtItsCap)
{
    Open({WritePicture<TJpegGraphic>(Temp.File("wide.jpg"), 2000, 1000)}, 0);
    Do(vaZoomIn);
    EXPECT_EQ(Form->ImageScrollBox->GetZoomMode(), zmPercent);
    EXPECT_EQ(Form->ImageScrollBox->GetZoomPercent(), 110.0f);
    std::vector<int32_t> Steps;
    for (int I = 0; I < 10; ++I) {
        Do(vaZoomOut);
        Steps.push_back(static_cast<int32_t>(Form->ImageScrollBox->GetZoomPercent()));
    }
    EXPECT_EQ(Steps, (std::vector<int32_t>{100, 90, 80, 70, 60, 50, 40, 30, 30, 30}));
    // Typed keys zoom too.
    for (char C : {'+', '=', '-'})
        SendMessageA(Form->GetHandle(), WM_CHAR, static_cast<WPARAM>(C), 0);
    EXPECT_EQ(Form->ZoomStep, 40);
    EXPECT_EQ(Form->ImageScrollBox->GetZoomPercent(), 40.0f);

    // Original Size and back to the fitted picture.
    Do(vaOrgSize);
    EXPECT_EQ(Form->ImageScrollBox->GetZoomMode(), zmOriginalSize);
    EXPECT_TRUE(Form->ImageScrollBox->GetHorzScrollBar()->IsScrollBarVisible());
    EXPECT_TRUE(Form->ImageScrollBox->GetVertScrollBar()->IsScrollBarVisible());
    Do(vaOrgSize);
    EXPECT_EQ(Form->ImageScrollBox->GetZoomMode(), zmFitToPage);
    EXPECT_FALSE(Form->ImageScrollBox->GetHorzScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(Form->ImageScrollBox->GetVertScrollBar()->IsScrollBarVisible());

    // The cap: the step for a small picture, the display size for a large one.
    TDialogAnswerer Any("", IDOK);
    // Each step builds the whole display picture: the tests start near the cap.
    Open({WritePicture<TJpegGraphic>(Temp.File("small.jpg"), 100, 100)}, 0);
    Form->ZoomStep = 1580;
    for (int I = 0; I < 4; ++I)
        Do(vaZoomIn);
    EXPECT_EQ(Form->ZoomStep, kMaxZoomStep);
    EXPECT_EQ(Form->ImageScrollBox->GetZoomPercent(), 1600.0f);
    Open({WritePicture<TJpegGraphic>(Temp.File("large.jpg"), 4000, 3000)}, 0);
    Form->ZoomStep = 150;
    for (int I = 0; I < 3; ++I)
        Do(vaZoomIn);
    // 170 % would be 6800 x 5100 = 34,680,000 pixels.
    EXPECT_EQ(Form->ZoomStep, 160);
    EXPECT_EQ(Form->ImageScrollBox->GetZoomPercent(), 160.0f);
    EXPECT_EQ(Form->ImageScrollBox->GetDisplayGraphic()->GetWidth(), 6400);
    EXPECT_EQ(Any.AnsweredCount(), 0) << Any.Text();
}

TEST_F(ViewerTest, QuarterTurnsMovePixelsAndEmptyPicturesAreLeftAlone)
{
    Open({WritePicture<TJpegGraphic>(Temp.File("a.jpg"), 400, 200, 0x2080E0, 8)}, 0);
    TDibGraphic Before;
    Before.Assign(Graphic());
    Do(vaTurnRight);
    ASSERT_EQ(Graphic()->GetWidth(), 200);
    ASSERT_EQ(Graphic()->GetHeight(), 400);
    EXPECT_EQ(Graphic()->GetPixelColor(199, 0), Before.GetPixelColor(0, 0));
    EXPECT_EQ(Graphic()->GetPixelColor(199, 399), Before.GetPixelColor(399, 0));
    Do(vaTurnLeft);
    ASSERT_EQ(Graphic()->GetWidth(), 400);
    for (int32_t Y = 0; Y < 200; ++Y)
        ASSERT_EQ(std::memcmp(Graphic()->ScanLine(Y), Before.ScanLine(Y), 400 * 3), 0) << "row " << Y;
    EXPECT_TRUE(Form->RotateBuffer->GetEmpty()); // the copy is dropped once turned

    // A GIF first, then a file that cannot be read: nothing to turn, and no box for it.
    WriteBytes(Temp.File("bad.jpg"), 3000);
    Open({WriteGif(Temp.File("g.gif"), 30, 20), Temp.File("bad.jpg")}, 0);
    TestSupport::TExceptionCapture Errors;
    TDialogAnswerer Any("", IDOK);
    Do(vaTurnRight);
    EXPECT_TRUE(Graphic()->GetEmpty());
    Do(vaNext);
    EXPECT_EQ(Errors.Count(), 1u); // the load
    Do(vaTurnLeft);
    Do(vaTurnRight);
    EXPECT_TRUE(Graphic()->GetEmpty());
    EXPECT_EQ(Errors.Count(), 1u);
    EXPECT_EQ(Any.AnsweredCount(), 0) << Any.Text();
}

TEST_F(ViewerTest, SlideShowStepsOnTicksToTheEndAndItsControlsFollowTheAction)
{
    std::vector<std::string> Files;
    for (const char* N : {"1.jpg", "2.jpg", "3.jpg"})
        Files.push_back(WritePicture<TJpegGraphic>(Temp.File(N), 64, 48));
    Open(Files, 0);
    TToolButton* Button = ButtonOf(Form.get(), Form->SlideShowAction);
    ASSERT_NE(Button, nullptr);
    auto* MenuSlideShow = dynamic_cast<TcbBarButton*>(Form->GetCommandBars()->GetPopupMenu()->GetItemLinks()->GetItem(0)->GetItem());
    ASSERT_NE(MenuSlideShow, nullptr);
    EXPECT_EQ(MenuSlideShow->GetAction(), Form->SlideShowAction);
    auto MenuChecked = [&] { return MenuSlideShow->GetDown(); };

    Form->SecEdit->SetText("1");
    Do(vaSlideShow);
    EXPECT_TRUE(Form->Timer->GetEnabled());
    EXPECT_EQ(Form->Timer->GetInterval(), 1000u);
    EXPECT_TRUE(Form->SlideShowAction->GetChecked());
    EXPECT_TRUE(Button->GetDown());
    EXPECT_TRUE(MenuChecked());
    std::vector<int32_t> Seen;
    for (int I = 0; I < 3; ++I) {
        Form->TimerTimer(Form->Timer);
        Seen.push_back(Form->FileIndex);
    }
    EXPECT_EQ(Seen, (std::vector<int32_t>{1, 2, 2}));
    EXPECT_EQ(Form->FileName, Files[2]);
    EXPECT_TRUE(Form->Timer->GetEnabled()); // at the end it keeps running
    Do(vaSlideShow);
    EXPECT_FALSE(Form->Timer->GetEnabled());
    EXPECT_FALSE(Button->GetDown());
    EXPECT_FALSE(MenuChecked());
    // The toolbar's check button runs the show once per click.
    Button->SetDown(true);
    Button->Click();
    EXPECT_TRUE(Form->Timer->GetEnabled());
    EXPECT_TRUE(Form->SlideShowAction->GetChecked());
    Button->SetDown(false);
    Button->Click();
    EXPECT_FALSE(Form->Timer->GetEnabled());
    // No delay below one second.
    Form->SecEdit->SetText("0");
    Do(vaSlideShow);
    EXPECT_EQ(Form->Timer->GetInterval(), 1000u);
    Do(vaSlideShow);

    // The real timer reaches the last file.
    Open(Files, 0);
    Form->SecEdit->SetText("1");
    Do(vaSlideShow);
    EXPECT_TRUE(PumpUntil([&] { return Form->FileIndex == 2; }, 20000, "the slide show at the last file"));
    EXPECT_FALSE(Graphic()->GetEmpty());
}

TEST_F(ViewerTest, UnreadableFilesShowOneErrorBoxEachAndNeverTwoAtOnce)
{
    WriteBytes(Temp.File("bad0.jpg"), 3000, 1);
    WriteBytes(Temp.File("bad2.jpg"), 3000, 2);
    WriteBytes(Temp.File("bad3.jpg"), 3000, 3);
    const std::vector<std::string> Files = {Temp.File("bad0.jpg"), WritePicture<TJpegGraphic>(Temp.File("ok1.jpg"), 64, 48),
                                            Temp.File("bad2.jpg"), Temp.File("bad3.jpg")};
    TestSupport::TNoExceptionHandler StandardBox;
    {
        TBoxAnswerer Error;
        Open(Files, 0);
        ASSERT_EQ(Error.Count(), 1);
        EXPECT_EQ(Error.Last().substr(0, 6), "Error\n");
    }
    EXPECT_TRUE(IsWindowVisible(Form->GetHandle()));
    EXPECT_TRUE(Graphic()->GetEmpty());
    Do(vaNext);
    EXPECT_EQ(Form->FileIndex, 1);
    EXPECT_FALSE(Graphic()->GetEmpty());

    // The show at one second over the two bad files: each box is held open for two ticks.
    int Ticks = 0;
    const TNotifyEvent Tick = Form->Timer->GetOnTimer();
    Form->Timer->SetOnTimer([&](TObject* S) {
        ++Ticks;
        Tick(S);
    });
    size_t MostBoxes = 0;
    int TicksAtBox = -1, IndexAtBox = -1;
    bool IndexMoved = false;
    TBoxAnswerer Errors("", IDOK, [&] {
        size_t Boxes = 0;
        for (HWND W : TestSupport::VisibleThreadWindows()) {
            char Class[16] = {};
            GetClassNameA(W, Class, sizeof(Class));
            Boxes += std::string(Class) == "#32770";
        }
        MostBoxes = std::max(MostBoxes, Boxes);
        if (TicksAtBox < 0) {
            TicksAtBox = Ticks;
            IndexAtBox = Form->FileIndex;
        }
        IndexMoved = IndexMoved || Form->FileIndex != IndexAtBox;
        if (Ticks < TicksAtBox + 2)
            return false;
        TicksAtBox = -1;
        return true;
    });
    Form->SecEdit->SetText("1");
    Do(vaSlideShow);
    EXPECT_TRUE(PumpUntil([&] { return Errors.Count() == 2; }, 30000, "both boxes answered"));
    EXPECT_EQ(Form->FileIndex, 3);
    EXPECT_EQ(MostBoxes, 1u);
    EXPECT_FALSE(IndexMoved);
    EXPECT_EQ(Errors.Last().substr(0, 6), "Error\n");
    Do(vaSlideShow);
}

TEST_F(ViewerTest, ContextMenuAndToolbarRowsHoldTheCommandsInOrder)
{
    Open({WritePicture<TJpegGraphic>(Temp.File("a.jpg"), 64, 48)}, 0);
    TcbBarPopupMenu* Menu = Form->GetCommandBars()->GetPopupMenu();
    // The menu serves the picture through the viewer's bar manager.
    TcbBarPopupMenuLinks* MenuLinks = Form->GetCommandBars()->GetBarManager()->GetPopupMenuLinks();
    ASSERT_EQ(MenuLinks->GetCount(), 1);
    EXPECT_EQ(MenuLinks->GetItem(0)->GetControl(), Form->ImageScrollBox);
    EXPECT_EQ(MenuLinks->GetItem(0)->GetPopupMenu(), Menu);
    EXPECT_TRUE(MenuLinks->GetItem(0)->GetProcessChildren());
    EXPECT_EQ(Form->ImageScrollBox->GetPopupMenu(), nullptr);
    std::vector<std::string> Items;
    for (int32_t I = 0; I < Menu->GetItemLinks()->GetCount(); ++I) {
        TcbBarItemLink* Link = Menu->GetItemLinks()->GetItem(I);
        if (Link->GetBeginGroup() && I > 0)
            Items.push_back("-");
        const uint16_t Key = Link->GetItem()->GetShortCut();
        Items.push_back(Link->GetCaption() + (Key ? "\t" + ShortCutToText(Key) : std::string()));
    }
    EXPECT_EQ(Items, (std::vector<std::string>{"Slide Show", "-", "Prev\tPgUp", "Next\tPgDn", "-",
                                               "Original Size\tCtrl+Z", "Zoom In\tCtrl+J", "Zoom Out\tCtrl+K", "-",
                                               "Turn Left\tCtrl+I", "Turn Right\tCtrl+O", "-", "Close\tEsc"}));

    EXPECT_EQ(Form->ToolBar->GetRowCount(), 2);
    const TRect Slide = ButtonOf(Form.get(), Form->SlideShowAction)->GetBoundsRect();
    const TRect Prev = ButtonOf(Form.get(), Form->PrevAction)->GetBoundsRect();
    const TRect Next = ButtonOf(Form.get(), Form->NextAction)->GetBoundsRect();
    const TRect Org = ButtonOf(Form.get(), Form->OrgSizeAction)->GetBoundsRect();
    const TRect Close = ButtonOf(Form.get(), Form->CloseAction)->GetBoundsRect();
    const TRect Delay = Form->DelayPanel->GetBoundsRect();
    EXPECT_GE(Org.top, Slide.bottom);
    EXPECT_EQ(Close.top, Org.top);
    EXPECT_EQ(Prev.top, Slide.top);
    EXPECT_EQ(Next.top, Slide.top);
    EXPECT_GE(Delay.left, Slide.right);
    EXPECT_LE(Delay.right, Prev.left);
    EXPECT_LT(Delay.top, Slide.bottom);
    EXPECT_EQ(Form->DelayLabel->GetCaption(), "Delay:");
    EXPECT_EQ(Form->SecEdit->GetText(), "3");
    EXPECT_EQ(Form->SecLabel->GetCaption(), "Sec.");
    EXPECT_EQ(Form->SecUpDown->GetMin(), 1);
    EXPECT_EQ(Form->SecUpDown->GetMax(), 100);
    TestSupport::ExpectNoClippedText(Form.get());
}

class MainImagesViewerTest : public MainFormTest::MainFormFixture {};

TEST_F(MainImagesViewerTest, DoubleClickAndEnterOnARowOpenTheViewerOnIt)
{
    const std::string Folder = Downloads + "T\\", Saved = Folder + "Saved\\";
    CreateDirectoryA(Folder.c_str(), nullptr);
    CreateDirectoryA(Saved.c_str(), nullptr);
    for (const char* N : {"a.jpg", "b.jpg", "c.jpg"})
        WritePicture<TJpegGraphic>(Saved + N, 40, 30);
    TTask T;
    T.SetName("T");
    T.SetStartURL("http://127.0.0.1:9/index.html");
    T.SetID("{viewer-task}");
    T.GetOptions()->SetDefaultFolder(Folder);
    T.SaveToFile(Projects + "T.wrp");
    MakeForm();
    Select(NodeOfPath(Projects + "T.wrp"));
    TListItems* Rows = Form->ImagesListView->GetItems();
    ASSERT_EQ(Rows->GetCount(), 3);
    std::vector<std::string> Expected;
    for (int32_t I = 0; I < 3; ++I)
        Expected.push_back(TMainForm::ImageRowPath(Rows->GetItem(I)));
    Form->ImagesListView->SetSelected(Rows->GetItem(1));

    std::vector<std::vector<std::string>> Lists;
    std::vector<int32_t> Indexes;
    TModalAnswerer<TViewImageForm> Note(
        [&](TViewImageForm* F) {
            std::vector<std::string> L;
            for (int32_t I = 0; I < F->FileList->GetCount(); ++I)
                L.push_back(F->FileList->GetStrings(I));
            Lists.push_back(L);
            Indexes.push_back(F->FileIndex);
            EXPECT_EQ(F->FileName, Expected[1]);
            F->Close();
        });
    RECT R{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(Form->ImagesListView->GetHandle(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&R));
    const LPARAM At = MAKELPARAM(R.left + 8, (R.top + R.bottom) / 2);
    SendMessageA(Form->ImagesListView->GetHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, At);
    SendMessageA(Form->ImagesListView->GetHandle(), WM_LBUTTONUP, 0, At);
    SendMessageA(Form->ImagesListView->GetHandle(), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(Lists.size(), 2u);
    for (size_t I = 0; I < 2; ++I) {
        EXPECT_EQ(Lists[I], Expected);
        EXPECT_EQ(Indexes[I], 1);
    }
}

TEST_F(MainImagesViewerTest, LibraryCommandOpensTheLibraryWindowModallyAndFreesIt)
{
    MakeForm();
    EXPECT_TRUE(Enabled(maImageLibrary));
    EXPECT_EQ(Form->Actions->ImageBuildInAction->GetHint(), "Build-in|Add the listed pictures to the images library");
    TImageLibraryForm* Seen = nullptr;
    TModalAnswerer<TImageLibraryForm> Close([&](TImageLibraryForm* F) {
        Seen = F;
        EXPECT_EQ(F->GetCaption(), "Library");
        PumpUntil([&] { return !F->Loading; }, 20000, "the list");
        F->Close();
    });
    Command(maImageLibrary);
    ASSERT_NE(Seen, nullptr);
    EXPECT_FALSE(AppUI()->HasForm(Seen));
    EXPECT_TRUE(Enabled(maImageLibrary));
}

TEST_F(ViewerTest, OpeningAndClosingTwentyTimesLeavesNoGdiObjectsAndLittleMemory)
{
    List.Add(WritePicture<TJpegGraphic>(Temp.File("a.jpg"), 640, 480, 0x808080));
    TModalAnswerer<TViewImageForm> Close([](TViewImageForm* F) { Command(F->GetHandle(), vaClose); });
    ShowImageViewer(&List, 0); // the first opening makes what stays for the run
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    const int64_t Gdi = Probe.GdiObjects();
    const int64_t Bytes = TestSupport::TResourceProbe::BytesInUse();
    for (int I = 0; I < 20; ++I)
        ShowImageViewer(&List, 0);
    EXPECT_EQ(Close.Count(), 21);
    EXPECT_EQ(Probe.GdiObjects(), Gdi);
    EXPECT_LT(TestSupport::TResourceProbe::BytesInUse() - Bytes, 2 << 20);
}
