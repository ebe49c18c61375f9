#include "platform/win/Menus.h"

#include <algorithm>
#include <set>

#include "platform/win/Forms.h"

namespace {

// Own ids of items without an action, below the actions' fresh ids.
UINT gNextItemId = 0x9000;
// Items alive now: a Win32 menu's item data is only trusted when listed here.
std::set<const TMenuItem*> gLiveItems;

bool PopupProc(TPopupMenu* Menu, TControl* Control, int32_t X, int32_t Y)
{
    Menu->SetPopupComponent(Control);
    Menu->Popup(X, Y);
    return true;
}

} // namespace

// =============================================================================================

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FId(gNextItemId++) { gLiveItems.insert(this); }

TMenuItem::~TMenuItem()
{
    gLiveItems.erase(this);
    for (TMenuItem* I : FItems)
        I->FParentItem = nullptr;
    if (FParentItem)
        FParentItem->Remove(this);
}

TMenu* TMenuItem::GetMenu() const
{
    const TMenuItem* I = this;
    while (I->FParentItem)
        I = I->FParentItem;
    return I->FRootOf;
}

UINT TMenuItem::GetCommand() const { return GetAction() ? GetAction()->GetCommandId() : FId; }

void TMenuItem::Changed(bool Structure)
{
    if (TMenu* M = GetMenu())
        M->ItemChanged(this, Structure);
}

#define QM_ITEM_SETTER(Name, Type, Field, Structure) \
    void TMenuItem::Set##Name(Type Value)            \
    {                                                \
        if (Field == Value)                          \
            return;                                  \
        Field = Value;                               \
        Changed(Structure);                          \
    }
QM_ITEM_SETTER(Caption, const std::string&, FCaption, false)
QM_ITEM_SETTER(Checked, bool, FChecked, false)
QM_ITEM_SETTER(RadioItem, bool, FRadioItem, false)
QM_ITEM_SETTER(Enabled, bool, FEnabled, false)
QM_ITEM_SETTER(Visible, bool, FVisible, true)
QM_ITEM_SETTER(Default, bool, FDefault, false)
QM_ITEM_SETTER(ShortCut, TShortCut, FShortCut, false)
#undef QM_ITEM_SETTER

void TMenuItem::SetAction(TAction* Value)
{
    FLink.SetAction(Value);
    Changed(true); // the id changes with the action
}

void TMenuItem::TLink::ActionChanged()
{
    TAction* A = GetAction();
    FItem->FCaption = A->GetCaption();
    FItem->FHint = A->GetHint();
    FItem->FEnabled = A->GetEnabled();
    FItem->FChecked = A->GetChecked();
    FItem->FShortCut = A->GetShortCut();
    const bool Shown = FItem->FVisible != A->GetVisible();
    FItem->FVisible = A->GetVisible();
    FItem->Changed(Shown);
}

void TMenuItem::Add(TMenuItem* Item)
{
    if (Item->FParentItem)
        Item->FParentItem->Remove(Item);
    Item->FParentItem = this;
    FItems.push_back(Item);
    Changed(true);
}

void TMenuItem::Remove(TMenuItem* Item)
{
    auto It = std::find(FItems.begin(), FItems.end(), Item);
    if (It == FItems.end())
        return;
    FItems.erase(It);
    Item->FParentItem = nullptr;
    Changed(true);
}

void TMenuItem::Click()
{
    if (OnClick) {
        OnClick(this);
    } else if (TAction* A = GetAction()) {
        A->Update();
        if (A->GetEnabled())
            A->Execute();
    }
}

