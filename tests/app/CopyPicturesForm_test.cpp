// The collect tool on the main window's images list: the rows and their sizes from the images
// library (loaded on a thread), the selection rules, the copy thread with the overwrite question,
// failures, Cancel in the middle of a copy, and the folder, help and progress details.

#include <optional>
#include <set>

#include "app/ConfirmOverwriteForm.h"
#include "app/CopyPicturesForm.h"
#include "app/MainActions.h"
#include "engine/ImagesLibrary.h"
#include "imagelib/ImgScroll.h"
#include "imagelib/JpegGraphic.h"
#include "imagelib/PngGraphic.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/ListView.h"
#include "platform/win/Locks.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/app/SavedPictures.h"
#include "tests/support/NoClippedText.h"

using namespace MainFormTest;
using namespace SavedPictures;
using TestSupport::ExpectNoClippedText;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;
using TestSupport::TDialogAnswerer;

namespace {

class CollectTest : public SavedTaskFixture {
protected:
    // Opens the tool on the task through its command; Act drives it while it is up and leaves it
    // closed. False when the tool never came.
    bool Collect(const std::function<void(TCopyPicturesForm*)>& Act)
    {
        TFormAnswerer Tool("Collect images", [&](TCustomForm* F) {
            auto* C = static_cast<TCopyPicturesForm*>(F);
            Act(C);
            if (C->IsModal() && C->GetModalResult() == mrNone)
                Press(C->CloseButton);
        });
        Command(maImageCollect);
        return Tool.Count() == 1;
    }
    static bool WaitLoaded(TCopyPicturesForm* F)
    {
        return PumpUntil([F] { return F->Loaded; }, 20000, "the sizes to load");
    }
    // Copy pressed; returns once the copy thread has ended (its end handled).
    static void CopyAndWait(TCopyPicturesForm* F)
    {
        Press(F->CopyButton);
        PumpUntil([F] { return !F->CopyThread; }, 20000, "the copy to end");
    }
    static std::set<std::string> Checked(TCopyPicturesForm* F)
    {
        std::set<std::string> S;
        TListItems* Rows = F->ImagesListView->GetItems();
        for (int32_t I = 0; I < Rows->GetCount(); ++I)
            if (Rows->GetItem(I)->GetChecked())
                S.insert(Rows->GetItem(I)->GetCaption());
        return S;
    }
    static TListItem* RowOf(TCopyPicturesForm* F, const std::string& Caption)
    {
        TListItems* Rows = F->ImagesListView->GetItems();
        for (int32_t I = 0; I < Rows->GetCount(); ++I)
            if (Rows->GetItem(I)->GetCaption() == Caption)
                return Rows->GetItem(I);
        return nullptr;
    }
    // How many of Copy, Select and Unselect are enabled.
    static int RowButtonsOn(TCopyPicturesForm* F)
    {
        return F->CopyButton->GetEnabled() + F->SelectButton->GetEnabled() + F->UnselectButton->GetEnabled();
    }
    std::string MakeFolder(const std::string& Name)
    {
        const std::string F = Temp.Path() + Name + "\\";
        CreateDirectoryA(F.c_str(), nullptr);
        return F;
    }
};

} // namespace

