#pragma once
// TControlResizer: frames another control (its TargetControl) with eight sizing boxes, moves it
// when dragged inside and sizes it when a box is dragged. While dragging it draws the new place
// as LineSize nested focus rectangles on the parent window, and only on release does it change
// the target, between the OnMoving/OnResizing and OnMoved/OnResized events.
//
// The resizer itself paints nothing: it lies over the target, which shows through. The boxes are
// TShape controls of the same parent, made when first needed.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/win/Controls.h"
#include "platform/win/ExtCtrls.h"

// Sender and the target's new bounds (left, top, right, bottom in the parent's client area).
using TControlResizerEvent = std::function<void(TObject* Sender, const TRect& NewBounds)>;

class TControlResizer : public TGraphicControl {
public:
    // The boxes, clockwise from the top-left corner.
    enum TBoxPosition { bpTopLeft, bpTop, bpTopRight, bpRight, bpBottomRight, bpBottom, bpBottomLeft, bpLeft };
    static constexpr int32_t kBoxCount = 8;

    explicit TControlResizer(TComponent* AOwner);
    ~TControlResizer() override;
    std::string ClassName() const override { return "TControlResizer"; }

    TControl* GetTargetControl() const { return FTargetControl; }
    // Takes the target's parent and bounds and shows the boxes; nullptr drops the parent and the
    // target. Ignored while a change of target is under way.
    void SetTargetControl(TControl* Value);
    int32_t GetMinWidth() const { return FMinWidth; }
    void SetMinWidth(int32_t Value) { FMinWidth = Value; }
    int32_t GetMinHeight() const { return FMinHeight; }
    void SetMinHeight(int32_t Value) { FMinHeight = Value; }
    int32_t GetBoxSize() const { return FBoxSize; }
    void SetBoxSize(int32_t Value);
    TColor GetBoxColor() const { return FBoxColor; }
    void SetBoxColor(TColor Value);
    int32_t GetLineSize() const { return FLineSize; }
    void SetLineSize(int32_t Value) { FLineSize = Value; }
    bool GetResizable() const { return FResizable; }
    void SetResizable(bool Value) { FResizable = Value; }
    bool GetMovable() const { return FMovable; }
    void SetMovable(bool Value) { FMovable = Value; }

    // nullptr until the boxes are made.
    TShape* GetBox(int32_t Index) const { return FBoxes.at(static_cast<size_t>(Index)); }
    bool GetDragging() const { return FDragging; }

    void SetParent(TWinControl* AParent) override;
    void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // The press, move and release of the resizer itself (a move) and of its boxes (a resize).
    // X and Y are in Sender's coordinates.
    void PressHandler(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    void MoveHandler(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y);
    void ReleaseHandler(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);

    TControlResizerEvent OnResizing;
    TControlResizerEvent OnResized;
    TControlResizerEvent OnMoving;
    TControlResizerEvent OnMoved;

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseCaptureLost() override;
    void VisibleChanged() override;

private:
    void MakeBoxes();
    void PlaceBoxes();
    void ShowBoxes(bool Value);
    // The drag's rectangle with the mouse at P (parent coordinates).
    TRect DragRect(const TPoint& P) const;
    bool ParentPoint(TObject* Sender, int32_t X, int32_t Y, TPoint& P) const;
    // Draws (or, drawn again, erases) the outline on the parent window.
    void DrawOutline(const TRect& R);
    // Erases the outline and forgets the drag; releases the capture when asked.
    void EndDrag(bool Release);

    TControl* FTargetControl = nullptr;
    int32_t FMinWidth = 8;
    int32_t FMinHeight = 8;
    int32_t FBoxSize = 5;
    TColor FBoxColor = clBlack;
    int32_t FLineSize = 2;
    bool FResizable = true;
    bool FMovable = true;
    bool FChangingTarget = false;
    std::array<TShape*, kBoxCount> FBoxes{};

    bool FDragging = false;
    int32_t FDragBox = -1; // the box dragged, -1 for a move
    TPoint FStartPoint{};
    TRect FStartBounds{};
    TRect FOutline{};
    bool FOutlineShown = false;
};
