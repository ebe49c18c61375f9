#include "app/TaskForm.h"

#include <windows.h>

#include "app/FormParts.h"
#include "app/HtmlHelp.h"
#include "engine/EngineRoutines.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Clipboard.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Tabs.h"
#include "platform/win/TreeView.h"

using namespace OptionPages;

namespace {

const char* const kNameAndUrl = "Name and URL";

} // namespace

TTaskForm::TTaskForm(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Task");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(579, 437);

    OptionsTreeView = PlaceControl<TTreeView>(this, this, 8, 8, 156, 389);
    OptionsTreeView->SetReadOnly(true);
    OptionsTreeView->SetHideSelection(false);
    Notebook = PlaceControl<TNotebook>(this, this, 172, 8, 399, 389);
    GeneralPage = Notebook->AddPage("General");
    WebsitePage = Notebook->AddPage("Web site");
    SchemePage = Notebook->AddPage("Scheme");
    NameUrlPage = Notebook->AddPage(kNameAndUrl);
    NotePage = Notebook->AddPage("Note");

    BuildOptionPages(this, GeneralPage, WebsitePage, SchemePage, opTask);
    ExcludeUrlEdit = SiteEdit();

    // Name and URL.
    UrlGroupBox = MakeGroup(this, NameUrlPage, 4, 2, 391, 84, "Website url:");
    URLEdit = PlaceControl<TEdit>(UrlGroupBox, this, 10, 20, 371, 21);
    PasteUrlButton = MakeButton(this, UrlGroupBox, 10, 50, 75, "&Paste");
    CopyButton = MakeButton(this, UrlGroupBox, 91, 50, 120, "&Copy to clipboard");
    NameGroupBox = MakeGroup(this, NameUrlPage, 4, 90, 391, 76, "Task name:");
    TaskNameEdit = PlaceControl<TEdit>(NameGroupBox, this, 10, 20, 371, 21);
    SetEditLocked(TaskNameEdit, true);
    SpecifyNameCheckBox = PlaceControl<TCheckBox>(NameGroupBox, this, 10, 50, 300, 17);
    SpecifyNameCheckBox->SetCaption("Specified as URL address");
    SpecifyNameCheckBox->SetChecked(true);
    LoginGroupBox = MakeGroup(this, NameUrlPage, 4, 170, 391, 112, "Login :");
    NeedToLogin = PlaceControl<TCheckBox>(LoginGroupBox, this, 10, 20, 371, 17);
    NeedToLogin->SetCaption("This website need username and password to login");
    NameLabel = MakeLabel(this, LoginGroupBox, 10, 50, "Username :");
    UserNameEdit = PlaceControl<TEdit>(LoginGroupBox, this, 90, 46, 220, 21);
    PassLabel = MakeLabel(this, LoginGroupBox, 10, 80, "Password :");
    PasswordEdit = PlaceControl<TEdit>(LoginGroupBox, this, 90, 76, 220, 21);
    PasswordEdit->SetPasswordChar('*');
    for (TControl* C : {static_cast<TControl*>(NameLabel), static_cast<TControl*>(PassLabel),
                        static_cast<TControl*>(UserNameEdit), static_cast<TControl*>(PasswordEdit)})
        C->SetEnabled(false);

    // Note.
    NoteGroupBox = MakeGroup(this, NotePage, 4, 2, 391, 380, "Note :");
    NoteLabel = MakeLabel(this, NoteGroupBox, 10, 20, "Enter your task note below :");
    NoteMemo = PlaceControl<TMemo>(NoteGroupBox, this, 10, 40, 371, 330);
    NoteMemo->SetScrollBars(ssVertical);

    HelpButton = MakeButton(this, this, 8, 405, 75, "&Help");
    OkButton = MakeButton(this, this, 415, 405, 75, "&OK");
    OkButton->SetDefault(true);
    CancelButton = MakeButton(this, this, 496, 405, 75, "&Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);

    OptionsTreeView->OnChange = [this](TObject* S, TTreeNode* N) { OptionsTreeViewChange(S, N); };
    OkButton->OnClick = [this](TObject* S) { OkButtonClick(S); };
    HelpButton->OnClick = [this](TObject* S) { HelpButtonClick(S); };
    DefaultFolderEdit->OnChange = [this](TObject* S) { DefaultFolderEditChange(S); };
    TaskNameEdit->OnChange = [this](TObject* S) { TaskNameEditChange(S); };
    URLEdit->OnChange = [this](TObject* S) { URLEditChange(S); };
    URLEdit->OnExit = [this](TObject* S) { URLEditExit(S); };
    SpecifyNameCheckBox->OnClick = [this](TObject* S) { SpecifyNameCheckBoxClick(S); };
    PasteUrlButton->OnClick = [this](TObject* S) { PasteUrlButtonClick(S); };
    CopyButton->OnClick = [this](TObject* S) { CopyButtonClick(S); };
    NeedToLogin->OnClick = [this](TObject* S) { NeedToLoginClick(S); };
    OnShow = [this](TObject* S) { FormShow(S); };

    FormCreate(this);
    FitText(this, tfKeepSize);
}

TTaskForm::~TTaskForm() = default;

void TTaskForm::FormCreate(TObject*)
{
    Scheme = std::make_unique<TRegScheme>();
    AllowClipboardUrl = true;
    TTreeNodes* Nodes = OptionsTreeView->GetItems();
    TTreeNode* Task = Nodes->Add(nullptr, "Task");
    Nodes->AddChild(Task, kNameAndUrl);
    Nodes->AddChild(Task, "Note");
    TTreeNode* Options = Nodes->Add(nullptr, "Options");
    Nodes->AddChild(Options, "General");
    Nodes->AddChild(Options, "Web site");
    Nodes->AddChild(Options, "Scheme");
    for (TTreeNode* N = Nodes->GetFirstNode(); N; N = N->GetNext())
        N->Expand(false);
    ShowPage(kNameAndUrl);
}

void TTaskForm::FormShow(TObject*)
{
    FolderEdited = false;
    BaseFolder = DefaultFolderEdit->GetText();
    SchemeTypeComboBoxChange(SchemeTypeComboBox);
    if (GetCaption() != "New Task")
        return;
    if (SpecifyNameCheckBox->GetChecked())
        SpecifyNameCheckBox->SetChecked(false); // the click handler unlocks the name
    else
        SpecifyNameCheckBoxClick(SpecifyNameCheckBox);
    SetActiveControl(TaskNameEdit);
    if (TaskNameEdit->CanFocus())
        TaskNameEdit->SetFocus();
    if (!AllowClipboardUrl)
        return;
    std::string Text;
    try {
        Text = Clipboard()->GetAsText();
    } catch (const EClipboardException&) {
        return; // held by another program: no address then
    }
    if (Pos("http", LowerCase(Trim(Text))) == 1)
        URLEdit->SetText(Text);
}

void TTaskForm::OptionsTreeViewChange(TObject*, TTreeNode* Node)
{
    if (Node)
        Notebook->SetActivePage(Node->GetText()); // "Task" and "Options" have no page
}

void TTaskForm::OkButtonClick(TObject*)
{
    const std::string Name = TaskNameEdit->GetText();
    const std::string Address = NormalizedUrl(URLEdit->GetText());
    if (Trim(Name).empty() || !ValidTaskName(Name) || !URLHasHost(Address)) {
        ShowErrorBox(this, "Sorry, the task name or url is invalid, please change them and try again!");
        if (Notebook->GetActivePage() != kNameAndUrl)
            ShowPage(kNameAndUrl);
        SetActiveControl(TaskNameEdit);
        if (TaskNameEdit->CanFocus())
            TaskNameEdit->SetFocus();
        return;
    }
    // The name checked above is the name stored: completing the address here must not derive a
    // new one (an edited task whose stored address lacks the scheme would be renamed).
    {
        BeginFill();
        TScopeExit End([this] { EndFill(); });
        NormalizeUrl();
    }
    const std::string Folder = DefaultFolderEdit->GetText();
    if (!MakeFolderChain(Folder)) {
        // Downloads into a folder that cannot exist would all fail later.
        ShowErrorBox(this, Format("Sorry, the folder %s cannot be created, please change it and try again!",
                                  Trim(Folder).empty() ? std::string("Save folder") : Folder));
        ShowPage("General");
        SetActiveControl(DefaultFolderEdit);
        if (DefaultFolderEdit->CanFocus())
            DefaultFolderEdit->SetFocus();
        return;
    }
    SetModalResult(mrOk);
}

void TTaskForm::HelpButtonClick(TObject*)
{
    HtmlHelp(GetHandle(), HelpTopicPath("New Task"), 0, 0);
}

void TTaskForm::DefaultFolderEditChange(TObject*)
{
    // Only the user's typing on the General page counts, not the program's own changes.
    if (Filling() || FFollowingName)
        return;
    if (Notebook->GetActivePage() == "General")
        FolderEdited = true;
}

void TTaskForm::TaskNameEditChange(TObject*)
{
    if (Filling() || FolderEdited)
        return;
    TFlagScope Following(FFollowingName);
    DefaultFolderEdit->SetText(BaseFolder + TaskNameEdit->GetText() + "\\");
}

void TTaskForm::URLEditChange(TObject*)
{
    if (Filling() || !SpecifyNameCheckBox->GetChecked())
        return;
    TaskNameEdit->SetText(UrlToTaskName(URLEdit->GetText()));
}

void TTaskForm::URLEditExit(TObject*) { NormalizeUrl(); }

void TTaskForm::SpecifyNameCheckBoxClick(TObject*)
{
    const bool FromUrl = SpecifyNameCheckBox->GetChecked();
    SetEditLocked(TaskNameEdit, FromUrl);
    // A fill only locks or unlocks: the stored name stays.
    if (FromUrl && !Filling())
        TaskNameEdit->SetText(UrlToTaskName(URLEdit->GetText()));
}

void TTaskForm::PasteUrlButtonClick(TObject*) { URLEdit->SetText(Clipboard()->GetAsText()); }

void TTaskForm::CopyButtonClick(TObject*)
{
    const std::string Address = URLEdit->GetText();
    if (!Trim(Address).empty())
        Clipboard()->SetAsText(Address);
}

void TTaskForm::NeedToLoginClick(TObject*)
{
    const bool On = NeedToLogin->GetChecked();
    for (TControl* C : {static_cast<TControl*>(NameLabel), static_cast<TControl*>(PassLabel),
                        static_cast<TControl*>(UserNameEdit), static_cast<TControl*>(PasswordEdit)})
        C->SetEnabled(On);
}

std::string TTaskForm::UrlToTaskName(const std::string& Address)
{
    std::string Name;
    for (char C : Address)
        if (C != '.' && C != '\\' && C != '/' && C != ':' && C != '?' && C != '*')
            Name += C;
    return Name.empty() ? Name : UniqueFileName(Name);
}

std::string TTaskForm::NormalizedUrl(const std::string& Address)
{
    if (Pos("http://", LowerCase(Address)) > 0)
        return Address;
    return "http://" + Address;
}

void TTaskForm::NormalizeUrl()
{
    const std::string Address = URLEdit->GetText();
    const std::string Normal = NormalizedUrl(Address);
    if (Normal != Address)
        URLEdit->SetText(Normal);
}

void TTaskForm::ShowPage(const std::string& Caption)
{
    TTreeNode* N = OptionsTreeView->FindNodeByText(Caption);
    if (!N)
        return;
    OptionsTreeView->SetSelected(N);
    // Without a window the tree sends no change notice: bring the page up here as well.
    OptionsTreeViewChange(OptionsTreeView, N);
}
