#include "service/ServiceClient.h"

#include <gtest/gtest.h>

#include "service/HttpPost.h"
#include "support/ScriptedTransport.h"

namespace sentrel {
namespace {

using testing::ScriptedTransport;

class ServiceClientTest : public ::testing::Test {
protected:
    ScriptedTransport transport;
    ServiceClient client{transport, ServiceRequests("http://svc")};
};

TEST_F(ServiceClientTest, HttpPostReturnsAnyBodyAndEmptyOnFailure) {
    transport.Reply(500, "<h1>Internal error</h1>");
    transport.NoReply();
    transport.Throw();
    transport.Reply(200, "second call unaffected");
    EXPECT_EQ(HttpPost(transport, "http://svc/x", ""), "<h1>Internal error</h1>");
    EXPECT_EQ(HttpPost(transport, "http://svc/x", ""), "");
    EXPECT_EQ(HttpPost(transport, "http://svc/x", ""), "");
    EXPECT_EQ(HttpPost(transport, "http://svc/x", ""), "second call unaffected");
    ASSERT_EQ(transport.sent.size(), 4u);
    EXPECT_EQ(transport.sent[0].body, "");
}

TEST_F(ServiceClientTest, SignInTakesOnlyARealAnswerAsOpenIdAndKeepsItExactly) {
    transport.Reply(200, " oPen\r\n");
    transport.Reply(200, "ERR01");
    EXPECT_EQ(client.SignIn("1234"), " oPen\r\n");
    EXPECT_EQ(client.SignIn("1234"), "ERR01");

    transport.Reply(200, "err01");
    transport.Reply(200, "");
    transport.Reply(500, "<html>Server Error</html>");
    transport.Reply(302, "moved");
    transport.NoReply();
    transport.Throw();
    for (int i = 0; i < 6; ++i) EXPECT_EQ(client.SignIn("1234"), std::nullopt) << "refusal " << i;
    EXPECT_EQ(transport.sent.back().url, "http://svc/alertdesk/yzm_check.asp?code=1234");
}

TEST_F(ServiceClientTest, AlertCountsAsDeliveredOnlyOnA2xxReply) {
    transport.Reply(200, "");
    transport.Reply(204, "");
    transport.Reply(500, "ok");
    transport.Reply(404, "");
    transport.NoReply();
    using Delivery = ServiceClient::Delivery;
    EXPECT_EQ(client.SendAlert("o1", 12345, 2), Delivery::Accepted);
    EXPECT_EQ(client.SendAlert("o1", 12345, 2), Delivery::Accepted);
    EXPECT_EQ(client.SendAlert("o1", 12345, 2), Delivery::Refused);
    EXPECT_EQ(client.SendAlert("o1", 12345, 2), Delivery::Refused);
    EXPECT_EQ(client.SendAlert("o1", 12345, 2), Delivery::NoReply);
}

TEST_F(ServiceClientTest, FireAndForgetRequestsSurviveFailures) {
    transport.Reply(200, "本地通知服务");
    transport.Throw();
    transport.NoReply();
    transport.NoReply();
    EXPECT_EQ(client.VersionNotice(), "本地通知服务");
    EXPECT_EQ(client.VersionNotice(), "");
    client.KeepAlive("");
    client.SignOff("");
    ASSERT_EQ(transport.sent.size(), 4u);
    EXPECT_EQ(transport.sent[2].url, "http://svc/alertdesk/checkon.asp?openid=");
    EXPECT_EQ(transport.sent[3].url, "http://svc/alertdesk/checkoff.asp?openid=");
}

}  // namespace
}  // namespace sentrel
