#pragma once
// The item kinds: buttons (styles, groups of down buttons, a drop-down menu) and window items
// with text edited in place (edits, combos with a drop-down window or string list).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "commandbars/model/cbBarItem.h"
#include "commandbars/foundation/cbTypes.h"
#include "platform/rtl/StringList.h"
#include "platform/win/Actions.h"
#include "platform/win/Controls.h"
#include "platform/win/StdCtrls.h"

class TCanvas;
class TcbBarDropDownListBox;
class TcbBarItemLinks;
class IcbItemControlView;

class TcbBarPopupMenu;

enum TcbBarButtonStyle { bsDefault, bsChecked, bsDropDown };

class TcbBarButton : public TcbBarItem {
public:
    explicit TcbBarButton(TComponent* AOwner);
    ~TcbBarButton() override;
    std::string ClassName() const override { return "TcbBarButton"; }

    bool GetAllowAllUp() const { return FAllowAllUp; }
    // Reaches every button of the manager with the same group.
    void SetAllowAllUp(bool Value);
    TcbBarButtonStyle GetButtonStyle() const { return FButtonStyle; }
    // Releases the button.
    void SetButtonStyle(TcbBarButtonStyle Value);
    bool GetCloseSubMenuOnClick() const { return FCloseSubMenuOnClick; }
    void SetCloseSubMenuOnClick(bool Value) { FCloseSubMenuOnClick = Value; }
    bool GetDown() const { return FDown; }
    // Only a bsChecked button goes down; in a group the last down button stays down unless
    // AllowAllUp, and pressing one releases the group's other.
    void SetDown(bool Value);
    bool GetDropDownEnabled() const { return FDropDownEnabled; }
    void SetDropDownEnabled(bool Value);
    int32_t GetGroupIndex() const { return FGroupIndex; }
    // 0 unless the style is bsChecked; releases the button.
    void SetGroupIndex(int32_t Value);
    bool GetLowered() const { return FLowered; }
    void SetLowered(bool Value);
    TcbBarPaintStyle GetPaintStyle() const { return FPaintStyle; }
    void SetPaintStyle(TcbBarPaintStyle Value);
    TcbBarPopupMenu* GetDropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(TcbBarPopupMenu* Value);
    using TcbBarItem::OnClick;
    using TcbBarItem::SetGlyph;
    using TcbBarItem::SetUnclickAfterDoing;

    virtual void ButtonStyleChanged();
    virtual bool ButtonAnswersTrue() const { return true; }
    virtual void DownChanged();
    virtual void DropDownEnabledChanged();
    virtual void PaintStyleChanged();

    // Shows the drop-down menu at the screen point (X, Y) for the control that opened it: with
    // the control's pressed-by-mouse flag, its extent as the owner's and, when the control
    // shares its bar's background, its rectangle as the menu's exclusion rectangle.
    virtual void DropDown(TcbBarItemControl* Control, int32_t X, int32_t Y, bool ByMouse);
    // An enabled bsChecked button toggles Down first.
    void Click() override;
    // Enabled, and in a menu always; on a toolbar only with a captioned paint style.
    bool HasAccel(TcbBarItemLink* Link) const override;
    void ActionChange(TObject* Sender, bool CheckDefaults) override;
    bool GetActionChecked(bool& Checked) const override
    {
        Checked = FDown;
        return true;
    }
    void SetActionChecked(bool Checked) override { SetDown(Checked); }
    void AssignTo(TPersistent* Dest) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    // The down bsChecked button of this button's group other than this one.
    TcbBarButton* DownButtonOfGroup() const;

    bool FAllowAllUp = false;
    TcbBarButtonStyle FButtonStyle = bsDefault;
    bool FCloseSubMenuOnClick = true;
    bool FDown = false;
    bool FDropDownEnabled = true;
    int32_t FGroupIndex = 0;
    bool FLowered = false;
    TcbBarPaintStyle FPaintStyle = psStandard;
    TcbBarPopupMenu* FDropDownMenu = nullptr;
};

// An item whose text is edited in place by its controls.
class TcbBarWindowItem : public TcbBarItem {
public:
    explicit TcbBarWindowItem(TComponent* AOwner);
    std::string ClassName() const override { return "TcbBarWindowItem"; }

    const std::string& GetText() const { return FText; }
    // A changed text is shown, then OnChange (not while loading), then shown again.
    virtual void SetText(const std::string& Value);
    bool GetSuppressEditing() const { return FSuppressEditing; }

