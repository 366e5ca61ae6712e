#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <regex>

#include "client/HttpPost.h"
#include "client/ServiceClient.h"
#include "platform/curl/CurlTransport.h"
#include "support/MisbehavingServer.h"
#include "support/ServiceProcess.h"
#include "support/Waiting.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Counts requests per alert id under the state it was in: up, it takes the
// alert; down, 503; holding, it answers nothing until the state changes.
class ForwardTarget {
public:
    enum class State { Up, Down, Holding };

    ForwardTarget()
        : server_([this](int socket, const std::string& head) {
              std::smatch id;
              if (!std::regex_search(head, id, std::regex("X-Sentrel-Alert-Id: (\\d+)"))) return;
              std::unique_lock lock(mutex_);
              const State came = state_;
              ++requests_[static_cast<int>(came)][std::stoi(id[1])];
              if (came == State::Holding) return changed_.wait(lock, [this] { return state_ != State::Holding; });
              lock.unlock();
              testing::MisbehavingServer::Respond(came == State::Up ? 200 : 503, "")(socket, head);
          }) {}
    ~ForwardTarget() { Set(State::Up); }

    void Set(State state) {
        const std::lock_guard lock(mutex_);
        state_ = state;
        changed_.notify_all();
    }
    std::map<int, int> Requests(State state) const {
        const std::lock_guard lock(mutex_);
        return requests_[static_cast<int>(state)];
    }
    std::string Written() const { return "ntfy:" + server_.Url() + "/topic"; }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::Up;
    std::map<int, int> requests_[3];
    // Last, so that it stops, and its requests end, before the rest goes.
    testing::MisbehavingServer server_;
};

class ServiceRelayTest : public ::testing::Test {
protected:
    std::unique_ptr<testing::ServiceProcess> Start() {
        return std::make_unique<testing::ServiceProcess>(
            std::vector<std::string>{"--code", "4321", "--db", database.Path(), "--forward", target.Written()});
    }
    ServiceClient Client(testing::ServiceProcess& service) {
        return ServiceClient(transport, ServiceRequests(service.Url()));
    }
    void ExpectEachTakenOnce(testing::ServiceProcess& service) {
        const auto owesNothing = [&] {
            return HttpPost(transport, service.Url() + "/status", "").find("\"pending\":0,\"delivered\":3") !=
                   std::string::npos;
        };
        ASSERT_TRUE(testing::WaitFor(owesNothing, 20s));
        EXPECT_EQ(target.Requests(ForwardTarget::State::Up), (std::map<int, int>{{1, 1}, {2, 1}, {3, 1}}));
    }

    testing::TempDatabase database;
    ForwardTarget target;
    CurlTransport transport;
};

TEST_F(ServiceRelayTest, AlertsReachATargetThatWasDownAndSignInsOutliveARestart) {
    const std::string openId = Client(*Start()).SignIn("4321").value();
    const auto service = Start();
    target.Set(ForwardTarget::State::Down);
    for (int area = 1; area <= 3; ++area)
        ASSERT_EQ(Client(*service).SendAlert(openId, 15000, area), ServiceClient::Delivery::Accepted);
    ASSERT_TRUE(testing::WaitFor([&] { return !target.Requests(ForwardTarget::State::Down).empty(); }, 10s));
    target.Set(ForwardTarget::State::Up);
    ExpectEachTakenOnce(*service);
}

TEST_F(ServiceRelayTest, AKilledServiceDeliversWhatWasPendingAfterARestart) {
    auto service = Start();
    const std::string openId = Client(*service).SignIn("4321").value();
    target.Set(ForwardTarget::State::Holding);
    for (int area = 1; area <= 3; ++area)
        ASSERT_EQ(Client(*service).SendAlert(openId, 15000, area), ServiceClient::Delivery::Accepted);
    ASSERT_TRUE(testing::WaitFor([&] { return !target.Requests(ForwardTarget::State::Holding).empty(); }, 10s));
    service.reset();  // SIGKILL
    target.Set(ForwardTarget::State::Up);
    service = Start();
    ExpectEachTakenOnce(*service);
}

