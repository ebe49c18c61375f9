#pragma once
// The bar manager: the one component of a form that owns everything its command bars are made
// of (the items and their categories, the item groups, the bars, the image lists and the font
// they share, the style and the shared brushes), and the run-time state all bar windows of the
// form share. Also the process-wide list of managers. The enumerations the bars, links and items
// share with it are in cbTypes.h. User-interface thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/foundation/cbLiveness.h"
#include "commandbars/foundation/cbTypes.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Flags.h"
#include "platform/rtl/StringList.h"
#include "platform/win/Graphics.h"

class TBitmap;
class TChangeLink;
class TCustomForm;
class TImageList;
class TuiLookAndFeel;
class TCustomcbBarControl;
class TcbBar;
class TcbBarControl;
class TcbBarDockControl;
class TcbDockControl;
class TcbBarItem;
class TcbBarItemControl;
class TcbBarItemLink;
class TcbBarItemLinks;
class TForm;
class TcbBarPopupMenuLinks;
class TcbBarManager;
class TcbBars;
class TcbBarItemControlPainter;
class TcbThemeChangedNotificator;
class TStream;

using TcbBarEvent = std::function<void(TObject* Sender, TcbBar* ABar)>;
using TcbBarVisibleChangeEvent = std::function<void(TObject* Sender, TcbBar* ABar)>;
using TcbBarItemLinkEvent = std::function<void(TObject* Sender, TcbBarItemLink* AItemLink)>;
using TcbBarCanDockingEvent = std::function<void(TcbBar* Sender, TcbBarDockingStyle Style,
                                                 TcbBarDockControl* DockControl, bool& CanDocking)>;
using TcbBarMenuMergeEvent = std::function<void(TObject* Sender, TcbBarManager* ChildBarManager, bool AddItems)>;
using TcbBarShowPopupEvent = std::function<void(TObject* Sender, TcbBarItemLinks* PopupItemLinks)>;
using TcbBarClickItemEvent = std::function<void(TObject* Sender, TcbBarItem* ClickedItem)>;

// ---------------------------------------------------------------------------------------------
// The background pictures of bars and sub-menus.

class TcbBarBackgrounds : public TPersistent {
public:
    explicit TcbBarBackgrounds(TcbBarManager* ABarManager);
    TcbBarBackgrounds(const TcbBarBackgrounds&) = delete;
    TcbBarBackgrounds& operator=(const TcbBarBackgrounds&) = delete;
    ~TcbBarBackgrounds() override;
    std::string ClassName() const override { return "TcbBarBackgrounds"; }
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override;

    TBitmap* GetBar() const { return FBar.get(); }
    void SetBar(TBitmap* Value);
    TBitmap* GetSubMenu() const { return FSubMenu.get(); }
    void SetSubMenu(TBitmap* Value);

private:
    TcbBarManager* FBarManager;
    std::unique_ptr<TBitmap> FBar;
    std::unique_ptr<TBitmap> FSubMenu;
};

// ---------------------------------------------------------------------------------------------
// Categories: the names of the manager's command categories. Each entry may carry a record
// (the items' visibility, the value read from the form data, the visible flag); editing the list
// keeps the items' Category indexes in step with it.

class TcbBarManagerCategories : public TStringList {
public:
    explicit TcbBarManagerCategories(TcbBarManager* ABarManager);
    ~TcbBarManagerCategories() override;
    std::string ClassName() const override { return "TcbBarManagerCategories"; }

    // Deleting a category frees its items and moves the later categories' items one down;
    // "Default" comes back when the last one goes. Inserting moves the items of the categories
    // from Index on one up; exchanging and moving carry the items along. Inside BeginUpdate or
    // while the manager loads only the names change.
    void Insert(int32_t Index, const std::string& S) override;
    void Delete(int32_t Index) override;
    void Clear() override;
    void Exchange(int32_t Index1, int32_t Index2) override;
    void Move(int32_t CurIndex, int32_t NewIndex) override;
    // Names and the records' values (each list keeps its own records).
    void Assign(TPersistent* Source) override;

    TcbBarManager* GetBarManager() const { return FBarManager; }

    // The form data's "ItemsVisibles" (one TcbBarItemVisible per category) and "Visibles". The
    // setters are what the design builder calls: values past the last category are dropped,
    // and an items-visible value outside the enumeration is skipped.
    std::vector<int32_t> GetItemsVisibles() const;
    void SetItemsVisibles(const std::vector<int32_t>& Values);
    std::vector<bool> GetVisibles() const;
    void SetVisibles(const std::vector<bool>& Values);

private:
    friend class TcbBarManager;
    struct TRecord;
    TRecord* RecordOf(int32_t Index) const;
    TRecord* EnsureRecord(int32_t Index);
    void FreeRecord(int32_t Index);
    bool KeepsItemsInStep() const;
    void ListChanged(TObject* Sender);

    TcbBarManager* FBarManager;
};

// ---------------------------------------------------------------------------------------------
// A group of items and other groups whose Enabled and Visible are set together.

class TcbBarGroup : public TComponent {
public:
    explicit TcbBarGroup(TComponent* AOwner);
    ~TcbBarGroup() override;
    std::string ClassName() const override { return "TcbBarGroup"; }

    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    TcbBarItemVisible GetVisible() const { return FVisible; }
    void SetVisible(TcbBarItemVisible Value);

