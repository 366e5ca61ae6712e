#pragma once

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "relay/outbox/ServiceStore.h"

namespace sentrel::service {

// Runs the user's --on-alert command through the system's shell (/bin/sh;
// cmd.exe on Windows) for one alert, with
// SENTREL_ALERT_ID, SENTREL_AREA, SENTREL_TIME, SENTREL_OPENID and
// SENTREL_SJS in its environment, and waits for it: the alert is delivered
// when the command exits with status 0. What it prints goes to `output`, not
// into the service's own output, where one line per alert is promised; it
// reads nothing, and inherits no other file of the service (no client's
// connection, no database). A command still running after the time limit
// is killed, with everything it started, and counts as failed. Returns
// std::nullopt when delivered, else what went wrong.
// The shell's name, for the usage text.
std::string CommandShell();

std::optional<std::string> RunAlertCommand(const std::string& command, const RecordedAlert& alert, std::FILE* output,
                                           std::chrono::milliseconds limit = std::chrono::minutes(1));

}  // namespace sentrel::service
