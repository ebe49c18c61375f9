#include "tests/commandbars/support/CustomizingFixture.h"

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarManager.h"
#include "platform/win/Bitmap.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/TestSupport.h"

namespace CommandBarsTest {

TCustomizingFixture::TCustomizingFixture(bool Customizing)
{
    Form->SetBounds(40, 40, 800, 600);
    Form->SetClientSize(760, 520);
    Manager = new TcbBarManager(Form.get());
    Manager->SetStyle(bmsFlat);
    Images = new TImageList(Form.get());
    Images->SetSize(16, 16);
    for (int I = 0; I < 6; ++I) {
        TBitmap Picture;
        Picture.SetSize(16, 16);
        HBRUSH Brush = CreateSolidBrush(RGB(30 * I, 180 - 20 * I, 60 + 25 * I));
        RECT R{0, 0, 16, 16};
        FillRect(Picture.GetCanvas()->GetHandle(), &R, Brush);
        DeleteObject(Brush);
        Images->Add(&Picture, nullptr);
    }
    Manager->SetImages(Images);

    auto MakeButton = [this](const std::string& Caption, int32_t Image) {
        auto* Button = new TcbBarButton(Form.get());
        Button->SetCaption(Caption);
        Button->SetImageIndex(Image);
        return Button;
    };
    New = MakeButton("&New", 0);
    Open = MakeButton("&Open", 1);
    Save = MakeButton("&Save", 2);

    MainMenu = Manager->GetBars()->Add();
    MainMenu->SetCaption("Main Menu");
    MainMenu->SetIsMainMenu(true);
    File = new TcbBarSubItem(Form.get());
    File->SetCaption("&File");
    for (TcbBarButton* B : {New, Open, Save})
        File->GetItemLinks()->Add()->SetItem(B);
    MainMenu->GetItemLinks()->Add()->SetItem(File);

    Standard = Manager->GetBars()->Add();
    Standard->SetCaption("Standard");
    Standard->SetRow(1);
    for (TcbBarButton* B : {New, Open, Save})
        Standard->GetItemLinks()->Add()->SetItem(B);
    Standard->GetItemLinks()->GetItem(2)->SetBeginGroup(true);
    Find = new TcbBarEdit(Form.get());
    Find->SetCaption("Find");
    Standard->GetItemLinks()->Add()->SetItem(Find);
    Zoom = new TcbBarCombo(Form.get());
    Zoom->SetCaption("Zoom");
    Standard->GetItemLinks()->Add()->SetItem(Zoom);

    Tools = Manager->GetBars()->Add();
    Tools->SetCaption("Tools");
    Tools->SetRow(1);
    Tools->SetDockedLeft(450);
    for (int I = 0; I < 2; ++I) {
        TcbBarButton* B = MakeButton("Tool " + std::to_string(I + 1), 3 + I);
        Tools->GetItemLinks()->Add()->SetItem(B);
        ToolsButtons.push_back(B);
    }

    Form->Show();
    for (TcbBar* Bar : {MainMenu, Standard, Tools}) {
        Bar->SetDockingStyle(dsTop);
        Bar->SetVisible(true);
    }
    Settle();
    if (Customizing) {
        Manager->SetIsCustomizing(true);
        Settle();
    }
}

TCustomizingFixture::~TCustomizingFixture()
{
    if (TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl())
        Active->HideAll();
    Manager->SetIsCustomizing(false);
    Form->Hide();
}

TcbBarControl* TCustomizingFixture::WindowOf(TcbBar* Bar) const
{
    return dynamic_cast<TcbBarControl*>(Bar->GetBarControl());
}

TcbBarItemControl* TCustomizingFixture::ControlAt(TcbBar* Bar, int32_t Index) const
{
    TcbBarItemLinks* Links = Bar->GetItemLinks();
    return Index >= 0 && Index < Links->GetCount() ? Links->GetItem(Index)->GetControl() : nullptr;
}

RECT TCustomizingFixture::ScreenRectOf(TcbBarItemControl* Control)
{
    if (!Control)
        return RECT{};
    TCustomcbBarControl* Window = Control->GetBarControl();
    const TRect R = Window->GetItemRect(Control);
    POINT Corners[2] = {{R.left, R.top}, {R.right, R.bottom}};
    MapWindowPoints(Window->GetHandle(), nullptr, Corners, 2);
    return RECT{Corners[0].x, Corners[0].y, Corners[1].x, Corners[1].y};
}

POINT TCustomizingFixture::CenterOf(TcbBarItemControl* Control)
{
    const RECT R = ScreenRectOf(Control);
    return POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
}

TcbBar* TCustomizingFixture::AddEmptyBar(const std::string& Caption, int32_t Row)
{
    TcbBar* Bar = Manager->GetBars()->Add();
    Bar->SetCaption(Caption);
    Bar->SetRow(Row);
    Bar->SetDockingStyle(dsTop);
    Bar->SetVisible(true);
    Settle();
    return Bar;
}

std::string TCustomizingFixture::Describe(TcbBarItemLinks* Links)
{
    std::string Text;
    for (int32_t I = 0; I < Links->GetCount(); ++I) {
        TcbBarItemLink* Link = Links->GetItem(I);
        if (I > 0)
            Text += Link->GetBeginGroup() ? " | " : " ";
        Text += Link->GetItem() ? Link->GetCaption() : "?";
    }
    return Text;
}

} // namespace CommandBarsTest
