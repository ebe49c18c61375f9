#pragma once
// The engine routines that only compute: names, masks, hosts, safe path parts, the Windows
// version code and the schedule texts. Portable (runtime library only), so they also run in
// the native sanitizer build.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/LocaleFormats.h"

// Appends "\" to a non-empty path whose last character is not "\"; "" stays "".
std::string AddTrailingBackslash(std::string_view Path);

// "ext, folder": First is the text before the first ",", Second the text after it, both
// trimmed. Without a comma both are empty.
void SplitMaskEntry(std::string_view Entry, std::string& First, std::string& Second);

// The host's text after its first "."; "" when it has none.
std::string DomainTail(std::string_view Host);

// The host of an address, in lower case; "http://" is assumed when the address has no "://".
std::string HostOfURL(std::string_view Address);
// True when the address, parsed as written, has a host.
bool URLHasHost(std::string_view Address);

// A device name Windows opens instead of a file (CON, PRN, AUX, NUL, COM1-9, LPT1-9, the
// console names), in any letter case, compared as given.
bool IsDeviceName(std::string_view Name);

// False for names holding one of  " # $ % & ' * + , . / : ; < > ? @ \ ^ |  or a control
// character, and for device names (trimmed). The empty name is valid here.
bool ValidTaskName(std::string_view Name);

// Makes one path part (a folder or file name taken from the web or an imported task) safe to
// use below a folder: no separators, wildcards, control characters, trailing dots or blanks,
// device names or "." / ".."; at most 200 characters, keeping a short extension. A part that
// is already safe comes out unchanged.
std::string SafePathPart(std::string_view Text);
constexpr size_t kMaxSafePathPart = 200;

// True when Name matches a mask of "*" (any run) and "?" (one character), ignoring ASCII case.
bool MatchesMask(std::string_view Name, std::string_view Mask);

// 1 Windows 95, 2 Windows 98/Me, 3 NT 4 and older, 4 Windows 2000, 5 XP, 0 any other.
// PlatformId is the OSVERSIONINFO value (1 the 9x platform, 2 NT).
uint8_t WindowsVersionCode(uint32_t PlatformId, uint32_t Major, uint32_t Minor);

// Schedule units: 1 "Hour(s)", 2 "Day(s)", 3 "Week(s)", 4 "month(s)", else "".
std::string UnitText(int32_t SchemeType);
// The unit of a schedule choice: "Every", "Daily", "Weekly", "Monthly" (exactly), else "".
std::string UnitForChoice(std::string_view Choice);
// "All project will start every N <unit>, From <short date>, <long time>"; "" for type 0 and
// when the date or time cannot be written.
std::string SchemeDescription(int32_t SchemeType, int32_t SchemeCount, TDateTime StartDate, TDateTime StartTime);
std::string SchemeDescription(int32_t SchemeType, int32_t SchemeCount, TDateTime StartDate, TDateTime StartTime,
                              const TLocaleFormats& Formats);
