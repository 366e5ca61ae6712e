#pragma once

#include <memory>
#include <string>

#include "support/ChildProcess.h"
#include "support/SentrelLayout.h"
#include "support/ServiceProcess.h"

namespace sentrel::testing {

// The built tool on the current display, sent to the service and signed in
// through its window (see X11Desktop for driving it). Throws std::runtime_error when the
// sign-in gets no further.
class SentrelUser {
public:
    SentrelUser(ServiceProcess& service, const std::string& code);

    ChildProcess& Tool() { return *tool_; }

private:
    std::unique_ptr<ChildProcess> tool_;
};

}  // namespace sentrel::testing
