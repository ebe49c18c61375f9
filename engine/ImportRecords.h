#pragma once
// The files of the task-list import: the text index "index.dat" and the list files of 604-byte
// project records. Portable (runtime library and EngineText only), so the parsing also runs in
// the native sanitizer and fuzzing build. Everything read here comes from a web server and is
// treated as hostile: every length is bounded, names are made safe for use as path parts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/StringList.h"

#pragma pack(push, 1)
// One project record as stored in a list file. The number is little-endian on every host.
struct TProjectRecord {
    uint8_t Number[4];
    char Name[200];
    char URL[200];
    char Category[200];
};
#pragma pack(pop)
static_assert(sizeof(TProjectRecord) == 604, "project record layout");
static_assert(offsetof(TProjectRecord, Name) == 4 && offsetof(TProjectRecord, URL) == 204 &&
                  offsetof(TProjectRecord, Category) == 404,
              "project record field offsets");

inline constexpr int32_t ProjectRecordSize = static_cast<int32_t>(sizeof(TProjectRecord));
inline constexpr size_t ImportTextSize = 200;

// An index naming more lists than this is refused whole: each list costs a thread and a
// connection.
inline constexpr int32_t MaxProjectLists = 10000;
// List names longer than this are passed over (they become node texts and request targets).
inline constexpr size_t MaxListNameLength = 255;

class TProjectItems;

class TProjectItem : public TPersistent {
public:
    std::string ClassName() const override { return "TProjectItem"; }
    // Copies number, name, URL and category; never Owner or Exists.
    void Assign(TPersistent* Source) override;

    // Reads one record: returns the bytes read (ProjectRecordSize when whole). The fields are set
    // only from a whole record; each text is taken up to its first NUL within its 200 bytes.
    int32_t ReadFromStream(TStream* Stream);
    // Writes one record; texts longer than 199 bytes are cut so each field stays terminated.
    void WriteToStream(TStream* Stream) const;

    const std::string& GetCategory() const { return FCategory; }
    void SetCategory(const std::string& Value) { FCategory = Value; }
    int32_t GetNumber() const { return FNumber; }
    void SetNumber(int32_t Value) { FNumber = Value; }
    const std::string& GetName() const { return FName; }
    void SetName(const std::string& Value) { FName = Value; }
    TProjectItems* GetOwnerList() const { return FOwner; }
    void SetOwnerList(TProjectItems* Value) { FOwner = Value; }
    const std::string& GetURL() const { return FURL; }
    void SetURL(const std::string& Value) { FURL = Value; }
    bool GetExists() const { return FExists; }
    void SetExists(bool Value) { FExists = Value; }

private:
    std::string FCategory;
    int32_t FNumber = 0;
    std::string FName;
    TProjectItems* FOwner = nullptr;
    std::string FURL;
    bool FExists = false;
};

// A project list. Items whose owner is this list are freed by it; items taken over from another
// list by Assign are shared and stay that list's (so they live only as long as it does).
class TProjectItems : public TPersistent {
public:
    TProjectItems() = default;
    TProjectItems(const TProjectItems&) = delete;
    TProjectItems& operator=(const TProjectItems&) = delete;
    ~TProjectItems() override;
    std::string ClassName() const override { return "TProjectItems"; }
    // Copies the list name and the item references.
    void Assign(TPersistent* Source) override;

    const std::string& GetListName() const { return FListName; }
    void SetListName(const std::string& Value) { FListName = Value; }

    int32_t Add(TProjectItem* Item);
    int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
    TProjectItem* GetItem(int32_t Index) const; // EListError out of range
    void Clear();                               // frees the own items
    int32_t IndexOfName(std::string_view Text) const; // exact; -1 when none

    // Clear, then one item per whole record; a trailing partial record is dropped. Every name and
    // category goes through SafePathPart (they become file and folder names); a record whose name
    // is empty after trimming is dropped. An empty category stays empty (the tree's top level).
    void LoadFromStream(TStream* Stream);

private:
    std::string FListName;
    std::vector<TProjectItem*> FItems;
};

// Splits an index into list names: lines end at each LF; the LF and a CR before it are dropped
// (also a lone CR at the end of the last line). Empty lines are skipped; names holding any other
// control character (bytes below 0x20 and 0x7F) and names over MaxListNameLength are passed over
// with a line in Log naming them and why. An index of more than MaxProjectLists non-empty lines
// gives no names at all and a line in Log with its count. Appends to Lines (and to Log when given).
void ParseProjectIndex(std::string_view Text, TStrings* Lines, TStrings* Log = nullptr);
// The same over the whole of Stream from its position.
void ReadProjectIndex(TStream* Stream, TStrings* Lines, TStrings* Log = nullptr);

// Base + list name, with blanks, "#", quotes, "<", ">" and bytes above 0x7E written as %XX so
// the name stays one request target (ParseProjectIndex already keeps control characters out).
std::string ProjectListAddress(const std::string& Base, std::string_view ListName);
