// The task-list import filling a real tree view in a hidden form, against the private test web
// server: texts, images, expansion and data read back from the tree's window, loading texts,
// failures, a stop while loading, and a tree view freed before the import has ended.
#include "engine/ImportTreeView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <windows.h>

#include "engine/AutoUpdateProjects.h"
#include "platform/win/Forms.h"
#include "platform/win/TreeView.h"
#include "tests/engine/ImportTestData.h"
#include "tests/support/TestServer.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpFor;
using TestSupport::PumpUntil;
using TestSupport::TTestRegistryKey;

namespace {

using namespace ImportTestData;

// A node as the tree's window holds it.
struct TWinNode {
    std::string Text;
    int Image = -1;
    int Selected = -1;
    bool Expanded = false;
    HTREEITEM Item = nullptr;
    std::vector<TWinNode> Children;
};

TWinNode ReadNode(HWND W, HTREEITEM H)
{
    TWinNode N;
    char Buf[512] = {};
    TVITEMA I{};
    I.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_HANDLE;
    I.hItem = H;
    I.pszText = Buf;
    I.cchTextMax = sizeof(Buf);
    I.stateMask = TVIS_EXPANDED;
    SendMessageA(W, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I));
    N.Text = Buf;
    N.Image = I.iImage;
    N.Selected = I.iSelectedImage;
    N.Expanded = (I.state & TVIS_EXPANDED) != 0;
    N.Item = H;
    for (auto C = reinterpret_cast<HTREEITEM>(SendMessageA(W, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(H)));
         C; C = reinterpret_cast<HTREEITEM>(SendMessageA(W, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(C))))
        N.Children.push_back(ReadNode(W, C));
    return N;
}

// Indented lines "text [image/selected] +" (+ when expanded). The top node, which the import
// gives no image, shows none.
std::string Dump(const TWinNode& N, int Depth = 0)
{
    const std::string Images =
        Depth == 0 ? "" : " [" + std::to_string(N.Image) + "/" + std::to_string(N.Selected) + "]";
    std::string S = std::string(Depth * 2, ' ') + N.Text + Images + (N.Expanded ? " +" : "") + "\n";
    for (const TWinNode& C : N.Children)
        S += Dump(C, Depth + 1);
    return S;
}

// The import dialog's tree, in a form that is never shown.
struct TTreeForm {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TTreeView* Tree;
    std::unique_ptr<TTreeViewImportTree> Binding;
    TTreeForm()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 400, 600);
        Tree = new TTreeView(Form.get());
        Tree->SetParent(Form.get());
        Tree->SetAlign(alClient);
        Tree->SetReadOnly(true);
        Tree->SetMultiSelect(true);
        Tree->SetIndent(19);
        Form->HandleNeeded();
        Tree->HandleNeeded();
        Binding = std::make_unique<TTreeViewImportTree>(Tree);
        // The dialog makes the first top node before it starts the import.
        Tree->GetItems()->Add(nullptr, "New Tasks");
    }
    TWinNode Top() const
    {
        auto H = reinterpret_cast<HTREEITEM>(SendMessageA(Tree->GetHandle(), TVM_GETNEXTITEM, TVGN_ROOT, 0));
        return H ? ReadNode(Tree->GetHandle(), H) : TWinNode{};
    }
    TObject* Data(const TWinNode& N) const { return TTreeViewImportTree::NodeObject(Tree->NodeFromItem(N.Item)); }
};

bool AllEnded(TImportFileListThread* List)
{
    if (!List->GetFinished())
        return false;
    for (int32_t I = 0; I < List->GetFileThreadCount(); ++I)
        if (!List->GetFileThread(I)->GetFinished())
            return false;
    return true;
}

class ImportTreeViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Server.Available())
            GTEST_SKIP() << "QUILLMOOR_TEST_SERVER is not set (run through run_with_server.py)";
        Server.Reset();
        FOldBase = EnvText("QUILLMOOR_IMPORT_BASE");
        SetEnvironmentVariableA("QUILLMOOR_IMPORT_BASE", Server.Url("/projects/").c_str());
        Form = std::make_unique<TTreeForm>();
    }
    void TearDown() override
    {
        List.reset(); // stops and frees every thread before the tree goes
        Form.reset();
        SetEnvironmentVariableA("QUILLMOOR_IMPORT_BASE", FOldBase.empty() ? nullptr : FOldBase.c_str());
    }
    void Start() { List.reset(TThread::New<TImportFileListThread>(false, Form->Binding.get(), Key.Path())); }
    void WaitAll()
    {
        ASSERT_TRUE(PumpUntil([&] { return AllEnded(List.get()); }, 30000, "the import threads"));
        List->WaitFor();
        for (int32_t I = 0; I < List->GetFileThreadCount(); ++I)
            List->GetFileThread(I)->WaitFor();
        PumpFor(50);
    }
    void ServeThreeLists()
    {
        Server.SetRoute("/projects/index.dat", "{\"body\":\"a.lst\\r\\nb.lst\\nc.lst\"}");
        for (const char* L : {"a", "b", "c"}) {
            const std::string P = L;
            Server.SetRoute("/projects/" + P + ".lst",
                            BodyRoute(Record(1, P + "-one", "http://" + P + "1.test/", "Cat" + P) +
                                      Record(0x01020304, P + "-two", "http://" + P + "2.test/", "Cat" + P)));
        }
    }

    TTestServer Server;
    TTestRegistryKey Key;
    std::unique_ptr<TTreeForm> Form;
    std::unique_ptr<TImportFileListThread> List;

private:
    std::string FOldBase;
};

} // namespace

TEST_F(ImportTreeViewTest, FillsTheTreeViewsWindow)
{
    ServeThreeLists();
    Start();
    WaitAll();
    const TWinNode Top = Form->Top();
    EXPECT_EQ(Top.Text, "New Tasks");
    EXPECT_TRUE(Top.Expanded);
    EXPECT_EQ(Form->Tree->GetItems()->GetCount(), 1 + 3 + 6);
    ASSERT_EQ(Top.Children.size(), 3u) << Dump(Top);
    for (int I = 0; I < 3; ++I) {
        const std::string L(1, static_cast<char>('a' + I));
        const TWinNode& N = Top.Children[static_cast<size_t>(I)];
        EXPECT_EQ(N.Text, L + ".lst");
        EXPECT_EQ(N.Image, 1);
        EXPECT_EQ(N.Selected, 1);
        EXPECT_TRUE(N.Expanded) << Dump(Top);
        auto* FT = dynamic_cast<TImportFileThread*>(Form->Data(N));
        ASSERT_NE(FT, nullptr);
        EXPECT_EQ(FT, List->GetFileThread(I));
        ASSERT_EQ(N.Children.size(), 2u) << Dump(Top);
        for (int J = 0; J < 2; ++J) {
            const TWinNode& P = N.Children[static_cast<size_t>(J)];
            EXPECT_EQ(P.Image, 2);
            EXPECT_EQ(P.Selected, 2);
            EXPECT_TRUE(P.Children.empty());
            auto* Item = dynamic_cast<TProjectItem*>(Form->Data(P));
            ASSERT_NE(Item, nullptr);
            EXPECT_EQ(P.Text, Item->GetName());
            EXPECT_EQ(Item->GetName(), L + (J == 0 ? "-one" : "-two"));
            EXPECT_EQ(Item->GetNumber(), J == 0 ? 1 : 0x01020304);
            EXPECT_EQ(Item->GetURL(), "http://" + L + (J == 0 ? "1" : "2") + ".test/");
            EXPECT_EQ(Item->GetCategory(), "Cat" + L);
            EXPECT_FALSE(Item->GetExists());
            EXPECT_EQ(Item->GetOwnerList(), FT->GetItems());
        }
    }
    std::vector<std::string> Targets;
    for (const TServerLogEntry& E : Server.Log())
        Targets.push_back(E.Target);
    ASSERT_EQ(Targets.size(), 4u);
    std::sort(Targets.begin() + 1, Targets.end());
    EXPECT_EQ(Targets, (std::vector<std::string>{"/projects/index.dat", "/projects/a.lst", "/projects/b.lst",
                                                 "/projects/c.lst"}));
}