void TMenuItem::FillInfo(MENUITEMINFOA& I, std::string& Text)
{
    I = MENUITEMINFOA{};
    I.cbSize = sizeof(I);
    I.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
    I.wID = GetCommand();
    I.dwItemData = reinterpret_cast<ULONG_PTR>(this);
    if (IsLine()) {
        I.fType = MFT_SEPARATOR;
        return;
    }
    I.fMask |= MIIM_STRING;
    I.fType = FRadioItem ? MFT_RADIOCHECK : 0;
    I.fState = (FChecked ? MFS_CHECKED : 0) | (FEnabled ? 0 : MFS_GRAYED) | (FDefault ? MFS_DEFAULT : 0);
    Text = FCaption;
    if (const std::string K = ShortCutToText(FShortCut); !K.empty())
        Text += "\t" + K;
    I.dwTypeData = Text.data();
}

// =============================================================================================

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(this))
{
    FItems->FRootOf = this;
    GMenuMessageProc = MenuMessage;
}

TMenu::~TMenu()
{
    FItems->FRootOf = nullptr;
    if (FHandle)
        DestroyMenu(FHandle);
    FHandle = nullptr;
}

TMenuItem* TMenu::AddItem(const std::string& Caption, TMenuItem* Parent, TAction* Action)
{
    auto* I = new TMenuItem(this);
    I->FCaption = Caption;
    if (Action)
        I->FLink.SetAction(Action);
    (Parent ? Parent : FItems)->Add(I);
    return I;
}

HMENU TMenu::GetHandle()
{
    if (!FHandle)
        Rebuild();
    return FHandle;
}

void TMenu::Fill(HMENU Menu, TMenuItem* Parent)
{
    UINT Pos = 0;
    for (TMenuItem* C : Parent->FItems) {
        if (!C->FVisible)
            continue;
        MENUITEMINFOA I;
        std::string Text;
        C->FillInfo(I, Text);
        if (!C->FItems.empty()) {
            HMENU Sub = CreatePopupMenu();
            Fill(Sub, C);
            I.fMask |= MIIM_SUBMENU;
            I.hSubMenu = Sub;
        }
        InsertMenuItemA(Menu, Pos++, TRUE, &I);
    }
}

void TMenu::Rebuild()
{
    HMENU Old = FHandle;
    FHandle = IsPopup() ? CreatePopupMenu() : CreateMenu();
    Fill(FHandle, FItems);
    HandleChanged(Old);
    if (Old)
        DestroyMenu(Old);
}

void TMenu::ItemChanged(TMenuItem* Item, bool Structure)
{
    if (!FHandle)
        return;
    if (Structure) {
        Rebuild();
        return;
    }
    MENUITEMINFOA I;
    std::string Text;
    Item->FillInfo(I, Text);
    I.fMask &= ~MIIM_ID;
    SetMenuItemInfoA(FHandle, Item->GetCommand(), FALSE, &I);
    HandleChanged(FHandle);
}

TMenuItem* TMenu::FindItem(UINT Id) const
{
    std::vector<TMenuItem*> Stack{FItems};
    while (!Stack.empty()) {
        TMenuItem* I = Stack.back();
        Stack.pop_back();
        if (I != FItems && I->GetCommand() == Id)
            return I;
        Stack.insert(Stack.end(), I->FItems.begin(), I->FItems.end());
    }
    return nullptr;
}

bool TMenu::DispatchCommand(UINT Id)
{
    TMenuItem* I = FindItem(Id);
    if (!I)
        return false;
    I->Click();
    return true;
}

TMenuItem* TMenu::ItemFromMenu(HMENU Menu, UINT Item, bool ByPosition)
{
    MENUITEMINFOA I{};
    I.cbSize = sizeof(I);
    I.fMask = MIIM_DATA;
    if (!Menu || !GetMenuItemInfoA(Menu, Item, ByPosition, &I))
        return nullptr;
    auto* P = reinterpret_cast<TMenuItem*>(I.dwItemData);
    return gLiveItems.count(P) ? P : nullptr;
}

