// Decode and encode times of TJpegGraphic and TPngGraphic on 12-megapixel pictures, measured
// in-process from memory streams, against the reference tools timed natively in the same run
// by reference.py (one process per file, median of 5). Prints one ratio per case
// (ours / reference).
//
// The reference tools are Linux programs: a Windows program under Wine can start them but gets
// no process handle to time or wait on, and Wine's start-up would be counted. So a Python
// helper times them natively and leaves its figures in a file; this program waits for it.

#include <windows.h>

#include <cstring>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "bench/support/BenchSupport.h"
#include "imagelib/ImageLib.h"
#include "imagelib/JpegGraphic.h"
#include "imagelib/PngGlue.h"
#include "imagelib/PngGraphic.h"
#include "platform/rtl/FileStream.h"
#include "platform/win/Application.h"

namespace {

void LoadFile(TMemoryStream& S, const std::string& Path) { S.LoadFromFile(Path); }

} // namespace

using Bench::Median;
using Bench::ReadReference;
using Bench::RemoveFolder;

int main()
{
    ApplicationInit();
    ImageLibInit();
    SetPngWarningsSilenced(true);
    const std::string Folder = Bench::MakeScratchFolder("qm_codec_bench_");
    int Result = 0;
    try {
        std::printf("making 12-megapixel plasma pictures and timing the reference tools...\n");
        std::fflush(stdout);
        const int Code = Bench::RunReference(CODEC_BENCH_PYTHON, CODEC_BENCH_DIR, Folder, 600000);
        if (Code != 0)
            throw Exception("reference.py failed with " + std::to_string(Code) + " (see its log)");
        auto Ref = ReadReference(Folder + "reference.txt");

        TMemoryStream Base, Prog, Png;
        LoadFile(Base, Folder + "base.jpg");
        LoadFile(Prog, Folder + "prog.jpg");
        LoadFile(Png, Folder + "plain.png");

        std::map<std::string, double> Ours;
        auto Decode = [](TDibGraphic& G, TMemoryStream& S) {
            S.SetPosition(0);
            G.LoadFromStream(&S);
        };
        TJpegGraphic J;
        Ours["jpeg_decode_baseline"] = Median([&] { Decode(J, Base); });
        Ours["jpeg_decode_progressive"] = Median([&] { Decode(J, Prog); });
        // What a fresh 12-megapixel picture costs before any decoding: its DIB section and the
        // first touch of its pages. The reference tools stream rows out and never pay it.
        {
            TDibGraphic X;
            const double Alloc = Median([&] {
                X.NewImage(4000, 3000, ifTrueColor);
                std::memset(X.ScanLine(2999), 1, size_t(X.BytesPerLine()) * 3000);
            });
            std::printf("picture allocation (NewImage and first touch): %.1f ms\n", Alloc * 1000);
        }
        TPngGraphic P;
        Ours["png_decode"] = Median([&] { Decode(P, Png); });
        std::printf("picture %d x %d\n", P.GetWidth(), P.GetHeight());

        // The same pixels the reference tools encode (the PNG is lossless).
        TJpegGraphic Source;
        Source.Assign(&P);
        TMemoryStream Out;
        auto Encode = [&](TDibGraphic& G) {
            Out.SetSize(0);
            G.SaveToStream(&Out);
        };
        Source.SetQuality(80);
        Ours["jpeg_encode_baseline"] = Median([&] { Encode(Source); });
        Source.SetProgressive(true);
        Ours["jpeg_encode_progressive"] = Median([&] { Encode(Source); });
        P.SetInterlaced(false);
        P.SetCompressionLevel(1); // zlib 5
        Ours["png_encode"] = Median([&] { Encode(P); });

        const double Start = Ref["process_start"];
        std::printf("reference process start: %.1f ms\n", Start * 1000);
        std::printf("%-26s %10s %10s %8s %8s\n", "case", "ours ms", "ref ms", "ratio", "target");
        const std::pair<const char*, double> Cases[] = {
            {"jpeg_decode_baseline", 1.15}, {"jpeg_decode_progressive", 1.15}, {"jpeg_encode_baseline", 1.15},
            {"jpeg_encode_progressive", 1.15}, {"png_decode", 1.15},          {"png_encode", 1.0}};
        for (const auto& [Name, Target] : Cases) {
            const double R = Ref[Name];
            const double Ratio = R > 0 ? Ours[Name] / R : 0;
            std::printf("%-26s %10.1f %10.1f %8.3f %8.2f%s\n", Name, Ours[Name] * 1000, R * 1000, Ratio, Target,
                        Ratio > Target ? "  over target" : "");
            if (R > 0 && Start / R > 0.05)
                std::printf("  note: process start is %.1f %% of this reference\n", 100 * Start / R);
        }
    } catch (const std::exception& E) {
        std::printf("bench_codec_jpeg_png failed: %s\n", E.what());
        Result = 1;
    }
    std::fflush(stdout);
    RemoveFolder(Folder);
    ImageLibDone();
    ApplicationDone();
    return Result;
}
