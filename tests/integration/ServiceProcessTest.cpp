#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "service/AlertSignature.h"
#include "service/HttpPost.h"
#include "service/ServiceClient.h"
#include "support/ServiceProcess.h"
#include "support/TransportsUnderTest.h"

namespace sentrel {
namespace {

using testing::ChildProcess;
using testing::ServiceProcess;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

ChildProcess::LineTest Containing(const std::string& text) {
    return [text](const std::string& line) { return line.find(text) != std::string::npos; };
}

// Each case holds for every transport: libcurl, and WinHTTP under Wine.
class ServiceProcessTest : public ::testing::TestWithParam<testing::TransportUnderTest> {
protected:
    static std::filesystem::path Scratch() {
        const auto dir = std::filesystem::temp_directory_path() / ("sentrel-service-test-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        return dir;
    }

    const std::filesystem::path dir = Scratch();
    const std::filesystem::path log = dir / "alerts.log";
    const std::filesystem::path commandOutput = dir / "command.out";
    ServiceProcess service{{"--code", "4321", "--log", log.string(), "--on-alert",
                            "echo \"$SENTREL_AREA $SENTREL_SJS $SENTREL_TIME\" >> '" + commandOutput.string() + "'"}};
    std::unique_ptr<Transport> made = GetParam().make();
    Transport& transport = *made;
    ServiceRequests requests{service.Url()};
    ServiceClient client{transport, requests};

    void TearDown() override { std::filesystem::remove_all(dir); }
};

TEST_P(ServiceProcessTest, VersionNoticeAndSignIn) {
    EXPECT_NE(client.VersionNotice().find("5.0.2"), std::string::npos);

    EXPECT_EQ(HttpPost(transport, requests.SignIn("err01"), ""), "err01");
    EXPECT_EQ(client.SignIn("999999x"), std::nullopt);

    const std::optional<std::string> openId = client.SignIn(service.IssuedCode());
    ASSERT_TRUE(openId);
    EXPECT_EQ(openId->size(), 28u);
    EXPECT_EQ(client.SignIn(service.IssuedCode()), std::nullopt) << "an issued code is single-use";
    const std::optional<std::string> again = client.SignIn("4321");
    ASSERT_TRUE(again);
    EXPECT_NE(*again, *openId);
}

TEST_P(ServiceProcessTest, SignedAlertIsLoggedAndForgedOneRefused) {
    const std::string openId = client.SignIn("4321").value();

    std::string forged = requests.Alert(openId, 12345, 5);
    forged.replace(forged.find(AlertSignature(12345)), 40, AlertSignature(12346));
    const auto refused = transport.Post(forged, "");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 403);
    EXPECT_EQ(client.SendAlert("oSomeoneElse", 12345, 5), ServiceClient::Delivery::Refused);

    ASSERT_EQ(client.SendAlert(openId, 20000, 7), ServiceClient::Delivery::Accepted);
    const auto line = service.Process().WaitForLine(ChildProcess::Stream::Out, Containing("\"area\":7"));
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("\"openid\":\"" + openId + "\""), std::string::npos);
    EXPECT_NE(line->find("\"sjs\":20000"), std::string::npos);

    const auto outLines = service.Process().Lines(ChildProcess::Stream::Out);
    EXPECT_EQ(outLines.size(), 1u) << "only the signed alert is accepted";
    EXPECT_EQ(ReadFile(log), *line + "\n");

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (ReadFile(commandOutput).empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(ReadFile(commandOutput).starts_with("7 20000 20")) << ReadFile(commandOutput);

    EXPECT_TRUE(service.Process().WaitForLine(ChildProcess::Stream::Err, Containing("403 POST")));
}

TEST_P(ServiceProcessTest, KeepAliveAndSignOff) {
    EXPECT_EQ(HttpPost(transport, requests.KeepAlive(""), ""), "ok");
    EXPECT_EQ(HttpPost(transport, requests.SignOff(""), ""), "ok");

    const std::string openId = client.SignIn("4321").value();
    client.SignOff(openId);
    EXPECT_EQ(HttpPost(transport, service.Url() + "/status", ""), "{\"signedIn\":1,\"online\":0}");
    client.KeepAlive(openId);
    EXPECT_EQ(HttpPost(transport, service.Url() + "/status", ""), "{\"signedIn\":1,\"online\":1}");
}

// Several windows signing in at once with the one code printed at start:
// exactly one gets an OpenId.
TEST_P(ServiceProcessTest, AnIssuedCodeIsUsedOnceUnderConcurrentSignIns) {
    std::vector<std::optional<std::string>> results(8);
    std::vector<std::thread> threads;
    for (auto& result : results) {
        threads.emplace_back([&result, this] {
            const std::unique_ptr<Transport> own = GetParam().make();
            ServiceClient window(*own, requests);
            result = window.SignIn(service.IssuedCode());
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(std::count_if(results.begin(), results.end(), [](const auto& r) { return r.has_value(); }), 1);
}

// Whatever arrives, the service answers with an error and a log line and
// keeps serving.
TEST_P(ServiceProcessTest, BadInputGetsAnErrorNeverACrash) {
    const std::string huge(100000, '7');
    const struct {
        std::string url;
        long status;
    } cases[] = {
        {requests.SignIn(huge), 414},
        {service.Url() + "/alertdesk/yzm_check.asp?code=1&code=4321", 400},
        {service.Url() + "/alertdesk/yzm_check.asp", 400},
        {service.Url() + "/alertdesk/sndmsg.asp?openid=&sjs=&code=&str=", 403},
        {service.Url() + "/alertdesk/sndmsg.asp?openid=x&openid=y", 400},
        {service.Url() + "/alertdesk/nothing.asp", 404},
        {service.Url() + "/alertdesk/checkon.asp?openid=%00%FF%0D%0A", 404},
        {service.Url() + "/%%%?%zz=%", 404},
        {requests.SignIn("中文 验证码\r\n"), 200},
    };
    for (const auto& c : cases) {
        const auto reply = transport.Post(c.url, "");
        ASSERT_TRUE(reply) << c.url.substr(0, 120);
        EXPECT_EQ(reply->status, c.status) << c.url.substr(0, 120);
    }
    EXPECT_EQ(transport.Post(service.Url() + "/alertdesk/yzm_check.asp", "code=4321")->status, 400);
    EXPECT_TRUE(service.Process().WaitForLine(ChildProcess::Stream::Err, Containing("414 ")));
    EXPECT_TRUE(service.Process().Running());
    EXPECT_NE(client.VersionNotice().find("5.0.2"), std::string::npos);
    EXPECT_TRUE(service.Process().Lines(ChildProcess::Stream::Out).empty());
}

INSTANTIATE_TEST_SUITE_P(Transports, ServiceProcessTest, ::testing::ValuesIn(testing::TransportsUnderTest()),
                         testing::TransportName);

}  // namespace
}  // namespace sentrel
