#include "monitor/AlertDispatcher.h"

#include <gtest/gtest.h>

#include <cmath>

#include "service/AlertSignature.h"
#include "support/ManualClock.h"
#include "support/ScriptedRandom.h"
#include "support/ScriptedTransport.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;

TEST(AlertNumber, StaysWithinRangeEvenForUJustUnderOne) {
    testing::ScriptedRandom random;
    const float justUnderOne = std::nextafter(1.0f, 0.0f);
    random.queue = {0.0f, justUnderOne, 0.5f};
    EXPECT_EQ(DrawAlertNumber(random), 11111);
    EXPECT_EQ(DrawAlertNumber(random), 21110);
    EXPECT_EQ(DrawAlertNumber(random), 16111);
    // The same sum in single precision would overshoot.
    EXPECT_EQ(std::floor(justUnderOne * 10000.0f + 11111.0f), 21111.0f);
}

class AlertDispatcherTest : public ::testing::Test {
protected:
    std::vector<std::string> AlertUrls() const {
        std::vector<std::string> urls;
        for (const auto& sent : transport.sent) urls.push_back(sent.url);
        return urls;
    }

    testing::ScriptedTransport transport;
    ServiceClient client{transport, ServiceRequests("http://svc")};
    testing::ScriptedRandom random;
    testing::ManualClock clock;
    std::string openId = "oUser";
    AlertDispatcher dispatcher{client, random, clock, [this] { return openId; }};
};

TEST_F(AlertDispatcherTest, AcceptedAlertIsSentOnce) {
    transport.Reply(200, "ok");
    random.queue = {0.25f};
    dispatcher.RaiseAlert(4);
    EXPECT_EQ(AlertUrls(), std::vector<std::string>{"http://svc/alertdesk/sndmsg.asp?openid=oUser&sjs=13611&code=" +
                                                    AlertSignature(13611) + "&str=4"});
    dispatcher.RetryOwed();
    clock.Advance(60s);
    dispatcher.RetryOwed();
    EXPECT_EQ(transport.sent.size(), 1u);
    EXPECT_TRUE(dispatcher.OwedAreas().empty());
}

// A failed alert is owed: retried no sooner than 20 s after the last try,
// in area order, each time with a fresh r and the current OpenId, until the
// service accepts it.
TEST_F(AlertDispatcherTest, FailedAlertsAreRetriedUntilAccepted) {
    transport.NoReply();       // area 9, first try
    transport.Reply(500, "");  // area 3, first try
    random.queue = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
    dispatcher.RaiseAlert(9);
    clock.Advance(5s);
    dispatcher.RaiseAlert(3);
    EXPECT_EQ(dispatcher.OwedAreas(), (std::vector<int>{3, 9}));

    clock.Advance(14s);  // 19 s after area 9's try
    dispatcher.RetryOwed();
    EXPECT_EQ(transport.sent.size(), 2u);

    clock.Advance(1s);  // 20 s after area 9's try, 15 s after area 3's
    transport.Reply(503, "busy");
    openId = "oLater";
    dispatcher.RetryOwed();
    ASSERT_EQ(transport.sent.size(), 3u);
    EXPECT_NE(transport.sent[2].url.find("openid=oLater&sjs=14111&"), std::string::npos);
    EXPECT_NE(transport.sent[2].url.find("&str=9"), std::string::npos);

    clock.Advance(20s);
    transport.Reply(200, "ok");  // area 3
    transport.Reply(200, "ok");  // area 9
    dispatcher.RetryOwed();
    ASSERT_EQ(transport.sent.size(), 5u);
    EXPECT_NE(transport.sent[3].url.find("&str=3"), std::string::npos);
    EXPECT_NE(transport.sent[4].url.find("&str=9"), std::string::npos);
    EXPECT_NE(transport.sent[3].url.find("sjs=15111&code=" + AlertSignature(15111)), std::string::npos);
    EXPECT_TRUE(dispatcher.OwedAreas().empty());
}

// With the service unreachable, a round of retries makes one request, not
// one per owed alert, and tries again only an interval later.
TEST_F(AlertDispatcherTest, AnUnreachableServiceCostsOneRequestPerRound) {
    for (int area = 1; area <= 5; ++area) {
        transport.NoReply();
        dispatcher.RaiseAlert(area);
    }
    ASSERT_EQ(transport.sent.size(), 5u);
    clock.Advance(20s);
    transport.NoReply();
    dispatcher.RetryOwed();
    EXPECT_EQ(transport.sent.size(), 6u);
    dispatcher.RetryOwed();
    clock.Advance(19s);
    dispatcher.RetryOwed();
    EXPECT_EQ(transport.sent.size(), 6u);
    clock.Advance(1s);
    transport.ReplyAlways(200, "ok");
    dispatcher.RetryOwed();
    EXPECT_EQ(transport.sent.size(), 11u);
    EXPECT_TRUE(dispatcher.OwedAreas().empty());
}

}  // namespace
}  // namespace sentrel
