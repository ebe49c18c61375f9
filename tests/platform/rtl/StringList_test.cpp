#include "platform/rtl/StringList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/FileStream.h"
#include "TempDir.h"

namespace {

std::vector<std::string> Lines(const TStrings& L)
{
    std::vector<std::string> R;
    for (int32_t I = 0; I < L.GetCount(); ++I)
        R.push_back(L.GetStrings(I));
    return R;
}

std::vector<std::string> LoadBytes(const std::string& Bytes)
{
    TMemoryStream M;
    M.WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
    M.SetPosition(0);
    TStringList L;
    L.LoadFromStream(&M);
    return Lines(L);
}

std::string ReadFileBytes(const std::string& Name)
{
    TMemoryStream M;
    M.LoadFromFile(Name);
    return std::string(static_cast<const char*>(M.Memory()), static_cast<size_t>(M.GetSize()));
}

TObject* Tag(int V)
{
    return reinterpret_cast<TObject*>(static_cast<intptr_t>(V));
}

} // namespace

TEST(StringList, LineEndsAllReadAlike)
{
    const std::vector<std::string> Want{"one", "two", "three"};
    EXPECT_EQ(LoadBytes("one\r\ntwo\r\nthree\r\n"), Want);
    EXPECT_EQ(LoadBytes("one\ntwo\nthree\n"), Want);
    EXPECT_EQ(LoadBytes("one\rtwo\rthree\r"), Want);
    EXPECT_EQ(LoadBytes("one\r\ntwo\nthree"), Want); // mixed, last line without an end
    EXPECT_EQ(LoadBytes("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(LoadBytes("a\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(LoadBytes("a\r\rb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(LoadBytes("\r\n"), (std::vector<std::string>{""}));
    EXPECT_EQ(LoadBytes(""), (std::vector<std::string>{}));
    EXPECT_EQ(LoadBytes(std::string("x\0y\nz\0", 6)),
              (std::vector<std::string>{std::string("x\0y", 3), std::string("z\0", 2)}));
}

TEST(StringList, LoadReadsFromThePosition)
{
    TMemoryStream M;
    M.WriteBuffer("skip|a\nb", 8);
    M.SetPosition(5);
    TStringList L;
    L.LoadFromStream(&M);
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"a", "b"}));
}

TEST(StringList, SaveToFileWritesCrLfAfterEveryLine)
{
    TTempDir Dir;
    TStringList L;
    L.Add("x");
    L.Add("");
    L.Add("y");
    L.SaveToFile(Dir.File("out.txt"));
    EXPECT_EQ(ReadFileBytes(Dir.File("out.txt")), "x\r\n\r\ny\r\n");
    TStringList Back;
    Back.LoadFromFile(Dir.File("out.txt"));
    EXPECT_EQ(Lines(Back), Lines(L));
    EXPECT_EQ(L.GetText(), "x\r\n\r\ny\r\n");
    EXPECT_THROW(Back.LoadFromFile(Dir.File("missing.txt")), EFOpenError);
}

TEST(StringList, SortedFindAndDuplicates)
{
    TStringList L;
    L.SetSorted(true);
    for (const char* S : {"pear", "Apple", "fig", "ABC"})
        L.Add(S);
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"ABC", "Apple", "fig", "pear"}));
    int32_t Index = -1;
    EXPECT_TRUE(L.Find("abc", Index));
    EXPECT_EQ(Index, 0);
    EXPECT_FALSE(L.Find("banana", Index));
    EXPECT_EQ(Index, 2); // where it would go
    EXPECT_EQ(L.IndexOf("PEAR"), 3);

    EXPECT_EQ(L.Add("FIG"), 2); // ignored: the existing index
    EXPECT_EQ(L.GetCount(), 4);
    L.SetDuplicates(dupError);
    EXPECT_THROW(L.Add("fig"), EStringListError);
    L.SetDuplicates(dupAccept);
    L.Add("fig");
    EXPECT_EQ(L.GetCount(), 5);
    EXPECT_TRUE(L.Find("FIG", Index));
    EXPECT_EQ(Index, 2); // the first of the equal ones
    EXPECT_THROW(L.Insert(0, "zzz"), EStringListError);
    EXPECT_THROW(L.SetStrings(0, "zzz"), EStringListError);

    L.SetCaseSensitive(true); // re-sorted: upper case first
    EXPECT_EQ(L.GetStrings(0), "ABC");
    EXPECT_FALSE(L.Find("abc", Index));
    EXPECT_TRUE(L.Find("Apple", Index));
}