    bool IsClickable() const override { return false; }

    // Each fires its event when assigned; Change not while loading.
    virtual void Change();
    virtual void CurChange();
    virtual void DoEnter();
    virtual void DoExit();
    virtual void KeyDown(uint16_t& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    virtual void KeyUp(uint16_t& Key, TShiftState Shift);
    // Starts editing in place in the first link with a window control (with VisibleOnly, one
    // whose bar window is visible); the controls' side does it.
    virtual void SetFocus(bool VisibleOnly = false);
    // The text in the editor of the active link's control, else Text.
    virtual std::string GetCurText() const;
    // The link whose control edits in place now (nullptr: none).
    TcbBarItemLink* GetEditingLink() const;

    TNotifyEvent OnChange;
    TNotifyEvent OnCurChange;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

protected:
    void SetSuppressEditing(bool Value) { FSuppressEditing = Value; }
    void StoreText(const std::string& Value) { FText = Value; }

private:
    std::string FText;
    bool FSuppressEditing = false;
};

// The controls' side of window items: the editor text of a link's control and whether the
// control edits in place. Connected by the item controls.
struct TcbWindowItemEditors {
    std::function<bool(TcbBarItemLink* Link)> IsEditing;
    std::function<bool(TcbBarItemLink* Link, std::string& Text)> EditorText;
    std::function<bool(TcbBarItemLink* Link, bool VisibleOnly)> StartEditing;
    std::function<bool(TcbBarItemLink* Link)> IsActive;
    // The width a combo control gives its text (the control's width less its button).
    std::function<int32_t(TcbBarItemLink* Link)> ComboTextWidth;
};
TcbWindowItemEditors& WindowItemEditors();

class TcbBarEdit : public TcbBarWindowItem {
public:
    explicit TcbBarEdit(TComponent* AOwner);
    std::string ClassName() const override { return "TcbBarEdit"; }

    int32_t GetMaxLength() const { return FMaxLength; }
    void SetMaxLength(int32_t Value); // below 1: 0
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    bool GetShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool Value);
    int32_t GetWidth() const { return FWidth; }
    void SetWidth(int32_t Value); // at least 20
    using TcbBarItem::SetGlyph;

    // The value of an edit that is not being edited, drawn by the manager's painter for Control.
    virtual void DrawValue(TCanvas* Canvas, const TRect& Rect, const IcbItemControlView* Control,
                           TcbPaintFlags State);
    virtual void WidthChanged();
    // Enabled, and shown with its caption or not on a toolbar.
    bool HasAccel(TcbBarItemLink* Link) const override;

private:
    int32_t FMaxLength = 0;
    bool FReadOnly = false;
    bool FShowCaption = false;
    int32_t FWidth = 100;
};

class TCustomcbBarCombo;
using TcbBarCheckKeyEvent =
    std::function<void(TCustomcbBarCombo* Sender, uint16_t Key, TShiftState Shift, bool& AcceptKey)>;
using TcbBarGetDropDownWindowEvent = std::function<void(TObject* Sender, HWND& Window)>;

// An edit with a drop-down window, given by OnGetDropDownWindow.
class TCustomcbBarCombo : public TcbBarEdit {
public:
    explicit TCustomcbBarCombo(TComponent* AOwner);
    std::string ClassName() const override { return "TCustomcbBarCombo"; }

    bool GetShowEditor() const { return !GetSuppressEditing(); }
    void SetShowEditor(bool Value) { SetSuppressEditing(!Value); }

    // Whether the drop-down window takes the key (Esc, Enter and Tab not, unless the event says).
    virtual bool CheckKeyForDropDownWindow(uint16_t Key, TShiftState Shift);
    virtual HWND GetDropDownWindow();
    virtual void InitDropDownWindow() {}
    virtual void DropDownMouseDown() {}
    // Hides the drop-down window and fires OnCloseUp.
    virtual void CloseUp();
    // Fires OnDropDown and shows the drop-down window at (X, Y) fitted to the work area.
    virtual void DropDown(int32_t X, int32_t Y);

    // Fits a drop-down window of the given size, anchored at (X, Y) beside a control of the
    // given size, into WorkArea: beside a control in a menu or on a vertical toolbar (Beside),
    // under it on a horizontal toolbar.
    static void AdjustDropDownPos(const TRect& WorkArea, bool Beside, int32_t ControlWidth, int32_t ControlHeight,
        int32_t WindowWidth, int32_t WindowHeight, int32_t& X, int32_t& Y);
    // Whether the list of a control shown for Link opens beside it: in a menu, or on a toolbar
    // docked left or right.
    static bool DropsDownBeside(const TcbBarItemLink* Link);

