#include "app/GenProgressForm.h"

#include "app/FormParts.h"

TGenProgressForm::TGenProgressForm(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Please wait a moment ...");
    SetBorderStyle(bsSingle);
    SetBorderIcons(TBorderIcons{});
    SetFormStyle(fsStayOnTop);
    TForm::SetPosition(poScreenCenter);  // the form's placement, not the bar's position
    SetClientSize(324, 70);
    InfoLabel = PlaceLabel(this, this, 12, 12, 300, 15);
    InfoLabel->SetCaption("HTML Generate is in progress:");
    ProgressBar = PlaceControl<TProgressBar>(this, this, 12, 36, 300, 18);
    ProgressBar->SetMin(0);
    ProgressBar->SetAnchors(TAnchors{akLeft, akTop, akRight});
    FitText(this);
}

void TGenProgressForm::SetMax(int32_t Value)
{
    ProgressBar->SetPosition(0);
    ProgressBar->SetMax(Value < 0 ? 0 : Value);
}

void TGenProgressForm::SetPosition(int32_t Value) { ProgressBar->SetPosition(Value); }

void TGenProgressForm::UpdateNow()
{
    if (HandleAllocated())
        UpdateWindow(GetHandle());
}
