#include "commandbars/cbFramework.h"

#include "commandbars/cbBarManager.h"
#include "commandbars/cbExtensions.h"
#include "commandbars/cbOffice11Colors.h"
#include "commandbars/cbRoutines.h"
#include "commandbars/cbTheme.h"
#include "commandbars/styles/uiLookAndFeelPainters.h"
#include "commandbars/uiLookAndFeel.h"
#include "platform/win/Screen.h"

namespace {

int32_t gUseCount = 0;

} // namespace

void cbFrameworkInit()
{
    if (gUseCount++ > 0)
        return;
    // The cursors go into the screen's table.
    ScreenInit();
    cbThemeInit();
    cbRoutinesInit();
    uiLookAndFeelInit();
    cbOffice11Init();
    cbBarManagersInit();
    uiLookAndFeelPaintersInit();
}

void cbFrameworkDone()
{
    if (gUseCount == 0 || --gUseCount > 0)
        return;
    uiLookAndFeelPaintersDone();
    // Managers still alive go before the rest: they hold the Office11 colours and may call the
    // extensions.
    cbBarManagersDone();
    ResetFrameworkExtensions();
    cbOffice11Done();
    uiLookAndFeelDone();
    cbRoutinesDone();
    cbThemeDone();
}

int32_t cbFrameworkUseCount()
{
    return gUseCount;
}
