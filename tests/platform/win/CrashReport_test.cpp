// A test program that crashes says so on stderr with the crash's address and the code addresses
// found on its stack, and ends with a failing code (Wine's debugger would end it with 0).

#include <gtest/gtest.h>

namespace {

__attribute__((noinline)) void WriteThrough(volatile int* P)
{
    *P = 1;
}

__attribute__((noinline)) void CallerOfTheCrash(volatile int* P)
{
    WriteThrough(P);
    asm volatile(""); // keeps the call a call, not a jump
}

} // namespace

TEST(CrashReport, ACrashNamesTheExceptionAndListsCodeAddressesAndEndsFailing)
{
    // The child program runs this test alone and crashes in it.
    EXPECT_EXIT(CallerOfTheCrash(nullptr), testing::ExitedWithCode(3),
                "crashed: exception 0xc0000005 at \\w+\\s+Code addresses on the stack: \\w\\w\\w\\w\\w\\w\\w\\w");
}
