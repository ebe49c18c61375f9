#pragma once
// Files and folders over the Win32 "A" calls.

#include <cstdint>
#include <string>

#include <windows.h>
// Our own routines carry these names; the Win32 macros would rename them.
#undef DeleteFile
#undef CopyFile
#undef GetTempPath

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Paths.h"

// Attribute bits of TFindData::Attr and of FindFirst's filter.
constexpr uint32_t faReadOnly = 0x01;
constexpr uint32_t faHidden = 0x02;
constexpr uint32_t faSysFile = 0x04;
constexpr uint32_t faDirectory = 0x10;
constexpr uint32_t faArchive = 0x20;
constexpr uint32_t faAnyFile = 0x3F;

bool FileExists(const std::string& FileName);      // files only
bool DirectoryExists(const std::string& Name);     // folders only
bool EntryExists(const std::string& Name);         // either
bool CreateDir(const std::string& Dir);            // one level
bool ForceDirectories(const std::string& Dir);     // the whole chain; false when any level fails
bool RemoveDir(const std::string& Dir);            // an empty folder
bool DeleteFile(const std::string& FileName);
bool RenameFile(const std::string& OldName, const std::string& NewName); // MoveFileA
bool MoveFileReplace(const std::string& OldName, const std::string& NewName); // replacing a target
bool CopyFile(const std::string& Source, const std::string& Target, bool FailIfExists);

// Wine compares file names without regard to case, so every look-up of a name that does not
// exist (making a new file, the target of a rename) reads the whole folder: in a folder of
// thousands of files each costs milliseconds, more with every file. The two calls below look
// the new name up as written: under Wine through the folder's name in Wine's Unix name space,
// elsewhere (Windows keeps an index of each folder) through the name itself. A file whose name
// differs only in case is then not seen: the caller makes sure the name is free ignoring case.
// Neither ever replaces a file of the very same name.
// A new file, open for reading and writing and shared for reading only;
// INVALID_HANDLE_VALUE with the system's error code in Error when it cannot be made.
HANDLE CreateNewFileExact(const std::string& FileName, DWORD& Error);
// RenameFile to a new name looked up as written.
bool RenameFileExact(const std::string& OldName, const std::string& NewName);
// Gives a file made by CreateNewFileExact, still open through File, the new name looked up as
// written: one call to the system, where a rename by name opens the file again and closes it.
// False when the name is taken or the system cannot rename it so (outside Wine it does not
// try, since the handle lacks the right to delete); the file then keeps its name and stays open.
bool RenameOpenFileExact(HANDLE File, const std::string& NewName);
int64_t FileSize(const std::string& FileName);     // -1 when it is missing or not a file
// The last write time in local time; -1 when the file is missing.
TDateTime FileAge(const std::string& FileName);
std::string ExpandFileName(const std::string& FileName);
std::string GetTempPath(); // trailing "\"

// A search over a folder: FindFirst returns 0 and fills Data with the first match, or a system
// error code (ERROR_FILE_NOT_FOUND or ERROR_NO_MORE_FILES when nothing matches). Normal files
// always match; hidden, system and folder entries only when Attr holds those bits. "." and ".."
// are passed over. Every FindFirst that returned 0 needs its FindClose.
struct TFindData {
    std::string Name;
    uint32_t Attr = 0;
    int64_t Size = 0;
    TDateTime Time = 0; // last write, local time
    HANDLE FindHandle = INVALID_HANDLE_VALUE;
    uint32_t ExcludeAttr = 0;
};
int32_t FindFirst(const std::string& Path, uint32_t Attr, TFindData& Data);
int32_t FindNext(TFindData& Data);
void FindClose(TFindData& Data);

// Folders, each with a trailing "\".
std::string ProgramFileName();  // the running program's full name
std::string ProgramFolder();    // its folder
std::string WindowsFolder();
std::string SystemFolder();
// A shell folder by its CSIDL number (5: the personal documents folder), made when missing and
// Create is set; empty when the shell has none.
std::string SpecialFolderPath(int32_t Csidl, bool Create);
