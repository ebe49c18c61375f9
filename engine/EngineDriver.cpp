#include "engine/EngineDriver.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/CrawlProfile.h"
#include "engine/EngineText.h"
#include "engine/ProjectFile.h"
#include "engine/RegSettings.h"
#include "engine/Task.h"
#include "engine/TaskStandIn.h"
#include "engine/TaskViewControls.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Application.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"
#include "platform/win/Guid.h"
#include "platform/win/ImageList.h"
#include "platform/win/ListView.h"
#include "platform/win/RichEdit.h"
#include "platform/win/Thread.h"

namespace {

class EUsage : public Exception {
public:
    using Exception::Exception;
    std::string ClassName() const override { return "EUsage"; }
};

// Options given more than once keep every value, in order.
struct TArgs {
    std::string Command;
    std::map<std::string, std::vector<std::string>> Values;

    bool Has(const std::string& Name) const { return Values.count(Name) != 0; }
    const std::vector<std::string>& All(const std::string& Name) const
    {
        static const std::vector<std::string> None;
        auto It = Values.find(Name);
        return It == Values.end() ? None : It->second;
    }
    std::string One(const std::string& Name, const std::string& Default = std::string()) const
    {
        auto It = Values.find(Name);
        return It == Values.end() ? Default : It->second.back();
    }
    int32_t Int(const std::string& Name, int32_t Default) const
    {
        if (!Has(Name))
            return Default;
        int32_t V = 0;
        if (!TryStrToInt(One(Name), V))
            throw EUsage("--" + Name + " needs a number, not \"" + One(Name) + "\"");
        return V;
    }
    bool OnOff(const std::string& Name, bool Default) const
    {
        if (!Has(Name))
            return Default;
        const std::string V = LowerCase(One(Name));
        if (V == "on" || V == "1" || V == "true")
            return true;
        if (V == "off" || V == "0" || V == "false")
            return false;
        throw EUsage("--" + Name + " takes on or off");
    }
};

const char* const kFlags[] = {"restart", "stand-in", "profile", "summary", "heaps"};

TArgs ParseArgs(int argc, char** argv)
{
    TArgs A;
    if (argc < 2)
        throw EUsage("usage: engine_driver make|show|crawl --project FILE ...");
    A.Command = argv[1];
    for (int I = 2; I < argc; ++I) {
        std::string Name = argv[I];
        if (Name.rfind("--", 0) != 0)
            throw EUsage("unexpected argument \"" + Name + "\"");
        Name.erase(0, 2);
        bool Flag = false;
        for (const char* F : kFlags)
            Flag = Flag || Name == F;
        if (Flag) {
            A.Values[Name].push_back("1");
            continue;
        }
        if (I + 1 >= argc)
            throw EUsage("--" + Name + " needs a value");
        A.Values[Name].push_back(argv[++I]);
    }
    return A;
}

// JSON text: bytes outside ASCII are written as the Latin-1 characters of the same value, so
// any byte string survives the round trip.
std::string J(const std::string& S)
{
    std::string O = "\"";
    for (unsigned char C : S) {
        if (C == '"' || C == '\\') {
            O += '\\';
            O += static_cast<char>(C);
        } else if (C < 0x20 || C >= 0x7F) {
            char B[8];
            std::snprintf(B, sizeof(B), "\\u%04x", C);
            O += B;
        } else {
            O += static_cast<char>(C);
        }
    }
    return O + "\"";
}

std::string J(int64_t V) { return IntToStr(V); }
std::string JB(bool V) { return V ? "true" : "false"; }

std::string JList(TStrings* L)
{
    std::string O = "[";
    for (int32_t I = 0; I < L->GetCount(); ++I)
        O += (I ? "," : "") + J(L->GetStrings(I));
    return O + "]";
}

// A list view binding that also remembers every progress update, for the tests that watch one.
class TDriverListView : public TListViewTaskView {
public:
    struct TUpdate {
        std::string Address;
        int32_t SubIndex;
        std::string Text;
    };
    explicit TDriverListView(TListView* View) : TListViewTaskView(View) {}
    void SetSubItem(int32_t Index, int32_t SubIndex, const std::string& Text) override
    {
        TListView* V = GetListView();
        if (V && Index >= 0 && Index < V->GetItems()->GetCount() && FUpdates.size() < 5000) {
            auto* Item = static_cast<const TTaskItem*>(V->GetItems()->GetItem(Index)->GetData());
            FUpdates.push_back({Item ? Item->GetAddress() : std::string(), SubIndex, Text});
        }
        TListViewTaskView::SetSubItem(Index, SubIndex, Text);
    }
    const std::vector<TUpdate>& Updates() const { return FUpdates; }

private:
    std::vector<TUpdate> FUpdates;
};

// The driver's window: a hidden top-level form whose thread is the user-interface thread,
// holding the real controls the tasks write to, each reached through its binding.
struct TDriverWindow {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TImageList* FileImages = nullptr;  // the files view's two images: idle and running
    TImageList* SmallImages = nullptr; // the images view's shell icons
    TListView* Files = nullptr;
    TListView* Failed = nullptr;
    TListView* Images = nullptr;
    TRichEdit* Log = nullptr;
    std::unique_ptr<TDriverListView> FilesListView, FailedUrlListView, ImagesListView;
    std::unique_ptr<TRichEditLogView> LogEdit;

