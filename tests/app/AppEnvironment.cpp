// The image library and the command bar framework are started once for the whole test program,
// in the order of the program's start, and ended in reverse after the last test.
#include <gtest/gtest.h>

#include "commandbars/cbFramework.h"
#include "imagelib/ImageLib.h"

namespace {

class TAppEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        ImageLibInit();
        cbFrameworkInit();
    }
    void TearDown() override
    {
        cbFrameworkDone();
        ImageLibDone();
    }
};

const testing::Environment* const gRegistered = testing::AddGlobalTestEnvironment(new TAppEnvironment);

} // namespace
