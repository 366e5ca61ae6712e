#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "relay/outbox/ForwardTarget.h"

namespace sentrel::service {

struct ServiceOptions {
    std::string bind = "127.0.0.1";
    int port = SENTREL_LOCAL_SERVICE_PORT;  // 0 picks any free port
    std::optional<std::string> standingCode;
    std::string logPath;
    std::string onAlert;
    // Empty for the default, which DefaultDatabasePath gives.
    std::string databasePath;
    // "KIND:URL" each, as ForwardTarget parses them.
    std::vector<std::string> forwards;
    // More forwards, read from this file at start (ReadForwardsFile).
    std::string forwardsFile;
    // Where --on-alert commands write; empty for DefaultOnAlertLog's.
    std::string onAlertLog;
    // Where to write a ReadyRecord once listening; empty for nowhere.
    std::string readyFile;
    // Host names, besides the service's own, that requests may be addressed
    // to: those a proxy in front passes on.
    std::vector<std::string> allowHosts;
    // Where phones subscribe to the topics made for their codes.
    std::string ntfyServer = kPublicNtfyServer;
    // Where a phone on the LAN opens the code page; empty to take it from
    // the address listened on, when a phone can reach that.
    std::string publicUrl;
    // Alerts older than this many days are forgotten; 0 keeps them all.
    int keepDays = 30;
    bool history = false;
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

// $XDG_STATE_HOME/sentrel/service.db, or ~/.local/state/sentrel/service.db
// (on Windows %LOCALAPPDATA%\Sentrel\service.db); empty when the system
// does not say where that is.
std::string DefaultDatabasePath();
// Where that is, as the usage text says it.
std::string DefaultDatabasePlace();

// Where a phone on the LAN opens the code page, given where the service
// listens: --public-url, else that address when it is one a phone can reach
// (neither loopback nor every address), else empty.
std::string PhonePageAddress(const ServiceOptions& options, const std::string& listeningUrl);

// Beside the database: "service.on-alert.log" for "service.db".
std::string DefaultOnAlertLog(const std::string& databasePath);

}  // namespace sentrel::service
