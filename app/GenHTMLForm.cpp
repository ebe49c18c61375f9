#include "app/GenHTMLForm.h"

#include <algorithm>

#include "app/FormParts.h"
#include "app/GenProgressForm.h"
#include "app/MainForm.h"
#include "engine/EngineRoutines.h"
#include "engine/HTMLGen.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/OSError.h"
#include "platform/win/ShellUtils.h"
#include "platform/win/StdCtrls.h"

namespace {

constexpr int32_t kLabelX = 12, kEditX = 132, kRightLabelX = 220, kRightEditX = 330, kRowHeight = 28;

TEdit* MakeEdit(TWinControl* Parent, TComponent* Owner, const char* Name, int32_t X, int32_t Y, int32_t W,
                const std::string& Text)
{
    TEdit* E = PlaceControl<TEdit>(Parent, Owner, X, Y, W, 21);
    E->SetName(Name);
    E->SetText(Text);
    E->SetTabStop(true);
    return E;
}

// An up-down beside its edit, running 0..1024 from the edit's value.
TUpDown* MakeUpDown(TWinControl* Parent, TComponent* Owner, TEdit* Buddy, int32_t Position)
{
    TUpDown* U = PlaceControl<TUpDown>(Parent, Owner, Buddy->GetLeft() + Buddy->GetWidth(), Buddy->GetTop(), 16, 21);
    U->SetMin(0);
    U->SetMax(1024);
    U->SetPosition(Position);
    U->SetAssociate(Buddy);
    return U;
}

// A number field as the generator takes it: 0 for text that is no number.
int32_t NumberOf(TEdit* Edit)
{
    return StrToIntDef(Trim(Edit->GetText()), 0);
}

// Copies Source into Folder under its own name made unique: the name is chosen and a partial file
// made in one step, the copy goes over the partial file and only then takes the name, so it
// never replaces a file that appeared meanwhile. The final name, or "" when it failed (and left
// nothing behind).
std::string CopyIntoFolder(const std::string& Source, const std::string& Folder)
{
    TReservedFile Reserved;
    try {
        Reserved = ReserveUniqueFile(Folder + ExtractFileName(Source), PartialSuffix);
    } catch (const Exception&) {
        return std::string();
    }
    Reserved.Stream.reset();
    const std::string Partial = Reserved.FileName + PartialSuffix;
    if (!CopyFileA(Source.c_str(), Partial.c_str(), FALSE)) {
        DeleteFileA(Partial.c_str());
        return std::string();
    }
    const std::string Final = FinishReservedFile(Reserved.FileName, PartialSuffix);
    if (Final.empty())
        DeleteFileA(Partial.c_str());
    return Final;
}

void WriteTextFile(const std::string& FileName, const std::string& Text)
{
    TFileStream F(FileName, fmCreate);
    if (!Text.empty())
        F.WriteBuffer(Text.data(), static_cast<int32_t>(Text.size()));
}

} // namespace

