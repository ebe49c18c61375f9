// TIFF through TTiffGraphic: the page count, then up to four pages as the picture model loads
// them; a page that loads must be a sound picture, and unless it is JPEG-compressed it must
// write and read back with the same pixels, text tags and annotation.

#include "tests/fuzz/targets/DibTarget.h"

namespace {

void CheckRoundTrip(const char* Target, TTiffGraphic& G)
{
    TMemoryStream Out;
    try {
        G.SaveToStream(&Out);
    } catch (const Exception& E) {
        std::fprintf(stderr, "tiff: write failed: %s\n", E.what());
        qmfuzz::CheckFailed(Target, "a page that loads also writes", __FILE__, __LINE__);
    }
    Out.SetPosition(0);
    TTiffGraphic Again;
    try {
        Again.LoadImageFromStream(&Out, 1);
    } catch (const Exception& E) {
        std::fprintf(stderr, "tiff: reading back failed: %s\n", E.what());
        qmfuzz::CheckFailed(Target, "a written page reads back", __FILE__, __LINE__);
    }
    if (!qmfuzz::SamePixels(G, Again))
        qmfuzz::CheckFailed(Target, "a written page reads back with the same pixels", __FILE__, __LINE__);
    if (Again.GetAnnotations() != G.GetAnnotations())
        qmfuzz::CheckFailed(Target, "the annotation reads back", __FILE__, __LINE__);
    for (const TTiffStringTag& T : kTiffStringTags)
        if (!(G.*T.Field).empty() && Again.*T.Field != G.*T.Field)
            qmfuzz::CheckFailed(Target, "a text tag reads back", __FILE__, __LINE__);
}

} // namespace

QM_FUZZ_TARGET(tiff)
{
    qmfuzz::StartPictureLibrary();
    auto S = qmfuzz::StreamOf(Data, Size);
    int32_t Count = 0;
    {
        TTiffGraphic Counter;
        try {
            Count = Counter.GetStreamImageCount(S.get());
        } catch (const Exception&) {
            return 0;
        }
    }
    QM_FUZZ_CHECK(Count >= 0 && Count <= 65535);
    QM_FUZZ_CHECK(S->GetPosition() == 0);
    for (int32_t Index = 1; Index <= std::min(Count, 4); ++Index) {
        S->SetPosition(0);
        if (qmfuzz::TiffPagePixels(S.get(), Index) > qmfuzz::DibDecodeLimit)
            continue;
        TTiffGraphic G;
        try {
            G.LoadImageFromStream(S.get(), Index);
        } catch (const Exception&) {
            continue;
        }
        qmfuzz::CheckLoadedPicture(QmFuzzTargetName, G);
        QM_FUZZ_CHECK(G.CompressionAllowed(G.GetCompression()));
        if (G.GetCompression() != 6 && qmfuzz::PixelsOf(G) <= qmfuzz::DibRoundTripLimit)
            CheckRoundTrip(QmFuzzTargetName, G);
    }
    return 0;
}
