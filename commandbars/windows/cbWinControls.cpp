// The controls that edit their item's text in place: the editor window's life, its window
// procedure, and the edit and combo kinds on top of it.
#include <algorithm>

#include <windowsx.h>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Forms.h"
#include "platform/win/ScreenDC.h"
#include "platform/win/WindowSubclass.h"

namespace {

bool gNoNextHook = false;
TcbBarWinControl::TEditorSysKeyHandler gSysKeyHandler = nullptr;

TShiftState ShiftNow()
{
    return KeyboardShiftState();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TcbBarWinControl

TcbBarWinControl::TcbBarWinControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link) :
    TcbBarItemControl(BarControl, Link)
{
    SetHasWindow(true);
}

TcbBarWinControl::~TcbBarWinControl()
{
    if (!FNoWindow)
        TcbBarWinControl::DestroyWindow();
}

void TcbBarWinControl::AfterConstruction()
{
    // A toolbar being moved shows its controls without editors; the toolbar windows answer it.
    CreateWindow();
}

bool TcbBarWinControl::IsNoNextHook()
{
    return gNoNextHook;
}

void TcbBarWinControl::SetEditorSysKeyHandler(TEditorSysKeyHandler Handler)
{
    gSysKeyHandler = Handler;
}

bool TcbBarWinControl::CanClick() const
{
    return IsRotatedBarControl(GetBarControl());
}

void TcbBarWinControl::ControlInactivate(bool Immediately)
{
    TcbBarItemControl::ControlInactivate(Immediately);
    SetEditing(false);
}

void TcbBarWinControl::ControlPress(bool)
{
    SetEditing(true);
}

void TcbBarWinControl::CreateWindow() {}

void TcbBarWinControl::DestroyWindow()
{
    if (FWindow && IsWindow(FWindow))
        ::DestroyWindow(FWindow);
    FWindow = nullptr;
}

void TcbBarWinControl::Hook()
{
    if (!FWindow)
        return;
    FSubclass = TWindowSubclass::Attach(FWindow, [this](UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
        return WndProc(Msg, WParam, LParam, Result);
    });
}

LRESULT TcbBarWinControl::CallDefault(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    return FSubclass ? FSubclass->CallPrevious(Msg, WParam, LParam) : DefWindowProcA(FWindow, Msg, WParam, LParam);
}

std::string TcbBarWinControl::GetText() const
{
    if (!FEditing)
        if (auto* Item = dynamic_cast<TcbBarWindowItem*>(GetItem()))
            return Item->GetText();
    return GetEditorText();
}

std::string TcbBarWinControl::GetEditorText() const
{
    if (!FWindow)
        return {};
    const int Length = GetWindowTextLengthA(FWindow);
    std::string Text(static_cast<size_t>(Length) + 1, '\0');
    GetWindowTextA(FWindow, Text.data(), Length + 1);
    Text.resize(static_cast<size_t>(std::max(0, Length)));
    return Text;
}

void TcbBarWinControl::SetText(const std::string& Value)
{
    if (!FWindow)
        return;
    TFlagScope Setting(FSettingText, true);
    SetWindowTextA(FWindow, Value.c_str());
}

TRect TcbBarWinControl::GetWindowRect() const
{
    if (!GetEnabled())
        return {};
    TRect R = FWindowRect;
    if (auto* Item = dynamic_cast<TcbBarWindowItem*>(GetItem()); Item && Item->GetSuppressEditing())
        R.right = R.left;
    return R;
}

void TcbBarWinControl::SetWindowRect(const TRect& Value)
{
    FWindowRect = Value;
    if (!FWindow || !IsWindowVisible(FWindow))
        return;
    RECT Current{};
    ::GetWindowRect(FWindow, &Current);
    MapWindowPoints(nullptr, GetBarControl()->GetHandle(), reinterpret_cast<POINT*>(&Current), 2);
    if (!EqualRect(&Current, &Value))
        SetWindowPos(FWindow, nullptr, Value.left, Value.top, Value.right - Value.left, Value.bottom - Value.top,
            SWP_NOZORDER | SWP_NOACTIVATE);
    if (dynamic_cast<TcbBarEditControl*>(this))
        GetPainter()->SetupInPlaceEdit(FWindow);
}

void TcbBarWinControl::SetEditing(bool Value)
{
    if (Value == FEditing || !FWindow)
        return;
    TCustomcbBarControl* Bar = GetBarControl();
    TcbBarManager* Manager = GetBarManager();
    TCustomForm* Form = Manager ? Manager->GetOwnerForm() : nullptr;
    if (Value) {
        HWND Focused = GetFocus();
        if (!Focused || !IsWindowVisible(Focused))
            Focused = Form && Form->HandleAllocated() ? Form->GetHandle() : nullptr;
        FFocusedBefore = Focused;
        SendMessageA(FWindow, WM_SETFONT, reinterpret_cast<WPARAM>(Bar->GetFontHandle()), 0);
        if (!GetActiveFlag())
            ControlActivate(false);
        FEditing = true;
        const TRect R = GetWindowRect();
        SetWindowPos(FWindow, nullptr, R.left, R.top, R.right - R.left, R.bottom - R.top,
            SWP_SHOWWINDOW | SWP_NOZORDER | SWP_NOACTIVATE);
        if (dynamic_cast<TcbBarEditControl*>(this))
            GetPainter()->SetupInPlaceEdit(FWindow);
        if (auto* Item = dynamic_cast<TcbBarWindowItem*>(GetItem()))
            SetText(Item->GetText());
        ::SetFocus(FWindow);
        Repaint();
        return;
    }
    FEditing = false;
    ShowWindow(FWindow, SW_HIDE);
    HWND Back = FFocusedBefore;
    FFocusedBefore = nullptr;
    if (!(Manager && Manager->IsUpdatingFloatingBars())) {
        if (!Back || !IsWindow(Back) || !IsWindowVisible(Back)) {
            Back = Form && Form->HandleAllocated() ? Form->GetHandle() : nullptr;
            if (Back && !IsWindowVisible(Back))
                Back = ::GetWindow(Back, GW_HWNDNEXT);
        }
        if (Back && GetWindowThreadProcessId(Back, nullptr) == GetCurrentThreadId()) {
            // Focus going back into the customizing dialog would lift it over the customizing
            // popup chain: the chain stays on top meanwhile.
            TCustomForm* Dialog = cbCallExtension(cbExtensions().GetCustomizingForm);
            const bool IntoDialog = Dialog && Dialog->HandleAllocated() &&
                (Back == Dialog->GetHandle() || IsChild(Dialog->GetHandle(), Back));
            if (IntoDialog)
                cbCallExtension(cbExtensions().SetTopMostChain, true);
            ::SetFocus(Back);
            if (IntoDialog)
                cbCallExtension(cbExtensions().SetTopMostChain, false);
        }
    }
    if (!IsLiveItemControl(this))
        return;
    const bool EscHeld = GetAsyncKeyState(VK_ESCAPE) < 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
    if (Manager && Manager->GetAlwaysSaveText() && !EscHeld)
        if (auto* Item = dynamic_cast<TcbBarWindowItem*>(GetItem()))
            Item->SetText(GetEditorText());
    if (IsLiveItemControl(this))
        Repaint();
}

void TcbBarWinControl::RemovePendingChars()
{
    MSG M;
    while (PeekMessageA(&M, FWindow, WM_CHAR, WM_CHAR, PM_REMOVE)) {
    }
}

bool TcbBarWinControl::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result)
{
    TcbFrameworkEntry Entry;
    TCustomcbBarControl* Bar = GetBarControl();
    auto* Item = dynamic_cast<TcbBarWindowItem*>(GetItem());
    switch (Msg) {
    case WM_KEYDOWN: {
        uint16_t Key = static_cast<uint16_t>(WParam);
        if (Item)
            Item->KeyDown(Key, ShiftNow());
        if (!IsLiveItemControl(this) || Key == 0) {
            Result = 0;
            return true;
        }
        if (Key == VK_TAB) {
            RemovePendingChars();
            SendMessageA(Bar->GetHandle(), WM_KEYDOWN, VK_TAB, 0);
            Result = 0;
            return true;
        }
        if (Key == VK_RETURN || Key == VK_ESCAPE) {
            Bar->SelectControlByKeyboard(nullptr);
            if (IsLiveItemControl(this))
                RemovePendingChars();
            if (!TCustomcbBarControl::IsLiveBarControl(Bar)) {
                Result = 0;
                return true;
            }
            if (Key == VK_RETURN)
                Bar->HideAll();
            else if (IsLiveItemControl(this))
                Bar->SelectControlByKeyboard(this);
            Result = 0;
            return true;
        }
        return false;
    }
    case WM_KEYUP: {
        uint16_t Key = static_cast<uint16_t>(WParam);
        if (Item)
            Item->KeyUp(Key, ShiftNow());
        if (Key == 0) {
            Result = 0;
            return true;
        }
        return false;
    }
    case WM_CHAR: {
        char Key = static_cast<char>(WParam);
        if (Item)
            Item->KeyPress(Key);
        if (Key == 0) {
            Result = 0;
            return true;
        }
        if (static_cast<WPARAM>(static_cast<unsigned char>(Key)) != WParam) {
            Result = CallDefault(Msg, static_cast<unsigned char>(Key), LParam);
            return true;
        }
        return false;
    }
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: {
        if (Msg == WM_SYSKEYDOWN)
            ++FPendingSysKeys;
        else if (FPendingSysKeys == 0)
            return false;
        else
            --FPendingSysKeys;
        if (WParam == VK_MENU)
            return false;
        FPendingSysKeys = 0;
        Bar->HideAll();
        if (WParam == VK_F10 && GetKeyState(VK_SHIFT) < 0) {
            Result = 0;
            return true;
        }
        bool Taken = false;
        if (gSysKeyHandler) {
            TFlagScope NoNextHook(gNoNextHook);
            Taken = gSysKeyHandler(Msg, WParam, LParam);
        }
        if (Taken) {
            Result = 0;
            return true;
        }
        return false;
    }
    case WM_RBUTTONDOWN: {
        POINT P{GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)};
        MapWindowPoints(FWindow, Bar->GetHandle(), &P, 1);
        SendMessageA(Bar->GetHandle(), WM_RBUTTONDOWN, WParam, MAKELPARAM(P.x, P.y));
        Result = 0;
        return true;
    }
    case WM_SETFOCUS:
        if (Item)
            Item->DoEnter();
        return false;
    case WM_KILLFOCUS: {
        Result = CallDefault(Msg, WParam, LParam);
        if (!IsLiveItemControl(this))
            return true;
        if (!FEditing && Bar->GetKind() == bwkToolbar) {
            HWND To = reinterpret_cast<HWND>(WParam);
            if (To && TWinControl::FindControl(To) != Bar && !TCustomcbBarControl::IsLiveBarControl(TWinControl::FindControl(To)))
                To = ::GetParent(To);
            if (To != Bar->GetHandle()) {
                RemovePendingChars();
                Bar->HideAll();
            }
        } else if (FEditing) {
            Bar->HideAll();
        }
        if (Item && IsLiveItem(Item))
            Item->DoExit();
        return true;
    }
    case WM_DESTROY:
        SetEditing(false);
        Result = CallDefault(Msg, WParam, LParam);
        if (FSubclass) {
            TWindowSubclass* Subclass = FSubclass;
            FSubclass = nullptr;
            Subclass->Detach();
        }
        FWindow = nullptr;
        return true;
    default:
        if (Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST && GetCapture() != FWindow) {
            POINT P{GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)};
            RECT Client{};
            ::GetClientRect(FWindow, &Client);
            if (!PtInRect(&Client, P)) {
                MapWindowPoints(FWindow, Bar->GetHandle(), &P, 1);
                if (cbInRect(GetItemRect(), TPoint{P.x, P.y})) {
                    Result = 0;
                    return true;
                }
            }
        }
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// TcbBarEditControl

