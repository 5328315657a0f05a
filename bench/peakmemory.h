// Peak resident memory of this process, for the benchmarks' reports.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

// VmHWM of /proc/self/status in KiB, or -1 where there is none.
inline long peakMemoryKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}
