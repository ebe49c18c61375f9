// A sample form with every control of the layer (enabled and disabled where that differs), a
// main menu and aligned panels with a splitter, saved as <build>/screenshots/controls.bmp (the
// test run turns it into controls.png) for a person to look at. Sample pixels are checked so a
// control that draws nothing fails.
//
// This program also ends its application by closing the main form: that test comes last, as a
// terminated application stays terminated.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win/Bitmap.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/Menus.h"
#include "platform/win/Scrolling.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Timer.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using TestSupport::CaptureScreen;
using TestSupport::PumpUntil;
using TestSupport::TShot;
using TestSupport::WriteBmp;

namespace {

uint32_t Rgb(TColor C)
{
    const COLORREF R = ColorToRGB(C);
    return (GetRValue(R) << 16) | (GetGValue(R) << 8) | GetBValue(R);
}

// A control's rectangle in the form window's coordinates (frame and menu included).
RECT InWindow(HWND Form, TControl* C)
{
    RECT WR;
    GetWindowRect(Form, &WR);
    TPoint P = C->GetParent()->ClientToScreen(Point(C->GetLeft(), C->GetTop()));
    RECT R{P.x - WR.left, P.y - WR.top, P.x - WR.left + C->GetWidth(), P.y - WR.top + C->GetHeight()};
    return R;
}

template <class T>
T* Make(TWinControl* Parent, int32_t X, int32_t Y, int32_t W, int32_t H)
{
    T* C = new T(Parent->GetParentForm() ? static_cast<TComponent*>(Parent->GetParentForm()) : Parent);
    C->SetBounds(X, Y, W, H);
    C->SetParent(Parent);
    return C;
}

} // namespace

