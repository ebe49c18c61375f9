// The default-options dialog in a window: its tabs and defaults, the proxy box, the three folder
// buttons with the folder dialog, the folder checks of OK and the help call.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "app/OptionsForm.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Files.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/InputDriver.h"
#include "tests/support/NoClippedText.h"
#include "tests/support/TestSupport.h"

using TestSupport::ExpectNoClippedText;
using TestSupport::PumpFor;
using TestSupport::TDialogAnswerer;
using TestSupport::TTempFolder;
using namespace DialogTest;

namespace {

TComponentPtr<TOptionForm> OpenOptions(const std::function<void(TOptionForm*)>& Fill = nullptr)
{
    return OpenFilled<TOptionForm>("", Fill);
}

std::string ActiveTab(TOptionForm* F)
{
    return F->OptionPages->GetActivePage() ? F->OptionPages->GetActivePage()->GetCaption() : std::string();
}

FILETIME WriteTime(const std::string& Path)
{
    FILETIME T{};
    HANDLE H = CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (H != INVALID_HANDLE_VALUE) {
        GetFileTime(H, nullptr, nullptr, &T);
        CloseHandle(H);
    }
    return T;
}

} // namespace

TEST(OptionsForm, TabsAndOpeningOnGeneral)
{
    TComponentPtr<TOptionForm> F(new TOptionForm(nullptr));
    EXPECT_EQ(F->GetCaption(), "Default options");
    std::vector<std::string> Tabs;
    for (int32_t I = 0; I < F->OptionPages->GetPageCount(); ++I)
        Tabs.push_back(F->OptionPages->GetPage(I)->GetCaption());
    EXPECT_EQ(Tabs, (std::vector<std::string>{"General", "Web site", "Scheme", "Proxy", "Logs", "Project", "Misc."}));
    EXPECT_TRUE(F->OptionPages->GetHotTrack());
    EXPECT_EQ(F->GeneralPanel->GetParent(), F->GeneralSheet);
    EXPECT_EQ(F->ProjectPanel->GetParent(), F->ProjectSheet);
    EXPECT_EQ(F->GeneralPanel->GetAlign(), alClient);
    // The Misc. tab carries its group straight on the sheet.
    EXPECT_EQ(F->CloseGroupBox->GetParent(), F->MiscSheet);
    EXPECT_TRUE(F->OkButton->GetDefault());
    EXPECT_TRUE(F->CancelButton->GetCancel());

    // Closed on "Misc.", it opens on "General" again with the focus in the extension list.
    F->OptionPages->SetActivePage(F->MiscSheet);
    F->GeneralPanel->SetColor(clWhite);
    TFormAnswerer<TOptionForm> Look([](TOptionForm* O) {
        O->OptionPages->SetActivePage(O->MiscSheet);
        O->CancelButton->Click();
    });
    EXPECT_EQ(F->ShowModal(), mrCancel);
    EXPECT_EQ(ActiveTab(F.get()), "Misc.");
    std::string Tab;
    bool Focus = false;
    TFormAnswerer<TOptionForm> Again([&](TOptionForm* O) {
        Tab = ActiveTab(O);
        Focus = HasFocus(O->MasksListView);
        ExpectNoClippedText(O); // every tab
        O->CancelButton->Click();
    });
    EXPECT_EQ(F->ShowModal(), mrCancel);
    EXPECT_EQ(Tab, "General");
    EXPECT_TRUE(Focus);
    EXPECT_EQ(F->GeneralPanel->GetColor(), clBtnFace);
}

