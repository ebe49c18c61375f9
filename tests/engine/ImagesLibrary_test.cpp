// The images library file and its add-picture threads: layouts on disk, damaged files, safe
// saving, AddImage with a test measurer, and threads racing the user-interface thread.
#include "engine/ImagesLibrary.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cctype>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/Stream.h"
#include "platform/win/Files.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;
using TestSupport::TTempFolder;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes ReadFileBytes(const std::string& Name)
{
    TFileStream F(Name, fmOpenRead | fmShareDenyNone);
    TBytes B(static_cast<size_t>(F.GetSize()));
    if (!B.empty())
        F.ReadBuffer(B.data(), static_cast<int32_t>(B.size()));
    return B;
}

void WriteFileBytes(const std::string& Name, const TBytes& B)
{
    TFileStream F(Name, fmCreate);
    if (!B.empty())
        F.WriteBuffer(B.data(), static_cast<int32_t>(B.size()));
}

void WriteFileOfSize(const std::string& Name, size_t Size)
{
    TBytes B(Size);
    for (size_t I = 0; I < Size; ++I)
        B[I] = static_cast<uint8_t>(I * 7);
    WriteFileBytes(Name, B);
}

bool FileThere(const std::string& Name)
{
    const DWORD A = GetFileAttributesA(Name.c_str());
    return A != INVALID_FILE_ATTRIBUTES;
}

int32_t I32At(const TBytes& B, size_t Offset)
{
    int32_t V;
    std::memcpy(&V, B.data() + Offset, 4);
    return V;
}

double F64At(const TBytes& B, size_t Offset)
{
    double V;
    std::memcpy(&V, B.data() + Offset, 8);
    return V;
}

void PutI32(TBytes& B, size_t Offset, int32_t V)
{
    std::memcpy(B.data() + Offset, &V, 4);
}

TBytes MakeHeader(const std::string& Signature, int32_t Version, int32_t Count)
{
    TBytes B(264, 0);
    std::memcpy(B.data(), Signature.data(), std::min<size_t>(Signature.size(), 255));
    PutI32(B, 256, Version);
    PutI32(B, 260, Count);
    return B;
}

TBytes MakeRecord(const std::string& Name, double Date, int32_t Size, int32_t Height, int32_t Width)
{
    TBytes B(280, 0);
    std::memcpy(B.data(), Name.data(), std::min<size_t>(Name.size(), 255));
    std::memcpy(B.data() + 256, &Date, 8);
    PutI32(B, 264, Size);
    PutI32(B, 268, Height);
    PutI32(B, 272, Width);
    return B;
}

void Append(TBytes& To, const TBytes& From)
{
    To.insert(To.end(), From.begin(), From.end());
}

std::unique_ptr<TImageDetail> MakeDetail(const std::string& Name, double Date, int32_t Size, int32_t Height,
                                         int32_t Width)
{
    auto D = std::make_unique<TImageDetail>();
    D->SetFileName(Name);
    D->SetAddedDate(Date);
    D->SetFileSize(Size);
    D->SetHeight(Height);
    D->SetWidth(Width);
    return D;
}

std::vector<std::string> Names(TImageLibrary& L)
{
    std::vector<std::string> N;
    for (int32_t I = 0; I < L.GetCount(); ++I)
        N.push_back(L.GetItem(I)->GetFileName());
    return N;
}

// Measures "...pNN.ext" as NN+1 wide and 2*NN+1 high, counting the calls running at once.
class TCountingMeasurer {
public:
    explicit TCountingMeasurer(DWORD DelayMs = 0) : FDelay(DelayMs) {}

    TImageMeasurer Function()
    {
        return [this](const std::string& FileName) { return Measure(FileName); };
    }
    static TImageSize Expected(int N) { return TImageSize{N + 1, 2 * N + 1}; }
    int MaxAtOnce() const { return FMax.load(); }
    int Calls() const { return FCalls.load(); }
    int Now() const { return FNow.load(); }
    // While held, measuring blocks.
    void Hold() { ResetEvent(FGo); }
    void Release() { SetEvent(FGo); }
    ~TCountingMeasurer() { CloseHandle(FGo); }

private:
    TImageSize Measure(const std::string& FileName)
    {
        const int Now = ++FNow;
        int Max = FMax.load();
        while (Now > Max && !FMax.compare_exchange_weak(Max, Now)) {
        }
        ++FCalls;
        WaitForSingleObject(FGo, INFINITE);
        if (FDelay)
            Sleep(FDelay);
        struct TDone {
            std::atomic<int>& N;
            ~TDone() { --N; }
        } Done{FNow};
        const size_t Slash = FileName.find_last_of("\\/");
        const size_t P = Slash == std::string::npos ? 0 : Slash + 1;
        if (P + 1 >= FileName.size() || (FileName[P] != 'p' && FileName[P] != 'P') ||
            !std::isdigit(static_cast<unsigned char>(FileName[P + 1])))
            throw EInvalidGraphic("not a test picture");
        return Expected(std::atoi(FileName.c_str() + P + 1));
    }

    DWORD FDelay;
    HANDLE FGo = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    std::atomic<int> FNow{0};
    std::atomic<int> FMax{0};
    std::atomic<int> FCalls{0};
};

// Lets held measurers go when a test leaves early, before its thread list waits for them.
struct TReleaseOnExit {
    TCountingMeasurer& M;
    ~TReleaseOnExit() { M.Release(); }
};

