#include "platform/win/Actions.h"

#include <algorithm>
#include <cctype>

#include "platform/win/Forms.h"

namespace {

// Fresh command ids sit above the ones the program gives its actions.
uint16_t gNextCommandId = 0xA000;

struct TKeyName {
    uint16_t Key;
    const char* Name = nullptr;
};
const TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},    {VK_TAB, "Tab"},    {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},   {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"},   {VK_NEXT, "PgDn"},  {VK_END, "End"},      {VK_HOME, "Home"},    {VK_LEFT, "Left"},
    {VK_UP, "Up"},        {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},   {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
    {VK_ADD, "Num +"},    {VK_SUBTRACT, "Num -"}, {VK_MULTIPLY, "Num *"}, {VK_DIVIDE, "Num /"},
};

std::string KeyText(uint16_t Key)
{
    for (const auto& K : kKeyNames)
        if (K.Key == Key)
            return K.Name;
    if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z'))
        return std::string(1, static_cast<char>(Key));
    if (Key >= VK_F1 && Key <= VK_F24)
        return "F" + std::to_string(Key - VK_F1 + 1);
    if (Key >= VK_NUMPAD0 && Key <= VK_NUMPAD9)
        return "Num " + std::to_string(Key - VK_NUMPAD0);
    return {};
}

bool SameText(const std::string& A, const std::string& B)
{
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
               return std::toupper(static_cast<unsigned char>(X)) == std::toupper(static_cast<unsigned char>(Y));
           });
}

} // namespace

TShortCut ShortCut(uint16_t Key, TShiftState Shift)
{
    if (Key & 0xE000)
        return scNone; // no key code reaches the modifier bits
    TShortCut R = Key;
    if (Shift.Contains(ssShift))
        R |= scShift;
    if (Shift.Contains(ssCtrl))
        R |= scCtrl;
    if (Shift.Contains(ssAlt))
        R |= scAlt;
    return R;
}

void ShortCutToKey(TShortCut Value, uint16_t& Key, TShiftState& Shift)
{
    Key = Value & 0x1FFF;
    Shift = TShiftState();
    if (Value & scShift)
        Shift.Include(ssShift);
    if (Value & scCtrl)
        Shift.Include(ssCtrl);
    if (Value & scAlt)
        Shift.Include(ssAlt);
}

std::string ShortCutToText(TShortCut Value)
{
    const std::string Name = KeyText(Value & 0x1FFF);
    if (Name.empty())
        return {};
    std::string R;
    if (Value & scShift)
        R += "Shift+";
    if (Value & scCtrl)
        R += "Ctrl+";
    if (Value & scAlt)
        R += "Alt+";
    return R + Name;
}

TShortCut TextToShortCut(const std::string& Text)
{
    std::string Rest = Text;
    TShortCut Mods = 0;
    for (bool Found = true; Found;) {
        Found = false;
        for (auto [Prefix, Bit] : {std::pair<const char*, TShortCut>{"Shift+", scShift}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}}) {
            const std::string P = Prefix;
            if (Rest.size() > P.size() && SameText(Rest.substr(0, P.size()), P)) {
                Mods |= Bit;
                Rest.erase(0, P.size());
                Found = true;
            }
        }
    }
    if (Rest.empty())
        return scNone;
    for (uint16_t K = 1; K < 0x100; ++K) {
        const std::string N = KeyText(K);
        if (!N.empty() && SameText(N, Rest))
            return static_cast<TShortCut>(K | Mods);
    }
    return scNone;
}

// =============================================================================================

TActionLink::~TActionLink() { SetAction(nullptr); }

void TActionLink::SetAction(TAction* Value)
{
    if (FAction == Value)
        return;
    if (FAction) {
        auto& L = FAction->FLinks;
        L.erase(std::remove(L.begin(), L.end(), this), L.end());
    }
    FAction = Value;
    if (FAction) {
        FAction->FLinks.push_back(this);
        ActionChanged();
    }
}

