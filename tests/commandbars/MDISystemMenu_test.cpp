// The system-menu item of a maximized MDI child, driven by messages: the entries built from the
// child's window menu (texts, shortcut texts, groups, grayed entries), Close run from the open
// menu, the control's size and the child's icon on it, and the double click with and without a
// default command.
#include <gtest/gtest.h>

#include "commandbars/input/cbHooks.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbSystemMenu.h"
#include "platform/win/Actions.h"
#include "platform/win/Bitmap.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/support/MDIFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::Captions;
using CommandBarsTest::TMDIFixture;

namespace {

TSystemMenuSubItem* SystemItemOf(TcbBar* Bar)
{
    TcbBarItemLinks* Links = Bar->GetItemLinks();
    return Links->GetCount() > 0 ? dynamic_cast<TSystemMenuSubItem*>(Links->GetItem(0)->GetItem()) : nullptr;
}

LPARAM CentreOf(const TRect& R)
{
    return MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
}

void CloseMenus()
{
    for (int32_t Guard = 0; Guard < 8 && TCustomcbBarControl::ActiveBarControl(); ++Guard)
        TCustomcbBarControl::ActiveBarControl()->HideAll();
    TestSupport::PumpUntil([] { return !TCustomcbBarControl::ActiveBarControl() && !cbOpenSubMenu(); }, 5000,
                           "the menus closed");
    PumpPosted("the closing handled");
}

// The frame's system-menu control after a press on it (the menu opens).
TcbBarItemControl* PressSystemItem(TMDIFixture& F)
{
    TcbBarItemLink* Link = F.FrameMenu->GetItemLinks()->GetItem(0);
    TcbBarItemControl* Control = Link->GetControl();
    if (!Control)
        return nullptr;
    SendMessageA(F.FrameMenuWindow()->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(Control->GetItemRect()));
    TestSupport::PumpUntil([] { return cbOpenSubMenu() != nullptr; }, 5000, "the system menu opened by the press");
    PumpPosted("the press handled");
    return Control;
}

// The text of a menu entry by position as the system gives it ("" when it has none).
std::string EntryText(HMENU Menu, int Index)
{
    char Text[512] = {};
    GetMenuStringA(Menu, static_cast<UINT>(Index), Text, sizeof Text - 1, MF_BYPOSITION);
    return Text;
}

// An icon of one colour.
HICON SolidIcon(COLORREF Colour)
{
    HDC Screen = GetDC(nullptr);
    HBITMAP Colours = CreateCompatibleBitmap(Screen, 16, 16);
    HDC DC = CreateCompatibleDC(Screen);
    HGDIOBJ Old = SelectObject(DC, Colours);
    HBRUSH Brush = CreateSolidBrush(Colour);
    RECT R{0, 0, 16, 16};
    FillRect(DC, &R, Brush);
    DeleteObject(Brush);
    SelectObject(DC, Old);
    DeleteDC(DC);
    ReleaseDC(nullptr, Screen);
    std::vector<uint8_t> Bits(16 * 16 / 8, 0); // an all-opaque mask
    HBITMAP Mask = CreateBitmap(16, 16, 1, 1, Bits.data());
    ICONINFO Info{TRUE, 0, 0, Mask, Colours};
    HICON Icon = CreateIconIndirect(&Info);
    DeleteObject(Mask);
    DeleteObject(Colours);
    return Icon;
}

} // namespace

