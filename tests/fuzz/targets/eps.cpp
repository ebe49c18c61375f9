// DOS EPS files through TEPSGraphic, on the TIFF-preview path (the metafile preview needs GDI):
// a file that loads must give a sound picture. Previews whose TIFF announces a huge picture are
// not decoded.

#include "imagelib/EpsGraphic.h"
#include "tests/fuzz/targets/DibTarget.h"

namespace {

uint32_t Get32(const uint8_t* P) { return uint32_t(P[0]) | uint32_t(P[1]) << 8 | uint32_t(P[2]) << 16 | uint32_t(P[3]) << 24; }

} // namespace

QM_FUZZ_TARGET(eps)
{
    qmfuzz::StartPictureLibrary();
    if (Size >= 28) {
        const uint64_t Offset = Get32(Data + 20), Length = Get32(Data + 24);
        if (Length > 0 && Offset + Length <= Size) {
            auto Preview = qmfuzz::StreamOf(Data + Offset, size_t(Length));
            if (qmfuzz::TiffPagePixels(Preview.get(), 1) > qmfuzz::DibDecodeLimit)
                return 0;
        }
    }
    auto S = qmfuzz::StreamOf(Data, Size);
    TEPSGraphic G;
    const bool Known = G.CanLoadStream(S.get());
    QM_FUZZ_CHECK(S->GetPosition() == 0);
    try {
        G.LoadImageFromStream(S.get(), 1);
    } catch (const Exception&) {
        return 0;
    }
    QM_FUZZ_CHECK(Known);
    qmfuzz::CheckLoadedPicture(QmFuzzTargetName, G);
    return 0;
}
