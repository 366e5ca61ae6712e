#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "client/ServiceClient.h"
#include "platform/curl/CurlTransport.h"
#include "support/ServiceProcess.h"
#include "support/Waiting.h"

namespace sentrel {
namespace {

using testing::ChildProcess;
using testing::Containing;

// What only the running program does: print its address and a code, serve
// the desk over HTTP, log every request, record accepted alerts and run the
// user's command. The desk's own rules are unit tests.
class ServiceProcessTest : public ::testing::Test {
protected:
    void TearDown() override {
        std::filesystem::remove(log);
        std::filesystem::remove(commandLog);
    }

    const std::string log = ::testing::TempDir() + "sentrel-service-" + std::to_string(getpid()) + ".log";
    const std::string commandLog = log + ".on-alert";
    // It also lists the files the command was given: its output and nothing
    // of the service's (no client's connection).
    testing::ServiceProcess service{{"--code", "4321", "--log", log, "--on-alert-log", commandLog, "--on-alert",
                                     "echo on-alert $SENTREL_AREA $SENTREL_SJS $SENTREL_TIME; ls /proc/$$/fd"}};
    CurlTransport transport;
    ServiceRequests requests{service.Url()};
    ServiceClient client{transport, requests};
};

TEST_F(ServiceProcessTest, SignsInWithThePrintedCodeAndRecordsOnlyAcceptedAlerts) {
    const std::optional<std::string> openId = client.SignIn(service.IssuedCode());
    ASSERT_TRUE(openId);
    EXPECT_EQ(client.SendAlert("oSomeoneElse", 12345, 5), ServiceClient::Delivery::Refused);
    ASSERT_EQ(client.SendAlert(*openId, 20000, 7), ServiceClient::Delivery::Accepted);

    const auto line = service.Process().WaitForLine(ChildProcess::Stream::Out, Containing("\"area\":7"));
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("\"openid\":\"" + *openId + "\",\"area\":7,\"sjs\":20000}"), std::string::npos);
    EXPECT_EQ(service.Process().Lines(ChildProcess::Stream::Out).size(), 1u);
    std::ifstream logged(log);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(logged), {}), *line + "\n");
    EXPECT_TRUE(service.Process().WaitForLine(ChildProcess::Stream::Err, Containing("403 POST /alertdesk/sndmsg.asp")));
    EXPECT_TRUE(service.Process().WaitForLine(ChildProcess::Stream::Err, Containing("200 POST /alertdesk/sndmsg.asp")));
    const auto commandSaid = [this] {
        std::ifstream said(commandLog);
        return std::string(std::istreambuf_iterator<char>(said), {});
    };
    EXPECT_TRUE(testing::WaitFor([&] { return commandSaid().ends_with("\n0\n1\n2\n"); }, std::chrono::seconds(10)))
        << commandSaid();
    EXPECT_TRUE(commandSaid().starts_with("on-alert 7 20000 20")) << commandSaid();
}

// What the HTTP layer refuses gets an error and a log line, and the service
// goes on serving.
TEST_F(ServiceProcessTest, BadRequestsGetAnErrorNeverACrash) {
    EXPECT_EQ(transport.Post(requests.SignIn(std::string(100000, '7')), "").value().status, 414);
    EXPECT_EQ(transport.Post(service.Url() + "/%%%?%zz=%", "").value().status, 404);
    EXPECT_EQ(transport.Post(service.Url() + "/alertdesk/yzm_check.asp", "code=4321").value().status, 400);
    EXPECT_TRUE(service.Process().WaitForLine(ChildProcess::Stream::Err, Containing("414 ")));
    EXPECT_TRUE(service.Process().Running());
    EXPECT_NE(client.VersionNotice().find("5.0.2"), std::string::npos);
}

// Once it listens, the ready record names where and gives a code of its
// own, never logged, in a file only its owner may read.
TEST(ServiceReadyFile, GivesItsAddressAndAFreshCodeToItsOwnerAlone) {
    namespace fs = std::filesystem;
    const fs::path folder = ::testing::TempDir() + "sentrel-ready-" + std::to_string(getpid());
    fs::create_directories(folder);
    const fs::path file = folder / "ready.json";
    testing::ServiceProcess service{{"--ready-file", file.string()}};
    ASSERT_TRUE(testing::WaitFor([&] { return fs::exists(file); }, std::chrono::seconds(10)));
    std::ifstream written(file);
    const std::string record(std::istreambuf_iterator<char>(written), {});
    std::smatch fields;
    ASSERT_TRUE(std::regex_match(record, fields, std::regex("\\{\"url\":\"([^\"]+)\",\"code\":\"(\\d{6})\"\\}\n")))
        << record;
    EXPECT_EQ(fields[1], service.Url());
    EXPECT_NE(fields[2], service.IssuedCode());
    EXPECT_EQ(fs::status(file).permissions() & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
    CurlTransport transport;
    ServiceRequests requests{service.Url()};
    EXPECT_TRUE(ServiceClient(transport, requests).SignIn(fields[2]));
    fs::remove_all(folder);
}

}  // namespace
}  // namespace sentrel