TEST_F(CollectTest, RowsAndSizesComeFromTheListAndTheLibraryOnceItsLockIsFree)
{
    WritePicture<TJpegGraphic>(Saved + "p1.jpg", 64, 48);
    WritePicture<TJpegGraphic>(Saved + "p2.jpg", 300, 200);
    WriteBytes(Saved + "p3.jpg", 5 * 1024 + 100);
    CreateDirectoryA((Saved + "sub").c_str(), nullptr);
    WritePicture<TJpegGraphic>(Saved + "sub\\p4.jpg", 20, 30);
    WriteBytes(Saved + "p5.jpg", 2048);
    WriteBytes(Saved + "p6.jpg", 10);
    Show();
    ASSERT_EQ(Rows()->GetCount(), 6);
    for (const char* N : {"p1.jpg", "p2.jpg", "sub\\p4.jpg"})
        ASSERT_TRUE(ImageLibrary->AddImage(Saved + N));
    // A task folder of 40 characters: its label keeps the first 30 and "...\Saved\".
    const std::string Forty = "C:\\" + std::string(36, 'f') + "\\";
    ASSERT_EQ(Forty.size(), 40u);
    TTask* T = Form->TaskOfNode(NodeOfPath(Projects + "T.wrp"));
    ASSERT_NE(T, nullptr);
    const std::string RealFolder = T->GetOptions()->GetDefaultFolder();
    T->GetOptions()->SetDefaultFolder(Forty);

    std::optional<TThreadListGuard> Lock;
    Lock.emplace(ImageLibrary->GetList());
    ASSERT_TRUE(Collect([&](TCopyPicturesForm* F) {
        ExpectNoClippedText(F);
        EXPECT_EQ(F->SourceLabel->GetCaption(), Forty.substr(0, 30) + "...\\Saved\\");
        TListItems* R = F->ImagesListView->GetItems();
        ASSERT_EQ(R->GetCount(), 6);
        for (int32_t I = 0; I < 6; ++I) {
            TListItem* Mine = R->GetItem(I);
            TListItem* Theirs = Rows()->GetItem(I);
            EXPECT_EQ(Mine->GetCaption(), Theirs->GetCaption());
            EXPECT_EQ(Mine->GetSubItems()->GetStrings(0), ".jpg");
            EXPECT_EQ(Mine->GetSubItems()->GetStrings(1), Theirs->GetSubItems()->GetStrings(1));
            EXPECT_EQ(TCopyPicturesForm::RowPath(Mine), TMainForm::ImageRowPath(Theirs));
            EXPECT_FALSE(Mine->GetChecked());
        }
        EXPECT_EQ(RowOf(F, "p3.jpg")->GetSubItems()->GetStrings(1), "5 KB");
        // Loading waits for the library: the buttons are off and their handlers refuse.
        PumpFor(200); // the load thread is held by the lock: nothing to wait on
        EXPECT_FALSE(F->Loaded);
        EXPECT_EQ(RowButtonsOn(F), 0);
        for (auto Click : {&TCopyPicturesForm::SelectButtonClick, &TCopyPicturesForm::CopyButtonClick}) {
            TDialogAnswerer Wait("Please waiting for the update !", IDOK);
            (F->*Click)(nullptr);
            EXPECT_EQ(Wait.AnsweredCount(), 1);
            EXPECT_EQ(Wait.Caption(), "Wait");
        }
        for (int32_t I = 0; I < 6; ++I)
            EXPECT_EQ(R->GetItem(I)->GetSubItems()->GetCount(), 2);
        Lock.reset();
        ASSERT_TRUE(WaitLoaded(F));
        EXPECT_EQ(RowButtonsOn(F), 3);
        EXPECT_EQ(F->StateLabel->GetCaption(), "");
        EXPECT_EQ(F->ProgressBar->GetPosition(), 0);
        EXPECT_EQ(F->ProgressBar->GetMax(), 5);
        auto Sizes = [&](const char* Name) {
            TListSubItems* S = RowOf(F, Name)->GetSubItems();
            return S->GetCount() == 4 ? S->GetStrings(2) + "x" + S->GetStrings(3) : std::to_string(S->GetCount());
        };
        EXPECT_EQ(Sizes("p1.jpg"), "64x48");
        EXPECT_EQ(Sizes("p2.jpg"), "300x200");
        EXPECT_EQ(Sizes("p4.jpg"), "20x30");
        for (const char* N : {"p3.jpg", "p5.jpg", "p6.jpg"})
            EXPECT_EQ(Sizes(N), "2") << N;
    }));
    T->GetOptions()->SetDefaultFolder(RealFolder);
}

