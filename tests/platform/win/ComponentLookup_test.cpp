// Components found by name across forms: a form of the application by its name, and a component
// by a dotted path of names below another.
#include <gtest/gtest.h>

#include "platform/win/ComponentLookup.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

namespace {

TComponentPtr<TForm> NamedForm(const std::string& Name)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetName(Name);
    return Form;
}

} // namespace

TEST(ComponentLookup, AFormIsFoundByItsNameIgnoringCaseAndTheFirstMadeWins)
{
    TComponentPtr<TForm> Unnamed(new TForm(nullptr));
    TComponentPtr<TForm> First = NamedForm("LookupForm");
    TComponentPtr<TForm> Other = NamedForm("OtherLookupForm");
    EXPECT_EQ(FindGlobalComponent("lookupform"), First.get());
    EXPECT_EQ(FindGlobalComponent("OTHERLOOKUPFORM"), Other.get());
    // A prefix or an empty name names no form, not even a nameless one.
    EXPECT_EQ(FindGlobalComponent("Lookup"), nullptr);
    EXPECT_EQ(FindGlobalComponent(""), nullptr);
    // A component that is not a form is not global, whatever its name.
    auto* Label = new TLabel(First.get());
    Label->SetName("LabelOnForm");
    EXPECT_EQ(FindGlobalComponent("LabelOnForm"), nullptr);
    // A freed form is gone from the search; a later form of the same name is found.
    First.reset();
    EXPECT_EQ(FindGlobalComponent("LookupForm"), nullptr);
    TComponentPtr<TForm> Again = NamedForm("LookupForm");
    EXPECT_EQ(FindGlobalComponent("LookupForm"), Again.get());
}

TEST(ComponentLookup, ADottedPathIsFollowedThroughEachOwnerAndStopsAtAnyGap)
{
    TComponentPtr<TForm> Form = NamedForm("PathForm");
    // A component that owns others: a form owned by the form.
    auto* Inner = new TForm(Form.get());
    Inner->SetName("Inner");
    auto* Deep = new TLabel(Inner);
    Deep->SetName("Deep");
    auto* Top = new TLabel(Form.get());
    Top->SetName("Top");

    EXPECT_EQ(FindNestedComponent(Form.get(), "Top"), Top);
    EXPECT_EQ(FindNestedComponent(Form.get(), "inner.DEEP"), Deep);
    EXPECT_EQ(FindNestedComponent(Form.get(), "Inner"), Inner);
    // Owned, not merely below: Deep is not the form's own.
    EXPECT_EQ(FindNestedComponent(Form.get(), "Deep"), nullptr);
    EXPECT_EQ(FindNestedComponent(Form.get(), "Inner.Deep.More"), nullptr);
    EXPECT_EQ(FindNestedComponent(Form.get(), "Missing.Deep"), nullptr);
    // Empty parts never match a nameless component.
    new TLabel(Inner);
    EXPECT_EQ(FindNestedComponent(Form.get(), ""), nullptr);
    EXPECT_EQ(FindNestedComponent(Form.get(), "Inner."), nullptr);
    EXPECT_EQ(FindNestedComponent(Form.get(), ".Top"), nullptr);
    EXPECT_EQ(FindNestedComponent(Form.get(), "Inner..Deep"), nullptr);
    EXPECT_EQ(FindNestedComponent(nullptr, "Top"), nullptr);
    // The two together resolve a qualified name from the form on.
    EXPECT_EQ(FindNestedComponent(FindGlobalComponent("PathForm"), "Inner.Deep"), Deep);
}
