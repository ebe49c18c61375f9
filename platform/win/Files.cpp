#include "platform/win/Files.h"

#include <shlobj.h>

#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

DWORD Attributes(const std::string& Name)
{
    return GetFileAttributesA(Name.c_str());
}

TDateTime FileTimeToDateTime(const FILETIME& FT)
{
    FILETIME Local;
    SYSTEMTIME ST;
    if (!FileTimeToLocalFileTime(&FT, &Local) || !FileTimeToSystemTime(&Local, &ST))
        return -1;
    TDateTime D, T;
    if (!TryEncodeDate(ST.wYear, ST.wMonth, ST.wDay, D) ||
        !TryEncodeTime(ST.wHour, ST.wMinute, ST.wSecond, ST.wMilliseconds, T))
        return -1;
    return ComposeDateTime(D, T);
}

bool Matches(const WIN32_FIND_DATAA& W, uint32_t ExcludeAttr)
{
    if (std::string_view(W.cFileName) == "." || std::string_view(W.cFileName) == "..")
        return false;
    return (W.dwFileAttributes & ExcludeAttr) == 0;
}

void Fill(const WIN32_FIND_DATAA& W, TFindData& Data)
{
    Data.Name = W.cFileName;
    Data.Attr = W.dwFileAttributes;
    Data.Size = (static_cast<int64_t>(W.nFileSizeHigh) << 32) | W.nFileSizeLow;
    Data.Time = FileTimeToDateTime(W.ftLastWriteTime);
}

std::string WithBackslash(std::string S)
{
    return S.empty() ? S : IncludeTrailingBackslash(S);
}

// Wine's kernel32 gives the Unix name of a path (a UTF-8 text the caller frees from the process
// heap); other systems lack the entry.
using TWineUnixFileName = char*(__cdecl*)(const wchar_t*);

TWineUnixFileName WineUnixFileName()
{
    static const TWineUnixFileName F = [] {
        HMODULE K = GetModuleHandleA("kernel32.dll");
        return K ? reinterpret_cast<TWineUnixFileName>(reinterpret_cast<void*>(GetProcAddress(K, "wine_get_unix_file_name")))
                 : nullptr;
    }();
    return F;
}

