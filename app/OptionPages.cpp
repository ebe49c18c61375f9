#include "app/OptionPages.h"

#include <windows.h>

#include "app/AddFileForm.h"
#include "app/AddFileMaskForm.h"
#include "app/FormParts.h"
#include "app/SchemeForm.h"
#include "engine/EngineText.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Files.h"
#include "platform/win/ListView.h"
#include "platform/win/ShellUtils.h"

namespace OptionPages {

TLabel* MakeLabel(TComponent* Owner, TWinControl* Parent, int32_t X, int32_t Y, const std::string& Caption)
{
    TLabel* L = PlaceControl<TLabel>(Parent, Owner, X, Y, 60, 13);
    L->SetCaption(Caption);
    return L;
}

TButton* MakeButton(TComponent* Owner, TWinControl* Parent, int32_t X, int32_t Y, int32_t W, const std::string& Caption)
{
    TButton* B = PlaceControl<TButton>(Parent, Owner, X, Y, W, 25);
    B->SetCaption(Caption);
    return B;
}

TGroupBox* MakeGroup(TComponent* Owner, TWinControl* Parent, int32_t X, int32_t Y, int32_t W, int32_t H,
                     const std::string& Caption)
{
    TGroupBox* G = PlaceControl<TGroupBox>(Parent, Owner, X, Y, W, H);
    G->SetCaption(Caption);
    return G;
}

void SetEditLocked(TCustomEdit* Edit, bool Locked)
{
    Edit->SetReadOnly(Locked);
    Edit->SetColor(Locked ? clBtnFace : clWindow);
}

void FollowBuddy(TUpDown* UpDown, TEdit* Buddy)
{
    Buddy->OnChange = [UpDown, Buddy](TObject*) {
        int32_t V = 0;
        if (TryStrToInt(Trim(Buddy->GetText()), V) && V >= UpDown->GetMin() && V <= UpDown->GetMax() &&
            V != UpDown->GetPosition())
            UpDown->SetPosition(V);
    };
}

void ShowErrorBox(TWinControl* Owner, const std::string& Text)
{
    HWND W = Owner && Owner->HandleAllocated() ? Owner->GetHandle() : nullptr;
    ::MessageBoxA(W, Text.c_str(), "Error", MB_OK | MB_ICONERROR);
}

bool MakeFolderChain(const std::string& Folder)
{
    const std::string F = Trim(Folder);
    if (F.empty())
        return false;
    if (DirectoryExists(F))
        return true;
    ForceDirectories(F);
    return DirectoryExists(F);
}

int32_t SchemeTypeOfText(const std::string& Text)
{
    static const char* const Names[] = {"None", "Every", "Daily", "Weekly", "Monthly"};
    for (int32_t I = 0; I < 5; ++I)
        if (Text == Names[I])
            return I;
    return -1;
}

} // namespace OptionPages

using namespace OptionPages;

namespace {

// The extension and file-name lists are read-only and open nothing: Return goes on to the
// dialog's default button, as in every other control of the dialog.
class TRuleListView : public TListView {
public:
    using TListView::TListView;
    bool WantsKey(uint16_t Key) const override { return Key != VK_RETURN && TListView::WantsKey(Key); }
};

} // namespace

