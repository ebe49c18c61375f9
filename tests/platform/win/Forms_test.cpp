// Forms: modal loops, dialog keys, close actions, styles, client sizes, key preview and tab order.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Thread.h"
#include "platform/win/Timer.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;

namespace {

// Runs Step on the user-interface thread every 50 ms until it returns true.
class TUiTimer {
public:
    explicit TUiTimer(std::function<bool()> Step) : FStep(std::move(Step))
    {
        Current = this;
        FId = SetTimer(nullptr, 0, 50, Tick);
    }
    ~TUiTimer()
    {
        KillTimer(nullptr, FId);
        Current = nullptr;
    }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (Current && Current->FStep && Current->FStep())
            Current->FStep = nullptr;
    }
    static inline TUiTimer* Current = nullptr;
    std::function<bool()> FStep;
    UINT_PTR FId;
};

struct TDialog {
    TForm* Form;
    TEdit* Edit;
    TMemo* Memo;
    TButton* Ok;
    TButton* Cancel;
    TDialog()
    {
        Form = new TForm(nullptr);
        Form->SetBorderStyle(bsDialog);
        Form->SetClientSize(300, 200);
        Edit = new TEdit(Form);
        Edit->SetParent(Form);
        Edit->SetBounds(10, 10, 200, 21);
        Memo = new TMemo(Form);
        Memo->SetParent(Form);
        Memo->SetBounds(10, 40, 200, 80);
        Ok = new TButton(Form);
        Ok->SetParent(Form);
        Ok->SetCaption("OK");
        Ok->SetDefault(true);
        Ok->SetModalResult(mrOk);
        Ok->SetBounds(130, 160, 75, 25);
        Cancel = new TButton(Form);
        Cancel->SetParent(Form);
        Cancel->SetCaption("Cancel");
        Cancel->SetCancel(true);
        Cancel->SetModalResult(mrCancel);
        Cancel->SetBounds(215, 160, 75, 25);
    }
    ~TDialog()
    {
        if (Form)
            Form->Free();
    }
};

} // namespace

TEST(TForm, ShowModalEndsByButtonsAndDialogKeys)
{
    TDialog D;
    TUiTimer T([&] {
        if (!IsWindowVisible(D.Form->GetHandle()))
            return false;
        SendMessageA(D.Ok->GetHandle(), BM_CLICK, 0, 0);
        return true;
    });
    EXPECT_EQ(D.Form->ShowModal(), mrOk);
    EXPECT_EQ(AppUI()->GetModalLevel(), 0);
}

TEST(TForm, EscEnterAndMemoReturn)
{
    TDialog D;
    int Step = 0;
    TUiTimer T([&] {
        if (!IsWindowVisible(D.Form->GetHandle()))
            return false;
        if (Step == 0) {
            // Enter in the memo adds a line and keeps the dialog open.
            D.Memo->SetFocus();
            SendMessageA(D.Memo->GetHandle(), WM_KEYDOWN, VK_RETURN, 1);
            SendMessageA(D.Memo->GetHandle(), WM_CHAR, 'x', 1);
            SendMessageA(D.Memo->GetHandle(), WM_CHAR, '\r', 1);
            SendMessageA(D.Memo->GetHandle(), WM_CHAR, 'y', 1);
            Step = 1;
            return false;
        }
        EXPECT_EQ(D.Form->GetModalResult(), mrNone);
        D.Edit->SetFocus();
        SendMessageA(D.Edit->GetHandle(), WM_KEYDOWN, VK_ESCAPE, 1);
        return true;
    });
    EXPECT_EQ(D.Form->ShowModal(), mrCancel);
    EXPECT_EQ(D.Memo->GetLines()->GetCount(), 2);
    EXPECT_EQ(D.Memo->GetLines()->GetStrings(1), "y");

    TUiTimer T2([&] {
        if (!IsWindowVisible(D.Form->GetHandle()))
            return false;
        D.Edit->SetFocus();
        SendMessageA(D.Edit->GetHandle(), WM_KEYDOWN, VK_RETURN, 1);
        return true;
    });
    EXPECT_EQ(D.Form->ShowModal(), mrOk);
}

