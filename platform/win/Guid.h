#pragma once
// Fresh GUIDs as text.

#include <string>

// CoCreateGuid as braced upper-case text of 38 characters: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
// A failure raises EOSError.
std::string NewGuidText();
