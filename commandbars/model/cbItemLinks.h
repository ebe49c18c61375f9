#pragma once
// Item links: the ordered places of commands on a bar, a sub-menu or a popup menu, with what the
// user customised for each place (group line, own caption, glyph, paint style and width,
// visibility) and its recent use. A link list keeps four lists in step with its links: the
// available links (their item may show), the visible ones, the ones its window shows (all
// visible links, or only the recently used ones) and every link in order of recent use.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/foundation/cbTypes.h"
#include "platform/rtl/Collection.h"
#include "platform/win/Controls.h"

class TcbBarManager;
class TCustomcbBarControl;
class TcbBarItemLink;
class TcbBarItemLinks;
class TcbBarItemControl;
class TcbBarItem;
class TcbBar;
class TcbBarButtonControl;
class TBitmap;

enum TcbBarUserDefine { udCaption, udGlyph, udPaintStyle, udWidth };
using TcbBarUserDefines = TFlags<TcbBarUserDefine>;

// The least width a link's own width can take.
constexpr int32_t kcbMinUserWidth = 20;
// A link's use count stops growing here, far from where its arithmetic could overflow; stored
// counts are read within 0 .. this.
constexpr int32_t kcbMaxUseCount = 1 << 30;

// Set while bars are reset to the form's design: a link assigned from a design link takes the
// item of the same name on its own form.
bool IsResettingBars();
void SetResettingBars(bool Value);

// The bar windows' side of the accelerator search on toolbars, connected by the bar windows.
struct TcbBarWindowQueries {
    std::function<bool(TCustomcbBarControl* Window)> IsVisible;
    std::function<bool(TcbBarItemLink* Link)> CanSelectControl;
};
TcbBarWindowQueries& BarWindowQueries();

// The windows of the link lists are made by the window units, which register their makers when
// the framework starts, so that the lists need not know the window classes: a bar's list gets
// a toolbar window, every other list a menu window. The menu side also tells the button whose
// drop-down menu a menu window shows (nullptr when it shows none). Without a maker no window is
// made.
using TcbLinksBarWindowFactory = TCustomcbBarControl* (*)(TcbBarManager* Manager, TcbBar* Bar);
using TcbLinksMenuWindowFactory = TCustomcbBarControl* (*)(TcbBarManager* Manager);
using TcbMenuDropDownButtonQuery = TcbBarButtonControl* (*)(TCustomcbBarControl* Window);
void SetLinksBarWindowFactory(TcbLinksBarWindowFactory Factory);
void SetLinksMenuWindowFactory(TcbLinksMenuWindowFactory Factory, TcbMenuDropDownButtonQuery DropDownButtonOf);

class TcbBarItemLink : public TCollectionItem {
public:
    explicit TcbBarItemLink(TCollection* ACollection);
    ~TcbBarItemLink() override;
    std::string ClassName() const override { return "TcbBarItemLink"; }
    void Assign(TPersistent* Source) override;

    // Frees the link; nothing may touch it afterwards.
    void Release();

    TcbBarItemLinks* GetLinks() const;
    TcbBarManager* GetBarManager() const;
    TCustomcbBarControl* GetBarControl() const;
    TcbBarItemControl* GetControl() const { return FControl; }
    void SetControl(TcbBarItemControl* Value) { FControl = Value; }
    // Makes the control that shows the link in its bar window: of the control class registered
    // for exactly the item's class (a window item on a rotated vertical toolbar gets a button's).
    // Nothing without a window, an item or a registered class, or when it has one.
    void CreateControl();
    // Frees the link's control, if any.
    void DestroyControl();

