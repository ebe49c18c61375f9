#pragma once
// The user's locale formats, read with GetLocaleInfoA.

#include <string>
#include <string_view>

#include "platform/rtl/LocaleFormats.h"

// Turns a Windows date or time picture ("M/d/yyyy", "h:mm:ss tt", "dd.MM.yyyy",
// "yyyy'-'MM'-'dd") into the pattern language of FormatDateTime ("m/d/yyyy", "h:nn:ss ampm").
// Quoted text stays literal; era marks are dropped; letters that are not picture letters are
// quoted so the pattern language leaves them alone.
std::string WindowsPictureToPattern(std::string_view Picture);

// The user locale's formats; the built-in ones stand in for anything the system does not give.
TLocaleFormats ReadUserLocaleFormats();
