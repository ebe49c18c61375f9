// Project records, project lists and the index of the task-list import. Portable: also built
// natively under the sanitizers, which catch reads past a field or a record.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "engine/EngineText.h"
#include "engine/ImportRecords.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/StringList.h"

namespace {

// One raw record built byte by byte, independent of the struct under test.
std::string RawRecord(uint32_t Number, const std::string& Name, const std::string& URL, const std::string& Category)
{
    std::string R(604, '\0');
    for (int I = 0; I < 4; ++I)
        R[I] = static_cast<char>((Number >> (8 * I)) & 0xFF);
    std::memcpy(&R[4], Name.data(), std::min<size_t>(Name.size(), 200));
    std::memcpy(&R[204], URL.data(), std::min<size_t>(URL.size(), 200));
    std::memcpy(&R[404], Category.data(), std::min<size_t>(Category.size(), 200));
    return R;
}

std::unique_ptr<TMemoryStream> StreamOf(const std::string& Bytes)
{
    auto S = std::make_unique<TMemoryStream>();
    if (!Bytes.empty())
        S->WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
    S->SetPosition(0);
    return S;
}

// Hands out one byte per Read, as a slow stream may.
class TTrickleStream : public TMemoryStream {
public:
    int32_t Read(void* Buffer, int32_t Count) override { return TMemoryStream::Read(Buffer, Count > 0 ? 1 : 0); }
};

void ExpectSafePart(const std::string& S)
{
    EXPECT_FALSE(S.empty());
    EXPECT_EQ(S.find_first_of("\\/:"), std::string::npos) << S;
    EXPECT_FALSE(IsDeviceName(S.substr(0, S.find('.')))) << S;
    EXPECT_NE(S.back(), '.') << S;
    EXPECT_NE(S.back(), ' ') << S;
    for (char C : S)
        EXPECT_GE(static_cast<unsigned char>(C), 0x20u) << S;
}

} // namespace

TEST(ProjectRecord, FieldsComeFromTheirOffsetsLittleEndian)
{
    auto S = StreamOf(RawRecord(0x04030201u, "Name1", "http://a.test/x", "Cat"));
    TProjectItem Item;
    EXPECT_EQ(Item.ReadFromStream(S.get()), 604);
    EXPECT_EQ(Item.GetNumber(), 0x04030201);
    EXPECT_EQ(Item.GetName(), "Name1");
    EXPECT_EQ(Item.GetURL(), "http://a.test/x");
    EXPECT_EQ(Item.GetCategory(), "Cat");
}

TEST(ProjectRecord, NegativeNumberKeepsItsBits)
{
    auto S = StreamOf(RawRecord(0xFFFFFFFEu, "n", "u", "c"));
    TProjectItem Item;
    ASSERT_EQ(Item.ReadFromStream(S.get()), 604);
    EXPECT_EQ(Item.GetNumber(), -2);
}

TEST(ProjectRecord, NameWithoutNulGivesItsTwoHundredBytesOnly)
{
    const std::string Name(200, 'N');
    auto S = StreamOf(RawRecord(1, Name, std::string(200, 'U'), std::string(200, 'C')));
    TProjectItem Item;
    ASSERT_EQ(Item.ReadFromStream(S.get()), 604);
    EXPECT_EQ(Item.GetName(), Name);
    EXPECT_EQ(Item.GetURL(), std::string(200, 'U'));
    EXPECT_EQ(Item.GetCategory(), std::string(200, 'C'));
}

TEST(ProjectRecord, TextStopsAtFirstNul)
{
    std::string R = RawRecord(1, "ab", "u", "c");
    R[4 + 3] = 'Z'; // bytes after the NUL are garbage, not text
    auto S = StreamOf(R);
    TProjectItem Item;
    ASSERT_EQ(Item.ReadFromStream(S.get()), 604);
    EXPECT_EQ(Item.GetName(), "ab");
}

