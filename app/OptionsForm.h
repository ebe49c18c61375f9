#pragma once
// The default-options dialog: the download settings new tasks start from, the proxy, the log and
// project folders, the default schedule, automatic shut-down and what closing the main window
// does. The opener fills the controls (inside BeginFill/EndFill), shows the dialog modally and on
// OK reads them back; the dialog itself only makes sure the three folders exist.

#include <cstdint>
#include <string>

#include "app/OptionPages.h"
#include "platform/win/Forms.h"

class TButton;
class TCheckBox;
class TEdit;
class TGroupBox;
class TLabel;
class TPageControl;
class TPanel;
class TRadioButton;
class TTabSheet;

class TOptionForm : public TForm, public TOptionPageSet {
public:
    explicit TOptionForm(TComponent* AOwner);
    ~TOptionForm() override;
    std::string ClassName() const override { return "TOptionForm"; }

    // Fill mode for the opener; nests. No handler of this dialog derives one field from another,
    // so it only keeps the two dialogs alike for their callers.
    void BeginFill() { ++FFillLevel; }
    void EndFill()
    {
        if (FFillLevel > 0)
            --FFillLevel;
    }
    bool Filling() const { return FFillLevel > 0; }

    TPageControl* OptionPages;
    TTabSheet* GeneralSheet;
    TTabSheet* WebsiteSheet;
    TTabSheet* SchemeSheet;
    TTabSheet* ProxySheet;
    TTabSheet* LogsSheet;
    TTabSheet* ProjectSheet;
    TTabSheet* MiscSheet;
    TPanel* GeneralPanel;
    TPanel* WebsitePanel;
    TPanel* SchemePanel;
    TPanel* ProxyPanel;
    TPanel* LogsPanel;
    TPanel* ProjectPanel;

    // Web site: the excluded-site edit.
    TEdit* UrlEdit;
    // Proxy.
    TGroupBox* ProxyGroupBox;
    TCheckBox* ProxyCheckBox;
    TLabel* HTTPLabel;
    TEdit* HTTPServerEdit;
    TLabel* PortLabel;
    TEdit* PortEdit;
    // Logs.
    TGroupBox* LogGroupBox;
    TEdit* DefaultLogFolderEdit;
    TButton* LogFolderSelectButton;
    TCheckBox* AutoSaveLogFileCheck;
    // Project.
    TGroupBox* ProjectGroupBox;
    TEdit* ProjectPathEdit;
    TButton* ChangeProjectPathButton;
    // Misc.
    TGroupBox* CloseGroupBox;
    TRadioButton* MiniBtn;
    TRadioButton* QuitBtn;

    TPanel* BottomPanel;
    TButton* OkButton;
    TButton* CancelButton;
    TButton* HelpButton;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void ProxyCheckBoxClick(TObject* Sender);
    void LogFolderSelectButtonClick(TObject* Sender);
    void ChangeProjectPathButtonClick(TObject* Sender);
    void HelpButtonClick(TObject* Sender);
    // Makes each missing folder with its parents; a folder that is empty or cannot be made gives
    // the folder box, its tab comes up with the focus in its field and the dialog stays open.
    void OkButtonClick(TObject* Sender);

private:
    int32_t FFillLevel = 0;
};
