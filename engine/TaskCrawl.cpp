// The crawl worker's work on its one address: a page above the depth limit is fetched, scanned
// and its new links queued; a picture that passes the masks, the excluded names and the size
// window is downloaded under a name reserved in its folder and renamed when complete. Nothing
// here raises to the user: a failed download is listed, any other failure ends the worker.

#include <windows.h>

#include <mutex>

#include "engine/CrawlProfile.h"
#include "engine/EngineRoutines.h"
#include "engine/HTMLScan.h"
#include "engine/RegSettings.h"
#include "engine/Task.h"
#include "engine/TaskRules.h"
#include "engine/TaskThread.h"
#include "platform/net/HttpClient.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Files.h"

namespace {

std::mutex gHookLock;
TStartAddImageHook gStartAddImage;

// The extension of a document with its dot ("" when none).
std::string DocumentExt(const std::string& Document)
{
    const size_t Dot = Document.rfind('.');
    return Dot == std::string::npos ? std::string() : Document.substr(Dot);
}

// The extension used for the mask test: without the dot, "html" when the document has none.
std::string MaskExt(const std::string& Document)
{
    std::string E = DocumentExt(Document);
    return E.empty() ? std::string("html") : E.substr(1);
}

// The folder a mask names below the download folder.
std::string MaskFolder(TRegOptions* O, int32_t Mask)
{
    std::string Ext, Folder;
    SplitMaskEntry(O->GetFileMasks()->GetStrings(Mask), Ext, Folder);
    std::string Base = AddTrailingBackslash(O->GetDefaultFolder());
    while (!Folder.empty() && (Folder.back() == '\\' || Folder.back() == '/'))
        Folder.pop_back();
    return Folder.empty() ? Base.substr(0, Base.size() - 1) : Base + Folder;
}

// Publishes the worker's client for StopRequested while it lives.
class TClientRegistration {
public:
    TClientRegistration(std::mutex& Lock, THttpClient*& Slot, THttpClient* Client) : FLock(Lock), FSlot(Slot)
    {
        std::lock_guard<std::mutex> G(FLock);
        FSlot = Client;
    }
    ~TClientRegistration()
    {
        std::lock_guard<std::mutex> G(FLock);
        FSlot = nullptr;
    }
    TClientRegistration(const TClientRegistration&) = delete;
    TClientRegistration& operator=(const TClientRegistration&) = delete;

private:
    std::mutex& FLock;
    THttpClient*& FSlot;
};

// Hands what is written to the worker's file, which is made while the request travels.
class TFileForward : public TStream {
public:
    explicit TFileForward(std::unique_ptr<TFileStream>& Target) : FTarget(Target) {}
    std::string ClassName() const override { return "TFileForward"; }
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void* Buffer, int32_t Count) override
    {
        if (!FTarget)
            throw EWriteError("No file to write the body to");
        TCrawlTimer Timer(TCrawlStep::PictureWrite);
        return FTarget->Write(Buffer, Count);
    }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override { return FTarget ? FTarget->Seek(Offset, Origin) : 0; }

private:
    std::unique_ptr<TFileStream>& FTarget;
};

// A page's text as lines, each ended by CR LF.
std::string AsTextLines(const std::string& Text)
{
    std::string Out;
    Out.reserve(Text.size() + Text.size() / 32 + 2);
    size_t I = 0;
    while (I < Text.size()) {
        size_t E = Text.find_first_of("\r\n", I);
        if (E == std::string::npos) {
            Out.append(Text, I, std::string::npos);
            Out += "\r\n";
            break;
        }
        Out.append(Text, I, E - I);
        Out += "\r\n";
        I = E + (Text[E] == '\r' && E + 1 < Text.size() && Text[E + 1] == '\n' ? 2 : 1);
    }
    return Out;
}

} // namespace

void SetStartAddImageHook(TStartAddImageHook Hook)
{
    std::lock_guard<std::mutex> G(gHookLock);
    gStartAddImage = std::move(Hook);
}

void TTaskThread::StartAddImage(const std::string& FileName)
{
    TStartAddImageHook Hook;
    {
        std::lock_guard<std::mutex> G(gHookLock);
        Hook = gStartAddImage;
    }
    if (Hook)
        Hook(FTask, FileName);
}

