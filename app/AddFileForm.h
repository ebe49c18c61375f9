#pragma once
// The small dialog that asks for one file name to exclude.

#include <string>

#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TAddFileForm : public TForm {
public:
    explicit TAddFileForm(TComponent* AOwner);
    std::string ClassName() const override { return "TAddFileForm"; }

    TLabel* PromptLabel = nullptr;
    TEdit* FileNameEdit = nullptr;
    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;
};
