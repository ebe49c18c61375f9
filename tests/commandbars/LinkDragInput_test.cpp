// Item links dragged while the bars are customized, under the real mouse: drops off every bar,
// onto another bar, an empty bar and an opened menu, copies with Ctrl, group lines given and
// taken by small moves; the cursors during the drag, the insertion mark's pixels, other keys
// reaching their windows, and drags ended by Escape, a capture taken away, a WM_QUIT and the
// owner form going. The drag loop holds the user-interface thread, so the input comes from a
// script thread and what happens inside the loop is sampled by thread timers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <tuple>
#include <string>
#include <vector>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/input/cbBarDrag.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbSubMenu.h"
#include "platform/win/Screen.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/CustomizingFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::Settle;
using CommandBarsTest::TCustomizingFixture;
using TestSupport::TInputScript;

namespace {

POINT Shifted(POINT P, int DX, int DY)
{
    return POINT{P.x + DX, P.y + DY};
}

// A point of the screen far below the form: the desktop, no bar.
POINT Desktop()
{
    return POINT{GetSystemMetrics(SM_CXSCREEN) - 60, GetSystemMetrics(SM_CYSCREEN) - 60};
}

// Presses at From, moves past the drag threshold to Via, then to To, and releases there.
void PlayDrag(TInputScript& S, POINT From, POINT Via, POINT To)
{
    S.MoveTo(From).WaitProcessed().ButtonDown().WaitProcessed();
    S.MoveTo(Via).WaitProcessed().MoveTo(To).WaitProcessed().ButtonUp().WaitProcessed();
}

// Everything a drop could change on a link list: order, items, group lines, user values.
std::string Snapshot(TcbBarItemLinks* Links)
{
    std::string Text;
    for (int32_t I = 0; I < Links->GetCount(); ++I) {
        TcbBarItemLink* L = Links->GetItem(I);
        Text += L->GetItem() ? L->GetItem()->GetCaption() : "?";
        Text += L->GetOwnBeginGroup() ? "|g" : "";
        Text += "|" + L->GetUserCaption() + "|" + std::to_string(L->GetUserDefine().Bits()) + "|" +
            std::to_string(L->GetUserPaintStyle()) + "|" + std::to_string(L->GetVisible()) + ";";
    }
    return Text;
}

std::string SnapshotAll(TCustomizingFixture& F)
{
    return Snapshot(F.MainMenu->GetItemLinks()) + "#" + Snapshot(F.File->GetItemLinks()) + "#" +
        Snapshot(F.Standard->GetItemLinks()) + "#" + Snapshot(F.Tools->GetItemLinks());
}

// The menu window of a sub-item while it is open.
TcbBarSubMenuControl* MenuOf(TCustomcbBarSubItem* SubItem)
{
    for (TCustomcbBarControl* W : TCustomcbBarControl::LiveBarControls())
        if (W->GetItemLinks() == SubItem->GetItemLinks() && W->HandleAllocated() && IsWindowVisible(W->GetHandle()))
            return dynamic_cast<TcbBarSubMenuControl*>(W);
    return nullptr;
}

int32_t WidthOf(TcbBarControl* W)
{
    RECT R{};
    GetWindowRect(W->GetHandle(), &R);
    return R.right - R.left;
}

class LinkDrag : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The previous test's last press lay at the same screen points: a first press within the
        // double-click time would pair with it as a double click, which starts no drag.
        CommandBarsTest::WaitPastDoubleClickTime();
        ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
        ASSERT_NE(F.WindowOf(F.Standard), nullptr);
        ASSERT_NE(F.ControlAt(F.Standard, 0), nullptr) << "customizing shows the controls";
    }
    void TearDown() override { CommandBarsTest::NoteLastPress(); }
    TCustomizingFixture F;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Drops