    // An item or group joins once; nullptr and other components are ignored. A group that is
    // this one or holds it at any depth raises Exception "You cannot create recursive groups".
    void Add(TComponent* Member);
    void Remove(TComponent* Member);
    int32_t IndexOf(TComponent* Member) const; // -1 when absent
    void Move(int32_t CurIndex, int32_t NewIndex);
    int32_t GetCount() const { return static_cast<int32_t>(FMembers.size()); }
    TComponent* GetItem(int32_t Index) const; // nullptr out of range
    // The place in the manager's group list.
    int32_t GetIndex() const;
    void SetIndex(int32_t Value);

    TcbBarManager* GetBarManager() const { return FBarManager; }
    TComponent* GetParentComponent() const;
    // A manager as parent takes the group into its group list.
    void SetParentComponent(TComponent* Value);

    // The form data's "Items": the members' names. While loading the names are kept and the
    // members found on the owner form when loading ends; names of no component are dropped.
    std::vector<std::string> GetItemNames() const;
    void SetItemNames(const std::vector<std::string>& Names);

    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void SetName(const std::string& NewName) override;

private:
    friend class TcbBarManager;
    // Whether Group is this one or holds it among its members at any depth.
    bool Contains(const TcbBarGroup* Group) const;
    void LockedForEachMember(const std::function<void(TComponent*)>& Action);
    // The members named while loading, found on the owner form.
    void AddLoadedMembers();

    TcbBarManager* FBarManager = nullptr;
    std::vector<TComponent*> FMembers;
    std::vector<std::string> FLoadedNames;
    bool FEnabled = true;
    TcbBarItemVisible FVisible = ivAlways;
};

// ---------------------------------------------------------------------------------------------
// The bar manager.

class TcbBarManager : public TComponent {
public:
    // Owned by a form (nullptr: the application's main form) that has no manager yet; else
    // Exception with text 65103 (not a form) or 65102 (a second manager).
    explicit TcbBarManager(TComponent* AOwner);
    ~TcbBarManager() override;
    std::string ClassName() const override { return "TcbBarManager"; }

    TCustomForm* GetOwnerForm() const { return FOwnerForm; }
    bool IsDesigning() const { return FDesigning; }
    bool IsLoading() const { return GetComponentState().Contains(csLoading); }
    bool IsDestroying() const { return GetComponentState().Contains(csDestroying); }

