// The main window's side of a task's end and of the program's end: the finished callback, the
// run queue, closing (hiding to the tray or stopping everything and saving), Windows ending the
// session, the tray icon and the tip shown after start-up.

#include <cstdio>

#include "app/MainActions.h"
#include "app/MainForm.h"
#include "app/ShowMinPromptForm.h"
#include "app/ShutdownForm.h"
#include "app/TipForm.h"
#include "app/WinTaskbar.h"
#include "engine/EngineRoutines.h"
#include "engine/Task.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/RichEdit.h"
#include "platform/win/TreeView.h"

void TMainForm::BindCloseHandlers()
{
    OnCloseQuery = [this](TObject* S, bool& CanClose) { FormCloseQuery(S, CanClose); };
    OnClose = [this](TObject* S, TCloseAction& Action) { FormClose(S, Action); };
    Timer->SetOnTimer([this](TObject* S) { TimerTimer(S); });
    LoadTipTimer->SetOnTimer([this](TObject* S) { LoadTipTimerTimer(S); });
    WinTaskbar->OnClick = [this](TObject* S) { WinTaskbarClick(S); };
    TrayMenu->OnRestore = [this](TObject* S) { TrayRestore(S); };
    TrayMenu->OnExit = [this](TObject* S) { TasksExitActionExecute(S); };
    Actions->BindAction(maTasksExit, [this](TObject* S) { TasksExitActionExecute(S); });
}

void TMainForm::StartNextQueuedTask()
{
    if (StoppingAll || !TaskList)
        return;
    TTask* T = TaskList->NextQueued();
    if (!T)
        return;
    // Only the task being shown writes into the views: another task's rows must not mix in.
    TTreeNode* Shown = TasksTreeView->GetSelected();
    const bool IsShown = IsTaskNode(Shown) && LoadedTaskOf(NodePath(Shown)) == T;
    if (IsShown)
        T->SetSelected(true);
    T->Start();
    if (IsShown)
        MarkRunningRows(T);
    if (auto* N = static_cast<TTreeNode*>(T->GetTreeNode())) {
        N->SetImageIndex(tiRunningTask);
        N->SetSelectedIndex(tiRunningTask);
    }
}