TEST(TForm, CloseQueryOwnerDisabledAndSynchronize)
{
    TComponentPtr<TForm> Owner(new TForm(nullptr));
    Owner->SetBounds(50, 50, 300, 200);
    Owner->Show();
    TDialog D;
    bool Allow = false;
    int Queries = 0;
    D.Form->OnCloseQuery = [&](TObject*, bool& CanClose) {
        ++Queries;
        CanClose = Allow;
    };
    std::atomic<int> Synced{0};
    std::vector<std::thread> Workers;
    int Step = 0;
    TUiTimer T([&] {
        if (Step == 0 && IsWindowVisible(D.Form->GetHandle())) {
            EXPECT_FALSE(IsWindowEnabled(Owner->GetHandle()));
            EXPECT_EQ(GetWindow(D.Form->GetHandle(), GW_OWNER), Owner->GetHandle());
            for (int I = 0; I < 8; ++I)
                Workers.emplace_back([&] {
                    for (int J = 0; J < 1000; ++J)
                        TThread::SynchronizeCall([&] { ++Synced; });
                });
            SendMessageA(D.Cancel->GetHandle(), BM_CLICK, 0, 0);
            Step = 1;
        } else if (Step == 1 && Queries == 1 && Synced == 8000) {
            EXPECT_TRUE(IsWindowVisible(D.Form->GetHandle())); // refused by OnCloseQuery
            Allow = true;
            D.Form->Close();
            return true;
        }
        return false;
    });
    const TModalResult R = D.Form->ShowModal();
    for (auto& W : Workers)
        W.join();
    EXPECT_EQ(Synced.load(), 8000);
    EXPECT_EQ(R, mrCancel);
    EXPECT_EQ(Queries, 2);
    EXPECT_TRUE(IsWindowEnabled(Owner->GetHandle()));
    EXPECT_EQ(GetActiveWindow(), Owner->GetHandle());
    Owner->Hide();
}

TEST(TForm, CloseActionFreeAndReleaseInsideClick)
{
    TForm* F = new TForm(nullptr);
    bool Destroyed = false;
    F->OnDestroy = [&](TObject*) { Destroyed = true; };
    F->OnClose = [](TObject*, TCloseAction& A) { A = caFree; };
    F->HandleNeeded();
    const HWND W = F->GetHandle();
    SendMessageA(W, WM_CLOSE, 0, 0);
    EXPECT_FALSE(Destroyed); // after its handler has returned
    ASSERT_TRUE(PumpUntil([&] { return Destroyed; }, 5000, "OnDestroy"));
    EXPECT_EQ(TWinControl::FindControl(W), nullptr);
    EXPECT_FALSE(IsWindow(W));

    TForm* G = new TForm(nullptr);
    TButton* B = new TButton(G);
    B->SetParent(G);
    bool After = false;
    B->OnClick = [&](TObject*) {
        G->Release();
        After = true;
    };
    SendMessageA(B->GetHandle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(After);
    const HWND GW = G->GetHandle();
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(GW); }, 5000, "released form gone"));
}