TcbBarEditControl::TcbBarEditControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link) :
    TcbBarWinControl(BarControl, Link)
{
}

TcbBarEdit* TcbBarEditControl::GetEdit() const
{
    return dynamic_cast<TcbBarEdit*>(GetItem());
}

void TcbBarEditControl::CreateWindow()
{
    HWND Wnd = CreateWindowExA(0, "EDIT", "", GetPainter()->GetInPlaceEditStyle() | WS_CHILD, 0, 0, 100, 100,
        GetBarControl()->GetHandle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowHandle(Wnd);
    if (!Wnd)
        return;
    if (TcbBarEdit* Edit = GetEdit()) {
        SetText(Edit->GetText());
        SendMessageA(Wnd, EM_LIMITTEXT, static_cast<WPARAM>(Edit->GetMaxLength()), 0);
    }
    Hook();
}

void TcbBarEditControl::ControlPress(bool ByMouse)
{
    TcbBarWinControl::ControlPress(ByMouse);
    if (IsLiveItemControl(this) && IsEditing())
        SendMessageA(GetEditor(), EM_SETSEL, 0, -1);
}

bool TcbBarEditControl::IsReadOnly() const
{
    TcbBarEdit* Edit = GetEdit();
    return Edit && (Edit->GetReadOnly() || Edit->GetSuppressEditing());
}

bool TcbBarEditControl::IsSelected() const
{
    return TcbBarItemControl::IsSelected() && !GetBarControl()->IsCustomizing();
}

void TcbBarEditControl::SetEditing(bool Value)
{
    if (Value && GetEditor())
        if (TcbBarEdit* Edit = GetEdit())
            SendMessageA(GetEditor(), EM_SETREADONLY, Edit->GetReadOnly() || Edit->GetSuppressEditing(), 0);
    TcbBarWinControl::SetEditing(Value);
}

void TcbBarEditControl::SetText(const std::string& Value)
{
    if (!GetEditor() || Value == GetEditorText())
        return;
    // The change notices the style may send for a new value are the control's own doing: no
    // change event fires for them.
    TFlagScope Setting(SettingTextFlag());
    TcbBarWinControl::SetText(Value);
    GetPainter()->InitInPlaceEditSelection(GetEditor(), true);
}

int32_t TcbBarEditControl::GetCaptionWidth() const
{
    TcbBarEdit* Edit = GetEdit();
    if (!InMenu() && !(Edit && Edit->GetShowCaption()))
        return 0;
    return GetPainter()->CalcEditCaptionWidth(this,
        cbTextWidth(GetBarControl()->GetFontHandle(), StripAmpersands(GetCaption())));
}

int32_t TcbBarEditControl::GetHeight() const
{
    int32_t Height = GetBarControl()->GetEditHeight();
    if (GetCaptionWidth() > 0 && GetBarManager())
        Height = std::max(Height, GetBarManager()->GetButtonHeight());
    return Height;
}

int32_t TcbBarEditControl::GetMinWidth() const
{
    return GetCaptionWidth() + 20;
}

int32_t TcbBarEditControl::GetWidth() const
{
    // The user's width of the link, else the item's.
    TcbBarItemLink* Link = GetLink();
    const int32_t Width = Link->GetUserDefine().Contains(udWidth) || !GetEdit() ? Link->GetWidth() : GetEdit()->GetWidth();
    return GetCaptionWidth() + Width;
}

void TcbBarEditControl::WidthChanged()
{
    RebuildBar();
}

TRect TcbBarEditControl::GetBoxRect(const TRect& R) const
{
    TRect Box = R;
    Box.left += GetCaptionWidth();
    return Box;
}

void TcbBarEditControl::DrawBox(const TRect& R, TcbDrawKind Kind, TRect& Inner)
{
    TcbPaintFlags Flags = BaseFlags();
    HDC DC = GetDC();
    if (GetCaptionWidth() > 0) {
        TRect Caption = R;
        Caption.right = Caption.left + GetCaptionWidth();
        GetPainter()->DrawEditCaption(this, DC, Caption, Flags);
    }
    Inner = GetBoxRect(R);
    const int32_t Height = GetBarControl()->GetEditHeight();
    if (Inner.bottom - Inner.top > Height) {
        Inner.top += (Inner.bottom - Inner.top - Height) / 2;
        Inner.bottom = Inner.top + Height;
    }
    GetPainter()->DrawEditBorder(this, DC, Flags.Contains(pfSelected), Kind, Inner);
}

void TcbBarEditControl::Draw(const TRect& R, TcbDrawKind Kind)
{
    if (IsRectEmpty(&R))
        return;
    TRect Inner;
    DrawBox(R, Kind, Inner);
    if (GetEnabled())
        SetWindowRect(Inner);
    if (IsEditing() && GetEnabled())
        return;
    GetPainter()->DrawEditText(this, GetDC(), Inner, BaseFlags());
}

bool TcbBarEditControl::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result)
{
    if (Msg == WM_KEYDOWN && (WParam == VK_RETURN || WParam == VK_TAB)) {
        TcbBarItemLink* Counting = GetLink()->GetGeneratedFrom() ? GetLink()->GetGeneratedFrom() : GetLink();
        if (WParam == VK_RETURN)
            Counting->MarkUsed(true);
        HWND Editor = GetEditor();
        if (TcbBarEdit* Edit = GetEdit())
            Edit->SetText(GetEditorText());
        if (!IsLiveItemControl(this) || !IsWindow(Editor) || !IsWindowVisible(Editor)) {
            Result = 0;
            return true;
        }
    }
    if (Msg == WM_COMMAND && HIWORD(WParam) == EN_CHANGE) {
        if (!IsSettingText())
            if (TcbBarEdit* Edit = GetEdit())
                Edit->CurChange();
        Result = 0;
        return true;
    }
    return TcbBarWinControl::WndProc(Msg, WParam, LParam, Result);
}

