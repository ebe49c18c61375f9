#include "engine/EngineRoutines.h"

#include <atomic>
#include <mutex>
#include <set>
#include <vector>

#include <windows.h>

#include "platform/rtl/Paths.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Files.h"
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

std::atomic<int32_t> QueueTicket{0};

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
        // Every look-up of a name that does not exist is a search of the whole folder on some
        // systems: the partial file's own name is tested by creating it, not beforehand.
        if (EntryExists(Name))
            continue;
        if (Suffix != PartialSuffix && (EntryExists(Name + PartialSuffix) || EntryExists(Name + Suffix)))
            continue;
        try {
            auto Stream = std::make_unique<TFileStream>(Name + Suffix, fmCreateNew | fmShareDenyWrite);
            return TReservedFile{std::move(Name), std::move(Stream), std::move(Claim)};
        } catch (const EFCreateError& E) {
            // Made meanwhile by another process, or left from earlier (a folder gives "access
            // denied"): try the next.
            if (IsFileExistsError(E.GetErrorCode()) || EntryExists(Name + Suffix))
                continue;
            throw;
        }
    }
}

std::string FinishReservedFile(const std::string& FileName, const std::string& Suffix)
{
    const std::string Temp = FileName + Suffix;
    if (RenameFile(Temp, FileName))
        return FileName;
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
        const bool Renamed = RenameFile(Temp, R.FileName);
        DeleteFile(R.FileName + Suffix);
        if (Renamed)
            return R.FileName;
        if (!EntryExists(Temp))
            return std::string();
    }
    return std::string();
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
    return QueueTicket.fetch_add(1);
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
