// The look-and-feel setting: following the global object and explicit masters, the
// notifications listeners get (also when listeners come and go during one), the controllers of
// the global object; the text-flag conversion and the canvas wrapper's embossed text.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/foundation/uiGraphics.h"
#include "commandbars/lookandfeel/uiLookAndFeel.h"
#include "platform/win/Bitmap.h"
#include "tests/commandbars/PixelBuffer.h"

using CommandBarsTest::Sys;

namespace {

// Records what it hears; an optional action runs inside each change notice.
class TListener : public TObject, public ILookAndFeelListener {
public:
    explicit TListener(std::string Name, std::vector<std::string>* Log = nullptr) : FName(std::move(Name)), FLog(Log) {}
    TObject* GetListenerObject() override { return this; }
    void LookAndFeelChanged(TuiLookAndFeel*, TuiLookAndFeelValues Values) override
    {
        Changes.push_back(Values);
        if (FLog)
            FLog->push_back(FName);
        if (OnChange)
            OnChange();
    }
    void LookAndFeelDestroying(TuiLookAndFeel*) override { ++Destroyings; }

    std::vector<TuiLookAndFeelValues> Changes;
    int Destroyings = 0;
    std::function<void()> OnChange;

private:
    std::string FName;
    std::vector<std::string>* FLog;
};

class LookAndFeel : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, GlobalLookAndFeel()); }
    // No test leaves values on the global object.
    void TearDown() override { GlobalLookAndFeel()->SetAssignedValues({}); }
};

} // namespace

TEST_F(LookAndFeel, ANewObjectFollowsTheGlobalOneThroughItsController)
{
    TuiLookAndFeel Follower(nullptr);
    EXPECT_EQ(lfUltraFlat, Follower.GetKind());
    EXPECT_FALSE(Follower.GetNativeStyle());
    EXPECT_EQ(GlobalLookAndFeel(), Follower.GetMasterLookAndFeel());
    TListener Hears("hears");
    Follower.AddListener(&Hears);
    std::vector<TuiLookAndFeelValues> OnChanged;
    Follower.OnChanged = [&](TuiLookAndFeel*, TuiLookAndFeelValues V) { OnChanged.push_back(V); };
    {
        TComponentPtr<TuiLookAndFeelController> Controller(new TuiLookAndFeelController(nullptr));
        EXPECT_EQ(1, LookAndFeelControllerCount());
        Controller->SetKind(lfStandard);
        EXPECT_EQ(lfStandard, Follower.GetKind());
        ASSERT_EQ(1u, Hears.Changes.size());
        EXPECT_EQ(TuiLookAndFeelValues(lfvKind), Hears.Changes[0]);
        EXPECT_EQ(Hears.Changes, OnChanged);
        Controller->SetNativeStyle(true);
        EXPECT_TRUE(Follower.GetNativeStyle());
        EXPECT_EQ(TuiLookAndFeelValues(lfvNativeStyle), Hears.Changes.back());
        // A value assigned locally no longer follows.
        Follower.SetKind(lfFlat);
        Controller->SetKind(lfUltraFlat);
        EXPECT_EQ(lfFlat, Follower.GetKind());
        EXPECT_EQ(3u, Hears.Changes.size());
    }
    // The last controller gone, the global object is back to its defaults.
    EXPECT_EQ(0, LookAndFeelControllerCount());
    EXPECT_TRUE(GlobalLookAndFeel()->GetAssignedValues().Empty());
    EXPECT_EQ(lfUltraFlat, GlobalLookAndFeel()->GetKind());
    EXPECT_FALSE(GlobalLookAndFeel()->GetNativeStyle());
    EXPECT_FALSE(Follower.GetNativeStyle());
    EXPECT_EQ(TuiLookAndFeelValues(lfvNativeStyle), Hears.Changes.back());
    Follower.RemoveListener(&Hears);
}

TEST_F(LookAndFeel, SettingTheEffectiveValueAssignsItSilently)
{
    TuiLookAndFeel L(nullptr);
    TListener Hears("hears");
    L.AddListener(&Hears);
    L.AddListener(&Hears); // once only
    L.SetKind(lfUltraFlat);
    EXPECT_TRUE(L.GetAssignedValues().Contains(lfvKind));
    EXPECT_TRUE(Hears.Changes.empty());
    L.SetKind(lfStandard);
    EXPECT_EQ(1u, Hears.Changes.size());
    // Unassigning goes back to the global value, which differs: heard.
    L.SetAssignedValues({});
    EXPECT_EQ(lfUltraFlat, L.GetKind());
    EXPECT_EQ(2u, Hears.Changes.size());
    L.RemoveListener(&Hears);
}

