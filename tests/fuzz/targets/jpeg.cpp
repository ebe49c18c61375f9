// JPEG reading through the picture class's own steps over the glue (JpegStartReading,
// JpegReadImage): header, output colour space, dimensions, rows in trapped chunks, finish. Rows
// are exact-size buffers, so a write one byte past a row is seen.

#include <vector>

#include "imagelib/ImgMisc.h"
#include "imagelib/JpegGlue.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

// Pictures above this stop after the header: the time goes to parsing, not to big buffers.
constexpr uint64_t JpegDecodeLimit = uint64_t(16) << 20;

} // namespace

QM_FUZZ_TARGET(jpeg)
{
    auto S = qmfuzz::StreamOf(Data, Size);
    try {
        TJpegDecompressorGuard D(S.get());
        const TJpegImageInfo Info = JpegStartReading(D.Get());
        QM_FUZZ_CHECK(Info.Width > 0 && Info.Height > 0);
        QM_FUZZ_CHECK(Info.Components == 1 || Info.Components == 3);
        const uint64_t RowBytes = uint64_t(Info.Width) * uint64_t(Info.Components);
        if (RowBytes * Info.Height > JpegDecodeLimit)
            return 0;
        std::vector<std::vector<JSAMPLE>> Pixels(Info.Height, std::vector<JSAMPLE>(size_t(RowBytes)));
        std::vector<JSAMPROW> Rows(Info.Height);
        for (size_t Y = 0; Y < Rows.size(); ++Y)
            Rows[Y] = Pixels[Y].data();
        uint32_t Done = 0;
        JpegReadImage(D.Get(), Info, Rows.data(), [&](uint32_t RowsDone) {
            QM_FUZZ_CHECK(RowsDone > Done && RowsDone <= Info.Height);
            Done = RowsDone;
        });
        QM_FUZZ_CHECK(Done == Info.Height);
    } catch (const Exception&) {
    }
    return 0;
}
