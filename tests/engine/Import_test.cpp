// The task-list import under Wine: downloads from the private test web server, the registry list
// of imported names, and the two threads filling a recorded tree, including stops at any moment.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <windows.h>

#include "engine/AutoUpdateProjects.h"
#include "engine/EngineRoutines.h"
#include "engine/EngineText.h"
#include "engine/ImportFromInternetClasses.h"
#include "platform/net/HttpClient.h"
#include "platform/win/Registry.h"
#include "tests/engine/ImportTestData.h"
#include "tests/support/TestServer.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpFor;
using TestSupport::PumpUntil;
using TestSupport::TTestRegistryKey;

namespace {

using namespace ImportTestData;

using TNode = TRecordedImportTree::TNode;

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Server.Available())
            GTEST_SKIP() << "QUILLMOOR_TEST_SERVER is not set (run through run_with_server.py)";
        Server.Reset();
        FOldBase = EnvText("QUILLMOOR_IMPORT_BASE");
        SetEnvironmentVariableA("QUILLMOOR_IMPORT_BASE", Server.Url("/projects/").c_str());
        Tree.AddTopNode("New Tasks");
    }
    void TearDown() override
    {
        List.reset(); // stops and frees every thread before the tree goes
        SetEnvironmentVariableA("QUILLMOOR_IMPORT_BASE", FOldBase.empty() ? nullptr : FOldBase.c_str());
    }

    void Start()
    {
        List.reset(TThread::New<TImportFileListThread>(false, &Tree, Key.Path()));
    }

    // Waits for the list thread and then every file thread, their termination steps included.
    void WaitAll()
    {
        ASSERT_TRUE(PumpUntil([&] { return List->GetFinished(); }, 20000, "the list thread"));
        List->WaitFor();
        for (int32_t I = 0; I < List->GetFileThreadCount(); ++I) {
            TImportFileThread* T = List->GetFileThread(I);
            ASSERT_TRUE(PumpUntil([&] { return T->GetFinished(); }, 20000, "a file thread"));
            T->WaitFor();
        }
    }

    std::vector<std::string> Targets()
    {
        std::vector<std::string> R;
        for (const TServerLogEntry& E : Server.Log())
            R.push_back(E.Target);
        return R;
    }

    void ServeThreeLists()
    {
        Server.SetRoute("/projects/index.dat", "{\"body\":\"a.lst\\r\\nb.lst\\nc.lst\"}");
        for (const char* L : {"a", "b", "c"}) {
            const std::string P = std::string(L);
            Server.SetRoute("/projects/" + P + ".lst",
                            BodyRoute(Record(1, P + "-one", "http://" + P + "1.test/", "Cat" + P) +
                                      Record(0x01020304, P + "-two", "http://" + P + "2.test/", "Cat" + P)));
        }
    }

    TTestServer Server;
    TTestRegistryKey Key;
    TRecordedImportTree Tree;
    std::unique_ptr<TImportFileListThread> List;

private:
    std::string FOldBase;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// The controller

TEST(ImportCtrl, DefaultBaseAddressWithoutTheSeam)
{
    const std::string Old = EnvText("QUILLMOOR_IMPORT_BASE");
    SetEnvironmentVariableA("QUILLMOOR_IMPORT_BASE", nullptr);
    TProjectUpdateCtrl Ctrl;
    SetEnvironmentVariableA("QUILLMOOR_IMPORT_BASE", Old.empty() ? nullptr : Old.c_str());
    EXPECT_EQ(Ctrl.GetIndexAddress(), "http://www.example.com/quillmoor/projects/index.dat");
    EXPECT_EQ(Ctrl.GetListAddress("a b.lst"), "http://www.example.com/quillmoor/projects/a%20b.lst");
    EXPECT_EQ(Ctrl.GetHttp()->GetMaxBodySize(), 16 * 1024 * 1024);
}

