#pragma once
// The image library's start and end. Called by the program before its main window and by every
// test program; counted, so nested pairs are harmless. Only the last ImageLibDone tears down.

#include <cstdint>

void ImageLibInit();
void ImageLibDone();
// How many ImageLibInit calls are not yet matched.
int32_t ImageLibInitCount();