    // Published properties.
    bool GetAllowCallFromAnotherForm() const { return FAllowCallFromAnotherForm; }
    void SetAllowCallFromAnotherForm(bool Value) { FAllowCallFromAnotherForm = Value; }
    bool GetAllowReset() const { return FAllowReset; }
    void SetAllowReset(bool Value) { FAllowReset = Value; }
    bool GetAlwaysMerge() const { return FAlwaysMerge; }
    void SetAlwaysMerge(bool Value) { FAlwaysMerge = Value; }
    bool GetAlwaysSaveText() const { return FAlwaysSaveText; }
    void SetAlwaysSaveText(bool Value) { FAlwaysSaveText = Value; }
    bool GetAutoDockColor() const { return FAutoDockColor; }
    void SetAutoDockColor(bool Value);
    bool GetAutoHideEmptyBars() const { return FAutoHideEmptyBars; }
    void SetAutoHideEmptyBars(bool Value);
    bool GetScaled() const { return FScaled; }
    void SetScaled(bool Value);
    TFont* GetFont() const { return FFont.get(); }
    void SetFont(TFont* Value);
    TcbBarBackgrounds* GetBackgrounds() const { return FBackgrounds.get(); }
    void SetBackgrounds(TcbBarBackgrounds* Value);
    TcbBars* GetBars() const { return FBars.get(); }
    void SetBars(TcbBars* Value);
    int32_t GetButtonArrowWidth() const { return FButtonArrowWidth; }
    void SetButtonArrowWidth(int32_t Value); // below 2 ignored
    bool GetCanCustomize() const { return FCanCustomize; }
    void SetCanCustomize(bool Value) { FCanCustomize = Value; }
    TcbBarManagerCategories* GetCategories() const { return FCategories.get(); }
    void SetCategories(TStrings* Value);
    // The owner form's Color while AutoDockColor is on.
    TColor GetDockColor() const;
    void SetDockColor(TColor Value);
    bool GetFlatCloseButton() const { return FFlatCloseButton; }
    void SetFlatCloseButton(bool Value);
    TBitmap* GetHelpButtonGlyph() const { return FHelpButtonGlyph.get(); }
    void SetHelpButtonGlyph(TBitmap* Value);
    int32_t GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(int32_t Value) { FHelpContext = Value; }
    bool GetHideFloatingBarsWhenInactive() const { return FHideFloatingBarsWhenInactive; }
    void SetHideFloatingBarsWhenInactive(bool Value);
    TColor GetImageListBkColor() const { return FImageListBkColor; }
    void SetImageListBkColor(TColor Value);
    // The five image lists; each assignment follows the list's changes and its freeing.
    TImageList* GetImages() const { return FImages; }
    void SetImages(TImageList* Value);
    TImageList* GetLargeImages() const { return FLargeImages; }
    void SetLargeImages(TImageList* Value);
    TImageList* GetHotImages() const { return FHotImages; }
    void SetHotImages(TImageList* Value);
    TImageList* GetDisabledImages() const { return FDisabledImages; }
    void SetDisabledImages(TImageList* Value);
    TImageList* GetDisabledLargeImages() const { return FDisabledLargeImages; }
    void SetDisabledLargeImages(TImageList* Value);
    const std::string& GetIniFileName() const { return FIniFileName; }
    void SetIniFileName(const std::string& Value) { FIniFileName = Value; }
    int32_t GetLargeButtonArrowWidth() const { return FLargeButtonArrowWidth; }
    void SetLargeButtonArrowWidth(int32_t Value); // below 2 ignored
    bool GetLargeIcons() const { return FLargeIcons; }
    void SetLargeIcons(bool Value);
    TuiLookAndFeel* GetLookAndFeel() const { return FLookAndFeel.get(); }
    void SetLookAndFeel(TuiLookAndFeel* Value);
    bool GetMakeDisabledImagesFaded() const { return FMakeDisabledImagesFaded; }
    void SetMakeDisabledImagesFaded(bool Value);
    TcbBarMenuAnimations GetMenuAnimations() const { return FMenuAnimations; }
    void SetMenuAnimations(TcbBarMenuAnimations Value);
    bool GetMenusShowRecentItemsFirst() const { return FMenusShowRecentItemsFirst; }
    void SetMenusShowRecentItemsFirst(bool Value);
    uint8_t GetMostRecentItemsPercents() const { return FMostRecentItemsPercents; }
    void SetMostRecentItemsPercents(uint8_t Value); // above 100 stored as 100
    TcbBarDockingStyles GetNotDocking() const { return FNotDocking; }
    void SetNotDocking(TcbBarDockingStyles Value) { FNotDocking = Value; }
    const std::string& GetRegistryPath() const { return FRegistryPath; }
    void SetRegistryPath(const std::string& Value) { FRegistryPath = Value; }
    bool GetShowCloseButton() const { return FShowCloseButton; }
    void SetShowCloseButton(bool Value);
    bool GetShowFullMenusAfterDelay() const { return FShowFullMenusAfterDelay; }
    void SetShowFullMenusAfterDelay(bool Value);
    bool GetShowHelpButton() const { return FShowHelpButton; }
    void SetShowHelpButton(bool Value);
    bool GetShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    bool GetShowHintForDisabledItems() const { return FShowHintForDisabledItems; }
    void SetShowHintForDisabledItems(bool Value) { FShowHintForDisabledItems = Value; }
    bool GetShowShortCutInHint() const { return FShowShortCutInHint; }
    void SetShowShortCutInHint(bool Value);
    bool GetStoreInIniFile() const { return FStoreInIniFile; }
    void SetStoreInIniFile(bool Value) { FStoreInIniFile = Value; }
    bool GetStoreInRegistry() const { return FStoreInRegistry; }
    void SetStoreInRegistry(bool Value) { FStoreInRegistry = Value; }
    bool GetStretchGlyphs() const { return FStretchGlyphs; }
    void SetStretchGlyphs(bool Value) { FStretchGlyphs = Value; }
    TcbBarManagerStyle GetStyle() const { return FStyle; }
    void SetStyle(TcbBarManagerStyle Value);
    bool GetSunkenBorder() const { return FSunkenBorder; }
    void SetSunkenBorder(bool Value);
    bool GetUseF10ForMenu() const { return FUseF10ForMenu; }
    void SetUseF10ForMenu(bool Value) { FUseF10ForMenu = Value; }
    bool GetUseFullReset() const { return FUseFullReset; }
    void SetUseFullReset(bool Value) { FUseFullReset = Value; }
    bool GetUseSystemFont() const { return FUseSystemFont; }
    void SetUseSystemFont(bool Value);
    int32_t GetWaitForDockingTime() const { return FWaitForDockingTime; }
    void SetWaitForDockingTime(int32_t Value); // negative ignored

    // The form data's "DockControlHeights": the widths of the left and right edge sites, then
    // the heights of the top and bottom ones. Kept here until the edge sites apply them.
    std::vector<int32_t> GetDockControlHeights() const;
    void SetDockControlHeights(const std::vector<int32_t>& Values);

    // Events.
    TcbBarEvent OnBarAdd;
    TcbBarEvent OnBarAfterReset;
    TcbBarEvent OnBarBeforeReset;
    TcbBarEvent OnBarClose;
    TcbBarEvent OnBarDelete;
    TcbBarEvent OnBarDockingStyleChange;
    TcbBarVisibleChangeEvent OnBarVisibleChange;
    TcbBarItemLinkEvent OnItemLinkAdd;
    TcbBarItemLinkEvent OnItemLinkChange;
    TcbBarItemLinkEvent OnItemLinkDelete;
    TNotifyEvent OnCloseButtonClick;
    TNotifyEvent OnHelpButtonClick;
    TNotifyEvent OnHideCustomizingForm;
    TNotifyEvent OnShowCustomizingForm;
    TcbBarCanDockingEvent OnDocking;
    TcbBarMenuMergeEvent OnMenuMerge;
    TcbBarShowPopupEvent OnShowCustomizingPopup;
    TcbBarShowPopupEvent OnShowToolbarsPopup;
    TcbBarClickItemEvent OnClickItem;