    TcbBarCheckKeyEvent OnCheckKeyForDropDownWindow;
    TNotifyEvent OnCloseUp;
    TNotifyEvent OnDropDown;
    TcbBarGetDropDownWindowEvent OnGetDropDownWindow;

protected:
    // The active link's control, when there is one with a control.
    TcbBarItemLink* GetActiveControlLink() const;
};

using TcbBarComboDrawItemEvent =
    std::function<void(TObject* Sender, int32_t AIndex, const TRect& ARect, TOwnerDrawState AState)>;
using TcbBarComboMeasureItemEvent = std::function<void(TObject* Sender, int32_t AIndex, int32_t& AHeight)>;

// A combo whose drop-down is a list of strings.
class TcbBarCustomCombo : public TCustomcbBarCombo {
public:
    explicit TcbBarCustomCombo(TComponent* AOwner);
    ~TcbBarCustomCombo() override;
    std::string ClassName() const override { return "TcbBarCustomCombo"; }

    int32_t GetDropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int32_t Value) { FDropDownCount = Value < 1 ? 1 : Value; }
    int32_t GetDropDownWidth() const { return FDropDownWidth; }
    void SetDropDownWidth(int32_t Value) { FDropDownWidth = Value < 0 ? 0 : Value; }
    int32_t GetItemHeight() const { return FItemHeight; }
    void SetItemHeight(int32_t Value) { FItemHeight = Value < 0 ? 0 : Value; }
    int32_t GetItemIndex() const { return FItemIndex; }
    // Outside the entries: -1; the text becomes the entry (or "").
    void SetItemIndex(int32_t Value);
    TStringList* GetItems() const { return FItems.get(); }
    void SetItems(TStrings* Value) { FItems->Assign(Value); }
    bool GetSorted() const { return FSorted; }
    // Sorts the entries and finds ItemIndex again from the text.
    void SetSorted(bool Value);

    // Also selects the entry of that text (unless the current one says it already).
    void SetText(const std::string& Value) override;
    bool CheckKeyForDropDownWindow(uint16_t Key, TShiftState Shift) override;
    // OnGetDropDownWindow's window, else the list window (0 until the list exists).
    HWND GetDropDownWindow() override;
    // The list window's strings, width and height.
    void InitDropDownWindow() override;
    void DropDownMouseDown() override;
    void CloseUp() override;
    void DropDown(int32_t X, int32_t Y) override;

    virtual void DrawItem(int32_t Index, const TRect& Rect, TOwnerDrawState State);
    // Draws the current entry of Link on a control's canvas (how a closed combo shows it).
    virtual void DrawItemOf(TCanvas* Canvas, TcbBarItemLink* Link, const TRect& Rect);
    // Draws entry Index of the open list on its device context.
    void DrawListItem(HDC DC, int32_t Index, const TRect& Rect, TOwnerDrawState State);
    // The list box (its window is made on the first drop-down).
    TcbBarDropDownListBox* GetListBox() const { return FListBox.get(); }
    virtual TCanvas* GetItemsCanvas();
    virtual int32_t GetDropDownWidth();
    // 4 + the heights of the first entries, up to DropDownCount of them.
    int32_t GetDropDownHeight();
    virtual void MeasureItem(int32_t Index, int32_t& Height);
    virtual void MeasureItemWidth(int32_t Index, int32_t& Width);
    // The entry that matches the edited text, shown selected in an open list; the found index.
    int32_t SyncListSelection();
    // The entry sharing the longest leading part with Text, ignoring case (-1: none shares the
    // first character); the first entry that holds the whole of Text ends the search.
    int32_t FindPrefixItem(const std::string& Text) const;

    // The list window, made by the controls' side; the combo only reads it.
    void SetListWindow(HWND Value) { FListWindow = Value; }
    bool IsDroppedDown() const { return FDroppedDown; }

    TcbBarComboDrawItemEvent OnDrawItem;
    TcbBarComboMeasureItemEvent OnMeasureItem;

