#pragma once
// Memory device contexts (compatible with the screen) made and freed one at a time across the
// program's threads.
//
// Under Wine every memory DC takes an X graphics context on the one X connection the process's
// GDI shares, and DeleteDC frees it. Made and freed from several threads at once, Xlib's resource
// id allocation on that connection has aborted the program (_XAllocID, workers making pictures
// and thumbnails while the window paints). Every memory DC of the program is therefore made and
// freed through these two calls; on Windows they are the two system calls under a short lock.

#include <windows.h>

// CreateCompatibleDC(nullptr) under the lock; nullptr when the system refused.
HDC CreateMemoryDC();
// DeleteDC under the lock; nullptr is ignored (TRUE).
BOOL DeleteMemoryDC(HDC DC);
