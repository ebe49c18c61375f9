#pragma once
// The modal dialog that asks for the name of a new task folder.

#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TNewFolderForm : public TForm {
public:
    explicit TNewFolderForm(TComponent* AOwner);
    std::string ClassName() const override { return "TNewFolderForm"; }

    TLabel* PromptLabel = nullptr;
    TEdit* FolderNameEdit = nullptr;
    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;
};
