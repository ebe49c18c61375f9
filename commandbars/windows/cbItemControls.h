#pragma once
// Item controls: the live object that shows one item link inside one bar window. The link makes
// it when it becomes visible there and frees it when it leaves. A control answers its window's
// questions (size, selectability, the keys it wants), turns mouse and keyboard input into item
// actions (press, click, drop-down, sub-menu, editing in place) and draws itself through the
// manager's painter. It holds no command state: caption, glyph, enabled state and so on come
// from the link and the item. User-interface thread only.

#include <cstdint>
#include <string>

#include <windows.h>

#include "commandbars/foundation/cbTypes.h"
#include "commandbars/painters/cbPainter.h"
#include "commandbars/foundation/cbRoutines.h"

// The controls' CreateWindow is an operation of theirs, not the system's macro.
#undef CreateWindow

class TcbBarManager;
class TCustomcbBarControl;
class TWindowSubclass;
class TcbBarButton;
class TcbBarEdit;
class TCustomcbBarCombo;
class TcbBarCustomCombo;
class TCustomcbBarSubItem;

class TcbBarItemControl : public IcbItemControlView {
public:
    TcbBarItemControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link);
    TcbBarItemControl(const TcbBarItemControl&) = delete;
    TcbBarItemControl& operator=(const TcbBarItemControl&) = delete;
    ~TcbBarItemControl() override;

    // The operations, in table order.
    virtual void BarWindowDestroying();
    virtual void BeginGroupChanged();
    virtual void CaptionChanged();
    virtual void EnabledChanged();
    virtual void GlyphChanged();
    virtual void ClickingChanged();
    virtual void ShortCutChanged();
    virtual void VisibleChanged();
    virtual bool CanClick() const;
    virtual bool IsCustomizable() const;
    virtual bool CanHotTrack() const;
    virtual bool CanSelect() const;
    virtual void PressAndClick(bool ByMouse);
    virtual void ControlActivate(bool Immediately);
    virtual void ControlInactivate(bool Immediately);
    virtual void ControlPress(bool ByMouse);
    virtual void ControlClick(bool ByMouse);
    bool IsSelected() const override;
    virtual void KeyDown(uint16_t Key);
    virtual bool WantsKey(uint16_t Key) const;
    virtual void GetTextColors(TcbPaintFlags State, TColor& TextColor, HBRUSH& Brush) const;
    std::string GetCaption() const override;
    virtual bool GetEnabled() const;
    TBitmap* GetGlyph() const override;
    int32_t GetImageIndex() const override;
    TImageList* GetImages() const override;
    virtual std::string GetHint() const;
    TImageList* GetHotImages() const override;
    bool IsGlyphEnabled() const override;
    TImageList* GetLargeImages() const override;
    virtual uint16_t GetShortCut() const;
    virtual int32_t GetCaptionOffset() const;
    int32_t GetHeight() const override;
    virtual int32_t GetMinHeight() const;
    virtual int32_t GetMinWidth() const;
    virtual TCustomcbBarControl* GetSubMenuControl() const;
    int32_t GetWidth() const override;
    virtual bool CanShowHint() const;
    virtual bool IsBackgroundShared() const;
    virtual bool ClosesMenuOnClick() const;
    virtual bool HasSubMenu() const;
    virtual bool AnswersFalse() const { return false; }
    virtual bool CanBePressed() const;
    virtual void Draw(const TRect& R, TcbDrawKind Kind);
    virtual void Repaint();

    // Dynamic operations.
    virtual void RebuildBar();
    virtual void EmptyHook() {}
    virtual bool WantsDblClick() const;
    // The control's own double click (the bar window hands it on).
    virtual void ControlDblClick() {}
    // Runs once the control is made, before anything else uses it (window controls make their
    // editor here).
    virtual void AfterConstruction() {}

    // Other operations.
    TcbBarManager* GetBarManager() const;
    TcbPainterClass GetPainter() const;
    TcbBarItem* GetItem() const override;
    TcbBarItemLink* GetLink() const { return FLink; }
    TCustomcbBarControl* GetBarControl() const { return FBarControl; }
    bool HasGlyph() const override;
    bool IsPressedWithMouse() const;
    bool IsUsable() const { return CanSelect() || CanClick(); }
    TcbBarItemAlign GetRealAlign() const;
    int32_t GetRealWidth() const;
    int32_t GetRealHeight() const;
    void DrawGlyph(const TRect& R, TcbPaintFlags State, TcbDrawKind Kind);
    void DrawMenuItem(const TRect& R, TcbPaintFlags State);
    void DrawCaption(const TRect& R, TcbPaintFlags State, UINT Format);
    void DrawLowered(TRect& R);

    bool GetActiveFlag() const { return FActive; }
    bool IsClicking() const { return FClicking; }
    bool IsSelectedByMouse() const { return FSelectedByMouse; }
    void SetSelectedByMouse(bool Value) { FSelectedByMouse = Value; }
    bool HasInPlaceWindow() const { return FHasWindow; }
    // The drawing kind of the control's window: menu row, rotated vertical or horizontal.
    TcbDrawKind GetDrawKind() const;
    bool InMenu() const;
    // The paint state flags shared by the kinds.
    TcbPaintFlags BaseFlags() const;
    // Set while the item is being destroyed (its controls then leave their menus alone).
    bool IsItemDestroying() const;
    // The HDC the control draws on: the bar window's canvas.
    HDC GetDC() const;

    // IcbItemControlView.
    TcbBarItemLink* GetItemLink() const override { return FLink; }
    const IcbBarWindowView* GetBarWindow() const override;
    TcbItemControlKind GetKind() const override { return ickButton; }
    bool IsPressed() const override { return FClicking; }
    bool IsDown() const override { return false; }
    bool IsEnabled() const override { return GetEnabled(); }
    bool IsDroppedDown() const override { return false; }
    bool IsActive() const override { return FActive; }
    bool IsPressedByMouse() const override { return false; }
    bool IsArrowPressed() const override { return false; }
    bool IsEditing() const override { return false; }
    bool IsReadOnly() const override { return false; }
    bool IsRarelyUsed() const override { return FRarelyUsed; }
    bool IsFirstRarelyUsed() const override { return FFirstRarelyUsed; }
    // The marks a menu window sets while it lays its rows out: the link is rarely used, and the
    // first of a band of such links.
    void SetRarelyUsedMarks(bool RarelyUsed, bool First)
    {
        FRarelyUsed = RarelyUsed;
        FFirstRarelyUsed = RarelyUsed && First;
    }
    bool IsBeginGroup() const override;
    TImageList* GetDisabledImages() const override;
    std::string GetShortCutText() const override;
    TcbBarPaintStyle GetRealPaintStyle() const override;
    int32_t GetButtonStyle() const override { return 0; }
    bool IsLowered() const override { return false; }
    int32_t GetArrowWidth() const override { return 0; }
    TRect GetItemRect() const override;
    TRect GetItemRect2() const override;
    int32_t GetEditCaptionWidth() const override { return 0; }
    HWND GetEditor() const override { return nullptr; }
    std::string GetText() const override { return {}; }
    TRect GetComboButtonRect() const override { return {}; }

