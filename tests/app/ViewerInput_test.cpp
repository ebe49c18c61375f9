// The viewer under real input (SendInput): every shortcut runs its command exactly once, and a
// right click on the picture opens the context menu, whose item runs once when clicked.

#include <map>
#include <memory>

#include "app/ViewImageForm.h"
#include "app/ViewerCommandBars.h"
#include "commandbars/windows/cbBarControl.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenu.h"
#include "imagelib/ImgScroll.h"
#include "imagelib/JpegGraphic.h"
#include "platform/rtl/StringList.h"
#include "platform/win/Actions.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Timer.h"
#include "tests/app/PictureTestFiles.h"
#include "tests/support/InputDriver.h"

using namespace PictureTest;
using TestSupport::PumpUntil;

namespace {

void Send(std::initializer_list<INPUT> Inputs)
{
    std::vector<INPUT> V(Inputs);
    SendInput(static_cast<UINT>(V.size()), V.data(), sizeof(INPUT));
}

INPUT Key(WORD Vk, bool Up)
{
    INPUT I{};
    I.type = INPUT_KEYBOARD;
    I.ki.wVk = Vk;
    I.ki.dwFlags = Up ? KEYEVENTF_KEYUP : 0;
    return I;
}

void Press(WORD Vk, bool Ctrl)
{
    if (Ctrl)
        Send({Key(VK_CONTROL, false), Key(Vk, false), Key(Vk, true), Key(VK_CONTROL, true)});
    else
        Send({Key(Vk, false), Key(Vk, true)});
}

void Click(POINT P, bool Right)
{
    const int SX = GetSystemMetrics(SM_CXSCREEN) - 1, SY = GetSystemMetrics(SM_CYSCREEN) - 1;
    INPUT In[3] = {};
    for (INPUT& I : In) {
        I.type = INPUT_MOUSE;
        I.mi.dx = P.x * 65535 / SX;
        I.mi.dy = P.y * 65535 / SY;
        I.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    }
    In[1].mi.dwFlags |= Right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    In[2].mi.dwFlags |= Right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(3, In, sizeof(INPUT));
}

// The screen centre of a link's row in a menu window.
POINT ScreenCenterOf(TCustomcbBarControl* Window, TcbBarItemLink* Link)
{
    const TRect R = Link->GetControl() ? Link->GetControl()->GetItemRect() : TRect{};
    POINT P{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
    ClientToScreen(Window->GetHandle(), &P);
    return P;
}

// A wide coloured picture of Width x 200 and two small ones, listed in that order.
void ThreePictures(TestSupport::TTempFolder& Temp, TStringList& List, int32_t Width)
{
    List.Add(WritePicture<TJpegGraphic>(Temp.File("a.jpg"), Width, 200, 0x2080E0, 8));
    List.Add(WritePicture<TJpegGraphic>(Temp.File("b.jpg"), 64, 48));
    List.Add(WritePicture<TJpegGraphic>(Temp.File("c.jpg"), 64, 48));
}

// The screen centre of the viewer's picture.
POINT PictureCenter(TViewImageForm* F)
{
    TImage* Picture = F->ImageScrollBox->GetImage();
    const TPoint Middle = F->ImageScrollBox->ClientToScreen(
        Point(Picture->GetLeft() + Picture->GetWidth() / 2, Picture->GetTop() + Picture->GetHeight() / 2));
    return POINT{Middle.x, Middle.y};
}

} // namespace

TEST(ViewerInput, ShortcutsRunTheirCommandsOnceAndTheContextMenuRunsTheItemClicked)
{
    TestSupport::TTempFolder Temp;
    TStringList List;
    ThreePictures(Temp, List, 400);
    const TComponentPtr<TViewImageForm> F(new TViewImageForm(nullptr));
    F->FileName = List.GetStrings(0);
    F->ShowCurrent();
    F->FileList = &List;
    F->FileIndex = 0;
    F->Show();
    SetForegroundWindow(F->GetHandle());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == F->GetHandle(); }, 10000, "the viewer in front"));

    std::map<TAction*, int> Runs;
    for (TAction* A : {F->TurnLeftAction, F->TurnRightAction, F->OrgSizeAction, F->ZoomInAction, F->ZoomOutAction,
                       F->PrevAction, F->NextAction, F->CloseAction, F->SlideShowAction}) {
        TNotifyEvent Own = A->OnExecute;
        A->OnExecute = [&Runs, A, Own](TObject* S) {
            ++Runs[A];
            Own(S);
        };
    }
    auto Expect = [&](TAction* A, WORD Vk, bool Ctrl) {
        Press(Vk, Ctrl);
        EXPECT_TRUE(PumpUntil([&] { return Runs[A] >= 1; }, 10000, A->GetCaption()));
        TestSupport::PumpFor(50); // a second run would come with the same key's messages
        EXPECT_EQ(Runs[A], 1) << A->GetCaption();
    };
    Expect(F->TurnRightAction, 'O', true);
    EXPECT_EQ(F->ImageScrollBox->GetGraphic()->GetWidth(), 200);
    EXPECT_EQ(F->ImageScrollBox->GetGraphic()->GetHeight(), 400);
    Expect(F->TurnLeftAction, 'I', true);
    EXPECT_EQ(F->ImageScrollBox->GetGraphic()->GetWidth(), 400);
    Expect(F->ZoomInAction, 'J', true);
    EXPECT_EQ(F->ZoomStep, 110);
    Expect(F->ZoomOutAction, 'K', true);
    EXPECT_EQ(F->ZoomStep, 100);
    Expect(F->OrgSizeAction, 'Z', true);
    EXPECT_EQ(F->ImageScrollBox->GetZoomMode(), zmOriginalSize);
    Expect(F->NextAction, VK_NEXT, false);
    EXPECT_EQ(F->FileIndex, 1);
    Expect(F->PrevAction, VK_PRIOR, false);
    EXPECT_EQ(F->FileIndex, 0);

    // A right click on the picture; the menu's "Next" is clicked once it shows.
    TcbBarPopupMenu* Menu = F->GetCommandBars()->GetPopupMenu();
    bool Shown = false;
    TTimer Answer(nullptr);
    Answer.SetInterval(50);
    Answer.SetOnTimer([&](TObject*) {
        TCustomcbBarControl* W = Menu->GetItemLinks()->GetBarControl();
        if (Shown || !W || !W->HandleAllocated() || !IsWindowVisible(W->GetHandle()))
            return;
        Shown = true;
        TestSupport::PumpFor(200); // the menu finishes drawing before the picture: nothing exposed to wait on
        EXPECT_FALSE(TestSupport::SaveShot(TestSupport::CaptureScreen(F->GetHandle()), "viewer-context-menu").empty());
        Click(ScreenCenterOf(W, Menu->GetItemLinks()->GetItem(2)), false); // Slide Show, Prev, Next
    });
    Answer.SetEnabled(true);
    Click(PictureCenter(F.get()), true);
    EXPECT_TRUE(PumpUntil([&] { return Runs[F->NextAction] >= 2; }, 10000, "Next from the context menu"));
    EXPECT_TRUE(Shown);
    TestSupport::PumpFor(50); // as above
    EXPECT_EQ(Runs[F->NextAction], 2);
    EXPECT_EQ(F->FileIndex, 1);
    Answer.SetEnabled(false);

    SetForegroundWindow(F->GetHandle());
    Expect(F->CloseAction, VK_ESCAPE, false);
    EXPECT_FALSE(IsWindowVisible(F->GetHandle()));
    EXPECT_EQ(Runs[F->SlideShowAction], 0);
}

