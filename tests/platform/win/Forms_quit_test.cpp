// A WM_QUIT met inside a modal loop: the dialog ends with mrCancel and Run ends after it. Its own
// program, because once the application is terminated it stays so.
#include <gtest/gtest.h>

#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Timer.h"
#include "tests/support/TestSupport.h"

TEST(TApplicationUI, QuitDuringShowModalEndsItThenRun)
{
    TForm* Main = AppUI()->CreateForm<TForm>();
    ASSERT_EQ(AppUI()->GetMainForm(), Main);
    Main->SetBounds(80, 80, 300, 200);
    TForm* Dialog = new TForm(nullptr);
    Dialog->SetBorderStyle(bsDialog);
    TButton* Ok = new TButton(Dialog);
    Ok->SetParent(Dialog);
    Ok->SetModalResult(mrOk);
    TModalResult Result = -1;
    bool RunOnAfterDialog = false;
    TComponentPtr<TTimer> Quit(new TTimer(nullptr));
    Quit->SetInterval(30);
    Quit->SetOnTimer([&](TObject*) {
        if (!Dialog->HandleAllocated() || !IsWindowVisible(Dialog->GetHandle()))
            return;
        Quit->SetEnabled(false);
        PostQuitMessage(0);
    });
    TComponentPtr<TTimer> Open(new TTimer(nullptr));
    Open->SetInterval(30);
    Open->SetOnTimer([&](TObject*) {
        if (!IsWindowVisible(Main->GetHandle()))
            return;
        Open->SetEnabled(false);
        Quit->SetEnabled(true);
        Result = Dialog->ShowModal();
        RunOnAfterDialog = true; // the loop went on to here before Run ended
    });
    Open->SetEnabled(true);
    AppUI()->Run(); // ends on the WM_QUIT the dialog passed on
    EXPECT_EQ(Result, mrCancel);
    EXPECT_TRUE(RunOnAfterDialog);
    EXPECT_TRUE(Application->GetTerminated());
    EXPECT_EQ(AppUI()->GetModalLevel(), 0);
    EXPECT_TRUE(IsWindowEnabled(Main->GetHandle()));
    // Terminated stays terminated: a later dialog does not wait.
    EXPECT_EQ(Dialog->ShowModal(), mrCancel);
    MSG M;
    EXPECT_TRUE(PeekMessageA(&M, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)); // passed on again
    Dialog->Free();
    Main->Hide();
}
