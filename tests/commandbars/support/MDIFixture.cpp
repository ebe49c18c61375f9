#include "tests/commandbars/support/MDIFixture.h"

#include <algorithm>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbSystemMenu.h"
#include "platform/win/Application.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/TestSupport.h"

namespace CommandBarsTest {

namespace {

// Made by the fixture, so its list can tell the live ones.
std::vector<TMDIChildForm*>* gLiveChildren = nullptr;

} // namespace

TMDIChildForm::TMDIChildForm(TComponent* AOwner) : TForm(AOwner)
{
    SetFormStyle(fsMDIChild);
    OnClose = [](TObject*, TCloseAction& Action) { Action = caFree; };
    OnDestroy = [this](TObject*) {
        if (gLiveChildren)
            std::erase(*gLiveChildren, this);
    };
}

void TMDIChildForm::WndProc(TMessage& M)
{
    if (M.Msg == WM_SYSCOMMAND)
        SysCommands.push_back(static_cast<UINT>(M.WParam & 0xFFF0));
    TForm::WndProc(M);
}

std::vector<std::string> Captions(std::initializer_list<const char*> List)
{
    return std::vector<std::string>(List.begin(), List.end());
}

TMDIFixture::TMDIFixture()
{
    gLiveChildren = &FChildren;
    FPreviousMain = AppUI()->GetMainForm();
    Frame->SetFormStyle(fsMDIForm);
    Frame->SetCaption("MDI frame");
    Frame->SetBounds(30, 30, 760, 540);
    AppUI()->SetMainForm(Frame.get());
    FrameManager = new TcbBarManager(Frame.get());
    FrameManager->SetStyle(bmsFlat);
    FrameMenu = FrameManager->GetBars()->Add();
    FrameMenu->SetCaption("Frame Menu");
    FrameMenu->SetIsMainMenu(true);
    for (const char* Caption : {"&File", "&Window"}) {
        auto* Sub = new TcbBarSubItem(Frame.get());
        Sub->SetCaption(Caption);
        auto* Entry = new TcbBarButton(Frame.get());
        Entry->SetCaption(std::string("Entry of ") + Caption);
        Sub->GetItemLinks()->Add()->SetItem(Entry);
        FrameMenu->GetItemLinks()->Add()->SetItem(Sub);
    }
    Frame->Show();
    FrameMenu->SetDockingStyle(dsTop);
    FrameMenu->SetVisible(true);
    Settle();
}

TMDIFixture::~TMDIFixture()
{
    if (TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl())
        Active->HideAll();
    // The children first, while the frame and its manager are there to take their menus back.
    while (!FChildren.empty()) {
        TMDIChildForm* Child = FChildren.back();
        FChildren.pop_back();
        Child->Free();
    }
    gLiveChildren = nullptr;
    Frame->Hide();
    Frame.reset();
    AppUI()->SetMainForm(FPreviousMain);
}

TMDIFixture::TChild TMDIFixture::AddChild(const std::string& Caption, const std::vector<std::string>& Menus,
                                          TRect Bounds)
{
    TChild C;
    C.Form = new TMDIChildForm(nullptr);
    FChildren.push_back(C.Form);
    C.Form->SetCaption(Caption);
    C.Form->SetBounds(Bounds.left, Bounds.top, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top);
    C.Manager = new TcbBarManager(C.Form);
    C.Manager->SetStyle(bmsFlat);
    C.Menu = C.Manager->GetBars()->Add();
    C.Menu->SetCaption(Caption + " Menu");
    C.Menu->SetIsMainMenu(true);
    for (const std::string& Text : Menus) {
        auto* Sub = new TcbBarSubItem(C.Form);
        Sub->SetCaption(Text);
        auto* Entry = new TcbBarButton(C.Form);
        Entry->SetCaption("Entry of " + Text);
        Sub->GetItemLinks()->Add()->SetItem(Entry);
        C.Menu->GetItemLinks()->Add()->SetItem(Sub);
    }
    C.Menu->SetDockingStyle(dsTop);
    // The bar shows with the form, before the MDI client activates it.
    TcbBar* Menu = C.Menu;
    C.Form->OnShow = [Menu](TObject*) {
        if (!Menu->GetVisible())
            Menu->SetVisible(true);
    };
    C.Form->Show();
    C.Form->OnShow = nullptr;
    Settle();
    return C;
}

bool TMDIFixture::Alive(const TMDIChildForm* Form) const
{
    return std::find(FChildren.begin(), FChildren.end(), Form) != FChildren.end();
}

void TMDIFixture::Maximize(TForm* Child)
{
    Child->SetWindowState(wsMaximized);
    Settle();
}

void TMDIFixture::Restore(TForm* Child)
{
    Child->SetWindowState(wsNormal);
    Settle();
}

std::vector<std::string> TMDIFixture::FrameCaptions() const
{
    std::vector<std::string> Result;
    TcbBarItemLinks* Links = FrameMenu->GetItemLinks();
    for (int32_t I = 0; I < Links->GetCount(); ++I) {
        TcbBarItem* Item = Links->GetItem(I)->GetItem();
        Result.push_back(dynamic_cast<TSystemMenuSubItem*>(Item) ? "<system>" : Item ? Item->GetCaption() : "<none>");
    }
    return Result;
}

TcbBarControl* TMDIFixture::FrameMenuWindow() const
{
    return dynamic_cast<TcbBarControl*>(FrameMenu->GetBarControl());
}

POINT TMDIFixture::MDIButtonCentre(int32_t Index) const
{
    TcbBarControl* W = FrameMenuWindow();
    const TRect R = W->GetMDIButtonRect(Index);
    POINT P{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
    ClientToScreen(W->GetHandle(), &P);
    return P;
}

RECT TMDIFixture::ScreenRect() const
{
    RECT R{};
    if (TcbBarControl* W = FrameMenuWindow())
        GetWindowRect(W->GetHandle(), &R);
    return R;
}

} // namespace CommandBarsTest
