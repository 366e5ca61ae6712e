#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "relay/desk/AlertDesk.h"
#include "relay/desk/AlertIntake.h"
#include "relay/http/ServiceServer.h"
#include "relay/options/ServiceOptions.h"
#include "relay/outbox/AlertJournal.h"
#include "relay/outbox/ForwardTarget.h"
#include "relay/outbox/ForwardsFile.h"
#include "relay/outbox/OutboxCourier.h"
#include "relay/outbox/ServiceStore.h"
#include "relay/system/PrivateFiles.h"
#include "relay/system/ProgramArguments.h"
#include "relay/system/ReadyRecord.h"
#include "relay/system/ShutdownSignal.h"

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
    const std::vector<std::string> arguments = ProgramArguments(argc, argv);
    std::vector<const char*> words;
    for (const std::string& argument : arguments) words.push_back(argument.c_str());
    const ParsedOptions parsed = ParseServiceOptions(words);
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
        std::fprintf(stderr, "sentrel-service: no folder for the state (%s); give the database with --db\n",
                     DefaultDatabasePlace().c_str());
        return 2;
    }

    try {
        ServiceStore store(databasePath);
        if (options.history) return PrintHistory(store);

        std::vector<std::string> forwards = options.forwards;
        if (!options.forwardsFile.empty()) {
            for (const ForwardTarget& target : ReadForwardsFile(options.forwardsFile)) {
                AddOnce(forwards, target.Written());
            }
        }
        std::vector<std::string> targets = forwards;
        const std::string onAlertLog =
            options.onAlertLog.empty() ? DefaultOnAlertLog(databasePath) : options.onAlertLog;
        if (!options.onAlert.empty()) {
            // Made now: a log the commands cannot write stops the start,
            // rather than failing every alert's command later.
            AppendPrivately(onAlertLog);
            targets.push_back(ForwardTarget{ForwardTarget::Kind::Command, options.onAlert}.Written());
        }
        AlertJournal journal(options.logPath);
        // Before any thread starts: see ShutdownSignal.
        const ShutdownSignal shutdown([&store] {
            try {
                store.CheckpointAndStop();
            } catch (const std::exception& error) {
                std::fprintf(stderr, "sentrel-service: %s\n", error.what());
            }
            std::fprintf(stderr, "sentrel-service stopped\n");
        });

        AlertDesk desk(VerificationCodes(options.standingCode), store);
        OutboxCourier courier(store, targets, onAlertLog);
        AlertIntake intake(store, journal, courier, std::move(targets));
        ServiceServer server(desk, intake, options.allowHosts);

        const std::optional<int> port = server.Bind(options.bind, options.port);
        if (!port) {
            std::fprintf(stderr, "sentrel-service: cannot listen on %s port %d\n", options.bind.c_str(), options.port);
            return 1;
        }
        const std::string host = options.bind.find(':') != std::string::npos ? "[" + options.bind + "]" : options.bind;
        const std::string url = "http://" + host + ":" + std::to_string(*port);
        std::fprintf(stderr, "sentrel-service keeps its state in %s\n", databasePath.c_str());
        std::fprintf(stderr, "sentrel-service listening on %s\n", url.c_str());
        for (const std::string& target : forwards) {
            std::fprintf(stderr, "forwarding alerts to %s\n", ForwardTarget::Parse(target)->PublicName().c_str());
        }
        std::fprintf(stderr, "verification code: %s (single use, valid for ten minutes; a new one at %s/)\n",
                     desk.IssueCode(AlertDesk::Clock::now()).c_str(), url.c_str());
        if (options.standingCode) {
            std::fprintf(stderr, "standing verification code: %s\n", options.standingCode->c_str());
        }
        // A code of its own, which the log never shows.
        if (!options.readyFile.empty()) {
            ReplacePrivately(options.readyFile, ReadyRecord{url, desk.IssueCode(AlertDesk::Clock::now())}.Json());
        }
        return server.Listen() ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "sentrel-service: %s\n", error.what());
        return 1;
    }
}
