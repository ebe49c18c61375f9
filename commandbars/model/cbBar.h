#pragma once
// Bars: one toolbar or the main menu bar of a bar manager, as a persistent object (its
// properties, what each change asks of its window, showing and hiding), and the manager's
// collection of them. The bar's window belongs to the bar windows; a bar reaches it through
// GetBarControl(), which is nullptr while the bar has none.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/foundation/cbTypes.h"
#include "platform/rtl/Collection.h"
#include "platform/win/Graphics.h"

class TcbBarManager;
class TcbBars;
class TCustomcbBarControl;
class TcbBarDockControl;
class TcbBarItem;
class TBitmap;
class TFont;
class TcbBarItemLinks;
class TcbBarControl;
class TcbDockControl;

enum TcbBarBorderStyle { bbsNone, bbsSingle };

// What a change of a bar asks of its window.
enum TcbBarWindowChange {
    bwcShow,          // the window is made and placed (docked or floating)
    bwcHide,          // the window stores its place into the bar and goes
    bwcRebuild,       // lay the controls out again
    bwcRedock,        // hidden and shown again in its dock site (its row changes)
    bwcFrameRefresh,  // the custom-background flag and the frame again, then rebuild
    bwcAlpha,         // the floating window's opacity
    bwcFontChanged,   // measure again (CM_FONTCHANGED)
    bwcCaption,       // the caption changed
    bwcRecalculate,   // the manager's font changed under a bar with its own font
    bwcLockUpdate     // the layout lock changed
};

class TcbBar : public TCollectionItem {
public:
    explicit TcbBar(TCollection* ACollection);
    ~TcbBar() override;
    std::string ClassName() const override { return "TcbBar"; }
    // Copies another bar's properties in a fixed order, ending with Visible.
    void Assign(TPersistent* Source) override;

    TcbBarManager* GetBarManager() const;
    TcbBars* GetBars() const;
    TCustomcbBarControl* GetBarControl() const;

    // Published properties. The setters are virtual so that a bar kind can follow them.
    bool GetAllowClose() const { return FAllowClose; }
    virtual void SetAllowClose(bool Value);
    bool GetAllowCustomizing() const { return FAllowCustomizing; }
    virtual void SetAllowCustomizing(bool Value);
    bool GetAllowQuickCustomizing() const { return FAllowQuickCustomizing; }
    virtual void SetAllowQuickCustomizing(bool Value);
    bool GetAllowReset() const { return FAllowReset; }
    virtual void SetAllowReset(bool Value);
    uint8_t GetAlphaBlendValue() const { return FAlphaBlendValue; }
    virtual void SetAlphaBlendValue(uint8_t Value);
    TBitmap* GetBackgroundBitmap() const { return FBackgroundBitmap.get(); }
    virtual void SetBackgroundBitmap(TBitmap* Value);
    TcbBarBorderStyle GetBorderStyle() const { return FBorderStyle; }
    virtual void SetBorderStyle(TcbBarBorderStyle Value);
    // A caption another bar of the manager has is ignored. A bar without a Name takes the
    // caption as its Name, made unique among the bars' names.
    const std::string& GetCaption() const { return FCaption; }
    virtual void SetCaption(const std::string& Value);
    TColor GetColor() const { return FColor; }
    virtual void SetColor(TColor Value);
    // nullptr: the manager's own site at the form edge given by DockingStyle. A dock control
    // of another manager is ignored.
    TcbBarDockControl* GetDockControl() const { return FDockControl; }
    virtual void SetDockControl(TcbBarDockControl* Value);
    TcbBarDockControl* GetDockedDockControl() const { return FDockedDockControl; }
    virtual void SetDockedDockControl(TcbBarDockControl* Value);
    TcbBarDockingStyle GetDockedDockingStyle() const { return FDockedDockingStyle; }
    virtual void SetDockedDockingStyle(TcbBarDockingStyle Value);
    int32_t GetDockedLeft() const { return FDockedLeft; }
    virtual void SetDockedLeft(int32_t Value); // negative stored as 0
    int32_t GetDockedTop() const { return FDockedTop; }
    virtual void SetDockedTop(int32_t Value); // negative stored as 0
    TcbBarDockingStyle GetDockingStyle() const { return FDockingStyle; }
    virtual void SetDockingStyle(TcbBarDockingStyle Value);
    int32_t GetFloatLeft() const { return FFloatLeft; }
    virtual void SetFloatLeft(int32_t Value);
    int32_t GetFloatTop() const { return FFloatTop; }
    virtual void SetFloatTop(int32_t Value);
    int32_t GetFloatClientWidth() const { return FFloatClientWidth; }
    virtual void SetFloatClientWidth(int32_t Value);
    int32_t GetFloatClientHeight() const { return FFloatClientHeight; }
    virtual void SetFloatClientHeight(int32_t Value);
    // A change of the font (not made by the bar or the manager) switches UseOwnFont on.
    TFont* GetFont() const { return FFont.get(); }
    virtual void SetFont(TFont* Value);
    bool GetHidden() const { return FHidden; }
    virtual void SetHidden(bool Value);
    // At most one bar of a manager; it always takes the whole row and wraps.
    bool GetIsMainMenu() const { return FIsMainMenu; }
    virtual void SetIsMainMenu(bool Value);
    TcbBarItemLinks* GetItemLinks() const { return FItemLinks.get(); }
    virtual void SetItemLinks(TcbBarItemLinks* Value);
    // Cannot be switched off while IsMainMenu.
    bool GetMultiLine() const { return FMultiLine; }
    virtual void SetMultiLine(bool Value);
    const std::string& GetName() const { return FName; }
    virtual void SetName(const std::string& Value);
    TcbBarDockingStyles GetNotDocking() const { return FNotDocking; }
    virtual void SetNotDocking(TcbBarDockingStyles Value);
    bool GetOneOnRow() const { return FOneOnRow; }
    virtual void SetOneOnRow(bool Value);
    bool GetRotateWhenVertical() const { return FRotateWhenVertical; }
    virtual void SetRotateWhenVertical(bool Value);
    int32_t GetRow() const { return FRow; }
    virtual void SetRow(int32_t Value); // negative stored as 0
    bool GetShowMark() const { return FShowMark; }
    virtual void SetShowMark(bool Value);
    bool GetSizeGrip() const { return FSizeGrip; }
    virtual void SetSizeGrip(bool Value);
    bool GetUseOwnFont() const { return FUseOwnFont; }
    virtual void SetUseOwnFont(bool Value);
    bool GetUseRecentItems() const { return FUseRecentItems; }
    virtual void SetUseRecentItems(bool Value);
    bool GetUseRestSpace() const { return FUseRestSpace; }
    virtual void SetUseRestSpace(bool Value);
    // While the manager loads only the read value is kept (the manager applies it after).
    bool GetVisible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    bool GetWholeRow() const { return FWholeRow; }
    virtual void SetWholeRow(bool Value);

