#pragma once

#include <optional>
#include <span>
#include <string>

namespace sentrel::service {

struct ServiceOptions {
    std::string bind = "127.0.0.1";
    int port = SENTREL_LOCAL_SERVICE_PORT;  // 0 picks any free port
    std::optional<std::string> standingCode;
    std::string logPath;
    std::string onAlert;
    bool help = false;
};

struct ParsedOptions {
    std::optional<ServiceOptions> options;
    std::string error;
};

// Parses the arguments after the program name; "--name value" and
// "--name=value" both work.
ParsedOptions ParseServiceOptions(std::span<const char* const> args);

std::string ServiceUsage();

}  // namespace sentrel::service
