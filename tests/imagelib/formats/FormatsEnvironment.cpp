// Starts the library and the formats of this folder for the whole test program.
#include <gtest/gtest.h>

#include "imagelib/ImageLib.h"
#include "imagelib/ImgBmc.h"

namespace {

class TFormatsEnvironment : public testing::Environment {
public:
    // ImageLibInit is counted, so this works before or after the library's own environment.
    void SetUp() override
    {
        ImageLibInit();
        BmcFormatsInit();
        RegisterPcxFormats();
        RegisterBmcFormats();
    }
    void TearDown() override
    {
        BmcFormatsDone();
        ImageLibDone();
    }
};

const testing::Environment* const Registered = testing::AddGlobalTestEnvironment(new TFormatsEnvironment);

} // namespace
