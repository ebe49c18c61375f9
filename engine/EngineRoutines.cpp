#include "engine/EngineRoutines.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <unordered_set>
#include <vector>

#include <windows.h>

#include "engine/CrawlProfile.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Files.h"
#include "platform/win/OSError.h"
#include "platform/win/TestSeams.h"

namespace {

// The candidates of UniqueFileName: the path itself (Index < 0), then base[N]ext.
class TCandidates {
public:
    explicit TCandidates(const std::string& Path) : FPath(Path)
    {
        FFolder = ExtractFilePath(Path);
        const std::string Name = ExtractFileName(Path);
        const size_t Dot = Name.find('.');
        if (Dot == std::string::npos) {
            FBase = Name;
        } else {
            FBase = Name.substr(0, Dot);
            FExt = ExtractFileExt(Name);
        }
    }
    std::string Get(int64_t Index) const
    {
        if (Index < 0)
            return FPath;
        return FFolder + FBase + "[" + IntToStr(Index) + "]" + FExt;
    }

private:
    std::string FPath, FFolder, FBase, FExt;
};

bool Taken(const std::string& Name)
{
    return EntryExists(Name) || EntryExists(Name + PartialSuffix);
}

// The names reserved by this process and not yet given up, in lower case.
std::mutex gClaimLock;
std::set<std::string> gClaims;

} // namespace

struct TReservedNameClaim {
    explicit TReservedNameClaim(std::string AKey) : Key(std::move(AKey)) {}
    ~TReservedNameClaim()
    {
        std::lock_guard<std::mutex> Guard(gClaimLock);
        gClaims.erase(Key);
    }
    TReservedNameClaim(const TReservedNameClaim&) = delete;
    TReservedNameClaim& operator=(const TReservedNameClaim&) = delete;
    std::string Key;
};

namespace {

// The name's claim, or null when another reservation holds it.
std::shared_ptr<TReservedNameClaim> ClaimName(const std::string& Name)
{
    std::string Key = LowerCase(Name);
    {
        std::lock_guard<std::mutex> Guard(gClaimLock);
        if (!gClaims.insert(Key).second)
            return nullptr;
    }
    return std::make_shared<TReservedNameClaim>(std::move(Key));
}

// The entry names of the folders reservations were made in, each listed at most two seconds
// ago, with the final names this process made there since, in lower case. Looking up a name
// that does not exist makes some systems search the whole folder, and a crawl saving thousands
// of pictures into one folder would do so for every picture; one listing serves every
// reservation of those seconds. A name another program takes after the listing is still never
// taken from it: the partial file is made with CREATE_NEW, and the final rename moves on to the
// next free name. A name freed meanwhile is only passed over until the next listing.
class TFolderListings {
    // A name is kept as a 64-bit hash of its lower-case form: a folder of a long crawl holds a
    // quarter of a million pictures, and its listing is kept and made again while they come. Two
    // names of one folder with the same hash would only make the second take the next name.
    static uint64_t Key(const std::string& LowerName)
    {
        uint64_t H = 14695981039346656037ull;
        for (unsigned char C : LowerName) {
            H ^= C;
            H *= 1099511628211ull;
        }
        return H;
    }

public:
    // Whether the listing of Name's folder holds Name; false with Known false when the folder
    // has no listing (it cannot be listed, or its first listing is still being made).
    bool Holds(const std::string& Name, bool& Known)
    {
        const std::string Folder = LowerCase(ExtractFilePath(Name));
        const uint64_t Entry = Key(LowerCase(ExtractFileName(Name)));
        std::unique_lock<std::mutex> Guard(FLock);
        TListing& L = Slot(Folder);
        const ULONGLONG Now = GetTickCount64();
        if (!L.Refreshing && (!L.Valid || Now - L.Made >= MaxAgeMs)) {
            // Listed without the lock: the others go on with the listing they have.
            L.Refreshing = true;
            L.Pending.clear();
            Guard.unlock();
            std::vector<uint64_t> Names;
            const bool Listed = List(Folder, Names);
            Guard.lock();
            const auto It = FFolders.find(Folder);
            if (It == FFolders.end()) {
                Known = Listed;
                return Listed && std::binary_search(Names.begin(), Names.end(), Entry);
            }
            TListing& M = It->second;
            M.Refreshing = false;
            if (Listed) {
                M.Names = std::move(Names);
                M.Added = std::unordered_set<uint64_t>(M.Pending.begin(), M.Pending.end());
                M.Made = Now;
                M.Valid = true;
            } else {
                M.Valid = false;
            }
            M.Pending.clear();
            Known = M.Valid;
            return Known && M.Holds(Entry);
        }
        Known = L.Valid;
        return Known && L.Holds(Entry);
    }
    // Adds a name this process made.
    void Add(const std::string& Name)
    {
        const std::string Folder = LowerCase(ExtractFilePath(Name));
        const uint64_t Entry = Key(LowerCase(ExtractFileName(Name)));
        std::lock_guard<std::mutex> Guard(FLock);
        const auto It = FFolders.find(Folder);
        if (It == FFolders.end())
            return;
        It->second.Added.insert(Entry);
        if (It->second.Refreshing)
            It->second.Pending.push_back(Entry); // the listing being made may predate it
    }

private:
    struct TListing {
        std::vector<uint64_t> Names;        // the listing, sorted
        std::unordered_set<uint64_t> Added; // made by this process since
        std::vector<uint64_t> Pending;      // made while the next listing is being read
        bool Holds(uint64_t Entry) const
        {
            return std::binary_search(Names.begin(), Names.end(), Entry) || Added.count(Entry) != 0;
        }
        ULONGLONG Made = 0;
        bool Valid = false;
        bool Refreshing = false;
    };
    static constexpr ULONGLONG MaxAgeMs = 2000;
    static constexpr size_t MaxFolders = 32;

