#pragma once
// Names each test on stderr as it starts, unbuffered: when a test program hangs and the test run
// kills it at its time-out, the last line says which test it was in (stdout, buffered behind a
// pipe, is lost with the process).

#include <cstdio>

#include <gtest/gtest.h>

namespace TestSupport {

class TTestProgress : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo& Info) override
    {
        std::fprintf(stderr, "[ START    ] %s.%s\n", Info.test_suite_name(), Info.name());
        std::fflush(stderr);
    }
};

} // namespace TestSupport
