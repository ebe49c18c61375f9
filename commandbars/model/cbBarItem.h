#pragma once
// The bar item base: one command of a bar manager. An item is never drawn itself: each link that
// places it on a bar or menu gets an item control there, and the item pushes every change of its
// state (caption, glyph, enabled, visible, shortcut...) to the controls of all its links through
// one dispatch point. Also the framework's item names and its temporary items.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commandbars/foundation/cbTypes.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/Classes.h"

class TcbBarManager;
class TcbBar;
class TAction;
class TBitmap;
class TImageList;
class TcbBarItemActionLink;

// What a change of an item or a link asks of the item control of a link.
enum TcbItemControlNotice {
    icnCaptionChanged,
    icnEnabledChanged,
    icnGlyphChanged,
    icnShortCutChanged,
    icnRepaint,        // the text changed
    icnRebuildBar,     // the control's bar window lays its controls out again
    icnVisibleChanged, // the item's visibility changed
    icnCreate,         // the link is to get a control (it has none)
    icnDestroy,        // the link loses its control
    icnRefresh         // a link property changed (group line, user values)
};
// The item controls' side, connected by them; the model calls it for links that have a control
// (icnCreate: for links that have none).
using TcbItemControlDispatch = std::function<void(TcbBarItemLink* Link, TcbItemControlNotice Notice)>;
void SetItemControlDispatch(TcbItemControlDispatch Dispatch);
void DispatchToItemControl(TcbBarItemLink* Link, TcbItemControlNotice Notice);

class TcbBarItemControlPainter;
class TcbBarItem : public TComponent {
public:
    // Bound to the manager of its owner form, else to the first manager there is.
    explicit TcbBarItem(TComponent* AOwner);
    ~TcbBarItem() override;
    std::string ClassName() const override { return "TcbBarItem"; }

    TcbBarManager* GetBarManager() const { return FBarManager; }
    // The painter of the manager's style.
    const TcbBarItemControlPainter* GetPainter() const;

    // Published properties.
    TcbBarItemAlign GetAlign() const { return FAlign; }
    void SetAlign(TcbBarItemAlign Value);
    const std::string& GetCaption() const { return FCaption; }
    // The hint's short part follows the caption while it is empty or equals the old clean
    // caption.
    void SetCaption(const std::string& Value);
    // -1 until set; outside loading only an index of the manager's categories.
    int32_t GetCategory() const { return FCategory; }
    void SetCategory(int32_t Value);
    const std::string& GetDescription() const { return FDescription; }
    void SetDescription(const std::string& Value);
    // At run time while customizing, an item with a category reads enabled.
    bool GetEnabled() const;
    bool GetStoredEnabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    int32_t GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(int32_t Value);
    const std::string& GetHint() const { return FHint; }
    void SetHint(const std::string& Value);
    TcbBarItemVisible GetVisible() const { return FVisible; }
    // While the manager loads only the read value is kept (the manager applies it after).
    void SetVisible(TcbBarItemVisible Value);
    TcbBarItemVisible GetLoadedVisible() const { return FLoadedVisible; }
    TNotifyEvent OnDestroy;

    // The bound action: the item follows its caption, hint, glyph, enabled, checked and visible
    // state, and a click runs it. Freeing the action clears it.
    TAction* GetAction() const;
    void SetAction(TAction* Value);
    TcbBarItemActionLink* GetActionLink() const { return FActionLink.get(); }
    // Copies the action's values; with CheckDefaults only into values still at their defaults.
    virtual void ActionChange(TObject* Sender, bool CheckDefaults);
    // The action changed after its links followed it property by property.
    void ActionLinkChange(TObject* Sender);
    virtual std::unique_ptr<TcbBarItemActionLink> GetActionLinkClass();
    // The checked state an action drives, where the item has one (a button's Down): false when
    // it has none; SetActionChecked is then never called.
    virtual bool GetActionChecked(bool& /*Checked*/) const { return false; }
    virtual void SetActionChecked(bool) {}
    // Into a TAction: caption, checked, enabled, help context, hint, image, shortcut, visible and
    // the click handler.
    void AssignTo(TPersistent* Dest) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // The click handler and whether it is the one taken from the action (the program's own
    // handler replaces it by assigning OnClick).
    const TNotifyEvent& GetOnClick() const { return OnClick; }
    void SetOnClick(TNotifyEvent Value) { OnClick = std::move(Value); }
    bool IsOnClickFromAction() const;
    void SetShortCut(uint16_t Value);

    // Read by the links and the controls; the kinds that offer them set them.
    TBitmap* GetGlyph() const { return FGlyph.get(); }
    int32_t GetImageIndexValue() const { return FImageIndex; }
    uint16_t GetShortCut() const { return FShortCut; }
    bool GetUnclickAfterDoing() const { return FUnclickAfterDoing; }

