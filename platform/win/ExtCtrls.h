#pragma once
// Panels, shapes, splitters, radio groups and images.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/win/Graphic.h"

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
    // Asked before each size a drag gives its control: it may change the size or refuse it.
    std::function<void(TObject* Sender, int32_t& NewSize, bool& Accept)> OnCanResize;
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

// A group box whose radio buttons are made from Items, laid out in Columns (filled top to
// bottom, then left to right). OnClick fires when ItemIndex changes, from code too.
class TRadioGroup : public TGroupBox {
public:
    explicit TRadioGroup(TComponent* AOwner);
    ~TRadioGroup() override;
    std::string ClassName() const override { return "TRadioGroup"; }
    TStrings* GetItems() { return &FItems; }
    int32_t GetItemIndex() const { return FItemIndex; }
    // Out of range: none checked (-1).
    void SetItemIndex(int32_t Value);
    int32_t GetColumns() const { return FColumns; }
    void SetColumns(int32_t Value);
    int32_t GetButtonCount() const { return static_cast<int32_t>(FButtons.size()); }
    TRadioButton* GetButtons(int32_t Index) const { return FButtons.at(static_cast<size_t>(Index)); }

protected:
    void Resize() override;
    void EnabledChanged() override;
    void FontChanged() override;

private:
    void ItemsChanged();
    void ArrangeButtons();
    void ButtonClicked(int32_t Index);
    TStringList FItems;
    std::vector<TRadioButton*> FButtons;
    int32_t FItemIndex = -1;
    int32_t FColumns = 1;
    bool FUpdating = false;
};

// A windowless picture: drawn at its top-left, centred, stretched, or scaled keeping its
// proportions; AutoSize takes the picture's size.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    std::string ClassName() const override { return "TImage"; }
    TPicture* GetPicture() { return FPicture.get(); }
    void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
    bool GetStretch() const { return FStretch; }
    void SetStretch(bool Value) { FStretch = Value; Invalidate(); }
    bool GetCenter() const { return FCenter; }
    void SetCenter(bool Value) { FCenter = Value; Invalidate(); }
    // Scaled down (or, with Stretch, up) to fit, keeping the width to height ratio.
    bool GetProportional() const { return FProportional; }
    void SetProportional(bool Value) { FProportional = Value; Invalidate(); }
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    // Where the picture is drawn, in the control's coordinates.
    TRect DestRect() const;

protected:
    void Paint() override;

private:
    void PictureChanged();
    std::unique_ptr<TPicture> FPicture;
    bool FStretch = false;
    bool FCenter = false;
    bool FProportional = false;
    bool FTransparent = false;
    bool FAutoSize = false;
};
