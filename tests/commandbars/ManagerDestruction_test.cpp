// A bar manager freed with everything it keeps in use: open menus, a floating bar and customizing.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/lookandfeel/uiLookAndFeel.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::Settle;
using CommandBarsTest::TMenuFixture;

namespace {

// Asks the manager for its style whenever one of the watched components goes while the manager
// lives, as the windows and links of those components do while they go.
class TStyleReader : public TComponent {
public:
    explicit TStyleReader(TcbBarManager* Manager) : TComponent(nullptr), FManager(Manager) {}
    void Watch(TComponent* Component, const std::string& Name)
    {
        Component->FreeNotification(this);
        FNames.emplace_back(Component, Name);
    }
    std::vector<std::string> Seen;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (Operation != opRemove)
            return;
        for (const auto& [Component, Name] : FNames)
            if (Component == AComponent) {
                if (!IsListedManager(FManager)) {
                    Seen.push_back(Name + ": after the manager");
                    continue;
                }
                TuiLookAndFeel* LookAndFeel = FManager->GetLookAndFeel();
                Seen.push_back(Name + ": " +
                    (!LookAndFeel ? "no look-and-feel"
                                  : FManager->GetRealStyle() == bmsStandard ? "standard" : "another style"));
            }
    }

private:
    TcbBarManager* FManager;
    std::vector<std::pair<TComponent*, std::string>> FNames;
};

} // namespace

TEST(ManagerDestruction, WithMenusOpenAFloatingBarAndCustomizingTheStyleStaysReadableUntilTheLastPartGoes)
{
    TMenuFixture F;
    TcbBarManager* Manager = F.Manager;
    Manager->SetStyle(bmsUseLookAndFeel);
    Manager->GetLookAndFeel()->SetKind(lfStandard);
    ASSERT_EQ(bmsStandard, Manager->GetRealStyle());
    TStyleReader Reader(Manager);
    Reader.Watch(F.Popup, "popup menu");
    Reader.Watch(Manager->AddGroup(), "group");
    Reader.Watch(Manager->GetItem(Manager->GetItemCount() - 1), "last item");
    Reader.Watch(Manager->GetItem(0), "first item");

    F.Tools->SetDockingStyle(dsNone);
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return F.WindowOf(F.Tools) != nullptr; }, 5000, "Tools floating"));
    Manager->SetIsCustomizing(true);
    Settle("the Customize dialog shown");
    TCustomForm* Dialog = cbCallExtension(cbExtensions().GetCustomizingForm);
    ASSERT_NE(nullptr, Dialog);
    Reader.Watch(Dialog, "Customize dialog");
    // A menu open from the main menu bar and the popup menu shown beside it.
    ASSERT_NE(nullptr, F.OpenByMessage(F.File));
    F.Popup->SetNoWait(true);
    F.Popup->Popup(400, 300);
    Settle("the menus shown");
    ASSERT_NE(nullptr, TMenuFixture::MenuOf(F.File));
    ASSERT_NE(nullptr, TMenuFixture::MenuOf(F.Popup));

    // Freed on its own, the form staying: each part that goes still finds the style it was drawn
    // in.
    Manager->Free();
    F.Manager = nullptr;
    F.Popup = nullptr;
    TestSupport::PumpUntil([&] { return TCustomcbBarControl::LiveBarControls().empty() && Reader.Seen.size() >= 5; },
                           5000, "the bar windows and the Customize dialog gone with their manager");
    // The dialog, closed as customizing ends, goes once the manager's end has run.
    EXPECT_EQ(Reader.Seen, (std::vector<std::string>{"popup menu: standard", "group: standard", "last item: standard",
                                                     "first item: standard", "Customize dialog: after the manager"}));
    for (TCustomcbBarControl* Window : TCustomcbBarControl::LiveBarControls())
        ADD_FAILURE() << "a bar window outlived its manager: " << Window->ClassName();
}
