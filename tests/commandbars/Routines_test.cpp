// The framework's services: captions without ampersands, layered alpha, work areas, menu fonts,
// platform flags, the item-class registry and the bar-window list, the checker brush, clip
// regions, child components, and the message pumps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbTheme.h"
#include "platform/rtl/ScopeGuards.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::Sys;
using CommandBarsTest::TDib;

namespace {

// A plain popup window of the STATIC class that counts the messages it gets.
struct TCountingWindow {
    HWND Handle = nullptr;
    WNDPROC Previous = nullptr;
    std::vector<UINT> Seen;

    explicit TCountingWindow(DWORD Style = WS_POPUP)
    {
        Handle = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", Style, 10, 10, 100, 60, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(Handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        Previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    ~TCountingWindow() { DestroyWindow(Handle); }
    size_t Count(UINT Msg) const { return static_cast<size_t>(std::count(Seen.begin(), Seen.end(), Msg)); }

    static LRESULT CALLBACK Proc(HWND W, UINT Msg, WPARAM WP, LPARAM LP)
    {
        auto* Self = reinterpret_cast<TCountingWindow*>(GetWindowLongPtrA(W, GWLP_USERDATA));
        Self->Seen.push_back(Msg);
        return CallWindowProcA(Self->Previous, W, Msg, WP, LP);
    }
};

// The routines started again under another system version, and back at the end.
class TRestartedRoutines {
public:
    TRestartedRoutines(DWORD Platform, DWORD Major, DWORD Minor)
    {
        cbRoutinesDone();
        SetOSVersionProvider([=](OSVERSIONINFOA& V) {
            V.dwPlatformId = Platform;
            V.dwMajorVersion = Major;
            V.dwMinorVersion = Minor;
            return true;
        });
        cbRoutinesInit();
    }
    ~TRestartedRoutines()
    {
        cbRoutinesDone();
        SetOSVersionProvider(nullptr);
        cbRoutinesInit();
    }
};

// A control that keeps child components, recording what joins and leaves.
class TChildHost : public TComponent, public IuiControlChildHost {
public:
    TChildHost() : TComponent(nullptr) {}
    void AddChildComponent(TuiControlChildComponent* Child) override
    {
        Log.push_back("add");
        Child->SetControl(this);
    }
    void RemoveChildComponent(TuiControlChildComponent* Child) override
    {
        Log.push_back("remove");
        Child->SetControl(nullptr);
    }
    std::vector<std::string> Log;
};

} // namespace

TEST(Routines, StripAmpersandsKeepsDoubledAndTrailingMarks)
{
    const struct {
        const char* In;
        const char* Out;
    } kCases[] = {{"&&A&b&", "&Ab&"}, {"&File", "File"}, {"a&&b", "a&b"}, {"&", "&"},     {"", ""},
                  {"&&&", "&&"},      {"x&", "x&"},      {"&a&b&c", "abc"}, {"&&&&", "&&"}, {"Save &As...", "Save As..."}};
    for (const auto& C : kCases)
        EXPECT_EQ(C.Out, StripAmpersands(C.In)) << C.In;
}

TEST(Routines, LayeredAlphaNeedsTheEntryAndLeavesPlainWindowsAlone)
{
    TCountingWindow W;
    auto ExStyle = [&] { return GetWindowLongPtrA(W.Handle, GWL_EXSTYLE); };
    const LONG_PTR Plain = ExStyle();
    ASSERT_NE(nullptr, cbUser32Entries().SetLayeredWindowAttributes);
    SetLayeredAlpha(W.Handle, 255);
    EXPECT_EQ(Plain, ExStyle());
    SetLayeredAlpha(W.Handle, 128);
    EXPECT_TRUE(ExStyle() & WS_EX_LAYERED);
    BYTE Alpha = 0;
    DWORD Flags = 0;
    if (GetLayeredWindowAttributes(W.Handle, nullptr, &Alpha, &Flags)) {
        EXPECT_EQ(128, Alpha);
        EXPECT_TRUE(Flags & LWA_ALPHA);
    }
    SetLayeredAlpha(W.Handle, 255);
    EXPECT_EQ(Plain, ExStyle());

    const TcbUser32Entries Saved = cbUser32Entries();
    TScopeExit Restore([&] { cbUser32Entries() = Saved; });
    cbUser32Entries().SetLayeredWindowAttributes = nullptr;
    SetLayeredAlpha(W.Handle, 128);
    EXPECT_EQ(Plain, ExStyle());
}

TEST(Routines, WorkAreaFallsBackToTheDesktopsWithoutMonitorEntries)
{
    const TPoint Centre = Point(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
    const TRect WithMonitors = GetMonitorWorkArea(Centre);
    EXPECT_FALSE(IsRectEmpty(&WithMonitors));
    const TcbUser32Entries Saved = cbUser32Entries();
    TScopeExit Restore([&] { cbUser32Entries() = Saved; });
    cbUser32Entries().MonitorFromPoint = nullptr;
    cbUser32Entries().GetMonitorInfoA = nullptr;
    TRect Desktop{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &Desktop, 0);
    const TRect Fallback = GetMonitorWorkArea(Centre);
    EXPECT_TRUE(EqualRect(&Desktop, &Fallback));
    // The test display has one monitor: both answers agree.
    EXPECT_TRUE(EqualRect(&Desktop, &WithMonitors));
}

TEST(Routines, MenuFontsAreAtLeastElevenPixels)
{
    const struct {
        int32_t In, Out;
    } kHeights[] = {{-8, -11}, {8, -11}, {0, -11}, {-10, -11}, {10, -11}, {-11, -11}, {11, 11}, {14, 14}, {-13, -13}};
    for (const auto& H : kHeights)
        EXPECT_EQ(H.Out, MenuFontHeight(H.In)) << H.In;

    auto HeightOf = [](HFONT F) {
        LOGFONTA L{};
        GetObjectA(F, sizeof(L), &L);
        return L.lfHeight;
    };
    for (int32_t Height : {-8, 8}) {
        TFont Font;
        Font.SetHeight(Height);
        HFONT Handle = CopyFontHandle(&Font);
        EXPECT_EQ(Height, HeightOf(Handle));
        const HFONT Old = Handle;
        CreateMenuFontHandle(&Font, Handle, false);
        EXPECT_EQ(0u, GetObjectType(Old)) << "the old handle is deleted";
        EXPECT_EQ(Height, HeightOf(Handle));
        CreateMenuFontHandle(&Font, Handle, true);
        EXPECT_GE(std::abs(HeightOf(Handle)), 11);
        DeleteObject(Handle);
    }
}

TEST(Routines, PlatformFlagsFollowTheSystemVersion)
{
    const struct {
        DWORD Platform, Major, Minor;
        bool Win9x, Win95, NewMenuRecord;
    } kCases[] = {{VER_PLATFORM_WIN32_WINDOWS, 4, 0, true, true, false},
                  {VER_PLATFORM_WIN32_WINDOWS, 4, 10, true, false, true},
                  {VER_PLATFORM_WIN32_NT, 4, 0, false, false, false},
                  {VER_PLATFORM_WIN32_NT, 5, 0, false, false, true},
                  {VER_PLATFORM_WIN32_NT, 6, 1, false, false, true},
                  {VER_PLATFORM_WIN32_NT, 10, 0, false, false, true}};
    for (const auto& C : kCases) {
        SCOPED_TRACE(testing::Message() << C.Platform << " " << C.Major << "." << C.Minor);
        TRestartedRoutines Restart(C.Platform, C.Major, C.Minor);
        EXPECT_EQ(C.Win9x, cbPlatformFlags().Win9x);
        EXPECT_EQ(C.Win95, cbPlatformFlags().Win95);
        EXPECT_EQ(C.NewMenuRecord, cbPlatformFlags().NewMenuRecord);
    }
}

TEST(Routines, OnlyVisibleItemClassesAreCountedAndIndexed)
{
    // The framework's eleven classes in their order: seven shown, four not.
    const char* kNames[] = {"TcbBarButton", "TcbBarEdit", "TCustomcbBarCombo", "TcbBarCombo", "TcbBarSubItem",
                            "TcbBarListItem", "TcbBarContainerItem", "TcbBarQuickCustExtButton", "TcbBarQuickCustItem",
                            "TcbBarQuickSubItem", "TSystemMenuSubItem"};
    std::vector<TcbBarItemClassRef> Classes;
    for (const char* N : kNames)
        Classes.push_back({N, nullptr});
    int Made = 0;
    for (size_t I = 0; I < Classes.size(); ++I)
        RegisterBarItemClass(&Classes[I], [&](TCustomcbBarControl*, TcbBarItemLink*) {
            ++Made;
            return nullptr;
        }, I < 7);
    TScopeExit Unregister([&] {
        for (const auto& C : Classes)
            UnregisterBarItemClass(&C);
    });
    EXPECT_EQ(7, GetVisibleBarItemClassCount());
    EXPECT_EQ(&Classes[0], GetVisibleBarItemClass(0));
    EXPECT_EQ(&Classes[6], GetVisibleBarItemClass(6));
    EXPECT_EQ(nullptr, GetVisibleBarItemClass(7));
    EXPECT_EQ(nullptr, GetVisibleBarItemClass(-1));
    ASSERT_TRUE(GetBarItemControlClass(&Classes[9]));
    GetBarItemControlClass(&Classes[9])(nullptr, nullptr);
    EXPECT_EQ(1, Made);
    UnregisterBarItemClass(&Classes[1]);
    EXPECT_EQ(6, GetVisibleBarItemClassCount());
    EXPECT_EQ(&Classes[2], GetVisibleBarItemClass(1));
    EXPECT_FALSE(GetBarItemControlClass(&Classes[1]));
}

TEST(Routines, TheBarWindowListKnowsWhichWindowsLive)
{
    int A = 0, B = 0;
    auto* First = reinterpret_cast<TCustomcbBarControl*>(&A);
    auto* Second = reinterpret_cast<TCustomcbBarControl*>(&B);
    RegisterBarControl(First);
    RegisterBarControl(Second);
    RegisterBarControl(First);
    EXPECT_TRUE(IsBarControl(&A));
    EXPECT_TRUE(IsBarControl(&B));
    UnregisterBarControl(First);
    EXPECT_FALSE(IsBarControl(&A));
    EXPECT_TRUE(IsBarControl(&B));
    UnregisterBarControl(Second);
    EXPECT_FALSE(IsBarControl(&B));
    EXPECT_FALSE(IsBarControl(nullptr));
}

TEST(Routines, TheCheckerBrushAlternatesFaceAndHighlight)
{
    ASSERT_NE(nullptr, cbCheckerBrush());
    TDib D(16, 16);
    RECT R{0, 0, 16, 16};
    FillRect(D.DC(), &R, cbCheckerBrush());
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(0, 0));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), D.Pixel(1, 0));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), D.Pixel(0, 1));
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(9, 11));
    const HBRUSH Before = cbCheckerBrush();
    cbSystemColorsChanged();
    EXPECT_NE(nullptr, cbCheckerBrush());
    if (cbCheckerBrush() != Before) {
        EXPECT_EQ(0u, GetObjectType(Before));
    }
}

