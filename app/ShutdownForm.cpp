#include "app/ShutdownForm.h"

#include "app/FormParts.h"
#include "platform/rtl/SysUtils.h"

TShutdownForm::TShutdownForm(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Shutdown computer");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(324, 104);
    ShutLabel = PlaceLabel(this, this, 12, 14, 300, 15);
    ShutLabel->SetCaption("Auto shutdown computer in 15 second(s)");
    ProgressBar = PlaceControl<TProgressBar>(this, this, 12, 38, 300, 18);
    ProgressBar->SetMin(0);
    ProgressBar->SetMax(Seconds);
    ProgressBar->SetAnchors(TAnchors{akLeft, akTop, akRight});
    CancelButton = PlaceControl<TButton>(this, this, 124, 68, 76, 25);
    CancelButton->SetCaption("&Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    CancelButton->SetAnchors(TAnchors{akTop}); // stays centred
    Timer = new TTimer(this);
    Timer->SetEnabled(false);
    Timer->SetInterval(1000);
    Timer->SetOnTimer([this](TObject* S) { TimerTimer(S); });
    // The count runs only while the window is up: a tick after Cancel must change nothing.
    OnShow = [this](TObject*) { Timer->SetEnabled(FCount < Seconds); };
    OnClose = [this](TObject*, TCloseAction&) { Timer->SetEnabled(false); };
    OnHide = [this](TObject*) { Timer->SetEnabled(false); };
    FormCreate(this);
    FitText(this); // the first count is the longest
}

void TShutdownForm::FormCreate(TObject*)
{
    FCount = 0;
    ProgressBar->SetPosition(0);
}

void TShutdownForm::TimerTimer(TObject*)
{
    if (FCount >= Seconds)
        return;
    ++FCount;
    ProgressBar->SetPosition(FCount);
    ShutLabel->SetCaption("Auto shutdown computer in " + IntToStr(Seconds - FCount) + " second(s)");
    if (FCount >= Seconds) {
        Timer->SetEnabled(false);
        SetModalResult(mrOk);
    }
}
