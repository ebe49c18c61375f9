#pragma once
// An ini file held in memory: sections and keys matched ignoring case, their order kept,
// comments and other lines kept where they stood. Values are kept byte for byte (no trimming);
// numbers are read with blanks around them allowed.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/StringList.h"

class TMemIniFile : public TObject {
public:
    // Loads the file when it exists; a missing file gives an empty ini, any other failure raises.
    explicit TMemIniFile(const std::string& FileName);
    std::string ClassName() const override { return "TMemIniFile"; }

    std::string ReadString(std::string_view Section, std::string_view Ident, const std::string& Default) const;
    int32_t ReadInteger(std::string_view Section, std::string_view Ident, int32_t Default) const;
    bool ReadBool(std::string_view Section, std::string_view Ident, bool Default) const; // a non-zero integer
    // Names and values that the file format cannot carry (line breaks, "=" in a key, blanks at the
    // ends of a name) raise EInvalidOperation instead of corrupting the file.
    void WriteString(std::string_view Section, std::string_view Ident, std::string_view Value);
    void WriteInteger(std::string_view Section, std::string_view Ident, int32_t Value);
    void WriteBool(std::string_view Section, std::string_view Ident, bool Value); // "1" / "0"

    void EraseSection(std::string_view Section);
    void DeleteKey(std::string_view Section, std::string_view Ident);
    void ReadSection(std::string_view Section, TStrings* Strings) const;       // key names
    void ReadSections(TStrings* Strings) const;                                 // section names
    void ReadSectionValues(std::string_view Section, TStrings* Strings) const; // "key=value"
    bool SectionExists(std::string_view Section) const;
    bool ValueExists(std::string_view Section, std::string_view Ident) const;

    void Clear();
    void GetStrings(TStrings* List) const; // the file's lines
    void SetStrings(TStrings* List);       // replaces everything by parsed lines
    void UpdateFile();                     // writes the file, CR LF after every line
    const std::string& GetFileName() const { return FFileName; }

private:
    struct TEntry {
        bool IsKey;
        std::string Key;   // the key, or the whole line when not a key
        std::string Value;
    };
    struct TSection {
        std::string Name;
        std::vector<TEntry> Entries;
    };
    const TSection* FindSection(std::string_view Section) const;
    TSection* FindSection(std::string_view Section);
    const TEntry* FindKey(std::string_view Section, std::string_view Ident) const;

    std::string FFileName;
    std::vector<std::string> FPreamble; // lines before the first section
    std::vector<TSection> FSections;
};
