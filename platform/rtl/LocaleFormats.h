#pragma once
// The user's number, date and time formats. One process-wide default is set once at start
// (platform/win reads the user locale); every routine that uses it also takes explicit
// formats, and nothing swaps the default afterwards.

#include <array>
#include <string>

struct TLocaleFormats {
    // Patterns in the date-time pattern language of FormatDateTime.
    std::string ShortDateFormat = "m/d/yyyy";
    std::string LongDateFormat = "dddd, mmmm d, yyyy";
    std::string ShortTimeFormat = "h:nn ampm";
    std::string LongTimeFormat = "h:nn:ss ampm";
    char DateSeparator = '/';
    char TimeSeparator = ':';
    char DecimalSeparator = '.';
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::array<std::string, 12> ShortMonthNames = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames = {"January", "February", "March",     "April",
                                                  "May",     "June",     "July",      "August",
                                                  "September", "October", "November", "December"};
    // Sunday first.
    std::array<std::string, 7> ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> LongDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                               "Thursday", "Friday", "Saturday"};
};

// The process default: the built-in US formats until InitDefaultLocaleFormats runs.
const TLocaleFormats& DefaultLocaleFormats();

// Sets the process default once, at start before other threads read it; a second call
// raises EInvalidOperation. References taken earlier keep the formats they had.
void InitDefaultLocaleFormats(const TLocaleFormats& Formats);
