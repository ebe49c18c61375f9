#include "platform/rtl/DateUtils.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace {

// Day number of 1899-12-30 counted from 1970-01-01.
constexpr int64_t kEpochShift = 25569;
constexpr double kMinDateTime = -693594.0; // exclusive: before 0001-01-01
constexpr double kMaxDateTime = 2958466.0; // exclusive: after 9999-12-31

void CivilFromDays(int64_t Z, int64_t& Y, int64_t& M, int64_t& D)
{
    Z += 719468;
    const int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
    const int64_t Doe = Z - Era * 146097;
    const int64_t Yoe = (Doe - Doe / 1460 + Doe / 36524 - Doe / 146096) / 365;
    const int64_t Doy = Doe - (365 * Yoe + Yoe / 4 - Yoe / 100);
    const int64_t Mp = (5 * Doy + 2) / 153;
    D = Doy - (153 * Mp + 2) / 5 + 1;
    M = Mp < 10 ? Mp + 3 : Mp - 9;
    Y = Yoe + Era * 400 + (M <= 2);
}

// Splits a value into its day number and the milliseconds of its time of day.
void SplitDateTime(TDateTime Value, int64_t& Days, int64_t& MSecs)
{
    if (!(Value > kMinDateTime && Value < kMaxDateTime))
        throw EConvertError("Invalid date value");
    const double Whole = std::trunc(Value);
    Days = static_cast<int64_t>(Whole);
    MSecs = std::llround(std::fabs(Value - Whole) * MSecsPerDay);
    if (MSecs >= MSecsPerDay) {
        MSecs = 0;
        Days += Value < 0 ? -1 : 1;
    }
}

struct TParts {
    int64_t Year, Month, Day, Hour, Min, Sec, MSec, DayOfWeek; // DayOfWeek 0 = Sunday
};

TParts Decompose(TDateTime Value)
{
    int64_t Days = 0;
    int64_t MSecs = 0;
    SplitDateTime(Value, Days, MSecs);
    TParts P{};
    CivilFromDays(Days - kEpochShift, P.Year, P.Month, P.Day);
    P.Hour = MSecs / 3600000;
    P.Min = MSecs / 60000 % 60;
    P.Sec = MSecs / 1000 % 60;
    P.MSec = MSecs % 1000;
    P.DayOfWeek = ((Days - 1) % 7 + 7) % 7; // day 0 was a Saturday
    return P;
}

std::string Pad(int64_t V, size_t Width)
{
    std::string S = std::to_string(V);
    if (S.size() < Width)
        S.insert(0, Width - S.size(), '0');
    return S;
}

char Lower(char C)
{
    return (C >= 'A' && C <= 'Z') ? char(C - 'A' + 'a') : C;
}

bool StartsWithNoCase(std::string_view S, size_t At, std::string_view Word)
{
    if (S.size() - At < Word.size())
        return false;
    for (size_t I = 0; I < Word.size(); ++I)
        if (Lower(S[At + I]) != Word[I])
            return false;
    return true;
}

// True when the pattern (outside quotes) holds am/pm, a/p or ampm.
bool HasAmPm(std::string_view P)
{
    for (size_t I = 0; I < P.size(); ++I) {
        const char C = P[I];
        if (C == '"' || C == '\'') {
            const size_t E = P.find(C, I + 1);
            if (E == std::string_view::npos)
                return false;
            I = E;
        } else if (Lower(C) == 'a' &&
                   (StartsWithNoCase(P, I, "am/pm") || StartsWithNoCase(P, I, "a/p") || StartsWithNoCase(P, I, "ampm"))) {
            return true;
        }
    }
    return false;
}