TEST(ImportCtrl, SeamIsTakenWhenTheControllerIsMade)
{
    const std::string Old = EnvText("QUILLMOOR_IMPORT_BASE");
    SetEnvironmentVariableA("QUILLMOOR_IMPORT_BASE", "http://127.0.0.1:9/p");
    TProjectUpdateCtrl Ctrl;
    SetEnvironmentVariableA("QUILLMOOR_IMPORT_BASE", "http://127.0.0.1:9/other/");
    EXPECT_EQ(Ctrl.GetIndexAddress(), "http://127.0.0.1:9/p/index.dat");
    SetEnvironmentVariableA("QUILLMOOR_IMPORT_BASE", Old.empty() ? nullptr : Old.c_str());
}

TEST_F(ImportTest, ControllerFetchesIndexAndList)
{
    ServeThreeLists();
    TProjectUpdateCtrl Ctrl;
    TStringList Lines;
    Ctrl.GetIndex(&Lines);
    ASSERT_EQ(Lines.GetCount(), 3);
    EXPECT_EQ(Lines.GetStrings(0), "a.lst");
    auto Items = Ctrl.GetProjects("b.lst");
    ASSERT_EQ(Items->GetCount(), 2);
    EXPECT_EQ(Items->GetListName(), "b.lst");
    EXPECT_EQ(Items->GetItem(1)->GetName(), "b-two");
    EXPECT_EQ(Items->GetItem(1)->GetNumber(), 0x01020304);
    EXPECT_THROW(Ctrl.GetProjects("missing.lst"), EHttpError);
}

// ---------------------------------------------------------------------------------------------
// ExistPrjs

TEST(ImportExistNames, MissingKeyIsCreatedEmpty)
{
    TTestRegistryKey Key;
    TRegistry Reg;
    ASSERT_FALSE(Reg.KeyExists(Key.Path() + "\\ExistPrjs"));
    TExistNames Names(Key.Path());
    EXPECT_TRUE(Reg.KeyExists(Key.Path() + "\\ExistPrjs"));
    EXPECT_EQ(Names.GetNames()->GetCount(), 0);
    EXPECT_EQ(Names.GetKeyPath(), Key.Path() + "\\ExistPrjs");
}

TEST(ImportExistNames, TwelveNamesReadBackInOrder)
{
    TTestRegistryKey Key;
    {
        TRegistry Reg;
        ASSERT_TRUE(Reg.OpenKey(Key.Path() + "\\ExistPrjs", true));
        // Written out of order: the numeric value names decide, not the order of writing.
        for (int I = 11; I >= 0; --I)
            Reg.WriteString(std::to_string(I), "Name" + std::to_string(I));
    }
    TExistNames Names(Key.Path());
    ASSERT_EQ(Names.GetNames()->GetCount(), 12);
    for (int I = 0; I < 12; ++I)
        EXPECT_EQ(Names.GetNames()->GetStrings(I), "Name" + std::to_string(I));
}

TEST(ImportExistNames, SaveWritesStoredThenNewNames)
{
    TTestRegistryKey Key;
    {
        TRegistry Reg;
        ASSERT_TRUE(Reg.OpenKey(Key.Path() + "\\ExistPrjs", true));
        Reg.WriteString("0", "s0");
        Reg.WriteString("1", "s1");
        Reg.WriteString("2", "s2");
    }
    TExistNames Names(Key.Path());
    TStringList New;
    New.Add("n0");
    New.Add("n1");
    Names.Save(&New);
    EXPECT_EQ(Names.GetNames()->GetCount(), 5);

    TRegistry Reg;
    ASSERT_TRUE(Reg.OpenKey(Key.Path() + "\\ExistPrjs", false));
    TStringList Values;
    Reg.GetValueNames(&Values);
    EXPECT_EQ(Values.GetCount(), 5);
    const char* Expected[] = {"s0", "s1", "s2", "n0", "n1"};
    for (int I = 0; I < 5; ++I)
        EXPECT_EQ(Reg.ReadString(std::to_string(I)), Expected[I]);
    TExistNames Again(Key.Path());
    EXPECT_EQ(Again.GetNames()->GetText(), Names.GetNames()->GetText());
}