TEST_F(LinkDrag, SaveDroppedOffEveryBarIsDeletedAndItsGroupLinePassesOn)
{
    TcbBarControl* Window = F.WindowOf(F.Standard);
    TcbBarItemControl* Save = F.ControlAt(F.Standard, 2);
    const int32_t SaveWidth = F.ScreenRectOf(Save).right - F.ScreenRectOf(Save).left;
    const int32_t Before = WidthOf(Window);
    ASSERT_EQ(TCustomizingFixture::Describe(F.Standard->GetItemLinks()), "&New &Open | &Save Find Zoom");

    TInputScript S;
    PlayDrag(S, TCustomizingFixture::CenterOf(Save), Shifted(TCustomizingFixture::CenterOf(Save), 0, 30), Desktop());
    S.Play();
    S.Wait();
    Settle();

    EXPECT_EQ(TCustomizingFixture::Describe(F.Standard->GetItemLinks()), "&New &Open | Find Zoom");
    EXPECT_EQ(WidthOf(Window), Before - SaveWidth) << "the bar is narrower by the button, the line stays";
    EXPECT_TRUE(F.Manager->IsModified());
    EXPECT_EQ(F.Manager->GetDraggingItemLink(), nullptr);
    EXPECT_EQ(F.Manager->GetDraggingItem(), nullptr);
    EXPECT_FALSE(F.Manager->IsItemLinkDragging());
    EXPECT_EQ(GetCapture(), nullptr);
    // The item itself stays: only its place on the bar went.
    EXPECT_EQ(F.File->GetItemLinks()->GetItem(2)->GetItem(), F.Save);
}

TEST_F(LinkDrag, CtrlHeldWhileDroppingOffTheBarsDeletesNothing)
{
    const std::string Before = SnapshotAll(F);
    const POINT Save = TCustomizingFixture::CenterOf(F.ControlAt(F.Standard, 2));
    TInputScript S;
    S.MoveTo(Save).WaitProcessed().ButtonDown().WaitProcessed().MoveTo(Shifted(Save, 0, 30)).WaitProcessed();
    S.KeyDown(VK_CONTROL).WaitProcessed().MoveTo(Desktop()).WaitProcessed().ButtonUp().WaitProcessed();
    S.KeyUp(VK_CONTROL).WaitProcessed();
    S.Play();
    S.Wait();
    Settle();
    EXPECT_EQ(SnapshotAll(F), Before);
}

TEST_F(LinkDrag, SmallMovesAlongTheBarGiveAndTakeGroupLines)
{
    TcbBarControl* Window = F.WindowOf(F.Standard);
    const int32_t GroupSize = Window->GetBeginGroupSize();
    ASSERT_GT(GroupSize, 0);
    const RECT OpenBefore = F.ScreenRectOf(F.ControlAt(F.Standard, 1));
    const POINT Open = TCustomizingFixture::CenterOf(F.ControlAt(F.Standard, 1));

    // 3 pixels (after passing the drag threshold) change nothing.
    {
        const std::string Before = SnapshotAll(F);
        TInputScript S;
        PlayDrag(S, Open, Shifted(Open, 7, 0), Shifted(Open, 3, 0));
        S.Play();
        S.Wait();
        Settle();
        EXPECT_EQ(SnapshotAll(F), Before);
        EXPECT_EQ(F.ScreenRectOf(F.ControlAt(F.Standard, 1)).left, OpenBefore.left);
    }
    // 4 pixels right: Open begins a group, a separator opens before it.
    {
        TInputScript S;
        PlayDrag(S, Open, Shifted(Open, 7, 0), Shifted(Open, 4, 0));
        S.Play();
        S.Wait();
        Settle();
        EXPECT_EQ(TCustomizingFixture::Describe(F.Standard->GetItemLinks()), "&New | &Open | &Save Find Zoom");
        EXPECT_EQ(F.ScreenRectOf(F.ControlAt(F.Standard, 1)).left, OpenBefore.left + GroupSize);
        EXPECT_EQ(F.Standard->GetItemLinks()->GetCount(), 5) << "no link was added or lost";
    }
    // 4 pixels left on Save: its line goes.
    {
        const RECT SaveBefore = F.ScreenRectOf(F.ControlAt(F.Standard, 2));
        const POINT Save = TCustomizingFixture::CenterOf(F.ControlAt(F.Standard, 2));
        TInputScript S;
        PlayDrag(S, Save, Shifted(Save, -7, 0), Shifted(Save, -4, 0));
        S.Play();
        S.Wait();
        Settle();
        EXPECT_EQ(TCustomizingFixture::Describe(F.Standard->GetItemLinks()), "&New | &Open &Save Find Zoom");
        EXPECT_EQ(F.ScreenRectOf(F.ControlAt(F.Standard, 2)).left, SaveBefore.left - GroupSize);
    }
}

