#include "support/XvfbDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace sentrel::testing {

XvfbDisplay::XvfbDisplay(int width, int height) {
    // Xvfb takes a free display number itself and writes it to this pipe
    // once it accepts connections: no race with other servers for a number,
    // and no polling until it is up.
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    fcntl(ready[1], F_SETFD, 0);  // the write end alone goes to Xvfb
    const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "x24";
    server_ = std::make_unique<ChildProcess>(std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd",
                                                                      std::to_string(ready[1]), "-screen", "0",
                                                                      geometry, "-nolisten", "tcp", "-noreset"});
    close(ready[1]);
    std::string number;
    char digit = 0;
    pollfd in{ready[0], POLLIN, 0};
    while (poll(&in, 1, 10000) > 0 && read(ready[0], &digit, 1) == 1 && digit != '\n') number += digit;
    close(ready[0]);
    if (number.empty()) throw std::runtime_error("could not start Xvfb");
    ::setenv("DISPLAY", (":" + number).c_str(), 1);
}

}  // namespace sentrel::testing