TEST(ImportExistNames, DeleteRemovesEveryValueHoldingTheNameAndNoOther)
{
    TTestRegistryKey Key;
    {
        TRegistry Reg;
        ASSERT_TRUE(Reg.OpenKey(Key.Path() + "\\ExistPrjs", true));
        Reg.WriteString("0", "x");
        Reg.WriteString("1", "y");
        Reg.WriteString("2", "x");
        Reg.WriteString("3", "xx");
        Reg.WriteString("4", "X");
        Reg.WriteInteger("5", 7);
    }
    TExistNames Names(Key.Path());
    // The value of another type is passed over when reading, not a failure.
    EXPECT_EQ(Names.GetNames()->GetText(), "x\r\ny\r\nx\r\nxx\r\nX\r\n");
    Names.Delete("x");
    TRegistry Reg;
    ASSERT_TRUE(Reg.OpenKey(Key.Path() + "\\ExistPrjs", false));
    EXPECT_FALSE(Reg.ValueExists("0"));
    EXPECT_FALSE(Reg.ValueExists("2"));
    EXPECT_EQ(Reg.ReadString("1"), "y");
    EXPECT_EQ(Reg.ReadString("3"), "xx");
    EXPECT_EQ(Reg.ReadString("4"), "X");
    EXPECT_EQ(Reg.ReadInteger("5"), 7);
    EXPECT_EQ(Names.GetNames()->GetText(), "y\r\nxx\r\nX\r\n");
    for (int32_t I = 0; I < Names.GetNames()->GetCount(); ++I)
        EXPECT_NE(Names.GetNames()->GetStrings(I), "x");
}

TEST(ImportExistNames, RemoveExistingLeavesOnlyNewNames)
{
    TTestRegistryKey Key;
    TExistNames Names(Key.Path());
    TStringList Stored;
    Stored.Add("A");
    Stored.Add("C");
    Names.Save(&Stored);
    TStringList L;
    for (const char* S : {"A", "B", "C", "A", "a", "D"})
        L.Add(S);
    Names.RemoveExisting(&L);
    EXPECT_EQ(L.GetText(), "B\r\na\r\nD\r\n");
}

// ---------------------------------------------------------------------------------------------
// The tree

TEST_F(ImportTest, FillsTheTreeFromIndexAndLists)
{
    ServeThreeLists();
    Start();
    WaitAll();

    const TNode* Top = Tree.GetTop(0);
    EXPECT_EQ(Top->Text, "New Tasks");
    EXPECT_TRUE(Top->Expanded);
    ASSERT_EQ(Top->Children.size(), 3u) << Tree.Dump();
    ASSERT_EQ(List->GetFileThreadCount(), 3);
    const char* Lists[] = {"a", "b", "c"};
    for (int I = 0; I < 3; ++I) {
        const std::string L = Lists[I];
        const TNode* N = Top->Children[static_cast<size_t>(I)];
        EXPECT_EQ(N->Text, L + ".lst");
        EXPECT_EQ(N->ImageIndex, 1);
        EXPECT_EQ(N->SelectedIndex, 1);
        EXPECT_TRUE(N->Expanded);
        auto* FT = dynamic_cast<TImportFileThread*>(N->Data);
        ASSERT_NE(FT, nullptr);
        EXPECT_EQ(FT, List->GetFileThread(I));
        EXPECT_EQ(FT->GetListName(), L + ".lst");
        EXPECT_EQ(FT->GetError(), "");
        ASSERT_EQ(N->Children.size(), 2u) << Tree.Dump();
        for (int J = 0; J < 2; ++J) {
            const TNode* P = N->Children[static_cast<size_t>(J)];
            EXPECT_EQ(P->ImageIndex, 2);
            EXPECT_EQ(P->SelectedIndex, 2);
            auto* Item = dynamic_cast<TProjectItem*>(P->Data);
            ASSERT_NE(Item, nullptr);
            EXPECT_EQ(Item->GetOwnerList(), FT->GetItems());
            EXPECT_EQ(P->Text, Item->GetName());
            EXPECT_EQ(Item->GetName(), L + (J == 0 ? "-one" : "-two"));
            EXPECT_EQ(Item->GetNumber(), J == 0 ? 1 : 0x01020304);
            EXPECT_EQ(Item->GetURL(), "http://" + L + (J == 0 ? "1" : "2") + ".test/");
            EXPECT_EQ(Item->GetCategory(), "Cat" + L);
            EXPECT_FALSE(Item->GetExists());
        }
    }
    // The loading texts came first.
    const auto& Texts = Tree.GetTexts();
    ASSERT_FALSE(Texts.empty());
    EXPECT_EQ(Texts.front(), "New Tasks(downloading ...)");
    EXPECT_NE(std::find(Texts.begin(), Texts.end(), "b.lst(loading ...)"), Texts.end());
    EXPECT_EQ(Tree.GetForeignCalls(), 0u);

    std::vector<std::string> T = Targets();
    std::sort(T.begin() + 1, T.end());
    EXPECT_EQ(T, (std::vector<std::string>{"/projects/index.dat", "/projects/a.lst", "/projects/b.lst", "/projects/c.lst"}));
    for (const std::string& S : T)
        EXPECT_EQ(S.find_first_of("\r\n"), std::string::npos);
}

