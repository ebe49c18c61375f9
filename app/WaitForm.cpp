#include "app/WaitForm.h"

#include "app/FormParts.h"
#include "platform/win/ExtCtrls.h"

TWaitForm::TWaitForm(TComponent* AOwner) : TForm(AOwner)
{
    SetBorderStyle(bsNone);
    SetPosition(poScreenCenter);
    SetClientSize(300, 76);
    TPanel* Frame = PlaceControl<TPanel>(this, this, 0, 0, 300, 76);
    Frame->SetAlign(alClient);
    Frame->SetBevelInner(bvLowered);
    Frame->SetBevelWidth(2);
    Frame->SetCaption("");
    PleaseLabel = PlaceLabel(Frame, this, 12, 12, 276, 15);
    PleaseLabel->SetCaption("Please wait ...");
    MessageLabel = PlaceControl<TStaticText>(Frame, this, 12, 38, 276, 20);
    MessageLabel->SetAlignment(taCenter);
    MessageLabel->SetParentFont(false);
    MessageLabel->GetFont()->SetStyle(TFontStyles{fsBold});
    MessageLabel->SetAnchors(TAnchors{akLeft, akTop, akRight});
    FitText(this);
}

void TWaitForm::ShowMessage(const std::string& Text)
{
    MessageLabel->SetCaption(Text);
    FitText(this);
    // The main window keeps the activation: the notice is only read, and a window that takes
    // none is shown and hidden at once also where no window manager answers for it.
    ShowNoActivate();
    Update();
}