TEST(ProjectRecord, WriteMatchesTheFileLayoutAndCutsLongTexts)
{
    TProjectItem Item;
    Item.SetNumber(0x11223344);
    Item.SetName(std::string(300, 'n'));
    Item.SetURL("http://x.test/");
    Item.SetCategory("Cat");
    TMemoryStream S;
    Item.WriteToStream(&S);
    ASSERT_EQ(S.GetSize(), 604);
    const auto* B = static_cast<const unsigned char*>(S.Memory());
    EXPECT_EQ(B[0], 0x44);
    EXPECT_EQ(B[3], 0x11);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(B + 4)), std::string(199, 'n'));
    EXPECT_EQ(B[203], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(B + 204)), "http://x.test/");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(B + 404)), "Cat");
}

TEST(ProjectRecord, ShortStreamReportsBytesAndKeepsFields)
{
    auto S = StreamOf(std::string(100, 'x'));
    TProjectItem Item;
    Item.SetName("before");
    EXPECT_EQ(Item.ReadFromStream(S.get()), 100);
    EXPECT_EQ(Item.GetName(), "before");
}

TEST(ProjectRecord, AssignCopiesFourFieldsOnly)
{
    TProjectItem A, B;
    A.SetNumber(7);
    A.SetName("n");
    A.SetURL("u");
    A.SetCategory("c");
    A.SetExists(true);
    B.Assign(&A);
    EXPECT_EQ(B.GetNumber(), 7);
    EXPECT_EQ(B.GetName(), "n");
    EXPECT_EQ(B.GetURL(), "u");
    EXPECT_EQ(B.GetCategory(), "c");
    EXPECT_FALSE(B.GetExists());
    EXPECT_EQ(B.GetOwnerList(), nullptr);
}

TEST(ProjectList, TwelveHundredEightBytesGiveTwoAndThirteenHundredTheSameTwo)
{
    const std::string Two = RawRecord(1, "P1", "http://a.test/", "C1") + RawRecord(2, "P2", "http://b.test/", "C2");
    ASSERT_EQ(Two.size(), 1208u);
    for (const std::string& Bytes : {Two, Two + std::string(92, 'q')}) {
        TProjectItems Items;
        auto S = StreamOf(Bytes);
        Items.LoadFromStream(S.get());
        ASSERT_EQ(Items.GetCount(), 2) << Bytes.size();
        EXPECT_EQ(Items.GetItem(0)->GetName(), "P1");
        EXPECT_EQ(Items.GetItem(0)->GetNumber(), 1);
        EXPECT_EQ(Items.GetItem(1)->GetName(), "P2");
        EXPECT_EQ(Items.GetItem(1)->GetURL(), "http://b.test/");
        EXPECT_EQ(Items.GetItem(1)->GetCategory(), "C2");
        EXPECT_EQ(Items.GetItem(1)->GetOwnerList(), &Items);
    }
}

TEST(ProjectList, EmptyAndShortStreamsGiveNothing)
{
    for (size_t N : {0u, 1u, 603u}) {
        TProjectItems Items;
        auto S = StreamOf(std::string(N, 'a'));
        Items.LoadFromStream(S.get());
        EXPECT_EQ(Items.GetCount(), 0) << N;
    }
}

TEST(ProjectList, SlowStreamStillGivesWholeRecords)
{
    TTrickleStream S;
    const std::string Bytes = RawRecord(5, "A", "u", "c") + RawRecord(6, "B", "u", "c") + "xyz";
    S.WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
    S.SetPosition(0);
    TProjectItems Items;
    Items.LoadFromStream(&S);
    ASSERT_EQ(Items.GetCount(), 2);
    EXPECT_EQ(Items.GetItem(1)->GetNumber(), 6);
}

TEST(ProjectList, LoadAgainReplacesTheItems)
{
    TProjectItems Items;
    auto S1 = StreamOf(RawRecord(1, "A", "u", "c") + RawRecord(2, "B", "u", "c"));
    Items.LoadFromStream(S1.get());
    auto S2 = StreamOf(RawRecord(3, "C", "u", "c"));
    Items.LoadFromStream(S2.get());
    ASSERT_EQ(Items.GetCount(), 1);
    EXPECT_EQ(Items.GetItem(0)->GetName(), "C");
}

