// TImageScrollBox: loading, zoom, layout of the display picture, scrolling, frames and the
// routing of the mouse. The mouse handlers are in ImgScrollHandlers.cpp, the read-ahead thread
// and the cursors in ImgScrollReadAhead.cpp.
#include "imagelib/ImgScroll.h"

#include <algorithm>
#include <limits>

#include "imagelib/ImgHooks.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Files.h"

namespace {

// A display size: truncated toward zero, at least 1.
int32_t DisplaySize(int32_t Size, float Percent)
{
    const int64_t S = SafeTrunc(static_cast<double>(Size) * (static_cast<double>(Percent) / 100.0));
    if (S > std::numeric_limits<int32_t>::max())
        throw EDidodazaError(Format("Display size of %d pixels at %s %% is too large", Size, FloatToStr(Percent)));
    return S < 1 ? 1 : static_cast<int32_t>(S);
}

} // namespace

TImageScrollBox::TImageScrollBox(TComponent* AOwner)
    : TScrollingWinControl(AOwner), FGraphic(std::make_unique<TDibGraphic>()),
      FResize(std::make_unique<TResizeTransform>()), FAntiAlias(std::make_unique<TAntiAliasTransform>()),
      FFrameTimer(std::make_unique<TTimer>(nullptr)), FReadAhead(std::make_shared<TReadAheadHandOver>())
{
    SetBounds(GetLeft(), GetTop(), 100, 100);
    SetAutoScroll(false);
    GetHorzScrollBar()->SetTracking(true);
    GetVertScrollBar()->SetTracking(true);

    FImage = new TImage(this);
    FImage->SetVisible(false);
    FImage->SetBounds(0, 0, FImage->GetWidth(), FImage->GetHeight());
    FImage->SetStretch(false);
    auto Display = std::make_unique<TDibGraphic>();
    FDisplay = Display.get();
    FImage->GetPicture()->SetGraphic(std::move(Display));
    FImage->SetParent(this);
    FImage->OnMouseDown = [this](TObject* Sender, TMouseButton B, TShiftState S, int32_t X, int32_t Y) {
        RouteMouseDown(Sender, B, S, X, Y);
    };
    FImage->OnMouseMove = [this](TObject* Sender, TShiftState S, int32_t X, int32_t Y) { RouteMouseMove(Sender, S, X, Y); };
    FImage->OnMouseUp = [this](TObject* Sender, TMouseButton B, TShiftState S, int32_t X, int32_t Y) {
        RouteMouseUp(Sender, B, S, X, Y);
    };
    FImage->OnDblClick = [this](TObject*) {
        if (OnImageDblClick)
            OnImageDblClick(this);
    };

    FFrameTimer->SetEnabled(false);
    FFrameTimer->SetOnTimer([this](TObject*) { FrameTimerTick(); });

    FMouseHandler = new TDragMouseHandler(this);
    FHandlerMadeHere = true;
}

TImageScrollBox::~TImageScrollBox()
{
    // The read-ahead thread may still run: it frees what it loads once it sees the mark.
    std::unique_ptr<TDibGraphic> Preloaded;
    {
        TCriticalSectionGuard Guard(FReadAhead->Lock);
        FReadAhead->Orphaned = true;
        Preloaded = std::move(FReadAhead->Picture);
    }
    Preloaded.reset();
    FFrameTimer->SetEnabled(false);
    FFrameTimer.reset();
    FreeMouseHandler();
    FResize.reset();
    FAntiAlias.reset();
    FGraphic.reset();
}

// ---------------------------------------------------------------------------------------------
// Loading

void TImageScrollBox::LoadFromFile(const std::string& FileName, int32_t ImageIndex)
{
    const bool WasAnimating = FAnimate;
    if (WasAnimating)
        SetAnimate(false);
    std::unique_ptr<TDibGraphic> Preloaded = ImageIndex == 1 ? TakeReadAhead(FileName) : nullptr;
    if (Preloaded) {
        FGraphic = std::move(Preloaded);
        FReadAheadFileName.clear();
    } else {
        FGraphic = std::make_unique<TDibGraphic>();
        // The old picture must not stay on screen over an empty Graphic. A failing redraw of the
        // empty picture is dropped by the guard: the load's own failure is the one to report.
        TScopeExit ShowNothing([this] {
            FGraphic = std::make_unique<TDibGraphic>();
            Redraw(true);
        });
        TFileStream Stream(FileName, fmOpenRead | fmShareDenyNone);
        FGraphic = ReadGraphicFromStream(&Stream, FileName, true, ImageIndex);
        ShowNothing.Dismiss();
    }
    DoNewGraphic(FGraphic.get());
    Redraw(true);
    FFileName = FileName;
    if (WasAnimating)
        SetAnimate(true);
}