TEST_F(ImportTest, StoredNameGetsNoNodeAndExists)
{
    TStringList Stored;
    Stored.Add("Proj1");
    TExistNames(Key.Path()).Save(&Stored);
    Server.SetRoute("/projects/index.dat", "{\"body\":\"l.lst\\n\"}");
    Server.SetRoute("/projects/l.lst", BodyRoute(Record(1, "Proj1", "http://1.test/", "c") + Record(2, "Proj2", "http://2.test/", "c")));
    Start();
    WaitAll();
    const TNode* L = Tree.GetTop(0)->Children.at(0);
    ASSERT_EQ(L->Children.size(), 1u) << Tree.Dump();
    EXPECT_EQ(L->Children[0]->Text, "Proj2");
    TImportFileThread* FT = List->GetFileThread(0);
    ASSERT_NE(FT->GetItems(), nullptr);
    EXPECT_TRUE(FT->GetItems()->GetItem(0)->GetExists());
    EXPECT_FALSE(FT->GetItems()->GetItem(1)->GetExists());
    EXPECT_EQ(FT->GetNewNames()->GetText(), "Proj2\r\n");
}

TEST_F(ImportTest, LoadingTextsShowWhileResponsesAreHeld)
{
    Server.SetRoute("/projects/index.dat", "{\"body\":\"a.lst\\nb.lst\",\"delay\":1.5}");
    Server.SetRoute("/projects/a.lst", BodyRoute(Record(1, "A1", "u", "c"), ",\"delay\":2"));
    Server.SetRoute("/projects/b.lst", BodyRoute(Record(1, "B1", "u", "c")));
    Start();
    ASSERT_TRUE(PumpUntil([&] { return Server.Counters().InFlight > 0; }, 10000, "the index request"));
    PumpFor(200);
    EXPECT_EQ(Tree.GetTop(0)->Text, "New Tasks(downloading ...)");
    EXPECT_TRUE(Tree.GetTop(0)->Children.empty());
    // b.lst comes at once, a.lst is held.
    ASSERT_TRUE(PumpUntil([&] {
        const TNode* Top = Tree.GetTop(0);
        return Top->Children.size() == 2 && Top->Children[1]->Text == "b.lst";
    }, 10000, "b.lst loaded"));
    EXPECT_EQ(Tree.GetTop(0)->Children[0]->Text, "a.lst(loading ...)");
    EXPECT_TRUE(Tree.GetTop(0)->Children[0]->Children.empty());
    WaitAll();
    EXPECT_EQ(Tree.GetTop(0)->Children[0]->Text, "a.lst");
    EXPECT_EQ(Tree.GetTop(0)->Children[0]->Children.size(), 1u);
}

