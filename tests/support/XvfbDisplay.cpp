#include "support/XvfbDisplay.h"

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace sentrel::testing {
namespace {

bool Answers(const std::string& display) {
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool ok = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return ok;
}

}  // namespace

XvfbDisplay::XvfbDisplay(int width, int height) {
    const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "x24";
    for (int number = 90 + static_cast<int>(std::rand() % 50); number < 400; ++number) {
        const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
        if (std::filesystem::exists(lock) || Answers(":" + std::to_string(number))) continue;
        name_ = ":" + std::to_string(number);
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"/usr/bin/Xvfb", name_, "-screen", "0", geometry, "-nolisten", "tcp", "-noreset"});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline && server_->Running()) {
            if (Answers(name_)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        // Another server may have taken the number between the check and
        // the start; then this one has exited and the next number is tried.
        if (server_->Running() && Answers(name_)) {
            const char* previous = std::getenv("DISPLAY");
            previousDisplay_ = previous ? previous : "";
            ::setenv("DISPLAY", name_.c_str(), 1);
            return;
        }
        server_.reset();
    }
    throw std::runtime_error("could not start Xvfb");
}

XvfbDisplay::~XvfbDisplay() {
    if (previousDisplay_.empty()) {
        ::unsetenv("DISPLAY");
    } else {
        ::setenv("DISPLAY", previousDisplay_.c_str(), 1);
    }
}

}  // namespace sentrel::testing
