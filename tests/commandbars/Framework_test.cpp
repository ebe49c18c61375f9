// The framework's texts as the program carries them, and its start and end: the cursors it puts
// into the screen's table with their drawn hot spots, its bitmaps, and nested starts that load
// and free once and leave no GDI object or window behind.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include <windows.h>

#include "commandbars/cbFramework.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbStrings.h"
#include "commandbars/foundation/cbTheme.h"
#include "commandbars/lookandfeel/uiLookAndFeel.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Screen.h"
#include "tests/support/ResourceProbe.h"

namespace {

// Each text as the user is to read it, written out here apart from the program's own table.
const struct {
    int32_t Id;
    const char* Text;
} kTexts[] = {
    {65008, "Are you sure you want to reset the changes made to the '%s' toolbar?"},
    {65009, "You cannot create recursive subitems"},
    {65010, "More Buttons"},
    {65011, "There are no TcbBarManagers available"},
    {65012, "&Add or Remove Buttons"},
    {65013, "&Reset Toolbar"},
    {65014, "&Customize..."},
    {65015, "Add &SubItem"},
    {65016, "Add &Button"},
    {65017, "Add &Item"},
    {65018, "Delete Bar"},
    {65019, "&Reset"},
    {65020, "&Delete"},
    {65021, "&Name:"},
    {65022, "&Caption:"},
    {65023, "Defa&ult style"},
    {65024, "&Text Only (Always)"},
    {65025, "Text &Only (in Menus)"},
    {65026, "Image &and Text"},
    {65027, "Begin a &Group"},
    {65028, "&Visible"},
    {65029, "&Most recently used"},
    {65030, "New Item"},
    {65031, "A command name cannot be blank. Please enter a name."},
    {65032, "Expand (Ctrl-Down)"},
    {65033, "Drag to make this menu float"},
    {65034, "Customize"},
    {65035, "Close"},
    {65036, " Toolbars "},
    {65037, "Toolb&ars:"},
    {65038, "&New..."},
    {65039, "R&ename..."},
    {65040, "&Reset..."},
    {65041, " Commands "},
    {65042, "Cate&gories:"},
    {65043, "Comman&ds:"},
    {65044, "Description  "},
    {65045, " Options "},
    {65046, "&Menu animations:"},
    {65047, "Show Tool&Tips on toolbars"},
    {65048, "Show s&hortcut keys in ToolTips"},
    {65049, "&Large icons"},
    {65050, "Personalized Menus and Toolbars  "},
    {65051, "Me&nus show recently used commands first"},
    {65052, "Show f&ull menus after a short delay"},
    {65053, "&Reset my usage data"},
    {65054, "Other  "},
    {65055, " All commands "},
    {65056, "Show commands that may have a shortcut"},
    {65057, "Groups"},
    {65058, "&Add..."},
    {65059, "Custom "},
    {65060, "Are you sure you want to delete the '%s' toolbar?"},
    {65061, "Are you sure you want to delete the '%s' category?"},
    {65062, "Are you sure you want to delete all commands in the '%s' category?"},
    {65063, "(None)"},
    {65064, "Random"},
    {65065, "Unfold"},
    {65066, "Slide"},
    {65067, "Fade"},
    {65068, "Name:"},
    {65069, "Caption:"},
    {65070, "Type:"},
    {65071, "Category:"},
    {65072, "Add Group Items"},
    {65073, "Add Category"},
    {65074, "Insert Category"},
    {65075, "Rename Category"},
    {65076, "&Category name:"},
    {65077, "Add Toolbar"},
    {65078, "Rename Toolbar"},
    {65079, "You cannot create recursive groups"},
    {65080, "Default"},
    {65081, "&Toolbar name:"},
    {65082, "OK"},
    {65083, "Cancel"},
    {65084, "A toolbar named '%s' already exists. Type another name."},
    {65085, "SubMenu Editor"},
    {65086, "~< Groups >"},
    {65087, "&Help"},
    {65088, "Category"},
    {65089, "Command"},
    {65090, "&Insert..."},
    {65091, "&Items visible:"},
    {65092, "Never"},
    {65093, "In customizing"},
    {65094, "Always"},
    {65095, "C&lear"},
    {65096, "Move &Up"},
    {65097, "Move Do&wn"},
    {65101, "This will delete the record of the commands you've used in this application and restore the default "
            "set of visible commands to the menus and toolbars. It will not undo any explicit customizations.   Are "
            "you sure you want to proceed?"},
    {65102, "A Form should contain only a single TcbBarManager"},
    {65103, "TcbBarManager should have as its Owner - TForm (TCustomForm)"},
};

// The cursors and the hot spots drawn into them: arrows at their tip, the others in the middle.
const struct {
    int32_t Id;
    POINT Hot;
} kCursors[] = {{crcbBarDrag, {0, 0}},        {crcbBarDragCopy, {0, 0}},   {crcbBarDragNoDrop, {16, 16}},
                {crcbBarEditSizing, {16, 16}}, {crUIDragCopy, {0, 0}},      {crUIFullScroll, {16, 16}},
                {crUIHorScroll, {16, 16}},     {crUIVerScroll, {16, 16}},   {crUIUpScroll, {16, 16}},
                {crUIRightScroll, {16, 16}},   {crUIDownScroll, {16, 16}},  {crUILeftScroll, {16, 16}},
                {crUIRemove, {0, 0}},          {crUIVertSize, {16, 16}},    {crUIHorzSize, {16, 16}},
                {crUIMultiDrag, {0, 0}},       {crUINoDrop, {16, 16}},      {crUIDrag, {0, 0}}};

POINT HotSpot(HCURSOR C)
{
    ICONINFO Info{};
    if (!GetIconInfo(C, &Info))
        return POINT{-1, -1};
    if (Info.hbmColor)
        DeleteObject(Info.hbmColor);
    if (Info.hbmMask)
        DeleteObject(Info.hbmMask);
    return POINT{static_cast<LONG>(Info.xHotspot), static_cast<LONG>(Info.yHotspot)};
}

} // namespace

