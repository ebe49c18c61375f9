// The main window's View, Help and Options commands, the state panel's tabs, the status-bar hint
// and the column sizing of the lists.

#include <algorithm>
#include <iterator>

#include "app/AboutForm.h"
#include "app/HtmlHelp.h"
#include "app/MainActions.h"
#include "app/MainCommandBars.h"
#include "app/MainForm.h"
#include "app/OptionsForm.h"
#include "app/TipForm.h"
#include "app/WinTaskbar.h"
#include "engine/EngineRoutines.h"
#include "engine/EngineText.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/Files.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/ShellUtils.h"
#include "platform/win/StatusBar.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Tabs.h"

namespace {

const char* const kWebsiteAddress = "http://www.example.com/";

// Column Index takes the view's width less the other columns, the scroll bar and 5 pixels.
void FillColumn(TListView* View, int32_t Index, int32_t Width)
{
    TListColumns* Columns = View->GetColumns();
    if (Index < 0 || Index >= Columns->GetCount())
        return;
    int32_t Rest = Width - GetScrollBarWidth() - 5;
    for (int32_t I = 0; I < Columns->GetCount(); ++I)
        if (I != Index)
            Rest -= Columns->GetItem(I)->GetWidth();
    Columns->GetItem(Index)->SetWidth(std::max<int32_t>(Rest, 0));
}

// Adds Handler after whatever OnResize the control already has.
void ChainResize(TControl* Control, std::function<void()> Handler)
{
    TNotifyEvent Old = Control->OnResize;
    Control->OnResize = [Old, Handler](TObject* S) {
        if (Old)
            Old(S);
        Handler();
    };
}

} // namespace

void TMainForm::BindViewActions()
{
    auto Bind = [this](uint16_t Id, void (TMainForm::*Handler)(TObject*)) {
        Actions->BindAction(Id, [this, Handler](TObject* S) { (this->*Handler)(S); });
    };
    Bind(maViewToolBar, &TMainForm::ViewToolBarActionExecute);
    Bind(maViewStatePanel, &TMainForm::ViewStatePanelActionExecute);
    Bind(maViewShowAllFiles, &TMainForm::ViewShowAllFilesActionExecute);
    Bind(maViewFailedPanel, &TMainForm::ViewFailedPanelActionExecute);
    Bind(maViewOption, &TMainForm::ViewOptionActionExecute);
    Bind(maHelp, &TMainForm::HelpActionExecute);
    Bind(maHelpAbout, &TMainForm::HelpAboutActionExecute);
    Bind(maHelpWebsite, &TMainForm::HelpWebsiteActionExecute);
    Bind(maHelpTip, &TMainForm::HelpTipActionExecute);
    StateTabSet->OnChange = [this](TObject* S, int32_t NewTab, bool& Allow) { StateTabSetChange(S, NewTab, Allow); };
    AppUI()->OnHint = [this](TObject* S) { ShowHint(S); };
    ChainResize(FilesListView, [this] { FillColumn(FilesListView, 1, FilesListView->GetClientWidth()); });
    ChainResize(FailedUrlListView, [this] { FillColumn(FailedUrlListView, 0, FailedUrlListView->GetClientWidth()); });
    ChainResize(ImagesListView, [this] { FillColumn(ImagesListView, 3, ImagesListView->GetClientWidth()); });
    ChainResize(StatePanel, [this] { FillColumn(ReportListView, 2, StatePanel->GetWidth()); });
    ChainResize(DownloadedPanel,
                [this] { ImagesListView->SetWidth(std::max<int32_t>(DownloadedPanel->GetWidth() / 2, 0)); });
}

void TMainForm::UnbindViewHandlers()
{
    if (AppUI())
        AppUI()->OnHint = nullptr;
}

void TMainForm::SizeColumns()
{
    FillColumn(FilesListView, 1, FilesListView->GetClientWidth());
    FillColumn(FailedUrlListView, 0, FailedUrlListView->GetClientWidth());
    FillColumn(ImagesListView, 3, ImagesListView->GetClientWidth());
    FillColumn(ReportListView, 2, StatePanel->GetWidth());
}