    // Commands.
    virtual void DoClickItem(TcbBarItem* Item);
    virtual void DoBarAfterReset(TcbBar* Bar);
    virtual void DoBarBeforeReset(TcbBar* Bar);
    virtual void DoBarClose(TcbBar* Bar);
    // Nothing while the bars load; fires, then marks the manager modified.
    virtual void DoBarDockingStyleChange(TcbBar* Bar);
    virtual void DoCloseButtonClick();
    virtual void DoHelpButtonClick();
    virtual void DoShowCustomizingPopup(TcbBarItemLinks* PopupItemLinks);
    virtual void DoShowToolbarsPopup(TcbBarItemLinks* PopupItemLinks);
    // The toolbars popup's entries (cbBarPopups.cpp): one checked entry per toolbar that is
    // neither Hidden nor the main menu bar, down while it is Visible, then "&Customize...";
    // nothing at all without a toolbar entry.
    void FillToolbarsPopup(TcbBarItemLinks* Links);
    // The "&Customize..." entry (entering customizing mode), only with CanCustomize.
    void AddCustomizeEntry(TcbBarItemLinks* Links, bool BeginGroup);
    // Fires OnBarAdd, OnBarDelete and OnBarVisibleChange, and the link events.
    void DoBarAdd(TcbBar* Bar);
    void DoBarDelete(TcbBar* Bar);
    void DoBarVisibleChange(TcbBar* Bar);
    void DoItemLinkAdd(TcbBarItemLink* Link);
    void DoItemLinkChange(TcbBarItemLink* Link);
    void DoItemLinkDelete(TcbBarItemLink* Link);

    // Marks the manager modified and, at design time, tells the form's designer; nothing while
    // loading or being destroyed, nor before the constructor has finished.
    void DesignerModified();
    bool IsModified() const { return FModified; }
    // An item's command data changed (its caption, glyph, description...): the customizing
    // dialog refreshes it.
    void ItemChanged(TcbBarItem* Item);

    // Items, in creation order.
    int32_t GetItemCount() const { return static_cast<int32_t>(FItems.size()); }
    TcbBarItem* GetItem(int32_t Index) const; // nullptr out of range
    int32_t IndexOfItem(const TcbBarItem* Item) const;
    void ExchangeItems(int32_t Index1, int32_t Index2);
    // Groups.
    TcbBarGroup* AddGroup();
    int32_t GetGroupCount() const { return static_cast<int32_t>(FGroups.size()); }
    TcbBarGroup* GetGroup(int32_t Index) const; // nullptr out of range

    // Bars looked up by Caption or Name, exactly as written; nullptr when none.
    TcbBar* BarByCaption(const std::string& Caption) const;
    TcbBar* BarByName(const std::string& Name) const;
    TcbBar* GetMainMenuBar() const { return FMainMenuBar; }

    // Categories.
    TcbBarItemVisible GetCategoryItemsVisible(int32_t Index) const; // ivNever out of range
    bool GetCategoryVisible(int32_t Index) const;                   // false out of range
    // The category index of the N-th visible category (N itself at design time); -1 for none.
    int32_t GetCategoryRealIndex(int32_t N) const;
    // Fills List with the items of Category in item order (at run time only those shown in
    // bars) and returns their number.
    int32_t GetItemsByCategory(int32_t Category, std::vector<TcbBarItem*>& List) const;
    void SetCategoryVisible(int32_t Index, bool Value);
    // Sets the visibility of the category's items that have the category's current one; with
    // AutoHideEmptyBars, bars left without visible links are hidden (and shown again later).
    void SetCategoryItemsVisible(int32_t Index, TcbBarItemVisible Value);

    bool IsCustomizing() const { return FIsCustomizing; }
    bool IsCustomizingOrDesigning() const { return FIsCustomizing || FDesigning; }
    void SetIsCustomizing(bool Value);
    // The lock of bar rebuilding; callers restore the value they found.
    bool GetLockUpdate() const { return FLockUpdate; }
    void SetLockUpdate(bool Value);
    // AllowReset, and the design read exactly once.
    bool CanReset() const;
    // The owner form's design replayed into a new form without owner, holding a fresh copy of
    // this manager (which leaves the manager list after the read); nullptr without a design.
    TComponentPtr<TForm> RestoreFromFormResource() const;
    // Every link of the bars and sub-items takes the MostRecentlyUsed flag of the design's link
    // and the recent order is applied again.
    void RestoreLinksFromFormResource();
    // The same after the user's Yes.
    void ResetUsageDataWithConfirmation();
    int32_t GetReadStateCount() const { return FReadStateCount; }

    // The style in force: Style, or for bmsUseLookAndFeel the one its look-and-feel picks.
    TcbBarManagerStyle GetRealStyle() const;
    bool GetThemesInUse() const { return FThemesInUse; }