std::unique_ptr<TDibGraphic> TImageScrollBox::ReadGraphicFromStream(TStream* Stream, const std::string& Name,
                                                                    bool WithProgress, int32_t ImageIndex)
{
    ClearRubberband();
    if (!FindDibGraphicClass(Name))
        return ReadThroughPicture(Stream, Name, WithProgress);
    std::unique_ptr<TDibGraphic> G = CreateGraphicForFile(Name);
    if (WithProgress)
        G->OnProgress = OnReadWriteProgress;
    if (ImageIndex == 0)
        G->SetLoadAllImages(true);
    else
        G->SetImageIndex(ImageIndex);
    G->LoadFromStream(Stream);
    G->OnProgress = nullptr;
    return G;
}

void TImageScrollBox::Progress(bool WithProgress, uint8_t& Last, int32_t Percent)
{
    if (WithProgress)
        Last = NotifyProgress(this, Percent, 0, Last, 100, OnReadWriteProgress);
}

std::unique_ptr<TDibGraphic> TImageScrollBox::ReadThroughPicture(TStream* Stream, const std::string& Name,
                                                                 bool WithProgress)
{
    uint8_t Last = 255; // the first report always goes out
    Progress(WithProgress, Last, 0);
    std::string TempName;
    struct TTempRemover {
        std::string* Name;
        ~TTempRemover()
        {
            if (!Name->empty())
                DeleteFile(*Name);
        }
    } Remover{&TempName};
    std::string Source = Name;
    if (!FileExists(Name)) {
        // The platform's picture classes read files only: the bytes go into a temporary file
        // that ends with the file-name part, so the extension still chooses the class. Each
        // load makes a file of its own (CREATE_NEW), never one another load is using.
        const std::string Tail = ExtractFileName(Name);
        for (int32_t Attempt = 0;; ++Attempt) {
            std::string Candidate;
            CreateTempFile("En", Tail, Candidate);
            try {
                TFileStream Temp(Candidate, fmCreateNew | fmShareExclusive);
                TempName = Candidate;
                Temp.CopyFrom(Stream, 0);
                break;
            } catch (const EFileStreamError& E) {
                if (!TempName.empty() || Attempt >= 100 || !IsFileExistsError(E.GetErrorCode()))
                    throw;
            }
        }
        Source = TempName;
    }
    Progress(WithProgress, Last, 25);
    TPicture Picture;
    Picture.LoadFromFile(Source);
    Progress(WithProgress, Last, 90);
    auto G = std::make_unique<TDibGraphic>();
    G->Assign(Picture.GetGraphic());
    if (!TempName.empty()) {
        DeleteFile(TempName);
        TempName.clear();
    }
    Progress(WithProgress, Last, 100);
    return G;
}

std::unique_ptr<TDibGraphic> TImageScrollBox::TakeReadAhead(const std::string& FileName)
{
    if (FReadAheadFileName.empty() || !SameText(FileName, FReadAheadFileName))
        return nullptr;
    TCriticalSectionGuard Guard(FReadAhead->Lock);
    if (!FReadAhead->Finished || !FReadAhead->Picture || !SameText(FReadAhead->FileName, FileName))
        return nullptr;
    FReadAhead->Finished = false;
    return std::move(FReadAhead->Picture);
}

int32_t TImageScrollBox::GetFileImageCount(const std::string& FileName)
{
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyNone);
    const TDibGraphicClass Class = FindDibGraphicClass(FileName);
    if (!Class)
        return 1;
    std::unique_ptr<TDibGraphic> G = Class.Create();
    return G->GetStreamImageCount(&Stream);
}

void TImageScrollBox::DoNewGraphic(TDibGraphic* Graphic)
{
    if (OnNewGraphic)
        OnNewGraphic(Graphic);
    FAnnotations = AnnotationTextOf(Graphic);
}

void TImageScrollBox::Clear()
{
    if (FAnimate)
        SetAnimate(false);
    // A fresh object: the frames and the format's own data (annotations) go with the pixels.
    FGraphic = std::make_unique<TDibGraphic>();
    FFileName.clear();
    FAnnotations.clear();
    ClearRubberband();
    DoNewGraphic(FGraphic.get());
    Redraw(true);
}

