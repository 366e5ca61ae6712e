#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <regex>

#include "client/HttpPost.h"
#include "client/ServiceClient.h"
#include "platform/curl/CurlTransport.h"
#include "support/LoopbackClient.h"
#include "support/MisbehavingServer.h"
#include "support/ResidentMemory.h"
#include "support/ServiceProcess.h"
#include "support/Waiting.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::ChildProcess;
using testing::Containing;
using testing::LoopbackClient;
using testing::MisbehavingServer;
namespace fs = std::filesystem;

constexpr const char* kStatus = "GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

std::string FileText(const fs::path& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Answers with the status it is set to, or, set to 0, holds each request
// unanswered until it is set otherwise; counts the alerts it took.
struct ForwardTarget {
    ~ForwardTarget() { status = 200; }
    std::string Written() const { return "ntfy:" + server.Url() + "/topic"; }

    std::atomic<int> status = 200;
    std::atomic<int> taken = 0;
    // Last, so that it stops, and its requests end, before the rest goes.
    MisbehavingServer server{[this](LoopbackClient& peer, const std::string&) {
        const int answer = status;
        if (answer == 0) return void(testing::WaitFor([this] { return status != 0; }, 60s));
        if (answer == 200) ++taken;
        MisbehavingServer::Answer(peer, answer, "");
    }};
};

// The built relay on loopback, forwarding to the target. Other machines are
// played by other loopback addresses.
class RelayOverHttpTest : public ::testing::Test {
protected:
    std::unique_ptr<testing::ServiceProcess> Start(const std::vector<std::string>& extraArgs = {}) {
        std::vector<std::string> args = {"--code", "4321",          "--allow-host", "Alerts.Example",
                                         "--db",   database.Path(), "--forward",    target.Written()};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        return std::make_unique<testing::ServiceProcess>(args);
    }
    // Two relays on one database would not be a restart.
    void Restart(const std::vector<std::string>& extraArgs = {}) {
        relay.reset();
        relay = Start(extraArgs);
    }
    ServiceClient Client() { return ServiceClient(transport, ServiceRequests(relay->Url())); }
    std::optional<LoopbackClient::Reply> Ask(const std::string& from, const std::string& request) {
        LoopbackClient client(relay->Port(), from);
        return client.Send(request) ? client.Receive(5s) : std::nullopt;
    }
    int StatusFrom(const std::string& from, const std::string& request = kStatus) {
        return Ask(from, request).value_or(LoopbackClient::Reply{}).status;
    }

    testing::TempDatabase database;
    ForwardTarget target;
    CurlTransport transport;
    std::unique_ptr<testing::ServiceProcess> relay = Start();
};

// What only the running program does: write where it listens, with a code
// of its own, to a file only its owner may read; log every request; record
// accepted alerts and run the user's command. The desk's own rules are unit
// tests.
TEST_F(RelayOverHttpTest, SignsInWithTheReadyCodeAndRecordsOnlyAcceptedAlerts) {
    const fs::path log = ::testing::TempDir() + "sentrel-relay-" + std::to_string(getpid()) + ".log";
    const fs::path commandLog = log.string() + ".on-alert", ready = log.string() + ".ready";
    // A log left readable by others, by hand or by an older version.
    std::ofstream{log};
    fs::permissions(log, fs::perms(0644));
    // The command also lists the files it was given: its output and nothing
    // of the relay's (no client's connection).
    Restart({"--log", log, "--on-alert-log", commandLog, "--ready-file", ready, "--on-alert",
             "echo on-alert $SENTREL_AREA $SENTREL_SJS $SENTREL_TIME; ls /proc/$$/fd"});
    ASSERT_TRUE(testing::WaitFor([&] { return fs::exists(ready); }, 10s));
    const std::string record = FileText(ready);
    std::smatch fields;
    ASSERT_TRUE(std::regex_match(record, fields,
                                 std::regex("\\{\"url\":\"([^\"]+)\",\"code\":\"(\\d{6})\",\"subscribe\":\"https://"
                                            "ntfy\\.sh/[\\w-]{24}\",\"page\":\"\"\\}\n")))
        << record;
    EXPECT_EQ(fields[1], relay->Url());
    EXPECT_NE(fields[2], relay->IssuedCode());
    for (const fs::path& file : {log, ready})
        EXPECT_EQ(fs::status(file).permissions() & fs::perms(077), fs::perms::none) << file;

    const std::string openId = Client().SignIn(fields[2]).value();
    EXPECT_EQ(Client().SendAlert("oSomeoneElse", 12345, 5), ServiceClient::Delivery::Refused);
    ASSERT_EQ(Client().SendAlert(openId, 20000, 7), ServiceClient::Delivery::Accepted);
    const std::string line = relay->Process().WaitForLine(ChildProcess::Stream::Out, Containing("\"area\":7")).value();
    EXPECT_NE(line.find("\"openid\":\"" + openId + "\",\"area\":7,\"sjs\":20000}"), std::string::npos);
    EXPECT_EQ(FileText(log), line + "\n");
    EXPECT_TRUE(relay->Process().WaitForLine(ChildProcess::Stream::Err, Containing("403 POST /alertdesk/sndmsg.asp")));
    EXPECT_TRUE(relay->Process().WaitForLine(ChildProcess::Stream::Err, Containing("200 POST /alertdesk/sndmsg.asp")));
    EXPECT_TRUE(testing::WaitFor([&] { return FileText(commandLog).ends_with("\n0\n1\n2\n"); }, 10s))
        << FileText(commandLog);
    EXPECT_TRUE(FileText(commandLog).starts_with("on-alert 7 20000 20")) << FileText(commandLog);
    EXPECT_NE(Client().VersionNotice().find("5.0.2"), std::string::npos);
    for (const fs::path& file : {log, commandLog, ready}) fs::remove(file);
}

// What the HTTP layer refuses gets an error and a short log line (past a few
// a second, a count), and uses up no code; the relay goes on serving.
TEST_F(RelayOverHttpTest, OnlyRequestsForThisRelayReachTheScripts) {
    const std::string port = std::to_string(relay->Port());
    const std::string signIn = "/alertdesk/yzm_check.asp?code=" + relay->IssuedCode();
    char hostName[256] = {};
    ::gethostname(hostName, sizeof hostName - 1);
    std::string manyFields;
    for (int i = 0; i < 101; ++i) manyFields += "\r\nX: y";
    const std::pair<std::string, int> requests[] = {
        {"GET /" + std::string(1000, 'x') + " HTTP/1.1\r\nHost: localhost", 404},
        {"GET /status HTTP/1.1\r\nHost: 127.0.0.1:" + port, 200},
        {"GET /status HTTP/1.1\r\nHost: LocalHost", 200},
        {"GET /status HTTP/1.1\r\nHost: [::1]:" + port, 200},
        {"GET /status HTTP/1.1\r\nHost: " + std::string(hostName) + ":" + port, 200},
        {"GET /status HTTP/1.1\r\nHost: " + std::string(hostName).substr(0, std::string(hostName).find('.')) + ".local",
         200},
        {"GET /status HTTP/1.1\r\nHost: alerts.example:8443", 200},
        {"GET /status HTTP/1.0", 200},
        {"GET /status HTTP/1.1", 400},
        {"GET /status HTTP/1.1\r\nHost: ", 400},
        {"POST /status HTTP/1.1\r\nHost: localhost", 200},
        {"GET /status HTTP/1.1\r\nHost: localhost" + manyFields, 431},
        {"GET /status HTTP/1.1\r\nHost: localhost:1", 421},
        {"GET " + signIn + " HTTP/1.1\r\nHost: evil.example:" + port, 421},
        {"GET " + signIn + " HTTP/1.1\r\nHost: localhost\r\nHost: evil.example", 400},
        {"DELETE " + signIn + " HTTP/1.1\r\nHost: localhost", 405},
        {"HEAD " + signIn + " HTTP/1.1\r\nHost: localhost", 405},
        {"GET http://localhost" + signIn + " HTTP/1.1\r\nHost: localhost", 400},
        {"POST " + signIn + " HTTP/1.1\r\nHost: localhost\r\nContent-Length: 1\r\n\r\nx", 400},
        {"POST /alertdesk/yzm_check.asp HTTP/1.1\r\nHost: localhost\r\nContent-Length: 9\r\n\r\ncode=4321", 400},
        {"POST /%%%?%zz=% HTTP/1.1\r\nHost: localhost", 404},
    };
    for (const auto& [request, status] : requests) {
        EXPECT_EQ(StatusFrom("127.0.0.1", request + "\r\n\r\n"), status) << request.substr(0, 200);
    }
    EXPECT_TRUE(relay->Process().WaitForLine(ChildProcess::Stream::Err, Containing("out of the log from 127.0.0.1")));
    const std::vector<std::string> lines = relay->Process().Lines(ChildProcess::Stream::Err);
    EXPECT_LT(lines.size(), 30u);
    for (const std::string& line : lines) EXPECT_LT(line.size(), 500u);
    EXPECT_EQ(Ask("127.0.0.1", "GET " + signIn + " HTTP/1.0\r\n\r\n")->body.size(), 28u) << "the code still signs in";
}

TEST_F(RelayOverHttpTest, AWebPagesWrongCodesLockOutThePageNotTheTool) {
    const auto signIn = [this](const std::string& code, const std::string& header) {
        const std::string request = "GET /alertdesk/yzm_check.asp?code=" + code + " HTTP/1.1\r\nHost: localhost\r\n";
        return Ask("127.0.0.9", request + header + "\r\n").value_or(LoopbackClient::Reply{}).body;
    };
    for (const char* page : {"Origin: http://evil.example\r\n", "Sec-Fetch-Site: cross-site\r\n"}) {
        for (int i = 0; i < 5; ++i) EXPECT_EQ(signIn("000000", page), "err01") << page;
        EXPECT_EQ(signIn(relay->IssuedCode(), page), "err01") << page;
    }
    EXPECT_EQ(signIn(relay->IssuedCode(), "Sec-Fetch-Site: none\r\n").size(), 28u);
}

// Four addresses at their connection limit of 32, half trickling a head,
// half idle: a fresh client is served at once throughout; idle ones go after
// 5 s, trickling ones get 408 once their head has taken 10 s.
TEST_F(RelayOverHttpTest, TricklingAndIdleClientsDelayNobodyAndAreCutOff) {
    std::vector<LoopbackClient> crowd;
    for (int i = 0; i < 4 * 32; ++i) crowd.emplace_back(relay->Port(), "127.0.0." + std::to_string(2 + i / 32));
    const std::size_t trickling = crowd.size() / 2;
    const std::string head = "GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
    std::vector<std::optional<Clock::duration>> endedAfter(crowd.size());
    std::vector<int> status(crowd.size());
    Clock::duration slowest{};
    const auto start = Clock::now();
    for (std::size_t step = 0; Clock::now() - start < 20s; ++step) {
        // Those ended are left out (poll passes over a negative descriptor).
        std::vector<pollfd> ready;
        for (std::size_t i = 0; i < crowd.size(); ++i) ready.push_back({endedAfter[i] ? -1 : crowd[i].Fd(), POLLIN, 0});
        // Paces the trickle, and wakes as soon as the relay ends one.
        ::poll(ready.data(), ready.size(), 300);
        for (std::size_t i = 0; i < crowd.size(); ++i) {
            if (endedAfter[i]) continue;
            if (ready[i].revents != 0) {
                endedAfter[i] = Clock::now() - start;
                status[i] = crowd[i].Receive(0ms).value_or(LoopbackClient::Reply{}).status;
            } else if (i < trickling) {
                crowd[i].Send(std::string(1, step < head.size() ? head[step] : 'a'), false);
            }
        }
        const auto before = Clock::now();
        EXPECT_EQ(StatusFrom("127.0.0.1"), 200);
        slowest = std::max(slowest, Clock::now() - before);
        if (std::ranges::all_of(endedAfter, [](const auto& ended) { return ended.has_value(); })) break;
    }
    EXPECT_LT(slowest, 1500ms);
    for (std::size_t i = 0; i < crowd.size(); ++i) {
        ASSERT_TRUE(endedAfter[i]) << "connection " << i << " still open";
        const bool slow = i < trickling;
        EXPECT_GT(*endedAfter[i], slow ? 9500ms : 4500ms) << i;
        EXPECT_LT(*endedAfter[i], slow ? 14s : 8s) << i;
        EXPECT_EQ(status[i], slow ? 408 : 0) << i;
    }
}

// Every slot held, by the tool's address or by sixteen in all: a newcomer
// takes the slot of the oldest connection with no request under way, and is
// refused, and counted in the log, only when each has one under way.
TEST_F(RelayOverHttpTest, ANewcomerTakesTheSlotOfAConnectionThatOnlyHoldsIt) {
    const std::string head = "GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    const struct {
        int addresses;
        std::string sent;
        int status;
    } crowds[] = {{1, "", 200}, {1, head + "\r\n", 200}, {16, "", 200}, {16, head + "\r\n", 200}, {1, head, 503}};
    for (const auto& crowd : crowds) {
        Restart();
        std::vector<LoopbackClient> held;
        for (int i = 0; i < 32 * crowd.addresses; ++i) {
            held.emplace_back(relay->Port(), "127.0.0." + std::to_string(1 + i / 32 * 10));
            held.back().Send(crowd.sent);
            if (crowd.sent.ends_with("\r\n\r\n")) held.back().Receive(5s);
        }
        // Answered once the relay has read what the crowd sent before it.
        EXPECT_EQ(StatusFrom("127.0.0.2"), 200);
        const auto before = Clock::now();
        EXPECT_EQ(StatusFrom("127.0.0.1"), crowd.status) << crowd.addresses << " " << crowd.sent;
        EXPECT_LT(Clock::now() - before, 1s);
    }
    EXPECT_TRUE(relay->Process().WaitForLine(ChildProcess::Stream::Err, Containing("refused 1 connections")));
}

