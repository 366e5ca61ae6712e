#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "DeskTypes.h"

namespace sentrel::service {

// An alert as recorded: what the desk accepted, its id and its time.
struct RecordedAlert {
    std::int64_t id = 0;
    std::string time;  // UTC, as UtcTimestamp writes it
    AcceptedAlert alert;
};

// One alert still to be handed to one target.
struct PendingDelivery {
    RecordedAlert alert;
    std::string target;
    int attempts = 0;
    std::int64_t acceptedAtMs = 0;
};

// Where one alert stands with one target.
struct DeliveryState {
    std::string target;
    enum class Stage { Pending, Delivered, Failed } stage = Stage::Pending;
    int attempts = 0;
    std::int64_t sinceMs = 0;  // the first failure, the delivery or the giving up
    std::string lastError;
};

struct OutboxCounts {
    std::int64_t pending = 0, delivered = 0, failed = 0;
};

// The service's whole state in one SQLite database (WAL): the OpenIds handed
// out and whether each is online, every accepted alert, and the outbox of
// deliveries still owed. A committed write survives the process being
// killed. Safe to call from several threads.
class ServiceStore {
public:
    // Opens or creates the database and brings its schema up to date.
    // Throws std::runtime_error, naming the file, when it cannot be used.
    explicit ServiceStore(const std::string& path);

    static constexpr int kSchemaVersion = 1;

    bool AddSubscriber(const std::string& openId, std::size_t maxKnown);
    bool KnowsSubscriber(const std::string& openId);
    bool SetOnline(const std::string& openId, bool online);
    std::int64_t SubscriberCount();
    std::int64_t OnlineCount();

    // Records the alert and one pending delivery per target, at once.
    RecordedAlert RecordAlert(const AcceptedAlert& alert, const std::string& utcTime, std::int64_t nowMs,
                              const std::vector<std::string>& targets);
    std::vector<RecordedAlert> Alerts(std::int64_t afterId, int limit);
    std::vector<RecordedAlert> LatestAlerts(int limit);
    std::vector<DeliveryState> Deliveries(std::int64_t alertId);

    std::vector<PendingDelivery> DueDeliveries(std::int64_t nowMs, int limit);
    // The earliest time a pending delivery falls due, if any is pending.
    std::optional<std::int64_t> NextDueMs();
    void MarkDelivered(std::int64_t alertId, const std::string& target, std::int64_t nowMs);
    void MarkRetry(std::int64_t alertId, const std::string& target, std::int64_t nowMs, std::int64_t nextMs,
                   const std::string& error);
    void MarkFailed(std::int64_t alertId, const std::string& target, std::int64_t nowMs, const std::string& error);
    OutboxCounts CountOutbox();

private:
    struct Closer {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    class Statement;

    [[noreturn]] void Fail();
    void Execute(const std::string& sql);
    template <typename Work>
    auto InTransaction(Work work);
    void Migrate();
    std::int64_t CountWhere(const std::string& sql);

    std::string path_;
    std::unique_ptr<sqlite3, Closer> db_;
    std::mutex mutex_;
};

}  // namespace sentrel::service
