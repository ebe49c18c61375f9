#include "commandbars/model/cbBarItem.h"

#include <algorithm>

#include "commandbars/model/cbBarItemActionLink.h"
#include "commandbars/model/cbBarManager.h"
#include "platform/win/Actions.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/painters/cbPainter.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Application.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"
#include "platform/win/ImageList.h"

namespace {

TcbItemControlDispatch gItemControlDispatch;

// Reports a failure of a handler the framework calls where it cannot pass the failure on.
void ReportHandlerFailure()
{
    if (Application)
        Application->HandleException();
}

} // namespace

void SetItemControlDispatch(TcbItemControlDispatch Dispatch)
{
    gItemControlDispatch = std::move(Dispatch);
}

void DispatchToItemControl(TcbBarItemLink* Link, TcbItemControlNotice Notice)
{
    if (gItemControlDispatch)
        gItemControlDispatch(Link, Notice);
}

// ---------------------------------------------------------------------------------------------
// Construction and destruction

TcbBarItem::TcbBarItem(TComponent* AOwner) : TComponent(AOwner)
{
    TcbBarManager* Manager = nullptr;
    if (const TcbBarManagerList* List = BarManagers()) {
        if (const auto* Form = dynamic_cast<TCustomForm*>(AOwner))
            Manager = List->ManagerOfForm(Form);
        if (!Manager)
            Manager = List->GetItem(0);
    }
    BindToManager(Manager);
    FGlyph = std::make_unique<TBitmap>();
    FGlyph->OnChange = [this](TObject* Sender) { GlyphBitmapChanged(Sender); };
}

TcbBarItem::~TcbBarItem()
{
    // A plain delete reaches here before the base marks the component destroying.
    Destroying();
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            // Nothing can pass a failure out of a destructor: the application reports it.
            ReportHandlerFailure();
        }
    }
    auto& Temporary = TemporaryItems();
    Temporary.erase(std::remove(Temporary.begin(), Temporary.end(), this), Temporary.end());
    while (!FLinks.empty())
        FLinks.back()->Release();
    if (FBarManager) {
        FBarManager->RemoveItem(this);
        if (FBarManager->IsCustomizing() && FCategory > -1)
            cbCallExtension(cbExtensions().CustomizingFormItemDestroying, this);
    }
    FGlyph->OnChange = nullptr;
    FActionLink.reset();
}

void TcbBarItem::BindToManager(TcbBarManager* Manager)
{
    if (Manager == FBarManager)
        return;
    if (FBarManager)
        FBarManager->RemoveItem(this);
    FBarManager = Manager;
    if (FBarManager)
        FBarManager->AddItem(this);
}

TComponent* TcbBarItem::GetParentComponent() const
{
    return HasParent() ? FBarManager : nullptr;
}

void TcbBarItem::SetParentComponent(TComponent* Value)
{
    auto* Manager = dynamic_cast<TcbBarManager*>(Value);
    if (!Manager || Manager == FBarManager)
        return;
    BindToManager(Manager);
    BarManagerChanged();
}

void TcbBarItem::Loaded()
{
    TComponent::Loaded();
    if (GetAction())
        ActionChange(GetAction(), true);
    // With a manager, the manager applies the read Visible when it has loaded.
    if (!FBarManager)
        SetVisible(FLoadedVisible);
}

void TcbBarItem::SetName(const std::string& NewName)
{
    TComponent::SetName(NewName);
    cbCallExtension(cbExtensions().CustomizingFormItemRenamed, this);
    cbCallExtension(cbExtensions().CustomizingFormRefreshGroupItems);
}

// ---------------------------------------------------------------------------------------------
// The bound action

TAction* TcbBarItem::GetAction() const
{
    return FActionLink ? FActionLink->GetAction() : nullptr;
}

std::unique_ptr<TcbBarItemActionLink> TcbBarItem::GetActionLinkClass()
{
    return std::make_unique<TcbBarItemActionLink>(this);
}

void TcbBarItem::SetAction(TAction* Value)
{
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (Value == GetAction())
        return;
    if (!FActionLink) {
        FActionLink = GetActionLinkClass();
        FActionLink->OnChange = [this](TObject* Sender) { ActionLinkChange(Sender); };
    }
    FActionLink->SetAction(Value);
    ActionChange(Value, Value->GetComponentState().Contains(csLoading));
    Value->FreeNotification(this);
}

