#include <chrono>
#include <cstdio>
#include <exception>
#include <random>
#include <span>

#include "AlertDesk.h"
#include "AlertIntake.h"
#include "AlertJournal.h"
#include "ForwardTarget.h"
#include "OutboxCourier.h"
#include "ServiceOptions.h"
#include "ServiceServer.h"
#include "ServiceStore.h"

using namespace sentrel::service;

namespace {

int PrintHistory(ServiceStore& store) {
    constexpr int kPage = 1000;
    for (std::int64_t after = 0;;) {
        const std::vector<RecordedAlert> page = store.Alerts(after, kPage);
        for (const RecordedAlert& alert : page) std::fputs(AlertJournal::JsonLine(alert).c_str(), stdout);
        if (page.size() < static_cast<std::size_t>(kPage)) return 0;
        after = page.back().id;
    }
}

}  // namespace

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
    const std::string databasePath = options.databasePath.empty() ? DefaultDatabasePath() : options.databasePath;
    if (databasePath.empty()) {
        std::fprintf(stderr, "sentrel-service: neither XDG_STATE_HOME nor HOME is set; give the database with --db\n");
        return 2;
    }

    try {
        ServiceStore store(databasePath);
        if (options.history) return PrintHistory(store);

        AlertJournal journal(options.logPath);
        std::random_device entropy;
        const auto seed = [&entropy] { return (std::uint64_t{entropy()} << 32) ^ entropy(); };
        std::vector<std::string> targets = options.forwards;
        if (!options.onAlert.empty())
            targets.push_back(ForwardTarget{ForwardTarget::Kind::Command, options.onAlert}.Written());

        AlertDesk desk(VerificationCodes(options.standingCode, seed()), store, seed());
        OutboxCourier courier(store);
        AlertIntake intake(store, journal, courier, std::move(targets));
        ServiceServer server(desk, intake);

        const std::optional<int> port = server.Bind(options.bind, options.port);
        if (!port) {
            std::fprintf(stderr, "sentrel-service: cannot listen on %s port %d\n", options.bind.c_str(), options.port);
            return 1;
        }
        const std::string host = options.bind.find(':') != std::string::npos ? "[" + options.bind + "]" : options.bind;
        const std::string url = "http://" + host + ":" + std::to_string(*port);
        std::fprintf(stderr, "sentrel-service keeps its state in %s\n", databasePath.c_str());
        std::fprintf(stderr, "sentrel-service listening on %s\n", url.c_str());
        for (const std::string& target : options.forwards) {
            std::fprintf(stderr, "forwarding alerts to %s\n", ForwardTarget::Parse(target)->PublicName().c_str());
        }
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
