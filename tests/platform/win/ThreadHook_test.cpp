// Thread hooks driven by real input: what a body sees, what its answer does to the event, and a
// chain that stays whole whatever a body does (raises, calls the next hook itself, skips it).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/ThreadHook.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;

namespace {

const UINT kSentMessage = WM_APP + 0x51;
const UINT kPostedMessage = WM_APP + 0x52;

class TMessageForm : public TForm {
public:
    explicit TMessageForm(TComponent* AOwner) : TForm(AOwner) {}
    int Posted = 0;
    void WndProc(TMessage& M) override
    {
        if (M.Msg == kPostedMessage)
            ++Posted;
        TForm::WndProc(M);
    }
};

struct THookForm {
    TComponentPtr<TMessageForm> Form{new TMessageForm(nullptr)};
    TEdit* Edit;
    TPanel* Panel;
    int KeyDowns = 0; // of 'Q', as the edit sees them
    THookForm()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(150, 120, 320, 200);
        Edit = new TEdit(Form.get());
        Edit->SetParent(Form.get());
        Edit->SetBounds(10, 10, 200, 24);
        Edit->OnKeyDown = [this](TObject*, uint16_t& Key, TShiftState) {
            if (Key == 'Q')
                ++KeyDowns;
        };
        Panel = new TPanel(Form.get());
        Panel->SetParent(Form.get());
        Panel->SetBounds(10, 50, 200, 100);
        Form->Show();
    }
    ~THookForm() { Form->Hide(); }
    bool Focus()
    {
        if (!TestSupport::BringToFront(*Form))
            return false;
        Edit->SetFocus();
        return PumpUntil([&] { return Edit->Focused(); }, 10000, "the edit focused");
    }
    // A press and release of Q, handled before this returns.
    bool PressQ()
    {
        TestSupport::Press('Q');
        return TestSupport::WaitProcessed();
    }
};

bool IsQDown(const TThreadHookCall& C)
{
    return C.WParam == 'Q' && (C.LParam & 0x80000000) == 0;
}

} // namespace

TEST(TThreadHook, AKeyboardHookSeesRealKeysAndAHandledKeyNeverReachesTheEdit)
{
    THookForm F;
    ASSERT_TRUE(F.Focus());
    std::vector<std::pair<int, bool>> Seen; // code, release
    bool Handle = true;
    TThreadHook Hook;
    Hook.Install(hkKeyboard, [&](TThreadHookCall& C) {
        if (C.WParam != 'Q')
            return false;
        Seen.emplace_back(C.Code, (C.LParam & 0x80000000) != 0);
        return Handle;
    });
    ASSERT_TRUE(F.PressQ());
    EXPECT_EQ(Seen, (std::vector<std::pair<int, bool>>{{HC_ACTION, false}, {HC_ACTION, true}}));
    EXPECT_EQ(F.KeyDowns, 0);
    EXPECT_EQ(F.Edit->GetText(), "");

    Handle = false;
    ASSERT_TRUE(F.PressQ());
    EXPECT_EQ(F.KeyDowns, 1);
    EXPECT_EQ(F.Edit->GetText(), "q");
    EXPECT_EQ(Seen.size(), 4u);
}

