#include "app/ConfirmOverwriteForm.h"

#include "app/FormParts.h"
#include "imagelib/Gif.h"
#include "imagelib/ImgScroll.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Bitmap.h"

bool IsGifFileName(const std::string& FileName)
{
    return LowerCase(Trim(ExtractFileExt(FileName))) == ".gif";
}

bool ShowPictureFile(TImageScrollBox* ScrollBox, TImage* GifImage, const std::string& FileName)
{
    if (IsGifFileName(FileName)) {
        ScrollBox->Clear();
        ScrollBox->SetVisible(false);
        GifImage->GetPicture()->SetGraphic(static_cast<TGraphic*>(nullptr));
        GifImage->SetVisible(true);
        try {
            TGif Gif;
            Gif.SetProgressiveDisplay(false);
            Gif.LoadFromFile(FileName);
            if (Gif.GetImageCount() < 1)
                return false;
            // A copy of the first frame: the TGif goes at once.
            TBitmap Frame;
            Frame.Assign(Gif.GetBitmap(0));
            GifImage->GetPicture()->SetBitmap(&Frame);
            return true;
        } catch (const Exception&) {
            GifImage->GetPicture()->SetGraphic(static_cast<TGraphic*>(nullptr));
            return false;
        }
    }
    GifImage->SetVisible(false);
    GifImage->GetPicture()->SetGraphic(static_cast<TGraphic*>(nullptr));
    ScrollBox->SetVisible(true);
    try {
        ScrollBox->LoadFromFile(FileName, 1);
        return !ScrollBox->GetGraphic()->GetEmpty();
    } catch (const Exception&) {
        ScrollBox->Clear();
        return false;
    }
}

namespace {

TImageScrollBox* MakePane(TForm* Form, const char* Name, int32_t X, int32_t Y, int32_t W, int32_t H)
{
    auto* S = new TImageScrollBox(Form);
    S->SetName(Name);
    S->SetBounds(X, Y, W, H);
    S->SetParent(Form);
    S->SetZoomMode(zmFitToPage);
    S->GetHorzScrollBar()->SetVisible(false);
    S->GetVertScrollBar()->SetVisible(false);
    return S;
}

TImage* MakeGifPane(TForm* Form, const char* Name, int32_t X, int32_t Y, int32_t W, int32_t H)
{
    auto* I = new TImage(Form);
    I->SetName(Name);
    I->SetBounds(X, Y, W, H);
    I->SetParent(Form);
    I->SetCenter(true);
    I->SetProportional(true);
    I->SetVisible(false);
    return I;
}

} // namespace

TConfirmOverwriteForm::TConfirmOverwriteForm(TComponent* AOwner) : TForm(AOwner)
{
    SetName("ConfirmOverwriteForm");
    SetCaption("Override file");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(432, 300);

    FileLabel = PlaceLabel(this, this, 12, 10, 24, 15, "File");
    FileNameLabel = PlaceLabel(this, this, 40, 10, 380, 15);
    FileNameLabel->SetName("FileNameLabel");
    QuestionLabel = PlaceLabel(this, this, 12, 28, 408, 15, "is already exist, do you want to override it ?");
    SourceLabel = PlaceLabel(this, this, 12, 52, 200, 15, "Source file:");
    DestLabel = PlaceLabel(this, this, 222, 52, 200, 15, "Destination file:");
    SourceImageScrollBox = MakePane(this, "SourceImageScrollBox", 12, 70, 198, 160);
    SourceGifImage = MakeGifPane(this, "SourceGifImage", 12, 70, 198, 160);
    DestImageScrollBox = MakePane(this, "DestImageScrollBox", 222, 70, 198, 160);
    DestGifImage = MakeGifPane(this, "DestGifImage", 222, 70, 198, 160);

    NoPromptCheck = PlaceControl<TCheckBox>(this, this, 12, 240, 260, 18);
    NoPromptCheck->SetName("NoPromptCheck");
    NoPromptCheck->SetCaption("Do not prompt me on next time");
    NoPromptCheck->SetTabStop(true);

    auto MakeButton = [this](const char* Name, const char* Caption, int32_t X, int32_t Answer) {
        auto* B = PlaceControl<TButton>(this, this, X, 266, 75, 25);
        B->SetName(Name);
        B->SetCaption(Caption);
        B->SetTabStop(true);
        B->OnClick = [this, Answer](TObject*) {
            Action = Answer;
            SetModalResult(mrOk);
        };
        return B;
    };
    OverrideButton = MakeButton("OverrideButton", "&Override", 183, oaOverride);
    RenameButton = MakeButton("RenameButton", "&Rename", 264, oaRename);
    SkipButton = MakeButton("SkipButton", "&Skip", 345, oaSkip);
    RenameButton->SetDefault(true);
    Action = oaRename;
}

void TConfirmOverwriteForm::SetFiles(const std::string& Source, const std::string& Dest)
{
    SourceFileName = Source;
    DestFileName = Dest;
    FileNameLabel->SetCaption(Dest);
    ShowPictureFile(SourceImageScrollBox, SourceGifImage, Source);
    ShowPictureFile(DestImageScrollBox, DestGifImage, Dest);
}
