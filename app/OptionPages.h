#pragma once
// The General, Web site and Scheme pages that the task dialog and the default-options dialog
// share: their controls, made on the pages a dialog gives, and the handlers that behave alike in
// both. A dialog derives from TOptionPageSet beside its form class, so the controls are its own
// public members under their usual names.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/RegSettings.h"

class TButton;
class TCheckBox;
class TComboBox;
class TComponent;
class TCustomEdit;
class TCustomForm;
class TEdit;
class TGroupBox;
class TLabel;
class TListBox;
class TListView;
class TMemo;
class TObject;
class TTrackBar;
class TUpDown;
class TWinControl;

// Which dialog the pages are for; the captions and defaults that differ follow from it.
enum TOptionPagesFor { opTask, opDefaults };

class TOptionPageSet {
public:
    TOptionPageSet() = default;
    TOptionPageSet(const TOptionPageSet&) = delete;
    TOptionPageSet& operator=(const TOptionPageSet&) = delete;
    virtual ~TOptionPageSet() = default;

    // The schedule being edited, made with the dialog and freed with it.
    std::unique_ptr<TRegScheme> Scheme;

    // General.
    TGroupBox* FolderGroupBox = nullptr;
    TEdit* DefaultFolderEdit = nullptr;
    TButton* SelectDefaultFolderButton = nullptr;
    TCheckBox* SaveAsWebChk = nullptr;
    TGroupBox* MasksGroupBox = nullptr;
    TListView* MasksListView = nullptr;
    TButton* AddButton = nullptr;
    TButton* DeleteButton = nullptr;
    TButton* ClearButton = nullptr;
    TGroupBox* LimitGroupBox = nullptr;
    TCheckBox* EnableLimitCheckBox = nullptr;
    TLabel* MaxLabel = nullptr;
    TEdit* MaxEdit = nullptr;
    TLabel* KBLabel = nullptr;
    TLabel* MinLabel = nullptr;
    TEdit* MinEdit = nullptr;
    TLabel* KB2Label = nullptr;
    TGroupBox* TimeOutGroupBox = nullptr;
    TEdit* TimeOutLimitEdit = nullptr;
    TUpDown* TimeOutUpDown = nullptr;
    TLabel* SecLabel = nullptr;

    // Web site.
    TGroupBox* SeekGroupBox = nullptr;
    TLabel* SeekDeepLabel = nullptr;
    TTrackBar* DeepTrackBar = nullptr;
    TLabel* DeepValueLabel = nullptr;
    TGroupBox* ExcludeFileGroupBox = nullptr;
    TListView* ExcludeFileListView = nullptr;
    TButton* AddFileButton = nullptr;
    TButton* DeleteFileButton = nullptr;
    TGroupBox* ExcludeWebsitesGroupBox = nullptr;
    TListBox* ExcludeWebsitesListBox = nullptr;
    TButton* AddUrlBtn = nullptr;
    TButton* ReplaceUrlBtn = nullptr;
    TButton* DeleteUrlBtn = nullptr;

    // Scheme.
    TGroupBox* SchemeGroupBox = nullptr;
    TLabel* ChooseTypeLabel = nullptr;
    TComboBox* SchemeTypeComboBox = nullptr;
    TMemo* SchemeMemo = nullptr;
    TButton* ChangeSchemeButton = nullptr;
    // The default-options dialog only; nullptr in the task dialog.
    TCheckBox* AutoShutDownCheckBox = nullptr;

    // The twin handlers.
    void AddButtonClick(TObject* Sender);
    void DeleteButtonClick(TObject* Sender);
    void ClearButtonClick(TObject* Sender);
    void AddFileButtonClick(TObject* Sender);
    void DeleteFileButtonClick(TObject* Sender);
    void AddUrlBtnClick(TObject* Sender);
    void ReplaceUrlBtnClick(TObject* Sender);
    void DeleteUrlBtnClick(TObject* Sender);
    void ExcludeWebsitesListBoxClick(TObject* Sender);
    void EnableLimitCheckBoxClick(TObject* Sender);
    void DeepTrackBarChange(TObject* Sender);
    void SchemeTypeComboBoxChange(TObject* Sender);
    void ChangeSchemeButtonClick(TObject* Sender);
    void SelectDefaultFolderButtonClick(TObject* Sender);

    // The lists both dialogs edit alike: the file masks, excluded files, excluded sites and the
    // schedule, filled from Options and written back to it.
    void FillRuleLists(const TRegOptions* Options);
    void ReadRuleLists(TRegOptions* Options) const;

    // The excluded-site edit (ExcludeUrlEdit in the task dialog, UrlEdit in the options dialog).
    TEdit* SiteEdit() const { return FSiteEdit; }

protected:
    // Makes the controls of the three pages with Form as their owner and binds the handlers.
    void BuildOptionPages(TCustomForm* Form, TWinControl* GeneralPage, TWinControl* WebsitePage,
                          TWinControl* SchemePage, TOptionPagesFor For);
    // The folder dialog titled Title, starting at Edit's folder; a confirmed choice replaces it.
    void BrowseFolderInto(TEdit* Edit, const std::string& Title);

private:
    TCustomForm* FPagesForm = nullptr;
    TEdit* FSiteEdit = nullptr;
};

// Helpers the dialogs share.
namespace OptionPages {

// A label with its caption at X, Y.
TLabel* MakeLabel(TComponent* Owner, TWinControl* Parent, int32_t X, int32_t Y, const std::string& Caption);
TButton* MakeButton(TComponent* Owner, TWinControl* Parent, int32_t X, int32_t Y, int32_t W,
                    const std::string& Caption);
TGroupBox* MakeGroup(TComponent* Owner, TWinControl* Parent, int32_t X, int32_t Y, int32_t W, int32_t H,
                     const std::string& Caption);

// An edit switched between read-only with the button-face colour and editable with the window
// colour.
void SetEditLocked(TCustomEdit* Edit, bool Locked);

// Keeps an up-down's position in step with a number typed into its buddy edit, so reading the
// position gives what the user sees.
void FollowBuddy(TUpDown* UpDown, TEdit* Buddy);

// The "Error" box with the error icon, owned by Owner's window.
void ShowErrorBox(TWinControl* Owner, const std::string& Text);

// Creates Folder with all its missing parents; true when it exists afterwards as a folder.
bool MakeFolderChain(const std::string& Folder);

// The schedule type of a combo box text: 0 "None" ... 4 "Monthly", -1 for anything else.
int32_t SchemeTypeOfText(const std::string& Text);

} // namespace OptionPages
