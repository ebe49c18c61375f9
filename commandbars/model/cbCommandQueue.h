#pragma once
// The click queue and the registry of live item controls.
//
// A click never runs its command from inside the click code: the control finishes with itself,
// its bar window and the menus first, and puts the item's DoClick on this queue. The queue runs
// when the outermost framework entry returns (a bar window's message handler, a hook procedure,
// a popup loop), so that a command that hides or frees the clicked item, its control or the bar
// window is never followed by code that touches them. Every entry checks that its item still
// exists before it runs. User-interface thread only.

#include <cstdint>

class TcbBarItem;
class TcbBarItemControl;
class TcbBarItemLink;

// Item controls register on construction and leave on destruction: IsLiveItemControl tells
// whether a pointer taken before a call that may free objects still names a control.
void RegisterItemControl(TcbBarItemControl* Control);
void UnregisterItemControl(TcbBarItemControl* Control);
bool IsLiveItemControl(const TcbBarItemControl* Control);

// Whether the item still exists (it is still an item of a live manager, or a temporary item).
bool IsLiveItem(const TcbBarItem* Item);

// Puts Item's DoClick on the queue; CountingLink is recorded as the link being clicked while it
// runs (when the link still belongs to the item then).
void QueueItemClick(TcbBarItem* Item, TcbBarItemLink* CountingLink);
// The number of clicks waiting.
int32_t QueuedClickCount();
// Runs the waiting clicks in order (clicks queued meanwhile run too) unless an entry is still
// open. An exception of a command is reported by DoClick itself; the record of the clicked link
// is cleared in any case.
void RunClickQueue();
// Drops every waiting click (the framework's end).
void ClearClickQueue();

// One framework entry: the queue runs when the outermost one ends. An entry made with
// DeferClicks (the keyboard hook's) leaves the waiting clicks to a timer of the thread instead:
// a command run inside the hook procedure would run its modal dialogs there, and under Wine such
// a dialog's buttons never end its loop.
class TcbFrameworkEntry {
public:
    explicit TcbFrameworkEntry(bool DeferClicks = false);
    TcbFrameworkEntry(const TcbFrameworkEntry&) = delete;
    TcbFrameworkEntry& operator=(const TcbFrameworkEntry&) = delete;
    ~TcbFrameworkEntry();

private:
    bool FDeferClicks;
};
int32_t FrameworkEntryDepth();
