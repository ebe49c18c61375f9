// The toolbar: a row break, a check button bound to an action, a disabled action, hints, and an
// embedded panel with an edit and an up-down in its own slot.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "platform/win/Actions.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/ToolBar.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;

TEST(TToolBar, RowsActionsHintsAndAnEmbeddedPanel)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(60, 60, 600, 200);
    auto* Bar = new TToolBar(Form.get());
    Bar->SetParent(Form.get());
    Bar->SetShowCaptions(true);
    Bar->SetAutoSize(true);
    auto* Check = new TAction(Form.get());
    Check->SetCaption("Preview");
    Check->SetHint("Preview|Shows the picture under the list");
    Check->SetChecked(true);
    int Runs = 0;
    Check->OnExecute = [&](TObject*) { ++Runs; };
    auto* Plain = new TAction(Form.get());
    Plain->SetCaption("Start");
    Plain->SetHint("Start|Starts the selected tasks");
    TToolButton* B1 = Bar->AddButton("New");
    B1->SetHint("New|Makes a new task");
    Bar->AddButton("Open");
    TToolButton* B3 = Bar->AddButton("Save");
    TToolButton* BCheck = Bar->AddButton("", tbsCheck);
    BCheck->SetAction(Check);
    Bar->AddButton("", tbsSeparator);
    auto* Panel = new TPanel(Form.get());
    Panel->SetBounds(0, 0, 90, 22);
    auto* Edit = new TEdit(Form.get());
    Edit->SetParent(Panel);
    Edit->SetBounds(0, 0, 60, 22);
    auto* Up = new TUpDown(Form.get());
    Up->SetParent(Panel);
    Up->SetBounds(60, 0, 16, 22);
    TToolButton* Slot = Bar->AddControl(Panel);
    TToolButton* BStart = Bar->AddButton();
    BStart->SetAction(Plain);
    TToolButton* BLast = Bar->AddButton("Stop");
    Form->HandleNeeded();
    HWND W = Bar->GetHandle();
    const int32_t OneRow = Bar->GetHeight();
    EXPECT_EQ(SendMessageA(W, TB_BUTTONCOUNT, 0, 0), 8);
    B3->SetWrap(true);
    EXPECT_EQ(Bar->GetRowCount(), 2);
    EXPECT_GT(Bar->GetHeight(), OneRow);
    EXPECT_GE(BLast->GetBoundsRect().top, B1->GetBoundsRect().bottom);
    EXPECT_EQ(B1->GetBoundsRect().top, B3->GetBoundsRect().top);
    // The action's state shows on its button.
    EXPECT_EQ(BCheck->GetCaption(), "Preview");
    EXPECT_TRUE(SendMessageA(W, TB_ISBUTTONCHECKED, BCheck->GetCommandId(), 0));
    Plain->SetEnabled(false);
    EXPECT_FALSE(SendMessageA(W, TB_ISBUTTONENABLED, BStart->GetCommandId(), 0));
    Plain->SetEnabled(true);
    EXPECT_TRUE(SendMessageA(W, TB_ISBUTTONENABLED, BStart->GetCommandId(), 0));
    // A real click on the check button.
    Form->Show();
    TestSupport::BringToFront(*Form);
    TRect R = BCheck->GetBoundsRect();
    POINT P{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
    ClientToScreen(W, &P);
    TestSupport::Click(P);
    PumpUntil([&] { return Runs == 1; }, 5000, "the action run by a click");
    EXPECT_FALSE(BCheck->GetDown());
    EXPECT_FALSE(Check->GetChecked());
    // The tooltip asks the toolbar for a button's text.
    HWND Tip = reinterpret_cast<HWND>(SendMessageA(W, TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(Tip, nullptr);
    // The system's tooltip is a Unicode window: it asks with TTN_GETDISPINFOW.
    NMTTDISPINFOW D{};
    D.hdr.hwndFrom = Tip;
    D.hdr.idFrom = B1->GetCommandId();
    D.hdr.code = TTN_GETDISPINFOW;
    D.lpszText = D.szText; // as the tooltip hands it over
    SendMessageW(W, WM_NOTIFY, D.hdr.idFrom, reinterpret_cast<LPARAM>(&D));
    const wchar_t* Text = D.lpszText && !IS_INTRESOURCE(D.lpszText) ? D.lpszText : D.szText;
    char Narrow[128] = {};
    WideCharToMultiByte(CP_ACP, 0, Text, -1, Narrow, sizeof(Narrow), nullptr, nullptr);
    const std::string Tipped = Narrow;
    EXPECT_EQ(Tipped, "New");
    // A hot button puts its long hint in the application's hint.
    SendMessageA(W, TB_SETHOTITEM, static_cast<WPARAM>(BStart->GetIndex()), 0);
    EXPECT_EQ(AppUI()->GetHint(), "Starts the selected tasks");
    // The panel sits in its slot, between the buttons, and keeps working.
    const TRect S = Slot->GetBoundsRect();
    EXPECT_EQ(Panel->GetLeft(), S.left);
    EXPECT_EQ(S.right - S.left, 90);
    EXPECT_GT(Panel->GetLeft(), BCheck->GetBoundsRect().left);
    EXPECT_LT(Panel->GetLeft(), BStart->GetBoundsRect().left + (BStart->GetBoundsRect().top > S.top ? 10000 : 0));
    EXPECT_EQ(GetParent(Panel->GetHandle()), W);
    Up->SetPosition(7);
    EXPECT_EQ(Up->GetPosition(), 7);
    Edit->SetText("5");
    EXPECT_EQ(Edit->GetText(), "5");
    Form->Hide();
}

// ---------------------------------------------------------------------------------------------
// A window laid out like the main window, saved for a person to look at.

#include "platform/win/Bitmap.h"
#include "platform/win/ListView.h"
#include "platform/win/RichEdit.h"
#include "platform/win/StatusBar.h"
#include "platform/win/Tabs.h"
#include "platform/win/TreeView.h"
#include "tests/platform/win/GraphicsTestSupport.h"

TEST(CommonControlsScreenshot, MainWindowLayout)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetBorderStyle(bsSingle);
    Form->SetCaption("Quillmoor - common controls");
    Form->SetBounds(0, 0, 900, 640);
    auto* Images = new TImageList(Form.get());
    {
        TBitmap B;
        B.SetSize(64, 16);
        const TColor Colors[] = {clRed, clGreen, clBlue, clOlive};
        for (int I = 0; I < 4; ++I) {
            B.GetCanvas()->GetBrush()->SetColor(Colors[I]);
            B.GetCanvas()->FillRect(Rect(I * 16 + 2, 2, I * 16 + 14, 14));
        }
        Images->AddMasked(&B, clBlack);
    }
    auto* Bar = new TToolBar(Form.get());
    Bar->SetParent(Form.get());
    Bar->SetImages(Images);
    Bar->SetShowCaptions(true);
    Bar->SetList(true);
    Bar->SetAutoSize(true);
    const char* Names[] = {"New", "Start", "Stop"};
    for (int I = 0; I < 3; ++I)
        Bar->AddButton(Names[I])->SetImageIndex(I);
    Bar->AddButton("", tbsSeparator);
    Bar->AddButton("Preview", tbsCheck)->SetDown(true);
    auto* Status = new TStatusBar(Form.get());
    Status->SetParent(Form.get());
    Status->GetPanels()->Add()->SetWidth(200);
    Status->GetPanels()->GetItem(0)->SetText("3 tasks, 1 running");
    Status->GetPanels()->Add()->SetWidth(400);
    Status->GetPanels()->GetItem(1)->SetText("Building the images library");
    auto* Progress = new TProgressBar(Form.get());
    Progress->SetParent(Status);
    Progress->SetBounds(620, 3, 150, 14);
    Progress->SetPosition(60);
    auto* Tree = new TTreeView(Form.get());
    Tree->SetParent(Form.get());
    Tree->SetAlign(alLeft);
    Tree->SetWidth(200);
    Tree->SetImages(Images);
    for (int T = 0; T < 3; ++T) {
        TTreeNode* N = Tree->GetItems()->Add(nullptr, "Task " + std::to_string(T + 1));
        N->SetImageIndex(T);
        N->SetSelectedIndex(T);
        for (int C = 0; C < 3; ++C)
            Tree->GetItems()->AddChild(N, "http://site" + std::to_string(T) + ".test/page" + std::to_string(C))->SetImageIndex(3);
        N->Expand(false);
    }
    auto* Split = new TSplitter(Form.get());
    Split->SetParent(Form.get());
    Split->SetAlign(alLeft);
    Split->SetLeft(201);
    auto* Right = new TPanel(Form.get());
    Right->SetParent(Form.get());
    Right->SetAlign(alClient);
    Right->SetBevelOuter(bvNone);
    auto* Addresses = new TListView(Form.get());
    Addresses->SetParent(Right);
    Addresses->SetAlign(alTop);
    Addresses->SetHeight(150);
    Addresses->SetTop(0);
    Addresses->SetGridLines(true);
    Addresses->SetRowSelect(true);
    const char* Cols[] = {"!", "From URL", "Type", "Size(b)", "Depth", "Completed"};
    const int Widths[] = {20, 260, 60, 70, 45, 80};
    for (int I = 0; I < 6; ++I) {
        TListColumn* C = Addresses->GetColumns()->Add();
        C->SetCaption(Cols[I]);
        C->SetWidth(Widths[I]);
    }
    for (int R = 0; R < 8; ++R) {
        TListItem* It = Addresses->GetItems()->Add();
        It->SetCaption(R % 3 ? "" : "!");
        It->GetSubItems()->Add("http://site0.test/pictures/p" + std::to_string(R) + ".jpg");
        It->GetSubItems()->Add("Image");
        It->GetSubItems()->Add(std::to_string(1000 * (R + 3)));
        It->GetSubItems()->Add(std::to_string(R % 3));
        It->GetSubItems()->Add(R < 5 ? "Yes" : "");
    }
    auto* Failed = new TPanel(Form.get());
    Failed->SetParent(Right);
    Failed->SetAlign(alTop);
    Failed->SetHeight(24);
    Failed->SetTop(150);
    Failed->SetCaption("Failed addresses: 2");
    auto* Pictures = new TListView(Form.get());
    Pictures->SetParent(Right);
    Pictures->SetAlign(alTop);
    Pictures->SetHeight(130);
    Pictures->SetTop(174);
    Pictures->SetCheckboxes(true);
    Pictures->SetSmallImages(Images);
    for (const char* C : {"File", "Size", "Dimensions"})
        Pictures->GetColumns()->Add()->SetCaption(C);
    Pictures->GetColumns()->GetItem(0)->SetWidth(300);
    for (int R = 0; R < 5; ++R) {
        TListItem* It = Pictures->GetItems()->Add();
        It->SetCaption("C:\\Pictures\\site0\\p" + std::to_string(R) + ".jpg");
        It->SetImageIndex(R % 4);
        It->GetSubItems()->Add(std::to_string(20 + R) + " KB");
        It->GetSubItems()->Add("640 x 480");
        It->SetChecked(R % 2 == 0);
    }
    auto* Tabs = new TTabSet(Form.get());
    Tabs->SetParent(Right);
    Tabs->SetAlign(alTop);
    Tabs->SetHeight(24);
    Tabs->SetTop(304);
    Tabs->GetTabs()->Add("Log");
    Tabs->GetTabs()->Add("Report");
    Tabs->SetTabIndex(0);
    auto* Book = new TNotebook(Form.get());
    Book->SetParent(Right);
    Book->SetAlign(alClient);
    TNotebookPage* LogPage = Book->AddPage("Log");
    TNotebookPage* ReportPage = Book->AddPage("Report");
    auto* Log = new TRichEdit(Form.get());
    Log->SetParent(LogPage);
    Log->SetAlign(alClient);
    Log->SetScrollBars(ssVertical);
    auto* Report = new TListView(Form.get());
    Report->SetParent(ReportPage);
    Report->SetAlign(alClient);
    Tabs->OnChange = [Book](TObject*, int32_t New, bool&) { Book->SetPageIndex(New); };
    Form->Show();
    SetForegroundWindow(Form->GetHandle());
    for (int I = 0; I < 12; ++I)
        Log->GetLines()->Add("12:00:0" + std::to_string(I % 10) + "  Task 1: saved http://site0.test/pictures/p" +
                             std::to_string(I) + ".jpg");
    Tree->SetSelected(Tree->GetItems()->GetItem(1));
    TestSupport::PumpFor(1500);
    Form->Update();

    TRect R{};
    GetWindowRect(Form->GetHandle(), &R);
    TBitmap Shot;
    Shot.SetPixelFormat(pf24bit);
    Shot.SetSize(R.right - R.left, R.bottom - R.top);
    HDC Screen = GetDC(nullptr);
    BitBlt(Shot.GetCanvas()->GetHandle(), 0, 0, Shot.GetWidth(), Shot.GetHeight(), Screen, R.left, R.top, SRCCOPY);
    ReleaseDC(nullptr, Screen);
    // Something was drawn: the list's white background and the tree's text both appear.
    POINT ListPoint{Addresses->GetWidth() - 10, Addresses->GetHeight() - 10};
    ClientToScreen(Addresses->GetHandle(), &ListPoint);
    EXPECT_EQ(GraphicsTest::ScanPixel(Shot, ListPoint.x - R.left, ListPoint.y - R.top), clWhite);
    const std::string Folder = GraphicsTest::WindowsPath(QM_SCREENSHOT_DIR);
    CreateDirectoryA(Folder.c_str(), nullptr);
    const std::string Bmp = Folder + "\\common-controls.bmp";
    Shot.SaveToFile(Bmp);
    const std::string Png = Folder + "\\common-controls.png";
    DeleteFileA(Png.c_str());
    TestSupport::TTempFolder Temp;
    std::string HelperLog;
    ASSERT_EQ(GraphicsTest::RunHelper(Temp.Path(), "png '" + GraphicsTest::UnixPath(Bmp) + "' '" +
                                                       GraphicsTest::UnixPath(Png) + "'", &HelperLog), 0)
        << HelperLog;
    EXPECT_TRUE(GraphicsTest::FileExists(Png));
    Form->Hide();
}
