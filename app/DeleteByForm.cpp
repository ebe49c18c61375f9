#include "app/DeleteByForm.h"

#include <vector>

#include "app/FormParts.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/ComCtrlsBasic.h"

namespace {

// The radio buttons stand in a column of their own on the left, each beside its controls in the
// groups: radio buttons in different groups would not exclude each other.
constexpr int32_t kGroupLeft = 108;
constexpr int32_t kGroupWidth = 440;

TLabel* MakeText(TForm* Owner, TWinControl* Parent, int32_t X, int32_t Y, const std::string& Caption)
{
    return PlaceLabel(Parent, Owner, X, Y, 10, 15, Caption);
}

TEdit* MakeEdit(TForm* Owner, TWinControl* Parent, const char* Name, int32_t X, int32_t Y, int32_t W,
                const std::string& Text)
{
    auto* E = PlaceControl<TEdit>(Parent, Owner, X, Y, W, 21);
    E->SetName(Name);
    E->SetText(Text);
    E->SetTabStop(true);
    return E;
}

TUpDown* MakeUpDown(TForm* Owner, TWinControl* Parent, TEdit* Buddy)
{
    auto* U = PlaceControl<TUpDown>(Parent, Owner, Buddy->GetLeft() + Buddy->GetWidth(), Buddy->GetTop(), 16, 21);
    U->SetMin(0);
    U->SetMax(2000);
    U->SetPosition(300);
    U->SetAssociate(Buddy);
    return U;
}

int32_t NumberOf(TEdit* Edit)
{
    return StrToIntDef(Trim(Edit->GetText()), 0);
}

} // namespace

