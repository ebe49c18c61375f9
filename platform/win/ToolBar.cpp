#include "platform/win/ToolBar.h"

#include <algorithm>

#include <commctrl.h>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Forms.h"

// ---------------------------------------------------------------------------------------------
// TToolButton

TToolButton::~TToolButton() { FLink.SetAction(nullptr); }

void TToolButton::TLink::ActionChanged()
{
    TAction* A = GetAction();
    if (!A)
        return;
    TToolButton* B = FButton;
    B->FCaption = A->GetCaption();
    B->FHint = A->GetHint();
    B->FImageIndex = A->GetImageIndex();
    B->FEnabled = A->GetEnabled();
    B->FVisible = A->GetVisible();
    B->FDown = A->GetChecked();
    B->FToolBar->Rebuild();
}

int32_t TToolButton::GetIndex() const
{
    const auto& V = FToolBar->FButtons;
    for (size_t I = 0; I < V.size(); ++I)
        if (V[I].get() == this)
            return static_cast<int32_t>(I);
    return -1;
}

BYTE TToolButton::StateBits() const
{
    BYTE S = 0;
    if (FEnabled)
        S |= TBSTATE_ENABLED;
    if (FDown)
        S |= TBSTATE_CHECKED;
    if (!FVisible)
        S |= TBSTATE_HIDDEN;
    if (FWrap)
        S |= TBSTATE_WRAP;
    return S;
}

void TToolButton::SetCaption(const std::string& Value) { FCaption = Value; FToolBar->Rebuild(); }
void TToolButton::SetImageIndex(int32_t Value) { FImageIndex = Value; FToolBar->Rebuild(); }
void TToolButton::SetStyle(TToolButtonStyle Value) { FStyle = Value; FToolBar->Rebuild(); }
void TToolButton::SetWrap(bool Value) { FWrap = Value; FToolBar->Rebuild(); }

bool TToolButton::GetDown() const
{
    if (FToolBar->HandleAllocated())
        return SendMessageA(FToolBar->GetHandle(), TB_ISBUTTONCHECKED, FId, 0) != 0;
    return FDown;
}

void TToolButton::SetDown(bool Value)
{
    FDown = Value;
    if (FToolBar->HandleAllocated())
        SendMessageA(FToolBar->GetHandle(), TB_CHECKBUTTON, FId, MAKELPARAM(Value ? TRUE : FALSE, 0));
}

void TToolButton::SetEnabled(bool Value)
{
    FEnabled = Value;
    if (FToolBar->HandleAllocated())
        SendMessageA(FToolBar->GetHandle(), TB_ENABLEBUTTON, FId, MAKELPARAM(Value ? TRUE : FALSE, 0));
}

void TToolButton::SetVisible(bool Value)
{
    FVisible = Value;
    FToolBar->Rebuild();
}

TRect TToolButton::GetBoundsRect() const
{
    TRect R{};
    if (FToolBar->HandleAllocated())
        SendMessageA(FToolBar->GetHandle(), TB_GETRECT, FId, reinterpret_cast<LPARAM>(&R));
    return R;
}

void TToolButton::Click()
{
    if (FStyle == tbsCheck)
        FDown = GetDown();
    if (TAction* A = FLink.GetAction()) {
        if (FStyle == tbsCheck)
            A->SetChecked(FDown);
        A->Execute();
        return;
    }
    if (OnClick)
        OnClick(FToolBar);
}

// ---------------------------------------------------------------------------------------------
// TToolBar

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(GetControlStyle() + csAcceptsControls);
    SetBounds(0, 0, 150, 29);
    SetAlign(alTop);
    FImageLink.OnChange = [this](TObject*) { Rebuild(); };
}

TToolBar::~TToolBar()
{
    FImageLink.SetSender(nullptr);
    FButtons.clear();
}