    TDriverWindow()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 800, 600);
        FileImages = new TImageList(Form.get());
        for (TColor C : {clSilver, clLime}) {
            TBitmap B;
            B.SetSize(16, 16);
            B.GetCanvas()->GetBrush()->SetColor(C);
            B.GetCanvas()->FillRect(Rect(0, 0, 16, 16));
            FileImages->Add(&B, nullptr);
        }
        SmallImages = new TImageList(Form.get());
        Files = MakeList({"!", "From URL", "Type", "Size(b)", "Depth", "Completed"}, FileImages);
        Failed = MakeList({"Failed URL"}, nullptr);
        Images = MakeList({"Name", "Ext", "Size", "Folder"}, SmallImages);
        Images->SetOwnerData(true); // as the main window's
        Log = new TRichEdit(Form.get());
        Log->SetParent(Form.get());
        Log->SetReadOnly(true);
        Log->SetPlainText(true);
        Form->HandleNeeded();
        for (TWinControl* C : {static_cast<TWinControl*>(Files), static_cast<TWinControl*>(Failed),
                               static_cast<TWinControl*>(Images), static_cast<TWinControl*>(Log)})
            C->HandleNeeded();
        FilesListView = std::make_unique<TDriverListView>(Files);
        FailedUrlListView = std::make_unique<TDriverListView>(Failed);
        ImagesListView = std::make_unique<TDriverListView>(Images);
        LogEdit = std::make_unique<TRichEditLogView>(Log);
    }
    TListView* MakeList(std::initializer_list<const char*> Columns, TImageList* SmallImageList)
    {
        auto* V = new TListView(Form.get());
        V->SetParent(Form.get());
        V->SetReadOnly(true);
        V->SetRowSelect(true);
        for (const char* Caption : Columns)
            V->GetColumns()->Add()->SetCaption(Caption);
        V->SetSmallImages(SmallImageList);
        return V;
    }
    // The edit's paragraphs, read from its text in one go.
    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> L;
        const std::string Text = Log->GetText();
        size_t From = 0;
        while (From < Text.size()) {
            size_t End = Text.find_first_of("\r\n", From);
            if (End == std::string::npos)
                End = Text.size();
            L.push_back(Text.substr(From, End - From));
            From = End;
            if (From < Text.size() && Text[From] == '\r')
                ++From;
            if (From < Text.size() && Text[From] == '\n')
                ++From;
        }
        return L;
    }
};

// The address space the process could still take, in bytes: reserved in pieces as large as will
// go, then given back. (Wine shows most of the free space as reserved regions of its own, which
// the process's allocations still use, so the regions themselves tell nothing.)
int64_t ReservableAddressSpace()
{
    std::vector<void*> Taken;
    int64_t Total = 0;
    for (SIZE_T Size = SIZE_T(256) << 20; Size >= SIZE_T(1) << 20;) {
        void* P = VirtualAlloc(nullptr, Size, MEM_RESERVE, PAGE_NOACCESS);
        if (!P) {
            Size /= 2;
            continue;
        }
        Taken.push_back(P);
        Total += static_cast<int64_t>(Size);
    }
    for (void* P : Taken)
        VirtualFree(P, 0, MEM_RELEASE);
    return Total;
}

