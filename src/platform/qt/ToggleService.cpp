#include "platform/qt/ToggleService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <cstdio>

namespace sentrel {
namespace {

const QString kService = "org.sentrel.Sentrel";
const QString kPath = "/org/sentrel/Sentrel";
const QString kInterface = "org.sentrel.Sentrel";

}  // namespace

ToggleService::ToggleService(std::function<void()> toggle) : toggle_(std::move(toggle)) {}

void ToggleService::Register() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    if (!bus.registerVirtualObject(kPath, this) || !bus.registerService(kService)) {
        std::fprintf(stderr,
                     "sentrel: another Sentrel holds %s on the session bus; sentrel --toggle reaches that one\n",
                     kService.toUtf8().constData());
    }
}

bool ToggleService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (message.interface() != kInterface || message.member() != "Toggle") return false;
    // Messages arrive on the bus's own thread; the window's state lives on
    // the window's.
    QMetaObject::invokeMethod(QCoreApplication::instance(), toggle_, Qt::QueuedConnection);
    connection.send(message.createReply());
    return true;
}

QString ToggleService::introspect(const QString&) const {
    return "<interface name=\"" + kInterface + "\"><method name=\"Toggle\"/></interface>";
}

int AskRunningInstanceToToggle(int argc, char** argv) {
    const QCoreApplication app(argc, argv);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(kService, kPath, kInterface, "Toggle"), QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ReplyMessage) return 0;
    std::fprintf(stderr, "sentrel: no running Sentrel answered on the session bus (%s)\n",
                 reply.errorMessage().toUtf8().constData());
    return 1;
}

}  // namespace sentrel
