#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace sentrel::testing {

// A picture of the screen, as grim takes it: the output's own pixels.
struct ScreenShot {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;

    // 0x00BBGGRR, as the tool's screen reader gives colours.
    int Colour(int x, int y) const {
        const unsigned char* p =
            &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3];
        return p[0] | (p[1] << 8) | (p[2] << 16);
    }
};

// A headless sway of a test's own, on one output of the size and scale
// given, with no window borders and the pointer drawn nowhere. sway refuses
// to run as root, so under root the session and every program in it run as
// an ordinary user made for these tests, and programs are copied where that
// user may run them.
class SwaySession {
public:
    SwaySession(int width, int height, double scale, const std::string& config = "");
    ~SwaySession();

    // argv run inside the session (as its user, with its environment).
    std::vector<std::string> Inside(std::vector<std::string> argv) const;
    // A copy of a file that the session's user can read and run.
    std::string Staged(const std::string& path) const;
    // Runs a sway command and says whether it succeeded.
    bool Command(const std::string& command) const;
    ScreenShot Shot() const;
    const std::string& RuntimeDir() const { return runtimeDir_; }
    pid_t CompositorPid() const { return sway_->Pid(); }

private:
    std::string runtimeDir_;
    std::vector<std::string> asUser_;
    std::unique_ptr<ChildProcess> bus_;
    std::unique_ptr<ChildProcess> sway_;
};

}  // namespace sentrel::testing
