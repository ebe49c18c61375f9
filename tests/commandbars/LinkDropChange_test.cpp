// The change test of a link drop, without windows: on the bar A B | C D E, for every dragged link,
// every target, the four pairs of position flags, with and without a copy, an answer of "no
// change" must mean the drop leaves the order of the links as it is, and the listed cases give
// their answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandbars/input/cbBarDrag.h"

namespace {

const std::vector<std::string> kBar = {"A", "B", "C", "D", "E"};
// The group line before C.
bool BeginsGroup(int32_t I)
{
    return I == 2;
}

// The order after moving the link at Dragged before (Leading) or after the link at Target.
std::vector<std::string> Moved(int32_t Dragged, int32_t Target, bool Leading)
{
    std::vector<std::string> Order = kBar;
    const std::string Name = Order[static_cast<size_t>(Dragged)];
    std::vector<std::string> Result;
    for (int32_t I = 0; I < static_cast<int32_t>(Order.size()); ++I) {
        if (I == Target && Leading)
            Result.push_back(Name);
        if (I != Dragged)
            Result.push_back(Order[static_cast<size_t>(I)]);
        if (I == Target && !Leading)
            Result.push_back(Name);
    }
    // The dragged link itself as target: it stays where it is either way.
    if (Target == Dragged)
        return Order;
    return Result;
}

bool Changes(int32_t D, int32_t T, bool Outside, bool Leading, bool Copy = false)
{
    return DropChangesLinks(D, T, BeginsGroup(D), BeginsGroup(T), Outside, Leading, Copy);
}

} // namespace

TEST(LinkDropChange, NoChangeAlwaysMeansTheSameOrder)
{
    int NoChange = 0;
    for (int32_t D = 0; D < 5; ++D)
        for (int32_t T = 0; T < 5; ++T)
            for (int Flags = 0; Flags < 4; ++Flags)
                for (bool Copy : {false, true}) {
                    const bool Outside = Flags & 1, Leading = Flags & 2;
                    if (Changes(D, T, Outside, Leading, Copy))
                        continue;
                    ++NoChange;
                    EXPECT_FALSE(Copy) << "a copy always adds a link";
                    EXPECT_EQ(Moved(D, T, Leading), kBar)
                        << kBar[static_cast<size_t>(D)] << " onto " << kBar[static_cast<size_t>(T)] << " outside "
                        << Outside << " leading " << Leading;
                }
    // Several places are no change at all: the test is not vacuous.
    EXPECT_GE(NoChange, 5 * 3);
}

TEST(LinkDropChange, TheListedCasesGiveTheirAnswers)
{
    for (int Flags = 0; Flags < 4; ++Flags) {
        const bool Outside = Flags & 1, Leading = Flags & 2;
        for (int32_t T = 0; T < 5; ++T) {
            // An item from the command list, and a copy, always change something.
            EXPECT_TRUE(DropChangesLinks(-1, T, false, BeginsGroup(T), Outside, Leading, false));
            for (int32_t D = 0; D < 5; ++D)
                EXPECT_TRUE(Changes(D, T, Outside, Leading, true));
        }
        // The dragged link itself: only on its own group line (both flags).
        for (int32_t D = 0; D < 5; ++D)
            EXPECT_EQ(Changes(D, D, Outside, Leading), Outside && Leading) << D;
    }
    // After the link before it, without flags: nothing, unless it begins a group itself.
    EXPECT_FALSE(Changes(1, 0, false, false));
    EXPECT_FALSE(Changes(4, 3, false, false));
    EXPECT_TRUE(Changes(2, 1, false, false)) << "C would leave its group line behind";
    EXPECT_TRUE(Changes(1, 0, false, true));
    EXPECT_TRUE(Changes(1, 0, true, false));
    // The last link dragged anywhere else (but after the link before it).
    for (int32_t T = 0; T < 3; ++T)
        for (int Flags = 0; Flags < 4; ++Flags)
            EXPECT_TRUE(Changes(4, T, Flags & 1, Flags & 2)) << T;
    // A target that is not right after the dragged link.
    EXPECT_TRUE(Changes(0, 2, false, true));
    EXPECT_TRUE(Changes(0, 4, true, true));
    EXPECT_TRUE(Changes(3, 1, false, true));
    // Right after it: the leading half is where it stands, unless that link begins a group
    // (then the drop takes over its line), and the line itself (both flags) is no change.
    EXPECT_FALSE(Changes(0, 1, false, true));
    EXPECT_FALSE(Changes(0, 1, true, true));
    EXPECT_TRUE(Changes(0, 1, false, false));
    EXPECT_TRUE(Changes(0, 1, true, false));
    EXPECT_TRUE(Changes(1, 2, false, true));
    EXPECT_FALSE(Changes(1, 2, true, true));
    EXPECT_TRUE(Changes(1, 2, false, false));
    EXPECT_TRUE(Changes(1, 2, true, false));
}
