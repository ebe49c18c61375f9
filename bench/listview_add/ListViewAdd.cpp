// Adds 20,000 rows with 5 sub-items through TListView and through raw LVM_INSERTITEM and
// LVM_SETITEMTEXT (the reference), each into a fresh control, and prints the ratio.
#include <chrono>
#include <cstdio>
#include <string>

#include <windows.h>

#include <commctrl.h>

#include "platform/win/Application.h"
#include "platform/win/Forms.h"
#include "platform/win/ListView.h"

namespace {
constexpr int Rows = 20000;
constexpr int SubItems = 5;

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
    ApplicationDone();
    return 0;
}
