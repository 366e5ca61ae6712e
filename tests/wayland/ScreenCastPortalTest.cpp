#include "platform/capture/PortalFrames.h"
#include "platform/capture/ScreenCastPortal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QTemporaryDir>

#include "support/BusCall.h"
#include "support/PrivateBus.h"
#include "support/Waiting.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using namespace testing;

const QString kPortal = "org.freedesktop.portal.Desktop", kMock = "org.freedesktop.DBus.Mock";
const QString kDesktop = "/org/freedesktop/portal/desktop";

// The portal mocked, as the parameters (JSON) ask, on a bus of the test's own.
struct MockedPortal {
    explicit MockedPortal(const std::string& parameters)
        : mock({"/usr/bin/python3", "-m", "dbusmock", "--template", SENTREL_PORTAL_MOCK, "-p", parameters}) {
        EXPECT_TRUE(WaitFor([&] { return ScreenCastPortal::Offered(bus); }, 20s));
    }
    ~MockedPortal() { QDBusConnection::disconnectFromBus(bus.name()); }
    bool Logged(const std::string& method, const std::string& words = "") const {
        return std::ranges::any_of(mock.Lines(ChildProcess::Stream::Out), [&](const std::string& line) {
            return line.find(" " + method) != std::string::npos && line.find(words) != std::string::npos;
        });
    }
    static bool Until(const std::function<bool()>& done) {
        return WaitFor([&] { return QCoreApplication::processEvents(), done(); }, 20s);
    }

    PrivateBus privateBus;
    ChildProcess mock;
    int argc = 0;
    QCoreApplication app{argc, nullptr};
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(privateBus.address),
                                                        QString::fromStdString(privateBus.address));
    QTemporaryDir home;
};

// The last stream listed is taken, over a connection no child inherits; the
// session closes when Sentrel ends. A kept consent is offered from version 4.
// The desktop's token is kept for the user alone, its folder made if need be,
// or the user is told where and why not (a file where the folder should be).
TEST(ScreenCastPortal, TakesTheLastStreamAndKeepsTheConsentForTheUserAlone) {
    enum class Folder { Missing, Kept, Blocked };
    for (const auto& [version, folder] : std::vector<std::tuple<std::uint32_t, Folder>>{
             {3, Folder::Kept}, {4, Folder::Kept}, {4, Folder::Missing}, {4, Folder::Blocked}}) {
        MockedPortal portal(R"({"streams": [7, 9], "version": )" + std::to_string(version) + "}");
        const std::string config = portal.home.filePath("config").toStdString(), tokenFile = config + "/token";
        ASSERT_TRUE(folder == Folder::Missing ||
                    (folder == Folder::Kept
                         ? std::filesystem::create_directory(config) && std::ofstream(tokenFile) << "kept"
                         : static_cast<bool>(std::ofstream(config) << "in the way")));
        std::uint32_t node = 0, descriptorFlags = 0;
        ::testing::internal::CaptureStderr();
        {
            ScreenCastPortal cast(
                portal.bus, QString::fromStdString(tokenFile),
                [&](int remote, std::uint32_t streamNode) {
                    node = streamNode;
                    descriptorFlags = static_cast<std::uint32_t>(::fcntl(remote, F_GETFD));
                    ::close(remote);
                },
                [](const std::string& why) { ADD_FAILURE() << why; }, [] {});
            cast.Start();
            EXPECT_TRUE(MockedPortal::Until([&] { return node != 0; }));
            EXPECT_FALSE(portal.Logged("Close"));
        }
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(node, 9u);
        EXPECT_EQ(descriptorFlags, std::uint32_t{FD_CLOEXEC});
        // The mock's log comes through a pipe, in order: what it says before
        // the close has come once the close has.
        EXPECT_TRUE(WaitFor([&] { return portal.Logged("Close"); }, 20s));
        EXPECT_EQ(portal.Logged("SelectSources", R"("persist_mode": 2, "restore_token": "kept")"),
                  version >= 4 && folder == Folder::Kept)
            << version;
        const bool toldNotKept =
            said.find("consent cannot be kept in " + tokenFile + " (creating its folder: ") != std::string::npos;
        EXPECT_EQ(toldNotKept, folder == Folder::Blocked) << said;
        if (folder == Folder::Blocked) continue;
        using std::filesystem::perms;
        EXPECT_EQ(std::filesystem::status(tokenFile).permissions(), perms::owner_read | perms::owner_write);
        std::string token;
        std::ifstream(tokenFile) >> token;
        EXPECT_EQ(token, "token1");
    }
}

// However the stream ends, the desktop is asked again with the consent kept.
// A refusal then, or a desktop that never answers within the wait, is told
// the user once, the window comes once, and no later answer changes it.
TEST(PortalFrames, AStreamThatEndsIsAskedForAgainAndAnUnansweredAskIsARefusal) {
    for (const auto& [end, parameters, failures] :
         std::vector<std::tuple<QString, std::string, int>>{{"session", "{}", 0},
                                                            {"pipewire", "{}", 0},
                                                            {"session", R"({"refuse_from": 2})", 1},
                                                            {"", R"({"silent": true})", 1}}) {
        MockedPortal portal(parameters);
        int failed = 0, answered = 0;
        PortalFrames frames(
            portal.home.filePath("token"), [&](const std::string&) { ++failed; }, portal.bus,
            end.isEmpty() ? 300ms : PortalFrames::kAnswerWait);
        frames.Start([&] { ++answered; });
        ASSERT_TRUE(MockedPortal::Until([&] { return answered == 1; }));
        if (end.isEmpty()) {
            EXPECT_TRUE(MockedPortal::Until([&] { return portal.Logged("Close"); }));
            // A refusal, sent before the call's reply, which the loop then delivers.
            BusCall(portal.bus, kPortal, kDesktop, kMock, "Answer", {1u});
        } else {
            BusCall(portal.bus, kPortal, kDesktop, kMock, "End", {end});
            EXPECT_TRUE(
                MockedPortal::Until([&] { return portal.Logged("SelectSources", R"("restore_token": "token1")"); }));
        }
        EXPECT_TRUE(MockedPortal::Until([&] { return failed == failures; })) << end.toStdString();
        QCoreApplication::processEvents();
        EXPECT_EQ(failed, failures) << end.toStdString();
        EXPECT_EQ(answered, 1);
        EXPECT_FALSE(frames.Seen());
    }
}

}  // namespace
}  // namespace sentrel
