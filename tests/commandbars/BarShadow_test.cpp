// The drop shadow: where its strips go around an owner and an attached parent item, their alpha,
// the part windows (layered 4-pixel strips, or 2 pixels of clBtnShadow without layered drawing
// or on a display of 8 bits), showing and hiding without rebuilding, and the shadow of bar
// windows that float or are docked.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "commandbars/model/cbBar.h"
#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbShadow.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Forms.h"
#include "tests/commandbars/support/TestBarWindow.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::TTestBarWindow;

namespace {

bool Intersects(const RECT& A, const RECT& B)
{
    RECT I;
    return IntersectRect(&I, &A, &B) != FALSE;
}

bool SameRect(const RECT& A, const RECT& B)
{
    return EqualRect(&A, &B) != FALSE;
}

std::string RectText(const RECT& R)
{
    return "(" + std::to_string(R.left) + ", " + std::to_string(R.top) + ", " + std::to_string(R.right) + ", " +
        std::to_string(R.bottom) + ")";
}

// A plain owner window without a frame, shown at (200, 200), 120 x 80.
struct TOwner {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TOwner()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(200, 200, 120, 80);
        Form->Show();
    }
    ~TOwner() { Form->Hide(); }
    TRect Bounds() const
    {
        TRect R{};
        GetWindowRect(Form->GetHandle(), &R);
        return R;
    }
};

std::vector<HWND> PartHandles(const TcbBarShadow& Shadow)
{
    std::vector<HWND> Handles;
    for (int32_t I = 0; I < Shadow.GetPartCount(); ++I)
        Handles.push_back(Shadow.GetPart(I)->GetHandle());
    return Handles;
}

int VisibleCount(const std::vector<HWND>& Handles)
{
    int Count = 0;
    for (HWND H : Handles)
        Count += IsWindowVisible(H) ? 1 : 0;
    return Count;
}

// The user32 entry, or the screen depth, replaced while the object lives.
struct TLayeredEntryCleared {
    decltype(cbUser32Entries().UpdateLayeredWindow) Saved = cbUser32Entries().UpdateLayeredWindow;
    TLayeredEntryCleared() { cbUser32Entries().UpdateLayeredWindow = nullptr; }
    ~TLayeredEntryCleared() { cbUser32Entries().UpdateLayeredWindow = Saved; }
};

