#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "client/HttpPost.h"
#include "client/ServiceRequests.h"
#include "platform/curl/CurlTransport.h"
#include "support/MisbehavingServer.h"
#include "support/WineProbeTransport.h"

namespace sentrel {
namespace {

using testing::MisbehavingServer;
using Clock = std::chrono::steady_clock;

std::string FirstLine(const std::string& head) { return head.substr(0, head.find("\r\n")); }

// Every case holds for libcurl and, when this build was pointed at a Windows
// build, for the Windows edition's WinHTTP under Wine.
struct TransportUnderTest {
    std::string name;
    std::function<std::unique_ptr<Transport>()> make;
};
void PrintTo(const TransportUnderTest& transport, std::ostream* os) { *os << transport.name; }

const TransportUnderTest kTransports[] = {
    {"libcurl", [] { return std::make_unique<CurlTransport>(); }},
#ifdef SENTREL_WINE_TRANSPORT_PROBE
    {"WinHttpUnderWine", [] { return std::make_unique<testing::WineProbeTransport>(SENTREL_WINE_TRANSPORT_PROBE); }},
#endif
};

class TransportContract : public ::testing::TestWithParam<TransportUnderTest> {
protected:
    std::unique_ptr<Transport> made = GetParam().make();
    Transport& transport = *made;
};

// A code goes into the URL as typed; on the wire it must neither split the
// request line nor smuggle in a header. An error status is still a reply.
TEST_P(TransportContract, SendsAnEmptyFormPostOnASafeRequestLineAndTakesAnyStatus) {
    MisbehavingServer server(MisbehavingServer::Respond(500, "<h1>boom</h1>"));
    const auto reply = transport.Post(ServiceRequests(server.Url()).SignIn("a b&c\r\nX-Injected: 1中文"), "");
    EXPECT_EQ(std::tie(reply.value().status, reply.value().body), std::make_tuple(500, "<h1>boom</h1>"));
    const std::string head = server.Requests().at(0);
    EXPECT_EQ(FirstLine(head),
              "POST /alertdesk/yzm_check.asp?code=a%20b&c%0D%0AX-Injected:%201%E4%B8%AD%E6%96%87 HTTP/1.1");
    EXPECT_EQ(head.find("\r\nX-Injected"), std::string::npos);
    EXPECT_NE(head.find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"), std::string::npos);
    EXPECT_NE(head.find("\r\nContent-Length: 0\r\n"), std::string::npos);
    EXPECT_EQ(head.find("Expect:"), std::string::npos);
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

    const std::string closedUrl = MisbehavingServer(MisbehavingServer::Reset()).Url();
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
    }
}

// /0 -> /1 -> ... -> /n, each hop answering 301, 302 or 303 in turn and
// setting a cookie: five follows are the most allowed, each keeps the POST,
// and no cookie is sent back.
TEST_P(TransportContract, FollowsUpToFiveRedirectsKeepingThePostWithoutCookies) {
    for (const auto& [hops, body] : {std::pair<int, std::optional<std::string>>{1, "done"}, {5, "done"}, {6, {}}}) {
        MisbehavingServer server([hops](testing::LoopbackClient& peer, const std::string& head) {
            const int hop = std::atoi(head.c_str() + head.find('/') + 1);
            if (hop == hops) return MisbehavingServer::Answer(peer, 200, "done");
            const std::string status[] = {"301 Moved", "302 Found", "303 See Other"};
            peer.Send("HTTP/1.1 " + status[hop % 3] + "\r\nLocation: /" + std::to_string(hop + 1) +
                      "\r\nSet-Cookie: hop=1\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        });
        const auto reply = transport.Post(server.Url() + "/0", "");
        EXPECT_EQ(reply ? std::optional(reply->body) : std::nullopt, body) << hops << " redirects";
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), static_cast<std::size_t>(std::min(hops, 5) + 1)) << hops << " redirects";
        for (std::size_t k = 0; k < requests.size(); ++k) {
            EXPECT_EQ(FirstLine(requests[k]), "POST /" + std::to_string(k) + " HTTP/1.1");
            EXPECT_EQ(requests[k].find("Cookie"), std::string::npos);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Transports, TransportContract, ::testing::ValuesIn(kTransports),
                         [](const auto& transport) { return transport.param.name; });

}  // namespace
}  // namespace sentrel
