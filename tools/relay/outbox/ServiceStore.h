#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "relay/outbox/DatabaseFileLook.h"
#include "relay/outbox/DeskTypes.h"

namespace sentrel::service {

// An alert as recorded: what the desk accepted, its id and its time. Area
// kSignInNotice marks the message that tells a newly bound phone it works.
struct RecordedAlert {
    static constexpr int kSignInNotice = 0;
    std::int64_t id = 0;
    std::string time;  // UTC, as UtcTimestamp writes it
    AcceptedAlert alert;
    std::int64_t acceptedMs = 0;
};

// Where one alert stands with one target.
struct DeliveryState {
    std::string target;
    enum class Stage { Pending, Delivered, Failed } stage = Stage::Pending;
    int attempts = 0;
    std::int64_t sinceMs = 0;  // the first failure, the delivery or the giving up
    std::string lastError;
};

// A phone bound at sign-in: the OpenId whose alerts go to the target.
struct Binding {
    std::string id;
    std::string openId;
    std::string target;
};

struct OutboxCounts {
    std::int64_t pending = 0, delivered = 0, failed = 0;
};

// The service's whole state in one SQLite database (WAL): the OpenIds handed
// out and whether each is online, every accepted alert, and the outbox of
// deliveries still owed. A committed write survives the process being
// killed. Safe to call from several threads.
//
// A database file that is removed, replaced, overwritten or truncated while
// in use, or whose write-ahead log is removed, would take every later write
// with it, unseen: around each write the store checks that its files are as
// it left them, and once they are not, says so on standard error and
// refuses every write from then on.
class ServiceStore {
public:
    // Opens or creates the database and brings its schema up to date.
    // Throws std::runtime_error, naming the file and the reason, when it
    // cannot be read and written.
    explicit ServiceStore(const std::string& path);

    static constexpr int kSchemaVersion = 5;

    enum class Admission { Added, Taken, Full };
    // How many OpenIds are kept, and which make way for a new one.
    struct Room {
        // At most this many from one client network; its least recently
        // seen makes way for its newest.
        std::size_t perNetwork;
        // At most this many in all; the one seen longest ago makes way, but
        // only if that was before keepSeenSinceMs.
        std::size_t inAll;
        std::int64_t keepSeenSinceMs;
    };
    // Adds the OpenId, signed in from the network, online and seen now;
    // Full when there is no room for it, and then nothing changes.
    Admission AddSubscriber(const std::string& openId, const std::string& network, const Room& room,
                            std::int64_t nowMs);
    bool KnowsSubscriber(const std::string& openId);
    // Also counts as seeing the OpenId; false when it is unknown.
    bool SetOnline(const std::string& openId, bool online, std::int64_t nowMs);
    std::int64_t SubscriberCount();
    std::int64_t OnlineCount();

    // Records the alert and one pending delivery per target, at once: the
    // targets given, to which the targets its sender bound are added; its
    // sender counts as seen.
    RecordedAlert RecordAlert(const AcceptedAlert& alert, const std::string& utcTime, std::int64_t nowMs,
                              const std::vector<std::string>& targets);
    // Binds the target to the OpenId, taking it from any binding it served,
    // and owes it the sign-in notice, which it returns.
    RecordedAlert BindPhone(const std::string& openId, const std::string& bindingId, const std::string& target,
                            const std::string& utcTime, std::int64_t nowMs);
    std::optional<Binding> FindBinding(const std::string& bindingId);
    std::optional<std::string> BindingIdOf(const std::string& target);
    // Removes the binding and gives up what its target is still owed; false
    // when there is no such binding.
    bool Unbind(const std::string& bindingId, std::int64_t nowMs);

    // Alerts, not sign-in notices, oldest first.
    std::vector<RecordedAlert> Alerts(std::int64_t afterId, int limit);
    // The latest alerts, of everyone or of one OpenId.
    std::vector<RecordedAlert> LatestAlerts(int limit, const std::optional<std::string>& openId = std::nullopt);
    std::vector<DeliveryState> Deliveries(std::int64_t alertId);

    // Every target still owed a delivery.
    std::vector<std::string> OwedTargets();
    // The oldest alert still owed to the target by each of up to `limit`
    // senders, who take turns: in OpenId order from the first after
    // `after`, round to the first again. A sender's backlog then holds up
    // another's alert by one delivery at most.
    std::vector<RecordedAlert> OwedTo(const std::string& target, int limit, const std::string& after = "");
    void MarkDelivered(std::int64_t alertId, const std::string& target, std::int64_t nowMs);
    void MarkRetry(std::int64_t alertId, const std::string& target, std::int64_t nowMs, std::int64_t nextMs,
                   const std::string& error);
    // Gives up every delivery still owed to the target for an alert
    // accepted before acceptedBeforeMs.
    void GiveUpOlder(const std::string& target, std::int64_t acceptedBeforeMs, std::int64_t nowMs,
                     const std::string& error);
    OutboxCounts CountOutbox();
    // Removes the oldest alerts accepted before acceptedBeforeMs, at most
    // `rows` of them, with their deliveries; says how many it removed.
    int PruneOlder(std::int64_t acceptedBeforeMs, int rows);

    // True once the files were found changed by someone else.
    bool Lost() const { return lost_; }
    // Moves everything in the write-ahead log into the database file and
    // empties the log, so that the file alone holds the state; every write
    // after is refused, so that it stays so until the process ends.
    void CheckpointAndStop();

private:
    struct Closer {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    class Statement;

    [[noreturn]] void Fail();
    void Execute(const std::string& sql);
    template <typename Work>
    auto InTransaction(Work work);
    template <typename Work>
    auto Write(Work work);
    void EnsureInPlace();
    // Why the files are not as the store left them; empty when they are.
    std::string Tampering();
    std::int64_t DataVersion();
    void Migrate();
    std::int64_t Tally(const char* name);
    bool KnowsOpenId(const std::string& openId);
    // The lowest id an alert accepted at or after sinceMs can have.
    std::int64_t FirstAlertSince(std::int64_t sinceMs);
    RecordedAlert Insert(const AcceptedAlert& alert, const std::string& utcTime, std::int64_t nowMs,
                         const std::vector<std::string>& targets);

    std::string path_;
    std::unique_ptr<sqlite3, Closer> db_;
    std::mutex mutex_;
    std::atomic<bool> lost_{false};
    bool stopped_ = false;
    // As SQLite's own automatic checkpoints.
    static constexpr int kCheckpointFrames = 1000;
    int framesInLog_ = 0;
    DatabaseFileLook look_;
    std::int64_t dataVersion_ = 0;
};

}  // namespace sentrel::service