// The heaps' blocks at the end of a crawl: for each heap the bytes and blocks in use, the free
// bytes it keeps committed, and the block sizes that hold the most bytes (what stays per address).
std::string HeapsJson()
{
    std::vector<HANDLE> Heaps(64);
    DWORD N = GetProcessHeaps(static_cast<DWORD>(Heaps.size()), Heaps.data());
    if (N > Heaps.size()) {
        Heaps.resize(N);
        N = GetProcessHeaps(N, Heaps.data());
    }
    std::string O = "[";
    for (DWORD I = 0; I < N && I < Heaps.size(); ++I) {
        if (!HeapLock(Heaps[I]))
            continue;
        int64_t Busy = 0, BusyBlocks = 0, Free = 0, Overhead = 0;
        std::map<uint32_t, std::pair<int64_t, int64_t>> Sizes; // size: blocks, bytes
        PROCESS_HEAP_ENTRY Entry{};
        while (HeapWalk(Heaps[I], &Entry)) {
            if (Entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                Busy += Entry.cbData;
                Overhead += Entry.cbOverhead;
                ++BusyBlocks;
                auto& S = Sizes[static_cast<uint32_t>(Entry.cbData)];
                ++S.first;
                S.second += Entry.cbData + Entry.cbOverhead;
            } else if (!(Entry.wFlags & (PROCESS_HEAP_REGION | PROCESS_HEAP_UNCOMMITTED_RANGE))) {
                Free += Entry.cbData;
            }
        }
        HeapUnlock(Heaps[I]);
        std::vector<std::pair<uint32_t, std::pair<int64_t, int64_t>>> Top(Sizes.begin(), Sizes.end());
        std::sort(Top.begin(), Top.end(), [](const auto& A, const auto& B) { return A.second.second > B.second.second; });
        std::string T = "[";
        for (size_t K = 0; K < Top.size() && K < 24; ++K)
            T += (K ? "," : "") + std::string("[") + J(static_cast<int64_t>(Top[K].first)) + "," +
                 J(Top[K].second.first) + "," + J(Top[K].second.second) + "]";
        O += (O.size() > 1 ? "," : "") + std::string("{\"heap\":") + J(static_cast<int64_t>(I)) +
             ",\"busy\":" + J(Busy) + ",\"blocks\":" + J(BusyBlocks) + ",\"overhead\":" + J(Overhead) +
             ",\"free\":" + J(Free) + ",\"sizes\":" + T + "]}";
    }
    return O + "]";
}

// What the crawl cost in memory: the system's peaks, the address space left and the handles left
// at its end.
std::string MemoryJson(bool Heaps)
{
    PROCESS_MEMORY_COUNTERS C{};
    C.cb = sizeof(C);
    K32GetProcessMemoryInfo(GetCurrentProcess(), &C, sizeof(C));
    DWORD Handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &Handles);
    return std::string("{\"peak_working_set\":") + J(static_cast<int64_t>(C.PeakWorkingSetSize)) +
           ",\"peak_private\":" + J(static_cast<int64_t>(C.PeakPagefileUsage)) +
           ",\"end_private\":" + J(static_cast<int64_t>(C.PagefileUsage)) +
           ",\"reservable_at_end\":" + J(ReservableAddressSpace()) +
           ",\"handles\":" + J(static_cast<int64_t>(Handles)) +
           (Heaps ? ",\"heaps\":" + HeapsJson() : std::string()) + "}";
}

struct TTaskRun {
    std::unique_ptr<TTask> Task;
    int32_t FinishCalls = 0;
    int64_t StartMs = -1;
    int64_t FinishMs = -1;
    int32_t StartOrder = -1;
    int32_t MaxWorkers = 0;
};

