// Resampling time per filter, reducing a 3000 x 2000 true-colour picture to 1500 x 1000 and
// enlarging it to 4500 x 3000, against ImageMagick's convert with the matching filter in the
// same run.
//
// convert is a Linux program: Wine's "start /unix" launches it, but does not wait for it, so
// the bench writes a small shell script that times every convert run itself (reading the
// picture as MPC, one thread, writing null:) and leaves its figures in a file the bench polls
// for. Each convert figure has the same command without -resize subtracted, so process start
// and reading the cache count for neither side. Every figure is the best of three runs.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "imagelib/ImageLib.h"
#include "imagelib/ImgTransf.h"

namespace {

constexpr int Repeats = 3;
constexpr int32_t SourceWidth = 3000, SourceHeight = 2000;
const char* const OurNames[kResampleFilterCount] = {"Triangle", "Hermite", "Bell", "BSpline", "Lanczos3", "Mitchell"};
const char* const MagickNames[kResampleFilterCount] = {"Triangle", "Hermite", "Quadratic", "Spline", "Lanczos", "Mitchell"};
struct TDirection {
    const char* Name;
    int32_t Width, Height;
};
const TDirection Directions[] = {{"reduce", 1500, 1000}, {"enlarge", 4500, 3000}};

double Seconds()
{
    LARGE_INTEGER F, C;
    QueryPerformanceFrequency(&F);
    QueryPerformanceCounter(&C);
    return double(C.QuadPart) / double(F.QuadPart);
}

// Something with detail in every channel, so no filter meets a flat picture.
void MakeSource(TDibGraphic& G)
{
    G.NewImage(SourceWidth, SourceHeight, ifTrueColor, nullptr, 96, 96);
    uint32_t Seed = 12345;
    for (int32_t Y = 0; Y < SourceHeight; ++Y) {
        uint8_t* Row = G.ScanLine(Y);
        for (int32_t X = 0; X < SourceWidth; ++X) {
            Seed = Seed * 1103515245u + 12345u;
            Row[X * 3] = uint8_t(X * 255 / SourceWidth);
            Row[X * 3 + 1] = uint8_t(Y * 255 / SourceHeight);
            Row[X * 3 + 2] = uint8_t(((X / 40 + Y / 40) & 1) ? 220 - (Seed >> 28) : 30 + (Seed >> 28));
        }
    }
}

bool WritePpm(const TDibGraphic& G, const std::string& Path)
{
    std::ofstream F(Path, std::ios::binary);
    F << "P6\n" << G.GetWidth() << " " << G.GetHeight() << "\n255\n";
    std::string Row(size_t(G.GetWidth()) * 3, '\0');
    for (int32_t Y = 0; Y < G.GetHeight(); ++Y) {
        const uint8_t* P = G.ScanLine(Y);
        for (int32_t X = 0; X < G.GetWidth(); ++X) {
            Row[size_t(X) * 3] = char(P[X * 3 + 2]);
            Row[size_t(X) * 3 + 1] = char(P[X * 3 + 1]);
            Row[size_t(X) * 3 + 2] = char(P[X * 3]);
        }
        F.write(Row.data(), std::streamsize(Row.size()));
    }
    return bool(F);
}

// Seconds per convert run, keyed "filter direction"; empty when convert could not be run.
std::map<std::string, double> TimeConvert(const std::string& UnixDir, const std::string& WinDir)
{
    std::ostringstream S;
    S << "#!/bin/sh\n"
      << "cd '" << UnixDir << "' || exit 1\n"
      << "IM=/usr/bin/convert\n"
      << "[ -x $IM ] || { echo missing > done; exit 1; }\n"
      << "$IM source.ppm source.mpc || { echo failed > done; exit 1; }\n"
      << "best() { b=; for i in 1 2 3; do s=$(date +%s%N); \"$@\" || return 1; e=$(date +%s%N); t=$((e-s));"
      << " if [ -z \"$b\" ] || [ $t -lt $b ]; then b=$t; fi; done; echo $b; }\n"
      << "echo \"base $(best $IM -limit thread 1 source.mpc null:)\" > results.txt\n";
    for (int F = 0; F < kResampleFilterCount; ++F)
        for (const TDirection& D : Directions)
            S << "echo \"" << OurNames[F] << "_" << D.Name << " $(best $IM -limit thread 1 source.mpc -filter "
              << MagickNames[F] << " -resize " << D.Width << "x" << D.Height << "! null:)\" >> results.txt\n";
    S << "echo ok > done\n";
    {
        std::ofstream Script(WinDir + "\\run.sh", std::ios::binary);
        Script << S.str();
    }
    const std::string Command = "start.exe /unix /bin/sh " + UnixDir + "/run.sh";
    STARTUPINFOA Si{};
    Si.cb = sizeof(Si);
    PROCESS_INFORMATION Pi{};
    std::string Line = Command;
    if (!CreateProcessA(nullptr, Line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &Si, &Pi))
        return {};
    WaitForSingleObject(Pi.hProcess, INFINITE);
    CloseHandle(Pi.hThread);
    CloseHandle(Pi.hProcess);
    // start does not wait for a Linux program: poll for the script's last line.
    const std::string Done = WinDir + "\\done";
    for (int I = 0; I < 20 * 60 * 10 && GetFileAttributesA(Done.c_str()) == INVALID_FILE_ATTRIBUTES; ++I)
        Sleep(100);
    Sleep(100);
    std::ifstream Status(Done);
    std::string Word;
    Status >> Word;
    std::map<std::string, double> Result;
    if (Word != "ok")
        return Result;
    std::ifstream In(WinDir + "\\results.txt");
    std::string Key;
    long long Ns = 0;
    while (In >> Key >> Ns)
        Result[Key] = double(Ns) / 1e9;
    return Result;
}

} // namespace

