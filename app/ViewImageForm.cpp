#include "app/ViewImageForm.h"

#include <algorithm>

#include "app/ConfirmOverwriteForm.h"
#include "app/FormParts.h"
#include "app/PictureTurn.h"
#include "app/ViewerCommandBars.h"
#include "imagelib/Gif.h"
#include "imagelib/ImgDib.h"
#include "imagelib/ImgMisc.h"
#include "imagelib/ImgScroll.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Actions.h"
#include "platform/win/Bitmap.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Screen.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Timer.h"
#include "platform/win/ToolBar.h"

namespace {

constexpr int32_t kZoomOutFloor = 30;
constexpr int32_t kZoomStepSize = 10;

} // namespace

TViewImageForm::TViewImageForm(TComponent* AOwner) : TForm(AOwner), RotateBuffer(std::make_unique<TDibGraphic>())
{
    SetName("ViewImageForm");
    SetBorderStyle(bsNone);
    SetWindowState(wsMaximized);
    SetColor(clBlack);
    SetKeyPreview(true);
    SetBounds(0, 0, 640, 480);

    BuildActions();
    BuildToolBar();

    ImageScrollBox = new TImageScrollBox(this);
    ImageScrollBox->SetName("ImageScrollBox");
    ImageScrollBox->SetParent(this);
    ImageScrollBox->SetAlign(alClient);
    ImageScrollBox->SetColor(clBlack);
    for (TControlScrollBar* Bar : {ImageScrollBox->GetHorzScrollBar(), ImageScrollBox->GetVertScrollBar()}) {
        Bar->SetColor(clBlack);
        Bar->SetStyle(ssHotTrack);
        Bar->SetTracking(true);
        Bar->SetVisible(false);
    }
    ImageScrollBox->SetZoomMode(zmFitToPage);
    ImageScrollBox->SetZoomPercent(100.0f);
    ImageScrollBox->SetCentered(true);
    ImageScrollBox->SetMouseHandlerOwnership(true);
    ImageScrollBox->SetMouseMode(mmDrag);
    ImageScrollBox->OnImageDblClick = [this](TObject* S) { CloseMenuItemClick(S); };
    // The keys act on the picture from the start: the first tab stop would be the delay box, where
    // the arrows change the slide show's delay and the menu key opens the box's own menu.
    SetActiveControl(ImageScrollBox);

    GifImage = new TImage(this);
    GifImage->SetName("GifImage");
    GifImage->SetParent(this);
    GifImage->SetAlign(alClient);
    GifImage->SetCenter(true);
    GifImage->SetVisible(false);
    GifImage->OnDblClick = [this](TObject* S) { CloseMenuItemClick(S); };

    Timer = new TTimer(this);
    Timer->SetEnabled(false);
    Timer->SetInterval(static_cast<uint32_t>(DelaySeconds()) * 1000);
    Timer->SetOnTimer([this](TObject* S) { TimerTimer(S); });

    OnKeyPress = [this](TObject* S, char& Key) { FormKeyPress(S, Key); };
    OnDestroy = [this](TObject* S) { FormDestroy(S); };
    FCommandBars = std::make_unique<TViewerCommandBars>(this);
}

TViewImageForm::~TViewImageForm() = default;

void TViewImageForm::BuildActions()
{
    ActionList = new TActionList(this);
    auto Make = [this](TViewerActionId Id, const char* Caption, TShortCut Key, void (TViewImageForm::*Handler)(TObject*)) {
        TAction* A = ActionList->AddAction(Caption, Key);
        A->SetCommandId(Id);
        A->OnExecute = [this, Handler](TObject* S) { (this->*Handler)(S); };
        return A;
    };
    const TShiftState Ctrl{ssCtrl};
    TurnLeftAction = Make(vaTurnLeft, "Turn Left", ShortCut('I', Ctrl), &TViewImageForm::urnLeft1Click);
    TurnRightAction = Make(vaTurnRight, "Turn Right", ShortCut('O', Ctrl), &TViewImageForm::urnRight1Click);
    OrgSizeAction = Make(vaOrgSize, "Original Size", ShortCut('Z', Ctrl), &TViewImageForm::OrgSizeActionExecute);
    ZoomInAction = Make(vaZoomIn, "Zoom In", ShortCut('J', Ctrl), &TViewImageForm::ZoomInActionExecute);
    ZoomOutAction = Make(vaZoomOut, "Zoom Out", ShortCut('K', Ctrl), &TViewImageForm::ZoomOutActionExecute);
    PrevAction = Make(vaPrev, "Prev", ShortCut(VK_PRIOR, {}), &TViewImageForm::Prev1Click);
    NextAction = Make(vaNext, "Next", ShortCut(VK_NEXT, {}), &TViewImageForm::Next1Click);
    CloseAction = Make(vaClose, "Close", ShortCut(VK_ESCAPE, {}), &TViewImageForm::CloseMenuItemClick);
    SlideShowAction = Make(vaSlideShow, "Slide Show", scNone, &TViewImageForm::SlideShowActionExecute);
}