TGenHTMLForm::TGenHTMLForm(TComponent* AOwner) : TForm(AOwner)
{
    SetName("GenHTMLForm");
    SetCaption("Generate HTML File");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(456, 356);

    SettingsGroupBox = PlaceControl<TGroupBox>(this, this, 8, 8, 440, 300);
    SettingsGroupBox->SetCaption("HTML Settings:");
    TGroupBox* G = SettingsGroupBox;
    int32_t Y = 24;
    auto Label = [this, G](int32_t X, int32_t Top, const char* Caption) {
        return PlaceLabel(G, this, X, Top + 3, 110, 15, Caption);
    };

    DestFolderLabel = Label(kLabelX, Y, "Generate to folder:");
    DestFolderEdit = MakeEdit(G, this, "DestFolderEdit", kEditX, Y, 266, "");
    SelectFolderBtn = PlaceControl<TButton>(G, this, kEditX + 270, Y, 24, 21);
    SelectFolderBtn->SetName("SelectFolderBtn");
    SelectFolderBtn->SetCaption("?");
    SelectFolderBtn->SetTabStop(true);
    SelectFolderBtn->OnClick = [this](TObject* S) { SelectFolderBtnClick(S); };
    Y += kRowHeight;
    ImageWidthLabel = Label(kLabelX, Y, "Image Width:");
    ImageWidthEdit = MakeEdit(G, this, "ImageWidthEdit", kEditX, Y, 60, "100");
    ImageWidthUpDown = MakeUpDown(G, this, ImageWidthEdit, 100);
    ImageHeightLabel = Label(kRightLabelX, Y, "Image Height:");
    ImageHeightEdit = MakeEdit(G, this, "ImageHeightEdit", kRightEditX, Y, 60, "100");
    ImageHeightUpDown = MakeUpDown(G, this, ImageHeightEdit, 100);
    Y += kRowHeight;
    ColsLabel = Label(kLabelX, Y, "Cols:");
    ColsEdit = MakeEdit(G, this, "ColsEdit", kEditX, Y, 60, "7");
    ColsUpDown = MakeUpDown(G, this, ColsEdit, 7);
    RowsLabel = Label(kRightLabelX, Y, "Rows:");
    RowsEdit = MakeEdit(G, this, "RowsEdit", kRightEditX, Y, 60, "8");
    RowsUpDown = MakeUpDown(G, this, RowsEdit, 8);
    Y += kRowHeight;
    FolderNameLabel = Label(kLabelX, Y, "Image folder name:");
    FolderNameEdit = MakeEdit(G, this, "FolderNameEdit", kEditX, Y, 294, "images");
    Y += kRowHeight;
    HTMLTitleLabel = Label(kLabelX, Y, "HTML Title:");
    HTMLTitleEdit = MakeEdit(G, this, "HTMLTitleEdit", kEditX, Y, 294, "Please enter the title at here");
    Y += kRowHeight;
    TableBorderLabel = Label(kLabelX, Y, "Table border:");
    TableBorderEdit = MakeEdit(G, this, "TableBorderEdit", kEditX, Y, 60, "0");
    TableBorderUpDown = MakeUpDown(G, this, TableBorderEdit, 0);
    TableCellSpacingLabel = Label(kRightLabelX, Y, "Table cellspacing:");
    TableCellSpacingEdit = MakeEdit(G, this, "TableCellSpacingEdit", kRightEditX, Y, 60, "0");
    TableCellSpacingUpDown = MakeUpDown(G, this, TableCellSpacingEdit, 0);
    Y += kRowHeight;
    TableCellPaddingLabel = Label(kLabelX, Y, "Table cellpadding:");
    TableCellPaddingEdit = MakeEdit(G, this, "TableCellPaddingEdit", kEditX, Y, 60, "0");
    TableCellPaddingUpDown = MakeUpDown(G, this, TableCellPaddingEdit, 0);
    Y += kRowHeight;
    HTMLFilenameLabel = Label(kLabelX, Y, "HTML Filename:");
    HTMLFilenameEdit = MakeEdit(G, this, "HTMLFilenameEdit", kEditX, Y, 294, "index.html");
    Y += kRowHeight + 4;
    GenSelectedBtn = PlaceControl<TRadioButton>(G, this, kLabelX, Y, 190, 18);
    GenSelectedBtn->SetName("GenSelectedBtn");
    GenSelectedBtn->SetCaption("Generate selected images");
    GenSelectedBtn->SetTabStop(true);
    GenAllBtn = PlaceControl<TRadioButton>(G, this, kRightLabelX, Y, 190, 18);
    GenAllBtn->SetName("GenAllBtn");
    GenAllBtn->SetCaption("Generate all images");
    GenSelectedBtn->SetChecked(true);

    GenButton = PlaceControl<TButton>(this, this, 282, 320, 80, 25);
    GenButton->SetName("GenButton");
    GenButton->SetCaption("&Generate");
    GenButton->SetDefault(true);
    GenButton->SetTabStop(true);
    GenButton->SetAnchors(TAnchors{akTop, akRight});
    GenButton->OnClick = [this](TObject* S) { GenButtonClick(S); };
    CancelButton = PlaceControl<TButton>(this, this, 368, 320, 80, 25);
    CancelButton->SetName("CancelButton");
    CancelButton->SetCaption("&Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    CancelButton->SetTabStop(true);
    CancelButton->SetAnchors(TAnchors{akTop, akRight});

    OnShow = [this](TObject* S) { FormShow(S); };
    FitText(this);
}

void TGenHTMLForm::FormShow(TObject*)
{
    HTMLTitleEdit->SetFocus();
}

void TGenHTMLForm::SelectFolderBtnClick(TObject*)
{
    std::string Folder;
    if (BrowseForFolder(GetHandle(), "Please select a folder", Trim(DestFolderEdit->GetText()), Folder))
        DestFolderEdit->SetText(Folder);
}

void TGenHTMLForm::GenButtonClick(TObject*)
{
    if (!Trim(DestFolderEdit->GetText()).empty() && !Trim(FolderNameEdit->GetText()).empty()) {
        SetModalResult(mrOk);
        return;
    }
    Application->MessageBox("Destination folder name or image folder name field is empty!", "Error",
                            MB_OK | MB_ICONERROR);
    DestFolderEdit->SetFocus();
}

void GenerateGallery(const std::vector<std::string>& AllFiles, const std::vector<std::string>& SelectedFiles)
{
    // Freed by the pointer in every case.
    const TComponentPtr<TGenHTMLForm> Form(new TGenHTMLForm(nullptr));
    if (Form->ShowModal() != mrOk)
        return;

    THTMLGenerator Generator;
    Generator.SetTitle(Form->HTMLTitleEdit->GetText());
    // Below one row or column a page would hold nothing.
    Generator.SetRows(std::max(NumberOf(Form->RowsEdit), 1));
    Generator.SetColumns(std::max(NumberOf(Form->ColsEdit), 1));
    const std::string FolderName = Trim(Form->FolderNameEdit->GetText());
    Generator.SetImageFolder(FolderName);
    Generator.SetThumbWidth(NumberOf(Form->ImageWidthEdit));
    Generator.SetThumbHeight(NumberOf(Form->ImageHeightEdit));
    Generator.SetBorder(NumberOf(Form->TableBorderEdit));
    Generator.SetCellSpacing(NumberOf(Form->TableCellSpacingEdit));
    Generator.SetCellPadding(NumberOf(Form->TableCellPaddingEdit));
    const std::vector<std::string>& Sources = Form->GenAllBtn->GetChecked() ? AllFiles : SelectedFiles;

    // One new folder in an existing destination; one already there ends the command.
    const std::string Destination = AddTrailingBackslash(Trim(Form->DestFolderEdit->GetText()));
    const std::string ImageFolder = AddTrailingBackslash(Destination + FolderName);
    if (!CreateDirectoryA(ImageFolder.c_str(), nullptr)) {
        const DWORD Code = GetLastError();
        throw EInOutError(Format("Cannot create the folder '%s': %s", ImageFolder, SysErrorMessage(Code)),
                          static_cast<int32_t>(Code));
    }

    int32_t Failed = 0;
    {
        if (!GenProgressForm)
            GenProgressForm = new TGenProgressForm(Application);
        GenProgressForm->SetMax(static_cast<int32_t>(Sources.size()) - 1);
        GenProgressForm->Show();
        TScopeExit Hide([] { GenProgressForm->Hide(); });
        for (size_t I = 0; I < Sources.size(); ++I) {
            // A source that cannot be copied is left out of the pages: no broken link.
            const std::string Copied = CopyIntoFolder(Sources[I], ImageFolder);
            if (Copied.empty())
                ++Failed;
            else
                Generator.GetImages()->Add(Copied);
            GenProgressForm->SetPosition(static_cast<int32_t>(I));
            GenProgressForm->UpdateNow();
        }
    }

    const std::string IndexPath = Destination + Trim(Form->HTMLFilenameEdit->GetText());
    Generator.SetFileName(IndexPath);
    for (int32_t K = 0; K < Generator.GetPageCount(); ++K)
        WriteTextFile(Generator.GetPageFileName(K), Generator.GetPage(K));
    if (Failed > 0)
        Application->MessageBox(Format("%d file(s) could not be copied !", Failed), "Error", MB_OK | MB_ICONERROR);
    if (Application->MessageBox("HTML File(s) generate finished, do you want to view the html file now?",
                                "Information", MB_YESNO | MB_ICONINFORMATION) == IDYES)
        ShellOpen(Form->GetHandle(), "open", IndexPath, "", "", SW_SHOWNORMAL);
}
