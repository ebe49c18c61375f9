#include "commandbars/model/cbPopupMenu.h"

#include <algorithm>
#include <vector>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbLiveness.h"
#include "commandbars/windows/cbSubMenu.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbStrings.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"
#include "platform/win/Graphics.h"

namespace {

TcbLiveRegistry<TcbBarPopupMenu> gLivePopupMenus;

// The thread message that wakes a popup loop whose menu closed inside its GetMessage (a sent
// message or a hook procedure closed it): without it the loop would wait for the next input.
constexpr WPARAM kLoopWake = 0x51A7E;

bool IsLoopWake(const MSG& Msg)
{
    return Msg.hwnd == nullptr && Msg.message == WM_NULL && Msg.wParam == kLoopWake;
}

} // namespace

bool TcbBarPopupMenu::IsLivePopupMenu(const void* Object)
{
    return gLivePopupMenus.Contains(Object);
}

TcbBarPopupMenu::TcbBarPopupMenu(TComponent* AOwner) : TComponent(AOwner)
{
    const TcbBarManagerList* List = BarManagers();
    if (!List || !List->GetItem(0))
        throw Exception(uiGetResourceString(cbsNoBarManagers));
    FBackgroundBitmap = std::make_unique<TBitmap>();
    TcbBarManager* Manager = nullptr;
    if (const auto* Form = dynamic_cast<TCustomForm*>(AOwner))
        Manager = List->ManagerOfForm(Form);
    if (!Manager)
        Manager = List->GetItem(0);
    FFont = std::make_unique<TFont>();
    FItemLinks = std::make_unique<TcbBarItemLinks>(Manager, this);
    FItemLinks->SetUseRecentItems(false);
    FItemLinks->OnChange = [this](TObject*) { Changed(); };
    SetBarManager(Manager);
    {
        TFlagScope Changing(FChangingFont);
        FFont->Assign(Manager->GetFont());
    }
    FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
    gLivePopupMenus.Add(this);
}

TcbBarPopupMenu::~TcbBarPopupMenu()
{
    gLivePopupMenus.Remove(this);
    Destroying();
    // An open menu window goes first: it reads the links and calls back.
    if (auto* Menu = dynamic_cast<TcbBarSubMenuControl*>(FItemLinks->GetBarControl())) {
        Menu->OnBeforeShow = nullptr;
        Menu->OnCloseUp = nullptr;
        Menu->CloseAndFree();
    }
    FItemLinks.reset();
    FFont->OnChange = nullptr;
    FFont.reset();
    DeleteFontHandle();
    SetBarManager(nullptr);
    FBackgroundBitmap.reset();
}

void TcbBarPopupMenu::SetBarManager(TcbBarManager* Value)
{
    if (Value == FBarManager)
        return;
    if (!Value && !GetComponentState().Contains(csDestroying))
        return;
    if (FBarManager) {
        FBarManager->UnregisterPopupMenu(this);
    }
    FBarManager = Value;
    if (FBarManager) {
        FBarManager->RegisterPopupMenu(this);
        if (FItemLinks)
            FItemLinks->SetBarManager(FBarManager);
    }
}

void TcbBarPopupMenu::SetBackgroundBitmap(TBitmap* Value)
{
    FBackgroundBitmap->Assign(Value);
}

void TcbBarPopupMenu::SetFont(TFont* Value)
{
    FFont->Assign(Value);
}

void TcbBarPopupMenu::SetItemLinks(TcbBarItemLinks* Value)
{
    FItemLinks->Assign(Value);
}

void TcbBarPopupMenu::DeleteFontHandle()
{
    if (FFontHandle) {
        DeleteObject(FFontHandle);
        FFontHandle = nullptr;
    }
}

void TcbBarPopupMenu::FontChanged(TObject*)
{
    if (FChangingFont)
        return;
    if (!FUseOwnFont) {
        SetUseOwnFont(true);
        return;
    }
    DeleteFontHandle();
    FFontHandle = CopyFontHandle(FFont.get());
}

void TcbBarPopupMenu::SetUseOwnFont(bool Value)
{
    if (Value == FUseOwnFont)
        return;
    FUseOwnFont = Value;
    DeleteFontHandle();
    if (Value) {
        FFontHandle = CopyFontHandle(FFont.get());
        return;
    }
    if (FBarManager) {
        TFlagScope Changing(FChangingFont);
        FFont->Assign(FBarManager->GetFont());
    }
}

void TcbBarPopupMenu::ManagerFontChanged()
{
    if (FUseOwnFont || !FBarManager)
        return;
    TFlagScope Changing(FChangingFont);
    FFont->Assign(FBarManager->GetFont());
}

void TcbBarPopupMenu::SetUseRecentItems(bool Value)
{
    FUseRecentItems = Value;
    FItemLinks->SetUseRecentItems(Value);
}

void TcbBarPopupMenu::DoPaintBar(TCanvas* Canvas, const TRect& R)
{
    if (OnPaintBar)
        OnPaintBar(this, Canvas, R);
}

bool TcbBarPopupMenu::IsShortCut(TShortCut ShortCut)
{
    return FItemLinks->IsShortCut(ShortCut);
}

void TcbBarPopupMenu::Loaded()
{
    TComponent::Loaded();
    FItemLinks->ApplyLoadedState();
}