class ImagesLibraryTest : public testing::Test {
protected:
    TTempFolder Temp;
    std::string Db() const { return Temp.File("imglib.db"); }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// The file on disk

TEST_F(ImagesLibraryTest, SavingThreeRecordsWritesTheExactLayout)
{
    TImageLibrary L;
    L.Add(MakeDetail("C:\\a\\first.jpg", 45000.25, 896, 480, 640));
    L.Add(MakeDetail("C:\\a\\second.png", 45001.5, 128, 1, 2));
    L.Add(MakeDetail("C:\\a\\third.gif", 45002.75, 0, -1, -1));
    L.SaveToFile(Db());
    const TBytes B = ReadFileBytes(Db());
    ASSERT_EQ(B.size(), 1104u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(B.data()), 29), "Quillmoor Images Library File");
    for (size_t I = 29; I < 256; ++I)
        ASSERT_EQ(B[I], 0) << "header byte " << I;
    EXPECT_EQ(I32At(B, 256), 227);
    EXPECT_EQ(I32At(B, 260), 3);
    EXPECT_EQ(B[260], 3);
    const struct {
        const char* Name;
        double Date;
        int32_t Size, Height, Width;
    } Want[] = {{"C:\\a\\first.jpg", 45000.25, 896, 480, 640},
                {"C:\\a\\second.png", 45001.5, 128, 1, 2},
                {"C:\\a\\third.gif", 45002.75, 0, -1, -1}};
    for (size_t R = 0; R < 3; ++R) {
        const size_t At = 264 + 280 * R;
        const size_t Len = std::strlen(Want[R].Name);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(B.data() + At), Len), Want[R].Name);
        for (size_t I = Len; I < 256; ++I)
            ASSERT_EQ(B[At + I], 0) << "record " << R << " byte " << I;
        EXPECT_EQ(F64At(B, At + 256), Want[R].Date);
        EXPECT_EQ(I32At(B, At + 264), Want[R].Size);
        EXPECT_EQ(I32At(B, At + 268), Want[R].Height);
        EXPECT_EQ(I32At(B, At + 272), Want[R].Width);
        for (size_t I = 276; I < 280; ++I)
            EXPECT_EQ(B[At + I], 0);
    }
    EXPECT_FALSE(FileThere(Db() + ".tmp"));
    EXPECT_EQ(L.GetHeader().GetCount(), 3);
}

TEST_F(ImagesLibraryTest, EmptyLibraryIsAHeaderOf264Bytes)
{
    TImageLibrary L;
    L.SaveToFile(Db());
    const TBytes B = ReadFileBytes(Db());
    ASSERT_EQ(B.size(), 264u);
    EXPECT_EQ(I32At(B, 256), 227);
    EXPECT_EQ(I32At(B, 260), 0);
}

TEST_F(ImagesLibraryTest, SavedLibraryLoadsBackWhole)
{
    TImageLibrary L;
    L.Add(MakeDetail("x\\one.bmp", 1.25, 1024, 10, 20));
    L.Add(MakeDetail("x\\two.tif", 2.5, 2048, 30, 40));
    L.SaveToFile(Db());
    TImageLibrary R;
    R.LoadFromFile(Db());
    ASSERT_EQ(R.GetCount(), 2);
    EXPECT_EQ(Names(R), (std::vector<std::string>{"x\\one.bmp", "x\\two.tif"}));
    TImageDetail* D = R.FindByName("x\\two.tif");
    ASSERT_NE(D, nullptr);
    EXPECT_EQ(D->GetAddedDate(), 2.5);
    EXPECT_EQ(D->GetFileSize(), 2048);
    EXPECT_EQ(D->GetHeight(), 30);
    EXPECT_EQ(D->GetWidth(), 40);
}

TEST_F(ImagesLibraryTest, ForeignSignatureGivesNothingAndKeepsWhatIsThere)
{
    TBytes B = MakeHeader("Quillmoor Images Library Fil3", 227, 1);
    Append(B, MakeRecord("foreign.jpg", 1, 128, 1, 1));
    WriteFileBytes(Db(), B);

    TImageLibrary Empty;
    Empty.LoadFromFile(Db());
    EXPECT_EQ(Empty.GetCount(), 0);
    EXPECT_EQ(Empty.GetHeader().GetSignature(), "Quillmoor Images Library File");

    TImageLibrary Full;
    Full.Add(MakeDetail("mine1.jpg", 1, 128, 1, 1));
    Full.Add(MakeDetail("mine2.jpg", 1, 128, 1, 1));
    Full.LoadFromFile(Db());
    EXPECT_EQ(Names(Full), (std::vector<std::string>{"mine1.jpg", "mine2.jpg"}));
}

TEST_F(ImagesLibraryTest, VersionOneWithOurSignatureLoadsAndIsSavedAs227)
{
    TBytes B = MakeHeader("Quillmoor Images Library File", 1, 2);
    Append(B, MakeRecord("old1.jpg", 1, 128, 5, 6));
    Append(B, MakeRecord("old2.jpg", 2, 256, 7, 8));
    WriteFileBytes(Db(), B);
    TImageLibrary L;
    L.LoadFromFile(Db());
    EXPECT_EQ(Names(L), (std::vector<std::string>{"old1.jpg", "old2.jpg"}));
    EXPECT_EQ(L.GetHeader().GetVersion(), 1);
    L.SaveToFile(Db());
    const TBytes S = ReadFileBytes(Db());
    ASSERT_EQ(S.size(), 264u + 2 * 280);
    EXPECT_EQ(I32At(S, 256), 227);
}

TEST_F(ImagesLibraryTest, ZeroOrNegativeCountReadsNothing)
{
    for (int32_t Count : {0, -5}) {
        TBytes B = MakeHeader("Quillmoor Images Library File", 227, Count);
        Append(B, MakeRecord("uncounted.jpg", 1, 128, 1, 1));
        WriteFileBytes(Db(), B);
        TImageLibrary L;
        L.LoadFromFile(Db());
        EXPECT_EQ(L.GetCount(), 0) << Count;
    }
}

