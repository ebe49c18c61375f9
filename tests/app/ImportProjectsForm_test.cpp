// Import from the main window against the private test web server: the dialog's tree of new
// projects, the tasks made of the chosen ones, and the edge cases (a project chosen twice, a task
// file already there, hostile names, stalled and missing lists, closing while loading).

#include <set>

#include <tlhelp32.h>

#include "app/ImportProjectsForm.h"
#include "app/MainActions.h"
#include "engine/AutoUpdateProjects.h"
#include "engine/EngineRoutines.h"
#include "engine/ImportFromInternetClasses.h"
#include "engine/ImportTreeView.h"
#include "platform/win/Thread.h"
#include "platform/win/TreeView.h"
#include "tests/app/MainFormFixture.h"
#include "tests/app/SavedPictures.h"
#include "tests/engine/ImportTestData.h"
#include "tests/support/NoClippedText.h"

using namespace MainFormTest;
using namespace ImportTestData;
using TestSupport::ExpectNoClippedText;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;

namespace {

int ProcessThreadCount()
{
    HANDLE S = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (S == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 E{};
    E.dwSize = sizeof(E);
    int N = 0;
    for (BOOL More = Thread32First(S, &E); More; More = Thread32Next(S, &E))
        N += E.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(S);
    return N;
}

// Every file below Folder, recursively (full paths).
void ListFiles(const std::string& Folder, std::set<std::string>& Out)
{
    WIN32_FIND_DATAA D;
    HANDLE H = FindFirstFileA((Folder + "*").c_str(), &D);
    if (H == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string Name = D.cFileName;
        if (Name == "." || Name == "..")
            continue;
        if (D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(Folder + Name + "\\", Out);
        else
            Out.insert(Folder + Name);
    } while (FindNextFileA(H, &D));
    FindClose(H);
}

class ImportTest : public MainFormFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Server.Available()) << "run through run_with_server.py";
        Server.Reset();
        SetEnvironmentVariableA("QUILLMOOR_IMPORT_BASE", Server.Url("/projects/").c_str());
        MainFormFixture::SetUp();
        CreateDirectoryA((Projects + "Arts").c_str(), nullptr);
        TStringList Old;
        Old.Add("P1");
        TExistNames(Root).Save(&Old);
    }
    void TearDown() override
    {
        MainFormFixture::TearDown();
        SetEnvironmentVariableA("QUILLMOOR_IMPORT_BASE", nullptr);
        Server.Reset();
    }
    void ServeIndex(const std::string& Lines, const std::string& Extra = "")
    {
        Server.SetRoute("/projects/index.dat", BodyRoute(Lines, Extra));
    }
    static std::string Url(const std::string& Name) { return "http://" + Name + ".example.com/start.html"; }
    // The lists of the first acceptance case: a.lst with P1 (imported before) and P2, b.lst with
    // P3 and P4.
    void ServeArts()
    {
        ServeIndex("a.lst\r\nb.lst\r\n");
        Server.SetRoute("/projects/a.lst", BodyRoute(Record(1, "P1", Url("p1"), "Arts") + Record(2, "P2", Url("p2"), "New Cat")));
        Server.SetRoute("/projects/b.lst", BodyRoute(Record(3, "P3", Url("p3"), "Arts") + Record(4, "P4", Url("p4"), "Arts")));
    }

    // Opens the dialog through the command; Act drives it (and presses OK or Cancel). False when
    // the dialog never came.
    bool Import(const std::function<void(TImportProjectsForm*)>& Act)
    {
        TFormAnswerer Dialog("Import from internet", [&](TCustomForm* F) {
            auto* D = static_cast<TImportProjectsForm*>(F);
            Act(D);
            if (D->IsModal() && D->GetModalResult() == mrNone)
                Press(D->CancelButton);
        });
        Command(maTasksImport);
        return Dialog.Count() == 1;
    }
    static TTreeNode* Top(TImportProjectsForm* D) { return D->TreeView->GetItems()->GetFirstNode(); }
    static TTreeNode* Child(TTreeNode* N, const std::string& Text)
    {
        for (int32_t I = 0; N && I < N->GetCount(); ++I)
            if (N->GetItem(I)->GetText() == Text)
                return N->GetItem(I);
        return nullptr;
    }
    // Waits until the index and every list have been handled (each list node renamed).
    static bool WaitLoaded(TImportProjectsForm* D, int Lists)
    {
        return PumpUntil([D, Lists] {
            TTreeNode* T = Top(D);
            if (T->GetText() != "New Tasks" || T->GetCount() != Lists)
                return false;
            for (int32_t I = 0; I < T->GetCount(); ++I)
                if (T->GetItem(I)->GetText().find("(loading ...)") != std::string::npos)
                    return false;
            return true;
        }, 20000, "the lists to load");
    }
    static std::string Shape(TTreeNode* N, int Depth = 0)
    {
        std::string S = std::string(static_cast<size_t>(Depth) * 2, ' ') + N->GetText() + " [" +
                        std::to_string(N->GetImageIndex()) + "/" + std::to_string(N->GetSelectedIndex()) + "]\n";
        for (int32_t I = 0; I < N->GetCount(); ++I)
            S += Shape(N->GetItem(I), Depth + 1);
        return S;
    }
    std::vector<std::string> ExistNames() const
    {
        TExistNames E(Root);
        std::vector<std::string> V;
        for (int32_t I = 0; I < E.GetNames()->GetCount(); ++I)
            V.push_back(E.GetNames()->GetStrings(I));
        return V;
    }
    // Held after the headers until the client goes.
    static std::string Stalled(const std::string& Bytes) { return BodyRoute(Bytes, ",\"stall_after\":0"); }
    bool WaitHeld(const std::string& Target)
    {
        return PumpUntil([&] {
            for (const TServerLogEntry& E : Server.Log())
                if (E.Target == Target && E.Ended == "in-progress")
                    return true;
            return false;
        }, 20000, Target + " held");
    }