TEST_F(RelayOverHttpTest, FloodsAreCutOffAndCostTheRelayNoMemory) {
    const std::string lines = "X-Flood: " + std::string(1000, 'a') + "\r\n";
    const std::string chunk = "1000\r\n" + std::string(4096, 'b') + "\r\n";
    const struct {
        std::string head, piece;
        int status;
    } floods[] = {
        {"GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\n", lines, 431},
        {"GET /status?", std::string(4096, 'c'), 414},
        {"POST /status HTTP/1.1\r\nHost: 127.0.0.1\r\nTransfer-Encoding: chunked\r\n\r\n", chunk, 400},
        {"POST /status HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 134217728\r\n\r\n", chunk, 400},
    };
    constexpr std::size_t kMiB = 1024 * 1024;
    const long before = testing::ResidentKiB(relay->Process().Pid());
    for (const auto& flood : floods) {
        std::vector<LoopbackClient> clients;
        for (int i = 0; i < 4; ++i) clients.emplace_back(relay->Port(), "127.0.0.6");
        for (LoopbackClient& client : clients) {
            // The flood ends where the relay takes nothing for 2 s.
            const timeval patience{2, 0};
            ::setsockopt(client.Fd(), SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
            ASSERT_TRUE(client.Send(flood.head));
            std::size_t sent = 0;
            while (sent < 64 * kMiB && client.Send(flood.piece)) sent += flood.piece.size();
            EXPECT_LT(sent, 16 * kMiB) << flood.head;
            EXPECT_EQ(client.Receive(5s).value_or(LoopbackClient::Reply{}).status, flood.status) << flood.head;
            EXPECT_TRUE(client.ClosedWithin(5s)) << flood.head;
        }
    }
    EXPECT_LT(testing::ResidentKiB(relay->Process().Pid()) - before, 8 * 1024);
    EXPECT_EQ(StatusFrom("127.0.0.6"), 200);
}

// Closed with the body unread, the connection would end in a reset, which
// can destroy the reply before the client reads it.
TEST_F(RelayOverHttpTest, ARefusedBodyEndsTheConnectionInOrder) {
    LoopbackClient client(relay->Port());
    const std::string head = "POST /status HTTP/1.1\r\nHost: localhost\r\nContent-Length: 100000\r\n\r\n";
    ASSERT_TRUE(client.Send(head + std::string(100000, 'x')));
    EXPECT_EQ(client.Receive()->status, 400);
    EXPECT_TRUE(client.ClosedWithin(5s));
    EXPECT_FALSE(client.WasReset());
}

// The target down (503), or, killed, holding each request while the relay
// is killed.
class RelayOutageTest : public RelayOverHttpTest, public ::testing::WithParamInterface<bool> {};

// Sign-ins outlive a restart; pending alerts outlive an outage and a kill,
// and each reaches the target once.
TEST_P(RelayOutageTest, EachAlertReachesTheTargetOnce) {
    const std::string openId = Client().SignIn("4321").value();
    Restart();
    target.status = GetParam() ? 0 : 503;
    for (int area = 1; area <= 3; ++area)
        ASSERT_EQ(Client().SendAlert(openId, 15000, area), ServiceClient::Delivery::Accepted);
    ASSERT_TRUE(target.server.Received("POST /topic", 10s));
    if (GetParam()) relay.reset();  // SIGKILL
    target.status = 200;
    if (!relay) relay = Start();
    const auto owesNothing = [&] {
        return Containing("\"pending\":0,\"delivered\":3")(HttpPost(transport, relay->Url() + "/status", ""));
    };
    ASSERT_TRUE(testing::WaitFor(owesNothing, 20s));
    EXPECT_EQ(target.taken, 3);
}

INSTANTIATE_TEST_SUITE_P(Outages, RelayOutageTest, ::testing::Bool(),
                         [](const auto& killed) { return killed.param ? "KilledWhileSending" : "TargetDown"; });

// The redirect is not followed, so the alert goes nowhere else.
TEST_F(RelayOverHttpTest, ATargetThatNeverAnswersHoldsUpNoOther) {
    MisbehavingServer silent(MisbehavingServer::NeverAnswer());
    MisbehavingServer elsewhere(MisbehavingServer::Respond(200, ""));
    MisbehavingServer redirecting([&elsewhere](LoopbackClient& peer, const std::string&) {
        peer.Send("HTTP/1.1 307 Elsewhere\r\nLocation: " + elsewhere.Url() +
                  "/\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    });
    Restart({"--forward", "ntfy:" + silent.Url() + "/t", "--forward", "webhook:" + redirecting.Url() + "/hook"});
    const std::string openId = Client().SignIn("4321").value();
    for (int area = 1; area <= 5; ++area)
        ASSERT_EQ(Client().SendAlert(openId, 15000, area), ServiceClient::Delivery::Accepted);
    ASSERT_TRUE(testing::WaitFor([&] { return target.taken == 5; }, 5s));
    std::string ids;
    for (const std::string& request : target.server.Requests())
        ids += request.substr(request.find("X-Sentrel-Alert-Id: ") + 20, 1);
    EXPECT_EQ(ids, "12345") << "oldest first, one at a time";
    const std::string refused = "webhook " + redirecting.Url().substr(7) + " (no reply, or a redirect";
    EXPECT_TRUE(relay->Process().WaitForLine(ChildProcess::Stream::Err, Containing(refused)));
    EXPECT_TRUE(elsewhere.Requests().empty());
    relay.reset();  // before the silent target, which holds its request until the relay goes
}

// A 503, so that the tool keeps the alert, never an ok for what was not kept.
TEST_F(RelayOverHttpTest, ADatabaseThatVanishesStopsTheRelayAccepting) {
    const fs::path folder = fs::temp_directory_path() / ("sentrel-vanishing-" + std::to_string(getpid()));
    fs::create_directories(folder);
    Restart({"--db", (folder / "service.db").string()});
    const std::string openId = Client().SignIn("4321").value();
    fs::remove_all(folder);
    for (int area = 1; area <= 2; ++area)
        EXPECT_EQ(Client().SendAlert(openId, 15000, area), ServiceClient::Delivery::TryAgain);
    EXPECT_EQ(transport.Post(ServiceRequests(relay->Url()).SignIn("4321"), "").value().status, 503);
    const auto err = ChildProcess::Stream::Err;
    ASSERT_TRUE(relay->Process().WaitForLine(err, Containing("not served: database")));
    EXPECT_EQ(std::ranges::count_if(relay->Process().Lines(err), Containing("in use; no alert")), 1);
    EXPECT_TRUE(relay->Process().Lines(ChildProcess::Stream::Out).empty());
}

TEST_F(RelayOverHttpTest, SigtermLeavesTheStateInTheDatabaseFileAlone) {
    const std::string openId = Client().SignIn("4321").value();
    ASSERT_EQ(Client().SendAlert(openId, 15000, 1), ServiceClient::Delivery::Accepted);
    ::kill(relay->Process().Pid(), SIGTERM);
    ASSERT_TRUE(testing::WaitFor([&] { return !relay->Process().Running(); }, 10s));
    EXPECT_EQ(relay->Process().ExitCode(), 0);
    const std::string wal = database.Path() + "-wal";
    EXPECT_EQ(fs::exists(wal) ? fs::file_size(wal) : 0u, 0u);
}

TEST(RelayStart, RefusesFilesItCannotUse) {
    const testing::TempDatabase readOnly, database;
    const std::string folder = readOnly.Path() + ".d";
    std::ofstream(readOnly.Path()).flush();
    fs::create_directory(folder);
    ::chmod(readOnly.Path().c_str(), 0400);
    ::chmod(folder.c_str(), 0500);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--db", readOnly.Path()}, readOnly.Path() + ": Permission denied"},
        {{"--db", folder + "/service.db"}, folder + "/service.db: Permission denied"},
        {{"--db", database.Path(), "--forwards", folder + "/none"}, folder + "/none: No such file"}};
    for (const auto& [args, reason] : cases) {
        // Root may write anything; without these capabilities it may not.
        std::vector<std::string> argv = {"/usr/bin/setpriv", "--inh-caps=-dac_override,-dac_read_search",
                                         "--bounding-set=-dac_override,-dac_read_search"};
        if (::geteuid() != 0) argv.clear();
        argv.insert(argv.end(), {SENTREL_SERVICE_BINARY, "--port", "0"});
        argv.insert(argv.end(), args.begin(), args.end());
        ChildProcess relay(argv);
        EXPECT_TRUE(relay.WaitForLine(ChildProcess::Stream::Err, Containing(reason))) << reason;
        ASSERT_TRUE(testing::WaitFor([&] { return !relay.Running(); }, 10s));
        EXPECT_EQ(relay.ExitCode(), 1);
    }
    fs::remove(folder);
}

}  // namespace
}  // namespace sentrel