TEST(OptionsForm, DefaultsAndProxyBox)
{
    auto F = OpenOptions();
    EXPECT_FALSE(F->EnableLimitCheckBox->GetChecked());
    for (TControl* C : {static_cast<TControl*>(F->MaxEdit), static_cast<TControl*>(F->MinEdit),
                        static_cast<TControl*>(F->MaxLabel), static_cast<TControl*>(F->MinLabel),
                        static_cast<TControl*>(F->KBLabel), static_cast<TControl*>(F->KB2Label)})
        EXPECT_FALSE(C->GetEnabled()) << C->GetText();
    EXPECT_EQ(F->TimeOutLimitEdit->GetText(), "60");
    EXPECT_EQ(F->TimeOutUpDown->GetPosition(), 60);
    EXPECT_EQ(F->DeleteFileButton->GetCaption(), "D&elete");
    EXPECT_EQ(F->DeleteButton->GetCaption(), "&Delete");
    EXPECT_EQ(F->FolderGroupBox->GetCaption(), "Default folder :");
    EXPECT_EQ(F->MasksGroupBox->GetCaption(), "Default image extend names :");
    ASSERT_NE(F->AutoShutDownCheckBox, nullptr);
    EXPECT_EQ(F->AutoShutDownCheckBox->GetCaption(), "Auto shutdown computer when running tasks finished");
    EXPECT_FALSE(F->AutoShutDownCheckBox->GetChecked());
    EXPECT_TRUE(F->MiniBtn->GetChecked());
    EXPECT_FALSE(F->QuitBtn->GetChecked());
    EXPECT_EQ(F->UrlEdit, F->SiteEdit());

    EXPECT_FALSE(F->ProxyCheckBox->GetChecked());
    EXPECT_EQ(F->ProxyCheckBox->GetCaption(), "I use proxy server to connect internet");
    TControl* Four[] = {F->HTTPLabel, F->HTTPServerEdit, F->PortLabel, F->PortEdit};
    for (TControl* C : Four)
        EXPECT_FALSE(C->GetEnabled()) << C->GetText();
    F->ProxyCheckBox->SetChecked(true);
    for (TControl* C : Four)
        EXPECT_TRUE(C->GetEnabled()) << C->GetText();
    EXPECT_TRUE(WindowEnabled(F->PortEdit));
    F->ProxyCheckBox->SetChecked(false);
    for (TControl* C : Four)
        EXPECT_FALSE(C->GetEnabled()) << C->GetText();

    F->QuitBtn->SetChecked(true);
    EXPECT_FALSE(F->MiniBtn->GetChecked());
}

TEST(OptionsForm, FolderButtonsUseTheFolderDialog)
{
    TTempFolder Temp;
    const std::string Start = Temp.Path() + "start";
    const std::string Chosen = Temp.Path() + "chosen";
    ASSERT_TRUE(CreateDirectoryA(Start.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(Chosen.c_str(), nullptr));
    auto F = OpenOptions([&](TOptionForm* O) {
        O->DefaultFolderEdit->SetText(Start);
        O->DefaultLogFolderEdit->SetText(Start);
        O->ProjectPathEdit->SetText(Start);
    });
    struct TCase {
        TButton* Button;
        TEdit* Edit;
        const char* Title;
    };
    for (const TCase& C : {TCase{F->SelectDefaultFolderButton, F->DefaultFolderEdit, "Default folder"},
                           TCase{F->LogFolderSelectButton, F->DefaultLogFolderEdit, "Log folder"},
                           TCase{F->ChangeProjectPathButton, F->ProjectPathEdit, "Project folder"}}) {
        {
            TFolderDialogAnswerer Cancel("");
            // The dialog must open on the folder in the edit box; "start" and its parents have just
            // changed, and Wine's dialog would see them change under it (SettleFolderTimes).
            TestSupport::SettleFolderTimes(Start);
            C.Button->Click();
            EXPECT_TRUE(Cancel.Seen()) << C.Title;
            EXPECT_NE(Cancel.Text().find(C.Title), std::string::npos) << Cancel.Text();
            EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Cancel.Selected().c_str(), -1, "start", -1),
                      CSTR_EQUAL)
                << Cancel.Selected();
            EXPECT_EQ(C.Edit->GetText(), Start);
        }
        {
            TFolderDialogAnswerer Pick(Chosen);
            C.Button->Click();
            EXPECT_TRUE(Pick.Seen()) << C.Title;
            EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, C.Edit->GetText().c_str(), -1,
                                     Chosen.c_str(), -1),
                      CSTR_EQUAL)
                << C.Edit->GetText();
        }
    }
}

