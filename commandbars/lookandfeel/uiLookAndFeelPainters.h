#pragma once
// The look-and-feel painters: the drawing family of controls that follow a TuiLookAndFeel instead
// of a bar manager's style. TuiCustomLookAndFeelPainter holds the whole interface (98 operations)
// with its base answers; TuiStandardLookAndFeelPainter (lfStandard), TuiFlatLookAndFeelPainter
// (lfFlat) and TuiUltraFlatLookAndFeelPainter (lfUltraFlat) change what their style draws.
// Painters hold no data: each class has one static instance, and a painter class is a pointer to
// it (GetLookAndFeelPainterClass picks one by kind).
//
// The unit's shared resources live between uiLookAndFeelPaintersInit and uiLookAndFeelPaintersDone
// (pairs nest; only the outermost acts): the image list of the five UI bitmaps, two 8 x 8 pattern
// bitmaps, and, made when the first radio button is drawn, the radio-button image list with the
// listener that empties it when the system's colours change. User-interface thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <windows.h>

#include "commandbars/foundation/uiGraphics.h"
#include "commandbars/lookandfeel/uiLookAndFeel.h"
#include "platform/win/Graphics.h"
#include "platform/win/StdCtrls.h"

class TBitmap;
class THiddenWindow;
class TImageList;

// The state of a button or a part: what its colours and frames follow.
enum TuiButtonState { ubsNormal = 1, ubsHot = 2, ubsPressed = 3, ubsDisabled = 4 };

// Where an arrow points (the order of DrawFrameControl's scroll arrows).
enum TuiArrowDirection { adUp, adDown, adLeft, adRight };

// Vertical text alignment of the cell drawer.
enum TuiVertAlignment { uvaTop, uvaBottom, uvaCenter };

// The parts of a scroll bar; LineUp and PageUp are the left ones of a horizontal bar.
enum TuiScrollBarPart { sbpNone, sbpLineUp, sbpLineDown, sbpThumb, sbpPageUp, sbpPageDown };

// The images of the unit's image list, in the order they are loaded.
enum TuiIndicatorKind { ikArrow, ikEdit, ikInsert, ikMultiDot, ikMultiArrow };
constexpr int32_t kIndicatorImageCount = 5;

// Indexes of EditColor: normal, hot, focused, disabled, read-only.
constexpr int32_t kEditColorCount = 5;

// Custom drawing of a cell's background: answers true when it painted the background itself.
using TuiCellCustomDrawEvent = std::function<bool(TuiCanvas* Canvas, const TRect& R)>;

// The text flags of the cell drawer (TuiCanvas::DrawText bits): one lookup each for the horizontal
// and the vertical alignment, the line mode (one line or word break) and the end ellipsis.
uint32_t uiCellTextFlags(TAlignment HAlign, TuiVertAlignment VAlign, bool MultiLine, bool EndEllipsis);

class TuiCustomLookAndFeelPainter;
using TuiLookAndFeelPainterClass = const TuiCustomLookAndFeelPainter*;

class TuiCustomLookAndFeelPainter {
public:
    TuiCustomLookAndFeelPainter(const TuiCustomLookAndFeelPainter&) = delete;
    TuiCustomLookAndFeelPainter& operator=(const TuiCustomLookAndFeelPainter&) = delete;
    virtual ~TuiCustomLookAndFeelPainter() = default;
    static TuiLookAndFeelPainterClass Instance();

    // 1. Offset of a control's content (1 operation).
    virtual int32_t ContentOffset() const;

    // 2. Text and shapes (2): a rectangle with its corners cut by Size, in one colour; a cell:
    // its background (unless CustomDraw painted it), then its text with a clear brush.
    virtual void DrawFilledPolygon(TuiCanvas* ACanvas, const TRect& R, int32_t Size, TColor AColor) const;
    virtual void DrawCell(TuiCanvas* ACanvas, const TRect& R, const std::string& Text, TFont* AFont, TColor AFontColor,
                          TColor ABkColor, TAlignment HAlign, TuiVertAlignment VAlign, bool MultiLine,
                          bool EndEllipsis, const TuiCellCustomDrawEvent& CustomDraw) const;

