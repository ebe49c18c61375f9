#pragma once
// Shell helpers: the folder picker, a file's small shell icon and "open" through the shell.
//
// ShellOpen goes through the test seam: with QUILLMOOR_TEST_LOG set it only writes
// "shell<TAB>verb<TAB>file<TAB>parameters<TAB>show" there, since under Wine it would start
// programs of the host machine.

#include <memory>
#include <string>

#include <windows.h>

#include "platform/win/Icon.h"

// Shows the system folder picker (with its edit box) under Owner, the start folder selected.
// True with Folder set on OK; false on Cancel or when the choice is not a file-system folder.
bool BrowseForFolder(HWND Owner, const std::string& Title, const std::string& StartFolder, std::string& Folder);

// The 16 x 16 shell icon of a file, folder or (for a name that does not exist) of its
// extension. nullptr when the shell gives none.
std::unique_ptr<TIcon> ShellSmallIcon(const std::string& Path);

// ShellExecute: true when the shell took it (a result above 32).
bool ShellOpen(HWND Owner, const std::string& Verb, const std::string& File, const std::string& Parameters,
               const std::string& Folder, int Show);
