#include "tests/commandbars/support/FloatingFixture.h"

#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbItemLinks.h"
#include "tests/support/InputDriver.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/TestSupport.h"

namespace CommandBarsTest {

TFloatingFixture::TFloatingFixture() : TToolbarFixture(false)
{
    Manager->SetHideFloatingBarsWhenInactive(false);
    EditItem = new TcbBarEdit(Form.get());
    EditItem->SetCaption("Find");
    EditItem->SetWidth(80);
    EditLink = Standard->GetItemLinks()->Add();
    EditLink->SetItem(EditItem);
    EditLink->SetBeginGroup(true);
    for (int I = 3; I < 8; ++I) {
        auto* Button = new TcbBarButton(Form.get());
        Button->SetCaption("Tool " + std::to_string(I));
        Button->SetImageIndex(I);
        Tools->GetItemLinks()->Add()->SetItem(Button);
        ToolsButtons.push_back(Button);
    }
    Tools->SetFloatLeft(300);
    Tools->SetFloatTop(200);
    Tools->SetFloatClientWidth(150);
    MainMenu->SetDockingStyle(dsTop);
    MainMenu->SetVisible(true);
    Standard->SetDockingStyle(dsTop);
    Standard->SetVisible(true);
    Status->SetDockingStyle(dsBottom);
    Status->SetVisible(true);
    Tools->SetDockingStyle(dsNone);
    Tools->SetVisible(true);
    Settle();
}

TFloatingFixture::~TFloatingFixture()
{
    if (TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl())
        Active->HideAll();
    for (TcbBar* Bar : {Tools, Standard, MainMenu, Status})
        Bar->SetVisible(false);
}

bool TFloatingFixture::BringToFront()
{
    if (!TestSupport::BringToFront(*Form))
        return false;
    // The display has no window manager that keeps owned windows above their owner.
    for (TcbBar* Bar : {Tools, Standard, MainMenu, Status})
        if (TcbBarControl* Window = WindowOf(Bar); Window && Window->HandleAllocated() && Bar->GetDockingStyle() == dsNone)
            SetWindowPos(Window->GetHandle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Settle();
    return true;
}

TRect TFloatingFixture::ScreenRectOf(TcbBar* Bar) const
{
    TcbBarControl* Window = WindowOf(Bar);
    RECT R{};
    if (Window && Window->HandleAllocated())
        ::GetWindowRect(Window->GetHandle(), &R);
    return R;
}

POINT TFloatingFixture::WindowPointToScreen(TcbBar* Bar, int32_t X, int32_t Y) const
{
    const TRect R = ScreenRectOf(Bar);
    return POINT{R.left + X, R.top + Y};
}

POINT TFloatingFixture::GripPoint(TcbBar* Bar) const
{
    TcbBarControl* Window = WindowOf(Bar);
    const TRect R = ScreenRectOf(Bar);
    const TPoint Offset = Window->GetClientOffset();
    // Half-way into the non-client strip before the client area.
    return POINT{R.left + Offset.x / 2 + 1, (R.top + R.bottom) / 2};
}

POINT TFloatingFixture::CaptionPoint(TcbBar* Bar) const
{
    TcbBarControl* Window = WindowOf(Bar);
    const TRect R = ScreenRectOf(Bar);
    const TRect Caption = Window->GetCaptionRect(false);
    return POINT{R.left + Caption.left + 12, R.top + (Caption.top + Caption.bottom) / 2};
}

namespace {

struct THandleSearch {
    const TcbBarControl* Window;
    std::vector<HWND> Found;
};

BOOL CALLBACK VisitChild(HWND W, LPARAM P)
{
    auto* S = reinterpret_cast<THandleSearch*>(P);
    if (TWinControl::FindControl(W) == S->Window)
        S->Found.push_back(W);
    return TRUE;
}

BOOL CALLBACK VisitTopLevel(HWND W, LPARAM P)
{
    VisitChild(W, P);
    // A docked handle is a child of its site.
    EnumChildWindows(W, VisitChild, P);
    return TRUE;
}

} // namespace

std::vector<HWND> TFloatingFixture::HandlesOf(const TcbBarControl* Window)
{
    THandleSearch Search{Window, {}};
    EnumThreadWindows(GetCurrentThreadId(), VisitTopLevel, reinterpret_cast<LPARAM>(&Search));
    return Search.Found;
}

} // namespace CommandBarsTest