    // DockingStyle and DockControl set together: a site brings its own style.
    void SetDockingStyleAndControl(TcbBarDockingStyle Style, TcbBarDockControl* DockControl);

    // AllowClose, not the main menu, and the window (if any) agreeing.
    bool CanClose() const;
    // Some docking style is allowed.
    bool CanMove() const;
    // The bar comes from the form's design and AllowReset.
    bool CanReset() const;
    // The bar was read with the form's design (not made by the user or by code later).
    bool IsMadeWhileLoading() const { return FMadeWhileLoading; }
    // After the user's OK the bar (with UseFullReset) or only its links become what the form's
    // design made them, sub-menus included.
    void ResetWithConfirmation();
    // BorderStyle bbsNone, docked at the bottom, the whole row.
    bool IsStatusBar() const;
    // A status bar with SizeGrip on a form that is not maximized, whose window's bottom lies on
    // its parent's client bottom all the way up to the form.
    bool IsSizeGripVisible() const;
    // The non-client size of the bar's window for a docking style.
    int32_t GetExtraWidth(TcbBarDockingStyle Style) const;
    int32_t GetExtraHeight(TcbBarDockingStyle Style) const;
    // The window's place, stored while the bar is visible (docked: style, site, row and
    // position).
    void StorePlace(TcbBarControl* Window);
    // Whether a floating window of the bar is shown now (the form visible and, with
    // HideFloatingBarsWhenInactive, active).
    bool FloatingWindowShown() const;
    // Whether the bar's window has ever stored a docked place.
    bool HasBeenDocked() const { return FHasBeenDocked; }
    // A site's new alignment tells the bar its style (no window change).
    void DockStyleFromSite(TcbBarDockingStyle Style);
    // A dock control goes: the bar forgets it.
    void ForgetDockControl(TcbBarDockControl* DockControl);

    // The font handle made from Font while UseOwnFont is on; nullptr otherwise.
    HFONT GetOwnFontHandle() const { return FOwnFontHandle; }
    // The manager's font changed: take it, or with an own font only measure again.
    void ManagerFontChanged();
    // Hidden by the manager because a category left it without a visible link.
    bool IsHiddenBecauseEmpty() const { return FHiddenBecauseEmpty; }
    void SetHiddenBecauseEmpty(bool Value) { FHiddenBecauseEmpty = Value; }
    // The bar window's own layout lock, passed on by the manager while the bar floats.
    bool GetLockUpdate() const { return FLockUpdate; }
    void SetLockUpdate(bool Value);

    // Objects that must forget the bar when it goes: each item hears BarNotification(opRemove).
    void AddDependentItem(TcbBarItem* Item);
    void RemoveDependentItem(TcbBarItem* Item);

    // The manager's loading steps: the values read while loading, applied afterwards.
    bool IsLoaded() const { return FLoaded; }
    void ApplyLoadedState();

private:
    friend class TcbBarManager;
    bool ManagerLoading() const;
    void MarkChanged();
    void WindowChanged(TcbBarWindowChange Change);
    // The window made and placed in its site, or stored and freed.
    void ShowWindow();
    void HideWindow();
    // The site the bar docks in: its DockControl, or the manager's own of its style.
    TcbDockControl* TargetSite() const;
    void BarRowChanged();
    void FontChanged(TObject* Sender);
    void MakeOwnFontHandle();
    void DeleteOwnFontHandle();
    bool IsDocked() const { return FDockingStyle != dsNone; }