void AppendFormatted(std::string& Out, std::string_view P, const TParts& T, const TLocaleFormats& F, int Depth)
{
    // Locale patterns may name other locale patterns ("c" inside the short date); stop there.
    if (Depth > 2)
        return;
    const bool Clock12 = HasAmPm(P);
    size_t I = 0;
    while (I < P.size()) {
        const char C = P[I];
        const char L = Lower(C);
        size_t Run = 1;
        while (I + Run < P.size() && Lower(P[I + Run]) == L)
            ++Run;
        switch (L) {
        case '"':
        case '\'': {
            const size_t E = P.find(C, I + 1);
            const size_t End = E == std::string_view::npos ? P.size() : E;
            Out.append(P.substr(I + 1, End - I - 1));
            I = E == std::string_view::npos ? P.size() : E + 1;
            continue;
        }
        case 'd':
            if (Run == 1)
                Out += std::to_string(T.Day);
            else if (Run == 2)
                Out += Pad(T.Day, 2);
            else if (Run == 3)
                Out += F.ShortDayNames[static_cast<size_t>(T.DayOfWeek)];
            else if (Run == 4)
                Out += F.LongDayNames[static_cast<size_t>(T.DayOfWeek)];
            else if (Run == 5)
                AppendFormatted(Out, F.ShortDateFormat, T, F, Depth + 1);
            else
                AppendFormatted(Out, F.LongDateFormat, T, F, Depth + 1);
            break;
        case 'm':
            if (Run == 1)
                Out += std::to_string(T.Month);
            else if (Run == 2)
                Out += Pad(T.Month, 2);
            else if (Run == 3)
                Out += F.ShortMonthNames[static_cast<size_t>(T.Month - 1)];
            else
                Out += F.LongMonthNames[static_cast<size_t>(T.Month - 1)];
            break;
        case 'y':
            Out += Run <= 2 ? Pad(T.Year % 100, 2) : Pad(T.Year, 4);
            break;
        case 'h': {
            int64_t H = T.Hour;
            if (Clock12) {
                H %= 12;
                if (H == 0)
                    H = 12;
            }
            Out += Run == 1 ? std::to_string(H) : Pad(H, 2);
            break;
        }
        case 'n':
            Out += Run == 1 ? std::to_string(T.Min) : Pad(T.Min, 2);
            break;
        case 's':
            Out += Run == 1 ? std::to_string(T.Sec) : Pad(T.Sec, 2);
            break;
        case 'z':
            Out += Run == 1 ? std::to_string(T.MSec) : Pad(T.MSec, 3);
            break;
        case 't':
            AppendFormatted(Out, Run == 1 ? F.ShortTimeFormat : F.LongTimeFormat, T, F, Depth + 1);
            break;
        case 'c':
            AppendFormatted(Out, F.ShortDateFormat, T, F, Depth + 1);
            Out += ' ';
            AppendFormatted(Out, F.LongTimeFormat, T, F, Depth + 1);
            break;
        case 'a':
            if (StartsWithNoCase(P, I, "am/pm")) {
                Out.append(P.substr(T.Hour < 12 ? I : I + 3, 2));
                I += 5;
            } else if (StartsWithNoCase(P, I, "a/p")) {
                Out += P[T.Hour < 12 ? I : I + 2];
                I += 3;
            } else if (StartsWithNoCase(P, I, "ampm")) {
                Out += T.Hour < 12 ? F.TimeAMString : F.TimePMString;
                I += 4;
            } else {
                Out += C;
                ++I;
            }
            continue;
        case '/':
            Out.append(Run, F.DateSeparator);
            break;
        case ':':
            Out.append(Run, F.TimeSeparator);
            break;
        default:
            Out.append(P.substr(I, Run));
            break;
        }
        I += Run;
    }
}

int CurrentYear()
{
    uint16_t Y = 0, M = 0, D = 0;
    DecodeDate(Date(), Y, M, D);
    return Y;
}

// Field order of the short-date pattern, e.g. "mdy"; "mdy" when the pattern lacks one.
std::string DateFieldOrder(std::string_view P)
{
    std::string Order;
    for (size_t I = 0; I < P.size(); ++I) {
        const char C = P[I];
        if (C == '"' || C == '\'') {
            const size_t E = P.find(C, I + 1);
            if (E == std::string_view::npos)
                break;
            I = E;
            continue;
        }
        const char L = Lower(C);
        if ((L == 'd' || L == 'm' || L == 'y') && Order.find(L) == std::string::npos)
            Order += L;
    }
    return Order.size() == 3 ? Order : "mdy";
}

bool AllDigits(std::string_view S)
{
    if (S.empty())
        return false;
    for (char C : S)
        if (C < '0' || C > '9')
            return false;
    return true;
}

int64_t DigitsValue(std::string_view S)
{
    int64_t V = 0;
    for (char C : S)
        V = V * 10 + (C - '0');
    return V;
}

int MonthByName(std::string_view S, const TLocaleFormats& F)
{
    for (size_t I = 0; I < 12; ++I)
        if (SameText(S, F.ShortMonthNames[I]) || SameText(S, F.LongMonthNames[I]))
            return static_cast<int>(I) + 1;
    return 0;
}

