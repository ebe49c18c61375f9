#include "commandbars/model/cbPopupMenuLinks.h"

#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbPopupMenu.h"
#include "platform/win/Controls.h"
#include "platform/win/Forms.h"

namespace {

TcbPopupMenuShow gPopupMenuShow;

} // namespace

void SetPopupMenuShow(TcbPopupMenuShow Show)
{
    gPopupMenuShow = std::move(Show);
}

// ---------------------------------------------------------------------------------------------
// TcbBarPopupMenuLink

TcbBarPopupMenuLink::TcbBarPopupMenuLink(TCollection* ACollection) : TCollectionItem(ACollection) {}

TcbBarPopupMenuLink::~TcbBarPopupMenuLink()
{
    SetControl(nullptr);
    SetPopupMenu(nullptr);
}

TcbBarManager* TcbBarPopupMenuLink::GetBarManager() const
{
    const auto* Links = static_cast<const TcbBarPopupMenuLinks*>(GetCollection());
    return Links ? Links->GetBarManager() : nullptr;
}

void TcbBarPopupMenuLink::SetControl(TWinControl* Value)
{
    TcbBarManager* Manager = GetBarManager();
    if (Value && (!Manager || Value->GetParentForm() != Manager->GetOwner()))
        Value = nullptr;
    if (Value == FControl)
        return;
    FControl = Value;
    // The manager hears the control's end and passes it on.
    if (Value && Manager)
        Value->FreeNotification(Manager);
}

void TcbBarPopupMenuLink::SetPopupMenu(TcbBarPopupMenu* Value)
{
    if (Value == FPopupMenu)
        return;
    FPopupMenu = Value;
    if (Value && GetBarManager())
        Value->FreeNotification(GetBarManager());
}

void TcbBarPopupMenuLink::ComponentRemoved(TComponent* AComponent)
{
    if (AComponent == FControl)
        FControl = nullptr;
    if (AComponent == FPopupMenu)
        FPopupMenu = nullptr;
}

void TcbBarPopupMenuLink::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TcbBarPopupMenuLink*>(Source);
    if (!S) {
        TCollectionItem::Assign(Source);
        return;
    }
    TcbBarManager* Manager = GetBarManager();
    TComponent* Form = Manager ? Manager->GetOwner() : nullptr;
    auto Find = [&](TComponent* Named) -> TComponent* {
        return Named && Form && !Named->GetName().empty() ? Form->FindComponent(Named->GetName()) : nullptr;
    };
    SetControl(dynamic_cast<TWinControl*>(Find(S->FControl)));
    SetPopupMenu(dynamic_cast<TcbBarPopupMenu*>(Find(S->FPopupMenu)));
    SetProcessChildren(S->FProcessChildren);
}

bool TcbBarPopupMenuLink::IsShortCut(TShortCut ShortCut)
{
    bool AllowPopup = FPopupMenu != nullptr;
    if (OnAction) {
        int32_t X = -1, Y = -1;
        OnAction(this, X, Y, false, AllowPopup);
    }
    return AllowPopup && FPopupMenu && FPopupMenu->IsShortCut(ShortCut);
}

bool TcbBarPopupMenuLink::DoPopup(HWND Wnd, POINT Point)
{
    MSG Pending;
    PeekMessageA(&Pending, Wnd, WM_CONTEXTMENU, WM_CONTEXTMENU, PM_REMOVE);
    const bool ClickedByMouse = Point.x != -1;
    POINT ControlPoint{-1, -1};
    if (ClickedByMouse) {
        ScreenToClient(Wnd, &Point);
        ControlPoint = Point;
        if (FControl && FControl->HandleAllocated())
            MapWindowPoints(Wnd, FControl->GetHandle(), &ControlPoint, 1);
    } else {
        // From the keyboard the menu opens at the caret, else at the window's corner.
        Point = POINT{0, 0};
        HideCaret(Wnd);
        POINT Caret;
        if (ShowCaret(Wnd) && GetCaretPos(&Caret))
            Point = Caret;
    }
    if (FControl) {
        bool Handled = false;
        FControl->DoContextPopup(TPoint{ControlPoint.x, ControlPoint.y}, Handled);
        if (Handled)
            return false;
    }
    bool AllowPopup = FPopupMenu != nullptr;
    if (OnAction) {
        POINT P = Point;
        if (FControl && FControl->HandleAllocated())
            MapWindowPoints(Wnd, FControl->GetHandle(), &P, 1);
        int32_t X = P.x, Y = P.y;
        OnAction(this, X, Y, ClickedByMouse, AllowPopup);
        P = POINT{X, Y};
        if (FControl && FControl->HandleAllocated())
            MapWindowPoints(FControl->GetHandle(), Wnd, &P, 1);
        Point = P;
    }
    if (AllowPopup && FPopupMenu) {
        if (IsWindowEnabled(Wnd))
            SetFocus(Wnd);
        ClientToScreen(Wnd, &Point);
        if (gPopupMenuShow)
            gPopupMenuShow(FPopupMenu, Point.x, Point.y);
    }
    return AllowPopup;
}

// ---------------------------------------------------------------------------------------------
// TcbBarPopupMenuLinks

TcbBarPopupMenuLinks::TcbBarPopupMenuLinks(TcbBarManager* ABarManager) :
    TCollection(TCollection::ItemFactory<TcbBarPopupMenuLink>(), ABarManager), FBarManager(ABarManager)
{
}

bool TcbBarPopupMenuLinks::AskLinks(
    TWinControl* Control, bool Children, const std::function<bool(TcbBarPopupMenuLink*)>& Ask)
{
    for (int32_t I = 0; I < GetCount(); ++I) {
        TcbBarPopupMenuLink* Link = GetItem(I);
        if (Link->GetControl() == Control && (!Children || Link->GetProcessChildren()) && Ask(Link))
            return true;
    }
    return false;
}

bool TcbBarPopupMenuLinks::AskInOrder(TWinControl* Control, const std::function<bool(TcbBarPopupMenuLink*)>& Ask)
{
    if (!Control)
        return false;
    if (AskLinks(Control, false, Ask))
        return true;
    for (TWinControl* Parent = Control->GetParent(); Parent; Parent = Parent->GetParent())
        if (AskLinks(Parent, true, Ask))
            return true;
    return false;
}

bool TcbBarPopupMenuLinks::IsShortCut(TWinControl* Control, TShortCut ShortCut)
{
    return AskInOrder(Control, [ShortCut](TcbBarPopupMenuLink* Link) { return Link->IsShortCut(ShortCut); });
}

bool TcbBarPopupMenuLinks::ShowForControl(TWinControl* Control, HWND Wnd, POINT Point)
{
    if (FBarManager && FBarManager->IsDesigning())
        return false;
    return AskInOrder(Control, [Wnd, Point](TcbBarPopupMenuLink* Link) { return Link->DoPopup(Wnd, Point); });
}

void TcbBarPopupMenuLinks::ComponentRemoved(TComponent* AComponent)
{
    for (int32_t I = 0; I < GetCount(); ++I)
        GetItem(I)->ComponentRemoved(AComponent);
}