TEST(ControlsScreenshot, SampleFormWithEveryControl)
{
    TComponentPtr<TForm> F(new TForm(nullptr));
    F->SetCaption("Quillmoor controls");
    F->SetBorderStyle(bsSingle);
    F->SetBounds(0, 0, 920, 620);
    F->SetClientSize(900, 560);

    TMainMenu* Menu = new TMainMenu(F.get());
    TMenuItem* File = Menu->AddItem("&File");
    Menu->AddItem("&Open", File)->SetShortCut(ShortCut('I', TShiftState{ssCtrl}));
    Menu->AddItem("-", File);
    Menu->AddItem("E&xit", File);
    TMenuItem* View = Menu->AddItem("&View");
    Menu->AddItem("&Toolbar", View)->SetChecked(true);
    Menu->AddItem("&Help");

    TPanel* Top = Make<TPanel>(F.get(), 0, 0, 100, 30);
    Top->SetAlign(alTop);
    Top->SetCaption("Top panel (aligned top)");
    TPanel* Bottom = Make<TPanel>(F.get(), 0, 500, 100, 26);
    Bottom->SetAlign(alBottom);
    Bottom->SetBevelOuter(bvLowered);
    TProgressBar* StatusProgress = Make<TProgressBar>(Bottom, 4, 4, 200, 18);
    StatusProgress->SetPosition(60);
    TLabel* Ready = Make<TLabel>(Bottom, 214, 6, 60, 16);
    Ready->SetCaption("Progress bar in a bottom panel");
    TPanel* Left = Make<TPanel>(F.get(), 0, 30, 140, 100);
    Left->SetAlign(alLeft);
    Left->SetBevelOuter(bvNone);
    TListBox* List = Make<TListBox>(Left, 0, 0, 100, 100);
    List->SetAlign(alClient);
    for (const char* S : {"List box item 1", "List box item 2", "List box item 3", "List box item 4"})
        List->GetItems()->Add(S);
    List->SetItemIndex(1);
    TSplitter* Split = Make<TSplitter>(F.get(), 140, 30, 5, 100);
    Split->SetAlign(alLeft);
    TPanel* Client = Make<TPanel>(F.get(), 200, 30, 100, 100);
    Client->SetAlign(alClient);
    Client->SetBevelOuter(bvNone);

    // First column: labels, buttons, check and radio buttons, edits, combo boxes.
    int32_t Y = 6;
    auto Row = [&](int32_t H) { const int32_t R = Y; Y += H; return R; };
    TLabel* L1 = Make<TLabel>(Client, 8, Row(20), 90, 16);
    L1->SetCaption("Plain label");
    TLabel* Link = Make<TLabel>(Client, 100, L1->GetTop(), 90, 16);
    Link->SetCaption("Link label");
    Link->GetFont()->SetColor(clBlue);
    Link->GetFont()->SetStyle(TFontStyles{fsUnderline});
    Link->SetCursor(crHandPoint);
    TLabel* L2 = Make<TLabel>(Client, 180, L1->GetTop(), 90, 16);
    L2->SetCaption("Disabled label");
    L2->SetEnabled(false);
    const int32_t BY = Row(30);
    Make<TButton>(Client, 8, BY, 80, 25)->SetCaption("&Button");
    TButton* B2 = Make<TButton>(Client, 94, BY, 80, 25);
    B2->SetCaption("Disabled");
    B2->SetEnabled(false);
    const int32_t CY = Row(22);
    TCheckBox* C1 = Make<TCheckBox>(Client, 8, CY, 80, 18);
    C1->SetCaption("Checked");
    C1->SetChecked(true);
    TCheckBox* C2 = Make<TCheckBox>(Client, 90, CY, 80, 18);
    C2->SetCaption("Grayed");
    C2->SetAllowGrayed(true);
    C2->SetState(cbGrayed);
    TCheckBox* C3 = Make<TCheckBox>(Client, 170, CY, 80, 18);
    C3->SetCaption("Disabled");
    C3->SetChecked(true);
    C3->SetEnabled(false);
    const int32_t RY = Row(24);
    TRadioButton* R1 = Make<TRadioButton>(Client, 8, RY, 80, 18);
    R1->SetCaption("Radio 1");
    R1->SetChecked(true);
    Make<TRadioButton>(Client, 90, RY, 80, 18)->SetCaption("Radio 2");
    TRadioButton* R3 = Make<TRadioButton>(Client, 170, RY, 80, 18);
    R3->SetCaption("Disabled");
    R3->SetEnabled(false);
    Make<TEdit>(Client, 8, Row(26), 120, 22)->SetText("Edit text");
    TEdit* ReadOnly = Make<TEdit>(Client, 134, Y - 26, 120, 22);
    ReadOnly->SetText("Read-only");
    ReadOnly->SetReadOnly(true);
    ReadOnly->SetColor(clBtnFace);
    TEdit* Disabled = Make<TEdit>(Client, 8, Row(26), 120, 22);
    Disabled->SetText("Disabled edit");
    Disabled->SetEnabled(false);
    TMaskEdit* Mask = Make<TMaskEdit>(Client, 134, Y - 26, 60, 22);
    Mask->SetEditMask("99999");
    Mask->SetText("12345");
    TEdit* Password = Make<TEdit>(Client, 200, Y - 26, 60, 22);
    Password->SetPasswordChar('*');
    Password->SetText("secret");
    TComboBox* Combo = Make<TComboBox>(Client, 8, Row(28), 120, 22);
    Combo->SetStyle(csDropDownList);
    Combo->GetItems()->Add("Combo box");
    Combo->SetItemIndex(0);
    TComboBox* Combo2 = Make<TComboBox>(Client, 134, Y - 28, 120, 22);
    Combo2->SetText("Disabled combo");
    Combo2->SetEnabled(false);
    TMemo* Memo = Make<TMemo>(Client, 8, Row(76), 246, 70);
    Memo->GetLines()->Add("Memo line one");
    Memo->GetLines()->Add("Memo line two");
    Memo->SetScrollBars(ssVertical);
    TGroupBox* Group = Make<TGroupBox>(Client, 8, Row(96), 246, 90);
    Group->SetCaption("Group box");
    TShape* Rect1 = Make<TShape>(Group, 10, 22, 60, 50);
    Rect1->GetBrush()->SetColor(clLime);
    TShape* Ell = Make<TShape>(Group, 80, 22, 70, 50);
    Ell->SetShape(stEllipse);
    Ell->GetBrush()->SetColor(clYellow);
    TShape* Round = Make<TShape>(Group, 160, 22, 70, 50);
    Round->SetShape(stRoundRect);
    Round->GetBrush()->SetColor(clAqua);

    // Second column: radio group, up-downs, track bars, progress bars.
    const int32_t X2 = 270;
    TRadioGroup* RG = Make<TRadioGroup>(Client, X2, 6, 200, 90);
    RG->SetCaption("Radio group");
    RG->SetColumns(2);
    for (const char* S : {"One", "Two", "Three", "Four"})
        RG->GetItems()->Add(S);
    RG->SetItemIndex(1);
    TRadioGroup* RG2 = Make<TRadioGroup>(Client, X2, 100, 200, 60);
    RG2->SetCaption("Disabled radio group");
    RG2->GetItems()->Add("Only");
    RG2->SetItemIndex(0);
    RG2->SetEnabled(false);
    TEdit* Buddy = Make<TEdit>(Client, X2, 168, 70, 22);
    TUpDown* Up = Make<TUpDown>(Client, 0, 0, 17, 22);
    Up->SetMax(3000);
    Up->SetPosition(1024);
    Up->SetAssociate(Buddy);
    TEdit* Buddy2 = Make<TEdit>(Client, X2 + 100, 168, 70, 22);
    Buddy2->SetEnabled(false);
    TUpDown* Up2 = Make<TUpDown>(Client, 0, 0, 17, 22);
    Up2->SetPosition(7);
    Up2->SetAssociate(Buddy2);
    Up2->SetEnabled(false);
    TTrackBar* Track = Make<TTrackBar>(Client, X2, 196, 200, 34);
    Track->SetMax(30);
    Track->SetPosition(10);
    TTrackBar* Track2 = Make<TTrackBar>(Client, X2, 232, 200, 34);
    Track2->SetPosition(3);
    Track2->SetEnabled(false);
    TProgressBar* Progress = Make<TProgressBar>(Client, X2, 272, 200, 18);
    Progress->SetPosition(40);
    TProgressBar* Smooth = Make<TProgressBar>(Client, X2, 294, 200, 18);
    Smooth->SetSmooth(true);
    Smooth->SetPosition(75);
    TProgressBar* Vertical = Make<TProgressBar>(Client, X2 + 210, 196, 18, 116);
    Vertical->SetOrientation(orVertical);
    Vertical->SetPosition(50);

    // Third column: images and a scroll box.
    TBitmap Pic;
    Pic.SetSize(64, 48);
    for (int32_t I = 0; I < 8; ++I) {
        Pic.GetCanvas()->GetBrush()->SetColor(static_cast<TColor>(RGB(32 * I, 255 - 32 * I, 128)));
        Pic.GetCanvas()->FillRect(Rect(I * 8, 0, I * 8 + 8, 48));
    }
    const uint32_t PicFirst = (0u << 16) | (255u << 8) | 128u; // its first stripe
    const int32_t X3 = X2 + 250;
    TImage* Img = Make<TImage>(Client, X3, 6, 64, 48);
    Img->GetPicture()->SetGraphic(&Pic);
    TImage* Stretched = Make<TImage>(Client, X3 + 70, 6, 120, 60);
    Stretched->SetStretch(true);
    Stretched->SetProportional(true);
    Stretched->SetCenter(true);
    Stretched->GetPicture()->SetGraphic(&Pic);
    TScrollBox* Box = Make<TScrollBox>(Client, X3, 80, 190, 150);
    TPanel* Inner = Make<TPanel>(Box, 0, 0, 400, 300);
    Inner->SetCaption("Scroll box content");
    TImage* InBox = Make<TImage>(Inner, 10, 10, 64, 48);
    InBox->GetPicture()->SetGraphic(&Pic);
    TLabel* Caption = Make<TLabel>(Client, X3, 240, 190, 40);
    Caption->SetWordWrap(true);
    Caption->SetWidth(190); // an empty auto-sized label had shrunk to a blank's width
    Caption->SetCaption("Images: unscaled, and stretched keeping proportions");

    // Above the windows of other test programs sharing the display while it is read back.
    F->SetFormStyle(fsStayOnTop);
    F->Show();
    SetForegroundWindow(F->GetHandle());
    RedrawWindow(F->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    TestSupport::PumpFor(500);
    const HWND W = F->GetHandle();
    SendMessageA(W, WM_NCACTIVATE, TRUE, 0);
    SendMessageA(W, WM_NCPAINT, 1, 0);
    TestSupport::PumpFor(100);
    const TShot Shot = CaptureScreen(W);
    ASSERT_GT(Shot.W, 900);
    EXPECT_GT(Vertical->GetHeight(), Vertical->GetWidth());

    // Sample pixels: each must show what its control draws.
    const RECT ImgR = InWindow(W, Img);
    EXPECT_EQ(Shot.At(ImgR.left + 2, ImgR.top + 2), PicFirst) << "image";
    const RECT RectR = InWindow(W, Rect1);
    EXPECT_EQ(Shot.At((RectR.left + RectR.right) / 2, (RectR.top + RectR.bottom) / 2), Rgb(clLime)) << "shape";
    const RECT EllR = InWindow(W, Ell);
    EXPECT_EQ(Shot.At((EllR.left + EllR.right) / 2, (EllR.top + EllR.bottom) / 2), Rgb(clYellow)) << "ellipse";
    const COLORREF Hi = GetSysColor(COLOR_HIGHLIGHT);
    const uint32_t Highlight = (GetRValue(Hi) << 16) | (GetGValue(Hi) << 8) | GetBValue(Hi);
    EXPECT_TRUE(Shot.Contains(InWindow(W, Progress), Highlight)) << "progress bar";
    EXPECT_TRUE(Shot.Contains(InWindow(W, StatusProgress), Highlight)) << "progress bar in the bottom panel";
    RECT Right = InWindow(W, Progress);
    Right.left += Progress->GetWidth() * 6 / 10; // 40 %: the right part is empty
    EXPECT_FALSE(Shot.Contains(Right, Highlight)) << "progress bar's empty part";
    const RECT RO = InWindow(W, ReadOnly);
    EXPECT_EQ(Shot.At(RO.right - 6, (RO.top + RO.bottom) / 2), Rgb(clBtnFace)) << "read-only edit";
    EXPECT_TRUE(Box->GetHorzScrollBar()->IsScrollBarVisible());
    EXPECT_TRUE(Box->GetVertScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(Buddy->GetText(), "1024");
    EXPECT_EQ(Split->GetLeft(), 140);
    EXPECT_EQ(Client->GetLeft(), 145);

    const std::string Dir = TestSupport::MakeScreenshotFolder(QM_SCREENSHOT_DIR);
    EXPECT_TRUE(WriteBmp(Dir + "\\controls.bmp", Shot));
    F->Hide();
}

// Last in this program: the application ends here.
TEST(ControlsScreenshot, ZClosingTheMainFormEndsRun)
{
    TForm* Main = AppUI()->CreateForm<TForm>();
    ASSERT_EQ(AppUI()->GetMainForm(), Main);
    Main->SetBounds(60, 60, 300, 200);
    int Closes = 0;
    Main->OnClose = [&](TObject*, TCloseAction&) { ++Closes; };
    TComponentPtr<TTimer> Closer(new TTimer(nullptr));
    Closer->SetInterval(30);
    Closer->SetOnTimer([&](TObject*) {
        if (!IsWindowVisible(Main->GetHandle()))
            return;
        Closer->SetEnabled(false);
        Main->Close();
    });
    Closer->SetEnabled(true);
    const DWORD Start = GetTickCount();
    AppUI()->Run();
    EXPECT_LT(GetTickCount() - Start, 30000u);
    EXPECT_EQ(Closes, 1);
    EXPECT_TRUE(Application->GetTerminated());
    EXPECT_EQ(AppUI()->GetModalLevel(), 0);
    Main->Hide(); // the main form's window stays until the program ends
}
