#pragma once
// Annotations laid over the picture of a scroll box: sticky notes, rectangles (outlined, filled,
// or filled as a highlighter), lines and text.
//
// TAnnotationsEditor owns the marks. Each mark is a windowless control on the editor's
// MarkParent covering its MarkRect (picture pixels) at the current zoom, moved by the scroll
// positions; a click selects it, and a selected mark is moved and sized through a
// TControlResizer. TAnnotationMouseHandler ties the editor to a scroll box in its annotation
// mode and keeps the marks as the annotation text (AnnotText.h).
//
// Screen coordinate: c x Zoom / 100 rounded half to even, minus the scroll position. A zoom of
// 0 or less counts as 100 (the editor and the marks start at 0). A mark draws itself through a
// bitmap of its MarkRect's size; a bitmap with a side below 1 pixel or more than 16,777,216
// pixels is not made and the mark stays undrawn.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imagelib/AnnotText.h"
#include "imagelib/ImgResize.h"
#include "imagelib/ImgScroll.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Controls.h"
#include "platform/win/Scrolling.h"

class TAnnotationsEditor;

// The largest mark bitmap, in pixels.
constexpr int64_t kMaxMarkBitmapPixels = 16777216;
// The line offset of a mark that has no resizer yet: the resizer's default box size.
constexpr int32_t kDefaultLineOffset = 5;

// ---------------------------------------------------------------------------------------------
// Marks

class TGenericMark : public TGraphicControl {
public:
    // Raises "Invalid Parent for Mark" unless AOwner is a TAnnotationsEditor.
    explicit TGenericMark(TComponent* AOwner);
    ~TGenericMark() override;
    std::string ClassName() const override { return "TGenericMark"; }

    const TRect& GetLimitRect() const { return FLimitRect; }
    // Stored only: the mark stays where it is until its rectangle is set again.
    void SetLimitRect(const TRect& Value) { FLimitRect = Value; }
    int32_t GetPixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int32_t Value);
    const TRect& GetMarkRect() const { return FMarkRect; }
    // Clamps to LimitRect (when not empty) without reordering the corners, then places the mark
    // (and its resizer when selected) on the screen.
    virtual void SetMarkRect(const TRect& Value);
    double GetZoom() const { return FZoom; }
    void SetZoom(double Value);
    TControlResizer* GetResizer() const { return FResizer; }
    bool GetSelected() const { return FSelected; }
    void SetSelected(bool Value);
    bool GetModified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    // Color, Text (the sticky note's and the text mark's) and Font are the control's own: their
    // setters repaint only on a change.

    // A new bitmap of the mark drawn at picture size; raises when it cannot be made.
    virtual std::unique_ptr<TBitmap> CreateMarkBitmap();
    // Stretches the mark bitmap into the mark's size at (X, Y) on Canvas.
    virtual void DrawAnnotation(TCanvas* Canvas, int32_t X, int32_t Y);

    // The resizer moved or sized the mark (NewBounds on the screen): back to picture pixels.
    void ResizerChanged(TObject* Sender, const TRect& NewBounds);
    TAnnotationsEditor* GetEditor() const { return FEditor; }

protected:
    void Paint() override;
    void VisibleChanged() override;
    // The copy mode DrawAnnotation draws with.
    virtual DWORD DrawCopyMode() const { return SRCCOPY; }
    // The bitmap's size (MarkRect's width and height plus one); false when it is not made.
    bool BitmapSize(int32_t& W, int32_t& H) const;
    // b of the line directions: the resizer's box size, or the default before it exists.
    int32_t LineOffset() const;
    // Draws Text word-wrapped into R with the mark's font at Size points.
    void DrawMarkText(TCanvas* Canvas, const TRect& R, int64_t Size);
    void PlaceOnScreen();

private:
    TAnnotationsEditor* FEditor = nullptr;
    TRect FLimitRect{};
    int32_t FPixelsPerInch = 0;
    TRect FMarkRect{};
    double FZoom = 0;
    TControlResizer* FResizer = nullptr; // owned as a component
    bool FSelected = false;
    bool FModified = false;
};

class TStickNoteMark : public TGenericMark {
public:
    explicit TStickNoteMark(TComponent* AOwner);
    std::string ClassName() const override { return "TStickNoteMark"; }
    std::unique_ptr<TBitmap> CreateMarkBitmap() override;
};

class TRectangleMark : public TGenericMark {
public:
    explicit TRectangleMark(TComponent* AOwner);
    std::string ClassName() const override { return "TRectangleMark"; }
    int32_t GetPenWidth() const { return FPenWidth; }
    void SetPenWidth(int32_t Value);
    bool GetHighlight() const { return FHighlight; }
    void SetHighlight(bool Value);
    bool GetFilled() const { return FFilled; }
    void SetFilled(bool Value);
    std::unique_ptr<TBitmap> CreateMarkBitmap() override;

protected:
    DWORD DrawCopyMode() const override { return FHighlight ? SRCAND : SRCCOPY; }

private:
    int32_t FPenWidth = 4;
    bool FHighlight = true;
    bool FFilled = true;
};

