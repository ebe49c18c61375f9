// The platform's BMP reader, for the files the codec library refuses.
#include "imagelib/BitmapGraphic.h"

#include "platform/win/Bitmap.h"

void LoadBitmapThroughPlatform(TStream* Stream, TDibGraphic* Graphic)
{
    TBitmap Bitmap;
    Bitmap.LoadFromStream(Stream);
    Graphic->Assign(&Bitmap);
}
