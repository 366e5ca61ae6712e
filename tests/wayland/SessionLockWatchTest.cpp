#include "platform/capture/SessionLockWatch.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <QCoreApplication>
#include <memory>
#include <vector>

#include "support/BusCall.h"
#include "support/PrivateBus.h"
#include "support/Waiting.h"

namespace sentrel {
namespace {

using namespace std::chrono_literals;
using namespace testing;

// logind and both screen savers mocked on a bus of the test's own, which
// stands for the system bus and the session bus alike: each, alone,
// announces a lock while it holds, and nothing once it has ended.
TEST(SessionLockWatch, HearsLogindsLockedHintAndBothScreenSavers) {
    const PrivateBus bus;
    const QString kMock = "org.freedesktop.DBus.Mock";
    const struct {
        QString service, path, interface;
    } tellers[] = {{"org.freedesktop.login1", "/org/freedesktop/login1/session/c1", "org.freedesktop.login1.Session"},
                   {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", kMock},
                   {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", kMock}};
    std::vector<std::unique_ptr<ChildProcess>> mocks;
    for (const auto& [service, path, interface] : tellers) {
        const std::string saver = service.toStdString();
        mocks.push_back(std::make_unique<ChildProcess>(
            interface == kMock
                ? std::vector<std::string>{"/usr/bin/python3", "-m", "dbusmock", saver, path.toStdString(), saver}
                : std::vector<std::string>{"/usr/bin/python3", "-m", "dbusmock", "--session", "--template", "logind"}));
    }
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    const QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(bus.address), "locks");
    ASSERT_TRUE(WaitFor(
        [&] {
            return BusCall(connection, "org.freedesktop.login1", "/org/freedesktop/login1", kMock, "AddSession",
                           {"c1", "seat0", 1000u, "user", true})
                       .type() == QDBusMessage::ReplyMessage;
        },
        20s));
    ::setenv("XDG_SESSION_ID", "c1", 1);
    const SessionLockWatch watch(connection, connection);
    for (const auto& [service, path, interface] : tellers) {
        for (const bool locked : {true, false}) {
            const bool mocked = interface == kMock;
            // Told again and again: the mock or the watch may not listen yet.
            EXPECT_TRUE(WaitFor(
                [&] {
                    BusCall(connection, service, path, interface, mocked ? "EmitSignal" : "SetLockedHint",
                            mocked ? QList<QVariant>{service, "ActiveChanged", "b", QVariantList{locked}}
                                   : QList<QVariant>{locked});
                    QCoreApplication::processEvents();
                    return watch.Announced() == locked;
                },
                20s))
                << service.toStdString() << (locked ? " locks" : " unlocks");
        }
    }
}

}  // namespace
}  // namespace sentrel