// The viewer as the images list opens it (modal, freed by its opener): "+" zooms in, the context
// menu draws Slide Show checked while the slide show runs, and its Close ends the viewer.
TEST(ViewerInput, PlusZoomsTheMenuShowsTheSlideShowTickAndItsCloseEndsTheModalViewer)
{
    TestSupport::TTempFolder Temp;
    TStringList List;
    ThreePictures(Temp, List, 320);
    TestSupport::ReleaseHeldInput();

    auto Viewer = [] {
        for (int32_t I = 0; I < AppUI()->GetFormCount(); ++I)
            if (auto* F = dynamic_cast<TViewImageForm*>(AppUI()->GetForms(I)))
                if (F->IsModal() && F->HandleAllocated() && IsWindowVisible(F->GetHandle()))
                    return F;
        return static_cast<TViewImageForm*>(nullptr);
    };
    auto MenuWindow = [](TViewImageForm* F) -> TCustomcbBarControl* {
        TCustomcbBarControl* W = F->GetCommandBars()->GetPopupMenu()->GetItemLinks()->GetBarControl();
        return W && W->HandleAllocated() && IsWindowVisible(W->GetHandle()) ? W : nullptr;
    };
    auto RightClickPicture = [](TViewImageForm* F) { Click(PictureCenter(F), true); };
    // The Slide Show row's glyph column, as drawn.
    auto SlideColumn = [](TCustomcbBarControl* W, TcbBarItemLink* Link) {
        const TestSupport::TShot S = TestSupport::CaptureShown(W->GetHandle());
        const POINT O = TestSupport::ClientOrigin(W->GetHandle());
        const TRect R = Link->GetControl()->GetItemRect();
        std::vector<uint32_t> Column;
        for (int32_t Y = R.top; Y < R.bottom; ++Y)
            for (int32_t X = R.left; X < R.left + (R.bottom - R.top); ++X)
                Column.push_back(S.At(O.x + X, O.y + Y));
        return Column;
    };

    int Step = 0;
    bool Busy = false;
    int32_t ZoomAfterPlus = 0;
    bool TickedWhileRunning = false;
    std::vector<uint32_t> Off, On;
    TTimer Script(nullptr);
    Script.SetInterval(50);
    Script.SetOnTimer([&](TObject*) {
        TViewImageForm* F = Viewer();
        if (Busy || !F)
            return;
        Busy = true;
        TcbBarItemLinks* Links = F->GetCommandBars()->GetPopupMenu()->GetItemLinks();
        switch (Step) {
        case 0: // in front, then "+" from the numeric keypad
            if (GetForegroundWindow() != F->GetHandle()) {
                SetForegroundWindow(F->GetHandle());
                break;
            }
            TestSupport::Press(VK_ADD);
            Step = 1;
            break;
        case 1:
            if (F->ZoomStep == 100)
                break;
            ZoomAfterPlus = F->ZoomStep;
            RightClickPicture(F);
            Step = 2;
            break;
        case 2: // the menu with the slide show off, then closed
            if (TCustomcbBarControl* W = MenuWindow(F)) {
                TestSupport::PumpFor(100);
                Off = SlideColumn(W, Links->GetItem(0));
                W->HideAll();
                Step = 3;
            }
            break;
        case 3:
            if (MenuWindow(F))
                break;
            F->SlideShowAction->Execute();
            RightClickPicture(F);
            Step = 4;
            break;
        case 4: // the menu while the slide show runs; its Close is clicked
            if (TCustomcbBarControl* W = MenuWindow(F)) {
                TestSupport::PumpFor(100);
                On = SlideColumn(W, Links->GetItem(0));
                TickedWhileRunning = F->SlideShowAction->GetChecked();
                Click(ScreenCenterOf(W, Links->GetItem(Links->GetCount() - 1)), false);
                Step = 5;
            }
            break;
        }
        Busy = false;
    });
    Script.SetEnabled(true);
    ShowImageViewer(&List, 0); // returns once the viewer has ended, and has freed it
    Script.SetEnabled(false);

    EXPECT_EQ(Step, 5);
    EXPECT_EQ(ZoomAfterPlus, 110) << "one step in";
    EXPECT_TRUE(TickedWhileRunning);
    ASSERT_EQ(Off.size(), On.size());
    ASSERT_FALSE(Off.empty());
    size_t Changed = 0;
    for (size_t I = 0; I < Off.size(); ++I)
        Changed += Off[I] != On[I];
    EXPECT_GT(Changed, Off.size() / 20) << "the glyph column shows the tick";
    for (int32_t I = 0; I < AppUI()->GetFormCount(); ++I)
        EXPECT_FALSE(dynamic_cast<TViewImageForm*>(AppUI()->GetForms(I))) << "the opener freed the viewer";
}

