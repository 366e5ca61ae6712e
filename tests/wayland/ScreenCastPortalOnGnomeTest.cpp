#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusObjectPath>

#include <filesystem>
#include <thread>

#include "support/BusCall.h"
#include "support/ServiceProcess.h"
#include "support/Waiting.h"
#include "support/WaylandSession.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using namespace testing;

// A pointer in the mutter session, through its remote-desktop interface.
class RemotePointer {
public:
    explicit RemotePointer(QDBusConnection bus) : bus_(std::move(bus)) {
        session_ = ReturnedPath(BusCall(bus_, kService, "/org/gnome/Mutter/RemoteDesktop", kService, "CreateSession"));
        Call("Start", {});
    }
    void Click(double x, double y) {
        // Relative moves need no stream: first to the corner, then out.
        Call("NotifyPointerMotionRelative", {-10000.0, -10000.0});
        Call("NotifyPointerMotionRelative", {x, y});
        for (const bool pressed : {true, false}) Call("NotifyPointerButton", {0x110, pressed});
    }

private:
    void Call(const QString& method, const QList<QVariant>& arguments) {
        BusCall(bus_, kService, session_, kService + ".Session", method, arguments);
        std::this_thread::sleep_for(100ms);
    }
    inline static const QString kService = "org.gnome.Mutter.RemoteDesktop";
    QDBusConnection bus_;
    QString session_;
};

// On GNOME the desktop asks, in its "Screen Share" dialog, whether Sentrel
// may see the monitor; a yes, remembered through the token Sentrel keeps,
// spares every later start the question; a refusal is told to the user.
TEST(ScreenCastPortalOnGnome, ConsentIsKeptAndRefusalIsTold) {
    const auto mutter = WaylandSession::Mutter(1920, 1080);
    ServiceProcess service;
    const std::string url = "SENTREL_SERVICE_URL=" + service.Url();
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    RemotePointer pointer(QDBusConnection::connectToBus(QString::fromStdString(mutter->BusAddress()),
                                                        QString::fromStdString(mutter->BusAddress())));
    const std::string sentrel = mutter->Staged(SENTREL_BINARY);
    const auto started = [](ChildProcess& tool) {
        return !tool.Lines(ChildProcess::Stream::Err).empty() &&
               tool.WaitForLine(ChildProcess::Stream::Err, Containing("the screen cast has started"), 0ms);
    };
    {
        ChildProcess first(mutter->Inside({url, sentrel}));
        const SaidOnFailure report{first};
        ASSERT_TRUE(first.WaitForLine(ChildProcess::Stream::Err, Containing("screen-cast portal")));
        // The monitor in the dialog's list, then its "Share" button.
        EXPECT_TRUE(WaitFor(
            [&] {
                pointer.Click(790, 565);
                pointer.Click(1172, 413);
                return WaitFor([&] { return started(first); }, 1s);
            },
            20s));
    }
    const std::string tokenFile = mutter->RuntimeDir() + "/.config/Sentrel/screencast-restore-token";
    struct stat token {};
    ASSERT_EQ(stat(tokenFile.c_str(), &token), 0);
    EXPECT_EQ(token.st_mode & 0777, 0600u) << "the token is its user's alone";

    {
        ChildProcess again(mutter->Inside({url, sentrel}));
        const SaidOnFailure report{again};
        EXPECT_TRUE(WaitFor([&] { return started(again); }, 10s)) << "started with no dialog answered";
    }
    {
        // Asked again without the token, and refused: said so, and Sentrel runs on.
        std::filesystem::remove(tokenFile);
        ChildProcess refused(mutter->Inside({url, sentrel}));
        const SaidOnFailure report{refused};
        EXPECT_TRUE(WaitFor(
            [&] {
                pointer.Click(749, 413);  // "Cancel"
                return refused.WaitForLine(ChildProcess::Stream::Err, Containing("cannot see the screen"), 1s)
                    .has_value();
            },
            20s));
        EXPECT_TRUE(refused.Running());
    }
    QDBusConnection::disconnectFromBus(QString::fromStdString(mutter->BusAddress()));
}

}  // namespace
}  // namespace sentrel
