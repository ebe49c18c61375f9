#pragma once
// One picture of what a painter draws: buttons, check marks, drop-down parts, combo buttons and
// menu rows in every state, docked and floating borders, marks in their three states, a
// separator and a close button; a toolbar row with a split button, an edit, a combo and its
// list, MDI buttons, a floating bar's caption with its close button and mark, and a detachable
// menu with a group band and the expand button. The fake windows answer the painter's brushes.
// Painter tests save it as a screenshot for a person to look at.

#include <string>

#include "commandbars/painters/cbPainter.h"
#include "tests/support/Screenshot.h"

namespace CommandBarsTest {

// Paints the sheet of Painter, reading the manager's cached metrics, and returns it.
TestSupport::TShot PaintPainterSheet(TcbPainterClass Painter, TcbBarManager* Manager);

// Paints the sheet and saves it as screenshots/<Name>.bmp; the path written ("" on failure).
std::string SavePainterSheet(TcbPainterClass Painter, TcbBarManager* Manager, const std::string& Name);

} // namespace CommandBarsTest
