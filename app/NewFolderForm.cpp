#include "app/NewFolderForm.h"

#include "app/FormParts.h"

TNewFolderForm::TNewFolderForm(TComponent* AOwner) : TForm(AOwner)
{
    SetName("NewFolderForm");
    SetCaption("New Folder");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(300, 104);

    PromptLabel = new TLabel(this);
    PromptLabel->SetParent(this);
    PromptLabel->SetCaption("Enter the folder name below :");
    PromptLabel->SetBounds(12, 12, 276, 15);

    FolderNameEdit = new TEdit(this);
    FolderNameEdit->SetName("FolderNameEdit");
    FolderNameEdit->SetParent(this);
    FolderNameEdit->SetBounds(12, 32, 276, 22);
    FolderNameEdit->SetTabStop(true);
    FolderNameEdit->SetAnchors(TAnchors{akLeft, akTop, akRight});

    OkButton = new TButton(this);
    OkButton->SetName("OkButton");
    OkButton->SetParent(this);
    OkButton->SetCaption("&OK");
    OkButton->SetBounds(132, 68, 75, 25);
    OkButton->SetDefault(true);
    OkButton->SetModalResult(mrOk);
    OkButton->SetTabStop(true);
    OkButton->SetAnchors(TAnchors{akTop, akRight});

    CancelButton = new TButton(this);
    CancelButton->SetName("CancelButton");
    CancelButton->SetParent(this);
    CancelButton->SetCaption("&Cancel");
    CancelButton->SetBounds(213, 68, 75, 25);
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    CancelButton->SetTabStop(true);
    CancelButton->SetAnchors(TAnchors{akTop, akRight});

    SetActiveControl(FolderNameEdit);
    FitText(this);
}
