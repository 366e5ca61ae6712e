#include "platform/qt/ScreenCastPortal.h"

#include <unistd.h>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace sentrel {
namespace {

const QString kService = "org.freedesktop.portal.Desktop";
const QString kPath = "/org/freedesktop/portal/desktop";
const QString kScreenCast = "org.freedesktop.portal.ScreenCast";
constexpr uint kMonitor = 1;
constexpr uint kCursorHidden = 1;
// Kept until the user revokes it, not only while Sentrel runs.
constexpr uint kPersistUntilRevoked = 2;
// The portal's answer when the user says no.
constexpr uint kCancelled = 1;

// The node of the first stream in Start's results.
std::uint32_t FirstNode(const QVariant& streams) {
    const QDBusArgument list = streams.value<QDBusArgument>();
    std::uint32_t node = 0;
    list.beginArray();
    if (!list.atEnd()) {
        QVariantMap properties;
        list.beginStructure();
        list >> node >> properties;
        list.endStructure();
    }
    return node;
}

}  // namespace

ScreenCastPortal::ScreenCastPortal(QDBusConnection bus, QString tokenFile, Started started, Failed failed)
    : bus_(std::move(bus)),
      tokenFile_(std::move(tokenFile)),
      started_(std::move(started)),
      failed_(std::move(failed)) {}

bool ScreenCastPortal::Offered(QDBusConnection bus) {
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, "org.freedesktop.DBus.Properties", "Get");
    get << kScreenCast << QString("version");
    return bus.call(get, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

void ScreenCastPortal::Start() {
    Call(Step::CreateSession, "CreateSession", {QVariantMap{{"session_handle_token", "sentrel"}}});
}

void ScreenCastPortal::Call(Step step, const QString& method, QList<QVariant> arguments) {
    step_ = step;
    // The answer comes on a request object whose path the token fixes;
    // listening there before asking cannot miss it.
    const QString token = QString("sentrel%1").arg(++requests_);
    QString sender = bus_.baseService().mid(1);
    sender.replace('.', '_');
    const QString request = QString("%1/request/%2/%3").arg(kPath, sender, token);
    if (!request_.isEmpty()) {
        bus_.disconnect(kService, request_, "org.freedesktop.portal.Request", "Response", this,
                        SLOT(Response(uint, QVariantMap)));
    }
    request_ = request;
    bus_.connect(kService, request_, "org.freedesktop.portal.Request", "Response", this,
                 SLOT(Response(uint, QVariantMap)));
    QVariantMap options = arguments.takeLast().toMap();
    options["handle_token"] = token;
    arguments.append(options);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kScreenCast, method);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, method](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError()) Fail(method.toStdString() + " failed: " + w->error().message().toStdString());
    });
}

void ScreenCastPortal::Response(uint response, const QVariantMap& results) {
    if (response == kCancelled) {
        Fail("the screen cast was not allowed");
        return;
    }
    if (response != 0) {
        Fail("the screen-cast portal gave up");
        return;
    }
    switch (step_) {
        case Step::CreateSession: {
            session_ = results.value("session_handle").toString();
            QVariantMap options{{"types", kMonitor},
                                {"multiple", false},
                                {"cursor_mode", kCursorHidden},
                                {"persist_mode", kPersistUntilRevoked}};
            QFile saved(tokenFile_);
            if (saved.open(QIODevice::ReadOnly))
                options["restore_token"] = QString::fromUtf8(saved.readAll()).trimmed();
            Call(Step::SelectSources, "SelectSources", {QVariant::fromValue(QDBusObjectPath(session_)), options});
            break;
        }
        case Step::SelectSources:
            Call(Step::Start, "Start", {QVariant::fromValue(QDBusObjectPath(session_)), QString(), QVariantMap{}});
            break;
        case Step::Start: {
            const QString token = results.value("restore_token").toString();
            if (!token.isEmpty()) {
                QDir().mkpath(QFileInfo(tokenFile_).path());
                QFile saved(tokenFile_);
                // The token lets Sentrel see the screen without asking: the user's alone.
                if (saved.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                    saved.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
                    saved.write(token.toUtf8());
                }
            }
            const std::uint32_t node = FirstNode(results.value("streams"));
            if (node == 0) {
                Fail("the screen-cast portal gave no stream");
                return;
            }
            OpenRemote(node);
            break;
        }
    }
}

void ScreenCastPortal::OpenRemote(std::uint32_t node) {
    QDBusMessage open = QDBusMessage::createMethodCall(kService, kPath, kScreenCast, "OpenPipeWireRemote");
    open << QVariant::fromValue(QDBusObjectPath(session_)) << QVariantMap{};
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(open), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, node](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (reply.isError() || !reply.value().isValid()) {
            Fail("the screen-cast portal gave no PipeWire connection");
            return;
        }
        // The descriptor object closes its own copy.
        started_(dup(reply.value().fileDescriptor()), node);
    });
}

void ScreenCastPortal::Fail(const std::string& why) {
    if (failed_) failed_(why);
    failed_ = nullptr;
}

}  // namespace sentrel