TEST(TForm, StylesClientSizeCentringAndShowEvents)
{
    TComponentPtr<TForm> F(new TForm(nullptr));
    F->SetBorderStyle(bsDialog);
    F->SetClientSize(579, 437);
    F->SetPosition(poScreenCenter);
    int Shows = 0;
    F->OnShow = [&](TObject*) { ++Shows; };
    F->Show();
    RECT R;
    GetClientRect(F->GetHandle(), &R);
    EXPECT_EQ(R.right, 579);
    EXPECT_EQ(R.bottom, 437);
    EXPECT_EQ(GetWindowLongA(F->GetHandle(), GWL_STYLE) & WS_THICKFRAME, 0);
    RECT WR;
    GetWindowRect(F->GetHandle(), &WR);
    EXPECT_NEAR((WR.left + WR.right) / 2.0, GetSystemMetrics(SM_CXSCREEN) / 2.0, 1.0);
    EXPECT_NEAR((WR.top + WR.bottom) / 2.0, GetSystemMetrics(SM_CYSCREEN) / 2.0, 1.0);
    EXPECT_EQ(Shows, 1);
    F->Hide();
    F->Show();
    EXPECT_EQ(Shows, 2);
    F->Hide();

    TComponentPtr<TForm> N(new TForm(nullptr));
    N->SetBorderStyle(bsNone);
    N->SetFormStyle(fsStayOnTop);
    N->HandleNeeded();
    EXPECT_NE(GetWindowLongA(N->GetHandle(), GWL_STYLE) & WS_POPUP, 0);
    EXPECT_NE(GetWindowLongA(N->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST(TForm, KeyPreviewTabOrderAndLabelHotKeys)
{
    TComponentPtr<TForm> F(new TForm(nullptr));
    F->SetBorderStyle(bsNone);
    F->SetBounds(0, 0, 300, 200);
    TEdit* A = new TEdit(F.get());
    A->SetParent(F.get());
    TEdit* B = new TEdit(F.get());
    B->SetParent(F.get());
    B->SetTop(30);
    TEdit* C = new TEdit(F.get());
    C->SetParent(F.get());
    C->SetTop(60);
    C->SetTabOrder(0); // C, A, B
    TLabel* L = new TLabel(F.get());
    L->SetParent(F.get());
    L->SetCaption("&Name");
    L->SetFocusControl(B);
    std::string Seen;
    F->SetKeyPreview(true);
    F->OnKeyPress = [&](TObject*, char& Key) {
        Seen += Key;
        if (Key == '+')
            Key = 0;
    };
    F->Show();
    ASSERT_TRUE(PumpUntil([&] { return C->Focused(); }, 5000, "first control focused"));
    SendMessageA(C->GetHandle(), WM_CHAR, 'a', 1);
    SendMessageA(C->GetHandle(), WM_CHAR, '+', 1);
    EXPECT_EQ(Seen, "a+");
    EXPECT_EQ(C->GetText(), "a");
    SendMessageA(C->GetHandle(), WM_KEYDOWN, VK_TAB, 1);
    EXPECT_TRUE(A->Focused());
    SendMessageA(A->GetHandle(), WM_KEYDOWN, VK_TAB, 1);
    EXPECT_TRUE(B->Focused());
    SendMessageA(B->GetHandle(), WM_KEYDOWN, VK_TAB, 1);
    EXPECT_TRUE(C->Focused());
    SendMessageA(C->GetHandle(), WM_SYSCHAR, 'n', 1 << 29);
    EXPECT_TRUE(B->Focused());
    F->Hide();
}

TEST(TForm, NestedModalFromATimerReturnsFirstWhileWorkersSynchronize)
{
    TComponentPtr<TForm> Owner(new TForm(nullptr));
    Owner->SetBounds(40, 40, 300, 200);
    Owner->Show();
    TDialog Outer;
    TDialog Inner;
    std::atomic<int> Synced{0};
    std::vector<std::thread> Workers;
    std::vector<std::string> Order;
    TModalResult InnerResult = mrNone;
    bool InnerOwnerDisabled = false;
    HWND InnerOwner = nullptr;

    // Ends the inner dialog once every worker is done.
    TComponentPtr<TTimer> CloseInner(new TTimer(nullptr));
    CloseInner->SetInterval(30);
    CloseInner->SetOnTimer([&](TObject*) {
        if (!IsWindowVisible(Inner.Form->GetHandle()) || Synced != 8000)
            return;
        CloseInner->SetEnabled(false);
        InnerOwnerDisabled = !IsWindowEnabled(Outer.Form->GetHandle());
        InnerOwner = GetWindow(Inner.Form->GetHandle(), GW_OWNER);
        SendMessageA(Inner.Ok->GetHandle(), BM_CLICK, 0, 0);
    });
    // Opens the inner dialog from inside the outer one's loop, then ends the outer one.
    TComponentPtr<TTimer> OpenInner(new TTimer(nullptr));
    OpenInner->SetInterval(30);
    OpenInner->SetOnTimer([&](TObject*) {
        if (!IsWindowVisible(Outer.Form->GetHandle()))
            return;
        OpenInner->SetEnabled(false);
        for (int I = 0; I < 8; ++I)
            Workers.emplace_back([&] {
                for (int J = 0; J < 1000; ++J)
                    TThread::SynchronizeCall([&] { ++Synced; });
            });
        CloseInner->SetEnabled(true);
        InnerResult = Inner.Form->ShowModal();
        Order.push_back("inner");
        EXPECT_EQ(AppUI()->GetModalLevel(), 1);
        SendMessageA(Outer.Ok->GetHandle(), BM_CLICK, 0, 0);
    });
    OpenInner->SetEnabled(true);
    const TModalResult R = Outer.Form->ShowModal();
    Order.push_back("outer");
    for (auto& W : Workers)
        W.join();
    EXPECT_EQ(Synced.load(), 8000);
    EXPECT_EQ(InnerResult, mrOk);
    EXPECT_EQ(R, mrOk);
    EXPECT_EQ(Order, (std::vector<std::string>{"inner", "outer"}));
    EXPECT_TRUE(InnerOwnerDisabled);
    EXPECT_EQ(InnerOwner, Outer.Form->GetHandle());
    EXPECT_EQ(AppUI()->GetModalLevel(), 0);
    EXPECT_TRUE(IsWindowEnabled(Owner->GetHandle()));
    EXPECT_TRUE(IsWindowEnabled(Outer.Form->GetHandle()));
    Owner->Hide();
}

TEST(TForm, ReleasedFormWaitsForItsHandlerThatOpenedADialog)
{
    TForm* A = new TForm(nullptr);
    A->SetBounds(60, 60, 200, 150);
    TButton* B = new TButton(A);
    B->SetParent(A);
    bool Destroyed = false;
    bool DestroyedDuringHandler = true;
    A->OnDestroy = [&](TObject*) { Destroyed = true; };
    TDialog D;
    TComponentPtr<TTimer> T(new TTimer(nullptr));
    T->SetInterval(30);
    T->SetOnTimer([&](TObject*) {
        if (!IsWindowVisible(D.Form->GetHandle()))
            return;
        T->SetEnabled(false);
        // The release posted by the click arrives inside this dialog's loop.
        TestSupport::PumpFor(300);
        SendMessageA(D.Ok->GetHandle(), BM_CLICK, 0, 0);
    });
    B->OnClick = [&](TObject*) {
        A->Release();
        T->SetEnabled(true);
        EXPECT_EQ(D.Form->ShowModal(), mrOk);
        DestroyedDuringHandler = Destroyed;
        A->SetCaption("still here"); // the form and its button are alive
    };
    A->Show();
    const HWND AW = A->GetHandle();
    SendMessageA(B->GetHandle(), BM_CLICK, 0, 0);
    EXPECT_EQ(A->GetCaption(), "still here");
    EXPECT_FALSE(DestroyedDuringHandler);
    ASSERT_TRUE(PumpUntil([&] { return Destroyed; }, 10000, "released form freed after its handler"));
    EXPECT_FALSE(IsWindow(AW));
}

TEST(TForm, ModalFormClosedWithFreeReturnsItsResultThenGoes)
{
    TDialog* D = new TDialog();
    bool Destroyed = false;
    D->Form->OnDestroy = [&](TObject*) { Destroyed = true; };
    D->Form->OnClose = [](TObject*, TCloseAction& A) { A = caFree; };
    TComponentPtr<TTimer> T(new TTimer(nullptr));
    T->SetInterval(30);
    T->SetOnTimer([&](TObject*) {
        if (!IsWindowVisible(D->Form->GetHandle()))
            return;
        T->SetEnabled(false);
        SendMessageA(D->Ok->GetHandle(), BM_CLICK, 0, 0);
    });
    T->SetEnabled(true);
    EXPECT_EQ(D->Form->ShowModal(), mrOk);
    EXPECT_FALSE(Destroyed);
    ASSERT_TRUE(PumpUntil([&] { return Destroyed; }, 10000, "freed after ShowModal"));
    D->Form = nullptr;
    delete D;
}

TEST(TForm, ANoticeShownWithoutActivationLeavesTheActiveFormActiveAndLiesAboveIt)
{
    TComponentPtr<TForm> Main(new TForm(nullptr));
    Main->SetBounds(100, 100, 400, 300);
    Main->Show();
    ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == Main->GetHandle(); }));

    TComponentPtr<TForm> Notice(new TForm(nullptr));
    Notice->SetBorderStyle(bsNone);
    Notice->SetBounds(150, 150, 200, 60);
    int Shows = 0;
    Notice->OnShow = [&](TObject*) { ++Shows; };
    Notice->ShowNoActivate();
    EXPECT_TRUE(Notice->GetVisible());
    EXPECT_TRUE(IsWindowVisible(Notice->GetHandle()));
    EXPECT_EQ(Shows, 1);
    EXPECT_EQ(GetActiveWindow(), Main->GetHandle());
    EXPECT_FALSE(Notice->GetActive());
    // Above the form that keeps the activation: the notice is seen.
    HWND Above = Main->GetHandle();
    while (Above && Above != Notice->GetHandle())
        Above = GetWindow(Above, GW_HWNDPREV);
    EXPECT_EQ(Above, Notice->GetHandle());

    // Shown again the ordinary way, it takes the activation.
    Notice->Hide();
    EXPECT_FALSE(IsWindowVisible(Notice->GetHandle()));
    Notice->Show();
    EXPECT_TRUE(PumpUntil([&] { return GetActiveWindow() == Notice->GetHandle(); }));
    Notice->Hide();
}
