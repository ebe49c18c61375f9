#include "platform/rtl/DateUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace {

TLocaleFormats UsFormats()
{
    TLocaleFormats F;
    F.ShortDateFormat = "M/d/yyyy";
    F.LongTimeFormat = "h:nn:ss ampm";
    F.TimeAMString = "AM";
    F.TimePMString = "PM";
    return F;
}

uint16_t ThisYear()
{
    uint16_t Y, M, D;
    DecodeDate(Now(), Y, M, D);
    return Y;
}

} // namespace

TEST(Dates, EncodeDecodeAndLeapYears)
{
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(EncodeDate(2000, 3, 1) - EncodeDate(2000, 2, 28), 2);
    EXPECT_EQ(EncodeDate(1900, 3, 1) - EncodeDate(1900, 2, 28), 1);
    EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(2001, 13, 1), EConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);

    // Every day of four centuries (leap rules included) decodes to what encoded it.
    for (int32_t Day = static_cast<int32_t>(EncodeDate(1800, 1, 1)); Day <= EncodeDate(2200, 1, 1); ++Day) {
        uint16_t Y, M, D;
        DecodeDate(Day, Y, M, D);
        ASSERT_EQ(EncodeDate(Y, M, D), Day);
    }
    EXPECT_EQ(DayOfWeek(EncodeDate(2000, 1, 1)), 7); // a Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 31)), 1);
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 25)), 2); // before day 0
}

// The cookie dates of the HTTP client count from 1970 through the same day numbers.
TEST(Dates, DaysFromCivilStepsOneDayAtATimeAcrossCenturiesAndTheEpoch)
{
    EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(DaysFromCivil(1969, 12, 31), -1);
    EXPECT_EQ(DaysFromCivil(2000, 3, 1) - DaysFromCivil(2000, 2, 28), 2);
    EXPECT_EQ(DaysFromCivil(1900, 3, 1) - DaysFromCivil(1900, 2, 28), 1);
    // Year 0 and before: no year check, the calendar simply goes on.
    EXPECT_EQ(DaysFromCivil(0, 3, 1) - DaysFromCivil(0, 2, 28), 2);
    EXPECT_EQ(DaysFromCivil(-1, 12, 31) + 1, DaysFromCivil(0, 1, 1));
    int64_t Expected = DaysFromCivil(1599, 12, 31);
    for (int32_t Year = 1600; Year <= 2401; ++Year)
        for (int32_t Month = 1; Month <= 12; ++Month)
            for (int32_t Day = 1; Day <= DaysInAMonth(Year, Month); ++Day) {
                ++Expected;
                ASSERT_EQ(DaysFromCivil(Year, Month, Day), Expected) << Year << "-" << Month << "-" << Day;
            }
    // Where both apply, the same count as the date values (days since 1899-12-30).
    EXPECT_EQ(DaysFromCivil(2024, 2, 29) + 25569, EncodeDate(2024, 2, 29));
    EXPECT_EQ(DaysFromCivil(1, 1, 1) + 25569, EncodeDate(1, 1, 1));
}

TEST(Dates, TimesRoundToTheMillisecond)
{
    uint16_t H, N, S, Z;
    // A third of a day is not exact in binary; it must not come out as 07:59:59.999.
    DecodeTime(1.0 / 3, H, N, S, Z);
    EXPECT_EQ((std::vector<int>{H, N, S, Z}), (std::vector<int>{8, 0, 0, 0}));
    uint16_t Y, M, D;
    DecodeDateTime(36526.0 - 1e-10, Y, M, D, H, N, S, Z); // rounds into the next day
    EXPECT_EQ((std::vector<int>{Y, M, D, H}), (std::vector<int>{2000, 1, 1, 0}));
    // Before 1899-12-30 the fraction is the time taken positively.
    const TDateTime T = ComposeDateTime(EncodeDate(1899, 12, 29), EncodeTime(6, 0, 0, 0));
    EXPECT_DOUBLE_EQ(T, -1.25);
    DecodeDateTime(T, Y, M, D, H, N, S, Z);
    EXPECT_EQ((std::vector<int>{Y, M, D, H}), (std::vector<int>{1899, 12, 29, 6}));
    for (int Ms = 0; Ms < MSecsPerDay; Ms += 999983) {
        const TDateTime V = EncodeTime(uint16_t(Ms / 3600000), uint16_t(Ms / 60000 % 60), uint16_t(Ms / 1000 % 60),
                                       uint16_t(Ms % 1000));
        DecodeTime(V, H, N, S, Z);
        ASSERT_EQ(((H * 60 + N) * 60 + S) * 1000 + Z, Ms);
    }
    EXPECT_THROW(DecodeDate(3e6, Y, M, D), EConvertError);
    EXPECT_THROW(DecodeDate(std::nan(""), Y, M, D), EConvertError);
}

