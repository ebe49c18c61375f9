#include "engine/TaskRules.h"

#include "engine/EngineText.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"

namespace {

bool IsIPv4Literal(std::string_view Host)
{
    int Dots = 0, Digits = 0;
    for (char C : Host) {
        if (C == '.') {
            if (Digits == 0)
                return false;
            ++Dots;
            Digits = 0;
        } else if (C >= '0' && C <= '9') {
            if (++Digits > 3)
                return false;
        } else {
            return false;
        }
    }
    return Dots == 3 && Digits > 0;
}

int LabelCount(std::string_view Host)
{
    int N = 1;
    for (char C : Host)
        if (C == '.')
            ++N;
    return N;
}

} // namespace

bool LinkHostPasses(std::string_view StartHost, std::string_view LinkHost)
{
    const std::string Start = LowerCase(Trim(std::string(StartHost)));
    const std::string Link = LowerCase(Trim(std::string(LinkHost)));
    if (Start.empty() || Link.empty())
        return false;
    if (IsIPv4Literal(Start) || LabelCount(Start) <= 2)
        return Link == Start || DomainTail(Link) == Start;
    const std::string StartTail = DomainTail(Start);
    return !StartTail.empty() && DomainTail(Link) == StartTail;
}

bool HostInList(std::string_view Host, TStrings* List)
{
    if (!List)
        return false;
    const std::string H = Trim(std::string(Host));
    for (int32_t I = 0; I < List->GetCount(); ++I)
        if (SameText(Trim(List->GetStrings(I)), H))
            return true;
    return false;
}

void TransferProgressTexts(int64_t Length, int64_t Count, std::string& SizeText, std::string& PercentText)
{
    if (Length < 1) {
        SizeText = "---";
        PercentText = "---";
        return;
    }
    SizeText = std::to_string(Length);
    if (Count < 0)
        Count = 0;
    // Count * 100 in two steps, so no 64-bit product can overflow.
    const int64_t Whole = Count / Length, Part = Count % Length;
    int64_t Q = Whole * 100 + (Part * 100) / Length;
    // Remainder of Part * 100 / Length, compared with half of Length: exact for any Length.
    const int64_t R = Part * 100 % Length;
    if (R * 2 > Length || (R * 2 == Length && (Q & 1)))
        ++Q;
    PercentText = std::to_string(Q) + "%";
}
