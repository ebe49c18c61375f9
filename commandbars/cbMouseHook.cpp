// The mouse hook: closing open menus on clicks elsewhere, right-click context menus.

#include "commandbars/cbHooks.h"

#include "platform/win/ThreadHook.h"

bool cbMouseHookProc(TThreadHookCall& Call)
{
    (void)Call;
    return false;
}
