#include <chrono>
#include <cstdio>
#include <exception>
#include <random>
#include <span>

#include "AlertDesk.h"
#include "AlertJournal.h"
#include "ServiceOptions.h"
#include "ServiceServer.h"

using namespace sentrel::service;

int main(int argc, char** argv) {
    const auto argumentCount = argc > 1 ? static_cast<std::size_t>(argc - 1) : 0;
    const ParsedOptions parsed = ParseServiceOptions(std::span<const char* const>(argv + 1, argumentCount));
    if (!parsed.options) {
        std::fprintf(stderr, "sentrel-service: %s\n%s", parsed.error.c_str(), ServiceUsage().c_str());
        return 2;
    }
    const ServiceOptions& options = *parsed.options;
    if (options.help) {
        std::printf("%s", ServiceUsage().c_str());
        return 0;
    }

    try {
        AlertJournal journal(options.logPath);
        std::random_device entropy;
        const auto seed = [&entropy] { return (std::uint64_t{entropy()} << 32) ^ entropy(); };

        AlertDesk desk(VerificationCodes(options.standingCode, seed()), Subscribers(seed()));
        std::optional<AlertCommand> command;
        if (!options.onAlert.empty()) command.emplace(options.onAlert);
        ServiceServer server(desk, journal, std::move(command));

        const std::optional<int> port = server.Bind(options.bind, options.port);
        if (!port) {
            std::fprintf(stderr, "sentrel-service: cannot listen on %s port %d\n", options.bind.c_str(), options.port);
            return 1;
        }
        const std::string host = options.bind.find(':') != std::string::npos ? "[" + options.bind + "]" : options.bind;
        const std::string url = "http://" + host + ":" + std::to_string(*port);
        std::fprintf(stderr, "sentrel-service listening on %s\n", url.c_str());
        std::fprintf(stderr, "verification code: %s (single use, valid for ten minutes; a new one at %s/)\n",
                     desk.IssueCode(AlertDesk::Clock::now()).c_str(), url.c_str());
        if (options.standingCode) {
            std::fprintf(stderr, "standing verification code: %s\n", options.standingCode->c_str());
        }
        return server.Listen() ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "sentrel-service: %s\n", error.what());
        return 1;
    }
}