bool ParseDate(std::string_view Text, const TLocaleFormats& F, TDateTime& Value)
{
    const std::string S = Trim(Text);
    std::vector<std::string> Fields;
    size_t Start = 0;
    while (true) {
        const size_t P = S.find(F.DateSeparator, Start);
        Fields.push_back(Trim(std::string_view(S).substr(Start, P == std::string::npos ? std::string::npos : P - Start)));
        if (P == std::string::npos)
            break;
        Start = P + 1;
    }
    if (Fields.size() < 2 || Fields.size() > 3)
        return false;
    std::string Order = DateFieldOrder(F.ShortDateFormat);
    if (Fields.size() == 2)
        Order.erase(Order.find('y'), 1);
    int64_t Year = -1, Month = 0, Day = 0;
    bool TwoDigitYear = false;
    for (size_t I = 0; I < Fields.size(); ++I) {
        const std::string& Fld = Fields[I];
        if (Order[I] == 'm' && !AllDigits(Fld)) {
            Month = MonthByName(Fld, F);
            if (Month == 0)
                return false;
            continue;
        }
        if (!AllDigits(Fld) || Fld.size() > 4)
            return false;
        const int64_t V = DigitsValue(Fld);
        if (Order[I] == 'd')
            Day = V;
        else if (Order[I] == 'm')
            Month = V;
        else {
            Year = V;
            TwoDigitYear = Fld.size() <= 2;
        }
    }
    if (Year < 0) {
        Year = CurrentYear();
    } else if (TwoDigitYear) {
        const int64_t Threshold = CurrentYear() - 50;
        Year += Threshold / 100 * 100;
        if (Year < Threshold)
            Year += 100;
    }
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > 31)
        return false;
    return TryEncodeDate(static_cast<uint16_t>(Year), static_cast<uint16_t>(Month), static_cast<uint16_t>(Day), Value);
}

// Removes an AM/PM marker at the start or end; Marker: 0 none, 1 AM, 2 PM.
std::string StripAmPm(const std::string& S, const TLocaleFormats& F, int& Marker)
{
    Marker = 0;
    const std::string_view Texts[4] = {F.TimeAMString, F.TimePMString, "AM", "PM"};
    for (int K = 0; K < 4; ++K) {
        const std::string_view W = Texts[K];
        if (W.empty() || S.size() <= W.size())
            continue;
        if (SameText(std::string_view(S).substr(S.size() - W.size()), W)) {
            Marker = K % 2 + 1;
            return Trim(std::string_view(S).substr(0, S.size() - W.size()));
        }
        if (SameText(std::string_view(S).substr(0, W.size()), W)) {
            Marker = K % 2 + 1;
            return Trim(std::string_view(S).substr(W.size()));
        }
    }
    return S;
}

bool ParseTime(std::string_view Text, const TLocaleFormats& F, TDateTime& Value)
{
    int Marker = 0;
    const std::string S = StripAmPm(Trim(Text), F, Marker);
    std::vector<std::string> Fields;
    size_t Start = 0;
    while (true) {
        const size_t P = S.find(F.TimeSeparator, Start);
        Fields.push_back(S.substr(Start, P == std::string::npos ? std::string::npos : P - Start));
        if (P == std::string::npos)
            break;
        Start = P + 1;
    }
    if (Fields.size() > 3 || (Fields.size() < 2 && Marker == 0))
        return false;
    int64_t MSec = 0;
    std::string& Last = Fields.back();
    const size_t Dot = Fields.size() == 3 ? Last.find(F.DecimalSeparator) : std::string::npos;
    if (Dot != std::string::npos) {
        const std::string Frac = Last.substr(Dot + 1);
        if (!AllDigits(Frac) || Frac.size() > 3)
            return false;
        MSec = DigitsValue(Frac);
        for (size_t I = Frac.size(); I < 3; ++I)
            MSec *= 10;
        Last.resize(Dot);
    }
    int64_t V[3] = {0, 0, 0};
    for (size_t I = 0; I < Fields.size(); ++I) {
        if (!AllDigits(Fields[I]) || Fields[I].size() > 2)
            return false;
        V[I] = DigitsValue(Fields[I]);
    }
    int64_t Hour = V[0];
    if (Marker != 0) {
        if (Hour < 1 || Hour > 12)
            return false;
        Hour %= 12;
        if (Marker == 2)
            Hour += 12;
    }
    if (Hour > 23 || V[1] > 59 || V[2] > 59)
        return false;
    return TryEncodeTime(static_cast<uint16_t>(Hour), static_cast<uint16_t>(V[1]), static_cast<uint16_t>(V[2]),
                         static_cast<uint16_t>(MSec), Value);
}

} // namespace

