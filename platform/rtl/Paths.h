#pragma once
// File-name helpers. Separators are "\" and "/"; a drive ends with ":".

#include <cstdint>
#include <string>
#include <string_view>

std::string ExtractFileName(std::string_view FileName); // after the last separator or ":"
std::string ExtractFilePath(std::string_view FileName); // up to it, trailing "\" kept
std::string ExtractFileDir(std::string_view FileName);  // the same without it, except a root ("C:\", "\")
std::string ExtractFileDrive(std::string_view FileName); // "C:" or "\\server\share"; else ""
std::string ExtractFileExt(std::string_view FileName);  // from the last "." of the name, dot included
std::string ChangeFileExt(std::string_view FileName, std::string_view Extension);
std::string IncludeTrailingBackslash(std::string_view Path);
std::string ExcludeTrailingBackslash(std::string_view Path);
bool IsPathDelimiter(std::string_view S, int32_t Index); // 1-based index names "\" or "/"

// Folder + "\" + Name with exactly one backslash between them: the name's leading separators
// and the folder's doubled trailing backslashes go; an empty folder gives the bare name.
std::string JoinPath(std::string_view Folder, std::string_view Name);
