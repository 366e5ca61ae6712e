#include "platform/qt/PortalFrames.h"
#include "platform/qt/ScreenCastPortal.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QFile>
#include <QTemporaryDir>

#include "support/BusCall.h"
#include "support/Waiting.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using namespace testing;

const QString kPortal = "org.freedesktop.portal.Desktop", kMock = "org.freedesktop.DBus.Mock";
const QString kDesktop = "/org/freedesktop/portal/desktop", kSession = kDesktop + "/session/";

// The portal mocked, as the parameters (JSON) ask, on a bus of the test's own.
struct MockedPortal {
    explicit MockedPortal(const std::string& parameters)
        : mock({"/usr/bin/env", "DBUS_SESSION_BUS_ADDRESS=" + address, "/usr/bin/python3", "-m", "dbusmock",
                "--template", SENTREL_PORTAL_MOCK, "-p", parameters}) {
        EXPECT_TRUE(WaitFor([&] { return ScreenCastPortal::Offered(bus); }, 20s));
    }
    ~MockedPortal() { QDBusConnection::disconnectFromBus(bus.name()); }
    // The arguments of each call of a method of the mock's object so far.
    std::vector<QVariantList> Calls(const QString& object, const QString& method) const {
        const QDBusArgument calls = BusCall(bus, kPortal, object, kMock, "GetMethodCalls", {method})
                                        .arguments()
                                        .value(0)
                                        .value<QDBusArgument>();
        std::vector<QVariantList> all;
        calls.beginArray();
        while (!calls.atEnd()) {
            quint64 time = 0;
            calls.beginStructure();
            calls >> time >> all.emplace_back();
            calls.endStructure();
        }
        calls.endArray();
        return all;
    }
    std::vector<QVariantMap> Selections() const {
        std::vector<QVariantMap> options;
        for (const QVariantList& call : Calls(kDesktop, "SelectSources"))
            options.push_back(qdbus_cast<QVariantMap>(call.value(1)));
        return options;
    }
    bool Closed(int session) const { return !Calls(kSession + QString::number(session), "Close").empty(); }
    // Waits, running the toolkit's loop, until `done`.
    static bool Until(const std::function<bool()>& done) {
        return WaitFor(
            [&] {
                QCoreApplication::processEvents();
                return done();
            },
            20s);
    }

    ChildProcess daemon{{"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address"}};
    std::string address = daemon.WaitForLine(ChildProcess::Stream::Out, Containing("unix:")).value_or("");
    ChildProcess mock;
    int argc = 0;
    QCoreApplication app{argc, nullptr};
    QDBusConnection bus =
        QDBusConnection::connectToBus(QString::fromStdString(address), QString::fromStdString(address));
    QTemporaryDir home;
    QString tokenFile = home.filePath("token");
};

// A consent is kept only where the portal knows how (version 4); of the
// streams listed, the last is taken, over a connection no child inherits;
// the session is closed when Sentrel ends.
TEST(ScreenCastPortal, KeepsConsentFromVersion4AndTakesTheLastStream) {
    for (const std::uint32_t version : {3u, 4u}) {
        MockedPortal portal(R"({"streams": [7, 9], "version": )" + std::to_string(version) + "}");
        QFile kept(portal.tokenFile);
        ASSERT_TRUE(kept.open(QIODevice::WriteOnly) && kept.write("kept") == 4);
        kept.close();
        std::uint32_t node = 0;
        int descriptorFlags = 0;
        {
            ScreenCastPortal cast(
                portal.bus, portal.tokenFile,
                [&](int remote, std::uint32_t streamNode) {
                    node = streamNode;
                    descriptorFlags = ::fcntl(remote, F_GETFD);
                    ::close(remote);
                },
                [](const std::string& why) { ADD_FAILURE() << why; }, [] {});
            cast.Start();
            EXPECT_TRUE(MockedPortal::Until([&] { return node != 0; }));
            EXPECT_FALSE(portal.Closed(1));
        }
        EXPECT_EQ(node, 9u);
        EXPECT_EQ(descriptorFlags, FD_CLOEXEC);
        ASSERT_EQ(portal.Selections().size(), 1u);
        EXPECT_EQ(portal.Selections()[0].contains("persist_mode"), version >= 4) << version;
        EXPECT_EQ(portal.Selections()[0].value("restore_token").toString(), version >= 4 ? "kept" : "") << version;
        EXPECT_TRUE(portal.Closed(1));
    }
}

// A desktop that never answers counts as a refusal once the wait is over: the
// user is told once, the window comes once, and no later answer changes it.
TEST(PortalFrames, AnUnansweredAskIsARefusal) {
    MockedPortal portal(R"({"silent": true})");
    int failed = 0, answered = 0;
    PortalFrames frames(
        portal.tokenFile, [&](const std::string&) { ++failed; }, portal.bus, 300ms);
    frames.Start([&] { ++answered; });
    EXPECT_TRUE(MockedPortal::Until([&] { return answered == 1; }));
    EXPECT_TRUE(MockedPortal::Until([&] { return portal.Closed(1); }));
    // A refusal, sent before the call's reply, which the loop then delivers.
    BusCall(portal.bus, kPortal, kDesktop, kMock, "Answer", {1u});
    QCoreApplication::processEvents();
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(answered, 1);
    EXPECT_FALSE(frames.Seen());
}

// However the stream ends, the desktop is asked again with the consent kept.
TEST(PortalFrames, AStreamThatEndsIsAskedForAgain) {
    struct End {
        QString object, interface, method;
        QList<QVariant> arguments;
    };
    const End ends[] = {{kSession + "1",
                         kMock,
                         "EmitSignal",
                         {"org.freedesktop.portal.Session", "Closed", "a{sv}", QVariantList{QVariantMap{}}}},
                        {kDesktop, kMock, "HangUp", {}}};
    for (const auto& [object, interface, method, arguments] : ends) {
        MockedPortal portal("{}");
        int failed = 0, answered = 0;
        PortalFrames frames(
            portal.tokenFile, [&](const std::string&) { ++failed; }, portal.bus);
        frames.Start([&] { ++answered; });
        ASSERT_TRUE(MockedPortal::Until([&] { return answered == 1; }));
        BusCall(portal.bus, kPortal, object, interface, method, arguments);
        EXPECT_TRUE(MockedPortal::Until([&] { return portal.Selections().size() == 2; })) << method.toStdString();
        EXPECT_EQ(portal.Selections().back().value("restore_token").toString(), "token1");
        EXPECT_EQ(failed, 0);
    }
}

}  // namespace
}  // namespace sentrel
