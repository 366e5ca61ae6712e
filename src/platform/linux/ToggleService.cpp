#include "platform/linux/ToggleService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

#include "client/DecimalText.h"
#include "log/ToolLog.h"

namespace sentrel {
namespace {

const QString kService = "org.sentrel.Sentrel";
const QString kOtherMonitor = kService + ".Screen";
const QString kPath = "/org/sentrel/Sentrel";
const QString kInterface = "org.sentrel.Sentrel";

// The exit status of a command that asks a running instance.
int AskRunningInstance(const QString& name, const QString& method) {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(name, kPath, kInterface, method), QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ReplyMessage) return 0;
    Say("no running Sentrel answered on the session bus as " + name.toStdString() + " (" +
        reply.errorMessage().toStdString() + ")");
    return 1;
}

QStringList RunningInstances() {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (bus == nullptr) return {};
    const QDBusReply<QStringList> names = bus->registeredServiceNames();
    QStringList running;
    for (const QString& name : names.value()) {
        if (name == kService || name.startsWith(kOtherMonitor)) running.push_back(name);
    }
    return running;
}

}  // namespace

QString InstanceName(std::size_t monitor) { return monitor == 0 ? kService : kOtherMonitor + QString::number(monitor); }

ToggleService::ToggleService(QString name, std::function<void()> toggle, std::function<void()> show)
    : name_(std::move(name)), toggle_(std::move(toggle)), show_(std::move(show)) {}

bool ToggleService::Register() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return true;
    return bus.registerVirtualObject(kPath, this) && bus.registerService(name_);
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

int AskRunningInstancesToToggle(int argc, char** argv, const std::optional<std::string>& monitor) {
    const QCoreApplication app(argc, argv);
    if (monitor) {
        const std::optional<int> number = ParseDecimal(*monitor, 0, 999);
        if (!number) {
            Say("there is no monitor \"" + *monitor + "\"");
            return 1;
        }
        return AskRunningInstance(InstanceName(static_cast<std::size_t>(*number)), "Toggle");
    }
    const QStringList running = RunningInstances();
    if (running.isEmpty()) {
        Say("no Sentrel runs on the session bus");
        return 1;
    }
    int status = 0;
    for (const QString& name : running) status |= AskRunningInstance(name, "Toggle");
    return status;
}

int ShowRunningInstance(std::size_t monitor) {
    const int status = AskRunningInstance(InstanceName(monitor), "Show");
    if (status == 0) {
        Say("Sentrel already runs on monitor " + std::to_string(monitor) + " of this desktop; its window is shown");
    }
    return status;
}

}  // namespace sentrel
