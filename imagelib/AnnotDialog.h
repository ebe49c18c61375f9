#pragma once
// "Annotation Properties": the rectangle, colour and visibility of a mark and, on a page of
// their own, the fields of its kind (text and font; pen width, highlight and fill; pen width
// and direction). The pages have no tabs: the mark's kind chooses the page. The image page is
// part of the form but no kind shows it.
//
// FillFromMark and ApplyToMark are the two halves of an edit; the annotation handler calls them
// around ShowModal.

#include <string>

#include "platform/win/Dialogs.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Tabs.h"

class TGenericMark;

class TAnnotationsPropertyDialog : public TForm {
public:
    explicit TAnnotationsPropertyDialog(TComponent* AOwner);
    std::string ClassName() const override { return "TAnnotationsPropertyDialog"; }

    TButton* OKButton = nullptr;
    TButton* CancelButton = nullptr;
    TLabel* TopLabel = nullptr;
    TMaskEdit* TopEdit = nullptr;
    TLabel* LeftLabel = nullptr;
    TMaskEdit* LeftEdit = nullptr;
    TLabel* RightLabel = nullptr;
    TMaskEdit* RightEdit = nullptr;
    TLabel* BottomLabel = nullptr;
    TMaskEdit* BottomEdit = nullptr;
    TShape* ColorShape = nullptr;
    TButton* ColorButton = nullptr;
    TCheckBox* VisibleCheckBox = nullptr;
    TPageControl* PageControl = nullptr;

    TTabSheet* TabSheetText = nullptr;
    TLabel* FontLabel = nullptr;
    TEdit* FontEdit = nullptr;
    TButton* ButtonFont = nullptr;
    TLabel* TextLabel = nullptr;
    TMemo* TextMemo = nullptr;

    TTabSheet* TabSheetRectangle = nullptr;
    TLabel* RectPenWidthLabel = nullptr;
    TMaskEdit* RectPenWidthEdit = nullptr;
    TCheckBox* HighlightCheckBox = nullptr;
    TCheckBox* FilledCheckBox = nullptr;

    TTabSheet* TabSheetLine = nullptr;
    TLabel* LinePenWidthLabel = nullptr;
    TMaskEdit* LinePenWidthEdit = nullptr;
    TRadioGroup* DirectionRadioGroup = nullptr;

    TTabSheet* TabSheetImage = nullptr;
    TImage* Image = nullptr;
    TButton* LoadButton = nullptr;
    TButton* ClearButton = nullptr;

    TColorDialog* ColorDialog = nullptr;
    TFontDialog* FontDialog = nullptr;
    TOpenDialog* OpenDialog = nullptr;

    void ColorButtonClick(TObject* Sender);
    void ButtonFontClick(TObject* Sender);
    void LoadButtonClick(TObject* Sender);
    void ClearButtonClick(TObject* Sender);

    void FillFromMark(TGenericMark* Mark);
    // Every field is converted before the mark changes: a field that is no number raises the
    // conversion error and the mark stays as it was.
    void ApplyToMark(TGenericMark* Mark);

private:
    void ShowFontDescription();
};

// The font's name, ", ", its size, then ", Bold", ", Italic", ", Underline", ", Strikeout" for
// each style it has.
std::string FontDescription(TFont* Font);
