// The built sentrel-service under load and under attack, in one run: how
// many alerts a second it accepts (and records in SQLite) from keep-alive
// clients; how long GET /status on a fresh connection waits, alone and while
// three other addresses hold idle, trickling and flooding connections open;
// how long the tool's own alert waits beside each attack one client can make
// within the limits, and how fast the request log grows meanwhile; and the
// service's resident memory all along. SENTREL_SERVICE_UNDER_TEST names
// another build's binary, to compare the two.
#include <poll.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "client/AlertSignature.h"
#include "support/LoopbackClient.h"
#include "support/ResidentMemory.h"
#include "support/ServiceProcess.h"
#include "support/TempDatabase.h"

using namespace sentrel;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::LoopbackClient;

namespace {

constexpr int kClientThreads = 8;
constexpr int kAlerts = 20000;
constexpr int kLowestSjs = 11111;
constexpr int kSjsValues = 10000;
constexpr int kAreas = 20;
// The service takes at most 60 alerts a minute from one OpenId and 10
// sign-ins a minute from one address: the alerts come from this many
// OpenIds, signed in from addresses of their own ten at a time.
constexpr int kSenders = 400;
constexpr int kSignInsPerAddress = 10;
constexpr const char* kStandingCode = "4321";
constexpr double kGoalAlertsPerSecond = 2000;
constexpr long kGoalResidentKiB = 64 * 1024;

constexpr int kStatusRequests = 300;
// Spreads the requests over the idle time-out and the head deadline.
constexpr auto kStatusPause = 50ms;
constexpr auto kStatusLimit = 5s;
constexpr auto kAttackLongest = 60s;
constexpr const char* kAttackers[] = {"127.0.0.2", "127.0.0.3", "127.0.0.4"};
constexpr int kIdle = 500;
constexpr int kTrickling = 150;
constexpr int kHeaderFloods = 8;
constexpr auto kTricklePause = 3s;
constexpr std::size_t kFloodBytes = 64 * 1024 * 1024;
// A connection the service ended is opened again, at most this often.
constexpr auto kReopenPause = 1s;

// The tool's alerts beside each attack: few enough a phase for one OpenId's
// quota, which a phase signs in afresh for.
constexpr int kToolAlerts = 40;
constexpr auto kToolPause = 250ms;
constexpr auto kPhase = kToolAlerts * kToolPause;
constexpr int kSlowFromOne = 32;
constexpr int kSlowAddresses = 16;
constexpr int kFloodThreads = 4;
constexpr const char* kFlooder = "127.0.0.5";

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Mebibytes(long kibibytes) { return static_cast<double>(kibibytes) / 1024; }

std::string Post(const std::string& target) {
    return "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n";
}

std::string AlertPost(const std::string& openId, int sjs, const std::string& signature, int area) {
    return Post("/alertdesk/sndmsg.asp?openid=" + openId + "&sjs=" + std::to_string(sjs) + "&code=" + signature +
                "&str=" + std::to_string(area));
}

// A new OpenId, signed in with the standing code.
std::string SignIn(int port, const std::string& from = "127.0.0.1") {
    LoopbackClient client(port, from);
    client.Send(Post(std::string("/alertdesk/yzm_check.asp?code=") + kStandingCode));
    const auto openId = client.Receive();
    if (!openId || openId->status != 200 || openId->body.size() != 28) throw std::runtime_error("no sign-in");
    return openId->body;
}

// The highest VmRSS of one process, sampled every 20 ms until it goes.
class ResidentWatch {
public:
    explicit ResidentWatch(int pid)
        : sampler_([this, pid] {
              while (!stopping_) {
                  peak_ = std::max(peak_.load(), testing::ResidentKiB(pid));
                  std::this_thread::sleep_for(20ms);
              }
          }) {}
    ~ResidentWatch() {
        stopping_ = true;
        sampler_.join();
    }
    // The peak since the last call.
    long TakePeak() { return peak_.exchange(0); }

private:
    std::atomic<long> peak_{0};
    std::atomic<bool> stopping_{false};
    std::thread sampler_;
};

struct Throughput {
    int accepted = 0;
    int refused = 0;
    double seconds = 0;
    long journalLines = 0;
    long historyLines = 0;
    long peakKiB = 0;
};

// Lines that `--history` prints for the database: one per recorded alert.
long HistoryLines(const std::string& binary, const std::string& database) {
    std::FILE* history = ::popen((binary + " --history --db '" + database + "'").c_str(), "r");
    if (history == nullptr) return -1;
    long lines = 0;
    for (int c = 0; (c = std::fgetc(history)) != EOF;) lines += c == '\n';
    return ::pclose(history) == 0 ? lines : -1;
}

Throughput MeasureAlertsPerSecond(const std::string& binary) {
    testing::TempDatabase database;
    Throughput result;
    {
        testing::ServiceProcess service({"--code", kStandingCode, "--db", database.Path()});
        ResidentWatch memory(service.Process().Pid());
        // Senders from several addresses: one address holds only so many
        // OpenIds, and each OpenId may send only so many alerts a minute.
        std::vector<std::string> openIds;
        for (int i = 0; i < kSenders; ++i) {
            openIds.push_back(SignIn(service.Port(), "127.0.2." + std::to_string(1 + i / kSignInsPerAddress)));
        }
        // Built beforehand, so that the clients spend their time on HTTP
        // rather than on SHA-1, on a machine they share with the service.
        std::vector<std::string> signatures(kSjsValues);
        for (int i = 0; i < kSjsValues; ++i) signatures[i] = AlertSignature(kLowestSjs + i);
        std::vector<std::string> requests(kAlerts);
        for (int i = 0; i < kAlerts; ++i) {
            requests[i] = AlertPost(openIds[i % kSenders], kLowestSjs + i % kSjsValues, signatures[i % kSjsValues],
                                    1 + i % kAreas);
        }
        std::atomic<int> accepted{0}, refused{0};
        std::vector<std::thread> clients;
        const auto start = Clock::now();
        for (int t = 0; t < kClientThreads; ++t) {
            clients.emplace_back([&, t] {
                std::optional<LoopbackClient> client;
                for (int i = t; i < kAlerts; i += kClientThreads) {
                    std::optional<LoopbackClient::Reply> reply;
                    // Once more on a fresh connection when the service had
                    // closed the last one (after so many requests, say).
                    for (int attempt = 0; attempt < 2 && !reply; ++attempt) {
                        if (!client || attempt > 0) client.emplace(service.Port());
                        reply = client->Send(requests[i]) ? client->Receive() : std::nullopt;
                    }
                    (reply && reply->status == 200 && reply->body == "ok" ? accepted : refused)++;
                }
            });
        }
        for (std::thread& client : clients) client.join();
        result.seconds = MillisecondsSince(start) / 1000;
        result.accepted = accepted;
        result.refused = refused;
        // The journal lines may trail the replies by a moment.
        const auto deadline = Clock::now() + 10s;
        do {
            result.journalLines = static_cast<long>(service.Process().Lines(testing::ChildProcess::Stream::Out).size());
        } while (result.journalLines < result.accepted && Clock::now() < deadline &&
                 (std::this_thread::sleep_for(20ms), true));
        result.peakKiB = memory.TakePeak();
    }
    result.historyLines = HistoryLines(binary, database.Path());
    return result;
}

// Connections that ask for nothing, send a head a byte every three seconds,
// or send header lines without end, run on a thread of their own. Whatever
// the service ends is opened again.
class Attack {
public:
    enum class Kind { Idle, Trickling, HeaderFlood };
    struct Attacker {
        Kind kind;
        const char* from;
    };