TEST(Routines, ClipRegionsComeBackAsTheyWere)
{
    TDib D(40, 40);
    RECT Box{};
    // With a clip region: saved, changed, restored.
    HRGN Clip = CreateRectRgn(5, 5, 20, 20);
    SelectClipRgn(D.DC(), Clip);
    DeleteObject(Clip);
    HRGN Saved = nullptr;
    bool HadRgn = false;
    SaveClipRgn(D.DC(), Saved, HadRgn);
    EXPECT_TRUE(HadRgn);
    IntersectClipRect(D.DC(), 6, 6, 8, 8);
    AddClipRect(D.DC(), Rect(30, 30, 35, 35));
    GetClipBox(D.DC(), &Box);
    EXPECT_EQ(35, Box.right);
    RestoreClipRgn(D.DC(), Saved, HadRgn);
    GetClipBox(D.DC(), &Box);
    const TRect Before = Rect(5, 5, 20, 20);
    EXPECT_TRUE(EqualRect(&Box, &Before));
    // Without one: none again afterwards.
    SelectClipRgn(D.DC(), nullptr);
    SaveClipRgn(D.DC(), Saved, HadRgn);
    EXPECT_FALSE(HadRgn);
    IntersectClipRect(D.DC(), 0, 0, 3, 3);
    RestoreClipRgn(D.DC(), Saved, HadRgn);
    HRGN Probe = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(0, GetClipRgn(D.DC(), Probe));
    // A rectangle cut out of a region.
    SetRectRgn(Probe, 0, 0, 10, 10);
    ExcludeRectFromRgn(Probe, Rect(0, 0, 10, 5));
    GetRgnBox(Probe, &Box);
    const TRect Rest = Rect(0, 5, 10, 10);
    EXPECT_TRUE(EqualRect(&Box, &Rest));
    DeleteObject(Probe);
}

