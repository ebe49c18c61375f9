#pragma once
// Where an item stands in a bar or menu window: its control there, and the screen centre of
// its button or row.

#include <windows.h>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"

namespace CommandBarsTest {

// The control of the item in Window (nullptr: the window has no link to it).
inline TcbBarItemControl* ItemControlIn(TCustomcbBarControl* Window, TcbBarItem* Item)
{
    if (!Window || !Window->GetItemLinks())
        return nullptr;
    TcbBarItemLinks* Links = Window->GetItemLinks();
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        if (Links->GetItem(I)->GetItem() == Item)
            return Links->GetItem(I)->GetControl();
    return nullptr;
}

// The screen centre of the item's control in Window; (-1, -1) when it has none there.
inline POINT ItemScreenCenter(TCustomcbBarControl* Window, TcbBarItem* Item)
{
    TcbBarItemControl* Control = ItemControlIn(Window, Item);
    if (!Control)
        return POINT{-1, -1};
    const TRect R = Control->GetItemRect();
    POINT P{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
    ClientToScreen(Window->GetHandle(), &P);
    return P;
}

} // namespace CommandBarsTest