    // The painter of the effective style, and the metrics cached from it. UpdatePainter
    // chooses the painter again and refreshes everything drawn with it (on a style or
    // look-and-feel change, a theme change and a new bar background).
    const TcbBarItemControlPainter* GetPainterClass() const { return FPainter; }
    void UpdatePainter();
    void CalcMetrics();
    bool IsChangingStyle() const { return FChangingStyle; }
    int32_t GetDockedBarBorderSize() const { return FDockedBarBorderSize; }
    int32_t GetGripAreaSize() const { return FGripAreaSize; }
    int32_t GetSubMenuGlyphColumnIndent() const { return FSubMenuGlyphColumnIndent; }
    int32_t GetGlyphSize() const { return FGlyphSize; }
    int32_t GetButtonWidth() const { return FButtonWidth; }
    int32_t GetButtonHeight() const { return FButtonHeight; }
    // The painter's drop-down arrow width for this manager (ButtonArrowWidth is the setting).
    int32_t GetRealButtonArrowWidth() const { return FRealButtonArrowWidth; }

    // Recent use: the step by which link use counts start and grow apart (0 at 100 %).
    int32_t GetRecentUseStep() const { return FRecentUseStep; }
    // The use count new links start with (and links marked most recently used get).
    int32_t GetUseCountBase() const { return FRecentUseStep; }

    // Fonts: the non-client metrics' menu font for Font (UseSystemFont) or its height (Scaled).
    void UpdateSystemFont();
    HFONT GetMenuFontHandle() const { return FMenuFontHandle; }

    // The Flat style's colours and the manager's shared brushes.
    TColor GetFlatSelectedColor() const;
    TColor GetFlatCheckedItemColor() const;
    TColor GetFlatItemColor() const;
    void RecreateSharedBrushes();
    HBRUSH GetFlatFrameBrush() const { return FFlatFrameBrush; }
    HBRUSH GetFlatBarBrush() const { return FFlatBarBrush; }
    HBRUSH GetFlatCheckedItemBrush() const { return FFlatCheckedItemBrush; }
    HBRUSH GetFlatItemBrush() const { return FFlatItemBrush; }
    HBRUSH GetFlatSelectedItemBrush() const { return FFlatSelectedItemBrush; }
    HBRUSH GetDockColorBrush() const { return FDockColorBrush; }
    // A solid brush of the toolbar theme's fill colour (COLOR_BTNFACE without themes), the bar
    // brush of the XP style.
    HBRUSH GetThemedBarBrush() const { return FThemedBarBrush; }

    // Dock controls registered with the manager (the dock sites register themselves).
    void RegisterDockControl(TcbBarDockControl* DockControl);
    void UnregisterDockControl(TcbBarDockControl* DockControl);
    bool IsOwnDockControl(const TcbBarDockControl* DockControl) const;
    // Popup menus of the manager; it frees those left when it goes.
    void RegisterPopupMenu(TComponent* PopupMenu);
    void UnregisterPopupMenu(TComponent* PopupMenu);
    int32_t GetPopupMenuCount() const { return static_cast<int32_t>(FPopupMenus.size()); }
    TComponent* GetPopupMenu(int32_t Index) const; // nullptr out of range
    // The controls of the form tied to popup menus (made on first use).
    TcbBarPopupMenuLinks* GetPopupMenuLinks();
    // Link lists of the manager (bars', sub-items', popup menus'), kept by the lists themselves.
    void RegisterItemLinks(TcbBarItemLinks* Links);
    void UnregisterItemLinks(TcbBarItemLinks* Links);

    // The hint of the bar windows (cbHint.h). Activate with a text, or with the selected
    // control's hint (AHint empty): shown after the delay, or at once while a hint shows or one
    // was hidden a moment ago. Otherwise the hint hides; with Activate the next one then shows
    // at once for a moment. Nothing while customizing or designing, or without ShowHint.
    virtual void ActivateHint(bool Activate, const std::string& AHint);
    // Shows the requested text, or the selected control's short hint while the cursor rests on
    // it (with its shortcut when asked), below the cursor; hidden again after a while.
    void ShowHintWindow();
    // Whether Bar may dock with Style in DockControl (nullptr or an edge site: the manager's
    // own): not for a style the bar or, on an edge site, the manager refuses; a placeable site
    // answers for itself; OnDocking may turn the answer around.
    virtual bool CanDocking(TcbBar* Bar, TcbBarDockingStyle Style, TcbDockControl* DockControl);
    // The dock sites' redraw lock: held while a site changes several of its bars at once.
    void LockDockRedraw() { ++FDockRedrawLock; }
    void UnlockDockRedraw() { if (FDockRedrawLock > 0) --FDockRedrawLock; }
    bool IsDockRedrawLocked() const { return FDockRedrawLock > 0; }
    // A registered dock control goes: the bars forget it, those on it are hidden.
    void DockControlRemoved(TcbBarDockControl* DockControl);
    // The edge sites, then the registered dock controls.
    std::vector<TcbDockControl*> DockSites() const;
    // The system colours changed: the cached backgrounds of the dock sites and bar windows are
    // emptied and everything drawn again.
    void SystemColorsChanged();
    // Set while the floating bars are shown or hidden with the owner form.
    bool IsUpdatingFloatingBars() const { return FUpdatingFloatingBars; }