TEST_F(LookAndFeel, ControllersCountOnlyOnTheGlobalObject)
{
    TComponentPtr<TuiLookAndFeelController> A(new TuiLookAndFeelController(nullptr));
    TComponentPtr<TuiLookAndFeelController> B(new TuiLookAndFeelController(nullptr));
    EXPECT_EQ(2, LookAndFeelControllerCount());
    TuiLookAndFeel Local(nullptr);
    Local.AddListener(A.get()); // refused: controllers edit the global object only
    EXPECT_EQ(2, LookAndFeelControllerCount());
    A->SetKind(lfStandard);
    A.reset();
    EXPECT_EQ(1, LookAndFeelControllerCount());
    EXPECT_EQ(lfStandard, B->GetKind());
    B.reset();
    EXPECT_EQ(lfUltraFlat, Local.GetKind());
}

TEST_F(LookAndFeel, ListenersComingAndGoingDuringANoticeMissNothing)
{
    std::vector<std::string> Log;
    TuiLookAndFeel L(nullptr);
    TListener A("A", &Log), B("B", &Log), C("C", &Log), D("D", &Log), Late("late", &Log);
    for (TListener* X : {&A, &B, &C, &D})
        L.AddListener(X);
    // B removes itself, C removes A (already called) and adds a late one.
    B.OnChange = [&] { L.RemoveListener(&B); };
    C.OnChange = [&] {
        L.RemoveListener(&A);
        L.AddListener(&Late);
    };
    L.SetKind(lfStandard);
    EXPECT_EQ((std::vector<std::string>{"A", "B", "C", "D"}), Log);
    Log.clear();
    B.OnChange = nullptr;
    C.OnChange = nullptr;
    L.SetKind(lfFlat);
    EXPECT_EQ((std::vector<std::string>{"C", "D", "late"}), Log);
    // A listener removing one later in the round keeps it from being called.
    Log.clear();
    C.OnChange = [&] { L.RemoveListener(&D); };
    L.SetKind(lfStandard);
    EXPECT_EQ((std::vector<std::string>{"C", "late"}), Log);
    for (TListener* X : {&C, &Late})
        L.RemoveListener(X);
}

TEST_F(LookAndFeel, AnExplicitMasterLeadsUntilItGoes)
{
    TuiLookAndFeel Child(nullptr);
    TListener Hears("hears");
    Child.AddListener(&Hears);
    {
        TuiLookAndFeel Master(nullptr);
        Master.SetKind(lfFlat);
        Child.SetMasterLookAndFeel(&Master);
        EXPECT_EQ(&Master, Child.GetMasterLookAndFeel());
        EXPECT_EQ(lfFlat, Child.GetKind());
        EXPECT_EQ(1u, Hears.Changes.size());
        Master.SetNativeStyle(true);
        EXPECT_TRUE(Child.GetNativeStyle());
        // A chain back to the child is refused.
        Master.SetMasterLookAndFeel(&Child);
        EXPECT_EQ(GlobalLookAndFeel(), Master.GetMasterLookAndFeel());
        // Assign copies the own values, the assigned set and the master.
        TuiLookAndFeel Copy(nullptr);
        Copy.Assign(&Child);
        EXPECT_EQ(&Master, Copy.GetMasterLookAndFeel());
        EXPECT_EQ(lfFlat, Copy.GetKind());
        EXPECT_TRUE(Copy.GetAssignedValues().Empty());
    }
    // The master gone, the child follows the global object again.
    EXPECT_EQ(GlobalLookAndFeel(), Child.GetMasterLookAndFeel());
    EXPECT_EQ(lfUltraFlat, Child.GetKind());
    EXPECT_FALSE(Child.GetNativeStyle());
    GlobalLookAndFeel()->SetKind(lfStandard);
    EXPECT_EQ(lfStandard, Child.GetKind());
    Child.RemoveListener(&Hears);
}

TEST_F(LookAndFeel, ListenersHearWhenTheirObjectGoes)
{
    TListener Hears("hears");
    {
        TuiLookAndFeel L(nullptr);
        L.AddListener(&Hears);
    }
    EXPECT_EQ(1, Hears.Destroyings);
    EXPECT_TRUE(Hears.Changes.empty());
}

