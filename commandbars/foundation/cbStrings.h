#pragma once
// The framework's texts: resource strings 65008 to 65103 of the program, read through
// uiGetResourceString so that a localizer can replace any of them.

#include <cstdint>
#include <span>
#include <string>

#define CB_STRING(Name, Id, Text) constexpr int32_t Name = Id;
#include "commandbars/foundation/cbStrings.inc"
#undef CB_STRING

constexpr int32_t kFirstFrameworkString = 65008;
constexpr int32_t kLastFrameworkString = 65103;

// Every id of the table, in its order.
std::span<const int32_t> FrameworkStringIds();

// The replacement registered for Id, else the program's string resource (empty when missing).
std::string uiGetResourceString(int32_t Id);
void uiSetResourceReplacement(int32_t Id, const std::string& Text);
void uiClearResourceReplacements();
