#include "support/XvfbDisplay.h"

#include <cstdlib>
#include <stdexcept>

namespace sentrel::testing {

XvfbDisplay::XvfbDisplay(int width, int height) {
    // Xvfb takes a free display number itself and prints it once it accepts
    // connections: no race with other servers for a number, and no polling
    // until it is up.
    const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "x24";
    server_ = std::make_unique<ChildProcess>(std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", "1", "-screen",
                                                                      "0", geometry, "-nolisten", "tcp", "-noreset"});
    const auto number = server_->WaitForLine(ChildProcess::Stream::Out, [](const std::string&) { return true; });
    if (!number) throw std::runtime_error("could not start Xvfb");
    ::setenv("DISPLAY", (":" + *number).c_str(), 1);
}

}  // namespace sentrel::testing
