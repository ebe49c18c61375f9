#include "app/AboutForm.h"

#include "app/FormParts.h"
#include "app/Product.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/ShellUtils.h"

TAboutForm::TAboutForm(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("About");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(344, 222);
    Image = PlaceControl<TImage>(this, this, 12, 12, 320, 80);
    WebLabel = PlaceControl<TLinkLabel>(this, this, 12, 102, 320, 17);
    WebLabel->OnClick = [this](TObject* S) { WebLabelClick(S); };
    MailLabel = PlaceControl<TLinkLabel>(this, this, 12, 122, 320, 17);
    MailLabel->OnClick = [this](TObject* S) { MailLabelClick(S); };
    NoticeLabel = PlaceLabel(this, this, 12, 146, 320, 15);
    NewlyLabel = PlaceLabel(this, this, 12, 164, 320, 15);
    GoWebButton = PlaceControl<TButton>(this, this, 256, 188, 76, 25);
    GoWebButton->SetCaption("&Go web");
    GoWebButton->SetDefault(true);
    GoWebButton->SetAnchors(TAnchors{akTop, akRight});
    GoWebButton->OnClick = [this](TObject* S) { GoWebButtonClick(S); };
    SetActiveControl(GoWebButton);
    FormCreate(this);
    FitText(this);
}

void TAboutForm::FormCreate(TObject*)
{
    LoadBanner(Image);
    WebLabel->SetCaption(Product::WebAddress);
    MailLabel->SetCaption(Product::EMail);
    NoticeLabel->SetCaption(Product::Notice);
    NewlyLabel->SetCaption("For newly one, please visit our web site");
}

void TAboutForm::WebLabelClick(TObject*)
{
    ShellOpen(GetHandle(), "open", Product::WebAddress, "", "", SW_SHOWNORMAL);
}

void TAboutForm::MailLabelClick(TObject*)
{
    ShellOpen(GetHandle(), "open", Format("mailto:%s", Product::EMail), "", "", SW_SHOWNORMAL);
}

void TAboutForm::GoWebButtonClick(TObject*)
{
    ShellOpen(GetHandle(), "open", Product::WebAddress, "", "", SW_SHOWNORMAL);
}

bool TAboutForm::DialogKey(TWinControl* From, uint16_t Key, TShiftState Shift)
{
    if (Key == VK_ESCAPE) {
        Close();
        return true;
    }
    return TForm::DialogKey(From, Key, Shift);
}
