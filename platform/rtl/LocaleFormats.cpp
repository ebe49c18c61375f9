#include "platform/rtl/LocaleFormats.h"

#include <atomic>
#include <mutex>

#include "platform/rtl/SysUtils.h"

namespace {

// Function statics: other units may format text from their own static initialisers.
const TLocaleFormats& BuiltIn()
{
    static const TLocaleFormats Formats{};
    return Formats;
}

TLocaleFormats& Installed()
{
    static TLocaleFormats Formats;
    return Formats;
}

std::atomic<const TLocaleFormats*> gCurrent{nullptr};
std::mutex gInitLock;
bool gInitDone = false;

} // namespace

const TLocaleFormats& DefaultLocaleFormats()
{
    const TLocaleFormats* P = gCurrent.load(std::memory_order_acquire);
    return P ? *P : BuiltIn();
}

void InitDefaultLocaleFormats(const TLocaleFormats& Formats)
{
    std::lock_guard<std::mutex> Lock(gInitLock);
    if (gInitDone)
        throw EInvalidOperation("The default locale formats are already set");
    // Written before it is published, never changed after: readers need no lock.
    Installed() = Formats;
    gInitDone = true;
    gCurrent.store(&Installed(), std::memory_order_release);
}
