#pragma once
// Helpers of the graphics tests: running the Python cross-check scripts (Debian's python3 with
// Pillow) from under Wine, path conversion, and reading pixels of bitmaps.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include "tests/support/TestSupport.h"

#include "platform/win/Bitmap.h"

namespace GraphicsTest {

// The Unix path of a Windows path (Wine maps drives onto the Unix tree).
inline std::string UnixPath(const std::string& WindowsPath)
{
    return TestSupport::UnixPathOf(WindowsPath);
}

// The Windows path of a Unix path (Z: is the Unix root in Wine's default set-up).
inline std::string WindowsPath(const std::string& Unix)
{
    std::string W = "Z:" + Unix;
    for (char& C : W)
        if (C == '/')
            C = '\\';
    return W;
}

inline bool FileExists(const std::string& Path) { return GetFileAttributesA(Path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadTextFile(const std::string& Path)
{
    std::string Text;
    HANDLE F = CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (F == INVALID_HANDLE_VALUE)
        return Text;
    char Buffer[4096];
    DWORD Got = 0;
    while (ReadFile(F, Buffer, sizeof(Buffer), &Got, nullptr) && Got > 0)
        Text.append(Buffer, Got);
    CloseHandle(F);
    return Text;
}

// Runs the helper script with its arguments (Unix paths) under the host's python3 and waits for
// it (up to a minute). Returns the exit code (-1 on a time-out); Log receives its output.
inline int RunHelper(const std::string& ScratchFolder, const std::string& Args, std::string* Log = nullptr)
{
    static int Counter = 0;
    const std::string Tag = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++Counter);
    return TestSupport::RunHostCommand("/usr/bin/python3 '" QM_GRAPHICS_HELPERS "/pictures.py' " + Args,
                                       ScratchFolder + "helper_" + Tag + ".log", ScratchFolder + "helper_" + Tag + ".done",
                                       60000, Log);
}

// The pixel at (X, Y) of a 24- or 32-bit DIB, read through ScanLine, as a TColor (0x00BBGGRR)
// so it compares with the colour constants.
inline TColor ScanPixel(TBitmap& B, int32_t X, int32_t Y)
{
    const uint8_t* Row = static_cast<const uint8_t*>(B.ScanLine(Y));
    const int Step = B.GetPixelFormat() == pf32bit ? 4 : 3;
    const uint8_t* P = Row + X * Step;
    return static_cast<TColor>(RGB(P[2], P[1], P[0]));
}

// "W H" and rows of "RRGGBBAA" words as the helper's "pixels" command writes them.
struct TPixelDump {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint32_t> Rgba; // 0xRRGGBBAA
    uint32_t At(int32_t X, int32_t Y) const { return Rgba[size_t(Y) * size_t(Width) + size_t(X)]; }
};

inline bool ReadPixelDump(const std::string& Path, TPixelDump& Dump)
{
    const std::string Text = ReadTextFile(Path);
    if (Text.empty())
        return false;
    const char* P = Text.c_str();
    char* End;
    Dump.Width = static_cast<int32_t>(std::strtol(P, &End, 10));
    Dump.Height = static_cast<int32_t>(std::strtol(End, &End, 10));
    if (Dump.Width <= 0 || Dump.Height <= 0)
        return false;
    Dump.Rgba.clear();
    for (int64_t I = 0; I < int64_t(Dump.Width) * Dump.Height; ++I) {
        const unsigned long V = std::strtoul(End, &End, 16);
        Dump.Rgba.push_back(static_cast<uint32_t>(V));
    }
    return Dump.Rgba.size() == size_t(Dump.Width) * size_t(Dump.Height);
}

} // namespace GraphicsTest
