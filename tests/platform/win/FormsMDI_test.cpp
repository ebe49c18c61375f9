// MDI forms: the frame's client beside aligned controls, children made in it, activation,
// maximizing through the MDI client, the children list and a child without a frame.
#include <gtest/gtest.h>

#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"

namespace {

// Counts the WM_MDIACTIVATE messages that activate and that deactivate it.
class TChildForm : public TForm {
public:
    explicit TChildForm(TComponent* AOwner) : TForm(AOwner)
    {
        SetFormStyle(fsMDIChild);
        SetBounds(10, 10, 220, 160);
    }
    std::string ClassName() const override { return "TChildForm"; }
    void WndProc(TMessage& M) override
    {
        if (M.Msg == WM_MDIACTIVATE) {
            if (reinterpret_cast<HWND>(M.LParam) == FHandle)
                ++Activated;
            if (reinterpret_cast<HWND>(M.WParam) == FHandle)
                ++Deactivated;
        }
        TForm::WndProc(M);
    }
    int Activated = 0;
    int Deactivated = 0;
};

// The MDI client's rectangle in the frame's client coordinates.
TRect ClientPlace(TCustomForm* Frame)
{
    TRect R;
    GetWindowRect(Frame->GetClientHandle(), &R);
    MapWindowPoints(nullptr, Frame->GetHandle(), reinterpret_cast<POINT*>(&R), 2);
    return R;
}

class MDIForms : public ::testing::Test {
protected:
    void SetUp() override
    {
        FPreviousMain = AppUI()->GetMainForm();
        Frame = new TForm(nullptr);
        Frame->SetFormStyle(fsMDIForm);
        Frame->SetCaption("MDI frame");
        Frame->SetBounds(40, 40, 640, 480);
        Panel = new TPanel(Frame);
        Panel->SetParent(Frame);
        Panel->SetAlign(alTop);
        Panel->SetHeight(30);
        AppUI()->SetMainForm(Frame);
    }
    void TearDown() override
    {
        Frame->Free(); // the children's windows go with it; the objects are freed by the tests
        AppUI()->SetMainForm(FPreviousMain);
    }
    TForm* Frame = nullptr;
    TPanel* Panel = nullptr;

private:
    TCustomForm* FPreviousMain = nullptr;
};

} // namespace

TEST_F(MDIForms, TheClientFillsWhatTheAlignedControlsLeave)
{
    Frame->Show();
    ASSERT_NE(Frame->GetClientHandle(), nullptr);
    char Class[32] = {};
    GetClassNameA(Frame->GetClientHandle(), Class, sizeof(Class));
    EXPECT_EQ(lstrcmpiA(Class, "MDICLIENT"), 0) << Class;
    EXPECT_EQ(GetParent(Frame->GetClientHandle()), Frame->GetHandle());
    TRect R = ClientPlace(Frame);
    const TRect Expected = Rect(0, 30, Frame->GetClientWidth(), Frame->GetClientHeight());
    EXPECT_TRUE(EqualRect(&R, &Expected));

    // After a resize (the frame's WM_SIZE does not stretch the client over the band), and when
    // the band grows.
    Frame->SetBounds(60, 60, 500, 420);
    Panel->SetHeight(50);
    R = ClientPlace(Frame);
    const TRect Resized = Rect(0, 50, Frame->GetClientWidth(), Frame->GetClientHeight());
    EXPECT_TRUE(EqualRect(&R, &Resized));
}

TEST_F(MDIForms, ChildrenActivateMaximizeAndLeaveTheList)
{
    Frame->Show();
    TComponentPtr<TChildForm> A(new TChildForm(nullptr));
    A->SetCaption("Child A");
    A->Show();
    TComponentPtr<TChildForm> B(new TChildForm(nullptr));
    B->SetCaption("Child B");
    B->SetLeft(40);
    B->Show();
    EXPECT_EQ(GetParent(A->GetHandle()), Frame->GetClientHandle());
    EXPECT_EQ(Frame->GetActiveMDIChild(), B.get());
    EXPECT_GE(B->Activated, 1);
    EXPECT_EQ(Frame->GetMDIChildCount(), 2);
    EXPECT_EQ(Frame->GetMDIChildren(0), B.get()); // the active one first
    EXPECT_EQ(Frame->GetMDIChildren(1), A.get());
    EXPECT_EQ(Frame->GetMDIChildren(2), nullptr);
    // The child's own system menu.
    EXPECT_TRUE(GetWindowLongA(A->GetHandle(), GWL_STYLE) & WS_SYSMENU);
    EXPECT_NE(GetSystemMenu(A->GetHandle(), FALSE), nullptr);

    // Activation follows the MDI client, and each form hears of it.
    const int AActivated = A->Activated;
    const int BDeactivated = B->Deactivated;
    SendMessageA(Frame->GetClientHandle(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(A->GetHandle()), 0);
    EXPECT_EQ(Frame->GetActiveMDIChild(), A.get());
    EXPECT_EQ(A->Activated, AActivated + 1);
    EXPECT_EQ(B->Deactivated, BDeactivated + 1);
    EXPECT_EQ(Frame->GetMDIChildren(0), A.get());

    // Maximized and back through the MDI client.
    A->SetWindowState(wsMaximized);
    EXPECT_TRUE(IsZoomed(A->GetHandle()));
    BOOL Zoomed = FALSE;
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(Frame->GetClientHandle(), WM_MDIGETACTIVE, 0,
                                                  reinterpret_cast<LPARAM>(&Zoomed))),
              A->GetHandle());
    EXPECT_TRUE(Zoomed);
    A->SetWindowState(wsNormal);
    EXPECT_FALSE(IsZoomed(A->GetHandle()));
    SendMessageA(Frame->GetClientHandle(), WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&Zoomed));
    EXPECT_FALSE(Zoomed);

    // Freeing the active child leaves one, which the client activates.
    const HWND AWnd = A->GetHandle();
    A.reset();
    EXPECT_FALSE(IsWindow(AWnd));
    EXPECT_EQ(Frame->GetMDIChildCount(), 1);
    EXPECT_EQ(Frame->GetMDIChildren(0), B.get());
    EXPECT_EQ(Frame->GetActiveMDIChild(), B.get());
}

TEST_F(MDIForms, AChildNeedsAnMDIFrameAsTheMainForm)
{
    TComponentPtr<TForm> Normal(new TForm(nullptr));
    AppUI()->SetMainForm(Normal.get());
    TComponentPtr<TChildForm> Orphan(new TChildForm(nullptr));
    EXPECT_THROW(Orphan->HandleNeeded(), EInvalidOperation);
    EXPECT_FALSE(Orphan->HandleAllocated());
    EXPECT_EQ(Normal->GetMDIChildCount(), 0);
    AppUI()->SetMainForm(Frame);
}
