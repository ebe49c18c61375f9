// Adds 20,000 rows with 5 sub-items through TListView and through raw LVM_INSERTITEM and
// LVM_SETITEMTEXT (the reference), each into a fresh control, and prints the ratio. Then adds
// 50,000 rows as a crawl adds saved pictures to the images list (a virtual list on a shown
// window, one row per call, the window's messages served between batches of calls) to an
// unsorted list and to one sorted by name, and prints both times. Each crawl row is added as
// the task view adds it: the whole row, its file name kept in the row, then its index taken.
// A crawl run takes a tenth of a second, which a busy machine's scheduling easily doubles: the
// two lists are filled in turn CrawlRuns times and the middle times compared.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include <commctrl.h>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Application.h"
#include "platform/win/Forms.h"
#include "platform/win/ListView.h"

namespace {
constexpr int Rows = 20000;
constexpr int SubItems = 5;
constexpr int CrawlRows = 50000;
constexpr int CrawlBatch = 64; // rows added between two turns of the message loop
constexpr int CrawlRuns = 3;

double Seconds(std::chrono::steady_clock::time_point Start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

TListView* MakeList(TForm* Form)
{
    auto* L = new TListView(Form);
    L->SetParent(Form);
    L->SetBounds(0, 0, 600, 400);
    for (int C = 0; C <= SubItems; ++C)
        L->GetColumns()->Add()->SetCaption("c" + std::to_string(C));
    L->HandleNeeded();
    return L;
}
// The seconds to add CrawlRows picture rows to a shown virtual list, sorted by name or not.
// The seconds this thread has run, in user and kernel mode: what a busy machine does not add to.
double ThreadSeconds()
{
    FILETIME Created, Ended, Kernel, User;
    if (!GetThreadTimes(GetCurrentThread(), &Created, &Ended, &Kernel, &User))
        return 0;
    auto Ticks = [](const FILETIME& F) { return (static_cast<uint64_t>(F.dwHighDateTime) << 32) | F.dwLowDateTime; };
    return static_cast<double>(Ticks(Kernel) + Ticks(User)) / 1e7;
}

double CrawlCpu = 0; // the last CrawlAdd's ThreadSeconds

double CrawlAdd(bool Sorted)
{
    TForm Form(nullptr);
    Form.SetBounds(0, 0, 600, 400);
    auto* L = new TListView(&Form);
    L->SetParent(&Form);
    L->SetAlign(alClient);
    L->SetOwnerData(true);
    for (const char* C : {"Name", "Ext", "Size", "Folder"})
        L->GetColumns()->Add()->SetCaption(C);
    Form.Show();
    if (Sorted) {
        // As the images list sorts by name.
        L->OnCompare = [](TObject*, TListItem* A, TListItem* B, int32_t, int32_t& R) {
            R = CompareText(A->GetCaption(), B->GetCaption());
        };
        L->SetSortType(stText);
    }
    Application->ProcessMessages();
    // Names in no order, with repeats: a crawl of many folders saves many "image.jpg".
    uint32_t Seed = 12345;
    const double Cpu = ThreadSeconds();
    auto T = std::chrono::steady_clock::now();
    for (int R = 0; R < CrawlRows; ++R) {
        Seed = Seed * 1103515245u + 12345u;
        const std::string Name = "picture" + std::to_string((Seed >> 8) % 40000) + ".jpg";
        TListItem* It = L->GetItems()->AddItem(Name, 0, nullptr, {".jpg", std::to_string(R % 900) + " KB", "C:\\Pictures\\"});
        It->Value().Set("C:\\Pictures\\" + Name);
        if (It->GetIndex() < 0)
            std::printf("row %d not found\n", R);
        if (R % CrawlBatch == CrawlBatch - 1)
            Application->ProcessMessages();
    }
    Application->ProcessMessages();
    // The run ends as the user sees it: any rows still waiting in a sorted list's batch joined,
    // the window told of every row (a question to it brings it up to date) and its rows in
    // view drawn. The list tells its window at most every tenth of a second, so without this
    // a run of that length pays for the last update or not by chance.
    if (!L->GetItems()->GetItem(CrawlRows - 1))
        std::printf("last row missing\n");
    const auto Told = SendMessageA(L->GetHandle(), LVM_GETITEMCOUNT, 0, 0);
    UpdateWindow(L->GetHandle());
    const double Took = Seconds(T);
    CrawlCpu = ThreadSeconds() - Cpu;
    if (Told != CrawlRows)
        std::printf("wrong row count\n");
    if (Sorted)
        for (int R = 1; R < CrawlRows; ++R)
            if (CompareText(L->GetItems()->GetItem(R - 1)->GetCaption(), L->GetItems()->GetItem(R)->GetCaption()) > 0) {
                std::printf("rows out of order at %d\n", R);
                break;
            }
    return Took;
}

} // namespace

int main()
{
    ApplicationInit();
    double Ours = 0, Raw = 0;
    {
        TForm Form(nullptr);
        Form.SetBorderStyle(bsNone);
        Form.SetBounds(0, 0, 600, 400);
        Form.HandleNeeded();
        TListView* A = MakeList(&Form);
        auto T = std::chrono::steady_clock::now();
        A->GetItems()->BeginUpdate();
        for (int R = 0; R < Rows; ++R) {
            TListItem* It = A->GetItems()->Add();
            It->SetCaption("http://example.test/picture" + std::to_string(R) + ".jpg");
            for (int S = 0; S < SubItems; ++S)
                It->GetSubItems()->Add("sub " + std::to_string(S) + " of " + std::to_string(R));
        }
        A->GetItems()->EndUpdate();
        Ours = Seconds(T);

        TListView* B = MakeList(&Form);
        HWND W = B->GetHandle();
        T = std::chrono::steady_clock::now();
        SendMessageA(W, WM_SETREDRAW, FALSE, 0);
        for (int R = 0; R < Rows; ++R) {
            std::string Caption = "http://example.test/picture" + std::to_string(R) + ".jpg";
            LVITEMA I{};
            I.mask = LVIF_TEXT;
            I.iItem = R;
            I.pszText = Caption.data();
            const auto Row = SendMessageA(W, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&I));
            for (int S = 0; S < SubItems; ++S) {
                std::string Text = "sub " + std::to_string(S) + " of " + std::to_string(R);
                LVITEMA Sub{};
                Sub.iSubItem = S + 1;
                Sub.pszText = Text.data();
                SendMessageA(W, LVM_SETITEMTEXTA, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&Sub));
            }
        }
        SendMessageA(W, WM_SETREDRAW, TRUE, 0);
        Raw = Seconds(T);
        if (SendMessageA(A->GetHandle(), LVM_GETITEMCOUNT, 0, 0) != Rows || SendMessageA(W, LVM_GETITEMCOUNT, 0, 0) != Rows)
            std::printf("wrong row count\n");
    }
    std::printf("listview_add: %d rows x %d sub-items: TListView %.3f s, raw LVM_ %.3f s, ratio %.2f\n", Rows, SubItems,
                Ours, Raw, Raw > 0 ? Ours / Raw : 0.0);
    std::vector<double> Unsorted, Sorted;
    for (int Run = 0; Run < CrawlRuns; ++Run) {
        Unsorted.push_back(CrawlAdd(false));
        const double UnsortedCpu = CrawlCpu;
        Sorted.push_back(CrawlAdd(true));
        std::printf("listview_add: run %d: unsorted %.3f s (cpu %.3f s), sorted %.3f s (cpu %.3f s)\n", Run + 1,
                    Unsorted.back(), UnsortedCpu, Sorted.back(), CrawlCpu);
    }
    auto Median = [](std::vector<double> V) {
        std::sort(V.begin(), V.end());
        return V[V.size() / 2];
    };
    const double U = Median(Unsorted), S = Median(Sorted);
    std::printf("listview_add: %d crawl rows into a virtual list (median of %d): unsorted %.3f s, sorted by name %.3f s, "
                "ratio %.2f\n",
                CrawlRows, CrawlRuns, U, S, U > 0 ? S / U : 0.0);
    ApplicationDone();
    return 0;
}