void TImageScrollBox::ClearRubberband()
{
    if (auto* R = dynamic_cast<TRubberbandMouseHandler*>(FMouseHandler))
        R->ClearBand();
}

// ---------------------------------------------------------------------------------------------
// Zoom and layout

void TImageScrollBox::ComputeZoom()
{
    const int32_t W = FGraphic->GetWidth(), H = FGraphic->GetHeight();
    auto HideBars = [this] {
        GetHorzScrollBar()->SetVisible(false);
        GetVertScrollBar()->SetVisible(false);
    };
    switch (FZoomMode) {
    case zmOriginalSize:
        FZoomPercent = 100.0f;
        break;
    case zmFullPage:
    case zmFitToPage: {
        HideBars();
        const float RW = static_cast<float>(static_cast<double>(GetClientWidth()) / W);
        const float RH = static_cast<float>(static_cast<double>(GetClientHeight()) / H);
        FZoomPercent = static_cast<float>(100.0 * std::min(RW, RH));
        if (FZoomMode == zmFitToPage && FZoomPercent > 100.0f)
            FZoomPercent = 100.0f;
        break;
    }
    case zmFitWidth:
        FZoomPercent = static_cast<float>(100.0 * GetClientWidth() / W);
        break;
    case zmFitHeight:
        HideBars();
        FZoomPercent = static_cast<float>(100.0 * GetClientHeight() / H);
        break;
    case zmPercent:
        break;
    }
}

void TImageScrollBox::ShowEmpty()
{
    FDisplay->FreeImage();
    FImage->SetVisible(false);
    GetHorzScrollBar()->SetVisible(false);
    GetVertScrollBar()->SetVisible(false);
    FVisibleRect = TRect{};
}

void TImageScrollBox::BuildDisplay(int32_t W, int32_t H)
{
    FResize->SetNewWidth(W);
    FResize->SetNewHeight(H);
    FResize->SetChangeFormat(true);
    FResize->SetTargetFormat(ifTrueColor);
    FResize->SetResample(false);
    // Anti-aliasing only helps a reduced 1-bit picture; at 100 % and above it would only blur.
    if (FAntiAliased && FGraphic->GetImageFormat() == ifBlackWhite && FZoomPercent < 100.0f) {
        FAntiAlias->SetNewWidth(W);
        FAntiAlias->SetNewHeight(H);
        FAntiAlias->ApplyOnDest(FGraphic.get(), FDisplay);
        FResize->Apply(FDisplay);
    } else {
        FResize->ApplyOnDest(FGraphic.get(), FDisplay);
    }
}

void TImageScrollBox::Redraw(bool Reset)
{
    if (!GetParent() || !GetVisible() || FRedrawing)
        return;
    TFlagScope Mark(FRedrawing);
    if (FGraphic->GetEmpty()) {
        ShowEmpty();
        return;
    }
    ComputeZoom();
    const bool Changed = FZoomPercent != FPreviousPercent;
    if (Changed && OnZoomChange)
        OnZoomChange(this, FZoomPercent);
    FPreviousPercent = FZoomPercent;
    if (FMouseHandler && (Reset || Changed))
        FMouseHandler->BeforeRedraw();

    TScopeExit EmptyOnFailure([this] { ShowEmpty(); });
    const int32_t W = DisplaySize(FGraphic->GetWidth(), FZoomPercent);
    const int32_t H = DisplaySize(FGraphic->GetHeight(), FZoomPercent);
    BuildDisplay(W, H);
    EmptyOnFailure.Dismiss();

    // Back to the origin first: the bars move the picture control with them.
    GetHorzScrollBar()->SetPosition(0);
    GetVertScrollBar()->SetPosition(0);
    if (!FCentered) {
        FImage->SetBounds(0, 0, W, H);
    } else {
        if (FMouseHandler)
            FMouseHandler->BeforeRedraw();
        const int32_t Top = H < GetHeight() ? (GetHeight() - H) / 2 : 0;
        const int32_t Left = W < GetWidth() ? (GetWidth() - W) / 2 : 0;
        FImage->SetBounds(Left, Top, W, H);
        if (FMouseHandler)
            FMouseHandler->AfterRedraw();
    }
    GetHorzScrollBar()->SetRange(W);
    GetVertScrollBar()->SetRange(H);
    // Each bar shows when its range exceeds the room left beside the other one.
    GetHorzScrollBar()->SetVisible(true);
    GetVertScrollBar()->SetVisible(true);
    GetHorzScrollBar()->SetPosition(0);
    GetVertScrollBar()->SetPosition(0);

    FVisibleRect = FImage->GetBoundsRect();
    FImage->Invalidate();
    if (OnRedraw)
        OnRedraw(FGraphic.get());
    FImage->SetVisible(true);
    if (FMouseHandler && (Changed || Reset))
        FMouseHandler->AfterRedraw();
}

