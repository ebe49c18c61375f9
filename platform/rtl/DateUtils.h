#pragma once
// Dates and times: TDateTime is days since 1899-12-30, the fraction being the time of day.
// A negative value counts days before that date; its time is the fraction taken positively
// (-1.25 is 1899-12-29 06:00).

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/LocaleFormats.h"

using TDateTime = double;

constexpr int32_t MSecsPerDay = 86400000;

bool IsLeapYear(int32_t Year);
int32_t DaysInAMonth(int32_t Year, int32_t Month); // 0 for a month outside 1..12

// Years 1..9999. A bad date or time raises EConvertError; the Try forms return false.
TDateTime EncodeDate(uint16_t Year, uint16_t Month, uint16_t Day);
bool TryEncodeDate(uint16_t Year, uint16_t Month, uint16_t Day, TDateTime& Date);
TDateTime EncodeTime(uint16_t Hour, uint16_t Min, uint16_t Sec, uint16_t MSec);
bool TryEncodeTime(uint16_t Hour, uint16_t Min, uint16_t Sec, uint16_t MSec, TDateTime& Time);
// Joins a date and a time of day, also for dates before 1899-12-30.
TDateTime ComposeDateTime(TDateTime Date, TDateTime Time);

// Values are rounded to the millisecond once, so 23:59:59.9999 becomes the next day's 00:00.
// A value outside years 1..9999 (or not a number) raises EConvertError.
void DecodeDate(TDateTime Value, uint16_t& Year, uint16_t& Month, uint16_t& Day);
void DecodeTime(TDateTime Value, uint16_t& Hour, uint16_t& Min, uint16_t& Sec, uint16_t& MSec);
void DecodeDateTime(TDateTime Value, uint16_t& Year, uint16_t& Month, uint16_t& Day, uint16_t& Hour,
                    uint16_t& Min, uint16_t& Sec, uint16_t& MSec);

// Local time.
TDateTime Now();
TDateTime Date();
TDateTime Time();

int32_t DayOfWeek(TDateTime Value); // 1 = Sunday .. 7 = Saturday

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar (any year; no range check).
int64_t DaysFromCivil(int64_t Year, int64_t Month, int64_t Day);

// Pattern language (letters in any case): d dd ddd dddd ddddd (short date) dddddd (long date),
// m mm mmm mmmm, yy yyyy, h hh, n nn, s ss, z zzz, t (short time) tt (long time),
// c (short date, a blank, long time), am/pm and a/p (as written), ampm (the locale's texts);
// h and hh count on the 12-hour clock when the pattern holds an am/pm marker. "/" is the date
// separator, ":" the time separator; text in "..." or '...' is copied. An empty pattern is "c".
std::string FormatDateTime(std::string_view Pattern, TDateTime Value);
std::string FormatDateTime(std::string_view Pattern, TDateTime Value, const TLocaleFormats& Formats);

std::string DateToStr(TDateTime Value);
std::string DateToStr(TDateTime Value, const TLocaleFormats& Formats);
std::string TimeToStr(TDateTime Value);
std::string TimeToStr(TDateTime Value, const TLocaleFormats& Formats);
std::string DateTimeToStr(TDateTime Value);
std::string DateTimeToStr(TDateTime Value, const TLocaleFormats& Formats);

// Dates: numbers (or month names) split by the date separator in the short-date pattern's
// field order; two fields mean day and month of this year; a year of one or two digits is
// taken within 50 years of today. Times: h:n[:s[.z]] with an optional AM/PM text.
// Failures raise EConvertError "'%s' is not a valid date" / "... time" / "... date and time".
TDateTime StrToDate(std::string_view S);
TDateTime StrToDate(std::string_view S, const TLocaleFormats& Formats);
bool TryStrToDate(std::string_view S, TDateTime& Value, const TLocaleFormats& Formats);
TDateTime StrToTime(std::string_view S);
TDateTime StrToTime(std::string_view S, const TLocaleFormats& Formats);
bool TryStrToTime(std::string_view S, TDateTime& Value, const TLocaleFormats& Formats);
TDateTime StrToDateTime(std::string_view S);
TDateTime StrToDateTime(std::string_view S, const TLocaleFormats& Formats);
bool TryStrToDateTime(std::string_view S, TDateTime& Value, const TLocaleFormats& Formats);
