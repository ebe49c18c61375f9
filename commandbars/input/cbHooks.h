#pragma once
// The three thread hooks that every bar manager shares (installed with the first manager,
// removed after the last one): the keyboard hook (menu mode with Alt or F10, keys for an open
// menu, shortcuts and accelerators, the context-menu key), the mouse hook (the input of a
// disabled form handed to the customized bars under the mouse, closing menus on clicks
// elsewhere, right-click context menus) and the call-window-procedure hook, which hands
// every message of a form that owns a manager to TcbBarManager::ProcessOwnerMessage.
// User-interface thread only.

#include <windows.h>

#include "cbBarDrag.h"

class TThreadHookCall;
class TCustomcbBarControl;
class TcbBarManager;

// Installs each hook that is not installed yet, for the calling thread.
void cbInstallThreadHooks();
// Unhooks the call-window-procedure hook, then the mouse hook, then the keyboard hook.
void cbRemoveThreadHooks();
// InstallBarHooks, RemoveBarHooks and cbStopBarHooks (cbBarManager.h), which start and stop
// the hooks and the hint window as managers join and leave the list, are defined in cbHooks.cpp.

// The hook handles, 0 when not installed (tests look at them).
HHOOK cbKeyboardHookHandle();
HHOOK cbMouseHookHandle();
HHOOK cbCallWndProcHookHandle();

// The hook bodies (cbKeyboardHook.cpp, cbMouseHook.cpp, cbHooks.cpp): true when the event was
// handled, so that it is discarded. The click queue runs when a body ends.
bool cbKeyboardHookProc(TThreadHookCall& Call);
bool cbMouseHookProc(TThreadHookCall& Call);
bool cbCallWndProcHookProc(TThreadHookCall& Call);

// The open sub-menu: the innermost menu window, or a toolbar in menu mode (the head of the
// active bar window chain); nullptr when no menu is open. Its manager, or nullptr.
TCustomcbBarControl* cbOpenSubMenu();
TcbBarManager* cbOpenSubMenuManager();
