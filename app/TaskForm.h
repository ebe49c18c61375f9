#pragma once
// The task dialog: start address, name, save folder, extensions and their folders, size limits,
// time-out, depth, excluded files and sites, login, note and start schedule of one download task.
//
// The opener fills the controls (inside BeginFill/EndFill), sets the caption "New Task" or
// "Edit Task", shows the dialog modally and on OK reads the controls back. While the opener fills,
// the handlers that derive one field from another (the name from the address, the folder from the
// name, the folder-edited mark) stay still, so filling never rewrites a stored name or folder.

#include <cstdint>
#include <string>

#include "app/OptionPages.h"
#include "platform/win/Forms.h"

class TButton;
class TCheckBox;
class TEdit;
class TGroupBox;
class TLabel;
class TMemo;
class TNotebook;
class TNotebookPage;
class TTreeNode;
class TTreeView;

class TTaskForm : public TForm, public TOptionPageSet {
public:
    explicit TTaskForm(TComponent* AOwner);
    ~TTaskForm() override;
    std::string ClassName() const override { return "TTaskForm"; }

    // Whether a "New Task" dialog may take its start address from the clipboard.
    bool AllowClipboardUrl = true;
    // The save-folder text when the dialog was shown; the folder follows it plus the task name.
    std::string BaseFolder;
    // Set once the user typed into the save-folder field on the General page.
    bool FolderEdited = false;

    // Fill mode for the opener; nests.
    void BeginFill() { ++FFillLevel; }
    void EndFill()
    {
        if (FFillLevel > 0)
            --FFillLevel;
    }
    bool Filling() const { return FFillLevel > 0; }

    TTreeView* OptionsTreeView;
    TNotebook* Notebook;
    TNotebookPage* GeneralPage;
    TNotebookPage* WebsitePage;
    TNotebookPage* SchemePage;
    TNotebookPage* NameUrlPage;
    TNotebookPage* NotePage;

    // Name and URL.
    TGroupBox* UrlGroupBox;
    TEdit* URLEdit;
    TButton* PasteUrlButton;
    TButton* CopyButton;
    TGroupBox* NameGroupBox;
    TEdit* TaskNameEdit;
    TCheckBox* SpecifyNameCheckBox;
    TGroupBox* LoginGroupBox;
    TCheckBox* NeedToLogin;
    TLabel* NameLabel;
    TEdit* UserNameEdit;
    TLabel* PassLabel;
    TEdit* PasswordEdit;
    // Note.
    TGroupBox* NoteGroupBox;
    TLabel* NoteLabel;
    TMemo* NoteMemo;
    // Web site: the excluded-site edit.
    TEdit* ExcludeUrlEdit;

    TButton* HelpButton;
    TButton* OkButton;
    TButton* CancelButton;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void OptionsTreeViewChange(TObject* Sender, TTreeNode* Node);
    void OkButtonClick(TObject* Sender);
    void HelpButtonClick(TObject* Sender);
    void DefaultFolderEditChange(TObject* Sender);
    void TaskNameEditChange(TObject* Sender);
    void URLEditChange(TObject* Sender);
    void URLEditExit(TObject* Sender);
    void SpecifyNameCheckBoxClick(TObject* Sender);
    void PasteUrlButtonClick(TObject* Sender);
    void CopyButtonClick(TObject* Sender);
    void NeedToLoginClick(TObject* Sender);

    // The address without ".", "\", "/", ":", "?" and "*", made unique against the files of the
    // current folder.
    static std::string UrlToTaskName(const std::string& Address);
    // Address with "http://" put in front unless it holds "http://" (any case) somewhere.
    static std::string NormalizedUrl(const std::string& Address);
    // URLEdit := NormalizedUrl(URLEdit).
    void NormalizeUrl();
    // Selects the first tree node with that text, which brings its page up; nothing when none.
    void ShowPage(const std::string& Caption);

private:
    int32_t FFillLevel = 0;
    bool FFollowingName = false; // the folder is being set from the name
};
