#include "relay/outbox/ServiceStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "relay/outbox/AlertRetention.h"
#include "relay/outbox/DeliveryLane.h"
#include "relay/outbox/OutboxCourier.h"
#include "relay/system/UtcTimestamp.h"
#include "support/TempDatabase.h"
#include "support/Waiting.h"

namespace sentrel::service {
namespace {

using namespace std::chrono_literals;

// However often one network signs in, it pushes out only its own, and so
// leaves room for everyone else.
TEST(ServiceStore, ANetworkPushesOutOnlyItsOwnOpenIds) {
    testing::TempDatabase database;
    ServiceStore store(database.Path());
    using Admission = ServiceStore::Admission;
    const ServiceStore::Room room{2, 6, 0};
    ASSERT_EQ(store.AddSubscriber("oKept", "victim", room, 0), Admission::Added);
    for (int i = 1; i < 100; ++i)
        ASSERT_EQ(store.AddSubscriber(std::to_string(i), std::to_string(i % 2), room, i), Admission::Added);
    EXPECT_TRUE(store.KnowsSubscriber("oKept"));
    EXPECT_TRUE(store.KnowsSubscriber("98"));
    EXPECT_FALSE(store.KnowsSubscriber("94"));
    EXPECT_EQ(store.AddSubscriber("oNew", "newcomer", room, 100), Admission::Added);
    EXPECT_EQ(store.AddSubscriber("oNew", "victim", room, 101), Admission::Taken);
}

// One sender's backlog never holds up another's alert for long.
TEST(ServiceStore, SendersTakeTurnsAtATarget) {
    testing::TempDatabase database;
    ServiceStore store(database.Path());
    const std::string hook = "webhook:http://a.example/";
    for (int i = 0; i < 50; ++i) store.RecordAlert({"oA", 1, 12345}, "t", i, {hook});
    store.RecordAlert({"oB", 1, 12345}, "t", 50, {hook});
    const std::tuple<std::string, std::vector<std::int64_t>> turns[] = {{"", {1, 51}}, {"oA", {51, 1}}};
    for (const auto& [after, ids] : turns) {
        std::vector<std::int64_t> owed;
        for (const RecordedAlert& alert : store.OwedTo(hook, 3, after)) owed.push_back(alert.id);
        EXPECT_EQ(owed, ids) << after;
    }
}

// Kept an hour: what is older goes, unless a delivery of it is still owed
// and not yet given up.
TEST(ServiceStore, ForgetsAlertsOlderThanKept) {
    testing::TempDatabase database;
    ServiceStore store(database.Path());
    const std::string hook = "webhook:http://a.example/";
    const std::int64_t now = EpochMilliseconds(), hour = 3600 * 1000;
    const std::tuple<std::int64_t, std::string, int> alerts[] = {
        {25 * hour, "a", 10}, {2 * hour, "b", 11}, {2 * hour, "c", 12}, {0, "d", 13}};
    for (const auto& [age, time, area] : alerts) store.RecordAlert({"oX", area, 12345}, time, now - age, {hook});
    for (const std::int64_t delivered : {1, 2, 4}) store.MarkDelivered(delivered, hook, now);
    const AlertRetention retention(store, 1h);
    ASSERT_TRUE(testing::WaitFor([&] { return store.Alerts(0, 10).front().id > 1; }, 10s));
    // Read back field by field, as the history lists them.
    std::vector<std::tuple<std::int64_t, std::string, int>> kept;
    for (const RecordedAlert& alert : store.Alerts(0, 10)) kept.emplace_back(alert.id, alert.time, alert.alert.area);
    EXPECT_EQ(kept,
              (std::vector<std::tuple<std::int64_t, std::string, int>>{{2, "b", 11}, {3, "c", 12}, {4, "d", 13}}));
}

// A file that cannot hold the state stops the start with its name and why,
// instead of starting afresh and losing what it held.
TEST(ServiceStore, RefusesADatabaseItCannotUse) {
    testing::TempDatabase garbage, newer, directory;
    std::ofstream(garbage.Path()) << "not a database, but someone's file";
    sqlite3* db = nullptr;
    sqlite3_open(newer.Path().c_str(), &db);
    sqlite3_exec(db, "PRAGMA user_version=99", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::filesystem::create_directory(directory.Path());
    // Why a folder cannot be opened is in the system's own words, which
    // differ between systems.
    for (const auto& [path, reason] : {std::pair(garbage.Path(), "not a database"), std::pair(newer.Path(), "newer"),
                                       std::pair(directory.Path(), "")}) {
        try {
            ServiceStore store(path);
            ADD_FAILURE() << path << " was taken";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find(reason), std::string::npos) << error.what();
        }
    }
    std::ifstream kept(garbage.Path());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "not a database, but someone's file");
}

// A backup copied over the file, a truncation and a removed log are each
// noticed at the next write, which is refused; what a removed log held is
// moved into the file, and a restart reads it. Windows refuses some of these
// for a file SQLite has open, and then there is nothing to notice.
TEST(ServiceStore, RefusesToWriteOnceItsFilesAreChangedUnderIt) {
    namespace fs = std::filesystem;
    testing::TempDatabase backup;
    ServiceStore(backup.Path()).CheckpointAndStop();
    const auto overwrite = fs::copy_options::overwrite_existing;
    const std::pair<std::function<void(const std::string&, std::error_code&)>, bool> tamperings[] = {
        {[&](const auto& path, auto& error) { fs::copy_file(backup.Path(), path, overwrite, error); }, false},
        {[](const auto& path, auto& error) { fs::resize_file(path, 0, error); }, false},
        {[](const auto& path, auto& error) { fs::remove(path + "-wal", error); }, true}};
    for (const auto& [tamper, keptForARestart] : tamperings) {
        testing::TempDatabase database;
        std::error_code refused;
        {
            ServiceStore store(database.Path());
            store.RecordAlert({"oX", 1, 12345}, "t", 1, {});
            tamper(database.Path(), refused);
            if (refused) continue;
            EXPECT_THROW(store.RecordAlert({"oX", 2, 12345}, "t", 2, {}), std::runtime_error);
            EXPECT_TRUE(store.Lost());
        }
        if (keptForARestart) {
            EXPECT_EQ(ServiceStore(database.Path()).Alerts(0, 10).size(), 1u);
        }
    }
}

TEST(OutboxCourier, BacksOffByDoublingUpToTenMinutesAndGivesUpAfterADay) {
    const std::pair<int, std::chrono::milliseconds> waits[] = {{1, 2s},   {2, 4s},    {3, 8s},
                                                               {9, 512s}, {10, 600s}, {60, 600s}};
    for (const auto& [failures, wait] : waits) EXPECT_EQ(DeliveryLane::Backoff(failures), wait) << failures;

    testing::TempDatabase database;
    ServiceStore store(database.Path());
    const std::string unreachable = "webhook:http://127.0.0.1:9/";
    store.RecordAlert({"oX", 1, 12345}, "yesterday", EpochMilliseconds() - 24 * 3600 * 1000 - 1, {unreachable});
    store.RecordAlert({"oX", 2, 12345}, "today", EpochMilliseconds() - 23 * 3600 * 1000, {unreachable});
    const OutboxCourier courier(store, {}, "/dev/null", [](const std::string&) { return std::string(); });
    ASSERT_TRUE(testing::WaitFor(
        [&] { return store.Deliveries(1)[0].attempts > 0 && store.Deliveries(2)[0].attempts > 0; }, 10s));
    EXPECT_EQ(store.Deliveries(1)[0].stage, DeliveryState::Stage::Failed);
    EXPECT_EQ(store.Deliveries(2)[0].stage, DeliveryState::Stage::Pending) << "a day old only in an hour";
    EXPECT_EQ(store.Deliveries(2)[0].lastError, "no reply, or a redirect, which is not followed");
}

}  // namespace
}  // namespace sentrel::service
