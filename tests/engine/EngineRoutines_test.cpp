// The engine routines that touch files, threads and the system.
#include "engine/EngineRoutines.h"

#include <algorithm>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win/Files.h"
#include "platform/win/TestSeams.h"
#include "tests/support/TestSupport.h"

namespace {

void MakeFile(const std::string& Name, const std::string& Content = "data")
{
    HANDLE H = CreateFileA(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(H, INVALID_HANDLE_VALUE) << Name;
    DWORD Written = 0;
    WriteFile(H, Content.data(), static_cast<DWORD>(Content.size()), &Written, nullptr);
    CloseHandle(H);
    ASSERT_EQ(Written, Content.size());
}

std::string ReadAll(const std::string& Name)
{
    HANDLE H = CreateFileA(Name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (H == INVALID_HANDLE_VALUE)
        return "<cannot open>";
    std::string S(4096, '\0');
    DWORD Read = 0;
    ReadFile(H, S.data(), static_cast<DWORD>(S.size()), &Read, nullptr);
    CloseHandle(H);
    S.resize(Read);
    return S;
}

std::vector<std::string> Entries(const std::string& Folder)
{
    std::vector<std::string> Names;
    TFindData D;
    if (FindFirst(Folder + "*", faAnyFile, D) == 0) {
        do
            Names.push_back(D.Name);
        while (FindNext(D) == 0);
        FindClose(D);
    }
    std::sort(Names.begin(), Names.end());
    return Names;
}

// Sets an environment variable for one scope.
class TEnvironmentScope {
public:
    TEnvironmentScope(const char* Name, const std::string& Value) : FName(Name)
    {
        SetEnvironmentVariableA(Name, Value.c_str());
    }
    ~TEnvironmentScope() { SetEnvironmentVariableA(FName, nullptr); }

private:
    const char* FName;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// UniqueFileName

TEST(UniqueFileName, FreePathComesBackUnchanged)
{
    TestSupport::TTempFolder T;
    EXPECT_EQ(UniqueFileName(T.File("x.jpg")), T.File("x.jpg"));
    // In a folder that does not exist either.
    EXPECT_EQ(UniqueFileName(T.File("no\\x.jpg")), T.File("no\\x.jpg"));
}

TEST(UniqueFileName, TakenNamesGetTheNextNumber)
{
    TestSupport::TTempFolder T;
    MakeFile(T.File("x.jpg"));
    EXPECT_EQ(UniqueFileName(T.File("x.jpg")), T.File("x[0].jpg"));
    MakeFile(T.File("x[0].jpg"));
    EXPECT_EQ(UniqueFileName(T.File("x.jpg")), T.File("x[1].jpg"));
    // A partial download takes its final name too.
    MakeFile(T.File("x[1].jpg!!wr"));
    EXPECT_EQ(UniqueFileName(T.File("x.jpg")), T.File("x[2].jpg"));
    // Case does not matter to the file system.
    EXPECT_EQ(UniqueFileName(T.File("X.JPG")), T.File("X[2].JPG"));
}

TEST(UniqueFileName, MiddlePartOfADottedNameIsDropped)
{
    TestSupport::TTempFolder T;
    MakeFile(T.File("a.b.jpg"));
    EXPECT_EQ(UniqueFileName(T.File("a.b.jpg")), T.File("a[0].jpg"));
}

TEST(UniqueFileName, FolderOrPartialMakesANameTaken)
{
    TestSupport::TTempFolder T;
    ASSERT_TRUE(CreateDir(T.File("x.jpg")));
    EXPECT_EQ(UniqueFileName(T.File("x.jpg")), T.File("x[0].jpg"));
    MakeFile(T.File("y.jpg!!wr"));
    EXPECT_EQ(UniqueFileName(T.File("y.jpg")), T.File("y[0].jpg"));
}

TEST(UniqueFileName, NameWithoutDotKeepsItsText)
{
    TestSupport::TTempFolder T;
    MakeFile(T.File("README"));
    EXPECT_EQ(UniqueFileName(T.File("README")), T.File("README[0]"));
    MakeFile(T.File("README[0]"));
    EXPECT_EQ(UniqueFileName(T.File("README")), T.File("README[1]"));
}

// ---------------------------------------------------------------------------------------------
// ReserveUniqueFile

TEST(ReserveUniqueFile, ThreadsNeverShareANameOrTruncateEachOther)
{
    TestSupport::TTempFolder T;
    constexpr int Threads = 8, Each = 50;
    std::vector<std::vector<std::pair<std::string, std::string>>> Got(Threads);
    std::vector<std::string> Errors(Threads);
    std::vector<std::thread> Workers;
    for (int W = 0; W < Threads; ++W)
        Workers.emplace_back([&, W] {
            try {
                for (int I = 0; I < Each; ++I) {
                    TReservedFile R = ReserveUniqueFile(T.File("x.jpg"), PartialSuffix);
                    const std::string Marker = "worker " + std::to_string(W) + " file " + std::to_string(I);
                    R.Stream->WriteBuffer(Marker.data(), static_cast<int32_t>(Marker.size()));
                    Got[W].emplace_back(R.FileName, Marker);
                }
            } catch (const std::exception& E) {
                Errors[W] = E.what();
            }
        });
    for (auto& W : Workers)
        W.join();
    for (int W = 0; W < Threads; ++W)
        ASSERT_EQ(Errors[W], "") << "worker " << W;

    std::set<std::string> Names;
    for (const auto& List : Got)
        for (const auto& [Name, Marker] : List) {
            Names.insert(Name);
            EXPECT_EQ(ReadAll(Name + PartialSuffix), Marker) << Name;
        }
    EXPECT_EQ(Names.size(), static_cast<size_t>(Threads * Each));
    // The names are x.jpg and x[0].jpg .. x[398].jpg, each as a partial file and nothing more.
    std::set<std::string> Expected{T.File("x.jpg")};
    for (int N = 0; N < Threads * Each - 1; ++N)
        Expected.insert(T.File("x[" + std::to_string(N) + "].jpg"));
    EXPECT_EQ(Names, Expected);
    const auto Listed = Entries(T.Path());
    EXPECT_EQ(Listed.size(), static_cast<size_t>(Threads * Each));
    for (const auto& N : Listed)
        EXPECT_TRUE(N.size() > 4 && N.substr(N.size() - 4) == "!!wr") << N;
}

TEST(FinishReservedFile, ReservingAndFinishingAtOnceLosesNoFile)
{
    // Workers that reserve, write and finish the same name at once: a reservation must never
    // find a name free just before another worker's partial file takes it.
    TestSupport::TTempFolder T;
    constexpr int Threads = 8, Each = 40;
    std::vector<std::vector<std::pair<std::string, std::string>>> Got(Threads);
    std::vector<std::string> Errors(Threads);
    std::vector<std::thread> Workers;
    for (int W = 0; W < Threads; ++W)
        Workers.emplace_back([&, W] {
            try {
                for (int I = 0; I < Each; ++I) {
                    TReservedFile R = ReserveUniqueFile(T.File("y.jpg"), PartialSuffix);
                    const std::string Marker = "worker " + std::to_string(W) + " file " + std::to_string(I);
                    R.Stream->WriteBuffer(Marker.data(), static_cast<int32_t>(Marker.size()));
                    R.Stream.reset();
                    const std::string Saved = FinishReservedFile(R.FileName, PartialSuffix);
                    if (Saved.empty())
                        throw std::runtime_error("not finished: " + R.FileName);
                    Got[W].emplace_back(Saved, Marker);
                }
            } catch (const std::exception& E) {
                Errors[W] = E.what();
            }
        });
    for (auto& W : Workers)
        W.join();
    for (int W = 0; W < Threads; ++W)
        ASSERT_EQ(Errors[W], "") << "worker " << W;
    std::set<std::string> Names;
    for (const auto& List : Got)
        for (const auto& [Name, Marker] : List) {
            Names.insert(Name);
            EXPECT_EQ(ReadAll(Name), Marker) << Name;
        }
    EXPECT_EQ(Names.size(), static_cast<size_t>(Threads * Each));
    const auto Listed = Entries(T.Path());
    EXPECT_EQ(Listed.size(), static_cast<size_t>(Threads * Each));
    for (const auto& N : Listed)
        EXPECT_FALSE(N.size() > 4 && N.substr(N.size() - 4) == "!!wr") << N;
}

TEST(FinishReservedFile, ANameTakenByAnotherProcessMovesToTheNextFreeName)
{
    TestSupport::TTempFolder T;
    TReservedFile R = ReserveUniqueFile(T.File("z.jpg"), PartialSuffix);
    ASSERT_EQ(R.FileName, T.File("z.jpg"));
    R.Stream->WriteBuffer("mine", 4);
    R.Stream.reset();
    // Another program saves z.jpg and z[0].jpg while the download runs.
    MakeFile(T.File("z.jpg"), "other");
    MakeFile(T.File("z[0].jpg"), "third");
    EXPECT_EQ(FinishReservedFile(R.FileName, PartialSuffix), T.File("z[1].jpg"));
    EXPECT_EQ(ReadAll(T.File("z[1].jpg")), "mine");
    EXPECT_EQ(ReadAll(T.File("z.jpg")), "other");
    EXPECT_EQ(ReadAll(T.File("z[0].jpg")), "third");
    EXPECT_EQ(Entries(T.Path()).size(), 3u);  // no partial file and no placeholder left
    // A partial file that is gone cannot be finished.
    EXPECT_EQ(FinishReservedFile(T.File("gone.jpg"), PartialSuffix), "");
}

// The same for a partial file still open: renamed through its handle when its name is free,
// and, when another program took the name meanwhile, closed and moved to the next free name.
TEST(FinishReservedFile, AnOpenPartialFileIsClosedAndNeverReplacesAnother)
{
    TestSupport::TTempFolder T;
    TReservedFile A = ReserveUniqueFile(T.File("o.jpg"), PartialSuffix);
    A.Stream->WriteBuffer("first", 5);
    EXPECT_EQ(FinishReservedFile(A.FileName, PartialSuffix, A.Stream), T.File("o.jpg"));
    EXPECT_EQ(A.Stream, nullptr);
    EXPECT_EQ(ReadAll(T.File("o.jpg")), "first");

    TReservedFile B = ReserveUniqueFile(T.File("q.jpg"), PartialSuffix);
    ASSERT_EQ(B.FileName, T.File("q.jpg"));
    B.Stream->WriteBuffer("mine", 4);
    MakeFile(T.File("q.jpg"), "other");
    EXPECT_EQ(FinishReservedFile(B.FileName, PartialSuffix, B.Stream), T.File("q[0].jpg"));
    EXPECT_EQ(B.Stream, nullptr);
    EXPECT_EQ(ReadAll(T.File("q[0].jpg")), "mine");
    EXPECT_EQ(ReadAll(T.File("q.jpg")), "other");
    for (const auto& N : Entries(T.Path()))
        EXPECT_FALSE(N.size() > 4 && N.substr(N.size() - 4) == "!!wr") << N;
    EXPECT_EQ(Entries(T.Path()).size(), 3u);
}

TEST(ReserveUniqueFile, ANameTakenAfterTheFolderWasListedIsNeverReplaced)
{
    // The folder is listed by the first reservation; another program then saves files whose
    // names the listing does not know.
    TestSupport::TTempFolder T;
    TReservedFile A = ReserveUniqueFile(T.File("a.jpg"), PartialSuffix);
    A.Stream->WriteBuffer("a", 1);
    A.Stream.reset();
    ASSERT_EQ(FinishReservedFile(A.FileName, PartialSuffix), T.File("a.jpg"));
    MakeFile(T.File("b.jpg"), "other b");
    MakeFile(T.File("b[0].jpg"), "other b0");
    MakeFile(T.File("c.html"), "other page");

    TReservedFile B = ReserveUniqueFile(T.File("b.jpg"), PartialSuffix);
    B.Stream->WriteBuffer("mine", 4);
    B.Stream.reset();
    const std::string Saved = FinishReservedFile(B.FileName, PartialSuffix);
    EXPECT_EQ(Saved, T.File("b[1].jpg"));
    EXPECT_EQ(ReadAll(Saved), "mine");
    EXPECT_EQ(ReadAll(T.File("b.jpg")), "other b");
    EXPECT_EQ(ReadAll(T.File("b[0].jpg")), "other b0");
    // What the finish found is known from then on: the next reservation goes straight past it.
    TReservedFile B2 = ReserveUniqueFile(T.File("b.jpg"), PartialSuffix);
    EXPECT_EQ(B2.FileName, T.File("b[2].jpg"));
    B2.Stream.reset();
    DeleteFileA((B2.FileName + PartialSuffix).c_str());

    // A file reserved under its final name (no suffix) is made with CREATE_NEW as well.
    TReservedFile C = ReserveUniqueFile(T.File("c.html"), "");
    EXPECT_EQ(C.FileName, T.File("c[0].html"));
    C.Stream.reset();
    EXPECT_EQ(ReadAll(T.File("c.html")), "other page");
    for (const auto& N : Entries(T.Path()))
        EXPECT_FALSE(N.size() > 4 && N.substr(N.size() - 4) == "!!wr") << N;
}

TEST(ReserveUniqueFile, ANameFreedByAnotherProgramIsOfferedAgainAfterTheNextListing)
{
    TestSupport::TTempFolder T;
    MakeFile(T.File("d.jpg"), "old");
    TReservedFile A = ReserveUniqueFile(T.File("d.jpg"), PartialSuffix);
    EXPECT_EQ(A.FileName, T.File("d[0].jpg"));
    A = TReservedFile{};
    ASSERT_TRUE(DeleteFileA(T.File("d[0].jpg!!wr").c_str()));
    ASSERT_TRUE(DeleteFileA(T.File("d.jpg").c_str()));
    // Listed at most two seconds ago: the freed name may still be passed over, never reused
    // while it exists.
    Sleep(2100);
    TReservedFile B = ReserveUniqueFile(T.File("d.jpg"), PartialSuffix);
    EXPECT_EQ(B.FileName, T.File("d.jpg"));
}

TEST(ReserveUniqueFile, ExistingNameMovesToTheNextCandidate)
{
    TestSupport::TTempFolder T;
    MakeFile(T.File("x.jpg"), "keep me");
    TReservedFile R = ReserveUniqueFile(T.File("x.jpg"), PartialSuffix);
    EXPECT_EQ(R.FileName, T.File("x[0].jpg"));
    EXPECT_EQ(R.Stream->GetFileName(), T.File("x[0].jpg!!wr"));
    R.Stream.reset();
    EXPECT_EQ(ReadAll(T.File("x.jpg")), "keep me");
    EXPECT_EQ(ReadAll(T.File("x[0].jpg!!wr")), "");
}

TEST(ReserveUniqueFile, EntriesOfTheSuffixedNameAreSkipped)
{
    TestSupport::TTempFolder T;
    // A folder with the partial's own name, and a leftover partial of another suffix.
    ASSERT_TRUE(CreateDir(T.File("p.png.part")));
    MakeFile(T.File("p[0].png.part"), "old");
    TReservedFile R = ReserveUniqueFile(T.File("p.png"), ".part");
    EXPECT_EQ(R.FileName, T.File("p[1].png"));
    R.Stream.reset();
    EXPECT_EQ(ReadAll(T.File("p[0].png.part")), "old");
}

TEST(ReserveUniqueFile, OpenReservationCannotBeDeletedOrWritten)
{
    TestSupport::TTempFolder T;
    TReservedFile R = ReserveUniqueFile(T.File("x.jpg"), PartialSuffix);
    const std::string Partial = R.FileName + PartialSuffix;
    R.Stream->WriteBuffer("abc", 3);
    EXPECT_FALSE(DeleteFileA(Partial.c_str()));
    // Others may read it, never write it.
    HANDLE W = CreateFileA(Partial.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(W, INVALID_HANDLE_VALUE);
    if (W != INVALID_HANDLE_VALUE)
        CloseHandle(W);
    EXPECT_EQ(ReadAll(Partial), "abc");
    // The clean-up by mask passes over it too.
    DeleteFilesByMask(T.File("*.??" "?!*"));
    EXPECT_TRUE(FileExists(Partial));
    R.Stream.reset();
    EXPECT_TRUE(DeleteFileA(Partial.c_str()));
}

TEST(ReserveUniqueFile, MissingFolderRaises)
{
    TestSupport::TTempFolder T;
    EXPECT_THROW(ReserveUniqueFile(T.File("none\\x.jpg"), PartialSuffix), EFCreateError);
}

// ---------------------------------------------------------------------------------------------
// DeleteFilesByMask

TEST(DeleteFilesByMask, DeletesPartialsOnly)
{
    TestSupport::TTempFolder T;
    const std::string Saved = T.File("Saved\\");
    ASSERT_TRUE(CreateDir(Saved));
    MakeFile(Saved + "x.jpg!!wr");
    MakeFile(Saved + "y.png!!wr");
    MakeFile(Saved + "h.gif!!wr");
    ASSERT_TRUE(SetFileAttributesA((Saved + "h.gif!!wr").c_str(), FILE_ATTRIBUTE_HIDDEN));
    MakeFile(Saved + "x.jpg");
    MakeFile(Saved + "r.gif!!wr");
    ASSERT_TRUE(SetFileAttributesA((Saved + "r.gif!!wr").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDir(Saved + "d.png!!wr"));
    MakeFile(T.File("outside.jpg!!wr"));

    EXPECT_NO_THROW(DeleteFilesByMask(Saved + "*.??" "?!*"));
    EXPECT_EQ(Entries(Saved), (std::vector<std::string>{"d.png!!wr", "r.gif!!wr", "x.jpg"}));
    EXPECT_TRUE(FileExists(T.File("outside.jpg!!wr")));
    SetFileAttributesA((Saved + "r.gif!!wr").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(DeleteFilesByMask, MissingFolderIsNoError)
{
    TestSupport::TTempFolder T;
    EXPECT_NO_THROW(DeleteFilesByMask(T.File("none\\*.??" "?!*")));
}

// ---------------------------------------------------------------------------------------------
// PathLiesUnder

TEST(PathLiesUnder, Cases)
{
    EXPECT_TRUE(PathLiesUnder("C:\\d\\Saved\\a\\x.jpg", "C:\\d\\Saved"));
    EXPECT_TRUE(PathLiesUnder("C:\\d\\Saved\\a\\x.jpg", "C:\\d\\Saved\\"));
    EXPECT_TRUE(PathLiesUnder("c:\\D\\saved\\x.jpg", "C:\\d\\Saved"));
    EXPECT_TRUE(PathLiesUnder("C:/d/Saved/x.jpg", "C:\\d\\Saved"));
    EXPECT_TRUE(PathLiesUnder("C:\\d\\Saved\\a\\..\\x.jpg", "C:\\d\\Saved"));
    EXPECT_FALSE(PathLiesUnder("C:\\d\\Saved\\..\\x.jpg", "C:\\d\\Saved"));
    EXPECT_FALSE(PathLiesUnder("C:\\d\\SavedX\\x.jpg", "C:\\d\\Saved"));
    EXPECT_FALSE(PathLiesUnder("C:\\d\\Saved", "C:\\d\\Saved"));
    EXPECT_FALSE(PathLiesUnder("C:\\d\\Saved\\", "C:\\d\\Saved"));
    EXPECT_FALSE(PathLiesUnder("D:\\d\\Saved\\x.jpg", "C:\\d\\Saved"));
    EXPECT_FALSE(PathLiesUnder("C:\\d\\Saved\\a\\..\\..\\..\\x.jpg", "C:\\d\\Saved"));
    EXPECT_FALSE(PathLiesUnder("", "C:\\d\\Saved"));
    EXPECT_FALSE(PathLiesUnder("C:\\d\\Saved\\x.jpg", ""));
    EXPECT_TRUE(PathLiesUnder("C:\\x.jpg", "C:\\"));
}

TEST(PathLiesUnder, JoinedUnsafePartsStayInside)
{
    // What the crawl does with parts from the web: made safe, they never leave the folder.
    const std::string Folder = "C:\\d\\Saved\\";
    for (const char* Part : {"..", "..\\..\\evil.jpg", "../x", "\\\\srv\\share", "C:\\Windows", ". .", "con"})
        EXPECT_TRUE(PathLiesUnder(Folder + SafePathPart(Part), Folder)) << Part;
}

// ---------------------------------------------------------------------------------------------
// Counters, versions, metrics, shut-down

TEST(NextQueueTicket, ConsecutiveAndUniqueAcrossThreads)
{
    const int32_t N = NextQueueTicket();
    EXPECT_EQ(NextQueueTicket(), N + 1);

    constexpr int Threads = 8, Each = 1000;
    std::vector<std::vector<int32_t>> Got(Threads);
    std::vector<std::thread> Workers;
    for (int W = 0; W < Threads; ++W)
        Workers.emplace_back([&, W] {
            for (int I = 0; I < Each; ++I)
                Got[W].push_back(NextQueueTicket());
        });
    for (auto& W : Workers)
        W.join();
    std::set<int32_t> All;
    for (const auto& G : Got)
        All.insert(G.begin(), G.end());
    ASSERT_EQ(All.size(), static_cast<size_t>(Threads * Each));
    EXPECT_EQ(*All.begin(), N + 2);
    EXPECT_EQ(*All.rbegin(), N + 1 + Threads * Each);
    EXPECT_EQ(NextQueueTicket(), N + 2 + Threads * Each);
}

TEST(SystemRoutines, WindowsVersionCodeOfTheRunningSystem)
{
    OSVERSIONINFOA V = {};
    V.dwOSVersionInfoSize = sizeof(V);
    ASSERT_TRUE(GetVersionExA(&V));
    EXPECT_EQ(GetWindowsVersionCode(), WindowsVersionCode(V.dwPlatformId, V.dwMajorVersion, V.dwMinorVersion));
}

TEST(SystemRoutines, ScrollBarWidth)
{
    EXPECT_EQ(GetScrollBarWidth(), GetSystemMetrics(SM_CXHSCROLL));
    EXPECT_GT(GetScrollBarWidth(), 0);
}

TEST(SystemRoutines, ShutDownGoesToTheTestLog)
{
    TestSupport::TTempFolder T;
    const std::string Log = T.File("seam.log");
    TEnvironmentScope Scope("QUILLMOOR_TEST_LOG", Log);
    // Without the seam the call would really switch the machine (or Wine) off.
    ASSERT_TRUE(TestSeams::Active());
    EXPECT_TRUE(ShutDownComputer());
    OSVERSIONINFOA V = {};
    V.dwOSVersionInfoSize = sizeof(V);
    ASSERT_TRUE(GetVersionExA(&V));
    const std::string Flags = V.dwPlatformId == VER_PLATFORM_WIN32_NT ? "8" : "1";
    EXPECT_EQ(ReadAll(Log), "shutdown\t" + Flags + "\r\n");
    EXPECT_EQ(Flags, "8"); // Wine reports an NT platform
    // Still running, and a second call adds one more line.
    EXPECT_TRUE(ShutDownComputer());
    EXPECT_EQ(ReadAll(Log), "shutdown\t8\r\nshutdown\t8\r\n");
}

TEST(ReserveUniqueFile, AHeldReservationKeepsItsNameUntilGivenUp)
{
    // The name stays with its reservation from the reservation to the final rename, also while
    // its partial file is briefly gone: nobody else in the program considers it meanwhile.
    TestSupport::TTempFolder T;
    TReservedFile A = ReserveUniqueFile(T.File("k.jpg"), PartialSuffix);
    ASSERT_EQ(A.FileName, T.File("k.jpg"));
    A.Stream.reset();
    ASSERT_TRUE(DeleteFileA(T.File("k.jpg!!wr").c_str()));
    TReservedFile B = ReserveUniqueFile(T.File("K.JPG"), PartialSuffix);
    EXPECT_EQ(ExtractFileName(B.FileName), "K[0].JPG");
    B.Stream.reset();
    // Given up: the name is free again.
    A = TReservedFile{};
    TReservedFile C = ReserveUniqueFile(T.File("k.jpg"), PartialSuffix);
    EXPECT_EQ(C.FileName, T.File("k.jpg"));
    C.Stream->WriteBuffer("c", 1);
    C.Stream.reset();
    // Finished under the claim: the next reservation finds the file, never a free name.
    EXPECT_EQ(FinishReservedFile(C.FileName, PartialSuffix), T.File("k.jpg"));
    C = TReservedFile{};
    TReservedFile D = ReserveUniqueFile(T.File("k.jpg"), PartialSuffix);
    EXPECT_EQ(ExtractFileName(D.FileName), "k[1].jpg"); // k[0] is still B's partial file
    D.Stream.reset();
    EXPECT_EQ(ReadAll(T.File("k.jpg")), "c");
}

// Files are made and renamed through names looked up as written; a name, or a leftover partial,
// taken in another case still counts as taken.
TEST(ReserveUniqueFile, NamesTakenInAnotherCaseArePassedOver)
{
    TestSupport::TTempFolder T;
    MakeFile(T.File("PIC.JPG"), "upper");
    MakeFile(T.File("Pic[0].Jpg!!wr"), "left over");
    TReservedFile R = ReserveUniqueFile(T.File("pic.jpg"), PartialSuffix);
    EXPECT_EQ(R.FileName, T.File("pic[1].jpg"));
    R.Stream->WriteBuffer("new", 3);
    R.Stream.reset();
    EXPECT_EQ(FinishReservedFile(R.FileName, PartialSuffix), T.File("pic[1].jpg"));
    R.Claim.reset();
    EXPECT_EQ(Entries(T.Path()), (std::vector<std::string>{"PIC.JPG", "Pic[0].Jpg!!wr", "pic[1].jpg"}));
    EXPECT_EQ(ReadAll(T.File("PIC.JPG")), "upper");
    EXPECT_EQ(ReadAll(T.File("pic[1].jpg")), "new");
}