TEST_F(ImportTest, ListAnswered404KeepsItsRenamedNodeWithoutChildren)
{
    Server.SetRoute("/projects/index.dat", "{\"body\":\"a.lst\\nmissing.lst\\n\"}");
    Server.SetRoute("/projects/a.lst", BodyRoute(Record(1, "A1", "u", "c")));
    Start();
    WaitAll();
    const TNode* Top = Tree.GetTop(0);
    ASSERT_EQ(Top->Children.size(), 2u);
    EXPECT_EQ(Top->Children[0]->Children.size(), 1u);
    EXPECT_EQ(Top->Children[1]->Text, "missing.lst");
    EXPECT_TRUE(Top->Children[1]->Children.empty());
    EXPECT_EQ(List->GetFileThread(1)->GetItems(), nullptr);
    EXPECT_NE(List->GetFileThread(1)->GetError(), "");
}

TEST_F(ImportTest, IndexAnswered404LeavesNewTasksEmpty)
{
    Start();
    WaitAll();
    EXPECT_EQ(Tree.GetTop(0)->Text, "New Tasks");
    EXPECT_TRUE(Tree.GetTop(0)->Children.empty());
    EXPECT_EQ(List->GetFileThreadCount(), 0);
    EXPECT_NE(List->GetError(), "");
}

TEST_F(ImportTest, TwentyMegabyteListFailsLikeA404)
{
    Server.SetRoute("/projects/index.dat", "{\"body\":\"big.lst\\nsmall.lst\"}");
    Server.SetRoute("/projects/big.lst", "{\"generate\":{\"kind\":\"pattern\",\"pattern\":\"Big\",\"size\":20000000}}");
    Server.SetRoute("/projects/small.lst", BodyRoute(Record(1, "S", "u", "c")));
    Start();
    WaitAll();
    const TNode* Top = Tree.GetTop(0);
    ASSERT_EQ(Top->Children.size(), 2u);
    EXPECT_EQ(Top->Children[0]->Text, "big.lst");
    EXPECT_TRUE(Top->Children[0]->Children.empty());
    EXPECT_EQ(List->GetFileThread(0)->GetItems(), nullptr);
    EXPECT_EQ(Top->Children[1]->Children.size(), 1u);
    // Also without an announced length the cap holds.
    List.reset();
    Tree.GetTop(0)->Children.clear();
    Server.SetRoute("/projects/big.lst",
                    "{\"generate\":{\"kind\":\"pattern\",\"pattern\":\"Big\",\"size\":20000000},\"chunked\":65536}");
    Start();
    WaitAll();
    EXPECT_EQ(List->GetFileThread(0)->GetItems(), nullptr);
}

TEST_F(ImportTest, HostileRecordsAndIndexNames)
{
    std::string Index = "ok.lst\n../up\x01.lst\n\nsp ace.lst\n";
    Server.SetRoute("/projects/index.dat", BodyRoute(Index));
    Server.SetRoute("/projects/sp%20ace.lst", BodyRoute(Record(1, "Fine", "u", "")));
    const std::string Names[] = {"..\\..\\evil", "CON", std::string("a\x01") + "b", "x. . ", "", "   "};
    const std::string Cats[] = {"..\\..\\Windows", "..", "c", "c", "c", "c"};
    std::string Bytes;
    for (int I = 0; I < 6; ++I)
        Bytes += Record(static_cast<uint32_t>(I), Names[I], "http://h.test/", Cats[I]);
    Server.SetRoute("/projects/ok.lst", BodyRoute(Bytes));
    Start();
    WaitAll();
    const TNode* Top = Tree.GetTop(0);
    ASSERT_EQ(Top->Children.size(), 2u) << Tree.Dump();
    EXPECT_EQ(Top->Children[1]->Text, "sp ace.lst");
    EXPECT_EQ(Top->Children[1]->Children.size(), 1u);
    const TNode* Ok = Top->Children[0];
    ASSERT_EQ(Ok->Children.size(), 4u) << Tree.Dump(); // the empty and the blank name are dropped
    for (int I = 0; I < 4; ++I) {
        auto* Item = dynamic_cast<TProjectItem*>(Ok->Children[static_cast<size_t>(I)]->Data);
        ASSERT_NE(Item, nullptr);
        EXPECT_EQ(Item->GetName(), SafePathPart(Names[I]));
        EXPECT_EQ(Ok->Children[static_cast<size_t>(I)]->Text, SafePathPart(Names[I]));
        EXPECT_EQ(Item->GetCategory(), SafePathPart(Cats[I]));
        EXPECT_EQ(Item->GetName().find_first_of("\\/:"), std::string::npos);
        EXPECT_EQ(Item->GetCategory().find_first_of("\\/:"), std::string::npos);
        // Joined to a folder, neither leaves it.
        EXPECT_TRUE(PathLiesUnder("C:\\Projects\\" + Item->GetCategory() + "\\" + Item->GetName() + ".wrp", "C:\\Projects"));
    }
    EXPECT_EQ(Ok->Children[1]->Text, SafePathPart("CON"));
    EXPECT_NE(Ok->Children[1]->Text, "CON");
    for (const std::string& T : Targets())
        EXPECT_EQ(T.find_first_of("\r\n\x01 "), std::string::npos) << T;
}

