#include "app/ConfirmOverwriteForm.h"

#include "app/FormParts.h"
#include "imagelib/Gif.h"
#include "imagelib/ImgScroll.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Bitmap.h"

#include <algorithm>

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

int32_t TextWidth(HDC DC, const std::string& Text)
{
    SIZE S{};
    GetTextExtentPoint32A(DC, Text.data(), static_cast<int>(Text.size()), &S);
    return S.cx;
}

// The offsets where characters start, and the length at the end (double-byte code pages step two).
std::vector<size_t> CharStarts(const std::string& Text)
{
    std::vector<size_t> V;
    const char* Base = Text.c_str();
    const char* P = Base;
    while (static_cast<size_t>(P - Base) < Text.size()) {
        V.push_back(static_cast<size_t>(P - Base));
        const char* Next = CharNextA(P);
        P = Next > P ? Next : P + 1;
    }
    V.push_back(Text.size());
    return V;
}

} // namespace

std::vector<std::string> PathLines(HDC DC, const std::string& Path, int32_t Width, int32_t MaxLines)
{
    std::vector<std::string> Lines;
    if (MaxLines < 1)
        MaxLines = 1;
    const std::vector<size_t> Starts = CharStarts(Path);
    size_t From = 0; // index into Starts
    const size_t End = Starts.size() - 1;
    while (From < End) {
        const std::string Rest = Path.substr(Starts[From]);
        if (TextWidth(DC, Rest) <= Width) {
            Lines.push_back(Rest);
            break;
        }
        if (static_cast<int32_t>(Lines.size()) == MaxLines - 1) {
            // The last line: "..." and the path's end, from a backslash when one fits.
            size_t Best = End, BestSlash = End;
            for (size_t I = End; I-- > From;) {
                if (TextWidth(DC, "..." + Path.substr(Starts[I])) > Width)
                    break;
                Best = I;
                if (Path[Starts[I]] == '\\')
                    BestSlash = I;
            }
            Lines.push_back("..." + Path.substr(Starts[BestSlash < End ? BestSlash : Best]));
            break;
        }
        // The longest start of the rest that fits, ended after a backslash when possible; at
        // least one character, so a label narrower than a letter still ends.
        size_t Fit = From + 1, FitSlash = 0;
        for (size_t I = From + 1; I <= End; ++I) {
            if (TextWidth(DC, Path.substr(Starts[From], Starts[I] - Starts[From])) > Width)
                break;
            Fit = I;
            if (Path[Starts[I - 1]] == '\\')
                FitSlash = I;
        }
        // A backslash far back would leave most of the line empty: cut there only when the
        // line keeps at least half of what fits.
        const size_t Cut = FitSlash > From && (FitSlash - From) * 2 >= Fit - From ? FitSlash : Fit;
        Lines.push_back(Path.substr(Starts[From], Starts[Cut] - Starts[From]));
        From = Cut;
    }
    return Lines;
}

TPathLabel::TPathLabel(TComponent* AOwner) : TLabel(AOwner)
{
    SetAutoSize(false);
}

int32_t TPathLabel::LineHeight()
{
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, GetFont()->GetHandle());
    TEXTMETRICA M{};
    GetTextMetricsA(DC, &M);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    return std::max<int32_t>(M.tmHeight, 1);
}

std::vector<std::string> TPathLabel::Lines()
{
    const int32_t H = LineHeight();
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, GetFont()->GetHandle());
    std::vector<std::string> V = PathLines(DC, GetCaption(), GetWidth(), GetHeight() / H);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    return V;
}

void TPathLabel::Paint()
{
    TCanvas* C = GetCanvas();
    HDC DC = C->GetHandle();
    if (!GetTransparent()) {
        C->GetBrush()->SetColor(GetColor());
        C->FillRect(Rect(0, 0, GetWidth(), GetHeight()));
    }
    const int32_t H = LineHeight();
    SelectObject(DC, GetFont()->GetHandle());
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, ColorToRGB(GetEnabled() ? GetFont()->GetColor() : clGrayText));
    const std::vector<std::string> V = PathLines(DC, GetCaption(), GetWidth(), GetHeight() / H);
    for (size_t I = 0; I < V.size(); ++I) {
        RECT R{0, static_cast<LONG>(I) * H, GetWidth(), static_cast<LONG>(I + 1) * H};
        DrawTextA(DC, V[I].c_str(), static_cast<int>(V[I].size()), &R, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
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
    SetClientSize(432, 318);

    // The target's path gets two lines: a long one wraps after a backslash instead of running
    // past the dialog's edge.
    FileLabel = PlaceLabel(this, this, 12, 10, 24, 15, "File");
    FileNameLabel = PlaceControl<TPathLabel>(this, this, 40, 10, 380, 30);
    FileNameLabel->SetName("FileNameLabel");
    FileNameLabel->SetAnchors(TAnchors{akLeft, akTop, akRight});
    QuestionLabel = PlaceLabel(this, this, 12, 44, 408, 15, "is already exist, do you want to override it ?");
    SourceLabel = PlaceLabel(this, this, 12, 68, 200, 15, "Source file:");
    DestLabel = PlaceLabel(this, this, 222, 68, 200, 15, "Destination file:");
    SourceImageScrollBox = MakePane(this, "SourceImageScrollBox", 12, 86, 198, 160);
    SourceGifImage = MakeGifPane(this, "SourceGifImage", 12, 86, 198, 160);
    DestImageScrollBox = MakePane(this, "DestImageScrollBox", 222, 86, 198, 160);
    DestGifImage = MakeGifPane(this, "DestGifImage", 222, 86, 198, 160);

    NoPromptCheck = PlaceControl<TCheckBox>(this, this, 12, 258, 260, 18);
    NoPromptCheck->SetName("NoPromptCheck");
    NoPromptCheck->SetCaption("Do not prompt me on next time");
    NoPromptCheck->SetTabStop(true);

    auto MakeButton = [this](const char* Name, const char* Caption, int32_t X, int32_t Answer) {
        auto* B = PlaceControl<TButton>(this, this, X, 284, 75, 25);
        B->SetName(Name);
        B->SetCaption(Caption);
        B->SetTabStop(true);
        B->SetAnchors(TAnchors{akTop, akRight});
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
    FitText(this);
}

void TConfirmOverwriteForm::SetFiles(const std::string& Source, const std::string& Dest)
{
    SourceFileName = Source;
    DestFileName = Dest;
    FileNameLabel->SetCaption(Dest);
    ShowPictureFile(SourceImageScrollBox, SourceGifImage, Source);
    ShowPictureFile(DestImageScrollBox, DestGifImage, Dest);
}
