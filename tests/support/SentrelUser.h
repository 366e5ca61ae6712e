#pragma once

#include <memory>
#include <string>

#include "support/ChildProcess.h"
#include "support/SentrelLayout.h"
#include "support/ServiceProcess.h"

namespace sentrel::testing {

// The built tool on the current display, sent to the service and signed in
// through its window, and a user who drives that window with xdotool and
// sees the screen through ImageMagick. Throws std::runtime_error when the
// sign-in gets no further.
class SentrelUser {
public:
    SentrelUser(ServiceProcess& service, const std::string& code);

    ChildProcess& Tool() { return *tool_; }
    // Runs xdotool with these arguments; a failure fails the test.
    void Xdotool(const std::string& args);
    void Click(Spot spot) { Xdotool("mousemove " + At(spot) + " click 1"); }
    // The colour of one screen pixel, as "r,g,b".
    std::string PixelAt(int x, int y);

private:
    std::unique_ptr<ChildProcess> tool_;
};

}  // namespace sentrel::testing
