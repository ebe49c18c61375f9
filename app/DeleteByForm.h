#pragma once
// The Delete By dialog: one rule chosen by its radio button (pixel size, file size below a limit,
// file size within a range, or a file-name filter), with only that rule's controls enabled.

#include "app/DeleteByRules.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TUpDown;

class TDeleteByForm : public TForm {
public:
    explicit TDeleteByForm(TComponent* AOwner);
    std::string ClassName() const override { return "TDeleteByForm"; }

    // The chosen rule with its numbers (0 for a field that holds no number).
    TDeleteByRules GetRules() const;

    void ImageSizeButtonClick(TObject* Sender);
    void SmallThanButtonClick(TObject* Sender);
    void RangeButtonClick(TObject* Sender);
    void FileFilterButtonClick(TObject* Sender);

    TRadioButton* ImageSizeButton = nullptr;
    TRadioButton* SmallThanButton = nullptr;
    TRadioButton* RangeButton = nullptr;
    TRadioButton* FileFilterButton = nullptr;

    TGroupBox* ImageSizeGroup = nullptr;
    TLabel* SmallThanLabel = nullptr;
    TEdit* WidthEdit = nullptr;
    TUpDown* WidthUpDown = nullptr;
    TLabel* TimesLabel = nullptr;
    TEdit* HeightEdit = nullptr;
    TUpDown* HeightUpDown = nullptr;
    TLabel* NoteLabel = nullptr;

    TGroupBox* FileSizeGroup = nullptr;
    TEdit* SizeEdit = nullptr;
    TLabel* SizeKBLabel = nullptr;
    TEdit* SmallRangeEdit = nullptr;
    TLabel* SmallRangeLabel = nullptr;
    TEdit* BigRangeEdit = nullptr;
    TLabel* BigRangeLabel = nullptr;

    TGroupBox* FilterGroup = nullptr;
    TLabel* FilterLabel = nullptr;
    TEdit* FilterEdit = nullptr;
    TLabel* FilterExampleLabel = nullptr;

    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;

private:
    // Disables the controls of every mode, then enables those of Mode's own.
    void EnableMode(TRadioButton* Mode);
};