TEST_F(ImagesLibraryTest, TruncatedFileKeepsItsWholeRecordsWithoutRaising)
{
    TBytes B = MakeHeader("Quillmoor Images Library File", 227, 10);
    for (int I = 0; I < 3; ++I)
        Append(B, MakeRecord("r" + std::to_string(I) + ".jpg", I, 128, I, I));
    TBytes Half = MakeRecord("half.jpg", 9, 128, 9, 9);
    Half.resize(140);
    Append(B, Half);
    WriteFileBytes(Db(), B);
    TImageLibrary L;
    EXPECT_NO_THROW(L.LoadFromFile(Db()));
    EXPECT_EQ(Names(L), (std::vector<std::string>{"r0.jpg", "r1.jpg", "r2.jpg"}));
    EXPECT_EQ(L.GetHeader().GetCount(), 3);
}

TEST_F(ImagesLibraryTest, HugeCountReadsWhatIsThereWithNoLargeAllocation)
{
    TBytes B = MakeHeader("Quillmoor Images Library File", 227, 2000000000);
    for (int I = 0; I < 3; ++I)
        Append(B, MakeRecord("r" + std::to_string(I) + ".jpg", I, 128, I, I));
    WriteFileBytes(Db(), B);
    TImageLibrary L;
    EXPECT_NO_THROW(L.LoadFromFile(Db()));
    EXPECT_EQ(L.GetCount(), 3);
    // Room reserved from the count would show in the list's capacity.
    TThreadListGuard G(L.GetList());
    EXPECT_LT(G->GetCapacity(), 1000);
}

TEST_F(ImagesLibraryTest, FilesShorterThanAHeaderAreEmptyLibraries)
{
    for (size_t Size : {size_t(0), size_t(10), size_t(263)}) {
        TBytes B = MakeHeader("Quillmoor Images Library File", 227, 1);
        B.resize(Size);
        WriteFileBytes(Db(), B);
        TImageLibrary L;
        EXPECT_NO_THROW(L.LoadFromFile(Db())) << Size;
        EXPECT_EQ(L.GetCount(), 0);
    }
}

TEST_F(ImagesLibraryTest, MissingFileRaisesTheOpenError)
{
    TImageLibrary L;
    EXPECT_THROW(L.LoadFromFile(Temp.File("none.db")), EFOpenError);
    EXPECT_EQ(L.GetCount(), 0);
}

TEST_F(ImagesLibraryTest, LongPathIsStoredAsIts255FirstCharacters)
{
    std::string Long = "C:\\";
    while (Long.size() < 300)
        Long += static_cast<char>('a' + Long.size() % 26);
    ASSERT_EQ(Long.size(), 300u);
    TImageLibrary L;
    L.Add(MakeDetail(Long, 3, 128, 4, 5));
    L.SaveToFile(Db());
    EXPECT_EQ(L.GetItem(0)->GetFileName(), Long); // memory keeps the whole path
    const TBytes B = ReadFileBytes(Db());
    ASSERT_EQ(B.size(), 264u + 280);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(B.data() + 264), 255), Long.substr(0, 255));
    EXPECT_EQ(B[264 + 255], 0);
    TImageLibrary R;
    R.LoadFromFile(Db());
    ASSERT_EQ(R.GetCount(), 1);
    EXPECT_EQ(R.GetItem(0)->GetFileName(), Long.substr(0, 255));
    EXPECT_EQ(R.GetItem(0)->GetWidth(), 5);
}

// ---------------------------------------------------------------------------------------------
// Safe save

TEST_F(ImagesLibraryTest, FolderInTheWayOfTheTemporaryFileLeavesTheOldFileWhole)
{
    TImageLibrary L;
    L.Add(MakeDetail("keep1.jpg", 1, 128, 1, 1));
    L.Add(MakeDetail("keep2.jpg", 2, 256, 2, 2));
    L.SaveToFile(Db());
    const TBytes Before = ReadFileBytes(Db());
    ASSERT_TRUE(CreateDirectoryA((Db() + ".tmp").c_str(), nullptr));
    L.Add(MakeDetail("new.jpg", 3, 384, 3, 3));
    EXPECT_THROW(L.SaveToFile(Db()), EFCreateError);
    EXPECT_EQ(ReadFileBytes(Db()), Before);
    EXPECT_TRUE(DirectoryExists(Db() + ".tmp")); // not ours to remove

    ASSERT_TRUE(RemoveDirectoryA((Db() + ".tmp").c_str()));
    L.SaveToFile(Db());
    EXPECT_EQ(ReadFileBytes(Db()).size(), 264u + 3 * 280);
    EXPECT_FALSE(FileThere(Db() + ".tmp"));
}

TEST_F(ImagesLibraryTest, StaleTemporaryFileIsReplaced)
{
    WriteFileOfSize(Db() + ".tmp", 5000);
    TImageLibrary L;
    L.Add(MakeDetail("a.jpg", 1, 128, 1, 1));
    L.SaveToFile(Db());
    EXPECT_EQ(ReadFileBytes(Db()).size(), 264u + 280);
    EXPECT_FALSE(FileThere(Db() + ".tmp"));
}