    // Shared run-time state of the bar windows.
    TcbBarItemControl* GetSelectedItemControl() const { return FSelectedItemControl; }
    void SetSelectedItemControl(TcbBarItemControl* Value);
    TCustomcbBarControl* GetKeyboardBarControl() const { return FKeyboardBarControl; }
    void SetKeyboardBarControl(TCustomcbBarControl* Value) { FKeyboardBarControl = Value; }
    TcbBarItem* GetDraggingItem() const { return FDraggingItem; }
    void SetDraggingItem(TcbBarItem* Value) { FDraggingItem = Value; }
    // The link a drag moves; when it is freed its group line passes to the next visible link.
    TcbBarItemLink* GetDraggingItemLink() const { return FDraggingItemLink; }
    void SetDraggingItemLink(TcbBarItemLink* Value) { FDraggingItemLink = Value; }
    bool IsItemLinkDragging() const { return FItemLinkDragging; }
    void SetItemLinkDragging(bool Value) { FItemLinkDragging = Value; }
    bool IsActive() const { return FActive; }
    // Floating bars stay above their form: one that the form's move in the z-order left below
    // it goes back just above it, and shadow parts left away from their bar (the display put the
    // form over them) go back directly above the bar. True when a bar or a shadow had to be
    // moved.
    bool KeepFloatingBarsAboveForm();
    // The keyboard focus moved inside the owner form. The display may raise a form on a change
    // of its focus over every window, the bars it owns included, and the z-order follows only
    // once the display reports the form uncovered: for a short while the bars are put back
    // above the form whenever they are found below it.
    void FocusChangedInForm();
    // The owner form was activated or deactivated (OtherWnd: the window on the other side of
    // the change): stores the flag and shows, refreshes or hides the floating bars with it.
    void SetActive(bool Value, bool ForceHide, HWND OtherWnd);
    void UpdateFloatingBars(bool Active, bool ForceHide, HWND OtherWnd);
    // The manager's reaction to a message of its owner form (the call-window-procedure hook
    // hands them over).
    void ProcessOwnerMessage(UINT Msg, WPARAM WParam, LPARAM LParam);
    // The frame form's manager: an MDI child was activated or destroyed or changed its zoom
    // state; the children's main menu bars are merged into this one's accordingly.
    void CheckMDIChild();
    // Merges the main menu bar of the MDI child ChildWnd into this manager's (Activate) or takes
    // it out again; SkipItems leaves the links alone (only the system-menu item follows the
    // zoom state), Switching keeps the main menu bar locked for the next child's merge.
    void MergeMDIChild(HWND ChildWnd, bool Activate, bool SkipItems, bool Switching);
    // The system-menu item of a maximized child at the head of the main menu bar, and its end.
    void AddSystemMenuSubItem(HWND ChildWnd);
    void RemoveSystemMenuSubItem();
    // The active MDI child of the owner frame (nullptr when the form is no frame or none is
    // active), and the same only while it is maximized and has a system menu: the main menu
    // bar shows its minimize, restore and close buttons.
    HWND GetActiveMDIChild() const;
    HWND GetZoomedMDIChild() const;
    bool IsDetaching() const { return FDetaching; }
    void SetDetaching(bool Value) { FDetaching = Value; }
    // Bars to show once the form's window exists.
    std::vector<TcbBar*>& BarsWaitingForWindow() { return FBarsWaitingForWindow; }
    // Shows a bar taken off the waiting list: its window is made, or, when it was hidden
    // meanwhile, it becomes visible again.
    void ShowWaitingBar(TcbBar* Bar);
    // Bars in the order of their rows, those of one row in the order given.
    static void SortByRow(std::vector<TcbBar*>& Bars);
    // Where a bar drag captures the mouse: the customizing dialog while it is open, else the
    // owner form.
    HWND GetCaptureWindow() const;

    // Layout storage. The stream the ini store reads and writes in place of IniFileName (not
    // owned; nullptr by default): with it the file name may be empty.
    TStream* GetIniStream() const { return FIniStream; }
    void SetIniStream(TStream* Value) { FIniStream = Value; }
    // The dock site a stored qualified name gives: before the first "." the name of a form,
    // the rest resolved inside it; without a "." inside the owner form. Empty text and names
    // that resolve to nothing give nullptr; a component that is not a dock site raises
    // EInvalidCast.
    TcbBarDockControl* FindDockControl(const std::string& Text) const;
    // The one place that tells a dock site among components, and a dock site's component.
    static TcbBarDockControl* AsDockControl(TComponent* Component);
    static TComponent* DockControlComponent(TcbBarDockControl* DockControl);
    // Writes the layout to the stores switched on (the registry first, then the ini file), at
    // run time only. The owner's WM_DESTROY calls it while the form is destroyed.
    void SaveLayout();

    // Streaming: first the items owned by Root that have a category, then its groups.
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) const;

    void Loaded() override;
    void ReadState() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // At design time, items whose names begin with the old name take the new one instead.
    void SetName(const std::string& NewName) override;