    // The 23 operations the kinds override.
    virtual void BarManagerChanged();
    virtual bool IsClickable() const;
    virtual void CaptionChanged();
    virtual void EnabledChanged();
    virtual int32_t GetImageIndex() const;
    virtual void ChangeImageIndex(int32_t Value);
    virtual bool IsHiddenInCommandsList() const;
    virtual void GlyphChanged();
    virtual bool HasAccel(TcbBarItemLink* Link) const;
    virtual void ControlNotPlaced(TcbBarItemControl* Control);
    virtual void HotGlyphChanged();
    virtual bool CanBeVisible() const;
    virtual void LargeGlyphChanged();
    virtual bool WantsControlNotPlaced() const;
    virtual void BarNotification(TOperation Operation, TcbBar* Bar);
    virtual void SetImageIndex(int32_t Value);
    virtual void ShortCutChanged();
    virtual void TextChanged();
    virtual void LayoutChanged();
    virtual bool UsesHotImages() const;
    virtual bool UsesLargeImages() const;
    virtual void VisibleChanged();
    virtual TImageList* GetImages() const;

    // The click road: Click (when clickable) -> DoClick (when enabled, failures reported to the
    // application) -> the manager's DoClickItem, then CallOnClick.
    virtual void Click();
    virtual void DoClick();
    virtual void CallOnClick();
    // Every link's bar window lays its controls out again.
    virtual void RebuildBars();

    int32_t GetIndex() const; // in the manager's item list
    int32_t GetLinkCount() const { return static_cast<int32_t>(FLinks.size()); }
    TcbBarItemLink* GetLink(int32_t Index) const; // nullptr out of range
    // Visible ivAlways and able to show (or shown anyway while customizing or designing), or
    // ivInCustomizing while customizing or designing.
    bool IsVisibleInBars() const;
    bool HasControls() const;
    // An image list is there and ImageIndex lies in it.
    bool IsImageIndexValid() const;
    // The caption without its first "&" and its first "...".
    std::string GetCleanCaption() const;
    static std::string CleanCaption(const std::string& Caption);

    // The link being clicked, recorded by its control.
    TcbBarItemLink* GetClickItemLink() const { return FClickItemLink; }
    void SetClickItemLink(TcbBarItemLink* Value) { FClickItemLink = Value; }

    bool HasParent() const { return FCategory > -1; }
    TComponent* GetParentComponent() const;
    // A manager as parent binds the item to it.
    void SetParentComponent(TComponent* Value);

    // Also applies a bound action's values to those still at their defaults.
    void Loaded() override;
    void SetName(const std::string& NewName) override;

protected:
    // Whether a new caption may carry the hint along (sub-items keep theirs).
    virtual bool CaptionSetsHint() const { return true; }
    void SetGlyph(TBitmap* Value);
    void SetUnclickAfterDoing(bool Value) { FUnclickAfterDoing = Value; }
    bool IsLoading() const { return GetComponentState().Contains(csLoading); }
    bool IsDesigning() const { return GetComponentState().Contains(csDesigning); }
    // Sends Notice to the control of every link that has one; Filter picks links (nullptr: all).
    void NotifyControls(TcbItemControlNotice Notice, const std::function<bool(TcbBarItemLink*)>& Filter = nullptr);

    TNotifyEvent OnClick;

private:
    friend class TcbBarItemLink;
    friend class TcbBarManager;
    friend class TcbBarManagerCategories;
    void BindToManager(TcbBarManager* Manager);
    void ItemChanged();
    void GlyphBitmapChanged(TObject* Sender);
    bool VisibleIsLoading() const;

    TcbBarItemAlign FAlign = iaLeft;
    TcbBarManager* FBarManager = nullptr;
    std::string FCaption;
    int32_t FCategory = -1;
    std::string FDescription;
    bool FEnabled = true;
    std::unique_ptr<TBitmap> FGlyph;
    int32_t FHelpContext = 0;
    std::string FHint;
    int32_t FImageIndex = -1;
    std::vector<TcbBarItemLink*> FLinks;
    TcbBarItemVisible FLoadedVisible = ivAlways;
    uint16_t FShortCut = 0;
    bool FUnclickAfterDoing = true;
    TcbBarItemVisible FVisible = ivAlways;
    TcbBarItemLink* FClickItemLink = nullptr;
    std::unique_ptr<TcbBarItemActionLink> FActionLink;
};

// Base name of the class (its name without the first character) and the least number 1, 2, ...
// that no item of the manager has with it (names compared ignoring case).
void GetUniqueItemName(TcbBarManager* Manager, TcbBarItemClass ItemClass, std::string& Name);
// Frees the temporary items that have no link left, from the last to the first.
void FreeTemporaryItems();