void TcbBarPopupMenu::Changed()
{
    const TComponentState State = GetComponentState();
    if (State.Contains(csDesigning) && !State.Contains(csLoading) && !State.Contains(csDestroying) && FBarManager)
        FBarManager->DesignerModified();
}

// ---------------------------------------------------------------------------------------------
// Showing

void TcbBarPopupMenu::PopupMenuLoop(int32_t X, int32_t Y)
{
    if (FItemLinks->GetBarControl())
        return;
    TCustomForm* Form = dynamic_cast<TCustomForm*>(GetOwner());
    if (!Form && FBarManager)
        Form = FBarManager->GetOwnerForm();
    if (Form)
        Form->SendCancelMode(nullptr);
    if (HWND Capture = GetCapture()) {
        SendMessageA(Capture, CM_CANCELMODE, 0, 0);
        ReleaseCapture();
    }
    // The whole showing is one framework entry: a command chosen in the menu runs when it ends,
    // after the menu has closed.
    TcbFrameworkEntry Entry;
    auto* Menu = dynamic_cast<TcbBarSubMenuControl*>(FItemLinks->CreateBarControl());
    if (!Menu)
        return;
    Menu->SetBounds(X, Y, Menu->GetWidth(), Menu->GetHeight());
    if (FExclusionRect)
        Menu->SetParentItem(*FExclusionRect, FParentItemWindow);
    Menu->SetOwnerWidth(FOwnerWidth);
    Menu->SetOwnerHeight(FOwnerHeight);
    if (auto* Control = dynamic_cast<TWinControl*>(GetOwner()); Control && Control->HandleAllocated())
        Menu->SetOwnerWindow(Control->GetHandle());
    Menu->SetAnimate(FAnimate);
    auto BeforeShow = std::move(FBeforeShow);
    FBeforeShow = nullptr;
    Menu->OnBeforeShow = [this, Menu, BeforeShow] {
        if (BeforeShow)
            BeforeShow(Menu);
        FOpen = true;
        if (OnPopup)
            OnPopup(this);
    };
    const bool Waits = !FNoWait;
    Menu->OnCloseUp = [this, Waits] {
        if (Waits)
            PostThreadMessageA(GetCurrentThreadId(), WM_NULL, kLoopWake, 0);
        FOpen = false;
        if (OnCloseUp)
            OnCloseUp(this);
    };
    Menu->ShowAnimated();
    if (FNoWait)
        return;
    auto Closed = [Menu] {
        return !TCustomcbBarControl::IsLiveBarControl(Menu) || Menu->IsDestroyingMenu() || !Menu->HandleAllocated();
    };
    // Commands sent to windows while the menu is open wait until it has closed, in their order.
    std::vector<MSG> Commands;
    while (!Closed()) {
        MSG Msg;
        const BOOL Got = GetMessageA(&Msg, nullptr, 0, 0);
        if (Got == -1)
            break;
        if (Got == 0) {
            PostQuitMessage(static_cast<int>(Msg.wParam));
            break;
        }
        if (IsLoopWake(Msg))
            continue;
        if (Closed()) {
            if (Msg.hwnd)
                PostMessageA(Msg.hwnd, Msg.message, Msg.wParam, Msg.lParam);
            else
                PostThreadMessageA(GetCurrentThreadId(), Msg.message, Msg.wParam, Msg.lParam);
            break;
        }
        if (Msg.message == WM_COMMAND) {
            Commands.push_back(Msg);
            continue;
        }
        TranslateMessage(&Msg);
        DispatchMessageA(&Msg);
    }
    // A wake still queued is the loop's own: it goes.
    MSG Wake;
    while (PeekMessageA(&Wake, reinterpret_cast<HWND>(-1), WM_NULL, WM_NULL, PM_NOREMOVE) && IsLoopWake(Wake))
        PeekMessageA(&Wake, reinterpret_cast<HWND>(-1), WM_NULL, WM_NULL, PM_REMOVE);
    for (const MSG& Msg : Commands) {
        if (Msg.hwnd)
            PostMessageA(Msg.hwnd, Msg.message, Msg.wParam, Msg.lParam);
        else
            PostThreadMessageA(GetCurrentThreadId(), Msg.message, Msg.wParam, Msg.lParam);
    }
}

void TcbBarPopupMenu::Popup(int32_t X, int32_t Y)
{
    PopupEx(X, Y, nullptr, true, 0, 0, nullptr);
}

void TcbBarPopupMenu::PopupEx(int32_t X, int32_t Y, const TRect* ExclusionRect, bool Animate, int32_t OwnerWidth,
                              int32_t OwnerHeight, TWinControl* ParentItemWindow)
{
    FExclusionRect = ExclusionRect;
    FAnimate = Animate;
    FOwnerWidth = OwnerWidth;
    FOwnerHeight = OwnerHeight;
    FParentItemWindow = ParentItemWindow;
    PopupMenuLoop(X, Y);
    // A command of the menu may have freed it (its form released).
    if (!IsLivePopupMenu(this))
        return;
    FOwnerWidth = 0;
    FOwnerHeight = 0;
    FAnimate = true;
    FExclusionRect = nullptr;
    FParentItemWindow = nullptr;
    FBeforeShow = nullptr;
}
