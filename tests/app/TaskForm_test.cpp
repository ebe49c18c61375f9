// The task dialog in a window: opening as "New Task" and "Edit Task", the page tree, the
// clipboard address, the name made from the address, the folder that follows the name, the
// address normalisation, the OK checks (name, address, folder) and fill mode.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "app/TaskForm.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Files.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/NoClippedText.h"
#include "tests/support/TestSupport.h"

using TestSupport::ExpectNoClippedText;
using TestSupport::PumpFor;
using TestSupport::TDialogAnswerer;
using TestSupport::TTempFolder;
using namespace DialogTest;

namespace {

const char* const NameError = "Sorry, the task name or url is invalid, please change them and try again!";

TComponentPtr<TTaskForm> OpenTaskForm(const std::string& Caption, const std::function<void(TTaskForm*)>& Fill = nullptr)
{
    return OpenFilled<TTaskForm>(Caption, Fill);
}

// Holds the clipboard text for the test and restores an empty clipboard afterwards.
class TClipboardText {
public:
    explicit TClipboardText(const std::string& Text) { Clipboard()->SetAsText(Text); }
    TClipboardText(const TClipboardText&) = delete;
    TClipboardText& operator=(const TClipboardText&) = delete;
    ~TClipboardText() { Clipboard()->Clear(); }
};

} // namespace

TEST(TaskForm, OpensAsNewTaskOnNameAndUrl)
{
    TClipboardText Clip("");
    auto F = OpenTaskForm("New Task");
    RECT R;
    GetClientRect(F->GetHandle(), &R);
    EXPECT_EQ(R.right - R.left, 579);
    EXPECT_EQ(R.bottom - R.top, 437);
    EXPECT_EQ(F->OptionsTreeView->GetItems()->GetCount(), 7);
    for (TTreeNode* N = F->OptionsTreeView->GetItems()->GetFirstNode(); N; N = N->GetNext()) {
        if (N->HasChildren()) {
            EXPECT_TRUE(N->GetExpanded()) << N->GetText();
        }
    }
    ASSERT_NE(F->OptionsTreeView->GetSelected(), nullptr);
    EXPECT_EQ(F->OptionsTreeView->GetSelected()->GetText(), "Name and URL");
    EXPECT_EQ(F->Notebook->GetActivePage(), "Name and URL");
    EXPECT_TRUE(F->NameUrlPage->IsShowing());
    EXPECT_FALSE(F->GeneralPage->IsShowing());
    EXPECT_EQ(F->Notebook->GetPages(), (std::vector<std::string>{"General", "Web site", "Scheme", "Name and URL", "Note"}));
    EXPECT_FALSE(F->SpecifyNameCheckBox->GetChecked());
    EXPECT_FALSE(IsReadOnly(F->TaskNameEdit));
    EXPECT_EQ(F->TaskNameEdit->GetColor(), clWindow);
    EXPECT_TRUE(HasFocus(F->TaskNameEdit));
    EXPECT_EQ(F->URLEdit->GetText(), "");
    EXPECT_TRUE(F->OkButton->GetDefault());
    EXPECT_TRUE(F->CancelButton->GetCancel());
    EXPECT_EQ(F->CancelButton->GetModalResult(), mrCancel);
    ExpectNoClippedText(F.get()); // every page
}

TEST(TaskForm, OpensAsEditTaskWithTheNameLocked)
{
    auto F = OpenTaskForm("Edit Task", [](TTaskForm* T) {
        T->URLEdit->SetText("http://www.example.com/");
        T->URLEdit->SetEnabled(false);
        T->TaskNameEdit->SetText("Stored name");
        T->SpecifyNameCheckBox->SetEnabled(false);
    });
    EXPECT_TRUE(F->SpecifyNameCheckBox->GetChecked());
    EXPECT_TRUE(IsReadOnly(F->TaskNameEdit));
    EXPECT_EQ(F->TaskNameEdit->GetColor(), clBtnFace);
    // Filling the address with the box checked left the stored name alone.
    EXPECT_EQ(F->TaskNameEdit->GetText(), "Stored name");
}

