// Form designs: applying a registered design when a form is made, replaying it into a windowless
// copy without bindings, failures while replaying; and the designer a designed form reports to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/ExtCtrls.h"
#include "platform/win/FormDesign.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

namespace {

std::vector<std::string> gLog;
int gBuilds = 0;
int gFreed = 0;
int gClicks = 0;
bool gRestoringSeen = false;
bool gLoadingWhileBuilt = false;
bool gThrowOnReplay = false;

// A design component that logs its reads and loads and counts its end.
template <class T>
class TLogged : public T {
public:
    explicit TLogged(TComponent* AOwner) : T(AOwner) {}
    ~TLogged() override { ++gFreed; }
    void ReadState() override
    {
        T::ReadState();
        gLog.push_back("read " + this->GetName());
    }
    void Loaded() override
    {
        T::Loaded();
        gLog.push_back("loaded " + this->GetName());
    }
};

void BuildDesignTestForm(TCustomForm& Root, const TFormDesignContext& Ctx)
{
    ++gBuilds;
    gRestoringSeen = IsRestoringFormDesign();
    Root.SetClientWidth(400);
    Root.SetClientHeight(300);
    auto* Panel = new TLogged<TPanel>(&Root);
    Panel->SetName("ToolPanel");
    Panel->SetParent(&Root);
    Panel->SetAlign(alTop);
    Panel->SetHeight(40);
    Panel->SetCaption("Tools");
    auto* Ok = new TLogged<TButton>(&Root);
    Ok->SetName("OkButton");
    Ok->SetParent(Panel);
    Ok->SetCaption("OK");
    Ok->SetBounds(8, 8, 75, 25);
    auto* Cancel = new TLogged<TButton>(&Root);
    Cancel->SetName("CancelButton");
    Cancel->SetParent(Panel);
    Cancel->SetCaption("Cancel");
    Cancel->SetBounds(90, 8, 75, 25);
    gLoadingWhileBuilt = Panel->GetComponentState().Contains(csLoading) && Cancel->GetComponentState().Contains(csReading);
    if (!Ctx.Restoring)
        Ok->OnClick = [](TObject*) { ++gClicks; };
    if (Ctx.Restoring && gThrowOnReplay)
        throw EInvalidOperation("The design cannot be read");
}

class TDesignTestForm : public TForm {
public:
    explicit TDesignTestForm(TComponent* AOwner) : TForm(AOwner) { ApplyFormDesign(*this); }
    std::string ClassName() const override { return "TDesignTestForm"; }
};

class FormDesign : public ::testing::Test {
protected:
    void SetUp() override
    {
        gLog.clear();
        gBuilds = gFreed = gClicks = 0;
        gRestoringSeen = gLoadingWhileBuilt = gThrowOnReplay = false;
        RegisterFormDesign("TDesignTestForm", BuildDesignTestForm);
    }
    void TearDown() override { UnregisterFormDesign("TDesignTestForm"); }
};

const std::vector<std::string> kReadThenLoaded{"read ToolPanel",   "read OkButton",   "read CancelButton",
                                               "loaded ToolPanel", "loaded OkButton", "loaded CancelButton"};

} // namespace

