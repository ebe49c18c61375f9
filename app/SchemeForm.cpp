#include "app/SchemeForm.h"

#include <cmath>

#include "app/FormParts.h"
#include "app/OptionPages.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/SysUtils.h"

using namespace OptionPages;

std::string ShortDateText(TDateTime Value)
{
    return FormatDateTime(DefaultLocaleFormats().ShortDateFormat, Value);
}

std::string ShortTimeText(TDateTime Value)
{
    return FormatDateTime(DefaultLocaleFormats().ShortTimeFormat, Value);
}

std::string LongTimeText(TDateTime Value) { return FormatDateTime(DefaultLocaleFormats().LongTimeFormat, Value); }

bool ParseDateText(const std::string& Text, TDateTime& Value)
{
    return TryStrToDate(Trim(Text), Value, DefaultLocaleFormats());
}

bool ParseTimeText(const std::string& Text, TDateTime& Value)
{
    return TryStrToTime(Trim(Text), Value, DefaultLocaleFormats());
}

TSchemeForm::TSchemeForm(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Scheme");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(308, 242);
    SchemeTypeLabel = MakeLabel(this, this, 12, 12, "Scheme type :");
    SchemeTypeValueLabel = MakeLabel(this, this, 100, 12, "");
    SchemeTypeValueLabel->GetFont()->SetStyle(TFontStyles{fsBold});

    DetailGroupBox = MakeGroup(this, this, 8, 34, 292, 100, "Detail :");
    TimeLabel = MakeLabel(this, DetailGroupBox, 12, 26, "Time :");
    StartTimeEdit = PlaceControl<TEdit>(DetailGroupBox, this, 60, 22, 130, 21);
    StartTimeEdit->SetEnabled(false);
    DateLabel = MakeLabel(this, DetailGroupBox, 12, 54, "Date :");
    StartDateEdit = PlaceControl<TEdit>(DetailGroupBox, this, 60, 50, 130, 21);
    StartDateEdit->SetEnabled(false);
    StartNowCheckBox = PlaceControl<TCheckBox>(DetailGroupBox, this, 60, 76, 200, 17);
    StartNowCheckBox->SetCaption("Start on now");
    StartNowCheckBox->SetChecked(true);
    StartNowCheckBox->OnClick = [this](TObject* S) { StartNowCheckBoxClick(S); };

    EveryGroupBox = MakeGroup(this, this, 8, 140, 292, 58, "Every :");
    EveryEdit = PlaceControl<TEdit>(EveryGroupBox, this, 12, 24, 60, 21);
    EveryEdit->SetText("1");
    EveryUpDown = PlaceControl<TUpDown>(EveryGroupBox, this, 72, 24, 16, 21);
    EveryUpDown->SetMin(0);
    EveryUpDown->SetWrap(false);
    EveryUpDown->SetPosition(1);
    EveryUpDown->SetAssociate(EveryEdit);
    FollowBuddy(EveryUpDown, EveryEdit);
    UnitLabel = MakeLabel(this, EveryGroupBox, 100, 28, "");

    OkButton = MakeButton(this, this, 140, 208, 75, "&OK");
    OkButton->SetDefault(true);
    OkButton->OnClick = [this](TObject* S) { OkButtonClick(S); };
    CancelButton = MakeButton(this, this, 224, 208, 75, "&Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);

    Timer = new TTimer(this);
    Timer->SetInterval(1000);
    Timer->SetOnTimer([this](TObject* S) { TimerTimer(S); });
    OnShow = [this](TObject* S) { FormShow(S); };
    FormCreate(this);
}

void TSchemeForm::FormCreate(TObject*)
{
    TimerTimer(Timer);
    FScheme = nullptr;
}

void TSchemeForm::FormShow(TObject*)
{
    UnitLabel->SetCaption(TRegScheme::UnitForChoice(SchemeTypeValueLabel->GetCaption()));
    // The fields show the present at once when they follow the clock, not a second later.
    TimerTimer(Timer);
}

void TSchemeForm::TimerTimer(TObject*)
{
    if (!StartNowCheckBox->GetChecked())
        return;
    const TDateTime N = Now();
    StartTimeEdit->SetText(ShortTimeText(N));
    StartDateEdit->SetText(ShortDateText(N));
}

void TSchemeForm::StartNowCheckBoxClick(TObject*)
{
    const bool Manual = !StartNowCheckBox->GetChecked();
    StartTimeEdit->SetEnabled(Manual);
    StartDateEdit->SetEnabled(Manual);
}

void TSchemeForm::OkButtonClick(TObject*)
{
    // "Start on now" stores the moment of the click.
    TimerTimer(Timer);
    TDateTime D = 0, T = 0;
    if (!ParseDateText(StartDateEdit->GetText(), D) || !ParseTimeText(StartTimeEdit->GetText(), T)) {
        ShowErrorBox(this, "Sorry, the date or time is invalid, please change them and try again!");
        TEdit* Bad = ParseDateText(StartDateEdit->GetText(), D) ? StartTimeEdit : StartDateEdit;
        if (Bad->CanFocus())
            Bad->SetFocus();
        return;
    }
    FParsedDate = std::trunc(D);
    FParsedTime = T;
    FParsedCount = static_cast<int16_t>(EveryUpDown->GetPosition());
    SetModalResult(mrOk);
}

bool EditScheme(TRegScheme* Scheme, TComboBox* SchemeTypeComboBox, TMemo* SchemeMemo)
{
    TComponentPtr<TSchemeForm> F(new TSchemeForm(nullptr));
    const int32_t I = SchemeTypeComboBox->GetItemIndex();
    F->SchemeTypeValueLabel->SetCaption(I >= 0 ? SchemeTypeComboBox->GetItems()->GetStrings(I) : std::string());
    // Unchecking (no start date set yet means "now") enables the two fields.
    F->StartNowCheckBox->SetChecked(std::trunc(Scheme->GetStartDate()) == 0);
    F->EveryUpDown->SetPosition(static_cast<uint16_t>(Scheme->GetSchemeCount()));
    F->StartDateEdit->SetText(ShortDateText(Scheme->GetStartDate()));
    F->StartTimeEdit->SetText(LongTimeText(Scheme->GetStartTime()));
    F->SetScheme(Scheme);
    if (F->ShowModal() != mrOk)
        return false;
    // Stored together, only once all three were read.
    Scheme->SetSchemeCount(F->GetParsedCount());
    Scheme->SetStartDate(F->GetParsedDate());
    Scheme->SetStartTime(F->GetParsedTime());
    SchemeMemo->GetLines()->Clear();
    const std::string Description = Scheme->Description();
    if (!Description.empty())
        SchemeMemo->GetLines()->Add(Description);
    return true;
}
