#include "app/FolderTree.h"

#include "platform/rtl/Paths.h"
#include "platform/rtl/SysUtils.h"

TFolderTreeOps TFolderTreeOps::System()
{
    TFolderTreeOps Ops;
    Ops.List = [](const std::string& Folder) {
        std::vector<TFolderEntry> Entries;
        WIN32_FIND_DATAA D;
        HANDLE H = FindFirstFileA(JoinPath(Folder, "*.*").c_str(), &D);
        if (H == INVALID_HANDLE_VALUE)
            return Entries;
        do {
            const std::string Name = D.cFileName;
            if (Name != "." && Name != "..")
                Entries.push_back({Name, D.dwFileAttributes});
        } while (FindNextFileA(H, &D));
        FindClose(H);
        return Entries;
    };
    Ops.RemoveFile = [](const std::string& Path) {
        const DWORD A = GetFileAttributesA(Path.c_str());
        if (A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesA(Path.c_str(), A & ~FILE_ATTRIBUTE_READONLY);
        return DeleteFileA(Path.c_str()) != 0;
    };
    Ops.RemoveDir = [](const std::string& Path) { return RemoveDirectoryA(Path.c_str()) != 0; };
    return Ops;
}

bool DeleteFolderTree(const std::string& Path, const TFolderTreeOps& Ops, std::string& Error)
{
    const std::string Folder = ExcludeTrailingBackslash(Path);
    for (const TFolderEntry& E : Ops.List(Folder)) {
        const std::string Full = JoinPath(Folder, E.Name);
        if (E.Attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (E.Attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                // A link: removed as a link, never entered.
                if (!Ops.RemoveDir(Full)) {
                    Error = Format("Delete directory %s failed !", Full);
                    return false;
                }
            } else if (!DeleteFolderTree(Full, Ops, Error)) {
                return false;
            }
        } else if (!Ops.RemoveFile(Full)) {
            Error = Format("Delete file %s failed !", Full);
            return false;
        }
    }
    if (!Ops.RemoveDir(Folder)) {
        Error = Format("Delete directory %s failed !", Folder);
        return false;
    }
    return true;
}
