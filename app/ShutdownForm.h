#pragma once
// The shut-down countdown: fifteen one-second ticks, then the dialog closes with OK; "Cancel"
// closes it with Cancel. The form only counts: the opener shuts the computer down on OK.

#include <cstdint>
#include <string>

#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Timer.h"

class TShutdownForm : public TForm {
public:
    static constexpr int32_t Seconds = 15;

    explicit TShutdownForm(TComponent* AOwner);
    std::string ClassName() const override { return "TShutdownForm"; }

    TLabel* ShutLabel = nullptr;
    TProgressBar* ProgressBar = nullptr;
    TButton* CancelButton = nullptr;
    TTimer* Timer = nullptr;

    int32_t GetCount() const { return FCount; }

    void FormCreate(TObject* Sender);
    // One second: the count goes up, the bar and label follow; at fifteen the dialog ends with OK.
    void TimerTimer(TObject* Sender);

private:
    int32_t FCount = 0;
};
