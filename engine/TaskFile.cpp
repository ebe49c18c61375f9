// A task's project file and failed-address file.
#include <cstring>
#include <memory>

#include "engine/ProjectFile.h"
#include "engine/RegOptionsRecord.h"
#include "engine/RegSettings.h"
#include "engine/Task.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Files.h"
#include "platform/win/OSError.h"

#include <windows.h>

void TTask::FillHeader(TProjectHeaderRec& Rec) const
{
    TProjectHeaderData D;
    D.Name = FName;
    D.Note = FNote;
    D.StartURL = FStartURI->GetURI();
    D.ID = FID;
    D.State = FState.load();
    D.SavedCount = FSavedCount.load();
    EncodeProjectHeader(D, Rec);
}

void TTask::ReadHeader(const TProjectHeaderRec& Rec)
{
    TProjectHeaderData D = DecodeProjectHeader(reinterpret_cast<const uint8_t*>(&Rec), sizeof(Rec));
    FName = D.Name;
    FNote = D.Note;
    FStartURI->SetURI(D.StartURL);
    FID = D.ID;
    // The state as it was stored; a queued task read back takes no ticket.
    FState = D.State;
    FQueueTicket = -1;
    FSavedCount = D.SavedCount;
}

void TTask::SaveToStream(TStream* Stream)
{
    TProjectHeaderRec Header;
    FillHeader(Header);
    Stream->WriteBuffer(&Header, sizeof(Header));
    RegOptionsSaveToStream(*FOptions, Stream);
    std::string Text;
    for (TTaskItem* Item : FItems->Snapshot()) {
        Text += FormatItemLine(Item->GetDone(), Item->GetDepth(), Item->GetAddress());
        Text += "\r\n";
        if (Text.size() >= 1 << 16) {
            Stream->WriteBuffer(Text.data(), static_cast<int32_t>(Text.size()));
            Text.clear();
        }
    }
    if (!Text.empty())
        Stream->WriteBuffer(Text.data(), static_cast<int32_t>(Text.size()));
}

void TTask::LoadFromStream(TStream* Stream)
{
    TProjectHeaderRec Header;
    std::memset(&Header, 0, sizeof(Header));
    size_t Got = ReadUpTo(Stream, reinterpret_cast<uint8_t*>(&Header), sizeof(Header));
    ReadHeader(Header);
    if (Got < sizeof(Header)) {
        RegOptionsReadRecord(*FOptions, nullptr, 0);
    } else {
        RegOptionsLoadFromStream(*FOptions, Stream);
    }
    FItems->Clear();
    FDoneCount = 0;
    TLineSplitter Splitter;
    auto OnLine = [this](std::string_view Line) {
        bool Done = false;
        int32_t Depth = 0;
        std::string Address;
        // A line without an address would start a worker with nothing to fetch.
        if (!ParseItemLine(Line, Done, Depth, Address))
            return;
        auto Item = std::make_unique<TTaskItem>(this, Address);
        Item->SetDone(Done);
        Item->SetDepth(Depth);
        FItems->Add(Item.release());
        if (Done)
            ++FDoneCount;
    };
    std::vector<char> Buffer(1 << 16);
    for (;;) {
        int32_t N = Stream->Read(Buffer.data(), static_cast<int32_t>(Buffer.size()));
        if (N <= 0)
            break;
        Splitter.Feed(std::string_view(Buffer.data(), static_cast<size_t>(N)), OnLine);
    }
    Splitter.Finish(OnLine);
}

namespace {

// Writes a file through "<name>.tmp" and a replacing move, so the old file stays whole until
// the new one is complete.
template <class F>
void SafeWrite(const std::string& FileName, F&& Write)
{
    const std::string Temp = FileName + ".tmp";
    std::unique_ptr<TFileStream> Stream = std::make_unique<TFileStream>(Temp, fmCreate);
    TScopeExit Discard([&] {
        Stream.reset();
        DeleteFile(Temp);
    });
    Write(Stream.get());
    Stream.reset();
    Discard.Dismiss();
    if (!MoveFileReplace(Temp, FileName)) {
        DWORD Code = GetLastError();
        DeleteFile(Temp);
        throw EFCreateError(Format("Cannot create file '%s': %s", FileName, SysErrorMessage(Code)), FileName, Code);
    }
}

} // namespace

void TTask::SaveToFile(const std::string& FileName)
{
    SafeWrite(FileName, [this](TStream* S) { SaveToStream(S); });
    SafeWrite(FileName + ".urls", [this](TStream* S) {
        std::string Text;
        for (TTaskItem* Item : FFailedList->Snapshot()) {
            Text += Item->GetAddress();
            Text += "\r\n";
        }
        if (!Text.empty())
            S->WriteBuffer(Text.data(), static_cast<int32_t>(Text.size()));
    });
}

void TTask::LoadFromFile(const std::string& FileName)
{
    {
        TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
        FFileName = FileName;
        LoadFromStream(&Stream);
    }
    const std::string Failed = FileName + ".urls";
    if (!FileExists(Failed))
        return;
    FFailedList->Clear();
    TFileStream Stream(Failed, fmOpenRead | fmShareDenyWrite);
    TLineSplitter Splitter;
    auto OnLine = [this](std::string_view Line) {
        if (Trim(Line).empty())
            return;
        auto Item = std::make_unique<TTaskItem>(this, std::string(Line));
        int32_t Before = FFailedList->GetCount();
        FFailedList->AddSorted(Item.get());
        if (FFailedList->GetCount() > Before)
            Item.release();
    };
    std::vector<char> Buffer(1 << 16);
    for (;;) {
        int32_t N = Stream.Read(Buffer.data(), static_cast<int32_t>(Buffer.size()));
        if (N <= 0)
            break;
        Splitter.Feed(std::string_view(Buffer.data(), static_cast<size_t>(N)), OnLine);
    }
    Splitter.Finish(OnLine);
}

TProjectHeaderData ReadTaskHeader(const std::string& FileName)
{
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    std::vector<uint8_t> Bytes(kProjectHeaderSize, 0);
    size_t Got = ReadUpTo(&Stream, Bytes.data(), Bytes.size());
    return DecodeProjectHeader(Bytes.data(), Got);
}