void TOptionPageSet::BuildOptionPages(TCustomForm* Form, TWinControl* GeneralPage, TWinControl* WebsitePage,
                                      TWinControl* SchemePage, TOptionPagesFor For)
{
    FPagesForm = Form;
    const bool Task = For == opTask;
    TComponent* O = Form;

    // General.
    FolderGroupBox = MakeGroup(O, GeneralPage, 4, 2, 391, 72, Task ? "Save folder :" : "Default folder :");
    DefaultFolderEdit = PlaceControl<TEdit>(FolderGroupBox, O, 10, 20, 290, 21);
    SelectDefaultFolderButton = MakeButton(O, FolderGroupBox, 306, 18, 75, "&Browse");
    SaveAsWebChk = PlaceControl<TCheckBox>(FolderGroupBox, O, 10, 48, 290, 17);
    SaveAsWebChk->SetCaption("Save as website directory structure");

    MasksGroupBox = MakeGroup(O, GeneralPage, 4, 78, 391, 148,
                              Task ? "Image extend names :" : "Default image extend names :");
    MasksListView = PlaceControl<TRuleListView>(MasksGroupBox, O, 10, 20, 290, 118);
    MasksListView->SetGridLines(true);
    MasksListView->SetRowSelect(true);
    MasksListView->SetReadOnly(true);
    MasksListView->SetHideSelection(false);
    TListColumn* C = MasksListView->GetColumns()->Add();
    C->SetCaption("Image extname");
    C->SetWidth(90);
    C = MasksListView->GetColumns()->Add();
    C->SetCaption("Directory");
    C->SetWidth(180);
    AddButton = MakeButton(O, MasksGroupBox, 306, 20, 75, "&Add");
    DeleteButton = MakeButton(O, MasksGroupBox, 306, 50, 75, "&Delete");
    ClearButton = MakeButton(O, MasksGroupBox, 306, 80, 75, "&Clear");

    LimitGroupBox = MakeGroup(O, GeneralPage, 4, 230, 250, 96, "File size limit :");
    EnableLimitCheckBox = PlaceControl<TCheckBox>(LimitGroupBox, O, 10, 20, 200, 17);
    EnableLimitCheckBox->SetCaption("Enable file size limit");
    MaxLabel = MakeLabel(O, LimitGroupBox, 10, 47, "Max. size :");
    MaxEdit = PlaceControl<TEdit>(LimitGroupBox, O, 84, 43, 110, 21);
    KBLabel = MakeLabel(O, LimitGroupBox, 200, 47, "KB");
    MinLabel = MakeLabel(O, LimitGroupBox, 10, 73, "Min. size :");
    MinEdit = PlaceControl<TEdit>(LimitGroupBox, O, 84, 69, 110, 21);
    KB2Label = MakeLabel(O, LimitGroupBox, 200, 73, "KB");
    if (Task) {
        MaxEdit->SetText("10240");
        MinEdit->SetText("10");
    }

    TimeOutGroupBox = MakeGroup(O, GeneralPage, 260, 230, 135, 96, "Time out :");
    TimeOutLimitEdit = PlaceControl<TEdit>(TimeOutGroupBox, O, 12, 26, 60, 21);
    TimeOutLimitEdit->SetText("60");
    TimeOutUpDown = PlaceControl<TUpDown>(TimeOutGroupBox, O, 72, 26, 16, 21);
    TimeOutUpDown->SetMin(0);
    TimeOutUpDown->SetMax(100);
    TimeOutUpDown->SetPosition(60);
    TimeOutUpDown->SetAssociate(TimeOutLimitEdit);
    FollowBuddy(TimeOutUpDown, TimeOutLimitEdit);
    SecLabel = MakeLabel(O, TimeOutGroupBox, 96, 30, "Sec.");

    // Web site.
    SeekGroupBox = MakeGroup(O, WebsitePage, 4, 2, 391, 58, "Seek options :");
    SeekDeepLabel = MakeLabel(O, SeekGroupBox, 10, 26, "Seek deep :");
    DeepTrackBar = PlaceControl<TTrackBar>(SeekGroupBox, O, 84, 18, 250, 30);
    DeepTrackBar->SetMax(30);
    DeepTrackBar->SetMin(0);
    DeepValueLabel = MakeLabel(O, SeekGroupBox, 344, 26, "10");

    ExcludeFileGroupBox = MakeGroup(O, WebsitePage, 4, 64, 391, 110, "Exclude file :");
    ExcludeFileListView = PlaceControl<TRuleListView>(ExcludeFileGroupBox, O, 10, 20, 290, 82);
    ExcludeFileListView->SetReadOnly(true);
    ExcludeFileListView->SetRowSelect(true);
    ExcludeFileListView->SetHideSelection(false);
    C = ExcludeFileListView->GetColumns()->Add();
    C->SetCaption("Filename");
    C->SetWidth(270);
    AddFileButton = MakeButton(O, ExcludeFileGroupBox, 306, 20, 75, "&Add");
    DeleteFileButton = MakeButton(O, ExcludeFileGroupBox, 306, 50, 75, Task ? "&Delete" : "D&elete");

    ExcludeWebsitesGroupBox = MakeGroup(O, WebsitePage, 4, 178, 391, 156, "Exclude websites :");
    ExcludeWebsitesListBox = PlaceControl<TListBox>(ExcludeWebsitesGroupBox, O, 10, 20, 290, 100);
    FSiteEdit = PlaceControl<TEdit>(ExcludeWebsitesGroupBox, O, 10, 126, 290, 21);
    AddUrlBtn = MakeButton(O, ExcludeWebsitesGroupBox, 306, 20, 75, "A&dd");
    ReplaceUrlBtn = MakeButton(O, ExcludeWebsitesGroupBox, 306, 50, 75, "&Replace");
    DeleteUrlBtn = MakeButton(O, ExcludeWebsitesGroupBox, 306, 80, 75, "De&lete");

    // Scheme.
    SchemeGroupBox = MakeGroup(O, SchemePage, 4, 2, 391, 200, "Scheme settings :");
    ChooseTypeLabel = MakeLabel(O, SchemeGroupBox, 10, 26, "Choose a type :");
    SchemeTypeComboBox = PlaceControl<TComboBox>(SchemeGroupBox, O, 100, 22, 150, 21);
    SchemeTypeComboBox->SetStyle(csDropDownList);
    for (const char* S : {"None", "Every", "Daily", "Weekly", "Monthly"})
        SchemeTypeComboBox->GetItems()->Add(S);
    SchemeTypeComboBox->SetItemIndex(0);
    ChangeSchemeButton = MakeButton(O, SchemeGroupBox, 306, 20, 75, "&Change");
    SchemeMemo = PlaceControl<TMemo>(SchemeGroupBox, O, 10, 54, 371, 136);
    SetEditLocked(SchemeMemo, true);
    if (!Task) {
        AutoShutDownCheckBox = PlaceControl<TCheckBox>(SchemePage, O, 10, 212, 380, 17);
        AutoShutDownCheckBox->SetCaption("Auto shutdown computer when running tasks finished");
    }

    // Handlers, bound after the defaults so that only the user's and the callers' changes run them.
    AddButton->OnClick = [this](TObject* S) { AddButtonClick(S); };
    DeleteButton->OnClick = [this](TObject* S) { DeleteButtonClick(S); };
    ClearButton->OnClick = [this](TObject* S) { ClearButtonClick(S); };
    AddFileButton->OnClick = [this](TObject* S) { AddFileButtonClick(S); };
    DeleteFileButton->OnClick = [this](TObject* S) { DeleteFileButtonClick(S); };
    AddUrlBtn->OnClick = [this](TObject* S) { AddUrlBtnClick(S); };
    ReplaceUrlBtn->OnClick = [this](TObject* S) { ReplaceUrlBtnClick(S); };
    DeleteUrlBtn->OnClick = [this](TObject* S) { DeleteUrlBtnClick(S); };
    ExcludeWebsitesListBox->OnClick = [this](TObject* S) { ExcludeWebsitesListBoxClick(S); };
    EnableLimitCheckBox->OnClick = [this](TObject* S) { EnableLimitCheckBoxClick(S); };
    DeepTrackBar->OnChange = [this](TObject* S) { DeepTrackBarChange(S); };
    SchemeTypeComboBox->OnChange = [this](TObject* S) { SchemeTypeComboBoxChange(S); };
    ChangeSchemeButton->OnClick = [this](TObject* S) { ChangeSchemeButtonClick(S); };
    SelectDefaultFolderButton->OnClick = [this](TObject* S) { SelectDefaultFolderButtonClick(S); };

    // The size limit starts on in the task dialog and off in the options dialog, its controls
    // following through the click handler.
    EnableLimitCheckBox->SetChecked(true);
    if (!Task)
        EnableLimitCheckBox->SetChecked(false);
    DeepTrackBar->SetPosition(10);
    DeepTrackBarChange(DeepTrackBar);
}

