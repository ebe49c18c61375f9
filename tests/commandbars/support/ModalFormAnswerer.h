#pragma once
// Answers the framework's own modal forms, which are no "#32770" dialogs: a user-interface-thread
// timer finds the thread's visible top-level window captioned exactly Caption and hands it, with
// the form object behind it, to Step. Step drives the form by messages and returns true when it
// has answered; the answerer then stops (one form per answerer).

#include <functional>
#include <memory>
#include <string>

#include <windows.h>

#include "platform/win/Controls.h"
#include "platform/win/HiddenWindow.h"
#include "tests/support/TestSupport.h"

namespace CommandBarsTest {

class TModalFormAnswerer {
public:
    using TStep = std::function<bool(HWND Window, TWinControl* Form)>;

    TModalFormAnswerer(std::string Caption, TStep Step) : FCaption(std::move(Caption)), FStep(std::move(Step))
    {
        FWindow = std::make_unique<THiddenWindow>([this](UINT Msg, WPARAM WParam, LPARAM, LRESULT& Result) {
            if (Msg != WM_TIMER || WParam != kTimer)
                return false;
            Tick();
            Result = 0;
            return true;
        });
        SetTimer(FWindow->GetHandle(), kTimer, 20, nullptr);
    }
    TModalFormAnswerer(const TModalFormAnswerer&) = delete;
    TModalFormAnswerer& operator=(const TModalFormAnswerer&) = delete;
    ~TModalFormAnswerer() { KillTimer(FWindow->GetHandle(), kTimer); }

    bool Answered() const { return FAnswered; }
    int Ticks() const { return FTicks; }

private:
    static constexpr UINT_PTR kTimer = 0x4D46;

    void Tick()
    {
        if (FAnswered || FBusy)
            return;
        for (HWND W : TestSupport::VisibleThreadWindows()) {
            char Text[256] = {};
            GetWindowTextA(W, Text, sizeof Text);
            if (FCaption != Text)
                continue;
            // A step may pump messages (a message box of the form): the timer must not re-enter.
            FBusy = true;
            ++FTicks;
            FAnswered = FStep(W, TWinControl::FindControl(W));
            FBusy = false;
            return;
        }
    }

    std::string FCaption;
    TStep FStep;
    bool FAnswered = false;
    bool FBusy = false;
    int FTicks = 0;
    std::unique_ptr<THiddenWindow> FWindow;
};

// Clicks a button the way a user's click ends in: BM_CLICK.
inline void ClickButton(TWinControl* Button)
{
    SendMessageA(Button->GetHandle(), BM_CLICK, 0, 0);
}

// Chooses a combo row as the user does: CB_SETCURSEL and the parent's CBN_SELCHANGE.
inline void ChooseComboRow(TWinControl* Combo, int Row)
{
    HWND C = Combo->GetHandle();
    SendMessageA(C, CB_SETCURSEL, static_cast<WPARAM>(Row), 0);
    SendMessageA(GetParent(C), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(C), CBN_SELCHANGE), reinterpret_cast<LPARAM>(C));
}

} // namespace CommandBarsTest
