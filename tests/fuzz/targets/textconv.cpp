// Numbers, dates and Format patterns parsed from text (settings, imported tasks, schedules).
// The first byte chooses the routine.

#include <cmath>

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/FuzzTarget.h"

QM_FUZZ_TARGET(textconv)
{
    if (Size < 1)
        return 0;
    const std::string Text(qmfuzz::TextOf(Data + 1, Size - 1));
    const TLocaleFormats& Formats = DefaultLocaleFormats();
    try {
        switch (Data[0] % 8) {
        case 0: {
            TDateTime D;
            if (TryStrToDate(Text, D, Formats)) {
                // What it reads, it writes and reads back the same.
                TDateTime Again;
                QM_FUZZ_CHECK(TryStrToDate(DateToStr(D, Formats), Again, Formats) && Again == D);
            }
            break;
        }
        case 1: {
            TDateTime T;
            if (TryStrToTime(Text, T, Formats))
                QM_FUZZ_CHECK(T >= 0 && T < 1);
            break;
        }
        case 2: {
            TDateTime DT;
            TryStrToDateTime(Text, DT, Formats);
            break;
        }
        case 3: {
            double V;
            if (TryStrToFloat(Text, V, Formats) && std::isfinite(V)) {
                double Again;
                QM_FUZZ_CHECK(TryStrToFloat(FloatToStr(V, Formats), Again, Formats));
            }
            break;
        }
        case 4: {
            int32_t I;
            if (TryStrToInt(Text, I))
                QM_FUZZ_CHECK(StrToInt(IntToStr(I)) == I);
            int64_t L;
            if (TryStrToInt64(Text, L))
                QM_FUZZ_CHECK(StrToInt64(IntToStr(L)) == L);
            break;
        }
        case 5:
            FormatDateTime(Text, 37987.5125, Formats);
            FormatDateTime(Text, -693593.0, Formats);
            break;
        case 6:
            Format(Formats, Text, 42, -7LL, 3.25, std::string("text"), 'c', 123456789u);
            break;
        case 7:
            Format(Formats, Text);
            break;
        }
    } catch (const Exception&) {
    }
    return 0;
}
