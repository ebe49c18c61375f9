// The toolbar window's layout of its controls in lines and the sizes it asks for.
#include "commandbars/windows/cbToolbar.h"

#include <algorithm>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"

namespace {

TRect AlongRect(bool Vertical, int32_t Pos, int32_t Offset, int32_t Along, int32_t Across)
{
    return Vertical ? TRect{Offset, Pos, Offset + Across, Pos + Along} : TRect{Pos, Offset, Pos + Along, Offset + Across};
}

void CentreLine(std::vector<TcbLayoutItem>& Items, size_t First, size_t End, bool Vertical, int32_t Thickness)
{
    for (size_t I = First; I < End; ++I) {
        TRect& R = Items[I].Rect;
        if (IsRectEmpty(&R))
            continue;
        const int32_t Across = Vertical ? R.right - R.left : R.bottom - R.top;
        const int32_t Shift = (Thickness - Across) / 2;
        if (Vertical)
            OffsetRect(&R, Shift, 0);
        else
            OffsetRect(&R, 0, Shift);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The layout over plain entries

bool cbLayoutLine(std::vector<TcbLayoutItem>& Items, const TcbLayoutParams& P)
{
    for (TcbLayoutItem& It : Items) {
        It.Rect = TRect{};
        It.SeparatorRect = TRect{};
        It.LastOfLine = false;
    }
    bool PushedOff = false;
    int32_t Pos = 0, Offset = 0, Thickness = 0;
    size_t LineStart = 0;
    int32_t LastPlaced = -1;
    for (size_t I = 0; I < Items.size(); ++I) {
        TcbLayoutItem& It = Items[I];
        int32_t Gap = It.BeginGroup && Pos > 0 ? P.GroupGap : 0;
        const bool NewLine = (Pos > 0 && Pos + Gap + It.Along > P.LineLength) || (P.Wrap && It.LineBreak && I > 0);
        if (NewLine) {
            if (!P.Wrap)
                break;
            if (LastPlaced >= 0)
                Items[static_cast<size_t>(LastPlaced)].LastOfLine = true;
            CentreLine(Items, LineStart, I, P.Vertical, Thickness);
            const int32_t LineGap = It.BeginGroup ? P.GroupGap : 0;
            Offset += Thickness + LineGap;
            if (LineGap > 0)
                It.SeparatorRect = AlongRect(P.Vertical, 0, Offset - LineGap, P.FullLength, LineGap);
            Pos = 0;
            Thickness = 0;
            LineStart = I;
            Gap = 0;
        }
        int32_t Start = Pos + Gap;
        int32_t Along = It.Along;
        const int32_t Free = std::max(0, P.LineLength - (Start + Along));
        switch (It.Align) {
        case iaCenter: Start += Free / 2; break;
        case iaRight: Start += Free; break;
        case iaClient: Along = std::max(Along + Free, It.MinAlong); break;
        default: break;
        }
        It.Rect = AlongRect(P.Vertical, Start, Offset, Along, It.Across);
        if (Gap > 0)
            It.SeparatorRect = AlongRect(P.Vertical, Pos, Offset, Gap, It.Across);
        if (It.Align != iaLeft) {
            Pos = P.LineLength;
            if (I + 1 < Items.size())
                PushedOff = true;
        } else {
            Pos += Gap + It.Along;
        }
        Thickness = std::max(Thickness, It.Across);
        LastPlaced = static_cast<int32_t>(I);
    }
    if (LastPlaced >= 0)
        Items[static_cast<size_t>(LastPlaced)].LastOfLine = true;
    if (P.Wrap)
        CentreLine(Items, LineStart, Items.size(), P.Vertical, Thickness);
    return PushedOff;
}

void cbCalcWrappedLines(std::vector<TcbLayoutItem>& Items, int32_t GroupGap, int32_t Length, int32_t& Along,
                        int32_t& Across, int32_t MDIAlong, int32_t MDIAcross)
{
    Length = std::max(Length, Along);
    int32_t Pos = 0, Thickness = 0, Sum = 0, Longest = 0;
    int32_t GroupIndex = -1, GroupPos = 0, GroupThickness = 0;
    bool Backtrack = false, GroupBreakAllowed = true;
    size_t I = 0;
    // Each link is visited at most twice (once more after a backtrack); the guard bounds the walk.
    size_t Guard = Items.size() * 3 + 3;
    while (I < Items.size() && Guard-- > 0) {
        TcbLayoutItem& It = Items[I];
        const int32_t Gap = It.BeginGroup && Pos > 0 ? GroupGap : 0;
        if ((Pos > 0 && Pos + Gap + It.Along > Length) || Backtrack || (Gap > 0 && !GroupBreakAllowed)) {
            It.LineBreak = true;
            if (GroupIndex < 0) {
                GroupBreakAllowed = false;
            } else if (Backtrack) {
                GroupIndex = -1;
                Backtrack = false;
            } else {
                // The whole group goes to the next line.
                I = static_cast<size_t>(GroupIndex);
                Pos = GroupPos;
                Thickness = GroupThickness;
                Backtrack = true;
                continue;
            }
            Sum += Gap + Thickness;
            Longest = std::max(Longest, Pos);
            Pos = It.Along;
            Thickness = It.Across;
            GroupIndex = -1;
        } else {
            if (Gap > 0) {
                GroupIndex = static_cast<int32_t>(I);
                GroupPos = Pos;
                GroupThickness = Thickness;
            }
            It.LineBreak = false;
            Pos += Gap + It.Along;
            Thickness = std::max(Thickness, It.Across);
        }
        ++I;
    }
    if (!Items.empty())
        Across = Sum + Thickness;
    if (MDIAlong > 0) {
        if (!Items.empty() && Pos + MDIAlong <= Length) {
            Pos += MDIAlong;
            Across = std::max(Across, Sum + std::max(Thickness, MDIAcross));
        } else {
            Longest = std::max(Longest, MDIAlong);
            Across = (Items.empty() ? 0 : Across) + MDIAcross;
        }
    }
    Longest = std::max(Longest, Pos);
    Along = std::max(Along, Longest);
}

bool cbMeasureOneLine(const std::vector<TcbLayoutItem>& Items, int32_t GroupGap, int32_t Limit, int32_t& Along,
                      int32_t& Across)
{
    Along = 0;
    Across = 0;
    for (size_t I = 0; I < Items.size(); ++I) {
        const int32_t Gap = Items[I].BeginGroup && Along > 0 ? GroupGap : 0;
        if (I > 0 && Along + Gap + Items[I].Along > Limit)
            return false;
        Along += Gap + Items[I].Along;
        Across = std::max(Across, Items[I].Across);
    }
    return true;
}

int32_t cbMDIButtonsAlong(const TcbMDIButtonGeometry& G)
{
    const int32_t Button = G.Vertical ? G.ButtonHeight : G.ButtonWidth;
    switch (G.Mode) {
    case mbmThreeButtons: return 3 * Button + 2;
    case mbmCloseOnly: return Button;
    default: return 0;
    }
}

TRect cbMDIButtonRect(const TcbMDIButtonGeometry& G, int32_t Index)
{
    if (G.Mode == mbmNone || Index < mbMinimize || Index > mbClose || (G.Mode == mbmCloseOnly && Index != mbClose))
        return {};
    // Computed as on a horizontal bar; a vertical bar exchanges the client's and the buttons'
    // sides first and turns the rect at the end.
    const int32_t Length = (G.Vertical ? G.ClientHeight : G.ClientWidth) - (G.MarkReserved ? kcbMarkSize : 0);
    const int32_t Thickness = G.Vertical ? G.ClientWidth : G.ClientHeight;
    const int32_t BW = G.Vertical ? G.ButtonHeight : G.ButtonWidth;
    const int32_t BH = G.Vertical ? G.ButtonWidth : G.ButtonHeight;
    int32_t Left;
    if (G.Mode == mbmThreeButtons) {
        Left = Length - cbMDIButtonsAlong(G) + Index * BW;
        if (Index == mbClose)
            Left += 2;
    } else {
        Left = Length - BW;
    }
    int32_t Top;
    if (!G.Wrap || !G.HasShownLinks)
        Top = (Thickness - BH) / 2;
    else if (G.LastLineReachesBand)
        Top = G.LastLineTop + (G.LastLineBottom - G.LastLineTop - BH) / 2;
    else
        Top = Thickness - BH;
    if (!G.Vertical)
        return TRect{Left, Top, Left + BW, Top + BH};
    // Turned: along becomes the top, across counts from the right edge.
    const int32_t Right = G.ClientWidth - Top;
    return TRect{Right - BH, Left, Right, Left + BW};
}

TPoint cbScaleGrabPoint(int32_t OffsetX, int32_t OldWidth, int32_t OffsetY, int32_t OldHeight, TSize NewSize)
{
    TPoint P{OffsetX, OffsetY};
    if (OldWidth > 0)
        P.x = MulDiv(OffsetX, NewSize.cx, OldWidth);
    if (OldHeight > 0)
        P.y = MulDiv(OffsetY, NewSize.cy, OldHeight);
    return P;
}

// ---------------------------------------------------------------------------------------------
// The window's side

bool TcbBarControl::Wraps() const
{
    return GetDockingStyle() == dsNone || (FBar && FBar->GetMultiLine());
}

bool TcbBarControl::MarkShownFor(TcbBarDockingStyle) const
{
    return IsMarkVisible();
}

std::vector<TcbLayoutItem> TcbBarControl::LayoutItems(std::vector<TcbBarItemLink*>& Links) const
{
    std::vector<TcbLayoutItem> Items;
    Links.clear();
    TcbBarItemLinks* All = GetItemLinks();
    if (!All)
        return Items;
    const bool Vertical = IsVerticallyDocked();
    for (int32_t I = 0; I < All->GetShownItemCount(); ++I) {
        TcbBarItemLink* Link = All->GetShownItem(I);
        if (!Link->GetControl())
            Link->CreateControl();
        TcbBarItemControl* Control = Link->GetControl();
        if (!Control)
            continue;
        TcbLayoutItem It;
        const int32_t W = Control->GetRealWidth(), H = Control->GetRealHeight();
        It.Along = Vertical ? H : W;
        It.Across = Vertical ? W : H;
        It.MinAlong = Vertical ? Control->GetMinHeight() : Control->GetMinWidth();
        It.BeginGroup = Link->GetBeginGroup();
        It.Align = Control->GetRealAlign();
        Items.push_back(It);
        Links.push_back(Link);
    }
    return Items;
}

TcbMDIButtonGeometry TcbBarControl::MDIGeometry() const
{
    TcbMDIButtonGeometry G;
    G.Mode = GetMDIButtonsMode();
    G.ButtonWidth = FMDIButtonWidth;
    G.ButtonHeight = FMDIButtonHeight;
    G.Vertical = IsVerticallyDocked();
    G.Wrap = Wraps();
    G.MarkReserved = GetDockingStyle() != dsNone && IsMarkVisible();
    const TRect C = GetClientRect();
    G.ClientWidth = C.right - C.left;
    G.ClientHeight = C.bottom - C.top;
    if (G.Mode == mbmNone || !G.Wrap)
        return G;
    // A wrapping bar: the last line is the one of the last placed control; the buttons keep to
    // the far band unless a control of that line reaches into it.
    TcbBarItemLinks* Links = GetItemLinks();
    const TRect* Last = nullptr;
    for (int32_t I = Links ? Links->GetShownItemCount() - 1 : -1; I >= 0 && !Last; --I)
        if (const TRect& R = Links->GetShownItem(I)->GetItemRect(); !IsRectEmpty(&R))
            Last = &R;
    G.HasShownLinks = Last != nullptr;
    if (!Last)
        return G;
    G.LastLineTop = G.Vertical ? G.ClientWidth - Last->right : Last->top;
    G.LastLineBottom = G.Vertical ? G.ClientWidth - Last->left : Last->bottom;
    const int32_t Thickness = G.Vertical ? G.ClientWidth : G.ClientHeight;
    const int32_t Band = Thickness - (G.Vertical ? G.ButtonWidth : G.ButtonHeight);
    for (int32_t I = 0; I < Links->GetShownItemCount(); ++I) {
        const TRect& R = Links->GetShownItem(I)->GetItemRect();
        if (IsRectEmpty(&R))
            continue;
        const int32_t Top = G.Vertical ? G.ClientWidth - R.right : R.top;
        const int32_t Bottom = G.Vertical ? G.ClientWidth - R.left : R.bottom;
        if (Bottom > G.LastLineTop && Top < G.LastLineBottom && Bottom > Band) {
            G.LastLineReachesBand = true;
            G.LastLineTop = std::min(G.LastLineTop, Top);
            G.LastLineBottom = std::max(G.LastLineBottom, Bottom);
        }
    }
    return G;
}

int32_t TcbBarControl::MDIButtonsAlong(bool Vertical) const
{
    TcbMDIButtonGeometry G = MDIGeometry();
    G.Vertical = Vertical;
    return cbMDIButtonsAlong(G);
}

TRect TcbBarControl::GetMDIButtonRect(int32_t Index) const
{
    return cbMDIButtonRect(MDIGeometry(), Index);
}

void TcbBarControl::CalcControlsPositions()
{
    TcbBarItemLinks* Links = GetItemLinks();
    if (!Links || IsLayoutLocked())
        return;
    Links->ClearItemRects();
    std::vector<TcbBarItemLink*> Shown;
    std::vector<TcbLayoutItem> Items = LayoutItems(Shown);
    for (size_t I = 0; I < Items.size(); ++I)
        Items[I].LineBreak =
            std::find(FLineBreakLinks.begin(), FLineBreakLinks.end(), Shown[I]) != FLineBreakLinks.end();
    const bool Vertical = IsVerticallyDocked();
    const TRect C = GetClientRect();
    const int32_t ClientAlong = Vertical ? C.bottom - C.top : C.right - C.left;
    TcbLayoutParams P;
    P.Wrap = Wraps();
    P.Vertical = Vertical;
    P.GroupGap = GetBeginGroupSize();
    const bool Mark = IsMarkVisible();
    const bool Docked = GetDockingStyle() != dsNone;
    P.FullLength = ClientAlong - (Mark && Docked ? kcbMarkSize : 0);
    if (P.Wrap)
        P.LineLength = P.FullLength;
    else
        P.LineLength = ClientAlong - (Mark ? kcbMarkSize : 0) - MDIButtonsAlong(Vertical);
    if (cbLayoutLine(Items, P))
        FItemsPushedOff = true;
    for (size_t I = 0; I < Items.size(); ++I) {
        Shown[I]->SetItemRect(Items[I].Rect);
        TRect WithGroup = Items[I].Rect;
        if (!IsRectEmpty(&Items[I].SeparatorRect) && !IsRectEmpty(&Items[I].Rect))
            UnionRect(&WithGroup, &WithGroup, &Items[I].SeparatorRect);
        Shown[I]->SetItemRectWithBeginGroup(IsRectEmpty(&Items[I].Rect) ? TRect{} : WithGroup);
    }
}

int32_t TcbBarControl::GetMinBarWidth(TcbBarDockingStyle Style)
{
    TcbBarItemLinks* Links = GetItemLinks();
    TcbBarManager* Manager = GetBarManager();
    int32_t Result = 0;
    const bool Vertical = Style == dsLeft || Style == dsRight;
    std::vector<TcbBarItemLink*> Shown;
    if (!Vertical && !Wraps()) {
        // The most recently used visible link's control.
        int32_t W = -1;
        if (Links && Links->GetVisibleItemCount() > 0) {
            const int32_t Saved = Links->GetRecentCount();
            Links->SetRecentCount(1);
            for (TcbLayoutItem& It : LayoutItems(Shown))
                W = std::max(W, It.Along);
            Links->SetRecentCount(Saved);
        }
        Result = (W < 0 ? Manager->GetButtonWidth() : W) + MDIButtonsAlong(false);
    } else {
        int32_t W = -1;
        if (Links) {
            const int32_t Saved = Links->GetRecentCount();
            Links->SetRecentCount(-1);
            for (int32_t I = 0; I < Links->GetShownItemCount(); ++I)
                if (TcbBarItemControl* Control = Links->GetShownItem(I)->GetControl())
                    W = std::max(W, Control->GetRealWidth());
            Links->SetRecentCount(Saved);
        }
        Result = std::max(W < 0 ? Manager->GetButtonWidth() : W, MDIButtonsAlong(false));
    }
    if ((Style == dsTop || Style == dsBottom) && IsMarkVisible())
        Result += kcbMarkSize;
    return Result;
}

int32_t TcbBarControl::GetMinBarHeight(TcbBarDockingStyle Style)
{
    TcbBarItemLinks* Links = GetItemLinks();
    TcbBarManager* Manager = GetBarManager();
    int32_t Result = 0;
    const bool Horizontal = Style == dsTop || Style == dsBottom;
    std::vector<TcbBarItemLink*> Shown;
    if (!Horizontal && Style != dsNone && !Wraps()) {
        int32_t H = -1;
        if (Links && Links->GetVisibleItemCount() > 0) {
            const int32_t Saved = Links->GetRecentCount();
            Links->SetRecentCount(1);
            for (TcbLayoutItem& It : LayoutItems(Shown))
                H = std::max(H, It.Along);
            Links->SetRecentCount(Saved);
        }
        Result = (H < 0 ? Manager->GetButtonHeight() : H) + MDIButtonsAlong(true);
    } else {
        int32_t H = -1;
        if (Links) {
            const int32_t Saved = Links->GetRecentCount();
            Links->SetRecentCount(-1);
            for (int32_t I = 0; I < Links->GetShownItemCount(); ++I) {
                TcbBarItemLink* Link = Links->GetShownItem(I);
                if (!Link->GetControl())
                    Link->CreateControl();
                if (TcbBarItemControl* Control = Link->GetControl())
                    H = std::max(H, Control->GetRealHeight());
            }
            Links->SetRecentCount(Saved);
        }
        Result = std::max(H < 0 ? Manager->GetButtonHeight() : H, MDIButtonsAlong(true));
    }
    if ((Style == dsLeft || Style == dsRight) && IsMarkVisible())
        Result += kcbMarkSize;
    return Result;
}

int32_t TcbBarControl::GetPreferredBarWidth(TcbBarDockingStyle Style)
{
    const int32_t Min = GetMinBarWidth(Style);
    TcbBarItemLinks* Links = GetItemLinks();
    if (!Links)
        return Min;
    const int32_t Saved = Links->GetRecentCount();
    Links->SetRecentCount(-1);
    std::vector<TcbBarItemLink*> Shown;
    int32_t Result = 0;
    if ((Style == dsLeft || Style == dsRight) && !Wraps()) {
        for (int32_t I = 0; I < Links->GetShownItemCount(); ++I)
            if (TcbBarItemControl* Control = Links->GetShownItem(I)->GetControl())
                Result = std::max(Result, Control->GetRealWidth());
        Result = std::max(Result, MDIButtonsAlong(false));
    } else {
        LayoutItems(Shown);
        for (TcbBarItemLink* Link : Shown) {
            Result += Link->GetControl()->GetRealWidth();
            if (Link->GetBeginGroup())
                Result += GetBeginGroupSize();
        }
        Result += MDIButtonsAlong(false);
        if ((Style == dsTop || Style == dsBottom) && IsMarkVisible())
            Result += kcbMarkSize;
    }
    Links->SetRecentCount(Saved);
    return std::max(Min, Result);
}

int32_t TcbBarControl::GetPreferredBarHeight(TcbBarDockingStyle Style)
{
    const int32_t Min = GetMinBarHeight(Style);
    TcbBarItemLinks* Links = GetItemLinks();
    if (!Links)
        return Min;
    const int32_t Saved = Links->GetRecentCount();
    Links->SetRecentCount(-1);
    std::vector<TcbBarItemLink*> Shown;
    LayoutItems(Shown);
    int32_t Result = 0;
    if ((Style == dsTop || Style == dsBottom) && !Wraps()) {
        for (TcbBarItemLink* Link : Shown)
            Result = std::max(Result, Link->GetControl()->GetRealHeight());
        Result = std::max(Result, MDIButtonsAlong(true));
    } else {
        for (TcbBarItemLink* Link : Shown) {
            Result += Link->GetControl()->GetRealHeight();
            if (Link->GetBeginGroup())
                Result += GetBeginGroupSize();
        }
        Result += MDIButtonsAlong(true);
        if ((Style == dsLeft || Style == dsRight) && IsMarkVisible())
            Result += kcbMarkSize;
    }
    Links->SetRecentCount(Saved);
    return std::max(Min, Result);
}

void TcbBarControl::CalcWrappedSize(bool ReserveMark, int32_t Length, TSize& Size)
{
    const bool Vertical = IsVerticallyDocked();
    int32_t Along = Vertical ? Size.cy : Size.cx;
    int32_t Across = Vertical ? Size.cx : Size.cy;
    Length = std::max(Length, Along);
    if (ReserveMark && IsMarkVisible())
        Length -= kcbMarkSize;
    std::vector<TcbBarItemLink*> Shown;
    std::vector<TcbLayoutItem> Items = LayoutItems(Shown);
    const int32_t MDIAlong = MDIButtonsAlong(Vertical);
    const int32_t MDIAcross = MDIAlong > 0 ? (Vertical ? FMDIButtonWidth : FMDIButtonHeight) : 0;
    cbCalcWrappedLines(Items, GetBeginGroupSize(), Length, Along, Across, MDIAlong, MDIAcross);
    FLineBreakLinks.clear();
    for (size_t I = 0; I < Items.size(); ++I)
        if (Items[I].LineBreak)
            FLineBreakLinks.push_back(Shown[I]);
    Size = Vertical ? TSize{Across, Along} : TSize{Along, Across};
    CalcControlsPositions();
}

// The size of a bar that keeps its controls on one line of at most Length along its
// orientation: the minimum size, grown to the measured line, the mark and the MDI buttons.
// With recently used items, as many of the most recent links as fit are shown.
TSize TcbBarControl::GetSingleLineSize(TcbBarDockingStyle Style, int32_t Length, bool Vertical)
{
    TcbBarItemLinks* Links = GetItemLinks();
    TcbBarManager* Manager = GetBarManager();
    TSize Size{GetMinBarWidth(Style), GetMinBarHeight(Style)};
    LONG& SizeAlong = Vertical ? Size.cy : Size.cx;
    LONG& SizeAcross = Vertical ? Size.cx : Size.cy;
    Length = std::max<int32_t>(Length, SizeAlong) - MDIButtonsAlong(Vertical) - (IsMarkVisible() ? kcbMarkSize : 0);
    if (!Links || Links->GetVisibleItemCount() == 0)
        return Size;
    std::vector<TcbBarItemLink*> Shown;
    int32_t Along = 0, Across = 0;
    const bool Recent = Links->UsesRecentItems() && !Manager->IsDesigning();
    if (Recent) {
        // The longest run of most recently used links that still fits.
        int32_t Fitting = 1;
        const int32_t Count = Links->GetVisibleItemCount();
        for (int32_t N = 1; N <= Count; ++N) {
            Links->SetRecentCount(N);
            int32_t A = 0, C = 0;
            if (!cbMeasureOneLine(LayoutItems(Shown), GetBeginGroupSize(), Length, A, C))
                break;
            Fitting = N;
        }
        Links->SetRecentCount(Fitting >= Count ? -1 : Fitting);
    }
    cbMeasureOneLine(LayoutItems(Shown), GetBeginGroupSize(), Length, Along, Across);
    if (IsMarkVisible())
        Along += kcbMarkSize;
    SizeAlong = std::max<int32_t>(SizeAlong, Along);
    SizeAcross = Across;
    if (const int32_t MDI = MDIButtonsAlong(Vertical); MDI > 0) {
        SizeAlong += MDI;
        SizeAcross = std::max<int32_t>(SizeAcross, Vertical ? FMDIButtonWidth : FMDIButtonHeight);
    }
    return Size;
}

TSize TcbBarControl::GetSizeForWidth(TcbBarDockingStyle Style, int32_t Width)
{
    TcbBarItemLinks* Links = GetItemLinks();
    if (Links)
        Links->SetRecentCount(-1);
    const bool Vertical = Style == dsLeft || Style == dsRight;
    if (!Wraps() && Vertical)
        return TSize{GetMinBarWidth(Style), GetPreferredBarHeight(Style)};
    if (!Wraps())
        return GetSingleLineSize(Style, Width, false);
    if (!IsVerticallyDocked()) {
        TSize Size{GetMinBarWidth(Style), GetMinBarHeight(Style)};
        CalcWrappedSize(Style != dsNone, Width, Size);
        return Size;
    }
    TSize Size = GetSizeForHeight(Style, GetPreferredBarHeight(Style));
    for (int32_t Guard = 0; Size.cx < Width && Guard < 4096; ++Guard) {
        const int32_t Before = Size.cy;
        const TSize Next = GetSizeForHeight(Style, Size.cy - 1);
        if (Next.cy == Before)
            break;
        Size = Next;
    }
    return Size;
}

TSize TcbBarControl::GetSizeForHeight(TcbBarDockingStyle Style, int32_t Height)
{
    TcbBarItemLinks* Links = GetItemLinks();
    if (Links)
        Links->SetRecentCount(-1);
    const bool Horizontal = Style == dsTop || Style == dsBottom;
    if (!Wraps() && Horizontal)
        return TSize{GetPreferredBarWidth(Style), GetMinBarHeight(Style)};
    if (!Wraps())
        return GetSingleLineSize(Style, Height, true);
    if (IsVerticallyDocked()) {
        TSize Size{GetMinBarWidth(Style), GetMinBarHeight(Style)};
        CalcWrappedSize(Style != dsNone, Height, Size);
        return Size;
    }
    TSize Size = GetSizeForWidth(Style, GetPreferredBarWidth(Style));
    for (int32_t Guard = 0; Size.cy < Height && Guard < 4096; ++Guard) {
        const int32_t Before = Size.cx;
        const TSize Next = GetSizeForWidth(Style, Size.cx - 1);
        if (Next.cx == Before)
            break;
        Size = Next;
    }
    return Size;
}

TSize TcbBarControl::GetSizeForDockingStyle(TcbBarDockingStyle Style)
{
    TSize Size{};
    const int32_t ExtraW = FBar->GetExtraWidth(Style), ExtraH = FBar->GetExtraHeight(Style);
    if (Style == dsNone) {
        // A bar that never floated has no floating width yet: it keeps its row's shape, all its
        // controls on one line, instead of wrapping into a column one control wide.
        const int32_t Width = FBar->GetFloatClientWidth() > 0 ? FBar->GetFloatClientWidth() : GetPreferredBarWidth(dsNone);
        Size = GetSizeForWidth(Style, Width);
        Size.cx += ExtraW;
        Size.cy += ExtraH;
    } else if (Style == dsLeft || Style == dsRight) {
        const bool Whole = FBar->GetWholeRow() && FDockSite;
        const int32_t H = Whole ? static_cast<int32_t>(FDockSite->GetClientRect().bottom) - ExtraH : GetPreferredBarHeight(Style);
        Size = GetSizeForHeight(Style, H);
        Size.cx += ExtraW;
        Size.cy = Whole ? static_cast<int32_t>(FDockSite->GetClientRect().bottom) : Size.cy + ExtraH;
    } else {
        const bool Whole = FBar->GetWholeRow() && FDockSite;
        const int32_t W = Whole ? static_cast<int32_t>(FDockSite->GetClientRect().right) - ExtraW : GetPreferredBarWidth(Style);
        Size = GetSizeForWidth(Style, W);
        Size.cy += ExtraH;
        Size.cx = Whole ? static_cast<int32_t>(FDockSite->GetClientRect().right) : Size.cx + ExtraW;
    }
    CalcControlsPositions();
    return Size;
}

TPoint TcbBarControl::GetGrabPoint(TcbBarDockingStyle Style)
{
    // Docked again as the drag began, the bar is held where it was taken.
    if (FMoving && Style != dsNone && Style == FMoveStartStyle)
        return TPoint{FDragStartValues[0], FDragStartValues[2]};
    const TSize Size = GetSizeForDockingStyle(Style);
    return cbScaleGrabPoint(FDragStartValues[0], FDragStartValues[1], FDragStartValues[2], FDragStartValues[3], Size);
}

TcbDockCol* TcbBarControl::GetDockCol() const
{
    if (!FDockSite || GetDockingStyle() == dsNone)
        return nullptr;
    return FDockSite->FindCol(this);
}
