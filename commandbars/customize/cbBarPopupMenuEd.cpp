#include "commandbars/customize/cbBarPopupMenuEd.h"

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbStrings.h"
#include "commandbars/windows/cbSubMenu.h"
#include "commandbars/customize/cbBarCustForm.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/win/Tabs.h"

namespace {

TcbBarSubMenuEditor* gEditor = nullptr;

// The strip's client width before its menu first shows.
constexpr int32_t kEditorWidth = 196;

} // namespace

TcbBarSubMenuEditor::TcbBarSubMenuEditor(TComponent* AOwner) : TForm(AOwner)
{
    SetBorderStyle(bsDialog);
    SetBorderIcons(TBorderIcons{biSystemMenu});
    SetCaption(uiGetResourceString(cbsSubMenuEditor));
    SetClientSize(kEditorWidth, 4);
    // Placed beside the customizing dialog's left edge, where its menu has room.
    if (TcbBarCustomizingForm* Dialog = GetCustomizingForm(); Dialog && Dialog->HandleAllocated()) {
        RECT R{};
        GetWindowRect(Dialog->GetHandle(), &R);
        SetBounds(R.left, R.top, GetWidth(), GetHeight());
    }
}

TcbBarSubMenuEditor::~TcbBarSubMenuEditor()
{
    if (gEditor == this)
        gEditor = nullptr;
    CloseMenu();
    if (FLinksOwner)
        FLinksOwner->RemoveFreeNotification(this);
}

void TcbBarSubMenuEditor::CreateParams(TCreateParams& P)
{
    TForm::CreateParams(P);
    P.Style = WS_POPUP | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU;
    P.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    P.ClassStyle = CS_SAVEBITS | CS_OWNDC;
    // Owned where the customizing dialog is owned: the customized form.
    HWND Owner = nullptr;
    if (TcbBarCustomizingForm* Dialog = GetCustomizingForm(); Dialog && Dialog->HandleAllocated())
        Owner = GetWindow(Dialog->GetHandle(), GW_OWNER);
    P.WndParent = Owner;
}

void TcbBarSubMenuEditor::SetItemLinks(TcbBarItemLinks* Value)
{
    if (Value == FItemLinks)
        return;
    CloseMenu();
    if (FLinksOwner)
        FLinksOwner->RemoveFreeNotification(this);
    FLinksOwner = nullptr;
    FItemLinks = Value;
    if (!Value) {
        ReleaseSoon();
        return;
    }
    FLinksOwner = dynamic_cast<TComponent*>(Value->GetOwner());
    if (FLinksOwner)
        FLinksOwner->FreeNotification(this);
}

TcbBarSubMenuControl* TcbBarSubMenuEditor::GetMenuWindow() const
{
    if (!FItemLinks)
        return nullptr;
    auto* Menu = dynamic_cast<TcbBarSubMenuControl*>(FItemLinks->GetBarControl());
    return Menu && TCustomcbBarControl::IsLiveBarControl(Menu) && !Menu->IsDestroyingMenu() ? Menu : nullptr;
}

