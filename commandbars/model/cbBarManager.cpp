#include "commandbars/model/cbBarManager.h"

#include <algorithm>
#include <cstddef>
#include <set>

#include "commandbars/model/cbBar.h"
#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/foundation/cbDrawing.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/painters/cbPainter.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/model/cbPopupMenuLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbStrings.h"
#include "commandbars/foundation/cbTheme.h"
#include "commandbars/lookandfeel/uiLookAndFeel.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "platform/win/ComponentLookup.h"
#include "platform/win/FormDesign.h"
#include "platform/win/Forms.h"
#include "platform/win/ImageList.h"
#include "platform/win/ThreadTimer.h"

namespace {

TcbBarManagerList* gManagers = nullptr;

// NONCLIENTMETRICS as every system accepts it: without the padded border width of Vista on.
constexpr UINT kNonClientMetricsSize = 340;
static_assert(sizeof(NONCLIENTMETRICSA) >= kNonClientMetricsSize);

// A category's items are parked here while a move renumbers the categories between.
constexpr int32_t kMovingCategory = -1000;

TComponent* ManagerOwner(TComponent* AOwner)
{
    return AOwner ? AOwner : AppUI()->GetMainForm();
}

int Channel(COLORREF C, int Shift)
{
    return static_cast<int>((C >> Shift) & 0xFF);
}

TColor NearestBrushColor(COLORREF C)
{
    return GetNearestScreenColor(static_cast<TColor>(C));
}

// COLOR_BTNSHADOW darkened to 8/10 per channel.
TColor FlatFrameColor()
{
    const COLORREF C = ColorToRGB(clBtnShadow);
    return NearestBrushColor(RGB(MulDiv(Channel(C, 0), 8, 10), MulDiv(Channel(C, 8), 8, 10), MulDiv(Channel(C, 16), 8, 10)));
}

// COLOR_BTNFACE lightened: each channel 16 % of the way to white.
TColor FlatBarColor()
{
    const COLORREF C = ColorToRGB(clBtnFace);
    auto Light = [&](int Shift) { return Channel(C, Shift) + MulDiv(255 - Channel(C, Shift), 16, 100); };
    return NearestBrushColor(RGB(Light(0), Light(8), Light(16)));
}

HBRUSH SolidBrush(TColor Color)
{
    return CreateSolidBrush(ColorToRGB(Color));
}

void DeleteBrush(HBRUSH& Brush)
{
    if (Brush) {
        DeleteObject(Brush);
        Brush = nullptr;
    }
}

bool ValidItemsVisible(int32_t Value)
{
    return Value >= ivNever && Value <= ivAlways;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TcbBarBackgrounds

TcbBarBackgrounds::TcbBarBackgrounds(TcbBarManager* ABarManager)
    : FBarManager(ABarManager), FBar(std::make_unique<TBitmap>()), FSubMenu(std::make_unique<TBitmap>())
{
    // The bar picture shows in every bar window, and the painter's cached brushes follow it.
    FBar->OnChange = [this](TObject*) {
        if (FBarManager->FInitialized && !FBarManager->IsLoading() && !FBarManager->IsDestroying())
            FBarManager->UpdatePainter();
        else
            FBarManager->RepaintBarWindows();
    };
}

TcbBarBackgrounds::~TcbBarBackgrounds()
{
    FBar->OnChange = nullptr;
}

void TcbBarBackgrounds::Assign(TPersistent* Source)
{
    if (auto* S = dynamic_cast<TcbBarBackgrounds*>(Source)) {
        SetBar(S->GetBar());
        SetSubMenu(S->GetSubMenu());
        return;
    }
    TPersistent::Assign(Source);
}

TPersistent* TcbBarBackgrounds::GetOwner() const
{
    return FBarManager;
}

void TcbBarBackgrounds::SetBar(TBitmap* Value)
{
    FBar->Assign(Value);
}

void TcbBarBackgrounds::SetSubMenu(TBitmap* Value)
{
    FSubMenu->Assign(Value);
}

// ---------------------------------------------------------------------------------------------
// TcbBarManagerCategories

struct TcbBarManagerCategories::TRecord : public TObject {
    uint8_t ItemsVisible = ivAlways;
    uint8_t LoadedItemsVisible = ivAlways;
    bool Visible = true;
    std::string ClassName() const override { return "TcbBarCategoryRecord"; }
};

TcbBarManagerCategories::TcbBarManagerCategories(TcbBarManager* ABarManager) : FBarManager(ABarManager)
{
    if (!FBarManager->IsLoading())
        Add(uiGetResourceString(cbsDefault));
    // From here on every change marks the manager modified.
    OnChange = [this](TObject* Sender) { ListChanged(Sender); };
}

TcbBarManagerCategories::~TcbBarManagerCategories()
{
    OnChange = nullptr;
    for (int32_t I = 0; I < GetCount(); ++I)
        delete RecordOf(I);
}

void TcbBarManagerCategories::ListChanged(TObject*)
{
    FBarManager->DesignerModified();
}

TcbBarManagerCategories::TRecord* TcbBarManagerCategories::RecordOf(int32_t Index) const
{
    if (Index < 0 || Index >= GetCount())
        return nullptr;
    return dynamic_cast<TRecord*>(GetObjects(Index));
}

TcbBarManagerCategories::TRecord* TcbBarManagerCategories::EnsureRecord(int32_t Index)
{
    if (TRecord* R = RecordOf(Index))
        return R;
    auto* R = new TRecord;
    SetObjects(Index, R);
    return R;
}

void TcbBarManagerCategories::FreeRecord(int32_t Index)
{
    if (TRecord* R = RecordOf(Index)) {
        SetObjects(Index, nullptr);
        delete R;
    }
}

bool TcbBarManagerCategories::KeepsItemsInStep() const
{
    return GetUpdateCount() == 0 && !FBarManager->IsLoading();
}

void TcbBarManagerCategories::Insert(int32_t Index, const std::string& S)
{
    TStringList::Insert(Index, S);
    if (!KeepsItemsInStep())
        return;
    for (TcbBarItem* Item : FBarManager->FItems)
        if (Item->FCategory >= Index)
            ++Item->FCategory;
}

void TcbBarManagerCategories::Delete(int32_t Index)
{
    if (Index < 0 || Index >= GetCount()) {
        TStringList::Delete(Index); // raises the list's index error
        return;
    }
    if (KeepsItemsInStep()) {
        std::vector<TcbBarItem*> Doomed;
        for (TcbBarItem* Item : FBarManager->FItems)
            if (Item->FCategory == Index)
                Doomed.push_back(Item);
        // An item's OnDestroy may free others: each is freed only while still the manager's.
        for (TcbBarItem* Item : Doomed)
            if (FBarManager->IndexOfItem(Item) >= 0)
                Item->Free();
        for (TcbBarItem* Item : FBarManager->FItems)
            if (Item->FCategory > Index)
                --Item->FCategory;
    }
    FreeRecord(Index);
    TStringList::Delete(Index);
    if (GetCount() == 0 && KeepsItemsInStep())
        Add(uiGetResourceString(cbsDefault));
}

void TcbBarManagerCategories::Clear()
{
    for (int32_t I = 0; I < GetCount(); ++I)
        FreeRecord(I);
    TStringList::Clear();
}

void TcbBarManagerCategories::Exchange(int32_t Index1, int32_t Index2)
{
    TStringList::Exchange(Index1, Index2);
    if (Index1 == Index2 || !KeepsItemsInStep())
        return;
    for (TcbBarItem* Item : FBarManager->FItems) {
        if (Item->FCategory == Index1)
            Item->FCategory = Index2;
        else if (Item->FCategory == Index2)
            Item->FCategory = Index1;
    }
}

void TcbBarManagerCategories::Move(int32_t CurIndex, int32_t NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    TStringList::Move(CurIndex, NewIndex);
    if (!KeepsItemsInStep())
        return;
    auto& Items = FBarManager->FItems;
    for (TcbBarItem* Item : Items)
        if (Item->FCategory == CurIndex)
            Item->FCategory = kMovingCategory;
    for (TcbBarItem* Item : Items) {
        int32_t& C = Item->FCategory;
        if (CurIndex < NewIndex && C > CurIndex && C <= NewIndex)
            --C;
        else if (CurIndex > NewIndex && C >= NewIndex && C < CurIndex)
            ++C;
    }
    for (TcbBarItem* Item : Items)
        if (Item->FCategory == kMovingCategory)
            Item->FCategory = NewIndex;
}

void TcbBarManagerCategories::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TStrings*>(Source);
    if (!S) {
        TStringList::Assign(Source);
        return;
    }
    if (S == this)
        return;
    auto* Other = dynamic_cast<TcbBarManagerCategories*>(Source);
    BeginUpdate();
    TScopeExit End([this] { EndUpdate(); });
    Clear();
    for (int32_t I = 0; I < S->GetCount(); ++I) {
        const int32_t Index = Add(S->GetStrings(I));
        if (const TRecord* From = Other ? Other->RecordOf(I) : nullptr)
            *EnsureRecord(Index) = *From;
    }
}

std::vector<int32_t> TcbBarManagerCategories::GetItemsVisibles() const
{
    std::vector<int32_t> Values;
    for (int32_t I = 0; I < GetCount(); ++I)
        Values.push_back(FBarManager->GetCategoryItemsVisible(I));
    return Values;
}

void TcbBarManagerCategories::SetItemsVisibles(const std::vector<int32_t>& Values)
{
    BeginUpdate();
    TScopeExit End([this] { EndUpdate(); });
    const int32_t N = std::min<int32_t>(GetCount(), static_cast<int32_t>(Values.size()));
    for (int32_t I = 0; I < N; ++I)
        if (ValidItemsVisible(Values[static_cast<size_t>(I)]))
            FBarManager->SetCategoryItemsVisible(I, static_cast<TcbBarItemVisible>(Values[static_cast<size_t>(I)]));
}

std::vector<bool> TcbBarManagerCategories::GetVisibles() const
{
    std::vector<bool> Values;
    for (int32_t I = 0; I < GetCount(); ++I)
        Values.push_back(FBarManager->GetCategoryVisible(I));
    return Values;
}

void TcbBarManagerCategories::SetVisibles(const std::vector<bool>& Values)
{
    BeginUpdate();
    TScopeExit End([this] { EndUpdate(); });
    const int32_t N = std::min<int32_t>(GetCount(), static_cast<int32_t>(Values.size()));
    for (int32_t I = 0; I < N; ++I)
        FBarManager->SetCategoryVisible(I, Values[static_cast<size_t>(I)]);
}

// ---------------------------------------------------------------------------------------------
// TcbBarGroup

TcbBarGroup::TcbBarGroup(TComponent* AOwner) : TComponent(AOwner) {}

TcbBarGroup::~TcbBarGroup()
{
    Destroying();
    if (FBarManager)
        FBarManager->RemoveGroup(this);
}

TComponent* TcbBarGroup::GetParentComponent() const
{
    return FBarManager;
}

void TcbBarGroup::SetParentComponent(TComponent* Value)
{
    auto* Manager = dynamic_cast<TcbBarManager*>(Value);
    if (!Manager || Manager == FBarManager)
        return;
    if (FBarManager)
        FBarManager->RemoveGroup(this);
    FBarManager = Manager;
    Manager->FGroups.push_back(this);
}

bool TcbBarGroup::Contains(const TcbBarGroup* Group) const
{
    // Whether this group can be reached from Group through member groups. Groups never form a
    // cycle, but the walk keeps a visited set so that a shared subgroup is looked at once.
    std::set<const TcbBarGroup*> Visited;
    std::vector<const TcbBarGroup*> Pending{Group};
    while (!Pending.empty()) {
        const TcbBarGroup* G = Pending.back();
        Pending.pop_back();
        if (G == this)
            return true;
        if (!Visited.insert(G).second)
            continue;
        for (TComponent* M : G->FMembers)
            if (auto* Sub = dynamic_cast<const TcbBarGroup*>(M))
                Pending.push_back(Sub);
    }
    return false;
}

void TcbBarGroup::Add(TComponent* Member)
{
    if (!Member || IndexOf(Member) >= 0)
        return;
    auto* Group = dynamic_cast<TcbBarGroup*>(Member);
    if (!Group && !dynamic_cast<TcbBarItem*>(Member))
        return;
    if (Group && Contains(Group))
        throw Exception(uiGetResourceString(cbsRecursiveGroups));
    FMembers.push_back(Member);
    Member->FreeNotification(this);
}

void TcbBarGroup::Remove(TComponent* Member)
{
    const int32_t I = IndexOf(Member);
    if (I < 0)
        return;
    FMembers.erase(FMembers.begin() + I);
    RemoveFreeNotification(Member);
}

int32_t TcbBarGroup::IndexOf(TComponent* Member) const
{
    const auto It = std::find(FMembers.begin(), FMembers.end(), Member);
    return It == FMembers.end() ? -1 : static_cast<int32_t>(It - FMembers.begin());
}

void TcbBarGroup::Move(int32_t CurIndex, int32_t NewIndex)
{
    if (CurIndex < 0 || CurIndex >= GetCount() || NewIndex < 0 || NewIndex >= GetCount() || CurIndex == NewIndex)
        return;
    TComponent* M = FMembers[static_cast<size_t>(CurIndex)];
    FMembers.erase(FMembers.begin() + CurIndex);
    FMembers.insert(FMembers.begin() + NewIndex, M);
}

TComponent* TcbBarGroup::GetItem(int32_t Index) const
{
    return Index >= 0 && Index < GetCount() ? FMembers[static_cast<size_t>(Index)] : nullptr;
}

int32_t TcbBarGroup::GetIndex() const
{
    if (!FBarManager)
        return -1;
    const auto& L = FBarManager->FGroups;
    const auto It = std::find(L.begin(), L.end(), this);
    return It == L.end() ? -1 : static_cast<int32_t>(It - L.begin());
}

void TcbBarGroup::SetIndex(int32_t Value)
{
    const int32_t Cur = GetIndex();
    if (Cur < 0 || Value < 0 || Value >= FBarManager->GetGroupCount() || Value == Cur)
        return;
    auto& L = FBarManager->FGroups;
    L.erase(L.begin() + Cur);
    L.insert(L.begin() + Value, this);
}

void TcbBarGroup::LockedForEachMember(const std::function<void(TComponent*)>& Action)
{
    const TComponentState State = GetComponentState();
    const bool Lock = FBarManager && !State.Contains(csLoading) && !State.Contains(csDestroying);
    const bool WasLocked = Lock && FBarManager->GetLockUpdate();
    if (Lock)
        FBarManager->SetLockUpdate(true);
    TScopeExit Restore([&] {
        if (Lock)
            FBarManager->SetLockUpdate(WasLocked);
    });
    // A member's setter may free members: the walk reads the list afresh at every step.
    for (size_t I = 0; I < FMembers.size(); ++I)
        Action(FMembers[I]);
}

void TcbBarGroup::SetEnabled(bool Value)
{
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    LockedForEachMember([Value](TComponent* M) {
        if (auto* Item = dynamic_cast<TcbBarItem*>(M))
            Item->SetEnabled(Value);
        else if (auto* Group = dynamic_cast<TcbBarGroup*>(M))
            Group->SetEnabled(Value);
    });
}

void TcbBarGroup::SetVisible(TcbBarItemVisible Value)
{
    if (Value == FVisible)
        return;
    FVisible = Value;
    LockedForEachMember([Value](TComponent* M) {
        if (auto* Item = dynamic_cast<TcbBarItem*>(M))
            Item->SetVisible(Value);
        else if (auto* Group = dynamic_cast<TcbBarGroup*>(M))
            Group->SetVisible(Value);
    });
}

std::vector<std::string> TcbBarGroup::GetItemNames() const
{
    std::vector<std::string> Names;
    for (TComponent* M : FMembers)
        Names.push_back(M->GetName());
    return Names;
}

void TcbBarGroup::SetItemNames(const std::vector<std::string>& Names)
{
    FLoadedNames = Names;
    if (!GetComponentState().Contains(csLoading))
        AddLoadedMembers();
}

void TcbBarGroup::Loaded()
{
    TComponent::Loaded();
    AddLoadedMembers();
}

void TcbBarGroup::AddLoadedMembers()
{
    std::vector<std::string> Names;
    Names.swap(FLoadedNames);
    TComponent* Root = GetOwner();
    if (!Root)
        return;
    for (const std::string& Name : Names)
        Add(Root->FindComponent(Name));
}

void TcbBarGroup::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) {
        const auto It = std::find(FMembers.begin(), FMembers.end(), AComponent);
        if (It != FMembers.end())
            FMembers.erase(It);
    }
}

