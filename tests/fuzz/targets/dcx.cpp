// DCX through TDcxGraphic: the page count, then up to four pages; a page that loads must be a
// sound picture. Pages whose PCX header announces a huge picture are not decoded.

#include "imagelib/PcxGraphic.h"
#include "tests/fuzz/targets/DibTarget.h"

namespace {

uint32_t Get32(const uint8_t* P) { return uint32_t(P[0]) | uint32_t(P[1]) << 8 | uint32_t(P[2]) << 16 | uint32_t(P[3]) << 24; }

} // namespace

QM_FUZZ_TARGET(dcx)
{
    qmfuzz::StartPictureLibrary();
    auto S = qmfuzz::StreamOf(Data, Size);
    int32_t Count = 0;
    {
        TDcxGraphic Counter;
        const bool Known = Counter.CanLoadStream(S.get());
        try {
            Count = Counter.GetStreamImageCount(S.get());
        } catch (const Exception&) {
            return 0;
        }
        QM_FUZZ_CHECK(Known);
    }
    QM_FUZZ_CHECK(Count >= 0 && Count <= TDcxGraphic::TableEntries);
    QM_FUZZ_CHECK(S->GetPosition() == 0);
    for (int32_t Index = 1; Index <= std::min(Count, 4); ++Index) {
        const uint32_t Offset = Get32(Data + 4 * Index);
        if (Offset < Size && qmfuzz::PcxPixels(Data + Offset, Size - Offset) > qmfuzz::DibDecodeLimit)
            continue;
        S->SetPosition(0);
        TDcxGraphic G;
        try {
            G.LoadImageFromStream(S.get(), Index);
        } catch (const Exception&) {
            continue;
        }
        qmfuzz::CheckLoadedPicture(QmFuzzTargetName, G);
    }
    // A page number outside the table is refused.
    S->SetPosition(0);
    TDcxGraphic Outside;
    bool Refused = false;
    try {
        Outside.LoadImageFromStream(S.get(), Count + 1);
    } catch (const Exception&) {
        Refused = true;
    }
    QM_FUZZ_CHECK(Refused);
    return 0;
}
