// Closing with CloseOption 0: the window hides to the tray with its notice, the tray menu brings
// it back and exits; and main windows made and freed one after another in one process.

#include "app/ShowMinPromptForm.h"
#include "tests/app/MainFormFixture.h"

using namespace MainFormTest;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;
using TestSupport::TDialogAnswerer;

namespace {

class HideTest : public ServedMainFormFixture {};

TEST_F(HideTest, CloseHidesToTheTrayWithTheNoticeOnce)
{
    SlowTask("A");
    MakeForm();
    Run("A");
    {
        bool Shot = false;
        TFormAnswerer Notice("Minized", [&Shot](TCustomForm* F) {
            auto* P = static_cast<TShowMinPromptForm*>(F);
            PumpFor(150);
            Shot = ScreenshotOfWindow(F->GetHandle(), "main-minimized-notice.bmp");
            P->ShowNextCheck->SetChecked(true);
            Press(P->OKButton);
        });
        SendMessageA(Form->GetHandle(), WM_CLOSE, 0, 0);
        EXPECT_EQ(Notice.Count(), 1);
        EXPECT_TRUE(Shot);
    }
    EXPECT_FALSE(Visible());
    EXPECT_EQ(Task("A")->GetState(), tsRunning);
    Form->Show();
    {
        TFormAnswerer Notice("Minized", [](TCustomForm* F) { F->SetModalResult(mrOk); });
        SendMessageA(Form->GetHandle(), WM_CLOSE, 0, 0);
        PumpFor(200); // proves the notice does not come a second time: nothing to wait on
        EXPECT_EQ(Notice.Count(), 0);
    }
    EXPECT_FALSE(Visible());
    // The tray menu's Restore shows it at the start-up placement.
    Form->SetBounds(100, 90, 500, 400);
    Form->TrayMenu->OnRestore(nullptr);
    EXPECT_TRUE(Visible());
    EXPECT_EQ(Form->GetLeft(), 20);
    EXPECT_EQ(Form->GetWidth(), 760);
    // Exit through the tray menu closes without hiding.
    Form->TrayMenu->OnExit(nullptr);
    EXPECT_FALSE(Visible());
    EXPECT_TRUE(Form->ExitRequested);
    Form.reset();
    std::unique_ptr<TRegSettings> S = Stored();
    EXPECT_FALSE(S->GetWindow()->GetShowMinPrompt());
    TTask Reloaded;
    Reloaded.LoadFromFile(Projects + "A.wrp");
    EXPECT_GE(Reloaded.GetItems()->GetCount(), 1) << "the running task was stopped and written";
}

// Main windows made and freed one after another in one process, after hiding to the tray, after
// Windows ended the session and after plain exits: each later window must work on its own
// objects (freed windows left nothing behind that a later one meets).
TEST_F(HideTest, SeveralMainWindowsOneAfterAnother)
{
    SlowTask("A");
    for (int Round = 0; Round < 2; ++Round) {
        SCOPED_TRACE("round " + std::to_string(Round));
        MakeForm();
        Run("A");
        ASSERT_EQ(Task("A")->GetState(), tsRunning);
        Select(Node("A"));
        Form->StateTabSet->SetTabIndex(1);
        Form->TimerTimer(nullptr);
        {
            TFormAnswerer Notice("Minized", [](TCustomForm* F) { F->SetModalResult(mrOk); });
            SendMessageA(Form->GetHandle(), WM_CLOSE, 0, 0);
            EXPECT_LE(Notice.Count(), 1);
        }
        EXPECT_FALSE(Visible());
        Form->TrayMenu->OnRestore(nullptr);
        EXPECT_TRUE(Visible());
        Form->TrayMenu->OnExit(nullptr);
        EXPECT_TRUE(Form->ExitRequested);
        Form.reset();

        // A second window in the same process: its commands, menus and modal forms work.
        MakeForm();
        EXPECT_TRUE(Enabled(maTasksNew));
        Select(Node("A"));
        EXPECT_TRUE(Enabled(maTasksRun));
        Command(maViewFailedPanel);
        Command(maViewFailedPanel);
        {
            TFormAnswerer Tip("Tip of the Day", [](TCustomForm* F) { F->SetModalResult(mrOk); });
            Command(maHelpTip);
            EXPECT_EQ(Tip.Count(), 1);
        }
        {
            TFormAnswerer About("About", [](TCustomForm* F) { F->SetModalResult(mrOk); });
            Command(maHelpAbout);
            EXPECT_EQ(About.Count(), 1);
        }
        Run("A");
        SendMessageA(Form->GetHandle(), WM_QUERYENDSESSION, 0, 0);
        SendMessageA(Form->GetHandle(), WM_ENDSESSION, TRUE, 0);
        EXPECT_EQ(Form->TaskList, nullptr);
        Form.reset();

        // And a third, freed without closing while a task runs.
        MakeForm();
        Run("A");
        Form->Actions->Find(maTasksRun);
        Form.reset();
    }
    TTask Reloaded;
    Reloaded.LoadFromFile(Projects + "A.wrp");
    EXPECT_EQ(Reloaded.GetName(), "A");
}

} // namespace