    // Published properties.
    // The group line as shown: false for a link not shown or the first shown one; else its own
    // flag, or the flag of a link between the previous shown one and this one that is not shown.
    bool GetBeginGroup() const;
    bool GetOwnBeginGroup() const { return FBeginGroup; }
    void SetBeginGroup(bool Value);
    TcbBarItem* GetItem() const { return FItem; }
    // Value must not be nullptr (Release frees a link).
    void SetItem(TcbBarItem* Value);
    bool GetMostRecentlyUsed() const { return FMostRecentlyUsed; }
    // False: use count 0 and last in the recent list; true: the manager's use-count base and
    // first in the recent list.
    void SetMostRecentlyUsed(bool Value);
    const std::string& GetUserCaption() const { return FUserCaption; }
    void SetUserCaption(const std::string& Value);
    // Removing a flag clears its value (caption emptied, glyph cleared, psStandard, width 0).
    TcbBarUserDefines GetUserDefine() const { return FUserDefine; }
    void SetUserDefine(TcbBarUserDefines Value);
    TBitmap* GetUserGlyph() const { return FUserGlyph.get(); }
    void SetUserGlyph(TBitmap* Value);
    TcbBarPaintStyle GetUserPaintStyle() const { return FUserPaintStyle; }
    void SetUserPaintStyle(TcbBarPaintStyle Value);
    int32_t GetUserWidth() const { return FUserWidth; }
    void SetUserWidth(int32_t Value); // at least kcbMinUserWidth
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool Value);

    // The values in effect: the user's where UserDefine says so (or there is no item), else the
    // item's.
    std::string GetCaption() const;
    TBitmap* GetGlyph() const;
    TcbBarPaintStyle GetPaintStyle() const;
    int32_t GetWidth() const;

    // Recent use.
    int32_t GetUseCount() const { return FUseCount; }
    void SetUseCount(int32_t Value) { FUseCount = Value; }
    // The place in the recent list read from a stored layout (-1: none), and the visibility and
    // use count read with it; RestoreRecentOrder(true) applies them.
    int32_t GetSavedRecentIndex() const { return FSavedRecentIndex; }
    void SetSavedRecentIndex(int32_t Value) { FSavedRecentIndex = Value; }
    bool GetLoadedVisible() const { return FLoadedVisible; }
    void SetLoadedVisible(bool Value) { FLoadedVisible = Value; }
    // Only for a link whose item shows and which is Visible: first in the recent list, and one
    // more use when Counting.
    void MarkUsed(bool Counting = true);

    // Places in the lists (-1 when absent).
    int32_t GetAvailableIndex() const;
    int32_t GetVisibleIndex() const;
    int32_t GetShownIndex() const;
    int32_t GetRecentIndex() const;

    // Where its window put it (the window's layout sets them).
    const TRect& GetItemRect() const { return FItemRect; }
    void SetItemRect(const TRect& Value) { FItemRect = Value; }
    const TRect& GetItemRectWithBeginGroup() const { return FItemRectWithBeginGroup; }
    void SetItemRectWithBeginGroup(const TRect& Value) { FItemRectWithBeginGroup = Value; }

    // After any property change: the manager is marked changed and hears OnItemLinkChange.
    void Changed();

    // A link put in place for a container's content: the container's link, whose use it counts.
    TcbBarItemLink* GetGeneratedFrom() const { return FGeneratedFrom; }
    // Records the container's link and takes over its use count and place in the recent list.
    void SetGeneratedFrom(TcbBarItemLink* Value);

    // Whether the key (with Shift, Ctrl; Alt is ignored) is the accelerator of the caption.
    bool IsAccel(uint16_t Key, TShiftState Shift) const;

private:
    friend class TcbBarItemLinks;
    bool OwnerLoading() const;
    void ApplyMostRecentlyUsed();
    // The control's share of a change reaches it through the item's dispatch.
    void RefreshControl();

    bool FBeginGroup = false;
    TcbBarItem* FItem = nullptr;
    bool FMostRecentlyUsed = true;
    std::string FUserCaption;
    TcbBarUserDefines FUserDefine;
    std::unique_ptr<TBitmap> FUserGlyph;
    TcbBarPaintStyle FUserPaintStyle = psStandard;
    int32_t FUserWidth = 0;
    bool FVisible = true;

    TcbBarItemControl* FControl = nullptr;
    int32_t FUseCount = 0;
    int32_t FSavedRecentIndex = -1;
    bool FLoadedVisible = true;
    TRect FItemRect{};
    TRect FItemRectWithBeginGroup{};
    TcbBarItemLink* FGeneratedFrom = nullptr;
};

class TcbBarItemLinks : public TCollection {
public:
    // Owner: a bar, a sub-item or a popup menu.
    TcbBarItemLinks(TcbBarManager* ABarManager, TPersistent* AOwner);
    ~TcbBarItemLinks() override;
    std::string ClassName() const override { return "TcbBarItemLinks"; }
    // The links of Source, each with its item and user values; their Visible applied at the end.
    void Assign(TPersistent* Source) override;

    TcbBarManager* GetBarManager() const { return FBarManager; }
    void SetBarManager(TcbBarManager* Value);
    TCustomcbBarControl* GetBarControl() const { return FBarControl; }
    void SetBarControl(TCustomcbBarControl* Value) { FBarControl = Value; }
    bool IsAssigning() const { return FAssigning; }

