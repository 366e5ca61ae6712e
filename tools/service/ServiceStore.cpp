#include "ServiceStore.h"
#include "UtcTimestamp.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace sentrel::service {
namespace {

// Each entry takes the schema from the version before it to its own number
// (the first from an empty file to 1). Entries are only ever appended.
const char* const kMigrations[] = {
    "CREATE TABLE subscribers ("
    "  openid TEXT PRIMARY KEY,"
    "  online INTEGER NOT NULL DEFAULT 0,"
    "  seen_ms INTEGER NOT NULL);"
    // Which OpenId makes way when the table is full.
    "CREATE INDEX subscribers_eviction ON subscribers(online, seen_ms);"
    "CREATE TABLE alerts ("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  time TEXT NOT NULL,"
    "  accepted_ms INTEGER NOT NULL,"
    "  openid TEXT NOT NULL,"
    "  area INTEGER NOT NULL,"
    "  sjs INTEGER NOT NULL);"
    "CREATE TABLE deliveries ("
    "  alert_id INTEGER NOT NULL REFERENCES alerts(id),"
    "  target TEXT NOT NULL,"
    "  stage INTEGER NOT NULL DEFAULT 0,"  // 0 pending, 1 delivered, 2 failed
    "  attempts INTEGER NOT NULL DEFAULT 0,"
    "  next_ms INTEGER NOT NULL,"
    "  since_ms INTEGER NOT NULL DEFAULT 0,"
    "  last_error TEXT NOT NULL DEFAULT '',"
    "  PRIMARY KEY (alert_id, target));"
    "CREATE INDEX deliveries_due ON deliveries(stage, next_ms);",
};
static_assert(std::size(kMigrations) == ServiceStore::kSchemaVersion);

// A database holds OpenIds, which are all it takes to alert in someone's
// name: it is created readable by its owner only.
void CreatePrivately(const std::string& path) {
    const std::filesystem::path file(path);
    std::error_code ignored;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
}

}  // namespace

class ServiceStore::Statement {
public:
    Statement(ServiceStore& store, const char* sql) : store_(store) {
        if (sqlite3_prepare_v2(store.db_.get(), sql, -1, &statement_, nullptr) != SQLITE_OK) store.Fail();
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, std::int64_t value) {
        sqlite3_bind_int64(statement_, index, value);
        return *this;
    }
    Statement& Bind(int index, const std::string& value) {
        sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // True while a row is there to read.
    bool Step() {
        const int result = sqlite3_step(statement_);
        if (result == SQLITE_ROW) return true;
        if (result != SQLITE_DONE) store_.Fail();
        return false;
    }
    sqlite3_stmt* Raw() const { return statement_; }
    std::int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
    std::string Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return text == nullptr ? std::string()
                               : std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
    }

private:
    ServiceStore& store_;
    sqlite3_stmt* statement_ = nullptr;
};

ServiceStore::ServiceStore(const std::string& path) : path_(path) {
    CreatePrivately(path);
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    db_.reset(db);
    if (opened != SQLITE_OK) Fail();
    sqlite3_busy_timeout(db, 5000);
    {
        Statement journal(*this, "PRAGMA journal_mode=WAL");
        if (!journal.Step() || journal.Text(0) != "wal") {
            throw std::runtime_error("cannot use database " + path_ + ": it cannot be put in WAL mode");
        }
    }
    // In WAL mode, NORMAL keeps every commit through a crash of this
    // process; only a power cut may lose the last commits.
    Execute("PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON");
    {
        Statement check(*this, "PRAGMA quick_check");
        if (!check.Step() || check.Text(0) != "ok") {
            throw std::runtime_error("database " + path_ + " is damaged (" + check.Text(0) +
                                     "); move it aside to start afresh");
        }
    }
    Migrate();
}

void ServiceStore::Fail() {
    throw std::runtime_error("cannot use database " + path_ + ": " + sqlite3_errmsg(db_.get()));
}

void ServiceStore::Execute(const std::string& sql) {
    if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Fail();
}