void TOptionPageSet::AddButtonClick(TObject*)
{
    TComponentPtr<TAddFileMaskForm> F(new TAddFileMaskForm(nullptr));
    if (F->ShowModal() != mrOk)
        return;
    TListItem* Item = MasksListView->GetItems()->Add();
    Item->SetCaption(F->ContentEdit->GetText());
    Item->GetSubItems()->Add(F->DescriptionEdit->GetText());
}

void TOptionPageSet::DeleteButtonClick(TObject*)
{
    if (TListItem* Item = MasksListView->GetSelected())
        Item->Delete();
}

void TOptionPageSet::ClearButtonClick(TObject*) { MasksListView->GetItems()->Clear(); }

void TOptionPageSet::AddFileButtonClick(TObject*)
{
    TComponentPtr<TAddFileForm> F(new TAddFileForm(nullptr));
    if (F->ShowModal() != mrOk)
        return;
    ExcludeFileListView->GetItems()->Add()->SetCaption(F->FileNameEdit->GetText());
}

void TOptionPageSet::DeleteFileButtonClick(TObject*)
{
    if (TListItem* Item = ExcludeFileListView->GetSelected())
        Item->Delete();
}

void TOptionPageSet::AddUrlBtnClick(TObject*)
{
    const std::string Text = FSiteEdit->GetText();
    if (Trim(Text).empty())
        return;
    const std::string Host = HostOfURL(Text);
    // No host to be had ("http://"): an empty line would exclude nothing, so the text stays to be
    // corrected.
    if (Host.empty())
        return;
    TStrings* Lines = ExcludeWebsitesListBox->GetItems();
    bool Present = false;
    for (int32_t I = 0; I < Lines->GetCount() && !Present; ++I)
        Present = Lines->GetStrings(I) == Host;
    if (!Present)
        Lines->Add(Host);
    FSiteEdit->SetText("");
}

void TOptionPageSet::ReplaceUrlBtnClick(TObject*)
{
    const std::string Text = FSiteEdit->GetText();
    const int32_t I = ExcludeWebsitesListBox->GetItemIndex();
    if (Trim(Text).empty() || I < 0)
        return;
    ExcludeWebsitesListBox->GetItems()->SetStrings(I, Text);
    ExcludeWebsitesListBox->SetItemIndex(I);
}