void TTaskThread::HTTPWork(TObject* Sender, int32_t, int64_t WorkCount)
{
    auto* Client = dynamic_cast<THttpClient*>(Sender);
    const int64_t Length = Client ? Client->GetResponse()->GetContentLength() : -1;
    TransferProgressTexts(Length, WorkCount, SizeText, PercentText);
    if (Cancelled()) {
        if (Client)
            Client->Abort();
        return;
    }
    // The row already shows these texts (the client reports the last block and then the end
    // with the same count): a round trip to the user-interface thread would change nothing.
    // Only a selected task's rows are on screen: for any other the call would do nothing.
    if (!FTask->GetSelected()) {
        FProgressShown = false;
        return;
    }
    if (FProgressShown && SizeText == FShownSizeText && PercentText == FShownPercentText)
        return;
    // A body that came whole with its first block needs no progress: its row goes when the
    // worker ends, a moment later, and every report is a round trip to the user-interface thread.
    if (!FProgressShown && Length > 0 && WorkCount >= Length)
        return;
    if (SyncProgress()) {
        FProgressShown = true;
        FShownSizeText = SizeText;
        FShownPercentText = PercentText;
    }
}

void TTaskThread::Crawl()
{
    TRegOptions* O = FTask->GetOptions();
    TCrawlTimer SetUp(TCrawlStep::ClientSetUp);
    // The worker's client serves its addresses one after the other, so that the connection of
    // one serves the next as the client's own (Idle then needs no trip to the system); each
    // address sets it afresh.
    if (!FClient)
        FClient = std::make_unique<THttpClient>();
    THttpClient& HTTP = *FClient;
    TClientRegistration Registered(FHTTPLock, FHTTP, &HTTP);
    // A stop that came before the client was published must still be seen.
    if (Cancelled())
        return;
    const int64_t TimeOut = static_cast<int64_t>(O->GetTimeOut()) * 1000;
    HTTP.SetReadTimeout(TimeOut > 0 && TimeOut <= INT32_MAX ? static_cast<int32_t>(TimeOut) : 0);
    HTTP.SetAllowCookies(true);
    HTTP.SetMaxBodySize(0);
    HTTP.OnRequestSent = nullptr;
    const bool Proxy = O->GetUseProxyServer();
    HTTP.GetProxyParams()->SetProxyServer(Proxy ? O->GetProxyServerAddr() : std::string());
    HTTP.GetProxyParams()->SetProxyPort(Proxy ? O->GetProxyServerPort() : 0);
    const bool Login = O->GetUseLogin();
    HTTP.GetRequest()->SetUsername(Login ? O->GetLoginUser() : std::string());
    HTTP.GetRequest()->SetPassword(Login ? O->GetLoginPassword() : std::string());
    HTTP.OnWork = [this](TObject* Sender, TWorkMode Mode, int64_t Count) { HTTPWork(Sender, Mode, Count); };
    SetUp.Stop();

    if (IsHTMLPage(DocumentExt(FURI.GetDocument())) && FItem->GetDepth() < O->GetSeekDeep()) {
        if (!PageBranch(HTTP))
            return;
    }
    if (Cancelled())
        return;
    FileBranch(HTTP);
}

bool TTaskThread::GetPage(THttpClient& HTTP, std::string& Text)
{
    TCrawlTimer Timer(TCrawlStep::PageGet);
    CrawlProfile::CountPage();
    try {
        Text = HTTP.Get(FURI.GetURI());
        return true;
    } catch (const Exception&) {
        if (Cancelled())
            return false;
    }
    // "http://h/dir" may only exist as "http://h/dir/"; the worker keeps the changed address.
    FURI.SetURI(FURI.GetURI() + "/");
    try {
        Text = HTTP.Get(FURI.GetURI());
        return true;
    } catch (const Exception&) {
        return false;
    }
}

