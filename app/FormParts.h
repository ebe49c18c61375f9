#pragma once
// Helpers of the program's small windows: placing a control, and the program's pictures from its
// resources. A program built without them (some test programs) gets empty pictures rather than
// an error.

#include <cstdint>

#include <string>

#include "platform/win/Controls.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/StdCtrls.h"

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
// (still empty) text when it gets its parent.
TLabel* PlaceLabel(TWinControl* Parent, TComponent* Owner, int32_t X, int32_t Y, int32_t W, int32_t H,
                   const std::string& Caption = std::string());

// The banner (bitmap 101) into Image, sized to it.
void LoadBanner(TImage* Image);
// The program icon (32 pixels) into Image.
void LoadProgramIcon(TImage* Image);
