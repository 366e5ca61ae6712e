#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "log/ToolLog.h"
#include "monitor/MonitorPixels.h"
#include "support/SentrelLayout.h"
#include "support/ServiceProcess.h"
#include "support/VirtualPointer.h"
#include "support/Waiting.h"
#include "support/WaylandSession.h"

namespace sentrel::testing {

// The built tool native in a test's sway, sent to the service and signed in
// through its window, and a user who drives that window with a virtual
// pointer and typed keys. Throws std::runtime_error when the sign-in gets no
// further.
class SwaySentrelUser {
public:
    // logical: the output's size in window units, at `scale` pixels each;
    // top: how far down sway puts the window. env: more of the tool's
    // environment, as NAME=VALUE.
    SwaySentrelUser(const WaylandSession& sway, ServiceProcess& service, const std::string& code, Screen logical,
                    double scale, int top = 0, std::vector<std::string> env = {})
        : scale_(scale), top_(top), pointer_(sway, logical.width, logical.height), tool_([&] {
              env.insert(env.end(), {"SENTREL_SERVICE_URL=" + service.Url(), sway.Staged(SENTREL_BINARY)});
              return sway.Inside(env);
          }()) {
        using namespace std::chrono_literals;
        const Spot paper = logical.InSignIn(kSignInPaper);
        if (!tool_.WaitForLine(ChildProcess::Stream::Err, Containing(said::kNativeWayland)) ||
            !WaitFor(
                [&] {
                    return sway.Shot().Colour(Pixel({paper.x, paper.y})) == 0xFFFFFF;
                },
                10s)) {
            throw std::runtime_error("no native Wayland window with the sign-in panel where the layout puts it");
        }
        if (!Click(logical.InSignIn(kCodeBox)) || !sway.Type({code}) || !Click(logical.InSignIn(kSignIn)) ||
            !service.Process().WaitForLine(ChildProcess::Stream::Err, Containing("sign-in accepted"))) {
            throw std::runtime_error("not signed in");
        }
    }

    ChildProcess& Tool() { return tool_; }
    VirtualPointer& Pointer() { return pointer_; }
    // At a point of the window.
    bool Click(Spot spot) { return pointer_.Click(spot.x, spot.y + top_); }
    // The output pixel of a window unit.
    ScreenPoint Pixel(ScreenPoint unit) const {
        return MonitorPixels::Map(unit, {0, static_cast<std::int32_t>(top_ * scale_), scale_});
    }

private:
    double scale_;
    int top_;
    VirtualPointer pointer_;
    ChildProcess tool_;
};

}  // namespace sentrel::testing
