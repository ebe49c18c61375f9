// What a long crawl keeps per address: the address and the little the task model needs. An ended
// worker keeps no thread, connection or buffer, and the log pane keeps its last lines only, so the
// memory of a crawl of thousands of pictures grows by a few hundred bytes per address, not by the
// tens of kilobytes that once ran a 32-bit process out of address space. Against the private test
// web server.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "engine/RegSettings.h"
#include "engine/Task.h"
#include "engine/TaskViewControls.h"
#include "platform/rtl/StringList.h"
#include "platform/win/Forms.h"
#include "platform/win/RichEdit.h"
#include "tests/support/TestServer.h"
#include "tests/support/TestSupport.h"

namespace {

// The process's committed private bytes, as the system counts them.
int64_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS C{};
    C.cb = sizeof(C);
    K32GetProcessMemoryInfo(GetCurrentProcess(), &C, sizeof(C));
    return static_cast<int64_t>(C.PagefileUsage);
}

int32_t ThreadsOfProcess()
{
    HANDLE Snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (Snap == INVALID_HANDLE_VALUE)
        return -1;
    int32_t N = 0;
    THREADENTRY32 E{};
    E.dwSize = sizeof(E);
    for (BOOL More = Thread32First(Snap, &E); More; More = Thread32Next(Snap, &E))
        N += E.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(Snap);
    return N;
}

// A page linking Count pictures of a few hundred bytes each, with the log lines of a real crawl:
// file names of letters, digits and punctuation.
void ServeGallery(TTestServer& Server, const std::string& Folder, int32_t Count)
{
    std::string Page, Routes = "{";
    for (int32_t I = 0; I < Count; ++I) {
        const std::string Name = "p" + std::to_string(100000 + I) + ".jpg";
        Page += "<img src=\"" + Name + "\">\n";
        Routes += (I ? "," : "") + JsonQuote(Folder + Name) +
                  ": {\"generate\": {\"kind\": \"pattern\", \"pattern\": \"" + Name + "\", \"size\": 300}}";
    }
    Routes += "," + JsonQuote(Folder + "index.html") + ": {\"body\": " + JsonQuote(Page) + "}}";
    Server.SetRoutes(Routes);
}

// The main window's log pane, bound as the program binds it.
struct TLogWindow {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TRichEdit* Edit = nullptr;
    std::unique_ptr<TRichEditLogView> View;
    TLogWindow()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 600, 300);
        Edit = new TRichEdit(Form.get());
        Edit->SetParent(Form.get());
        Edit->SetBounds(0, 0, 600, 300);
        Edit->SetReadOnly(true);
        Edit->SetWordWrap(false);
        Form->HandleNeeded();
        View = std::make_unique<TRichEditLogView>(Edit);
    }
    size_t Lines() const
    {
        const std::string Text = Edit->GetText();
        size_t N = Text.empty() ? 0 : 1;
        for (size_t P = Text.find("\r\n"); P != std::string::npos; P = Text.find("\r\n", P + 2))
            ++N;
        return N;
    }
};

struct TGalleryTask {
    TTask Task;
    int32_t Finished = 0;
    TGalleryTask(TTestServer& Server, const std::string& Folder, TTaskLogView* Log, const std::string& SaveTo)
    {
        Task.SetStartURL(Server.Url(Folder + "index.html"));
        Task.SetLogEdit(Log);
        Task.SetSelected(true);
        TRegOptions* O = Task.GetOptions();
        O->SetDefaultFolder(SaveTo);
        O->GetFileMasks()->Clear();
        O->GetFileMasks()->Add("jpg,Pictures");
        O->SetSeekDeep(1);
        O->SetEnableFileLimit(false);
        O->SetSaveAsWebStructure(false);
        Task.SetOnFinish([this](TObject*) { ++Finished; });
    }
    void Run()
    {
        Task.Start();
        ASSERT_TRUE(TestSupport::PumpUntil([&] { return Finished > 0; }, 300000, "the end of the crawl"));
    }
};

} // namespace

TEST(CrawlMemory, ALongCrawlKeepsLittleMorePerAddressThanItsAddress)
{
    TTestServer Server;
    if (!Server.Available())
        GTEST_SKIP() << "QUILLMOOR_TEST_SERVER is not set (run through run_with_server.py)";
    Server.Reset();
    // The warm-up writes more lines than the log pane ever holds (two per picture), so that the
    // pane has had its largest size before the measured crawl.
    constexpr int32_t kWarmUp = kLogPaneLines * 3 / 2, kPictures = 4000;
    ServeGallery(Server, "/warm/", kWarmUp);
    ServeGallery(Server, "/big/", kPictures);
    TestSupport::TTempFolder Dir;
    TLogWindow Window;

    // A first crawl makes what the process keeps for any crawl (kept threads and connections,
    // the heap's first blocks, the log pane's lines up to its limit).
    {
        TGalleryTask Warm(Server, "/warm/", Window.View.get(), Dir.File("warm"));
        Warm.Run();
        ASSERT_EQ(Warm.Task.GetSavedCount(), kWarmUp);
    }
    TestSupport::PumpFor(100);
    const int32_t ThreadsBefore = ThreadsOfProcess();
    const int64_t Before = PrivateBytes();

    TGalleryTask Big(Server, "/big/", Window.View.get(), Dir.File("big"));
    Big.Run();
    TestSupport::PumpFor(100);
    const int64_t After = PrivateBytes();
    const int32_t ThreadsAfter = ThreadsOfProcess();

    ASSERT_EQ(Big.Task.GetSavedCount(), kPictures);
    const int32_t Addresses = Big.Task.GetItems()->GetCount();
    ASSERT_EQ(Addresses, kPictures + 1);
    ASSERT_EQ(Big.Task.GetDoneCount(), Addresses);
    // Every ended worker is gone, and no address holds one.
    EXPECT_EQ(Big.Task.GetWorkerCount(), 0);
    EXPECT_EQ(Big.Task.GetRunningCount(), 0);
    for (TTaskItem* Item : Big.Task.GetItems()->Snapshot()) {
        ASSERT_EQ(Item->GetThread(), nullptr) << Item->GetAddress();
        ASSERT_FALSE(Item->GetRunning()) << Item->GetAddress();
    }
    // The system threads kept for later workers are few whatever the length of the crawl.
    ASSERT_GT(ThreadsBefore, 0);
    EXPECT_LE(ThreadsAfter - ThreadsBefore, 16) << "threads before " << ThreadsBefore << ", after " << ThreadsAfter;
    // The log pane holds its last lines, not one for each of the 8,000 the crawl wrote.
    EXPECT_LE(Window.Lines(), static_cast<size_t>(3 * kLogPaneLines));
    EXPECT_GE(Window.Lines(), static_cast<size_t>(kLogPaneLines));
    // A generous bound: each address keeps its item and its address (well under a kilobyte), and
    // the heap takes its growth in steps. A log pane that kept every line costs some 30 KB per
    // picture under Wine, a worker that kept its thread or buffers tens of kilobytes more.
    const int64_t PerAddress = (After - Before) / Addresses;
    EXPECT_LT(PerAddress, 6 * 1024) << "private bytes " << Before << " before, " << After << " after";
    std::printf("[          ] %d addresses: %lld bytes of private memory each\n", Addresses,
                static_cast<long long>(PerAddress));
}
