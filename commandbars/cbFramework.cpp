#include "commandbars/cbFramework.h"

#include <memory>

#include "commandbars/input/cbBarDrag.h"
#include "commandbars/model/cbBarLayoutStore.h"
#include "commandbars/windows/cbBarPopups.h"
#include "commandbars/windows/cbBarQuickControl.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/painters/cbPainter.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/windows/cbSubMenu.h"
#include "commandbars/windows/cbSystemMenu.h"
#include "commandbars/foundation/cbTheme.h"
#include "commandbars/windows/cbToolbar.h"
#include "commandbars/customize/cbBarCustForm.h"
#include "commandbars/painters/cbPainterFlat.h"
#include "commandbars/painters/cbPainterOffice11.h"
#include "commandbars/painters/cbPainterStandard.h"
#include "commandbars/painters/cbPainterXP.h"
#include "commandbars/lookandfeel/uiLookAndFeelPainters.h"
#include "commandbars/lookandfeel/uiLookAndFeel.h"
#include "platform/win/Screen.h"

namespace {

int32_t gUseCount = 0;
// Made before any manager's, so the colours are fresh when the managers repaint.
std::unique_ptr<TcbThemeChangedNotificator> gThemeNotificator;

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
    gThemeNotificator = std::make_unique<TcbThemeChangedNotificator>();
    gThemeNotificator->OnThemeChanged = [] { RefreshOffice11Colors(); };
    cbStandardPaintersInit();
    cbFlatPainterInit();
    cbXPPainterInit();
    cbOffice11PainterInit();
    cbBarManagersInit();
    cbItemControlsInit();
    cbBarQuickControlInit();
    cbSystemMenuInit();
    cbToolbarInit();
    cbSubMenuInit();
    cbBarLayoutStoreInit();
    cbBarDragInit();
    cbBarPopupsInit();
    cbBarCustFormInit();
    uiLookAndFeelPaintersInit();
}

void cbFrameworkDone()
{
    if (gUseCount == 0 || --gUseCount > 0)
        return;
    uiLookAndFeelPaintersDone();
    cbBarCustFormDone();
    cbBarPopupsDone();
    cbSubMenuDone();
    cbToolbarDone();
    cbSystemMenuDone();
    cbBarQuickControlDone();
    cbItemControlsDone();
    // Managers still alive go before the rest: they hold the Office11 colours and may call the
    // extensions.
    cbBarManagersDone();
    ResetFrameworkExtensions();
    ResetStylePainters();
    gThemeNotificator.reset();
    cbOffice11Done();
    uiLookAndFeelDone();
    cbRoutinesDone();
    cbThemeDone();
}

int32_t cbFrameworkUseCount()
{
    return gUseCount;
}

void cbColorsChanged()
{
    cbSystemColorsChanged();
    RefreshOffice11Colors();
    TcbBarManagerList* Managers = BarManagers();
    if (!Managers)
        return;
    for (int32_t I = 0; I < Managers->GetCount(); ++I) {
        TcbBarManager* Manager = Managers->GetItem(I);
        Manager->RecreateSharedBrushes();
        Manager->UpdatePainter();
    }
}
