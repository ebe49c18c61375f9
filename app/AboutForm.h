#pragma once
// "About": the banner, the product's clickable web and e-mail addresses, its notice and "Go web".

#include <string>

#include "app/StaticText.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TAboutForm : public TForm {
public:
    explicit TAboutForm(TComponent* AOwner);
    std::string ClassName() const override { return "TAboutForm"; }

    TImage* Image = nullptr;
    TLinkLabel* WebLabel = nullptr;
    TLinkLabel* MailLabel = nullptr;
    TLabel* NoticeLabel = nullptr;
    TLabel* NewlyLabel = nullptr;
    TButton* GoWebButton = nullptr;

    void FormCreate(TObject* Sender);
    void WebLabelClick(TObject* Sender);
    void MailLabelClick(TObject* Sender);
    void GoWebButtonClick(TObject* Sender);
    // Esc closes the window.
    bool DialogKey(TWinControl* From, uint16_t Key, TShiftState Shift) override;
};
