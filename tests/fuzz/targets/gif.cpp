// The GIF reader core as TGif.LoadFromStream uses it, then the writer on what was read: a
// document that reads must write, and read back with the same pictures.

#include "imagelib/GifCodec.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

// Pictures above this are not written back: the time goes to parsing, not to big buffers.
constexpr int64_t GifRoundTripLimit = int64_t(4) << 20;

} // namespace

QM_FUZZ_TARGET(gif)
{
    auto S = qmfuzz::StreamOf(Data, Size);
    TGifDocument Doc;
    int64_t Pixels = 0;
    TGifProgress Progress([&](int32_t Stage, uint8_t Percent, const std::string&) {
        QM_FUZZ_CHECK(Stage >= 0 && Stage <= 2 && Percent <= 100);
    });
    TGifReadHooks Hooks;
    Hooks.Progress = &Progress;
    try {
        GifReadStream(Doc, S.get(), Hooks);
    } catch (const Exception&) {
        return 0;
    }
    QM_FUZZ_CHECK(!Doc.Images.empty());
    for (const TGifImage& I : Doc.Images) {
        QM_FUZZ_CHECK(I.Width >= 0 && I.Height >= 0);
        QM_FUZZ_CHECK(I.Pixels.size() == size_t(I.Width) * size_t(I.Height));
        QM_FUZZ_CHECK(I.TableIndex >= 0 && size_t(I.TableIndex) < Doc.Tables.size());
        Pixels += int64_t(I.Pixels.size());
    }
    for (const TGifColorTable& T : Doc.Tables)
        QM_FUZZ_CHECK(T.Count >= 2 && T.Count <= 256);
    if (Pixels > GifRoundTripLimit)
        return 0;

    TMemoryStream Out;
    try {
        GifWrite(Doc, &Out);
    } catch (const Exception& E) {
        std::fprintf(stderr, "gif: write failed: %s\n", E.what());
        QM_FUZZ_CHECK(!"a document that reads also writes");
    }
    Out.SetPosition(0);
    TGifDocument Again;
    try {
        GifReadStream(Again, &Out);
    } catch (const Exception& E) {
        std::fprintf(stderr, "gif: reading back failed: %s\n", E.what());
        QM_FUZZ_CHECK(!"a written document reads back");
    }
    QM_FUZZ_CHECK(Again.Images.size() == Doc.Images.size());
    QM_FUZZ_CHECK(Again.Screen.Width == Doc.Screen.Width && Again.Screen.Height == Doc.Screen.Height);
    for (size_t K = 0; K < Doc.Images.size() && K < Again.Images.size(); ++K) {
        const TGifImage& A = Doc.Images[K];
        const TGifImage& B = Again.Images[K];
        QM_FUZZ_CHECK(A.Left == B.Left && A.Top == B.Top && A.Width == B.Width && A.Height == B.Height);
        QM_FUZZ_CHECK(A.Pixels == B.Pixels);
        QM_FUZZ_CHECK(A.Extensions == B.Extensions);
        QM_FUZZ_CHECK(Doc.Tables[size_t(A.TableIndex)] == Again.Tables[size_t(B.TableIndex)]);
    }
    return 0;
}
