// Theme support: the loader and its version test, the class-handle cache, the theme-change
// broadcast and the wrappers without their entry points. Runs in both prefixes: visual styles
// are on in the default one and off in the classic one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/foundation/cbTheme.h"
#include "platform/rtl/ScopeGuards.h"
#include "tests/support/TestSupport.h"

using TestSupport::TExceptionCapture;

namespace {

bool Classic()
{
    return TestSupport::WineProfile() == "classic";
}

// Counting stand-ins for two entries, forwarding to the library's own.
FARPROC gRealOpen = nullptr;
FARPROC gRealClose = nullptr;
int gOpens = 0;
int gCloses = 0;

template <class F>
F As(FARPROC P)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(P));
}

template <class F>
FARPROC Raw(F P)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(P));
}

HTHEME WINAPI CountingOpen(HWND Wnd, LPCWSTR Classes)
{
    ++gOpens;
    return As<HTHEME(WINAPI*)(HWND, LPCWSTR)>(gRealOpen)(Wnd, Classes);
}

HRESULT WINAPI CountingClose(HTHEME Theme)
{
    ++gCloses;
    return As<HRESULT(WINAPI*)(HTHEME)>(gRealClose)(Theme);
}

void CountOpensAndCloses()
{
    gOpens = gCloses = 0;
    gRealOpen = GetThemeEntry(teOpenThemeData);
    gRealClose = GetThemeEntry(teCloseThemeData);
    SetThemeEntry(teOpenThemeData, Raw(&CountingOpen));
    SetThemeEntry(teCloseThemeData, Raw(&CountingClose));
}

void ThemeChanged()
{
    ASSERT_NE(nullptr, ThemeChangeReceiverHandle());
    SendMessageA(ThemeChangeReceiverHandle(), WM_THEMECHANGED, 0, 0);
}

class ThemeSupport : public testing::Test {
protected:
    void SetUp() override { cbThemeInit(); }
    void TearDown() override
    {
        cbThemeDone();
        SetOSVersionProvider(nullptr);
    }
};

} // namespace

TEST_F(ThemeSupport, AClassHandleIsCachedUntilAnotherClassListIsAsked)
{
    ASSERT_TRUE(IsThemeLibraryLoaded());
    if (Classic()) {
        EXPECT_FALSE(AreThemesInUse());
        EXPECT_EQ(nullptr, OpenThemeClass(tcToolBar));
        EXPECT_EQ(S_FALSE, CloseThemeClass(tcToolBar));
        return;
    }
    EXPECT_TRUE(AreThemesInUse());
    CountOpensAndCloses();
    const HTHEME First = OpenThemeClass(tcToolBar);
    ASSERT_NE(nullptr, First);
    EXPECT_EQ(First, OpenThemeClass(tcToolBar));
    // The class was opened by its table name: the same list asked for explicitly is the cache.
    EXPECT_EQ(First, OpenThemeClass(tcToolBar, L"ToolBar"));
    EXPECT_EQ(1, gOpens);
    EXPECT_EQ(0, gCloses);
    // Lists compare as text: another spelling closes and opens anew.
    const HTHEME Other = OpenThemeClass(tcToolBar, L"Toolbar");
    EXPECT_NE(nullptr, Other);
    EXPECT_EQ(1, gCloses);
    EXPECT_EQ(2, gOpens);
    EXPECT_EQ(Other, OpenThemeClass(tcToolBar));
    EXPECT_EQ(2, gOpens);
    EXPECT_EQ(S_OK, CloseThemeClass(tcToolBar));
    EXPECT_EQ(2, gCloses);
    EXPECT_EQ(S_OK, CloseThemeClass(tcToolBar)); // nothing open any more
    EXPECT_EQ(2, gCloses);
    EXPECT_NE(nullptr, OpenThemeClass(tcToolBar));
    EXPECT_EQ(3, gOpens);
    EXPECT_EQ(nullptr, OpenThemeClass(static_cast<TcbThemeClass>(kThemeClassCount)));
}

TEST_F(ThemeSupport, ASetNamingAClassTheThemeLacksIsNotInUse)
{
    TcbThemeClasses Opened;
    std::vector<TcbThemeClass> Missing;
    for (int32_t I = 0; I < kThemeClassCount; ++I) {
        const auto C = static_cast<TcbThemeClass>(I);
        if (OpenThemeClass(C))
            Opened.Include(C);
        else
            Missing.push_back(C);
    }
    if (Classic()) {
        EXPECT_TRUE(Opened.Empty());
        for (int32_t I = 0; I < kThemeClassCount; ++I)
            EXPECT_FALSE(AreThemesInUse(static_cast<TcbThemeClass>(I)));
        return;
    }
    ASSERT_FALSE(Opened.Empty()) << "the theme opens none of the table's classes";
    ASSERT_FALSE(Missing.empty()) << "the theme opens every class of the table";
    EXPECT_TRUE(AreThemesInUse(Opened));
    EXPECT_FALSE(AreThemesInUse(Opened + Missing.front()));
    EXPECT_FALSE(AreThemesInUse(Missing.back()));
}

