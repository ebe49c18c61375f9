// TGif::LoadFromStream and GetBitmap(0) on a 12-megapixel 256-colour plasma GIF made by
// ImageMagick (fixed seed), plain and interlaced, against giflib's gif2rgb decoding the same
// files to raw RGB. The Linux tools are started through Wine's support for Unix programs.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "imagelib/Gif.h"
#include "imagelib/ImageLib.h"

namespace {

double Now()
{
    LARGE_INTEGER F, C;
    QueryPerformanceFrequency(&F);
    QueryPerformanceCounter(&C);
    return double(C.QuadPart) / double(F.QuadPart);
}

// Runs a shell command line of the host; -1 when it cannot be started.
int RunUnix(const std::string& Command)
{
    std::string Line = "Z:\\bin\\sh -c \"" + Command + "\"";
    STARTUPINFOA Si{};
    Si.cb = sizeof(Si);
    PROCESS_INFORMATION Pi{};
    if (!CreateProcessA(nullptr, Line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Si, &Pi))
        return -1;
    WaitForSingleObject(Pi.hProcess, INFINITE);
    DWORD Code = 1;
    GetExitCodeProcess(Pi.hProcess, &Code);
    CloseHandle(Pi.hThread);
    CloseHandle(Pi.hProcess);
    return static_cast<int>(Code);
}

bool Exists(const std::string& Name) { return GetFileAttributesA(Name.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Wine neither waits for a Unix program nor reports its exit code: the command leaves a marker
// file when it is done, and we poll for it (up to two minutes).
bool RunUnixAndWait(const std::string& Command, const std::string& Marker)
{
    DeleteFileA(("Z:" + Marker).c_str());
    if (RunUnix("( " + Command + " ); touch " + Marker) < 0)
        return false;
    for (int K = 0; K < 1200 && !Exists("Z:" + Marker); ++K)
        Sleep(100);
    return Exists("Z:" + Marker);
}

// The best of three gif2rgb runs in milliseconds, timed by the shell; negative when unavailable.
double ReferenceMs(const std::string& Dir, const std::string& File)
{
    const std::string Times = Dir + "/times.txt";
    const std::string Cmd = "command -v gif2rgb >/dev/null || exit; rm -f " + Times +
                            "; for i in 1 2 3; do s=$(date +%s%N); gif2rgb -1 -o " + Dir + "/out.rgb " + File +
                            " 2>/dev/null; e=$(date +%s%N); echo $(( (e - s) / 1000 )) >> " + Times + "; done";
    if (!RunUnixAndWait(Cmd, Dir + "/done") || !Exists("Z:" + Times))
        return -1;
    FILE* F = std::fopen(("Z:" + Times).c_str(), "r");
    if (!F)
        return -1;
    double Best = -1;
    long Us;
    while (std::fscanf(F, "%ld", &Us) == 1)
        if (Best < 0 || Us / 1000.0 < Best)
            Best = Us / 1000.0;
    std::fclose(F);
    return Best;
}

double BestOf(int Runs, const std::function<void()>& F)
{
    double Best = 1e9;
    for (int K = 0; K < Runs; ++K) {
        const double T0 = Now();
        F();
        Best = std::min(Best, Now() - T0);
    }
    return Best;
}

} // namespace

int main()
{
    ImageLibInit();
    const std::string Dir = "/tmp/qm-bench-gif";
    // Wine does not report a Unix program's exit code: the files tell.
    RunUnix("mkdir -p " + Dir);
    Sleep(500);
    RunUnixAndWait("cd " + Dir +
                   " && ( [ -s plain.gif ] || convert -seed 1 -size 4000x3000 plasma: -colors 256 -interlace none plain.gif )" +
                   " && ( [ -s interlaced.gif ] || convert plain.gif -interlace GIF interlaced.gif )",
                   Dir + "/made");
    if (!Exists("Z:" + Dir + "/plain.gif") || !Exists("Z:" + Dir + "/interlaced.gif")) {
        std::printf("gif: cannot make the test pictures with ImageMagick\n");
        return 1;
    }
    int Failures = 0;
    for (const char* Name : {"plain", "interlaced"}) {
        const std::string Unix = Dir + "/" + Name + ".gif";
        TMemoryStream File;
        File.LoadFromFile("Z:" + Unix);
        double Decode = 0, Bitmap = 0;
        int W = 0, H = 0;
        try {
            Decode = BestOf(3, [&] {
                TGif Gif;
                Gif.LoadFromStream(&File);
                W = Gif.GetWidth();
                H = Gif.GetHeight();
            });
            TGif Gif;
            Gif.LoadFromStream(&File);
            Bitmap = 1e9;
            for (int K = 0; K < 3; ++K) {
                TGif Copy; // a fresh image without its bitmap
                Copy.Assign(&Gif);
                const double T0 = Now();
                Copy.GetBitmap(0);
                Bitmap = std::min(Bitmap, Now() - T0);
            }
        } catch (const Exception& E) {
            std::printf("gif %s: %s\n", Name, E.what());
            ++Failures;
            continue;
        }
        const double Reference = ReferenceMs(Dir, Unix);
        const bool HaveReference = Reference > 0;
        std::printf("gif %-10s %dx%d  LoadFromStream %.1f ms  GetBitmap(0) %.1f ms", Name, W, H, Decode * 1000,
                    Bitmap * 1000);
        if (HaveReference)
            std::printf("  gif2rgb %.1f ms  ratio %.2f (ours / gif2rgb)\n", Reference, Decode * 1000 / Reference);
        else
            std::printf("  (gif2rgb missing: install giflib-tools)\n");
    }
    ImageLibDone();
    return Failures ? 1 : 0;
}