bool TTaskThread::PageBranch(THttpClient& HTTP)
{
    TRegOptions* O = FTask->GetOptions();
    Log("Attach \"" + FURI.GetURI() + "\"");
    if (Cancelled())
        return false;
    std::string Text;
    if (!GetPage(HTTP, Text))
        return false;
    if (UpperCase(Text).find("HTTP-EQUIV=REFRESH") != std::string::npos) {
        if (Cancelled() || !GetPage(HTTP, Text))
            return false;
    }
    if (Cancelled())
        return false;

    // Written before the list's mutex is taken: every other worker of the task needs it for its
    // own page.
    if (O->FindMask(MaskExt(FURI.GetDocument())) >= 0) {
        TCrawlTimer Timer(TCrawlStep::PageSave);
        SavePage(Text);
    }
    if (Cancelled())
        return false;

    TTaskItemList* Items = FTask->GetItems();
    std::vector<TTaskItem*> NewRows;
    {
        THTMLScan Scan;
        TCrawlTimer Wait(TCrawlStep::MutexWait);
        TListMutexHold Hold(Items);
        Wait.Stop();
        TCrawlTimer Scanning(TCrawlStep::PageScan);
        std::string Base = FURI.GetProtocol() + "://" + FURI.GetHost();
        if (!FURI.GetPort().empty())
            Base += ":" + FURI.GetPort();
        Base += FURI.GetPath();
        Scan.SetMainURL(Base);
        Scan.SetText(Text);

        TURLPathItems* Links = Scan.GetURLs();
        Log("Links found : " + IntToStr(static_cast<int64_t>(Links->GetCount())));
        const std::string StartHost = FTask->GetStartURI()->GetHost();
        for (int32_t I = 0; I < Links->GetCount(); ++I) {
            if (Cancelled())
                return false;
            const std::string Address = TUri(Links->GetItem(I)->GetURL()).GetURI();
            if (Items->ContainsURL(Address))
                continue;
            const std::string Host = HostOfURL(Links->GetItem(I)->GetURL());
            if (HostInList(Host, O->GetExcludeWebsites()))
                continue;
            if (!LinkHostPasses(StartHost, Host))
                continue;
            // The scanner drops a trailing "/", so a folder link is known by the text it came from.
            const std::string Source = Trim(Links->GetItem(I)->GetSourceText());
            if (Trim(Address).empty() || Trim(TUri(Address).GetDocument()).empty() ||
                (!Source.empty() && Source.back() == '/'))
                continue;
            auto New = std::make_unique<TTaskItem>(FTask, Address);
            New->SetDepth(FItem->GetDepth() + 1);
            NewItemIndex = Items->AddSorted(New.get());
            if (Items->GetItem(NewItemIndex) != New.get())
                continue; // already listed: the new item goes
            NewItem = New.release();
            if (FTask->GetSelected())
                NewRows.push_back(NewItem);
        }
    }
    // Handed over once the mutex is free, without waiting for the user-interface thread.
    if (!NewRows.empty())
        AddURLRows(std::move(NewRows));
    return true;
}

void TTaskThread::SavePage(const std::string& Text)
{
    TRegOptions* O = FTask->GetOptions();
    const int32_t Mask = O->FindMask(MaskExt(FURI.GetDocument()));
    if (Mask < 0)
        return;
    const std::string Folder = MaskFolder(O, Mask);
    std::string Name = FURI.GetDocument();
    if (Name.empty())
        Name = "index.html";
    if (DocumentExt(Name).empty())
        Name += ".html";
    Name = SafePathPart(Name);
    const std::string Path = Folder + "\\" + Name;
    if (Name.empty() || Path.size() >= MAX_PATH || !PathLiesUnder(Path, Folder))
        return;
    ForceDirectories(Folder);
    try {
        TReservedFile R = ReserveUniqueFile(Path, "");
        FItem->SetTempFileName(R.FileName);
        const std::string Lines = AsTextLines(Text);
        FileStream = std::move(R.Stream);
        size_t Done = 0;
        while (Done < Lines.size() && !Cancelled()) {
            const int32_t Part = static_cast<int32_t>(std::min<size_t>(Lines.size() - Done, 1 << 20));
            FileStream->WriteBuffer(Lines.data() + Done, Part);
            Done += Part;
        }
        FileStream.reset();
        // A stopped page leaves no partial page file: Stop deletes it.
        if (!Cancelled())
            FItem->SetTempFileName(std::string());
    } catch (const Exception&) {
        FileStream.reset();
        // A page that cannot be written is not saved; its links are still used.
    }
}

void TTaskThread::AddFailed()
{
    TTaskItemList* Failed = FTask->GetFailedList();
    TTaskItem* Listed = nullptr;
    {
        TCrawlTimer Wait(TCrawlStep::MutexWait);
        TListMutexHold Hold(Failed);
        Wait.Stop();
        auto New = std::make_unique<TTaskItem>(FTask, FURI.GetURI());
        const int32_t Index = Failed->AddSorted(New.get());
        Listed = Failed->GetItem(Index);
        if (Listed == New.get())
            New.release();
    }
    // The row waits for the user-interface thread, so it is shown after the mutex is released.
    // A second failure of a listed address shows the listed entry again.
    NewItem = Listed;
    if (FTask->GetSelected())
        SyncAddFailedRow();
    NewItem = nullptr;
}

