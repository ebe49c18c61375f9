// Windows date and time pictures turned into the pattern language, and the default formats
// filled from the user locale at start.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/rtl/DateUtils.h"
#include "platform/win/LocaleWin.h"

TEST(WindowsPictureToPattern, CommonPictures)
{
    EXPECT_EQ(WindowsPictureToPattern("M/d/yyyy"), "m/d/yyyy");
    EXPECT_EQ(WindowsPictureToPattern("h:mm:ss tt"), "h:nn:ss ampm");
    EXPECT_EQ(WindowsPictureToPattern("dd.MM.yyyy"), "dd.mm.yyyy");
    EXPECT_EQ(WindowsPictureToPattern("HH:mm:ss"), "hh:nn:ss");
    EXPECT_EQ(WindowsPictureToPattern("dddd, MMMM dd, yyyy"), "dddd, mmmm dd, yyyy");
    EXPECT_EQ(WindowsPictureToPattern("yy/M/d"), "yy/m/d");
    EXPECT_EQ(WindowsPictureToPattern("d MMM y"), "d mmm yy");
    EXPECT_EQ(WindowsPictureToPattern("gg yyyy/MM/dd"), "yyyy/mm/dd");
    EXPECT_EQ(WindowsPictureToPattern("yyyy'year'M'mo'd"), "yyyy\"year\"m\"mo\"d");
    EXPECT_EQ(WindowsPictureToPattern("'It''s' h"), "\"It's\" h");
    EXPECT_EQ(WindowsPictureToPattern("d Mx"), "d m\"x\""); // a stray letter stays literal
    EXPECT_EQ(WindowsPictureToPattern("'open"), "\"open\"");  // an unclosed quote ends the text
}

TEST(WindowsPictureToPattern, ConvertedPatternsFormatAsWindowsWould)
{
    TLocaleFormats F;
    F.ShortDateFormat = WindowsPictureToPattern("M/d/yyyy");
    F.LongTimeFormat = WindowsPictureToPattern("h:mm:ss tt");
    F.TimeAMString = "AM";
    F.TimePMString = "PM";
    EXPECT_EQ(DateTimeToStr(36526.75, F), "1/1/2000 6:00:00 PM");
    EXPECT_EQ(StrToDate("1/2/2000", F), 36527);

    TLocaleFormats G;
    G.ShortDateFormat = WindowsPictureToPattern("dd.MM.yyyy");
    G.LongTimeFormat = WindowsPictureToPattern("HH:mm:ss");
    G.DateSeparator = '.';
    EXPECT_EQ(DateTimeToStr(36526.75, G), "01.01.2000 18:00:00");
    EXPECT_EQ(StrToDate("02.01.2000", G), 36527);
}

TEST(DefaultLocaleFormats, FilledFromTheUserLocaleAtStart)
{
    char Picture[128] = {};
    ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, Picture, sizeof(Picture)), 0);
    const TLocaleFormats& D = DefaultLocaleFormats();
    EXPECT_EQ(D.ShortDateFormat, WindowsPictureToPattern(Picture));
    const TLocaleFormats Read = ReadUserLocaleFormats();
    EXPECT_EQ(D.LongTimeFormat, Read.LongTimeFormat);
    EXPECT_EQ(D.DecimalSeparator, Read.DecimalSeparator);
    EXPECT_EQ(D.LongDayNames[0], Read.LongDayNames[0]);
    // A date written in the user's short format reads back.
    EXPECT_EQ(StrToDate(DateToStr(36527)), 36527);
}