    // 3. Rectangle adjusters (2): R less ContentBorderSize on every side; that less 2 more.
    virtual TRect ContentRect(const TRect& R) const;
    virtual TRect InnerContentRect(const TRect& R) const;

    // 4. The kind the painter draws (1).
    virtual TuiLookAndFeelKind Kind() const;

    // 5. Colours (26), the same system colours in every style.
    virtual TColor WindowColor() const;
    virtual TColor WindowTextColor() const;
    virtual TColor ShadowColor() const;
    virtual TColor HighlightColor() const;
    virtual TColor TextColor() const;
    virtual TColor FaceColor() const;
    virtual TColor HeaderTextColor() const;
    virtual TColor HeaderLineColor() const;
    virtual TColor HeaderColor() const;
    virtual TColor FooterTextColor() const;
    virtual TColor FooterLineColor() const;
    virtual TColor FooterColor() const;
    virtual TColor GroupColor() const;
    virtual TColor GroupTextColor() const;
    virtual TColor GroupLineColor() const;
    virtual TColor IndicatorColor() const;
    virtual TColor PanelColor() const;
    virtual TColor PanelTextColor() const;
    virtual TColor LinkColor() const;
    virtual TColor GridLineColor() const;
    virtual TColor SelectionColor() const;
    virtual TColor SelectionTextColor() const;
    virtual TColor TabColor() const;
    virtual TColor TabPageColor() const;
    virtual TColor TabTextColor() const;
    virtual TColor SplitterColor() const;

