#include "commandbars/windows/cbDropDownListBox.h"

#include <windowsx.h>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/painters/cbPainter.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Forms.h"

namespace {

TcbBarComboControl* ActiveComboControl(TcbBarCustomCombo* Combo)
{
    for (int32_t I = 0; I < Combo->GetLinkCount(); ++I)
        if (auto* Control = dynamic_cast<TcbBarComboControl*>(Combo->GetLink(I)->GetControl());
            Control && Control->GetActiveFlag())
            return Control;
    return nullptr;
}

TcbPainterClass PainterOf(TcbBarCustomCombo* Combo)
{
    TcbBarManager* Manager = Combo->GetBarManager();
    return Manager && Manager->GetPainterClass() ? Manager->GetPainterClass() : BasePainter();
}

} // namespace

TcbBarDropDownListBox::TcbBarDropDownListBox(TcbBarCustomCombo* Combo) : TWinControl(nullptr), FCombo(Combo)
{
    SetVisible(false);
}

int32_t TcbBarDropDownListBox::GetItemIndex() const
{
    return HandleAllocated() ? static_cast<int32_t>(SendMessageA(FHandle, LB_GETCURSEL, 0, 0)) : -1;
}

void TcbBarDropDownListBox::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = "LISTBOX";
    P.Style = WS_POPUP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    P.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    P.Menu = nullptr;
    P.WndParent = nullptr;
    TcbBarManager* Manager = FCombo->GetBarManager();
    if (TCustomForm* Form = Manager ? Manager->GetOwnerForm() : nullptr; Form && Form->HandleAllocated())
        P.WndParent = Form->GetHandle();
}

void TcbBarDropDownListBox::CreateWindowHandle(const TCreateParams& Params)
{
    TWinControl::CreateWindowHandle(Params);
    // Saving the bits under it keeps the windows below from repainting while it comes and goes.
    SetClassLongPtrA(FHandle, GCL_STYLE, GetClassLongPtrA(FHandle, GCL_STYLE) | CS_SAVEBITS);
    HFONT Source = nullptr;
    for (int32_t I = 0; I < FCombo->GetLinkCount() && !Source; ++I)
        if (TCustomcbBarControl* Bar = FCombo->GetLink(I)->GetBarControl())
            Source = Bar->GetFontHandle();
    LOGFONTA LF{};
    if (Source && GetObjectA(Source, sizeof(LF), &LF))
        FFont = CreateFontIndirectA(&LF);
    if (FFont)
        SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), 0);
    int32_t Height = 0;
    FCombo->MeasureItem(0, Height);
    if (Height > 0)
        SendMessageA(FHandle, LB_SETITEMHEIGHT, 0, Height);
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TcbBarDropDownListBox::DestroyWindowHandle()
{
    TWinControl::DestroyWindowHandle();
    if (FFont)
        DeleteObject(FFont);
    FFont = nullptr;
}

void TcbBarDropDownListBox::SelectUnderMouse(LPARAM LParam)
{
    const LRESULT Hit = SendMessageA(FHandle, LB_ITEMFROMPOINT, 0, LParam);
    if (HIWORD(Hit) == 0 && static_cast<int32_t>(LOWORD(Hit)) != GetItemIndex())
        SendMessageA(FHandle, LB_SETCURSEL, LOWORD(Hit), 0);
}

void TcbBarDropDownListBox::SelectionChanged(int32_t Before)
{
    const int32_t Now = GetItemIndex();
    if (Now == Before || Now < 0)
        return;
    if (TcbBarComboControl* Control = ActiveComboControl(FCombo))
        Control->SetCurIndex(Now);
}

void TcbBarDropDownListBox::ItemChosen()
{
    const int32_t Index = GetItemIndex();
    TcbBarCustomCombo* Combo = FCombo;
    if (TcbBarComboControl* Control = ActiveComboControl(Combo)) {
        TcbBarItemLink* Link = Control->GetLink();
        TcbBarItemLink* Counting = Link->GetGeneratedFrom() ? Link->GetGeneratedFrom() : Link;
        Counting->MarkUsed(true);
    }
    if (TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl())
        Active->HideAll();
    if (Index >= 0 && IsLiveItem(Combo))
        Combo->SetItemIndex(Index);
}

