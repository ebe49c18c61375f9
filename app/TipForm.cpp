#include "app/TipForm.h"

#include "app/FormParts.h"
#include "app/Product.h"

namespace {

// The built-in tips; "%s" is filled in order from the arguments of each.
const char* const kTipTexts[] = {
    "Right click the link which is you want in IE browser, and select \"Download Images by %s\", you may "
    "download images from the link quickly.",
    "Double click image file can view image in full screen mode.",
    "Press Ctrl + I or Ctrl + O key can rotate image.",
    "Press Ctrl + J or Ctrl + K key can zoom in or zoom out image, press Ctrl + Z can change to normal size.",
    "Select a task and select image->folder menu item can open the image folder quickly.",
    "Select Image->Delete by... menu item can delete small image quickly",
    "If you can not view whole image on image viewer, you can try to click \"zoom\" button.",
    "Visit our website to find new version of %s at %s",
};

// Each "%s" takes the next argument (nothing when they run out); the text is cut to Limit.
std::string FillTip(const std::string& Pattern, const std::vector<std::string>& Args, size_t Limit)
{
    std::string Out;
    size_t Next = 0;
    for (size_t I = 0; I < Pattern.size(); ++I) {
        if (Pattern[I] == '%' && I + 1 < Pattern.size() && Pattern[I + 1] == 's') {
            if (Next < Args.size())
                Out += Args[Next++];
            ++I;
        } else
            Out += Pattern[I];
    }
    if (Out.size() > Limit)
        Out.resize(Limit);
    return Out;
}

} // namespace

TTipForm::TTipForm(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Tip of the Day");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(404, 232);
    DidYouKnowLabel = PlaceLabel(this, this, 12, 12, 200, 20);
    DidYouKnowLabel->SetParentFont(false);
    DidYouKnowLabel->GetFont()->SetStyle(TFontStyles{fsBold});
    DidYouKnowLabel->GetFont()->SetSize(11);
    DidYouKnowLabel->SetCaption("Did you know...");
    TipMemo = PlaceControl<TMemo>(this, this, 12, 40, 380, 116);
    TipMemo->SetReadOnly(true);
    TipMemo->SetColor(clWhite);
    TipMemo->SetTabStop(false);
    TipMemo->SetAnchors(TAnchors{akLeft, akTop, akRight});
    ShowTipCheckBox = PlaceControl<TCheckBox>(this, this, 12, 166, 240, 17);
    ShowTipCheckBox->SetCaption("Do not show tips at startup");
    NextTipButton = PlaceControl<TButton>(this, this, 228, 196, 80, 25);
    NextTipButton->SetCaption("&Next tip");
    NextTipButton->OnClick = [this](TObject* S) { NextTipButtonClick(S); };
    NextTipButton->SetAnchors(TAnchors{akTop, akRight});
    CloseButton = PlaceControl<TButton>(this, this, 314, 196, 80, 25);
    CloseButton->SetCaption("&Close");
    CloseButton->SetDefault(true);
    CloseButton->SetCancel(true);
    CloseButton->SetModalResult(mrOk);
    CloseButton->SetAnchors(TAnchors{akTop, akRight});
    SetActiveControl(CloseButton);
    OnDestroy = [this](TObject* S) { FormDestroy(S); };
    FormCreate(this);
    FitText(this);
}

// OnDestroy reaches this form's own members, so it runs here, while they still exist, also when
// the form is deleted rather than freed (the base destructor would run it after they are gone).
TTipForm::~TTipForm() { DoDestroy(); }

void TTipForm::FormCreate(TObject*)
{
    FTips.clear();
    for (const char* Text : kTipTexts)
        FTips.push_back(FillTip(Text, {Product::Name, Product::WebAddress}, MaxTipLength));
}

void TTipForm::FormDestroy(TObject*) { FTips.clear(); }

void TTipForm::ShowTip(int32_t Index)
{
    // The index comes from the registry: anything outside the list starts over at the first tip.
    if (Index < 0 || Index >= GetTipCount())
        Index = 0;
    TipMemo->Clear();
    TipMemo->SetText(FTips.empty() ? std::string() : FTips[static_cast<size_t>(Index)]);
    FCurrentIndex = Index;
}

void TTipForm::NextTipButtonClick(TObject*) { ShowTip(FCurrentIndex + 1); }