private:
    friend class TcbBar;
    friend class TcbBarBackgrounds;
    friend class TcbBarGroup;
    friend class TcbBarItem;
    friend class TcbBarManagerCategories;

    enum TImageListKind { ilImages, ilLargeImages, ilHotImages, ilDisabledImages, ilDisabledLargeImages };
    static constexpr int kImageListKinds = ilDisabledLargeImages + 1;

    TImageList*& ImageListField(TImageListKind Kind);
    void SetImageList(TImageListKind Kind, TImageList* Value);
    void ImageListChanged(TImageListKind Kind);
    void SelectPainter();
    // SelectPainter and the metrics cached from the painter, without refreshing any window.
    void ApplyPainter();
    // The look-and-feel's change handler.
    void LookAndFeelChanged();
    void ComputeRecentUseStep();
    void FontChanged(TObject* Sender);
    void MakeDockColorBrush();
    void MakeThemedBarBrush();
    void DeleteSharedBrushes();
    void AddItem(TcbBarItem* Item);
    void RemoveItem(TcbBarItem* Item);
    void RemoveGroup(TcbBarGroup* Group);
    void SetMainMenuBar(TcbBar* Bar) { FMainMenuBar = Bar; }
    // Every link list: bars first, then the sub-items' in item order, then the popup menus'.
    std::vector<TcbBarItemLinks*> AllItemLinks() const;
    bool AnyImageListLoading() const;

    // The window side of model changes: the bar windows and the dock sites refresh themselves
    // once they exist (every bar window rebuilds or repaints; the dock sites take the dock
    // colour, their border or the redraw lock). The customizing dialog's options page follows
    // the options shown there.
    void RebuildBarWindows();
    // FlatCloseButton or ShowCloseButton changed: the main menu bar's window rebuilds.
    void MainMenuCloseButtonChanged();
    void RepaintBarWindows();
    void RefreshDockControls();
    void OptionsChanged();

    // The owner form's side (cbOwnerMessages.cpp). The windows of the shown floating bars (not
    // one in the middle of a drag); each moved wholly inside the work area of its monitor; help
    // for the item a WM_HELP request names; the bars that waited for the form's window shown.
    std::vector<TcbBarControl*> FloatingBarWindows() const;
    void MoveFloatingBarsIntoWorkArea();
    void ShowItemHelp(const HELPINFO& Info);
    void ShowBarsWaitingForWindow();

    bool FCreationFailed = true;
    bool FInitialized = false;
    bool FDesigning = false;
    bool FModified = false;
    TCustomForm* FOwnerForm = nullptr;

    bool FAllowCallFromAnotherForm = false;
    bool FAllowReset = true;
    bool FAlwaysMerge = false;
    bool FAlwaysSaveText = false;
    bool FAutoDockColor = true;
    bool FAutoHideEmptyBars = false;
    bool FScaled = true;
    int32_t FButtonArrowWidth = 11;
    bool FCanCustomize = true;
    TColor FDockColor = clBtnFace;
    bool FFlatCloseButton = false;
    int32_t FHelpContext = 0;
    bool FHideFloatingBarsWhenInactive = true;
    TColor FImageListBkColor = clFuchsia;
    TImageList* FImages = nullptr;
    TImageList* FLargeImages = nullptr;
    TImageList* FHotImages = nullptr;
    TImageList* FDisabledImages = nullptr;
    TImageList* FDisabledLargeImages = nullptr;
    std::string FIniFileName;
    int32_t FLargeButtonArrowWidth = 13;
    bool FLargeIcons = false;
    bool FMakeDisabledImagesFaded = false;
    TcbBarMenuAnimations FMenuAnimations = maNone;
    bool FMenusShowRecentItemsFirst = true;
    uint8_t FMostRecentItemsPercents = 95;
    TcbBarDockingStyles FNotDocking;
    std::string FRegistryPath;
    bool FShowCloseButton = false;
    bool FShowFullMenusAfterDelay = true;
    bool FShowHelpButton = false;
    bool FShowHint = true;
    bool FShowHintForDisabledItems = true;
    bool FShowShortCutInHint = false;
    bool FStoreInIniFile = false;
    bool FStoreInRegistry = false;
    bool FStretchGlyphs = true;
    TcbBarManagerStyle FStyle = bmsEnhanced;
    bool FSunkenBorder = false;
    bool FUseF10ForMenu = true;
    bool FUseFullReset = false;
    bool FUseSystemFont = false;
    int32_t FWaitForDockingTime = 21;
    std::vector<int32_t> FDockControlHeights;

    std::unique_ptr<TcbBarBackgrounds> FBackgrounds;
    std::vector<TcbBarItem*> FItems;
    std::unique_ptr<TcbBarManagerCategories> FCategories;
    std::vector<TcbBarDockControl*> FDockControls;
    std::unique_ptr<TcbBars> FBars;
    std::vector<TComponent*> FPopupMenus;
    std::unique_ptr<TcbBarPopupMenuLinks> FPopupMenuLinks;
    std::vector<TcbBarItemLinks*> FItemLinksLists;
    std::unique_ptr<TFont> FFont;
    std::vector<TcbBarGroup*> FGroups;
    std::unique_ptr<TBitmap> FHelpButtonGlyph;
    std::unique_ptr<TChangeLink> FImageLinks[kImageListKinds];
    std::unique_ptr<TuiLookAndFeel> FLookAndFeel;

    TcbBar* FMainMenuBar = nullptr;
    bool FThemesInUse = false;
    const TcbBarItemControlPainter* FPainter = nullptr;
    std::unique_ptr<TcbThemeChangedNotificator> FThemeNotificator;
    bool FChangingStyle = false;
    // Raised while the end of loading lays the registered dock controls out again: what that
    // moves is the design as read, no change to tell the form's designer of.
    bool FRestoringDockControls = false;
    int32_t FDockedBarBorderSize = 0;
    int32_t FGripAreaSize = 0;
    int32_t FSubMenuGlyphColumnIndent = 0;
    int32_t FGlyphSize = 16;
    int32_t FButtonWidth = 23;
    int32_t FButtonHeight = 22;
    int32_t FRealButtonArrowWidth = 11;
    bool FIsCustomizing = false;
    bool FLockUpdate = false;
    int32_t FReadStateCount = 0;
    int32_t FRecentUseStep = 20;
    bool FTakingSystemFont = false;
    bool FFontHandlerDetached = false;
    HFONT FMenuFontHandle = nullptr;
    HBRUSH FFlatFrameBrush = nullptr;
    HBRUSH FFlatBarBrush = nullptr;
    HBRUSH FFlatCheckedItemBrush = nullptr;
    HBRUSH FFlatItemBrush = nullptr;
    HBRUSH FFlatSelectedItemBrush = nullptr;
    HBRUSH FDockColorBrush = nullptr;
    HBRUSH FThemedBarBrush = nullptr;
    bool FOffice11ColorsAcquired = false;

    TcbBarItemControl* FSelectedItemControl = nullptr;
    bool FUpdatingFloatingBars = false;
    // Starts the watch of the floating bars: close (a second after a change) or slow.
    void WatchFloatingBars(bool Close);
    UINT_PTR FFocusWatchTimer = 0;
    bool FFocusWatchClose = false;
    int32_t FFocusWatchTicks = 0;
    TCustomcbBarControl* FKeyboardBarControl = nullptr;
    TcbBarItem* FDraggingItem = nullptr;
    TcbBarItemLink* FDraggingItemLink = nullptr;
    bool FItemLinkDragging = false;
    bool FActive = false;
    bool FDetaching = false;
    std::vector<TcbBar*> FBarsWaitingForWindow;
    // MDI merging: the last active child, whether it was maximized, the Visible its main menu
    // bar had before it was merged, and the re-entrancy guard of CheckMDIChild.
    HWND FLastActiveMDIChild = nullptr;
    bool FZoomedMDIChild = false;
    bool FMergedChildBarVisible = true;
    bool FCheckingMDIChild = false;
    bool FMDICheckPending = false;
    TStream* FIniStream = nullptr;
    int32_t FDockRedrawLock = 0;
};

