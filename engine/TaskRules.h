#pragma once
// The crawl's small rules that only compute: which hosts a crawl follows, which hosts are
// excluded, and the progress texts of a download.

#include <cstdint>
#include <string>
#include <string_view>

class TStrings;

// True when a link on LinkHost may be followed from a crawl that started on StartHost.
// A start host of three or more labels admits every host with the same text after its first
// "."; a start host of one or two labels, or an IPv4 literal, admits itself and the hosts one
// label below it only (so a two-label start never opens the whole top-level domain).
// Hosts are compared trimmed and without regard to case, without ports.
bool LinkHostPasses(std::string_view StartHost, std::string_view LinkHost);

// True when Host equals one of the entries (trimmed, ignoring case).
bool HostInList(std::string_view Host, TStrings* List);

// Size and completed texts of a transfer: "---" for both when Length is below 1, otherwise
// Length in decimal and Count / Length * 100 rounded half to even, with "%".
void TransferProgressTexts(int64_t Length, int64_t Count, std::string& SizeText, std::string& PercentText);
