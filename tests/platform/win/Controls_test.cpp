// Lazy windows, re-creation, align layout, anchors, splitter, reflection and windowless controls.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"
#include "tests/support/HiddenForm.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;
using TestSupport::THiddenForm;

namespace {

BOOL CALLBACK CountWindow(HWND, LPARAM P)
{
    ++*reinterpret_cast<int*>(P);
    return TRUE;
}

bool SameRect(const TRect& A, const TRect& B)
{
    return A.left == B.left && A.top == B.top && A.right == B.right && A.bottom == B.bottom;
}

std::string Str(const TRect& R)
{
    return std::to_string(R.left) + "," + std::to_string(R.top) + "," + std::to_string(R.right) + "," + std::to_string(R.bottom);
}

} // namespace

TEST(TWinControl, MadeOnAWorkerWithoutParentGetsNoWindowUntilParented)
{
    TPanel* Panel = nullptr;
    TEdit* Edit = nullptr;
    int WorkerWindows = -1;
    std::thread Worker([&] {
        Panel = new TPanel(nullptr);
        Edit = new TEdit(Panel);
        Edit->SetParent(Panel);
        Edit->SetText("before the window");
        WorkerWindows = 0;
        EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&WorkerWindows));
    });
    Worker.join();
    EXPECT_EQ(WorkerWindows, 0);
    EXPECT_FALSE(Panel->HandleAllocated());
    EXPECT_FALSE(Edit->HandleAllocated());
    THiddenForm F(300, 200);
    Panel->SetParent(F.Form.get());
    ASSERT_TRUE(Panel->HandleAllocated());
    ASSERT_TRUE(Edit->HandleAllocated());
    EXPECT_EQ(GetWindowThreadProcessId(Edit->GetHandle(), nullptr), GetCurrentThreadId());
    char Buf[64] = {};
    GetWindowTextA(Edit->GetHandle(), Buf, sizeof(Buf));
    EXPECT_STREQ(Buf, "before the window");
    EXPECT_EQ(TWinControl::FindControl(Edit->GetHandle()), Edit);
    Panel->Free();
}

TEST(TWinControl, ChildWithoutParentWindowRaises)
{
    TComponentPtr<TEdit> E(new TEdit(nullptr));
    EXPECT_THROW(E->HandleNeeded(), EInvalidOperation);
}

