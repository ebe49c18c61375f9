#include "commandbars/windows/cbBarPopups.h"

#include <algorithm>
#include <string>
#include <vector>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbStrings.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Application.h"
#include "platform/win/Forms.h"
#include "platform/win/ThreadTimer.h"

namespace {

TcbBarCustomizingPopup* gOpenPopup = nullptr;
TcbBarToolbarsPopup* gOpenToolbarsPopup = nullptr;
// What the open customizing popup (or its waiting command) works on.
TcbBarManager* gCustomizedManager = nullptr;
TcbBarItemLink* gCustomizedLink = nullptr;
TcbBarItemLinks* gCustomizedLinks = nullptr;
UINT_PTR gSweepTimer = 0;

// The entries of the customizing popup by index (the table's numbering; the design-time
// entries are negative).
enum TCustomizingEntry : int32_t {
    ceAddSubItem = -4,
    ceAddButton = -3,
    ceAddItem = -2,
    ceDeleteBar = -1,
    ceReset = 0,
    ceDelete = 1,
    ceName = 2,
    ceDefaultStyle = 3,
    ceTextOnly = 4,
    ceTextInMenus = 5,
    ceImageAndText = 6,
    ceBeginGroup = 7,
    ceVisible = 8,
    ceMostRecentlyUsed = 9
};
// The group of the four paint-style entries.
constexpr int32_t kPaintStyleGroup = -1000;

bool HasLink(const TcbBarItemLinks* Links, const TcbBarItemLink* Link)
{
    for (int32_t I = 0; Links && Link && I < Links->GetCount(); ++I)
        if (Links->GetItem(I) == Link)
            return true;
    return false;
}

// Whether Links is still one of the manager's link lists: a bar's, a sub-item's or a popup
// menu's. A command that waited in the queue may find its bar or sub-item gone.
bool IsLinksOfManager(TcbBarManager* Manager, const TcbBarItemLinks* Links)
{
    if (!IsLiveManager(Manager) || !Links)
        return false;
    TcbBars* Bars = Manager->GetBars();
    for (int32_t I = 0; I < Bars->GetCount(); ++I)
        if (Bars->GetItem(I)->GetItemLinks() == Links)
            return true;
    for (int32_t I = 0; I < Manager->GetItemCount(); ++I)
        if (auto* Sub = dynamic_cast<TCustomcbBarSubItem*>(Manager->GetItem(I)); Sub && Sub->GetItemLinks() == Links)
            return true;
    for (int32_t I = 0; I < Manager->GetPopupMenuCount(); ++I)
        if (auto* Popup = dynamic_cast<TcbBarPopupMenu*>(Manager->GetPopupMenu(I));
            Popup && Popup->GetItemLinks() == Links)
            return true;
    return false;
}

bool IsBarOfManager(TcbBarManager* Manager, const TcbBar* Bar)
{
    if (!IsLiveManager(Manager) || !Bar)
        return false;
    for (int32_t I = 0; I < Manager->GetBars()->GetCount(); ++I)
        if (Manager->GetBars()->GetItem(I) == Bar)
            return true;
    return false;
}

// The customized links and link as far as they still exist.
TcbBarItemLinks* LiveCustomizedLinks()
{
    return IsLinksOfManager(gCustomizedManager, gCustomizedLinks) ? gCustomizedLinks : nullptr;
}

TcbBarItemLink* LiveCustomizedLink()
{
    TcbBarItemLinks* Links = LiveCustomizedLinks();
    return Links && HasLink(Links, gCustomizedLink) ? gCustomizedLink : nullptr;
}

void SweepTimerTick(UINT_PTR)
{
    // A command may still be running (a reset's confirmation box holds the thread inside the
    // queue) or waiting: its item must live on until it has run.
    if (FrameworkEntryDepth() > 0 || QueuedClickCount() > 0)
        return;
    ThreadTimerStop(gSweepTimer);
    gSweepTimer = 0;
    FreeTemporaryItems();
}

// A temporary button with a link in Links.
TcbBarButton* AddEntry(TComponent* Owner, TcbBarItemLinks* Links, const std::string& Caption, bool BeginGroup)
{
    auto* Button = new TcbBarButton(Owner);
    TemporaryItems().push_back(Button);
    Button->SetCaption(Caption);
    TcbBarItemLink* Link = Links->Add();
    Link->SetItem(Button);
    Link->SetBeginGroup(BeginGroup);
    return Button;
}

TcbBarButton* AddCheckedEntry(TComponent* Owner, TcbBarItemLinks* Links, const std::string& Caption,
                              bool BeginGroup, bool Down)
{
    TcbBarButton* Button = AddEntry(Owner, Links, Caption, BeginGroup);
    Button->SetButtonStyle(bsChecked);
    Button->SetDown(Down);
    return Button;
}

bool SupportsPaintStyles(const TcbBarItem* Item)
{
    return dynamic_cast<const TcbBarButton*>(Item) != nullptr;
}

// The bar of the toolbar window that shows Links (nullptr for a menu's links).
TcbBar* ToolbarOfLinks(TcbBarItemLinks* Links)
{
    auto* Window = Links ? dynamic_cast<TcbBarControl*>(Links->GetBarControl()) : nullptr;
    return Window ? Window->GetBar() : nullptr;
}

// Design time: an item of Class goes after the customized link (or at the end of the links).
void AddNewItem(TcbBarManager* Manager, TcbBarItemClass Class)
{
    TcbBarItemLinks* Links = LiveCustomizedLinks();
    if (!Links || !Class || !Class->Create || !Manager->IsDesigning())
        return;
    TcbBarItemLink* After = LiveCustomizedLink();
    TcbBarItem* Item = Class->Create(Manager->GetOwnerForm());
    TScopeExit FreeOnFailure([Item] { Item->Free(); });
    std::string Name;
    GetUniqueItemName(Manager, Class, Name);
    Item->SetName(Name);
    const int32_t Category = Manager->GetCategories()->IndexOf("Default");
    Item->SetCategory(Category < 0 ? 0 : Category);
    Item->SetCaption(uiGetResourceString(cbsNewItem));
    TcbBarItemLink* Added = nullptr;
    {
        Links->BeginUpdate();
        TScopeExit EndUpdate([Links] { Links->EndUpdate(); });
        Added = Links->Add();
        Added->SetItem(Item);
        if (After)
            Added->SetIndex(After->GetIndex() + 1);
    }
    FreeOnFailure.Dismiss();
    cbCallExtension(cbExtensions().CustomizingFormCategoryChanged, Item);
    Manager->DesignerModified();
    if (TCustomcbBarControl* Window = Links->GetBarControl()) {
        Window->RebuildBar();
        if (TCustomcbBarControl::IsLiveBarControl(Window) && HasLink(Links, Added) && Added->GetControl() &&
            !IsRectEmpty(&Added->GetItemRect()))
            Window->SelectControlByKeyboard(Added->GetControl());
    }
}

void RunCustomizingEntry(TcbBarManager* Manager, int32_t Index, TcbBar* DeletedBar)
{
    if (!IsLiveManager(Manager) || Manager != gCustomizedManager)
        return;
    if (Index == ceAddSubItem || Index == ceAddButton) {
        AddNewItem(Manager, cbItemClassOf(Index == ceAddSubItem ? "TcbBarSubItem" : "TcbBarButton"));
        return;
    }
    if (Index == ceDeleteBar) {
        if (!Manager->IsDesigning() || !IsBarOfManager(Manager, DeletedBar))
            return;
        gCustomizedLink = nullptr;
        gCustomizedLinks = nullptr;
        // The dialog's row goes by the bar itself, whatever its position.
        cbCallExtension(cbExtensions().CustomizingFormRemoveBarRow, DeletedBar);
        Manager->GetBars()->Delete(DeletedBar->GetIndex());
        return;
    }
    TcbBarItemLink* Link = LiveCustomizedLink();
    if (!Link)
        return;
    switch (Index) {
    case ceReset:
        Link->SetUserDefine(TcbBarUserDefines{});
        break;
    case ceDelete:
        gCustomizedLink = nullptr;
        Link->Release();
        break;
    case ceDefaultStyle:
    case ceTextOnly:
    case ceTextInMenus:
    case ceImageAndText: {
        static const TcbBarPaintStyle Styles[] = {psStandard, psCaption, psCaptionInMenu, psCaptionGlyph};
        if (SupportsPaintStyles(Link->GetItem()))
            Link->SetUserPaintStyle(Styles[Index - ceDefaultStyle]);
        break;
    }
    case ceBeginGroup:
        Link->SetBeginGroup(!Link->GetOwnBeginGroup());
        break;
    case ceVisible:
        if (Manager->IsDesigning())
            Link->SetVisible(!Link->GetVisible());
        break;
    case ceMostRecentlyUsed:
        if (Manager->IsDesigning())
            Link->SetMostRecentlyUsed(!Link->GetMostRecentlyUsed());
        break;
    default:
        break;
    }
}

// The edit's text: the caption at design time, the user caption at run time; an empty text
// closes the popup and is refused with a message.
void RenameCustomizedLink(TcbBarManager* Manager, const std::string& Text)
{
    TcbBarItemLink* Link = LiveCustomizedLink();
    if (!Link || !IsLiveManager(Manager))
        return;
    if (Text.empty()) {
        // The edit item whose change this is lives on until the box has gone.
        TcbFrameworkEntry Entry;
        if (gOpenPopup)
            gOpenPopup->HideAll();
        if (Application)
            Application->MessageBox(uiGetResourceString(cbsBlankCommandName), Application->GetTitle(),
                                    MB_OK | MB_ICONERROR);
        return;
    }
    if (Manager->IsDesigning()) {
        if (TcbBarItem* Item = Link->GetItem()) {
            Item->SetCaption(Text);
            Manager->DesignerModified();
        }
    } else {
        Link->SetUserCaption(Text);
    }
}

void ToolbarEntryClick(TcbBarManager* Manager, TcbBar* Bar)
{
    // The bar may have gone while the click waited.
    if (IsBarOfManager(Manager, Bar))
        Bar->SetVisible(!Bar->GetVisible());
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Temporary items

void FreeTemporaryItemsWhenIdle()
{
    // Never at once: the window may close from inside a method of one of its items (an edit's
    // change), which must not lose its item under it.
    if (!gSweepTimer)
        gSweepTimer = ThreadTimerStart(10, &SweepTimerTick);
}

// ---------------------------------------------------------------------------------------------
// The manager's entries

void TcbBarManager::FillToolbarsPopup(TcbBarItemLinks* Links)
{
    if (!Links)
        return;
    int32_t Entries = 0;
    for (int32_t I = 0; I < FBars->GetCount(); ++I) {
        TcbBar* Bar = FBars->GetItem(I);
        if (Bar->GetHidden() || Bar->GetIsMainMenu())
            continue;
        TcbBarButton* Entry = AddCheckedEntry(GetOwnerForm(), Links, Bar->GetCaption(), false, Bar->GetVisible());
        Entry->SetEnabled(!Bar->GetVisible() || Bar->CanClose());
        Entry->OnClick = [this, Bar](TObject*) { ToolbarEntryClick(this, Bar); };
        ++Entries;
    }
    if (Entries > 0)
        AddCustomizeEntry(Links, true);
}

void TcbBarManager::AddCustomizeEntry(TcbBarItemLinks* Links, bool BeginGroup)
{
    if (!Links || !FCanCustomize)
        return;
    // In the "&Add or Remove Buttons" menu the entry is drawn as the menu's extension buttons.
    TcbBarButton* Entry = nullptr;
    if (Links->GetOwner() && Links->GetOwner()->ClassName() == "TcbBarQuickSubItem") {
        TcbBarItemClass Class = cbItemClassOf("TcbBarQuickCustExtButton");
        Entry = Class && Class->Create ? dynamic_cast<TcbBarButton*>(Class->Create(GetOwnerForm())) : nullptr;
    }
    if (Entry) {
        TemporaryItems().push_back(Entry);
        Entry->SetCaption(uiGetResourceString(cbsCustomizeCommand));
        TcbBarItemLink* Link = Links->Add();
        Link->SetItem(Entry);
        Link->SetBeginGroup(BeginGroup);
    } else {
        Entry = AddEntry(GetOwnerForm(), Links, uiGetResourceString(cbsCustomizeCommand), BeginGroup);
    }
    Entry->OnClick = [this](TObject*) {
        if (IsLiveManager(this))
            SetIsCustomizing(true);
    };
}

// ---------------------------------------------------------------------------------------------
// TcbBarToolbarsPopup

TcbBarToolbarsPopup::TcbBarToolbarsPopup(TcbBarManager* AOwner) :
    TcbBarSubMenuControl(AOwner), FLinks(std::make_unique<TcbBarItemLinks>(AOwner, this))
{
    SetItemLinks(FLinks.get());
}

TcbBarToolbarsPopup::~TcbBarToolbarsPopup()
{
    if (gOpenToolbarsPopup == this)
        gOpenToolbarsPopup = nullptr;
    // The window and its controls go before the links they show.
    if (HandleAllocated())
        DestroyHandle();
    SetItemLinks(nullptr);
    FLinks.reset();
    FreeTemporaryItemsWhenIdle();
}

TcbBarToolbarsPopup* TcbBarToolbarsPopup::GetOpenPopup()
{
    return gOpenToolbarsPopup;
}

void TcbBarToolbarsPopup::ShowAt(TcbBarManager* Manager, TPoint Point)
{
    if (!IsLiveManager(Manager))
        return;
    if (gOpenToolbarsPopup)
        gOpenToolbarsPopup->CloseAndFree();
    TcbFrameworkEntry Entry;
    auto* Popup = new TcbBarToolbarsPopup(Manager);
    Manager->FillToolbarsPopup(Popup->GetPopupLinks());
    if (Popup->GetPopupLinks()->GetCount() == 0) {
        delete Popup;
        return;
    }
    gOpenToolbarsPopup = Popup;
    Manager->DoShowToolbarsPopup(Popup->GetPopupLinks());
    if (!TCustomcbBarControl::IsLiveBarControl(Popup))
        return;
    Popup->SetBounds(Point.x, Point.y, Popup->GetWidth(), Popup->GetHeight());
    Popup->SetAnimate(true);
    Popup->ShowAnimated();
}

// ---------------------------------------------------------------------------------------------
// TcbBarCustomizingPopup

TcbBarCustomizingPopup::TcbBarCustomizingPopup(TcbBarManager* AOwner, TcbBarItemLink* Link, TcbBarItemLinks* Links) :
    TcbBarSubMenuControl(AOwner), FLinks(std::make_unique<TcbBarItemLinks>(AOwner, this))
{
    gOpenPopup = this;
    gCustomizedManager = AOwner;
    gCustomizedLink = Link;
    gCustomizedLinks = Links;
    FIndexOffset = AOwner && AOwner->IsDesigning() ? 4 : 0;
    SetItemLinks(FLinks.get());
}

TcbBarCustomizingPopup::~TcbBarCustomizingPopup()
{
    if (gOpenPopup == this)
        gOpenPopup = nullptr;
    if (HandleAllocated())
        DestroyHandle();
    SetItemLinks(nullptr);
    FLinks.reset();
    // At design time the link's selection goes with the popup.
    TcbBarManager* Manager = gCustomizedManager;
    if (TcbBarItemLink* Link = LiveCustomizedLink(); Link && Manager->IsDesigning())
        if (TCustomcbBarControl* Window = Link->GetBarControl();
            Window && Link->GetControl() && Window->GetSelectedControl() == Link->GetControl())
            Window->SelectControlByKeyboard(nullptr);
    FreeTemporaryItemsWhenIdle();
}

TcbBarCustomizingPopup* TcbBarCustomizingPopup::GetOpenPopup()
{
    return gOpenPopup;
}

void TcbBarCustomizingPopup::BuildEntries()
{
    TcbBarManager* Manager = GetBarManager();
    TComponent* Owner = Manager->GetOwnerForm();
    TcbBarItemLinks* Links = FLinks.get();
    TcbBarItemLink* Link = gCustomizedLink;
    const bool Designing = Manager->IsDesigning();
    auto Bind = [Manager](TcbBarButton* Entry, int32_t Index, TcbBar* Bar = nullptr) {
        Entry->OnClick = [Manager, Index, Bar](TObject*) { RunCustomizingEntry(Manager, Index, Bar); };
    };
    if (Designing) {
        Bind(AddEntry(Owner, Links, uiGetResourceString(cbsAddSubItem), false), ceAddSubItem);
        Bind(AddEntry(Owner, Links, uiGetResourceString(cbsAddButton), false), ceAddButton);
        auto* AddItem = new TcbBarSubItem(Owner);
        TemporaryItems().push_back(AddItem);
        AddItem->SetFrameworkMade(true);
        AddItem->SetCaption(uiGetResourceString(cbsAddItem));
        for (int32_t I = 0; I < GetVisibleBarItemClassCount(); ++I) {
            TcbBarItemClass Class = GetVisibleBarItemClass(I);
            TcbBarButton* Entry = AddEntry(Owner, AddItem->GetItemLinks(), Class->Name, false);
            Entry->OnClick = [Manager, Class](TObject*) {
                if (IsLiveManager(Manager) && Manager == gCustomizedManager)
                    AddNewItem(Manager, Class);
            };
        }
        Links->Add()->SetItem(AddItem);
        if (TcbBar* Bar = ToolbarOfLinks(gCustomizedLinks))
            Bind(AddEntry(Owner, Links, uiGetResourceString(cbsDeleteBar), true), ceDeleteBar, Bar);
    }
    if (!Link)
        return;
    TcbBarItem* Item = Link->GetItem();
    Bind(AddEntry(Owner, Links, uiGetResourceString(cbsReset), true), ceReset);
    Bind(AddEntry(Owner, Links, uiGetResourceString(cbsDelete), false), ceDelete);

    auto* Edit = new TcbBarEdit(Owner);
    TemporaryItems().push_back(Edit);
    Edit->SetCaption(uiGetResourceString(Designing ? cbsCaptionLabel : cbsNameLabel));
    Edit->SetShowCaption(true);
    Edit->SetText(Link->GetCaption());
    Edit->OnChange = [Manager](TObject* Sender) {
        if (auto* Self = dynamic_cast<TcbBarEdit*>(Sender))
            RenameCustomizedLink(Manager, Self->GetText());
    };
    TcbBarItemLink* EditLink = Links->Add();
    EditLink->SetItem(Edit);
    EditLink->SetBeginGroup(true);

    const bool Styles = SupportsPaintStyles(Item);
    const TcbBarPaintStyle Current = Styles ? Link->GetPaintStyle() : psStandard;
    const struct {
        int32_t Caption;
        TcbBarPaintStyle Style;
        int32_t Index;
    } StyleEntries[] = {{cbsDefaultStyle, psStandard, ceDefaultStyle}, {cbsTextOnlyAlways, psCaption, ceTextOnly},
                        {cbsTextOnlyInMenus, psCaptionInMenu, ceTextInMenus},
                        {cbsImageAndText, psCaptionGlyph, ceImageAndText}};
    for (const auto& S : StyleEntries) {
        TcbBarButton* Entry = AddEntry(Owner, Links, uiGetResourceString(S.Caption), S.Index == ceDefaultStyle);
        Entry->SetButtonStyle(bsChecked);
        Entry->SetGroupIndex(kPaintStyleGroup);
        Entry->SetAllowAllUp(true);
        Entry->SetDown(S.Style == Current);
        Entry->SetEnabled(Styles);
        Bind(Entry, S.Index);
    }
    TcbBarButton* Group = AddCheckedEntry(Owner, Links, uiGetResourceString(cbsBeginGroup), true,
                                          Link->GetOwnBeginGroup());
    Group->SetEnabled(Link->GetIndex() > 0);
    Bind(Group, ceBeginGroup);
    if (!Designing)
        return;
    Bind(AddCheckedEntry(Owner, Links, uiGetResourceString(cbsVisible), false, Link->GetVisible()), ceVisible);
    if (Manager->GetRealStyle() != bmsStandard)
        Bind(AddCheckedEntry(Owner, Links, uiGetResourceString(cbsMostRecentlyUsed), false,
                             Link->GetMostRecentlyUsed()),
             ceMostRecentlyUsed);
}

void TcbBarCustomizingPopup::ShowAt(TcbBarManager* Manager, TcbBarItemLink* Link, TcbBarItemLinks* Links,
                                    TPoint Point)
{
    if (!IsLiveManager(Manager) || !Links)
        return;
    if (gOpenPopup)
        gOpenPopup->CloseAndFree();
    TcbFrameworkEntry Entry;
    auto* Popup = new TcbBarCustomizingPopup(Manager, HasLink(Links, Link) ? Link : nullptr, Links);
    Popup->BuildEntries();
    if (Popup->GetPopupLinks()->GetCount() == 0) {
        delete Popup;
        return;
    }
    Manager->DoShowCustomizingPopup(Popup->GetPopupLinks());
    if (!TCustomcbBarControl::IsLiveBarControl(Popup))
        return;
    Popup->SetBounds(Point.x, Point.y, Popup->GetWidth(), Popup->GetHeight());
    Popup->SetAnimate(true);
    Popup->ShowAnimated();
}

// ---------------------------------------------------------------------------------------------
// Unit routines

namespace {

BOOL CALLBACK CollectOwned(HWND Wnd, LPARAM Param)
{
    auto* List = reinterpret_cast<std::vector<HWND>*>(Param);
    if (::GetWindow(Wnd, GW_OWNER) == List->front())
        List->push_back(Wnd);
    return TRUE;
}

void SetTopMost(HWND Wnd, bool Value)
{
    const UINT Flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(Wnd, Value ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, Flags);
    if (((GetWindowLongA(Wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) == Value)
        return;
    // Some systems keep an owned popup in or out of the topmost band by its owner's place: the
    // popup changes band on its own and gets its owner back.
    HWND Owner = ::GetWindow(Wnd, GW_OWNER);
    if (!Owner)
        return;
    SetWindowLongPtrA(Wnd, GWLP_HWNDPARENT, 0);
    SetWindowPos(Wnd, Value ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, Flags);
    SetWindowLongPtrA(Wnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(Owner));
}

} // namespace

void SetTopMostChain(bool Value)
{
    int32_t Guard = 0;
    for (TCustomcbBarControl* Window = gOpenPopup; Window && Guard < 64; Window = Window->GetChildBar(), ++Guard) {
        if (!TCustomcbBarControl::IsLiveBarControl(Window) || !Window->HandleAllocated())
            break;
        // The window's shadow parts are topmost with it: a topmost owned window would keep the
        // window topmost too.
        std::vector<HWND> Owned{Window->GetHandle()};
        EnumThreadWindows(GetCurrentThreadId(), &CollectOwned, reinterpret_cast<LPARAM>(&Owned));
        for (size_t I = 1; I < Owned.size(); ++I)
            SetTopMost(Owned[I], Value);
        SetTopMost(Window->GetHandle(), Value);
    }
}

TcbBarItemLink* GetCustomizedLink()
{
    return LiveCustomizedLink();
}

TcbBarItemLinks* GetCustomizedLinks()
{
    return LiveCustomizedLinks();
}

void cbBarPopupsInit()
{
    auto& E = cbExtensions();
    E.ShowToolbarsPopup = [](TcbBarManager* Manager, TPoint Point) { TcbBarToolbarsPopup::ShowAt(Manager, Point); };
    E.ShowCustomizingPopup = [](TcbBarManager* Manager, TcbBarItemLink* Link, TcbBarItemLinks* Links, TPoint Point) {
        TcbBarCustomizingPopup::ShowAt(Manager, Link, Links, Point);
    };
    E.SetTopMostChain = [](bool Value) { SetTopMostChain(Value); };
}

void cbBarPopupsDone()
{
    auto& E = cbExtensions();
    E.ShowToolbarsPopup = nullptr;
    E.ShowCustomizingPopup = nullptr;
    E.SetTopMostChain = nullptr;
    if (gOpenPopup)
        gOpenPopup->CloseAndFree();
    if (gOpenToolbarsPopup)
        gOpenToolbarsPopup->CloseAndFree();
    if (gSweepTimer) {
        ThreadTimerStop(gSweepTimer);
        gSweepTimer = 0;
    }
    gCustomizedManager = nullptr;
    gCustomizedLink = nullptr;
    gCustomizedLinks = nullptr;
}