private:
    void ItemsChanged(TObject* Sender);

    int32_t FDropDownCount = 8;
    int32_t FDropDownWidth = 0;
    int32_t FItemHeight = 0;
    int32_t FItemIndex = -1;
    std::unique_ptr<TStringList> FItems;
    bool FSorted = false;
    // Set while an item control draws through DrawItemOf.
    bool FOutsideDraw = false;
    TCanvas* FOutsideCanvas = nullptr;
    std::unique_ptr<TCanvas> FItemsCanvas;
    HDC FItemsDC = nullptr;
    HWND FListWindow = nullptr;
    std::unique_ptr<TcbBarDropDownListBox> FListBox;
    bool FDroppedDown = false;
    bool FListCaptured = false;
};

class TcbBarCombo : public TcbBarCustomCombo {
public:
    explicit TcbBarCombo(TComponent* AOwner) : TcbBarCustomCombo(AOwner) {}
    std::string ClassName() const override { return "TcbBarCombo"; }
};

using TcbBarPaintBarEvent = std::function<void(TObject* Sender, TCanvas* Canvas, const TRect& R)>;

// An item with its own links, shown in a sub-menu window.
class TCustomcbBarSubItem : public TcbBarItem {
public:
    explicit TCustomcbBarSubItem(TComponent* AOwner);
    ~TCustomcbBarSubItem() override;
    std::string ClassName() const override { return "TCustomcbBarSubItem"; }

    int32_t GetBarSize() const { return FBarSize; }
    void SetBarSize(int32_t Value) { FBarSize = Value < 0 ? 0 : Value; }
    bool GetDetachable() const { return FDetachable; }
    void SetDetachable(bool Value) { FDetachable = Value; }
    // The index of the bar a detached menu becomes (-1: none, also for an index not in the list).
    int32_t GetDetachingBar() const;
    void SetDetachingBar(int32_t Value);
    TcbBarItemLinks* GetItemLinks() const { return FItemLinks.get(); }
    void SetItemLinks(TcbBarItemLinks* Value);
    bool GetShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool Value);
    using TcbBarItem::SetGlyph;

    using TcbBarItem::OnClick;
    bool IsClickable() const override { return false; }
    void BarManagerChanged() override;
    void BarNotification(TOperation Operation, TcbBar* Bar) override;
    virtual void PaintBar(TCanvas* Canvas, const TRect& R);
    virtual bool CanCustomizeLinks() const { return true; }
    virtual void DoCloseUp();
    virtual void DoDetaching();
    virtual void DoPopup();
    // False for the sub-item itself, for a sub-item whose links at any depth hold this one and
    // for a button whose drop-down menu's links hold it: such a menu would contain itself.
    bool CanContainItem(TcbBarItem* Item) const;
    // Runs the item of its links with that shortcut: true when one ran.
    bool IsShortCut(TShortCut ShortCut);

    TNotifyEvent OnDetaching;
    TcbBarPaintBarEvent OnPaintBar;
    TNotifyEvent OnCloseUp;
    TNotifyEvent OnPopup;

protected:
    bool CaptionSetsHint() const override { return false; }

private:
    std::unique_ptr<TcbBarItemLinks> FItemLinks;
    int32_t FBarSize = 0;
    bool FDetachable = false;
    TcbBar* FDetachingBar = nullptr;
    bool FShowCaption = true;
};

class TcbBarSubItem : public TCustomcbBarSubItem {
public:
    explicit TcbBarSubItem(TComponent* AOwner) : TCustomcbBarSubItem(AOwner) {}
    std::string ClassName() const override { return "TcbBarSubItem"; }
    bool GetAllowCustomizing() const { return FAllowCustomizing; }
    void SetAllowCustomizing(bool Value) { FAllowCustomizing = Value; }
    // Made by the framework for its own menus: its links are not the user's to customize.
    bool GetFrameworkMade() const { return FFrameworkMade; }
    void SetFrameworkMade(bool Value) { FFrameworkMade = Value; }
    bool CanCustomizeLinks() const override { return !FFrameworkMade; }

private:
    bool FAllowCustomizing = true;
    bool FFrameworkMade = false;
};

// An item whose content is put in place into the menu that shows it.
class TCustomcbBarContainerItem : public TCustomcbBarSubItem {
public:
    explicit TCustomcbBarContainerItem(TComponent* AOwner) : TCustomcbBarSubItem(AOwner) {}
    ~TCustomcbBarContainerItem() override;
    std::string ClassName() const override { return "TCustomcbBarContainerItem"; }