// ---------------------------------------------------------------------------------------------
// Combos

TCustomcbBarComboControl::TCustomcbBarComboControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link) :
    TcbBarEditControl(BarControl, Link)
{
}

TCustomcbBarCombo* TCustomcbBarComboControl::GetCombo() const
{
    return dynamic_cast<TCustomcbBarCombo*>(GetItem());
}

void TCustomcbBarComboControl::ControlInactivate(bool Immediately)
{
    SetDroppedDown(false);
    if (IsLiveItemControl(this))
        TcbBarEditControl::ControlInactivate(Immediately);
}

void TCustomcbBarComboControl::GetTextColors(TcbPaintFlags State, TColor& TextColor, HBRUSH& Brush) const
{
    GetPainter()->GetComboColors(this, State, TextColor, Brush);
}

void TCustomcbBarComboControl::SetDroppedDown(bool Value)
{
    TCustomcbBarCombo* Combo = GetCombo();
    // A list opened before ReadOnly was set must still close.
    if (Value == FDroppedDown || !Combo || (Value && Combo->GetReadOnly()))
        return;
    FDroppedDown = Value;
    Repaint();
    if (!Value) {
        Combo->CloseUp();
        return;
    }
    const TRect R = GetItemRect();
    TPoint Anchor;
    if (InMenu() || IsVerticalBarControl(GetBarControl()))
        Anchor = TPoint{R.right, R.top};
    else
        Anchor = TPoint{R.left + GetCaptionWidth(), R.bottom};
    Anchor = GetBarControl()->ClientPointToScreen(Anchor);
    Combo->DropDown(Anchor.x, Anchor.y);
}