TEST(Routines, AChildComponentJoinsOnlyAHostAndLeavesWhenFreed)
{
    TChildHost Host;
    TComponent Other(nullptr);
    {
        TuiControlChildComponent Child(nullptr);
        Child.SetParentComponent(&Host);
        EXPECT_EQ(&Host, Child.GetControl());
        Child.SetParentComponent(&Host); // already there
        Child.SetParentComponent(&Other);
        EXPECT_EQ(nullptr, Child.GetControl());
        Child.SetParentComponent(&Host);
        EXPECT_FALSE(Child.IsDestroying());
    }
    EXPECT_EQ((std::vector<std::string>{"add", "remove", "add", "remove"}), Host.Log);
}

TEST(Routines, MenuSoundsGoToTheHookWhenOneIsSet)
{
    std::vector<TcbMenuSound> Kinds;
    SetMenuSoundHook([&](TcbMenuSound K) { Kinds.push_back(K); });
    TScopeExit Restore([] { SetMenuSoundHook(nullptr); });
    PlayMenuSound(msMenuPopup);
    PlayMenuSound(msMenuCommand);
    EXPECT_EQ((std::vector<TcbMenuSound>{msMenuPopup, msMenuCommand}), Kinds);
}

TEST(Routines, PumpsDispatchTheirKindAndLeaveTheRest)
{
    TCountingWindow W;
    for (int I = 0; I < 3; ++I)
        PostMessageA(W.Handle, WM_MOUSEMOVE, 0, MAKELPARAM(I, I));
    PostMessageA(W.Handle, WM_KEYDOWN, VK_F5, 0);
    ProcessMouseMessages();
    EXPECT_EQ(3u, W.Count(WM_MOUSEMOVE));
    EXPECT_EQ(0u, W.Count(WM_KEYDOWN));
    MSG Msg{};
    EXPECT_TRUE(PeekMessageA(&Msg, W.Handle, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));

    // A quit met by the paint pump ends it and stays for the application's loop.
    TCountingWindow Shown(WS_POPUP | WS_VISIBLE);
    InvalidateRect(Shown.Handle, nullptr, TRUE);
    PostQuitMessage(7);
    ProcessPaintMessages();
    ASSERT_TRUE(PeekMessageA(&Msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    EXPECT_EQ(0, GetMessageA(&Msg, nullptr, 0, 0));
    EXPECT_EQ(7u, Msg.wParam);
    // Without a quit waiting the paint pump paints.
    InvalidateRect(Shown.Handle, nullptr, TRUE);
    ProcessPaintMessages();
    EXPECT_GE(Shown.Count(WM_PAINT), 1u);
    EXPECT_FALSE(GetUpdateRect(Shown.Handle, nullptr, FALSE));
}