TEST_F(ImportTreeViewTest, LoadingTextsShowInTheWindowWhileResponsesAreHeld)
{
    Server.SetRoute("/projects/index.dat", "{\"body\":\"a.lst\\nb.lst\",\"delay\":1.5}");
    Server.SetRoute("/projects/a.lst", BodyRoute(Record(1, "A1", "u", "c"), ",\"delay\":2"));
    Server.SetRoute("/projects/b.lst", BodyRoute(Record(1, "B1", "u", "c")));
    Start();
    ASSERT_TRUE(PumpUntil([&] { return Server.Counters().InFlight > 0; }, 10000, "the index request"));
    PumpFor(200);
    EXPECT_EQ(Form->Top().Text, "New Tasks(downloading ...)");
    EXPECT_TRUE(Form->Top().Children.empty());
    ASSERT_TRUE(PumpUntil([&] {
        const TWinNode Top = Form->Top();
        return Top.Children.size() == 2 && Top.Children[1].Text == "b.lst";
    }, 10000, "b.lst loaded"));
    EXPECT_EQ(Form->Top().Children[0].Text, "a.lst(loading ...)");
    EXPECT_TRUE(Form->Top().Children[0].Children.empty());
    WaitAll();
    const TWinNode Top = Form->Top();
    EXPECT_EQ(Top.Children[0].Text, "a.lst");
    ASSERT_EQ(Top.Children[0].Children.size(), 1u);
    EXPECT_EQ(Top.Children[0].Children[0].Text, "A1");
}

TEST_F(ImportTreeViewTest, FailuresLeaveTheirNodesWithoutChildren)
{
    // An index answered 404: "New Tasks" and nothing under it.
    Start();
    WaitAll();
    EXPECT_EQ(Form->Top().Text, "New Tasks");
    EXPECT_TRUE(Form->Top().Children.empty());
    EXPECT_EQ(Form->Tree->GetItems()->GetCount(), 1);
    List.reset();

    // A list answered 404 keeps its node, renamed, with no children.
    Server.SetRoute("/projects/index.dat", "{\"body\":\"a.lst\\nmissing.lst\\n\"}");
    Server.SetRoute("/projects/a.lst", BodyRoute(Record(1, "A1", "u", "c")));
    Start();
    WaitAll();
    const TWinNode Top = Form->Top();
    ASSERT_EQ(Top.Children.size(), 2u) << Dump(Top);
    EXPECT_EQ(Top.Children[0].Children.size(), 1u);
    EXPECT_EQ(Top.Children[1].Text, "missing.lst");
    EXPECT_TRUE(Top.Children[1].Children.empty());
    EXPECT_EQ(Top.Children[1].Image, 1);
}

TEST_F(ImportTreeViewTest, StopWhileTheListsAreHeldLeavesTheTreeAsItIs)
{
    Server.SetRoute("/projects/index.dat", "{\"body\":\"a.lst\\nb.lst\\nc.lst\"}");
    for (const char* L : {"a", "b", "c"})
        Server.SetRoute(std::string("/projects/") + L + ".lst", BodyRoute(Record(1, L, "u", "c"), ",\"stall_after\":0"));
    Start();
    ASSERT_TRUE(PumpUntil([&] {
        int Held = 0;
        for (const TServerLogEntry& E : Server.Log())
            Held += E.Target != "/projects/index.dat" && E.Ended == "in-progress";
        return Held == 3;
    }, 10000, "three held lists"));
    List->Stop();
    EXPECT_TRUE(AllEnded(List.get()));
    const std::string Before = Dump(Form->Top());
    PumpFor(1000);
    EXPECT_EQ(Dump(Form->Top()), Before);
    const TWinNode Top = Form->Top();
    ASSERT_EQ(Top.Children.size(), 3u) << Before;
    for (const TWinNode& N : Top.Children) {
        EXPECT_TRUE(N.Children.empty());
        EXPECT_NE(N.Text.find("(loading ...)"), std::string::npos) << N.Text;
    }
}

