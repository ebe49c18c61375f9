// The GDI half of the transforms: the stretch path of TResizeTransform draws the source into
// the destination's memory DC, so it cannot be built for the host.
#include <windows.h>

#include "imagelib/ImgTransf.h"

void TResizeTransform::StretchPicture(const TDibGraphic* Source, TDibGraphic* Dest)
{
    const int32_t W = Source->GetWidth(), H = Source->GetHeight();
    HDC DC = Dest->GetCanvas()->GetHandle();
    // HALFTONE averages, which only pays for true colour of some size; palette pictures
    // would only be dithered.
    const bool Halftone = Source->GetImageFormat() == ifTrueColor && int64_t(W) * H >= 1025;
    const int OldMode = SetStretchBltMode(DC, Halftone ? HALFTONE : COLORONCOLOR);
    POINT OldOrigin{0, 0};
    SetBrushOrgEx(DC, 0, 0, &OldOrigin);
    // Rows are stored bottom-up: the last row from the top starts the pixel memory.
    const uint8_t* Bits = Source->ScanLine(H - 1);
    const int Lines = StretchDIBits(DC, 0, 0, Dest->GetWidth(), Dest->GetHeight(), 0, 0, W, H, Bits,
                                    reinterpret_cast<const BITMAPINFO*>(&Source->GetBitmapInfo()), DIB_RGB_COLORS,
                                    SRCCOPY);
    SetBrushOrgEx(DC, OldOrigin.x, OldOrigin.y, nullptr);
    if (OldMode != 0)
        SetStretchBltMode(DC, OldMode);
    GdiFlush();
    if (Lines == 0 || Lines == static_cast<int>(GDI_ERROR))
        throw EDidodazaError("StretchDIBits failed");
}
