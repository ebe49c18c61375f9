// Project file layout, round trips and hostile files.
#include "engine/ProjectFile.h"

#include <cstring>
#include <regex>
#include <vector>

#include <gtest/gtest.h>

#include "engine/RegOptionsRecord.h"
#include "engine/RegSettings.h"
#include "engine/Task.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/Stream.h"
#include "platform/win/Files.h"
#include "platform/win/Guid.h"
#include "tests/support/TestSupport.h"

namespace {

std::vector<uint8_t> ReadAll(const std::string& FileName)
{
    TFileStream S(FileName, fmOpenRead | fmShareDenyNone);
    std::vector<uint8_t> B(static_cast<size_t>(S.GetSize()));
    if (!B.empty())
        S.ReadBuffer(B.data(), static_cast<int32_t>(B.size()));
    return B;
}

void WriteAll(const std::string& FileName, const std::vector<uint8_t>& B)
{
    TFileStream S(FileName, fmCreate);
    if (!B.empty())
        S.WriteBuffer(B.data(), static_cast<int32_t>(B.size()));
}

constexpr size_t H = kProjectHeaderSize;

// Marks the bytes a text of Len characters takes in a field at Offset (its NUL included).
void MarkText(std::vector<bool>& Mask, size_t Offset, size_t Len)
{
    for (size_t I = 0; I <= Len; ++I)
        Mask[Offset + I] = true;
}

} // namespace

TEST(ProjectFile, EmptyTaskFileSizeMagicAndID)
{
    TestSupport::TTempFolder Dir;
    TTask Task;
    Task.SetID(NewGuidText());
    const std::string F = Dir.File("empty.wrp");
    Task.SaveToFile(F);
    auto B = ReadAll(F);
    ASSERT_EQ(B.size(), 798812u);
    EXPECT_EQ(FileSize(F + ".urls"), 0);
    EXPECT_EQ(0, std::memcmp(B.data(), "Quib\0ZQ\0\0\0\0", 11));
    std::string ID(reinterpret_cast<const char*>(&B[3083]));
    EXPECT_TRUE(std::regex_match(ID, std::regex(R"(^\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}$)"))) << ID;
    for (size_t I = 3083 + ID.size(); I < 4107; ++I) {
        ASSERT_EQ(B[I], 0) << I;
    }
    EXPECT_FALSE(FileExists(F + ".tmp"));
    EXPECT_FALSE(FileExists(F + ".urls.tmp"));
}