    TcbBarItemLink* Add();
    TcbBarItemLink* GetItem(int32_t Index) const;

    int32_t GetAvailableItemCount() const { return static_cast<int32_t>(FAvailable.size()); }
    TcbBarItemLink* GetAvailableItem(int32_t Index) const;
    int32_t IndexOfAvailable(const TcbBarItemLink* Link) const;
    int32_t GetVisibleItemCount() const { return static_cast<int32_t>(FVisible.size()); }
    TcbBarItemLink* GetVisibleItem(int32_t Index) const;
    int32_t IndexOfVisible(const TcbBarItemLink* Link) const;
    int32_t GetShownItemCount() const { return static_cast<int32_t>(FShown.size()); }
    TcbBarItemLink* GetShownItem(int32_t Index) const;
    int32_t IndexOfShown(const TcbBarItemLink* Link) const;
    int32_t GetRecentListCount() const { return static_cast<int32_t>(FRecent.size()); }
    TcbBarItemLink* GetRecentListItem(int32_t Index) const;
    int32_t IndexOfRecent(const TcbBarItemLink* Link) const;

    // How many of the recently used visible links to show (-1: all) and the value before.
    int32_t GetRecentCount() const { return FRecentCount; }
    int32_t GetPrevRecentCount() const { return FPrevRecentCount; }
    void SetRecentCount(int32_t Value);
    bool GetUseRecentItems() const { return FUseRecentItems; }
    void SetUseRecentItems(bool Value);
    // Recent items count when the style is not bmsStandard and the nearest bar or popup menu up
    // the sub-menu chain uses them.
    bool UsesRecentItems() const;

    void RebuildLists();
    // The window that shows the links, made by the registered makers: a bar's toolbar window
    // (made hidden), or a menu window for the other owners; nullptr without a maker, and for a
    // sub-item's list without a manager.
    TCustomcbBarControl* CreateBarControl();
    // Runs the first enabled item of the available links (or of their sub-menus and drop-down
    // menus) with that shortcut, after the actions were updated: true when one ran.
    bool IsShortCut(uint16_t ShortCut);
    // The next link after Start (or the first) whose enabled item has the key as accelerator,
    // wrapping around: the visible links of a menu, or the shown ones of a toolbar whose window
    // is visible.
    TcbBarItemLink* FindByAccel(uint16_t Key, TShiftState Shift, TcbBarItemLink* Start) const;
    // The number of recently used links to show so that the rarely used ones fall off: the
    // recent-list place of the last link that still counts as used often, plus one (-1: all).
    int32_t GetRecentItemCount() const;
    // Applies what was read: with FromLayout the visibility, use counts and recent places of a
    // stored layout; else the MostRecentlyUsed flags (those set first, in link order, with the
    // manager's use-count base; the others after, with 0).
    void RestoreRecentOrder(bool FromLayout);
    // The loaded Visible values and recent order, when the manager has finished loading.
    void ApplyLoadedState();
    // The leading run of shown links whose rects are not empty and lie inside ClientRect.
    int32_t GetFittingCount(const TRect& ClientRect) const;
    void ClearItemRects();

    TNotifyEvent OnChange;

protected:
    void Update(TCollectionItem* Item) override;
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

private:
    friend class TcbBarItemLink;
    bool ManagerLoading() const;
    bool Designing() const;
    void MoveToFront(TcbBarItemLink* Link);
    void MoveToEnd(TcbBarItemLink* Link);
    // The end of a link's construction: it joins the recent list and the lists are rebuilt.
    void LinkAdded(TcbBarItemLink* Link);
    void LinkRemoving(TcbBarItemLink* Link);

    TcbBarManager* FBarManager;
    // A link whose constructor has not finished: the collection already holds it, but it must
    // not be read yet.
    TcbBarItemLink* FConstructing = nullptr;
    TCustomcbBarControl* FBarControl = nullptr;
    bool FAssigning = false;
    // A link with a control went: the toolbar is laid out again at the next Update.
    bool FLayoutStale = false;
    std::vector<TcbBarItemLink*> FAvailable;
    std::vector<TcbBarItemLink*> FVisible;
    std::vector<TcbBarItemLink*> FShown;
    std::vector<TcbBarItemLink*> FRecent;
    int32_t FRecentCount = -1;
    int32_t FPrevRecentCount = -1;
    bool FUseRecentItems = true;
};