    TTestServer Server;
};

} // namespace

TEST_F(ImportTest, TheTreeShowsNewProjectsAndTheChosenOnesBecomeTasks)
{
    ServeArts();
    MakeForm();
    ASSERT_NE(NodeOfPath(Projects + "Arts"), nullptr);
    EXPECT_TRUE(Enabled(maTasksImport));
    ASSERT_TRUE(Import([&](TImportProjectsForm* D) {
        ASSERT_TRUE(WaitLoaded(D, 2));
        EXPECT_EQ(D->GetCaption(), "Import from internet");
        EXPECT_EQ(D->PromptLabel->GetCaption(), "Please select website tasks from internet below:");
        EXPECT_EQ(D->NoteLabel->GetCaption(),
                  "(Note: you can press CTRL key first, then use mouse key to select multi-items)");
        EXPECT_EQ(D->OkButton->GetCaption(), "&OK");
        EXPECT_EQ(D->CancelButton->GetCaption(), "&Cancel");
        ExpectNoClippedText(D);
        EXPECT_EQ(SendMessageA(D->TreeView->GetHandle(), TVM_GETINDENT, 0, 0), 19);
        EXPECT_TRUE(D->TreeView->GetReadOnly());
        EXPECT_GE(D->ToolbarImageList->GetCount(), 3);
        TTreeNode* T = Top(D);
        EXPECT_EQ(Shape(T), "New Tasks [-1/-1]\n"
                            "  a.lst [1/1]\n"
                            "    P2 [2/2]\n"
                            "  b.lst [1/1]\n"
                            "    P3 [2/2]\n"
                            "    P4 [2/2]\n");
        TTreeNode* A = Child(T, "a.lst");
        TTreeNode* B = Child(T, "b.lst");
        ASSERT_TRUE(A && B);
        EXPECT_FALSE(D->OkButton->GetEnabled());
        D->TreeView->SetSelected(A);
        EXPECT_TRUE(D->OkButton->GetEnabled());
        D->TreeView->SetSelected(T);
        EXPECT_FALSE(D->OkButton->GetEnabled());
        D->TreeView->SetSelected(Child(A, "P2"));
        EXPECT_TRUE(D->OkButton->GetEnabled());
        D->TreeView->Select(B, true);
        EXPECT_EQ(D->TreeView->GetSelectionCount(), 2);
        PumpFor(100);
        const TestSupport::TShot Shot = SavedPictures::Shoot(D->GetHandle(), "import-dialog");
        EXPECT_GT(Shot.CountOf(0x000000), 200u);
        Press(D->OkButton);
    }));

    // The tasks, each with the sample settings, under "New Cat" (made) and the existing "Arts".
    TTreeNode* NewCat = NodeOfPath(Projects + "New Cat");
    ASSERT_NE(NewCat, nullptr);
    EXPECT_EQ(NewCat->GetParent(), Form->RootNode());
    EXPECT_EQ(NewCat->GetImageIndex(), tiFolder);
    const std::pair<const char*, const char*> Made[] = {
        {"P2", "New Cat\\P2.wrp"}, {"P3", "Arts\\P3.wrp"}, {"P4", "Arts\\P4.wrp"}};
    for (const auto& [Name, File] : Made) {
        const std::string Path = Projects + File;
        TTreeNode* N = NodeOfPath(Path);
        ASSERT_NE(N, nullptr) << Path;
        EXPECT_EQ(N->GetText(), Name);
        EXPECT_EQ(N->GetImageIndex(), tiStoppedTask);
        EXPECT_EQ(N->GetParent(), NodeOfPath(ExtractFilePath(Path).substr(0, ExtractFilePath(Path).size() - 1)));
        TTask T;
        T.LoadFromFile(Path);
        EXPECT_EQ(T.GetName(), Name);
        EXPECT_EQ(T.GetStartURI()->GetURI(), Url(LowerCase(Name)));
        const TRegOptions* O = T.GetOptions();
        EXPECT_TRUE(O->GetEnableFileLimit());
        EXPECT_EQ(O->GetFileMaxSize(), 10240);
        EXPECT_EQ(O->GetFileMinSize(), 10);
        EXPECT_EQ(O->GetSeekDeep(), 5);
        EXPECT_EQ(O->GetFileMasks()->GetText(), Form->Settings->GetOptions()->GetFileMasks()->GetText());
        EXPECT_EQ(O->GetDefaultFolder(), Downloads + Name + "\\");
        EXPECT_EQ(T.GetID().size(), 38u);
        EXPECT_EQ(T.GetID().front(), '{');
        EXPECT_EQ(T.GetID().back(), '}');
        EXPECT_TRUE(DirExists(Downloads + Name + "\\Saved"));
    }
    EXPECT_EQ(ExistNames(), (std::vector<std::string>{"P1", "P2", "P3", "P4"}));

    // A project without a category goes under the root; a list node takes its new projects.
    ServeIndex("c.lst");
    Server.SetRoute("/projects/c.lst", BodyRoute(Record(5, "P5", Url("p5"), "")));
    ASSERT_TRUE(Import([&](TImportProjectsForm* D) {
        ASSERT_TRUE(WaitLoaded(D, 1));
        D->TreeView->SetSelected(Child(Top(D), "c.lst"));
        Press(D->OkButton);
    }));
    TTreeNode* P5 = NodeOfPath(Projects + "P5.wrp");
    ASSERT_NE(P5, nullptr);
    EXPECT_EQ(P5->GetParent(), Form->RootNode());
    EXPECT_EQ(ExistNames(), (std::vector<std::string>{"P1", "P2", "P3", "P4", "P5"}));
}

