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

// The exit status of a command that asks the running instance.
int AskRunningInstance(const QString& method) {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(kService, kPath, kInterface, method), QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ReplyMessage) return 0;
    std::fprintf(stderr, "sentrel: no running Sentrel answered on the session bus (%s)\n",
                 reply.errorMessage().toUtf8().constData());
    return 1;
}

}  // namespace

ToggleService::ToggleService(std::function<void()> toggle, std::function<void()> show)
    : toggle_(std::move(toggle)), show_(std::move(show)) {}

bool ToggleService::Register() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return true;
    return bus.registerVirtualObject(kPath, this) && bus.registerService(kService);
}

bool ToggleService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    const QString member = message.member();
    if (message.interface() != kInterface || (member != "Toggle" && member != "Show")) return false;
    // Messages arrive on the bus's own thread; the window's state lives on
    // the window's.
    QMetaObject::invokeMethod(QCoreApplication::instance(), member == "Toggle" ? toggle_ : show_, Qt::QueuedConnection);
    connection.send(message.createReply());
    return true;
}

QString ToggleService::introspect(const QString&) const {
    return "<interface name=\"" + kInterface + "\"><method name=\"Toggle\"/><method name=\"Show\"/></interface>";
}

int AskRunningInstanceToToggle(int argc, char** argv) {
    const QCoreApplication app(argc, argv);
    return AskRunningInstance("Toggle");
}

int ShowRunningInstance() {
    const int status = AskRunningInstance("Show");
    if (status == 0) std::fprintf(stderr, "sentrel: Sentrel already runs on this desktop; its window is shown\n");
    return status;
}

}  // namespace sentrel
