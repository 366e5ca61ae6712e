#include "relay/outbox/ServiceStore.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "relay/outbox/DatabaseFileLook.h"
#include "relay/system/PrivateFiles.h"
#include "relay/system/RelayLog.h"
#include "relay/system/Utf8Path.h"

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
    // Only OpenIds long unseen make way; each target is served on its own.
    "DROP INDEX subscribers_eviction;"
    "CREATE INDEX subscribers_seen ON subscribers(seen_ms);"
    "DROP INDEX deliveries_due;"
    "CREATE INDEX deliveries_owed ON deliveries(target, stage, alert_id);",
    // Phones bound at sign-in; a target serves one binding at a time.
    "CREATE TABLE bindings ("
    "  id TEXT PRIMARY KEY,"
    "  openid TEXT NOT NULL,"
    "  target TEXT NOT NULL UNIQUE);"
    "CREATE INDEX bindings_openid ON bindings(openid);"
    "CREATE INDEX alerts_openid ON alerts(openid, id);",
    // A target's queue is taken in turns by sender, so each delivery names
    // the OpenId it is from.
    "ALTER TABLE deliveries ADD COLUMN openid TEXT NOT NULL DEFAULT '';"
    "UPDATE deliveries SET openid = (SELECT openid FROM alerts WHERE id = alert_id);"
    "CREATE INDEX deliveries_senders ON deliveries(target, stage, openid, alert_id);",
    // The network each OpenId was signed in from (NULL for those signed in
    // before), which bounds how many one network holds; and the counts the
    // status shows, kept as rows change so that showing them scans nothing.
    "ALTER TABLE subscribers ADD COLUMN network TEXT;"
    "CREATE INDEX subscribers_network ON subscribers(network, seen_ms);"
    "CREATE TABLE tallies (name TEXT PRIMARY KEY, n INTEGER NOT NULL) WITHOUT ROWID;"
    "INSERT INTO tallies VALUES"
    "  ('subscribers', (SELECT count(*) FROM subscribers)),"
    "  ('online', (SELECT count(*) FROM subscribers WHERE online)),"
    "  ('stage0', (SELECT count(*) FROM deliveries WHERE stage = 0)),"
    "  ('stage1', (SELECT count(*) FROM deliveries WHERE stage = 1)),"
    "  ('stage2', (SELECT count(*) FROM deliveries WHERE stage = 2));"
    "CREATE TRIGGER subscriber_added AFTER INSERT ON subscribers BEGIN"
    "  UPDATE tallies SET n = n + 1 WHERE name = 'subscribers';"
    "  UPDATE tallies SET n = n + 1 WHERE name = 'online' AND new.online; END;"
    "CREATE TRIGGER subscriber_removed AFTER DELETE ON subscribers BEGIN"
    "  UPDATE tallies SET n = n - 1 WHERE name = 'subscribers';"
    "  UPDATE tallies SET n = n - 1 WHERE name = 'online' AND old.online; END;"
    "CREATE TRIGGER subscriber_online AFTER UPDATE OF online ON subscribers WHEN old.online <> new.online BEGIN"
    "  UPDATE tallies SET n = n + new.online - old.online WHERE name = 'online'; END;"
    "CREATE TRIGGER delivery_added AFTER INSERT ON deliveries BEGIN"
    "  UPDATE tallies SET n = n + 1 WHERE name = 'stage' || new.stage; END;"
    "CREATE TRIGGER delivery_removed AFTER DELETE ON deliveries BEGIN"
    "  UPDATE tallies SET n = n - 1 WHERE name = 'stage' || old.stage; END;"
    "CREATE TRIGGER delivery_moved AFTER UPDATE OF stage ON deliveries WHEN old.stage <> new.stage BEGIN"
    "  UPDATE tallies SET n = n - 1 WHERE name = 'stage' || old.stage;"
    "  UPDATE tallies SET n = n + 1 WHERE name = 'stage' || new.stage; END;",
};
static_assert(std::size(kMigrations) == ServiceStore::kSchemaVersion);

