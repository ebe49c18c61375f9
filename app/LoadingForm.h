#pragma once
// The splash window shown while the program starts: the banner, the product's addresses and its
// notice. It closes after two seconds or on a click on the banner, and then frees itself.

#include <string>

#include "app/StaticText.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Timer.h"

class TLoadingForm : public TForm {
public:
    explicit TLoadingForm(TComponent* AOwner);
    std::string ClassName() const override { return "TLoadingForm"; }

    // Creates the splash (owned by the application), shows it and paints it at once, without a
    // message loop of its own. The window frees itself when it closes.
    static TLoadingForm* ShowSplash();

    TImage* Image = nullptr;
    TLinkLabel* WebLabel = nullptr;
    TLinkLabel* MailLabel = nullptr;
    TLabel* NoticeLabel = nullptr;
    TLabel* NewlyLabel = nullptr;
    TTimer* Timer = nullptr;

    void FormCreate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void TimerTimer(TObject* Sender);
    void ImageClick(TObject* Sender);
};
