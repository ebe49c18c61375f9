// Proves the host build really runs with its sanitizers: a planted one-byte heap overread and
// a planted signed overflow must each end their (forked) process with the sanitizer's report.
// Without sanitizers (the Windows build) there is nothing to prove.

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <memory>

namespace {

#if defined(QM_EXPECT_SANITIZERS)

// Out of line and through volatile, so the compiler cannot see or drop the bad access.
volatile size_t Opaque = 0;

__attribute__((noinline)) int ReadPast(const char* Block, size_t Index)
{
    return Block[Index + Opaque];
}

__attribute__((noinline)) int AddOne(int Value)
{
    return Value + 1 + static_cast<int>(Opaque);
}

TEST(SanitizerSelfCheck, HeapOverreadIsReported)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto Block = std::make_unique<char[]>(16);
            std::exit(ReadPast(Block.get(), 16) == 12345 ? 0 : 3);
        },
        "AddressSanitizer: heap-buffer-overflow");
}

TEST(SanitizerSelfCheck, SignedOverflowIsReported)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH({ std::exit(AddOne(INT_MAX) == 0 ? 0 : 3); }, "runtime error: signed integer overflow");
}

TEST(SanitizerSelfCheck, CleanCodeRunsClean)
{
    auto Block = std::make_unique<char[]>(16);
    EXPECT_EQ(ReadPast(Block.get(), 15), 0);
    EXPECT_EQ(AddOne(INT_MAX - 1), INT_MAX);
}

#else

TEST(SanitizerSelfCheck, NotASanitizerBuild)
{
    GTEST_SKIP() << "built without sanitizers";
}

#endif

} // namespace