void TViewImageForm::BuildToolBar()
{
    // A flat bar shows its parent's background: the panel gives it the face colour the black
    // window would not, and follows the bar's height as it wraps.
    ToolPanel = new TPanel(this);
    ToolPanel->SetName("ToolPanel");
    ToolPanel->SetParent(this);
    ToolPanel->SetAlign(alTop);
    ToolPanel->SetBevelOuter(bvNone);
    ToolPanel->SetCaption("");
    ToolPanel->SetColor(clBtnFace);
    ToolBar = new TToolBar(this);
    ToolBar->SetName("ToolBar");
    ToolBar->SetParent(ToolPanel);
    ToolBar->SetAlign(alTop);
    ToolBar->OnResize = [this](TObject*) { ToolPanel->SetHeight(ToolBar->GetHeight()); };
    ToolBar->SetFlat(true);
    ToolBar->SetShowCaptions(true);
    ToolBar->SetAutoSize(true);

    SlideShowButton = ToolBar->AddButton(std::string(), tbsCheck);
    SlideShowButton->SetAction(SlideShowAction);

    // "Delay: [3][^v] Sec." in one slot of the bar, each label as wide as its text.
    DelayPanel = new TPanel(this);
    DelayPanel->SetName("DelayPanel");
    DelayPanel->SetBevelOuter(bvNone);
    DelayPanel->SetCaption("");
    DelayLabel = new TLabel(this);
    DelayLabel->SetName("DelayLabel");
    DelayLabel->SetAutoSize(false);
    DelayLabel->SetCaption("Delay:");
    SecEdit = new TEdit(this);
    SecEdit->SetName("SecEdit");
    // Reached by a click only: no activation or Tab lands the keyboard in it.
    SecEdit->SetTabStop(false);
    SecUpDown = new TUpDown(this);
    SecUpDown->SetName("SecUpDown");
    SecLabel = new TLabel(this);
    SecLabel->SetName("SecLabel");
    SecLabel->SetAutoSize(false);
    SecLabel->SetCaption("Sec.");
    const int32_t Height = 22, EditWidth = 32, UpDownWidth = 16, Gap = 4;
    const TSize D = TextFitSize(DelayLabel), S = TextFitSize(SecLabel);
    int32_t X = Gap;
    DelayLabel->SetBounds(X, (Height - D.cy) / 2, D.cx, D.cy);
    X += D.cx + Gap;
    SecEdit->SetBounds(X, 0, EditWidth, Height);
    X += EditWidth;
    SecUpDown->SetBounds(X, 0, UpDownWidth, Height);
    X += UpDownWidth + Gap;
    SecLabel->SetBounds(X, (Height - S.cy) / 2, S.cx, S.cy);
    X += S.cx + Gap;
    DelayPanel->SetBounds(0, 0, X, Height);
    for (TControl* C : std::initializer_list<TControl*>{DelayLabel, SecEdit, SecUpDown, SecLabel})
        C->SetParent(DelayPanel);
    SecUpDown->SetMin(1);
    SecUpDown->SetMax(100);
    SecUpDown->SetAssociate(SecEdit);
    SecUpDown->SetPosition(3);
    SecEdit->SetText("3");
    SecEdit->OnChange = [this](TObject* Sender) { SecEditChange(Sender); };
    ToolBar->AddControl(DelayPanel);

    ToolBar->AddButton()->SetAction(PrevAction);
    TToolButton* Next = ToolBar->AddButton();
    Next->SetAction(NextAction);
    Next->SetWrap(true);
    for (TAction* A : {OrgSizeAction, ZoomInAction, ZoomOutAction, TurnLeftAction, TurnRightAction, CloseAction})
        ToolBar->AddButton()->SetAction(A);
}

// ---- showing and stepping

void TViewImageForm::ShowCurrent()
{
    try {
        if (IsGifFileName(FileName)) {
            // The scroll box lets go of the picture before: turning and zoom find nothing to act on.
            ImageScrollBox->SetVisible(false);
            ImageScrollBox->Clear();
            GifImage->GetPicture()->SetGraphic(static_cast<TGraphic*>(nullptr));
            GifImage->SetVisible(true);
            TGif Gif;
            Gif.FreeImage();
            Gif.SetProgressiveDisplay(false);
            Gif.LoadFromFile(FileName);
            // A copy of the first frame: the TGif goes at once.
            TBitmap Frame;
            Frame.Assign(Gif.GetBitmap(0));
            GifImage->GetPicture()->SetBitmap(&Frame);
        } else {
            GifImage->SetVisible(false);
            GifImage->GetPicture()->SetGraphic(static_cast<TGraphic*>(nullptr));
            ImageScrollBox->SetVisible(true);
            TBusyCursor Wait;
            ImageScrollBox->LoadFromFile(FileName, 1);
        }
    } catch (...) {
        // The window stays open on an empty picture; Prev and Next go on working.
        Application->HandleException();
    }
}

