#pragma once
// The drop shadow of a bar or menu window: borderless popup windows along the owner's right and
// bottom edges, offset by the shadow's size, that the mouse passes through. With layered windows
// on a display of more than 8 bits per pixel the strips are 4 pixels wide and fade out by
// per-pixel alpha; otherwise they are 2 pixels of solid clBtnShadow. A strip that would cover the
// rect of the item that opened the owner (a menu attached to its item) is cut around it.
// User-interface thread only.

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/rtl/Classes.h"
#include "platform/win/Controls.h"
#include "platform/win/Graphics.h"

class TcbBarShadow;

// One strip of a shadow, in screen coordinates. Vertical strips run down the owner's right edge,
// horizontal ones along its bottom edge. FadeStart: the strip begins at the owner's corner and
// fades in over its first Size pixels; a strip's other ends do not fade.
struct TcbShadowStrip {
    TRect Rect{};
    bool Vertical = false;
    bool FadeStart = false;
};

// The strips for an owner window rect and the rect of its attached parent item (empty when the
// window is not attached to one): a right strip from the owner's top + Size to its bottom + Size
// and a bottom strip from its left + Size to its right, each cut where it would cover the
// parent-item rect and continued beyond it. Pieces left empty are dropped.
std::vector<TcbShadowStrip> CalcShadowParts(const TRect& Window, const TRect& ParentItem, int32_t Size);

// The alpha of the strip's pixel (X, Y) (strip coordinates from its top-left): (Size - distance
// from the owner's edge) x 15, the distance being taken to the owner's corner below and right of
// it; times (i + 1) / (Size + 1) for the i-th pixel of a fading start (i < Size).
uint8_t ShadowPixelAlpha(const TcbShadowStrip& Part, const TRect& Window, int32_t Size, int32_t X, int32_t Y);

class TcbBarShadowPart : public TCustomControl {
public:
    // A hidden strip owned by Shadow's owner window; Layered: drawn by UpdateLayeredWindow with
    // the alpha of ShadowPixelAlpha, else filled with clBtnShadow.
    TcbBarShadowPart(TcbBarShadow* Shadow, const TcbShadowStrip& Strip, bool Layered);
    ~TcbBarShadowPart() override;
    std::string ClassName() const override { return "TcbBarShadowPart"; }

    const TcbShadowStrip& GetStrip() const { return FStrip; }
    bool IsLayered() const { return FLayered; }
    // Shown without activation just above the owner in the z-order; hidden.
    void ShowPart();
    void HidePart();

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;

private:
    // The strip's picture, handed to the layered window.
    void UpdateLayeredPicture();

    TcbBarShadow* FShadow;
    TcbShadowStrip FStrip;
    bool FLayered;
};

class TcbBarShadow : public TObject {
public:
    // The shadow of Owner, whose window owns the parts; no parts until SetRects.
    explicit TcbBarShadow(TWinControl* Owner);
    TcbBarShadow(const TcbBarShadow&) = delete;
    TcbBarShadow& operator=(const TcbBarShadow&) = delete;
    ~TcbBarShadow() override;
    std::string ClassName() const override { return "TcbBarShadow"; }

    TWinControl* GetOwner() const { return FOwner; }
    // 4 when layered windows are available and the display has more than 8 bits per pixel, else 2.
    static int32_t CalcSize();
    // Whether parts are drawn layered (UpdateLayeredWindow is available and the size is 4).
    static bool CanBeLayered();

    // The owner's bounds and its parent-item rect (screen; empty without an attached item): the
    // parts are freed and built again for them. While the shadow is hidden they are built when
    // it is shown next.
    void SetRects(const TRect& WindowRect, const TRect& ParentItemRect);
    // The owner's bounds given last (screen).
    const TRect& GetOwnerRect() const { return FWindowRect; }
    bool GetVisible() const { return FVisible; }
    // Shows or hides the existing parts; nothing on no change.
    void SetVisible(bool Value);

    // Whether the shown windows directly above the owner in the z-order are the parts (true
    // without parts or an owner window).
    bool AreJustAboveOwner() const;
    // A shown shadow whose parts are not directly above the owner (the owner was moved in the
    // z-order without them) gets them put back there; true when they had to be moved.
    bool KeepJustAboveOwner();
    // The windows of the parts built now.
    std::vector<HWND> PartHandles() const;

    // The parts built now (none while stale rects wait for the shadow to be shown).
    int32_t GetPartCount() const { return static_cast<int32_t>(FParts.size()); }
    TcbBarShadowPart* GetPart(int32_t Index) const; // nullptr out of range

private:
    void FreeParts();
    void BuildParts();

    TWinControl* FOwner;
    TRect FWindowRect{};
    TRect FParentItemRect{};
    bool FPartsStale = false;
    bool FVisible = false;
    std::vector<TcbBarShadowPart*> FParts;
};
