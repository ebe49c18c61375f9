#include "app/AddFileMaskForm.h"

#include "app/FormParts.h"
#include "app/OptionPages.h"
#include "platform/rtl/SysUtils.h"

using namespace OptionPages;

bool CleanMaskExtension(const std::string& Text, std::string& Extension)
{
    std::string E = Trim(Text);
    if (!E.empty() && E[0] == '.')
        E = Trim(E.substr(1));
    Extension = E;
    return !E.empty() && E.find(',') == std::string::npos;
}

TAddFileMaskForm::TAddFileMaskForm(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Add image extend name");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(300, 146);
    ExtGroupBox = MakeGroup(this, this, 8, 6, 284, 98, "Image extend name :");
    ExtLabel = MakeLabel(this, ExtGroupBox, 12, 28, "Extname :");
    ContentEdit = PlaceControl<TEdit>(ExtGroupBox, this, 100, 24, 170, 21);
    FolderLabel = MakeLabel(this, ExtGroupBox, 12, 62, "Target folder :");
    DescriptionEdit = PlaceControl<TEdit>(ExtGroupBox, this, 100, 58, 170, 21);
    DescriptionEdit->SetText("Saved");
    DescriptionEdit->SetEnabled(false);
    OkButton = MakeButton(this, this, 136, 112, 75, "&OK");
    OkButton->SetDefault(true);
    OkButton->OnClick = [this](TObject* S) { OkButtonClick(S); };
    CancelButton = MakeButton(this, this, 217, 112, 75, "&Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    SetActiveControl(ContentEdit);
}

void TAddFileMaskForm::OkButtonClick(TObject*)
{
    std::string Extension;
    if (!CleanMaskExtension(ContentEdit->GetText(), Extension)) {
        ShowErrorBox(this, "Sorry, the extend name is invalid, please change it and try again!");
        if (ContentEdit->CanFocus())
            ContentEdit->SetFocus();
        return;
    }
    ContentEdit->SetText(Extension);
    SetModalResult(mrOk);
}