void TcbBarGroup::SetName(const std::string& NewName)
{
    TComponent::SetName(NewName);
    cbCallExtension(cbExtensions().CustomizingFormGroupsChanged);
}

// ---------------------------------------------------------------------------------------------
// TcbBarManager: construction and destruction

TcbBarManager::TcbBarManager(TComponent* AOwner) : TComponent(ManagerOwner(AOwner))
{
    // Made on a form being designed, the manager is designing too (the owner passed it on).
    FDesigning = GetComponentState().Contains(csDesigning);
    auto* Form = dynamic_cast<TCustomForm*>(GetOwner());
    if (!Form)
        throw Exception(uiGetResourceString(cbsBarManagerOwner));
    if (BarManagers() && BarManagers()->ManagerOfForm(Form))
        throw Exception(uiGetResourceString(cbsSingleBarManager));
    FOwnerForm = Form;
    FCreationFailed = false;
    // First in the list, so that the form's other bar components find the manager as they load.
    InstallBarHooks(this);
    TScopeExit Failed([this] { RemoveBarHooks(this); });

    FBackgrounds = std::make_unique<TcbBarBackgrounds>(this);
    SelectPainter();
    FCategories = std::make_unique<TcbBarManagerCategories>(this);
    FBars = std::make_unique<TcbBars>(this);
    FFont = std::make_unique<TFont>();
    FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
    FHelpButtonGlyph = std::make_unique<TBitmap>();
    FHelpButtonGlyph->OnChange = [](TObject*) { cbCallExtension(cbExtensions().CustomizingFormUpdateHelpButton); };
    for (int K = 0; K < kImageListKinds; ++K) {
        FImageLinks[K] = std::make_unique<TChangeLink>();
        FImageLinks[K]->OnChange = [this, K](TObject*) { ImageListChanged(static_cast<TImageListKind>(K)); };
    }
    FThemeNotificator = std::make_unique<TcbThemeChangedNotificator>();
    // The theme's fill colour may have changed with it.
    FThemeNotificator->OnThemeChanged = [this] {
        MakeThemedBarBrush();
        UpdatePainter();
    };
    FLookAndFeel = std::make_unique<TuiLookAndFeel>(this);
    FLookAndFeel->OnChanged = [this](TuiLookAndFeel*, TuiLookAndFeelValues) { LookAndFeelChanged(); };
    // The default UseSystemFont takes the system's menu font at once, loading or not.
    FUseSystemFont = true;
    UpdateSystemFont();
    ComputeRecentUseStep();
    AcquireOffice11Colors();
    FOffice11ColorsAcquired = true;
    RecreateSharedBrushes();
    ApplyPainter();
    Failed.Dismiss();
    FInitialized = true;
}

