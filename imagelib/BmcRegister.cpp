// Start, end and registration of the bitmap codec formats and the small format classes.
#include "imagelib/ImgBmc.h"

#include "imagelib/BitmapGraphic.h"
#include "imagelib/EpsGraphic.h"
#include "imagelib/IconGraphic.h"
#include "imagelib/ImgHooks.h"
#include "imagelib/PcxGraphic.h"
#include "imagelib/PpmGraphic.h"
#include "imagelib/TgaGraphic.h"
#include "imagelib/bmc/Bmc.h"

namespace {

// Idempotent, so a caller that registers twice (a test start-up) lists nothing twice.
void RegisterOnce(const char* Extension, const char* Description, const TDibGraphicClass& Class)
{
    if (!FindDibGraphicClass(std::string("x.") + Extension))
        RegisterDibGraphic(Extension, Description, Class);
}

} // namespace

void BmcFormatsInit()
{
    bmc_init();
    SetIconStreamWriter(WritePictureAsIcon);
}

void BmcFormatsDone()
{
    SetIconStreamWriter(nullptr);
    bmc_deinit();
}

void RegisterPcxFormats()
{
    RegisterOnce("PCX", "ZSoft PC Paintbrush", DibGraphicClassOf<TPcxGraphic>());
    RegisterOnce("PCC", "ZSoft PC Paintbrush", DibGraphicClassOf<TPcxGraphic>());
    RegisterOnce("DCX", "DCX file", DibGraphicClassOf<TDcxGraphic>());
}

void RegisterBmcFormats()
{
    RegisterOnce("BMP", "Bitmap file", DibGraphicClassOf<TBitmapGraphic>());
    RegisterOnce("TGA", "Truevision Targa", DibGraphicClassOf<TTgaGraphic>());
    RegisterOnce("VST", "Truevision Vista", DibGraphicClassOf<TTgaGraphic>());
    RegisterOnce("AFI", "Truevision Targa", DibGraphicClassOf<TTgaGraphic>());
    RegisterOnce("EPS", "Encapsulated postscript", DibGraphicClassOf<TEPSGraphic>());
    RegisterOnce("PPM", "Portable Pixelmap", DibGraphicClassOf<TPpmGraphic>());
    RegisterOnce("PGM", "Portable Greymap", DibGraphicClassOf<TPpmGraphic>());
    RegisterOnce("PBM", "Portable Bitmap", DibGraphicClassOf<TPpmGraphic>());
}
