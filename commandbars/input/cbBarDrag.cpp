#include "commandbars/input/cbBarDrag.h"

#include <algorithm>
#include <cstdlib>

#include <windowsx.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbLiveness.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/windows/cbSubMenu.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Forms.h"
#include "platform/win/Screen.h"
#include "platform/win/ThreadTimer.h"

namespace {

bool gBarDragging = false;
// The bars collection whose bar is being dragged: the docking timer reaches the drag through it.
TcbBars* gDraggingBars = nullptr;

// Where the mouse was when a message was posted. The drags follow their messages' points, not
// GetCursorPos: the cursor position read back while input is still arriving can lag behind the
// input already in the queue, and a drop would then count at an old place.
TPoint MessagePoint(const MSG& Msg)
{
    return TPoint{Msg.pt.x, Msg.pt.y};
}

// The point of the message the thread took last: the press or move that started a drag.
TPoint LastMessagePoint()
{
    const DWORD Pos = GetMessagePos();
    return TPoint{GET_X_LPARAM(Pos), GET_Y_LPARAM(Pos)};
}

// The last point a bar drag saw, for the docking timer that decides again without a move.
TPoint gBarDragPoint{};

// The site's window and every parent up the chain are visible and enabled.
bool SiteUsable(TcbDockControl* Site)
{
    if (!Site || !Site->HandleAllocated())
        return false;
    for (HWND W = Site->GetHandle(); W; W = (GetWindowLongA(W, GWL_STYLE) & WS_CHILD) ? GetParent(W) : nullptr)
        if (!IsWindowVisible(W) || !IsWindowEnabled(W))
            return false;
    return true;
}

} // namespace

bool cbIsBarDragging()
{
    return gBarDragging;
}

void cbSetBarDragging(bool Value)
{
    gBarDragging = Value;
}

void cbBarDragInit()
{
    cbExtensions().DragBar = [](TcbBarControl* Window) {
        if (Window && Window->GetBar())
            Window->GetBar()->GetBars()->RunDrag(Window);
    };
    cbExtensions().DragItemLink = [](TcbBarManager* Manager, TcbBarItem* Item, TcbBarItemLink* Link) {
        DragItemLink(Manager, Item, Link);
    };
}

// ---------------------------------------------------------------------------------------------
// TcbBars: the drag

void TcbBars::StopDockingTimer()
{
    if (FDockingTimer) {
        ThreadTimerStop(FDockingTimer);
        FDockingTimer = 0;
    }
}

void TcbBars::DockingTimerFired()
{
    StopDockingTimer();
    if (FMovingBarControl && TCustomcbBarControl::IsLiveBarControl(FMovingBarControl))
        MoveBarTo(FMovingBarControl, gBarDragPoint, true);
}

void TcbBars::FindDockSite(TcbBarControl* Window, TPoint Point, TcbBarDockingStyle& Style, TcbDockControl*& Site)
{
    Style = dsNone;
    Site = nullptr;
    TcbBar* Bar = Window ? Window->GetBar() : nullptr;
    if (!Bar)
        return;
    // Ctrl held during a drag keeps the bar floating.
    if (Window->IsMoving() && FCtrlHeld)
        return;
    const std::vector<TcbDockControl*> Sites = FBarManager->DockSites();
    for (TcbBarDockingStyle Candidate : {dsLeft, dsRight, dsTop, dsBottom})
        for (TcbDockControl* D : Sites) {
            if (D->GetDockingStyle() != Candidate || !SiteUsable(D))
                continue;
            if (!cbInRect(D->GetDockZone(), Point))
                continue;
            if (!FBarManager->CanDocking(Bar, Candidate, D))
                continue;
            Style = Candidate;
            Site = D;
            return;
        }
}