TEST(TaskForm, TreeSelectsPagesAndShowPage)
{
    TClipboardText Clip("");
    auto F = OpenTaskForm("New Task");
    TTreeView* T = F->OptionsTreeView;
    T->SetSelected(T->FindNodeByText("Web site"));
    EXPECT_EQ(F->Notebook->GetActivePage(), "Web site");
    EXPECT_TRUE(F->WebsitePage->IsShowing());
    T->SetSelected(T->FindNodeByText("Task"));
    EXPECT_EQ(F->Notebook->GetActivePage(), "Web site");
    T->SetSelected(T->FindNodeByText("Options"));
    EXPECT_EQ(F->Notebook->GetActivePage(), "Web site");
    F->ShowPage("Note");
    EXPECT_EQ(F->Notebook->GetActivePage(), "Note");
    EXPECT_EQ(T->GetSelected()->GetText(), "Note");
    F->ShowPage("x");
    EXPECT_EQ(F->Notebook->GetActivePage(), "Note");
    EXPECT_EQ(T->GetSelected()->GetText(), "Note");
}

TEST(TaskForm, ClipboardAddressTakenUntrimmedOnlyWhenItIsHttp)
{
    {
        TClipboardText Clip("  HTTP://X.COM/A  ");
        auto F = OpenTaskForm("New Task");
        EXPECT_EQ(F->URLEdit->GetText(), "  HTTP://X.COM/A  ");
    }
    {
        TClipboardText Clip("ftp://x");
        auto F = OpenTaskForm("New Task");
        EXPECT_EQ(F->URLEdit->GetText(), "");
    }
    {
        TClipboardText Clip("http://allowed.not");
        auto F = OpenTaskForm("New Task", [](TTaskForm* T) { T->AllowClipboardUrl = false; });
        EXPECT_EQ(F->URLEdit->GetText(), "");
    }
    {
        // Editing never takes the clipboard.
        TClipboardText Clip("http://y.com/");
        auto F = OpenTaskForm("Edit Task", [](TTaskForm* T) { T->URLEdit->SetText("http://z.com/"); });
        EXPECT_EQ(F->URLEdit->GetText(), "http://z.com/");
    }
}

TEST(TaskForm, PasteAndCopyButtons)
{
    TClipboardText Clip("");
    auto F = OpenTaskForm("New Task");
    Clipboard()->SetAsText(" http://paste.me/x ");
    F->PasteUrlButton->Click();
    EXPECT_EQ(F->URLEdit->GetText(), " http://paste.me/x ");
    F->URLEdit->SetText("  http://copy.me/  ");
    F->CopyButton->Click();
    EXPECT_EQ(Clipboard()->GetAsText(), "  http://copy.me/  ");
    Clipboard()->SetAsText("kept");
    F->URLEdit->SetText("   ");
    F->CopyButton->Click();
    EXPECT_EQ(Clipboard()->GetAsText(), "kept");
}

TEST(TaskForm, NameFollowsTheAddressWhileSpecifiedAsUrl)
{
    TTempFolder Temp;
    char Old[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof(Old), Old);
    SetCurrentDirectoryA(Temp.Path().c_str());
    TClipboardText Clip("");
    auto F = OpenTaskForm("New Task");
    F->URLEdit->SetText("http://www.a.b.com/p/q.htm?x=1");
    EXPECT_EQ(F->TaskNameEdit->GetText(), ""); // unchecked: the name is the user's
    F->SpecifyNameCheckBox->SetChecked(true);
    EXPECT_EQ(F->TaskNameEdit->GetText(), "httpwwwabcompqhtmx=1");
    EXPECT_TRUE(IsReadOnly(F->TaskNameEdit));
    EXPECT_EQ(F->TaskNameEdit->GetColor(), clBtnFace);
    F->URLEdit->SetText("http://c.d/e");
    EXPECT_EQ(F->TaskNameEdit->GetText(), "httpcde");
    F->SpecifyNameCheckBox->SetChecked(false);
    EXPECT_FALSE(IsReadOnly(F->TaskNameEdit));
    EXPECT_EQ(F->TaskNameEdit->GetColor(), clWindow);
    F->URLEdit->SetText("http://f.g/");
    EXPECT_EQ(F->TaskNameEdit->GetText(), "httpcde");
    SetCurrentDirectoryA(Old);
}

