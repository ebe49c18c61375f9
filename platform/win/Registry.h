#pragma once
// The registry: TRegistry over one open key, and TRegIniFile (sections as sub-keys).
//
// Every read of a missing value, of a value of another type, or of a date, time or float whose
// binary value is not 8 bytes long raises ERegistryException "Registry value '%s' is missing" /
// "Registry value '%s' has another type". A failed write raises
// ERegistryException "Failed to set data for '%s'".

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/StringList.h"

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry : public TObject {
public:
    TRegistry();
    explicit TRegistry(REGSAM Access);
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;
    ~TRegistry() override;
    std::string ClassName() const override { return "TRegistry"; }

    HKEY GetRootKey() const { return FRootKey; }
    void SetRootKey(HKEY Value); // closes the open key
    HKEY GetCurrentKey() const { return FCurrentKey; }
    const std::string& GetCurrentPath() const { return FCurrentPath; }

    // A leading "\" makes the path absolute (from the root), else it is relative to the open key.
    bool OpenKey(const std::string& Key, bool CanCreate);
    bool OpenKeyReadOnly(const std::string& Key);
    void CloseKey();
    bool CreateKey(const std::string& Key);
    bool KeyExists(const std::string& Key);
    bool DeleteKey(const std::string& Key); // with every sub-key and value

    bool DeleteValue(const std::string& Name);
    bool ValueExists(const std::string& Name);
    void GetValueNames(TStrings* Strings);
    void GetKeyNames(TStrings* Strings);
    TRegDataType GetDataType(const std::string& Name);
    int32_t GetDataSize(const std::string& Name); // -1 when missing

    std::string ReadString(const std::string& Name);
    void WriteString(const std::string& Name, const std::string& Value);
    void WriteExpandString(const std::string& Name, const std::string& Value);
    int32_t ReadInteger(const std::string& Name);
    void WriteInteger(const std::string& Name, int32_t Value);
    bool ReadBool(const std::string& Name); // a DWORD, non-zero is true
    void WriteBool(const std::string& Name, bool Value);
    // Copies the binary value into Buffer and returns its length; a value longer than BufSize
    // raises ERegistryException "Registry value '%s' is too long".
    int32_t ReadBinaryData(const std::string& Name, void* Buffer, int32_t BufSize);
    std::vector<uint8_t> ReadBinary(const std::string& Name);
    void WriteBinaryData(const std::string& Name, const void* Buffer, int32_t BufSize);
    // REG_BINARY values of the 8-byte double.
    TDateTime ReadDate(const std::string& Name);
    TDateTime ReadTime(const std::string& Name);
    TDateTime ReadDateTime(const std::string& Name);
    double ReadFloat(const std::string& Name);
    void WriteDate(const std::string& Name, TDateTime Value);
    void WriteTime(const std::string& Name, TDateTime Value);
    void WriteDateTime(const std::string& Name, TDateTime Value);
    void WriteFloat(const std::string& Name, double Value);

    // A list kept in the sub-key Key (relative or absolute, as OpenKey) as string values named
    // "0", "1", ... Reading takes the decimal names in numeric order, then other names in the
    // order the registry gives them; a missing key gives an empty list and false. Writing makes
    // the key and deletes its values first. The open key stays as it was.
    bool ReadNumberedList(const std::string& Key, TStrings* List);
    void WriteNumberedList(const std::string& Key, TStrings* List);

private:
    std::string FullPath(const std::string& Key) const; // without a leading "\"
    HKEY OpenRaw(const std::string& Key, REGSAM Access, bool Create) const;
    void CheckOpen() const;
    std::vector<uint8_t> ReadRaw(const std::string& Name, DWORD& Type);
    void WriteRaw(const std::string& Name, DWORD Type, const void* Data, DWORD Size);
    double ReadDouble(const std::string& Name);

    HKEY FRootKey = HKEY_CURRENT_USER;
    HKEY FCurrentKey = nullptr;
    std::string FCurrentPath;
    REGSAM FAccess = KEY_READ | KEY_WRITE;
};

// An ini-like view of HKEY_CURRENT_USER\<Path>: a section is a sub-key, a name a value. Reads of
// missing or mistyped values give the default. Integers and booleans are written as decimal text
// (as Windows keeps its own desktop values) and read from text or a DWORD.
class TRegIniFile : public TObject {
public:
    explicit TRegIniFile(const std::string& Path);
    std::string ClassName() const override { return "TRegIniFile"; }

    std::string ReadString(const std::string& Section, const std::string& Name, const std::string& Default);
    void WriteString(const std::string& Section, const std::string& Name, const std::string& Value);
    int32_t ReadInteger(const std::string& Section, const std::string& Name, int32_t Default);
    void WriteInteger(const std::string& Section, const std::string& Name, int32_t Value);
    bool ReadBool(const std::string& Section, const std::string& Name, bool Default);
    void WriteBool(const std::string& Section, const std::string& Name, bool Value);
    void EraseSection(const std::string& Section);
    void ReadSection(const std::string& Section, TStrings* Strings); // the value names
    void ReadSections(TStrings* Strings);                              // the sub-key names

private:
    std::string SectionPath(const std::string& Section) const;
    std::string FPath; // absolute, with a leading "\"
};
