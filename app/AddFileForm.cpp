#include "app/AddFileForm.h"

#include "app/FormParts.h"
#include "app/OptionPages.h"

using namespace OptionPages;

TAddFileForm::TAddFileForm(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Add filename");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(300, 100);
    PromptLabel = MakeLabel(this, this, 8, 10, "Enter the filename below :");
    FileNameEdit = PlaceControl<TEdit>(this, this, 8, 30, 284, 21);
    OkButton = MakeButton(this, this, 136, 66, 75, "&OK");
    OkButton->SetDefault(true);
    OkButton->SetModalResult(mrOk);
    CancelButton = MakeButton(this, this, 217, 66, 75, "&Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    SetActiveControl(FileNameEdit);
}
