#include "app/ShowMinPromptForm.h"

#include "app/FormParts.h"
#include "app/Product.h"
#include "platform/rtl/SysUtils.h"

TShowMinPromptForm::TShowMinPromptForm(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Minized");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(364, 148);
    Image = PlaceControl<TImage>(this, this, 14, 14, 32, 32);
    PNameLabel = PlaceLabel(this, this, 60, 14, 290, 17);
    PNameLabel->SetParentFont(false);
    PNameLabel->GetFont()->SetStyle(TFontStyles{fsBold});
    Line1Label = PlaceLabel(this, this, 60, 42, 290, 15);
    Line1Label->SetCaption("To restore main window, just click the search icon on");
    Line2Label = PlaceLabel(this, this, 60, 60, 290, 15);
    Line2Label->SetCaption("system panel once.");
    ShowNextCheck = PlaceControl<TCheckBox>(this, this, 60, 86, 290, 17);
    ShowNextCheck->SetCaption("Don't show this window on next time");
    OKButton = PlaceControl<TButton>(this, this, 144, 114, 76, 25);
    OKButton->SetCaption("&OK");
    OKButton->SetDefault(true);
    OKButton->SetCancel(true);
    OKButton->SetModalResult(mrOk);
    OKButton->SetAnchors(TAnchors{akTop}); // stays centred
    SetActiveControl(OKButton);
    FormCreate(this);
    FitText(this);
}

void TShowMinPromptForm::FormCreate(TObject*)
{
    PNameLabel->SetCaption(Format("%s minimized", Product::Name));
    LoadProgramIcon(Image);
}