protected:
    void SetHasWindow(bool Value) { FHasWindow = Value; }
    void SetActiveFlag(bool Value) { FActive = Value; }
    void SetClicking(bool Value);

private:
    bool FHasWindow = false;
    bool FActive = false;
    TcbBarItemLink* FLink;
    TCustomcbBarControl* FBarControl;
    bool FClicking = false;
    bool FSelectedByMouse = false;
    bool FRepainting = false;
    bool FRarelyUsed = false;
    bool FFirstRarelyUsed = false;
};

class TcbBarButtonControl : public TcbBarItemControl {
public:
    TcbBarButtonControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link);
    TcbBarButton* GetButton() const;

    void GlyphChanged() override;
    void ControlInactivate(bool Immediately) override;
    void ControlPress(bool ByMouse) override;
    void ControlClick(bool ByMouse) override;
    bool IsSelected() const override;
    void KeyDown(uint16_t Key) override;
    bool WantsKey(uint16_t Key) const override;
    int32_t GetHeight() const override;
    TCustomcbBarControl* GetSubMenuControl() const override;
    int32_t GetWidth() const override;
    bool ClosesMenuOnClick() const override;
    bool CanBePressed() const override;
    void Draw(const TRect& R, TcbDrawKind Kind) override;

    // New operations.
    int32_t GetArrowWidth() const override;
    virtual void ButtonStyleChanged();
    virtual void DownChanged();
    virtual void DropDownEnabledChanged();
    virtual int32_t GetDefaultHeight() const;
    virtual int32_t GetDefaultWidth() const;
    virtual void PaintStyleChanged();
    // The drop-down menu's loop has ended.
    virtual void CloseDropDownState();
    virtual void DropDown(bool ByMouse);

    TcbBarPaintStyle GetRealPaintStyle() const override;
    bool IsDropDownOpen() const { return FDropDownOpen; }
    void SetPressedByMouse(bool Value) { FPressedByMouse = Value; }
    // Left button down inside the control with the cursor on its arrow part.
    bool IsArrowPressed() const override;

    bool IsPressedByMouse() const override { return FPressedByMouse; }
    bool IsDown() const override;
    bool IsDroppedDown() const override { return FDropDownOpen; }
    int32_t GetButtonStyle() const override;
    bool IsLowered() const override;

