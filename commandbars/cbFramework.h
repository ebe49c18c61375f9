#pragma once
// The command bar framework's start and end. cbFrameworkInit runs before the first form is made
// and cbFrameworkDone after the last one is gone; pairs nest, and only the outermost loads and
// frees: theme support, the routines (flags, USER32 entry points, lists, depth and checker
// brush, cursors 1041-1044), the look-and-feel layer (its global object, cursors 2100-2113),
// the Office11 colour set, the list of bar managers and the look-and-feel painters' bitmaps; Done
// in reverse, freeing the managers still in the list and emptying the table of extensions.

#include <cstdint>

void cbFrameworkInit();
void cbFrameworkDone();
// How many Init calls are not yet matched by a Done.
int32_t cbFrameworkUseCount();
// The system colours changed: the screen depth and checker brush, the Office11 colour set, and
// every manager's shared brushes and painter follow. A theme change refreshes the Office11
// colours before the managers update their painters.
void cbColorsChanged();
