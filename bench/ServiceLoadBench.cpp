// The built sentrel-service under load, in one run: how many alerts a second
// it accepts (and records in SQLite) from several keep-alive clients, and
// how long an ordinary request waits for its reply with and without 50
// clients that hold connections open by sending their request head a byte a
// second.
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "service/AlertSignature.h"
#include "support/ServiceProcess.h"
#include "support/TempDatabase.h"

using namespace sentrel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kClientThreads = 8;
constexpr int kAlerts = 20000;
constexpr int kLowestSjs = 11111;
constexpr int kSjsValues = 10000;
constexpr int kAreas = 20;
constexpr int kSlowClients = 50;
constexpr int kTimedRequests = 2000;
constexpr int kUntimedRequests = 100;
constexpr const char* kStandingCode = "4321";
constexpr double kGoalAlertsPerSecond = 2000;
constexpr double kGoalP99Ms = 20;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int PortOf(const std::string& url) { return std::stoi(url.substr(url.rfind(':') + 1)); }

std::string SignIn(const std::string& url) {
    httplib::Client client(url);
    const auto reply = client.Get((std::string("/alertdesk/yzm_check.asp?code=") + kStandingCode).c_str());
    if (!reply || reply->status != 200 || reply->body.empty() || reply->body == "err01") {
        throw std::runtime_error("could not sign in to sentrel-service");
    }
    return reply->body;
}

// Lines that `sentrel-service --history` prints for the database: one per
// recorded alert.
long HistoryLines(const std::string& database) {
    const std::string command = std::string(SENTREL_SERVICE_BINARY) + " --history --db '" + database + "'";
    std::FILE* history = ::popen(command.c_str(), "r");
    if (history == nullptr) return -1;
    long lines = 0;
    for (int c = 0; (c = std::fgetc(history)) != EOF;) lines += c == '\n';
    return ::pclose(history) == 0 ? lines : -1;
}

struct Throughput {
    int accepted = 0;
    int refused = 0;
    double seconds = 0;
    long journalLines = 0;
    long historyLines = 0;
};

Throughput MeasureAlertsPerSecond() {
    testing::TempDatabase database;
    Throughput result;
    {
        testing::ServiceProcess service({"--code", kStandingCode, "--db", database.Path()});
        const std::string openId = SignIn(service.Url());
        // Built beforehand, so that the clients spend their time on HTTP
        // rather than on SHA-1, on a machine they share with the service.
        std::vector<std::string> targets(kAlerts);
        std::vector<std::string> signatures(kSjsValues);
        for (int i = 0; i < kSjsValues; ++i) signatures[i] = AlertSignature(kLowestSjs + i);
        for (int i = 0; i < kAlerts; ++i) {
            const int r = kLowestSjs + i % kSjsValues;
            targets[i] = "/alertdesk/sndmsg.asp?openid=" + openId + "&sjs=" + std::to_string(r) +
                         "&code=" + signatures[i % kSjsValues] + "&str=" + std::to_string(1 + i % kAreas);
        }

        std::atomic<int> accepted{0}, refused{0};
        std::vector<std::thread> clients;
        const auto start = Clock::now();
        for (int t = 0; t < kClientThreads; ++t) {
            clients.emplace_back([&, t] {
                httplib::Client client(service.Url());
                client.set_keep_alive(true);
                for (int i = t; i < kAlerts; i += kClientThreads) {
                    const auto reply = client.Post(targets[i].c_str());
                    (reply && reply->status == 200 && reply->body == "ok" ? accepted : refused)++;
                }
            });
        }
        for (std::thread& client : clients) client.join();
        result.seconds = MillisecondsSince(start) / 1000;
        result.accepted = accepted;
        result.refused = refused;

        // The journal lines may trail the replies by a moment.
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        do {
            result.journalLines = static_cast<long>(service.Process().Lines(testing::ChildProcess::Stream::Out).size());
            if (result.journalLines >= result.accepted) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } while (Clock::now() < deadline);
    }
    result.historyLines = HistoryLines(database.Path());
    return result;
}