    // 6. Arrows and button backgrounds (4): a filled arrow centred in R; an arrow button (the
    // background drawn by DrawButtonBackground when FillBackground, else only filled); a button's
    // background and frame; an arrow in the symbol colour, moved by ButtonPressedShift when
    // pressed.
    virtual void DrawArrow(TuiCanvas* ACanvas, const TRect& R, TuiArrowDirection Direction, TColor AColor) const;
    virtual void DrawArrowButton(TuiCanvas* ACanvas, const TRect& R, TuiArrowDirection Direction,
                                 TuiButtonState State, bool FillBackground) const;
    virtual void DrawButtonBackground(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const;
    virtual void DrawPressedArrow(TuiCanvas* ACanvas, const TRect& R, TuiArrowDirection Direction,
                                  TuiButtonState State) const;

    // 7. Sizes, switches, colours by state and the drawers of every part (62).

    // 7.1 Borders (3): the border width round a control, the width of an edge (thin or not), and
    // the border itself.
    virtual int32_t BorderSize() const;
    virtual int32_t EdgeWidth(bool Thin) const;
    virtual void DrawBorder(TuiCanvas* ACanvas, const TRect& R) const;

    // 7.2 Buttons (10): background and symbol colours by state, the indent of a button's content
    // and the shift of a pressed one; the frame by state, a captioned button, and the drop-down,
    // spin, close and ellipsis buttons of edits and windows.
    virtual TColor ButtonBackgroundColor(TuiButtonState State) const;
    virtual int32_t ButtonInnerIndent() const;
    virtual int32_t ButtonPressedShift() const;
    virtual TColor ButtonSymbolColor(TuiButtonState State) const;
    virtual void DrawButtonFrame(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const;
    virtual void DrawButton(TuiCanvas* ACanvas, const TRect& R, const std::string& Caption,
                            TuiButtonState State) const;
    virtual void DrawDropDownButton(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const;
    virtual void DrawSpinButtons(TuiCanvas* ACanvas, const TRect& R, TuiButtonState UpState,
                                 TuiButtonState DownState) const;
    virtual void DrawCloseButton(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const;
    virtual void DrawEllipsisButton(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const;

    // 7.3 Check boxes and radio buttons (5): the side of a check box (0: none drawn), the check
    // mark, a check box, a button that stays down while checked, and a radio button from the
    // shared radio images (Variant 0 or 1; BkColor clDefault draws it over what is there).
    virtual int32_t CheckButtonSize() const;
    virtual void DrawCheckMark(TuiCanvas* ACanvas, const TRect& R, TColor AColor) const;
    virtual void DrawCheckBox(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State, bool Checked) const;
    virtual void DrawCheckButton(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State, bool Checked) const;
    virtual void DrawRadioButton(TuiCanvas* ACanvas, int32_t X, int32_t Y, TuiButtonState State, bool Checked,
                                 int32_t Variant, TColor BkColor) const;

    // 7.4 Hot tracking and arrow sizes (3): whether parts light up under the mouse; the longest
    // side of an arrow and its distance from its rectangle's edge.
    virtual bool IsHotTracking() const;
    virtual int32_t ArrowSize() const;
    virtual int32_t ArrowIndent() const;

    // 7.5 Edits (4): the background colour by index (normal, hot, focused, disabled, read-only);
    // the sides drawn of an edit whose neighbours lie at the sides in Neighbours (uiBorder* bits:
    // one line between neighbours); the background and the border.
    virtual TColor EditColor(int32_t Index) const;
    virtual uint32_t VisibleBorders(uint32_t Neighbours) const;
    virtual void DrawEditBackground(TuiCanvas* ACanvas, const TRect& R, int32_t ColorIndex) const;
    virtual void DrawEditBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Neighbours, bool Hot) const;

    // 7.6 Headers (6): the border width of a header section, a section with its text, its border
    // on the given sides, the separator between sections, the offset of the sort mark from the
    // section's right and top, and the mark.
    virtual int32_t HeaderBorderSize() const;
    virtual void DrawHeader(TuiCanvas* ACanvas, const TRect& R, const std::string& Text, TFont* AFont,
                            TAlignment HAlign, TuiButtonState State) const;
    virtual void DrawHeaderBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Borders, TuiButtonState State) const;
    virtual void DrawHeaderSeparator(TuiCanvas* ACanvas, const TRect& R) const;
    virtual TPoint SortMarkOffset() const;
    virtual void DrawSortMark(TuiCanvas* ACanvas, const TRect& R, bool Ascending) const;

    // 7.7 Footers (4): the sides of a footer cell's border, the footer's background, a cell and
    // its border.
    virtual uint32_t FooterBorders() const;
    virtual void DrawFooterContent(TuiCanvas* ACanvas, const TRect& R) const;
    virtual void DrawFooterCell(TuiCanvas* ACanvas, const TRect& R, const std::string& Text, TFont* AFont,
                                TAlignment HAlign) const;
    virtual void DrawFooterBorder(TuiCanvas* ACanvas, const TRect& R) const;

    // 7.8 Frames, contents and cells (4): the width of a frame, of a content's border and the
    // offset of a cell's text; a frame of FrameBorderSize on the given sides.
    virtual int32_t FrameBorderSize() const;
    virtual int32_t ContentBorderSize() const;
    virtual int32_t CellTextOffset() const;
    virtual void DrawFrame(TuiCanvas* ACanvas, const TRect& R, TColor AColor, uint32_t Borders) const;

    // 7.9 Group boxes, panels, splitters, separators, tabs and focus (8).
    virtual void DrawGroupBox(TuiCanvas* ACanvas, const TRect& R, const std::string& Caption, TFont* AFont) const;
    virtual void DrawGroupBoxCaption(TuiCanvas* ACanvas, const TRect& R, const std::string& Caption,
                                     TFont* AFont) const;
    virtual void DrawPanel(TuiCanvas* ACanvas, const TRect& R, const std::string& Text, TFont* AFont) const;
    virtual void DrawSplitter(TuiCanvas* ACanvas, const TRect& R, bool Horizontal) const;
    virtual void DrawSeparator(TuiCanvas* ACanvas, const TRect& R, bool Vertical) const;
    virtual void DrawTab(TuiCanvas* ACanvas, const TRect& R, const std::string& Text, TFont* AFont, bool Active,
                         bool Hot) const;
    virtual void DrawTabBorder(TuiCanvas* ACanvas, const TRect& R) const;
    virtual void DrawFocusFrame(TuiCanvas* ACanvas, const TRect& R) const;

    // 7.10 Fixed image sizes and indicators (5): the sizes of a check box image, an indicator
    // image and a scroll button (0: the system's); an indicator image from the unit's image list
    // centred in R (a TuiIndicatorKind), and an indicator cell with its image (-1: none).
    virtual TSize CheckBoxImageSize() const;
    virtual TSize IndicatorImageSize() const;
    virtual TSize ScrollButtonSize() const;
    virtual void DrawIndicatorImage(TuiCanvas* ACanvas, const TRect& R, int32_t Index) const;
    virtual void DrawIndicatorItem(TuiCanvas* ACanvas, const TRect& R, int32_t Index) const;

    // 7.11 Tree signs (2): a plus or minus sign centred on R, and the boxed expand button.
    virtual void DrawPlusMinus(TuiCanvas* ACanvas, const TRect& R, TColor AColor, bool MinusOnly) const;
    virtual void DrawExpandButton(TuiCanvas* ACanvas, const TRect& R, bool Expanded) const;

    // 7.12 Size grips, progress bars and track bars (5); Percent is taken within 0..100.
    virtual void DrawSizeGrip(TuiCanvas* ACanvas, const TRect& R) const;
    virtual void DrawProgressBar(TuiCanvas* ACanvas, const TRect& R, int32_t Percent, bool Horizontal) const;
    virtual void DrawProgressBarChunk(TuiCanvas* ACanvas, const TRect& R) const;
    virtual void DrawTrackBar(TuiCanvas* ACanvas, const TRect& R, bool Horizontal) const;
    virtual void DrawTrackBarThumb(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const;

    // 7.13 Scroll bars (3): the border width round a scroll bar, its background, and one part.
    virtual int32_t ScrollBarBorderSize() const;
    virtual void DrawScrollBarBackground(TuiCanvas* ACanvas, const TRect& R, bool Horizontal) const;
    virtual void DrawScrollBarPart(TuiCanvas* ACanvas, const TRect& R, TuiScrollBarPart Part, TuiButtonState State,
                                   bool Horizontal) const;

protected:
    TuiCustomLookAndFeelPainter() = default;
};

class TuiStandardLookAndFeelPainter : public TuiCustomLookAndFeelPainter {
public:
    static TuiLookAndFeelPainterClass Instance();

    int32_t BorderSize() const override;
    int32_t EdgeWidth(bool Thin) const override;
    void DrawBorder(TuiCanvas* ACanvas, const TRect& R) const override;
    int32_t ButtonInnerIndent() const override;
    int32_t ButtonPressedShift() const override;
    void DrawButtonFrame(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const override;
    int32_t CheckButtonSize() const override;
    void DrawEditBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Neighbours, bool Hot) const override;
    int32_t HeaderBorderSize() const override;
    void DrawHeaderBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Borders, TuiButtonState State) const override;
    void DrawHeaderSeparator(TuiCanvas* ACanvas, const TRect& R) const override;
    TPoint SortMarkOffset() const override;
    void DrawSortMark(TuiCanvas* ACanvas, const TRect& R, bool Ascending) const override;
    void DrawFooterBorder(TuiCanvas* ACanvas, const TRect& R) const override;
    int32_t FrameBorderSize() const override;
    int32_t ContentBorderSize() const override;
    int32_t CellTextOffset() const override;
    void DrawGroupBox(TuiCanvas* ACanvas, const TRect& R, const std::string& Caption, TFont* AFont) const override;
    void DrawPanel(TuiCanvas* ACanvas, const TRect& R, const std::string& Text, TFont* AFont) const override;
    void DrawSplitter(TuiCanvas* ACanvas, const TRect& R, bool Horizontal) const override;
    void DrawSeparator(TuiCanvas* ACanvas, const TRect& R, bool Vertical) const override;
    void DrawTab(TuiCanvas* ACanvas, const TRect& R, const std::string& Text, TFont* AFont, bool Active,
                 bool Hot) const override;
    void DrawTabBorder(TuiCanvas* ACanvas, const TRect& R) const override;
    int32_t ScrollBarBorderSize() const override;
    void DrawScrollBarPart(TuiCanvas* ACanvas, const TRect& R, TuiScrollBarPart Part, TuiButtonState State,
                           bool Horizontal) const override;

protected:
    TuiStandardLookAndFeelPainter() = default;
};

class TuiFlatLookAndFeelPainter : public TuiCustomLookAndFeelPainter {
public:
    static TuiLookAndFeelPainterClass Instance();

    TuiLookAndFeelKind Kind() const override;
    int32_t BorderSize() const override;
    int32_t EdgeWidth(bool Thin) const override;
    void DrawBorder(TuiCanvas* ACanvas, const TRect& R) const override;
    void DrawButtonBackground(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const override;
    int32_t ButtonInnerIndent() const override;
    int32_t ButtonPressedShift() const override;
    void DrawButtonFrame(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const override;
    int32_t CheckButtonSize() const override;
    void DrawEditBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Neighbours, bool Hot) const override;
    int32_t HeaderBorderSize() const override;
    void DrawHeaderBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Borders, TuiButtonState State) const override;
    void DrawHeaderSeparator(TuiCanvas* ACanvas, const TRect& R) const override;
    TPoint SortMarkOffset() const override;
    void DrawSortMark(TuiCanvas* ACanvas, const TRect& R, bool Ascending) const override;
    void DrawFooterBorder(TuiCanvas* ACanvas, const TRect& R) const override;
    int32_t FrameBorderSize() const override;
    int32_t ContentBorderSize() const override;
    int32_t CellTextOffset() const override;
    void DrawGroupBox(TuiCanvas* ACanvas, const TRect& R, const std::string& Caption, TFont* AFont) const override;
    void DrawPanel(TuiCanvas* ACanvas, const TRect& R, const std::string& Text, TFont* AFont) const override;
    void DrawSplitter(TuiCanvas* ACanvas, const TRect& R, bool Horizontal) const override;
    void DrawSeparator(TuiCanvas* ACanvas, const TRect& R, bool Vertical) const override;
    void DrawTab(TuiCanvas* ACanvas, const TRect& R, const std::string& Text, TFont* AFont, bool Active,
                 bool Hot) const override;
    void DrawTabBorder(TuiCanvas* ACanvas, const TRect& R) const override;
    int32_t ScrollBarBorderSize() const override;
    void DrawScrollBarPart(TuiCanvas* ACanvas, const TRect& R, TuiScrollBarPart Part, TuiButtonState State,
                           bool Horizontal) const override;

protected:
    TuiFlatLookAndFeelPainter() = default;
};

class TuiUltraFlatLookAndFeelPainter : public TuiCustomLookAndFeelPainter {
public:
    static TuiLookAndFeelPainterClass Instance();

    TuiLookAndFeelKind Kind() const override;
    int32_t BorderSize() const override;
    int32_t EdgeWidth(bool Thin) const override;
    void DrawBorder(TuiCanvas* ACanvas, const TRect& R) const override;
    TColor ButtonBackgroundColor(TuiButtonState State) const override;
    int32_t ButtonInnerIndent() const override;
    int32_t ButtonPressedShift() const override;
    TColor ButtonSymbolColor(TuiButtonState State) const override;
    void DrawButtonFrame(TuiCanvas* ACanvas, const TRect& R, TuiButtonState State) const override;
    int32_t CheckButtonSize() const override;
    bool IsHotTracking() const override;
    uint32_t VisibleBorders(uint32_t Neighbours) const override;
    void DrawEditBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Neighbours, bool Hot) const override;
    int32_t HeaderBorderSize() const override;
    void DrawHeaderBorder(TuiCanvas* ACanvas, const TRect& R, uint32_t Borders, TuiButtonState State) const override;
    TPoint SortMarkOffset() const override;
    uint32_t FooterBorders() const override;
    void DrawFooterBorder(TuiCanvas* ACanvas, const TRect& R) const override;
    int32_t FrameBorderSize() const override;
    int32_t ContentBorderSize() const override;
    int32_t CellTextOffset() const override;
    void DrawPanel(TuiCanvas* ACanvas, const TRect& R, const std::string& Text, TFont* AFont) const override;
    void DrawTab(TuiCanvas* ACanvas, const TRect& R, const std::string& Text, TFont* AFont, bool Active,
                 bool Hot) const override;
    void DrawTabBorder(TuiCanvas* ACanvas, const TRect& R) const override;
    void DrawSizeGrip(TuiCanvas* ACanvas, const TRect& R) const override;
    int32_t ScrollBarBorderSize() const override;
    void DrawScrollBarBackground(TuiCanvas* ACanvas, const TRect& R, bool Horizontal) const override;
    void DrawScrollBarPart(TuiCanvas* ACanvas, const TRect& R, TuiScrollBarPart Part, TuiButtonState State,
                           bool Horizontal) const override;

protected:
    TuiUltraFlatLookAndFeelPainter() = default;
};

// lfFlat, lfStandard and lfUltraFlat to the Flat, Standard and UltraFlat painters.
TuiLookAndFeelPainterClass GetLookAndFeelPainterClass(TuiLookAndFeelKind Kind);

// ---------------------------------------------------------------------------------------------
// Radio-button images

// 48 radio buttons drawn from the system's own radio image, recoloured for each kind, variant,
// check and state, made when first drawn and made again after Clear. Holds the mask (a circle:
// what lies outside it or outside the system's radio is transparent), a work bitmap and the
// image list, all of one image's size (the system check-box bitmap's cell).
class TuiRadioButtonImageList {
public:
    TuiRadioButtonImageList();
    TuiRadioButtonImageList(const TuiRadioButtonImageList&) = delete;
    TuiRadioButtonImageList& operator=(const TuiRadioButtonImageList&) = delete;
    ~TuiRadioButtonImageList();

    // Index of one image: Kind x 8 + Variant x 24 + Checked x 4 + (State - 1).
    static int32_t ImageIndex(TuiLookAndFeelKind Kind, int32_t Variant, bool Checked, TuiButtonState State);
    // One image's size: the system check-box bitmap divided by 4 across and 3 down (13 x 13 when
    // the system has none).
    static TSize SystemImageSize();

    // Image Index at (X, Y): over BkColor, or over what the canvas holds for clDefault. Builds
    // the images first when the list is empty.
    void Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, TColor BkColor);
    // Empties the list so that the next Draw builds it with the system's colours of that time.
    void Clear();
    int32_t GetCount() const;
    TSize GetImageSize() const { return FSize; }
    TImageList* GetImages() const { return FImages.get(); }
    TBitmap* GetMask() const { return FMask.get(); }

private:
    void Build();

    TSize FSize{0, 0};
    std::unique_ptr<TBitmap> FMask;
    std::unique_ptr<TBitmap> FWork;
    std::unique_ptr<TImageList> FImages;
};

// A hidden top-level window that empties the radio images when the system's colours change: on
// WM_SYSCOLORCHANGE (the system's broadcast) and CM_SYSCOLORCHANGE (forwarded by controls) it
// runs the default procedure and answers 0.
class TuiSysColorChangeEventListener {
public:
    TuiSysColorChangeEventListener();
    TuiSysColorChangeEventListener(const TuiSysColorChangeEventListener&) = delete;
    TuiSysColorChangeEventListener& operator=(const TuiSysColorChangeEventListener&) = delete;
    ~TuiSysColorChangeEventListener();
    HWND GetHandle() const { return FHandle; }

private:
    bool Handle(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);

    std::unique_ptr<THiddenWindow> FWindow;
    HWND FHandle = nullptr;
};

// ---------------------------------------------------------------------------------------------
// The unit's resources

void uiLookAndFeelPaintersInit();
void uiLookAndFeelPaintersDone();
// The image list of the five UI bitmaps (TuiIndicatorKind order); nullptr outside Init/Done.
TImageList* uiLookAndFeelPainterImages();
// Pattern 0 (clBtnFace where x and y have the same parity, else clBtnHighlight) or 1 (black, else
// cl3DDkShadow); nullptr outside Init/Done or for another index.
TBitmap* uiLookAndFeelPatternBitmap(int32_t Index);
// The radio images and the colour listener once the first radio button was drawn, else nullptr.
TuiRadioButtonImageList* uiRadioButtonImageList();
HWND uiSysColorChangeListenerHandle();
// How many times the radio images were built since the program started.
int32_t uiRadioButtonImageBuildCount();