TEST(ProjectFile, LayoutScan)
{
    TestSupport::TTempFolder Dir;
    TTask Task;
    Task.SetName("N1");
    Task.SetNote("Note2");
    Task.SetStartURL("http://h3.test/");
    Task.SetID("{ID4}");
    Task.SetState(2);
    Task.SetSavedCount(0x01020304);
    TRegOptions* O = Task.GetOptions();
    O->SetDefaultFolder("D5\\");
    O->SetEnableFileLimit(true);
    O->SetFileMaxSize(0x11223344);
    O->SetFileMinSize(0x55667788);
    O->SetSeekDeep(0x0A0B0C0D);
    O->SetAutoShutDown(true);
    O->SetUseProxyServer(true);
    O->SetProxyServerAddr("px6");
    O->SetProxyServerPort(0x1234567);
    O->SetDefaultLogFolder("L7\\");
    O->SetAutoSaveLog(true);
    O->GetFileMasks()->Add("jpg, A");
    O->GetFileMasks()->Add("gif, BB");
    O->GetExcludeFiles()->Add("x.jpg");
    O->GetExcludeWebsites()->Add("ads.test");
    O->GetScheme()->SetSchemeType(3);
    O->GetScheme()->SetSchemeCount(2);
    O->GetScheme()->SetStartDate(45000.0);
    O->GetScheme()->SetStartTime(0.25);
    O->SetUseLogin(true);
    O->SetLoginUser("u8");
    O->SetLoginPassword("p9");
    O->SetTimeOut(0x0FEDCBA9);
    O->SetCloseOption(1);
    O->SetSaveAsWebStructure(true);
    const std::string F = Dir.File("scan.wrp");
    Task.SaveToFile(F);
    auto B = ReadAll(F);
    ASSERT_EQ(B.size(), 798812u);

    std::vector<bool> Mask(B.size(), false);
    auto Text = [&](size_t Off, const std::string& S) {
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&B[Off])), S) << "at " << Off;
        MarkText(Mask, Off, S.size());
    };
    auto I32 = [&](size_t Off, int32_t V) {
        int32_t Got;
        std::memcpy(&Got, &B[Off], 4);
        EXPECT_EQ(Got, V) << "at " << Off;
        for (int K = 0; K < 4; ++K)
            Mask[Off + K] = true;
    };
    auto U8 = [&](size_t Off, uint8_t V) {
        EXPECT_EQ(B[Off], V) << "at " << Off;
        Mask[Off] = true;
    };
    auto F64 = [&](size_t Off, double V) {
        double Got;
        std::memcpy(&Got, &B[Off], 8);
        EXPECT_EQ(Got, V) << "at " << Off;
        for (int K = 0; K < 8; ++K)
            Mask[Off + K] = true;
    };
    Text(0, "Quib");
    Text(5, "ZQ");
    Text(11, "N1");
    Text(1035, "Note2");
    Text(2059, "http://h3.test/");
    Text(3083, "{ID4}");
    U8(5132, 2);
    I32(5136, 0x01020304);
    Text(H + 0, "D5\\");
    U8(H + 1024, 1);
    I32(6168, 0x11223344);
    I32(H + 1032, 0x55667788);
    I32(H + 1040, 0x0A0B0C0D);
    U8(H + 1045, 1);
    U8(H + 1046, 1);
    Text(H + 1047, "px6");
    I32(7212, 0x1234567);
    Text(H + 4124, "L7\\");
    U8(H + 5148, 1);
    Text(10289, "jpg, A");
    Text(10289 + 1024, "gif, BB");
    Text(10289 + 2048, "(end)");
    Text(272433, "x.jpg");
    Text(272433 + 1024, "(end)");
    Text(534577, "ads.test");
    Text(534577 + 1024, "(end)");
    U8(796721, 3);
    I32(H + 791584, 2);
    F64(796732, 45000.0);
    F64(H + 791600, 0.25);
    U8(796748, 1);
    Text(H + 791609, "u8");
    Text(797773, "p9");
    I32(798800, 0x0FEDCBA9);
    U8(H + 793664, 1);
    U8(798805, 1);
    for (size_t I = 0; I < B.size(); ++I) {
        if (!Mask[I]) {
            ASSERT_EQ(B[I], 0) << "stray byte at " << I;
        }
    }

    TTask Back;
    Back.LoadFromFile(F);
    EXPECT_EQ(Back.GetName(), "N1");
    EXPECT_EQ(Back.GetNote(), "Note2");
    EXPECT_EQ(Back.GetState(), 2);
    EXPECT_EQ(Back.GetQueueTicket(), -1);
    EXPECT_EQ(Back.GetSavedCount(), 0x01020304);
    TOptionsData A = OptionsToData(*Task.GetOptions()), C = OptionsToData(*Back.GetOptions());
    EXPECT_EQ(A.FileMasks, C.FileMasks);
    EXPECT_EQ(A.ExcludeWebsites, C.ExcludeWebsites);
    EXPECT_EQ(A.LoginPassword, C.LoginPassword);
    EXPECT_EQ(A.StartDate, C.StartDate);
    EXPECT_EQ(A.TimeOut, C.TimeOut);
    EXPECT_EQ(A.ProxyServerPort, C.ProxyServerPort);
}

TEST(ProjectFile, FullAndOverlongLists)
{
    for (int N : {255, 256, 300}) {
        TOptionsData D;
        for (int I = 0; I < N; ++I) {
            D.FileMasks.push_back("m" + std::to_string(I));
            D.ExcludeWebsites.push_back("h" + std::to_string(I));
        }
        D.ExcludeFiles.push_back("e");
        D.SchemeType = 3;
        D.SchemeCount = 9;
        D.StartDate = 123.5;
        D.UseLogin = true;
        D.LoginUser = "user";
        auto R = std::make_unique<TOptionsRec>();
        EncodeOptionsRecord(D, *R);
        const uint8_t* P = reinterpret_cast<const uint8_t*>(R.get());
        TOptionsData Back = DecodeOptionsRecord(P, kOptionsRecordSize);
        size_t Want = N > 256 ? 256 : N;
        ASSERT_EQ(Back.FileMasks.size(), Want) << N;
        ASSERT_EQ(Back.ExcludeWebsites.size(), Want) << N;
        EXPECT_EQ(Back.FileMasks.back(), "m" + std::to_string(Want - 1));
        EXPECT_EQ(Back.ExcludeFiles, std::vector<std::string>{"e"});
        if (N == 255) {
            EXPECT_STREQ(R->FileMasks[255], "(end)");
        } else {
            // A full list leaves the next area's first slots as that list wrote them.
            EXPECT_STREQ(R->ExcludeFiles[0], "e");
            EXPECT_STREQ(R->ExcludeFiles[1], "(end)");
            EXPECT_EQ(R->SchemeType, 3);
        }
        EXPECT_EQ(Back.SchemeType, 3);
        EXPECT_EQ(Back.SchemeCount, 9);
        EXPECT_EQ(Back.StartDate, 123.5);
        EXPECT_TRUE(Back.UseLogin);
        EXPECT_EQ(Back.LoginUser, "user");
        if (N >= 256) {
            EXPECT_EQ(P[791582], 0);
            EXPECT_EQ(P[791583], 0);
        }
    }
}