private:
    bool FDropDownOpen = false;
    bool FPressedByMouse = false;
};

// A control with an in-place editor window.
class TcbBarWinControl : public TcbBarItemControl {
public:
    TcbBarWinControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link);
    ~TcbBarWinControl() override;

    bool CanClick() const override;
    void ControlInactivate(bool Immediately) override;
    void ControlPress(bool ByMouse) override;
    bool ClosesMenuOnClick() const override { return false; }
    void AfterConstruction() override;

    virtual void CreateWindow();
    virtual void DestroyWindow();
    // The value shown: the editor's text while editing, else the item's.
    std::string GetText() const override;
    // What the editor holds now.
    std::string GetEditorText() const;
    virtual void SetEditing(bool Value);
    virtual void SetText(const std::string& Value);
    // The editor's window procedure: true when the message was handled (Result answers it).
    virtual bool WndProc(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);

    TRect GetWindowRect() const;
    void SetWindowRect(const TRect& Value);
    bool IsEditing() const override { return FEditing; }
    HWND GetEditor() const override { return FWindow; }
    // System keys the editor passed on and waits to see released.
    int32_t GetPendingSysKeys() const { return FPendingSysKeys; }
    // Raised while the editor hands a key to the framework's keyboard handling.
    static bool IsNoNextHook();
    // The framework's keyboard handling of a system key from an editor (connected by the
    // keyboard hook): true when it took the key.
    using TEditorSysKeyHandler = bool (*)(UINT Msg, WPARAM WParam, LPARAM LParam);
    static void SetEditorSysKeyHandler(TEditorSysKeyHandler Handler);

protected:
    // Calls the previous window procedure.
    LRESULT CallDefault(UINT Msg, WPARAM WParam, LPARAM LParam);
    void SetWindowHandle(HWND Value) { FWindow = Value; }
    void Hook();
    bool IsSettingText() const { return FSettingText; }
    bool& SettingTextFlag() { return FSettingText; }
    void RemovePendingChars();

private:
    TWindowSubclass* FSubclass = nullptr;
    bool FEditing = false;
    bool FSettingText = false;
    HWND FWindow = nullptr;
    int32_t FPendingSysKeys = 0;
    HWND FFocusedBefore = nullptr;
    TRect FWindowRect{};
    bool FNoWindow = false;
};

class TcbBarEditControl : public TcbBarWinControl {
public:
    TcbBarEditControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link);
    TcbBarEdit* GetEdit() const;

    void ControlPress(bool ByMouse) override;
    bool IsSelected() const override;
    int32_t GetHeight() const override;
    int32_t GetMinWidth() const override;
    int32_t GetWidth() const override;
    void Draw(const TRect& R, TcbDrawKind Kind) override;
    void CreateWindow() override;
    void SetEditing(bool Value) override;
    void SetText(const std::string& Value) override;
    bool WndProc(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;
    virtual void WidthChanged();
    int32_t GetCaptionWidth() const;

    TcbItemControlKind GetKind() const override { return ickEdit; }
    int32_t GetEditCaptionWidth() const override { return GetCaptionWidth(); }
    bool IsReadOnly() const override;

protected:
    // The box of the value: the item rect without the caption part.
    TRect GetBoxRect(const TRect& R) const;
    void DrawBox(const TRect& R, TcbDrawKind Kind, TRect& Inner);
};