struct TDepthOverride {
    explicit TDepthOverride(int32_t Bits) { SetScreenColorDepthOverride(Bits); }
    ~TDepthOverride() { SetScreenColorDepthOverride(0); }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Geometry and alpha, without windows

TEST(ShadowParts, AStripRunsDownTheRightAndOneAlongTheBottomOffsetBySize)
{
    const TRect W{100, 100, 200, 150};
    const auto Parts = CalcShadowParts(W, TRect{}, 4);
    ASSERT_EQ(2u, Parts.size());
    EXPECT_TRUE(SameRect(TRect{200, 104, 204, 154}, Parts[0].Rect)) << RectText(Parts[0].Rect);
    EXPECT_TRUE(Parts[0].Vertical);
    EXPECT_TRUE(Parts[0].FadeStart);
    EXPECT_TRUE(SameRect(TRect{104, 150, 200, 154}, Parts[1].Rect)) << RectText(Parts[1].Rect);
    EXPECT_FALSE(Parts[1].Vertical);
    EXPECT_TRUE(Parts[1].FadeStart);

    const auto Thin = CalcShadowParts(W, TRect{}, 2);
    ASSERT_EQ(2u, Thin.size());
    EXPECT_TRUE(SameRect(TRect{200, 102, 202, 152}, Thin[0].Rect)) << RectText(Thin[0].Rect);
    EXPECT_TRUE(SameRect(TRect{102, 150, 200, 152}, Thin[1].Rect)) << RectText(Thin[1].Rect);

    EXPECT_TRUE(CalcShadowParts(TRect{}, TRect{}, 4).empty()) << "an empty owner casts nothing";
    // A window narrower than the offset has no bottom strip left.
    const auto Narrow = CalcShadowParts(TRect{100, 100, 103, 150}, TRect{}, 4);
    ASSERT_EQ(1u, Narrow.size());
    EXPECT_TRUE(Narrow[0].Vertical);
}

TEST(ShadowParts, StripsAreCutAroundAnAttachedParentItemAndTheFarPieceDoesNotFade)
{
    const TRect W{100, 100, 200, 150};
    // A menu opened upwards from an item below it: the bottom strip is cut.
    const TRect Below{120, 150, 160, 170};
    const auto Up = CalcShadowParts(W, Below, 4);
    ASSERT_EQ(3u, Up.size());
    for (const auto& Part : Up)
        EXPECT_FALSE(Intersects(Part.Rect, Below)) << RectText(Part.Rect);
    EXPECT_TRUE(SameRect(TRect{104, 150, 120, 154}, Up[1].Rect)) << RectText(Up[1].Rect);
    EXPECT_TRUE(Up[1].FadeStart);
    EXPECT_TRUE(SameRect(TRect{160, 150, 200, 154}, Up[2].Rect)) << RectText(Up[2].Rect);
    EXPECT_FALSE(Up[2].FadeStart);

    // Opened leftwards from an item to the right of it: the right strip is cut.
    const TRect Right{200, 110, 260, 130};
    const auto Left = CalcShadowParts(W, Right, 4);
    ASSERT_EQ(3u, Left.size());
    EXPECT_TRUE(SameRect(TRect{200, 104, 204, 110}, Left[0].Rect)) << RectText(Left[0].Rect);
    EXPECT_TRUE(SameRect(TRect{200, 130, 204, 154}, Left[1].Rect)) << RectText(Left[1].Rect);
    EXPECT_FALSE(Left[1].FadeStart);

    // An item that covers a whole strip leaves nothing of it; an item at the top covers nothing.
    const auto Covered = CalcShadowParts(W, TRect{90, 150, 210, 170}, 4);
    ASSERT_EQ(1u, Covered.size());
    EXPECT_TRUE(Covered[0].Vertical);
    const TRect Above{110, 80, 170, 100};
    const auto Down = CalcShadowParts(W, Above, 4);
    EXPECT_EQ(2u, Down.size());
    for (const auto& Part : Down)
        EXPECT_FALSE(Intersects(Part.Rect, Above));
}

TEST(ShadowParts, AlphaFallsWithTheDistanceFromTheOwnerAndFadesInAtTheCorner)
{
    const TRect W{100, 100, 200, 150};
    const auto Parts = CalcShadowParts(W, TRect{}, 4);
    const auto& Right = Parts[0];
    const auto& Bottom = Parts[1];
    // Past the fading start: (4 - distance) x 15 across the strip.
    for (int32_t X = 0; X < 4; ++X)
        EXPECT_EQ((4 - X) * 15, ShadowPixelAlpha(Right, W, 4, X, 20)) << "column " << X;
    // The first four rows fade in: alpha x (i + 1) / 5.
    EXPECT_EQ(60 * 1 / 5, ShadowPixelAlpha(Right, W, 4, 0, 0));
    EXPECT_EQ(60 * 4 / 5, ShadowPixelAlpha(Right, W, 4, 0, 3));
    EXPECT_EQ(60, ShadowPixelAlpha(Right, W, 4, 0, 4));
    // Below the owner's corner the larger distance counts: row 48 of the strip is y 152.
    EXPECT_EQ(30, ShadowPixelAlpha(Right, W, 4, 1, 48));
    EXPECT_EQ(15, ShadowPixelAlpha(Right, W, 4, 0, 49));
    // The bottom strip fades in from the left along x; its end at the corner does not fade.
    EXPECT_EQ(45 * 1 / 5, ShadowPixelAlpha(Bottom, W, 4, 0, 1));
    EXPECT_EQ(45, ShadowPixelAlpha(Bottom, W, 4, 95, 1));
    // A far piece after a cut starts at full strength.
    const auto Cut = CalcShadowParts(W, TRect{120, 150, 160, 170}, 4);
    EXPECT_EQ(60, ShadowPixelAlpha(Cut[2], W, 4, 0, 0));
}

// ---------------------------------------------------------------------------------------------
// Part windows

TEST(ShadowWindows, LayeredPartsAreFourPixelStripsThatTheMouseGoesThrough)
{
    ASSERT_EQ(4, TcbBarShadow::CalcSize()) << "layered windows on a 24-bit display";
    TOwner Owner;
    TcbBarShadow Shadow(Owner.Form.get());
    const TRect W = Owner.Bounds();
    Shadow.SetRects(W, TRect{});
    Shadow.SetVisible(true);
    ASSERT_EQ(2, Shadow.GetPartCount());
    const TRect Expected[] = {{W.right, W.top + 4, W.right + 4, W.bottom + 4}, {W.left + 4, W.bottom, W.right, W.bottom + 4}};
    for (int32_t I = 0; I < Shadow.GetPartCount(); ++I) {
        HWND Part = Shadow.GetPart(I)->GetHandle();
        SCOPED_TRACE("part " + std::to_string(I));
        EXPECT_TRUE(IsWindowVisible(Part));
        const LONG Style = GetWindowLongA(Part, GWL_STYLE), ExStyle = GetWindowLongA(Part, GWL_EXSTYLE);
        EXPECT_NE(0, Style & WS_POPUP);
        EXPECT_NE(0, ExStyle & WS_EX_LAYERED);
        EXPECT_EQ(0, ExStyle & WS_EX_TOPMOST);
        EXPECT_EQ(Owner.Form->GetHandle(), GetWindow(Part, GW_OWNER));
        TRect R{};
        GetWindowRect(Part, &R);
        EXPECT_TRUE(SameRect(Expected[I], R)) << RectText(R);
        const LPARAM Centre = MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
        EXPECT_EQ(HTTRANSPARENT, SendMessageA(Part, WM_NCHITTEST, 0, Centre));
    }
}

TEST(ShadowWindows, NoPartCoversAnAttachedParentItemAndThereAreNeverMoreThanFive)
{
    TOwner Owner;
    TcbBarShadow Shadow(Owner.Form.get());
    const TRect W = Owner.Bounds();
    const TRect Items[] = {
        {W.left + 10, W.top - 20, W.left + 60, W.top},       // attached at the top
        {W.left + 20, W.bottom, W.left + 50, W.bottom + 20}, // at the bottom: the strip is cut
        {W.right, W.top + 10, W.right + 30, W.top + 30},     // at the right
    };
    for (const TRect& Item : Items) {
        SCOPED_TRACE("item " + RectText(Item));
        Shadow.SetRects(W, Item);
        Shadow.SetVisible(true);
        ASSERT_GE(Shadow.GetPartCount(), 2);
        EXPECT_LE(Shadow.GetPartCount(), 5);
        for (HWND Part : PartHandles(Shadow)) {
            TRect R{};
            GetWindowRect(Part, &R);
            EXPECT_FALSE(Intersects(R, Item)) << RectText(R);
            EXPECT_TRUE(IsWindowVisible(Part));
        }
        Shadow.SetVisible(false);
    }
}

TEST(ShadowWindows, WithoutLayeredDrawingOrOnEightBitsThePartsAreTwoPlainPixelsOfButtonShadow)
{
    TOwner Owner;
    for (int Case = 0; Case < 2; ++Case) {
        SCOPED_TRACE(Case == 0 ? "UpdateLayeredWindow cleared" : "8-bit display");
        std::unique_ptr<TLayeredEntryCleared> Cleared;
        std::unique_ptr<TDepthOverride> Depth;
        if (Case == 0)
            Cleared = std::make_unique<TLayeredEntryCleared>();
        else
            Depth = std::make_unique<TDepthOverride>(8);
        ASSERT_EQ(2, TcbBarShadow::CalcSize());
        TcbBarShadow Shadow(Owner.Form.get());
        const TRect W = Owner.Bounds();
        Shadow.SetRects(W, TRect{});
        Shadow.SetVisible(true);
        ASSERT_EQ(2, Shadow.GetPartCount());
        const TRect Expected[] = {{W.right, W.top + 2, W.right + 2, W.bottom + 2}, {W.left + 2, W.bottom, W.right, W.bottom + 2}};
        for (int32_t I = 0; I < 2; ++I) {
            HWND Part = Shadow.GetPart(I)->GetHandle();
            EXPECT_EQ(0, GetWindowLongA(Part, GWL_EXSTYLE) & WS_EX_LAYERED);
            TRect R{};
            GetWindowRect(Part, &R);
            EXPECT_TRUE(SameRect(Expected[I], R)) << RectText(R);
            const TestSupport::TShot Shot = TestSupport::CaptureFullPaint(Part);
            ASSERT_GT(Shot.W, 0);
            TestSupport::ExpectPixel(Shot, 0, 0, GetSysColor(COLOR_BTNSHADOW), "the strip's first pixel");
            TestSupport::ExpectPixel(Shot, Shot.W - 1, Shot.H - 1, GetSysColor(COLOR_BTNSHADOW), "its last pixel");
        }
        Shadow.SetVisible(false);
    }
}

TEST(ShadowWindows, HidingAndShowingKeepThePartsWhileNewRectsRebuildThem)
{
    TOwner Owner;
    TcbBarShadow Shadow(Owner.Form.get());
    const TRect W = Owner.Bounds();
    Shadow.SetRects(W, TRect{});
    Shadow.SetVisible(true);
    const std::vector<HWND> First = PartHandles(Shadow);
    ASSERT_EQ(2u, First.size());
    EXPECT_EQ(2, VisibleCount(First));

    Shadow.SetVisible(false);
    EXPECT_EQ(First, PartHandles(Shadow)) << "hiding makes no new parts";
    EXPECT_EQ(0, VisibleCount(First));
    for (HWND H : First)
        EXPECT_TRUE(IsWindow(H));
    Shadow.SetVisible(true);
    EXPECT_EQ(First, PartHandles(Shadow)) << "showing again makes no new parts";
    EXPECT_EQ(2, VisibleCount(First));

    // New bounds while hidden: the old strips go at once, the new ones come with the showing.
    Shadow.SetVisible(false);
    TRect Moved = W;
    OffsetRect(&Moved, 30, 10);
    Shadow.SetRects(Moved, TRect{});
    for (HWND H : First)
        EXPECT_FALSE(IsWindow(H));
    Shadow.SetVisible(true);
    ASSERT_EQ(2, Shadow.GetPartCount());
    TRect R{};
    GetWindowRect(Shadow.GetPart(0)->GetHandle(), &R);
    EXPECT_EQ(Moved.right, R.left);
    EXPECT_EQ(2, VisibleCount(PartHandles(Shadow)));
    Shadow.SetVisible(false);
}

TEST(ShadowWindows, ATopmostOwnerGetsTopmostParts)
{
    TOwner Owner;
    SetWindowPos(Owner.Form->GetHandle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TcbBarShadow Shadow(Owner.Form.get());
    Shadow.SetRects(Owner.Bounds(), TRect{});
    Shadow.SetVisible(true);
    ASSERT_EQ(2, Shadow.GetPartCount());
    for (HWND Part : PartHandles(Shadow))
        EXPECT_NE(0, GetWindowLongA(Part, GWL_EXSTYLE) & WS_EX_TOPMOST);
    Shadow.SetVisible(false);
    SetWindowPos(Owner.Form->GetHandle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------------------------------------
// The shadow of bar windows

namespace {

// A test bar window docked in a form: a child window.
class TChildBarWindow : public TTestBarWindow {
public:
    using TTestBarWindow::TTestBarWindow;
    std::string ClassName() const override { return "TChildBarWindow"; }

protected:
    void CreateParams(TCreateParams& Params) override
    {
        TTestBarWindow::CreateParams(Params);
        Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        Params.ExStyle = 0;
    }
};

struct TBarScene {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TcbBarManager* Manager = nullptr;
    TcbBar* Bar = nullptr;
    TBarScene()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(40, 40, 400, 200);
        Manager = new TcbBarManager(Form.get());
        Manager->SetStyle(bmsFlat);
        Bar = Manager->GetBars()->Add();
        for (const char* Caption : {"One", "Two", "Three"}) {
            auto* Button = new TcbBarButton(Form.get());
            Button->SetCaption(Caption);
            Bar->GetItemLinks()->Add()->SetItem(Button);
        }
        Form->Show();
    }
    ~TBarScene() { Form->Hide(); }
};

TcbBarShadow* ShadowOf(TCustomcbBarControl* Window)
{
    return dynamic_cast<TcbBarShadow*>(Window->GetShadow());
}

} // namespace

TEST(BarWindowShadow, AFloatingBarWindowCastsItsShadowWhereverItMovesAndHidesItWithItself)
{
    TBarScene Scene;
    auto* Window = new TTestBarWindow(Scene.Manager, Scene.Bar->GetItemLinks(), Scene.Form.get());
    TScopeExit Free([Window] { Window->Free(); });
    Window->ShowAt(500, 400);
    TcbBarShadow* Shadow = ShadowOf(Window);
    ASSERT_NE(nullptr, Shadow);
    ASSERT_TRUE(Window->IsShadowVisible()) << "a floating Flat bar shows a shadow";
    SetWindowPos(Window->GetHandle(), nullptr, 520, 420, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(Shadow->GetVisible());
    ASSERT_EQ(2, Shadow->GetPartCount());
    TRect W{}, R{};
    GetWindowRect(Window->GetHandle(), &W);
    GetWindowRect(Shadow->GetPart(0)->GetHandle(), &R);
    EXPECT_TRUE(SameRect(TRect{W.right, W.top + 4, W.right + 4, W.bottom + 4}, R)) << RectText(R);
    const std::vector<HWND> Parts = PartHandles(*Shadow);
    EXPECT_EQ(2, VisibleCount(Parts));

    Window->Hide();
    EXPECT_FALSE(Shadow->GetVisible());
    EXPECT_EQ(0, VisibleCount(Parts));
    Free.Dismiss();
    Window->Free();
    for (HWND H : Parts)
        EXPECT_FALSE(IsWindow(H)) << "the parts go with their window";
}

TEST(BarWindowShadow, ADockedBarWindowShowsNoShadow)
{
    TBarScene Scene;
    auto* Window = new TChildBarWindow(Scene.Manager, Scene.Bar->GetItemLinks(), Scene.Form.get());
    TScopeExit Free([Window] { Window->Free(); });
    Window->DockAt(dsTop);
    Window->ShowAt(0, 0);
    ASSERT_NE(0, GetWindowLongA(Window->GetHandle(), GWL_STYLE) & WS_CHILD);
    SetWindowPos(Window->GetHandle(), nullptr, 10, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(Window->GetHandle(), nullptr, 0, 0, 300, 26, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(IsWindowVisible(Window->GetHandle()));
    EXPECT_FALSE(Window->IsShadowVisible());
    TcbBarShadow* Shadow = ShadowOf(Window);
    ASSERT_NE(nullptr, Shadow);
    EXPECT_FALSE(Shadow->GetVisible());
    EXPECT_EQ(0, VisibleCount(PartHandles(*Shadow)));
    // No window of the thread lies along the docked bar's right edge.
    for (HWND Visible : TestSupport::VisibleThreadWindows())
        EXPECT_TRUE(Visible == Scene.Form->GetHandle()) << "an unexpected visible window";
}
