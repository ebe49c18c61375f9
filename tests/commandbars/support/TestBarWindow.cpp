#include "tests/commandbars/support/TestBarWindow.h"

#include <algorithm>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "platform/win/Forms.h"
#include "platform/win/ScreenDC.h"

namespace CommandBarsTest {

namespace {

int gMenuWindows = 0;
TCustomForm* gMenuForm = nullptr;

TCustomcbBarControl* MakeTestMenu(TcbBarSubItemControl* Control)
{
    auto* SubItem = Control->GetSubItem();
    if (!SubItem)
        return nullptr;
    return new TTestMenuWindow(Control->GetBarManager(), SubItem->GetItemLinks(), gMenuForm);
}

} // namespace

TTestBarWindow::TTestBarWindow(TcbBarManager* Manager, TcbBarItemLinks* Links, TCustomForm* Form, bool Menu) :
    TCustomcbBarControl(Manager), FMenu(Menu), FForm(Form)
{
    SetInvalidateOnly(true);
    SetItemLinks(Links);
}

TTestBarWindow::~TTestBarWindow() = default;

void TTestBarWindow::CreateParams(TCreateParams& Params)
{
    TCustomcbBarControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_CLIPCHILDREN;
    Params.ExStyle = WS_EX_TOOLWINDOW;
    Params.Menu = nullptr;
    Params.WndParent = FForm && FForm->HandleAllocated() ? FForm->GetHandle() : nullptr;
}

void TTestBarWindow::AssignFont()
{
    if (GetBarManager() && GetBarManager()->GetFont())
        GetFont()->Assign(GetBarManager()->GetFont());
}

void TTestBarWindow::CreateControls()
{
    TCustomcbBarControl::CreateControls();
    RebuildBar();
}

TcbSubMenuMetrics TTestBarWindow::GetSubMenuMetrics() const
{
    TcbSubMenuMetrics Metrics;
    TScreenDC Screen;
    HGDIOBJ Old = SelectObject(Screen, GetFontHandle());
    GetPainter()->CalcSubMenuMetrics(this, Screen, Metrics);
    SelectObject(Screen, Old);
    return Metrics;
}

void TTestBarWindow::RebuildBar()
{
    ++FRebuilds;
    TcbBarItemLinks* Links = GetItemLinks();
    if (!Links || !HandleAllocated())
        return;
    // Links that became visible since the controls were made get theirs now.
    for (int32_t I = 0; I < Links->GetVisibleItemCount(); ++I)
        if (!Links->GetVisibleItem(I)->GetControl())
            cbCreateItemControl(Links->GetVisibleItem(I));
    const int32_t Margin = 2;
    int32_t X = Margin, Y = Margin, Across = 0;
    for (int32_t I = 0; I < Links->GetShownItemCount(); ++I) {
        TcbBarItemLink* Link = Links->GetShownItem(I);
        TcbBarItemControl* Control = Link->GetControl();
        if (!Control)
            continue;
        const int32_t W = Control->GetWidth(), H = Control->GetHeight();
        const TRect R = FMenu ? Bounds(Margin, Y, W, H) : Bounds(X, Margin, W, H);
        Link->SetItemRect(R);
        Link->SetItemRectWithBeginGroup(R);
        if (FMenu) {
            Y += H;
            Across = std::max(Across, W);
        } else {
            X += W;
            Across = std::max(Across, H);
        }
    }
    if (FMenu) {
        // Every row is as wide as the widest.
        for (int32_t I = 0; I < Links->GetShownItemCount(); ++I) {
            TcbBarItemLink* Link = Links->GetShownItem(I);
            TRect R = Link->GetItemRect();
            R.right = R.left + Across;
            Link->SetItemRect(R);
            Link->SetItemRectWithBeginGroup(R);
        }
        SetBounds(GetLeft(), GetTop(), Across + 2 * Margin, Y + Margin);
    } else {
        SetBounds(GetLeft(), GetTop(), X + Margin, Across + 2 * Margin);
    }
    Invalidate();
}

void TTestBarWindow::RepaintItemControl(TcbBarItemControl* Control)
{
    TCustomcbBarControl::RepaintItemControl(Control);
    if (HandleAllocated() && Control) {
        const TRect R = GetItemRect(Control);
        InvalidateRect(FHandle, &R, FALSE);
    }
}

void TTestBarWindow::PaintBar(HDC DC)
{
    const TRect Client = GetClientRect();
    FillRect(DC, &Client, GetCachedBarBrush());
    TcbBarItemLinks* Links = GetItemLinks();
    if (!Links)
        return;
    for (int32_t I = 0; I < Links->GetShownItemCount(); ++I) {
        TcbBarItemLink* Link = Links->GetShownItem(I);
        if (TcbBarItemControl* Control = Link->GetControl())
            Control->Draw(Link->GetItemRect(), Control->GetDrawKind());
    }
}

void TTestBarWindow::KeyNavigation(uint16_t Key)
{
    if (Key == VK_RETURN) {
        if (TcbBarItemControl* Selected = GetSelectedControl())
            Selected->PressAndClick(false);
        return;
    }
    TCustomcbBarControl::KeyNavigation(Key);
}

void TTestBarWindow::WndProc(TMessage& Message)
{
    // Only when no other window runs the menu mode: the base drops the mouse of windows outside
    // the active chain.
    if (Message.Msg == WM_LBUTTONDOWN && !ActiveBarControl() && !IsCustomizing() && !GetIgnoreNextButtonUp())
        SetIsActive(true);
    TCustomcbBarControl::WndProc(Message);
}

void TTestBarWindow::ShowAt(int32_t X, int32_t Y)
{
    SetBounds(X, Y, GetWidth(), GetHeight());
    HandleNeeded();
    RebuildBar();
    Show();
    UpdateWindow(FHandle);
}

TTestMenuWindow::TTestMenuWindow(TcbBarManager* Manager, TcbBarItemLinks* Links, TCustomForm* Form) :
    TTestBarWindow(Manager, Links, Form, true)
{
    ++gMenuWindows;
    HandleNeeded();
}

TTestMenuWindow::~TTestMenuWindow()
{
    --gMenuWindows;
}

int TTestMenuWindow::LiveCount()
{
    return gMenuWindows;
}

TTestMenuFactory::TTestMenuFactory(TCustomForm* Form)
{
    gMenuForm = Form;
    SetSubMenuWindowFactory(&MakeTestMenu);
}

TTestMenuFactory::~TTestMenuFactory()
{
    SetSubMenuWindowFactory(nullptr);
    gMenuForm = nullptr;
}

} // namespace CommandBarsTest