TcbBarManager::~TcbBarManager()
{
    if (FCreationFailed)
        return;
    // A plain delete reaches here before the base marks the component destroying.
    Destroying();
    if (FFocusWatchTimer)
        ThreadTimerStop(FFocusWatchTimer);
    FFocusWatchTimer = 0;
    // Leaving customizing rebuilds the bars, whose layout asks for the style, which the
    // look-and-feel decides: it goes first. The look-and-feel itself stays to the end: the
    // menus, groups, bars and items freed below still ask for the style (GetRealStyle) as they
    // go. Its changes no longer reach the painter (LookAndFeelChanged asks IsDestroying).
    SetIsCustomizing(false);
    FThemeNotificator.reset();
    cbHintManagerDestroying(this);
    DeleteSharedBrushes();
    if (FOffice11ColorsAcquired) {
        FOffice11ColorsAcquired = false;
        ReleaseOffice11Colors();
    }
    while (!FPopupMenus.empty()) {
        TComponent* Menu = FPopupMenus.back();
        FPopupMenus.pop_back();
        Menu->Free();
    }
    for (auto& Link : FImageLinks)
        Link.reset();
    FHelpButtonGlyph.reset();
    while (!FGroups.empty()) {
        TcbBarGroup* Group = FGroups.front();
        FGroups.erase(FGroups.begin());
        Group->FBarManager = nullptr;
        Group->Free();
    }
    FFont.reset();
    if (FMenuFontHandle) {
        DeleteObject(FMenuFontHandle);
        FMenuFontHandle = nullptr;
    }
    FBars.reset();
    FDockControls.clear();
    while (!FItems.empty()) {
        TcbBarItem* Item = FItems.back();
        FItems.pop_back();
        Item->Free();
    }
    RemoveBarHooks(this);
    FCategories.reset();
    FBarsWaitingForWindow.clear();
    FBackgrounds.reset();
    FLookAndFeel.reset();
}

void TcbBarManager::SelectPainter()
{
    FThemesInUse = AreThemesInUse();
    const TcbBarManagerStyle Style = GetRealStyle();
    FPainter = Style == bmsXP && FThemesInUse ? ThemedXPPainter() : StylePainter(Style);
}

void TcbBarManager::UpdatePainter()
{
    // Cleared however the update ends, an exception of a window's refresh included.
    TFlagScope ChangingStyle(FChangingStyle);
    ApplyPainter();
    RebuildBarWindows();
    cbCallExtension(cbExtensions().CustomizingFormStyleChanged);
    RefreshDockControls();
    RepaintBarWindows();
}

void TcbBarManager::ApplyPainter()
{
    SelectPainter();
    FDockedBarBorderSize = FPainter->GetDockedBarBorderSize();
    FGripAreaSize = FPainter->GetGripAreaSize();
    FSubMenuGlyphColumnIndent = FPainter->GetSubMenuGlyphColumnIndent();
    CalcMetrics();
}

void TcbBarManager::CalcMetrics()
{
    FGlyphSize = (FLargeIcons ? 2 : 1) * 16;
    FButtonWidth = FGlyphSize + FPainter->GetButtonWidthIndent();
    FButtonHeight = FGlyphSize + FPainter->GetButtonHeightIndent();
    FRealButtonArrowWidth = FPainter->GetButtonArrowWidth(this);
}

void TcbBarManager::LookAndFeelChanged()
{
    if (!IsDestroying() && FInitialized)
        UpdatePainter();
}

// ---------------------------------------------------------------------------------------------
// Properties

void TcbBarManager::SetAutoDockColor(bool Value)
{
    if (Value == FAutoDockColor)
        return;
    FAutoDockColor = Value;
    if (IsLoading())
        return;
    MakeDockColorBrush();
    RefreshDockControls();
}

void TcbBarManager::SetAutoHideEmptyBars(bool Value)
{
    if (Value == FAutoHideEmptyBars)
        return;
    FAutoHideEmptyBars = Value;
    if (!Value)
        for (int32_t I = 0; I < FBars->GetCount(); ++I)
            FBars->GetItem(I)->SetHiddenBecauseEmpty(false);
}

void TcbBarManager::SetScaled(bool Value)
{
    if (Value == FScaled)
        return;
    FScaled = Value;
    if (Value && !FUseSystemFont && !IsLoading())
        UpdateSystemFont();
}

void TcbBarManager::SetFont(TFont* Value)
{
    FFont->Assign(Value);
}

void TcbBarManager::SetBackgrounds(TcbBarBackgrounds* Value)
{
    FBackgrounds->Assign(Value);
}

void TcbBarManager::SetBars(TcbBars* Value)
{
    FBars->Assign(Value);
}

void TcbBarManager::SetButtonArrowWidth(int32_t Value)
{
    if (Value < 2 || Value == FButtonArrowWidth)
        return;
    FButtonArrowWidth = Value;
    CalcMetrics();
    if (!IsLoading())
        RebuildBarWindows();
}

void TcbBarManager::SetCategories(TStrings* Value)
{
    FCategories->Assign(Value);
}

TColor TcbBarManager::GetDockColor() const
{
    return FAutoDockColor && FOwnerForm ? FOwnerForm->GetColor() : FDockColor;
}

