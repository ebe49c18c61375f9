#include "imagelib/AnnotDialog.h"

#include <algorithm>

#include "imagelib/AnnotText.h"
#include "imagelib/ImgAnnot.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Owned by the form, placed on Parent.
template <class T>
T* Place(TCustomForm* Form, TWinControl* Parent, int32_t X, int32_t Y, int32_t W, int32_t H)
{
    T* C = new T(Form);
    C->SetBounds(X, Y, W, H);
    C->SetParent(Parent);
    return C;
}

TLabel* PlaceLabel(TCustomForm* Form, TWinControl* Parent, int32_t X, int32_t Y, const std::string& Caption)
{
    TLabel* L = Place<TLabel>(Form, Parent, X, Y, 0, 0);
    L->SetCaption(Caption);
    return L;
}

TButton* PlaceButton(TCustomForm* Form, TWinControl* Parent, int32_t X, int32_t Y, int32_t W, const std::string& Caption)
{
    TButton* B = Place<TButton>(Form, Parent, X, Y, W, 25);
    B->SetCaption(Caption);
    return B;
}

// Five digits, as the rectangle and pen width fields take them.
TMaskEdit* PlaceNumber(TCustomForm* Form, TWinControl* Parent, int32_t X, int32_t Y)
{
    TMaskEdit* E = Place<TMaskEdit>(Form, Parent, X, Y, 60, 21);
    E->SetEditMask("99999");
    return E;
}

TTabSheet* AddSheet(TCustomForm* Form, TPageControl* Pages)
{
    auto* S = new TTabSheet(Form);
    S->SetPageControl(Pages);
    S->SetTabVisible(false);
    return S;
}

int32_t FieldValue(TCustomEdit* Edit) { return StrToInt(Trim(Edit->GetText())); }

// A field's number, which the annotation text must be able to keep: another raises the
// conversion error, naming the range.
int32_t FieldValue(TCustomEdit* Edit, const char* Name, int32_t Low, int32_t High)
{
    const int32_t Value = FieldValue(Edit);
    if (Value < Low || Value > High)
        throw EConvertError(Format("%s must be from %d to %d", Name, Low, High));
    return Value;
}

} // namespace

std::string FontDescription(TFont* Font)
{
    std::string S = Font->GetName() + ", " + IntToStr(Font->GetSize());
    const TFontStyles Style = Font->GetStyle();
    if (Style.Contains(fsBold))
        S += ", Bold";
    if (Style.Contains(fsItalic))
        S += ", Italic";
    if (Style.Contains(fsUnderline))
        S += ", Underline";
    if (Style.Contains(fsStrikeOut))
        S += ", Strikeout";
    return S;
}

