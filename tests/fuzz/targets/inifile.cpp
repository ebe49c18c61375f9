// The in-memory ini file over the lines of a settings file from outside (imported or edited).

#include "platform/rtl/IniFiles.h"
#include "tests/fuzz/FuzzTarget.h"

QM_FUZZ_TARGET(inifile)
{
    TStringList Lines;
    Lines.SetText(qmfuzz::TextOf(Data, Size));
    TMemIniFile Ini("");
    try {
        Ini.SetStrings(&Lines);
    } catch (const Exception&) {
        return 0;
    }
    // Parsing what it writes changes nothing.
    TStringList Written;
    Ini.GetStrings(&Written);
    // Open: each load drops a leading UTF-8 BOM, so written text that starts with one (a key
    // starting with it, or one behind dropped blank lines) loses it on the next load.
    QM_FUZZ_SKIP_KNOWN(Written.GetText().starts_with("\xEF\xBB\xBF"));
    TMemIniFile Again("");
    Again.SetStrings(&Written);
    TStringList Rewritten;
    Again.GetStrings(&Rewritten);
    QM_FUZZ_CHECK(Rewritten.GetText() == Written.GetText());

    TStringList Sections, Keys, Values;
    Ini.ReadSections(&Sections);
    for (int32_t I = 0; I < Sections.GetCount(); ++I) {
        const std::string Section = Sections.GetStrings(I);
        QM_FUZZ_CHECK(Ini.SectionExists(Section));
        Ini.ReadSection(Section, &Keys);
        Ini.ReadSectionValues(Section, &Values);
        for (int32_t K = 0; K < Keys.GetCount(); ++K) {
            const std::string Key = Keys.GetStrings(K);
            QM_FUZZ_CHECK(Ini.ValueExists(Section, Key));
            const std::string Value = Ini.ReadString(Section, Key, "\x01");
            Ini.ReadInteger(Section, Key, 0);
            Ini.ReadBool(Section, Key, false);
            // A value read back is written back unchanged.
            try {
                Again.WriteString(Section, Key, Value);
                QM_FUZZ_CHECK(Again.ReadString(Section, Key, "\x01") == Value);
            } catch (const Exception&) {
            }
        }
    }
    return 0;
}
