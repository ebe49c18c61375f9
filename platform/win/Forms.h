#pragma once
// Forms (top-level windows built in code) and what the application object gains with them:
// the main form, Run with the main-form rules, modal loops, the hint, idle updates, the list of
// forms and the active form and control.
//
// Ownership of windows: the main form has none (it has the taskbar button); other forms are
// owned by the main form; a modal form by the form that was active when it opened. There is no
// hidden application window: AppUI()->GetHandle() is the main form's window.
//
// A WM_QUIT met inside a modal loop ends that loop with mrCancel and is posted again, so the
// program can end while a dialog is open.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win/Application.h"
#include "platform/win/Controls.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TFlags<TBorderIcon>;
// fsMDIForm: an MDI frame (its MDI client fills what its aligned controls leave); fsMDIChild: a
// child window in the MDI client of the application's main form, which must be a frame.
enum TFormStyle { fsNormal, fsStayOnTop, fsMDIForm, fsMDIChild };
enum TPosition { poDesigned, poScreenCenter, poDesktopCenter, poMainFormCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int32_t;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
// A shortcut handler of a form (its action lists, its menu): true when it ran the command.
using TShortCutHandler = std::function<bool(uint16_t Key, TShiftState Shift)>;
// A WM_COMMAND with lParam 0: true when the id was one of the handler's.
using TCommandHandler = std::function<bool(uint16_t Id)>;

// The form designer a form being designed reports to. The program has none.
class IFormDesigner {
public:
    virtual ~IFormDesigner() = default;
    // The design changed.
    virtual void Modified() = 0;
    // Selects a component, or a part of one that the designer edits on its own (a bar).
    virtual void SelectComponent(TPersistent* Object) = 0;
};

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;
    std::string ClassName() const override { return "TCustomForm"; }
    void BeforeDestruction() override;

    TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TBorderIcons GetBorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons Value);
    TFormStyle GetFormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    TPosition GetPosition() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TWindowState GetWindowState() const;
    void SetWindowState(TWindowState Value);
    bool GetKeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool Value) { FKeyPreview = Value; }
    TWinControl* GetActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* Value);
    // The menu bar (TMainMenu sets it); nullptr for none.
    HMENU GetMenuHandle() const { return FMenu; }
    void SetMenuHandle(HMENU Value);
    bool GetActive() const { return FActive; }
    TRect GetClientRect() override;

    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Shows the form without taking the activation: the active window keeps the keyboard. For a
    // notice the user only reads while the program works.
    void ShowNoActivate();
    void Close();
    // Frees the form once the messages being handled now have returned.
    void Release();
    TModalResult ShowModal();
    TModalResult GetModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    bool IsModal() const { return FModal; }
    bool CloseQuery();
    // Called after construction by AppUI()->CreateForm (and by anyone building a form by hand).
    void DoCreate();

    // Handlers the action lists and menus of the form add (in order; the first that runs wins).
    int32_t AddShortCutHandler(TShortCutHandler Handler);
    int32_t AddCommandHandler(TCommandHandler Handler);
    void RemoveHandler(int32_t Id);
    virtual bool IsShortCut(uint16_t Key, TShiftState Shift);
    // Tab, arrows, Enter and Esc not wanted by From; true when used.
    virtual bool DialogKey(TWinControl* From, uint16_t Key, TShiftState Shift);
    // Alt+letter; true when a control took it.
    virtual bool DialogChar(char Key);
    // Moves the focus along the tab order.
    void SelectNext(TWinControl* From, bool Forward);
    void FocusChanged(TWinControl* Control);
    void ControlRemoved(TControl* Control);
    // Ends the mouse modes of the form's controls: the active control and the control holding
    // the mouse capture, each unless it is Sender, get CM_CANCELMODE.
    void SendCancelMode(TControl* Sender);

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseQueryEvent OnCloseQuery;
    TCloseEvent OnClose;
    TNotifyEvent OnDestroy;

    // MDI: the frame's MDI client window (nullptr until the frame's window exists, and for other
    // styles), its children in z-order (the active one first) and the active one.
    HWND GetClientHandle() const { return FClientHandle; }
    TCustomForm* GetActiveMDIChild() const;
    int32_t GetMDIChildCount() const;
    TCustomForm* GetMDIChildren(int32_t Index) const; // nullptr out of range

    // The designer while the form is designed; nullptr in the program. Not owned.
    IFormDesigner* GetDesigner() const { return FDesigner; }
    void SetDesigner(IFormDesigner* Value) { FDesigner = Value; }

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateHandle() override;
    void VisibleChanged() override;
    void ApplyBounds() override;
    virtual void DoClose(TCloseAction& Action);
    void DoDestroy();
    void RecreateIfMade();
    void HandlersDone() override;
    TRect FrameOf() const; // the frame's size around a client rectangle of zero size
    void CreateWnd() override;
    void DestroyWnd() override;
    void AlignControls(TRect& Rect) override;

