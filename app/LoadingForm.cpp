#include "app/LoadingForm.h"

#include "app/FormParts.h"
#include "app/Product.h"
#include "platform/win/Application.h"

TLoadingForm::TLoadingForm(TComponent* AOwner) : TForm(AOwner)
{
    SetBorderStyle(bsNone);
    SetFormStyle(fsStayOnTop);
    SetPosition(poScreenCenter);
    SetClientSize(344, 186);
    TPanel* Frame = PlaceControl<TPanel>(this, this, 0, 0, 344, 186);
    Frame->SetAlign(alClient);
    Frame->SetBevelInner(bvLowered);
    Frame->SetBevelWidth(2);
    Frame->SetCaption("");
    Image = PlaceControl<TImage>(Frame, this, 12, 12, 320, 80);
    Image->SetCursor(crHandPoint);
    WebLabel = PlaceControl<TLinkLabel>(Frame, this, 12, 102, 320, 17);
    MailLabel = PlaceControl<TLinkLabel>(Frame, this, 12, 122, 320, 17);
    NoticeLabel = PlaceLabel(Frame, this, 12, 144, 320, 15);
    NewlyLabel = PlaceLabel(Frame, this, 12, 162, 320, 15);
    Timer = new TTimer(this);
    Timer->SetEnabled(false);
    Timer->SetInterval(2000);
    Timer->SetOnTimer([this](TObject* S) { TimerTimer(S); });
    Image->OnClick = [this](TObject* S) { ImageClick(S); };
    OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
    FormCreate(this);
    FitText(this);
}

TLoadingForm* TLoadingForm::ShowSplash()
{
    auto* F = new TLoadingForm(Application);
    F->Show();
    F->Update(); // painted now: the program's loop starts only later
    return F;
}

void TLoadingForm::FormCreate(TObject*)
{
    LoadBanner(Image);
    WebLabel->SetCaption(Product::WebAddress);
    MailLabel->SetCaption(Product::EMail);
    NoticeLabel->SetCaption(Product::Notice);
    NewlyLabel->SetCaption("For newly one, please visit our web site");
    Timer->SetEnabled(true);
}

void TLoadingForm::FormClose(TObject*, TCloseAction& Action)
{
    Timer->SetEnabled(false);
    Action = caFree;
}

void TLoadingForm::TimerTimer(TObject*) { Close(); }

void TLoadingForm::ImageClick(TObject*) { Close(); }
