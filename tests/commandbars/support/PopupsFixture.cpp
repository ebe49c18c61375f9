#include "tests/commandbars/support/PopupsFixture.h"

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbBarPopups.h"
#include "commandbars/windows/cbBarQuickControl.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "platform/win/Bitmap.h"
#include "platform/win/FormDesign.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/TestSupport.h"

namespace CommandBarsTest {

namespace {

bool gDesigning = false;
TcbBarManagerStyle gStyle = bmsFlat;

void BuildPopupsForm(TCustomForm& Root, const TFormDesignContext& Ctx)
{
    if (gDesigning && !Ctx.Restoring)
        Root.SetDesigning(true);
    auto* M = new TcbBarManager(&Root);
    M->SetName("BarManager1");
    M->SetStyle(gStyle);
    M->GetCategories()->Add("File");
    M->GetCategories()->Add("Default");
    auto Button = [&](const char* Name, const char* Caption, int32_t Image) {
        auto* B = new TcbBarButton(&Root);
        B->SetName(Name);
        B->SetCaption(Caption);
        B->SetImageIndex(Image);
        return B;
    };
    TcbBarButton* New = Button("New", "&New", 0);
    TcbBarButton* Open = Button("Open", "&Open", 1);
    TcbBarButton* Save = Button("Save", "&Save", 2);
    TcbBarButton* ToolA = Button("ToolA", "Tool &A", 3);
    TcbBarButton* ToolB = Button("ToolB", "Tool &B", 4);
    auto* Find = new TcbBarEdit(&Root);
    Find->SetName("Find");
    Find->SetCaption("Find");
    Find->SetWidth(70);
    auto* Zoom = new TcbBarCombo(&Root);
    Zoom->SetName("Zoom");
    Zoom->SetCaption("Zoom");
    Zoom->SetWidth(60);
    auto* File = new TcbBarSubItem(&Root);
    File->SetName("File");
    File->SetCaption("&File");
    auto Link = [](TcbBar* Bar, TcbBarItemLinks* Links, TcbBarItem* Item, bool Group = false) {
        (void)Bar;
        TcbBarItemLink* L = Links->Add();
        L->SetItem(Item);
        L->SetBeginGroup(Group);
    };
    for (TcbBarItem* Item : {static_cast<TcbBarItem*>(New), static_cast<TcbBarItem*>(Open),
                             static_cast<TcbBarItem*>(Save)})
        Link(nullptr, File->GetItemLinks(), Item);
    auto MakeBar = [&](const char* Name, int32_t Row, int32_t Left) {
        TcbBar* Bar = M->GetBars()->Add();
        Bar->SetName(Name);
        Bar->SetCaption(Name);
        Bar->SetRow(Row);
        Bar->SetDockedLeft(Left);
        Bar->SetDockingStyle(dsTop);
        return Bar;
    };
    TcbBar* Menu = MakeBar("Main Menu", 0, 0);
    Menu->SetIsMainMenu(true);
    Link(Menu, Menu->GetItemLinks(), File);
    TcbBar* Standard = MakeBar("Standard", 1, 0);
    Link(Standard, Standard->GetItemLinks(), New);
    Link(Standard, Standard->GetItemLinks(), Open);
    Link(Standard, Standard->GetItemLinks(), Save, true);
    Link(Standard, Standard->GetItemLinks(), Find);
    Link(Standard, Standard->GetItemLinks(), Zoom);
    TcbBar* Tools = MakeBar("Tools", 1, 420);
    Link(Tools, Tools->GetItemLinks(), ToolA);
    Link(Tools, Tools->GetItemLinks(), ToolB);
    for (TcbBar* Bar : {Menu, Standard, Tools})
        Bar->SetVisible(true);
}

class TPopupsForm : public TForm {
public:
    explicit TPopupsForm(TComponent* AOwner) : TForm(AOwner) { ApplyFormDesign(*this); }
    std::string ClassName() const override { return "TPopupsForm"; }
};

} // namespace

TPopupsFixture::TPopupsFixture(bool Designing, TcbBarManagerStyle Style)
{
    gDesigning = Designing;
    gStyle = Style;
    RegisterFormDesign("TPopupsForm", BuildPopupsForm);
    Form.reset(new TPopupsForm(nullptr));
    Manager = BarManagers()->ManagerOfForm(Form.get());
    Form->SetDesigner(&Designer);
    auto Find = [this](const char* Name) { return Form->FindComponent(Name); };
    New = dynamic_cast<TcbBarButton*>(Find("New"));
    Open = dynamic_cast<TcbBarButton*>(Find("Open"));
    Save = dynamic_cast<TcbBarButton*>(Find("Save"));
    ToolA = dynamic_cast<TcbBarButton*>(Find("ToolA"));
    ToolB = dynamic_cast<TcbBarButton*>(Find("ToolB"));
    this->Find = dynamic_cast<TcbBarEdit*>(Find("Find"));
    Zoom = dynamic_cast<TcbBarCombo*>(Find("Zoom"));
    File = dynamic_cast<TcbBarSubItem*>(Find("File"));
    MainMenu = Manager->GetBars()->GetItem(0);
    Standard = Manager->GetBars()->GetItem(1);
    Tools = Manager->GetBars()->GetItem(2);
    for (TcbBarButton* B : {New, Open, Save, ToolA, ToolB})
        B->OnClick = [this](TObject* Sender) { ++Runs[dynamic_cast<TcbBarItem*>(Sender)->GetCaption()]; };

    Images = new TImageList(Form.get());
    Images->SetSize(16, 16);
    for (int I = 0; I < 5; ++I) {
        TBitmap Picture;
        Picture.SetSize(16, 16);
        HBRUSH Brush = CreateSolidBrush(RGB(40 * I, 180 - 30 * I, 60 + 30 * I));
        RECT R{0, 0, 16, 16};
        FillRect(Picture.GetCanvas()->GetHandle(), &R, Brush);
        DeleteObject(Brush);
        Images->Add(&Picture, nullptr);
    }
    Manager->SetImages(Images);
    if (Designing) {
        DesignSite = new TcbBarDockControl(Form.get());
        DesignSite->SetParent(Form.get());
        DesignSite->SetBarManager(Manager);
        DesignSite->SetDockAlign(dalTop);
    }
    Form->SetBounds(20, 20, 800, 600);
    Form->SetClientSize(760, 560);
    Form->Show();
    if (Designing) {
        DesignSite->HandleNeeded();
        Standard->SetDockControl(DesignSite);
        Tools->SetDockControl(DesignSite);
    }
    Settle();
}

TPopupsFixture::~TPopupsFixture()
{
    CloseAll();
    if (Form) {
        Form->SetDesigner(nullptr);
        Form->Hide();
    }
    Form.reset();
    UnregisterFormDesign("TPopupsForm");
    gDesigning = false;
    gStyle = bmsFlat;
}

TcbBarControl* TPopupsFixture::WindowOf(TcbBar* Bar) const
{
    return dynamic_cast<TcbBarControl*>(Bar->GetBarControl());
}

TcbBarItemLink* TPopupsFixture::LinkOf(TcbBar* Bar, TcbBarItem* Item)
{
    TcbBarItemLinks* Links = Bar->GetItemLinks();
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        if (Links->GetItem(I)->GetItem() == Item)
            return Links->GetItem(I);
    return nullptr;
}

TcbBarItemControl* TPopupsFixture::ControlOf(TCustomcbBarControl* Window, TcbBarItem* Item)
{
    if (!Window || !Window->GetItemLinks())
        return nullptr;
    TcbBarItemLinks* Links = Window->GetItemLinks();
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        if (Links->GetItem(I)->GetItem() == Item && Links->GetItem(I)->GetControl())
            return Links->GetItem(I)->GetControl();
    return nullptr;
}

TcbBarItemControl* TPopupsFixture::ControlByCaption(TCustomcbBarControl* Window, const std::string& Caption)
{
    if (!Window || !Window->GetItemLinks())
        return nullptr;
    TcbBarItemLinks* Links = Window->GetItemLinks();
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        if (TcbBarItemControl* Control = Links->GetItem(I)->GetControl(); Control && Control->GetCaption() == Caption)
            return Control;
    return nullptr;
}

POINT TPopupsFixture::CenterOf(const TcbBarItemControl* Control)
{
    const TRect R = Control->GetItemRect();
    return POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
}

POINT TPopupsFixture::ScreenCenterOf(const TcbBarItemControl* Control)
{
    POINT P = CenterOf(Control);
    ClientToScreen(Control->GetBarControl()->GetHandle(), &P);
    return P;
}

void TPopupsFixture::ClickByMessage(TcbBarItemControl* Control)
{
    const HWND Window = Control->GetBarControl()->GetHandle();
    const POINT P = CenterOf(Control);
    const LPARAM At = MAKELPARAM(P.x, P.y);
    SendMessageA(Window, WM_MOUSEMOVE, 0, At);
    if (IsWindow(Window))
        SendMessageA(Window, WM_LBUTTONDOWN, MK_LBUTTON, At);
    if (IsWindow(Window))
        SendMessageA(Window, WM_LBUTTONUP, 0, At);
    Settle();
}

void TPopupsFixture::RightPressByMessage(TWinControl* Window, POINT ClientPoint)
{
    const LPARAM At = MAKELPARAM(ClientPoint.x, ClientPoint.y);
    SendMessageA(Window->GetHandle(), WM_RBUTTONDOWN, MK_RBUTTON, At);
    if (Window->HandleAllocated())
        SendMessageA(Window->GetHandle(), WM_RBUTTONUP, 0, At);
    Settle();
}

std::vector<std::string> TPopupsFixture::Captions(TCustomcbBarControl* Window)
{
    std::vector<std::string> Out;
    if (!Window || !Window->GetItemLinks())
        return Out;
    TcbBarItemLinks* Links = Window->GetItemLinks();
    for (int32_t I = 0; I < Links->GetShownItemCount(); ++I) {
        TcbBarItemLink* Link = Links->GetShownItem(I);
        const std::string Caption = Link->GetControl() ? Link->GetControl()->GetCaption() : Link->GetCaption();
        Out.push_back((Link->GetBeginGroup() ? "|" : "") + Caption);
    }
    return Out;
}

TRect TPopupsFixture::MarkRectOnScreen(TcbBarControl* Window)
{
    TRect R = Window->GetMarkRectInWindow();
    const TRect W = Window->GetWindowRect();
    OffsetRect(&R, W.left, W.top);
    return R;
}

TRect TPopupsFixture::MarkRectInClient(TcbBarControl* Window)
{
    TRect R = MarkRectOnScreen(Window);
    POINT TopLeft{R.left, R.top};
    ScreenToClient(Window->GetHandle(), &TopLeft);
    OffsetRect(&R, TopLeft.x - R.left, TopLeft.y - R.top);
    return R;
}

void TPopupsFixture::PressMark(TcbBarControl* Window)
{
    const TRect Screen = MarkRectOnScreen(Window);
    const TRect Client = MarkRectInClient(Window);
    SendMessageA(Window->GetHandle(), WM_NCHITTEST, 0,
                 MAKELPARAM((Screen.left + Screen.right) / 2, (Screen.top + Screen.bottom) / 2));
    const LPARAM At = MAKELPARAM((Client.left + Client.right) / 2, (Client.top + Client.bottom) / 2);
    SendMessageA(Window->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    if (TCustomcbBarControl::IsLiveBarControl(Window))
        SendMessageA(Window->GetHandle(), WM_LBUTTONUP, 0, At);
    Settle();
}

namespace {
BOOL CALLBACK CountVisible(HWND W, LPARAM Count)
{
    if (IsWindowVisible(W))
        ++*reinterpret_cast<int*>(Count);
    return TRUE;
}
} // namespace

int TPopupsFixture::VisibleWindowCount()
{
    int Count = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountVisible, reinterpret_cast<LPARAM>(&Count));
    return Count;
}

void TPopupsFixture::CloseAll()
{
    for (int32_t Guard = 0; Guard < 8; ++Guard) {
        TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl();
        if (!Active)
            break;
        Active->HideAll();
    }
    if (TcbBarQuickControl* Quick = TcbBarQuickControl::GetOpenQuickControl()) {
        if (TcbBarControl* Owner = Quick->GetOwnerToolbar())
            Owner->SetMarkState(bstNormal);
    }
    if (TcbBarCustomizingPopup* Popup = TcbBarCustomizingPopup::GetOpenPopup())
        Popup->CloseAndFree();
    if (TcbBarToolbarsPopup* Popup = TcbBarToolbarsPopup::GetOpenPopup())
        Popup->CloseAndFree();
    Settle();
}

} // namespace CommandBarsTest
