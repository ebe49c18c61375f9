#pragma once
// The notice shown when the main window is minimised to the notification area, with the box that
// turns the notice off.

#include <string>

#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TShowMinPromptForm : public TForm {
public:
    explicit TShowMinPromptForm(TComponent* AOwner);
    std::string ClassName() const override { return "TShowMinPromptForm"; }

    TImage* Image = nullptr;
    TLabel* PNameLabel = nullptr;
    TLabel* Line1Label = nullptr;
    TLabel* Line2Label = nullptr;
    TCheckBox* ShowNextCheck = nullptr;
    TButton* OKButton = nullptr;

    void FormCreate(TObject* Sender);
};
