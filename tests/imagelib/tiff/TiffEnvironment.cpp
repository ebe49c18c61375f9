// The TIFF codec's start and end, after the library's own (gtest runs environments in the
// order they were added; the library's file registers first, this one second).
#include <gtest/gtest.h>

#include "imagelib/ImageLib.h"
#include "imagelib/ImgDib.h"
#include "imagelib/TiffGlue.h"

namespace {

class TTiffEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        // Started here too, so the order of static registration does not matter.
        ImageLibInit();
        TiffLibInit();
        if (!FindDibGraphicClass("x.tif"))
            RegisterTiffGraphic();
    }
    void TearDown() override
    {
        TiffLibDone();
        ImageLibDone();
    }
};

const testing::Environment* const Registered = testing::AddGlobalTestEnvironment(new TTiffEnvironment);

} // namespace
