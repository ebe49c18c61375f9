#pragma once
// The interactive move of a bar by its grip or caption (TcbBars::RunDrag, cbBarDrag.cpp): only
// one drag runs at a time. While it runs, the keyboard hook passes Ctrl and Esc on to the drag
// loop, which reads Ctrl as "keep floating" and Esc as "stop here". User-interface thread only.

// Whether a bar is being dragged now.
bool cbIsBarDragging();
void cbSetBarDragging(bool Value);

// Fills the framework's DragBar entry with the drag (at framework start).
void cbBarDragInit();