// The rows as the control holds them.
std::string RowsJson(TListView* V, bool DataIsItem)
{
    std::string O = "[";
    for (int32_t Row = 0; Row < V->GetItems()->GetCount(); ++Row) {
        TListItem* R = V->GetItems()->GetItem(Row);
        std::string Subs = "[";
        for (int32_t I = 0; I < R->GetSubItems()->GetCount(); ++I)
            Subs += (I ? "," : "") + J(R->GetSubItems()->GetStrings(I));
        Subs += "]";
        std::string Data = TListViewTaskView::RowDataText(R);
        if (DataIsItem && R->GetData())
            Data = static_cast<const TTaskItem*>(R->GetData())->GetAddress();
        O += (Row ? "," : "") + std::string("{\"caption\":") + J(R->GetCaption()) + ",\"sub_items\":" + Subs +
             ",\"image\":" + J(static_cast<int64_t>(R->GetImageIndex())) + ",\"data\":" + J(Data) + "}";
    }
    return O + "]";
}

std::string OptionsJson(TRegOptions* O)
{
    return std::string("{") + "\"folder\":" + J(O->GetDefaultFolder()) + ",\"depth\":" + J(O->GetSeekDeep()) +
           ",\"masks\":" + JList(O->GetFileMasks()) + ",\"exclude_files\":" + JList(O->GetExcludeFiles()) +
           ",\"exclude_sites\":" + JList(O->GetExcludeWebsites()) + ",\"limit\":" + JB(O->GetEnableFileLimit()) +
           ",\"min\":" + J(O->GetFileMinSize()) + ",\"max\":" + J(O->GetFileMaxSize()) +
           ",\"web_structure\":" + JB(O->GetSaveAsWebStructure()) + ",\"use_proxy\":" + JB(O->GetUseProxyServer()) +
           ",\"proxy_host\":" + J(O->GetProxyServerAddr()) + ",\"proxy_port\":" + J(O->GetProxyServerPort()) +
           ",\"use_login\":" + JB(O->GetUseLogin()) + ",\"login_user\":" + J(O->GetLoginUser()) +
           ",\"login_password\":" + J(O->GetLoginPassword()) + ",\"timeout\":" + J(O->GetTimeOut()) + "}";
}

std::string TaskJson(const TTaskRun& R)
{
    TTask* T = R.Task.get();
    std::string Items = "[";
    bool First = true;
    for (TTaskItem* I : T->GetItems()->Snapshot()) {
        Items += (First ? "" : ",") + std::string("{\"address\":") + J(I->GetAddress()) +
                 ",\"depth\":" + J(I->GetDepth()) + ",\"done\":" + JB(I->GetDone()) + "}";
        First = false;
    }
    Items += "]";
    std::string Failed = "[";
    First = true;
    for (TTaskItem* I : T->GetFailedList()->Snapshot()) {
        Failed += (First ? "" : ",") + J(I->GetAddress());
        First = false;
    }
    Failed += "]";
    return std::string("{") + "\"file\":" + J(T->GetFileName()) + ",\"name\":" + J(T->GetName()) +
           ",\"note\":" + J(T->GetNote()) + ",\"url\":" + J(T->GetStartURI()->GetURI()) + ",\"id\":" + J(T->GetID()) +
           ",\"state\":" + J(T->GetState()) + ",\"queue_ticket\":" + J(T->GetQueueTicket()) +
           ",\"done\":" + J(T->GetDoneCount()) + ",\"saved\":" + J(T->GetSavedCount()) +
           ",\"running\":" + J(T->GetRunningCount()) + ",\"finish_calls\":" + J(R.FinishCalls) +
           ",\"start_ms\":" + J(R.StartMs) + ",\"finish_ms\":" + J(R.FinishMs) + ",\"start_order\":" +
           J(R.StartOrder) + ",\"max_workers\":" + J(R.MaxWorkers) + ",\"options\":" + OptionsJson(T->GetOptions()) +
           ",\"items\":" + Items + ",\"failed\":" + Failed + "}";
}

