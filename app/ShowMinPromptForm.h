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

    TImage* Image;
    TLabel* PNameLabel;
    TLabel* Line1Label;
    TLabel* Line2Label;
    TCheckBox* ShowNextCheck;
    TButton* OKButton;

    void FormCreate(TObject* Sender);
};