    Attack(int port, const std::vector<Attacker>& attackers) : port_(port) {
        for (const auto& [kind, from] : attackers) members_.push_back({kind, from});
        thread_ = std::thread([this] { Run(); });
    }
    ~Attack() {
        stopping_ = true;
        thread_.join();
    }
    // Once every attacker has had its first try.
    void WaitUntilOpened() const {
        while (opened_ < static_cast<int>(members_.size())) std::this_thread::sleep_for(10ms);
    }
    int Opened() const { return opened_; }
    int Ended() const { return ended_; }
    std::size_t FloodBytes() const { return floodBytes_; }

private:
    struct Member {
        Kind kind;
        const char* from;
        std::optional<LoopbackClient> connection{};
        Clock::time_point opened{}, lastByte{};
        std::size_t sent = 0;
    };

    void Run() {
        const std::string head = "GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
        std::string flood;
        while (flood.size() < 64 * 1024) flood += "X-Flood: " + std::string(60, 'f') + "\r\n";
        while (!stopping_) {
            const auto now = Clock::now();
            std::vector<pollfd> ready;
            for (Member& member : members_) {
                if (!member.connection && now - member.opened >= kReopenPause) {
                    member.connection.emplace(port_, member.from);
                    member.opened = member.lastByte = now;
                    member.sent = 0;
                    ++opened_;
                }
                if (!member.connection) continue;
                LoopbackClient& connection = *member.connection;
                if (member.kind == Kind::Trickling && (member.sent == 0 || now - member.lastByte >= kTricklePause)) {
                    const char byte = member.sent < head.size() ? head[member.sent] : 'a';
                    member.sent += connection.Send(std::string_view(&byte, 1), false);
                    member.lastByte = now;
                } else if (member.kind == Kind::HeaderFlood && member.sent < kFloodBytes) {
                    const std::string_view piece = member.sent == 0 ? std::string_view(head) : flood;
                    if (connection.Send(piece, false)) {
                        member.sent += piece.size();
                        floodBytes_ += piece.size();
                    }
                }
                ready.push_back({connection.Fd(), POLLIN, 0});
            }
            ::poll(ready.data(), ready.size(), 10);
            std::size_t k = 0;
            for (Member& member : members_) {
                if (!member.connection) continue;
                const pollfd& seen = ready[k++];
                if (seen.revents != 0 && member.connection->ClosedWithin(0ms)) {
                    member.connection.reset();
                    ++ended_;
                }
            }
        }
    }

