// Line splitting of text files (lists, ini files, imported addresses) read from a stream.

#include "platform/rtl/StringList.h"
#include "tests/fuzz/FuzzTarget.h"

QM_FUZZ_TARGET(stringlist)
{
    auto S = qmfuzz::StreamOf(Data, Size);
    TStringList Lines;
    try {
        Lines.LoadFromStream(S.get());
    } catch (const Exception&) {
        return 0;
    }
    // Written back with CR LF and read again, the lines come out the same.
    TMemoryStream Out;
    Lines.SaveToStream(&Out);
    Out.Seek(0, soBeginning);
    TStringList Again;
    Again.LoadFromStream(&Out);
    QM_FUZZ_CHECK(Again.GetCount() == Lines.GetCount());
    for (int32_t I = 0; I < Lines.GetCount(); ++I)
        QM_FUZZ_CHECK(Again.GetStrings(I) == Lines.GetStrings(I));
    QM_FUZZ_CHECK(Again.GetText() == Lines.GetText());
    return 0;
}