TEST_F(CollectTest, SelectFollowsFormatsPixelAndFileSizeAndTheLimitBoxesSwitchTheirControls)
{
    WritePicture<TJpegGraphic>(Saved + "s300.jpg", 300, 300);
    WritePicture<TJpegGraphic>(Saved + "s299.jpg", 299, 400);
    WritePicture<TJpegGraphic>(Saved + "norec.jpg", 500, 500);
    WriteGif(Saved + "big.gif", 400, 400);
    WriteBytes(Saved + "k100.JPG", 100 * 1024);
    WriteBytes(Saved + "k99.jpg", 99 * 1024 + 1023);
    WriteBytes(Saved + "x.xyz", 200 * 1024);
    Show();
    for (const char* N : {"s300.jpg", "s299.jpg", "big.gif"})
        ASSERT_TRUE(ImageLibrary->AddImage(Saved + N));
    using S = std::set<std::string>;
    ASSERT_TRUE(Collect([&](TCopyPicturesForm* F) {
        ASSERT_TRUE(WaitLoaded(F));
        const std::vector<TControl*> SizeControls = {F->WidthLabel,  F->WidthEdit,  F->WidthUpDown,
                                                     F->WidthPixelsLabel, F->HeightLabel, F->HeightEdit,
                                                     F->HeightUpDown, F->HeightPixelsLabel};
        const std::vector<TControl*> FileControls = {F->FileSizeLabel, F->FileSizeEdit, F->FileSizeUpDown,
                                                     F->FileSizeKBLabel};
        auto All = [](const std::vector<TControl*>& V, bool Value) {
            for (TControl* C : V)
                if (C->GetEnabled() != Value)
                    return false;
            return true;
        };
        EXPECT_TRUE(All(SizeControls, false));
        EXPECT_TRUE(All(FileControls, false));

        // Every format box ticked, no limit: every known format, never ".xyz".
        Press(F->SelectButton);
        EXPECT_EQ(Checked(F), (S{"s300.jpg", "s299.jpg", "norec.jpg", "big.gif", "k100.JPG", "k99.jpg"}));
        Press(F->UnselectButton);
        EXPECT_TRUE(Checked(F).empty());

        Press(F->LimitImageSizeCheck);
        EXPECT_TRUE(All(SizeControls, true));
        EXPECT_TRUE(All(FileControls, false));
        Press(F->SelectButton);
        EXPECT_EQ(Checked(F), (S{"s300.jpg", "big.gif"}));
        Press(F->FormatChecks[0]); // ".gif" off
        ASSERT_EQ(F->FormatChecks[0]->GetCaption(), ".gif");
        Press(F->SelectButton);
        EXPECT_EQ(Checked(F), (S{"s300.jpg"}));
        F->WidthEdit->SetText("299");
        Press(F->SelectButton);
        EXPECT_EQ(Checked(F), (S{"s300.jpg", "s299.jpg"}));

        Press(F->LimitImageSizeCheck);
        Press(F->LimitFileSizeCheck);
        EXPECT_TRUE(All(SizeControls, false));
        EXPECT_TRUE(All(FileControls, true));
        EXPECT_EQ(F->FileSizeEdit->GetText(), "100");
        Press(F->SelectButton);
        EXPECT_EQ(Checked(F), (S{"k100.JPG"}));
        Press(F->LimitFileSizeCheck);
        EXPECT_TRUE(All(FileControls, false));

        Press(F->UnselectButton);
        TDialogAnswerer Error("select", IDOK);
        Press(F->CopyButton);
        EXPECT_EQ(Error.AnsweredCount(), 1);
        EXPECT_EQ(Error.Caption(), "Error");
        EXPECT_NE(Error.Text().find("Please choose images by click \"select\" button first !"), std::string::npos)
            << Error.Text();
        EXPECT_EQ(F->CopyThread, nullptr);
    }));
}