// New with a user caption and paint style, onto the leading half of the second button of
// "Tools": it becomes link 1 there with its user values; with Ctrl held both bars keep a link.
void GiveNewUserValues(TCustomizingFixture& F)
{
    TcbBarItemLink* NewLink = F.Standard->GetItemLinks()->GetItem(0);
    NewLink->SetUserCaption("N&ew one");
    NewLink->SetUserPaintStyle(psCaptionGlyph);
    // The wider New pushes "Tools" along: the places are read once the site has settled.
    Settle("the site's layout after the wider New");
}

POINT LeadingHalfOfSecondTool(TCustomizingFixture& F)
{
    const RECT Second = F.ScreenRectOf(F.ControlAt(F.Tools, 1));
    return POINT{Second.left + (Second.right - Second.left) / 4, (Second.top + Second.bottom) / 2};
}

TEST_F(LinkDrag, NewCopiedToAnotherBarWithCtrlStaysOnBoth)
{
    GiveNewUserValues(F);
    const POINT Leading = LeadingHalfOfSecondTool(F);
    const POINT From = TCustomizingFixture::CenterOf(F.ControlAt(F.Standard, 0));
    TInputScript S;
    S.MoveTo(From).WaitProcessed().ButtonDown().WaitProcessed().MoveTo(Shifted(From, 0, 25)).WaitProcessed();
    S.KeyDown(VK_CONTROL).WaitProcessed().MoveTo(Leading).WaitProcessed().ButtonUp().WaitProcessed();
    S.KeyUp(VK_CONTROL).WaitProcessed();
    S.Play();
    S.Wait();
    Settle();
    EXPECT_EQ(TCustomizingFixture::Describe(F.Standard->GetItemLinks()), "N&ew one &Open | &Save Find Zoom");
    EXPECT_EQ(TCustomizingFixture::Describe(F.Tools->GetItemLinks()), "Tool 1 N&ew one Tool 2");
}

TEST_F(LinkDrag, NewMovesToAnotherBarWithItsUserValues)
{
    GiveNewUserValues(F);
    const POINT Leading = LeadingHalfOfSecondTool(F);
    const POINT From = TCustomizingFixture::CenterOf(F.ControlAt(F.Standard, 0));
    TInputScript S;
    PlayDrag(S, From, Shifted(From, 0, 25), Leading);
    S.Play();
    S.Wait();
    Settle();

    ASSERT_EQ(F.Tools->GetItemLinks()->GetCount(), 3) << TCustomizingFixture::Describe(F.Tools->GetItemLinks());
    TcbBarItemLink* Moved = F.Tools->GetItemLinks()->GetItem(1);
    EXPECT_EQ(Moved->GetItem(), F.New);
    EXPECT_EQ(Moved->GetCaption(), "N&ew one");
    EXPECT_TRUE(Moved->GetUserDefine().Contains(udCaption));
    EXPECT_EQ(Moved->GetPaintStyle(), psCaptionGlyph);
    EXPECT_EQ(TCustomizingFixture::Describe(F.Standard->GetItemLinks()), "&Open | &Save Find Zoom");
    // The new link shows and is the selected one.
    ASSERT_NE(Moved->GetControl(), nullptr);
    EXPECT_EQ(F.Manager->GetSelectedItemControl(), Moved->GetControl());
    EXPECT_EQ(F.WindowOf(F.Tools)->GetSelectedControl(), Moved->GetControl());
}

TEST_F(LinkDrag, AMovedGroupStarterLeavesItsLineInPlace)
{
    // Save (which begins a group) onto the trailing half of Zoom: the line stays before Find,
    // and no second line comes with Save.
    const RECT Zoom = F.ScreenRectOf(F.ControlAt(F.Standard, 4));
    const POINT Trailing{Zoom.right - 3, (Zoom.top + Zoom.bottom) / 2};
    const POINT From = TCustomizingFixture::CenterOf(F.ControlAt(F.Standard, 2));
    TInputScript S;
    PlayDrag(S, From, Shifted(From, 0, 25), Trailing);
    S.Play();
    S.Wait();
    Settle();
    EXPECT_EQ(TCustomizingFixture::Describe(F.Standard->GetItemLinks()), "&New &Open | Find Zoom &Save");

    // Find dropped on the leading half of Open (not on its line): Find goes before Open.
    const RECT OpenRect = F.ScreenRectOf(F.ControlAt(F.Standard, 1));
    const POINT OpenLeading{OpenRect.left + 3, (OpenRect.top + OpenRect.bottom) / 2};
    const POINT FindCentre = TCustomizingFixture::CenterOf(F.ControlAt(F.Standard, 2));
    TInputScript S2;
    PlayDrag(S2, FindCentre, Shifted(FindCentre, 0, 25), OpenLeading);
    S2.Play();
    S2.Wait();
    Settle();
    EXPECT_EQ(TCustomizingFixture::Describe(F.Standard->GetItemLinks()), "&New Find &Open | Zoom &Save");
}