TEST(ProjectFile, OverlongTexts)
{
    TestSupport::TTempFolder Dir;
    TTask Task;
    Task.SetName("after");
    Task.SetNote(std::string(2000, 'n'));
    Task.SetStartURL("http://h.test/" + std::string(5000, 'a'));
    Task.SetID("{X}");
    Task.GetOptions()->SetLoginPassword(std::string(3000, 'p'));
    Task.GetOptions()->SetTimeOut(77);
    auto* Item = new TTaskItem(&Task, "http://h.test/a.jpg");
    Task.GetItems()->Add(Item);
    const std::string F = Dir.File("long.wrp");
    Task.SaveToFile(F);
    auto B = ReadAll(F);
    EXPECT_EQ(B[1035 + 1023], 0);
    EXPECT_EQ(B[2059 + 1023], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&B[1035])), std::string(1023, 'n'));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&B[3083])), "{X}");
    EXPECT_EQ(std::string(B.begin() + 798812, B.end()), "0,-1,http://h.test/a.jpg\r\n");
    TTask Back;
    Back.LoadFromFile(F);
    EXPECT_EQ(Back.GetName(), "after");
    EXPECT_EQ(Back.GetID(), "{X}");
    EXPECT_EQ(Back.GetNote().size(), 1023u);
    EXPECT_EQ(Back.GetOptions()->GetLoginPassword().size(), 1023u);
    EXPECT_EQ(Back.GetOptions()->GetTimeOut(), 77);
}

TEST(ProjectFile, AddressLinesRoundTrip)
{
    TestSupport::TTempFolder Dir;
    const std::string Lines = "1,0,http://127.0.0.1:8000/\r\n0,1,http://127.0.0.1:8000/a.jpg\r\n"
                              "1,-1,http://h.test/x,y,z.jpg\r\n0,5,http://h.test/deep.jpg\r\n";
    TTask Task;
    Task.SetState(2);
    Task.SetSavedCount(7);
    TMemoryStream M;
    Task.SaveToStream(&M);
    M.WriteBuffer(Lines.data(), static_cast<int32_t>(Lines.size()));
    M.SetPosition(0);
    TTask Back;
    Back.LoadFromStream(&M);
    EXPECT_EQ(Back.GetState(), 2);
    EXPECT_EQ(Back.GetQueueTicket(), -1);
    EXPECT_EQ(Back.GetSavedCount(), 7);
    EXPECT_EQ(Back.GetDoneCount(), 2);
    ASSERT_EQ(Back.GetItems()->GetCount(), 4);
    EXPECT_EQ(Back.GetItems()->GetItem(2)->GetAddress(), "http://h.test/x,y,z.jpg");
    EXPECT_EQ(Back.GetItems()->GetItem(2)->GetDepth(), -1);
    EXPECT_EQ(Back.GetItems()->GetItem(3)->GetDepth(), 5);
    const std::string F = Dir.File("lines.wrp");
    Back.SaveToFile(F);
    auto B = ReadAll(F);
    EXPECT_EQ(std::string(B.begin() + 798812, B.end()), Lines);
}

TEST(ProjectFile, ParseItemLine)
{
    bool Done;
    int32_t Depth;
    std::string A;
    EXPECT_TRUE(ParseItemLine("x,y,http://a/b,c", Done, Depth, A));
    EXPECT_TRUE(Done);
    EXPECT_EQ(Depth, -1);
    EXPECT_EQ(A, "http://a/b,c");
    EXPECT_FALSE(ParseItemLine("", Done, Depth, A));
    EXPECT_FALSE(ParseItemLine("1,2", Done, Depth, A));
    EXPECT_TRUE(ParseItemLine("0,3,u", Done, Depth, A));
    EXPECT_FALSE(Done);
    EXPECT_EQ(Depth, 3);

    for (const char* Sep : {"\r\n", "\n", "\r"}) {
        std::string Text = std::string("1,0,http://a/") + Sep + Sep + "1,2" + Sep + "0,1,http://a/b.jpg" + Sep;
        TTask Task;
        TMemoryStream M;
        Task.SaveToStream(&M);
        M.SetSize(kProjectHeaderSize + kOptionsRecordSize);
        M.SetPosition(M.GetSize());
        M.WriteBuffer(Text.data(), static_cast<int32_t>(Text.size()));
        M.SetPosition(0);
        TTask Back;
        Back.LoadFromStream(&M);
        ASSERT_EQ(Back.GetItems()->GetCount(), 2) << Sep;
        EXPECT_EQ(Back.GetItems()->GetItem(1)->GetAddress(), "http://a/b.jpg");
    }
}

