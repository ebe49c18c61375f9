#pragma once
// The program's icon in the taskbar's notification area: TCustomWinTaskbar adds, changes and
// removes it through Shell_NotifyIconA and turns the shell's mouse messages into events;
// TWinTaskbar adds click, double-click and pop-up menu behaviour. TTrayMenu is the icon's
// "Restore" / "Exit" menu.

#include <cstdint>
#include <memory>
#include <string>

#include <windows.h>

#include "platform/rtl/Classes.h"
#include "platform/win/Controls.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/Icon.h"
#include "platform/win/Menus.h"

class TCustomForm;

// The shell's notify-icon record in its first, 88-byte form.
#pragma pack(push, 1)
struct TNotifyIconData {
    uint32_t cbSize;
    HWND hWnd;
    uint32_t uID;
    uint32_t uFlags;
    uint32_t uCallbackMessage;
    HICON hIcon;
    char szTip[64];
};
#pragma pack(pop)
static_assert(sizeof(TNotifyIconData) == 88, "the first form of the notify-icon record is 88 bytes");

constexpr UINT WM_TASKBAR_CALLBACK = WM_USER + 123; // 1147
constexpr size_t kTaskbarTipLength = 63;

// Every notification-area call goes through here (the real call by default), so tests can record
// the calls with their records.
using TShellNotifyIconProc = BOOL(WINAPI*)(DWORD Message, TNotifyIconData* Data);
extern TShellNotifyIconProc GShellNotifyIcon;

class TCustomWinTaskbar : public TComponent {
public:
    explicit TCustomWinTaskbar(TComponent* AOwner);
    ~TCustomWinTaskbar() override;
    std::string ClassName() const override { return "TCustomWinTaskbar"; }
    void Notification(TComponent* AComponent, TOperation Operation) override;

    const std::string& GetHint() const { return FHint; }
    void SetHint(const std::string& Value);
    TIcon* GetIcon() const { return FIcon.get(); }
    // Keeps a copy of the icon (CopyIcon): the caller's icon may go at once. nullptr or an empty
    // icon clears it.
    void SetIcon(TIcon* Value);
    void SetIcon(HICON Value);
    bool GetShowIcon() const { return FShowIcon; }
    void SetShowIcon(bool Value);
    TPopupMenu* GetPopUpMenu() const { return FPopUpMenu; }
    void SetPopUpMenu(TPopupMenu* Value);

    // The hidden window the shell sends the icon's mouse messages to.
    HWND GetWindowHandle() { return FWindow->GetHandle(); }
    // The record as last sent.
    const TNotifyIconData& GetIconData() const { return FIconData; }
    // True while the icon is in the notification area.
    bool GetIconShown() const { return FIconShown; }

    // The hidden window's message handler: the shell's callback message, by the mouse message in
    // LParam. True when handled.
    bool WndProc(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);

    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnPopupMenu;
    TNotifyEvent OnClick;

protected:
    virtual void DblClick();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    void UpdateIcon();
    // The owner form's window, or nullptr when the owner is no form.
    HWND OwnerWindow() const;
    void BringOwnerToFront() const;

    std::string FHint;
    std::unique_ptr<TIcon> FIcon;
    TNotifyIconData FIconData{};
    TCustomForm* FOwnerForm = nullptr;
    TPopupMenu* FPopUpMenu = nullptr;
    bool FShowIcon = false;
    std::unique_ptr<THiddenWindow> FWindow;
    bool FDblClicked = false;
    bool FIconShown = false;
    TPoint FCursor{};
};

class TWinTaskbar : public TCustomWinTaskbar {
public:
    explicit TWinTaskbar(TComponent* AOwner) : TCustomWinTaskbar(AOwner) {}
    std::string ClassName() const override { return "TWinTaskbar"; }

protected:
    void DblClick() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    virtual void Click();
    virtual void ShowPopupMenu(int32_t X, int32_t Y);
};

// The tray icon's menu: "Restore" and "Exit".
class TTrayMenu : public TPopupMenu {
public:
    explicit TTrayMenu(TComponent* AOwner);
    std::string ClassName() const override { return "TTrayMenu"; }
    TMenuItem* GetRestoreItem() const { return FRestoreItem; }
    TMenuItem* GetExitItem() const { return FExitItem; }

    TNotifyEvent OnRestore;
    TNotifyEvent OnExit;

private:
    TMenuItem* FRestoreItem = nullptr;
    TMenuItem* FExitItem = nullptr;
};