void TcbBarDropDownListBox::WndProc(TMessage& M)
{
    TcbFrameworkEntry Entry;
    switch (M.Msg) {
    case WM_MOUSEACTIVATE:
        // Activating the list would take the focus from the combo's editor, whose focus loss
        // ends the menu mode and closes the list before the click reaches it.
        M.Result = MA_NOACTIVATE;
        return;
    case WM_NCCALCSIZE: {
        auto* R = reinterpret_cast<RECT*>(M.LParam);
        const int32_t Border = PainterOf(FCombo)->GetDropDownListBorder();
        InflateRect(R, -Border, -Border);
        // The scroll bar still takes its place inside the border.
        TMessage Rest = M;
        Rest.WParam = FALSE;
        DefaultHandler(Rest);
        M.Result = 0;
        return;
    }
    case WM_NCPAINT: {
        DefaultHandler(M);
        HDC DC = GetWindowDC(FHandle);
        RECT R{};
        ::GetWindowRect(FHandle, &R);
        OffsetRect(&R, -R.left, -R.top);
        PainterOf(FCombo)->DrawDropDownListBorder(DC, R);
        ReleaseDC(FHandle, DC);
        M.Result = 0;
        return;
    }
    case CN_DRAWITEM: {
        const auto* D = reinterpret_cast<const DRAWITEMSTRUCT*>(M.LParam);
        TOwnerDrawState State;
        if (D->itemState & ODS_SELECTED)
            State.Include(odSelected);
        if (D->itemState & ODS_FOCUS)
            State.Include(odFocused);
        FCombo->DrawListItem(D->hDC, static_cast<int32_t>(D->itemID), D->rcItem, State);
        M.Result = TRUE;
        return;
    }
    case CN_MEASUREITEM: {
        auto* MI = reinterpret_cast<MEASUREITEMSTRUCT*>(M.LParam);
        int32_t Height = 0;
        FCombo->MeasureItem(static_cast<int32_t>(MI->itemID), Height);
        MI->itemHeight = static_cast<UINT>(std::max(Height, 1));
        M.Result = TRUE;
        return;
    }
    case WM_MOUSEMOVE: {
        const int32_t Before = GetItemIndex();
        if (FTracking && GetCapture() == FHandle) {
            RECT Client{};
            ::GetClientRect(FHandle, &Client);
            const POINT P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
            if (PtInRect(&Client, P)) {
                FTracking = false;
                SendMessageA(FHandle, WM_LBUTTONDOWN, MK_LBUTTON, M.LParam);
            }
        }
        SelectUnderMouse(M.LParam);
        SelectionChanged(Before);
        return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        // The list's own press would take the focus from the combo's editor, whose focus loss
        // ends the menu mode: the press selects and captures here instead.
        const int32_t Before = GetItemIndex();
        SelectUnderMouse(M.LParam);
        SetCapture(FHandle);
        SelectionChanged(Before);
        return;
    }
    case WM_LBUTTONUP:
        if (FTracking) {
            FTracking = false;
            ReleaseCapture();
            return;
        }
        if (GetCapture() == FHandle)
            ReleaseCapture();
        ItemChosen();
        return;
    case WM_KEYDOWN: {
        const int32_t Before = GetItemIndex();
        const int32_t Count = static_cast<int32_t>(SendMessageA(FHandle, LB_GETCOUNT, 0, 0));
        if (Before < 0 && Count > 0) {
            SendMessageA(FHandle, LB_SETCURSEL, SendMessageA(FHandle, LB_GETTOPINDEX, 0, 0), 0);
            SelectionChanged(Before);
            return;
        }
        DefaultHandler(M);
        SelectionChanged(Before);
        return;
    }
    case WM_CAPTURECHANGED:
        FTracking = false;
        break;
    default:
        break;
    }
    TWinControl::WndProc(M);
}