TEST(ProjectFile, CutFileLoads)
{
    TestSupport::TTempFolder Dir;
    TTask Task;
    Task.SetName("cut");
    Task.SetSavedCount(3);
    Task.GetOptions()->GetFileMasks()->Add("jpg, A");
    Task.GetOptions()->GetExcludeFiles()->Add("b");
    Task.GetOptions()->SetTimeOut(5);
    const std::string F = Dir.File("cut.wrp");
    Task.SaveToFile(F);
    auto B = ReadAll(F);
    B.resize(kProjectHeaderSize + 1000);
    WriteAll(F, B);
    TTask Back;
    ASSERT_NO_THROW(Back.LoadFromFile(F));
    EXPECT_EQ(Back.GetName(), "cut");
    EXPECT_EQ(Back.GetSavedCount(), 3);
    EXPECT_EQ(Back.GetOptions()->GetTimeOut(), 0);
    EXPECT_EQ(Back.GetOptions()->GetFileMasks()->GetCount(), 0);
    EXPECT_EQ(Back.GetOptions()->GetExcludeFiles()->GetCount(), 0);
    EXPECT_EQ(Back.GetOptions()->GetExcludeWebsites()->GetCount(), 0);
    // Only a part of a header, and no file at all.
    B.resize(20);
    WriteAll(F, B);
    TTask Short;
    ASSERT_NO_THROW(Short.LoadFromFile(F));
    EXPECT_EQ(ReadTaskHeader(F).Name, "cut");
    EXPECT_THROW(ReadTaskHeader(Dir.File("none.wrp")), EFOpenError);
}

TEST(ProjectFile, FailedFileDuplicatesAndOrder)
{
    TestSupport::TTempFolder Dir;
    const std::string F = Dir.File("f.wrp");
    TTask Task;
    Task.SetStartURL("http://www.site.test/");
    Task.SaveToFile(F);
    const std::string U = "http://other.test/a.jpg\r\nhttp://www.site.test/x.jpg\n\nhttp://img.site.test/y.jpg\r"
                          "http://other.test/a.jpg\r\nhttp://www.site.test/x.jpg\r\n";
    WriteAll(F + ".urls", std::vector<uint8_t>(U.begin(), U.end()));
    TTask Back;
    Back.LoadFromFile(F);
    auto* L = Back.GetFailedList();
    ASSERT_EQ(L->GetCount(), 3);
    EXPECT_EQ(L->GetItem(0)->GetAddress(), "http://www.site.test/x.jpg");
    EXPECT_EQ(L->GetItem(1)->GetAddress(), "http://img.site.test/y.jpg");
    EXPECT_EQ(L->GetItem(2)->GetAddress(), "http://other.test/a.jpg");
    for (int I = 0; I < 3; ++I) {
        EXPECT_EQ(L->GetItem(I)->GetDepth(), -1);
        EXPECT_FALSE(L->GetItem(I)->GetDone());
    }
}

TEST(ProjectFile, SafeSave)
{
    TestSupport::TTempFolder Dir;
    const std::string F = Dir.File("safe.wrp");
    TTask Task;
    Task.SetName("first");
    Task.SaveToFile(F);
    auto Before = ReadAll(F);
    ASSERT_TRUE(CreateDir(F + ".tmp"));
    Task.SetName("second");
    EXPECT_THROW(Task.SaveToFile(F), EFileStreamError);
    EXPECT_EQ(ReadAll(F), Before);
    ASSERT_TRUE(RemoveDir(F + ".tmp"));
    Task.SaveToFile(F);
    EXPECT_EQ(ReadTaskHeader(F).Name, "second");
    EXPECT_FALSE(EntryExists(F + ".tmp"));
    EXPECT_FALSE(EntryExists(F + ".urls.tmp"));
}

TEST(ProjectFile, HostileBytes)
{
    // Random bytes after a valid start, and fields without a NUL, never read out of bounds.
    std::vector<uint8_t> B(kProjectHeaderSize + kOptionsRecordSize + 3000);
    uint32_t X = 12345;
    for (auto& C : B) {
        X = X * 1103515245 + 12345;
        C = static_cast<uint8_t>(X >> 16);
    }
    TProjectHeaderData Hd = DecodeProjectHeader(B.data(), B.size());
    EXPECT_LE(Hd.Name.size(), 1024u);
    TOptionsData D = DecodeOptionsRecord(B.data() + kProjectHeaderSize, kOptionsRecordSize);
    EXPECT_EQ(D.FileMasks.size(), 256u);
    for (const auto& S : D.FileMasks)
        EXPECT_LE(S.size(), 1024u);
    TMemoryStream M;
    M.WriteBuffer(B.data(), static_cast<int32_t>(B.size()));
    M.SetPosition(0);
    TTask T;
    EXPECT_NO_THROW(T.LoadFromStream(&M));
}
