#pragma once
// The small dialog that asks for one image extension and shows the folder its files go to.

#include <string>

#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TAddFileMaskForm : public TForm {
public:
    explicit TAddFileMaskForm(TComponent* AOwner);
    std::string ClassName() const override { return "TAddFileMaskForm"; }

    TGroupBox* ExtGroupBox = nullptr;
    TLabel* ExtLabel = nullptr;
    TEdit* ContentEdit = nullptr;
    TLabel* FolderLabel = nullptr;
    TEdit* DescriptionEdit = nullptr;
    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;

    // OK: drops a leading "." from the extension; an extension that is then empty or holds a ","
    // would never match (or split into a wrong folder), so it is refused and the dialog stays.
    void OkButtonClick(TObject* Sender);
};

// The extension as stored (blanks and one leading "." dropped); false when it cannot be used.
bool CleanMaskExtension(const std::string& Text, std::string& Extension);