TEST_F(ImagesLibraryTest, ReadOnlyTargetFailsAndStaysWholeWithNoTemporaryLeft)
{
    TImageLibrary L;
    L.Add(MakeDetail("old.jpg", 1, 128, 1, 1));
    L.SaveToFile(Db());
    const TBytes Before = ReadFileBytes(Db());
    ASSERT_TRUE(SetFileAttributesA(Db().c_str(), FILE_ATTRIBUTE_READONLY));
    L.Add(MakeDetail("new.jpg", 2, 128, 1, 1));
    EXPECT_THROW(L.SaveToFile(Db()), EOSError);
    EXPECT_EQ(ReadFileBytes(Db()), Before);
    EXPECT_FALSE(FileThere(Db() + ".tmp"));
    SetFileAttributesA(Db().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ImagesLibraryTest, FailedReplaceRemovesTheTemporaryFile)
{
    // A folder where the file should be: the new file is written, but cannot take its place.
    ASSERT_TRUE(CreateDirectoryA(Db().c_str(), nullptr));
    TImageLibrary L;
    L.Add(MakeDetail("a.jpg", 1, 128, 1, 1));
    EXPECT_THROW(L.SaveToFile(Db()), EOSError);
    EXPECT_TRUE(DirectoryExists(Db()));
    EXPECT_FALSE(FileThere(Db() + ".tmp"));
}

TEST_F(ImagesLibraryTest, SavingIntoAMissingFolderRaisesAndMakesNothing)
{
    TImageLibrary L;
    const std::string Name = Temp.File("no such folder\\imglib.db");
    EXPECT_THROW(L.SaveToFile(Name), EFCreateError);
    EXPECT_FALSE(FileThere(Temp.File("no such folder")));
}

// ---------------------------------------------------------------------------------------------
// Records and look-ups

TEST_F(ImagesLibraryTest, FindRemoveAndGetItem)
{
    TImageLibrary L;
    L.Add(MakeDetail("A.jpg", 1, 128, 1, 1));
    L.Add(MakeDetail("b.jpg", 1, 128, 1, 1));
    L.Add(MakeDetail("A.jpg", 2, 256, 2, 2)); // a second with one name: the first is found
    EXPECT_EQ(L.FindByName("A.jpg"), L.GetItem(0));
    EXPECT_EQ(L.FindByName("a.jpg"), nullptr); // case-sensitive
    EXPECT_EQ(L.FindByName("A.jpg "), nullptr);
    EXPECT_THROW(L.GetItem(3), EListError);
    EXPECT_THROW(L.GetItem(-1), EListError);

    TImageDetail* First = L.GetItem(0);
    std::unique_ptr<TImageDetail> Out = L.Remove(First);
    ASSERT_EQ(Out.get(), First);
    EXPECT_EQ(L.GetCount(), 2);
    EXPECT_EQ(L.Remove(First), nullptr); // gone already; the caller still owns it
    TImageDetail Outsider;
    EXPECT_EQ(L.Remove(&Outsider), nullptr);
    EXPECT_EQ(L.FindByName("A.jpg")->GetFileSize(), 256);
    std::unique_ptr<TImageDetail> ByName = L.RemoveByName("b.jpg");
    ASSERT_NE(ByName, nullptr);
    EXPECT_EQ(ByName->GetFileName(), "b.jpg");
    EXPECT_EQ(L.RemoveByName("b.jpg"), nullptr);
    EXPECT_EQ(Names(L), (std::vector<std::string>{"A.jpg"}));
}

// The look-up by name follows every way records come and go, at the length of a long crawl.
TEST_F(ImagesLibraryTest, LookUpsByNameFollowAddsRemovalsClearAndLoadAtLength)
{
    TImageLibrary L;
    const int N = 20000;
    auto Name = [](int I) { return "C:\\pics\\" + std::to_string(I % 97) + "\\p" + std::to_string(I) + ".jpg"; };
    for (int I = 0; I < N; ++I)
        L.Add(MakeDetail(Name(I), 1, I, 1, 1));
    for (int I = 0; I < N; I += 3)
        ASSERT_NE(L.RemoveByName(Name(I)), nullptr) << I;
    std::vector<std::unique_ptr<TImageDetail>> Taken;
    for (int I = 0; I < N; I += 7) {
        if (I % 3 == 0)
            continue;
        TImageDetail* D = L.FindByName(Name(I));
        ASSERT_NE(D, nullptr) << I;
        Taken.push_back(L.Remove(D));
    }
    for (int I = 0; I < N; ++I) {
        TImageDetail* D = L.FindByName(Name(I));
        if (I % 3 == 0 || I % 7 == 0)
            ASSERT_EQ(D, nullptr) << I;
        else {
            ASSERT_NE(D, nullptr) << I;
            ASSERT_EQ(D->GetFileSize(), I);
        }
    }
    // Three records of one name: the first in the list is found as the others go.
    L.Add(MakeDetail("same.jpg", 1, 1, 1, 1));
    L.Add(MakeDetail("same.jpg", 1, 2, 1, 1));
    L.Add(MakeDetail("same.jpg", 1, 3, 1, 1));
    TImageDetail* Second = nullptr;
    for (int32_t I = L.GetCount() - 3; I < L.GetCount(); ++I)
        if (L.GetItem(I)->GetFileSize() == 2)
            Second = L.GetItem(I);
    std::unique_ptr<TImageDetail> Out(L.Remove(Second).release());
    EXPECT_EQ(L.FindByName("same.jpg")->GetFileSize(), 1);
    Out = L.RemoveByName("same.jpg");
    EXPECT_EQ(L.FindByName("same.jpg")->GetFileSize(), 3);
    // A saved library loads back with every name found again, after a clear found none.
    TMemoryStream S;
    L.SaveToStream(&S);
    L.Clear();
    EXPECT_EQ(L.FindByName(Name(1)), nullptr);
    S.SetPosition(0);
    L.LoadFromStream(&S);
    for (int I = 1; I < N; I += 11)
        EXPECT_EQ(L.FindByName(Name(I)) != nullptr, I % 3 != 0 && I % 7 != 0) << I;
    EXPECT_EQ(L.FindByName("same.jpg")->GetFileSize(), 3);
}

// ---------------------------------------------------------------------------------------------
// AddImage

TEST_F(ImagesLibraryTest, AddImageRecordsSizeTimeAndDimensionsOnce)
{
    TCountingMeasurer M;
    TImageLibrary L;
    L.SetMeasurer(M.Function());
    const std::string P = Temp.File("p7.png");
    WriteFileOfSize(P, 1000);
    const TDateTime Before = Now();
    EXPECT_TRUE(L.AddImage(P));
    const TDateTime After = Now();
    EXPECT_FALSE(L.AddImage(P));
    ASSERT_EQ(L.GetCount(), 1);
    TImageDetail* D = L.GetItem(0);
    EXPECT_EQ(D->GetFileName(), P);
    EXPECT_EQ(D->GetFileSize(), 896);
    EXPECT_EQ(D->GetWidth(), 8);
    EXPECT_EQ(D->GetHeight(), 15);
    EXPECT_GE(D->GetAddedDate(), Before - 1.0 / 86400);
    EXPECT_LE(D->GetAddedDate(), After + 1.0 / 86400);
    EXPECT_EQ(M.Calls(), 1); // a present record is not measured again

    // Another letter case is another key.
    std::string Upper = P;
    Upper[Upper.size() - 6] = 'P';
    ASSERT_NE(Upper, P);
    EXPECT_TRUE(L.AddImage(Upper));
    EXPECT_EQ(L.GetCount(), 2);
}

TEST_F(ImagesLibraryTest, SizesAreRoundedDownToWholeBlocks)
{
    TImageLibrary L;
    const std::pair<size_t, int32_t> Cases[] = {{1000, 896}, {128, 128}, {127, 0}, {0, 0}, {257, 256}};
    int N = 0;
    for (const auto& [Size, Want] : Cases) {
        const std::string P = Temp.File("s" + std::to_string(N++) + ".bin");
        WriteFileOfSize(P, Size);
        ASSERT_TRUE(L.AddImage(P));
        EXPECT_EQ(L.FindByName(P)->GetFileSize(), Want) << Size;
        EXPECT_EQ(GetRoundedFileSize(P), Want);
    }
}

TEST_F(ImagesLibraryTest, UnreadablePictureStillGetsItsRecordWithoutDimensions)
{
    TImageLibrary L;
    L.SetMeasurer([](const std::string&) -> TImageSize { throw EInvalidGraphic("damaged JPEG"); });
    const std::string P = Temp.File("broken.jpg");
    WriteFileOfSize(P, 300);
    EXPECT_TRUE(L.AddImage(P));
    ASSERT_EQ(L.GetCount(), 1);
    EXPECT_EQ(L.GetItem(0)->GetWidth(), -1);
    EXPECT_EQ(L.GetItem(0)->GetHeight(), -1);
    EXPECT_EQ(L.GetItem(0)->GetFileSize(), 256);

    // A foreign exception type is caught as well.
    TImageLibrary L2;
    L2.SetMeasurer([](const std::string&) -> TImageSize { throw 42; });
    EXPECT_TRUE(L2.AddImage(P));
    EXPECT_EQ(L2.GetItem(0)->GetWidth(), -1);
}

TEST_F(ImagesLibraryTest, WithoutAMeasurerDimensionsAreUnknown)
{
    TImageLibrary L;
    const std::string P = Temp.File("p1.png");
    WriteFileOfSize(P, 200);
    EXPECT_TRUE(L.AddImage(P));
    EXPECT_EQ(L.GetItem(0)->GetWidth(), -1);
    EXPECT_EQ(L.GetItem(0)->GetHeight(), -1);
}

TEST_F(ImagesLibraryTest, NewLibrariesTakeTheDefaultMeasurer)
{
    TCountingMeasurer M;
    SetDefaultImageMeasurer(M.Function());
    TImageLibrary L;
    SetDefaultImageMeasurer(nullptr);
    TImageLibrary Without;
    const std::string P = Temp.File("p3.png");
    WriteFileOfSize(P, 200);
    EXPECT_TRUE(L.AddImage(P));
    EXPECT_TRUE(Without.AddImage(P));
    EXPECT_EQ(L.GetItem(0)->GetWidth(), 4);
    EXPECT_EQ(Without.GetItem(0)->GetWidth(), -1);
}

TEST_F(ImagesLibraryTest, MissingFileAddsNoRecordAndRaisesTheInputOutputError)
{
    TCountingMeasurer M;
    TImageLibrary L;
    L.SetMeasurer(M.Function());
    try {
        L.AddImage(Temp.File("p9.png"));
        ADD_FAILURE() << "no exception";
    } catch (const EInOutError& E) {
        EXPECT_EQ(E.GetErrorCode(), ERROR_FILE_NOT_FOUND);
    }
    EXPECT_EQ(L.GetCount(), 0);
    EXPECT_EQ(M.Calls(), 0);
    EXPECT_THROW(GetRoundedFileSize(Temp.Path()), EInOutError); // a folder is no file
}

TEST_F(ImagesLibraryTest, ReadOnlyAndSharedOpenFilesAreStillRecorded)
{
    TCountingMeasurer M;
    TImageLibrary L;
    L.SetMeasurer(M.Function());

    const std::string RO = Temp.File("p2.jpg");
    WriteFileOfSize(RO, 1000);
    ASSERT_TRUE(SetFileAttributesA(RO.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(L.AddImage(RO));
    SetFileAttributesA(RO.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Another program writing the file, letting others read.
    const std::string Busy = Temp.File("p4.jpg");
    WriteFileOfSize(Busy, 700);
    const HANDLE H = CreateFileA(Busy.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(H, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(L.AddImage(Busy));
    CloseHandle(H);

    ASSERT_EQ(L.GetCount(), 2);
    EXPECT_EQ(L.FindByName(RO)->GetFileSize(), 896);
    EXPECT_EQ(L.FindByName(RO)->GetWidth(), 3);
    EXPECT_EQ(L.FindByName(Busy)->GetFileSize(), 640);
    EXPECT_EQ(L.FindByName(Busy)->GetHeight(), 9);
}

TEST_F(ImagesLibraryTest, FileLockedAgainstReadingRaisesAndAddsNothing)
{
    TImageLibrary L;
    const std::string P = Temp.File("locked.jpg");
    WriteFileOfSize(P, 500);
    const HANDLE H = CreateFileA(P.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(H, INVALID_HANDLE_VALUE);
    EXPECT_THROW(L.AddImage(P), EInOutError);
    CloseHandle(H);
    EXPECT_EQ(L.GetCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Add-picture threads

TEST_F(ImagesLibraryTest, ThreadForAMissingFileEndsQuietly)
{
    TestSupport::TExceptionCapture Reported;
    TImageLibrary L;
    TAddImageThreadList Threads;
    auto* T = new TAddImageThread(&L, Temp.File("gone.png"));
    Threads.Add(T);
    ASSERT_TRUE(PumpUntil([T] { return T->GetFinished(); }));
    EXPECT_FALSE(T->GetAdded());
    EXPECT_EQ(T->GetFailureClassName(), "EInOutError");
    Threads.WaitForAll();
    EXPECT_EQ(Threads.GetCount(), 0);
    EXPECT_EQ(L.GetCount(), 0);
    EXPECT_EQ(Reported.Count(), 0u);
}

TEST_F(ImagesLibraryTest, FinishedThreadsAreFreedWhenANewOneIsAdded)
{
    TImageLibrary L;
    TAddImageThreadList Threads;
    WriteFileOfSize(Temp.File("p1.png"), 10);
    WriteFileOfSize(Temp.File("p2.png"), 10);
    auto* First = new TAddImageThread(&L, Temp.File("p1.png"));
    Threads.Add(First);
    ASSERT_TRUE(PumpUntil([First] { return First->GetFinished(); }));
    EXPECT_TRUE(First->GetAdded());
    EXPECT_EQ(Threads.GetCount(), 1);
    auto* Second = new TAddImageThread(&L, Temp.File("p2.png"));
    Threads.Add(Second);
    EXPECT_EQ(Threads.GetCount(), 1);
    EXPECT_EQ(Threads.GetItem(0), Second);
    Threads.WaitForAll();
    EXPECT_EQ(Threads.GetCount(), 0);
    EXPECT_EQ(L.GetCount(), 2);
}

TEST_F(ImagesLibraryTest, StartingNeedsTheProgramsLibraryAndList)
{
    ASSERT_EQ(ImageLibrary, nullptr);
    ASSERT_EQ(AddImageThreads, nullptr);
    const std::string P = Temp.File("p5.png");
    WriteFileOfSize(P, 300);
    EXPECT_FALSE(StartAddImageThread(P));

    TCountingMeasurer M;
    auto Library = std::make_unique<TImageLibrary>();
    Library->SetMeasurer(M.Function());
    auto Threads = std::make_unique<TAddImageThreadList>();
    ImageLibrary = Library.get();
    EXPECT_FALSE(StartAddImageThread(P));
    AddImageThreads = Threads.get();
    EXPECT_TRUE(StartAddImageThread(P));
    Threads->WaitForAll();
    AddImageThreads = nullptr;
    ImageLibrary = nullptr;
    ASSERT_EQ(Library->GetCount(), 1);
    EXPECT_EQ(Library->GetItem(0)->GetWidth(), 6);
    EXPECT_EQ(Library->GetItem(0)->GetHeight(), 11);
}

TEST_F(ImagesLibraryTest, OnlyTwoMeasureAtOnce)
{
    TCountingMeasurer M;
    M.Hold();
    TImageLibrary L;
    L.SetMeasurer(M.Function());
    TAddImageThreadList Threads;
    TReleaseOnExit Release{M};
    for (int I = 0; I < 3; ++I) {
        WriteFileOfSize(Temp.File("p" + std::to_string(I) + ".png"), 300);
        Threads.Add(new TAddImageThread(&L, Temp.File("p" + std::to_string(I) + ".png")));
    }
    ASSERT_TRUE(PumpUntil([&M] { return M.Now() == 2; }));
    // The third waits its turn for as long as the two decode.
    TestSupport::PumpFor(300);
    EXPECT_EQ(M.Now(), 2);
    EXPECT_EQ(M.Calls(), 2);
    EXPECT_EQ(L.GetCount(), 0);
    M.Release();
    Threads.WaitForAll();
    EXPECT_EQ(Threads.GetCount(), 0);
    EXPECT_EQ(L.GetCount(), 3);
    EXPECT_EQ(M.Calls(), 3);
    EXPECT_EQ(M.MaxAtOnce(), 2);
}

TEST_F(ImagesLibraryTest, ThreadAskedToStopWhileWaitingItsTurnAddsNothing)
{
    TCountingMeasurer M;
    M.Hold();
    TImageLibrary L;
    L.SetMeasurer(M.Function());
    TAddImageThreadList Threads;
    TReleaseOnExit Release{M};
    for (int I = 0; I < 2; ++I) {
        WriteFileOfSize(Temp.File("p" + std::to_string(I) + ".png"), 300);
        Threads.Add(new TAddImageThread(&L, Temp.File("p" + std::to_string(I) + ".png")));
    }
    ASSERT_TRUE(PumpUntil([&M] { return M.Now() == 2; }));
    WriteFileOfSize(Temp.File("p2.png"), 300);
    auto* Late = new TAddImageThread(&L, Temp.File("p2.png"));
    Threads.Add(Late);
    TestSupport::PumpFor(200);
    EXPECT_FALSE(Late->GetFinished());
    Late->Terminate();
    ASSERT_TRUE(PumpUntil([Late] { return Late->GetFinished(); }));
    EXPECT_FALSE(Late->GetAdded());
    EXPECT_EQ(M.Calls(), 2);
    M.Release();
    Threads.WaitForAll();
    EXPECT_EQ(L.GetCount(), 2);
    EXPECT_EQ(L.FindByName(Temp.File("p2.png")), nullptr);
}

TEST_F(ImagesLibraryTest, ListDestructionStopsWaitersAndWaitsForMeasurers)
{
    TCountingMeasurer M(30);
    TImageLibrary L;
    L.SetMeasurer(M.Function());
    {
        TAddImageThreadList Threads;
        for (int I = 0; I < 6; ++I) {
            WriteFileOfSize(Temp.File("p" + std::to_string(I) + ".png"), 300);
            Threads.Add(new TAddImageThread(&L, Temp.File("p" + std::to_string(I) + ".png")));
        }
        ASSERT_TRUE(PumpUntil([&M] { return M.Calls() >= 1; }));
    }
    // Every thread is gone: what was measured is recorded whole, nothing runs any more.
    const int Calls = M.Calls();
    EXPECT_EQ(M.Now(), 0);
    EXPECT_LE(M.MaxAtOnce(), 2);
    EXPECT_EQ(L.GetCount(), Calls);
    for (int32_t I = 0; I < L.GetCount(); ++I)
        EXPECT_GT(L.GetItem(I)->GetWidth(), 0);
    Sleep(100);
    EXPECT_EQ(M.Calls(), Calls);
}

namespace {

// 50 threads for 25 files, each twice, while this thread looks up and saves every 10 ms (and
// removes records when asked). Returns the names seen twice in any snapshot.
struct TRaceResult {
    std::set<std::string> Duplicates;
    int Saves = 0;
    int Removed = 0;
};

TRaceResult RaceAddImage(const TTempFolder& Temp, TImageLibrary& L, TCountingMeasurer& M, bool Remove)
{
    TRaceResult R;
    std::vector<std::string> Files;
    for (int I = 0; I < 25; ++I) {
        Files.push_back(Temp.File("p" + std::to_string(I) + ".jpg"));
        WriteFileOfSize(Files.back(), 1000 + I);
    }
    L.SetMeasurer(M.Function());
    auto Threads = std::make_unique<TAddImageThreadList>();
    ImageLibrary = &L;
    AddImageThreads = Threads.get();
    for (int Round = 0; Round < 2; ++Round)
        for (const std::string& F : Files)
            EXPECT_TRUE(StartAddImageThread(F));
    auto AllDone = [&Threads] {
        for (int32_t I = 0; I < Threads->GetCount(); ++I)
            if (!Threads->GetItem(I)->GetFinished())
                return false;
        return true;
    };
    int Step = 0;
    while (!AllDone()) {
        TMemoryStream S;
        L.SaveToStream(&S);
        ++R.Saves;
        const auto* B = static_cast<const uint8_t*>(S.Memory());
        int32_t Count;
        std::memcpy(&Count, B + 260, 4);
        EXPECT_EQ(S.GetSize(), 264 + 280 * int64_t(Count));
        std::set<std::string> Seen;
        for (int32_t I = 0; I < Count; ++I) {
            const std::string Name(reinterpret_cast<const char*>(B + 264 + 280 * I));
            if (!Seen.insert(Name).second)
                R.Duplicates.insert(Name);
        }
        const std::string& Probe = Files[Step % Files.size()];
        if (TImageDetail* D = L.FindByName(Probe)) {
            EXPECT_EQ(D->GetFileName(), Probe);
        }
        if (Remove && Step % 3 == 0) {
            if (std::unique_ptr<TImageDetail> Gone = L.RemoveByName(Files[(Step * 7) % Files.size()]))
                ++R.Removed;
        }
        ++Step;
        TestSupport::PumpFor(10);
    }
    Threads->WaitForAll();
    AddImageThreads = nullptr;
    ImageLibrary = nullptr;
    std::set<std::string> Final;
    for (const std::string& N : Names(L))
        if (!Final.insert(N).second)
            R.Duplicates.insert(N);
    return R;
}

} // namespace

TEST_F(ImagesLibraryTest, FiftyThreadsForTwentyFiveFilesLeaveTwentyFiveRecords)
{
    TCountingMeasurer M(15);
    TImageLibrary L;
    const TRaceResult R = RaceAddImage(Temp, L, M, false);
    EXPECT_TRUE(R.Duplicates.empty());
    EXPECT_GT(R.Saves, 0);
    ASSERT_EQ(L.GetCount(), 25);
    for (int I = 0; I < 25; ++I) {
        TImageDetail* D = L.FindByName(Temp.File("p" + std::to_string(I) + ".jpg"));
        ASSERT_NE(D, nullptr) << I;
        EXPECT_EQ(D->GetWidth(), TCountingMeasurer::Expected(I).Width);
        EXPECT_EQ(D->GetHeight(), TCountingMeasurer::Expected(I).Height);
        EXPECT_EQ(D->GetFileSize(), 896 + (I >= 24 ? 128 : 0));
    }
    EXPECT_LE(M.MaxAtOnce(), 2);
    EXPECT_GE(M.MaxAtOnce(), 1);
    EXPECT_GE(M.Calls(), 25);
}

TEST_F(ImagesLibraryTest, RemovingWhileThreadsAddLeavesNoPathTwice)
{
    TCountingMeasurer M(15);
    TImageLibrary L;
    const TRaceResult R = RaceAddImage(Temp, L, M, true);
    EXPECT_TRUE(R.Duplicates.empty());
    EXPECT_LE(L.GetCount(), 25);
    EXPECT_LE(M.MaxAtOnce(), 2);
    // The removed records were handed over and freed here; the rest are whole.
    for (const std::string& N : Names(L))
        EXPECT_NE(L.FindByName(N), nullptr);
}

TEST_F(ImagesLibraryTest, ClearWhileThreadsAddLeavesOnlyWhatCameAfterIt)
{
    // Four threads each add their own 60 files in order. Two gates hold them: each thread adds its
    // first files, then waits until every thread has; Clear runs as they go on, and no thread adds
    // its last file before Clear has returned. So Clear meets every thread under way and none done.
    constexpr int Threads = 4, PerThread = 60, BeforeClear = 5;
    for (int T = 0; T < Threads; ++T)
        for (int I = 0; I < PerThread; ++I)
            WriteFileOfSize(Temp.File("t" + std::to_string(T) + "_" + std::to_string(I) + ".jpg"), 200);
    TImageLibrary L;
    std::atomic<int> Added[Threads] = {};
    std::mutex GateLock;
    std::condition_variable GateChanged;
    int Arrived = 0;
    bool ClearMayRun = false, ClearDone = false;
    const auto WaitFor = [&](const bool& Open) {
        std::unique_lock<std::mutex> Hold(GateLock);
        // Bounded, so a test gone wrong ends; the main thread's own wait reports it.
        GateChanged.wait_for(Hold, std::chrono::seconds(60), [&] { return Open; });
    };
    std::vector<std::thread> Workers;
    for (int T = 0; T < Threads; ++T)
        Workers.emplace_back([&, T] {
            for (int I = 0; I < PerThread; ++I) {
                if (I == BeforeClear) {
                    {
                        std::lock_guard<std::mutex> Hold(GateLock);
                        ++Arrived;
                    }
                    GateChanged.notify_all();
                    WaitFor(ClearMayRun);
                } else if (I == PerThread - 1) {
                    WaitFor(ClearDone);
                }
                L.AddImage(Temp.File("t" + std::to_string(T) + "_" + std::to_string(I) + ".jpg"));
                ++Added[T];
            }
        });
    bool AllArrived = false;
    {
        std::unique_lock<std::mutex> Hold(GateLock);
        AllArrived = GateChanged.wait_for(Hold, std::chrono::seconds(60), [&] { return Arrived == Threads; });
        ClearMayRun = true;
    }
    GateChanged.notify_all();
    EXPECT_TRUE(AllArrived) << "every thread adding its first " << BeforeClear << " files";
    L.Clear();
    int AfterClear[Threads];
    for (int T = 0; T < Threads; ++T) {
        AfterClear[T] = Added[T].load();
        EXPECT_GE(AfterClear[T], BeforeClear) << T;
        EXPECT_LT(AfterClear[T], PerThread) << T;
    }
    {
        std::lock_guard<std::mutex> Hold(GateLock);
        ClearDone = true;
    }
    GateChanged.notify_all();
    for (std::thread& W : Workers)
        W.join();

    // Per thread, what is left is the end of its sequence from some file on: nothing from before
    // the Clear survived it, nothing after it was lost.
    std::map<int, std::vector<int>> Left;
    for (const std::string& N : Names(L)) {
        const std::string Base = N.substr(N.find_last_of('\\') + 2);
        Left[std::atoi(Base.c_str())].push_back(std::atoi(Base.c_str() + Base.find('_') + 1));
    }
    for (int T = 0; T < Threads; ++T) {
        const std::vector<int>& V = Left[T];
        ASSERT_FALSE(V.empty()) << T;
        for (size_t K = 0; K < V.size(); ++K)
            EXPECT_EQ(V[K], PerThread - static_cast<int>(V.size()) + static_cast<int>(K)) << "thread " << T;
        // The file being added while Clear ran may land on either side.
        EXPECT_LE(static_cast<int>(V.size()), PerThread - AfterClear[T] + 1) << T;
    }
    L.Clear();
    EXPECT_EQ(L.GetCount(), 0);
    L.SaveToFile(Db());
    EXPECT_EQ(ReadFileBytes(Db()).size(), 264u);
}

TEST_F(ImagesLibraryTest, ALongRunOfPicturesKeepsFewThreadsAndAddsEveryOne)
{
    // A crawl saves pictures faster than they are measured: the pictures wait in the list, not
    // as threads that each hold a stack, and every one is added in the end, a missing file
    // among them too.
    TCountingMeasurer M;
    M.Hold();
    auto Library = std::make_unique<TImageLibrary>();
    Library->SetMeasurer(M.Function());
    auto Threads = std::make_unique<TAddImageThreadList>();
    ImageLibrary = Library.get();
    AddImageThreads = Threads.get();
    TReleaseOnExit Release{M};
    constexpr int kPictures = 200;
    for (int I = 0; I < kPictures; ++I) {
        const std::string F = Temp.File("run" + std::to_string(I) + ".png");
        if (I != 77)
            WriteFileOfSize(F, 100 + I);
        ASSERT_TRUE(StartAddImageThread(F));
        ASSERT_LE(Threads->GetCount(), kMaxAddImageThreads) << "after " << I + 1 << " pictures";
    }
    ASSERT_TRUE(PumpUntil([&M] { return M.Now() == kMaxMeasuringAddImageThreads; }, 10000, "two measuring"));
    EXPECT_EQ(Threads->GetCount(), kMaxAddImageThreads);
    EXPECT_EQ(Threads->GetPendingCount(), kPictures - kMaxAddImageThreads);
    M.Release();
    Threads->WaitForAll();
    EXPECT_EQ(Threads->GetPendingCount(), 0);
    EXPECT_EQ(Threads->GetCount(), 0);
    EXPECT_EQ(Library->GetCount(), kPictures - 1);
    EXPECT_EQ(Library->FindByName(Temp.File("run77.png")), nullptr);
    ASSERT_NE(Library->FindByName(Temp.File("run199.png")), nullptr);
    EXPECT_LE(M.MaxAtOnce(), kMaxMeasuringAddImageThreads);
    // Pictures started after a quiet spell get threads again.
    const std::string Later = Temp.File("later.png");
    WriteFileOfSize(Later, 50);
    ASSERT_TRUE(StartAddImageThread(Later));
    Threads->WaitForAll();
    EXPECT_NE(Library->FindByName(Later), nullptr);

    // A list freed while pictures wait stops its threads after what they measure now, and the
    // waiting pictures are given up.
    M.Hold();
    auto Doomed = std::make_unique<TAddImageThreadList>();
    AddImageThreads = Doomed.get();
    const int32_t Before = Library->GetCount();
    for (int I = 0; I < 30; ++I) {
        const std::string F = Temp.File("doomed" + std::to_string(I) + ".png");
        WriteFileOfSize(F, 100 + I);
        ASSERT_TRUE(StartAddImageThread(F));
    }
    ASSERT_TRUE(PumpUntil([&M] { return M.Now() == kMaxMeasuringAddImageThreads; }, 10000, "two measuring"));
    M.Release();
    AddImageThreads = nullptr;
    Doomed.reset();
    EXPECT_LE(Library->GetCount() - Before, kMaxAddImageThreads);
    ImageLibrary = nullptr;
}
