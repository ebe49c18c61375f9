#include "app/ConfirmDeleteForm.h"

#include <windows.h>

#include "app/FormParts.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Application.h"
#include "platform/win/ListView.h"

TConfirmDeleteForm::TConfirmDeleteForm(TComponent* AOwner) : TForm(AOwner)
{
    SetName("ConfirmDeleteForm");
    SetCaption("Confirm images delete action");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(384, 330);

    PromptLabel = PlaceLabel(this, this, 12, 10, 360, 15, "If you want to delete these images please");
    PromptLabel2 = PlaceLabel(this, this, 12, 28, 360, 15, "click OK button to continue.");
    FilesGroup = PlaceControl<TGroupBox>(this, this, 8, 50, 368, 238);
    FilesGroup->SetName("FilesGroup");
    FilesGroup->SetCaption("These images will be deleted:");
    FilesListView = PlaceControl<TListView>(FilesGroup, this, 10, 22, 348, 204);
    FilesListView->SetName("FilesListView");
    FilesListView->SetCheckboxes(true);
    FilesListView->SetReadOnly(true);
    FilesListView->SetRowSelect(true);
    TListColumn* Column = FilesListView->GetColumns()->Add();
    Column->SetCaption("Filename");
    Column->SetWidth(330);

    OkButton = PlaceControl<TButton>(this, this, 220, 298, 75, 25);
    OkButton->SetName("OkButton");
    OkButton->SetCaption("&OK");
    OkButton->SetDefault(true);
    OkButton->SetTabStop(true);
    OkButton->OnClick = [this](TObject* S) { OkButtonClick(S); };
    CancelButton = PlaceControl<TButton>(this, this, 301, 298, 75, 25);
    CancelButton->SetName("CancelButton");
    CancelButton->SetCaption("&Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    CancelButton->SetTabStop(true);
    SetActiveControl(OkButton);
    SetFiles(nullptr);
    FitText(this);
}

void TConfirmDeleteForm::SetFiles(const std::vector<std::string>* Files)
{
    if (!Files)
        return;
    TListItems* Rows = FilesListView->GetItems();
    Rows->BeginUpdate();
    Rows->Clear();
    for (const std::string& Name : *Files) {
        TListItem* Row = Rows->Add();
        Row->SetCaption(ExtractFileName(Name));
        // The row's own copy of the whole name, never one cut short.
        Row->Value().Set(Name);
        Row->SetChecked(true);
    }
    Rows->EndUpdate();
}

std::string TConfirmDeleteForm::NotDeletedText(const std::vector<std::string>& Files)
{
    // The box stays on the screen however many failed: the first names and a mark for the rest.
    constexpr size_t kMaxNamed = 20;
    std::string Text = Format("%d file(s) could not be deleted !", static_cast<int32_t>(Files.size()));
    for (size_t I = 0; I < Files.size() && I < kMaxNamed; ++I)
        Text += "\r\n" + Files[I];
    if (Files.size() > kMaxNamed)
        Text += "\r\n...";
    return Text;
}

std::string TConfirmDeleteForm::RowFileName(TListItem* Item)
{
    const std::string* P = Item ? Item->Value().Get<std::string>() : nullptr;
    return P ? *P : std::string();
}

void TConfirmDeleteForm::OkButtonClick(TObject*)
{
    TListItems* Rows = FilesListView->GetItems();
    if (Rows->GetCount() == 0) {
        Application->MessageBox("No image selected !", "Error", MB_OK | MB_ICONERROR);
    } else {
        // A file still there after its delete (held open, read-only) is named afterwards.
        std::vector<std::string> Kept;
        for (int32_t I = 0; I < Rows->GetCount(); ++I) {
            TListItem* Row = Rows->GetItem(I);
            if (!Row->GetChecked())
                continue;
            const std::string Path = RowFileName(Row);
            if (!DeleteFileA(Path.c_str()) && GetFileAttributesA(Path.c_str()) != INVALID_FILE_ATTRIBUTES)
                Kept.push_back(Path);
        }
        if (!Kept.empty())
            Application->MessageBox(NotDeletedText(Kept), "Error", MB_OK | MB_ICONERROR);
    }
    SetModalResult(mrOk);
}
