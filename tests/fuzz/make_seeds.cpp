// Writes the seed corpora: make_seeds FOLDER [TARGET...] gives FOLDER/<target>/<seed> for the
// named targets, or for all of them.

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/Seeds.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER [TARGET...]\n");
        return 2;
    }
    std::vector<std::string> Names;
    for (int I = 2; I < argc; ++I)
        Names.push_back(argv[I]);
    if (Names.empty())
        Names = qmfuzz::SeededTargets();
    try {
        for (const std::string& Target : Names) {
            const auto Seeds = qmfuzz::MakeSeeds(Target);
            if (Seeds.empty()) {
                std::fprintf(stderr, "make_seeds: no seeds for %s\n", Target.c_str());
                return 1;
            }
            const std::filesystem::path Dir = std::filesystem::path(argv[1]) / Target;
            std::filesystem::create_directories(Dir);
            for (const auto& S : Seeds) {
                std::ofstream F(Dir / S.Name, std::ios::binary | std::ios::trunc);
                F.write(reinterpret_cast<const char*>(S.Bytes.data()), std::streamsize(S.Bytes.size()));
                if (!F) {
                    std::fprintf(stderr, "make_seeds: cannot write %s\n", (Dir / S.Name).string().c_str());
                    return 1;
                }
            }
            std::printf("%s: %zu seeds\n", Target.c_str(), Seeds.size());
        }
    } catch (const Exception& E) {
        std::fprintf(stderr, "make_seeds: %s\n", E.what());
        return 1;
    }
    return 0;
}
