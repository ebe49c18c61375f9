// The gallery dialog and its driver: captions, defaults and the check of its fields; pages and
// copied pictures on disk; unique names, pages in a dotted folder, sources that cannot be
// copied, an existing image folder, and the question that opens the first page.

#include <algorithm>

#include "app/FormParts.h"
#include "app/GenHTMLForm.h"
#include "app/GenProgressForm.h"
#include "app/ImageLibraryForm.h"
#include "app/MainForm.h"
#include "engine/ImagesLibrary.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/StdCtrls.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/app/PictureTestFiles.h"
#include "tests/support/NoClippedText.h"

using namespace PictureTest;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;

namespace {

int CountOf(const std::string& Text, const std::string& Part)
{
    int N = 0;
    for (size_t P = Text.find(Part); P != std::string::npos; P = Text.find(Part, P + 1))
        ++N;
    return N;
}

std::vector<std::string> FilesIn(const std::string& Folder)
{
    std::vector<std::string> Names;
    WIN32_FIND_DATAA D;
    HANDLE H = FindFirstFileA((Folder + "*").c_str(), &D);
    if (H == INVALID_HANDLE_VALUE)
        return Names;
    do {
        if (!(D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            Names.push_back(D.cFileName);
    } while (FindNextFileA(H, &D));
    FindClose(H);
    std::sort(Names.begin(), Names.end());
    return Names;
}

class GalleryTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!GenProgressForm)
            GenProgressForm = new TGenProgressForm(Application);
        GenProgressForm->OnShow = [this](TObject*) { ++ProgressShows; };
    }
    void TearDown() override { GenProgressForm->OnShow = nullptr; }

    // Sources named Names in Folder (made), each a few bytes.
    std::vector<std::string> Sources(const std::string& Folder, const std::vector<std::string>& Names)
    {
        CreateDirectoryA(Temp.File(Folder).c_str(), nullptr);
        std::vector<std::string> V;
        for (const std::string& N : Names) {
            V.push_back(Temp.File(Folder + "\\" + N));
            WriteBytes(V.back(), 500);
        }
        return V;
    }
    // Fills the dialog when it opens and presses Generate.
    static std::function<void(TGenHTMLForm*)> Fill(const std::string& Dest, bool All, const std::string& Rows = "8")
    {
        return [=](TGenHTMLForm* F) {
            F->DestFolderEdit->SetText(Dest);
            F->RowsEdit->SetText(Rows);
            if (All)
                F->GenAllBtn->SetChecked(true);
            SendMessageA(F->GenButton->GetHandle(), BM_CLICK, 0, 0);
        };
    }
    std::string Folder(const std::string& Name)
    {
        std::string P = Temp.File(Name);
        CreateDirectoryA(P.c_str(), nullptr);
        return P;
    }

    TestSupport::TTempFolder Temp;
    int ProgressShows = 0;
};

} // namespace

