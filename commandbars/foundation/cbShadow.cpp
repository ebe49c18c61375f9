#include "commandbars/foundation/cbShadow.h"

#include <algorithm>

#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/MemoryDC.h"

namespace {

// The alpha step per pixel of distance from the owner's edge.
constexpr int32_t kAlphaStep = 15;

bool IsEmptyRect(const TRect& R)
{
    return R.right <= R.left || R.bottom <= R.top;
}

// Cuts Strip where it would cover Item and adds the pieces before and after it.
void AddCut(std::vector<TcbShadowStrip>& Parts, const TcbShadowStrip& Strip, const TRect& Item)
{
    TRect Cover{};
    if (IsEmptyRect(Item) || !IntersectRect(&Cover, &Strip.Rect, &Item)) {
        if (!IsEmptyRect(Strip.Rect))
            Parts.push_back(Strip);
        return;
    }
    TcbShadowStrip Before = Strip, After = Strip;
    if (Strip.Vertical) {
        Before.Rect.bottom = Cover.top;
        After.Rect.top = Cover.bottom;
    } else {
        Before.Rect.right = Cover.left;
        After.Rect.left = Cover.right;
    }
    // The far piece begins at the cut, not at the owner's corner.
    After.FadeStart = false;
    for (const TcbShadowStrip& Piece : {Before, After})
        if (!IsEmptyRect(Piece.Rect))
            Parts.push_back(Piece);
}

// The owner window's root: the owner of popups must be a top-level window.
HWND OwnerRoot(TWinControl* Owner)
{
    if (!Owner || !Owner->HandleAllocated())
        return nullptr;
    HWND Wnd = Owner->GetHandle();
    HWND Root = GetAncestor(Wnd, GA_ROOT);
    return Root ? Root : Wnd;
}

bool IsTopmost(HWND Wnd)
{
    return Wnd && (GetWindowLongA(Wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// Puts Part directly above Owner, Siblings being the owner's other parts. When nothing but those
// lies above the owner, the part goes to the top: the display restacks a window's own surface
// only for a window that comes to the top, and a surface left below the owner's form shows the
// form there and gets the form put over the part again as soon as that spot is uncovered (another
// program's window going). Otherwise it goes after the window right above the owner; that window
// may belong to another program and go away before the move, which then fails and is tried again
// with the new neighbour.
void PlaceJustAbove(HWND Part, HWND Owner, const std::vector<HWND>& Siblings)
{
    if (!Owner)
        return;
    const bool Topmost = IsTopmost(Part);
    const auto IsSibling = [&Siblings](HWND W) {
        return std::find(Siblings.begin(), Siblings.end(), W) != Siblings.end();
    };
    for (int Attempt = 0; Attempt < 8; ++Attempt) {
        HWND After = GetWindow(Owner, GW_HWNDPREV);
        HWND Above = After;
        while (Above && (Above == Part || IsSibling(Above)))
            Above = GetWindow(Above, GW_HWNDPREV);
        if (!Above || (IsTopmost(Above) && !Topmost))
            After = Topmost ? HWND_TOPMOST : HWND_TOP;
        else if (After == Part)
            return;
        if (SetWindowPos(Part, After, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE))
            return;
    }
}

} // namespace

std::vector<TcbShadowStrip> CalcShadowParts(const TRect& Window, const TRect& ParentItem, int32_t Size)
{
    std::vector<TcbShadowStrip> Parts;
    if (IsEmptyRect(Window) || Size <= 0)
        return Parts;
    const TcbShadowStrip Right{
        TRect{Window.right, Window.top + Size, Window.right + Size, Window.bottom + Size}, true, true};
    const TcbShadowStrip Bottom{
        TRect{Window.left + Size, Window.bottom, Window.right, Window.bottom + Size}, false, true};
    AddCut(Parts, Right, ParentItem);
    AddCut(Parts, Bottom, ParentItem);
    return Parts;
}

uint8_t ShadowPixelAlpha(const TcbShadowStrip& Part, const TRect& Window, int32_t Size, int32_t X, int32_t Y)
{
    const int32_t ScreenX = Part.Rect.left + X, ScreenY = Part.Rect.top + Y;
    // Beside an edge the distance is the one from that edge; in the corner below and right of
    // the owner it is the larger of the two, which squares the corner off.
    const int32_t Distance = std::max({ScreenX - static_cast<int32_t>(Window.right), ScreenY - static_cast<int32_t>(Window.bottom), 0});
    if (Distance >= Size)
        return 0;
    int32_t Alpha = (Size - Distance) * kAlphaStep;
    const int32_t Along = Part.Vertical ? Y : X;
    if (Part.FadeStart && Along < Size)
        Alpha = Alpha * (Along + 1) / (Size + 1);
    return static_cast<uint8_t>(std::clamp(Alpha, 0, 255));
}

// ---------------------------------------------------------------------------------------------
// TcbBarShadowPart

TcbBarShadowPart::TcbBarShadowPart(TcbBarShadow* Shadow, const TcbShadowStrip& Strip, bool Layered) :
    TCustomControl(nullptr), FShadow(Shadow), FStrip(Strip), FLayered(Layered)
{
    SetVisible(false);
    SetColor(clBtnShadow);
    SetBoundsRect(Strip.Rect);
    HandleNeeded();
    if (FLayered)
        UpdateLayeredPicture();
}

TcbBarShadowPart::~TcbBarShadowPart() = default;

void TcbBarShadowPart::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    const HWND Owner = OwnerRoot(FShadow->GetOwner());
    Params.Style = WS_POPUP;
    // Never active: the system, handing the activation on when another program's window goes,
    // takes the next window that can be activated, and a part taken would come up alone, away
    // from its owner.
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    if (FLayered)
        Params.ExStyle |= WS_EX_LAYERED;
    if (IsTopmost(Owner))
        Params.ExStyle |= WS_EX_TOPMOST;
    Params.WndParent = Owner;
    Params.Menu = nullptr;
    Params.ClassStyle = 0;
}

void TcbBarShadowPart::UpdateLayeredPicture()
{
    auto Update = cbUser32Entries().UpdateLayeredWindow;
    const int32_t W = FStrip.Rect.right - FStrip.Rect.left, H = FStrip.Rect.bottom - FStrip.Rect.top;
    bool Done = false;
    if (Update && W > 0 && H > 0) {
        BITMAPINFO BI{};
        BI.bmiHeader.biSize = sizeof(BI.bmiHeader);
        BI.bmiHeader.biWidth = W;
        BI.bmiHeader.biHeight = -H; // top-down
        BI.bmiHeader.biPlanes = 1;
        BI.bmiHeader.biBitCount = 32;
        BI.bmiHeader.biCompression = BI_RGB;
        HDC Screen = GetDC(nullptr);
        TScopeExit ReleaseScreen([Screen] { ReleaseDC(nullptr, Screen); });
        HDC Memory = CreateMemoryDC();
        TScopeExit DeleteMemory([Memory] { DeleteMemoryDC(Memory); });
        void* Bits = nullptr;
        HBITMAP Picture = CreateDIBSection(Screen, &BI, DIB_RGB_COLORS, &Bits, nullptr, 0);
        if (Picture && Bits) {
            TScopeExit DeletePicture([Picture] { DeleteObject(Picture); });
            const int32_t Size = FShadow->CalcSize();
            const TRect Window = FShadow->GetOwnerRect();
            auto* Pixels = static_cast<uint32_t*>(Bits);
            // Black with per-pixel alpha: premultiplied, only the alpha byte is set.
            for (int32_t Y = 0; Y < H; ++Y)
                for (int32_t X = 0; X < W; ++X)
                    Pixels[Y * W + X] = static_cast<uint32_t>(ShadowPixelAlpha(FStrip, Window, Size, X, Y)) << 24;
            HGDIOBJ Old = SelectObject(Memory, Picture);
            POINT Pos{FStrip.Rect.left, FStrip.Rect.top}, Origin{0, 0};
            SIZE Extent{W, H};
            BLENDFUNCTION Blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            Done = Update(FHandle, Screen, &Pos, &Extent, Memory, &Origin, 0, &Blend, ULW_ALPHA) != FALSE;
            SelectObject(Memory, Old);
        }
    }
    if (!Done) {
        // Layered drawing failed: the strip becomes a plain one of clBtnShadow.
        FLayered = false;
        SetWindowLongA(FHandle, GWL_EXSTYLE, GetWindowLongA(FHandle, GWL_EXSTYLE) & ~WS_EX_LAYERED);
        SetWindowPos(FHandle, nullptr, FStrip.Rect.left, FStrip.Rect.top, W, H,
            SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        InvalidateRect(FHandle, nullptr, TRUE);
    }
}

void TcbBarShadowPart::ShowPart()
{
    if (!HandleAllocated())
        return;
    SetVisible(true);
    PlaceJustAbove(FHandle, OwnerRoot(FShadow->GetOwner()), FShadow->PartHandles());
}

void TcbBarShadowPart::HidePart()
{
    SetVisible(false);
}

void TcbBarShadowPart::Paint()
{
    const TRect R = GetClientRect();
    FillRect(GetCanvas()->GetHandle(), &R, GetSysColorBrush(COLOR_BTNSHADOW));
}

void TcbBarShadowPart::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_NCHITTEST:
        // The mouse goes to whatever lies below the shadow.
        Message.Result = HTTRANSPARENT;
        return;
    case WM_MOUSEACTIVATE:
        Message.Result = MA_NOACTIVATE;
        return;
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    default:
        break;
    }
    TCustomControl::WndProc(Message);
}

// ---------------------------------------------------------------------------------------------
// TcbBarShadow

TcbBarShadow::TcbBarShadow(TWinControl* Owner) : FOwner(Owner) {}

TcbBarShadow::~TcbBarShadow()
{
    FreeParts();
}

int32_t TcbBarShadow::CalcSize()
{
    return cbUser32Entries().UpdateLayeredWindow && cbScreenColorDepth() > 8 ? 4 : 2;
}

bool TcbBarShadow::CanBeLayered()
{
    return CalcSize() == 4;
}

TcbBarShadowPart* TcbBarShadow::GetPart(int32_t Index) const
{
    return Index >= 0 && Index < GetPartCount() ? FParts[static_cast<size_t>(Index)] : nullptr;
}

void TcbBarShadow::SetRects(const TRect& WindowRect, const TRect& ParentItemRect)
{
    FWindowRect = WindowRect;
    FParentItemRect = IsEmptyRect(ParentItemRect) ? TRect{} : ParentItemRect;
    FreeParts();
    FPartsStale = true;
    if (FVisible)
        BuildParts();
}

void TcbBarShadow::SetVisible(bool Value)
{
    if (Value == FVisible)
        return;
    FVisible = Value;
    if (Value && FPartsStale) {
        BuildParts();
        return;
    }
    for (TcbBarShadowPart* Part : FParts)
        if (Value)
            Part->ShowPart();
        else
            Part->HidePart();
}

bool TcbBarShadow::AreJustAboveOwner() const
{
    const HWND Owner = OwnerRoot(FOwner);
    if (!Owner)
        return true;
    // The shown windows right above the owner are the parts, in any order.
    HWND W = Owner;
    for (size_t I = 0; I < FParts.size(); ++I) {
        do
            W = GetWindow(W, GW_HWNDPREV);
        while (W && !IsWindowVisible(W));
        const auto It = std::find_if(FParts.begin(), FParts.end(), [W](TcbBarShadowPart* Part) {
            return W && Part->HandleAllocated() && Part->GetHandle() == W;
        });
        if (It == FParts.end())
            return false;
    }
    return true;
}

bool TcbBarShadow::KeepJustAboveOwner()
{
    if (!FVisible || FParts.empty() || AreJustAboveOwner())
        return false;
    const HWND Owner = OwnerRoot(FOwner);
    const std::vector<HWND> Handles = PartHandles();
    for (const HWND Part : Handles)
        PlaceJustAbove(Part, Owner, Handles);
    return true;
}

std::vector<HWND> TcbBarShadow::PartHandles() const
{
    std::vector<HWND> Handles;
    for (TcbBarShadowPart* Part : FParts)
        if (Part->HandleAllocated())
            Handles.push_back(Part->GetHandle());
    return Handles;
}

void TcbBarShadow::FreeParts()
{
    std::vector<TcbBarShadowPart*> Parts;
    Parts.swap(FParts);
    for (TcbBarShadowPart* Part : Parts)
        Part->Free();
}

void TcbBarShadow::BuildParts()
{
    FPartsStale = false;
    const int32_t Size = CalcSize();
    const bool Layered = Size == 4;
    for (const TcbShadowStrip& Strip : CalcShadowParts(FWindowRect, FParentItemRect, Size)) {
        // At most five strips, whatever the cuts left.
        if (FParts.size() >= 5)
            break;
        FParts.push_back(new TcbBarShadowPart(this, Strip, Layered));
        if (FVisible)
            FParts.back()->ShowPart();
    }
}
