#include "app/OptionsForm.h"

#include <windows.h>

#include "app/FormParts.h"
#include "app/HtmlHelp.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/ListView.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Tabs.h"

using namespace OptionPages;

namespace {

TTabSheet* MakeSheet(TOptionForm* Form, TPageControl* Pages, const std::string& Caption)
{
    auto* S = new TTabSheet(Form);
    S->SetCaption(Caption);
    S->SetPageControl(Pages);
    return S;
}

TPanel* MakeSheetPanel(TOptionForm* Form, TTabSheet* Sheet)
{
    auto* P = new TPanel(Form);
    P->SetBevelOuter(bvNone);
    P->SetParent(Sheet);
    P->SetAlign(alClient);
    return P;
}

} // namespace

TOptionForm::TOptionForm(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Default options");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(419, 420);

    BottomPanel = PlaceControl<TPanel>(this, this, 0, 380, 419, 40);
    BottomPanel->SetAlign(alBottom);
    BottomPanel->SetBevelOuter(bvNone);
    OkButton = MakeButton(this, BottomPanel, 176, 8, 75, "&OK");
    OkButton->SetDefault(true);
    CancelButton = MakeButton(this, BottomPanel, 257, 8, 75, "&Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    HelpButton = MakeButton(this, BottomPanel, 338, 8, 75, "&Help");
    for (TButton* B : {OkButton, CancelButton, HelpButton})
        B->SetAnchors(TAnchors{akTop, akRight});

    OptionPages = PlaceControl<TPageControl>(this, this, 0, 0, 419, 380);
    OptionPages->SetAlign(alClient);
    OptionPages->SetHotTrack(true);
    GeneralSheet = MakeSheet(this, OptionPages, "General");
    WebsiteSheet = MakeSheet(this, OptionPages, "Web site");
    SchemeSheet = MakeSheet(this, OptionPages, "Scheme");
    ProxySheet = MakeSheet(this, OptionPages, "Proxy");
    LogsSheet = MakeSheet(this, OptionPages, "Logs");
    ProjectSheet = MakeSheet(this, OptionPages, "Project");
    MiscSheet = MakeSheet(this, OptionPages, "Misc.");
    GeneralPanel = MakeSheetPanel(this, GeneralSheet);
    WebsitePanel = MakeSheetPanel(this, WebsiteSheet);
    SchemePanel = MakeSheetPanel(this, SchemeSheet);
    ProxyPanel = MakeSheetPanel(this, ProxySheet);
    LogsPanel = MakeSheetPanel(this, LogsSheet);
    ProjectPanel = MakeSheetPanel(this, ProjectSheet);

    BuildOptionPages(this, GeneralPanel, WebsitePanel, SchemePanel, opDefaults);
    UrlEdit = SiteEdit();

    ProxyGroupBox = MakeGroup(this, ProxyPanel, 4, 2, 391, 104, "Proxy settings :");
    ProxyCheckBox = PlaceControl<TCheckBox>(ProxyGroupBox, this, 10, 20, 300, 17);
    ProxyCheckBox->SetCaption("I use proxy server to connect internet");
    HTTPLabel = MakeLabel(this, ProxyGroupBox, 10, 50, "HTTP Server :");
    HTTPServerEdit = PlaceControl<TEdit>(ProxyGroupBox, this, 100, 46, 220, 21);
    PortLabel = MakeLabel(this, ProxyGroupBox, 10, 78, "Port :");
    PortEdit = PlaceControl<TEdit>(ProxyGroupBox, this, 100, 74, 80, 21);
    for (TControl* C : {static_cast<TControl*>(HTTPLabel), static_cast<TControl*>(HTTPServerEdit),
                        static_cast<TControl*>(PortLabel), static_cast<TControl*>(PortEdit)})
        C->SetEnabled(false);

    LogGroupBox = MakeGroup(this, LogsPanel, 4, 2, 391, 80, "Default log file :");
    DefaultLogFolderEdit = PlaceControl<TEdit>(LogGroupBox, this, 10, 20, 290, 21);
    LogFolderSelectButton = MakeButton(this, LogGroupBox, 306, 18, 75, "&Browse");
    AutoSaveLogFileCheck = PlaceControl<TCheckBox>(LogGroupBox, this, 10, 52, 200, 17);
    AutoSaveLogFileCheck->SetCaption("Auto save log file");

    ProjectGroupBox = MakeGroup(this, ProjectPanel, 4, 2, 391, 54, "Project folder :");
    ProjectPathEdit = PlaceControl<TEdit>(ProjectGroupBox, this, 10, 20, 290, 21);
    ChangeProjectPathButton = MakeButton(this, ProjectGroupBox, 306, 18, 75, "&Browse");

    CloseGroupBox = MakeGroup(this, MiscSheet, 4, 2, 391, 76, "When close main window:");
    MiniBtn = PlaceControl<TRadioButton>(CloseGroupBox, this, 10, 22, 300, 17);
    MiniBtn->SetCaption("Minimize main window");
    QuitBtn = PlaceControl<TRadioButton>(CloseGroupBox, this, 10, 46, 300, 17);
    QuitBtn->SetCaption("Exit application");
    MiniBtn->SetChecked(true);

    ProxyCheckBox->OnClick = [this](TObject* S) { ProxyCheckBoxClick(S); };
    LogFolderSelectButton->OnClick = [this](TObject* S) { LogFolderSelectButtonClick(S); };
    ChangeProjectPathButton->OnClick = [this](TObject* S) { ChangeProjectPathButtonClick(S); };
    HelpButton->OnClick = [this](TObject* S) { HelpButtonClick(S); };
    OkButton->OnClick = [this](TObject* S) { OkButtonClick(S); };
    OnShow = [this](TObject* S) { FormShow(S); };

    OptionPages->SetActivePageIndex(0);
    FormCreate(this);
    FitText(this);
}

TOptionForm::~TOptionForm() = default;

void TOptionForm::FormCreate(TObject*) { Scheme = std::make_unique<TRegScheme>(); }

void TOptionForm::FormShow(TObject*)
{
    OptionPages->SetActivePageIndex(0);
    SetActiveControl(MasksListView);
    SchemeTypeComboBoxChange(SchemeTypeComboBox);
    for (TPanel* P : {GeneralPanel, WebsitePanel, SchemePanel, ProxyPanel, LogsPanel, ProjectPanel})
        P->SetColor(clBtnFace);
}

void TOptionForm::ProxyCheckBoxClick(TObject*)
{
    const bool On = ProxyCheckBox->GetChecked();
    for (TControl* C : {static_cast<TControl*>(HTTPLabel), static_cast<TControl*>(HTTPServerEdit),
                        static_cast<TControl*>(PortLabel), static_cast<TControl*>(PortEdit)})
        C->SetEnabled(On);
}

void TOptionForm::LogFolderSelectButtonClick(TObject*) { BrowseFolderInto(DefaultLogFolderEdit, "Log folder"); }

void TOptionForm::ChangeProjectPathButtonClick(TObject*) { BrowseFolderInto(ProjectPathEdit, "Project folder"); }

void TOptionForm::HelpButtonClick(TObject*)
{
    HtmlHelp(GetHandle(), HelpTopicPath("Default Options"), 0, 0);
}

void TOptionForm::OkButtonClick(TObject*)
{
    struct TFolderField {
        TEdit* Edit;
        TTabSheet* Sheet;
        const char* Label;
    };
    const TFolderField Fields[] = {{DefaultFolderEdit, GeneralSheet, "Default folder"},
                                   {DefaultLogFolderEdit, LogsSheet, "Default log file"},
                                   {ProjectPathEdit, ProjectSheet, "Project folder"}};
    for (const TFolderField& F : Fields) {
        const std::string Folder = F.Edit->GetText();
        if (MakeFolderChain(Folder))
            continue;
        // The caller would store a folder nothing can be saved into.
        ShowErrorBox(this, Format("Sorry, the folder %s cannot be created, please change it and try again!",
                                  Trim(Folder).empty() ? std::string(F.Label) : Folder));
        OptionPages->SetActivePage(F.Sheet);
        SetActiveControl(F.Edit);
        if (F.Edit->CanFocus())
            F.Edit->SetFocus();
        return;
    }
    SetModalResult(mrOk);
}
