// The task views bound to real controls: a hidden form with the files, failed and images list
// views and the log's rich edit. Rows are read back from the windows themselves; the task model
// runs with stand-in workers.
#include "engine/TaskViewControls.h"

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/ProjectFile.h"
#include "engine/RegSettings.h"
#include "engine/Task.h"
#include "engine/TaskStandIn.h"
#include "engine/TaskThread.h"
#include "platform/rtl/Stream.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Files.h"
#include "platform/win/Forms.h"
#include "platform/win/ImageList.h"
#include "platform/win/ListView.h"
#include "platform/win/RichEdit.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpFor;
using TestSupport::PumpUntil;

namespace {

// What the window of a list view shows in a cell.
std::string Cell(TListView* V, int Row, int Sub)
{
    char Buf[1024] = {};
    LVITEMA I{};
    I.iSubItem = Sub;
    I.pszText = Buf;
    I.cchTextMax = sizeof(Buf);
    SendMessageA(V->GetHandle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&I));
    return Buf;
}

int WindowImage(TListView* V, int Row)
{
    LVITEMA I{};
    I.mask = LVIF_IMAGE;
    I.iItem = Row;
    SendMessageA(V->GetHandle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I));
    return I.iImage;
}

int WindowRows(TListView* V) { return static_cast<int>(SendMessageA(V->GetHandle(), LVM_GETITEMCOUNT, 0, 0)); }

// The main window's views in a form that is never shown.
struct TViewsForm {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TImageList* FileImages;
    TImageList* SmallImages;
    TListView* Files;
    TListView* Failed;
    TListView* Images;
    TRichEdit* Log;
    std::unique_ptr<TListViewTaskView> FilesView, FailedView, ImagesView;
    std::unique_ptr<TRichEditLogView> LogView;

    TViewsForm()
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
        Files = List(6, FileImages);
        Failed = List(1, nullptr);
        Images = List(4, SmallImages);
        Log = new TRichEdit(Form.get());
        Log->SetParent(Form.get());
        Log->SetWordWrap(false);
        Form->HandleNeeded();
        Log->HandleNeeded();
        FilesView = std::make_unique<TListViewTaskView>(Files);
        FailedView = std::make_unique<TListViewTaskView>(Failed);
        ImagesView = std::make_unique<TListViewTaskView>(Images);
        LogView = std::make_unique<TRichEditLogView>(Log);
    }
    TListView* List(int Columns, TImageList* Small)
    {
        auto* V = new TListView(Form.get());
        V->SetParent(Form.get());
        for (int I = 0; I < Columns; ++I)
            V->GetColumns()->Add()->SetCaption("c" + std::to_string(I));
        V->SetSmallImages(Small);
        V->HandleNeeded();
        return V;
    }
    void Bind(TTask& T)
    {
        T.SetFilesListView(FilesView.get());
        T.SetFailedUrlListView(FailedView.get());
        T.SetImagesListView(ImagesView.get());
        T.SetLogEdit(LogView.get());
    }
    // The edit's paragraphs, from its whole text.
    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> L;
        const std::string Text = Log->GetText();
        size_t From = 0;
        while (From < Text.size()) {
            size_t End = Text.find("\r\n", From);
            if (End == std::string::npos)
                End = Text.size();
            L.push_back(Text.substr(From, End - From));
            From = End + 2;
        }
        return L;
    }
};

struct TViewTask {
    TViewsForm Views;
    TTask Task;
    int Finished = 0;
    explicit TViewTask(const std::string& Start = "http://www.site.test/")
    {
        Task.SetStartURL(Start);
        Task.SetWorkerMaker(MakeStandInWorker);
        Views.Bind(Task);
        Task.SetOnFinish([this](TObject*) { ++Finished; });
    }
    ~TViewTask() { Task.Stop(); } // no worker outlives the views
    void AddPending(const std::string& URL)
    {
        auto* I = new TTaskItem(&Task, URL);
        I->SetDepth(1);
        Task.GetItems()->Add(I);
    }
};

void WriteBytes(const std::string& Name, size_t Size)
{
    TFileStream F(Name, fmCreate);
    std::string Bytes(Size, 'x');
    F.WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
}