TEST_F(FormDesign, TheConstructorBuildsTheDesignAndAReplayGivesItBackUnbound)
{
    TComponentPtr<TDesignTestForm> Form(new TDesignTestForm(nullptr));
    EXPECT_EQ(gBuilds, 1);
    EXPECT_EQ(gLog, kReadThenLoaded);
    EXPECT_TRUE(gLoadingWhileBuilt);
    EXPECT_FALSE(gRestoringSeen);
    for (const char* Name : {"ToolPanel", "OkButton", "CancelButton"}) {
        TComponent* C = Form->FindComponent(Name);
        ASSERT_NE(C, nullptr) << Name;
        EXPECT_TRUE(C->GetComponentState().Empty()) << Name;
    }
    auto* Ok = static_cast<TButton*>(Form->FindComponent("OkButton"));
    ASSERT_TRUE(Ok->OnClick);
    Ok->Click();
    EXPECT_EQ(gClicks, 1);

    gLog.clear();
    const int32_t Forms = AppUI()->GetFormCount();
    TComponentPtr<TForm> Copy = ReadFormDesign(*Form);
    ASSERT_NE(Copy, nullptr);
    EXPECT_EQ(gBuilds, 2);
    EXPECT_TRUE(gRestoringSeen);
    EXPECT_FALSE(IsRestoringFormDesign());
    EXPECT_EQ(gLog, kReadThenLoaded);
    EXPECT_TRUE(Copy->ClassName() == "TForm" && !Copy->GetOwner() && !Copy->HandleAllocated());
    EXPECT_TRUE(Copy->GetClientWidth() == 400 && Copy->GetClientHeight() == 300);
    EXPECT_EQ(AppUI()->GetFormCount(), Forms + 1);
    // The same components with the same properties, and no event bound.
    ASSERT_EQ(Copy->GetComponentCount(), Form->GetComponentCount());
    for (int32_t I = 0; I < Form->GetComponentCount(); ++I) {
        auto* Mine = dynamic_cast<TControl*>(Form->GetComponents(I));
        auto* Theirs = dynamic_cast<TControl*>(Copy->GetComponents(I));
        ASSERT_TRUE(Mine && Theirs);
        const TRect RT = Theirs->GetBoundsRect(), RM = Mine->GetBoundsRect();
        EXPECT_TRUE(Theirs->GetName() == Mine->GetName() && Theirs->ClassName() == Mine->ClassName() &&
                    Theirs->GetCaption() == Mine->GetCaption() && EqualRect(&RT, &RM) &&
                    Theirs->GetParent()->GetName() == Mine->GetParent()->GetName() &&
                    Theirs->GetComponentState().Empty())
            << Mine->GetName();
    }
    EXPECT_FALSE(static_cast<TButton*>(Copy->FindComponent("OkButton"))->OnClick);
    Copy.reset();
    EXPECT_EQ(AppUI()->GetFormCount(), Forms);
}

TEST_F(FormDesign, WithoutABuilderNothingIsBuiltOrRead)
{
    TComponentPtr<TForm> Plain(new TForm(nullptr));
    EXPECT_FALSE(ApplyFormDesign(*Plain));
    EXPECT_EQ(ReadFormDesign(*Plain), nullptr);
    // Unregistered: the class builds nothing either.
    UnregisterFormDesign("TDesignTestForm");
    TComponentPtr<TDesignTestForm> Bare(new TDesignTestForm(nullptr));
    EXPECT_EQ(Bare->GetComponentCount(), 0);
    EXPECT_EQ(ReadFormDesign(*Bare), nullptr);
    EXPECT_EQ(gBuilds, 0);
    EXPECT_FALSE(IsRestoringFormDesign());
}

TEST_F(FormDesign, AReplayThatFailsLeavesNothingBehind)
{
    TComponentPtr<TDesignTestForm> Form(new TDesignTestForm(nullptr));
    const int32_t Forms = AppUI()->GetFormCount();
    gLog.clear();
    gThrowOnReplay = true;
    EXPECT_THROW(ReadFormDesign(*Form), EInvalidOperation);
    EXPECT_TRUE(gRestoringSeen);
    EXPECT_FALSE(IsRestoringFormDesign());
    EXPECT_EQ(gFreed, 3); // the three components of the replay, not the form's own
    EXPECT_TRUE(gLog.empty()); // neither read nor loaded
    EXPECT_EQ(AppUI()->GetFormCount(), Forms);
    EXPECT_EQ(Form->GetComponentCount(), 3);
    // A later replay works again.
    gThrowOnReplay = false;
    EXPECT_NE(ReadFormDesign(*Form), nullptr);
    EXPECT_FALSE(IsRestoringFormDesign());
}

// The designer of a form being designed, and what a designed form makes.
TEST(FormDesigner, ADesignedFormMakesDesignedComponentsAndReportsToItsDesigner)
{
    struct TDesignerLog : IFormDesigner {
        int Changes = 0;
        std::vector<TComponent*> Selected;
        void Modified() override { ++Changes; }
        void SelectComponent(TPersistent* C) override { Selected.push_back(dynamic_cast<TComponent*>(C)); }
    } Designer;
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetDesigning(true);
    Form->SetDesigner(&Designer);
    auto* After = new TButton(Form.get());
    auto* Panel = new TPanel(Form.get());
    EXPECT_TRUE(After->GetComponentState().Contains(csDesigning));
    EXPECT_TRUE(Panel->GetComponentState().Contains(csDesigning));
    Form->GetDesigner()->Modified();
    Form->GetDesigner()->SelectComponent(After);
    EXPECT_EQ(Designer.Changes, 1);
    EXPECT_EQ(Designer.Selected, std::vector<TComponent*>{After});
    TComponentPtr<TForm> Runtime(new TForm(nullptr));
    EXPECT_FALSE((new TButton(Runtime.get()))->GetComponentState().Contains(csDesigning));
}
