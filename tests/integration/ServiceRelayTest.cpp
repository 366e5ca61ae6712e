#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <mutex>
#include <regex>
#include <thread>

#include "platform/curl/CurlTransport.h"
#include "service/ServiceClient.h"
#include "support/MisbehavingServer.h"
#include "support/ServiceProcess.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using Clock = std::chrono::steady_clock;

// An ntfy server stand-in that refuses while down, takes two seconds to
// answer while slow, and counts, per alert id, the deliveries it took.
class ForwardTarget {
public:
    ForwardTarget()
        : server_([this](int socket, const std::string& head) {
              std::smatch id;
              if (!std::regex_search(head, id, std::regex("X-Sentrel-Alert-Id: (\\d+)"))) return;
              if (slow_) std::this_thread::sleep_for(2s);
              if (down_) return testing::MisbehavingServer::Respond(503, "down")(socket, head);
              {
                  const std::lock_guard lock(mutex_);
                  ++taken_[std::stoi(id[1])];
              }
              testing::MisbehavingServer::Respond(200, "ok")(socket, head);
          }) {}

    std::string Spec() const { return "ntfy:" + server_.Url() + "/topic"; }
    std::map<int, int> Taken() const {
        const std::lock_guard lock(mutex_);
        return taken_;
    }
    bool WaitForIds(std::size_t count, std::chrono::milliseconds timeout) const {
        const auto deadline = Clock::now() + timeout;
        while (Taken().size() < count && Clock::now() < deadline) std::this_thread::sleep_for(50ms);
        return Taken().size() >= count;
    }

    std::atomic<bool> down_{false};
    std::atomic<bool> slow_{false};

private:
    mutable std::mutex mutex_;
    std::map<int, int> taken_;
    testing::MisbehavingServer server_;
};

class ServiceRelayTest : public ::testing::Test {
protected:
    std::unique_ptr<testing::ServiceProcess> Start() {
        return std::make_unique<testing::ServiceProcess>(
            std::vector<std::string>{"--code", "4321", "--db", database.Path(), "--forward", target.Spec()});
    }
    ServiceClient::Delivery Alert(testing::ServiceProcess& service, const std::string& openId, int area) {
        ServiceClient client(transport, ServiceRequests(service.Url()));
        return client.SendAlert(openId, 15000, area);
    }

    testing::TempDatabase database;
    ForwardTarget target;
    CurlTransport transport;
};

// Alerts accepted while the target is down reach it, each once, when it is
// back; sign-ins outlive a restart.
TEST_F(ServiceRelayTest, AlertsReachATargetThatWasDownAndSignInsOutliveARestart) {
    std::string openId;
    {
        auto service = Start();
        openId = ServiceClient(transport, ServiceRequests(service->Url())).SignIn("4321").value();
    }
    auto service = Start();
    target.down_ = true;
    for (int area = 1; area <= 3; ++area) ASSERT_EQ(Alert(*service, openId, area), ServiceClient::Delivery::Accepted);
    std::this_thread::sleep_for(5s);
    EXPECT_TRUE(target.Taken().empty());
    target.down_ = false;
    ASSERT_TRUE(target.WaitForIds(3, 20s));
    EXPECT_EQ(target.Taken(), (std::map<int, int>{{1, 1}, {2, 1}, {3, 1}}));
}

// Killed while handing an alert over, the service hands over everything
// still owed once started again: at least once.
TEST_F(ServiceRelayTest, AKilledServiceDeliversWhatWasPendingAfterARestart) {
    auto service = Start();
    const std::string openId = ServiceClient(transport, ServiceRequests(service->Url())).SignIn("4321").value();
    target.slow_ = true;
    for (int area = 1; area <= 3; ++area) ASSERT_EQ(Alert(*service, openId, area), ServiceClient::Delivery::Accepted);
    ASSERT_TRUE(service->Process().WaitForLine(ChildProcess::Stream::Err, [](const std::string&) { return true; }));
    std::this_thread::sleep_for(500ms);
    service.reset();  // SIGKILL, mid-delivery
    target.slow_ = false;
    service = Start();
    ASSERT_TRUE(target.WaitForIds(3, 20s));
    for (const auto& [id, count] : target.Taken()) EXPECT_GE(count, 1) << id;
}

int Connect(const std::string& url) {
    const int port = std::stoi(url.substr(url.rfind(':') + 1));
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
    return fd;
}

// How long until the service answers or closes the connection.
std::chrono::milliseconds UntilAnswered(int fd, std::chrono::milliseconds limit) {
    const auto start = Clock::now();
    pollfd ready{fd, POLLIN, 0};
    ::poll(&ready, 1, static_cast<int>(limit.count()));
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// A POST without a length has no body: it is answered at once. Stalled
// clients are cut off after the time-out, and others are served meanwhile.
TEST_F(ServiceRelayTest, BodylessAndStalledRequestsCannotHoldTheService) {
    testing::ServiceProcess service;
    const auto stalledSince = Clock::now();
    std::vector<int> stalled;
    for (int i = 0; i < 40; ++i) {
        stalled.push_back(Connect(service.Url()));
        ::send(stalled.back(), "GET /status HTTP/1.1\r\nHost: x\r\n", 30, MSG_NOSIGNAL);
    }
    const int bodyless = Connect(service.Url());
    const std::string request = "POST /alertdesk/checkon.asp?openid= HTTP/1.1\r\nHost: x\r\n\r\n";
    ::send(bodyless, request.data(), request.size(), MSG_NOSIGNAL);
    EXPECT_LT(UntilAnswered(bodyless, 3s), 1s);
    char reply[16] = {};
    EXPECT_EQ(std::string(reply, static_cast<std::size_t>(::recv(bodyless, reply, 15, 0))), "HTTP/1.1 200 OK");
    // Only GET and POST reach the scripts, with or without a body.
    const int deleting = Connect(service.Url());
    const std::string deletion = "DELETE /alertdesk/yzm_check.asp?code=" + service.IssuedCode() + " HTTP/1.1\r\n\r\n";
    ::send(deleting, deletion.data(), deletion.size(), MSG_NOSIGNAL);
    EXPECT_LT(UntilAnswered(deleting, 3s), 1s);
    EXPECT_NE(std::string(reply, static_cast<std::size_t>(::recv(deleting, reply, 15, 0))), "HTTP/1.1 200 OK");
    ::close(deleting);

    const auto start = Clock::now();
    EXPECT_NE(ServiceClient(transport, ServiceRequests(service.Url())).VersionNotice(), "");
    EXPECT_LT(Clock::now() - start, 1s);
    UntilAnswered(stalled.front(), 10s);
    const auto cutOff = Clock::now() - stalledSince;
    EXPECT_GT(cutOff, 3s);
    EXPECT_LT(cutOff, 8s);
    for (const int fd : stalled) ::close(fd);
    ::close(bodyless);
}

}  // namespace
}  // namespace sentrel
