#include "imagelib/ImgAnnot.h"

#include <algorithm>
#include <limits>

#include "imagelib/AnnotDialog.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Menus.h"

namespace {

TAnnotationsEditor* EditorOf(TComponent* AOwner)
{
    auto* E = dynamic_cast<TAnnotationsEditor*>(AOwner);
    if (!E)
        throw Exception("Invalid Parent for Mark");
    return E;
}

double EffectiveZoom(double Zoom) { return Zoom > 0 ? Zoom : 100.0; }

int32_t ToInt32(int64_t V)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(V, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Rounded half to even, kept well inside 64 bits so Round never fails.
int64_t RoundBounded(double V)
{
    constexpr double Limit = 1e15;
    return Round(std::clamp(V, -Limit, Limit));
}

int32_t ScrollPosition(TControlScrollBar* Bar) { return Bar ? Bar->GetPosition() : 0; }

// Font sizes for GDI: computed in 64 bits, kept to what a font height can hold.
int32_t FontSizeOf(int64_t Size) { return static_cast<int32_t>(std::clamp<int64_t>(Size, -32767, 32767)); }

} // namespace

// =============================================================================================
// TGenericMark

TGenericMark::TGenericMark(TComponent* AOwner) : TGraphicControl(EditorOf(AOwner))
{
    FEditor = static_cast<TAnnotationsEditor*>(AOwner);
    TAnnotationsEditor* E = FEditor;
    OnClick = [E](TObject* S) {
        if (E->OnMarkClick)
            E->OnMarkClick(S);
    };
    OnDblClick = [E](TObject* S) {
        if (E->OnMarkDblClick)
            E->OnMarkDblClick(S);
    };
    OnMouseDown = [E](TObject* S, TMouseButton B, TShiftState Sh, int32_t X, int32_t Y) {
        if (E->OnMarkMouseDown)
            E->OnMarkMouseDown(S, B, Sh, X, Y);
    };
    OnMouseMove = [E](TObject* S, TShiftState Sh, int32_t X, int32_t Y) {
        if (E->OnMarkMouseMove)
            E->OnMarkMouseMove(S, Sh, X, Y);
    };
    OnMouseUp = [E](TObject* S, TMouseButton B, TShiftState Sh, int32_t X, int32_t Y) {
        if (E->OnMarkMouseUp)
            E->OnMarkMouseUp(S, B, Sh, X, Y);
    };
    SetPopupMenu(E->GetPopupMenu());
    FLimitRect = E->GetLimitRect();
    FPixelsPerInch = E->GetPixelsPerInch();
}

TGenericMark::~TGenericMark()
{
    // The resizer points at this mark: it goes while the mark is still whole.
    delete FResizer;
    FResizer = nullptr;
}

void TGenericMark::SetPixelsPerInch(int32_t Value)
{
    if (Value == FPixelsPerInch)
        return;
    FPixelsPerInch = Value;
    Invalidate();
}

void TGenericMark::SetMarkRect(const TRect& Value)
{
    FMarkRect = Value;
    if (!IsRectEmpty(&FLimitRect)) {
        FMarkRect.left = std::max(FMarkRect.left, FLimitRect.left);
        FMarkRect.top = std::max(FMarkRect.top, FLimitRect.top);
        FMarkRect.right = std::min(FMarkRect.right, FLimitRect.right);
        FMarkRect.bottom = std::min(FMarkRect.bottom, FLimitRect.bottom);
    }
    PlaceOnScreen();
}

void TGenericMark::PlaceOnScreen()
{
    const double Z = EffectiveZoom(FZoom);
    const int64_t H = ScrollPosition(FEditor->GetHorzScrollBar()), V = ScrollPosition(FEditor->GetVertScrollBar());
    auto Screen = [Z](int32_t C, int64_t Offset) { return ToInt32(RoundBounded(C * Z / 100.0) - Offset); };
    SetBoundsRect(Rect(Screen(FMarkRect.left, H), Screen(FMarkRect.top, V), Screen(FMarkRect.right, H),
                       Screen(FMarkRect.bottom, V)));
    if (FSelected && FResizer)
        FResizer->SetBoundsRect(GetBoundsRect());
}

void TGenericMark::SetZoom(double Value)
{
    FZoom = Value;
    const double Z = EffectiveZoom(FZoom);
    auto Screen = [Z](int32_t C) { return ToInt32(RoundBounded(C * Z / 100.0)); };
    SetBoundsRect(Rect(Screen(FMarkRect.left), Screen(FMarkRect.top), Screen(FMarkRect.right), Screen(FMarkRect.bottom)));
    if (FSelected && FResizer)
        FResizer->SetBoundsRect(GetBoundsRect());
}

void TGenericMark::SetSelected(bool Value)
{
    if (Value == FSelected)
        return;
    FSelected = Value;
    if (Value && !FResizer) {
        FResizer = new TControlResizer(this);
        FResizer->SetMovable(true);
        FResizer->SetResizable(true);
        FResizer->OnMoved = [this](TObject* S, const TRect& R) { ResizerChanged(S, R); };
        FResizer->OnResized = [this](TObject* S, const TRect& R) { ResizerChanged(S, R); };
        FResizer->SetBoxColor(clBlue);
        FResizer->SetPopupMenu(GetPopupMenu());
        FResizer->SetTargetControl(this);
    }
    if (Value)
        FResizer->SetBoundsRect(GetBoundsRect());
    // A hidden mark (the picture is centred) shows no handles either.
    if (FResizer)
        FResizer->SetVisible(Value && GetVisible());
}

void TGenericMark::VisibleChanged()
{
    TGraphicControl::VisibleChanged();
    if (FResizer)
        FResizer->SetVisible(FSelected && GetVisible());
}

void TGenericMark::ResizerChanged(TObject*, const TRect& NewBounds)
{
    FModified = true;
    const double Z = EffectiveZoom(FZoom);
    const int64_t H = ScrollPosition(FEditor->GetHorzScrollBar()), V = ScrollPosition(FEditor->GetVertScrollBar());
    auto Picture = [Z](int64_t C) { return ToInt32(RoundBounded(static_cast<double>(C) / Z * 100.0)); };
    SetMarkRect(Rect(Picture(NewBounds.left + H), Picture(NewBounds.top + V), Picture(NewBounds.right + H),
                     Picture(NewBounds.bottom + V)));
}

bool TGenericMark::BitmapSize(int32_t& W, int32_t& H) const
{
    const int64_t W64 = int64_t(FMarkRect.right) - FMarkRect.left + 1;
    const int64_t H64 = int64_t(FMarkRect.bottom) - FMarkRect.top + 1;
    if (W64 < 1 || H64 < 1 || W64 * H64 > kMaxMarkBitmapPixels)
        return false;
    W = static_cast<int32_t>(W64);
    H = static_cast<int32_t>(H64);
    return true;
}

std::unique_ptr<TBitmap> TGenericMark::CreateMarkBitmap()
{
    int32_t W = 0, H = 0;
    if (!BitmapSize(W, H))
        throw EInvalidGraphicOperation(Format("No mark bitmap for the rectangle (%d, %d, %d, %d)", FMarkRect.left,
                                              FMarkRect.top, FMarkRect.right, FMarkRect.bottom));
    auto B = std::make_unique<TBitmap>();
    B->SetSize(W, H);
    return B;
}

void TGenericMark::DrawAnnotation(TCanvas* Canvas, int32_t X, int32_t Y)
{
    std::unique_ptr<TBitmap> B = CreateMarkBitmap();
    Canvas->SetCopyMode(DrawCopyMode());
    Canvas->StretchDraw(Bounds(X, Y, GetWidth(), GetHeight()), B.get());
}

void TGenericMark::Paint()
{
    TGraphicControl::Paint();
    try {
        DrawAnnotation(GetCanvas(), 0, 0);
    } catch (const std::exception&) {
        // The mark stays undrawn for this paint.
    }
}

int32_t TGenericMark::LineOffset() const { return FResizer ? FResizer->GetBoxSize() : kDefaultLineOffset; }

void TGenericMark::DrawMarkText(TCanvas* Canvas, const TRect& R, int64_t Size)
{
    Canvas->GetFont()->Assign(GetFont());
    Canvas->GetFont()->SetSize(FontSizeOf(Size));
    Canvas->GetBrush()->SetStyle(bsClear);
    TRect Q = R;
    Canvas->TextRect(Q, GetText(), DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
}

// =============================================================================================
// The four kinds

TStickNoteMark::TStickNoteMark(TComponent* AOwner) : TGenericMark(AOwner)
{
    SetColor(clYellow);
    SetText("Stick Note");
    GetFont()->SetName("Arial");
    GetFont()->SetSize(12);
}

std::unique_ptr<TBitmap> TStickNoteMark::CreateMarkBitmap()
{
    std::unique_ptr<TBitmap> B = TGenericMark::CreateMarkBitmap();
    const int32_t W = B->GetWidth(), H = B->GetHeight();
    TCanvas* C = B->GetCanvas();
    const TColor Back = GetColor() == clGray ? clWhite : clGray;
    C->GetBrush()->SetStyle(bsSolid);
    C->GetBrush()->SetColor(Back);
    C->FillRect(EffectiveZoom(GetZoom()) > 100 ? Rect(0, 0, W, H) : Rect(0, 0, W - 1, H - 1));
    const int32_t S = static_cast<int32_t>(Round(W * 0.025));
    C->GetBrush()->SetColor(clBlack);
    C->FillRect(Rect(S, S, W, H));
    C->GetBrush()->SetColor(GetColor());
    C->FillRect(Rect(0, 0, W - S, H - S));
    DrawMarkText(C, Rect(0, 0, W - S, H - S), RoundBounded(double(GetFont()->GetSize()) * GetPixelsPerInch() / 72.0));
    B->SetTransparentColor(Back);
    B->SetTransparent(true);
    return B;
}

TRectangleMark::TRectangleMark(TComponent* AOwner) : TGenericMark(AOwner) { SetColor(clLime); }

void TRectangleMark::SetPenWidth(int32_t Value)
{
    if (Value == FPenWidth)
        return;
    FPenWidth = Value;
    Invalidate();
}

void TRectangleMark::SetHighlight(bool Value)
{
    if (Value == FHighlight)
        return;
    FHighlight = Value;
    Invalidate();
}

void TRectangleMark::SetFilled(bool Value)
{
    if (Value == FFilled)
        return;
    FFilled = Value;
    Invalidate();
}

std::unique_ptr<TBitmap> TRectangleMark::CreateMarkBitmap()
{
    std::unique_ptr<TBitmap> B = TGenericMark::CreateMarkBitmap();
    const int32_t W = B->GetWidth(), H = B->GetHeight();
    TCanvas* C = B->GetCanvas();
    C->GetBrush()->SetStyle(bsSolid);
    if (FFilled) {
        C->GetBrush()->SetColor(GetColor());
        C->FillRect(Rect(0, 0, W, H));
        B->SetTransparent(false);
        return B;
    }
    const TColor Back = GetColor() == clWhite ? clBlack : clWhite;
    C->GetBrush()->SetColor(Back);
    C->FillRect(Rect(0, 0, W, H));
    B->SetTransparentColor(Back);
    B->SetTransparent(true);
    // Inside the frame: the outline is PenWidth pixels wide within the bitmap.
    C->GetPen()->SetColor(GetColor());
    C->GetPen()->SetWidth(FPenWidth);
    C->GetPen()->SetStyle(psInsideFrame);
    C->GetBrush()->SetStyle(bsClear);
    C->Rectangle(0, 0, W, H);
    return B;
}

TLineMark::TLineMark(TComponent* AOwner) : TGenericMark(AOwner) { SetColor(clNavy); }

void TLineMark::SetLineWidth(int32_t Value)
{
    if (Value == FLineWidth)
        return;
    FLineWidth = Value;
    Invalidate();
}

void TLineMark::SetDirection(uint8_t Value)
{
    if (Value == FDirection)
        return;
    FDirection = Value;
    Invalidate();
}

std::unique_ptr<TBitmap> TLineMark::CreateMarkBitmap()
{
    std::unique_ptr<TBitmap> B = TGenericMark::CreateMarkBitmap();
    const int32_t W = B->GetWidth(), H = B->GetHeight();
    TCanvas* C = B->GetCanvas();
    const TColor Back = GetColor() == clWhite ? clBlack : clWhite;
    C->GetBrush()->SetStyle(bsSolid);
    C->GetBrush()->SetColor(Back);
    C->FillRect(Rect(0, 0, W, H));
    B->SetTransparentColor(Back);
    B->SetTransparent(true);
    C->GetPen()->SetColor(GetColor());
    C->GetPen()->SetWidth(FLineWidth);
    const int32_t Off = LineOffset();
    switch (FDirection) {
    case 0:
        C->MoveTo(0, Off);
        C->LineTo(W, Off);
        break;
    case 1:
        C->MoveTo(W - Off, 0);
        C->LineTo(W - Off, H);
        break;
    case 2:
        C->MoveTo(0, 0);
        C->LineTo(W, H);
        break;
    case 3:
        C->MoveTo(0, H);
        C->LineTo(W, 0);
        break;
    default:
        break;
    }
    return B;
}

TTextMark::TTextMark(TComponent* AOwner) : TGenericMark(AOwner)
{
    SetColor(clYellow);
    SetText("Text");
    GetFont()->SetName("Arial");
    GetFont()->SetSize(12);
}

std::unique_ptr<TBitmap> TTextMark::CreateMarkBitmap()
{
    std::unique_ptr<TBitmap> B = TGenericMark::CreateMarkBitmap();
    const int32_t W = B->GetWidth(), H = B->GetHeight();
    TCanvas* C = B->GetCanvas();
    const TColor Back = GetFont()->GetColor() == clWhite ? clBlack : clWhite;
    C->GetBrush()->SetStyle(bsSolid);
    C->GetBrush()->SetColor(Back);
    C->FillRect(Rect(0, 0, W, H));
    B->SetTransparentColor(Back);
    B->SetTransparent(true);
    DrawMarkText(C, Rect(0, 0, W, H), int64_t(GetFont()->GetSize()) * RoundBounded(GetPixelsPerInch() / 96.0));
    // The mark's colour is left out: with a white one only the text shows.
    B->SetTransparentColor(GetColor());
    return B;
}

// =============================================================================================
// TAnnotationsEditor

TAnnotationsEditor::TAnnotationsEditor(TComponent* AOwner) : TComponent(AOwner) {}

TAnnotationsEditor::~TAnnotationsEditor()
{
    while (!FMarks.empty()) {
        TGenericMark* M = FMarks.back();
        FMarks.pop_back();
        M->Free();
    }
}

template <class T>
T* TAnnotationsEditor::AddMark()
{
    FModified = true;
    T* M = new T(this);
    FMarks.push_back(M);
    M->SetZoom(FZoom);
    M->SetParent(FMarkParent);
    M->SetSelected(FSelected);
    return M;
}

TStickNoteMark* TAnnotationsEditor::AddStickNote() { return AddMark<TStickNoteMark>(); }
TRectangleMark* TAnnotationsEditor::AddRectangle() { return AddMark<TRectangleMark>(); }
TTextMark* TAnnotationsEditor::AddText() { return AddMark<TTextMark>(); }
TLineMark* TAnnotationsEditor::AddLine() { return AddMark<TLineMark>(); }

int32_t TAnnotationsEditor::IndexOfMark(const TGenericMark* Mark) const
{
    const auto It = std::find(FMarks.begin(), FMarks.end(), Mark);
    return It == FMarks.end() ? -1 : static_cast<int32_t>(It - FMarks.begin());
}

void TAnnotationsEditor::DeleteMark(int32_t Index)
{
    TGenericMark* M = Marks(Index);
    FMarks.erase(FMarks.begin() + Index);
    M->Free();
}

void TAnnotationsEditor::ClearMarks()
{
    while (!FMarks.empty()) {
        TGenericMark* M = FMarks.back();
        FMarks.pop_back();
        M->Free();
    }
    FModified = true;
}

void TAnnotationsEditor::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    // A mark freed by anyone else leaves the list too.
    const auto It = std::find_if(FMarks.begin(), FMarks.end(),
                                 [AComponent](TGenericMark* M) { return static_cast<TComponent*>(M) == AComponent; });
    if (It != FMarks.end())
        FMarks.erase(It);
    if (FPopupMenu && static_cast<TComponent*>(FPopupMenu) == AComponent)
        FPopupMenu = nullptr;
}

void TAnnotationsEditor::SetMarkParent(TWinControl* Value)
{
    if (Value == FMarkParent)
        return;
    FMarkParent = Value;
    for (TGenericMark* M : FMarks)
        M->SetParent(Value);
}

void TAnnotationsEditor::SetPixelsPerInch(int32_t Value)
{
    FPixelsPerInch = Value;
    for (TGenericMark* M : FMarks)
        M->SetPixelsPerInch(Value);
}

void TAnnotationsEditor::SetLimitRect(const TRect& Value)
{
    FLimitRect = Value;
    for (TGenericMark* M : FMarks)
        M->SetLimitRect(Value);
}

void TAnnotationsEditor::SetVisible(bool Value)
{
    FVisible = Value;
    for (TGenericMark* M : FMarks)
        M->SetVisible(Value);
}

void TAnnotationsEditor::SetZoom(double Value)
{
    if (Value == FZoom)
        return;
    FZoom = Value;
    for (TGenericMark* M : FMarks)
        M->SetZoom(Value);
}

void TAnnotationsEditor::SetSelected(bool Value)
{
    FSelected = Value;
    for (TGenericMark* M : FMarks)
        M->SetSelected(Value);
}

void TAnnotationsEditor::SetPopupMenu(TPopupMenu* Value)
{
    if (Value == FPopupMenu)
        return;
    if (FPopupMenu)
        FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = Value;
    if (Value)
        Value->FreeNotification(this);
    for (TGenericMark* M : FMarks)
        M->SetPopupMenu(Value);
}

// =============================================================================================
// The text of the marks

TAnnotationRecord RecordOfMark(TGenericMark* Mark)
{
    TAnnotationRecord R;
    R.Kind = 0;
    const TRect& M = Mark->GetMarkRect();
    R.MarkRect = TAnnotationRect{M.left, M.top, M.right, M.bottom};
    R.Visible = Mark->GetVisible();
    R.Color = Mark->GetColor();
    auto TextAndFont = [&] {
        R.Text = Mark->GetText();
        TFont* F = Mark->GetFont();
        R.Font.Color = F->GetColor();
        R.Font.Name = F->GetName();
        R.Font.Size = F->GetSize();
        R.Font.Italic = F->GetStyle().Contains(fsItalic);
        R.Font.Underline = F->GetStyle().Contains(fsUnderline);
        R.Font.StrikeOut = F->GetStyle().Contains(fsStrikeOut);
        R.Font.Bold = F->GetStyle().Contains(fsBold);
    };
    if (dynamic_cast<TStickNoteMark*>(Mark)) {
        R.Kind = kStickNoteKind;
        TextAndFont();
    } else if (auto* RectMark = dynamic_cast<TRectangleMark*>(Mark)) {
        R.Kind = kRectangleKind;
        R.Highlight = RectMark->GetHighlight();
        R.Filled = RectMark->GetFilled();
        R.PenWidth = RectMark->GetPenWidth();
    } else if (auto* LineMark = dynamic_cast<TLineMark*>(Mark)) {
        R.Kind = kLineKind;
        R.LineWidth = LineMark->GetLineWidth();
        R.Direction = LineMark->GetDirection();
    } else if (dynamic_cast<TTextMark*>(Mark)) {
        R.Kind = kTextKind;
        TextAndFont();
    }
    return R;
}

void ApplyRecordToMark(const TAnnotationRecord& R, TGenericMark* Mark)
{
    Mark->SetMarkRect(Rect(R.MarkRect.Left, R.MarkRect.Top, R.MarkRect.Right, R.MarkRect.Bottom));
    Mark->SetVisible(R.Visible);
    Mark->SetColor(R.Color);
    if (dynamic_cast<TStickNoteMark*>(Mark) || dynamic_cast<TTextMark*>(Mark)) {
        Mark->SetText(R.Text);
        TFont F;
        F.SetColor(R.Font.Color);
        F.SetName(R.Font.Name);
        F.SetSize(R.Font.Size);
        TFontStyles Style;
        if (R.Font.Italic)
            Style.Include(fsItalic);
        if (R.Font.Underline)
            Style.Include(fsUnderline);
        if (R.Font.StrikeOut)
            Style.Include(fsStrikeOut);
        if (R.Font.Bold)
            Style.Include(fsBold);
        F.SetStyle(Style);
        Mark->SetFont(&F);
    } else if (auto* RectMark = dynamic_cast<TRectangleMark*>(Mark)) {
        RectMark->SetHighlight(R.Highlight);
        RectMark->SetFilled(R.Filled);
        RectMark->SetPenWidth(R.PenWidth);
    } else if (auto* LineMark = dynamic_cast<TLineMark*>(Mark)) {
        LineMark->SetLineWidth(R.LineWidth);
        LineMark->SetDirection(R.Direction);
    }
}

// =============================================================================================
// TAnnotationMouseHandler

TAnnotationMouseHandler::TAnnotationMouseHandler(TImageScrollBox* AScrollBox)
    : TAnnotationHandlerBase(AScrollBox), FScrollBox(AScrollBox)
{
    FScrollBox->GetImage()->SetCursor(crDefault);
    FEditor.reset(new TAnnotationsEditor(nullptr));
    FEditor->SetMarkParent(FScrollBox);
    FPopupMenu.reset(new TPopupMenu(nullptr));
    FPopupMenu->AddItem("Properties...")->OnClick = [this](TObject*) { ShowProperties(); };
    FPopupMenu->AddItem("Delete")->OnClick = [this](TObject*) { DeleteSelected(); };
    FEditor->SetPopupMenu(FPopupMenu.get());
    FEditor->OnMarkClick = [this](TObject* Sender) { SelectMark(Sender); };
    FPreviousNewGraphic = FScrollBox->OnNewGraphic;
    FScrollBox->OnNewGraphic = [this](TDibGraphic* Graphic) { NewGraphic(Graphic); };
    NewGraphic(FScrollBox->GetGraphic());
}

TAnnotationMouseHandler::~TAnnotationMouseHandler()
{
    FScrollBox->OnNewGraphic = FPreviousNewGraphic;
    FSelectedMark = nullptr;
    // The marks first: they point at the popup menu.
    FEditor.reset();
    FPopupMenu.reset();
}

void TAnnotationMouseHandler::NewGraphic(TDibGraphic* Graphic)
{
    if (FPreviousNewGraphic)
        FPreviousNewGraphic(Graphic);
    FSelectedMark = nullptr;
    FEditor->ClearMarks();
    FEditor->SetLimitRect(Rect(0, 0, Graphic->GetWidth(), Graphic->GetHeight()));
    FEditor->SetPixelsPerInch(ScreenPixelsPerInch());
    FEditor->SetVisible(true);
    FEditor->SetZoom(FScrollBox->GetZoomPercent());
    FEditor->SetHorzScrollBar(FScrollBox->GetHorzScrollBar());
    FEditor->SetVertScrollBar(FScrollBox->GetVertScrollBar());
}

void TAnnotationMouseHandler::AfterRedraw()
{
    FEditor->SetVisible(!FScrollBox->GetCentered());
    FEditor->SetZoom(FScrollBox->GetZoomPercent());
}

void TAnnotationMouseHandler::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TAnnotationHandlerBase::MouseDown(Button, Shift, X, Y);
    if (FScrollBox->GetCentered())
        return;
    FEditor->SetSelected(false);
    FSelectedMark = nullptr;
}

