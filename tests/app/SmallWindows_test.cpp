// The small windows in-process: splash, tip of the day, shut-down countdown, minimize notice,
// About, wait and progress windows. Modal ones are answered by a timer that finds them by
// caption; each window is saved as <build>/screenshots/window-<name>.bmp (the test run makes a PNG of
// it) and sample pixels are checked so a window that draws nothing fails. Last, the fitting of
// the windows to their text, at the system's font and at a larger one, and the check of it.
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>

#include <commctrl.h>

#include "app/AboutForm.h"
#include "app/AddFileForm.h"
#include "app/AddFileMaskForm.h"
#include "app/ConfirmOverwriteForm.h"
#include "app/FormParts.h"
#include "app/GenProgressForm.h"
#include "app/LoadingForm.h"
#include "app/NewFolderForm.h"
#include "app/OptionsForm.h"
#include "app/SchemeForm.h"
#include "app/ShowMinPromptForm.h"
#include "app/ShutdownForm.h"
#include "app/TaskForm.h"
#include "app/TipForm.h"
#include "app/WaitForm.h"
#include "app/WallpaperOptionsForm.h"
#include "platform/win/Timer.h"
#include "tests/support/NoClippedText.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using TestSupport::ExpectNoClippedText;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;
using TestSupport::TShot;