    const int port_;
    std::vector<Member> members_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> opened_{0}, ended_{0};
    std::atomic<std::size_t> floodBytes_{0};
    std::thread thread_;
};

struct Latency {
    int attempts = 0, failed = 0;
    double p50 = 0, p99 = 0, max = 0;
};

// The request on a fresh connection every `pause`, from 127.0.0.1, until
// `most` are done or the time is up; one not answered 200 within
// kStatusLimit counts as that long, and failed.
Latency TimeFresh(int port, const std::string& request, int most, std::chrono::milliseconds pause,
                  std::chrono::milliseconds longest) {
    std::vector<double> times;
    Latency result;
    const auto start = Clock::now();
    while (result.attempts < most && Clock::now() - start < longest) {
        std::this_thread::sleep_until(start + result.attempts * pause);
        const auto before = Clock::now();
        LoopbackClient client(port);
        const auto reply = client.Send(request) ? client.Receive(kStatusLimit) : std::nullopt;
        ++result.attempts;
        const bool ok = reply && reply->status == 200;
        result.failed += !ok;
        times.push_back(ok ? MillisecondsSince(before)
                           : std::chrono::duration<double, std::milli>(kStatusLimit).count());
    }
    std::sort(times.begin(), times.end());
    const auto at = [&times](double fraction) {
        return times[static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(times.size()))) - 1];
    };
    result.p50 = at(0.50);
    result.p99 = at(0.99);
    result.max = times.back();
    return result;
}

