#pragma once
// Shared pieces of the benchmarks: timing, a scratch folder, and the reference side that a
// Python script times natively (outside Wine) in the same run.

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace Bench {

// Seconds on the performance counter.
double Seconds();

// The median wall time of Rounds runs of Work, in seconds.
double Median(const std::function<void()>& Work, int Rounds = 5);

// A fresh folder "<temp><Prefix><process id>\" under the temporary folder.
std::string MakeScratchFolder(const std::string& Prefix);

// Removes the scratch folder and its files.
void RemoveFolder(const std::string& Folder);

// Runs "<Python> <ScriptDir>/reference.py <Folder>" on the host and waits for it up to
// TimeoutMs. A Windows program under Wine gets no usable handle on a Linux child, so the helper
// leaves its exit code in Folder\reference.done (its output goes to Folder\reference.log).
// Returns its exit code; negative when it could not be started or did not finish.
int RunReference(const std::string& Python, const std::string& ScriptDir, const std::string& Folder,
                 uint32_t TimeoutMs);

// The "case seconds" lines the reference script writes.
std::map<std::string, double> ReadReference(const std::string& Path);

} // namespace Bench