TEST_F(LinkDrag, ADropOnAnEmptyBarAddsItsFirstLink)
{
    TcbBar* Empty = F.AddEmptyBar("Empty", 2);
    TcbBarControl* Window = F.WindowOf(Empty);
    ASSERT_NE(Window, nullptr);
    ASSERT_TRUE(Window->HandleAllocated() && IsWindowVisible(Window->GetHandle()));
    RECT Client{};
    GetClientRect(Window->GetHandle(), &Client);
    ASSERT_GT(Client.right, 0);
    POINT Inside{Client.right / 2, Client.bottom / 2};
    ClientToScreen(Window->GetHandle(), &Inside);

    const POINT From = TCustomizingFixture::CenterOf(F.ControlAt(F.Tools, 0));
    TInputScript S;
    PlayDrag(S, From, Shifted(From, 0, 25), Inside);
    S.Play();
    S.Wait();
    Settle();
    ASSERT_EQ(Empty->GetItemLinks()->GetCount(), 1);
    EXPECT_EQ(Empty->GetItemLinks()->GetItem(0)->GetItem(), F.ToolsButtons[0]);
    EXPECT_NE(Empty->GetItemLinks()->GetItem(0)->GetControl(), nullptr);
    EXPECT_EQ(TCustomizingFixture::Describe(F.Tools->GetItemLinks()), "Tool 2");
}

TEST_F(LinkDrag, DraggedOverFileTheMenuOpensAndTakesTheDropBetweenOpenAndSave)
{
    // Where the menu's rows will be: it opens in the same place during the drag.
    TcbBarControl* MenuBar = F.WindowOf(F.MainMenu);
    TcbBarItemControl* FileControl = F.ControlAt(F.MainMenu, 0);
    ASSERT_NE(FileControl, nullptr);
    MenuBar->SelectControlByMouse(FileControl);
    TestSupport::PumpUntil([&] { return MenuOf(F.File) != nullptr; }, 5000, "File's menu to open");
    Settle();
    TcbBarSubMenuControl* Menu = MenuOf(F.File);
    ASSERT_NE(Menu, nullptr) << "a sub-item opens its menu while customizing";
    const RECT SaveRow = F.ScreenRectOf(F.File->GetItemLinks()->GetItem(2)->GetControl());
    FileControl->ControlInactivate(true);
    TestSupport::PumpUntil([&] { return MenuOf(F.File) == nullptr; }, 5000, "File's menu to close");
    Settle();
    ASSERT_EQ(MenuOf(F.File), nullptr);
    // Leading half of "&Save": between "&Open" and "&Save".
    const POINT Between{(SaveRow.left + SaveRow.right) / 2, SaveRow.top + 2};

    const POINT From = TCustomizingFixture::CenterOf(F.ControlAt(F.Tools, 1));
    const POINT File = TCustomizingFixture::CenterOf(FileControl);
    bool MenuSeen = false;
    UINT_PTR Timer = ThreadTimerStart(10, [&](UINT_PTR) {
        if (MenuOf(F.File))
            MenuSeen = true;
    });
    TInputScript S;
    S.MoveTo(From).WaitProcessed().ButtonDown().WaitProcessed().MoveTo(Shifted(From, 0, 25)).WaitProcessed();
    S.MoveTo(File).WaitProcessed().Delay(150).MoveTo(Shifted(File, 0, 8)).WaitProcessed();
    S.MoveTo(Between).WaitProcessed().Delay(100).ButtonUp().WaitProcessed();
    S.Play();
    S.Wait();
    ThreadTimerStop(Timer);
    Settle();
    EXPECT_TRUE(MenuSeen);
    EXPECT_EQ(TCustomizingFixture::Describe(F.File->GetItemLinks()), "&New &Open Tool 2 &Save");
    EXPECT_EQ(TCustomizingFixture::Describe(F.Tools->GetItemLinks()), "Tool 1");
}

// ---------------------------------------------------------------------------------------------
// Feedback and aborts

