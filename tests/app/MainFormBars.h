#pragma once
// The main window's command bars as a user meets them: the menu bar's menus and the "Standard"
// toolbar read through the bar manager, an item by the command it runs, and the captions of a
// list of links with the group lines; and a poll that plays a test's step inside whatever
// message loop runs (a menu's, a dialog's).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/MainActions.h"
#include "app/MainCommandBars.h"
#include "app/MainForm.h"
#include "commandbars/model/cbBar.h"
#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/BarWindowItems.h"

namespace MainFormTest {

inline TcbBarManager* BarManagerOf(TMainForm* Form) { return Form->CommandBars->GetBarManager(); }
inline TcbBar* MainMenuBar(TMainForm* Form) { return BarManagerOf(Form)->GetBars()->GetItem(0); }
inline TcbBar* StandardBar(TMainForm* Form) { return BarManagerOf(Form)->GetBars()->GetItem(1); }

// The bar item that runs the command, or nullptr.
inline TcbBarButton* ItemOf(TMainForm* Form, uint16_t ActionId) { return Form->CommandBars->ItemOf(ActionId); }

// The sub-item of the menu bar's Index-th menu.
inline TcbBarSubItem* MenuOf(TMainForm* Form, int32_t Index)
{
    TcbBarItemLinks* Links = MainMenuBar(Form)->GetItemLinks();
    return Index < Links->GetCount() ? dynamic_cast<TcbBarSubItem*>(Links->GetItem(Index)->GetItem()) : nullptr;
}

// The captions of the links in order, "|" before each link that begins a group.
inline std::vector<std::string> LinkCaptions(TcbBarItemLinks* Links)
{
    std::vector<std::string> Out;
    for (int32_t I = 0; I < Links->GetCount(); ++I) {
        TcbBarItemLink* Link = Links->GetItem(I);
        if (Link->GetOwnBeginGroup() && I > 0)
            Out.push_back("|");
        Out.push_back(Link->GetCaption());
    }
    return Out;
}

// The toolbar's window (nullptr while the bar has none).
inline TCustomcbBarControl* ToolBarWindow(TMainForm* Form) { return StandardBar(Form)->GetBarControl(); }

using CommandBarsTest::ItemControlIn;
using CommandBarsTest::ItemScreenCenter;

// Whether the toolbar's button of the command is drawn enabled.
inline bool ToolButtonEnabled(TMainForm* Form, uint16_t ActionId)
{
    TcbBarItemControl* Control = ItemControlIn(ToolBarWindow(Form), ItemOf(Form, ActionId));
    return Control && Control->GetEnabled();
}

// Runs Step every Ms on this thread (inside whatever loop runs then) until it answers true.
class TPoll {
public:
    TPoll(uint32_t Ms, std::function<bool()> Step) : FStep(std::move(Step))
    {
        FId = ThreadTimerStart(Ms, [this](UINT_PTR) {
            // A step that serves messages must not be entered again by the next tick.
            if (!FId || FBusy)
                return;
            FBusy = true;
            const bool Done = FStep();
            FBusy = false;
            if (Done && FId) {
                ThreadTimerStop(FId);
                FId = 0;
            }
        });
    }
    ~TPoll()
    {
        if (FId)
            ThreadTimerStop(FId);
    }

private:
    UINT_PTR FId = 0;
    bool FBusy = false;
    std::function<bool()> FStep;
};

} // namespace MainFormTest