TEST(Dates, FormatDateTimePatterns)
{
    EXPECT_EQ(FormatDateTime("yyyy:mm:dd hh:nn:ss", 36526.75), "2000:01:01 18:00:00");
    TLocaleFormats Dots;
    Dots.DateSeparator = '.';
    Dots.TimeSeparator = '.';
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss", 36526.75, Dots), "2000.01.01 18.00.00");
    EXPECT_EQ(FormatDateTime("yyyy:mm:dd", 36526.75, Dots), "2000.01.01");

    const TDateTime V = EncodeDate(2024, 2, 9) + EncodeTime(0, 5, 7, 42);
    EXPECT_EQ(FormatDateTime("d-m-yy h:n:s.z", V), "9-2-24 0:5:7.42");
    EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", V), "Fri Friday Feb February");
    EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", V), "00:05:07.042");
    EXPECT_EQ(FormatDateTime("h am/pm|hh AM/PM|h a/p|h ampm", V), "12 am|12 AM|12 a|12 AM");
    const TDateTime Noon = EncodeTime(12, 30, 0, 0);
    EXPECT_EQ(FormatDateTime("h:nn A/P|HH:NN", Noon), "12:30 P|12:30");
    EXPECT_EQ(FormatDateTime("h:nn", EncodeTime(23, 0, 0, 0)), "23:00"); // 24-hour without a marker
    EXPECT_EQ(FormatDateTime("\"d/m\" 'yyyy' d", V), "d/m yyyy 9");
    EXPECT_EQ(FormatDateTime("yyyy \"unterminated", V), "2024 unterminated");
    EXPECT_EQ(FormatDateTime("ddddd|t|tt", V, UsFormats()), "2/9/2024|12:05 AM|12:05:07 AM");

    // A locale pattern that names itself must not recurse for ever.
    TLocaleFormats Loop;
    Loop.ShortDateFormat = "c";
    EXPECT_NO_THROW(FormatDateTime("c", V, Loop));
}

TEST(Dates, LocaleTextAcceptance)
{
    const TLocaleFormats F = UsFormats();
    EXPECT_EQ(DateTimeToStr(36526.75, F), "1/1/2000 6:00:00 PM");
    EXPECT_EQ(DateToStr(36526.75, F), "1/1/2000");
    EXPECT_EQ(TimeToStr(36526.75, F), "6:00:00 PM");
    EXPECT_EQ(StrToDate("1/2/2000", F), 36527);
    EXPECT_THROW(StrToDate("13/45/2000", F), EConvertError);
    try {
        StrToDate("13/45/2000", F);
    } catch (const EConvertError& E) {
        EXPECT_EQ(E.Message(), "'13/45/2000' is not a valid date");
    }
}

TEST(Dates, StrToDateFieldOrderAndYears)
{
    TLocaleFormats Eu;
    Eu.ShortDateFormat = "dd.mm.yyyy";
    Eu.DateSeparator = '.';
    EXPECT_EQ(StrToDate("1.2.2000", Eu), EncodeDate(2000, 2, 1));
    EXPECT_EQ(StrToDate(" 29.02.2000 ", Eu), EncodeDate(2000, 2, 29));
    EXPECT_THROW(StrToDate("29.02.1900", Eu), EConvertError);
    EXPECT_THROW(StrToDate("1/2/2000", Eu), EConvertError);
    EXPECT_THROW(StrToDate("1.2.2000.5", Eu), EConvertError);
    EXPECT_THROW(StrToDate("1..2000", Eu), EConvertError);
    EXPECT_THROW(StrToDate("", Eu), EConvertError);
    TLocaleFormats Iso;
    Iso.ShortDateFormat = "yyyy-mm-dd";
    Iso.DateSeparator = '-';
    EXPECT_EQ(StrToDate("2024-12-31", Iso), EncodeDate(2024, 12, 31));
    EXPECT_EQ(StrToDate("2024-Dec-31", Iso), EncodeDate(2024, 12, 31));

    // Two fields: day and month of this year. Two-digit years fall within 50 years of today.
    const int Y = ThisYear();
    const TLocaleFormats Us = UsFormats();
    EXPECT_EQ(StrToDate("3/4", Us), EncodeDate(uint16_t(Y), 3, 4));
    auto YearOf = [&](const char* S) {
        uint16_t YY, M, D;
        DecodeDate(StrToDate(S, Us), YY, M, D);
        return int(YY);
    };
    for (int Two = 0; Two < 100; ++Two) {
        const int Got = YearOf(("1/1/" + std::to_string(Two)).c_str());
        ASSERT_EQ(Got % 100, Two);
        ASSERT_GE(Got, Y - 50);
        ASSERT_LT(Got, Y + 50);
    }
    EXPECT_EQ(YearOf("1/1/0099"), 99); // four digits are taken as written
}

