#include "engine/CrawlProfile.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

namespace {

constexpr int32_t kSteps = static_cast<int32_t>(TCrawlStep::Count);

const char* const kStepNames[kSteps] = {
    "worker hand-out", "client set-up", "page GET", "task mutex wait", "page scan and links",
    "page file", "name reservation", "partial file creation", "picture request out",
    "picture GET and write", "picture body written", "size and close", "rename",
    "images library step", "synchronised call wait", "end of an address, next taken", "UI: worker end and refill",
    "UI: log lines", "UI: saved row and log line", "UI: new link rows", "UI: progress and failed rows",
    "UI: ended addresses' rows"};

std::atomic<bool> gEnabled{false};
std::atomic<int64_t> gCounts[kSteps];
std::atomic<int64_t> gTicks[kSteps];
std::atomic<int64_t> gPictures{0};
std::atomic<int64_t> gPages{0};

int64_t Frequency()
{
    static const int64_t F = [] {
        LARGE_INTEGER L;
        return QueryPerformanceFrequency(&L) && L.QuadPart > 0 ? L.QuadPart : int64_t{1000};
    }();
    return F;
}

} // namespace

namespace CrawlProfile {

void SetEnabled(bool Value)
{
    gEnabled = Value;
}

bool Enabled()
{
    return gEnabled.load(std::memory_order_relaxed);
}

int64_t Now()
{
    LARGE_INTEGER L;
    QueryPerformanceCounter(&L);
    return L.QuadPart;
}

void Add(TCrawlStep Step, int64_t Ticks)
{
    const int32_t I = static_cast<int32_t>(Step);
    if (I < 0 || I >= kSteps)
        return;
    gCounts[I].fetch_add(1, std::memory_order_relaxed);
    gTicks[I].fetch_add(Ticks, std::memory_order_relaxed);
}

void CountPicture()
{
    if (Enabled())
        ++gPictures;
}

void CountPage()
{
    if (Enabled())
        ++gPages;
}

void Reset()
{
    for (int32_t I = 0; I < kSteps; ++I) {
        gCounts[I] = 0;
        gTicks[I] = 0;
    }
    gPictures = 0;
    gPages = 0;
}

std::string Json()
{
    std::string O = "{\"pictures\":" + std::to_string(gPictures.load()) + ",\"pages\":" + std::to_string(gPages.load()) +
                    ",\"steps\":[";
    for (int32_t I = 0; I < kSteps; ++I) {
        char Ms[32];
        std::snprintf(Ms, sizeof(Ms), "%.3f", static_cast<double>(gTicks[I].load()) * 1000.0 / Frequency());
        O += std::string(I ? "," : "") + "{\"name\":\"" + kStepNames[I] + "\",\"count\":" +
             std::to_string(gCounts[I].load()) + ",\"ms\":" + Ms + "}";
    }
    return O + "]}";
}

} // namespace CrawlProfile
