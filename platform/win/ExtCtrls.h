#pragma once
// Panels, shapes and splitters.

#include <cstdint>
#include <string>

#include "platform/win/Controls.h"
#include "platform/win/StdCtrls.h"

enum TPanelBevel { bvNone, bvLowered, bvRaised };

// A container drawing its bevels, border and caption.
class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* AOwner);
    std::string ClassName() const override { return "TPanel"; }
    TPanelBevel GetBevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel Value) { FBevelOuter = Value; Changed(); }
    TPanelBevel GetBevelInner() const { return FBevelInner; }
    void SetBevelInner(TPanelBevel Value) { FBevelInner = Value; Changed(); }
    int32_t GetBevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int32_t Value) { FBevelWidth = Value < 1 ? 1 : Value; Changed(); }
    int32_t GetBorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int32_t Value) { FBorderWidth = Value < 0 ? 0 : Value; Changed(); }
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value) { FAlignment = Value; Invalidate(); }

protected:
    void Paint() override;
    void AdjustClientRect(TRect& Rect) override;
    void TextChanged() override { Invalidate(); }

private:
    void Changed();
    TPanelBevel FBevelOuter = bvRaised;
    TPanelBevel FBevelInner = bvNone;
    int32_t FBevelWidth = 1;
    int32_t FBorderWidth = 0;
    TAlignment FAlignment = taCenter;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
public:
    explicit TShape(TComponent* AOwner);
    std::string ClassName() const override { return "TShape"; }
    TShapeType GetShape() const { return FShape; }
    void SetShape(TShapeType Value) { FShape = Value; Invalidate(); }
    TBrush* GetBrush() { return &FBrush; }
    TPen* GetPen() { return &FPen; }

protected:
    void Paint() override;

private:
    TShapeType FShape = stRectangle;
    TBrush FBrush;
    TPen FPen;
};

// Dragging resizes the control directly before it on its side (the one it is aligned against).
class TSplitter : public TGraphicControl {
public:
    explicit TSplitter(TComponent* AOwner);
    std::string ClassName() const override { return "TSplitter"; }
    int32_t GetMinSize() const { return FMinSize; }
    void SetMinSize(int32_t Value) { FMinSize = Value < 1 ? 1 : Value; }
    TNotifyEvent OnMoved;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseCaptureLost() override;

private:
    TControl* FindTarget() const;
    bool Horizontal() const { return GetAlign() == alTop || GetAlign() == alBottom; }
    int32_t FMinSize = 30;
    TControl* FTarget = nullptr;
    TPoint FDownAt{};
    int32_t FStartSize = 0;
    bool FMoved = false;
};