TEST(StringList, ObjectsFollowTheirStrings)
{
    TStringList L;
    const char* Names[] = {"d", "b", "e", "a", "c"};
    for (int I = 0; I < 5; ++I)
        L.AddObject(Names[I], Tag(Names[I][0]));
    L.Sort();
    for (int32_t I = 0; I < L.GetCount(); ++I)
        EXPECT_EQ(L.GetObjects(I), Tag(L.GetStrings(I)[0]));
    // A custom order sees the list as it was while it sorts.
    L.CustomSort([](TStringList* List, int32_t A, int32_t B) {
        return CompareStr(List->GetStrings(B), List->GetStrings(A));
    });
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"e", "d", "c", "b", "a"}));
    EXPECT_EQ(L.GetObjects(0), Tag('e'));
    L.Move(0, 4);
    L.Exchange(0, 1);
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"c", "d", "b", "a", "e"}));
    EXPECT_EQ(L.GetObjects(4), Tag('e'));
    EXPECT_EQ(L.IndexOfObject(Tag('b')), 2);
    try {
        L.GetStrings(5);
        ADD_FAILURE();
    } catch (const EStringListError& E) {
        EXPECT_EQ(E.Message(), "List index 5 out of range");
    }
}

TEST(StringList, ChangeEventsOncePerOuterBlock)
{
    TStringList L;
    int Changing = 0;
    int Change = 0;
    L.OnChanging = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &L);
        ++Changing;
    };
    L.OnChange = [&](TObject*) { ++Change; };
    L.Add("a");
    EXPECT_EQ(Change, 1);
    L.BeginUpdate();
    L.BeginUpdate();
    for (int I = 0; I < 100; ++I)
        L.Add(std::to_string(I));
    L.EndUpdate();
    EXPECT_EQ(Change, 1); // inner end: nothing yet
    L.EndUpdate();
    EXPECT_EQ(Changing, 2);
    EXPECT_EQ(Change, 2);
    L.SetText("x\ny");
    EXPECT_EQ(Change, 3);
    L.EndUpdate(); // unbalanced: ignored
    L.Add("z");
    EXPECT_EQ(Change, 4);
}

TEST(StringList, AFailureInsideAnUpdateBlockStillClosesIt)
{
    TStringList L;
    L.SetSorted(true);
    L.SetDuplicates(dupError);
    L.Add("b");
    int Change = 0;
    L.OnChange = [&](TObject*) { ++Change; };

    TStringList More;
    More.SetText("a\nb\nc");
    EXPECT_THROW(L.AddStrings(&More), EStringListError);
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Change, 1); // the block closed on the way out
    EXPECT_THROW(L.SetText("x\nx"), EStringListError);
    EXPECT_EQ(Lines(L), (std::vector<std::string>{"x"}));
    EXPECT_EQ(Change, 2);
    L.Add("d");
    EXPECT_EQ(Change, 3); // and changes report one by one again
}

TEST(StringList, AssignAddStringsAndValues)
{
    TStringList A;
    A.SetText("k1=v1\nK2=v=2\nplain");
    EXPECT_EQ(A.GetValues("k2"), "v=2");
    EXPECT_EQ(A.GetNames(0), "k1");
    EXPECT_EQ(A.GetNames(2), "");
    A.SetValues("k1", "new");
    A.SetValues("k3", "v3");
    A.SetValues("K2", "");
    EXPECT_EQ(Lines(A), (std::vector<std::string>{"k1=new", "plain", "k3=v3"}));

    A.AddStrings(&A); // doubling itself, not looping
    EXPECT_EQ(A.GetCount(), 6);
    TStringList B;
    B.Add("old");
    B.Assign(&A);
    EXPECT_EQ(Lines(B), Lines(A));
    B.Assign(&B);
    EXPECT_EQ(B.GetCount(), 6);
    TPersistent NotStrings;
    try {
        B.Assign(&NotStrings);
        ADD_FAILURE();
    } catch (const EConvertError& E) {
        EXPECT_EQ(E.Message(), "Cannot assign a TPersistent to a TStringList");
    }
    EXPECT_EQ(B.GetCount(), 6);
}