TEST(TaskForm, FolderFollowsTheNameUntilTypedIntoOnGeneral)
{
    TClipboardText Clip("");
    auto F = OpenTaskForm("New Task", [](TTaskForm* T) { T->DefaultFolderEdit->SetText("C:\\Pics\\"); });
    EXPECT_EQ(F->BaseFolder, "C:\\Pics\\");
    EXPECT_FALSE(F->FolderEdited);
    F->TaskNameEdit->SetText("Cats");
    EXPECT_EQ(F->DefaultFolderEdit->GetText(), "C:\\Pics\\Cats\\");
    // Set by the program while another page is shown: still following.
    F->ShowPage("Web site");
    F->DefaultFolderEdit->SetText("D:\\Elsewhere\\");
    EXPECT_FALSE(F->FolderEdited);
    F->TaskNameEdit->SetText("Dogs");
    EXPECT_EQ(F->DefaultFolderEdit->GetText(), "C:\\Pics\\Dogs\\");
    // The name's own update of the folder while General is shown does not count as typing.
    F->ShowPage("General");
    F->TaskNameEdit->SetText("Owls");
    EXPECT_FALSE(F->FolderEdited);
    EXPECT_EQ(F->DefaultFolderEdit->GetText(), "C:\\Pics\\Owls\\");
    // One keystroke in the folder field on General ends the following.
    TypeChar(F->DefaultFolderEdit, 'x');
    EXPECT_TRUE(F->FolderEdited);
    const std::string Typed = F->DefaultFolderEdit->GetText();
    F->TaskNameEdit->SetText("Bats");
    EXPECT_EQ(F->DefaultFolderEdit->GetText(), Typed);
}

TEST(TaskForm, FillModeKeepsStoredNameAndFolder)
{
    // As the main window fills "Edit Task": address with the box checked, name, folder.
    auto F = OpenTaskForm("Edit Task", [](TTaskForm* T) {
        T->SpecifyNameCheckBox->SetChecked(true);
        T->URLEdit->SetText("http://www.cats.com/gallery/");
        T->TaskNameEdit->SetText("My cats");
        T->DefaultFolderEdit->SetText("C:\\Stored\\Place\\");
    });
    EXPECT_EQ(F->TaskNameEdit->GetText(), "My cats");
    EXPECT_EQ(F->DefaultFolderEdit->GetText(), "C:\\Stored\\Place\\");
    EXPECT_FALSE(F->FolderEdited);
    // Filling a new task's folder on the General page is no typing either.
    TComponentPtr<TTaskForm> G(new TTaskForm(nullptr));
    G->ShowPage("General");
    G->BeginFill();
    G->DefaultFolderEdit->SetText("C:\\Base\\");
    G->EndFill();
    EXPECT_FALSE(G->FolderEdited);
    // Fill mode nests and an extra EndFill does no harm.
    G->BeginFill();
    G->BeginFill();
    G->EndFill();
    EXPECT_TRUE(G->Filling());
    G->EndFill();
    G->EndFill();
    EXPECT_FALSE(G->Filling());
}