TAnnotationsPropertyDialog::TAnnotationsPropertyDialog(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Annotation Properties");
    SetBorderStyle(bsDialog);
    SetPosition(poDesktopCenter);
    SetClientSize(424, 262);

    // Windowed controls in their tab order.
    OKButton = PlaceButton(this, this, 336, 8, 80, "OK");
    OKButton->SetDefault(true);
    OKButton->SetModalResult(mrOk);
    CancelButton = PlaceButton(this, this, 336, 38, 80, "Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    TopLabel = PlaceLabel(this, this, 8, 12, "Top");
    TopEdit = PlaceNumber(this, this, 56, 8);
    LeftLabel = PlaceLabel(this, this, 132, 12, "Left");
    LeftEdit = PlaceNumber(this, this, 176, 8);
    RightLabel = PlaceLabel(this, this, 8, 40, "Right");
    RightEdit = PlaceNumber(this, this, 56, 36);
    BottomLabel = PlaceLabel(this, this, 132, 40, "Bottom");
    BottomEdit = PlaceNumber(this, this, 176, 36);
    ColorShape = Place<TShape>(this, this, 252, 8, 44, 21);
    ColorButton = PlaceButton(this, this, 300, 6, 26, "...");
    ColorButton->OnClick = [this](TObject* S) { ColorButtonClick(S); };
    VisibleCheckBox = Place<TCheckBox>(this, this, 252, 38, 76, 17);
    VisibleCheckBox->SetCaption("Visible");
    PageControl = Place<TPageControl>(this, this, 8, 68, 408, 186);

    TabSheetText = AddSheet(this, PageControl);
    FontLabel = PlaceLabel(this, TabSheetText, 8, 12, "Font");
    FontEdit = Place<TEdit>(this, TabSheetText, 48, 8, 316, 21);
    FontEdit->SetReadOnly(true);
    ButtonFont = PlaceButton(this, TabSheetText, 368, 6, 26, "...");
    ButtonFont->OnClick = [this](TObject* S) { ButtonFontClick(S); };
    TextLabel = PlaceLabel(this, TabSheetText, 8, 40, "Text");
    TextMemo = Place<TMemo>(this, TabSheetText, 48, 36, 346, 136);
    TextMemo->SetScrollBars(ssVertical);

    TabSheetRectangle = AddSheet(this, PageControl);
    RectPenWidthLabel = PlaceLabel(this, TabSheetRectangle, 8, 12, "Pen Width");
    RectPenWidthEdit = PlaceNumber(this, TabSheetRectangle, 88, 8);
    HighlightCheckBox = Place<TCheckBox>(this, TabSheetRectangle, 8, 40, 120, 17);
    HighlightCheckBox->SetCaption("Hightlight");
    FilledCheckBox = Place<TCheckBox>(this, TabSheetRectangle, 8, 64, 120, 17);
    FilledCheckBox->SetCaption("Filled");

    TabSheetLine = AddSheet(this, PageControl);
    LinePenWidthLabel = PlaceLabel(this, TabSheetLine, 8, 12, "Pen Width");
    LinePenWidthEdit = PlaceNumber(this, TabSheetLine, 88, 8);
    DirectionRadioGroup = Place<TRadioGroup>(this, TabSheetLine, 8, 38, 240, 110);
    for (const char* Choice : {"Horizontal - Top", "Vertical - Right", "Top Left - Bottom Right", "Bottom Left - Top Right"})
        DirectionRadioGroup->GetItems()->Add(Choice);

    TabSheetImage = AddSheet(this, PageControl);
    Image = Place<TImage>(this, TabSheetImage, 8, 8, 200, 160);
    Image->SetStretch(true);
    LoadButton = PlaceButton(this, TabSheetImage, 216, 8, 75, "Load...");
    LoadButton->OnClick = [this](TObject* S) { LoadButtonClick(S); };
    ClearButton = PlaceButton(this, TabSheetImage, 216, 40, 75, "Clear");
    ClearButton->OnClick = [this](TObject* S) { ClearButtonClick(S); };

    ColorDialog = new TColorDialog(this);
    FontDialog = new TFontDialog(this);
    FontDialog->SetMinFontSize(kMinAnnotationFontSize);
    FontDialog->SetMaxFontSize(kMaxAnnotationFontSize);
    OpenDialog = new TOpenDialog(this);
    OpenDialog->SetFilter("BMP Files|*.bmp");

    PageControl->SetActivePage(TabSheetText);
    SetActiveControl(OKButton);
}

void TAnnotationsPropertyDialog::ShowFontDescription()
{
    FontEdit->SetText(FontDescription(FontDialog->GetFont()));
    FontEdit->GetFont()->SetColor(FontDialog->GetFont()->GetColor());
}

void TAnnotationsPropertyDialog::ColorButtonClick(TObject*)
{
    ColorDialog->SetColor(ColorShape->GetBrush()->GetColor());
    if (!ColorDialog->Execute())
        return;
    ColorShape->GetBrush()->SetColor(ColorDialog->GetColor());
    ColorShape->Invalidate();
}

void TAnnotationsPropertyDialog::ButtonFontClick(TObject*)
{
    if (FontDialog->Execute())
        ShowFontDescription();
}

void TAnnotationsPropertyDialog::LoadButtonClick(TObject*)
{
    if (OpenDialog->Execute())
        Image->GetPicture()->LoadFromFile(OpenDialog->GetFileName());
}

void TAnnotationsPropertyDialog::ClearButtonClick(TObject*) { Image->GetPicture()->Assign(nullptr); }

void TAnnotationsPropertyDialog::FillFromMark(TGenericMark* Mark)
{
    const TRect& R = Mark->GetMarkRect();
    TopEdit->SetText(IntToStr(R.top));
    LeftEdit->SetText(IntToStr(R.left));
    RightEdit->SetText(IntToStr(R.right));
    BottomEdit->SetText(IntToStr(R.bottom));
    ColorShape->GetBrush()->SetColor(Mark->GetColor());
    VisibleCheckBox->SetChecked(Mark->GetVisible());
    if (dynamic_cast<TStickNoteMark*>(Mark) || dynamic_cast<TTextMark*>(Mark)) {
        PageControl->SetActivePage(TabSheetText);
        FontDialog->SetFont(Mark->GetFont());
        ShowFontDescription();
        TextMemo->SetText(Mark->GetText());
    } else if (auto* RectMark = dynamic_cast<TRectangleMark*>(Mark)) {
        PageControl->SetActivePage(TabSheetRectangle);
        FilledCheckBox->SetChecked(RectMark->GetFilled());
        HighlightCheckBox->SetChecked(RectMark->GetHighlight());
        RectPenWidthEdit->SetText(IntToStr(RectMark->GetPenWidth()));
    } else if (auto* LineMark = dynamic_cast<TLineMark*>(Mark)) {
        PageControl->SetActivePage(TabSheetLine);
        LinePenWidthEdit->SetText(IntToStr(LineMark->GetLineWidth()));
        DirectionRadioGroup->SetItemIndex(LineMark->GetDirection());
    }
}

void TAnnotationsPropertyDialog::ApplyToMark(TGenericMark* Mark)
{
    const bool Textual = dynamic_cast<TStickNoteMark*>(Mark) || dynamic_cast<TTextMark*>(Mark);
    auto* RectMark = dynamic_cast<TRectangleMark*>(Mark);
    auto* LineMark = dynamic_cast<TLineMark*>(Mark);
    constexpr int32_t C = kMaxAnnotationCoordinate;
    const int32_t Left = FieldValue(LeftEdit, "Left", -C, C);
    const int32_t Top = FieldValue(TopEdit, "Top", -C, C);
    const int32_t Right = FieldValue(RightEdit, "Right", -C, C);
    const int32_t Bottom = FieldValue(BottomEdit, "Bottom", -C, C);
    TMaskEdit* PenWidthEdit = RectMark ? RectPenWidthEdit : LineMark ? LinePenWidthEdit : nullptr;
    const int32_t PenWidth = PenWidthEdit ? FieldValue(PenWidthEdit, "Pen Width", 0, kMaxAnnotationPenWidth) : 0;

    Mark->SetMarkRect(Rect(Left, Top, Right, Bottom));
    Mark->SetColor(ColorShape->GetBrush()->GetColor());
    Mark->SetVisible(VisibleCheckBox->GetChecked());
    if (Textual) {
        // The font dialog offers only sizes the text keeps; a mark's own font may have come with
        // another, which goes to the nearer end.
        TFont Font;
        Font.Assign(FontDialog->GetFont());
        Font.SetSize(std::clamp(Font.GetSize(), kMinAnnotationFontSize, kMaxAnnotationFontSize));
        Mark->SetFont(&Font);
        Mark->SetText(TextMemo->GetText());
    } else if (RectMark) {
        RectMark->SetFilled(FilledCheckBox->GetChecked());
        RectMark->SetHighlight(HighlightCheckBox->GetChecked());
        RectMark->SetPenWidth(PenWidth);
    } else if (LineMark) {
        LineMark->SetLineWidth(PenWidth);
        if (DirectionRadioGroup->GetItemIndex() >= 0)
            LineMark->SetDirection(static_cast<uint8_t>(DirectionRadioGroup->GetItemIndex()));
    }
}
