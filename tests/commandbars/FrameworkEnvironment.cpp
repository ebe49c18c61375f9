// Starts the command bar framework before a program's first test and ends it after the last,
// as the program's start does around its forms.
#include <gtest/gtest.h>

#include "commandbars/cbFramework.h"

namespace {

class TFrameworkEnvironment : public testing::Environment {
    void SetUp() override { cbFrameworkInit(); }
    void TearDown() override { cbFrameworkDone(); }
};

const testing::Environment* const gFramework = testing::AddGlobalTestEnvironment(new TFrameworkEnvironment);

} // namespace