// Nil-safe DesignerModified.
void BarDesignerModified(TcbBarManager* Manager);

// ---------------------------------------------------------------------------------------------
// The process-wide list of managers, in the order they were made.

class TcbBarManagerList : public TObject {
public:
    TcbBarManagerList() = default;
    TcbBarManagerList(const TcbBarManagerList&) = delete;
    TcbBarManagerList& operator=(const TcbBarManagerList&) = delete;
    // Frees every manager still in the list, always the first.
    ~TcbBarManagerList() override;
    std::string ClassName() const override { return "TcbBarManagerList"; }

    int32_t GetCount() const { return static_cast<int32_t>(FList.Items().size()); }
    // Whether Manager is in the list (IsListedManager asks here).
    bool Contains(const TcbBarManager* Manager) const { return FList.Contains(Manager); }
    TcbBarManager* GetItem(int32_t Index) const; // nullptr out of range
    int32_t IndexOf(const TcbBarManager* Manager) const;
    // The manager owned by Form, or nullptr.
    TcbBarManager* ManagerOfForm(const TCustomForm* Form) const;

private:
    friend void InstallBarHooks(TcbBarManager* Manager);
    friend void RemoveBarHooks(TcbBarManager* Manager);
    TcbLiveRegistry<TcbBarManager> FList;
};

// The list between the framework's start and end (made on first use if needed); nullptr after.
TcbBarManagerList* BarManagers();
// A manager in the list, even while it is being destroyed: its parts are still there to read.
bool IsListedManager(const TcbBarManager* Manager);
// A manager in the list and not being destroyed: one that may still be asked to act.
bool IsLiveManager(const TcbBarManager* Manager);
// A manager joins the list when its owner is known to be valid, and leaves it when it goes; the
// first one starts the thread hooks and the hint window, the last one stops them. These four
// follow the managers' lives and are defined where the hooks and the hint window live
// (input/cbHooks.cpp, windows/cbHint.cpp), which include this header, not the other way round.
void InstallBarHooks(TcbBarManager* Manager);
void RemoveBarHooks(TcbBarManager* Manager);
// The end of the hooks and the hint window, once the last manager went or the framework ends.
void cbStopBarHooks();
// A manager being destroyed: a hint it shows or is about to show goes, and its timers stop.
void cbHintManagerDestroying(TcbBarManager* Manager);

// The framework's start and end of the managers' part: the list, and freeing what is left in it.
void cbBarManagersInit();
void cbBarManagersDone();
