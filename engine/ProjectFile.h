#pragma once
// The project file's fixed parts (the 5140-byte header and the 793,672-byte options record), its
// address lines and the failed-address lines, as plain functions over bytes. Portable: depends on
// the runtime library only, so it also builds natively for sanitizers and fuzzing.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t kProjectTextSize = 1024;
inline constexpr size_t kProjectListSlots = 256;
inline constexpr const char* kProjectListEnd = "(end)";

#pragma pack(push, 1)
struct TProjectHeaderRec {
    char Magic[5];          // "Quib"
    char Kind[6];           // "ZQ"
    char Name[1024];
    char Note[1024];
    char StartURL[1024];
    char ID[1024];
    uint8_t Reserved[1025];
    uint8_t State;          // readers take only this byte of the 32-bit field
    uint8_t StateHigh[3];
    int32_t SavedCount;
};

struct TOptionsRec {
    char DefaultFolder[1024];
    uint8_t EnableFileLimit;
    uint8_t Reserved1[3];
    int32_t FileMaxSize;
    int32_t FileMinSize;
    uint8_t Reserved2[4];
    int32_t SeekDeep;
    uint8_t Reserved3;
    uint8_t AutoShutDown;
    uint8_t UseProxyServer;
    char ProxyServerAddr[1024];
    uint8_t Reserved4;
    int32_t ProxyServerPort;
    uint8_t Reserved5[2048];
    char DefaultLogFolder[1024];
    uint8_t AutoSaveLog;
    char FileMasks[256][1024];
    char ExcludeFiles[256][1024];
    char ExcludeWebsites[256][1024];
    uint8_t SchemeType;
    uint8_t Reserved6[2];
    int32_t SchemeCount;
    uint8_t Reserved7[4];
    double StartDate;
    double StartTime;
    uint8_t UseLogin;
    char LoginUser[1024];
    char LoginPassword[1024];
    uint8_t Reserved8[3];
    int32_t TimeOut;
    uint8_t CloseOption;
    uint8_t SaveAsWebStructure;
    uint8_t Reserved9[6];
};
#pragma pack(pop)

static_assert(sizeof(TProjectHeaderRec) == 5140);
static_assert(offsetof(TProjectHeaderRec, ID) == 3083);
static_assert(offsetof(TProjectHeaderRec, State) == 5132);
static_assert(offsetof(TProjectHeaderRec, SavedCount) == 5136);
static_assert(sizeof(TOptionsRec) == 793672);
static_assert(offsetof(TOptionsRec, FileMaxSize) == 1028);
static_assert(offsetof(TOptionsRec, ProxyServerPort) == 2072);
static_assert(offsetof(TOptionsRec, DefaultLogFolder) == 4124);
static_assert(offsetof(TOptionsRec, FileMasks) == 5149);
static_assert(offsetof(TOptionsRec, ExcludeFiles) == 267293);
static_assert(offsetof(TOptionsRec, ExcludeWebsites) == 529437);
static_assert(offsetof(TOptionsRec, SchemeType) == 791581);
static_assert(offsetof(TOptionsRec, SchemeCount) == 791584);
static_assert(offsetof(TOptionsRec, StartDate) == 791592);
static_assert(offsetof(TOptionsRec, UseLogin) == 791608);
static_assert(offsetof(TOptionsRec, LoginPassword) == 792633);
static_assert(offsetof(TOptionsRec, TimeOut) == 793660);
static_assert(offsetof(TOptionsRec, SaveAsWebStructure) == 793665);

inline constexpr size_t kProjectHeaderSize = sizeof(TProjectHeaderRec);
inline constexpr size_t kOptionsRecordSize = sizeof(TOptionsRec);

// The header's fields as the program holds them.
struct TProjectHeaderData {
    std::string Name;
    std::string Note;
    std::string StartURL;
    std::string ID;
    uint8_t State = 1;
    int32_t SavedCount = 0;
};

