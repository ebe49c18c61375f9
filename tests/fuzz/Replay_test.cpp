// Replays every seed and every committed regression file through its fuzz target's entry
// point, so a reader that breaks on any of them fails the normal test run: under the native
// sanitizers as a sanitizer report, under Wine as a crash or a failed check.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/Seeds.h"

namespace {

struct TRegression {
    const char* Target;
    const char* Name;
    const unsigned char* Bytes;
    size_t Size;
};

// QmFuzzRegressions[] from tests/fuzz/regressions/<target>/, QmFuzzOpen[] from open/<target>/.
#include "fuzz_regressions.inc"

const qmfuzz::TTarget* FindTarget(std::string_view Name)
{
    for (const auto& T : qmfuzz::Targets())
        if (Name == T.Name)
            return &T;
    return nullptr;
}

TEST(FuzzReplay, EverySeededTargetIsLinkedAndEveryTargetHasSeeds)
{
    std::set<std::string> Linked;
    for (const auto& T : qmfuzz::Targets())
        Linked.insert(T.Name);
    for (const std::string& Name : qmfuzz::SeededTargets())
        EXPECT_TRUE(Linked.count(Name)) << Name << " has seeds but no target";
    for (const auto& T : qmfuzz::Targets())
        EXPECT_FALSE(qmfuzz::MakeSeeds(T.Name).empty()) << T.Name << " has no seeds";
    EXPECT_GE(Linked.size(), 11u);
}

TEST(FuzzReplay, RegressionFilesBelongToTargets)
{
    for (const auto& R : QmFuzzRegressions) {
        if (R.Target[0]) {
            EXPECT_NE(FindTarget(R.Target), nullptr) << "regressions/" << R.Target << "/" << R.Name;
        }
    }
    for (const auto& R : QmFuzzOpen) {
        if (R.Target[0]) {
            EXPECT_NE(FindTarget(R.Target), nullptr) << "regressions/" << R.Target << "/" << R.Name;
        }
    }
}

class Replay : public testing::TestWithParam<std::string> {};

TEST_P(Replay, SeedsAndRegressions)
{
    const qmfuzz::TTarget* T = FindTarget(GetParam());
    ASSERT_NE(T, nullptr);
    const auto Seeds = qmfuzz::MakeSeeds(T->Name);
    ASSERT_FALSE(Seeds.empty());
    size_t Fed = 0;
    for (const auto& S : Seeds) {
        SCOPED_TRACE("seed " + S.Name);
        EXPECT_EQ(T->Entry(S.Bytes.data(), S.Bytes.size()), 0);
        ++Fed;
    }
    // Every prefix of the first seeds too: truncated files are the commonest bad input.
    for (size_t K = 0; K < std::min<size_t>(Seeds.size(), 3); ++K) {
        const auto& B = Seeds[K].Bytes;
        for (size_t N = 0; N < B.size(); ++N) {
            SCOPED_TRACE("seed " + Seeds[K].Name + " cut at " + std::to_string(N));
            EXPECT_EQ(T->Entry(B.data(), N), 0);
        }
    }
    for (const auto& R : QmFuzzRegressions) {
        if (GetParam() != R.Target)
            continue;
        SCOPED_TRACE(std::string("regression ") + R.Target + "/" + R.Name);
        EXPECT_EQ(T->Entry(R.Bytes, R.Size), 0);
        ++Fed;
    }
    // Known open findings must still break their check; once one is fixed, its file moves
    // to regressions/.
    for (const auto& R : QmFuzzOpen) {
        if (GetParam() != R.Target)
            continue;
        EXPECT_THROW(T->Entry(R.Bytes, R.Size), qmfuzz::ECheckFailed)
            << "open/" << R.Target << "/" << R.Name << " passes now: move it to regressions/";
    }
    EXPECT_GT(Fed, 0u);
}

std::vector<std::string> TargetNames()
{
    std::vector<std::string> Names;
    for (const auto& T : qmfuzz::Targets())
        Names.push_back(T.Name);
    std::sort(Names.begin(), Names.end());
    return Names;
}

INSTANTIATE_TEST_SUITE_P(Targets, Replay, testing::ValuesIn(TargetNames()),
                         [](const testing::TestParamInfo<std::string>& I) { return I.param; });

} // namespace