class TLineMark : public TGenericMark {
public:
    explicit TLineMark(TComponent* AOwner);
    std::string ClassName() const override { return "TLineMark"; }
    int32_t GetLineWidth() const { return FLineWidth; }
    void SetLineWidth(int32_t Value);
    // 0 horizontal at the top, 1 vertical at the right, 2 top left to bottom right, 3 bottom left
    // to top right; other values draw no line.
    uint8_t GetDirection() const { return FDirection; }
    void SetDirection(uint8_t Value);
    std::unique_ptr<TBitmap> CreateMarkBitmap() override;

private:
    int32_t FLineWidth = 4;
    uint8_t FDirection = 2;
};

class TTextMark : public TGenericMark {
public:
    explicit TTextMark(TComponent* AOwner);
    std::string ClassName() const override { return "TTextMark"; }
    std::unique_ptr<TBitmap> CreateMarkBitmap() override;
};

// ---------------------------------------------------------------------------------------------
// The editor

class TAnnotationsEditor : public TComponent {
public:
    explicit TAnnotationsEditor(TComponent* AOwner);
    ~TAnnotationsEditor() override;
    std::string ClassName() const override { return "TAnnotationsEditor"; }

    // A new mark of the kind, last in the list, with the editor's zoom, parent and selection.
    TStickNoteMark* AddStickNote();
    TRectangleMark* AddRectangle();
    TTextMark* AddText();
    TLineMark* AddLine();
    TGenericMark* Marks(int32_t Index) const { return FMarks.at(static_cast<size_t>(Index)); }
    int32_t MarkCount() const { return static_cast<int32_t>(FMarks.size()); }
    int32_t IndexOfMark(const TGenericMark* Mark) const; // -1 when absent
    void DeleteMark(int32_t Index);
    // Frees every mark, the last first.
    void ClearMarks();

    TWinControl* GetMarkParent() const { return FMarkParent; }
    void SetMarkParent(TWinControl* Value);
    int32_t GetPixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int32_t Value);
    const TRect& GetLimitRect() const { return FLimitRect; }
    void SetLimitRect(const TRect& Value);
    TControlScrollBar* GetHorzScrollBar() const { return FHorzScrollBar; }
    void SetHorzScrollBar(TControlScrollBar* Value) { FHorzScrollBar = Value; }
    TControlScrollBar* GetVertScrollBar() const { return FVertScrollBar; }
    void SetVertScrollBar(TControlScrollBar* Value) { FVertScrollBar = Value; }
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool Value);
    double GetZoom() const { return FZoom; }
    void SetZoom(double Value);
    bool GetSelected() const { return FSelected; }
    void SetSelected(bool Value);
    bool GetModified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value);

    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Fired with the mark as Sender.
    TNotifyEvent OnMarkClick;
    TNotifyEvent OnMarkDblClick;
    TMouseEvent OnMarkMouseDown;
    TMouseEvent OnMarkMouseUp;
    TMouseMoveEvent OnMarkMouseMove;

private:
    template <class T>
    T* AddMark();
    std::vector<TGenericMark*> FMarks;
    TWinControl* FMarkParent = nullptr;
    int32_t FPixelsPerInch = 0;
    TRect FLimitRect{};
    TControlScrollBar* FHorzScrollBar = nullptr;
    TControlScrollBar* FVertScrollBar = nullptr;
    bool FVisible = true;
    double FZoom = 0;
    bool FSelected = false;
    bool FModified = false;
    TPopupMenu* FPopupMenu = nullptr;
};

// ---------------------------------------------------------------------------------------------
// The scroll box's annotation mode

class TAnnotationMouseHandler : public TAnnotationHandlerBase {
public:
    // Takes over the scroll box's OnNewGraphic (the previous handler still runs first) and runs
    // the new-picture step once for the current picture.
    explicit TAnnotationMouseHandler(TImageScrollBox* AScrollBox);
    ~TAnnotationMouseHandler() override;
    std::string ClassName() const override { return "TAnnotationMouseHandler"; }

    void BeforeRedraw() override {}
    void AfterRedraw() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    // The property dialog for the selected mark; applied when it closes with OK.
    virtual void ShowProperties();
    virtual void DeleteSelected();
    // A click on a mark: every other mark loses its selection.
    virtual void SelectMark(TObject* Sender);

    std::string SaveAnnotationsToString() const;
    // Replaces the marks by those of Text. On a reading error the marks read completely before
    // it stay and the error is raised.
    void LoadAnnotationsFromString(const std::string& Text);
    void SetAnnotationText(const std::string& Text) override { LoadAnnotationsFromString(Text); }
    std::string GetAnnotationText() const override { return SaveAnnotationsToString(); }

    TImageScrollBox* GetScrollBox() const { return FScrollBox; }
    TAnnotationsEditor* GetEditor() const { return FEditor.get(); }
    TPopupMenu* GetPopupMenu() const { return FPopupMenu.get(); }
    // nullptr when no mark is selected.
    TGenericMark* GetSelectedMark() const;

private:
    void NewGraphic(TDibGraphic* Graphic);
    TImageScrollBox* FScrollBox = nullptr;
    TComponentPtr<TAnnotationsEditor> FEditor;
    TComponentPtr<TPopupMenu> FPopupMenu;
    TGenericMark* FSelectedMark = nullptr;
    TNewGraphicEvent FPreviousNewGraphic;
};

// The mark as a record of the annotation text, and a record's fields set on a mark of its kind.
TAnnotationRecord RecordOfMark(TGenericMark* Mark);
void ApplyRecordToMark(const TAnnotationRecord& Record, TGenericMark* Mark);