// ---------------------------------------------------------------------------------------------
// Properties

void TImageScrollBox::SetFileName(const std::string& Value)
{
    if (Value.empty())
        Clear();
    else
        LoadFromFile(Value, 1);
}

void TImageScrollBox::SetReadAheadFileName(const std::string& Value)
{
    FReadAheadFileName = Value;
    std::unique_ptr<TDibGraphic> Old;
    uint32_t Generation;
    {
        TCriticalSectionGuard Guard(FReadAhead->Lock);
        Old = std::move(FReadAhead->Picture);
        FReadAhead->Finished = false;
        FReadAhead->FileName = Value;
        Generation = ++FReadAhead->Generation;
    }
    Old.reset();
    if (!Value.empty())
        TReadGraphicThread::Start(FReadAhead, Value, Generation);
}

void TImageScrollBox::SetAntiAliased(bool Value)
{
    if (Value == FAntiAliased)
        return;
    FAntiAliased = Value;
    if (FGraphic->GetImageFormat() == ifBlackWhite && !FGraphic->GetEmpty())
        Redraw(false);
}

void TImageScrollBox::SetZoomMode(TZoomMode Value)
{
    if (Value == FZoomMode)
        return;
    FZoomMode = Value;
    Redraw(false);
}

void TImageScrollBox::SetZoomPercent(float Value)
{
    // The threshold is compared in extended precision: the single nearest to 0.1 lies above it.
    if ((FZoomMode == zmPercent && Value == FZoomPercent) || FGraphic->GetEmpty() ||
        static_cast<long double>(Value) <= 0.1L)
        return;
    FPreviousPercent = FZoomPercent;
    FZoomPercent = Value;
    FZoomMode = zmPercent;
    if (FMouseHandler)
        FMouseHandler->BeforeRedraw();
    Redraw(false);
    if (FMouseHandler)
        FMouseHandler->AfterRedraw();
    if (OnZoomChange)
        OnZoomChange(this, FZoomPercent);
}

void TImageScrollBox::SetCentered(bool Value)
{
    if (Value == FCentered)
        return;
    FCentered = Value;
    if (FMouseHandler)
        FMouseHandler->BeforeRedraw();
    Redraw(false);
    if (FMouseHandler)
        FMouseHandler->AfterRedraw();
}

void TImageScrollBox::SetAnnotations(const std::string& Value)
{
    FAnnotations = Value;
    if (FMouseMode == mmAnnotation)
        if (auto* A = dynamic_cast<TAnnotationHandlerBase*>(FMouseHandler))
            A->SetAnnotationText(Value);
}

void TImageScrollBox::FreeMouseHandler()
{
    TMouseHandler* H = FMouseHandler;
    const bool Owned = FHandlerMadeHere || FMouseHandlerOwnership;
    FMouseHandler = nullptr;
    FHandlerMadeHere = false;
    if (H && Owned)
        delete H;
}

void TImageScrollBox::SetMouseHandler(TMouseHandler* Handler)
{
    if (Handler == FMouseHandler)
        return;
    FreeMouseHandler();
    FMouseHandler = Handler;
}

void TImageScrollBox::SetMouseMode(int32_t Value)
{
    if (Value < mmDrag || Value > mmNone)
        Value = mmNone;
    if (Value == FMouseMode)
        return;
    if (FMouseMode == mmAnnotation)
        if (auto* A = dynamic_cast<TAnnotationHandlerBase*>(FMouseHandler))
            FAnnotations = A->GetAnnotationText();
    FreeMouseHandler();
    FMouseMode = Value;
    TMouseHandler* H = nullptr;
    switch (Value) {
    case mmDrag:
        H = new TDragMouseHandler(this);
        break;
    case mmQuickSelect:
        H = new TQuickSelectMouseHandler(this);
        break;
    case mmRubberband:
        H = new TRubberbandMouseHandler(this);
        break;
    case mmAnnotation:
        if (const TAnnotationHandlerFactory Factory = GetAnnotationHandlerFactory()) {
            std::unique_ptr<TAnnotationHandlerBase> A = Factory(this);
            if (A) {
                A->SetAnnotationText(FAnnotations);
                H = A.release();
            }
        }
        break;
    default:
        break;
    }
    if (!H)
        FImage->SetCursor(crDefault);
    FMouseHandler = H;
    FHandlerMadeHere = H != nullptr;
}