TEST(MDISystemMenu, AClickListsTheChildWindowMenuAndItsCloseClosesTheChild)
{
    TMDIFixture F;
    auto C = F.AddChild("Child", Captions({"&Edit"}));
    F.Maximize(C.Form);
    const HWND Child = C.Form->GetHandle();
    HMENU Menu = GetSystemMenu(Child, FALSE);
    ASSERT_TRUE(Menu);
    // One entry grayed and one plainly disabled of our own choosing, one enabled again.
    ASSERT_NE(-1, static_cast<int>(EnableMenuItem(Menu, SC_MINIMIZE, MF_BYCOMMAND | MF_GRAYED)));
    ASSERT_NE(-1, static_cast<int>(EnableMenuItem(Menu, SC_CLOSE, MF_BYCOMMAND | MF_ENABLED)));
    // An entry with a text of full length and a tab: the caption and shortcut split there.
    ASSERT_TRUE(AppendMenuA(Menu, MF_SEPARATOR, 0, nullptr));
    const std::string Long(300, 'x');
    ASSERT_TRUE(AppendMenuA(Menu, MF_STRING | MF_CHECKED, 0x7770, (Long + "\tShift+F5").c_str()));
    // A bitmap entry: its text field is a bitmap handle, never a text; its glyph is a copy.
    HBITMAP Picture = CreateBitmap(12, 10, 1, 32, nullptr);
    ASSERT_TRUE(AppendMenuA(Menu, MF_BITMAP, 0x7771, reinterpret_cast<LPCSTR>(Picture)));
    // An entry of the pop-up close bitmap: the program's own close glyph.
    ASSERT_TRUE(AppendMenuA(Menu, MF_BITMAP, 0x7772, reinterpret_cast<LPCSTR>(HBMMENU_POPUP_CLOSE)));

    TSystemMenuSubItem* System = SystemItemOf(F.FrameMenu);
    ASSERT_TRUE(System);
    ASSERT_TRUE(PressSystemItem(F));
    ASSERT_TRUE(cbOpenSubMenu()) << "the press opens the system menu";
    TcbBarItemLinks* Links = System->GetItemLinks();

    // Every entry but the separators, in order, with the menu's own texts and states.
    int32_t L = 0;
    bool Group = false;
    for (int I = 0; I < GetMenuItemCount(Menu); ++I) {
        const UINT State = GetMenuState(Menu, static_cast<UINT>(I), MF_BYPOSITION);
        if (State & MF_SEPARATOR) {
            Group = true;
            continue;
        }
        ASSERT_LT(L, Links->GetCount());
        TcbBarItemLink* Link = Links->GetItem(L++);
        const std::string Text = EntryText(Menu, I);
        const size_t Tab = Text.find('\t');
        SCOPED_TRACE(Text);
        EXPECT_EQ(Text.substr(0, Tab), Link->GetItem()->GetCaption());
        if (Tab != std::string::npos) {
            EXPECT_EQ(Text.substr(Tab + 1), ShortCutToText(Link->GetItem()->GetShortCut()));
        }
        EXPECT_EQ((State & (MF_GRAYED | MF_DISABLED)) == 0, Link->GetItem()->GetEnabled());
        EXPECT_EQ(Group && L > 1, Link->GetBeginGroup());
        Group = false;
        auto* Button = dynamic_cast<TcbBarButton*>(Link->GetItem());
        ASSERT_TRUE(Button);
        EXPECT_EQ(static_cast<int32_t>(GetMenuItemID(Menu, I)), Button->GetTag());
        EXPECT_EQ((State & MF_CHECKED) != 0, Button->GetDown());
    }
    EXPECT_EQ(L, Links->GetCount());
    // The entries of our own choosing, found by their ids.
    auto Find = [Links](int32_t Id) -> TcbBarItem* {
        for (int32_t I = 0; I < Links->GetCount(); ++I)
            if (Links->GetItem(I)->GetItem()->GetTag() == Id)
                return Links->GetItem(I)->GetItem();
        return nullptr;
    };
    ASSERT_TRUE(Find(SC_MINIMIZE));
    EXPECT_FALSE(Find(SC_MINIMIZE)->GetEnabled());
    ASSERT_TRUE(Find(0x7770));
    EXPECT_EQ(Long, Find(0x7770)->GetCaption());
    EXPECT_EQ(static_cast<TShortCut>(scShift | VK_F5), Find(0x7770)->GetShortCut());
    ASSERT_TRUE(Find(0x7771));
    EXPECT_EQ("", Find(0x7771)->GetCaption());
    EXPECT_EQ(12, Find(0x7771)->GetGlyph()->GetWidth());
    EXPECT_EQ(10, Find(0x7771)->GetGlyph()->GetHeight());
    ASSERT_TRUE(Find(0x7772));
    {
        TBitmap Own;
        Own.LoadFromResourceName(GetModuleHandleA(nullptr), "CBBARCLOSE");
        ASSERT_FALSE(Own.GetEmpty());
        TBitmap* Glyph = Find(0x7772)->GetGlyph();
        ASSERT_EQ(Own.GetWidth(), Glyph->GetWidth());
        for (int32_t P = 0; P < Own.GetWidth(); P += 3)
            EXPECT_EQ(Own.GetCanvas()->GetPixel(P, P), Glyph->GetCanvas()->GetPixel(P, P)) << P;
    }

    // Opened again, the entries are built anew and the old ones are gone.
    CloseMenus();
    const int32_t Count = Links->GetCount();
    ASSERT_TRUE(PressSystemItem(F));
    EXPECT_EQ(Count, Links->GetCount());

    // Close, chosen in the open menu, reaches the child as SC_CLOSE and the child goes; the
    // frame's bar is left with its own menus.
    TcbBarItem* Close = Find(SC_CLOSE);
    ASSERT_TRUE(Close);
    TCustomcbBarControl* Open = cbOpenSubMenu();
    ASSERT_TRUE(Open);
    TcbBarItemControl* CloseControl = Close->GetLink(0) ? Close->GetLink(0)->GetControl() : nullptr;
    ASSERT_TRUE(CloseControl);
    const LPARAM At = CentreOf(CloseControl->GetItemRect());
    SendMessageA(Open->GetHandle(), WM_MOUSEMOVE, 0, At);
    SendMessageA(Open->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Open->GetHandle(), WM_LBUTTONUP, 0, At);
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return !F.Alive(C.Form); }, 5000, "the child closed"));
    EXPECT_EQ(nullptr, cbOpenSubMenu());
    EXPECT_EQ(Captions({"&File", "&Window"}), F.FrameCaptions());
    DeleteObject(Picture);
}

