#include "bench/support/DecodeBench.h"

#include <cstdio>

#include "bench/support/BenchSupport.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/SysUtils.h"

namespace Bench {

int RunDecodeBench(const TDecodeBench& Bench, const std::vector<TDecodeCase>& Cases)
{
    const std::string Folder = MakeScratchFolder(Bench.ScratchPrefix);
    int Result = 0;
    try {
        std::printf("making 12-megapixel plasma pictures and timing ImageMagick...\n");
        std::fflush(stdout);
        const int Code = RunReference(Bench.Python, Bench.ScriptDir, Folder, Bench.ReferenceTimeoutMs);
        if (Code != 0)
            throw Exception("reference.py failed with " + std::to_string(Code) + " (see its log)");
        const auto Ref = ReadReference(Folder + "reference.txt");
        std::printf("%-10s %10s %10s %8s %8s\n", "file", "ours ms", "ref ms", "ratio", "target");
        for (const TDecodeCase& C : Cases) {
            TMemoryStream S;
            S.LoadFromFile(Folder + C.File);
            auto G = C.Make();
            const double Ours = Median([&] {
                S.SetPosition(0);
                G->LoadFromStream(&S);
            });
            if (!C.Check(*G))
                throw Exception(std::string(C.Name) + ": " + Bench.WrongResult);
            const auto R = Ref.find(C.Name);
            const double RefTime = R == Ref.end() ? 0 : R->second;
            const double Ratio = RefTime > 0 ? Ours / RefTime : 0;
            std::printf("%-10s %10.1f %10.1f %8.3f %8.2f%s\n", C.Name, Ours * 1000, RefTime * 1000, Ratio, Bench.Target,
                        Ratio > Bench.Target ? "  over target" : "");
        }
    } catch (const std::exception& E) {
        std::printf("bench failed: %s\n", E.what());
        Result = 1;
    }
    RemoveFolder(Folder);
    return Result;
}

} // namespace Bench