int main()
{
    ImageLibInit();
    const std::string UnixDir = "/tmp/qm_bench_resize_" + std::to_string(GetCurrentProcessId());
    std::string WinDir = "Z:" + UnixDir;
    for (char& C : WinDir)
        if (C == '/')
            C = '\\';
    CreateDirectoryA(WinDir.c_str(), nullptr);

    TDibGraphic Source;
    MakeSource(Source);
    const bool Written = WritePpm(Source, WinDir + "\\source.ppm");

    // Ours first, alone on the machine.
    std::map<std::string, double> Ours;
    for (int F = 0; F < kResampleFilterCount; ++F)
        for (const TDirection& D : Directions) {
            TResizeTransform T;
            T.SetResample(true);
            T.SetFilter(uint8_t(F));
            T.SetNewWidth(D.Width);
            T.SetNewHeight(D.Height);
            double Best = 1e30;
            for (int R = 0; R < Repeats; ++R) {
                TDibGraphic Dest;
                const double A = Seconds();
                T.ApplyOnDest(&Source, &Dest);
                Best = std::min(Best, Seconds() - A);
            }
            Ours[std::string(OurNames[F]) + "_" + D.Name] = Best;
            std::printf("quillmoor %-9s %-8s %8.1f ms\n", OurNames[F], D.Name, Best * 1000);
            std::fflush(stdout);
        }

    const std::map<std::string, double> Magick = Written ? TimeConvert(UnixDir, WinDir) : std::map<std::string, double>{};
    if (Magick.empty() || !Magick.count("base")) {
        std::printf("reference: /usr/bin/convert could not be run; no ratios\n");
        ImageLibDone();
        return 1;
    }
    const double Base = Magick.at("base");
    std::printf("convert start-up and MPC read (subtracted): %.1f ms\n", Base * 1000);
    std::printf("%-9s %-8s %10s %10s %8s\n", "filter", "", "ours ms", "convert ms", "ratio");
    for (int F = 0; F < kResampleFilterCount; ++F)
        for (const TDirection& D : Directions) {
            const std::string Key = std::string(OurNames[F]) + "_" + D.Name;
            if (!Magick.count(Key))
                continue;
            const double Ref = std::max(Magick.at(Key) - Base, 1e-6);
            // Above 1: slower than ImageMagick.
            std::printf("%-9s %-8s %10.1f %10.1f %8.2f\n", OurNames[F], D.Name, Ours[Key] * 1000, Ref * 1000,
                        Ours[Key] / Ref);
        }
    for (const char* Name : {"\\source.ppm", "\\source.mpc", "\\source.cache", "\\run.sh", "\\results.txt", "\\done"})
        DeleteFileA((WinDir + Name).c_str());
    RemoveDirectoryA(WinDir.c_str());
    ImageLibDone();
    return 0;
}
