#pragma once
// The sample tasks written on the first run.

#include <vector>

// One sample: folder, title, start address.
struct TSampleTask {
    const char* Folder;
    const char* Title;
    const char* Address;
};
const std::vector<TSampleTask>& SampleTasks();
