// The test input driver: typed text and key chords reach the focused edit, WaitProcessed returns
// only once they have been handled, and a script played from a helper thread drives a popup
// menu's own loop.
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <windows.h>

#include <richedit.h>

#include "platform/win/Forms.h"
#include "platform/win/Menus.h"
#include "platform/win/RichEdit.h"
#include "platform/win/StdCtrls.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpFor;
using TestSupport::PumpUntil;

namespace {

struct TEditForm {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TEdit* Edit;
    TRichEdit* Rich;
    TEditForm()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(120, 100, 300, 120);
        Edit = new TEdit(Form.get());
        Edit->SetParent(Form.get());
        Edit->SetBounds(10, 10, 200, 24);
        Rich = new TRichEdit(Form.get());
        Rich->SetParent(Form.get());
        Rich->SetBounds(10, 40, 200, 60);
        Form->Show();
    }
    ~TEditForm() { Form->Hide(); }
    bool Focus(TWinControl* Control)
    {
        if (!TestSupport::BringToFront(*Form))
            return false;
        Control->SetFocus();
        return PumpUntil([&] { return Control->Focused(); }, 10000, "the control focused");
    }
};

} // namespace

TEST(InputDriver, TypedTextIsInTheEditWhenWaitProcessedReturnsAndCtrlASelectsIt)
{
    TEditForm F;
    ASSERT_TRUE(F.Focus(F.Edit));
    TestSupport::Type("Hello");
    // Nothing is served between the two calls: the text is there because WaitProcessed waited.
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_EQ(F.Edit->GetText(), "Hello"); // the capital came with Shift
    EXPECT_EQ(F.Edit->GetSelStart(), 5);
    EXPECT_EQ(F.Edit->GetSelLength(), 0);
    EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0); // released again

    // The system's plain edit has no select-all key; the rich edit has.
    ASSERT_TRUE(F.Focus(F.Rich));
    TestSupport::Type("Hello, world");
    ASSERT_TRUE(TestSupport::WaitProcessed());
    CHARRANGE Caret{};
    SendMessageA(F.Rich->GetHandle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&Caret));
    EXPECT_EQ(Caret.cpMin, 12);
    EXPECT_EQ(Caret.cpMax, 12);
    TestSupport::Chord({VK_CONTROL, 'A'});
    ASSERT_TRUE(TestSupport::WaitProcessed());
    CHARRANGE Sel{};
    SendMessageA(F.Rich->GetHandle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&Sel));
    EXPECT_EQ(Sel.cpMin, 0);
    EXPECT_GE(Sel.cpMax, 12); // to the end: the rich edit counts its closing paragraph mark too
    EXPECT_EQ(F.Rich->GetText(), "Hello, world"); // no "a" typed over the selection
    EXPECT_EQ(GetKeyState(VK_CONTROL) & 0x8000, 0);
}

TEST(InputScript, PicksTheSecondEntryOfAPopupMenuFromItsMenuLoop)
{
    TEditForm F;
    ASSERT_TRUE(F.Focus(F.Edit));
    TPopupMenu* Menu = new TPopupMenu(F.Form.get());
    int Clicks[3] = {};
    for (int I = 0; I < 3; ++I)
        Menu->AddItem("Entry " + std::to_string(I))->OnClick = [&Clicks, I](TObject*) { ++Clicks[I]; };
    Menu->SetPopupComponent(F.Edit);

    TestSupport::TInputScript S;
    S.WaitForWindow("#32768").Press(VK_DOWN).Press(VK_DOWN).Press(VK_RETURN);
    S.Play();
    Menu->Popup(150, 150); // returns once the script has ended the menu loop
    EXPECT_TRUE(S.Wait());
    EXPECT_EQ(Clicks[1], 1);
    ASSERT_TRUE(TestSupport::WaitProcessed());
    PumpFor(100);
    EXPECT_EQ(Clicks[0], 0);
    EXPECT_EQ(Clicks[1], 1);
    EXPECT_EQ(Clicks[2], 0);
}

TEST(InputScript, AStepThatTimesOutFailsTheTestAndSkipsTheRest)
{
    TEditForm F;
    ASSERT_TRUE(F.Focus(F.Edit));
    TestSupport::TInputScript S;
    S.WaitForWindow("NoSuchWindowClass", 100).Type("x");
    S.Play();
    EXPECT_NONFATAL_FAILURE(S.Wait(), "step 1 (WaitForWindow NoSuchWindowClass)");
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_EQ(F.Edit->GetText(), ""); // the step after it was not played
}
