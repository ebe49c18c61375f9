#pragma once
// The progress window of HTML gallery generation. Made once at start-up and kept for the whole
// run: users show it, drive it and hide it again, and never free it.

#include <cstdint>
#include <string>

#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TGenProgressForm : public TForm {
public:
    explicit TGenProgressForm(TComponent* AOwner);
    std::string ClassName() const override { return "TGenProgressForm"; }

    TLabel* InfoLabel = nullptr;
    TProgressBar* ProgressBar = nullptr;

    // The bar runs from 0 to Value (at least 0); the position goes back to 0.
    void SetMax(int32_t Value);
    void SetPosition(int32_t Value);
    // Paints the window now (UpdateWindow), for callers that run without a message loop.
    void UpdateNow();
};
