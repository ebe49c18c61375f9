#pragma once
// The one place that reads test variables. With QUILLMOOR_TEST_LOG naming a file, calls that
// would leave the machine or end the session (shut-down, shell "open", help) append a line there
// instead of acting. Both variables are read at each call, so a test can switch them.

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace TestSeams {

// True when QUILLMOOR_TEST_LOG is set and not empty.
bool Active();

// Appends "<kind><TAB><field>...<CR><LF>" under a process-wide lock, opening and closing the file
// each time; numbers are written in decimal. False when the log is not active or the file could
// not be written. Tabs and line ends inside a field become blanks, so a line stays one line.
bool LogFields(const std::string& Kind, const std::vector<std::string>& Fields);

inline std::string LogField(const std::string& S) { return S; }
inline std::string LogField(const char* S) { return S ? S : ""; }
template <class T>
    requires std::is_integral_v<T>
std::string LogField(T Value)
{
    return std::to_string(Value);
}

template <class... A>
bool Log(const std::string& Kind, const A&... Fields)
{
    return LogFields(Kind, std::vector<std::string>{LogField(Fields)...});
}

// The text of QUILLMOOR_IMPORT_BASE, or empty.
std::string ImportBase();

} // namespace TestSeams