void TcbBarManager::SetDockColor(TColor Value)
{
    // An explicit dock colour always ends the automatic one.
    if (!FAutoDockColor && Value == FDockColor)
        return;
    FDockColor = Value;
    FAutoDockColor = false;
    if (IsLoading())
        return;
    MakeDockColorBrush();
    RefreshDockControls();
}

void TcbBarManager::SetFlatCloseButton(bool Value)
{
    if (Value == FFlatCloseButton)
        return;
    FFlatCloseButton = Value;
    if (!IsLoading())
        MainMenuCloseButtonChanged();
}

void TcbBarManager::SetHelpButtonGlyph(TBitmap* Value)
{
    FHelpButtonGlyph->Assign(Value);
}

void TcbBarManager::SetHideFloatingBarsWhenInactive(bool Value)
{
    if (Value == FHideFloatingBarsWhenInactive)
        return;
    FHideFloatingBarsWhenInactive = Value;
    if (IsLoading() || FDesigning || IsDestroying() || !FOwnerForm || !FOwnerForm->HandleAllocated())
        return;
    // The floating bars follow the new rule at once, with the form's present activation.
    const HWND Active = GetActiveWindow();
    const bool FormActive = FActive || Active == FOwnerForm->GetHandle();
    SetActive(FormActive, false, FormActive ? nullptr : Active);
}

void TcbBarManager::SetImageListBkColor(TColor Value)
{
    if (Value == FImageListBkColor)
        return;
    FImageListBkColor = Value;
    if (!IsLoading())
        RepaintBarWindows();
}

TImageList*& TcbBarManager::ImageListField(TImageListKind Kind)
{
    switch (Kind) {
    case ilLargeImages:
        return FLargeImages;
    case ilHotImages:
        return FHotImages;
    case ilDisabledImages:
        return FDisabledImages;
    case ilDisabledLargeImages:
        return FDisabledLargeImages;
    case ilImages:
        break;
    }
    return FImages;
}

void TcbBarManager::SetImageList(TImageListKind Kind, TImageList* Value)
{
    TImageList*& Field = ImageListField(Kind);
    if (Field == Value)
        return;
    Field = Value;
    // The links go first when the manager is destroyed; the field is cleared all the same.
    if (FImageLinks[Kind])
        FImageLinks[Kind]->SetSender(Value);
    if (Value)
        Value->FreeNotification(this);
    if (!IsLoading() && !IsDestroying())
        RebuildBarWindows();
}

void TcbBarManager::ImageListChanged(TImageListKind Kind)
{
    if (Kind == ilImages && IsLoading())
        return;
    RebuildBarWindows();
}

void TcbBarManager::SetImages(TImageList* Value) { SetImageList(ilImages, Value); }
void TcbBarManager::SetLargeImages(TImageList* Value) { SetImageList(ilLargeImages, Value); }
void TcbBarManager::SetHotImages(TImageList* Value) { SetImageList(ilHotImages, Value); }
void TcbBarManager::SetDisabledImages(TImageList* Value) { SetImageList(ilDisabledImages, Value); }
void TcbBarManager::SetDisabledLargeImages(TImageList* Value) { SetImageList(ilDisabledLargeImages, Value); }

bool TcbBarManager::AnyImageListLoading() const
{
    for (const TImageList* L : {FImages, FLargeImages, FHotImages, FDisabledImages, FDisabledLargeImages})
        if (L && L->GetComponentState().Contains(csLoading))
            return true;
    return false;
}

void TcbBarManager::SetLargeButtonArrowWidth(int32_t Value)
{
    if (Value < 2 || Value == FLargeButtonArrowWidth)
        return;
    FLargeButtonArrowWidth = Value;
    if (!IsLoading())
        RebuildBarWindows();
}

void TcbBarManager::SetLargeIcons(bool Value)
{
    if (Value == FLargeIcons)
        return;
    FLargeIcons = Value;
    CalcMetrics();
    if (IsLoading())
        return;
    DesignerModified();
    OptionsChanged();
    RebuildBarWindows();
}

void TcbBarManager::SetLookAndFeel(TuiLookAndFeel* Value)
{
    FLookAndFeel->Assign(Value);
}

void TcbBarManager::SetMakeDisabledImagesFaded(bool Value)
{
    if (Value == FMakeDisabledImagesFaded)
        return;
    FMakeDisabledImagesFaded = Value;
    if (!IsLoading())
        RebuildBarWindows();
}

void TcbBarManager::SetMenuAnimations(TcbBarMenuAnimations Value)
{
    if (Value == FMenuAnimations)
        return;
    FMenuAnimations = Value;
    OptionsChanged();
}

void TcbBarManager::SetMenusShowRecentItemsFirst(bool Value)
{
    if (Value == FMenusShowRecentItemsFirst)
        return;
    FMenusShowRecentItemsFirst = Value;
    OptionsChanged();
}

void TcbBarManager::SetMostRecentItemsPercents(uint8_t Value)
{
    Value = std::min<uint8_t>(Value, 100);
    if (Value == FMostRecentItemsPercents)
        return;
    FMostRecentItemsPercents = Value;
    ComputeRecentUseStep();
}

void TcbBarManager::ComputeRecentUseStep()
{
    // The least N >= 1 with (100 - p) * N div 100 > 0, i.e. 100 / (100 - p) rounded up; 0 at 100 %.
    const int32_t Rest = 100 - FMostRecentItemsPercents;
    FRecentUseStep = Rest == 0 ? 0 : (100 + Rest - 1) / Rest;
}

void TcbBarManager::SetShowCloseButton(bool Value)
{
    if (Value == FShowCloseButton)
        return;
    FShowCloseButton = Value;
    if (!IsLoading())
        MainMenuCloseButtonChanged();
}

void TcbBarManager::MainMenuCloseButtonChanged()
{
    // The close button takes room on the main menu bar: a control selected there lets go first.
    TCustomcbBarControl* Window = FMainMenuBar ? FMainMenuBar->GetBarControl() : nullptr;
    if (!Window)
        return;
    if (FSelectedItemControl && FSelectedItemControl->GetBarControl() == Window)
        SetSelectedItemControl(nullptr);
    if (Window->HandleAllocated())
        Window->RebuildBar();
}

void TcbBarManager::SetShowFullMenusAfterDelay(bool Value)
{
    if (Value == FShowFullMenusAfterDelay)
        return;
    FShowFullMenusAfterDelay = Value;
    OptionsChanged();
}

void TcbBarManager::SetShowHelpButton(bool Value)
{
    if (Value == FShowHelpButton)
        return;
    FShowHelpButton = Value;
    if (!IsLoading())
        cbCallExtension(cbExtensions().CustomizingFormUpdateHelpButton);
}

void TcbBarManager::SetShowHint(bool Value)
{
    if (Value == FShowHint)
        return;
    FShowHint = Value;
    OptionsChanged();
}

void TcbBarManager::SetShowShortCutInHint(bool Value)
{
    if (Value == FShowShortCutInHint)
        return;
    FShowShortCutInHint = Value;
    OptionsChanged();
}

void TcbBarManager::SetStyle(TcbBarManagerStyle Value)
{
    if (Value == FStyle)
        return;
    FStyle = Value;
    if (FInitialized && !IsLoading())
        UpdatePainter();
}

void TcbBarManager::SetSunkenBorder(bool Value)
{
    if (Value == FSunkenBorder)
        return;
    FSunkenBorder = Value;
    if (!IsLoading())
        RefreshDockControls();
}

void TcbBarManager::SetUseSystemFont(bool Value)
{
    if (Value == FUseSystemFont)
        return;
    FUseSystemFont = Value;
    if (Value && !IsLoading())
        UpdateSystemFont();
}

void TcbBarManager::SetWaitForDockingTime(int32_t Value)
{
    if (Value >= 0)
        FWaitForDockingTime = Value;
}

std::vector<int32_t> TcbBarManager::GetDockControlHeights() const
{
    std::vector<int32_t> Values = FDockControlHeights;
    Values.resize(4, 0);
    // The edge sites' sizes as they are now: left and right widths, top and bottom heights.
    if (FBars) {
        static constexpr TcbBarDockingStyle kOrder[4] = {dsLeft, dsRight, dsTop, dsBottom};
        for (size_t I = 0; I < 4; ++I)
            if (TcbDockControl* Site = FBars->GetDockControl(kOrder[I]))
                Values[I] = I < 2 ? Site->GetWidth() : Site->GetHeight();
    }
    return Values;
}