void TcbBarItem::ActionLinkChange(TObject* Sender)
{
    // The links' Set... have followed every linked value; what is still at its default follows
    // too. A handler or value the program gave the item itself stays.
    ActionChange(Sender, true);
}

bool TcbBarItem::IsOnClickFromAction() const
{
    return OnClick.target<TcbActionExecuteHandler>() != nullptr;
}

void TcbBarItem::ActionChange(TObject* Sender, bool CheckDefaults)
{
    auto* Action = dynamic_cast<TAction*>(Sender);
    if (!Action)
        return;
    if (!CheckDefaults || GetCaption().empty())
        SetCaption(Action->GetCaption());
    if (!CheckDefaults || GetStoredEnabled())
        SetEnabled(Action->GetEnabled());
    if (!CheckDefaults || GetHelpContext() == 0)
        SetHelpContext(Action->GetHelpContext());
    if (!CheckDefaults || GetHint().empty())
        SetHint(Action->GetHint());
    if (!CheckDefaults || GetImageIndex() == -1)
        ChangeImageIndex(Action->GetImageIndex());
    if (!CheckDefaults || GetShortCut() == 0)
        SetShortCut(Action->GetShortCut());
    if (!CheckDefaults || GetVisible() == ivAlways)
        SetVisible(Action->GetVisible() ? ivAlways : ivNever);
    if (!CheckDefaults || !OnClick) {
        // Marked as taken from the action, so that a click runs the action through its link.
        OnClick = Action->OnExecute ? TNotifyEvent(TcbActionExecuteHandler{Action->OnExecute}) : TNotifyEvent();
    }
}

void TcbBarItem::AssignTo(TPersistent* Dest)
{
    auto* Action = dynamic_cast<TAction*>(Dest);
    if (!Action) {
        TComponent::AssignTo(Dest);
        return;
    }
    Action->SetCaption(GetCaption());
    Action->SetEnabled(GetEnabled());
    Action->SetHelpContext(GetHelpContext());
    Action->SetHint(GetHint());
    Action->SetImageIndex(GetImageIndex());
    Action->SetShortCut(GetShortCut());
    if (GetVisible() != ivInCustomizing)
        Action->SetVisible(GetVisible() == ivAlways);
    if (const auto* FromAction = OnClick.target<TcbActionExecuteHandler>())
        Action->SetOnExecute(FromAction->Handler);
    else
        Action->SetOnExecute(OnClick);
}

