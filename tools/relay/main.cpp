#include <chrono>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "relay/desk/AlertDesk.h"
#include "relay/desk/AlertIntake.h"
#include "relay/desk/StopLine.h"
#include "relay/http/ServiceServer.h"
#include "relay/options/ServiceOptions.h"
#include "relay/outbox/AlertJournal.h"
#include "relay/outbox/AlertRetention.h"
#include "relay/outbox/ForwardTarget.h"
#include "relay/outbox/ForwardsFile.h"
#include "relay/outbox/OutboxCourier.h"
#include "relay/outbox/ServiceStore.h"
#include "relay/system/PrivateFiles.h"
#include "relay/system/ProgramArguments.h"
#include "relay/system/ReadyRecord.h"
#include "relay/system/RelayLog.h"
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
        Tell(parsed.error);
        std::fputs(ServiceUsage().c_str(), stderr);
        return 2;
    }
    const ServiceOptions& options = *parsed.options;
    if (options.help) {
        std::printf("%s", ServiceUsage().c_str());
        return 0;
    }
    const std::string databasePath = options.databasePath.empty() ? DefaultDatabasePath() : options.databasePath;
    if (databasePath.empty()) {
        Tell("no folder for the state (" + DefaultDatabasePlace() + "); give the database with --db");
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
                Tell(error.what());
            }
            Tell(told::kStopped);
        });

        AlertDesk desk(VerificationCodes(options.standingCode), store, options.ntfyServer);
        StopLine stopLine(store);
        OutboxCourier courier(store, targets, onAlertLog,
                              [&stopLine](const std::string& target) { return stopLine.For(target); });
        std::optional<AlertRetention> retention;
        if (options.keepDays > 0) retention.emplace(store, std::chrono::days(options.keepDays));
        AlertIntake intake(store, journal, courier, std::move(targets));
        ServiceServer server(desk, intake, options.allowHosts);

        const std::optional<int> port = server.Bind(options.bind, options.port);
        if (!port) {
            Tell("cannot listen on " + options.bind + " port " + std::to_string(options.port));
            return 1;
        }
        const std::string host = options.bind.find(':') != std::string::npos ? "[" + options.bind + "]" : options.bind;
        const std::string url = "http://" + host + ":" + std::to_string(*port);
        const std::string phonePage = PhonePageAddress(options, url);
        stopLine.SetPage(phonePage);
        Tell(std::string(told::kStateIn) + databasePath);
        Tell(std::string(told::kListening) + url);
        if (phonePage.empty() && (options.bind == "0.0.0.0" || options.bind == "::")) {
            Tell("no address a phone can open is known; give it with --public-url");
        } else if (!phonePage.empty()) {
            Tell("phones on the LAN open the code page at " + phonePage + "/");
        }
        for (const std::string& target : forwards) {
            Tell(std::string(told::kForwarding) + ForwardTarget::Parse(target)->PublicName());
        }
        Tell(std::string(told::kCode) + desk.IssueCode(AlertDesk::Clock::now()).code +
             " (single use, valid for ten minutes; a new one, with a phone to alert, at " + url + "/)");
        if (options.standingCode) {
            Tell(std::string(told::kStandingCode) + *options.standingCode);
        }
        // A code of its own, which the log never shows, and the phone it
        // alerts.
        if (!options.readyFile.empty()) {
            AlertDesk::Offer offer = desk.IssueCode(AlertDesk::Clock::now(), true);
            ReplacePrivately(options.readyFile,
                             ReadyRecord{url, std::move(offer.code), std::move(offer.subscribeUrl), phonePage}.Json());
        }
        return server.Listen() ? 0 : 1;
    } catch (const std::exception& error) {
        Tell(error.what());
        return 1;
    }
}