// The options record's fields (a task's TRegOptions without DefaultTaskAdded and ProjectPath).
struct TOptionsData {
    std::string DefaultFolder;
    bool EnableFileLimit = false;
    int32_t FileMaxSize = 0;
    int32_t FileMinSize = 0;
    int32_t SeekDeep = 0;
    bool AutoShutDown = false;
    bool UseProxyServer = false;
    std::string ProxyServerAddr;
    int32_t ProxyServerPort = 0;
    std::string DefaultLogFolder;
    bool AutoSaveLog = false;
    std::vector<std::string> FileMasks;
    std::vector<std::string> ExcludeFiles;
    std::vector<std::string> ExcludeWebsites;
    uint8_t SchemeType = 0;
    int32_t SchemeCount = 0;
    double StartDate = 0;
    double StartTime = 0;
    bool UseLogin = false;
    std::string LoginUser;
    std::string LoginPassword;
    int32_t TimeOut = 0;
    uint8_t CloseOption = 0;
    bool SaveAsWebStructure = false;
};

// Copies Text into a Size-byte field: at most Size - 1 bytes, NUL-terminated, the rest zero.
void PutFieldText(char* Field, size_t Size, std::string_view Text);
// The text of a field up to its first NUL, never beyond Size bytes.
std::string GetFieldText(const char* Field, size_t Size);

// Builds the header into a zero-filled record.
void EncodeProjectHeader(const TProjectHeaderData& Data, TProjectHeaderRec& Rec);
// Reads the first Valid bytes of Bytes (the rest counts as zero; Valid may be 0).
TProjectHeaderData DecodeProjectHeader(const uint8_t* Bytes, size_t Valid);

// Builds the options record into a zero-filled record. Lists longer than 256 keep their first
// 256; a full list gets no "(end)" marker.
void EncodeOptionsRecord(const TOptionsData& Data, TOptionsRec& Rec);
// Reads the first Valid bytes of Bytes (the rest counts as zero). A list takes its slots only
// while they lie wholly within the bytes read, stopping at "(end)" or after 256 slots.
TOptionsData DecodeOptionsRecord(const uint8_t* Bytes, size_t Valid);

// One address line: done field (1 when not a number; non-zero is done), depth (-1 when not a
// number) and the address (everything after the second comma). False for an empty address.
bool ParseItemLine(std::string_view Line, bool& Done, int32_t& Depth, std::string& Address);
// "done,depth,address" without the line end.
std::string FormatItemLine(bool Done, int32_t Depth, std::string_view Address);

// Splits text into lines ended by CR LF, LF or CR; a last line without an end is kept.
std::vector<std::string_view> SplitTextLines(std::string_view Text);

// Feeds a stream of bytes in pieces and hands out whole lines (CR LF, LF or CR). Lines longer
// than MaxLine are dropped whole: no address is that long, and a hostile file must not make
// one line take all memory.
class TLineSplitter {
public:
    explicit TLineSplitter(size_t MaxLine = 1 << 20) : FMaxLine(MaxLine) {}
    template <class F>
    void Feed(std::string_view Bytes, F&& OnLine)
    {
        for (char C : Bytes) {
            if (FAfterCR) {
                FAfterCR = false;
                if (C == '\n')
                    continue;
            }
            if (C == '\r' || C == '\n') {
                if (!FTooLong)
                    OnLine(std::string_view(FLine));
                FLine.clear();
                FTooLong = false;
                FAfterCR = C == '\r';
                continue;
            }
            if (FTooLong)
                continue;
            if (FLine.size() >= FMaxLine) {
                FTooLong = true;
                FLine.clear();
                continue;
            }
            FLine.push_back(C);
        }
    }
    // Hands out a last line without an end.
    template <class F>
    void Finish(F&& OnLine)
    {
        if (!FLine.empty() && !FTooLong)
            OnLine(std::string_view(FLine));
        FLine.clear();
        FTooLong = false;
        FAfterCR = false;
    }

private:
    size_t FMaxLine;
    std::string FLine;
    bool FTooLong = false;
    bool FAfterCR = false;
};
