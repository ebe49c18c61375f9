// The library's start and end, in their one fixed order. Nothing here runs from static
// initialisation: pictures are made on worker threads, and the order matters.
#include "imagelib/ImageLib.h"

#include <mutex>

#include <windows.h>

#include "imagelib/ImgAnnot.h"
#include "imagelib/ImgBmc.h"
#include "imagelib/ImgDib.h"
#include "imagelib/ImgMisc.h"
#include "imagelib/ImgScroll.h"
#include "imagelib/JpegGraphic.h"
#include "imagelib/PngGraphic.h"
#include "imagelib/PngWarningBox.h"
#include "imagelib/TiffGlue.h"
#include "platform/win/Graphic.h"

namespace {
std::mutex gInitLock;
int32_t gInitCount = 0;
} // namespace

int32_t ImageLibInitCount()
{
    std::lock_guard<std::mutex> Lock(gInitLock);
    return gInitCount;
}

void ImageLibInit()
{
    std::lock_guard<std::mutex> Lock(gInitLock);
    if (gInitCount++ > 0)
        return;
    // 1. Display gamma for the PNG reader.
    ScreenGamma = kStartScreenGamma;
    // 2. Default palettes.
    MakeDefaultPalettes();
    // 3. The picture class for bitmaps on the clipboard.
    TPicture::RegisterClipboardFormat(CF_BITMAP, [] { return std::unique_ptr<TGraphic>(new TDibGraphic()); });
    // 4. The halftone palette Draw uses on palette devices.
    CreateSharedHalftonePalette();
    // 5. Codec set-up: the TIFF tag extender and the bitmap codec library's start.
    //    libpng's warnings reach the user through the default box (never on worker threads).
    TiffLibInit();
    BmcFormatsInit();
    InstallPngWarningBox();
    // 6. Formats, in this order: TIFF; JPEG; PCX; DCX; PNG; BMP; TGA, VST, AFI; EPS; PPM, PGM, PBM.
    RegisterTiffGraphic();
    RegisterDibGraphic("JPG", "JPEG", DibGraphicClassOf<TJpegGraphic>());
    RegisterDibGraphic("JPEG", "JPEG", DibGraphicClassOf<TJpegGraphic>());
    RegisterPcxFormats();
    RegisterDibGraphic("PNG", "Portable Network Graphic", DibGraphicClassOf<TPngGraphic>());
    RegisterBmcFormats();
    // 7. The scroll box's hand cursors, screen cursors 100 and 101.
    RegisterScrollBoxCursors();
    // 8. The annotation mode's handler.
    SetAnnotationHandlerFactory(
        [](TImageScrollBox* Owner) { return std::make_unique<TAnnotationMouseHandler>(Owner); });
}

void ImageLibDone()
{
    std::lock_guard<std::mutex> Lock(gInitLock);
    if (gInitCount == 0 || --gInitCount > 0)
        return;
    // ImageLibInit's steps in reverse, so nothing is freed while a later step still uses it.
    // 8. No new annotation handlers.
    SetAnnotationHandlerFactory(nullptr);
    // 7. Read-ahead threads still running use the registry and the palettes freed below.
    WaitForReadAheadThreads();
    UnregisterScrollBoxCursors();
    // 6. Formats: out of the library's list and the platform's.
    for (const std::string& Name : ClearDibGraphicClasses())
        TPicture::Unregister(Name);
    // 5. Codec end.
    BmcFormatsDone();
    TiffLibDone();
    // 4. The halftone palette.
    DeleteSharedHalftonePalette();
    // 3. The clipboard's picture class.
    TPicture::Unregister("TDibGraphic");
    // 2. The default palettes.
    FreeDefaultPalettes();
}