TEST_F(GalleryTest, DialogShowsItsDefaultsAndKeepsOpenOnEmptyFolderNames)
{
    const TComponentPtr<TGenHTMLForm> F(new TGenHTMLForm(nullptr));
    F->Show();
    SetForegroundWindow(F->GetHandle());
    PumpUntil([&] { return GetForegroundWindow() == F->GetHandle(); }, 5000, "the dialog in front");
    EXPECT_EQ(F->GetCaption(), "Generate HTML File");
    EXPECT_EQ(F->SettingsGroupBox->GetCaption(), "HTML Settings:");
    const std::vector<std::pair<TLabel*, const char*>> Labels = {
        {F->DestFolderLabel, "Generate to folder:"},   {F->ImageWidthLabel, "Image Width:"},
        {F->ImageHeightLabel, "Image Height:"},        {F->ColsLabel, "Cols:"},
        {F->RowsLabel, "Rows:"},                       {F->FolderNameLabel, "Image folder name:"},
        {F->HTMLTitleLabel, "HTML Title:"},            {F->TableBorderLabel, "Table border:"},
        {F->TableCellSpacingLabel, "Table cellspacing:"}, {F->TableCellPaddingLabel, "Table cellpadding:"},
        {F->HTMLFilenameLabel, "HTML Filename:"}};
    for (const auto& [L, Text] : Labels)
        EXPECT_EQ(L->GetCaption(), Text);
    const std::vector<std::pair<TEdit*, const char*>> Edits = {
        {F->DestFolderEdit, ""},   {F->ImageWidthEdit, "100"}, {F->ImageHeightEdit, "100"},
        {F->ColsEdit, "7"},        {F->RowsEdit, "8"},         {F->FolderNameEdit, "images"},
        {F->HTMLTitleEdit, "Please enter the title at here"}, {F->TableBorderEdit, "0"},
        {F->TableCellSpacingEdit, "0"}, {F->TableCellPaddingEdit, "0"}, {F->HTMLFilenameEdit, "index.html"}};
    for (const auto& [E, Text] : Edits)
        EXPECT_EQ(E->GetText(), Text) << E->GetName();
    for (TUpDown* U : {F->ImageWidthUpDown, F->ImageHeightUpDown, F->ColsUpDown, F->RowsUpDown, F->TableBorderUpDown,
                       F->TableCellSpacingUpDown, F->TableCellPaddingUpDown}) {
        EXPECT_EQ(U->GetMin(), 0);
        EXPECT_EQ(U->GetMax(), 1024);
    }
    EXPECT_EQ(F->SelectFolderBtn->GetCaption(), "?");
    EXPECT_EQ(F->GenSelectedBtn->GetCaption(), "Generate selected images");
    EXPECT_TRUE(F->GenSelectedBtn->GetChecked());
    EXPECT_EQ(F->GenAllBtn->GetCaption(), "Generate all images");
    EXPECT_FALSE(F->GenAllBtn->GetChecked());
    EXPECT_EQ(F->GenButton->GetCaption(), "&Generate");
    EXPECT_TRUE(F->GenButton->GetDefault());
    EXPECT_EQ(F->CancelButton->GetCaption(), "&Cancel");
    EXPECT_EQ(F->CancelButton->GetModalResult(), mrCancel);
    EXPECT_TRUE(DialogTest::HasFocus(F->HTMLTitleEdit));
    TestSupport::ExpectNoClippedText(F.get());
    Shoot(F->GetHandle(), "gallery-dialog");

    for (const char* Dest : {"", "   "}) {
        F->DestFolderEdit->SetText(Dest);
        TBoxAnswerer Error("field is empty", IDOK);
        SendMessageA(F->GenButton->GetHandle(), BM_CLICK, 0, 0);
        ASSERT_EQ(Error.Count(), 1);
        EXPECT_EQ(Error.Last(), "Error\nDestination folder name or image folder name field is empty!");
        EXPECT_EQ(F->GetModalResult(), mrNone);
        EXPECT_TRUE(DialogTest::HasFocus(F->DestFolderEdit));
    }
    F->DestFolderEdit->SetText(Temp.Path());
    F->FolderNameEdit->SetText(" ");
    TBoxAnswerer Error("field is empty", IDOK);
    SendMessageA(F->GenButton->GetHandle(), BM_CLICK, 0, 0);
    EXPECT_EQ(Error.Count(), 1);
    F->FolderNameEdit->SetText("images");
    SendMessageA(F->GenButton->GetHandle(), BM_CLICK, 0, 0);
    EXPECT_EQ(F->GetModalResult(), mrOk);
}

TEST_F(GalleryTest, AllImagesAreCopiedPagedAndTheFirstPageOpensOnYes)
{
    std::vector<std::string> Names;
    for (int I = 0; I < 60; ++I)
        Names.push_back("p" + std::to_string(I) + ".jpg");
    const std::vector<std::string> All = Sources("src", Names);
    const std::string Dest = Folder("site");
    DialogTest::TSeamLog Log;
    {
        TModalAnswerer<TGenHTMLForm> Dialog(Fill(Dest, true));
        TBoxAnswerer No("HTML File(s) generate finished", IDNO);
        GenerateGallery(All, {All[0]});
        ASSERT_EQ(Dialog.Count(), 1);
        ASSERT_EQ(No.Count(), 1);
        EXPECT_EQ(No.Last(), "Information\nHTML File(s) generate finished, do you want to view the html file now?");
    }
    EXPECT_EQ(FilesIn(Dest + "\\images\\").size(), 60u);
    EXPECT_EQ(FilesIn(Dest + "\\"), (std::vector<std::string>{"index.html", "index_1.html"}));
    const std::string Page = DialogTest::ReadFile(Dest + "\\index.html");
    EXPECT_NE(Page.find("<h3> Page: 1/2</h3>"), std::string::npos);
    EXPECT_EQ(CountOf(Page, "<img src=images/"), 56);
    EXPECT_EQ(CountOf(DialogTest::ReadFile(Dest + "\\index_1.html"), "<img src=images/"), 4);
    EXPECT_EQ(ProgressShows, 1);
    EXPECT_EQ(GenProgressForm->ProgressBar->GetMax(), 59);
    EXPECT_FALSE(GenProgressForm->GetVisible());
    EXPECT_EQ(Log.Text().find("shell"), std::string::npos) << Log.Text();

    const std::string Dest2 = Folder("site2");
    TModalAnswerer<TGenHTMLForm> Dialog(Fill(Dest2, true));
    TBoxAnswerer Yes("HTML File(s) generate finished", IDYES);
    GenerateGallery(All, {});
    EXPECT_EQ(Yes.Count(), 1);
    EXPECT_NE(Log.Text().find("shell\topen\t" + Dest2 + "\\index.html"), std::string::npos) << Log.Text();
}