TEST(ProjectList, IndexOfNameIsExact)
{
    TProjectItems Items;
    auto S = StreamOf(RawRecord(1, "Alpha", "u", "c") + RawRecord(2, "Beta", "u", "c") + RawRecord(3, "Beta", "v", "c"));
    Items.LoadFromStream(S.get());
    EXPECT_EQ(Items.IndexOfName("Alpha"), 0);
    EXPECT_EQ(Items.IndexOfName("Beta"), 1);
    EXPECT_EQ(Items.IndexOfName("alpha"), -1);
    EXPECT_EQ(Items.IndexOfName("Alph"), -1);
    EXPECT_EQ(Items.IndexOfName(""), -1);
}

TEST(ProjectList, GetItemOutOfRangeRaises)
{
    TProjectItems Items;
    EXPECT_THROW(Items.GetItem(0), EListError);
    EXPECT_THROW(Items.GetItem(-1), EListError);
}

TEST(ProjectList, AssignSharesItemsAndFreesOnlyItsOwn)
{
    auto Source = std::make_unique<TProjectItems>();
    Source->SetListName("a.lst");
    auto S = StreamOf(RawRecord(1, "A", "u", "c") + RawRecord(2, "B", "u", "c"));
    Source->LoadFromStream(S.get());
    TProjectItem* First = Source->GetItem(0);
    {
        TProjectItem Loose; // outlives the list that refers to it
        TProjectItems Copy;
        Copy.Assign(Source.get());
        EXPECT_EQ(Copy.GetListName(), "a.lst");
        ASSERT_EQ(Copy.GetCount(), 2);
        EXPECT_EQ(Copy.GetItem(0), First);
        // A foreign item added by hand is not freed by the list either.
        Copy.Add(&Loose);
        EXPECT_EQ(Copy.GetCount(), 3);
    } // the copy's end must free nothing (the sanitizer would see a double free)
    EXPECT_EQ(Source->GetItem(0)->GetName(), "A");
    Source.reset();
}

TEST(ProjectList, HostileNamesAndCategoriesBecomeSafePathParts)
{
    const std::string Names[] = {"..\\..\\evil", "CON", std::string("a\x01" "b"), "x. . ", "c:/x", "nul.txt"};
    const std::string Categories[] = {"..\\..\\Windows", "..", "a/b", "AUX", "ok", "C:\\"};
    std::string Bytes;
    for (int I = 0; I < 6; ++I)
        Bytes += RawRecord(static_cast<uint32_t>(I), Names[I], "http://h.test/", Categories[I]);
    auto S = StreamOf(Bytes);
    TProjectItems Items;
    Items.LoadFromStream(S.get());
    ASSERT_EQ(Items.GetCount(), 6);
    for (int I = 0; I < 6; ++I) {
        const TProjectItem* It = Items.GetItem(I);
        EXPECT_EQ(It->GetName(), SafePathPart(Names[I]));
        EXPECT_EQ(It->GetCategory(), SafePathPart(Categories[I]));
        ExpectSafePart(It->GetName());
        ExpectSafePart(It->GetCategory());
    }
    EXPECT_EQ(Items.GetItem(3)->GetName(), "x");
    EXPECT_EQ(Items.GetItem(1)->GetCategory(), "_");
    EXPECT_EQ(Items.GetItem(4)->GetCategory(), "ok");
    // Names are looked up (Exists, ExistPrjs) by their cleaned form.
    EXPECT_EQ(Items.IndexOfName(SafePathPart("..\\..\\evil")), 0);
}

