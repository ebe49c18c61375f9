#pragma once
// The main window's toolbar and its buttons as a user meets them: the toolbar among the window's
// controls, a button by the command it runs. The command bars' own header stays out of the tests.

#include <cstdint>

#include "app/MainActions.h"
#include "app/MainForm.h"
#include "platform/win/ToolBar.h"

namespace MainFormTest {

inline TToolBar* MainToolBar(TMainForm* Form)
{
    for (int32_t I = 0; I < Form->GetControlCount(); ++I)
        if (auto* Bar = dynamic_cast<TToolBar*>(Form->GetControls(I)))
            return Bar;
    return nullptr;
}

// The toolbar button that runs the command, or nullptr.
inline TToolButton* MainToolButton(TMainForm* Form, uint16_t ActionId)
{
    TToolBar* Bar = MainToolBar(Form);
    TAction* Action = Form->Actions->Find(ActionId);
    if (!Bar || !Action)
        return nullptr;
    for (int32_t I = 0; I < Bar->GetButtonCount(); ++I)
        if (Bar->GetButtons(I)->GetAction() == Action)
            return Bar->GetButtons(I);
    return nullptr;
}

} // namespace MainFormTest