bool TActionLink::Execute(TComponent* Client)
{
    if (!FAction)
        return false;
    TAction::TExecuteFrame Frame(FAction, Client);
    return Frame.Action->Execute();
}

bool TActionLink::Update() { return FAction ? FAction->Update() : false; }

TAction::TExecuteFrame::TExecuteFrame(TAction* A, TComponent* Client)
    : Action(A), Previous(A->FActionComponent), Next(A->FExecuting)
{
    A->FExecuting = this;
    A->FActionComponent = Client;
}

TAction::TExecuteFrame::~TExecuteFrame()
{
    if (!Alive)
        return;
    Action->FExecuting = Next;
    Action->FActionComponent = Previous;
}

TAction::TAction(TComponent* AOwner) : TComponent(AOwner), FCommandId(gNextCommandId++) {}

TAction::~TAction()
{
    // An action freed by its own command: the running links' frames leave it alone.
    for (TExecuteFrame* F = FExecuting; F; F = F->Next)
        F->Alive = false;
    FExecuting = nullptr;
    // The clients forget the action (a copy: each unlinks itself).
    for (TActionLink* L : std::vector<TActionLink*>(FLinks))
        L->SetAction(nullptr);
    SetActionList(nullptr);
}

void TAction::SetActionList(TActionList* Value)
{
    if (FActionList == Value)
        return;
    if (FActionList) {
        auto& A = FActionList->FActions;
        A.erase(std::remove(A.begin(), A.end(), this), A.end());
    }
    FActionList = Value;
    if (FActionList)
        FActionList->FActions.push_back(this);
}

void TAction::Changed()
{
    // A client may unlink others (or itself) while it follows the change.
    auto Linked = [this](TActionLink* L) { return std::find(FLinks.begin(), FLinks.end(), L) != FLinks.end(); };
    for (TActionLink* L : std::vector<TActionLink*>(FLinks)) {
        if (!Linked(L))
            continue;
        L->ActionChanged();
        if (Linked(L) && L->OnChange) {
            const TNotifyEvent Notice = L->OnChange; // the link may go inside its own notice
            Notice(this);
        }
    }
}

void TAction::TellLinks(bool (TActionLink::*IsLinked)() const, const std::function<void(TActionLink*)>& Set)
{
    for (TActionLink* L : std::vector<TActionLink*>(FLinks))
        if (std::find(FLinks.begin(), FLinks.end(), L) != FLinks.end() && (L->*IsLinked)())
            Set(L);
}

