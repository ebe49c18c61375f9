#include "commandbars/lookandfeel/uiLookAndFeel.h"

#include <algorithm>

namespace {

TuiLookAndFeel* gGlobal = nullptr;
int32_t gControllerCount = 0;
int32_t gInitCount = 0;

const struct {
    int32_t Id;
    const char* Name;
} kCursors[] = {{crUIDragCopy, "UI_DRAGCOPYCURSOR"},     {crUIFullScroll, "UI_FULLSCROLLCURSOR"},
                {crUIHorScroll, "UI_HORSCROLLCURSOR"},   {crUIVerScroll, "UI_VERSCROLLCURSOR"},
                {crUIUpScroll, "UI_UPSCROLLCURSOR"},     {crUIRightScroll, "UI_RIGHTSCROLLCURSOR"},
                {crUIDownScroll, "UI_DOWNSCROLLCURSOR"}, {crUILeftScroll, "UI_LEFTSCROLLCURSOR"},
                {crUIRemove, "UI_REMOVECURSOR"},         {crUIVertSize, "UI_VERTSIZECURSOR"},
                {crUIHorzSize, "UI_HORZSIZECURSOR"},     {crUIMultiDrag, "UI_MULTIDRAGCURSOR"},
                {crUINoDrop, "UI_NODROPCURSOR"},         {crUIDrag, "UI_DRAGCURSOR"}};

bool IsController(ILookAndFeelListener* Listener)
{
    return dynamic_cast<TuiLookAndFeelController*>(Listener->GetListenerObject()) != nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TuiLookAndFeel

TuiLookAndFeel::TuiLookAndFeel(TPersistent* AOwner) : TuiLookAndFeel(AOwner, false)
{
}

TuiLookAndFeel::TuiLookAndFeel(TPersistent* AOwner, bool IsGlobal) : TuiInterfacedPersistent(AOwner), FIsGlobal(IsGlobal)
{
    if (!FIsGlobal && gGlobal) {
        gGlobal->AddListener(this);
        FKind = GetEffectiveKind();
        FNativeStyle = GetEffectiveNativeStyle();
    }
}

TuiLookAndFeel::~TuiLookAndFeel()
{
    FDestroying = true;
    // Cleared first, so that a listener hearing the notice no longer follows the global object.
    if (FIsGlobal && gGlobal == this)
        gGlobal = nullptr;
    const std::vector<ILookAndFeelListener*> Listeners = FListeners;
    for (ILookAndFeelListener* L : Listeners)
        L->LookAndFeelDestroying(this);
    FListeners.clear();
    if (TuiLookAndFeel* Master = GetMasterLookAndFeel())
        Master->RemoveListener(this);
}

void TuiLookAndFeel::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TuiLookAndFeel*>(Source);
    if (!S) {
        TuiInterfacedPersistent::Assign(Source);
        return;
    }
    if (S == this)
        return;
    SaveEffectiveValues();
    FOwnKind = S->FOwnKind;
    FOwnNativeStyle = S->FOwnNativeStyle;
    FAssignedValues = S->FAssignedValues;
    if (!FIsGlobal && S->FMasterLookAndFeel != FMasterLookAndFeel)
        AttachMaster(S->FMasterLookAndFeel);
    NotifyChanges();
}

void TuiLookAndFeel::SetAssignedValues(TuiLookAndFeelValues Value)
{
    if (Value == FAssignedValues)
        return;
    SaveEffectiveValues();
    FAssignedValues = Value;
    NotifyChanges();
}

void TuiLookAndFeel::SetKind(TuiLookAndFeelKind Value)
{
    FAssignedValues.Include(lfvKind);
    FOwnKind = Value;
    if (GetEffectiveKind() != FKind)
        Changed(lfvKind);
}

void TuiLookAndFeel::SetNativeStyle(bool Value)
{
    FAssignedValues.Include(lfvNativeStyle);
    FOwnNativeStyle = Value;
    if (GetEffectiveNativeStyle() != FNativeStyle)
        Changed(lfvNativeStyle);
}

TuiLookAndFeel* TuiLookAndFeel::GetMasterLookAndFeel() const
{
    if (FIsGlobal)
        return nullptr;
    return FMasterLookAndFeel ? FMasterLookAndFeel : gGlobal;
}

void TuiLookAndFeel::SetMasterLookAndFeel(TuiLookAndFeel* Value)
{
    if (FIsGlobal || Value == this || Value == FMasterLookAndFeel)
        return;
    SaveEffectiveValues();
    AttachMaster(Value);
    NotifyChanges();
}

void TuiLookAndFeel::AttachMaster(TuiLookAndFeel* Value)
{
    // A chain that would come back here has no end to take values from.
    for (TuiLookAndFeel* M = Value; M; M = M->FMasterLookAndFeel)
        if (M == this)
            return;
    if (TuiLookAndFeel* Old = GetMasterLookAndFeel())
        Old->RemoveListener(this);
    FMasterLookAndFeel = Value;
    if (TuiLookAndFeel* New = GetMasterLookAndFeel())
        New->AddListener(this);
}

TuiLookAndFeelKind TuiLookAndFeel::GetEffectiveKind() const
{
    if (FAssignedValues.Contains(lfvKind))
        return FOwnKind;
    const TuiLookAndFeel* Master = GetMasterLookAndFeel();
    return Master ? Master->GetKind() : lfUltraFlat;
}

bool TuiLookAndFeel::GetEffectiveNativeStyle() const
{
    if (FAssignedValues.Contains(lfvNativeStyle))
        return FOwnNativeStyle;
    const TuiLookAndFeel* Master = GetMasterLookAndFeel();
    return Master ? Master->GetNativeStyle() : false;
}

void TuiLookAndFeel::AddListener(ILookAndFeelListener* Listener)
{
    if (!Listener || FDestroying)
        return;
    const bool Controller = IsController(Listener);
    if (Controller && !FIsGlobal)
        return;
    if (std::find(FListeners.begin(), FListeners.end(), Listener) != FListeners.end())
        return;
    FListeners.push_back(Listener);
    if (Controller)
        ++gControllerCount;
}

void TuiLookAndFeel::RemoveListener(ILookAndFeelListener* Listener)
{
    if (FDestroying)
        return;
    auto It = std::find(FListeners.begin(), FListeners.end(), Listener);
    if (It == FListeners.end())
        return;
    FListeners.erase(It);
    if (FIsGlobal && IsController(Listener) && --gControllerCount == 0)
        SetAssignedValues(TuiLookAndFeelValues());
}

void TuiLookAndFeel::Changed(TuiLookAndFeelValues ChangedValues)
{
    if (ChangedValues.Empty() || FDestroying)
        return;
    FKind = GetEffectiveKind();
    FNativeStyle = GetEffectiveNativeStyle();
    // Over the listeners as they were: one added meanwhile waits for the next change, one removed
    // meanwhile is skipped, and the removal of one never makes another miss its call.
    const std::vector<ILookAndFeelListener*> Round = FListeners;
    for (ILookAndFeelListener* L : Round)
        if (std::find(FListeners.begin(), FListeners.end(), L) != FListeners.end())
            L->LookAndFeelChanged(this, ChangedValues);
    if (OnChanged)
        OnChanged(this, ChangedValues);
}

void TuiLookAndFeel::SaveEffectiveValues()
{
    FSavedKind = FKind;
    FSavedNativeStyle = FNativeStyle;
}

void TuiLookAndFeel::NotifyChanges()
{
    TuiLookAndFeelValues Values;
    if (GetEffectiveKind() != FSavedKind)
        Values.Include(lfvKind);
    if (GetEffectiveNativeStyle() != FSavedNativeStyle)
        Values.Include(lfvNativeStyle);
    Changed(Values);
}

void TuiLookAndFeel::LookAndFeelChanged(TuiLookAndFeel* Sender, TuiLookAndFeelValues ChangedValues)
{
    (void)Sender;
    (void)ChangedValues;
    SaveEffectiveValues();
    NotifyChanges();
}

void TuiLookAndFeel::LookAndFeelDestroying(TuiLookAndFeel* Sender)
{
    SaveEffectiveValues();
    if (Sender == FMasterLookAndFeel) {
        // Back to the global object, if it is not the one going.
        FMasterLookAndFeel = nullptr;
        if (gGlobal && gGlobal != this)
            gGlobal->AddListener(this);
    }
    NotifyChanges();
}

// ---------------------------------------------------------------------------------------------
// TuiLookAndFeelController

TuiLookAndFeelController::TuiLookAndFeelController(TComponent* AOwner) : TComponent(AOwner)
{
    if (gGlobal)
        gGlobal->AddListener(this);
}

TuiLookAndFeelController::~TuiLookAndFeelController()
{
    if (gGlobal)
        gGlobal->RemoveListener(this);
}

TuiLookAndFeelKind TuiLookAndFeelController::GetKind() const
{
    return gGlobal ? gGlobal->GetKind() : lfUltraFlat;
}

void TuiLookAndFeelController::SetKind(TuiLookAndFeelKind Value)
{
    if (gGlobal)
        gGlobal->SetKind(Value);
}

bool TuiLookAndFeelController::GetNativeStyle() const
{
    return gGlobal ? gGlobal->GetNativeStyle() : false;
}

void TuiLookAndFeelController::SetNativeStyle(bool Value)
{
    if (gGlobal)
        gGlobal->SetNativeStyle(Value);
}

// ---------------------------------------------------------------------------------------------
// The layer

TuiLookAndFeel* GlobalLookAndFeel()
{
    return gGlobal;
}

int32_t LookAndFeelControllerCount()
{
    return gControllerCount;
}

void uiLookAndFeelInit()
{
    if (gInitCount++ > 0)
        return;
    gControllerCount = 0;
    gGlobal = new TuiLookAndFeel(nullptr, true);
    for (const auto& C : kCursors)
        LoadFrameworkCursor(C.Id, C.Name);
}

void uiLookAndFeelDone()
{
    if (gInitCount == 0 || --gInitCount > 0)
        return;
    for (const auto& C : kCursors)
        UnloadFrameworkCursor(C.Id);
    delete gGlobal;
    gGlobal = nullptr;
    gControllerCount = 0;
}