void TcbBars::MoveBarTo(TcbBarControl* Window, TPoint Point, bool Delayed)
{
    TcbBar* Bar = Window ? Window->GetBar() : nullptr;
    if (!Bar || !Window->HandleAllocated())
        return;
    gBarDragPoint = Point;
    TcbBarDockingStyle Style = dsNone;
    TcbDockControl* Site = nullptr;
    FindDockSite(Window, Point, Style, Site);
    if (!FBarManager->CanDocking(Bar, Style, Site))
        return;
    const TcbBarDockingStyle Current = Window->GetDockingStyle();
    if (Current == dsNone && !Delayed && Site) {
        // A floating bar docks only when it has rested over the site for a while.
        StopDockingTimer();
        FDockingTimer = ThreadTimerStart(static_cast<uint32_t>(std::max(FBarManager->GetWaitForDockingTime(), 0)),
                                         [](UINT_PTR) {
                                             if (gDraggingBars)
                                                 gDraggingBars->DockingTimerFired();
                                         });
        Style = dsNone;
        Site = nullptr;
    }
    if (Style == Current && (Style == dsNone || Site == Window->GetDockSite())) {
        FGrabOffset = Window->GetGrabPoint(Style);
        if (Style == dsNone)
            SetWindowPos(Window->GetHandle(), nullptr, Point.x - FGrabOffset.x, Point.y - FGrabOffset.y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        else
            Site->MoveBar(Window, Point);
        return;
    }
    Window->SetVisible(false);
    if (Current != dsNone)
        if (TcbDockControl* Old = Window->GetDockSite()) {
            Old->RemoveBar(Window, true);
            if (TcbBarItemLinks* Links = Window->GetItemLinks())
                Links->SetRecentCount(-1);
        }
    Window->LockLayout();
    {
        TScopeExit Unlock([Window] { Window->UnlockLayout(); });
        Window->SetDockingStyleAndSite(Style, Site);
    }
    FGrabOffset = Window->GetGrabPoint(Style);
    if (Style != dsNone) {
        Site->InsertBar(Window, Point, true);
    } else {
        const TSize Size = Window->GetSizeForDockingStyle(dsNone);
        SetWindowPos(Window->GetHandle(), nullptr, Point.x - FGrabOffset.x, Point.y - FGrabOffset.y, Size.cx, Size.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (Style == dsNone)
        Window->ShowFloating();
    else
        Window->SetVisible(true);
    Window->RebuildBar();
}

void TcbBars::RunDrag(TcbBarControl* Window)
{
    TcbBar* Bar = Window ? Window->GetBar() : nullptr;
    if (!Bar || !Bar->CanMove() || FMoving || !Window->HandleAllocated())
        return;
    const HWND CaptureWnd = FBarManager->GetCaptureWindow();
    if (!CaptureWnd)
        return;
    FMoving = true;
    gDraggingBars = this;
    cbSetBarDragging(true);
    FCtrlHeld = GetKeyState(VK_CONTROL) < 0;
    const int32_t* Start = Window->GetDragStart();
    FGrabOffset = TPoint{Start[0], Start[2]};
    Window->SetMoving(true);
    SetCapture(CaptureWnd);
    TScopeExit End([this, Window, CaptureWnd] {
        StopDockingTimer();
        if (GetCapture() == CaptureWnd)
            ReleaseCapture();
        if (TCustomcbBarControl::IsLiveBarControl(Window)) {
            Window->SetMoving(false);
            if (Window->GetDockingStyle() != dsNone)
                if (TcbDockControl* Site = Window->GetDockSite())
                    Site->EndMove();
        }
        FMovingBarControl = nullptr;
        FMoving = false;
        gDraggingBars = nullptr;
        cbSetBarDragging(false);
    });
    TPoint Last = LastMessagePoint();
    MSG Msg{};
    while (GetCapture() == CaptureWnd) {
        if (!GetMessageA(&Msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(Msg.wParam));
            return;
        }
        if (!TCustomcbBarControl::IsLiveBarControl(Window))
            return;
        switch (Msg.message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
        case WM_CHAR:
        case WM_SYSCHAR:
            if (Msg.message == WM_KEYDOWN && Msg.wParam == VK_ESCAPE)
                return;
            // Ctrl pressed or released decides again at once whether the bar docks. The key's
            // state is taken from these messages: the thread's key state may be brought back to
            // the keyboard's own while the mouse is held.
            if ((Msg.message == WM_KEYDOWN || Msg.message == WM_KEYUP) && Msg.wParam == VK_CONTROL) {
                FCtrlHeld = Msg.message == WM_KEYDOWN;
                MoveBarTo(Window, Last, true);
            }
            continue;
        case WM_MOUSEMOVE: {
            const TPoint P = MessagePoint(Msg);
            if (P.x != Last.x || P.y != Last.y) {
                Last = P;
                MoveBarTo(Window, P);
            }
            continue;
        }
        case WM_LBUTTONUP: {
            // The bar ends where the button went up.
            const TPoint P = MessagePoint(Msg);
            if (P.x != Last.x || P.y != Last.y)
                MoveBarTo(Window, P);
            return;
        }
        default:
            TranslateMessage(&Msg);
            DispatchMessageA(&Msg);
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The link drag

namespace {

// The drag cursors of the framework's cursor table.
constexpr TCursor kcbDragCursor = 1041;
constexpr TCursor kcbDragCopyCursor = 1042;
constexpr TCursor kcbNoDropCursor = 1043;
// A move along the bar further than this gives or takes the dragged link's group line.
constexpr int32_t kcbBeginGroupMove = 3;

// The press point of the next drag, set by the bar window that starts it.
bool gHasDragOrigin = false;
TPoint gDragOrigin{};

// The links of a menu window, or of a toolbar docked at the left or right, run downwards.
bool RunsVertically(const TCustomcbBarControl* Window)
{
    return Window->GetKind() == bwkMenu || IsVerticalBarControl(Window);
}

TPoint ScreenToClientPoint(const TCustomcbBarControl* Window, TPoint P)
{
    POINT Q{P.x, P.y};
    ScreenToClient(Window->GetHandle(), &Q);
    return TPoint{Q.x, Q.y};
}

// Whether the window W is Form's window or one of its children.
bool InsideForm(HWND W, TCustomForm* Form)
{
    if (!W || !Form || !Form->HandleAllocated())
        return false;
    return W == Form->GetHandle() || IsChild(Form->GetHandle(), W);
}

// The live, visible bar window of Manager that W is or lies in; nullptr for anything else (a
// bar window of another manager counts as nothing).
TCustomcbBarControl* BarWindowAt(TcbBarManager* Manager, HWND W)
{
    for (; W; W = (GetWindowLongA(W, GWL_STYLE) & WS_CHILD) ? GetParent(W) : nullptr)
        for (TCustomcbBarControl* Window : TCustomcbBarControl::LiveBarControls())
            if (Window->HandleAllocated() && Window->GetHandle() == W)
                return Window->GetBarManager() == Manager && IsWindowVisible(W) ? Window : nullptr;
    return nullptr;
}

class TLinkDrag {
public:
    TLinkDrag(TcbBarManager* Manager, TcbBarItem* Item, TcbBarItemLink* Link) :
        FManager(Manager), FItem(Item), FLink(Link)
    {
    }
    void Run();

private:
    bool LinkAlive() const { return FLink && IsLiveManager(FManager) && FManager->GetDraggingItemLink() == FLink; }
    bool TargetAlive() const
    {
        return FTargetWindow && TCustomcbBarControl::IsLiveBarControl(FTargetWindow) &&
            FTargetWindow->HandleAllocated() && (!FTargetControl || IsLiveItemControl(FTargetControl));
    }
    TcbBarItemLink* TargetLink() const { return FTargetControl ? FTargetControl->GetLink() : nullptr; }
    // Whether a drop at the present target changes anything.
    bool TargetChanges() const;
    void Move(bool CopyChanged, TPoint P);
    void SelectTarget();
    void ShowMark();
    void HideMark();
    void SetDragCursor(TCursor Id);
    // Menu windows of the manager that the target window does not lie in are closed.
    bool CloseForeignMenus(TCustomcbBarControl* Keep);
    void Drop();
    void DropOnCategory();
    void DropOffBars();
    void BeginGroupRule();
    void InsertLink();

    TcbBarManager* FManager;
    TcbBarItem* FItem;
    TcbBarItemLink* FLink;
    HWND FCaptureWnd = nullptr;
    TCustomcbBarControl* FLinkWindow = nullptr;
    TPoint FOffset{};
    TPoint FStart{};
    TPoint FLast{};
    TPoint FDropPoint{};
    bool FCopy = false;
    bool FMoved = false;
    bool FDropped = false;
    TCustomcbBarControl* FTargetWindow = nullptr;
    TcbBarItemControl* FTargetControl = nullptr;
    bool FOutside = false;
    bool FLeading = false;
    // The insertion mark drawn now: its window, link and flags.
    TCustomcbBarControl* FMarkWindow = nullptr;
    TcbBarItemLink* FMarkLink = nullptr;
    bool FMarkOutside = false;
    bool FMarkLeading = false;
    // The category of the dialog's categories entry under the cursor (design time), -1 for none.
    int32_t FDropCategory = -1;
};

bool TLinkDrag::TargetChanges() const
{
    TcbBarItemLink* Target = TargetLink();
    if (!Target)
        return false;
    return DropChangesLinks(LinkAlive() ? FLink : nullptr, Target, FOutside, FLeading, FCopy);
}

void TLinkDrag::SetDragCursor(TCursor Id)
{
    if (Screen)
        ::SetCursor(Screen->GetCursors(Id));
}

void TLinkDrag::ShowMark()
{
    HideMark();
    TcbBarItemLink* Target = TargetLink();
    if (!Target || !TargetAlive() || !TargetChanges())
        return;
    DrawDragInsertMark(FTargetWindow, Target, FOutside, FLeading);
    FMarkWindow = FTargetWindow;
    FMarkLink = Target;
    FMarkOutside = FOutside;
    FMarkLeading = FLeading;
}

void TLinkDrag::HideMark()
{
    if (!FMarkWindow)
        return;
    TCustomcbBarControl* Window = FMarkWindow;
    FMarkWindow = nullptr;
    // A window or link gone meanwhile took its pixels with it.
    if (!TCustomcbBarControl::IsLiveBarControl(Window) || !Window->GetItemLinks() ||
        Window->GetItemLinks()->IndexOfShown(FMarkLink) < 0 || !FMarkLink->GetControl())
        return;
    DrawDragInsertMark(Window, FMarkLink, FMarkOutside, FMarkLeading);
}

bool TLinkDrag::CloseForeignMenus(TCustomcbBarControl* Keep)
{
    bool Closed = false;
    for (bool Again = true; Again;) {
        Again = false;
        for (TCustomcbBarControl* Menu : TCustomcbBarControl::LiveBarControls()) {
            if (Menu->GetBarManager() != FManager || Menu->GetKind() != bwkMenu || Menu == Keep ||
                (Keep && Menu->IsAncestorOf(Keep)))
                continue;
            TcbBarItemControl* Opener = Menu->GetOpeningControl();
            if (!Opener || !IsLiveItemControl(Opener) || (Keep && Opener->GetBarControl() == Keep))
                continue;
            Opener->ControlInactivate(true);
            Closed = true;
            // The list of windows changed under the walk.
            Again = true;
            break;
        }
    }
    return Closed;
}

void TLinkDrag::SelectTarget()
{
    if (!FTargetControl)
        return;
    if (auto* SubItem = dynamic_cast<TcbBarSubItemControl*>(FTargetControl))
        FTargetWindow->SelectControlByMouse(SubItem);
    else
        FTargetWindow->SetSelectedControl(FTargetControl);
}

void TLinkDrag::Move(bool CopyChanged, TPoint P)
{
    FLast = P;
    if (P.x != FStart.x || P.y != FStart.y)
        FMoved = true;
    // At design time a command of the dialog's list can be given another category: over the
    // dialog's categories list the entry under the cursor is highlighted, and no bar is a target.
    FDropCategory = -1;
    if (!FLink && FManager->IsDesigning()) {
        int32_t Category = -1;
        if (cbCallExtension(cbExtensions().CustomizingFormCategoryDragOver, P, Category)) {
            FDropCategory = Category;
            HideMark();
            FTargetWindow = nullptr;
            FTargetControl = nullptr;
            SetDragCursor(Category >= 0 ? kcbDragCursor : kcbNoDropCursor);
            return;
        }
    }
    HWND Under = GetDeepestWindowFromPoint(P);
    TCustomcbBarControl* Window = nullptr;
    if (TCustomForm* Editor = cbCallExtension(cbExtensions().GetSubMenuEditor); InsideForm(Under, Editor)) {
        const TPoint Q = Editor->ScreenToClient(P);
        SendMessageA(Editor->GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(Q.x, Q.y));
    } else if (!InsideForm(Under, cbCallExtension(cbExtensions().GetCustomizingForm))) {
        Window = BarWindowAt(FManager, Under);
        if (Window && !Window->CanCustomize())
            Window = nullptr;
    }
    TcbBarItemControl* Control = nullptr;
    bool Vertical = false, Outside = false, Leading = false;
    TPoint Client{};
    if (Window) {
        Client = ScreenToClientPoint(Window, P);
        Control = Window->GetDropControlAtPos(Client, Vertical, Outside, Leading);
    }
    if (!Window || (!Control && Window->GetItemLinks() && Window->GetItemLinks()->GetShownItemCount() > 0))
        SetDragCursor(kcbNoDropCursor);
    else
        SetDragCursor(FCopy ? kcbDragCopyCursor : kcbDragCursor);
    if (!Window) {
        HideMark();
        FTargetWindow = nullptr;
        FTargetControl = nullptr;
        return;
    }
    if (Window != FTargetWindow || Control != FTargetControl || Outside != FOutside || Leading != FLeading ||
        CopyChanged) {
        HideMark();
        const bool NewWindow = Window != FTargetWindow;
        FTargetWindow = Window;
        FTargetControl = Control;
        FOutside = Outside;
        FLeading = Leading;
        if (NewWindow)
            CloseForeignMenus(Window);
        if (TargetAlive())
            SelectTarget();
        // Selecting may have opened or closed menus and rebuilt the window.
        if (!TargetAlive()) {
            FTargetWindow = nullptr;
            FTargetControl = nullptr;
            return;
        }
        // What the selection repaints is drawn before the mark goes over it.
        UpdateWindow(FTargetWindow->GetHandle());
        ShowMark();
    }
    if (FTargetWindow->GetKind() == bwkMenu)
        SendMessageA(FTargetWindow->GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(Client.x, Client.y));
}

void TLinkDrag::Run()
{
    FCaptureWnd = FManager->GetCaptureWindow();
    if (!FCaptureWnd)
        return;
    FManager->SetDraggingItem(FItem);
    FManager->SetDraggingItemLink(FLink);
    FManager->SetItemLinkDragging(true);
    FLast = LastMessagePoint();
    FStart = gHasDragOrigin ? gDragOrigin : FLast;
    gHasDragOrigin = false;
    if (FLink && FLink->GetControl()) {
        FLinkWindow = FLink->GetBarControl();
        if (FLinkWindow && FLinkWindow->HandleAllocated()) {
            const TPoint Client = ScreenToClientPoint(FLinkWindow, FStart);
            const TRect R = FLinkWindow->GetItemRect(FLink->GetControl());
            FOffset = TPoint{Client.x - R.left, Client.y - R.top};
        }
    }
    FCopy = GetKeyState(VK_CONTROL) < 0;
    const HCURSOR SavedCursor = GetCursor();
    SetCapture(FCaptureWnd);
    SetDragCursor(FCopy ? kcbDragCopyCursor : kcbDragCursor);
    MSG Msg{};
    // A manager freed by the last message ends the drag before the next wait: the capture may
    // belong to a window that outlives it (the customizing dialog) and brings no message.
    while (GetCapture() == FCaptureWnd && IsLiveManager(FManager)) {
        const BOOL Got = GetMessageA(&Msg, nullptr, 0, 0);
        if (Got == -1)
            break;
        if (!Got) {
            PostQuitMessage(static_cast<int>(Msg.wParam));
            break;
        }
        if (!IsLiveManager(FManager))
            break;
        bool Done = false;
        // Esc ends the drag and Ctrl switches between move and copy at once (the key's state is
        // taken from the message itself); every other key goes on to its window. With no window
        // focused the keys come as system keys to the active window.
        const bool KeyMessage = Msg.message == WM_KEYDOWN || Msg.message == WM_KEYUP ||
                                Msg.message == WM_SYSKEYDOWN || Msg.message == WM_SYSKEYUP;
        if (KeyMessage && Msg.wParam == VK_ESCAPE) {
            if (Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN)
                break;
            continue;
        }
        if (KeyMessage && Msg.wParam == VK_CONTROL) {
            const bool Copy = Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN;
            if (Copy != FCopy) {
                FCopy = Copy;
                Move(true, FLast);
            }
            continue;
        }
        switch (Msg.message) {
        case WM_MOUSEMOVE:
            Move(false, MessagePoint(Msg));
            break;
        case WM_LBUTTONUP:
            FDropPoint = MessagePoint(Msg);
            FDropped = true;
            Done = true;
            break;
        case WM_PAINT:
            // The mark is taken off the window that paints and put back over its new pixels.
            if (FMarkWindow && TCustomcbBarControl::IsLiveBarControl(FMarkWindow) &&
                FMarkWindow->HandleAllocated() && Msg.hwnd == FMarkWindow->GetHandle()) {
                HideMark();
                DispatchMessageA(&Msg);
                if (IsLiveManager(FManager) && TargetAlive())
                    ShowMark();
                break;
            }
            [[fallthrough]];
        default:
            TranslateMessage(&Msg);
            DispatchMessageA(&Msg);
            break;
        }
        if (Done)
            break;
    }
    const bool Alive = IsLiveManager(FManager);
    if (Alive) {
        if (FDropped) {
            // The drop counts where the button went up.
            if (FDropPoint.x != FLast.x || FDropPoint.y != FLast.y)
                Move(false, FDropPoint);
        }
        HideMark();
    }
    if (GetCapture() == FCaptureWnd)
        ReleaseCapture();
    ::SetCursor(SavedCursor);
    // The categories list shows its own choice again; a category drop chooses anew below.
    cbCallExtension(cbExtensions().CustomizingFormEndCategoryDrag, false);
    if (!Alive)
        return;
    FManager->SetItemLinkDragging(false);
    if (FDropped && FMoved && (!FItem || IsLiveItem(FItem)))
        Drop();
    if (!IsLiveManager(FManager))
        return;
    const bool LinkLive = LinkAlive();
    FManager->SetDraggingItem(nullptr);
    FManager->SetDraggingItemLink(nullptr);
    if (LinkLive && FLink->GetControl())
        FLink->GetControl()->Repaint();
}

void TLinkDrag::Drop()
{
    if (FDropCategory >= 0) {
        DropOnCategory();
        return;
    }
    if (FTargetWindow && !TargetAlive()) {
        FTargetWindow = nullptr;
        FTargetControl = nullptr;
    }
    if (!FTargetWindow) {
        DropOffBars();
        return;
    }
    TcbBarItemLink* Target = TargetLink();
    if (!Target) {
        // Only an empty bar takes a drop beside its links.
        TcbBarItemLinks* Links = FTargetWindow->GetItemLinks();
        const TPoint Client = ScreenToClientPoint(FTargetWindow, FLast);
        if (Links && Links->GetShownItemCount() == 0 && cbInRect(FTargetWindow->GetClientRect(), Client)) {
            InsertLink();
            return;
        }
        if (TcbBarItemControl* Selected = FManager->GetSelectedItemControl())
            if (IsLiveItemControl(Selected) && TCustomcbBarControl::IsLiveBarControl(Selected->GetBarControl()))
                Selected->GetBarControl()->SetSelectedControl(nullptr);
        FManager->SetSelectedItemControl(nullptr);
        return;
    }
    // A dragged link that went during the drag leaves its item to be placed as a new link.
    if (FLink && !LinkAlive())
        FLink = nullptr;
    if (TargetChanges()) {
        InsertLink();
        return;
    }
    // Without a change the drop can only move the link's group line; on the line itself nothing.
    if (!FCopy && !(FOutside && FLeading))
        BeginGroupRule();
}

void TLinkDrag::DropOnCategory()
{
    const int32_t Category = FDropCategory;
    if (!FItem || !IsLiveItem(FItem) || Category == FItem->GetCategory() ||
        Category >= FManager->GetCategories()->GetCount())
        return;
    // The item goes to the end of the category's items in the manager's list, the items between
    // keeping their order.
    int32_t Last = -1;
    for (int32_t I = 0; I < FManager->GetItemCount(); ++I)
        if (FManager->GetItem(I) != FItem && FManager->GetItem(I)->GetCategory() == Category)
            Last = I;
    int32_t Index = FManager->IndexOfItem(FItem);
    if (Last >= 0 && Index >= 0) {
        const int32_t To = Index < Last ? Last : Last + 1;
        for (; Index < To; ++Index)
            FManager->ExchangeItems(Index, Index + 1);
        for (; Index > To; --Index)
            FManager->ExchangeItems(Index, Index - 1);
    }
    FItem->SetCategory(Category);
    // The dialog lists the category the item went to, with the item chosen.
    cbCallExtension(cbExtensions().CustomizingFormSelectItem, FItem, true);
}

void TLinkDrag::DropOffBars()
{
    if (LinkAlive() && !FCopy) {
        FLink->Release();
        FManager->DesignerModified();
    }
    TcbBarItemControl* Selected = FManager->GetSelectedItemControl();
    if (!Selected || !IsLiveItemControl(Selected))
        return;
    TCustomcbBarControl* Window = Selected->GetBarControl();
    FManager->SetSelectedItemControl(nullptr);
    if (TCustomcbBarControl::IsLiveBarControl(Window)) {
        Window->SetSelectedControl(nullptr);
        Window->RebuildBar();
    }
}

void TLinkDrag::BeginGroupRule()
{
    if (!LinkAlive() || !FLink->GetControl())
        return;
    TCustomcbBarControl* Window = FLink->GetBarControl();
    if (!Window || !TCustomcbBarControl::IsLiveBarControl(Window) || !Window->HandleAllocated())
        return;
    const TPoint Client = ScreenToClientPoint(Window, FLast);
    const TRect R = Window->GetItemRect(FLink->GetControl());
    const int32_t Delta =
        RunsVertically(Window) ? Client.y - R.top - FOffset.y : Client.x - R.left - FOffset.x;
    if (std::abs(Delta) <= kcbBeginGroupMove)
        return;
    const bool BeginGroup = Delta > 0;
    if (FLink->GetBeginGroup() == BeginGroup) {
        Window->SetSelectedControl(FLink->GetControl());
        return;
    }
    FLink->SetBeginGroup(BeginGroup);
    FManager->DesignerModified();
    if (FLink->GetControl() && TCustomcbBarControl::IsLiveBarControl(Window))
        Window->SetSelectedControl(FLink->GetControl());
}

void TLinkDrag::InsertLink()
{
    TCustomcbBarControl* Window = FTargetWindow;
    TcbBarItemLinks* Links = Window->GetItemLinks();
    TcbBarItem* Item = LinkAlive() ? FLink->GetItem() : FItem;
    if (!Links || !Item || !IsLiveItem(Item))
        return;
    // An item cannot hold a link to itself or to a sub-item that holds it.
    if (auto* Owner = dynamic_cast<TCustomcbBarSubItem*>(Links->GetOwner()); Owner && !Owner->CanContainItem(Item))
        return;
    TcbBarItemLink* Target = TargetLink();
    const bool FromOtherList = LinkAlive() && FLink->GetLinks() != Links;
    TcbBarItemLink* Link = Links->Add();
    Link->SetItem(Item);
    if (LinkAlive())
        Link->Assign(FLink);
    // The new link's group line comes from where it was dropped, not with the dragged link: a
    // moved link's own line stays in its old place (it passes to the link after it).
    Link->SetBeginGroup(false);
    if (Target && Links->IndexOfShown(Target) >= 0) {
        const int32_t Index = Target->GetIndex() + (FLeading ? 0 : 1);
        Link->SetIndex(std::min(Index, Links->GetCount() - 1));
        if (FLeading && !FOutside && Target->GetBeginGroup()) {
            Target->SetBeginGroup(false);
            Link->SetBeginGroup(true);
        }
    }
    if (Window->HandleAllocated() && !Link->GetControl() && Links->IndexOfShown(Link) >= 0)
        Link->CreateControl();
    if (Link->GetControl()) {
        FManager->SetSelectedItemControl(Link->GetControl());
        Window->SetSelectedControl(Link->GetControl());
    }
    const bool WasLink = FLink != nullptr;
    if (LinkAlive() && !FCopy)
        FLink->Release();
    if (!TCustomcbBarControl::IsLiveBarControl(Window))
        return;
    if (!WasLink || FCopy || FromOtherList || Window->GetKind() == bwkMenu)
        Window->RebuildBar();
    FManager->DesignerModified();
    if (CloseForeignMenus(Window) && TCustomcbBarControl::IsLiveBarControl(Window))
        if (auto* Toolbar = dynamic_cast<TcbBarControl*>(Window))
            Toolbar->EnterKeyboardMode(Link->GetControl());
}

} // namespace

void SetItemLinkDragOrigin(TPoint ScreenPoint)
{
    gDragOrigin = ScreenPoint;
    gHasDragOrigin = true;
}

void DragItemLink(TcbBarManager* Manager, TcbBarItem* Item, TcbBarItemLink* Link)
{
    if (!IsLiveManager(Manager) || Manager->IsItemLinkDragging()) {
        gHasDragOrigin = false;
        return;
    }
    if (Link && !Item)
        Item = Link->GetItem();
    if (!Item || !IsLiveItem(Item))
        return;
    TLinkDrag(Manager, Item, Link).Run();
}

bool DropChangesLinks(int32_t Dragged, int32_t Target, bool DraggedBeginGroup, bool TargetBeginGroup, bool Outside,
                      bool Leading, bool Copy)
{
    if (Dragged < 0 || Copy)
        return true;
    // On the dragged link itself only its own group line is a new place: before the line.
    if (Target == Dragged)
        return Outside && Leading;
    // After the link before it is where it is, unless it leaves its group line behind.
    if (Target == Dragged - 1 && !DraggedBeginGroup && !Outside && !Leading)
        return false;
    if (Target != Dragged + 1)
        return true;
    // Before the link after it is where it is, unless the drop takes over that link's line.
    return (TargetBeginGroup && !(Outside && Leading)) || !Leading;
}

bool DropChangesLinks(const TcbBarItemLink* Dragged, const TcbBarItemLink* Target, bool Outside, bool Leading,
                      bool Copy)
{
    if (!Target)
        return false;
    const int32_t DraggedIndex = Dragged && Dragged->GetLinks() == Target->GetLinks() ? Dragged->GetIndex() : -1;
    return DropChangesLinks(DraggedIndex, Target->GetIndex(), Dragged && Dragged->GetBeginGroup(),
                            Target->GetBeginGroup(), Outside, Leading, Copy);
}

void DrawDragInsertMark(TCustomcbBarControl* BarWindow, TcbBarItemLink* Link, bool Outside, bool Leading)
{
    if (!BarWindow || !BarWindow->HandleAllocated() || !Link || !Link->GetControl())
        return;
    TcbBarItemControl* Control = Link->GetControl();
    const TRect R = BarWindow->GetItemRect(Control);
    // On the group line the mark stands before the line.
    const TRect Edge = Outside && Leading ? BarWindow->GetItemRectWithBeginGroup(Control) : R;
    const bool Vertical = RunsVertically(BarWindow);
    // Two lines across the bar with a small bar at each end; no pixel is inverted twice.
    POINT P[12];
    if (!Vertical) {
        const int32_t X = Leading ? Edge.left : R.right;
        const int32_t T = R.top, B = R.bottom;
        const POINT Lines[12] = {{X - 1, T + 2}, {X - 1, B - 2}, {X, T + 2},     {X, B - 2},
                                 {X - 3, T},     {X + 3, T},     {X - 2, T + 1}, {X + 2, T + 1},
                                 {X - 3, B - 1}, {X + 3, B - 1}, {X - 2, B - 2}, {X + 2, B - 2}};
        std::copy(std::begin(Lines), std::end(Lines), P);
    } else {
        const int32_t Y = Leading ? Edge.top : R.bottom;
        const int32_t L = R.left, Rt = R.right;
        const POINT Lines[12] = {{L + 2, Y - 1}, {Rt - 2, Y - 1}, {L + 2, Y},     {Rt - 2, Y},
                                 {L, Y - 3},     {L, Y + 3},      {L + 1, Y - 2}, {L + 1, Y + 2},
                                 {Rt - 1, Y - 3}, {Rt - 1, Y + 3}, {Rt - 2, Y - 2}, {Rt - 2, Y + 2}};
        std::copy(std::begin(Lines), std::end(Lines), P);
    }
    const DWORD Counts[6] = {2, 2, 2, 2, 2, 2};
    HDC DC = GetDC(BarWindow->GetHandle());
    if (!DC)
        return;
    SetROP2(DC, R2_NOT);
    PolyPolyline(DC, P, Counts, 6);
    SetROP2(DC, R2_COPYPEN);
    ReleaseDC(BarWindow->GetHandle(), DC);
}
