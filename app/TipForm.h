#pragma once
// "Tip of the Day": one of the built-in tips, a "Next tip" button and the check box that stops
// the tips at start-up. The opener passes the index to show and reads back GetCurrentIndex and
// ShowTipCheckBox after the window closes.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TTipForm : public TForm {
public:
    static constexpr size_t MaxTipLength = 499;

    explicit TTipForm(TComponent* AOwner);
    ~TTipForm() override;
    std::string ClassName() const override { return "TTipForm"; }

    TLabel* DidYouKnowLabel = nullptr;
    TMemo* TipMemo = nullptr;
    TCheckBox* ShowTipCheckBox = nullptr;
    TButton* NextTipButton = nullptr;
    TButton* CloseButton = nullptr;

    // Shows tip Index; an index outside the list shows the first tip.
    void ShowTip(int32_t Index);
    void NextTipButtonClick(TObject* Sender);
    int32_t GetCurrentIndex() const { return FCurrentIndex; }
    int32_t GetTipCount() const { return static_cast<int32_t>(FTips.size()); }
    const std::string& GetTips(int32_t Index) const { return FTips.at(static_cast<size_t>(Index)); }
    // The state of "Do not show tips at startup".
    bool GetDontShowTips() const { return ShowTipCheckBox->GetChecked(); }

    void FormCreate(TObject* Sender);
    void FormDestroy(TObject* Sender);

private:
    std::vector<std::string> FTips;
    int32_t FCurrentIndex = 0;
};