// ---------------------------------------------------------------------------------------------
// View switches: each toggles its own tick first.

void TMainForm::ViewToolBarActionExecute(TObject*)
{
    TAction* A = Actions->ViewToolBarAction;
    A->SetChecked(!A->GetChecked());
    CommandBars->SetToolBarVisible(A->GetChecked());
}

void TMainForm::ViewStatePanelActionExecute(TObject*)
{
    TAction* A = Actions->ViewStatePanelAction;
    A->SetChecked(!A->GetChecked());
    StatePanel->SetVisible(A->GetChecked());
    StateSplitter->SetVisible(A->GetChecked());
    if (A->GetChecked()) {
        StateSplitter->SetTop(StatePanel->GetTop() - StateSplitter->GetHeight());
        FitPanelHeights();
    }
}

void TMainForm::ViewShowAllFilesActionExecute(TObject*)
{
    TAction* A = Actions->ViewShowAllFilesAction;
    A->SetChecked(!A->GetChecked());
    Settings->GetMenu()->SetShowAllFiles(A->GetChecked());
    TasksRefreshActionExecute(this);
}

void TMainForm::ViewFailedPanelActionExecute(TObject*)
{
    TAction* A = Actions->ViewFailedPanelAction;
    A->SetChecked(!A->GetChecked());
    Settings->GetMenu()->SetShowFailedPanel(A->GetChecked());
    FailedPanel->SetVisible(A->GetChecked());
    FailedSplitter->SetVisible(A->GetChecked());
    ArrangeBottomPanels();
}

// ---------------------------------------------------------------------------------------------
// The failed-address panel's buttons.

void TMainForm::ArrangeFailedButtons()
{
    TButton* const Buttons[] = {FailedRestartButton, FailedDeleteButton, FailedClearButton, FailedExportButton};
    TWinControl* Column = FailedExportButton->GetParent();
    if (!Column)
        return;
    constexpr int32_t kMargin = 8, kTop = 4, kWidth = 80, kHeight = 24, kPitchX = kWidth + kMargin, kPitchY = 28;
    constexpr int32_t kCount = static_cast<int32_t>(std::size(Buttons));
    // A row fits while its button ends within the panel (the last one needs no gap below it).
    const int32_t Rows = std::clamp<int32_t>(FailedPanel->GetClientHeight() / kPitchY, 1, kCount);
    const int32_t Columns = (kCount + Rows - 1) / Rows;
    for (int32_t I = 0; I < kCount; ++I)
        Buttons[I]->SetBounds(kMargin + I / Rows * kPitchX, kTop + I % Rows * kPitchY, kWidth, kHeight);
    Column->SetWidth(kMargin + Columns * kPitchX);
}

// ---------------------------------------------------------------------------------------------
// Options.