// ---------------------------------------------------------------------------------------------
// Frames

void TImageScrollBox::SetFrame(int32_t Index)
{
    FGraphic->SetCurrentFrame(Index);
    Redraw(true);
}

void TImageScrollBox::SetAnimate(bool Value)
{
    if (Value == FAnimate)
        return;
    if (Value && FGraphic->GetFrameCount() >= 2) {
        int32_t W = 0, H = 0;
        for (int32_t I = 1; I <= FGraphic->GetFrameCount(); ++I) {
            W = std::max(W, FGraphic->GetFrame(I)->GetWidth());
            H = std::max(H, FGraphic->GetFrame(I)->GetHeight());
        }
        FImage->SetBounds(FImage->GetLeft(), FImage->GetTop(), W, H);
        FFrameTimer->SetInterval(static_cast<uint32_t>(std::max<int32_t>(FGraphic->GetFrameInterval(), 1)));
        FAnimate = true;
        FFrameTimer->SetEnabled(true);
    } else {
        FFrameTimer->SetEnabled(false);
        FAnimate = false;
    }
}

void TImageScrollBox::FrameTimerTick()
{
    const int32_t Count = FGraphic->GetFrameCount();
    if (Count <= 1)
        return;
    FFrameTimer->SetEnabled(false);
    const int32_t Current = FGraphic->GetCurrentFrame();
    SetFrame(Current >= Count || Current < 1 ? 1 : Current + 1);
    if (!FAnimate)
        return;
    FFrameTimer->SetInterval(static_cast<uint32_t>(std::max<int32_t>(FGraphic->GetFrameInterval(), 1)));
    FFrameTimer->SetEnabled(true);
}

// ---------------------------------------------------------------------------------------------
// Mouse and messages

void TImageScrollBox::RouteMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    if (FMouseHandler)
        FMouseHandler->MouseDown(Button, Shift, X, Y);
    if (OnImageMouseDown)
        OnImageMouseDown(Sender, Button, Shift, X, Y);
}

void TImageScrollBox::RouteMouseMove(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y)
{
    if (FMouseHandler)
        FMouseHandler->MouseMove(Shift, X, Y);
    if (OnImageMouseMove)
        OnImageMouseMove(Sender, Shift, X, Y);
}

void TImageScrollBox::RouteMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    if (FMouseHandler)
        FMouseHandler->MouseUp(Button, Shift, X, Y);
    if (OnImageMouseUp)
        OnImageMouseUp(Sender, Button, Shift, X, Y);
}

void TImageScrollBox::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    RouteMouseDown(this, Button, Shift, X, Y);
}

void TImageScrollBox::MouseMove(TShiftState Shift, int32_t X, int32_t Y) { RouteMouseMove(this, Shift, X, Y); }

void TImageScrollBox::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    RouteMouseUp(this, Button, Shift, X, Y);
}

void TImageScrollBox::DblClick()
{
    if (OnImageDblClick)
        OnImageDblClick(this);
}

void TImageScrollBox::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case WM_SIZE:
        TScrollingWinControl::WndProc(M);
        if (!FRedrawing)
            Redraw(false);
        return;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (M.LParam == 0) {
            if (LOWORD(M.WParam) != SB_ENDSCROLL) {
                if (!FScrolling) {
                    FScrolling = true;
                    if (OnBeginScroll)
                        OnBeginScroll(this);
                }
            } else if (FScrolling) {
                FScrolling = false;
                if (OnEndScroll)
                    OnEndScroll(this);
            }
        }
        TScrollingWinControl::WndProc(M);
        if (HandleAllocated())
            UpdateWindow(FHandle);
        return;
    case WM_DESTROY:
        // The handler may hold the window's device context: it goes before the window.
        if (FMouseHandler && (FHandlerMadeHere || FMouseHandlerOwnership))
            FreeMouseHandler();
        break;
    default:
        break;
    }
    TScrollingWinControl::WndProc(M);
}
