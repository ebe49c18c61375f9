#pragma once
// The look-and-feel setting: Kind and NativeStyle, each set on an object or inherited from its
// master, in a chain that ends at the one global look-and-feel. Listeners hear which effective
// values changed. TuiLookAndFeelController edits the global object. User-interface thread only.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Flags.h"

// Screen cursors of the look-and-feel layer (Screen->GetCursors).
constexpr int32_t crUIDragCopy = 2100;
constexpr int32_t crUIFullScroll = 2101;
constexpr int32_t crUIHorScroll = 2102;
constexpr int32_t crUIVerScroll = 2103;
constexpr int32_t crUIUpScroll = 2104;
constexpr int32_t crUIRightScroll = 2105;
constexpr int32_t crUIDownScroll = 2106;
constexpr int32_t crUILeftScroll = 2107;
constexpr int32_t crUIRemove = 2108;
constexpr int32_t crUIVertSize = 2109;
constexpr int32_t crUIHorzSize = 2110;
constexpr int32_t crUIMultiDrag = 2111;
constexpr int32_t crUINoDrop = 2112;
constexpr int32_t crUIDrag = 2113;

enum TuiLookAndFeelKind { lfFlat, lfStandard, lfUltraFlat };
enum TuiLookAndFeelValue { lfvKind, lfvNativeStyle };
using TuiLookAndFeelValues = TFlags<TuiLookAndFeelValue>;

class TuiLookAndFeel;

// Who follows a look-and-feel. No reference counting: a listener removes itself before it goes.
class ILookAndFeelListener {
public:
    virtual TObject* GetListenerObject() = 0;
    virtual void LookAndFeelChanged(TuiLookAndFeel* Sender, TuiLookAndFeelValues ChangedValues) = 0;
    virtual void LookAndFeelDestroying(TuiLookAndFeel* Sender) = 0;

protected:
    ~ILookAndFeelListener() = default;
};

using TuiLookAndFeelChangedEvent = std::function<void(TuiLookAndFeel* Sender, TuiLookAndFeelValues ChangedValues)>;

class TuiLookAndFeel : public TuiInterfacedPersistent, public ILookAndFeelListener {
public:
    // Follows the global look-and-feel when one exists.
    explicit TuiLookAndFeel(TPersistent* AOwner);
    TuiLookAndFeel(const TuiLookAndFeel&) = delete;
    TuiLookAndFeel& operator=(const TuiLookAndFeel&) = delete;
    ~TuiLookAndFeel() override;
    std::string ClassName() const override { return "TuiLookAndFeel"; }
    void Assign(TPersistent* Source) override;

    // Which values are set here rather than inherited.
    TuiLookAndFeelValues GetAssignedValues() const { return FAssignedValues; }
    void SetAssignedValues(TuiLookAndFeelValues Value);
    // The effective values. Writing one assigns it here.
    TuiLookAndFeelKind GetKind() const { return FKind; }
    void SetKind(TuiLookAndFeelKind Value);
    bool GetNativeStyle() const { return FNativeStyle; }
    void SetNativeStyle(bool Value);
    // The explicit master, or the global object when none is set; nullptr for the global object.
    TuiLookAndFeel* GetMasterLookAndFeel() const;
    void SetMasterLookAndFeel(TuiLookAndFeel* Value);

    virtual TuiLookAndFeelKind GetEffectiveKind() const;
    virtual bool GetEffectiveNativeStyle() const;

    // A listener joins once; a controller may join the global object only.
    void AddListener(ILookAndFeelListener* Listener);
    void RemoveListener(ILookAndFeelListener* Listener);
    bool IsGlobal() const { return FIsGlobal; }

    TuiLookAndFeelChangedEvent OnChanged;

protected:
    // Recomputes the effective values and tells every listener, then OnChanged.
    void Changed(TuiLookAndFeelValues ChangedValues);

    TObject* GetListenerObject() override { return this; }
    void LookAndFeelChanged(TuiLookAndFeel* Sender, TuiLookAndFeelValues ChangedValues) override;
    void LookAndFeelDestroying(TuiLookAndFeel* Sender) override;

private:
    friend void uiLookAndFeelInit();
    TuiLookAndFeel(TPersistent* AOwner, bool IsGlobal);
    void SaveEffectiveValues();
    void NotifyChanges();
    void AttachMaster(TuiLookAndFeel* Value);

    TuiLookAndFeelValues FAssignedValues;
    std::vector<ILookAndFeelListener*> FListeners;
    TuiLookAndFeelKind FKind = lfUltraFlat; // effective, cached
    bool FNativeStyle = false;
    TuiLookAndFeelKind FOwnKind = lfUltraFlat;
    bool FOwnNativeStyle = false;
    bool FDestroying = false;
    bool FIsGlobal = false;
    TuiLookAndFeel* FMasterLookAndFeel = nullptr;
    TuiLookAndFeelKind FSavedKind = lfUltraFlat;
    bool FSavedNativeStyle = false;
};

// A component that edits the global look-and-feel; it registers with it while it lives. When
// the last controller goes, the global object's values are no longer assigned.
class TuiLookAndFeelController : public TComponent, public ILookAndFeelListener {
public:
    explicit TuiLookAndFeelController(TComponent* AOwner);
    ~TuiLookAndFeelController() override;
    std::string ClassName() const override { return "TuiLookAndFeelController"; }

    TuiLookAndFeelKind GetKind() const;
    void SetKind(TuiLookAndFeelKind Value);
    bool GetNativeStyle() const;
    void SetNativeStyle(bool Value);

protected:
    TObject* GetListenerObject() override { return this; }
    void LookAndFeelChanged(TuiLookAndFeel*, TuiLookAndFeelValues) override {}
    void LookAndFeelDestroying(TuiLookAndFeel*) override {}
};

// The global look-and-feel, between uiLookAndFeelInit and uiLookAndFeelDone; else nullptr.
TuiLookAndFeel* GlobalLookAndFeel();
// The number of controllers registered with it.
int32_t LookAndFeelControllerCount();

// The layer's start (the global object, the fourteen cursors 2100..2113) and end. Counted.
void uiLookAndFeelInit();
void uiLookAndFeelDone();
