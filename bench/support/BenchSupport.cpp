#include "bench/support/BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tests/support/HostProgram.h"

namespace Bench {

double Seconds()
{
    static LARGE_INTEGER Freq = [] {
        LARGE_INTEGER F;
        QueryPerformanceFrequency(&F);
        return F;
    }();
    LARGE_INTEGER C;
    QueryPerformanceCounter(&C);
    return double(C.QuadPart) / double(Freq.QuadPart);
}

double Median(const std::function<void()>& Work, int Rounds)
{
    std::vector<double> T;
    for (int I = 0; I < Rounds; ++I) {
        const double S = Seconds();
        Work();
        T.push_back(Seconds() - S);
    }
    std::sort(T.begin(), T.end());
    return T[T.size() / 2];
}

std::string MakeScratchFolder(const std::string& Prefix)
{
    char Temp[MAX_PATH];
    GetTempPathA(MAX_PATH, Temp);
    const std::string Folder = std::string(Temp) + Prefix + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(Folder.c_str(), nullptr);
    return Folder;
}

void RemoveFolder(const std::string& Folder)
{
    WIN32_FIND_DATAA D;
    HANDLE H = FindFirstFileA((Folder + "*").c_str(), &D);
    if (H != INVALID_HANDLE_VALUE) {
        do {
            if (!(D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((Folder + D.cFileName).c_str());
        } while (FindNextFileA(H, &D));
        FindClose(H);
    }
    RemoveDirectoryA(Folder.c_str());
}

int RunReference(const std::string& Python, const std::string& ScriptDir, const std::string& Folder,
                 uint32_t TimeoutMs)
{
    return TestSupport::RunHostCommand(Python + " '" + ScriptDir + "/reference.py' '" +
                                           TestSupport::UnixPathOf(Folder) + "'",
                                       Folder + "reference.log", Folder + "reference.done", TimeoutMs);
}

std::map<std::string, double> ReadReference(const std::string& Path)
{
    std::map<std::string, double> R;
    FILE* F = std::fopen(Path.c_str(), "r");
    if (!F)
        return R;
    char Name[64];
    double V;
    while (std::fscanf(F, "%63s %lf", Name, &V) == 2)
        R[Name] = V;
    std::fclose(F);
    return R;
}

} // namespace Bench