TGenericMark* TAnnotationMouseHandler::GetSelectedMark() const
{
    return FSelectedMark && FEditor->IndexOfMark(FSelectedMark) >= 0 ? FSelectedMark : nullptr;
}

void TAnnotationMouseHandler::SelectMark(TObject* Sender)
{
    auto* M = dynamic_cast<TGenericMark*>(Sender);
    if (!M || FEditor->IndexOfMark(M) < 0)
        return;
    FEditor->SetSelected(false);
    FSelectedMark = M;
    M->SetSelected(true);
}

void TAnnotationMouseHandler::ShowProperties()
{
    TGenericMark* M = GetSelectedMark();
    if (!M)
        return;
    TComponentPtr<TAnnotationsPropertyDialog> Dialog(new TAnnotationsPropertyDialog(nullptr));
    Dialog->FillFromMark(M);
    // The mark may have gone while the dialog was open (a new picture).
    if (Dialog->ShowModal() == mrOk && GetSelectedMark() == M)
        Dialog->ApplyToMark(M);
}

void TAnnotationMouseHandler::DeleteSelected()
{
    TGenericMark* M = GetSelectedMark();
    FSelectedMark = nullptr;
    if (M)
        FEditor->DeleteMark(FEditor->IndexOfMark(M));
}

std::string TAnnotationMouseHandler::SaveAnnotationsToString() const
{
    std::vector<TAnnotationRecord> Records;
    for (int32_t I = 0; I < FEditor->MarkCount(); ++I)
        Records.push_back(RecordOfMark(FEditor->Marks(I)));
    return WriteAnnotationText(Records);
}

void TAnnotationMouseHandler::LoadAnnotationsFromString(const std::string& Text)
{
    FSelectedMark = nullptr;
    FEditor->ClearMarks();
    std::vector<TAnnotationRecord> Records;
    // The marks read completely are made also when the rest of the text fails.
    TScopeExit AddMarks([&] {
        for (const TAnnotationRecord& R : Records) {
            TGenericMark* M = nullptr;
            switch (R.Kind) {
            case kStickNoteKind: M = FEditor->AddStickNote(); break;
            case kRectangleKind: M = FEditor->AddRectangle(); break;
            case kLineKind: M = FEditor->AddLine(); break;
            case kTextKind: M = FEditor->AddText(); break;
            default: continue;
            }
            ApplyRecordToMark(R, M);
        }
    });
    ReadAnnotationText(Text, Records);
}