void TToolBar::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = TOOLBARCLASSNAMEA;
    P.WinClassName = "QMToolBar";
    // Our layout places the bar; the system would stretch it over the parent's top by itself.
    // Not TBSTYLE_WRAPABLE: that would wrap by width and drop the buttons' own row breaks.
    P.Style |= TBSTYLE_TOOLTIPS | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (FFlat)
        P.Style |= TBSTYLE_FLAT;
    if (FList)
        P.Style |= TBSTYLE_LIST;
}

void TToolBar::RestoreWindowState()
{
    SendMessageA(FHandle, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(FHandle, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    Rebuild();
}

TToolButton* TToolBar::AddButton(const std::string& Caption, TToolButtonStyle Style)
{
    FButtons.push_back(std::unique_ptr<TToolButton>(new TToolButton(this, FNextId++)));
    TToolButton* B = FButtons.back().get();
    B->FCaption = Caption;
    B->FStyle = Style;
    Rebuild();
    return B;
}

TToolButton* TToolBar::AddControl(TControl* Control)
{
    FButtons.push_back(std::unique_ptr<TToolButton>(new TToolButton(this, FNextId++)));
    TToolButton* B = FButtons.back().get();
    B->FStyle = tbsSeparator;
    B->FControl = Control;
    B->FSeparatorWidth = Control->GetWidth();
    Control->SetParent(this);
    FreeNotification(Control);
    Control->FreeNotification(this);
    Rebuild();
    return B;
}

TToolButton* TToolBar::GetButtons(int32_t Index) const
{
    if (Index < 0 || Index >= GetButtonCount())
        throw EListError(Format("List index %d out of range", Index));
    return FButtons[static_cast<size_t>(Index)].get();
}

TToolButton* TToolBar::FindButton(uint16_t CommandId) const
{
    for (const auto& B : FButtons)
        if (B->FId == CommandId)
            return B.get();
    return nullptr;
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FImages) {
        FImages = nullptr;
        FImageLink.SetSender(nullptr);
        Rebuild();
    }
    bool Changed = false;
    for (auto& B : FButtons)
        if (B->FControl == AComponent) {
            B->FControl = nullptr;
            Changed = true;
        }
    if (Changed)
        Rebuild();
}

void TToolBar::SetImages(TImageList* Value)
{
    if (FImages)
        FImages->RemoveFreeNotification(this);
    FImages = Value;
    FImageLink.SetSender(Value);
    if (Value)
        Value->FreeNotification(this);
    Rebuild();
}

void TToolBar::SetShowCaptions(bool Value) { FShowCaptions = Value; Rebuild(); }

void TToolBar::SetFlat(bool Value)
{
    FFlat = Value;
    RecreateWnd();
}

void TToolBar::SetList(bool Value)
{
    FList = Value;
    RecreateWnd();
}

void TToolBar::SetButtonWidth(int32_t Value) { FButtonWidth = Value; Rebuild(); }
void TToolBar::SetButtonHeight(int32_t Value) { FButtonHeight = Value; Rebuild(); }
void TToolBar::SetAutoSize(bool Value) { FAutoSize = Value; AdjustHeight(); }

int32_t TToolBar::GetRowCount()
{
    return HandleAllocated() ? static_cast<int32_t>(SendMessageA(FHandle, TB_GETROWS, 0, 0)) : 1;
}

// The buttons are handed to the window afresh: simpler than tracking each kind of change, and
// toolbars hold a few dozen buttons at most.
void TToolBar::Rebuild()
{
    if (!HandleAllocated() || FRebuilding)
        return;
    FRebuilding = true;
    SendMessageA(FHandle, WM_SETREDRAW, FALSE, 0);
    while (SendMessageA(FHandle, TB_BUTTONCOUNT, 0, 0) > 0)
        SendMessageA(FHandle, TB_DELETEBUTTON, 0, 0);
    SendMessageA(FHandle, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages ? FImages->GetHandle() : nullptr));
    std::vector<TBBUTTON> Bs;
    for (const auto& B : FButtons) {
        TBBUTTON T{};
        T.idCommand = B->FId;
        T.fsState = B->StateBits();
        if (B->FStyle == tbsSeparator || B->FStyle == tbsDivider) {
            T.fsStyle = BTNS_SEP;
            T.iBitmap = B->FControl ? B->FSeparatorWidth : 8;
            T.iString = -1;
        } else {
            T.fsStyle = static_cast<BYTE>(BTNS_BUTTON | (B->FStyle == tbsCheck ? BTNS_CHECK : 0));
            T.iBitmap = B->FImageIndex >= 0 && FImages ? B->FImageIndex : I_IMAGENONE;
            T.iString = FShowCaptions && !B->FCaption.empty()
                            ? reinterpret_cast<INT_PTR>(B->FCaption.c_str())
                            : -1;
        }
        Bs.push_back(T);
    }
    if (!Bs.empty())
        SendMessageA(FHandle, TB_ADDBUTTONSA, Bs.size(), reinterpret_cast<LPARAM>(Bs.data()));
    if (!FShowCaptions)
        SendMessageA(FHandle, TB_SETBUTTONSIZE, 0, MAKELPARAM(FButtonWidth, FButtonHeight));
    SendMessageA(FHandle, TB_AUTOSIZE, 0, 0);
    SendMessageA(FHandle, WM_SETREDRAW, TRUE, 0);
    FRebuilding = false;
    PlaceControls();
    AdjustHeight();
    Invalidate();
}