void TMainForm::DeletePartialFiles(TTask* Task)
{
    // Partial downloads are named "<picture>!<n>!!wr"; the masks alone would also catch a
    // finished picture such as "hot.jpg!.jpg", so only names ending in "!!wr" go.
    const std::string Folder = AddTrailingBackslash(Task->GetOptions()->GetDefaultFolder());
    if (Folder == "\\")
        return;
    for (const char* Mask : {"Saved\\*.?!*", "Saved\\*.?\?!*", "Saved\\*.??\?!*", "Saved\\*.???\?!*"}) {
        WIN32_FIND_DATAA D;
        HANDLE H = FindFirstFileA((Folder + Mask).c_str(), &D);
        if (H == INVALID_HANDLE_VALUE)
            continue;
        std::vector<std::string> Doomed;
        do {
            const std::string Name = D.cFileName;
            if (!(D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && Name.size() > 4 &&
                SameText(Name.substr(Name.size() - 4), "!!wr"))
                Doomed.push_back(Name);
        } while (FindNextFileA(H, &D));
        FindClose(H);
        for (const std::string& Name : Doomed)
            DeleteFileA((Folder + "Saved\\" + Name).c_str()); // failures are passed over
    }
}

void TMainForm::TaskFinished(TObject* Sender)
{
    // The next queued task first, so the commands and icons refreshed below show it running.
    StartNextQueuedTask();
    UpdateActions(false);
    UpdateTaskIcons();
    FilesListView->GetItems()->Clear();
    if (auto* T = dynamic_cast<TTask*>(Sender)) {
        try {
            T->SaveToFile(T->GetFileName());
        } catch (const Exception& E) {
            AddLog("Cannot write the task file " + T->GetFileName() + " : " + E.Message());
        }
        DeletePartialFiles(T);
        // The timer refreshes the Report page only while a task runs: once more now, so a task
        // that ended between two ticks shows its final count.
        if (TTreeNode* Node = TasksTreeView->GetSelected(); Node && IsTaskNode(Node) && LoadedTaskOf(NodePath(Node)) == T)
            UpdateReport(T);
    }
    // A restart is not the end of the work, and a session Windows is ending is not ours to
    // switch off.
    if (Settings && Settings->GetOptions()->GetAutoShutDown() && !Restarting && !FEndingSession &&
        TaskList->GetRunningCount() == 0) {
        // Modal windows are freed through Free (TComponentPtr), so that their OnDestroy runs
        // while their own members still exist.
        TComponentPtr<TShutdownForm> F(new TShutdownForm(this));
        if (F->ShowModal() == mrOk)
            ShutDownComputer();
    }
}

// ---------------------------------------------------------------------------------------------
// Closing.

void TMainForm::FormCloseQuery(TObject*, bool& CanClose)
{
    CanClose = true;
    if (ExitRequested || !Settings || Settings->GetOptions()->GetCloseOption() != 0)
        return;
    CanClose = false;
    if (!ShowMinPromptFlag) {
        Hide();
        return;
    }
    TComponentPtr<TShowMinPromptForm> F(new TShowMinPromptForm(this));
    FMinPrompt = F.get();
    TScopeExit Gone([this] { FMinPrompt = nullptr; });
    // The main window hides once the notice has the activation. Hidden while still active,
    // it would hand the activation to some other program's window; that hand-over completes
    // asynchronously and can land after the notice took the activation, and the keyboard
    // then stays with the other program while the notice waits for Return or Esc.
    bool HiddenForNotice = false;
    F->OnActivate = [this, &HiddenForNotice](TObject*) {
        if (HiddenForNotice)
            return;
        HiddenForNotice = true;
        Hide();
    };
    F->ShowModal();
    if (!HiddenForNotice)
        Hide();
    if (F->ShowNextCheck->GetChecked())
        ShowMinPromptFlag = false;
}

void TMainForm::TasksExitActionExecute(TObject*)
{
    ExitRequested = true;
    Close();
}

std::string TMainForm::LogFileNameOf(TDateTime Moment)
{
    char Buf[64];
    std::snprintf(Buf, sizeof(Buf), "%.15g", Moment);
    std::string S = Buf;
    for (char& C : S)
        if (C == ',')
            C = '.';
    return S + ".rtf";
}

void TMainForm::FormClose(TObject*, TCloseAction& Action)
{
    if (!Settings)
        return;
    Timer->SetEnabled(false);
    LoadTipTimer->SetEnabled(false);
    // The tasks stop first, so their last lines are in the log saved below.
    TasksStopAllActionExecute(this);
    TRegOptions* O = Settings->GetOptions();
    // A log that cannot be written is reported; the settings are still saved.
    if (O->GetAutoSaveLog()) {
        const std::string Path = AddTrailingBackslash(O->GetDefaultLogFolder()) + LogFileNameOf(Now());
        try {
            LogEdit->SetPlainText(false);
            LogEdit->SaveToFile(Path);
        } catch (const Exception& E) {
            Application->MessageBox(E.Message(), "Error", MB_OK | MB_ICONERROR);
        }
    }
    TRegWindow* W = Settings->GetWindow();
    if (HandleAllocated()) {
        WINDOWPLACEMENT P{};
        P.length = sizeof(P);
        if (GetWindowPlacement(GetHandle(), &P)) {
            const RECT& R = P.rcNormalPosition;
            W->SetLeft(R.left);
            W->SetTop(R.top);
            W->SetWidth(R.right - R.left);
            W->SetHeight(R.bottom - R.top);
        }
        W->SetState(IsZoomed(GetHandle()) ? 2 : IsIconic(GetHandle()) ? 1 : 0);
    }
    W->SetShowMinPrompt(ShowMinPromptFlag);
    TRegMenu* M = Settings->GetMenu();
    M->SetShowStandardToolBar(Actions->ViewToolBarAction->GetChecked());
    M->SetShowStatePanel(Actions->ViewStatePanelAction->GetChecked());
    M->SetShowAllFiles(Actions->ViewShowAllFilesAction->GetChecked());
    M->SetFitImages(Actions->ImageFitAction->GetChecked());
    if (Actions->ImageUnsortAction->GetChecked())
        M->SetImageSort(0);
    else if (Actions->ImageSortByNameAction->GetChecked())
        M->SetImageSort(1);
    else if (Actions->ImageSortBySizeAction->GetChecked())
        M->SetImageSort(2);
    // The program ends with its main window (the application ends its loop); the window
    // itself goes with the application.
    Settings->Save();
    Action = caHide;
}

void TMainForm::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case WM_QUERYENDSESSION:
        // A log-off or shut-down, ours included, is never vetoed.
        M.Result = TRUE;
        return;
    case WM_ENDSESSION:
        M.Result = 0;
        if (M.WParam && !FEndingSession && Settings) {
            // Everything is stopped and saved before this returns: the process may end right after.
            FEndingSession = true;
            TasksExitActionExecute(this);
            Hide();
            FormDestroy(this);
        }
        return;
    default:
        break;
    }
    TForm::WndProc(M);
}

// ---------------------------------------------------------------------------------------------
// The tray icon and the tip.

void TMainForm::CloseMinPrompt()
{
    // The notice tells how to bring the window back: once it is back, the notice has done its
    // work and must not stay over it.
    if (FMinPrompt)
        FMinPrompt->SetModalResult(mrOk);
}

void TMainForm::WinTaskbarClick(TObject*)
{
    if (!HandleAllocated() || !IsWindowVisible(GetHandle())) {
        CloseMinPrompt();
        Show();
        SetForegroundWindow(GetHandle());
    } else {
        Hide();
    }
}

void TMainForm::TrayRestore(TObject*)
{
    CloseMinPrompt();
    if (!HandleAllocated() || !IsWindowVisible(GetHandle()))
        Show();
    SetForegroundWindow(GetHandle());
    BringWindowToTop(GetHandle());
}

void TMainForm::LoadTipTimerTimer(TObject*)
{
    if (!Settings || !Settings->GetWindow()->GetShowTip())
        return;
    LoadTipTimer->SetEnabled(false);
    TRegWindow* W = Settings->GetWindow();
    TComponentPtr<TTipForm> F(new TTipForm(this));
    F->ShowTip(W->GetTipIndex() + 1);
    F->ShowModal();
    if (!Settings)
        return;
    W->SetTipIndex(F->GetCurrentIndex());
    W->SetShowTip(!F->GetDontShowTips());
}
