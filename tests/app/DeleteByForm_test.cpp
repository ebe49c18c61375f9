// Delete By: the rule dialog on its own, and the command on the images list with the
// confirmation list that deletes what stays checked.

#include <set>

#include "app/ConfirmDeleteForm.h"
#include "app/DeleteByForm.h"
#include "app/MainActions.h"
#include "engine/ImagesLibrary.h"
#include "imagelib/PngGraphic.h"
#include "tests/app/SavedPictures.h"
#include "tests/support/NoClippedText.h"

using namespace MainFormTest;
using namespace SavedPictures;
using TestSupport::ExpectNoClippedText;
using TestSupport::PumpFor;
using TestSupport::TDialogAnswerer;

namespace {

// Each mode's controls, in the order of the radio buttons.
std::vector<std::vector<TControl*>> ModeControls(TDeleteByForm& F)
{
    return {{F.SmallThanLabel, F.WidthEdit, F.WidthUpDown, F.HeightEdit, F.HeightUpDown},
            {F.SizeEdit, F.SizeKBLabel},
            {F.SmallRangeEdit, F.SmallRangeLabel, F.BigRangeEdit, F.BigRangeLabel},
            {F.FilterEdit, F.FilterLabel, F.FilterExampleLabel}};
}

// The window agrees with the object for windowed controls.
bool IsOn(TControl* C)
{
    auto* W = dynamic_cast<TWinControl*>(C);
    if (W && W->HandleAllocated() && (IsWindowEnabled(W->GetHandle()) != FALSE) != C->GetEnabled())
        ADD_FAILURE() << C->ClassName() << " window and object disagree";
    return C->GetEnabled();
}

void ExpectOnlyMode(TDeleteByForm& F, size_t Mode)
{
    const auto Modes = ModeControls(F);
    for (size_t M = 0; M < Modes.size(); ++M)
        for (TControl* C : Modes[M])
            EXPECT_EQ(IsOn(C), M == Mode) << "mode " << Mode << ": a control of mode " << M;
}

} // namespace

TEST(DeleteByForm, DefaultsTextsAndEachModeEnablesOnlyItsControls)
{
    TDeleteByForm F(nullptr);
    F.Show();
    PumpFor(30);
    ExpectNoClippedText(&F);
    EXPECT_EQ(F.GetCaption(), "Delete by ...");
    EXPECT_EQ(F.GetBorderStyle(), bsDialog);
    EXPECT_EQ(F.ImageSizeGroup->GetCaption(), "By image size:");
    EXPECT_EQ(F.FileSizeGroup->GetCaption(), "By file size:");
    EXPECT_EQ(F.FilterGroup->GetCaption(), "By filter:");
    EXPECT_EQ(F.ImageSizeButton->GetCaption(), "Image size");
    EXPECT_EQ(F.SmallThanButton->GetCaption(), "Small than");
    EXPECT_EQ(F.RangeButton->GetCaption(), "Range");
    EXPECT_EQ(F.FileFilterButton->GetCaption(), "File filter");
    EXPECT_EQ(F.SmallThanLabel->GetCaption(), "Small than");
    EXPECT_EQ(F.TimesLabel->GetCaption(), "*");
    EXPECT_EQ(F.NoteLabel->GetCaption(), "Note: You should to build-in images into library first.");
    EXPECT_EQ(F.SizeKBLabel->GetCaption(), "KB");
    EXPECT_EQ(F.SmallRangeLabel->GetCaption(), "KB    <<");
    EXPECT_EQ(F.BigRangeLabel->GetCaption(), "KB");
    EXPECT_EQ(F.FilterLabel->GetCaption(), "Filter");
    EXPECT_EQ(F.FilterExampleLabel->GetCaption(), "(tn*.*, *.gif, ?fie.*, ... etc)");
    EXPECT_EQ(F.OkButton->GetCaption(), "&OK");
    EXPECT_EQ(F.CancelButton->GetCaption(), "&Cancel");
    EXPECT_TRUE(F.OkButton->GetDefault());
    EXPECT_EQ(F.OkButton->GetModalResult(), mrOk);
    EXPECT_EQ(F.CancelButton->GetModalResult(), mrCancel);
    EXPECT_EQ(F.WidthEdit->GetText(), "300");
    EXPECT_EQ(F.HeightEdit->GetText(), "300");
    for (TUpDown* U : {F.WidthUpDown, F.HeightUpDown}) {
        EXPECT_EQ(U->GetMin(), 0);
        EXPECT_EQ(U->GetMax(), 2000);
        EXPECT_EQ(U->GetPosition(), 300);
    }
    EXPECT_EQ(F.SizeEdit->GetText(), "10");
    EXPECT_EQ(F.SmallRangeEdit->GetText(), "10");
    EXPECT_EQ(F.BigRangeEdit->GetText(), "20");
    EXPECT_EQ(F.FilterEdit->GetText(), "*.gif");

    // At first: image size, and only its controls.
    EXPECT_TRUE(F.ImageSizeButton->GetChecked());
    ExpectOnlyMode(F, 0);
    TDeleteByRules R = F.GetRules();
    EXPECT_TRUE(R.BySize && !R.BySmaller && !R.ByRange && !R.ByFilter);
    EXPECT_EQ(R.MaxWidth, 300);
    EXPECT_EQ(R.MaxHeight, 300);

    // Clicks as the user makes them; each button leaves the others unchecked.
    TRadioButton* Buttons[] = {F.ImageSizeButton, F.SmallThanButton, F.RangeButton, F.FileFilterButton};
    for (size_t M : {1u, 2u, 3u, 0u, 2u, 3u}) {
        Press(Buttons[M]);
        for (size_t K = 0; K < 4; ++K)
            EXPECT_EQ(Buttons[K]->GetChecked(), K == M);
        ExpectOnlyMode(F, M);
    }
    // From "Range" to "File filter" last: both range edits off, the filter on.
    EXPECT_FALSE(IsOn(F.SmallRangeEdit));
    EXPECT_FALSE(IsOn(F.BigRangeEdit));
    EXPECT_TRUE(IsOn(F.FilterEdit));

    // The rule of the chosen mode; fields that hold no number read as 0.
    F.FilterEdit->SetText("  tn*.*  ");
    R = F.GetRules();
    EXPECT_TRUE(R.ByFilter && !R.BySize);
    EXPECT_EQ(R.FileFilter, "  tn*.*  ");
    Press(F.RangeButton);
    F.SmallRangeEdit->SetText(" 12 ");
    F.BigRangeEdit->SetText("many");
    R = F.GetRules();
    EXPECT_TRUE(R.ByRange && !R.ByFilter);
    EXPECT_EQ(R.RangeFrom, 12);
    EXPECT_EQ(R.RangeTo, 0);
    Press(F.SmallThanButton);
    F.SizeEdit->SetText("7");
    R = F.GetRules();
    EXPECT_TRUE(R.BySmaller);
    EXPECT_EQ(R.SmallerThan, 7);
    Press(F.ImageSizeButton);
    F.WidthEdit->SetText("x");
    F.HeightEdit->SetText("2000");
    R = F.GetRules();
    EXPECT_EQ(R.MaxWidth, 0);
    EXPECT_EQ(R.MaxHeight, 2000);
}