void TToolBar::PlaceControls()
{
    for (const auto& B : FButtons)
        if (B->FControl) {
            TRect R = B->GetBoundsRect();
            B->FControl->SetBounds(R.left, R.top + std::max<int32_t>(0, (R.bottom - R.top - B->FControl->GetHeight()) / 2),
                                   B->FSeparatorWidth, B->FControl->GetHeight());
        }
}

void TToolBar::AdjustHeight()
{
    if (!FAutoSize || !HandleAllocated())
        return;
    int32_t Bottom = 0;
    for (const auto& B : FButtons)
        if (B->FVisible)
            Bottom = std::max<int32_t>(Bottom, B->GetBoundsRect().bottom);
    if (Bottom > 0 && Bottom + 2 != GetHeight())
        SetHeight(Bottom + 2);
}

void TToolBar::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case CN_COMMAND:
        if (TToolButton* B = FindButton(LOWORD(M.WParam))) {
            B->Click();
            M.Result = 0;
            return;
        }
        break;
    case CN_NOTIFY: {
        auto* H = reinterpret_cast<NMHDR*>(M.LParam);
        M.Result = 0;
        if (H->code == TBN_GETINFOTIPA) {
            auto* T = reinterpret_cast<NMTBGETINFOTIPA*>(H);
            if (TToolButton* B = FindButton(static_cast<uint16_t>(T->iItem)); B && T->pszText && T->cchTextMax > 0)
                lstrcpynA(T->pszText, GetShortHint(B->FHint).c_str(), T->cchTextMax);
        } else if (H->code == TBN_GETINFOTIPW) {
            auto* T = reinterpret_cast<NMTBGETINFOTIPW*>(H);
            if (TToolButton* B = FindButton(static_cast<uint16_t>(T->iItem)); B && T->pszText && T->cchTextMax > 0) {
                T->pszText[0] = 0;
                const std::string Short = GetShortHint(B->FHint);
                const int N = MultiByteToWideChar(CP_ACP, 0, Short.c_str(), -1, T->pszText, T->cchTextMax);
                if (N == 0)
                    T->pszText[T->cchTextMax - 1] = 0;
            }
        } else if (H->code == TBN_HOTITEMCHANGE) {
            auto* T = reinterpret_cast<NMTBHOTITEM*>(H);
            TToolButton* B = (T->dwFlags & HICF_LEAVING) ? nullptr : FindButton(static_cast<uint16_t>(T->idNew));
            AppUI()->SetHint(B ? GetLongHint(B->FHint) : std::string());
        }
        return;
    }
    case WM_SIZE:
        TWinControl::WndProc(M);
        PlaceControls();
        return;
    default:
        break;
    }
    TWinControl::WndProc(M);
}