void TcbBarManager::SetDockControlHeights(const std::vector<int32_t>& Values)
{
    FDockControlHeights.assign(Values.begin(), Values.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(Values.size(), 4)));
    // Left and right widths, then top and bottom heights, into the edge sites.
    if (!FBars)
        return;
    static constexpr TcbBarDockingStyle kOrder[4] = {dsLeft, dsRight, dsTop, dsBottom};
    for (size_t I = 0; I < FDockControlHeights.size(); ++I)
        if (TcbDockControl* Site = FBars->GetDockControl(kOrder[I])) {
            const int32_t Size = std::max(FDockControlHeights[I], 0);
            if (I < 2)
                Site->SetBounds(Site->GetLeft(), Site->GetTop(), Size, Site->GetHeight());
            else
                Site->SetBounds(Site->GetLeft(), Site->GetTop(), Site->GetWidth(), Size);
        }
}

// ---------------------------------------------------------------------------------------------
// Events and commands

void TcbBarManager::DoClickItem(TcbBarItem* Item)
{
    if (OnClickItem)
        OnClickItem(this, Item);
}

void TcbBarManager::DoBarAfterReset(TcbBar* Bar)
{
    if (OnBarAfterReset)
        OnBarAfterReset(this, Bar);
}

void TcbBarManager::DoBarBeforeReset(TcbBar* Bar)
{
    if (OnBarBeforeReset)
        OnBarBeforeReset(this, Bar);
}

void TcbBarManager::DoBarClose(TcbBar* Bar)
{
    if (OnBarClose)
        OnBarClose(this, Bar);
}

void TcbBarManager::DoBarDockingStyleChange(TcbBar* Bar)
{
    if (FBars->IsLoading())
        return;
    if (OnBarDockingStyleChange)
        OnBarDockingStyleChange(this, Bar);
    DesignerModified();
}

void TcbBarManager::DoCloseButtonClick()
{
    if (OnCloseButtonClick)
        OnCloseButtonClick(this);
}

void TcbBarManager::DoHelpButtonClick()
{
    if (OnHelpButtonClick)
        OnHelpButtonClick(this);
}

void TcbBarManager::DoShowCustomizingPopup(TcbBarItemLinks* PopupItemLinks)
{
    if (OnShowCustomizingPopup)
        OnShowCustomizingPopup(this, PopupItemLinks);
}

void TcbBarManager::DoShowToolbarsPopup(TcbBarItemLinks* PopupItemLinks)
{
    if (OnShowToolbarsPopup)
        OnShowToolbarsPopup(this, PopupItemLinks);
}

void TcbBarManager::DoBarAdd(TcbBar* Bar)
{
    if (OnBarAdd)
        OnBarAdd(this, Bar);
}

void TcbBarManager::DoBarDelete(TcbBar* Bar)
{
    if (OnBarDelete)
        OnBarDelete(this, Bar);
}

void TcbBarManager::DoBarVisibleChange(TcbBar* Bar)
{
    if (OnBarVisibleChange)
        OnBarVisibleChange(this, Bar);
}

void TcbBarManager::DoItemLinkAdd(TcbBarItemLink* Link)
{
    if (OnItemLinkAdd)
        OnItemLinkAdd(this, Link);
}

void TcbBarManager::DoItemLinkChange(TcbBarItemLink* Link)
{
    if (OnItemLinkChange)
        OnItemLinkChange(this, Link);
}

void TcbBarManager::DoItemLinkDelete(TcbBarItemLink* Link)
{
    if (OnItemLinkDelete)
        OnItemLinkDelete(this, Link);
}

void TcbBarManager::DesignerModified()
{
    if (!FInitialized || IsLoading() || IsDestroying())
        return;
    FModified = true;
    if (!FDesigning || FRestoringDockControls || AnyImageListLoading())
        return;
    if (IFormDesigner* Designer = FOwnerForm->GetDesigner())
        Designer->Modified();
}

void BarDesignerModified(TcbBarManager* Manager)
{
    if (Manager)
        Manager->DesignerModified();
}

void TcbBarManager::ItemChanged(TcbBarItem* Item)
{
    if (!IsDestroying())
        cbCallExtension(cbExtensions().CustomizingFormCategoryChanged, Item);
}

void TcbBarManager::OptionsChanged()
{
    if (IsLoading())
        return;
    DesignerModified();
    cbCallExtension(cbExtensions().CustomizingFormUpdateOptions);
}

// ---------------------------------------------------------------------------------------------
// Items, groups and bars

TcbBarItem* TcbBarManager::GetItem(int32_t Index) const
{
    return Index >= 0 && Index < GetItemCount() ? FItems[static_cast<size_t>(Index)] : nullptr;
}

int32_t TcbBarManager::IndexOfItem(const TcbBarItem* Item) const
{
    const auto It = std::find(FItems.begin(), FItems.end(), Item);
    return It == FItems.end() ? -1 : static_cast<int32_t>(It - FItems.begin());
}

void TcbBarManager::AddItem(TcbBarItem* Item)
{
    if (IndexOfItem(Item) < 0)
        FItems.push_back(Item);
}

void TcbBarManager::RemoveItem(TcbBarItem* Item)
{
    const auto It = std::find(FItems.begin(), FItems.end(), Item);
    if (It != FItems.end())
        FItems.erase(It);
    if (FDraggingItem == Item)
        FDraggingItem = nullptr;
}

void TcbBarManager::ExchangeItems(int32_t Index1, int32_t Index2)
{
    if (Index1 < 0 || Index1 >= GetItemCount() || Index2 < 0 || Index2 >= GetItemCount())
        return;
    std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
    DesignerModified();
}

TcbBarGroup* TcbBarManager::AddGroup()
{
    auto* Group = new TcbBarGroup(FOwnerForm);
    Group->SetParentComponent(this);
    return Group;
}

TcbBarGroup* TcbBarManager::GetGroup(int32_t Index) const
{
    return Index >= 0 && Index < GetGroupCount() ? FGroups[static_cast<size_t>(Index)] : nullptr;
}

void TcbBarManager::RemoveGroup(TcbBarGroup* Group)
{
    const auto It = std::find(FGroups.begin(), FGroups.end(), Group);
    if (It != FGroups.end())
        FGroups.erase(It);
}

TcbBar* TcbBarManager::BarByCaption(const std::string& Caption) const
{
    for (int32_t I = 0; I < FBars->GetCount(); ++I)
        if (FBars->GetItem(I)->GetCaption() == Caption)
            return FBars->GetItem(I);
    return nullptr;
}

