#pragma once
// The bar layout of a manager kept between runs: which bars exist and show, where they dock or
// float, the links of every bar and named sub-item with the user's own captions, pictures, styles
// and widths, the recent use of personalized menus, and a few manager options. Two stores: a
// registry key below HKEY_CURRENT_USER, and an ini file (or the manager's ini stream), whose
// sections all begin with the owner form's and the manager's names.
//
// Saving replaces only the layout's own keys, values and sections; whatever else shares the key or
// the file stays. Loading trusts nothing it reads: counts, rows, places, sizes and use counts are
// clamped to their ranges, ordinals out of range and values of another type are refused, pictures
// go through the checked bitmap reader, and a bad value ends only the bar or link it belongs to.
// A load that fails on anything else (memory running out, an event handler's exception) puts the
// layout it found back and ends quietly.

#include <cstdint>
#include <string>

class TComponent;
class TcbBarManager;

// Stored counts beyond this read as this many.
constexpr int32_t kcbMaxStoredCount = 4096;
// Stored places, widths and floating client sizes lie within this many pixels (places either way
// from 0): no screen is larger, and a window or bar of that size stays cheap.
constexpr int32_t kcbMaxStoredExtent = 16384;
// Stored link pictures are read only from 1 byte to this size, and only up to this many pixels.
constexpr int32_t kcbMaxStoredGlyphSize = 1 << 20;
constexpr int64_t kcbMaxStoredGlyphPixels = int64_t(1) << 22;

// The registry path the layout is kept under, absolute: a "\" put in front when missing and one
// trailing "\" removed. "" for a path that names no key (empty, or nothing but "\"), which must
// never be written to: it is the root of HKEY_CURRENT_USER.
std::string NormalizeLayoutRegistryPath(const std::string& Path);

// The component's Name, preceded by the names of its owners joined with ".", up to the first
// owner without a name ("LayoutForm.DockRight"). "" for nullptr.
std::string QualifiedComponentName(const TComponent* Component);

// The registry store under HKEY_CURRENT_USER\Path.
void SaveToRegistry(TcbBarManager* Manager, const std::string& Path);
void LoadFromRegistry(TcbBarManager* Manager, const std::string& Path);

// The ini store: the file FileName, or the manager's ini stream when it has one (the whole stream
// is the ini text; saving replaces it and leaves the position at 0).
void SaveToIniFile(TcbBarManager* Manager, const std::string& FileName);
void LoadFromIniFile(TcbBarManager* Manager, const std::string& FileName);

// Fills the layout-storage entries of the framework's extension table.
void cbBarLayoutStoreInit();
