#include "platform/rtl/IniFiles.h"

#include <algorithm>

#include "platform/rtl/FileStream.h"
#include "platform/rtl/ScopeGuards.h"

namespace {

bool HasLineBreak(std::string_view S)
{
    return S.find_first_of("\r\n") != std::string_view::npos;
}

void CheckSectionName(std::string_view Section)
{
    if (HasLineBreak(Section) || Trim(Section) != Section)
        throw EInvalidOperation(Format("Ini section name '%s' cannot be stored", Section));
}

void CheckKeyName(std::string_view Ident)
{
    if (Ident.empty() || HasLineBreak(Ident) || Ident.find('=') != std::string_view::npos ||
        Trim(Ident) != Ident || Ident[0] == ';' || Ident[0] == '[')
        throw EInvalidOperation(Format("Ini key name '%s' cannot be stored", Ident));
}

} // namespace

TMemIniFile::TMemIniFile(const std::string& FileName) : FFileName(FileName)
{
    if (FileName.empty())
        return;
    TStringList Lines;
    try {
        Lines.LoadFromFile(FileName);
    } catch (const EFOpenError& E) {
        // Only a file that is not there reads as empty; a file we cannot read must not be
        // replaced by an empty one on the next UpdateFile.
        if (!IsFileNotFoundError(E.GetErrorCode()))
            throw;
    }
    // An editor's UTF-8 mark must not hide the first section header. It is dropped only when
    // reading the file: text handed to SetStrings is taken as it is, so it reads back unchanged.
    if (Lines.GetCount() > 0) {
        const std::string First = Lines.GetStrings(0);
        if (First.rfind("\xEF\xBB\xBF", 0) == 0)
            Lines.SetStrings(0, First.substr(3));
    }
    SetStrings(&Lines);
}

const TMemIniFile::TSection* TMemIniFile::FindSection(std::string_view Section) const
{
    for (const TSection& S : FSections)
        if (SameText(S.Name, Section))
            return &S;
    return nullptr;
}

TMemIniFile::TSection* TMemIniFile::FindSection(std::string_view Section)
{
    return const_cast<TSection*>(static_cast<const TMemIniFile*>(this)->FindSection(Section));
}

const TMemIniFile::TEntry* TMemIniFile::FindKey(std::string_view Section, std::string_view Ident) const
{
    const TSection* S = FindSection(Section);
    if (!S)
        return nullptr;
    for (const TEntry& E : S->Entries)
        if (E.IsKey && SameText(E.Key, Ident))
            return &E;
    return nullptr;
}

std::string TMemIniFile::ReadString(std::string_view Section, std::string_view Ident, const std::string& Default) const
{
    const TEntry* E = FindKey(Section, Ident);
    return E ? E->Value : Default;
}

int32_t TMemIniFile::ReadInteger(std::string_view Section, std::string_view Ident, int32_t Default) const
{
    const TEntry* E = FindKey(Section, Ident);
    return E ? StrToIntDef(Trim(E->Value), Default) : Default;
}