TcbBar* TcbBarManager::BarByName(const std::string& Name) const
{
    for (int32_t I = 0; I < FBars->GetCount(); ++I)
        if (FBars->GetItem(I)->GetName() == Name)
            return FBars->GetItem(I);
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Categories

TcbBarItemVisible TcbBarManager::GetCategoryItemsVisible(int32_t Index) const
{
    if (Index < 0 || Index >= FCategories->GetCount())
        return ivNever;
    const auto* R = FCategories->RecordOf(Index);
    return R ? static_cast<TcbBarItemVisible>(R->ItemsVisible) : ivAlways;
}

bool TcbBarManager::GetCategoryVisible(int32_t Index) const
{
    if (Index < 0 || Index >= FCategories->GetCount())
        return false;
    const auto* R = FCategories->RecordOf(Index);
    return R ? R->Visible : true;
}

int32_t TcbBarManager::GetCategoryRealIndex(int32_t N) const
{
    if (FDesigning)
        return N >= 0 && N < FCategories->GetCount() ? N : -1;
    int32_t Seen = -1;
    for (int32_t I = 0; I < FCategories->GetCount(); ++I)
        if (GetCategoryVisible(I) && ++Seen == N)
            return I;
    return -1;
}

int32_t TcbBarManager::GetItemsByCategory(int32_t Category, std::vector<TcbBarItem*>& List) const
{
    List.clear();
    for (TcbBarItem* Item : FItems)
        if (Item->GetCategory() == Category && (FDesigning || Item->IsVisibleInBars()))
            List.push_back(Item);
    return static_cast<int32_t>(List.size());
}

void TcbBarManager::SetCategoryVisible(int32_t Index, bool Value)
{
    if (Index < 0 || Index >= FCategories->GetCount() || Value == GetCategoryVisible(Index))
        return;
    FCategories->EnsureRecord(Index)->Visible = Value;
    DesignerModified();
}

void TcbBarManager::SetCategoryItemsVisible(int32_t Index, TcbBarItemVisible Value)
{
    if (Index < 0 || Index >= FCategories->GetCount())
        return;
    const TcbBarItemVisible Old = GetCategoryItemsVisible(Index);
    auto* R = FCategories->EnsureRecord(Index);
    if (IsLoading()) {
        R->LoadedItemsVisible = static_cast<uint8_t>(Value);
        return;
    }
    R->ItemsVisible = static_cast<uint8_t>(Value);
    const bool WasLocked = FLockUpdate;
    const bool AutoHide = !FDesigning && FAutoHideEmptyBars;
    auto HasVisibleLinks = [](TcbBar* Bar) { return Bar->GetItemLinks()->GetVisibleItemCount() > 0; };
    std::vector<TcbBar*> HadLinks;
    if (!FDesigning) {
        if (AutoHide)
            for (int32_t I = 0; I < FBars->GetCount(); ++I)
                if (HasVisibleLinks(FBars->GetItem(I)))
                    HadLinks.push_back(FBars->GetItem(I));
        SetLockUpdate(true);
    }
    TScopeExit Restore([&] {
        if (!FDesigning)
            SetLockUpdate(WasLocked);
    });

    std::vector<TcbBarItem*> Items;
    for (TcbBarItem* Item : FItems)
        if (Item->GetCategory() == Index)
            Items.push_back(Item);
    if (Value == ivAlways)
        std::reverse(Items.begin(), Items.end());
    for (TcbBarItem* Item : Items)
        if (IndexOfItem(Item) >= 0 && Item->GetVisible() == Old)
            Item->SetVisible(Value);

    if (AutoHide) {
        if (Value == ivNever) {
            // Only bars on show: a bar the user has hidden must not come back with the category.
            for (TcbBar* Bar : HadLinks)
                if (Bar->GetVisible() && !HasVisibleLinks(Bar)) {
                    Bar->SetVisible(false);
                    Bar->SetHiddenBecauseEmpty(true);
                }
        } else if (Value == ivAlways) {
            for (int32_t I = 0; I < FBars->GetCount(); ++I) {
                TcbBar* Bar = FBars->GetItem(I);
                if (Bar->IsHiddenBecauseEmpty() && HasVisibleLinks(Bar)) {
                    Bar->SetHiddenBecauseEmpty(false);
                    Bar->SetVisible(true);
                }
            }
        }
    }
    if (Value != Old)
        DesignerModified();
}

// ---------------------------------------------------------------------------------------------
// Modes and state

void TcbBarManager::SetIsCustomizing(bool Value)
{
    if (Value == FIsCustomizing)
        return;
    if (Value && cbCallExtension(cbExtensions().GetCustomizingForm))
        return;
    // Every bar window closes its menus and drops its controls; the links are rebuilt under the
    // new mode, and the windows make the controls of the links they now show.
    std::vector<TCustomcbBarControl*> Windows;
    for (TCustomcbBarControl* Window : TCustomcbBarControl::LiveBarControls())
        if (Window->GetBarManager() == this)
            Windows.push_back(Window);
    for (TCustomcbBarControl* Window : Windows)
        if (TCustomcbBarControl::IsLiveBarControl(Window))
            Window->HideAll();
    for (TCustomcbBarControl* Window : Windows)
        if (TCustomcbBarControl::IsLiveBarControl(Window))
            Window->DestroyControls();
    FSelectedItemControl = nullptr;
    FIsCustomizing = Value;
    for (TcbBarItemLinks* Links : AllItemLinks())
        Links->RebuildLists();
    for (TCustomcbBarControl* Window : Windows)
        if (TCustomcbBarControl::IsLiveBarControl(Window) && Window->HandleAllocated())
            Window->CreateControls();
    cbCallExtension(cbExtensions().ShowCustomizingForm, this, Value);
    for (TCustomcbBarControl* Window : Windows)
        if (TCustomcbBarControl::IsLiveBarControl(Window)) {
            Window->UpdateCustomBackgroundFlag();
            Window->RebuildBar();
        }
    RebuildBarWindows();
}

void TcbBarManager::SetLockUpdate(bool Value)
{
    if (Value == FLockUpdate)
        return;
    FLockUpdate = Value;
    const std::vector<TcbDockControl*> Sites = DockSites();
    for (TcbDockControl* Site : Sites)
        if (Site->HandleAllocated())
            SendMessageA(Site->GetHandle(), WM_SETREDRAW, Value ? FALSE : TRUE, 0);
    for (int32_t I = 0; I < FBars->GetCount(); ++I)
        FBars->GetItem(I)->SetLockUpdate(Value);
    if (Value)
        return;
    // Turning redrawing back on repaints nothing: a site changed meanwhile is laid out again and
    // redrawn whole, frame and bars included.
    for (TcbDockControl* Site : Sites)
        if (Site->HandleAllocated()) {
            Site->UpdateDock();
            SendMessageA(Site->GetHandle(), WM_NCPAINT, 1, 0);
            RedrawWindow(Site->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        }
    RebuildBarWindows();
}

bool TcbBarManager::CanReset() const
{
    return FAllowReset && FReadStateCount == 1;
}

TcbBarManagerStyle TcbBarManager::GetRealStyle() const
{
    if (FStyle != bmsUseLookAndFeel)
        return FStyle;
    if (FLookAndFeel->GetNativeStyle() && FThemesInUse)
        return bmsXP;
    switch (FLookAndFeel->GetKind()) {
    case lfFlat:
        return bmsEnhanced;
    case lfStandard:
        return bmsStandard;
    case lfUltraFlat:
        break;
    }
    return bmsFlat;
}

void TcbBarManager::SetSelectedItemControl(TcbBarItemControl* Value)
{
    if (Value == FSelectedItemControl)
        return;
    TcbBarItemControl* Previous = IsLiveItemControl(FSelectedItemControl) ? FSelectedItemControl : nullptr;
    bool CloseEditorMenu = false;
    if (IsCustomizingOrDesigning() && Previous) {
        TCustomcbBarControl* Old = Previous->GetBarControl();
        if (!Value || Value->GetBarControl() != Old) {
            // The sub-menu editor's menu goes when the selection leaves it for a window that
            // does not hang from it; any other window only drops its own selection.
            if (Old && Old == cbCallExtension(cbExtensions().GetSubMenuEditorMenu) &&
                !(Value && Old->IsAncestorOf(Value->GetBarControl())))
                CloseEditorMenu = true;
            else if (Old->GetSelectedControl() == Previous)
                Old->SetSelectedControl(nullptr);
        }
    }
    FSelectedItemControl = Value;
    if (CloseEditorMenu) {
        cbCallExtension(cbExtensions().CloseSubMenuEditorMenu);
        Previous = nullptr;
    }
    if (Previous && IsLiveItemControl(Previous) && !FItemLinkDragging)
        Previous->Repaint();
    if (Value && FDesigning && !FItemLinkDragging)
        cbCallExtension(cbExtensions().CustomizingFormSelectItem, Value->GetItem(), false);
}

HWND TcbBarManager::GetCaptureWindow() const
{
    if (TCustomForm* Dialog = cbCallExtension(cbExtensions().GetCustomizingForm))
        return Dialog->GetHandle();
    return FOwnerForm->GetHandle();
}

// ---------------------------------------------------------------------------------------------
// Fonts

void TcbBarManager::UpdateSystemFont()
{
    NONCLIENTMETRICSA Metrics{};
    Metrics.cbSize = kNonClientMetricsSize;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &Metrics, 0))
        return;
    TFlagScope Taking(FTakingSystemFont);
    if (FUseSystemFont) {
        HFONT Menu = CreateFontIndirectA(&Metrics.lfMenuFont);
        if (!Menu)
            return;
        TScopeExit Free([Menu] { DeleteObject(Menu); });
        FFont->SetHandle(Menu);
    } else if (FScaled) {
        FFont->SetHeight(Metrics.lfMenuFont.lfHeight);
    }
}

