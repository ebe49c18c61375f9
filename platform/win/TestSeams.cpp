#include "platform/win/TestSeams.h"

#include <mutex>

#include <windows.h>

namespace {

std::mutex gLogLock;

std::string Variable(const char* Name)
{
    char Small[512];
    const DWORD N = GetEnvironmentVariableA(Name, Small, sizeof(Small));
    if (N == 0)
        return std::string();
    if (N < sizeof(Small))
        return std::string(Small, N);
    std::string Big(N, '\0');
    const DWORD M = GetEnvironmentVariableA(Name, Big.data(), N);
    Big.resize(M < N ? M : 0);
    return Big;
}

std::string OneLine(std::string S)
{
    for (char& C : S)
        if (C == '\t' || C == '\r' || C == '\n')
            C = ' ';
    return S;
}

} // namespace

namespace TestSeams {

bool Active()
{
    return !Variable("QUILLMOOR_TEST_LOG").empty();
}

bool LogFields(const std::string& Kind, const std::vector<std::string>& Fields)
{
    const std::string FileName = Variable("QUILLMOOR_TEST_LOG");
    if (FileName.empty())
        return false;
    std::string Line = OneLine(Kind);
    for (const std::string& F : Fields)
        Line += '\t' + OneLine(F);
    Line += "\r\n";
    std::lock_guard<std::mutex> Lock(gLogLock);
    HANDLE H = CreateFileA(FileName.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (H == INVALID_HANDLE_VALUE)
        return false;
    DWORD Written = 0;
    const bool Ok = WriteFile(H, Line.data(), static_cast<DWORD>(Line.size()), &Written, nullptr) &&
                    Written == Line.size();
    CloseHandle(H);
    return Ok;
}

std::string ImportBase()
{
    return Variable("QUILLMOOR_IMPORT_BASE");
}

} // namespace TestSeams
