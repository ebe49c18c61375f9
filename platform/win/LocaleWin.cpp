#include "platform/win/LocaleWin.h"

#include <windows.h>

namespace {

bool IsLetter(char C)
{
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z');
}

void AppendLiteral(std::string& Out, std::string_view Text)
{
    if (Text.empty())
        return;
    const char Quote = Text.find('"') == std::string_view::npos ? '"' : '\'';
    Out += Quote;
    Out.append(Text);
    Out += Quote;
}

std::string Info(LCTYPE Type)
{
    char Buffer[256];
    const int N = GetLocaleInfoA(LOCALE_USER_DEFAULT, Type, Buffer, sizeof(Buffer));
    return N > 1 ? std::string(Buffer, static_cast<size_t>(N - 1)) : std::string();
}

void SetFrom(std::string& Target, LCTYPE Type)
{
    std::string S = Info(Type);
    if (!S.empty())
        Target = std::move(S);
}

void SetPattern(std::string& Target, LCTYPE Type)
{
    const std::string S = Info(Type);
    if (!S.empty())
        Target = WindowsPictureToPattern(S);
}

void SetChar(char& Target, LCTYPE Type)
{
    const std::string S = Info(Type);
    if (!S.empty())
        Target = S[0];
}

} // namespace

std::string WindowsPictureToPattern(std::string_view P)
{
    std::string Out;
    size_t I = 0;
    while (I < P.size()) {
        const char C = P[I];
        if (C == '\'') {
            // 'text' with '' standing for one quote.
            std::string Text;
            size_t J = I + 1;
            while (J < P.size()) {
                if (P[J] == '\'') {
                    if (J + 1 < P.size() && P[J + 1] == '\'') {
                        Text += '\'';
                        J += 2;
                        continue;
                    }
                    break;
                }
                Text += P[J++];
            }
            AppendLiteral(Out, Text);
            I = J < P.size() ? J + 1 : J;
            continue;
        }
        size_t Run = 1;
        while (I + Run < P.size() && P[I + Run] == C)
            ++Run;
        switch (C) {
        case 'd':
            Out.append(Run > 4 ? 4 : Run, 'd');
            break;
        case 'M':
            Out.append(Run > 4 ? 4 : Run, 'm');
            break;
        case 'y':
            Out += Run <= 2 ? "yy" : "yyyy";
            break;
        case 'h':
        case 'H':
            Out.append(Run > 2 ? 2 : Run, 'h');
            break;
        case 'm':
            Out.append(Run > 2 ? 2 : Run, 'n');
            break;
        case 's':
            Out.append(Run > 2 ? 2 : Run, 's');
            break;
        case 't':
            Out += "ampm";
            break;
        case 'g':
            // The era: not shown; a blank that followed it goes too.
            if (I + Run < P.size() && P[I + Run] == ' ')
                ++Run;
            break;
        default:
            if (IsLetter(C) || C == '"')
                AppendLiteral(Out, P.substr(I, Run));
            else
                Out.append(P.substr(I, Run));
            break;
        }
        I += Run;
    }
    return Out;
}

TLocaleFormats ReadUserLocaleFormats()
{
    TLocaleFormats F;
    SetPattern(F.ShortDateFormat, LOCALE_SSHORTDATE);
    SetPattern(F.LongDateFormat, LOCALE_SLONGDATE);
    SetPattern(F.LongTimeFormat, LOCALE_STIMEFORMAT);
    // The short time is the long one without its seconds.
    std::string Short = F.LongTimeFormat;
    for (const char* Seconds : {":ss", ":s", ".ss", ".s"}) {
        const size_t At = Short.find(Seconds);
        if (At != std::string::npos) {
            Short.erase(At, std::char_traits<char>::length(Seconds));
            break;
        }
    }
    F.ShortTimeFormat = Short;
    SetChar(F.DateSeparator, LOCALE_SDATE);
    SetChar(F.TimeSeparator, LOCALE_STIME);
    SetChar(F.DecimalSeparator, LOCALE_SDECIMAL);
    SetFrom(F.TimeAMString, LOCALE_S1159);
    SetFrom(F.TimePMString, LOCALE_S2359);
    for (int I = 0; I < 12; ++I) {
        SetFrom(F.ShortMonthNames[static_cast<size_t>(I)], LOCALE_SABBREVMONTHNAME1 + static_cast<LCTYPE>(I));
        SetFrom(F.LongMonthNames[static_cast<size_t>(I)], LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(I));
    }
    // Windows counts days from Monday (SDAYNAME1), the formats from Sunday.
    for (int I = 0; I < 7; ++I) {
        const size_t Slot = static_cast<size_t>((I + 1) % 7);
        SetFrom(F.ShortDayNames[Slot], LOCALE_SABBREVDAYNAME1 + static_cast<LCTYPE>(I));
        SetFrom(F.LongDayNames[Slot], LOCALE_SDAYNAME1 + static_cast<LCTYPE>(I));
    }
    return F;
}
