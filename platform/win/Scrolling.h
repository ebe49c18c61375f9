#pragma once
// A window that scrolls its children: two scroll bars with a range each (from the children's
// extent with AutoScroll, else set by the program); moving a bar moves every child, windowed
// and windowless, by the same distance.

#include <cstdint>

#include "platform/win/Controls.h"

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollBarStyle { ssRegular, ssFlat, ssHotTrack };

class TScrollingWinControl;

class TControlScrollBar {
public:
    TControlScrollBar(TScrollingWinControl* AControl, TScrollBarKind AKind) : FControl(AControl), FKind(AKind) {}
    TControlScrollBar(const TControlScrollBar&) = delete;
    TControlScrollBar& operator=(const TControlScrollBar&) = delete;

    TScrollBarKind GetKind() const { return FKind; }
    int32_t GetRange() const { return FRange; }
    // Without AutoScroll only; AutoScroll computes it from the children.
    void SetRange(int32_t Value);
    int32_t GetPosition() const { return FPosition; }
    // Clamped to 0..Range - client size; the children move with it.
    void SetPosition(int32_t Value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool Value);
    bool GetTracking() const { return FTracking; }
    void SetTracking(bool Value) { FTracking = Value; }
    int32_t GetIncrement() const { return FIncrement; }
    void SetIncrement(int32_t Value) { FIncrement = Value < 1 ? 1 : Value; }
    TColor GetColor() const { return FColor; }
    void SetColor(TColor Value);
    TScrollBarStyle GetStyle() const { return FStyle; }
    void SetStyle(TScrollBarStyle Value);
    // Shown now: visible, and the range exceeds the client size.
    bool IsScrollBarVisible() const { return FShown; }
    // The client size along this bar.
    int32_t GetPageSize() const { return FPage; }

private:
    friend class TScrollingWinControl;
    int32_t MaxPosition() const { return FShown && FRange > FPage ? FRange - FPage : 0; }
    TScrollingWinControl* FControl = nullptr;
    TScrollBarKind FKind;
    int32_t FRange = 0;
    int32_t FPosition = 0;
    int32_t FIncrement = 8;
    int32_t FPage = 0;
    bool FVisible = true;
    bool FTracking = false;
    bool FShown = false;
    TColor FColor = clBtnHighlight;
    TScrollBarStyle FStyle = ssRegular;
};

class TScrollingWinControl : public TWinControl {
public:
    explicit TScrollingWinControl(TComponent* AOwner);
    std::string ClassName() const override { return "TScrollingWinControl"; }

    TControlScrollBar* GetHorzScrollBar() { return &FHorzScrollBar; }
    TControlScrollBar* GetVertScrollBar() { return &FVertScrollBar; }
    bool GetAutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool Value);
    // Scrolls as little as needed to show the whole control (its top-left when it is larger).
    void ScrollInView(TControl* AControl);
    // Re-evaluates ranges, bars and positions (size, children, settings changed).
    void UpdateScrollBars();
    void WndProc(TMessage& Message) override;

protected:
    void CreateWnd() override;
    void AlignControls(TRect& Rect) override;
    void ChildLayoutChanged(TControl* Child) override;
    // Moves every child by (DeltaX, DeltaY): the picture moves the other way to the bar.
    virtual void ScrollBy(int32_t DeltaX, int32_t DeltaY);
    void ScrollMessage(TControlScrollBar& Bar, WPARAM WParam);

private:
    friend class TControlScrollBar;
    void ApplyBar(TControlScrollBar& Bar);
    void ApplyFlatProps();
    TControlScrollBar FHorzScrollBar{this, sbHorizontal};
    TControlScrollBar FVertScrollBar{this, sbVertical};
    bool FAutoScroll = true;
    bool FUpdating = false;
    bool FScrolling = false;
    bool FFlat = false;
};

// A bordered scrolling container.
class TScrollBox : public TScrollingWinControl {
public:
    explicit TScrollBox(TComponent* AOwner);
    std::string ClassName() const override { return "TScrollBox"; }

protected:
    void CreateParams(TCreateParams& Params) override;
};