TEST(TaskForm, AddressGetsTheSchemeOnLeavingTheField)
{
    TClipboardText Clip("");
    auto F = OpenTaskForm("New Task");
    for (const auto& [In, Out] : std::vector<std::pair<std::string, std::string>>{
             {"www.x.com", "http://www.x.com"}, {"a http://b", "a http://b"}, {"HTTP://X", "HTTP://X"}}) {
        F->URLEdit->SetFocus();
        F->URLEdit->SetText(In);
        F->TaskNameEdit->SetFocus();
        EXPECT_EQ(F->URLEdit->GetText(), Out) << In;
    }
}

TEST(TaskForm, OkRefusesBadNamesAndAddresses)
{
    TTempFolder Temp;
    TClipboardText Clip("");
    auto F = OpenTaskForm("New Task", [&](TTaskForm* T) { T->DefaultFolderEdit->SetText(Temp.Path()); });
    struct TCase {
        std::string Name, Url;
    };
    for (const TCase& C : std::vector<TCase>{{"a.b", "http://x.com/"},
                                             {"", "http://x.com/"},
                                             {"   ", "http://x.com/"},
                                             {"CON", "http://x.com/"},
                                             {"lpt1", "http://x.com/"},
                                             {"tab\there", "http://x.com/"},
                                             {"Fine", "http://"}}) {
        F->TaskNameEdit->SetText(C.Name);
        F->URLEdit->SetText(C.Url);
        // Also from another page: the dialog comes back to "Name and URL".
        F->ShowPage("General");
        F->SetModalResult(mrNone);
        TDialogAnswerer Answer("Sorry");
        F->OkButton->Click();
        EXPECT_EQ(Answer.AnsweredCount(), 1) << C.Name << " " << C.Url;
        EXPECT_EQ(Answer.Caption(), "Error");
        EXPECT_NE(Answer.Text().find(NameError), std::string::npos) << Answer.Text();
        EXPECT_EQ(F->GetModalResult(), mrNone) << C.Name;
        EXPECT_EQ(F->Notebook->GetActivePage(), "Name and URL") << C.Name;
        EXPECT_TRUE(HasFocus(F->TaskNameEdit)) << C.Name;
    }
}

TEST(TaskForm, OkAcceptsAndNormalisesTheAddress)
{
    TTempFolder Temp;
    TClipboardText Clip("");
    auto F = OpenTaskForm("New Task", [&](TTaskForm* T) { T->DefaultFolderEdit->SetText(Temp.Path()); });
    F->TaskNameEdit->SetText("Gal");
    F->URLEdit->SetText("www.example.com/g");
    TDialogAnswerer Unexpected("");
    F->OkButton->Click();
    EXPECT_EQ(Unexpected.AnsweredCount(), 0) << Unexpected.Text();
    EXPECT_EQ(F->GetModalResult(), mrOk);
    EXPECT_EQ(F->URLEdit->GetText(), "http://www.example.com/g");
    EXPECT_TRUE(DirectoryExists(Temp.Path() + "Gal"));
}