TEST_F(ThemeSupport, AThemeChangeClosesEveryClassAndTellsTheListenersInOrder)
{
    // A notificator made while the library is not loaded joins no list.
    cbThemeDone();
    int EarlyCalls = 0;
    TcbThemeChangedNotificator Early;
    Early.OnThemeChanged = [&] { ++EarlyCalls; };
    cbThemeInit();
    if (!IsThemeLibraryLoaded())
        GTEST_SKIP() << "no visual-styles library";

    std::vector<int> Order;
    TcbThemeChangedNotificator N1, N2, N3;
    N1.OnThemeChanged = [&] { Order.push_back(1); };
    N2.OnThemeChanged = [&] { Order.push_back(2); };
    N3.OnThemeChanged = [&] { Order.push_back(3); };
    TcbThemeChangedNotificator Silent; // no handler: passed over

    CountOpensAndCloses();
    const bool Themed = OpenThemeClass(tcToolBar) != nullptr && OpenThemeClass(tcButton) != nullptr;
    EXPECT_EQ(!Classic(), Themed);
    ThemeChanged();
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Order);
    EXPECT_EQ(0, EarlyCalls);
    EXPECT_EQ(Themed ? 2 : 0, gCloses);
    EXPECT_EQ(!Classic(), AreThemesInUse());
    if (Themed) {
        // Reopened lazily, once.
        EXPECT_NE(nullptr, OpenThemeClass(tcToolBar));
        EXPECT_NE(nullptr, OpenThemeClass(tcToolBar));
        EXPECT_EQ(3, gOpens);
    }
    // A freed notificator has left the list.
    {
        TcbThemeChangedNotificator Gone;
        Gone.OnThemeChanged = [&] { Order.push_back(9); };
    }
    Order.clear();
    ThemeChanged();
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Order);
}

TEST_F(ThemeSupport, AListenerThatRaisesEndsTheRound)
{
    if (!IsThemeLibraryLoaded())
        GTEST_SKIP() << "no visual-styles library";
    std::vector<int> Order;
    TcbThemeChangedNotificator N1, N2, N3;
    N1.OnThemeChanged = [&] { Order.push_back(1); };
    N2.OnThemeChanged = [&] { throw Exception("listener failed"); };
    N3.OnThemeChanged = [&] { Order.push_back(3); };
    TExceptionCapture Capture;
    ThemeChanged();
    ASSERT_EQ(1u, Capture.Count());
    EXPECT_EQ("listener failed", Capture.Entries()[0].Message);
    EXPECT_EQ(std::vector<int>{1}, Order);
}

TEST_F(ThemeSupport, VisualStylesNeedVersion51OrLater)
{
    const struct {
        DWORD Major, Minor;
        bool Loads;
    } kCases[] = {{4, 10, false}, {5, 0, false}, {5, 1, true}, {5, 2, true}, {6, 0, true}, {10, 0, true}};
    for (const auto& C : kCases) {
        SCOPED_TRACE(testing::Message() << C.Major << "." << C.Minor);
        cbThemeDone();
        SetOSVersionProvider([&](OSVERSIONINFOA& V) {
            V.dwMajorVersion = C.Major;
            V.dwMinorVersion = C.Minor;
            V.dwPlatformId = VER_PLATFORM_WIN32_NT;
            return true;
        });
        cbThemeInit();
        EXPECT_EQ(C.Loads, IsThemeLibraryLoaded());
        EXPECT_EQ(C.Loads, ThemeChangeReceiverHandle() != nullptr);
        if (C.Loads)
            continue;
        EXPECT_FALSE(AreThemesInUse());
        for (int32_t I = 0; I < kThemeClassCount; ++I) {
            EXPECT_FALSE(AreThemesInUse(static_cast<TcbThemeClass>(I)));
            EXPECT_EQ(nullptr, OpenThemeClass(static_cast<TcbThemeClass>(I)));
        }
    }
}

TEST_F(ThemeSupport, AWrapperWithoutItsEntryAnswersNotImplemented)
{
    if (!IsThemeLibraryLoaded())
        GTEST_SKIP() << "no visual-styles library";
    // Every entry cleared, as on a library that lacks them all; unloading binds them anew.
    for (int32_t I = 0; I < kThemeEntryCount; ++I)
        SetThemeEntry(static_cast<TcbThemeEntry>(I), nullptr);
    HDC DC = GetDC(nullptr);
    RECT R{0, 0, 10, 10}, Out{};
    COLORREF Color = 0;
    SIZE Size{};
    wchar_t Name[8];
    EXPECT_EQ(E_NOTIMPL, UxTheme::CloseThemeData(nullptr));
    EXPECT_EQ(E_NOTIMPL, UxTheme::DrawThemeBackground(nullptr, DC, 1, 1, &R, nullptr));
    EXPECT_EQ(E_NOTIMPL, UxTheme::GetCurrentThemeName(Name, 8, Name, 8, Name, 8));
    EXPECT_EQ(E_NOTIMPL, UxTheme::GetThemeBackgroundContentRect(nullptr, DC, 1, 1, &R, &Out));
    EXPECT_EQ(E_NOTIMPL, UxTheme::GetThemeColor(nullptr, 1, 1, 3802, &Color));
    EXPECT_EQ(E_NOTIMPL, UxTheme::GetThemePartSize(nullptr, DC, 1, 1, nullptr, TS_TRUE, &Size));
    EXPECT_FALSE(UxTheme::IsThemeActive());
    EXPECT_FALSE(UxTheme::IsThemeBackgroundPartiallyTransparent(nullptr, 1, 1));
    EXPECT_EQ(nullptr, UxTheme::OpenThemeData(nullptr, L"ToolBar"));
    ReleaseDC(nullptr, DC);
    // The cache meets the missing entry too.
    CloseAllThemeClasses();
    EXPECT_EQ(nullptr, OpenThemeClass(tcButton));
    EXPECT_STREQ("IsThemeBackgroundPartiallyTransparent", ThemeEntryName(teIsThemeBackgroundPartiallyTransparent));
}