TEST(OptionsForm, OkMakesMissingFoldersAndLeavesExistingOnes)
{
    TTempFolder Temp;
    const std::string Existing = Temp.Path() + "existing\\";
    ASSERT_TRUE(CreateDirectoryA(Existing.c_str(), nullptr));
    const std::string Kept = Existing + "kept.txt";
    HANDLE H = CreateFileA(Kept.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(H, INVALID_HANDLE_VALUE);
    FILETIME Old{};
    Old.dwHighDateTime = 0x01C00000; // a time far back, so any rewrite would show
    SetFileTime(H, nullptr, nullptr, &Old);
    CloseHandle(H);
    const FILETIME Before = WriteTime(Kept);
    auto F = OpenOptions([&](TOptionForm* O) {
        O->DefaultFolderEdit->SetText(Temp.Path() + "d\\1\\2\\");
        O->DefaultLogFolderEdit->SetText(Existing);
        O->ProjectPathEdit->SetText(Temp.Path() + "p\\q");
    });
    TDialogAnswerer Unexpected("");
    F->OkButton->Click();
    EXPECT_EQ(Unexpected.AnsweredCount(), 0) << Unexpected.Text();
    EXPECT_EQ(F->GetModalResult(), mrOk);
    EXPECT_TRUE(DirectoryExists(Temp.Path() + "d\\1\\2"));
    EXPECT_TRUE(DirectoryExists(Temp.Path() + "p\\q"));
    const FILETIME After = WriteTime(Kept);
    EXPECT_EQ(CompareFileTime(&Before, &After), 0);
    EXPECT_TRUE(FileExists(Kept));
}

TEST(OptionsForm, OkStaysOpenOnAFolderThatCannotBe)
{
    TTempFolder Temp;
    HANDLE H = CreateFileA(Temp.File("plain").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(H, INVALID_HANDLE_VALUE);
    CloseHandle(H);
    struct TCase {
        std::string Default, Log, Project, Tab, Named;
    };
    const std::string Good = Temp.Path() + "good\\";
    const std::string Blocked = Temp.Path() + "plain\\x\\";
    for (const TCase& C : std::vector<TCase>{{Good, "", Good, "Logs", "Default log file"},
                                             {"  ", Good, Good, "General", "Default folder"},
                                             {Good, Good, Blocked, "Project", Blocked}}) {
        auto F = OpenOptions([&](TOptionForm* O) {
            O->DefaultFolderEdit->SetText(C.Default);
            O->DefaultLogFolderEdit->SetText(C.Log);
            O->ProjectPathEdit->SetText(C.Project);
        });
        F->OptionPages->SetActivePage(F->MiscSheet);
        TDialogAnswerer Box("Sorry");
        F->OkButton->Click();
        EXPECT_EQ(Box.AnsweredCount(), 1) << C.Tab;
        EXPECT_EQ(Box.Caption(), "Error");
        EXPECT_NE(Box.Text().find("Sorry, the folder " + C.Named + " cannot be created, please change it and try again!"),
                  std::string::npos)
            << Box.Text();
        EXPECT_EQ(F->GetModalResult(), mrNone);
        EXPECT_EQ(ActiveTab(F.get()), C.Tab);
        TEdit* Field = C.Tab == "Logs" ? F->DefaultLogFolderEdit : C.Tab == "General" ? F->DefaultFolderEdit : F->ProjectPathEdit;
        EXPECT_TRUE(HasFocus(Field)) << C.Tab;
    }
}

// Return typed in either rule list is the default OK (the extension list has the focus when the
// dialog opens); the lists keep their arrow keys.
TEST(OptionsForm, ReturnInTheRuleListsIsOkAndTheArrowsStayTheLists)
{
    TTempFolder Temp;
    for (bool Masks : {true, false}) {
        auto F = OpenOptions([&](TOptionForm* O) {
            O->DefaultFolderEdit->SetText(Temp.Path() + "d");
            O->DefaultLogFolderEdit->SetText(Temp.Path() + "l");
            O->ProjectPathEdit->SetText(Temp.Path() + "p");
            for (const char* Ext : {"jpg", "png"}) {
                TListItem* Row = O->MasksListView->GetItems()->Add();
                Row->SetCaption(Ext);
                Row->GetSubItems()->Add("Saved");
                O->ExcludeFileListView->GetItems()->Add()->SetCaption(std::string("bad.") + Ext);
            }
        });
        TListView* List = Masks ? F->MasksListView : F->ExcludeFileListView;
        F->OptionPages->SetActivePage(Masks ? F->GeneralSheet : F->WebsiteSheet);
        List->SetFocus();
        List->SetSelected(List->GetItems()->GetItem(0));
        List->GetItems()->GetItem(0)->SetFocused(true);
        ASSERT_TRUE(TestSupport::BringToFront(*F));
        ASSERT_TRUE(HasFocus(List));
        TestSupport::Press(VK_DOWN);
        ASSERT_TRUE(TestSupport::WaitProcessed());
        EXPECT_EQ(List->GetSelected(), List->GetItems()->GetItem(1)) << "Down moves the row in the list";
        EXPECT_EQ(F->GetModalResult(), mrNone);
        TDialogAnswerer Unexpected("");
        TestSupport::Press(VK_RETURN);
        ASSERT_TRUE(TestSupport::WaitProcessed());
        EXPECT_EQ(F->GetModalResult(), mrOk) << (Masks ? "extension list" : "file list");
        EXPECT_EQ(Unexpected.AnsweredCount(), 0) << Unexpected.Text();
        EXPECT_TRUE(DirectoryExists(Temp.Path() + "p")) << "OK's own work ran";
    }
}

TEST(OptionsForm, HelpGoesThroughTheSeam)
{
    TSeamLog Log;
    auto F = OpenOptions();
    F->HelpButton->Click();
    const std::string Text = Log.Text();
    EXPECT_NE(Text.find("zq.chm::/User interface - Default Options Window.htm"), std::string::npos) << Text;
}
