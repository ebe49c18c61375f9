// A hidden window that cannot be made (the system refuses it now and then) must not end the
// program: the timer that wanted it reports the failure and its caller goes on, on a worker
// thread as in a tick; once the program's end has begun no hidden window is asked for at all.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>

#include <windows.h>

#include "platform/win/Application.h"
#include "platform/win/GuardCallback.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/Timer.h"
#include "tests/platform/win/TestThread.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;

namespace {

// Whatever a test leaves of the seam is cleared, so a later test makes its windows.
struct TFailureSeam {
    explicit TFailureSeam(int32_t Count) { THiddenWindow::FailNextCreations(Count); }
    ~TFailureSeam() { THiddenWindow::FailNextCreations(0); }
};

bool ReportedRefusedWindow(const TestSupport::TExceptionCapture& Capture)
{
    for (const auto& E : Capture.Entries())
        if (E.ClassName == "EOSError" && E.Message.find("Cannot create a hidden window") != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(HiddenWindowFailure, AWorkerWhoseTimerGetsNoWindowReportsItGoesOnAndTheNextChangeMakesOne)
{
    TestSupport::TExceptionCapture Capture;
    TFailureSeam Seam(1);
    std::atomic<bool> WentOn{false};
    std::atomic<bool> WindowOnRetry{false};
    TTestThread T([&](TTestThread&) {
        TTimer Timer;
        Timer.SetOnTimer([](TObject*) {});
        Timer.SetEnabled(true); // the refused window
        WentOn = Timer.GetWindowHandle() == nullptr;
        Timer.SetInterval(500); // asks again, now granted
        WindowOnRetry = Timer.GetWindowHandle() != nullptr;
    });
    T.Resume();
    T.WaitFor();
    EXPECT_TRUE(WentOn.load()) << "the worker's body stopped at the refused window: "
                               << T.GetFailureClassName() << " " << T.GetFailureMessage();
    EXPECT_TRUE(WindowOnRetry.load());
    EXPECT_FALSE(T.GetFailure());
    EXPECT_TRUE(ReportedRefusedWindow(Capture));
}

TEST(HiddenWindowFailure, ATickWhoseOtherTimerGetsNoWindowReportsItAndTheTickGoesOn)
{
    TestSupport::TExceptionCapture Capture;
    TTimer Second;
    Second.SetEnabled(false);
    Second.SetInterval(20);
    std::atomic<int> SecondTicks{0};
    Second.SetOnTimer([&](TObject*) { ++SecondTicks; });
    TTimer First;
    First.SetInterval(10);
    bool TickEnded = false;
    First.SetOnTimer([&](TObject*) {
        First.SetEnabled(false);
        TFailureSeam Seam(1);
        Second.SetEnabled(true);
        TickEnded = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return TickEnded; }, 20000, "the first timer's tick to run to its end"));
    EXPECT_TRUE(ReportedRefusedWindow(Capture));
    EXPECT_EQ(Second.GetWindowHandle(), nullptr);
    // The refused timer starts once a change asks for its window again.
    Second.SetInterval(10);
    EXPECT_TRUE(PumpUntil([&] { return SecondTicks.load() > 0; }, 20000, "the second timer's tick"));
    Second.SetEnabled(false);
}

namespace {

// A component the application owns whose destruction starts a timer, as a form's close handler
// might: the application frees it during the program's end.
class TStartsTimerWhenFreed : public TComponent {
public:
    explicit TStartsTimerWhenFreed(TComponent* AOwner) : TComponent(AOwner) {}
    ~TStartsTimerWhenFreed() override
    {
        TTimer Timer;
        Timer.SetOnTimer([](TObject*) {});
        Timer.SetInterval(50);
        gGotWindow = Timer.GetWindowHandle() != nullptr;
    }
    static inline bool gGotWindow = false;
};

// The child program's whole end, as a program ends: the exit code tells what happened.
[[noreturn]] void EndTheProgramWithATimerStartingInIt(bool WindowsRefused)
{
    new TStartsTimerWhenFreed(Application);
    THiddenWindow::FailNextCreations(WindowsRefused ? 100 : 0);
    ApplicationDone();
    std::fprintf(stderr, "ended cleanly\n");
    std::fflush(stderr);
    std::exit(TStartsTimerWhenFreed::gGotWindow ? 2 : 0);
}

} // namespace

TEST(HiddenWindowFailure, TheProgramsEndAsksForNoHiddenWindowAndEndsCleanlyWhenTheSystemRefusesThem)
{
    // Run in a child program: the end frees this program's application object.
    EXPECT_EXIT(EndTheProgramWithATimerStartingInIt(false), testing::ExitedWithCode(0), "ended cleanly");
    EXPECT_EXIT(EndTheProgramWithATimerStartingInIt(true), testing::ExitedWithCode(0), "ended cleanly");
}