    // The folder's entry, made when missing; the oldest idle entry goes when there are too many.
    TListing& Slot(const std::string& Folder)
    {
        auto It = FFolders.find(Folder);
        if (It != FFolders.end())
            return It->second;
        if (FFolders.size() >= MaxFolders) {
            auto Oldest = FFolders.end();
            for (auto J = FFolders.begin(); J != FFolders.end(); ++J)
                if (!J->second.Refreshing && (Oldest == FFolders.end() || J->second.Made < Oldest->second.Made))
                    Oldest = J;
            if (Oldest != FFolders.end())
                FFolders.erase(Oldest);
        }
        return FFolders[Folder];
    }

    static bool List(const std::string& Folder, std::vector<uint64_t>& Names)
    {
        WIN32_FIND_DATAA D;
        HANDLE H = FindFirstFileExA((Folder + "*").c_str(), FindExInfoStandard, &D, FindExSearchNameMatch, nullptr,
                                    FIND_FIRST_EX_LARGE_FETCH);
        if (H == INVALID_HANDLE_VALUE)
            return false;
        do {
            Names.push_back(Key(LowerCase(D.cFileName)));
            // A short name also opens its file.
            if (D.cAlternateFileName[0])
                Names.push_back(Key(LowerCase(D.cAlternateFileName)));
        } while (FindNextFileA(H, &D));
        FindClose(H);
        std::sort(Names.begin(), Names.end());
        Names.shrink_to_fit();
        return true;
    }

    std::mutex FLock;
    std::map<std::string, TListing> FFolders; // by lower-case folder with its trailing "\"
};

TFolderListings gListings;

// Whether a directory entry named Name exists, as the listing of its folder tells.
bool Listed(const std::string& Name)
{
    bool Known = false;
    const bool Held = gListings.Holds(Name, Known);
    return Known ? Held : EntryExists(Name);
}

bool FullPath(const std::string& Name, std::string& Full)
{
    if (Name.empty())
        return false;
    std::vector<char> Buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD N = GetFullPathNameA(Name.c_str(), static_cast<DWORD>(Buffer.size()), Buffer.data(), nullptr);
        if (N == 0)
            return false;
        if (N < Buffer.size()) {
            Full.assign(Buffer.data(), N);
            return true;
        }
        Buffer.resize(N + 1);
    }
}

bool RequestExit(UINT Flags)
{
    if (TestSeams::Active())
        return TestSeams::Log("shutdown", static_cast<uint32_t>(Flags));
    return ExitWindowsEx(Flags, 0) != FALSE;
}

std::atomic<int32_t> gQueueTicket{0};

} // namespace

std::string UniqueFileName(const std::string& Path)
{
    const TCandidates C(Path);
    for (int64_t N = -1;; ++N) {
        std::string Name = C.Get(N);
        if (!Taken(Name))
            return Name;
    }
}