TEST_F(ImportTest, LargeListLoads)
{
    std::string Bytes;
    for (int I = 0; I < 8680; ++I)
        Bytes += Record(static_cast<uint32_t>(I), "P" + std::to_string(I) + std::string(180, 'n'),
                        "http://s" + std::to_string(I) + ".test/" + std::string(180, 'u'), "Cat");
    ASSERT_GT(Bytes.size(), 5000000u);
    Server.SetRoute("/projects/index.dat", "{\"body\":\"big.lst\"}");
    Server.SetRoute("/projects/big.lst", "{\"body_base64\":\"" + Base64(Bytes) + "\"}");
    Start();
    WaitAll();
    const TNode* L = Tree.GetTop(0)->Children.at(0);
    ASSERT_EQ(L->Children.size(), 8680u);
    auto* Last = dynamic_cast<TProjectItem*>(L->Children.back()->Data);
    ASSERT_NE(Last, nullptr);
    EXPECT_EQ(Last->GetNumber(), 8679);
}

// ---------------------------------------------------------------------------------------------
// Close while loading

namespace {

bool AllEnded(TImportFileListThread* List)
{
    if (!List->GetFinished())
        return false;
    for (int32_t I = 0; I < List->GetFileThreadCount(); ++I)
        if (!List->GetFileThread(I)->GetFinished())
            return false;
    return true;
}

} // namespace

// Held in the delay before the status line: the server sleeps there, so only the client side
// is checked.
TEST_F(ImportTest, StopWhileEveryResponseIsDelayed)
{
    Server.SetDefaults("{\"delay\":30}");
    Server.SetRoute("/projects/index.dat", "{\"body\":\"a.lst\"}");
    Start();
    PumpFor(200);
    List->Stop();
    EXPECT_TRUE(AllEnded(List.get()));
    // Stop did not sit out the server's delay: no response had been sent when it returned.
    for (const TServerLogEntry& E : Server.Log())
        EXPECT_NE(E.Ended, "complete") << E.Target;
    const size_t Changes = Tree.GetChangeCount();
    const std::string Before = Tree.Dump();
    PumpFor(1000);
    EXPECT_EQ(Tree.GetChangeCount(), Changes);
    EXPECT_EQ(Tree.Dump(), Before);
    EXPECT_EQ(Tree.GetTop(0)->Text, "New Tasks(downloading ...)");
    EXPECT_EQ(List->GetFileThreadCount(), 0);
    EXPECT_EQ(Tree.GetForeignCalls(), 0u);
}

// Held after the headers until the client goes: the server sees the close.
TEST_F(ImportTest, StopWhileTheIndexIsHeld)
{
    Server.SetRoute("/projects/index.dat", "{\"body\":\"a.lst\\nb.lst\",\"stall_after\":0}");
    Start();
    PumpFor(200);
    List->Stop();
    EXPECT_TRUE(AllEnded(List.get()));
    const size_t Changes = Tree.GetChangeCount();
    const std::string Before = Tree.Dump();
    PumpFor(1000);
    EXPECT_EQ(Tree.GetChangeCount(), Changes);
    EXPECT_EQ(Tree.Dump(), Before);
    EXPECT_TRUE(Tree.GetTop(0)->Children.empty());
    std::vector<TServerLogEntry> Log;
    ASSERT_TRUE(PumpUntil([&] {
        Log = Server.Log();
        return !Log.empty() && Log[0].Ended != "in-progress";
    }, 5000, "the server to see the close"));
    EXPECT_EQ(Log[0].Target, "/projects/index.dat");
    EXPECT_EQ(Log[0].Ended, "client-closed");
    EXPECT_EQ(Tree.GetForeignCalls(), 0u);
}