TEST_F(LinkDrag, CtrlSwitchesTheCursorAtOnceAndEscapeChangesNothing)
{
    ASSERT_NE(Screen, nullptr);
    const HCURSOR Drag = Screen->GetCursors(1041), Copy = Screen->GetCursors(1042), NoDrop = Screen->GetCursors(1043);
    ASSERT_TRUE(Drag && Copy && NoDrop);
    ASSERT_TRUE(Drag != Copy && Copy != NoDrop && Drag != NoDrop);
    const std::string Before = SnapshotAll(F);

    struct TSample {
        HCURSOR Cursor;
        POINT At;
        bool Dragging;
    };
    std::vector<TSample> Samples;
    UINT_PTR Timer = ThreadTimerStart(10, [&](UINT_PTR) {
        POINT P{};
        GetCursorPos(&P);
        Samples.push_back({GetCursor(), P, F.Manager->IsItemLinkDragging()});
    });
    const POINT From = TCustomizingFixture::CenterOf(F.ControlAt(F.Standard, 1));
    const POINT Tool = TCustomizingFixture::CenterOf(F.ControlAt(F.Tools, 0));
    TInputScript S;
    S.MoveTo(From).WaitProcessed().ButtonDown().WaitProcessed().MoveTo(Shifted(From, 0, 25)).WaitProcessed();
    S.MoveTo(Tool).WaitProcessed().Delay(120);
    S.KeyDown(VK_CONTROL).WaitProcessed().Delay(120).KeyUp(VK_CONTROL).WaitProcessed().Delay(120);
    S.MoveTo(Desktop()).WaitProcessed().Delay(120).Press(VK_ESCAPE).WaitProcessed().ButtonUp().WaitProcessed();
    S.Play();
    S.Wait();
    ThreadTimerStop(Timer);
    Settle();

    // The cursors while dragging, each run once: drag, copy and drag again at the same point,
    // then no-drop over the desktop.
    std::vector<TSample> Runs;
    for (const TSample& X : Samples)
        if (X.Dragging && (Runs.empty() || Runs.back().Cursor != X.Cursor))
            Runs.push_back(X);
    std::vector<HCURSOR> Cursors;
    for (const TSample& X : Runs)
        Cursors.push_back(X.Cursor);
    const size_t First = std::find(Cursors.begin(), Cursors.end(), Copy) - Cursors.begin();
    ASSERT_LT(First, Cursors.size()) << "the copy cursor never showed";
    ASSERT_GE(First, 1u);
    ASSERT_LT(First + 2, Cursors.size());
    EXPECT_EQ(Cursors[First - 1], Drag);
    EXPECT_EQ(Cursors[First + 1], Drag);
    EXPECT_EQ(Cursors.back(), NoDrop);
    // Ctrl alone switched it: the mouse stood still at the tool button meanwhile.
    EXPECT_EQ(Runs[First].At.x, Tool.x);
    EXPECT_EQ(Runs[First].At.y, Tool.y);
    EXPECT_EQ(Runs[First + 1].At.x, Tool.x);

    EXPECT_EQ(SnapshotAll(F), Before) << "Escape ends the drag without a change";
    EXPECT_FALSE(F.Manager->IsItemLinkDragging());
    EXPECT_EQ(F.Manager->GetDraggingItemLink(), nullptr);
}

