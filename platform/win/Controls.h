#pragma once
// The control core: TControl (windowless or windowed), TWinControl (a window made lazily on the
// thread that needs it), TGraphicControl (painted by its parent), TCustomControl (a window with
// a canvas) and the align and anchor layout.
//
// A TWinControl's window is made when its Handle is first asked for, and only when its parent
// chain reaches a window (a form, or a ParentWindow). The window belongs to the thread that made
// it. Every window procedure runs inside GuardCallback. Messages a child control sends to its
// parent (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR*, WM_HSCROLL,
// WM_VSCROLL) come back to the child's object as CN_BASE + message.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/rtl/Classes.h"
#include "platform/rtl/Flags.h"
#include "platform/win/Graphics.h"
#include "platform/win/Screen.h"

class TWinControl;
class TCustomForm;
class TPopupMenu;
class TAction;
class TActionLink;

constexpr UINT CN_BASE = WM_APP + 0x2000;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
// Private messages of the layer.
constexpr UINT QM_RELEASE = WM_APP + 0x2100;       // a released form frees itself
constexpr UINT QM_DESTROYHANDLE = WM_APP + 0x2101; // another thread has the window's own thread destroy it
// Messages the controls perform on each other and the command bars send to their windows; a
// block of their own, clear of the CN_ and QM_ messages.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_CANCELMODE = CM_BASE + 0x04;     // end a mouse mode: the capture and a press go
constexpr UINT CM_FONTCHANGED = CM_BASE + 0x10;    // the control's font changed (its own or its parent's)
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 0x24; // the system colours changed

struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TFlags<TAnchorKind>;
enum TControlStyleFlag { csCaptureMouse, csDoubleClicks, csOpaque, csAcceptsControls, csClickEvents };
using TControlStyle = TFlags<TControlStyleFlag>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TFlags<TShiftStateFlag>;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

// The shift state of the keyboard now (ssShift, ssCtrl, ssAlt).
TShiftState KeyboardShiftState();
// From the MK_* flags of a mouse message plus the Alt key.
TShiftState MouseShiftState(WPARAM Keys);

// ---------------------------------------------------------------------------------------------

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;
    std::string ClassName() const override { return "TControl"; }

    TWinControl* GetParent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);

    int32_t GetLeft() const { return FLeft; }
    int32_t GetTop() const { return FTop; }
    int32_t GetWidth() const { return FWidth; }
    int32_t GetHeight() const { return FHeight; }
    void SetLeft(int32_t Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int32_t Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int32_t Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int32_t Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight);
    TRect GetBoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    void SetBoundsRect(const TRect& R) { SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top); }
    virtual TRect GetClientRect();
    int32_t GetClientWidth() { TRect R = GetClientRect(); return R.right - R.left; }
    int32_t GetClientHeight() { TRect R = GetClientRect(); return R.bottom - R.top; }
    virtual void SetClientSize(int32_t AWidth, int32_t AHeight);
    void SetClientWidth(int32_t Value) { SetClientSize(Value, GetClientHeight()); }
    void SetClientHeight(int32_t Value) { SetClientSize(GetClientWidth(), Value); }

    bool GetVisible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible here and in every parent.
    bool IsShowing() const;
    bool GetEnabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);

    virtual std::string GetText() const { return FText; }
    virtual void SetText(const std::string& Value);
    std::string GetCaption() const { return GetText(); }
    void SetCaption(const std::string& Value) { SetText(Value); }

    TColor GetColor() const { return FColor; }
    virtual void SetColor(TColor Value);
    bool GetParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TFont* GetFont() { return &FFont; }
    void SetFont(TFont* Value) { FFont.Assign(Value); }
    bool GetParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    TCursor GetCursor() const { return FCursor; }
    void SetCursor(TCursor Value) { FCursor = Value; }
    const std::string& GetHint() const { return FHint; }
    // While the mouse rests on the control the application's hint follows a change at once.
    void SetHint(const std::string& Value);
    bool GetShowHint() const { return FShowHint; }
    void SetShowHint(bool Value) { FShowHint = Value; }
    TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value);
    // A linked action gives the control its caption, hint, enabled and visible state and runs
    // on a click when there is no OnClick.
    TAction* GetAction() const;
    void SetAction(TAction* Value);
    TAlign GetAlign() const { return FAlign; }
    void SetAlign(TAlign Value);
    TAnchors GetAnchors() const { return FAnchors; }
    void SetAnchors(TAnchors Value);
    TControlStyle GetControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }

    virtual void Invalidate();
    virtual void Update();
    void Repaint() { Invalidate(); Update(); }
    // Runs the message through WndProc at once.
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
    TPoint ClientToScreen(const TPoint& P) const;
    TPoint ScreenToClient(const TPoint& P) const;
    virtual void BringToFront();
    virtual void SendToBack();
    TCustomForm* GetParentForm() const;
    virtual bool HasHandle() const { return false; } // a TWinControl with a window

    virtual void Click();
    virtual void DblClick();
    // Asked before the control's popup menu shows (MousePos in client coordinates, (0, 0) for
    // the menu key): OnContextPopup; Handled keeps the menu from showing.
    virtual void DoContextPopup(const TPoint& MousePos, bool& Handled);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnResize;
    TContextPopupEvent OnContextPopup;
    // The mouse capture was taken away while a button was held: the drag is over.
    TNotifyEvent OnMouseCaptureLost;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Strips "&" markers ("&&" stays one "&").
    static std::string StripHotKey(const std::string& S);
    // The letter after a single "&", upper case, or 0.
    static char HotKeyOf(const std::string& S);

    // "short|long" hints.
    static std::string GetShortHint(const std::string& Hint);
    static std::string GetLongHint(const std::string& Hint);

    virtual void WndProc(TMessage& Message);