// A dialog that loses its tree view before the import has ended: the late steps of the threads
// reach no freed window, and the threads still end.
TEST_F(ImportTreeViewTest, TreeViewFreedWhileTheImportRuns)
{
    Server.SetRoute("/projects/index.dat", "{\"body\":\"a.lst\\nb.lst\"}");
    Server.SetRoute("/projects/a.lst", BodyRoute(Record(1, "A1", "u", "c") + Record(2, "A2", "u", "c"), ",\"delay\":1"));
    Server.SetRoute("/projects/b.lst", BodyRoute(Record(1, "B1", "u", "c"), ",\"delay\":1"));
    Start();
    ASSERT_TRUE(PumpUntil([&] { return Form->Top().Children.size() == 2; }, 10000, "two list nodes"));
    Form->Form.reset(); // the tree view goes with its form
    EXPECT_EQ(Form->Binding->GetTreeView(), nullptr);
    EXPECT_EQ(Form->Binding->GetFirstTopNode(), nullptr);
    WaitAll();
    // Both lists were still loaded; only the tree was gone.
    ASSERT_EQ(List->GetFileThreadCount(), 2);
    for (int32_t I = 0; I < 2; ++I)
        EXPECT_NE(List->GetFileThread(I)->GetItems(), nullptr);
    EXPECT_EQ(List->GetFileThread(0)->GetItems()->GetCount(), 2);
}

TEST_F(ImportTreeViewTest, StopsAtRandomMomentsLeaveAConsistentTree)
{
    std::mt19937 Rng(9);
    for (int Run = 0; Run < 10; ++Run) {
        Server.Reset();
        Server.SetRoute("/projects/index.dat", "{\"body\":\"a.lst\\nb.lst\\nc.lst\",\"delay\":" +
                                                   std::to_string((Rng() % 150) / 1000.0) + "}");
        for (const char* L : {"a", "b", "c"})
            Server.SetRoute(std::string("/projects/") + L + ".lst",
                            BodyRoute(Record(1, L, "u", "c") + Record(2, std::string(L) + "2", "u", "c"),
                                      ",\"delay\":" + std::to_string((Rng() % 300) / 1000.0)));
        List.reset();
        Form = std::make_unique<TTreeForm>();
        Start();
        PumpFor(Rng() % 400);
        List->Stop();
        ASSERT_TRUE(AllEnded(List.get())) << "run " << Run;
        const std::string Before = Dump(Form->Top());
        PumpFor(100);
        EXPECT_EQ(Dump(Form->Top()), Before) << "run " << Run;
        // Every node's data is what the import put there: a file thread of this import, or an
        // item one of its file threads owns (a list node may lack its data when the stop came
        // between its file thread's start and the step that sets it).
        const TWinNode Top = Form->Top();
        for (const TWinNode& N : Top.Children) {
            auto* FT = dynamic_cast<TImportFileThread*>(Form->Data(N));
            bool Known = false;
            for (int32_t I = 0; I < List->GetFileThreadCount(); ++I)
                Known = Known || List->GetFileThread(I) == FT;
            EXPECT_TRUE(FT == nullptr || Known) << "run " << Run;
            for (const TWinNode& P : N.Children) {
                auto* Item = dynamic_cast<TProjectItem*>(Form->Data(P));
                ASSERT_NE(Item, nullptr);
                bool Owned = false;
                for (int32_t I = 0; I < List->GetFileThreadCount(); ++I)
                    Owned = Owned || Item->GetOwnerList() == List->GetFileThread(I)->GetItems();
                EXPECT_TRUE(Owned) << "run " << Run;
                if (FT) {
                    EXPECT_EQ(Item->GetOwnerList(), FT->GetItems());
                }
            }
        }
    }
}