std::wstring Widen(const std::string& S, UINT CodePage)
{
    if (S.empty())
        return std::wstring();
    const int N = MultiByteToWideChar(CodePage, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
    if (N <= 0)
        return std::wstring();
    std::wstring W(static_cast<size_t>(N), L'\0');
    MultiByteToWideChar(CodePage, 0, S.data(), static_cast<int>(S.size()), W.data(), N);
    return W;
}

// The folders' names in Wine's Unix name space, by their names as given; a folder without one
// maps to "". Bounded: the crawl saves into a handful of folders.
class TExactFolders {
public:
    std::wstring Get(const std::string& Folder)
    {
        {
            std::lock_guard<std::mutex> G(FLock);
            auto It = FFolders.find(Folder);
            if (It != FFolders.end())
                return It->second;
        }
        std::wstring Exact;
        const std::wstring Wide = Widen(Folder, CP_ACP);
        if (!Wide.empty()) {
            if (char* Unix = WineUnixFileName()(Wide.c_str())) {
                std::string U = Unix;
                HeapFree(GetProcessHeap(), 0, Unix);
                while (U.size() > 1 && U.back() == '/')
                    U.pop_back();
                if (!U.empty() && U.front() == '/')
                    Exact = L"\\\\?\\unix" + Widen(U, CP_UTF8);
            }
        }
        std::lock_guard<std::mutex> G(FLock);
        if (FFolders.size() >= kMaxFolders)
            FFolders.clear();
        FFolders[Folder] = Exact;
        return Exact;
    }
    // A folder that was removed (and perhaps made again in another case) is looked up afresh.
    void Forget(const std::string& Folder)
    {
        std::lock_guard<std::mutex> G(FLock);
        FFolders.erase(Folder);
    }

private:
    static constexpr size_t kMaxFolders = 64;
    std::mutex FLock;
    std::unordered_map<std::string, std::wstring> FFolders;
};

TExactFolders gExactFolders;

// The name looked up as written, or "" when the plain name is to be used.
std::wstring ExactName(const std::string& FileName, std::string& Folder)
{
    const size_t Slash = FileName.find_last_of('\\');
    Folder.clear();
    if (!WineUnixFileName() || Slash == std::string::npos || Slash + 1 >= FileName.size())
        return std::wstring();
    const std::string Name = FileName.substr(Slash + 1);
    if (Name.find_first_of("/:") != std::string::npos)
        return std::wstring();
    Folder = FileName.substr(0, Slash + 1);
    const std::wstring Base = gExactFolders.Get(Folder);
    const std::wstring WideName = Widen(Name, CP_ACP);
    if (Base.empty() || WideName.empty())
        return std::wstring();
    return Base + L"/" + WideName;
}

constexpr DWORD kNewFileAccess = GENERIC_READ | GENERIC_WRITE;

HANDLE CreateNew(const wchar_t* Name)
{
    return CreateFileW(Name, kNewFileAccess, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

bool FileExists(const std::string& FileName)
{
    const DWORD A = Attributes(FileName);
    return A != INVALID_FILE_ATTRIBUTES && !(A & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& Name)
{
    const DWORD A = Attributes(Name);
    return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY);
}

bool EntryExists(const std::string& Name)
{
    return Attributes(Name) != INVALID_FILE_ATTRIBUTES;
}

bool CreateDir(const std::string& Dir)
{
    return CreateDirectoryA(Dir.c_str(), nullptr) != FALSE;
}

bool ForceDirectories(const std::string& Dir)
{
    const std::string D = ExcludeTrailingBackslash(Dir);
    if (D.empty())
        return false;
    if (DirectoryExists(D))
        return true;
    const std::string Parent = ExtractFileDir(D);
    // A root or a bare drive that does not exist cannot be made.
    if (Parent == D || Parent.empty())
        return CreateDir(D);
    if (!ForceDirectories(Parent))
        return false;
    return CreateDir(D) || DirectoryExists(D); // another thread may have made it meanwhile
}

bool RemoveDir(const std::string& Dir)
{
    return RemoveDirectoryA(Dir.c_str()) != FALSE;
}

bool DeleteFile(const std::string& FileName)
{
    return DeleteFileA(FileName.c_str()) != FALSE;
}

bool RenameFile(const std::string& OldName, const std::string& NewName)
{
    return MoveFileA(OldName.c_str(), NewName.c_str()) != FALSE;
}

HANDLE CreateNewFileExact(const std::string& FileName, DWORD& Error)
{
    std::string Folder;
    const std::wstring Exact = ExactName(FileName, Folder);
    if (!Exact.empty()) {
        HANDLE F = CreateNew(Exact.c_str());
        if (F != INVALID_HANDLE_VALUE)
            return F;
        Error = GetLastError();
        // A folder that is gone (Wine tells so as a file not found) is looked up afresh: it may
        // have been made again in another case.
        if (Error != ERROR_PATH_NOT_FOUND && Error != ERROR_FILE_NOT_FOUND)
            return INVALID_HANDLE_VALUE;
        gExactFolders.Forget(Folder);
    }
    HANDLE F = CreateFileA(FileName.c_str(), kNewFileAccess, FILE_SHARE_READ, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    Error = F == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    return F;
}

bool RenameFileExact(const std::string& OldName, const std::string& NewName)
{
    std::string OldFolder, NewFolder;
    const std::wstring Old = ExactName(OldName, OldFolder);
    const std::wstring New = ExactName(NewName, NewFolder);
    if (!Old.empty() && !New.empty()) {
        if (MoveFileW(Old.c_str(), New.c_str()))
            return true;
        if (GetLastError() != ERROR_PATH_NOT_FOUND && GetLastError() != ERROR_FILE_NOT_FOUND)
            return false;
        gExactFolders.Forget(OldFolder);
        gExactFolders.Forget(NewFolder);
    }
    return RenameFile(OldName, NewName);
}

// Wine renames through any handle of the file; the handle is not opened for deletion, which
// would keep others from reading the file while it is written.
bool RenameOpenFileExact(HANDLE File, const std::string& NewName)
{
    std::string Folder;
    const std::wstring New = ExactName(NewName, Folder);
    // "\\?\unix/..." in the system's own form, "\??\unix/...".
    if (New.size() < 5 || New.compare(0, 4, L"\\\\?\\") != 0)
        return false;
    const std::wstring Nt = L"\\??\\" + New.substr(4);
    const DWORD NameBytes = static_cast<DWORD>(Nt.size() * sizeof(wchar_t));
    std::vector<uint8_t> Buffer(sizeof(FILE_RENAME_INFO) + NameBytes);
    auto* Info = reinterpret_cast<FILE_RENAME_INFO*>(Buffer.data());
    Info->ReplaceIfExists = FALSE;
    Info->RootDirectory = nullptr;
    Info->FileNameLength = NameBytes;
    memcpy(Info->FileName, Nt.data(), NameBytes);
    if (SetFileInformationByHandle(File, FileRenameInfo, Info, static_cast<DWORD>(Buffer.size())))
        return true;
    if (GetLastError() == ERROR_PATH_NOT_FOUND || GetLastError() == ERROR_FILE_NOT_FOUND)
        gExactFolders.Forget(Folder);
    return false;
}

bool MoveFileReplace(const std::string& OldName, const std::string& NewName)
{
    return MoveFileExA(OldName.c_str(), NewName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
}

bool CopyFile(const std::string& Source, const std::string& Target, bool FailIfExists)
{
    return CopyFileA(Source.c_str(), Target.c_str(), FailIfExists ? TRUE : FALSE) != FALSE;
}

int64_t FileSize(const std::string& FileName)
{
    WIN32_FILE_ATTRIBUTE_DATA D;
    if (!GetFileAttributesExA(FileName.c_str(), GetFileExInfoStandard, &D) ||
        (D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return (static_cast<int64_t>(D.nFileSizeHigh) << 32) | D.nFileSizeLow;
}

TDateTime FileAge(const std::string& FileName)
{
    WIN32_FILE_ATTRIBUTE_DATA D;
    if (!GetFileAttributesExA(FileName.c_str(), GetFileExInfoStandard, &D) ||
        (D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return FileTimeToDateTime(D.ftLastWriteTime);
}

std::string ExpandFileName(const std::string& FileName)
{
    std::vector<char> Buffer(MAX_PATH);
    for (;;) {
        const DWORD N = GetFullPathNameA(FileName.c_str(), static_cast<DWORD>(Buffer.size()), Buffer.data(), nullptr);
        if (N == 0)
            return FileName;
        if (N < Buffer.size())
            return std::string(Buffer.data(), N);
        Buffer.resize(N + 1);
    }
}

std::string GetTempPath()
{
    char Buffer[MAX_PATH + 2];
    const DWORD N = GetTempPathA(sizeof(Buffer), Buffer);
    if (N == 0 || N >= sizeof(Buffer))
        return std::string();
    return WithBackslash(std::string(Buffer, N));
}

int32_t FindFirst(const std::string& Path, uint32_t Attr, TFindData& Data)
{
    // Normal entries always match; the special kinds only when asked for.
    Data.ExcludeAttr = ~Attr & (faHidden | faSysFile | faDirectory);
    WIN32_FIND_DATAA W;
    Data.FindHandle = FindFirstFileA(Path.c_str(), &W);
    if (Data.FindHandle == INVALID_HANDLE_VALUE)
        return static_cast<int32_t>(GetLastError());
    if (Matches(W, Data.ExcludeAttr)) {
        Fill(W, Data);
        return 0;
    }
    const int32_t R = FindNext(Data);
    if (R != 0)
        FindClose(Data);
    return R;
}

int32_t FindNext(TFindData& Data)
{
    if (Data.FindHandle == INVALID_HANDLE_VALUE)
        return ERROR_INVALID_HANDLE;
    WIN32_FIND_DATAA W;
    for (;;) {
        if (!FindNextFileA(Data.FindHandle, &W))
            return static_cast<int32_t>(GetLastError());
        if (Matches(W, Data.ExcludeAttr)) {
            Fill(W, Data);
            return 0;
        }
    }
}

void FindClose(TFindData& Data)
{
    if (Data.FindHandle != INVALID_HANDLE_VALUE) {
        ::FindClose(Data.FindHandle);
        Data.FindHandle = INVALID_HANDLE_VALUE;
    }
}

std::string ProgramFileName()
{
    std::vector<char> Buffer(MAX_PATH);
    for (;;) {
        const DWORD N = GetModuleFileNameA(nullptr, Buffer.data(), static_cast<DWORD>(Buffer.size()));
        if (N == 0)
            return std::string();
        if (N < Buffer.size())
            return std::string(Buffer.data(), N);
        Buffer.resize(Buffer.size() * 2);
    }
}

std::string ProgramFolder()
{
    return ExtractFilePath(ProgramFileName());
}

std::string WindowsFolder()
{
    char Buffer[MAX_PATH + 1];
    const UINT N = GetWindowsDirectoryA(Buffer, sizeof(Buffer));
    return N && N < sizeof(Buffer) ? WithBackslash(std::string(Buffer, N)) : std::string();
}

std::string SystemFolder()
{
    char Buffer[MAX_PATH + 1];
    const UINT N = GetSystemDirectoryA(Buffer, sizeof(Buffer));
    return N && N < sizeof(Buffer) ? WithBackslash(std::string(Buffer, N)) : std::string();
}

std::string SpecialFolderPath(int32_t Csidl, bool Create)
{
    char Buffer[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathA(nullptr, Buffer, Csidl, Create ? TRUE : FALSE))
        return std::string();
    return WithBackslash(Buffer);
}
