// The gallery page writer fed with picture names and a title from outside (names come from
// the web): attribute values must stay inside their quotes and every page must be writable.

#include "engine/HTMLGen.h"
#include "platform/rtl/StringList.h"
#include "tests/fuzz/FuzzTarget.h"

QM_FUZZ_TARGET(htmlgen)
{
    if (Size < 2)
        return 0;
    TStringList Lines;
    Lines.SetText(qmfuzz::TextOf(Data + 2, Size - 2));
    THTMLGenerator Gen;
    Gen.SetRows(Data[0] % 5);
    Gen.SetColumns(Data[1] % 5);
    if (Lines.GetCount() > 0)
        Gen.SetTitle(Lines.GetStrings(0));
    if (Lines.GetCount() > 1)
        Gen.SetFileName(Lines.GetStrings(1));
    for (int32_t I = 2; I < Lines.GetCount(); ++I) {
        const std::string Name = Lines.GetStrings(I);
        Gen.GetImages()->Add(Name);
        const std::string Value = HTMLAttributeValue(Name);
        QM_FUZZ_CHECK(Value.find_first_of("<>") == std::string::npos);
        if (!Value.empty() && Value.front() == '"') {
            QM_FUZZ_CHECK(Value.size() >= 2 && Value.back() == '"');
            QM_FUZZ_CHECK(Value.substr(1, Value.size() - 2).find('"') == std::string::npos);
        } else {
            QM_FUZZ_CHECK(Value.find_first_of("\" '\t\r\n&") == std::string::npos);
        }
    }
    const int32_t Pages = Gen.GetPageCount();
    QM_FUZZ_CHECK(Pages >= 0 && Pages <= Gen.GetImages()->GetCount());
    for (int32_t P = 0; P < Pages; ++P) {
        QM_FUZZ_CHECK(!Gen.GetPage(P).empty());
        Gen.GetPageFileName(P);
        Gen.GetPageLinkName(P);
    }
    QM_FUZZ_CHECK(Gen.GetPage(Pages) == "<invalid page num>");
    return 0;
}
