// Project file records and lines. Everything is built in zero-filled records and read through
// bounded copies, so a short or hostile file can never make a read run past what was read.
#include "engine/ProjectFile.h"

#include <cstring>
#include <memory>

#include "platform/rtl/SysUtils.h"

void PutFieldText(char* Field, size_t Size, std::string_view Text)
{
    std::memset(Field, 0, Size);
    if (Size == 0)
        return;
    size_t N = Text.size() < Size - 1 ? Text.size() : Size - 1;
    std::memcpy(Field, Text.data(), N);
}

std::string GetFieldText(const char* Field, size_t Size)
{
    const void* Nul = std::memchr(Field, 0, Size);
    size_t N = Nul ? static_cast<size_t>(static_cast<const char*>(Nul) - Field) : Size;
    return std::string(Field, N);
}

void EncodeProjectHeader(const TProjectHeaderData& Data, TProjectHeaderRec& Rec)
{
    std::memset(&Rec, 0, sizeof(Rec));
    PutFieldText(Rec.Magic, sizeof(Rec.Magic), "Quib");
    PutFieldText(Rec.Kind, sizeof(Rec.Kind), "ZQ");
    PutFieldText(Rec.Name, sizeof(Rec.Name), Data.Name);
    PutFieldText(Rec.Note, sizeof(Rec.Note), Data.Note);
    PutFieldText(Rec.StartURL, sizeof(Rec.StartURL), Data.StartURL);
    PutFieldText(Rec.ID, sizeof(Rec.ID), Data.ID);
    Rec.State = Data.State;
    Rec.SavedCount = Data.SavedCount;
}

namespace {

// A copy of the bytes read, zero beyond them, so every field can be read whole.
template <class R>
void LoadRecord(R& Rec, const uint8_t* Bytes, size_t Valid)
{
    std::memset(&Rec, 0, sizeof(Rec));
    if (Bytes && Valid)
        std::memcpy(&Rec, Bytes, Valid < sizeof(Rec) ? Valid : sizeof(Rec));
}

void PutList(char (*Slots)[1024], const std::vector<std::string>& List)
{
    size_t N = List.size() < kProjectListSlots ? List.size() : kProjectListSlots;
    for (size_t I = 0; I < N; ++I)
        PutFieldText(Slots[I], kProjectTextSize, List[I]);
    // A full list has no marker: it would land in the next area.
    if (N < kProjectListSlots)
        PutFieldText(Slots[N], kProjectTextSize, kProjectListEnd);
}

std::vector<std::string> GetList(const char (*Slots)[1024], size_t AreaOffset, size_t Valid)
{
    std::vector<std::string> List;
    for (size_t I = 0; I < kProjectListSlots; ++I) {
        // A slot cut off by the end of the file is no entry.
        if (AreaOffset + (I + 1) * kProjectTextSize > Valid)
            break;
        std::string Text = GetFieldText(Slots[I], kProjectTextSize);
        if (Text == kProjectListEnd)
            break;
        List.push_back(std::move(Text));
    }
    return List;
}

} // namespace

TProjectHeaderData DecodeProjectHeader(const uint8_t* Bytes, size_t Valid)
{
    TProjectHeaderRec Rec;
    LoadRecord(Rec, Bytes, Valid);
    TProjectHeaderData Data;
    Data.Name = GetFieldText(Rec.Name, sizeof(Rec.Name));
    Data.Note = GetFieldText(Rec.Note, sizeof(Rec.Note));
    Data.StartURL = GetFieldText(Rec.StartURL, sizeof(Rec.StartURL));
    Data.ID = GetFieldText(Rec.ID, sizeof(Rec.ID));
    Data.State = Rec.State;
    Data.SavedCount = Rec.SavedCount;
    return Data;
}

void EncodeOptionsRecord(const TOptionsData& D, TOptionsRec& R)
{
    std::memset(&R, 0, sizeof(R));
    PutFieldText(R.DefaultFolder, sizeof(R.DefaultFolder), D.DefaultFolder);
    R.EnableFileLimit = D.EnableFileLimit ? 1 : 0;
    R.FileMaxSize = D.FileMaxSize;
    R.FileMinSize = D.FileMinSize;
    R.SeekDeep = D.SeekDeep;
    R.AutoShutDown = D.AutoShutDown ? 1 : 0;
    R.UseProxyServer = D.UseProxyServer ? 1 : 0;
    PutFieldText(R.ProxyServerAddr, sizeof(R.ProxyServerAddr), D.ProxyServerAddr);
    R.ProxyServerPort = D.ProxyServerPort;
    PutFieldText(R.DefaultLogFolder, sizeof(R.DefaultLogFolder), D.DefaultLogFolder);
    R.AutoSaveLog = D.AutoSaveLog ? 1 : 0;
    PutList(R.FileMasks, D.FileMasks);
    PutList(R.ExcludeFiles, D.ExcludeFiles);
    PutList(R.ExcludeWebsites, D.ExcludeWebsites);
    R.SchemeType = D.SchemeType;
    R.SchemeCount = D.SchemeCount;
    R.StartDate = D.StartDate;
    R.StartTime = D.StartTime;
    R.UseLogin = D.UseLogin ? 1 : 0;
    PutFieldText(R.LoginUser, sizeof(R.LoginUser), D.LoginUser);
    PutFieldText(R.LoginPassword, sizeof(R.LoginPassword), D.LoginPassword);
    R.TimeOut = D.TimeOut;
    R.CloseOption = D.CloseOption;
    R.SaveAsWebStructure = D.SaveAsWebStructure ? 1 : 0;
}