    bool FAllowClose = true;
    bool FAllowCustomizing = true;
    bool FAllowQuickCustomizing = true;
    bool FAllowReset = true;
    uint8_t FAlphaBlendValue = 255;
    std::unique_ptr<TBitmap> FBackgroundBitmap;
    TcbBarBorderStyle FBorderStyle = bbsSingle;
    std::string FCaption;
    TColor FColor = clDefault;
    TcbBarDockControl* FDockControl = nullptr;
    TcbBarDockControl* FDockedDockControl = nullptr;
    TcbBarDockingStyle FDockedDockingStyle = dsTop;
    int32_t FDockedLeft = 0;
    int32_t FDockedTop = 0;
    TcbBarDockingStyle FDockingStyle = dsNone;
    int32_t FFloatLeft = 0;
    int32_t FFloatTop = 0;
    int32_t FFloatClientWidth = 0;
    int32_t FFloatClientHeight = 0;
    std::unique_ptr<TFont> FFont;
    bool FHidden = false;
    bool FIsMainMenu = false;
    std::unique_ptr<TcbBarItemLinks> FItemLinks;
    bool FMultiLine = false;
    std::string FName;
    TcbBarDockingStyles FNotDocking;
    bool FOneOnRow = false;
    bool FRotateWhenVertical = true;
    int32_t FRow = 0;
    bool FShowMark = true;
    bool FSizeGrip = true;
    bool FUseOwnFont = false;
    bool FUseRecentItems = true;
    bool FUseRestSpace = false;
    bool FVisible = false;
    bool FWholeRow = false;

    HFONT FOwnFontHandle = nullptr;
    std::vector<TcbBarItem*> FDependentItems;
    bool FDockGuard = false;       // DockControl and DockingStyle updating each other
    bool FChangingFont = false;    // the bar or the manager sets Font
    bool FMadeWhileLoading = false; // read with the form's design
    bool FLoaded = false;
    bool FLockUpdate = false;
    bool FHiddenBecauseEmpty = false;
    bool FDestroyingWindow = false;
    bool FHasBeenDocked = false;
    TcbBarDockControl* FLoadedDockControl = nullptr;
    TcbBarDockingStyle FLoadedDockingStyle = dsNone;
    bool FLoadedVisible = false;
};

class TcbBars : public TCollection {
public:
    explicit TcbBars(TcbBarManager* ABarManager);
    ~TcbBars() override;
    std::string ClassName() const override { return "TcbBars"; }

    TcbBarManager* GetBarManager() const { return FBarManager; }
    TcbBar* GetItem(int32_t Index) const;
    TcbBar* Add();
    // Name + 1, 2, ... until no bar of the manager has that Name.
    std::string MakeUniqueName(const std::string& Name) const;
    // Set by the manager while it applies what it loaded.
    bool IsLoading() const { return FLoading; }
    void SetLoading(bool Value) { FLoading = Value; }
    // The manager's own dock site of an edge style (nullptr for dsNone).
    TcbDockControl* GetDockControl(TcbBarDockingStyle Style) const;
    bool IsEdgeDockControl(const TcbDockControl* Site) const;
    // The interactive move of a bar by its grip or caption: a loop that holds the mouse until
    // the button goes up or Esc is pressed; Ctrl held keeps the bar floating.
    void DragBar(TcbBarControl* Window);
    // The bar of Window to a cursor point (screen): docked in the site under the point, or
    // floating there; a floating bar docks only after the manager's WaitForDockingTime
    // (Delayed: that wait is over, or not wanted).
    void MoveBarTo(TcbBarControl* Window, TPoint Point, bool Delayed = false);
    // The site a bar dragged to a cursor point docks in (Site nullptr and dsNone: floating).
    void FindDockSite(TcbBarControl* Window, TPoint Point, TcbBarDockingStyle& Style, TcbDockControl*& Site);
    // The window being dragged (nullptr: none) and the offset of the cursor from its top-left
    // corner for the style it has now.
    TcbBarControl* GetMovingBarControl() const { return FMovingBarControl; }
    void SetMovingBarControl(TcbBarControl* Value) { FMovingBarControl = Value; }
    TPoint GetGrabOffset() const { return FGrabOffset; }
    // The drag loop itself (the framework's DragBar entry).
    void RunDrag(TcbBarControl* Window);
    // The pending docking of a floating bar dragged over a site.
    void StopDockingTimer();
    void DockingTimerFired();

protected:
    // A bar's change reaches its window itself; the collection has nothing to refresh.
    void Update(TCollectionItem* Item) override;

private:
    TcbBarManager* FBarManager;
    bool FLoading = false;
    TcbBarControl* FMovingBarControl = nullptr;
    TPoint FGrabOffset{};
    UINT_PTR FDockingTimer = 0;
    bool FMoving = false;
    bool FCtrlHeld = false;
    TcbDockControl* FDockControls[5] = {nullptr, nullptr, nullptr, nullptr, nullptr};
};
