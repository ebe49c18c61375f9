// Delete By: the rule dialog on its own, and the command on the images list with the
// confirmation list that deletes what stays checked.

#include <set>

#include "app/ConfirmDeleteForm.h"
#include "app/DeleteByForm.h"
#include "app/MainActions.h"
#include "engine/ImagesLibrary.h"
#include "imagelib/PngGraphic.h"
#include "platform/win/ComCtrlsBasic.h"
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
    const std::pair<TControl*, const char*> Texts[] = {
        {&F, "Delete by ..."}, {F.ImageSizeGroup, "By image size:"}, {F.FileSizeGroup, "By file size:"},
        {F.FilterGroup, "By filter:"}, {F.ImageSizeButton, "Image size"}, {F.SmallThanButton, "Small than"},
        {F.RangeButton, "Range"}, {F.FileFilterButton, "File filter"}, {F.SmallThanLabel, "Small than"},
        {F.TimesLabel, "*"}, {F.NoteLabel, "Note: You should to build-in images into library first."},
        {F.SizeKBLabel, "KB"}, {F.SmallRangeLabel, "KB    <<"}, {F.BigRangeLabel, "KB"}, {F.FilterLabel, "Filter"},
        {F.FilterExampleLabel, "(tn*.*, *.gif, ?fie.*, ... etc)"}, {F.OkButton, "&OK"}, {F.CancelButton, "&Cancel"},
        {F.WidthEdit, "300"}, {F.HeightEdit, "300"}, {F.SizeEdit, "10"}, {F.SmallRangeEdit, "10"},
        {F.BigRangeEdit, "20"}, {F.FilterEdit, "*.gif"}};
    for (const auto& [Control, Text] : Texts)
        EXPECT_EQ(Control->GetText(), Text);
    EXPECT_TRUE(F.OkButton->GetDefault() && F.OkButton->GetModalResult() == mrOk);
    EXPECT_TRUE(F.CancelButton->GetCancel() && F.CancelButton->GetModalResult() == mrCancel);
    for (TUpDown* U : {F.WidthUpDown, F.HeightUpDown})
        EXPECT_TRUE(U->GetMin() == 0 && U->GetMax() == 2000 && U->GetPosition() == 300);

    // At first: image size, and only its controls.
    EXPECT_TRUE(F.ImageSizeButton->GetChecked());
    ExpectOnlyMode(F, 0);
    TDeleteByRules R = F.GetRules();
    EXPECT_TRUE(R.BySize && !R.BySmaller && !R.ByRange && !R.ByFilter);
    EXPECT_EQ(R.MaxWidth, 300);
    EXPECT_EQ(R.MaxHeight, 300);

    // Clicks as the user makes them; each button leaves the others unchecked. The last step goes
    // from "Range" to "File filter".
    TRadioButton* Buttons[] = {F.ImageSizeButton, F.SmallThanButton, F.RangeButton, F.FileFilterButton};
    for (size_t M : {1u, 2u, 3u, 0u, 2u, 3u}) {
        Press(Buttons[M]);
        for (size_t K = 0; K < 4; ++K)
            EXPECT_EQ(Buttons[K]->GetChecked(), K == M);
        ExpectOnlyMode(F, M);
    }

    // The rule of the chosen mode; fields that hold no number read as 0.
    F.FilterEdit->SetText("  tn*.*  ");
    R = F.GetRules();
    EXPECT_TRUE(R.ByFilter && !R.BySize && R.FileFilter == "  tn*.*  ");
    Press(F.RangeButton);
    F.SmallRangeEdit->SetText(" 12 ");
    F.BigRangeEdit->SetText("many");
    R = F.GetRules();
    EXPECT_TRUE(R.ByRange && !R.ByFilter && R.RangeFrom == 12 && R.RangeTo == 0);
    Press(F.SmallThanButton);
    F.SizeEdit->SetText("7");
    R = F.GetRules();
    EXPECT_TRUE(R.BySmaller && R.SmallerThan == 7);
}