TOptionsData DecodeOptionsRecord(const uint8_t* Bytes, size_t Valid)
{
    // Too big for the stack of a worker thread.
    auto Owned = std::make_unique<TOptionsRec>();
    TOptionsRec& R = *Owned;
    LoadRecord(R, Bytes, Valid);
    TOptionsData D;
    D.DefaultFolder = GetFieldText(R.DefaultFolder, sizeof(R.DefaultFolder));
    D.EnableFileLimit = R.EnableFileLimit != 0;
    D.FileMaxSize = R.FileMaxSize;
    D.FileMinSize = R.FileMinSize;
    D.SeekDeep = R.SeekDeep;
    D.AutoShutDown = R.AutoShutDown != 0;
    D.UseProxyServer = R.UseProxyServer != 0;
    D.ProxyServerAddr = GetFieldText(R.ProxyServerAddr, sizeof(R.ProxyServerAddr));
    D.ProxyServerPort = R.ProxyServerPort;
    D.DefaultLogFolder = GetFieldText(R.DefaultLogFolder, sizeof(R.DefaultLogFolder));
    D.AutoSaveLog = R.AutoSaveLog != 0;
    D.FileMasks = GetList(R.FileMasks, offsetof(TOptionsRec, FileMasks), Valid);
    D.ExcludeFiles = GetList(R.ExcludeFiles, offsetof(TOptionsRec, ExcludeFiles), Valid);
    D.ExcludeWebsites = GetList(R.ExcludeWebsites, offsetof(TOptionsRec, ExcludeWebsites), Valid);
    D.SchemeType = R.SchemeType;
    D.SchemeCount = R.SchemeCount;
    D.StartDate = R.StartDate;
    D.StartTime = R.StartTime;
    D.UseLogin = R.UseLogin != 0;
    D.LoginUser = GetFieldText(R.LoginUser, sizeof(R.LoginUser));
    D.LoginPassword = GetFieldText(R.LoginPassword, sizeof(R.LoginPassword));
    D.TimeOut = R.TimeOut;
    D.CloseOption = R.CloseOption;
    D.SaveAsWebStructure = R.SaveAsWebStructure != 0;
    return D;
}

bool ParseItemLine(std::string_view Line, bool& Done, int32_t& Depth, std::string& Address)
{
    Done = false;
    Depth = 0;
    Address.clear();
    if (Line.empty())
        return false;
    size_t First = Line.find(',');
    std::string_view DoneText = Line.substr(0, First);
    std::string_view DepthText;
    if (First != std::string_view::npos) {
        size_t Second = Line.find(',', First + 1);
        DepthText = Line.substr(First + 1, Second == std::string_view::npos ? std::string_view::npos
                                                                             : Second - First - 1);
        if (Second != std::string_view::npos)
            Address.assign(Line.substr(Second + 1));
    }
    // The done field is kept in one byte: only its low byte counts.
    Done = static_cast<uint8_t>(StrToIntDef(DoneText, 1)) != 0;
    Depth = StrToIntDef(DepthText, -1);
    return !Address.empty();
}

std::string FormatItemLine(bool Done, int32_t Depth, std::string_view Address)
{
    std::string Line = Done ? "1," : "0,";
    Line += IntToStr(Depth);
    Line += ',';
    Line.append(Address);
    return Line;
}

std::vector<std::string_view> SplitTextLines(std::string_view Text)
{
    std::vector<std::string_view> Lines;
    size_t Start = 0;
    size_t I = 0;
    while (I < Text.size()) {
        char C = Text[I];
        if (C == '\r' || C == '\n') {
            Lines.push_back(Text.substr(Start, I - Start));
            if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')
                ++I;
            Start = I + 1;
        }
        ++I;
    }
    if (Start < Text.size())
        Lines.push_back(Text.substr(Start));
    return Lines;
}