Latency TimeFreshStatus(int port) {
    return TimeFresh(port, "GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n", kStatusRequests,
                     kStatusPause, kAttackLongest);
}

// One request over and over on keep-alive connections from one address,
// from threads of their own, counting the answers by status (0: none).
class KeepAliveFlood {
public:
    KeepAliveFlood(int port, const std::string& from, const std::string& request) {
        for (int t = 0; t < kFloodThreads; ++t) {
            threads_.emplace_back([this, port, from, request] {
                std::optional<LoopbackClient> client;
                std::map<int, long> answers;
                while (!stopping_) {
                    if (!client) client.emplace(port, from);
                    const auto reply = client->Send(request) ? client->Receive(kStatusLimit) : std::nullopt;
                    ++answers[reply ? reply->status : 0];
                    if (!reply) client.reset();
                }
                const std::lock_guard lock(mutex_);
                for (const auto& [status, count] : answers) answers_[status] += count;
            });
        }
    }
    // Stops the flood; what it was answered, by status.
    std::map<int, long> Answers() {
        stopping_ = true;
        for (std::thread& thread : threads_) thread.join();
        threads_.clear();
        return answers_;
    }
    ~KeepAliveFlood() { Answers(); }

private:
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::map<int, long> answers_;
    std::vector<std::thread> threads_;
};

// Bytes the service has written to its request log (standard error).
std::size_t LogBytes(testing::ServiceProcess& service) {
    std::size_t bytes = 0;
    for (const std::string& line : service.Process().Lines(testing::ChildProcess::Stream::Err))
        bytes += line.size() + 1;
    return bytes;
}

// The tool's alerts, from an OpenId of their own, while `attack` runs; then
// the attack's own figures, from `report`.
void PrintBesideAttack(testing::ServiceProcess& service, const char* what, const std::function<void()>& attack,
                       const std::function<std::string()>& report) {
    const std::string openId = SignIn(service.Port());
    const int sjs = kLowestSjs + 1;
    const std::string alert = AlertPost(openId, sjs, AlertSignature(sjs), 1);
    attack();
    const std::size_t logBefore = LogBytes(service);
    const auto start = Clock::now();
    const Latency latency = TimeFresh(service.Port(), alert, kToolAlerts, kToolPause, kPhase + 10s);
    const double minutes = MillisecondsSince(start) / 60000;
    const double logMiBPerMinute = static_cast<double>(LogBytes(service) - logBefore) / (1 << 20) / minutes;
    const std::string figures = report();
    std::printf("  %-30s %4d/%-3d %9.2f %9.2f %9.2f %12.2f   %s\n", what, latency.failed, latency.attempts, latency.p50,
                latency.p99, latency.max, logMiBPerMinute, figures.c_str());
}

std::string StatusCounts(const std::map<int, long>& answers, double seconds) {
    long all = 0;
    std::string counts;
    for (const auto& [status, count] : answers) {
        all += count;
        counts += " " + std::to_string(count) + " x " + (status == 0 ? "none" : std::to_string(status)) + ",";
    }
    char rate[64];
    std::snprintf(rate, sizeof rate, " %.0f/s", static_cast<double>(all) / seconds);
    return counts + rate;
}