TEST(TThreadHook, TheChainStaysWholeWhenABodyRaisesCallsTheNextHookItselfOrSkipsIt)
{
    THookForm F;
    ASSERT_TRUE(F.Focus());
    // Three hooks, called newest first: Top, then Middle, then Inner. Top hands on at once and
    // keeps what came back from the rest of the chain.
    int InnerDowns = 0;
    bool InnerHandles = false;
    TThreadHook Inner;
    Inner.Install(hkKeyboard, [&](TThreadHookCall& C) {
        if (!IsQDown(C))
            return false;
        ++InnerDowns;
        return InnerHandles;
    });
    int MiddleDowns = 0;
    std::function<bool(TThreadHookCall&)> MiddleDoes;
    TThreadHook Middle;
    Middle.Install(hkKeyboard, [&](TThreadHookCall& C) {
        if (!IsQDown(C))
            return false;
        ++MiddleDowns;
        return MiddleDoes(C);
    });
    std::vector<LRESULT> Below; // per Q press
    TThreadHook Top;
    Top.Install(hkKeyboard, [&](TThreadHookCall& C) {
        if (IsQDown(C))
            Below.push_back(C.CallNext());
        return false;
    });

    // A body that raises: reported once, the key goes on to the edit and to the inner hook.
    {
        TestSupport::TExceptionCapture Capture;
        MiddleDoes = [](TThreadHookCall&) -> bool { throw EInvalidOperation("the hook body failed"); };
        ASSERT_TRUE(F.PressQ());
        ASSERT_EQ(Capture.Count(), 1u);
        EXPECT_EQ(Capture.Entries()[0].Message, "the hook body failed");
        EXPECT_EQ(Capture.Entries()[0].ClassName, "EInvalidOperation");
    }
    EXPECT_EQ(InnerDowns, 1);
    EXPECT_EQ(F.KeyDowns, 1);

    // A body that calls the next hook itself and then raises: still one call.
    {
        TestSupport::TExceptionCapture Capture;
        MiddleDoes = [](TThreadHookCall& C) -> bool {
            C.CallNext();
            C.CallNext(); // the second gives the first result and calls nothing
            throw EInvalidOperation("after the next hook");
        };
        ASSERT_TRUE(F.PressQ());
        EXPECT_EQ(Capture.Count(), 1u);
    }
    EXPECT_EQ(InnerDowns, 2);
    EXPECT_EQ(F.KeyDowns, 2);

    // The answer of the rest of the chain comes back to the hook above: the inner hook's 1 ...
    InnerHandles = true;
    MiddleDoes = [](TThreadHookCall&) { return false; };
    ASSERT_TRUE(F.PressQ());
    EXPECT_EQ(InnerDowns, 3);
    EXPECT_EQ(F.KeyDowns, 2); // the inner hook took it
    // ... unless the middle one skips it: 0, and the inner hook is not called.
    MiddleDoes = [](TThreadHookCall& C) {
        C.SkipNext();
        return false;
    };
    ASSERT_TRUE(F.PressQ());
    EXPECT_EQ(InnerDowns, 3);
    EXPECT_EQ(F.KeyDowns, 3);
    // A handled event answers 1 whatever came back from further down.
    InnerHandles = false;
    MiddleDoes = [](TThreadHookCall&) { return true; };
    ASSERT_TRUE(F.PressQ());
    EXPECT_EQ(InnerDowns, 4);
    EXPECT_EQ(F.KeyDowns, 3);
    EXPECT_EQ(Below, (std::vector<LRESULT>{0, 0, 1, 0, 1}));
    EXPECT_EQ(MiddleDowns, 5);

    // Removed hooks are not called; the ones left still are.
    Middle.Remove();
    Inner.Remove();
    EXPECT_FALSE(Inner.Installed());
    ASSERT_TRUE(F.PressQ());
    EXPECT_EQ(MiddleDowns, 5);
    EXPECT_EQ(InnerDowns, 4);
    EXPECT_EQ(Below.size(), 6u);
    EXPECT_EQ(F.KeyDowns, 4);
    EXPECT_EQ(F.Edit->GetText(), "qqqq");
}

TEST(TThreadHook, AMouseHookSeesTheClickedWindowAndItsHitTest)
{
    THookForm F;
    ASSERT_TRUE(F.Focus());
    struct TSeen {
        WPARAM Msg;
        HWND Wnd;
        UINT HitTest;
    };
    std::vector<TSeen> Seen;
    TThreadHook Hook;
    Hook.Install(hkMouse, [&](TThreadHookCall& C) {
        if (C.WParam == WM_LBUTTONDOWN || C.WParam == WM_LBUTTONUP) {
            const auto* M = reinterpret_cast<const MOUSEHOOKSTRUCT*>(C.LParam);
            Seen.push_back({C.WParam, M->hwnd, M->wHitTestCode});
        }
        return false;
    });
    POINT P{40, 30};
    ClientToScreen(F.Panel->GetHandle(), &P);
    TestSupport::Click(P);
    ASSERT_TRUE(TestSupport::WaitProcessed());
    ASSERT_EQ(Seen.size(), 2u);
    EXPECT_EQ(Seen[0].Msg, static_cast<WPARAM>(WM_LBUTTONDOWN));
    EXPECT_EQ(Seen[1].Msg, static_cast<WPARAM>(WM_LBUTTONUP));
    for (const TSeen& S : Seen) {
        EXPECT_EQ(S.Wnd, F.Panel->GetHandle());
        EXPECT_EQ(S.HitTest, static_cast<UINT>(HTCLIENT));
    }
}

TEST(TThreadHook, ACallWindowProcedureHookSeesSentMessagesOnly)
{
    THookForm F;
    HWND Form = F.Form->GetHandle();
    int Sent = 0, Posted = 0;
    HWND SentTo = nullptr;
    TThreadHook Hook;
    Hook.Install(hkCallWndProc, [&](TThreadHookCall& C) {
        const auto* M = reinterpret_cast<const CWPSTRUCT*>(C.LParam);
        if (M->message == kSentMessage && M->wParam == 7) {
            ++Sent;
            SentTo = M->hwnd;
        }
        if (M->message == kPostedMessage)
            ++Posted;
        return false;
    });
    SendMessageA(Form, kSentMessage, 7, 0);
    PostMessageA(Form, kPostedMessage, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return F.Form->Posted == 1; }, 10000, "the posted message handled"));
    EXPECT_EQ(Sent, 1);
    EXPECT_EQ(SentTo, Form);
    EXPECT_EQ(Posted, 0);
    Hook.Remove();
    SendMessageA(Form, kSentMessage, 7, 0);
    EXPECT_EQ(Sent, 1);
}
