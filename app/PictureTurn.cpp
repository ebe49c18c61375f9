#include "app/PictureTurn.h"

#include "imagelib/ImgScroll.h"
#include "imagelib/ImgTransf.h"
#include "platform/rtl/ScopeGuards.h"

void TurnShownPicture(TImageScrollBox* Box, TDibGraphic* Buffer, double Angle)
{
    TDibGraphic* Graphic = Box->GetGraphic();
    if (Graphic->GetEmpty())
        return;
    Buffer->Assign(Graphic);
    // The copy is needed only while the transform runs.
    TScopeExit Drop([Buffer] { Buffer->FreeImage(); });
    {
        TRotateTransform Rotate;
        Rotate.SetAngle(Angle);
        Rotate.ApplyOnDest(Buffer, Graphic);
    }
    Box->Redraw(true);
}