TDeleteByForm::TDeleteByForm(TComponent* AOwner) : TForm(AOwner)
{
    SetName("DeleteByForm");
    SetCaption("Delete by ...");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(kGroupLeft + kGroupWidth + 10, 270);

    auto MakeRadio = [this](const char* Name, const char* Caption, int32_t Top) {
        auto* R = PlaceControl<TRadioButton>(this, this, 12, Top, 90, 18);
        R->SetName(Name);
        R->SetCaption(Caption);
        R->SetTabStop(true);
        return R;
    };

    ImageSizeGroup = PlaceControl<TGroupBox>(this, this, kGroupLeft, 8, kGroupWidth, 76);
    ImageSizeGroup->SetName("ImageSizeGroup");
    ImageSizeGroup->SetCaption("By image size:");
    SmallThanLabel = MakeText(this, ImageSizeGroup, 12, 25, "Small than");
    WidthEdit = MakeEdit(this, ImageSizeGroup, "WidthEdit", 110, 22, 56, "300");
    WidthUpDown = MakeUpDown(this, ImageSizeGroup, WidthEdit);
    TimesLabel = MakeText(this, ImageSizeGroup, 192, 25, "*");
    HeightEdit = MakeEdit(this, ImageSizeGroup, "HeightEdit", 210, 22, 56, "300");
    HeightUpDown = MakeUpDown(this, ImageSizeGroup, HeightEdit);
    NoteLabel = MakeText(this, ImageSizeGroup, 12, 52, "Note: You should to build-in images into library first.");
    ImageSizeButton = MakeRadio("ImageSizeButton", "Image size", 32);

    FileSizeGroup = PlaceControl<TGroupBox>(this, this, kGroupLeft, 92, kGroupWidth, 82);
    FileSizeGroup->SetName("FileSizeGroup");
    FileSizeGroup->SetCaption("By file size:");
    SizeEdit = MakeEdit(this, FileSizeGroup, "SizeEdit", 12, 22, 56, "10");
    SizeKBLabel = MakeText(this, FileSizeGroup, 74, 25, "KB");
    SmallRangeEdit = MakeEdit(this, FileSizeGroup, "SmallRangeEdit", 12, 50, 56, "10");
    SmallRangeLabel = MakeText(this, FileSizeGroup, 74, 53, "KB    <<");
    BigRangeEdit = MakeEdit(this, FileSizeGroup, "BigRangeEdit", 150, 50, 56, "20");
    BigRangeLabel = MakeText(this, FileSizeGroup, 212, 53, "KB");
    SmallThanButton = MakeRadio("SmallThanButton", "Small than", 116);
    RangeButton = MakeRadio("RangeButton", "Range", 144);

    FilterGroup = PlaceControl<TGroupBox>(this, this, kGroupLeft, 182, kGroupWidth, 50);
    FilterGroup->SetName("FilterGroup");
    FilterGroup->SetCaption("By filter:");
    FilterLabel = MakeText(this, FilterGroup, 12, 23, "Filter");
    FilterEdit = MakeEdit(this, FilterGroup, "FilterEdit", 60, 20, 100, "*.gif");
    FilterExampleLabel = MakeText(this, FilterGroup, 172, 23, "(tn*.*, *.gif, ?fie.*, ... etc)");
    FileFilterButton = MakeRadio("FileFilterButton", "File filter", 202);

    OkButton = PlaceControl<TButton>(this, this, kGroupLeft + kGroupWidth - 156, 236, 75, 25);
    OkButton->SetName("OkButton");
    OkButton->SetCaption("&OK");
    OkButton->SetDefault(true);
    OkButton->SetModalResult(mrOk);
    OkButton->SetTabStop(true);
    CancelButton = PlaceControl<TButton>(this, this, kGroupLeft + kGroupWidth - 75, 236, 75, 25);
    CancelButton->SetName("CancelButton");
    CancelButton->SetCaption("&Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    CancelButton->SetTabStop(true);

    // The buttons uncheck each other, being siblings; each then enables its own controls.
    ImageSizeButton->OnClick = [this](TObject* S) { ImageSizeButtonClick(S); };
    SmallThanButton->OnClick = [this](TObject* S) { SmallThanButtonClick(S); };
    RangeButton->OnClick = [this](TObject* S) { RangeButtonClick(S); };
    FileFilterButton->OnClick = [this](TObject* S) { FileFilterButtonClick(S); };
    ImageSizeButton->SetChecked(true);
    EnableMode(ImageSizeButton);
    SetActiveControl(OkButton);
    FitText(this);
}

void TDeleteByForm::EnableMode(TRadioButton* Mode)
{
    const std::vector<std::pair<TRadioButton*, std::vector<TControl*>>> Modes = {
        {ImageSizeButton, {SmallThanLabel, WidthEdit, WidthUpDown, HeightEdit, HeightUpDown}},
        {SmallThanButton, {SizeEdit, SizeKBLabel}},
        {RangeButton, {SmallRangeEdit, SmallRangeLabel, BigRangeEdit, BigRangeLabel}},
        {FileFilterButton, {FilterEdit, FilterLabel, FilterExampleLabel}},
    };
    for (const auto& [Button, Controls] : Modes)
        for (TControl* C : Controls)
            C->SetEnabled(false);
    for (const auto& [Button, Controls] : Modes)
        if (Button == Mode)
            for (TControl* C : Controls)
                C->SetEnabled(true);
}

void TDeleteByForm::ImageSizeButtonClick(TObject*) { EnableMode(ImageSizeButton); }
void TDeleteByForm::SmallThanButtonClick(TObject*) { EnableMode(SmallThanButton); }
void TDeleteByForm::RangeButtonClick(TObject*) { EnableMode(RangeButton); }
void TDeleteByForm::FileFilterButtonClick(TObject*) { EnableMode(FileFilterButton); }

TDeleteByRules TDeleteByForm::GetRules() const
{
    TDeleteByRules R;
    if (ImageSizeButton->GetChecked()) {
        R.BySize = true;
        R.MaxWidth = NumberOf(WidthEdit);
        R.MaxHeight = NumberOf(HeightEdit);
    } else if (SmallThanButton->GetChecked()) {
        R.BySmaller = true;
        R.SmallerThan = NumberOf(SizeEdit);
    } else if (RangeButton->GetChecked()) {
        R.ByRange = true;
        R.RangeFrom = NumberOf(SmallRangeEdit);
        R.RangeTo = NumberOf(BigRangeEdit);
    } else if (FileFilterButton->GetChecked()) {
        R.ByFilter = true;
        R.FileFilter = FilterEdit->GetText();
    }
    return R;
}