TEST_F(ImportTest, StopWhileTheListsAreHeld)
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
    EXPECT_EQ(List->GetFileThreadCount(), 3);
    const size_t Changes = Tree.GetChangeCount();
    PumpFor(1000);
    EXPECT_EQ(Tree.GetChangeCount(), Changes);
    for (const TNode* N : Tree.GetTop(0)->Children)
        EXPECT_TRUE(N->Children.empty());
    ASSERT_TRUE(PumpUntil([&] {
        for (const TServerLogEntry& E : Server.Log())
            if (E.Ended == "in-progress")
                return false;
        return true;
    }, 5000, "the server to see the closes"));
    for (const TServerLogEntry& E : Server.Log()) {
        if (E.Target != "/projects/index.dat") {
            EXPECT_EQ(E.Ended, "client-closed") << E.Target;
        }
    }
    // A second Stop and the free after it are harmless.
    List->Stop();
    List.reset();
}

// A long index loads its lists a few at a time: eight downloads are open at most, the rest
// start as places come free, and a stop while lists wait for a place starts none of them.
TEST_F(ImportTest, ALongIndexLoadsItsListsEightAtATime)
{
    std::string Index;
    for (int I = 0; I < 20; ++I) {
        const std::string L = "l" + std::to_string(I);
        Index += std::string(I ? "\\n" : "") + L + ".lst";
        Server.SetRoute("/projects/" + L + ".lst", BodyRoute(Record(1, L, "u", "c"), ",\"stall_after\":0"));
    }
    Server.SetRoute("/projects/index.dat", "{\"body\":\"" + Index + "\"}");
    Start();
    auto Lists = [&] {
        int N = 0;
        for (const TServerLogEntry& E : Server.Log())
            N += E.Target != "/projects/index.dat";
        return N;
    };
    ASSERT_TRUE(PumpUntil([&] { return Lists() == 8; }, 10000, "eight lists asked for"));
    PumpFor(500);
    EXPECT_EQ(Lists(), 8);
    EXPECT_EQ(List->GetFileThreadCount(), 8);
    List->Stop();
    EXPECT_TRUE(AllEnded(List.get()));
    EXPECT_EQ(List->GetFileThreadCount(), 8);
    EXPECT_EQ(Tree.GetTop(0)->Children.size(), 8u);
    EXPECT_EQ(Lists(), 8);
}

TEST_F(ImportTest, EveryListOfALongIndexLoads)
{
    std::string Index;
    for (int I = 0; I < 30; ++I) {
        const std::string L = "l" + std::to_string(I);
        Index += std::string(I ? "\\n" : "") + L + ".lst";
        Server.SetRoute("/projects/" + L + ".lst", BodyRoute(Record(1, L + "-p", "u", "c"), ",\"delay\":0.02"));
    }
    Server.SetRoute("/projects/index.dat", "{\"body\":\"" + Index + "\"}");
    Start();
    WaitAll();
    ASSERT_EQ(List->GetFileThreadCount(), 30);
    const TNode* Top = Tree.GetTop(0);
    ASSERT_EQ(Top->Children.size(), 30u);
    for (size_t I = 0; I < 30; ++I) {
        const TNode* N = Top->Children[I];
        EXPECT_EQ(N->Text, "l" + std::to_string(I) + ".lst");
        ASSERT_EQ(N->Children.size(), 1u) << N->Text;
        EXPECT_EQ(N->Children[0]->Text, "l" + std::to_string(I) + "-p");
    }
    EXPECT_EQ(Tree.GetForeignCalls(), 0u);
}