protected:
    friend class TWinControl;
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseCaptureLost();
    virtual void Resize();
    virtual void TextChanged() {}
    virtual void EnabledChanged();
    virtual void VisibleChanged();
    virtual void ColorChanged();
    virtual void FontChanged();
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();
    // After the bounds were set (by SetBounds or by the window).
    void BoundsChanged(bool Moved, bool Sized);
    void UpdateAnchorRules();
    void AnchorToParent(int32_t ParentWidth, int32_t ParentHeight);
    // Parent-relative bounds when windowless, window bounds when windowed.
    virtual void ApplyBounds() {}
    void SetVisibleFlag(bool Value) { FVisible = Value; }
    bool FMouseInControl = false;
    bool FPressed = false; // a button went down in the control and is still held
    bool FClickPending = false; // that press was no double click's second one

    std::string FText;
    TColor FColor = clBtnFace;
    TFont FFont;

private:
    TWinControl* FParent = nullptr;
    int32_t FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    bool FParentColor = false;
    bool FParentFont = true;
    bool FFontSetting = false;
    TCursor FCursor = crDefault;
    std::string FHint;
    bool FShowHint = false;
    std::unique_ptr<TActionLink> FActionLink;
    TPopupMenu* FPopupMenu = nullptr;
    TComponent* FPopupMenuComponent = nullptr; // the same object, for its free notification
    TAlign FAlign = alNone;
    TAnchors FAnchors{akLeft, akTop};
    // Distances to the parent's right and bottom edges, for right and bottom anchors.
    int32_t FAnchorRight = 0, FAnchorBottom = 0;
    bool FAnchorsKnown = false;
    TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks};
    uint32_t FCreationOrder;
};

// ---------------------------------------------------------------------------------------------

struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int32_t X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    HMENU Menu = nullptr; // a child's id
    UINT ClassStyle = CS_DBLCLKS;
    std::string WinClassName;  // registered once per control class
    std::string SysClassName;  // a system class to superclass, or empty
    HBRUSH Background = nullptr;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;
    std::string ClassName() const override { return "TWinControl"; }

    HWND GetHandle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    bool HasHandle() const override { return FHandle != nullptr; }
    void HandleNeeded() { GetHandle(); }
    void DestroyHandle();
    void RecreateWnd();
    DWORD GetHandleThreadID() const { return FHandleThread; }

    // A second window for the same control (a docked child and a floating popup, say), made with
    // other parameters of the same window class on the handle's thread. While both exist,
    // FindControl gives the control for either and the messages of both reach WndProc; bounds,
    // visibility and text follow the handle. SwapHandles makes the alternate the handle (the
    // windowed children move into it) and keeps the former handle as the alternate.
    // DestroyAlternateHandle unmaps the alternate, gives it back its class's procedure and
    // destroys it; DestroyHandle destroys it too.
    void CreateAlternateHandle(const TCreateParams& Params);
    void SwapHandles();
    void DestroyAlternateHandle();
    HWND GetAlternateHandle() const { return FAlternateHandle; }

    HWND GetParentWindow() const { return FParentWindow; }
    void SetParentWindow(HWND Value);

    int32_t GetControlCount() const { return static_cast<int32_t>(FControls.size()); }
    TControl* GetControls(int32_t Index) const { return FControls.at(static_cast<size_t>(Index)); }
    bool ContainsControl(const TControl* C) const; // a child at any depth
    // The topmost visible, enabled windowless child at a client point, or nullptr.
    TControl* ControlAtPos(const TPoint& P, bool AllowDisabled = false) const;

    int32_t GetTabOrder() const;
    void SetTabOrder(int32_t Value);
    bool GetTabStop() const { return FTabStop; }
    void SetTabStop(bool Value) { FTabStop = Value; }
    // The windowed children in tab order, descending into containers.
    void GetTabOrderList(std::vector<TWinControl*>& List);
    virtual bool CanFocus() const;
    virtual void SetFocus();
    bool Focused() const;

    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();
    void Realign();
    bool AlignDisabled() const { return FAlignLevel > 0; }

    TRect GetClientRect() override;
    void Invalidate() override;
    void Update() override;
    void BringToFront() override;
    void SendToBack() override;
    void SetText(const std::string& Value) override;
    std::string GetText() const override;

    void WndProc(TMessage& Message) override;
    void DefaultHandler(TMessage& Message);
    // The layer's control for a window of this process, or nullptr.
    static TWinControl* FindControl(HWND Wnd);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    // Keys the control wants for itself rather than as dialog keys (Tab, arrows, Enter, Esc).
    virtual bool WantsKey(uint16_t /*Key*/) const { return false; }
    // Runs the control's key events (its own handlers); false when eaten.
    bool DoKeyDown(uint16_t& Key, TShiftState Shift);
    bool DoKeyPress(char& Key);

protected:
    friend class TControl;
    virtual void CreateParams(TCreateParams& Params);
    // CreateParams, the window class, CreateWindowHandle, the font and RestoreWindowState.
    virtual void CreateWnd();
    // DestroyWindowHandle.
    virtual void DestroyWnd();
    // The window call itself: CreateWindowEx with the parameters (the class is registered) and
    // the window map; DestroyWindow and unmapping. What lives exactly as long as the window (its
    // own child windows) is made after the base call and freed before it.
    virtual void CreateWindowHandle(const TCreateParams& Params);
    virtual void DestroyWindowHandle();
    // The window the message being handled is for: the alternate window while one of its
    // messages runs, else the handle.
    HWND MessageWindow() const;
    // Before the window goes and after the next one is made: the control's own state.
    virtual void SaveWindowState() {}
    virtual void RestoreWindowState() {}
    virtual void CreateHandle();
    void ApplyBounds() override;
    virtual void AlignControls(TRect& Rect);
    // Shrinks the rectangle the children are aligned in (borders, captions).
    virtual void AdjustClientRect(TRect& Rect) { (void)Rect; }
    // A child was added, removed, moved, resized, shown or hidden (scrolling extents follow it).
    virtual void ChildLayoutChanged(TControl* Child) { (void)Child; }
    virtual void PaintWindow(HDC DC);
    void PaintControls(HDC DC);
    virtual bool EraseBackground(HDC DC);
    virtual void DoEnter();
    virtual void DoExit();
    void EnabledChanged() override;
    void VisibleChanged() override;
    void FontChanged() override;
    void ColorChanged() override;
    void Resize() override;
    HBRUSH GetBrushHandle();
    // Handles the colour messages reflected from the window itself.
    LRESULT ControlColor(HDC DC);
    // A key message arriving at the control: the whole chain (preview, shortcuts, own events,
    // dialog keys). True when handled.
    bool KeyChain(TMessage& Message);
    void InsertControl(TControl* C);
    void RemoveControl(TControl* C);
    void AlignAll();
    void MouseRouting(TMessage& Message, bool& Handled);
    bool IsSystemClass() const { return FDefWndProc != DefWindowProcA; }

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = DefWindowProcA;
    bool FAligning = false;
    bool FEatChar = false;