TEST(ProjectList, EmptyOrBlankNamesAreDroppedEmptyCategoryStays)
{
    const std::string Bytes = RawRecord(1, "", "u", "c") + RawRecord(2, "   ", "u", "c") +
                              RawRecord(3, std::string("\x01\x02"), "u", "c") + RawRecord(4, "Keep", "u", "") +
                              RawRecord(5, "Also", "u", "  ");
    auto S = StreamOf(Bytes);
    TProjectItems Items;
    Items.LoadFromStream(S.get());
    ASSERT_EQ(Items.GetCount(), 2);
    EXPECT_EQ(Items.GetItem(0)->GetName(), "Keep");
    EXPECT_EQ(Items.GetItem(0)->GetCategory(), "");
    EXPECT_EQ(Items.GetItem(1)->GetName(), "Also");
    EXPECT_EQ(Items.GetItem(1)->GetCategory(), "");
}

TEST(ProjectList, EightThousandSixHundredEightyRecordsLoad)
{
    TMemoryStream S;
    for (int I = 0; I < 8680; ++I) {
        TProjectItem It;
        It.SetNumber(I);
        It.SetName("Project" + std::to_string(I) + std::string(150, 'p'));
        It.SetURL("http://site" + std::to_string(I) + ".test/" + std::string(150, 'u'));
        It.SetCategory("Cat" + std::to_string(I % 10));
        It.WriteToStream(&S);
    }
    ASSERT_EQ(S.GetSize(), 8680 * 604);
    S.SetPosition(0);
    TProjectItems Items;
    Items.LoadFromStream(&S);
    ASSERT_EQ(Items.GetCount(), 8680);
    EXPECT_EQ(Items.GetItem(8679)->GetNumber(), 8679);
    EXPECT_EQ(Items.GetItem(8679)->GetCategory(), "Cat9");
    EXPECT_EQ(Items.IndexOfName("Project4321" + std::string(150, 'p')), 4321);
}

TEST(ProjectIndex, LinesLoseTheirEndsAndTheLastLineNeedsNone)
{
    TStringList L;
    ParseProjectIndex("a.lst\r\nb.lst\nc.lst", &L);
    ASSERT_EQ(L.GetCount(), 3);
    EXPECT_EQ(L.GetStrings(0), "a.lst");
    EXPECT_EQ(L.GetStrings(1), "b.lst");
    EXPECT_EQ(L.GetStrings(2), "c.lst");
}

TEST(ProjectIndex, EmptyAndControlLinesAreSkipped)
{
    TStringList L;
    std::string Text = "\n\r\n  \nx\ty.lst\nnul";
    Text += '\0';
    Text += "x.lst\nok.lst\n\x7f.lst\nlast.lst\r";
    ParseProjectIndex(Text, &L);
    ASSERT_EQ(L.GetCount(), 3) << L.GetText();
    EXPECT_EQ(L.GetStrings(0), "  "); // blanks are no control characters; the server decides
    EXPECT_EQ(L.GetStrings(1), "ok.lst");
    EXPECT_EQ(L.GetStrings(2), "last.lst");
}

TEST(ProjectIndex, EveryListIsKeptUpToTheBound)
{
    std::string Text;
    for (int I = 0; I < 100; ++I)
        Text += "l" + std::to_string(I) + ".lst\r\n";
    TStringList L, Log;
    ParseProjectIndex(Text, &L, &Log);
    ASSERT_EQ(L.GetCount(), 100);
    EXPECT_EQ(L.GetStrings(99), "l99.lst");
    EXPECT_EQ(Log.GetCount(), 0) << Log.GetText();

    // Exactly the bound, blank lines between them not counted.
    Text.clear();
    for (int I = 0; I < MaxProjectLists; ++I)
        Text += "l" + std::to_string(I) + (I % 100 ? ".lst\n" : ".lst\n\r\n\n");
    L.Clear();
    ParseProjectIndex(Text, &L, &Log);
    ASSERT_EQ(L.GetCount(), MaxProjectLists);
    EXPECT_EQ(L.GetStrings(MaxProjectLists - 1), "l" + std::to_string(MaxProjectLists - 1) + ".lst");
    EXPECT_EQ(Log.GetCount(), 0) << Log.GetText();
}

