// Decode times of TTiffGraphic on 12-megapixel plasma pictures (Packbits and ZLib true colour,
// Group 4 black and white, JPEG true colour), in-process from memory streams, against
// ImageMagick's "convert FILE null:" timed natively by reference.py in the same run (one process
// per file, median of 5). Prints one ratio per file (ours / reference; the target is at most 1).
//
// A Windows program under Wine gets no usable handle on a Linux child, so the helper leaves its
// figures in a file and a marker this program waits for.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "imagelib/ImageLib.h"
#include "imagelib/TiffGraphic.h"
#include "platform/win/Application.h"

namespace {

constexpr int Rounds = 5;

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

double Median(const std::function<void()>& Work)
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

std::string UnixPathOf(const std::string& WindowsPath)
{
    using TConvert = char*(CDECL*)(const WCHAR*);
    auto Convert = reinterpret_cast<TConvert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!Convert)
        return WindowsPath;
    WCHAR Wide[MAX_PATH * 2];
    MultiByteToWideChar(CP_ACP, 0, WindowsPath.c_str(), -1, Wide, MAX_PATH * 2);
    char* Unix = Convert(Wide);
    if (!Unix)
        return WindowsPath;
    std::string R = Unix;
    HeapFree(GetProcessHeap(), 0, Unix);
    return R;
}

bool Exists(const std::string& P) { return GetFileAttributesA(P.c_str()) != INVALID_FILE_ATTRIBUTES; }

int RunReference(const std::string& Folder)
{
    const std::string Done = Folder + "reference.done";
    const std::string Command = "/bin/sh -c \"" TIFF_BENCH_PYTHON " '" TIFF_BENCH_DIR "/reference.py' '" +
                                UnixPathOf(Folder) + "' > '" + UnixPathOf(Folder + "reference.log") +
                                "' 2>&1; echo $? > '" + UnixPathOf(Done) + ".tmp'; mv '" + UnixPathOf(Done) +
                                ".tmp' '" + UnixPathOf(Done) + "'\"";
    STARTUPINFOA SI{};
    SI.cb = sizeof(SI);
    PROCESS_INFORMATION PI{};
    std::vector<char> Line(Command.begin(), Command.end());
    Line.push_back('\0');
    if (!CreateProcessA(nullptr, Line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &SI, &PI))
        return -2;
    if (PI.hProcess)
        CloseHandle(PI.hProcess);
    if (PI.hThread)
        CloseHandle(PI.hThread);
    for (int I = 0; I < 20 * 900 && !Exists(Done); ++I)
        Sleep(50);
    if (!Exists(Done))
        return -1;
    FILE* F = std::fopen(Done.c_str(), "r");
    int Code = -3;
    if (F) {
        if (std::fscanf(F, "%d", &Code) != 1)
            Code = -3;
        std::fclose(F);
    }
    return Code;
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

} // namespace

int main()
{
    ApplicationInit();
    ImageLibInit();
    char Temp[MAX_PATH];
    GetTempPathA(MAX_PATH, Temp);
    const std::string Folder = std::string(Temp) + "qm_tiff_bench_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(Folder.c_str(), nullptr);
    int Result = 0;
    try {
        std::printf("making 12-megapixel plasma pictures and timing ImageMagick...\n");
        std::fflush(stdout);
        const int Code = RunReference(Folder);
        if (Code != 0)
            throw Exception("reference.py failed with " + std::to_string(Code) + " (see its log)");
        const auto Ref = ReadReference(Folder + "reference.txt");
        struct TCase {
            const char* Name;
            const char* File;
            ImageFormat Format;
        };
        const TCase Cases[] = {
            {"packbits", "packbits.tif", ifTrueColor},
            {"zlib", "zlib.tif", ifTrueColor},
            {"g4", "g4.tif", ifBlackWhite},
            {"jpeg", "jpeg.tif", ifTrueColor},
        };
        std::printf("%-10s %10s %10s %8s %8s\n", "file", "ours ms", "ref ms", "ratio", "target");
        for (const TCase& C : Cases) {
            TMemoryStream S;
            S.LoadFromFile(Folder + C.File);
            TTiffGraphic G;
            const double Ours = Median([&] {
                S.SetPosition(0);
                G.LoadFromStream(&S);
            });
            if (G.GetWidth() != 4000 || G.GetHeight() != 3000 || G.GetImageFormat() != C.Format)
                throw Exception(std::string(C.Name) + ": wrong size or format");
            const auto R = Ref.find(C.Name);
            const double RefTime = R == Ref.end() ? 0 : R->second;
            const double Ratio = RefTime > 0 ? Ours / RefTime : 0;
            std::printf("%-10s %10.1f %10.1f %8.3f %8.2f%s\n", C.Name, Ours * 1000, RefTime * 1000, Ratio, 1.0,
                        Ratio > 1.0 ? "  over target" : "");
        }
    } catch (const std::exception& E) {
        std::printf("bench failed: %s\n", E.what());
        Result = 1;
    }
    RemoveFolder(Folder);
    ImageLibDone();
    return Result;
}