TReservedFile ReserveUniqueFile(const std::string& Path, const std::string& Suffix)
{
    const TCandidates C(Path);
    for (int64_t N = -1;; ++N) {
        std::string Name = C.Get(N);
        std::shared_ptr<TReservedNameClaim> Claim = ClaimName(Name);
        if (!Claim)
            continue;
        // The partial is made through its name as written, which sees no file of that name in
        // another case: the listing, which ignores case, tells of those (a leftover partial too).
        if (Listed(Name) || Listed(Name + PartialSuffix) || (Suffix != PartialSuffix && Listed(Name + Suffix)))
            continue;
        // Made through the name as written: the listing has already told, ignoring case, that
        // the name is free.
        DWORD Error = 0;
        TCrawlTimer Creating(TCrawlStep::FileCreate);
        HANDLE F = CreateNewFileExact(Name + Suffix, Error);
        Creating.Stop();
        if (F != INVALID_HANDLE_VALUE) {
            auto Stream = std::make_unique<TFileStream>(Name + Suffix, static_cast<TFileHandle>(reinterpret_cast<intptr_t>(F)));
            if (Suffix.empty())
                gListings.Add(Name); // already its final name
            return TReservedFile{std::move(Name), std::move(Stream), std::move(Claim)};
        }
        // Made meanwhile by another process, or left from earlier (a folder gives "access
        // denied"): try the next.
        if (IsFileExistsError(Error) || EntryExists(Name + Suffix)) {
            if (Suffix.empty())
                gListings.Add(Name);
            continue;
        }
        throw EFCreateError(Format("Cannot create file '%s': %s", Name + Suffix, SysErrorMessage(Error)), Name + Suffix,
                            Error);
    }
}

std::string FinishReservedFile(const std::string& FileName, const std::string& Suffix)
{
    const std::string Temp = FileName + Suffix;
    if (RenameFileExact(Temp, FileName)) {
        gListings.Add(FileName);
        return FileName;
    }
    if (!EntryExists(Temp) || !EntryExists(FileName))
        return std::string(); // failed for another reason than a taken name
    for (int Attempt = 0; Attempt < 16; ++Attempt) {
        // The next free candidate, held by a partial file of its own until ours takes its name.
        TReservedFile R;
        try {
            R = ReserveUniqueFile(FileName, Suffix);
        } catch (const Exception&) {
            return std::string();
        }
        R.Stream.reset();
        const bool Renamed = RenameFileExact(Temp, R.FileName);
        DeleteFile(R.FileName + Suffix);
        // Taken or not, the name is now known: a listing made before another program took it
        // must not offer it again.
        gListings.Add(R.FileName);
        if (Renamed)
            return R.FileName;
        if (!EntryExists(Temp))
            return std::string();
    }
    return std::string();
}

std::string FinishReservedFile(const std::string& FileName, const std::string& Suffix,
                               std::unique_ptr<TFileStream>& Open)
{
    if (Open && RenameOpenFileExact(reinterpret_cast<HANDLE>(Open->GetHandle()), FileName)) {
        Open.reset();
        gListings.Add(FileName);
        return FileName;
    }
    Open.reset();
    return FinishReservedFile(FileName, Suffix);
}

bool PathLiesUnder(const std::string& Path, const std::string& Folder)
{
    std::string P, F;
    if (!FullPath(Path, P) || !FullPath(Folder, F))
        return false;
    F = AddTrailingBackslash(F);
    return P.size() > F.size() && SameText(std::string_view(P).substr(0, F.size()), F);
}

void DeleteFilesByMask(const std::string& Mask)
{
    const std::string Folder = ExtractFilePath(Mask);
    const std::string Pattern = ExtractFileName(Mask);
    std::vector<std::string> Names;
    TFindData D;
    if (FindFirst(Mask, faAnyFile, D) == 0) {
        do {
            // The system also matches short 8.3 names; only the real name may decide.
            if (MatchesMask(D.Name, Pattern))
                Names.push_back(D.Name);
        } while (FindNext(D) == 0);
        FindClose(D);
    }
    for (const std::string& N : Names)
        ::DeleteFileA((Folder + N).c_str());
}

int32_t NextQueueTicket()
{
    return gQueueTicket.fetch_add(1);
}

uint8_t GetWindowsVersionCode()
{
    OSVERSIONINFOA V = {};
    V.dwOSVersionInfoSize = sizeof(V);
    if (!GetVersionExA(&V))
        return 0;
    return WindowsVersionCode(V.dwPlatformId, V.dwMajorVersion, V.dwMinorVersion);
}

bool ShutDownComputer()
{
    OSVERSIONINFOA V = {};
    V.dwOSVersionInfoSize = sizeof(V);
    if (GetVersionExA(&V) && V.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return RequestExit(EWX_SHUTDOWN);

    // Every NT system needs the privilege before it may switch itself off.
    HANDLE Token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &Token))
        return false;
    TOKEN_PRIVILEGES Privileges = {};
    if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &Privileges.Privileges[0].Luid)) {
        CloseHandle(Token);
        return false;
    }
    Privileges.PrivilegeCount = 1;
    Privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(Token, FALSE, &Privileges, 0, nullptr, nullptr);
    CloseHandle(Token);
    return RequestExit(EWX_POWEROFF);
}

int32_t GetScrollBarWidth()
{
    return GetSystemMetrics(SM_CXHSCROLL);
}