void TCustomcbBarComboControl::Draw(const TRect& R, TcbDrawKind Kind)
{
    if (IsRectEmpty(&R))
        return;
    TRect Inner;
    DrawBox(R, Kind, Inner);
    FButtonRect = Inner;
    FButtonRect.left = Inner.right - GetPainter()->GetComboButtonIndent() - GetBarControl()->GetComboButtonWidth();
    TRect Value = Inner;
    Value.right = FButtonRect.left;
    TcbPaintFlags Flags = BaseFlags();
    if (FDroppedDown)
        Flags.Include(pfDroppedDown);
    GetPainter()->DrawComboButton(this, GetDC(), FButtonRect, Flags);
    if (GetEnabled())
        SetWindowRect(Value);
    if (IsEditing() && GetEnabled())
        return;
    GetPainter()->DrawEditText(this, GetDC(), Value, Flags);
}

bool TCustomcbBarComboControl::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result)
{
    TCustomcbBarCombo* Combo = GetCombo();
    const bool Key = Msg == WM_KEYDOWN || Msg == WM_KEYUP || Msg == WM_CHAR;
    if (Key && Combo) {
        if (Msg == WM_KEYDOWN && WParam == VK_F4) {
            SetDroppedDown(!FDroppedDown);
            Result = 0;
            return true;
        }
        if (FDroppedDown && Msg != WM_CHAR) {
            if (HWND Window = Combo->GetDropDownWindow();
                Window && Combo->CheckKeyForDropDownWindow(static_cast<uint16_t>(WParam), KeyboardShiftState())) {
                SendMessageA(Window, Msg, WParam, LParam);
                Result = 0;
                return true;
            }
        }
    }
    if ((Msg == WM_SYSKEYDOWN || Msg == WM_SYSKEYUP) && (WParam == VK_UP || WParam == VK_DOWN) && (LParam & (1 << 29))) {
        if (Msg == WM_SYSKEYDOWN)
            SetDroppedDown(!FDroppedDown);
        Result = 0;
        return true;
    }
    const HWND Editor = GetEditor();
    const bool Handled = TcbBarEditControl::WndProc(Msg, WParam, LParam, Result);
    if (!IsLiveItemControl(this) || !Editor || !IsWindow(Editor) || !IsWindowVisible(Editor))
        return Handled;
    if (Msg == WM_LBUTTONDOWN || Msg == WM_LBUTTONDBLCLK || Msg == WM_LBUTTONUP) {
        POINT P{GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)};
        MapWindowPoints(Editor, GetBarControl()->GetHandle(), &P, 1);
        const TRect Zone = Combo && !Combo->GetShowEditor() ? GetItemRect() : FButtonRect;
        const bool Inside = cbInRect(Zone, TPoint{P.x, P.y});
        if (Msg != WM_LBUTTONUP) {
            FDroppedDownAtPress = FDroppedDown;
            if (Inside && !FDroppedDownAtPress)
                SetDroppedDown(true);
        } else if (Inside && FDroppedDownAtPress) {
            SetDroppedDown(false);
        }
    }
    return Handled;
}