    // Puts the content into ItemLinks from Index on, generated from ContainerLink; with GetData
    // OnGetData fills it first (a failure there is swallowed).
    virtual void AddListedItemLinks(TcbBarItemLinks* ItemLinks, int32_t Index, TcbBarItemLink* ContainerLink,
        bool GetData);
    virtual void DeleteListedItemLinks(TcbBarItemLinks* ItemLinks, int32_t Index) { (void)ItemLinks, (void)Index; }
    virtual void ClearContent() { FContentCreated = false; }
    virtual bool FirstLinkBeginsGroup() const { return true; }
    // The content changed: the links show again (not while OnGetData is being served).
    virtual void ContentChanged();
    bool CanBeVisible() const override;
    bool IsServingGetData() const { return FServingGetData; }
    bool IsContentCreated() const { return FContentCreated; }

    TNotifyEvent OnGetData;

protected:
    void SetContentCreated(bool Value) { FContentCreated = Value; }
    // A new link at Index of ItemLinks for Item, counting for ContainerLink's use.
    static TcbBarItemLink* AddGeneratedLink(TcbBarItemLinks* ItemLinks, int32_t Index, TcbBarItemLink* ContainerLink);

private:
    bool FServingGetData = false;
    bool FContentCreated = false;
};

// One generated button for each string of Items.
class TcbBarListItem : public TCustomcbBarContainerItem {
public:
    explicit TcbBarListItem(TComponent* AOwner);
    ~TcbBarListItem() override;
    std::string ClassName() const override { return "TcbBarListItem"; }

    TStringList* GetItems() const { return FItems.get(); }
    void SetItems(TStrings* Value) { FItems->Assign(Value); }
    int32_t GetItemIndex() const { return FItemIndex; }
    void SetItemIndex(int32_t Value) { FItemIndex = Value; }
    bool GetShowCheck() const { return FShowCheck; }
    void SetShowCheck(bool Value) { FShowCheck = Value; }
    bool GetShowNumbers() const { return FShowNumbers; }
    void SetShowNumbers(bool Value) { FShowNumbers = Value; }
    // The place of ItemIndex among the real entries (separators "-" not counted).
    int32_t GetDataIndex() const;
    void SetDataIndex(int32_t Value);
    void Notification(TComponent* AComponent, TOperation Operation) override;
    int32_t GetGeneratedCount() const { return static_cast<int32_t>(FButtons.size()); }
    TcbBarButton* GetGeneratedButton(int32_t Index) const { return FButtons.at(static_cast<size_t>(Index)); }

    void AddListedItemLinks(TcbBarItemLinks* ItemLinks, int32_t Index, TcbBarItemLink* ContainerLink,
        bool GetData) override;
    void DeleteListedItemLinks(TcbBarItemLinks* ItemLinks, int32_t Index) override;
    void ClearContent() override;
    bool CanBeVisible() const override;
    // A generated button was clicked: its entry becomes ItemIndex, then the list item's click.
    void ButtonClick(TObject* Sender);
    virtual std::string GetItemCaption(const std::string& Entry) const { return Entry; }

private:
    int32_t RealEntryCount() const;

    std::unique_ptr<TStringList> FItems;
    int32_t FItemIndex = -1;
    bool FShowCheck = false;
    bool FShowNumbers = true;
    std::vector<TcbBarButton*> FButtons;
};

// Its own links, copied in place.
class TcbBarContainerItem : public TCustomcbBarContainerItem {
public:
    explicit TcbBarContainerItem(TComponent* AOwner) : TCustomcbBarContainerItem(AOwner) {}
    ~TcbBarContainerItem() override;
    std::string ClassName() const override { return "TcbBarContainerItem"; }
    void AddListedItemLinks(TcbBarItemLinks* ItemLinks, int32_t Index, TcbBarItemLink* ContainerLink,
        bool GetData) override;
    void DeleteListedItemLinks(TcbBarItemLinks* ItemLinks, int32_t Index) override;
    bool CanBeVisible() const override;
    // Own links exist and either none has an item or one of the items shows.
    bool HasVisibleContent() const;
};

// Shows a button's drop-down menu at a screen point; the menu windows connect it.
using TcbDropDownMenuShow = std::function<void(TcbBarPopupMenu* Menu, TcbBarItemControl* Control, int32_t X,
    int32_t Y, bool ByMouse)>;
void SetDropDownMenuShow(TcbDropDownMenuShow Show);

// True when the link lies on a bar (a toolbar or the main menu bar) rather than in a menu.
bool cbLinkIsOnBar(const TcbBarItemLink* Link);