// The links hear of the new value while the action still holds the old one.
#define QM_ACTION_SETTER(Name, Type, Field)                                                     \
    void TAction::Set##Name(Type Value)                                                         \
    {                                                                                           \
        if (Field == Value)                                                                     \
            return;                                                                             \
        TellLinks(&TActionLink::Is##Name##Linked, [&Value](TActionLink* L) { L->Set##Name(Value); }); \
        Field = Value;                                                                          \
        Changed();                                                                              \
    }
QM_ACTION_SETTER(Caption, const std::string&, FCaption)
QM_ACTION_SETTER(Hint, const std::string&, FHint)
QM_ACTION_SETTER(Enabled, bool, FEnabled)
QM_ACTION_SETTER(Checked, bool, FChecked)
QM_ACTION_SETTER(Visible, bool, FVisible)
QM_ACTION_SETTER(ShortCut, TShortCut, FShortCut)
QM_ACTION_SETTER(ImageIndex, int32_t, FImageIndex)
QM_ACTION_SETTER(HelpContext, int32_t, FHelpContext)
#undef QM_ACTION_SETTER

void TAction::SetOnExecute(TNotifyEvent Value)
{
    TellLinks(&TActionLink::IsOnExecuteLinked, [&Value](TActionLink* L) { L->SetOnExecute(Value); });
    OnExecute = std::move(Value);
    Changed();
}

bool TAction::DoHint(std::string& Hint)
{
    bool CanShow = true;
    if (OnHint)
        OnHint(Hint, CanShow);
    return CanShow;
}

bool TAction::Execute()
{
    if (!FEnabled)
        return false;
    bool Handled = false;
    if (FActionList && FActionList->OnExecute)
        FActionList->OnExecute(this, Handled);
    if (!Handled && OnExecute) {
        OnExecute(this);
        Handled = true;
    }
    return Handled;
}

bool TAction::Update()
{
    bool Handled = false;
    if (FActionList && FActionList->OnUpdate)
        FActionList->OnUpdate(this, Handled);
    if (!Handled && OnUpdate) {
        OnUpdate(this);
        Handled = true;
    }
    return Handled;
}

// =============================================================================================

TActionList::TActionList(TComponent* AOwner) : TComponent(AOwner)
{
    FForm = dynamic_cast<TCustomForm*>(AOwner);
    if (FForm) {
        FShortCutHandler = FForm->AddShortCutHandler([this](uint16_t Key, TShiftState Shift) { return IsShortCut(Key, Shift); });
        FCommandHandler = FForm->AddCommandHandler([this](uint16_t Id) { return ExecuteCommand(Id); });
    }
    FIdleHandler = AppUI()->AddIdleHandler([this] { UpdateActions(); });
}

TActionList::~TActionList()
{
    AppUI()->RemoveIdleHandler(FIdleHandler);
    // The form may be going first (it frees its components last).
    if (FForm && AppUI()->HasForm(FForm)) {
        FForm->RemoveHandler(FShortCutHandler);
        FForm->RemoveHandler(FCommandHandler);
    }
    for (TAction* A : std::vector<TAction*>(FActions))
        A->SetActionList(nullptr);
}

TAction* TActionList::AddAction(const std::string& Caption, TShortCut Key)
{
    auto* A = new TAction(GetOwner() ? GetOwner() : this);
    A->SetCaption(Caption);
    A->SetShortCut(Key);
    A->SetActionList(this);
    return A;
}

bool TActionList::IsShortCut(uint16_t Key, TShiftState Shift)
{
    const TShortCut S = ShortCut(Key, Shift);
    if (S == scNone)
        return false;
    for (TAction* A : std::vector<TAction*>(FActions)) {
        if (A->GetShortCut() != S)
            continue;
        A->Update();
        if (A->GetEnabled() && A->GetVisible())
            return A->Execute();
    }
    return false;
}

TAction* TActionList::FindCommand(uint16_t Id) const
{
    for (TAction* A : FActions)
        if (A->GetCommandId() == Id)
            return A;
    return nullptr;
}

bool TActionList::ExecuteCommand(uint16_t Id)
{
    TAction* A = FindCommand(Id);
    if (!A)
        return false;
    A->Update();
    if (A->GetEnabled())
        A->Execute();
    return true;
}

void TActionList::UpdateActions()
{
    for (TAction* A : std::vector<TAction*>(FActions))
        A->Update();
}

// =============================================================================================
// Controls linked to an action take its caption, hint, enabled and visible state, and run it
// when clicked without an OnClick of their own.

namespace {
class TControlActionLink : public TActionLink {
public:
    explicit TControlActionLink(TControl* C) : FControl(C) {}
    void ActionChanged() override
    {
        TAction* A = GetAction();
        FControl->SetCaption(A->GetCaption());
        FControl->SetHint(A->GetHint());
        FControl->SetEnabled(A->GetEnabled());
        FControl->SetVisible(A->GetVisible());
    }

private:
    TControl* FControl = nullptr;
};
} // namespace

TAction* TControl::GetAction() const { return FActionLink ? FActionLink->GetAction() : nullptr; }

void TControl::SetAction(TAction* Value)
{
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink)
        FActionLink = std::make_unique<TControlActionLink>(this);
    FActionLink->SetAction(Value);
}