TEST_F(GalleryTest, SameNamesGetUniqueCopiesDottedFoldersKeepTheirPagesAndFailuresAreCounted)
{
    std::vector<std::string> All = Sources("one", {"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    for (const std::string& S : Sources("two", {"a.jpg", "e.jpg", "f.jpg", "g.jpg", "h.jpg"}))
        All.push_back(S);
    All.push_back(Temp.File("missing.jpg"));
    Folder("my.site");
    const std::string Dest = Folder("my.site\\g");
    bool ErrorFirst = false;
    {
        TModalAnswerer<TGenHTMLForm> Dialog(Fill(Dest, true, "0"));
        TBoxAnswerer Copy("could not be copied", IDOK);
        TBoxAnswerer Done("HTML File(s) generate finished", IDNO, [&] {
            ErrorFirst = Copy.Count() == 1;
            return true;
        });
        GenerateGallery(All, {});
        ASSERT_EQ(Copy.Count(), 1);
        EXPECT_EQ(Copy.Last(), "Error\n1 file(s) could not be copied !");
        EXPECT_EQ(Done.Count(), 1);
    }
    EXPECT_TRUE(ErrorFirst);
    const std::vector<std::string> Copied = FilesIn(Dest + "\\images\\");
    EXPECT_EQ(Copied, (std::vector<std::string>{"a.jpg", "a[0].jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg",
                                                "g.jpg", "h.jpg"}));
    // One row of seven: two pages, both inside the dotted folder, linked by their names only.
    EXPECT_EQ(FilesIn(Dest + "\\"), (std::vector<std::string>{"index.html", "index_1.html"}));
    EXPECT_EQ(FilesIn(Temp.File("my.site\\")).size(), 0u);
    const std::string Page = DialogTest::ReadFile(Dest + "\\index.html");
    EXPECT_NE(Page.find("<a href=index_1.html>2</a>"), std::string::npos);
    EXPECT_EQ(CountOf(Page, "<img src="), 7);
    EXPECT_EQ(Page.find("missing"), std::string::npos);
    EXPECT_EQ(DialogTest::ReadFile(Dest + "\\index_1.html").find("missing"), std::string::npos);

    // A negative row count is one row too; selected images with none selected write nothing.
    const std::string Dest2 = Folder("g2");
    {
        TModalAnswerer<TGenHTMLForm> Dialog(Fill(Dest2, true, "-3"));
        TBoxAnswerer Any("", IDOK), Done("HTML File(s) generate finished", IDNO);
        GenerateGallery(std::vector<std::string>(All.begin(), All.begin() + 8), {});
        EXPECT_EQ(CountOf(DialogTest::ReadFile(Dest2 + "\\index.html"), "<img src="), 7);
        EXPECT_EQ(FilesIn(Dest2 + "\\").size(), 2u);
    }
    const std::string Dest3 = Folder("g3");
    {
        TModalAnswerer<TGenHTMLForm> Dialog(Fill(Dest3, false));
        TBoxAnswerer Done("HTML File(s) generate finished", IDNO);
        GenerateGallery(All, {});
        EXPECT_EQ(Done.Count(), 1);
        EXPECT_TRUE(FilesIn(Dest3 + "\\images\\").empty());
        EXPECT_TRUE(FilesIn(Dest3 + "\\").empty());
    }

    // Into the same destination again, from the library window: the image folder exists.
    ImageLibrary = new TImageLibrary();
    for (const std::string& S : All) {
        auto D = std::make_unique<TImageDetail>();
        D->SetFileName(S);
        ImageLibrary->Add(std::move(D));
    }
    {
        const TComponentPtr<TImageLibraryForm> Library(new TImageLibraryForm(nullptr));
        Library->Show();
        PumpUntil([&] { return !Library->Loading; }, 20000, "the list");
        TestSupport::TNoExceptionHandler StandardBox;
        TModalAnswerer<TGenHTMLForm> Dialog(Fill(Dest, true));
        TBoxAnswerer Error("Error", IDOK), Done("HTML File(s) generate finished", IDNO);
        Command(Library->GetHandle(), laGenHTML);
        EXPECT_EQ(Dialog.Count(), 1);
        ASSERT_EQ(Error.Count(), 1);
        EXPECT_NE(Error.Last().find(Dest + "\\images\\"), std::string::npos) << Error.Last();
        EXPECT_EQ(Done.Count(), 0);
        for (int32_t I = 0; I < AppUI()->GetFormCount(); ++I)
            EXPECT_EQ(dynamic_cast<TGenHTMLForm*>(AppUI()->GetForms(I)), nullptr);
    }
    delete ImageLibrary;
    ImageLibrary = nullptr;
    EXPECT_EQ(FilesIn(Dest + "\\images\\"), Copied);
    EXPECT_EQ(FilesIn(Dest + "\\"), (std::vector<std::string>{"index.html", "index_1.html"}));
}