bool TMemIniFile::ReadBool(std::string_view Section, std::string_view Ident, bool Default) const
{
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TMemIniFile::WriteString(std::string_view Section, std::string_view Ident, std::string_view Value)
{
    CheckSectionName(Section);
    CheckKeyName(Ident);
    if (HasLineBreak(Value))
        throw EInvalidOperation(Format("Ini value of '%s' cannot hold a line break", Ident));
    TSection* S = FindSection(Section);
    if (!S) {
        FSections.push_back(TSection{std::string(Section), {}});
        S = &FSections.back();
    }
    for (TEntry& E : S->Entries)
        if (E.IsKey && SameText(E.Key, Ident)) {
            E.Value = std::string(Value);
            return;
        }
    S->Entries.push_back(TEntry{true, std::string(Ident), std::string(Value)});
}

void TMemIniFile::WriteInteger(std::string_view Section, std::string_view Ident, int32_t Value)
{
    WriteString(Section, Ident, IntToStr(Value));
}

void TMemIniFile::WriteBool(std::string_view Section, std::string_view Ident, bool Value)
{
    WriteString(Section, Ident, Value ? "1" : "0");
}

void TMemIniFile::EraseSection(std::string_view Section)
{
    FSections.erase(std::remove_if(FSections.begin(), FSections.end(),
                                   [&](const TSection& S) { return SameText(S.Name, Section); }),
                    FSections.end());
}

void TMemIniFile::DeleteKey(std::string_view Section, std::string_view Ident)
{
    TSection* S = FindSection(Section);
    if (!S)
        return;
    S->Entries.erase(std::remove_if(S->Entries.begin(), S->Entries.end(),
                                    [&](const TEntry& E) { return E.IsKey && SameText(E.Key, Ident); }),
                     S->Entries.end());
}

void TMemIniFile::ReadSection(std::string_view Section, TStrings* Strings) const
{
    Strings->BeginUpdate();
    TScopeExit End([Strings] { Strings->EndUpdate(); });
    Strings->Clear();
    if (const TSection* S = FindSection(Section))
        for (const TEntry& E : S->Entries)
            if (E.IsKey)
                Strings->Add(E.Key);
}

void TMemIniFile::ReadSections(TStrings* Strings) const
{
    Strings->BeginUpdate();
    TScopeExit End([Strings] { Strings->EndUpdate(); });
    Strings->Clear();
    for (const TSection& S : FSections)
        Strings->Add(S.Name);
}

void TMemIniFile::ReadSectionValues(std::string_view Section, TStrings* Strings) const
{
    Strings->BeginUpdate();
    TScopeExit End([Strings] { Strings->EndUpdate(); });
    Strings->Clear();
    if (const TSection* S = FindSection(Section))
        for (const TEntry& E : S->Entries)
            if (E.IsKey)
                Strings->Add(E.Key + "=" + E.Value);
}

bool TMemIniFile::SectionExists(std::string_view Section) const
{
    return FindSection(Section) != nullptr;
}

bool TMemIniFile::ValueExists(std::string_view Section, std::string_view Ident) const
{
    return FindKey(Section, Ident) != nullptr;
}

void TMemIniFile::Clear()
{
    FPreamble.clear();
    FSections.clear();
}

void TMemIniFile::GetStrings(TStrings* List) const
{
    List->BeginUpdate();
    TScopeExit End([List] { List->EndUpdate(); });
    List->Clear();
    for (const std::string& L : FPreamble)
        List->Add(L);
    for (size_t I = 0; I < FSections.size(); ++I) {
        if (I > 0 || !FPreamble.empty())
            List->Add("");
        List->Add("[" + FSections[I].Name + "]");
        for (const TEntry& E : FSections[I].Entries)
            List->Add(E.IsKey ? E.Key + "=" + E.Value : E.Key);
    }
}

void TMemIniFile::SetStrings(TStrings* List)
{
    Clear();
    TSection* Current = nullptr;
    for (int32_t I = 0; I < List->GetCount(); ++I) {
        const std::string Line = List->GetStrings(I);
        const std::string T = Trim(Line);
        if (T.empty())
            continue;
        if (T.size() >= 2 && T.front() == '[' && T.back() == ']') {
            const std::string Name = Trim(std::string_view(T).substr(1, T.size() - 2));
            // A section written twice is one section.
            Current = FindSection(Name);
            if (!Current) {
                FSections.push_back(TSection{Name, {}});
                Current = &FSections.back();
            }
            continue;
        }
        if (!Current) {
            FPreamble.push_back(Line);
            continue;
        }
        const size_t Eq = Line.find('=');
        if (T[0] == ';' || Eq == std::string::npos || Trim(std::string_view(Line).substr(0, Eq)).empty())
            Current->Entries.push_back(TEntry{false, Line, {}});
        else
            Current->Entries.push_back(TEntry{true, Trim(std::string_view(Line).substr(0, Eq)), Line.substr(Eq + 1)});
    }
}

void TMemIniFile::UpdateFile()
{
    TStringList Lines;
    GetStrings(&Lines);
    Lines.SaveToFile(FFileName);
}
