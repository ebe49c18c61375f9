#include "platform/rtl/ScopeGuards.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct TFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace

TEST(FlagScope, SetsTheFlagAndRestoresItOnReturnAndOnException)
{
    bool Flag = false;
    auto Work = [&](bool Fail) {
        TFlagScope Mark(Flag);
        EXPECT_TRUE(Flag);
        if (Fail)
            throw TFailure("work");
    };
    Work(false);
    EXPECT_FALSE(Flag);
    EXPECT_THROW(Work(true), TFailure);
    EXPECT_FALSE(Flag);
}

TEST(FlagScope, GivesBackTheEarlierValueWhenNested)
{
    bool Flag = false;
    {
        TFlagScope Outer(Flag);
        {
            TFlagScope Inner(Flag);
            EXPECT_TRUE(Flag);
        }
        EXPECT_TRUE(Flag); // still inside the outer scope
        try {
            TFlagScope Cleared(Flag, false);
            EXPECT_FALSE(Flag);
            throw TFailure("inner");
        } catch (const TFailure&) {
        }
        EXPECT_TRUE(Flag);
    }
    EXPECT_FALSE(Flag);
}

TEST(ScopeExit, RunsOnceOnReturnAndOnException)
{
    int Runs = 0;
    {
        TScopeExit Undo([&] { ++Runs; });
    }
    EXPECT_EQ(1, Runs);
    try {
        TScopeExit Undo([&] { ++Runs; });
        throw TFailure("work");
    } catch (const TFailure& E) {
        EXPECT_STREQ("work", E.what());
    }
    EXPECT_EQ(2, Runs);
}

TEST(ScopeExit, DismissedRunsOnlyOnTheFailure)
{
    // The commit-on-success shape: undone when the work fails, kept when it succeeds.
    std::vector<std::string> Made;
    auto Make = [&](bool Fail) {
        Made.push_back("new");
        TScopeExit Discard([&] { Made.pop_back(); });
        if (Fail)
            throw TFailure("make");
        Discard.Dismiss();
    };
    Make(false);
    EXPECT_THROW(Make(true), TFailure);
    Make(false);
    EXPECT_EQ((std::vector<std::string>{"new", "new"}), Made);

    int Runs = 0;
    try {
        TScopeExit Undo([&] { ++Runs; });
        Undo.Dismiss();
        throw TFailure("after dismiss");
    } catch (const TFailure&) {
    }
    EXPECT_EQ(0, Runs);
}

TEST(ScopeExit, GuardsUndoInReverseOrderAndBeforeEarlierLocalsGo)
{
    std::vector<std::string> Log;
    struct TLocal {
        std::vector<std::string>& Log;
        ~TLocal() { Log.push_back("local"); }
    };
    try {
        TLocal Earlier{Log};
        TScopeExit First([&] { Log.push_back("first"); });
        TScopeExit Second([&] { Log.push_back("second"); });
        TLocal Later{Log};
        throw TFailure("work");
    } catch (const TFailure&) {
        Log.push_back("caught");
    }
    EXPECT_EQ((std::vector<std::string>{"local", "second", "first", "local", "caught"}), Log);
}

TEST(ScopeExit, AFailingUndoRaisesOnANormalExit)
{
    int Runs = 0;
    try {
        TScopeExit Undo([&] {
            ++Runs;
            throw TFailure("undo");
        });
    } catch (const TFailure& E) {
        EXPECT_STREQ("undo", E.what());
    }
    EXPECT_EQ(1, Runs);
}

TEST(ScopeExit, AFailingUndoWhileUnwindingLeavesTheFirstFailureToArrive)
{
    std::vector<std::string> Log;
    try {
        TScopeExit Outer([&] { Log.push_back("outer"); });
        TScopeExit Undo([&] {
            Log.push_back("undo");
            throw TFailure("undo");
        });
        throw TFailure("work");
    } catch (const TFailure& E) {
        Log.push_back(E.what());
    }
    // The later guard still ran after the one that failed.
    EXPECT_EQ((std::vector<std::string>{"undo", "outer", "work"}), Log);
}

TEST(ScopeExit, AGuardMadeDuringUnwindingStillRaisesOnItsOwnNormalExit)
{
    // Clean-up code that itself uses a guard while another exception unwinds: that guard's scope
    // ends normally, so its failure is raised there and can be caught there.
    std::string SeenInside;
    struct TCleanUp {
        std::string& Seen;
        ~TCleanUp()
        {
            try {
                TScopeExit Undo([] { throw TFailure("inner undo"); });
            } catch (const TFailure& E) {
                Seen = E.what();
            }
        }
    };
    try {
        TCleanUp C{SeenInside};
        throw TFailure("outer");
    } catch (const TFailure& E) {
        EXPECT_STREQ("outer", E.what());
    }
    EXPECT_EQ("inner undo", SeenInside);
}
