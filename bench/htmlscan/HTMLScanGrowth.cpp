// How the page scanner's time grows with the page: the median time to scan pages of 512 KB and of
// 2 MB of links and pictures, and the ratio of the two (about 4 when the scan is linear, 16 when
// quadratic); the same for a page of one endless tag of stray quotes and keywords.
#include <cstdio>
#include <string>

#include "bench/support/BenchSupport.h"
#include "engine/HTMLScan.h"

namespace {

std::string Links(size_t Bytes)
{
    std::string P;
    int I = 0;
    while (P.size() < Bytes)
        P += "<a href=p" + std::to_string(I++) + ".html><img src=../i.jpg alt=\"x y\">text ";
    return P;
}

std::string OneTag(size_t Bytes)
{
    std::string P = "<";
    while (P.size() < Bytes)
        P += "srcsrc hrefhref= \"'\" ";
    return P + ">";
}

double ScanSeconds(const std::string& Page)
{
    return Bench::Median([&] {
        THTMLScan S;
        S.SetMainURL("http://h/d/");
        S.SetText(Page);
    });
}

void Report(const char* What, const std::string& Small, const std::string& Large)
{
    const double TSmall = ScanSeconds(Small), TLarge = ScanSeconds(Large);
    std::printf("htmlscan: %s: %zu bytes %.3f s, %zu bytes %.3f s, ratio %.2f for %.1f times the text\n", What,
                Small.size(), TSmall, Large.size(), TLarge, TSmall > 0 ? TLarge / TSmall : 0.0,
                double(Large.size()) / double(Small.size()));
}

} // namespace

int main()
{
    Report("links", Links(512 * 1024), Links(2 * 1024 * 1024));
    Report("one tag", OneTag(512 * 1024), OneTag(2 * 1024 * 1024));
    return 0;
}