TEST_F(ImportTest, AProjectChosenTwiceIsImportedOnce)
{
    ServeArts();
    MakeForm();
    ASSERT_TRUE(Import([&](TImportProjectsForm* D) {
        ASSERT_TRUE(WaitLoaded(D, 2));
        TTreeNode* B = Child(Top(D), "b.lst");
        D->TreeView->SetSelected(B);
        D->TreeView->Select(Child(B, "P3"), true);
        Press(D->OkButton);
    }));
    int P3Nodes = 0;
    for (TTreeNode* N = Form->RootNode(); N; N = N->GetNext())
        P3Nodes += N->GetText() == "P3";
    EXPECT_EQ(P3Nodes, 1);
    EXPECT_EQ(LogLinesContaining("P3"), 0);
    EXPECT_EQ(ExistNames(), (std::vector<std::string>{"P1", "P3", "P4"}));
}

TEST_F(ImportTest, AnExistingTaskFileIsKeptAsItIs)
{
    ServeArts();
    const std::string P4 = Projects + "Arts\\P4.wrp";
    WriteTask(P4, "my own P4", "http://mine.example.com/");
    const std::string Before = ReadAll(P4);
    const FILETIME BeforeTime = WriteTime(P4);
    MakeForm();
    ASSERT_TRUE(Import([&](TImportProjectsForm* D) {
        ASSERT_TRUE(WaitLoaded(D, 2));
        D->TreeView->SetSelected(Child(Top(D), "b.lst"));
        Press(D->OkButton);
    }));
    EXPECT_EQ(ReadAll(P4), Before);
    const FILETIME AfterTime = WriteTime(P4);
    EXPECT_EQ(CompareFileTime(&BeforeTime, &AfterTime), 0);
    EXPECT_EQ(LogLinesContaining(P4), 1);
    EXPECT_TRUE(FileExistsA(Projects + "Arts\\P3.wrp"));
    int P4Nodes = 0;
    for (TTreeNode* N = Form->RootNode(); N; N = N->GetNext())
        P4Nodes += TMainForm::NodePath(N) == P4;
    EXPECT_EQ(P4Nodes, 1);
    EXPECT_EQ(ExistNames(), (std::vector<std::string>{"P1", "P3"}));
}