TcbBarComboControl::TcbBarComboControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link) :
    TCustomcbBarComboControl(BarControl, Link)
{
}

TcbBarCustomCombo* TcbBarComboControl::GetCustomCombo() const
{
    return dynamic_cast<TcbBarCustomCombo*>(GetItem());
}

void TcbBarComboControl::SetEditing(bool Value)
{
    if (Value)
        if (TcbBarCustomCombo* Combo = GetCustomCombo())
            FCurIndex = Combo->GetItemIndex();
    TCustomcbBarComboControl::SetEditing(Value);
}

void TcbBarComboControl::SetCurIndex(int32_t Value)
{
    FCurIndex = Value;
    TcbBarCustomCombo* Combo = GetCustomCombo();
    if (!Combo)
        return;
    const bool InRange = Value >= 0 && Value < Combo->GetItems()->GetCount();
    TcbBarWinControl::SetText(InRange ? Combo->GetItems()->GetStrings(Value) : Combo->GetText());
    if (Combo->GetSuppressEditing())
        Repaint();
}

bool TcbBarComboControl::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result)
{
    TcbBarCustomCombo* Combo = GetCustomCombo();
    if (Msg == WM_KEYDOWN && Combo && WParam != VK_RETURN && WParam != VK_TAB && !GetDroppedDown()) {
        if (WParam == VK_UP && GetKeyState(VK_SHIFT) >= 0) {
            if (FCurIndex >= 1)
                SetCurIndex(FCurIndex - 1);
            Result = 0;
            return true;
        }
        if (WParam == VK_DOWN && GetKeyState(VK_SHIFT) >= 0) {
            if (FCurIndex < Combo->GetItems()->GetCount() - 1)
                SetCurIndex(FCurIndex + 1);
            Result = 0;
            return true;
        }
    }
    if (Msg == WM_KEYDOWN && Combo && (WParam == VK_RETURN || WParam == VK_TAB) && FCurIndex >= 0 &&
        FCurIndex < Combo->GetItems()->GetCount() && GetEditorText() == Combo->GetItems()->GetStrings(FCurIndex)) {
        const HWND Editor = GetEditor();
        Combo->SetItemIndex(FCurIndex);
        if (!IsLiveItemControl(this) || !IsWindow(Editor) || !IsWindowVisible(Editor)) {
            Result = 0;
            return true;
        }
    }
    return TCustomcbBarComboControl::WndProc(Msg, WParam, LParam, Result);
}
