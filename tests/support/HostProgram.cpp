#include "tests/support/HostProgram.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace TestSupport {

namespace {

bool Exists(const std::string& Path) { return GetFileAttributesA(Path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadText(const std::string& Path)
{
    std::string Text;
    if (FILE* F = std::fopen(Path.c_str(), "rb")) {
        char Buffer[4096];
        size_t N;
        while ((N = std::fread(Buffer, 1, sizeof(Buffer), F)) > 0)
            Text.append(Buffer, N);
        std::fclose(F);
    }
    return Text;
}

} // namespace

std::string UnixPathOf(const std::string& WindowsPath)
{
    using TConvert = char*(CDECL*)(const WCHAR*);
    static auto Convert = reinterpret_cast<TConvert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!Convert)
        return WindowsPath;
    WCHAR Wide[MAX_PATH * 2];
    MultiByteToWideChar(CP_ACP, 0, WindowsPath.c_str(), -1, Wide, MAX_PATH * 2);
    char* Unix = Convert(Wide);
    if (!Unix)
        return WindowsPath;
    std::string Result = Unix;
    HeapFree(GetProcessHeap(), 0, Unix);
    return Result;
}

int RunHostCommand(const std::string& Command, const std::string& LogFile, const std::string& DoneFile,
                   uint32_t TimeoutMs, std::string* Log)
{
    DeleteFileA(DoneFile.c_str());
    const std::string Done = UnixPathOf(DoneFile);
    const std::string Shell = "/bin/sh -c \"" + Command + " > '" + UnixPathOf(LogFile) + "' 2>&1; echo $? > '" + Done +
                              ".tmp'; mv '" + Done + ".tmp' '" + Done + "'\"";
    STARTUPINFOA SI{};
    SI.cb = sizeof(SI);
    PROCESS_INFORMATION PI{};
    std::vector<char> Line(Shell.begin(), Shell.end());
    Line.push_back('\0');
    if (!CreateProcessA(nullptr, Line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &SI, &PI))
        return -2;
    if (PI.hProcess)
        CloseHandle(PI.hProcess);
    if (PI.hThread)
        CloseHandle(PI.hThread);
    for (uint32_t Waited = 0; Waited < TimeoutMs && !Exists(DoneFile); Waited += 50)
        Sleep(50);
    if (Log)
        *Log = ReadText(LogFile);
    if (!Exists(DoneFile))
        return -1;
    int Code = -3;
    if (std::sscanf(ReadText(DoneFile).c_str(), "%d", &Code) != 1)
        Code = -3;
    return Code;
}

} // namespace TestSupport