namespace {

// The window as the screen shows it after the program's own loop ran (Wine draws the frames of
// this program's windows itself).
TShot Capture(HWND W)
{
    return TestSupport::CaptureShown(W);
}

// Saves the shot as window-<Name>.bmp (24-bit, bottom-up) in the screenshot folder.
void Save(const std::string& Name, const TShot& S)
{
    const std::string Dir = TestSupport::MakeScreenshotFolder(QM_SCREENSHOT_DIR);
    EXPECT_TRUE(TestSupport::WriteBmp(Dir + "\\window-" + Name + ".bmp", S)) << Name;
}

// A control's top-left in its top-level window's coordinates (frame included).
POINT InWindow(HWND Top, TControl* C)
{
    RECT WR;
    GetWindowRect(Top, &WR);
    TPoint P = C->GetParent()->ClientToScreen(Point(C->GetLeft(), C->GetTop()));
    return POINT{P.x - WR.left, P.y - WR.top};
}

std::string WindowText(HWND W)
{
    char Buf[1024] = {};
    SendMessageA(W, WM_GETTEXT, sizeof(Buf), reinterpret_cast<LPARAM>(Buf));
    return Buf;
}

// The thread's visible top-level window with that caption, or nullptr.
HWND FindByCaption(const std::string& Caption)
{
    for (HWND W : TestSupport::VisibleThreadWindows())
        if (WindowText(W) == Caption)
            return W;
    return nullptr;
}

// A timer that runs Action once, when a visible window of this thread has Caption.
class TWhenShown {
public:
    TWhenShown(std::string Caption, std::function<void(HWND)> Action)
        : FCaption(std::move(Caption)), FAction(std::move(Action)), FTimer(new TTimer(nullptr))
    {
        FTimer->SetInterval(60);
        FTimer->SetOnTimer([this](TObject*) {
            HWND W = FindByCaption(FCaption);
            if (!W || FDone)
                return;
            FDone = true;
            FTimer->SetEnabled(false);
            FAction(W);
        });
        FTimer->SetEnabled(true);
    }
    bool Done() const { return FDone; }

private:
    std::string FCaption;
    std::function<void(HWND)> FAction;
    bool FDone = false;
    TComponentPtr<TTimer> FTimer;
};

void ClickButton(TWinControl* B) { SendMessageA(B->GetHandle(), BM_CLICK, 0, 0); }

constexpr uint32_t BannerNavy = 0x000080; // the banner's background

// The test log of shell and help calls, switched on for one test.
class TSeamLog {
public:
    TSeamLog() : FPath(FFolder.File("seams.log")) { SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", FPath.c_str()); }
    ~TSeamLog() { SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", nullptr); }
    std::vector<std::string> Lines() const
    {
        std::ifstream In(FPath, std::ios::binary);
        std::vector<std::string> Out;
        std::string L;
        while (std::getline(In, L)) {
            if (!L.empty() && L.back() == '\r')
                L.pop_back();
            Out.push_back(L);
        }
        return Out;
    }

private:
    TestSupport::TTempFolder FFolder;
    std::string FPath;
};

// Tip 1 as the user reads it.
const std::string Tip1 = "Right click the link which is you want in IE browser, and select \"Download Images by "
                         "Quillmoor\", you may download images from the link quickly.";

} // namespace

TEST(SplashWindow, ShowsCentredOnTopThenClosesAndFreesItself)
{
    bool Destroyed = false;
    TLoadingForm* S = TLoadingForm::ShowSplash();
    S->OnDestroy = [&](TObject*) { Destroyed = true; };
    const HWND W = S->GetHandle();
    ASSERT_TRUE(IsWindowVisible(W));
    EXPECT_EQ(GetWindowLongA(W, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_NE(GetWindowLongA(W, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    RECT R;
    GetWindowRect(W, &R);
    const int CX = (GetSystemMetrics(SM_CXSCREEN) - (R.right - R.left)) / 2;
    const int CY = (GetSystemMetrics(SM_CYSCREEN) - (R.bottom - R.top)) / 2;
    EXPECT_LE(abs(R.left - CX), 1);
    EXPECT_LE(abs(R.top - CY), 1);
    EXPECT_EQ(WindowText(S->WebLabel->GetHandle()), "http://www.example.com/");
    EXPECT_EQ(WindowText(S->MailLabel->GetHandle()), "support@quillmoor.invalid");
    EXPECT_EQ(S->NewlyLabel->GetCaption(), "For newly one, please visit our web site");
    EXPECT_NE(S->NoticeLabel->GetCaption().find("Quillmoor team"), std::string::npos);

    const TShot Shot = Capture(W);
    const POINT Img = InWindow(W, S->Image);
    EXPECT_EQ(S->Image->GetWidth(), 320);
    EXPECT_EQ(Shot.At(Img.x + 2, Img.y + 2), BannerNavy) << "the banner is drawn";
    EXPECT_EQ(Shot.At(Img.x + 300, Img.y + 40), BannerNavy);
    Save("splash", Shot);
    ExpectNoClippedText(S);

    // The two-second timer closes it; the window frees its object.
    ASSERT_TRUE(PumpUntil([&] { return Destroyed && !IsWindow(W); }, 10000, "the splash closing by itself"));

    // A second splash closes on a click on its picture.
    bool Destroyed2 = false;
    TLoadingForm* S2 = TLoadingForm::ShowSplash();
    S2->OnDestroy = [&](TObject*) { Destroyed2 = true; };
    S2->Timer->SetEnabled(false); // only the click may close it
    const HWND Second = S2->GetHandle();
    const HWND Panel = S2->Image->GetParent()->GetHandle();
    const LPARAM At = MAKELPARAM(S2->Image->GetLeft() + 20, S2->Image->GetTop() + 20);
    PostMessageA(Panel, WM_LBUTTONDOWN, MK_LBUTTON, At);
    PostMessageA(Panel, WM_LBUTTONUP, 0, At);
    ASSERT_TRUE(PumpUntil([&] { return Destroyed2 && !IsWindow(Second); }, 10000, "the splash closing on a click"));
}

TEST(TipWindow, ShowsTheTipsAndReportsTheChoices)
{
    TComponentPtr<TTipForm> F(new TTipForm(nullptr));
    const HWND Memo = F->TipMemo->GetHandle();
    ASSERT_EQ(F->GetTipCount(), 8);
    F->ShowTip(8);
    EXPECT_EQ(WindowText(Memo), Tip1);
    EXPECT_EQ(F->GetCurrentIndex(), 0);
    for (int32_t Bad : {20, -1, 9, INT32_MIN, INT32_MAX}) {
        F->ShowTip(7);
        F->ShowTip(Bad);
        EXPECT_EQ(WindowText(Memo), Tip1) << Bad;
        EXPECT_EQ(F->GetCurrentIndex(), 0) << Bad;
    }
    F->ShowTip(7);
    EXPECT_EQ(WindowText(Memo), "Visit our website to find new version of Quillmoor at http://www.example.com/");
    ClickButton(F->NextTipButton);
    EXPECT_EQ(WindowText(Memo), Tip1) << "after the last tip comes the first";
    ClickButton(F->NextTipButton);
    EXPECT_EQ(WindowText(Memo), "Double click image file can view image in full screen mode.");
    EXPECT_EQ(F->GetCurrentIndex(), 1);
    for (int32_t I = 0; I < F->GetTipCount(); ++I) {
        EXPECT_LE(F->GetTips(I).size(), TTipForm::MaxTipLength);
        EXPECT_EQ(F->GetTips(I).find("%s"), std::string::npos) << I;
    }

    // Modal: tick the box, go one tip on, close; the opener reads both back.
    F->ShowTip(3);
    TShot Shot;
    TWhenShown Answer("Tip of the Day", [&](HWND W) {
        ClickButton(F->ShowTipCheckBox);
        ClickButton(F->NextTipButton);
        Shot = Capture(W);
        ClickButton(F->CloseButton);
    });
    EXPECT_EQ(F->ShowModal(), mrOk);
    EXPECT_TRUE(Answer.Done());
    EXPECT_TRUE(F->GetDontShowTips());
    EXPECT_EQ(F->GetCurrentIndex(), 4);
    ASSERT_GT(Shot.W, 0);
    const POINT M = InWindow(F->GetHandle(), F->TipMemo);
    EXPECT_EQ(Shot.At(M.x + F->TipMemo->GetWidth() - 8, M.y + F->TipMemo->GetHeight() - 6), 0xFFFFFFu)
        << "the read-only memo is white";
    Save("tip", Shot);
    ExpectNoClippedText(F.get());
}

// A tip window deleted rather than freed (made on the stack, say) runs its destroy handler while
// the window is still a tip window with its tips, not after its own part is gone.
TEST(TipWindow, DeletedPlainlyItsDestroyHandlerRunsWhileItIsWhole)
{
    for (int Round = 0; Round < 3; ++Round) {
        int Calls = 0;
        bool Whole = false;
        size_t TipsThen = 0;
        {
            TTipForm F(nullptr);
            auto Own = F.OnDestroy;
            ASSERT_TRUE(Own);
            F.OnDestroy = [&, Own](TObject* S) {
                ++Calls;
                auto* Tip = dynamic_cast<TTipForm*>(S);
                Whole = Tip != nullptr;
                TipsThen = Tip ? size_t(Tip->GetTipCount()) : 0;
                Own(S);
            };
        }
        EXPECT_EQ(Calls, 1) << Round;
        EXPECT_TRUE(Whole) << Round;
        EXPECT_EQ(TipsThen, 8u) << Round;
    }
    // And through the heap with a plain delete.
    bool Whole = false;
    auto* F = new TTipForm(nullptr);
    auto Own = F->OnDestroy;
    F->OnDestroy = [&, Own](TObject* S) {
        Whole = dynamic_cast<TTipForm*>(S) != nullptr;
        Own(S);
    };
    delete F;
    EXPECT_TRUE(Whole);
}

TEST(ShutdownWindow, CountsDownAndClosesWithOk)
{
    TComponentPtr<TShutdownForm> F(new TShutdownForm(nullptr));
    const HWND Bar = F->ProgressBar->GetHandle();
    EXPECT_EQ(F->ShutLabel->GetCaption(), "Auto shutdown computer in 15 second(s)");
    EXPECT_EQ(SendMessageA(Bar, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(SendMessageA(Bar, PBM_GETRANGE, FALSE, 0), 15);
    for (int K = 1; K <= 10; ++K) {
        F->TimerTimer(nullptr);
        EXPECT_EQ(F->ShutLabel->GetCaption(), "Auto shutdown computer in " + std::to_string(15 - K) + " second(s)");
        EXPECT_EQ(SendMessageA(Bar, PBM_GETPOS, 0, 0), K);
    }
    // The last five ticks inside the modal loop: the fifteenth ends it with OK.
    TShot Shot;
    TWhenShown Answer("Shutdown computer", [&](HWND W) {
        Shot = Capture(W);
        for (int K = 11; K <= 15; ++K)
            F->TimerTimer(nullptr);
    });
    EXPECT_EQ(F->ShowModal(), mrOk);
    EXPECT_TRUE(Answer.Done());
    EXPECT_EQ(F->ShutLabel->GetCaption(), "Auto shutdown computer in 0 second(s)");
    EXPECT_EQ(SendMessageA(Bar, PBM_GETPOS, 0, 0), 15);
    EXPECT_FALSE(F->Timer->GetEnabled());
    F->TimerTimer(nullptr);
    EXPECT_EQ(F->GetCount(), 15) << "no tick past the end";
    ASSERT_GT(Shot.W, 0);
    const COLORREF Hi = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_GT(Shot.CountOf((GetRValue(Hi) << 16) | (GetGValue(Hi) << 8) | GetBValue(Hi)), 50u) << "the bar is drawn";
    Save("shutdown", Shot);
    ExpectNoClippedText(F.get());
}

TEST(ShutdownWindow, CancelEndsAtOnceAndTheCountStops)
{
    TComponentPtr<TShutdownForm> F(new TShutdownForm(nullptr));
    TWhenShown Answer("Shutdown computer", [&](HWND) { ClickButton(F->CancelButton); });
    EXPECT_EQ(F->ShowModal(), mrCancel);
    const int32_t Count = F->GetCount();
    const std::string Label = F->ShutLabel->GetCaption();
    EXPECT_FALSE(F->Timer->GetEnabled());
    // Two ticks of a timer at the form's interval: two of the form's would have come by then.
    int Ticks = 0;
    TComponentPtr<TTimer> Clock(new TTimer(nullptr));
    Clock->SetInterval(F->Timer->GetInterval());
    Clock->SetOnTimer([&Ticks](TObject*) { ++Ticks; });
    Clock->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&Ticks] { return Ticks >= 2; }, 20000, "two ticks of the reference timer"));
    EXPECT_EQ(F->GetCount(), Count);
    EXPECT_EQ(F->ShutLabel->GetCaption(), Label);
}

TEST(ShutdownWindow, TheRealTimerEndsTheCountdownWithOk)
{
    TComponentPtr<TShutdownForm> F(new TShutdownForm(nullptr));
    EXPECT_EQ(F->ShowModal(), mrOk);
    EXPECT_EQ(F->GetCount(), 15);
    EXPECT_EQ(F->ShutLabel->GetCaption(), "Auto shutdown computer in 0 second(s)");
}

TEST(MinimizeNotice, NamesTheProductAndReportsTheBox)
{
    TComponentPtr<TShowMinPromptForm> F(new TShowMinPromptForm(nullptr));
    EXPECT_EQ(F->PNameLabel->GetCaption(), "Quillmoor minimized");
    EXPECT_EQ(F->Line1Label->GetCaption(), "To restore main window, just click the search icon on");
    EXPECT_EQ(F->Line2Label->GetCaption(), "system panel once.");
    EXPECT_EQ(WindowText(F->ShowNextCheck->GetHandle()), "Don't show this window on next time");
    EXPECT_FALSE(F->Image->GetPicture()->GetGraphic() == nullptr) << "the program icon is shown";
    TShot Shot;
    TWhenShown Answer("Minized", [&](HWND W) {
        ClickButton(F->ShowNextCheck);
        Shot = Capture(W);
        ClickButton(F->OKButton);
    });
    EXPECT_EQ(F->ShowModal(), mrOk);
    EXPECT_TRUE(Answer.Done());
    EXPECT_TRUE(F->ShowNextCheck->GetChecked());
    ASSERT_GT(Shot.W, 0);
    EXPECT_GT(Shot.CountOf(0x00FFFF), 20u) << "the icon's glass";
    Save("minimized", Shot);
    ExpectNoClippedText(F.get());
}

TEST(AboutWindow, LinksOpenThroughTheShellAndShowTheHand)
{
    TSeamLog Log;
    TComponentPtr<TAboutForm> F(new TAboutForm(nullptr));
    F->SetFormStyle(fsStayOnTop);
    F->Show();
    const HWND Web = F->WebLabel->GetHandle();
    const HWND Mail = F->MailLabel->GetHandle();
    EXPECT_NE(GetWindowLongA(Web, GWL_STYLE) & SS_NOTIFY, 0);
    const TShot Shot = Capture(F->GetHandle());

    PostMessageA(Web, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(Web, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(PumpUntil([&] { return Log.Lines().size() == 1; }, 10000, "the web label's shell call"));
    ClickButton(F->GoWebButton);
    PostMessageA(Mail, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(Mail, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(PumpUntil([&] { return Log.Lines().size() == 3; }, 10000, "three shell calls"));
    PumpFor(100);
    const std::vector<std::string> Lines = Log.Lines();
    ASSERT_EQ(Lines.size(), 3u);
    EXPECT_EQ(Lines[0], "shell\topen\thttp://www.example.com/\t\t1");
    EXPECT_EQ(Lines[1], "shell\topen\thttp://www.example.com/\t\t1");
    EXPECT_EQ(Lines[2], "shell\topen\tmailto:support@quillmoor.invalid\t\t1");

    // The hand over a link.
    for (HWND Link : {Web, Mail}) {
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        RECT R;
        GetWindowRect(Link, &R);
        SetCursorPos(R.left + 3, R.top + 3);
        SendMessageA(Link, WM_SETCURSOR, reinterpret_cast<WPARAM>(Link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));
    }
    F->Hide();

    const POINT Img = InWindow(F->GetHandle(), F->Image);
    EXPECT_EQ(Shot.At(Img.x + 2, Img.y + 2), BannerNavy) << "the banner is drawn";
    Save("about", Shot);
    ExpectNoClippedText(F.get());
}

TEST(AboutWindow, EscAndTheCloseButtonCloseIt)
{
    TComponentPtr<TAboutForm> F(new TAboutForm(nullptr));
    TWhenShown Esc("About", [&](HWND) { PostMessageA(F->GoWebButton->GetHandle(), WM_KEYDOWN, VK_ESCAPE, 0); });
    EXPECT_EQ(F->ShowModal(), mrCancel);
    EXPECT_TRUE(Esc.Done());
    EXPECT_FALSE(IsWindowVisible(F->GetHandle()));
    TWhenShown Close("About", [&](HWND W) { PostMessageA(W, WM_SYSCOMMAND, SC_CLOSE, 0); });
    EXPECT_EQ(F->ShowModal(), mrCancel);
    EXPECT_TRUE(Close.Done());
    EXPECT_NE(GetWindowLongA(F->GetHandle(), GWL_STYLE) & WS_SYSMENU, 0) << "the title bar has its close button";
}

TEST(WaitWindow, ShowsTheMessageAndSurvivesHiding)
{
    TComponentPtr<TWaitForm> F(new TWaitForm(nullptr));
    F->SetFormStyle(fsStayOnTop);
    F->MessageLabel->SetCaption("Terminate threads");
    F->Show();
    F->Update();
    const HWND W = F->GetHandle();
    EXPECT_EQ(WindowText(F->MessageLabel->GetHandle()), "Terminate threads");
    EXPECT_TRUE(IsWindowVisible(W));
    EXPECT_EQ(GetWindowLongA(W, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_EQ(F->PleaseLabel->GetCaption(), "Please wait ...");
    const TShot Shot = Capture(W);
    Save("wait", Shot);
    ExpectNoClippedText(F.get());
    F->Hide();
    EXPECT_TRUE(IsWindow(W));
    EXPECT_FALSE(IsWindowVisible(W));
    F->ShowMessage("Saving the images library");
    EXPECT_TRUE(IsWindowVisible(W));
    EXPECT_EQ(WindowText(F->MessageLabel->GetHandle()), "Saving the images library");
    F->Hide();
    EXPECT_GT(Shot.CountOf(0), 30u) << "the bold message is drawn";
}

TEST(ProgressWindow, StaysOnTopWithoutSystemMenuAndWorksAfterASecondShow)
{
    TComponentPtr<TGenProgressForm> F(new TGenProgressForm(nullptr));
    F->Show();
    const HWND W = F->GetHandle();
    const HWND Bar = F->ProgressBar->GetHandle();
    EXPECT_EQ(WindowText(W), "Please wait a moment ...");
    EXPECT_NE(GetWindowLongA(W, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(GetWindowLongA(W, GWL_STYLE) & WS_SYSMENU, 0);
    EXPECT_NE(GetWindowLongA(W, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_EQ(F->InfoLabel->GetCaption(), "HTML Generate is in progress:");
    F->SetMax(9);
    F->SetPosition(4);
    F->UpdateNow();
    EXPECT_EQ(SendMessageA(Bar, PBM_GETRANGE, FALSE, 0), 9);
    EXPECT_EQ(SendMessageA(Bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageA(Bar, PBM_GETPOS, 0, 0), 4);
    const TShot Shot = Capture(W);
    Save("genprogress", Shot);
    ExpectNoClippedText(F.get());
    F->Hide();

    F->Show();
    F->SetMax(0); // one picture: a bar of 0..0
    EXPECT_EQ(SendMessageA(Bar, PBM_GETRANGE, FALSE, 0), 0);
    EXPECT_EQ(SendMessageA(Bar, PBM_GETPOS, 0, 0), 0);
    F->SetMax(3);
    F->SetPosition(2);
    F->UpdateNow();
    EXPECT_EQ(SendMessageA(Bar, PBM_GETRANGE, FALSE, 0), 3);
    EXPECT_EQ(SendMessageA(Bar, PBM_GETPOS, 0, 0), 2);
    F->Hide();
    const COLORREF Hi = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_GT(Shot.CountOf((GetRValue(Hi) << 16) | (GetGValue(Hi) << 8) | GetBValue(Hi)), 50u) << "the bar is drawn";
}

// ---------------------------------------------------------------------------------------------
// Text that fits: the check itself, the fitting of the program's windows, and every window at a
// font half as large again as the system's.

namespace {

// The failures Statement reports, kept from the running test.
template <class F>
std::vector<std::string> FailuresOf(F Statement)
{
    ::testing::TestPartResultArray Results;
    {
        ::testing::ScopedFakeTestPartResultReporter Catch(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &Results);
        Statement();
    }
    std::vector<std::string> Out;
    for (int I = 0; I < Results.size(); ++I)
        Out.push_back(Results.GetTestPartResult(I).message());
    return Out;
}

// Words up to Pixels wide in Font, at least.
std::string TextOf(TFont* Font, int32_t Pixels)
{
    std::string T = "Wide";
    while (MeasureText(Font, T, DT_SINGLELINE).cx < Pixels)
        T += " words";
    return T;
}

int32_t TextWidth(TControl* C, const std::string& Text, UINT Format = DT_SINGLELINE)
{
    return MeasureText(C->GetFont(), Text, Format).cx;
}

bool Overlap(const TRect& A, const TRect& B)
{
    return A.left < B.right && B.left < A.right && A.top < B.bottom && B.top < A.bottom;
}

// The form and every control it owns, at any depth.
void OwnedControls(TComponent* C, std::vector<TControl*>& Out)
{
    if (auto* Control = dynamic_cast<TControl*>(C))
        Out.push_back(Control);
    for (int32_t I = 0; I < C->GetComponentCount(); ++I)
        OwnedControls(C->GetComponents(I), Out);
}

} // namespace

TEST(NoClippedText, FailsOnTextWiderOrTallerThanItsControlAndPassesWhenItFits)
{
    TForm F(nullptr);
    F.SetClientSize(700, 400);
    TLabel* L = PlaceLabel(&F, &F, 10, 10, 100, 20);
    L->SetCaption(TextOf(L->GetFont(), 300));
    ASSERT_GE(TextWidth(L, L->GetCaption()), 300);
    EXPECT_NONFATAL_FAILURE(ExpectNoClippedText(&F), "is cut at the right");
    L->SetWidth(TextWidth(L, L->GetCaption()));
    EXPECT_EQ(FailuresOf([&] { ExpectNoClippedText(&F); }), std::vector<std::string>{});
    L->SetHeight(4);
    EXPECT_NONFATAL_FAILURE(ExpectNoClippedText(&F), "is cut at the bottom");
    L->SetHeight(20);

    // On a group on a panel: a button needs room for its frame, a check box and a radio button
    // for their box.
    auto* Panel = PlaceControl<TPanel>(&F, &F, 0, 40, 700, 300);
    auto* Group = PlaceControl<TGroupBox>(Panel, &F, 10, 10, 680, 280);
    auto* B = PlaceControl<TButton>(Group, &F, 10, 20, 400, 25);
    B->SetCaption("&Apply");
    auto* Check = PlaceControl<TCheckBox>(Group, &F, 10, 60, 400, 17);
    Check->SetCaption("Save as website directory structure");
    auto* Radio = PlaceControl<TRadioButton>(Group, &F, 10, 90, 400, 17);
    Radio->SetCaption("Minimize main window");
    for (TButtonControl* C : std::initializer_list<TButtonControl*>{B, Check, Radio}) {
        SCOPED_TRACE(C->ClassName());
        const int32_t Text = TextWidth(C, C->GetCaption());
        C->SetWidth(Text);
        EXPECT_NONFATAL_FAILURE(ExpectNoClippedText(&F), C->GetCaption());
        C->SetWidth(Text + 40);
        EXPECT_EQ(FailuresOf([&] { ExpectNoClippedText(&F); }), std::vector<std::string>{});
    }
    // A static window wraps: too narrow, its lines fall below it.
    auto* Static = PlaceControl<TStaticText>(Group, &F, 10, 120, 60, 17);
    Static->SetCaption("Saving the images library");
    EXPECT_NONFATAL_FAILURE(ExpectNoClippedText(&F), "is cut at the bottom");
    Static->SetWidth(TextWidth(Static, Static->GetCaption(), DT_SINGLELINE | DT_NOPREFIX) + 2);
    EXPECT_EQ(FailuresOf([&] { ExpectNoClippedText(&F); }), std::vector<std::string>{});
    // What the caller leaves to its own test is not looked at.
    Static->SetWidth(60);
    EXPECT_EQ(FailuresOf([&] { ExpectNoClippedText(&F, {Static}); }), std::vector<std::string>{});
}

TEST(FitText, ControlsGrowToTheirTextAndTheWindowWithThem)
{
    TForm F(nullptr);
    F.SetBorderStyle(bsDialog);
    F.SetClientSize(300, 100);
    TLabel* L = PlaceLabel(&F, &F, 10, 12, 60, 15);
    L->SetCaption(TextOf(L->GetFont(), 200));
    auto* E = PlaceControl<TEdit>(&F, &F, 80, 8, 210, 21); // 10 after the label, margin 10
    auto* Ok = PlaceControl<TButton>(&F, &F, 134, 66, 75, 25);
    Ok->SetCaption("&OK");
    Ok->SetAnchors(TAnchors{akTop, akRight});
    auto* Cancel = PlaceControl<TButton>(&F, &F, 215, 66, 75, 25);
    Cancel->SetCaption(TextOf(Cancel->GetFont(), 120)); // 6 after OK, margin 10
    Cancel->SetAnchors(TAnchors{akTop, akRight});
    auto* Centred = PlaceControl<TCheckBox>(&F, &F, 100, 40, 100, 17);
    Centred->SetCaption("Short");
    Centred->SetAnchors(TAnchors{akTop});

    FitText(&F);
    const int32_t LabelW = TextWidth(L, L->GetCaption());
    EXPECT_EQ(L->GetWidth(), LabelW);
    EXPECT_EQ(E->GetLeft(), 10 + LabelW + 10) << "the edit keeps its gap after the label";
    EXPECT_EQ(E->GetWidth(), 210);
    const int32_t ClientW = F.GetClientWidth();
    EXPECT_EQ(ClientW, E->GetLeft() + 210 + 10) << "the window keeps its margin";
    EXPECT_EQ(Cancel->GetLeft() + Cancel->GetWidth(), ClientW - 10) << "the buttons keep to the right edge";
    EXPECT_EQ(Ok->GetLeft() + Ok->GetWidth(), Cancel->GetLeft() - 6);
    EXPECT_GE(Cancel->GetWidth(), TextWidth(Cancel, Cancel->GetCaption()) + 8);
    EXPECT_EQ(Ok->GetWidth(), 75);
    EXPECT_LE(std::abs(2 * Centred->GetLeft() + Centred->GetWidth() - ClientW), 1) << "still centred";
    EXPECT_EQ(F.GetClientHeight(), 100);
    ExpectNoClippedText(&F);

    // Once fitted, a second run changes nothing.
    const TRect Before[] = {L->GetBoundsRect(), E->GetBoundsRect(), Ok->GetBoundsRect(), Cancel->GetBoundsRect()};
    FitText(&F);
    const TRect After[] = {L->GetBoundsRect(), E->GetBoundsRect(), Ok->GetBoundsRect(), Cancel->GetBoundsRect()};
    for (size_t I = 0; I < 4; ++I)
        EXPECT_TRUE(EqualRect(&Before[I], &After[I])) << I;
    EXPECT_EQ(F.GetClientWidth(), ClientW);

    // A taller font pushes what stands below and makes the window taller.
    Ok->GetFont()->SetHeight(-40);
    FitText(&F);
    EXPECT_GE(Ok->GetHeight(), 40);
    EXPECT_EQ(F.GetClientHeight(), Ok->GetTop() + Ok->GetHeight() + 9);
    ExpectNoClippedText(&F);
}

TEST(FitText, AWindowOfFixedSizeWrapsTheLabelThatFallsShort)
{
    TForm F(nullptr);
    F.SetBorderStyle(bsDialog);
    F.SetClientSize(300, 120);
    TLabel* L = PlaceLabel(&F, &F, 10, 12, 60, 15);
    L->SetCaption("Some words that will never fit on one line in so little room");
    auto* E = PlaceControl<TEdit>(&F, &F, 80, 8, 200, 21);
    auto* Check = PlaceControl<TCheckBox>(&F, &F, 10, 80, 100, 17);
    Check->SetCaption("Enable file size limit");
    // A row with room at its end: what follows the label moves along into it.
    TLabel* Short = PlaceLabel(&F, &F, 10, 50, 40, 15, "Username :");
    auto* ShortEdit = PlaceControl<TEdit>(&F, &F, 60, 46, 100, 21);
    const int32_t ShortW = TextWidth(Short, Short->GetCaption());
    ASSERT_GT(ShortW, 46);
    FitText(&F, tfKeepSize);
    EXPECT_FALSE(Short->GetWordWrap());
    EXPECT_EQ(Short->GetWidth(), ShortW);
    EXPECT_EQ(ShortEdit->GetLeft(), 10 + ShortW + 4);
    EXPECT_EQ(ShortEdit->GetWidth(), 100);
    EXPECT_EQ(F.GetClientWidth(), 300);
    EXPECT_EQ(F.GetClientHeight(), 120);
    EXPECT_EQ(E->GetLeft(), 80);
    EXPECT_TRUE(L->GetWordWrap());
    EXPECT_EQ(L->GetLeft() + L->GetWidth(), 80 - 4) << "the label keeps clear of the edit";
    EXPECT_GT(L->GetHeight(), 15);
    EXPECT_GE(Check->GetWidth(), TextWidth(Check, Check->GetCaption()));
    EXPECT_LE(Check->GetLeft() + Check->GetWidth(), 280) << "no wider than the room the window has";
    ExpectNoClippedText(&F);
}

namespace {

// The window made by Make with every font of it Scale times as large, fitted again: nothing is
// cut, nothing runs past its parent, and no two controls that stood apart overlap.
void ExpectFitsAtLargerFont(const std::function<TCustomForm*()>& Make, double Scale, TTextFit Fit)
{
    TComponentPtr<TCustomForm> F(Make());
    SCOPED_TRACE(F->ClassName());
    std::vector<TControl*> Controls;
    OwnedControls(F.get(), Controls);
    std::vector<int32_t> Heights;
    std::vector<TRect> Was;
    for (TControl* C : Controls) {
        Heights.push_back(C->GetFont()->GetHeight());
        Was.push_back(C->GetBoundsRect());
    }
    for (size_t I = 0; I < Controls.size(); ++I)
        Controls[I]->GetFont()->SetHeight(static_cast<int32_t>(Heights[I] * Scale));
    const int32_t ClientW = F->GetClientWidth(), ClientH = F->GetClientHeight();
    FitText(F.get(), Fit);
    if (Fit == tfKeepSize) {
        // The design grows by the font's scale and no more, whatever its texts need; fitting
        // again at the same font changes nothing.
        const double FontScale = double(F->GetFont()->GetHeight()) / Heights[0];
        EXPECT_NEAR(F->GetClientWidth(), ClientW * FontScale, 1.0);
        EXPECT_NEAR(F->GetClientHeight(), ClientH * FontScale, 1.0);
        const int32_t FittedW = F->GetWidth(), FittedH = F->GetHeight();
        FitText(F.get(), Fit);
        EXPECT_EQ(F->GetWidth(), FittedW);
        EXPECT_EQ(F->GetHeight(), FittedH);
    }
    ExpectNoClippedText(F.get());
    for (size_t I = 0; I < Controls.size(); ++I) {
        TControl* C = Controls[I];
        if (C == F.get() || C->GetAlign() != alNone || !C->GetParent())
            continue;
        const std::string What = C->ClassName() + " \"" + C->GetCaption() + "\"";
        // A notebook page gets its size when it is first shown.
        if (C->GetParent()->GetClientWidth() > 0) {
            EXPECT_LE(C->GetLeft() + C->GetWidth(), C->GetParent()->GetClientWidth()) << What;
            EXPECT_LE(C->GetTop() + C->GetHeight(), C->GetParent()->GetClientHeight()) << What;
        }
        for (size_t J = I + 1; J < Controls.size(); ++J) {
            TControl* D = Controls[J];
            if (D->GetParent() != C->GetParent() || D->GetAlign() != alNone || Overlap(Was[I], Was[J]))
                continue;
            const TRect A = C->GetBoundsRect(), B = D->GetBoundsRect();
            EXPECT_FALSE(Overlap(A, B)) << What << " (" << A.left << ", " << A.top << ", " << A.right << ", "
                                        << A.bottom << ") and " << D->ClassName() << " \"" << D->GetCaption()
                                        << "\" (" << B.left << ", " << B.top << ", " << B.right << ", "
                                        << B.bottom << ")";
        }
    }
}

TCustomForm* MakeSplash()
{
    auto* F = new TLoadingForm(nullptr);
    F->Timer->SetEnabled(false); // it would free itself
    return F;
}

} // namespace

// Every window that may grow holds its text at fonts twice as large.
TEST(FitText, EveryWindowThatMayGrowHoldsItsTextAtTwiceTheFont)
{
    const std::vector<std::function<TCustomForm*()>> Windows = {
        MakeSplash,
        [] { return new TAboutForm(nullptr); },
        [] { return new TTipForm(nullptr); },
        [] { return new TShutdownForm(nullptr); },
        [] { return new TShowMinPromptForm(nullptr); },
        [] { return new TWaitForm(nullptr); },
        [] { return new TGenProgressForm(nullptr); },
        [] { return new TNewFolderForm(nullptr); },
        [] { return new TAddFileForm(nullptr); },
        [] { return new TAddFileMaskForm(nullptr); },
        [] { return new TWallpaperOptionsForm(nullptr); },
        [] { return new TConfirmOverwriteForm(nullptr); },
        [] { return new TOptionForm(nullptr); },
    };
    for (const auto& Make : Windows)
        ExpectFitsAtLargerFont(Make, 2.0, tfGrow);
}

// The dialogs whose size is fixed keep it in units of their font and hold their text at the fonts
// of 120 and 144 dots per inch and at larger system fonts: the layout grows by the font's scale,
// then labels move along or wrap and the rest takes the free room beside it.
TEST(FitText, DialogsOfFixedSizeHoldTheirTextAtLargerFonts)
{
    for (double Scale : {1.25, 1.5, 1.75, 2.0}) {
        SCOPED_TRACE(Scale);
        ExpectFitsAtLargerFont([] { return new TTaskForm(nullptr); }, Scale, tfKeepSize);
        ExpectFitsAtLargerFont([] { return new TSchemeForm(nullptr); }, Scale, tfKeepSize);
    }
}