TEST(Dates, StrToTimeAndDateTime)
{
    const TLocaleFormats F = UsFormats();
    EXPECT_DOUBLE_EQ(StrToTime("18:00", F), 0.75);
    EXPECT_DOUBLE_EQ(StrToTime("6:00:00 PM", F), 0.75);
    EXPECT_DOUBLE_EQ(StrToTime("12:00 AM", F), 0);
    EXPECT_DOUBLE_EQ(StrToTime("12:00 pm", F), 0.5);
    EXPECT_DOUBLE_EQ(StrToTime("0:00:01.5", F), EncodeTime(0, 0, 1, 500));
    EXPECT_THROW(StrToTime("24:00", F), EConvertError);
    EXPECT_THROW(StrToTime("13:00 PM", F), EConvertError);
    EXPECT_THROW(StrToTime("10:60", F), EConvertError);
    EXPECT_THROW(StrToTime("10", F), EConvertError);
    EXPECT_THROW(StrToTime("1:2:3:4", F), EConvertError);
    EXPECT_DOUBLE_EQ(StrToDateTime("1/1/2000 6:00:00 PM", F), 36526.75);
    EXPECT_DOUBLE_EQ(StrToDateTime("1/2/2000", F), 36527);
    EXPECT_THROW(StrToDateTime("1/1/2000 25:00", F), EConvertError);

    // What DateTimeToStr writes, StrToDateTime reads back, also with a blank inside the date.
    TLocaleFormats Spaced;
    Spaced.ShortDateFormat = "d mmm yyyy";
    Spaced.DateSeparator = ' ';
    const TDateTime V = EncodeDate(1999, 7, 14) + EncodeTime(15, 4, 5, 0);
    EXPECT_EQ(DateTimeToStr(V, Spaced), "14 Jul 1999 3:04:05 PM");
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(V, Spaced), Spaced), V);
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(V, F), F), V);
}

TEST(Dates, ExplicitFormatsFromManyThreads)
{
    const TDateTime V = EncodeDate(2003, 4, 5) + EncodeTime(6, 7, 8, 9);
    const char* Patterns[8] = {"yyyy", "mm/dd", "hh:nn", "ss.zzz", "dddd", "mmmm", "d/m/yy", "c"};
    std::vector<std::string> Expected;
    for (const char* P : Patterns)
        Expected.push_back(FormatDateTime(P, V, UsFormats()));
    std::vector<int> Mismatches(8, 0);
    std::vector<std::thread> Threads;
    for (int T = 0; T < 8; ++T)
        Threads.emplace_back([&, T] {
            TLocaleFormats F = UsFormats();
            F.DateSeparator = char('0' + T); // each thread its own separator
            std::string Want = Expected[size_t(T)];
            for (char& C : Want)
                if (C == '/')
                    C = F.DateSeparator;
            for (int I = 0; I < 2000; ++I)
                if (FormatDateTime(Patterns[T], V, F) != Want)
                    ++Mismatches[size_t(T)];
        });
    for (auto& T : Threads)
        T.join();
    EXPECT_EQ(Mismatches, std::vector<int>(8, 0));
    EXPECT_EQ(Expected[0], "2003");
    EXPECT_EQ(Expected[6], "5/4/03");
}

TEST(Dates, DefaultFormatsAreSetOnce)
{
    TLocaleFormats Mine = UsFormats();
    Mine.ShortDateFormat = "yyyy/mm/dd";
    // The default can be set once per process; a repeated run finds it set already.
    const TLocaleFormats& Before = DefaultLocaleFormats();
    if (Before.ShortDateFormat != Mine.ShortDateFormat) {
        // The US default until platform/win sets the user's formats.
        EXPECT_EQ(DateTimeToStr(36526.75), "1/1/2000 6:00:00 PM");
        InitDefaultLocaleFormats(Mine);
        EXPECT_EQ(Before.ShortDateFormat, "m/d/yyyy"); // earlier references keep their formats
    }
    EXPECT_EQ(DateToStr(36526), "2000/01/01");
    EXPECT_THROW(InitDefaultLocaleFormats(UsFormats()), EInvalidOperation);
    EXPECT_EQ(DefaultLocaleFormats().ShortDateFormat, "yyyy/mm/dd");
}

TEST(Dates, NowIsToday)
{
    const TDateTime N = Now();
    EXPECT_GE(N, EncodeDate(2020, 1, 1));
    const TDateTime D = Date();
    EXPECT_TRUE(D == std::trunc(N) || D == std::trunc(N) + 1); // midnight may pass in between
    EXPECT_GE(Time(), 0);
    EXPECT_LT(Time(), 1);
}
