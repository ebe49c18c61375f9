#include "engine/ImportRecords.h"

#include <algorithm>
#include <cstring>

#include "engine/EngineText.h"
#include "platform/rtl/SysUtils.h"

namespace {

// A field is read only up to its own end, even when the server sent no NUL in it.
std::string BoundedText(const char* Field, size_t Size)
{
    const void* Nul = std::memchr(Field, 0, Size);
    return std::string(Field, Nul ? static_cast<const char*>(Nul) - Field : Size);
}

void PutText(char* Field, size_t Size, const std::string& Text)
{
    std::memset(Field, 0, Size);
    std::memcpy(Field, Text.data(), Text.size() < Size ? Text.size() : Size - 1);
}

bool IsControlByte(unsigned char C)
{
    return C < 0x20 || C == 0x7F;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TProjectItem

void TProjectItem::Assign(TPersistent* Source)
{
    if (auto* Item = dynamic_cast<TProjectItem*>(Source)) {
        FNumber = Item->FNumber;
        FName = Item->FName;
        FURL = Item->FURL;
        FCategory = Item->FCategory;
        return;
    }
    TPersistent::Assign(Source);
}

int32_t TProjectItem::ReadFromStream(TStream* Stream)
{
    TProjectRecord R;
    int32_t Got = 0;
    // A stream may hand out fewer bytes than asked while more follow.
    while (Got < ProjectRecordSize) {
        const int32_t N = Stream->Read(reinterpret_cast<char*>(&R) + Got, ProjectRecordSize - Got);
        if (N <= 0)
            break;
        Got += N;
    }
    if (Got < ProjectRecordSize)
        return Got;
    FNumber = static_cast<int32_t>(static_cast<uint32_t>(R.Number[0]) | static_cast<uint32_t>(R.Number[1]) << 8 |
                                   static_cast<uint32_t>(R.Number[2]) << 16 |
                                   static_cast<uint32_t>(R.Number[3]) << 24);
    FName = BoundedText(R.Name, sizeof(R.Name));
    FURL = BoundedText(R.URL, sizeof(R.URL));
    FCategory = BoundedText(R.Category, sizeof(R.Category));
    return Got;
}

void TProjectItem::WriteToStream(TStream* Stream) const
{
    TProjectRecord R;
    const uint32_t N = static_cast<uint32_t>(FNumber);
    for (int I = 0; I < 4; ++I)
        R.Number[I] = static_cast<uint8_t>(N >> (8 * I));
    PutText(R.Name, sizeof(R.Name), FName);
    PutText(R.URL, sizeof(R.URL), FURL);
    PutText(R.Category, sizeof(R.Category), FCategory);
    Stream->WriteBuffer(&R, ProjectRecordSize);
}

// ---------------------------------------------------------------------------------------------
// TProjectItems

TProjectItems::~TProjectItems()
{
    Clear();
}

void TProjectItems::Assign(TPersistent* Source)
{
    if (auto* List = dynamic_cast<TProjectItems*>(Source)) {
        if (List == this)
            return;
        Clear();
        FListName = List->FListName;
        FItems = List->FItems;
        return;
    }
    TPersistent::Assign(Source);
}

int32_t TProjectItems::Add(TProjectItem* Item)
{
    FItems.push_back(Item);
    return GetCount() - 1;
}

TProjectItem* TProjectItems::GetItem(int32_t Index) const
{
    if (Index < 0 || Index >= GetCount())
        throw EListError(Format("List index out of bounds (%d)", Index));
    return FItems[static_cast<size_t>(Index)];
}

void TProjectItems::Clear()
{
    for (TProjectItem* Item : FItems)
        if (Item && Item->GetOwnerList() == this)
            delete Item;
    FItems.clear();
}

int32_t TProjectItems::IndexOfName(std::string_view Text) const
{
    for (size_t I = 0; I < FItems.size(); ++I)
        if (FItems[I]->GetName() == Text)
            return static_cast<int32_t>(I);
    return -1;
}

void TProjectItems::LoadFromStream(TStream* Stream)
{
    Clear();
    for (;;) {
        auto* Item = new TProjectItem;
        if (Item->ReadFromStream(Stream) < ProjectRecordSize) {
            delete Item;
            break;
        }
        // The name becomes "<folder>\<name>.wrp" and a download folder, the category a folder
        // of the task tree: neither may climb out of its folder or name a device.
        if (Trim(Item->GetName()).empty()) {
            delete Item;
            continue;
        }
        Item->SetName(SafePathPart(Item->GetName()));
        if (!Trim(Item->GetCategory()).empty())
            Item->SetCategory(SafePathPart(Item->GetCategory()));
        else
            Item->SetCategory(std::string());
        Item->SetOwnerList(this);
        FItems.push_back(Item);
    }
}

// ---------------------------------------------------------------------------------------------
// The index

namespace {

// One line of the index, without its LF and a CR before it; Start moves to the next line.
std::string_view NextIndexLine(std::string_view Text, size_t& Start)
{
    size_t End = Text.find('\n', Start);
    const size_t Next = End == std::string_view::npos ? Text.size() : End + 1;
    if (End == std::string_view::npos)
        End = Text.size();
    std::string_view Line = Text.substr(Start, End - Start);
    if (!Line.empty() && Line.back() == '\r')
        Line.remove_suffix(1);
    Start = Next;
    return Line;
}

// A name as a log line shows it: control bytes as \xNN, and cut, since it came from the server.
std::string LoggedName(std::string_view Name)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    constexpr size_t Shown = 80;
    std::string Result = "\"";
    for (size_t I = 0; I < Name.size() && I < Shown; ++I) {
        const auto C = static_cast<unsigned char>(Name[I]);
        if (IsControlByte(C)) {
            Result += "\\x";
            Result += Hex[C >> 4];
            Result += Hex[C & 15];
        } else {
            Result += Name[I];
        }
    }
    Result += Name.size() > Shown ? "...\"" : "\"";
    return Result;
}

} // namespace

void ParseProjectIndex(std::string_view Text, TStrings* Lines, TStrings* Log)
{
    int64_t Count = 0;
    for (size_t Start = 0; Start < Text.size();)
        if (!NextIndexLine(Text, Start).empty())
            ++Count;
    if (Count > MaxProjectLists) {
        if (Log)
            Log->Add("Project index refused: it names " + std::to_string(Count) + " lists, more than " +
                     std::to_string(MaxProjectLists));
        return;
    }

    for (size_t Start = 0; Start < Text.size();) {
        const std::string_view Name = NextIndexLine(Text, Start);
        if (Name.empty())
            continue;
        std::string Why;
        if (Name.size() > MaxListNameLength)
            Why = "its name is " + std::to_string(Name.size()) + " characters long, more than " +
                  std::to_string(MaxListNameLength);
        else if (std::any_of(Name.begin(), Name.end(),
                             [](char C) { return IsControlByte(static_cast<unsigned char>(C)); }))
            Why = "its name holds a control character";
        if (!Why.empty()) {
            if (Log)
                Log->Add("Project list " + LoggedName(Name) + " passed over: " + Why);
            continue;
        }
        Lines->Add(std::string(Name));
    }
}

void ReadProjectIndex(TStream* Stream, TStrings* Lines, TStrings* Log)
{
    const int64_t Left = Stream->GetSize() - Stream->GetPosition();
    if (Left <= 0)
        return;
    // As much as an index download may bring (MaxImportDownload).
    constexpr int64_t MaxIndexBytes = 16 * 1024 * 1024;
    std::string Text(static_cast<size_t>(Left < MaxIndexBytes ? Left : MaxIndexBytes), '\0');
    const int32_t N = Stream->Read(Text.data(), static_cast<int32_t>(Text.size()));
    Text.resize(N > 0 ? static_cast<size_t>(N) : 0);
    ParseProjectIndex(Text, Lines, Log);
}

std::string ProjectListAddress(const std::string& Base, std::string_view ListName)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string Result = Base;
    for (const char Ch : ListName) {
        const auto C = static_cast<unsigned char>(Ch);
        if (C <= 0x20 || C >= 0x7F || C == '#' || C == '"' || C == '<' || C == '>') {
            Result += '%';
            Result += Hex[C >> 4];
            Result += Hex[C & 15];
        } else {
            Result += Ch;
        }
    }
    return Result;
}