void TcbBarItem::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    // A freed action has already left its links when its removal is told.
    if (Operation == opRemove && FActionLink && (AComponent == GetAction() || !GetAction()))
        SetAction(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Setters

std::string TcbBarItem::CleanCaption(const std::string& Caption)
{
    std::string S = Caption;
    if (const size_t Amp = S.find('&'); Amp != std::string::npos)
        S.erase(Amp, 1);
    if (const size_t Dots = S.find("..."); Dots != std::string::npos)
        S.erase(Dots, 3);
    return S;
}

std::string TcbBarItem::GetCleanCaption() const
{
    return CleanCaption(FCaption);
}

void TcbBarItem::SetCaption(const std::string& Value)
{
    if (Value == FCaption)
        return;
    const size_t Bar = FHint.find('|');
    const bool HintFollows =
        CaptionSetsHint() && (FHint.empty() || FHint.substr(0, Bar) == GetCleanCaption());
    FCaption = Value;
    if (IsLoading())
        return;
    if (HintFollows)
        FHint = Bar == std::string::npos ? GetCleanCaption() : GetCleanCaption() + FHint.substr(Bar);
    CaptionChanged();
}

void TcbBarItem::SetCategory(int32_t Value)
{
    if (Value == FCategory)
        return;
    if (IsLoading()) {
        FCategory = Value;
        return;
    }
    if (!FBarManager || Value < 0 || Value >= FBarManager->GetCategories()->GetCount())
        return;
    FCategory = Value;
    FBarManager->DesignerModified();
    if (IsDesigning())
        cbCallExtension(cbExtensions().CustomizingFormSelectItem, this, false);
}

void TcbBarItem::SetDescription(const std::string& Value)
{
    if (Value == FDescription)
        return;
    FDescription = Value;
    if (!IsLoading())
        ItemChanged();
}

bool TcbBarItem::GetEnabled() const
{
    if (FBarManager && !FBarManager->IsDesigning() && FBarManager->IsCustomizing() && FCategory > -1)
        return true;
    return FEnabled;
}

void TcbBarItem::SetEnabled(bool Value)
{
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    if (!IsLoading())
        EnabledChanged();
}

void TcbBarItem::SetGlyph(TBitmap* Value)
{
    FGlyph->Assign(Value);
}

void TcbBarItem::GlyphBitmapChanged(TObject*)
{
    if (!IsLoading())
        GlyphChanged();
}

void TcbBarItem::SetHelpContext(int32_t Value)
{
    FHelpContext = Value;
}

void TcbBarItem::SetHint(const std::string& Value)
{
    FHint = Value;
}

void TcbBarItem::SetShortCut(uint16_t Value)
{
    if (Value == FShortCut)
        return;
    FShortCut = Value;
    if (!IsLoading())
        ShortCutChanged();
}

void TcbBarItem::SetAlign(TcbBarItemAlign Value)
{
    if (Value == FAlign)
        return;
    FAlign = Value;
    if (!IsLoading())
        RebuildBars();
}

bool TcbBarItem::VisibleIsLoading() const
{
    return FBarManager ? FBarManager->IsLoading() : IsLoading();
}

void TcbBarItem::SetVisible(TcbBarItemVisible Value)
{
    if (VisibleIsLoading()) {
        FLoadedVisible = Value;
        return;
    }
    if (Value == FVisible)
        return;
    FVisible = Value;
    VisibleChanged();
}

void TcbBarItem::ItemChanged()
{
    if (FBarManager)
        FBarManager->ItemChanged(this);
}

void TcbBarItem::NotifyControls(TcbItemControlNotice Notice, const std::function<bool(TcbBarItemLink*)>& Filter)
{
    // A control's reaction may free links: the list is read afresh at every step.
    for (size_t I = 0; I < FLinks.size(); ++I) {
        TcbBarItemLink* Link = FLinks[I];
        if (Link->GetControl() && (!Filter || Filter(Link)))
            DispatchToItemControl(Link, Notice);
    }
}

// ---------------------------------------------------------------------------------------------
// The operations the kinds override

void TcbBarItem::BarManagerChanged() {}

bool TcbBarItem::IsClickable() const
{
    return true;
}

void TcbBarItem::CaptionChanged()
{
    NotifyControls(icnCaptionChanged, [](TcbBarItemLink* L) { return !L->GetUserDefine().Contains(udCaption); });
    ItemChanged();
}

void TcbBarItem::EnabledChanged()
{
    NotifyControls(icnEnabledChanged);
}

int32_t TcbBarItem::GetImageIndex() const
{
    return FImageIndex;
}

void TcbBarItem::ChangeImageIndex(int32_t Value)
{
    SetImageIndex(Value);
}

bool TcbBarItem::IsHiddenInCommandsList() const
{
    return false;
}

void TcbBarItem::GlyphChanged()
{
    NotifyControls(icnGlyphChanged, [](TcbBarItemLink* L) { return !L->GetUserDefine().Contains(udGlyph); });
    ItemChanged();
}

bool TcbBarItem::HasAccel(TcbBarItemLink*) const
{
    return GetEnabled();
}

void TcbBarItem::ControlNotPlaced(TcbBarItemControl*) {}

void TcbBarItem::HotGlyphChanged() {}

bool TcbBarItem::CanBeVisible() const
{
    return true;
}

void TcbBarItem::LargeGlyphChanged() {}

bool TcbBarItem::WantsControlNotPlaced() const
{
    return false;
}

void TcbBarItem::BarNotification(TOperation, TcbBar*) {}

void TcbBarItem::SetImageIndex(int32_t Value)
{
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    if (!IsLoading())
        GlyphChanged();
}

void TcbBarItem::ShortCutChanged()
{
    NotifyControls(icnShortCutChanged);
    ItemChanged();
}

void TcbBarItem::TextChanged()
{
    // The control being edited in place keeps its editor's text; the controls' side knows it.
    NotifyControls(icnRepaint);
}

void TcbBarItem::LayoutChanged()
{
    NotifyControls(icnRebuildBar);
}

bool TcbBarItem::UsesHotImages() const
{
    return false;
}

bool TcbBarItem::UsesLargeImages() const
{
    return false;
}

void TcbBarItem::VisibleChanged()
{
    if (IsDesigning() || (FBarManager && FBarManager->IsDesigning()))
        return;
    {
        TcbBarManager* Manager = FBarManager;
        const bool WasLocked = Manager && Manager->GetLockUpdate();
        if (Manager)
            Manager->SetLockUpdate(true);
        TScopeExit Restore([&] {
            if (Manager)
                Manager->SetLockUpdate(WasLocked);
        });
        const bool Shows = IsVisibleInBars();
        for (size_t I = 0; I < FLinks.size(); ++I) {
            TcbBarItemLink* Link = FLinks[I];
            if (TcbBarItemLinks* Links = Link->GetLinks())
                Links->RebuildLists();
            if (Shows) {
                if (!Link->GetControl())
                    DispatchToItemControl(Link, icnCreate);
                if (Link->GetControl())
                    DispatchToItemControl(Link, icnVisibleChanged);
            } else if (Link->GetControl()) {
                DispatchToItemControl(Link, icnVisibleChanged);
                DispatchToItemControl(Link, icnDestroy);
            }
        }
    }
    ItemChanged();
}

TImageList* TcbBarItem::GetImages() const
{
    return FBarManager ? FBarManager->GetImages() : nullptr;
}

void TcbBarItem::RebuildBars()
{
    NotifyControls(icnRebuildBar);
}

// ---------------------------------------------------------------------------------------------
// The click road

void TcbBarItem::Click()
{
    if (IsClickable())
        DoClick();
}

void TcbBarItem::DoClick()
{
    if (!GetEnabled())
        return;
    try {
        if (FBarManager)
            FBarManager->DoClickItem(this);
        CallOnClick();
    } catch (...) {
        // The command failed; the bar stays usable and the application reports the failure.
        ReportHandlerFailure();
    }
}

void TcbBarItem::CallOnClick()
{
    if (OnClick && !(FActionLink && GetAction() && IsOnClickFromAction()))
        OnClick(this);
    else if (!IsDesigning() && FActionLink)
        FActionLink->Execute(this);
}

// ---------------------------------------------------------------------------------------------
// Queries

int32_t TcbBarItem::GetIndex() const
{
    return FBarManager ? FBarManager->IndexOfItem(this) : -1;
}

TcbBarItemLink* TcbBarItem::GetLink(int32_t Index) const
{
    return Index >= 0 && Index < GetLinkCount() ? FLinks[static_cast<size_t>(Index)] : nullptr;
}

bool TcbBarItem::IsVisibleInBars() const
{
    const bool Showing = IsDesigning() || (FBarManager && FBarManager->IsCustomizingOrDesigning());
    return (FVisible == ivAlways && (CanBeVisible() || Showing)) || (FVisible == ivInCustomizing && Showing);
}

bool TcbBarItem::HasControls() const
{
    return std::any_of(FLinks.begin(), FLinks.end(), [](const TcbBarItemLink* L) { return L->GetControl() != nullptr; });
}

bool TcbBarItem::IsImageIndexValid() const
{
    TImageList* Images = GetImages();
    const int32_t Index = GetImageIndex();
    return Images && Index >= 0 && Index < Images->GetCount();
}

// ---------------------------------------------------------------------------------------------
// Item names and temporary items

void GetUniqueItemName(TcbBarManager* Manager, TcbBarItemClass ItemClass, std::string& Name)
{
    const std::string Base = ItemClass && !ItemClass->Name.empty() ? ItemClass->Name.substr(1) : std::string();
    for (int32_t N = 1;; ++N) {
        const std::string Candidate = Base + std::to_string(N);
        bool Taken = false;
        for (int32_t I = 0; Manager && I < Manager->GetItemCount() && !Taken; ++I)
            Taken = SameText(Manager->GetItem(I)->GetName(), Candidate);
        if (!Taken) {
            Name = Candidate;
            return;
        }
    }
}

void FreeTemporaryItems()
{
    auto& Temporary = TemporaryItems();
    // Each item leaves the list as it goes (and an item's end may take others along).
    for (size_t I = Temporary.size(); I > 0; --I) {
        if (I > Temporary.size())
            continue;
        TcbBarItem* Item = Temporary[I - 1];
        if (Item->GetLinkCount() == 0)
            Item->Free();
    }
}

const TcbBarItemControlPainter* TcbBarItem::GetPainter() const
{
    return FBarManager ? FBarManager->GetPainterClass() : StylePainter(bmsEnhanced);
}
