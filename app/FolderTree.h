#pragma once
// Removing a task folder with everything in it, through file-system calls a test can replace.

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

// One entry of a folder listing, for DeleteFolderTree.
struct TFolderEntry {
    std::string Name;
    DWORD Attributes = 0;
};

// The file-system calls of DeleteFolderTree; the default ones call Windows.
struct TFolderTreeOps {
    std::function<std::vector<TFolderEntry>(const std::string& Folder)> List;
    std::function<bool(const std::string& Path)> RemoveFile;
    std::function<bool(const std::string& Path)> RemoveDir;
    static TFolderTreeOps System();
};

// Removes every file and sub-folder of Path, depth first, then Path itself. A directory that is
// a reparse point (a junction or link) is removed as a link and never entered, so nothing outside
// the tree is deleted through it. On a failure: false, with Error "Delete file %s failed !" or
// "Delete directory %s failed !".
bool DeleteFolderTree(const std::string& Path, const TFolderTreeOps& Ops, std::string& Error);