TEST(GraphicsLayer, TextFlagsConvertBitByBit)
{
    const struct {
        uint32_t Bit;
        UINT Flags;
    } kTable[] = {{uiAlignLeft, DT_NOPREFIX},
                  {uiAlignRight, DT_NOPREFIX | DT_RIGHT},
                  {uiAlignHorzCenter, DT_NOPREFIX | DT_CENTER},
                  {uiAlignTop, DT_NOPREFIX},
                  {uiAlignBottom, DT_NOPREFIX | DT_BOTTOM},
                  {uiAlignVertCenter, DT_NOPREFIX | DT_VCENTER},
                  {uiSingleLine, DT_NOPREFIX | DT_SINGLELINE},
                  {uiDontClip, DT_NOPREFIX | DT_NOCLIP},
                  {uiExpandTabs, DT_NOPREFIX | DT_EXPANDTABS},
                  {uiShowPrefix, 0},
                  {uiWordBreak, DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL},
                  {uiShowEndEllipsis, DT_NOPREFIX | DT_END_ELLIPSIS},
                  {uiCalcRect, DT_NOPREFIX | DT_CALCRECT},
                  {uiShowPathEllipsis, DT_NOPREFIX | DT_PATH_ELLIPSIS}};
    for (size_t I = 0; I < std::size(kTable); ++I) {
        EXPECT_EQ(1u << I, kTable[I].Bit);
        EXPECT_EQ(kTable[I].Flags, ConvertTextFlags(kTable[I].Bit)) << "bit " << I;
    }
    EXPECT_EQ(static_cast<UINT>(DT_CENTER | DT_VCENTER | DT_SINGLELINE),
              ConvertTextFlags(uiAlignHorzCenter | uiAlignVertCenter | uiSingleLine | uiShowPrefix));
}

TEST(GraphicsLayer, DisabledTextIsEmbossedAndEdgesTakeTheirColours)
{
    for (uint32_t Flags : {uiSingleLine | uiAlignLeft | uiAlignTop, uiAlignLeft | uiWordBreak}) {
        SCOPED_TRACE(Flags);
        TBitmap B;
        B.SetPixelFormat(pf24bit);
        B.SetSize(80, 40);
        TCanvas* C = B.GetCanvas();
        C->GetBrush()->SetColor(static_cast<TColor>(RGB(1, 2, 3)));
        C->FillRect(Rect(0, 0, 80, 40));
        C->GetFont()->SetHeight(-24);
        C->GetFont()->SetStyle(fsBold);
        TuiCanvas Canvas(C);
        TRect R = Rect(4, 4, 76, 36);
        Canvas.DrawText("IH", R, Flags, false);
        // The shadow-coloured text, and the highlight copy's far edge one pixel beyond it.
        int ShadowRight = -1, ShadowBottom = -1, LightRight = -1, LightBottom = -1;
        for (int Y = 0; Y < 40; ++Y)
            for (int X = 0; X < 80; ++X) {
                const COLORREF P = static_cast<COLORREF>(C->GetPixel(X, Y));
                if (P == Sys(COLOR_BTNSHADOW)) {
                    ShadowRight = std::max(ShadowRight, X);
                    ShadowBottom = std::max(ShadowBottom, Y);
                } else if (P == Sys(COLOR_BTNHIGHLIGHT)) {
                    LightRight = std::max(LightRight, X);
                    LightBottom = std::max(LightBottom, Y);
                }
            }
        ASSERT_GE(ShadowRight, 0) << "no shadow-coloured text";
        EXPECT_EQ(ShadowRight + 1, LightRight);
        EXPECT_EQ(ShadowBottom + 1, LightBottom);
    }
    TBitmap B;
    B.SetSize(10, 10);
    TuiCanvas Canvas(B.GetCanvas());
    Canvas.DrawEdge(Rect(0, 0, 10, 10), true, true);
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), static_cast<COLORREF>(B.GetCanvas()->GetPixel(0, 5)));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), static_cast<COLORREF>(B.GetCanvas()->GetPixel(9, 5)));
    Canvas.FrameRect(Rect(0, 0, 10, 10), clRed, uiBorderTop, 3);
    EXPECT_EQ(RGB(255, 0, 0), static_cast<COLORREF>(B.GetCanvas()->GetPixel(5, 2)));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), static_cast<COLORREF>(B.GetCanvas()->GetPixel(0, 5)));
}