TEST(FrameworkTexts, EveryIdGivesItsTextByteForByte)
{
    for (const auto& T : kTexts)
        EXPECT_EQ(T.Text, uiGetResourceString(T.Id)) << T.Id;
    EXPECT_EQ("", uiGetResourceString(65099)); // a free id
}

TEST(FrameworkTexts, TheIdsAreUniqueAndInTheirRange)
{
    std::set<int32_t> Seen, Quoted;
    for (const auto& T : kTexts)
        Quoted.insert(T.Id);
    for (int32_t Id : FrameworkStringIds()) {
        EXPECT_TRUE(Seen.insert(Id).second) << "twice: " << Id;
        EXPECT_GE(Id, kFirstFrameworkString);
        EXPECT_LE(Id, kLastFrameworkString);
    }
    EXPECT_EQ(Quoted, Seen);
    EXPECT_EQ(65010, cbsMoreButtons);
    EXPECT_EQ(65101, cbsResetUsageDataQuery);
}

TEST(FrameworkTexts, AReplacementHoldsUntilCleared)
{
    uiSetResourceReplacement(cbsMoreButtons, "Weitere Schaltflaechen");
    EXPECT_EQ("Weitere Schaltflaechen", uiGetResourceString(cbsMoreButtons));
    EXPECT_EQ("&Help", uiGetResourceString(cbsHelp));
    uiClearResourceReplacements();
    EXPECT_EQ("More Buttons", uiGetResourceString(cbsMoreButtons));
}

TEST(FrameworkStart, CursorsAndBitmapsOfTheProgramAreLoaded)
{
    cbFrameworkInit();
    TScopeExit Done([] { cbFrameworkDone(); });
    const HCURSOR Arrow = Screen->GetCursors(crDefault);
    for (const auto& C : kCursors) {
        SCOPED_TRACE(C.Id);
        const HCURSOR Cursor = Screen->GetCursors(C.Id);
        EXPECT_NE(Arrow, Cursor);
        const POINT Hot = HotSpot(Cursor);
        EXPECT_EQ(C.Hot.x, Hot.x);
        EXPECT_EQ(C.Hot.y, Hot.y);
    }
    for (const char* Name : {"CBBARCLOSE", "CBBARRESTORE", "CBBARMAXIMIZE", "CBBARMINIMIZE", "CBBARSUBMENUEXPAND"}) {
        SCOPED_TRACE(Name);
        HBITMAP B = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), Name, IMAGE_BITMAP, 0, 0, 0));
        ASSERT_NE(nullptr, B);
        BITMAP Info{};
        GetObjectA(B, sizeof(Info), &Info);
        EXPECT_GE(Info.bmWidth, 8);
        HDC DC = CreateCompatibleDC(nullptr);
        HGDIOBJ Old = SelectObject(DC, B);
        EXPECT_EQ(RGB(255, 0, 255), GetPixel(DC, 0, 0)); // the transparent corner
        SelectObject(DC, Old);
        DeleteDC(DC);
        DeleteObject(B);
    }
}

TEST(FrameworkStart, NestedPairsLoadOnceAndFreeOnce)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    ScreenInit();
    // Once through, so that what the system keeps after a first use (library caches) is there.
    cbFrameworkInit();
    cbFrameworkDone();
    const int64_t Objects = Probe.GdiObjects();
    const int64_t Windows = TestSupport::TResourceProbe::ThreadWindows();
    const HCURSOR Arrow = Screen->GetCursors(crDefault);

    cbFrameworkInit();
    const HCURSOR Drag = Screen->GetCursors(crcbBarDrag);
    const HWND Receiver = ThemeChangeReceiverHandle();
    TuiLookAndFeel* Global = GlobalLookAndFeel();
    ASSERT_NE(Arrow, Drag);
    ASSERT_NE(nullptr, Global);
    ASSERT_NE(nullptr, cbCheckerBrush());
    cbFrameworkInit();
    EXPECT_EQ(2, cbFrameworkUseCount());
    EXPECT_EQ(Drag, Screen->GetCursors(crcbBarDrag)) << "loaded again";
    EXPECT_EQ(Receiver, ThemeChangeReceiverHandle());
    EXPECT_EQ(Global, GlobalLookAndFeel());
    cbFrameworkDone();
    EXPECT_EQ(Drag, Screen->GetCursors(crcbBarDrag)) << "freed by the inner end";
    EXPECT_NE(nullptr, cbCheckerBrush());
    cbFrameworkDone();
    EXPECT_EQ(0, cbFrameworkUseCount());
    EXPECT_EQ(Arrow, Screen->GetCursors(crcbBarDrag));
    EXPECT_EQ(Arrow, Screen->GetCursors(crUIDrag));
    EXPECT_EQ(nullptr, GlobalLookAndFeel());
    EXPECT_EQ(nullptr, cbCheckerBrush());
    EXPECT_FALSE(IsThemeLibraryLoaded());
    EXPECT_EQ(Objects, Probe.GdiObjects());
    EXPECT_EQ(Windows, TestSupport::TResourceProbe::ThreadWindows());
    // An end without a start changes nothing.
    cbFrameworkDone();
    EXPECT_EQ(0, cbFrameworkUseCount());
}