TEST(TWinControl, RecreationKeepsStateAndChildren)
{
    THiddenForm F(400, 300);
    TPanel* Panel = new TPanel(F.Form.get());
    Panel->SetParent(F.Form.get());
    Panel->SetBounds(10, 10, 380, 280);
    TListBox* List = new TListBox(F.Form.get());
    List->SetParent(Panel);
    List->SetBounds(5, 5, 100, 100);
    List->GetItems()->Add("zero");
    List->GetItems()->Add("one");
    List->GetItems()->Add("two");
    List->SetItemIndex(1);
    TEdit* Edit = new TEdit(F.Form.get());
    Edit->SetParent(Panel);
    Edit->SetBounds(120, 5, 100, 21);
    Edit->SetText("hello world");
    Edit->SetSelStart(2);
    Edit->SetSelLength(3);
    TCheckBox* Check = new TCheckBox(F.Form.get());
    Check->SetParent(Panel);
    Check->SetBounds(120, 40, 100, 17);
    Check->SetChecked(true);

    HWND OldList = List->GetHandle();
    List->RecreateWnd();
    Edit->RecreateWnd();
    Check->RecreateWnd();
    EXPECT_NE(List->GetHandle(), OldList);
    EXPECT_EQ(SendMessageA(List->GetHandle(), LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(List->GetHandle(), LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(Edit->GetText(), "hello world");
    EXPECT_EQ(Edit->GetSelStart(), 2);
    EXPECT_EQ(Edit->GetSelLength(), 3);
    EXPECT_EQ(SendMessageA(Check->GetHandle(), BM_GETCHECK, 0, 0), BST_CHECKED);

    // The parent's re-creation keeps its children, their windows' bounds and state.
    HWND OldPanel = Panel->GetHandle();
    Panel->RecreateWnd();
    EXPECT_NE(Panel->GetHandle(), OldPanel);
    ASSERT_TRUE(List->HandleAllocated());
    EXPECT_EQ(::GetParent(List->GetHandle()), Panel->GetHandle());
    RECT R;
    GetWindowRect(Edit->GetHandle(), &R);
    MapWindowPoints(nullptr, Panel->GetHandle(), reinterpret_cast<POINT*>(&R), 2);
    EXPECT_EQ(Str(R), "120,5,220,26");
    EXPECT_EQ(List->GetItemIndex(), 1);
    EXPECT_EQ(Edit->GetText(), "hello world");
    EXPECT_TRUE(Check->GetChecked());
    EXPECT_EQ(SendMessageA(Check->GetHandle(), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST(TWinControl, AlignLayoutFollowsResizeHideAndShow)
{
    THiddenForm F(600, 400);
    TForm* Form = F.Form.get();
    auto Make = [&](TAlign A, int32_t Size) {
        TPanel* P = new TPanel(Form);
        P->SetBounds(0, 0, Size, Size);
        P->SetAlign(A);
        P->SetParent(Form);
        return P;
    };
    TPanel* Top = Make(alTop, 50);
    TPanel* Bottom = Make(alBottom, 30);
    TPanel* Left = Make(alLeft, 150);
    TSplitter* Split = new TSplitter(Form);
    Split->SetBounds(150, 0, 3, 10);
    Split->SetParent(Form);
    TPanel* Client = Make(alClient, 10);
    EXPECT_EQ(Str(Top->GetBoundsRect()), "0,0,600,50");
    EXPECT_EQ(Str(Bottom->GetBoundsRect()), "0,370,600,400");
    EXPECT_EQ(Str(Left->GetBoundsRect()), "0,50,150,370");
    EXPECT_EQ(Str(Split->GetBoundsRect()), "150,50,153,370");
    EXPECT_EQ(Str(Client->GetBoundsRect()), "153,50,600,370");

    Form->SetClientSize(800, 600);
    EXPECT_EQ(Str(Client->GetBoundsRect()), "153,50,800,570");
    const TRect Before[] = {Top->GetBoundsRect(), Bottom->GetBoundsRect(), Left->GetBoundsRect(),
                            Split->GetBoundsRect(), Client->GetBoundsRect()};
    Top->Hide();
    EXPECT_EQ(Str(Left->GetBoundsRect()), "0,0,150,570");
    EXPECT_EQ(Str(Client->GetBoundsRect()), "153,0,800,570");
    Top->Show();
    const TRect After[] = {Top->GetBoundsRect(), Bottom->GetBoundsRect(), Left->GetBoundsRect(),
                           Split->GetBoundsRect(), Client->GetBoundsRect()};
    for (int I = 0; I < 5; ++I)
        EXPECT_TRUE(SameRect(Before[I], After[I])) << I << ": " << Str(After[I]);

    // Two top panels keep their order through hide and show.
    TPanel* Second = Make(alTop, 20);
    Second->SetTop(60);
    Form->Realign();
    EXPECT_EQ(Str(Second->GetBoundsRect()), "0,50,800,70");
    Top->Hide();
    EXPECT_EQ(Second->GetTop(), 0);
    Top->Show();
    EXPECT_EQ(Top->GetTop(), 0);
    EXPECT_EQ(Second->GetTop(), 50);
    // The window follows the object.
    RECT R;
    GetWindowRect(Client->GetHandle(), &R);
    MapWindowPoints(nullptr, Form->GetHandle(), reinterpret_cast<POINT*>(&R), 2);
    EXPECT_EQ(Str(R), Str(Client->GetBoundsRect()));
}

TEST(TWinControl, AnchorsKeepDistancesToRightAndBottom)
{
    THiddenForm F(400, 300);
    TButton* B = new TButton(F.Form.get());
    B->SetParent(F.Form.get());
    B->SetBounds(300, 250, 75, 25);
    B->SetAnchors(TAnchors{akRight, akBottom});
    TEdit* E = new TEdit(F.Form.get());
    E->SetParent(F.Form.get());
    E->SetBounds(10, 10, 380, 21);
    E->SetAnchors(TAnchors{akLeft, akTop, akRight});
    F.Form->SetClientSize(500, 450);
    EXPECT_EQ(Str(B->GetBoundsRect()), "400,400,475,425");
    EXPECT_EQ(Str(E->GetBoundsRect()), "10,10,490,31");
}

TEST(TSplitter, DragByPostedMouseMessagesResizesItsNeighbour)
{
    THiddenForm F(600, 400);
    TForm* Form = F.Form.get();
    TPanel* Left = new TPanel(Form);
    Left->SetBounds(0, 0, 150, 10);
    Left->SetAlign(alLeft);
    Left->SetParent(Form);
    TSplitter* Split = new TSplitter(Form);
    Split->SetBounds(150, 0, 3, 10);
    Split->SetParent(Form);
    TPanel* Client = new TPanel(Form);
    Client->SetAlign(alClient);
    Client->SetParent(Form);
    int Moved = 0;
    Split->OnMoved = [&](TObject*) { ++Moved; };
    const HWND W = Form->GetHandle();
    auto Post = [&](UINT Msg, WPARAM Keys, int X, int Y) { PostMessageA(W, Msg, Keys, MAKELPARAM(X, Y)); };
    Post(WM_LBUTTONDOWN, MK_LBUTTON, 151, 100);
    Post(WM_MOUSEMOVE, MK_LBUTTON, 171, 100);
    Post(WM_MOUSEMOVE, MK_LBUTTON, 191, 100);
    Post(WM_LBUTTONUP, 0, 191, 100);
    ASSERT_TRUE(PumpUntil([&] { return Moved == 1; }, 10000, "OnMoved"));
    EXPECT_EQ(Left->GetWidth(), 190);
    EXPECT_EQ(Client->GetWidth(), 600 - 153 - 40);
    Post(WM_LBUTTONDOWN, MK_LBUTTON, 191, 100);
    Post(WM_MOUSEMOVE, MK_LBUTTON, -809, 100);
    Post(WM_LBUTTONUP, 0, -809, 100);
    ASSERT_TRUE(PumpUntil([&] { return Moved == 2; }, 10000, "OnMoved again"));
    EXPECT_EQ(Left->GetWidth(), 30);
}

TEST(TWinControl, ButtonClickIsReflectedAndExceptionsReachTheApplication)
{
    THiddenForm F(300, 200);
    int FormCommands = 0;
    TButton* B = new TButton(F.Form.get());
    B->SetParent(F.Form.get());
    int Clicks = 0;
    B->OnClick = [&](TObject* Sender) {
        EXPECT_EQ(Sender, B);
        ++Clicks;
    };
    F.Form->AddCommandHandler([&](uint16_t) { return ++FormCommands, false; });
    SendMessageA(B->GetHandle(), BM_CLICK, 0, 0);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(FormCommands, 0);
    {
        TestSupport::TExceptionCapture Capture;
        B->OnClick = [&](TObject*) { throw EConvertError("bad click"); };
        SendMessageA(B->GetHandle(), BM_CLICK, 0, 0);
        ASSERT_EQ(Capture.Count(), 1u);
        EXPECT_EQ(Capture.Entries()[0].Message, "bad click");
    }
    B->OnClick = [&](TObject*) { ++Clicks; };
    SendMessageA(B->GetHandle(), BM_CLICK, 0, 0);
    EXPECT_EQ(Clicks, 2);
}

TEST(TStdCtrls, CheckAndRadioClicksFromCodeOnlyOnChange)
{
    THiddenForm F(300, 200);
    TCheckBox* C = new TCheckBox(F.Form.get());
    C->SetParent(F.Form.get());
    int CheckClicks = 0;
    C->OnClick = [&](TObject*) { ++CheckClicks; };
    C->SetChecked(true);
    C->SetChecked(true);
    EXPECT_EQ(CheckClicks, 1);
    SendMessageA(C->GetHandle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(C->GetChecked());
    EXPECT_EQ(CheckClicks, 2);
    TRadioButton* R1 = new TRadioButton(F.Form.get());
    TRadioButton* R2 = new TRadioButton(F.Form.get());
    R1->SetParent(F.Form.get());
    R2->SetParent(F.Form.get());
    int R1Clicks = 0;
    R1->OnClick = [&](TObject*) { ++R1Clicks; };
    R1->SetChecked(true);
    R1->SetChecked(true);
    EXPECT_EQ(R1Clicks, 1);
    SendMessageA(R2->GetHandle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(R2->GetChecked());
    EXPECT_FALSE(R1->GetChecked());
    EXPECT_EQ(SendMessageA(R1->GetHandle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST(TStdCtrls, ComboItemIndexFromCodeIsSilentUserChoiceIsNot)
{
    THiddenForm F(300, 200);
    TComboBox* C = new TComboBox(F.Form.get());
    C->SetParent(F.Form.get());
    C->GetItems()->Add("a");
    C->GetItems()->Add("b");
    int Changes = 0;
    C->OnChange = [&](TObject*) { ++Changes; };
    C->SetItemIndex(1);
    EXPECT_EQ(Changes, 0);
    SendMessageA(C->GetHandle(), CB_SETCURSEL, 0, 0);
    SendMessageA(F.Form->GetHandle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(C->GetHandle()), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(C->GetHandle()));
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(C->GetItemIndex(), 0);
}

TEST(TStdCtrls, MaskEditPasswordAndOwnerDrawList)
{
    THiddenForm F(300, 300);
    TMaskEdit* M = new TMaskEdit(F.Form.get());
    M->SetParent(F.Form.get());
    M->SetEditMask("99999");
    for (char Ch : std::string("12a3456"))
        SendMessageA(M->GetHandle(), WM_CHAR, static_cast<unsigned char>(Ch), 1);
    EXPECT_EQ(M->GetText(), "12345");
    TEdit* P = new TEdit(F.Form.get());
    P->SetParent(F.Form.get());
    P->SetPasswordChar('*');
    for (char Ch : std::string("secret"))
        SendMessageA(P->GetHandle(), WM_CHAR, static_cast<unsigned char>(Ch), 1);
    EXPECT_EQ(P->GetText(), "secret");
    EXPECT_EQ(SendMessageA(P->GetHandle(), EM_GETPASSWORDCHAR, 0, 0), '*');

    TListBox* L = new TListBox(F.Form.get());
    L->SetStyle(lbOwnerDrawFixed);
    L->SetBounds(0, 40, 200, 200);
    L->SetParent(F.Form.get());
    for (int I = 0; I < 4; ++I)
        L->GetItems()->Add("item " + std::to_string(I));
    L->SetItemIndex(2);
    std::vector<std::pair<int32_t, bool>> Drawn;
    L->OnDrawItem = [&](TObject*, int32_t Index, TRect, TOwnerDrawState S) { Drawn.emplace_back(Index, S.Contains(odSelected)); };
    // Paint into a memory DC through WM_PRINTCLIENT: the form is never shown.
    HDC Screen = GetDC(nullptr);
    HDC DC = CreateCompatibleDC(Screen);
    HBITMAP Bmp = CreateCompatibleBitmap(Screen, 200, 200);
    HGDIOBJ Old = SelectObject(DC, Bmp);
    SendMessageA(L->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(DC), PRF_CLIENT);
    SelectObject(DC, Old);
    DeleteObject(Bmp);
    DeleteDC(DC);
    ReleaseDC(nullptr, Screen);
    std::map<int32_t, bool> Seen(Drawn.begin(), Drawn.end());
    EXPECT_EQ(Seen.size(), 4u);
    for (auto [I, Sel] : Seen)
        EXPECT_EQ(Sel, I == 2) << I;
}

TEST(TGraphicControl, MouseGoesToTopmostShapeAndCaptureLossEndsDrag)
{
    THiddenForm F(300, 300);
    TPanel* Panel = new TPanel(F.Form.get());
    Panel->SetParent(F.Form.get());
    Panel->SetBounds(10, 10, 280, 280);
    TShape* Under = new TShape(F.Form.get());
    Under->SetParent(Panel);
    Under->SetBounds(20, 20, 100, 100);
    TShape* Over = new TShape(F.Form.get());
    Over->SetParent(Panel);
    Over->SetBounds(60, 60, 100, 100);
    std::vector<std::string> Log;
    auto Hook = [&](TShape* S, const char* Name) {
        S->OnMouseDown = [&, Name](TObject*, TMouseButton, TShiftState, int32_t X, int32_t Y) {
            Log.push_back(std::string(Name) + " down " + std::to_string(X) + "," + std::to_string(Y));
        };
        S->OnMouseMove = [&, Name](TObject*, TShiftState, int32_t X, int32_t Y) {
            Log.push_back(std::string(Name) + " move " + std::to_string(X) + "," + std::to_string(Y));
        };
        S->OnMouseCaptureLost = [&, Name](TObject*) { Log.push_back(std::string(Name) + " lost"); };
    };
    Hook(Under, "under");
    Hook(Over, "over");
    const HWND W = Panel->GetHandle();
    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
    SendMessageA(W, WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(70, 70));
    EXPECT_EQ(GetCapture(), W);
    SendMessageA(W, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(250, 260));
    ReleaseCapture(); // someone else takes the mouse
    SendMessageA(W, WM_MOUSEMOVE, 0, MAKELPARAM(30, 30));
    const std::vector<std::string> Expected = {"under down 10,10", "over down 10,10", "over move 190,200", "over lost",
                                               "under move 10,10"};
    EXPECT_EQ(Log, Expected);
}