TEST(MDISystemMenu, TheControlIsASmallIconWideAndShowsTheChildIcon)
{
    TMDIFixture F;
    auto C = F.AddChild("Child", Captions({"&Edit"}));
    const COLORREF Colour = RGB(200, 30, 40);
    HICON Icon = SolidIcon(Colour);
    ASSERT_TRUE(Icon);
    SendMessageA(C.Form->GetHandle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Icon));
    F.Maximize(C.Form);
    TcbBarItemControl* Control = F.FrameMenu->GetItemLinks()->GetItem(0)->GetControl();
    ASSERT_TRUE(Control);
    EXPECT_EQ(ickSystemMenu, Control->GetKind());
    const TRect R = Control->GetItemRect();
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), R.right - R.left);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), Control->GetWidth());
    EXPECT_FALSE(Control->IsCustomizable());

    const HWND Bar = F.FrameMenuWindow()->GetHandle();
    const TestSupport::TShot Shot = TestSupport::CaptureShown(Bar);
    const POINT O = TestSupport::ClientOrigin(Bar);
    TestSupport::ExpectPixel(Shot, O.x + (R.left + R.right) / 2, O.y + (R.top + R.bottom) / 2, Colour,
                             "the child's icon on the system-menu control");
    // Beside the icon the bar's own background.
    EXPECT_NE(Colour, Shot.At(O.x + R.right + 1, O.y + R.top));
    SendMessageA(C.Form->GetHandle(), WM_SETICON, ICON_SMALL, 0);
    DestroyIcon(Icon);
}

TEST(MDISystemMenu, ADoubleClickRunsTheDefaultCommandAndWithoutOneNothing)
{
    TMDIFixture F;
    auto C = F.AddChild("Child", Captions({"&Edit"}));
    const HWND Child = C.Form->GetHandle();
    const HWND Bar = F.FrameMenuWindow()->GetHandle();
    auto DoubleClick = [&] {
        TcbBarItemControl* Control = F.FrameMenu->GetItemLinks()->GetItem(0)->GetControl();
        ASSERT_TRUE(Control);
        const LPARAM At = CentreOf(Control->GetItemRect());
        SendMessageA(Bar, WM_LBUTTONDOWN, MK_LBUTTON, At);
        SendMessageA(Bar, WM_LBUTTONUP, 0, At);
        SendMessageA(Bar, WM_LBUTTONDBLCLK, MK_LBUTTON, At);
        SendMessageA(Bar, WM_LBUTTONUP, 0, At);
        PumpPosted("the double click handled");
    };

    F.Maximize(C.Form);
    ASSERT_TRUE(SetMenuDefaultItem(GetSystemMenu(Child, FALSE), SC_RESTORE, FALSE));
    C.Form->SysCommands.clear();
    DoubleClick();
    EXPECT_EQ(std::vector<UINT>{SC_RESTORE}, C.Form->SysCommands);
    EXPECT_FALSE(IsZoomed(Child));
    EXPECT_EQ(nullptr, cbOpenSubMenu()) << "the menus closed";
    EXPECT_EQ(Captions({"&File", "&Window"}), F.FrameCaptions());

    F.Maximize(C.Form);
    ASSERT_TRUE(SetMenuDefaultItem(GetSystemMenu(Child, FALSE), static_cast<UINT>(-1), FALSE));
    ASSERT_EQ(static_cast<UINT>(-1), GetMenuDefaultItem(GetSystemMenu(Child, FALSE), FALSE, 0));
    C.Form->SysCommands.clear();
    DoubleClick();
    EXPECT_TRUE(C.Form->SysCommands.empty());
    EXPECT_TRUE(IsZoomed(Child));
    EXPECT_EQ(nullptr, cbOpenSubMenu());
}