void TViewImageForm::Prev1Click(TObject*)
{
    if (!FileList || FileIndex <= 0)
        return;
    --FileIndex;
    FileName = FileList->GetStrings(FileIndex);
    ShowCurrent();
}

void TViewImageForm::Next1Click(TObject*)
{
    if (!FileList || FileIndex >= FileList->GetCount() - 1)
        return;
    ++FileIndex;
    FileName = FileList->GetStrings(FileIndex);
    ShowCurrent();
}

// ---- turning and zoom

void TViewImageForm::Turn(double Angle)
{
    TurnShownPicture(ImageScrollBox, RotateBuffer.get(), Angle);
}

void TViewImageForm::urnLeft1Click(TObject*) { Turn(-90.0); }
void TViewImageForm::urnRight1Click(TObject*) { Turn(90.0); }

void TViewImageForm::OrgSizeActionExecute(TObject*)
{
    ImageScrollBox->SetZoomMode(ImageScrollBox->GetZoomMode() == zmOriginalSize ? zmFitToPage : zmOriginalSize);
}

bool TViewImageForm::CanZoomTo(int32_t Width, int32_t Height, int32_t Percent)
{
    if (Percent > kMaxZoomStep)
        return false;
    // The display size as the scroll box computes it.
    const double Scale = static_cast<double>(static_cast<float>(Percent)) / 100.0;
    const int64_t W = SafeTrunc(static_cast<double>(Width) * Scale);
    const int64_t H = SafeTrunc(static_cast<double>(Height) * Scale);
    return W * H <= kMaxZoomPixels;
}

void TViewImageForm::ZoomInActionExecute(TObject*)
{
    const TDibGraphic* Graphic = ImageScrollBox->GetGraphic();
    if (!CanZoomTo(Graphic->GetWidth(), Graphic->GetHeight(), ZoomStep + kZoomStepSize))
        return;
    ZoomStep += kZoomStepSize;
    ImageScrollBox->SetZoomPercent(static_cast<float>(ZoomStep));
}

void TViewImageForm::ZoomOutActionExecute(TObject*)
{
    if (ZoomStep <= kZoomOutFloor)
        return;
    ZoomStep -= kZoomStepSize;
    ImageScrollBox->SetZoomPercent(static_cast<float>(ZoomStep));
}

// ---- slide show

int32_t TViewImageForm::DelaySeconds() const
{
    // Typed text counts before the up-down has seen it; below 1 the show would never tick.
    const int32_t Typed = StrToIntDef(Trim(SecEdit->GetText()), SecUpDown->GetPosition());
    return std::clamp(Typed, 1, 100);
}

void TViewImageForm::SlideShowActionExecute(TObject*)
{
    // The show flips and the action's check mark shows its state. Derived from the timer, not
    // from Checked: the toolbar's check button has set Checked already when it runs the action.
    const bool On = !Timer->GetEnabled();
    SlideShowAction->SetChecked(On);
    if (On)
        Timer->SetInterval(static_cast<uint32_t>(DelaySeconds()) * 1000);
    Timer->SetEnabled(On);
}

void TViewImageForm::SecEditChange(TObject*)
{
    Timer->SetInterval(static_cast<uint32_t>(DelaySeconds()) * 1000);
}

void TViewImageForm::TimerTimer(TObject*)
{
    // A tick while the last step's error box is still up waits for it: boxes never stack.
    if (FTicking)
        return;
    TFlagScope Busy(FTicking);
    NextAction->Execute();
}

void TViewImageForm::CloseMenuItemClick(TObject*) { Close(); }

void TViewImageForm::FormKeyPress(TObject*, char& Key)
{
    if (Key == '+' || Key == '=') {
        ZoomInAction->Execute();
        Key = 0;
    } else if (Key == '-') {
        ZoomOutAction->Execute();
        Key = 0;
    }
}

void TViewImageForm::FormDestroy(TObject*)
{
    Timer->SetEnabled(false);
    RotateBuffer.reset();
}

void ShowImageViewer(TStrings* FileList, int32_t Index)
{
    if (!FileList || Index < 0 || Index >= FileList->GetCount())
        return;
    // Freed by the pointer however ShowModal ends.
    const TComponentPtr<TViewImageForm> Form(new TViewImageForm(nullptr));
    Form->FileName = FileList->GetStrings(Index);
    Form->ShowCurrent();
    Form->FileList = FileList;
    Form->FileIndex = Index;
    Form->ShowModal();
}
