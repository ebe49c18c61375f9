// The engine's text routines over names and addresses from the web and imported tasks. The
// first byte chooses the routine; masks take the text after the first NUL as the mask.

#include "engine/EngineText.h"
#include "tests/fuzz/FuzzTarget.h"

QM_FUZZ_TARGET(enginetext)
{
    if (Size < 1)
        return 0;
    const std::string_view Text = qmfuzz::TextOf(Data + 1, Size - 1);
    try {
        switch (Data[0] % 5) {
        case 0: {
            const std::string Safe = SafePathPart(Text);
            QM_FUZZ_CHECK(Safe.size() <= kMaxSafePathPart);
            // A safe part is left alone.
            QM_FUZZ_CHECK(SafePathPart(Safe) == Safe);
            for (const char C : Safe)
                QM_FUZZ_CHECK(static_cast<unsigned char>(C) >= 32 && std::string_view("\\/:*?\"<>|").find(C) == std::string_view::npos);
            QM_FUZZ_CHECK(Safe != "." && Safe != "..");
            QM_FUZZ_CHECK(Safe.empty() || (Safe.back() != '.' && Safe.back() != ' '));
            break;
        }
        case 1: {
            const size_t Nul = Text.find('\0');
            const std::string_view Name = Text.substr(0, Nul);
            const std::string_view Mask = Nul == std::string_view::npos ? std::string_view("*") : Text.substr(Nul + 1);
            MatchesMask(Name, Mask);
            QM_FUZZ_CHECK(MatchesMask(Name, "*"));
            QM_FUZZ_CHECK(MatchesMask(Name, Name) || Name.find_first_of("*?") != std::string_view::npos);
            break;
        }
        case 2:
            HostOfURL(Text);
            URLHasHost(Text);
            DomainTail(Text);
            break;
        case 3: {
            std::string First, Second;
            SplitMaskEntry(Text, First, Second);
            AddTrailingBackslash(Text);
            break;
        }
        case 4:
            if (ValidTaskName(Text))
                QM_FUZZ_CHECK(!IsDeviceName(Text));
            break;
        }
    } catch (const Exception&) {
    }
    return 0;
}
