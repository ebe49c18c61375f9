// Host stand-ins for the GDI half of the picture model (imagelib/ImgDibGdi.cpp), so the format
// classes build natively under the sanitizers and libFuzzer. Never linked into the program.
//
// Pixel memory is zeroed heap memory in place of a DIB section; its block is kept in FSection
// (an opaque handle here), so FreeImage, which clears FBits first, can still release it. There
// is no DC, canvas, palette handle, clipboard, drawing, GDI stretch or animation timer: those raise
// or do nothing, and the frames of a loaded stream just change places.

#include <cstdlib>
#include <cstring>

#include "imagelib/EpsGraphic.h"
#include "imagelib/ImgDib.h"
#include "imagelib/ImgTransf.h"

namespace {

constexpr const char* NoGdi = "Not available in the host build";

} // namespace

int32_t ImgLibGdiObjectCount() { return 0; }
void CreateSharedHalftonePalette() {}
void DeleteSharedHalftonePalette() {}

TDibGraphic::TDibGraphic()
{
    std::memset(&FInfo, 0, sizeof(FInfo));
    std::memset(&FLogPalette, 0, sizeof(FLogPalette));
}

TDibGraphic::~TDibGraphic()
{
    FFrames.clear();
    FreeImage();
}

void TDibGraphic::RaiseWin32Failure() { throw EOutOfResources("Out of resources"); }

int32_t TDibGraphic::ScreenDpi(bool) { return 96; }

uint8_t* TDibGraphic::AllocatePixels()
{
    // NewImage has checked the size against kMaxPictureBytes.
    const size_t Bytes = static_cast<size_t>(FBytesPerLine) * static_cast<size_t>(FInfo.Header.Height);
    void* Block = std::calloc(Bytes ? Bytes : 1, 1);
    if (!Block)
        throw EOutOfMemory("Out of memory");
    FSection = static_cast<HBITMAP>(Block);
    return static_cast<uint8_t*>(Block);
}

void TDibGraphic::ReleasePixels()
{
    std::free(FSection);
    FSection = nullptr;
}

// The block stays as it is; there is no DC or colour table to renew.
void TDibGraphic::RenewPixels() {}

void TDibGraphic::FreeImage()
{
    FConverter.reset();
    FBits = nullptr;
    ResetHeader();
    ReleasePixels();
}

void TDibGraphic::FlushCanvas() const {}

HPALETTE TDibGraphic::PaletteHandle() { return nullptr; }

void TDibGraphic::Assign(TPersistent* Source)
{
    if (!AssignNothingOrDib(Source))
        throw EDidodazaError(Format("Cannot assign a %s to a %s", Source->ClassName(), ClassName()));
}

void TDibGraphic::AssignTo(TPersistent* Dest)
{
    if (auto* Dib = dynamic_cast<TDibGraphic*>(Dest)) {
        Dib->AssignDib(this);
        return;
    }
    throw EDidodazaError(Format("Cannot assign a %s to a %s", ClassName(), Dest ? Dest->ClassName() : "nil"));
}

void TDibGraphic::Draw(TCanvas*, const TRect&) {}

void TDibGraphic::LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) { throw EInvalidGraphic(NoGdi); }
void TDibGraphic::SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) { throw EInvalidGraphic(NoGdi); }
void TDibGraphic::LoadFromBitmapHandle(HBITMAP) { throw EInvalidGraphic(NoGdi); }

void TDibGraphic::ServeFrameChange() {}

void TDibGraphic::SetAnimate(bool Value) { FAnimate = Value; }

void TDibGraphic::FrameTimer()
{
    if (!FFrames.empty())
        SetCurrentFrame(FCurrentFrame >= GetFrameCount() || FCurrentFrame < 1 ? 1 : FCurrentFrame + 1);
}

void RegisterDibGraphic(const std::string& Extension, const std::string&, const TDibGraphicClass& Class)
{
    AddDibGraphicClass(Extension, Class);
}

// The metafile preview of an EPS file needs GDI; the host build has none.
void LoadMetafilePreview(TStream*, TDibGraphic*) { throw EInvalidGraphic("EPS file does not have a preview"); }

// The GDI stretch of the resize transform; the filtered resamplers are portable and built.
void TResizeTransform::StretchPicture(const TDibGraphic*, TDibGraphic*) { throw EDidodazaError(NoGdi); }