class TCustomcbBarComboControl : public TcbBarEditControl {
public:
    TCustomcbBarComboControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link);
    TCustomcbBarCombo* GetCombo() const;

    void ControlInactivate(bool Immediately) override;
    void GetTextColors(TcbPaintFlags State, TColor& TextColor, HBRUSH& Brush) const override;
    void Draw(const TRect& R, TcbDrawKind Kind) override;
    bool WndProc(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;
    virtual void SetDroppedDown(bool Value);

    bool GetDroppedDown() const { return FDroppedDown; }
    bool IsDroppedDown() const override { return FDroppedDown; }
    TRect GetComboButtonRect() const override { return FButtonRect; }
    TcbItemControlKind GetKind() const override { return ickCombo; }

private:
    TRect FButtonRect{};
    bool FDroppedDownAtPress = false;
    bool FDroppedDown = false;
};

class TcbBarComboControl : public TCustomcbBarComboControl {
public:
    TcbBarComboControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link);
    TcbBarCustomCombo* GetCustomCombo() const;

    bool WndProc(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;
    void SetEditing(bool Value) override;
    int32_t GetCurIndex() const { return FCurIndex; }
    void SetCurIndex(int32_t Value);

private:
    int32_t FCurIndex = -1;
};

class TcbBarSubItemControl : public TcbBarItemControl {
public:
    TcbBarSubItemControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link);
    ~TcbBarSubItemControl() override;
    TCustomcbBarSubItem* GetSubItem() const;

    void GlyphChanged() override;
    bool CanClick() const override { return false; }
    void ControlActivate(bool Immediately) override;
    void ControlInactivate(bool Immediately) override;
    void ControlPress(bool ByMouse) override;
    void KeyDown(uint16_t Key) override;
    bool WantsKey(uint16_t Key) const override;
    int32_t GetHeight() const override;
    TCustomcbBarControl* GetSubMenuControl() const override;
    int32_t GetWidth() const override;
    bool ClosesMenuOnClick() const override { return false; }
    bool HasSubMenu() const override { return true; }
    void Draw(const TRect& R, TcbDrawKind Kind) override;
    bool WantsDblClick() const override;

    // New operations.
    virtual TCustomcbBarControl* GetSubMenuWindow() const;
    // The menu window the control opens (the menu windows supply it).
    virtual TCustomcbBarControl* CreateSubMenuWindow();
    virtual int32_t GetDefaultHeight() const;
    virtual int32_t GetDefaultWidth() const;
    virtual bool CanOpenSubMenu() const { return true; }

    bool IsOpenedByMouse() const { return FPressedByMouse; }
    void SetOpenedByMouse(bool Value) { FPressedByMouse = Value; }
    TcbItemControlKind GetKind() const override { return ickSubItem; }
    bool IsDroppedDown() const override;

    // The one control of the framework whose delayed open or close waits (nullptr: none).
    static TcbBarSubItemControl* PendingControl();
    // How long a hovered sub-item waits before it opens or closes its menu.
    static constexpr uint32_t kSubMenuDelay = 400;

protected:
    // Closes and frees the open menu window (the menu windows may close it their way).
    virtual void CloseSubMenuWindow();

private:
    void OpenSubMenu();
    void StartTimer(bool Open);
    void StopTimer();
    static void OpenTimerProc(UINT_PTR Id);
    static void CloseTimerProc(UINT_PTR Id);

    bool FPressedByMouse = false;
    TCustomcbBarControl* FSubMenu = nullptr;
};

class TcbBarContainerItemControl : public TcbBarSubItemControl {
public:
    using TcbBarSubItemControl::TcbBarSubItemControl;
    TCustomcbBarControl* CreateSubMenuWindow() override;
    bool HasSubMenu() const override;
    std::string GetCaption() const override;
    void Draw(const TRect& R, TcbDrawKind Kind) override;
    TcbItemControlKind GetKind() const override { return ickContainer; }
};

// The registrations of the item kinds with their control classes, and the connection of the
// item and link notices to the controls (the framework's start).
void cbItemControlsInit();
void cbItemControlsDone();
// The one class reference of an item class name (made on first use): the registry matches items
// by it, exactly, without their ancestors.
TcbBarItemClass cbItemClassOf(const std::string& Name);
// Makes the control of a link in its window (no control when the kind has none).
TcbBarItemControl* cbCreateItemControl(TcbBarItemLink* Link);

// The menu window factories the menu windows fill in (nullptr: the kinds cannot open menus).
using TcbSubMenuWindowFactory = TCustomcbBarControl* (*)(TcbBarSubItemControl* Control);
void SetSubMenuWindowFactory(TcbSubMenuWindowFactory Factory);
void SetContainerMenuWindowFactory(TcbSubMenuWindowFactory Factory);