TEST_F(LinkDrag, TheInsertionMarkDrawnTwiceRestoresEveryPixel)
{
    TcbBarControl* Window = F.WindowOf(F.Standard);
    TcbBarItemLink* Open = F.Standard->GetItemLinks()->GetItem(1);
    TcbBarItemLink* Save = F.Standard->GetItemLinks()->GetItem(2);
    // Away from the bar, so that the cursor is no part of the picture.
    SetCursorPos(Desktop().x, Desktop().y);
    TestSupport::PumpUntil(
        [] {
            POINT P{};
            return GetCursorPos(&P) && P.x == Desktop().x && P.y == Desktop().y;
        },
        5000, "the cursor on the desktop");
    Settle("the bar repainted without its hot button");
    const TestSupport::TShot Before = TestSupport::CaptureShown(Window->GetHandle());
    ASSERT_GT(Before.W, 0);
    RECT Bar{};
    GetWindowRect(Window->GetHandle(), &Bar);
    POINT Client{0, 0};
    ClientToScreen(Window->GetHandle(), &Client);
    const int32_t OX = Client.x - Bar.left, OY = Client.y - Bar.top;

    for (const auto& [Link, Outside, Leading] :
         std::vector<std::tuple<TcbBarItemLink*, bool, bool>>{{Open, false, true}, {Open, false, false}, {Save, true, true}}) {
        DrawDragInsertMark(Window, Link, Outside, Leading);
        const TestSupport::TShot Marked = TestSupport::CaptureShown(Window->GetHandle());
        if (Link == Open && Leading)
            TestSupport::SaveShot(Marked, "link-insert-mark");
        // Only pixels near the edge changed, each to its inverse.
        const TRect R = Window->GetItemRect(Link->GetControl());
        const TRect E = Outside ? Window->GetItemRectWithBeginGroup(Link->GetControl()) : R;
        const int32_t X = (Leading ? E.left : R.right) + OX;
        size_t Changed = 0;
        for (int32_t Y = 0; Y < Before.H; ++Y)
            for (int32_t I = 0; I < Before.W; ++I)
                if (Before.At(I, Y) != Marked.At(I, Y)) {
                    ++Changed;
                    EXPECT_LE(std::abs(I - X), 3) << "at " << I << "," << Y;
                    EXPECT_GE(Y, R.top + OY);
                    EXPECT_LT(Y, R.bottom + OY);
                    EXPECT_EQ(Marked.At(I, Y), (~Before.At(I, Y)) & 0xFFFFFF);
                }
        EXPECT_GT(Changed, static_cast<size_t>(2 * (R.bottom - R.top - 4)));
        DrawDragInsertMark(Window, Link, Outside, Leading);
        const TestSupport::TShot After = TestSupport::CaptureShown(Window->GetHandle());
        ASSERT_EQ(After.Pixels.size(), Before.Pixels.size());
        size_t Left = 0;
        for (size_t I = 0; I < Before.Pixels.size(); ++I)
            Left += (Before.Pixels[I] & 0xFFFFFF) != (After.Pixels[I] & 0xFFFFFF);
        EXPECT_EQ(Left, 0u) << "pixels left over after erasing";
    }
}

TEST_F(LinkDrag, ACaptureTakenAwayOrAQuitEndsTheDragWithoutAChange)
{
    const std::string Before = SnapshotAll(F);
    TcbBarItemLink* Save = F.Standard->GetItemLinks()->GetItem(2);
    const POINT Tool = TCustomizingFixture::CenterOf(F.ControlAt(F.Tools, 1));
    TEdit* Other = new TEdit(F.Form.get());
    Other->SetParent(F.Form.get());
    Other->SetBounds(20, 300, 100, 22);

    // Another window takes the capture from a timer while the cursor is over "Tools".
    {
        SetCursorPos(TCustomizingFixture::CenterOf(Save->GetControl()).x, TCustomizingFixture::CenterOf(Save->GetControl()).y);
        bool Took = false;
        UINT_PTR Timer = ThreadTimerStart(400, [&](UINT_PTR Id) {
            ThreadTimerStop(Id);
            Took = true;
            SetCapture(Other->GetHandle());
        });
        TInputScript S;
        S.MoveTo(Tool).WaitProcessed();
        S.Play();
        const DWORD Start = GetTickCount();
        DragItemLink(F.Manager, Save->GetItem(), Save);
        ThreadTimerStop(Timer);
        S.Wait();
        ReleaseCapture();
        EXPECT_TRUE(Took);
        EXPECT_GE(GetTickCount() - Start, 380u);
        Settle();
        EXPECT_EQ(SnapshotAll(F), Before);
        EXPECT_FALSE(F.Manager->IsItemLinkDragging());
    }
    // A WM_QUIT ends it too and is posted again with its exit code.
    {
        Save = F.Standard->GetItemLinks()->GetItem(2);
        UINT_PTR Timer = ThreadTimerStart(300, [&](UINT_PTR Id) {
            ThreadTimerStop(Id);
            PostQuitMessage(7);
        });
        SetCursorPos(Tool.x, Tool.y);
        DragItemLink(F.Manager, Save->GetItem(), Save);
        ThreadTimerStop(Timer);
        bool Quit = false;
        WPARAM Code = 0;
        MSG Msg{};
        const DWORD Deadline = GetTickCount() + 2000;
        while (!Quit && GetTickCount() < Deadline) {
            if (!PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
                continue;
            }
            if (Msg.message == WM_QUIT) {
                Quit = true;
                Code = Msg.wParam;
            } else {
                TranslateMessage(&Msg);
                DispatchMessageA(&Msg);
            }
        }
        EXPECT_TRUE(Quit) << "the quit was not posted again";
        EXPECT_EQ(Code, 7u);
        EXPECT_EQ(SnapshotAll(F), Before);
        EXPECT_EQ(GetCapture(), nullptr);
    }
}