TEST(ProjectIndex, ListsPassedOverAreLoggedWithTheirReason)
{
    const std::string Long = std::string(300, 'L');
    std::string Text = Long + "\n" + std::string(MaxListNameLength, 'M') + "\nbad\x01name\r\nok.lst";
    TStringList L, Log;
    ParseProjectIndex(Text, &L, &Log);
    ASSERT_EQ(L.GetCount(), 2);
    EXPECT_EQ(L.GetStrings(0), std::string(MaxListNameLength, 'M'));
    EXPECT_EQ(L.GetStrings(1), "ok.lst");
    ASSERT_EQ(Log.GetCount(), 2) << Log.GetText();
    // The long name is shown cut, the control character written out.
    EXPECT_NE(Log.GetStrings(0).find("\"" + std::string(80, 'L') + "...\""), std::string::npos) << Log.GetStrings(0);
    EXPECT_NE(Log.GetStrings(0).find("300 characters"), std::string::npos) << Log.GetStrings(0);
    EXPECT_LT(Log.GetStrings(0).size(), 200u);
    EXPECT_NE(Log.GetStrings(1).find("\"bad\\x01name\""), std::string::npos) << Log.GetStrings(1);
    EXPECT_NE(Log.GetStrings(1).find("control character"), std::string::npos) << Log.GetStrings(1);

    // Without a log the same names are taken.
    TStringList Quiet;
    ParseProjectIndex(Text, &Quiet);
    EXPECT_EQ(Quiet.GetText(), L.GetText());
}

TEST(ProjectIndex, AnIndexOverTheBoundIsRefusedWhole)
{
    std::string Text;
    for (int I = 0; I <= MaxProjectLists; ++I)
        Text += "l" + std::to_string(I) + ".lst\n";
    TStringList L, Log;
    L.Add("kept");
    ParseProjectIndex(Text, &L, &Log);
    ASSERT_EQ(L.GetCount(), 1);
    EXPECT_EQ(L.GetStrings(0), "kept");
    ASSERT_EQ(Log.GetCount(), 1);
    EXPECT_NE(Log.GetStrings(0).find("refused"), std::string::npos) << Log.GetStrings(0);
    EXPECT_NE(Log.GetStrings(0).find(std::to_string(MaxProjectLists + 1) + " lists"), std::string::npos)
        << Log.GetStrings(0);

    // The stream reader refuses it the same way.
    auto S = StreamOf(Text);
    TStringList FromStream, StreamLog;
    ReadProjectIndex(S.get(), &FromStream, &StreamLog);
    EXPECT_EQ(FromStream.GetCount(), 0);
    EXPECT_EQ(StreamLog.GetText(), Log.GetText());
}

TEST(ProjectIndex, ReadsFromTheStreamPosition)
{
    auto S = StreamOf("skip\nx.lst\ny.lst");
    S->SetPosition(5);
    TStringList L;
    ReadProjectIndex(S.get(), &L);
    ASSERT_EQ(L.GetCount(), 2);
    EXPECT_EQ(L.GetStrings(0), "x.lst");
    TStringList Empty;
    auto E = StreamOf("");
    ReadProjectIndex(E.get(), &Empty);
    EXPECT_EQ(Empty.GetCount(), 0);
}

TEST(ProjectIndex, ListAddressKeepsOneRequestTarget)
{
    const std::string Base = "http://h.test/projects/";
    EXPECT_EQ(ProjectListAddress(Base, "a.lst"), Base + "a.lst");
    EXPECT_EQ(ProjectListAddress(Base, "my list#1.lst"), Base + "my%20list%231.lst");
    EXPECT_EQ(ProjectListAddress(Base, "\xE9.lst"), Base + "%E9.lst");
    EXPECT_EQ(ProjectListAddress(Base, "q?x=1&y"), Base + "q?x=1&y");
}