// A database holds OpenIds, which are all it takes to alert in someone's
// name: it is created readable by its owner only. A file or folder that
// cannot be written stops the start here, with the reason; SQLite would
// open such a file read-only without a word and fail every write later.
void CreatePrivately(const std::string& path) {
    const std::filesystem::path folder = PathFromUtf8(path).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::create_directories(folder, error) && error) {
        throw std::runtime_error("cannot make the folder of database " + path + ": " + error.message());
    }
    AppendPrivately(path);
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
    // Checkpoints are the store's own, after each write has been checked
    // (see Write): the file changes at no other time.
    sqlite3_wal_hook(
        db,
        [](void* frames, sqlite3*, const char*, int inLog) {
            *static_cast<int*>(frames) = inLog;
            return SQLITE_OK;
        },
        &framesInLog_);
    look_ = DatabaseFileLook::Of(path_);
    dataVersion_ = DataVersion();
}

void ServiceStore::Fail() {
    std::string reason = sqlite3_errmsg(db_.get());
    if (const int code = sqlite3_system_errno(db_.get()); code != 0)
        reason += std::string(" (") + std::strerror(code) + ")";
    throw std::runtime_error("cannot use database " + path_ + ": " + reason);
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

// Checked before the write, so that nothing goes into a file that is no
// longer the one read at start, and after it, so that nothing is
// acknowledged that a tampering during the write took.
template <typename Work>
auto ServiceStore::Write(Work work) {
    if (stopped_) throw std::runtime_error("the service is stopping");
    EnsureInPlace();
    auto result = InTransaction(work);
    EnsureInPlace();
    if (framesInLog_ >= kCheckpointFrames) {
        sqlite3_wal_checkpoint_v2(db_.get(), "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        look_ = DatabaseFileLook::Of(path_);
    }
    return result;
}

std::int64_t ServiceStore::DataVersion() {
    Statement read(*this, "PRAGMA data_version");
    read.Step();
    return read.Int(0);
}

std::string ServiceStore::Tampering() {
    int moved = 0;
    // Windows' file layer cannot tell, and need not: there a database in
    // use can be neither deleted nor renamed.
    if (sqlite3_file_control(db_.get(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved) {
        return "was removed or replaced";
    }
    const DatabaseFileLook look = DatabaseFileLook::Of(path_);
    if (!look.logThere) return "lost its write-ahead log (" + path_ + "-wal)";
    if (look == look_) return {};
    // Another program's SQLite may checkpoint the file, and then it has
    // committed too.
    if (const std::int64_t version = DataVersion(); version != dataVersion_) {
        dataVersion_ = version;
        look_ = look;
        return {};
    }
    return "was overwritten or truncated by another program";
}

void ServiceStore::EnsureInPlace() {
    if (lost_) throw std::runtime_error("database " + path_ + " was changed under the service");
    const std::string tampering = Tampering();
    if (tampering.empty()) return;
    lost_ = true;
    // Closing would otherwise checkpoint into whatever file is there now.
    sqlite3_db_config(db_.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    // With the file itself as the store left it, what a removed log held
    // can still be moved into the file from the log this process has open.
    DatabaseFileLook look = DatabaseFileLook::Of(path_);
    look.logThere = true;
    const bool kept = look == look_ && sqlite3_wal_checkpoint_v2(db_.get(), "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr,
                                                                 nullptr) == SQLITE_OK;
    Tell("database " + path_ + " " + tampering + " while in use; no alert or sign-in is taken from now on" +
         (kept ? " (what was taken is kept in the file)" : "") + ". Restart the service.");
    throw std::runtime_error("database " + path_ + " " + tampering);
}

void ServiceStore::CheckpointAndStop() {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
    if (lost_) return;
    if (sqlite3_wal_checkpoint_v2(db_.get(), "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) != SQLITE_OK) {
        Fail();
    }
}

void ServiceStore::Migrate() {
    InTransaction([this] {
        // Read, and done with, before the migrations: an index cannot be
        // dropped while a statement is still open.
        const auto version = [this] {
            Statement read(*this, "PRAGMA user_version");
            read.Step();
            return read.Int(0);
        }();
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

ServiceStore::Admission ServiceStore::AddSubscriber(const std::string& openId, const std::string& network,
                                                    const Room& room, std::int64_t nowMs) {
    const std::lock_guard lock(mutex_);
    return Write([&] {
        if (KnowsOpenId(openId)) return Admission::Taken;
        const auto leastSeen = [&](const char* sql, const auto& value) -> std::optional<std::string> {
            Statement oldest(*this, sql);
            if (!oldest.Bind(1, value).Step()) return std::nullopt;
            return oldest.Text(0);
        };
        Statement held(*this, "SELECT count(*) FROM subscribers WHERE network = ?");
        held.Bind(1, network).Step();
        std::optional<std::string> evicted;
        if (held.Int(0) >= static_cast<std::int64_t>(room.perNetwork)) {
            evicted = leastSeen("SELECT openid FROM subscribers WHERE network = ? ORDER BY seen_ms LIMIT 1", network);
        } else if (Tally("subscribers") >= static_cast<std::int64_t>(room.inAll)) {
            evicted = leastSeen("SELECT openid FROM subscribers WHERE seen_ms < ? ORDER BY seen_ms LIMIT 1",
                                room.keepSeenSinceMs);
            if (!evicted) return Admission::Full;
        }
        if (evicted) {
            for (const char* sql :
                 {"DELETE FROM subscribers WHERE openid = ?", "DELETE FROM bindings WHERE openid = ?"}) {
                Statement evict(*this, sql);
                evict.Bind(1, *evicted).Step();
            }
        }
        Statement insert(*this, "INSERT INTO subscribers(openid, online, seen_ms, network) VALUES (?, 1, ?, ?)");
        insert.Bind(1, openId).Bind(2, nowMs).Bind(3, network).Step();
        return Admission::Added;
    });
}

bool ServiceStore::KnowsOpenId(const std::string& openId) {
    Statement find(*this, "SELECT 1 FROM subscribers WHERE openid = ?");
    return find.Bind(1, openId).Step();
}

bool ServiceStore::KnowsSubscriber(const std::string& openId) {
    const std::lock_guard lock(mutex_);
    return KnowsOpenId(openId);
}

bool ServiceStore::SetOnline(const std::string& openId, bool online, std::int64_t nowMs) {
    const std::lock_guard lock(mutex_);
    return Write([&] {
        Statement update(*this, "UPDATE subscribers SET online = ?, seen_ms = ? WHERE openid = ?");
        update.Bind(1, online ? 1 : 0).Bind(2, nowMs).Bind(3, openId).Step();
        return sqlite3_changes(db_.get()) == 1;
    });
}

std::int64_t ServiceStore::Tally(const char* name) {
    Statement read(*this, "SELECT n FROM tallies WHERE name = ?");
    read.Bind(1, std::string(name)).Step();
    return read.Int(0);
}

std::int64_t ServiceStore::SubscriberCount() {
    const std::lock_guard lock(mutex_);
    return Tally("subscribers");
}

std::int64_t ServiceStore::OnlineCount() {
    const std::lock_guard lock(mutex_);
    return Tally("online");
}

RecordedAlert ServiceStore::Insert(const AcceptedAlert& alert, const std::string& utcTime, std::int64_t nowMs,
                                   const std::vector<std::string>& targets) {
    Statement insert(*this, "INSERT INTO alerts(time, accepted_ms, openid, area, sjs) VALUES (?, ?, ?, ?, ?)");
    insert.Bind(1, utcTime).Bind(2, nowMs).Bind(3, alert.openId).Bind(4, alert.area).Bind(5, alert.sjs).Step();
    const RecordedAlert recorded{sqlite3_last_insert_rowid(db_.get()), utcTime, alert, nowMs};
    for (const std::string& target : targets) {
        Statement owe(*this, "INSERT INTO deliveries(alert_id, target, next_ms, openid) VALUES (?, ?, ?, ?)");
        owe.Bind(1, recorded.id).Bind(2, target).Bind(3, nowMs).Bind(4, alert.openId).Step();
    }
    return recorded;
}

RecordedAlert ServiceStore::RecordAlert(const AcceptedAlert& alert, const std::string& utcTime, std::int64_t nowMs,
                                        const std::vector<std::string>& targets) {
    const std::lock_guard lock(mutex_);
    return Write([&] {
        Statement seen(*this, "UPDATE subscribers SET seen_ms = ? WHERE openid = ?");
        seen.Bind(1, nowMs).Bind(2, alert.openId).Step();
        // Read in the same transaction, so that a binding removed a moment
        // ago is owed nothing.
        std::vector<std::string> owed = targets;
        Statement bound(*this, "SELECT target FROM bindings WHERE openid = ?");
        bound.Bind(1, alert.openId);
        while (bound.Step()) {
            if (std::ranges::find(owed, bound.Text(0)) == owed.end()) owed.push_back(bound.Text(0));
        }
        return Insert(alert, utcTime, nowMs, owed);
    });
}

RecordedAlert ServiceStore::BindPhone(const std::string& openId, const std::string& bindingId,
                                      const std::string& target, const std::string& utcTime, std::int64_t nowMs) {
    const std::lock_guard lock(mutex_);
    return Write([&] {
        Statement bind(*this, "INSERT OR REPLACE INTO bindings(id, openid, target) VALUES (?, ?, ?)");
        bind.Bind(1, bindingId).Bind(2, openId).Bind(3, target).Step();
        return Insert(AcceptedAlert{openId, RecordedAlert::kSignInNotice, 0}, utcTime, nowMs, {target});
    });
}

std::optional<Binding> ServiceStore::FindBinding(const std::string& bindingId) {
    const std::lock_guard lock(mutex_);
    Statement find(*this, "SELECT openid, target FROM bindings WHERE id = ?");
    if (!find.Bind(1, bindingId).Step()) return std::nullopt;
    return Binding{bindingId, find.Text(0), find.Text(1)};
}

std::optional<std::string> ServiceStore::BindingIdOf(const std::string& target) {
    const std::lock_guard lock(mutex_);
    Statement find(*this, "SELECT id FROM bindings WHERE target = ?");
    if (!find.Bind(1, target).Step()) return std::nullopt;
    return find.Text(0);
}

bool ServiceStore::Unbind(const std::string& bindingId, std::int64_t nowMs) {
    const std::lock_guard lock(mutex_);
    return Write([&] {
        Statement find(*this, "SELECT target FROM bindings WHERE id = ?");
        if (!find.Bind(1, bindingId).Step()) return false;
        const std::string target = find.Text(0);
        Statement remove(*this, "DELETE FROM bindings WHERE id = ?");
        remove.Bind(1, bindingId).Step();
        Statement giveUp(*this,
                         "UPDATE deliveries SET stage = 2, since_ms = ?, last_error = 'binding removed'"
                         " WHERE target = ? AND stage = 0");
        giveUp.Bind(1, nowMs).Bind(2, target).Step();
        return true;
    });
}

namespace {

constexpr const char* kAlertColumns = "id, time, openid, area, sjs, accepted_ms";

template <typename Row>
RecordedAlert ReadAlert(const Row& row) {
    return {row.Int(0), row.Text(1),
            AcceptedAlert{row.Text(2), static_cast<int>(row.Int(3)), static_cast<int>(row.Int(4))}, row.Int(5)};
}

}  // namespace

std::vector<RecordedAlert> ServiceStore::Alerts(std::int64_t afterId, int limit) {
    const std::lock_guard lock(mutex_);
    Statement select(
        *this, (std::string("SELECT ") + kAlertColumns + " FROM alerts WHERE id > ? AND area > 0 ORDER BY id LIMIT ?")
                   .c_str());
    select.Bind(1, afterId).Bind(2, limit);
    std::vector<RecordedAlert> alerts;
    while (select.Step()) alerts.push_back(ReadAlert(select));
    return alerts;
}

std::vector<RecordedAlert> ServiceStore::LatestAlerts(int limit, const std::optional<std::string>& openId) {
    const std::lock_guard lock(mutex_);
    Statement select(*this, (std::string("SELECT ") + kAlertColumns +
                             " FROM alerts WHERE area > 0 AND (?1 IS NULL OR openid = ?1) ORDER BY id DESC LIMIT ?2")
                                .c_str());
    if (openId) select.Bind(1, *openId);
    select.Bind(2, limit);
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

std::vector<std::string> ServiceStore::OwedTargets() {
    const std::lock_guard lock(mutex_);
    Statement select(*this, "SELECT DISTINCT target FROM deliveries WHERE stage = 0");
    std::vector<std::string> targets;
    while (select.Step()) targets.push_back(select.Text(0));
    return targets;
}

// The senders are found by skipping through the index from one OpenId to
// the next: the work grows with the batch, not with how much is owed or by
// how many.
std::vector<RecordedAlert> ServiceStore::OwedTo(const std::string& target, int limit, const std::string& after) {
    const std::lock_guard lock(mutex_);
    Statement select(*this,
                     "WITH RECURSIVE ring(openid, turn) AS ("
                     "  SELECT ?3, 0"
                     "  UNION ALL"
                     "  SELECT coalesce("
                     "   (SELECT min(openid) FROM deliveries WHERE target = ?1 AND stage = 0 AND openid > r.openid),"
                     "   (SELECT min(openid) FROM deliveries WHERE target = ?1 AND stage = 0)), turn + 1"
                     "  FROM ring r WHERE turn < ?2 AND r.openid IS NOT NULL),"
                     " senders(openid, turn) AS ("
                     "  SELECT openid, min(turn) FROM ring WHERE turn > 0 AND openid IS NOT NULL GROUP BY openid)"
                     " SELECT a.id, a.time, a.openid, a.area, a.sjs, a.accepted_ms FROM senders s JOIN alerts a"
                     " ON a.id = (SELECT min(alert_id) FROM deliveries"
                     "  WHERE target = ?1 AND stage = 0 AND openid = s.openid)"
                     " ORDER BY s.turn");
    select.Bind(1, target).Bind(2, limit).Bind(3, after);
    std::vector<RecordedAlert> owed;
    while (select.Step()) owed.push_back(ReadAlert(select));
    return owed;
}

void ServiceStore::MarkDelivered(std::int64_t alertId, const std::string& target, std::int64_t nowMs) {
    const std::lock_guard lock(mutex_);
    Write([&] {
        Statement update(*this,
                         "UPDATE deliveries SET stage = 1, attempts = attempts + 1, since_ms = ?"
                         " WHERE alert_id = ? AND target = ?");
        return update.Bind(1, nowMs).Bind(2, alertId).Bind(3, target).Step();
    });
}

void ServiceStore::MarkRetry(std::int64_t alertId, const std::string& target, std::int64_t nowMs, std::int64_t nextMs,
                             const std::string& error) {
    const std::lock_guard lock(mutex_);
    Write([&] {
        Statement update(*this,
                         "UPDATE deliveries SET attempts = attempts + 1, next_ms = ?, last_error = ?,"
                         " since_ms = CASE WHEN attempts = 0 THEN ? ELSE since_ms END"
                         " WHERE alert_id = ? AND target = ?");
        return update.Bind(1, nextMs).Bind(2, error).Bind(3, nowMs).Bind(4, alertId).Bind(5, target).Step();
    });
}

// Alerts' ids grow with their time, so the first alert at or after a moment
// is found by halving the range of ids, a few lookups by id instead of a
// scan. Should the system clock be set back, alerts around that moment are
// taken as a little older or younger than they are.
std::int64_t ServiceStore::FirstAlertSince(std::int64_t sinceMs) {
    std::int64_t low = 0, high = [this] {
        Statement last(*this, "SELECT coalesce(max(id), 0) + 1 FROM alerts");
        last.Step();
        return last.Int(0);
    }();
    // Every alert below `low` is older, every one from `high` on is not.
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        Statement next(*this, "SELECT id, accepted_ms FROM alerts WHERE id >= ? ORDER BY id LIMIT 1");
        if (!next.Bind(1, middle).Step() || next.Int(1) >= sinceMs) {
            high = middle;
        } else {
            low = next.Int(0) + 1;
        }
    }
    return low;
}

void ServiceStore::GiveUpOlder(const std::string& target, std::int64_t acceptedBeforeMs, std::int64_t nowMs,
                               const std::string& error) {
    const std::lock_guard lock(mutex_);
    Write([&] {
        Statement update(*this,
                         "UPDATE deliveries SET stage = 2, since_ms = ?, last_error = ?"
                         " WHERE target = ? AND stage = 0 AND alert_id < ?");
        return update.Bind(1, nowMs).Bind(2, error).Bind(3, target).Bind(4, FirstAlertSince(acceptedBeforeMs)).Step();
    });
}

int ServiceStore::PruneOlder(std::int64_t acceptedBeforeMs, int rows) {
    const std::lock_guard lock(mutex_);
    return Write([&] {
        const std::int64_t cut = FirstAlertSince(acceptedBeforeMs);
        // Deliveries first: each refers to its alert.
        for (const char* table : {"deliveries WHERE alert_id", "alerts WHERE id"}) {
            Statement remove(*this, (std::string("DELETE FROM ") + table +
                                     " IN (SELECT id FROM alerts WHERE id < ? ORDER BY id LIMIT ?)")
                                        .c_str());
            remove.Bind(1, cut).Bind(2, rows).Step();
        }
        return sqlite3_changes(db_.get());
    });
}

OutboxCounts ServiceStore::CountOutbox() {
    const std::lock_guard lock(mutex_);
    return {Tally("stage0"), Tally("stage1"), Tally("stage2")};
}

}  // namespace sentrel::service