// The redirect is not followed, so the alert goes nowhere else.
TEST_F(ServiceRelayTest, ATargetThatNeverAnswersHoldsUpNoOther) {
    testing::MisbehavingServer silent(testing::MisbehavingServer::NeverAnswer());
    testing::MisbehavingServer elsewhere(testing::MisbehavingServer::Respond(200, ""));
    testing::MisbehavingServer redirecting([&elsewhere](int socket, const std::string&) {
        testing::SendAll(socket, "HTTP/1.1 307 Elsewhere\r\nLocation: " + elsewhere.Url() +
                                     "/\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    });
    testing::ServiceProcess service({"--code", "4321", "--forward", "ntfy:" + silent.Url() + "/t", "--forward",
                                     "webhook:" + redirecting.Url() + "/hook", "--forward", target.Written()});
    const std::string openId = Client(service).SignIn("4321").value();
    for (int area = 1; area <= 5; ++area) {
        ASSERT_EQ(Client(service).SendAlert(openId, 15000, area), ServiceClient::Delivery::Accepted);
        EXPECT_TRUE(testing::WaitFor([&] { return target.Requests(ForwardTarget::State::Up).contains(area); }, 3s))
            << "alert " << area;
    }
    const std::string refused = "webhook " + redirecting.Url().substr(7) + " (no reply, or a redirect";
    EXPECT_TRUE(service.Process().WaitForLine(testing::ChildProcess::Stream::Err, testing::Containing(refused)));
    EXPECT_TRUE(elsewhere.Heads().empty());
}

// A 503, so that the tool keeps the alert, never an ok for what was not kept.
TEST_F(ServiceRelayTest, ADatabaseThatVanishesStopsTheServiceAccepting) {
    const auto folder = std::filesystem::temp_directory_path() / ("sentrel-vanishing-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    testing::ServiceProcess service({"--code", "4321", "--db", (folder / "service.db").string()});
    const std::string openId = Client(service).SignIn("4321").value();
    std::filesystem::remove_all(folder);
    for (int area = 1; area <= 2; ++area)
        EXPECT_EQ(Client(service).SendAlert(openId, 15000, area), ServiceClient::Delivery::TryAgain);
    EXPECT_EQ(transport.Post(ServiceRequests(service.Url()).SignIn("4321"), "").value().status, 503);
    const auto err = testing::ChildProcess::Stream::Err;
    ASSERT_TRUE(service.Process().WaitForLine(err, testing::Containing("not served: database")));
    EXPECT_EQ(std::ranges::count_if(service.Process().Lines(err), testing::Containing("in use; no alert")), 1);
    EXPECT_TRUE(service.Process().Lines(testing::ChildProcess::Stream::Out).empty());
}

TEST_F(ServiceRelayTest, SigtermLeavesTheStateInTheDatabaseFileAlone) {
    auto service = Start();
    const std::string openId = Client(*service).SignIn("4321").value();
    ASSERT_EQ(Client(*service).SendAlert(openId, 15000, 1), ServiceClient::Delivery::Accepted);
    ::kill(service->Process().Pid(), SIGTERM);
    ASSERT_TRUE(testing::WaitFor([&] { return !service->Process().Running(); }, 10s));
    EXPECT_EQ(service->Process().ExitCode(), 0);
    const std::string wal = database.Path() + "-wal";
    EXPECT_EQ(std::filesystem::exists(wal) ? std::filesystem::file_size(wal) : 0u, 0u);
}

TEST(ServiceStart, RefusesFilesItCannotUse) {
    const testing::TempDatabase readOnly, shared, database;
    const std::string folder = readOnly.Path() + ".d";
    std::ofstream(readOnly.Path()).flush();
    std::ofstream(shared.Path()) << "ntfy:http://127.0.0.1:9/t\n";
    std::filesystem::create_directory(folder);
    ::chmod(readOnly.Path().c_str(), 0400);
    ::chmod(folder.c_str(), 0500);
    ::chmod(shared.Path().c_str(), 0644);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--db", readOnly.Path()}, readOnly.Path() + ": Permission denied"},
        {{"--db", folder + "/service.db"}, folder + "/service.db: Permission denied"},
        {{"--db", database.Path(), "--forwards", shared.Path()}, shared.Path() + " may be read or written by others"},
        {{"--db", database.Path(), "--forwards", folder + "/none"}, folder + "/none: No such file"}};
    for (const auto& [args, reason] : cases) {
        // Root may write anything; without these capabilities it may not.
        std::vector<std::string> argv = {"/usr/bin/setpriv", "--inh-caps=-dac_override,-dac_read_search",
                                         "--bounding-set=-dac_override,-dac_read_search"};
        if (::geteuid() != 0) argv.clear();
        argv.insert(argv.end(), {SENTREL_SERVICE_BINARY, "--port", "0"});
        argv.insert(argv.end(), args.begin(), args.end());
        testing::ChildProcess service(argv);
        EXPECT_TRUE(service.WaitForLine(testing::ChildProcess::Stream::Err, testing::Containing(reason))) << reason;
        ASSERT_TRUE(testing::WaitFor([&] { return !service.Running(); }, 10s));
        EXPECT_EQ(service.ExitCode(), 1);
    }
    std::filesystem::remove(folder);
}

}  // namespace
}  // namespace sentrel
