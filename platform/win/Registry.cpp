#include "platform/win/Registry.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/ScopeGuards.h"

namespace {

[[noreturn]] void Missing(const std::string& Name)
{
    throw ERegistryException(Format("Registry value '%s' is missing", Name));
}

[[noreturn]] void OtherType(const std::string& Name)
{
    throw ERegistryException(Format("Registry value '%s' has another type", Name));
}

// The raw value; raises when it is missing or unreadable.
std::vector<uint8_t> QueryValue(HKEY Key, const std::string& Name, DWORD& Type)
{
    DWORD Size = 0;
    LONG R = RegQueryValueExA(Key, Name.c_str(), nullptr, &Type, nullptr, &Size);
    for (;;) {
        if (R == ERROR_FILE_NOT_FOUND)
            Missing(Name);
        if (R != ERROR_SUCCESS && R != ERROR_MORE_DATA)
            throw ERegistryException(Format("Cannot read registry value '%s'", Name));
        std::vector<uint8_t> Data(Size);
        DWORD Got = Size;
        R = RegQueryValueExA(Key, Name.c_str(), nullptr, &Type, Data.empty() ? nullptr : Data.data(), &Got);
        if (R == ERROR_SUCCESS) {
            Data.resize(std::min<DWORD>(Got, Size));
            return Data;
        }
        Size = Got > Size ? Got : Size * 2 + 16; // the value grew meanwhile
    }
}

std::string StringOf(const std::string& Name, DWORD Type, const std::vector<uint8_t>& Data)
{
    if (Type != REG_SZ && Type != REG_EXPAND_SZ)
        OtherType(Name);
    // Stored strings need not carry their terminator; take up to the first NUL.
    const char* P = reinterpret_cast<const char*>(Data.data());
    const size_t N = Data.empty() ? 0 : strnlen(P, Data.size());
    return std::string(P, N);
}

std::string QueryString(HKEY Key, const std::string& Name)
{
    DWORD Type = 0;
    const std::vector<uint8_t> Data = QueryValue(Key, Name, Type);
    return StringOf(Name, Type, Data);
}

std::vector<std::string> ValueNames(HKEY Key)
{
    std::vector<std::string> Names;
    DWORD MaxLen = 0;
    if (RegQueryInfoKeyA(Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &MaxLen, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        MaxLen = 16383;
    std::vector<char> Buffer(MaxLen + 2);
    for (DWORD I = 0;; ++I) {
        DWORD Len = static_cast<DWORD>(Buffer.size());
        const LONG R = RegEnumValueA(Key, I, Buffer.data(), &Len, nullptr, nullptr, nullptr, nullptr);
        if (R == ERROR_MORE_DATA) {
            Buffer.resize(Buffer.size() * 2);
            --I;
            continue;
        }
        if (R != ERROR_SUCCESS)
            break;
        Names.emplace_back(Buffer.data(), Len);
    }
    return Names;
}

std::vector<std::string> KeyNames(HKEY Key)
{
    std::vector<std::string> Names;
    char Buffer[256];
    for (DWORD I = 0;; ++I) {
        DWORD Len = sizeof(Buffer);
        if (RegEnumKeyExA(Key, I, Buffer, &Len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        Names.emplace_back(Buffer, Len);
    }
    return Names;
}

bool DeleteTree(HKEY Parent, const std::string& Name)
{
    HKEY Key;
    if (RegOpenKeyExA(Parent, Name.c_str(), 0, KEY_READ | KEY_WRITE | DELETE, &Key) != ERROR_SUCCESS)
        return false;
    for (const std::string& Sub : KeyNames(Key))
        DeleteTree(Key, Sub);
    RegCloseKey(Key);
    return RegDeleteKeyA(Parent, Name.c_str()) == ERROR_SUCCESS;
}

// "0".."999999999": a plain decimal name that counts as a list index.
bool IsIndexName(const std::string& S)
{
    if (S.empty() || S.size() > 9)
        return false;
    return std::all_of(S.begin(), S.end(), [](char C) { return C >= '0' && C <= '9'; });
}

std::string StripSlashes(std::string S)
{
    while (!S.empty() && S.back() == '\\')
        S.pop_back();
    return S;
}

} // namespace

TRegistry::TRegistry() = default;

TRegistry::TRegistry(REGSAM Access) : FAccess(Access) {}

TRegistry::~TRegistry()
{
    CloseKey();
}

void TRegistry::SetRootKey(HKEY Value)
{
    CloseKey();
    FRootKey = Value;
}

std::string TRegistry::FullPath(const std::string& Key) const
{
    if (!Key.empty() && Key[0] == '\\')
        return StripSlashes(Key.substr(1));
    if (FCurrentPath.empty())
        return StripSlashes(Key);
    if (Key.empty())
        return FCurrentPath;
    return FCurrentPath + "\\" + StripSlashes(Key);
}

HKEY TRegistry::OpenRaw(const std::string& Key, REGSAM Access, bool Create) const
{
    const std::string Path = FullPath(Key);
    HKEY Result = nullptr;
    LONG R;
    if (Create)
        R = RegCreateKeyExA(FRootKey, Path.c_str(), 0, nullptr, 0, Access, nullptr, &Result, nullptr);
    else
        R = RegOpenKeyExA(FRootKey, Path.c_str(), 0, Access, &Result);
    return R == ERROR_SUCCESS ? Result : nullptr;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate)
{
    HKEY K = OpenRaw(Key, FAccess, CanCreate);
    if (!K)
        return false;
    const std::string Path = FullPath(Key);
    CloseKey();
    FCurrentKey = K;
    FCurrentPath = Path;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key)
{
    HKEY K = OpenRaw(Key, KEY_READ, false);
    if (!K)
        return false;
    const std::string Path = FullPath(Key);
    CloseKey();
    FCurrentKey = K;
    FCurrentPath = Path;
    return true;
}

void TRegistry::CloseKey()
{
    if (FCurrentKey) {
        RegCloseKey(FCurrentKey);
        FCurrentKey = nullptr;
    }
    FCurrentPath.clear();
}

bool TRegistry::CreateKey(const std::string& Key)
{
    HKEY K = OpenRaw(Key, KEY_READ | KEY_WRITE, true);
    if (!K)
        return false;
    RegCloseKey(K);
    return true;
}

bool TRegistry::KeyExists(const std::string& Key)
{
    HKEY K = OpenRaw(Key, KEY_READ, false);
    if (!K)
        return false;
    RegCloseKey(K);
    return true;
}

bool TRegistry::DeleteKey(const std::string& Key)
{
    const std::string Path = FullPath(Key);
    if (Path.empty())
        return false;
    const size_t Slash = Path.rfind('\\');
    const std::string Name = Slash == std::string::npos ? Path : Path.substr(Slash + 1);
    HKEY Parent = FRootKey;
    bool CloseParent = false;
    if (Slash != std::string::npos) {
        if (RegOpenKeyExA(FRootKey, Path.substr(0, Slash).c_str(), 0, KEY_READ | KEY_WRITE, &Parent) !=
            ERROR_SUCCESS)
            return false;
        CloseParent = true;
    }
    const bool Ok = DeleteTree(Parent, Name);
    if (CloseParent)
        RegCloseKey(Parent);
    return Ok;
}

bool TRegistry::DeleteValue(const std::string& Name)
{
    return RegDeleteValueA(FCurrentKey ? FCurrentKey : FRootKey, Name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::string& Name)
{
    return RegQueryValueExA(FCurrentKey ? FCurrentKey : FRootKey, Name.c_str(), nullptr, nullptr, nullptr,
                            nullptr) == ERROR_SUCCESS;
}

void TRegistry::GetValueNames(TStrings* Strings)
{
    Strings->Clear();
    for (const std::string& N : ValueNames(FCurrentKey ? FCurrentKey : FRootKey))
        Strings->Add(N);
}

void TRegistry::GetKeyNames(TStrings* Strings)
{
    Strings->Clear();
    for (const std::string& N : KeyNames(FCurrentKey ? FCurrentKey : FRootKey))
        Strings->Add(N);
}

TRegDataType TRegistry::GetDataType(const std::string& Name)
{
    DWORD Type = 0;
    if (RegQueryValueExA(FCurrentKey ? FCurrentKey : FRootKey, Name.c_str(), nullptr, &Type, nullptr, nullptr) !=
        ERROR_SUCCESS)
        return rdUnknown;
    switch (Type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
    }
}

int32_t TRegistry::GetDataSize(const std::string& Name)
{
    DWORD Size = 0;
    if (RegQueryValueExA(FCurrentKey ? FCurrentKey : FRootKey, Name.c_str(), nullptr, nullptr, nullptr, &Size) !=
        ERROR_SUCCESS)
        return -1;
    return static_cast<int32_t>(Size);
}

std::vector<uint8_t> TRegistry::ReadRaw(const std::string& Name, DWORD& Type)
{
    return QueryValue(FCurrentKey ? FCurrentKey : FRootKey, Name, Type);
}

void TRegistry::WriteRaw(const std::string& Name, DWORD Type, const void* Data, DWORD Size)
{
    if (RegSetValueExA(FCurrentKey ? FCurrentKey : FRootKey, Name.c_str(), 0, Type, static_cast<const BYTE*>(Data),
                       Size) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to set data for '%s'", Name));
}

std::string TRegistry::ReadString(const std::string& Name)
{
    return QueryString(FCurrentKey ? FCurrentKey : FRootKey, Name);
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value)
{
    WriteRaw(Name, REG_SZ, Value.c_str(), static_cast<DWORD>(Value.size() + 1));
}

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value)
{
    WriteRaw(Name, REG_EXPAND_SZ, Value.c_str(), static_cast<DWORD>(Value.size() + 1));
}

int32_t TRegistry::ReadInteger(const std::string& Name)
{
    DWORD Type = 0;
    const std::vector<uint8_t> Data = ReadRaw(Name, Type);
    if (Type != REG_DWORD || Data.size() != 4)
        OtherType(Name);
    int32_t V;
    std::memcpy(&V, Data.data(), 4);
    return V;
}

void TRegistry::WriteInteger(const std::string& Name, int32_t Value)
{
    WriteRaw(Name, REG_DWORD, &Value, 4);
}

bool TRegistry::ReadBool(const std::string& Name)
{
    return ReadInteger(Name) != 0;
}

void TRegistry::WriteBool(const std::string& Name, bool Value)
{
    WriteInteger(Name, Value ? 1 : 0);
}

std::vector<uint8_t> TRegistry::ReadBinary(const std::string& Name)
{
    DWORD Type = 0;
    std::vector<uint8_t> Data = ReadRaw(Name, Type);
    if (Type != REG_BINARY)
        OtherType(Name);
    return Data;
}

int32_t TRegistry::ReadBinaryData(const std::string& Name, void* Buffer, int32_t BufSize)
{
    const std::vector<uint8_t> Data = ReadBinary(Name);
    if (BufSize < 0 || Data.size() > static_cast<size_t>(BufSize))
        throw ERegistryException(Format("Registry value '%s' is too long", Name));
    if (!Data.empty())
        std::memcpy(Buffer, Data.data(), Data.size());
    return static_cast<int32_t>(Data.size());
}

void TRegistry::WriteBinaryData(const std::string& Name, const void* Buffer, int32_t BufSize)
{
    if (BufSize < 0)
        throw ERegistryException(Format("Failed to set data for '%s'", Name));
    WriteRaw(Name, REG_BINARY, Buffer, static_cast<DWORD>(BufSize));
}

double TRegistry::ReadDouble(const std::string& Name)
{
    const std::vector<uint8_t> Data = ReadBinary(Name);
    if (Data.size() != sizeof(double))
        OtherType(Name);
    double V;
    std::memcpy(&V, Data.data(), sizeof(V));
    return V;
}

TDateTime TRegistry::ReadDate(const std::string& Name) { return ReadDouble(Name); }
TDateTime TRegistry::ReadTime(const std::string& Name) { return ReadDouble(Name); }
TDateTime TRegistry::ReadDateTime(const std::string& Name) { return ReadDouble(Name); }
double TRegistry::ReadFloat(const std::string& Name) { return ReadDouble(Name); }
void TRegistry::WriteDate(const std::string& Name, TDateTime Value) { WriteBinaryData(Name, &Value, sizeof(Value)); }
void TRegistry::WriteTime(const std::string& Name, TDateTime Value) { WriteBinaryData(Name, &Value, sizeof(Value)); }
void TRegistry::WriteDateTime(const std::string& Name, TDateTime Value)
{
    WriteBinaryData(Name, &Value, sizeof(Value));
}
void TRegistry::WriteFloat(const std::string& Name, double Value) { WriteBinaryData(Name, &Value, sizeof(Value)); }

bool TRegistry::ReadNumberedList(const std::string& Key, TStrings* List)
{
    List->Clear();
    HKEY K = OpenRaw(Key, KEY_READ, false);
    if (!K)
        return false;
    struct TCloser {
        HKEY K;
        ~TCloser() { RegCloseKey(K); }
    } Closer{K};
    std::vector<std::string> Names = ValueNames(K);
    // The registry may give "10" before "2": indexes in numeric order, the rest after them.
    std::stable_partition(Names.begin(), Names.end(), IsIndexName);
    const auto Others = std::find_if_not(Names.begin(), Names.end(), IsIndexName);
    std::stable_sort(Names.begin(), Others,
                     [](const std::string& A, const std::string& B) { return std::stol(A) < std::stol(B); });
    std::vector<std::string> Values;
    Values.reserve(Names.size());
    for (const std::string& N : Names)
        Values.push_back(QueryString(K, N));
    {
        List->BeginUpdate();
        TScopeExit End([List] { List->EndUpdate(); });
        for (const std::string& V : Values)
            List->Add(V);
    }
    return true;
}

void TRegistry::WriteNumberedList(const std::string& Key, TStrings* List)
{
    HKEY K = OpenRaw(Key, KEY_READ | KEY_WRITE, true);
    if (!K)
        throw ERegistryException(Format("Failed to create key '%s'", FullPath(Key)));
    struct TCloser {
        HKEY K;
        ~TCloser() { RegCloseKey(K); }
    } Closer{K};
    for (const std::string& N : ValueNames(K))
        if (RegDeleteValueA(K, N.c_str()) != ERROR_SUCCESS)
            throw ERegistryException(Format("Failed to delete value '%s'", N));
    for (int32_t I = 0; I < List->GetCount(); ++I) {
        const std::string Name = IntToStr(I);
        const std::string V = List->GetStrings(I);
        if (RegSetValueExA(K, Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(V.c_str()),
                           static_cast<DWORD>(V.size() + 1)) != ERROR_SUCCESS)
            throw ERegistryException(Format("Failed to set data for '%s'", Name));
    }
}

// ---------------------------------------------------------------------------------------------
// TRegIniFile

TRegIniFile::TRegIniFile(const std::string& Path) : FPath("\\" + StripSlashes(Path.empty() || Path[0] != '\\' ? Path : Path.substr(1)))
{
}

std::string TRegIniFile::SectionPath(const std::string& Section) const
{
    return Section.empty() ? FPath : FPath + "\\" + Section;
}

std::string TRegIniFile::ReadString(const std::string& Section, const std::string& Name, const std::string& Default)
{
    TRegistry R;
    if (!R.OpenKeyReadOnly(SectionPath(Section)))
        return Default;
    try {
        return R.ReadString(Name);
    } catch (const ERegistryException&) {
        return Default;
    }
}

void TRegIniFile::WriteString(const std::string& Section, const std::string& Name, const std::string& Value)
{
    TRegistry R;
    if (!R.OpenKey(SectionPath(Section), true))
        throw ERegistryException(Format("Failed to create key '%s'", SectionPath(Section)));
    R.WriteString(Name, Value);
}

int32_t TRegIniFile::ReadInteger(const std::string& Section, const std::string& Name, int32_t Default)
{
    TRegistry R;
    if (!R.OpenKeyReadOnly(SectionPath(Section)))
        return Default;
    try {
        if (R.GetDataType(Name) == rdString)
            return StrToIntDef(R.ReadString(Name), Default);
        return R.ReadInteger(Name);
    } catch (const ERegistryException&) {
        return Default;
    }
}

void TRegIniFile::WriteInteger(const std::string& Section, const std::string& Name, int32_t Value)
{
    TRegistry R;
    if (!R.OpenKey(SectionPath(Section), true))
        throw ERegistryException(Format("Failed to create key '%s'", SectionPath(Section)));
    // As text, like an ini file: Windows reads its own values (WallpaperStyle) that way.
    R.WriteString(Name, IntToStr(Value));
}

bool TRegIniFile::ReadBool(const std::string& Section, const std::string& Name, bool Default)
{
    return ReadInteger(Section, Name, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const std::string& Section, const std::string& Name, bool Value)
{
    WriteInteger(Section, Name, Value ? 1 : 0);
}

void TRegIniFile::EraseSection(const std::string& Section)
{
    TRegistry R;
    R.DeleteKey(SectionPath(Section));
}

void TRegIniFile::ReadSection(const std::string& Section, TStrings* Strings)
{
    Strings->Clear();
    TRegistry R;
    if (R.OpenKeyReadOnly(SectionPath(Section)))
        R.GetValueNames(Strings);
}

void TRegIniFile::ReadSections(TStrings* Strings)
{
    Strings->Clear();
    TRegistry R;
    if (R.OpenKeyReadOnly(FPath))
        R.GetKeyNames(Strings);
}