void TOptionPageSet::DeleteUrlBtnClick(TObject*)
{
    const int32_t I = ExcludeWebsitesListBox->GetItemIndex();
    if (I >= 0)
        ExcludeWebsitesListBox->GetItems()->Delete(I);
}

void TOptionPageSet::ExcludeWebsitesListBoxClick(TObject*)
{
    const int32_t I = ExcludeWebsitesListBox->GetItemIndex();
    if (I >= 0)
        FSiteEdit->SetText(ExcludeWebsitesListBox->GetItems()->GetStrings(I));
}

void TOptionPageSet::EnableLimitCheckBoxClick(TObject*)
{
    const bool On = EnableLimitCheckBox->GetChecked();
    for (TControl* C : {static_cast<TControl*>(MaxLabel), static_cast<TControl*>(MaxEdit),
                        static_cast<TControl*>(MinLabel), static_cast<TControl*>(MinEdit),
                        static_cast<TControl*>(KBLabel), static_cast<TControl*>(KB2Label)})
        C->SetEnabled(On);
}

void TOptionPageSet::DeepTrackBarChange(TObject*) { DeepValueLabel->SetCaption(IntToStr(DeepTrackBar->GetPosition())); }

void TOptionPageSet::SchemeTypeComboBoxChange(TObject*)
{
    const int32_t I = SchemeTypeComboBox->GetItemIndex();
    const std::string Text = I >= 0 ? SchemeTypeComboBox->GetItems()->GetStrings(I) : std::string();
    ChangeSchemeButton->SetEnabled(Text != "None");
    const int32_t Type = SchemeTypeOfText(Text);
    if (Type >= 0)
        Scheme->SetSchemeType(static_cast<uint8_t>(Type));
    SchemeMemo->GetLines()->Clear();
    const std::string Description = Scheme->Description();
    if (!Description.empty())
        SchemeMemo->GetLines()->Add(Description);
}

void TOptionPageSet::ChangeSchemeButtonClick(TObject*) { EditScheme(Scheme.get(), SchemeTypeComboBox, SchemeMemo); }

void TOptionPageSet::FillRuleLists(const TRegOptions* Options)
{
    MasksListView->GetItems()->Clear();
    for (int32_t I = 0; I < Options->GetFileMasks()->GetCount(); ++I) {
        std::string Ext, Folder;
        SplitMaskEntry(Options->GetFileMasks()->GetStrings(I), Ext, Folder);
        TListItem* Row = MasksListView->GetItems()->Add();
        Row->SetCaption(Ext);
        Row->GetSubItems()->Add(Folder);
    }
    ExcludeFileListView->GetItems()->Clear();
    for (int32_t I = 0; I < Options->GetExcludeFiles()->GetCount(); ++I)
        ExcludeFileListView->GetItems()->Add()->SetCaption(Options->GetExcludeFiles()->GetStrings(I));
    ExcludeWebsitesListBox->GetItems()->Assign(Options->GetExcludeWebsites());
    Scheme->Assign(Options->GetScheme());
    SchemeTypeComboBox->SetItemIndex(Options->GetScheme()->GetSchemeType());
}

void TOptionPageSet::ReadRuleLists(TRegOptions* Options) const
{
    TStringList Masks;
    for (int32_t I = 0; I < MasksListView->GetItems()->GetCount(); ++I) {
        TListItem* Row = MasksListView->GetItems()->GetItem(I);
        const std::string Folder = Row->GetSubItems()->GetCount() > 0 ? Row->GetSubItems()->GetStrings(0) : "";
        Masks.Add(Row->GetCaption() + ", " + Folder);
    }
    Options->SetFileMasks(&Masks);
    TStringList Files;
    for (int32_t I = 0; I < ExcludeFileListView->GetItems()->GetCount(); ++I)
        Files.Add(ExcludeFileListView->GetItems()->GetItem(I)->GetCaption());
    Options->SetExcludeFiles(&Files);
    Options->SetExcludeWebsites(ExcludeWebsitesListBox->GetItems());
    Options->GetScheme()->Assign(Scheme.get());
}

void TOptionPageSet::SelectDefaultFolderButtonClick(TObject*) { BrowseFolderInto(DefaultFolderEdit, "Default folder"); }

void TOptionPageSet::BrowseFolderInto(TEdit* Edit, const std::string& Title)
{
    std::string Folder;
    HWND Owner = FPagesForm && FPagesForm->HandleAllocated() ? FPagesForm->GetHandle() : nullptr;
    if (BrowseForFolder(Owner, Title, Edit->GetText(), Folder))
        Edit->SetText(Folder);
}