// A task's counters without its addresses.
std::string TaskSummaryJson(const TTaskRun& R)
{
    TTask* T = R.Task.get();
    int32_t Done = 0, Items = 0;
    for (TTaskItem* I : T->GetItems()->Snapshot()) {
        ++Items;
        Done += I->GetDone() ? 1 : 0;
    }
    return std::string("{") + "\"file\":" + J(T->GetFileName()) + ",\"state\":" + J(T->GetState()) +
           ",\"done\":" + J(T->GetDoneCount()) + ",\"saved\":" + J(T->GetSavedCount()) + ",\"items\":" +
           J(Items) + ",\"items_done\":" + J(Done) + ",\"failed\":" + J(T->GetFailedList()->GetCount()) +
           ",\"running\":" + J(T->GetRunningCount()) + ",\"workers\":" + J(T->GetWorkerCount()) +
           ",\"finish_calls\":" + J(R.FinishCalls) + ",\"max_workers\":" + J(R.MaxWorkers) + "}";
}

void Output(const TArgs& A, const std::string& Json)
{
    if (A.Has("json")) {
        FILE* F = std::fopen(A.One("json").c_str(), "wb");
        if (!F)
            throw Exception("Cannot write " + A.One("json"));
        std::fwrite(Json.data(), 1, Json.size(), F);
        std::fclose(F);
    } else {
        std::fwrite(Json.data(), 1, Json.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
}

void SplitPair(const std::string& Text, const std::string& What, std::string& First, std::string& Second)
{
    size_t P = Text.rfind(':');
    if (What == "login")
        P = Text.find(':');
    if (P == std::string::npos)
        throw EUsage("--" + What + " takes A:B");
    First = Text.substr(0, P);
    Second = Text.substr(P + 1);
}

int Make(const TArgs& A)
{
    if (!A.Has("project") || !A.Has("name") || !A.Has("url"))
        throw EUsage("make needs --project, --name and --url");
    TTask T;
    T.SetID(NewGuidText());
    T.SetName(A.One("name"));
    T.SetNote(A.One("note"));
    T.SetStartURL(A.One("url"));
    TRegOptions* O = T.GetOptions();
    if (A.Has("folder"))
        O->SetDefaultFolder(AddTrailingBackslash(A.One("folder")));
    O->SetSeekDeep(A.Int("depth", O->GetSeekDeep()));
    for (const std::string& M : A.All("mask"))
        O->GetFileMasks()->Add(M);
    for (const std::string& X : A.All("exclude-file"))
        O->GetExcludeFiles()->Add(X);
    for (const std::string& H : A.All("exclude-site"))
        O->GetExcludeWebsites()->Add(H);
    O->SetEnableFileLimit(A.OnOff("limit", O->GetEnableFileLimit()));
    O->SetFileMinSize(A.Int("min", O->GetFileMinSize()));
    O->SetFileMaxSize(A.Int("max", O->GetFileMaxSize()));
    O->SetSaveAsWebStructure(A.OnOff("web-structure", O->GetSaveAsWebStructure()));
    if (A.Has("proxy")) {
        std::string Host, Port;
        SplitPair(A.One("proxy"), "proxy", Host, Port);
        O->SetUseProxyServer(true);
        O->SetProxyServerAddr(Host);
        O->SetProxyServerPort(StrToIntDef(Port, 80));
    }
    if (A.Has("login")) {
        std::string User, Pass;
        SplitPair(A.One("login"), "login", User, Pass);
        O->SetUseLogin(true);
        O->SetLoginUser(User);
        O->SetLoginPassword(Pass);
    }
    O->SetTimeOut(A.Int("timeout", O->GetTimeOut()));
    // A stored state is written as given; loading never takes a queue ticket.
    const int32_t State = A.Int("state", tsStopped);
    if (State < 0 || State > 255)
        throw EUsage("--state takes 0..255");
    T.SetSavedCount(A.Int("saved", 0));
    int32_t Done = 0;
    for (const std::string& L : A.All("line")) {
        bool IsDone = false;
        int32_t Depth = -1;
        std::string Address;
        if (!ParseItemLine(L, IsDone, Depth, Address))
            throw EUsage("--line \"" + L + "\" has no address");
        auto Item = std::make_unique<TTaskItem>(&T, Address);
        Item->SetDepth(Depth);
        Item->SetDone(IsDone);
        T.GetItems()->Add(Item.release());
        Done += IsDone ? 1 : 0;
    }
    T.SetDoneCount(Done);
    T.SetState(static_cast<TaskState>(State));
    T.SaveToFile(A.One("project"));
    TTaskRun R;
    R.Task.reset(new TTask);
    R.Task->LoadFromFile(A.One("project"));
    Output(A, "{\"tasks\":[" + TaskJson(R) + "]}");
    return 0;
}

int Show(const TArgs& A)
{
    if (!A.Has("project"))
        throw EUsage("show needs --project");
    std::string Tasks;
    for (const std::string& F : A.All("project")) {
        TTaskRun R;
        R.Task = std::make_unique<TTask>();
        R.Task->LoadFromFile(F);
        Tasks += (Tasks.empty() ? "" : ",") + TaskJson(R);
    }
    Output(A, "{\"tasks\":[" + Tasks + "]}");
    return 0;
}

int Crawl(const TArgs& A)
{
    if (!A.Has("project"))
        throw EUsage("crawl needs --project");
    TDriverWindow W;
    TTaskList List;
    std::vector<TTaskRun> Runs(A.All("project").size());
    const ULONGLONG T0 = GetTickCount64();
    auto Elapsed = [T0] { return static_cast<int64_t>(GetTickCount64() - T0); };

    int32_t Selected = 0;
    if (A.Has("select"))
        Selected = A.One("select") == "none" ? -1 : A.Int("select", 0);
    const int32_t MaxRunning = A.Int("max-running", 0);
    const bool StandIn = A.Has("stand-in");
    const bool Profile = A.Has("profile");
    // Counts only: no address, row or log line in the output (a crawl of a large site).
    const bool Summary = A.Has("summary");
    CrawlProfile::Reset();
    CrawlProfile::SetEnabled(Profile);
    bool StoppingAll = false;
    int32_t Starts = 0;
    int32_t MaxTasksRunning = 0;

    auto Sample = [&] {
        int32_t N = 0;
        for (TTaskRun& R : Runs) {
            if (R.Task->GetState() == tsRunning)
                ++N;
            R.MaxWorkers = std::max(R.MaxWorkers, R.Task->GetRunningCount());
        }
        MaxTasksRunning = std::max(MaxTasksRunning, N);
    };
    auto StartRun = [&](TTaskRun& R) {
        if (R.StartMs < 0) {
            R.StartMs = Elapsed();
            R.StartOrder = Starts++;
        }
        R.Task->Start();
        Sample();
    };

    for (size_t I = 0; I < Runs.size(); ++I) {
        TTaskRun& R = Runs[I];
        R.Task = std::make_unique<TTask>();
        R.Task->LoadFromFile(A.All("project")[I]);
        R.Task->SetFilesListView(W.FilesListView.get());
        R.Task->SetFailedUrlListView(W.FailedUrlListView.get());
        R.Task->SetImagesListView(W.ImagesListView.get());
        R.Task->SetLogEdit(W.LogEdit.get());
        R.Task->SetSelected(static_cast<int32_t>(I) == Selected);
        if (StandIn)
            R.Task->SetWorkerMaker(MakeStandInWorker);
        TTaskRun* Self = &R;
        R.Task->SetOnFinish([&, Self](TObject*) {
            ++Self->FinishCalls;
            Self->FinishMs = Elapsed();
            if (MaxRunning > 0 && !StoppingAll)
                if (TTask* Next = List.NextQueued())
                    for (TTaskRun& Q : Runs)
                        if (Q.Task.get() == Next)
                            StartRun(Q);
        });
        List.Add(R.Task.get());
    }

    if (A.Has("restart"))
        for (TTaskRun& R : Runs) {
            R.Task->Stop();
            R.FinishCalls = 0;
            R.FinishMs = -1;
            R.Task->ClearItems();
            R.Task->SetDoneCount(0);
            R.Task->SetSavedCount(0);
            W.Files->GetItems()->Clear();
        }

    for (TTaskRun& R : Runs) {
        if (MaxRunning > 0 && List.GetRunningCount() >= MaxRunning)
            R.Task->SetState(tsQueued);
        else
            StartRun(R);
    }

    const int64_t TimeLimit = A.Has("time-limit") ? static_cast<int64_t>(A.Int("time-limit", 0)) * 1000 : -1;
    const int64_t StopAfter = A.Has("stop-after") ? A.Int("stop-after", 0) : -1;
    bool LimitHit = false, StoppedEarly = false;
    for (;;) {
        Application->ProcessMessages();
        CheckSynchronize();
        Sample();
        bool AllDone = true;
        for (TTaskRun& R : Runs)
            if (R.Task->GetState() != tsStopped)
                AllDone = false;
        if (AllDone)
            break;
        const int64_t Now = Elapsed();
        if (TimeLimit >= 0 && Now >= TimeLimit)
            LimitHit = true;
        if (StopAfter >= 0 && Now >= StopAfter)
            StoppedEarly = true;
        if (LimitHit || StoppedEarly)
            break;
        HANDLE Sync = SyncEvent();
        MsgWaitForMultipleObjects(1, &Sync, FALSE, 5, QS_ALLINPUT);
    }
    if (LimitHit || StoppedEarly) {
        // As closing the main window does: from the last task to the first.
        StoppingAll = true;
        for (size_t I = Runs.size(); I-- > 0;) {
            TTask* T = Runs[I].Task.get();
            if (T->GetState() == tsRunning)
                T->Stop();
            else if (T->GetState() == tsQueued)
                T->SetState(tsStopped);
        }
    }
    for (TTaskRun& R : Runs)
        R.Task->SaveToFile(R.Task->GetFileName());
    const std::string Memory = MemoryJson(A.Has("heaps"));

    std::string Tasks;
    for (TTaskRun& R : Runs)
        Tasks += (Tasks.empty() ? "" : ",") + (Summary ? TaskSummaryJson(R) : TaskJson(R));
    std::string Views, Log = "[", Progress = "[";
    if (Summary) {
        Views = std::string("{\"files\":") + J(W.Files->GetItems()->GetCount()) +
                ",\"failed\":" + J(W.Failed->GetItems()->GetCount()) +
                ",\"images\":" + J(W.Images->GetItems()->GetCount()) + "}";
    } else {
        Views = "{\"files\":" + RowsJson(W.Files, true) + ",\"failed\":" + RowsJson(W.Failed, true) +
                ",\"images\":" + RowsJson(W.Images, false) + "}";
        const std::vector<std::string> LogLines = W.LogLines();
        for (size_t I = 0; I < LogLines.size(); ++I)
            Log += (I ? "," : "") + J(LogLines[I]);
        for (size_t I = 0; I < W.FilesListView->Updates().size(); ++I) {
            const auto& U = W.FilesListView->Updates()[I];
            Progress += (I ? "," : "") + std::string("{\"address\":") + J(U.Address) + ",\"sub\":" +
                        J(U.SubIndex) + ",\"text\":" + J(U.Text) + "}";
        }
    }
    Log += "]";
    Progress += "]";
    const std::string Json = "{\"tasks\":[" + Tasks + "],\"views\":" + Views + ",\"progress\":" + Progress +
                             ",\"log\":" + Log + ",\"time_limit_hit\":" + JB(LimitHit) +
                             ",\"stopped_early\":" + JB(StoppedEarly) + ",\"max_tasks_running\":" +
                             J(MaxTasksRunning) + ",\"elapsed_ms\":" + J(Elapsed()) + ",\"memory\":" + Memory +
                             (Profile ? ",\"profile\":" + CrawlProfile::Json() : std::string()) + "}";
    // The tasks go before the views they point at.
    for (TTaskRun& R : Runs)
        R.Task->SetOnFinish(nullptr);
    Output(A, Json);
    return 0;
}

} // namespace

int EngineDriverMain(int argc, char** argv)
{
    try {
        TArgs A = ParseArgs(argc, argv);
        if (A.Command == "make")
            return Make(A);
        if (A.Command == "show")
            return Show(A);
        if (A.Command == "crawl")
            return Crawl(A);
        throw EUsage("unknown command \"" + A.Command + "\"");
    } catch (const EUsage& E) {
        std::fprintf(stderr, "engine_driver: %s\n", E.Message().c_str());
        return 2;
    } catch (const Exception& E) {
        std::fprintf(stderr, "engine_driver: %s: %s\n", E.ClassName().c_str(), E.Message().c_str());
        return 1;
    } catch (const std::exception& E) {
        std::fprintf(stderr, "engine_driver: %s\n", E.what());
        return 1;
    }
}