namespace {

class DeleteByTest : public SavedTaskFixture {
protected:
    // Delete By with the rule Choose sets; Answer acts on the confirmation list. Returns the
    // captions the list showed, each checked ("-" when the list never came).
    std::set<std::string> DeleteBy(const std::function<void(TDeleteByForm*)>& Choose,
                                   const std::function<void(TConfirmDeleteForm*)>& Answer)
    {
        std::set<std::string> Shown{"-"};
        TFormAnswerer Rule("Delete by ...", [&](TCustomForm* F) { Choose(static_cast<TDeleteByForm*>(F)); });
        TFormAnswerer Confirm("Confirm images delete action", [&](TCustomForm* F) {
            auto* C = static_cast<TConfirmDeleteForm*>(F);
            Shown.clear();
            TListItems* Items = C->FilesListView->GetItems();
            for (int32_t I = 0; I < Items->GetCount(); ++I) {
                TListItem* Row = Items->GetItem(I);
                Shown.insert(Row->GetCaption());
                EXPECT_TRUE(Row->GetChecked());
                // The row owns the whole path.
                EXPECT_EQ(TConfirmDeleteForm::RowFileName(Row), Saved + Row->GetCaption());
            }
            Answer(C);
        });
        Command(maImageDeleteBy);
        EXPECT_EQ(Rule.Count(), 1);
        return Shown;
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
    std::set<std::string> OnDisk()
    {
        std::set<std::string> N;
        WIN32_FIND_DATAA D;
        HANDLE H = FindFirstFileA((Saved + "*").c_str(), &D);
        for (BOOL More = H != INVALID_HANDLE_VALUE; More; More = FindNextFileA(H, &D))
            if (!(D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                N.insert(D.cFileName);
        if (H != INVALID_HANDLE_VALUE)
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
    for (const char* N : {"tn1.jpg", "tn2.gif", "atn.jpg", "xfie.png", "fie.png", "K.GIF"})
        WriteBytes(Saved + N, 100);
    Show();
    ASSERT_EQ(Rows()->GetCount(), 10);
    for (const char* N : {"small.png", "tall.png", "broken.jpg"})
        ASSERT_TRUE(ImageLibrary->AddImage(Saved + N));
    ASSERT_EQ(ImageLibrary->FindByName(Saved + "broken.jpg")->GetWidth(), -1);
    const S All = OnDisk();

    // Cancel in the rule dialog: nothing follows.
    EXPECT_EQ(DeleteBy([](TDeleteByForm* F) { Press(F->CancelButton); }, Cancel), S{"-"});
    const S BySize = DeleteBy([](TDeleteByForm* F) { Press(F->OkButton); }, [](TConfirmDeleteForm* C) {
        ExpectNoClippedText(C);
        const std::pair<TControl*, const char*> Texts[] = {
            {C, "Confirm images delete action"}, {C->PromptLabel, "If you want to delete these images please"},
            {C->PromptLabel2, "click OK button to continue."}, {C->FilesGroup, "These images will be deleted:"},
            {C->OkButton, "&OK"}, {C->CancelButton, "&Cancel"}};
        for (const auto& [Control, Text] : Texts)
            EXPECT_EQ(Control->GetText(), Text);
        EXPECT_EQ(C->FilesListView->GetColumns()->GetItem(0)->GetCaption(), "Filename");
        EXPECT_EQ(C->FilesListView->GetColumns()->GetItem(0)->GetWidth(), 330);
        Cancel(C);
    });
    EXPECT_EQ(BySize, (S{"small.png", "broken.jpg"}));
    EXPECT_EQ(DeleteBy(Filter("tn*.*"), Cancel), (S{"tn1.jpg", "tn2.gif"}));
    EXPECT_EQ(DeleteBy(Filter(" ?fie.* "), Cancel), (S{"xfie.png"}));
    EXPECT_EQ(DeleteBy(Filter("*.GIF"), Cancel), (S{"tn2.gif", "K.GIF"}));
    // Cancel in the confirmation changed nothing.
    EXPECT_EQ(OnDisk(), All);
    EXPECT_EQ(Listed(), All);

    // Every row unchecked, OK: nothing deleted and nothing said.
    {
        TDialogAnswerer Any("", IDOK);
        DeleteBy(Filter("*.png"), [](TConfirmDeleteForm* C) {
            for (int32_t I = 0; I < C->FilesListView->GetItems()->GetCount(); ++I)
                C->FilesListView->GetItems()->GetItem(I)->SetChecked(false);
            Press(C->OkButton);
        });
        PumpFor(100); // a box would have come with the OK: nothing to wait on
        EXPECT_EQ(Any.AnsweredCount(), 0) << Any.Text();
    }
    EXPECT_EQ(OnDisk(), All);
    EXPECT_EQ(Listed(), All);

    // An empty list: the error, then the dialog closes.
    {
        TDialogAnswerer Error("No image selected !", IDOK);
        EXPECT_EQ(DeleteBy(Filter("zz*"), [](TConfirmDeleteForm* C) { Press(C->OkButton); }), S{});
        EXPECT_EQ(Error.AnsweredCount(), 1);
        EXPECT_EQ(Error.Caption(), "Error");
    }
    EXPECT_EQ(OnDisk(), All);

    // OK with tn1.jpg unchecked: tn2.gif goes with its row, tn1.jpg stays with its row.
    DeleteBy(Filter("tn*.*"), [](TConfirmDeleteForm* C) {
        TListItems* Items = C->FilesListView->GetItems();
        for (int32_t I = 0; I < Items->GetCount(); ++I)
            if (Items->GetItem(I)->GetCaption() == "tn1.jpg")
                Items->GetItem(I)->SetChecked(false);
        PumpFor(100);
        EXPECT_GT(Shoot(C->GetHandle(), "delete-by-confirmation").CountOf(0x000000), 100u);
        Press(C->OkButton);
    });
    S Left = All;
    Left.erase("tn2.gif");
    EXPECT_EQ(OnDisk(), Left);
    EXPECT_EQ(Listed(), Left);

    // A picture of the dialog in each mode.
    TDeleteByForm F(nullptr);
    F.Show();
    TRadioButton* Buttons[] = {F.ImageSizeButton, F.SmallThanButton, F.RangeButton, F.FileFilterButton};
    const char* Names[] = {"image-size", "small-than", "range", "file-filter"};
    for (int M = 0; M < 4; ++M) {
        Press(Buttons[M]);
        EXPECT_GT(Shoot(F.GetHandle(), std::string("delete-by-") + Names[M]).CountOf(0x000000), 100u);
    }
}

// Checked files that cannot be deleted (held open here) keep their rows and are named together
// in one message after the run, as Clear and Collect report theirs; the others go.
TEST_F(DeleteByTest, FilesThatCannotBeDeletedAreNamedInOneMessageAfterTheRun)
{
    using S = std::set<std::string>;
    for (const char* N : {"a1.jpg", "a2.jpg", "a3.jpg", "a4.jpg", "b.jpg"})
        WriteBytes(Saved + N, 100);
    Show();
    ASSERT_EQ(Rows()->GetCount(), 5);
    auto Hold = [&](const char* Name) {
        return CreateFileA((Saved + Name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    };
    HANDLE Held[] = {Hold("a2.jpg"), Hold("a4.jpg")};
    for (HANDLE H : Held)
        ASSERT_NE(H, INVALID_HANDLE_VALUE);
    std::vector<std::string> Lines;
    {
        TDialogAnswerer Error("could not be deleted", IDOK, nullptr, true);
        DeleteBy(Filter("a*.jpg"), [](TConfirmDeleteForm* C) { Press(C->OkButton); });
        EXPECT_EQ(Error.AnsweredCount(), 1);
        EXPECT_EQ(Error.Caption(), "Error");
        std::string Text = Error.Text();
        for (size_t At; (At = Text.find("\r\n")) != std::string::npos; Text.erase(0, At + 2))
            Lines.push_back(Text.substr(0, At));
        Lines.push_back(Text);
    }
    for (HANDLE H : Held)
        CloseHandle(H);
    ASSERT_EQ(Lines.size(), 3u);
    EXPECT_EQ(Lines[0], "2 file(s) could not be deleted !");
    EXPECT_EQ(S(Lines.begin() + 1, Lines.end()), (S{Saved + "a2.jpg", Saved + "a4.jpg"}));
    EXPECT_EQ(OnDisk(), (S{"a2.jpg", "a4.jpg", "b.jpg"}));
    EXPECT_EQ(Listed(), (S{"a2.jpg", "a4.jpg", "b.jpg"}));
}
