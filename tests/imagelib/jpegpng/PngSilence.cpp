// Test programs never show PNG warning boxes: nobody is there to answer them.
#include <gtest/gtest.h>

#include "imagelib/PngGlue.h"

namespace {

class TPngSilenceEnvironment : public testing::Environment {
public:
    void SetUp() override { SetPngWarningsSilenced(true); }
};

const testing::Environment* const Registered = testing::AddGlobalTestEnvironment(new TPngSilenceEnvironment);

} // namespace
