#pragma once
// The framework's late-bound entry points: the layout storage, the link drag, quick customization,
// the customizing dialog and the bar editors are modules of their own that fill their entries of
// this table when the framework starts. The core calls them through it, so it neither depends on
// those modules nor waits for them: an empty entry means the feature is absent, and a call to it
// does nothing and answers nullptr, false or zero.

#include <functional>
#include <string>
#include <utility>

#include <windows.h>

#include "platform/win/Graphics.h"

class TCustomForm;
class TCustomcbBarControl;
class TcbBar;
class TcbBarControl;
class TcbBarItem;
class TcbBarItemLink;
class TcbBarItemLinks;
class TcbBarManager;

struct TcbFrameworkExtensions {
    // Layout storage: a manager's bars and links read from or written to a registry path or an
    // ini file.
    std::function<void(TcbBarManager* Manager, const std::string& RegistryPath)> LoadFromRegistry;
    std::function<void(TcbBarManager* Manager, const std::string& FileName)> LoadFromIniFile;
    std::function<void(TcbBarManager* Manager, const std::string& RegistryPath)> SaveToRegistry;
    std::function<void(TcbBarManager* Manager, const std::string& FileName)> SaveToIniFile;

    // The modal drag of an item from the dialog's command list (Link nullptr) or of a link.
    std::function<void(TcbBarManager* Manager, TcbBarItem* Item, TcbBarItemLink* Link)> DragItemLink;

    // The interactive move of a docked or floating bar, started on its grip or caption.
    std::function<void(TcbBarControl* Window)> DragBar;

    // Quick customization: the toolbars popup and the customizing popup at a screen point, the
    // "More Buttons" window of a toolbar, and the topmost state of the popups over the dialog.
    std::function<void(TcbBarManager* Manager, TPoint Point)> ShowToolbarsPopup;
    std::function<void(TcbBarManager* Manager, TcbBarItemLink* Link, TcbBarItemLinks* Links, TPoint Point)>
        ShowCustomizingPopup;
    std::function<void(TCustomcbBarControl* BarControl)> OpenQuickControl;
    std::function<TCustomcbBarControl*()> GetOpenQuickControl;
    // A control of another window was selected: the open "More Buttons" window's close timer.
    std::function<void()> StartQuickCloseTimer;
    std::function<void(bool TopMost)> SetTopMostChain;

    // The customizing dialog: shown or hidden for a manager, the open one, whether it takes
    // drags onto bars now (its drag state: open, shown and not held by a modal window of its
    // own), following its owner's show and hide, and what it hears of changes.
    std::function<void(TcbBarManager* Manager, bool Show)> ShowCustomizingForm;
    std::function<TCustomForm*()> GetCustomizingForm;
    std::function<bool()> IsCustomizingFormInDragState;
    std::function<void(const WINDOWPOS& Pos)> ApplyOwnerWindowPos;
    std::function<void()> CustomizingFormStyleChanged;
    std::function<void()> CustomizingFormUpdateHelpButton;
    std::function<void(TcbBar* Bar)> CustomizingFormRemoveBarRow;
    std::function<void(TcbBar* Bar)> CustomizingFormBarChanged;
    std::function<void()> CustomizingFormRefreshCommands;
    std::function<void(TcbBarItem* Item, bool Force)> CustomizingFormSelectItem;
    std::function<void(TcbBarItem* Item)> CustomizingFormItemDestroying;
    std::function<void()> CustomizingFormUpdateOptions;
    std::function<void(TcbBarItem* Item)> CustomizingFormCategoryChanged;
    std::function<void(TcbBarItem* Item)> CustomizingFormItemRenamed;
    std::function<void()> CustomizingFormGroupsChanged;
    std::function<void()> CustomizingFormRefreshGroupItems;
    // A command dragged over the dialog's categories list (design time): the entry under the
    // screen point is highlighted, or the highlight cleared between the entries. True while the
    // point is over the list; Category is the highlighted entry's category, -1 for none. The
    // drag's end puts the list's own choice back unless Keep holds the highlighted entry.
    std::function<bool(TPoint Screen, int32_t& Category)> CustomizingFormCategoryDragOver;
    std::function<void(bool Keep)> CustomizingFormEndCategoryDrag;

    // The bar editors: the open sub-menu editor, and the menu window it shows (nullptr while
    // shut); closing that menu leaves the editor open.
    std::function<TCustomForm*()> GetSubMenuEditor;
    std::function<TCustomcbBarControl*()> GetSubMenuEditorMenu;
    std::function<void()> CloseSubMenuEditorMenu;
};

// The one table, filled by the modules at framework start.
TcbFrameworkExtensions& cbExtensions();
// Empties every entry (the framework's end).
void ResetFrameworkExtensions();

// Calls an entry; an empty one does nothing and answers the empty value of its result type.
template <class R, class... P, class... A>
R cbCallExtension(const std::function<R(P...)>& Entry, A&&... Args)
{
    if (!Entry)
        return R();
    return Entry(std::forward<A>(Args)...);
}