int64_t DaysFromCivil(int64_t Y, int64_t M, int64_t D)
{
    Y -= M <= 2;
    const int64_t Era = (Y >= 0 ? Y : Y - 399) / 400;
    const int64_t Yoe = Y - Era * 400;
    const int64_t Doy = (153 * (M + (M > 2 ? -3 : 9)) + 2) / 5 + D - 1;
    const int64_t Doe = Yoe * 365 + Yoe / 4 - Yoe / 100 + Doy;
    return Era * 146097 + Doe - 719468;
}


bool IsLeapYear(int32_t Year)
{
    return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0);
}

int32_t DaysInAMonth(int32_t Year, int32_t Month)
{
    static const int32_t Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (Month < 1 || Month > 12)
        return 0;
    return Month == 2 && IsLeapYear(Year) ? 29 : Days[Month - 1];
}

bool TryEncodeDate(uint16_t Year, uint16_t Month, uint16_t Day, TDateTime& Date)
{
    if (Year < 1 || Year > 9999 || Day < 1 || Day > DaysInAMonth(Year, Month))
        return false;
    Date = static_cast<double>(DaysFromCivil(Year, Month, Day) + kEpochShift);
    return true;
}

TDateTime EncodeDate(uint16_t Year, uint16_t Month, uint16_t Day)
{
    TDateTime D = 0;
    if (!TryEncodeDate(Year, Month, Day, D))
        throw EConvertError(Format("Invalid date %d-%d-%d", Year, Month, Day));
    return D;
}

bool TryEncodeTime(uint16_t Hour, uint16_t Min, uint16_t Sec, uint16_t MSec, TDateTime& Time)
{
    if (Hour > 23 || Min > 59 || Sec > 59 || MSec > 999)
        return false;
    Time = (((Hour * 60 + Min) * 60 + Sec) * 1000 + MSec) / static_cast<double>(MSecsPerDay);
    return true;
}

TDateTime EncodeTime(uint16_t Hour, uint16_t Min, uint16_t Sec, uint16_t MSec)
{
    TDateTime T = 0;
    if (!TryEncodeTime(Hour, Min, Sec, MSec, T))
        throw EConvertError(Format("Invalid time %d:%d:%d.%d", Hour, Min, Sec, MSec));
    return T;
}

TDateTime ComposeDateTime(TDateTime Date, TDateTime Time)
{
    return Date < 0 ? Date - Time : Date + Time;
}

void DecodeDateTime(TDateTime Value, uint16_t& Year, uint16_t& Month, uint16_t& Day, uint16_t& Hour, uint16_t& Min,
                    uint16_t& Sec, uint16_t& MSec)
{
    const TParts P = Decompose(Value);
    Year = static_cast<uint16_t>(P.Year);
    Month = static_cast<uint16_t>(P.Month);
    Day = static_cast<uint16_t>(P.Day);
    Hour = static_cast<uint16_t>(P.Hour);
    Min = static_cast<uint16_t>(P.Min);
    Sec = static_cast<uint16_t>(P.Sec);
    MSec = static_cast<uint16_t>(P.MSec);
}

void DecodeDate(TDateTime Value, uint16_t& Year, uint16_t& Month, uint16_t& Day)
{
    uint16_t H, N, S, Z;
    DecodeDateTime(Value, Year, Month, Day, H, N, S, Z);
}

void DecodeTime(TDateTime Value, uint16_t& Hour, uint16_t& Min, uint16_t& Sec, uint16_t& MSec)
{
    uint16_t Y, M, D;
    DecodeDateTime(Value, Y, M, D, Hour, Min, Sec, MSec);
}

