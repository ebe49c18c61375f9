#pragma once
// Screen shots of windows for the tests that check drawn pixels and save pictures for a person
// to look at.

#include <cstdint>
#include <source_location>
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
// The screen inside R (screen coordinates).
TShot CaptureScreenArea(const RECT& R);

// The window's pixels as they stand in its own device context now, frame included, with no
// redraw first: what an inverting drawing left there shows.
TShot ReadWindowDC(HWND W);

// What the user sees of the window now: the calling thread's messages are served until none is
// waiting (paints, posted moves, due timers, the application's idle handling), as the program's
// own loop serves them between two inputs; then the screen under the window's rectangle is read
// until two reads in a row agree (Wine hands the drawn surfaces to the X server a little later),
// a few seconds at most. Nothing is repainted first: a change the program never drew does not
// show. The picture holds whatever the screen holds there: another window over it, and, for a
// window with a system frame that Wine leaves to a window manager (none runs on the test
// display), no frame. The client area starts at ClientOrigin either way.
TShot CaptureShown(HWND W);

// The window as a full paint draws it, whatever covers it on the screen: the menu bar and the
// client area (child windows included) read from the window's own device context after a forced
// redraw of everything, with a frame and caption drawn around them the way the system draws them.
// A window without a system frame (bar, menu and hint windows) is read whole, its own non-client
// drawing included. Nothing of another window gets into the picture. For pictures of a static
// look only: the forced redraw draws the current state whether or not the program ever drew a
// change, so checks of a change of state use CaptureShown.
TShot CaptureFullPaint(HWND W);

// Where the client area of W starts inside a picture of its window rectangle (CaptureShown,
// CaptureFullPaint, CaptureScreen).
POINT ClientOrigin(HWND W);

// Adds a test failure at the caller unless the pixel (X, Y) of the shot has Colour (a COLORREF,
// as GetSysColor and RGB give it); the failure names the point, What and both colours as RGB.
bool ExpectPixel(const TShot& S, int32_t X, int32_t Y, COLORREF Colour, const std::string& What,
                 std::source_location Where = std::source_location::current());

// Writes the shot as a 24-bit bottom-up .bmp file; false when it could not be written whole.
bool WriteBmp(const std::string& Path, const TShot& S);

// Writes the shot as <build>/screenshots/<Name>.bmp, for a person to look at once the test run
// has made it a .png. In the classic Wine profile the file is <Name>-classic.bmp, so the two
// entries of one program keep their pictures apart. Name is a plain file name. Returns the
// Windows path written; on failure adds a test failure and returns "".
std::string SaveShot(const TShot& S, const std::string& Name);

// The Windows path of a Unix screenshot folder (drive Z: is the Unix root under Wine), made when
// missing; without a trailing "\".
std::string MakeScreenshotFolder(const std::string& UnixFolder);

} // namespace TestSupport
