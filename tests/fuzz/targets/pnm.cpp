// PBM, PGM and PPM through TPpmGraphic: a file that loads must be a sound picture that writes
// (raw and ASCII) and reads back with the same pixels.

#include "imagelib/PpmGraphic.h"
#include "tests/fuzz/targets/DibTarget.h"

QM_FUZZ_TARGET(pnm)
{
    qmfuzz::StartPictureLibrary();
    auto S = qmfuzz::StreamOf(Data, Size);
    TPpmGraphic G;
    const bool Known = G.CanLoadStream(S.get());
    QM_FUZZ_CHECK(S->GetPosition() == 0);
    try {
        G.LoadImageFromStream(S.get(), 1);
    } catch (const Exception&) {
        QM_FUZZ_CHECK(G.GetEmpty());
        return 0;
    }
    QM_FUZZ_CHECK(Known);
    qmfuzz::CheckLoadedPicture(QmFuzzTargetName, G);
    if (qmfuzz::PixelsOf(G) > qmfuzz::DibRoundTripLimit)
        return 0;
    for (const bool Binary : {true, false}) {
        G.SetBinary(Binary);
        TMemoryStream Out;
        G.SaveToStream(&Out);
        Out.SetPosition(0);
        TPpmGraphic Again;
        try {
            Again.LoadImageFromStream(&Out, 1);
        } catch (const Exception& E) {
            std::fprintf(stderr, "pnm: reading back failed: %s\n", E.what());
            QM_FUZZ_CHECK(!"a written file reads back");
        }
        QM_FUZZ_CHECK(Again.GetBinary() == Binary);
        QM_FUZZ_CHECK(qmfuzz::SamePixels(G, Again));
    }
    return 0;
}