// Each attack one client can make while keeping to every limit, one after
// another on one service, the tool's alert timed beside each.
void PrintToolBesideAttacks() {
    testing::ServiceProcess service({"--code", kStandingCode});
    std::printf(
        "the tool's alert on a fresh connection every %lld ms, %d a phase, beside each attack (%d threads a flood):\n"
        "  %-30s %8s %9s %9s %9s %12s   %s\n",
        static_cast<long long>(kToolPause.count()), kToolAlerts, kFloodThreads, "attack", "failed", "p50 ms", "p99 ms",
        "max ms", "log MiB/min", "the attack's answers");
    PrintBesideAttack(
        service, "none", [] {}, [] { return std::string(); });

    std::optional<KeepAliveFlood> flood;
    Clock::time_point floodStart;
    const auto startFlood = [&](const std::string& request) {
        flood.emplace(service.Port(), kFlooder, request);
        floodStart = Clock::now();
    };
    const auto floodReport = [&] { return StatusCounts(flood->Answers(), MillisecondsSince(floodStart) / 1000); };

    const std::string flooder = SignIn(service.Port(), kFlooder);
    const std::string junk = AlertPost(flooder, kLowestSjs, AlertSignature(kLowestSjs), 2);
    PrintBesideAttack(
        service, "alert flood from one OpenId", [&] { startFlood(junk); }, floodReport);

    std::optional<Attack> slow;
    const auto printBesideSlow = [&](const char* what, const std::vector<Attack::Attacker>& attackers) {
        PrintBesideAttack(
            service, what,
            [&] {
                slow.emplace(service.Port(), attackers);
                slow->WaitUntilOpened();
            },
            [&] {
                return std::to_string(slow->Opened()) + " opened, " + std::to_string(slow->Ended()) +
                       " ended by the service";
            });
        slow.reset();
    };
    printBesideSlow("32 slow connections, 127.0.0.1",
                    std::vector<Attack::Attacker>(kSlowFromOne, {Attack::Kind::Trickling, "127.0.0.1"}));
    std::vector<std::string> addresses;
    for (int a = 1; a <= kSlowAddresses; ++a) addresses.push_back("127.0.1." + std::to_string(a));
    std::vector<Attack::Attacker> everySlot;
    for (const std::string& address : addresses) {
        everySlot.insert(everySlot.end(), kSlowFromOne, {Attack::Kind::Trickling, address.c_str()});
    }
    printBesideSlow("16 addresses x 32 slow", everySlot);

    PrintBesideAttack(
        service, "404 flood", [&] { startFlood("GET /no-such-page HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"); },
        floodReport);
}

void PrintLatency(const char* what, const Latency& latency, long peakKiB) {
    std::printf("  %-14s %4d requests, %3d failed   p50 %8.2f ms   p99 %8.2f ms   max %8.2f ms   peak RSS %6.1f MiB\n",
                what, latency.attempts, latency.failed, latency.p50, latency.p99, latency.max, Mebibytes(peakKiB));
}

}  // namespace

// /status and the tool's alert with a million delivered alerts in the
// database, made by a service run and filled behind its back.
void PrintAtAMillionRows() {
    testing::TempDatabase database;
    { const testing::ServiceProcess made({"--db", database.Path()}); }
    sqlite3* db = nullptr;
    sqlite3_open(database.Path().c_str(), &db);
    const int filled = sqlite3_exec(
        db,
        "BEGIN; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000)"
        " INSERT INTO alerts(time, accepted_ms, openid, area, sjs) SELECT 't', CAST(strftime('%s', 'now') AS INTEGER)"
        " * 1000, 'o' || (i % 1000), 1 + i % 20, 12345 FROM n;"
        " INSERT INTO deliveries(alert_id, target, stage, next_ms, openid)"
        " SELECT id, 'webhook:http://127.0.0.1:9/', 1, 0, openid FROM alerts; COMMIT;",
        nullptr, nullptr, nullptr);
    sqlite3_close(db);
    if (filled != SQLITE_OK) throw std::runtime_error("could not fill the database");
    testing::ServiceProcess service({"--code", kStandingCode, "--db", database.Path()});
    ResidentWatch memory(service.Process().Pid());
    const Latency status = TimeFreshStatus(service.Port());
    const std::string openId = SignIn(service.Port());
    const Latency alert = TimeFresh(service.Port(), AlertPost(openId, kLowestSjs, AlertSignature(kLowestSjs), 1),
                                    kToolAlerts, kToolPause, kPhase + 10s);
    std::printf("with 1,000,000 alerts and deliveries in the database (goal: both under 1 ms median):\n");
    const long peak = memory.TakePeak();
    PrintLatency("/status", status, peak);
    PrintLatency("an alert", alert, peak);
}

