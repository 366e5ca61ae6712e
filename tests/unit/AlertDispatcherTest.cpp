#include "monitor/AlertDispatcher.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/ManualClock.h"
#include "support/ScriptedRandom.h"
#include "support/ScriptedTransport.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;

class AlertDispatcherTest : public ::testing::Test {
protected:
    testing::ScriptedTransport transport;
    ServiceClient client{transport, ServiceRequests("http://svc")};
    testing::ScriptedRandom random;
    testing::ManualClock clock;
    std::string openId = "oUser";
    AlertDispatcher dispatcher{client, random, clock, [this] { return openId; }};
};

// A failed alert is owed: sent again no sooner than 20 s after its last
// try, in area order, each time with a fresh r and the current OpenId. With
// the service unreachable, a round makes one request, not one per owed
// alert, and puts off the whole round. An r drawn just under 1 stays in range.
TEST_F(AlertDispatcherTest, FailedAlertsAreSentAgainUntilAccepted) {
    transport.NoReply();       // area 9
    transport.Reply(500, "");  // area 3
    random.queue = {0.1f, 0.2f, std::nextafter(1.0f, 0.0f), 0.4f, 0.5f};
    dispatcher.RaiseAlert(9);
    clock.Advance(5s);
    dispatcher.RaiseAlert(3);
    clock.Advance(14s);
    dispatcher.RetryOwed();
    clock.Advance(1s);  // 20 s after area 9's try, 15 s after area 3's
    transport.Reply(503, "busy");
    openId = "oLater";
    dispatcher.RetryOwed();
    dispatcher.RetryOwed();
    ASSERT_EQ(transport.sent.size(), 3u);
    EXPECT_NE(transport.sent[2].find("openid=oLater&sjs=21110&"), std::string::npos);
    EXPECT_TRUE(transport.sent[2].ends_with("&str=9"));
    clock.Advance(20s);
    transport.NoReply();
    dispatcher.RetryOwed();
    clock.Advance(19s);
    dispatcher.RetryOwed();
    ASSERT_EQ(transport.sent.size(), 4u);
    clock.Advance(1s);
    transport.ReplyAlways(204, "");  // any 2xx is accepted
    dispatcher.RetryOwed();
    ASSERT_EQ(transport.sent.size(), 6u);
    for (const std::size_t k : {3u, 4u}) EXPECT_TRUE(transport.sent[k].ends_with("&str=3")) << transport.sent[k];
    EXPECT_TRUE(transport.sent[5].ends_with("&str=9")) << transport.sent[5];
    EXPECT_TRUE(dispatcher.OwedAreas().empty());
}

// Only an answer that a later try may change keeps the alert owed; any
// other refusal drops it, whether on the first send or on a retry.
TEST_F(AlertDispatcherTest, OnlyTransientRefusalsKeepAnAlertOwed) {
    const struct {
        long status;
        bool owed;
    } cases[] = {{500, true},  {503, true},  {599, true},  {408, true},  {429, true},
                 {400, false}, {403, false}, {404, false}, {302, false}, {499, false}};
    for (const auto& c : cases) {
        transport.Reply(c.status, "");
        dispatcher.RaiseAlert(1);
        EXPECT_EQ(dispatcher.OwedAreas().size(), c.owed ? 1u : 0u) << c.status;
        if (!c.owed) continue;
        clock.Advance(20s);
        transport.Reply(403, "");
        dispatcher.RetryOwed();
        EXPECT_TRUE(dispatcher.OwedAreas().empty()) << "dropped on retry after " << c.status;
    }
}

}  // namespace
}  // namespace sentrel
