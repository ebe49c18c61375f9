#include "engine/RegOptionsRecord.h"

#include <memory>

#include "engine/RegSettings.h"
#include "platform/rtl/Stream.h"

namespace {

std::vector<std::string> ListOf(const TStrings* List)
{
    std::vector<std::string> Result;
    for (int32_t I = 0; I < List->GetCount(); ++I)
        Result.push_back(List->GetStrings(I));
    return Result;
}

void FillList(TStrings* List, const std::vector<std::string>& Entries)
{
    List->Clear();
    for (const std::string& S : Entries)
        List->Add(S);
}

} // namespace

TOptionsData OptionsToData(const TRegOptions& O)
{
    TOptionsData D;
    D.DefaultFolder = O.GetDefaultFolder();
    D.EnableFileLimit = O.GetEnableFileLimit();
    D.FileMaxSize = O.GetFileMaxSize();
    D.FileMinSize = O.GetFileMinSize();
    D.SeekDeep = O.GetSeekDeep();
    D.AutoShutDown = O.GetAutoShutDown();
    D.UseProxyServer = O.GetUseProxyServer();
    D.ProxyServerAddr = O.GetProxyServerAddr();
    D.ProxyServerPort = O.GetProxyServerPort();
    D.DefaultLogFolder = O.GetDefaultLogFolder();
    D.AutoSaveLog = O.GetAutoSaveLog();
    D.FileMasks = ListOf(O.GetFileMasks());
    D.ExcludeFiles = ListOf(O.GetExcludeFiles());
    D.ExcludeWebsites = ListOf(O.GetExcludeWebsites());
    D.SchemeType = O.GetScheme()->GetSchemeType();
    D.SchemeCount = O.GetScheme()->GetSchemeCount();
    D.StartDate = O.GetScheme()->GetStartDate();
    D.StartTime = O.GetScheme()->GetStartTime();
    D.UseLogin = O.GetUseLogin();
    D.LoginUser = O.GetLoginUser();
    D.LoginPassword = O.GetLoginPassword();
    D.TimeOut = O.GetTimeOut();
    D.CloseOption = O.GetCloseOption();
    D.SaveAsWebStructure = O.GetSaveAsWebStructure();
    return D;
}

void DataToOptions(const TOptionsData& D, TRegOptions& O)
{
    O.SetDefaultFolder(D.DefaultFolder);
    O.SetEnableFileLimit(D.EnableFileLimit);
    O.SetFileMaxSize(D.FileMaxSize);
    O.SetFileMinSize(D.FileMinSize);
    O.SetSeekDeep(D.SeekDeep);
    O.SetAutoShutDown(D.AutoShutDown);
    O.SetUseProxyServer(D.UseProxyServer);
    O.SetProxyServerAddr(D.ProxyServerAddr);
    O.SetProxyServerPort(D.ProxyServerPort);
    O.SetDefaultLogFolder(D.DefaultLogFolder);
    O.SetAutoSaveLog(D.AutoSaveLog);
    FillList(O.GetFileMasks(), D.FileMasks);
    FillList(O.GetExcludeFiles(), D.ExcludeFiles);
    FillList(O.GetExcludeWebsites(), D.ExcludeWebsites);
    O.GetScheme()->SetSchemeType(D.SchemeType);
    O.GetScheme()->SetSchemeCount(D.SchemeCount);
    O.GetScheme()->SetStartDate(D.StartDate);
    O.GetScheme()->SetStartTime(D.StartTime);
    O.SetUseLogin(D.UseLogin);
    O.SetLoginUser(D.LoginUser);
    O.SetLoginPassword(D.LoginPassword);
    O.SetTimeOut(D.TimeOut);
    O.SetCloseOption(D.CloseOption);
    O.SetSaveAsWebStructure(D.SaveAsWebStructure);
}

void RegOptionsWriteRecord(const TRegOptions& Options, std::vector<uint8_t>& Bytes)
{
    auto Rec = std::make_unique<TOptionsRec>();
    EncodeOptionsRecord(OptionsToData(Options), *Rec);
    const uint8_t* P = reinterpret_cast<const uint8_t*>(Rec.get());
    Bytes.assign(P, P + sizeof(TOptionsRec));
}

void RegOptionsReadRecord(TRegOptions& Options, const uint8_t* Bytes, size_t Valid)
{
    DataToOptions(DecodeOptionsRecord(Bytes, Valid), Options);
}

void RegOptionsSaveToStream(const TRegOptions& Options, TStream* Stream)
{
    std::vector<uint8_t> Bytes;
    RegOptionsWriteRecord(Options, Bytes);
    Stream->WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
}

size_t ReadUpTo(TStream* Stream, uint8_t* Buffer, size_t Count)
{
    size_t Got = 0;
    while (Got < Count) {
        int32_t N = Stream->Read(Buffer + Got, static_cast<int32_t>(Count - Got));
        if (N <= 0)
            break;
        Got += static_cast<size_t>(N);
    }
    return Got;
}

void RegOptionsLoadFromStream(TRegOptions& Options, TStream* Stream)
{
    std::vector<uint8_t> Bytes(kOptionsRecordSize, 0);
    size_t Valid = ReadUpTo(Stream, Bytes.data(), Bytes.size());
    RegOptionsReadRecord(Options, Bytes.data(), Valid);
}
