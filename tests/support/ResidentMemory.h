#pragma once

#include <fstream>
#include <string>

namespace sentrel::testing {

// A process's resident memory in KiB, as /proc tells it; -1 once it is gone.
inline long ResidentKiB(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace sentrel::testing
