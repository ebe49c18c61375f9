#include "platform/win/StatusBar.h"

#include <algorithm>

#include <commctrl.h>

#include "platform/rtl/SysUtils.h"

void TStatusPanel::SetWidth(int32_t Value)
{
    FWidth = Value;
    FOwner->UpdateParts();
}

void TStatusPanel::SetText(const std::string& Value)
{
    FText = Value;
    FOwner->UpdatePanel(FIndex);
}

void TStatusPanel::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
    FOwner->UpdatePanel(FIndex);
}

void TStatusPanel::SetBevel(TStatusPanelBevel Value)
{
    FBevel = Value;
    FOwner->UpdatePanel(FIndex);
}

TStatusPanels::~TStatusPanels()
{
    for (TStatusPanel* P : FItems)
        delete P;
}

TStatusPanel* TStatusPanels::Add()
{
    auto* P = new TStatusPanel(FOwner, GetCount());
    FItems.push_back(P);
    FOwner->UpdateParts();
    return P;
}

TStatusPanel* TStatusPanels::GetItem(int32_t Index) const
{
    if (Index < 0 || Index >= GetCount())
        throw EListError(Format("List index %d out of range", Index));
    return FItems[static_cast<size_t>(Index)];
}

void TStatusPanels::Clear()
{
    for (TStatusPanel* P : FItems)
        delete P;
    FItems.clear();
    FOwner->UpdateParts();
}

// ---------------------------------------------------------------------------------------------

TStatusBar::TStatusBar(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(GetControlStyle() + csAcceptsControls);
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

void TStatusBar::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = STATUSCLASSNAMEA;
    P.WinClassName = "QMStatusBar";
    // Our layout places the bar; the system would move it to the parent's bottom by itself.
    P.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (FSizeGrip)
        P.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::RestoreWindowState()
{
    UpdateParts();
    SetSimplePanel(FSimplePanel);
}

void TStatusBar::WndProc(TMessage& M)
{
    TWinControl::WndProc(M);
    // The system bar paints only what a resize uncovers: the size grip it drew at the old
    // right edge (or the right edge of a maximised window, which has none) would stay.
    if (M.Msg == WM_SIZE && HandleAllocated())
        InvalidateRect(FHandle, nullptr, TRUE);
}

void TStatusBar::UpdateParts()
{
    if (!HandleAllocated())
        return;
    // The last panel runs to the bar's right edge, whatever its width says.
    std::vector<int> Edges;
    int Right = 0;
    for (TStatusPanel* P : FPanels.FItems) {
        Right += P->FWidth;
        Edges.push_back(Right);
    }
    if (Edges.empty())
        Edges.push_back(-1);
    Edges.back() = -1;
    SendMessageA(FHandle, SB_SETPARTS, Edges.size(), reinterpret_cast<LPARAM>(Edges.data()));
    for (int32_t I = 0; I < FPanels.GetCount(); ++I)
        UpdatePanel(I);
}

void TStatusBar::UpdatePanel(int32_t Index)
{
    if (!HandleAllocated() || Index < 0 || Index >= FPanels.GetCount())
        return;
    TStatusPanel* P = FPanels.FItems[static_cast<size_t>(Index)];
    // A tab before the text centres it, two right-align it.
    std::string S = P->FAlignment == taCenter ? "\t" + P->FText
                    : P->FAlignment == taRightJustify ? "\t\t" + P->FText
                                                     : P->FText;
    WPARAM Flags = static_cast<WPARAM>(Index);
    if (P->FBevel == pbNone)
        Flags |= SBT_NOBORDERS;
    else if (P->FBevel == pbRaised)
        Flags |= SBT_POPOUT;
    SendMessageA(FHandle, SB_SETTEXTA, Flags, reinterpret_cast<LPARAM>(S.c_str()));
}

void TStatusBar::SetSimplePanel(bool Value)
{
    FSimplePanel = Value;
    if (!HandleAllocated())
        return;
    SendMessageA(FHandle, SB_SIMPLE, Value ? TRUE : FALSE, 0);
    if (Value)
        SendMessageA(FHandle, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(FSimpleText.c_str()));
}

void TStatusBar::SetSimpleText(const std::string& Value)
{
    FSimpleText = Value;
    if (HandleAllocated() && FSimplePanel)
        SendMessageA(FHandle, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TStatusBar::SetSizeGrip(bool Value)
{
    if (FSizeGrip == Value)
        return;
    FSizeGrip = Value;
    RecreateWnd();
}

TRect TStatusBar::GetPanelRect(int32_t Index)
{
    TRect R{};
    if (HandleAllocated()) {
        SendMessageA(FHandle, SB_GETRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&R));
        return R;
    }
    int32_t Left = 0;
    for (int32_t I = 0; I < Index && I < FPanels.GetCount(); ++I)
        Left += FPanels.FItems[static_cast<size_t>(I)]->FWidth;
    if (Index == FPanels.GetCount() - 1)
        return Rect(Left, 0, std::max(Left, GetWidth()), GetHeight());
    const int32_t W = Index < FPanels.GetCount() ? FPanels.FItems[static_cast<size_t>(Index)]->FWidth : 0;
    return Rect(Left, 0, Left + W, GetHeight());
}