// =============================================================================================

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner)
{
    FForm = dynamic_cast<TCustomForm*>(AOwner);
    if (FForm) {
        FCommandHandler = FForm->AddCommandHandler([this](uint16_t Id) { return DispatchCommand(Id); });
        FShortCutHandler = FForm->AddShortCutHandler([this](uint16_t Key, TShiftState Shift) {
            // Items without an action of their own; actions run their shortcuts themselves.
            const TShortCut S = ShortCut(Key, Shift);
            std::vector<TMenuItem*> Stack{GetItems()};
            while (!Stack.empty()) {
                TMenuItem* I = Stack.back();
                Stack.pop_back();
                if (I != GetItems() && !I->GetAction() && S != scNone && I->GetShortCut() == S && I->GetEnabled() &&
                    I->GetVisible()) {
                    I->Click();
                    return true;
                }
                for (int32_t K = 0; K < I->GetCount(); ++K)
                    Stack.push_back(I->GetItems(K));
            }
            return false;
        });
        FForm->SetMenuHandle(GetHandle());
    }
}

TMainMenu::~TMainMenu()
{
    if (FForm && AppUI()->HasForm(FForm)) {
        FForm->RemoveHandler(FCommandHandler);
        FForm->RemoveHandler(FShortCutHandler);
        if (FForm->GetMenuHandle() == FHandle)
            FForm->SetMenuHandle(nullptr);
    }
}

void TMainMenu::HandleChanged(HMENU /*Old*/)
{
    if (!FForm)
        return;
    if (FForm->GetMenuHandle() != FHandle)
        FForm->SetMenuHandle(FHandle);
    else if (FForm->HandleAllocated())
        DrawMenuBar(FForm->GetHandle());
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) { GPopupMenuProc = PopupProc; }

void TPopupMenu::Popup(int32_t X, int32_t Y)
{
    if (OnPopup)
        OnPopup(this);
    // The owner window gets WM_INITMENUPOPUP and WM_MENUSELECT: the control's form.
    TCustomForm* F = FPopupComponent ? FPopupComponent->GetParentForm() : nullptr;
    if (!F)
        F = AppUI()->GetActiveForm() ? AppUI()->GetActiveForm() : AppUI()->GetMainForm();
    if (!F)
        return;
    HWND Owner = F->GetHandle();
    SetForegroundWindow(Owner);
    const UINT Id = static_cast<UINT>(
        TrackPopupMenu(GetHandle(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, X, Y, 0, Owner, nullptr));
    if (Id)
        DispatchCommand(Id);
}

// =============================================================================================

bool MenuMessage(TCustomForm* /*Form*/, TMessage& M)
{
    switch (M.Msg) {
    case WM_INITMENUPOPUP: {
        // The items take their state from their actions before the menu shows.
        HMENU Menu = reinterpret_cast<HMENU>(M.WParam);
        const int N = GetMenuItemCount(Menu);
        for (int I = 0; I < N; ++I)
            if (TMenuItem* Item = TMenu::ItemFromMenu(Menu, static_cast<UINT>(I), true); Item && Item->GetAction())
                Item->GetAction()->Update();
        return false;
    }
    case WM_MENUSELECT: {
        const UINT Flags = HIWORD(M.WParam);
        if (Flags == 0xFFFF && M.LParam == 0) {
            AppUI()->SetHint("");
            return false;
        }
        HMENU Menu = reinterpret_cast<HMENU>(M.LParam);
        TMenuItem* Item = (Flags & MF_POPUP) ? TMenu::ItemFromMenu(Menu, LOWORD(M.WParam), true)
                                             : TMenu::ItemFromMenu(Menu, LOWORD(M.WParam), false);
        AppUI()->SetHint(Item ? TControl::GetLongHint(Item->GetHint()) : std::string());
        return false;
    }
    default:
        return false;
    }
}

// =============================================================================================

void TControl::SetPopupMenu(TPopupMenu* Value)
{
    if (FPopupMenuComponent)
        FPopupMenuComponent->RemoveFreeNotification(this);
    FPopupMenu = Value;
    FPopupMenuComponent = Value;
    if (Value)
        Value->FreeNotification(this);
}
