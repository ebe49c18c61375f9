#include "commandbars/windows/cbDockControl.h"

#include <algorithm>
#include <numeric>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbDrawing.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"

namespace {

// The new-row band between two rows: 5 pixels wide, this far into the docking margin.
constexpr int32_t kNewRowBand = 5;
constexpr int32_t kNewRowBandOffset = (kcbDockingMargin - kNewRowBand) / 2;

TAlign AlignOfStyle(TcbBarDockingStyle Style)
{
    switch (Style) {
    case dsLeft: return alLeft;
    case dsRight: return alRight;
    case dsBottom: return alBottom;
    default: return alTop;
    }
}

TPoint ScreenToClientOf(HWND Wnd, TPoint P)
{
    POINT Q{P.x, P.y};
    if (Wnd)
        ScreenToClient(Wnd, &Q);
    return TPoint{Q.x, Q.y};
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TcbDockControl

TcbDockControl::TcbDockControl(TComponent* AOwner) :
    TCustomControl(AOwner), FBackgroundBitmap(std::make_unique<TBitmap>()),
    FBackgroundCache(std::make_unique<TBitmap>())
{
    SetParentColor(true);
    FBackgroundBitmap->OnChange = [this](TObject*) {
        BackgroundChanged();
        UpdateCustomBackgroundFlag();
        RepaintBars();
    };
}

TcbDockControl::~TcbDockControl()
{
    // The bars' windows leave first; they must not reach a half-gone site.
    for (auto& Row : FRows)
        for (auto& Col : Row->FCols)
            if (Col->FBarControl)
                Col->FBarControl->SiteGone(this);
    FRows.clear();
    FBackgroundBitmap->OnChange = nullptr;
}

TcbDockControl* TcbDockControl::CreateForEdge(TCustomForm* Form, TcbBarDockingStyle Style, TcbBarManager* Manager)
{
    auto* Site = new TcbDockControl(nullptr);
    Site->FEdgeStyle = Style;
    Site->FBarManager = Manager;
    Site->SetAlign(AlignOfStyle(Style));
    if (Style == dsLeft || Style == dsRight)
        Site->SetBounds(0, 0, 0, 100);
    else
        Site->SetBounds(0, 0, 100, 0);
    if (Manager->IsDesigning())
        Site->SetVisible(false);
    Site->SetParent(Form);
    Site->UpdateColor();
    return Site;
}

void TcbDockControl::SetBackgroundBitmap(TBitmap* Value)
{
    FBackgroundBitmap->Assign(Value);
}

void TcbDockControl::SetBarManager(TcbBarManager* Value)
{
    if (Value == FBarManager)
        return;
    FBarManager = Value;
    UpdateColor();
}

TcbBarDockingStyle TcbDockControl::GetDockingStyle() const
{
    switch (GetAlign()) {
    case alBottom: return dsBottom;
    case alLeft: return dsLeft;
    case alRight: return dsRight;
    default: return dsTop;
    }
}

bool TcbDockControl::IsHorizontal() const
{
    const TcbBarDockingStyle Style = GetDockingStyle();
    return Style == dsTop || Style == dsBottom;
}

void TcbDockControl::BackgroundChanged()
{
    ResetBackgroundCache();
}

bool TcbDockControl::CanDock(TcbBar*) const
{
    return FAllowDocking;
}

void TcbDockControl::UpdateColor()
{
    if (!FBarManager || FBarManager->GetAutoDockColor())
        SetParentColor(true);
    else
        SetColor(FBarManager->GetDockColor());
    ResetBackgroundCache();
    if (HandleAllocated())
        Invalidate();
}

int32_t TcbDockControl::GetRowsSize() const
{
    int32_t Sum = 0;
    for (const auto& Row : FRows)
        Sum += Row->FThickness;
    return Sum;
}

bool TcbDockControl::IsSunkenBorder() const
{
    return FBarManager && FBarManager->GetSunkenBorder();
}

void TcbDockControl::FillBackground(HDC DC, const TRect& R)
{
    if (IsRectEmpty(&R))
        return;
    const TRect Origin = GetClientRect();
    if (!FBackgroundBitmap->GetEmpty()) {
        FillRectWithBitmap(DC, R, Origin, FBackgroundBitmap.get(), clNone, nullptr);
        return;
    }
    TBitmap* Dock = FBarManager ? FBarManager->GetBackgrounds()->GetBar() : nullptr;
    if (Dock && !Dock->GetEmpty()) {
        FillRectWithBitmap(DC, R, Origin, Dock, clNone, nullptr);
        return;
    }
    TcbPainterClass Painter = FBarManager && FBarManager->GetPainterClass() ? FBarManager->GetPainterClass()
                                                                            : BasePainter();
    // The site's own colour: the dock colour of the manager (the form's while AutoDockColor).
    HBRUSH Brush = CreateSolidBrush(ColorToRGB(GetColor()));
    Painter->DrawDockControlBackground(this, DC, R, Origin, Brush);
    DeleteObject(Brush);
}

bool TcbDockControl::HasBackgroundBitmap() const
{
    return !FBackgroundBitmap->GetEmpty();
}

bool TcbDockControl::HasCustomBackground() const
{
    if (HasBackgroundBitmap())
        return true;
    if (!FBarManager)
        return false;
    TBitmap* Dock = FBarManager->GetBackgrounds()->GetBar();
    TcbPainterClass Painter = FBarManager->GetPainterClass();
    return (Painter && Painter->IsItemBackgroundTransparent()) || (Dock && !Dock->GetEmpty());
}

void TcbDockControl::RepaintBars()
{
    for (auto& Row : FRows)
        for (auto& Col : Row->FCols)
            if (TcbBarControl* Window = Col->FBarControl; Window && Window->HandleAllocated())
                RedrawWindow(Window->GetHandle(), nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TcbDockControl::ResetBackgroundCache()
{
    FBackgroundCache->SetSize(0, 0);
}

void TcbDockControl::UpdateCustomBackgroundFlag()
{
    FCustomBackground = HasCustomBackground();
}

// ---------------------------------------------------------------------------------------------
// Rows

TcbDockRow* TcbDockControl::GetRow(int32_t Index) const
{
    return Index >= 0 && Index < GetRowCount() ? FRows[static_cast<size_t>(Index)].get() : nullptr;
}

TRect TcbDockControl::GetRowRect(int32_t Row) const
{
    if (Row < 0 || Row >= GetRowCount())
        return {};
    const int32_t Thickness = FRows[static_cast<size_t>(Row)]->FThickness;
    const TRect C = GetClientRect();
    int32_t Offset = 0;
    // While a bar is dragged a bottom or right site grows and shrinks at its near edge: its rows
    // are counted from the far one.
    const TcbBarDockingStyle Style = GetDockingStyle();
    if ((Style == dsBottom || Style == dsRight) && FBarManager && FBarManager->GetBars() &&
        FBarManager->GetBars()->GetMovingBarControl()) {
        Offset = Style == dsBottom ? C.bottom : C.right;
        for (int32_t I = Row; I < GetRowCount(); ++I)
            Offset -= FRows[static_cast<size_t>(I)]->FThickness;
    } else {
        for (int32_t I = 0; I < Row; ++I)
            Offset += FRows[static_cast<size_t>(I)]->FThickness;
    }
    return IsHorizontal() ? TRect{0, Offset, C.right, Offset + Thickness} : TRect{Offset, 0, Offset + Thickness, C.bottom};
}

int32_t TcbDockControl::GetRowBarCount(int32_t Row) const
{
    const TcbDockRow* R = GetRow(Row);
    return R ? R->GetColCount() : 0;
}

const TcbBar* TcbDockControl::GetRowBar(int32_t Row, int32_t Index) const
{
    const TcbDockRow* R = GetRow(Row);
    const TcbDockCol* Col = R ? R->GetCol(Index) : nullptr;
    return Col && Col->GetBarControl() ? Col->GetBarControl()->GetBar() : nullptr;
}

TcbDockCol* TcbDockControl::FindCol(const TcbBarControl* Window) const
{
    for (const auto& Row : FRows)
        for (const auto& Col : Row->FCols)
            if (Col->FBarControl == Window)
                return Col.get();
    return nullptr;
}

bool TcbDockControl::IsLoadingBars() const
{
    return FBarManager && FBarManager->GetBars() && FBarManager->GetBars()->IsLoading();
}

int32_t TcbDockControl::RowAtPoint(TPoint ScreenPoint, bool& NewRow)
{
    NewRow = true;
    if (FRows.empty())
        return 0;
    const TPoint P = ScreenToClientOf(HandleAllocated() ? FHandle : nullptr, ScreenPoint);
    const int32_t C = IsHorizontal() ? P.y : P.x;
    int32_t Start = 0;
    for (size_t R = 0; R < FRows.size(); ++R) {
        const int32_t End = Start + FRows[R]->FThickness;
        // Between this row and the one before it a point in the band makes a new row.
        if (R > 0 && C >= Start + kNewRowBandOffset && C < Start + kNewRowBandOffset + kNewRowBand) {
            NewRow = true;
            return static_cast<int32_t>(R);
        }
        if (C >= Start && C < End) {
            NewRow = false;
            return static_cast<int32_t>(R);
        }
        Start = End;
    }
    NewRow = true;
    return C < 0 ? 0 : GetRowCount();
}

void TcbDockControl::InsertBar(TcbBarControl* Window, TPoint ScreenPoint, bool Apply)
{
    TcbBar* Bar = Window->GetBar();
    // A dragged bar is placed where the cursor holds it: its corner is the point less the grab
    // offset, and its row is found by that corner.
    if (FBarManager && FBarManager->GetBars() && FBarManager->GetBars()->GetMovingBarControl() == Window) {
        const TPoint Grab = FBarManager->GetBars()->GetGrabOffset();
        ScreenPoint.x -= Grab.x;
        ScreenPoint.y -= Grab.y;
    }
    int32_t Row = 0;
    bool NewRow = true;
    if (!Window->IsLayoutLocked()) {
        Row = RowAtPoint(ScreenPoint, NewRow);
    } else if (Bar) {
        Row = Bar->GetRow();
        NewRow = Bar->GetOneOnRow();
    }
    if (Bar && Bar->GetWholeRow())
        NewRow = true;
    if (IsLoadingBars()) {
        // Empty rows wait for the bars stored below this one; no more rows than bars can be
        // filled, whatever row the bar holds.
        Row = std::min(Row, FBarManager->GetBars()->GetCount());
        while (Row > GetRowCount())
            FRows.push_back(std::make_unique<TcbDockRow>(this));
    }
    Row = std::max(Row, 0);
    if (Row >= GetRowCount()) {
        Row = GetRowCount();
        NewRow = true;
    }
    // A row that holds a whole-row bar takes no other.
    if (!NewRow) {
        for (const auto& Col : FRows[static_cast<size_t>(Row)]->FCols)
            if (Col->FBarControl != Window && Col->FBarControl && Col->FBarControl->GetBar() &&
                Col->FBarControl->GetBar()->GetWholeRow())
                NewRow = true;
    }
    const TPoint P = ScreenToClientOf(HandleAllocated() ? FHandle : nullptr, ScreenPoint);
    const bool Horizontal = IsHorizontal();
    TcbDockCol* Col = nullptr;
    if (NewRow) {
        auto NewOne = std::make_unique<TcbDockRow>(this);
        TcbDockRow* Target = NewOne.get();
        if (IsLoadingBars() && Row < GetRowCount() && FRows[static_cast<size_t>(Row)]->FCols.empty())
            Target = FRows[static_cast<size_t>(Row)].get();
        else
            FRows.insert(FRows.begin() + Row, std::move(NewOne));
        Target->FCols.push_back(std::make_unique<TcbDockCol>(Target, Window));
        Col = Target->FCols.back().get();
    } else {
        // Before the first col whose middle lies beyond the point along the row, else last.
        TcbDockRow* Target = FRows[static_cast<size_t>(Row)].get();
        size_t At = Target->FCols.size();
        const int32_t Along = Horizontal ? P.x : P.y;
        for (size_t I = 0; I < Target->FCols.size(); ++I) {
            TcbBarControl* Other = Target->FCols[I]->FBarControl;
            if (!Other)
                continue;
            const int32_t Middle = Horizontal ? Other->GetLeft() + Other->GetWidth() / 2
                                              : Other->GetTop() + Other->GetHeight() / 2;
            if (Middle > Along) {
                At = I;
                break;
            }
        }
        Target->FCols.insert(Target->FCols.begin() + static_cast<std::ptrdiff_t>(At),
                             std::make_unique<TcbDockCol>(Target, Window));
        Col = Target->FCols[At].get();
    }
    Col->SetPos(Horizontal ? std::max<int32_t>(P.x, 0) : P.x, Horizontal ? P.y : std::max<int32_t>(P.y, 0));
    if (!Apply)
        return;
    Window->SetBounds(Col->GetLeft(), Col->GetTop(), Window->GetWidth(), Window->GetHeight());
    UpdateDock();
    if (!IsLoadingBars() && FindCol(Window) == Col)
        Col->UpdatePos();
}

void TcbDockControl::RemoveBar(TcbDockCol* Col, bool Update)
{
    if (!Col)
        return;
    for (size_t R = 0; R < FRows.size(); ++R) {
        auto& Cols = FRows[R]->FCols;
        for (size_t I = 0; I < Cols.size(); ++I) {
            if (Cols[I].get() != Col)
                continue;
            Cols.erase(Cols.begin() + static_cast<std::ptrdiff_t>(I));
            if (Cols.empty())
                FRows.erase(FRows.begin() + static_cast<std::ptrdiff_t>(R));
            if (Update)
                UpdateDock();
            return;
        }
    }
}

void TcbDockControl::RemoveBar(TcbBarControl* Window, bool Update)
{
    RemoveBar(FindCol(Window), Update);
}

void TcbDockControl::MoveBar(TcbBarControl* Window, TPoint ScreenPoint)
{
    RemoveBar(Window, false);
    InsertBar(Window, ScreenPoint, true);
    if (HasCustomBackground())
        RepaintBars();
}

void TcbDockControl::EndMove()
{
    for (auto& Row : FRows)
        for (auto& Col : Row->FCols)
            Col->UpdatePos();
}

TRect TcbDockControl::GetDockZone()
{
    RECT R{};
    if (HandleAllocated())
        ::GetWindowRect(FHandle, &R);
    InflateRect(&R, kcbDockingMargin, IsHorizontal() ? kcbDockingMargin : 0);
    return R;
}

// ---------------------------------------------------------------------------------------------
// Update and row layout

void TcbDockControl::UpdateDock()
{
    TCustomForm* Form = FBarManager ? FBarManager->GetOwnerForm() : nullptr;
    if (FUpdating || (Form && Form->GetComponentState().Contains(csDestroying)) ||
        (FBarManager && FBarManager->IsDockRedrawLocked()))
        return;
    TFlagScope Updating(FUpdating);
    LayoutDockRows();
    int32_t Size = GetRowsSize();
    if (IsSunkenBorder())
        Size += 2;
    const bool Horizontal = IsHorizontal();
    const int32_t Old = Horizontal ? GetHeight() : GetWidth();
    if (Size != Old) {
        TWinControl* Parent = GetParent();
        if (Parent)
            Parent->DisableAlign();
        // A bottom site keeps its bottom edge and a right site its right edge.
        switch (GetDockingStyle()) {
        case dsBottom: SetBounds(GetLeft(), GetTop() + GetHeight() - Size, GetWidth(), Size); break;
        case dsRight: SetBounds(GetLeft() + GetWidth() - Size, GetTop(), Size, GetHeight()); break;
        case dsLeft: SetBounds(GetLeft(), GetTop(), Size, GetHeight()); break;
        default: SetBounds(GetLeft(), GetTop(), GetWidth(), Size); break;
        }
        if (Parent)
            Parent->EnableAlign();
        // The rows may be longer or shorter now that the other sites moved.
        LayoutDockRows();
        TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl();
        auto* Keyboard = dynamic_cast<TcbBarControl*>(Active);
        if (Keyboard && Keyboard->GetBarManager() == FBarManager && GetCapture() != Keyboard->GetHandle() &&
            !(FEdgeStyle != dsNone && Keyboard->GetDockSite() && Keyboard->GetDockSite()->GetEdgeStyle() == dsNone))
            Keyboard->HideAll();
    }
}

int32_t TcbDockControl::BarLength(TcbBarControl* Window, int32_t Length, int32_t& Thickness)
{
    // The window's size for a length along the row (its non-client extras included).
    TcbBar* Bar = Window->GetBar();
    const TcbBarDockingStyle Style = GetDockingStyle();
    const bool Horizontal = IsHorizontal();
    const int32_t ExtraAlong = Horizontal ? Bar->GetExtraWidth(Style) : Bar->GetExtraHeight(Style);
    const int32_t ExtraAcross = Horizontal ? Bar->GetExtraHeight(Style) : Bar->GetExtraWidth(Style);
    const TSize S = Horizontal ? Window->GetSizeForWidth(Style, Length - ExtraAlong)
                               : Window->GetSizeForHeight(Style, Length - ExtraAlong);
    Thickness = (Horizontal ? S.cy : S.cx) + ExtraAcross;
    return Length;
}

void TcbDockControl::LayoutRow(TcbDockRow* Row, int32_t RowLength)
{
    const TcbBarDockingStyle Style = GetDockingStyle();
    const bool Horizontal = IsHorizontal();
    const size_t N = Row->FCols.size();
    std::vector<int32_t> Min(N), Full(N), Start(N), Len(N), Thick(N);
    std::vector<bool> Pushed(N, false);
    int32_t FullSum = 0;
    for (size_t I = 0; I < N; ++I) {
        TcbBarControl* W = Row->FCols[I]->FBarControl;
        TcbBar* Bar = W->GetBar();
        W->SetItemsPushedOff(false);
        if (W->GetItemLinks())
            W->GetItemLinks()->SetRecentCount(-1);
        const int32_t Extra = Horizontal ? Bar->GetExtraWidth(Style) : Bar->GetExtraHeight(Style);
        Min[I] = (Horizontal ? W->GetMinBarWidth(Style) : W->GetMinBarHeight(Style)) + Extra;
        Full[I] = (Horizontal ? W->GetPreferredBarWidth(Style) : W->GetPreferredBarHeight(Style)) + Extra;
        if (!W->IsMarkVisible() && Min[I] != Full[I])
            Min[I] += kcbMarkSize;
        Full[I] = std::max(Full[I], Min[I]);
        W->SetRowLengths(Min[I], Full[I]);
        FullSum += Full[I];
    }
    auto SumOf = [](const std::vector<int32_t>& V, size_t Count) {
        return std::accumulate(V.begin(), V.begin() + static_cast<std::ptrdiff_t>(Count), 0);
    };
    auto ColPos = [&](size_t I) {
        TcbDockCol* Col = Row->FCols[I].get();
        return Horizontal ? Col->GetLeft() : Col->GetTop();
    };
    TcbBar* First = N > 0 ? Row->FCols[0]->FBarControl->GetBar() : nullptr;
    if (First && First->GetWholeRow()) {
        Start[0] = 0;
        Len[0] = std::max(RowLength, Min[0]);
        Pushed[0] = !Row->FCols[0]->FBarControl->Wraps() && Len[0] < Full[0];
    } else if (FullSum > RowLength) {
        int32_t Remaining = RowLength;
        for (size_t K = N; K-- > 0;) {
            int32_t S = K == 0 ? 0 : std::clamp(ColPos(K), SumOf(Min, K), std::max(SumOf(Min, K), SumOf(Full, K)));
            const int32_t Room = Remaining - S;
            int32_t L = Full[K];
            if (L > Room) {
                L = std::max(Room, Min[K]);
                Pushed[K] = !Row->FCols[K]->FBarControl->Wraps() && Min[K] != Full[K];
            }
            // A bar that cannot end before the next one moves left, down to the room the bars
            // before it need.
            if (K > 0 && S + L > Remaining)
                S = std::max(SumOf(Min, K), Remaining - L);
            if (K == 0)
                L = std::max(L, std::min(Remaining, Full[K]));
            Start[K] = S;
            Len[K] = L;
            Remaining = S;
        }
    } else {
        int32_t Next = RowLength;
        for (size_t K = N; K-- > 0;) {
            int32_t S = std::min(ColPos(K), Next - Full[K]);
            S = std::max(S, SumOf(Full, K));
            Start[K] = S;
            Len[K] = Full[K];
            Next = S;
        }
    }
    // Bars that take the rest of the space, and a last bar with pushed-off items, stretch.
    for (size_t K = 0; K < N; ++K) {
        TcbBar* Bar = Row->FCols[K]->FBarControl->GetBar();
        const int32_t End = K + 1 < N ? Start[K + 1] : RowLength;
        if ((Bar->GetUseRestSpace() || (K + 1 == N && Pushed[K])) && !(First && First->GetWholeRow()))
            Len[K] = std::max(End - Start[K], Min[K]);
    }
    int32_t Thickness = 0;
    for (size_t K = 0; K < N; ++K) {
        TcbBarControl* W = Row->FCols[K]->FBarControl;
        BarLength(W, Len[K], Thick[K]);
        W->SetItemsPushedOff(Pushed[K]);
        Thickness = std::max(Thickness, Thick[K]);
    }
    Row->FThickness = Thickness;
    for (size_t K = 0; K < N; ++K) {
        TcbBarControl* W = Row->FCols[K]->FBarControl;
        if (Horizontal)
            W->SetBounds(Start[K], Row->FOffset, Len[K], Thick[K]);
        else
            W->SetBounds(Row->FOffset, Start[K], Thick[K], Len[K]);
        W->CalcControlsPositions();
        if (W->HandleAllocated())
            InvalidateRect(W->GetHandle(), nullptr, FALSE);
    }
}

void TcbDockControl::LayoutDockRows()
{
    TWinControl* Parent = GetParent();
    if (Parent)
        Parent->DisableAlign();
    TScopeExit Enable([Parent] {
        if (Parent)
            Parent->EnableAlign();
    });
    if (HandleAllocated() && !(FBarManager && FBarManager->IsDesigning()))
        SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const TRect C = GetClientRect();
    const int32_t RowLength = IsHorizontal() ? C.right - C.left : C.bottom - C.top;
    FLastLength = RowLength;
    int32_t Offset = 0;
    for (auto& Row : FRows) {
        Row->FOffset = Offset;
        LayoutRow(Row.get(), RowLength);
        Offset += Row->FThickness;
    }
}

// ---------------------------------------------------------------------------------------------
// The window

TRect TcbDockControl::GetClientRect() const
{
    return cbClientRectOr(HandleAllocated() ? FHandle : nullptr, GetWidth(), GetHeight());
}

void TcbDockControl::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    Params.Style = (Params.Style & WS_VISIBLE) | WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    Params.ExStyle = 0;
    Params.ClassStyle = CS_DBLCLKS;
    if (FBarManager && FBarManager->IsDesigning() && !dynamic_cast<TcbBarDockControl*>(this))
        Params.ClassStyle |= 0;
}

void TcbDockControl::PaintWindow(HDC DC)
{
    // The background is all a site draws; WM_ERASEBKGND has done it.
    (void)DC;
}

void TcbDockControl::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FBarManager)
        FBarManager = nullptr;
}

void TcbDockControl::RefreshFrames()
{
    if (!HandleAllocated())
        return;
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (auto& Row : FRows)
        for (auto& Col : Row->FCols)
            if (TcbBarControl* W = Col->FBarControl; W && W->HandleAllocated())
                SetWindowPos(W->GetHandle(), nullptr, 0, 0, 0, 0,
                             SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateDock();
}

void TcbDockControl::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case WM_ERASEBKGND: {
        TRect R = GetClientRect();
        FillBackground(reinterpret_cast<HDC>(M.WParam), R);
        M.Result = 1;
        return;
    }
    case WM_MOUSEACTIVATE:
        if (!(FBarManager && FBarManager->IsDesigning())) {
            M.Result = MA_NOACTIVATE;
            if (FBarManager && FBarManager->GetOwnerForm() && FBarManager->GetOwnerForm()->HandleAllocated())
                SetWindowPos(FBarManager->GetOwnerForm()->GetHandle(), HWND_TOP, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            return;
        }
        break;
    case WM_NCCALCSIZE:
        TCustomControl::WndProc(M);
        if (IsSunkenBorder()) {
            auto* R = reinterpret_cast<RECT*>(M.LParam);
            InflateRect(R, -1, -1);
        }
        return;
    case WM_NCPAINT:
        TCustomControl::WndProc(M);
        if (IsSunkenBorder() && HandleAllocated()) {
            HDC DC = GetWindowDC(FHandle);
            RECT W{};
            ::GetWindowRect(FHandle, &W);
            RECT R{0, 0, W.right - W.left, W.bottom - W.top};
            DrawEdge(DC, &R, BDR_SUNKENOUTER, BF_RECT);
            ReleaseDC(FHandle, DC);
        }
        return;
    case WM_SIZE: {
        TCustomControl::WndProc(M);
        // The background is made for the site's size (a gradient runs across it): what the
        // site showed of the old one is drawn again (a change of style redraws every site
        // itself).
        {
            const bool Filled = !FBackgroundCache->GetEmpty();
            ResetBackgroundCache();
            if (Filled && HandleAllocated() && !(FBarManager && FBarManager->IsChangingStyle()))
                InvalidateRect(FHandle, nullptr, TRUE);
        }
        // A new length shares the rows out again.
        const TRect C = GetClientRect();
        const int32_t Length = IsHorizontal() ? C.right - C.left : C.bottom - C.top;
        if (Length != FLastLength && !FRows.empty())
            UpdateDock();
        return;
    }
    case WM_RBUTTONDOWN:
        if (FBarManager && !FBarManager->IsCustomizingOrDesigning()) {
            POINT P{static_cast<short>(LOWORD(M.LParam)), static_cast<short>(HIWORD(M.LParam))};
            ::ClientToScreen(FHandle, &P);
            cbCallExtension(cbExtensions().ShowToolbarsPopup, FBarManager, TPoint{P.x, P.y});
            return;
        }
        break;
    case WM_LBUTTONDBLCLK:
        if (FBarManager && FBarManager->GetCanCustomize() && !FBarManager->IsDesigning()) {
            cbCallExtension(cbExtensions().ShowCustomizingForm, FBarManager, true);
            return;
        }
        break;
    case WM_WINDOWPOSCHANGED: {
        TCustomControl::WndProc(M);
        const auto* Pos = reinterpret_cast<const WINDOWPOS*>(M.LParam);
        if ((Pos->flags & SWP_NOMOVE) && (Pos->flags & SWP_NOSIZE))
            return;
        if (FBarManager)
            FBarManager->LockDockRedraw();
        TScopeExit Unlock([this] {
            if (FBarManager)
                FBarManager->UnlockDockRedraw();
        });
        // A status bar's size grip depends on the form's corner.
        if (GetDockingStyle() == dsBottom)
            for (auto& Row : FRows)
                for (auto& Col : Row->FCols)
                    if (TcbBarControl* W = Col->FBarControl;
                        W && W->HandleAllocated() && W->GetBar() && W->GetBar()->IsStatusBar())
                        SetWindowPos(W->GetHandle(), nullptr, 0, 0, 0, 0,
                                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (HasCustomBackground())
            RepaintBars();
        return;
    }
    default:
        break;
    }
    TCustomControl::WndProc(M);
}

// ---------------------------------------------------------------------------------------------
// TcbBarDockControl

TcbBarDockControl::TcbBarDockControl(TComponent* AOwner) : TcbDockControl(AOwner)
{
    SetAlign(alTop);
    SetBounds(0, 0, 100, 0);
}

TcbBarDockControl::~TcbBarDockControl()
{
    if (TcbBarManager* Manager = GetBarManager())
        Manager->DockControlRemoved(this);
}

void TcbBarDockControl::SetBarManager(TcbBarManager* Value)
{
    if (Value == GetBarManager())
        return;
    if (GetBarManager())
        GetBarManager()->DockControlRemoved(this);
    TcbDockControl::SetBarManager(Value);
    if (Value)
        Value->RegisterDockControl(this);
}

void TcbBarDockControl::SetDockAlign(TcbBarDockAlign Value)
{
    if (Value == FDockAlign)
        return;
    FDockAlign = Value;
    TcbBarManager* Manager = GetBarManager();
    TcbBarDockingStyle Style = dsTop;
    switch (Value) {
    case dalBottom: Style = dsBottom; break;
    case dalLeft: Style = dsLeft; break;
    case dalRight: Style = dsRight; break;
    default: break;
    }
    std::vector<TcbBarControl*> Windows;
    for (int32_t R = 0; R < GetRowCount(); ++R)
        for (int32_t C = 0; C < GetRow(R)->GetColCount(); ++C)
            Windows.push_back(GetRow(R)->GetCol(C)->GetBarControl());
    {
        if (Manager)
            Manager->LockDockRedraw();
        TScopeExit Unlock([Manager] {
            if (Manager)
                Manager->UnlockDockRedraw();
        });
        for (TcbBarControl* W : Windows) {
            W->SetDockingStyle(Style);
            if (TcbBar* Bar = W->GetBar())
                Bar->DockStyleFromSite(Style);
        }
        SetAlign(static_cast<TAlign>(Value));
    }
    for (TcbBarControl* W : Windows)
        W->RebuildBar();
    UpdateDock();
    if (GetParent())
        GetParent()->Realign();
}

void TcbBarDockControl::SetAllowZeroSizeInDesignTime(bool Value)
{
    if (Value == FAllowZeroSizeInDesignTime)
        return;
    FAllowZeroSizeInDesignTime = Value;
    if (HandleAllocated())
        SendMessageA(FHandle, WM_SIZE, 0, 0);
    else
        UpdateDock();
}

void TcbBarDockControl::SetColor(TColor Value)
{
    TcbDockControl::SetColor(Value);
    if (!FSettingColor && !GetComponentState().Contains(csLoading))
        FUseOwnColor = true;
}

void TcbBarDockControl::SetDockParentColor(bool Value)
{
    SetParentColor(Value);
    if (!GetComponentState().Contains(csLoading))
        FUseOwnColor = true;
}

void TcbBarDockControl::SetUseOwnColor(bool Value)
{
    if (Value == FUseOwnColor)
        return;
    FUseOwnColor = Value;
    if (!Value)
        UpdateColor();
}

void TcbBarDockControl::UpdateColor()
{
    if (FUseOwnColor)
        return;
    TFlagScope Setting(FSettingColor);
    TcbDockControl::UpdateColor();
}

void TcbBarDockControl::SetSunkenBorder(bool Value)
{
    if (Value == IsSunkenBorder())
        return;
    FSunkenBorder = Value;
    FUseOwnSunkenBorder = true;
    RefreshFrames();
}

void TcbBarDockControl::SetUseOwnSunkenBorder(bool Value)
{
    if (Value == FUseOwnSunkenBorder)
        return;
    const bool Before = IsSunkenBorder();
    if (Value)
        FSunkenBorder = Before;
    FUseOwnSunkenBorder = Value;
    if (!Value && IsSunkenBorder() != Before)
        RefreshFrames();
}

bool TcbBarDockControl::IsSunkenBorder() const
{
    return FUseOwnSunkenBorder ? FSunkenBorder : TcbDockControl::IsSunkenBorder();
}

bool TcbBarDockControl::CanDock(TcbBar* Bar) const
{
    if (!TcbDockControl::CanDock(Bar))
        return false;
    // A bar may not dock in a site that lies inside its own window.
    TCustomcbBarControl* Window = Bar ? Bar->GetBarControl() : nullptr;
    for (const TWinControl* P = GetParent(); P && Window; P = P->GetParent())
        if (P == Window)
            return false;
    return true;
}

int32_t TcbBarDockControl::GetZeroSize() const
{
    TcbBarManager* Manager = GetBarManager();
    const bool Designing = Manager ? Manager->IsDesigning() : GetComponentState().Contains(csDesigning);
    return Designing && !FAllowZeroSizeInDesignTime ? 3 : 0;
}

int32_t TcbBarDockControl::GetRowsSize() const
{
    if (IsLoadingBars() || GetComponentState().Contains(csLoading)) {
        const TRect C = GetClientRect();
        return IsHorizontal() ? C.bottom - C.top : C.right - C.left;
    }
    const int32_t Sum = TcbDockControl::GetRowsSize();
    return Sum == 0 ? GetZeroSize() : Sum;
}

void TcbBarDockControl::PaintWindow(HDC DC)
{
    TcbDockControl::PaintWindow(DC);
    TcbBarManager* Manager = GetBarManager();
    if (Manager && Manager->IsDesigning()) {
        const TRect C = GetClientRect();
        HPEN Pen = CreatePen(PS_DASH, 1, GetSysColor(COLOR_BTNSHADOW));
        HGDIOBJ OldPen = SelectObject(DC, Pen);
        HGDIOBJ OldBrush = SelectObject(DC, GetStockObject(NULL_BRUSH));
        Rectangle(DC, C.left, C.top, C.right, C.bottom);
        SelectObject(DC, OldBrush);
        SelectObject(DC, OldPen);
        DeleteObject(Pen);
    }
}

void TcbBarDockControl::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case WM_CREATE: {
        TcbDockControl::WndProc(M);
        // Bars that waited for this site's window are shown now.
        if (TcbBarManager* Manager = GetBarManager()) {
            auto& Waiting = Manager->BarsWaitingForWindow();
            // By row, so that each finds the rows before its own (see ShowBarsWaitingForWindow).
            std::vector<TcbBar*> Bars = Waiting;
            TcbBarManager::SortByRow(Bars);
            for (TcbBar* Bar : Bars)
                if (Bar->GetDockedDockControl() == this) {
                    Waiting.erase(std::remove(Waiting.begin(), Waiting.end(), Bar), Waiting.end());
                    Manager->ShowWaitingBar(Bar);
                }
        }
        return;
    }
    case WM_SIZE:
        TcbDockControl::WndProc(M);
        if (GetRowCount() == 0 && !IsLoadingBars() && !FUpdating) {
            const int32_t Zero = GetZeroSize();
            if ((IsHorizontal() ? GetHeight() : GetWidth()) != Zero) {
                TFlagScope Updating(FUpdating);
                if (IsHorizontal())
                    SetBounds(GetLeft(), GetTop(), GetWidth(), Zero);
                else
                    SetBounds(GetLeft(), GetTop(), Zero, GetHeight());
            }
        }
        return;
    default:
        break;
    }
    TcbDockControl::WndProc(M);
}
