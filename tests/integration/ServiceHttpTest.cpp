#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>

#include "support/LoopbackClient.h"
#include "support/ResidentMemory.h"
#include "support/ServiceProcess.h"
#include "support/Waiting.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::LoopbackClient;

constexpr const char* kStatus = "GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

// Other machines are played by other loopback addresses.
class ServiceHttpTest : public ::testing::Test {
protected:
    std::optional<LoopbackClient::Reply> Ask(const std::string& from, const std::string& request) {
        LoopbackClient client(service.Port(), from);
        return client.Send(request) ? client.Receive(5s) : std::nullopt;
    }
    std::optional<int> StatusFrom(const std::string& from, const std::string& request = kStatus) {
        const auto reply = Ask(from, request);
        return reply ? std::optional(reply->status) : std::nullopt;
    }

    testing::ServiceProcess service{{"--allow-host", "Alerts.Example"}};
};

// Four addresses at their connection limit, half trickling a head, half
// idle: a fresh client is served at once throughout; idle ones go after 5 s,
// trickling ones get 408 once their head has taken 10 s.
TEST_F(ServiceHttpTest, TricklingAndIdleClientsDelayNobodyAndAreCutOff) {
    std::vector<LoopbackClient> crowd;
    for (const char* from : {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"}) {
        for (int i = 0; i < 32; ++i) crowd.emplace_back(service.Port(), from);
    }
    const std::size_t trickling = crowd.size() / 2;
    const std::string head = "GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
    std::vector<std::optional<Clock::duration>> endedAfter(crowd.size());
    std::vector<int> status(crowd.size());
    Clock::duration slowest{};
    const auto start = Clock::now();
    for (std::size_t step = 0; Clock::now() - start < 20s; ++step) {
        std::vector<pollfd> ready;
        std::vector<std::size_t> open;
        for (std::size_t i = 0; i < crowd.size(); ++i) {
            if (endedAfter[i]) continue;
            ready.push_back({crowd[i].Fd(), POLLIN, 0});
            open.push_back(i);
        }
        // Paces the trickle, and wakes as soon as the service ends one.
        ::poll(ready.data(), ready.size(), 300);
        for (std::size_t k = 0; k < open.size(); ++k) {
            const std::size_t i = open[k];
            if (ready[k].revents != 0) {
                endedAfter[i] = Clock::now() - start;
                const auto reply = crowd[i].Receive(0ms);
                status[i] = reply ? reply->status : 0;
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

// The bytes the service took before it stopped taking them.
std::size_t Flood(LoopbackClient& client, const std::string& piece, std::size_t most) {
    std::size_t sent = 0;
    while (sent < most) {
        if (client.Send(piece, false)) {
            sent += piece.size();
            continue;
        }
        pollfd writable{client.Fd(), POLLOUT, 0};
        if (::poll(&writable, 1, 2000) != 1 || (writable.revents & (POLLERR | POLLHUP)) != 0) break;
    }
    return sent;
}

TEST_F(ServiceHttpTest, FloodsAreCutOffAndCostTheServiceNoMemory) {
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
    const long before = testing::ResidentKiB(service.Process().Pid());
    for (const auto& flood : floods) {
        std::vector<LoopbackClient> clients;
        for (int i = 0; i < 4; ++i) clients.emplace_back(service.Port(), "127.0.0.6");
        for (LoopbackClient& client : clients) {
            ASSERT_TRUE(client.Send(flood.head));
            EXPECT_LT(Flood(client, flood.piece, 64 * kMiB), 16 * kMiB) << flood.head;
            const auto reply = client.Receive(5s);
            EXPECT_EQ(reply ? reply->status : 0, flood.status) << flood.head;
            EXPECT_TRUE(client.ClosedWithin(5s)) << flood.head;
        }
    }
    EXPECT_LT(testing::ResidentKiB(service.Process().Pid()) - before, 8 * 1024);
    EXPECT_EQ(StatusFrom("127.0.0.6"), 200);
}

// A refused request uses up no code.
TEST_F(ServiceHttpTest, OnlyRequestsForThisServiceReachTheScripts) {
    const std::string port = std::to_string(service.Port());
    const std::string signIn = "/alertdesk/yzm_check.asp?code=" + service.IssuedCode();
    char hostName[256] = {};
    ::gethostname(hostName, sizeof hostName - 1);
    std::string manyFields;
    for (int i = 0; i < 101; ++i) manyFields += "\r\nX: y";
    const std::pair<std::string, int> requests[] = {
        {"GET /status HTTP/1.1\r\nHost: 127.0.0.1:" + port, 200},
        {"GET /status HTTP/1.1\r\nHost: LocalHost", 200},
        {"GET /status HTTP/1.1\r\nHost: [::1]:" + port, 200},
        {"GET /status HTTP/1.1\r\nHost: " + std::string(hostName) + ":" + port, 200},
        {"GET /status HTTP/1.1\r\nHost: " + std::string(hostName).substr(0, std::string(hostName).find('.')) + ".local",
         200},
        {"GET /status HTTP/1.1\r\nHost: alerts.example:8443", 200},
        {"GET /status HTTP/1.0", 200},
        {"POST /status HTTP/1.1\r\nHost: localhost", 200},
        {"GET /status HTTP/1.1\r\nHost: localhost" + manyFields, 431},
        {"GET /status HTTP/1.1\r\nHost: localhost:1", 421},
        {"GET " + signIn + " HTTP/1.1\r\nHost: evil.example:" + port, 421},
        {"GET " + signIn + " HTTP/1.1\r\nHost: localhost\r\nHost: evil.example", 400},
        {"DELETE " + signIn + " HTTP/1.1\r\nHost: localhost", 405},
        {"HEAD " + signIn + " HTTP/1.1\r\nHost: localhost", 405},
        {"GET http://localhost" + signIn + " HTTP/1.1\r\nHost: localhost", 400},
        {"POST " + signIn + " HTTP/1.1\r\nHost: localhost\r\nContent-Length: 1\r\n\r\nx", 400},
    };
    for (const auto& [request, status] : requests) {
        EXPECT_EQ(StatusFrom("127.0.0.1", request + "\r\n\r\n"), status) << request;
    }
    EXPECT_EQ(Ask("127.0.0.1", "GET " + signIn + " HTTP/1.1\r\n\r\n")->body.size(), 28u) << "the code still signs in";
}

TEST_F(ServiceHttpTest, AWebPagesWrongCodesLockOutThePageNotTheTool) {
    const auto signIn = [this](const std::string& code, const std::string& header) {
        const auto reply =
            Ask("127.0.0.9", "GET /alertdesk/yzm_check.asp?code=" + code + " HTTP/1.1\r\n" + header + "\r\n");
        return reply ? reply->body : "";
    };
    for (const char* page : {"Origin: http://evil.example\r\n", "Sec-Fetch-Site: cross-site\r\n"}) {
        for (int i = 0; i < 5; ++i) EXPECT_EQ(signIn("000000", page), "err01") << page;
        EXPECT_EQ(signIn(service.IssuedCode(), page), "err01") << page;
    }
    EXPECT_EQ(signIn(service.IssuedCode(), "Sec-Fetch-Site: none\r\n").size(), 28u);
}

// Closed with the body unread, the connection would end in a reset, which
// can destroy the reply before the client reads it.
TEST_F(ServiceHttpTest, ARefusedBodyEndsTheConnectionInOrder) {
    LoopbackClient client(service.Port());
    const std::string head = "POST /status HTTP/1.1\r\nHost: localhost\r\nContent-Length: 100000\r\n\r\n";
    ASSERT_TRUE(client.Send(head + std::string(100000, 'x')));
    EXPECT_EQ(client.Receive()->status, 400);
    EXPECT_TRUE(client.ClosedWithin(5s));
    EXPECT_FALSE(client.WasReset());
}

TEST_F(ServiceHttpTest, OneAddressHoldsAtMost32Connections) {
    std::vector<LoopbackClient> held;
    for (int i = 0; i < 32; ++i) held.emplace_back(service.Port(), "127.0.0.7");
    LoopbackClient over(service.Port(), "127.0.0.7");
    const auto refusal = over.Receive(5s);
    EXPECT_EQ(refusal ? refusal->status : 0, 503);
    EXPECT_TRUE(over.ClosedWithin(5s));
    EXPECT_EQ(StatusFrom("127.0.0.8"), 200);
    held.pop_back();
    EXPECT_TRUE(testing::WaitFor([&] { return StatusFrom("127.0.0.7") == 200; }, 5s));
}

}  // namespace
}  // namespace sentrel