TEST_F(CollectTest, ClashesAskAndSkipRenameAndOverrideDoWhatTheySay)
{
    WritePicture<TJpegGraphic>(Saved + "x.jpg", 160, 120, 0x2080E0);
    WritePicture<TPngGraphic>(Saved + "y.png", 20, 10);
    WriteGif(Saved + "z.gif", 12, 12);
    const std::string Out = MakeFolder("out");
    WritePicture<TJpegGraphic>(Out + "x.jpg", 100, 150, 0xE08020);
    const std::string Before = ReadAll(Out + "x.jpg");
    const FILETIME BeforeTime = WriteTime(Out + "x.jpg");
    Show();
    for (const char* N : {"x.jpg", "y.png", "z.gif"})
        ImageLibrary->AddImage(Saved + N);
    ASSERT_TRUE(Collect([&](TCopyPicturesForm* F) {
        ASSERT_TRUE(WaitLoaded(F));
        F->DestFolder = Out;
        Press(F->SelectButton);
        ASSERT_EQ(Checked(F).size(), 3u);
        ExpectNoClippedText(F);
        EXPECT_GT(Shoot(F->GetHandle(), "collect-tool").CountOf(0x000000), 500u);

        // Skip: the target stays, the others are copied.
        {
            int SourceWidth = 0, DestWidth = 0;
            bool Busy = false;
            TFormAnswerer Ask("Override file", [&](TCustomForm* A) {
                auto* C = static_cast<TConfirmOverwriteForm*>(A);
                PumpFor(300); // the pictures finish drawing after the window: nothing exposed to wait on
                EXPECT_GT(Shoot(A->GetHandle(), "collect-overwrite-question").CountOf(0x000000), 100u);
                SourceWidth = C->SourceImageScrollBox->GetGraphic()->GetWidth();
                DestWidth = C->DestImageScrollBox->GetGraphic()->GetWidth();
                Busy = F->CloseButton->GetCaption() == "&Cancel" && RowButtonsOn(F) == 0;
                Press(C->SkipButton);
            });
            TDialogAnswerer Done("Selected images copied !", IDOK);
            CopyAndWait(F);
            EXPECT_EQ(Ask.Count(), 1);
            EXPECT_EQ(SourceWidth, 160);
            EXPECT_EQ(DestWidth, 100);
            EXPECT_TRUE(Busy);
            EXPECT_EQ(Done.AnsweredCount(), 1);
            EXPECT_EQ(Done.Caption(), "Information");
        }
        EXPECT_EQ(ReadAll(Out + "x.jpg"), Before);
        const FILETIME AfterTime = WriteTime(Out + "x.jpg");
        EXPECT_EQ(CompareFileTime(&BeforeTime, &AfterTime), 0);
        EXPECT_EQ(ReadAll(Out + "y.png"), ReadAll(Saved + "y.png"));
        EXPECT_EQ(ReadAll(Out + "z.gif"), ReadAll(Saved + "z.gif"));
        EXPECT_EQ(F->StateLabel->GetCaption(), "");
        EXPECT_EQ(F->CloseButton->GetCaption(), "&Close");
        EXPECT_EQ(RowButtonsOn(F), 3);

        // Rename without asking again: every clash gets a free name.
        {
            TFormAnswerer Ask("Override file", [&](TCustomForm* A) {
                auto* C = static_cast<TConfirmOverwriteForm*>(A);
                C->NoPromptCheck->SetChecked(true);
                Press(C->RenameButton);
            });
            TDialogAnswerer Done("Selected images copied !", IDOK);
            CopyAndWait(F);
            EXPECT_EQ(Ask.Count(), 1);
            EXPECT_EQ(Done.AnsweredCount(), 1);
        }
        EXPECT_EQ(ReadAll(Out + "x[0].jpg"), ReadAll(Saved + "x.jpg"));
        EXPECT_EQ(ReadAll(Out + "y[0].png"), ReadAll(Saved + "y.png"));
        EXPECT_EQ(ReadAll(Out + "z[0].gif"), ReadAll(Saved + "z.gif"));
        EXPECT_EQ(ReadAll(Out + "x.jpg"), Before);

        // Override: the target becomes its source.
        {
            TFormAnswerer Ask("Override file", [&](TCustomForm* A) {
                auto* C = static_cast<TConfirmOverwriteForm*>(A);
                C->NoPromptCheck->SetChecked(true);
                Press(C->OverrideButton);
            });
            TDialogAnswerer Done("Selected images copied !", IDOK);
            CopyAndWait(F);
            EXPECT_EQ(Ask.Count(), 1);
        }
        EXPECT_EQ(ReadAll(Out + "x.jpg"), ReadAll(Saved + "x.jpg"));
        EXPECT_EQ(CountFiles(Out), 6);
        EXPECT_EQ(CountFiles(Out, "*!!wr"), 0);
    }));
}

