#pragma once
// Running host (Unix) programs from a Windows program under Wine, for tests that cross-check
// with host tools and for the benchmarks' reference timings. Kept free of gtest so the
// benchmarks can build it too.

#include <cstdint>
#include <string>

namespace TestSupport {

// The Unix path of a Windows path (Wine maps drives onto the Unix tree), for handing files to
// host tools such as Pillow; the path itself when not running under Wine.
std::string UnixPathOf(const std::string& WindowsPath);

// Runs Command (a /bin/sh command line over Unix paths, without double quotes) on the host with
// its output going to LogFile, and waits for it up to TimeoutMs. Wine starts Unix programs
// without a process handle, so the shell leaves its exit code in the marker file DoneFile
// (written aside and renamed, so it is never seen half-written). LogFile and DoneFile are Windows
// paths; an old DoneFile is removed first. Returns the exit code; -1 on a time-out, -2 when the
// shell could not be started, -3 when the marker holds no number. Log, when given, receives
// the output (also after a time-out).
int RunHostCommand(const std::string& Command, const std::string& LogFile, const std::string& DoneFile,
                   uint32_t TimeoutMs, std::string* Log = nullptr);

} // namespace TestSupport
