#pragma once
// The product's own names and addresses, and the ids of the program's pictures in its resources.
// The addresses are reserved example names, so nothing a user or a test clicks leaves the machine.

namespace Product {

inline constexpr char Name[] = "Quillmoor";
inline constexpr char Version[] = "3.6.1";
inline constexpr char WebAddress[] = "http://www.example.com/";
inline constexpr char EMail[] = "support@quillmoor.invalid";
inline constexpr char Notice[] = "Copyright (C) 2026 the Quillmoor team. All rights reserved.";

// Resources of app/Quillmoor.rc.
inline constexpr char MainIconName[] = "MAINICON"; // the program icon, 16 and 32 pixels
inline constexpr int BannerBitmapId = 101;         // the splash and About banner

} // namespace Product
