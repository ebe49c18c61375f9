// JPEG reading as TJpegGraphic.LoadImageFromStream does it over the glue: header, output colour
// space, dimensions, rows in trapped chunks, finish. Rows are exact-size buffers, so a write one
// byte past a row is seen.

#include <algorithm>
#include <vector>

#include "imagelib/ImgMisc.h"
#include "imagelib/JpegGlue.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

// Pictures above this stop after the header: the time goes to parsing, not to big buffers.
constexpr uint64_t JpegDecodeLimit = uint64_t(16) << 20;

struct TRowRun {
    JSAMPARRAY Rows;
    JDIMENSION Count;
    JDIMENSION Done;
};

} // namespace

QM_FUZZ_TARGET(jpeg)
{
    auto S = qmfuzz::StreamOf(Data, Size);
    try {
        TJpegDecompressorGuard D(S.get());
        JpegRun(D.Get(), [](j_decompress_ptr I, void*) { jpeg_read_header(I, TRUE); });
        const J_COLOR_SPACE Space = D->Info.jpeg_color_space;
        if (Space == JCS_GRAYSCALE)
            D->Info.out_color_space = JCS_GRAYSCALE;
        else if (Space != JCS_CMYK && Space != JCS_YCCK)
            D->Info.out_color_space = JCS_EXT_BGR;
        JpegRun(D.Get(), [](j_decompress_ptr I, void*) { jpeg_calc_output_dimensions(I); });
        const TJpegImageInfo Info = JpegGetImageInfo(D.Get());
        QM_FUZZ_CHECK(Info.Width > 0 && Info.Height > 0);
        if (Info.Components != 1 && Info.Components != 3)
            return 0; // the picture class refuses these
        const uint64_t RowBytes = uint64_t(Info.Width) * uint64_t(Info.Components);
        if (RowBytes * Info.Height > JpegDecodeLimit)
            return 0;
        std::vector<std::vector<JSAMPLE>> Pixels(Info.Height, std::vector<JSAMPLE>(size_t(RowBytes)));
        std::vector<JSAMPROW> Rows(Info.Height);
        for (size_t Y = 0; Y < Rows.size(); ++Y)
            Rows[Y] = Pixels[Y].data();
        JpegRun(D.Get(), [](j_decompress_ptr I, void*) { jpeg_start_decompress(I); });
        QM_FUZZ_CHECK(D->Info.output_width == Info.Width && D->Info.output_height == Info.Height &&
                      D->Info.output_components == Info.Components);
        const JDIMENSION Height = Info.Height;
        for (JDIMENSION Y = 0; Y < Height;) {
            TRowRun Run{Rows.data() + Y, std::min<JDIMENSION>(32, Height - Y), 0};
            JpegRun(
                D.Get(),
                [](j_decompress_ptr I, void* Arg) {
                    auto* R = static_cast<TRowRun*>(Arg);
                    while (R->Done < R->Count) {
                        const JDIMENSION Got = jpeg_read_scanlines(I, R->Rows + R->Done, R->Count - R->Done);
                        if (Got == 0)
                            break;
                        R->Done += Got;
                    }
                },
                &Run);
            QM_FUZZ_CHECK(Run.Done <= Run.Count);
            if (Run.Done == 0)
                return 0; // the picture class raises here
            Y += Run.Done;
        }
        JpegRun(D.Get(), [](j_decompress_ptr I, void*) { jpeg_finish_decompress(I); });
    } catch (const Exception&) {
    }
    return 0;
}