TEST(TaskForm, OkCreatesTheFolderChainOrStaysOpen)
{
    TTempFolder Temp;
    TClipboardText Clip("");
    {
        auto F = OpenTaskForm("Edit Task", [&](TTaskForm* T) {
            T->URLEdit->SetText("http://x.com/");
            T->TaskNameEdit->SetText("Chain");
            T->DefaultFolderEdit->SetText(Temp.Path() + "a\\b\\c\\");
        });
        F->OkButton->Click();
        EXPECT_EQ(F->GetModalResult(), mrOk);
        EXPECT_TRUE(DirectoryExists(Temp.Path() + "a\\b\\c"));
    }
    {
        HANDLE H = CreateFileA(Temp.File("plain").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(H, INVALID_HANDLE_VALUE);
        CloseHandle(H);
        const std::string Bad = Temp.Path() + "plain\\sub\\";
        auto F = OpenTaskForm("Edit Task", [&](TTaskForm* T) {
            T->URLEdit->SetText("http://x.com/");
            T->TaskNameEdit->SetText("Blocked");
            T->DefaultFolderEdit->SetText(Bad);
        });
        TDialogAnswerer Answer("Sorry");
        F->OkButton->Click();
        EXPECT_EQ(Answer.AnsweredCount(), 1);
        EXPECT_EQ(Answer.Caption(), "Error");
        EXPECT_NE(Answer.Text().find("Sorry, the folder " + Bad + " cannot be created, please change it and try again!"),
                  std::string::npos)
            << Answer.Text();
        EXPECT_EQ(F->GetModalResult(), mrNone);
        EXPECT_EQ(F->Notebook->GetActivePage(), "General");
        EXPECT_TRUE(HasFocus(F->DefaultFolderEdit));
        EXPECT_FALSE(DirectoryExists(Bad));
    }
}

TEST(TaskForm, ModalRunClosesWithOkAndCancel)
{
    TTempFolder Temp;
    TClipboardText Clip("");
    TComponentPtr<TTaskForm> F(new TTaskForm(nullptr));
    F->SetCaption("New Task");
    F->DefaultFolderEdit->SetText(Temp.Path());
    TFormAnswerer<TTaskForm> Fill([](TTaskForm* T) {
        T->TaskNameEdit->SetText("Modal");
        T->URLEdit->SetText("modal.example.com");
        T->OkButton->Click();
    });
    EXPECT_EQ(F->ShowModal(), mrOk);
    EXPECT_EQ(F->URLEdit->GetText(), "http://modal.example.com");
    EXPECT_EQ(F->DefaultFolderEdit->GetText(), Temp.Path() + "Modal\\");

    TComponentPtr<TTaskForm> G(new TTaskForm(nullptr));
    G->SetCaption("New Task");
    TFormAnswerer<TTaskForm> Cancel([](TTaskForm* T) { T->CancelButton->Click(); });
    EXPECT_EQ(G->ShowModal(), mrCancel);
}

TEST(TaskForm, GeneralAndLoginDefaults)
{
    TClipboardText Clip("");
    auto F = OpenTaskForm("New Task");
    EXPECT_EQ(F->MaxEdit->GetText(), "10240");
    EXPECT_EQ(F->MinEdit->GetText(), "10");
    EXPECT_TRUE(F->EnableLimitCheckBox->GetChecked());
    for (TControl* C : {static_cast<TControl*>(F->MaxEdit), static_cast<TControl*>(F->MinEdit),
                        static_cast<TControl*>(F->MaxLabel), static_cast<TControl*>(F->MinLabel),
                        static_cast<TControl*>(F->KBLabel), static_cast<TControl*>(F->KB2Label)})
        EXPECT_TRUE(C->GetEnabled()) << C->GetText();
    EXPECT_EQ(F->TimeOutLimitEdit->GetText(), "60");
    EXPECT_EQ(F->TimeOutUpDown->GetPosition(), 60);
    EXPECT_EQ(F->TimeOutUpDown->GetMin(), 0);
    EXPECT_EQ(F->TimeOutUpDown->GetMax(), 100);
    EXPECT_EQ(F->DeleteButton->GetCaption(), "&Delete");
    EXPECT_EQ(F->DeleteFileButton->GetCaption(), "&Delete");
    EXPECT_EQ(F->FolderGroupBox->GetCaption(), "Save folder :");
    EXPECT_EQ(F->MasksGroupBox->GetCaption(), "Image extend names :");
    EXPECT_EQ(F->AutoShutDownCheckBox, nullptr);
    EXPECT_EQ(F->ExcludeUrlEdit, F->SiteEdit());

    // Login: the four controls follow the box; the password is masked.
    EXPECT_FALSE(F->NeedToLogin->GetChecked());
    for (TControl* C : {static_cast<TControl*>(F->UserNameEdit), static_cast<TControl*>(F->PasswordEdit),
                        static_cast<TControl*>(F->NameLabel), static_cast<TControl*>(F->PassLabel)})
        EXPECT_FALSE(C->GetEnabled());
    F->NeedToLogin->SetChecked(true);
    EXPECT_TRUE(WindowEnabled(F->UserNameEdit));
    EXPECT_TRUE(WindowEnabled(F->PasswordEdit));
    EXPECT_TRUE(F->NameLabel->GetEnabled());
    EXPECT_TRUE(F->PassLabel->GetEnabled());
    F->NeedToLogin->SetChecked(false);
    EXPECT_FALSE(WindowEnabled(F->UserNameEdit));
    EXPECT_FALSE(WindowEnabled(F->PasswordEdit));
    EXPECT_FALSE(F->PassLabel->GetEnabled());
    EXPECT_EQ(SendMessageA(F->PasswordEdit->GetHandle(), EM_GETPASSWORDCHAR, 0, 0), '*');
}

TEST(TaskForm, TimeOutTypedIntoTheFieldIsThePosition)
{
    auto F = OpenTaskForm("Edit Task");
    F->TimeOutLimitEdit->SetText("35");
    EXPECT_EQ(F->TimeOutUpDown->GetPosition(), 35);
    // Out of range or no number: the position stays where it was.
    F->TimeOutLimitEdit->SetText("500");
    EXPECT_EQ(F->TimeOutUpDown->GetPosition(), 35);
    F->TimeOutLimitEdit->SetText("abc");
    EXPECT_EQ(F->TimeOutUpDown->GetPosition(), 35);
}

TEST(TaskForm, HelpGoesThroughTheSeam)
{
    TSeamLog Log;
    auto F = OpenTaskForm("Edit Task");
    F->HelpButton->Click();
    const std::string Text = Log.Text();
    EXPECT_NE(Text.find("zq.chm::/User interface - New Task Window.htm"), std::string::npos) << Text;
    EXPECT_EQ(Text.rfind("help\t", 0), 0u) << Text;
}

TEST(TaskForm, BrowseReplacesTheSaveFolderOnlyWhenConfirmed)
{
    TTempFolder Temp;
    const std::string Chosen = Temp.Path() + "picked";
    ASSERT_TRUE(CreateDirectoryA(Chosen.c_str(), nullptr));
    auto F = OpenTaskForm("Edit Task", [&](TTaskForm* T) { T->DefaultFolderEdit->SetText(Temp.Path()); });
    F->ShowPage("General");
    {
        TFolderDialogAnswerer Cancel("");
        F->SelectDefaultFolderButton->Click();
        EXPECT_TRUE(Cancel.Seen());
        EXPECT_NE(Cancel.Text().find("Default folder"), std::string::npos) << Cancel.Text();
        EXPECT_EQ(F->DefaultFolderEdit->GetText(), Temp.Path());
    }
    TFolderDialogAnswerer Pick(Chosen);
    F->SelectDefaultFolderButton->Click();
    EXPECT_TRUE(Pick.Seen());
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, F->DefaultFolderEdit->GetText().c_str(), -1,
                             Chosen.c_str(), -1),
              CSTR_EQUAL)
        << F->DefaultFolderEdit->GetText();
}

TEST(TaskForm, OkOnAnEditedTaskKeepsItsNameWhenTheAddressIsCompleted)
{
    TTempFolder Temp;
    // A stored task whose address lacks the scheme, edited with the name following the address.
    auto F = OpenTaskForm("Edit Task", [&](TTaskForm* T) {
        T->URLEdit->SetText("www.old.com/pics");
        T->URLEdit->SetEnabled(false);
        T->TaskNameEdit->SetText("Kept name");
        T->SpecifyNameCheckBox->SetEnabled(false);
        T->DefaultFolderEdit->SetText(Temp.Path());
    });
    F->OkButton->Click();
    EXPECT_EQ(F->GetModalResult(), mrOk);
    EXPECT_EQ(F->URLEdit->GetText(), "http://www.old.com/pics");
    EXPECT_EQ(F->TaskNameEdit->GetText(), "Kept name");
    EXPECT_FALSE(F->Filling());
}
