// Closing with its saved settings, Windows ending the session, the tray icon, the tip and the
// View, Help and Options commands of the main window.

#include <cmath>
#include <cstdlib>

#include <windows.h>

#include <shellapi.h>

#include "app/OptionsForm.h"
#include "app/TipForm.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/StatusBar.h"
#include "tests/app/MainFormFixture.h"
#include "tests/app/MainFormBars.h"

using namespace MainFormTest;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;
using TestSupport::TDialogAnswerer;

namespace {

class CloseTest : public ServedMainFormFixture {};

// ---------------------------------------------------------------------------------------------
// Closing and the tray.


class QuitTest : public ServedMainFormFixture {
protected:
    QuitTest()
    {
        Seed = [](TRegSettings& S) {
            S.GetOptions()->SetCloseOption(1);
            S.GetMenu()->SetImageSort(2);
        };
    }
};

TEST_F(QuitTest, CloseStopsEverythingAndStoresPlacementAndMenu)
{
    SlowTask("A");
    MakeForm();
    Run("A");
    Command(maViewToolBar);  // untick
    Command(maViewStatePanel);
    Form->Actions->ImageUnsortAction->SetChecked(false);
    Form->Actions->ImageSortBySizeAction->SetChecked(false);
    Form->Actions->ImageSortByNameAction->SetChecked(true);
    SetWindowPos(Form->GetHandle(), nullptr, 40, 50, 600, 450, SWP_NOZORDER);
    ShowWindow(Form->GetHandle(), SW_MAXIMIZE);
    PumpFor(50);
    TTask* A = Task("A");
    EXPECT_EQ(A->GetState(), tsRunning);
    SendMessageA(Form->GetHandle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(Visible());
    EXPECT_EQ(A->GetState(), tsStopped);
    Form.reset();
    std::unique_ptr<TRegSettings> S = Stored();
    EXPECT_EQ(S->GetWindow()->GetState(), 2);
    EXPECT_EQ(S->GetWindow()->GetLeft(), 40);
    EXPECT_EQ(S->GetWindow()->GetTop(), 50);
    EXPECT_EQ(S->GetWindow()->GetWidth(), 600);
    EXPECT_EQ(S->GetWindow()->GetHeight(), 450);
    EXPECT_FALSE(S->GetMenu()->GetShowStandardToolBar());
    EXPECT_FALSE(S->GetMenu()->GetShowStatePanel());
    EXPECT_EQ(S->GetMenu()->GetImageSort(), 1);
    TTask Reloaded;
    Reloaded.LoadFromFile(Projects + "A.wrp");
    EXPECT_GE(Reloaded.GetItems()->GetCount(), 1);
    EXPECT_TRUE(FileExistsA(Temp.Path() + "imglib.db"));
}

TEST_F(QuitTest, SortByTypeLeavesTheStoredSort)
{
    MakeForm();
    Form->Actions->ImageUnsortAction->SetChecked(false);
    Form->Actions->ImageSortBySizeAction->SetChecked(false);
    Form->Actions->ImageSortByNameAction->SetChecked(false);
    Form->Actions->ImageSortByTypeAction->SetChecked(true);
    ExitAndWait();
    EXPECT_EQ(Stored()->GetMenu()->GetImageSort(), 2);
}

class LogTest : public ServedMainFormFixture {
protected:
    LogTest()
    {
        Seed = [](TRegSettings& S) { S.GetOptions()->SetAutoSaveLog(true); };
    }
    // The start-up replaces a log folder that does not exist, so the test sets it on the running
    // window.
    void SetLogFolder(const std::string& Folder) { Form->Settings->GetOptions()->SetDefaultLogFolder(Folder); }
};

TEST_F(LogTest, ExitSavesTheLogAsRichText)
{
    const std::string LogFolder = Temp.Path() + "Logs\\";
    CreateDirectoryA(LogFolder.c_str(), nullptr);
    MakeForm();
    SetLogFolder(LogFolder);
    Form->AddLog("a line for the saved log");
    // More lines than the pane shows: the saved log still has every one of them.
    for (int I = 0; I < 2500; ++I)
        Form->AddLog("crawl line " + std::to_string(I) + ".");
    const double Before = Now();
    ExitAndWait();
    WIN32_FIND_DATAA D;
    HANDLE H = FindFirstFileA((LogFolder + "*.rtf").c_str(), &D);
    ASSERT_NE(H, INVALID_HANDLE_VALUE);
    const std::string Name = D.cFileName;
    EXPECT_FALSE(FindNextFileA(H, &D)) << "one file";
    FindClose(H);
    const double Day = std::atof(Name.c_str());
    EXPECT_LT(std::fabs(Day - Before), 1.0 / 1440);
    EXPECT_EQ(Name.find(','), std::string::npos);
    const std::string Text = ReadAll(LogFolder + Name);
    EXPECT_EQ(Text.rfind("{\\rtf", 0), 0u);
    EXPECT_NE(Text.find("a line for the saved log"), std::string::npos);
    EXPECT_NE(Text.find("crawl line 0."), std::string::npos);
    EXPECT_NE(Text.find("crawl line 1250."), std::string::npos);
    EXPECT_NE(Text.find("crawl line 2499."), std::string::npos);
}

TEST_F(LogTest, UnsavableLogIsReportedAndSettingsAreStillSaved)
{
    const std::string Plain = Temp.Path() + "plain.txt";
    HANDLE F = CreateFileA(Plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(F);
    MakeForm();
    SetLogFolder(Plain + "\\Logs\\");
    SetWindowPos(Form->GetHandle(), nullptr, 33, 44, 640, 480, SWP_NOZORDER);
    Command(maViewToolBar);
    TDialogAnswerer Error("", IDOK);
    ExitAndWait();
    EXPECT_EQ(Error.AnsweredCount(), 1);
    EXPECT_EQ(Error.Caption(), "Error");
    EXPECT_NE(Error.Text().find("plain.txt"), std::string::npos) << Error.Text();
    std::unique_ptr<TRegSettings> S = Stored();
    EXPECT_EQ(S->GetWindow()->GetLeft(), 33);
    EXPECT_EQ(S->GetWindow()->GetWidth(), 640);
    EXPECT_FALSE(S->GetMenu()->GetShowStandardToolBar());
}

class EndSessionTest : public ServedMainFormFixture {
protected:
    EndSessionTest() { Seed = [](TRegSettings& S) { S.GetOptions()->SetAutoShutDown(true); }; }
};

TEST_F(EndSessionTest, WindowsEndingTheSessionIsNeverVetoedAndSavesEverything)
{
    SlowTask("A");
    MakeForm();
    Run("A");
    TFormAnswerer AnyForm("Shutdown computer", [](TCustomForm* F) { F->SetModalResult(mrCancel); });
    TFormAnswerer Notice("Minized", [](TCustomForm* F) { F->SetModalResult(mrOk); });
    const LRESULT R = SendMessageA(Form->GetHandle(), WM_QUERYENDSESSION, 0, 0);
    EXPECT_EQ(R, TRUE);
    PumpFor(100);
    EXPECT_TRUE(Visible());
    EXPECT_EQ(Notice.Count(), 0);
    Command(maViewToolBar);
    DeleteFileA((Temp.Path() + "imglib.db").c_str());
    SendMessageA(Form->GetHandle(), WM_ENDSESSION, TRUE, 0);
    // Saved before the message returned.
    EXPECT_TRUE(FileExistsA(Temp.Path() + "imglib.db"));
    EXPECT_FALSE(Stored()->GetMenu()->GetShowStandardToolBar());
    EXPECT_EQ(AnyForm.Count(), 0) << "no countdown while Windows ends the session";
    TTask Reloaded;
    Reloaded.LoadFromFile(Projects + "A.wrp");
    EXPECT_GE(Reloaded.GetItems()->GetCount(), 1);
    EXPECT_FALSE(Visible());
    EXPECT_EQ(Form->TaskList, nullptr) << "the tasks were stopped and freed before the message returned";
    Form.reset();
    EXPECT_EQ(SeamLinesContaining("shutdown"), 0);
}

TEST_F(CloseTest, TrayClickTogglesTheWindowAtTheStoredPlacement)
{
    MakeForm();
    ASSERT_TRUE(Visible());
    const HWND Tray = Form->WinTaskbar->GetWindowHandle();
    auto Click = [Tray] {
        SendMessageA(Tray, WM_TASKBAR_CALLBACK, 0, WM_LBUTTONDOWN);
        SendMessageA(Tray, WM_TASKBAR_CALLBACK, 0, WM_LBUTTONUP);
        PumpFor(30);
    };
    Click();
    EXPECT_FALSE(Visible());
    Click();
    EXPECT_TRUE(Visible());
    SetWindowPos(Form->GetHandle(), nullptr, 200, 150, 500, 300, SWP_NOZORDER);
    Click();
    Click();
    EXPECT_TRUE(Visible());
    RECT R;
    GetWindowRect(Form->GetHandle(), &R);
    EXPECT_EQ(R.left, 20);
    EXPECT_EQ(R.top, 20);
    EXPECT_EQ(R.right - R.left, 760);
}

class TipTest : public ServedMainFormFixture {
protected:
    TipTest()
    {
        Seed = [](TRegSettings& S) {
            S.GetWindow()->SetShowTip(true);
            S.GetWindow()->SetTipIndex(2);
        };
    }
};

TEST_F(TipTest, TipAppearsAfterStartAndItsBoxIsStored)
{
    int Shown = -1;
    TFormAnswerer Tip("Tip of the Day", [&Shown](TCustomForm* F) {
        auto* T = static_cast<TTipForm*>(F);
        Shown = T->GetCurrentIndex();
        T->ShowTipCheckBox->SetChecked(true);
        T->SetModalResult(mrOk);
    });
    MakeForm(); // the real tip timer runs
    ASSERT_TRUE(PumpUntil([&Tip] { return Tip.Count() == 1; }, 15000, "the tip window"));
    PumpFor(100);
    EXPECT_EQ(Shown, 3);
    ExitAndWait();
    std::unique_ptr<TRegSettings> S = Stored();
    EXPECT_FALSE(S->GetWindow()->GetShowTip());
    EXPECT_EQ(S->GetWindow()->GetTipIndex(), 3);
}

TEST_F(CloseTest, NoTipWhenSwitchedOffAndTheCommandTicksTheBox)
{
    MakeForm();
    {
        TFormAnswerer Tip("Tip of the Day", [](TCustomForm* F) { F->SetModalResult(mrOk); });
        ASSERT_TRUE(PumpUntilTicked(Form->LoadTipTimer, 1, "the tip timer"));
        EXPECT_EQ(Tip.Count(), 0);
    }
    bool Ticked = false;
    TFormAnswerer Cmd("Tip of the Day", [&Ticked](TCustomForm* F) {
        Ticked = static_cast<TTipForm*>(F)->ShowTipCheckBox->GetChecked();
        F->SetModalResult(mrOk);
    });
    Command(maHelpTip);
    EXPECT_EQ(Cmd.Count(), 1);
    EXPECT_TRUE(Ticked) << "ShowTip is off: the box opens ticked";
    EXPECT_FALSE(Form->Settings->GetWindow()->GetShowTip());
}

// ---------------------------------------------------------------------------------------------
// View, Help and Options.

TEST_F(CloseTest, ShowAllFilesIsAppliedAtOnceAndRemembered)
{
    HANDLE H = CreateFileA((Projects + "notes.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(H);
    SlowTask("A");
    MakeForm();
    ASSERT_TRUE(Form->Actions->ViewShowAllFilesAction->GetChecked());
    ASSERT_NE(NodeOfText("notes.txt"), nullptr);
    Command(maViewShowAllFiles);
    EXPECT_EQ(NodeOfText("notes.txt"), nullptr);
    EXPECT_NE(Node("A"), nullptr);
    ExitAndWait();
    EXPECT_FALSE(Stored()->GetMenu()->GetShowAllFiles());
    MakeForm();
    EXPECT_EQ(NodeOfText("notes.txt"), nullptr);
}

TEST_F(CloseTest, ViewSwitchesShowAndHidePanelsWithoutGaps)
{
    MakeForm();
    // The toolbar's window may be made again when the bar shows again.
    auto ToolBarShows = [this] {
        TCustomcbBarControl* Window = ToolBarWindow(Form.get());
        return Window && Window->HandleAllocated() && IsWindowVisible(Window->GetHandle());
    };
    ASSERT_TRUE(ToolBarShows());
    Command(maViewToolBar);
    EXPECT_FALSE(ToolBarShows());
    Command(maViewToolBar);
    EXPECT_TRUE(ToolBarShows());

    ASSERT_TRUE(Form->StatePanel->GetVisible());
    Command(maViewStatePanel);
    EXPECT_FALSE(Form->StatePanel->GetVisible());
    EXPECT_FALSE(Form->StateSplitter->GetVisible());
    EXPECT_FALSE(IsWindowVisible(Form->LogEdit->GetHandle()));
    Command(maViewStatePanel);
    EXPECT_TRUE(Form->StatePanel->GetVisible());
    EXPECT_TRUE(Form->StateSplitter->GetVisible());
    EXPECT_EQ(Form->StateSplitter->GetTop() + Form->StateSplitter->GetHeight(), Form->StatePanel->GetTop());

    ASSERT_FALSE(Form->FailedPanel->GetVisible());
    Command(maViewFailedPanel);
    PumpFor(30);
    EXPECT_TRUE(IsWindowVisible(Form->FailedUrlListView->GetHandle()));
    for (TButton* B : {Form->FailedRestartButton, Form->FailedDeleteButton, Form->FailedClearButton,
                       Form->FailedExportButton})
        EXPECT_TRUE(IsWindowVisible(B->GetHandle()));
    EXPECT_EQ(Form->FailedSplitter->GetHeight(), 5);
    EXPECT_EQ(Form->FailedSplitter->GetTop() + 5, Form->FailedPanel->GetTop());
    EXPECT_EQ(Form->FilesListView->GetTop() + Form->FilesListView->GetHeight(), Form->FailedSplitter->GetTop());
    // Below the failed-address panel: the downloaded-files splitter when that pane shows, else
    // the bottom of the client area.
    auto Below = [this] {
        return Form->DownloadedSplitter->GetVisible() ? Form->DownloadedSplitter->GetTop()
                                                      : Form->ClientPanel->GetClientHeight();
    };
    EXPECT_EQ(Form->FailedPanel->GetTop() + Form->FailedPanel->GetHeight(), Below());
    EXPECT_TRUE(Form->Settings->GetMenu()->GetShowFailedPanel());
    Command(maViewFailedPanel);
    EXPECT_FALSE(Form->FailedPanel->GetVisible());
    EXPECT_FALSE(Form->FailedSplitter->GetVisible());
    EXPECT_EQ(Form->FilesListView->GetTop() + Form->FilesListView->GetHeight(), Below());
}

TEST_F(CloseTest, OptionsShowTheGlobalValuesAndReadThemBack)
{
    MakeForm();
    TRegOptions* O = Form->Settings->GetOptions();
    O->SetProxyServerPort(8080);
    O->SetFileMaxSize(777);
    ASSERT_TRUE(Form->WinTaskbar->GetIconShown());
    std::string SeenPort, SeenMax, SeenFolder;
    {
        TFormAnswerer Cancel("Default options", [&](TCustomForm* F) {
            auto* OF = static_cast<TOptionForm*>(F);
            SeenPort = OF->PortEdit->GetText();
            SeenMax = OF->MaxEdit->GetText();
            SeenFolder = OF->DefaultFolderEdit->GetText();
            OF->PortEdit->SetText("1");
            OF->QuitBtn->SetChecked(true);
            OF->SetModalResult(mrCancel);
        });
        Command(maViewOption);
        ASSERT_EQ(Cancel.Count(), 1);
    }
    EXPECT_EQ(SeenPort, "8080");
    EXPECT_EQ(SeenMax, "777");
    EXPECT_EQ(SeenFolder, Downloads);
    EXPECT_EQ(O->GetProxyServerPort(), 8080) << "Cancel changes nothing";
    EXPECT_EQ(O->GetCloseOption(), 0);
    EXPECT_TRUE(Form->WinTaskbar->GetIconShown());

    const std::string NewFolder = Temp.Path() + "NewDownloads";
    CreateDirectoryA(NewFolder.c_str(), nullptr); // the start-up replaces a folder that is missing
    {
        TFormAnswerer Ok("Default options", [&](TCustomForm* F) {
            auto* OF = static_cast<TOptionForm*>(F);
            OF->PortEdit->SetText("abc");
            OF->MaxEdit->SetText("x");
            OF->DefaultFolderEdit->SetText(NewFolder);
            OF->QuitBtn->SetChecked(true);
            OF->MiniBtn->SetChecked(false);
            OF->SetModalResult(mrOk);
        });
        Command(maViewOption);
        ASSERT_EQ(Ok.Count(), 1);
    }
    EXPECT_EQ(O->GetProxyServerPort(), 80);
    EXPECT_EQ(O->GetFileMaxSize(), 0);
    EXPECT_EQ(O->GetDefaultFolder(), NewFolder + "\\");
    EXPECT_EQ(O->GetCloseOption(), 1);
    EXPECT_FALSE(Form->WinTaskbar->GetIconShown()) << "the tray icon goes at once";
    ASSERT_FALSE(NotifyCalls.empty());
    EXPECT_EQ(NotifyCalls.back(), static_cast<DWORD>(NIM_DELETE));
    {
        TFormAnswerer Ok("Default options", [&](TCustomForm* F) {
            auto* OF = static_cast<TOptionForm*>(F);
            OF->MiniBtn->SetChecked(true);
            OF->QuitBtn->SetChecked(false);
            OF->SetModalResult(mrOk);
        });
        Command(maViewOption);
    }
    EXPECT_EQ(O->GetCloseOption(), 0);
    EXPECT_TRUE(Form->WinTaskbar->GetIconShown());
    EXPECT_EQ(NotifyCalls.back(), static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(O->GetProxyServerPort(), 80) << "a second OK keeps what the first stored";
    ExitAndWait();
    std::unique_ptr<TRegSettings> S = Stored();
    EXPECT_EQ(S->GetOptions()->GetProxyServerPort(), 80);
    EXPECT_EQ(S->GetOptions()->GetFileMaxSize(), 0);
    EXPECT_EQ(S->GetOptions()->GetDefaultFolder(), NewFolder + "\\");
}

TEST_F(CloseTest, HelpWebsiteAndAboutCommands)
{
    MakeForm();
    const std::string Chm = AddTrailingBackslash(ProgramFolder()) + "zq.chm";
    Command(maHelp);
    EXPECT_EQ(SeamLinesContaining(Chm), 1);
    SetForegroundWindow(Form->GetHandle());
    SendMessageA(Form->GetHandle(), WM_KEYDOWN, VK_F1, 0);
    PumpFor(50);
    Form->IsShortCut(VK_F1, TShiftState());
    EXPECT_GE(SeamLinesContaining(Chm), 2);
    Command(maHelpWebsite);
    EXPECT_EQ(SeamLinesContaining("http://www.example.com/"), 1);
    TFormAnswerer About("About", [](TCustomForm* F) { F->SetModalResult(mrOk); });
    Command(maHelpAbout);
    EXPECT_EQ(About.Count(), 1);
}

TEST_F(CloseTest, ColumnsFillTheirListsAfterAResize)
{
    SlowTask("A");
    MakeForm();
    Select(Node("A")); // a task shows the downloaded-files pane
    ASSERT_TRUE(Form->DownloadedPanel->GetVisible());
    Command(maViewFailedPanel);
    Form->SetBounds(10, 10, 900, 700);
    PumpFor(50);
    auto Check = [](TListView* V, int32_t Index, int32_t Width, const char* What) {
        int32_t Others = 0;
        for (int32_t I = 0; I < V->GetColumns()->GetCount(); ++I)
            if (I != Index)
                Others += V->GetColumns()->GetItem(I)->GetWidth();
        EXPECT_EQ(V->GetColumns()->GetItem(Index)->GetWidth(),
                  std::max<int32_t>(Width - Others - GetSystemMetrics(SM_CXHSCROLL) - 5, 0))
            << What;
    };
    Check(Form->FilesListView, 1, Form->FilesListView->GetClientWidth(), "From URL");
    Check(Form->FailedUrlListView, 0, Form->FailedUrlListView->GetClientWidth(), "Failed URL");
    Check(Form->ImagesListView, 3, Form->ImagesListView->GetClientWidth(), "Folder");
    Check(Form->ReportListView, 2, Form->StatePanel->GetWidth(), "Description");
    EXPECT_EQ(Form->ImagesListView->GetWidth(), Form->DownloadedPanel->GetWidth() / 2);
    Form->SetBounds(10, 10, 801, 600);
    PumpFor(50);
    Check(Form->FilesListView, 1, Form->FilesListView->GetClientWidth(), "From URL after shrinking");
    EXPECT_EQ(Form->ImagesListView->GetWidth(), Form->DownloadedPanel->GetWidth() / 2);
}

TEST_F(CloseTest, ScreenshotWithTheFailedPanelAndTheReportTab)
{
    SlowTask("A");
    MakeForm();
    Select(Node("A"));
    Command(maViewFailedPanel);
    Form->StateTabSet->SetTabIndex(1);
    Form->TimerTimer(nullptr);
    ASSERT_EQ(Form->ReportListView->GetItems()->GetCount(), 3);
    ASSERT_TRUE(IsWindowVisible(Form->FailedUrlListView->GetHandle()));
    SetForegroundWindow(Form->GetHandle());
    RedrawWindow(Form->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(200); // the display catches up with the drawing: nothing to wait on
    EXPECT_TRUE(ScreenshotOfWindow(Form->GetHandle(), "main-failed-report.bmp"));
}

} // namespace
