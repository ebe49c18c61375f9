#pragma once
// The gallery dialog and its driver: the settings of the HTML pages, then the chosen pictures
// copied into an image folder and the pages written, with the progress window showing.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/Forms.h"

class TButton;
class TEdit;
class TGroupBox;
class TLabel;
class TRadioButton;
class TUpDown;

class TGenHTMLForm : public TForm {
public:
    explicit TGenHTMLForm(TComponent* AOwner);
    std::string ClassName() const override { return "TGenHTMLForm"; }

    TGroupBox* SettingsGroupBox = nullptr;
    TLabel* DestFolderLabel = nullptr;
    TEdit* DestFolderEdit = nullptr;
    TButton* SelectFolderBtn = nullptr;
    TLabel* ImageWidthLabel = nullptr;
    TEdit* ImageWidthEdit = nullptr;
    TUpDown* ImageWidthUpDown = nullptr;
    TLabel* ImageHeightLabel = nullptr;
    TEdit* ImageHeightEdit = nullptr;
    TUpDown* ImageHeightUpDown = nullptr;
    TLabel* ColsLabel = nullptr;
    TEdit* ColsEdit = nullptr;
    TUpDown* ColsUpDown = nullptr;
    TLabel* RowsLabel = nullptr;
    TEdit* RowsEdit = nullptr;
    TUpDown* RowsUpDown = nullptr;
    TLabel* FolderNameLabel = nullptr;
    TEdit* FolderNameEdit = nullptr;
    TLabel* HTMLTitleLabel = nullptr;
    TEdit* HTMLTitleEdit = nullptr;
    TLabel* TableBorderLabel = nullptr;
    TEdit* TableBorderEdit = nullptr;
    TUpDown* TableBorderUpDown = nullptr;
    TLabel* TableCellSpacingLabel = nullptr;
    TEdit* TableCellSpacingEdit = nullptr;
    TUpDown* TableCellSpacingUpDown = nullptr;
    TLabel* TableCellPaddingLabel = nullptr;
    TEdit* TableCellPaddingEdit = nullptr;
    TUpDown* TableCellPaddingUpDown = nullptr;
    TLabel* HTMLFilenameLabel = nullptr;
    TEdit* HTMLFilenameEdit = nullptr;
    TRadioButton* GenSelectedBtn = nullptr;
    TRadioButton* GenAllBtn = nullptr;
    TButton* GenButton = nullptr;
    TButton* CancelButton = nullptr;

    void FormShow(TObject* Sender);
    void SelectFolderBtnClick(TObject* Sender);
    void GenButtonClick(TObject* Sender);
};

// The HTML command of the images library window: asks for the settings, copies the sources
// (AllFiles or SelectedFiles as the dialog chooses) into the image folder under names of their
// own, writes the pages, reports files that could not be copied and offers to open the first
// page. A failure to create the image folder raises (nothing is copied or written then).
void GenerateGallery(const std::vector<std::string>& AllFiles, const std::vector<std::string>& SelectedFiles);