// An index of 2,000 lists offers every list with its project, in the index's order. A list
// counts as loading from its node's making until its end is handled on the user-interface
// thread (the node renamed): at no moment are more than eight loading.
TEST_F(ImportTest, AnIndexOfTwoThousandListsOffersEveryList)
{
    constexpr int Count = 2000;
    std::string Index, Routes = "{";
    for (int I = 0; I < Count; ++I) {
        const std::string L = "m" + std::to_string(I);
        Index += std::string(I ? "\\n" : "") + L + ".lst";
        Routes += std::string(I ? "," : "") + "\"/projects/" + L + ".lst\":" +
                  BodyRoute(Record(static_cast<uint32_t>(I), L + "-p", "u", "c"), ",\"delay\":0.01");
    }
    Server.SetRoutes(Routes + "}");
    Server.SetRoute("/projects/index.dat", "{\"body\":\"" + Index + "\"}");
    Server.Clear();
    Start();
    const std::string Suffix = TImportFileListThread::ListLoadingSuffix;
    size_t MostLoading = 0;
    ASSERT_TRUE(PumpUntil([&] {
        size_t Loading = 0;
        for (const TNode* N : Tree.GetTop(0)->Children)
            Loading += N->Text.size() >= Suffix.size() &&
                       N->Text.compare(N->Text.size() - Suffix.size(), Suffix.size(), Suffix) == 0;
        MostLoading = std::max(MostLoading, Loading);
        return List->GetFinished();
    }, 300000, "the list thread to start every list"));
    WaitAll();
    EXPECT_LE(MostLoading, 8u);
    EXPECT_GE(MostLoading, 1u);
    ASSERT_EQ(List->GetFileThreadCount(), Count);
    const TNode* Top = Tree.GetTop(0);
    EXPECT_EQ(Top->Text, "New Tasks");
    ASSERT_EQ(Top->Children.size(), static_cast<size_t>(Count));
    for (size_t I = 0; I < Top->Children.size(); ++I) {
        const TNode* N = Top->Children[I];
        const std::string L = "m" + std::to_string(I);
        ASSERT_EQ(N->Text, L + ".lst");
        ASSERT_EQ(N->Children.size(), 1u) << N->Text;
        ASSERT_EQ(N->Children[0]->Text, L + "-p");
        ASSERT_EQ(N->Data, List->GetFileThread(static_cast<int32_t>(I)));
    }
    EXPECT_EQ(Server.Counters().Requests, Count + 1);
    EXPECT_EQ(Tree.GetForeignCalls(), 0u);
}

TEST_F(ImportTest, TwentyStopsAtRandomMoments)
{
    std::mt19937 Rng(24);
    for (int Run = 0; Run < 20; ++Run) {
        Server.Reset();
        const int IndexDelayMs = static_cast<int>(Rng() % 150);
        Server.SetRoute("/projects/index.dat", "{\"body\":\"a.lst\\nb.lst\\nc.lst\\nd.lst\",\"delay\":" +
                                                   std::to_string(IndexDelayMs / 1000.0) + "}");
        for (const char* L : {"a", "b", "c", "d"})
            Server.SetRoute(std::string("/projects/") + L + ".lst",
                            BodyRoute(Record(1, L, "u", "c") + Record(2, std::string(L) + "2", "u", "c"),
                                      ",\"delay\":" + std::to_string((Rng() % 300) / 1000.0)));
        TRecordedImportTree RunTree;
        RunTree.AddTopNode("New Tasks");
        std::unique_ptr<TImportFileListThread> L(TThread::New<TImportFileListThread>(false, &RunTree, Key.Path()));
        PumpFor(Rng() % 400);
        L->Stop();
        EXPECT_TRUE(AllEnded(L.get())) << "run " << Run;
        const size_t Changes = RunTree.GetChangeCount();
        PumpFor(100);
        EXPECT_EQ(RunTree.GetChangeCount(), Changes) << "run " << Run;
        EXPECT_EQ(RunTree.GetForeignCalls(), 0u);
        // Every data pointer still names a live thread or item until the list thread goes.
        for (const TNode* N : RunTree.GetTop(0)->Children) {
            if (N->Data) {
                EXPECT_NE(dynamic_cast<TImportFileThread*>(N->Data), nullptr);
            }
        }
        L.reset();
    }
}