void TcbBarManager::FontChanged(TObject*)
{
    if (FFontHandlerDetached)
        return;
    if (!FTakingSystemFont) {
        FUseSystemFont = false;
        if (FScaled) {
            // The height follows the system's; that change is not handled again.
            TFlagScope Detached(FFontHandlerDetached);
            UpdateSystemFont();
        }
    }
    CreateMenuFontHandle(FFont.get(), FMenuFontHandle, false);
    for (int32_t I = 0; I < FBars->GetCount(); ++I)
        FBars->GetItem(I)->ManagerFontChanged();
    for (TComponent* Menu : FPopupMenus)
        if (auto* Popup = dynamic_cast<TcbBarPopupMenu*>(Menu))
            Popup->ManagerFontChanged();
}

// ---------------------------------------------------------------------------------------------
// Colours and brushes

TColor TcbBarManager::GetFlatSelectedColor() const
{
    return NearestScreenColor11(GetBlendedSystemColor(-2, 30, 72));
}

TColor TcbBarManager::GetFlatCheckedItemColor() const
{
    return NearestScreenColor11(GetBlendedSystemColor(11, 9, 73));
}

TColor TcbBarManager::GetFlatItemColor() const
{
    return NearestScreenColor11(GetBlendedSystemColor(14, 44, 40));
}

void TcbBarManager::DeleteSharedBrushes()
{
    for (HBRUSH* B : {&FFlatFrameBrush, &FFlatBarBrush, &FFlatCheckedItemBrush, &FFlatItemBrush,
                      &FFlatSelectedItemBrush, &FDockColorBrush, &FThemedBarBrush})
        DeleteBrush(*B);
}

void TcbBarManager::RecreateSharedBrushes()
{
    // The new set is made before the old one goes, so no caller holding an old handle can
    // mistake a new brush for it.
    HBRUSH Old[] = {FFlatFrameBrush, FFlatBarBrush, FFlatCheckedItemBrush, FFlatItemBrush, FFlatSelectedItemBrush};
    FFlatFrameBrush = SolidBrush(FlatFrameColor());
    FFlatBarBrush = SolidBrush(FlatBarColor());
    FFlatCheckedItemBrush = SolidBrush(GetFlatCheckedItemColor());
    FFlatItemBrush = SolidBrush(GetFlatItemColor());
    FFlatSelectedItemBrush = SolidBrush(GetFlatSelectedColor());
    for (HBRUSH& B : Old)
        DeleteBrush(B);
    MakeDockColorBrush();
    MakeThemedBarBrush();
}

void TcbBarManager::MakeThemedBarBrush()
{
    HBRUSH Old = FThemedBarBrush;
    FThemedBarBrush = SolidBrush(GetToolbarThemeFillColor());
    DeleteBrush(Old);
}

void TcbBarManager::MakeDockColorBrush()
{
    HBRUSH Old = FDockColorBrush;
    FDockColorBrush = SolidBrush(GetDockColor());
    DeleteBrush(Old);
}

// ---------------------------------------------------------------------------------------------
// Registrations

void TcbBarManager::RegisterDockControl(TcbBarDockControl* DockControl)
{
    if (DockControl && !IsOwnDockControl(DockControl))
        FDockControls.push_back(DockControl);
}

void TcbBarManager::UnregisterDockControl(TcbBarDockControl* DockControl)
{
    FDockControls.erase(std::remove(FDockControls.begin(), FDockControls.end(), DockControl), FDockControls.end());
}

bool TcbBarManager::IsOwnDockControl(const TcbBarDockControl* DockControl) const
{
    return std::find(FDockControls.begin(), FDockControls.end(), DockControl) != FDockControls.end();
}

void TcbBarManager::RegisterPopupMenu(TComponent* PopupMenu)
{
    if (PopupMenu && std::find(FPopupMenus.begin(), FPopupMenus.end(), PopupMenu) == FPopupMenus.end())
        FPopupMenus.push_back(PopupMenu);
}

TComponent* TcbBarManager::GetPopupMenu(int32_t Index) const
{
    return Index >= 0 && Index < GetPopupMenuCount() ? FPopupMenus[static_cast<size_t>(Index)] : nullptr;
}

TcbBarPopupMenuLinks* TcbBarManager::GetPopupMenuLinks()
{
    if (!FPopupMenuLinks)
        FPopupMenuLinks = std::make_unique<TcbBarPopupMenuLinks>(this);
    return FPopupMenuLinks.get();
}

void TcbBarManager::UnregisterPopupMenu(TComponent* PopupMenu)
{
    FPopupMenus.erase(std::remove(FPopupMenus.begin(), FPopupMenus.end(), PopupMenu), FPopupMenus.end());
}

void TcbBarManager::RegisterItemLinks(TcbBarItemLinks* Links)
{
    if (std::find(FItemLinksLists.begin(), FItemLinksLists.end(), Links) == FItemLinksLists.end())
        FItemLinksLists.push_back(Links);
}

void TcbBarManager::UnregisterItemLinks(TcbBarItemLinks* Links)
{
    FItemLinksLists.erase(std::remove(FItemLinksLists.begin(), FItemLinksLists.end(), Links), FItemLinksLists.end());
}

std::vector<TcbBarItemLinks*> TcbBarManager::AllItemLinks() const
{
    std::vector<TcbBarItemLinks*> Result;
    for (int32_t I = 0; I < FBars->GetCount(); ++I)
        Result.push_back(FBars->GetItem(I)->GetItemLinks());
    auto Listed = [&](TcbBarItemLinks* L) { return std::find(Result.begin(), Result.end(), L) != Result.end(); };
    // The sub-items' lists in item order, then the rest (the popup menus').
    for (TcbBarItem* Item : FItems)
        for (TcbBarItemLinks* L : FItemLinksLists)
            if (L->GetOwner() == Item && !Listed(L))
                Result.push_back(L);
    for (TcbBarItemLinks* L : FItemLinksLists)
        if (!Listed(L))
            Result.push_back(L);
    return Result;
}

// ---------------------------------------------------------------------------------------------
// The window side

void TcbBarManager::RebuildBarWindows()
{
    for (int32_t I = 0; I < FBars->GetCount(); ++I)
        FBars->GetItem(I)->WindowChanged(bwcRebuild);
    // A rebuild may free windows: the list is walked over a copy, each still checked.
    const std::vector<TCustomcbBarControl*> Windows = TCustomcbBarControl::LiveBarControls();
    for (TCustomcbBarControl* Window : Windows)
        if (TCustomcbBarControl::IsLiveBarControl(Window) && Window->GetBarManager() == this) {
            Window->ResetBackgroundCache();
            Window->RebuildBar();
        }
}

void TcbBarManager::RepaintBarWindows()
{
    for (int32_t I = 0; I < FBars->GetCount(); ++I)
        FBars->GetItem(I)->WindowChanged(bwcFrameRefresh);
    for (TCustomcbBarControl* Window : TCustomcbBarControl::LiveBarControls())
        if (Window->GetBarManager() == this && Window->HandleAllocated()) {
            Window->ResetBackgroundCache();
            Window->Invalidate();
        }
}

