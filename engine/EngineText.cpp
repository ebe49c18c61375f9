#include "engine/EngineText.h"

#include "platform/net/Uri.h"
#include "platform/rtl/SysUtils.h"

namespace {

bool IsControl(char C)
{
    const auto B = static_cast<unsigned char>(C);
    return B < 32 || B == 127;
}

char Lower(char C)
{
    return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C;
}

bool IsBlankOrDot(char C)
{
    return C == ' ' || C == '.';
}

} // namespace

std::string AddTrailingBackslash(std::string_view Path)
{
    std::string Result(Path);
    if (!Result.empty() && Result.back() != '\\')
        Result += '\\';
    return Result;
}

void SplitMaskEntry(std::string_view Entry, std::string& First, std::string& Second)
{
    const size_t P = Entry.find(',');
    if (P == std::string_view::npos) {
        First.clear();
        Second.clear();
        return;
    }
    First = Trim(Entry.substr(0, P));
    Second = Trim(Entry.substr(P + 1));
}

std::string DomainTail(std::string_view Host)
{
    const size_t P = Host.find('.');
    if (P == std::string_view::npos)
        return std::string();
    return std::string(Host.substr(P + 1));
}

std::string HostOfURL(std::string_view Address)
{
    std::string A = LowerCase(Address);
    if (A.find("://") == std::string::npos)
        A = "http://" + A;
    return TUri(A).GetHost();
}

bool URLHasHost(std::string_view Address)
{
    return !TUri(Address).GetHost().empty();
}

bool IsDeviceName(std::string_view Name)
{
    static constexpr std::string_view Plain[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    for (std::string_view D : Plain)
        if (SameText(Name, D))
            return true;
    if (Name.size() != 4)
        return false;
    const std::string Stem = LowerCase(Name.substr(0, 3));
    if (Stem != "com" && Stem != "lpt")
        return false;
    // Windows also reserves the digit 0 and the superscripts 1, 2 and 3 of the Latin code page.
    const auto D = static_cast<unsigned char>(Name[3]);
    return (D >= '0' && D <= '9') || D == 0xB9 || D == 0xB2 || D == 0xB3;
}

bool ValidTaskName(std::string_view Name)
{
    static constexpr std::string_view Forbidden = "\"#$%&'*+,./:;<>?@\\^|";
    for (char C : Name)
        if (IsControl(C) || Forbidden.find(C) != std::string_view::npos)
            return false;
    return !IsDeviceName(Trim(Name));
}

std::string SafePathPart(std::string_view Text)
{
    static constexpr std::string_view Forbidden = "\\/:*?\"<>|";
    std::string S(Text);
    for (char& C : S)
        if (IsControl(C) || Forbidden.find(C) != std::string_view::npos)
            C = '_';

    // Cutting can uncover trailing dots or a device name, so the checks run again after it.
    for (;;) {
        while (!S.empty() && IsBlankOrDot(S.back()))
            S.pop_back();
        if (S.empty())
            return "_";
        if (IsDeviceName(Trim(std::string_view(S).substr(0, S.find('.')))))
            S.insert(S.begin(), '_');
        if (S.size() <= kMaxSafePathPart)
            return S;
        std::string Ext;
        const size_t Dot = S.rfind('.');
        if (Dot != std::string::npos && Dot > 0 && S.size() - Dot - 1 <= 16)
            Ext = S.substr(Dot);
        S = S.substr(0, kMaxSafePathPart - Ext.size()) + Ext;
    }
}

bool MatchesMask(std::string_view Name, std::string_view Mask)
{
    size_t N = 0, M = 0;
    size_t StarM = std::string_view::npos, StarN = 0;
    while (N < Name.size()) {
        if (M < Mask.size() && Mask[M] == '*') {
            StarM = M++;
            StarN = N;
        } else if (M < Mask.size() && (Mask[M] == '?' || Lower(Mask[M]) == Lower(Name[N]))) {
            ++M;
            ++N;
        } else if (StarM != std::string_view::npos) {
            M = StarM + 1;
            N = ++StarN;
        } else {
            return false;
        }
    }
    while (M < Mask.size() && Mask[M] == '*')
        ++M;
    return M == Mask.size();
}

uint8_t WindowsVersionCode(uint32_t PlatformId, uint32_t Major, uint32_t Minor)
{
    constexpr uint32_t Win9x = 1; // VER_PLATFORM_WIN32_WINDOWS
    if (PlatformId == Win9x)
        return Major > 4 || (Major == 4 && Minor > 0) ? 2 : 1;
    if (Major <= 4)
        return 3;
    if (Major == 5 && Minor == 0)
        return 4;
    if (Major == 5 && Minor == 1)
        return 5;
    return 0;
}

std::string UnitText(int32_t SchemeType)
{
    switch (SchemeType) {
    case 1:
        return "Hour(s)";
    case 2:
        return "Day(s)";
    case 3:
        return "Week(s)";
    case 4:
        return "month(s)";
    default:
        return std::string();
    }
}

std::string UnitForChoice(std::string_view Choice)
{
    if (Choice == "Every")
        return UnitText(1);
    if (Choice == "Daily")
        return UnitText(2);
    if (Choice == "Weekly")
        return UnitText(3);
    if (Choice == "Monthly")
        return UnitText(4);
    return std::string();
}

std::string SchemeDescription(int32_t SchemeType, int32_t SchemeCount, TDateTime StartDate, TDateTime StartTime,
                              const TLocaleFormats& Formats)
{
    if (SchemeType == 0)
        return std::string();
    try {
        return Format("All project will start every %d %s, From %s, %s", SchemeCount, UnitText(SchemeType),
                      DateToStr(StartDate, Formats), TimeToStr(StartTime, Formats));
    } catch (const Exception&) {
        return std::string();
    }
}

std::string SchemeDescription(int32_t SchemeType, int32_t SchemeCount, TDateTime StartDate, TDateTime StartTime)
{
    return SchemeDescription(SchemeType, SchemeCount, StartDate, StartTime, DefaultLocaleFormats());
}