void TcbBarSubMenuEditor::OpenMenu()
{
    if (!FItemLinks || !HandleAllocated() || !IsWindowVisible(GetHandle()) || FItemLinks->GetBarControl())
        return;
    TcbBarManager* Manager = FItemLinks->GetBarManager();
    if (!IsLiveManager(Manager))
        return;
    // A menu that would hold the item dragged now stays shut: it could contain itself.
    if (auto* SubItem = dynamic_cast<TCustomcbBarSubItem*>(FItemLinks->GetOwner());
        SubItem && Manager->GetDraggingItem() && !SubItem->CanContainItem(Manager->GetDraggingItem()))
        return;
    auto* Menu = dynamic_cast<TcbBarSubMenuControl*>(FItemLinks->CreateBarControl());
    if (!Menu)
        return;
    RECT R{};
    GetWindowRect(GetHandle(), &R);
    Menu->SetBounds(R.left, R.bottom, Menu->GetWidth(), Menu->GetHeight());
    Menu->SetOwnerHeight(R.bottom - R.top);
    Menu->SetOwnerWindow(GetHandle());
    Menu->SetAnimate(false);
    Menu->ShowAnimated();
    if (!GetMenuWindow() || !Menu->HandleAllocated())
        return;
    // The strip takes the menu's width; its move puts the menu at its edge again.
    RECT M{};
    GetWindowRect(Menu->GetHandle(), &M);
    SetWindowPos(GetHandle(), nullptr, 0, 0, M.right - M.left, R.bottom - R.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceMenu();
}

void TcbBarSubMenuEditor::CloseMenu()
{
    if (TcbBarSubMenuControl* Menu = GetMenuWindow())
        Menu->CloseAndFree();
}

void TcbBarSubMenuEditor::PlaceMenu()
{
    TcbBarSubMenuControl* Menu = GetMenuWindow();
    if (!Menu || !Menu->HandleAllocated() || !HandleAllocated())
        return;
    RECT R{};
    GetWindowRect(GetHandle(), &R);
    SetWindowPos(Menu->GetHandle(), nullptr, R.left, R.bottom, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TcbBarSubMenuEditor::ReleaseSoon()
{
    if (gEditor == this)
        gEditor = nullptr;
    if (!HandleAllocated()) {
        // Never shown: nothing of its window can be running now.
        Release();
        return;
    }
    ShowWindow(GetHandle(), SW_HIDE);
    Release();
}

void TcbBarSubMenuEditor::Notification(TComponent* AComponent, TOperation Operation)
{
    TForm::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent || AComponent != FLinksOwner)
        return;
    // The owner's destructor has already taken its menu and links: only forget them here.
    FLinksOwner = nullptr;
    FItemLinks = nullptr;
    ReleaseSoon();
}

void TcbBarSubMenuEditor::DoClose(TCloseAction& Action)
{
    TForm::DoClose(Action);
    Action = caFree;
    CloseMenu();
    if (gEditor == this)
        gEditor = nullptr;
}

void TcbBarSubMenuEditor::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case WM_GETMINMAXINFO: {
        TForm::WndProc(M);
        if (TcbBarSubMenuControl* Menu = GetMenuWindow(); Menu && Menu->HandleAllocated()) {
            RECT R{};
            GetWindowRect(Menu->GetHandle(), &R);
            auto* Info = reinterpret_cast<MINMAXINFO*>(M.LParam);
            Info->ptMinTrackSize.x = R.right - R.left;
            Info->ptMaxTrackSize.x = R.right - R.left;
        }
        return;
    }
    case WM_WINDOWPOSCHANGED: {
        TForm::WndProc(M);
        const auto* Pos = reinterpret_cast<const WINDOWPOS*>(M.LParam);
        if (Pos && !(Pos->flags & SWP_HIDEWINDOW) && !((Pos->flags & SWP_NOMOVE) && (Pos->flags & SWP_NOSIZE)))
            PlaceMenu();
        return;
    }
    case WM_ACTIVATE:
        TForm::WndProc(M);
        if (LOWORD(M.WParam) != WA_INACTIVE)
            OpenMenu();
        return;
    case WM_MOUSEMOVE:
        // A link dragged over the strip opens the menu to drop into.
        TForm::WndProc(M);
        if (FItemLinks && IsLiveManager(FItemLinks->GetBarManager()) &&
            (FItemLinks->GetBarManager()->GetDraggingItem() || FItemLinks->GetBarManager()->GetDraggingItemLink()))
            OpenMenu();
        return;
    case WM_NCLBUTTONDOWN:
        // The close box shuts the menu at the press; the release on the box closes the editor.
        if (M.WParam == HTCLOSE)
            CloseMenu();
        break;
    default:
        break;
    }
    TForm::WndProc(M);
}

// =============================================================================================

void ShowSubMenuEditor(TcbBarItemLinks* ItemLinks)
{
    if (!ItemLinks)
        return;
    TcbBarManager* Manager = ItemLinks->GetBarManager();
    if (!IsLiveManager(Manager))
        return;
    Manager->SetIsCustomizing(true);
    if (TcbBarCustomizingForm* Dialog = GetCustomizingForm())
        Dialog->PageControl->SetActivePage(Dialog->TabSheet2);
    if (!gEditor) {
        gEditor = new TcbBarSubMenuEditor(nullptr);
        gEditor->SetCaption(uiGetResourceString(cbsSubMenuEditor));
    }
    TcbBarSubMenuEditor* Editor = gEditor;
    Editor->SetClientHeight(0);
    Editor->SetItemLinks(ItemLinks);
    ProcessPaintMessages();
    if (gEditor != Editor)
        return;
    Editor->Show();
    // Shown but not made active (another window kept the activation): the menu opens anyway.
    Editor->OpenMenu();
}

TcbBarSubMenuEditor* GetSubMenuEditor()
{
    return gEditor;
}

void FreeSubMenuEditor(bool Immediately)
{
    TcbBarSubMenuEditor* Editor = gEditor;
    if (!Editor)
        return;
    gEditor = nullptr;
    Editor->CloseMenu();
    if (Immediately)
        Editor->Free();
    else {
        if (Editor->HandleAllocated())
            ShowWindow(Editor->GetHandle(), SW_HIDE);
        Editor->Release();
    }
}