template <typename Work>
auto ServiceStore::InTransaction(Work work) {
    Execute("BEGIN IMMEDIATE");
    try {
        auto result = work();
        Execute("COMMIT");
        return result;
    } catch (...) {
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void ServiceStore::Migrate() {
    InTransaction([this] {
        Statement read(*this, "PRAGMA user_version");
        read.Step();
        const auto version = read.Int(0);
        if (version > kSchemaVersion) {
            throw std::runtime_error("database " + path_ + " has schema version " + std::to_string(version) +
                                     ", newer than this sentrel-service knows (" + std::to_string(kSchemaVersion) +
                                     ")");
        }
        for (auto next = version; next < kSchemaVersion; ++next) {
            Execute(kMigrations[next]);
            Execute("PRAGMA user_version=" + std::to_string(next + 1));
        }
        return true;
    });
}

bool ServiceStore::AddSubscriber(const std::string& openId, std::size_t maxKnown) {
    const std::lock_guard lock(mutex_);
    return InTransaction([&] {
        if (Statement count(*this, "SELECT count(*) FROM subscribers");
            count.Step() && count.Int(0) >= static_cast<std::int64_t>(maxKnown)) {
            // Offline ones make way first, the longest unseen first.
            Statement evict(*this,
                            "DELETE FROM subscribers WHERE openid ="
                            " (SELECT openid FROM subscribers ORDER BY online, seen_ms LIMIT 1)");
            evict.Step();
        }
        Statement insert(*this, "INSERT OR IGNORE INTO subscribers(openid, online, seen_ms) VALUES (?, 1, ?)");
        insert.Bind(1, openId).Bind(2, EpochMilliseconds()).Step();
        return sqlite3_changes(db_.get()) == 1;
    });
}

bool ServiceStore::KnowsSubscriber(const std::string& openId) {
    const std::lock_guard lock(mutex_);
    Statement find(*this, "SELECT 1 FROM subscribers WHERE openid = ?");
    return find.Bind(1, openId).Step();
}

bool ServiceStore::SetOnline(const std::string& openId, bool online) {
    const std::lock_guard lock(mutex_);
    Statement update(*this, "UPDATE subscribers SET online = ?, seen_ms = ? WHERE openid = ?");
    update.Bind(1, online ? 1 : 0).Bind(2, EpochMilliseconds()).Bind(3, openId).Step();
    return sqlite3_changes(db_.get()) == 1;
}

std::int64_t ServiceStore::CountWhere(const std::string& sql) {
    const std::lock_guard lock(mutex_);
    Statement count(*this, sql.c_str());
    count.Step();
    return count.Int(0);
}

std::int64_t ServiceStore::SubscriberCount() { return CountWhere("SELECT count(*) FROM subscribers"); }

std::int64_t ServiceStore::OnlineCount() { return CountWhere("SELECT count(*) FROM subscribers WHERE online"); }

RecordedAlert ServiceStore::RecordAlert(const AcceptedAlert& alert, const std::string& utcTime, std::int64_t nowMs,
                                        const std::vector<std::string>& targets) {
    const std::lock_guard lock(mutex_);
    return InTransaction([&] {
        Statement insert(*this, "INSERT INTO alerts(time, accepted_ms, openid, area, sjs) VALUES (?, ?, ?, ?, ?)");
        insert.Bind(1, utcTime).Bind(2, nowMs).Bind(3, alert.openId).Bind(4, alert.area).Bind(5, alert.sjs).Step();
        const RecordedAlert recorded{sqlite3_last_insert_rowid(db_.get()), utcTime, alert};
        for (const std::string& target : targets) {
            Statement owe(*this, "INSERT INTO deliveries(alert_id, target, next_ms) VALUES (?, ?, ?)");
            owe.Bind(1, recorded.id).Bind(2, target).Bind(3, nowMs).Step();
        }
        return recorded;
    });
}

namespace {

constexpr const char* kAlertColumns = "id, time, openid, area, sjs";

template <typename Row>
RecordedAlert ReadAlert(const Row& row, int first = 0) {
    return {
        row.Int(first), row.Text(first + 1),
        AcceptedAlert{row.Text(first + 2), static_cast<int>(row.Int(first + 3)), static_cast<int>(row.Int(first + 4))}};
}

}  // namespace

std::vector<RecordedAlert> ServiceStore::Alerts(std::int64_t afterId, int limit) {
    const std::lock_guard lock(mutex_);
    Statement select(
        *this, (std::string("SELECT ") + kAlertColumns + " FROM alerts WHERE id > ? ORDER BY id LIMIT ?").c_str());
    select.Bind(1, afterId).Bind(2, limit);
    std::vector<RecordedAlert> alerts;
    while (select.Step()) alerts.push_back(ReadAlert(select));
    return alerts;
}

std::vector<RecordedAlert> ServiceStore::LatestAlerts(int limit) {
    const std::lock_guard lock(mutex_);
    Statement select(*this, (std::string("SELECT ") + kAlertColumns + " FROM alerts ORDER BY id DESC LIMIT ?").c_str());
    select.Bind(1, limit);
    std::vector<RecordedAlert> alerts;
    while (select.Step()) alerts.push_back(ReadAlert(select));
    return alerts;
}

std::vector<DeliveryState> ServiceStore::Deliveries(std::int64_t alertId) {
    const std::lock_guard lock(mutex_);
    Statement select(*this,
                     "SELECT target, stage, attempts, since_ms, last_error FROM deliveries"
                     " WHERE alert_id = ? ORDER BY rowid");
    select.Bind(1, alertId);
    std::vector<DeliveryState> states;
    while (select.Step()) {
        states.push_back({select.Text(0), static_cast<DeliveryState::Stage>(select.Int(1)),
                          static_cast<int>(select.Int(2)), select.Int(3), select.Text(4)});
    }
    return states;
}

std::vector<PendingDelivery> ServiceStore::DueDeliveries(std::int64_t nowMs, int limit) {
    const std::lock_guard lock(mutex_);
    Statement select(*this,
                     "SELECT a.id, a.time, a.openid, a.area, a.sjs, d.target, d.attempts, a.accepted_ms"
                     " FROM deliveries d JOIN alerts a ON a.id = d.alert_id"
                     " WHERE d.stage = 0 AND d.next_ms <= ? ORDER BY d.next_ms, a.id LIMIT ?");
    select.Bind(1, nowMs).Bind(2, limit);
    std::vector<PendingDelivery> due;
    while (select.Step()) {
        due.push_back({ReadAlert(select), select.Text(5), static_cast<int>(select.Int(6)), select.Int(7)});
    }
    return due;
}

std::optional<std::int64_t> ServiceStore::NextDueMs() {
    const std::lock_guard lock(mutex_);
    Statement select(*this, "SELECT min(next_ms) FROM deliveries WHERE stage = 0");
    if (!select.Step() || sqlite3_column_type(select.Raw(), 0) == SQLITE_NULL) return std::nullopt;
    return select.Int(0);
}

void ServiceStore::MarkDelivered(std::int64_t alertId, const std::string& target, std::int64_t nowMs) {
    const std::lock_guard lock(mutex_);
    Statement update(*this,
                     "UPDATE deliveries SET stage = 1, attempts = attempts + 1, since_ms = ?"
                     " WHERE alert_id = ? AND target = ?");
    update.Bind(1, nowMs).Bind(2, alertId).Bind(3, target).Step();
}

void ServiceStore::MarkRetry(std::int64_t alertId, const std::string& target, std::int64_t nowMs, std::int64_t nextMs,
                             const std::string& error) {
    const std::lock_guard lock(mutex_);
    Statement update(*this,
                     "UPDATE deliveries SET attempts = attempts + 1, next_ms = ?, last_error = ?,"
                     " since_ms = CASE WHEN attempts = 0 THEN ? ELSE since_ms END"
                     " WHERE alert_id = ? AND target = ?");
    update.Bind(1, nextMs).Bind(2, error).Bind(3, nowMs).Bind(4, alertId).Bind(5, target).Step();
}

void ServiceStore::MarkFailed(std::int64_t alertId, const std::string& target, std::int64_t nowMs,
                              const std::string& error) {
    const std::lock_guard lock(mutex_);
    Statement update(*this,
                     "UPDATE deliveries SET stage = 2, attempts = attempts + 1, since_ms = ?, last_error = ?"
                     " WHERE alert_id = ? AND target = ?");
    update.Bind(1, nowMs).Bind(2, error).Bind(3, alertId).Bind(4, target).Step();
}

OutboxCounts ServiceStore::CountOutbox() {
    const std::lock_guard lock(mutex_);
    Statement select(*this, "SELECT stage, count(*) FROM deliveries GROUP BY stage");
    OutboxCounts counts;
    while (select.Step()) {
        std::int64_t* slot[] = {&counts.pending, &counts.delivered, &counts.failed};
        if (const auto stage = select.Int(0); stage >= 0 && stage <= 2) *slot[stage] = select.Int(1);
    }
    return counts;
}

}  // namespace sentrel::service