TEST_F(CollectTest, FailedCopiesAreCountedAndTheTasksOwnFolderIsLeftAlone)
{
    WritePicture<TJpegGraphic>(Saved + "a.jpg", 30, 30);
    WritePicture<TJpegGraphic>(Saved + "b.jpg", 31, 31);
    WritePicture<TJpegGraphic>(Saved + "c.jpg", 32, 32);
    const std::string Out = MakeFolder("held");
    WriteBytes(Out + "b.jpg", 500);
    Show();
    ASSERT_TRUE(Collect([&](TCopyPicturesForm* F) {
        ASSERT_TRUE(WaitLoaded(F));
        F->DestFolder = Out;
        Press(F->SelectButton);
        ASSERT_EQ(Checked(F).size(), 3u);
        // The source of a.jpg goes after the list was filled; the target b.jpg is held open.
        ASSERT_TRUE(DeleteFileA((Saved + "a.jpg").c_str()));
        HANDLE Held = CreateFileA((Out + "b.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(Held, INVALID_HANDLE_VALUE);
        {
            TFormAnswerer Ask("Override file", [](TCustomForm* A) {
                Press(static_cast<TConfirmOverwriteForm*>(A)->OverrideButton);
            });
            TDialogAnswerer Failed("could not be copied", IDOK);
            TDialogAnswerer Done("Selected images copied !", IDOK);
            CopyAndWait(F);
            PumpFor(100); // a second box would follow at once: nothing to wait on
            EXPECT_EQ(Ask.Count(), 1);
            EXPECT_EQ(Failed.AnsweredCount(), 1);
            EXPECT_EQ(Failed.Caption(), "Error");
            EXPECT_NE(Failed.Text().find("2 file(s) could not be copied !"), std::string::npos) << Failed.Text();
            EXPECT_EQ(Done.AnsweredCount(), 0);
        }
        CloseHandle(Held);
        EXPECT_EQ(ReadAll(Out + "c.jpg"), ReadAll(Saved + "c.jpg"));
        EXPECT_EQ(CountFiles(Out), 2);

        // Into the task's own folder with Override: nothing is copied onto itself.
        const std::string B = ReadAll(Saved + "b.jpg"), C = ReadAll(Saved + "c.jpg");
        F->DestFolder = Saved;
        {
            TFormAnswerer Ask("Override file", [](TCustomForm* A) {
                Press(static_cast<TConfirmOverwriteForm*>(A)->OverrideButton);
            });
            TDialogAnswerer Failed("could not be copied", IDOK);
            TDialogAnswerer Done("Selected images copied !", IDOK);
            CopyAndWait(F);
            EXPECT_EQ(Ask.Count(), 0);
            EXPECT_EQ(Failed.AnsweredCount(), 0);
            EXPECT_EQ(Done.AnsweredCount(), 1);
        }
        EXPECT_EQ(ReadAll(Saved + "b.jpg"), B);
        EXPECT_EQ(ReadAll(Saved + "c.jpg"), C);
        EXPECT_EQ(CountFiles(Saved), 2);

        // Rename onto a free name whose source has gone: no partial file stays behind.
        F->DestFolder = Out;
        ASSERT_TRUE(DeleteFileA((Saved + "c.jpg").c_str()));
        {
            TFormAnswerer Ask("Override file", [](TCustomForm* A) {
                auto* C = static_cast<TConfirmOverwriteForm*>(A);
                C->NoPromptCheck->SetChecked(true);
                Press(C->RenameButton);
            });
            TDialogAnswerer Failed("could not be copied", IDOK);
            CopyAndWait(F);
            EXPECT_NE(Failed.Text().find("2 file(s) could not be copied !"), std::string::npos) << Failed.Text();
        }
        EXPECT_EQ(ReadAll(Out + "b[0].jpg"), B);
        EXPECT_FALSE(FileExistsA(Out + "c[0].jpg"));
        EXPECT_EQ(CountFiles(Out, "*!!wr"), 0);
    }));
}

TEST_F(CollectTest, CancelInTheMiddleStopsTheCopyBeforeTheWindowCloses)
{
    for (int I = 0; I < 40; ++I)
        WriteBytes(Saved + Format("f%02d.jpg", I), 40 * 1024, static_cast<uint8_t>(I));
    const std::string Out = MakeFolder("cancelled");
    Show();
    bool StoppedAtClose = false;
    TDialogAnswerer Any("", IDOK);
    ASSERT_TRUE(Collect([&](TCopyPicturesForm* F) {
        ASSERT_TRUE(WaitLoaded(F));
        F->DestFolder = Out;
        Press(F->SelectButton);
        ASSERT_EQ(Checked(F).size(), 40u);
        const TCloseEvent Close = F->OnClose;
        F->OnClose = [&, F, Close](TObject* S, TCloseAction& A) {
            Close(S, A);
            StoppedAtClose = F->CopyThread && F->CopyThread->GetFinished();
        };
        Press(F->CopyButton);
        ASSERT_TRUE(PumpUntil([F] { return !F->StateLabel->GetCaption().empty(); }, 20000, "the first progress"));
        EXPECT_EQ(F->CloseButton->GetCaption(), "&Cancel");
        Press(F->CloseButton);
    }));
    EXPECT_TRUE(StoppedAtClose);
    PumpFor(100); // a box would come at once: nothing to wait on
    EXPECT_EQ(Any.AnsweredCount(), 0) << Any.Text();
    const int Copied = CountFiles(Out);
    EXPECT_GE(Copied, 2);
    EXPECT_LT(Copied, 40);
    EXPECT_EQ(CountFiles(Out, "*!!wr"), 0);
    for (int I = 0; I < 40; ++I) {
        const std::string Name = Format("f%02d.jpg", I);
        if (FileExistsA(Out + Name)) {
            EXPECT_EQ(ReadAll(Out + Name), ReadAll(Saved + Name)) << Name;
        }
    }
}

TEST_F(CollectTest, ProgressHelpAndTheDestinationFolder)
{
    for (int I = 0; I < 6; ++I)
        WriteBytes(Saved + Format("g%d.jpg", I), 100, static_cast<uint8_t>(I));
    const std::string Out = MakeFolder("progress");
    WriteBytes(Out + "g4.jpg", 10);
    // Deep enough that its label is cut.
    const std::string Typed = MakeFolder("a destination folder of some length");
    ASSERT_GE(Typed.size(), 31u);
    Show();
    ASSERT_TRUE(Collect([&](TCopyPicturesForm* F) {
        ASSERT_TRUE(WaitLoaded(F));
        EXPECT_EQ(F->DestFolder, AddTrailingBackslash(ProgramFolder()));
        F->DestFolder = Out;
        Press(F->SelectButton);
        // The fifth file clashes: the question comes after the fourth file's step.
        std::string Label;
        int32_t Max = 0;
        {
            TFormAnswerer Ask("Override file", [&](TCustomForm* A) {
                Label = F->StateLabel->GetCaption();
                Max = F->ProgressBar->GetMax();
                Press(static_cast<TConfirmOverwriteForm*>(A)->SkipButton);
            });
            TDialogAnswerer Done("Selected images copied !", IDOK);
            CopyAndWait(F);
        }
        EXPECT_EQ(Label, "3 of 5");
        EXPECT_EQ(Max, 5);

        DialogTest::TSeamLog Help;
        Press(F->HelpButton);
        EXPECT_NE(Help.Text().find("zq.chm::/User interface - Collect Window.htm"), std::string::npos) << Help.Text();

        TestSupport::SettleFolderTimes(ExcludeTrailingBackslash(Out));
        DialogTest::TFolderDialogAnswerer Pick(ExcludeTrailingBackslash(Typed));
        Press(F->ChangeDestButton);
        EXPECT_TRUE(Pick.Seen());
        EXPECT_NE(Pick.Text().find("Select the destination directory"), std::string::npos) << Pick.Text();
        EXPECT_EQ(F->DestFolder, Typed);
        EXPECT_EQ(F->DestLabel->GetCaption(), Typed.substr(0, 30) + "...");
    }));
    // A list without rows: the bar's whole range.
    Rows()->Clear();
    ASSERT_TRUE(Collect([&](TCopyPicturesForm* F) {
        ASSERT_TRUE(WaitLoaded(F));
        EXPECT_EQ(F->ImagesListView->GetItems()->GetCount(), 0);
        EXPECT_TRUE(F->ProgressBar->GetMin() == 0 && F->ProgressBar->GetMax() == 100);
    }));
}