private:
    void PlaceOnFirstShow();
    // The MDI frame's and children's share of the messages: true when handled.
    bool MDIMessage(TMessage& Message);
    void ShowMDIChild();
    std::vector<TCustomForm*> MDIChildList() const;
    HWND FClientHandle = nullptr;
    IFormDesigner* FDesigner = nullptr;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
    TFormStyle FFormStyle = fsNormal;
    TPosition FPosition = poDesigned;
    TWindowState FWindowState = wsNormal;
    bool FKeyPreview = false;
    bool FShowingInactive = false; // ShowNoActivate is showing the form
    TWinControl* FActiveControl = nullptr;
    HMENU FMenu = nullptr;
    bool FActive = false;
    bool FModal = false;
    bool FPlaced = false;
    bool FDestroyFired = false;
    bool FReleasing = false;
    bool FReleasePending = false; // QM_RELEASE came while handlers of the form still ran
    HWND FModalOwner = nullptr;
    TModalResult FModalResult = mrNone;
    struct THandlerEntry {
        int32_t Id;
        TShortCutHandler ShortCut;
        TCommandHandler Command;
    };
    std::vector<THandlerEntry> FHandlers;
    int32_t FNextHandlerId = 1;
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
    std::string ClassName() const override { return "TForm"; }
};

// ---------------------------------------------------------------------------------------------
// The application's form side, made on first use on the user-interface thread.

class TApplicationUI {
public:
    TApplicationUI();
    TApplicationUI(const TApplicationUI&) = delete;
    TApplicationUI& operator=(const TApplicationUI&) = delete;

    // A form owned by the application; the first one becomes the main form.
    template <class T>
    T* CreateForm()
    {
        T* F = new T(Application);
        FormCreated(F);
        return F;
    }
    void FormCreated(TCustomForm* Form); // DoCreate, and the main form when it is the first
    TCustomForm* GetMainForm() const { return FMainForm; }
    void SetMainForm(TCustomForm* Value) { FMainForm = Value; }
    // Shows the main form and runs the loop until it closes or Terminate.
    void Run();
    HWND GetHandle() const;

    const std::string& GetHint() const { return FHint; }
    void SetHint(const std::string& Value);
    TNotifyEvent OnHint;
    TColor HintColor = clInfoBk;
    bool HintShortCuts = true;
    bool ShowHint = true;
    bool GetActive() const { return FActive; }
    int32_t GetModalLevel() const { return FModalLevel; }

    // Screen side.
    int32_t GetFormCount() const { return static_cast<int32_t>(FForms.size()); }
    TCustomForm* GetForms(int32_t Index) const { return FForms.at(static_cast<size_t>(Index)); }
    bool HasForm(const TCustomForm* F) const;
    TCustomForm* GetActiveForm() const { return FActiveForm; }
    TWinControl* GetActiveControl() const;
    TNotifyEvent OnActiveFormChange;

    // Idle updates (the action lists add theirs); each runs once per idle call.
    int32_t AddIdleHandler(std::function<void()> Handler);
    void RemoveIdleHandler(int32_t Id);
    // Makes sure the idle chain is in place on the current Application object.
    void Attach();

private:
    friend class TCustomForm;
    void AddForm(TCustomForm* F);
    void RemoveForm(TCustomForm* F);
    void SetActiveForm(TCustomForm* F);
    void DoIdle();

    TApplication* FAttached = nullptr;
    TCustomForm* FMainForm = nullptr;
    TCustomForm* FActiveForm = nullptr;
    std::vector<TCustomForm*> FForms;
    std::string FHint;
    bool FActive = false;
    int32_t FModalLevel = 0;
    struct TIdle {
        int32_t Id;
        std::function<void()> Handler;
    };
    std::vector<TIdle> FIdle;
    int32_t FNextIdle = 1;
};

TApplicationUI* AppUI();
// Set by the menus: the form's share of WM_INITMENUPOPUP and WM_MENUSELECT; true when eaten.
extern bool (*GMenuMessageProc)(TCustomForm* Form, TMessage& Message);
// InitCommonControlsEx for every common-control class the layer uses (once).
void InitControls();
