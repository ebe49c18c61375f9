#pragma once
// The interactive move of a bar by its grip or caption (TcbBars::RunDrag, cbBarDrag.cpp): only
// one drag runs at a time. While it runs, the keyboard hook passes Ctrl and Esc on to the drag
// loop, which reads Ctrl as "keep floating" and Esc as "stop here". User-interface thread only.
//
// The drag of item links while the bars are customized (DragItemLink): a link is moved to
// another place or bar, copied with Ctrl held, deleted by a drop off every bar, or given or
// relieved of its group line by a small move along its own bar; an item dragged from the
// customizing dialog's command list is placed as a new link. One modal mouse loop; the keyboard
// hook leaves keys alone while it holds the capture, so the loop reads Ctrl and Esc itself.

#include <cstdint>

#include "platform/win/Graphics.h"

class TCustomcbBarControl;
class TcbBarItem;
class TcbBarItemLink;
class TcbBarManager;

// Whether a bar is being dragged now.
bool cbIsBarDragging();
void cbSetBarDragging(bool Value);

// Fills the framework's DragBar and DragItemLink entries (at framework start).
void cbBarDragInit();

// Where the button went down for the next link drag (screen), when a bar window starts it after
// the mouse left the drag threshold: the group-line move is measured from there.
void SetItemLinkDragOrigin(TPoint ScreenPoint);

// Runs the link drag: Link (nullptr for an item from the command list) or Item follows the
// mouse until the button is released (the drop), Escape is pressed, the capture is lost, the
// owner form goes or the message loop ends (a WM_QUIT is posted again); only a drop changes
// anything. Nothing when a link drag already runs.
void DragItemLink(TcbBarManager* Manager, TcbBarItem* Item, TcbBarItemLink* Link);

// The change test of a drop, on places in the target's link list (collection order): Dragged
// is the dragged link's place there, or -1 when the dragged thing is no link of that list (an
// item from the command list, a link of another list); Target the target link's place. Outside
// and Leading are the target window's answers for the point: outside the target's rect (on its
// group line) and on its leading half. A drop goes before the target when Leading is set, after
// it otherwise. False only when the drop leaves the order of the list and its group lines as
// they are.
bool DropChangesLinks(int32_t Dragged, int32_t Target, bool DraggedBeginGroup, bool TargetBeginGroup, bool Outside,
                      bool Leading, bool Copy);
// The same for live links (Dragged nullptr: an item from the command list).
bool DropChangesLinks(const TcbBarItemLink* Dragged, const TcbBarItemLink* Target, bool Outside, bool Leading,
                      bool Copy);

// Draws the insertion mark before (Leading) or after the link's control in its bar window, by
// inverting pixels: a second call with the same values erases it. Outside and Leading: before
// the link's group line. Nothing without a window handle or a control.
void DrawDragInsertMark(TCustomcbBarControl* BarWindow, TcbBarItemLink* Link, bool Outside, bool Leading);