TEST(ConfirmDeleteForm, RowsOwnTheirNamesAndOkDeletesOnlyCheckedFiles)
{
    TestSupport::TTempFolder T;
    const std::vector<std::string> Files = {T.File("a.jpg"), T.File("b.png"), T.File("c.gif"),
                                            // longer than any buffer the rows once cut names at
                                            T.Path() + std::string(1100, 'n') + ".jpg"};
    for (size_t I = 0; I < 3; ++I)
        WriteBytes(Files[I], 10);
    TConfirmDeleteForm F(nullptr);
    EXPECT_EQ(F.GetCaption(), "Confirm images delete action");
    EXPECT_EQ(F.PromptLabel->GetCaption(), "If you want to delete these images please");
    EXPECT_EQ(F.PromptLabel2->GetCaption(), "click OK button to continue.");
    EXPECT_EQ(F.FilesGroup->GetCaption(), "These images will be deleted:");
    ASSERT_EQ(F.FilesListView->GetColumns()->GetCount(), 1);
    EXPECT_EQ(F.FilesListView->GetColumns()->GetItem(0)->GetCaption(), "Filename");
    EXPECT_EQ(F.FilesListView->GetColumns()->GetItem(0)->GetWidth(), 330);
    EXPECT_TRUE(F.FilesListView->GetCheckboxes());
    EXPECT_EQ(F.FilesListView->GetItems()->GetCount(), 0); // nothing given yet
    F.SetFiles(nullptr);
    EXPECT_EQ(F.FilesListView->GetItems()->GetCount(), 0);
    F.SetFiles(&Files);
    F.SetFiles(&Files); // refilled, not appended
    F.Show();
    PumpFor(30);
    ExpectNoClippedText(&F);
    TListItems* Rows = F.FilesListView->GetItems();
    ASSERT_EQ(Rows->GetCount(), 4);
    EXPECT_EQ(Rows->GetItem(0)->GetCaption(), "a.jpg");
    EXPECT_EQ(Rows->GetItem(2)->GetCaption(), "c.gif");
    EXPECT_EQ(Rows->GetItem(3)->GetCaption(), std::string(1100, 'n') + ".jpg");
    for (int32_t I = 0; I < 4; ++I) {
        EXPECT_EQ(TConfirmDeleteForm::RowFileName(Rows->GetItem(I)), Files[static_cast<size_t>(I)]);
        EXPECT_TRUE(Rows->GetItem(I)->GetChecked());
    }
    Rows->GetItem(1)->SetChecked(false);
    Press(F.OkButton); // the long name names no file: passed over
    EXPECT_EQ(F.GetModalResult(), mrOk);
    EXPECT_EQ(GetFileAttributesA(Files[0].c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA(Files[1].c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(Files[2].c_str()), INVALID_FILE_ATTRIBUTES);
}

namespace {

class DeleteByTest : public SavedTaskFixture {
protected:
    // What the confirmation list showed: caption -> checked.
    using TShown = std::map<std::string, bool>;

    // Delete By with the rule Choose sets; Answer acts on the confirmation list (the rows are
    // recorded first). False when the confirmation list never came.
    bool DeleteBy(const std::function<void(TDeleteByForm*)>& Choose,
                  const std::function<void(TConfirmDeleteForm*)>& Answer, TShown* Shown = nullptr)
    {
        TFormAnswerer Rule("Delete by ...", [&](TCustomForm* F) { Choose(static_cast<TDeleteByForm*>(F)); });
        TFormAnswerer Confirm("Confirm images delete action", [&](TCustomForm* F) {
            auto* C = static_cast<TConfirmDeleteForm*>(F);
            TListItems* Items = C->FilesListView->GetItems();
            for (int32_t I = 0; Shown && I < Items->GetCount(); ++I) {
                (*Shown)[Items->GetItem(I)->GetCaption()] = Items->GetItem(I)->GetChecked();
                EXPECT_EQ(ExtractFileName(TConfirmDeleteForm::RowFileName(Items->GetItem(I))),
                          Items->GetItem(I)->GetCaption());
                EXPECT_EQ(ExtractFilePath(TConfirmDeleteForm::RowFileName(Items->GetItem(I))), Saved);
            }
            Answer(C);
        });
        Command(maImageDeleteBy);
        EXPECT_EQ(Rule.Count(), 1);
        return Confirm.Count() == 1;
    }
    static std::function<void(TDeleteByForm*)> Filter(const std::string& Mask)
    {
        return [Mask](TDeleteByForm* F) {
            Press(F->FileFilterButton);
            F->FilterEdit->SetText(Mask);
            Press(F->OkButton);
        };
    }
    static void Cancel(TConfirmDeleteForm* C) { Press(C->CancelButton); }
    std::set<std::string> Names(const TShown& S)
    {
        std::set<std::string> N;
        for (const auto& [Name, Checked] : S) {
            EXPECT_TRUE(Checked) << Name;
            N.insert(Name);
        }
        return N;
    }
    std::set<std::string> OnDisk()
    {
        std::set<std::string> N;
        WIN32_FIND_DATAA D;
        HANDLE H = FindFirstFileA((Saved + "*").c_str(), &D);
        if (H == INVALID_HANDLE_VALUE)
            return N;
        do
            if (!(D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                N.insert(D.cFileName);
        while (FindNextFileA(H, &D));
        FindClose(H);
        return N;
    }
    std::set<std::string> Listed()
    {
        std::set<std::string> N;
        for (int32_t I = 0; I < Rows()->GetCount(); ++I)
            N.insert(Rows()->GetItem(I)->GetCaption());
        return N;
    }
};

} // namespace

TEST_F(DeleteByTest, RulesListTheRightFilesAndOkDeletesOnlyTheCheckedOnes)
{
    using S = std::set<std::string>;
    WritePicture<TPngGraphic>(Saved + "small.png", 200, 200);
    WritePicture<TPngGraphic>(Saved + "tall.png", 200, 400);
    WritePicture<TPngGraphic>(Saved + "norec.png", 20, 20);
    WriteBytes(Saved + "broken.jpg", 3000); // recorded, but cannot be measured: -1 x -1
    WriteBytes(Saved + "tn1.jpg", 100);
    WriteBytes(Saved + "tn2.gif", 100);
    WriteBytes(Saved + "atn.jpg", 100);
    WriteBytes(Saved + "xfie.png", 100);
    WriteBytes(Saved + "fie.png", 100);
    WriteBytes(Saved + "K.GIF", 100);
    Show();
    ASSERT_EQ(Rows()->GetCount(), 10);
    for (const char* N : {"small.png", "tall.png", "broken.jpg"})
        ASSERT_TRUE(ImageLibrary->AddImage(Saved + N));
    ASSERT_EQ(ImageLibrary->FindByName(Saved + "broken.jpg")->GetWidth(), -1);
    const S All = OnDisk();

    // Cancel in the rule dialog: nothing follows.
    EXPECT_FALSE(DeleteBy([](TDeleteByForm* F) { Press(F->CancelButton); }, Cancel));

    TShown Shown;
    ASSERT_TRUE(DeleteBy(
        [](TDeleteByForm* F) {
            F->WidthEdit->SetText("300");
            F->HeightEdit->SetText("300");
            Press(F->OkButton);
        },
        Cancel, &Shown));
    EXPECT_EQ(Names(Shown), (S{"small.png", "broken.jpg"}));
    Shown.clear();
    ASSERT_TRUE(DeleteBy(Filter("tn*.*"), Cancel, &Shown));
    EXPECT_EQ(Names(Shown), (S{"tn1.jpg", "tn2.gif"}));
    Shown.clear();
    ASSERT_TRUE(DeleteBy(Filter(" ?fie.* "), Cancel, &Shown));
    EXPECT_EQ(Names(Shown), (S{"xfie.png"}));
    Shown.clear();
    ASSERT_TRUE(DeleteBy(Filter("*.GIF"), Cancel, &Shown));
    EXPECT_EQ(Names(Shown), (S{"tn2.gif", "K.GIF"}));
    // Cancel in the confirmation changed nothing.
    EXPECT_EQ(OnDisk(), All);
    EXPECT_EQ(Listed(), All);

    // Every row unchecked, OK: nothing deleted and nothing said.
    {
        TDialogAnswerer Any("", IDOK);
        ASSERT_TRUE(DeleteBy(Filter("*.png"), [](TConfirmDeleteForm* C) {
            for (int32_t I = 0; I < C->FilesListView->GetItems()->GetCount(); ++I)
                C->FilesListView->GetItems()->GetItem(I)->SetChecked(false);
            Press(C->OkButton);
        }));
        PumpFor(100); // a box would have come with the OK: nothing to wait on
        EXPECT_EQ(Any.AnsweredCount(), 0) << Any.Text();
    }
    EXPECT_EQ(OnDisk(), All);
    EXPECT_EQ(Listed(), All);

    // An empty list: the error, then the dialog closes.
    {
        TDialogAnswerer Error("No image selected !", IDOK);
        TShown None;
        ASSERT_TRUE(DeleteBy(Filter("zz*"), [](TConfirmDeleteForm* C) { Press(C->OkButton); }, &None));
        EXPECT_TRUE(None.empty());
        EXPECT_EQ(Error.AnsweredCount(), 1);
        EXPECT_EQ(Error.Caption(), "Error");
    }
    EXPECT_EQ(OnDisk(), All);

    // OK with tn1.jpg unchecked: tn2.gif goes with its row, tn1.jpg stays with its row.
    ASSERT_TRUE(DeleteBy(Filter("tn*.*"), [](TConfirmDeleteForm* C) {
        TListItems* Items = C->FilesListView->GetItems();
        for (int32_t I = 0; I < Items->GetCount(); ++I)
            if (Items->GetItem(I)->GetCaption() == "tn1.jpg")
                Items->GetItem(I)->SetChecked(false);
        Press(C->OkButton);
    }));
    S Left = All;
    Left.erase("tn2.gif");
    EXPECT_EQ(OnDisk(), Left);
    EXPECT_EQ(Listed(), Left);
}

TEST_F(DeleteByTest, ScreenshotsOfEveryModeAndTheConfirmationList)
{
    for (const char* N : {"holiday-001.jpg", "holiday-002.jpg", "thumb.gif"})
        WriteBytes(Saved + N, 100);
    Show();
    {
        TDeleteByForm F(nullptr);
        F.Show();
        TRadioButton* Buttons[] = {F.ImageSizeButton, F.SmallThanButton, F.RangeButton, F.FileFilterButton};
        const char* Names[] = {"image-size", "small-than", "range", "file-filter"};
        for (int M = 0; M < 4; ++M) {
            Press(Buttons[M]);
            const TestSupport::TShot Shot = Shoot(F.GetHandle(), std::string("delete-by-") + Names[M]);
            EXPECT_GT(Shot.CountOf(0x000000), 100u); // captions drawn
        }
    }
    ASSERT_TRUE(DeleteBy(Filter("*.*"), [](TConfirmDeleteForm* C) {
        C->FilesListView->GetItems()->GetItem(1)->SetChecked(false);
        PumpFor(100);
        const TestSupport::TShot Shot = Shoot(C->GetHandle(), "delete-by-confirmation");
        EXPECT_GT(Shot.CountOf(0x000000), 100u);
        Press(C->CancelButton);
    }));
}