// The address lines of a saved project, as (done, address).
std::vector<std::pair<bool, std::string>> SavedLines(TTask& T)
{
    TMemoryStream M;
    T.SaveToStream(&M);
    const char* P = static_cast<const char*>(M.Memory());
    const size_t Head = kProjectHeaderSize + kOptionsRecordSize;
    std::string Text(P + Head, static_cast<size_t>(M.GetSize()) - Head);
    std::vector<std::pair<bool, std::string>> Lines;
    size_t From = 0;
    while (From < Text.size()) {
        size_t End = Text.find("\r\n", From);
        if (End == std::string::npos)
            End = Text.size();
        bool Done = false;
        int32_t Depth = 0;
        std::string Address;
        if (ParseItemLine(Text.substr(From, End - From), Done, Depth, Address))
            Lines.emplace_back(Done, Address);
        From = End + 2;
    }
    return Lines;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Rows

TEST(TaskViewControls, UrlAndFailedRowsInTheWindows)
{
    TViewTask F;
    TTaskItem Item(&F.Task, "http://www.site.test/a/p.jpg");
    Item.SetDepth(2);
    F.Task.AddURLRow(&Item);
    ASSERT_EQ(WindowRows(F.Views.Files), 1);
    const char* Want[] = {"", "http://www.site.test/a/p.jpg", ".jpg", "---", "2", "---"};
    for (int S = 0; S < 6; ++S)
        EXPECT_EQ(Cell(F.Views.Files, 0, S), Want[S]) << S;
    EXPECT_EQ(WindowImage(F.Views.Files, 0), 0);
    EXPECT_EQ(F.Views.FilesView->IndexOfData(&Item), 0);
    // The running image follows the item, in the window.
    Item.SetRunning(true);
    EXPECT_EQ(WindowImage(F.Views.Files, 0), 1);
    EXPECT_EQ(F.Task.GetRunningCount(), 1);
    Item.SetRunning(false);
    EXPECT_EQ(WindowImage(F.Views.Files, 0), 0);
    // A row added while the item runs shows it running.
    TTaskItem Busy(&F.Task, "http://www.site.test/b.gif");
    Busy.SetRunning(true);
    F.Task.AddURLRow(&Busy);
    EXPECT_EQ(WindowImage(F.Views.Files, 1), 1);
    Busy.SetRunning(false);
    EXPECT_EQ(WindowImage(F.Views.Files, 1), 0);
    // Removing one row leaves the other's data in place.
    F.Task.RemoveURLRow(&Item);
    ASSERT_EQ(WindowRows(F.Views.Files), 1);
    EXPECT_EQ(Cell(F.Views.Files, 0, 1), "http://www.site.test/b.gif");
    EXPECT_EQ(F.Views.FilesView->IndexOfData(&Item), -1);
    EXPECT_EQ(F.Views.FilesView->IndexOfData(&Busy), 0);
    F.Task.RemoveURLRow(&Item); // absent: nothing happens
    F.Task.RemoveURLRow(&Busy);
    EXPECT_EQ(WindowRows(F.Views.Files), 0);

    F.Task.AddFailedRow(&Item);
    ASSERT_EQ(WindowRows(F.Views.Failed), 1);
    EXPECT_EQ(Cell(F.Views.Failed, 0, 0), "http://www.site.test/a/p.jpg");
    EXPECT_EQ(F.Views.Failed->GetItems()->GetItem(0)->GetData(), &Item);
}

TEST(TaskViewControls, FileRowsAndTheirIconsInASharedImageList)
{
    TestSupport::TTempFolder Dir;
    TViewTask F;
    WriteBytes(Dir.File("x.jpg"), 2047);
    F.Task.AddFile(Dir.File("x.jpg"), 2047);
    EXPECT_EQ(WindowRows(F.Views.Images), 0); // not selected
    F.Task.SetSelected(true);
    F.Task.AddFile(Dir.File("x.jpg"), 2047);
    ASSERT_EQ(WindowRows(F.Views.Images), 1);
    EXPECT_EQ(Cell(F.Views.Images, 0, 0), "x.jpg");
    EXPECT_EQ(Cell(F.Views.Images, 0, 1), ".jpg");
    EXPECT_EQ(Cell(F.Views.Images, 0, 2), "1 KB");
    EXPECT_EQ(Cell(F.Views.Images, 0, 3), Dir.Path());
    EXPECT_EQ(Dir.Path().back(), '\\');
    EXPECT_EQ(TListViewTaskView::RowDataText(F.Views.Images->GetItems()->GetItem(0)), Dir.File("x.jpg"));
    // The shell's icon went into the view's small image list.
    ASSERT_EQ(F.Views.SmallImages->GetCount(), 1);
    EXPECT_EQ(WindowImage(F.Views.Images, 0), 0);
    EXPECT_EQ(F.Views.ImagesView->GetImageCount(), 1);

    // A 300-character name is kept whole as the row's data; its extension is known already.
    const std::string Long = Dir.Path() + std::string(300, 'q') + ".JPG";
    F.Task.AddFile(Long, 10);
    ASSERT_EQ(WindowRows(F.Views.Images), 2);
    EXPECT_EQ(TListViewTaskView::RowDataText(F.Views.Images->GetItems()->GetItem(1)), Long);
    EXPECT_EQ(F.Views.SmallImages->GetCount(), 1);
    EXPECT_EQ(WindowImage(F.Views.Images, 1), 0);

    // A second task adds its icons to the same image list through a view of its own.
    TListView* Images2 = F.Views.List(4, F.Views.SmallImages);
    TListViewTaskView View2(Images2);
    TTask Other;
    Other.SetImagesListView(&View2);
    Other.SetSelected(true);
    Other.AddFile(Dir.File("y.png"), 1);
    Other.AddFile(Dir.File("z.gif"), 1);
    ASSERT_EQ(F.Views.SmallImages->GetCount(), 3);
    EXPECT_EQ(WindowImage(Images2, 0), 1);
    EXPECT_EQ(WindowImage(Images2, 1), 2);
    // The first task's known extension keeps its own icon; a new one gets the next image.
    F.Task.AddFile(Dir.File("w.jpg"), 1);
    EXPECT_EQ(WindowImage(F.Views.Images, 2), 0);
    F.Task.AddFile(Dir.File("v.bmp"), 1);
    EXPECT_EQ(WindowImage(F.Views.Images, 3), 3);
    EXPECT_EQ(F.Views.SmallImages->GetCount(), 4);
    Other.SetImagesListView(nullptr);
}

TEST(TaskViewControls, BindingEdgesAndAControlThatIsGone)
{
    TViewTask F;
    TListViewTaskView* V = F.Views.FilesView.get();
    int Item = 0;
    EXPECT_EQ(V->IndexOfData(&Item), -1);
    EXPECT_EQ(V->AddRow("c", {"a"}, 1, &Item, ""), 0);
    // Bad rows and sub-items are passed over; a sub-item past the end fills the gap.
    V->SetSubItem(-1, 0, "x");
    V->SetSubItem(5, 0, "x");
    V->SetSubItem(0, -1, "x");
    V->SetRowImage(7, 1);
    V->DeleteRow(3);
    V->DeleteRow(-1);
    V->SetSubItem(0, 3, "far");
    EXPECT_EQ(Cell(F.Views.Files, 0, 1), "a");
    EXPECT_EQ(Cell(F.Views.Files, 0, 2), "");
    EXPECT_EQ(Cell(F.Views.Files, 0, 4), "far");
    EXPECT_EQ(TListViewTaskView::RowDataText(F.Views.Files->GetItems()->GetItem(0)), "");
    EXPECT_EQ(TListViewTaskView::RowDataText(nullptr), "");

    // A view without a small image list gives no icon, and the extension is not remembered.
    EXPECT_EQ(F.Views.FailedView->AddFileIcon("C:\\a.jpg"), -1);
    EXPECT_EQ(F.Views.FailedView->GetImageCount(), 0);
    F.Task.SetImagesListView(F.Views.FailedView.get());
    F.Task.SetSelected(true);
    F.Task.AddFile("C:\\p\\a.jpg", 1);
    F.Task.AddFile("C:\\p\\b.jpg", 1);
    ASSERT_EQ(WindowRows(F.Views.Failed), 2);
    EXPECT_EQ(F.Views.Failed->GetItems()->GetItem(1)->GetImageIndex(), -1);
    F.Task.SetImagesListView(F.Views.ImagesView.get());
    F.Task.AddFile("C:\\p\\c.jpg", 1);
    EXPECT_EQ(F.Views.Images->GetItems()->GetItem(0)->GetImageIndex(), 0);
    EXPECT_EQ(F.Views.SmallImages->GetCount(), 1);

    // Freed controls: the bindings let go and every call is harmless.
    F.Views.Files->Free();
    F.Views.Log->Free();
    EXPECT_EQ(V->GetListView(), nullptr);
    EXPECT_EQ(F.Views.LogView->GetRichEdit(), nullptr);
    TTaskItem It(&F.Task, "http://www.site.test/z.jpg");
    F.Task.AddURLRow(&It);
    It.SetRunning(true);
    It.SetRunning(false);
    F.Task.RemoveURLRow(&It);
    EXPECT_EQ(V->AddRow("x", {}, 0, &It, "d"), -1);
    EXPECT_EQ(V->IndexOfData(&It), -1);
    EXPECT_EQ(V->GetImageCount(), 0);
    EXPECT_EQ(V->AddFileIcon("C:\\a.png"), -1);
    F.Views.LogView->AddLine("nobody reads this");
}

// ---------------------------------------------------------------------------------------------
// The log

TEST(TaskViewControls, LogLinesReachTheRichEditInOrder)
{
    TViewTask F;
    F.Views.LogView->AddLine("first");
    F.Views.LogView->AddLine("second");
    EXPECT_EQ(F.Views.LogLines(), (std::vector<std::string>{"first", "second"}));
    // Past the edit's default 32 K limit, every line still arrives, up to the lines the pane keeps.
    const int N = kLogPaneLines - 2;
    for (int I = 0; I < N; ++I)
        F.Views.LogView->AddLine("line " + std::to_string(I) + " " + std::string(40, 'l'));
    auto Lines = F.Views.LogLines();
    ASSERT_EQ(Lines.size(), static_cast<size_t>(N) + 2u);
    EXPECT_GT(F.Views.Log->GetTextLength(), 32767);
    EXPECT_EQ(Lines[2], "line 0 " + std::string(40, 'l'));
    EXPECT_EQ(Lines.back(), "line " + std::to_string(N - 1) + " " + std::string(40, 'l'));
    F.Views.Log->GetLines()->Clear();

    // A worker's log line, through its synchronous call.
    F.Task.SetStartURL("http://www.site.test/?log=hello");
    F.Task.Start();
    ASSERT_TRUE(PumpUntil([&] { return F.Finished == 1; }));
    Lines = F.Views.LogLines();
    ASSERT_EQ(Lines.size(), 1u);
    EXPECT_EQ(Lines[0].front(), '[');
    const std::string Tail = "] - hello";
    ASSERT_GT(Lines[0].size(), Tail.size());
    EXPECT_EQ(Lines[0].substr(Lines[0].size() - Tail.size()), Tail);
}

// ---------------------------------------------------------------------------------------------
// The task model with real views

TEST(TaskViewControls, StartSeedsOneRowThatGoesWhenItsWorkerEnds)
{
    StandInCloseAllGates();
    TViewTask F("http://www.site.test/a.jpg?gate=seedrow");
    F.Task.SetSelected(true);
    F.Task.Start();
    ASSERT_EQ(WindowRows(F.Views.Files), 1);
    EXPECT_EQ(Cell(F.Views.Files, 0, 1), "http://www.site.test/a.jpg?gate=seedrow");
    EXPECT_EQ(Cell(F.Views.Files, 0, 4), "0");
    EXPECT_EQ(WindowImage(F.Views.Files, 0), 1);
    StandInOpenGate("seedrow");
    ASSERT_TRUE(PumpUntil([&] { return F.Finished > 0; }));
    PumpFor(100);
    EXPECT_EQ(WindowRows(F.Views.Files), 0);
    EXPECT_EQ(F.Task.GetDoneCount(), 1);
    EXPECT_EQ(F.Task.GetState(), tsStopped);
    EXPECT_EQ(F.Finished, 1);
}

// A page's new rows come in one call from its worker; an address another worker fetched in the
// meantime gets no row, since nothing would ever take it away again. A task not selected shows
// none.
TEST(TaskViewControls, APagesRowsComeTogetherWithoutAddressesAlreadyDone)
{
    TViewTask F;
    F.AddPending("http://www.site.test/a.jpg");
    F.AddPending("http://www.site.test/bb.jpg");
    F.AddPending("http://www.site.test/ccc.jpg");
    std::vector<TTaskItem*> Items = F.Task.GetItems()->Snapshot();
    ASSERT_EQ(Items.size(), 3u);
    TTaskItem* Done = Items[1];
    Done->SetDone(true);
    auto Show = [&](bool Selected) {
        F.Task.SetSelected(Selected);
        TTaskThread W(&F.Task, Items[0], Items[0]->GetAddress());
        bool Shown = false;
        W.Body = [&](TTaskThread& Self) { Shown = Self.AddURLRows(Items); };
        W.Resume();
        W.WaitFor();
        return Shown;
    };
    EXPECT_TRUE(Show(false));
    EXPECT_EQ(WindowRows(F.Views.Files), 0);
    EXPECT_TRUE(Show(true));
    ASSERT_EQ(WindowRows(F.Views.Files), 2);
    std::set<std::string> Shown{Cell(F.Views.Files, 0, 1), Cell(F.Views.Files, 1, 1)};
    EXPECT_EQ(Shown, (std::set<std::string>{Items[0]->GetAddress(), Items[2]->GetAddress()}));
}

// Stop while 8 workers hold partial files; nothing is counted or restarted in the 3 s after.
TEST(TaskViewControls, StopKeepsStoppedAddressesPendingThreeSecondsLater)
{
    StandInCloseAllGates();
    TestSupport::TTempFolder Dir;
    TViewTask F;
    F.Task.SetSelected(true);
    F.Task.GetOptions()->SetDefaultFolder(Dir.Path());
    for (int I = 0; I < 3; ++I) {
        auto* D = new TTaskItem(&F.Task, "http://www.site.test/d" + std::to_string(I) + ".jpg");
        D->SetDone(true);
        F.Task.GetItems()->Add(D);
    }
    F.Task.SetDoneCount(3);
    std::vector<TTaskItem*> Held;
    for (int I = 0; I < 8; ++I) {
        F.AddPending("http://www.site.test/s" + std::to_string(I) + ".jpg?partial=1&gate=never");
        Held.push_back(F.Task.GetItems()->GetItem(F.Task.GetItems()->GetCount() - 1));
        F.Task.AddURLRow(Held.back());
    }
    F.AddPending("http://www.site.test/later.jpg");
    F.Task.Start();
    ASSERT_EQ(F.Task.GetRunningCount(), 8);
    for (int R = 0; R < 8; ++R)
        EXPECT_EQ(WindowImage(F.Views.Files, R), 1) << R;
    std::vector<std::string> Temps;
    ASSERT_TRUE(PumpUntil([&] {
        Temps.clear();
        for (TTaskItem* I : Held)
            if (!I->GetTempFileName().empty() && FileExists(I->GetTempFileName()))
                Temps.push_back(I->GetTempFileName());
        return Temps.size() == 8;
    }, 20000, "8 partial files"));
    F.Task.Stop();
    EXPECT_EQ(F.Finished, 1);
    EXPECT_EQ(F.Task.GetRunningCount(), 0);
    for (const std::string& T : Temps)
        EXPECT_FALSE(FileExists(T)) << T;
    for (TTaskItem* I : F.Task.GetItems()->Snapshot()) {
        EXPECT_EQ(I->GetThread(), nullptr);
        EXPECT_FALSE(I->GetRunning());
    }
    // The stopped rows stay, shown idle.
    ASSERT_EQ(WindowRows(F.Views.Files), 8);
    for (int R = 0; R < 8; ++R)
        EXPECT_EQ(WindowImage(F.Views.Files, R), 0) << R;

    PumpFor(3000);
    EXPECT_EQ(F.Task.GetDoneCount(), 3);
    EXPECT_EQ(F.Task.GetRunningCount(), 0);
    EXPECT_EQ(F.Finished, 1);
    EXPECT_EQ(F.Task.GetState(), tsStopped);
    EXPECT_EQ(F.Task.GetSavedCount(), 0);
    for (const std::string& T : Temps)
        EXPECT_FALSE(FileExists(T)) << T;
    for (int R = 0; R < 8; ++R)
        EXPECT_EQ(WindowImage(F.Views.Files, R), 0) << R;
    int Pending = 0, Done = 0;
    for (const auto& [IsDone, Address] : SavedLines(F.Task)) {
        if (Address.find("/s") != std::string::npos) {
            EXPECT_FALSE(IsDone) << Address;
        }
        (IsDone ? Done : Pending) += 1;
    }
    EXPECT_EQ(Done, 3);
    EXPECT_EQ(Pending, 9);
    // A second start runs exactly the stopped addresses again.
    F.Task.Start();
    EXPECT_EQ(F.Task.GetRunningCount(), 8);
    for (TTaskItem* I : F.Task.GetItems()->Snapshot())
        EXPECT_EQ(I->GetRunning(), I->GetAddress().find("/s") != std::string::npos) << I->GetAddress();
    F.Task.Stop();
    EXPECT_EQ(F.Finished, 2);
}

// 3 tasks whose 8 workers each add 2,000 links while the user-interface thread walks their items
// and saves them every 50 ms. Workers mark their addresses done and take the next under the list
// lock, so a walk under it sees the count and the items agree; rows follow through the
// user-interface thread's queue a moment behind, so a row shown running belongs to an address
// that runs or has ended since, never to one waiting.
TEST(TaskViewControls, RaceOfLinksWithRealRowsAndRunningCounts)
{
    struct TRun {
        std::unique_ptr<TViewTask> T;
        int MaxRunning = 0;
        int Walks = 0;
    };
    std::vector<TRun> Runs(3);
    for (int N = 0; N < 3; ++N) {
        const std::string Host = "http://www.site" + std::to_string(N) + ".test/";
        Runs[N].T = std::make_unique<TViewTask>(Host);
        Runs[N].T->Task.SetSelected(true);
        for (int I = 0; I < 8; ++I)
            Runs[N].T->AddPending(Host + "w" + std::to_string(I) + "?children=2000&childbase=" + Host + "c");
    }
    for (TRun& R : Runs)
        R.T->Task.Start();
    auto Walk = [](TRun& R) {
        TTask& T = R.T->Task;
        int32_t Counted = 0;
        int Running = 0;
        std::set<const TTaskItem*> RunningItems;
        {
            TThreadListGuard L(T.GetItems()->GetList());
            Counted = T.GetRunningCount();
            for (void* P : *L) {
                auto* I = static_cast<TTaskItem*>(P);
                if (I->GetRunning()) {
                    ++Running;
                    RunningItems.insert(I);
                }
            }
        }
        EXPECT_EQ(Counted, Running);
        EXPECT_LE(Counted, 8);
        R.MaxRunning = std::max(R.MaxRunning, Counted);
        // Rows of the real view agree with their items, or are behind them.
        TListItems* Rows = R.T->Views.Files->GetItems();
        for (int32_t Row = 0; Row < Rows->GetCount(); ++Row) {
            auto* Item = static_cast<const TTaskItem*>(Rows->GetItem(Row)->GetData());
            ASSERT_NE(Item, nullptr);
            if (Rows->GetItem(Row)->GetImageIndex() == 1 && !RunningItems.count(Item)) {
                EXPECT_TRUE(Item->GetDone()) << Item->GetAddress();
            }
        }
        std::set<std::string> Seen;
        for (const auto& L : SavedLines(T))
            EXPECT_TRUE(Seen.insert(L.second).second) << "saved twice: " << L.second;
        ++R.Walks;
    };
    const DWORD Deadline = GetTickCount() + 180000;
    bool AllFinished = false;
    while (!AllFinished && static_cast<int32_t>(Deadline - GetTickCount()) > 0) {
        AllFinished = true;
        for (TRun& R : Runs) {
            Walk(R);
            AllFinished = AllFinished && R.T->Finished > 0;
        }
        if (::testing::Test::HasFailure())
            break;
        PumpFor(50);
    }
    ASSERT_TRUE(AllFinished);
    PumpFor(100);
    for (TRun& R : Runs) {
        TTask& T = R.T->Task;
        EXPECT_GT(R.Walks, 0);
        EXPECT_EQ(R.T->Finished, 1);
        EXPECT_EQ(T.GetRunningCount(), 0);
        EXPECT_GE(R.MaxRunning, 1);
        const auto Items = T.GetItems()->Snapshot();
        EXPECT_EQ(Items.size(), 2008u);
        EXPECT_EQ(T.GetDoneCount(), static_cast<int32_t>(Items.size()));
        EXPECT_EQ(WindowRows(R.T->Views.Files), 0);
        const auto Lines = SavedLines(T);
        EXPECT_EQ(Lines.size(), Items.size());
        std::set<std::string> Seen;
        for (const auto& L : Lines) {
            EXPECT_TRUE(L.first) << L.second;
            EXPECT_TRUE(Seen.insert(L.second).second) << "saved twice: " << L.second;
        }
    }
}
