#pragma once

#include <stdlib.h>

#include <string>

#include "support/ChildProcess.h"
#include "support/Waiting.h"

namespace sentrel::testing {

// A D-Bus daemon of the test's own: the session bus of every program the test
// starts while it lives.
struct PrivateBus {
    PrivateBus() { ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1); }
    ~PrivateBus() { ::unsetenv("DBUS_SESSION_BUS_ADDRESS"); }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    ChildProcess daemon{{"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"}};
    const std::string address = daemon.WaitForLine(ChildProcess::Stream::Out, Containing("unix:")).value_or("");
};

}  // namespace sentrel::testing
