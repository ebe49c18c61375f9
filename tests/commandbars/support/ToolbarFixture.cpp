#include "tests/commandbars/support/ToolbarFixture.h"

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbItemLinks.h"
#include "platform/win/Bitmap.h"
#include "platform/win/ScreenDC.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/TestSupport.h"

namespace CommandBarsTest {

TToolbarFixture::TToolbarFixture(bool Show, const std::function<TcbBarManager*(TForm*)>& MakeManager)
{
    Form->SetBounds(20, 20, 800, 600);
    Form->SetClientSize(760, 560);
    Edit = new TEdit(Form.get());
    Edit->SetParent(Form.get());
    Edit->SetBounds(200, 200, 120, 22);
    Manager = MakeManager ? MakeManager(Form.get()) : new TcbBarManager(Form.get());
    Manager->SetStyle(bmsFlat);
    Images = new TImageList(Form.get());
    Images->SetSize(16, 16);
    for (int I = 0; I < 11; ++I) {
        TBitmap Picture;
        Picture.SetSize(16, 16);
        HBRUSH Brush = CreateSolidBrush(RGB(20 * I, 200 - 15 * I, 90));
        RECT R{0, 0, 16, 16};
        FillRect(Picture.GetCanvas()->GetHandle(), &R, Brush);
        DeleteObject(Brush);
        Images->Add(&Picture, nullptr);
    }
    Manager->SetImages(Images);

    MainMenu = Manager->GetBars()->Add();
    MainMenu->SetCaption("Main Menu");
    MainMenu->SetIsMainMenu(true);
    for (const char* Caption : {"&File", "&Edit", "&View", "&Help"}) {
        auto* Sub = new TcbBarSubItem(Form.get());
        Sub->SetCaption(Caption);
        auto* Entry = new TcbBarButton(Form.get());
        Entry->SetCaption(std::string("Entry of ") + Caption);
        Sub->GetItemLinks()->Add()->SetItem(Entry);
        MainMenu->GetItemLinks()->Add()->SetItem(Sub);
        Menus.push_back(Sub);
    }

    Standard = Manager->GetBars()->Add();
    Standard->SetCaption("Standard");
    Standard->SetRow(1);
    for (int I = 0; I < 11; ++I) {
        auto* Button = new TcbBarButton(Form.get());
        auto* Action = new TAction(Form.get());
        Action->SetCaption(I == 0 ? "Open" : "Command " + std::to_string(I));
        Action->SetHint(I == 0 ? "Open file|Opens a file" : "Command " + std::to_string(I) + "|Runs it");
        Action->SetImageIndex(I);
        Action->SetOnExecute([](TObject*) {});
        if (I == 0) {
            Action->SetShortCut(static_cast<TShortCut>(scCtrl | 'O'));
            OpenAction = Action;
        }
        Button->SetAction(Action);
        TcbBarItemLink* Link = Standard->GetItemLinks()->Add();
        Link->SetItem(Button);
        Link->SetBeginGroup(I == 4 || I == 8 || I == 10);
        StandardButtons.push_back(Button);
    }

    Tools = Manager->GetBars()->Add();
    Tools->SetCaption("Tools");
    Tools->SetRow(1);
    Tools->SetDockedLeft(400);
    for (int I = 0; I < 3; ++I) {
        auto* Button = new TcbBarButton(Form.get());
        Button->SetCaption("Tool " + std::to_string(I));
        Button->SetImageIndex(I);
        Tools->GetItemLinks()->Add()->SetItem(Button);
        ToolsButtons.push_back(Button);
    }

    Status = Manager->GetBars()->Add();
    Status->SetCaption("Status");
    Status->SetBorderStyle(bbsNone);
    Status->SetWholeRow(true);
    Status->SetSizeGrip(true);
    StatusButton = new TcbBarButton(Form.get());
    StatusButton->SetCaption("Ready");
    StatusButton->SetPaintStyle(psCaption);
    Status->GetItemLinks()->Add()->SetItem(StatusButton);

    Form->Show();
    Edit->SetFocus();
    if (Show)
        ShowBars();
}

void TToolbarFixture::ShowBars()
{
    MainMenu->SetDockingStyle(dsTop);
    MainMenu->SetVisible(true);
    Standard->SetDockingStyle(dsTop);
    Standard->SetVisible(true);
    Tools->SetDockingStyle(dsTop);
    Tools->SetVisible(true);
    Status->SetDockingStyle(dsBottom);
    Status->SetVisible(true);
    Settle();
}

TToolbarFixture::~TToolbarFixture()
{
    if (TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl())
        Active->HideAll();
    Form->Hide();
}

TcbBarControl* TToolbarFixture::WindowOf(TcbBar* Bar) const
{
    return dynamic_cast<TcbBarControl*>(Bar->GetBarControl());
}

TcbDockControl* TToolbarFixture::Site(TcbBarDockingStyle Style) const
{
    return Manager->GetBars()->GetDockControl(Style);
}

void TToolbarFixture::SetClientWidth(int32_t Width)
{
    Form->SetClientSize(Width, Form->GetClientHeight());
    Settle();
}

int32_t TToolbarFixture::TextHeight() const
{
    TScreenDC Screen;
    HGDIOBJ Old = SelectObject(Screen, Manager->GetFont()->GetHandle());
    SIZE S{};
    GetTextExtentPoint32A(Screen, "0", 1, &S);
    SelectObject(Screen, Old);
    return S.cy;
}

TRect TToolbarFixture::PlaceOf(TcbBar* Bar) const
{
    TcbBarControl* Window = WindowOf(Bar);
    if (!Window)
        return {};
    return TRect{Window->GetLeft(), Window->GetTop(), Window->GetLeft() + Window->GetWidth(),
                 Window->GetTop() + Window->GetHeight()};
}

} // namespace CommandBarsTest