// Connections that send a request head a byte a second and never finish it.
class SlowClients {
public:
    SlowClients(int port, int count) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (int i = 0; i < count; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
                if (fd >= 0) ::close(fd);
                throw std::runtime_error("a slow client could not connect");
            }
            sockets_.push_back(fd);
        }
        dripper_ = std::thread([this] { Drip(); });
    }
    ~SlowClients() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        dripper_.join();
        for (const int fd : sockets_) ::close(fd);
    }
    SlowClients(const SlowClients&) = delete;
    SlowClients& operator=(const SlowClients&) = delete;

    // Those the service has neither closed nor answered.
    int StillWaiting() const {
        int waiting = 0;
        for (const int fd : sockets_) {
            char byte = 0;
            waiting += ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) < 0 && errno == EAGAIN;
        }
        return waiting;
    }

private:
    void Drip() {
        static const std::string head = "GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
        std::unique_lock lock(mutex_);
        for (std::size_t sent = 0; !stopping_; ++sent) {
            const char byte = sent < head.size() ? head[sent] : 'a';
            for (const int fd : sockets_) ::send(fd, &byte, 1, MSG_NOSIGNAL);
            wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; });
        }
    }

    std::vector<int> sockets_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread dripper_;
};

struct Latency {
    double p50 = 0, p99 = 0, max = 0;
    int failed = 0;
};

Latency TimeStatusRequests(const std::string& url) {
    httplib::Client client(url);
    client.set_keep_alive(true);
    std::vector<double> times;
    times.reserve(kTimedRequests);
    Latency result;
    // Untimed first, so that neither series pays for a cold start.
    for (int i = 0; i < kUntimedRequests; ++i) client.Get("/status");
    for (int i = 0; i < kTimedRequests; ++i) {
        const auto start = Clock::now();
        const auto reply = client.Get("/status");
        times.push_back(MillisecondsSince(start));
        result.failed += !reply || reply->status != 200;
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

void PrintLatency(const char* what, const Latency& latency, const char* goal) {
    std::printf("%-30s p50 %6.3f ms   p99 %7.3f ms   max %7.3f ms%s%s\n", what, latency.p50, latency.p99, latency.max,
                latency.failed ? "   FAILED REQUESTS: " : "",
                latency.failed ? std::to_string(latency.failed).c_str() : "");
    if (*goal) std::printf("%-30s %s\n", "", goal);
}

}  // namespace

int main() {
    try {
        std::printf("sentrel-service on loopback, %u processors\n", std::thread::hardware_concurrency());

        const Throughput load = MeasureAlertsPerSecond();
        std::printf("alerts, %d keep-alive clients   %6d accepted in %.2f s = %7.0f alerts/s   (goal >= %.0f)\n",
                    kClientThreads, load.accepted, load.seconds, load.accepted / load.seconds, kGoalAlertsPerSecond);
        std::printf("%-30s refused %d, journal lines %ld, --history lines %ld: %s\n", "", load.refused,
                    load.journalLines, load.historyLines,
                    load.refused == 0 && load.journalLines == load.accepted && load.historyLines == load.accepted
                        ? "all recorded"
                        : "MISMATCH");

        testing::ServiceProcess service;
        Latency idle, loaded;
        int waiting = 0;
        idle = TimeStatusRequests(service.Url());
        {
            SlowClients slow(PortOf(service.Url()), kSlowClients);
            // Long enough for every slow connection to be taken by a worker.
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            loaded = TimeStatusRequests(service.Url());
            waiting = slow.StillWaiting();
        }
        std::printf("GET /status, %d in a row, one keep-alive client:\n", kTimedRequests);
        PrintLatency("  alone", idle, "");
        char goal[80];
        std::snprintf(goal, sizeof goal, "(goal p99 < %.0f ms; %d of %d slow clients still connected at the end)",
                      kGoalP99Ms, waiting, kSlowClients);
        char label[40];
        std::snprintf(label, sizeof label, "  beside %d slow clients", kSlowClients);
        PrintLatency(label, loaded, goal);
        std::printf("  ratio slow/alone               p50 %5.2fx     p99 %6.2fx\n", loaded.p50 / idle.p50,
                    loaded.p99 / idle.p99);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "service_load_bench: %s\n", error.what());
        return 1;
    }
}
