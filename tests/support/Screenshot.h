#pragma once
// Screen shots of windows for the tests that check drawn pixels and save pictures for a person
// to look at.

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

namespace TestSupport {

// Screen pixels as 0x00RRGGBB, top-down.
struct TShot {
    int32_t W = 0, H = 0;
    std::vector<uint32_t> Pixels;
    uint32_t At(int32_t X, int32_t Y) const { return Pixels[static_cast<size_t>(Y * W + X)] & 0xFFFFFF; }
    // Whether Colour appears inside R (window coordinates).
    bool Contains(const RECT& R, uint32_t Colour) const;
    // How many pixels have Colour.
    size_t CountOf(uint32_t Colour) const;
};

// The screen as shown under the window's rectangle (frame included): no window manager covers
// anything on the test display.
TShot CaptureScreen(HWND W);

// The window as it draws itself, whatever covers it on the screen: the menu bar and the client
// area (child windows included) read from the window's own device context after a full redraw,
// with a frame and caption drawn around them the way the system draws them (the test display has
// no window manager to draw them). Nothing of another window gets into the picture.
TShot CaptureWindow(HWND W);

// Writes the shot as a 24-bit bottom-up .bmp file; false when it could not be written whole.
bool WriteBmp(const std::string& Path, const TShot& S);

// The Windows path of a Unix screenshot folder (drive Z: is the Unix root under Wine), made when
// missing; without a trailing "\".
std::string MakeScreenshotFolder(const std::string& UnixFolder);

} // namespace TestSupport