void TcbBarManager::RefreshDockControls()
{
    // Every site takes the dock colour and its border again; its cached background goes with
    // the style, theme or colours it was drawn in.
    for (TcbDockControl* Site : DockSites()) {
        Site->ResetBackgroundCache();
        Site->UpdateColor();
        if (Site->HandleAllocated()) {
            SetWindowPos(Site->GetHandle(), nullptr, 0, 0, 0, 0,
                         SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            Site->UpdateDock();
            RedrawWindow(Site->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        }
    }
}

std::vector<TcbDockControl*> TcbBarManager::DockSites() const
{
    std::vector<TcbDockControl*> Sites;
    if (FBars)
        for (TcbBarDockingStyle Style : {dsLeft, dsTop, dsRight, dsBottom})
            if (TcbDockControl* Site = FBars->GetDockControl(Style))
                Sites.push_back(Site);
    for (TcbBarDockControl* Site : FDockControls)
        Sites.push_back(Site);
    return Sites;
}

void TcbBarManager::SystemColorsChanged()
{
    for (TcbDockControl* Site : DockSites())
        Site->ResetBackgroundCache();
    for (TCustomcbBarControl* Window : TCustomcbBarControl::LiveBarControls())
        if (Window->GetBarManager() == this)
            Window->ResetBackgroundCache();
    RefreshDockControls();
    RepaintBarWindows();
}

bool TcbBarManager::CanDocking(TcbBar* Bar, TcbBarDockingStyle Style, TcbDockControl* DockControl)
{
    bool Result = false;
    if (Bar && !Bar->GetNotDocking().Contains(Style)) {
        auto* Placeable = dynamic_cast<TcbBarDockControl*>(DockControl);
        if (!Placeable)
            Result = !FNotDocking.Contains(Style);
        else
            Result = Placeable->CanDock(Bar);
    }
    if (OnDocking)
        OnDocking(Bar, Style, dynamic_cast<TcbBarDockControl*>(DockControl), Result);
    return Result;
}

void TcbBarManager::DockControlRemoved(TcbBarDockControl* DockControl)
{
    if (!DockControl || !IsOwnDockControl(DockControl))
        return;
    if (FBars)
        for (int32_t I = 0; I < FBars->GetCount(); ++I) {
            TcbBar* Bar = FBars->GetItem(I);
            const bool OnIt = Bar->GetDockControl() == DockControl;
            if (OnIt && Bar->GetVisible() && !IsDestroying())
                Bar->SetVisible(false);
            Bar->ForgetDockControl(DockControl);
        }
    UnregisterDockControl(DockControl);
    DockControl->SetParentColor(true);
}

// ---------------------------------------------------------------------------------------------
// Component overrides

void TcbBarManager::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) const
{
    for (TcbBarItem* Item : FItems)
        if (Item->GetOwner() == Root && Item->GetCategory() > -1)
            Proc(Item);
    for (TcbBarGroup* Group : FGroups)
        if (Group->GetOwner() == Root)
            Proc(Group);
}

void TcbBarManager::ReadState()
{
    ++FReadStateCount;
    TComponent::ReadState();
}

void TcbBarManager::Loaded()
{
    TComponent::Loaded();
    // The style and look-and-feel read from the design only stored their values.
    ApplyPainter();
    if (FLockUpdate)
        return;
    FBars->SetLoading(true);
    TScopeExit EndLoading([this] { FBars->SetLoading(false); });
    const std::vector<TcbBarItem*> Items = FItems;
    for (TcbBarItem* Item : Items)
        if (IndexOfItem(Item) >= 0)
            Item->SetVisible(Item->GetLoadedVisible());
    for (int32_t I = 0; I < FBars->GetCount(); ++I)
        FBars->GetItem(I)->ApplyLoadedState();
    // The sub-items' menus took their links while loading as well: without this they would
    // open empty.
    for (TcbBarItemLinks* Links : AllItemLinks())
        if (dynamic_cast<TcbBarItem*>(Links->GetOwner()))
            Links->ApplyLoadedState();
    if (!FDesigning && !IsRestoringFormDesign()) {
        if (FStoreInRegistry)
            cbCallExtension(cbExtensions().LoadFromRegistry, this, FRegistryPath);
        if (FStoreInIniFile)
            cbCallExtension(cbExtensions().LoadFromIniFile, this, FIniFileName);
    }
    FBars->SetLoading(false);
    for (int32_t I = 0; I < FCategories->GetCount(); ++I)
        if (const auto* R = FCategories->RecordOf(I))
            SetCategoryItemsVisible(I, static_cast<TcbBarItemVisible>(R->LoadedItemsVisible));
    // The dock controls kept their sizes while the bars loaded: they lay their bars out again.
    TFlagScope Restoring(FRestoringDockControls);
    const std::vector<TcbBarDockControl*> Sites = FDockControls;
    for (TcbBarDockControl* Site : Sites)
        if (IsOwnDockControl(Site))
            Site->UpdateDock();
}

void TcbBarManager::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent)
        return;
    for (int K = 0; K < kImageListKinds; ++K)
        if (ImageListField(static_cast<TImageListKind>(K)) == AComponent)
            SetImageList(static_cast<TImageListKind>(K), nullptr);
    // A popup menu freed by its owner is no longer the manager's to free.
    UnregisterPopupMenu(AComponent);
    if (FPopupMenuLinks)
        FPopupMenuLinks->ComponentRemoved(AComponent);
}

void TcbBarManager::SetName(const std::string& NewName)
{
    const std::string OldName = GetName();
    TComponent::SetName(NewName);
    // A first name gives no prefix to replace, and an empty one none to give.
    if (!FDesigning || OldName.empty() || NewName.empty() || NewName == OldName)
        return;
    const std::vector<TcbBarItem*> Items = FItems;
    for (TcbBarItem* Item : Items) {
        const std::string& Name = Item->GetName();
        if (Item->GetOwner() == GetOwner() && Name.size() > OldName.size() &&
            SameText(std::string_view(Name).substr(0, OldName.size()), OldName))
            Item->SetName(NewName + Name.substr(OldName.size()));
    }
}

// ---------------------------------------------------------------------------------------------
// Layout storage

TcbBarDockControl* TcbBarManager::FindDockControl(const std::string& Text) const
{
    if (Text.empty())
        return nullptr;
    TComponent* Component = nullptr;
    const size_t Dot = Text.find('.');
    if (Dot == std::string::npos)
        Component = FindNestedComponent(FOwnerForm, Text);
    else
        Component = FindNestedComponent(FindGlobalComponent(std::string_view(Text).substr(0, Dot)),
                                         std::string_view(Text).substr(Dot + 1));
    if (!Component)
        return nullptr;
    TcbBarDockControl* DockControl = AsDockControl(Component);
    if (!DockControl)
        throw EInvalidCast(Format("'%s' is not a dock site", Text));
    return DockControl;
}

TcbBarDockControl* TcbBarManager::AsDockControl(TComponent* Component)
{
    return dynamic_cast<TcbBarDockControl*>(Component);
}

TComponent* TcbBarManager::DockControlComponent(TcbBarDockControl* DockControl)
{
    return DockControl;
}

void TcbBarManager::SaveLayout()
{
    if (FDesigning)
        return;
    if (FStoreInRegistry)
        cbCallExtension(cbExtensions().SaveToRegistry, this, FRegistryPath);
    if (FStoreInIniFile)
        cbCallExtension(cbExtensions().SaveToIniFile, this, FIniFileName);
}

// ---------------------------------------------------------------------------------------------
// The manager list

TcbBarManagerList::~TcbBarManagerList()
{
    while (!FList.Items().empty()) {
        TcbBarManager* Manager = FList.Items().front();
        Manager->Free();
        // A manager leaves the list as it goes; one that did not must not stop the loop.
        FList.Remove(Manager);
    }
}

TcbBarManager* TcbBarManagerList::GetItem(int32_t Index) const
{
    return Index >= 0 && Index < GetCount() ? FList.Items()[static_cast<size_t>(Index)] : nullptr;
}

int32_t TcbBarManagerList::IndexOf(const TcbBarManager* Manager) const
{
    const std::vector<TcbBarManager*>& Items = FList.Items();
    const auto It = std::find(Items.begin(), Items.end(), Manager);
    return It == Items.end() ? -1 : static_cast<int32_t>(It - Items.begin());
}

TcbBarManager* TcbBarManagerList::ManagerOfForm(const TCustomForm* Form) const
{
    for (TcbBarManager* M : FList.Items())
        if (M->GetOwnerForm() == Form)
            return M;
    return nullptr;
}

TcbBarManagerList* BarManagers()
{
    return gManagers;
}

bool IsListedManager(const TcbBarManager* Manager)
{
    return gManagers && gManagers->Contains(Manager);
}

bool IsLiveManager(const TcbBarManager* Manager)
{
    return IsListedManager(Manager) && !Manager->IsDestroying();
}

void cbBarManagersInit()
{
    if (!gManagers)
        gManagers = new TcbBarManagerList;
}

void cbBarManagersDone()
{
    // The list frees the managers still in it; they leave it through RemoveBarHooks meanwhile.
    TcbBarManagerList* List = gManagers;
    delete List;
    gManagers = nullptr;
    cbStopBarHooks();
}
