#include "tests/commandbars/support/MenuFixture.h"

#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenuLinks.h"
#include "platform/win/StdCtrls.h"
#include "tests/commandbars/support/BarWindowItems.h"
#include "tests/support/InputDriver.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/TestSupport.h"

namespace CommandBarsTest {

TMenuFixture::TMenuFixture() : TToolbarFixture(false)
{
    // The cursor rests in the screen's far corner, away from every menu the tests open: a menu
    // shown under it would take it as a hover.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    File = Menus[0];
    View = Menus[2];
    File->GetItemLinks()->Clear();
    View->GetItemLinks()->Clear();
    New = MakeCommand("&New", static_cast<TShortCut>(scCtrl | 'N'));
    Open = MakeCommand("&Open...", static_cast<TShortCut>(scCtrl | 'O'));
    Recent = new TcbBarSubItem(Form.get());
    Recent->SetCaption("Recent");
    RecentA = MakeCommand("first.wrp");
    RecentB = MakeCommand("second.wrp");
    Recent->GetItemLinks()->Add()->SetItem(RecentA);
    Recent->GetItemLinks()->Add()->SetItem(RecentB);
    Save = MakeCommand("&Save");
    Print = MakeCommand("&Print");
    Print->GetAction()->SetEnabled(false);
    File->GetItemLinks()->Add()->SetItem(New);
    File->GetItemLinks()->Add()->SetItem(Open);
    TcbBarItemLink* RecentLink = File->GetItemLinks()->Add();
    RecentLink->SetItem(Recent);
    RecentLink->SetBeginGroup(true);
    File->GetItemLinks()->Add()->SetItem(Save);
    File->GetItemLinks()->Add()->SetItem(Print);

    Ruler = MakeCommand("&Ruler");
    Grid = MakeCommand("&Grid");
    for (TcbBarButton* B : {Ruler, Grid}) {
        B->SetButtonStyle(bsChecked);
        // The action holds the checked state the button shows.
        static_cast<TAction*>(B->GetAction())->SetChecked(true);
        B->SetDown(true);
        View->GetItemLinks()->Add()->SetItem(B);
    }

    List = new TListBox(Form.get());
    List->SetParent(Form.get());
    List->SetBounds(400, 200, 150, 120);
    List->GetItems()->Add("one");
    List->GetItems()->Add("two");
    Popup = new TcbBarPopupMenu(Form.get());
    for (const char* Caption : {"Cu&t", "&Copy", "&Paste"}) {
        TcbBarButton* B = MakeCommand(Caption);
        Popup->GetItemLinks()->Add()->SetItem(B);
        PopupButtons.push_back(B);
    }
    TcbBarPopupMenuLink* Link = Manager->GetPopupMenuLinks()->Add();
    Link->SetControl(List);
    Link->SetPopupMenu(Popup);
    ShowBars();
    Edit->SetFocus();
}

TMenuFixture::~TMenuFixture()
{
    CloseMenus();
}

TcbBarButton* TMenuFixture::MakeCommand(const std::string& Caption, TShortCut ShortCut)
{
    auto* Button = new TcbBarButton(Form.get());
    auto* Action = new TAction(Form.get());
    Action->SetCaption(Caption);
    Action->SetShortCut(ShortCut);
    Action->SetOnExecute([this, Caption](TObject*) { ++Runs[Caption]; });
    Button->SetAction(Action);
    return Button;
}

TcbBarSubMenuControl* TMenuFixture::MenuOf(TCustomcbBarSubItem* SubItem)
{
    return dynamic_cast<TcbBarSubMenuControl*>(SubItem->GetItemLinks()->GetBarControl());
}

TcbBarSubMenuControl* TMenuFixture::MenuOf(TcbBarPopupMenu* Menu)
{
    return dynamic_cast<TcbBarSubMenuControl*>(Menu->GetItemLinks()->GetBarControl());
}

TcbBarItemControl* TMenuFixture::ControlOf(TCustomcbBarControl* Window, TcbBarItem* Item)
{
    return ItemControlIn(Window, Item);
}

TcbBarSubMenuControl* TMenuFixture::OpenByMessage(TCustomcbBarSubItem* Title)
{
    TcbBarControl* Bar = WindowOf(MainMenu);
    TcbBarItemControl* Control = ControlOf(Bar, Title);
    if (!Control)
        return nullptr;
    const TRect R = Control->GetItemRect();
    const LPARAM At = MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
    SendMessageA(Bar->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Bar->GetHandle(), WM_LBUTTONUP, 0, At);
    Settle();
    return MenuOf(Title);
}

POINT TMenuFixture::CenterOf(TCustomcbBarControl* Window, TcbBarItem* Item)
{
    return ItemScreenCenter(Window, Item);
}

void TMenuFixture::CloseMenus()
{
    for (int32_t Guard = 0; Guard < 8; ++Guard) {
        TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl();
        if (!Active)
            break;
        Active->HideAll();
    }
    // A test that freed the manager (and with it the popup menu) clears Popup.
    for (TcbBarPopupMenu* Menu : {Popup})
        if (TcbBarSubMenuControl* Window = Menu ? MenuOf(Menu) : nullptr)
            Window->CloseAndFree();
    Settle();
}

void ClicksRun()
{
    TestSupport::PumpUntil([] { return QueuedClickCount() == 0; }, 5000, "the chosen commands to run");
}

void Keys(std::initializer_list<WORD> Chord)
{
    TestSupport::Chord(Chord);
    TestSupport::WaitProcessed();
    ClicksRun();
}

} // namespace CommandBarsTest
