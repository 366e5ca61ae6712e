#include <gtest/gtest.h>

#include <chrono>

#include "service/HttpPost.h"
#include "service/ServiceRequests.h"
#include "support/MisbehavingServer.h"
#include "support/TransportsUnderTest.h"

namespace sentrel {
namespace {

using testing::MisbehavingServer;
using Clock = std::chrono::steady_clock;

std::string FirstLine(const std::string& head) { return head.substr(0, head.find("\r\n")); }

// Each case holds for every transport: libcurl, and WinHTTP under Wine.
class TransportContract : public ::testing::TestWithParam<testing::TransportUnderTest> {
protected:
    std::unique_ptr<Transport> made = GetParam().make();
    Transport& transport = *made;
};

TEST_P(TransportContract, ErrorStatusStillReturnsItsBody) {
    MisbehavingServer server(MisbehavingServer::Respond(500, "<h1>boom</h1>"));
    const auto reply = transport.Post(server.Url() + "/x", "");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 500);
    EXPECT_EQ(HttpPost(transport, server.Url() + "/x", ""), "<h1>boom</h1>");
}

TEST_P(TransportContract, SendsAnEmptyFormPost) {
    MisbehavingServer server(MisbehavingServer::Respond(200, "ok"));
    EXPECT_EQ(HttpPost(transport, server.Url() + "/alertdesk/vers.asp?vers=5.0.2", ""), "ok");
    ASSERT_EQ(server.Heads().size(), 1u);
    const std::string head = server.Heads()[0];
    EXPECT_EQ(FirstLine(head), "POST /alertdesk/vers.asp?vers=5.0.2 HTTP/1.1");
    EXPECT_NE(head.find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"), std::string::npos);
    EXPECT_NE(head.find("\r\nContent-Length: 0\r\n"), std::string::npos);
    EXPECT_EQ(head.find("Expect:"), std::string::npos);
}

// A code is put into the URL as typed; on the wire it must neither split
// the request line nor smuggle in a header.
TEST_P(TransportContract, RequestLineCarriesUnsafeBytesPercentEncoded) {
    MisbehavingServer server(MisbehavingServer::Respond(200, "err01"));
    const ServiceRequests requests(server.Url());
    EXPECT_EQ(HttpPost(transport, requests.SignIn("a b&c\r\nX-Injected: 1中文"), ""), "err01");
    ASSERT_EQ(server.Heads().size(), 1u);
    const std::string head = server.Heads()[0];
    EXPECT_EQ(FirstLine(head),
              "POST /alertdesk/yzm_check.asp?code=a%20b&c%0D%0AX-Injected:%201%E4%B8%AD%E6%96%87 HTTP/1.1");
    EXPECT_EQ(head.find("\r\nX-Injected"), std::string::npos);
}

TEST_P(TransportContract, ServerThatNeverAnswersGivesNothingWithinTheTimeOut) {
    MisbehavingServer server(MisbehavingServer::NeverAnswer());
    const auto start = Clock::now();
    EXPECT_EQ(HttpPost(transport, server.Url() + "/x", ""), "");
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(14500));
    EXPECT_LE(waited, std::chrono::milliseconds(18000));
}

TEST_P(TransportContract, ResetAndRefusedConnectionsGiveNothing) {
    MisbehavingServer resetting(MisbehavingServer::Reset());
    EXPECT_EQ(transport.Post(resetting.Url() + "/x", ""), std::nullopt);

    std::string closedUrl;
    {
        MisbehavingServer gone(MisbehavingServer::Reset());
        closedUrl = gone.Url();
    }
    const auto start = Clock::now();
    EXPECT_EQ(HttpPost(transport, closedUrl + "/x", ""), "");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(HttpPost(transport, "not a url at all", ""), "");
}

TEST_P(TransportContract, RepliesOverOneMebibyteAreFailures) {
    constexpr std::size_t kMiB = 1024 * 1024;
    for (const bool announced : {true, false}) {
        MisbehavingServer exact(MisbehavingServer::RespondWithBodyOf(kMiB, announced));
        EXPECT_EQ(HttpPost(transport, exact.Url() + "/x", "").size(), kMiB) << "announced " << announced;
        MisbehavingServer over(MisbehavingServer::RespondWithBodyOf(kMiB + 1, announced));
        EXPECT_EQ(transport.Post(over.Url() + "/x", ""), std::nullopt) << "announced " << announced;
        MisbehavingServer huge(MisbehavingServer::RespondWithBodyOf(10 * kMiB, announced));
        EXPECT_EQ(HttpPost(transport, huge.Url() + "/x", ""), "") << "announced " << announced;
    }
}

TEST_P(TransportContract, RedirectLoopStopsAfterFiveFollowsKeepingThePost) {
    MisbehavingServer server(MisbehavingServer::RedirectTo("/again"));
    EXPECT_EQ(transport.Post(server.Url() + "/start", ""), std::nullopt);
    const auto heads = server.Heads();
    ASSERT_EQ(heads.size(), 6u);
    for (const std::string& head : heads) EXPECT_TRUE(head.starts_with("POST /")) << FirstLine(head);
}

// /1 -> /2 -> ... -> /5 -> /end: five follows is the most allowed, and
// 301, 302 and 303 all keep the POST.
TEST_P(TransportContract, FollowsAChainOfFiveRedirects) {
    MisbehavingServer server([](int socket, const std::string& head) {
        const std::string path = head.substr(5, head.find(' ', 5) - 5);
        if (path == "/end") {
            testing::SendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 4\r\nConnection: close\r\n\r\ndone");
            return;
        }
        const int hop = std::stoi(path.substr(1));
        const std::string status = hop % 3 == 0 ? "303 See Other" : hop % 3 == 1 ? "301 Moved" : "302 Found";
        const std::string next = hop == 5 ? "/end" : "/" + std::to_string(hop + 1);
        testing::SendAll(socket, "HTTP/1.1 " + status + "\r\nLocation: " + next +
                                     "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    });
    EXPECT_EQ(HttpPost(transport, server.Url() + "/1", ""), "done");
    const auto heads = server.Heads();
    ASSERT_EQ(heads.size(), 6u);
    for (const std::string& head : heads) EXPECT_TRUE(head.starts_with("POST /")) << FirstLine(head);
}

TEST_P(TransportContract, FollowsARedirectWithoutKeepingCookies) {
    MisbehavingServer server([](int socket, const std::string& head) {
        if (head.starts_with("POST /start")) {
            testing::SendAll(socket,
                             "HTTP/1.1 302 Found\r\nLocation: /end\r\nSet-Cookie: session=1\r\n"
                             "Content-Length: 0\r\nConnection: close\r\n\r\n");
        } else {
            testing::SendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 7\r\nConnection: close\r\n\r\narrived");
        }
    });
    EXPECT_EQ(HttpPost(transport, server.Url() + "/start", ""), "arrived");
    const auto heads = server.Heads();
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_EQ(FirstLine(heads[1]), "POST /end HTTP/1.1");
    EXPECT_EQ(heads[1].find("Cookie"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Transports, TransportContract, ::testing::ValuesIn(testing::TransportsUnderTest()),
                         testing::TransportName);

}  // namespace
}  // namespace sentrel