void TMainForm::ViewOptionActionExecute(TObject*)
{
    TRegOptions* O = Settings->GetOptions();
    // Freed through Free, as every modal window here: its OnDestroy runs while its members exist.
    TComponentPtr<TOptionForm> F(new TOptionForm(this));
    F->BeginFill();
    F->DefaultFolderEdit->SetText(O->GetDefaultFolder());
    F->EnableLimitCheckBox->SetChecked(O->GetEnableFileLimit());
    F->MaxEdit->SetText(IntToStr(O->GetFileMaxSize()));
    F->MinEdit->SetText(IntToStr(O->GetFileMinSize()));
    F->DeepTrackBar->SetPosition(O->GetSeekDeep());
    F->AutoShutDownCheckBox->SetChecked(O->GetAutoShutDown());
    F->ProxyCheckBox->SetChecked(O->GetUseProxyServer());
    F->HTTPServerEdit->SetText(O->GetProxyServerAddr());
    F->PortEdit->SetText(IntToStr(O->GetProxyServerPort()));
    F->DefaultLogFolderEdit->SetText(O->GetDefaultLogFolder());
    F->AutoSaveLogFileCheck->SetChecked(O->GetAutoSaveLog());
    F->ProjectPathEdit->SetText(O->GetProjectPath());
    F->TimeOutUpDown->SetPosition(O->GetTimeOut());
    F->SaveAsWebChk->SetChecked(O->GetSaveAsWebStructure());
    F->MiniBtn->SetChecked(O->GetCloseOption() == 0);
    F->QuitBtn->SetChecked(O->GetCloseOption() == 1);
    F->FillRuleLists(O);
    F->EndFill();
    if (F->ShowModal() != mrOk)
        return;

    O->SetDefaultFolder(AddTrailingBackslash(F->DefaultFolderEdit->GetText()));
    O->SetEnableFileLimit(F->EnableLimitCheckBox->GetChecked());
    O->SetFileMaxSize(StrToIntDef(F->MaxEdit->GetText(), 0));
    O->SetFileMinSize(StrToIntDef(F->MinEdit->GetText(), 0));
    O->SetSeekDeep(F->DeepTrackBar->GetPosition());
    O->SetAutoShutDown(F->AutoShutDownCheckBox->GetChecked());
    O->SetUseProxyServer(F->ProxyCheckBox->GetChecked());
    O->SetProxyServerAddr(F->HTTPServerEdit->GetText());
    O->SetProxyServerPort(StrToIntDef(F->PortEdit->GetText(), 80));
    O->SetDefaultLogFolder(AddTrailingBackslash(F->DefaultLogFolderEdit->GetText()));
    O->SetAutoSaveLog(F->AutoSaveLogFileCheck->GetChecked());
    O->SetProjectPath(AddTrailingBackslash(F->ProjectPathEdit->GetText()));
    O->SetTimeOut(static_cast<int16_t>(F->TimeOutUpDown->GetPosition()));
    O->SetSaveAsWebStructure(F->SaveAsWebChk->GetChecked());
    F->ReadRuleLists(O);
    if (F->MiniBtn->GetChecked()) {
        O->SetCloseOption(0);
        WinTaskbar->SetShowIcon(true);
    } else if (F->QuitBtn->GetChecked()) {
        O->SetCloseOption(1);
        WinTaskbar->SetShowIcon(false);
    }
}

// ---------------------------------------------------------------------------------------------
// Help.

void TMainForm::HelpActionExecute(TObject*)
{
    HtmlHelp(GetHandle(), AddTrailingBackslash(ProgramFolder()) + "zq.chm", 0, 0);
}

void TMainForm::HelpAboutActionExecute(TObject*)
{
    TComponentPtr<TAboutForm> F(new TAboutForm(this));
    F->ShowModal();
}

void TMainForm::HelpWebsiteActionExecute(TObject*)
{
    ShellOpen(GetHandle(), "open", kWebsiteAddress, "", "", SW_SHOWNORMAL);
}

void TMainForm::HelpTipActionExecute(TObject*)
{
    TRegWindow* W = Settings->GetWindow();
    TComponentPtr<TTipForm> F(new TTipForm(this));
    F->ShowTipCheckBox->SetChecked(!W->GetShowTip());
    F->ShowTip(W->GetTipIndex() + 1);
    F->ShowModal();
    W->SetTipIndex(F->GetCurrentIndex());
    W->SetShowTip(!F->GetDontShowTips());
}

// ---------------------------------------------------------------------------------------------

void TMainForm::StateTabSetChange(TObject*, int32_t NewTab, bool& AllowChange)
{
    AllowChange = true;
    if (NewTab >= 0 && NewTab < StateNotebook->GetPageCount())
        StateNotebook->SetPageIndex(NewTab);
}

void TMainForm::ShowHint(TObject*)
{
    if (StatusBar->GetPanels()->GetCount() > 1)
        StatusBar->GetPanels()->GetItem(1)->SetText(AppUI()->GetHint());
}
