#pragma once
// The schedule dialog: start date and time and the repeat count of a TRegScheme, and the
// schedule-editing steps both the task and the options dialog run through it.

#include <string>

#include "engine/RegSettings.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Timer.h"

class TSchemeForm : public TForm {
public:
    explicit TSchemeForm(TComponent* AOwner);
    std::string ClassName() const override { return "TSchemeForm"; }

    TLabel* SchemeTypeLabel = nullptr;
    TLabel* SchemeTypeValueLabel = nullptr;
    TGroupBox* DetailGroupBox = nullptr;
    TLabel* TimeLabel = nullptr;
    TEdit* StartTimeEdit = nullptr;
    TLabel* DateLabel = nullptr;
    TEdit* StartDateEdit = nullptr;
    TCheckBox* StartNowCheckBox = nullptr;
    TGroupBox* EveryGroupBox = nullptr;
    TEdit* EveryEdit = nullptr;
    TUpDown* EveryUpDown = nullptr;
    TLabel* UnitLabel = nullptr;
    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;
    TTimer* Timer = nullptr;

    // The schedule being edited (not owned).
    TRegScheme* GetScheme() const { return FScheme; }
    void SetScheme(TRegScheme* Value) { FScheme = Value; }

    // What OK accepted: the date and time parsed from the two fields, the count from the up-down.
    TDateTime GetParsedDate() const { return FParsedDate; }
    TDateTime GetParsedTime() const { return FParsedTime; }
    int16_t GetParsedCount() const { return FParsedCount; }

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void TimerTimer(TObject* Sender);
    void StartNowCheckBoxClick(TObject* Sender);
    // Parses the date and the time before anything is stored; either one failing gives the
    // date-or-time box and the dialog stays open.
    void OkButtonClick(TObject* Sender);

private:
    TRegScheme* FScheme = nullptr;
    TDateTime FParsedDate = 0;
    TDateTime FParsedTime = 0;
    int16_t FParsedCount = 0;
};

// Dates and times as the system's short date, short time and long time formats show them.
std::string ShortDateText(TDateTime Value);
std::string ShortTimeText(TDateTime Value);
std::string LongTimeText(TDateTime Value);
// A date or a time of day typed in those formats (short or long time); false when it is none.
bool ParseDateText(const std::string& Text, TDateTime& Value);
bool ParseTimeText(const std::string& Text, TDateTime& Value);

// The schedule-editing steps: opens TSchemeForm on Scheme with the type chosen in the combo box;
// on OK stores count, date and time together and writes the new description into the memo.
// The schedule type itself is left to the combo box. True when OK was chosen.
bool EditScheme(TRegScheme* Scheme, TComboBox* SchemeTypeComboBox, TMemo* SchemeMemo);