// The keys act on the picture as the viewer opens, on a GIF (whose picture control takes no
// focus) as on any other file: the arrows leave the slide show's delay alone and Page Down
// steps on.
TEST(ViewerInput, TheKeysActOnThePictureFromTheStartAndNeverOnTheDelayBox)
{
    TestSupport::TTempFolder Temp;
    TStringList List;
    List.Add(WriteGif(Temp.File("a.gif"), 40, 30));
    List.Add(WritePicture<TJpegGraphic>(Temp.File("b.jpg"), 64, 48));
    List.Add(WritePicture<TJpegGraphic>(Temp.File("c.jpg"), 64, 48));
    for (int32_t First : {0, 1}) {
        const TComponentPtr<TViewImageForm> F(new TViewImageForm(nullptr));
        F->FileName = List.GetStrings(First);
        F->ShowCurrent();
        F->FileList = &List;
        F->FileIndex = First;
        F->Show();
        ASSERT_TRUE(TestSupport::BringToFront(*F));
        const HWND Focus = GetFocus();
        EXPECT_NE(Focus, F->SecEdit->GetHandle()) << "opened on file " << First;
        EXPECT_TRUE(Focus == F->GetHandle() || Focus == F->ImageScrollBox->GetHandle()) << "opened on file " << First;
        for (WORD Vk : {VK_UP, VK_UP, VK_DOWN, VK_RIGHT})
            TestSupport::Press(Vk);
        ASSERT_TRUE(TestSupport::WaitProcessed());
        EXPECT_EQ(F->SecUpDown->GetPosition(), 3) << "opened on file " << First;
        EXPECT_EQ(F->SecEdit->GetText(), "3") << "opened on file " << First;
        TestSupport::Press(VK_NEXT);
        ASSERT_TRUE(TestSupport::WaitProcessed());
        EXPECT_EQ(F->FileIndex, First + 1);
        EXPECT_EQ(F->FileName, List.GetStrings(First + 1));
        EXPECT_TRUE(F->ImageScrollBox->GetVisible());
        EXPECT_EQ(F->SecUpDown->GetPosition(), 3);
    }
}
