// The library is started once for the whole test program, as the program's start does.
#include <gtest/gtest.h>

#include "imagelib/ImageLib.h"

namespace {

class TImageLibEnvironment : public testing::Environment {
public:
    void SetUp() override { ImageLibInit(); }
    void TearDown() override { ImageLibDone(); }
};

const testing::Environment* const Registered = testing::AddGlobalTestEnvironment(new TImageLibEnvironment);

} // namespace
