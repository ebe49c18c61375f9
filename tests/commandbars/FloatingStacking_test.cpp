// A floating bar's place in the z-order against its form and its shadow's parts while other
// window programs show, activate and close their windows beside this one.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbShadow.h"
#include "platform/rtl/ScopeGuards.h"
#include "tests/commandbars/support/FloatingFixture.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::TFloatingFixture;

namespace {

// Wnd lies below Other among the top-level windows.
bool IsBelow(HWND Wnd, HWND Other)
{
    for (HWND W = GetWindow(Wnd, GW_HWNDPREV); W; W = GetWindow(W, GW_HWNDPREV))
        if (W == Other)
            return true;
    return false;
}

// The top-level windows from the top down, the bar, its form and the shadow's parts named.
std::string StackingText(HWND Bar, HWND Form, const TcbBarShadow* Shadow)
{
    std::string Text = "top:";
    for (HWND W = GetTopWindow(nullptr); W; W = GetWindow(W, GW_HWNDNEXT)) {
        if (!IsWindowVisible(W))
            continue;
        std::string Name = "other";
        if (W == Bar)
            Name = "bar";
        else if (W == Form)
            Name = "form";
        for (int32_t I = 0; I < Shadow->GetPartCount(); ++I)
            if (Shadow->GetPart(I)->GetHandle() == W)
                Name = "part" + std::to_string(I);
        Text += " " + Name;
    }
    return Text;
}

// Two other window programs (cb_window_churn.exe beside this program) that show, activate and
// destroy windows one after another and then end.
class TWindowChurn {
public:
    TWindowChurn()
    {
        char Path[MAX_PATH]{};
        GetModuleFileNameA(nullptr, Path, MAX_PATH);
        std::string Program = Path;
        Program = Program.substr(0, Program.find_last_of("\\/") + 1) + "cb_window_churn.exe";
        for (HANDLE& Process : FProcesses) {
            STARTUPINFOA Start{};
            Start.cb = sizeof(Start);
            PROCESS_INFORMATION Info{};
            std::string Command = "\"" + Program + "\" 3";
            if (!CreateProcessA(Program.c_str(), Command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Start,
                                &Info)) {
                ADD_FAILURE() << "cannot start " << Program;
                continue;
            }
            CloseHandle(Info.hThread);
            Process = Info.hProcess;
        }
    }
    TWindowChurn(const TWindowChurn&) = delete;
    TWindowChurn& operator=(const TWindowChurn&) = delete;
    ~TWindowChurn()
    {
        TestSupport::PumpUntil([this] { return Ended(); }, 20000, "the other window programs ended");
        for (HANDLE Process : FProcesses)
            if (Process)
                CloseHandle(Process);
    }
    bool Ended() const
    {
        for (HANDLE Process : FProcesses)
            if (Process && WaitForSingleObject(Process, 0) != WAIT_OBJECT_0)
                return false;
        return true;
    }

private:
    HANDLE FProcesses[2]{};
};

} // namespace

TEST(FloatingStacking, ShadowPartsTheDisplayPutBelowTheFormGoBackDirectlyAboveTheBar)
{
    TFloatingFixture F;
    const HWND Form = F.Form->GetHandle();
    const HWND H = F.ToolsWindow()->GetHandle();
    auto* Shadow = dynamic_cast<TcbBarShadow*>(F.ToolsWindow()->GetShadow());
    ASSERT_TRUE(Shadow && Shadow->GetPartCount() > 0);
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return !IsBelow(H, Form) && Shadow->AreJustAboveOwner(); }, 5000,
                                       "the bar above its form with its shadow on it"))
        << StackingText(H, Form, Shadow);
    // As the display does when it finds the form uncovered where the parts lie: the form over the
    // parts, the bar staying above it, and no message to the bar or the form. Here by taking the
    // parts' owner away for their move.
    for (const HWND Part : Shadow->PartHandles()) {
        SetWindowLongPtrA(Part, GWLP_HWNDPARENT, 0);
        SetWindowPos(Part, Form, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetWindowLongPtrA(Part, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(H));
        ASSERT_TRUE(IsBelow(Part, Form));
    }
    ASSERT_FALSE(IsBelow(H, Form));
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return !IsBelow(H, Form) && Shadow->AreJustAboveOwner(); }, 5000,
                                       "the shadow's parts back directly above the bar"))
        << StackingText(H, Form, Shadow);
}

TEST(FloatingStacking, FoundBelowItsFormWhileOtherProgramsComeAndGoItGoesBackAboveWithItsShadowOnIt)
{
    TFloatingFixture F;
    const HWND Form = F.Form->GetHandle();
    const HWND Edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 5, 5, 60, 20, Form, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(Edit);
    TScopeExit DestroyEdit([Edit] { DestroyWindow(Edit); });
    const HWND H = F.ToolsWindow()->GetHandle();
    auto* Shadow = dynamic_cast<TcbBarShadow*>(F.ToolsWindow()->GetShadow());
    ASSERT_TRUE(Shadow);
    // The bar above its form, and right above the bar its shadow's parts, all shown.
    const auto StackedWithShadow = [&] {
        if (IsBelow(H, Form) || Shadow->GetPartCount() == 0)
            return false;
        for (int32_t I = 0; I < Shadow->GetPartCount(); ++I)
            if (!IsWindowVisible(Shadow->GetPart(I)->GetHandle()))
                return false;
        return Shadow->AreJustAboveOwner();
    };
    // Other programs show, activate and close their windows meanwhile, and the activation passes
    // between them and this one; a round in which the bar's shadow stays apart from the bar is
    // one too many.
    constexpr int kRounds = 6;
    for (int Round = 0; Round < kRounds; ++Round) {
        TWindowChurn Churn;
        SetActiveWindow(Form);
        // The display puts the form over the bar without a message to either (a virtual desktop
        // raising the focused form): here by taking the owner away for the move and giving it
        // back.
        SetWindowLongPtrA(H, GWLP_HWNDPARENT, 0);
        SetWindowPos(H, Form, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetWindowLongPtrA(H, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(Form));
        ASSERT_EQ(Form, GetWindow(H, GW_OWNER));
        // A change of focus in the form, the form taking the activation back first.
        SetForegroundWindow(Form);
        SetFocus(GetFocus() == Edit ? Form : Edit);
        // Read once the other programs are gone.
        ASSERT_TRUE(TestSupport::PumpUntil([&] { return Churn.Ended() && StackedWithShadow(); }, 20000,
            "round " + std::to_string(Round) + ": the floating bar above its form with its shadow on it"))
            << StackingText(H, Form, Shadow);
    }
}