private:
    friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend TControl* GetCaptureControl();
    void WindowPosChanged();
    HWND MakeWindow(const TCreateParams& Params, bool Alternate);
    HWND FAlternateHandle = nullptr;
    std::vector<TControl*> FControls; // z-order: last is topmost
    std::vector<TWinControl*> FTabList;
    HWND FParentWindow = nullptr;
    DWORD FHandleThread = 0;
    bool FTabStop = false;
    int32_t FAlignLevel = 0;
    bool FAlignPending = false;
    TControl* FMouseControl = nullptr; // windowless child holding the mouse
    TControl* FHoverControl = nullptr;
    TBrush FBrush;
    bool FDestroyingHandle = false;

public:
    // A handler of this control (or, for a top-level control, of any control inside it) that is
    // running now: a message being handled, a modal loop. The object must outlive them all, so
    // its destructor marks the frames dead and the frames' owners stop touching it.
    struct TDispatchFrame {
        TWinControl* Control = nullptr;
        TDispatchFrame* Next = nullptr;
        bool Alive = true;
        HWND Wnd = nullptr; // the control's window whose message this is; none for other frames
        explicit TDispatchFrame(TWinControl* C, HWND AWnd = nullptr);
        ~TDispatchFrame();
        TDispatchFrame(const TDispatchFrame&) = delete;
        TDispatchFrame& operator=(const TDispatchFrame&) = delete;
    };
    int32_t GetHandlersRunning() const { return FHandlersRunning; }

protected:
    // The last frame of a top-level control ended (its handlers have all returned).
    virtual void HandlersDone() {}

private:
    TDispatchFrame* FFrames = nullptr;
    int32_t FHandlersRunning = 0;
};

// ---------------------------------------------------------------------------------------------
// The canvas of a control: the device context it is given while it paints.

class TControlCanvas : public TCanvas {
public:
    std::string ClassName() const override { return "TControlCanvas"; }
};

class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    std::string ClassName() const override { return "TGraphicControl"; }
    TCanvas* GetCanvas() { return &FCanvas; }
    // Paints on DC, whose origin is the control's top-left and whose clip is its bounds.
    void PaintOn(HDC DC);

protected:
    virtual void Paint() {}
    void ApplyBounds() override;

private:
    TControlCanvas FCanvas;
};

class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    std::string ClassName() const override { return "TCustomControl"; }
    TCanvas* GetCanvas() { return &FCanvas; }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC DC) override;

private:
    TControlCanvas FCanvas;
};

// Set by the menus: shows a control's popup menu at a screen point.
extern bool (*GPopupMenuProc)(TPopupMenu* Menu, TControl* Control, int32_t X, int32_t Y);
// Set by the forms: the mouse moved over a control (the application's hint follows it), or
// nullptr: the mouse left every window of the thread.
extern void (*GControlHintProc)(TControl* Control);
// The control the mouse last moved over, whose Hint the application shows; nullptr when none.
TControl* GetHintControl();
// The idle check of the hint: no message tells a window that the cursor left it, so the idle
// loop asks. Once the mouse, last over a control of ours, lies over no window of this thread,
// the hint control ends, reported as nullptr through GControlHintProc (which empties the hint).
void CheckHintControl();
// The control holding the mouse capture: the capture window's control, or the windowless
// child it routes the mouse to; nullptr when no control of ours holds it.
TControl* GetCaptureControl();

// A fresh id for a child window (WM_COMMAND ids and WM_MEASUREITEM look-ups).
UINT NextControlId();
