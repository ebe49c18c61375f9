// The keyboard hook: menu mode with Alt or F10, keys for an open menu, shortcuts and
// accelerators of bar items, the context-menu key.

#include "commandbars/cbHooks.h"

#include "platform/win/ThreadHook.h"

bool cbKeyboardHookProc(TThreadHookCall& Call)
{
    (void)Call;
    return false;
}