TEST_F(ImportTest, HostileNamesStayInsideTheirFolders)
{
    ServeIndex("evil.lst");
    Server.SetRoute("/projects/evil.lst",
                    BodyRoute(Record(1, "..\\..\\evil", Url("e1"), "..\\x") + Record(2, "CON", Url("e2"), "..") +
                              Record(3, "a/../../b", Url("e3"), "C:\\Windows")));
    MakeForm();
    std::set<std::string> Before;
    ListFiles(Temp.Path(), Before);
    ASSERT_TRUE(Import([&](TImportProjectsForm* D) {
        ASSERT_TRUE(WaitLoaded(D, 1));
        TTreeNode* L = Child(Top(D), "evil.lst");
        ASSERT_NE(L, nullptr);
        EXPECT_EQ(L->GetCount(), 3);
        D->TreeView->SetSelected(L);
        Press(D->OkButton);
    }));
    std::set<std::string> After;
    ListFiles(Temp.Path(), After);
    int New = 0;
    for (const std::string& F : After) {
        if (Before.count(F))
            continue;
        ++New;
        EXPECT_TRUE(PathLiesUnder(F, Projects) || PathLiesUnder(F, Downloads)) << F;
    }
    // Three task files with their failed-address files; the download folders hold nothing yet.
    EXPECT_EQ(New, 6);
    EXPECT_TRUE(FileExistsA(Projects + ".._x\\.._.._evil.wrp"));
    EXPECT_TRUE(FileExistsA(Projects + "_\\_CON.wrp"));
    EXPECT_TRUE(DirExists(Downloads + "_CON\\Saved"));
    EXPECT_FALSE(FileExistsA(Temp.Path() + "evil.wrp"));
    EXPECT_EQ(ExistNames().size(), 4u);
}

TEST_F(ImportTest, ClosingWhileEverythingIsStalledEndsEveryThread)
{
    ServeIndex("a.lst\nb.lst", ",\"stall_after\":0");
    MakeForm();
    EndParkedThreads();
    const int Threads = ProcessThreadCount();
    ASSERT_GT(Threads, 0);
    ASSERT_TRUE(Import([&](TImportProjectsForm* D) {
        ASSERT_TRUE(WaitHeld("/projects/index.dat"));
        EXPECT_EQ(Top(D)->GetText(), "New Tasks(downloading ...)");
        Press(D->CancelButton);
    }));
    EndParkedThreads();
    EXPECT_EQ(ProcessThreadCount(), Threads);
    EXPECT_EQ(CountFiles(Projects, "*.wrp"), 0);
    EXPECT_EQ(ExistNames(), (std::vector<std::string>{"P1"}));
}

TEST_F(ImportTest, OkWhileAListIsStalledTakesWhatIsLoaded)
{
    ServeIndex("a.lst\nb.lst\n");
    Server.SetRoute("/projects/a.lst", BodyRoute(Record(1, "P1", Url("p1"), "Arts") + Record(2, "P2", Url("p2"), "Arts")));
    Server.SetRoute("/projects/b.lst", Stalled(Record(3, "P3", Url("p3"), "Arts")));
    MakeForm();
    ASSERT_TRUE(Import([&](TImportProjectsForm* D) {
        ASSERT_TRUE(WaitHeld("/projects/b.lst"));
        ASSERT_TRUE(PumpUntil([&] { return Child(Top(D), "a.lst") && Top(D)->GetText() == "New Tasks"; }, 20000,
                              "a.lst loaded"));
        TTreeNode* B = Child(Top(D), "b.lst(loading ...)");
        ASSERT_NE(B, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return TTreeViewImportTree::NodeObject(B) != nullptr; }, 20000, "b.lst's thread"));
        D->TreeView->SetSelected(Child(Top(D), "a.lst"));
        D->TreeView->Select(B, true);
        Press(D->OkButton);
    }));
    EXPECT_TRUE(FileExistsA(Projects + "Arts\\P2.wrp"));
    EXPECT_EQ(CountFiles(Projects + "Arts\\", "*.wrp"), 1);
    EXPECT_EQ(ExistNames(), (std::vector<std::string>{"P1", "P2"}));
}

TEST_F(ImportTest, AMissingListKeepsItsNodeAndTheDialogGoesOn)
{
    ServeIndex("missing.lst\na.lst\n");
    Server.SetRoute("/projects/a.lst", BodyRoute(Record(2, "P2", Url("p2"), "")));
    MakeForm();
    ASSERT_TRUE(Import([&](TImportProjectsForm* D) {
        ASSERT_TRUE(WaitLoaded(D, 2));
        TTreeNode* M = Child(Top(D), "missing.lst");
        ASSERT_NE(M, nullptr);
        EXPECT_EQ(M->GetCount(), 0);
        D->TreeView->SetSelected(M);
        EXPECT_TRUE(D->OkButton->GetEnabled());
        D->TreeView->SetSelected(Child(Child(Top(D), "a.lst"), "P2"));
        Press(D->OkButton);
    }));
    EXPECT_TRUE(FileExistsA(Projects + "P2.wrp"));
    EXPECT_EQ(ExistNames(), (std::vector<std::string>{"P1", "P2"}));
}
