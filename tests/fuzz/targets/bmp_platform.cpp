// The platform's own .bmp reader behind TBitmap: a whole file, or a packed DIB as the
// clipboard and resources hold it (chosen by the first input byte).

#include "platform/rtl/SysUtils.h"
#include "platform/win/BmpFormat.h"
#include "tests/fuzz/FuzzTarget.h"

QM_FUZZ_TARGET(bmp_platform)
{
    if (Size < 1)
        return 0;
    const bool WithFileHeader = (Data[0] & 1) == 0;
    // Run-length files may rightly ask for up to 1 GiB from a few bytes; zeroing that on every
    // run would leave the fuzzer no time for parsing, so such headers stop here.
    const size_t H = WithFileHeader ? 1 + 14 : 1;
    if (Size >= H + 16) {
        auto Le = [&](size_t At, int N) {
            uint32_t V = 0;
            for (int I = N - 1; I >= 0; --I)
                V = (V << 8) | Data[At + size_t(I)];
            return V;
        };
        const bool Core = Le(H, 4) == 12;
        const uint64_t W = Core ? Le(H + 4, 2) : Le(H + 4, 4);
        uint64_t Ht = Core ? Le(H + 6, 2) : Le(H + 8, 4);
        if (!Core && int32_t(Ht) < 0)
            Ht = uint64_t(-int64_t(int32_t(Ht)));
        const uint64_t Bits = Core ? Le(H + 10, 2) : Le(H + 14, 2);
        if (double(W) * double(Ht) * double(Bits ? Bits : 1) / 8 > double(64 << 20))
            return 0;
    }
    auto S = qmfuzz::StreamOf(Data + 1, Size - 1);
    TBmpImage Image;
    try {
        ReadBmp(S.get(), Image, WithFileHeader);
    } catch (const Exception&) {
        return 0;
    }
    const int32_t Bits = Image.BitCount;
    QM_FUZZ_CHECK(Bits == 1 || Bits == 4 || Bits == 8 || Bits == 16 || Bits == 24 || Bits == 32);
    QM_FUZZ_CHECK(Image.Width > 0 && Image.Height > 0);
    QM_FUZZ_CHECK(Image.Pixels.size() == size_t(Image.Stride()) * size_t(Image.Height));
    QM_FUZZ_CHECK(int64_t(Image.Pixels.size()) <= kMaxBmpPixelBytes);
    if (Bits <= 8)
        QM_FUZZ_CHECK(!Image.Colors.empty() && Image.Colors.size() <= (size_t(1) << Bits));
    // The writer must take back what the reader gave, for the depths it writes.
    if (Bits == 1 || Bits == 4 || Bits == 8 || Bits == 24) {
        TMemoryStream Out;
        WriteBmp(&Out, Image);
        Out.Seek(0, soBeginning);
        TBmpImage Again;
        ReadBmp(&Out, Again, true);
        QM_FUZZ_CHECK(Again.Width == Image.Width && Again.Height == Image.Height && Again.BitCount == Bits);
        QM_FUZZ_CHECK(Again.Pixels == Image.Pixels);
    }
    return 0;
}
