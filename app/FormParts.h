#pragma once
// Helpers of the program's windows: placing a control, fitting controls to their text, and the
// program's pictures from its resources. A program built without them (some test programs) gets
// empty pictures rather than an error.

#include <cstdint>

#include <string>

#include "platform/win/Controls.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/StdCtrls.h"

class TCustomForm;

// A new control owned by Owner, placed on Parent at (X, Y) with that size.
template <class T>
T* PlaceControl(TWinControl* Parent, TComponent* Owner, int32_t X, int32_t Y, int32_t W, int32_t H)
{
    T* C = new T(Owner);
    C->SetBounds(X, Y, W, H);
    C->SetParent(Parent);
    return C;
}

// A label of a fixed size: sized before it is placed, since an auto-sized label shrinks to its
// (still empty) text when it gets its parent. FitText widens it when its text needs more.
TLabel* PlaceLabel(TWinControl* Parent, TComponent* Owner, int32_t X, int32_t Y, int32_t W, int32_t H,
                   const std::string& Caption = std::string());

// The size Control needs to show its whole caption in its own font, its own parts included (a
// button's frame, a check box's box, a group box's frame around its caption); {0, 0} for a
// control that shows no caption of its own.
TSize TextFitSize(TControl* Control);

// How a window meets text wider than the controls it was laid out with.
enum TTextFit {
    tfGrow,     // the controls, their containers and the window grow
    tfKeepSize, // the window keeps the size its design gives it, measured in its font (at a
                // larger font the whole layout first grows by the font's scale): a control grows
                // into the free room beside it, and a label that still falls short wraps
};

// Makes every label, static text, button, check box, radio button and group box on Form wide
// enough for its caption, measured in its own font; run once the captions and fonts are set. A
// control grows to the right and pushes along what follows it in its row; containers and the
// window grow to hold what grew, keeping their right margins. A control anchored to the right
// edge only stays at that edge, one anchored to both edges stretches, and one anchored to
// neither stays centred. Nothing ever gets smaller, except a label that wraps.
void FitText(TCustomForm* Form, TTextFit Fit = tfGrow);

// The banner (bitmap 101) into Image, sized to it.
void LoadBanner(TImage* Image);
// The program icon (32 pixels) into Image.
void LoadProgramIcon(TImage* Image);