// Only Esc and Ctrl belong to the drag: any other key goes on to its window meanwhile (a letter
// typed into an edit of the form shows there), and the drag goes on until Esc ends it.
TEST_F(LinkDrag, KeysOtherThanEscAndCtrlReachTheirWindowsDuringTheDrag)
{
    const std::string Before = SnapshotAll(F);
    TEdit* Other = new TEdit(F.Form.get());
    Other->SetParent(F.Form.get());
    Other->SetBounds(20, 300, 100, 22);
    const HWND Edit = Other->GetHandle();
    auto Post = [Edit](UINT Msg, WORD Key) {
        const LPARAM Data = (MapVirtualKeyA(Key, MAPVK_VK_TO_VSC) << 16) | 1 | (Msg == WM_KEYUP ? 0xC0000000u : 0);
        PostMessageA(Edit, Msg, Key, Data);
    };
    auto Typed = [Other] {
        const std::string Text = Other->GetText();
        return Text == "a" || Text == "A";
    };
    TcbBarItemLink* Save = F.Standard->GetItemLinks()->GetItem(2);
    const POINT Tool = TCustomizingFixture::CenterOf(F.ControlAt(F.Tools, 1));
    SetCursorPos(Tool.x, Tool.y);
    // Inside the drag: the letter first; Esc once the edit shows it, or after a good while when
    // it never does.
    int Ticks = 0;
    bool TypedWhileDragging = false, EscPosted = false;
    UINT_PTR Timer = ThreadTimerStart(20, [&](UINT_PTR) {
        if (!F.Manager->IsItemLinkDragging() || EscPosted)
            return;
        if (++Ticks == 1) {
            Post(WM_KEYDOWN, 'A');
            Post(WM_KEYUP, 'A');
        } else if (Typed() || Ticks > 150) {
            TypedWhileDragging = Typed();
            Post(WM_KEYDOWN, VK_ESCAPE);
            EscPosted = true;
        }
    });
    DragItemLink(F.Manager, Save->GetItem(), Save);
    ThreadTimerStop(Timer);
    EXPECT_TRUE(EscPosted);
    EXPECT_TRUE(TypedWhileDragging) << "the letter reached the edit during the drag";
    Settle();
    EXPECT_TRUE(Typed());
    EXPECT_EQ(SnapshotAll(F), Before) << "Esc still ends the drag without a change";
    EXPECT_FALSE(F.Manager->IsItemLinkDragging());
}

TEST_F(LinkDrag, TheOwnerFormGoingInMidDragEndsItQuietly)
{
    // A form of its own with a manager, a toolbar and one button; freed by a timer in mid-drag.
    TForm* Form = new TForm(nullptr);
    Form->SetBounds(100, 500, 300, 200);
    auto* Manager = new TcbBarManager(Form);
    Manager->SetStyle(bmsFlat);
    TcbBar* Bar = Manager->GetBars()->Add();
    Bar->SetCaption("Own");
    auto* Button = new TcbBarButton(Form);
    Button->SetCaption("Own button");
    Bar->GetItemLinks()->Add()->SetItem(Button);
    Form->Show();
    Bar->SetDockingStyle(dsTop);
    Bar->SetVisible(true);
    Manager->SetIsCustomizing(true);
    Settle();
    TcbBarItemLink* Link = Bar->GetItemLinks()->GetItem(0);
    ASSERT_NE(Link->GetControl(), nullptr);
    bool Freed = false;
    UINT_PTR Timer = ThreadTimerStart(300, [&](UINT_PTR Id) {
        ThreadTimerStop(Id);
        Freed = true;
        delete Form;
    });
    SetCursorPos(Desktop().x, Desktop().y);
    DragItemLink(Manager, Button, Link);
    ThreadTimerStop(Timer);
    EXPECT_TRUE(Freed);
    EXPECT_EQ(GetCapture(), nullptr);
    // The drag state of the surviving manager is untouched.
    EXPECT_FALSE(F.Manager->IsItemLinkDragging());
    Settle();
}
