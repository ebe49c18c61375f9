#pragma once
// The context-menu component: item links of a bar manager shown at a screen point as a menu
// window. Buttons show their drop-down menus through it too.

#include <cstdint>
#include <functional>
#include <memory>

#include <windows.h>

#include "commandbars/foundation/cbTypes.h"
#include "platform/rtl/Classes.h"
#include "platform/win/Actions.h"

class TcbBarManager;
class TcbBarItemLinks;
class TBitmap;
class TCanvas;
class TcbBarSubMenuControl;
class TFont;
class TWinControl;

using TcbBarPaintSubMenuBarEvent = std::function<void(TObject* Sender, TCanvas* Canvas, const TRect& R)>;

class TcbBarPopupMenu : public TComponent {
public:
    // Raises Exception "There are no TcbBarManagers available" without any manager; takes the
    // manager of its owner form, else the first manager there is.
    explicit TcbBarPopupMenu(TComponent* AOwner);
    ~TcbBarPopupMenu() override;
    std::string ClassName() const override { return "TcbBarPopupMenu"; }

    TBitmap* GetBackgroundBitmap() const { return FBackgroundBitmap.get(); }
    void SetBackgroundBitmap(TBitmap* Value);
    TcbBarManager* GetBarManager() const { return FBarManager; }
    // nullptr only while the menu is being destroyed; the menu moves to the new manager's list.
    void SetBarManager(TcbBarManager* Value);
    int32_t GetBarSize() const { return FBarSize; }
    void SetBarSize(int32_t Value) { FBarSize = Value < 0 ? 0 : Value; }
    // A change of the font (not made by the menu) switches UseOwnFont on.
    TFont* GetFont() const { return FFont.get(); }
    void SetFont(TFont* Value);
    HFONT GetFontHandle() const { return FFontHandle; }
    TcbBarItemLinks* GetItemLinks() const { return FItemLinks.get(); }
    void SetItemLinks(TcbBarItemLinks* Value);
    bool GetUseOwnFont() const { return FUseOwnFont; }
    void SetUseOwnFont(bool Value);
    // The manager's font changed: a menu without a font of its own takes it.
    void ManagerFontChanged();
    bool GetUseRecentItems() const { return FUseRecentItems; }
    void SetUseRecentItems(bool Value);

    // True from OnPopup to OnCloseUp.
    bool IsOpen() const { return FOpen; }
    void SetOpen(bool Value) { FOpen = Value; }
    bool GetAnimate() const { return FAnimate; }
    void SetAnimate(bool Value) { FAnimate = Value; }
    bool GetNoWait() const { return FNoWait; }
    void SetNoWait(bool Value) { FNoWait = Value; }
    // The values of one showing: the opening item's rect and window, the owner extent values.
    const TRect* GetExclusionRect() const { return FExclusionRect; }
    void SetExclusionRect(const TRect* Value) { FExclusionRect = Value; }
    TWinControl* GetParentItemWindow() const { return FParentItemWindow; }
    void SetParentItemWindow(TWinControl* Value) { FParentItemWindow = Value; }
    int32_t GetOwnerWidth() const { return FOwnerWidth; }
    int32_t GetOwnerHeight() const { return FOwnerHeight; }
    void SetOwnerValues(int32_t Width, int32_t Height)
    {
        FOwnerWidth = Width;
        FOwnerHeight = Height;
    }

    // Shows the menu at a screen point and returns once it has closed; a command chosen in it
    // has run by then (unless the call came from inside a framework entry, which runs it when
    // it ends). Nothing while the menu shows.
    void PopupMenuLoop(int32_t X, int32_t Y);
    void Popup(int32_t X, int32_t Y);
    // The same with the values of one showing: the opening item's rect (screen) and window, the
    // animate flag and the owner extent.
    void PopupEx(int32_t X, int32_t Y, const TRect* ExclusionRect, bool Animate, int32_t OwnerWidth,
                 int32_t OwnerHeight, TWinControl* ParentItemWindow);
    // Runs for the next showing only, right before its window shows.
    void SetBeforeShow(std::function<void(TcbBarSubMenuControl* Menu)> Step) { FBeforeShow = std::move(Step); }
    // Whether Object is a popup menu that has not been freed.
    static bool IsLivePopupMenu(const void* Object);

    // The menu window paints its side bar through it.
    virtual void DoPaintBar(TCanvas* Canvas, const TRect& R);
    // Runs the item of its links with that shortcut: true when one ran.
    bool IsShortCut(TShortCut ShortCut);
    void Loaded() override;
    // The links changed: at design time the manager is marked changed.
    void Changed();

    TNotifyEvent OnCloseUp;
    TcbBarPaintSubMenuBarEvent OnPaintBar;
    TNotifyEvent OnPopup;

private:
    void FontChanged(TObject* Sender);
    void DeleteFontHandle();

    std::function<void(TcbBarSubMenuControl* Menu)> FBeforeShow;
    bool FNoWait = false;
    std::unique_ptr<TBitmap> FBackgroundBitmap;
    TcbBarManager* FBarManager = nullptr;
    int32_t FBarSize = 0;
    HFONT FFontHandle = nullptr;
    std::unique_ptr<TFont> FFont;
    bool FChangingFont = false;
    std::unique_ptr<TcbBarItemLinks> FItemLinks;
    const TRect* FExclusionRect = nullptr;
    TWinControl* FParentItemWindow = nullptr;
    int32_t FOwnerWidth = 0;
    int32_t FOwnerHeight = 0;
    bool FOpen = false;
    bool FAnimate = true;
    bool FUseOwnFont = false;
    bool FUseRecentItems = false;
};
