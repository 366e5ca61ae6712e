#pragma once

#include <string>

#include "DeskTypes.h"

namespace sentrel::service {

// Runs the user's --on-alert command through /bin/sh for each accepted
// alert, with SENTREL_AREA, SENTREL_TIME, SENTREL_OPENID and SENTREL_SJS in
// its environment. The command runs beside the server, never holding up a
// reply, and its exit is collected so no zombie is left behind.
class AlertCommand {
public:
    explicit AlertCommand(std::string command);

    // False when the command could not be started.
    bool Run(const AcceptedAlert& alert, const std::string& utcTime) const;

private:
    std::string command_;
};

}  // namespace sentrel::service
