// The main window's clock: every tick keeps the Report page of the selected task current and
// starts the loaded tasks whose schedule is due.

#include "app/MainForm.h"
#include "app/Scheduler.h"
#include "engine/Task.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Tabs.h"
#include "platform/win/TreeView.h"

std::string TMainForm::FinishedOfFound(TTask* Task)
{
    return Format("%d/%d", Task->GetDoneCount(), Task->GetItems()->GetCount());
}

void TMainForm::FillReport(TTask* Task)
{
    TListItems* Rows = ReportListView->GetItems();
    Rows->BeginUpdate();
    TScopeExit End([Rows] { Rows->EndUpdate(); });
    Rows->Clear();
    auto Row = [Rows](const std::string& Caption, const std::string& Value, const std::string& Description) {
        TListItem* Item = Rows->Add();
        Item->SetCaption(Caption);
        Item->GetSubItems()->Add(Value);
        Item->GetSubItems()->Add(Description);
        Item->SetImageIndex(3);
    };
    Row("Name", Task->GetName(), "Name of project");
    Row("URL", Task->GetStartURI() ? Task->GetStartURI()->GetURI() : std::string(), "Primary URL");
    Row("Files", FinishedOfFound(Task), "Finished/Found");
}

void TMainForm::UpdateReport(TTask* Task)
{
    TListItems* Rows = ReportListView->GetItems();
    // Only a report of this task.
    if (Rows->GetCount() == 0 || Rows->GetItem(0)->GetSubItems()->GetCount() == 0 ||
        Rows->GetItem(0)->GetSubItems()->GetStrings(0) != Task->GetName())
        return;
    for (int32_t I = 0; I < Rows->GetCount(); ++I) {
        TListItem* Item = Rows->GetItem(I);
        if (Item->GetCaption() == "Files" && Item->GetSubItems()->GetCount() > 0) {
            const std::string Text = FinishedOfFound(Task);
            if (Item->GetSubItems()->GetStrings(0) != Text)
                Item->GetSubItems()->SetStrings(0, Text);
            return;
        }
    }
}

void TMainForm::ClearReport()
{
    TListItems* Rows = ReportListView->GetItems();
    if (Rows->GetCount() == 0)
        return;
    Rows->BeginUpdate();
    Rows->Clear();
    Rows->EndUpdate();
}

TDateTime TMainForm::ClockNow() const
{
    return Clock ? Clock() : Now();
}

void TMainForm::TimerTimer(TObject*)
{
    if (!TaskList || !Settings)
        return;
    // The Report page follows the selected task.
    TTreeNode* Node = TasksTreeView->GetSelected();
    if (IsTaskNode(Node)) {
        TTask* Task = TaskOfNode(Node);
        if (Task && StateNotebook->GetActivePage() == "Report") {
            TListItems* Rows = ReportListView->GetItems();
            const bool Stale = Rows->GetCount() == 0 || Rows->GetItem(0)->GetSubItems()->GetCount() == 0 ||
                               Rows->GetItem(0)->GetSubItems()->GetStrings(0) != Task->GetName();
            if (Stale)
                FillReport(Task);
            else if (Task->GetState() == tsRunning)
                UpdateReport(Task);
        }
    } else {
        ClearReport();
    }
    // The scheduler, over the loaded tasks that are stopped and have a schedule. A due moment
    // starts a task once: one that ends inside its hourly window or on its day stays stopped.
    bool Started = false;
    for (TTask* T : TaskList->Snapshot()) {
        if (T->GetState() != tsStopped)
            continue;
        TRegScheme* Scheme = T->GetOptions()->GetScheme();
        if (Scheme->GetSchemeType() == 0)
            continue;
        const std::optional<TDateTime> Due = ScheduleDueMoment(*Scheme, ClockNow());
        if (!Due || !FScheduleMemory.TryFire(T->GetID(), *Due))
            continue;
        T->Start();
        if (T->GetSelected())
            MarkRunningRows(T);
        Started = true;
    }
    if (Started) {
        UpdateActions(false);
        UpdateTaskIcons();
    }
}