TDateTime Now()
{
    using namespace std::chrono;
    const auto Stamp = system_clock::now();
    const std::time_t Seconds = system_clock::to_time_t(Stamp);
    const auto MSec = duration_cast<milliseconds>(Stamp.time_since_epoch()).count() % 1000;
    std::tm Local{};
#ifdef _WIN32
    localtime_s(&Local, &Seconds);
#else
    localtime_r(&Seconds, &Local);
#endif
    return EncodeDate(static_cast<uint16_t>(Local.tm_year + 1900), static_cast<uint16_t>(Local.tm_mon + 1),
                      static_cast<uint16_t>(Local.tm_mday)) +
           EncodeTime(static_cast<uint16_t>(Local.tm_hour), static_cast<uint16_t>(Local.tm_min),
                      static_cast<uint16_t>(Local.tm_sec > 59 ? 59 : Local.tm_sec),
                      static_cast<uint16_t>(MSec < 0 ? 0 : MSec));
}

TDateTime Date()
{
    return std::trunc(Now());
}

TDateTime Time()
{
    const TDateTime N = Now();
    return N - std::trunc(N);
}

int32_t DayOfWeek(TDateTime Value)
{
    return static_cast<int32_t>(Decompose(Value).DayOfWeek) + 1;
}

std::string FormatDateTime(std::string_view Pattern, TDateTime Value, const TLocaleFormats& Formats)
{
    const TParts T = Decompose(Value);
    std::string Out;
    AppendFormatted(Out, Pattern.empty() ? std::string_view("c") : Pattern, T, Formats, 0);
    return Out;
}

std::string FormatDateTime(std::string_view Pattern, TDateTime Value)
{
    return FormatDateTime(Pattern, Value, DefaultLocaleFormats());
}

std::string DateToStr(TDateTime Value, const TLocaleFormats& Formats)
{
    return FormatDateTime("ddddd", Value, Formats);
}

std::string DateToStr(TDateTime Value)
{
    return DateToStr(Value, DefaultLocaleFormats());
}

std::string TimeToStr(TDateTime Value, const TLocaleFormats& Formats)
{
    return FormatDateTime("tt", Value, Formats);
}

std::string TimeToStr(TDateTime Value)
{
    return TimeToStr(Value, DefaultLocaleFormats());
}

std::string DateTimeToStr(TDateTime Value, const TLocaleFormats& Formats)
{
    return FormatDateTime("c", Value, Formats);
}

std::string DateTimeToStr(TDateTime Value)
{
    return DateTimeToStr(Value, DefaultLocaleFormats());
}

bool TryStrToDate(std::string_view S, TDateTime& Value, const TLocaleFormats& Formats)
{
    return ParseDate(S, Formats, Value);
}

TDateTime StrToDate(std::string_view S, const TLocaleFormats& Formats)
{
    TDateTime V = 0;
    if (!ParseDate(S, Formats, V))
        throw EConvertError(Format("'%s' is not a valid date", S));
    return V;
}

TDateTime StrToDate(std::string_view S)
{
    return StrToDate(S, DefaultLocaleFormats());
}

bool TryStrToTime(std::string_view S, TDateTime& Value, const TLocaleFormats& Formats)
{
    return ParseTime(S, Formats, Value);
}

TDateTime StrToTime(std::string_view S, const TLocaleFormats& Formats)
{
    TDateTime V = 0;
    if (!ParseTime(S, Formats, V))
        throw EConvertError(Format("'%s' is not a valid time", S));
    return V;
}

TDateTime StrToTime(std::string_view S)
{
    return StrToTime(S, DefaultLocaleFormats());
}

bool TryStrToDateTime(std::string_view S, TDateTime& Value, const TLocaleFormats& Formats)
{
    const std::string T = Trim(S);
    TDateTime D = 0;
    TDateTime Tm = 0;
    // The date may hold blanks itself, so try every blank as the split point.
    for (size_t P = T.find(' '); P != std::string::npos; P = T.find(' ', P + 1)) {
        if (ParseDate(std::string_view(T).substr(0, P), Formats, D) &&
            ParseTime(std::string_view(T).substr(P + 1), Formats, Tm)) {
            Value = ComposeDateTime(D, Tm);
            return true;
        }
    }
    if (ParseDate(T, Formats, D)) {
        Value = D;
        return true;
    }
    if (ParseTime(T, Formats, Tm)) {
        Value = Tm;
        return true;
    }
    return false;
}

TDateTime StrToDateTime(std::string_view S, const TLocaleFormats& Formats)
{
    TDateTime V = 0;
    if (!TryStrToDateTime(S, V, Formats))
        throw EConvertError(Format("'%s' is not a valid date and time", S));
    return V;
}

TDateTime StrToDateTime(std::string_view S)
{
    return StrToDateTime(S, DefaultLocaleFormats());
}