int main() {
    try {
        const char* other = std::getenv("SENTREL_SERVICE_UNDER_TEST");
        const std::string binary = other != nullptr && *other != '\0' ? other : SENTREL_SERVICE_BINARY;
        std::printf("%s on loopback, %u processors\n", binary.c_str(), std::thread::hardware_concurrency());

        const Throughput load = MeasureAlertsPerSecond(binary);
        std::printf(
            "alerts, %d keep-alive clients: %d accepted in %.2f s = %.0f alerts/s (goal >= %.0f), "
            "peak RSS %.1f MiB\n",
            kClientThreads, load.accepted, load.seconds, load.accepted / load.seconds, kGoalAlertsPerSecond,
            Mebibytes(load.peakKiB));
        std::printf("  refused %d, journal lines %ld, --history lines %ld: %s\n", load.refused, load.journalLines,
                    load.historyLines,
                    load.refused == 0 && load.journalLines == load.accepted && load.historyLines == load.accepted
                        ? "all recorded"
                        : "MISMATCH");

        testing::ServiceProcess service;
        ResidentWatch memory(service.Process().Pid());
        const Latency alone = TimeFreshStatus(service.Port());
        const long alonePeak = memory.TakePeak();
        Latency attacked;
        long attackPeak = 0;
        int opened = 0, ended = 0;
        std::size_t floodBytes = 0;
        {
            // Mixed, so that each address has some of each kind among its
            // first connections.
            std::vector<Attack::Attacker> attackers;
            for (int i = 0; i < kIdle; ++i) {
                for (const auto& [kind, count] : {std::pair{Attack::Kind::HeaderFlood, kHeaderFloods},
                                                  {Attack::Kind::Trickling, kTrickling},
                                                  {Attack::Kind::Idle, kIdle}}) {
                    if (i < count) attackers.push_back({kind, kAttackers[attackers.size() % std::size(kAttackers)]});
                }
            }
            Attack attack(service.Port(), attackers);
            attack.WaitUntilOpened();
            attacked = TimeFreshStatus(service.Port());
            attackPeak = memory.TakePeak();
            opened = attack.Opened();
            ended = attack.Ended();
            floodBytes = attack.FloodBytes();
        }
        const auto afterwards = Clock::now();
        while (Clock::now() - afterwards < 2s) std::this_thread::sleep_for(20ms);
        const long afterPeak = memory.TakePeak();

        std::printf(
            "GET /status on a fresh connection every %lld ms, %d at most, %lld s at most each, %lld s in all:\n",
            static_cast<long long>(kStatusPause.count()), kStatusRequests, static_cast<long long>(kStatusLimit.count()),
            static_cast<long long>(kAttackLongest.count()));
        PrintLatency("alone", alone, alonePeak);
        PrintLatency("under attack", attacked, attackPeak);
        std::printf(
            "  attack from %zu addresses: %d idle, %d trickling a byte every %lld s, %d header floods of "
            "up to %zu MiB each;\n    %d connections opened, %d ended by the service, %.1f MiB of flood sent\n",
            std::size(kAttackers), kIdle, kTrickling, static_cast<long long>(kTricklePause.count()), kHeaderFloods,
            kFloodBytes >> 20, opened, ended, static_cast<double>(floodBytes) / (1 << 20));
        std::printf("  peak RSS in the 2 s after the attack %.1f MiB; goal under %ld MiB throughout: %s\n",
                    Mebibytes(afterPeak), kGoalResidentKiB / 1024,
                    std::max({load.peakKiB, alonePeak, attackPeak, afterPeak}) < kGoalResidentKiB ? "met" : "MISSED");
        PrintToolBesideAttacks();
        PrintAtAMillionRows();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "service_load_bench: %s\n", error.what());
        return 1;
    }
}