void TTaskThread::FileBranch(THttpClient& HTTP)
{
    TRegOptions* O = FTask->GetOptions();
    const std::string Document = FURI.GetDocument();
    const std::string Ext = MaskExt(Document);
    const int32_t Mask = O->FindMask(Ext);
    if (Mask < 0 || IsHTMLPage(Ext))
        return;
    TStringList* Excluded = O->GetExcludeFiles();
    for (int32_t I = 0; I < Excluded->GetCount(); ++I)
        if (SameText(Trim(Excluded->GetStrings(I)), Trim(Document)))
            return;

    const bool Limit = O->GetEnableFileLimit();
    const int64_t MinSize = static_cast<int64_t>(O->GetFileMinSize()) * 1024;
    const int64_t MaxSize = static_cast<int64_t>(O->GetFileMaxSize()) * 1024;
    if (Limit) {
        if (Cancelled())
            return;
        try {
            HTTP.Head(FURI.GetURI());
        } catch (const Exception&) {
            return;
        }
        const int64_t L = HTTP.GetResponse()->GetContentLength();
        if (L < 0 || !(MinSize < L && L < MaxSize))
            return;
    }
    if (Cancelled())
        return;

    // Every part that comes from the web is made safe, and the result must stay in the folder.
    const std::string Root = MaskFolder(O, Mask);
    std::string Folder = Root;
    if (O->GetSaveAsWebStructure()) {
        Folder += "\\" + SafePathPart(LowerCase(FURI.GetHost()));
        const std::string& Path = FURI.GetPath();
        size_t I = 0;
        while (I < Path.size()) {
            size_t E = Path.find('/', I);
            if (E == std::string::npos)
                E = Path.size();
            if (E > I)
                Folder += "\\" + SafePathPart(Path.substr(I, E - I));
            I = E + 1;
        }
    }
    const std::string Name = SafePathPart(Document);
    const std::string Wanted = AddTrailingBackslash(Folder) + Name;
    // Room for "[N]" and the partial suffix within the system's path limit.
    if (Name.empty() || Wanted.size() + 8 >= MAX_PATH || !PathLiesUnder(Wanted, Root))
        return;
    if (!ForceDirectories(Folder))
        return;

    // The name is reserved and the partial file made (once) while the request travels: the
    // answer takes at least a trip to the server, and its body is read only once the file is
    // there. The reservation is held until the file has its final name.
    TReservedFile R;
    std::string Temp;
    bool NotMade = false;
    auto MakeFile = [&] {
        if (!Temp.empty() || NotMade)
            return !NotMade;
        TCrawlTimer Timer(TCrawlStep::Reserve);
        try {
            R = ReserveUniqueFile(Wanted, PartialSuffix);
        } catch (const Exception&) {
            NotMade = true;
            return false;
        }
        Temp = R.FileName + PartialSuffix;
        FItem->SetTempFileName(Temp);
        FileStream = std::move(R.Stream);
        // Wine hands a new file's descriptor to the process on the file's first use, one trip
        // to its server: asked for now, while the request travels, it does not hold up the
        // body's first write once the answer is there.
        try {
            FileStream->GetSize();
        } catch (const Exception&) {
            // The first write asks for it instead.
        }
        Log("Saving file \"" + ExtractFileName(Temp) + "\"");
        return true;
    };

    if (Cancelled())
        return;
    bool Failed = false;
    HTTP.SetMaxBodySize(Limit ? MaxSize : 0);
    TCrawlTimer Sending(TCrawlStep::PictureSend);
    HTTP.OnRequestSent = [&] {
        Sending.Stop();
        if (!MakeFile())
            throw EFCreateError("Cannot create the file for " + FURI.GetURI(), Wanted, 0);
    };
    TFileForward Body(FileStream);
    try {
        TCrawlTimer Timer(TCrawlStep::PictureGet);
        HTTP.Get(FURI.GetURI(), &Body);
    } catch (const Exception&) {
        Failed = true;
    }
    HTTP.OnRequestSent = nullptr;
    // A file that cannot be created is skipped.
    if (NotMade)
        return;
    // A stopped download runs no further step: Stop deletes the partial file once we are gone.
    if (Cancelled())
        return;

    if (Failed) {
        // A request that never went out (no connection) made no file: it is made and logged as
        // for any download, so that a failure reads the same whenever it came.
        if (!MakeFile())
            return;
        FileStream.reset();
        DeleteFile(Temp);
        FItem->SetTempFileName(std::string());
        AddFailed();
        return;
    }

    TCrawlTimer Closing(TCrawlStep::Close);
    int64_t Size = 0;
    try {
        Size = FileStream->GetSize();
    } catch (const Exception&) {
        // The size only labels the images row; the file itself is complete.
    }
    Closing.Stop();
    // The complete file takes its final name, through its open handle where it can, and is
    // closed. A stop meanwhile finds no partial file to delete, or deletes none that is left.
    TCrawlTimer Renaming(TCrawlStep::Rename);
    const std::string Final = R.FileName;
    const std::string Saved = FinishReservedFile(Final, PartialSuffix, FileStream);
    FItem->SetTempFileName(std::string());
    Renaming.Stop();
    if (Saved.empty()) {
        Log("Rename file \"" + ExtractFileName(Temp) + "\" failed");
        return;
    }
    FileSaved(Saved, Size, "File \"" + ExtractFileName(Saved) + "\" saved");
    {
        TCrawlTimer Timer(TCrawlStep::AddImage);
        StartAddImage(Saved);
    }
    CrawlProfile::CountPicture();
    FTask->IncSavedCount();
}
