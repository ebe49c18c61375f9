// The two Wine profiles the test programs run in: the default prefix with its visual style on
// ("light") and the classic prefix with visual styles off and the classic system colours. The
// program runs once in each; every test checks the profile it is in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <uxtheme.h>

#include "platform/win/Registry.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using namespace TestSupport;

namespace {

bool EndsWith(const std::string& S, const std::string& Tail)
{
    return S.size() >= Tail.size() && S.compare(S.size() - Tail.size(), Tail.size(), Tail) == 0;
}

std::string Prefix()
{
    const char* P = std::getenv("WINEPREFIX");
    return P ? P : "";
}

} // namespace

TEST(WineProfile, TheProfileNamesThePrefixAndItsVisualStyle)
{
    const std::string Profile = WineProfile();
    ASSERT_TRUE(Profile == "light" || Profile == "classic") << "QUILLMOOR_WINE_PROFILE is '" << Profile << "'";
    if (Profile == "classic") {
        EXPECT_TRUE(EndsWith(Prefix(), "/wineprefix-classic")) << Prefix();
        EXPECT_FALSE(IsThemeActive());
    } else {
        EXPECT_TRUE(EndsWith(Prefix(), "/wineprefix")) << Prefix();
        EXPECT_TRUE(IsThemeActive());
    }
}

// Every colour the classic prefix is given reaches GetSysColor there.
TEST(WineProfile, TheClassicPrefixHasTheClassicColours)
{
    if (WineProfile() != "classic")
        GTEST_SKIP() << "the light profile takes its colours from its visual style";
    const struct {
        int Index;
        COLORREF Colour;
        const char* Name;
    } Colours[] = {
        {COLOR_BTNFACE, RGB(212, 208, 200), "ButtonFace"},
        {COLOR_BTNSHADOW, RGB(128, 128, 128), "ButtonShadow"},
        {COLOR_BTNHIGHLIGHT, RGB(255, 255, 255), "ButtonHilight"},
        {COLOR_3DDKSHADOW, RGB(64, 64, 64), "ButtonDkShadow"},
        {COLOR_3DLIGHT, RGB(212, 208, 200), "ButtonLight"},
        {COLOR_HIGHLIGHT, RGB(10, 36, 106), "Hilight"},
        {COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255), "HilightText"},
        {COLOR_WINDOW, RGB(255, 255, 255), "Window"},
        {COLOR_WINDOWTEXT, RGB(0, 0, 0), "WindowText"},
        {COLOR_BTNTEXT, RGB(0, 0, 0), "ButtonText"},
        {COLOR_GRAYTEXT, RGB(128, 128, 128), "GrayText"},
        {COLOR_ACTIVECAPTION, RGB(10, 36, 106), "ActiveTitle"},
        {COLOR_INACTIVECAPTION, RGB(128, 128, 128), "InactiveTitle"},
        {COLOR_INFOBK, RGB(255, 255, 225), "InfoWindow"},
        {COLOR_INFOTEXT, RGB(0, 0, 0), "InfoText"},
        {COLOR_MENU, RGB(212, 208, 200), "Menu"},
    };
    for (const auto& C : Colours)
        EXPECT_EQ(GetSysColor(C.Index), C.Colour) << C.Name;
}

// The set-up entry of the run made the program unmanaged in the prefix this entry runs in.
TEST(WineProfile, TheProgramRunsUnmanagedInItsPrefix)
{
    TRegistry R;
    ASSERT_TRUE(R.OpenKeyReadOnly("\\Software\\Wine\\AppDefaults\\win_wine_profile_tests.exe\\X11 Driver"))
        << WineProfile();
    EXPECT_EQ(R.ReadString("Managed"), "N");
}

// A push button drawn in the profile, saved for a person to compare: classic drawing fills its
// face with the button face colour. Each entry saves its own picture.
TEST(WineProfile, APushButtonIsDrawnInTheProfilesColours)
{
    HINSTANCE Inst = GetModuleHandleA(nullptr);
    HWND Host = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 100, 120, 50, nullptr, nullptr, Inst,
                                nullptr);
    ASSERT_NE(Host, nullptr);
    CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 100, 30, Host, nullptr, Inst,
                    nullptr);
    const TShot S = CaptureFullPaint(Host);
    const std::string Path = SaveShot(S, "wine-profile-button");
    DestroyWindow(Host);
    ASSERT_EQ(S.W, 120);
    EXPECT_TRUE(EndsWith(Path, WineProfile() == "classic" ? "\\wine-profile-button-classic.bmp"
                                                          : "\\wine-profile-button.bmp"))
        << Path;
    if (WineProfile() == "classic")
        ExpectPixel(S, 10 + 20, 10 + 6, RGB(212, 208, 200), "the button's face left of its text");
}
