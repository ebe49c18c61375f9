#include "tests/commandbars/support/ControlsFixture.h"

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbItemLinks.h"
#include "platform/win/Bitmap.h"

namespace CommandBarsTest {

namespace {

const COLORREF kImageColors[] = {RGB(200, 0, 0), RGB(0, 150, 0), RGB(0, 0, 200), RGB(200, 120, 0)};

} // namespace

TcbBarButton* TControlsFixture::AddButton(const std::string& Caption, int32_t Image, TCountedAction& Counter)
{
    auto* Button = new TcbBarButton(Form.get());
    Counter.Action = new TAction(Form.get());
    Counter.Action->SetCaption(Caption);
    Counter.Action->SetHint(Caption + "|The " + Caption + " command");
    Counter.Action->SetImageIndex(Image);
    Counter.Action->SetOnExecute([&Counter](TObject*) { ++Counter.Runs; });
    Button->SetAction(Counter.Action);
    return Button;
}

TControlsFixture::TControlsFixture()
{
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(40, 40, 360, 200);
    Edit = new TEdit(Form.get());
    Edit->SetParent(Form.get());
    Edit->SetBounds(10, 10, 120, 22);
    Manager = new TcbBarManager(Form.get());
    Manager->SetStyle(bmsFlat);
    Images = new TImageList(Form.get());
    Images->SetSize(16, 16);
    for (COLORREF Color : kImageColors) {
        TBitmap Picture;
        Picture.SetSize(16, 16);
        HBRUSH Brush = CreateSolidBrush(Color);
        RECT R{0, 0, 16, 16};
        FillRect(Picture.GetCanvas()->GetHandle(), &R, Brush);
        DeleteObject(Brush);
        Images->Add(&Picture, nullptr);
    }
    Manager->SetImages(Images);
    Manager->SetShowHintForDisabledItems(false);

    A = AddButton("A", 0, ActA);
    B = AddButton("B", 1, ActB);
    B->SetButtonStyle(bsChecked);
    C = AddButton("C", 2, ActC);
    ActC.Action->SetEnabled(false);
    D = AddButton("D", 3, ActD);
    D->SetButtonStyle(bsDropDown);
    DMenu = new TcbBarPopupMenu(Form.get());
    auto* DEntry = new TcbBarButton(Form.get());
    DEntry->SetCaption("Entry");
    DMenu->GetItemLinks()->Add()->SetItem(DEntry);
    D->SetDropDownMenu(DMenu);
    E = new TcbBarEdit(Form.get());
    E->SetCaption("E");
    E->SetWidth(60);
    K = new TcbBarCombo(Form.get());
    K->SetCaption("K");
    K->SetWidth(80);
    K->GetItems()->Add("alpha");
    K->GetItems()->Add("beta");
    K->GetItems()->Add("gamma");
    S = new TcbBarSubItem(Form.get());
    S->SetCaption("S");
    for (const char* Caption : {"S one", "S two"}) {
        auto* Entry = new TcbBarButton(Form.get());
        Entry->SetCaption(Caption);
        S->GetItemLinks()->Add()->SetItem(Entry);
    }

    Bar = Manager->GetBars()->Add();
    Bar->SetCaption("Test");
    for (TcbBarItem* Item : std::vector<TcbBarItem*>{A, B, C, D, E, K, S})
        Bar->GetItemLinks()->Add()->SetItem(Item);

    MenuItem = new TcbBarSubItem(Form.get());
    MenuItem->SetCaption("Menu");
    Open = AddButton("&Open", 0, ActOpen);
    Print = AddButton("&Print", 1, ActPrint);
    Paste = AddButton("P&aste", 2, ActPaste);
    // "&Paste" would share P with "&Print": the test of shared letters sets it.
    S1 = new TcbBarSubItem(Form.get());
    S1->SetCaption("First");
    S2 = new TcbBarSubItem(Form.get());
    S2->SetCaption("Second");
    for (TcbBarSubItem* Sub : {S1, S2})
        for (const char* Caption : {"one", "two"}) {
            auto* Entry = new TcbBarButton(Form.get());
            Entry->SetCaption(Caption);
            Sub->GetItemLinks()->Add()->SetItem(Entry);
        }
    for (TcbBarItem* Item : std::vector<TcbBarItem*>{Open, Print, Paste, S1, S2})
        MenuItem->GetItemLinks()->Add()->SetItem(Item);

    Form->Show();
    Edit->SetFocus();
    FMenus = std::make_unique<TTestMenuFactory>(Form.get());
    Window = new TTestBarWindow(Manager, Bar->GetItemLinks(), Form.get());
    Window->SetBar(Bar);
    Window->ShowAt(100, 300);
    Menu = new TTestBarWindow(Manager, MenuItem->GetItemLinks(), Form.get(), true);
    Menu->ShowAt(500, 300);
}

TControlsFixture::~TControlsFixture()
{
    if (TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl())
        Active->HideAll();
    if (Menu)
        Menu->Free();
    FreeWindow();
    FMenus.reset();
    Form->Hide();
}

void TControlsFixture::FreeWindow()
{
    if (Window)
        Window->Free();
    Window = nullptr;
}

TTestBarWindow* TControlsFixture::WindowOf(TcbBarItem* Item) const
{
    for (int32_t I = 0; I < Item->GetLinkCount(); ++I)
        if (TcbBarItemControl* Control = Item->GetLink(I)->GetControl())
            return static_cast<TTestBarWindow*>(Control->GetBarControl());
    return nullptr;
}

TcbBarItemControl* TControlsFixture::ControlOf(TcbBarItem* Item) const
{
    for (int32_t I = 0; I < Item->GetLinkCount(); ++I)
        if (TcbBarItemControl* Control = Item->GetLink(I)->GetControl())
            return Control;
    return nullptr;
}

TRect TControlsFixture::RectOf(TcbBarItem* Item) const
{
    TcbBarItemControl* Control = ControlOf(Item);
    return Control ? Control->GetItemRect() : TRect{};
}

TPoint TControlsFixture::CentreOf(TcbBarItem* Item) const
{
    const TRect R = RectOf(Item);
    return TPoint{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
}

void TControlsFixture::MoveTo(TTestBarWindow* Win, TPoint P)
{
    const TPoint S = Win->ClientPointToScreen(P);
    SetCursorPos(S.x, S.y);
    SendMessageA(Win->GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(P.x, P.y));
}

void TControlsFixture::Press(TTestBarWindow* Win, TPoint P)
{
    SendMessageA(Win->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(P.x, P.y));
}

void TControlsFixture::Release(TTestBarWindow* Win, TPoint P)
{
    SendMessageA(Win->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(P.x, P.y));
}

void TControlsFixture::Click(TcbBarItem* Item)
{
    TTestBarWindow* Win = WindowOf(Item);
    const TPoint P = CentreOf(Item);
    MoveTo(Win, P);
    Press(Win, P);
    // The press may have freed the window.
    if (TCustomcbBarControl::IsLiveBarControl(Win))
        Release(Win, P);
}

void TControlsFixture::Key(TTestBarWindow* Win, WORD Key)
{
    SendMessageA(Win->GetHandle(), WM_KEYDOWN, Key, 0);
}

} // namespace CommandBarsTest
