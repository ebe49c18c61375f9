// Help requests of the application: only the replaceable handler serves them.
#include <gtest/gtest.h>

#include <vector>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Application.h"
#include "platform/win/Files.h"
#include "tests/support/TestSupport.h"

TEST(ApplicationHelp, RequestsGoToTheHandlerOnly)
{
    TestSupport::TTempFolder Dir;
    const std::string Log = Dir.File("seams.log");
    SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", Log.c_str());
    const THelpEvent Previous = Application->OnHelp;
    TScopeExit Restore([&] {
        SetEnvironmentVariableA("QUILLMOOR_TEST_LOG", nullptr);
        Application->OnHelp = Previous;
    });

    // Without a handler nothing happens, and the test log hears of nothing either.
    Application->OnHelp = nullptr;
    EXPECT_FALSE(Application->HelpContext(1234));
    EXPECT_FALSE(Application->HelpCommand(HELP_CONTEXTPOPUP, 1234));
    EXPECT_FALSE(FileExists(Log));

    struct TCall {
        uint32_t Command;
        intptr_t Data;
    };
    std::vector<TCall> Calls;
    bool Serve = true;
    Application->OnHelp = [&](uint32_t Command, intptr_t Data, bool& Handled) {
        Calls.push_back({Command, Data});
        Handled = Serve;
    };
    EXPECT_TRUE(Application->HelpContext(1234));
    ASSERT_EQ(Calls.size(), 1u);
    EXPECT_EQ(Calls[0].Command, static_cast<uint32_t>(HELP_CONTEXT));
    EXPECT_EQ(Calls[0].Data, 1234);
    // A packed point passes unchanged; a handler that does not serve answers false.
    Serve = false;
    EXPECT_FALSE(Application->HelpCommand(HELP_SETPOPUP_POS, MAKELONG(300, 200)));
    ASSERT_EQ(Calls.size(), 2u);
    EXPECT_EQ(Calls[1].Command, static_cast<uint32_t>(HELP_SETPOPUP_POS));
    EXPECT_EQ(LOWORD(Calls[1].Data), 300);
    EXPECT_EQ(HIWORD(Calls[1].Data), 200);
    EXPECT_FALSE(FileExists(Log));
}
